#include "ModalResponder.h"
#include "TestDatabase.h"

#include "marvok/Isifrant.h"
#include "marvok/cSifra.h"
#include "pelvar/plObject.h"
#include "pelvar/plAuth.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plList.h"
#include "pelvar/plMeta.h"
#include "toolkit/Classes.h"
#include "toolkit/DB.h"
#include "tovlet/grids/cMirGrid.h"
#include "tovlet/lookups/dLList.h"
#include "tovlet/lookups/dMulSSS.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace tovlet;
using tovlet::test::TTestDatabase;

namespace {

// A diagnosis code list as business objects: codes in mixed letter case so
// that the search has to ignore it.
void CreateDiagnoses(const TTestDatabase &db)
{
    pelvar::UnregisterAllClasses();
    auto meta = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TDiagnoza"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.TST_DIAGNOZA"), QStringLiteral("Diagnoze")));
    meta->AddAttribute({QStringLiteral("SIFRA"), QStringLiteral("Šifra"), pelvar::TplAttrType::atString, 10})
        .AddAttribute({QStringLiteral("OPIS"), QStringLiteral("Opis"), pelvar::TplAttrType::atString, 80});
    db.Exec(meta->CreateTableSql(pelvar::Dialect()));
    pelvar::RegisterClassMetaData(std::move(meta));
    db.Exec(QStringLiteral("insert into QDAT.TST_DIAGNOZA (ID, SIFRA, OPIS) values (1, 'A09', 'Gastroenteritis in kolitis');"
                           "insert into QDAT.TST_DIAGNOZA (ID, SIFRA, OPIS) values (2, 'AB1', 'Absces kože');"
                           "insert into QDAT.TST_DIAGNOZA (ID, SIFRA, OPIS) values (3, 'ab2', 'Abdominalna bolečina');"
                           "insert into QDAT.TST_DIAGNOZA (ID, SIFRA, OPIS) values (4, 'J06', 'Akutna okužba zgornjih dihal');"
                           "insert into QDAT.TST_DIAGNOZA (ID, SIFRA, OPIS) values (5, 'K35', 'Vnetje slepiča, tabletka');"
                           "insert into QDAT.TST_DIAGNOZA (ID, SIFRA, OPIS) values (6, 'Z00', 'Splošni pregled')"));
}

QString CurrentCode(TdlgLookupList &dlg)
{
    auto *ds = dlg.dsList()->DataSet();
    return ds->FieldByName(QStringLiteral("SIFRA"))->AsString();
}

} // namespace

class TestLookupList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void parseSelectionText_data();
    void parseSelectionText();
    void multiSelectionWithKeys_data();
    void multiSelectionWithKeys();
    void multiSelectionCancelKeepsText();
    void typedPrefixFindsFirstMatch_data();
    void typedPrefixFindsFirstMatch();
    void enterTwiceConfirms();
    void insertCyclesTheOrder();
    void escapeCancelsWithoutResult();
    void arrowsMoveTheGridWhileTyping();
    void catalogueReloadsForChangedText();
    void windowCodeAndCaption();
    void addAndCustomButtons();
    void codeEntryControlGetsTheChosenCode();
    void favouriteUnitsDrawnBold();

private:
    pelvar::TPlBoList *NewList();
    std::unique_ptr<TTestDatabase> FDb;
    pelvar::TplRef<pelvar::TPlBoList> FList;
};

void TestLookupList::init()
{
    FDb = std::make_unique<TTestDatabase>();
    FDb->Exec(QStringLiteral(
        "insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, VRSTNI_RED) values ('TSTMS', '11', 'Prvi', 1);"
        "insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, VRSTNI_RED) values ('TSTMS', '12', 'Drugi', 2);"
        "insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, VRSTNI_RED) values ('TSTMS', '13', 'Tretji', 3);"
        "insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, VRSTNI_RED) values ('TSTLEN', '1', 'Kratka', 1);"
        "insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, VRSTNI_RED) values ('TSTLEN', '12', 'Srednja', 2);"
        "insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, VRSTNI_RED) values ('TSTLEN', '111', 'Dolga', 3)"));
    marvok::Sifranti().Reload();
    marvok::SkupSifranti().Reload();
    pelvar::AuthManager().Grant(QStringLiteral("acDialog.acOK"));
    pelvar::AuthManager().Grant(QStringLiteral("acDialog.acCancel"));
    CreateDiagnoses(*FDb);
}

void TestLookupList::cleanup()
{
    FList = {};
    pelvar::UnregisterAllClasses();
    FDb.reset();
}

