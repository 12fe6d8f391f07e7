#include "ModalResponder.h"

#include "marvok/Iabzip.h"
#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "marvok/cControls.h"
#include "toolkit/Exception.h"
#include "toolkit/MemDataSet.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace marvok;

namespace {

class TCountingForm : public TIDialogForm
{
public:
    int Created = 0;
    int ClosedNonModal = 0;

protected:
    void FormCreate() override { ++Created; }
    void ClosedNonModalDialog() override { ++ClosedNonModal; }
};

class TRedTabs : public TIPageControl
{
public:
    QList<int> Drawn;
    bool CanShowTab(int index) override { return index != 1; }
    void DrawTab(QPainter *p, int tabIndex, const QRect &rect, bool) override
    {
        Drawn << tabIndex;
        if (tabIndex == 1)
            p->fillRect(rect.adjusted(2, 2, -2, -2), Qt::red);
    }
};

} // namespace

class TestMarvokControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void formCreateRunsOnceAndEscapeFollowsTheSwitch_data();
    void formCreateRunsOnceAndEscapeFollowsTheSwitch();
    void modalFormsAreRegisteredWhileShown();
    void nonModalDialogsAreListedUntilClosed();
    void formPlaceIsStoredUnderItsWindowCode();
    void embeddedFormClosesItsParentOnEscape();
    void arrangePanelPlacesByTag();
    void pageControlHidesRefusedTabsAndPaintsOverTabs();
    void bitBtnClosesWithItsModalResult();
    void dbEditWritesTypedTextAndNeverLosesIt();
    void dbEditReportsRefusedTextAndKeepsItForCorrection();
    void dbMemoFollowsItsField();
    void zipArchivesFilesOfAMask();
    void objectGuardReleasesOnLastCopy();

private:
    QTemporaryDir FDir;
};

void TestMarvokControls::initTestCase()
{
    TIForm::SetSettingsFileName(FDir.filePath(QStringLiteral("forms.ini")));
}

void TestMarvokControls::formCreateRunsOnceAndEscapeFollowsTheSwitch_data()
{
    QTest::addColumn<bool>("escIsClose");
    QTest::newRow("escape closes") << true;
    QTest::newRow("escape ignored") << false;
}

void TestMarvokControls::formCreateRunsOnceAndEscapeFollowsTheSwitch()
{
    QFETCH(bool, escIsClose);
    TCountingForm form;
    form.setAiEscIsClose(escIsClose);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.hide();
    form.show();
    QCOMPARE(form.Created, 1);
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(form.isVisible(), !escIsClose);
}

