#include "DemoPatientGrid.h"

#include "DemoPatientCard.h"

#include "marvok/Igl.h"
#include "marvok/Ilog.h"
#include "pelvar/plList.h"
#include "pelvar/plObject.h"
#include "toolkit/Exception.h"
#include "tovlet/core/iAfParam.h"
#include "tovlet/grids/cMirGrid.h"
#include "tovlet/views/CuiVList.h"

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

// The patients who had a contact in a period, by the contact's date.
QString ContactFilter(const QString &condition)
{
    return QStringLiteral("((ID IN (SELECT CAST(SIFRA101 AS BIGINT) FROM QDAT.PR231CON WHERE STAT_231 = '1' AND %1)))INHERITEDFILTER")
        .arg(condition);
}

// The clinic's views of the patient list, for a user who has none stored yet.
void AddDefaultViews(tovlet::TIUIViewList *views, const QString &layout)
{
    views->Add(new tovlet::TiUIView(QStringLiteral("Vsi pacienti"), QStringLiteral("PRIIMEK,IME"), QStringLiteral("INHERITEDFILTER"), {},
                                    layout));
    views->Add(new tovlet::TiUIView(
        QStringLiteral("Moji pacienti danes"), QStringLiteral("PRIIMEK,IME"),
        ContactFilter(QStringLiteral("SIFRA051 = '%ZDR%' AND DATUM231 BETWEEN to_date('%DAT%', 'DD.MM.YYYY') AND "
                                     "to_date('%DAT%', 'DD.MM.YYYY')")),
        {}, layout));
    views->Add(new tovlet::TiUIView(QStringLiteral("Zadnjih 24 ur"), QStringLiteral("PRIIMEK,IME"),
                                    ContactFilter(QStringLiteral("DATUM231 >= to_date('%24H%', 'DD.MM.YYYY HH24:MI:SS') AND "
                                                                 "DATUM231 < to_date('%24H%', 'DD.MM.YYYY HH24:MI:SS')")),
                                    {}, layout));
}

// The demo's working context: the general practice and its doctor, as a
// host would give them from its login. Classes of their own, so that they
// do not depend on what else the demo registers.
pelvar::TplRef<pelvar::TplPerObject> ContextObject(const QString &cls, const QString &table, const QString &attr, const QString &value)
{
    if (!pelvar::FindClassMetaData(cls)) {
        auto meta = std::make_unique<pelvar::TPlClassMetaData>(cls, std::make_unique<pelvar::TplProvider>(table, cls));
        meta->AddAttribute({attr, attr, pelvar::TplAttrType::atString, 10});
        pelvar::RegisterClassMetaData(std::move(meta));
    }
    auto object = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Create(cls, nullptr));
    object->SetAttrValue(attr, value);
    object->PostData();
    return object;
}

