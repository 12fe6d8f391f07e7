#include "DemoDatabase.h"
#include "DemoPatientCard.h"
#include "DemoPatientGrid.h"
#include "tovlet/grids/cMirGrid.h"
#include "tovlet/core/iAfParam.h"
#include "tovlet/views/CuiVList.h"
#include "marvok/Igl.h"
#include <QMenu>
#include <QHeaderView>
#include "DemoCodeChooser.h"
#include "DemoMainWindow.h"
#include "toolkit/Exception.h"
#include "DemoUseCases.h"
#include "DemoWindows.h"
#include "ModalResponder.h"

#include "marvok/Idialogs.h"
#include "marvok/cSifra.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plObject.h"
#include "tovlet/dialogs/dAfPrgrs.h"
#include "tovlet/dialogs/dAskBPL.h"
#include "tovlet/dialogs/dDefDir.h"
#include "tovlet/dialogs/dIHSelectionMode.h"
#include "tovlet/dialogs/dReason.h"
#include "tovlet/dialogs/fRepPreD.h"
#include "tovlet/dialogs/fmPleaseWait.h"
#include <QSqlQuery>
#include "tovlet/core/Tovlet.h"
#include "tovlet/lookups/frSifLis.h"
#include "tovlet/usecases/iUC.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSet>
#include <QListWidget>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QProcess>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include "marvok/Isifrant.h"

using namespace demo;

namespace {
QStringList MenuTitles(QMainWindow &w)
{
    QStringList r;
    for (QAction *a : w.menuBar()->actions())
        r << a->text().remove(QLatin1Char('&'));
    return r;
}
QStringList ToolTexts(QToolBar *bar)
{
    QStringList r;
    for (QAction *a : bar->actions())
        r << a->text().remove(QLatin1Char('&'));
    return r;
}
} // namespace

class TestDemo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menusFollowTheContext_data();
    void menusFollowTheContext();
    void customisedToolBarIsSavedInTheUseCaseFile();
    void patientCardMarksRequiredFieldsAndSaves();
    void patientCardAsksBeforeLosingChanges();
    void longCheckShowsProgressAndCancels();
    void cardOfAPatientDeletedElsewhereIsToldAndTheListRefreshed();
    void brokenUseCaseFileStartsWithTheDefaults();
    void damagedOrEmptyFilesAreNamedAndReplacedOnlyWhenAsked_data();
    void damagedOrEmptyFilesAreNamedAndReplacedOnlyWhenAsked();
    void twoFirstStartsAtOnceMakeOneDatabase();
    void readOnlyDatabaseIsSaidAtStart();
    void everyWindowRendersHeadless_data();
    void everyWindowRendersHeadless();
    void showListNamesEveryWindowAndScreenshotsNeverWait();
    void doubleClickOrEnterOpensThatPatientsCard_data();
    void doubleClickOrEnterOpensThatPatientsCard();
    void sexAndBirthDateChosenOnTheCardAreSaved();
    void entriesNotBuiltYetSayWhatWillComeInWords_data();
    void entriesNotBuiltYetSayWhatWillComeInWords();
    void contextCombosShowNamesAndKeepCodesBehind();
    void patientGridLayoutComesBackAfterARestart();
    void allergiesChosenAreSavedAndNotLostUnasked();
    void patientListViewsComeBackForTheirUser();
};

void TestDemo::menusFollowTheContext_data()
{
    QTest::addColumn<QString>("wu");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("menus");
    QTest::addColumn<QStringList>("tools");
    QTest::newRow("outpatient doctor") << "AMBULANTA" << "ZDRAVNIK" << QStringList{"Datoteka", "Pacienti", "Naročanje", "Dokumenti", "Pomoč"}
                                       << QStringList{"Osveži", "Seznam pacientov", "Dnevni razpored", "Izvidi"};
    QTest::newRow("ward nurse") << "HOSP_ODDELEK" << "SESTRA" << QStringList{"Datoteka", "Pacienti", "Pomoč"}
                                << QStringList{"Osveži", "Pacientov karton"};
    QTest::newRow("administrator") << "AMB_SPREJEM" << "ADMINISTRATOR" << QStringList{"Datoteka", "Pacienti", "Orodja", "Pomoč"}
                                   << QStringList{"Osveži", "SQL monitor"};
    QTest::newRow("a context nobody set up") << "HOSP_SPREJEM" << "ZDRAVNIK" << QStringList{"Datoteka"} << QStringList{"Osveži"};
}

