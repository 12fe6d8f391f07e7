// Applying a user view to a 100,000-object list (its filter's variables
// replaced, the condition and order set, the list loaded) against loading the
// same list with the same condition and order directly. Every apply must be
// one statement.
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
    OpenSqliteConnection(folder + QStringLiteral("/main.sqlite"), folder + QStringLiteral("/qdat.sqlite"));
    auto meta = std::make_unique<TPlClassMetaData>(
        QStringLiteral("TPacient"), std::make_unique<TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient")));
    meta->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), TplAttrType::atString, 40})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), TplAttrType::atString, 40})
        .AddAttribute({QStringLiteral("DATUM_ROJSTVA"), QStringLiteral("Datum rojstva"), TplAttrType::atDate})
        .AddAttribute({QStringLiteral("SPOL"), QStringLiteral("Spol"), TplAttrType::atString, 1})
        .AddAttribute({QStringLiteral("KZZ"), QStringLiteral("KZZ"), TplAttrType::atString, 9});
    RegisterClassMetaData(std::move(meta));
    EnsureTables();
    static const char *surnames[] = {"Novak", "Horvat", "Kovačič", "Krajnc", "Zupančič", "Potočnik", "Kovač", "Mlakar"};
    QSqlDatabase db = Connection();
    if (!db.transaction())
        qFatal("cannot start the fill transaction: %s", qPrintable(db.lastError().text()));
    QSqlQuery q(db);
    q.prepare(QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME, DATUM_ROJSTVA, SPOL, KZZ) values (?, ?, ?, ?, ?, ?)"));
    for (int i = 1; i <= Rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(QString(QString::fromUtf8(surnames[(qint64(i) * 7919) % 8]) + QString::number((qint64(i) * 104729) % 99991)));
        q.addBindValue(QStringLiteral("Ime%1").arg(i % 500));
        q.addBindValue(QStringLiteral("19%1-0%2-1%3 00:00:00").arg(10 + i % 90).arg(1 + i % 9).arg(i % 10));
        q.addBindValue(i % 2 ? QStringLiteral("M") : QStringLiteral("Z"));
        q.addBindValue(QString::number(100000000 + i));
        q.exec();
    }
    db.commit();
    marvok::ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 3, 2));
    std::fprintf(stderr, "prepared %d rows\n", Rows);
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
    std::vector<char *> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave.data());
    argc = int(args.size());
    argv = args.data();
    const int rc = bench::RunWithRatios(argc, argv, {{"uiview_apply_100k", "ApplyViewAndLoad", "LoadDirectly"}});
    CloseConnection();
    return rc;
}
