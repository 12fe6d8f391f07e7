#include "TestDatabase.h"

#include "marvok/Cvalinfo.h"
#include "marvok/Ilog.h"
#include "marvok/Iquery.h"
#include "marvok/Isifrant.h"
#include "pelvar/plCore.h"
#include "pelvar/plList.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "toolkit/Exception.h"
#include "toolkit/MemDataSet.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace marvok;
using namespace Qt::StringLiterals;

class TestMarvokFieldInfo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void typeCodesMeanWhatTheSystemSays_data();
    void typeCodesMeanWhatTheSystemSays();
    void valuesAreCheckedAndStoredByTheirType_data();
    void valuesAreCheckedAndStoredByTheirType();
    void objectAttributesAreCheckedAndTheirErrorsNoticed();
    void fieldInfoOfBusinessObjectFields_data();
    void fieldInfoOfBusinessObjectFields();
    void fieldInfoOfPlainFieldsFollowsTheirDataType_data();
    void fieldInfoOfPlainFieldsFollowsTheirDataType();
    void errorChangeReachesObserversInOrder();
    void valueOfANamedColumn_data();
    void valueOfANamedColumn();
    void statementsOfTheFrameworkRunOnTheSchema_data();
    void statementsOfTheFrameworkRunOnTheSchema();
    void picturesAreReadBack();

private:
    std::unique_ptr<tovlet::test::TTestDatabase> FDb;
};

void TestMarvokFieldInfo::init()
{
    FDb = std::make_unique<tovlet::test::TTestDatabase>(true);
    Sifranti().Reload();
    SkupSifranti().Reload();
    pelvar::UnregisterAllClasses();
    using pelvar::TplAttrType;
    auto pacient = std::make_unique<pelvar::TPlClassMetaData>(
        u"TPacient"_s, std::make_unique<pelvar::TplProvider>(u"QDAT.PACIENT"_s, u"Pacient"_s));
    pacient->AddAttribute({u"PRIIMEK"_s, u"Priimek"_s, TplAttrType::atString, 40})
        .AddAttribute({u"IME"_s, u"Ime"_s, TplAttrType::atString, 40, u"SC:KR031ORG"_s})
        .AddAttribute({u"DATUM_ROJSTVA"_s, u"Datum rojstva"_s, TplAttrType::atDate, 0})
        .AddAttribute({u"SPOL"_s, u"Spol"_s, TplAttrType::atString, 1, u"MS:SPOL"_s, false, false, u"SPOL"_s})
        .AddAttribute({u"KZZ"_s, u"Številka KZZ"_s, TplAttrType::atString, 9, u"D"_s, true})
        .AddAttribute({u"TELEFON"_s, u"Telefon"_s, TplAttrType::atString, 20, u"MMS:GC2"_s, false, false, u"GC2"_s});
    pelvar::RegisterClassMetaData(std::move(pacient));
}

void TestMarvokFieldInfo::cleanup()
{
    pelvar::UnregisterAllClasses();
    FDb.reset();
}

void TestMarvokFieldInfo::typeCodesMeanWhatTheSystemSays_data()
{
    QTest::addColumn<QString>("valid");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("list");
    // c = single code of a code list, t = kept as typed, g = group value,
    // m = multi-selection (","), G = checked against the group lists
    QTest::addColumn<QString>("kinds");
    QTest::newRow("S: code of a code list") << "S:KR031ORG" << "S" << "KR031ORG" << "c";
    QTest::newRow("SC: code kept as typed") << "sc : KR031ORG" << "SC" << "KR031ORG" << "ct";
    QTest::newRow("MS: value of a group") << "MS:Z05" << "MS" << "Z05" << "gG";
    QTest::newRow("MMS: several codes") << "MMS:GC2" << "MMS" << "GC2" << "mG";
    QTest::newRow("date") << "D" << "D" << "" << "";
    QTest::newRow("date-time") << "DT" << "DT" << "" << "";
    QTest::newRow("float") << "F" << "F" << "" << "";
    QTest::newRow("free text") << "" << "" << "" << "";
}

