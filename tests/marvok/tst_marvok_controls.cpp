#include "ModalResponder.h"

#include "marvok/Iabzip.h"
#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "marvok/Igl.h"
#include "marvok/Iutils.h"
#include "marvok/cControls.h"
#include "marvok/cDateEdit.h"
#include "toolkit/Exception.h"
#include "toolkit/MemDataSet.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace marvok;

namespace {

class TCountingForm : public TIDialogForm
{
public:
    int Created = 0;
    int ClosedNonModal = 0;

protected:
    void FormCreate() override { ++Created; }
    void ClosedNonModalDialog() override { ++ClosedNonModal; }
};

class TRedTabs : public TIPageControl
{
public:
    QList<int> Drawn;
    bool CanShowTab(int index) override { return index != 1; }
    void DrawTab(QPainter *p, int tabIndex, const QRect &rect, bool) override
    {
        Drawn << tabIndex;
        if (tabIndex == 1)
            p->fillRect(rect.adjusted(2, 2, -2, -2), Qt::red);
    }
};

} // namespace

class TestMarvokControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void formCreateRunsOnceAndEscapeFollowsTheSwitch_data();
    void formCreateRunsOnceAndEscapeFollowsTheSwitch();
    void modalFormsAreRegisteredWhileShown();
    void nonModalDialogsAreListedUntilClosed();
    void formPlaceIsStoredUnderItsWindowCode();
    void embeddedFormClosesItsParentOnEscape();
    void arrangePanelPlacesByTag_data();
    void arrangePanelPlacesByTag();
    void dialogControlsFollowTabOrder();
    void dateFormOpensOnTheRightDay_data();
    void dateFormOpensOnTheRightDay();
    void dateFormPicksWithEnterOrDoubleClickAndEscapeLeaves();
    void dateEditKeepsWhatWasTyped_data();
    void dateEditKeepsWhatWasTyped();
    void dateEditCalendarButton();
    void pageControlHidesRefusedTabsAndPaintsOverTabs();
    void bitBtnClosesWithItsModalResult();
    void dbEditWritesTypedTextAndNeverLosesIt();
    void dbEditReportsRefusedTextAndKeepsItForCorrection();
    void dbMemoFollowsItsField();
    void zipArchivesFilesOfAMask();
    void objectGuardReleasesOnLastCopy();

private:
    QTemporaryDir FDir;
};

void TestMarvokControls::initTestCase()
{
    TIForm::SetSettingsFileName(FDir.filePath(QStringLiteral("forms.ini")));
}

void TestMarvokControls::formCreateRunsOnceAndEscapeFollowsTheSwitch_data()
{
    QTest::addColumn<bool>("escIsClose");
    QTest::newRow("escape closes") << true;
    QTest::newRow("escape ignored") << false;
}

void TestMarvokControls::formCreateRunsOnceAndEscapeFollowsTheSwitch()
{
    QFETCH(bool, escIsClose);
    TCountingForm form;
    form.setAiEscIsClose(escIsClose);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.hide();
    form.show();
    QCOMPARE(form.Created, 1);
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(form.isVisible(), !escIsClose);
}

