// Connections and sessions of the persistence layer.
//
// The application works against the connection "_ZDR". On the embedded
// SQLite database the schema QDAT is a second file attached under that name
// and the Oracle functions the framework's SQL uses are registered
// (to_date with 'DD.MM.YYYY' and 'DD.MM.YYYY HH24:MI:SS', nvl, and package
// functions written QDAT.<PACKAGE>.<FUNCTION>(...), which run as
// <PACKAGE>_<FUNCTION> registered by the host). On PostgreSQL, QDAT is a real
// schema holding the same functions. Dates are stored as ISO text on SQLite
// and as timestamps on PostgreSQL; either way they read back as TDateTime.
//
// Values typed by users go into SQL only through QuotedStr (apostrophes
// doubled) or bound parameters; identifiers only after IsSafeIdentifier.
#pragma once

#include "pelvar/pelvar_export.h"
#include "pelvar/plCore.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace pelvar {

enum class TplDialect { dlSQLite, dlPostgreSQL };

inline const QString DefaultConnection = QStringLiteral("_ZDR");

PELVAR_EXPORT void OpenSqliteConnection(const QString &mainFile, const QString &qdatFile,
                                        const QString &connectionName = DefaultConnection);
// The password goes to the driver only; it is never logged.
PELVAR_EXPORT void OpenPostgresConnection(const QString &host, int port, const QString &database, const QString &user,
                                          const QString &password, const QString &connectionName = DefaultConnection);
PELVAR_EXPORT void CloseConnection(const QString &connectionName = DefaultConnection);
PELVAR_EXPORT TplDialect Dialect(const QString &connectionName = DefaultConnection);
PELVAR_EXPORT QSqlDatabase Connection(const QString &connectionName = DefaultConnection);

// A function the host's SQL calls, for the embedded database (name as the
// SQL writes it after translation, e.g. "PCKSELECT_GETLOCATIONTRAKT").
using TplSqlFunction = std::function<QVariant(const QVariantList &args)>;
PELVAR_EXPORT void RegisterSqliteFunction(const QString &name, int argCount, TplSqlFunction function);

// 'text' with apostrophes doubled, NUL characters dropped.
PELVAR_EXPORT QString QuotedStr(const QString &value);
// Letters, digits and "_", not starting with a digit; "QDAT.X" when qualified is allowed.
PELVAR_EXPORT bool IsSafeIdentifier(const QString &name, bool qualifiedAllowed);
// Oracle package calls rewritten for the dialect.
PELVAR_EXPORT QString TranslateSql(const QString &sql, TplDialect dialect);
// Runs a statement (translated) with positional bind values; raises EplError
// naming the statement and the driver's message.
// While a statement on the embedded database waits for a lock another
// program or workstation holds, the handler is asked every 50 ms with the
// milliseconds waited so far; false gives up (the statement fails with
// ekLocked). When the statement is done, either way, it is called once with
// -1. While the handler runs, the database may not be used (an error of
// kind ekLocked says so). Without a handler the wait ends after
// DefaultLockWaitMs. The
// framework installs one that shows the please-wait window, which Escape
// cancels. On PostgreSQL the statement waits in steps of the session's
// lock_timeout (250 ms) and the handler is asked between them.
using TplLockWaitHandler = std::function<bool(int waitedMs)>;
inline constexpr int DefaultLockWaitMs = 5000;
PELVAR_EXPORT void SetLockWaitHandler(TplLockWaitHandler handler);

// The kind of a database error: locked, read-only, connection lost, other.
PELVAR_EXPORT TplErrorKind ErrorKindOf(const QSqlError &error);
// Each statement, failed ones too, goes once to the statement trace
// (toolkit/SqlTrace.h) with its values by position and its whole time, a
// wait for a lock and a reconnection included.
PELVAR_EXPORT QSqlQuery ExecSql(const QString &sql, const QVariantList &binds = {},
                                const QString &connectionName = DefaultConnection);
// A TDateTime as the dialect stores it, and back.
PELVAR_EXPORT QVariant DateTimeToSql(double value, TplDialect dialect);
PELVAR_EXPORT QVariant SqlToDateTime(const QVariant &value);
// The next ID of a class, from the QDAT.PL_SEQUENCE table.
PELVAR_EXPORT qint64 NextID(const QString &sequenceName, const QString &connectionName = DefaultConnection);
// Creates the layer's own tables (sequences, rights) when missing.
PELVAR_EXPORT void EnsureSystemTables(const QString &connectionName = DefaultConnection);

