#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/usecases/IucXmap.h"
#include "tovlet/usecases/iUC.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tovlet;

namespace {

TIUCUseCaseAction *Action(TIUCUnitGlobals *g, const QString &code)
{
    auto *a = new TIUCUseCaseAction;
    a->setAiCode(code);
    a->setAiName(QStringLiteral("act") + code);
    a->aiVisualProperties()->setAiCaption(QStringLiteral("&") + code);
    a->aiVisualPropertiesSLO()->setAiCaption(QStringLiteral("&") + code);
    a->aiVisualPropertiesSLO()->setAiImageIndex(3);
    a->aiVisualProperties()->setAiImageIndex(3); // Slovenian is the active language
    a->aiVisualPropertiesENG()->setAiCaption(QStringLiteral("E ") + code);
    a->aiVisualPropertiesENG()->setAiHint(QStringLiteral("hint <&> \"") + code);
    a->aiVisualPropertiesENG()->setAiImageIndex(7);
    a->aiVisualPropertiesMKI()->setAiCaption(QStringLiteral("М ") + code);
    a->aiVisualPropertiesSRL()->setAiCaption(QStringLiteral("С ") + code);
    a->aiVisualPropertiesSRL()->setAiShortCut(QStringLiteral("Ctrl+S"));
    g->aiUCActionList()->Add(a);
    return a;
}

QString Codes(const TIUCUseCaseList &l)
{
    QStringList r;
    for (int i = 0; i < l.GetCount(); ++i)
        r << l.GetItem(i)->aiCode();
    return r.join(QLatin1Char(','));
}

QString Message(const std::function<void()> &f)
{
    try {
        f();
    } catch (const toolkit::Exception &e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

// The whole model as text, for comparing loads.
QString Describe(TIUCUnitGlobals *g)
{
    QStringList out;
    for (int i = 0; i < g->aiWinControlList()->GetCount(); ++i)
        out << QStringLiteral("W %1 %2").arg(g->aiWinControlList()->GetItem(i)->aiCode(), g->aiWinControlList()->GetItem(i)->aiDescription());
    for (int i = 0; i < g->aiAllUCList()->GetCount(); ++i) {
        TIUCUseCaseCustom *u = g->aiAllUCList()->GetItem(i);
        QString line = QStringLiteral("U %1 %2").arg(u->aiCode(), u->aiName());
        for (TIUCVisualProperties *v : {u->aiVisualProperties(), u->aiVisualPropertiesSLO(), u->aiVisualPropertiesMKI(),
                                        u->aiVisualPropertiesSRL(), u->aiVisualPropertiesENG()})
            line += QStringLiteral(" [%1|%2|%3|%4|%5]").arg(v->aiCaption(), v->aiHint(), v->aiDescription()).arg(v->aiImageIndex()).arg(v->aiShortCut());
        if (auto *j = dynamic_cast<TIUCUseCaseJoined *>(u))
            line += QStringLiteral(" J(%1) %2 %3").arg(Codes(*j->aiSubUC())).arg(int(j->aiMenuType()))
                        .arg(j->aiParentWinControl() ? j->aiParentWinControl()->aiCode() : QStringLiteral("-"));
        out << line;
    }
    for (int i = 0; i < g->aiContextList()->GetCount(); ++i) {
        TIUCContext *c = g->aiContextList()->GetItem(i);
        out << QStringLiteral("C %1 %2 %3").arg(c->aiWUType(), c->aiUserType(), c->aiUCString());
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

class TestUseCases : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void contextsByCombination();
    void fillWithAndWithoutDefaults_data();
    void fillWithAndWithoutDefaults();
    void fillAndSaveErrors();
    void savingAnEmptyListRemovesTheEntry();
    void assignmentTextQuotesAsTheStringListDoes_data();
    void assignmentTextQuotesAsTheStringListDoes();
    void listOperations();
    void clearAllEmptiesEverything();
    void saveLoadRoundTripWithEveryElementKind();
    void languageSwitchOnlyTouchesCaptions();
    void imageIndexNeedsACaption();
    void reloadAndLanguageNeedALoad();
    void brokenFilesEndInAClearError_data();
    void brokenFilesEndInAClearError();
    void unknownParentWindowControlStopsTheLoad();
    void missingContainersReadAsEmpty_data();
    void missingContainersReadAsEmpty();

private:
    void BuildModel();
    QString Write(const QString &name, const QByteArray &content);
    static QByteArray Read(const QString &path);
    std::unique_ptr<TPackageScope> FPackage;
    QTemporaryDir FDir;
};

void TestUseCases::init()
{
    FPackage = std::make_unique<TPackageScope>();
}

void TestUseCases::cleanup()
{
    FPackage.reset();
}

QString TestUseCases::Write(const QString &name, const QByteArray &content)
{
    const QString path = FDir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

QByteArray TestUseCases::Read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestUseCases::BuildModel()
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    g->aiWinControlList()->Add(new TIUCWinControl(QStringLiteral("mnuMain"), QStringLiteral("Glavni meni")));
    g->aiWinControlList()->Add(new TIUCWinControl(QStringLiteral("tbTools"), QStringLiteral("Orodjarna")));
    for (const char *c : {"A", "B", "C", "D"})
        Action(g, QString::fromLatin1(c));
    auto *dot = new TIUCUseCaseJoined;
    dot->setAiCode(QStringLiteral("J1"));
    dot->setAiName(QStringLiteral("joinPacient"));
    dot->setAiMenuType(TIUCMenuType::mtBigDot);
    dot->setAiParentWinControl(g->aiWinControlList()->GetItemByCode(QStringLiteral("mnuMain")));
    auto *plain = new TIUCUseCaseJoined;
    plain->setAiCode(QStringLiteral("J2"));
    plain->setAiMenuType(TIUCMenuType::mtNone);
    auto *popup = new TIUCUseCaseJoined;
    popup->setAiCode(QStringLiteral("J3"));
    popup->setAiMenuType(TIUCMenuType::mtPopup);
    g->aiUCJoinedList()->Add(dot);
    g->aiUCJoinedList()->Add(plain);
    g->aiUCJoinedList()->Add(popup);
    g->RefreshAllUCList();
    dot->aiSubUC()->Add(g->aiAllUCList()->GetItemByCode(QStringLiteral("A")));
    dot->aiSubUC()->Add(g->aiAllUCList()->GetItemByCode(QStringLiteral("J3")));
    popup->aiSubUC()->Add(g->aiAllUCList()->GetItemByCode(QStringLiteral("B")));
    g->aiContextList()->Add(new TIUCContext(QStringLiteral("AMBULANTA"), QStringLiteral("ZDRAVNIK"),
                                            QStringLiteral("mnuMain=A,J1,B/tbTools=C")));
    g->aiContextList()->Add(new TIUCContext(QStringLiteral("DEFAULT"), QStringLiteral("ZDRAVNIK"), QStringLiteral("tbTools=D")));
    g->aiContextList()->Add(new TIUCContext(QStringLiteral("HOSP_ODDELEK"), QStringLiteral("SESTRA"), QString()));
}

void TestUseCases::contextsByCombination()
{
    TIUCContextList &l = *IUCUnitGlobals()->aiContextList();
    QCOMPARE(Message([&] { l.GetItemByCombination(QStringLiteral("AMBULANTA"), QString()); }), QStringLiteral("Context not defined"));
    QCOMPARE(Message([&] { l.GetItemByCombination(QString(), QStringLiteral("ZDRAVNIK")); }), QStringLiteral("Context not defined"));
    TIUCContext *c = l.GetItemByCombination(QStringLiteral("AMBULANTA"), QStringLiteral("ZDRAVNIK"));
    QCOMPARE(c->aiUCString(), QString());
    QCOMPARE(l.GetCount(), 1);
    QCOMPARE(l.GetItemByCombination(QStringLiteral("AMBULANTA"), QStringLiteral("ZDRAVNIK")), c);
    QVERIFY(l.GetItemByCombination(QStringLiteral("ambulanta"), QStringLiteral("ZDRAVNIK")) != c); // exact match only
    QCOMPARE(IUCUnitGlobals()->aiWUTypes().ToStringList(), (QStringList{"HOSP_ODDELEK", "AMBULANTA", "HOSP_SPREJEM", "AMB_SPREJEM"}));
    QCOMPARE(IUCUnitGlobals()->aiUserTypes().ToStringList(), (QStringList{"SESTRA", "ZDRAVNIK", "ADMINISTRATOR"}));
}

void TestUseCases::fillWithAndWithoutDefaults_data()
{
    QTest::addColumn<QString>("defaults");
    QTest::addColumn<QString>("own");
    QTest::addColumn<bool>("withDefaults");
    QTest::addColumn<QString>("expected");
    QTest::newRow("defaults first") << "A,B" << "C" << true << "A,B,C";
    QTest::newRow("empty defaults, no leading empty code") << "" << "C" << true << "C";
    QTest::newRow("defaults ignored") << "A,B" << "C" << false << "C";
    QTest::newRow("duplicates kept") << "A" << "A,C" << true << "A,A,C";
    QTest::newRow("unknown codes skipped") << "X" << "C,Y,D" << true << "C,D";
    QTest::newRow("nothing") << "" << "" << true << "";
}

void TestUseCases::fillWithAndWithoutDefaults()
{
    QFETCH(QString, defaults);
    QFETCH(QString, own);
    QFETCH(bool, withDefaults);
    QFETCH(QString, expected);
    TIUCUnitGlobals *g = IUCUnitGlobals();
    for (const char *c : {"A", "B", "C", "D"})
        Action(g, QString::fromLatin1(c));
    g->RefreshAllUCList();
    auto *wc = new TIUCWinControl(QStringLiteral("mnuMain"));
    g->aiWinControlList()->Add(wc);
    g->aiContextList()->GetItemByCombination(QStringLiteral("DEFAULT"), QStringLiteral("SESTRA"))->ReplaceUCList(QStringLiteral("mnuMain"), defaults);
    TIUCContext *ctx = g->aiContextList()->GetItemByCombination(QStringLiteral("AMBULANTA"), QStringLiteral("SESTRA"));
    ctx->ReplaceUCList(QStringLiteral("mnuMain"), own);
    g->setAiUCContext(ctx);
    TIUCUseCaseList list;
    TbpUCProvider().FillUCList(wc, &list, nullptr, withDefaults);
    QCOMPARE(Codes(list), expected);
}

void TestUseCases::fillAndSaveErrors()
{
    TIUCUseCaseList list;
    TIUCWinControl wc(QStringLiteral("x"));
    TbpUCProvider p;
    QCOMPARE(Message([&] { p.FillUCList(nullptr, &list, nullptr, false); }), QStringLiteral("TbpUCProvider.FillUCList: TIUCWinControl not assigned!"));
    QCOMPARE(Message([&] { p.FillUCList(&wc, nullptr, nullptr, false); }), QStringLiteral("TbpUCProvider.FillUCList: TIUCUseCaseList not assigned!"));
    QCOMPARE(Message([&] { p.FillUCList(&wc, &list, nullptr, false); }), QStringLiteral("Kontekst ni izbran!"));
    QCOMPARE(Message([&] { p.SaveUCList(&wc, &list, nullptr); }), QStringLiteral("Kontekst ni izbran!"));
    QCOMPARE(Message([&] { IUCUnitGlobals()->aiWinControlList()->GetItemByCode(QStringLiteral("mnuX")); }),
             QStringLiteral("Window Control mnuX not found!"));
}

void TestUseCases::savingAnEmptyListRemovesTheEntry()
{
    BuildModel();
    TIUCUnitGlobals *g = IUCUnitGlobals();
    TIUCContext *ctx = g->aiContextList()->GetItem(0);
    TIUCWinControl *menu = g->aiWinControlList()->GetItemByCode(QStringLiteral("mnuMain"));
    TIUCUseCaseList list;
    TbpUCProvider p;
    p.FillUCList(menu, &list, ctx, false);
    QCOMPARE(Codes(list), QStringLiteral("A,J1,B"));
    list.Exchange(0, 2);
    p.SaveUCList(menu, &list, ctx);
    QCOMPARE(ctx->GetUCList(QStringLiteral("mnuMain")), QStringLiteral("B,J1,A"));
    list.Clear();
    p.SaveUCList(menu, &list, ctx);
    QCOMPARE(ctx->aiUCString(), QStringLiteral("tbTools=C"));
    p.FillUCList(menu, &list, ctx, false);
    QCOMPARE(list.GetCount(), 0);
}

void TestUseCases::assignmentTextQuotesAsTheStringListDoes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("codes");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain") << "mnuMain=UC1,UC2/tbTools=UC3" << "tbTools" << "UC3" << "mnuMain=UC1,UC2/tbTools=UC3";
    QTest::newRow("blank in a code is quoted") << "\"mnu Main=UC 1\"/tb=UC2" << "mnu Main" << "UC 1" << "\"mnu Main=UC 1\"/tb=UC2";
    QTest::newRow("blank outside quotes splits") << "mnu=A tb=B" << "tb" << "B" << "mnu=A/tb=B";
    QTest::newRow("slash inside quotes") << "\"m/n=A\"" << "m/n" << "A" << "\"m/n=A\"";
    QTest::newRow("doubled quote") << "\"m\"\"x=A\"" << "m\"x" << "A" << "\"m\"\"x=A\"";
}

void TestUseCases::assignmentTextQuotesAsTheStringListDoes()
{
    QFETCH(QString, text);
    QFETCH(QString, control);
    QFETCH(QString, codes);
    QFETCH(QString, written);
    TIUCContext c(QStringLiteral("AMBULANTA"), QStringLiteral("SESTRA"), text);
    QCOMPARE(c.GetUCList(control), codes);
    QCOMPARE(c.aiUCString(), written);
}

void TestUseCases::listOperations()
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    TIUCUseCaseAction *a = Action(g, QStringLiteral("A"));
    TIUCUseCaseAction *b = Action(g, QStringLiteral("B"));
    TIUCUseCaseList l;
    l.Add(a);
    l.InsertAfter(-1, b);
    QCOMPARE(Codes(l), QStringLiteral("B,A"));
    TIUCUseCaseAction *b2 = Action(g, QStringLiteral("B"));
    l.Add(b2);
    QCOMPARE(l.GetItemByCode(QStringLiteral("B")), b); // the first with the code
    QCOMPARE(l.GetItemByCode(QStringLiteral("b")), nullptr);
    b->setAiCode(QStringLiteral("X")); // a changed code is seen at once
    QCOMPARE(l.GetItemByCode(QStringLiteral("B")), b2);
    QCOMPARE(l.GetItemByCode(QStringLiteral("X")), b);
    TIUCUseCaseList copy;
    copy.Assign(l);
    QCOMPARE(copy.GetItem(0), b); // the same objects
    QVERIFY_THROWS_EXCEPTION(toolkit::EListError, l.Delete(7));
    auto *j = new TIUCUseCaseJoined;
    j->setAiCode(QStringLiteral("J"));
    g->aiUCJoinedList()->Add(j);
    Action(g, QStringLiteral("C"));
    g->RefreshAllUCList();
    QCOMPARE(Codes(*g->aiAllUCList()), QStringLiteral("A,X,B,C,J"));
}

void TestUseCases::clearAllEmptiesEverything()
{
    BuildModel();
    TIUCUnitGlobals *g = IUCUnitGlobals();
    g->setAiUCContext(g->aiContextList()->GetItem(0));
    g->ClearAll();
    QCOMPARE(g->aiAllUCList()->GetCount(), 0);
    QCOMPARE(g->aiUCContext(), nullptr);
    QCOMPARE(g->aiWinControlList()->GetCount(), 0);
    QCOMPARE(g->aiContextList()->GetCount(), 0);
}

void TestUseCases::saveLoadRoundTripWithEveryElementKind()
{
    BuildModel();
    TIUCUnitGlobals *g = IUCUnitGlobals();
    // An assignment for a window control nobody declared, and an unknown code: not written.
    g->aiContextList()->GetItem(0)->ReplaceUCList(QStringLiteral("pnlUnknown"), QStringLiteral("A"));
    g->aiContextList()->GetItem(0)->ReplaceUCList(QStringLiteral("tbTools"), QStringLiteral("C,NONE"));
    const QString before = Describe(g);
    const QString first = FDir.filePath(QStringLiteral("uc1.xml"));
    IUCXMLMapper()->SaveGlobals(g, first);

    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (!xmllint.isEmpty()) {
        QProcess p;
        p.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("--schema"), QStringLiteral(TOVLET_XSD), first});
        QVERIFY(p.waitForFinished(30000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    }
    const QByteArray text = Read(first);
    QVERIFY(text.contains("xsi:schemaLocation=\"http://tovlet.si/zdr/usecases zdr.xsd\""));
    QVERIFY(text.contains("<SubUCCodes/>")); // J2: empty, without menu type or parent
    QVERIFY(!text.contains("pnlUnknown"));
    QVERIFY(!text.contains("NONE"));

    IUCXMLMapper()->LoadGlobals(g, first);
    QString expected = before;
    expected.replace(QStringLiteral("/pnlUnknown=A"), QString()).replace(QStringLiteral("tbTools=C,NONE"), QStringLiteral("tbTools=C"));
    QCOMPARE(Describe(g), expected);
    QCOMPARE(g->aiContextList()->GetItem(2)->aiUCString(), QString()); // empty list, empty assignment
    const QString second = FDir.filePath(QStringLiteral("uc2.xml"));
    IUCXMLMapper()->SaveGlobals(g, second);
    QCOMPARE(Read(second), text);
}

void TestUseCases::languageSwitchOnlyTouchesCaptions()
{
    BuildModel();
    TIUCUnitGlobals *g = IUCUnitGlobals();
    const QString file = FDir.filePath(QStringLiteral("lang.xml"));
    IUCXMLMapper()->SaveGlobals(g, file);
    IUCXMLMapper()->LoadGlobals(g, file);
    const QString slovenian = Describe(g);
    g->setAiLanguageCode(QStringLiteral("ENG"));
    TIUCUseCaseCustom *a = g->aiAllUCList()->GetItemByCode(QStringLiteral("A"));
    QCOMPARE(a->aiVisualProperties()->aiCaption(), QStringLiteral("E A"));
    QCOMPARE(a->aiVisualProperties()->aiHint(), QStringLiteral("hint <&> \"A"));
    QCOMPARE(a->aiVisualProperties()->aiImageIndex(), 7);
    // Only the active properties changed.
    QStringList l1 = slovenian.split(QLatin1Char('\n')), l2 = Describe(g).split(QLatin1Char('\n'));
    QCOMPARE(l1.size(), l2.size());
    for (int i = 0; i < l1.size(); ++i)
        if (!l1.at(i).startsWith(QLatin1String("U ")))
            QCOMPARE(l2.at(i), l1.at(i));
    const QString eng = FDir.filePath(QStringLiteral("eng.xml"));
    IUCXMLMapper()->SaveGlobals(g, eng);
    const QByteArray text = Read(eng);
    QCOMPARE(text.count("<VisualProperty.ENG>"), 7); // once per use case
    QCOMPARE(text.count("<VisualProperty>"), 7);
    QFile::remove(file); // the same code again does not read the file
    g->setAiLanguageCode(QStringLiteral("ENG"));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, g->setAiLanguageCode(QStringLiteral("MKI")));
}

void TestUseCases::imageIndexNeedsACaption()
{
    const QString file = Write(QStringLiteral("img.xml"), R"(<?xml version="1.0"?>
<UseCaseSystem xmlns="http://tovlet.si/zdr/usecases" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
 <WinControls/>
 <UseCases>
  <UC xsi:type="UCActionType"><Code>A</Code><Name>a</Name>
   <VisualProperty><Caption></Caption><ImageIndex>5</ImageIndex></VisualProperty>
   <VisualProperty.ENG><Caption>Save</Caption><ImageIndex>x5</ImageIndex></VisualProperty.ENG>
   <VisualProperty.MKI><Caption>Зачувај</Caption><ImageIndex>9</ImageIndex></VisualProperty.MKI>
  </UC>
  <UC><Code>B</Code></UC>
 </UseCases>
 <Contexts><Context><Header><WorkingUnit>AMBULANTA</WorkingUnit><User>SESTRA</User></Header><WinControlCodesList/></Context></Contexts>
</UseCaseSystem>)");
    TIUCUnitGlobals *g = IUCUnitGlobals();
    IUCXMLMapper()->LoadGlobals(g, file);
    TIUCUseCaseCustom *a = g->aiAllUCList()->GetItemByCode(QStringLiteral("A"));
    QCOMPARE(a->aiVisualPropertiesSLO()->aiImageIndex(), 0);
    QCOMPARE(a->aiVisualPropertiesENG()->aiImageIndex(), 0); // not a number: kept
    QCOMPARE(a->aiVisualPropertiesMKI()->aiImageIndex(), 9);
    QVERIFY(dynamic_cast<TIUCUseCaseAction *>(g->aiAllUCList()->GetItemByCode(QStringLiteral("B")))); // no type: an action
    QCOMPARE(g->aiContextList()->GetItem(0)->aiUCString(), QString());
}

void TestUseCases::reloadAndLanguageNeedALoad()
{
    QCOMPARE(Message([] { IUCXMLMapper()->ReloadGlobals(); }), QStringLiteral("TIUCXMLMapper.ReloadGlobals: Cannot reload before load!"));
    QCOMPARE(Message([] { IUCXMLMapper()->SetLanguage(QStringLiteral("ENG")); }),
             QStringLiteral("TIUCXMLMapper.SetLanguage: UseCase XML not loaded!"));
    BuildModel();
    const QString file = FDir.filePath(QStringLiteral("reload.xml"));
    IUCXMLMapper()->SaveGlobals(IUCUnitGlobals(), file);
    IUCXMLMapper()->LoadGlobals(IUCUnitGlobals(), file);
    IUCUnitGlobals()->aiWinControlList()->Add(new TIUCWinControl(QStringLiteral("extra")));
    IUCXMLMapper()->ReloadGlobals();
    QCOMPARE(IUCUnitGlobals()->aiWinControlList()->GetCount(), 2);
}

void TestUseCases::brokenFilesEndInAClearError_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("says");
    const QByteArray head = "<?xml version=\"1.0\"?>\n";
    QTest::newRow("truncated") << head + "<UseCaseSystem><WinControls><WinControl><Code>x" << "line";
    QTest::newRow("wrong root") << head + "<Drugo/>" << "not UseCaseSystem";
    QTest::newRow("empty file") << QByteArray() << "line";
    QTest::newRow("garbage") << QByteArray("\x00\x01\x02 not xml", 12) << "line";
    QByteArray deep = head + "<UseCaseSystem><WinControls>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    QTest::newRow("100,000 nested elements") << deep << "nested too deeply";
    QTest::newRow("external entity") << head + "<!DOCTYPE UseCaseSystem [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><UseCaseSystem>&x;</UseCaseSystem>"
                                     << "document type";
    QTest::newRow("entity expansion") << head + "<!DOCTYPE r [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><UseCaseSystem>&b;</UseCaseSystem>"
                                      << "document type";
    QTest::newRow("action with sub use cases")
        << head + "<UseCaseSystem><WinControls/><UseCases><UC><Code>A</Code><SubUCCodes><UCCode>A</UCCode></SubUCCodes></UC></UseCases></UseCaseSystem>"
        << "Invalid class typecast";
}

