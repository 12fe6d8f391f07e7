#include "ModalResponder.h"
#include "TestDatabase.h"

#include "marvok/Idialogs.h"
#include "pelvar/plAuth.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/dialogs/dAfPrgrs.h"
#include "tovlet/dialogs/dAskBPL.h"
#include "tovlet/dialogs/dDefDir.h"
#include "tovlet/dialogs/dIHSelectionMode.h"
#include "tovlet/dialogs/dReason.h"
#include "tovlet/dialogs/fRepPreD.h"
#include "tovlet/dialogs/fmPleaseWait.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLayout>
#include <QLineEdit>
#include <QPrinter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tovlet;

class TestSmallDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void pleaseWaitAnimatesAndGrowsWithText();
    void pleaseWaitInsideAParent();
    void progressReportsCancel();
    void reasonDialogOptions_data();
    void reasonDialogOptions();
    void packageChoiceIsRemembered();
    void folderChoiceFallsBackOnCancel();
    void archiveModeChoice();
    void draftPreviewIsRegisteredWhileShown();

private:
    std::unique_ptr<TPackageScope> FPackage;
    std::unique_ptr<tovlet::test::TTestDatabase> FDb;
    QStringList FMessages;
};

void TestSmallDialogs::init()
{
    FPackage = std::make_unique<TPackageScope>();
    FDb = std::make_unique<tovlet::test::TTestDatabase>();
    pelvar::AuthManager().Grant(QStringLiteral("acDialog.acOK"));
    pelvar::AuthManager().Grant(QStringLiteral("acDialog.acCancel"));
    FMessages.clear();
    marvok::SetMessageDlgResponder([this](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        FMessages << text;
        return int(marvok::mrOk);
    });
}

void TestSmallDialogs::cleanup()
{
    marvok::SetMessageDlgResponder({});
    FreeDialog();
    FDb.reset();
    FPackage.reset();
}

void TestSmallDialogs::pleaseWaitAnimatesAndGrowsWithText()
{
    EnsureDialog(QStringLiteral("Nalaganje"), QString(), true);
    TfmPleaseWait *d = PleaseWaitDialog();
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QStringLiteral("Nalaganje"));
    QVERIFY(d->isVisible());
    QVERIFY(d->TopPanel()->isHidden());
    QCOMPARE(d->Timer()->interval(), 10);
    const int plain = d->height();
    QTRY_VERIFY(d->Animation()->Position() > 5); // the timer moves the bar
    QCOMPARE(d->Animation()->Color(), toolkit::ColorToQColor(toolkit::clHighlight));
    for (int i = 0; i < 300; ++i)
        d->DoProgress();
    QVERIFY(d->Animation()->Position() < 100);
    FreeDialog();
    QVERIFY(!PleaseWaitDialog());
    EnsureDialog(QStringLiteral("Nalaganje"), QStringLiteral("Prva vrstica\r\nDruga vrstica"), false, 50);
    d = PleaseWaitDialog();
    QVERIFY(!d->isVisible());
    QVERIFY(!d->TopPanel()->isHidden());
    QCOMPARE(d->Timer()->interval(), 50);
    QVERIFY(d->height() >= plain + 2 * d->fontMetrics().height() - 2);
    int ticks = 0;
    EnsureDialog(QStringLiteral("x"), QString(), true, 5, [&] { ++ticks; });
    QTRY_VERIFY(ticks > 2);
}

void TestSmallDialogs::pleaseWaitInsideAParent()
{
    QWidget parent;
    parent.resize(400, 80);
    EnsureDialog(QString(), QStringLiteral("besedilo"), true, -1, {}, &parent);
    TfmPleaseWait *d = PleaseWaitDialog();
    QCOMPARE(d->parentWidget(), &parent);
    QVERIFY(!d->isWindow());
    QVERIFY(d->TopPanel()->isHidden());
    QCOMPARE(d->Animation()->width(), 400 - 2 * d->layout()->contentsMargins().left());
}

