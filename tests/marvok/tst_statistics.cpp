// The SQL statistics see every statement the application runs, whichever
// layer runs it, with its values and its time; the persistence layer counts
// its database time and keeps its locks in named groups. Against the real
// test database (SQLite, or PostgreSQL with TOVLET_TEST_DB=postgres).
#include "TestDatabase.h"

#include "marvok/Igl.h"
#include "marvok/Ilog.h"
#include "marvok/Iquery.h"
#include "marvok/Iutils.h"
#include "pelvar/plContext.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plList.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "pelvar/plView.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlDataSet.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

using namespace marvok;
using namespace pelvar;
using tovlet::test::TTestDatabase;

namespace {

void RegisterPatients()
{
    UnregisterAllClasses();
    auto pacient = std::make_unique<TPlClassMetaData>(
        QStringLiteral("TPacient"),
        std::make_unique<TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient"), QStringLiteral("DATUM_IPL"),
                                      QStringLiteral("USER_IPL")));
    pacient->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), TplAttrType::atString, 40, {}, false, true, {}})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), TplAttrType::atString, 40, {}, false, true, {}})
        .AddAttribute({QStringLiteral("TELEFON"), QStringLiteral("Telefon"), TplAttrType::atString, 20});
    RegisterClassMetaData(std::move(pacient));
}

// A statement as the statistics told it: the statement event, its
// parameter events and its time event.
struct TReported
{
    QObject *Sender = nullptr;
    int Type = -1;
    QString Sql;
    QStringList Params;
    QString Time;
    bool Complete = false; // the time came, and nothing came between its events

    // "sql [p1, p2]", the same on both databases.
    QString Text() const
    {
        QString sql = Sql;
        sql.replace(QLatin1String("BEGIN IMMEDIATE"), QLatin1String("BEGIN"));
        sql.remove(QLatin1String(" for update"));
        sql.remove(QLatin1String(" LIMIT -1"));
        return sql + QLatin1String(" [") + Params.join(QLatin1String(", ")) + QLatin1Char(']');
    }
};

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void persistenceWorkIsReportedWithItsValues_data();
    void persistenceWorkIsReportedWithItsValues();
    void pagedDataSetReportsPagesAndCount();
    void queryIsReportedOncePerRun();
    void timeKeepsMicrosecondsWhateverTheLocale();
    void accessTimesAndVersionFollowTheDatabase();
    void failingStatementIsStillReported_data();
    void failingStatementIsStillReported();
    void misbehavingHandlerDoesNotBreakTheStatement();
    void lockGroupsAreListedWithTheirNames();

private:
    QList<TReported> Reported() const;
    QStringList ReportedTexts() const;
    void RunSlowStatement();

    std::unique_ptr<TTestDatabase> FDb;
    QList<std::tuple<QObject *, QString, int>> FEvents;
};

void TestStatistics::initTestCase()
{
    RegisterPatients();
    // A statement that takes measurably long on the embedded database.
    RegisterSqliteFunction(QStringLiteral("POCAKAJ_MS"), 1, [](const QVariantList &a) {
        QThread::usleep(a.value(0).toULongLong() * 1000);
        return QVariant(1);
    });
}

void TestStatistics::init()
{
    FDb = std::make_unique<TTestDatabase>(true);
    EnsureTables();
    PerLayerSettings().CurrentUser = QStringLiteral("ANA");
    FEvents.clear();
    IDBStatistics().OnStatistics = [this](QObject *sender, const QString &text, int type) { FEvents << std::make_tuple(sender, text, type); };
}

void TestStatistics::cleanup()
{
    IDBStatistics().OnStatistics = nullptr;
    GlobalDictionary().CollectGarbage();
    const QStringList left = GlobalDictionary().Describe();
    FDb.reset();
    if (!left.isEmpty())
        QFAIL(qPrintable(QStringLiteral("objects left in the dictionary:\n") + left.join(QLatin1Char('\n'))));
}

