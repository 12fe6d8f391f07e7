// Stored business objects: attribute values with an edit buffer, saving in a
// transaction, validation by the declared rules, and a one-record data set
// that shows the object to data-aware controls.
//
// Editing: SetAttrValue/SetAttrAsText write into the edit buffer (started on
// the first write). PostData commits the buffer into the object, CancelData
// drops it, SaveData posts and writes the object to its table (a new object
// gets its ID from the class's sequence then). An object is modified while it
// is new, has an edit buffer that differs, or has posted changes not saved.
#pragma once

#include "plCore.h"
#include "plMeta.h"

#include "toolkit/DB.h"

#include <QSqlRecord>
#include <functional>
#include <memory>
#include <optional>

namespace pelvar {

// Error levels by ordinal, as the error displays read them.
enum TplAttrErrorLevel : int { aeFatal = 1, aeError = 2, aeWarning = 3, aeHint = 4, aeNone = 8 };

class TplObjectDataSet;

class PELVAR_EXPORT TplPerObject : public TplDomainObject
{
public:
    explicit TplPerObject(TPlClassMetaData *meta);
    ~TplPerObject() override;

    // A new, unsaved object held by `retainer`.
    static TplPerObject *Create(const QString &className, TplDomainObject *retainer);
    // The stored object with this ID (from the dictionary when loaded already);
    // raises EplError when there is none.
    static TplPerObject *Load(const QString &className, qint64 id, TplDomainObject *retainer);
    // The same for a class known by its metadata (which may be a replaced registration).
    static TplPerObject *Load(TPlClassMetaData *meta, qint64 id, TplDomainObject *retainer);

    QString ClassName() const override;
    QStringList ClassAncestry() const override { return {ClassName(), QStringLiteral("TplPerObject")}; }
    QString GetIDText() const override { return QString::number(FID); }
    QString Description() const override;
    qint64 MemorySize() const override;
    qint64 GetID() const { return FID; }
    bool IsNew() const { return FID == 0; }
    TPlClassMetaData *ClassMetaData() const { return FMeta; }

    // Attribute values; dates are TDateTime doubles. The audit fields of the
    // provider read like attributes.
    QVariant GetAttrValue(const QString &attr) const;
    // The value of the class's attribute number `index` (0-based, as
    // TPlClassMetaData::Attr numbers them); for readers that go through
    // every object, without looking the name up.
    const QVariant &GetAttrValueAt(int index) const { return FEdit ? FEdit->at(index) : FValues.at(index); }
    QString GetAttrAsText(const QString &attr) const;
    void SetAttrValue(const QString &attr, const QVariant &value);
    // Converts text by the attribute's type (format settings apply); raises
    // EConvertError and keeps the old value when it does not convert.
    void SetAttrAsText(const QString &attr, const QString &text);
    QVariant GetCommittedValue(const QString &attr) const;

    bool IsEditing() const { return FEdit.has_value(); }
    void PostData();
    void CancelData();
    // Drops posted changes that were never saved (the values as last read
    // or saved come back); nothing for a new object.
    void RevertToStored();
    // Saving an existing object writes only the attributes it changed, after
    // checking that nobody else saved the row since it was read (its audit
    // stamp and the values of those attributes): EplError of kind ekChanged
    // when someone did, ekGone when the row was deleted. `overwrite` skips
    // the check (the user chose to keep their own values).
    void SaveData(bool overwrite = false);
    void DeleteData();
    // Reads the object again from its table, dropping unsaved changes.
    void Refresh();

    virtual bool IsModified() const;
    virtual bool IsReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);

    int GetAttrErrorLevel(const QString &attr) const;
    QString GetAttrErrorMessage(const QString &attr) const;
    // Messages of every attribute in error.
    QStringList GetErrors() const;

    toolkit::TDataSet *GetDataSet();

    // Evaluates a member of the class by name (see TPlClassMetaData::FindMember):
    // reads an attribute or property, calls a parameterless method.
    enum class TEvaluateResult { erFound, erNotFound, erCallFailed };
    TEvaluateResult EvaluateMember(const QString &name, QVariant &value, QString *error = nullptr);

