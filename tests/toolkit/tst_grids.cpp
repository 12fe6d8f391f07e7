// The toolkit's grids driven as a user drives them: keys and mouse on a
// shown grid, the in-place editor and its pick list, painting checked in
// pixels.
#include "toolkit/Exception.h"
#include "toolkit/Grids.h"

#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QToolButton>

using namespace toolkit;

namespace {

// A string grid that records its hooks and can refuse cells or texts.
class TProbeGrid : public TStringGrid
{
public:
    TProbeGrid()
    {
        SetColCount(6);
        SetRowCount(8);
        resize(420, 240);
        for (int r = 1; r < RowCount(); ++r)
            for (int c = 1; c < ColCount(); ++c)
                SetCells(c, r, QStringLiteral("%1%2").arg(QChar(u'A' + c - 1)).arg(r));
    }
    TGridCoord Refused{-1, -1};
    QString Mask;
    TEditStyle Style = TEditStyle::esSimple;
    QStringList Selected, Committed;
    int Clicks = 0, ButtonClicks = 0;
    bool FailCommit = false;
    using TCustomGrid::FocusCell;

protected:
    bool SelectCell(int ACol, int ARow) override
    {
        Selected << QStringLiteral("%1,%2").arg(ACol).arg(ARow);
        return TGridCoord{ACol, ARow} != Refused && TStringGrid::SelectCell(ACol, ARow);
    }
    void SetEditText(int ACol, int ARow, const QString &value) override
    {
        if (FailCommit && value != Cells(ACol, ARow))
            throw Exception(QStringLiteral("refused"), QStringLiteral("Vrednost ni veljavna."));
        Committed << value;
        TStringGrid::SetEditText(ACol, ARow, value);
    }
    QString GetEditMask(int, int) override { return Mask; }
    TEditStyle GetEditStyle(int, int) override { return Style; }
    void Click() override { ++Clicks; }
    void EditButtonClick() override { ++ButtonClicks; }
};

QPoint Center(TCustomGrid &grid, int col, int row)
{
    return grid.CellRect(col, row).center();
}

// Types any text, letters outside ASCII too.
void Type(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, c.isLetter() && c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
}

void Show(QWidget &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    w.setFocus();
}

} // namespace

class TestGrids : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { SetExceptionHandler([this](const Exception &e) { Errors << e.UserMessage(); }); }
    void cleanup()
    {
        SetExceptionHandler({});
        Errors.clear();
    }

    void keysMoveTheCurrentCell_data();
    void keysMoveTheCurrentCell();
    void selectCellVetoKeepsTheCurrentCell();
    void typingOpensTheEditorWithTheLetter();
    void leavingTheCellCommitsAndEscapeRestores();
    void failedCommitKeepsTheCellAndTheText();
    void pickListOpensMovesAndWrites();
    void ellipsisButtonRaisesEditButtonClick();
    void dateMaskRejectsLettersAndKeepsLiterals();
    void borderDragResizesWithoutAClick();
    void cellsAndPointsAgree();
    void wheelScrollsWithoutMovingTheCursor();
    void drawCellPaintsWhatItSays();
    void onlySetCellsAreStored();

private:
    QStringList Errors;
};

void TestGrids::keysMoveTheCurrentCell_data()
{
    QTest::addColumn<int>("startCol");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    QTest::newRow("Tab along the row") << 2 << 3 << int(Qt::Key_Tab) << none << 3 << 3;
    QTest::newRow("Tab wraps into the next row") << 5 << 3 << int(Qt::Key_Tab) << none << 1 << 4;
    QTest::newRow("Tab from the last cell to the first") << 5 << 7 << int(Qt::Key_Tab) << none << 1 << 1;
    QTest::newRow("Shift+Tab wraps back") << 1 << 4 << int(Qt::Key_Backtab) << shift << 5 << 3;
    QTest::newRow("Left stops at the fixed column") << 1 << 2 << int(Qt::Key_Left) << none << 1 << 2;
    QTest::newRow("Up stops at the fixed row") << 3 << 1 << int(Qt::Key_Up) << none << 3 << 1;
    QTest::newRow("Home to the first column") << 4 << 5 << int(Qt::Key_Home) << none << 1 << 5;
    QTest::newRow("End to the last column") << 2 << 5 << int(Qt::Key_End) << none << 5 << 5;
    QTest::newRow("Ctrl+Home to the first cell") << 4 << 5 << int(Qt::Key_Home) << ctrl << 1 << 1;
    QTest::newRow("Ctrl+End to the last cell") << 2 << 2 << int(Qt::Key_End) << ctrl << 5 << 7;
    QTest::newRow("Page Down stops at the last row") << 2 << 6 << int(Qt::Key_PageDown) << none << 2 << 7;
    QTest::newRow("Page Up stops at the first row") << 2 << 2 << int(Qt::Key_PageUp) << none << 2 << 1;
}

