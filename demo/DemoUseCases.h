// The demo's use cases: what its menus and tool bar offer in each context.
// The file usecases.xml in the demo's data folder holds them; it is written
// with the demo's defaults on first run and loaded on every start.
#pragma once

#include <QString>

namespace demo {

// Loads (creating when missing) the use-case file of the data folder into
// the package's use-case model; returns the file's name. A file that cannot
// be read leaves the default use cases in the model and `problem` saying
// which file and where (the file itself is left alone).
QString LoadDemoUseCases(const QString &folder, QString *problem = nullptr);

// What a user reads for a working-unit type ("AMBULANTA" → "Ambulanta") and a
// user type; a type the demo does not know reads as its code in words.
QString WorkingUnitTypeName(const QString &code);
QString UserTypeName(const QString &code);

// What the user is told of a use case this demo does not offer yet: what
// will come, in plain words, never the use case's code.
QString ComingLaterText(const QString &code);

} // namespace demo
