#include "cBoGrid2.h"

#include "tovlet/lookups/dMulSSS.h"

#include "marvok/Iforms.h"
#include "marvok/Isifrant.h"
#include "marvok/Iutils.h"
#include "marvok/cControls.h"
#include "toolkit/DB.h"
#include "toolkit/DateUtils.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"
#include "tovlet/lookups/iFormatedMS.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QToolTip>

#include <algorithm>
#include <deque>

namespace tovlet {

using toolkit::TField;
using toolkit::TFieldType;

namespace {

const QString TypeS = QStringLiteral("S");
const QString TypeSC = QStringLiteral("SC");
const QString TypeMS = QStringLiteral("MS");
const QString TypeMMS = QStringLiteral("MMS");

// Sets a flag for the length of a scope, as the transient phases need.
class TFlagScope
{
public:
    explicit TFlagScope(bool &flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = FOld; }

private:
    bool &FFlag;
    bool FOld;
};

bool IsBlank(const QString &s)
{
    return s.trimmed().isEmpty();
}

// How a column's cells compare when sorted by a header click.
enum class TSortKind { skText, skNumber, skDate };

TSortKind KindOf(const TField *field)
{
    if (!field)
        return TSortKind::skText;
    switch (field->DataType()) {
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
        return TSortKind::skDate;
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
        return TSortKind::skNumber;
    default:
        return TSortKind::skText;
    }
}

double NumberOf(TSortKind kind, const QString &text)
{
    double v = 0;
    if (kind == TSortKind::skDate) {
        if (!toolkit::TryStrToDateTime(text, v))
            v = 0;
    } else if (!toolkit::TryStrToFloat(text, v)) {
        v = 0;
    }
    return v;
}

// A count of marked positions, for the rows that sort before a group.
class TFenwick
{
public:
    explicit TFenwick(int n) : FTree(size_t(n) + 1, 0) {}
    void Add(int i)
    {
        for (++i; i < int(FTree.size()); i += i & -i)
            ++FTree[size_t(i)];
    }
    int Prefix(int i) const // marked positions < i
    {
        int s = 0;
        for (; i > 0; i -= i & -i)
            s += FTree[size_t(i)];
        return s;
    }
    int Between(int from, int to) const { return to <= from ? 0 : Prefix(to) - Prefix(from); }

private:
    std::vector<int> FTree;
};

} // namespace

TIBoStringGrid::TIBoStringGrid(QWidget *parent)
    : toolkit::TStringGrid(parent)
    , FFieldInfo(std::make_unique<marvok::TIFieldInfo>())
{
    SetOptions((Options() | toolkit::goColSizing | toolkit::goAlwaysShowEditor) & ~toolkit::TGridOptions(toolkit::goRangeSelect));
}

TIBoStringGrid::~TIBoStringGrid()
{
    FDestroying = true;
}

// --- binding ------------------------------------------------------------------------------

bool TIBoStringGrid::EditorOnCell(int ACol, int ARow) const
{
    return InplaceEditor() && InplaceEditor()->isVisible() && Col() == ACol && Row() == ARow;
}

void TIBoStringGrid::SetField(int ACol, int ARow, TField *Field)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        return;
    SetObjects(ACol, ARow, Field);
    QString text;
    GetResponse(ACol, ARow, Field, text);
    SetCells(ACol, ARow, text);
    if (EditorOnCell(ACol, ARow)) {
        InplaceEditor()->setText(text);
        FEditText = text;
    }
}

