#include "ModalResponder.h"
#include "TestDatabase.h"

#include "marvok/Igl.h"
#include "marvok/Isifrant.h"
#include "marvok/cSifra.h"
#include "pelvar/plMeta.h"
#include "toolkit/Exception.h"

#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace marvok;

class TestIsifrant : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void registeredListsAnswerByName_data();
    void registeredListsAnswerByName();
    void tableInformationAndTranslation();
    void unregisteredListsAreLookedUpInTheirTable_data();
    void unregisteredListsAreLookedUpInTheirTable();
    void listsAreReadOnce();
    void groupedListsWithValidity();
    void persistenceLayerChecksCodesThroughTheLists();
    void codeControlCanonicalisesAndDescribes();
    void f2SearchChoosesACode();
    void cancelledSearchKeepsTheCode();
    void shortDescriptionModeShowsTextGivesCode();
    void groupControlUpperCasesAsTyped();
    void multiControlAppendsChosenCodes();
    void groupSearchDialogReturnsTheChosenCode_data();
    void groupSearchDialogReturnsTheChosenCode();

private:
    std::unique_ptr<tovlet::test::TTestDatabase> FDb;
};

void TestIsifrant::init()
{
    FDb = std::make_unique<tovlet::test::TTestDatabase>(true);
    Sifranti().Reload();
    SkupSifranti().Reload();
}

void TestIsifrant::cleanup()
{
    FDb.reset();
}

void TestIsifrant::registeredListsAnswerByName_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("canonical");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("description");
    QTest::newRow("padded to the code width") << "KR031ORG" << "110" << "00110" << true << "Splošna ambulanta Bežigrad";
    QTest::newRow("name in any case") << "kr031org" << " 00120 " << "00120" << true << "Pediatrična ambulanta Šiška";
    QTest::newRow("missing code") << "KR031ORG" << "999" << "00999" << false << "";
    QTest::newRow("six-digit codes") << "KA000P66" << "1001" << "001001" << true << "Delavec v delovnem razmerju";
    QTest::newRow("unknown list") << "NI_SIFRANTA" << "x" << "x" << false << "";
}

void TestIsifrant::registeredListsAnswerByName()
{
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(QString, canonical);
    QFETCH(bool, exists);
    QFETCH(QString, description);
    QCOMPARE(Sifranti().Canonical(list, typed), canonical);
    QCOMPARE(Sifranti().CodeExists(list, typed), exists);
    QCOMPARE(Sifranti().Description(list, typed), description);
    QCOMPARE(Sifranti().Exists(list), list != QLatin1String("NI_SIFRANTA"));
}

void TestIsifrant::tableInformationAndTranslation()
{
    QCOMPARE(Sifranti().GetTableInfoIndex(QStringLiteral("KR031ORG"), 10), QStringLiteral("SIFRA031"));
    QCOMPARE(Sifranti().GetTableInfoIndex(QStringLiteral("KR031ORG"), 6), QStringLiteral("NAZIV031"));
    QCOMPARE(Sifranti().GetTableInfoIndex(QStringLiteral("KR031ORG"), 1), QStringLiteral("Organizacijske enote"));
    QCOMPARE(Sifranti().Codes(QStringLiteral("KR051ACR")).first(), QStringLiteral("45678")); // ordered by name
    QCOMPARE(Sifranti().ShortDescription(QStringLiteral("KR031ORG"), QStringLiteral("00120")), QStringLiteral("Pediatrija Šiška"));
    QCOMPARE(Sifranti().ShortDescription(QStringLiteral("KA000P66"), QStringLiteral("035001")), QStringLiteral("Upokojenec"));
    QCOMPARE(Sifranti().CodeForText(QStringLiteral("KR031ORG"), QStringLiteral("pediatrija šiška")), QStringLiteral("00120"));
    QCOMPARE(Sifranti().Translate(QStringLiteral("MA014OP0"), QStringLiteral("301")), QStringLiteral("0301"));
    QCOMPARE(Sifranti().Translate(QStringLiteral("MA014OP0"), QStringLiteral("9999")), QStringLiteral("9999"));
}

