#include "DemoMainWindow.h"
#include "DemoPatientGrid.h"
#include "DemoVisitArchive.h"

#include "marvok/Idialogs.h"
#include "marvok/Ilog.h"
#include "marvok/Isifrant.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlDataSet.h"
#include "DemoAbout.h"
#include "DemoCodeChooser.h"
#include "DemoLookups.h"
#include "DemoPrescriptions.h"
#include "DemoDentalChart.h"
#include "DemoPatientCard.h"
#include "DemoUseCases.h"
#include "pelvar/plObject.h"
#include "tovlet/dialogs/dAfPrgrs.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
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
    FPatients->setAlternatingRowColors(true);
    FPatients->horizontalHeader()->setStretchLastSection(true);
    FPatients->installEventFilter(this);
    connect(FPatients, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenCardOfRow(row); });
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
    // The user picks by name; the code stays behind each entry.
    auto addCombo = [this, bar](const QString &label, const QString &name, const QStringList &codes, QString (*describe)(const QString &)) {
        auto *caption = new QLabel(label, bar);
        caption->setContentsMargins(8, 0, 4, 0);
        bar->addWidget(caption);
        auto *combo = new QComboBox(bar);
        combo->setObjectName(name);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        for (const QString &code : codes)
            combo->addItem(describe(code), code);
        caption->setBuddy(combo);
        bar->addWidget(combo);
        connect(combo, &QComboBox::currentIndexChanged, this, &TDemoMainWindow::SelectContextFromCombos);
        return combo;
    };
    FWUType = addCombo(QStringLiteral("&Delovna enota:"), QStringLiteral("cbDelovnaEnota"), IUCUnitGlobals()->aiWUTypes().ToStringList(),
                       &WorkingUnitTypeName);
    FUserType = addCombo(QStringLiteral("&Uporabnik:"), QStringLiteral("cbUporabnik"), IUCUnitGlobals()->aiUserTypes().ToStringList(),
                         &UserTypeName);
}

void TDemoMainWindow::SelectContextFromCombos()
{
    try {
        SelectContext(FWUType->currentData().toString(), FUserType->currentData().toString());
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e);
    }
}

void TDemoMainWindow::SelectContext(const QString &workingUnitType, const QString &userType)
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    g->setAiUCContext(g->aiContextList()->GetItemByCombination(workingUnitType, userType));
    const std::pair<QComboBox *, QString> shown[] = {{FWUType, workingUnitType}, {FUserType, userType}};
    for (const auto &[combo, code] : shown) {
        const QSignalBlocker block(combo);
        int index = combo->findData(code);
        if (index < 0) { // a type only the use-case file knows
            combo->addItem(combo == FWUType ? WorkingUnitTypeName(code) : UserTypeName(code), code);
            index = combo->count() - 1;
        }
        combo->setCurrentIndex(index);
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
    else if (code == QLatin1String("UC_PREGLED")) {
        QWidget *list = CreatePatientGridWindow(PatientGridSettingsFile(FDatabaseFolder), this);
        list->setAttribute(Qt::WA_DeleteOnClose);
        list->show();
    } else if (code == QLatin1String("UC_ARHIV")) {
        QWidget *archive = CreateVisitArchiveWindow(this);
        archive->setAttribute(Qt::WA_DeleteOnClose);
        archive->show();
    }
    else if (code == QLatin1String("UC_KARTON")) {
        const int row = FPatients->currentRow();
        if (row >= 0)
            OpenPatientCard(FPatients->item(row, 0)->data(Qt::UserRole).toLongLong());
        else
            marvok::IMessageDlg(QStringLiteral("Najprej izberite pacienta v seznamu."), marvok::mtInformation, marvok::mbOK);
    } else if (code == QLatin1String("UC_ALERGIJE")) {
        const int row = FPatients->currentRow();
        if (row >= 0)
            OpenAllergies(FPatients->item(row, 0)->data(Qt::UserRole).toLongLong());
        else
            marvok::IMessageDlg(QStringLiteral("Najprej izberite pacienta v seznamu."), marvok::mtInformation, marvok::mbOK);
    } else if (code == QLatin1String("UC_RECEPTI")) {
        const int row = FPatients->currentRow();
        if (row >= 0 && FPatients->item(row, 0)) {
            const tovlet::TDialogPtr<TdlgRecepti> dlg(new TdlgRecepti(FPatients->item(row, 0)->data(Qt::UserRole).toLongLong(), this));
            dlg->ShowModal();
        } else
            marvok::IMessageDlg(QStringLiteral("Najprej izberite pacienta v seznamu."), marvok::mtInformation, marvok::mbOK);
    } else if (code == QLatin1String("UC_IZBIRA")) {
        const tovlet::TDialogPtr<TdlgIzbiraIzSifrantov> dlg(new TdlgIzbiraIzSifrantov(this));
        dlg->ShowModal();
    } else if (code == QLatin1String("UC_ZOBNI_KARTON")) {
        const int row = FPatients->currentRow();
        if (row >= 0 && FPatients->item(row, 0)) {
            QWidget *chart = CreateDentalChartWindow(FPatients->item(row, 0)->data(Qt::UserRole).toLongLong(), this);
            chart->setAttribute(Qt::WA_DeleteOnClose);
            chart->show();
        } else
            marvok::IMessageDlg(QStringLiteral("Najprej izberite pacienta v seznamu."), marvok::mtInformation, marvok::mbOK);
    } else if (code == QLatin1String("UC_PREVERI"))
        RunLongCheck();
    else if (code == QLatin1String("UC_OPROGRAMU")) {
        TdlgOProgramu about(FDatabaseFolder, FPatients->rowCount(), this);
        about.exec();
    } else
        marvok::IMessageDlg(ComingLaterText(code), marvok::mtInformation, marvok::mbOK);
}

