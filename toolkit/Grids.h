// The toolkit's grids: TCustomGrid (cells laid out in rows and columns,
// fixed rows and columns, the current cell, selection, scrolling, sizing,
// the in-place editor), TDrawGrid (the same with events for the owner), and
// TStringGrid (texts and objects stored per cell).
//
// The grid is a QAbstractScrollArea that lays out and paints its cells
// itself rather than a QTableView over a model. The grids built on it
// override the toolkit's hooks (SelectCell may veto a move, GetEditText /
// SetEditText pass the editor's text, DrawCell paints a cell on the canvas)
// and rely on their order; a view with a model would put a model, a
// delegate and a style option between every cell and its hook, and would
// scroll fixed rows and columns with the rest. Scrolling is by cells, as in
// the toolkit: TopRow and LeftCol are the first scrolled row and column, and
// the scroll bars count cells, so a grid of a million rows costs nothing
// more to scroll than one of a hundred.
//
// Sizes: every column and row has the default size unless given its own;
// only the ones given their own are stored. A string grid stores only the
// cells that were set.
//
// Hooks are protected virtual functions named as in the toolkit; TDrawGrid
// and TStringGrid forward the ones a form handles to std::function events
// (OnDrawCell, OnSelectCell, …). An exception thrown by a hook during an
// event the user caused goes to HandleException and does not leave the
// event handler.
#pragma once

#include "toolkit/toolkit_export.h"
#include "toolkit/Graphics.h"

#include <QAbstractScrollArea>
#include <QFlags>
#include <QLineEdit>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class QListWidget;
class QToolButton;

namespace toolkit {

class TCustomGrid;

enum TGridOption : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goRowMoving = 1u << 8,
    goColMoving = 1u << 9,
    goEditing = 1u << 10,
    goTabs = 1u << 11,
    goRowSelect = 1u << 12,
    goAlwaysShowEditor = 1u << 13,
    goThumbTracking = 1u << 14,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum TGridDrawStateFlag : unsigned {
    gdSelected = 1u << 0,
    gdFocused = 1u << 1,
    gdFixed = 1u << 2,
};
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

enum class TEditStyle { esSimple, esEllipsis, esPickList };
// The letter case an edit control turns typed letters into.
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// X is the column, Y the row.
struct TGridCoord
{
    int X = 0;
    int Y = 0;
    bool operator==(const TGridCoord &o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const TGridCoord &o) const { return !(*this == o); }
};

struct TGridRect
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TGridRect &o) const
    {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool Contains(int col, int row) const { return col >= Left && col <= Right && row >= Top && row <= Bottom; }
};

// The editor the grid shows over its current cell: a line edit that takes
// its text, mask and length from the grid's hooks and gives the text back
// through SetEditText. Keys that move between cells go to the grid.
class TOOLKIT_EXPORT TInplaceEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TInplaceEdit(TCustomGrid *grid);
    TCustomGrid *Grid() const { return FGrid; }

    // The toolkit's edit mask ("99.99.9999;1; "); empty for none.
    QString EditMask() const { return FEditMask; }
    void SetEditMask(const QString &mask);
    int MaxLength() const { return maxLength(); }
    void SetMaxLength(int length) { setMaxLength(length > 0 ? length : 32767); }
    bool Modified() const { return isModified(); }
    // The text as the grid had it when the editor took the cell.
    QString OriginalText() const { return FOriginal; }
    // The text as the cell keeps it: with a mask, its literals kept or
    // dropped as the mask says and the blanks of optional places left out.
    QString Value() const;
    // Reads the current cell's text, mask and limit from the grid.
    virtual void UpdateContents();
    // Undoes the typing: back to the cell's text as it was.
    void RestoreText();

protected:
    friend class TCustomGrid;
    // Places the editor over `cell` (viewport coordinates).
    virtual void Move(const QRect &cell);
    // The editor's keys before the line edit sees them; `key` = 0 ends the
    // handling. Keys that move between cells (Up, Down, Page Up/Down, Tab,
    // Enter, F2, Escape; Left/Right at the text's edge with the editor
    // always shown) go to the grid's KeyDown; Escape not handled there
    // restores the text.
    virtual void KeyDown(int &key, Qt::KeyboardModifiers shift);
    virtual void KeyPress(QChar &key);
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

    TCustomGrid *FGrid;
    QString FEditMask;
    QString FOriginal;
};

// The editor with a button: an ellipsis ("…") that raises the grid's
// EditButtonClick, or a drop-down arrow that opens a pick list. The list
// opens with Alt+Down, F4 or the button; arrows move in it, Enter (or a
// click) writes the chosen item into the editor, Escape closes it.
class TOOLKIT_EXPORT TInplaceEditList : public TInplaceEdit
{
    Q_OBJECT
public:
    using TOnGetPickListItems = std::function<void(int ACol, int ARow, QStringList &items)>;
    using TOnEditButtonClick = std::function<void(TInplaceEditList *sender)>;

