#include "TestDatabase.h"

#include "pelvar/plAuth.h"
#include "pelvar/plDatabase.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

// Resources of a static library are registered by hand, outside any namespace.
static void InitSchemaResources()
{
    Q_INIT_RESOURCE(schema);
}

namespace tovlet::test {

namespace {

int PgPort()
{
    return qEnvironmentVariableIntValue("TOVLET_PG_PORT") > 0 ? qEnvironmentVariableIntValue("TOVLET_PG_PORT") : 55432;
}

// Runs a statement on the server's maintenance database.
void PgAdmin(const QString &sql)
{
    const QString name = QStringLiteral("tovlet_pg_admin");
    {
        QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name)
                                                       : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(PgPort());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(QStringLiteral("tovlet"));
        if (!db.isOpen() && !db.open())
            throw toolkit::Exception(QStringLiteral("Test PostgreSQL server on port %1: %2").arg(PgPort()).arg(db.lastError().text()));
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            // The server may have been restarted meanwhile (a test does): once more on a new connection.
            q = QSqlQuery();
            db.close();
            if (!db.open() || !QSqlQuery(db).exec(sql))
                throw toolkit::Exception(QStringLiteral("%1: %2").arg(sql, db.lastError().text()));
        }
    }
}

} // namespace

bool TTestDatabase::UsePostgres()
{
    return qEnvironmentVariable("TOVLET_TEST_DB").compare(QLatin1String("postgres"), Qt::CaseInsensitive) == 0;
}

TTestDatabase::TTestDatabase(bool seedDemoData, const QString &connectionName)
    : FConnectionName(connectionName)
{
    InitSchemaResources();
    if (!FDir.isValid())
        throw toolkit::Exception(QStringLiteral("Cannot create a temporary folder for the test database"));
    if (UsePostgres()) {
        static int serial = 0;
        FPgDatabase = QStringLiteral("tovlet_t%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
        PgAdmin(QStringLiteral("drop database if exists %1").arg(FPgDatabase));
        PgAdmin(QStringLiteral("create database %1").arg(FPgDatabase));
        pelvar::OpenPostgresConnection(QStringLiteral("127.0.0.1"), PgPort(), FPgDatabase, QStringLiteral("tovlet"), QString(),
                                       connectionName);
    } else {
        pelvar::OpenSqliteConnection(FDir.filePath(QStringLiteral("main.sqlite")), FDir.filePath(QStringLiteral("qdat.sqlite")),
                                     connectionName);
    }
    toolkit::ExecuteSqlScript(Database(), toolkit::ReadSqlScript(QStringLiteral(":/tovlet/db/qdat.sql")));
    toolkit::ExecuteSqlScript(Database(), toolkit::ReadSqlScript(QStringLiteral(":/tovlet/db/codelists_seed.sql")));
    if (seedDemoData)
        toolkit::ExecuteSqlScript(Database(), toolkit::ReadSqlScript(QStringLiteral(":/tovlet/db/demo_seed.sql")));
    pelvar::EnsureSystemTables(connectionName);
    pelvar::AuthManager().Reload();
}

TTestDatabase::~TTestDatabase()
{
    if (QSqlDatabase::contains(QStringLiteral("workstation_b")))
        CloseSecondConnection();
    pelvar::CloseConnection(FConnectionName);
    if (!FPgDatabase.isEmpty()) {
        try {
            PgAdmin(QStringLiteral("drop database if exists %1 with (force)").arg(FPgDatabase));
        } catch (const toolkit::Exception &e) {
            qWarning("%s", qPrintable(e.Message()));
        }
    }
}

QSqlDatabase TTestDatabase::OpenSecondConnection(const QString &name) const
{
    if (!UsePostgres())
        return toolkit::OpenSqliteDatabase(name, FDir.filePath(QStringLiteral("main.sqlite")),
                                           {{QStringLiteral("QDAT"), FDir.filePath(QStringLiteral("qdat.sqlite"))}});
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(PgPort());
    db.setDatabaseName(FPgDatabase);
    db.setUserName(QStringLiteral("tovlet"));
    if (!db.open())
        throw toolkit::Exception(QStringLiteral("Second connection: %1").arg(db.lastError().text()));
    QSqlQuery(db).exec(QStringLiteral("SET search_path TO qdat, pg_catalog, public"));
    return db;
}

void TTestDatabase::CloseSecondConnection(const QString &name)
{
    toolkit::CloseDatabase(name);
}

QSqlDatabase TTestDatabase::Database() const
{
    return QSqlDatabase::database(FConnectionName);
}

void TTestDatabase::Exec(const QString &script) const
{
    toolkit::ExecuteSqlScript(Database(), script);
}

QVariant TTestDatabase::Scalar(const QString &sql) const
{
    QSqlQuery q(Database());
    if (!q.exec(pelvar::TranslateSql(sql, pelvar::Dialect(FConnectionName))))
        throw toolkit::Exception(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
    return q.next() ? q.value(0) : QVariant();
}

} // namespace tovlet::test