void TestDemo::menusFollowTheContext()
{
    QFETCH(QString, wu);
    QFETCH(QString, user);
    QFETCH(QStringList, menus);
    QFETCH(QStringList, tools);
    tovlet::TPackageScope package;
    QTemporaryDir dir;
    OpenDemoDatabase(dir.path());
    const QString file = LoadDemoUseCases(dir.path());
    {
        TDemoMainWindow w(dir.path(), file);
        w.SelectContext(wu, user);
        QCOMPARE(MenuTitles(w), menus);
        QCOMPARE(ToolTexts(w.UseCaseToolBar()), tools);
    }
    pelvar::CloseConnection();
}

void TestDemo::customisedToolBarIsSavedInTheUseCaseFile()
{
    tovlet::TPackageScope package;
    QTemporaryDir dir;
    OpenDemoDatabase(dir.path());
    QString file = LoadDemoUseCases(dir.path());
    {
        TDemoMainWindow w(dir.path(), file);
        w.SelectContext(QStringLiteral("AMBULANTA"), QStringLiteral("SESTRA"));
        QCOMPARE(ToolTexts(w.UseCaseToolBar()), (QStringList{"Osveži", "Dnevni razpored"}));
        tovlet::test::TModalResponder responder;
        bool inheritedShownTicked = false;
        responder.Expect([&inheritedShownTicked](QWidget *dlg) {
            auto *list = dlg->findChild<QListWidget *>(QStringLiteral("lbPrimeri"));
            for (int i = 0; i < list->count(); ++i) {
                const QString code = list->item(i)->data(Qt::UserRole).toString();
                // "Osveži" comes from the default context: ticked, and not this context's to untick.
                if (code == QLatin1String("UC_OSVEZI"))
                    inheritedShownTicked = list->item(i)->checkState() == Qt::Checked
                                           && !(list->item(i)->flags() & Qt::ItemIsUserCheckable);
                if (code == QLatin1String("UC_IZVIDI"))
                    list->item(i)->setCheckState(Qt::Checked);
                if (code == QLatin1String("UC_RAZPORED"))
                    list->item(i)->setCheckState(Qt::Unchecked);
            }
            QMetaObject::invokeMethod(dlg, "accept");
        });
        w.CustomiseToolBar();
        QVERIFY(inheritedShownTicked);
        QCOMPARE(ToolTexts(w.UseCaseToolBar()), (QStringList{"Osveži", "Izvidi"})); // once
    }
    // Another start reads the saved tool bar back.
    tovlet::IUCUnitGlobals()->ClearAll();
    file = LoadDemoUseCases(dir.path());
    {
        TDemoMainWindow w(dir.path(), file);
        w.SelectContext(QStringLiteral("AMBULANTA"), QStringLiteral("SESTRA"));
        QCOMPARE(ToolTexts(w.UseCaseToolBar()), (QStringList{"Osveži", "Izvidi"}));
        w.SelectContext(QStringLiteral("AMBULANTA"), QStringLiteral("ZDRAVNIK")); // other contexts keep theirs
        QVERIFY(ToolTexts(w.UseCaseToolBar()).contains(QStringLiteral("Dnevni razpored")));
    }
    pelvar::CloseConnection();
}

