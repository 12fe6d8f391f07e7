// Exceptions of the toolkit: every error the framework raises carries a
// QString message (English for programming errors, Slovenian for the user).
#pragma once

#include "toolkit/toolkit_export.h"

#include <QByteArray>
#include <QString>
#include <exception>
#include <functional>

namespace toolkit {

class TOOLKIT_EXPORT Exception : public std::exception
{
public:
    // `userMessage`: what the user is told, when the message itself holds
    // the programmer's details (which then go to the log).
    explicit Exception(QString message, QString userMessage = {});
    ~Exception() override;

    const QString &Message() const noexcept { return FMessage; }
    const char *what() const noexcept override { return FUtf8.constData(); }
    // What the user is told (Slovenian): the user text given, else what a
    // subclass knows better, else the message itself.
    virtual QString UserMessage() const { return FUserMessage.isEmpty() ? FMessage : FUserMessage; }

protected:
    bool HasUserMessage() const { return !FUserMessage.isEmpty(); }

private:
    QString FMessage;
    QString FUserMessage;
    QByteArray FUtf8;
};

// The silent abort: unwinds the current operation; top-level handlers swallow
// it without showing anything to the user.
class TOOLKIT_EXPORT EAbort : public Exception
{
public:
    EAbort();
};

// Index out of range or a forbidden operation on a list.
class TOOLKIT_EXPORT EListError : public Exception
{
public:
    using Exception::Exception;
};

// Text that does not convert to the wanted type (dates, numbers). The
// message is the original's English; the user reads it in Slovenian.
class TOOLKIT_EXPORT EConvertError : public Exception
{
public:
    using Exception::Exception;
    QString UserMessage() const override;
};

// Misuse of a data set or a field: unknown field, wrong state, read-only.
class TOOLKIT_EXPORT EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

[[noreturn]] TOOLKIT_EXPORT void Abort();

// The application's last word on an error nobody caught: event handlers of
// actions and controls pass errors here instead of letting them into Qt's
// event loop. EAbort is silent; others go to the handler the utility
// library installs (a message box) or, without one, to the Qt log.
TOOLKIT_EXPORT void HandleException(const Exception &e);
TOOLKIT_EXPORT void SetExceptionHandler(std::function<void(const Exception &e)> handler);

} // namespace toolkit
