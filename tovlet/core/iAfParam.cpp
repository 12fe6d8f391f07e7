#include "iAfParam.h"
#include "Tovlet.h"

#include "marvok/Igl.h"
#include "pelvar/plDatabase.h"
#include "toolkit/Exception.h"

#include <QCoreApplication>
#include <QPointer>

namespace tovlet {

namespace {
TIMireloAFParametersClass GClass;
QPointer<TIMireloAFParameters> GInstance;

void Initialization()
{
    GClass = nullptr;
    GInstance = nullptr;
}

// The instance belongs to the application object; the unit only forgets it.
void Finalization()
{
    GInstance = nullptr;
    GClass = nullptr;
}

[[noreturn]] void CantUse(const char *operation)
{
    throw toolkit::Exception(QStringLiteral("Can't use %1 in TIMireloAFParameters!").arg(QString::fromLatin1(operation)));
}
} // namespace

TOVLET_UNIT(iAfParam, upIAfParam, Initialization, Finalization);

TIMireloAFParameters::TIMireloAFParameters(QObject *owner)
    : QObject(owner)
{
}

bool TIMireloAFParameters::ParamDefinitionExists(const QString &, const QString &)
{
    CantUse("ParamDefinitionExists");
}

void TIMireloAFParameters::AddParamDefinition(const QString &, const QString &, const TIParamDefAccessSet &, const QString &)
{
    CantUse("AddParamDefinition");
}

bool TIMireloAFParameters::ParamValueExists(const QString &, const QString &)
{
    CantUse("ParamValueExists");
}

QString TIMireloAFParameters::GetParamValue(const QString &, const QString &)
{
    CantUse("GetParamValue");
}

void TIMireloAFParameters::SetParamValue(const QString &, const QString &, const QString &)
{
    CantUse("SetParamValue");
}

void SetMireloAFParametersClass(TIMireloAFParametersClass AClass)
{
    GClass = std::move(AClass);
}

TIMireloAFParameters *IMireloAFParameters()
{
    if (!GInstance) {
        if (!GClass)
            throw toolkit::Exception(QStringLiteral("IMireloAFParameters: no application parameters class is registered!"));
        GInstance = GClass(QCoreApplication::instance());
    }
    return GInstance;
}

// --- TIDbAFParameters ---------------------------------------------------------------

namespace {

QString Letter(TIParamDefAccess a)
{
    switch (a) {
    case TIParamDefAccess::pdaUser: return QStringLiteral("U");
    case TIParamDefAccess::pdaOrganization: return QStringLiteral("O");
    case TIParamDefAccess::pdaWorkstation: return QStringLiteral("W");
    case TIParamDefAccess::pdaApplication: return QStringLiteral("A");
    }
    return {};
}

QString OwnerCode(TIParamDefAccess a);

// Without a login the level's owner is "" (shared), never NULL.
QString NonNull(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

QString OwnerCode(TIParamDefAccess a)
{
    const marvok::TILoginInfo &l = marvok::LoginInfo();
    switch (a) {
    case TIParamDefAccess::pdaUser: return NonNull(l.UserCode);
    case TIParamDefAccess::pdaOrganization: return NonNull(l.OrganizationCode);
    case TIParamDefAccess::pdaWorkstation: return NonNull(l.WorkstationCode);
    case TIParamDefAccess::pdaApplication: return QStringLiteral("*");
    }
    return {};
}

// Reading order, most specific first.
const TIParamDefAccess ReadOrder[] = {TIParamDefAccess::pdaUser, TIParamDefAccess::pdaWorkstation,
                                      TIParamDefAccess::pdaOrganization, TIParamDefAccess::pdaApplication};

} // namespace

TIDbAFParameters::TIDbAFParameters(QObject *owner, QString connectionName)
    : TIMireloAFParameters(owner)
    , FConnectionName(std::move(connectionName))
{
    EnsureTables(FConnectionName);
}

void TIDbAFParameters::EnsureTables(const QString &connectionName)
{
    pelvar::ExecSql(QStringLiteral("create table if not exists QDAT.AF_PARAM_DEF (CLASS007 VARCHAR(100) NOT NULL, "
                                   "ATTR_007 VARCHAR(100) NOT NULL, ACCESS VARCHAR(4) NOT NULL, SHORT_DESC VARCHAR(200), "
                                   "PRIMARY KEY (CLASS007, ATTR_007))"),
                    {}, connectionName);
    pelvar::ExecSql(QStringLiteral("create table if not exists QDAT.AF_PARAM_VALUE (CLASS007 VARCHAR(100) NOT NULL, "
                                   "ATTR_007 VARCHAR(100) NOT NULL, LEVEL_CODE VARCHAR(1) NOT NULL, OWNER_CODE VARCHAR(60) NOT NULL, "
                                   "VALUE TEXT, PRIMARY KEY (CLASS007, ATTR_007, LEVEL_CODE, OWNER_CODE))"),
                    {}, connectionName);
}

TIParamDefAccessSet TIDbAFParameters::Access(const QString &cls, const QString &attr, bool &exists)
{
    QSqlQuery q = pelvar::ExecSql(QStringLiteral("select ACCESS from QDAT.AF_PARAM_DEF where CLASS007 = ? and ATTR_007 = ?"),
                                  {cls, attr}, FConnectionName);
    TIParamDefAccessSet set;
    exists = q.next();
    if (exists) {
        const QString letters = q.value(0).toString();
        for (TIParamDefAccess a : ReadOrder)
            if (letters.contains(Letter(a)))
                set.insert(a);
    }
    return set;
}

bool TIDbAFParameters::ParamDefinitionExists(const QString &ACLASS007, const QString &AATTR_007)
{
    bool exists = false;
    Access(ACLASS007, AATTR_007, exists);
    return exists;
}

void TIDbAFParameters::AddParamDefinition(const QString &ACLASS007, const QString &AATTR_007,
                                          const TIParamDefAccessSet &AParamDefAccessSet, const QString &AShortDesc)
{
    QString letters;
    for (TIParamDefAccess a : ReadOrder)
        if (AParamDefAccessSet.contains(a))
            letters += Letter(a);
    pelvar::ExecSql(QStringLiteral("delete from QDAT.AF_PARAM_DEF where CLASS007 = ? and ATTR_007 = ?"), {ACLASS007, AATTR_007},
                    FConnectionName);
    pelvar::ExecSql(QStringLiteral("insert into QDAT.AF_PARAM_DEF (CLASS007, ATTR_007, ACCESS, SHORT_DESC) values (?, ?, ?, ?)"),
                    {ACLASS007, AATTR_007, letters, AShortDesc}, FConnectionName);
}

bool TIDbAFParameters::ParamValueExists(const QString &ACLASS007, const QString &AATTR_007)
{
    bool exists = false;
    const TIParamDefAccessSet access = Access(ACLASS007, AATTR_007, exists);
    for (TIParamDefAccess a : ReadOrder) {
        if (!access.contains(a))
            continue;
        QSqlQuery q = pelvar::ExecSql(QStringLiteral("select count(*) from QDAT.AF_PARAM_VALUE where CLASS007 = ? and ATTR_007 = ? "
                                                     "and LEVEL_CODE = ? and OWNER_CODE = ?"),
                                      {ACLASS007, AATTR_007, Letter(a), OwnerCode(a)}, FConnectionName);
        if (q.next() && q.value(0).toInt() > 0)
            return true;
    }
    return false;
}

QString TIDbAFParameters::GetParamValue(const QString &ACLASS007, const QString &AATTR_007)
{
    bool exists = false;
    const TIParamDefAccessSet access = Access(ACLASS007, AATTR_007, exists);
    for (TIParamDefAccess a : ReadOrder) {
        if (!access.contains(a))
            continue;
        QSqlQuery q = pelvar::ExecSql(QStringLiteral("select VALUE from QDAT.AF_PARAM_VALUE where CLASS007 = ? and ATTR_007 = ? "
                                                     "and LEVEL_CODE = ? and OWNER_CODE = ?"),
                                      {ACLASS007, AATTR_007, Letter(a), OwnerCode(a)}, FConnectionName);
        if (q.next())
            return q.value(0).toString();
    }
    return {};
}

void TIDbAFParameters::SetParamValueAt(const QString &ACLASS007, const QString &AATTR_007, TIParamDefAccess level,
                                       const QString &AValue)
{
    pelvar::TplSession *s = pelvar::DatabaseProvider().GetCurrentSession();
    s->StartTransaction(QStringLiteral("TIDbAFParameters.SetParamValue"));
    try {
        pelvar::ExecSql(QStringLiteral("delete from QDAT.AF_PARAM_VALUE where CLASS007 = ? and ATTR_007 = ? and LEVEL_CODE = ? "
                                       "and OWNER_CODE = ?"),
                        {ACLASS007, AATTR_007, Letter(level), OwnerCode(level)}, FConnectionName);
        pelvar::ExecSql(QStringLiteral("insert into QDAT.AF_PARAM_VALUE (CLASS007, ATTR_007, LEVEL_CODE, OWNER_CODE, VALUE) "
                                       "values (?, ?, ?, ?, ?)"),
                        {ACLASS007, AATTR_007, Letter(level), OwnerCode(level), AValue}, FConnectionName);
        s->Commit(QStringLiteral("TIDbAFParameters.SetParamValue"));
    } catch (...) {
        s->Rollback(QStringLiteral("TIDbAFParameters.SetParamValue"));
        throw;
    }
}

void TIDbAFParameters::SetParamValue(const QString &ACLASS007, const QString &AATTR_007, const QString &AValue)
{
    bool exists = false;
    const TIParamDefAccessSet access = Access(ACLASS007, AATTR_007, exists);
    if (!exists)
        throw toolkit::Exception(QStringLiteral("TIDbAFParameters.SetParamValue: %1.%2 has no definition!").arg(ACLASS007, AATTR_007));
    for (TIParamDefAccess a : ReadOrder)
        if (access.contains(a)) {
            SetParamValueAt(ACLASS007, AATTR_007, a, AValue);
            return;
        }
    throw toolkit::Exception(QStringLiteral("TIDbAFParameters.SetParamValue: %1.%2 allows no level!").arg(ACLASS007, AATTR_007));
}

} // namespace tovlet
