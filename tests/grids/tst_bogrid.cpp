// The data-entry grid over prescriptions (real business objects on the
// embedded database), driven with keys and clicks: what typing stores and
// refuses, moving between editable cells, new rows, the row selection,
// sorting and the painted header.
#include "TestDatabase.h"

#include "marvok/Cvalinfo.h"
#include "marvok/Idialogs.h"
#include "marvok/Isifrant.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "toolkit/DB.h"
#include "toolkit/Exception.h"
#include "tovlet/grids/cBoGrid2.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QVBoxLayout>

using namespace tovlet;
using tovlet::test::TTestDatabase;

namespace {

void RegisterPrescriptions()
{
    pelvar::UnregisterAllClasses();
    auto recept = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TRecept"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.TEST_RECEPT"), QStringLiteral("Recept")));
    recept->AddAttribute({QStringLiteral("ZDRAVILO"), QStringLiteral("Zdravilo"), pelvar::TplAttrType::atString, 10, QStringLiteral("S:ZDRAVILA")})
        .AddAttribute({QStringLiteral("ZDRAVILO_TIPKANO"), QStringLiteral("Zdravilo, kot vneseno"), pelvar::TplAttrType::atString, 10,
                       QStringLiteral("SC:ZDRAVILA")})
        .AddAttribute({QStringLiteral("KOLICINA"), QStringLiteral("Količina"), pelvar::TplAttrType::atFloat, 0, QStringLiteral("F")})
        .AddAttribute({QStringLiteral("IZDANO"), QStringLiteral("Izdano"), pelvar::TplAttrType::atDateTime, 0, QStringLiteral("DT")})
        .AddAttribute({QStringLiteral("OPOMBA"), QStringLiteral("Opomba"), pelvar::TplAttrType::atString, 40});
    pelvar::RegisterClassMetaData(std::move(recept));
}

// Columns of the grid: 0 the row number (fixed), then the attributes.
const QStringList Columns{QString(), QStringLiteral("ZDRAVILO"), QStringLiteral("ZDRAVILO_TIPKANO"), QStringLiteral("KOLICINA"),
                          QStringLiteral("IZDANO"), QStringLiteral("OPOMBA")};
enum { cZdravilo = 1, cTipkano, cKolicina, cIzdano, cOpomba };

// A form with the grid and an edit after it, over a few new prescriptions.
struct TForm
{
    QWidget Window;
    TIBoStringGrid *Grid;
    QLineEdit *After;
    std::vector<pelvar::TplRef<pelvar::TplPerObject>> Objects;
    QSet<int> Editable{cZdravilo, cTipkano, cKolicina, cIzdano};

