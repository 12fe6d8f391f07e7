#include "DemoDatabase.h"
#include "DemoMainWindow.h"
#include "DemoUseCases.h"
#include "ModalResponder.h"

#include "pelvar/plDatabase.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/usecases/iUC.h"

#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

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
        responder.Expect([](QWidget *dlg) {
            auto *list = dlg->findChild<QListWidget *>(QStringLiteral("lbPrimeri"));
            for (int i = 0; i < list->count(); ++i) {
                const QString code = list->item(i)->data(Qt::UserRole).toString();
                if (code == QLatin1String("UC_IZVIDI"))
                    list->item(i)->setCheckState(Qt::Checked);
                if (code == QLatin1String("UC_RAZPORED"))
                    list->item(i)->setCheckState(Qt::Unchecked);
            }
            QMetaObject::invokeMethod(dlg, "accept");
        });
        w.CustomiseToolBar();
        QCOMPARE(ToolTexts(w.UseCaseToolBar()), (QStringList{"Osveži", "Izvidi"}));
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

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"
