// TIBoStringGrid: the data-entry grid. Every cell may be bound to a field
// (TField, not owned) of a business object's data set; the cell always shows
// the field's text (with code-list descriptions where wanted), never a value
// of its own. The host says which cells may be edited; what the user types is
// validated and normalised by the field's validation type (code lists, group
// code lists, multi-selections, dates, floats) and written through the data
// set's Edit/Post. A rejected value leaves the field as it was, the typed
// text in the editor and the cursor in the cell, and the user reads why.
//
// The grid also moves from editable cell to editable cell (Enter, arrows),
// creates a new object when the user runs off the last editable cell, keeps a
// selection of rows of its own (row numbers as texts, so "10" sorts before
// "9"), copies a column of the selected rows, and sorts rows: by the first
// column through Compare, or by any column from a header click.
//
// Row 0 is the title row; header clicks and sorting assume one fixed row.
// Whether column 0 is fixed is the host's choice.
#pragma once

#include "marvok/Cvalinfo.h"
#include "toolkit/Grids.h"
#include "tovlet/tovlet_export.h"

#include <QPoint>
#include <QStringList>
#include <functional>
#include <memory>

class QPainter;

namespace toolkit {
class TField;
}
namespace pelvar {
class TplDomainObject;
}

namespace tovlet {

enum class TIOnUnexistingCode { ouException, ouLookup, ouNone };
using toolkit::TEditCharCase;

class TIBoStringGrid;

using TINotifyEvent = std::function<void(QObject *Sender)>;
using TILookupFieldEvent = std::function<void(int ACol, int ARow, toolkit::TField *AField, bool &AStandardLookup, QString &AValue)>;
using TIOnGetCellEditableEvent = std::function<void(QObject *Sender, int ACol, int ARow, bool &AEditable)>;
using TIOnGetCellReadOnlyEvent = std::function<void(QObject *Sender, int ACol, int ARow, bool &AReadOnly)>;
using TIGetResponseEvent = std::function<void(QObject *Sender, int ACol, int ARow, toolkit::TField *AField, QString &AValue)>;
using TIOnUpdateFieldEvent = std::function<void(QObject *Sender, int ACol, int ARow, toolkit::TField *AField)>;
using TiOnExitField = std::function<void(QObject *Sender, int ACol, int ARow)>;
using TIOnGetMaskEvent = std::function<void(QObject *Sender, int ACol, int ARow, toolkit::TField *AField, QString &AMask)>;
using TIOnGetEditStyleEvent = std::function<void(QObject *Sender, int ACol, int ARow, toolkit::TEditStyle &AStyle)>;
using TIOnGetSifrantEvent = std::function<void(QObject *Sender, int ACol, int ARow, QString &AValue)>;
using TIOnCompareRowsEvent = std::function<void(QObject *Sender, int ARow1, int ARow2, int &ACompare)>;
using TIOnGetCharCaseEvent = std::function<void(QObject *Sender, int ACol, int ARow, TEditCharCase &ACharCase)>;
using TIOnLastRowSetNextCellEvent = std::function<void(QObject *Sender, int ACol, int ARow, int &ANewCol, int &ANewRow)>;
using TIOnAddNewObjectEvent = std::function<void(QObject *Sender, pelvar::TplDomainObject *&ANewObject)>;
using TIOnBeforeUpdateFieldEvent = std::function<void(QObject *Sender, toolkit::TField *AField, const QString &AFieldType,
                                                      const QString &ASifrant, int ACol, int ARow, QString &AValue,
                                                      const QString &AText)>;
using TIOnNotifyErrorChangeEvent = std::function<void(QObject *Sender, int ACol, int ARow, toolkit::TField *AField, bool &ANotify)>;
using TIOnUnexistingCodeEvent = std::function<bool(QObject *Sender, int ACol, int ARow, const QString &ASifrant,
                                                   const QString &AValue, QString &ANewValue)>;
using TIOnGetCustomValues = std::function<void(QObject *Sender, QStringList &AValues, bool &AOverrideDefault)>;
using TIOnCanAddForMMSCallBack = std::function<bool(const QString &AToothLocation, const QString &Asifrant)>;
using TIOnGetHintForCell = std::function<void(QObject *Sender, int ACol, int ARow, QString &AHint)>;
using TIOnCustomSort = std::function<void(QObject *Sender, int ACol, QChar ADirection)>;
// Paints one pick-list item (the in-place editor's owner-drawn list).
using TDrawPickListItemEvent = std::function<void(QObject *Sender, int Index, const QRect &Rect, QPainter &Canvas)>;

class TOVLET_EXPORT TIBoStringGrid : public toolkit::TStringGrid
{
    Q_OBJECT
public:
    explicit TIBoStringGrid(QWidget *parent = nullptr);
    ~TIBoStringGrid() override;