    explicit TForm(int rows = 3, bool editable = true)
    {
        auto *layout = new QVBoxLayout(&Window);
        auto *before = new QLineEdit(&Window);
        before->setObjectName(QStringLiteral("before"));
        layout->addWidget(before);
        Grid = new TIBoStringGrid(&Window);
        Grid->SetColCount(int(Columns.size()));
        Grid->SetRowCount(2);
        Grid->SetDefaultColWidth(90);
        layout->addWidget(Grid);
        After = new QLineEdit(&Window);
        After->setObjectName(QStringLiteral("after"));
        layout->addWidget(After);
        Window.resize(620, 320);
        for (int c = 1; c < Columns.size(); ++c)
            Grid->SetCells(c, 0, Columns.at(c));
        if (editable)
            Grid->aiOnGetCellEditable = [this](QObject *, int c, int r, bool &e) { e = r >= 1 && Editable.contains(c); };
        for (int i = 0; i < rows; ++i)
            AddRow();
    }
    void AddRow()
    {
        Objects.push_back(pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Create(QStringLiteral("TRecept"), nullptr)));
        const int row = int(Objects.size());
        if (Grid->RowCount() <= row)
            Grid->SetRowCount(row + 1);
        Grid->SetCells(0, row, QString::number(row));
        for (int c = 1; c < Columns.size(); ++c)
            Grid->SetField(c, row, Field(row, c));
    }
    toolkit::TField *Field(int row, int col) const
    {
        return Objects.at(size_t(row - 1))->GetDataSet()->FieldByName(Columns.at(col));
    }
    QVariant Stored(int row, int col) const { return Objects.at(size_t(row - 1))->GetAttrValue(Columns.at(col)); }
    bool Show()
    {
        Window.show();
        QApplication::setActiveWindow(&Window);
        if (!QTest::qWaitForWindowExposed(&Window))
            return false;
        Grid->setFocus();
        return QTest::qWaitFor([this] { return Grid->hasFocus() || (Grid->InplaceEditor() && Grid->InplaceEditor()->hasFocus()); });
    }
    QWidget *KeyTarget() const
    {
        QWidget *f = QApplication::focusWidget();
        return f ? f : Grid;
    }
    void Type(const QString &text)
    {
        // The editor takes the whole new text, as a user who selects all first.
        if (auto *ed = Grid->InplaceEditor(); ed && ed->isVisible())
            ed->selectAll();
        QTest::keyClicks(KeyTarget(), text);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(KeyTarget(), key, mods); }
    QPoint Center(int col, int row) const { return Grid->CellRect(col, row).center(); }
    void Click(int col, int row, Qt::KeyboardModifiers mods = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(Grid->viewport(), button, mods, Center(col, row));
    }
};

} // namespace

class TestBoGrid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        FDb = std::make_unique<TTestDatabase>(false);
        RegisterPrescriptions();
        pelvar::EnsureTables();
        marvok::Sifranti().Reload();
        Messages.clear();
        marvok::SetMessageDlgResponder([this](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
            Messages << text;
            return int(marvok::mrOk);
        });
    }
    void cleanup()
    {
        marvok::SetMessageDlgResponder({});
        pelvar::GlobalDictionary().CollectGarbage();
        FDb.reset();
    }

    void typedCodeIsStoredByItsType_data();
    void typedCodeIsStoredByItsType();
    void unknownCodeFollowsThePolicy_data();
    void unknownCodeFollowsThePolicy();
    void dateAndQuantityAreCheckedWithTheirMessages_data();
    void dateAndQuantityAreCheckedWithTheirMessages();
    void writtenValueNotifiesTheErrorState();
    void withoutEditableCellsEnterLeavesTheGrid();
    void enterAndArrowsVisitOnlyEditableCells_data();
    void enterAndArrowsVisitOnlyEditableCells();
    void runningOffTheLastCellAddsAnObject();
    void leavingRejectedTextKeepsItForCorrecting();
    void selectionWithCtrlAndShiftInTextOrder();
    void removingRowsKeepsSelectionFlags();
    void columnSortMatchesTheExchangeSort_data();
    void columnSortMatchesTheExchangeSort();
    void headerClicksCycleAndDragDoesNotSort();
    void quickSortOrdersByTheFirstColumn();
    void selectedRowsAndTitlesArePainted();

private:
    std::unique_ptr<TTestDatabase> FDb;
    QStringList Messages;
};

void TestBoGrid::typedCodeIsStoredByItsType_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("S: lower case becomes the list's code") << int(cZdravilo) << "n02be01" << "N02BE01";
    QTest::newRow("S: blanks around are dropped") << int(cZdravilo) << " b01ac06 " << "B01AC06";
    QTest::newRow("SC: kept as typed") << int(cTipkano) << "n02be01" << "n02be01";
    QTest::newRow("S: only blanks clear the code") << int(cZdravilo) << "   " << "";
}

