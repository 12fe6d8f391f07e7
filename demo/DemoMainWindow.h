// The demo clinic's main window: menus and tool bar filled from the
// use-case model for the chosen working-unit type and user type, and the
// patient list read through the toolkit's SQL data set.
#pragma once

#include <QMainWindow>

class QComboBox;
class QMenu;
class QTableWidget;
class QToolBar;

namespace tovlet {
class TIUCUseCaseCustom;
}

namespace demo {

class TDemoMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    TDemoMainWindow(const QString &databaseFolder, const QString &useCaseFile, QWidget *parent = nullptr);

    void RefreshPatients();
    // Sets the current context and fills the menus and tool bar for it.
    void SelectContext(const QString &workingUnitType, const QString &userType);
    void CustomiseToolBar();
    // The card of the patient with this ID; the dialog's result.
    int OpenPatientCard(qint64 id);
    // Checks every patient with the please-wait and progress windows; how
    // many were checked before the end or a cancel.
    int RunLongCheck();
    QToolBar *UseCaseToolBar() const { return FToolBar; }

private:
    void BuildMenus();
    void BuildContextBar();
    void RebuildUseCases();
    QAction *ActionFor(tovlet::TIUCUseCaseCustom *useCase);
    void AddToMenu(QMenu *menu, tovlet::TIUCUseCaseCustom *useCase, int depth);
    void Run(const QString &code);

    QTableWidget *FPatients = nullptr;
    QToolBar *FToolBar = nullptr;
    QComboBox *FWUType = nullptr;
    QComboBox *FUserType = nullptr;
    QString FDatabaseFolder;
    QString FUseCaseFile;
};

} // namespace demo
