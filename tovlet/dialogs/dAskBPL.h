// The choice of optional packages (plugin libraries) loaded at start-up.
#pragma once

#include "tovlet/tovlet_export.h"
#include <QDialog>
#include <QListWidget>
#include <QStringList>

namespace tovlet {

// The optional packages (plugin files) that load at start-up. Check marks
// are kept in "MirLoc.ini" next to the executable, section "LoadBPLs".
class TOVLET_EXPORT TdlgChooseBPLs : public QDialog
{
    Q_OBJECT
public:
    explicit TdlgChooseBPLs(QWidget *parent = nullptr);
    // Fills the list, restores the marks; on OK saves them and removes the
    // unchecked files from List. Returns whether the user confirmed.
    bool ShowDialog(QStringList &List);
    QListWidget *List() const { return FList; }
    // The description in the plugin's metadata ("Description"); empty without one.
    static QString GetBPLDescription(const QString &FileName);
    static QString SettingsFileName();

private:
    QListWidget *FList;
};

} // namespace tovlet
