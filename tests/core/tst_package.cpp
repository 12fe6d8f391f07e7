#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"

#include <QTest>

using toolkit::TPackage;

class TestPackage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { FLog.clear(); }
    void runsInUnitOrderAndUnloadsInReverse();
    void secondLoadNeitherReinitialisesNorFinalisesTwice();
    void unitSharedWithAnotherPackageFinalisesOnLastUnload();
    void failedInitializationUndoesTheLoad();
    void registrationErrorsAreProgrammingErrors();
    void lateUnitInitialisesAtOnce();
    void tovletPackageLoadsThroughItsScope();

private:
    QStringList FLog;
    void Register(TPackage &p, const QString &unit, int place)
    {
        p.RegisterUnit(unit, place, [this, unit] { FLog << QStringLiteral("init ") + unit; },
                       [this, unit] { FLog << QStringLiteral("fin ") + unit; });
    }
};

void TestPackage::runsInUnitOrderAndUnloadsInReverse()
{
    TPackage p(QStringLiteral("T"));
    // Registered out of order: the place decides.
    Register(p, QStringLiteral("iUC"), tovlet::upIUC);
    Register(p, QStringLiteral("dIcons"), tovlet::upDIcons);
    Register(p, QStringLiteral("dZDR"), tovlet::upDZDR);
    Register(p, QStringLiteral("cBasic"), tovlet::upCBasic);
    QCOMPARE(p.UnitOrder(), (QStringList{"dIcons", "cBasic", "dZDR", "iUC"}));
    p.Load();
    p.Unload();
    QCOMPARE(FLog, (QStringList{"init dIcons", "init cBasic", "init dZDR", "init iUC",
                                "fin iUC", "fin dZDR", "fin cBasic", "fin dIcons"}));
    FLog.clear();
    p.Unload(); // not loaded: nothing
    QVERIFY(FLog.isEmpty());
}

void TestPackage::secondLoadNeitherReinitialisesNorFinalisesTwice()
{
    TPackage p(QStringLiteral("T"));
    Register(p, QStringLiteral("a"), 1);
    Register(p, QStringLiteral("b"), 2);
    p.Load();
    p.Load();
    QCOMPARE(FLog, (QStringList{"init a", "init b"}));
    QCOMPARE(p.UnitCounter(QStringLiteral("a")), 2);
    p.Unload();
    QCOMPARE(FLog.size(), 2); // still loaded once
    QVERIFY(p.Loaded());
    p.Unload();
    p.Unload();
    QCOMPARE(FLog, (QStringList{"init a", "init b", "fin b", "fin a"}));
    QCOMPARE(p.UnitCounter(QStringLiteral("a")), 0);
    // Loading again after a full unload starts the units afresh.
    p.Load();
    QCOMPARE(FLog.last(), QStringLiteral("init b"));
    p.Unload();
}

void TestPackage::unitSharedWithAnotherPackageFinalisesOnLastUnload()
{
    TPackage p(QStringLiteral("T"));
    Register(p, QStringLiteral("a"), 1);
    Register(p, QStringLiteral("b"), 2);
    p.LoadUnit(QStringLiteral("b")); // another package holding b loaded first
    p.Load();
    QCOMPARE(FLog, (QStringList{"init b", "init a"}));
    p.Unload();
    QCOMPARE(FLog, (QStringList{"init b", "init a", "fin a"}));
    p.UnloadUnit(QStringLiteral("b"));
    QCOMPARE(FLog.last(), QStringLiteral("fin b"));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, p.LoadUnit(QStringLiteral("x")));
}

void TestPackage::failedInitializationUndoesTheLoad()
{
    TPackage p(QStringLiteral("T"));
    Register(p, QStringLiteral("a"), 1);
    p.RegisterUnit(QStringLiteral("broken"), 2, [] { throw toolkit::Exception(QStringLiteral("boom")); }, [] {});
    Register(p, QStringLiteral("c"), 3);
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, p.Load());
    QCOMPARE(FLog, (QStringList{"init a", "fin a"}));
    QVERIFY(!p.Loaded());
    QCOMPARE(p.UnitCounter(QStringLiteral("a")), 0);
    QCOMPARE(p.UnitCounter(QStringLiteral("broken")), 0);
}

void TestPackage::registrationErrorsAreProgrammingErrors()
{
    TPackage p(QStringLiteral("T"));
    Register(p, QStringLiteral("a"), 1);
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, Register(p, QStringLiteral("A"), 5));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, Register(p, QStringLiteral("b"), 1));
}

void TestPackage::lateUnitInitialisesAtOnce()
{
    TPackage p(QStringLiteral("T"));
    Register(p, QStringLiteral("a"), 1);
    p.Load();
    Register(p, QStringLiteral("plugin"), 50);
    QCOMPARE(FLog, (QStringList{"init a", "init plugin"}));
    p.Unload();
    QCOMPARE(FLog.mid(2), (QStringList{"fin plugin", "fin a"}));
}

void TestPackage::tovletPackageLoadsThroughItsScope()
{
    int inits = 0, fins = 0;
    tovlet::Package().RegisterUnit(QStringLiteral("tstUnit"), 999999, [&] { ++inits; }, [&] { ++fins; });
    {
        tovlet::TPackageScope scope;
        tovlet::TPackageScope nested;
        QVERIFY(tovlet::Package().Loaded());
        QCOMPARE(inits, 1);
    }
    QCOMPARE(fins, 1);
    QVERIFY(!tovlet::Package().Loaded());
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
