#include "TestDatabase.h"

#include "toolkit/Exception.h"
#include "toolkit/MemDataSet.h"
#include "toolkit/SqlDataSet.h"

#include <QTest>

using namespace toolkit;

namespace {

// A data link that records what it was told.
struct TRecordingLink : TDataLink
{
    QStringList Events;
    QList<int> Scrolls;
    void ActiveChanged() override { Events << QStringLiteral("active:%1").arg(Active()); }
    void DataSetChanged() override { Events << QStringLiteral("changed"); }
    void DataSetScrolled(int distance) override
    {
        Events << QStringLiteral("scrolled");
        Scrolls << distance;
    }
    void RecordChanged(TField *field) override { Events << QStringLiteral("record:") + (field ? field->FieldName() : QString()); }
    void EditingChanged() override {}
};

void Fill(TMemDataSet &ds, int count)
{
    ds.AddFieldDef(QStringLiteral("ID"), TFieldType::ftInteger);
    ds.AddFieldDef(QStringLiteral("PRIIMEK"), TFieldType::ftString, 40);
    ds.AddFieldDef(QStringLiteral("ROJEN"), TFieldType::ftDate);
    ds.AddFieldDef(QStringLiteral("ZNESEK"), TFieldType::ftFloat);
    ds.Open();
    for (int i = 1; i <= count; ++i)
        ds.AppendRecord({i, QStringLiteral("P%1").arg(i), EncodeDate(2000, 1, i), i * 1.5});
}

} // namespace

class TestDataSet : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cursorWalksWithEofAndBof();
    void emptyDataSetIsBothEofAndBof();
    void moveByStopsAtTheEnds_data();
    void moveByStopsAtTheEnds();
    void bookmarksFollowRecordsThroughInsertAndDelete();
    void disabledControlsHearOneChangeAtTheEnd();
    void linksHearScrollAndFieldChanges();
    void editPostAndCancel();
    void insertShowsInGridAndCancelRestoresCursor();
    void fieldTextsFollowFormatSettings();
    void fieldErrorsAreClear();
    void fieldSettingsSurviveReopen();
    void locateFindsByValue();
    void sqlDataSetReadsLazilyWithDates();
    void sqlRefreshKeepsRecordByKey();
    void sqlErrorsNameTheStatement();
    void hostileParameterIsJustAValue();
};

void TestDataSet::cursorWalksWithEofAndBof()
{
    TMemDataSet ds;
    Fill(ds, 3);
    QVERIFY(ds.Bof());
    QVERIFY(!ds.Eof());
    QCOMPARE(ds.RecNo(), 1);
    QStringList seen;
    for (ds.First(); !ds.Eof(); ds.Next())
        seen << ds.FieldByName(QStringLiteral("priimek"))->AsString();
    QCOMPARE(seen, (QStringList{"P1", "P2", "P3"}));
    QCOMPARE(ds.RecNo(), 3); // Next at the last record sets Eof and stays
    ds.Prior();
    QCOMPARE(ds.RecNo(), 2);
    QVERIFY(!ds.Eof());
    ds.Last();
    QVERIFY(ds.Eof());
    QCOMPARE(ds.RecNo(), 3);
    seen.clear();
    for (; !ds.Bof(); ds.Prior())
        seen << ds.Fields(0)->AsString();
    QCOMPARE(seen, (QStringList{"3", "2", "1"}));
    ds.SetRecNo(2);
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->AsInteger(), 2);
    QVERIFY(!ds.Bof() && !ds.Eof());
    QCOMPARE(ds.RecordCount(), 3);
}

void TestDataSet::emptyDataSetIsBothEofAndBof()
{
    TMemDataSet ds;
    Fill(ds, 0);
    QVERIFY(ds.Eof());
    QVERIFY(ds.Bof());
    QVERIFY(ds.IsEmpty());
    QCOMPARE(ds.RecNo(), 0);
    ds.Next();
    ds.Last();
    QVERIFY(ds.Eof() && ds.Bof());
    QVERIFY(ds.GetBookmark().isNull());
    QVERIFY(ds.Fields(0)->IsNull());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Delete());
}

void TestDataSet::moveByStopsAtTheEnds_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("distance");
    QTest::addColumn<int>("moved");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<bool>("eof");
    QTest::addColumn<bool>("bof");
    QTest::newRow("within") << 2 << 2 << 2 << 4 << false << false;
    QTest::newRow("past the end") << 3 << 10 << 2 << 5 << true << false;
    QTest::newRow("before the start") << 3 << -10 << -2 << 1 << false << true;
    QTest::newRow("back within") << 5 << -1 << -1 << 4 << false << false;
    QTest::newRow("zero") << 3 << 0 << 0 << 3 << false << false;
}

