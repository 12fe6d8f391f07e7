// Applying a user view to a 100,000-object list (its filter's variables
// replaced, the condition and order set, the list loaded) against loading the
// same list with the same condition and order directly. Every apply must be
// one statement.
#include "BenchPatients.h"
#include "BenchRatio.h"

#include "marvok/Igl.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plList.h"
#include "toolkit/SqlTrace.h"
#include "tovlet/views/CuiVList.h"

#include <QApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace pelvar;

namespace {

const int Rows = qEnvironmentVariableIntValue("BENCH_ROWS") > 0 ? qEnvironmentVariableIntValue("BENCH_ROWS") : 100000;
// Everybody born before the working day: every row.
const QString Filter = QStringLiteral("((DATUM_ROJSTVA < to_date('%DAT%', 'DD.MM.YYYY')))INHERITEDFILTER");
const QString Sort = QStringLiteral("PRIIMEK,-IME");

void Prepare(const QString &folder)
{
    bench::PreparePatients(folder, Rows, false);
    marvok::ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 3, 2));
}

void ApplyViewAndLoad(benchmark::State &state)
{
    tovlet::TIUIViewList views;
    auto *view = new tovlet::TiUIView(QStringLiteral("Vsi"), Sort, Filter);
    views.Add(view);
    int statements = 0;
    const int listener = toolkit::AddSqlTraceListener([&statements](const toolkit::TSqlTraceEntry &) { ++statements; });
    for (auto _ : state) {
        TPlBoList *list = TPlBoList::Create(QStringLiteral("TPacient"), nullptr);
        views.setAiBoList(list);
        statements = 0;
        views.SelectUIView(view);
        if (statements != 1)
            state.SkipWithError("an apply is not one statement");
        if (list->Count() != Rows)
            state.SkipWithError("wrong row count");
        views.setAiBoList(nullptr);
        list->Release(nullptr);
    }
    toolkit::RemoveSqlTraceListener(listener);
}

void LoadDirectly(benchmark::State &state)
{
    const QString condition = QStringLiteral("((DATUM_ROJSTVA < to_date('02.03.2026', 'DD.MM.YYYY')))");
    for (auto _ : state) {
        TPlBoList *list = TPlBoList::Create(QStringLiteral("TPacient"), nullptr);
        list->SetCondition(condition);
        list->OrderBy(Sort);
        list->Load();
        if (list->Count() != Rows)
            state.SkipWithError("wrong row count");
        list->Release(nullptr);
    }
}

} // namespace

BENCHMARK(ApplyViewAndLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDirectly)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Prepare(dir.path());
    const int rc = bench::RunWithRatios(argc, argv, {{"uiview_apply_100k", "ApplyViewAndLoad", "LoadDirectly"}});
    CloseConnection();
    return rc;
}