    explicit TInplaceEditList(TCustomGrid *grid);
    ~TInplaceEditList() override;

    TEditStyle EditStyle() const { return FEditStyle; }
    void SetEditStyle(TEditStyle style);
    // Rows the open list shows before it scrolls (7 by default).
    int DropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int rows) { FDropDownRows = qMax(1, rows); }
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int width);
    QStringList PickList() const { return FPickList; }
    void SetPickList(const QStringList &items) { FPickList = items; }
    bool ListVisible() const;
    QListWidget *PickListWidget() const { return FList.get(); }
    QToolButton *Button() const { return FButton; }

    void DropDown();
    // Closes the list; with `accept`, the chosen item becomes the text.
    virtual void CloseUp(bool accept);

    TOnGetPickListItems OnGetPickListItems;
    TOnEditButtonClick OnEditButtonClick;

    void UpdateContents() override;

protected:
    virtual void DoEditButtonClick();
    virtual void DoGetPickListItems();
    void Move(const QRect &cell) override;
    // Alt+Down and F4 open and close the list, Ctrl+Enter is the ellipsis;
    // while the list is open, the moving keys, Enter and Escape are its.
    void KeyDown(int &key, Qt::KeyboardModifiers shift) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ButtonClicked();
    void PlaceButton();

    TEditStyle FEditStyle = TEditStyle::esSimple;
    int FDropDownRows = 7;
    int FButtonWidth = 0; // 0: the style's scroll-bar width
    QStringList FPickList;
    QToolButton *FButton = nullptr;
    std::unique_ptr<QListWidget> FList;
    QWidget *FListViewport = nullptr;
};

// The grid. Counts, sizes and options as the toolkit has them; the current
// cell is (Col, Row); Selection is the anchor-to-current rectangle (the
// whole row with goRowSelect).
class TOOLKIT_EXPORT TCustomGrid : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TCustomGrid(QWidget *parent = nullptr);
    ~TCustomGrid() override;

    int ColCount() const { return FCols.Count; }
    void SetColCount(int count);
    int RowCount() const { return FRows.Count; }
    void SetRowCount(int count);
    int FixedCols() const { return FCols.Fixed; }
    void SetFixedCols(int count);
    int FixedRows() const { return FRows.Fixed; }
    void SetFixedRows(int count);

    int DefaultColWidth() const { return FCols.DefaultSize; }
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return FRows.DefaultSize; }
    void SetDefaultRowHeight(int height);
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int width);
    // Columns Tab stops at (all by default).
    bool TabStops(int col) const;
    void SetTabStops(int col, bool stop);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions options);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool on) { FDefaultDrawing = on; }
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor color);

    int Col() const { return FCurrent.X; }
    void SetCol(int col);
    int Row() const { return FCurrent.Y; }
    void SetRow(int row);
    TGridRect Selection() const;
    void SetSelection(const TGridRect &rect);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int row);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int col);
    // Scrolled rows (columns) wholly in view from the top (left) one.
    int VisibleRowCount() const;
    int VisibleColCount() const;

    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool on);
    TInplaceEdit *InplaceEditor() const { return FInplaceEdit; }

    // The cell's rectangle in the viewport; empty when the cell is not in view.
    QRect CellRect(int ACol, int ARow) const;
    // The cell under a viewport point; (-1, -1) outside every cell.
    TGridCoord MouseCoord(int x, int y) const;
    void MouseToCell(int x, int y, int &ACol, int &ARow) const;

    // Repaints the whole grid. Scrolling, resizing and changes of counts,
    // sizes and options come through here (grids that fill their cells as
    // they come into view override it); setting one cell does not.
    virtual void Invalidate();
    void InvalidateCell(int ACol, int ARow);
    void InvalidateRow(int ARow);
    void InvalidateCol(int ACol);
    void InvalidateGrid();
    void MoveColumn(int fromIndex, int toIndex);
    void MoveRow(int fromIndex, int toIndex);
    void ShowEditor();
    void HideEditor();

    // The painter of the paint in progress (nullptr outside painting); the
    // toolkit's Canvas.
    QPainter *Canvas() const { return FCanvas; }
    // The default look of a cell's text: left, two pixels in, vertically
    // centred, clipped to the cell.
    void DrawCellText(const QRect &rect, const QString &text, Qt::Alignment alignment = Qt::AlignLeft);

Q_SIGNALS:
    void TopLeftMoved();
    void CurrentMoved();

