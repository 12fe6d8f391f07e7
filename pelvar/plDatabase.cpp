#include "plDatabase.h"
#include "plCore.h"
#include "plMeta.h"

#include "toolkit/DateUtils.h"
#include "toolkit/SqlDataSet.h"
#include "toolkit/SqlDatabase.h"
#include "toolkit/SqlTrace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>
#include <algorithm>
#include <list>
#include <sqlite3.h>

namespace pelvar {

namespace {

struct TRegisteredFunction
{
    QString Name;
    int ArgCount;
    TplSqlFunction Function;
};

std::list<TRegisteredFunction> &SqliteFunctions()
{
    static std::list<TRegisteredFunction> functions;
    return functions;
}

QVariant FromSqliteValue(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_value_int64(v)));
    case SQLITE_FLOAT: return QVariant(sqlite3_value_double(v));
    case SQLITE_NULL: return QVariant();
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
    default:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
    }
}

void SetSqliteResult(sqlite3_context *ctx, const QVariant &r)
{
    if (r.isNull() || !r.isValid()) {
        sqlite3_result_null(ctx);
        return;
    }
    switch (r.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        sqlite3_result_int64(ctx, r.toLongLong());
        return;
    case QMetaType::Double:
        sqlite3_result_double(ctx, r.toDouble());
        return;
    default: {
        const QByteArray utf8 = r.toString().toUtf8();
        sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    }
}

void CallRegistered(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    auto *f = static_cast<TRegisteredFunction *>(sqlite3_user_data(ctx));
    QVariantList args;
    for (int i = 0; i < argc; ++i)
        args << FromSqliteValue(argv[i]);
    try {
        SetSqliteResult(ctx, f->Function(args));
    } catch (const toolkit::Exception &e) {
        const QByteArray msg = e.Message().toUtf8();
        sqlite3_result_error(ctx, msg.constData(), int(msg.size()));
    } catch (...) {
        sqlite3_result_error(ctx, "unexpected error", -1);
    }
}

// Oracle date mask to Qt's, lenient about leading zeros as Oracle is.
QString QtMask(const QString &oracleMask)
{
    QString m = oracleMask.toUpper();
    m.replace(QLatin1String("HH24"), QLatin1String("H"));
    m.replace(QLatin1String("YYYY"), QLatin1String("yyyy"));
    m.replace(QLatin1String("DD"), QLatin1String("d"));
    m.replace(QLatin1String("MI"), QLatin1String("m"));
    m.replace(QLatin1String("MM"), QLatin1String("M"));
    m.replace(QLatin1String("SS"), QLatin1String("s"));
    return m;
}

QVariant OracleToDate(const QVariantList &args)
{
    if (args.value(0).isNull())
        return {};
    const QString text = args.value(0).toString().trimmed();
    const QString mask = args.value(1).toString();
    const QDateTime dt = QDateTime::fromString(text, QtMask(mask));
    if (!dt.isValid())
        throw EplError(QStringLiteral("to_date: '%1' does not match the format '%2'").arg(text, mask));
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

sqlite3 *SqliteHandle(const QSqlDatabase &db)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || QByteArray(h.typeName()) != "sqlite3*")
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.data());
}

// The session's lock_timeout: one step of waiting for a lock.
constexpr int PgLockStepMs = 250;

TplLockWaitHandler &LockWaitHandler()
{
    static TplLockWaitHandler handler;
    return handler;
}

// Set while a statement waits for a lock: the watcher may run the event
// loop meanwhile, and nothing it runs may use the database (the waiting
// connection cannot be re-entered). Reset, with the watcher told, when the
// statement is done either way.
bool GLockWaiting = false;
bool GWaitedForLock = false;

bool AskLockWait(int waited)
{
    GWaitedForLock = true;
    GLockWaiting = true;
    const bool goOn = LockWaitHandler() ? LockWaitHandler()(waited) : waited < DefaultLockWaitMs;
    GLockWaiting = false;
    return goOn;
}

// Ends a statement's wait for the watcher (it closes its window).
struct TLockWaitScope
{
    ~TLockWaitScope()
    {
        if (GWaitedForLock && !GLockWaiting) {
            GWaitedForLock = false;
            if (LockWaitHandler())
                LockWaitHandler()(-1);
        }
    }
};

void RefuseWhileWaiting()
{
    if (GLockWaiting)
        throw EplError(QStringLiteral("The database was used while a statement waited for a lock"), TplErrorKind::ekLocked);
}

