#include "DemoLookups.h"

#include "marvok/cSifra.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plList.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "toolkit/Exception.h"
#include "tovlet/lookups/dLList.h"
#include "tovlet/lookups/dMulSSS.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace demo {

namespace {

const QString DoctorClass = QStringLiteral("TIzvajalec");
const QString DiagnosisClass = QStringLiteral("TDiagnoza");
const QString AbsenceReasons = QStringLiteral("GC2");

// The providers' code list has no ID of its own: the objects read it
// through a view that numbers the rows. The database may be another one
// than when the classes were registered, so its part is checked every time.
void EnsureLookupClasses()
{
    if (!pelvar::FindClassMetaData(DoctorClass)) {
        auto m = std::make_unique<pelvar::TPlClassMetaData>(
            DoctorClass, std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.KR051ACR_OBJ"), QStringLiteral("Izvajalci")));
        m->AddAttribute({QStringLiteral("SIFRA051"), QStringLiteral("Šifra"), pelvar::TplAttrType::atString, 10})
            .AddAttribute({QStringLiteral("NAZIV051"), QStringLiteral("Naziv"), pelvar::TplAttrType::atString, 80})
            .AddAttribute({QStringLiteral("KRATKO051"), QStringLiteral("Kratko"), pelvar::TplAttrType::atString, 30});
        pelvar::RegisterClassMetaData(std::move(m));
    }
    if (!pelvar::FindClassMetaData(DiagnosisClass)) {
        auto m = std::make_unique<pelvar::TPlClassMetaData>(
            DiagnosisClass, std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.DEMO_DIAGNOZA"), QStringLiteral("Diagnoze")));
        m->AddAttribute({QStringLiteral("SIFRA"), QStringLiteral("Šifra"), pelvar::TplAttrType::atString, 10})
            .AddAttribute({QStringLiteral("OPIS"), QStringLiteral("Opis"), pelvar::TplAttrType::atString, 120});
        pelvar::RegisterClassMetaData(std::move(m));
    }
    const bool sqlite = pelvar::Dialect() == pelvar::TplDialect::dlSQLite;
    pelvar::ExecSql(sqlite ? QStringLiteral("create view if not exists QDAT.KR051ACR_OBJ as select row_number() over (order by SIFRA051) as ID, "
                                            "SIFRA051, NAZIV051, KRATKO051, SIFRA031 from KR051ACR")
                           : QStringLiteral("create or replace view QDAT.KR051ACR_OBJ as select row_number() over (order by SIFRA051) as ID, "
                                            "SIFRA051, NAZIV051, KRATKO051, SIFRA031 from QDAT.KR051ACR"));
    pelvar::ExecSql(pelvar::ClassMetaData(DiagnosisClass)->CreateTableSql(pelvar::Dialect()));
    QSqlQuery count = pelvar::ExecSql(QStringLiteral("select count(*) from QDAT.DEMO_DIAGNOZA"));
    if (count.next() && count.value(0).toInt() == 0) {
        const char *const rows[][2] = {
            {"A09", "Driska in gastroenteritis, verjetno infekcijskega izvora"},
            {"E11.9", "Sladkorna bolezen tipa 2 brez zapletov"},
            {"I10", "Esencialna (primarna) hipertenzija"},
            {"J02.9", "Akutni faringitis, neopredeljen"},
            {"J06.9", "Akutna okužba zgornjih dihal, neopredeljena"},
            {"J20.9", "Akutni bronhitis, neopredeljen"},
            {"K21.9", "Gastroezofagealna refluksna bolezen brez ezofagitisa"},
            {"M54.5", "Bolečina v križu"},
            {"N39.0", "Okužba sečil, mesto neopredeljeno"},
            {"R51", "Glavobol"},
            {"Z00.0", "Splošni zdravniški pregled"},
        };
        int id = 1;
        for (const auto &row : rows)
            pelvar::ExecSql(QStringLiteral("insert into QDAT.DEMO_DIAGNOZA (ID, SIFRA, OPIS) values (?, ?, ?)"),
                            {id++, QString::fromUtf8(row[0]), QString::fromUtf8(row[1])});
    }
}

QPushButton *ChooseButton(QWidget *parent)
{
    auto *button = new QPushButton(QStringLiteral("Izberi ..."), parent);
    button->setAutoDefault(false);
    return button;
}

template <class F>
void Guarded(F &&f)
{
    try {
        f();
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e);
    }
}

// A list that lives as long as the dialog showing it.
pelvar::TPlBoList *ListFor(QObject *dialog, const QString &className, const QString &order)
{
    pelvar::TPlBoList *list = pelvar::TPlBoList::Create(className, nullptr);
    list->OrderBy(order);
    list->Load();
    QObject::connect(dialog, &QObject::destroyed, [list] { list->Release(nullptr); });
    return list;
}

} // namespace

tovlet::TdlgLookupList *CreateDoctorLookup(QWidget *parent)
{
    EnsureLookupClasses();
    auto *dlg = new tovlet::TdlgLookupList(parent);
    dlg->setAiSifrant(QStringLiteral("KR051ACR"));
    dlg->SetBoList(ListFor(dlg, DoctorClass, QStringLiteral("SIFRA051")));
    dlg->setWindowTitle(QStringLiteral("Izberi : Izvajalci"));
    dlg->SetSearchStringAndSort(QStringLiteral("3"));
    return dlg;
}

tovlet::TdlgLookupList *CreateDiagnosisLookup(QWidget *parent)
{
    EnsureLookupClasses();
    auto *dlg = new tovlet::TdlgLookupListWithFields(parent);
    dlg->SetBoList(ListFor(dlg, DiagnosisClass, QStringLiteral("SIFRA")));
    dlg->setAiSearchLike(true);
    dlg->SetFields({QStringLiteral("SIFRA"), QStringLiteral("OPIS")});
    dlg->setWindowTitle(QStringLiteral("Izberi : Diagnoze"));
    dlg->SetSearchStringAndSort(QStringLiteral("bol"));
    return dlg;
}

tovlet::TdlgMultiSelSkupSif *CreateReasonSelection(QWidget *parent)
{
    auto *dlg = new tovlet::TdlgMultiSelSkupSif(parent);
    dlg->SetSkupSifrant(AbsenceReasons);
    dlg->SetSelection(QStringLiteral("0104"));
    dlg->SetDelimited(true);
    return dlg;
}

TdlgIzbiraIzSifrantov::TdlgIzbiraIzSifrantov(QWidget *parent)
    : tovlet::TdlgZDR(parent)
{
    setWindowTitle(QStringLiteral("Izbira iz šifrantov"));
    EnsureLookupClasses();
    auto *form = new QFormLayout(paDialog());

    auto *doctorRow = new QHBoxLayout;
    FZdravnik = new marvok::TISifra(paDialog());
    FZdravnik->setObjectName(QStringLiteral("edZdravnik"));
    FZdravnik->setAiSifrant(QStringLiteral("KR051ACR"));
    auto *btDoctor = ChooseButton(paDialog());
    btDoctor->setObjectName(QStringLiteral("btZdravnik"));
    doctorRow->addWidget(FZdravnik, 1);
    doctorRow->addWidget(btDoctor);
    form->addRow(QStringLiteral("Zdravnik:"), doctorRow);

    auto *diagnosisRow = new QHBoxLayout;
    FDiagnoza = new QLineEdit(paDialog());
    FDiagnoza->setObjectName(QStringLiteral("edDiagnoza"));
    FDiagnoza->setMaximumWidth(90);
    FDiagnozaOpis = new QLabel(paDialog());
    auto *btDiagnosis = ChooseButton(paDialog());
    btDiagnosis->setObjectName(QStringLiteral("btDiagnoza"));
    diagnosisRow->addWidget(FDiagnoza);
    diagnosisRow->addWidget(FDiagnozaOpis, 1);
    diagnosisRow->addWidget(btDiagnosis);
    form->addRow(QStringLiteral("Diagnoza:"), diagnosisRow);

    auto *reasonRow = new QHBoxLayout;
    FRazlogi = new QLineEdit(paDialog());
    FRazlogi->setObjectName(QStringLiteral("edRazlogi"));
    FRazlogi->setPlaceholderText(QStringLiteral("npr. 01,04"));
    auto *btReasons = ChooseButton(paDialog());
    btReasons->setObjectName(QStringLiteral("btRazlogi"));
    reasonRow->addWidget(FRazlogi, 1);
    reasonRow->addWidget(btReasons);
    form->addRow(QStringLiteral("Razlogi odsotnosti:"), reasonRow);

    connect(btDoctor, &QPushButton::clicked, this, [this] { Guarded([this] { IzberiZdravnika(); }); });
    connect(btDiagnosis, &QPushButton::clicked, this, [this] { Guarded([this] { IzberiDiagnozo(); }); });
    connect(btReasons, &QPushButton::clicked, this, [this] { Guarded([this] { IzberiRazloge(); }); });
    resize(560, 150);
}

TdlgIzbiraIzSifrantov::~TdlgIzbiraIzSifrantov()
{
    for (pelvar::TPlBoList *list : {FDoctors, FDiagnoses})
        if (list)
            list->Release(nullptr);
}

pelvar::TPlBoList *TdlgIzbiraIzSifrantov::Doctors()
{
    if (!FDoctors) {
        FDoctors = pelvar::TPlBoList::Create(DoctorClass, nullptr);
        FDoctors->OrderBy(QStringLiteral("SIFRA051"));
        FDoctors->Load();
    }
    return FDoctors;
}

pelvar::TPlBoList *TdlgIzbiraIzSifrantov::Diagnoses()
{
    if (!FDiagnoses) {
        FDiagnoses = pelvar::TPlBoList::Create(DiagnosisClass, nullptr);
        FDiagnoses->OrderBy(QStringLiteral("SIFRA"));
        FDiagnoses->Load();
    }
    return FDiagnoses;
}

void TdlgIzbiraIzSifrantov::IzberiZdravnika()
{
    tovlet::LookupBoList(FZdravnik, Doctors());
}

void TdlgIzbiraIzSifrantov::IzberiDiagnozo()
{
    if (pelvar::TplPerObject *chosen = tovlet::LookupBoListWihtFields(Diagnoses(), {QStringLiteral("SIFRA"), QStringLiteral("OPIS")},
                                                                      true, FDiagnoza->text())) {
        FDiagnoza->setText(chosen->GetAttrAsText(QStringLiteral("SIFRA")));
        FDiagnozaOpis->setText(chosen->GetAttrAsText(QStringLiteral("OPIS")));
    }
}

void TdlgIzbiraIzSifrantov::IzberiRazloge()
{
    QString result;
    if (tovlet::MultiSelSkupSifLookup(AbsenceReasons, FRazlogi->text().toUpper(), result, true, this))
        FRazlogi->setText(result);
}

} // namespace demo
