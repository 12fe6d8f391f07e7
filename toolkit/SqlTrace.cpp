#include "SqlTrace.h"

#include <utility>
#include <vector>

namespace toolkit {

namespace {
struct TListeners
{
    std::vector<std::pair<int, TSqlTraceListener>> Items;
    int Next = 1;
};

TListeners &Listeners()
{
    static TListeners listeners;
    return listeners;
}
} // namespace

int AddSqlTraceListener(TSqlTraceListener listener)
{
    TListeners &l = Listeners();
    l.Items.emplace_back(l.Next, std::move(listener));
    return l.Next++;
}

void RemoveSqlTraceListener(int number)
{
    auto &items = Listeners().Items;
    for (auto it = items.begin(); it != items.end(); ++it)
        if (it->first == number) {
            items.erase(it);
            return;
        }
}

void TraceSql(const TSqlTraceEntry &entry)
{
    // By index and through a copy: a listener may add or remove listeners
    // (a monitor opened from a statement's handler) while it runs.
    auto &items = Listeners().Items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TSqlTraceListener listener = items[i].second;
        try {
            if (listener)
                listener(entry);
        } catch (...) {
        }
    }
}

} // namespace toolkit
