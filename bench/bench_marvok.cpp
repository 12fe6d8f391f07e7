// The first screen of a data grid over a 1,000,000-row query: opening the
// query, binding the grid and painting what shows, against Qt's
// QSqlQueryModel with a QTableView on the same query in the same run.
#include "BenchRatio.h"

#include "marvok/cDBGrid.h"
#include "pelvar/plDatabase.h"
#include "toolkit/SqlDataSet.h"

#include <QApplication>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QString Sql = QStringLiteral("select ID, PRIIMEK, IME, ROJEN, ZNESEK from QDAT.VELIKA order by ID");

void Prepare(const QString &folder)
{
    pelvar::OpenSqliteConnection(folder + QStringLiteral("/m.sqlite"), folder + QStringLiteral("/q.sqlite"));
    QSqlQuery q(pelvar::Connection());
    q.exec(QStringLiteral("create table QDAT.VELIKA (ID INTEGER PRIMARY KEY, PRIIMEK VARCHAR(20), IME VARCHAR(20), ROJEN TIMESTAMP, ZNESEK REAL)"));
    q.exec(QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < 1000000) "
                          "insert into QDAT.VELIKA select x, 'Priimek' || x, 'Ime' || (x % 500), '1990-01-01 00:00:00', x * 0.5 from c"));
}

void OursFirstScreen(benchmark::State &state)
{
    for (auto _ : state) {
        toolkit::TSqlDataSet ds;
        ds.SetPageSize(200);
        ds.SetSQL(Sql);
        ds.Open();
        toolkit::TDataSource src;
        src.SetDataSet(&ds);
        marvok::TIDBGrid grid;
        grid.SetDataSource(&src);
        grid.resize(800, 600);
        grid.show();
        benchmark::DoNotOptimize(grid.grab());
    }
}

void QtFirstScreen(benchmark::State &state)
{
    for (auto _ : state) {
        QSqlQueryModel model;
        model.setQuery(Sql, pelvar::Connection());
        QTableView view;
        view.setModel(&model);
        view.resize(800, 600);
        view.show();
        benchmark::DoNotOptimize(view.grab());
    }
}

} // namespace

BENCHMARK(OursFirstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(QtFirstScreen)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Prepare(dir.path());
    const int rc = bench::RunWithRatios(argc, argv, {{"marvok_dbgrid_first_screen", "OursFirstScreen", "QtFirstScreen"}});
    pelvar::CloseConnection();
    return rc;
}