void TestMarvokControls::modalFormsAreRegisteredWhileShown()
{
    TCountingForm form;
    tovlet::test::TModalResponder responder;
    int registered = -1;
    responder.Expect([&](QWidget *w) {
        registered = int(TIForm::ModalForms().size());
        QCOMPARE(w, &form);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    QCOMPARE(form.ShowModal(), int(QDialog::Rejected));
    QCOMPARE(registered, 1);
    QVERIFY(TIForm::ModalForms().isEmpty());
    QCOMPARE(form.Created, 1);
}

void TestMarvokControls::nonModalDialogsAreListedUntilClosed()
{
    TCountingForm form;
    form.ShowNonModal();
    QVERIFY(TIDialogForm::NonModalDialogs().contains(&form));
    QVERIFY(form.IsNonModal());
    form.accept();
    QVERIFY(!TIDialogForm::NonModalDialogs().contains(&form));
    QCOMPARE(form.ClosedNonModal, 1);
}

void TestMarvokControls::formPlaceIsStoredUnderItsWindowCode()
{
    {
        TIForm form;
        form.SetWindowCode(QStringLiteral("TfmPacient"));
        form.SetCaption(QStringLiteral("Pacient"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.setGeometry(40, 50, 333, 222);
        form.close();
    }
    TIForm again;
    again.SetWindowCode(QStringLiteral("TfmPacient"));
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.size(), QSize(333, 222));
    QCOMPARE(again.windowTitle(), QString());
    QVERIFY(!again.GetProperWorkareaRect().isEmpty());
}

void TestMarvokControls::embeddedFormClosesItsParentOnEscape()
{
    TIForm host;
    host.setAiEscIsClose(false);
    auto *sheet = new TITabSheetForm;
    sheet->EmbedInto(&host);
    auto *edit = new QLineEdit(sheet);
    host.resize(300, 200);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(!sheet->isWindow());
    edit->setFocus();
    QTest::keyClick(sheet, Qt::Key_Escape);
    QVERIFY(!host.isVisible());
}

void TestMarvokControls::arrangePanelPlacesByTag_data()
{
    QTest::addColumn<QList<int>>("tags");
    QTest::addColumn<QList<QSize>>("sizes");
    QTest::addColumn<int>("hidden"); // index of a hidden control, -1 none
    QTest::addColumn<QList<int>>("panel"); // left columns, right columns, right width, width
    QTest::addColumn<QList<QRect>>("geometry"); // in the order the controls were added
    const QSize b(75, 21);
    QTest::newRow("dialog bar: OK and Prekliči left, label right") << QList<int>{-1, -2, 2} << QList<QSize>{b, b, {70, 13}} << -1
        << QList<int>{2, 0, 0, 536} << QList<QRect>{{4, 4, 75, 21}, {81, 4, 75, 21}, {462, 4, 70, 13}};
    QTest::newRow("tags, not the order added, decide") << QList<int>{-2, -1} << QList<QSize>{b, b} << -1 << QList<int>{2, 0, 0, 400}
        << QList<QRect>{{81, 4, 75, 21}, {4, 4, 75, 21}};
    QTest::newRow("more controls than columns wrap") << QList<int>{-1, -2, -3} << QList<QSize>{b, b, b} << -1 << QList<int>{2, 0, 0, 400}
        << QList<QRect>{{4, 4, 75, 21}, {81, 4, 75, 21}, {4, 27, 75, 21}};
    QTest::newRow("columns as wide as their widest control") << QList<int>{-1, -2, -3, -4}
        << QList<QSize>{{100, 21}, {50, 21}, {60, 30}, {80, 21}} << -1 << QList<int>{2, 0, 0, 400}
        << QList<QRect>{{4, 4, 100, 21}, {106, 4, 50, 21}, {4, 27, 60, 30}, {106, 27, 80, 21}};
    QTest::newRow("right width fixes where the right block starts") << QList<int>{1, 2, -1} << QList<QSize>{b, b, b} << -1
        << QList<int>{1, 2, 160, 600} << QList<QRect>{{436, 4, 75, 21}, {513, 4, 75, 21}, {4, 4, 75, 21}};
    QTest::newRow("right block without a width ends at the margin") << QList<int>{2, 1} << QList<QSize>{b, b} << -1
        << QList<int>{0, 0, 0, 600} << QList<QRect>{{521, 4, 75, 21}, {444, 4, 75, 21}};
    QTest::newRow("right columns wrap too") << QList<int>{1, 2, 3} << QList<QSize>{b, b, b} << -1 << QList<int>{0, 2, 0, 600}
        << QList<QRect>{{444, 4, 75, 21}, {521, 4, 75, 21}, {444, 27, 75, 21}};
    QTest::newRow("equal tags in the order added, untagged after the left block") << QList<int>{-1, 0, -1} << QList<QSize>{b, b, b}
        << -1 << QList<int>{0, 0, 0, 400} << QList<QRect>{{4, 4, 75, 21}, {158, 4, 75, 21}, {81, 4, 75, 21}};
    QTest::newRow("a hidden control takes no place") << QList<int>{-1, -2, -3} << QList<QSize>{b, b, b} << 1
        << QList<int>{3, 0, 0, 400} << QList<QRect>{{4, 4, 75, 21}, {}, {81, 4, 75, 21}};
}

void TestMarvokControls::arrangePanelPlacesByTag()
{
    QFETCH(QList<int>, tags);
    QFETCH(QList<QSize>, sizes);
    QFETCH(int, hidden);
    QFETCH(QList<int>, panel);
    QFETCH(QList<QRect>, geometry);
    QWidget window;
    auto *arrange = new TIArrangePanel(&window);
    arrange->setAISpaceColumns(2);
    arrange->setAISpaceRows(2);
    arrange->setAILeftColumns(panel[0]);
    arrange->setAIRightColumns(panel[1]);
    arrange->setAIRightWidth(panel[2]);
    QList<QWidget *> controls;
    for (int i = 0; i < tags.size(); ++i) {
        controls << new TIBitBtn(QStringLiteral("Gumb %1").arg(i), arrange);
        controls.last()->resize(sizes.at(i));
        SetTag(controls.last(), tags.at(i));
        controls.last()->setVisible(i != hidden);
    }
    arrange->setGeometry(0, 0, panel[3], 60);
    window.resize(panel[3], 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < controls.size(); ++i)
        if (i != hidden)
            QTRY_COMPARE(controls.at(i)->geometry(), geometry.at(i));
    // Controls added later find their place too, and move nobody.
    auto *late = new TIBitBtn(QStringLiteral("Pozneje"), arrange);
    late->resize(10, 10);
    SetTag(late, 0);
    late->show();
    QTRY_VERIFY(late->pos() != QPoint(0, 0));
    for (int i = 0; i < controls.size(); ++i)
        if (i != hidden)
            QCOMPARE(controls.at(i)->geometry(), geometry.at(i));
}

void TestMarvokControls::dialogControlsFollowTabOrder()
{
    QDialog dlg;
    auto *layout = new QVBoxLayout(&dlg);
    auto *first = new QLineEdit;
    auto *date = new TIDateEdit;
    auto *disabled = new QLineEdit;
    auto *hidden = new QLineEdit;
    auto *last = new QLineEdit;
    auto *table = new QTableWidget(2, 2);
    for (QWidget *w : std::initializer_list<QWidget *>{first, date, disabled, hidden, last, table})
        layout->addWidget(w);
    disabled->setEnabled(false);
    hidden->hide();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("a")));
    table->openPersistentEditor(table->item(0, 0)); // an editor inside the grid is passed over

    QCOMPARE(GoToNextDlgControl(first), date->Edit());
    QTRY_COMPARE(QApplication::focusWidget(), date->Edit());
    QCOMPARE(GoToNextDlgControl(date), last); // not the disabled, hidden or the date's button
    QCOMPARE(GoToNextDlgControl(last), table);
    QCOMPARE(GoToNextDlgControl(table), first); // wraps
    QTRY_COMPARE(QApplication::focusWidget(), first);
    QCOMPARE(GoToPrevDlgControl(first), table);
    QCOMPARE(GoToPrevDlgControl(date->Edit()), first);
    QCOMPARE(GetParentForm(date->Edit()), &dlg);

    QDialog lonely;
    auto *only = new QLineEdit(&lonely);
    new QLabel(QStringLiteral("Ime"), &lonely);
    lonely.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lonely));
    only->setFocus();
    QCOMPARE(GoToNextDlgControl(only), nullptr);
    QCOMPARE(GoToPrevDlgControl(only), nullptr);
    QCOMPARE(GoToNextDlgControl(nullptr), nullptr);
}