void TestDataSet::moveByStopsAtTheEnds()
{
    QFETCH(int, from);
    QFETCH(int, distance);
    QFETCH(int, moved);
    QFETCH(int, recNo);
    QFETCH(bool, eof);
    QFETCH(bool, bof);
    TMemDataSet ds;
    Fill(ds, 5);
    ds.SetRecNo(from);
    QCOMPARE(ds.MoveBy(distance), moved);
    QCOMPARE(ds.RecNo(), recNo);
    QCOMPARE(ds.Eof(), eof);
    QCOMPARE(ds.Bof(), bof);
}

void TestDataSet::bookmarksFollowRecordsThroughInsertAndDelete()
{
    TMemDataSet ds;
    Fill(ds, 5);
    ds.SetRecNo(4);
    const TBookmark fourth = ds.GetBookmark();
    ds.SetRecNo(2);
    const TBookmark second = ds.GetBookmark();
    QVERIFY(ds.CompareBookmarks(second, fourth) < 0);

    ds.First();
    ds.Insert();
    ds.FieldByName(QStringLiteral("ID"))->SetAsInteger(100);
    ds.Post();
    QCOMPARE(ds.RecNo(), 1);
    ds.GotoBookmark(fourth);
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->AsInteger(), 4);
    QCOMPARE(ds.RecNo(), 5);

    ds.GotoBookmark(second);
    ds.Delete();
    QVERIFY(!ds.BookmarkValid(second));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.GotoBookmark(second));
    QVERIFY(ds.BookmarkValid(fourth));
    ds.GotoBookmark(fourth);
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->AsInteger(), 4);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.GotoBookmark(TBookmark()));
}

void TestDataSet::disabledControlsHearOneChangeAtTheEnd()
{
    TMemDataSet ds;
    Fill(ds, 10);
    TDataSource src;
    src.SetDataSet(&ds);
    TRecordingLink link;
    link.SetDataSource(&src);
    link.Events.clear();

    ds.DisableControls();
    ds.DisableControls();
    while (!ds.Eof())
        ds.Next();
    ds.First();
    ds.EnableControls();
    QVERIFY(link.Events.isEmpty()); // still disabled once
    QVERIFY(ds.ControlsDisabled());
    ds.EnableControls();
    QCOMPARE(link.Events, QStringList{"changed"});
    QVERIFY(!ds.ControlsDisabled());
    ds.EnableControls(); // unbalanced: ignored
    QCOMPARE(link.Events.size(), 1);
}

void TestDataSet::linksHearScrollAndFieldChanges()
{
    TMemDataSet ds;
    Fill(ds, 5);
    TDataSource src;
    src.SetDataSet(&ds);
    TRecordingLink link;
    link.SetDataSource(&src);
    QVERIFY(link.Active());
    int dataChanges = 0;
    src.OnDataChange = [&](TDataSource *, TField *) { ++dataChanges; };
    link.Events.clear();

    ds.MoveBy(3);
    ds.Prior();
    QCOMPARE(link.Scrolls, (QList<int>{3, -1}));
    ds.Edit();
    ds.FieldByName(QStringLiteral("PRIIMEK"))->SetAsString(QStringLiteral("Novak"));
    QVERIFY(link.Events.contains(QStringLiteral("record:PRIIMEK")));
    ds.Post();
    QCOMPARE(dataChanges, 2 + 1 + 1); // two scrolls, the field, the post
    ds.Close();
    QCOMPARE(link.Events.last(), QStringLiteral("active:0"));
    QVERIFY(!link.Active());

    src.SetEnabled(false);
    ds.Open();
    QVERIFY(!link.Active());
}

void TestDataSet::editPostAndCancel()
{
    TMemDataSet ds;
    Fill(ds, 3);
    ds.SetRecNo(2);
    TField *name = ds.FieldByName(QStringLiteral("PRIIMEK"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, name->SetAsString(QStringLiteral("x"))); // not editing
    ds.Edit();
    QCOMPARE(ds.State(), TDataSetState::dsEdit);
    name->SetAsString(QStringLiteral("Horvat"));
    QCOMPARE(ds.RecordValue(1, name->Index()).toString(), QStringLiteral("Horvat")); // grid sees the buffer
    ds.Cancel();
    QCOMPARE(name->AsString(), QStringLiteral("P2"));
    ds.Edit();
    name->SetAsString(QStringLiteral("Horvat"));
    ds.Next(); // moving posts
    QCOMPARE(ds.State(), TDataSetState::dsBrowse);
    ds.Prior();
    QCOMPARE(name->AsString(), QStringLiteral("Horvat"));

    name->SetRequired(true);
    ds.Edit();
    name->Clear();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Post());
    QCOMPARE(ds.State(), TDataSetState::dsEdit); // nothing lost: still editing
    ds.Cancel();
    QCOMPARE(name->AsString(), QStringLiteral("Horvat"));

    int validated = 0;
    name->OnValidate = [&](TField *f) {
        ++validated;
        if (f->AsString().isEmpty())
            throw EDatabaseError(QStringLiteral("Priimek je obvezen"));
    };
    name->SetRequired(false);
    ds.Edit();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, name->SetAsString(QString()));
    QCOMPARE(name->AsString(), QStringLiteral("Horvat")); // refused value not kept
    QCOMPARE(validated, 1);
    ds.Cancel();
}

