// The demo clinic's embedded database in the user's data folder: created and
// seeded on first run, schema brought up to date on every run.
//
// Several instances may start at once: creation happens under a lock file in
// the folder, so exactly one creates and seeds, the others wait and open
// what it made; a failed creation removes only what this process created.
// A file that is empty, damaged or not writable is said at start, by name;
// an empty or damaged one is replaced only when the user agrees (the old
// file is kept beside it, renamed).
#pragma once

#include <QString>
#include <functional>

namespace demo {

struct TDemoDatabase
{
    QString Folder;
    bool Created = false;
    // Where a damaged file was moved before starting afresh (empty if none).
    QString SetAside;
};

// Asked (Slovenian) whether to start with a fresh database; true: yes.
using TConfirmFreshStart = std::function<bool(const QString &question)>;

// Opens the "_ZDR" connection through the persistence layer; raises
// toolkit::Exception with the reason (UserMessage() in Slovenian). Without
// `confirm`, an empty or damaged database is only reported.
TDemoDatabase OpenDemoDatabase(const QString &folder, const TConfirmFreshStart &confirm = {});

} // namespace demo
