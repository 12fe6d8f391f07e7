// The data-set layer: fields, a cursor over records, data sources and the
// data links through which grids and edits follow the data set.
//
// Values are QVariants; date and time values are TDateTime doubles whatever
// the backend delivered. A data set owns its fields; fields keep their
// settings (label, visibility, width) across Close/Open while their names stay.
// Bookmarks survive inserts and deletes of other records for data sets that
// give records identities (the in-memory one, a business-object list's, an
// SQL data set with key fields); a bookmark of a deleted record is invalid.
// Controls are told of changes through TDataSource/TDataLink;
// DisableControls suspends that (nested), EnableControls sends one change.
#pragma once

#include "Classes.h"
#include "DateUtils.h"
#include "toolkit/toolkit_export.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace toolkit {

enum class TFieldType {
    ftUnknown, ftString, ftInteger, ftLargeint, ftBoolean, ftFloat, ftCurrency,
    ftDate, ftTime, ftDateTime, ftMemo, ftBlob
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

enum class TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState
};

enum class TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;

using TBookmark = QVariant; // a null variant is no bookmark

class TDataSet;
class TField;

using TFieldNotifyEvent = std::function<void(TField *sender)>;
using TFieldGetTextEvent = std::function<void(TField *sender, QString &text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField *sender, const QString &text)>;
using TDataSetNotifyEvent = std::function<void(TDataSet *dataSet)>;

class TOOLKIT_EXPORT TField : public TObject
{
public:
    TField(TDataSet *dataSet, const QString &fieldName, TFieldType dataType, int size);
    ~TField() override;

    TDataSet *DataSet() const { return FDataSet; }
    QString FieldName() const { return FFieldName; }
    // Position among the data set's fields (kept by the data set: reading a
    // field's value must not search the field list).
    int Index() const { return FIndex; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString &v) { FDisplayLabel = v; }
    QString DisplayName() const { return DisplayLabel(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    bool Required() const { return FRequired; }
    void SetRequired(bool v) { FRequired = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    QString EditMask() const { return FEditMask; }
    void SetEditMask(const QString &v) { FEditMask = v; }
    // Width in characters; the type's default until set.
    int DisplayWidth() const;
    void SetDisplayWidth(int v);
    // FormatDateTime / FloatToStrF-style display format; empty = the type's default.
    QString DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString &v) { FDisplayFormat = v; }
    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }
    bool IsDateTimeType() const;
    bool IsNumericType() const;

    QVariant Value() const;
    void SetValue(const QVariant &v);
    bool IsNull() const;
    void Clear() { SetValue(QVariant()); }

    QString AsString() const;
    void SetAsString(const QString &v);
    int AsInteger() const;
    void SetAsInteger(int v) { SetValue(v); }
    double AsFloat() const;
    void SetAsFloat(double v) { SetValue(v); }
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime v) { SetValue(v); }
    bool AsBoolean() const;
    void SetAsBoolean(bool v) { SetValue(v); }

    // The text shown in a grid (display) and offered to an editor (edit).
    QString DisplayText() const;
    QString Text() const;
    QString EditText() const { return Text(); }
    void SetText(const QString &text);
    void SetEditText(const QString &text) { SetText(text); }

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // Text of a value of this field's type, in the current format settings.
    QString ValueToText(const QVariant &v, bool display) const;

private:
    friend class TDataSet;
    TDataSet *FDataSet;
    int FIndex = -1;
    QString FFieldName;
    TFieldType FDataType;
    int FSize;
    QString FDisplayLabel;
    bool FReadOnly = false;
    bool FRequired = false;
    bool FVisible = true;
    QString FEditMask;
    int FDisplayWidth = -1;
    QString FDisplayFormat;
    int FTag = 0;
};

struct TOOLKIT_EXPORT TFieldDef
{
    QString Name;
    TFieldType DataType = TFieldType::ftString;
    int Size = 0;
};

class TDataSource;

class TOOLKIT_EXPORT TDataSet : public QObject
{
    Q_OBJECT
public:
    explicit TDataSet(QObject *owner = nullptr);
    ~TDataSet() override;

    // Fields
    int FieldCount() const { return int(FFields.size()); }
    TField *Fields(int index) const;
    TField *FindField(const QString &name) const; // case-insensitive
    TField *FieldByName(const QString &name) const; // raises EDatabaseError
    QStringList FieldNames() const;

    // State
    void Open();
    void Close();
    bool Active() const { return FState != TDataSetState::dsInactive; }
    void SetActive(bool value);
    TDataSetState State() const { return FState; }
    virtual bool CanModify() const { return false; }

    // Cursor
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const;
    // 1-based; 0 when there is no current record.
    int RecNo() const;
    void SetRecNo(int value);
    // All records; a lazily fetching data set reads to its end for this.
    int RecordCount() const;
    // What a grid may show without making the backend read further, and the
    // next batch for backends that read lazily.
    virtual int KnownRecordCount() const { return Active() ? InternalRecordCount() : 0; }
    virtual bool CanFetchMore() const { return false; }
    virtual void FetchMore() {}
    // Moves to the first record whose key fields hold the values. Backends
    // that index a key answer through InternalLocate; others are searched
    // record by record.
    bool Locate(const QString &keyFields, const QVariantList &keyValues, TLocateOptions options = 0);

