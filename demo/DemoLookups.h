// Choosing from code lists in a form: the doctor from the providers' code
// list and the diagnosis from the diagnosis codes, each through the lookup
// list (typing the code or part of the description), and the reasons of an
// absence as several values of a group code list in the multi-selection
// dialog.
#pragma once

#include "tovlet/dialogs/dZDR.h"

class QLineEdit;
class QLabel;
class QPushButton;

namespace marvok {
class TISifra;
}
namespace pelvar {
class TPlBoList;
}

namespace tovlet {
class TdlgLookupList;
class TdlgMultiSelSkupSif;
} // namespace tovlet

namespace demo {

// The dialogs as the form opens them, built but not run (for the demo's
// named windows): the doctors' lookup with "Izb" typed, the diagnoses'
// lookup with the like-search and "bol" typed, the absence reasons with
// 01 and 04 checked.
tovlet::TdlgLookupList *CreateDoctorLookup(QWidget *parent);
tovlet::TdlgLookupList *CreateDiagnosisLookup(QWidget *parent);
tovlet::TdlgMultiSelSkupSif *CreateReasonSelection(QWidget *parent);

class TdlgIzbiraIzSifrantov : public tovlet::TdlgZDR
{
    Q_OBJECT
public:
    explicit TdlgIzbiraIzSifrantov(QWidget *parent = nullptr);
    ~TdlgIzbiraIzSifrantov() override;

    marvok::TISifra *Zdravnik() const { return FZdravnik; }
    QLineEdit *Diagnoza() const { return FDiagnoza; }
    QLabel *DiagnozaOpis() const { return FDiagnozaOpis; }
    QLineEdit *Razlogi() const { return FRazlogi; }

    void IzberiZdravnika();
    void IzberiDiagnozo();
    void IzberiRazloge();

private:
    pelvar::TPlBoList *Doctors();
    pelvar::TPlBoList *Diagnoses();

    marvok::TISifra *FZdravnik;
    QLineEdit *FDiagnoza;
    QLabel *FDiagnozaOpis;
    QLineEdit *FRazlogi;
    pelvar::TPlBoList *FDoctors = nullptr;
    pelvar::TPlBoList *FDiagnoses = nullptr;
};

} // namespace demo