void TestBoGrid::typedCodeIsStoredByItsType()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TForm f;
    f.Objects.at(0)->SetAttrValue(Columns.at(column), QStringLiteral("C09AA05"));
    f.Objects.at(0)->PostData();
    f.Grid->UpdateRow(1);
    QVERIFY(f.Show());
    f.Click(column, 1);
    QTRY_VERIFY(f.Grid->InplaceEditor() && f.Grid->InplaceEditor()->isVisible());
    f.Type(typed);
    f.Key(Qt::Key_Down); // leaving the cell commits it
    QVERIFY2(Messages.isEmpty(), qPrintable(Messages.join(u'|')));
    QCOMPARE(f.Grid->Row(), 2);
    QCOMPARE(f.Stored(1, column).toString(), stored);
    QCOMPARE(f.Grid->Cells(column, 1), stored);
}

void TestBoGrid::unknownCodeFollowsThePolicy_data()
{
    QTest::addColumn<int>("policy");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<int>("eventCalls");
    QTest::newRow("ouException: refused, the event is told") << int(TIOnUnexistingCode::ouException) << false << 1;
    QTest::newRow("ouLookup: no lookup finds it, refused") << int(TIOnUnexistingCode::ouLookup) << false << 1;
    QTest::newRow("ouNone: stored as typed") << int(TIOnUnexistingCode::ouNone) << true << 0;
}

void TestBoGrid::unknownCodeFollowsThePolicy()
{
    QFETCH(int, policy);
    QFETCH(bool, stored);
    QFETCH(int, eventCalls);
    TForm f;
    f.Grid->setAiOnUnexistingCode(TIOnUnexistingCode(policy));
    int calls = 0;
    f.Grid->aiOnUnexistingCodeEvent = [&](QObject *, int c, int r, const QString &list, const QString &value, QString &) {
        ++calls;
        return c == cZdravilo && r == 1 && list == QLatin1String("ZDRAVILA") && value == QLatin1String("x99'; --");
    };
    QVERIFY(f.Show());
    f.Click(cZdravilo, 1);
    f.Type(QStringLiteral("x99'; --"));
    f.Key(Qt::Key_Down);
    QCOMPARE(calls, eventCalls);
    if (stored) {
        QVERIFY(Messages.isEmpty());
        QCOMPARE(f.Stored(1, cZdravilo).toString(), QStringLiteral("x99'; --"));
        QCOMPARE(f.Grid->Row(), 2);
        return;
    }
    QCOMPARE(Messages, QStringList{QStringLiteral("Koda x99'; -- ne obstaja v šifrantu!")});
    // Nothing stored, the typing still there, the cursor still in the cell.
    QVERIFY(f.Stored(1, cZdravilo).isNull());
    QCOMPARE(f.Grid->Row(), 1);
    QCOMPARE(f.Grid->Col(), int(cZdravilo));
    QCOMPARE(f.Grid->InplaceEditor()->text(), QStringLiteral("x99'; --"));
    QVERIFY(f.Grid->InplaceEditor()->isVisible());
    // Corrected, it goes in.
    f.Type(QStringLiteral("r06ae07"));
    f.Key(Qt::Key_Down);
    QCOMPARE(f.Stored(1, cZdravilo).toString(), QStringLiteral("R06AE07"));
}

void TestBoGrid::dateAndQuantityAreCheckedWithTheirMessages_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("message");
    const QString floatMessage = QStringLiteral("V polje \"Dano\" ste vnesli neveljaven zapis za aplicirano količino. Za vnos količine so "
                                                "dovoljene samo številske vrednosti!");
    QTest::newRow("quantity with a decimal comma") << int(cKolicina) << "2,5" << QVariant(2.5) << QString();
    QTest::newRow("quantity in words") << int(cKolicina) << "dve" << QVariant(7.0) << floatMessage;
    QTest::newRow("date and time") << int(cIzdano) << "030420261430" << QVariant(toolkit::EncodeDateTime(2026, 4, 3, 14, 30, 0, 0))
                                   << QString();
    QTest::newRow("only the mask's separators") << int(cIzdano) << "" << QVariant() << QString();
    QTest::newRow("no such day") << int(cIzdano) << "310220261000" << QVariant(toolkit::EncodeDateTime(2026, 1, 1, 8, 0, 0, 0))
                                 << QStringLiteral("Napaka pri pretvorbi datuma 31.02.2026 10:00 v obliko dd.mm.yyyy!\r\r");
}

