#include "plList.h"

#include "toolkit/SysUtils.h"

#include <QCollator>
#include <QLocale>
#include <QSqlQuery>
#include <algorithm>
#include <vector>

namespace pelvar {

namespace {

QMultiHash<QString, TPlCustomBoList *> &LiveLists()
{
    static QMultiHash<QString, TPlCustomBoList *> lists;
    return lists;
}

QHash<QString, quint64> &ClassVersions()
{
    static QHash<QString, quint64> versions;
    return versions;
}

QString CodeListOf(const TPlAttrProperties &a)
{
    if (!a.CodeList.isEmpty())
        return a.CodeList;
    const int colon = a.ValidString.indexOf(QLatin1Char(':'));
    return colon >= 0 ? a.ValidString.mid(colon + 1) : QString();
}

struct TSortValue
{
    bool Null = true;
    double Number = 0; // the number itself, or a text's rank in collation order
};

} // namespace

struct TPlCustomBoList::TSortCache
{
    QVector<TplPerObject *> Items; // the items the values belong to, in this order
    QHash<QString, QVector<TSortValue>> Columns; // "attribute|description kind" -> value per item
};

void NotifyClassChanged(const QString &className, TplPerObject *object, TplNotifyAction action)
{
    const QString key = className.toUpper();
    ++ClassVersions()[key];
    const QList<TPlCustomBoList *> lists = LiveLists().values(key);
    for (TPlCustomBoList *l : lists) {
        if (!LiveLists().contains(key, l))
            continue;
        if (action == TplNotifyAction::naDeleted && l->IndexOf(object) >= 0)
            l->Remove(object);
        l->SetNeedToRefresh(true);
        l->NotifyObservers(TplNotifyAction::naNeedRefresh, QVariant::fromValue<TplDomainObject *>(object), l);
    }
}

quint64 ClassVersion(const QString &className)
{
    return ClassVersions().value(className.toUpper());
}

// --- TPlCustomBoList ---------------------------------------------------------------

TPlCustomBoList::TPlCustomBoList(TPlClassMetaData *meta, QString description)
    : FMeta(meta)
    , FDescription(std::move(description))
{
    FRelaysHeldObjects = true;
    FMeta->AddUser();
    LiveLists().insert(FMeta->ClassName().toUpper(), this);
}

TPlCustomBoList::~TPlCustomBoList()
{
    LiveLists().remove(FMeta->ClassName().toUpper(), this);
    FDataSet.reset();
    const QVector<TplPerObject *> items = FItems;
    FItems.clear();
    for (TplPerObject *o : items)
        o->Release(this);
    FMeta->ReleaseUser();
}

void TPlCustomBoList::HeldObjectNotified(TplDomainObject *sender, TplNotifyAction action, const QVariant &param)
{
    FSortCache.reset();
    if (FDataSet)
        FDataSet->ListChanged();
    NotifyObserversFrom(sender, action, param, this);
}

QString TPlCustomBoList::Description() const
{
    return FDescription.isEmpty() ? QStringLiteral("%1 (%2)").arg(FMeta->Provider()->GetCaption()).arg(FItems.size())
                                  : FDescription;
}

TplPerObject *TPlCustomBoList::Get(int index) const
{
    if (index < 0 || index >= FItems.size())
        throw EplError(QStringLiteral("TPlBoList.Get: index %1 out of range (%2 objects)").arg(index).arg(FItems.size()));
    return FItems.at(index);
}

int TPlCustomBoList::IndexOf(const TplDomainObject *object) const
{
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems.at(i) == object)
            return i;
    return -1;
}

void TPlCustomBoList::SetCurrIndex(int index)
{
    if (index < -1 || index >= FItems.size())
        index = -1;
    if (FCurrent == index)
        return;
    FCurrent = index;
    if (FDataSet && !FDataSet->Syncing())
        FDataSet->ListChanged();
    NotifyObservers(TplNotifyAction::naCurrentChanged, QVariant::fromValue<TplDomainObject *>(CurrObject()), this);
}

void TPlCustomBoList::SetCurrObject(TplPerObject *object)
{
    SetCurrIndex(IndexOf(object));
}

void TPlCustomBoList::Changed(TplNotifyAction action, const QVariant &param)
{
    if (action != TplNotifyAction::naOrderChanged && action != TplNotifyAction::naCurrentChanged)
        FSortCache.reset();
    if (FDataSet)
        FDataSet->ListChanged();
    NotifyObservers(action, param, this);
}

