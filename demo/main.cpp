// tovlet-demo: a small clinic host application on the embedded database.
//   tovlet-demo                              the main window
//   tovlet-demo --show NAME                  that window (a dialog: until it is closed)
//   tovlet-demo --show list                  the names of the windows, one a line
//   tovlet-demo [--show NAME] --screenshot FILE
//                                            render the window (default: main) into a PNG and exit
//   --data-dir DIR                           database folder (default: the user's data folder)
#include "DemoDatabase.h"
#include "DemoMainWindow.h"
#include "DemoPatientCard.h"
#include "DemoUseCases.h"
#include "DemoWindows.h"

#include "marvok/Idialogs.h"
#include "marvok/Igl.h"
#include "marvok/Ilog.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/core/iAfParam.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tovlet demo clinic"));
    parser.addHelpOption();
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Render the window (--show, default main) into FILE (PNG) and exit."),
                                  QStringLiteral("FILE"));
    QCommandLineOption show(QStringLiteral("show"), QStringLiteral("Open the window NAME; \"list\" prints the names."),
                            QStringLiteral("NAME"), QStringLiteral("main"));
    QCommandLineOption dataDir(QStringLiteral("data-dir"), QStringLiteral("Folder of the demo database."), QStringLiteral("DIR"));
    parser.addOption(screenshot);
    parser.addOption(show);
    parser.addOption(dataDir);
    {
        // --help, bad options and the list of windows are answered before
        // any window system is needed: a machine without a display still
        // gets the text.
        QCoreApplication commandLine(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tovlet-demo"));
        parser.process(commandLine);
        if (parser.value(show) == QLatin1String("list")) {
            std::fputs(qPrintable(demo::DemoWindowList()), stdout);
            return 0;
        }
        if (!demo::FindDemoWindow(parser.value(show))) {
            std::fprintf(stderr, "Okna »%s« ni. Okna so:\n%s", qPrintable(parser.value(show)), qPrintable(demo::DemoWindowList()));
            return 2;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tovlet-demo"));
    QApplication::setApplicationVersion(QStringLiteral(TOVLET_DEMO_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Tovlet"));
    const bool headless = parser.isSet(screenshot);

    tovlet::TPackageScope package;

    const QString folder = parser.isSet(dataDir) ? parser.value(dataDir)
                                                 : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QString useCaseFile, useCaseProblem;
    try {
        demo::TConfirmFreshStart confirm;
        if (!headless)
            confirm = [](const QString &question) {
                return marvok::IMessageDlg(question, marvok::mtConfirmation, marvok::mbYesNo) == marvok::mrYes;
            };
        demo::OpenDemoDatabase(folder, confirm);
        // Views and windows keep their settings as application parameters in the database.
        tovlet::SetMireloAFParametersClass([](QObject *owner) { return new tovlet::TIDbAFParameters(owner); });
        // The demo has no log-in: the system's user name keeps each user's settings apart.
        if (marvok::LoginInfo().UserCode.isEmpty())
            marvok::SetLoginUser(qEnvironmentVariable("USER", QStringLiteral("DEMO")).toUpper());
        useCaseFile = demo::LoadDemoUseCases(folder, &useCaseProblem);
        demo::RegisterDemoClasses();
    } catch (const toolkit::Exception &e) {
        const QString text = QStringLiteral("Demo baze ni mogoče odpreti.\n%1").arg(e.UserMessage());
        marvok::ILog(e.Message());
        if (headless)
            std::fprintf(stderr, "%s\n%s\n", qPrintable(text), qPrintable(e.Message()));
        else
            marvok::IMessageDlg(text, marvok::mtError, marvok::mbOK);
        return 1;
    }

    demo::TDemoMainWindow window(folder, useCaseFile);
    window.resize(960, 600);
    if (!useCaseProblem.isEmpty()) {
        if (headless)
            std::fprintf(stderr, "%s\n", qPrintable(useCaseProblem));
        else
            QTimer::singleShot(0, &window, [useCaseProblem] { marvok::IMessageDlg(useCaseProblem, marvok::mtWarning, marvok::mbOK); });
    }
    demo::TDemoWindowPtr shown;
    try {
        shown = demo::FindDemoWindow(parser.value(show))->Create(window);
    } catch (const toolkit::Exception &e) {
        marvok::ILog(e.Message());
        const QString text = QStringLiteral("Okna ni mogoče odpreti.\n%1").arg(e.UserMessage());
        if (headless)
            std::fprintf(stderr, "%s\n%s\n", qPrintable(text), qPrintable(e.Message()));
        else
            marvok::IMessageDlg(text, marvok::mtError, marvok::mbOK);
        return 1;
    }
    if (headless) {
        const QImage image = demo::RenderDemoWindow(shown.get());
        if (!image.save(parser.value(screenshot), "PNG")) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(parser.value(screenshot)));
            return 1;
        }
        return 0;
    }
    if (shown.get() != &window) {
        // A dialog on its own: shown until its user closes it, as from the menu.
        if (auto *dialog = qobject_cast<QDialog *>(shown.get())) {
            dialog->exec();
            return 0;
        }
        shown->show();
    } else {
        window.show();
    }
    return QApplication::exec();
}
