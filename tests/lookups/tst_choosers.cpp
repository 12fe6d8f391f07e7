#include "ModalResponder.h"
#include "TestDatabase.h"

#include "marvok/Idialogs.h"
#include "marvok/Isifrant.h"
#include "toolkit/Exception.h"
#include "tovlet/lookups/frSifLis.h"
#include "tovlet/lookups/iFormatedMS.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace tovlet;

namespace {

QStringList Rows(const TfrChooseSifrant &frame)
{
    QStringList rows;
    for (int i = 0; i < frame.lvSelected()->topLevelItemCount(); ++i)
        rows << frame.lvSelected()->topLevelItem(i)->text(0) + QLatin1String(" | ") + frame.lvSelected()->topLevelItem(i)->text(1);
    return rows;
}

// The next search form gets `typed` and Enter, as a user answers it.
void AnswerSearch(tovlet::test::TModalResponder &responder, const QString &typed)
{
    responder.Expect([typed](QWidget *w) {
        auto *form = qobject_cast<marvok::TfmCustomKatalog *>(w);
        QVERIFY(form);
        QTest::keyClicks(form->SearchEdit(), typed);
        QTest::keyClick(form->SearchEdit(), Qt::Key_Return);
    });
}

} // namespace

class TestChoosers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void addingThroughTheSearch_data();
    void addingThroughTheSearch();
    void codeAlreadyChosenIsRefused_data();
    void codeAlreadyChosenIsRefused();
    void deletingNeedsASelectedRow();
    void setValuesRoundTrip_data();
    void setValuesRoundTrip();
    void formattedValuesSplit_data();
    void formattedValuesSplit();
    void segmentColours_data();
    void segmentColours();
    void formattedValuesOfAGroup();
    void paintedValueShowsItsColours();

private:
    void ShowFrame(TfrChooseSifrant &frame);
    std::unique_ptr<tovlet::test::TTestDatabase> FDb;
    QStringList FMessages;
};

void TestChoosers::init()
{
    FDb = std::make_unique<tovlet::test::TTestDatabase>();
    marvok::Sifranti().Reload();
    marvok::SkupSifranti().Reload();
    FMessages.clear();
    marvok::SetMessageDlgResponder([this](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        FMessages << text;
        return int(marvok::mrOk);
    });
}

void TestChoosers::cleanup()
{
    marvok::SetMessageDlgResponder({});
    FDb.reset();
}

void TestChoosers::ShowFrame(TfrChooseSifrant &frame)
{
    frame.resize(420, 200);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
}

void TestChoosers::addingThroughTheSearch_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("insertCode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("row");
    QTest::newRow("grouped list") << "GC2" << false << "nega" << "06" << "06 | Nega družinskega člana";
    QTest::newRow("grouped list named outright") << "MS:Z05" << false << "upok" << "03" << "03 | Upokojenec";
    QTest::newRow("code list shows the display form") << "MA014OP0" << false << "301" << "301" << "0301 | Bergle, par";
    QTest::newRow("code list shows the code as stored") << "MA014OP0" << true << "301" << "301" << "301 | Bergle, par";
    QTest::newRow("code list searched by description") << "KR031ORG" << false << "Pediatr" << "00120" << "00120 | Pediatrična ambulanta Šiška";
}

void TestChoosers::addingThroughTheSearch()
{
    QFETCH(QString, list);
    QFETCH(bool, insertCode);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, row);
    TfrChooseSifrant frame;
    frame.SetSifrant(list);
    frame.setAiInsertCode(insertCode);
    int added = 0;
    frame.setAiOnAdd([&](void *sender) {
        QCOMPARE(sender, static_cast<void *>(&frame));
        ++added;
    });
    ShowFrame(frame);
    QCOMPARE(frame.IsMS(), !marvok::Sifranti().Exists(list));

    tovlet::test::TModalResponder responder;
    AnswerSearch(responder, typed);
    QTest::mouseClick(frame.bbAdd(), Qt::LeftButton);
    QCOMPARE(frame.GetValues(), stored);
    QCOMPARE(Rows(frame), QStringList{row});
    QCOMPARE(added, 1);
    QCOMPARE(frame.focusWidget(), frame.lvSelected()); // ready for the next F2 or Delete

    // A cancelled search adds nothing.
    responder.RejectNext();
    QTest::mouseClick(frame.bbAdd(), Qt::LeftButton);
    QCOMPARE(frame.GetValues(), stored);
    QCOMPARE(added, 1);
    QVERIFY(FMessages.isEmpty());
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestChoosers::codeAlreadyChosenIsRefused_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::newRow("grouped list, button") << false << "GC2" << "pri delu";
    QTest::newRow("grouped list, F2") << true << "GC2" << "04";
    QTest::newRow("code list, F2") << true << "KR031ORG" << "00110";
}

