// The core of the persistence layer: domain objects with reference counts
// and their holders, observers, the global dictionary of live objects, the
// statistics that monitors read and the layer's settings.
//
// Ownership: every domain object belongs to the global dictionary from its
// creation; holders only count references (AddRef/Release with the holder as
// retainer). When the count drops to zero the object is freed at once,
// unless a read of references is in progress (LockRefsRead); such objects
// wait for CollectGarbage. Observers (TplDomainNotifier) are domain objects
// too and are released like any other.
#pragma once

#include "pelvar/pelvar_export.h"
#include "toolkit/Exception.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QVarLengthArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <unordered_map>
#include <vector>

namespace pelvar {

class TplDomainObject;
class TplDomainNotifier;
class TplPerObject;
class TPlClassMetaData;

// The object-action enumeration; the ordinals are read by the grids.
enum class TplNotifyAction : int {
    naNone = 0,
    naCreated = 1,
    naDestroying = 2,
    naLoaded = 3,
    naSaved = 4,
    naDeleted = 5,
    naModified = 6,
    naPosted = 7,
    naCanceled = 8,
    naAttrChanged = 9,      // Param: the attribute's name
    naReadOnlyChanged = 10,
    naErrorChanged = 11,
    naObjectAdded = 12,     // Sender: the list; Param: the object
    naObjectRemoved = 13,   // Sender: the list; Param: the object
    naCleared = 14,
    naCurrentChanged = 15,
    naOrderChanged = 16,
    naNeedRefresh = 17,     // Sender: the list or view whose data are stale
    naRefreshed = 18,
};

// Kinds of reference-count change reported to PerLayerStatistics.
enum TplRefChangeType : int {
    rcAcquire = 0,
    rcRelease = 1,
    rcCreated = 2,   // made new in memory
    rcLoaded = 3,    // made from a database row
};

// What went wrong, as far as a user and the code that may retry care.
enum class TplErrorKind {
    ekOther,          // anything else (details in the log)
    ekLocked,         // another program or workstation holds the data; try again
    ekReadOnly,       // the database or its folder cannot be written
    ekNotOpen,        // no connection to the database
    ekConnectionLost, // the connection broke during the work
    ekGone,           // the record was deleted by someone else
    ekChanged,        // the record was changed by someone else since it was read
    ekInvalid,        // the data break a rule; the message says which (Slovenian)
    ekDamaged,        // a database file is damaged or is no database at all
};

// The persistence layer's error. Message() carries the details for the
// programmer and the log (English, with the SQL); UserMessage() what the
// user is told, in Slovenian, by kind.
class PELVAR_EXPORT EplError : public toolkit::Exception
{
public:
    explicit EplError(QString message, TplErrorKind kind = TplErrorKind::ekOther, QString userMessage = {}, QString code = {});
    TplErrorKind Kind() const { return FKind; }
    // The database's own error code (SQLite result code, PostgreSQL SQLSTATE).
    QString Code() const { return FCode; }
    // The given user message, else the kind's own text.
    QString UserMessage() const override;

private:
    TplErrorKind FKind;
    QString FCode;
};

// Raises the layer's "not implemented" error.
[[noreturn]] PELVAR_EXPORT void NotImplemented(const QString &text);

class PELVAR_EXPORT TplDomainObject
{
public:
    TplDomainObject();
    virtual ~TplDomainObject();
    TplDomainObject(const TplDomainObject &) = delete;
    TplDomainObject &operator=(const TplDomainObject &) = delete;

    virtual QString ClassName() const { return QStringLiteral("TplDomainObject"); }
    // Class names from this class up to (not including) TplDomainObject.
    virtual QStringList ClassAncestry() const { return {ClassName()}; }
    // Text identity for monitors; empty for objects without one.
    virtual QString GetIDText() const { return {}; }
    virtual QString Description() const { return ClassName(); }
    virtual int ImageIndex() const { return -1; }
    // Rough bytes held, for the dictionary's memory figure.
    virtual qint64 MemorySize() const { return qint64(sizeof(*this)); }

