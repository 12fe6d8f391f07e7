// A patient's prescriptions typed into the data-entry grid: the medicine by
// its ATC code from the code list "ZDRAVILA" (typed in lower case it is
// stored as the list has it, an unknown code is refused), its name beside
// it, the quantity as a number, the date and the instructions. Enter and Tab
// go from cell to cell past the name; after the last cell a new prescription
// row appears. OK saves what changed.
#pragma once

#include "tovlet/dialogs/dZDR.h"
#include "pelvar/plCore.h"

#include <vector>

class QLabel;

namespace pelvar {
class TplPerObject;
}
namespace tovlet {
class TIBoStringGrid;
}

namespace demo {

class TdlgRecepti : public tovlet::TdlgZDR
{
    Q_OBJECT
public:
    TdlgRecepti(qint64 patientId, QWidget *parent = nullptr);
    ~TdlgRecepti() override;
    tovlet::TIBoStringGrid *Grid() const { return FGrid; }
    // Writes the prescriptions that changed; raises when the database refuses.
    void Save();

protected:
    void OKClicked() override;

private:
    void Load();
    void AddPrescription();
    void ShowRow(int row);

    qint64 FPatientId;
    QLabel *FPatient;
    tovlet::TIBoStringGrid *FGrid;
    std::vector<pelvar::TplRef<pelvar::TplPerObject>> FObjects;
};

} // namespace demo
