#include "DemoDatabase.h"

#include "marvok/Ilog.h"
#include "pelvar/plAuth.h"
#include "pelvar/plDatabase.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>

static void InitSchemaResources()
{
    Q_INIT_RESOURCE(schema);
}

namespace demo {

namespace {

const char *const MainName = "tovlet-demo.sqlite";
const char *const QdatName = "qdat.sqlite";

[[noreturn]] void Fail(const QString &details, const QString &user, pelvar::TplErrorKind kind = pelvar::TplErrorKind::ekOther)
{
    throw pelvar::EplError(details, kind, user);
}

// A database that holds no clinic: no file, or one of no bytes.
bool Missing(const QString &file)
{
    const QFileInfo info(file);
    return !info.exists() || info.size() == 0;
}

// Moves a damaged or empty file aside, keeping it for whoever restores.
QString SetAside(const QString &file)
{
    const QString aside = file + QStringLiteral(".poskodovana-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(file, aside))
        Fail(QStringLiteral("Cannot rename %1 to %2").arg(file, aside),
             QStringLiteral("Datoteke %1 ni mogoče umakniti. Preverite pravice v mapi.").arg(QDir::toNativeSeparators(file)));
    return aside;
}

// Both files must take a write: said now, not at the first save.
void CheckWritable(const QString &folder)
{
    QSqlDatabase db = pelvar::Connection();
    for (const char *schema : {"main", "QDAT"}) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("PRAGMA %1.user_version").arg(QLatin1String(schema))) || !q.next())
            continue; // nothing read, nothing to write back
        const int version = q.value(0).toInt();
        QSqlQuery w(db);
        if (!w.exec(QStringLiteral("PRAGMA %1.user_version = %2").arg(QLatin1String(schema)).arg(version))
            && pelvar::ErrorKindOf(w.lastError()) == pelvar::TplErrorKind::ekReadOnly) {
            const QString file = QDir(folder).filePath(QLatin1String(qstrcmp(schema, "main") == 0 ? MainName : QdatName));
            Fail(w.lastError().text(),
                 QStringLiteral("Baza %1 je samo za branje, zato vnosov ne bi bilo mogoče shraniti. Preverite pravice "
                                "datoteke in mape ali se obrnite na skrbnika sistema.")
                     .arg(QDir::toNativeSeparators(file)),
                 pelvar::TplErrorKind::ekReadOnly);
        }
    }
}

} // namespace

TDemoDatabase OpenDemoDatabase(const QString &folder, const TConfirmFreshStart &confirm)
{
    InitSchemaResources();
    TDemoDatabase result;
    result.Folder = folder;
    if (!QDir().mkpath(folder))
        Fail(QStringLiteral("Cannot create folder %1").arg(folder),
             QStringLiteral("Mape %1 ni mogoče ustvariti.").arg(QDir::toNativeSeparators(folder)), pelvar::TplErrorKind::ekReadOnly);
    const QString main = QDir(folder).filePath(QLatin1String(MainName));
    const QString qdat = QDir(folder).filePath(QLatin1String(QdatName));

    // One instance at a time decides whether to create; the others wait.
    QLockFile lock(QDir(folder).filePath(QStringLiteral("tovlet-demo.lock")));
    // Stale only when its owner is gone, however long the owner asks its user.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(30000))
        Fail(QStringLiteral("Lock %1 is held by another instance").arg(QDir(folder).filePath(QStringLiteral("tovlet-demo.lock"))),
             QStringLiteral("Drug zagon programa ravno pripravlja bazo v mapi %1. Poskusite znova čez nekaj trenutkov.")
                 .arg(QDir::toNativeSeparators(folder)),
             pelvar::TplErrorKind::ekLocked);

    // An empty file next to a real one is damage, not a first start.
    const bool qdatMissing = Missing(qdat), mainMissing = Missing(main);
    const bool emptyButPresent = qdatMissing && !mainMissing; // gone or emptied beside a used main file
    if (emptyButPresent) {
        const QString question = QStringLiteral("Datoteka %1 je prazna ali je ni: pacientov, ki so bili v njej, ni več. Jo obnovite iz "
                                                "varnostne kopije (Ne), ali naj začnem z novo, prazno ambulanto (Da)? "
                                                "Prazna datoteka ostane shranjena ob novi.")
                                     .arg(QDir::toNativeSeparators(qdat));
        if (!confirm || !confirm(question))
            Fail(QStringLiteral("%1 is empty").arg(qdat),
                 QStringLiteral("Datoteka %1 je prazna ali je ni. Obnovite jo iz varnostne kopije.").arg(QDir::toNativeSeparators(qdat)),
                 pelvar::TplErrorKind::ekDamaged);
        if (QFileInfo::exists(qdat))
            result.SetAside = SetAside(qdat);
    }
    result.Created = Missing(qdat);
    const bool mainCreated = Missing(main);

    try {
        pelvar::OpenSqliteConnection(main, qdat);
    } catch (const pelvar::EplError &e) {
        if (e.Kind() != pelvar::TplErrorKind::ekDamaged || !confirm
            || !confirm(e.UserMessage() + QStringLiteral("\n\nNaj poškodovano datoteko umaknem in začnem z novo, prazno ambulanto?")))
            throw;
        const QString damaged = e.UserMessage().contains(QDir::toNativeSeparators(qdat)) ? qdat : main;
        result.SetAside = SetAside(damaged);
        result.Created = Missing(qdat);
        pelvar::OpenSqliteConnection(main, qdat);
    }
    try {
        CheckWritable(folder);
        QSqlDatabase db = pelvar::Connection();
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
        // A half-created database must not pass for a seeded one next time;
        // only what this process created goes (the lock keeps others out).
        if (result.Created)
            QFile::remove(qdat);
        if (mainCreated)
            QFile::remove(main);
        throw;
    }
    return result;
}

} // namespace demo
