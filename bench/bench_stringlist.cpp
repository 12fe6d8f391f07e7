// Adding names one by one to a sorted string list (binary search and insert,
// locale-aware) against sorting the same names once with the same collation.
#include "BenchRatio.h"

#include "toolkit/Classes.h"
#include "toolkit/SysUtils.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

namespace {

QStringList Names(int count)
{
    static const QStringList surnames{"Novak", "Horvat", "Kovačič", "Krajnc", "Zupančič", "Potočnik", "Kovač",
                                      "Mlakar", "Kos", "Vidmar", "Golob", "Turk", "Božič", "Kralj", "Žagar"};
    QRandomGenerator rng(42);
    QStringList r;
    r.reserve(count);
    for (int i = 0; i < count; ++i)
        r << surnames.at(int(rng.bounded(surnames.size()))) + QString::number(rng.bounded(1000000));
    return r;
}

const QStringList &Input()
{
    static const QStringList names = Names(20000);
    return names;
}

void SortedAdd(benchmark::State &state)
{
    for (auto _ : state) {
        toolkit::TStringList l;
        l.SetSorted(true);
        l.SetDuplicates(toolkit::TDuplicates::dupAccept);
        for (const QString &s : Input())
            l.Add(s);
        benchmark::DoNotOptimize(l.Count());
    }
}

void SortOnce(benchmark::State &state)
{
    for (auto _ : state) {
        QStringList l = Input();
        std::sort(l.begin(), l.end(), [](const QString &a, const QString &b) { return toolkit::AnsiCompareText(a, b) < 0; });
        benchmark::DoNotOptimize(l.size());
    }
}

} // namespace

BENCHMARK(SortedAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(SortOnce)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return bench::RunWithRatios(argc, argv, {{"stringlist_sorted_add_20k", "SortedAdd", "SortOnce"}});
}