namespace {
struct TDemoFixture
{
    tovlet::TPackageScope Package;
    QTemporaryDir Dir;
    QString File;
    TDemoFixture()
    {
        OpenDemoDatabase(Dir.path());
        File = LoadDemoUseCases(Dir.path());
        RegisterDemoClasses();
    }
    ~TDemoFixture()
    {
        pelvar::GlobalDictionary().CollectGarbage();
        pelvar::CloseConnection();
    }
};
QString Phone(qint64 id)
{
    QSqlQuery q(pelvar::Connection());
    q.exec(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = %1").arg(id));
    return q.next() ? q.value(0).toString() : QString();
}
} // namespace

void TestDemo::patientCardMarksRequiredFieldsAndSaves()
{
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    tovlet::test::TModalResponder responder;
    bool tinted = false, boldAfterEdit = false;
    responder.Expect([&](QWidget *d) {
        auto *dlg = qobject_cast<TdlgPacient *>(d);
        QLineEdit *surname = dlg->Edit(QStringLiteral("PRIIMEK"));
        QCOMPARE(surname->text(), QStringLiteral("Novak"));
        surname->setFocus();
        surname->selectAll();
        QTest::keyClick(surname, Qt::Key_Delete);
        tinted = marvok::ControlColor(surname) == tovlet::RequiredColor;
        QTest::keyClicks(surname, QStringLiteral("Novak-Kos"));
        QTest::keyClick(surname, Qt::Key_Return);
        QLineEdit *phone = dlg->Edit(QStringLiteral("TELEFON"));
        phone->setFocus();
        phone->selectAll();
        QTest::keyClicks(phone, QStringLiteral("031 555 666"));
        QTest::keyClick(phone, Qt::Key_Return);
        boldAfterEdit = dlg->btOK()->font().bold();
        QTest::mouseClick(dlg->btOK(), Qt::LeftButton);
    });
    QCOMPARE(w.OpenPatientCard(1), int(QDialog::Accepted));
    QVERIFY(tinted);
    QVERIFY(boldAfterEdit);
    QCOMPARE(Phone(1), QStringLiteral("031 555 666"));
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestDemo::cardOfAPatientDeletedElsewhereIsToldAndTheListRefreshed()
{
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    w.SelectContext(QStringLiteral("HOSP_ODDELEK"), QStringLiteral("SESTRA"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *table = w.findChild<QTableWidget *>();
    QVERIFY(table);
    const int before = table->rowCount();
    table->setCurrentCell(0, 0);
    const qint64 id = table->item(0, 0)->data(Qt::UserRole).toLongLong();
    // Another program deletes the patient meanwhile.
    QSqlQuery(pelvar::Connection()).exec(QStringLiteral("delete from QDAT.PACIENT where ID = %1").arg(id));
    QStringList messages;
    marvok::SetMessageDlgResponder([&](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        messages << text;
        return int(marvok::mrOk);
    });
    QAction *card = nullptr;
    for (QAction *a : w.UseCaseToolBar()->actions())
        if (a->text().remove(QLatin1Char('&')) == QLatin1String("Pacientov karton"))
            card = a;
    QVERIFY(card);
    card->trigger();
    marvok::SetMessageDlgResponder({});
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("Zapisa ni več v bazi")), qPrintable(messages.first()));
    QCOMPARE(table->rowCount(), before - 1);
}

void TestDemo::brokenUseCaseFileStartsWithTheDefaults()
{
    tovlet::TPackageScope package;
    QTemporaryDir dir;
    OpenDemoDatabase(dir.path());
    const QByteArray broken = "<?xml version=\"1.0\"?>\n<UseCaseSystem>\n<WinControls>\n<WinControl><Code>mnuMain";
    {
        QFile f(dir.filePath(QStringLiteral("usecases.xml")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(broken);
    }
    QString problem;
    const QString file = LoadDemoUseCases(dir.path(), &problem);
    QVERIFY2(problem.contains(QLatin1String("usecases.xml")) && problem.contains(QLatin1String("line 4")), qPrintable(problem));
    {
        TDemoMainWindow w(dir.path(), file);
        w.SelectContext(QStringLiteral("AMBULANTA"), QStringLiteral("ZDRAVNIK"));
        QVERIFY(MenuTitles(w).contains(QStringLiteral("Pacienti"))); // the clinic can work
    }
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), broken); // left for someone to repair
    pelvar::CloseConnection();
}

void TestDemo::damagedOrEmptyFilesAreNamedAndReplacedOnlyWhenAsked_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("offset"); // where junk goes; -1: the file is emptied
    QTest::newRow("empty clinic file") << "qdat.sqlite" << qint64(-1);
    QTest::newRow("clinic file is no database") << "qdat.sqlite" << qint64(0);
    QTest::newRow("garbled page in the clinic file") << "qdat.sqlite" << qint64(4096 * 2 + 8);
    QTest::newRow("main file is no database") << "tovlet-demo.sqlite" << qint64(0);
}

void TestDemo::damagedOrEmptyFilesAreNamedAndReplacedOnlyWhenAsked()
{
    QFETCH(QString, file);
    QFETCH(qint64, offset);
    tovlet::TPackageScope package;
    QTemporaryDir dir;
    OpenDemoDatabase(dir.path());
    pelvar::CloseConnection();
    {
        QFile f(dir.filePath(file));
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (offset < 0) {
            QVERIFY(f.resize(0));
        } else {
            QVERIFY(f.size() > offset + 4000);
            f.seek(offset);
            f.write(QByteArray(4000, '\xA5'));
        }
    }
    // Said by name, and nothing is replaced without asking.
    QString said;
    try {
        OpenDemoDatabase(dir.path());
        QFAIL("the damage went unnoticed");
    } catch (const toolkit::Exception &e) {
        said = e.UserMessage();
    }
    QVERIFY2(said.contains(QDir::toNativeSeparators(dir.filePath(file))), qPrintable(said));
    QVERIFY(!QSqlDatabase::database(QStringLiteral("_ZDR"), false).isOpen());
    // The user agrees to start afresh: the old file is kept beside the new one.
    QString asked;
    const TDemoDatabase opened = OpenDemoDatabase(dir.path(), [&](const QString &question) {
        asked = question;
        return true;
    });
    QVERIFY(asked.contains(QDir::toNativeSeparators(dir.filePath(file))));
    QVERIFY(QFile::exists(opened.SetAside));
    QSqlQuery q(pelvar::Connection());
    QVERIFY(q.exec(QStringLiteral("select count(*) from QDAT.PACIENT")) && q.next());
    QVERIFY(q.value(0).toInt() > 0); // a working clinic again
    q = QSqlQuery();
    pelvar::CloseConnection();
}

void TestDemo::twoFirstStartsAtOnceMakeOneDatabase()
{
#ifndef TOVLET_DEMO_BIN
    QSKIP("the demo is not built");
#else
    // Two instances started together on a new folder, several times over:
    // both start, and the folder ends with one seeded database.
    for (int round = 0; round < 4; ++round) {
        QTemporaryDir dir;
        QList<QProcess *> runs;
        for (int k = 0; k < 2; ++k) {
            auto *p = new QProcess(this);
            p->setProcessChannelMode(QProcess::MergedChannels);
            p->start(QStringLiteral(TOVLET_DEMO_BIN), {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--screenshot"),
                                                       dir.filePath(QStringLiteral("shot%1.png").arg(k))});
            runs << p;
        }
        for (QProcess *p : runs) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitCode() == 0, p->readAll().constData());
            delete p;
        }
        tovlet::TPackageScope package;
        OpenDemoDatabase(dir.path());
        QSqlQuery q(pelvar::Connection());
        QVERIFY(q.exec(QStringLiteral("select count(*) from QDAT.PACIENT")) && q.next());
        QCOMPARE(q.value(0).toInt(), 8);
        q = QSqlQuery();
        pelvar::CloseConnection();
    }
