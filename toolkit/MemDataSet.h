// An in-memory data set: field definitions given in code, records kept in a
// vector with stable identities, so bookmarks follow a record through inserts
// and deletes of others. Closing keeps the records; EmptyDataSet drops them.
#pragma once

#include "DB.h"

#include <QHash>

namespace toolkit {

class TOOLKIT_EXPORT TMemDataSet : public TDataSet
{
    Q_OBJECT
public:
    explicit TMemDataSet(QObject *owner = nullptr);
    ~TMemDataSet() override;

    void AddFieldDef(const QString &name, TFieldType type, int size = 0);
    void ClearFieldDefs();
    const QVector<TFieldDef> &FieldDefs() const { return FFieldDefs; }
    void CreateDataSet() { Open(); }

    // Adds a record at the end in one step (values in field order), leaving
    // the cursor where it is.
    void AppendRecord(const QVariantList &values);
    void EmptyDataSet();

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    bool CanModify() const override { return !FReadOnly; }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    int InternalRecordCount() const override { return int(FRecords.size()); }
    QVariant InternalGetValue(int index, int field) const override;
    void InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer) override;
    void InternalDelete(int index) override;
    void InternalRefresh() override {}
    QVariant InternalBookmark(int index) const override;
    int InternalBookmarkIndex(const QVariant &bookmark) const override;

private:
    struct TRecord
    {
        qint64 Id = 0;
        QVector<QVariant> Values;
    };

    QVector<TFieldDef> FFieldDefs;
    QVector<TRecord> FRecords;
    qint64 FNextId = 1;
    bool FReadOnly = false;
    mutable QHash<qint64, int> FIndexById;
    mutable bool FIndexValid = false;
};

} // namespace toolkit
