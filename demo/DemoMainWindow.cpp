#include "DemoMainWindow.h"

#include "marvok/Idialogs.h"
#include "marvok/Ilog.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlDataSet.h"
#include "DemoPatientCard.h"
#include "pelvar/plObject.h"
#include "tovlet/dialogs/dAfPrgrs.h"
#include "tovlet/dialogs/dAskBPL.h"
#include "tovlet/dialogs/dDefDir.h"
#include "tovlet/dialogs/dIHSelectionMode.h"
#include "tovlet/dialogs/dReason.h"
#include "tovlet/dialogs/fRepPreD.h"
#include "tovlet/dialogs/fmPleaseWait.h"
#include "tovlet/usecases/IucXmap.h"
#include "tovlet/usecases/iUC.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QThread>
#include <QSet>
#include <QToolBar>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace demo {

using namespace tovlet;

TDemoMainWindow::TDemoMainWindow(const QString &databaseFolder, const QString &useCaseFile, QWidget *parent)
    : QMainWindow(parent)
    , FDatabaseFolder(databaseFolder)
    , FUseCaseFile(useCaseFile)
{
    setWindowTitle(QStringLiteral("Tovlet – demo ambulanta"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    auto *title = new QLabel(QStringLiteral("<b>Pacienti ambulante</b>"), central);
    layout->addWidget(title);
    FPatients = new QTableWidget(central);
    FPatients->setObjectName(QStringLiteral("twPacienti"));
    FPatients->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FPatients->setSelectionBehavior(QAbstractItemView::SelectRows);
    FPatients->verticalHeader()->hide();
    FPatients->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(FPatients);
    setCentralWidget(central);
    BuildMenus();
    RefreshPatients();
}

void TDemoMainWindow::BuildMenus()
{
    FToolBar = addToolBar(QStringLiteral("Orodna vrstica"));
    FToolBar->setObjectName(QStringLiteral("tbMain"));
    BuildContextBar();
    SelectContext(QStringLiteral("AMBULANTA"), QStringLiteral("ZDRAVNIK"));
}

void TDemoMainWindow::BuildContextBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Kontekst"));
    bar->setObjectName(QStringLiteral("tbKontekst"));
    FWUType = new QComboBox(bar);
    FWUType->setObjectName(QStringLiteral("cbDelovnaEnota"));
    FWUType->addItems(IUCUnitGlobals()->aiWUTypes().ToStringList());
    FUserType = new QComboBox(bar);
    FUserType->setObjectName(QStringLiteral("cbUporabnik"));
    FUserType->addItems(IUCUnitGlobals()->aiUserTypes().ToStringList());
    bar->addWidget(FWUType);
    bar->addWidget(FUserType);
    auto changed = [this] { SelectContext(FWUType->currentText(), FUserType->currentText()); };
    connect(FWUType, &QComboBox::currentTextChanged, this, changed);
    connect(FUserType, &QComboBox::currentTextChanged, this, changed);
}

void TDemoMainWindow::SelectContext(const QString &workingUnitType, const QString &userType)
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    g->setAiUCContext(g->aiContextList()->GetItemByCombination(workingUnitType, userType));
    for (auto [combo, value] : {std::pair{FWUType, workingUnitType}, std::pair{FUserType, userType}}) {
        const QSignalBlocker block(combo);
        combo->setCurrentText(value);
    }
    RebuildUseCases();
}

QAction *TDemoMainWindow::ActionFor(TIUCUseCaseCustom *useCase)
{
    auto *a = new QAction(useCase->aiVisualProperties()->aiCaption(), this);
    a->setObjectName(useCase->aiName());
    a->setToolTip(useCase->aiVisualProperties()->aiHint());
    a->setStatusTip(useCase->aiVisualProperties()->aiHint());
    a->setShortcut(QKeySequence(useCase->aiVisualProperties()->aiShortCut()));
    const QString code = useCase->aiCode();
    // No error leaves the event handler: the user is told in Slovenian, the
    // details go to the log, and the list shows what the database now holds.
    connect(a, &QAction::triggered, this, [this, code] {
        try {
            Run(code);
        } catch (const toolkit::Exception &e) {
            toolkit::HandleException(e);
            RefreshPatients();
        }
    });
    return a;
}

