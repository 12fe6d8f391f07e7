// The demo clinic's main window: the menu the library's capabilities plug
// into, and the patient list read through the toolkit's SQL data set.
#pragma once

#include <QMainWindow>

class QTableWidget;

namespace demo {

class TDemoMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit TDemoMainWindow(const QString &databaseFolder, QWidget *parent = nullptr);

    void RefreshPatients();

private:
    void BuildMenus();

    QTableWidget *FPatients = nullptr;
    QString FDatabaseFolder;
};

} // namespace demo
