// TdlgZDR: the base dialog. Content goes into paDialog; the button bar at
// the bottom holds OK and Cancel, bound to the authorising action list
// acDialog (rights "acDialog.acOK" and "acDialog.acCancel"). Alt+O moves to
// OK; Escape presses Cancel (or closes a dialog without one) unless switched
// off. Every TdlgZDR is in the dialog registry from construction to
// destruction; CloseAllDialogs closes them last first, one a second.
#pragma once

#include "marvok/Iforms.h"
#include "marvok/cControls.h"
#include "tovlet/core/cBasic.h"
#include "tovlet/tovlet_export.h"

#include <QList>
#include <QStringList>

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
    static void MarkRequiredComponents(QWidget *Owner, const QStringList &Names);

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

} // namespace tovlet