protected:
    // --- hooks ---------------------------------------------------------------
    // May the current cell move to (ACol, ARow)? Returning false keeps it.
    virtual bool SelectCell(int ACol, int ARow);
    virtual QString GetEditText(int ACol, int ARow);
    // The editor's text for a cell, when the editor leaves it (or on Enter).
    virtual void SetEditText(int ACol, int ARow, const QString &value);
    virtual QString GetEditMask(int ACol, int ARow);
    // The longest text the editor takes; 0 for no limit.
    virtual int GetEditLimit();
    virtual TEditStyle GetEditStyle(int ACol, int ARow);
    virtual bool CanEditShow();
    virtual bool CanEditModify();
    virtual bool CanEditAcceptKey(QChar key);
    // The editor to use; the grid owns it. TInplaceEditList by default.
    virtual TInplaceEdit *CreateEditor();
    // Paints one cell. The canvas is clipped to `rect`; with DefaultDrawing
    // the background is already filled and the focus frame comes after.
    virtual void DrawCell(int ACol, int ARow, const QRect &rect, TGridDrawState state);
    virtual void TopLeftChanged();
    virtual void ColumnMoved(int fromIndex, int toIndex);
    virtual void RowMoved(int fromIndex, int toIndex);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void SizeChanged(int oldColCount, int oldRowCount);
    virtual void EditButtonClick();
    // After the current cell or selection moved.
    virtual void Click();
    virtual void DblClick();
    // The focus came to the grid (or its editor) from elsewhere, or left
    // both for another control. Leaving commits the editor's text and, unless
    // the editor is always shown, hides it.
    virtual void DoEnter();
    virtual void DoExit();

    // The toolkit's key and mouse handlers; subclasses extend them and call
    // these for the grid's own behaviour. Setting `key` to 0 ends its
    // handling (KeyPress is not called after a KeyDown that cleared it).
    virtual void KeyDown(int &key, Qt::KeyboardModifiers shift);
    // A key let go, in the grid or (for the keys the editor passes to the
    // grid) in its editor.
    virtual void KeyUp(int &key, Qt::KeyboardModifiers shift);
    virtual void KeyPress(QChar &key);
    virtual void MouseDown(QMouseEvent *event);
    virtual void MouseMove(QMouseEvent *event);
    virtual void MouseUp(QMouseEvent *event);

    // Moves the current cell (through SelectCell); with moveAnchor the
    // selection collapses to it, with show it is scrolled into view.
    void FocusCell(int ACol, int ARow, bool moveAnchor);
    void MoveCurrent(int ACol, int ARow, bool moveAnchor, bool show);
    void MoveTopLeft(int ALeft, int ATop);
    // The editor's text goes to SetEditText for the cell it edits.
    void UpdateText();
    // The editor over the current cell, with its contents read again.
    void UpdateEdit();
    void ShowEditorChar(QChar ch);
    bool IsActiveControl() const;

    // --- Qt events -----------------------------------------------------------
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

private:
    friend class TInplaceEdit;
    friend class TInplaceEditList;
    // One axis: counts, sizes and the positions of its cells.
    struct TAxis
    {
        int Count = 5;
        int Fixed = 1;
        int DefaultSize = 24;
        std::map<int, int> Sizes; // cells with their own size
        int Size(int i) const;
        // Offset of cell `i` from cell `from` (line widths included).
        qint64 Span(int from, int to, int line) const;
        // The last cell starting at or before `offset` from cell `from`.
        int CellAt(int from, qint64 offset, int line, qint64 *start) const;
        void Move(int from, int to);
        void Resized(int count);
    };
    qint64 FixedExtent(const TAxis &axis) const;
    int ColLine() const; // the width of a column's grid line, 0 without vertical lines
    int RowLine() const;
    void SizeAxis(TAxis &axis, int count);
    void MoveAxis(TAxis &axis, int fromIndex, int toIndex);
    void SetFixed(TAxis &axis, int count);
    void FocusLeft(QFocusEvent *event);
    // Scrolled cells wholly visible from `first`, and the largest first cell
    // that still fills the view.
    int FullyVisible(const TAxis &axis, int first, int viewSize) const;
    int MaxTopLeft(const TAxis &axis, int viewSize) const;
    // The first cell to scroll to so that `cell` shows at the far edge.
    int FirstShowing(const TAxis &axis, int cell, int viewSize) const;
    // Gives cell i its own size; false when it had it already.
    static bool SetSize(TAxis &axis, int i, int size);
    void ClampInView(TGridCoord cell);
    void UpdateScrollBars();
    void Restrict(TGridCoord &coord, int minX, int minY, int maxX, int maxY) const;
    void SelectionMoved(const TGridRect &old);
    void InvalidateRect(const TGridRect &rect);
    bool Owns(const QWidget *w) const;
    // Column border under x in the fixed rows (for sizing), or -1.
    int SizingColumnAt(const QPoint &pos) const;
    int SizingRowAt(const QPoint &pos) const;
    void PaintCells(QPainter &painter, const QRect &clip);
    // Runs an event's work; an exception goes to HandleException.
    static void Guarded(const std::function<void()> &work);
    void HideEdit(bool commit);
    QRect EditorRect() const;

    TAxis FCols{5, 1, 64, {}};
    TAxis FRows{5, 1, 24, {}};
    int FGridLineWidth = 1;
    QSet<int> FNoTabStops; // columns Tab passes over
    TGridOptions FOptions = TGridOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect);
    bool FDefaultDrawing = true;
    TColor FColor = clWindow;
    TColor FFixedColor = clBtnFace;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    bool FEditorMode = false;
    TInplaceEdit *FInplaceEdit = nullptr;
    int FInplaceCol = -1, FInplaceRow = -1;
    QPainter *FCanvas = nullptr;
    bool FUpdatingScrollBars = false;
    bool FFocusInside = false; // the grid or its editor has the focus
    // Sizing a column (row) by its border: which one, and where it started.
    enum class TGridState { gsNormal, gsSelecting, gsColSizing, gsRowSizing };
    TGridState FState = TGridState::gsNormal;
    int FSizingIndex = -1;
    int FSizingStart = 0;
    int FSizingOriginal = 0;
};

