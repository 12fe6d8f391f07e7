// Globals of the application: system parameters (the working date), the
// login information, and the SQL statistics object.
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

// The SQL statistics: every statement run on any connection (TIQuery and the
// other SQL data sets, views, the persistence layer's own reads and writes
// and its transactions' BEGIN/COMMIT/ROLLBACK) is told to OnStatistics once
// it has run, failed ones too, as these events in this order:
// - stStatement (or stStoredProc for TIQuery::ExecProc): the text as its
//   caller wrote it, before the dialect's translation;
// - stParameter, one per bound value: "name=value". A value bound by name
//   is named without its colon (":ID" in the text gives "ID=5"), in the
//   order of the names; values bound by position ("?") are named by their
//   position from 1 ("1=5", "2=Novak"). The value is the text of the value
//   exactly, apostrophes and line breaks included; "NULL" for a null, and
//   "<blob: N bytes>" for binary data;
// - stTime: the time the statement took, in seconds, with six decimals and a
//   point whatever the locale ("%.6f" in the C locale: "0.000734"), so that
//   0.200100 s is not 0.2 s. Read it back with QLocale::c().toDouble.
// The sender is the data set that ran the statement, nullptr for the
// persistence layer's own. Statements run by the handler itself are not
// told again, and a handler that throws does not break the statement.
// Without a handler nothing is formatted.
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
