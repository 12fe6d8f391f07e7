#include "DemoDatabase.h"

#include "pelvar/plAuth.h"
#include "pelvar/plDatabase.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlDatabase.h"

#include <QDir>
#include <QFile>

static void InitSchemaResources()
{
    Q_INIT_RESOURCE(schema);
}

namespace demo {

TDemoDatabase OpenDemoDatabase(const QString &folder)
{
    InitSchemaResources();
    TDemoDatabase result;
    result.Folder = folder;
    if (!QDir().mkpath(folder))
        throw toolkit::Exception(QStringLiteral("Mape %1 ni mogoče ustvariti.").arg(folder));
    const QString qdat = QDir(folder).filePath(QStringLiteral("qdat.sqlite"));
    result.Created = !QFile::exists(qdat);
    pelvar::OpenSqliteConnection(QDir(folder).filePath(QStringLiteral("tovlet-demo.sqlite")), qdat);
    QSqlDatabase db = pelvar::Connection();
    try {
        toolkit::ExecuteSqlScript(db, toolkit::ReadSqlScript(QStringLiteral(":/tovlet/db/qdat.sql")));
        if (result.Created) {
            toolkit::ExecuteSqlScript(db, toolkit::ReadSqlScript(QStringLiteral(":/tovlet/db/codelists_seed.sql")));
            toolkit::ExecuteSqlScript(db, toolkit::ReadSqlScript(QStringLiteral(":/tovlet/db/demo_seed.sql")));
        }
        pelvar::EnsureSystemTables();
        // The dialogs' OK and Cancel are rights like any other action.
        for (const char *action : {"acDialog.acOK", "acDialog.acCancel"})
            if (!pelvar::AuthManager().ExistsObjectAction(nullptr, QString::fromLatin1(action)))
                pelvar::AuthManager().Grant(QString::fromLatin1(action));
    } catch (...) {
        pelvar::CloseConnection();
        // A half-created database must not pass for a seeded one next time.
        if (result.Created)
            QFile::remove(qdat);
        throw;
    }
    return result;
}

} // namespace demo
