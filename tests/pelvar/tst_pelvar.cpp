// The persistence layer against the real test database (SQLite, or PostgreSQL
// with TOVLET_TEST_DB=postgres). Every test must leave the dictionary empty.
#include "ClinicClasses.h"
#include "TestDatabase.h"

#include "pelvar/plAuth.h"
#include "pelvar/plList.h"
#include "pelvar/plView.h"
#include "toolkit/DateUtils.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QProcess>
#include <QTest>

using namespace pelvar;
using tovlet::test::RegisterClinicClasses;
using tovlet::test::TTestDatabase;

namespace {


QStringList Surnames(const TPlCustomBoList *list)
{
    QStringList r;
    for (int i = 0; i < list->Count(); ++i)
        r << list->Get(i)->GetAttrAsText(QStringLiteral("PRIIMEK"));
    return r;
}

struct TRecorded
{
    TplDomainObject *Sender;
    int Action;
    QVariant Param;
};

// A host's own patient class, told apart by its image index.
class TPacientEx : public TplPerObject
{
public:
    using TplPerObject::TplPerObject;
    int ImageIndex() const override { return GetAttrAsText(QStringLiteral("SPOL")) == QLatin1String("Z") ? 7 : 6; }
};

} // namespace

class TestPelvar : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void savesAndLoadsObjectsWithTheirTypes();
    void dictionaryKeepsOneObjectPerRow();
    void editBufferPostsAndCancels();
    void badTextKeepsTheOldValue();
    void rulesGiveErrorLevelsAndStopSaving();
    void readOnlyObjectRefusesChanges();
    void referenceCountsAndRetainersAreExact();
    void statisticsTraceEveryChange();
    void orderBySortsAsAsked_data();
    void orderBySortsAsAsked();
    void orderByUnknownAttributeIsRefused();
    void addAndRefreshPlacesTheObjectInOrder();
    void hostileValuesStayInsideLiterals_data();
    void hostileValuesStayInsideLiterals();
    void missingTableOrColumnIsNamed_data();
    void missingTableOrColumnIsNamed();
    void listRelaysNotificationsWithTheirOrdinals();
    void listDataSetFollowsTheCurrentObject();
    void objectDataSetStaysInStep();
    void viewGivesDictionaryObjects();
    void transactionsNestAndRollBack();
    void lockRegistryRaisesEvents();
    void rightsByNameUserAndClass();
    void oracleFunctionsRun();
    void garbageCollectionAndFigures();
    void nestedObjectsAreHeld();
    void anotherWorkstationsSaveIsNeverSilentlyOverwritten_data();
    void anotherWorkstationsSaveIsNeverSilentlyOverwritten();
    void databaseErrorsSayWhatHappenedInSlovenian();
    void lostPostgresConnectionComesBackWithItsSetUp_data();
    void lostPostgresConnectionComesBackWithItsSetUp();
    void registeringAgainKeepsLiveObjectsWorking();
    void hostFactoryMakesEveryObjectOfTheClass_data();
    void hostFactoryMakesEveryObjectOfTheClass();
    void membersEvaluateByName_data();
    void membersEvaluateByName();

private:
    std::unique_ptr<TTestDatabase> FDb;
    QList<std::tuple<QString, int, QString>> FTrace;
};

void TestPelvar::initTestCase()
{
    RegisterClinicClasses();
}

void TestPelvar::init()
{
    FDb = std::make_unique<TTestDatabase>(true);
    EnsureTables();
    CatalogueHooks() = {};
    PerLayerSettings().CurrentUser = QStringLiteral("ANA");
    PerLayerStatistics().SetTracing(false);
}

void TestPelvar::cleanup()
{
    PerLayerStatistics().SetTracing(false);
    PerLayerStatistics().SetReferenceCountChanged({});
    CatalogueHooks() = {};
    GlobalDictionary().CollectGarbage();
    const QStringList left = GlobalDictionary().Describe();
    FDb.reset();
    if (!left.isEmpty())
        QFAIL(qPrintable(QStringLiteral("objects left in the dictionary:\n") + left.join(QLatin1Char('\n'))));
}

void TestPelvar::savesAndLoadsObjectsWithTheirTypes()
{
    qint64 id = 0;
    {
        auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
        QVERIFY(o->IsNew());
        QVERIFY(o->IsModified());
        o->SetAttrAsText(QStringLiteral("PRIIMEK"), QStringLiteral("Štrekelj"));
        o->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Urška"));
        o->SetAttrAsText(QStringLiteral("DATUM_ROJSTVA"), QStringLiteral("29.2.2000"));
        o->SaveData();
        id = o->GetID();
        QCOMPARE(id, qint64(9)); // after the eight seeded patients
        QVERIFY(!o->IsModified());
        QCOMPARE(o->GetAttrValue(QStringLiteral("USER_IPL")).toString(), QStringLiteral("ANA"));
        QVERIFY(qAbs(o->GetAttrValue(QStringLiteral("DATUM_IPL")).toDouble() - toolkit::Now()) < 0.01);

        auto v = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TObravnava"), nullptr));
        v->SetAttrValue(QStringLiteral("PACIENT_ID"), id);
        v->SetAttrValue(QStringLiteral("OPIS"), QStringLiteral("Kontrola\nv dveh vrsticah"));
        v->SetAttrAsText(QStringLiteral("ZNESEK"), QStringLiteral("12,50"));
        v->SetAttrValue(QStringLiteral("NUJNO"), true);
        v->SetAttrAsText(QStringLiteral("ZACETEK"), QStringLiteral("5.12.2026 14:30"));
        v->SaveData();
        QCOMPARE(v->GetID(), qint64(1));
    }
    QCOMPARE(GlobalDictionary().Count(), 0);

    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), id, nullptr));
    QCOMPARE(o->GetAttrAsText(QStringLiteral("PRIIMEK")), QStringLiteral("Štrekelj"));
    QCOMPARE(toolkit::ToQDate(o->GetAttrValue(QStringLiteral("DATUM_ROJSTVA")).toDouble()), QDate(2000, 2, 29));
    QCOMPARE(o->GetAttrAsText(QStringLiteral("DATUM_ROJSTVA")), QStringLiteral("29.02.2000"));
    auto v = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TObravnava"), 1, nullptr));
    QCOMPARE(v->GetAttrAsText(QStringLiteral("ZNESEK")), QStringLiteral("12,5"));
    QCOMPARE(v->GetAttrValue(QStringLiteral("NUJNO")).toBool(), true);
    QCOMPARE(v->GetAttrValue(QStringLiteral("OPIS")).toString(), QStringLiteral("Kontrola\nv dveh vrsticah"));
    QCOMPARE(toolkit::ToQDateTime(v->GetAttrValue(QStringLiteral("ZACETEK")).toDouble()), QDateTime(QDate(2026, 12, 5), QTime(14, 30)));
    QCOMPARE(v->GetAttrValue(QStringLiteral("PACIENT_ID")).toLongLong(), id);

    QVERIFY_THROWS_EXCEPTION(EplError, TplPerObject::Load(QStringLiteral("TPacient"), 999, nullptr));
    QVERIFY_THROWS_EXCEPTION(EplError, o->SetAttrValue(QStringLiteral("NI_TAKEGA"), 1));
}