// SQLite asks this while a statement waits for a lock held by another
// connection: wait a slice, then ask whoever watches (the user may cancel).
int SqliteBusy(void *, int count)
{
    constexpr int slice = 50;
    QThread::msleep(slice);
    return AskLockWait((count + 1) * slice) ? 1 : 0;
}

QHash<QString, TplDatabaseAccessTimes> &AccessTimes()
{
    static QHash<QString, TplDatabaseAccessTimes> times;
    return times;
}

void CountAccess(const toolkit::TSqlTraceEntry &entry)
{
    if (!entry.ConnectionName)
        return;
    TplDatabaseAccessTimes &t = AccessTimes()[*entry.ConnectionName];
    const double ms = double(entry.Nanoseconds) / 1e6;
    ++t.Count;
    t.TotalMs += ms;
    t.MaxMs = std::max(t.MaxMs, ms);
}

// Tells the trace of a statement the layer ran itself.
void TraceStatement(const QString &connectionName, const QString &sql, const QVariantList &binds, qint64 nanoseconds,
                    const QString *error)
{
    toolkit::TSqlTraceEntry entry;
    entry.ConnectionName = &connectionName;
    entry.Sql = &sql;
    entry.PositionalBinds = &binds;
    entry.Nanoseconds = nanoseconds;
    entry.Error = error;
    toolkit::TraceSql(entry);
}

// A statement of a session's transaction (begin, commit, rollback), traced
// when it is done.
struct TTransactionTrace
{
    TTransactionTrace(QString connectionName, QString sql)
        : Connection(std::move(connectionName))
        , Sql(std::move(sql))
    {
        Timer.start();
    }
    void Done(const QString *error = nullptr) { TraceStatement(Connection, Sql, {}, Timer.nsecsElapsed(), error); }
    QString Connection;
    QString Sql;
    QElapsedTimer Timer;
};

void RegisterBuiltins()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    toolkit::AddSqlTraceListener(CountAccess);
    // Views and other SQL data sets run the framework's Oracle SQL too.
    toolkit::TSqlDataSet::SetSqlTranslator([](const QString &connection, const QString &sql) {
        return TranslateSql(sql, Dialect(connection));
    });
    RegisterSqliteFunction(QStringLiteral("to_date"), 2, OracleToDate);
    RegisterSqliteFunction(QStringLiteral("nvl"), 2, [](const QVariantList &a) { return a.value(0).isNull() ? a.value(1) : a.value(0); });
    RegisterSqliteFunction(QStringLiteral("PCKSELECT_GETCATALOGUEVALUE"), 3, [](const QVariantList &a) -> QVariant {
        const auto &describe = CatalogueHooks().Description;
        const QString code = a.value(2).toString();
        if (!describe)
            return code;
        return describe(a.value(0).toString(), code, a.value(1).toString().compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0);
    });
}

void InstallFunctions(const QSqlDatabase &db, const TRegisteredFunction &f)
{
    sqlite3 *h = SqliteHandle(db);
    if (!h)
        return;
    const QByteArray name = f.Name.toUtf8();
    sqlite3_create_function_v2(h, name.constData(), f.ArgCount, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                               const_cast<TRegisteredFunction *>(&f), CallRegistered, nullptr, nullptr, nullptr);
}

QHash<QString, TplDialect> &Dialects()
{
    static QHash<QString, TplDialect> dialects;
    return dialects;
}

} // namespace

void RegisterSqliteFunction(const QString &name, int argCount, TplSqlFunction function)
{
    SqliteFunctions().push_back({name, argCount, std::move(function)});
    const TRegisteredFunction &f = SqliteFunctions().back();
    for (auto it = Dialects().cbegin(); it != Dialects().cend(); ++it)
        if (it.value() == TplDialect::dlSQLite)
            InstallFunctions(QSqlDatabase::database(it.key(), false), f);
}

