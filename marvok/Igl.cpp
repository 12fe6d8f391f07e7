#include "Igl.h"

#include "pelvar/plCore.h"

namespace marvok {

toolkit::TDateTime TISystemParameters::GetWorkingDate() const
{
    return FWorkingDate == 0 ? toolkit::Date() : FWorkingDate;
}

TISystemParameters &ISystemParameters()
{
    static TISystemParameters parameters;
    return parameters;
}

TILoginInfo &LoginInfo()
{
    static TILoginInfo info;
    return info;
}

void SetLoginUser(const QString &userCode, const QString &userName)
{
    LoginInfo().UserCode = userCode;
    LoginInfo().UserName = userName;
    pelvar::PerLayerSettings().CurrentUser = userCode;
}

TIDBStatistics &IDBStatistics()
{
    static TIDBStatistics statistics;
    return statistics;
}

} // namespace marvok