void TestUseCases::brokenFilesEndInAClearError()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, says);
    const QString file = Write(QStringLiteral("broken.xml"), content);
    const QString message = Message([&] { IUCXMLMapper()->LoadGlobals(IUCUnitGlobals(), file); });
    QVERIFY2(message.contains(says), qPrintable(message));
    if (says != QLatin1String("Invalid class typecast"))
        QVERIFY2(message.contains(file), qPrintable(message));
}

void TestUseCases::unknownParentWindowControlStopsTheLoad()
{
    const QString file = Write(QStringLiteral("parent.xml"), R"(<?xml version="1.0"?>
<UseCaseSystem xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"><WinControls><WinControl><Code>mnuMain</Code></WinControl></WinControls>
<UseCases><UC xsi:type="UCJoinedType"><Code>J</Code><ParentWinControl>mnuNi</ParentWinControl></UC></UseCases><Contexts/></UseCaseSystem>)");
    QCOMPARE(Message([&] { IUCXMLMapper()->LoadGlobals(IUCUnitGlobals(), file); }), QStringLiteral("Window Control mnuNi not found!"));
    QCOMPARE(IUCUnitGlobals()->aiWinControlList()->GetCount(), 1); // what was read stays

    // A file too large is refused before it is read.
    const QString big = FDir.filePath(QStringLiteral("big.xml"));
    QFile f(big);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(50LL * 1024 * 1024));
    f.close();
    const QString message = Message([&] { IUCXMLMapper()->LoadGlobals(IUCUnitGlobals(), big); });
    QVERIFY2(message.contains(QStringLiteral("too large")) && message.contains(big), qPrintable(message));
}

