#include "Exception.h"

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

} // namespace toolkit
