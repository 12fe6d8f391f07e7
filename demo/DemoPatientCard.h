// The patient card: the demo's editor of one patient, a business-object
// dialog over the patient's record. Surname and name are required and
// tinted while empty; closing with unsaved changes asks what to do.
#pragma once

#include "tovlet/dialogs/dZdrBo.h"

#include "marvok/cControls.h"
#include "toolkit/DB.h"

namespace demo {

class TdlgPacient : public tovlet::TdlgZdrBoEdit
{
    Q_OBJECT
public:
    explicit TdlgPacient(QWidget *parent = nullptr);
    ~TdlgPacient() override;
    void SetBoPerObject(pelvar::TplPerObject *Obj) override;
    marvok::TIDBEdit *Edit(const QString &field) const;

protected:
    void DoPostData() override;

private:
    void MarkRequired();
    toolkit::TDataSource FSource;
    QList<marvok::TIDBEdit *> FEdits;
};

// Registers the demo's business-object classes with the persistence layer.
void RegisterDemoClasses();

} // namespace demo