void TestBoGrid::dateAndQuantityAreCheckedWithTheirMessages()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, message);
    TForm f;
    f.Objects.at(0)->SetAttrValue(QStringLiteral("KOLICINA"), 7.0);
    f.Objects.at(0)->SetAttrValue(QStringLiteral("IZDANO"), toolkit::EncodeDateTime(2026, 1, 1, 8, 0, 0, 0));
    f.Objects.at(0)->PostData();
    f.Grid->UpdateRow(1);
    QVERIFY(f.Show());
    f.Click(column, 1);
    QTRY_VERIFY(f.Grid->InplaceEditor() && f.Grid->InplaceEditor()->isVisible());
    if (typed.isEmpty()) {
        // Clearing a masked cell leaves its separators and blanks.
        f.Grid->InplaceEditor()->selectAll();
        f.Key(Qt::Key_Delete);
    } else {
        f.Type(typed);
    }
    f.Key(Qt::Key_Return);
    if (message.isEmpty()) {
        QVERIFY2(Messages.isEmpty(), qPrintable(Messages.join(u'|')));
    } else {
        QCOMPARE(Messages.size(), 1);
        QVERIFY2(Messages.first().startsWith(message), qPrintable(Messages.first()));
        QCOMPARE(f.Grid->Col(), column);
    }
    const QVariant now = f.Stored(1, column);
    QCOMPARE(now.isNull(), stored.isNull());
    if (!stored.isNull())
        QCOMPARE(now.toDouble(), stored.toDouble());
}

void TestBoGrid::writtenValueNotifiesTheErrorState()
{
    TForm f;
    QList<marvok::TIErrorChange> heard;
    QObject context;
    marvok::AddErrorChangeObserver(&context, [&](const marvok::TIErrorChange &c) { heard << c; });
    QStringList updated;
    f.Grid->aiOnUpdateField = [&](QObject *, int c, int r, toolkit::TField *field) {
        updated << QStringLiteral("%1,%2,%3").arg(c).arg(r).arg(field == f.Field(r, c));
    };
    QVERIFY(f.Show());
    f.Click(cKolicina, 1);
    f.Type(QStringLiteral("3"));
    f.Key(Qt::Key_Down);
    QCOMPARE(updated, QStringList{QStringLiteral("3,1,1")});
    QCOMPARE(heard.size(), 1);
    QCOMPARE(heard.first().Caption, QStringLiteral("Količina"));
    QCOMPARE(heard.first().Sender, f.Grid);
    // The host may keep the notice to itself.
    f.Grid->aiOnNotifyErrorChange = [](QObject *, int, int, toolkit::TField *, bool &notify) { notify = false; };
    f.Type(QStringLiteral("4"));
    f.Key(Qt::Key_Up);
    QCOMPARE(f.Stored(2, cKolicina).toDouble(), 4.0);
    QCOMPARE(heard.size(), 1);
}

void TestBoGrid::withoutEditableCellsEnterLeavesTheGrid()
{
    TForm f(3, false);
    QVERIFY(f.Show());
    QVERIFY(!f.Grid->CellIsEditable(cZdravilo, 1));
    int c = cZdravilo, r = 1;
    QVERIFY(!f.Grid->FindNextEditableCell(c, r, false));
    f.Key(Qt::Key_Return);
    QTRY_VERIFY(f.After->hasFocus());
}

