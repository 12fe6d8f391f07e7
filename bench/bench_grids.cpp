// Paging through a grid of 1,000,000 rows × 20 columns whose cells come from
// the grid's hooks (no stored cells), against a QTableView over a
// QAbstractTableModel of the same size showing the same texts, paged to the
// same places. Each repetition paints 1,000 screens evenly spaced from the
// first screen to the last (BENCH_PAGES changes the number; the whole range
// is 40,000 screens and takes minutes on either side).
#include "BenchRatio.h"

#include "toolkit/Grids.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace {

constexpr int Rows = 1000000;
constexpr int Cols = 20;
const int Pages = qEnvironmentVariableIntValue("BENCH_PAGES") > 0 ? qEnvironmentVariableIntValue("BENCH_PAGES") : 1000;

QString CellText(int col, int row)
{
    return QString::number(row * 31 + col);
}

class THookGrid : public toolkit::TDrawGrid
{
public:
    THookGrid()
    {
        SetColCount(Cols + 1);
        SetRowCount(Rows + 1);
        SetDefaultColWidth(96);
        SetDefaultRowHeight(24);
    }
    using toolkit::TCustomGrid::Canvas;

protected:
    QString GetEditText(int col, int row) override
    {
        if (row == 0)
            return QString::number(col);
        if (col == 0)
            return QString::number(row);
        return CellText(col - 1, row - 1);
    }
    void DrawCell(int col, int row, const QRect &rect, toolkit::TGridDrawState) override
    {
        DrawCellText(rect, GetEditText(col, row));
    }
};

class TModel : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : Rows; }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : Cols; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return CellText(index.column(), index.row());
    }
    QVariant headerData(int section, Qt::Orientation, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(QString::number(section + 1)) : QVariant();
    }
};

// The first row shown on page `i` of `Pages`, from the first screen to the last.
int PageTop(int i, int lastTop)
{
    return int(qint64(lastTop) * i / qMax(1, Pages - 1));
}

void GridPaging(benchmark::State &state)
{
    THookGrid grid;
    grid.resize(1000, 640);
    grid.show();
    QApplication::processEvents();
    const int lastTop = Rows + 1 - grid.VisibleRowCount();
    for (auto _ : state) {
        for (int i = 0; i < Pages; ++i) {
            grid.SetTopRow(1 + PageTop(i, lastTop - 1));
            grid.viewport()->repaint();
        }
        if (grid.TopRow() != lastTop)
            state.SkipWithError("the last screen was not reached");
    }
}

void TableViewPaging(benchmark::State &state)
{
    TModel model;
    QTableView view;
    view.setModel(&model);
    view.horizontalHeader()->setDefaultSectionSize(96);
    view.verticalHeader()->setDefaultSectionSize(24);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.resize(1000, 640);
    view.show();
    QApplication::processEvents();
    QScrollBar *bar = view.verticalScrollBar();
    for (auto _ : state) {
        for (int i = 0; i < Pages; ++i) {
            bar->setValue(PageTop(i, bar->maximum()));
            view.viewport()->repaint();
        }
        if (bar->value() != bar->maximum())
            state.SkipWithError("the last screen was not reached");
    }
}

} // namespace

BENCHMARK(GridPaging)->Unit(benchmark::kMillisecond);
BENCHMARK(TableViewPaging)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    return bench::RunWithRatios(argc, argv, {{"stringgrid_scroll_1m", "GridPaging", "TableViewPaging"}});
}