pelvar::TPlBoList *TestLookupList::NewList()
{
    FList = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TDiagnoza"), nullptr));
    FList->OrderBy(QStringLiteral("SIFRA"));
    FList->Load();
    return FList.get();
}

void TestLookupList::parseSelectionText_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rejected");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("undelimited 1113") << "TSTMS" << "1113" << "" << QStringList{"11", "13"};
    QTest::newRow("delimited 11,13 with blanks") << "TSTMS" << " 11 , 13" << "" << QStringList{"11", "13"};
    QTest::newRow("delimited, unknown and empty dropped") << "TSTMS" << "11,99,,13" << "" << QStringList{"11", "13"};
    QTest::newRow("111213, callback rejects 12") << "TSTMS" << "111213" << "12" << QStringList{"11", "13"};
    QTest::newRow("longest prefix wins") << "TSTLEN" << "111121" << "" << QStringList{"111", "12", "1"};
    QTest::newRow("character starting no code dropped") << "TSTMS" << "x11?13" << "" << QStringList{"11", "13"};
    QTest::newRow("hostile text") << "TSTMS" << (QStringLiteral("'; drop table X; --") + QChar(0x2019) + QChar(0) + QStringLiteral("13")) << "" << QStringList{"13"};
    QTest::newRow("unknown group") << "NIMA" << "1113" << "" << QStringList{};
    QTest::newRow("empty") << "TSTMS" << "" << "" << QStringList{};
}

void TestLookupList::parseSelectionText()
{
    QFETCH(QString, group);
    QFETCH(QString, text);
    QFETCH(QString, rejected);
    QFETCH(QStringList, codes);
    toolkit::TStringList list;
    ParseSelectionText(text, group, &list, [&](const QString &code, const QString &codeList) {
        return codeList == group && code != rejected;
    });
    QStringList got;
    for (int i = 0; i < list.Count(); ++i)
        got << list[i];
    QCOMPARE(got, codes);
    ParseSelectionText(text, group, nullptr); // no list: nothing
}

void TestLookupList::multiSelectionWithKeys_data()
{
    QTest::addColumn<bool>("delimited");
    QTest::addColumn<QString>("result");
    QTest::newRow("undelimited") << false << "1113";
    QTest::newRow("delimited") << true << "11,13";
}

void TestLookupList::multiSelectionWithKeys()
{
    QFETCH(bool, delimited);
    QFETCH(QString, result);
    tovlet::test::TModalResponder responder;
    QStringList items;
    responder.Expect([&](QWidget *w) {
        auto *dlg = qobject_cast<TdlgMultiSelSkupSif *>(w);
        QVERIFY(dlg);
        QListWidget *list = dlg->CheckListBox1();
        QTRY_VERIFY(list->hasFocus());
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        // 12 comes checked from the text; the user unchecks it and checks 13.
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        dlg->btOKClick();
    });
    QString out;
    QVERIFY(MultiSelSkupSifLookup(QStringLiteral("TSTMS"), QStringLiteral("1112"), out, delimited));
    QCOMPARE(items.mid(0, 3), (QStringList{"11 Prvi", "12 Drugi", "13 Tretji"}));
    QCOMPARE(out, result);
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestLookupList::multiSelectionCancelKeepsText()
{
    tovlet::test::TModalResponder responder;
    responder.Expect([](QWidget *w) {
        auto *dlg = qobject_cast<TdlgMultiSelSkupSif *>(w);
        QVERIFY(dlg);
        QTest::keyClick(dlg->CheckListBox1(), Qt::Key_Space);
        QTest::keyClick(dlg->CheckListBox1(), Qt::Key_Escape);
    });
    QString out;
    QVERIFY(!MultiSelSkupSifLookup(QStringLiteral("TSTMS"), QStringLiteral("11,x"), out, true));
    QCOMPARE(out, QStringLiteral("11,x"));
}

void TestLookupList::typedPrefixFindsFirstMatch_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("like");
    QTest::addColumn<QString>("code");
    QTest::newRow("lower case finds upper-case code") << "ab" << false << "AB1";
    QTest::newRow("upper case finds lower-case code") << "AB2" << false << "ab2";
    QTest::newRow("one letter") << "k" << false << "K35";
    QTest::newRow("like-search stops at a description") << "tablet" << true << "K35";
    QTest::newRow("like-search, prefix before a later description") << "ab" << true << "AB1";
    QTest::newRow("like-search in any letter case") << "BOL" << true << "ab2";
    QTest::newRow("no match goes to the end") << "q" << false << "Z00";
    QTest::newRow("hostile text") << "'%; --" << true << "Z00";
}