void TestPelvar::dictionaryKeepsOneObjectPerRow()
{
    auto a = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 3, nullptr));
    auto b = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("tpacient"), 3, nullptr));
    QCOMPARE(a.get(), b.get());
    QCOMPARE(a->RefCount(), 2);
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->SetCondition(QStringLiteral("ID = 3"));
    list->Load();
    QCOMPARE(list->Get(0), a.get());
    QVERIFY(GlobalDictionary().FindCount() > 0);
    QCOMPARE(GlobalDictionary().Find(QStringLiteral("TPacient"), 3), a.get());
}

void TestPelvar::editBufferPostsAndCancels()
{
    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    QVERIFY(!o->IsModified());
    o->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("041 000 000"));
    QVERIFY(o->IsEditing());
    QVERIFY(o->IsModified());
    QCOMPARE(o->GetCommittedValue(QStringLiteral("TELEFON")).toString(), QStringLiteral("041 123 456"));
    o->CancelData();
    QCOMPARE(o->GetAttrAsText(QStringLiteral("TELEFON")), QStringLiteral("041 123 456"));
    QVERIFY(!o->IsModified());

    o->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("041 000 000"));
    o->PostData();
    QVERIFY(!o->IsEditing());
    QVERIFY(o->IsModified()); // posted, not yet saved
    QCOMPARE(FDb->Scalar(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = 1")).toString(), QStringLiteral("041 123 456"));
    o->SaveData();
    QVERIFY(!o->IsModified());
    QCOMPARE(FDb->Scalar(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = 1")).toString(), QStringLiteral("041 000 000"));

    // Setting the same value again is no change.
    o->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("041 000 000"));
    QVERIFY(!o->IsModified());
    o->CancelData();
}

void TestPelvar::badTextKeepsTheOldValue()
{
    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    QVERIFY_THROWS_EXCEPTION(toolkit::EConvertError, o->SetAttrAsText(QStringLiteral("DATUM_ROJSTVA"), QStringLiteral("31.2.1984")));
    QCOMPARE(o->GetAttrAsText(QStringLiteral("DATUM_ROJSTVA")), QStringLiteral("12.03.1984"));
    QVERIFY_THROWS_EXCEPTION(EplError, o->SetAttrValue(QStringLiteral("SPOL"), QStringLiteral("ZZ"))); // longer than 1
    QCOMPARE(o->GetAttrAsText(QStringLiteral("SPOL")), QStringLiteral("Z"));
    QVERIFY(!o->IsModified());
}

void TestPelvar::rulesGiveErrorLevelsAndStopSaving()
{
    CatalogueHooks().CodeExists = [](const QString &list, const QString &code) {
        return list == QLatin1String("SPOL") && (code == QLatin1String("M") || code == QLatin1String("Z"));
    };
    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
    QCOMPARE(o->GetAttrErrorLevel(QStringLiteral("PRIIMEK")), int(aeError));
    QCOMPARE(o->GetAttrErrorMessage(QStringLiteral("PRIIMEK")), QStringLiteral("Podatek »Priimek« je obvezen."));
    QCOMPARE(o->GetAttrErrorLevel(QStringLiteral("KZZ")), int(aeNone));
    o->SetAttrAsText(QStringLiteral("PRIIMEK"), QStringLiteral("Novak"));
    o->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Eva"));
    o->SetAttrAsText(QStringLiteral("SPOL"), QStringLiteral("X"));
    QCOMPARE(o->GetAttrErrorLevel(QStringLiteral("PRIIMEK")), int(aeNone));
    QCOMPARE(o->GetAttrErrorLevel(QStringLiteral("SPOL")), int(aeError));
    QCOMPARE(o->GetAttrErrorMessage(QStringLiteral("SPOL")), QStringLiteral("Šifra »X« ne obstaja v šifrantu SPOL."));
    const int before = FDb->Scalar(QStringLiteral("select count(*) from QDAT.PACIENT")).toInt();
    try {
        o->SaveData();
        QFAIL("saved an object in error");
    } catch (const EplError &e) {
        QVERIFY(e.Message().startsWith(QStringLiteral("Podatkov ni mogoče shraniti:")));
    }
    QCOMPARE(FDb->Scalar(QStringLiteral("select count(*) from QDAT.PACIENT")).toInt(), before);
    QVERIFY(o->IsNew());
    QCOMPARE(o->GetAttrAsText(QStringLiteral("PRIIMEK")), QStringLiteral("Novak")); // nothing typed is lost

    // A host rule on top of the declared ones.
    ClassMetaData(QStringLiteral("TPacient"))->OnValidateAttr = [](const TplPerObject &, const QString &attr, int &level, QString &message) {
        if (attr == QLatin1String("TELEFON") && level == aeNone) {
            level = aeWarning;
            message = QStringLiteral("Telefon manjka.");
        }
    };
    QCOMPARE(o->GetAttrErrorLevel(QStringLiteral("TELEFON")), int(aeWarning));
    o->SetAttrAsText(QStringLiteral("SPOL"), QStringLiteral("Z"));
    o->SaveData(); // warnings do not stop saving
    QVERIFY(!o->IsNew());
    ClassMetaData(QStringLiteral("TPacient"))->OnValidateAttr = nullptr;
}

void TestPelvar::readOnlyObjectRefusesChanges()
{
    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 2, nullptr));
    o->SetReadOnly(true);
    QVERIFY_THROWS_EXCEPTION(EplError, o->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Miha")));
    QVERIFY_THROWS_EXCEPTION(EplError, o->SaveData());
    QVERIFY_THROWS_EXCEPTION(EplError, o->DeleteData());
    QVERIFY(!o->GetDataSet()->CanModify());
    QCOMPARE(o->GetAttrAsText(QStringLiteral("IME")), QStringLiteral("Marko"));
}

void TestPelvar::referenceCountsAndRetainersAreExact()
{
    auto l1 = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr, QStringLiteral("Prvi")));
    auto l2 = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr, QStringLiteral("Drugi")));
    l1->Load();
    l2->SetCondition(QStringLiteral("SPOL = 'M'"));
    l2->Load();
    QCOMPARE(l1->Count(), 8);
    QCOMPARE(l2->Count(), 4);
    TplPerObject *horvat = l2->Get(l2->IndexOfObjectWithAttrValue(QStringLiteral("PRIIMEK"), QStringLiteral("Horvat")));
    QCOMPARE(horvat->RefCount(), 2);
    QCOMPARE(horvat->Retainers(), (QList<TplDomainObject *>{l1.get(), l2.get()}));
    QCOMPARE(PerLayerStatistics().GetBoRetainersString(horvat), QStringLiteral("TPlBoList: Prvi, TPlBoList: Drugi"));
    TplPerObject *novak = l1->Get(l1->IndexOfObjectWithAttrValue(QStringLiteral("PRIIMEK"), QStringLiteral("Novak")));
    QCOMPARE(novak->RefCount(), 1);
    {
        TplRef<TplPerObject> extra(novak, l2.get());
        QCOMPARE(novak->RefCount(), 2);
    }
    QCOMPARE(novak->RefCount(), 1);
    QCOMPARE(GlobalDictionary().InstanceCount(QStringLiteral("TPacient")), 8);
    l1.reset();
    QCOMPARE(horvat->RefCount(), 1);
    QCOMPARE(horvat->Retainers(), QList<TplDomainObject *>{l2.get()});
    QCOMPARE(GlobalDictionary().InstanceCount(QStringLiteral("TPacient")), 4); // the others were freed at once
    QVERIFY(PerLayerStatistics().CheckInternalRegistrations().isEmpty());
    // One release too many is a programming error, not a silent negative count.
    TplPerObject *o = TplPerObject::Create(QStringLiteral("TPacient"), nullptr);
    o->LockRefsRead(); // keeps it in memory at zero references
    o->Release(nullptr);
    QVERIFY_THROWS_EXCEPTION(EplError, o->Release(nullptr));
    QCOMPARE(o->RefCount(), 0);
    o->UnlockRefsRead();
}

