// The demo's configurable patient list: the clinic's patients in the data
// grid whose columns a user resizes, hides and shows; the layout is kept in
// the clinic's settings file and comes back when the list opens again.
#pragma once

#include <QString>

class QWidget;

namespace demo {

// The list window over the patients; `settingsFile` keeps its layout.
QWidget *CreatePatientGridWindow(const QString &settingsFile, QWidget *parent = nullptr);
// Where the demo keeps it: beside the clinic's database.
QString PatientGridSettingsFile(const QString &databaseFolder);

} // namespace demo