namespace {
// Only what SQLite says of the file itself is damage; a lock, missing rights
// or an unreachable share are said as what they are.
[[noreturn]] void RaiseOpenError(const QString &file, const QString &details)
{
    const QString text = details.toLower();
    const QString name = QDir::toNativeSeparators(file);
    if (text.contains(QLatin1String("not a database")) || text.contains(QLatin1String("malformed"))
        || text.contains(QLatin1String("corrupt")) || text.contains(QLatin1String("integrity check")))
        throw EplError(details, TplErrorKind::ekDamaged,
                       QStringLiteral("Datoteka baze %1 je poškodovana ali ni baza podatkov. Obnovite jo iz varnostne kopije "
                                      "ali se obrnite na skrbnika sistema.")
                           .arg(name));
    if (text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy")))
        throw EplError(details, TplErrorKind::ekLocked,
                       QStringLiteral("Datoteko baze %1 ima zaklenjeno drug program. Poskusite znova čez nekaj trenutkov.").arg(name));
    if (text.contains(QLatin1String("readonly")) || text.contains(QLatin1String("read-only")))
        throw EplError(details, TplErrorKind::ekReadOnly,
                       QStringLiteral("Baza %1 je samo za branje. Preverite pravice datoteke in mape.").arg(name));
    throw EplError(details, TplErrorKind::ekNotOpen,
                   QStringLiteral("Datoteke baze %1 ni mogoče odpreti. Preverite, ali je mapa dosegljiva in ali imate pravice.")
                       .arg(name));
}
} // namespace

void OpenSqliteConnection(const QString &mainFile, const QString &qdatFile, const QString &connectionName)
{
    RegisterBuiltins();
    ResetDatabaseAccessTimes(connectionName);
    QSqlDatabase db;
    try {
        db = toolkit::OpenSqliteDatabase(connectionName, mainFile, {{QStringLiteral("QDAT"), qdatFile}});
    } catch (const toolkit::EDatabaseError &e) {
        RaiseOpenError(e.Message().contains(qdatFile) ? qdatFile : mainFile, e.Message());
    }
    // A garbled page is found now, with the file it is in, not at some
    // later save.
    for (const auto &[schema, file] : {std::pair{QStringLiteral("main"), mainFile}, std::pair{QStringLiteral("QDAT"), qdatFile}}) {
        QString error;
        const QString problem = toolkit::SqliteQuickCheck(db, schema, &error);
        if (!problem.isEmpty() || !error.isEmpty()) {
            db = QSqlDatabase();
            toolkit::CloseDatabase(connectionName);
            // Rows of the check name damaged pages; a check refused says why (a lock, no rights).
            RaiseOpenError(file, problem.isEmpty() ? error : QStringLiteral("Integrity check of '%1' failed: %2").arg(file, problem));
        }
    }
    Dialects().insert(connectionName, TplDialect::dlSQLite);
    for (const TRegisteredFunction &f : SqliteFunctions())
        InstallFunctions(db, f);
    // Several processes (or a second connection) may use the same file.
    // Several processes (or a second connection) may use the same file; a
    // lock held elsewhere is waited for, boundedly and cancellably.
    if (sqlite3 *h = SqliteHandle(db))
        sqlite3_busy_handler(h, &SqliteBusy, nullptr);
}

namespace {

struct TPgParams
{
    QString Host, Database, User, Password;
    int Port = 5432;
};

QHash<QString, TPgParams> &PgParams()
{
    static QHash<QString, TPgParams> params;
    return params;
}

// Opens the driver's connection; false (with the error) when the server
// does not answer.
bool OpenPg(const QString &connectionName, const TPgParams &p, QString *error)
{
    if (QSqlDatabase::contains(connectionName))
        toolkit::CloseDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(p.Host);
    db.setPort(p.Port);
    db.setDatabaseName(p.Database);
    db.setUserName(p.User);
    db.setPassword(p.Password);
    // A lock held elsewhere or a runaway statement must not freeze the
    // user interface without end.
    db.setConnectOptions(QStringLiteral("connect_timeout=2"));
    if (db.open())
        return true;
    if (error)
        *error = db.lastError().text();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
    return false;
}

// What every session of ours needs: the schema and the Oracle functions,
// found before the built-in ones, and bounded waits. The search path is also
// made the database's default, so that a session the driver opens again by
// itself finds the same functions.
void SetUpPgSession(const QString &connectionName)
{
    static const char *setup[] = {
        "CREATE SCHEMA IF NOT EXISTS qdat",
        "CREATE OR REPLACE FUNCTION qdat.to_date(text, text) RETURNS timestamp LANGUAGE sql IMMUTABLE "
        "AS $$ SELECT pg_catalog.to_timestamp($1, $2)::timestamp $$",
        "CREATE OR REPLACE FUNCTION qdat.nvl(anyelement, anyelement) RETURNS anyelement LANGUAGE sql IMMUTABLE "
        "AS $$ SELECT coalesce($1, $2) $$",
        "SET search_path TO qdat, pg_catalog, public",
        "SET lock_timeout = '250ms'",
        "SET statement_timeout = '60s'",
    };
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    for (const char *sql : setup) {
        QSqlQuery q(db);
        if (!q.exec(QString::fromLatin1(sql)))
            throw EplError(QStringLiteral("PostgreSQL session set-up: %1\n%2").arg(q.lastError().text(), QString::fromLatin1(sql)),
                           ErrorKindOf(q.lastError()));
    }
    QSqlQuery alter(db);
    if (!alter.exec(QStringLiteral("DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET search_path TO qdat, pg_catalog, public', "
                                   "current_database()); END $$")))
        PlLog(QStringLiteral("The database's default search path was not set (%1); sessions set it themselves")
                  .arg(alter.lastError().text()));
}

// A lost PostgreSQL connection is opened again with its whole set-up; a few
// tries while a restarting server comes back.
bool ReconnectPg(const QString &connectionName)
{
    const auto it = PgParams().constFind(connectionName);
    if (it == PgParams().cend())
        return false;
    QString error;
    // At most about seven seconds: the user waits for this.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0)
            QThread::msleep(300);
        if (OpenPg(connectionName, *it, &error)) {
            try {
                SetUpPgSession(connectionName);
            } catch (const EplError &e) {
                error = e.Message();
                continue;
            }
            PlLog(QStringLiteral("Connection '%1' was lost and is open again").arg(connectionName));
            // Sessions on it had their transactions ended by the server.
            for (TplSession *s : DatabaseProvider().Sessions())
                s->TransactionLost(connectionName);
            return true;
        }
    }
    PlLog(QStringLiteral("Connection '%1' could not be opened again: %2").arg(connectionName, error));
    return false;
}

bool InTransactionOn(const QString &connectionName)
{
    for (TplSession *s : DatabaseProvider().Sessions())
        if (s->InTransaction() && s->ConnectionName() == connectionName)
            return true;
    return false;
}

} // namespace

