#include "DB.h"
#include "Exception.h"
#include "SysUtils.h"

#include <algorithm>
#include <cmath>

namespace toolkit {

QString FieldTypeName(TFieldType type)
{
    switch (type) {
    case TFieldType::ftUnknown: return QStringLiteral("Unknown");
    case TFieldType::ftString: return QStringLiteral("String");
    case TFieldType::ftInteger: return QStringLiteral("Integer");
    case TFieldType::ftLargeint: return QStringLiteral("Largeint");
    case TFieldType::ftBoolean: return QStringLiteral("Boolean");
    case TFieldType::ftFloat: return QStringLiteral("Float");
    case TFieldType::ftCurrency: return QStringLiteral("Currency");
    case TFieldType::ftDate: return QStringLiteral("Date");
    case TFieldType::ftTime: return QStringLiteral("Time");
    case TFieldType::ftDateTime: return QStringLiteral("DateTime");
    case TFieldType::ftMemo: return QStringLiteral("Memo");
    case TFieldType::ftBlob: return QStringLiteral("Blob");
    }
    return {};
}

// --- TField ----------------------------------------------------------------

TField::TField(TDataSet *dataSet, const QString &fieldName, TFieldType dataType, int size)
    : FDataSet(dataSet)
    , FFieldName(fieldName)
    , FDataType(dataType)
    , FSize(size)
{
}

TField::~TField() = default;

void TField::SetVisible(bool v)
{
    if (FVisible == v)
        return;
    FVisible = v;
    FDataSet->DataEvent(TDataEvent::deLayoutChange);
}

int TField::DisplayWidth() const
{
    if (FDisplayWidth >= 0)
        return FDisplayWidth;
    switch (FDataType) {
    case TFieldType::ftString: return FSize > 0 ? FSize : 20;
    case TFieldType::ftBoolean: return 5;
    case TFieldType::ftDate: return 10;
    case TFieldType::ftTime: return 8;
    case TFieldType::ftDateTime: return 19;
    case TFieldType::ftMemo:
    case TFieldType::ftBlob: return 10;
    default: return 10;
    }
}

void TField::SetDisplayWidth(int v)
{
    if (FDisplayWidth == v)
        return;
    FDisplayWidth = v;
    FDataSet->DataEvent(TDataEvent::deLayoutChange);
}

bool TField::IsDateTimeType() const
{
    return FDataType == TFieldType::ftDate || FDataType == TFieldType::ftTime || FDataType == TFieldType::ftDateTime;
}

bool TField::IsNumericType() const
{
    return FDataType == TFieldType::ftInteger || FDataType == TFieldType::ftLargeint
           || FDataType == TFieldType::ftFloat || FDataType == TFieldType::ftCurrency;
}

QVariant TField::Value() const
{
    const int idx = Index();
    return idx < 0 ? QVariant() : FDataSet->CurrentValue(idx);
}

void TField::SetValue(const QVariant &v)
{
    FDataSet->SetCurrentValue(this, v);
}

bool TField::IsNull() const
{
    return Value().isNull();
}

QString TField::ValueToText(const QVariant &v, bool display) const
{
    if (v.isNull())
        return {};
    switch (FDataType) {
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: {
        const double d = v.toDouble();
        if (display && !FDisplayFormat.isEmpty())
            return Format(FDisplayFormat, {d});
        if (FDataType == TFieldType::ftCurrency && display)
            return FloatToStrF(d, TFloatFormat::ffNumber, 15, 2);
        return FloatToStr(d);
    }
    case TFieldType::ftDate:
        return display && !FDisplayFormat.isEmpty() ? FormatDateTime(FDisplayFormat, v.toDouble())
                                                    : DateToStr(v.toDouble());
    case TFieldType::ftTime:
        return display && !FDisplayFormat.isEmpty() ? FormatDateTime(FDisplayFormat, v.toDouble())
                                                    : TimeToStr(v.toDouble());
    case TFieldType::ftDateTime:
        return display && !FDisplayFormat.isEmpty() ? FormatDateTime(FDisplayFormat, v.toDouble())
                                                    : DateTimeToStr(v.toDouble());
    case TFieldType::ftBoolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case TFieldType::ftBlob:
        return display ? QStringLiteral("(BLOB)") : QString::fromUtf8(v.toByteArray());
    case TFieldType::ftMemo:
        return display ? QStringLiteral("(MEMO)") : v.toString();
    default:
        return v.toString();
    }
}

QString TField::AsString() const
{
    QVariant holder;
    return FIndex < 0 ? QString() : ValueToText(FDataSet->CurrentValueRef(FIndex, holder), false);
}

void TField::SetAsString(const QString &v)
{
    // Empty text is no value, as in the database behind the framework.
    if (v.isEmpty()) {
        Clear();
        return;
    }
    switch (FDataType) {
    case TFieldType::ftInteger:
        SetValue(StrToInt(v));
        break;
    case TFieldType::ftLargeint: {
        bool ok = false;
        const qlonglong n = v.trimmed().toLongLong(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(v));
        SetValue(n);
        break;
    }
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
        SetValue(StrToFloat(v));
        break;
    case TFieldType::ftDate:
        SetValue(StrToDate(v));
        break;
    case TFieldType::ftTime: {
        TDateTime t = 0;
        if (!TryStrToTime(v, t))
            throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(v));
        SetValue(t);
        break;
    }
    case TFieldType::ftDateTime:
        SetValue(StrToDateTime(v));
        break;
    case TFieldType::ftBoolean: {
        const QString u = v.trimmed().toUpper();
        if (u == QLatin1String("TRUE") || u == QLatin1String("T") || u == QLatin1String("1"))
            SetValue(true);
        else if (u == QLatin1String("FALSE") || u == QLatin1String("F") || u == QLatin1String("0"))
            SetValue(false);
        else
            throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(v));
        break;
    }
    case TFieldType::ftBlob:
        SetValue(v.toUtf8());
        break;
    default:
        SetValue(v);
    }
}