void TPlCustomBoList::Add(TplPerObject *object)
{
    if (!object || IndexOf(object) >= 0)
        return;
    if (object->ClassMetaData() != FMeta)
        throw EplError(QStringLiteral("TPlBoList.Add: a %1 does not belong in a list of %2!").arg(object->ClassName(), FMeta->ClassName()));
    object->AddRef(this);
    FItems.append(object);
    Changed(TplNotifyAction::naObjectAdded, QVariant::fromValue<TplDomainObject *>(object));
}

void TPlCustomBoList::Remove(TplPerObject *object)
{
    const int i = IndexOf(object);
    if (i < 0)
        return;
    FItems.removeAt(i);
    if (FCurrent >= FItems.size())
        FCurrent = int(FItems.size()) - 1;
    // Tell before letting go: the object may be freed by the release.
    Changed(TplNotifyAction::naObjectRemoved, QVariant::fromValue<TplDomainObject *>(object));
    object->Release(this);
}

void TPlCustomBoList::Clear()
{
    const QVector<TplPerObject *> items = FItems;
    FItems.clear();
    FCurrent = -1;
    Changed(TplNotifyAction::naCleared);
    for (TplPerObject *o : items)
        o->Release(this);
}

bool TPlCustomBoList::IsObjectFiltered(const TplPerObject *object) const
{
    return Filter && object && Filter(object);
}

int TPlCustomBoList::IndexOfObjectWithAttrValue(const QString &attr, const QVariant &value) const
{
    const int a = FMeta->AttrIndex(attr);
    const bool isId = attr.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0;
    if (a < 0 && !isId)
        throw EplError(QStringLiteral("%1 has no attribute %2").arg(FMeta->ClassName(), attr));
    for (int i = 0; i < FItems.size(); ++i) {
        const QVariant v = FItems.at(i)->GetAttrValue(attr);
        if (v.isNull() || value.isNull()) {
            if (v.isNull() && value.isNull())
                return i;
            continue;
        }
        if (v.typeId() == QMetaType::QString || value.typeId() == QMetaType::QString) {
            if (v.toString() == value.toString())
                return i;
        } else if (v.toDouble() == value.toDouble()) {
            return i;
        }
    }
    return -1;
}

void TPlCustomBoList::OrderBy(const QString &spec)
{
    // Check every entry first, so a bad order text leaves the order alone.
    const QStringList parts = spec.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        QString name = p.trimmed();
        while (!name.isEmpty() && (name.at(0) == QLatin1Char('-') || name.at(0) == QLatin1Char('@') || name.at(0) == QChar(0xA7)))
            name.remove(0, 1);
        if (name.compare(QLatin1String("ID"), Qt::CaseInsensitive) != 0 && !FMeta->HasAttribute(name))
            throw EplError(QStringLiteral("TPlBoList.OrderBy: %1 has no attribute %2").arg(FMeta->ClassName(), name));
    }
    FOrder = spec;
    TplPerObject *current = CurrObject();
    SortItems();
    FCurrent = IndexOf(current);
    Changed(TplNotifyAction::naOrderChanged);
}