void TestLookupList::typedPrefixFindsFirstMatch()
{
    QFETCH(QString, typed);
    QFETCH(bool, like);
    QFETCH(QString, code);
    TdlgLookupList dlg;
    dlg.setAiSearchLike(like);
    dlg.SetBoList(NewList());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTRY_VERIFY(dlg.edSelection()->hasFocus());
    QTest::keyClicks(dlg.edSelection(), typed);
    QCOMPARE(CurrentCode(dlg), code);
    QCOMPARE(dlg.IDBGrid1()->currentIndex().row(), dlg.dsList()->DataSet()->RecNo() - 1);
    dlg.reject();
}

void TestLookupList::enterTwiceConfirms()
{
    TdlgLookupList dlg;
    dlg.SetBoList(NewList());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClicks(dlg.edSelection(), QStringLiteral("j0"));
    QTest::keyClick(dlg.edSelection(), Qt::Key_Return);
    QVERIFY(dlg.isVisible());
    QTest::keyClick(dlg.edSelection(), Qt::Key_Return);
    QTRY_VERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(dlg.aiSelectedBo());
    QCOMPARE(dlg.aiSelectedBo()->GetAttrAsText(QStringLiteral("SIFRA")), QStringLiteral("J06"));
}

void TestLookupList::insertCyclesTheOrder()
{
    TdlgLookupList dlg;
    dlg.SetBoList(NewList());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.cbOrder()->currentText(), QStringLiteral("Šifra"));
    QTest::keyClick(dlg.edSelection(), Qt::Key_Insert);
    QCOMPARE(dlg.cbOrder()->currentText(), QStringLiteral("Opis"));
    QCOMPARE(FList->Order(), QStringLiteral("OPIS"));
    QCOMPARE(dlg.LastChooseType(), TISelectionChooseType::ctOrderChange);
    // Rows now follow the descriptions; typing searches the descriptions.
    QCOMPARE(dlg.IDBGrid1()->model()->index(0, 1).data().toString(), QStringLiteral("Abdominalna bolečina"));
    QTest::keyClicks(dlg.edSelection(), QStringLiteral("SP"));
    QCOMPARE(CurrentCode(dlg), QStringLiteral("Z00"));
    QTest::keyClick(dlg.edSelection(), Qt::Key_F2);
    QCOMPARE(dlg.cbOrder()->currentText(), QStringLiteral("Šifra"));
    QCOMPARE(FList->Order(), QStringLiteral("SIFRA"));
    dlg.reject();
}