QList<TReported> TestStatistics::Reported() const
{
    QList<TReported> r;
    for (const auto &[sender, text, type] : FEvents) {
        if (type == stStatement || type == stStoredProc) {
            r.append({sender, type, text, {}, {}, false});
            continue;
        }
        if (r.isEmpty() || r.last().Complete || r.last().Sender != sender) {
            r.append({sender, -1, QStringLiteral("<orphan event %1: %2>").arg(type).arg(text), {}, {}, true});
            continue;
        }
        if (type == stParameter)
            r.last().Params << text;
        else if (type == stTime) {
            r.last().Time = text;
            r.last().Complete = true;
        }
    }
    return r;
}

QStringList TestStatistics::ReportedTexts() const
{
    QStringList r;
    for (const TReported &s : Reported())
        r << (s.Complete ? s.Text() : s.Text() + QLatin1String(" <no time>"));
    return r;
}

void TestStatistics::RunSlowStatement()
{
    ExecSql(Dialect() == TplDialect::dlPostgreSQL ? QStringLiteral("select pg_sleep(0.003)") : QStringLiteral("select POCAKAJ_MS(3)"));
}

void TestStatistics::persistenceWorkIsReportedWithItsValues_data()
{
    QTest::addColumn<QString>("work");
    QTest::addColumn<QStringList>("expected"); // one pattern per statement, in order

    QTest::newRow("list load") << "load"
                               << QStringList{R"(^select \* from QDAT\.PACIENT where \(PRIIMEK like 'K%'\) order by ID \[\]$)"};
    QTest::newRow("new object saved")
        << "insert"
        << QStringList{
               R"(^BEGIN \[\]$)",
               R"(^update QDAT\.PL_SEQUENCE set SEQ_VALUE = SEQ_VALUE \+ 1 where SEQ_NAME = \? \[1=TPacient\]$)",
               R"(^select max\(ID\) from QDAT\.PACIENT \[\]$)",
               R"(^insert into QDAT\.PL_SEQUENCE \(SEQ_NAME, SEQ_VALUE\) values \(\?, \?\) \[1=TPacient, 2=9\]$)",
               R"(^select SEQ_VALUE from QDAT\.PL_SEQUENCE where SEQ_NAME = \? \[1=TPacient\]$)",
               R"(^insert into QDAT\.PACIENT \(ID, PRIIMEK, IME, TELEFON, DATUM_IPL, USER_IPL\) values \(\?, \?, \?, \?, \?, \?\) )"
               R"(\[1=9, 2=O'Brien, 3=Ana, 4=NULL, 5=20\d\d-.*, 6=ANA\]$)",
               R"(^select DATUM_IPL from QDAT\.PACIENT where ID = \? \[1=9\]$)",
               R"(^COMMIT \[\]$)",
           };
    QTest::newRow("changed object saved after its check")
        << "update"
        << QStringList{
               R"(^select \* from QDAT\.PACIENT where ID = \? \[1=3\]$)", // the load
               R"(^BEGIN \[\]$)",
               R"(^select \* from QDAT\.PACIENT where ID = \? \[1=3\]$)", // the check for another save
               R"(^update QDAT\.PACIENT set TELEFON = \?, DATUM_IPL = \?, USER_IPL = \? where ID = \? )"
               R"(\[1=041 999 999, 2=20\d\d-.*, 3=ANA, 4=3\]$)",
               R"(^select DATUM_IPL from QDAT\.PACIENT where ID = \? \[1=3\]$)",
               R"(^COMMIT \[\]$)",
           };
    QTest::newRow("view opened and its rows read")
        << "view"
        << QStringList{
               // one statement for the view: its objects are made from the rows it read
               R"(^select \* from QDAT\.PACIENT where \(ID in \(2, 5\)\) order by ID desc \[\]$)",
           };
}

