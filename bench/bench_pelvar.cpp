// A 100,000-object list: loading it, ordering it by an attribute both ways
// and reading every object, against a plain QSqlQuery read of the same rows;
// walking the list's data set first to last reading one field, against the
// same walk over a vector of the values; fetching every row of a view into
// objects, against the plain QSqlQuery read.
#include "BenchRatio.h"

#include "pelvar/plList.h"
#include "pelvar/plView.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace pelvar;

namespace {

const int Rows = qEnvironmentVariableIntValue("BENCH_ROWS") > 0 ? qEnvironmentVariableIntValue("BENCH_ROWS") : 100000;

void Prepare(const QString &folder)
{
    OpenSqliteConnection(folder + QStringLiteral("/main.sqlite"), folder + QStringLiteral("/qdat.sqlite"));
    auto meta = std::make_unique<TPlClassMetaData>(
        QStringLiteral("TPacient"), std::make_unique<TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient")));
    meta->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), TplAttrType::atString, 40})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), TplAttrType::atString, 40})
        .AddAttribute({QStringLiteral("DATUM_ROJSTVA"), QStringLiteral("Datum rojstva"), TplAttrType::atDate})
        .AddAttribute({QStringLiteral("SPOL"), QStringLiteral("Spol"), TplAttrType::atString, 1})
        .AddAttribute({QStringLiteral("KZZ"), QStringLiteral("KZZ"), TplAttrType::atString, 9})
        .AddAttribute({QStringLiteral("ZNESEK"), QStringLiteral("Znesek"), TplAttrType::atFloat});
    RegisterClassMetaData(std::move(meta));
    EnsureTables();
    static const char *surnames[] = {"Novak", "Horvat", "Kovačič", "Krajnc", "Zupančič", "Potočnik", "Kovač", "Mlakar"};
    QSqlDatabase db = Connection();
    if (!db.transaction())
        qFatal("cannot start the fill transaction: %s", qPrintable(db.lastError().text()));
    QSqlQuery q(db);
    q.prepare(QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME, DATUM_ROJSTVA, SPOL, KZZ, ZNESEK) values (?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 1; i <= Rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(QString(QString::fromUtf8(surnames[(qint64(i) * 7919) % 8]) + QString::number((qint64(i) * 104729) % 99991)));
        q.addBindValue(QStringLiteral("Ime%1").arg(i % 500));
        q.addBindValue(QStringLiteral("19%1-0%2-1%3 00:00:00").arg(10 + i % 90).arg(1 + i % 9).arg(i % 10));
        q.addBindValue(i % 2 ? QStringLiteral("M") : QStringLiteral("Z"));
        q.addBindValue(QString::number(100000000 + i));
        q.addBindValue(i * 0.25);
        q.exec();
    }
    db.commit();
    std::fprintf(stderr, "prepared %d rows\n", Rows);
}

void ListLoadOrderIterate(benchmark::State &state)
{
    for (auto _ : state) {
        TPlBoList *list = TPlBoList::Create(QStringLiteral("TPacient"), nullptr);
        list->Load();
        list->OrderBy(QStringLiteral("PRIIMEK"));
        list->OrderBy(QStringLiteral("-PRIIMEK"));
        qint64 sum = 0;
        for (int i = 0; i < list->Count(); ++i)
            sum += list->Get(i)->GetAttrValue(QStringLiteral("PRIIMEK")).toString().size();
        benchmark::DoNotOptimize(sum);
        if (list->Count() != Rows)
            state.SkipWithError("wrong row count");
        list->Release(nullptr);
    }
}

void PlainQueryRead(benchmark::State &state)
{
    for (auto _ : state) {
        QSqlQuery q(Connection());
        q.setForwardOnly(true);
        q.exec(QStringLiteral("select * from QDAT.PACIENT order by ID"));
        qint64 sum = 0;
        int n = 0;
        while (q.next()) {
            for (int c = 0; c < 7; ++c)
                benchmark::DoNotOptimize(q.value(c));
            sum += q.value(1).toString().size();
            ++n;
        }
        benchmark::DoNotOptimize(sum);
        if (n != Rows)
            state.SkipWithError("wrong row count");
    }
}

void ListDataSetWalk(benchmark::State &state)
{
    TPlBoList *list = TPlBoList::Create(QStringLiteral("TPacient"), nullptr);
    list->Load();
    toolkit::TDataSet *ds = list->GetDataSet();
    toolkit::TField *field = ds->FieldByName(QStringLiteral("PRIIMEK"));
    for (auto _ : state) {
        qint64 sum = 0;
        int n = 0;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            sum += field->AsString().size();
            ++n;
        }
        benchmark::DoNotOptimize(sum);
        if (n != Rows)
            state.SkipWithError("wrong record count");
    }
    // Nothing of this list may stay in the dictionary for the view's fetch.
    list->Release(nullptr);
}

void VectorWalk(benchmark::State &state)
{
    // The same values, held as the objects hold them, read the same way.
    QVector<QVariant> values;
    {
        QSqlQuery q(Connection());
        q.setForwardOnly(true);
        q.exec(QStringLiteral("select PRIIMEK from QDAT.PACIENT order by ID"));
        while (q.next())
            values.append(q.value(0).toString());
    }
    for (auto _ : state) {
        qint64 sum = 0;
        int n = 0;
        for (const QVariant &v : std::as_const(values)) {
            sum += v.toString().size();
            ++n;
        }
        benchmark::DoNotOptimize(sum);
        if (n != Rows)
            state.SkipWithError("wrong value count");
    }
}

void ViewFetch(benchmark::State &state)
{
    for (auto _ : state) {
        auto *view = Make<TplViewPerObject>(nullptr, ClassMetaData(QStringLiteral("TPacient")));
        view->SetOrder(QStringLiteral("ID"));
        view->Open();
        toolkit::TSqlDataSet *ds = view->GetDataSet();
        qint64 sum = 0;
        for (; !ds->Eof(); ds->Next())
            sum += view->GetPerObject()->GetID();
        benchmark::DoNotOptimize(sum);
        if (view->FetchedObjects()->Count() != Rows)
            state.SkipWithError("wrong object count");
        view->Close();
        view->Release(nullptr);
    }
}

} // namespace

BENCHMARK(ListLoadOrderIterate)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainQueryRead)->Unit(benchmark::kMillisecond);
BENCHMARK(ListDataSetWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(VectorWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(ViewFetch)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Prepare(dir.path());
    // Repetitions of ours and of the baselines take turns, so that a busy
    // machine slows both sides of a ratio alike.
    std::vector<char *> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave.data());
    argc = int(args.size());
    argv = args.data();
    const int rc = bench::RunWithRatios(argc, argv, {{"pelvar_list_load", "ListLoadOrderIterate", "PlainQueryRead"},
                                                                {"pelvar_list_dataset_walk", "ListDataSetWalk", "VectorWalk"},
                                                                {"pelvar_view_fetch_100k", "ViewFetch", "PlainQueryRead"}});
    CloseConnection();
    return rc;
}
