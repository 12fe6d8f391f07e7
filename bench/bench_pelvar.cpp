// A 100,000-object list: loading it, ordering it by an attribute both ways
// and reading every object, against a plain QSqlQuery read of the same rows;
// walking the list's data set first to last reading one field, against the
// same walk over a vector of the values; fetching every row of a view into
// objects, against the plain QSqlQuery read.
#include "BenchPatients.h"
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
    bench::PreparePatients(folder, Rows, true);
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
    const int rc = bench::RunWithRatios(argc, argv, {{"pelvar_list_load", "ListLoadOrderIterate", "PlainQueryRead"},
                                                                {"pelvar_list_dataset_walk", "ListDataSetWalk", "VectorWalk"},
                                                                {"pelvar_view_fetch_100k", "ViewFetch", "PlainQueryRead"}});
    CloseConnection();
    return rc;
}