void OpenPostgresConnection(const QString &host, int port, const QString &database, const QString &user,
                            const QString &password, const QString &connectionName)
{
    RegisterBuiltins();
    ResetDatabaseAccessTimes(connectionName);
    if (QSqlDatabase::contains(connectionName))
        CloseConnection(connectionName);
    const TPgParams params{host, database, user, password, port};
    QString error;
    if (!OpenPg(connectionName, params, &error))
        throw EplError(QStringLiteral("Cannot connect to PostgreSQL database '%1' on %2:%3 as %4: %5")
                           .arg(database, host).arg(port).arg(user, error),
                       TplErrorKind::ekNotOpen);
    Dialects().insert(connectionName, TplDialect::dlPostgreSQL);
    PgParams().insert(connectionName, params);
    SetUpPgSession(connectionName);
}

void CloseConnection(const QString &connectionName)
{
    Dialects().remove(connectionName);
    PgParams().remove(connectionName);
    toolkit::CloseDatabase(connectionName);
}

TplDialect Dialect(const QString &connectionName)
{
    return Dialects().value(connectionName, TplDialect::dlSQLite);
}

QSqlDatabase Connection(const QString &connectionName)
{
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isValid() || !db.isOpen())
        throw EplError(QStringLiteral("Connection '%1' is not open").arg(connectionName), TplErrorKind::ekNotOpen);
    return db;
}

QString QuotedStr(const QString &value)
{
    QString v = value;
    v.remove(QChar(0));
    v.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

bool IsSafeIdentifier(const QString &name, bool qualifiedAllowed)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    static const QRegularExpression qualified(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]{0,62}\\.)?[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    return (qualifiedAllowed ? qualified : plain).match(name).hasMatch();
}

QString TranslateSql(const QString &sql, TplDialect dialect)
{
    static const QRegularExpression package(QStringLiteral("\\bQDAT\\.([A-Za-z_][A-Za-z0-9_]*)\\.([A-Za-z_][A-Za-z0-9_]*)\\s*\\("),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!sql.contains(QLatin1Char('.')))
        return sql;
    QString out = sql;
    out.replace(package, dialect == TplDialect::dlSQLite ? QStringLiteral("\\1_\\2(") : QStringLiteral("QDAT.\\1_\\2("));
    return out;
}

TplErrorKind ErrorKindOf(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    const QString text = error.text().toLower();
    // SQLite's result codes; PostgreSQL's SQLSTATE.
    if (code == QLatin1String("5") || code == QLatin1String("6") || text.contains(QLatin1String("database is locked"))
        || code == QLatin1String("55P03") || code == QLatin1String("57014") || code == QLatin1String("40P01"))
        return TplErrorKind::ekLocked;
    if (code == QLatin1String("8") || text.contains(QLatin1String("readonly database")) || text.contains(QLatin1String("read-only"))
        || code == QLatin1String("25006"))
        return TplErrorKind::ekReadOnly;
    if (code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") || code == QLatin1String("57P02")
        || code == QLatin1String("57P03")
        // SQLite's driver tags failed steps as connection errors too; its codes are numbers.
        || (error.type() == QSqlError::ConnectionError && !code.isEmpty() && !code.at(0).isDigit())
        || text.contains(QLatin1String("server closed the connection")) || text.contains(QLatin1String("no connection to the server"))
        || text.contains(QLatin1String("terminating connection")) || text.contains(QLatin1String("connection to server")))
        return TplErrorKind::ekConnectionLost;
    return TplErrorKind::ekOther;
}