int TField::AsInteger() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString)
        return StrToInt(v.toString());
    return v.toInt();
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString)
        return StrToFloat(v.toString());
    return v.toDouble();
}

TDateTime TField::AsDateTime() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString)
        return StrToDateTime(v.toString());
    return v.toDouble();
}

bool TField::AsBoolean() const
{
    return Value().toBool();
}

QString TField::DisplayText() const
{
    QVariant holder;
    QString text = FIndex < 0 ? QString() : ValueToText(FDataSet->CurrentValueRef(FIndex, holder), true);
    if (OnGetText)
        OnGetText(const_cast<TField *>(this), text, true);
    return text;
}

QString TField::Text() const
{
    QString text = AsString();
    if (OnGetText)
        OnGetText(const_cast<TField *>(this), text, false);
    return text;
}

void TField::SetText(const QString &text)
{
    if (OnSetText)
        OnSetText(this, text);
    else
        SetAsString(text);
}

// --- TDataSet --------------------------------------------------------------

TDataSet::TDataSet(QObject *owner)
    : QObject(owner)
{
}

TDataSet::~TDataSet()
{
    const QList<TDataSource *> sources = FDataSources;
    FState = TDataSetState::dsInactive;
    for (TDataSource *s : sources) {
        s->Notify(TDataEvent::deUpdateState, 0);
        s->FDataSet = nullptr;
    }
}

TField *TDataSet::Fields(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FFields.at(size_t(index)).get();
}