void TestPelvar::statisticsTraceEveryChange()
{
    QList<std::tuple<QString, int, QString>> trace;
    PerLayerStatistics().SetReferenceCountChanged([&](TplDomainObject *obj, int type, TplDomainObject *retainer, void *) {
        trace << std::make_tuple(obj->ClassName(), type, retainer ? retainer->ClassName() : QStringLiteral("-"));
    });
    PerLayerStatistics().SetTracing(true);
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->SetCondition(QStringLiteral("ID = 4"));
    list->Load();
    TplPerObject *o = list->Get(0);
    o->AddRef(nullptr);
    o->Release(nullptr);
    PerLayerStatistics().SetTracing(false);
    o->AddRef(nullptr); // not traced
    o->Release(nullptr);
    const QList<std::tuple<QString, int, QString>> expected{
        {QStringLiteral("TPlBoList"), rcCreated, QStringLiteral("-")},
        {QStringLiteral("TPacient"), rcLoaded, QStringLiteral("TPlBoList")},
        {QStringLiteral("TPacient"), rcAcquire, QStringLiteral("-")},
        {QStringLiteral("TPacient"), rcRelease, QStringLiteral("-")},
    };
    QCOMPARE(trace, expected);
}

void TestPelvar::orderBySortsAsAsked_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("text ascending, č after c")
        << "PRIIMEK" << QStringList{"Horvat", "Kovač", "Kovačič", "Krajnc", "Mlakar", "Novak", "Potočnik", "Zupančič"};
    QTest::newRow("text descending")
        << "-PRIIMEK" << QStringList{"Zupančič", "Potočnik", "Novak", "Mlakar", "Krajnc", "Kovačič", "Kovač", "Horvat"};
    QTest::newRow("date") << "DATUM_ROJSTVA"
                          << QStringList{"Krajnc", "Horvat", "Mlakar", "Potočnik", "Novak", "Kovač", "Kovačič", "Zupančič"};
    QTest::newRow("two keys") << "SPOL,-PRIIMEK"
                              << QStringList{"Potočnik", "Mlakar", "Krajnc", "Horvat", "Zupančič", "Novak", "Kovačič", "Kovač"};
    QTest::newRow("short description") << "@SPOL,PRIIMEK"
                                       << QStringList{"Horvat", "Krajnc", "Mlakar", "Potočnik", "Kovač", "Kovačič", "Novak", "Zupančič"};
    QTest::newRow("long description") << "§SPOL,PRIIMEK"
                                      << QStringList{"Kovač", "Kovačič", "Novak", "Zupančič", "Horvat", "Krajnc", "Mlakar", "Potočnik"};
    QTest::newRow("descending description") << "-@SPOL,PRIIMEK"
                                            << QStringList{"Kovač", "Kovačič", "Novak", "Zupančič", "Horvat", "Krajnc", "Mlakar", "Potočnik"};
}

void TestPelvar::orderBySortsAsAsked()
{
    QFETCH(QString, spec);
    QFETCH(QStringList, expected);
    CatalogueHooks().Description = [](const QString &list, const QString &code, bool longText) {
        if (list != QLatin1String("SPOL"))
            return QStringLiteral("?");
        if (longText) // the long texts order the other way round
            return code == QLatin1String("M") ? QStringLiteral("zz moški") : QStringLiteral("aa ženski");
        return code == QLatin1String("M") ? QStringLiteral("moški") : QStringLiteral("ženski");
    };
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->Load();
    list->SetCurrIndex(list->IndexOfObjectWithAttrValue(QStringLiteral("PRIIMEK"), QStringLiteral("Novak")));
    list->OrderBy(spec);
    QCOMPARE(Surnames(list.get()), expected);
    QCOMPARE(list->CurrObject()->GetAttrAsText(QStringLiteral("PRIIMEK")), QStringLiteral("Novak")); // current kept
    list->Load(); // the order stays for the next load
    QCOMPARE(Surnames(list.get()), expected);
}

void TestPelvar::orderByUnknownAttributeIsRefused()
{
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->Load();
    list->OrderBy(QStringLiteral("PRIIMEK"));
    try {
        list->OrderBy(QStringLiteral("IME,-NI_TAKEGA"));
        QFAIL("no exception");
    } catch (const EplError &e) {
        QVERIFY(e.Message().contains(QStringLiteral("NI_TAKEGA")));
    }
    QCOMPARE(list->Order(), QStringLiteral("PRIIMEK"));
    QCOMPARE(list->Get(0)->GetAttrAsText(QStringLiteral("PRIIMEK")), QStringLiteral("Horvat"));
}