void TestBoGrid::enterAndArrowsVisitOnlyEditableCells_data()
{
    QTest::addColumn<bool>("moveDownOnCR");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QStringList>("visited");
    const QList<int> enters{Qt::Key_Return, Qt::Key_Return, Qt::Key_Return};
    QTest::newRow("Enter goes right, past the read-only column")
        << false << enters << QStringList{"3,1", "4,2", "1,3"};
    QTest::newRow("Enter goes down with aiMoveDownOnCR")
        << true << enters << QStringList{"1,3", "3,1", "3,3"};
    QTest::newRow("arrows jump over what cannot be edited")
        << false << QList<int>{Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Right}
        << QStringList{"1,3", "3,3", "1,3", "1,1", "3,1", "4,2"};
}

void TestBoGrid::enterAndArrowsVisitOnlyEditableCells()
{
    QFETCH(bool, moveDownOnCR);
    QFETCH(QList<int>, keys);
    QFETCH(QStringList, visited);
    TForm f;
    // Editable: columns 1 and 3 of rows 1 and 3, column 4 of row 2 only.
    f.Grid->aiOnGetCellEditable = [](QObject *, int c, int r, bool &e) {
        e = ((c == cZdravilo || c == cKolicina) && r != 2) || (c == cIzdano && r == 2);
    };
    f.Grid->setAiMoveDownOnCR(moveDownOnCR);
    f.Grid->setAiMoveToEditFieldsOnly(true);
    QVERIFY(f.Show());
    f.Click(cZdravilo, 1);
    QStringList seen;
    for (int key : keys) {
        if (auto *ed = f.Grid->InplaceEditor(); ed && (key == Qt::Key_Right || key == Qt::Key_Left)) {
            // Arrows leave a cell at the edge of its text only.
            ed->deselect();
            ed->setCursorPosition(key == Qt::Key_Right ? int(ed->text().size()) : 0);
        }
        f.Key(Qt::Key(key));
        seen << QStringLiteral("%1,%2").arg(f.Grid->Col()).arg(f.Grid->Row());
    }
    QCOMPARE(seen, visited);
    QVERIFY(Messages.isEmpty());
}

void TestBoGrid::runningOffTheLastCellAddsAnObject()
{
    TForm f(1);
    f.Grid->setAiAutomaticAddNewObject(true);
    QVERIFY(f.Show());
    // Without the event the grid says what is missing.
    pelvar::TplDomainObject *none = nullptr;
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, f.Grid->AddNewObject(none));
    int added = 0;
    f.Grid->aiOnAddNewObject = [&](QObject *, pelvar::TplDomainObject *&created) {
        ++added;
        f.AddRow();
        created = f.Objects.back().get();
    };
    f.Click(cIzdano, 1);
    f.Key(Qt::Key_Return);
    QCOMPARE(added, 1);
    QCOMPARE(f.Grid->RowCount(), 3);
    QCOMPARE(f.Grid->Row(), 2);
    QCOMPARE(f.Grid->Col(), int(cZdravilo));
    f.Type(QStringLiteral("j01ca04"));
    f.Key(Qt::Key_Return);
    QCOMPARE(f.Stored(2, cZdravilo).toString(), QStringLiteral("J01CA04"));
}

void TestBoGrid::leavingRejectedTextKeepsItForCorrecting()
{
    TForm f;
    QVERIFY(f.Show());
    f.Click(cKolicina, 2);
    f.Type(QStringLiteral("veliko"));
    f.After->setFocus(Qt::TabFocusReason);
    QCOMPARE(Messages.size(), 1);
    // Back in the cell, the typing kept; nothing reached the object.
    QTRY_VERIFY(f.Grid->InplaceEditor()->hasFocus());
    QCOMPARE(f.Grid->InplaceEditor()->text(), QStringLiteral("veliko"));
    QVERIFY(f.Stored(2, cKolicina).isNull());
    f.Type(QStringLiteral("1,5"));
    f.After->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(f.After->hasFocus());
    QCOMPARE(f.Stored(2, cKolicina).toDouble(), 1.5);
    QCOMPARE(Messages.size(), 1);
}

