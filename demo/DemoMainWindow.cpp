#include "DemoMainWindow.h"

#include "toolkit/Exception.h"
#include "toolkit/SqlDataSet.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace demo {

TDemoMainWindow::TDemoMainWindow(const QString &databaseFolder, QWidget *parent)
    : QMainWindow(parent)
    , FDatabaseFolder(databaseFolder)
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
    QMenu *file = menuBar()->addMenu(QStringLiteral("&Datoteka"));
    QAction *refresh = file->addAction(QStringLiteral("&Osveži"), this, &TDemoMainWindow::RefreshPatients);
    refresh->setShortcut(QKeySequence::Refresh);
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("&Izhod"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    // Menus for the capabilities that join the demo as the library grows.
    menuBar()->addMenu(QStringLiteral("&Pacienti"))->setObjectName(QStringLiteral("mnPacienti"));
    menuBar()->addMenu(QStringLiteral("&Naročanje"))->setObjectName(QStringLiteral("mnNarocanje"));
    menuBar()->addMenu(QStringLiteral("&Dokumenti"))->setObjectName(QStringLiteral("mnDokumenti"));
    menuBar()->addMenu(QStringLiteral("&Orodja"))->setObjectName(QStringLiteral("mnOrodja"));

    QMenu *help = menuBar()->addMenu(QStringLiteral("Po&moč"));
    help->addAction(QStringLiteral("&O programu"), this, [this] {
        QMessageBox::about(this, QStringLiteral("O programu"),
                           QStringLiteral("Tovlet – demo ambulanta\nKnjižnica za zdravstveni informacijski sistem."));
    });
}

void TDemoMainWindow::RefreshPatients()
{
    const QStringList fields{"PRIIMEK", "IME", "DATUM_ROJSTVA", "KZZ", "TELEFON"};
    const QStringList labels{"Priimek", "Ime", "Datum rojstva", "Št. KZZ", "Telefon"};
    FPatients->clear();
    FPatients->setColumnCount(int(fields.size()));
    FPatients->setHorizontalHeaderLabels(labels);
    try {
        toolkit::TSqlDataSet ds;
        ds.SetSQL(QStringLiteral("select %1 from QDAT.PACIENT order by PRIIMEK, IME").arg(fields.join(QLatin1String(", "))));
        ds.Open();
        FPatients->setRowCount(ds.RecordCount());
        int row = 0;
        for (ds.First(); !ds.Eof(); ds.Next(), ++row)
            for (int c = 0; c < fields.size(); ++c)
                FPatients->setItem(row, c, new QTableWidgetItem(ds.Fields(c)->DisplayText()));
        statusBar()->showMessage(QStringLiteral("Pacientov: %1   Baza: %2").arg(row).arg(FDatabaseFolder));
    } catch (const toolkit::Exception &e) {
        FPatients->setRowCount(0);
        statusBar()->showMessage(QStringLiteral("Napaka pri branju pacientov: %1").arg(e.Message()));
    }
    FPatients->resizeColumnsToContents();
}

} // namespace demo
