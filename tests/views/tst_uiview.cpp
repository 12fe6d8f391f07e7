// A view's filter and order as SQL: every variable against a fixed working
// day and context, the lower/upper toggle of date variables, the column
// name left of a variable with its "+0" and "||''" suffixes, subtree
// expansion, "%ADDORG%", the quick-filter updates, and hostile values that
// must stay values on the real database.
#include "TestDatabase.h"
#include "ViewsFixture.h"

#include "pelvar/plDatabase.h"
#include "toolkit/DateUtils.h"

#include <QSqlQuery>
#include <QTest>

using namespace tovlet;
using tovlet::test::TTestDatabase;
using tovlet::test::TWorkingContext;

class TestUIView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { tovlet::test::RegisterViewClasses(); }
    void init()
    {
        marvok::ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 3, 2));
        marvok::SetLoginUser(QStringLiteral("JANEZ"));
        FGetReportName = [](const QString &f, const QString &c, const QString &t, bool p, bool ch) {
            return QStringLiteral("[%1|%2|%3|%4|%5]").arg(f, c, t).arg(p).arg(ch);
        };
    }
    void cleanup()
    {
        marvok::ISystemParameters().SetWorkingDate(0);
        marvok::SetLoginUser(QString());
        FGetReportName = nullptr;
        FSetOrCond = nullptr;
    }

    void variablesTakeTheirValues_data();
    void variablesTakeTheirValues();
    void subtreeExpansionReplacesTheComparison_data();
    void subtreeExpansionReplacesTheComparison();
    void addOrgSwitchesExpansionOnAndTellsTheHost();
    void orderTextBecomesSql_data();
    void orderTextBecomesSql();
    void quickFilterFollowsTheForm_data();
    void quickFilterFollowsTheForm();
    void hostileValuesStayValues_data();
    void hostileValuesStayValues();
    void descriptionReadsAsText();
    void applyingWithoutTargetSaysWhatIsMissing();
};

void TestUIView::variablesTakeTheirValues_data()
{
    QTest::addColumn<QDate>("workingDay");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("sql");
    const QDate wd(2026, 3, 2);
    QTest::newRow("actor in quotes") << wd << "SIFRA051 = '%ZDR%'" << "SIFRA051 = '12345'";
    QTest::newRow("actor without quotes gets its own") << wd << "SIFRA051=%ZDR%" << "SIFRA051='12345'";
    QTest::newRow("working unit") << wd << "SIFRA031 = '%ENOTA%'" << "SIFRA031 = '00110'";
    QTest::newRow("parent working unit") << wd << "SIFRA031 = '%ENOTA-1%'" << "SIFRA031 = '00100'";
    QTest::newRow("internal unit without expansion") << wd << "SIFRA031 = '%INTERNALENOTA%'" << "SIFRA031 = '00110'";
    QTest::newRow("user") << wd << "USER_IPL = '%USER_IPL%'" << "USER_IPL = 'JANEZ'";
    QTest::newRow("single date is the lower bound") << wd << "D >= to_date('%DAT%', 'DD.MM.YYYY')"
                                                    << "D >= to_date('02.03.2026', 'DD.MM.YYYY')";
    QTest::newRow("day between") << wd << "D between '%DAT%' and '%DAT%'" << "D between '02.03.2026' and '03.03.2026'";
    QTest::newRow("two between pairs start again") << wd << "(A between '%DAT%' and '%DAT%') or (B between '%DAT%' and '%DAT%')"
                                                   << "(A between '02.03.2026' and '03.03.2026') or (B between '02.03.2026' and '03.03.2026')";
    QTest::newRow("24 hours") << wd << "D >= '%24H%' and D < '%24H%'" << "D >= '01.03.2026 00:00:00' and D < '02.03.2026 00:00:00'";
    QTest::newRow("48 hours") << wd << "D >= '%48H%' and D < '%48H%'" << "D >= '28.02.2026 00:00:00' and D < '02.03.2026 00:00:00'";
    QTest::newRow("72 hours") << wd << "D >= '%72H%' and D < '%72H%'" << "D >= '27.02.2026 00:00:00' and D < '02.03.2026 00:00:00'";
    QTest::newRow("past month") << wd << "'%MONTHP%' '%MONTHP%'" << "'02.02.2026' '03.03.2026'";
    QTest::newRow("past month clipped to its length") << QDate(2026, 3, 31) << "'%MONTHP%' '%MONTHP%'" << "'28.02.2026' '01.04.2026'";
    QTest::newRow("next month") << wd << "'%MONTHF%' '%MONTHF%'" << "'02.03.2026' '02.04.2026'";
    QTest::newRow("year") << wd << "'%LET%' '%LET%'" << "'31.12.2025' '03.03.2026'";
    QTest::newRow("toggle shared by date variables") << wd << "'%DAT%' '%24H%' '%DAT%'" << "'02.03.2026' '02.03.2026 00:00:00' '02.03.2026'";
    QTest::newRow("unknown tokens stay") << wd << "NAZIV LIKE '%ABC%' and SIFRA051 = '%ZDR%' and X = '%NIC%'"
                                         << "NAZIV LIKE '%ABC%' and SIFRA051 = '12345' and X = '%NIC%'";
    QTest::newRow("marker goes") << wd << "((SIFRA051= '%ZDR%' ))INHERITEDFILTER" << "((SIFRA051= '12345' ))";
    QTest::newRow("nothing to replace") << wd << "PRIIMEK = 'Novak'" << "PRIIMEK = 'Novak'";
    QTest::newRow("percent at the end") << wd << "X LIKE 'A%'" << "X LIKE 'A%'";
}

