#include "DemoPatientCard.h"

#include "marvok/cSifra.h"
#include "pelvar/plMeta.h"
#include "toolkit/DateUtils.h"
#include "toolkit/Exception.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QScopedValueRollback>

namespace demo {

namespace {
// The date control shows no date at its minimum.
const QDate NoDate(1800, 1, 1);
} // namespace

void RegisterDemoClasses()
{
    if (pelvar::FindClassMetaData(QStringLiteral("TPacient")))
        return;
    auto m = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TPacient"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient"),
                                                                          QStringLiteral("DATUM_IPL"), QStringLiteral("USER_IPL")));
    m->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), pelvar::TplAttrType::atString, 40, {}, false, true})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), pelvar::TplAttrType::atString, 40, {}, false, true})
        .AddAttribute({QStringLiteral("DATUM_ROJSTVA"), QStringLiteral("Datum rojstva"), pelvar::TplAttrType::atDate, 0, QStringLiteral("D")})
        .AddAttribute({QStringLiteral("SPOL"), QStringLiteral("Spol"), pelvar::TplAttrType::atString, 1, QStringLiteral("MS:SPOL"), false,
                       false, QStringLiteral("SPOL")})
        .AddAttribute({QStringLiteral("KZZ"), QStringLiteral("Številka KZZ"), pelvar::TplAttrType::atString, 9})
        .AddAttribute({QStringLiteral("TELEFON"), QStringLiteral("Telefon"), pelvar::TplAttrType::atString, 20});
    pelvar::RegisterClassMetaData(std::move(m));
}