void TestPelvar::addAndRefreshPlacesTheObjectInOrder()
{
    QStringList loaded;
    CatalogueHooks().Load = [&](const QString &list) { loaded << list; };
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->SetCondition(QStringLiteral("SPOL = 'Z'"));
    list->OrderBy(QStringLiteral("PRIIMEK"));
    list->Load();
    list->LoadCatalogueForColumns({QStringLiteral("PRIIMEK"), QStringLiteral("SPOL"), QStringLiteral("spol"), QStringLiteral("NI_TAKEGA")});
    QCOMPARE(loaded, QStringList{QStringLiteral("SPOL")}); // each code list once, unknown columns skipped

    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
    o->SetAttrValue(QStringLiteral("PRIIMEK"), QStringLiteral("Lah"));
    o->SetAttrValue(QStringLiteral("IME"), QStringLiteral("Lea"));
    QList<int> actions;
    auto *notifier = Make<TplDomainNotifier>(nullptr, [&](TplDomainObject *, TplNotifyAction a, const QVariant &, TplDomainObject *) {
        actions << int(a);
    });
    list->Attach(notifier);
    list->AddAndRefresh(o.get());
    QCOMPARE(Surnames(list.get()), (QStringList{"Kovač", "Kovačič", "Lah", "Novak", "Zupančič"}));
    QCOMPARE(list->CurrObject(), o.get());
    QCOMPARE(actions, (QList<int>{12, 18}));
    QVERIFY(list->Get(0)->GetMemorySequence() != o->GetMemorySequence());
    QVERIFY(o->GetMemorySequence() > list->GetMemorySequence()); // numbered in creation order
    list->Detach(notifier);
    notifier->Release(nullptr);
}

void TestPelvar::hostileValuesStayInsideLiterals_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("apostrophe") << "O'Brien";
    QTest::newRow("or true") << "x' or '1'='1";
    QTest::newRow("comment") << "Novak' --";
    QTest::newRow("block comment") << "/* Novak */";
    QTest::newRow("statement") << "'; delete from QDAT.PACIENT; --";
    QTest::newRow("backslash and percent") << "\\' % _";
    QTest::newRow("typographic apostrophe") << "O’Brien";
}

void TestPelvar::hostileValuesStayInsideLiterals()
{
    QFETCH(QString, value);
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->SetCondition(QStringLiteral("PRIIMEK = ") + QuotedStr(value));
    list->Load();
    QCOMPARE(list->Count(), 0);
    {
        auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
        o->SetAttrValue(QStringLiteral("PRIIMEK"), value.left(40));
        o->SetAttrValue(QStringLiteral("IME"), QStringLiteral("Test"));
        o->SaveData();
    }
    list->SetCondition(QStringLiteral("PRIIMEK = ") + QuotedStr(value.left(40)));
    list->Load();
    QCOMPARE(list->Count(), 1);
    QCOMPARE(list->Get(0)->GetAttrAsText(QStringLiteral("PRIIMEK")), value.left(40));
    QCOMPARE(FDb->Scalar(QStringLiteral("select count(*) from QDAT.PACIENT")).toInt(), 9);

    TplViewPerObject view(ClassMetaData(QStringLiteral("TPacient")));
    view.SetCondition(QStringLiteral("PRIIMEK = ") + QuotedStr(value.left(40)));
    view.Open();
    QCOMPARE(view.GetDataSet()->RecordCount(), 1);
    view.Close();
}

void TestPelvar::missingTableOrColumnIsNamed_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("named");
    QTest::newRow("column") << "QDAT.PACIENT" << "NI_STOLPCA = 1" << "NI_STOLPCA";
    QTest::newRow("table") << "QDAT.NI_TABELE" << "" << "NI_TABELE";
}

void TestPelvar::missingTableOrColumnIsNamed()
{
    QFETCH(QString, table);
    QFETCH(QString, condition);
    QFETCH(QString, named);
    auto meta = std::make_unique<TPlClassMetaData>(QStringLiteral("TManjka"),
                                                    std::make_unique<TplProvider>(table, QStringLiteral("Manjka")));
    meta->AddAttribute({QStringLiteral("PRIIMEK")});
    RegisterClassMetaData(std::move(meta));
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TManjka"), nullptr));
    list->SetCondition(condition);
    try {
        list->Load();
        QFAIL("no exception");
    } catch (const EplError &e) {
        QVERIFY2(e.Message().contains(named, Qt::CaseInsensitive), qPrintable(e.Message()));
    }
    QVERIFY_THROWS_EXCEPTION(EplError, TplProvider(QStringLiteral("QDAT.X; drop table Y"), QString()));
}

void TestPelvar::listRelaysNotificationsWithTheirOrdinals()
{
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->SetCondition(QStringLiteral("SPOL = 'Z'"));
    list->Load();
    QList<TRecorded> seen;
    auto *notifier = Make<TplDomainNotifier>(nullptr, [&](TplDomainObject *sender, TplNotifyAction a, const QVariant &param, TplDomainObject *) {
        seen << TRecorded{sender, int(a), param};
    });
    list->Attach(notifier);

    TplPerObject *ana = list->Get(0);
    ana->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("031 111 222"));
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.at(0).Sender, ana);
    QCOMPARE(seen.at(0).Action, 9);
    QCOMPARE(seen.at(0).Param.toString(), QStringLiteral("TELEFON"));
    ana->CancelData();

    seen.clear();
    auto outsider = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 2, nullptr));
    list->Add(outsider.get());
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.at(0).Sender, list.get());
    QCOMPARE(seen.at(0).Action, 12);
    QCOMPARE(seen.at(0).Param.value<TplDomainObject *>(), outsider.get());

    // A new patient saved elsewhere makes the list stale.
    seen.clear();
    QVERIFY(!list->GetNeedToRefresh());
    {
        auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
        o->SetAttrValue(QStringLiteral("PRIIMEK"), QStringLiteral("Nova"));
        o->SetAttrValue(QStringLiteral("IME"), QStringLiteral("Pacientka"));
        o->SaveData();
    }
    QVERIFY(list->GetNeedToRefresh());
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.at(0).Sender, list.get());
    QCOMPARE(seen.at(0).Action, 17);
    list->Load();
    QVERIFY(!list->GetNeedToRefresh());

    // Deleting an object takes it out of the lists that show it.
    const int before = list->Count();
    list->Get(0)->DeleteData();
    QCOMPARE(list->Count(), before - 1);

    PerLayerSettings().NotificationsEnabled = false;
    seen.clear();
    list->Get(0)->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("X"));
    QVERIFY(seen.isEmpty());
    PerLayerSettings().NotificationsEnabled = true;
    list->Get(0)->CancelData();

    list->Detach(notifier);
    QCOMPARE(list->ObserverCount(), 0);
    notifier->Release(nullptr);
}

