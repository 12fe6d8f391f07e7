#include "ModalResponder.h"
#include "TestDatabase.h"

#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "marvok/Igl.h"
#include "pelvar/plAuth.h"
#include "pelvar/plCore.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/core/cBasic.h"
#include "tovlet/core/cCollections.h"
#include "tovlet/core/iAfParam.h"

#include <QApplication>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>

using namespace tovlet;

namespace {

// A page control named as on the host's forms, filling its form.
TIMireloPageControl *AddPages(QWidget *form, const char *name, std::initializer_list<const char *> captions)
{
    auto *pc = new TIMireloPageControl(form);
    pc->setObjectName(QString::fromLatin1(name));
    for (const char *caption : captions)
        pc->addTab(new QWidget, QString::fromUtf8(caption));
    (new QVBoxLayout(form))->addWidget(pc);
    return pc;
}

} // namespace

// A form like the host's, for the page codes.
class TfmPatient : public QWidget
{
    Q_OBJECT
public:
    TfmPatient() { resize(400, 300); }
    TIMireloPageControl *pcMain = AddPages(this, "pcMain", {"Splošno", "Zavarovanje", "Dokumenti"});
};

// A form that lives in another form's tab sheet, with its own page control.
class TfmEmbedded : public marvok::TITabSheetForm
{
    Q_OBJECT
public:
    TIMireloPageControl *pcInner = AddPages(this, "pcInner", {"Izvidi", "Napotnice"});
};

class TfmHost : public marvok::TIForm
{
    Q_OBJECT
public:
    TfmHost()
    {
        embedded->EmbedInto(pcOuter->widget(1));
        resize(500, 400);
    }
    TIMireloPageControl *pcOuter = AddPages(this, "pcOuter", {"Pacient", "Obravnava"});
    TfmEmbedded *embedded = new TfmEmbedded;
};

class TestCBasic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void oneEndUpdateEndsEveryBeginUpdate();
    void singletonsLiveUntilTheUnitStops();
    void refusalShowsCaptionWithoutAccelerator_data();
    void refusalShowsCaptionWithoutAccelerator();
    void rightsAreAskedByListAndActionName();
    void updateLeavesUnknownActionsAlone();
    void designTimeAsksNothing();
    void pageCodesNameFormControlAndPage();
    void embeddedFormAsksUnderItsOwnName();
    void pageControlErrorsReachTheUserNotTheEventLoop();
    void canShowEventDecidesAgainOnEveryRepaint();
    void deniedPagesCollapseAndActivePageSaysSo();
    void tabColourComesFromTheEvent();
    void captionsStartFurtherInWithImages();
    void abstractParametersRaiseTheirMessages_data();
    void abstractParametersRaiseTheirMessages();
    void parametersInstanceIsSharedAndOwnedByTheApplication();
    void databaseParametersResolveLevels();
    void stringListWithSecondStrings();
    void splitAndTokens_data();
    void splitAndTokens();
    void optionsCopiesShareOneDictionary();

private:
    std::unique_ptr<TPackageScope> FPackage;
    std::unique_ptr<tovlet::test::TTestDatabase> FDb;
    QStringList FMessages;
};

void TestCBasic::init()
{
    FPackage = std::make_unique<TPackageScope>();
    FDb = std::make_unique<tovlet::test::TTestDatabase>();
    pelvar::PerLayerSettings().CurrentUser = QStringLiteral("ANA");
    FMessages.clear();
    marvok::SetMessageDlgResponder([this](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        FMessages << text;
        return int(marvok::mrOk);
    });
}

void TestCBasic::cleanup()
{
    marvok::SetMessageDlgResponder({});
    FDb.reset();
    FPackage.reset();
}

void TestCBasic::oneEndUpdateEndsEveryBeginUpdate()
{
    UIUpdate()->BeginUpdate();
    UIUpdate()->BeginUpdate();
    QVERIFY(UIUpdate()->aiUpdating());
    UIUpdate()->EndUpdate();
    QVERIFY(!UIUpdate()->aiUpdating());
}

