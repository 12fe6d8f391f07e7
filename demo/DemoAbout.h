// The demo's About box: what the program is, its version and where its data
// lives, in words a user reads.
#pragma once

#include <QDialog>

namespace demo {

class TdlgOProgramu : public QDialog
{
    Q_OBJECT
public:
    TdlgOProgramu(const QString &databaseFolder, int patientCount, QWidget *parent = nullptr);
};

} // namespace demo
