// The patient's allergies, warnings and medical aids: three code choosers
// over the grouped code lists "ALERGIJE" and "OPOZORILA" and the code list of
// medical aids, kept per patient in QDAT.PACIENT_OPOZORILA. The warnings are
// shown in the colours their code list gives them. OK saves; closing with
// unsaved choices asks what to do with them.
#pragma once

#include "tovlet/dialogs/dZDR.h"

class QLabel;

namespace tovlet {
class TfrChooseSifrant;
}

namespace demo {

class TdlgAlergije : public tovlet::TdlgZDR
{
    Q_OBJECT
public:
    TdlgAlergije(qint64 patientId, QWidget *parent = nullptr);
    tovlet::TfrChooseSifrant *Alergije() const { return FAlergije; }
    tovlet::TfrChooseSifrant *Opozorila() const { return FOpozorila; }
    tovlet::TfrChooseSifrant *Pripomocki() const { return FPripomocki; }
    bool Changed() const { return FChanged; }
    // Writes the choices of the patient; raises when the database refuses.
    void Save();

protected:
    void OKClicked() override;
    void DoCloseQuery(bool &CanClose) override;

private:
    void Load();

    qint64 FPatientId;
    bool FChanged = false;
    QLabel *FPatient;
    tovlet::TfrChooseSifrant *FAlergije;
    tovlet::TfrChooseSifrant *FOpozorila;
    tovlet::TfrChooseSifrant *FPripomocki;
};

} // namespace demo