TdlgPacient *TDemoMainWindow::CreatePatientCard(qint64 id)
{
    auto patient = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Load(QStringLiteral("TPacient"), id, nullptr));
    auto *dlg = new TdlgPacient(this);
    dlg->SetPatient(std::move(patient));
    return dlg;
}

int TDemoMainWindow::OpenPatientCard(qint64 id)
{
    const tovlet::TDialogPtr<TdlgPacient> dlg(CreatePatientCard(id));
    const int result = dlg->ShowModal();
    dlg->SetBoPerObject(nullptr);
    RefreshPatients();
    return result;
}

int TDemoMainWindow::OpenAllergies(qint64 id)
{
    const tovlet::TDialogPtr<TdlgAlergije> dlg(new TdlgAlergije(id, this));
    return dlg->ShowModal();
}

void TDemoMainWindow::OpenCardOfRow(int row)
{
    if (row < 0 || row >= FPatients->rowCount() || !FPatients->item(row, 0))
        return;
    FPatients->setCurrentCell(row, 0);
    try {
        OpenPatientCard(FPatients->item(row, 0)->data(Qt::UserRole).toLongLong());
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e);
        RefreshPatients();
    }
}

bool TDemoMainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FPatients && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && FPatients->currentRow() >= 0) {
            OpenCardOfRow(FPatients->currentRow());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
    const std::unique_ptr<QDialog> dlg(CreateToolBarDialog());
    dlg->exec();
}

void TDemoMainWindow::SaveToolBar(const QListWidget *list)
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    TIUCWinControl *tb = g->aiWinControlList()->GetItemByCode(QStringLiteral("tbMain"));
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

QDialog *TDemoMainWindow::CreateToolBarDialog()
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    TIUCWinControl *tb = g->aiWinControlList()->GetItemByCode(QStringLiteral("tbMain"));
    TIUCUseCaseList current, withDefaults;
    g->aiUCProvider()->FillUCList(tb, &current, nullptr, false);
    g->aiUCProvider()->FillUCList(tb, &withDefaults, nullptr, true);
    auto *dlg = new QDialog(this);
    dlg->setWindowTitle(QStringLiteral("Prilagodi orodno vrstico"));
    auto *layout = new QVBoxLayout(dlg);
    auto *hint = new QLabel(QStringLiteral("Izberite ukaze, ki naj bodo na orodni vrstici (%1, %2):")
                                .arg(FWUType->currentText().toLower(), FUserType->currentText().toLower()),
                            dlg);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto *list = new QListWidget(dlg);
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
    auto *buttons = new QDialogButtonBox(dlg);
    buttons->addButton(QStringLiteral("V redu"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Prekliči"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    // The choice is kept however the dialog was opened.
    connect(dlg, &QDialog::accepted, this, [this, list] { SaveToolBar(list); });
    layout->addWidget(buttons);
    dlg->resize(380, 330);
    return dlg;
}

void TDemoMainWindow::RefreshPatients()
{
    const QStringList fields{"PRIIMEK", "IME", "DATUM_ROJSTVA", "SPOL", "KZZ", "TELEFON", "ID"};
    const QStringList labels{"Priimek", "Ime", "Datum rojstva", "Spol", "Št. KZZ", "Telefon"};
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
            for (int c = 0; c < fields.size() - 1; ++c) {
                QString text = ds.Fields(c)->DisplayText();
                if (fields.at(c) == QLatin1String("SPOL") && !text.isEmpty()) // as the card shows it
                    if (const QString sex = marvok::SkupSifranti().Description(QStringLiteral("SPOL"), text); !sex.isEmpty())
                        text = sex;
                FPatients->setItem(row, c, new QTableWidgetItem(text));
            }
            FPatients->item(row, 0)->setData(Qt::UserRole, ds.FieldByName(QStringLiteral("ID"))->Value());
        }
        statusBar()->showMessage(QStringLiteral("Pacientov: %1").arg(row));
    } catch (const toolkit::Exception &e) {
        FPatients->setRowCount(0);
        marvok::ILog(e.Message());
        statusBar()->showMessage(QStringLiteral("Napaka pri branju pacientov: %1").arg(e.UserMessage()));
    }
    FPatients->resizeColumnsToContents();
    // Room between the columns, so that they read apart.
    for (int c = 0; c < FPatients->columnCount() - 1; ++c)
        FPatients->setColumnWidth(c, FPatients->columnWidth(c) + 24);
}

} // namespace demo
