#include "dZdrBo.h"

#include "marvok/Idialogs.h"
#include "marvok/Ilog.h"

namespace tovlet {

TIEditDialogNotifier::TIEditDialogNotifier(TdlgZdrBoEdit *dialog)
    : FDialog(dialog)
{
}

void TIEditDialogNotifier::DoNotifyAction(pelvar::TplDomainObject *sender, pelvar::TplNotifyAction action, const QVariant &param,
                                          pelvar::TplDomainObject *list)
{
    pelvar::TplDomainNotifier::DoNotifyAction(sender, action, param, list);
    FDialog->NotifyAction(sender, action, param);
}

TdlgZdrBoEdit::TdlgZdrBoEdit(QWidget *parent)
    : TdlgZDR(parent)
{
    // The actions run this dialog's handlers from the start.
    acDialog()->SetOnExecuteHandler(acOK(), [this](QAction *) {
        if (CheckOKFocus())
            OnOkClick();
    });
    acDialog()->SetOnExecuteHandler(acCancel(), [this](QAction *) { OnCancelClick(); });
}

TdlgZdrBoEdit::~TdlgZdrBoEdit()
{
    FormDestroy();
}

void TdlgZdrBoEdit::DoFormCreate()
{
    TdlgZDR::DoFormCreate();
}

void TdlgZdrBoEdit::DoFormDestroy()
{
    SetBoPerObject(nullptr);
    TdlgZDR::DoFormDestroy();
}

void TdlgZdrBoEdit::SetBoPerObject(pelvar::TplPerObject *Obj)
{
    if (Obj == FBoPerObject)
        return;
    if (FNotifier) {
        if (FBoPerObject)
            FBoPerObject->DetachObserver(FNotifier);
        TIEditDialogNotifier *n = FNotifier;
        FNotifier = nullptr;
        n->Release(nullptr);
    }
    FBoPerObject = Obj;
    if (Obj) {
        FNotifier = pelvar::Make<TIEditDialogNotifier>(nullptr, this);
        Obj->AttachObserver(FNotifier);
    }
    DoUpdateReadOnly();
    UpdateOKLook();
}

void TdlgZdrBoEdit::DoSaveData()
{
    if (FBoPerObject)
        FBoPerObject->SaveData(FOverwrite);
}

void TdlgZdrBoEdit::DoPostData()
{
    if (FBoPerObject)
        FBoPerObject->PostData();
}

void TdlgZdrBoEdit::DoCancelData()
{
    if (FBoPerObject)
        FBoPerObject->CancelData();
}

void TdlgZdrBoEdit::DoUpdateReadOnly()
{
    acOK()->setEnabled(!FBoPerObject || !FBoPerObject->IsReadOnly());
}

void TdlgZdrBoEdit::UpdateOKLook()
{
    QFont f = btOK()->font();
    QPalette pal = btOK()->palette();
    if (FBoPerObject && FBoPerObject->IsModified()) {
        f.setBold(true);
        pal.setColor(QPalette::ButtonText, toolkit::ColorToQColor(toolkit::clMaroon));
    } else {
        f.setBold(false);
        pal.setColor(QPalette::ButtonText, palette().color(QPalette::WindowText));
    }
    btOK()->setFont(f);
    btOK()->setPalette(pal);
}

void TdlgZdrBoEdit::NotifyAction(pelvar::TplDomainObject *, pelvar::TplNotifyAction Action, const QVariant &)
{
    if (Action == pelvar::TplNotifyAction::naReadOnlyChanged)
        DoUpdateReadOnly();
    UpdateOKLook();
}

void TdlgZdrBoEdit::OnOkClick()
{
    DoPostData();
    // The dialog closes once the object is saved: a save that fails keeps
    // the dialog open with everything typed, and says why.
    if (!SaveKeepingInput())
        return;
    SetOK(true);
    done(QDialog::Accepted);
}

bool TdlgZdrBoEdit::SaveKeepingInput()
{
    FOverwrite = false;
    FSaveFailed = true; // until the save went through
    for (;;) {
        try {
            DoSaveData();
            FOverwrite = false;
            FSaveFailed = false;
            return true;
        } catch (const toolkit::Exception &e) {
            FOverwrite = false;
            marvok::ILog(QStringLiteral("%1: %2").arg(WindowCode(), e.Message()));
            const auto *error = dynamic_cast<const pelvar::EplError *>(&e);
            if (!error || error->Kind() != pelvar::TplErrorKind::ekChanged) {
                marvok::IMessageDlg(e.UserMessage() + QStringLiteral("\n\nVaši vnosi so ostali v oknu."), marvok::mtError, marvok::mbOK, 0);
                return false;
            }
            switch (marvok::IMessageDlg(e.UserMessage()
                                            + QStringLiteral("\n\nDa – shrani vaše spremembe čez njegove."
                                                             "\nNe – prikaži njegove podatke (vaše spremembe se zavržejo)."
                                                             "\nPrekliči – ostani v oknu z vašimi vnosi."),
                                        marvok::mtWarning, marvok::mbYesNoCancel, 0)) {
            case marvok::mrYes:
                FOverwrite = true;
                continue;
            case marvok::mrNo:
                if (FBoPerObject)
                    FBoPerObject->Refresh();
                return false;
            default:
                return false;
            }
        }
    }
}

void TdlgZdrBoEdit::OnCancelClick()
{
    DoCancelData();
    // Edits a failed save had posted into the object go too: the user
    // cancelled them, and other windows showing the object must not keep them.
    if (FBoPerObject && FSaveFailed)
        FBoPerObject->RevertToStored();
    FSaveFailed = false;
    SetOK(false);
    FCancelling = true; // an explicit Cancel asks nothing more
    done(QDialog::Rejected);
    FCancelling = false;
    SetBoPerObject(nullptr);
}

void TdlgZdrBoEdit::DoCloseQuery(bool &CanClose)
{
    TdlgZDR::DoCloseQuery(CanClose);
    if (!CanClose || FCancelling || !FBoPerObject || !FBoPerObject->IsModified() || OK())
        return;
    switch (marvok::IMessageDlg(QStringLiteral("Podatki so bili spremenjeni. Naj jih shranim?"), marvok::mtConfirmation,
                                marvok::mbYesNoCancel, 0)) {
    case marvok::mrYes:
        DoPostData();
        break;
    case marvok::mrNo:
        DoCancelData();
        break;
    default:
        CanClose = false;
    }
}

} // namespace tovlet
