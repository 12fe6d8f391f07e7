// The demo's use cases: what its menus and tool bar offer in each context.
// The file usecases.xml in the demo's data folder holds them; it is written
// with the demo's defaults on first run and loaded on every start.
#pragma once

#include <QString>

namespace demo {

// Loads (creating when missing) the use-case file of the data folder into
// the package's use-case model; returns the file's name.
QString LoadDemoUseCases(const QString &folder);

} // namespace demo