TField *TIBoStringGrid::GetField(int ACol, int ARow) const
{
    if (FDeletingRow || ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        return nullptr;
    return ObjectAs<TField>(ACol, ARow);
}

void TIBoStringGrid::GetFieldType(int ACol, int ARow, QString &Value)
{
    TField *field = GetField(ACol, ARow);
    FFieldInfo->SetField(field);
    Value = field ? FFieldInfo->FieldType() : QString();
    if (aiOnGetFieldType)
        aiOnGetFieldType(this, ACol, ARow, Value);
}

void TIBoStringGrid::GetFieldSifrant(int ACol, int ARow, QString &Value)
{
    TField *field = GetField(ACol, ARow);
    FFieldInfo->SetField(field);
    Value = field ? FFieldInfo->Sifrant() : QString();
    if (aiOnGetSifrant)
        aiOnGetSifrant(this, ACol, ARow, Value);
}

QString TIBoStringGrid::FieldType(int ACol, int ARow)
{
    QString v;
    GetFieldType(ACol, ARow, v);
    return v;
}

QString TIBoStringGrid::FieldSifrant(int ACol, int ARow)
{
    QString v;
    GetFieldSifrant(ACol, ARow, v);
    return v;
}

bool TIBoStringGrid::ResponseAsSifrant(int)
{
    return false;
}

void TIBoStringGrid::GetResponse(int ACol, int ARow, TField *Field, QString &Value)
{
    Value.clear();
    if (Field && Field->DataSet()) {
        FFieldInfo->SetField(Field);
        QString sifrant, type;
        // The getters read the cell's own binding; during SetField it is
        // Field already.
        GetFieldSifrant(ACol, ARow, sifrant);
        GetFieldType(ACol, ARow, type);
        FFieldInfo->SetField(Field);
        const QString edit = Field->EditText();
        if (type == TypeS && !sifrant.isEmpty()) {
            if (!marvok::Sifranti().Exists(sifrant)) {
                Value = edit;
            } else {
                Value = marvok::Sifranti().DisplayForm(sifrant, edit);
                if (ResponseAsSifrant(ACol))
                    Value = Value.trimmed() + QStringLiteral("  ") + marvok::Sifranti().Description(sifrant, edit);
            }
        } else if (type == TypeMS && !sifrant.isEmpty()) {
            Value = edit;
            if (ResponseAsSifrant(ACol))
                Value = edit.trimmed() + QStringLiteral("  ") + marvok::SkupSifranti().Description(sifrant, edit);
        } else {
            Value = edit;
        }
    }
    if (aiOnGetResponse)
        aiOnGetResponse(this, ACol, ARow, Field, Value);
}

void TIBoStringGrid::UpdateRow(int ARow)
{
    if (ARow < 0 || ARow >= RowCount())
        return;
    for (int c = 0; c < ColCount(); ++c) {
        // Cells without a field keep the host's text (row numbers, titles).
        if (TField *field = GetField(c, ARow)) {
            QString text;
            GetResponse(c, ARow, field, text);
            SetCells(c, ARow, text);
        }
    }
}

void TIBoStringGrid::RefreshRowContent(int AFromRow, int AToRow)
{
    for (int r = qMax(0, AFromRow); r <= AToRow && r < RowCount(); ++r)
        UpdateRow(r);
}

void TIBoStringGrid::DoInvalidate()
{
    if (FClearAction || FDestroying || !FFieldInfo)
        return;
    RefreshRowContent(1, RowCount() - 1);
}

void TIBoStringGrid::Invalidate()
{
    DoInvalidate();
    toolkit::TStringGrid::Invalidate();
}

QString TIBoStringGrid::GetEditText(int ACol, int ARow)
{
    if (TField *field = GetField(ACol, ARow))
        GetResponse(ACol, ARow, field, FEditText);
    else
        FEditText = toolkit::TStringGrid::GetEditText(ACol, ARow);
    return FEditText;
}

void TIBoStringGrid::SetEditText(int, int, const QString &value)
{
    // Only remembered: the text reaches the field through UpdateField, and
    // the cell shows the field's text, never the typing.
    FEditText = value;
    if (auto *list = qobject_cast<toolkit::TInplaceEditList *>(InplaceEditor())) {
        // A pick list shows "code  description"; the code alone is the value.
        const int codeWidth = list->PickListWidget() ? list->PickListWidget()->property("Tag").toInt() : 0;
        if (codeWidth > 0)
            FEditText = value.left(codeWidth);
    }
}

QString TIBoStringGrid::GetEditMask(int ACol, int ARow)
{
    TField *field = GetField(ACol, ARow);
    if (!field)
        return toolkit::TStringGrid::GetEditMask(ACol, ARow);
    QString mask = field->EditMask();
    if (field->DataType() == TFieldType::ftDateTime)
        mask = QStringLiteral("99.99.9999 99:99;1; ");
    if (aiOnGetMaskEvent)
        aiOnGetMaskEvent(this, ACol, ARow, field, mask);
    return mask;
}

toolkit::TEditStyle TIBoStringGrid::GetEditStyle(int ACol, int ARow)
{
    toolkit::TEditStyle style = toolkit::TStringGrid::GetEditStyle(ACol, ARow);
    const QString type = FieldType(ACol, ARow);
    if (!type.isEmpty()) {
        const QString sifrant = FieldSifrant(ACol, ARow);
        if ((type == TypeS || type == TypeSC || type == TypeMMS) && !sifrant.isEmpty())
            style = toolkit::TEditStyle::esEllipsis;
        else if (type == TypeMS && !sifrant.isEmpty())
            style = toolkit::TEditStyle::esPickList;
        else
            style = toolkit::TEditStyle::esSimple;
    }
    if (aiOnGetEditStyle)
        aiOnGetEditStyle(this, ACol, ARow, style);
    return style;
}

void TIBoStringGrid::Undo()
{
    QString text;
    GetResponse(Col(), Row(), GetField(Col(), Row()), text);
    if (TField *field = GetField(Col(), Row()); field || !text.isEmpty())
        SetCells(Col(), Row(), text);
    if (toolkit::TInplaceEdit *ed = InplaceEditor()) {
        ed->setText(text);
        ed->setModified(false);
        ed->selectAll();
    }
    FEditText = text;
}

void TIBoStringGrid::UpdateCurrentField()
{
    if (GetField(Col(), Row()) && InplaceEditor() && CellIsEditable(Col(), Row()))
        UpdateField(Col(), Row(), FEditText);
}

// --- editability ----------------------------------------------------------------------

bool TIBoStringGrid::CellIsEditable(int ACol, int ARow)
{
    if (!aiOnGetCellEditable)
        return false;
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        return false;
    bool editable = true;
    aiOnGetCellEditable(this, ACol, ARow, editable);
    return editable;
}

bool TIBoStringGrid::GetReadOnlyField(int ACol, int ARow)
{
    TField *field = GetField(ACol, ARow);
    bool readOnly = field && field->ReadOnly();
    if (aiOnGetCellReadOnly) {
        aiOnGetCellReadOnly(this, ACol, ARow, readOnly);
    } else if (aiOnGetCellEditable) {
        bool editable = !readOnly;
        aiOnGetCellEditable(this, ACol, ARow, editable);
        readOnly = !editable;
    }
    return readOnly;
}

void TIBoStringGrid::SetEditingFor(int ACol, int ARow)
{
    const bool editable = CellIsEditable(ACol, ARow);
    toolkit::TGridOptions o = Options();
    o.setFlag(toolkit::goEditing, editable);
    SetOptions(o);
}

// --- the commit path ----------------------------------------------------------------------

void TIBoStringGrid::RaiseUnknownCode(const QString &Value)
{
    throw toolkit::Exception(QStringLiteral("Koda %1 ne obstaja v šifrantu!").arg(Value));
}

void TIBoStringGrid::WriteFieldText(TField *field, const QString &text)
{
    toolkit::TDataSet *ds = field->DataSet();
    // A data set the host is editing already stays in its hands.
    const bool ours = ds->State() == toolkit::TDataSetState::dsBrowse;
    if (ours)
        ds->Edit();
    try {
        field->SetEditText(text);
        if (ours)
            ds->Post();
    } catch (...) {
        if (ours)
            ds->Cancel();
        throw;
    }
}

void TIBoStringGrid::UpdateField(int ACol, int ARow, QString Value)
{
    if (FValueAllwaysUpper)
        Value = Value.toUpper();
    toolkit::TInplaceEdit *ed = InplaceEditor();
    if (!ed || !ed->Modified())
        return;

    TField *field = GetField(ACol, ARow);
    QString sifrant, type;
    GetFieldSifrant(ACol, ARow, sifrant);
    GetFieldType(ACol, ARow, type);
    if (type == TypeSC && !IsBlank(Value) && !marvok::Sifranti().Exists(sifrant))
        type = TypeS;

    if (FForceLookupOnCustomLookup && !IsBlank(Value) && aiOnLookupFieldEvent) {
        bool standard = true;
        aiOnLookupFieldEvent(ACol, ARow, field, standard, Value);
        if (!standard)
            return;
    }
    if (aiOnBeforeUpdateField) {
        const QString before = Value;
        aiOnBeforeUpdateField(this, field, type, sifrant, ACol, ARow, Value, ed->text());
        if (Value != before && !Value.isEmpty()) {
            ed->setText(Value);
            ed->setModified(true);
        }
    }
    if (!field)
        return;
    FFieldInfo->SetField(field);

    if ((type == TypeS || type == TypeSC) && !sifrant.isEmpty()) {
        marvok::TISifranti &lists = marvok::Sifranti();
        if (!lists.Exists(sifrant)) {
            if (!lists.CodeExistsUnregistered(sifrant, Value)) {
                switch (FOnUnexistingCode) {
                case TIOnUnexistingCode::ouException:
                    RaiseUnknownCode(Value);
                case TIOnUnexistingCode::ouLookup:
                    Value = LookupSifrant(sifrant, Value);
                    if (!lists.CodeExistsUnregistered(sifrant, Value))
                        RaiseUnknownCode(Value);
                    break;
                case TIOnUnexistingCode::ouNone:
                    break;
                }
            }
        } else if (IsBlank(Value)) {
            Value.clear();
        } else if (lists.CodeExists(sifrant, Value)) {
            if (type == TypeS)
                Value = lists.Canonical(sifrant, Value);
        } else {
            switch (FOnUnexistingCode) {
            case TIOnUnexistingCode::ouException: {
                if (aiOnUnexistingCodeEvent) {
                    QString newValue;
                    aiOnUnexistingCodeEvent(this, ACol, ARow, sifrant, Value, newValue);
                }
                if (!hasFocus() && !(InplaceEditor() && InplaceEditor()->hasFocus()))
                    setFocus(Qt::OtherFocusReason);
                RaiseUnknownCode(Value);
            }
            case TIOnUnexistingCode::ouLookup: {
                bool proceed = true;
                if (aiOnUnexistingCodeEvent) {
                    QString newValue;
                    proceed = aiOnUnexistingCodeEvent(this, ACol, ARow, sifrant, Value, newValue);
                }
                if (proceed) {
                    LookupField(ACol, ARow);
                    Value = EditorOnCell(ACol, ARow) ? InplaceEditor()->text() : Cells(ACol, ARow);
                }
                if (!lists.CodeExists(sifrant, Value))
                    RaiseUnknownCode(Value);
                Value = lists.Canonical(sifrant, Value);
                break;
            }
            case TIOnUnexistingCode::ouNone:
                break;
            }
        }
    } else if (type == TypeMMS && !sifrant.isEmpty()) {
        // Typed runs of codes are split as the multi-selection reads them,
        // keeping only codes the host's callback lets in.
        TCanAddForMMS canAdd;
        if (aiOnCanAddForMMSCallBack)
            canAdd = [this](const QString &code, const QString &list) { return aiOnCanAddForMMSCallBack(code, list); };
        Value = ParseSelectionText(Value.toUpper(), sifrant, canAdd).join(QLatin1Char(','));
    } else if (field->IsDateTimeType()) {
        const toolkit::TFormatSettings &fs = toolkit::FormatSettings();
        bool onlySeparators = true;
        for (QChar ch : std::as_const(Value))
            onlySeparators = onlySeparators && (ch == fs.DateSeparator || ch == fs.TimeSeparator || ch.isSpace());
        if (onlySeparators) {
            Value.clear();
        } else {
            // A mask with a time leaves its separator when only a date was
            // typed; that is no time the user gave.
            QString text = Value.trimmed();
            const int space = text.indexOf(QLatin1Char(' '));
            if (space > 0) {
                bool blankTime = true;
                for (QChar ch : text.mid(space))
                    blankTime = blankTime && (ch == fs.TimeSeparator || ch.isSpace());
                if (blankTime)
                    text = text.left(space);
            }
            try {
                Value = toolkit::DateTimeToStr(toolkit::StrToDateTime(text));
            } catch (const toolkit::Exception &e) {
                throw toolkit::Exception(QStringLiteral("Napaka pri pretvorbi datuma %1 v obliko %2!\r\r%3")
                                             .arg(Value, fs.ShortDateFormat, e.UserMessage()));
            }
        }
    }

    const bool isFloat = field->DataType() == TFieldType::ftFloat || field->DataType() == TFieldType::ftCurrency;
    if (isFloat) {
        try {
            double d = 0;
            // An empty cell clears the quantity; anything else must be a number.
            if (!IsBlank(Value) && !toolkit::TryStrToFloat(Value.trimmed(), d))
                throw toolkit::EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(Value));
            WriteFieldText(field, Value.trimmed());
        } catch (const toolkit::Exception &) {
            throw toolkit::Exception(QStringLiteral("V polje \"Dano\" ste vnesli neveljaven zapis za aplicirano količino. Za vnos "
                                                    "količine so dovoljene samo številske vrednosti!"));
        }
    } else {
        WriteFieldText(field, Value);
    }
    SetField(ACol, ARow, field);
    if (Col() == ACol && Row() == ARow && InplaceEditor())
        InplaceEditor()->setModified(false);

    bool notify = true;
    if (aiOnNotifyErrorChange)
        aiOnNotifyErrorChange(this, ACol, ARow, field, notify);
    if (notify) {
        marvok::TIErrorLevel level = marvok::TIErrorLevel::elNone;
        QString message;
        if (marvok::GetFieldErrorState(field, level, message))
            marvok::NotifyErrorChange(level, message, field->DisplayLabel(), this);
    }
    if (aiOnUpdateField)
        aiOnUpdateField(this, ACol, ARow, field);
    if (FUpdateRowOnUpdateData)
        UpdateRow(ARow);
}