void TestMarvokFieldInfo::typeCodesMeanWhatTheSystemSays()
{
    QFETCH(QString, valid);
    QFETCH(QString, type);
    QFETCH(QString, list);
    QFETCH(QString, kinds);
    const TIValInfoRec r = ValidString2ValidInfo(valid);
    QCOMPARE(r.FieldType, type);
    QCOMPARE(r.SifrantName, list);
    QString k;
    for (const auto &[kind, is] : std::initializer_list<std::pair<char, bool>>{
             {'c', r.IsCodeList()}, {'t', r.KeepsTypedCode()}, {'g', r.IsGroupCodeList()},
             {'m', r.IsMultiSelection() && r.IsDelimited()}, {'G', r.UsesGroupCodeList()}})
        if (is)
            k += QLatin1Char(kind);
    QCOMPARE(k, kinds);
}

void TestMarvokFieldInfo::valuesAreCheckedAndStoredByTheirType_data()
{
    QTest::addColumn<QString>("valid");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("stored");
    QTest::newRow("S stores the canonical code") << "S:KR031ORG" << " 110 " << true << "00110";
    QTest::newRow("SC stores the code as typed") << "SC:KR031ORG" << " 110 " << true << " 110 ";
    QTest::newRow("S of a group name is no code list") << "S:Z05" << "01" << false << "01";
    QTest::newRow("MS asks the group") << "MS:Z05" << "02 " << true << "02";
    QTest::newRow("MS of a code list name is no group") << "MS:KR031ORG" << "00110" << false << "00110";
    QTest::newRow("MS unknown value") << "MS:SPOL" << "X" << false << "X";
    QTest::newRow("MMS splits on commas") << "MMS:GC2" << "01, 04,,06" << true << "01,04,06";
    QTest::newRow("MMS upper-cases") << "MMS:PF2" << "opomba,popravek" << true << "OPOMBA,POPRAVEK";
    QTest::newRow("MMS with one unknown code") << "MMS:GC2" << "01,99" << false << "01,99";
    QTest::newRow("MMS of a code list name") << "MMS:KR031ORG" << "00110" << false << "00110";
    QTest::newRow("S of an unregistered table") << "S:KA120PA0" << "DZZ" << true << "DZZ";
    QTest::newRow("S missing from an unregistered table") << "S:KA120PA0" << "XYZ" << false << "XYZ";
    QTest::newRow("blank code passes") << "S:KR031ORG" << "  " << true << "";
    QTest::newRow("date has no code list") << "D" << "1.1.2020" << true << "1.1.2020";
}

void TestMarvokFieldInfo::valuesAreCheckedAndStoredByTheirType()
{
    QFETCH(QString, valid);
    QFETCH(QString, typed);
    QFETCH(bool, exists);
    QFETCH(QString, stored);
    const TIValInfoRec r = ValidString2ValidInfo(valid);
    QCOMPARE(r.ValueExists(typed), exists);
    QCOMPARE(r.StoredValue(typed), stored);
}

