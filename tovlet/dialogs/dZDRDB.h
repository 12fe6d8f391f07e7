// TdlgZdrDBEdit: a dialog whose data-aware edits change a record. Closing
// with changes not confirmed asks whether to save them; OK saves first.
// A read-only dialog disables its data-aware controls and shows
// "spreminjanja ni" on the button bar.
#pragma once

#include "dZDR.h"

#include <QLabel>

namespace tovlet {

class TOVLET_EXPORT TdlgZdrDBEdit : public TdlgZDR
{
    Q_OBJECT
public:
    explicit TdlgZdrDBEdit(QWidget *parent = nullptr);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    QLabel *laReadOnly() const { return FlaReadOnly; }
    virtual bool GetDataModified() const;
    // Descendants store the record here.
    virtual void SaveData();
    virtual void CancelData() {}

protected:
    void DoCloseQuery(bool &CanClose) override;
    void OKClicked() override;

private:
    bool FReadOnly = false;
    QLabel *FlaReadOnly;
};

} // namespace tovlet
