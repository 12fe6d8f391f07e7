// TdlgZDR: the base dialog. Content goes into paDialog; the button bar at
// the bottom holds OK and Cancel, bound to the authorising action list
// acDialog (rights "acDialog.acOK" and "acDialog.acCancel"). Alt+O moves to
// OK; Escape presses Cancel (or closes a dialog without one) unless switched
// off. OK lets the focused editor commit first and stops when it refuses
// what was typed. Every TdlgZDR is in the dialog registry from construction
// to destruction; CloseAllDialogs closes them last first, one a second.
//
// DoFormDestroy runs while the whole dialog still exists when the dialog is
// freed by Free(), deleteLater(), closing with Qt::WA_DeleteOnClose, its
// parent's destruction, or a TDialogPtr (MakeDialog). A plain `delete` or a
// dialog on the stack cannot do that (C++ destroys the host's part first):
// only the base classes' hooks run then.
#pragma once

#include "marvok/Iforms.h"
#include "marvok/cControls.h"
#include "tovlet/core/cBasic.h"
#include "tovlet/tovlet_export.h"

#include <QList>
#include <QStringList>
#include <memory>

namespace tovlet {

class TOVLET_EXPORT TdlgZDR : public marvok::TIDialogForm
{
    Q_OBJECT
public:
    explicit TdlgZDR(QWidget *parent = nullptr);
    ~TdlgZDR() override;

    bool OK() const { return GetOk(); }
    bool GetOk() const { return FOK; }
    virtual void SetOK(bool value) { FOK = value; }
    // Whether Escape is handled at all.
    bool aiEscapeEnabled() const { return FEscapeEnabled; }
    void setAiEscapeEnabled(bool v) { FEscapeEnabled = v; }

    marvok::TIPanel *paDialog() const { return FpaDialog; }
    marvok::TIArrangePanel *paButtons() const { return FpaButtons; }
    marvok::TIBitBtn *btOK() const { return FbtOK; }
    marvok::TIBitBtn *btPreklici() const { return FbtPreklici; }
    TIMireloActionList *acDialog() const { return FacDialog; }
    QAction *acOK() const { return FacOK; }
    QAction *acCancel() const { return FacCancel; }
    virtual QWidget *GetMainContentControl() const { return FpaDialog; }

    void btOKClick();
    void btCancelClick();
    // Centred on the main form, then the work area less 10 pixels on each side.
    void SizeFullExpand();
    // Zips every file matching SourceMask (no subfolders) into ArchiveName,
    // in the mask's folder.
    static void Zip(const QString &SourceMask, const QString &ArchiveName);
    // Tints unfilled edits of Owner named in Names with 15395583 and gives
    // filled ones the window colour back (only when they carry that tint).
    // Line edits (masked ones as shown), plain and rich text edits, combo
    // boxes, spin, date and time edits, code-entry controls and any control
    // with a "text" property take part; the colour is read as shown.
    static void MarkRequiredComponents(QWidget *Owner, const QStringList &Names);
    // The text a control shows, as MarkRequiredComponents reads it; `known`
    // tells whether the control has a text at all.
    static QString ShownText(QWidget *control, bool *known = nullptr);

    // Runs DoFormDestroy, then deletes the dialog.
    void Free();

    static void RegisterForm(TdlgZDR *form);
    static void UnregisterForm(TdlgZDR *form);
    static void UnregisterAll();
    static QList<TdlgZDR *> GetFormList();
    static void CloseAllDialogs();
    static void CloseLastDialog();
    static void CloseWindowInternal(TdlgZDR *form);
    static void SetVisible(bool value);
    static bool SweepRunning();

protected:
    void FormCreate() override;
    bool event(QEvent *event) override;
    bool FormKeyDown(QKeyEvent *event) override;
    void done(int result) override;
    void closeEvent(QCloseEvent *event) override;
    virtual void DoFormCreate() {}
    virtual void DoFormDestroy() {}
    virtual void DoCloseQuery(bool &CanClose) { Q_UNUSED(CanClose); }
    // OK's own work (the base confirms and closes).
    virtual void OKClicked() { ConfirmOK(); }
    void ConfirmOK();
    // The validating focus check: the focused editor commits its value first.
    bool CheckOKFocus();
    void FormDestroy();

private:
    void WatchParent();
    QMetaObject::Connection FParentWatch;
    bool FOK = false;
    bool FEscapeEnabled = true;
    bool FClosed = false;
    bool FQueryPassed = false;
    bool FDestroyed = false;
    marvok::TIPanel *FpaDialog;
    marvok::TIArrangePanel *FpaButtons;
    marvok::TIBitBtn *FbtOK;
    marvok::TIBitBtn *FbtPreklici;
    TIMireloActionList *FacDialog;
    QAction *FacOK;
    QAction *FacCancel;
};

// The tint of an unfilled required field (RGB 255,234,234).
inline constexpr toolkit::TColor RequiredColor = 15395583;

// Frees a dialog the way that lets its DoFormDestroy run (see TdlgZDR).
struct TDialogDeleter
{
    void operator()(TdlgZDR *dialog) const { dialog->Free(); }
};
template <class T>
using TDialogPtr = std::unique_ptr<T, TDialogDeleter>;

// `auto dlg = MakeDialog<TdlgMine>(parent); dlg->ShowModal();`
template <class T, class... Args>
TDialogPtr<T> MakeDialog(Args &&...args)
{
    return TDialogPtr<T>(new T(std::forward<Args>(args)...));
}

} // namespace tovlet