    // --- binding and reading ---------------------------------------------------
    // Binds the cell to Field (nullptr unbinds) and shows its text; an editor
    // open on the cell shows it too.
    virtual void SetField(int ACol, int ARow, toolkit::TField *Field);
    // nullptr outside the grid, for an unbound cell and while a row is removed.
    virtual toolkit::TField *GetField(int ACol, int ARow) const;
    virtual void GetFieldType(int ACol, int ARow, QString &Value);
    virtual void GetFieldSifrant(int ACol, int ARow, QString &Value);
    QString FieldType(int ACol, int ARow);
    QString FieldSifrant(int ACol, int ARow);
    // The text a cell shows for Field.
    void GetResponse(int ACol, int ARow, toolkit::TField *Field, QString &Value);
    // Validates Value by the cell's type and writes it into the cell's field;
    // raises with the user's message when the value is refused.
    virtual void UpdateField(int ACol, int ARow, QString Value);
    virtual void DoInvalidate();
    // Whether "S"/"MS" cells of the column show "code  description".
    virtual bool ResponseAsSifrant(int ACol);
    void UpdateRow(int ARow);
    void RefreshRow(int ARow) { UpdateRow(ARow); }
    void RefreshRowContent(int AFromRow, int AToRow);
    void Invalidate() override;
    void Undo();
    void UpdateCurrentField();
    void CancelCurrentField() {}

    // --- editability --------------------------------------------------------------
    virtual bool CellIsEditable(int ACol, int ARow);
    bool GetReadOnlyField(int ACol, int ARow);

    // --- rows -----------------------------------------------------------------------
    void RemoveRow(int ARow);
    void Clear();
    void ClearObjects(int ARow);
    void AddNewObject(pelvar::TplDomainObject *&NewObject);
    void SetValueAndGoToNewLine(const QString &Value);
    bool CanAutoAddNewObject() const { return FAutoNewObject && bool(aiOnAddNewObject); }

    // --- selection ----------------------------------------------------------------
    int aiSelectedCount() const { return int(FSelectedList.size()); }
    int GetSelected(int Index) const;
    int aiSelectedRow() const;
    void setAiSelectedRow(int ARow) { SetSelectedRowExclusive(ARow, true); }
    bool GetRowSelected(int ARow) const;
    void SetRowSelected(int ARow, bool Value);
    void SetSelectedRowExclusive(int ARow, bool Exclusive);
    void SetSelectedRangeOfRows(int AFromRow, int AToRow, bool AApply);
    void CopySelected(int ACol);

    // --- navigation ---------------------------------------------------------------
    void MoveToNextEditableCell(bool Down);
    void MoveToPreviousEditableCell();
    bool MoveToUpperEditableCell(bool Up);
    bool MoveToDownerEditableCell() { return MoveToUpperEditableCell(false); }
    bool FindNextEditableCell(int &ACol, int &ARow, bool Down);
    bool FindPreviousEditableCell(int &ACol, int &ARow);
    void GotoCell(int ACol, int ARow);
    void SetInplaceEditorSelection();

    // --- sorting ------------------------------------------------------------------
    void Sort();
    void QuickSort(int L, int R);
    int Compare(int ARow1, int ARow2);
    void ExchangeRows(int ARow1, int ARow2);
    // Orders rows AFromRow…AToRow by column ACol, "A" ascending (also for a
    // null direction) or "D" descending, with the row order of the system's
    // exchange sort for equal values, in O(n log n) for a column whose cells
    // are all of one kind.
    void SortGridByColumn(int AFromRow, int AToRow, int ACol, QChar ADirection);
    void ForcedColumnSort(int ACol);
    QPoint HeaderCellToMouseXY(int ACol) const;

    // --- lookups (the in-place editor's work; no lookup changes the text here) ---
    // Runs the cell's lookup; the cell's text afterwards is the looked-up value.
    virtual void LookupField(int ACol, int ARow);
    // The code-list search for a list the code-list service does not register,
    // starting from AValue; returns the chosen code.
    virtual QString LookupSifrant(const QString &ASifrant, const QString &AValue);