void TPlCustomBoList::SortItems()
{
    struct TKey
    {
        int Attr = -1; // -1: ID
        bool Desc = false;
        int Describe = 0; // 0 code itself, 1 short description, 2 long
    };
    QVector<TKey> keys;
    for (const QString &p : FOrder.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QString name = p.trimmed();
        TKey k;
        while (!name.isEmpty()) {
            if (name.at(0) == QLatin1Char('-'))
                k.Desc = true;
            else if (name.at(0) == QLatin1Char('@'))
                k.Describe = 1;
            else if (name.at(0) == QChar(0xA7))
                k.Describe = 2;
            else
                break;
            name.remove(0, 1);
        }
        k.Attr = FMeta->AttrIndex(name);
        keys.append(k);
    }
    if (keys.isEmpty() || FItems.size() < 2)
        return;

    // One sort value per object and key (collation keys for texts, numbers
    // for numbers and dates), kept while the items stay the same: ordering
    // the other way round, or by the same column again, reuses them.
    if (!FSortCache || FSortCache->Items != FItems) {
        FSortCache = std::make_unique<TSortCache>();
        FSortCache->Items = FItems;
    }
    const int n = int(FItems.size());
    QVector<const QVector<TSortValue> *> columns;
    for (const TKey &key : std::as_const(keys)) {
        const QString id = QStringLiteral("%1|%2").arg(key.Attr).arg(key.Describe);
        auto it = FSortCache->Columns.find(id);
        if (it == FSortCache->Columns.end()) {
            const TPlAttrProperties *a = key.Attr >= 0 ? &FMeta->Attr(key.Attr) : nullptr;
            const QString codeList = a ? CodeListOf(*a) : QString();
            const bool text = a && (a->DataType == TplAttrType::atString || a->DataType == TplAttrType::atMemo);
            QCollator collator{QLocale(toolkit::FormatSettings().CollationLocale)};
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            QHash<QString, QString> described;
            QVector<TSortValue> values(n);
            std::vector<std::pair<QCollatorSortKey, int>> textKeys;
            for (int i = 0; i < n; ++i) {
                const QVariant raw = a ? FItems.at(i)->GetAttrValue(a->Name) : QVariant(FItems.at(i)->GetID());
                if (raw.isNull())
                    continue;
                TSortValue &v = values[i];
                v.Null = false;
                if (text || key.Describe) {
                    QString s = raw.toString();
                    if (key.Describe && CatalogueHooks().Description) {
                        auto d = described.find(s);
                        if (d == described.end())
                            d = described.insert(s, CatalogueHooks().Description(codeList, s, key.Describe == 2));
                        s = d.value();
                    }
                    textKeys.emplace_back(collator.sortKey(s), i);
                } else {
                    v.Number = raw.toDouble();
                }
            }
            // Texts are compared through their collation keys once; what is
            // kept is each text's rank, so later orderings compare numbers.
            std::sort(textKeys.begin(), textKeys.end(),
                      [](const auto &x, const auto &y) { return x.first.compare(y.first) < 0; });
            int rank = 0;
            for (size_t j = 0; j < textKeys.size(); ++j) {
                if (j > 0 && textKeys[j - 1].first.compare(textKeys[j].first) != 0)
                    ++rank;
                values[textKeys[j].second].Number = rank;
            }
            it = FSortCache->Columns.insert(id, std::move(values));
        }
        columns.append(&it.value());
    }
    QVector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        for (int k = 0; k < keys.size(); ++k) {
            const TSortValue &a = columns.at(k)->at(x);
            const TSortValue &b = columns.at(k)->at(y);
            int c = 0;
            if (a.Null || b.Null)
                c = a.Null == b.Null ? 0 : (a.Null ? -1 : 1);
            else
                c = a.Number < b.Number ? -1 : (a.Number > b.Number ? 1 : 0);
            if (c != 0)
                return keys.at(k).Desc ? c > 0 : c < 0;
        }
        return false;
    });
    QVector<TplPerObject *> sorted(n);
    for (int i = 0; i < n; ++i)
        sorted[i] = FItems.at(order.at(i));
    FItems = std::move(sorted);
    for (auto it = FSortCache->Columns.begin(); it != FSortCache->Columns.end(); ++it) {
        QVector<TSortValue> permuted(n);
        for (int i = 0; i < n; ++i)
            permuted[i] = std::move(it.value()[order.at(i)]);
        it.value() = std::move(permuted);
    }
    FSortCache->Items = FItems;
}

QList<TplDomainObject *> TPlCustomBoList::GetNestedObjectList() const
{
    QList<TplDomainObject *> r;
    r.reserve(FItems.size());
    for (TplPerObject *o : FItems)
        r << o;
    return r;
}

toolkit::TDataSet *TPlCustomBoList::GetDataSet()
{
    if (!FDataSet) {
        FDataSet = std::make_unique<TplBoListDataSet>(this);
        FDataSet->Open();
    }
    return FDataSet.get();
}

// --- TPlBoList -------------------------------------------------------------------

TPlBoList::TPlBoList(TPlClassMetaData *meta, QString description)
    : TPlCustomBoList(meta, std::move(description))
{
}

TPlBoList *TPlBoList::Create(const QString &className, TplDomainObject *retainer, const QString &description)
{
    return Make<TPlBoList>(retainer, pelvar::ClassMetaData(className), description);
}

void TPlBoList::Load()
{
    QString sql = QStringLiteral("select * from %1").arg(FMeta->Provider()->GetTableName());
    if (!FCondition.trimmed().isEmpty())
        sql += QStringLiteral(" where (%1)").arg(FCondition);
    sql += QStringLiteral(" order by ID");
    QSqlQuery q = ExecSql(sql);
    const TplPerObject::TRecordMap map(FMeta, q.record());
    QVector<TplPerObject *> loaded;
    while (q.next()) {
        TplPerObject *o = TplPerObject::FromQuery(map, q, this);
        loaded.append(o);
    }
    TplPerObject *current = CurrObject();
    // New references are taken before the old ones go, so objects in both
    // lists stay alive and keep their identity.
    const QVector<TplPerObject *> old = FItems;
    FItems = loaded;
    for (TplPerObject *o : old)
        o->Release(this);
    SortItems();
    FCurrent = IndexOf(current);
    if (FCurrent < 0 && !FItems.isEmpty())
        FCurrent = 0;
    FNeedRefresh = false;
    FLoadTime = QDateTime::currentDateTime();
    Changed(TplNotifyAction::naRefreshed);
}