void TestChoosers::codeAlreadyChosenIsRefused()
{
    QFETCH(bool, byKey);
    QFETCH(QString, list);
    QFETCH(QString, typed);
    TfrChooseSifrant frame;
    frame.SetSifrant(list);
    frame.SetValues(list == QLatin1String("GC2") ? QStringLiteral("01,04") : QStringLiteral("00110,00900"));
    const QStringList before = Rows(frame);
    int added = 0;
    frame.setAiOnAdd([&](void *) { ++added; });
    ShowFrame(frame);
    tovlet::test::TModalResponder responder;
    AnswerSearch(responder, typed);
    if (byKey) {
        frame.lvSelected()->setFocus();
        QTest::keyClick(frame.lvSelected(), Qt::Key_F2);
    } else {
        QTest::mouseClick(frame.bbAdd(), Qt::LeftButton);
    }
    QCOMPARE(FMessages, QStringList{QStringLiteral("Vnos že obstaja!")});
    QCOMPARE(Rows(frame), before);
    QCOMPARE(frame.StringList().Count(), 2);
    QCOMPARE(added, 0);
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, frame.VnosZeObstaja(frame.StringList().Strings(1)));
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestChoosers::deletingNeedsASelectedRow()
{
    TfrChooseSifrant frame;
    frame.SetSifrant(QStringLiteral("GC2"));
    frame.SetValues(QStringLiteral("01,02,06"));
    int deleted = 0;
    frame.setAiOnDelete([&](void *) { ++deleted; });
    ShowFrame(frame);

    QTest::mouseClick(frame.ddDelete(), Qt::LeftButton);
    QCOMPARE(FMessages, QStringList{QStringLiteral("Nič niste izbrali. Ne morem brisati!")});
    QCOMPARE(frame.GetValues(), QStringLiteral("01,02,06"));
    QCOMPARE(deleted, 0);

    // The row a user clicks goes, by the button and then by the Delete key.
    QTreeWidget *list = frame.lvSelected();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    QTest::mouseClick(frame.ddDelete(), Qt::LeftButton);
    QCOMPARE(frame.GetValues(), QStringLiteral("01,06"));
    QCOMPARE(Rows(frame), (QStringList{"01 | Bolezen", "06 | Nega družinskega člana"}));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete); // the row that moved up is the selected one now
    QCOMPARE(frame.GetValues(), QStringLiteral("01"));
    QCOMPARE(deleted, 2);
    QCOMPARE(FMessages.size(), 1);
}

void TestChoosers::setValuesRoundTrip_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("two codes in that order") << "Z05" << "02,01" << "02,01" << QStringList{"02 | Družinski član", "01 | Aktivni zavarovanec"};
    QTest::newRow("blanks and empty parts") << "Z05" << " 03 ,, 01," << "03,01" << QStringList{"03 | Upokojenec", "01 | Aktivni zavarovanec"};
    QTest::newRow("empty text") << "Z05" << "" << "" << QStringList{};
    QTest::newRow("unknown code kept") << "Z05" << "99" << "99" << QStringList{"99 | "};
    QTest::newRow("code list keeps the code, shows the display form") << "KR031ORG" << "110,00900" << "110,00900"
                                                                      << QStringList{"00110 | Splošna ambulanta Bežigrad", "00900 | Laboratorij"};
    QTest::newRow("hostile text") << "Z05" << "'; drop table QDAT.SKUP_SIFRANT; --,01" << "'; drop table QDAT.SKUP_SIFRANT; --,01"
                                  << QStringList{"'; drop table QDAT.SKUP_SIFRANT; -- | ", "01 | Aktivni zavarovanec"};
}