void TestIsifrant::unregisteredListsAreLookedUpInTheirTable_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("exists");
    QTest::newRow("present") << "KR031ORG" << "00900" << true;
    QTest::newRow("absent") << "KR031ORG" << "12345" << false;
    QTest::newRow("no such table") << "NI_TABELE" << "1" << false;
    QTest::newRow("hostile name") << "KR031ORG; drop table QDAT.KR031ORG" << "1" << false;
    QTest::newRow("hostile code") << "KR031ORG" << "' or '1'='1" << false;
}

void TestIsifrant::unregisteredListsAreLookedUpInTheirTable()
{
    QFETCH(QString, table);
    QFETCH(QString, code);
    QFETCH(bool, exists);
    QCOMPARE(Sifranti().CodeExistsUnregistered(table, code), exists);
    QVERIFY(Sifranti().CodeExists(QStringLiteral("KR031ORG"), QStringLiteral("00900"))); // still there
}

void TestIsifrant::listsAreReadOnce()
{
    int statements = 0;
    IDBStatistics().OnStatistics = [&](QObject *, const QString &, int type) { statements += type == stStatement ? 1 : 0; };
    Sifranti().Description(QStringLiteral("KR051ACR"), QStringLiteral("12345"));
    const int afterFirst = statements;
    QVERIFY(afterFirst > 0);
    for (int i = 0; i < 10; ++i)
        Sifranti().Description(QStringLiteral("KR051ACR"), QStringLiteral("23456"));
    SkupSifranti().Description(QStringLiteral("GC2"), QStringLiteral("01"));
    const int afterGroup = statements;
    SkupSifranti().Description(QStringLiteral("GC2"), QStringLiteral("04"));
    QCOMPARE(statements, afterGroup);
    QCOMPARE(afterGroup, afterFirst + 1);
    Sifranti().Reload();
    Sifranti().Description(QStringLiteral("KR051ACR"), QStringLiteral("12345"));
    QVERIFY(statements > afterGroup);
    IDBStatistics().OnStatistics = nullptr;
}

void TestIsifrant::groupedListsWithValidity()
{
    TISkupSifranti &s = SkupSifranti();
    QVERIFY(s.Exists(QStringLiteral("P86")));
    QVERIFY(!s.Exists(QStringLiteral("X99")));
    QCOMPARE(s.Description(QStringLiteral("P86"), QStringLiteral("2")), QStringLiteral("Plačnik prispevkov z zamudo"));
    ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 12, 5));
    QVERIFY(s.IsValid(QStringLiteral("P86"), QStringLiteral("1")));
    QVERIFY(!s.IsValid(QStringLiteral("P86"), QStringLiteral("3"))); // ended in 2019
    QVERIFY(s.IsValid(QStringLiteral("P86"), QStringLiteral("3"), toolkit::EncodeDate(2019, 6, 1)));
    QVERIFY(!s.IsValid(QStringLiteral("P86"), QStringLiteral("9")));
    ISystemParameters().SetWorkingDate(0);
    toolkit::TStringList values;
    s.AllValues(QStringLiteral("GC2"), values);
    QCOMPARE(values.ToStringList(), (QStringList{"01", "02", "04", "06"}));
    QCOMPARE(s.CodeWidth(QStringLiteral("Q79")), 7);
    QCOMPARE(s.FormatText(QStringLiteral("PF2"), QStringLiteral("POPRAVEK")), QStringLiteral("format: $255:Popravek $0: izvida"));
    QVERIFY(s.AreAllValuesUpperCase(QStringLiteral("PF2")));
    FDb->Exec(QStringLiteral("insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS) values ('PF2', 'drugo', 'Drugo')"));
    s.Reload();
    QVERIFY(!s.AreAllValuesUpperCase(QStringLiteral("PF2")));
    QCOMPARE(s.Table(), QStringLiteral("QDAT.SKUP_SIFRANT"));
}