void TPlBoList::Refresh()
{
    Load();
}

void TPlBoList::AddAndRefresh(TplPerObject *object)
{
    Add(object);
    TplPerObject *keep = object;
    SortItems();
    FCurrent = IndexOf(keep);
    Changed(TplNotifyAction::naRefreshed);
}

void TPlBoList::LoadCatalogueForColumns(const QStringList &columns)
{
    if (!CatalogueHooks().Load)
        return;
    QStringList done;
    for (const QString &c : columns) {
        const TPlAttrProperties *a = FMeta->GetAttrProperties(c);
        if (!a)
            continue;
        const QString list = CodeListOf(*a);
        if (!list.isEmpty() && !done.contains(list)) {
            CatalogueHooks().Load(list);
            done << list;
        }
    }
}

// --- TplBoListDataSet ------------------------------------------------------------

TplBoListDataSet::TplBoListDataSet(TPlCustomBoList *list)
    : toolkit::TDataSet(nullptr)
    , FList(list)
{
    setObjectName(list->ClassMetaData()->ClassName());
}

void TplBoListDataSet::Rebuild()
{
    FVisible.clear();
    FVisible.reserve(FList->FItems.size());
    for (TplPerObject *o : std::as_const(FList->FItems))
        if (!FList->IsObjectFiltered(o))
            FVisible.append(o);
}

void TplBoListDataSet::InternalOpen()
{
    SetFieldDefs(AttributeFieldDefs(FList->ClassMetaData()));
    ApplyAttributeFieldSettings(this, FList->ClassMetaData());
    Rebuild();
}

void TplBoListDataSet::ListChanged()
{
    if (!Active() || FSyncing)
        return;
    if (State() != toolkit::TDataSetState::dsBrowse)
        return; // the edit in progress ends first
    Rebuild();
    FSyncing = true;
    SyncCursor(int(FVisible.indexOf(FList->CurrObject())));
    FSyncing = false;
    DataEvent(toolkit::TDataEvent::deDataSetChange);
}

void TplBoListDataSet::CursorMoved()
{
    if (FSyncing)
        return;
    FSyncing = true;
    FList->SetCurrObject(CurrentObject());
    FSyncing = false;
}

QVariant TplBoListDataSet::InternalGetValue(int index, int field) const
{
    TplPerObject *o = FVisible.value(index, nullptr);
    if (!o)
        return {};
    if (field == 0)
        return o->GetID();
    return o->GetAttrValue(FList->ClassMetaData()->Attr(field - 1).Name);
}

void TplBoListDataSet::InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer)
{
    TPlClassMetaData *m = FList->ClassMetaData();
    auto write = [&](TplPerObject *o) {
        for (int i = 0; i < m->AttrCount(); ++i) {
            const QVariant now = o->GetAttrValue(m->Attr(i).Name);
            const QVariant v = buffer.value(i + 1);
            if (now != v || now.isNull() != v.isNull())
                o->SetAttrValue(m->Attr(i).Name, v);
        }
        o->PostData();
    };
    FSyncing = true;
    try {
        if (recIndex >= 0) {
            write(FVisible.at(recIndex));
        } else {
            TplPerObject *o = TplPerObject::Create(m->ClassName(), nullptr);
            try {
                write(o);
            } catch (...) {
                o->Release(nullptr);
                throw;
            }
            // Insert at the position the user chose, among the list's items.
            TplPerObject *before = FVisible.value(insertPos, nullptr);
            FList->Add(o);
            o->Release(nullptr); // the list holds it now
            if (before) {
                FList->FItems.removeAll(o);
                FList->FItems.insert(FList->IndexOf(before), o);
            }
            FList->FCurrent = FList->IndexOf(o);
        }
    } catch (...) {
        FSyncing = false;
        throw;
    }
    FSyncing = false;
    Rebuild();
}

void TplBoListDataSet::InternalDelete(int index)
{
    FSyncing = true;
    FList->Remove(FVisible.at(index));
    FSyncing = false;
    Rebuild();
}

QVariant TplBoListDataSet::InternalBookmark(int index) const
{
    return QVariant::fromValue<qulonglong>(reinterpret_cast<qulonglong>(FVisible.value(index, nullptr)));
}

int TplBoListDataSet::InternalBookmarkIndex(const QVariant &bookmark) const
{
    auto *o = reinterpret_cast<TplPerObject *>(bookmark.toULongLong());
    return o ? int(FVisible.indexOf(o)) : -1;
}

} // namespace pelvar
