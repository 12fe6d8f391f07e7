#include "Igl.h"
#include "Ilog.h"
#include "Iquery.h"

#include "pelvar/plCore.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlTrace.h"

#include <exception>

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

namespace {

bool GReporting = false;

QString ValueText(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::QByteArray)
        return QStringLiteral("<blob: %1 bytes>").arg(value.toByteArray().size());
    return value.toString();
}

void ReportStatement(const toolkit::TSqlTraceEntry &entry)
{
    TIDBStatistics &statistics = IDBStatistics();
    // A handler that runs SQL itself would otherwise hear of it without end.
    if (!statistics.OnStatistics || GReporting || !entry.Sql)
        return;
    GReporting = true;
    try {
        int type = stStatement;
        if (const auto *query = qobject_cast<const TIQuery *>(entry.Sender))
            type = query->StatType();
        statistics.Raise(entry.Sender, *entry.Sql, type);
        if (entry.NamedBinds)
            for (auto it = entry.NamedBinds->cbegin(); it != entry.NamedBinds->cend(); ++it)
                statistics.Raise(entry.Sender, it.key() + QLatin1Char('=') + ValueText(it.value()), stParameter);
        if (entry.PositionalBinds)
            for (int i = 0; i < entry.PositionalBinds->size(); ++i)
                statistics.Raise(entry.Sender, QString::number(i + 1) + QLatin1Char('=') + ValueText(entry.PositionalBinds->at(i)),
                                 stParameter);
        // QString::number is the C locale's: a point, whatever the user's settings.
        statistics.Raise(entry.Sender, QString::number(double(entry.Nanoseconds) / 1e9, 'f', 6), stTime);
    } catch (const toolkit::Exception &e) {
        ILog(QStringLiteral("SQL statistics handler failed: %1").arg(e.Message()));
    } catch (const std::exception &e) {
        ILog(QStringLiteral("SQL statistics handler failed: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        ILog(QStringLiteral("SQL statistics handler failed"));
    }
    GReporting = false;
}

} // namespace

TIDBStatistics &IDBStatistics()
{
    static TIDBStatistics statistics;
    // The statement trace is told of every statement; it reaches the
    // handler from the first time anybody asks for the statistics (setting
    // a handler asks).
    static const int listener = toolkit::AddSqlTraceListener(ReportStatement);
    Q_UNUSED(listener);
    return statistics;
}

} // namespace marvok
