#include "Grids.h"

#include "toolkit/EditMask.h"
#include "toolkit/Exception.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace toolkit {

namespace {

// Where cell `i` goes when the cell at `from` moves to `to`.
int MovedIndex(int i, int from, int to)
{
    if (i == from)
        return to;
    if (from < to && i > from && i <= to)
        return i - 1;
    if (from > to && i >= to && i < from)
        return i + 1;
    return i;
}

bool IsGridKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

} // namespace

// --- TAxis --------------------------------------------------------------------

int TCustomGrid::TAxis::Size(int i) const
{
    const auto it = Sizes.find(i);
    return it == Sizes.end() ? DefaultSize : it->second;
}

qint64 TCustomGrid::TAxis::Span(int from, int to, int line) const
{
    if (to <= from)
        return 0;
    qint64 span = qint64(to - from) * (DefaultSize + line);
    for (auto it = Sizes.lower_bound(from); it != Sizes.end() && it->first < to; ++it)
        span += it->second - DefaultSize;
    return span;
}

int TCustomGrid::TAxis::CellAt(int from, qint64 offset, int line, qint64 *start) const
{
    // Runs of default-sized cells are skipped by division, cells with their
    // own size one by one.
    const qint64 step = qMax(1, DefaultSize + line);
    qint64 pos = 0;
    int cell = from;
    for (auto it = Sizes.lower_bound(from); it != Sizes.end(); ++it) {
        const qint64 run = qint64(it->first - cell) * step;
        if (offset < pos + run) {
            const qint64 n = (offset - pos) / step;
            if (start)
                *start = pos + n * step;
            return cell + int(n);
        }
        pos += run;
        const qint64 own = qMax(0, it->second) + line;
        if (offset < pos + own) {
            if (start)
                *start = pos;
            return it->first;
        }
        pos += own;
        cell = it->first + 1;
    }
    const qint64 n = (offset - pos) / step;
    if (start)
        *start = pos + n * step;
    return cell + int(qMin<qint64>(n, INT_MAX - cell));
}

void TCustomGrid::TAxis::Move(int from, int to)
{
    if (from == to || Sizes.empty())
        return;
    std::map<int, int> moved;
    for (const auto &[i, size] : Sizes)
        moved[MovedIndex(i, from, to)] = size;
    Sizes = std::move(moved);
}

void TCustomGrid::TAxis::Resized(int count)
{
    Sizes.erase(Sizes.lower_bound(count), Sizes.end());
}

// --- TCustomGrid ------------------------------------------------------------------

TCustomGrid::TCustomGrid(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    UpdateScrollBars();
}

TCustomGrid::~TCustomGrid()
{
    // The editor goes first, while the grid it reports to is still whole:
    // losing the focus as it goes would call into this grid.
    if (FInplaceEdit) {
        FInplaceEdit->FGrid = nullptr;
        delete FInplaceEdit;
    }
}

void TCustomGrid::Guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const EAbort &) {
    } catch (const Exception &e) {
        HandleException(e);
    } catch (const std::exception &e) {
        HandleException(Exception(QString::fromLocal8Bit(e.what())));
    }
}

qint64 TCustomGrid::FixedExtent(const TAxis &axis) const
{
    return axis.Span(0, axis.Fixed, &axis == &FCols ? ColLine() : RowLine());
}

int TCustomGrid::ColLine() const
{
    return FOptions & (goVertLine | goFixedVertLine) ? FGridLineWidth : 0;
}

int TCustomGrid::RowLine() const
{
    return FOptions & (goHorzLine | goFixedHorzLine) ? FGridLineWidth : 0;
}

int TCustomGrid::FullyVisible(const TAxis &axis, int first, int viewSize) const
{
    const int line = &axis == &FCols ? ColLine() : RowLine();
    const qint64 room = viewSize - FixedExtent(axis);
    if (room <= 0 || first >= axis.Count)
        return 0;
    qint64 start = 0;
    // The cell at the room's far edge; it counts when it ends inside.
    const int last = axis.CellAt(first, room, line, &start);
    int n = last - first;
    if (last < axis.Count && start + axis.Size(last) <= room)
        ++n;
    return qMax(0, qMin(n, axis.Count - first));
}

int TCustomGrid::FirstShowing(const TAxis &axis, int cell, int viewSize) const
{
    // Cells before `cell` are taken in while they still fit beside it.
    const int line = &axis == &FCols ? ColLine() : RowLine();
    const qint64 room = viewSize - FixedExtent(axis);
    int first = cell;
    qint64 used = axis.Size(first) + line;
    while (first - 1 >= axis.Fixed && used + axis.Size(first - 1) + line <= room + line) {
        --first;
        used += axis.Size(first) + line;
    }
    return qMax(axis.Fixed, first);
}

int TCustomGrid::MaxTopLeft(const TAxis &axis, int viewSize) const
{
    return FirstShowing(axis, axis.Count - 1, viewSize);
}

int TCustomGrid::VisibleRowCount() const
{
    return FullyVisible(FRows, FTopLeft.Y, viewport()->height());
}

int TCustomGrid::VisibleColCount() const
{
    return FullyVisible(FCols, FTopLeft.X, viewport()->width());
}

void TCustomGrid::UpdateScrollBars()
{
    FUpdatingScrollBars = true;
    const int maxTop = MaxTopLeft(FRows, viewport()->height());
    const int maxLeft = MaxTopLeft(FCols, viewport()->width());
    verticalScrollBar()->setRange(FRows.Fixed, qMax(FRows.Fixed, maxTop));
    verticalScrollBar()->setPageStep(qMax(1, VisibleRowCount()));
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setValue(FTopLeft.Y);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setRange(FCols.Fixed, qMax(FCols.Fixed, maxLeft));
    horizontalScrollBar()->setPageStep(qMax(1, VisibleColCount()));
    horizontalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setValue(FTopLeft.X);
    const bool tracking = FOptions.testFlag(goThumbTracking);
    verticalScrollBar()->setTracking(tracking);
    horizontalScrollBar()->setTracking(tracking);
    FUpdatingScrollBars = false;
}

void TCustomGrid::scrollContentsBy(int, int)
{
    if (FUpdatingScrollBars)
        return;
    Guarded([&] { MoveTopLeft(horizontalScrollBar()->value(), verticalScrollBar()->value()); });
}

void TCustomGrid::SizeAxis(TAxis &axis, int count)
{
    const int oldCols = FCols.Count, oldRows = FRows.Count;
    if (count < 0)
        count = 0;
    if (axis.Count == count)
        return;
    HideEdit(true);
    axis.Count = count;
    axis.Resized(count);
    if (axis.Fixed >= count)
        axis.Fixed = qMax(0, count - 1);
    // The current cell, the anchor and the top-left cell stay inside.
    const int last = qMax(axis.Fixed, count - 1);
    auto clamp = [&](TGridCoord &c) {
        int &v = &axis == &FCols ? c.X : c.Y;
        v = qBound(axis.Fixed, v, last);
    };
    clamp(FCurrent);
    clamp(FAnchor);
    clamp(FTopLeft);
    int &top = &axis == &FCols ? FTopLeft.X : FTopLeft.Y;
    top = qMin(top, MaxTopLeft(axis, &axis == &FCols ? viewport()->width() : viewport()->height()));
    SizeChanged(oldCols, oldRows);
    UpdateScrollBars();
    Invalidate();
    if (FEditorMode)
        UpdateEdit();
}

void TCustomGrid::SetColCount(int count)
{
    SizeAxis(FCols, count);
}

void TCustomGrid::SetRowCount(int count)
{
    SizeAxis(FRows, count);
}