void TIBoStringGrid::LookupField(int, int)
{
}

QString TIBoStringGrid::LookupSifrant(const QString &, const QString &AValue)
{
    return AValue;
}

// --- the current cell -----------------------------------------------------------------------

bool TIBoStringGrid::SelectCell(int ACol, int ARow)
{
    if (FClearAction)
        return toolkit::TStringGrid::SelectCell(ACol, ARow);
    UpdateCurrentField();
    if (ARow != Row() && aiOnBeforeRowChange)
        aiOnBeforeRowChange(this);
    const bool can = toolkit::TStringGrid::SelectCell(ACol, ARow);
    if (can) {
        const bool editable = CellIsEditable(ACol, ARow);
        SetEditingFor(ACol, ARow);
        if (editable && !FSelectedList.isEmpty()) {
            FSelectedList.clear();
            viewport()->update();
        }
    }
    return can;
}

void TIBoStringGrid::Click()
{
    toolkit::TStringGrid::Click();
    const bool editable = CellIsEditable(Col(), Row());
    SetEditingFor(Col(), Row());
    if (editable != EditorMode())
        SetEditorMode(editable);
    if (toolkit::TInplaceEdit *ed = InplaceEditor()) {
        ed->setReadOnly(GetReadOnlyField(Col(), Row()));
        marvok::SetControlColor(ed, marvok::aiClFocus());
    }
}

