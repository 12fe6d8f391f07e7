#include "DemoPrescriptions.h"

#include "marvok/Iquery.h"
#include "marvok/Isifrant.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "toolkit/DB.h"
#include "toolkit/Exception.h"
#include "tovlet/grids/cBoGrid2.h"

#include <QLabel>
#include <QVBoxLayout>

namespace demo {

namespace {

const QString ClassName = QStringLiteral("TRecept");
const QString MedicineList = QStringLiteral("ZDRAVILA");

enum { cStevilka, cZdravilo, cNaziv, cKolicina, cDatum, cNavodilo, cCount };

// The attribute each grid column shows (the name is the code's description).
const char *const Attributes[cCount] = {nullptr, "ZDRAVILO", "ZDRAVILO", "KOLICINA", "DATUM", "NAVODILO"};

void RegisterPrescriptionClass()
{
    if (pelvar::FindClassMetaData(ClassName))
        return;
    auto m = std::make_unique<pelvar::TPlClassMetaData>(ClassName, std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.RECEPT"),
                                                                                                          QStringLiteral("Recept")));
    m->AddAttribute({QStringLiteral("PACIENT_ID"), QStringLiteral("Pacient"), pelvar::TplAttrType::atInteger})
        .AddAttribute({QStringLiteral("ZDRAVILO"), QStringLiteral("Zdravilo"), pelvar::TplAttrType::atString, 10,
                       QStringLiteral("S:") + MedicineList})
        .AddAttribute({QStringLiteral("KOLICINA"), QStringLiteral("Količina"), pelvar::TplAttrType::atFloat, 0, QStringLiteral("F")})
        .AddAttribute({QStringLiteral("DATUM"), QStringLiteral("Datum"), pelvar::TplAttrType::atDate, 0, QStringLiteral("D")})
        .AddAttribute({QStringLiteral("NAVODILO"), QStringLiteral("Navodilo"), pelvar::TplAttrType::atString, 80});
    pelvar::RegisterClassMetaData(std::move(m));
}

// Tab and Shift+Tab move between the editable cells as Enter does.
class TPrescriptionGrid : public tovlet::TIBoStringGrid
{
public:
    using tovlet::TIBoStringGrid::TIBoStringGrid;

protected:
    void ExtraKeyDown(int &key, Qt::KeyboardModifiers shift) override
    {
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            const bool back = key == Qt::Key_Backtab || shift.testFlag(Qt::ShiftModifier);
            key = 0;
            if (back)
                MoveToPreviousEditableCell();
            else
                MoveToNextEditableCell(false);
            SetInplaceEditorSelection();
            return;
        }
        tovlet::TIBoStringGrid::ExtraKeyDown(key, shift);
    }
};

} // namespace

TdlgRecepti::TdlgRecepti(qint64 patientId, QWidget *parent)
    : tovlet::TdlgZDR(parent)
    , FPatientId(patientId)
{
    setWindowTitle(QStringLiteral("Recepti"));
    RegisterPrescriptionClass();
    auto *layout = new QVBoxLayout(paDialog());
    layout->setSpacing(8);
    FPatient = new QLabel(paDialog());
    FPatient->setObjectName(QStringLiteral("laPacient"));
    layout->addWidget(FPatient);

    FGrid = new TPrescriptionGrid(paDialog());
    FGrid->setObjectName(QStringLiteral("grRecepti"));
    FGrid->SetColCount(cCount);
    FGrid->SetRowCount(2);
    FGrid->SetDefaultRowHeight(22);
    const int widths[cCount] = {28, 80, 250, 70, 90, 230};
    const char *const titles[cCount] = {"", "Zdravilo", "Naziv zdravila", "Količina", "Datum", "Navodilo"};
    for (int c = 0; c < cCount; ++c) {
        FGrid->SetColWidths(c, widths[c]);
        FGrid->SetCells(c, 0, QString::fromUtf8(titles[c]));
    }
    FGrid->setAiMoveToEditFieldsOnly(true);
    FGrid->setAiAutomaticAddNewObject(true);
    FGrid->setAiAllowCustomSort(true);
    FGrid->aiOnGetCellEditable = [](QObject *, int c, int r, bool &editable) { editable = r >= 1 && c != cStevilka && c != cNaziv; };
    // The name column shows the code's description, not the code.
    FGrid->aiOnGetResponse = [](QObject *, int c, int, toolkit::TField *field, QString &value) {
        if (c == cNaziv && field)
            value = marvok::Sifranti().Description(MedicineList, field->AsString());
    };
    FGrid->aiOnGetFieldType = [](QObject *, int c, int, QString &type) {
        if (c == cNaziv)
            type.clear();
    };
    FGrid->aiOnGetMaskEvent = [](QObject *, int c, int, toolkit::TField *, QString &mask) {
        if (c == cDatum)
            mask = QStringLiteral("99.99.9999;1; ");
    };
    // A changed code changes the name beside it.
    FGrid->setAiUpdateRowOnUpdateData(true);
    FGrid->aiOnAddNewObject = [this](QObject *, pelvar::TplDomainObject *&created) {
        AddPrescription();
        created = FObjects.back().get();
    };
    layout->addWidget(FGrid, 1);
    auto *help = new QLabel(QStringLiteral("Šifro zdravila vpišite po ATC (npr. n02be01). Enter ali Tab gre v naslednje polje; "
                                           "za zadnjim poljem se doda nov recept."),
                            paDialog());
    help->setObjectName(QStringLiteral("laNavodilo"));
    help->setWordWrap(true);
    layout->addWidget(help);
    Load();
    resize(800, 360);
}