#endif
}

void TestDemo::readOnlyDatabaseIsSaidAtStart()
{
    tovlet::TPackageScope package;
    QTemporaryDir dir;
    OpenDemoDatabase(dir.path());
    pelvar::CloseConnection();
    const QString qdat = dir.filePath(QStringLiteral("qdat.sqlite"));
    // Even the superuser cannot write an immutable file: as a read-only share would be.
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), qdat}) != 0)
        QSKIP("chattr is not available here");
    struct TUndo
    {
        QString File;
        ~TUndo() { QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), File}); }
    } undo{qdat};
    QString said;
    try {
        OpenDemoDatabase(dir.path());
    } catch (const toolkit::Exception &e) {
        said = e.UserMessage();
    }
    QVERIFY2(said.contains(QStringLiteral("samo za branje")) && said.contains(QDir::toNativeSeparators(qdat)), qPrintable(said));
    QVERIFY(!QSqlDatabase::database(QStringLiteral("_ZDR"), false).isOpen());
}

void TestDemo::patientCardAsksBeforeLosingChanges()
{
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    QStringList questions;
    marvok::SetMessageDlgResponder([&](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        questions << text;
        return int(marvok::mrNo);
    });
    tovlet::test::TModalResponder responder;
    responder.Expect([&](QWidget *d) {
        auto *dlg = qobject_cast<TdlgPacient *>(d);
        QLineEdit *phone = dlg->Edit(QStringLiteral("TELEFON"));
        phone->setFocus();
        phone->selectAll();
        QTest::keyClicks(phone, QStringLiteral("000"));
        QTest::keyClick(phone, Qt::Key_Return);
        dlg->close(); // the window's close button, not Cancel
    });
    w.OpenPatientCard(2);
    marvok::SetMessageDlgResponder({});
    QCOMPARE(questions, QStringList{QStringLiteral("Podatki so bili spremenjeni. Naj jih shranim?")});
    QCOMPARE(Phone(2), QStringLiteral("031 222 333")); // "No" dropped the change
}

void TestDemo::longCheckShowsProgressAndCancels()
{
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    w.show();
    QCOMPARE(w.RunLongCheck(), 8);
    QVERIFY(!tovlet::PleaseWaitDialog()); // freed after its part
    // Pressing "Prekliči" in the progress window stops the check.
    QTimer clicker;
    clicker.setInterval(20);
    connect(&clicker, &QTimer::timeout, &w, [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<tovlet::TdlgProgress *>(top); p && p->isVisible() && p->Bar()->value() >= 2) {
                QTest::mouseClick(p->CancelButton(), Qt::LeftButton);
                clicker.stop();
            }
    });
    clicker.start();
    const int done = w.RunLongCheck();
    QVERIFY2(done < 8, qPrintable(QString::number(done)));
}