void TestPelvar::listDataSetFollowsTheCurrentObject()
{
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->OrderBy(QStringLiteral("PRIIMEK"));
    list->Load();
    toolkit::TDataSet *ds = list->GetDataSet();
    QCOMPARE(ds->RecordCount(), 8);
    QCOMPARE(ds->FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Horvat"));
    QCOMPARE(ds->FieldByName(QStringLiteral("PRIIMEK"))->DisplayLabel(), QStringLiteral("Priimek"));

    list->SetCurrIndex(3);
    QCOMPARE(ds->RecNo(), 4);
    QCOMPARE(ds->FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Krajnc"));
    ds->Next();
    QCOMPARE(list->CurrObject()->GetAttrAsText(QStringLiteral("PRIIMEK")), QStringLiteral("Mlakar"));

    ds->Edit();
    ds->FieldByName(QStringLiteral("TELEFON"))->SetAsString(QStringLiteral("02 000 00 00"));
    ds->Post();
    QCOMPARE(list->CurrObject()->GetAttrAsText(QStringLiteral("TELEFON")), QStringLiteral("02 000 00 00"));
    QVERIFY(list->CurrObject()->IsModified()); // posted into the object, not saved
    list->CurrObject()->CancelData();
    list->CurrObject()->Refresh();

    list->Filter = [](const TplPerObject *o) { return o->GetAttrAsText(QStringLiteral("SPOL")) == QLatin1String("M"); };
    QVERIFY(list->IsObjectFiltered(list->Get(0)));
    ds->Refresh();
    QCOMPARE(ds->RecordCount(), 4);
    ds->First();
    QCOMPARE(ds->FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Kovač"));
    list->Filter = nullptr;
}

void TestPelvar::objectDataSetStaysInStep()
{
    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 5, nullptr));
    toolkit::TDataSet *ds = o->GetDataSet();
    QCOMPARE(ds->RecordCount(), 1);
    QCOMPARE(ds->FieldByName(QStringLiteral("IME"))->AsString(), QStringLiteral("Maja"));
    QCOMPARE(ds->FieldByName(QStringLiteral("DATUM_ROJSTVA"))->AsString(), QStringLiteral("05.05.2012"));
    o->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Mojca"));
    QCOMPARE(ds->FieldByName(QStringLiteral("IME"))->AsString(), QStringLiteral("Mojca"));
    ds->Edit();
    ds->FieldByName(QStringLiteral("TELEFON"))->SetAsString(QStringLiteral("051 111 111"));
    ds->Post();
    QCOMPARE(o->GetAttrAsText(QStringLiteral("TELEFON")), QStringLiteral("051 111 111"));
    QVERIFY(ds->FieldByName(QStringLiteral("ID"))->ReadOnly());
    o->CancelData();
    QCOMPARE(ds->FieldByName(QStringLiteral("IME"))->AsString(), QStringLiteral("Maja"));
}

void TestPelvar::viewGivesDictionaryObjects()
{
    auto view = TplRef<TplViewPerObject>::Adopt(Make<TplViewPerObject>(nullptr, ClassMetaData(QStringLiteral("TPacient"))));
    view->SetCondition(QStringLiteral("DATUM_ROJSTVA >= to_date('01.01.1960', 'DD.MM.YYYY')"));
    view->SetOrder(QStringLiteral("PRIIMEK desc"));
    view->Open();
    QVERIFY(view->GetActive());
    QCOMPARE(view->GetDataSet()->RecordCount(), 6);
    QCOMPARE(view->GetDataSet()->FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Zupančič"));
    QCOMPARE(view->GetDataSet()->FieldByName(QStringLiteral("DATUM_ROJSTVA"))->AsString(), QStringLiteral("05.05.2012"));
    QVERIFY(view->GetSelection().isEmpty());
    QCOMPARE(view->GetProvider()->GetTableName(), QStringLiteral("QDAT.PACIENT"));

    auto held = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 5, nullptr));
    TplPerObject *o = view->GetPerObject();
    QCOMPARE(o, held.get()); // the dictionary's object, not a copy
    QCOMPARE(o->RefCount(), 2);
    view->GetDataSet()->Next();
    QCOMPARE(view->GetPerObject()->GetAttrAsText(QStringLiteral("PRIIMEK")), QStringLiteral("Potočnik"));
    QCOMPARE(view->FetchedObjects()->Count(), 2);

    QVERIFY(!view->GetNeedToRefresh());
    view->GetPerObject()->DeleteData();
    QVERIFY(view->GetNeedToRefresh());
    view->Refresh();
    QCOMPARE(view->GetDataSet()->RecordCount(), 5);
    QVERIFY(!view->GetNeedToRefresh());

    view->Close();
    QCOMPARE(held->RefCount(), 1); // the view let go of what it fetched
}