void TestChoosers::setValuesRoundTrip()
{
    QFETCH(QString, list);
    QFETCH(QString, text);
    QFETCH(QString, values);
    QFETCH(QStringList, rows);
    TfrChooseSifrant frame;
    frame.SetValues(QStringLiteral("01")); // what was there before goes
    frame.SetValues(text);
    frame.SetSifrant(list); // the rows are described from the list named last
    QCOMPARE(frame.GetValues(), values);
    QCOMPARE(Rows(frame), rows);
    TfrChooseSifrant again;
    again.SetSifrant(list);
    again.SetValues(frame.GetValues());
    QCOMPARE(Rows(again), rows);
    again.ClearItems();
    QCOMPARE(again.GetValues(), QString());
    QCOMPARE(again.lvSelected()->topLevelItemCount(), 0);
    QCOMPARE(FDb->Scalar(QStringLiteral("select count(*) from QDAT.SKUP_SIFRANT where SKUPINA = 'Z05'")).toInt(), 3);
}

void TestChoosers::formattedValuesSplit_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("segments");
    QTest::newRow("plain text") << "" << QStringList{"Opis"};
    QTest::newRow("other settings, no formatting") << "ImageIndexForState=10;Barva=clRed" << QStringList{"Opis"};
    QTest::newRow("several segments") << "format: $0000FF:Nevarno $000000: – pazi" << QStringList{"$0000FF:Nevarno ", "$000000: – pazi"};
    QTest::newRow("the word in any case") << "FoRmAt: $FF0000:Modro" << QStringList{"$FF0000:Modro"};
    QTest::newRow("text before the first colour") << "format: Opomba $FF:x" << QStringList{"Opomba ", "$FF:x"};
    QTest::newRow("a $ without a colour") << "format: $:brez barve" << QStringList{"$:brez barve"};
    QTest::newRow("a $ never closed") << "format: cena $ 5" << QStringList{"cena ", "$ 5"};
    QTest::newRow("a $ inside a colour") << "format: $12$34:x" << QStringList{"$12$34:x"};
    QTest::newRow("an unknown colour") << "format: $zelena:x" << QStringList{"$zelena:x"};
    QTest::newRow("a $ in the text starts another") << "format: $FF:cena $5:" << QStringList{"$FF:cena ", "$5:"};
    QTest::newRow("empty segments") << "format: $FF:$00:" << QStringList{"$FF:", "$00:"};
    QTest::newRow("nothing after the prefix") << "format: " << QStringList{};
    QTest::newRow("shorter than the prefix") << "format" << QStringList{};
    QTest::newRow("hostile text") << QStringLiteral("format: $FF:'; drop table QDAT.X; --") + QChar(0) + QStringLiteral("$$::")
                                  << QStringList{QStringLiteral("$FF:'; drop table QDAT.X; --") + QChar(0), "$$::"};
}

void TestChoosers::formattedValuesSplit()
{
    QFETCH(QString, format);
    QFETCH(QStringList, segments);
    QCOMPARE(TISkupSifrantFormated::SplitFormated(format, QStringLiteral("Opis")), segments);
}

void TestChoosers::segmentColours_data()
{
    QTest::addColumn<QString>("segment");
    QTest::addColumn<bool>("coloured");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("text");
    QTest::newRow("red, low byte") << "$0000FF:Nevarno" << true << int(toolkit::clRed) << "Nevarno";
    QTest::newRow("blue, high byte") << "$ff0000:x" << true << int(toolkit::clBlue) << "x";
    QTest::newRow("system colour") << "$FF000008:x" << true << int(toolkit::clWindowText) << "x";
    QTest::newRow("empty text") << "$00:" << true << int(toolkit::clBlack) << "";
    QTest::newRow("no colour number") << "$:brez" << false << 0 << "brez";
    QTest::newRow("unknown colour") << "$zelena:x" << false << 0 << "x";
    QTest::newRow("too many digits") << "$123456789:x" << false << 0 << "x";
    QTest::newRow("the no-colour value") << "$1FFFFFFF:x" << false << 0 << "x";
    QTest::newRow("no $, a colon is text") << "Opomba: glej" << false << 0 << "Opomba: glej";
    QTest::newRow("no colon") << "$ 5" << false << 0 << "$ 5";
}