namespace {
// Texts that do not fit their control: a label or button narrower than what it says.
QStringList ClippedTexts(QWidget *window)
{
    QStringList clipped;
    for (QLabel *l : window->findChildren<QLabel *>()) {
        const QString text = l->text();
        if (!l->isVisibleTo(window) || text.isEmpty() || l->wordWrap() || Qt::mightBeRichText(text))
            continue;
        const int needed = l->fontMetrics().horizontalAdvance(QString(text).remove(QLatin1Char('&')));
        if (needed > l->contentsRect().width())
            clipped << QStringLiteral("%1 (%2 < %3)").arg(text).arg(l->contentsRect().width()).arg(needed);
    }
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        const QString text = b->text().remove(QLatin1Char('&'));
        if (!b->isVisibleTo(window) || text.isEmpty())
            continue;
        // Radio and check buttons draw an indicator before the text.
        const int needed = qobject_cast<QPushButton *>(b) ? b->fontMetrics().horizontalAdvance(text) + 6 : b->sizeHint().width();
        if (needed > b->width())
            clipped << QStringLiteral("%1 (%2 < %3)").arg(text).arg(b->width()).arg(needed);
    }
    // A list whose lines do not fit shows a horizontal scroll bar.
    for (QAbstractScrollArea *area : window->findChildren<QAbstractScrollArea *>())
        if (area->isVisibleTo(window) && area->horizontalScrollBar()->isVisibleTo(window))
            clipped << area->objectName() + QStringLiteral(" scrolls sideways");
    return clipped;
}

QPoint RowCentre(QTableWidget *table, int row)
{
    return table->visualItemRect(table->item(row, 1)).center();
}

int RowOf(QTableWidget *table, const QString &surname)
{
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->text() == surname)
            return r;
    return -1;
}
} // namespace

void TestDemo::everyWindowRendersHeadless_data()
{
    QTest::addColumn<QString>("name");
    for (const TDemoWindow &w : DemoWindows())
        QTest::newRow(qPrintable(w.Name)) << w.Name;
}

void TestDemo::everyWindowRendersHeadless()
{
    QFETCH(QString, name);
    TDemoFixture f;
    TDemoMainWindow main(f.Dir.path(), f.File);
    const TDemoWindow *entry = FindDemoWindow(name);
    QVERIFY(entry && !entry->Description.isEmpty());
    {
        TDemoWindowPtr window = entry->Create(main);
        QVERIFY(window);
        const QImage image = RenderDemoWindow(window.get());
        QVERIFY(!window->isModal()); // rendering never waits for a person
        QVERIFY2(image.width() >= 150 && image.width() <= 1400 && image.height() >= 50 && image.height() <= 1000,
                 qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() >= 8, qPrintable(QString::number(colours.size()))); // text and frames, not a blank
        const QStringList clipped = ClippedTexts(window.get());
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
    }
    QVERIFY(!tovlet::PleaseWaitDialog());
}

void TestDemo::showListNamesEveryWindowAndScreenshotsNeverWait()
{
#ifndef TOVLET_DEMO_BIN
    QSKIP("the demo is not built");
#else
    auto run = [](QProcess &p, const QStringList &args) {
        p.start(QStringLiteral(TOVLET_DEMO_BIN), args);
        return p.waitForFinished(60000);
    };
    QProcess list, unknown, shot;
    QVERIFY(run(list, {QStringLiteral("--show"), QStringLiteral("list")}));
    QCOMPARE(list.exitCode(), 0);
    QStringList names, registered;
    for (const QString &line : QString::fromUtf8(list.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QVERIFY2(line.section(QLatin1Char(' '), 1).trimmed().size() > 3, qPrintable(line)); // each with its description
        names << line.section(QLatin1Char(' '), 0, 0);
    }
    for (const TDemoWindow &w : DemoWindows())
        registered << w.Name;
    QCOMPARE(names, registered);

    QVERIFY(run(unknown, {QStringLiteral("--show"), QStringLiteral("nothing-of-that-name")}));
    QVERIFY(unknown.exitCode() != 0);
    QVERIFY(QString::fromUtf8(unknown.readAllStandardError()).contains(QStringLiteral("patient-card")));

    // A dialog rendered from the command line is not run: the program ends by itself.
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("card.png"));
    shot.setProcessChannelMode(QProcess::MergedChannels);
    QVERIFY(run(shot, {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--show"), QStringLiteral("patient-card"),
                       QStringLiteral("--screenshot"), png}));
    QVERIFY2(shot.exitCode() == 0, shot.readAll().constData());
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() < 900); // the card, not the main window
#endif
}