TField *TDataSet::FindField(const QString &name) const
{
    for (const auto &f : FFields)
        if (f->FFieldName.compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TField *TDataSet::FieldByName(const QString &name) const
{
    TField *f = FindField(name);
    if (!f) {
        const QString prefix = objectName().isEmpty() ? QString() : objectName() + QLatin1String(": ");
        throw EDatabaseError(prefix + QStringLiteral("Field '%1' not found").arg(name));
    }
    return f;
}

QStringList TDataSet::FieldNames() const
{
    QStringList r;
    for (const auto &f : FFields)
        r.append(f->FFieldName);
    return r;
}

void TDataSet::SetFieldDefs(const QVector<TFieldDef> &defs)
{
    std::vector<std::unique_ptr<TField>> fields;
    fields.reserve(size_t(defs.size()));
    for (const TFieldDef &d : defs) {
        std::unique_ptr<TField> kept;
        for (auto &old : FFields) {
            if (old && old->FFieldName.compare(d.Name, Qt::CaseInsensitive) == 0 && old->FDataType == d.DataType) {
                kept = std::move(old);
                break;
            }
        }
        if (!kept)
            kept = std::make_unique<TField>(this, d.Name, d.DataType, d.Size);
        kept->FSize = d.Size;
        kept->FIndex = int(fields.size());
        fields.push_back(std::move(kept));
    }
    for (auto &dropped : FFields)
        if (dropped)
            dropped->FIndex = -1;
    FFields = std::move(fields);
}

void TDataSet::CheckActive() const
{
    if (!Active()) {
        const QString prefix = objectName().isEmpty() ? QString() : objectName() + QLatin1String(": ");
        throw EDatabaseError(prefix + QStringLiteral("Cannot perform this operation on a closed dataset"));
    }
}

void TDataSet::Open()
{
    if (Active())
        return;
    Fire(BeforeOpen);
    InternalOpen();
    FState = TDataSetState::dsBrowse;
    FCurrent = InternalFetchTo(0) ? 0 : -1;
    FBof = true;
    FEof = FCurrent < 0;
    DataEvent(TDataEvent::deUpdateState);
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterOpen);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    Fire(BeforeClose);
    // Unposted edits are dropped on close, as the original did.
    FBuffer.clear();
    InternalClose();
    FState = TDataSetState::dsInactive;
    FCurrent = -1;
    FBof = FEof = true;
    DataEvent(TDataEvent::deUpdateState);
    Fire(AfterClose);
}

void TDataSet::SetActive(bool value)
{
    if (value)
        Open();
    else
        Close();
}

bool TDataSet::IsEmpty() const
{
    if (!Active())
        return true;
    if (FState == TDataSetState::dsInsert)
        return false;
    return !const_cast<TDataSet *>(this)->InternalFetchTo(0);
}

void TDataSet::MoveTo(int index)
{
    if (index == FCurrent)
        return;
    Fire(BeforeScroll);
    const int distance = index - FCurrent;
    FCurrent = index;
    DataEvent(TDataEvent::deDataSetScroll, distance);
    CursorMoved();
    Fire(AfterScroll);
}

void TDataSet::SetCurrentRecord(int index)
{
    if (!Active())
        return;
    if (index < 0 || !InternalFetchTo(index))
        index = InternalFetchTo(0) ? std::clamp(index, 0, InternalRecordCount() - 1) : -1;
    FCurrent = index;
    FBof = FEof = FCurrent < 0;
}

void TDataSet::SyncCursor(int index)
{
    if (!Active() || FState != TDataSetState::dsBrowse)
        return;
    if (index < 0 || !InternalFetchTo(index)) {
        FCurrent = InternalFetchTo(0) ? std::min(std::max(FCurrent, 0), InternalRecordCount() - 1) : -1;
    } else {
        MoveTo(index);
    }
    FBof = FEof = FCurrent < 0;
}

void TDataSet::First()
{
    CheckBrowseMode();
    if (InternalFetchTo(0))
        MoveTo(0);
    FBof = true;
    FEof = FCurrent < 0;
}

void TDataSet::Last()
{
    CheckBrowseMode();
    const int count = InternalRecordCount();
    if (count > 0)
        MoveTo(count - 1);
    FEof = true;
    FBof = count == 0;
}

void TDataSet::Next()
{
    CheckActive();
    if (!FEof)
        MoveBy(1);
}

void TDataSet::Prior()
{
    CheckActive();
    if (!FBof)
        MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0 || FCurrent < 0)
        return 0;
    int target = FCurrent + distance;
    if (distance > 0) {
        FBof = false;
        if (InternalFetchTo(target)) {
            FEof = false;
        } else {
            target = InternalRecordCount() - 1;
            FEof = true;
        }
    } else {
        FEof = false;
        if (target >= 0) {
            FBof = false;
        } else {
            target = 0;
            FBof = true;
        }
    }
    const int moved = target - FCurrent;
    MoveTo(target);
    return moved;
}

