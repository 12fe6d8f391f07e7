#include "TestDatabase.h"

#include "toolkit/Exception.h"
#include "toolkit/SqlDatabase.h"

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
QString Resource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw toolkit::Exception(QStringLiteral("Missing resource %1").arg(path));
    return QString::fromUtf8(f.readAll());
}
} // namespace

TTestDatabase::TTestDatabase(bool seedDemoData, const QString &connectionName)
    : FConnectionName(connectionName)
{
    InitSchemaResources();
    if (!FDir.isValid())
        throw toolkit::Exception(QStringLiteral("Cannot create a temporary folder for the test database"));
    QSqlDatabase db = toolkit::OpenSqliteDatabase(connectionName, FDir.filePath(QStringLiteral("main.sqlite")),
                                                  {{QStringLiteral("QDAT"), FDir.filePath(QStringLiteral("qdat.sqlite"))}});
    toolkit::ExecuteSqlScript(db, Resource(QStringLiteral(":/tovlet/db/qdat.sql")));
    if (seedDemoData)
        toolkit::ExecuteSqlScript(db, Resource(QStringLiteral(":/tovlet/db/demo_seed.sql")));
}

TTestDatabase::~TTestDatabase()
{
    toolkit::CloseDatabase(FConnectionName);
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
    if (!q.exec(sql))
        throw toolkit::Exception(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
    return q.next() ? q.value(0) : QVariant();
}

} // namespace tovlet::test