void TIBoStringGrid::GotoCell(int ACol, int ARow)
{
    if (ACol < FixedCols() || ARow < FixedRows() || ACol >= ColCount() || ARow >= RowCount())
        return;
    FocusCell(ACol, ARow, true);
    if (Col() == ACol && Row() == ARow && isVisible()) {
        if (!hasFocus() && !(InplaceEditor() && InplaceEditor()->hasFocus()))
            setFocus(Qt::OtherFocusReason);
        if (CellIsEditable(ACol, ARow))
            ShowEditor();
    }
}

void TIBoStringGrid::SetInplaceEditorSelection()
{
    toolkit::TInplaceEdit *ed = InplaceEditor();
    if (!ed)
        return;
    bool notAll = !FSelectAllOnEdit;
    for (const QString &c : FColumnsNotSelectAll.split(QLatin1Char(','), Qt::SkipEmptyParts))
        notAll = notAll || c.trimmed().toInt() == Col();
    if (notAll)
        ed->deselect();
    else
        ed->selectAll();
}

void TIBoStringGrid::DoEnter()
{
    SetEditingFor(Col(), Row());
    toolkit::TStringGrid::DoEnter();
    if (!CellIsEditable(Col(), Row())) {
        int c = Col(), r = Row();
        if (FindNextEditableCell(c, r, FMoveDownOnCR))
            GotoCell(c, r);
    } else {
        // Not through SelectCell: that would commit, and a refused text
        // coming back for correcting would be refused again.
        ShowEditor();
    }
}

void TIBoStringGrid::DoExit()
{
    // Leaving for the form's cancel button: the typing is meant to go.
    if (QWidget *form = marvok::GetParentForm(this)) {
        if (auto *button = qobject_cast<marvok::TIBitBtn *>(form->focusWidget()); button && button->Cancel())
            return;
    }
    const QString typed = FEditText;
    try {
        UpdateCurrentField();
    } catch (...) {
        // Refused: back into the cell with what was typed, for correcting.
        setFocus(Qt::OtherFocusReason);
        ShowEditor();
        if (toolkit::TInplaceEdit *ed = InplaceEditor()) {
            ed->setText(typed);
            ed->setModified(true);
            FEditText = typed;
            if (ed->isVisible())
                ed->setFocus(Qt::OtherFocusReason);
        }
        throw;
    }
    if (CellIsEditable(Col(), Row()))
        HideEditor();
}

// --- keys -----------------------------------------------------------------------------------

void TIBoStringGrid::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    const int original = key;
    toolkit::TInplaceEdit *ed = InplaceEditor();
    const Qt::KeyboardModifiers mods = shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (FMoveToEditFieldsOnly && mods == Qt::NoModifier && ed && CellIsEditable(Col(), Row())) {
        bool handled = false;
        switch (key) {
        case Qt::Key_Right:
            if (ed->cursorPosition() == ed->text().size()) {
                MoveToNextEditableCell(false);
                handled = true;
            }
            break;
        case Qt::Key_Left:
            if (ed->cursorPosition() == 0) {
                MoveToPreviousEditableCell();
                handled = true;
            }
            break;
        case Qt::Key_Up:
            handled = MoveToUpperEditableCell(true);
            break;
        case Qt::Key_Down:
            handled = MoveToUpperEditableCell(false);
            break;
        default:
            break;
        }
        if (handled)
            key = 0;
    }
    if (key != 0)
        ExtraKeyDown(key, shift);
    if (key != 0)
        toolkit::TStringGrid::KeyDown(key, shift);
    if (original == Qt::Key_PageUp || original == Qt::Key_PageDown || original == Qt::Key_Up || original == Qt::Key_Down) {
        if (aiOnRowChange)
            aiOnRowChange(this);
    }
}

void TIBoStringGrid::ExtraKeyDown(int &key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        key = 0;
        if (FUpdateCurrentFieldOnEnter)
            UpdateCurrentField();
        const int col = Col(), row = Row();
        if (aiOnExitField)
            aiOnExitField(this, col, row);
        if (Col() == col && Row() == row)
            MoveToNextEditableCell(FMoveDownOnCR);
        SetInplaceEditorSelection();
    } else if (key == Qt::Key_F2) {
        if (GetEditStyle(Col(), Row()) != toolkit::TEditStyle::esSimple) {
            LookupField(Col(), Row());
            key = 0;
        }
    }
}

void TIBoStringGrid::KeyUp(int &key, Qt::KeyboardModifiers shift)
{
    toolkit::TStringGrid::KeyUp(key, shift);
    ExtraKeyUp(key, shift);
}

void TIBoStringGrid::ExtraKeyUp(int &key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_Return || key == Qt::Key_Enter)
        SetInplaceEditorSelection();
}