void TestBoGrid::selectionWithCtrlAndShiftInTextOrder()
{
    TForm f(11, false);
    f.Grid->SetDefaultRowHeight(16);
    f.Window.resize(620, 420);
    QVERIFY(f.Show());
    // Row numbers (fixed column 0) are not editable: clicks select rows.
    f.Click(0, 9);
    QCOMPARE(f.Grid->aiSelectedRow(), 9);
    f.Click(0, 10, Qt::ControlModifier);
    QCOMPARE(f.Grid->aiSelectedCount(), 2);
    QCOMPARE(f.Grid->aiSelectedRow(), 10); // "10" comes before "9"
    f.Click(0, 9, Qt::ControlModifier);
    QCOMPARE(f.Grid->aiSelectedCount(), 1);
    f.Click(0, 2);
    f.Click(0, 5, Qt::ShiftModifier);
    QCOMPARE(f.Grid->aiSelectedCount(), 4);
    QCOMPARE(f.Grid->GetSelected(0), 2);
    f.Click(0, 1, Qt::ShiftModifier);
    QCOMPARE(f.Grid->aiSelectedCount(), 2); // from the anchor upwards
    f.Grid->CopySelected(0);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1\r\n2\r\n"));
    // Entering an editable cell ends the row selection.
    f.Grid->aiOnGetCellEditable = [](QObject *, int c, int, bool &e) { e = c == cZdravilo; };
    f.Click(cZdravilo, 4);
    QCOMPARE(f.Grid->aiSelectedCount(), 1);
    QCOMPARE(f.Grid->aiSelectedRow(), 4);
}

void TestBoGrid::removingRowsKeepsSelectionFlags()
{
    TForm f(4);
    f.Grid->SetRowSelected(2, true);
    f.Grid->SetRowSelected(4, true);
    toolkit::TField *third = f.Field(3, cZdravilo);
    f.Grid->RemoveRow(1);
    QCOMPARE(f.Grid->RowCount(), 4);
    QCOMPARE(f.Grid->GetField(cZdravilo, 2), third);
    QVERIFY(f.Grid->GetRowSelected(1));
    QVERIFY(!f.Grid->GetRowSelected(2));
    QVERIFY(f.Grid->GetRowSelected(3));
    QVERIFY(!f.Grid->GetRowSelected(4));
    f.Grid->RemoveRow(3); // the last row: the selection goes
    QCOMPARE(f.Grid->RowCount(), 3);
    QCOMPARE(f.Grid->aiSelectedCount(), 0);
    f.Grid->Clear();
    QCOMPARE(f.Grid->RowCount(), 2);
    QVERIFY(!f.Grid->GetField(cZdravilo, 1));
    QCOMPARE(f.Grid->Cells(cZdravilo, 1), QString());
    QCOMPARE(f.Grid->Cells(cZdravilo, 0), Columns.at(cZdravilo)); // titles stay
}

namespace {

// The system's exchange sort as it is written, over (value text, row id) pairs.
QList<int> LiteralExchangeSort(QList<std::pair<QString, int>> rows, bool numeric, bool ascending)
{
    for (int i = 0; i < rows.size() - 1; ++i)
        for (int j = i + 1; j < rows.size(); ++j) {
            bool exchange;
            if (numeric) {
                const double vi = rows[i].first.toDouble(), vj = rows[j].first.toDouble();
                exchange = ascending ? vj < vi : vj > vi;
            } else {
                const int c = rows[j].first.compare(rows[i].first, Qt::CaseInsensitive);
                exchange = ascending ? c <= 0 : c > 0;
            }
            if (exchange)
                std::swap(rows[i], rows[j]);
        }
    QList<int> ids;
    for (const auto &r : rows)
        ids << r.second;
    return ids;
}

} // namespace