void TestDemo::doubleClickOrEnterOpensThatPatientsCard_data()
{
    QTest::addColumn<bool>("byMouse");
    QTest::addColumn<QStringList>("card"); // surname, name, sex shown, sex code, birth date
    QTest::newRow("double click on Ana Novak") << true << QStringList{"Novak", "Ana", "ženski", "Z", "1984-03-12"};
    QTest::newRow("Enter on Marko Horvat") << false << QStringList{"Horvat", "Marko", "moški", "M", "1951-11-02"};
}

void TestDemo::doubleClickOrEnterOpensThatPatientsCard()
{
    QFETCH(bool, byMouse);
    QFETCH(QStringList, card);
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTableWidget *table = w.PatientList();
    const int row = RowOf(table, card.first());
    QVERIFY(row >= 0);
    tovlet::test::TModalResponder responder;
    QStringList shown;
    responder.Expect([&](QWidget *d) {
        auto *dlg = qobject_cast<TdlgPacient *>(d);
        QVERIFY(dlg);
        shown << dlg->Edit(QStringLiteral("PRIIMEK"))->text() << dlg->Edit(QStringLiteral("IME"))->text()
              << dlg->SexEdit()->DescriptionLabel()->text() << dlg->SexEdit()->GetCode()
              << dlg->BirthDateEdit()->date().toString(Qt::ISODate);
        QTest::mouseClick(dlg->btPreklici(), Qt::LeftButton);
    });
    if (byMouse) {
        // As a double click arrives: a click, then the second press.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, RowCentre(table, row));
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, RowCentre(table, row));
    } else {
        table->setFocus();
        table->setCurrentCell(row, 0);
        QTest::keyClick(table, Qt::Key_Return);
    }
    QTRY_COMPARE(responder.Pending(), 0);
    QVERIFY(responder.Unexpected().isEmpty());
    QCOMPARE(shown, card);
}

void TestDemo::sexAndBirthDateChosenOnTheCardAreSaved()
{
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    tovlet::test::TModalResponder responder;
    QString described;
    bool boldAfterEdit = false;
    responder.Expect([&](QWidget *d) {
        auto *dlg = qobject_cast<TdlgPacient *>(d);
        QLineEdit *sex = dlg->SexEdit()->Edit();
        sex->setFocus();
        sex->selectAll();
        QTest::keyClicks(sex, QStringLiteral("m")); // lower case is fine
        QTest::keyClick(sex, Qt::Key_Return);
        described = dlg->SexEdit()->DescriptionLabel()->text();
        QDateEdit *born = dlg->BirthDateEdit();
        born->setFocus();
        born->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(born, QStringLiteral("05062001")); // a full section moves on to the next
        QTest::keyClick(born, Qt::Key_Return);
        boldAfterEdit = dlg->btOK()->font().bold();
        QTest::mouseClick(dlg->btOK(), Qt::LeftButton);
    });
    QCOMPARE(w.OpenPatientCard(3), int(QDialog::Accepted));
    QVERIFY(responder.Unexpected().isEmpty());
    QCOMPARE(described, QStringLiteral("moški"));
    QVERIFY(boldAfterEdit);
    QSqlQuery q(pelvar::Connection());
    QVERIFY(q.exec(QStringLiteral("select SPOL, DATUM_ROJSTVA from QDAT.PACIENT where ID = 3")) && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("M"));
    QVERIFY2(q.value(1).toString().startsWith(QLatin1String("2001-06-05")), qPrintable(q.value(1).toString()));
}

void TestDemo::entriesNotBuiltYetSayWhatWillComeInWords_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("wu");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("said");
    QTest::newRow("day planner") << "acRAZPORED" << "AMBULANTA" << "ZDRAVNIK" << "Dnevni razpored ambulante";
    QTest::newRow("admission") << "acSPREJEM" << "AMB_SPREJEM" << "SESTRA" << "Sprejem pacienta";
    QTest::newRow("reports") << "acIZVIDI" << "HOSP_ODDELEK" << "ZDRAVNIK" << "izvidov";
    QTest::newRow("SQL monitor") << "acSQLMON" << "AMBULANTA" << "ADMINISTRATOR" << "poizvedb";
}