void TestDataSet::insertShowsInGridAndCancelRestoresCursor()
{
    TMemDataSet ds;
    Fill(ds, 3);
    ds.SetRecNo(2);
    ds.Insert();
    QCOMPARE(ds.State(), TDataSetState::dsInsert);
    QCOMPARE(ds.RecNo(), 2);
    QVERIFY(ds.RecordValue(1, 0).isNull());          // the new row sits at the cursor
    QCOMPARE(ds.RecordValue(2, 0).toInt(), 2);        // the old one moved down
    ds.Cancel();
    QCOMPARE(ds.RecNo(), 2);
    QCOMPARE(ds.RecordCount(), 3);

    ds.Append();
    ds.Fields(0)->SetAsInteger(4);
    ds.Post();
    QCOMPARE(ds.RecNo(), 4);
    QCOMPARE(ds.RecordCount(), 4);

    // An untouched inserted record is dropped when the cursor moves.
    ds.Insert();
    ds.First();
    QCOMPARE(ds.RecordCount(), 4);
}

void TestDataSet::fieldTextsFollowFormatSettings()
{
    TMemDataSet ds;
    Fill(ds, 1);
    TField *date = ds.FieldByName(QStringLiteral("ROJEN"));
    TField *amount = ds.FieldByName(QStringLiteral("ZNESEK"));
    QCOMPARE(date->AsString(), QStringLiteral("01.01.2000"));
    QCOMPARE(amount->AsString(), QStringLiteral("1,5"));
    QCOMPARE(date->DisplayWidth(), 10);
    date->SetDisplayFormat(QStringLiteral("ddd d. mmm"));
    QCOMPARE(date->DisplayText(), QStringLiteral("sob 1. jan"));
    QCOMPARE(date->Text(), QStringLiteral("01.01.2000")); // edit text ignores display format

    ds.Edit();
    date->SetText(QStringLiteral("29.2.2024"));
    QCOMPARE(ToQDate(date->AsDateTime()), QDate(2024, 2, 29));
    date->SetValue(QDate(2025, 3, 1)); // a QDate becomes a TDateTime
    QCOMPARE(date->Value().toDouble(), EncodeDate(2025, 3, 1));
    amount->SetText(QStringLiteral("12,25"));
    QCOMPARE(amount->AsFloat(), 12.25);
    amount->SetText(QString());
    QVERIFY(amount->IsNull());
    QVERIFY_THROWS_EXCEPTION(EConvertError, amount->SetText(QStringLiteral("12.25")));
    QVERIFY_THROWS_EXCEPTION(EConvertError, date->SetText(QStringLiteral("30.2.2024")));
    ds.Cancel();

    amount->OnGetText = [](TField *, QString &text, bool display) {
        if (display)
            text += QStringLiteral(" €");
    };
    QCOMPARE(amount->DisplayText(), QStringLiteral("1,5 €"));
    QCOMPARE(amount->Text(), QStringLiteral("1,5"));
}

void TestDataSet::fieldErrorsAreClear()
{
    TMemDataSet ds;
    ds.setObjectName(QStringLiteral("mdPacienti"));
    Fill(ds, 1);
    try {
        ds.FieldByName(QStringLiteral("NI_TAKEGA"));
        QFAIL("no exception");
    } catch (const EDatabaseError &e) {
        QCOMPARE(e.Message(), QStringLiteral("mdPacienti: Field 'NI_TAKEGA' not found"));
    }
    QVERIFY(!ds.FindField(QStringLiteral("NI_TAKEGA")));
    ds.Fields(0)->SetReadOnly(true);
    ds.Edit();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Fields(0)->SetAsInteger(9));
    ds.Cancel();
    ds.SetReadOnly(true);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Edit());
    ds.Close();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Next());
}

void TestDataSet::fieldSettingsSurviveReopen()
{
    TMemDataSet ds;
    Fill(ds, 2);
    TField *f = ds.FieldByName(QStringLiteral("PRIIMEK"));
    f->SetDisplayLabel(QStringLiteral("Priimek"));
    f->SetVisible(false);
    ds.Close();
    ds.Open();
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK")), f);
    QCOMPARE(f->DisplayLabel(), QStringLiteral("Priimek"));
    QVERIFY(!f->Visible());
    QCOMPARE(ds.RecordCount(), 2); // in-memory records outlive Close
}