void TestBoGrid::columnSortMatchesTheExchangeSort_data()
{
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<bool>("ascending");
    QTest::newRow("texts ascending (equal texts exchanged)") << false << true;
    QTest::newRow("texts descending") << false << false;
    QTest::newRow("numbers ascending") << true << true;
    QTest::newRow("numbers descending") << true << false;
}

void TestBoGrid::columnSortMatchesTheExchangeSort()
{
    QFETCH(bool, numeric);
    QFETCH(bool, ascending);
    // A plain grid: one field per row, the row's id in column 0.
    auto *rng = QRandomGenerator::global();
    for (int round = 0; round < 40; ++round) {
        const int n = 2 + int(rng->bounded(60));
        TForm f(n);
        QList<std::pair<QString, int>> rows;
        const int col = numeric ? int(cKolicina) : int(cOpomba);
        for (int r = 1; r <= n; ++r) {
            // Few distinct values, so that many are equal; case differs.
            const int v = int(rng->bounded(5));
            const QString text = numeric ? QString::number(v) : (rng->bounded(2) ? QStringLiteral("ab%1") : QStringLiteral("AB%1")).arg(v);
            f.Objects.at(size_t(r - 1))->SetAttrValue(Columns.at(col), numeric ? QVariant(double(v)) : QVariant(text));
            f.Objects.at(size_t(r - 1))->PostData();
            f.Grid->UpdateRow(r);
            rows << std::pair{text, r};
        }
        f.Grid->SortGridByColumn(1, n, col, ascending ? QLatin1Char('A') : QLatin1Char('D'));
        QList<int> got;
        for (int r = 1; r <= n; ++r) {
            got << f.Grid->Cells(0, r).toInt();
            // Texts and bindings travel together.
            QCOMPARE(f.Grid->GetField(col, r), f.Field(got.last(), col));
        }
        QCOMPARE(got, LiteralExchangeSort(rows, numeric, ascending));
    }
}