void TestIsifrant::persistenceLayerChecksCodesThroughTheLists()
{
    const auto &h = pelvar::CatalogueHooks();
    QVERIFY(h.CodeExists && h.Description);
    QVERIFY(h.CodeExists(QStringLiteral("KR031ORG"), QStringLiteral("110")));
    QVERIFY(!h.CodeExists(QStringLiteral("SPOL"), QStringLiteral("X")));
    QVERIFY(h.CodeExists(QStringLiteral("NI_SIFRANTA"), QStringLiteral("X")));
    QCOMPARE(h.Description(QStringLiteral("SPOL"), QStringLiteral("Z"), false), QStringLiteral("ženski"));
    QCOMPARE(h.Description(QStringLiteral("KR031ORG"), QStringLiteral("00120"), false), QStringLiteral("Pediatrija Šiška"));
}

void TestIsifrant::codeControlCanonicalisesAndDescribes()
{
    TISifra c;
    c.setAiSifrant(QStringLiteral("KR031ORG"));
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    QSignalSpy changed(&c, &TICustomSifra::codeChanged);
    c.Edit()->setFocus();
    QTest::keyClicks(c.Edit(), QStringLiteral("110"));
    QTest::keyClick(c.Edit(), Qt::Key_Return);
    QCOMPARE(c.Text(), QStringLiteral("00110"));
    QCOMPARE(c.GetCode(), QStringLiteral("00110"));
    QCOMPARE(c.DescriptionLabel()->text(), QStringLiteral("Splošna ambulanta Bežigrad"));
    QCOMPARE(changed.size(), 1);
    c.Edit()->selectAll();
    QTest::keyClicks(c.Edit(), QStringLiteral("999"));
    QTest::keyClick(c.Edit(), Qt::Key_Return);
    QCOMPARE(c.Text(), QStringLiteral("999")); // an unknown code stays as typed
    QCOMPARE(c.DescriptionLabel()->text(), QStringLiteral("Neznana šifra!"));
    QCOMPARE(c.DescriptionLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));
}