int TDataSet::RecNo() const
{
    if (!Active())
        return 0;
    if (FState == TDataSetState::dsInsert)
        return FInsertPos + 1;
    return FCurrent + 1;
}

void TDataSet::SetRecNo(int value)
{
    CheckBrowseMode();
    if (InternalFetchTo(value - 1)) {
        MoveTo(value - 1);
        FBof = FEof = false;
    }
}

int TDataSet::RecordCount() const
{
    return Active() ? InternalRecordCount() : 0;
}

bool TDataSet::Locate(const QString &keyFields, const QVariantList &keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.size() != keyValues.size())
        throw EDatabaseError(QStringLiteral("Locate: %1 key fields but %2 values").arg(names.size()).arg(keyValues.size()));
    QVector<int> idx;
    for (const QString &n : names)
        idx.append(FieldByName(n.trimmed())->Index());
    if (const std::optional<int> found = InternalLocate(idx, keyValues, options)) {
        if (*found < 0)
            return false;
        MoveTo(*found);
        FBof = FEof = false;
        return true;
    }
    const bool ci = options & int(TLocateOption::loCaseInsensitive);
    const bool partial = options & int(TLocateOption::loPartialKey);
    for (int rec = 0; InternalFetchTo(rec); ++rec) {
        bool match = true;
        for (int k = 0; k < idx.size() && match; ++k) {
            const QVariant v = InternalGetValue(rec, idx.at(k));
            const QVariant &want = keyValues.at(k);
            if (want.isNull() || v.isNull()) {
                match = want.isNull() && v.isNull();
            } else if (want.typeId() == QMetaType::QString || v.typeId() == QMetaType::QString) {
                const QString a = v.toString(), b = want.toString();
                const Qt::CaseSensitivity cs = ci ? Qt::CaseInsensitive : Qt::CaseSensitive;
                match = partial ? a.startsWith(b, cs) : a.compare(b, cs) == 0;
            } else {
                match = QVariant::compare(v, want) == QPartialOrdering::Equivalent;
            }
        }
        if (match) {
            MoveTo(rec);
            FBof = FEof = false;
            return true;
        }
    }
    return false;
}

TBookmark TDataSet::GetBookmark() const
{
    if (!Active() || FCurrent < 0 || FState == TDataSetState::dsInsert)
        return {};
    return InternalBookmark(FCurrent);
}

int TDataSet::InternalBookmarkIndex(const QVariant &bookmark) const
{
    bool ok = false;
    const int i = bookmark.toInt(&ok);
    if (!ok || !const_cast<TDataSet *>(this)->InternalFetchTo(i))
        return -1;
    return i;
}

void TDataSet::GotoBookmark(const TBookmark &bookmark)
{
    CheckBrowseMode();
    const int i = bookmark.isNull() ? -1 : InternalBookmarkIndex(bookmark);
    if (i < 0)
        throw EDatabaseError(QStringLiteral("Record not found"));
    MoveTo(i);
    FBof = FEof = false;
}

bool TDataSet::BookmarkValid(const TBookmark &bookmark) const
{
    return Active() && !bookmark.isNull() && InternalBookmarkIndex(bookmark) >= 0;
}

