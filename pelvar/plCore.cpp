#include "plCore.h"
#include "plObject.h"
#include "plMeta.h"

namespace pelvar {

EplError::EplError(QString message, TplErrorKind kind, QString userMessage, QString code)
    : toolkit::Exception(std::move(message), std::move(userMessage))
    , FKind(kind)
    , FCode(std::move(code))
{
}

QString EplError::UserMessage() const
{
    if (HasUserMessage())
        return toolkit::Exception::UserMessage();
    switch (FKind) {
    case TplErrorKind::ekDamaged:
        return QStringLiteral("Datoteka baze podatkov je poškodovana. Obnovite jo iz varnostne kopije ali se obrnite na skrbnika sistema.");
    case TplErrorKind::ekLocked:
        return QStringLiteral("Podatke trenutno uporablja drug program ali delovna postaja, zato jih ni mogoče shraniti. "
                              "Počakajte trenutek in poskusite znova.");
    case TplErrorKind::ekReadOnly:
        return QStringLiteral("Baza podatkov je samo za branje, zato sprememb ni mogoče shraniti. "
                              "Obrnite se na skrbnika sistema.");
    case TplErrorKind::ekNotOpen:
        return QStringLiteral("Povezava z bazo podatkov ni vzpostavljena. Preverite omrežje in poskusite znova.");
    case TplErrorKind::ekConnectionLost:
        return QStringLiteral("Povezava z bazo podatkov je bila prekinjena. Poskusite znova; če se ponovi, "
                              "se obrnite na skrbnika sistema.");
    case TplErrorKind::ekGone:
        return QStringLiteral("Zapisa ni več v bazi: medtem ga je izbrisal drug uporabnik ali program.");
    case TplErrorKind::ekChanged:
        return QStringLiteral("Zapis je medtem spremenil drug uporabnik.");
    case TplErrorKind::ekInvalid:
        return Message();
    case TplErrorKind::ekOther:
        break;
    }
    return QStringLiteral("Pri delu z bazo podatkov je prišlo do napake. Podrobnosti so zapisane v dnevniku aplikacije.");
}

void NotImplemented(const QString &text)
{
    throw EplError(QStringLiteral("Not implemented: %1").arg(text));
}

// --- TplDomainObject ---------------------------------------------------------

TplDomainObject::TplDomainObject() = default;

TplDomainObject::~TplDomainObject()
{
    FInDestroy = true;
    const QList<TplDomainNotifier *> observers = FObservers;
    for (TplDomainNotifier *n : observers)
        n->FSubjects.remove(this);
    FObservers.clear();
}

void TplDomainObject::Register(TplDomainObject *retainer, TplRefChangeType kind)
{
    if (FRegistered)
        throw EplError(QStringLiteral("TplDomainObject.Register: %1 is already registered!").arg(ClassName()));
    FRegistered = true;
    GlobalDictionary().Add(this);
    FRefCount = 1;
    FRetainers.append(retainer);
    PerLayerStatistics().Report(this, kind, retainer);
}

void TplDomainObject::AddRef(TplDomainObject *retainer)
{
    ++FRefCount;
    FRetainers.append(retainer);
    PerLayerStatistics().Report(this, rcAcquire, retainer);
}

void TplDomainObject::Release(TplDomainObject *retainer)
{
    if (FRefCount <= 0)
        throw EplError(QStringLiteral("TplDomainObject.Release: %1 %2 has no references!").arg(ClassName(), GetIDText()));
    // The event comes before the count drops, so a handler still sees the object.
    PerLayerStatistics().Report(this, rcRelease, retainer);
    const int i = FRetainers.indexOf(retainer);
    FRetainers.remove(i >= 0 ? i : 0);
    if (--FRefCount == 0 && FRefsReadLock == 0 && FRegistered)
        GlobalDictionary().Free(this);
}

void TplDomainObject::LockRefsRead()
{
    ++FRefsReadLock;
}

void TplDomainObject::UnlockRefsRead()
{
    if (FRefsReadLock > 0)
        --FRefsReadLock;
}

void TplDomainObject::AttachObserver(TplDomainNotifier *observer)
{
    if (!observer || FObservers.contains(observer))
        return;
    FObservers.append(observer);
    observer->FSubjects.insert(this);
}

void TplDomainObject::DetachObserver(TplDomainNotifier *observer)
{
    if (!observer)
        return;
    FObservers.removeAll(observer);
    observer->FSubjects.remove(this);
}

void TplDomainObject::NotifyObservers(TplNotifyAction action, const QVariant &param, TplDomainObject *list)
{
    NotifyObserversFrom(this, action, param, list);
}

bool TplDomainObject::HasListeners() const
{
    if (!PerLayerSettings().NotificationsEnabled)
        return false;
    if (!FObservers.isEmpty())
        return true;
    for (const TplDomainObject *r : FRetainers)
        if (r && r->FRelaysHeldObjects)
            return true;
    return false;
}

void TplDomainObject::NotifyObserversFrom(TplDomainObject *sender, TplNotifyAction action, const QVariant &param,
                                          TplDomainObject *list)
{
    if (!PerLayerSettings().NotificationsEnabled)
        return;
    if (sender == this && action != TplNotifyAction::naDestroying) {
        // The lists holding this object pass the news on to their observers.
        TplDomainObject *last = nullptr;
        const QVarLengthArray<TplDomainObject *, 2> holders = FRetainers;
        for (TplDomainObject *r : holders) {
            if (r && r != last && r->FRelaysHeldObjects && GlobalDictionary().Contains(r))
                r->HeldObjectNotified(this, action, param);
            last = r;
        }
    }
    if (FObservers.isEmpty())
        return;
    const QList<TplDomainNotifier *> observers = FObservers;
    for (TplDomainNotifier *n : observers)
        if (FObservers.contains(n)) // an earlier observer may have detached it
            n->DoNotifyAction(sender, action, param, list);
}

// --- TplDomainNotifier -------------------------------------------------------

TplDomainNotifier::TplDomainNotifier(TNotifyEvent onNotify)
    : FOnNotify(std::move(onNotify))
{
    SetInternal(true);
}

TplDomainNotifier::~TplDomainNotifier()
{
    DetachAll();
}

void TplDomainNotifier::DetachAll()
{
    const QList<TplDomainObject *> subjects = FSubjects.values();
    for (TplDomainObject *s : subjects)
        s->DetachObserver(this);
}

void TplDomainNotifier::DetachFrom(const QVector<TplPerObject *> &subjects)
{
    for (TplPerObject *s : subjects) {
        TplDomainObject *o = s;
        o->FObservers.removeOne(this);
        FSubjects.remove(o);
    }
}

void TplDomainNotifier::DoNotifyAction(TplDomainObject *sender, TplNotifyAction action, const QVariant &param,
                                       TplDomainObject *list)
{
    if (FOnNotify)
        FOnNotify(sender, action, param, list);
}

// --- dictionaries --------------------------------------------------------------

TplCustomPerLayerDictionary::~TplCustomPerLayerDictionary() = default;

size_t TplCustomPerLayerDictionary::TAddressSet::Home(const void *p) const
{
    // Fibonacci hashing: addresses 16 bytes apart land far apart.
    const quint64 v = quint64(reinterpret_cast<quintptr>(p)) >> 4;
    return size_t((v * 0x9E3779B97F4A7C15ull) >> 32) & (FSlots.size() - 1);
}

bool TplCustomPerLayerDictionary::TAddressSet::Contains(const void *p) const
{
    if (FSlots.empty() || !p)
        return false;
    const size_t mask = FSlots.size() - 1;
    for (size_t i = Home(p); FSlots[i]; i = (i + 1) & mask)
        if (FSlots[i] == p)
            return true;
    return false;
}

void TplCustomPerLayerDictionary::TAddressSet::Grow()
{
    std::vector<const void *> old = std::move(FSlots);
    FSlots.assign(std::max<size_t>(64, old.size() * 2), nullptr);
    FCount = 0;
    for (const void *p : old)
        if (p)
            Insert(p);
}

void TplCustomPerLayerDictionary::TAddressSet::Insert(const void *p)
{
    if ((FCount + 1) * 2 > FSlots.size())
        Grow();
    const size_t mask = FSlots.size() - 1;
    size_t i = Home(p);
    for (; FSlots[i]; i = (i + 1) & mask)
        if (FSlots[i] == p)
            return;
    FSlots[i] = p;
    ++FCount;
}

bool TplCustomPerLayerDictionary::TAddressSet::Remove(const void *p)
{
    if (FSlots.empty() || !p)
        return false;
    const size_t mask = FSlots.size() - 1;
    size_t i = Home(p);
    for (; FSlots[i] != p; i = (i + 1) & mask)
        if (!FSlots[i])
            return false;
    // Entries after the hole that could sit in it move back, so that no
    // look-up stops at the hole before reaching them.
    for (size_t j = (i + 1) & mask; FSlots[j]; j = (j + 1) & mask) {
        const size_t home = Home(FSlots[j]);
        const bool between = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (!between) {
            FSlots[i] = FSlots[j];
            i = j;
        }
    }
    FSlots[i] = nullptr;
    --FCount;
    return true;
}

void TplCustomPerLayerDictionary::AddObject(TplDomainObject *o)
{
    FLive.Insert(o);
    if (FHoles > 0 && FHoles >= int(FObjects.size()) / 2)
        Compact();
    o->FDictIndex = int(FObjects.size());
    FObjects.append(o);
}

void TplCustomPerLayerDictionary::Compact() const
{
    if (FHoles == 0)
        return;
    int to = 0;
    for (int from = 0; from < FObjects.size(); ++from) {
        TplDomainObject *o = FObjects.at(from);
        if (!o)
            continue;
        o->FDictIndex = to;
        FObjects[to++] = o;
    }
    FObjects.resize(to);
    FHoles = 0;
}

TplDomainObject *TplCustomPerLayerDictionary::GetPerObjectWithIndex(int index) const
{
    Compact();
    return FObjects.value(index);
}

void TplCustomPerLayerDictionary::RemoveObject(TplDomainObject *o)
{
    if (o->FDictIndex < 0 || !FLive.Remove(o))
        return;
    const int pos = o->FDictIndex;
    o->FDictIndex = -1;
    if (pos == FObjects.size() - 1) {
        FObjects.removeLast();
        return;
    }
    FObjects[pos] = nullptr;
    ++FHoles;
}

TplGlobalDictionary::TplGlobalDictionary() = default;

TplGlobalDictionary::~TplGlobalDictionary() = default;

void TplGlobalDictionary::Add(TplDomainObject *o)
{
    o->FMemorySequence = FNextSequence++;
    AddObject(o);
}

void TplGlobalDictionary::Free(TplDomainObject *o)
{
    // Called for live objects only (their last release, garbage collection):
    // the object's own index says whether it is registered.
    if (o->FDictIndex < 0)
        return;
    o->FInDestroy = true;
    if (!o->FObservers.isEmpty())
        o->NotifyObservers(TplNotifyAction::naDestroying);
    RemoveObject(o);
    delete o;
}

size_t TplGlobalDictionary::TIdIndex::Home(qint64 id) const
{
    // The low bits of an ID stay as they are (neighbours stay neighbours);
    // higher bits are folded in so that IDs a table's size apart spread.
    const quint64 v = quint64(id);
    return size_t(v ^ (v >> 16) ^ (v >> 32)) & (FSlots.size() - 1);
}

// Robin Hood order: an entry never sits further from its home slot than the
// entry after it would, so a look-up stops early and a removal only moves
// back the entries that were displaced. IDs read in order sit at home, and
// removing them costs nothing more than clearing their slot.
size_t TplGlobalDictionary::TIdIndex::Distance(size_t slot) const
{
    return (slot - Home(FSlots[slot].Id)) & (FSlots.size() - 1);
}

TplPerObject *TplGlobalDictionary::TIdIndex::Find(qint64 id) const
{
    if (FSlots.empty())
        return nullptr;
    const size_t mask = FSlots.size() - 1;
    for (size_t i = Home(id), distance = 0;; i = (i + 1) & mask, ++distance) {
        const TSlot &s = FSlots[i];
        if (!s.Object || Distance(i) < distance)
            return nullptr;
        if (s.Id == id)
            return s.Object;
    }
}

void TplGlobalDictionary::TIdIndex::Grow()
{
    std::vector<TSlot> old = std::move(FSlots);
    FSlots.assign(std::max<size_t>(64, old.size() * 2), TSlot{});
    FCount = 0;
    for (const TSlot &s : old)
        if (s.Object)
            Insert(s.Id, s.Object);
}

void TplGlobalDictionary::TIdIndex::Insert(qint64 id, TplPerObject *object)
{
    if ((FCount + 1) * 2 > FSlots.size())
        Grow();
    const size_t mask = FSlots.size() - 1;
    TSlot carried{id, object};
    for (size_t i = Home(id), distance = 0;; i = (i + 1) & mask, ++distance) {
        TSlot &s = FSlots[i];
        if (!s.Object) {
            s = carried;
            ++FCount;
            return;
        }
        if (s.Id == carried.Id) { // only the new ID can be met again: IDs are unique in the table
            s.Object = carried.Object;
            return;
        }
        const size_t their = Distance(i);
        if (their < distance) {
            std::swap(s, carried);
            distance = their;
        }
    }
}

void TplGlobalDictionary::TIdIndex::Remove(qint64 id, const TplPerObject *object)
{
    if (FSlots.empty())
        return;
    const size_t mask = FSlots.size() - 1;
    size_t i = Home(id);
    for (size_t distance = 0;; i = (i + 1) & mask, ++distance) {
        if (!FSlots[i].Object || Distance(i) < distance)
            return;
        if (FSlots[i].Id == id)
            break;
    }
    if (FSlots[i].Object != object)
        return;
    for (size_t j = (i + 1) & mask; FSlots[j].Object && Distance(j) > 0; j = (j + 1) & mask) {
        FSlots[i] = FSlots[j];
        i = j;
    }
    FSlots[i] = TSlot{};
    --FCount;
}

TplGlobalDictionary::TIdIndex &TplGlobalDictionary::IndexOf(const TPlClassMetaData *meta)
{
    if (meta != FLastMeta || !FLastIndex) {
        FLastIndex = &FByClass[meta];
        FLastMeta = meta;
    }
    return *FLastIndex;
}

void TplGlobalDictionary::IndexPerObject(TplPerObject *o)
{
    IndexOf(o->ClassMetaData()).Insert(o->GetID(), o);
}

void TplGlobalDictionary::UnindexPerObject(TplPerObject *o)
{
    IndexOf(o->ClassMetaData()).Remove(o->GetID(), o);
}

TplPerObject *TplGlobalDictionary::Find(const QString &className, qint64 id)
{
    return Find(FindClassMetaData(className), id);
}

TplPerObject *TplGlobalDictionary::Find(const TPlClassMetaData *meta, qint64 id)
{
    // One find in eight is timed: reading the clock costs more than a find,
    // and a list load finds once per row. The figures are those of the sample.
    ++FFindCount;
    if ((FFindCount & 7) != 1)
        return meta ? IndexOf(meta).Find(id) : nullptr;
    QElapsedTimer t;
    t.start();
    TplPerObject *o = meta ? IndexOf(meta).Find(id) : nullptr;
    const qint64 ns = t.nsecsElapsed();
    ++FTimedFinds;
    FFindNanos += ns;
    FMaxFindNanos = std::max(FMaxFindNanos, ns);
    return o;
}

double TplGlobalDictionary::GetAverageFindTime() const
{
    return FTimedFinds == 0 ? 0.0 : double(FFindNanos) / double(FTimedFinds) / 1e6;
}

double TplGlobalDictionary::GetMaxFindTime() const
{
    return double(FMaxFindNanos) / 1e6;
}

qint64 TplGlobalDictionary::MemoryUsed() const
{
    qint64 total = 0;
    for (int i = 0; i < Count(); ++i)
        total += GetPerObjectWithIndex(i)->MemorySize();
    return total;
}

int TplGlobalDictionary::CollectGarbage()
{
    QList<TplDomainObject *> dead;
    for (int i = 0; i < Count(); ++i) {
        TplDomainObject *o = GetPerObjectWithIndex(i);
        if (o->RefCount() == 0 && !o->RefsReadLocked())
            dead.append(o);
    }
    for (TplDomainObject *o : dead)
        Free(o);
    if (FShowGCStatus)
        PlLog(QStringLiteral("Garbage collection: %1 objects freed, %2 live").arg(dead.size()).arg(Count()));
    return int(dead.size());
}

int TplGlobalDictionary::InstanceCount(const QString &className) const
{
    int n = 0;
    for (int i = 0; i < Count(); ++i)
        if (GetPerObjectWithIndex(i)->ClassName().compare(className, Qt::CaseInsensitive) == 0)
            ++n;
    return n;
}

QStringList TplGlobalDictionary::ClassNames() const
{
    QStringList names;
    for (int i = 0; i < Count(); ++i) {
        const QString n = GetPerObjectWithIndex(i)->ClassName();
        if (!names.contains(n))
            names.append(n);
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

QStringList TplGlobalDictionary::Describe() const
{
    QStringList r;
    for (int i = 0; i < Count(); ++i) {
        const TplDomainObject *o = GetPerObjectWithIndex(i);
        r << QStringLiteral("%1(%2) RC %3 held by %4")
                 .arg(o->ClassName(), o->GetIDText())
                 .arg(o->RefCount())
                 .arg(PerLayerStatistics().GetBoRetainersString(o));
    }
    return r;
}

TplGlobalDictionary &GlobalDictionary()
{
    static TplGlobalDictionary dictionary;
    return dictionary;
}

// --- statistics and settings -----------------------------------------------------

void TIPerLayerStatistics::Report(TplDomainObject *obj, int changeType, TplDomainObject *retainer)
{
    if (FTracing && FOnRefChange)
        FOnRefChange(obj, changeType, retainer, FData);
}

QString TIPerLayerStatistics::GetBoRetainersString(const TplDomainObject *obj) const
{
    if (!obj)
        return {};
    QStringList parts;
    QHash<QString, int> counts;
    for (const TplDomainObject *r : obj->Retainers()) {
        if (r && !GlobalDictionary().Contains(r)) {
            parts.append(QStringLiteral("<freed>"));
            continue;
        }
        QString name = QStringLiteral("?");
        if (r && !r->GetIDText().isEmpty())
            name = QStringLiteral("%1(%2)").arg(r->ClassName(), r->GetIDText());
        else if (r && r->Description() != r->ClassName())
            name = QStringLiteral("%1: %2").arg(r->ClassName(), r->Description());
        else if (r)
            name = r->ClassName();
        if (!counts.contains(name))
            parts.append(name);
        ++counts[name];
    }
    for (QString &p : parts)
        if (counts.value(p) > 1)
            p += QStringLiteral(" x%1").arg(counts.value(p));
    return parts.join(QStringLiteral(", "));
}

QStringList TIPerLayerStatistics::CheckInternalRegistrations() const
{
    QStringList faults;
    const TplGlobalDictionary &d = GlobalDictionary();
    for (int i = 0; i < d.Count(); ++i) {
        const TplDomainObject *o = d.GetPerObjectWithIndex(i);
        if (o->RefCount() != o->Retainers().size())
            faults << QStringLiteral("%1(%2): reference count %3 but %4 holders")
                          .arg(o->ClassName(), o->GetIDText())
                          .arg(o->RefCount())
                          .arg(o->Retainers().size());
        for (const TplDomainObject *r : o->Retainers())
            if (r && !d.Contains(r))
                faults << QStringLiteral("%1(%2): held by an object that no longer lives").arg(o->ClassName(), o->GetIDText());
    }
    return faults;
}

TIPerLayerStatistics &PerLayerStatistics()
{
    static TIPerLayerStatistics statistics;
    return statistics;
}

TIPerLayerSettings &PerLayerSettings()
{
    static TIPerLayerSettings settings;
    return settings;
}

void PlLog(const QString &line)
{
    if (PerLayerSettings().Log)
        PerLayerSettings().Log(line);
}

} // namespace pelvar