// A grid whose owner paints and answers through events.
class TOOLKIT_EXPORT TCustomDrawGrid : public TCustomGrid
{
    Q_OBJECT
public:
    using TDrawCellEvent = std::function<void(TCustomGrid *sender, int ACol, int ARow, const QRect &rect, TGridDrawState state)>;
    using TSelectCellEvent = std::function<void(TCustomGrid *sender, int ACol, int ARow, bool &canSelect)>;
    using TGetEditEvent = std::function<void(TCustomGrid *sender, int ACol, int ARow, QString &value)>;
    using TSetEditEvent = std::function<void(TCustomGrid *sender, int ACol, int ARow, const QString &value)>;
    using TMovedEvent = std::function<void(TCustomGrid *sender, int fromIndex, int toIndex)>;
    using TNotifyEvent = std::function<void(TCustomGrid *sender)>;

    explicit TCustomDrawGrid(QWidget *parent = nullptr);

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TGetEditEvent OnGetEditText;
    TGetEditEvent OnGetEditMask;
    TSetEditEvent OnSetEditText;
    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;
    TNotifyEvent OnTopLeftChanged;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEditButtonClick;

protected:
    bool SelectCell(int ACol, int ARow) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString &value) override;
    QString GetEditMask(int ACol, int ARow) override;
    void DrawCell(int ACol, int ARow, const QRect &rect, TGridDrawState state) override;
    void TopLeftChanged() override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    void EditButtonClick() override;
    void Click() override;
    void DblClick() override;
};

class TOOLKIT_EXPORT TDrawGrid : public TCustomDrawGrid
{
    Q_OBJECT
public:
    using TCustomDrawGrid::TCustomDrawGrid;
};

// A draw grid that keeps a text and an object per cell. Only cells that
// were set take memory; a cell set back to an empty text and no object is
// forgotten.
class TOOLKIT_EXPORT TStringGrid : public TDrawGrid
{
    Q_OBJECT
public:
    explicit TStringGrid(QWidget *parent = nullptr);

    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString &value);
    void *Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, void *object);
    template<class T>
    T *ObjectAs(int ACol, int ARow) const { return static_cast<T *>(Objects(ACol, ARow)); }
    // A whole row (column) as texts, and set from texts.
    QStringList Rows(int ARow) const;
    void SetRows(int ARow, const QStringList &texts);
    QStringList Cols(int ACol) const;
    void SetCols(int ACol, const QStringList &texts);
    // Cells that hold a text or an object.
    qsizetype StoredCellCount() const;

protected:
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString &value) override;
    void DrawCell(int ACol, int ARow, const QRect &rect, TGridDrawState state) override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    void SizeChanged(int oldColCount, int oldRowCount) override;

private:
    struct TCell
    {
        QString Text;
        void *Object = nullptr;
    };
    using TRowCells = std::vector<std::pair<int, TCell>>; // by column
    TCell *Find(int ACol, int ARow);
    const TCell *Find(int ACol, int ARow) const;
    TCell &Make(int ACol, int ARow);
    void Forget(int ACol, int ARow);
    std::unordered_map<int, TRowCells> FCells; // row → the cells set in it
    qsizetype FStored = 0;
};

} // namespace toolkit
