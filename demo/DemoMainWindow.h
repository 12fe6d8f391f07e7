// The demo clinic's main window: menus and tool bar filled from the
// use-case model for the chosen working-unit type and user type, and the
// patient list read through the toolkit's SQL data set. A double click on a
// patient, or Enter, opens the patient's card.
#pragma once

#include <QMainWindow>

class QComboBox;
class QDialog;
class QListWidget;
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
    // The tool-bar dialog of CustomiseToolBar, filled and not yet shown;
    // owned by the caller. Its OK saves the choice.
    QDialog *CreateToolBarDialog();
    // The card of the patient with this ID; the dialog's result.
    int OpenPatientCard(qint64 id);
    // The card of the patient with this ID, filled and not yet shown; owned
    // by the caller.
    class TdlgPacient *CreatePatientCard(qint64 id);
    // The allergies and warnings of the patient with this ID; the dialog's result.
    int OpenAllergies(qint64 id);
    // Checks every patient with the please-wait and progress windows; how
    // many were checked before the end or a cancel.
    int RunLongCheck();
    QToolBar *UseCaseToolBar() const { return FToolBar; }
    QTableWidget *PatientList() const { return FPatients; }
    QString DatabaseFolder() const { return FDatabaseFolder; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildMenus();
    void BuildContextBar();
    void RebuildUseCases();
    QAction *ActionFor(tovlet::TIUCUseCaseCustom *useCase);
    void AddToMenu(QMenu *menu, tovlet::TIUCUseCaseCustom *useCase, int depth);
    void Run(const QString &code);
    // Opens the card of the patient in that row; errors are told, not thrown.
    void OpenCardOfRow(int row);
    void SaveToolBar(const QListWidget *list);
    void SelectContextFromCombos();

    QTableWidget *FPatients = nullptr;
    QToolBar *FToolBar = nullptr;
    QComboBox *FWUType = nullptr;
    QComboBox *FUserType = nullptr;
    QString FDatabaseFolder;
    QString FUseCaseFile;
};

} // namespace demo