void TestLookupList::escapeCancelsWithoutResult()
{
    tovlet::test::TModalResponder responder;
    responder.Expect([](QWidget *w) {
        auto *dlg = qobject_cast<TdlgLookupList *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Izberi : Diagnoze"));
        QTest::keyClicks(dlg->edSelection(), QStringLiteral("k3"));
        QTest::keyClick(dlg->edSelection(), Qt::Key_Escape);
    });
    QCOMPARE(LookupBoList(NewList()), nullptr);
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestLookupList::arrowsMoveTheGridWhileTyping()
{
    TdlgLookupList dlg;
    dlg.SetBoList(NewList());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTRY_VERIFY(dlg.edSelection()->hasFocus());
    QTest::keyClick(dlg.edSelection(), Qt::Key_Up); // at the first record: nothing
    QCOMPARE(CurrentCode(dlg), QStringLiteral("A09"));
    QTest::keyClick(dlg.edSelection(), Qt::Key_Down);
    QTest::keyClick(dlg.edSelection(), Qt::Key_Down);
    QCOMPARE(CurrentCode(dlg), QStringLiteral("ab2"));
    QCOMPARE(dlg.LastChooseType(), TISelectionChooseType::ctArrow);
    QVERIFY(dlg.edSelection()->hasFocus());
    QTest::keyClick(dlg.edSelection(), Qt::Key_PageDown);
    QCOMPARE(CurrentCode(dlg), QStringLiteral("Z00"));
    QTest::keyClick(dlg.edSelection(), Qt::Key_Down); // at the last record: nothing
    QCOMPARE(CurrentCode(dlg), QStringLiteral("Z00"));
    dlg.reject();
}

void TestLookupList::catalogueReloadsForChangedText()
{
    pelvar::TplRef<pelvar::TPlBoList> reloaded;
    QStringList filters;
    TdlgLookupList dlg;
    dlg.SetBoList(NewList());
    dlg.setAiBehaveAsCatalogLookup(true);
    dlg.setAiOnReloadBoList([&](const QString &filter) {
        filters << filter;
        reloaded = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TDiagnoza"), nullptr));
        reloaded->SetCondition(QStringLiteral("upper(SIFRA) like ") + pelvar::QuotedStr(filter.toUpper() + QLatin1Char('%')));
        reloaded->OrderBy(QStringLiteral("SIFRA"));
        reloaded->Load();
        return reloaded.get();
    });
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClicks(dlg.edSelection(), QStringLiteral("ab'"));
    QTest::keyClick(dlg.edSelection(), Qt::Key_Return);
    QCOMPARE(filters, QStringList{"ab'"});
    QCOMPARE(dlg.dsList()->DataSet()->RecordCount(), 0); // hostile text is only a value
    QTest::keyClick(dlg.edSelection(), Qt::Key_Backspace);
    QTest::keyClick(dlg.edSelection(), Qt::Key_Return);
    QCOMPARE(dlg.dsList()->DataSet()->RecordCount(), 2);
    QTest::keyClick(dlg.edSelection(), Qt::Key_Down); // reached by arrow: Enter confirms
    QTest::keyClick(dlg.edSelection(), Qt::Key_Return);
    QTRY_VERIFY(!dlg.isVisible());
    QCOMPARE(dlg.aiSelectedBo()->GetAttrAsText(QStringLiteral("SIFRA")), QStringLiteral("ab2"));
    QCOMPARE(dlg.LastChooseType(), TISelectionChooseType::ctNone);
}

void TestLookupList::windowCodeAndCaption()
{
    TdlgLookupList empty;
    empty.SetWindowCode();
    QCOMPARE(empty.WindowCode(), QStringLiteral("CAL<neznan>"));
    QCOMPARE(empty.windowTitle(), QStringLiteral("Iskanje"));
    TdlgLookupListWithFields dlg;
    dlg.SetBoList(NewList());
    dlg.SetFields({QStringLiteral("-OPIS"), QString(), QStringLiteral("SIFRA")});
    QCOMPARE(dlg.WindowCode(), QStringLiteral("CALOPIS"));
    QCOMPARE(dlg.GetColumnByIndex(0), QStringLiteral("OPIS"));
    dlg.cbOrderChange();
    QCOMPARE(FList->Order(), QStringLiteral("-OPIS"));
    QVERIFY(!FList->GetDataSet()->FieldByName(QStringLiteral("ID"))->Visible());
    // Another list: the first one's fields are as they were.
    auto other = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TDiagnoza"), nullptr));
    dlg.SetBoList(other.get());
    QVERIFY(FList->GetDataSet()->FieldByName(QStringLiteral("ID"))->Visible());
    QVERIFY(!other->GetDataSet()->FieldByName(QStringLiteral("ID"))->Visible());
}

void TestLookupList::addAndCustomButtons()
{
    TdlgLookupList dlg;
    dlg.SetBoList(NewList());
    QObject *customSender = nullptr;
    pelvar::TplRef<pelvar::TplPerObject> created;
    dlg.ShowAddButton(QStringLiteral("Nova diagnoza"), [&](QObject *) {
        created = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Create(QStringLiteral("TDiagnoza"), nullptr));
        created->SetAttrValue(QStringLiteral("SIFRA"), QStringLiteral("B01"));
        created->SetAttrValue(QStringLiteral("OPIS"), QStringLiteral("Norice"));
        created->PostData();
        return created.get();
    });
    dlg.ShowCustomButton(QStringLiteral("Osveži"), [&](QObject *sender) { customSender = sender; });
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(dlg.btAddNew()->isVisible());
    QCOMPARE(dlg.btAddNew()->text(), QStringLiteral("Nova diagnoza"));
    QTest::keyClicks(dlg.edSelection(), QStringLiteral("z"));
    QTest::mouseClick(dlg.btAddNew(), Qt::LeftButton);
    QCOMPARE(FList->Count(), 7);
    QCOMPARE(CurrentCode(dlg), QStringLiteral("B01"));
    // The search sees the new object too.
    dlg.edSelection()->clear();
    QTest::keyClicks(dlg.edSelection(), QStringLiteral("b0"));
    QCOMPARE(CurrentCode(dlg), QStringLiteral("B01"));
    QTest::mouseClick(dlg.btCustom(), Qt::LeftButton);
    QCOMPARE(customSender, &dlg);
    dlg.reject();

    TdlgLookupList plain;
    plain.show();
    QVERIFY(!plain.btAddNew()->isVisible());
    QVERIFY(!plain.btCustom()->isVisible());
}