void TestStatistics::persistenceWorkIsReportedWithItsValues()
{
    QFETCH(QString, work);
    QFETCH(QStringList, expected);
    QObject *viewDataSet = nullptr; // the layer's own statements have none
    if (work == QLatin1String("load")) {
        auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
        list->SetCondition(QStringLiteral("PRIIMEK like 'K%'"));
        list->Load();
        QVERIFY(list->Count() > 0);
    } else if (work == QLatin1String("insert")) {
        auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
        o->SetAttrAsText(QStringLiteral("PRIIMEK"), QStringLiteral("O'Brien"));
        o->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Ana"));
        o->SaveData();
    } else if (work == QLatin1String("update")) {
        auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 3, nullptr));
        o->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("041 999 999"));
        o->SaveData();
    } else {
        auto view = TplRef<TplViewPerObject>::Adopt(Make<TplViewPerObject>(nullptr, ClassMetaData(QStringLiteral("TPacient"))));
        view->SetCondition(QStringLiteral("ID in (2, 5)"));
        view->SetOrder(QStringLiteral("ID desc"));
        view->Open();
        viewDataSet = view->GetDataSet();
        QCOMPARE(view->GetPerObject()->GetID(), qint64(5));
        view->GetDataSet()->Next();
        QCOMPARE(view->GetPerObject()->GetID(), qint64(2));
        view->Close();
    }

    const QStringList texts = ReportedTexts();
    QCOMPARE(texts.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(QRegularExpression(expected.at(i)).match(texts.at(i)).hasMatch(),
                 qPrintable(QStringLiteral("statement %1: %2").arg(i).arg(texts.at(i))));
    QCOMPARE(Reported().first().Sender, viewDataSet);
}

void TestStatistics::pagedDataSetReportsPagesAndCount()
{
    toolkit::TSqlDataSet ds;
    ds.SetPageSize(2, 2);
    ds.SetSQL(QStringLiteral("select ID, PRIIMEK from QDAT.PACIENT where ID > :od order by ID"));
    ds.SetParam(QStringLiteral("od"), 1);
    ds.Open();
    QCOMPARE(ds.RecordCount(), 7);
    QCOMPARE(ds.RecordValue(6, 0).toInt(), 8); // a far page: read from its own start

    const QString sql = ds.SQL();
    QCOMPARE(ReportedTexts(), (QStringList{
                                  sql + QStringLiteral(" [od=1]"),
                                  QStringLiteral("select count(*) from (%1) counted [od=1]").arg(sql),
                                  sql + QStringLiteral(" OFFSET 6 [od=1]"),
                              }));
    for (const TReported &s : Reported())
        QCOMPARE(s.Sender, &ds);
}

void TestStatistics::queryIsReportedOncePerRun()
{
    TIQuery q;
    q.SetSQL(QStringLiteral("select count(*) from QDAT.PACIENT where PRIIMEK <> :priimek and IME <> :ime"));
    q.SetParam(QStringLiteral("priimek"), QStringLiteral("O'Brien"));
    q.SetParam(QStringLiteral("ime"), QStringLiteral("dve\nvrstici"));
    q.Open();
    q.Close();
    q.Open();
    TIQuery upd;
    upd.SetSQL(QStringLiteral("update QDAT.PACIENT set TELEFON = :t where ID = 1"));
    upd.SetParam(QStringLiteral("t"), QVariant());
    QCOMPARE(upd.ExecSQL(), 1);

    const QString select = QStringLiteral("%1 [ime=dve\nvrstici, priimek=O'Brien]").arg(q.SQL());
    QCOMPARE(ReportedTexts(), (QStringList{select, select, upd.SQL() + QStringLiteral(" [t=NULL]")}));
    const QList<TReported> reported = Reported();
    QCOMPARE(reported.at(0).Sender, &q);
    QCOMPARE(reported.at(2).Sender, &upd);
    QCOMPARE(reported.at(2).Type, int(stStatement));
}

