// The patient card: the demo's editor of one patient, a business-object
// dialog over the patient's record. Surname and name are required and
// tinted while empty; the birth date is picked in a date control with a
// calendar, the sex is a code of the grouped code list "SPOL" shown with its
// description; closing with unsaved changes asks what to do.
#pragma once

#include "tovlet/dialogs/dZdrBo.h"

#include "marvok/cControls.h"
#include "pelvar/plObject.h"
#include "toolkit/DB.h"

class QDateEdit;

namespace marvok {
class TISkupSifra;
}

namespace demo {

class TdlgPacient : public tovlet::TdlgZdrBoEdit
{
    Q_OBJECT
public:
    explicit TdlgPacient(QWidget *parent = nullptr);
    ~TdlgPacient() override;
    void SetBoPerObject(pelvar::TplPerObject *Obj) override;
    // Shows this patient and keeps it for as long as the card lives.
    void SetPatient(pelvar::TplRef<pelvar::TplPerObject> patient);
    // The edit of a text field (surname, name, card number, phone).
    marvok::TIDBEdit *Edit(const QString &field) const;
    marvok::TISkupSifra *SexEdit() const { return FSex; }
    QDateEdit *BirthDateEdit() const { return FBirthDate; }

protected:
    void DoPostData() override;

private:
    void MarkRequired();
    // Shows the record's sex and birth date in their controls.
    void RefreshOwnControls();
    // Puts a value the user chose into the record, as a finished edit does.
    void WriteField(const QString &name, const QVariant &value);

    toolkit::TDataSource FSource;
    QList<marvok::TIDBEdit *> FEdits;
    marvok::TISkupSifra *FSex = nullptr;
    QDateEdit *FBirthDate = nullptr;
    bool FRefreshing = false;
    pelvar::TplRef<pelvar::TplPerObject> FPatient;
};

// Registers the demo's business-object classes with the persistence layer.
void RegisterDemoClasses();

} // namespace demo