void TestGrids::keysMoveTheCurrentCell()
{
    QFETCH(int, startCol);
    QFETCH(int, startRow);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, col);
    QFETCH(int, row);
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goTabs);
    Show(grid);
    grid.FocusCell(startCol, startRow, true);
    QTest::keyClick(&grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(grid.Col(), col);
    QCOMPARE(grid.Row(), row);
    QVERIFY(grid.hasFocus()); // Tab stayed in the grid
}

void TestGrids::selectCellVetoKeepsTheCurrentCell()
{
    TProbeGrid grid;
    Show(grid);
    grid.FocusCell(2, 2, true);
    grid.Refused = {2, 3};
    const int clicks = grid.Clicks;
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.Row(), 2);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, Center(grid, 2, 3));
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(grid.Selected.count(QStringLiteral("2,3")), 2); // asked both times
    QCOMPARE(grid.Clicks, clicks);                           // a refused move is no click
    QTest::keyClick(&grid, Qt::Key_Right);
    QCOMPARE(grid.Col(), 3);
    QCOMPARE(grid.Clicks, clicks + 1);
}

void TestGrids::typingOpensTheEditorWithTheLetter()
{
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goEditing);
    Show(grid);
    grid.FocusCell(2, 3, true);
    QTest::keyClicks(&grid, QStringLiteral("K"));
    QVERIFY(grid.EditorMode());
    TInplaceEdit *edit = grid.InplaceEditor();
    QVERIFY(edit && edit->isVisible() && edit->hasFocus());
    QCOMPARE(edit->text(), QStringLiteral("K"));
    QCOMPARE(edit->geometry(), grid.CellRect(2, 3));
    Type(edit, QStringLiteral("ovač"));
    QCOMPARE(grid.Cells(2, 3), QStringLiteral("Kovač")); // the cell follows the typing
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!grid.EditorMode());
    QVERIFY(grid.hasFocus());
    // F2 opens it again on the cell's text, Enter on a cell too.
    QTest::keyClick(&grid, Qt::Key_F2);
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("Kovač"));
}

void TestGrids::leavingTheCellCommitsAndEscapeRestores()
{
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goEditing | goAlwaysShowEditor);
    Show(grid);
    grid.FocusCell(1, 1, true);
    TInplaceEdit *edit = grid.InplaceEditor();
    QVERIFY(edit && edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("A1"));
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, QStringLiteral("x"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->text(), QStringLiteral("A1"));
    QCOMPARE(grid.Cells(1, 1), QStringLiteral("A1"));
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, QStringLiteral("y"));
    // Down leaves the cell: its text is committed, the editor moves along.
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(grid.Cells(1, 1), QStringLiteral("A1y"));
    QCOMPARE(grid.Committed.last(), QStringLiteral("A1y"));
    QCOMPARE(edit->text(), QStringLiteral("A2"));
    // Right at the end of the text moves to the next cell.
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Right);
    QCOMPARE(grid.Col(), 2);
}

void TestGrids::failedCommitKeepsTheCellAndTheText()
{
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goEditing);
    Show(grid);
    grid.FocusCell(2, 2, true);
    grid.FailCommit = true;
    QTest::keyClicks(&grid, QStringLiteral("z"));
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Down);
    QCOMPARE(grid.Row(), 2);
    QVERIFY(grid.InplaceEditor()->isVisible());
    QCOMPARE(grid.InplaceEditor()->text(), QStringLiteral("z"));
    QVERIFY(Errors.contains(QStringLiteral("Vrednost ni veljavna.")));
    grid.FailCommit = false;
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Down);
    QCOMPARE(grid.Row(), 3);
    QCOMPARE(grid.Cells(2, 2), QStringLiteral("z"));
}