void TestStatistics::timeKeepsMicrosecondsWhateverTheLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia)); // a decimal comma
    ExecSql(QStringLiteral("select count(*) from QDAT.PACIENT"));
    RunSlowStatement();
    QLocale::setDefault(before);

    const QList<TReported> reported = Reported();
    QCOMPARE(reported.size(), 2);
    for (const TReported &s : reported)
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d{6}$")).match(s.Time).hasMatch(), qPrintable(s.Time));
    const double quick = reported.at(0).Time.toDouble(), slow = reported.at(1).Time.toDouble();
    QVERIFY2(quick > 0 && quick < 1, qPrintable(reported.at(0).Time)); // microseconds, not rounded away
    QVERIFY2(slow > 0.001, qPrintable(reported.at(1).Time));
}

void TestStatistics::accessTimesAndVersionFollowTheDatabase()
{
    // The figures count whether or not anybody watches the statistics.
    IDBStatistics().OnStatistics = nullptr;
    const TplDatabaseAccessTimes before = DatabaseAccessTimes();
    RunSlowStatement();
    {
        auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
        list->Load();
        toolkit::TSqlDataSet ds;
        ds.SetSQL(QStringLiteral("select ID from QDAT.PACIENT"));
        ds.Open();
    }
    TrimMemoryUsage(); // what the dictionary view's button does; harmless at any time
    const TplDatabaseAccessTimes after = DatabaseAccessTimes();
    QCOMPARE(after.Count, before.Count + 3);
    QVERIFY2(after.MaxMs > 2.0, qPrintable(QString::number(after.MaxMs)));
    QVERIFY(after.TotalMs > before.TotalMs + 2.0);
    QVERIFY(after.AverageMs() > 0 && after.AverageMs() <= after.MaxMs);
    QCOMPARE(DatabaseProvider().GetAccessCount(), after.Count + 0);
    QCOMPARE(DatabaseProvider().GetMaxAccessTime(), after.MaxMs);

    const QString version = DatabaseProvider().GetDatabaseVersion();
    const QRegularExpression form(Dialect() == TplDialect::dlPostgreSQL ? QStringLiteral("^PostgreSQL \\d+(\\.\\d+)*$")
                                                                        : QStringLiteral("^SQLite 3\\.\\d+\\.\\d+"));
    QVERIFY2(form.match(version).hasMatch(), qPrintable(version));
    QCOMPARE(DatabaseVersion(QStringLiteral("ni_povezave")), QString());
}

void TestStatistics::failingStatementIsStillReported_data()
{
    QTest::addColumn<QString>("runner");
    QTest::newRow("persistence layer") << "ExecSql";
    QTest::newRow("query opened") << "TIQuery";
    QTest::newRow("data set statement") << "ExecSQL";
}

void TestStatistics::failingStatementIsStillReported()
{
    QFETCH(QString, runner);
    const qint64 countBefore = DatabaseAccessTimes().Count;
    const QString sql = QStringLiteral("select NI_STOLPCA from QDAT.PACIENT where ID = ");
    QString expected;
    try {
        if (runner == QLatin1String("ExecSql")) {
            expected = sql + QStringLiteral("? [1=4]");
            ExecSql(sql + QLatin1Char('?'), {4});
        } else if (runner == QLatin1String("TIQuery")) {
            expected = sql + QStringLiteral(":id [id=4]");
            TIQuery q;
            q.SetSQL(sql + QStringLiteral(":id"));
            q.SetParam(QStringLiteral("id"), 4);
            q.Open();
        } else {
            expected = QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME) values (:id, 'Dvojnik', 'Ana') [id=4]");
            toolkit::TSqlDataSet ds;
            ds.SetSQL(QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME) values (:id, 'Dvojnik', 'Ana')"));
            ds.SetParam(QStringLiteral("id"), 4);
            ds.ExecSQL();
        }
        QFAIL("the statement should have failed");
    } catch (const toolkit::Exception &) {
    }
    QCOMPARE(ReportedTexts(), QStringList{expected});
    bool ok = false;
    QVERIFY(Reported().first().Time.toDouble(&ok) >= 0 && ok);
    QCOMPARE(DatabaseAccessTimes().Count, countBefore + 1);
}

