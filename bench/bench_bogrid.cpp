// Sorting the business-object string grid by a column of 10,000 rows
// (texts with many repeats, as surnames are), against std::stable_sort of
// the same texts with the same case-insensitive comparison. The grid's sort
// keeps the order the system's exchange sort gives equal texts, and moves
// every cell of a row with it.
#include "BenchRatio.h"

#include "tovlet/grids/cBoGrid2.h"

#include <QApplication>
#include <QRandomGenerator>

#include <algorithm>

namespace {

constexpr int Rows = 10000;

QStringList Texts()
{
    static const QStringList texts = [] {
        QRandomGenerator rng(16);
        QStringList out;
        for (int r = 0; r < Rows; ++r)
            out << QStringLiteral("%1Priimek %2").arg(rng.bounded(2) ? QStringLiteral("a") : QStringLiteral("A")).arg(rng.bounded(2000));
        return out;
    }();
    return texts;
}

void Fill(tovlet::TIBoStringGrid &grid)
{
    const QStringList texts = Texts();
    for (int r = 1; r <= Rows; ++r) {
        grid.SetCells(0, r, QString::number(r));
        grid.SetCells(1, r, texts.at(r - 1));
        grid.SetCells(2, r, QStringLiteral("opomba %1").arg(r));
    }
}

void BM_GridSortByColumn(benchmark::State &state)
{
    tovlet::TIBoStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(Rows + 1);
    for (auto _ : state) {
        state.PauseTiming();
        Fill(grid);
        state.ResumeTiming();
        grid.SortGridByColumn(1, Rows, 1, QLatin1Char('A'));
    }
}
BENCHMARK(BM_GridSortByColumn)->Unit(benchmark::kMillisecond);

void BM_StableSortTexts(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QStringList texts = Texts();
        texts.detach();
        state.ResumeTiming();
        std::stable_sort(texts.begin(), texts.end(),
                         [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        benchmark::DoNotOptimize(texts.constData());
    }
}
BENCHMARK(BM_StableSortTexts)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return bench::RunWithRatios(argc, argv, {{"bostringgrid_sort_10k", "BM_GridSortByColumn", "BM_StableSortTexts"}});
}
