// The view chooser on a form, driven as a user drives it, over the clinic's
// patients on the real database: storing and loading the views (and what a
// damaged stored text does), one statement per applied view, the grid
// following the view's layout, title-click sorting, the menu, the width, and
// the filter check.
#include "ModalResponder.h"
#include "TestDatabase.h"
#include "ViewsFixture.h"

#include "marvok/Cvalinfo.h"
#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "marvok/Ilog.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plList.h"
#include "pelvar/plView.h"
#include "toolkit/DB.h"
#include "toolkit/SqlTrace.h"
#include "tovlet/core/iAfParam.h"
#include "tovlet/grids/cMirGrid.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

using namespace tovlet;
using tovlet::test::TTestDatabase;

namespace {

const QString Layout = QStringLiteral("FN=PRIIMEK&DL=Priimek&Width=130&DDR=7&Visible=D;FN=IME&DL=Ime&Width=90&DDR=7&Visible=D");
const QString LayoutNarrow = QStringLiteral("FN=IME&DL=Ime&Width=70&DDR=7&Visible=D");

class TPatientForm : public marvok::TIForm
{
    Q_OBJECT
public:
    explicit TPatientForm(bool persistenceView = false)
    {
        auto *layout = new QVBoxLayout(this);
        Views = new TIUIViewList(this);
        Views->setObjectName(QStringLiteral("cbPogledi"));
        Label = new QLabel(this);
        Grid = new TIMireloDBGrid(this);
        layout->addWidget(Views);
        layout->addWidget(Label);
        layout->addWidget(Grid);
        if (persistenceView) {
            View = std::make_unique<pelvar::TplView>(pelvar::ClassMetaData(QStringLiteral("TPacient")));
            View->SetOrder(QStringLiteral("ID"));
            View->Open();
            Source.SetDataSet(View->GetDataSet());
            Grid->SetDataSource(&Source);
            Views->setAiView(View.get());
        } else {
            List = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
            Views->setAiBoList(List.get());
        }
        Views->setAiGrid(Grid);
        Views->setAiLabel(Label);
        resize(600, 400);
    }
    ~TPatientForm() override
    {
        Grid->SetDataSource(nullptr);
        delete Views;
    }
    QString Cell(int row, int column) const { return Grid->model()->index(row, column).data().toString(); }
    // The records the list or view holds (a view reads its rows as they are shown).
    int Rows() const { return List ? List->Count() : View->GetDataSet()->RecordCount(); }
    void ClickTitle(int column)
    {
        QHeaderView *h = Grid->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(column) + 10, h->height() / 2));
    }

    TIUIViewList *Views;
    QLabel *Label;
    TIMireloDBGrid *Grid;
    toolkit::TDataSource Source;
    std::unique_ptr<pelvar::TplView> View;
    pelvar::TplRef<pelvar::TPlBoList> List;
};

// Counts the statements run while it lives.
struct TStatementCount
{
    QStringList Sql;
    int Id;
    TStatementCount()
    {
        Id = toolkit::AddSqlTraceListener([this](const toolkit::TSqlTraceEntry &e) { Sql << *e.Sql; });
    }
    ~TStatementCount() { toolkit::RemoveSqlTraceListener(Id); }
};

} // namespace

