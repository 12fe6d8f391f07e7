#include "dReason.h"

#include "marvok/Idialogs.h"
#include "toolkit/Exception.h"
#include <QApplication>
#include <QVBoxLayout>

namespace tovlet {

TdlgReason::TdlgReason(QWidget *parent)
    : TdlgZDR(parent)
{
    setWindowTitle(QStringLiteral("Vnos razloga"));
    auto *layout = new QVBoxLayout(paDialog());
    FInfo = new QLabel(paDialog());
    FInfo->setObjectName(QStringLiteral("laInfo"));
    FInfo->setWordWrap(true);
    FInfo->hide();
    FLabel = new QLabel(QStringLiteral("Razlog"), paDialog());
    FLabel->setObjectName(QStringLiteral("laRazlog"));
    FEdit = new QLineEdit(paDialog());
    FEdit->setObjectName(QStringLiteral("edRazlog"));
    FLabel->setBuddy(FEdit);
    layout->addWidget(FInfo);
    layout->addWidget(FLabel);
    layout->addWidget(FEdit);
    layout->addStretch();
    // Enter in the edit presses OK.
    connect(FEdit, &QLineEdit::returnPressed, this, [this] { btOK()->click(); });
    resize(420, 160);
}

void TdlgReason::OKClicked()
{
    if (FEdit->text().isEmpty() && !RequiredMessage.isEmpty())
        throw toolkit::Exception(RequiredMessage);
    TdlgZDR::OKClicked();
}

int CreateCustomReasonDialog(QString &Reason, const TIReasonDialogOptions &Options)
{
    TdlgReason dlg(QApplication::activeWindow());
    if (!Options.Caption.isEmpty())
        dlg.setWindowTitle(Options.Caption);
    if (!Options.Label.isEmpty())
        dlg.laReason()->setText(Options.Label);
    if (!Options.Info.isEmpty()) {
        dlg.laInfo()->setText(Options.Info);
        dlg.laInfo()->show();
    }
    if (!Options.CancelCaption.isEmpty())
        dlg.btPreklici()->setText(Options.CancelCaption);
    if (!Options.CanCancel)
        dlg.acCancel()->setEnabled(false);
    dlg.RequiredMessage = Options.RequiredMessage;
    if (Options.Password)
        dlg.edReason()->setEchoMode(QLineEdit::Password);
    if (Options.MaxLength > 0)
        dlg.edReason()->setMaxLength(Options.MaxLength);
    if (!Reason.isEmpty())
        dlg.edReason()->setText(Reason);
    const int result = dlg.ShowModal();
    Reason = dlg.edReason()->text();
    return result;
}

} // namespace tovlet