void TestSmallDialogs::progressReportsCancel()
{
    TdlgProgress dlg;
    bool cancel = true;
    dlg.OnShowProgress(nullptr, QStringLiteral("Izvažam ..."), 30, 200, true, cancel);
    QVERIFY(!cancel);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Obdelava"));
    QCOMPARE(dlg.Bar()->maximum(), 200);
    QCOMPARE(dlg.Bar()->value(), 30);
    QCOMPARE(dlg.MessageLabel()->text(), QStringLiteral("Izvažam ..."));
    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    dlg.OnShowProgress(nullptr, QStringLiteral("Izvažam ..."), 40, 200, true, cancel);
    QVERIFY(cancel);
    dlg.OnShowProgress(nullptr, QString(), 0, 100, false, cancel);
    QVERIFY(!dlg.isVisible());
}

void TestSmallDialogs::reasonDialogOptions_data()
{
    QTest::addColumn<bool>("password");
    QTest::addColumn<bool>("canCancel");
    QTest::addColumn<QString>("required"); // the message when OK finds no reason
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("steps"); // text to type, or a key; the dialog stays open until the last
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("reason");
    const int accepted = QDialog::Accepted;
    const QString start = QStringLiteral("Zacetek");
    QTest::newRow("typed and Enter") << false << true << "" << start << QStringList{" Bolniska", "Return"} << accepted << "Zacetek Bolniska";
    QTest::newRow("masked") << true << true << "" << start << QStringList{" geslo", "Return"} << accepted << "Zacetek geslo";
    QTest::newRow("escape cancels") << false << true << "" << start << QStringList{" ", "Escape"} << int(QDialog::Rejected) << "Zacetek ";
    QTest::newRow("no cancel allowed") << false << false << "" << start << QStringList{" ", "Escape", "Return"} << accepted << "Zacetek ";
    QTest::newRow("required reason keeps the dialog open")
        << false << true << "Razlog je obvezen!" << "" << QStringList{"Return", "Napaka pri vnosu", "Return"} << accepted << "Napaka pri vnosu";
}

void TestSmallDialogs::reasonDialogOptions()
{
    QFETCH(bool, password);
    QFETCH(bool, canCancel);
    QFETCH(QString, required);
    QFETCH(QString, before);
    QFETCH(QStringList, steps);
    QFETCH(int, result);
    QFETCH(QString, reason);
    tovlet::test::TModalResponder responder;
    QString caption, label, cancelText;
    bool masked = false, openUntilLast = true;
    int maxLength = 0;
    responder.Expect([&](QWidget *w) {
        auto *dlg = qobject_cast<TdlgReason *>(w);
        caption = dlg->windowTitle();
        label = dlg->laReason()->text();
        cancelText = dlg->btPreklici()->text();
        masked = dlg->edReason()->echoMode() == QLineEdit::Password;
        maxLength = dlg->edReason()->maxLength();
        dlg->edReason()->setFocus();
        dlg->edReason()->end(false);
        for (const QString &step : steps) {
            openUntilLast = openUntilLast && dlg->isVisible();
            if (step == QLatin1String("Return") || step == QLatin1String("Escape"))
                QTest::keyClick(dlg->edReason(), step == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Escape);
            else
                QTest::keyClicks(dlg->edReason(), step);
        }
    });
    TIReasonDialogOptions o;
    o.Caption = QStringLiteral("Razlog brisanja");
    o.Label = QStringLiteral("Zakaj?");
    o.CancelCaption = QStringLiteral("Opusti");
    o.CanCancel = canCancel;
    o.RequiredMessage = required;
    o.Password = password;
    o.MaxLength = 40;
    QString r = before;
    QCOMPARE(CreateCustomReasonDialog(r, o), result);
    QVERIFY(openUntilLast);
    QCOMPARE(r, reason);
    QCOMPARE(FMessages, required.isEmpty() ? QStringList() : QStringList{required});
    QCOMPARE(caption, QStringLiteral("Razlog brisanja"));
    QCOMPARE(label, QStringLiteral("Zakaj?"));
    QCOMPARE(cancelText, QStringLiteral("Opusti"));
    QCOMPARE(masked, password);
    QCOMPARE(maxLength, 40);
}