// How long the database took: every statement run on a connection (by
// ExecSql, by the layer's transactions and by the SQL data sets and views on
// it), failed ones included, counted since the connection was opened.
struct PELVAR_EXPORT TplDatabaseAccessTimes
{
    qint64 Count = 0;
    double TotalMs = 0;
    double MaxMs = 0;
    double AverageMs() const { return Count > 0 ? TotalMs / double(Count) : 0; }
};
PELVAR_EXPORT TplDatabaseAccessTimes DatabaseAccessTimes(const QString &connectionName = DefaultConnection);
PELVAR_EXPORT void ResetDatabaseAccessTimes(const QString &connectionName = DefaultConnection);
// The engine and its version, as the server tells it ("SQLite 3.40.1",
// "PostgreSQL 15.6"); empty when the connection is not open.
PELVAR_EXPORT QString DatabaseVersion(const QString &connectionName = DefaultConnection);

// A lock of a business object. Locks are held in groups, numbered by their
// holder (0 unless it chooses one) and named by the session
// (TplSession::SetLockGroupName), so that a lock list says what each lock
// is for; a group's locks can be let go together.
struct PELVAR_EXPORT TplSemaphoreItem
{
    int LockCount = 0;
    QString ClassName;
    QString ID;
    int Owner = 0; // the session holding the lock
    int Group = 0;
    QString GroupName;
};

enum TplLockEventType : int {
    leLock = 0,
    leLockError = 1,
    leUnlock = 2,
    leRegistration = 3,
    leDeletion = 4,
    leNoticeSent = 5,
    leNoticeReceived = 6,
};

class PELVAR_EXPORT TplSession
{
public:
    using TLockEvent = std::function<void(const TplSemaphoreItem &item, int lockType)>;

    explicit TplSession(int number, QString connectionName);
    ~TplSession();
    int Number() const { return FNumber; }

    // Nested starts count; only the outermost commit writes. Each call gets
    // the reason (the calling operation), which goes to the layer's log.
    void StartTransaction(const QString &reason);
    void Commit(const QString &reason);
    void Rollback(const QString &reason);
    bool InTransaction() const { return FDepth > 0; }
    QString ConnectionName() const { return FConnectionName; }
    // The connection broke and was opened again: its transaction is gone.
    void TransactionLost(const QString &connectionName);

    // Locks of business objects; a lock held by another session is refused
    // with a lock-error event. Returns whether this session holds the lock.
    // These locks are advisory and live in this process only: another
    // workstation does not see them. What keeps two workstations from
    // overwriting each other is the check TplPerObject::SaveData makes.
    // A lock belongs to the group it was first taken in; taking it again,
    // in whatever group, only counts.
    bool Lock(const QString &className, const QString &id, int group = 0);
    void Unlock(const QString &className, const QString &id);
    // Lets go of every lock of the group, however often each was taken.
    void UnlockGroup(int group);
    int LockCount(const QString &className, const QString &id) const;
    // This session's locks by group, class and ID, with their group names.
    QList<TplSemaphoreItem> Locks() const;
    // Names stay with the session, for locks taken before and after naming.
    void SetLockGroupName(int group, const QString &name);
    QString LockGroupName(int group) const { return FLockGroupNames.value(group); }
    // Tells the other sessions that an object changed (notice sent/received).
    void SendNotice(const QString &className, const QString &id);

    bool LockNotify() const { return FLockNotify; }
    void SetLockNotify(bool v) { FLockNotify = v; }
    TLockEvent OnLockEvent;

private:
    friend class TplDatabaseProvider;
    void Raise(const TplSemaphoreItem &item, int type);

    int FNumber;
    QString FConnectionName;
    int FDepth = 0;
    bool FLockNotify = false;
    QHash<int, QString> FLockGroupNames;
};

class PELVAR_EXPORT TplDatabaseProvider
{
public:
    TplDatabaseProvider();
    ~TplDatabaseProvider();
    TplSession *GetCurrentSession();
    // Another session (for example a second user in tests); owned by the provider.
    TplSession *CreateSession();
    void SetCurrentSession(TplSession *session);
    QList<TplSession *> Sessions() const;

    void StartTransaction(const QString &reason) { GetCurrentSession()->StartTransaction(reason); }
    void Commit(const QString &reason) { GetCurrentSession()->Commit(reason); }
    void Rollback(const QString &reason) { GetCurrentSession()->Rollback(reason); }

    // The application connection's figures (see DatabaseAccessTimes), in
    // milliseconds, as the dictionary gives its find times.
    double GetAverageAccessTime() const { return DatabaseAccessTimes(DefaultConnection).AverageMs(); }
    double GetMaxAccessTime() const { return DatabaseAccessTimes(DefaultConnection).MaxMs; }
    qint64 GetAccessCount() const { return DatabaseAccessTimes(DefaultConnection).Count; }
    QString GetDatabaseVersion() const { return DatabaseVersion(DefaultConnection); }

private:
    friend class TplSession;
    QList<std::shared_ptr<TplSession>> FSessions;
    TplSession *FCurrent = nullptr;
    QHash<QString, TplSemaphoreItem> FLocks; // "CLASS|ID"
};

PELVAR_EXPORT TplDatabaseProvider &DatabaseProvider();

} // namespace pelvar
