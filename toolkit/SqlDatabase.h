// Opening the embedded SQLite database and running SQL scripts.
//
// The application schema lives in its own SQLite file attached under the
// schema's name (QDAT), so that SQL written as "QDAT.TABLE" runs unchanged on
// SQLite, PostgreSQL (a real schema) and the original Oracle.
#pragma once

#include "toolkit/toolkit_export.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace toolkit {

struct TOOLKIT_EXPORT TSqliteAttachment
{
    QString Schema; // e.g. "QDAT"
    QString File;
};

// Opens (creating when missing) `mainFile` as connection `connectionName`
// and attaches every schema file. Raises EDatabaseError naming the file.
TOOLKIT_EXPORT QSqlDatabase OpenSqliteDatabase(const QString &connectionName, const QString &mainFile,
                                               const QList<TSqliteAttachment> &attachments);
TOOLKIT_EXPORT void CloseDatabase(const QString &connectionName);
// SQLite's quick integrity check of one schema ("main" or an attached one):
// empty when the file is sound, else what is wrong. A check that could not
// run leaves its reason in `error` (and returns empty).
TOOLKIT_EXPORT QString SqliteQuickCheck(const QSqlDatabase &db, const QString &schema, QString *error = nullptr);

// A script from a file or a Qt resource (UTF-8); raises Exception naming it when missing.
TOOLKIT_EXPORT QString ReadSqlScript(const QString &path);
// Splits a script at ";" outside quotes, comments and trigger bodies.
TOOLKIT_EXPORT QStringList SplitSqlScript(const QString &script);
// Runs every statement of the script in one transaction; on an error rolls
// back and raises EDatabaseError with the statement and the driver's text.
TOOLKIT_EXPORT void ExecuteSqlScript(QSqlDatabase db, const QString &script);

} // namespace toolkit
