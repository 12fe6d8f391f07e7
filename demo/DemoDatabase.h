// The demo clinic's embedded database in the user's data folder: created and
// seeded on first run, schema brought up to date on every run.
#pragma once

#include <QString>

namespace demo {

struct TDemoDatabase
{
    QString Folder;
    bool Created = false;
};

// Opens the "_ZDR" connection through the persistence layer; raises
// toolkit::Exception with the reason.
TDemoDatabase OpenDemoDatabase(const QString &folder);

} // namespace demo