void TestCBasic::singletonsLiveUntilTheUnitStops()
{
    TIApplicationFrameworkUtils *a = ApplicationFrameworkUtils();
    QCOMPARE(ApplicationFrameworkUtils(), a);
    QCOMPARE(a->GetWindowCode(QStringLiteral("X")), QStringLiteral("X"));
    a->setAiGetWindowCodeEvent([](const QString &in, QString &out) { out = QStringLiteral("W_") + in; });
    QCOMPARE(a->GetWindowCode(QStringLiteral("TfmPatient")), QStringLiteral("W_TfmPatient"));
    aiActivePageColor = toolkit::clRed;
    FPackage.reset(); // unload: the unit frees its objects and resets its globals on the next load
    FPackage = std::make_unique<TPackageScope>();
    QCOMPARE(aiActivePageColor, toolkit::clBtnFace);
    QCOMPARE(ApplicationFrameworkUtils()->GetWindowCode(QStringLiteral("X")), QStringLiteral("X")); // a fresh object
}

void TestCBasic::refusalShowsCaptionWithoutAccelerator_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::newRow("mark before first letter") << "&Shrani" << "Shrani";
    QTest::newRow("mark inside") << "Na&tisni" << "Natisni";
    QTest::newRow("doubled mark keeps one") << "Tiskaj && pošlji" << "Tiskaj & pošlji";
    QTest::newRow("no mark") << "Briši" << "Briši";
}

void TestCBasic::refusalShowsCaptionWithoutAccelerator()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    TIMireloActionList list;
    list.setObjectName(QStringLiteral("alMain"));
    int ran = 0;
    QAction *a = list.AddAction(QStringLiteral("actSave"), caption, [&](QAction *) { ++ran; });
    QVERIFY(!list.ExecuteAction(a));
    QCOMPARE(ran, 0);
    QCOMPARE(FMessages, QStringList{QStringLiteral("Akcija %1 ni dovoljena!").arg(shown)});
}

void TestCBasic::rightsAreAskedByListAndActionName()
{
    TIMireloActionList list;
    list.setObjectName(QStringLiteral("alMain"));
    int ran = 0;
    QAction *save = list.AddAction(QStringLiteral("actSave"), QStringLiteral("&Shrani"), [&](QAction *) { ++ran; });
    QCOMPARE(list.GetGuiActionName(save), QStringLiteral("alMain.actSave"));
    pelvar::AuthManager().Grant(QStringLiteral("alMain.actSave"));
    save->trigger();
    QCOMPARE(ran, 1);
    QVERIFY(FMessages.isEmpty());
    // A right tied to a class counts for objects of it.
    pelvar::AuthManager().Grant(QStringLiteral("alMain.actSave"), false);
    pelvar::AuthManager().Grant(QStringLiteral("alMain.actSave"), true, QStringLiteral("*"), QStringLiteral("TplDomainNotifier"));
    save->trigger();
    QCOMPARE(ran, 1);
    auto *obj = pelvar::Make<pelvar::TplDomainNotifier>(nullptr);
    list.setAiBoAuthorisationObject(obj);
    save->trigger();
    QCOMPARE(ran, 2);
    list.setAiBoAuthorisationObject(nullptr);
    obj->Release(nullptr);
}

