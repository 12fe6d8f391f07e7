// TdlgZdrBoEdit: a dialog that edits one business object. It watches the
// object: while the object has unsaved changes the OK button is bold and
// maroon; OK is disabled for a read-only object. OK posts the edits, saves
// and closes; a save that fails keeps the dialog open with everything typed
// and tells the user why in Slovenian (the details go to the log). When
// another workstation saved the record meanwhile, the user chooses: save
// over it, show the other's data, or stay. Cancel drops the edits. Closing
// otherwise with unsaved changes asks whether to keep them.
#pragma once

#include "dZDR.h"

#include "pelvar/plObject.h"

namespace tovlet {

class TdlgZdrBoEdit;

class TOVLET_EXPORT TIEditDialogNotifier : public pelvar::TplDomainNotifier
{
public:
    explicit TIEditDialogNotifier(TdlgZdrBoEdit *dialog);
    QString ClassName() const override { return QStringLiteral("TIEditDialogNotifier"); }
    void DoNotifyAction(pelvar::TplDomainObject *sender, pelvar::TplNotifyAction action, const QVariant &param,
                        pelvar::TplDomainObject *list) override;

private:
    TdlgZdrBoEdit *FDialog;
};

class TOVLET_EXPORT TdlgZdrBoEdit : public TdlgZDR
{
    Q_OBJECT
public:
    explicit TdlgZdrBoEdit(QWidget *parent = nullptr);
    ~TdlgZdrBoEdit() override;

    virtual void SetBoPerObject(pelvar::TplPerObject *Obj);
    virtual pelvar::TplPerObject *GetBoPerObject() const { return FBoPerObject; }
    pelvar::TplPerObject *BoPerObject() const { return GetBoPerObject(); }
    virtual void NotifyAction(pelvar::TplDomainObject *Sender, pelvar::TplNotifyAction Action, const QVariant &Param);

protected:
    virtual void DoSaveData();
    virtual void DoPostData();
    virtual void DoCancelData();
    virtual void DoUpdateReadOnly();
    virtual void OnOkClick();
    virtual void OnCancelClick();
    void DoFormCreate() override;
    void DoFormDestroy() override;
    void DoCloseQuery(bool &CanClose) override;

    // DoSaveData with the user told of a failure; false keeps the dialog open.
    bool SaveKeepingInput();
    // Set while the user chose to save over another workstation's change.
    bool SaveOverwrites() const { return FOverwrite; }

private:
    void UpdateOKLook();
    bool FOverwrite = false;
    bool FSaveFailed = false;
    pelvar::TplPerObject *FBoPerObject = nullptr;
    TIEditDialogNotifier *FNotifier = nullptr;
    bool FCancelling = false;
};

} // namespace tovlet