void TCustomGrid::SetFixed(TAxis &axis, int count)
{
    if (count < 0 || (count >= axis.Count && count > 0))
        throw Exception(QStringLiteral("Fixed column count must be less than column count"));
    if (axis.Fixed == count)
        return;
    axis.Fixed = count;
    auto lift = [&](TGridCoord &c) {
        int &v = &axis == &FCols ? c.X : c.Y;
        v = qMax(v, count);
    };
    lift(FCurrent);
    lift(FAnchor);
    lift(FTopLeft);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetFixedCols(int count)
{
    SetFixed(FCols, count);
}

void TCustomGrid::SetFixedRows(int count)
{
    if (count < 0 || (count >= FRows.Count && count > 0))
        throw Exception(QStringLiteral("Fixed row count must be less than row count"));
    SetFixed(FRows, count);
}

void TCustomGrid::SetDefaultColWidth(int width)
{
    if (FCols.DefaultSize == width)
        return;
    FCols.DefaultSize = qMax(0, width);
    FCols.Sizes.clear();
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int height)
{
    if (FRows.DefaultSize == height)
        return;
    FRows.DefaultSize = qMax(0, height);
    FRows.Sizes.clear();
    RowHeightsChanged();
}

int TCustomGrid::ColWidths(int col) const
{
    return FCols.Size(col);
}

void TCustomGrid::SetColWidths(int col, int width)
{
    if (SetSize(FCols, col, width))
        ColWidthsChanged();
}

bool TCustomGrid::SetSize(TAxis &axis, int i, int size)
{
    if (i < 0 || i >= axis.Count)
        throw Exception(QStringLiteral("Grid index out of range"));
    if (axis.Size(i) == size)
        return false;
    if (size == axis.DefaultSize)
        axis.Sizes.erase(i);
    else
        axis.Sizes[i] = size;
    return true;
}

int TCustomGrid::RowHeights(int row) const
{
    return FRows.Size(row);
}

void TCustomGrid::SetRowHeights(int row, int height)
{
    if (SetSize(FRows, row, height))
        RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int width)
{
    if (FGridLineWidth == width)
        return;
    FGridLineWidth = qMax(0, width);
    UpdateScrollBars();
    Invalidate();
}

bool TCustomGrid::TabStops(int col) const
{
    return !FNoTabStops.contains(col);
}

void TCustomGrid::SetTabStops(int col, bool stop)
{
    if (stop)
        FNoTabStops.remove(col);
    else
        FNoTabStops.insert(col);
}

void TCustomGrid::SetOptions(TGridOptions options)
{
    if (FOptions == options)
        return;
    const TGridOptions old = FOptions;
    FOptions = options;
    if (!(options & goEditing) && FEditorMode)
        HideEditor();
    else if (options.testFlag(goAlwaysShowEditor) && !old.testFlag(goAlwaysShowEditor) && (options & goEditing)
             && IsActiveControl())
        ShowEditor();
    if (options.testFlag(goRowSelect))
        FAnchor.X = FCols.Count - 1;
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetColor(TColor color)
{
    if (FColor == color)
        return;
    FColor = color;
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor color)
{
    if (FFixedColor == color)
        return;
    FFixedColor = color;
    Invalidate();
}

void TCustomGrid::SetCol(int col)
{
    if (col != FCurrent.X)
        FocusCell(col, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int row)
{
    if (row != FCurrent.Y)
        FocusCell(FCurrent.X, row, true);
}

TGridRect TCustomGrid::Selection() const
{
    TGridRect r;
    r.Left = qMin(FAnchor.X, FCurrent.X);
    r.Right = qMax(FAnchor.X, FCurrent.X);
    r.Top = qMin(FAnchor.Y, FCurrent.Y);
    r.Bottom = qMax(FAnchor.Y, FCurrent.Y);
    if (FOptions.testFlag(goRowSelect)) {
        r.Left = FCols.Fixed;
        r.Right = FCols.Count - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect &rect)
{
    const TGridRect old = Selection();
    FAnchor = {rect.Left, rect.Top};
    FCurrent = {rect.Right, rect.Bottom};
    SelectionMoved(old);
}

void TCustomGrid::SetTopRow(int row)
{
    if (row != FTopLeft.Y)
        MoveTopLeft(FTopLeft.X, row);
}

void TCustomGrid::SetLeftCol(int col)
{
    if (col != FTopLeft.X)
        MoveTopLeft(col, FTopLeft.Y);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop)
{
    ALeft = qBound(FCols.Fixed, ALeft, qMax(FCols.Fixed, MaxTopLeft(FCols, viewport()->width())));
    ATop = qBound(FRows.Fixed, ATop, qMax(FRows.Fixed, MaxTopLeft(FRows, viewport()->height())));
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y)
        return;
    FTopLeft = {ALeft, ATop};
    UpdateScrollBars();
    TopLeftChanged();
    Invalidate();
    if (FInplaceEdit && FInplaceEdit->isVisible())
        FInplaceEdit->Move(EditorRect());
    Q_EMIT TopLeftMoved();
}

void TCustomGrid::Restrict(TGridCoord &coord, int minX, int minY, int maxX, int maxY) const
{
    coord.X = qBound(minX, coord.X, qMax(minX, maxX));
    coord.Y = qBound(minY, coord.Y, qMax(minY, maxY));
}

void TCustomGrid::ClampInView(TGridCoord cell)
{
    if (!isVisible() && viewport()->height() <= 0)
        return;
    TGridCoord top = FTopLeft;
    const int rows = qMax(1, VisibleRowCount()), cols = qMax(1, VisibleColCount());
    if (cell.Y >= FRows.Fixed) {
        if (cell.Y < top.Y)
            top.Y = cell.Y;
        else if (cell.Y >= top.Y + rows)
            top.Y = FirstShowing(FRows, cell.Y, viewport()->height());
    }
    if (cell.X >= FCols.Fixed) {
        if (cell.X < top.X)
            top.X = cell.X;
        else if (cell.X >= top.X + cols)
            top.X = FirstShowing(FCols, cell.X, viewport()->width());
    }
    if (top != FTopLeft)
        MoveTopLeft(top.X, top.Y);
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool moveAnchor)
{
    MoveCurrent(ACol, ARow, moveAnchor, true);
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool moveAnchor, bool show)
{
    if (ACol < 0 || ARow < 0 || ACol >= FCols.Count || ARow >= FRows.Count)
        throw Exception(QStringLiteral("Grid index out of range"));
    // A fixed cell never becomes the current one.
    if (ACol < FCols.Fixed || ARow < FRows.Fixed)
        return;
    if (!SelectCell(ACol, ARow))
        return;
    // What was typed reaches the cell it was typed in before the cursor
    // moves; a failure keeps the cursor and the editor where they are.
    const bool moving = ACol != FCurrent.X || ARow != FCurrent.Y;
    if (moving)
        HideEdit(true);
    const TGridRect old = Selection();
    FCurrent = {ACol, ARow};
    if (moveAnchor || !FOptions.testFlag(goRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions.testFlag(goRowSelect))
            FAnchor.X = FCols.Count - 1;
    }
    if (FOptions.testFlag(goRowSelect))
        FCurrent.X = FCols.Fixed;
    if (show)
        ClampInView(FCurrent);
    SelectionMoved(old);
    InvalidateCell(FCurrent.X, FCurrent.Y);
    if (!FOptions.testFlag(goAlwaysShowEditor))
        FEditorMode = FEditorMode && !moving;
    if (FEditorMode || (FOptions.testFlag(goAlwaysShowEditor) && FOptions.testFlag(goEditing)))
        UpdateEdit();
    Q_EMIT CurrentMoved();
    Click();
}

void TCustomGrid::SelectionMoved(const TGridRect &old)
{
    const TGridRect now = Selection();
    if (old == now)
        return;
    InvalidateRect(old);
    InvalidateRect(now);
}

void TCustomGrid::InvalidateRect(const TGridRect &rect)
{
    // Only the part in view is repainted; a selection of a million rows is
    // one rectangle.
    const int top = qMax(rect.Top, FTopLeft.Y), bottom = qMin(rect.Bottom, FTopLeft.Y + VisibleRowCount() + 1);
    const int left = qMax(rect.Left, FTopLeft.X), right = qMin(rect.Right, FTopLeft.X + VisibleColCount() + 1);
    QRect area;
    for (int r : {top, bottom})
        for (int c : {left, right})
            area |= CellRect(qMin(c, FCols.Count - 1), qMin(r, FRows.Count - 1));
    if (area.isEmpty())
        viewport()->update();
    else
        viewport()->update(area.adjusted(-2, -2, 2, 2));
}

QRect TCustomGrid::CellRect(int ACol, int ARow) const
{
    if (ACol < 0 || ARow < 0 || ACol >= FCols.Count || ARow >= FRows.Count)
        return {};
    if ((ACol >= FCols.Fixed && ACol < FTopLeft.X) || (ARow >= FRows.Fixed && ARow < FTopLeft.Y))
        return {};
    const qint64 x = ACol < FCols.Fixed ? FCols.Span(0, ACol, ColLine())
                                        : FixedExtent(FCols) + FCols.Span(FTopLeft.X, ACol, ColLine());
    const qint64 y = ARow < FRows.Fixed ? FRows.Span(0, ARow, RowLine())
                                        : FixedExtent(FRows) + FRows.Span(FTopLeft.Y, ARow, RowLine());
    if (x >= viewport()->width() || y >= viewport()->height())
        return {};
    return QRect(int(x), int(y), FCols.Size(ACol), FRows.Size(ARow));
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const
{
    auto find = [&](const TAxis &axis, int first, int pos, int line) {
        if (pos < 0)
            return -1;
        const qint64 fixed = axis.Span(0, axis.Fixed, line);
        qint64 start = 0;
        int cell = pos < fixed ? axis.CellAt(0, pos, line, &start) : axis.CellAt(first, pos - fixed, line, &start);
        if (pos >= fixed)
            start += fixed;
        if (cell >= axis.Count || (pos < fixed && cell >= axis.Fixed))
            return -1;
        // The grid line after a cell belongs to it.
        return pos < start + axis.Size(cell) + line ? cell : -1;
    };
    if (x >= viewport()->width() || y >= viewport()->height())
        return {-1, -1};
    const int c = find(FCols, FTopLeft.X, x, ColLine());
    const int r = find(FRows, FTopLeft.Y, y, RowLine());
    if (c < 0 || r < 0)
        return {-1, -1};
    return {c, r};
}

void TCustomGrid::MouseToCell(int x, int y, int &ACol, int &ARow) const
{
    const TGridCoord c = MouseCoord(x, y);
    ACol = c.X;
    ARow = c.Y;
}

void TCustomGrid::Invalidate()
{
    viewport()->update();
}

void TCustomGrid::InvalidateCell(int ACol, int ARow)
{
    const QRect r = CellRect(ACol, ARow);
    if (!r.isEmpty())
        viewport()->update(r.adjusted(-1, -1, FGridLineWidth + 1, FGridLineWidth + 1));
}

void TCustomGrid::InvalidateRow(int ARow)
{
    const QRect r = CellRect(FCols.Fixed > 0 ? 0 : FTopLeft.X, ARow);
    if (!r.isEmpty())
        viewport()->update(QRect(0, r.top() - 1, viewport()->width(), r.height() + FGridLineWidth + 2));
}

void TCustomGrid::InvalidateCol(int ACol)
{
    const QRect r = CellRect(ACol, FRows.Fixed > 0 ? 0 : FTopLeft.Y);
    if (!r.isEmpty())
        viewport()->update(QRect(r.left() - 1, 0, r.width() + FGridLineWidth + 2, viewport()->height()));
}

void TCustomGrid::InvalidateGrid()
{
    Invalidate();
}

void TCustomGrid::MoveAxis(TAxis &axis, int fromIndex, int toIndex)
{
    if (fromIndex == toIndex)
        return;
    if (fromIndex < 0 || toIndex < 0 || fromIndex >= axis.Count || toIndex >= axis.Count)
        throw Exception(QStringLiteral("Grid index out of range"));
    HideEdit(true);
    axis.Move(fromIndex, toIndex);
    if (&axis == &FCols)
        ColumnMoved(fromIndex, toIndex);
    else
        RowMoved(fromIndex, toIndex);
    Invalidate();
    if (FEditorMode)
        UpdateEdit();
}

void TCustomGrid::MoveColumn(int fromIndex, int toIndex)
{
    MoveAxis(FCols, fromIndex, toIndex);
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex)
{
    MoveAxis(FRows, fromIndex, toIndex);
}

// --- hooks' defaults -------------------------------------------------------------------

bool TCustomGrid::SelectCell(int, int)
{
    return true;
}

QString TCustomGrid::GetEditText(int, int)
{
    return {};
}

void TCustomGrid::SetEditText(int, int, const QString &)
{
}

QString TCustomGrid::GetEditMask(int, int)
{
    return {};
}

int TCustomGrid::GetEditLimit()
{
    return 0;
}

TEditStyle TCustomGrid::GetEditStyle(int, int)
{
    return TEditStyle::esSimple;
}

bool TCustomGrid::CanEditShow()
{
    return FOptions.testFlag(goEditing) && !FOptions.testFlag(goRowSelect) && (FEditorMode || FOptions.testFlag(goAlwaysShowEditor))
        && IsActiveControl() && FCurrent.X >= FCols.Fixed && FCurrent.Y >= FRows.Fixed;
}

bool TCustomGrid::CanEditModify()
{
    return FOptions.testFlag(goEditing);
}

bool TCustomGrid::CanEditAcceptKey(QChar)
{
    return true;
}

TInplaceEdit *TCustomGrid::CreateEditor()
{
    return new TInplaceEditList(this);
}

void TCustomGrid::DrawCell(int, int, const QRect &, TGridDrawState)
{
}

void TCustomGrid::TopLeftChanged()
{
}

void TCustomGrid::ColumnMoved(int, int)
{
}

void TCustomGrid::RowMoved(int, int)
{
}

void TCustomGrid::ColWidthsChanged()
{
    UpdateScrollBars();
    Invalidate();
    if (FInplaceEdit && FInplaceEdit->isVisible())
        FInplaceEdit->Move(EditorRect());
}

void TCustomGrid::RowHeightsChanged()
{
    UpdateScrollBars();
    Invalidate();
    if (FInplaceEdit && FInplaceEdit->isVisible())
        FInplaceEdit->Move(EditorRect());
}

void TCustomGrid::SizeChanged(int, int)
{
}

void TCustomGrid::EditButtonClick()
{
}

void TCustomGrid::Click()
{
}

void TCustomGrid::DblClick()
{
}

void TCustomGrid::DoEnter()
{
    if (FOptions.testFlag(goAlwaysShowEditor) && FOptions.testFlag(goEditing))
        ShowEditor();
}

void TCustomGrid::DoExit()
{
    if (!FOptions.testFlag(goAlwaysShowEditor))
        HideEditor();
    else
        UpdateText();
}

// --- the editor's life ------------------------------------------------------------------

bool TCustomGrid::IsActiveControl() const
{
    const QWidget *f = QApplication::focusWidget();
    return f && Owns(f);
}

bool TCustomGrid::Owns(const QWidget *w) const
{
    return w && (w == this || isAncestorOf(w));
}

QRect TCustomGrid::EditorRect() const
{
    return CellRect(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::SetEditorMode(bool on)
{
    if (on)
        ShowEditor();
    else
        HideEditor();
}

void TCustomGrid::ShowEditor()
{
    if (FCurrent.X < FCols.Fixed || FCurrent.Y < FRows.Fixed)
        return;
    FEditorMode = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor()
{
    FEditorMode = false;
    HideEdit(true);
}

void TCustomGrid::HideEdit(bool commit)
{
    if (!FInplaceEdit)
        return;
    // The text goes first: a failing commit leaves the editor as it is.
    if (commit)
        UpdateText();
    const bool hadFocus = FInplaceEdit->hasFocus();
    FInplaceCol = -1;
    FInplaceRow = -1;
    if (FInplaceEdit->isVisible()) {
        FInplaceEdit->hide();
        if (hadFocus)
            setFocus(Qt::OtherFocusReason);
    }
}

void TCustomGrid::UpdateText()
{
    if (FInplaceEdit && FInplaceCol >= 0 && FInplaceRow >= 0)
        SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Value());
}

void TCustomGrid::UpdateEdit()
{
    if (!CanEditShow()) {
        if (FInplaceEdit && FInplaceEdit->isVisible())
            HideEdit(true);
        return;
    }
    if (!FInplaceEdit) {
        FInplaceEdit = CreateEditor();
        FInplaceEdit->setParent(viewport());
        FInplaceEdit->hide();
    }
    if (FInplaceCol != FCurrent.X || FInplaceRow != FCurrent.Y) {
        FInplaceCol = -1; // the contents are read, not typed
        FInplaceEdit->UpdateContents();
        FInplaceCol = FCurrent.X;
        FInplaceRow = FCurrent.Y;
        FInplaceEdit->Move(EditorRect());
        FInplaceEdit->setReadOnly(!CanEditModify());
        FInplaceEdit->selectAll();
    } else {
        FInplaceEdit->Move(EditorRect());
    }
    if (!FInplaceEdit->isVisible())
        FInplaceEdit->show();
    if (IsActiveControl() && !FInplaceEdit->hasFocus())
        FInplaceEdit->setFocus(Qt::OtherFocusReason);
}

void TCustomGrid::ShowEditorChar(QChar ch)
{
    ShowEditor();
    if (!FInplaceEdit || !FInplaceEdit->isVisible())
        return;
    // The key replaces the text as typed there, so a mask and the case
    // rules apply to it as to every other key.
    FInplaceEdit->selectAll();
    if (ch == QChar(8))
        FInplaceEdit->del();
    else
        FInplaceEdit->insert(QString(ch));
    FInplaceEdit->setModified(true);
    UpdateText();
}

// --- keys ---------------------------------------------------------------------------

void TCustomGrid::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    const bool isShift = shift.testFlag(Qt::ShiftModifier);
    const bool rowSelect = FOptions.testFlag(goRowSelect);
    TGridCoord current = FCurrent, topLeft = FTopLeft;
    const int pageHeight = qMax(1, VisibleRowCount() - 1);
    bool handled = true;
    if (ctrl) {
        switch (key) {
        case Qt::Key_Up: --topLeft.Y; break;
        case Qt::Key_Down: ++topLeft.Y; break;
        case Qt::Key_Left:
            if (!rowSelect) {
                current.X = FTopLeft.X;
                --topLeft.X;
            } else {
                --topLeft.X;
            }
            break;
        case Qt::Key_Right:
            ++topLeft.X;
            break;
        case Qt::Key_PageUp: current.Y = FTopLeft.Y; break;
        case Qt::Key_PageDown: current.Y = FTopLeft.Y + qMax(1, VisibleRowCount()) - 1; break;
        case Qt::Key_Home:
            current = {FCols.Fixed, FRows.Fixed};
            break;
        case Qt::Key_End:
            current = {FCols.Count - 1, FRows.Count - 1};
            break;
        default: handled = false;
        }
    } else {
        switch (key) {
        case Qt::Key_Up: --current.Y; break;
        case Qt::Key_Down: ++current.Y; break;
        case Qt::Key_Left:
            if (rowSelect)
                --topLeft.X;
            else
                --current.X;
            break;
        case Qt::Key_Right:
            if (rowSelect)
                ++topLeft.X;
            else
                ++current.X;
            break;
        case Qt::Key_PageDown:
            current.Y += pageHeight;
            topLeft.Y += pageHeight;
            break;
        case Qt::Key_PageUp:
            current.Y -= pageHeight;
            topLeft.Y -= pageHeight;
            break;
        case Qt::Key_Home:
            if (rowSelect)
                current.Y = FRows.Fixed;
            else
                current.X = FCols.Fixed;
            break;
        case Qt::Key_End:
            if (rowSelect)
                current.Y = FRows.Count - 1;
            else
                current.X = FCols.Count - 1;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            if (!FOptions.testFlag(goTabs) || shift.testFlag(Qt::AltModifier)) {
                handled = false;
                break;
            }
            // Along the row to the next tab stop, wrapping into the next
            // (previous) row and round from the last row to the first.
            const bool back = key == Qt::Key_Backtab || isShift;
            do {
                if (back) {
                    if (--current.X < FCols.Fixed) {
                        current.X = FCols.Count - 1;
                        if (--current.Y < FRows.Fixed)
                            current.Y = FRows.Count - 1;
                    }
                } else if (++current.X >= FCols.Count) {
                    current.X = FCols.Fixed;
                    if (++current.Y >= FRows.Count)
                        current.Y = FRows.Fixed;
                }
            } while (!TabStops(current.X) && current.X != FCurrent.X);
            key = 0;
            // A Tab never extends the selection.
            const TGridCoord to = current;
            if (to != FCurrent)
                FocusCell(to.X, to.Y, true);
            return;
        }
        case Qt::Key_F2:
            if (FOptions.testFlag(goEditing))
                ShowEditor();
            key = 0;
            return;
        default: handled = false;
        }
    }
    if (!handled)
        return;
    key = 0;
    const TGridCoord maxTop{MaxTopLeft(FCols, viewport()->width()), MaxTopLeft(FRows, viewport()->height())};
    Restrict(topLeft, FCols.Fixed, FRows.Fixed, maxTop.X, maxTop.Y);
    if (topLeft != FTopLeft)
        MoveTopLeft(topLeft.X, topLeft.Y);
    Restrict(current, FCols.Fixed, FRows.Fixed, FCols.Count - 1, FRows.Count - 1);
    if (current != FCurrent)
        FocusCell(current.X, current.Y, !isShift);
}

void TCustomGrid::KeyUp(int &, Qt::KeyboardModifiers)
{
}

void TCustomGrid::keyReleaseEvent(QKeyEvent *e)
{
    if (e->isAutoRepeat()) {
        e->accept();
        return;
    }
    Guarded([&] {
        int key = e->key();
        KeyUp(key, e->modifiers());
    });
    e->accept();
}

void TCustomGrid::KeyPress(QChar &key)
{
    if (key == QLatin1Char('\r')) {
        if (!FOptions.testFlag(goAlwaysShowEditor) && FOptions.testFlag(goEditing)) {
            if (FEditorMode)
                HideEditor();
            else
                ShowEditor();
        } else if (FEditorMode) {
            UpdateText();
        }
        key = QChar();
        return;
    }
    if (FOptions.testFlag(goEditing) && !FEditorMode && (key.isPrint() || key == QChar(8)) && CanEditAcceptKey(key)) {
        const QChar ch = key;
        key = QChar();
        ShowEditorChar(ch);
    }
}

bool TCustomGrid::event(QEvent *e)
{
    // With tab stops, Tab moves between cells instead of leaving the grid.
    if (e->type() == QEvent::KeyPress && FOptions.testFlag(goTabs)) {
        auto *k = static_cast<QKeyEvent *>(e);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(k);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void TCustomGrid::keyPressEvent(QKeyEvent *e)
{
    Guarded([&] {
        int key = e->key();
        KeyDown(key, e->modifiers());
        if (key == 0)
            return;
        const QString text = e->text();
        if (text.isEmpty())
            return;
        QChar ch = text.at(0);
        if (ch.isPrint() || ch == QLatin1Char('\r') || ch == QChar(8) || ch == QChar(27))
            KeyPress(ch);
    });
    e->accept();
}

// --- mouse ---------------------------------------------------------------------------

int TCustomGrid::SizingColumnAt(const QPoint &pos) const
{
    if (!FOptions.testFlag(goColSizing) || pos.y() >= FixedExtent(FRows))
        return -1;
    // The border within a few pixels of the pointer: the column left of it.
    const int grip = 3;
    for (int c = 0; c < FCols.Count; ++c) {
        if (c == FCols.Fixed)
            c = FTopLeft.X;
        if (c >= FCols.Count)
            break;
        const QRect r = CellRect(c, 0 < FRows.Fixed ? 0 : FTopLeft.Y);
        if (r.isEmpty() || r.left() > pos.x() + grip)
            break;
        const int border = r.right() + 1;
        if (qAbs(pos.x() - border) <= grip)
            return c;
    }
    return -1;
}

int TCustomGrid::SizingRowAt(const QPoint &pos) const
{
    if (!FOptions.testFlag(goRowSizing) || pos.x() >= FixedExtent(FCols))
        return -1;
    const int grip = 2;
    for (int r = 0; r < FRows.Count; ++r) {
        if (r == FRows.Fixed)
            r = FTopLeft.Y;
        if (r >= FRows.Count)
            break;
        const QRect rect = CellRect(0 < FCols.Fixed ? 0 : FTopLeft.X, r);
        if (rect.isEmpty() || rect.top() > pos.y() + grip)
            break;
        if (qAbs(pos.y() - (rect.bottom() + 1)) <= grip)
            return r;
    }
    return -1;
}

void TCustomGrid::MouseDown(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    if (e->button() != Qt::LeftButton)
        return;
    if (const int c = SizingColumnAt(pos); c >= 0) {
        FState = TGridState::gsColSizing;
        FSizingIndex = c;
        FSizingStart = pos.x();
        FSizingOriginal = FCols.Size(c);
        return;
    }
    if (const int r = SizingRowAt(pos); r >= 0) {
        FState = TGridState::gsRowSizing;
        FSizingIndex = r;
        FSizingStart = pos.y();
        FSizingOriginal = FRows.Size(r);
        return;
    }
    const TGridCoord cell = MouseCoord(pos.x(), pos.y());
    if (cell.X < FCols.Fixed || cell.Y < FRows.Fixed)
        return;
    const bool wasFocused = IsActiveControl();
    if (!wasFocused)
        setFocus(Qt::MouseFocusReason);
    if (cell == FCurrent) {
        // A click on the current cell of a grid that had the focus edits it.
        if (wasFocused && FOptions.testFlag(goEditing) && !FEditorMode)
            ShowEditor();
        return;
    }
    FState = TGridState::gsSelecting;
    MoveCurrent(cell.X, cell.Y, !e->modifiers().testFlag(Qt::ShiftModifier), true);
}

void TCustomGrid::MouseMove(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    switch (FState) {
    case TGridState::gsColSizing:
        SetColWidths(FSizingIndex, qMax(1, FSizingOriginal + pos.x() - FSizingStart));
        return;
    case TGridState::gsRowSizing:
        SetRowHeights(FSizingIndex, qMax(1, FSizingOriginal + pos.y() - FSizingStart));
        return;
    case TGridState::gsSelecting: {
        if (!FOptions.testFlag(goRangeSelect))
            return;
        const TGridCoord cell = MouseCoord(pos.x(), pos.y());
        if (cell.X >= FCols.Fixed && cell.Y >= FRows.Fixed && cell != FCurrent)
            MoveCurrent(cell.X, cell.Y, false, true);
        return;
    }
    case TGridState::gsNormal:
        if (SizingColumnAt(pos) >= 0)
            viewport()->setCursor(Qt::SplitHCursor);
        else if (SizingRowAt(pos) >= 0)
            viewport()->setCursor(Qt::SplitVCursor);
        else
            viewport()->unsetCursor();
        return;
    }
}

void TCustomGrid::MouseUp(QMouseEvent *)
{
    FState = TGridState::gsNormal;
    FSizingIndex = -1;
}

void TCustomGrid::mousePressEvent(QMouseEvent *e)
{
    Guarded([&] { MouseDown(e); });
}

void TCustomGrid::mouseMoveEvent(QMouseEvent *e)
{
    Guarded([&] { MouseMove(e); });
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent *e)
{
    Guarded([&] { MouseUp(e); });
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent *e)
{
    Guarded([&] {
        MouseDown(e);
        if (FState != TGridState::gsColSizing && FState != TGridState::gsRowSizing)
            DblClick();
    });
}

void TCustomGrid::wheelEvent(QWheelEvent *e)
{
    // Three rows a notch, as the system scrolls everything else; the
    // current cell stays where it is.
    const int notches = e->angleDelta().y() / 120;
    if (notches == 0) {
        e->ignore();
        return;
    }
    Guarded([&] { MoveTopLeft(FTopLeft.X, FTopLeft.Y - notches * QApplication::wheelScrollLines()); });
    e->accept();
}

// --- focus ----------------------------------------------------------------------------

void TCustomGrid::focusInEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusInEvent(e);
    if (!FFocusInside) {
        FFocusInside = true;
        Guarded([&] { DoEnter(); });
    }
    InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::focusOutEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusOutEvent(e);
    FocusLeft(e);
    InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::FocusLeft(QFocusEvent *e)
{
    // The window losing the activation is no exit: the focus comes back.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    if (Owns(QApplication::focusWidget()))
        return;
    if (FFocusInside) {
        FFocusInside = false;
        Guarded([&] { DoExit(); });
    }
}

// --- painting -------------------------------------------------------------------------

void TCustomGrid::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    const int maxLeft = MaxTopLeft(FCols, viewport()->width()), maxTop = MaxTopLeft(FRows, viewport()->height());
    if (FTopLeft.X > maxLeft || FTopLeft.Y > maxTop)
        FTopLeft = {qMax(FCols.Fixed, qMin(FTopLeft.X, maxLeft)), qMax(FRows.Fixed, qMin(FTopLeft.Y, maxTop))};
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::DrawCellText(const QRect &rect, const QString &text, Qt::Alignment alignment)
{
    if (!FCanvas || text.isEmpty())
        return;
    // The toolkit's place for a cell's text: two pixels in from the top
    // left, clipped by the cell.
    const QFontMetrics fm = FCanvas->fontMetrics();
    int x = rect.left() + 2;
    if (alignment & (Qt::AlignRight | Qt::AlignHCenter)) {
        const int w = fm.horizontalAdvance(text);
        x = alignment & Qt::AlignRight ? rect.right() - 2 - w : rect.left() + (rect.width() - w) / 2;
    }
    FCanvas->drawText(QPoint(x, rect.top() + 2 + fm.ascent()), text);
}

void TCustomGrid::paintEvent(QPaintEvent *e)
{
    QPainter painter(viewport());
    FCanvas = &painter;
    try {
        PaintCells(painter, e->rect());
    } catch (const Exception &ex) {
        FCanvas = nullptr;
        HandleException(ex);
        return;
    } catch (const std::exception &ex) {
        FCanvas = nullptr;
        HandleException(Exception(QString::fromLocal8Bit(ex.what())));
        return;
    }
    FCanvas = nullptr;
}

void TCustomGrid::PaintCells(QPainter &painter, const QRect &clip)
{
    const QPalette &pal = palette();
    const QColor background = ColorToQColor(FColor, &pal);
    const QColor fixedBackground = ColorToQColor(FFixedColor, &pal);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor highlightText = pal.color(QPalette::HighlightedText);
    const QColor text = pal.color(QPalette::Text);
    const QColor fixedLine = pal.color(QPalette::Dark);
    const QColor line = ColorToQColor(clSilver);
    const int colLine = ColLine(), rowLine = RowLine();
    const bool focused = IsActiveControl();
    const TGridRect sel = Selection();
    const int width = viewport()->width(), height = viewport()->height();

    // The rows and columns in view: the fixed ones, then the scrolled ones
    // from the top-left cell on, as long as they start inside. The counts
    // are read again for every row: a cell's painting may change them.
    struct TSpan
    {
        int Index, Start, Size;
    };
    auto spans = [](const TAxis &axis, int first, int line, int limit) {
        std::vector<TSpan> out;
        int pos = 0;
        for (int i = 0; i < axis.Fixed && i < axis.Count && pos < limit; ++i) {
            out.push_back({i, pos, axis.Size(i)});
            pos += axis.Size(i) + line;
        }
        for (int i = first; i < axis.Count && pos < limit; ++i) {
            out.push_back({i, pos, axis.Size(i)});
            pos += axis.Size(i) + line;
        }
        return out;
    };
    const std::vector<TSpan> cols = spans(FCols, FTopLeft.X, colLine, width);
    const std::vector<TSpan> rows = spans(FRows, FTopLeft.Y, rowLine, height);

    int right = 0, bottom = 0;
    for (const TSpan &r : rows) {
        if (r.Start > clip.bottom() || r.Start + r.Size + rowLine < clip.top())
            continue;
        if (r.Index >= FRows.Count)
            break;
        for (const TSpan &c : cols) {
            if (c.Start > clip.right() || c.Start + c.Size + colLine < clip.left())
                continue;
            const QRect cell(c.Start, r.Start, c.Size, r.Size);
            const bool fixed = c.Index < FCols.Fixed || r.Index < FRows.Fixed;
            const bool current = c.Index == FCurrent.X && r.Index == FCurrent.Y;
            TGridDrawState state;
            if (fixed)
                state |= gdFixed;
            if (current && focused)
                state |= gdFocused;
            if (!fixed && sel.Contains(c.Index, r.Index)
                && (!current || !focused || FOptions.testFlag(goDrawFocusSelected) || FOptions.testFlag(goRowSelect)))
                state |= gdSelected;
            painter.save();
            painter.setClipRect(cell);
            painter.setFont(font());
            if (state & gdSelected) {
                painter.setBrush(highlight);
                painter.setPen(highlightText);
            } else {
                painter.setBrush(fixed ? fixedBackground : background);
                painter.setPen(text);
            }
            if (FDefaultDrawing)
                painter.fillRect(cell, painter.brush());
            DrawCell(c.Index, r.Index, cell, state);
            painter.restore();
            if (FDefaultDrawing && fixed) {
                // The raised look of a fixed cell.
                painter.setPen(pal.color(QPalette::Light));
                painter.drawLine(cell.topLeft(), cell.topRight());
                painter.drawLine(cell.topLeft(), cell.bottomLeft());
            }
            if (FDefaultDrawing && current && focused && !FEditorMode && !FOptions.testFlag(goRowSelect) && !fixed) {
                painter.setPen(QPen(text, 1, Qt::DotLine));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
            }
            right = qMax(right, cell.right() + 1 + colLine);
        }
        bottom = qMax(bottom, r.Start + r.Size + rowLine);
    }

    // Grid lines after each cell: darker between fixed cells.
    if (colLine > 0) {
        for (const TSpan &c : cols) {
            const bool fixedCol = c.Index < FCols.Fixed;
            const int x = c.Start + c.Size;
            if (fixedCol ? !FOptions.testFlag(goFixedVertLine) : !FOptions.testFlag(goVertLine))
                continue;
            painter.fillRect(QRect(x, 0, colLine, bottom), fixedCol ? fixedLine : line);
            if (!fixedCol && FOptions.testFlag(goFixedVertLine) && FRows.Fixed > 0)
                painter.fillRect(QRect(x, 0, colLine, int(FixedExtent(FRows))), fixedLine);
        }
    }
    if (rowLine > 0) {
        for (const TSpan &r : rows) {
            const bool fixedRow = r.Index < FRows.Fixed;
            const int y = r.Start + r.Size;
            if (fixedRow ? !FOptions.testFlag(goFixedHorzLine) : !FOptions.testFlag(goHorzLine))
                continue;
            painter.fillRect(QRect(0, y, right, rowLine), fixedRow ? fixedLine : line);
            if (!fixedRow && FOptions.testFlag(goFixedHorzLine) && FCols.Fixed > 0)
                painter.fillRect(QRect(0, y, int(FixedExtent(FCols)), rowLine), fixedLine);
        }
    }
    // Beyond the last cell: the window's own colour.
    const QColor outside = pal.color(QPalette::Window);
    if (right < width)
        painter.fillRect(QRect(right, 0, width - right, height), outside);
    if (bottom < height)
        painter.fillRect(QRect(0, bottom, qMin(right, width), height - bottom), outside);
}

// --- TInplaceEdit ------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TCustomGrid *grid)
    : QLineEdit(grid ? grid->viewport() : nullptr)
    , FGrid(grid)
{
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this] {
        // The cell follows the typing, as the toolkit's grids do.
        if (FGrid)
            TCustomGrid::Guarded([this] { FGrid->UpdateText(); });
    });
}

void TInplaceEdit::SetEditMask(const QString &mask)
{
    if (FEditMask == mask)
        return;
    FEditMask = mask;
    ApplyEditMask(this, mask);
}

QString TInplaceEdit::Value() const
{
    return FEditMask.isEmpty() ? text() : MaskedValue(this);
}

void TInplaceEdit::UpdateContents()
{
    if (!FGrid)
        return;
    const int col = FGrid->Col(), row = FGrid->Row();
    setText(QString());
    SetEditMask(FGrid->GetEditMask(col, row));
    FOriginal = FGrid->GetEditText(col, row);
    SetMaskedValue(this, FOriginal);
    SetMaxLength(FGrid->GetEditLimit());
    setModified(false);
}

void TInplaceEdit::RestoreText()
{
    SetMaskedValue(this, FOriginal);
    setModified(false);
    selectAll();
    if (FGrid)
        FGrid->UpdateText();
}

void TInplaceEdit::Move(const QRect &cell)
{
    if (cell.isEmpty()) {
        hide();
        return;
    }
    setGeometry(cell);
}

void TInplaceEdit::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    if (!FGrid)
        return;
    bool toGrid = IsGridKey(key) && !(key == Qt::Key_Tab && shift.testFlag(Qt::AltModifier));
    // At the edge of the text, Left and Right move between cells when the
    // editor is always shown (otherwise they belong to the caret).
    if (!toGrid && FGrid->Options().testFlag(goAlwaysShowEditor) && !(shift & (Qt::ShiftModifier | Qt::ControlModifier))
        && !hasSelectedText()) {
        if ((key == Qt::Key_Left && cursorPosition() == 0) || (key == Qt::Key_Right && cursorPosition() == text().size()))
            toGrid = true;
    }
    if (!toGrid)
        return;
    const int original = key;
    QPointer<TInplaceEdit> self(this);
    FGrid->KeyDown(key, shift);
    if (key == 0 || !self)
        return;
    if (original == Qt::Key_Return || original == Qt::Key_Enter) {
        QChar ch(QLatin1Char('\r'));
        FGrid->KeyPress(ch);
        key = 0;
    } else if (original == Qt::Key_Escape) {
        // Undo the typing; without the always-shown editor, close it too.
        RestoreText();
        if (!FGrid->Options().testFlag(goAlwaysShowEditor)) {
            FGrid->FEditorMode = false;
            FGrid->HideEdit(false);
        }
        key = 0;
    } else if (original == Qt::Key_F2) {
        deselect();
        end(false);
        key = 0;
    } else if (original == Qt::Key_Tab || original == Qt::Key_Backtab) {
        // The grid did not take it: the focus goes on from the grid.
        key = 0;
        FGrid->HideEditor();
        FGrid->focusNextPrevChild(original == Qt::Key_Tab && !shift.testFlag(Qt::ShiftModifier));
    }
}

void TInplaceEdit::KeyPress(QChar &key)
{
    if (FGrid && !key.isNull() && key.isPrint() && !FGrid->CanEditAcceptKey(key))
        key = QChar();
}

void TInplaceEdit::keyPressEvent(QKeyEvent *e)
{
    bool pass = false;
    TCustomGrid::Guarded([&] {
        int key = e->key();
        KeyDown(key, e->modifiers());
        if (key == 0)
            return;
        const QString text = e->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            QChar ch = text.at(0);
            KeyPress(ch);
            if (ch.isNull())
                return;
        }
        pass = true;
    });
    if (pass)
        QLineEdit::keyPressEvent(e);
    else
        e->accept();
}

void TInplaceEdit::keyReleaseEvent(QKeyEvent *e)
{
    // The keys that went to the grid when pressed go to it when let go.
    if (FGrid && !e->isAutoRepeat() && IsGridKey(e->key())) {
        QPointer<TInplaceEdit> self(this);
        TCustomGrid::Guarded([&] {
            int key = e->key();
            FGrid->KeyUp(key, e->modifiers());
        });
        if (self)
            e->accept();
        return;
    }
    QLineEdit::keyReleaseEvent(e);
}

bool TInplaceEdit::event(QEvent *e)
{
    // Tab reaches KeyDown (the grid decides) instead of moving the focus.
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void TInplaceEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    if (FGrid && !FGrid->FFocusInside) {
        FGrid->FFocusInside = true;
        TCustomGrid::Guarded([this] { FGrid->DoEnter(); });
    }
}

void TInplaceEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    if (FGrid)
        FGrid->FocusLeft(e);
}

// --- TInplaceEditList --------------------------------------------------------------------

TInplaceEditList::TInplaceEditList(TCustomGrid *grid)
    : TInplaceEdit(grid)
{
    FButton = new QToolButton(this);
    FButton->setFocusPolicy(Qt::NoFocus);
    FButton->setCursor(Qt::ArrowCursor);
    FButton->hide();
    connect(FButton, &QToolButton::clicked, this, [this] { TCustomGrid::Guarded([this] { ButtonClicked(); }); });
}

TInplaceEditList::~TInplaceEditList()
{
    if (FList) {
        FList->viewport()->removeEventFilter(this);
        FList.reset();
    }
}

void TInplaceEditList::SetEditStyle(TEditStyle style)
{
    if (FEditStyle == style)
        return;
    FEditStyle = style;
    if (ListVisible())
        CloseUp(false);
    PlaceButton();
}

void TInplaceEditList::SetButtonWidth(int width)
{
    if (FButtonWidth == width)
        return;
    FButtonWidth = width;
    PlaceButton();
}

void TInplaceEditList::PlaceButton()
{
    if (FEditStyle == TEditStyle::esSimple) {
        FButton->hide();
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int w = FButtonWidth > 0 ? FButtonWidth : style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (FEditStyle == TEditStyle::esEllipsis) {
        FButton->setArrowType(Qt::NoArrow);
        FButton->setText(QStringLiteral("…"));
    } else {
        FButton->setText(QString());
        FButton->setArrowType(Qt::DownArrow);
    }
    FButton->setGeometry(width() - w, 0, w, height());
    setTextMargins(0, 0, w, 0);
    FButton->show();
}

void TInplaceEditList::resizeEvent(QResizeEvent *e)
{
    TInplaceEdit::resizeEvent(e);
    PlaceButton();
}

void TInplaceEditList::UpdateContents()
{
    if (ListVisible())
        CloseUp(false);
    TInplaceEdit::UpdateContents();
    if (FGrid)
        SetEditStyle(FGrid->GetEditStyle(FGrid->Col(), FGrid->Row()));
}

void TInplaceEditList::Move(const QRect &cell)
{
    TInplaceEdit::Move(cell);
    PlaceButton();
}

bool TInplaceEditList::ListVisible() const
{
    return FList && FList->isVisible();
}

void TInplaceEditList::DoGetPickListItems()
{
    if (OnGetPickListItems && FGrid) {
        QStringList items = FPickList;
        OnGetPickListItems(FGrid->Col(), FGrid->Row(), items);
        FPickList = items;
    }
}

void TInplaceEditList::DropDown()
{
    if (FEditStyle != TEditStyle::esPickList || ListVisible())
        return;
    if (!FList) {
        // A window of its own that never takes the focus: the keys stay with
        // the editor, which passes the list's keys on.
        FList = std::make_unique<QListWidget>();
        FList->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
        FList->setAttribute(Qt::WA_ShowWithoutActivating);
        FList->setFocusPolicy(Qt::NoFocus);
        FList->setUniformItemSizes(true);
        FListViewport = FList->viewport();
        FListViewport->installEventFilter(this);
    }
    DoGetPickListItems();
    FList->clear();
    FList->addItems(FPickList);
    // The item equal to the text is the chosen one to start with.
    const int at = FPickList.indexOf(text());
    FList->setCurrentRow(at);
    const int rows = qMax(1, qMin(FDropDownRows, int(FPickList.size())));
    const int rowHeight = qMax(1, FList->sizeHintForRow(0));
    const QPoint below = mapToGlobal(QPoint(0, height()));
    FList->setGeometry(below.x(), below.y(), qMax(width(), FList->sizeHintForColumn(0) + 8), rows * rowHeight + 2 * FList->frameWidth());
    FList->show();
}

void TInplaceEditList::CloseUp(bool accept)
{
    if (!ListVisible())
        return;
    QListWidgetItem *item = FList->currentItem();
    const QString chosen = item ? item->text() : QString();
    FList->hide();
    if (accept && item && chosen != text()) {
        setText(chosen);
        setModified(true);
        selectAll();
        if (FGrid)
            FGrid->UpdateText();
    }
}

void TInplaceEditList::ButtonClicked()
{
    if (FEditStyle == TEditStyle::esEllipsis)
        DoEditButtonClick();
    else if (ListVisible())
        CloseUp(false);
    else
        DropDown();
}

void TInplaceEditList::DoEditButtonClick()
{
    if (OnEditButtonClick)
        OnEditButtonClick(this);
    if (FGrid)
        FGrid->EditButtonClick();
}

bool TInplaceEditList::eventFilter(QObject *watched, QEvent *e)
{
    if (FList && watched == FListViewport && e->type() == QEvent::MouseButtonRelease) {
        auto *m = static_cast<QMouseEvent *>(e);
        if (QListWidgetItem *item = FList->itemAt(m->position().toPoint())) {
            FList->setCurrentItem(item);
            TCustomGrid::Guarded([this] { CloseUp(true); });
            return true;
        }
    }
    return TInplaceEdit::eventFilter(watched, e);
}

void TInplaceEditList::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    const bool alt = shift.testFlag(Qt::AltModifier);
    if (FEditStyle == TEditStyle::esPickList && ((alt && (key == Qt::Key_Down || key == Qt::Key_Up)) || key == Qt::Key_F4)) {
        if (ListVisible())
            CloseUp(true);
        else
            DropDown();
        key = 0;
        return;
    }
    if (FEditStyle == TEditStyle::esEllipsis && (key == Qt::Key_Return || key == Qt::Key_Enter)
        && shift.testFlag(Qt::ControlModifier)) {
        DoEditButtonClick();
        key = 0;
        return;
    }
    if (ListVisible()) {
        const int count = FList->count();
        int row = FList->currentRow();
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            CloseUp(true);
            key = 0;
            return;
        case Qt::Key_Escape:
            CloseUp(false);
            key = 0;
            return;
        case Qt::Key_Up: row = qMax(0, row - 1); break;
        case Qt::Key_Down: row = qMin(count - 1, row + 1); break;
        case Qt::Key_PageUp: row = qMax(0, row - FDropDownRows); break;
        case Qt::Key_PageDown: row = qMin(count - 1, row + FDropDownRows); break;
        case Qt::Key_Home: row = 0; break;
        case Qt::Key_End: row = count - 1; break;
        default: return;
        }
        FList->setCurrentRow(row);
        key = 0;
        return;
    }
    TInplaceEdit::KeyDown(key, shift);
}