void TestMarvokFieldInfo::objectAttributesAreCheckedAndTheirErrorsNoticed()
{
    auto o = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Create(u"TPacient"_s, nullptr));
    toolkit::TDataSet *ds = o->GetDataSet();
    ds->Open();
    o->SetAttrAsText(u"TELEFON"_s, u"01,04"_s);
    QCOMPARE(o->GetAttrErrorLevel(u"TELEFON"_s), int(pelvar::aeNone));
    o->SetAttrAsText(u"TELEFON"_s, u"01, 99"_s); // each code of a multi-selection is checked
    QCOMPARE(o->GetAttrErrorLevel(u"TELEFON"_s), int(pelvar::aeError));
    QCOMPARE(o->GetAttrErrorMessage(u"TELEFON"_s), u"Šifra »99« ne obstaja v šifrantu GC2."_s);
    o->SetAttrAsText(u"SPOL"_s, u"Z"_s); // a group value is checked against its group
    QCOMPARE(o->GetAttrErrorLevel(u"SPOL"_s), int(pelvar::aeNone));
    o->SetAttrAsText(u"SPOL"_s, u"X"_s);
    QCOMPARE(o->GetAttrErrorLevel(u"SPOL"_s), int(pelvar::aeError));

    // The field's error state comes from the object.
    QList<TIErrorChange> heard;
    QObject grid;
    AddErrorChangeObserver(&grid, [&](const TIErrorChange &c) { heard << c; });
    QVERIFY(NotifyFieldErrorChange(ds->FieldByName(u"SPOL"_s), &grid));
    QCOMPARE(heard.size(), 1);
    QCOMPARE(int(heard.at(0).Level), int(TIErrorLevel::elError));
    QCOMPARE(heard.at(0).Message, u"Šifra »X« ne obstaja v šifrantu SPOL."_s);
    QCOMPARE(heard.at(0).Caption, u"Spol"_s);
    QCOMPARE(heard.at(0).Sender, &grid);
    toolkit::TMemDataSet mem;
    mem.AddFieldDef(u"SPOL"_s, toolkit::TFieldType::ftString, 1);
    mem.Open();
    QVERIFY(!NotifyFieldErrorChange(mem.Fields(0), &grid));
    QCOMPARE(heard.size(), 1);
}

void TestMarvokFieldInfo::fieldInfoOfBusinessObjectFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("group value from the validation text") << "SPOL" << "MS" << "SPOL" << "Spol" << false;
    QTest::newRow("as-typed code") << "IME" << "SC" << "KR031ORG" << "Ime" << false;
    QTest::newRow("multi-selection") << "TELEFON" << "MMS" << "GC2" << "Telefon" << false;
    QTest::newRow("validation text wins over the data type") << "KZZ" << "D" << "" << "Številka KZZ" << true;
    QTest::newRow("no validation type: the data type") << "DATUM_ROJSTVA" << "D" << "" << "Datum rojstva" << false;
    QTest::newRow("plain text") << "PRIIMEK" << "" << "" << "Priimek" << false;
}

void TestMarvokFieldInfo::fieldInfoOfBusinessObjectFields()
{
    QFETCH(QString, field);
    QFETCH(QString, type);
    QFETCH(QString, list);
    QFETCH(QString, title);
    QFETCH(bool, readOnly);
    auto boList = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(u"TPacient"_s, nullptr));
    boList->Load();
    auto object = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Create(u"TPacient"_s, nullptr));
    for (toolkit::TDataSet *ds : {boList->GetDataSet(), object->GetDataSet()}) {
        ds->Open();
        TIFieldInfo fi;
        fi.SetField(ds->FieldByName(field));
        QCOMPARE(fi.FieldType(), type);
        QCOMPARE(fi.Sifrant(), list);
        QCOMPARE(fi.Title(), title);
        QCOMPARE(fi.ReadOnly, readOnly);
    }
    // A persistence view's data set names its class through the caller.
    toolkit::TMemDataSet mem;
    mem.AddFieldDef(field, toolkit::TFieldType::ftString, 40);
    mem.Open();
    TIFieldInfo fi;
    fi.SetField(mem.Fields(0), pelvar::ClassMetaData(u"TPacient"_s));
    QCOMPARE(fi.FieldType(), type);
    QCOMPARE(fi.Sifrant(), list);
    fi.SetField(nullptr);
    QCOMPARE(fi.FieldType(), QString()); // nothing left of the field before
}

void TestMarvokFieldInfo::fieldInfoOfPlainFieldsFollowsTheirDataType_data()
{
    QTest::addColumn<toolkit::TFieldType>("dataType");
    QTest::addColumn<QString>("type");
    using toolkit::TFieldType;
    QTest::newRow("date") << TFieldType::ftDate << "D";
    QTest::newRow("date-time") << TFieldType::ftDateTime << "DT";
    QTest::newRow("float") << TFieldType::ftFloat << "F";
    QTest::newRow("currency") << TFieldType::ftCurrency << "F";
    QTest::newRow("integer") << TFieldType::ftInteger << "I";
    QTest::newRow("text") << TFieldType::ftString << "";
}