namespace {
[[noreturn]] void RaiseSqlError(const QSqlError &error, const QString &sql)
{
    throw EplError(QStringLiteral("SQL error: %1\n%2").arg(error.text(), sql), ErrorKindOf(error), {}, error.nativeErrorCode());
}
} // namespace

namespace {
QSqlQuery ExecSqlOnce(const QString &sql, const QVariantList &binds, const QString &connectionName);
}

namespace {
// A PostgreSQL statement waits for a lock in short steps (the session's
// lock_timeout), so that between them the framework can show that it waits
// and the user can give up. Inside a transaction a savepoint keeps a step
// that timed out from ending the transaction.
QSqlQuery ExecPgWaitingForLocks(const QString &sql, const QVariantList &binds, const QString &connectionName)
{
    const bool inTransaction = InTransactionOn(connectionName);
    const QString savepoint = QStringLiteral("tovlet_lock_wait");
    for (int waited = 0;;) {
        if (inTransaction)
            ExecSqlOnce(QStringLiteral("SAVEPOINT ") + savepoint, {}, connectionName);
        try {
            QSqlQuery q = ExecSqlOnce(sql, binds, connectionName);
            if (inTransaction)
                ExecSqlOnce(QStringLiteral("RELEASE SAVEPOINT ") + savepoint, {}, connectionName);
            return q;
        } catch (const EplError &e) {
            if (e.Code() != QLatin1String("55P03"))
                throw;
            if (inTransaction)
                ExecSqlOnce(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint, {}, connectionName);
            if (inTransaction)
                ExecSqlOnce(QStringLiteral("RELEASE SAVEPOINT ") + savepoint, {}, connectionName);
            waited += PgLockStepMs;
            if (!AskLockWait(waited))
                throw;
        }
    }
}
} // namespace

namespace {
QSqlQuery ExecSqlRetrying(const QString &sql, const QVariantList &binds, const QString &connectionName);
} // namespace

QSqlQuery ExecSql(const QString &sql, const QVariantList &binds, const QString &connectionName)
{
    RefuseWhileWaiting();
    const TLockWaitScope waitScope;
    QElapsedTimer timer;
    timer.start();
    try {
        QSqlQuery q = ExecSqlRetrying(sql, binds, connectionName);
        TraceStatement(connectionName, sql, binds, timer.nsecsElapsed(), nullptr);
        return q;
    } catch (const toolkit::Exception &e) {
        TraceStatement(connectionName, sql, binds, timer.nsecsElapsed(), &e.Message());
        throw;
    }
}

namespace {
// A lost PostgreSQL connection is opened again and the statement run once more.
QSqlQuery ExecSqlRetrying(const QString &sql, const QVariantList &binds, const QString &connectionName)
{
    try {
        if (PgParams().contains(connectionName))
            return ExecPgWaitingForLocks(sql, binds, connectionName);
        return ExecSqlOnce(sql, binds, connectionName);
    } catch (const EplError &e) {
        const bool lost = e.Kind() == TplErrorKind::ekConnectionLost || e.Kind() == TplErrorKind::ekNotOpen;
        if (!lost || !PgParams().contains(connectionName))
            throw;
        // Outside a transaction the statement is simply run again on the
        // restored connection; inside one, the server has dropped the work
        // done so far, and the user must hear of it.
        const bool inTransaction = InTransactionOn(connectionName);
        if (!ReconnectPg(connectionName))
            throw;
        if (inTransaction)
            throw EplError(QStringLiteral("Connection '%1' was lost during a transaction: %2").arg(connectionName, e.Message()),
                           TplErrorKind::ekConnectionLost,
                           QStringLiteral("Povezava z bazo podatkov je bila prekinjena in je spet vzpostavljena, a zadnje "
                                          "spremembe niso bile shranjene. Shranite jih znova."));
        return ExecPgWaitingForLocks(sql, binds, connectionName);
    }
}

QSqlQuery ExecSqlOnce(const QString &sql, const QVariantList &binds, const QString &connectionName)
{
    QSqlDatabase db = Connection(connectionName);
    const QString text = TranslateSql(sql, Dialect(connectionName));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (binds.isEmpty()) {
        // Without values there is nothing to bind; PostgreSQL cannot prepare DDL.
        if (!q.exec(text))
            RaiseSqlError(q.lastError(), sql);
        return q;
    }
    if (!q.prepare(text))
        RaiseSqlError(q.lastError(), sql);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec())
        RaiseSqlError(q.lastError(), sql);
    return q;
}

} // namespace