class TestUIViewList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        tovlet::test::RegisterViewClasses();
        SetMireloAFParametersClass([](QObject *owner) { return new TIDbAFParameters(owner); });
    }
    void init()
    {
        FDb = std::make_unique<TTestDatabase>(true);
        pelvar::EnsureTables();
        TIDbAFParameters::EnsureTables();
        marvok::SetLoginUser(QStringLiteral("ANA"));
        marvok::ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 3, 2));
        marvok::SetMessageDlgResponder([this](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
            Messages << text;
            return Answer;
        });
        marvok::SetLogSink([this](const QString &line) { Log << line; });
        FIgnoreTitleClick = NoIgnoreTitleClick();
    }
    void cleanup()
    {
        marvok::SetMessageDlgResponder({});
        marvok::SetLogSink({});
        marvok::SetLoginUser(QString());
        marvok::ISystemParameters().SetWorkingDate(0);
        Messages.clear();
        Log.clear();
        Answer = marvok::mrOk;
        pelvar::GlobalDictionary().CollectGarbage();
        FDb.reset();
    }

    void storedTextComesBack_data();
    void storedTextComesBack();
    void viewsAreStoredPerUserAndSurviveTheForm();
    void damagedStoredTextGivesTheDefaultView_data();
    void damagedStoredTextGivesTheDefaultView();
    void cancellingTheLoadMessageAbortsSilently();
    void viewThatCannotBeStoredSaysSo();
    void applyingAViewIsOneStatement_data();
    void applyingAViewIsOneStatement();
    void pickingAnotherViewKeepsTheLayoutOfTheOneLeft();
    void viewTheDatabaseRefusesLeavesTheChoiceAsItWas();
    void titleClicksCycleTheSort();
    void titleClicksRightAfterARefreshAreIgnored();
    void codeListColumnsSortByTheirDescriptions_data();
    void codeListColumnsSortByTheirDescriptions();
    void menuOffersTheViewsAndTheEditors();
    void widthFollowsTheLongestCaption();
    void filterCheckCountsOrSaysWhy_data();
    void filterCheckCountsOrSaysWhy();
    void wholeFormIsSavedAndLoaded();

private:
    std::unique_ptr<TTestDatabase> FDb;
    QStringList Messages;
    QStringList Log;
    int Answer = marvok::mrOk;
};

void TestUIViewList::storedTextComesBack_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("index");
    const QString two = QStringLiteral("1#Vsi|PRIIMEK|INHERITEDFILTER||%1#Ženske|-IME|((SPOL= 'Z' ))INHERITEDFILTER|SPOL|%2").arg(Layout, LayoutNarrow);
    QTest::newRow("two views, the second chosen") << two << two << 1;
    QTest::newRow("caption only") << "0#Samo ime" << "0#Samo ime||||" << 0;
    QTest::newRow("index beyond the views") << "5#A||||" << "0#A||||" << 0;
}

void TestUIViewList::storedTextComesBack()
{
    QFETCH(QString, stored);
    QFETCH(QString, written);
    QFETCH(int, index);
    TPatientForm form;
    form.Views->LoadViewFromString(stored);
    QCOMPARE(form.Views->currentIndex(), index);
    QCOMPARE(form.Views->aiCurrentView(), form.Views->GetUIView(index));
    QCOMPARE(form.Views->SaveViewToString(), written);
    if (form.Views->Count() == 2) {
        // The chosen view is applied: its filter, order and columns.
        QCOMPARE(form.Views->currentText(), QStringLiteral("Ženske"));
        QCOMPARE(form.List->Condition(), QStringLiteral("((SPOL= 'Z' ))"));
        QCOMPARE(form.Grid->ColumnCount(), 1);
        QCOMPARE(form.Rows(), 4);
        QCOMPARE(form.Cell(0, 0), QStringLiteral("Špela"));
        QCOMPARE(form.Label->text(), QStringLiteral("((SPOL= 'Z' )),  Urejeno po: -Ime"));
    } else {
        TiUIView *v = form.Views->GetUIView(0);
        QVERIFY(v->aiSort().isEmpty() && v->aiFilter().isEmpty() && v->aiGroup().isEmpty() && v->aiFields().isEmpty());
    }
}

void TestUIViewList::viewsAreStoredPerUserAndSurviveTheForm()
{
    {
        TPatientForm form;
        form.Views->Add(new TiUIView(QStringLiteral("Vsi"), QStringLiteral("PRIIMEK"), QStringLiteral("INHERITEDFILTER"), {}, Layout));
        form.Views->Add(new TiUIView(QStringLiteral("Moški"), QStringLiteral("IME"), QStringLiteral("((SPOL= 'M' ))INHERITEDFILTER"), {}, Layout));
        form.Views->SetItemIndex(1);
        form.Grid->horizontalHeader()->resizeSection(0, 150);
        form.Views->SaveViews();
        QVERIFY(Messages.isEmpty());
    }
    QCOMPARE(FDb->Scalar(QStringLiteral("select SHORT_DESC from QDAT.AF_PARAM_DEF where CLASS007 = 'TPatientForm'")).toString(),
             QStringLiteral("Pogledi na formi TPatientForm"));
    TPatientForm again;
    QVERIFY(again.Views->LoadViews(true));
    QCOMPARE(again.Views->Count(), 2);
    QCOMPARE(again.Views->currentText(), QStringLiteral("Moški"));
    QCOMPARE(again.Grid->columnWidth(0), 150);
    QCOMPARE(again.Rows(), 4);
    // Another user has none of them.
    marvok::SetLoginUser(QStringLiteral("BOJAN"));
    TPatientForm other;
    QVERIFY(!other.Views->LoadViews(true));
    QCOMPARE(other.Views->Count(), 0);
}