void TestCBasic::updateLeavesUnknownActionsAlone()
{
    TIMireloActionList list;
    list.setObjectName(QStringLiteral("alMain"));
    QAction *unknown = list.AddAction(QStringLiteral("actUnknown"), QStringLiteral("Neznana"));
    QAction *denied = list.AddAction(QStringLiteral("actDenied"), QStringLiteral("Prepovedana"));
    QAction *granted = list.AddAction(QStringLiteral("actGranted"), QStringLiteral("Dovoljena"));
    pelvar::AuthManager().Grant(QStringLiteral("alMain.actDenied"), false);
    pelvar::AuthManager().Grant(QStringLiteral("alMain.actGranted"), true);
    unknown->setEnabled(false);
    granted->setEnabled(false);
    list.RefreshActions();
    QVERIFY(!unknown->isEnabled()); // untouched
    QVERIFY(!denied->isEnabled());
    QVERIFY(granted->isEnabled());
    unknown->setEnabled(true);
    list.RefreshActions();
    QVERIFY(unknown->isEnabled());
    QVERIFY(!list.ExecuteAction(unknown)); // still refused when run
    QCOMPARE(FMessages.size(), 1);
}

void TestCBasic::designTimeAsksNothing()
{
    TIMireloActionList list;
    list.setObjectName(QStringLiteral("alMain"));
    list.SetDesigning(true);
    int ran = 0;
    QAction *a = list.AddAction(QStringLiteral("actDenied"), QStringLiteral("X"), [&](QAction *) { ++ran; });
    pelvar::AuthManager().Grant(QStringLiteral("alMain.actDenied"), false);
    list.RefreshActions();
    QVERIFY(a->isEnabled());
    QVERIFY(list.ExecuteAction(a));
    QCOMPARE(ran, 1);
    TfmPatient form;
    form.pcMain->SetDesigning(true);
    QVERIFY(form.pcMain->CanShowTab(1));
}

void TestCBasic::pageCodesNameFormControlAndPage()
{
    TfmPatient form;
    QCOMPARE(form.pcMain->GetGuiSheetCode(form.pcMain->widget(2)), QStringLiteral("TfmPatient.pcMain3"));
    ApplicationFrameworkUtils()->setAiGetWindowCodeEvent([](const QString &in, QString &out) { out = in == QLatin1String("TfmPatient") ? QStringLiteral("PAC") : in; });
    QCOMPARE(form.pcMain->GetGuiSheetCode(form.pcMain->widget(0)), QStringLiteral("PAC.pcMain1"));
}

void TestCBasic::embeddedFormAsksUnderItsOwnName()
{
    TfmHost host;
    QCOMPARE(host.embedded->pcInner->GetGuiSheetCode(host.embedded->pcInner->widget(1)), QStringLiteral("TfmEmbedded.pcInner2"));
    QCOMPARE(host.pcOuter->GetGuiSheetCode(host.pcOuter->widget(1)), QStringLiteral("TfmHost.pcOuter2"));
    // Rights follow the embedded form's name: its page shows once granted.
    pelvar::AuthManager().Grant(QStringLiteral("TfmHost.pcOuter2"));
    pelvar::AuthManager().Grant(QStringLiteral("TfmEmbedded.pcInner1"));
    host.pcOuter->setCurrentIndex(1);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(!host.pcOuter->IsCollapsed(1));
    QVERIFY(!host.embedded->pcInner->IsCollapsed(0));
    QVERIFY(host.embedded->pcInner->IsCollapsed(1));
}

void TestCBasic::pageControlErrorsReachTheUserNotTheEventLoop()
{
    // A settings form used before the connection is open.
    TfmPatient form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    FDb.reset();
    pelvar::AuthManager().Reload(); // rights are read again, from no connection
    QCoreApplication::processEvents();
    FMessages.clear();
    QTabBar *bar = form.pcMain->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(form.pcMain->currentIndex(), 2);
    form.pcMain->repaint();
    QTRY_COMPARE(FMessages.size(), 1);
    QVERIFY2(FMessages.first().startsWith(QStringLiteral("Povezava z bazo podatkov ni vzpostavljena")), qPrintable(FMessages.first()));
    form.pcMain->repaint();
    QCoreApplication::processEvents();
    QCOMPARE(FMessages.size(), 1); // once, however often it paints
}