void TestUIView::variablesTakeTheirValues()
{
    QFETCH(QDate, workingDay);
    QFETCH(QString, filter);
    QFETCH(QString, sql);
    marvok::ISystemParameters().SetWorkingDate(toolkit::FromQDate(workingDay));
    TWorkingContext context(QStringLiteral("00110"), QStringLiteral("00100"), QStringLiteral("12345"));
    TiUIView view(QStringLiteral("Pogled"));
    QCOMPARE(view.FilterExpToSQL(filter), sql);
}

void TestUIView::subtreeExpansionReplacesTheComparison_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("sql");
    QTest::newRow("quoted unit") << "STAT_260 = '1' AND SIFRA031 = '%ENOTA%'" << "STAT_260 = '1' AND [SIFRA031|00110|ORG|1|1]";
    QTest::newRow("no blanks, no quotes") << "SIFRA031=%ENOTA%" << "[SIFRA031|00110|ORG|1|1]";
    QTest::newRow("+0 belongs to the name") << "SIFRA031+0 = '%ENOTA%'" << "[SIFRA031+0|00110|ORG|1|1]";
    QTest::newRow("||'' belongs to the name") << "SIFRA031||'' = '%ENOTA%'" << "[SIFRA031||''|00110|ORG|1|1]";
    QTest::newRow("qualified column") << "QDAT.PR260AK0.SIFRA031 = '%ENOTA%'" << "QDAT.PR260AK0.[SIFRA031|00110|ORG|1|1]";
    QTest::newRow("parent unit") << "(SIFRA031 = '%ENOTA-1%')" << "([SIFRA031|00100|ORG|1|1])";
    QTest::newRow("every comparison of the field") << "(SIFRA031 = '%ENOTA%' OR SIFRA031='%ENOTA%') AND X = '%ZDR%'"
                                                   << "([SIFRA031|00110|ORG|1|1] OR [SIFRA031|00110|ORG|1|1]) AND X = '12345'";
    QTest::newRow("internal units") << "SIFRA031 = '%INTERNALENOTA%'"
                                    << "SIFRA031 in (select SIFRA031 from QDAT.KR031ORG where INTER031 = 'N')";
    QTest::newRow("in list keeps the code") << "SIFRA031 in ('%ENOTA%')" << "SIFRA031 in ('00110')";
}

void TestUIView::subtreeExpansionReplacesTheComparison()
{
    QFETCH(QString, filter);
    QFETCH(QString, sql);
    TWorkingContext context(QStringLiteral("00110"), QStringLiteral("00100"), QStringLiteral("12345"));
    TiUIView view(QStringLiteral("Pogled"));
    view.setAiExpandOrgNodeTree(true);
    QCOMPARE(view.FilterExpToSQL(filter), sql);
    // Without expansion the same comparison only gets the code.
    TiUIView plain(QStringLiteral("Pogled"));
    QVERIFY(!plain.FilterExpToSQL(filter).contains(QLatin1Char('[')));
}

void TestUIView::addOrgSwitchesExpansionOnAndTellsTheHost()
{
    TWorkingContext context(QStringLiteral("00110"), QStringLiteral("00100"), QStringLiteral("12345"));
    QList<bool> told;
    FSetOrCond = [&told](bool set) { told << set; };
    TiUIView view(QStringLiteral("Pogled"));
    QCOMPARE(view.FilterExpToSQL(QStringLiteral("%ADDORG% AND SIFRA031 = '%ENOTA%'INHERITEDFILTER")),
             QStringLiteral("1=1 AND [SIFRA031|00110|ORG|1|1]"));
    QVERIFY(view.aiExpandOrgNodeTree());
    // The host hears of OR conditions only for a view that expands from the start.
    QVERIFY(told.isEmpty());
    QCOMPARE(view.FilterExpToSQL(QStringLiteral("SIFRA031 = '%ENOTA%'")), QStringLiteral("[SIFRA031|00110|ORG|1|1]"));
    QCOMPARE(told, (QList<bool>{true, false}));
    // An expanding view without the host's expansion says so instead of querying wrongly.
    FGetReportName = nullptr;
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, view.FilterExpToSQL(QStringLiteral("SIFRA031 = '%ENOTA%'")));
    QCOMPARE(told, (QList<bool>{true, false, true, false}));
}