    void AddNestedObject(TplDomainObject *object);
    void RemoveNestedObject(TplDomainObject *object);
    QList<TplDomainObject *> GetNestedObjectList() const { return FNested; }
    // This object and everything nested in it, recursively.
    int InstancesCountWithinGraphInfo() const;
    static int RegistredInstancesCount();

    // Reads a row into an object (the dictionary's when it holds it already).
    struct PELVAR_EXPORT TRecordMap
    {
        explicit TRecordMap(TPlClassMetaData *meta, const QSqlRecord &record);
        TPlClassMetaData *Meta;
        int IDColumn = -1, DatumColumn = -1, UserColumn = -1;
        QVector<int> AttrColumns;
    };
    static TplPerObject *FromQuery(const TRecordMap &map, const QSqlQuery &query, TplDomainObject *retainer);
    // An object from a row another reader has already fetched (a view's data
    // set): `value(column)` gives the row's value in a column as the map
    // numbers them (dates may come as TDateTime already). The dictionary's
    // live object is taken as it is, since the row may be older than what it
    // holds; otherwise a new object is made from the row, with no statement.
    static TplPerObject *FromRow(const TRecordMap &map, const std::function<QVariant(int column)> &value,
                                 TplDomainObject *retainer);

private:
    friend class TplObjectDataSet;
    int CheckedIndex(const QString &attr) const;
    void Changed(TplNotifyAction action, const QVariant &param = {});
    void ReadRow(const TRecordMap &map, const QSqlQuery &query);
    // The row's values (value(column) gives one) into the object; and a new
    // object of the dictionary made from them.
    template<class TValue>
    void ReadValues(const TRecordMap &map, const TValue &value);
    template<class TValue>
    static TplPerObject *NewFromRow(const TRecordMap &map, qint64 id, const TValue &value, TplDomainObject *retainer);
    void Validate(int index, int &level, QString &message) const;
    void CheckStoredRow(const QVector<int> &changed, bool overwrite) const;

    TPlClassMetaData *FMeta;
    qint64 FID = 0;
    QVector<QVariant> FValues;
    std::optional<QVector<QVariant>> FEdit;
    QVariant FDatumIPL, FUserIPL;
    // The row as last read or saved: the stamp as the database gives it and
    // the attribute values, to tell another workstation's save.
    QVariant FDatumRaw;
    QVector<QVariant> FStored;
    bool FDirty = false;
    bool FReadOnly = false;
    QList<TplDomainObject *> FNested;
    std::unique_ptr<TplObjectDataSet> FDataSet;
};

// The object as one record: fields ID and the attributes, in step with the object.
class PELVAR_EXPORT TplObjectDataSet : public toolkit::TDataSet
{
    Q_OBJECT
public:
    explicit TplObjectDataSet(TplPerObject *object);
    TplPerObject *Object() const { return FObject; }
    bool CanModify() const override { return !FObject->IsReadOnly(); }
    void ObjectChanged();

protected:
    void InternalOpen() override;
    void InternalClose() override {}
    int InternalRecordCount() const override { return 1; }
    QVariant InternalGetValue(int index, int field) const override;
    void InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer) override;
    void InternalRefresh() override {}

private:
    TplPerObject *FObject;
    bool FPosting = false;
};

PELVAR_EXPORT toolkit::TFieldType FieldTypeOf(TplAttrType type);
// Fields ID and the class's attributes, for the data sets over objects.
PELVAR_EXPORT QVector<toolkit::TFieldDef> AttributeFieldDefs(const TPlClassMetaData *meta);
// Captions and read-only flags of the attributes onto those fields.
PELVAR_EXPORT void ApplyAttributeFieldSettings(toolkit::TDataSet *dataSet, const TPlClassMetaData *meta);
// A value of an attribute converted from what the database delivered.
PELVAR_EXPORT QVariant AttrValueFromSql(const TPlAttrProperties &attr, QVariant v);
PELVAR_EXPORT QVariant AttrValueToSql(const TPlAttrProperties &attr, const QVariant &v, TplDialect dialect);

} // namespace pelvar