QVariant DateTimeToSql(double value, TplDialect dialect)
{
    const QDateTime dt = toolkit::ToQDateTime(value);
    if (dialect == TplDialect::dlPostgreSQL)
        return dt;
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QVariant SqlToDateTime(const QVariant &value)
{
    return toolkit::TSqlDataSet::SqlToDateTime(value);
}

qint64 NextID(const QString &sequenceName, const QString &connectionName)
{
    TplSession *s = DatabaseProvider().GetCurrentSession();
    s->StartTransaction(QStringLiteral("NextID"));
    try {
        QSqlQuery u = ExecSql(QStringLiteral("update QDAT.PL_SEQUENCE set SEQ_VALUE = SEQ_VALUE + 1 where SEQ_NAME = ?"),
                              {sequenceName}, connectionName);
        if (u.numRowsAffected() < 1) {
            // A new sequence starts after the IDs the table already has.
            qint64 start = 1;
            if (TPlClassMetaData *m = FindClassMetaData(sequenceName)) {
                QSqlQuery mx = ExecSql(QStringLiteral("select max(ID) from %1").arg(m->Provider()->GetTableName()), {}, connectionName);
                if (mx.next())
                    start = mx.value(0).toLongLong() + 1;
            }
            ExecSql(QStringLiteral("insert into QDAT.PL_SEQUENCE (SEQ_NAME, SEQ_VALUE) values (?, ?)"), {sequenceName, start},
                    connectionName);
        }
        QSqlQuery q = ExecSql(QStringLiteral("select SEQ_VALUE from QDAT.PL_SEQUENCE where SEQ_NAME = ?"), {sequenceName},
                              connectionName);
        const qint64 id = q.next() ? q.value(0).toLongLong() : 0;
        s->Commit(QStringLiteral("NextID"));
        return id;
    } catch (...) {
        s->Rollback(QStringLiteral("NextID"));
        throw;
    }
}

void EnsureSystemTables(const QString &connectionName)
{
    // Only a missing table is created: a read-only session may still read
    // rights (PostgreSQL refuses even "create if not exists" there).
    {
        QSqlQuery probe(Connection(connectionName));
        if (probe.exec(QStringLiteral("select 1 from QDAT.PL_SEQUENCE where 1 = 0"))
            && QSqlQuery(Connection(connectionName)).exec(QStringLiteral("select 1 from QDAT.PL_RIGHT where 1 = 0")))
            return;
    }
    ExecSql(QStringLiteral("create table if not exists QDAT.PL_SEQUENCE (SEQ_NAME VARCHAR(60) PRIMARY KEY, SEQ_VALUE BIGINT NOT NULL)"),
            {}, connectionName);
    ExecSql(QStringLiteral("create table if not exists QDAT.PL_RIGHT (ACTION_NAME VARCHAR(200) NOT NULL, CLASS_NAME VARCHAR(60) "
                           "NOT NULL, USER_CODE VARCHAR(30) NOT NULL, GRANTED INTEGER NOT NULL, "
                           "PRIMARY KEY (ACTION_NAME, CLASS_NAME, USER_CODE))"),
            {}, connectionName);
}

// --- sessions ---------------------------------------------------------------------

TplSession::TplSession(int number, QString connectionName)
    : FNumber(number)
    , FConnectionName(std::move(connectionName))
{
}

TplSession::~TplSession() = default;

void TplSession::StartTransaction(const QString &reason)
{
    RefuseWhileWaiting();
    const TLockWaitScope waitScope;
    if (FDepth++ > 0)
        return;
    PlLog(QStringLiteral("StartTransaction (%1)").arg(reason));
    QSqlDatabase db = QSqlDatabase::database(FConnectionName, false);
    bool begun = false;
    if (db.isOpen() && Dialect(FConnectionName) == TplDialect::dlSQLite) {
        // The layer's transactions write: take the write lock at the start,
        // where a lock held elsewhere is waited for. A deferred start would
        // read first and then be refused without waiting.
        TTransactionTrace trace(FConnectionName, QStringLiteral("BEGIN IMMEDIATE"));
        QSqlQuery q(db);
        begun = q.exec(trace.Sql);
        if (!begun) {
            FDepth = 0;
            const QString error = q.lastError().text();
            trace.Done(&error);
            throw EplError(QStringLiteral("StartTransaction (%1): %2").arg(reason, error), ErrorKindOf(q.lastError()));
        }
        trace.Done();
        return;
    }
    TTransactionTrace trace(FConnectionName, QStringLiteral("BEGIN"));
    begun = db.isOpen() && db.transaction();
    if (!begun && PgParams().contains(FConnectionName)) {
        // Nothing is lost yet: a broken connection is opened again first.
        const TplErrorKind kind = db.isOpen() ? ErrorKindOf(db.lastError()) : TplErrorKind::ekNotOpen;
        if ((kind == TplErrorKind::ekConnectionLost || kind == TplErrorKind::ekNotOpen) && ReconnectPg(FConnectionName)) {
            FDepth = 1;
            db = QSqlDatabase::database(FConnectionName, false);
            begun = db.transaction();
        }
    }
    if (!begun) {
        FDepth = 0;
        const QString error = db.isOpen() ? db.lastError().text() : QStringLiteral("connection '%1' is not open").arg(FConnectionName);
        trace.Done(&error);
        if (!db.isOpen())
            throw EplError(QStringLiteral("StartTransaction (%1): %2").arg(reason, error), TplErrorKind::ekNotOpen);
        throw EplError(QStringLiteral("StartTransaction (%1): %2").arg(reason, error), ErrorKindOf(db.lastError()));
    }
    trace.Done();
}

void TplSession::TransactionLost(const QString &connectionName)
{
    if (connectionName == FConnectionName)
        FDepth = 0;
}

void TplSession::Commit(const QString &reason)
{
    if (FDepth == 0)
        throw EplError(QStringLiteral("Commit (%1): no transaction is open!").arg(reason));
    if (--FDepth > 0)
        return;
    PlLog(QStringLiteral("Commit (%1)").arg(reason));
    const TLockWaitScope waitScope;
    QSqlDatabase db = Connection(FConnectionName);
    TTransactionTrace trace(FConnectionName, QStringLiteral("COMMIT"));
    if (!db.commit()) {
        const QSqlError err = db.lastError();
        const QString error = err.text();
        trace.Done(&error);
        TTransactionTrace undo(FConnectionName, QStringLiteral("ROLLBACK"));
        db.rollback();
        undo.Done();
        throw EplError(QStringLiteral("Commit (%1): %2").arg(reason, err.text()), ErrorKindOf(err), {}, err.nativeErrorCode());
    }
    trace.Done();
}

void TplSession::Rollback(const QString &reason)
{
    if (FDepth == 0)
        return;
    FDepth = 0;
    PlLog(QStringLiteral("Rollback (%1)").arg(reason));
    // A connection that is gone has nothing left to roll back; the error
    // that led here is what the caller must see.
    QSqlDatabase db = QSqlDatabase::database(FConnectionName, false);
    if (db.isOpen()) {
        TTransactionTrace trace(FConnectionName, QStringLiteral("ROLLBACK"));
        if (db.rollback()) {
            trace.Done();
        } else {
            const QString error = db.lastError().text();
            trace.Done(&error);
        }
    }
}

void TplSession::Raise(const TplSemaphoreItem &item, int type)
{
    if (FLockNotify && OnLockEvent)
        OnLockEvent(item, type);
}

namespace {
QString LockKey(const QString &className, const QString &id)
{
    return className.toUpper() + QLatin1Char('|') + id;
}
} // namespace

bool TplSession::Lock(const QString &className, const QString &id, int group)
{
    auto &locks = DatabaseProvider().FLocks;
    const QString key = LockKey(className, id);
    auto it = locks.find(key);
    if (it != locks.end() && it->Owner != FNumber) {
        PlLog(QStringLiteral("Lock error: %1 %2 is locked by session %3").arg(className, id).arg(it->Owner));
        Raise(*it, leLockError);
        return false;
    }
    if (it == locks.end()) {
        it = locks.insert(key, TplSemaphoreItem{1, className, id, FNumber, group, LockGroupName(group)});
        Raise(*it, leRegistration);
    } else {
        ++it->LockCount;
    }
    Raise(*it, leLock);
    return true;
}

void TplSession::UnlockGroup(int group)
{
    QList<TplSemaphoreItem> held;
    for (const TplSemaphoreItem &i : DatabaseProvider().FLocks)
        if (i.Owner == FNumber && i.Group == group)
            held << i;
    for (const TplSemaphoreItem &i : std::as_const(held))
        for (int n = i.LockCount; n > 0; --n)
            Unlock(i.ClassName, i.ID);
}

void TplSession::SetLockGroupName(int group, const QString &name)
{
    if (name.isEmpty())
        FLockGroupNames.remove(group);
    else
        FLockGroupNames.insert(group, name);
    for (TplSemaphoreItem &i : DatabaseProvider().FLocks)
        if (i.Owner == FNumber && i.Group == group)
            i.GroupName = name;
}

void TplSession::Unlock(const QString &className, const QString &id)
{
    auto &locks = DatabaseProvider().FLocks;
    auto it = locks.find(LockKey(className, id));
    if (it == locks.end() || it->Owner != FNumber)
        return;
    Raise(*it, leUnlock);
    if (it->LockCount <= 1) {
        Raise(*it, leDeletion);
        locks.erase(it);
    } else {
        --it->LockCount;
    }
}

int TplSession::LockCount(const QString &className, const QString &id) const
{
    const auto &locks = DatabaseProvider().FLocks;
    const auto it = locks.constFind(LockKey(className, id));
    return it == locks.cend() || it->Owner != FNumber ? 0 : it->LockCount;
}

QList<TplSemaphoreItem> TplSession::Locks() const
{
    QList<TplSemaphoreItem> r;
    for (const TplSemaphoreItem &i : DatabaseProvider().FLocks)
        if (i.Owner == FNumber)
            r << i;
    std::sort(r.begin(), r.end(), [](const TplSemaphoreItem &a, const TplSemaphoreItem &b) {
        if (a.Group != b.Group)
            return a.Group < b.Group;
        const int byClass = a.ClassName.compare(b.ClassName, Qt::CaseInsensitive);
        if (byClass != 0)
            return byClass < 0;
        // Numeric IDs in their order (9 before 10), others as text.
        if (a.ID.size() != b.ID.size())
            return a.ID.size() < b.ID.size();
        return a.ID < b.ID;
    });
    return r;
}

void TplSession::SendNotice(const QString &className, const QString &id)
{
    const TplSemaphoreItem item{0, className, id, FNumber};
    Raise(item, leNoticeSent);
    for (TplSession *s : DatabaseProvider().Sessions())
        if (s != this)
            s->Raise(item, leNoticeReceived);
}

TplDatabaseProvider::TplDatabaseProvider() = default;

TplDatabaseProvider::~TplDatabaseProvider() = default;

TplSession *TplDatabaseProvider::GetCurrentSession()
{
    if (!FCurrent)
        FCurrent = CreateSession();
    return FCurrent;
}

TplSession *TplDatabaseProvider::CreateSession()
{
    FSessions.append(std::make_shared<TplSession>(int(FSessions.size()) + 1, DefaultConnection));
    return FSessions.last().get();
}

void TplDatabaseProvider::SetCurrentSession(TplSession *session)
{
    FCurrent = session;
}

QList<TplSession *> TplDatabaseProvider::Sessions() const
{
    QList<TplSession *> r;
    for (const auto &s : FSessions)
        r << s.get();
    return r;
}

TplDatabaseProvider &DatabaseProvider()
{
    static TplDatabaseProvider provider;
    return provider;
}

TplDatabaseAccessTimes DatabaseAccessTimes(const QString &connectionName)
{
    return AccessTimes().value(connectionName);
}

void ResetDatabaseAccessTimes(const QString &connectionName)
{
    AccessTimes().remove(connectionName);
}

QString DatabaseVersion(const QString &connectionName)
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isValid() || !db.isOpen())
        return {};
    const bool pg = Dialect(connectionName) == TplDialect::dlPostgreSQL;
    try {
        QSqlQuery q = ExecSql(pg ? QStringLiteral("show server_version") : QStringLiteral("select sqlite_version()"), {}, connectionName);
        if (!q.next())
            return {};
        // PostgreSQL adds its build ("15.6 (Debian 15.6-0+deb12u1)").
        const QString version = q.value(0).toString().section(QLatin1Char(' '), 0, 0);
        return (pg ? QStringLiteral("PostgreSQL ") : QStringLiteral("SQLite ")) + version;
    } catch (const toolkit::Exception &e) {
        // A diagnostic label asks this; a database that cannot say is unknown.
        PlLog(QStringLiteral("DatabaseVersion: %1").arg(e.Message()));
        return {};
    }
}

void SetLockWaitHandler(TplLockWaitHandler handler)
{
    LockWaitHandler() = std::move(handler);
}

} // namespace pelvar
