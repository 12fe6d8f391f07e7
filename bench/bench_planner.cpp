// The planner model with 10,000 items over a week: laying them out in seven
// day lists (inside updates) against sorting the same items alone, and
// adding them one by one to a source (kept sorted) against one sort.
#include "BenchRatio.h"

#include "tovlet/planner/SPPlanners.h"

#include <QRandomGenerator>
#include <algorithm>

using namespace tovlet;

namespace {

struct TSample
{
    QString Title;
    double Start, End;
};

const QVector<TSample> &Samples()
{
    static const QVector<TSample> samples = [] {
        QVector<TSample> r;
        QRandomGenerator rng(7);
        for (int k = 0; k < 10000; ++k) {
            const double start = rng.bounded(7) + (7 * 4 + rng.bounded(12 * 4)) / 96.0;
            r.append({QStringLiteral("Pregled %1").arg(k), start, start + (1 + rng.bounded(8)) / 96.0});
        }
        return r;
    }();
    return samples;
}

TSPPlannerSource &FilledSource()
{
    static TSPPlannerSource source;
    if (source.Count() == 0) {
        source.BeginUpdate();
        for (const TSample &s : Samples())
            source.AddItem(QString(), s.Title, s.Start, s.End, false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
        source.EndUpdate();
    }
    return source;
}

void Layout(benchmark::State &state)
{
    TSPPlannerSource &source = FilledSource();
    for (auto _ : state) {
        TSPDisplayItems days[7];
        for (int d = 0; d < 7; ++d) {
            days[d].BeginUpdate();
            days[d].SetCellStart(d);
            days[d].SetCellDuration(1.0 / 48);
        }
        for (int k = 0; k < source.Count(); ++k) {
            TSPPlanItem *i = source.Items(k);
            days[std::clamp(int(i->StartTime()), 0, 6)].Add(i);
        }
        for (auto &d : days)
            d.EndUpdate();
        benchmark::DoNotOptimize(days[0].Count());
    }
}

void SortAlone(benchmark::State &state)
{
    TSPPlannerSource &source = FilledSource();
    QVector<TSPPlanItem *> items;
    for (int k = 0; k < source.Count(); ++k)
        items.append(source.Items(k));
    QRandomGenerator rng(3);
    for (auto _ : state) {
        state.PauseTiming();
        QVector<TSPPlanItem *> copy = items;
        std::shuffle(copy.begin(), copy.end(), std::mt19937(rng.generate()));
        state.ResumeTiming();
        std::sort(copy.begin(), copy.end(), [](const TSPPlanItem *a, const TSPPlanItem *b) { return CompareItems(a, b) < 0; });
        benchmark::DoNotOptimize(copy.data());
    }
}

void AddOneByOne(benchmark::State &state)
{
    for (auto _ : state) {
        TSPPlannerSource source;
        for (const TSample &s : Samples())
            source.AddItem(QString(), s.Title, s.Start, s.End, false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
        benchmark::DoNotOptimize(source.Count());
        state.PauseTiming();
        source.Clear();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(Layout)->Unit(benchmark::kMillisecond);
BENCHMARK(SortAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(AddOneByOne)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return bench::RunWithRatios(argc, argv,
                                {{"planner_layout", "Layout", "SortAlone"}, {"planner_add_10k", "AddOneByOne", "SortAlone"}});
}