void TestCBasic::canShowEventDecidesAgainOnEveryRepaint()
{
    TfmPatient form;
    bool showSecond = false;
    form.pcMain->setAiCanShowEvent([&](QWidget *sheet, bool &canShow) {
        if (sheet == form.pcMain->widget(1))
            canShow = showSecond;
    });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY(form.pcMain->IsCollapsed(1));
    QVERIFY(form.pcMain->IsCollapsed(0)); // the service's answer where the event says nothing
    showSecond = true; // the host's own state changes
    form.pcMain->repaint();
    QTRY_VERIFY(!form.pcMain->IsCollapsed(1));
    QVERIFY(form.pcMain->CanShowTab(1)); // denied by the service, shown by the event
    showSecond = false;
    form.pcMain->update();
    QTRY_VERIFY(form.pcMain->IsCollapsed(1));
    showSecond = true;
    form.pcMain->CheckPages();
    QVERIFY(!form.pcMain->IsCollapsed(1));
}

void TestCBasic::deniedPagesCollapseAndActivePageSaysSo()
{
    pelvar::AuthManager().Grant(QStringLiteral("TfmPatient.pcMain1"));
    pelvar::AuthManager().Grant(QStringLiteral("TfmPatient.pcMain3"));
    TfmPatient allowed;
    allowed.show();
    QVERIFY(QTest::qWaitForWindowExposed(&allowed));
    QVERIFY(!allowed.pcMain->IsCollapsed(0));
    QVERIFY(allowed.pcMain->IsCollapsed(1)); // nobody granted page 2
    QVERIFY(!allowed.pcMain->CanShowTab(1));
    const QImage before = allowed.pcMain->grab().toImage();
    allowed.pcMain->setCurrentIndex(1);
    QVERIFY(allowed.pcMain->IsCollapsed(1));
    const QImage after = allowed.pcMain->grab().toImage();
    // The message is painted where the page would be.
    const QRect where(16, 70, 140, 20);
    QVERIFY(before.copy(where) != after.copy(where));
    allowed.pcMain->setCurrentIndex(2);
    QVERIFY(!allowed.pcMain->IsCollapsed(2));
    QCOMPARE(allowed.pcMain->count(), 3); // collapsed pages keep their tabs
}

void TestCBasic::tabColourComesFromTheEvent()
{
    TfmPatient form;
    QList<int> pages;
    form.pcMain->setAiGetColorForTab([&](int index, toolkit::TColor &color) {
        pages << index;
        if (index == 2)
            color = toolkit::clBlue;
    });
    form.pcMain->setTabVisible(1, false);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage image = form.pcMain->grab().toImage();
    QVERIFY(pages.contains(2));
    QVERIFY(!pages.contains(1)); // hidden tabs are skipped when counting
    QTabBar *bar = form.pcMain->tabBar();
    const QPoint corner = bar->mapTo(form.pcMain, bar->tabRect(2).bottomRight() - QPoint(2, 4));
    QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::blue));
}

void TestCBasic::captionsStartFurtherInWithImages()
{
    // The leftmost dark pixel of the first tab's caption, with and without an image list.
    auto captionStart = [](bool images) {
        TfmPatient form;
        marvok::TIImageList list(16, 16);
        QPixmap clear(16, 16);
        clear.fill(Qt::transparent);
        list.Add(clear);
        if (images)
            form.pcMain->SetImages(&list);
        form.pcMain->setAiGetColorForTab([](int, toolkit::TColor &color) { color = toolkit::clWhite; });
        form.show();
        const QImage image = form.pcMain->tabBar()->grab().toImage();
        const QRect tab = form.pcMain->tabBar()->tabRect(0);
        for (int x = tab.left(); x <= tab.right(); ++x)
            for (int y = tab.top() + 4; y < tab.bottom() - 2; ++y)
                if (qGray(image.pixel(x, y)) < 100)
                    return x - tab.left();
        return -1;
    };
    const int without = captionStart(false);
    const int with = captionStart(true);
    QVERIFY(without >= 4 && without <= 7);
    QCOMPARE(with - without, 18);
}

