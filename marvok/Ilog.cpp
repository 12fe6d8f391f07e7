#include "Ilog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace marvok {

namespace {
QString &FileName()
{
    static QString name;
    return name;
}
std::function<void(const QString &)> &Sink()
{
    static std::function<void(const QString &)> sink;
    return sink;
}
} // namespace

QString LogFileName()
{
    if (FileName().isEmpty()) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        const QString app = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("tovlet") : QCoreApplication::applicationName();
        return QDir(dir).filePath(app + QStringLiteral(".log"));
    }
    return FileName();
}

void SetLogFileName(const QString &fileName)
{
    FileName() = fileName;
}

void SetLogSink(std::function<void(const QString &)> sink)
{
    Sink() = std::move(sink);
}

void ILog(const QString &text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" | "));
    line.replace(QLatin1Char('\n'), QLatin1String(" | "));
    line.replace(QLatin1Char('\r'), QLatin1String(" | "));
    if (Sink())
        Sink()(line);
    const QString name = LogFileName();
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile f(name);
    if (!f.open(QIODevice::Append | QIODevice::Text))
        return; // a log that cannot be written must not stop the work
    f.write((QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char(' ') + line
             + QLatin1Char('\n'))
                .toUtf8());
}

void TProcedureLog::Add(const QString &procedure, qint64 nanoseconds)
{
    TTotal &t = FTotals[procedure];
    ++t.Calls;
    t.Nanoseconds += nanoseconds;
}

void TProcedureLog::StampTotalTimes()
{
    for (auto it = FTotals.cbegin(); it != FTotals.cend(); ++it)
        ILog(QStringLiteral("ProcedureLog %1: %2 calls, %3 s")
                 .arg(it.key())
                 .arg(it->Calls)
                 .arg(double(it->Nanoseconds) / 1e9, 0, 'f', 3));
    FTotals.clear();
}

TProcedureLog &ProcedureLog()
{
    static TProcedureLog log;
    return log;
}

} // namespace marvok