void TestPelvar::transactionsNestAndRollBack()
{
    TplSession *s = DatabaseProvider().GetCurrentSession();
    QStringList log;
    PerLayerSettings().Log = [&](const QString &line) { log << line; };
    s->StartTransaction(QStringLiteral("outer"));
    s->StartTransaction(QStringLiteral("inner"));
    QVERIFY(s->InTransaction());
    {
        auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 6, nullptr));
        o->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("000"));
        o->SaveData();
    }
    s->Commit(QStringLiteral("inner"));
    QVERIFY(s->InTransaction());
    s->Rollback(QStringLiteral("outer"));
    QVERIFY(!s->InTransaction());
    QCOMPARE(FDb->Scalar(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = 6")).toString(), QStringLiteral("041 555 010"));
    QCOMPARE(log.first(), QStringLiteral("StartTransaction (outer)"));
    QVERIFY(log.contains(QStringLiteral("Rollback (outer)")));
    QVERIFY_THROWS_EXCEPTION(EplError, s->Commit(QStringLiteral("nothing open")));
    PerLayerSettings().Log = nullptr;
}

void TestPelvar::lockRegistryRaisesEvents()
{
    TplSession *me = DatabaseProvider().GetCurrentSession();
    TplSession *other = DatabaseProvider().CreateSession();
    QStringList events;
    auto record = [&](const QString &who) {
        return [&events, who](const TplSemaphoreItem &item, int type) {
            events << QStringLiteral("%1:%2:%3:%4").arg(who).arg(type).arg(item.ClassName).arg(item.LockCount);
        };
    };
    me->OnLockEvent = record(QStringLiteral("me"));
    other->OnLockEvent = record(QStringLiteral("other"));
    QVERIFY(me->Lock(QStringLiteral("TPacient"), QStringLiteral("1"))); // notify off: silent
    QVERIFY(events.isEmpty());
    me->SetLockNotify(true);
    other->SetLockNotify(true);
    QVERIFY(me->Lock(QStringLiteral("TPacient"), QStringLiteral("1")));
    QVERIFY(!other->Lock(QStringLiteral("TPacient"), QStringLiteral("1")));
    me->Unlock(QStringLiteral("TPacient"), QStringLiteral("1"));
    me->Unlock(QStringLiteral("TPacient"), QStringLiteral("1"));
    QVERIFY(other->Lock(QStringLiteral("TPacient"), QStringLiteral("1")));
    other->Unlock(QStringLiteral("TPacient"), QStringLiteral("1"));
    me->SendNotice(QStringLiteral("TPacient"), QStringLiteral("1"));
    const QStringList expected{"me:0:TPacient:2",    "other:1:TPacient:2", "me:2:TPacient:2",    "me:2:TPacient:1",
                               "me:4:TPacient:1",    "other:3:TPacient:1", "other:0:TPacient:1", "other:2:TPacient:1",
                               "other:4:TPacient:1", "me:5:TPacient:0",    "other:6:TPacient:0"};
    QCOMPARE(events, expected);
    QVERIFY(me->Locks().isEmpty());
    me->SetLockNotify(false);
    other->SetLockNotify(false);
    me->OnLockEvent = nullptr;
    other->OnLockEvent = nullptr;
}

void TestPelvar::rightsByNameUserAndClass()
{
    TAuthManager &auth = AuthManager();
    QVERIFY(!auth.ExistsObjectAction(nullptr, QStringLiteral("alMain.actSave")));
    QVERIFY(!auth.HasObjectActionRight(nullptr, QStringLiteral("alMain.actSave"))); // unknown: refused
    auth.Grant(QStringLiteral("alMain.actSave"));
    QVERIFY(auth.ExistsObjectAction(nullptr, QStringLiteral("alMain.actSave")));
    QVERIFY(auth.HasObjectActionRight(nullptr, QStringLiteral("ALMAIN.ACTSAVE")));
    auth.Grant(QStringLiteral("alMain.actSave"), false, QStringLiteral("ANA"));
    QVERIFY(!auth.HasObjectActionRight(nullptr, QStringLiteral("alMain.actSave"))); // her own row wins
    PerLayerSettings().CurrentUser = QStringLiteral("MARKO");
    QVERIFY(auth.HasObjectActionRight(nullptr, QStringLiteral("alMain.actSave")));

    auth.Grant(QStringLiteral("TfmPatient.pcMain3"), false);
    auth.Grant(QStringLiteral("TfmPatient.pcMain3"), true, QStringLiteral("*"), QStringLiteral("TPacient"));
    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    QVERIFY(auth.HasObjectActionRight(o.get(), QStringLiteral("TfmPatient.pcMain3")));
    QVERIFY(!auth.HasObjectActionRight(nullptr, QStringLiteral("TfmPatient.pcMain3")));
    auth.Revoke(QStringLiteral("TfmPatient.pcMain3"), QStringLiteral("*"), QStringLiteral("TPacient"));
    QVERIFY(!auth.HasObjectActionRight(o.get(), QStringLiteral("TfmPatient.pcMain3")));
    auth.Grant(QStringLiteral("a'; drop table QDAT.PL_RIGHT; --"));
    QVERIFY(auth.HasObjectActionRight(nullptr, QStringLiteral("a'; drop table QDAT.PL_RIGHT; --")));
}

void TestPelvar::oracleFunctionsRun()
{
    QCOMPARE(FDb->Scalar(QStringLiteral("select count(*) from QDAT.PACIENT where DATUM_ROJSTVA >= to_date('01.01.1990', 'DD.MM.YYYY')")).toInt(), 3);
    QCOMPARE(FDb->Scalar(QStringLiteral("select count(*) from QDAT.PACIENT where DATUM_ROJSTVA < to_date('24.12.1990 00:00:01', 'DD.MM.YYYY HH24:MI:SS')")).toInt(), 6);
    QCOMPARE(FDb->Scalar(QStringLiteral("select nvl(TELEFON, 'brez') from QDAT.PACIENT where ID = 1")).toString(), QStringLiteral("041 123 456"));
    // Package functions of the host, written as Oracle package calls.
    if (Dialect() == TplDialect::dlPostgreSQL)
        FDb->Exec(QStringLiteral("create or replace function qdat.pckselect_plusone(bigint) returns bigint language sql as $$ select $1 + 1 $$"));
    else
        RegisterSqliteFunction(QStringLiteral("PCKSELECT_PLUSONE"), 1, [](const QVariantList &a) { return a.value(0).toLongLong() + 1; });
    QCOMPARE(FDb->Scalar(QStringLiteral("select QDAT.PCKSELECT.PLUSONE(ID) from QDAT.PACIENT where ID = 4")).toInt(), 5);
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->SetCondition(QStringLiteral("QDAT.pckSelect.PlusOne(ID) = 3"));
    list->Load();
    QCOMPARE(list->Count(), 1);
    QCOMPARE(list->Get(0)->GetID(), qint64(2));
}

void TestPelvar::garbageCollectionAndFigures()
{
    TplPerObject *o = TplPerObject::Load(QStringLiteral("TPacient"), 7, nullptr);
    QVERIFY(GlobalDictionary().MemoryUsed() > 0);
    QVERIFY(GlobalDictionary().GetMaxFindTime() >= GlobalDictionary().GetAverageFindTime());
    o->LockRefsRead();
    o->Release(nullptr);
    QVERIFY(GlobalDictionary().Contains(o)); // a read of its references is in progress
    QCOMPARE(GlobalDictionary().CollectGarbage(), 0);
    o->UnlockRefsRead();
    QCOMPARE(GlobalDictionary().CollectGarbage(), 1);
    QCOMPARE(GlobalDictionary().Count(), 0);
    QCOMPARE(TplPerObject::RegistredInstancesCount(), 0);
}

void TestPelvar::nestedObjectsAreHeld()
{
    auto parent = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    {
        auto child = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TObravnava"), nullptr));
        parent->AddNestedObject(child.get());
        QCOMPARE(child->RefCount(), 2);
        QCOMPARE(parent->GetNestedObjectList().size(), 1);
    }
    QCOMPARE(parent->InstancesCountWithinGraphInfo(), 2);
    QCOMPARE(GlobalDictionary().Count(), 2);
    TplPerObject *child = static_cast<TplPerObject *>(parent->GetNestedObjectList().first());
    QCOMPARE(PerLayerStatistics().GetBoRetainersString(child), QStringLiteral("TPacient(1)"));
}

void TestPelvar::anotherWorkstationsSaveIsNeverSilentlyOverwritten_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("kind");
    QTest::newRow("nobody else saved") << QString() << -1;
    // Another program that leaves the stamp alone: this save writes only the
    // name, so the telephone stays as the other program left it.
    QTest::newRow("telephone changed, stamp kept") << QStringLiteral("update QDAT.PACIENT set TELEFON = '041 999 999' where ID = 1") << -1;
    QTest::newRow("telephone saved elsewhere")
        << QStringLiteral("update QDAT.PACIENT set TELEFON = '041 999 999', DATUM_IPL = '2026-12-01 08:00:00' where ID = 1")
        << int(TplErrorKind::ekChanged);
    QTest::newRow("same name saved elsewhere") << QStringLiteral("update QDAT.PACIENT set IME = 'Marjeta' where ID = 1")
                                               << int(TplErrorKind::ekChanged);
    QTest::newRow("stamp moved on elsewhere") << QStringLiteral("update QDAT.PACIENT set DATUM_IPL = '2026-12-01 08:00:00' where ID = 1")
                                              << int(TplErrorKind::ekChanged);
    QTest::newRow("deleted elsewhere") << QStringLiteral("delete from QDAT.PACIENT where ID = 1") << int(TplErrorKind::ekGone);
}

