// Business-object lists: ordered lists of stored objects with a current
// object, loaded from the class's table by a condition, ordered in memory,
// relaying their objects' notifications to their own observers, with a data
// set for the data-aware grids.
//
// The list holds one reference to each object (the list is the retainer).
// Order text: attribute names separated by ","; "-" before a name, or " DESC"
// after it (the form stored views keep; " ASC" is accepted too, keywords in
// any case), sorts descending; "@" before a name sorts by the short
// description of the code in the attribute's code list, "§" by its long
// description. Texts compare locale-aware and case-insensitively, numbers and
// dates by value, empty values first.
//
// Positions are kept in hashes (built when first needed after a change), so
// IndexOf, the data set's cursor and its Locate on ID do not search the list.
#pragma once

#include "plObject.h"

#include <QDateTime>
#include <memory>

namespace pelvar {

class TplBoListDataSet;

class PELVAR_EXPORT TPlCustomBoList : public TplDomainObject
{
public:
    explicit TPlCustomBoList(TPlClassMetaData *meta, QString description = {});
    ~TPlCustomBoList() override;

    QString ClassName() const override { return QStringLiteral("TPlBoList"); }
    QStringList ClassAncestry() const override { return {QStringLiteral("TPlBoList"), QStringLiteral("TPlCustomBoList")}; }
    QString Description() const override;
    TPlClassMetaData *ClassMetaData() const { return FMeta; }

    // Observers attach and detach through these two.
    virtual void Attach(TplDomainNotifier *observer) { AttachObserver(observer); }
    virtual void Detach(TplDomainNotifier *observer) { DetachObserver(observer); }

    int Count() const { return int(FItems.size()); }
    TplPerObject *Get(int index) const;
    // O(1) amortised; safe for pointers to objects that are gone.
    int IndexOf(const TplDomainObject *object) const;
    // The first object with this ID (O(1) amortised); -1 when none.
    int IndexOfID(qint64 id) const;
    TplPerObject *CurrObject() const { return FItems.value(FCurrent, nullptr); }
    int CurrIndex() const { return FCurrent; }
    void SetCurrIndex(int index);
    void SetCurrObject(TplPerObject *object);

    void Add(TplPerObject *object);
    void Remove(TplPerObject *object);
    void Clear();

    // True for objects the list's filter hides.
    std::function<bool(const TplPerObject *object)> Filter;
    bool IsObjectFiltered(const TplPerObject *object) const;
    // Searches by ID go through IndexOfID; other attributes look at every object.
    int IndexOfObjectWithAttrValue(const QString &attr, const QVariant &value) const;

    void OrderBy(const QString &spec);
    QString Order() const { return FOrder; }

    QList<TplDomainObject *> GetNestedObjectList() const;
    toolkit::TDataSet *GetDataSet();
    bool GetNeedToRefresh() const override { return FNeedRefresh; }
    void SetNeedToRefresh(bool v) { FNeedRefresh = v; }
    // Brings the list up to date: a stored list reads its objects again; a
    // list of objects gathered in memory applies its filter again.
    virtual void Refresh();

protected:
    void HeldObjectNotified(TplDomainObject *sender, TplNotifyAction action, const QVariant &param) override;
    void Changed(TplNotifyAction action, const QVariant &param = {});
    // The same for a notice about one object; the notice's parameter is made
    // only when someone listens.
    void Changed(TplNotifyAction action, TplDomainObject *object);
    // Sorts FItems by FOrder; FCurrent follows its object.
    void SortItems();
    // FItems was changed other than by appending: positions are rebuilt when next asked.
    void ItemsChanged();

    TPlClassMetaData *FMeta;
    QString FDescription;
    QVector<TplPerObject *> FItems;
    int FCurrent = -1;
    QString FOrder;
    bool FNeedRefresh = false;

private:
    friend class TplBoListDataSet;
    friend class TPlBoList;
    struct TSortCache;
    std::unique_ptr<TSortCache> FSortCache; // sort values by key, in item order
    std::unique_ptr<TplBoListDataSet> FDataSet;
    // Position of each object and of each ID, valid while the flags say so.
    // After a change, one lookup searches; a second builds the hash, so a
    // single lookup after each change stays O(n) and repeated ones O(1).
    mutable QHash<const TplDomainObject *, int> FPositions;
    mutable QHash<qint64, int> FIDPositions;
    mutable bool FPositionsValid = false;
    mutable bool FIDPositionsValid = false;
    mutable int FLookupsSinceChange = 0;
};

class PELVAR_EXPORT TPlBoList : public TPlCustomBoList
{
public:
    explicit TPlBoList(TPlClassMetaData *meta, QString description = {});
    // A list of a registered class, held by `retainer`.
    static TPlBoList *Create(const QString &className, TplDomainObject *retainer, const QString &description = {});