void TestDemo::entriesNotBuiltYetSayWhatWillComeInWords()
{
    QFETCH(QString, action);
    QFETCH(QString, wu);
    QFETCH(QString, user);
    QFETCH(QString, said);
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    w.SelectContext(wu, user);
    QAction *entry = nullptr;
    for (QMenu *menu : w.menuBar()->findChildren<QMenu *>())
        for (QAction *a : menu->actions())
            entry = a->objectName() == action ? a : entry;
    QVERIFY2(entry, "the entry is not in the menus");
    QStringList messages;
    marvok::SetMessageDlgResponder([&](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        messages << text;
        return int(marvok::mrOk);
    });
    entry->trigger();
    marvok::SetMessageDlgResponder({});
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(said) && messages.first().contains(QStringLiteral("naslednjih različic")), qPrintable(messages.first()));
    QVERIFY2(!messages.first().contains(QStringLiteral("UC_")), qPrintable(messages.first()));
}

void TestDemo::contextCombosShowNamesAndKeepCodesBehind()
{
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *unit = w.findChild<QComboBox *>(QStringLiteral("cbDelovnaEnota"));
    auto *user = w.findChild<QComboBox *>(QStringLiteral("cbUporabnik"));
    QVERIFY(unit && user);
    auto texts = [](QComboBox *c) {
        QStringList r;
        for (int i = 0; i < c->count(); ++i)
            r << c->itemText(i);
        return r;
    };
    QCOMPARE(texts(unit), (QStringList{"Bolnišnični oddelek", "Ambulanta", "Bolnišnični sprejem", "Ambulantni sprejem"}));
    QCOMPARE(texts(user), (QStringList{"Medicinska sestra", "Zdravnik", "Skrbnik sistema"}));
    QCOMPARE(unit->currentText(), QStringLiteral("Ambulanta"));
    QCOMPARE(user->currentText(), QStringLiteral("Zdravnik"));
    // The user picks the administrator by name, with the keyboard.
    user->setFocus();
    QTest::keyClick(user, Qt::Key_Down);
    QCOMPARE(user->currentText(), QStringLiteral("Skrbnik sistema"));
    QCOMPARE(tovlet::IUCUnitGlobals()->aiUCContext()->aiUserType(), QStringLiteral("ADMINISTRATOR"));
    QVERIFY(MenuTitles(w).contains(QStringLiteral("Orodja")));
    // A type only the use-case file knows still reads as words.
    w.SelectContext(QStringLiteral("DNEVNA_BOLNISNICA"), QStringLiteral("SESTRA"));
    QCOMPARE(unit->currentText(), QStringLiteral("Dnevna bolnisnica"));
    QCOMPARE(unit->currentData().toString(), QStringLiteral("DNEVNA_BOLNISNICA"));
}

void TestDemo::allergiesChosenAreSavedAndNotLostUnasked()
{
    TDemoFixture f;
    TDemoMainWindow w(f.Dir.path(), f.File);
    QStringList messages;
    marvok::SetMessageDlgResponder([&](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        messages << text;
        return int(marvok::mrNo);
    });
    // The menu entry wants a patient first.
    w.PatientList()->setCurrentCell(-1, -1);
    QAction *entry = w.findChild<QAction *>(QStringLiteral("acALERGIJE"));
    QVERIFY(entry);
    entry->trigger();
    QCOMPARE(messages, QStringList{QStringLiteral("Najprej izberite pacienta v seznamu.")});
    messages.clear();

    auto open = [] {
        auto dlg = tovlet::MakeDialog<TdlgAlergije>(qint64(1));
        dlg->show();
        return dlg;
    };
    {
        auto dlg = open();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        QCOMPARE(dlg->Alergije()->GetValues(), QStringLiteral("PENICILIN,LATEKS"));
        tovlet::test::TModalResponder responder;
        responder.Expect([](QWidget *w) {
            auto *form = qobject_cast<marvok::TfmCustomKatalog *>(w);
            QTest::keyClicks(form->SearchEdit(), QStringLiteral("JOD"));
            QTest::keyClick(form->SearchEdit(), Qt::Key_Return);
        });
        QTest::mouseClick(dlg->Alergije()->bbAdd(), Qt::LeftButton);
        QCOMPARE(dlg->Alergije()->GetValues(), QStringLiteral("PENICILIN,LATEKS,JOD"));
        QTest::mouseClick(dlg->btOK(), Qt::LeftButton);
        QVERIFY(dlg->OK());
    }
    {
        auto dlg = open();
        QCOMPARE(dlg->Alergije()->GetValues(), QStringLiteral("PENICILIN,LATEKS,JOD"));
        QCOMPARE(dlg->Opozorila()->GetValues(), QStringLiteral("NOSECNOST"));
        // Deleted and then cancelled: asked, and "No" keeps the database as it was.
        QTreeWidget *list = dlg->Alergije()->lvSelected();
        list->setCurrentItem(list->topLevelItem(0));
        QTest::mouseClick(dlg->Alergije()->ddDelete(), Qt::LeftButton);
        QTest::mouseClick(dlg->btPreklici(), Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
    }
    marvok::SetMessageDlgResponder({});
    QCOMPARE(messages, QStringList{QStringLiteral("Alergij in opozoril niste shranili. Jih shranim?")});
    QCOMPARE(open()->Alergije()->GetValues(), QStringLiteral("PENICILIN,LATEKS,JOD"));
}

QTEST_MAIN(TestDemo)
// A user widens a column and hides another; the list opened again after a
// restart of the program shows them so.
void TestDemo::patientGridLayoutComesBackAfterARestart()
{
    tovlet::TPackageScope package;
    QTemporaryDir dir;
    OpenDemoDatabase(dir.path());
    const QString settings = PatientGridSettingsFile(dir.path());
    QString written;
    {
        std::unique_ptr<QWidget> window(CreatePatientGridWindow(settings));
        auto *grid = window->findChild<tovlet::TIMireloDBGrid *>();
        QVERIFY(grid);
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("Horvat"));
        grid->horizontalHeader()->resizeSection(0, 181);
        QList<marvok::TIColumn> columns = grid->Columns();
        columns[1].Visible = false; // through the columns menu
        grid->SetColumns(columns);
        written = grid->GetSettingsDetail();
    }
    pelvar::CloseConnection();
    OpenDemoDatabase(dir.path());
    {
        std::unique_ptr<QWidget> window(CreatePatientGridWindow(settings));
        auto *grid = window->findChild<tovlet::TIMireloDBGrid *>();
        QCOMPARE(grid->GetSettingsDetail(), written);
        QCOMPARE(grid->columnWidth(0), 181);
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Datum rojstva"));
    }
    pelvar::CloseConnection();
}