void TestPelvar::anotherWorkstationsSaveIsNeverSilentlyOverwritten()
{
    QFETCH(QString, other);
    QFETCH(int, kind);
    RegisterClinicClasses();
    auto a = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    const QString phoneBefore = a->GetAttrAsText(QStringLiteral("TELEFON"));
    if (!other.isEmpty()) {
        {
            QSqlQuery q(FDb->OpenSecondConnection());
            QString sql = other;
            if (TTestDatabase::UsePostgres())
                sql.replace(QLatin1String("'2026-12-01 08:00:00'"), QLatin1String("timestamp '2026-12-01 08:00:00'"));
            QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
        }
        TTestDatabase::CloseSecondConnection();
    }
    const QString phoneElsewhere = other.contains(QLatin1String("TELEFON")) ? QStringLiteral("041 999 999") : phoneBefore;
    a->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Marija"));
    if (kind < 0) {
        a->SaveData();
        // The stamp was taken again: the next save of this workstation is no conflict.
        a->SetAttrAsText(QStringLiteral("KZZ"), QStringLiteral("123456789"));
        a->SaveData();
        QCOMPARE(FDb->Scalar(QStringLiteral("select KZZ from QDAT.PACIENT where ID = 1")).toString(), QStringLiteral("123456789"));
        QCOMPARE(FDb->Scalar(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = 1")).toString(), phoneElsewhere);
        return;
    }
    try {
        a->SaveData();
        QFAIL("the other workstation's save went unnoticed");
    } catch (const EplError &e) {
        QCOMPARE(int(e.Kind()), kind);
        QVERIFY(!e.UserMessage().contains(QLatin1String("TPacient")));
    }
    QCOMPARE(a->GetAttrAsText(QStringLiteral("IME")), QStringLiteral("Marija")); // nothing typed lost
    QVERIFY(a->IsModified());
    if (kind == int(TplErrorKind::ekGone))
        return;
    // Saving over it writes only what this workstation changed.
    a->SaveData(true);
    QCOMPARE(FDb->Scalar(QStringLiteral("select IME from QDAT.PACIENT where ID = 1")).toString(), QStringLiteral("Marija"));
    QCOMPARE(FDb->Scalar(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = 1")).toString(), phoneElsewhere);
}

void TestPelvar::databaseErrorsSayWhatHappenedInSlovenian()
{
    RegisterClinicClasses();
    auto a = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 2, nullptr));
    ExecSql(TTestDatabase::UsePostgres() ? QStringLiteral("SET default_transaction_read_only = on") : QStringLiteral("PRAGMA query_only = 1"));
    a->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("01 234 56 78"));
    try {
        a->SaveData();
        QFAIL("a read-only database took the save");
    } catch (const EplError &e) {
        QCOMPARE(int(e.Kind()), int(TplErrorKind::ekReadOnly));
        QVERIFY2(e.UserMessage().contains(QStringLiteral("samo za branje")), qPrintable(e.UserMessage()));
        QVERIFY2(e.Message().contains(QLatin1String("read"), Qt::CaseInsensitive), qPrintable(e.Message())); // details for the log
    }
    QCOMPARE(a->GetAttrAsText(QStringLiteral("TELEFON")), QStringLiteral("01 234 56 78"));
    ExecSql(TTestDatabase::UsePostgres() ? QStringLiteral("SET default_transaction_read_only = off") : QStringLiteral("PRAGMA query_only = 0"));
    a->SaveData();
    try {
        TplPerObject::Load(QStringLiteral("TPacient"), 999, nullptr);
        QFAIL("a missing row loaded");
    } catch (const EplError &e) {
        QCOMPARE(int(e.Kind()), int(TplErrorKind::ekGone));
    }
}

void TestPelvar::lostPostgresConnectionComesBackWithItsSetUp_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("backend terminated") << "terminate";
    QTest::newRow("backend terminated in a transaction") << "terminate in transaction";
    QTest::newRow("server restarted") << "restart";
}

void TestPelvar::lostPostgresConnectionComesBackWithItsSetUp()
{
    if (!TTestDatabase::UsePostgres())
        QSKIP("PostgreSQL only: the embedded database has no server to lose");
    QFETCH(QString, how);
    RegisterClinicClasses();
    const auto backend = [] {
        QSqlQuery q = ExecSql(QStringLiteral("select pg_backend_pid()"));
        return q.next() ? q.value(0).toInt() : 0;
    };
    const int before = backend();
    if (how.startsWith(QLatin1String("terminate"))) {
        if (how.endsWith(QLatin1String("transaction")))
            DatabaseProvider().StartTransaction(QStringLiteral("test"));
        {
            QSqlQuery q(FDb->OpenSecondConnection());
            QVERIFY(q.exec(QStringLiteral("select pg_terminate_backend(%1)").arg(before)));
        }
        TTestDatabase::CloseSecondConnection();
    } else {
        const QString dir = qEnvironmentVariable("TOVLET_PG_DIR");
        if (dir.isEmpty())
            QSKIP("TOVLET_PG_DIR is not set (the test server's folder)");
        QCOMPARE(QProcess::execute(QStringLiteral(TOVLET_SOURCE_DIR "/scripts/pg-test-server.sh"),
                                   {QStringLiteral("restart"), dir, qEnvironmentVariable("TOVLET_PG_PORT")}),
                 0);
    }
    if (how.endsWith(QLatin1String("transaction"))) {
        try {
            ExecSql(QStringLiteral("update QDAT.PACIENT set TELEFON = 'x' where ID = 1"));
            QFAIL("the lost transaction went unnoticed");
        } catch (const EplError &e) {
            QCOMPARE(int(e.Kind()), int(TplErrorKind::ekConnectionLost));
            QVERIFY2(e.UserMessage().contains(QStringLiteral("niso bile shranjene")), qPrintable(e.UserMessage()));
        }
        QVERIFY(!DatabaseProvider().GetCurrentSession()->InTransaction());
    }
    // The same session set-up as at the start: the Oracle functions are ours,
    // to_date keeps the time of day, and saving works.
    QSqlQuery q = ExecSql(QStringLiteral("select nvl(null::integer, 5), to_char(to_date('06.12.2026 10:30', 'DD.MM.YYYY HH24:MI'), 'HH24:MI')"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 5);
    QCOMPARE(q.value(1).toString(), QStringLiteral("10:30"));
    QVERIFY(backend() != before);
    auto a = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    a->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("040 111 222"));
    a->SaveData();
    QCOMPARE(FDb->Scalar(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = 1")).toString(), QStringLiteral("040 111 222"));
}


void TestPelvar::registeringAgainKeepsLiveObjectsWorking()
{
    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 2, nullptr));
    auto list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    list->Load();
    auto view = TplRef<TplViewPerObject>::Adopt(Make<TplViewPerObject>(nullptr, ClassMetaData(QStringLiteral("TPacient"))));
    view->Open();
    TPlClassMetaData *old = o->ClassMetaData();

    // The host registers its classes anew (a second start-up, a plug-in):
    // what lives keeps the metadata it was made with.
    RegisterClinicClasses();
    QVERIFY(ClassMetaData(QStringLiteral("TPacient")) != old);
    QVERIFY(!old->IsRegistered());
    QCOMPARE(o->GetAttrAsText(QStringLiteral("PRIIMEK")), list->Get(1)->GetAttrAsText(QStringLiteral("PRIIMEK")));
    list->OrderBy(QStringLiteral("PRIIMEK"));
    QVERIFY(view->GetPerObject());
    o->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("01 555 12 12"));
    o->SaveData();
    UnregisterAllClasses();
    QCOMPARE(list->ClassMetaData(), old);
    view.reset();
    list.reset();
    o.reset();
    GlobalDictionary().CollectGarbage(); // the last user frees the old metadata (ASan sees a double free or a leak)
    RegisterClinicClasses();
    auto again = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 2, nullptr));
    QCOMPARE(again->GetAttrAsText(QStringLiteral("TELEFON")), QStringLiteral("01 555 12 12"));
}