int TDataSet::CompareBookmarks(const TBookmark &a, const TBookmark &b) const
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    const int ia = InternalBookmarkIndex(a), ib = InternalBookmarkIndex(b);
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

// --- editing ------------------------------------------------------------------

namespace {
bool Editing(TDataSetState s)
{
    return s == TDataSetState::dsEdit || s == TDataSetState::dsInsert;
}
} // namespace

void TDataSet::Edit()
{
    CheckActive();
    if (Editing(FState))
        return;
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (IsEmpty()) {
        Insert();
        return;
    }
    Fire(BeforeEdit);
    FBuffer.resize(FieldCount());
    for (int i = 0; i < FieldCount(); ++i)
        FBuffer[i] = InternalGetValue(FCurrent, i);
    InternalEdit();
    FState = TDataSetState::dsEdit;
    FModified = false;
    DataEvent(TDataEvent::deUpdateState);
    Fire(AfterEdit);
}

void TDataSet::Insert()
{
    BeginInsert(false);
}

void TDataSet::Append()
{
    BeginInsert(true);
}

void TDataSet::BeginInsert(bool append)
{
    CheckBrowseMode();
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    Fire(BeforeInsert);
    FBeforeInsert = FCurrent;
    FInsertPos = append ? InternalRecordCount() : std::max(FCurrent, 0);
    FBuffer = QVector<QVariant>(FieldCount());
    FState = TDataSetState::dsInsert;
    Fire(OnNewRecord);
    FModified = false; // defaults from OnNewRecord are not the user's changes
    DataEvent(TDataEvent::deUpdateState);
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterInsert);
}

void TDataSet::Post()
{
    CheckActive();
    if (!Editing(FState))
        return;
    DataEvent(TDataEvent::deUpdateRecord);
    for (int i = 0; i < FieldCount(); ++i) {
        if (FFields.at(size_t(i))->FRequired && FBuffer.value(i).isNull())
            throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(FFields.at(size_t(i))->DisplayLabel()));
    }
    Fire(BeforePost);
    if (FState == TDataSetState::dsEdit) {
        InternalPost(FCurrent, -1, FBuffer);
    } else {
        // The new record is current unless the backend puts it elsewhere
        // (SetCurrentRecord in InternalPost).
        const int before = FCurrent;
        FCurrent = FInsertPos;
        try {
            InternalPost(-1, FInsertPos, FBuffer);
        } catch (...) {
            FCurrent = before;
            throw;
        }
    }
    if (FCurrent >= 0 && !InternalFetchTo(FCurrent))
        FCurrent = InternalRecordCount() - 1;
    FBuffer.clear();
    FState = TDataSetState::dsBrowse;
    FBof = FEof = FCurrent < 0;
    DataEvent(TDataEvent::deUpdateState);
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterPost);
}

void TDataSet::Cancel()
{
    if (!Editing(FState))
        return;
    Fire(BeforeCancel);
    const bool wasInsert = FState == TDataSetState::dsInsert;
    FBuffer.clear();
    FState = TDataSetState::dsBrowse;
    if (wasInsert)
        FCurrent = FBeforeInsert;
    // Records may have gone while the edit was open.
    if (FCurrent >= 0 && !InternalFetchTo(FCurrent))
        FCurrent = InternalRecordCount() - 1;
    FBof = FEof = FCurrent < 0;
    InternalCancel();
    DataEvent(TDataEvent::deUpdateState);
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterCancel);
}

void TDataSet::Delete()
{
    CheckActive();
    if (FState == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (FState == TDataSetState::dsEdit)
        Cancel();
    Fire(BeforeDelete);
    InternalDelete(FCurrent);
    const int count = InternalRecordCount();
    FCurrent = std::min(FCurrent, count - 1);
    FBof = FCurrent <= 0 && count == 0;
    FEof = count == 0;
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterDelete);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    if (!Editing(FState))
        return;
    DataEvent(TDataEvent::deUpdateRecord);
    // An untouched new record is dropped rather than saved empty.
    if (FModified || FState == TDataSetState::dsEdit)
        Post();
    else
        Cancel();
}

