#include "SqlDatabase.h"
#include "Exception.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace toolkit {

QSqlDatabase OpenSqliteDatabase(const QString &connectionName, const QString &mainFile,
                                const QList<TSqliteAttachment> &attachments)
{
    if (QSqlDatabase::contains(connectionName))
        CloseDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(mainFile);
    if (!db.open()) {
        const QString err = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw EDatabaseError(QStringLiteral("Cannot open database '%1': %2").arg(mainFile, err));
    }
    QSqlQuery q(db);
    // SQLite reads a file only when asked: ask now, so that a damaged file is
    // named as itself and not as the next one attached.
    const auto checkReadable = [&](const QString &schema, const QString &file) {
        if (!q.exec(QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(schema))) {
            const QString err = q.lastError().text();
            q = QSqlQuery();
            db = QSqlDatabase();
            CloseDatabase(connectionName);
            throw EDatabaseError(QStringLiteral("Database file '%1' is damaged or not a database: %2").arg(file, err));
        }
    };
    checkReadable(QStringLiteral("main"), mainFile);
    q.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    for (const TSqliteAttachment &a : attachments) {
        if (!identifier.match(a.Schema).hasMatch()) {
            q = QSqlQuery();
            db = QSqlDatabase();
            CloseDatabase(connectionName);
            throw EDatabaseError(QStringLiteral("Invalid schema name '%1'").arg(a.Schema));
        }
        q.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(a.Schema));
        q.addBindValue(QFileInfo(a.File).absoluteFilePath());
        if (!q.exec()) {
            const QString err = q.lastError().text();
            q = QSqlQuery();
            db = QSqlDatabase();
            CloseDatabase(connectionName);
            throw EDatabaseError(QStringLiteral("Cannot attach '%1' as %2: %3").arg(a.File, a.Schema, err));
        }
        checkReadable(a.Schema, a.File);
    }
    return db;
}

void CloseDatabase(const QString &connectionName)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QString ReadSqlScript(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read the SQL script %1").arg(path));
    return QString::fromUtf8(f.readAll());
}

QStringList SplitSqlScript(const QString &script)
{
    QStringList out;
    QString current;
    const int n = int(script.size());
    int triggerDepth = 0; // inside CREATE TRIGGER ... BEGIN ... END
    auto wordAt = [&](int i, QLatin1String w) {
        if (!QStringView(script).mid(i).startsWith(w, Qt::CaseInsensitive))
            return false;
        const bool before = i == 0 || !script.at(i - 1).isLetterOrNumber();
        const int after = i + int(w.size());
        return before && (after >= n || !script.at(after).isLetterOrNumber());
    };
    bool sawTrigger = false;
    for (int i = 0; i < n; ++i) {
        const QChar c = script.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int start = i;
            ++i;
            while (i < n) {
                if (script.at(i) == c) {
                    if (i + 1 < n && script.at(i + 1) == c) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            current += script.mid(start, i - start + 1);
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && script.at(i + 1) == QLatin1Char('-')) {
            while (i < n && script.at(i) != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && script.at(i + 1) == QLatin1Char('*')) {
            const int end = script.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 1;
            current += QLatin1Char(' ');
            continue;
        }
        if (wordAt(i, QLatin1String("TRIGGER")))
            sawTrigger = true;
        if (sawTrigger && wordAt(i, QLatin1String("BEGIN")))
            ++triggerDepth;
        if (triggerDepth > 0 && wordAt(i, QLatin1String("END")))
            --triggerDepth;
        if (c == QLatin1Char(';') && triggerDepth == 0) {
            const QString stmt = current.trimmed();
            if (!stmt.isEmpty())
                out.append(stmt);
            current.clear();
            sawTrigger = false;
            continue;
        }
        current += c;
    }
    const QString rest = current.trimmed();
    if (!rest.isEmpty())
        out.append(rest);
    return out;
}

void ExecuteSqlScript(QSqlDatabase db, const QString &script)
{
    const QStringList statements = SplitSqlScript(script);
    const bool tx = db.transaction();
    QSqlQuery q(db);
    for (const QString &s : statements) {
        if (!q.exec(s)) {
            const QString err = q.lastError().text();
            if (tx)
                db.rollback();
            throw EDatabaseError(QStringLiteral("SQL script failed: %1\n%2").arg(err, s));
        }
    }
    if (tx && !db.commit())
        throw EDatabaseError(QStringLiteral("SQL script commit failed: %1").arg(db.lastError().text()));
}

} // namespace toolkit

namespace toolkit {

QString SqliteQuickCheck(const QSqlDatabase &db, const QString &schema, QString *error)
{
    QSqlQuery q(db);
    // A check that cannot run (a lock, no rights) says nothing of the file.
    if (!q.exec(QStringLiteral("PRAGMA %1.quick_check(5)").arg(schema))) {
        if (error)
            *error = q.lastError().text();
        return {};
    }
    QStringList problems;
    while (q.next())
        if (q.value(0).toString() != QLatin1String("ok"))
            problems << q.value(0).toString();
    return problems.join(QLatin1String("; "));
}

} // namespace toolkit