    int RefCount() const { return FRefCount; }
    // Whether `retainer` holds a reference (a list asking whether it holds this object).
    bool HeldBy(const TplDomainObject *retainer) const { return FRetainers.contains(retainer); }
    void AddRef(TplDomainObject *retainer = nullptr);
    void Release(TplDomainObject *retainer = nullptr);
    // One entry per reference held; nullptr stands for a holder without identity.
    QList<TplDomainObject *> Retainers() const { return QList<TplDomainObject *>(FRetainers.begin(), FRetainers.end()); }
    void LockRefsRead();
    void UnlockRefsRead();
    bool RefsReadLocked() const { return FRefsReadLock > 0; }

    qint64 GetMemorySequence() const { return FMemorySequence; }
    virtual bool GetNeedToRefresh() const { return false; }

    void AttachObserver(TplDomainNotifier *observer);
    void DetachObserver(TplDomainNotifier *observer);
    int ObserverCount() const { return int(FObservers.size()); }
    // Tells every observer; does nothing while notifications are off.
    void NotifyObservers(TplNotifyAction action, const QVariant &param = {}, TplDomainObject *list = nullptr);
    // Whether a notification would reach anyone (an observer, or a holder
    // that relays); callers skip building the notice's parameter when not.
    bool HasListeners() const;
    // Passes on another object's notification (a list relaying its objects').
    void NotifyObserversFrom(TplDomainObject *sender, TplNotifyAction action, const QVariant &param, TplDomainObject *list);

    // Internal objects (observers, helpers) are hidden from reference traces.
    bool IsInternal() const { return FInternal; }
    void SetInternal(bool v) { FInternal = v; }
    bool InDestroy() const { return FInDestroy; }

    // Puts a newly made object into the dictionary with one reference held
    // by `retainer`. Every object is created this way (see Make below).
    void Register(TplDomainObject *retainer, TplRefChangeType kind = rcCreated);
    bool IsRegistered() const { return FRegistered; }

protected:
    // Holders that pass on the notifications of the objects they hold (lists)
    // set FRelaysHeldObjects and receive them here.
    virtual void HeldObjectNotified(TplDomainObject *sender, TplNotifyAction action, const QVariant &param)
    {
        Q_UNUSED(sender);
        Q_UNUSED(action);
        Q_UNUSED(param);
    }
    bool FRelaysHeldObjects = false;

private:
    friend class TplGlobalDictionary;
    friend class TplCustomPerLayerDictionary;
    friend class TplDomainNotifier;
    int FRefCount = 0;
    int FDictIndex = -1; // position in the dictionary's object vector
    int FRefsReadLock = 0;
    qint64 FMemorySequence = 0;
    // Most objects have one holder; it is kept without a separate allocation.
    QVarLengthArray<TplDomainObject *, 2> FRetainers;
    QList<TplDomainNotifier *> FObservers;
    bool FInternal = false;
    bool FInDestroy = false;
    bool FRegistered = false;
};

// Creates a domain object registered in the dictionary, held once by retainer.
template<class T, class... A>
T *Make(TplDomainObject *retainer, A &&...args)
{
    T *o = new T(std::forward<A>(args)...);
    o->Register(retainer);
    return o;
}

// An observer: told of every notification of the objects it is attached to.
class PELVAR_EXPORT TplDomainNotifier : public TplDomainObject
{
public:
    using TNotifyEvent = std::function<void(TplDomainObject *sender, TplNotifyAction action, const QVariant &param,
                                            TplDomainObject *list)>;
    explicit TplDomainNotifier(TNotifyEvent onNotify = {});
    ~TplDomainNotifier() override;
    QString ClassName() const override { return QStringLiteral("TplDomainNotifier"); }