namespace {
bool PopUpOver(TIDBDateForm &form, QWidget &owner)
{
    form.Popup(owner.mapToGlobal(QPoint(0, 0)));
    return QTest::qWaitForWindowExposed(&form);
}

QTableView *DaysOf(TIDBDateForm *form)
{
    return form->Calendar()->findChild<QTableView *>();
}

TIDateEdit *DateEditOn(QDialog &dlg, toolkit::TDateTime date)
{
    auto *e = new TIDateEdit;
    (new QVBoxLayout(&dlg))->addWidget(e);
    e->SetDate(date);
    dlg.show();
    return QTest::qWaitForWindowExposed(&dlg) ? e : nullptr;
}
} // namespace

void TestMarvokControls::dateFormOpensOnTheRightDay_data()
{
    QTest::addColumn<double>("initial");
    QTest::addColumn<double>("control");
    QTest::addColumn<double>("expected");
    const double leapDay = toolkit::EncodeDate(2024, 2, 29), christmasEve = toolkit::EncodeDate(2023, 12, 24);
    QTest::newRow("the date a caller set") << leapDay + 0.5 << christmasEve << leapDay;
    QTest::newRow("the control's date") << 0.0 << christmasEve << christmasEve;
    QTest::newRow("the working date") << 0.0 << 0.0 << toolkit::EncodeDate(2026, 3, 2);
}