void TestGrids::pickListOpensMovesAndWrites()
{
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goEditing);
    grid.Style = TEditStyle::esPickList;
    Show(grid);
    grid.FocusCell(3, 2, true);
    QTest::keyClick(&grid, Qt::Key_F2);
    auto *edit = qobject_cast<TInplaceEditList *>(grid.InplaceEditor());
    QVERIFY(edit);
    QVERIFY(edit->Button()->isVisible());
    edit->OnGetPickListItems = [](int col, int row, QStringList &items) {
        items = {QStringLiteral("moški"), QStringLiteral("ženski"), QStringLiteral("neznano %1,%2").arg(col).arg(row)};
    };
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(edit->ListVisible());
    QCOMPARE(edit->PickListWidget()->count(), 3);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(grid.Row(), 2); // the arrows were the list's
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!edit->ListVisible());
    QCOMPARE(edit->text(), QStringLiteral("moški"));
    QVERIFY(edit->Modified());
    QCOMPARE(grid.Cells(3, 2), QStringLiteral("moški"));
    // Escape closes the list without a choice; a click on an item chooses it.
    QTest::keyClick(edit, Qt::Key_F4);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(!edit->ListVisible());
    QCOMPARE(edit->text(), QStringLiteral("moški"));
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    QVERIFY(edit->ListVisible());
    QListWidget *list = edit->PickListWidget();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    QCOMPARE(edit->text(), QStringLiteral("neznano 3,2"));
}

void TestGrids::ellipsisButtonRaisesEditButtonClick()
{
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goEditing);
    grid.Style = TEditStyle::esEllipsis;
    Show(grid);
    grid.FocusCell(2, 2, true);
    QTest::keyClick(&grid, Qt::Key_F2);
    auto *edit = qobject_cast<TInplaceEditList *>(grid.InplaceEditor());
    QVERIFY(edit && edit->Button()->isVisible());
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    QCOMPARE(grid.ButtonClicks, 1);
    QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(grid.ButtonClicks, 2);
    QVERIFY(edit->isVisible()); // Ctrl+Enter is not the editor's Enter
}

