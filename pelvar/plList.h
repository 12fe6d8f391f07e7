// Business-object lists: ordered lists of stored objects with a current
// object, loaded from the class's table by a condition, ordered in memory,
// relaying their objects' notifications to their own observers, with a data
// set for the data-aware grids.
//
// The list holds one reference to each object (the list is the retainer).
// Order text: attribute names separated by ","; "-" before a name
// sorts descending; "@" before a name sorts by the short description of the
// code in the attribute's code list, "§" by its long description.
// Texts compare locale-aware and case-insensitively, numbers and dates by
// value, empty values first.
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
    int IndexOf(const TplDomainObject *object) const;
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
    int IndexOfObjectWithAttrValue(const QString &attr, const QVariant &value) const;

    void OrderBy(const QString &spec);
    QString Order() const { return FOrder; }

    QList<TplDomainObject *> GetNestedObjectList() const;
    toolkit::TDataSet *GetDataSet();
    bool GetNeedToRefresh() const override { return FNeedRefresh; }
    void SetNeedToRefresh(bool v) { FNeedRefresh = v; }

protected:
    void HeldObjectNotified(TplDomainObject *sender, TplNotifyAction action, const QVariant &param) override;
    void Changed(TplNotifyAction action, const QVariant &param = {});
    void SortItems();

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
};

class PELVAR_EXPORT TPlBoList : public TPlCustomBoList
{
public:
    explicit TPlBoList(TPlClassMetaData *meta, QString description = {});
    // A list of a registered class, held by `retainer`.
    static TPlBoList *Create(const QString &className, TplDomainObject *retainer, const QString &description = {});

    QString Condition() const { return FCondition; }
    void SetCondition(const QString &condition) { FCondition = condition; }
    // Reads the objects that meet the condition, in the list's order.
    void Load();
    // Loads again, keeping the current object when it is still there.
    void Refresh();
    void AddAndRefresh(TplPerObject *object);
    // Fills the code-list caches of the columns' code lists.
    void LoadCatalogueForColumns(const QStringList &columns);
    QDateTime LastLoadTime() const { return FLoadTime; }

private:
    QString FCondition;
    QDateTime FLoadTime;
};

// The list as records: fields ID and the attributes; the current record
// follows the list's current object and the other way round.
class PELVAR_EXPORT TplBoListDataSet : public toolkit::TDataSet
{
    Q_OBJECT
public:
    explicit TplBoListDataSet(TPlCustomBoList *list);
    TPlCustomBoList *List() const { return FList; }
    TplPerObject *ObjectAt(int recIndex) const { return FVisible.value(recIndex, nullptr); }
    TplPerObject *CurrentObject() const { return ObjectAt(CurrentIndex()); }
    bool CanModify() const override { return true; }
    void ListChanged();
    bool Syncing() const { return FSyncing; }

protected:
    void CursorMoved() override;
    void InternalOpen() override;
    void InternalClose() override {}
    int InternalRecordCount() const override { return int(FVisible.size()); }
    QVariant InternalGetValue(int index, int field) const override;
    void InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer) override;
    void InternalDelete(int index) override;
    void InternalRefresh() override { Rebuild(); }
    QVariant InternalBookmark(int index) const override;
    int InternalBookmarkIndex(const QVariant &bookmark) const override;

private:
    void Rebuild();
    TPlCustomBoList *FList;
    QVector<TplPerObject *> FVisible;
    bool FSyncing = false;
};

// Told by objects when one of a class is inserted or deleted: the lists and
// views of that class learn that they need a refresh.
PELVAR_EXPORT void NotifyClassChanged(const QString &className, TplPerObject *object, TplNotifyAction action);
PELVAR_EXPORT quint64 ClassVersion(const QString &className);

} // namespace pelvar