void TestMarvokControls::dateFormOpensOnTheRightDay()
{
    QFETCH(double, initial);
    QFETCH(double, control);
    QFETCH(double, expected);
    ISystemParameters().SetWorkingDate(toolkit::EncodeDate(2026, 3, 2));
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    DateEditInitialDate = initial;
    TIDBDateForm form(&owner);
    form.SetControlDate(control);
    QVERIFY(PopUpOver(form, owner));
    QCOMPARE(form.Date(), expected);
    QCOMPARE(DateEditInitialDate, 0.0); // it served this opening only
    form.close();
    form.Popup(owner.mapToGlobal(QPoint(0, 0)));
    QCOMPARE(form.Date(), control != 0 ? control : toolkit::EncodeDate(2026, 3, 2));
    ISystemParameters().SetWorkingDate(0);
}

void TestMarvokControls::dateFormPicksWithEnterOrDoubleClickAndEscapeLeaves()
{
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    TIDBDateForm form(&owner);
    QList<double> picked;
    int hides = 0;
    form.OnDateSelected = [&](QObject *sender, toolkit::TDateTime d) {
        QCOMPARE(sender, &form);
        picked << d;
    };
    form.OnHide = [&](QObject *) { ++hides; };
    form.SetControlDate(toolkit::EncodeDate(2025, 1, 31));

    QVERIFY(PopUpOver(form, owner));
    QTableView *days = DaysOf(&form);
    QVERIFY(days);
    QTest::keyClick(days, Qt::Key_Right);
    QTest::keyClick(days, Qt::Key_Return);
    QCOMPARE(picked, (QList<double>{toolkit::EncodeDate(2025, 2, 1)}));
    QTRY_VERIFY(!form.isVisible());
    QCOMPARE(hides, 1);

    QVERIFY(PopUpOver(form, owner));
    QTest::keyClick(days, Qt::Key_Left);
    QTest::keyClick(days, Qt::Key_Escape);
    QTRY_VERIFY(!form.isVisible());
    QCOMPARE(picked.size(), 1); // nothing chosen
    QCOMPARE(hides, 2);

    QVERIFY(PopUpOver(form, owner));
    QTest::mouseDClick(days->viewport(), Qt::LeftButton, {}, days->visualRect(days->currentIndex()).center());
    QCOMPARE(picked.size(), 2);
    QCOMPARE(picked.last(), toolkit::EncodeDate(2025, 1, 31));
    QTRY_VERIFY(!form.isVisible());
}

void TestMarvokControls::dateEditKeepsWhatWasTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("date"); // 0 with text shown: an error
    QTest::newRow("short date") << "1.2.2024" << "01.02.2024" << toolkit::EncodeDate(2024, 2, 1);
    QTest::newRow("leap day") << "29.02.2024" << "29.02.2024" << toolkit::EncodeDate(2024, 2, 29);
    QTest::newRow("no such day") << "31.02.2024" << "31.02.2024" << 0.0;
    QTest::newRow("year before 1801") << "31.12.1800" << "31.12.1800" << 0.0;
    QTest::newRow("two parts only") << "1.2" << "1.2" << 0.0;
    QTest::newRow("emptied") << "" << "" << 0.0;
}

void TestMarvokControls::dateEditKeepsWhatWasTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(double, date);
    const bool error = date == 0 && !shown.isEmpty();
    QDialog dlg;
    TIDateEdit *e = DateEditOn(dlg, toolkit::EncodeDate(2020, 5, 5) + 0.25);
    QVERIFY(e);
    QCOMPARE(e->Text(), QStringLiteral("05.05.2020"));
    e->Edit()->setFocus();
    e->Edit()->selectAll();
    QTest::keyClick(e->Edit(), Qt::Key_Delete);
    QTest::keyClicks(e->Edit(), typed);
    QTest::keyClick(e->Edit(), Qt::Key_Return);
    QCOMPARE(e->Text(), shown);
    QCOMPARE(e->aiError(), error);
    QCOMPARE(e->Date(), date);
    QCOMPARE(ControlColor(e->Edit()) != toolkit::clWindow, error);

    QStringList told;
    SetMessageDlgResponder([&](const QString &text, TMsgDlgType, TMsgDlgButtons) {
        told << text;
        return int(mrOk);
    });
    QCOMPARE(CommitFocusedEditor(&dlg), !error);
    SetMessageDlgResponder(nullptr);
    QCOMPARE(told.size(), error ? 1 : 0);
    if (error)
        QVERIFY(told.at(0).contains(typed));
    QCOMPARE(e->Text(), shown); // never lost
}

