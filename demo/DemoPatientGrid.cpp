#include "DemoPatientGrid.h"

#include "DemoPatientCard.h"

#include "pelvar/plList.h"
#include "tovlet/grids/cMirGrid.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>
#include <QVBoxLayout>

namespace demo {

namespace {

const QString LayoutKey = QStringLiteral("Pogledi/SeznamPacientov");

QString DefaultLayout()
{
    return QStringLiteral("FN=PRIIMEK&DL=Priimek&Width=130&DDR=7&Visible=D;"
                          "FN=IME&DL=Ime&Width=110&DDR=7&Visible=D;"
                          "FN=DATUM_ROJSTVA&DL=Datum rojstva&Width=105&DDR=7&Visible=D;"
                          "FN=SPOL&DL=Spol&Width=50&DDR=7&Visible=D;"
                          "FN=KZZ&DL=Številka KZZ&Width=110&DDR=7&Visible=D;"
                          "FN=TELEFON&DL=Telefon&Width=120&DDR=7&Visible=N");
}

// The window owns the list the grid shows and saves the layout as it goes.
class TPatientGridWindow : public QWidget
{
public:
    TPatientGridWindow(const QString &settingsFile, QWidget *parent)
        : QWidget(parent, Qt::Window)
        , FSettingsFile(settingsFile)
    {
        RegisterDemoClasses();
        setWindowTitle(QStringLiteral("Seznam pacientov – nastavljiv pogled"));
        FList = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
        FList->OrderBy(QStringLiteral("PRIIMEK,IME"));
        FList->Load();
        FSource.SetDataSet(FList->GetDataSet());

        FGrid = new tovlet::TIMireloDBGrid(this);
        FGrid->setAiRefreshMode(tovlet::TIRefreshMode::rmAutomatic);
        FGrid->SetDataSource(&FSource);
        const QString saved = QSettings(FSettingsFile, QSettings::IniFormat).value(LayoutKey).toString();
        FGrid->SetSettingsDetail(saved.isEmpty() ? DefaultLayout() : saved);
        FGrid->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
        FMenu = new QMenu(this);
        connect(FMenu, &QMenu::aboutToShow, this, [this] { FillColumnsMenu(); });
        connect(FGrid->horizontalHeader(), &QWidget::customContextMenuRequested, this,
                [this](const QPoint &at) { FMenu->exec(FGrid->horizontalHeader()->mapToGlobal(at)); });

        auto *columns = new QToolButton(this);
        columns->setText(QStringLiteral("Stolpci"));
        columns->setPopupMode(QToolButton::InstantPopup);
        columns->setMenu(FMenu);
        auto *reset = new QPushButton(QStringLiteral("Privzeta postavitev"), this);
        connect(reset, &QPushButton::clicked, this, [this] {
            FGrid->SetSettingsDetail(DefaultLayout());
            Save();
        });
        auto *hint = new QLabel(QStringLiteral("Širino stolpca spremenite z vlečenjem roba naslova, stolpce skrijete ali "
                                               "pokažete z desnim klikom na naslove. Postavitev se ohrani."),
                                this);
        hint->setWordWrap(true);
        auto *bar = new QHBoxLayout;
        bar->addWidget(columns);
        bar->addWidget(reset);
        bar->addWidget(hint, 1);
        auto *layout = new QVBoxLayout(this);
        layout->addLayout(bar);
        layout->addWidget(FGrid, 1);
        FCount = new QLabel(this);
        layout->addWidget(FCount);
        ShowCount();
        connect(FGrid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { Save(); });
        resize(760, 460);
    }
    ~TPatientGridWindow() override
    {
        Save();
        FGrid->SetDataSource(nullptr);
        FSource.SetDataSet(nullptr);
    }

private:
    void FillColumnsMenu()
    {
        // Every column of the layout, checked when shown.
        FMenu->clear();
        const QList<marvok::TIColumn> columns = FGrid->Columns();
        for (int i = 0; i < columns.size(); ++i) {
            const marvok::TIColumn &c = columns.at(i);
            QAction *a = FMenu->addAction(c.Title.isEmpty() ? c.FieldName : c.Title);
            a->setCheckable(true);
            a->setChecked(c.Visible);
            connect(a, &QAction::toggled, this, [this, i](bool on) {
                QList<marvok::TIColumn> all = FGrid->Columns();
                if (i >= all.size())
                    return;
                all[i].Visible = on;
                FGrid->SetColumns(all);
                Save();
            });
        }
    }
    void Save()
    {
        QSettings settings(FSettingsFile, QSettings::IniFormat);
        settings.setValue(LayoutKey, FGrid->GetSettingsDetail());
    }
    void ShowCount() { FCount->setText(QStringLiteral("Pacientov: %1").arg(FList->Count())); }

    QString FSettingsFile;
    pelvar::TplRef<pelvar::TPlBoList> FList;
    toolkit::TDataSource FSource;
    tovlet::TIMireloDBGrid *FGrid;
    QLabel *FCount;
    QMenu *FMenu = nullptr;
};

} // namespace

QString PatientGridSettingsFile(const QString &databaseFolder)
{
    return QDir(databaseFolder).filePath(QStringLiteral("nastavitve.ini"));
}

QWidget *CreatePatientGridWindow(const QString &settingsFile, QWidget *parent)
{
    return new TPatientGridWindow(settingsFile, parent);
}

} // namespace demo