// --- finding editable cells ------------------------------------------------------------------

bool TIBoStringGrid::FindNextEditableCell(int &ACol, int &ARow, bool Down)
{
    // A fixed cell can never become the current one, whatever the host says.
    auto ok = [&](int c, int r) { return c >= FixedCols() && r >= FixedRows() && CellIsEditable(c, r); };
    if (Down) {
        for (int r = ARow + 1; r < RowCount(); ++r)
            if (ok(ACol, r)) {
                ARow = r;
                return true;
            }
        for (int c = ACol + 1; c < ColCount(); ++c)
            for (int r = 0; r < RowCount(); ++r)
                if (ok(c, r)) {
                    ACol = c;
                    ARow = r;
                    return true;
                }
        return false;
    }
    for (int c = ACol + 1; c < ColCount(); ++c)
        if (ok(c, ARow)) {
            ACol = c;
            return true;
        }
    for (int r = ARow + 1; r < RowCount(); ++r)
        for (int c = 0; c < ColCount(); ++c)
            if (ok(c, r)) {
                ACol = c;
                ARow = r;
                return true;
            }
    return false;
}

bool TIBoStringGrid::FindPreviousEditableCell(int &ACol, int &ARow)
{
    auto ok = [&](int c, int r) { return c >= FixedCols() && r >= FixedRows() && CellIsEditable(c, r); };
    if (ACol > 1) {
        for (int c = ACol - 1; c >= 0; --c)
            if (ok(c, ARow)) {
                ACol = c;
                return true;
            }
    }
    for (int r = ARow - 1; r >= 0; --r)
        for (int c = ColCount() - 1; c >= 0; --c)
            if (ok(c, r)) {
                ACol = c;
                ARow = r;
                return true;
            }
    return false;
}

void TIBoStringGrid::MoveToNextEditableCell(bool Down)
{
    int c = Col(), r = Row();
    if (FindNextEditableCell(c, r, Down)) {
        if (r == Row() && Row() == RowCount() - 1 && aiOnLastRowFindNextCell)
            aiOnLastRowFindNextCell(this, Col(), Row(), c, r);
        GotoCell(c, r);
        return;
    }
    if (CanAutoAddNewObject()) {
        // What was typed belongs to the row it was typed in, before the new one.
        UpdateCurrentField();
        pelvar::TplDomainObject *created = nullptr;
        AddNewObject(created);
        c = Col();
        r = Row();
        if (FindNextEditableCell(c, r, Down))
            GotoCell(c, r);
        return;
    }
    UpdateCurrentField();
    marvok::GoToNextDlgControl(this);
}

void TIBoStringGrid::MoveToPreviousEditableCell()
{
    int c = Col(), r = Row();
    if (FindPreviousEditableCell(c, r)) {
        GotoCell(c, r);
        return;
    }
    UpdateCurrentField();
    marvok::GoToPrevDlgControl(this);
}

bool TIBoStringGrid::MoveToUpperEditableCell(bool Up)
{
    const int col = Col();
    for (int r = Up ? Row() - 1 : Row() + 1; Up ? r >= 0 : r < RowCount(); r += Up ? -1 : 1) {
        if (r >= FixedRows() && CellIsEditable(col, r)) {
            GotoCell(col, r);
            return Row() == r;
        }
    }
    return false;
}

// --- rows -------------------------------------------------------------------------------------

void TIBoStringGrid::AddNewObject(pelvar::TplDomainObject *&NewObject)
{
    if (!FAutoNewObject)
        return;
    if (!aiOnAddNewObject)
        throw toolkit::Exception(QStringLiteral("TIBoStringGrid.AddNewObject: No new object event!"));
    aiOnAddNewObject(this, NewObject);
}

void TIBoStringGrid::SetValueAndGoToNewLine(const QString &Value)
{
    if (TField *field = GetField(Col(), Row())) {
        WriteFieldText(field, Value);
        SetField(Col(), Row(), field);
    }
    auto filled = [this] {
        TField *f = GetField(Col(), Row());
        return f && !f->AsString().isEmpty();
    };
    while (filled()) {
        if (MoveToUpperEditableCell(false))
            continue;
        if (!CanAutoAddNewObject())
            break;
        pelvar::TplDomainObject *created = nullptr;
        AddNewObject(created);
        if (!MoveToUpperEditableCell(false))
            break;
    }
    SetInplaceEditorSelection();
}

void TIBoStringGrid::ClearObjects(int ARow)
{
    if (ARow < 0 || ARow >= RowCount())
        return;
    for (int c = 0; c < ColCount(); ++c) {
        SetObjects(c, ARow, nullptr);
        SetCells(c, ARow, QString());
    }
}

void TIBoStringGrid::RemoveRow(int ARow)
{
    if (ARow < 1 || ARow >= RowCount())
        return;
    TFlagScope deleting(FDeletingRow);
    const int last = RowCount() - 1;
    if (ARow == 1 && last == 1) {
        ClearObjects(1);
        FSelectedList.clear();
    } else if (ARow == last) {
        ClearObjects(ARow);
        FSelectedList.clear();
        SetRowCount(RowCount() - 1);
        SetRowSelected(RowCount(), false);
    } else {
        for (int r = ARow; r < last; ++r) {
            for (int c = 0; c < ColCount(); ++c) {
                SetCells(c, r, Cells(c, r + 1));
                SetObjects(c, r, Objects(c, r + 1));
            }
            SetRowSelected(r, GetRowSelected(r + 1));
        }
        ClearObjects(last);
        SetRowSelected(last, false);
        SetRowCount(RowCount() - 1);
    }
    viewport()->update();
}

void TIBoStringGrid::Clear()
{
    TFlagScope clearing(FClearAction);
    if (FOptimize) {
        SetRowCount(2);
        ClearObjects(1);
    }
    for (int r = RowCount() - 1; r >= 1; --r)
        RemoveRow(r);
    HideEditor();
    for (int c = 0; c < ColCount(); ++c)
        SetField(c, 1, nullptr);
}

// --- selection ----------------------------------------------------------------------------------

