// The statement trace: every statement our SQL data sets and the persistence
// layer run is told, once it has run (or failed), to whoever listens: the
// utility library's SQL statistics (the SQL monitor) and the persistence
// layer's access-time figures. The trace sits at the lowest level so that
// each of those sees every statement, whichever layer ran it.
//
// A listener gets the entry while the statement's own objects still exist:
// nothing is copied or formatted for it, so tracing costs next to nothing
// until somebody formats what it gets. Listeners run on the thread that ran
// the statement (the main thread) and must not throw; one that does is
// ignored, as a watcher must never break the work it watches.
#pragma once

#include "toolkit/toolkit_export.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class QObject;

namespace toolkit {

struct TOOLKIT_EXPORT TSqlTraceEntry
{
    // The data set that ran the statement; nullptr for the persistence
    // layer's own statements.
    QObject *Sender = nullptr;
    const QString *ConnectionName = nullptr;
    // As its caller wrote it, before the dialect's translation.
    const QString *Sql = nullptr;
    // Values bound by name (":NAME" in the text, the key without the colon)
    // or by position; either may be missing.
    const QVariantMap *NamedBinds = nullptr;
    const QVariantList *PositionalBinds = nullptr;
    // From before the statement was prepared until the database was done
    // with it, waits for locks and a reconnection included.
    qint64 Nanoseconds = 0;
    // The database's error when the statement failed; nullptr when it ran.
    const QString *Error = nullptr;
};

using TSqlTraceListener = std::function<void(const TSqlTraceEntry &entry)>;

// Returns the listener's number, for RemoveSqlTraceListener.
TOOLKIT_EXPORT int AddSqlTraceListener(TSqlTraceListener listener);
TOOLKIT_EXPORT void RemoveSqlTraceListener(int number);
// Tells every listener.
TOOLKIT_EXPORT void TraceSql(const TSqlTraceEntry &entry);

} // namespace toolkit