void TDemoMainWindow::AddToMenu(QMenu *menu, TIUCUseCaseCustom *useCase, int depth)
{
    if (auto *joined = dynamic_cast<TIUCUseCaseJoined *>(useCase)) {
        QMenu *sub = menu->addMenu(joined->aiVisualProperties()->aiCaption());
        if (depth < 8) // a joined use case listing itself must not loop
            for (int i = 0; i < joined->aiSubUC()->GetCount(); ++i)
                AddToMenu(sub, joined->aiSubUC()->GetItem(i), depth + 1);
        return;
    }
    menu->addAction(ActionFor(useCase));
}

void TDemoMainWindow::RebuildUseCases()
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    menuBar()->clear();
    FToolBar->clear();
    TIUCUseCaseList list;
    try {
        g->aiUCProvider()->FillUCList(g->aiWinControlList()->GetItemByCode(QStringLiteral("mnuMain")), &list, nullptr, true);
        for (int i = 0; i < list.GetCount(); ++i) {
            TIUCUseCaseCustom *u = list.GetItem(i);
            if (auto *joined = dynamic_cast<TIUCUseCaseJoined *>(u)) {
                QMenu *menu = menuBar()->addMenu(joined->aiVisualProperties()->aiCaption());
                menu->setObjectName(joined->aiName());
                for (int k = 0; k < joined->aiSubUC()->GetCount(); ++k)
                    AddToMenu(menu, joined->aiSubUC()->GetItem(k), 1);
            } else {
                menuBar()->addAction(ActionFor(u));
            }
        }
        g->aiUCProvider()->FillUCList(g->aiWinControlList()->GetItemByCode(QStringLiteral("tbMain")), &list, nullptr, true);
        QSet<QString> onBar; // a default entry also chosen by the context shows once
        for (int i = 0; i < list.GetCount(); ++i)
            if (!dynamic_cast<TIUCUseCaseJoined *>(list.GetItem(i)) && !onBar.contains(list.GetItem(i)->aiCode())) {
                onBar.insert(list.GetItem(i)->aiCode());
                FToolBar->addAction(ActionFor(list.GetItem(i)));
            }
    } catch (const toolkit::Exception &e) {
        marvok::ILog(e.Message());
        statusBar()->showMessage(QStringLiteral("Primerov uporabe ni mogoče prikazati: %1").arg(e.UserMessage()));
    }
}

void TDemoMainWindow::Run(const QString &code)
{
    if (code == QLatin1String("UC_OSVEZI") || code == QLatin1String("UC_PACIENTI"))
        RefreshPatients();
    else if (code == QLatin1String("UC_IZHOD"))
        close();
    else if (code == QLatin1String("UC_PRILAGODI"))
        CustomiseToolBar();
    else if (code == QLatin1String("UC_KARTON")) {
        const int row = FPatients->currentRow();
        if (row >= 0)
            OpenPatientCard(FPatients->item(row, 0)->data(Qt::UserRole).toLongLong());
    } else if (code == QLatin1String("UC_PREVERI"))
        RunLongCheck();
    else if (code == QLatin1String("UC_OPROGRAMU"))
        marvok::IMessageDlg(QStringLiteral("Tovlet – demo ambulanta\nKnjižnica za zdravstveni informacijski sistem."),
                            marvok::mtInformation, marvok::mbOK);
    else
        statusBar()->showMessage(QStringLiteral("Primer uporabe »%1« bo na voljo kmalu.").arg(code), 4000);
}

int TDemoMainWindow::OpenPatientCard(qint64 id)
{
    auto patient = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Load(QStringLiteral("TPacient"), id, nullptr));
    TdlgPacient dlg(this);
    dlg.SetBoPerObject(patient.get());
    const int result = dlg.ShowModal();
    dlg.SetBoPerObject(nullptr);
    RefreshPatients();
    return result;
}

int TDemoMainWindow::RunLongCheck()
{
    EnsureDialog(QStringLiteral("Preverjanje podatkov"), QStringLiteral("Pripravljam seznam pacientov ..."));
    for (int i = 0; i < 30; ++i) {
        QThread::msleep(10);
        QApplication::processEvents();
    }
    FreeDialog();
    TdlgProgress progress(this);
    const int count = FPatients->rowCount();
    int done = 0;
    bool cancel = false;
    for (int i = 0; i < count && !cancel; ++i) {
        progress.OnShowProgress(this, QStringLiteral("Preverjam %1 ...").arg(FPatients->item(i, 0)->text()), i, count, true, cancel);
        if (cancel)
            break;
        QThread::msleep(40);
        ++done;
    }
    progress.OnShowProgress(this, QString(), count, count, false, cancel);
    statusBar()->showMessage(cancel ? QStringLiteral("Preverjanje prekinjeno po %1 pacientih.").arg(done)
                                    : QStringLiteral("Preverjenih pacientov: %1").arg(done), 5000);
    return done;
}

