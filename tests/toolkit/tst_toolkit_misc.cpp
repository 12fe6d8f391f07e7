#include "toolkit/ActnList.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"

#include <QApplication>
#include <QTest>

using namespace toolkit;

namespace {

// Refuses every action whose name starts with "deny", as an authorising list would.
class TGuardedList : public TCustomActionList
{
public:
    using TCustomActionList::TCustomActionList;
    QStringList Updated;
    bool ExecuteAction(QAction *action) override
    {
        if (action->objectName().startsWith(QLatin1String("deny")))
            return false;
        return TCustomActionList::ExecuteAction(action);
    }
    bool UpdateAction(QAction *action) override
    {
        Updated << action->objectName();
        return TCustomActionList::UpdateAction(action);
    }
};

} // namespace

class TestToolkitMisc : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void colorsKeepRedInTheLowByte_data();
    void colorsKeepRedInTheLowByte();
    void systemColorsFollowThePalette();
    void actionListStandsBetweenTriggerAndHandler();
    void listOnExecuteCanHandleFirst();
    void exceptionsCarryTheirMessage();
};

void TestToolkitMisc::colorsKeepRedInTheLowByte_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("red") << clRed << QColor(255, 0, 0);
    QTest::newRow("blue") << clBlue << QColor(0, 0, 255);
    QTest::newRow("maroon") << clMaroon << QColor(128, 0, 0);
    QTest::newRow("white") << clWhite << QColor(255, 255, 255);
    QTest::newRow("mixed") << RGB(0x12, 0x34, 0x56) << QColor(0x12, 0x34, 0x56);
    QTest::newRow("default is no colour") << clDefault << QColor();
}

void TestToolkitMisc::colorsKeepRedInTheLowByte()
{
    QFETCH(int, color);
    QFETCH(QColor, expected);
    QCOMPARE(ColorToQColor(color), expected);
    if (expected.isValid())
        QCOMPARE(QColorToColor(expected), color);
}

void TestToolkitMisc::systemColorsFollowThePalette()
{
    QPalette pal;
    pal.setColor(QPalette::Button, QColor(1, 2, 3));
    pal.setColor(QPalette::Base, QColor(4, 5, 6));
    pal.setColor(QPalette::Highlight, QColor(7, 8, 9));
    pal.setColor(QPalette::ToolTipBase, QColor(10, 11, 12));
    QVERIFY(IsSystemColor(clBtnFace));
    QVERIFY(!IsSystemColor(clWhite));
    QCOMPARE(ColorToQColor(clBtnFace, &pal), QColor(1, 2, 3));
    QCOMPARE(ColorToQColor(clWindow, &pal), QColor(4, 5, 6));
    QCOMPARE(ColorToQColor(clHighlight, &pal), QColor(7, 8, 9));
    QCOMPARE(ColorToQColor(clInfoBk, &pal), QColor(10, 11, 12));
    QCOMPARE(ColorToRGB(clBtnFace, &pal), RGB(1, 2, 3));

    const QPalette saved = QApplication::palette();
    QApplication::setPalette(pal);
    QCOMPARE(ColorToQColor(clBtnFace), QColor(1, 2, 3)); // the application's palette by default
    QApplication::setPalette(saved);
}

void TestToolkitMisc::actionListStandsBetweenTriggerAndHandler()
{
    TGuardedList list;
    int saved = 0, denied = 0;
    QAction *save = list.AddAction(QStringLiteral("actSave"), QStringLiteral("&Shrani"), [&](QAction *) { ++saved; });
    QAction *deny = list.AddAction(QStringLiteral("denyDelete"), QStringLiteral("Briši"), [&](QAction *) { ++denied; });
    QCOMPARE(list.FindAction(QStringLiteral("actSave")), save);
    QCOMPARE(save->parent(), &list);

    save->trigger();
    deny->trigger();
    QCOMPARE(saved, 1);
    QCOMPARE(denied, 0);

    list.SetOnUpdateHandler(save, [](QAction *a) { a->setEnabled(false); });
    list.UpdateActions();
    QCOMPARE(list.Updated, (QStringList{"actSave", "denyDelete"}));
    QVERIFY(!save->isEnabled());
    save->trigger(); // a disabled action does not run
    QCOMPARE(saved, 1);

    delete deny;
    QCOMPARE(list.ActionCount(), 1);
}

void TestToolkitMisc::listOnExecuteCanHandleFirst()
{
    TCustomActionList list;
    int own = 0, listWide = 0;
    QAction *a = list.AddAction(QStringLiteral("actPrint"), QStringLiteral("Natisni"), [&](QAction *) { ++own; });
    list.OnExecute = [&](QAction *, bool &handled) {
        ++listWide;
        handled = listWide == 1;
    };
    QVERIFY(list.Execute(a));
    QCOMPARE(own, 0);
    QVERIFY(list.Execute(a));
    QCOMPARE(own, 1);
    QAction stranger;
    QVERIFY(!list.Execute(&stranger));
}

void TestToolkitMisc::exceptionsCarryTheirMessage()
{
    // Code that knows only the standard exceptions still reads the user's text, accents included.
    try {
        throw Exception(QStringLiteral("Akcija Prekliči ni dovoljena!"));
    } catch (const std::exception &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Akcija Prekliči ni dovoljena!"));
    }
    QVERIFY_THROWS_EXCEPTION(EAbort, Abort());
}

QTEST_MAIN(TestToolkitMisc)
#include "tst_toolkit_misc.moc"