void TestPelvar::hostFactoryMakesEveryObjectOfTheClass_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("Create") << "create";
    QTest::newRow("Load") << "load";
    QTest::newRow("list") << "list";
    QTest::newRow("view") << "view";
}

void TestPelvar::hostFactoryMakesEveryObjectOfTheClass()
{
    QFETCH(QString, path);
    TPlClassMetaData *meta = ClassMetaData(QStringLiteral("TPacient"));
    meta->SetObjectFactory([](TPlClassMetaData *m) { return new TPacientEx(m); });
    auto forget = qScopeGuard([meta] { meta->SetObjectFactory({}); });

    TplRef<TplPerObject> o;
    TplRef<TPlBoList> list;
    TplRef<TplViewPerObject> view;
    if (path == QLatin1String("create")) {
        o = TplRef<TplPerObject>::Adopt(TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
        o->SetAttrValue(QStringLiteral("SPOL"), QStringLiteral("Z"));
    } else if (path == QLatin1String("load")) {
        o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    } else if (path == QLatin1String("list")) {
        list = TplRef<TPlBoList>::Adopt(TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
        list->Load();
        o = TplRef<TplPerObject>(list->Get(0));
    } else {
        view = TplRef<TplViewPerObject>::Adopt(Make<TplViewPerObject>(nullptr, meta));
        view->Open();
        o = TplRef<TplPerObject>(view->GetPerObject());
    }
    QVERIFY(o);
    QVERIFY(dynamic_cast<TPacientEx *>(o.get()));
    QCOMPARE(o->ImageIndex(), o->GetAttrAsText(QStringLiteral("SPOL")) == QLatin1String("Z") ? 7 : 6);
    o.reset();
    list.reset();
    view.reset();
    GlobalDictionary().CollectGarbage();

    // A factory that makes an object of another class is a programming error.
    meta->SetObjectFactory([](TPlClassMetaData *) { return new TplPerObject(ClassMetaData(QStringLiteral("TObravnava"))); });
    QVERIFY_THROWS_EXCEPTION(EplError, TplPerObject::Create(QStringLiteral("TPacient"), nullptr));
}

void TestPelvar::membersEvaluateByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("value");
    using R = TplPerObject::TEvaluateResult;
    QTest::newRow("attribute") << "PRIIMEK" << int(R::erFound) << "Hribar";
    QTest::newRow("attribute, other case") << " priimek " << int(R::erFound) << "Hribar";
    QTest::newRow("audit field") << "USER_IPL" << int(R::erFound) << "ANA";
    QTest::newRow("ID") << "ID" << int(R::erFound) << "1";
    QTest::newRow("built-in property") << "RefCount" << int(R::erFound) << "1";
    QTest::newRow("built-in method") << "ClassName" << int(R::erFound) << "TPacient";
    QTest::newRow("host member") << "Naslovitev" << int(R::erFound) << "ga. Hribar";
    QTest::newRow("host member hides built-in") << "Description" << int(R::erFound) << "pacientka";
    QTest::newRow("host method that fails") << "Pokvarjena" << int(R::erCallFailed) << "";
    QTest::newRow("unknown") << "NiTakega" << int(R::erNotFound) << "";
}

void TestPelvar::membersEvaluateByName()
{
    QFETCH(QString, name);
    QFETCH(int, result);
    QFETCH(QString, value);
    RegisterClinicClasses(); // members are per registration: a fresh one for every row
    TPlClassMetaData *meta = ClassMetaData(QStringLiteral("TPacient"));
    meta->AddMember(QStringLiteral("Naslovitev"), TplMemberKind::mkMethod,
                    [](TplPerObject &o) { return QVariant(QStringLiteral("ga. ") + o.GetAttrAsText(QStringLiteral("PRIIMEK"))); });
    meta->AddMember(QStringLiteral("Description"), TplMemberKind::mkMethod, [](TplPerObject &) { return QVariant(QStringLiteral("pacientka")); });
    meta->AddMember(QStringLiteral("Pokvarjena"), TplMemberKind::mkMethod, [](TplPerObject &) -> QVariant { throw EplError(QStringLiteral("broken")); });
    QVERIFY(meta->MemberNames().mid(0, 2) == (QStringList{QStringLiteral("PRIIMEK"), QStringLiteral("IME")}));
    QVERIFY(meta->MemberNames().contains(QStringLiteral("Naslovitev")));

    auto o = TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), 1, nullptr));
    o->SetAttrValue(QStringLiteral("PRIIMEK"), QStringLiteral("Hribar"));
    o->SaveData(); // stamps the audit fields
    QVariant got;
    QString error;
    QCOMPARE(int(o->EvaluateMember(name, got, &error)), result);
    if (result == int(TplPerObject::TEvaluateResult::erFound))
        QCOMPARE(got.toString(), value);
    if (result == int(TplPerObject::TEvaluateResult::erCallFailed))
        QCOMPARE(error, QStringLiteral("broken"));
}

QTEST_GUILESS_MAIN(TestPelvar)
#include "tst_pelvar.moc"