void TestCBasic::abstractParametersRaiseTheirMessages_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("message");
    QTest::newRow("definition exists") << 0 << "Can't use ParamDefinitionExists in TIMireloAFParameters!";
    QTest::newRow("add definition") << 1 << "Can't use AddParamDefinition in TIMireloAFParameters!";
    QTest::newRow("value exists") << 2 << "Can't use ParamValueExists in TIMireloAFParameters!";
    QTest::newRow("get") << 3 << "Can't use GetParamValue in TIMireloAFParameters!";
    QTest::newRow("set") << 4 << "Can't use SetParamValue in TIMireloAFParameters!";
}

void TestCBasic::abstractParametersRaiseTheirMessages()
{
    QFETCH(int, operation);
    QFETCH(QString, message);
    // A subclass that overrides only one operation still raises for the others.
    struct TPartial : TIMireloAFParameters
    {
        bool ParamDefinitionExists(const QString &, const QString &) override { return true; }
    } partial;
    TIMireloAFParameters abstract;
    for (TIMireloAFParameters *p : {&abstract, static_cast<TIMireloAFParameters *>(&partial)}) {
        if (p == &partial && operation == 0) {
            QVERIFY(p->ParamDefinitionExists(QStringLiteral("A"), QStringLiteral("B")));
            continue;
        }
        try {
            switch (operation) {
            case 0: p->ParamDefinitionExists(QStringLiteral("A"), QStringLiteral("B")); break;
            case 1: p->AddParamDefinition(QStringLiteral("A"), QStringLiteral("B"), {}, QString()); break;
            case 2: p->ParamValueExists(QStringLiteral("A"), QStringLiteral("B")); break;
            case 3: p->GetParamValue(QStringLiteral("A"), QStringLiteral("B")); break;
            default: p->SetParamValue(QStringLiteral("A"), QStringLiteral("B"), QString()); break;
            }
            QFAIL("no exception");
        } catch (const toolkit::Exception &e) {
            QCOMPARE(e.Message(), message);
        }
    }
}

void TestCBasic::parametersInstanceIsSharedAndOwnedByTheApplication()
{
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, IMireloAFParameters()); // nothing registered
    SetMireloAFParametersClass([](QObject *owner) { return new TIDbAFParameters(owner); });
    TIMireloAFParameters *p = IMireloAFParameters();
    QCOMPARE(IMireloAFParameters(), p);
    QCOMPARE(p->parent(), QCoreApplication::instance());
    delete p; // the application would free it; the accessor forgets it
}

void TestCBasic::databaseParametersResolveLevels()
{
    marvok::LoginInfo().UserCode = QStringLiteral("ANA");
    marvok::LoginInfo().WorkstationCode = QStringLiteral("PC-12");
    TIDbAFParameters p;
    const QString cls = QStringLiteral("TfmPacienti"), attr = QStringLiteral("vlPacienti");
    QVERIFY(!p.ParamDefinitionExists(cls, attr));
    p.AddParamDefinition(cls, attr, {TIParamDefAccess::pdaUser, TIParamDefAccess::pdaWorkstation, TIParamDefAccess::pdaApplication},
                         QStringLiteral("Pogledi na formi TfmPacienti"));
    QVERIFY(p.ParamDefinitionExists(cls, attr));
    QVERIFY(!p.ParamValueExists(cls, attr));
    p.SetParamValueAt(cls, attr, TIParamDefAccess::pdaApplication, QStringLiteral("privzeto"));
    QVERIFY(p.ParamValueExists(cls, attr));
    QCOMPARE(p.GetParamValue(cls, attr), QStringLiteral("privzeto"));
    p.SetParamValueAt(cls, attr, TIParamDefAccess::pdaWorkstation, QStringLiteral("postaja"));
    QCOMPARE(p.GetParamValue(cls, attr), QStringLiteral("postaja"));
    p.SetParamValue(cls, attr, QStringLiteral("Ana's 'pogled'; --\nvrstica")); // the user's own level
    QCOMPARE(p.GetParamValue(cls, attr), QStringLiteral("Ana's 'pogled'; --\nvrstica"));
    marvok::LoginInfo().UserCode = QStringLiteral("MARKO");
    QCOMPARE(p.GetParamValue(cls, attr), QStringLiteral("postaja"));
    marvok::LoginInfo().WorkstationCode = QStringLiteral("PC-99");
    QCOMPARE(p.GetParamValue(cls, attr), QStringLiteral("privzeto"));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, p.SetParamValue(QStringLiteral("Ni"), QStringLiteral("definicije"), QStringLiteral("x")));
    marvok::LoginInfo() = {};
}