void TestLookupList::codeEntryControlGetsTheChosenCode()
{
    // The providers' code list read as objects through a numbering view.
    FDb->Exec(pelvar::Dialect() == pelvar::TplDialect::dlSQLite
                  ? QStringLiteral("create view QDAT.KR051ACR_OBJ as select row_number() over (order by SIFRA051) as ID, "
                                   "SIFRA051, NAZIV051 from KR051ACR")
                  : QStringLiteral("create view QDAT.KR051ACR_OBJ as select row_number() over (order by SIFRA051) as ID, "
                                   "SIFRA051, NAZIV051 from QDAT.KR051ACR"));
    auto meta = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TIzvajalec"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.KR051ACR_OBJ"), QStringLiteral("Izvajalci")));
    meta->AddAttribute({QStringLiteral("NAZIV051"), QStringLiteral("Naziv"), pelvar::TplAttrType::atString, 80})
        .AddAttribute({QStringLiteral("SIFRA051"), QStringLiteral("Šifra"), pelvar::TplAttrType::atString, 10});
    pelvar::RegisterClassMetaData(std::move(meta));
    auto doctors = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TIzvajalec"), nullptr));
    doctors->OrderBy(QStringLiteral("SIFRA051"));
    doctors->Load();

    QWidget form;
    marvok::TISifra sifra(&form);
    sifra.setAiSifrant(QStringLiteral("KR051ACR"));
    tovlet::test::TModalResponder responder;
    QStringList columns;
    responder.Expect([&](QWidget *w) {
        auto *dlg = qobject_cast<TdlgLookupList *>(w);
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Izberi : Izvajalci"));
        // The code column first although the class lists the name first.
        for (int c = 0; c < dlg->IDBGrid1()->model()->columnCount(); ++c)
            columns << dlg->IDBGrid1()->model()->headerData(c, Qt::Horizontal).toString();
        QTest::keyClick(dlg->edSelection(), Qt::Key_Insert);
        QTest::keyClicks(dlg->edSelection(), QStringLiteral("DR. MARKO"));
        QTest::keyClick(dlg->edSelection(), Qt::Key_Return);
        QTest::keyClick(dlg->edSelection(), Qt::Key_Return);
    });
    pelvar::TplPerObject *chosen = LookupBoList(&sifra, doctors.get());
    QVERIFY(chosen);
    QCOMPARE(columns, (QStringList{QStringLiteral("Šifra"), QStringLiteral("Naziv")}));
    QCOMPARE(sifra.GetCode(), QStringLiteral("23456"));
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestLookupList::favouriteUnitsDrawnBold()
{
    auto meta = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TOrgEnota"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.TST_ORG"), QStringLiteral("Enote")));
    meta->AddAttribute({QStringLiteral("CODE_031"), QStringLiteral("Šifra"), pelvar::TplAttrType::atString, 10})
        .AddAttribute({QStringLiteral("NAZIV"), QStringLiteral("Naziv"), pelvar::TplAttrType::atString, 80})
        .AddAttribute({QStringLiteral("IS_FAVORITE_ORG_NODE"), QStringLiteral("Priljubljena"), pelvar::TplAttrType::atString, 1});
    FDb->Exec(meta->CreateTableSql(pelvar::Dialect()));
    pelvar::RegisterClassMetaData(std::move(meta));
    FDb->Exec(QStringLiteral("insert into QDAT.TST_ORG (ID, CODE_031, NAZIV, IS_FAVORITE_ORG_NODE) values (1, '00110', 'Ambulanta', 'N');"
                             "insert into QDAT.TST_ORG (ID, CODE_031, NAZIV, IS_FAVORITE_ORG_NODE) values (2, '00120', 'Ambulanta', 'D')"));
    auto units = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TOrgEnota"), nullptr));
    units->OrderBy(QStringLiteral("CODE_031"));
    units->Load();
    TdlgLookupList dlg;
    dlg.SetBoList(units.get());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.IDBGrid1()->clearSelection();
    dlg.IDBGrid1()->setCurrentIndex({});
    auto *grid = dlg.IDBGrid1();
    const QImage image = grid->viewport()->grab().toImage();
    auto ink = [&](int row) {
        const QRect r = grid->visualRect(grid->model()->index(row, 1));
        int dark = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    QVERIFY(ink(0) > 0);
    QVERIFY2(ink(1) > ink(0) * 1.1, qPrintable(QStringLiteral("%1 vs %2").arg(ink(1)).arg(ink(0))));
    dlg.reject();
}

QTEST_MAIN(TestLookupList)
#include "tst_lookuplist.moc"
