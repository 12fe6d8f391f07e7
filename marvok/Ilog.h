// The application log: ILog writes one line (newlines folded into " | ")
// with a time stamp to the log file, by default <app data>/<application>.log.
// ProcedureLog adds up the time spent in named procedures and stamps the
// totals into the log on request.
#pragma once

#include "marvok/marvok_export.h"

#include <QElapsedTimer>
#include <QMap>
#include <QString>
#include <functional>

namespace marvok {

MARVOK_EXPORT void ILog(const QString &text);
MARVOK_EXPORT QString LogFileName();
MARVOK_EXPORT void SetLogFileName(const QString &fileName);
// Also hands every line (without the time stamp) to `sink`, e.g. a monitor.
MARVOK_EXPORT void SetLogSink(std::function<void(const QString &line)> sink);

class MARVOK_EXPORT TProcedureLog
{
public:
    struct TTotal
    {
        qint64 Calls = 0;
        qint64 Nanoseconds = 0;
    };
    void Add(const QString &procedure, qint64 nanoseconds);
    QMap<QString, TTotal> Totals() const { return FTotals; }
    // One log line per procedure: name, calls and total seconds; then starts afresh.
    void StampTotalTimes();
    void Clear() { FTotals.clear(); }

private:
    QMap<QString, TTotal> FTotals;
};

MARVOK_EXPORT TProcedureLog &ProcedureLog();

// Times the enclosing block into ProcedureLog.
class MARVOK_EXPORT TProcedureTimer
{
public:
    explicit TProcedureTimer(QString procedure) : FProcedure(std::move(procedure)) { FTimer.start(); }
    ~TProcedureTimer() { ProcedureLog().Add(FProcedure, FTimer.nsecsElapsed()); }

private:
    QString FProcedure;
    QElapsedTimer FTimer;
};

} // namespace marvok