void TestStatistics::misbehavingHandlerDoesNotBreakTheStatement()
{
    // A handler that throws: the statement runs on and gives its result;
    // the failure goes to the log.
    const QString logFile = LogFileName();
    SetLogFileName(FDb->Directory() + QStringLiteral("/aplikacija.log"));
    QStringList logged;
    SetLogSink([&](const QString &line) { logged << line; });
    IDBStatistics().OnStatistics = [](QObject *, const QString &, int) { throw toolkit::Exception(QStringLiteral("monitor broke")); };
    QCOMPARE(GetValueFromQuery(QStringLiteral("select PRIIMEK from QDAT.PACIENT where ID = 3")).toString(), QStringLiteral("Kovačič"));
    SetLogSink({});
    SetLogFileName(logFile);
    QCOMPARE(logged.size(), 1);
    QVERIFY2(logged.first().contains(QLatin1String("monitor broke")), qPrintable(logged.first()));

    // A handler that runs SQL itself is not told of its own statements.
    int told = 0;
    IDBStatistics().OnStatistics = [&](QObject *, const QString &, int type) {
        if (type != stStatement)
            return;
        ++told;
        QCOMPARE(GetValueFromQuery(QStringLiteral("select count(*) from QDAT.PACIENT")).toInt(), 8);
    };
    ExecSql(QStringLiteral("select 1"));
    QCOMPARE(told, 1);
}

void TestStatistics::lockGroupsAreListedWithTheirNames()
{
    // As the dictionary view reaches them: through the layer's context.
    IPerLayerContext *context = PerLayerContext();
    QCOMPARE(context->GetDictionaryKind(), TplDictionaryKind::dkGlobal);
    QCOMPARE(context->GetDictionary(), static_cast<TplCustomPerLayerDictionary *>(&GlobalDictionary()));
    TplSession *s = context->GetCurrentSession();
    QCOMPARE(s, DatabaseProvider().GetCurrentSession());

    QStringList events;
    s->OnLockEvent = [&](const TplSemaphoreItem &item, int type) {
        events << QStringLiteral("%1:%2/%3:%4").arg(type).arg(item.Group).arg(item.ID).arg(item.LockCount);
    };
    s->SetLockNotify(true);
    s->SetLockGroupName(1, QStringLiteral("Obravnava ambulante"));
    QVERIFY(s->Lock(QStringLiteral("TPacient"), QStringLiteral("10"), 1));
    QVERIFY(s->Lock(QStringLiteral("TPacient"), QStringLiteral("9"), 1));
    QVERIFY(s->Lock(QStringLiteral("TObravnava"), QStringLiteral("1")));
    QVERIFY(s->Lock(QStringLiteral("TPacient"), QStringLiteral("9"), 2)); // held already: only counted
    s->SetLockGroupName(0, QStringLiteral("Splošno")); // named after its lock was taken

    auto listed = [&] {
        QStringList r;
        for (const TplSemaphoreItem &i : context->GetCurrentSession()->Locks())
            r << QStringLiteral("%1|%2|%3 %4|%5").arg(i.Group).arg(i.GroupName, i.ClassName, i.ID).arg(i.LockCount);
        return r;
    };
    QCOMPARE(listed(), (QStringList{"0|Splošno|TObravnava 1|1", "1|Obravnava ambulante|TPacient 9|2",
                                    "1|Obravnava ambulante|TPacient 10|1"}));

    events.clear();
    s->UnlockGroup(1);
    QCOMPARE(listed(), QStringList{"0|Splošno|TObravnava 1|1"});
    QCOMPARE(events.size(), 5); // two unlocks of 9, one of 10, and both deleted
    QVERIFY(events.contains(QStringLiteral("4:1/9:1")));
    QVERIFY(events.contains(QStringLiteral("4:1/10:1")));
    s->Unlock(QStringLiteral("TObravnava"), QStringLiteral("1"));
    QVERIFY(s->Locks().isEmpty());
    s->SetLockNotify(false);
    s->OnLockEvent = nullptr;
    s->SetLockGroupName(0, {});
    s->SetLockGroupName(1, {});
}

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