void TDataSet::InternalPost(int, int, const QVector<QVariant> &)
{
    throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void TDataSet::InternalDelete(int)
{
    throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void TDataSet::InternalRefresh()
{
    InternalClose();
    InternalOpen();
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    const TBookmark bm = GetBookmark();
    const int oldIndex = FCurrent;
    InternalRefresh();
    int idx = bm.isNull() ? -1 : InternalBookmarkIndex(bm);
    if (idx < 0 && oldIndex >= 0) {
        idx = oldIndex;
        if (!InternalFetchTo(idx))
            idx = InternalRecordCount() - 1;
    }
    if (idx < 0 && InternalFetchTo(0))
        idx = 0;
    FCurrent = idx;
    FBof = FEof = FCurrent < 0;
    // A backend that follows the cursor learns where it ended up.
    if (FCurrent >= 0)
        CursorMoved();
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterRefresh);
}

QVariant TDataSet::CurrentValue(int field) const
{
    if (Editing(FState))
        return FBuffer.value(field);
    if (!Active() || FCurrent < 0)
        return {};
    return InternalGetValue(FCurrent, field);
}

const QVariant &TDataSet::CurrentValueRef(int field, QVariant &holder) const
{
    if (Editing(FState))
        return field >= 0 && field < FBuffer.size() ? FBuffer.at(field) : holder;
    if (!Active() || FCurrent < 0)
        return holder;
    if (const QVariant *v = InternalValueRef(FCurrent, field))
        return *v;
    holder = InternalGetValue(FCurrent, field);
    return holder;
}

QVariant TDataSet::RecordValue(int recIndex, int field) const
{
    if (!Active() || field < 0 || field >= FieldCount() || recIndex < 0)
        return {};
    if (FState == TDataSetState::dsEdit && recIndex == FCurrent)
        return FBuffer.value(field);
    if (FState == TDataSetState::dsInsert) {
        if (recIndex == FInsertPos)
            return FBuffer.value(field);
        if (recIndex > FInsertPos)
            --recIndex;
    }
    if (!const_cast<TDataSet *>(this)->InternalFetchTo(recIndex))
        return {};
    return InternalGetValue(recIndex, field);
}

void TDataSet::SetCurrentValue(TField *field, const QVariant &value)
{
    if (!Editing(FState)) {
        const QString prefix = objectName().isEmpty() ? QString() : objectName() + QLatin1String(": ");
        throw EDatabaseError(prefix + QStringLiteral("Dataset not in edit or insert mode"));
    }
    if (field->FReadOnly)
        throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayLabel()));
    QVariant v = value;
    if (!v.isNull() && field->IsDateTimeType()) {
        if (v.typeId() == QMetaType::QDate)
            v = FromQDate(v.toDate());
        else if (v.typeId() == QMetaType::QDateTime)
            v = FromQDateTime(v.toDateTime());
        else if (v.typeId() == QMetaType::QString)
            v = StrToDateTime(v.toString());
        else
            v = v.toDouble();
    }
    if (field->OnValidate) {
        // Validation sees the new value in place and may raise to refuse it.
        const QVariant old = FBuffer.value(field->Index());
        FBuffer[field->Index()] = v;
        try {
            field->OnValidate(field);
        } catch (...) {
            FBuffer[field->Index()] = old;
            throw;
        }
    }
    FBuffer[field->Index()] = v;
    FModified = true;
    if (field->OnChange)
        field->OnChange(field);
    DataEvent(TDataEvent::deFieldChange, reinterpret_cast<qintptr>(field));
}

void TDataSet::DisableControls()
{
    if (FDisableCount++ == 0)
        FDisableState = FState;
}