void TestChoosers::segmentColours()
{
    QFETCH(QString, segment);
    QFETCH(bool, coloured);
    QFETCH(int, colour);
    QFETCH(QString, text);
    toolkit::TColor got = 0;
    QString shown;
    QCOMPARE(TISkupSifrantFormated::SegmentColor(segment, got, shown), coloured);
    QCOMPARE(shown, text);
    if (coloured)
        QCOMPARE(int(got), colour);
}

void TestChoosers::formattedValuesOfAGroup()
{
    QVERIFY(TISkupSifrantFormated::HasFormatedValues(QStringLiteral("PF2")));
    QVERIFY(!TISkupSifrantFormated::HasFormatedValues(QStringLiteral("RTD"))); // settings, but no "format"
    QVERIFY(!TISkupSifrantFormated::HasFormatedValues(QStringLiteral("SPOL")));
    QVERIFY(!TISkupSifrantFormated::HasFormatedValues(QStringLiteral("NI_SKUPINE")));
    toolkit::TStringList list{"left over"};
    TISkupSifrantFormated::GetFormatedValues(QStringLiteral("POPRAVEK"), QStringLiteral("PF2"), list);
    QCOMPARE(list.ToStringList(), (QStringList{"$255:Popravek ", "$0: izvida"}));
    TISkupSifrantFormated::GetFormatedValues(QStringLiteral("OPOMBA"), QStringLiteral("PF2"), list);
    QCOMPARE(list.ToStringList(), QStringList{"Opomba zdravnika"});
    TISkupSifrantFormated::GetFormatedValues(QStringLiteral("NI"), QStringLiteral("PF2"), list);
    QVERIFY(list.IsEmpty());
}

void TestChoosers::paintedValueShowsItsColours()
{
    FDb->Exec(QStringLiteral("insert into QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, FORMAT, VRSTNI_RED) values "
                             "('BARVE', 'A', 'Alarm', 'format: $0000FF:RRRR $FF0000:BBBB', 1), "
                             "('BARVE', 'AB', 'Drugo', NULL, 2)"));
    marvok::SkupSifranti().Reload();
    QImage image(300, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    const QFontMetrics metrics(font);
    {
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        TISkupSifrantFormated::DrawItemToCanvas(p, QStringLiteral("A"), QStringLiteral("BARVE"), QRect(10, 0, 280, 30));
        QCOMPARE(p.pen().color(), QColor(Qt::black));
    }
    // Which kinds of ink each column holds.
    auto inkBetween = [&](int from, int to) {
        QSet<QString> ink;
        for (int x = from; x < to; ++x)
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 90 && c.blue() < 90)
                    ink << QStringLiteral("red");
                else if (c.blue() > 150 && c.red() < 90 && c.green() < 90)
                    ink << QStringLiteral("blue");
                else if (c.red() < 90 && c.green() < 90 && c.blue() < 90)
                    ink << QStringLiteral("black");
            }
        return ink;
    };
    const int segmentsFrom = 10 + 3 * metrics.horizontalAdvance(QLatin1Char('X')); // codes of two characters
    const int red = metrics.horizontalAdvance(QStringLiteral("RRRR "));
    QCOMPARE(inkBetween(10, segmentsFrom), QSet<QString>{QStringLiteral("black")});
    QCOMPARE(inkBetween(segmentsFrom, segmentsFrom + red - 2), QSet<QString>{QStringLiteral("red")});
    QCOMPARE(inkBetween(segmentsFrom + red + 1, 300), QSet<QString>{QStringLiteral("blue")});
    // Nothing above the code's top line, 2 pixels below the rectangle's top.
    for (int x = 0; x < 300; ++x)
        QCOMPARE(image.pixelColor(x, 1), QColor(Qt::white));
}

QTEST_MAIN(TestChoosers)
#include "tst_choosers.moc"
