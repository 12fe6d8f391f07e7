// TICustomZdrChildForm: a child window of the main window. Its parameters
// are kept per class in the application parameters (section = class name);
// its page controls get codes from the window codes; it tells its parent
// child form when it closes.
#pragma once

#include "marvok/Iforms.h"
#include "tovlet/tovlet_export.h"

#include <QVariant>

namespace tovlet {

class TOVLET_EXPORT TICustomZdrChildForm : public marvok::TIChildTreeForm
{
    Q_OBJECT
public:
    explicit TICustomZdrChildForm(QWidget *parent = nullptr);
    // Stores a parameter of this class (defining it at the workstation and
    // application levels on first use).
    void ParameterSet(const QString &Name, const QString &Value);
    // Leaves Value unchanged when the parameter is not defined.
    void ParameterGet(const QString &Name, QString &Value);
    QString FormClassName() const;

    virtual void NotifyChildFormClose(TICustomZdrChildForm *Child, int ModalResult) { Q_UNUSED(Child); Q_UNUSED(ModalResult); }
    virtual void ParameterSetAll() {}
    virtual void ParameterGetAll() {}
    virtual void CommonRefresh() {}
    virtual void Initialize() {}
    virtual bool GetIsWindowMaximized() const { return false; }

protected:
    void FormCreate() override;
    void done(int result) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void Closing(int result);
    bool FClosingDone = false;
};

} // namespace tovlet
