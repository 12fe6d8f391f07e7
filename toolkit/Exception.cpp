#include "Exception.h"

#include <QtGlobal>

namespace toolkit {

Exception::Exception(QString message)
    : FMessage(std::move(message))
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

} // namespace toolkit