    // --- properties ---------------------------------------------------------------
    marvok::TIFieldInfo &aiLocalFieldInfo() { return *FFieldInfo; }
    toolkit::TInplaceEdit *aiInplaceEditor() const { return InplaceEditor(); }
    bool aiSelectAllOnEdit() const { return FSelectAllOnEdit; }
    void setAiSelectAllOnEdit(bool v) { FSelectAllOnEdit = v; }
    bool aiMoveToEditFieldsOnly() const { return FMoveToEditFieldsOnly; }
    void setAiMoveToEditFieldsOnly(bool v) { FMoveToEditFieldsOnly = v; }
    bool aiMoveDownOnCR() const { return FMoveDownOnCR; }
    void setAiMoveDownOnCR(bool v) { FMoveDownOnCR = v; }
    bool aiNextCellOnSelectValue() const { return FNextCellOnSelectValue; }
    void setAiNextCellOnSelectValue(bool v) { FNextCellOnSelectValue = v; }
    bool aiUpdateRowOnUpdateData() const { return FUpdateRowOnUpdateData; }
    void setAiUpdateRowOnUpdateData(bool v) { FUpdateRowOnUpdateData = v; }
    bool aiAutomaticAddNewObject() const { return FAutoNewObject; }
    void setAiAutomaticAddNewObject(bool v) { FAutoNewObject = v; }
    bool aiUpdateCurrentFieldOnEnter() const { return FUpdateCurrentFieldOnEnter; }
    void setAiUpdateCurrentFieldOnEnter(bool v) { FUpdateCurrentFieldOnEnter = v; }
    TEditCharCase aiCharCase() const { return FCharCase; }
    void setAiCharCase(TEditCharCase v) { FCharCase = v; }
    bool aiGotoNextCellIfLookupOk() const { return FGotoNextCellIfLookupOK; }
    void setAiGotoNextCellIfLookupOk(bool v) { FGotoNextCellIfLookupOK = v; }
    TIOnUnexistingCode aiOnUnexistingCode() const { return FOnUnexistingCode; }
    void setAiOnUnexistingCode(TIOnUnexistingCode v) { FOnUnexistingCode = v; }
    QString aiColumnsNotSelectAll() const { return FColumnsNotSelectAll; }
    void setAiColumnsNotSelectAll(const QString &v) { FColumnsNotSelectAll = v; }
    bool aiShowRowSelection() const { return FbShowRowSelection; }
    void setAiShowRowSelection(bool v);
    bool aiOptimize() const { return FOptimize; }
    void setAiOptimize(bool v) { FOptimize = v; }
    // Painting is held back while the host fills the grid with aiOptimize.
    bool Updating() const { return FUpdating; }
    void SetUpdating(bool v);
    bool aiForceLookupOnCustomLookup() const { return FForceLookupOnCustomLookup; }
    void setAiForceLookupOnCustomLookup(bool v) { FForceLookupOnCustomLookup = v; }
    bool aiValueAllwaysUpper() const { return FValueAllwaysUpper; }
    void setAiValueAllwaysUpper(bool v) { FValueAllwaysUpper = v; }
    bool aiMultiLineTitle() const { return FbMultiLineTitle; }
    void setAiMultiLineTitle(bool v);
    QPoint aiLastClickedCell() const { return FLastClickedCell; }
    QChar aiLastSortDirection() const { return FLastSortDirection; }
    int aiLastSortedColumn() const { return FLastSortedColumn; }
    bool aiAllowCustomSort() const { return FaiAllowCustomSort; }
    void setAiAllowCustomSort(bool v) { FaiAllowCustomSort = v; }
    // Hints per cell are shown only with ShowHint on.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v) { FShowHint = v; }
    QString Hint() const { return toolTip(); }
    bool IsSorting() const { return FSorting; }

