// tovlet-demo: a small clinic host application on the embedded database.
//   tovlet-demo                      the main window
//   tovlet-demo --screenshot FILE    render the main window into a PNG and exit
//   --data-dir DIR                   database folder (default: the user's data folder)
#include "DemoDatabase.h"
#include "DemoMainWindow.h"
#include "DemoPatientCard.h"
#include "DemoUseCases.h"

#include "marvok/Idialogs.h"
#include "marvok/Ilog.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/core/iAfParam.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tovlet demo clinic"));
    parser.addHelpOption();
    QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Render the main window into FILE (PNG) and exit."),
                                  QStringLiteral("FILE"));
    QCommandLineOption dataDir(QStringLiteral("data-dir"), QStringLiteral("Folder of the demo database."), QStringLiteral("DIR"));
    parser.addOption(screenshot);
    parser.addOption(dataDir);
    {
        // --help and bad options are answered before any window system is
        // needed: a machine without a display still gets the text.
        QCoreApplication commandLine(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tovlet-demo"));
        parser.process(commandLine);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tovlet-demo"));
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
    window.show();
    if (!useCaseProblem.isEmpty()) {
        if (headless)
            std::fprintf(stderr, "%s\n", qPrintable(useCaseProblem));
        else
            QTimer::singleShot(0, &window, [useCaseProblem] { marvok::IMessageDlg(useCaseProblem, marvok::mtWarning, marvok::mbOK); });
    }
    if (headless) {
        QApplication::processEvents();
        const QImage image = window.grab().toImage();
        if (!image.save(parser.value(screenshot), "PNG")) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(parser.value(screenshot)));
            return 1;
        }
        return 0;
    }
    return QApplication::exec();
}