void TestCBasic::stringListWithSecondStrings()
{
    const int before = TIString2ObjectWrapper::InstanceCount();
    {
        TIStringList l;
        QCOMPARE(l.AddString(QStringLiteral("ime"), QStringLiteral("Ana")), 0);
        QCOMPARE(l.AddString(QStringLiteral("priimek"), QStringLiteral("Novak")), 1);
        QCOMPARE(l.Value(1), QStringLiteral("Novak"));
        QCOMPARE(TIString2ObjectWrapper::InstanceCount(), before + 2);
        l.Delete(0);
        QCOMPARE(TIString2ObjectWrapper::InstanceCount(), before + 1);
        QVERIFY_THROWS_EXCEPTION(toolkit::EListError, l.Delete(5));
        l.SetSorted(true);
        l.AddString(QStringLiteral("PRIIMEK"), QStringLiteral("Horvat")); // an ignored duplicate
        QCOMPARE(l.Count(), 1);
        QCOMPARE(l.Value(0), QStringLiteral("Novak"));
        QCOMPARE(TIString2ObjectWrapper::InstanceCount(), before + 1);
    }
    QCOMPARE(TIString2ObjectWrapper::InstanceCount(), before);
}

void TestCBasic::splitAndTokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("adjacent separators") << "a,,c" << QStringList{"a", "", "c"};
    QTest::newRow("separator at the end") << "a,b," << QStringList{"a", "b"};
    QTest::newRow("separator at the start") << ",a" << QStringList{"", "a"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("one piece") << "abc" << QStringList{"abc"};
}

void TestCBasic::splitAndTokens()
{
    QFETCH(QString, text);
    QFETCH(QStringList, pieces);
    toolkit::TStringList l;
    l.Add(QStringLiteral("obstoječi"));
    TIStringList::Split(text, QLatin1Char(','), l);
    QCOMPARE(l.ToStringList(), QStringList{QStringLiteral("obstoječi")} + pieces);
    QStringList tokens;
    int pos = 1;
    while (pos <= text.size())
        tokens << TIStringList::GetNextToken(text, QLatin1Char(','), pos);
    QCOMPARE(tokens, pieces);
    QCOMPARE(TIStringList::GetNextToken(text, QLatin1Char(','), pos), QString()); // beyond the end
}

void TestCBasic::optionsCopiesShareOneDictionary()
{
    TIShowPDFOptions a = TIShowPDFOptions::Get();
    a.SetValue(marvok::TIShowPDFOption::spoCaption, QStringLiteral("Izvid"));
    {
        TIShowPDFOptions b = a;
        b.SetValue(marvok::TIShowPDFOption::spoCopies, 2);
        QCOMPARE(a.GuardUseCount(), 2);
    }
    QCOMPARE(a.Value(marvok::TIShowPDFOption::spoCopies).toInt(), 2);
    QCOMPARE(a.Value(marvok::TIShowPDFOption::spoCaption).toString(), QStringLiteral("Izvid"));
    QVERIFY(!a.Has(marvok::TIShowPDFOption::spoPrinterName));
    QCOMPARE(a.GuardUseCount(), 1);
}

QTEST_MAIN(TestCBasic)
#include "tst_cbasic.moc"