void TestMarvokControls::dateEditCalendarButton()
{
    QDialog dlg;
    TIDateEdit *e = DateEditOn(dlg, toolkit::EncodeDate(2024, 2, 29));
    QVERIFY(e);
    QList<double> changes;
    connect(e, &TIDateEdit::dateChanged, &dlg, [&](double d) { changes << d; });

    QTest::mouseClick(e->Button(), Qt::LeftButton);
    QTRY_VERIFY(e->CalendarForm() && e->CalendarForm()->isVisible());
    QCOMPARE(e->CalendarForm()->Date(), toolkit::EncodeDate(2024, 2, 29));
    QVERIFY(e->CalendarForm()->geometry().top() >= e->mapToGlobal(QPoint(0, e->height())).y() - 1);
    QTest::keyClick(DaysOf(e->CalendarForm()), Qt::Key_Right);
    QTest::keyClick(DaysOf(e->CalendarForm()), Qt::Key_Return);
    QCOMPARE(e->Text(), QStringLiteral("01.03.2024"));
    QCOMPARE(changes, (QList<double>{toolkit::EncodeDate(2024, 3, 1)}));
    QTRY_VERIFY(!e->CalendarForm());

    // F4 opens it too; Escape leaves the date alone.
    e->Edit()->setFocus();
    QTest::keyClick(e->Edit(), Qt::Key_F4);
    QTRY_VERIFY(e->CalendarForm() && e->CalendarForm()->isVisible());
    QTest::keyClick(DaysOf(e->CalendarForm()), Qt::Key_Escape);
    QTRY_VERIFY(!e->CalendarForm());
    QCOMPARE(e->Text(), QStringLiteral("01.03.2024"));
    QCOMPARE(changes.size(), 1);
}

void TestMarvokControls::pageControlHidesRefusedTabsAndPaintsOverTabs()
{
    TRedTabs pc;
    pc.addTab(new QWidget, QStringLiteral("Splošno"));
    pc.addTab(new QWidget, QStringLiteral("Skrito"));
    pc.addTab(new QWidget, QStringLiteral("Dokumenti"));
    pc.UpdateTabs();
    pc.resize(400, 200);
    pc.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pc));
    QVERIFY(!pc.isTabVisible(1));
    QVERIFY(pc.isTabVisible(2));
    const QImage image = pc.grab().toImage();
    QVERIFY(pc.Drawn.contains(1));
    QVERIFY(!pc.Drawn.contains(2)); // tabs are counted among the shown ones
    QTabBar *bar = pc.tabBar();
    const QPoint inThird = bar->mapTo(&pc, bar->tabRect(2).center());
    QCOMPARE(QColor(image.pixel(inThird)), QColor(Qt::red));
}

void TestMarvokControls::bitBtnClosesWithItsModalResult()
{
    TIDialogForm dlg;
    auto *btn = new TIBitBtn(QStringLiteral("&Da"), &dlg);
    btn->SetModalResult(mrYes);
    tovlet::test::TModalResponder responder;
    responder.Expect([&](QWidget *) { QTest::mouseClick(btn, Qt::LeftButton); });
    QCOMPARE(dlg.exec(), int(mrYes));
}

void TestMarvokControls::dbEditWritesTypedTextAndNeverLosesIt()
{
    toolkit::TMemDataSet ds;
    ds.AddFieldDef(QStringLiteral("PRIIMEK"), toolkit::TFieldType::ftString, 20);
    ds.AddFieldDef(QStringLiteral("ROJEN"), toolkit::TFieldType::ftDate);
    ds.Open();
    ds.AppendRecord({QStringLiteral("Novak"), toolkit::EncodeDate(1984, 3, 12)});
    ds.AppendRecord({QStringLiteral("Horvat"), QVariant()});
    ds.First();
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TIDBEdit edit;
    edit.SetDataSource(&src);
    edit.SetDataField(QStringLiteral("PRIIMEK"));
    QCOMPARE(edit.text(), QStringLiteral("Novak"));
    QCOMPARE(edit.maxLength(), 20);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("Kos"));
    QCOMPARE(ds.State(), toolkit::TDataSetState::dsEdit); // the first key started editing
    ds.Next(); // moving on without Enter: the text is saved, not lost
    QCOMPARE(edit.text(), QStringLiteral("Horvat"));
    ds.First();
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Kos"));
    QCOMPARE(edit.text(), QStringLiteral("Kos"));

    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("Zupan"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Zupan"));
    ds.Cancel(); // cancelling shows the stored text again
    QCOMPARE(edit.text(), QStringLiteral("Kos"));

    ds.FieldByName(QStringLiteral("PRIIMEK"))->SetReadOnly(true);
    edit.Refresh();
    QVERIFY(edit.isReadOnly());
}