// --- TCustomDrawGrid ------------------------------------------------------------------

TCustomDrawGrid::TCustomDrawGrid(QWidget *parent)
    : TCustomGrid(parent)
{
}

bool TCustomDrawGrid::SelectCell(int ACol, int ARow)
{
    bool can = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, can);
    return can;
}

QString TCustomDrawGrid::GetEditText(int ACol, int ARow)
{
    QString value;
    if (OnGetEditText)
        OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TCustomDrawGrid::SetEditText(int ACol, int ARow, const QString &value)
{
    if (OnSetEditText)
        OnSetEditText(this, ACol, ARow, value);
}

QString TCustomDrawGrid::GetEditMask(int ACol, int ARow)
{
    QString value;
    if (OnGetEditMask)
        OnGetEditMask(this, ACol, ARow, value);
    return value;
}

void TCustomDrawGrid::DrawCell(int ACol, int ARow, const QRect &rect, TGridDrawState state)
{
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, rect, state);
}

void TCustomDrawGrid::TopLeftChanged()
{
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

void TCustomDrawGrid::ColumnMoved(int fromIndex, int toIndex)
{
    if (OnColumnMoved)
        OnColumnMoved(this, fromIndex, toIndex);
}

void TCustomDrawGrid::RowMoved(int fromIndex, int toIndex)
{
    if (OnRowMoved)
        OnRowMoved(this, fromIndex, toIndex);
}

void TCustomDrawGrid::EditButtonClick()
{
    if (OnEditButtonClick)
        OnEditButtonClick(this);
}

void TCustomDrawGrid::Click()
{
    if (OnClick)
        OnClick(this);
}

void TCustomDrawGrid::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

// --- TStringGrid -----------------------------------------------------------------------

TStringGrid::TStringGrid(QWidget *parent)
    : TDrawGrid(parent)
{
}

const TStringGrid::TCell *TStringGrid::Find(int ACol, int ARow) const
{
    const auto row = FCells.find(ARow);
    if (row == FCells.end())
        return nullptr;
    const TRowCells &cells = row->second;
    const auto it = std::lower_bound(cells.begin(), cells.end(), ACol, [](const auto &e, int c) { return e.first < c; });
    return it != cells.end() && it->first == ACol ? &it->second : nullptr;
}

TStringGrid::TCell *TStringGrid::Find(int ACol, int ARow)
{
    return const_cast<TCell *>(std::as_const(*this).Find(ACol, ARow));
}

TStringGrid::TCell &TStringGrid::Make(int ACol, int ARow)
{
    TRowCells &cells = FCells[ARow];
    auto it = std::lower_bound(cells.begin(), cells.end(), ACol, [](const auto &e, int c) { return e.first < c; });
    if (it == cells.end() || it->first != ACol) {
        it = cells.insert(it, {ACol, TCell{}});
        ++FStored;
    }
    return it->second;
}

void TStringGrid::Forget(int ACol, int ARow)
{
    const auto row = FCells.find(ARow);
    if (row == FCells.end())
        return;
    TRowCells &cells = row->second;
    const auto it = std::lower_bound(cells.begin(), cells.end(), ACol, [](const auto &e, int c) { return e.first < c; });
    if (it == cells.end() || it->first != ACol)
        return;
    cells.erase(it);
    --FStored;
    if (cells.empty())
        FCells.erase(row);
}

QString TStringGrid::Cells(int ACol, int ARow) const
{
    const TCell *c = Find(ACol, ARow);
    return c ? c->Text : QString();
}

void TStringGrid::SetCells(int ACol, int ARow, const QString &value)
{
    TCell *c = Find(ACol, ARow);
    if (c ? c->Text == value : value.isEmpty())
        return;
    if (value.isEmpty() && !c->Object)
        Forget(ACol, ARow);
    else
        Make(ACol, ARow).Text = value;
    InvalidateCell(ACol, ARow);
}

void *TStringGrid::Objects(int ACol, int ARow) const
{
    const TCell *c = Find(ACol, ARow);
    return c ? c->Object : nullptr;
}

void TStringGrid::SetObjects(int ACol, int ARow, void *object)
{
    TCell *c = Find(ACol, ARow);
    if (c ? c->Object == object : !object)
        return;
    if (!object && c->Text.isEmpty())
        Forget(ACol, ARow);
    else
        Make(ACol, ARow).Object = object;
}

QStringList TStringGrid::Rows(int ARow) const
{
    QStringList out;
    for (int c = 0; c < ColCount(); ++c)
        out << Cells(c, ARow);
    return out;
}

void TStringGrid::SetRows(int ARow, const QStringList &texts)
{
    for (int c = 0; c < ColCount(); ++c)
        SetCells(c, ARow, c < texts.size() ? texts.at(c) : QString());
}

QStringList TStringGrid::Cols(int ACol) const
{
    QStringList out;
    for (int r = 0; r < RowCount(); ++r)
        out << Cells(ACol, r);
    return out;
}

void TStringGrid::SetCols(int ACol, const QStringList &texts)
{
    for (int r = 0; r < RowCount(); ++r)
        SetCells(ACol, r, r < texts.size() ? texts.at(r) : QString());
}

qsizetype TStringGrid::StoredCellCount() const
{
    return FStored;
}

QString TStringGrid::GetEditText(int ACol, int ARow)
{
    if (OnGetEditText)
        return TDrawGrid::GetEditText(ACol, ARow);
    return Cells(ACol, ARow);
}

void TStringGrid::SetEditText(int ACol, int ARow, const QString &value)
{
    SetCells(ACol, ARow, value);
    TDrawGrid::SetEditText(ACol, ARow, value);
}

void TStringGrid::DrawCell(int ACol, int ARow, const QRect &rect, TGridDrawState state)
{
    if (DefaultDrawing())
        DrawCellText(rect, Cells(ACol, ARow));
    TDrawGrid::DrawCell(ACol, ARow, rect, state);
}

void TStringGrid::ColumnMoved(int fromIndex, int toIndex)
{
    for (auto &[row, cells] : FCells) {
        for (auto &[col, cell] : cells)
            col = MovedIndex(col, fromIndex, toIndex);
        std::sort(cells.begin(), cells.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    TDrawGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringGrid::RowMoved(int fromIndex, int toIndex)
{
    std::unordered_map<int, TRowCells> moved;
    moved.reserve(FCells.size());
    for (auto &[row, cells] : FCells)
        moved.emplace(MovedIndex(row, fromIndex, toIndex), std::move(cells));
    FCells = std::move(moved);
    TDrawGrid::RowMoved(fromIndex, toIndex);
}

void TStringGrid::SizeChanged(int oldColCount, int oldRowCount)
{
    // Cells that fell outside go.
    if (RowCount() < oldRowCount || ColCount() < oldColCount) {
        for (auto it = FCells.begin(); it != FCells.end();) {
            if (it->first >= RowCount()) {
                FStored -= qsizetype(it->second.size());
                it = FCells.erase(it);
                continue;
            }
            TRowCells &cells = it->second;
            const auto cut = std::lower_bound(cells.begin(), cells.end(), ColCount(), [](const auto &e, int c) { return e.first < c; });
            FStored -= qsizetype(cells.end() - cut);
            cells.erase(cut, cells.end());
            it = cells.empty() ? FCells.erase(it) : std::next(it);
        }
    }
    TDrawGrid::SizeChanged(oldColCount, oldRowCount);
}

} // namespace toolkit