// The window owns the list the grid shows and saves the layout as it goes;
// its views are kept per user with the application parameters.
class TPatientGridWindow : public QWidget
{
public:
    TPatientGridWindow(const QString &settingsFile, QWidget *parent)
        : QWidget(parent, Qt::Window)
        , FSettingsFile(settingsFile)
    {
        RegisterDemoClasses();
        setWindowTitle(QStringLiteral("Seznam pacientov – nastavljiv pogled"));
        SetUpWorkingContext();
        FList = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
        FList->OrderBy(QStringLiteral("PRIIMEK,IME"));
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

        auto *viewLabel = new QLabel(QStringLiteral("&Pogled:"), this);
        FViews = new tovlet::TIUIViewList(this);
        FViews->setObjectName(QStringLiteral("cbPogledi"));
        FViews->setAiParametersFormClassName(QStringLiteral("SeznamPacientov"));
        FViews->setAiMinWidht(140);
        viewLabel->setBuddy(FViews);
        FDescription = new QLabel(this);
        FDescription->setWordWrap(true);
        FViews->setAiBoList(FList.get());
        FViews->setAiGrid(FGrid);
        FViews->setAiLabel(FDescription);
        FViewsMenu = new QMenu(QStringLiteral("Pogledi"), this);
        FViewsMenu->setObjectName(QStringLiteral("mnuPogledi"));
        FViews->setAiMenuItem(FViewsMenu);
        FViews->aiViewChange = [this](QObject *) { ShowCount(); };
        auto *viewsButton = new QToolButton(this);
        viewsButton->setText(QStringLiteral("Pogledi"));
        viewsButton->setPopupMode(QToolButton::InstantPopup);
        viewsButton->setMenu(FViewsMenu);

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
        bar->addWidget(viewLabel);
        bar->addWidget(FViews);
        bar->addWidget(viewsButton);
        bar->addWidget(columns);
        bar->addWidget(reset);
        bar->addWidget(hint, 1);
        FWarning = new QLabel(this);
        FWarning->setWordWrap(true);
        FWarning->setStyleSheet(QStringLiteral("color: #a00000"));
        FWarning->hide();
        auto *layout = new QVBoxLayout(this);
        layout->addLayout(bar);
        layout->addWidget(FDescription);
        layout->addWidget(FWarning);
        layout->addWidget(FGrid, 1);
        FCount = new QLabel(this);
        layout->addWidget(FCount);
        LoadViews(saved.isEmpty() ? DefaultLayout() : saved);
        ShowCount();
        connect(FGrid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { Save(); });
        resize(820, 480);
    }
    ~TPatientGridWindow() override
    {
        Save();
        if (FCanStoreViews) {
            try {
                FViews->SaveViews();
            } catch (const toolkit::Exception &e) {
                marvok::ILog(e.Message());
            }
        }
        delete FViews;
        FGrid->SetDataSource(nullptr);
        FSource.SetDataSet(nullptr);
        if (FContextSet) {
            tovlet::TIDomainInfo *d = tovlet::DomainInfo();
            d->aiGetWorkingUnit = nullptr;
            d->aiGetParentWorkingUnit = nullptr;
            d->aiGetActiveActor = nullptr;
        }
    }

private:
    void SetUpWorkingContext()
    {
        // A host that gives its own context keeps it.
        tovlet::TIDomainInfo *d = tovlet::DomainInfo();
        if (d->aiGetActiveActor || d->aiGetWorkingUnit)
            return;
        FUnit = ContextObject(QStringLiteral("TDemoEnota"), QStringLiteral("QDAT.KR031ORG"), QStringLiteral("SIFRA031"),
                              QStringLiteral("00110"));
        FParentUnit = ContextObject(QStringLiteral("TDemoEnota"), QStringLiteral("QDAT.KR031ORG"), QStringLiteral("SIFRA031"),
                                    QStringLiteral("00100"));
        FDoctor = ContextObject(QStringLiteral("TDemoIzvajalec"), QStringLiteral("QDAT.KR051ACR"), QStringLiteral("SIFRA051"),
                                QStringLiteral("12345"));
        d->aiGetWorkingUnit = [this](pelvar::TplPerObject *&o) { o = FUnit.get(); };
        d->aiGetParentWorkingUnit = [this](pelvar::TplPerObject *&o) { o = FParentUnit.get(); };
        d->aiGetActiveActor = [this](pelvar::TplPerObject *&o) { o = FDoctor.get(); };
        FContextSet = true;
    }

    // The user's stored views, or the clinic's; a stored view whose filter
    // the database refuses is named in a warning before anyone picks it.
    void LoadViews(const QString &layout)
    {
        bool loaded = false;
        try {
            tovlet::IMireloAFParameters();
            FCanStoreViews = true;
            loaded = FViews->LoadViews(true);
        } catch (const toolkit::EAbort &) {
        } catch (const toolkit::Exception &e) {
            // Without the parameters service (a window on its own) the views live as long as the window.
            marvok::ILog(QStringLiteral("Seznam pacientov: pogledov ni mogoče naložiti: %1").arg(e.Message()));
        }
        if (!loaded) {
            FViews->Clear();
            AddDefaultViews(FViews, layout);
            FViews->GenerateMenu();
            SelectView(0);
        }
        QStringList broken;
        for (int i = 0; i < FViews->Count(); ++i) {
            tovlet::TiUIView *view = FViews->GetUIView(i);
            const tovlet::TIUIViewFilterCheck check = FViews->CheckFilter(view);
            if (!check.Valid)
                broken << QStringLiteral("»%1«: %2").arg(view->aiCaption(), check.Message);
        }
        if (!broken.isEmpty()) {
            FWarning->setText(QStringLiteral("Filter pogleda ne deluje – ") + broken.join(QStringLiteral("; ")));
            FWarning->show();
        }
    }
    void SelectView(int index)
    {
        try {
            FViews->SetItemIndex(index);
        } catch (const toolkit::Exception &e) {
            toolkit::HandleException(e);
        }
    }
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
    pelvar::TplRef<pelvar::TplPerObject> FUnit, FParentUnit, FDoctor;
    bool FContextSet = false;
    bool FCanStoreViews = false;
    tovlet::TIUIViewList *FViews = nullptr;
    QMenu *FViewsMenu = nullptr;
    QLabel *FDescription = nullptr;
    QLabel *FWarning = nullptr;
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