void TestSmallDialogs::packageChoiceIsRemembered()
{
    QFile::remove(TdlgChooseBPLs::SettingsFileName());
    QStringList packages{QStringLiteral("/opt/app/plugins/libdokumenti.so"), QStringLiteral("/opt/app/plugins/liblab.so")};
    tovlet::test::TModalResponder responder;
    responder.Expect([](QWidget *w) {
        auto *dlg = qobject_cast<TdlgChooseBPLs *>(w);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Izberi knjižnice"));
        QCOMPARE(dlg->List()->item(1)->checkState(), Qt::Checked); // loaded unless told otherwise
        dlg->List()->item(1)->setCheckState(Qt::Unchecked);
        dlg->accept();
    });
    {
        TdlgChooseBPLs dlg;
        QVERIFY(dlg.ShowDialog(packages));
    }
    QCOMPARE(packages, QStringList{QStringLiteral("/opt/app/plugins/libdokumenti.so")});
    QSettings ini(TdlgChooseBPLs::SettingsFileName(), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("LoadBPLs/liblab.so")).toBool(), false);
    QStringList again{QStringLiteral("/opt/app/plugins/libdokumenti.so"), QStringLiteral("/opt/app/plugins/liblab.so")};
    responder.Expect([](QWidget *w) {
        auto *dlg = qobject_cast<TdlgChooseBPLs *>(w);
        QCOMPARE(dlg->List()->item(1)->checkState(), Qt::Unchecked); // remembered
        dlg->reject();
    });
    TdlgChooseBPLs dlg;
    QVERIFY(!dlg.ShowDialog(again));
    QCOMPARE(again.size(), 2); // cancelled: the list stays
    QCOMPARE(TdlgChooseBPLs::GetBPLDescription(QStringLiteral("/ni/takega.so")), QString());
    QFile::remove(TdlgChooseBPLs::SettingsFileName());
}

void TestSmallDialogs::folderChoiceFallsBackOnCancel()
{
    QTemporaryDir dir;
    tovlet::test::TModalResponder responder;
    QString title;
    responder.Expect([&](QWidget *w) {
        title = w->windowTitle();
        qobject_cast<QDialog *>(w)->reject();
    });
    QCOMPARE(GetDefaultDirectoryDialog(dir.path()), dir.path());
    QCOMPARE(title, QStringLiteral("Izberi direktorij: "));
}

void TestSmallDialogs::archiveModeChoice()
{
    TdlgIHMode dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Pošiljanje v IH"));
    QCOMPARE(dlg.Mode(), TdlgIHMode::ihNewVersion);
    QCOMPARE(dlg.Option(1)->text(), QStringLiteral("Zamenjaj obstoječo verzijo dokumenta"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.Option(2), Qt::LeftButton, {}, QPoint(5, dlg.Option(2)->height() / 2));
    QCOMPARE(dlg.Mode(), TdlgIHMode::ihDoNotSend);
}

void TestSmallDialogs::draftPreviewIsRegisteredWhileShown()
{
    TfmReportPreviewDraftReports preview;
    int pages = 0;
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *) { ++pages; });
    tovlet::test::TModalResponder responder;
    int registered = -1;
    responder.Expect([&](QWidget *w) {
        registered = int(TfmReportPreviewDraftReports::ShownModally().size());
        qobject_cast<QDialog *>(w)->reject();
    });
    preview.ShowModal();
    QCOMPARE(registered, 1);
    QVERIFY(TfmReportPreviewDraftReports::ShownModally().isEmpty());
    QVERIFY(pages >= 1); // the preview asked for the pages
}

QTEST_MAIN(TestSmallDialogs)
#include "tst_small_dialogs.moc"
