// Globals of the application: system parameters (the working date), the
// login information, and the SQL statistics object that every TIQuery
// reports to (statement 0, stored-procedure call 1, bound parameter
// "name=value" 2, execution time in seconds 3).
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/DateUtils.h"

#include <QObject>
#include <QString>
#include <functional>

namespace marvok {

class MARVOK_EXPORT TISystemParameters
{
public:
    // The day the application works for; today unless the host set one.
    toolkit::TDateTime GetWorkingDate() const;
    // 0 returns to today.
    void SetWorkingDate(toolkit::TDateTime date) { FWorkingDate = toolkit::DateOf(date); }

private:
    toolkit::TDateTime FWorkingDate = 0;
};

MARVOK_EXPORT TISystemParameters &ISystemParameters();

struct MARVOK_EXPORT TILoginInfo
{
    QString UserCode;
    QString UserName;
    QString WorkstationCode;
    QString OrganizationCode;
};

// The logged-in user; setting the user code also tells the persistence layer.
MARVOK_EXPORT TILoginInfo &LoginInfo();
MARVOK_EXPORT void SetLoginUser(const QString &userCode, const QString &userName = {});

enum TIStatType : int { stStatement = 0, stStoredProc = 1, stParameter = 2, stTime = 3 };

class MARVOK_EXPORT TIDBStatistics
{
public:
    using TStatEvent = std::function<void(QObject *sender, const QString &text, int statType)>;
    TStatEvent OnStatistics;
    void Raise(QObject *sender, const QString &text, int statType)
    {
        if (OnStatistics)
            OnStatistics(sender, text, statType);
    }
};

MARVOK_EXPORT TIDBStatistics &IDBStatistics();

} // namespace marvok