    // SQL condition (without "where"); values typed by users belong in
    // QuotedStr. Setting it does not read anything: the next Load (or
    // Refresh) queries the table with it.
    QString Condition() const { return FCondition; }
    void SetCondition(const QString &condition) { FCondition = condition; }
    // Queries the objects that meet the condition (every call reads the
    // table again), in the list's order, keeping the current object when it
    // is still there. Objects already in memory take the fresh row unless
    // they are being edited or hold changes not saved.
    void Load();
    // Loads again (see Load); the data set keeps its current record.
    void Refresh() override;
    void AddAndRefresh(TplPerObject *object);
    // Fills the code-list caches of the columns' code lists.
    void LoadCatalogueForColumns(const QStringList &columns);
    QDateTime LastLoadTime() const { return FLoadTime; }

private:
    QString FCondition;
    QDateTime FLoadTime;
};

// The list as records: fields ID and the attributes; the current record
// follows the list's current object and the other way round, in O(1) a step.
// A change of one object's attributes is a record change of its record;
// the records are built again only when the list's members, order or filter
// may have changed. While a record is edited the data set holds a reference
// to its object, so the edit can be posted (or cancelled) even when the
// object has left the list in the meantime; the records never keep an
// object the list has let go of.
class PELVAR_EXPORT TplBoListDataSet : public toolkit::TDataSet
{
    Q_OBJECT
public:
    explicit TplBoListDataSet(TPlCustomBoList *list);
    ~TplBoListDataSet() override;
    TPlCustomBoList *List() const { return FList; }
    TplPerObject *ObjectAt(int recIndex) const { return FVisible.value(recIndex, nullptr); }
    TplPerObject *CurrentObject() const { return ObjectAt(CurrentIndex()); }
    // The record of an object; -1 when the list does not show it.
    int RecordOf(const TplPerObject *object) const;
    bool CanModify() const override { return true; }
    // The list's members, order or filter changed.
    void ListChanged();
    // The list's current object changed.
    void CurrentChanged();
    // One of the list's objects told something (relayed by the list).
    void ObjectChanged(TplPerObject *object, TplNotifyAction action);
    bool Syncing() const { return FSyncing; }

protected:
    void CursorMoved() override;
    void InternalOpen() override;
    void InternalClose() override;
    int InternalRecordCount() const override { return int(FVisible.size()); }
    bool InternalFetchTo(int index) override { return index >= 0 && index < FVisible.size(); }
    QVariant InternalGetValue(int index, int field) const override;
    const QVariant *InternalValueRef(int index, int field) const override;
    void InternalEdit() override;
    void InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer) override;
    void InternalCancel() override;
    void InternalDelete(int index) override;
    void InternalRefresh() override;
    QVariant InternalBookmark(int index) const override;
    int InternalBookmarkIndex(const QVariant &bookmark) const override;
    std::optional<int> InternalLocate(const QVector<int> &fields, const QVariantList &values,
                                      toolkit::TLocateOptions options) override;

private:
    void Rebuild();
    void ReleaseEditObject();
    int ItemOfRecord(int recIndex) const;
    int RecordOfItem(int itemIndex) const;
    void Prefetch(int rec) const;

    TPlCustomBoList *FList;
    QVector<TplPerObject *> FVisible;
    // With a filter: record -> item index and item index -> record (-1 hidden).
    // Without one both are empty and records are the items.
    QVector<int> FItemOfRecord;
    QVector<int> FRecordOfItem;
    // A record not among the list's items: the edited object that left it.
    int FPhantom = -1;
    mutable QHash<qint64, int> FIDRecords;
    mutable bool FIDRecordsValid = false;
    TplPerObject *FEditObject = nullptr; // held (retainer none) while editing
    bool FSyncing = false;
    bool FRefreshing = false;
    mutable int FLastField = -1; // the field read last, for Prefetch
};

// Told by objects when one of a class is inserted, saved or deleted: the
// lists and views of that class learn that they need a refresh (lists tell
// their observers naNeedRefresh; a deleted object leaves them at once).
PELVAR_EXPORT void NotifyClassChanged(const QString &className, TplPerObject *object, TplNotifyAction action);
PELVAR_EXPORT quint64 ClassVersion(const QString &className);

} // namespace pelvar
