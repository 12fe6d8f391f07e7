// Authorisation: rights to named actions, kept in QDAT.PL_RIGHT and granted
// from code. A right names the action, optionally the class of the object it
// is asked for, and a user code or "*" for everybody; a user's own row wins
// over "*", a class row over a general one. An action without any row is
// unknown and refused.
#pragma once

#include "plCore.h"

#include <QHash>

namespace pelvar {

class PELVAR_EXPORT TAuthManager
{
public:
    bool HasObjectActionRight(const TplDomainObject *obj, const QString &action);
    bool ExistsObjectAction(const TplDomainObject *obj, const QString &action);
    void Grant(const QString &action, bool granted = true, const QString &userCode = QStringLiteral("*"),
               const QString &className = {});
    void Revoke(const QString &action, const QString &userCode = QStringLiteral("*"), const QString &className = {});
    // Rights are read once and cached; call after rights change elsewhere.
    void Reload() { FLoaded = false; }

private:
    void EnsureLoaded();

    bool FLoaded = false;
    QString FLoadedFor;
    QHash<QString, bool> FRights; // "ACTION|CLASS|USER" -> granted
    QHash<QString, int> FActions; // "ACTION" -> number of rows
};

PELVAR_EXPORT TAuthManager &AuthManager();

} // namespace pelvar
