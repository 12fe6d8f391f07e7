#include "MemDataSet.h"
#include "Exception.h"

namespace toolkit {

TMemDataSet::TMemDataSet(QObject *owner)
    : TDataSet(owner)
{
}

TMemDataSet::~TMemDataSet() = default;

void TMemDataSet::AddFieldDef(const QString &name, TFieldType type, int size)
{
    if (Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
    FFieldDefs.append({name, type, size});
}

void TMemDataSet::ClearFieldDefs()
{
    if (Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
    FFieldDefs.clear();
    FRecords.clear();
    FIndexValid = false;
}

void TMemDataSet::InternalOpen()
{
    SetFieldDefs(FFieldDefs);
    for (TRecord &r : FRecords)
        r.Values.resize(FFieldDefs.size());
}

void TMemDataSet::InternalClose()
{
}

QVariant TMemDataSet::InternalGetValue(int index, int field) const
{
    if (index < 0 || index >= FRecords.size())
        return {};
    return FRecords.at(index).Values.value(field);
}

void TMemDataSet::InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer)
{
    if (recIndex >= 0) {
        FRecords[recIndex].Values = buffer;
        return;
    }
    FRecords.insert(std::clamp(insertPos, 0, int(FRecords.size())), TRecord{FNextId++, buffer});
    FIndexValid = false;
}

void TMemDataSet::InternalDelete(int index)
{
    FRecords.removeAt(index);
    FIndexValid = false;
}

QVariant TMemDataSet::InternalBookmark(int index) const
{
    return FRecords.at(index).Id;
}

int TMemDataSet::InternalBookmarkIndex(const QVariant &bookmark) const
{
    if (!FIndexValid) {
        FIndexById.clear();
        FIndexById.reserve(FRecords.size());
        for (int i = 0; i < FRecords.size(); ++i)
            FIndexById.insert(FRecords.at(i).Id, i);
        FIndexValid = true;
    }
    bool ok = false;
    const qint64 id = bookmark.toLongLong(&ok);
    return ok ? FIndexById.value(id, -1) : -1;
}

void TMemDataSet::AppendRecord(const QVariantList &values)
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    CheckBrowseMode();
    QVector<QVariant> v(FFieldDefs.size());
    for (int i = 0; i < v.size() && i < values.size(); ++i)
        v[i] = values.at(i);
    const bool wasEmpty = FRecords.isEmpty();
    FRecords.append(TRecord{FNextId++, v});
    FIndexValid = false;
    if (wasEmpty) {
        // The first record becomes current, as after opening a filled set.
        First();
    }
    DataEvent(TDataEvent::deDataSetChange);
}

void TMemDataSet::EmptyDataSet()
{
    const bool active = Active();
    if (active)
        Close();
    FRecords.clear();
    FIndexValid = false;
    if (active)
        Open();
}

} // namespace toolkit