    virtual void DoNotifyAction(TplDomainObject *sender, TplNotifyAction action, const QVariant &param,
                                TplDomainObject *list);
    void SetOnNotify(TNotifyEvent e) { FOnNotify = std::move(e); }
    void DetachAll();
    // Detaches from many subjects at once (a list letting go of its objects).
    void DetachFrom(const QVector<TplPerObject *> &subjects);
    QList<TplDomainObject *> Subjects() const { return FSubjects.values(); }

private:
    friend class TplDomainObject;
    TNotifyEvent FOnNotify;
    QSet<TplDomainObject *> FSubjects; // a list's relay watches every object of the list

};

// A counted reference for C++ code: AddRef on copy, Release on destruction.
template<class T>
class TplRef
{
public:
    TplRef() = default;
    // Adopts a reference already held by `retainer` (as Make returns it).
    static TplRef Adopt(T *object, TplDomainObject *retainer = nullptr)
    {
        TplRef r;
        r.FObject = object;
        r.FRetainer = retainer;
        return r;
    }
    explicit TplRef(T *object, TplDomainObject *retainer = nullptr)
        : FObject(object), FRetainer(retainer)
    {
        if (FObject)
            FObject->AddRef(FRetainer);
    }
    TplRef(const TplRef &o) : TplRef(o.FObject, o.FRetainer) {}
    TplRef(TplRef &&o) noexcept : FObject(o.FObject), FRetainer(o.FRetainer) { o.FObject = nullptr; }
    TplRef &operator=(TplRef o) noexcept
    {
        std::swap(FObject, o.FObject);
        std::swap(FRetainer, o.FRetainer);
        return *this;
    }
    ~TplRef() { reset(); }
    void reset()
    {
        if (FObject) {
            T *o = FObject;
            FObject = nullptr;
            o->Release(FRetainer);
        }
    }
    T *get() const { return FObject; }
    T *operator->() const { return FObject; }
    T &operator*() const { return *FObject; }
    explicit operator bool() const { return FObject != nullptr; }

private:
    T *FObject = nullptr;
    TplDomainObject *FRetainer = nullptr;
};

class PELVAR_EXPORT TplCustomPerLayerDictionary
{
public:
    virtual ~TplCustomPerLayerDictionary();
    int Count() const { return int(FObjects.size()) - FHoles; }
    TplDomainObject *GetPerObjectWithIndex(int index) const;
    // Safe for pointers to objects that are gone: only the address is looked up.
    bool Contains(const TplDomainObject *o) const { return FLive.Contains(o); }

protected:
    void AddObject(TplDomainObject *o);
    void RemoveObject(TplDomainObject *o);

private:
    // An object leaving the dictionary leaves a hole rather than moving the
    // last object into its place: freeing a large list then touches no other
    // object. The holes go when the objects are read by index or when they
    // outnumber the live ones.
    void Compact() const;
    mutable QVector<TplDomainObject *> FObjects;
    mutable int FHoles = 0;

    // The addresses of the live objects, in one open table (linear probing,
    // a removal moves back the entries after it): a large list adds and
    // removes its objects here without a node each.
    class TAddressSet
    {
    public:
        bool Contains(const void *p) const;
        void Insert(const void *p);
        bool Remove(const void *p);

    private:
        size_t Home(const void *p) const;
        void Grow();
        std::vector<const void *> FSlots;
        size_t FCount = 0;
    };
    TAddressSet FLive;
};

// Every live domain object, and the identity map of stored objects by class and ID.
class PELVAR_EXPORT TplGlobalDictionary : public TplCustomPerLayerDictionary
{
public:
    TplGlobalDictionary();
    ~TplGlobalDictionary() override;