int TIBoStringGrid::GetSelected(int Index) const
{
    return Index >= 0 && Index < FSelectedList.size() ? FSelectedList.at(Index).toInt() : -1;
}

int TIBoStringGrid::aiSelectedRow() const
{
    return FSelectedList.isEmpty() ? Row() : FSelectedList.first().toInt();
}

bool TIBoStringGrid::GetRowSelected(int ARow) const
{
    const QString key = QString::number(ARow);
    const auto it = std::lower_bound(FSelectedList.cbegin(), FSelectedList.cend(), key);
    return it != FSelectedList.cend() && *it == key;
}

void TIBoStringGrid::SetRowSelected(int ARow, bool Value)
{
    const QString key = QString::number(ARow);
    const auto it = std::lower_bound(FSelectedList.begin(), FSelectedList.end(), key);
    const bool present = it != FSelectedList.end() && *it == key;
    if (Value && !present)
        FSelectedList.insert(it, key);
    else if (!Value && present)
        FSelectedList.erase(it);
    else
        return;
    viewport()->update();
}

void TIBoStringGrid::SetSelectedRowExclusive(int ARow, bool Exclusive)
{
    if (Exclusive) {
        FSelectedList.clear();
        SetRowSelected(ARow, true);
    } else {
        SetRowSelected(ARow, !GetRowSelected(ARow));
    }
    viewport()->update();
}

void TIBoStringGrid::SetSelectedRangeOfRows(int AFromRow, int AToRow, bool AApply)
{
    if (!AApply)
        return;
    FSelectedList.clear();
    for (int r = qMin(AFromRow, AToRow); r <= qMax(AFromRow, AToRow); ++r)
        SetRowSelected(r, true);
    viewport()->update();
}

void TIBoStringGrid::CopySelected(int ACol)
{
    QString text;
    for (const QString &row : std::as_const(FSelectedList))
        text += Cells(ACol, row.toInt()) + QStringLiteral("\r\n");
    QGuiApplication::clipboard()->setText(text);
}

void TIBoStringGrid::setAiShowRowSelection(bool v)
{
    if (FbShowRowSelection == v)
        return;
    FbShowRowSelection = v;
    viewport()->update();
}

void TIBoStringGrid::SetUpdating(bool v)
{
    if (FUpdating == v)
        return;
    FUpdating = v;
    if (!v)
        Invalidate();
}

void TIBoStringGrid::setAiMultiLineTitle(bool v)
{
    if (FbMultiLineTitle == v)
        return;
    FbMultiLineTitle = v;
    viewport()->update();
}

// --- mouse ----------------------------------------------------------------------------------------

void TIBoStringGrid::MouseDown(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    const toolkit::TGridCoord cell = MouseCoord(pos.x(), pos.y());
    FPressedCol = cell.X;
    FOldColWidth = cell.X >= 0 ? ColWidths(cell.X) : 0;
    FOldPrevColWidth = cell.X > 0 ? ColWidths(cell.X - 1) : 0;
    const bool shiftHeld = e->modifiers().testFlag(Qt::ShiftModifier);
    const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
    if (!shiftHeld)
        FFirstRowSelected = cell.Y;

    if (cell.Y >= 0 && cell.Y < FixedRows()) {
        // A title clicked with a changed text open: the text goes in first.
        if (InplaceEditor() && InplaceEditor()->Modified())
            UpdateCurrentField();
        toolkit::TStringGrid::MouseDown(e);
        return;
    }
    const bool hasPopup = contextMenuPolicy() == Qt::CustomContextMenu || contextMenuPolicy() == Qt::ActionsContextMenu;
    if (e->button() == Qt::RightButton && hasPopup && cell.Y >= 0 && GetRowSelected(cell.Y))
        return;

    toolkit::TStringGrid::MouseDown(e);
    if (cell.X < 0 || cell.Y < FixedRows())
        return;
    if (CellIsEditable(cell.X, cell.Y)) {
        GotoCell(cell.X, cell.Y);
        SetSelectedRowExclusive(cell.Y, !ctrl);
        SetInplaceEditorSelection();
    } else {
        if (cell.X >= FixedCols())
            GotoCell(cell.X, cell.Y);
        else
            SetRow(cell.Y);
        SetSelectedRowExclusive(cell.Y, !ctrl);
        HideEditor();
    }
    if (aiOnRowChange)
        aiOnRowChange(this);
}

void TIBoStringGrid::MouseUp(QMouseEvent *e)
{
    toolkit::TStringGrid::MouseUp(e);
    const QPoint pos = e->position().toPoint();
    const toolkit::TGridCoord cell = MouseCoord(pos.x(), pos.y());
    FLastClickedCell = QPoint(cell.X, cell.Y);
    const bool resized = FPressedCol >= 0
        && (ColWidths(FPressedCol) != FOldColWidth || (FPressedCol > 0 && ColWidths(FPressedCol - 1) != FOldPrevColWidth));
    if (FaiAllowCustomSort && cell.Y == 0 && FixedRows() == 1 && cell.X >= 0) {
        if (!resized && cell.X == FPressedCol && e->button() == Qt::LeftButton)
            ForcedColumnSort(cell.X);
        return;
    }
    if (cell.Y < 0)
        return;
    FLastRowSelected = cell.Y;
    if (e->modifiers().testFlag(Qt::ShiftModifier) && FFirstRowSelected >= FixedRows() && cell.Y >= FixedRows())
        SetSelectedRangeOfRows(FFirstRowSelected, FLastRowSelected, true);
}

void TIBoStringGrid::MouseMove(QMouseEvent *e)
{
    toolkit::TStringGrid::MouseMove(e);
    if (!aiOnGetHintForCell || !FShowHint)
        return;
    const QPoint pos = e->position().toPoint();
    const toolkit::TGridCoord cell = MouseCoord(pos.x(), pos.y());
    if (cell.X == FLastHintCol && cell.Y == FLastHintRow)
        return;
    FLastHintCol = cell.X;
    FLastHintRow = cell.Y;
    QString hint;
    aiOnGetHintForCell(this, cell.X, cell.Y, hint);
    QToolTip::hideText();
    setToolTip(hint);
    viewport()->setToolTip(hint);
}