void TestMarvokControls::dbEditReportsRefusedTextAndKeepsItForCorrection()
{
    toolkit::TMemDataSet ds;
    ds.AddFieldDef(QStringLiteral("ROJEN"), toolkit::TFieldType::ftDate);
    ds.Open();
    ds.AppendRecord({toolkit::EncodeDate(1984, 3, 12)});
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TIDBEdit edit;
    edit.SetDataSource(&src);
    edit.SetDataField(QStringLiteral("ROJEN"));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setFocus();
    edit.selectAll();
    QString message;
    SetMessageDlgResponder([&](const QString &text, TMsgDlgType, TMsgDlgButtons) {
        message = text;
        return int(mrOk);
    });
    QTest::keyClicks(&edit, QStringLiteral("31.2.1984"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(message, QStringLiteral("»31.2.1984« ni veljaven datum."));
    // What was typed stays, selected, and the field keeps its value.
    QCOMPARE(edit.text(), QStringLiteral("31.2.1984"));
    QCOMPARE(edit.selectedText(), QStringLiteral("31.2.1984"));
    QVERIFY(edit.isModified());
    QCOMPARE(ds.FieldByName(QStringLiteral("ROJEN"))->AsDateTime(), toolkit::EncodeDate(1984, 3, 12));
    QVERIFY(!edit.CommitEdit());
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("29.2.1984"));
    QVERIFY(edit.CommitEdit());
    QCOMPARE(ds.FieldByName(QStringLiteral("ROJEN"))->AsDateTime(), toolkit::EncodeDate(1984, 2, 29));
    SetMessageDlgResponder({});
}

void TestMarvokControls::dbMemoFollowsItsField()
{
    toolkit::TMemDataSet ds;
    ds.AddFieldDef(QStringLiteral("OPIS"), toolkit::TFieldType::ftMemo);
    ds.Open();
    ds.AppendRecord({QStringLiteral("prva\nvrstica")});
    ds.AppendRecord({QStringLiteral("druga")});
    ds.First();
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TIDBMemo memo;
    memo.SetDataSource(&src);
    memo.SetDataField(QStringLiteral("OPIS"));
    QCOMPARE(memo.toPlainText(), QStringLiteral("prva\nvrstica"));
    memo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&memo));
    memo.setFocus();
    QTest::keyClicks(&memo, QStringLiteral("X"));
    ds.Next();
    QCOMPARE(memo.toPlainText(), QStringLiteral("druga"));
    ds.First();
    QVERIFY(ds.FieldByName(QStringLiteral("OPIS"))->AsString().contains(QLatin1Char('X')));
}

void TestMarvokControls::zipArchivesFilesOfAMask()
{
    if (SevenZipProgram().isEmpty())
        QSKIP("no 7-Zip program (scripts/setup.sh installs it)");
    QTemporaryDir dir;
    for (const char *name : {"izvid1.txt", "izvid2.txt", "-opomba.txt", "slika.png"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("vsebina ");
        f.write(name);
    }
    TAbZipArchive zip(dir.filePath(QStringLiteral("arhiv.zip")));
    zip.SetBaseDirectory(dir.path() + QLatin1Char('/'));
    zip.AddFiles(dir.filePath(QStringLiteral("*.txt")));
    QCOMPARE(zip.Files().size(), 3);
    zip.Save();
    QStringList entries = TAbZipArchive::List(dir.filePath(QStringLiteral("arhiv.zip")));
    entries.sort();
    QCOMPARE(entries, (QStringList{"-opomba.txt", "izvid1.txt", "izvid2.txt"}));

    TAbZipArchive outside(dir.filePath(QStringLiteral("slabo.zip")));
    outside.SetBaseDirectory(dir.filePath(QStringLiteral("sub")));
    AbZip(outside, dir.filePath(QStringLiteral("izvid1.txt")));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, outside.Save());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("slabo.zip"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("slabo.zip.part.zip"))));
}

void TestMarvokControls::objectGuardReleasesOnLastCopy()
{
    int released = 0;
    {
        auto guard = std::make_shared<TIObjectGuard>([&] { ++released; });
        auto copy = guard;
        guard.reset();
        QCOMPARE(released, 0);
    }
    QCOMPARE(released, 1);
}

QTEST_MAIN(TestMarvokControls)
#include "tst_marvok_controls.moc"