void TestMarvokControls::modalFormsAreRegisteredWhileShown()
{
    TCountingForm form;
    tovlet::test::TModalResponder responder;
    int registered = -1;
    responder.Expect([&](QWidget *w) {
        registered = int(TIForm::ModalForms().size());
        QCOMPARE(w, &form);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    QCOMPARE(form.ShowModal(), int(QDialog::Rejected));
    QCOMPARE(registered, 1);
    QVERIFY(TIForm::ModalForms().isEmpty());
    QCOMPARE(form.Created, 1);
}

void TestMarvokControls::nonModalDialogsAreListedUntilClosed()
{
    TCountingForm form;
    form.ShowNonModal();
    QVERIFY(TIDialogForm::NonModalDialogs().contains(&form));
    QVERIFY(form.IsNonModal());
    form.accept();
    QVERIFY(!TIDialogForm::NonModalDialogs().contains(&form));
    QCOMPARE(form.ClosedNonModal, 1);
}

void TestMarvokControls::formPlaceIsStoredUnderItsWindowCode()
{
    {
        TIForm form;
        form.SetWindowCode(QStringLiteral("TfmPacient"));
        form.SetCaption(QStringLiteral("Pacient"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.setGeometry(40, 50, 333, 222);
        form.close();
    }
    TIForm again;
    again.SetWindowCode(QStringLiteral("TfmPacient"));
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.size(), QSize(333, 222));
    QCOMPARE(again.windowTitle(), QString());
    QVERIFY(!again.GetProperWorkareaRect().isEmpty());
}

void TestMarvokControls::embeddedFormClosesItsParentOnEscape()
{
    TIForm host;
    host.setAiEscIsClose(false);
    auto *sheet = new TITabSheetForm;
    sheet->EmbedInto(&host);
    auto *edit = new QLineEdit(sheet);
    host.resize(300, 200);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(!sheet->isWindow());
    edit->setFocus();
    QTest::keyClick(sheet, Qt::Key_Escape);
    QVERIFY(!host.isVisible());
}

void TestMarvokControls::arrangePanelPlacesByTag()
{
    TIArrangePanel panel;
    panel.resize(400, 29);
    auto *ok = new TIBitBtn(QStringLiteral("&OK"), &panel);
    ok->resize(75, 21);
    SetTag(ok, -1);
    auto *cancel = new TIBitBtn(QStringLiteral("&Prekliči"), &panel);
    cancel->resize(75, 21);
    SetTag(cancel, -2);
    auto *label = new QLabel(QStringLiteral("spreminjanja ni"), &panel);
    label->resize(70, 13);
    SetTag(label, 2);
    auto *first = new QLabel(QStringLiteral("prvi"), &panel);
    first->resize(30, 13);
    SetTag(first, 1);
    panel.setAISpaceColumns(2);
    panel.setAILeftColumns(2);
    panel.Arrange();
    QCOMPARE(first->x(), 2);
    QCOMPARE(label->x(), 2 + 30 + 2);
    QCOMPARE(cancel->geometry().right(), 400 - 2 - 1);
    QCOMPARE(ok->geometry().right() + 1 + 2, cancel->x()); // OK left of Prekliči
    panel.resize(600, 29);
    panel.Arrange();
    QCOMPARE(cancel->geometry().right(), 600 - 2 - 1);
}

void TestMarvokControls::pageControlHidesRefusedTabsAndPaintsOverTabs()
{
    TRedTabs pc;
    pc.addTab(new QWidget, QStringLiteral("Splošno"));
    pc.addTab(new QWidget, QStringLiteral("Skrito"));
    pc.addTab(new QWidget, QStringLiteral("Dokumenti"));
    pc.UpdateTabs();
    pc.resize(400, 200);
    pc.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pc));
    QVERIFY(!pc.isTabVisible(1));
    QVERIFY(pc.isTabVisible(2));
    const QImage image = pc.grab().toImage();
    QVERIFY(pc.Drawn.contains(1));
    QVERIFY(!pc.Drawn.contains(2)); // tabs are counted among the shown ones
    QTabBar *bar = pc.tabBar();
    const QPoint inThird = bar->mapTo(&pc, bar->tabRect(2).center());
    QCOMPARE(QColor(image.pixel(inThird)), QColor(Qt::red));
}

void TestMarvokControls::bitBtnClosesWithItsModalResult()
{
    TIDialogForm dlg;
    auto *btn = new TIBitBtn(QStringLiteral("&Da"), &dlg);
    btn->SetModalResult(mrYes);
    tovlet::test::TModalResponder responder;
    responder.Expect([&](QWidget *) { QTest::mouseClick(btn, Qt::LeftButton); });
    QCOMPARE(dlg.exec(), int(mrYes));
}

void TestMarvokControls::dbEditWritesTypedTextAndNeverLosesIt()
{
    toolkit::TMemDataSet ds;
    ds.AddFieldDef(QStringLiteral("PRIIMEK"), toolkit::TFieldType::ftString, 20);
    ds.AddFieldDef(QStringLiteral("ROJEN"), toolkit::TFieldType::ftDate);
    ds.Open();
    ds.AppendRecord({QStringLiteral("Novak"), toolkit::EncodeDate(1984, 3, 12)});
    ds.AppendRecord({QStringLiteral("Horvat"), QVariant()});
    ds.First();
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TIDBEdit edit;
    edit.SetDataSource(&src);
    edit.SetDataField(QStringLiteral("PRIIMEK"));
    QCOMPARE(edit.text(), QStringLiteral("Novak"));
    QCOMPARE(edit.maxLength(), 20);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("Kos"));
    QCOMPARE(ds.State(), toolkit::TDataSetState::dsEdit); // the first key started editing
    ds.Next(); // moving on without Enter: the text is saved, not lost
    QCOMPARE(edit.text(), QStringLiteral("Horvat"));
    ds.First();
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Kos"));
    QCOMPARE(edit.text(), QStringLiteral("Kos"));

    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("Zupan"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Zupan"));
    ds.Cancel(); // cancelling shows the stored text again
    QCOMPARE(edit.text(), QStringLiteral("Kos"));

    ds.FieldByName(QStringLiteral("PRIIMEK"))->SetReadOnly(true);
    edit.Refresh();
    QVERIFY(edit.isReadOnly());
}

void TestMarvokControls::dbEditReportsRefusedTextAndKeepsItForCorrection()
{
    toolkit::TMemDataSet ds;
    ds.AddFieldDef(QStringLiteral("ROJEN"), toolkit::TFieldType::ftDate);
    ds.Open();
    ds.AppendRecord({toolkit::EncodeDate(1984, 3, 12)});
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TIDBEdit edit;
    edit.SetDataSource(&src);
    edit.SetDataField(QStringLiteral("ROJEN"));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setFocus();
    edit.selectAll();
    QString message;
    SetMessageDlgResponder([&](const QString &text, TMsgDlgType, TMsgDlgButtons) {
        message = text;
        return int(mrOk);
    });
    QTest::keyClicks(&edit, QStringLiteral("31.2.1984"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(message, QStringLiteral("»31.2.1984« ni veljaven datum."));
    // What was typed stays, selected, and the field keeps its value.
    QCOMPARE(edit.text(), QStringLiteral("31.2.1984"));
    QCOMPARE(edit.selectedText(), QStringLiteral("31.2.1984"));
    QVERIFY(edit.isModified());
    QCOMPARE(ds.FieldByName(QStringLiteral("ROJEN"))->AsDateTime(), toolkit::EncodeDate(1984, 3, 12));
    QVERIFY(!edit.CommitEdit());
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("29.2.1984"));
    QVERIFY(edit.CommitEdit());
    QCOMPARE(ds.FieldByName(QStringLiteral("ROJEN"))->AsDateTime(), toolkit::EncodeDate(1984, 2, 29));
    SetMessageDlgResponder({});
}

void TestMarvokControls::dbMemoFollowsItsField()
{
    toolkit::TMemDataSet ds;
    ds.AddFieldDef(QStringLiteral("OPIS"), toolkit::TFieldType::ftMemo);
    ds.Open();
    ds.AppendRecord({QStringLiteral("prva\nvrstica")});
    ds.AppendRecord({QStringLiteral("druga")});
    ds.First();
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TIDBMemo memo;
    memo.SetDataSource(&src);
    memo.SetDataField(QStringLiteral("OPIS"));
    QCOMPARE(memo.toPlainText(), QStringLiteral("prva\nvrstica"));
    memo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&memo));
    memo.setFocus();
    QTest::keyClicks(&memo, QStringLiteral("X"));
    ds.Next();
    QCOMPARE(memo.toPlainText(), QStringLiteral("druga"));
    ds.First();
    QVERIFY(ds.FieldByName(QStringLiteral("OPIS"))->AsString().contains(QLatin1Char('X')));
}