void TestUIViewList::damagedStoredTextGivesTheDefaultView_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("reason");
    QTest::newRow("index not a number") << "x#A||||" << "Številka izbranega pogleda \"x\" ni veljavna.";
    QTest::newRow("too many fields") << "0#A|b|c|d|e|f" << "Pogled 1 ima 6 polj namesto 5.";
    QTest::newRow("no views") << "0" << "Shranjeno besedilo nima nobenega pogleda.";
    QTest::newRow("view without a caption") << "0#A||||#|PRIIMEK" << "Pogled 2 nima imena.";
    QTest::newRow("filter the database refuses") << "0#A||NI_STOLPCA = 1||" << "";
}

void TestUIViewList::damagedStoredTextGivesTheDefaultView()
{
    QFETCH(QString, stored);
    QFETCH(QString, reason);
    IMireloAFParameters()->AddParamDefinition(QStringLiteral("TPatientForm"), QStringLiteral("cbPogledi"), {TIParamDefAccess::pdaUser}, {});
    IMireloAFParameters()->SetParamValue(QStringLiteral("TPatientForm"), QStringLiteral("cbPogledi"), stored);
    TPatientForm form;
    form.Views->Add(new TiUIView(QStringLiteral("Star")));
    QVERIFY(!form.Views->LoadViews(false));
    QCOMPARE(Messages.size(), 1);
    QVERIFY2(Messages[0].startsWith(QStringLiteral("Napaka pri nalaganju podatkov za pogled:\r\r")), qPrintable(Messages[0]));
    QVERIFY(Messages[0].endsWith(QStringLiteral("\r\rGeneriram privzete poglede...")));
    if (!reason.isEmpty())
        QVERIFY2(Messages[0].contains(reason), qPrintable(Messages[0]));
    QCOMPARE(form.Views->Count(), 0);
    form.Views->CreateDefaultView();
    QCOMPARE(form.Views->Count(), 1);
    QCOMPARE(form.Views->currentText(), QStringLiteral("Privzet"));
    QCOMPARE(form.Views->aiCurrentView()->aiSort(), QStringLiteral("PRIIMEK"));
    QCOMPARE(form.List->Count(), 8);
    QCOMPARE(form.List->Get(0)->GetAttrAsText(QStringLiteral("PRIIMEK")), QStringLiteral("Horvat"));
    QCOMPARE(form.Rows(), 8);
}

void TestUIViewList::cancellingTheLoadMessageAbortsSilently()
{
    IMireloAFParameters()->AddParamDefinition(QStringLiteral("TPatientForm"), QStringLiteral("cbPogledi"), {TIParamDefAccess::pdaUser}, {});
    IMireloAFParameters()->SetParamValue(QStringLiteral("TPatientForm"), QStringLiteral("cbPogledi"), QStringLiteral("x#A"));
    TPatientForm form;
    Answer = marvok::mrCancel;
    QVERIFY_THROWS_EXCEPTION(toolkit::EAbort, form.Views->LoadViews(true));
    // The log has the step, where it was kept and the text itself.
    QCOMPARE(Log.size(), 1);
    QVERIFY(Log[0].contains(QStringLiteral("TPatientForm, cbPogledi")) && Log[0].contains(QStringLiteral("x#A"))
            && Log[0].contains(QStringLiteral("branje pogledov")));
    QCOMPARE(form.Views->Count(), 0);
}