void TestIsifrant::f2SearchChoosesACode()
{
    TISifra c;
    c.setAiSifrant(QStringLiteral("KR031ORG"));
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    tovlet::test::TModalResponder responder;
    QString caption;
    int rows = 0;
    responder.Expect([&](QWidget *w) {
        auto *form = qobject_cast<TfmCustomKatalog *>(w);
        QVERIFY(form);
        caption = form->windowTitle();
        rows = form->List()->topLevelItemCount();
        QTest::keyClicks(form->SearchEdit(), QStringLiteral("Pedia"));
        QTest::keyClick(form->SearchEdit(), Qt::Key_Return);
    });
    QSignalSpy changed(&c, &TICustomSifra::codeChanged);
    QTest::keyClick(c.Edit(), Qt::Key_F2);
    QCOMPARE(caption, QStringLiteral("Iskanje"));
    QCOMPARE(rows, 5);
    QCOMPARE(c.GetCode(), QStringLiteral("00120"));
    QCOMPARE(c.DescriptionLabel()->text(), QStringLiteral("Pediatrična ambulanta Šiška"));
    QCOMPARE(changed.size(), 1);

    // The button does the same; arrows move in the list from the search edit.
    responder.Expect([](QWidget *w) {
        auto *form = qobject_cast<TfmCustomKatalog *>(w);
        QCOMPARE(form->SelectedCode(), QStringLiteral("00120")); // starts at the typed code
        QTest::keyClick(form->SearchEdit(), Qt::Key_Down);
        QTest::keyClick(form->SearchEdit(), Qt::Key_Return);
    });
    QTest::mouseClick(c.Button(), Qt::LeftButton);
    QCOMPARE(c.GetCode(), QStringLiteral("00130"));
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestIsifrant::cancelledSearchKeepsTheCode()
{
    TISifra c;
    c.setAiSifrant(QStringLiteral("KR031ORG"));
    c.SetCode(QStringLiteral("00110"));
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    tovlet::test::TModalResponder responder;
    responder.Expect([](QWidget *w) {
        auto *form = qobject_cast<TfmCustomKatalog *>(w);
        QTest::keyClicks(form->SearchEdit(), QStringLiteral("Labor"));
        QTest::keyClick(form->SearchEdit(), Qt::Key_Escape);
    });
    QVERIFY(!c.Lookup());
    QCOMPARE(c.GetCode(), QStringLiteral("00110"));
}

void TestIsifrant::shortDescriptionModeShowsTextGivesCode()
{
    TISifra c;
    c.setAiSifrant(QStringLiteral("KR031ORG"));
    c.SetCode(QStringLiteral("120"));
    c.SetShortDesc(true);
    QCOMPARE(c.Text(), QStringLiteral("Pediatrija Šiška"));
    QCOMPARE(c.GetCode(), QStringLiteral("00120"));
    c.SetShortDesc(false);
    QCOMPARE(c.Text(), QStringLiteral("00120"));
}

void TestIsifrant::groupControlUpperCasesAsTyped()
{
    TISkupSifra c;
    c.setAiSifrant(QStringLiteral("PF2"));
    c.setAiUpperCase(true);
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    c.Edit()->setFocus();
    QTest::keyClicks(c.Edit(), QStringLiteral("opomba"));
    QCOMPARE(c.Text(), QStringLiteral("OPOMBA"));
    QTest::keyClick(c.Edit(), Qt::Key_Return);
    QCOMPARE(c.DescriptionLabel()->text(), QStringLiteral("Opomba zdravnika"));
}

void TestIsifrant::multiControlAppendsChosenCodes()
{
    TIMultiSkupSifra c;
    c.setAiSifrant(QStringLiteral("GC2"));
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    c.Edit()->setFocus();
    QTest::keyClicks(c.Edit(), QStringLiteral("01, 04"));
    QTest::keyClick(c.Edit(), Qt::Key_Return);
    QCOMPARE(c.Text(), QStringLiteral("01,04"));
    QCOMPARE(c.DescriptionLabel()->text(), QStringLiteral("Bolezen, Poškodba pri delu"));
    tovlet::test::TModalResponder responder;
    responder.Expect([](QWidget *w) {
        auto *form = qobject_cast<TfmCustomKatalog *>(w);
        form->SetSearchText(QStringLiteral("nega"));
        QTest::keyClick(form->SearchEdit(), Qt::Key_Return);
    });
    QVERIFY(c.Lookup());
    QCOMPARE(c.Codes(), (QStringList{"01", "04", "06"}));
    QCOMPARE(c.DescriptionLabel()->text(), QStringLiteral("Bolezen, Poškodba pri delu, Nega družinskega člana"));
    c.SetText(QStringLiteral("01,99"));
    QCOMPARE(c.DescriptionLabel()->text(), QStringLiteral("Neznana šifra!"));
}

void TestIsifrant::groupSearchDialogReturnsTheChosenCode_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("search by description") << "Z05" << "" << "Dru" << true << 3 << "02";
    QTest::newRow("starts at the given code") << "Z05" << "03" << "" << true << 3 << "03";
    QTest::newRow("expired values are not offered") << "P86" << "" << "Nepla" << true << 2 << "1";
    QTest::newRow("cancel gives nothing") << "GC2" << "04" << "" << false << 4 << "";
}

void TestIsifrant::groupSearchDialogReturnsTheChosenCode()
{
    QFETCH(QString, group);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(int, rows);
    QFETCH(QString, chosen);
    ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 3, 2));
    tovlet::test::TModalResponder responder;
    QString caption;
    QStringList descriptions;
    responder.Expect([&](QWidget *w) {
        auto *form = qobject_cast<TfmCustomKatalog *>(w);
        QVERIFY(form);
        caption = form->windowTitle();
        for (int i = 0; i < form->List()->topLevelItemCount(); ++i)
            descriptions << form->List()->topLevelItem(i)->text(1);
        if (!typed.isEmpty())
            QTest::keyClicks(form->SearchEdit(), typed);
        QTest::keyClick(form->SearchEdit(), accept ? Qt::Key_Return : Qt::Key_Escape);
    });
    QCOMPARE(ShowSkupSifrantiLookupDialog(group, start), chosen);
    QCOMPARE(caption, QStringLiteral("Iskanje"));
    QCOMPARE(descriptions.size(), rows);
    QVERIFY(!descriptions.contains(QStringLiteral("Neplačnik prispevkov")));
    QVERIFY(responder.Unexpected().isEmpty());
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, ShowSkupSifrantiLookupDialog(QStringLiteral("KR031ORG")));
    ISystemParameters().SetWorkingDate(0);
}

QTEST_MAIN(TestIsifrant)
#include "tst_isifrant.moc"