TdlgPacient::TdlgPacient(QWidget *parent)
    : tovlet::TdlgZdrBoEdit(parent)
{
    setWindowTitle(QStringLiteral("Karton pacienta"));
    auto *form = new QFormLayout(paDialog());
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto addEdit = [this, form](const QString &field, const QString &label) {
        auto *e = new marvok::TIDBEdit(paDialog());
        e->setObjectName(QStringLiteral("ed") + field.left(1) + field.mid(1).toLower());
        e->SetDataSource(&FSource);
        e->SetDataField(field);
        form->addRow(label, e);
        FEdits << e;
        // Each finished field goes into the object, which then shows as changed.
        connect(e, &QLineEdit::editingFinished, this, [this] {
            try {
                if (toolkit::TDataSet *ds = FSource.DataSet(); ds && ds->State() == toolkit::TDataSetState::dsEdit)
                    ds->Post();
            } catch (const toolkit::Exception &e) {
                toolkit::HandleException(e); // the text stays in the edit
            }
        });
        connect(e, &QLineEdit::textChanged, this, &TdlgPacient::MarkRequired);
    };
    addEdit(QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"));
    addEdit(QStringLiteral("IME"), QStringLiteral("Ime"));

    FBirthDate = new QDateEdit(paDialog());
    FBirthDate->setObjectName(QStringLiteral("edDatum_rojstva"));
    FBirthDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    FBirthDate->setCalendarPopup(true);
    FBirthDate->setMinimumDate(NoDate);
    FBirthDate->setSpecialValueText(QStringLiteral(" "));
    FBirthDate->setMaximumWidth(FBirthDate->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 48);
    form->addRow(QStringLiteral("Datum rojstva"), FBirthDate);
    connect(FBirthDate, &QDateEdit::dateChanged, this, [this](const QDate &date) {
        if (!FRefreshing)
            WriteField(QStringLiteral("DATUM_ROJSTVA"), date == NoDate ? QVariant() : QVariant(toolkit::FromQDate(date)));
    });

    FSex = new marvok::TISkupSifra(paDialog());
    FSex->setObjectName(QStringLiteral("edSpol"));
    FSex->setAiSifrant(QStringLiteral("SPOL"));
    FSex->setAiUpperCase(true);
    FSex->Edit()->setMaxLength(1);
    FSex->Edit()->setMaximumWidth(FSex->Edit()->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 16);
    form->addRow(QStringLiteral("Spol"), FSex);
    connect(FSex, &marvok::TICustomSifra::codeChanged, this, [this](const QString &code) {
        if (!FRefreshing)
            WriteField(QStringLiteral("SPOL"), code.isEmpty() ? QVariant() : QVariant(code));
    });

    addEdit(QStringLiteral("KZZ"), QStringLiteral("Številka KZZ"));
    addEdit(QStringLiteral("TELEFON"), QStringLiteral("Telefon"));

    // A record changed under the controls (Cancel, another workstation's
    // data taken over) shows in them too.
    FSource.OnDataChange = [this](toolkit::TDataSource *, toolkit::TField *) {
        if (!FRefreshing)
            RefreshOwnControls();
    };
    resize(440, 250);
}

TdlgPacient::~TdlgPacient()
{
    FSource.OnDataChange = nullptr;
    FSource.SetDataSet(nullptr);
    FormDestroy();
}

marvok::TIDBEdit *TdlgPacient::Edit(const QString &field) const
{
    for (marvok::TIDBEdit *e : FEdits)
        if (e->GetDataField() == field)
            return e;
    return nullptr;
}

void TdlgPacient::MarkRequired()
{
    MarkRequiredComponents(this, {QStringLiteral("edPriimek"), QStringLiteral("edIme")});
}

void TdlgPacient::SetPatient(pelvar::TplRef<pelvar::TplPerObject> patient)
{
    SetBoPerObject(patient.get());
    FPatient = std::move(patient);
}

void TdlgPacient::SetBoPerObject(pelvar::TplPerObject *Obj)
{
    FSource.SetDataSet(nullptr);
    tovlet::TdlgZdrBoEdit::SetBoPerObject(Obj);
    if (Obj)
        FSource.SetDataSet(Obj->GetDataSet());
    for (marvok::TIDBEdit *e : FEdits)
        e->Refresh();
    RefreshOwnControls();
    MarkRequired();
}

void TdlgPacient::RefreshOwnControls()
{
    const QScopedValueRollback<bool> refreshing(FRefreshing, true);
    toolkit::TDataSet *ds = FSource.DataSet();
    toolkit::TField *date = ds && ds->Active() ? ds->FindField(QStringLiteral("DATUM_ROJSTVA")) : nullptr;
    toolkit::TField *sex = ds && ds->Active() ? ds->FindField(QStringLiteral("SPOL")) : nullptr;
    FBirthDate->setDate(date && !date->IsNull() ? toolkit::ToQDate(date->AsDateTime()) : NoDate);
    FSex->SetCode(sex ? sex->AsString() : QString());
    const bool editable = ds && ds->Active() && ds->CanModify();
    FBirthDate->setReadOnly(!editable || (date && date->ReadOnly()));
    FSex->setEnabled(editable && !(sex && sex->ReadOnly()));
}

void TdlgPacient::WriteField(const QString &name, const QVariant &value)
{
    toolkit::TDataSet *ds = FSource.DataSet();
    toolkit::TField *field = ds && ds->Active() ? ds->FindField(name) : nullptr;
    if (!field || field->ReadOnly() || (field->IsNull() && value.isNull()) || (!field->IsNull() && field->Value() == value))
        return;
    const QScopedValueRollback<bool> refreshing(FRefreshing, true);
    try {
        if (ds->State() == toolkit::TDataSetState::dsBrowse)
            ds->Edit();
        field->SetValue(value);
        ds->Post();
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e); // what was chosen stays in the control
    }
}

void TdlgPacient::DoPostData()
{
    // What is still in an edit goes into the object first.
    if (toolkit::TDataSet *ds = FSource.DataSet(); ds && ds->State() != toolkit::TDataSetState::dsBrowse)
        ds->CheckBrowseMode();
    tovlet::TdlgZdrBoEdit::DoPostData();
}

} // namespace demo