void TIBoStringGrid::ColWidthsChanged()
{
    toolkit::TStringGrid::ColWidthsChanged();
    if (aiOnColWidthsChanged)
        aiOnColWidthsChanged(this);
}

// --- sorting --------------------------------------------------------------------------------------

void TIBoStringGrid::Sort()
{
    TFlagScope sorting(FSorting);
    DoSort();
}

void TIBoStringGrid::DoSort()
{
    if (RowCount() - FixedRows() > 1)
        QuickSort(FixedRows(), RowCount() - 1);
}

int TIBoStringGrid::Compare(int ARow1, int ARow2)
{
    if (aiOnCompare) {
        int result = 0;
        aiOnCompare(this, ARow1, ARow2, result);
        return result;
    }
    return QString::localeAwareCompare(Cells(0, ARow1), Cells(0, ARow2));
}

void TIBoStringGrid::QuickSort(int L, int R)
{
    int I, J;
    do {
        I = L;
        J = R;
        int P = (L + R) >> 1;
        do {
            while (Compare(I, P) < 0)
                ++I;
            while (Compare(J, P) > 0)
                --J;
            if (I <= J) {
                if (I != J)
                    ExchangeRows(I, J);
                // The pivot is a row number: it follows its row.
                if (P == I)
                    P = J;
                else if (P == J)
                    P = I;
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J)
            QuickSort(L, J);
        L = I;
    } while (I < R);
}

void TIBoStringGrid::ExchangeRows(int ARow1, int ARow2)
{
    if (ARow1 == ARow2)
        return;
    for (int c = 0; c < ColCount(); ++c) {
        const QString t = Cells(c, ARow1);
        void *o = Objects(c, ARow1);
        SetCells(c, ARow1, Cells(c, ARow2));
        SetObjects(c, ARow1, Objects(c, ARow2));
        SetCells(c, ARow2, t);
        SetObjects(c, ARow2, o);
    }
}

void TIBoStringGrid::PermuteRows(int AFromRow, const std::vector<int> &order)
{
    // order[k]: the row (counted from AFromRow) that ends at AFromRow + k.
    struct TRowCells
    {
        QStringList Texts;
        QVector<void *> Objects;
    };
    const int cols = ColCount();
    std::vector<TRowCells> rows(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
        TRowCells &rc = rows[k];
        const int r = AFromRow + int(k);
        rc.Texts.reserve(cols);
        rc.Objects.reserve(cols);
        for (int c = 0; c < cols; ++c) {
            rc.Texts << Cells(c, r);
            rc.Objects << Objects(c, r);
        }
    }
    for (size_t k = 0; k < order.size(); ++k) {
        if (order[k] == int(k))
            continue;
        const TRowCells &rc = rows[size_t(order[k])];
        const int r = AFromRow + int(k);
        for (int c = 0; c < cols; ++c) {
            // The object first: a cell with neither is forgotten.
            SetObjects(c, r, rc.Objects.at(c));
            SetCells(c, r, rc.Texts.at(c));
            if (!rc.Objects.at(c))
                SetObjects(c, r, nullptr);
        }
    }
}

void TIBoStringGrid::ExchangeSortByColumn(int AFromRow, int AToRow, int ACol, QChar ADirection)
{
    const bool ascending = ADirection != QLatin1Char('D');
    for (int i = AFromRow; i < AToRow; ++i) {
        for (int j = i + 1; j <= AToRow; ++j) {
            const TSortKind kind = KindOf(GetField(ACol, i));
            const QString ti = Cells(ACol, i), tj = Cells(ACol, j);
            bool exchange;
            if (kind != TSortKind::skText) {
                const double vi = NumberOf(kind, ti), vj = NumberOf(kind, tj);
                exchange = ascending ? vj < vi : vj > vi;
            } else {
                const int cmp = tj.compare(ti, Qt::CaseInsensitive);
                exchange = ascending ? cmp <= 0 : cmp > 0;
            }
            if (exchange)
                ExchangeRows(i, j);
        }
    }
}

void TIBoStringGrid::SortGridByColumn(int AFromRow, int AToRow, int ACol, QChar ADirection)
{
    if (AToRow < 1)
        return;
    if (ADirection.isNull())
        ADirection = QLatin1Char('A');
    AFromRow = qMax(0, AFromRow);
    AToRow = qMin(AToRow, RowCount() - 1);
    const int n = AToRow - AFromRow + 1;
    if (n > 1 && ACol >= 0 && ACol < ColCount()) {
        // The exchange sort compares by the kind of the upper row's field;
        // with one kind in the whole column its result follows from the
        // values alone, and is built here without its n² comparisons.
        const TSortKind kind = KindOf(GetField(ACol, AFromRow));
        bool uniform = true;
        for (int r = AFromRow + 1; r <= AToRow && uniform; ++r)
            uniform = KindOf(GetField(ACol, r)) == kind;
        if (!uniform) {
            ExchangeSortByColumn(AFromRow, AToRow, ACol, ADirection);
        } else {
            const bool ascending = ADirection != QLatin1Char('D');
            std::vector<QString> texts(static_cast<size_t>(n));
            std::vector<double> numbers;
            for (int k = 0; k < n; ++k)
                texts[size_t(k)] = Cells(ACol, AFromRow + k);
            if (kind != TSortKind::skText) {
                numbers.resize(size_t(n));
                for (int k = 0; k < n; ++k)
                    numbers[size_t(k)] = NumberOf(kind, texts[size_t(k)]);
            }
            // <0: a before b in the sorted result.
            auto cmp = [&](int a, int b) {
                int c;
                if (kind == TSortKind::skText)
                    c = texts[size_t(a)].compare(texts[size_t(b)], Qt::CaseInsensitive);
                else
                    c = numbers[size_t(a)] < numbers[size_t(b)] ? -1 : (numbers[size_t(a)] > numbers[size_t(b)] ? 1 : 0);
                return ascending ? c : -c;
            };
            std::vector<int> order(static_cast<size_t>(n));
            for (int k = 0; k < n; ++k)
                order[size_t(k)] = k;
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return cmp(a, b) < 0; });

            // Rows of equal value: the ascending text sort exchanges equal
            // texts too, which reverses each group. The strict comparisons
            // leave a group in the order the smaller rows' passes rotate it
            // into: at every pass that takes a smaller row from behind the
            // group's first run of rows, that run turns by one, and runs
            // join as the smaller rows between them go.
            const bool reverseGroups = kind == TSortKind::skText && ascending;
            TFenwick before(n);
            std::vector<int> result;
            result.reserve(size_t(n));
            for (size_t g = 0; g < order.size();) {
                size_t e = g + 1;
                while (e < order.size() && cmp(order[g], order[e]) == 0)
                    ++e;
                if (reverseGroups) {
                    for (size_t k = e; k > g; --k)
                        result.push_back(order[k - 1]);
                } else if (e - g == 1) {
                    result.push_back(order[g]);
                } else {
                    std::deque<int> run;
                    auto turn = [&run](int by) {
                        const int size = int(run.size());
                        by %= size;
                        if (by <= size - by) {
                            for (int t = 0; t < by; ++t) {
                                run.push_back(run.front());
                                run.pop_front();
                            }
                        } else {
                            for (int t = 0; t < size - by; ++t) {
                                run.push_front(run.back());
                                run.pop_back();
                            }
                        }
                    };
                    int prev = -1;
                    for (size_t k = g; k < e; ++k) {
                        const int at = order[k]; // stable: positions ascend within a group
                        if (prev >= 0)
                            turn(before.Between(prev + 1, at));
                        run.push_back(at);
                        prev = at;
                    }
                    turn(before.Between(prev + 1, n));
                    result.insert(result.end(), run.begin(), run.end());
                }
                for (size_t k = g; k < e; ++k)
                    before.Add(order[k]);
                g = e;
            }
            PermuteRows(AFromRow, result);
        }
    }
    viewport()->update();
    if (aiOnCustomSort)
        aiOnCustomSort(this, ACol, ADirection);
}