void TestBoGrid::headerClicksCycleAndDragDoesNotSort()
{
    TForm f(3);
    const QStringList notes{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")};
    for (int r = 1; r <= 3; ++r) {
        f.Objects.at(size_t(r - 1))->SetAttrValue(QStringLiteral("OPOMBA"), notes.at(r - 1));
        f.Objects.at(size_t(r - 1))->PostData();
    }
    f.Grid->UpdateRow(1), f.Grid->UpdateRow(2), f.Grid->UpdateRow(3);
    f.Grid->setAiAllowCustomSort(true);
    QList<QChar> sorts;
    f.Grid->aiOnCustomSort = [&](QObject *, int c, QChar d) {
        QCOMPARE(c, int(cOpomba));
        sorts << d;
    };
    QVERIFY(f.Show());
    auto column = [&] { return f.Grid->Cols(cOpomba).mid(1).join(QString()); };
    f.Click(cOpomba, 0);
    QCOMPARE(column(), QStringLiteral("abc"));
    f.Click(cOpomba, 0);
    QCOMPARE(column(), QStringLiteral("cba"));
    QCOMPARE(sorts, (QList<QChar>{QLatin1Char('A'), QLatin1Char('D')}));

    // The triangle: grey, point down for descending, at the title's right.
    QImage shot(f.Grid->viewport()->size(), QImage::Format_RGB32);
    f.Grid->viewport()->render(&shot);
    const QRect title = f.Grid->CellRect(cOpomba, 0);
    const int right = title.left() + title.width();
    const QColor grey(128, 128, 128);
    QCOMPARE(shot.pixelColor(right - 6, 3), grey);      // the wide top of a downward point
    QCOMPARE(shot.pixelColor(right - 10, 2), grey);
    QVERIFY(shot.pixelColor(right - 14, 3) != grey);    // nothing left of it
    f.Click(cOpomba, 0);
    QCOMPARE(column(), QStringLiteral("abc"));
    f.Grid->viewport()->render(&shot);
    QVERIFY(shot.pixelColor(right - 10, 2) != grey);   // a point up is narrow at the top
    QCOMPARE(shot.pixelColor(right - 6, 3), grey);

    // Dragging the border left of the title widens the column: no sort.
    const QPoint border(title.left() - 1, title.center().y());
    const int before = f.Grid->ColWidths(cIzdano);
    QTest::mousePress(f.Grid->viewport(), Qt::LeftButton, {}, border + QPoint(2, 0));
    QMouseEvent move(QEvent::MouseMove, QPointF(border + QPoint(30, 0)), f.Grid->viewport()->mapToGlobal(QPointF(border + QPoint(30, 0))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Grid->viewport(), &move);
    QTest::mouseRelease(f.Grid->viewport(), Qt::LeftButton, {}, border + QPoint(30, 0));
    QVERIFY(f.Grid->ColWidths(cIzdano) > before);
    QCOMPARE(sorts.size(), 3);
    QCOMPARE(column(), QStringLiteral("abc"));
    QCOMPARE(f.Grid->HeaderCellToMouseXY(cOpomba), f.Grid->CellRect(cOpomba, 0).topLeft() + QPoint(2, 2));
}

void TestBoGrid::quickSortOrdersByTheFirstColumn()
{
    TForm f(6);
    const QStringList keys{"e", "b", "f", "a", "d", "c"};
    for (int r = 1; r <= 6; ++r)
        f.Grid->SetCells(0, r, keys.at(r - 1));
    toolkit::TField *bound = f.Field(4, cZdravilo); // the row of "a"
    f.Grid->Sort();
    QCOMPARE(f.Grid->Cols(0).mid(1), (QStringList{"a", "b", "c", "d", "e", "f"}));
    QCOMPARE(f.Grid->GetField(cZdravilo, 1), bound);
    f.Grid->aiOnCompare = [&](QObject *, int r1, int r2, int &result) { result = -QString::compare(f.Grid->Cells(0, r1), f.Grid->Cells(0, r2)); };
    f.Grid->Sort();
    QCOMPARE(f.Grid->Cols(0).mid(1), (QStringList{"f", "e", "d", "c", "b", "a"}));
}

void TestBoGrid::selectedRowsAndTitlesArePainted()
{
    TForm f(3);
    f.Grid->SetCells(cOpomba, 0, QStringLiteral("Opomba za farmacevta in bolnika"));
    f.Grid->setAiMultiLineTitle(true);
    f.Grid->SetRowSelected(2, true);
    QVERIFY(f.Show());
    QTRY_VERIFY(f.Grid->RowHeights(0) > f.Grid->DefaultRowHeight()); // raised to fit the wrapped title
    QImage shot(f.Grid->viewport()->size(), QImage::Format_RGB32);
    f.Grid->viewport()->render(&shot);
    const QColor highlight = f.Grid->palette().color(QPalette::Highlight);
    const QRect selected = f.Grid->CellRect(cOpomba, 2), plain = f.Grid->CellRect(cOpomba, 3);
    QCOMPARE(shot.pixelColor(selected.right() - 2, selected.bottom() - 2), highlight);
    QVERIFY(shot.pixelColor(plain.right() - 2, plain.bottom() - 2) != highlight);
    f.Grid->setAiShowRowSelection(false);
    f.Grid->viewport()->render(&shot);
    QVERIFY(shot.pixelColor(selected.right() - 2, selected.bottom() - 2) != highlight);
    // Hints come from the host per cell.
    f.Grid->aiOnGetHintForCell = [](QObject *, int c, int r, QString &hint) { hint = QStringLiteral("%1/%2").arg(c).arg(r); };
    QTest::mouseMove(f.Grid->viewport(), f.Center(cKolicina, 2));
    QTRY_COMPARE(f.Grid->Hint(), QStringLiteral("3/2"));
}

QTEST_MAIN(TestBoGrid)
#include "tst_bogrid.moc"