    TplPerObject *Find(const QString &className, qint64 id);
    TplPerObject *Find(const TPlClassMetaData *meta, qint64 id);
    double GetAverageFindTime() const; // milliseconds
    double GetMaxFindTime() const;     // milliseconds
    qint64 FindCount() const { return FFindCount; }
    qint64 MemoryUsed() const;
    bool GetShowGCStatus() const { return FShowGCStatus; }
    void SetShowGCStatus(bool v) { FShowGCStatus = v; }
    // Frees objects nobody holds; returns how many.
    int CollectGarbage();
    int InstanceCount(const QString &className) const;
    QStringList ClassNames() const;
    // "Class(ID) RC n" of every live object; for test failures and logs.
    QStringList Describe() const;

private:
    friend class TplDomainObject;
    friend class TplPerObject;
    void Add(TplDomainObject *o);
    void Free(TplDomainObject *o);
    void IndexPerObject(TplPerObject *o);
    void UnindexPerObject(TplPerObject *o);

    // Stored objects by ID, one table per class: IDs read in order land in
    // neighbouring slots, so loading a large list stays in the cache.
    class TIdIndex
    {
    public:
        TplPerObject *Find(qint64 id) const;
        void Insert(qint64 id, TplPerObject *object);
        void Remove(qint64 id, const TplPerObject *object);

    private:
        struct TSlot
        {
            qint64 Id = 0;
            TplPerObject *Object = nullptr; // nullptr: empty
        };
        size_t Home(qint64 id) const;
        size_t Distance(size_t slot) const; // from the entry's home slot
        void Grow();
        std::vector<TSlot> FSlots;
        size_t FCount = 0;
    };
    TIdIndex &IndexOf(const TPlClassMetaData *meta);
    std::unordered_map<const TPlClassMetaData *, TIdIndex> FByClass;
    const TPlClassMetaData *FLastMeta = nullptr;
    TIdIndex *FLastIndex = nullptr;
    qint64 FFindCount = 0;
    qint64 FTimedFinds = 0;
    qint64 FFindNanos = 0;
    qint64 FMaxFindNanos = 0;
    bool FShowGCStatus = false;
    qint64 FNextSequence = 1;
};

PELVAR_EXPORT TplGlobalDictionary &GlobalDictionary();

// Reference-count tracing for the monitors.
class PELVAR_EXPORT TIPerLayerStatistics
{
public:
    using TRefChangeEvent = std::function<void(TplDomainObject *obj, int changeType, TplDomainObject *retainer, void *data)>;

    // The event slot: the handler runs for every change while Tracing is on.
    void SetReferenceCountChanged(TRefChangeEvent handler, void *data = nullptr)
    {
        FOnRefChange = std::move(handler);
        FData = data;
    }
    bool Tracing() const { return FTracing; }
    void SetTracing(bool v) { FTracing = v; }
    void Report(TplDomainObject *obj, int changeType, TplDomainObject *retainer);

    // "Class(ID) xN, ..." of the holders of an object's references.
    QString GetBoRetainersString(const TplDomainObject *obj) const;
    // Consistency of the dictionary and the objects' counts; one text per fault.
    QStringList CheckInternalRegistrations() const;
    double GetAverageFindTime() const { return GlobalDictionary().GetAverageFindTime(); }
    double GetMaxFindTime() const { return GlobalDictionary().GetMaxFindTime(); }

private:
    TRefChangeEvent FOnRefChange;
    void *FData = nullptr;
    bool FTracing = false;
};

PELVAR_EXPORT TIPerLayerStatistics &PerLayerStatistics();

struct PELVAR_EXPORT TIPerLayerSettings
{
    bool NotificationsEnabled = true; // aiNotificationsEnabled
    bool GlobalSaveDuplicates = false;
    bool ReleaseLogging = false;
    QString CurrentUser = QStringLiteral("SYSTEM");
    // Diagnostic lines of the layer (transactions, lock errors); a host or
    // the utility library connects its log here.
    std::function<void(const QString &line)> Log;
};

PELVAR_EXPORT TIPerLayerSettings &PerLayerSettings();
PELVAR_EXPORT void PlLog(const QString &line);

} // namespace pelvar

Q_DECLARE_METATYPE(pelvar::TplDomainObject *)