void TestDataSet::locateFindsByValue()
{
    TMemDataSet ds;
    Fill(ds, 20);
    QVERIFY(ds.Locate(QStringLiteral("PRIIMEK"), {QStringLiteral("p17")}, int(TLocateOption::loCaseInsensitive)));
    QCOMPARE(ds.RecNo(), 17);
    QVERIFY(!ds.Locate(QStringLiteral("PRIIMEK"), {QStringLiteral("p17")}));
    QCOMPARE(ds.RecNo(), 17); // a failed search leaves the cursor
    QVERIFY(ds.Locate(QStringLiteral("ID;PRIIMEK"), {3, QStringLiteral("P3")}));
    QCOMPARE(ds.RecNo(), 3);
    QVERIFY(ds.Locate(QStringLiteral("PRIIMEK"), {QStringLiteral("P2")}, int(TLocateOption::loPartialKey)));
    QCOMPARE(ds.RecNo(), 2);
}

void TestDataSet::sqlDataSetReadsLazilyWithDates()
{
    tovlet::test::TTestDatabase db(true);
    TSqlDataSet ds;
    ds.SetSQL(QStringLiteral("select ID, PRIIMEK, DATUM_ROJSTVA from QDAT.PACIENT order by ID"));
    ds.Open();
    QCOMPARE(ds.FetchedCount(), 1); // only what the cursor needs
    QCOMPARE(ds.FieldByName(QStringLiteral("DATUM_ROJSTVA"))->DataType(), TFieldType::ftDateTime);
    QCOMPARE(ds.FieldByName(QStringLiteral("DATUM_ROJSTVA"))->AsString(), QStringLiteral("12.03.1984"));
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Novak"));
    ds.Next();
    QCOMPARE(ds.FetchedCount(), 2);
    QCOMPARE(ds.RecordValue(2, 1).toString(), QStringLiteral("Kovačič"));
    QCOMPARE(ds.RecordCount(), 8);
    ds.Last();
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->AsInteger(), 8);
    QVERIFY(!ds.CanModify());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Edit());

    ds.Close();
    ds.SetSQL(QStringLiteral("select ID from QDAT.PACIENT where ID < 0"));
    ds.Open();
    QVERIFY(ds.IsEmpty());
    QVERIFY(ds.Eof() && ds.Bof());
}

void TestDataSet::sqlRefreshKeepsRecordByKey()
{
    tovlet::test::TTestDatabase db(true);
    TSqlDataSet ds;
    ds.SetSQL(QStringLiteral("select ID, PRIIMEK from QDAT.PACIENT order by PRIIMEK"));
    ds.SetKeyFields(QStringLiteral("ID"));
    ds.Open();
    QVERIFY(ds.Locate(QStringLiteral("PRIIMEK"), {QStringLiteral("Mlakar")}));
    const int before = ds.RecNo();
    db.Exec(QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME) values (9, 'Adamič', 'Eva')"));
    ds.Refresh();
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Mlakar"));
    QCOMPARE(ds.RecNo(), before + 1);
    db.Exec(QStringLiteral("delete from QDAT.PACIENT where PRIIMEK = 'Mlakar'"));
    ds.Refresh(); // the record is gone: the cursor stays at its position
    QCOMPARE(ds.RecNo(), before + 1);
    QCOMPARE(ds.RecordCount(), 8);
}

void TestDataSet::sqlErrorsNameTheStatement()
{
    tovlet::test::TTestDatabase db;
    TSqlDataSet ds;
    ds.SetSQL(QStringLiteral("select * from QDAT.NI_TABELE"));
    try {
        ds.Open();
        QFAIL("no exception");
    } catch (const EDatabaseError &e) {
        QVERIFY2(e.Message().contains(QStringLiteral("QDAT.NI_TABELE")), qPrintable(e.Message()));
    }
    QVERIFY(!ds.Active());
    TSqlDataSet other(nullptr, QStringLiteral("NI_POVEZAVE"));
    other.SetSQL(QStringLiteral("select 1"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, other.Open());
}

void TestDataSet::hostileParameterIsJustAValue()
{
    tovlet::test::TTestDatabase db(true);
    TSqlDataSet ds;
    ds.SetSQL(QStringLiteral("select count(*) from QDAT.PACIENT where PRIIMEK = :priimek"));
    ds.SetParam(QStringLiteral("priimek"), QStringLiteral("x' or '1'='1"));
    ds.Open();
    QCOMPARE(ds.Fields(0)->AsInteger(), 0);
    ds.Close();
    ds.SetParam(QStringLiteral(":priimek"), QStringLiteral("Novak"));
    ds.Open();
    QCOMPARE(ds.Fields(0)->AsInteger(), 1);
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
