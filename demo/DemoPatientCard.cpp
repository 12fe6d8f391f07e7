#include "DemoPatientCard.h"

#include "pelvar/plMeta.h"
#include "toolkit/Exception.h"

#include <QFormLayout>

namespace demo {

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
        .AddAttribute({QStringLiteral("SPOL"), QStringLiteral("Spol"), pelvar::TplAttrType::atString, 1, QStringLiteral("SC:SPOL"), false,
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
    const QList<std::pair<QString, QString>> fields{{"PRIIMEK", "Priimek"}, {"IME", "Ime"}, {"DATUM_ROJSTVA", "Datum rojstva"},
                                                    {"SPOL", "Spol"}, {"KZZ", "Številka KZZ"}, {"TELEFON", "Telefon"}};
    for (const auto &[field, label] : fields) {
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
    }
    resize(420, 260);
}

TdlgPacient::~TdlgPacient()
{
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

void TdlgPacient::SetBoPerObject(pelvar::TplPerObject *Obj)
{
    FSource.SetDataSet(nullptr);
    tovlet::TdlgZdrBoEdit::SetBoPerObject(Obj);
    if (Obj)
        FSource.SetDataSet(Obj->GetDataSet());
    for (marvok::TIDBEdit *e : FEdits)
        e->Refresh();
    MarkRequired();
}

void TdlgPacient::DoPostData()
{
    // What is still in an edit goes into the object first.
    if (toolkit::TDataSet *ds = FSource.DataSet(); ds && ds->State() != toolkit::TDataSetState::dsBrowse)
        ds->CheckBrowseMode();
    tovlet::TdlgZdrBoEdit::DoPostData();
}

} // namespace demo