void TestMarvokFieldInfo::fieldInfoOfPlainFieldsFollowsTheirDataType()
{
    QFETCH(toolkit::TFieldType, dataType);
    QFETCH(QString, type);
    // A field named like a typed attribute of a registered class is still a plain field.
    toolkit::TMemDataSet mem;
    mem.AddFieldDef(u"SPOL"_s, dataType, 10);
    mem.Open();
    mem.Fields(0)->SetDisplayLabel(u"Vrednost"_s);
    mem.Fields(0)->SetReadOnly(true);
    TIFieldInfo fi;
    fi.SetField(mem.Fields(0));
    QCOMPARE(fi.FieldType(), type);
    QCOMPARE(fi.Sifrant(), QString());
    QCOMPARE(fi.Title(), u"Vrednost"_s);
    QVERIFY(fi.ReadOnly);
}

void TestMarvokFieldInfo::errorChangeReachesObserversInOrder()
{
    QStringList heard;
    QStringList log;
    SetLogSink([&](const QString &line) { log << line; });
    auto display = std::make_unique<QObject>();
    QObject grid;
    int selfRemoving = 0;
    selfRemoving = AddErrorChangeObserver(nullptr, [&](const TIErrorChange &c) {
        heard << u"once:"_s + c.Caption;
        RemoveErrorChangeObserver(selfRemoving);
    });
    AddErrorChangeObserver(display.get(), [&](const TIErrorChange &c) {
        heard << u"display:%1:%2:%3"_s.arg(int(c.Level)).arg(c.Message).arg(c.Sender == &grid);
    });
    const int failing = AddErrorChangeObserver(nullptr, [](const TIErrorChange &) { throw toolkit::Exception(u"boom"_s); });
    const int last = AddErrorChangeObserver(&grid, [&](const TIErrorChange &c) { heard << u"last:"_s + c.Caption; });

    NotifyErrorChange(TIErrorLevel::elError, u"Šifra ne obstaja"_s, u"Spol"_s, &grid);
    QCOMPARE(heard, (QStringList{"once:Spol", "display:2:Šifra ne obstaja:1", "last:Spol"}));
    QVERIFY(log.join(QString()).contains(u"boom"_s));

    heard.clear();
    display.reset(); // a destroyed display hears nothing more
    RemoveErrorChangeObserver(failing);
    NotifyErrorChange(TIErrorLevel::elNone, QString(), u"Spol"_s, &grid);
    QCOMPARE(heard, (QStringList{"last:Spol"}));
    RemoveErrorChangeObserver(last);
    SetLogSink(nullptr);
}

void TestMarvokFieldInfo::valueOfANamedColumn_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value"); // empty: the column is missing, a programming error
    QTest::newRow("column of a select *") << "SIFZZ120='DZZ'" << "SIFR1120" << "DOPOLNILNO";
    QTest::newRow("name in lower case") << "SIFZZ120='DZZ'" << "sifr1120" << "DOPOLNILNO";
    QTest::newRow("not the first column") << "SIFZZ120='DZZ'" << "OPIS120" << "Dopolnilno zdravstveno zavarovanje";
    QTest::newRow("no row gives the default") << "SIFZZ120='NIC'" << "SIFR1120" << "?";
    QTest::newRow("missing column") << "SIFZZ120='DZZ'" << "SIFR1121" << "";
    QTest::newRow("missing column, no row") << "1 = 0" << "SIFR1121" << "";
}