    TILookupFieldEvent aiOnLookupFieldEvent;
    TIOnGetCellEditableEvent aiOnGetCellEditable;
    TIOnGetCellReadOnlyEvent aiOnGetCellReadOnly;
    TIGetResponseEvent aiOnGetResponse;
    TIOnUpdateFieldEvent aiOnUpdateField;
    TiOnExitField aiOnExitField;
    TIOnGetMaskEvent aiOnGetMaskEvent;
    TIOnLastRowSetNextCellEvent aiOnLastRowFindNextCell;
    TIOnBeforeUpdateFieldEvent aiOnBeforeUpdateField;
    TIOnNotifyErrorChangeEvent aiOnNotifyErrorChange;
    TIOnGetEditStyleEvent aiOnGetEditStyle;
    TIOnGetSifrantEvent aiOnGetFieldType;
    TIOnGetSifrantEvent aiOnGetSifrant;
    TIOnCompareRowsEvent aiOnCompare;
    TIOnAddNewObjectEvent aiOnAddNewObject;
    TIOnGetCharCaseEvent aiOnGetCharCase;
    TIOnUnexistingCodeEvent aiOnUnexistingCodeEvent;
    TIOnGetCustomValues aiOnPickListEvent;
    TINotifyEvent aiOnBeforeRowChange;
    TINotifyEvent aiOnRowChange;
    TDrawPickListItemEvent aiOnDrawPickListItem;
    TIOnGetHintForCell aiOnGetHintForCell;
    TIOnCanAddForMMSCallBack aiOnCanAddForMMSCallBack;
    TINotifyEvent aiOnColWidthsChanged;
    TIOnCustomSort aiOnCustomSort;
    TINotifyEvent aiOnDropDownPickList;

protected:
    bool SelectCell(int ACol, int ARow) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString &value) override;
    QString GetEditMask(int ACol, int ARow) override;
    toolkit::TEditStyle GetEditStyle(int ACol, int ARow) override;
    void DrawCell(int ACol, int ARow, const QRect &rect, toolkit::TGridDrawState state) override;
    void ColWidthsChanged() override;
    void Click() override;
    void DoEnter() override;
    void DoExit() override;
    void KeyDown(int &key, Qt::KeyboardModifiers shift) override;
    void KeyUp(int &key, Qt::KeyboardModifiers shift) override;
    void MouseDown(QMouseEvent *event) override;
    void MouseMove(QMouseEvent *event) override;
    void MouseUp(QMouseEvent *event) override;

    virtual void ExtraKeyDown(int &key, Qt::KeyboardModifiers shift);
    virtual void ExtraKeyUp(int &key, Qt::KeyboardModifiers shift);
    virtual void DoSort();

private:
    void SetEditingFor(int ACol, int ARow);
    // Writes the text into the field through its data set's Edit/Post.
    static void WriteFieldText(toolkit::TField *field, const QString &text);
    [[noreturn]] void RaiseUnknownCode(const QString &Value);
    void DrawMultiLineTitle(const QRect &rect, const QString &text);
    void DrawSortTriangle(const QRect &rect);
    // The exchange sort itself, for columns whose cells differ in kind.
    void ExchangeSortByColumn(int AFromRow, int AToRow, int ACol, QChar ADirection);
    void PermuteRows(int AFromRow, const std::vector<int> &order);
    bool EditorOnCell(int ACol, int ARow) const;

    QStringList FSelectedList; // ordered as texts
    QString FEditText;
    bool FSelectAllOnEdit = true;
    bool FMoveToEditFieldsOnly = false;
    bool FMoveDownOnCR = false;
    bool FNextCellOnSelectValue = true;
    bool FUpdateRowOnUpdateData = false;
    std::unique_ptr<marvok::TIFieldInfo> FFieldInfo;
    bool FSorting = false;
    bool FAutoNewObject = false;
    bool FUpdateCurrentFieldOnEnter = false;
    TEditCharCase FCharCase = TEditCharCase::ecNormal;
    bool FGotoNextCellIfLookupOK = false;
    TIOnUnexistingCode FOnUnexistingCode = TIOnUnexistingCode::ouException;
    bool FDeletingRow = false;
    bool FClearAction = false;
    QString FColumnsNotSelectAll;
    bool FbShowRowSelection = true;
    bool FUpdating = false;
    bool FOptimize = false;
    bool FForceLookupOnCustomLookup = true;
    int FLastHintCol = -1;
    int FLastHintRow = -1;
    bool FValueAllwaysUpper = false;
    int FFirstRowSelected = 0;
    int FLastRowSelected = 0;
    bool FbMultiLineTitle = false;
    QPoint FLastClickedCell{-1, -1};
    QChar FLastSortDirection{0};
    int FLastSortedColumn = -1;
    int FOldColWidth = 0;
    int FOldPrevColWidth = 0; // the border left of the pressed column sizes its neighbour
    int FPressedCol = -1;
    bool FaiAllowCustomSort = false;
    bool FShowHint = true;
    bool FDestroying = false;
};

} // namespace tovlet