void TestUIView::orderTextBecomesSql_data()
{
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("sql");
    QTest::newRow("ascending then descending") << "A,-B" << "A, B DESC";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("empty terms skipped") << ",A,,B," << "A, B";
    QTest::newRow("DESC kept") << "A DESC,B" << "A DESC, B";
    QTest::newRow("blank before minus") << "A, -B" << "A, B DESC";
}

void TestUIView::orderTextBecomesSql()
{
    QFETCH(QString, sort);
    QFETCH(QString, sql);
    QCOMPARE(TiUIView::OrderExpToSQL(sort), sql);
}

void TestUIView::quickFilterFollowsTheForm_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("result");
    const QString base = QStringLiteral("((SIFRA031= '00110' ))");
    const QString m = QStringLiteral("INHERITEDFILTER");
    const QString state231 = QStringLiteral(" AND (((SELECT QDAT.PR231CON.SIFRA231 FROM QDAT.PR231CON WHERE "
                                            "QDAT.PR231CON.SIFRA231=QDAT.PR210REQ.SIFRR231 AND QDAT.PR231CON.STAT_231='1' AND "
                                            "QDAT.PR231CON.STATE231= '%1') IS NOT NULL))");
    for (const char *f : {"PRIOR260", "SIFRA060", "SIFRA061"}) {
        const QString field = QString::fromLatin1(f);
        const QString cond = QStringLiteral(" AND ((%1= '%2'))").arg(field);
        QTest::addRow("%s inserted before the marker", f) << field << base + m << "1" << base + cond.arg("1") + m;
        QTest::addRow("%s value replaced", f) << field << base + cond.arg("1") + m << "2" << base + cond.arg("2") + m;
        QTest::addRow("%s removed", f) << field << base + cond.arg("1") + m << "" << base + m;
        QTest::addRow("%s removed between others", f) << field << base + cond.arg("1") + " AND ((X= 'y'))" + m << ""
                                                     << base + " AND ((X= 'y'))" + m;
        QTest::addRow("%s absent and empty", f) << field << base + m << "" << base + m;
    }
    QTest::newRow("STATE260 inserted") << "STATE260" << base + m << "Z" << base + " AND (((STATE260= 'Z')))" + m;
    QTest::newRow("STATE260 alternatives give way") << "STATE260" << base + " AND (((STATE260= 'Z' )) OR ((STATE260= 'O' )))" + m << "N"
                                                    << base + " AND (((STATE260= 'N' )))" + m;
    QTest::newRow("STATE260 empty is left alone") << "STATE260" << base + " AND (((STATE260= 'Z')))" + m << ""
                                                  << base + " AND (((STATE260= 'Z')))" + m;
    QTest::newRow("STATE231 inserted") << "STATE231" << base + m << "O" << base + state231.arg("O") + m;
    QTest::newRow("STATE231 replaced") << "STATE231" << base + state231.arg("O") + m << "Z" << base + state231.arg("Z") + m;
    QTest::newRow("STATE231 removed") << "STATE231" << base + state231.arg("O") + m << "" << base + m;
    QTest::newRow("first condition has no AND") << "PRIOR260" << m << "1" << "((PRIOR260= '1'))" + m;
    QTest::newRow("first condition removed") << "PRIOR260" << "((PRIOR260= '1'))" + m << "" << m;
    QTest::newRow("apostrophe doubled") << "PRIOR260" << base + m << "x')) OR 1=1 --" << base + " AND ((PRIOR260= 'x'')) OR 1=1 --'))" + m;
    QTest::newRow("hostile value replaced whole") << "PRIOR260" << base + " AND ((PRIOR260= 'x'')) OR 1=1 --'))" + m << "2"
                                                  << base + " AND ((PRIOR260= '2'))" + m;
    QTest::newRow("hostile value removed whole") << "PRIOR260" << base + " AND ((PRIOR260= 'x'')) OR 1=1 --'))" + m << "" << base + m;
}