    // Bookmarks
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark &bookmark);
    bool BookmarkValid(const TBookmark &bookmark) const;
    int CompareBookmarks(const TBookmark &a, const TBookmark &b) const;

    // Editing
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();

    void Refresh();

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // Random access for grids: the value of field `field` in record `recIndex`
    // (0-based) without moving the cursor. The record being edited shows its
    // edit buffer.
    QVariant RecordValue(int recIndex, int field) const;
    int CurrentIndex() const { return FCurrent; }
    // During a deRecordChange notice: the record it is about (0-based), or
    // -1 for a field of the record being edited. A grid repaints just that row.
    int EventRecord() const { return FEventRecord; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeEdit, AfterEdit, BeforeInsert, AfterInsert;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, OnNewRecord, AfterRefresh;

protected:
    // The backend. Indexes are 0-based record positions.
    virtual void InternalOpen() = 0;  // calls SetFieldDefs
    virtual void InternalClose() = 0;
    // Whether record `index` exists (a lazy backend fetches up to it).
    virtual bool InternalFetchTo(int index) { return index >= 0 && index < InternalRecordCount(); }
    virtual int InternalRecordCount() const = 0;
    virtual QVariant InternalGetValue(int index, int field) const = 0;
    // The stored value itself, for backends that keep values as QVariants;
    // spares a copy per field read (nullptr: use InternalGetValue).
    virtual const QVariant *InternalValueRef(int index, int field) const
    {
        Q_UNUSED(index);
        Q_UNUSED(field);
        return nullptr;
    }
    // recIndex < 0: insert the buffer as a new record at insertPos.
    virtual void InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer);
    virtual void InternalDelete(int index);
    virtual void InternalRefresh();
    // The identity of a record for bookmarks; default its position.
    virtual QVariant InternalBookmark(int index) const { return index; }
    virtual int InternalBookmarkIndex(const QVariant &bookmark) const;
    // A backend's own search for Locate: the record index (-1: none), or
    // nothing when it has no faster way than looking at every record.
    virtual std::optional<int> InternalLocate(const QVector<int> &fields, const QVariantList &values, TLocateOptions options)
    {
        Q_UNUSED(fields);
        Q_UNUSED(values);
        Q_UNUSED(options);
        return std::nullopt;
    }
    // Edit has filled the buffer from the current record (the state is still dsBrowse).
    virtual void InternalEdit() {}
    // Cancel has dropped the buffer; the state is dsBrowse again.
    virtual void InternalCancel() {}

    void SetFieldDefs(const QVector<TFieldDef> &defs);
    // Puts the cursor on a record the backend chose (a list's current object),
    // with the usual scroll notices.
    void SyncCursor(int index);
    // Puts the cursor on the record that is now at `index` without any
    // notice, in any state: for backends whose records moved under the cursor
    // (an edited record whose neighbours came or went).
    void SetCurrentRecord(int index);
    // After every move of the cursor (a backend following it).
    virtual void CursorMoved() {}
    void DataEvent(TDataEvent event, qintptr info = 0);
    // Tells the controls that record `recIndex` changed (deRecordChange with
    // EventRecord set), without the cost of a whole data-set change.
    void RecordChangedAt(int recIndex);

private:
    friend class TField;
    friend class TDataSource;

    QVariant CurrentValue(int field) const;
    // The current value without a copy where the backend allows; `holder`
    // keeps a value made on the way.
    const QVariant &CurrentValueRef(int field, QVariant &holder) const;
    void SetCurrentValue(TField *field, const QVariant &value);
    void CheckActive() const;
    void MoveTo(int index);
    void BeginInsert(bool append);
    void Fire(const TDataSetNotifyEvent &e) { if (e) e(this); }

    std::vector<std::unique_ptr<TField>> FFields;
    QList<TDataSource *> FDataSources;
    TDataSetState FState = TDataSetState::dsInactive;
    int FCurrent = -1;
    bool FEof = true;
    bool FBof = true;
    int FDisableCount = 0;
    TDataSetState FDisableState = TDataSetState::dsInactive;
    QVector<QVariant> FBuffer;  // edit/insert buffer
    int FInsertPos = -1;        // where an inserted record goes
    int FBeforeInsert = -1;     // the current record before Insert, for Cancel
    bool FModified = false;     // a field was set since Edit/Insert
    int FEventRecord = -1;      // see EventRecord
};

// Something a control keeps to follow a data set: override the notices you need.
class TOOLKIT_EXPORT TDataLink
{
public:
    TDataLink();
    virtual ~TDataLink();
    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;
    bool Active() const;
    bool Editing() const;

protected:
    friend class TDataSource;
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() {}
    virtual void DataSetScrolled(int distance) { Q_UNUSED(distance); DataSetChanged(); }
    virtual void RecordChanged(TField *field) { Q_UNUSED(field); }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void UpdateData() {}

private:
    TDataSource *FDataSource = nullptr;
};

class TOOLKIT_EXPORT TDataSource : public QObject
{
    Q_OBJECT
public:
    using TDataChangeEvent = std::function<void(TDataSource *sender, TField *field)>;
    using TSourceNotifyEvent = std::function<void(TDataSource *sender)>;

    explicit TDataSource(QObject *owner = nullptr);
    ~TDataSource() override;

    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    TDataSetState State() const;

    TDataChangeEvent OnDataChange;
    TSourceNotifyEvent OnStateChange;
    TSourceNotifyEvent OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void Notify(TDataEvent event, qintptr info);

    TDataSet *FDataSet = nullptr;
    QList<TDataLink *> FLinks;
    bool FEnabled = true;
};

TOOLKIT_EXPORT QString FieldTypeName(TFieldType type);

} // namespace toolkit