void TestGrids::dateMaskRejectsLettersAndKeepsLiterals()
{
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goEditing);
    grid.Mask = QStringLiteral("99.99.9999;1; ");
    grid.SetCells(2, 2, QString());
    Show(grid);
    grid.FocusCell(2, 2, true);
    QTest::keyClick(&grid, Qt::Key_F2);
    TInplaceEdit *edit = grid.InplaceEditor();
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("1x2a03b2026"));
    QCOMPARE(edit->text(), QStringLiteral("12.03.2026"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(grid.Cells(2, 2), QStringLiteral("12.03.2026"));
}

void TestGrids::borderDragResizesWithoutAClick()
{
    TProbeGrid grid;
    grid.SetOptions(grid.Options() | goColSizing);
    Show(grid);
    grid.FocusCell(1, 1, true);
    grid.Selected.clear();
    const int clicks = grid.Clicks;
    const QRect title = grid.CellRect(2, 0);
    const QPoint border(title.right() + 1, title.center().y());
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(grid.viewport(), border + QPoint(30, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, border + QPoint(30, 0));
    QCOMPARE(grid.ColWidths(2), grid.DefaultColWidth() + 30);
    QCOMPARE(grid.ColWidths(3), grid.DefaultColWidth());
    QCOMPARE(grid.Clicks, clicks);
    QVERIFY(grid.Selected.isEmpty());
    QCOMPARE(grid.Col(), 1);
    // Without the option the border is no grip.
    grid.SetOptions(grid.Options() & ~TGridOptions(goColSizing));
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(2, 0).bottomRight() + QPoint(1, 0));
    QTest::mouseMove(grid.viewport(), grid.CellRect(2, 0).bottomRight() + QPoint(20, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton);
    QCOMPARE(grid.ColWidths(2), grid.DefaultColWidth() + 30);
}

// Cells of their own sizes, scrolled anywhere in a large grid: the cell
// under the middle of a cell's rectangle is that cell, and the grid lines
// and what lies beyond the last cell are no cell.
void TestGrids::cellsAndPointsAgree()
{
    TDrawGrid grid;
    grid.resize(500, 300);
    grid.SetColCount(30);
    grid.SetRowCount(1000000);
    grid.SetFixedCols(2);
    QRandomGenerator random(7);
    for (int i = 0; i < 40; ++i) {
        grid.SetColWidths(random.bounded(30), 5 + random.bounded(90));
        grid.SetRowHeights(random.bounded(1000000), 3 + random.bounded(40));
    }
    Show(grid);
    for (int round = 0; round < 30; ++round) {
        grid.SetTopRow(1 + random.bounded(999990));
        grid.SetLeftCol(2 + random.bounded(20));
        for (int r = 0; r < grid.RowCount(); r = r == 0 ? grid.TopRow() : r + 1) {
            const QRect first = grid.CellRect(0, r);
            if (first.isEmpty())
                break;
            for (int c = 0; c < grid.ColCount(); c = c == 1 ? grid.LeftCol() : c + 1) {
                const QRect cell = grid.CellRect(c, r);
                if (cell.isEmpty())
                    break;
                if (!grid.viewport()->rect().contains(cell))
                    continue; // partly in view
                QCOMPARE(grid.MouseCoord(cell.center().x(), cell.center().y()), (TGridCoord{c, r}));
                QCOMPARE(grid.MouseCoord(cell.right(), cell.bottom()), (TGridCoord{c, r}));
            }
        }
    }
    QVERIFY(grid.CellRect(5, grid.TopRow() - 1).isEmpty()); // scrolled out
    grid.SetRowCount(3);
    QCOMPARE(grid.MouseCoord(10, 299), (TGridCoord{-1, -1}));
}

void TestGrids::wheelScrollsWithoutMovingTheCursor()
{
    TProbeGrid grid;
    grid.SetRowCount(200);
    Show(grid);
    grid.FocusCell(2, 2, true);
    QWheelEvent down(QPointF(50, 50), grid.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -240), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &down);
    QCOMPARE(grid.TopRow(), 1 + 2 * QApplication::wheelScrollLines());
    QCOMPARE(grid.Row(), 2);
    QVERIFY(grid.CellRect(2, 2).isEmpty());
    QTest::keyClick(&grid, Qt::Key_Down); // the keys bring the cursor back into view
    QCOMPARE(grid.TopRow(), 3);
}

void TestGrids::drawCellPaintsWhatItSays()
{
    TDrawGrid grid;
    grid.resize(360, 200);
    grid.OnDrawCell = [](TCustomGrid *sender, int col, int row, const QRect &rect, TGridDrawState state) {
        if (col == 2 && row == 2)
            sender->Canvas()->fillRect(rect.adjusted(0, 0, 40, 40), Qt::red); // the cell is the limit
        if (state & gdFixed)
            sender->Canvas()->fillRect(rect.adjusted(2, 2, -2, -2), Qt::blue);
    };
    Show(grid);
    grid.SetRow(3);
    const QImage image = grid.viewport()->grab().toImage();
    const QRect red = grid.CellRect(2, 2);
    QCOMPARE(image.pixelColor(red.center()), QColor(Qt::red));
    QCOMPARE(image.pixelColor(red.topLeft()), QColor(Qt::red));
    const QRect right = grid.CellRect(3, 2);
    QVERIFY(image.pixelColor(right.center()) != QColor(Qt::red));
    QCOMPARE(image.pixelColor(grid.CellRect(0, 3).center()), QColor(Qt::blue));
    // The selected (current, unfocused) cell comes highlighted by default.
    grid.clearFocus();
    const QImage unfocused = grid.viewport()->grab().toImage();
    QCOMPARE(unfocused.pixelColor(grid.CellRect(1, 3).center()), grid.palette().color(QPalette::Highlight));
    QCOMPARE(unfocused.pixelColor(grid.CellRect(1, 4).center()), ColorToQColor(clWindow, &grid.palette()));
}

void TestGrids::onlySetCellsAreStored()
{
    TStringGrid grid;
    grid.SetColCount(20);
    grid.SetRowCount(1000000);
    int object = 0;
    grid.SetCells(3, 999999, QStringLiteral("zadnja"));
    grid.SetCells(1, 1, QStringLiteral("prva"));
    grid.SetObjects(4, 500000, &object);
    QCOMPARE(grid.StoredCellCount(), 3);
    QCOMPARE(grid.Cells(3, 999999), QStringLiteral("zadnja"));
    QCOMPARE(grid.ObjectAs<int>(4, 500000), &object);
    grid.SetCells(1, 1, QString());
    grid.SetObjects(4, 500000, nullptr);
    QCOMPARE(grid.StoredCellCount(), 1);
    grid.MoveRow(999999, 2); // rows between shift down by one
    QCOMPARE(grid.Cells(3, 2), QStringLiteral("zadnja"));
    grid.SetRowCount(2);
    QCOMPARE(grid.StoredCellCount(), 0);
}

QTEST_MAIN(TestGrids)
#include "tst_grids.moc"