void TestMarvokFieldInfo::valueOfANamedColumn()
{
    QFETCH(QString, where);
    QFETCH(QString, column);
    QFETCH(QString, value);
    const QString sql = u"select * from QDAT.KA120PA0 where "_s + where;
    if (value.isEmpty()) {
        try {
            GetValueFromQuery(sql, TIQueryColumn(column));
            QFAIL("a missing column gave a value");
        } catch (const toolkit::EDatabaseError &e) {
            QVERIFY2(e.Message().contains(u"no column "_s + column), qPrintable(e.Message()));
        }
    } else {
        QCOMPARE(GetValueFromQuery(sql, TIQueryColumn(column), u"?"_s).toString(), value);
    }
    // A text given as the default value is still a default, not a column.
    QCOMPARE(GetValueFromQuery(u"select SIFR1120 from QDAT.KA120PA0 where 1 = 0"_s, u"SIFR1120"_s).toString(), u"SIFR1120"_s);
}

void TestMarvokFieldInfo::statementsOfTheFrameworkRunOnTheSchema_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("rows");
    QTest::newRow("internal units") << "select SIFRA031 from QDAT.KR031ORG where INTER031 = 'N'" << 4;
    QTest::newRow("contact state")
        << "select QDAT.PR210REQ.SIFRA210 from QDAT.PR210REQ where (SELECT QDAT.PR231CON.SIFRA231 FROM QDAT.PR231CON WHERE "
           "QDAT.PR231CON.SIFRA231=QDAT.PR210REQ.SIFRR231 AND QDAT.PR231CON.STAT_231='1' AND QDAT.PR231CON.STATE231= 'O') IS NOT NULL"
        << 2;
    QTest::newRow("operator of a contact")
        << "select SIFRA231 from QDAT.PR231CON where exists (select akt.sifra260 from QDAT.pr260ak0 akt where akt.Type_260 = 'K' and "
           "akt.sifra231 = QDAT.PR231CON.sifra231 and akt.STAT_260 = '1' and akt.sifra051 ='12345')"
        << 1;
    QTest::newRow("registered patients")
        << "select SIFRA101 from QDAT.PR135SDR WHERE ((SIFRA051 = '12345')) AND (STAT_135 = '1') AND (DATOD135 <= "
           "to_date('01.03.2026', 'DD.MM.YYYY')) AND (DATDO135 IS NULL OR DATDO135 > to_date('01.03.2026', 'DD.MM.YYYY'))"
        << 1;
    QTest::newRow("units of a tract") << "select per.sifra031 from QDAT.po261per per where per.SIFRA261 = 'TRAKT-A' and per.stat_261='1'" << 2;
    QTest::newRow("activities by quick-filter fields")
        << "select SIFRA260 from QDAT.PR260AK0 where PRIOR260 = '2' and STATE260 = 'Z' and SIFRA060 = 'PREG' and SIFRA061 = 'SA'" << 1;
    QTest::newRow("insurer packages") << "select * from QDAT.KA120PA0" << 4;
}

void TestMarvokFieldInfo::statementsOfTheFrameworkRunOnTheSchema()
{
    QFETCH(QString, sql);
    QFETCH(int, rows);
    TIQuery q;
    q.SetSQL(sql);
    q.Open();
    QCOMPARE(q.RecordCount(), rows);
}

void TestMarvokFieldInfo::picturesAreReadBack()
{
    QByteArray picture(3000, '\0');
    for (int i = 0; i < picture.size(); ++i)
        picture[i] = char(i * 7);
    QSqlQuery insert(FDb->Database());
    QVERIFY(insert.prepare(QStringLiteral("insert into QDAT.KA903RBM (SIFRA900, SIDE_903, PICT_903) values (:s, :d, :p)")));
    insert.bindValue(QStringLiteral(":s"), QStringLiteral("ZOB11"));
    insert.bindValue(QStringLiteral(":d"), 1);
    insert.bindValue(QStringLiteral(":p"), picture);
    QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    TIQuery q;
    q.SetSQL(QStringLiteral("SELECT PICT_903  from QDAT.KA903RBM WHERE SIFRA900='ZOB11' AND SIDE_903='1'"));
    q.Open();
    QCOMPARE(q.RecordCount(), 1);
    QCOMPARE(q.Fields(0)->Value().toByteArray(), picture);
}

QTEST_MAIN(TestMarvokFieldInfo)
#include "tst_marvok_fieldinfo.moc"