void TestUIViewList::viewThatCannotBeStoredSaysSo()
{
    TPatientForm form;
    form.Views->Add(new TiUIView(QStringLiteral("Vsi"), QStringLiteral("PRIIMEK"), QStringLiteral("KZZ = '#1'")));
    form.Views->SetItemIndex(0);
    form.Views->SaveViews();
    QCOMPARE(Messages, QStringList{QStringLiteral("Napaka pri shranjevanju pogleda [TPatientForm, cbPogledi]!")});
    QVERIFY(!IMireloAFParameters()->ParamValueExists(QStringLiteral("TPatientForm"), QStringLiteral("cbPogledi")));
}

void TestUIViewList::applyingAViewIsOneStatement_data()
{
    QTest::addColumn<bool>("persistenceView");
    QTest::newRow("business-object list") << false;
    QTest::newRow("persistence view") << true;
}

void TestUIViewList::applyingAViewIsOneStatement()
{
    QFETCH(bool, persistenceView);
    tovlet::test::TWorkingContext context(QStringLiteral("00110"), QStringLiteral("00100"), QStringLiteral("12345"));
    TPatientForm form(persistenceView);
    form.Views->Add(new TiUIView(QStringLiteral("Vsi"), QStringLiteral("PRIIMEK"), QStringLiteral("INHERITEDFILTER"), {}, Layout));
    // The doctor's patients seen on the working day.
    form.Views->Add(new TiUIView(QStringLiteral("Moji danes"), QStringLiteral("-IME"),
                                 QStringLiteral("ID IN (SELECT CAST(SIFRA101 AS BIGINT) FROM QDAT.PR231CON WHERE SIFRA051 = '%ZDR%' "
                                                "AND DATUM231 BETWEEN to_date('%DAT%', 'DD.MM.YYYY') AND to_date('%DAT%', 'DD.MM.YYYY'))INHERITEDFILTER"),
                                 {}, LayoutNarrow));
    form.Views->SetItemIndex(0);
    QCOMPARE(form.Rows(), 8);
    QCOMPARE(form.Grid->ColumnCount(), 2);
    {
        TStatementCount count;
        form.Views->SetItemIndex(1);
        QCOMPARE(count.Sql.size(), 1);
        QVERIFY(count.Sql[0].contains(QStringLiteral("SIFRA051 = '12345'")));
        QVERIFY(count.Sql[0].contains(QStringLiteral("BETWEEN to_date('02.03.2026', 'DD.MM.YYYY') AND to_date('03.03.2026', 'DD.MM.YYYY')")));
    }
    QCOMPARE(form.Rows(), 1);
    QCOMPARE(form.Grid->ColumnCount(), 1);
    QCOMPARE(form.Cell(0, 0), QStringLiteral("Ana"));
    {
        // Applying the same view again asks nothing of a persistence view;
        // a list reads its rows again (the user wants the fresh state).
        TStatementCount count;
        form.Views->RefreshView();
        QCOMPARE(count.Sql.size(), persistenceView ? 0 : 1);
    }
}