void TDemoMainWindow::CustomiseToolBar()
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    TIUCWinControl *tb = g->aiWinControlList()->GetItemByCode(QStringLiteral("tbMain"));
    TIUCUseCaseList current, withDefaults;
    g->aiUCProvider()->FillUCList(tb, &current, nullptr, false);
    g->aiUCProvider()->FillUCList(tb, &withDefaults, nullptr, true);
    QDialog dlg(this);
    dlg.setWindowTitle(QStringLiteral("Prilagodi orodno vrstico"));
    auto *layout = new QVBoxLayout(&dlg);
    auto *list = new QListWidget(&dlg);
    list->setObjectName(QStringLiteral("lbPrimeri"));
    for (int i = 0; i < g->aiUCActionList()->GetCount(); ++i) {
        TIUCUseCaseCustom *u = g->aiUCActionList()->GetItem(i);
        // An entry the tool bar has from the default context shows ticked and
        // cannot be unticked here: it is not this context's to remove.
        const bool inherited = current.IndexOf(u) < 0 && withDefaults.IndexOf(u) >= 0;
        QString caption = u->aiVisualProperties()->aiCaption().remove(QLatin1Char('&'));
        if (inherited)
            caption += QStringLiteral(" (privzeto)");
        auto *item = new QListWidgetItem(caption, list);
        item->setData(Qt::UserRole, u->aiCode());
        item->setData(Qt::UserRole + 1, inherited);
        item->setFlags(inherited ? Qt::ItemFlags(Qt::ItemIsSelectable) : item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(withDefaults.IndexOf(u) >= 0 ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(&dlg);
    buttons->addButton(QStringLiteral("V redu"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Prekliči"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted)
        return;
    TIUCUseCaseList chosen;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked && !list->item(i)->data(Qt::UserRole + 1).toBool())
            chosen.Add(g->aiAllUCList()->GetItemByCode(list->item(i)->data(Qt::UserRole).toString()));
    try {
        g->aiUCProvider()->SaveUCList(tb, &chosen, nullptr);
        IUCXMLMapper()->SaveGlobals(g, FUseCaseFile);
    } catch (const toolkit::Exception &e) {
        marvok::ILog(e.Message());
        marvok::IMessageDlg(QStringLiteral("Orodne vrstice ni mogoče shraniti.\n%1").arg(e.UserMessage()), marvok::mtError, marvok::mbOK);
    }
    RebuildUseCases();
}

void TDemoMainWindow::RefreshPatients()
{
    const QStringList fields{"PRIIMEK", "IME", "DATUM_ROJSTVA", "KZZ", "TELEFON", "ID"};
    const QStringList labels{"Priimek", "Ime", "Datum rojstva", "Št. KZZ", "Telefon"};
    FPatients->clear();
    FPatients->setColumnCount(int(labels.size()));
    FPatients->setHorizontalHeaderLabels(labels);
    try {
        toolkit::TSqlDataSet ds;
        ds.SetSQL(QStringLiteral("select %1 from QDAT.PACIENT order by PRIIMEK, IME").arg(fields.join(QLatin1String(", "))));
        ds.Open();
        FPatients->setRowCount(ds.RecordCount());
        int row = 0;
        for (ds.First(); !ds.Eof(); ds.Next(), ++row) {
            for (int c = 0; c < fields.size() - 1; ++c)
                FPatients->setItem(row, c, new QTableWidgetItem(ds.Fields(c)->DisplayText()));
            FPatients->item(row, 0)->setData(Qt::UserRole, ds.FieldByName(QStringLiteral("ID"))->Value());
        }
        statusBar()->showMessage(QStringLiteral("Pacientov: %1   Baza: %2").arg(row).arg(FDatabaseFolder));
    } catch (const toolkit::Exception &e) {
        FPatients->setRowCount(0);
        marvok::ILog(e.Message());
        statusBar()->showMessage(QStringLiteral("Napaka pri branju pacientov: %1").arg(e.UserMessage()));
    }
    FPatients->resizeColumnsToContents();
}

} // namespace demo