TdlgRecepti::~TdlgRecepti()
{
    // The grid refers to the objects' fields: it goes first.
    delete FGrid;
}

void TdlgRecepti::Load()
{
    marvok::TIQuery patient;
    patient.SetSQL(QStringLiteral("select PRIIMEK, IME from QDAT.PACIENT where ID = :id"));
    patient.SetParam(QStringLiteral("id"), FPatientId);
    patient.Open();
    if (patient.IsEmpty())
        throw toolkit::Exception(QStringLiteral("TdlgRecepti.Load: no patient %1").arg(FPatientId),
                                 QStringLiteral("Pacienta ni več v bazi; morda ga je izbrisala druga delovna postaja."));
    FPatient->setText(QStringLiteral("<b>%1 %2</b>").arg(patient.Fields(0)->AsString().toHtmlEscaped(),
                                                          patient.Fields(1)->AsString().toHtmlEscaped()));

    marvok::TIQuery ids;
    ids.SetSQL(QStringLiteral("select ID from QDAT.RECEPT where PACIENT_ID = :id order by ID"));
    ids.SetParam(QStringLiteral("id"), FPatientId);
    ids.Open();
    for (; !ids.Eof(); ids.Next()) {
        FObjects.push_back(pelvar::TplRef<pelvar::TplPerObject>::Adopt(
            pelvar::TplPerObject::Load(ClassName, ids.Fields(0)->AsInteger(), nullptr)));
        ShowRow(int(FObjects.size()));
    }
    if (FObjects.empty())
        AddPrescription();
}

void TdlgRecepti::AddPrescription()
{
    auto object = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Create(ClassName, nullptr));
    object->SetAttrValue(QStringLiteral("PACIENT_ID"), FPatientId);
    object->SetAttrValue(QStringLiteral("DATUM"), toolkit::Date());
    object->PostData();
    FObjects.push_back(std::move(object));
    ShowRow(int(FObjects.size()));
}

void TdlgRecepti::ShowRow(int row)
{
    if (FGrid->RowCount() <= row)
        FGrid->SetRowCount(row + 1);
    FGrid->SetCells(cStevilka, row, QString::number(row));
    toolkit::TDataSet *ds = FObjects.at(size_t(row - 1))->GetDataSet();
    for (int c = 1; c < cCount; ++c)
        FGrid->SetField(c, row, ds->FieldByName(QString::fromLatin1(Attributes[c])));
}

void TdlgRecepti::Save()
{
    pelvar::TplDatabaseProvider &db = pelvar::DatabaseProvider();
    const QString reason = QStringLiteral("TdlgRecepti.Save");
    db.StartTransaction(reason);
    try {
        for (auto &object : FObjects) {
            // A row added but left without a medicine is no prescription.
            if (object->IsNew() && object->GetAttrValue(QStringLiteral("ZDRAVILO")).toString().isEmpty())
                continue;
            if (object->IsModified())
                object->SaveData();
        }
        db.Commit(reason);
    } catch (...) {
        db.Rollback(reason);
        throw;
    }
}

void TdlgRecepti::OKClicked()
{
    // What is still in the cell goes in first; a refused value stops here.
    FGrid->UpdateCurrentField();
    Save();
    tovlet::TdlgZDR::OKClicked();
}

} // namespace demo