void TestUIViewList::pickingAnotherViewKeepsTheLayoutOfTheOneLeft()
{
    TPatientForm form;
    form.Views->Add(new TiUIView(QStringLiteral("Vsi"), QStringLiteral("PRIIMEK"), {}, {}, Layout));
    form.Views->Add(new TiUIView(QStringLiteral("Ozek"), QStringLiteral("IME"), {}, {}, LayoutNarrow));
    form.Views->SetItemIndex(0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Grid->horizontalHeader()->resizeSection(0, 170);
    form.Views->setFocus();
    QTest::keyClick(form.Views, Qt::Key_Down);
    QTRY_COMPARE(form.Views->currentText(), QStringLiteral("Ozek"));
    QCOMPARE(form.Grid->ColumnCount(), 1);
    QVERIFY(form.Views->GetUIView(0)->aiFields().startsWith(QStringLiteral("FN=PRIIMEK&DL=Priimek&Width=170")));
    QTest::keyClick(form.Views, Qt::Key_Up);
    QTRY_COMPARE(form.Views->currentText(), QStringLiteral("Vsi"));
    QCOMPARE(form.Grid->columnWidth(0), 170);
    QCOMPARE(form.Cell(0, 0), QStringLiteral("Horvat"));
}

void TestUIViewList::viewTheDatabaseRefusesLeavesTheChoiceAsItWas()
{
    TPatientForm form;
    form.Views->Add(new TiUIView(QStringLiteral("Vsi"), QStringLiteral("PRIIMEK"), {}, {}, Layout));
    form.Views->Add(new TiUIView(QStringLiteral("Pokvarjen"), QStringLiteral("IME"), QStringLiteral("NI_STOLPCA = 1"), {}, LayoutNarrow));
    form.Views->SetItemIndex(0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Views->setFocus();
    QTest::keyClick(form.Views, Qt::Key_Down);
    // The user hears why; the list, the columns and the choice stay.
    QTRY_COMPARE(Messages.size(), 1);
    QVERIFY2(Log.join(QLatin1Char('\n')).contains(QStringLiteral("NI_STOLPCA"), Qt::CaseInsensitive), qPrintable(Log.join(QLatin1Char('\n'))));
    QCOMPARE(form.Views->currentText(), QStringLiteral("Vsi"));
    QCOMPARE(form.Views->aiCurrentView(), form.Views->GetUIView(0));
    QCOMPARE(form.Rows(), 8);
    QCOMPARE(form.Grid->ColumnCount(), 2);
    QCOMPARE(form.List->Condition(), QString());
    // Picking it again is refused again, not half applied.
    QTest::keyClick(form.Views, Qt::Key_Down);
    QTRY_COMPARE(Messages.size(), 2);
    QCOMPARE(form.Views->currentText(), QStringLiteral("Vsi"));
}

void TestUIViewList::titleClicksCycleTheSort()
{
    TPatientForm form;
    auto *view = new TiUIView(QStringLiteral("Vsi"), QStringLiteral("IME"), {}, {}, Layout);
    QList<int> told;
    view->aiOnTitleClickEvent = [&told](TiUIView *, int column) { told << column; };
    form.Views->Add(view);
    form.Views->SetItemIndex(0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.Cell(0, 0), QStringLiteral("Novak")); // Ana
    form.ClickTitle(0);
    QCOMPARE(view->aiSort(), QStringLiteral("PRIIMEK"));
    QCOMPARE(form.Cell(0, 0), QStringLiteral("Horvat"));
    form.ClickTitle(0);
    QCOMPARE(view->aiSort(), QStringLiteral("-PRIIMEK"));
    QCOMPARE(form.Cell(0, 0), QStringLiteral("Zupančič"));
    form.ClickTitle(0);
    QCOMPARE(view->aiSort(), QStringLiteral("PRIIMEK"));
    QCOMPARE(form.Cell(0, 0), QStringLiteral("Horvat"));
    QCOMPARE(told, (QList<int>{0, 0, 0}));
    // The rest of a longer sort stays behind the first field.
    view->setAiSort(QStringLiteral("IME,PRIIMEK"));
    form.ClickTitle(1);
    QCOMPARE(view->aiSort(), QStringLiteral("-IME,PRIIMEK"));
    // The host's own sort terms come off before and go back after.
    form.Views->aiDeleteCustomSortField = [](const QString &in, QString &out) { out = QString(in).remove(QStringLiteral(",ID")); };
    form.Views->aiSetCustomSortField = [](const QString &in, QString &out) { out = in + QStringLiteral(",ID"); };
    view->setAiSort(QStringLiteral("PRIIMEK,ID"));
    form.ClickTitle(0);
    QCOMPARE(view->aiSort(), QStringLiteral("-PRIIMEK,ID"));
}

void TestUIViewList::titleClicksRightAfterARefreshAreIgnored()
{
    {
        TPatientForm form;
        auto *view = new TiUIView(QStringLiteral("Vsi"), QStringLiteral("IME"), {}, {}, Layout);
        form.Views->Add(view);
        form.Views->SetItemIndex(0);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        FIgnoreTitleClick = toolkit::Now();
        form.ClickTitle(0);
        QCOMPARE(view->aiSort(), QStringLiteral("IME"));
        FIgnoreTitleClick = toolkit::Now() - 3 * toolkit::OneSecond;
        form.ClickTitle(0);
        QCOMPARE(view->aiSort(), QStringLiteral("PRIIMEK"));
    }
    // A persistence view refreshed a moment ago ignores the click; its sort
    // otherwise reverses with " DESC".
    TPatientForm form(true);
    auto *view = new TiUIView(QStringLiteral("Vsi"), QStringLiteral("IME"), {}, {}, Layout);
    form.Views->Add(view);
    form.Views->SetItemIndex(0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.ClickTitle(0);
    QCOMPARE(view->aiSort(), QStringLiteral("IME"));
    QCOMPARE(form.Views->GetNewSortForColumn(QStringLiteral("PRIIMEK"), 7, marvok::TIFieldInfo()), QStringLiteral("PRIIMEK"));
}

void TestUIViewList::codeListColumnsSortByTheirDescriptions_data()
{
    QTest::addColumn<QString>("valid");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("viewTerm");
    QTest::addColumn<QString>("listTerm");
    QTest::newRow("code column") << "S:KR051ACR" << 7 << "SIFRA051" << "SIFRA051";
    QTest::newRow("description column") << "S:KR051ACR" << 8 << "QDAT.PCKSELECT.GETCATALOGUEVALUE('KR051ACR', 'FALSE',SIFRA051)" << "@SIFRA051";
    QTest::newRow("short and long description") << "S:KR051ACR" << 1050 << "QDAT.PCKSELECT.GETCATALOGUEVALUE('KR051ACR', 'TRUE',SIFRA051)" << "§SIFRA051";
    QTest::newRow("above 1000 ending in 8") << "S:KR051ACR" << 1008 << "QDAT.PCKSELECT.GETCATALOGUEVALUE('KR051ACR', 'TRUE',SIFRA051)" << "§SIFRA051";
    QTest::newRow("not a code list") << "D" << 8 << "SIFRA051" << "SIFRA051";
    QTest::newRow("group code list") << "MS:SPOL" << 8 << "SIFRA051" << "SIFRA051";
}

void TestUIViewList::codeListColumnsSortByTheirDescriptions()
{
    QFETCH(QString, valid);
    QFETCH(int, rows);
    QFETCH(QString, viewTerm);
    QFETCH(QString, listTerm);
    marvok::TIFieldInfo info;
    info.ValidString = valid;
    info.ValInfo = marvok::ValidString2ValidInfo(valid);
    TIUIViewList list;
    QCOMPARE(list.GetNewSortForColumn(QStringLiteral("SIFRA051"), rows, info), viewTerm);
    QCOMPARE(list.GetNewBoSortForColumn(QStringLiteral("SIFRA051"), rows, info), listTerm);
}

void TestUIViewList::menuOffersTheViewsAndTheEditors()
{
    TPatientForm form;
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, form.Views->GenerateMenu());
    QMenu menu(QStringLiteral("Pogledi"));
    form.Views->setAiMenuItem(&menu);
    QList<int> pages;
    form.Views->aiEditViewProperties = [&pages](QObject *, TIUIViewList *list, int page) {
        pages << page;
        list->aiCurrentView()->setAiSort(QStringLiteral("-PRIIMEK"));
    };
    form.Views->Add(new TiUIView(QStringLiteral("Vsi"), QStringLiteral("PRIIMEK"), {}, {}, Layout));
    form.Views->Add(new TiUIView(QStringLiteral("Ženske"), QStringLiteral("IME"), QStringLiteral("SPOL = 'Z'"), {}, Layout));
    form.Views->GenerateMenu();
    form.Views->SetItemIndex(0);
    QStringList texts;
    for (QAction *a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(texts, (QStringList{"Trenutni pogled", "-", "Oblikuj stolpce...", "Razvrsti...", "Filter...", "-", "Določi poglede...", "-",
                                 "Shrani pogled"}));
    QMenu *current = menu.actions().first()->menu();
    QCOMPARE(current->actions().size(), 2);
    QVERIFY(current->actions()[0]->isChecked());
    current->actions()[1]->trigger();
    QCOMPARE(form.Views->currentText(), QStringLiteral("Ženske"));
    QVERIFY(current->actions()[1]->isChecked() && !current->actions()[0]->isChecked());
    QCOMPARE(form.Rows(), 4);
    // An editor page, then the edited view applied again.
    menu.actions()[3]->trigger();
    QCOMPARE(pages, QList<int>{2});
    QCOMPARE(form.Cell(0, 0), QStringLiteral("Zupančič"));
    form.Views->setAiEditEnabled(false);
    QVERIFY(!menu.actions()[2]->isEnabled() && !menu.actions()[3]->isEnabled() && !menu.actions()[4]->isEnabled());
    QVERIFY(menu.actions()[8]->isEnabled());
    menu.actions()[8]->trigger();
    QVERIFY(IMireloAFParameters()->ParamValueExists(QStringLiteral("TPatientForm"), QStringLiteral("cbPogledi")));
}

void TestUIViewList::widthFollowsTheLongestCaption()
{
    TIUIViewList list;
    list.Add(new TiUIView(QStringLiteral("A")));
    QVERIFY(list.width() >= 30 && list.width() < 120);
    const int narrow = list.width();
    list.Add(new TiUIView(QStringLiteral("Moji pacienti danes")));
    QVERIFY(list.width() > narrow + list.fontMetrics().horizontalAdvance(QStringLiteral("Moji pacienti")));
    list.Add(new TiUIView(QString(300, QLatin1Char('W'))));
    QCOMPARE(list.width(), 500);
    list.setAiMaxWidht(200);
    QCOMPARE(list.width(), 200);
    list.setAiAutoArrange(false);
    list.setAiMaxWidht(500);
    QCOMPARE(list.width(), 200);
}

void TestUIViewList::filterCheckCountsOrSaysWhy_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("rows");
    QTest::newRow("women") << "((SPOL= 'Z' ))INHERITEDFILTER" << 4;
    QTest::newRow("no filter") << "INHERITEDFILTER" << 8;
    QTest::newRow("with a variable") << "USER_IPL = '%USER_IPL%' OR ID = 1" << 1;
    QTest::newRow("unknown column") << "NI_STOLPCA = 1" << -1;
    QTest::newRow("broken text") << "SPOL = 'Z" << -1;
}

void TestUIViewList::filterCheckCountsOrSaysWhy()
{
    QFETCH(QString, filter);
    QFETCH(int, rows);
    TPatientForm form;
    auto *view = new TiUIView(QStringLiteral("Preveri"), {}, filter);
    form.Views->Add(view);
    TStatementCount count;
    const TIUIViewFilterCheck check = form.Views->CheckFilter(view);
    QCOMPARE(count.Sql.size(), 1);
    QCOMPARE(check.Valid, rows >= 0);
    if (rows >= 0)
        QCOMPARE(check.RowCount, rows);
    else
        QVERIFY(!check.Message.isEmpty());
}

void TestUIViewList::wholeFormIsSavedAndLoaded()
{
    {
        TPatientForm form;
        auto *sheet = new marvok::TITabSheetForm;
        sheet->EmbedInto(&form);
        auto *inner = new TIUIViewList(sheet);
        inner->setObjectName(QStringLiteral("cbNotranji"));
        inner->setAiBoList(form.List.get());
        inner->Add(new TiUIView(QStringLiteral("Notranji")));
        inner->SetItemIndex(0);
        form.Views->Add(new TiUIView(QStringLiteral("Zunanji")));
        form.Views->SetItemIndex(0);
        FindViewsAndSaveThem(&form);
    }
    QVERIFY(IMireloAFParameters()->ParamValueExists(QStringLiteral("TPatientForm"), QStringLiteral("cbPogledi")));
    QVERIFY(IMireloAFParameters()->ParamValueExists(QStringLiteral("TITabSheetForm"), QStringLiteral("cbNotranji")));
    TPatientForm form;
    FindViewsAndLoadThem(&form);
    QCOMPARE(form.Views->currentText(), QStringLiteral("Zunanji"));
}

QTEST_MAIN(TestUIViewList)
#include "tst_uiviewlist.moc"