void TestUIView::quickFilterFollowsTheForm()
{
    QFETCH(QString, field);
    QFETCH(QString, filter);
    QFETCH(QString, value);
    QFETCH(QString, result);
    TiUIView view(QStringLiteral("Pogled"), {}, filter);
    QStringList asked;
    view.aiOnGetFilterValueFromForm = [&](const QString &f, QString &v) {
        asked << f;
        if (f == field)
            v = value;
    };
    view.UpdateFilterFromForm(field);
    QCOMPARE(view.aiFilter(), result);
    // Every quick-filter field is asked; the others, empty and absent, change nothing.
    view.UpdateQuickFilters();
    QCOMPARE(asked.mid(1), TiUIView::QuickFilterFields());
    QCOMPARE(view.aiFilter(), result);
}

void TestUIView::hostileValuesStayValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("apostrophe and drop") << "x'; DROP TABLE QDAT.SENTINEL; --";
    QTest::newRow("always true") << "x' OR '1'='1";
    QTest::newRow("comment") << "x' --";
    QTest::newRow("block comment") << "x' /*";
    QTest::newRow("NUL") << QStringLiteral("x") + QChar(0) + QStringLiteral("' OR 'a'='a");
    QTest::newRow("typographic apostrophe") << "x’ OR ’1’=’1";
    QTest::newRow("backslash and percent") << "x\\' OR 1=1 -- %ZDR%";
}

void TestUIView::hostileValuesStayValues()
{
    QFETCH(QString, value);
    TTestDatabase db(true);
    db.Exec(QStringLiteral("CREATE TABLE QDAT.SENTINEL (X INTEGER); INSERT INTO QDAT.SENTINEL (X) VALUES (7)"));
    // A hostile actor code, user code and quick-filter value, each where a value belongs.
    TWorkingContext context(QStringLiteral("00110"), QStringLiteral("00100"), value);
    marvok::SetLoginUser(value);
    TiUIView view(QStringLiteral("Pogled"), {},
                  QStringLiteral("((SIFRA051= '%ZDR%' )) OR ((SIFRA051= %ZDR%)) OR ((SIFRA031= '%USER_IPL%'))INHERITEDFILTER"));
    view.aiOnGetFilterValueFromForm = [&](const QString &f, QString &v) {
        if (f == QLatin1String("PRIOR260"))
            v = value;
    };
    view.UpdateQuickFilters();
    const TIUIViewFilterCheck check = view.CheckFilter(QStringLiteral("QDAT.PR260AK0"));
    QVERIFY2(check.Valid, qPrintable(check.Message + QStringLiteral(" / ") + check.Sql));
    QCOMPARE(check.RowCount, 0);
    QCOMPARE(db.Scalar(QStringLiteral("select count(*) from QDAT.SENTINEL")).toInt(), 1);
}

void TestUIView::descriptionReadsAsText()
{
    TiUIView view(QStringLiteral("Pogled"), QStringLiteral("PRIIMEK,-IME"),
                  QStringLiteral("((DATUM BETWEEN '%DAT%' AND '%DAT%')) AND NOT X IN ('A') OR Y=1INHERITEDFILTER"));
    QCOMPARE(view.aiDescription(), QStringLiteral("((DATUM med '%DAT%' in '%DAT%')) in ni X v ('A') ali Y=1,  Urejeno po: PRIIMEK, -IME"));
    TiUIView sortOnly(QStringLiteral("Pogled"), QStringLiteral("PRIIMEK"), QStringLiteral("INHERITEDFILTER"));
    QCOMPARE(sortOnly.aiDescription(), QStringLiteral("Urejeno po: PRIIMEK"));
}

void TestUIView::applyingWithoutTargetSaysWhatIsMissing()
{
    TiUIView view(QStringLiteral("Pogled"));
    auto message = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const toolkit::Exception &e) {
            return e.Message();
        }
        return QString();
    };
    QCOMPARE(message([&] { view.SetUiViewToView(nullptr); }), QStringLiteral("No view defined"));
    QCOMPARE(message([&] { view.SetUiViewToList(nullptr); }), QStringLiteral("No list defined"));
    QCOMPARE(message([&] { view.SetUiViewToGrid(nullptr); }), QStringLiteral("No grid defined"));
    QCOMPARE(message([&] { view.SetUiViewToHCListBox(nullptr); }), QStringLiteral("No HCListBox defined"));
    TICustomHCListBox box;
    QCOMPARE(message([&] { view.SetUiViewToHCListBox(&box); }), QString());
    TIUIViewList orphan;
    QCOMPARE(message([&] { orphan.GetFormName(); }), QStringLiteral("Can not get component owner!"));
    orphan.setAiParametersFormClassName(QStringLiteral("TfmPacienti"));
    QCOMPARE(orphan.GetFormName(), QStringLiteral("TfmPacienti"));
    QCOMPARE(message([&] { orphan.EditCurrentUIView(); }), QStringLiteral("Not implemented: TIUiViewList.EditCurrentUIView"));
}

QTEST_MAIN(TestUIView)
#include "tst_uiview.moc"