void TestMarvokControls::zipArchivesFilesOfAMask()
{
    if (SevenZipProgram().isEmpty())
        QSKIP("no 7-Zip program (scripts/setup.sh installs it)");
    QTemporaryDir dir;
    for (const char *name : {"izvid1.txt", "izvid2.txt", "-opomba.txt", "slika.png"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("vsebina ");
        f.write(name);
    }
    TAbZipArchive zip(dir.filePath(QStringLiteral("arhiv.zip")));
    zip.SetBaseDirectory(dir.path() + QLatin1Char('/'));
    zip.AddFiles(dir.filePath(QStringLiteral("*.txt")));
    QCOMPARE(zip.Files().size(), 3);
    zip.Save();
    QStringList entries = TAbZipArchive::List(dir.filePath(QStringLiteral("arhiv.zip")));
    entries.sort();
    QCOMPARE(entries, (QStringList{"-opomba.txt", "izvid1.txt", "izvid2.txt"}));

    TAbZipArchive outside(dir.filePath(QStringLiteral("slabo.zip")));
    outside.SetBaseDirectory(dir.filePath(QStringLiteral("sub")));
    AbZip(outside, dir.filePath(QStringLiteral("izvid1.txt")));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, outside.Save());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("slabo.zip"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("slabo.zip.part.zip"))));
}

void TestMarvokControls::objectGuardReleasesOnLastCopy()
{
    int released = 0;
    {
        auto guard = std::make_shared<TIObjectGuard>([&] { ++released; });
        auto copy = guard;
        guard.reset();
        QCOMPARE(released, 0);
    }
    QCOMPARE(released, 1);
}

QTEST_MAIN(TestMarvokControls)
#include "tst_marvok_controls.moc"