void TIBoStringGrid::ForcedColumnSort(int ACol)
{
    if (ACol != FLastSortedColumn)
        FLastSortDirection = QChar(0);
    const QChar direction = FLastSortDirection == QLatin1Char('A') ? QLatin1Char('D') : QLatin1Char('A');
    SortGridByColumn(1, RowCount() - 1, ACol, direction);
    FLastSortedColumn = ACol;
    FLastSortDirection = direction;
    viewport()->update();
}

QPoint TIBoStringGrid::HeaderCellToMouseXY(int ACol) const
{
    const QRect r = CellRect(ACol, 0);
    return r.topLeft() + QPoint(2, 2);
}

// --- painting -----------------------------------------------------------------------------------

void TIBoStringGrid::DrawMultiLineTitle(const QRect &rect, const QString &text)
{
    QPainter *canvas = Canvas();
    const QRect room = rect.adjusted(2, 2, -2, -2);
    const QRect needed = canvas->fontMetrics().boundingRect(room, Qt::TextWordWrap, text);
    const int height = needed.height() + 4;
    if (RowHeights(0) >= height) {
        canvas->fillRect(rect, canvas->brush());
        canvas->drawText(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    } else {
        // Drawn on the next paint, at the height the text needs.
        SetRowHeights(0, height);
    }
}

void TIBoStringGrid::DrawSortTriangle(const QRect &rect)
{
    QPainter *canvas = Canvas();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + canvas->fontMetrics().height();
    QPolygon triangle;
    if (FLastSortDirection == QLatin1Char('A'))
        triangle << QPoint(right - 6, 1) << QPoint(right - 11, bottom) << QPoint(right - 1, bottom);
    else
        triangle << QPoint(right - 6, bottom) << QPoint(right - 11, 1) << QPoint(right - 1, 1);
    canvas->save();
    const QColor grey(128, 128, 128);
    canvas->setPen(grey);
    canvas->setBrush(grey);
    canvas->drawPolygon(triangle);
    canvas->restore();
}

void TIBoStringGrid::DrawCell(int ACol, int ARow, const QRect &rect, toolkit::TGridDrawState state)
{
    if (FUpdating && FOptimize)
        return;
    QPainter *canvas = Canvas();
    if (!canvas)
        return;
    if (ARow >= FixedRows()) {
        // The grid's own row selection decides, not the platform's cell.
        const bool selected = GetRowSelected(ARow);
        state.setFlag(toolkit::gdSelected, selected);
        const QPalette &pal = palette();
        if (selected && FbShowRowSelection) {
            canvas->setBrush(pal.color(QPalette::Highlight));
            canvas->setPen(pal.color(QPalette::HighlightedText));
        } else if (ACol >= FixedCols()) {
            canvas->setBrush(toolkit::ColorToQColor(Color(), &pal));
            canvas->setPen(pal.color(QPalette::Text));
        }
        if (DefaultDrawing())
            canvas->fillRect(rect, canvas->brush());
    }
    const QString text = Cells(ACol, ARow);
    if (ARow == 0 && FbMultiLineTitle && !text.isEmpty()) {
        DrawMultiLineTitle(rect, text);
        toolkit::TDrawGrid::DrawCell(ACol, ARow, rect, state);
    } else if (ARow >= FixedRows() && FieldType(ACol, ARow) == TypeMS && !FieldSifrant(ACol, ARow).isEmpty()
               && TISkupSifrantFormated::HasFormatedValues(FieldSifrant(ACol, ARow))) {
        TISkupSifrantFormated::DrawItemToCanvas(*canvas, text, FieldSifrant(ACol, ARow), rect);
        toolkit::TDrawGrid::DrawCell(ACol, ARow, rect, state);
    } else {
        toolkit::TStringGrid::DrawCell(ACol, ARow, rect, state);
    }
    if (ARow == 0 && FaiAllowCustomSort && ACol == FLastSortedColumn && !FLastSortDirection.isNull())
        DrawSortTriangle(rect);
}

} // namespace tovlet