void TestUseCases::missingContainersReadAsEmpty_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("controls");
    QTest::addColumn<int>("actions");
    QTest::addColumn<int>("contexts");
    const QString controls = QStringLiteral("<WinControls><WinControl><Code>mnuMain</Code></WinControl></WinControls>");
    const QString useCases = QStringLiteral("<UseCases><UC><Code>ucNovPacient</Code></UC><UC><Code>ucIzvid</Code></UC></UseCases>");
    const QString contexts = QStringLiteral("<Contexts><Context><Header><WorkingUnit>AMB</WorkingUnit><User>ZDR</User></Header></Context></Contexts>");
    QTest::newRow("no UseCases") << controls + contexts << 1 << 0 << 1;
    QTest::newRow("no WinControls") << useCases + contexts << 0 << 2 << 1;
    QTest::newRow("only Contexts") << contexts << 0 << 0 << 1;
    QTest::newRow("containers in another order") << contexts + useCases + controls << 1 << 2 << 1;
}

void TestUseCases::missingContainersReadAsEmpty()
{
    QFETCH(QString, body);
    QFETCH(int, controls);
    QFETCH(int, actions);
    QFETCH(int, contexts);
    const QString file = Write(QStringLiteral("partial.xml"), "<?xml version=\"1.0\"?>\n<UseCaseSystem>" + body.toUtf8() + "</UseCaseSystem>");
    IUCXMLMapper()->LoadGlobals(IUCUnitGlobals(), file);
    QCOMPARE(IUCUnitGlobals()->aiWinControlList()->GetCount(), controls);
    QCOMPARE(IUCUnitGlobals()->aiUCActionList()->GetCount(), actions);
    QCOMPARE(IUCUnitGlobals()->aiUCJoinedList()->GetCount(), 0);
    QCOMPARE(IUCUnitGlobals()->aiContextList()->GetCount(), contexts);
    for (int i = 0; i < IUCUnitGlobals()->aiUCActionList()->GetCount(); ++i)
        QVERIFY(!IUCUnitGlobals()->aiUCActionList()->GetItem(i)->aiCode().isEmpty());
}

QTEST_GUILESS_MAIN(TestUseCases)
#include "tst_usecases.moc"
