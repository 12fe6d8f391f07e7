#include "DemoWindows.h"

#include "DemoAbout.h"
#include "DemoCodeChooser.h"
#include "DemoPrescriptions.h"
#include "DemoDentalChart.h"
#include "DemoLookups.h"
#include "DemoMainWindow.h"
#include "DemoPatientCard.h"
#include "DemoPatientGrid.h"
#include "DemoVisitArchive.h"

#include "tovlet/dialogs/dAfPrgrs.h"
#include "tovlet/dialogs/dAskBPL.h"
#include "tovlet/dialogs/dIHSelectionMode.h"
#include "tovlet/dialogs/dReason.h"
#include "tovlet/dialogs/fmPleaseWait.h"
#include "tovlet/lookups/dLList.h"
#include "tovlet/lookups/dMulSSS.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QListWidget>
#include <QTableWidget>
#include <QWindow>

namespace demo {

using namespace tovlet;

TDemoWindowPtr OwnedWindow(QWidget *window)
{
    return TDemoWindowPtr(window, [](QWidget *w) {
        if (auto *dialog = qobject_cast<TdlgZDR *>(w))
            dialog->Free(); // lets the dialog's own clean-up run
        else
            delete w;
    });
}

TDemoWindowPtr HeldWindow(QWidget *window, std::function<void()> release)
{
    return TDemoWindowPtr(window, [release](QWidget *w) {
        w->hide();
        if (release)
            release();
    });
}

namespace {

QList<TDemoWindow> &Registry()
{
    static QList<TDemoWindow> windows;
    return windows;
}

void Add(const QString &name, const QString &description, TDemoWindowFactory factory)
{
    for (TDemoWindow &w : Registry())
        if (w.Name == name) {
            w.Description = description;
            w.Create = std::move(factory);
            return;
        }
    Registry().append({name, description, std::move(factory)});
}

// The ID of the patient in the first row of the main window's list.
qint64 FirstPatient(TDemoMainWindow &main)
{
    QTableWidget *list = main.PatientList();
    return list->rowCount() > 0 && list->item(0, 0) ? list->item(0, 0)->data(Qt::UserRole).toLongLong() : 1;
}

void RegisterOwnWindows()
{
    Add(QStringLiteral("main"), QStringLiteral("Glavno okno: seznam pacientov ambulante, meniji in orodna vrstica"),
        [](TDemoMainWindow &main) {
            main.resize(960, 600);
            if (main.PatientList()->rowCount() > 0)
                main.PatientList()->setCurrentCell(0, 0);
            return HeldWindow(&main);
        });
    Add(QStringLiteral("patient-card"), QStringLiteral("Karton pacienta: osebni podatki, spol iz šifranta, datum rojstva"),
        [](TDemoMainWindow &main) { return OwnedWindow(main.CreatePatientCard(FirstPatient(main))); });
    Add(QStringLiteral("patient-grid"), QStringLiteral("Seznam pacientov v nastavljivi mreži: širine in vidnost stolpcev se ohranijo"),
        [](TDemoMainWindow &main) {
            return OwnedWindow(CreatePatientGridWindow(PatientGridSettingsFile(main.DatabaseFolder()), &main));
        });
    Add(QStringLiteral("please-wait"), QStringLiteral("Okno »prosim počakajte« med daljšo pripravo podatkov"), [](TDemoMainWindow &) {
        EnsureDialog(QStringLiteral("Preverjanje podatkov"), QStringLiteral("Pripravljam seznam pacientov ..."), false);
        PleaseWaitDialog()->Animation()->SetPosition(30);
        return HeldWindow(PleaseWaitDialog(), [] { FreeDialog(); });
    });
    Add(QStringLiteral("progress"), QStringLiteral("Napredek obdelave z gumbom Prekliči"), [](TDemoMainWindow &main) {
        auto *progress = new TdlgProgress(&main);
        QTableWidget *list = main.PatientList();
        const int count = list->rowCount();
        const int at = count / 2;
        const QString name = at < count && list->item(at, 0) && list->item(at, 1)
                                 ? list->item(at, 0)->text() + QLatin1Char(' ') + list->item(at, 1)->text()
                                 : QStringLiteral("pacienta");
        bool cancel = false;
        progress->OnShowProgress(&main, QStringLiteral("Preverjam %1 ...").arg(name), at, std::max(count, 1), false, cancel);
        return OwnedWindow(progress);
    });
    Add(QStringLiteral("toolbar"), QStringLiteral("Prilagoditev orodne vrstice za izbrano delovno enoto in uporabnika"),
        [](TDemoMainWindow &main) { return OwnedWindow(main.CreateToolBarDialog()); });
    Add(QStringLiteral("about"), QStringLiteral("O programu"), [](TDemoMainWindow &main) {
        return OwnedWindow(new TdlgOProgramu(main.DatabaseFolder(), main.PatientList()->rowCount(), &main));
    });
    Add(QStringLiteral("reason"), QStringLiteral("Vnos razloga, na primer ob preklicu termina"), [](TDemoMainWindow &main) {
        auto *dlg = new TdlgReason(&main);
        dlg->setWindowTitle(QStringLiteral("Preklic termina"));
        dlg->laInfo()->setText(QStringLiteral("Termin pacienta bo preklican. Razlog bo zapisan v zgodovino naročanja."));
        dlg->laInfo()->show();
        dlg->laReason()->setText(QStringLiteral("Razlog preklica"));
        dlg->edReason()->setText(QStringLiteral("Pacient je zbolel, nov termin po telefonu."));
        return OwnedWindow(dlg);
    });
    Add(QStringLiteral("archive-mode"), QStringLiteral("Izbira načina pošiljanja dokumenta v IH"),
        [](TDemoMainWindow &main) { return OwnedWindow(new TdlgIHMode(&main)); });
    Add(QStringLiteral("visit-archive"), QStringLiteral("Arhiv obravnav: mreža z milijon vrsticami, status iz seznama, opomba"),
        [](TDemoMainWindow &main) { return OwnedWindow(CreateVisitArchiveWindow(&main)); });
    Add(QStringLiteral("code-chooser"), QStringLiteral("Alergije in opozorila pacienta: izbira več šifer iz šifrantov"),
        [](TDemoMainWindow &main) { return OwnedWindow(new TdlgAlergije(FirstPatient(main), &main)); });
    Add(QStringLiteral("prescriptions"), QStringLiteral("Recepti pacienta: vnos zdravil po šifrantu, količine in datuma v mrežo"),
        [](TDemoMainWindow &main) { return OwnedWindow(new TdlgRecepti(FirstPatient(main), &main)); });
    Add(QStringLiteral("lookups"), QStringLiteral("Izbira zdravnika in diagnoze iz šifranta ter več razlogov iz skupnega šifranta"),
        [](TDemoMainWindow &main) { return OwnedWindow(new TdlgIzbiraIzSifrantov(&main)); });
    Add(QStringLiteral("lookup-doctor"), QStringLiteral("Iskanje zdravnika v šifrantu izvajalcev po šifri ali nazivu"),
        [](TDemoMainWindow &main) { return OwnedWindow(CreateDoctorLookup(&main)); });
    Add(QStringLiteral("lookup-diagnosis"), QStringLiteral("Iskanje diagnoze po šifri ali po delu opisa"),
        [](TDemoMainWindow &main) { return OwnedWindow(CreateDiagnosisLookup(&main)); });
    Add(QStringLiteral("multi-select"), QStringLiteral("Izbira več razlogov odsotnosti iz skupnega šifranta"),
        [](TDemoMainWindow &main) { return OwnedWindow(CreateReasonSelection(&main)); });
    Add(QStringLiteral("dental-chart"), QStringLiteral("Zobni karton pacienta: zobje obeh čeljusti z izvidi po ploskvah"),
        [](TDemoMainWindow &main) { return OwnedWindow(CreateDentalChartWindow(FirstPatient(main), &main)); });
    Add(QStringLiteral("packages"), QStringLiteral("Izbira dodatnih knjižnic, ki se naložijo ob zagonu"), [](TDemoMainWindow &main) {
        auto *dlg = new TdlgChooseBPLs(&main);
        const std::pair<const char *, bool> packages[] = {
            {"tovlet-razpored.so – Razpored in naročanje", true},
            {"tovlet-dokumenti.so – Izvidi in dokumenti PDF", true},
            {"tovlet-zavarovanje.so – Preverjanje zavarovanja", true},
            {"tovlet-laboratorij.so – Povezava z laboratorijem", false},
        };
        for (const auto &[text, load] : packages) {
            auto *item = new QListWidgetItem(QString::fromUtf8(text), dlg->List());
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(load ? Qt::Checked : Qt::Unchecked);
        }
        dlg->resize(500, 240);
        return OwnedWindow(dlg);
    });
}

void EnsureOwnWindows()
{
    static const bool registered = [] {
        RegisterOwnWindows();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

void RegisterDemoWindow(const QString &name, const QString &description, TDemoWindowFactory factory)
{
    EnsureOwnWindows();
    Add(name, description, std::move(factory));
}

QList<TDemoWindow> DemoWindows()
{
    EnsureOwnWindows();
    return Registry();
}

const TDemoWindow *FindDemoWindow(const QString &name)
{
    EnsureOwnWindows();
    for (const TDemoWindow &w : Registry())
        if (w.Name == name)
            return &w;
    return nullptr;
}

QString DemoWindowList()
{
    QString text;
    for (const TDemoWindow &w : DemoWindows())
        text += w.Name.leftJustified(14) + QLatin1Char(' ') + w.Description + QLatin1Char('\n');
    return text;
}

QImage RenderDemoWindow(QWidget *window)
{
    window->setWindowModality(Qt::NonModal);
    window->show();
    // The window system may take a moment to map it; a bounded wait, never a
    // person's answer.
    const QDeadlineTimer deadline(5000);
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    while (!(window->windowHandle() && window->windowHandle()->isExposed()) && !deadline.hasExpired());
    QCoreApplication::processEvents();
    return window->grab().toImage();
}

} // namespace demo
