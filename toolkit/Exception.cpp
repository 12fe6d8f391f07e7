#include "Exception.h"

#include <QHash>
#include <QRegularExpression>

#include <QtGlobal>

namespace toolkit {

Exception::Exception(QString message, QString userMessage)
    : FMessage(std::move(message))
    , FUserMessage(std::move(userMessage))
    , FUtf8(FMessage.toUtf8())
{
}

Exception::~Exception() = default;

EAbort::EAbort()
    : Exception(QStringLiteral("Operation aborted"))
{
}

void Abort()
{
    throw EAbort();
}

namespace {
std::function<void(const Exception &)> &Handler()
{
    static std::function<void(const Exception &)> handler;
    return handler;
}
} // namespace

void SetExceptionHandler(std::function<void(const Exception &e)> handler)
{
    Handler() = std::move(handler);
}

void HandleException(const Exception &e)
{
    if (dynamic_cast<const EAbort *>(&e))
        return;
    if (Handler())
        Handler()(e);
    else
        qWarning("%s", e.what());
}

QString EConvertError::UserMessage() const
{
    static const QRegularExpression pattern(QStringLiteral("^'(.*)' is not a valid (integer value|floating point value|date and time|date|time|boolean value)$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = pattern.match(Message());
    if (!m.hasMatch())
        return Message();
    static const QHash<QString, QString> what{
        {QStringLiteral("integer value"), QStringLiteral("ni veljavno celo število")},
        {QStringLiteral("floating point value"), QStringLiteral("ni veljavno število")},
        {QStringLiteral("date and time"), QStringLiteral("ni veljaven datum s časom")},
        {QStringLiteral("date"), QStringLiteral("ni veljaven datum")},
        {QStringLiteral("time"), QStringLiteral("ni veljaven čas")},
        {QStringLiteral("boolean value"), QStringLiteral("ni veljavna vrednost da/ne")},
    };
    return QStringLiteral("»%1« %2.").arg(m.captured(1), what.value(m.captured(2)));
}

} // namespace toolkit