// The patient list's views: the doctor's patients of the working day, the
// last day's; the one a user chose comes back for that user after a
// restart, another user starts with the clinic's views.
void TestDemo::patientListViewsComeBackForTheirUser()
{
    tovlet::TPackageScope package;
    tovlet::SetMireloAFParametersClass([](QObject *owner) { return new tovlet::TIDbAFParameters(owner); });
    marvok::ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 3, 3));
    marvok::SetLoginUser(QStringLiteral("ANA"));
    QTemporaryDir dir;
    OpenDemoDatabase(dir.path());
    const QString settings = PatientGridSettingsFile(dir.path());
    auto rows = [](QWidget *w) { return w->findChild<tovlet::TIMireloDBGrid *>()->model()->rowCount(); };
    {
        std::unique_ptr<QWidget> window(CreatePatientGridWindow(settings));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto *views = window->findChild<tovlet::TIUIViewList *>();
        QVERIFY(views);
        QCOMPARE(views->currentText(), QStringLiteral("Vsi pacienti"));
        QCOMPARE(rows(window.get()), 8);
        QVERIFY(!window->findChildren<QLabel *>().isEmpty());
        views->setFocus();
        QTest::keyClick(views, Qt::Key_Down);
        // Dr. Novak saw nobody on 3 March.
        QTRY_COMPARE(views->currentText(), QStringLiteral("Moji pacienti danes"));
        QCOMPARE(rows(window.get()), 0);
        // The menu switches too: "Zadnjih 24 ur" is 2 March, two contacts.
        auto *menu = window->findChild<QMenu *>(QStringLiteral("mnuPogledi"));
        QVERIFY(menu);
        QMenu *current = menu->actions().first()->menu();
        QCOMPARE(current->actions().size(), 3);
        current->actions()[2]->trigger();
        QCOMPARE(views->currentText(), QStringLiteral("Zadnjih 24 ur"));
        QCOMPARE(rows(window.get()), 2);
    }
    pelvar::CloseConnection();
    OpenDemoDatabase(dir.path());
    {
        std::unique_ptr<QWidget> window(CreatePatientGridWindow(settings));
        auto *views = window->findChild<tovlet::TIUIViewList *>();
        QCOMPARE(views->Count(), 3);
        QCOMPARE(views->currentText(), QStringLiteral("Zadnjih 24 ur"));
        QCOMPARE(rows(window.get()), 2);
    }
    marvok::SetLoginUser(QStringLiteral("BOJAN"));
    {
        std::unique_ptr<QWidget> window(CreatePatientGridWindow(settings));
        QCOMPARE(window->findChild<tovlet::TIUIViewList *>()->currentText(), QStringLiteral("Vsi pacienti"));
    }
    pelvar::CloseConnection();
    marvok::SetLoginUser(QString());
    marvok::ISystemParameters().SetWorkingDate(0);
    tovlet::SetMireloAFParametersClass(nullptr);
}

#include "tst_demo.moc"