void TDataSet::EnableControls()
{
    if (FDisableCount == 0)
        return;
    if (--FDisableCount > 0)
        return;
    if (FDisableState != FState)
        DataEvent(TDataEvent::deUpdateState);
    if (FState != TDataSetState::dsInactive)
        DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::RecordChangedAt(int recIndex)
{
    const int outer = FEventRecord;
    FEventRecord = recIndex;
    DataEvent(TDataEvent::deRecordChange);
    FEventRecord = outer;
}

void TDataSet::DataEvent(TDataEvent event, qintptr info)
{
    // A cursor walk with nobody watching must cost nothing here.
    if (FDisableCount > 0 || FDataSources.isEmpty())
        return;
    const QList<TDataSource *> sources = FDataSources;
    for (TDataSource *s : sources)
        if (FDataSources.contains(s))
            s->Notify(event, info);
}

// --- TDataLink / TDataSource -------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource *source)
{
    if (FDataSource == source)
        return;
    if (FDataSource)
        FDataSource->FLinks.removeAll(this);
    FDataSource = source;
    if (FDataSource)
        FDataSource->FLinks.append(this);
    ActiveChanged();
}

TDataSet *TDataLink::DataSet() const
{
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    return FDataSource && FDataSource->Enabled() && FDataSource->DataSet() && FDataSource->DataSet()->Active();
}

bool TDataLink::Editing() const
{
    return Active() && toolkit::Editing(FDataSource->DataSet()->State());
}

TDataSource::TDataSource(QObject *owner)
    : QObject(owner)
{
}

TDataSource::~TDataSource()
{
    OnDataChange = nullptr;
    OnStateChange = nullptr;
    OnUpdateData = nullptr;
    SetDataSet(nullptr);
    const QList<TDataLink *> links = FLinks;
    for (TDataLink *l : links)
        l->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TDataSet *dataSet)
{
    if (FDataSet == dataSet)
        return;
    if (FDataSet)
        FDataSet->FDataSources.removeAll(this);
    FDataSet = dataSet;
    if (FDataSet)
        FDataSet->FDataSources.append(this);
    Notify(TDataEvent::deUpdateState, 0);
}

void TDataSource::SetEnabled(bool v)
{
    if (FEnabled == v)
        return;
    FEnabled = v;
    Notify(TDataEvent::deUpdateState, 0);
}

TDataSetState TDataSource::State() const
{
    return FEnabled && FDataSet ? FDataSet->State() : TDataSetState::dsInactive;
}

void TDataSource::Notify(TDataEvent event, qintptr info)
{
    if (!FEnabled && event != TDataEvent::deUpdateState)
        return;
    const QList<TDataLink *> links = FLinks;
    auto alive = [this](TDataLink *l) { return FLinks.contains(l); };
    TField *field = nullptr;
    switch (event) {
    case TDataEvent::deUpdateState:
        for (TDataLink *l : links)
            if (alive(l)) {
                l->ActiveChanged();
                l->EditingChanged();
            }
        if (OnStateChange)
            OnStateChange(this);
        return;
    case TDataEvent::deDataSetChange:
        for (TDataLink *l : links)
            if (alive(l))
                l->DataSetChanged();
        break;
    case TDataEvent::deLayoutChange:
        for (TDataLink *l : links)
            if (alive(l))
                l->LayoutChanged();
        break;
    case TDataEvent::deDataSetScroll:
        for (TDataLink *l : links)
            if (alive(l))
                l->DataSetScrolled(int(info));
        break;
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
        field = reinterpret_cast<TField *>(info);
        for (TDataLink *l : links)
            if (alive(l))
                l->RecordChanged(field);
        break;
    case TDataEvent::deUpdateRecord:
        for (TDataLink *l : links)
            if (alive(l))
                l->UpdateData();
        if (OnUpdateData)
            OnUpdateData(this);
        return;
    }
    if (OnDataChange)
        OnDataChange(this, field);
}

} // namespace toolkit
