// TdlgZdrBoEdit: a dialog that edits one business object. It watches the
// object: while the object has unsaved changes the OK button is bold and
// maroon; OK is disabled for a read-only object. OK posts the edits, closes
// and saves; Cancel drops the edits. Closing otherwise with unsaved changes
// asks whether to keep them.
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

private:
    void UpdateOKLook();
    pelvar::TplPerObject *FBoPerObject = nullptr;
    TIEditDialogNotifier *FNotifier = nullptr;
    bool FCancelling = false;
};

} // namespace tovlet
