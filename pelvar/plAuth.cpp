#include "plAuth.h"
#include "plDatabase.h"

namespace pelvar {

namespace {
QString Key(const QString &action, const QString &cls, const QString &user)
{
    return action.toUpper() + QLatin1Char('|') + cls.toUpper() + QLatin1Char('|') + user.toUpper();
}
} // namespace

void TAuthManager::EnsureLoaded()
{
    const QString user = PerLayerSettings().CurrentUser.toUpper();
    if (FLoaded && FLoadedFor == user)
        return;
    EnsureSystemTables();
    FRights.clear();
    FActions.clear();
    QSqlQuery q = ExecSql(QStringLiteral("select ACTION_NAME, CLASS_NAME, USER_CODE, GRANTED from QDAT.PL_RIGHT"));
    while (q.next()) {
        const QString action = q.value(0).toString();
        FRights.insert(Key(action, q.value(1).toString().trimmed(), q.value(2).toString()), q.value(3).toInt() != 0);
        ++FActions[action.toUpper()];
    }
    FLoaded = true;
    FLoadedFor = user;
}

bool TAuthManager::ExistsObjectAction(const TplDomainObject *, const QString &action)
{
    EnsureLoaded();
    return FActions.contains(action.toUpper());
}

bool TAuthManager::HasObjectActionRight(const TplDomainObject *obj, const QString &action)
{
    EnsureLoaded();
    const QString user = PerLayerSettings().CurrentUser;
    QStringList classes;
    if (obj)
        classes = obj->ClassAncestry();
    classes << QString();
    for (const QString &cls : classes) {
        for (const QString &u : {user, QStringLiteral("*")}) {
            const auto it = FRights.constFind(Key(action, cls, u));
            if (it != FRights.cend())
                return it.value();
        }
    }
    return false;
}

void TAuthManager::Grant(const QString &action, bool granted, const QString &userCode, const QString &className)
{
    EnsureSystemTables();
    TplSession *s = DatabaseProvider().GetCurrentSession();
    s->StartTransaction(QStringLiteral("TAuthManager.Grant"));
    try {
        ExecSql(QStringLiteral("delete from QDAT.PL_RIGHT where ACTION_NAME = ? and CLASS_NAME = ? and USER_CODE = ?"),
                {action, className.isEmpty() ? QStringLiteral(" ") : className, userCode});
        ExecSql(QStringLiteral("insert into QDAT.PL_RIGHT (ACTION_NAME, CLASS_NAME, USER_CODE, GRANTED) values (?, ?, ?, ?)"),
                {action, className.isEmpty() ? QStringLiteral(" ") : className, userCode, granted ? 1 : 0});
        s->Commit(QStringLiteral("TAuthManager.Grant"));
    } catch (...) {
        s->Rollback(QStringLiteral("TAuthManager.Grant"));
        throw;
    }
    FLoaded = false;
}

void TAuthManager::Revoke(const QString &action, const QString &userCode, const QString &className)
{
    EnsureSystemTables();
    ExecSql(QStringLiteral("delete from QDAT.PL_RIGHT where ACTION_NAME = ? and CLASS_NAME = ? and USER_CODE = ?"),
            {action, className.isEmpty() ? QStringLiteral(" ") : className, userCode});
    FLoaded = false;
}

TAuthManager &AuthManager()
{
    static TAuthManager manager;
    return manager;
}

} // namespace pelvar
