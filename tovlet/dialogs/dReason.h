// The dialog asking for a reason, and the function that shows it with its options.
#pragma once

#include "dZDR.h"
#include <QLabel>
#include <QLineEdit>

namespace tovlet {

// Reason dialog: caption "Vnos razloga", one edit labelled "Razlog".
class TOVLET_EXPORT TdlgReason : public TdlgZDR
{
    Q_OBJECT
public:
    explicit TdlgReason(QWidget *parent = nullptr);
    QLineEdit *edReason() const { return FEdit; }
    QLabel *laReason() const { return FLabel; }
    QLabel *laInfo() const { return FInfo; }
    QString RequiredMessage;

protected:
    void OKClicked() override;

private:
    QLineEdit *FEdit;
    QLabel *FLabel;
    QLabel *FInfo;
};

struct TOVLET_EXPORT TIReasonDialogOptions
{
    QString Caption;
    QString Label;
    QString Info;
    QString CancelCaption;
    bool CanCancel = true;
    QString RequiredMessage; // shown (and the dialog kept open) when OK finds no reason
    bool Password = false;   // input shown as "*"
    int MaxLength = 0;
};

// Shows the reason dialog modally; Reason is preloaded and receives the text.
// Returns the modal result.
TOVLET_EXPORT int CreateCustomReasonDialog(QString &Reason, const TIReasonDialogOptions &Options = {});

} // namespace tovlet
