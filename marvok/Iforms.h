// Base forms of the utility library.
//
// TIForm: a window of the application. FormCreate runs once, before the form
// is first shown; the window code names the form for rights and stored
// settings; the form's place and size are stored under its window code when
// it closes and restored when it is created again (aiStoreSettings).
// Escape closes the form when aiEscIsClose is set; a form embedded in
// another one closes that one instead when aiParentEscIsClose is set.
// Forms shown modally are registered (ModalForms) while they are shown.
// TIDialogForm: a dialog shown modally (ShowModal) or not (ShowNonModal);
// non-modal ones are listed (NonModalDialogs) until they close.
// TIChildTreeForm: a child window of the main window, with its parent child form.
// TINoDlgForm: a form without the dialog keys. TITabSheetForm: a form that
// lives inside a tab sheet of another form.
#pragma once

#include "marvok/marvok_export.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QRect>
#include <memory>

class QSettings;

namespace marvok {

// Raised while the dialog registry shows or hides its non-modal dialogs, so
// that their own visibility handlers can tell the user did not do it.
MARVOK_EXPORT extern bool FbNonModalDialogListSettingVisibility;

class MARVOK_EXPORT TIForm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(bool aiEscIsClose READ aiEscIsClose WRITE setAiEscIsClose)
    Q_PROPERTY(bool aiParentEscIsClose READ aiParentEscIsClose WRITE setAiParentEscIsClose)
    Q_PROPERTY(bool aiStoreSettings READ aiStoreSettings WRITE setAiStoreSettings)
public:
    explicit TIForm(QWidget *parent = nullptr);
    ~TIForm() override;

    bool aiEscIsClose() const { return FEscIsClose; }
    void setAiEscIsClose(bool v) { FEscIsClose = v; }
    bool aiParentEscIsClose() const { return FParentEscIsClose; }
    void setAiParentEscIsClose(bool v) { FParentEscIsClose = v; }
    bool aiStoreSettings() const { return FStoreSettings; }
    void setAiStoreSettings(bool v) { FStoreSettings = v; }

    void SetCaption(const QString &caption) { setWindowTitle(caption); }
    QString WindowCode() const { return FWindowCode.isEmpty() ? QString::fromLatin1(metaObject()->className()) : FWindowCode; }
    void SetWindowCode(const QString &code) { FWindowCode = code; }
    // The part of the screen the form may use (without task bars).
    QRect GetProperWorkareaRect() const;
    bool Created() const { return FCreated; }

    int exec() override;

    static QList<TIForm *> ModalForms();
    // Where form settings go (an INI file); empty: the application's settings.
    static void SetSettingsFileName(const QString &fileName);

protected:
    virtual void FormCreate() {}
    // Keys the form handles; return true when handled.
    virtual bool FormKeyDown(QKeyEvent *event);
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void done(int result) override;
    void closeEvent(QCloseEvent *event) override;
    void SaveSettings();
    void RestoreSettings();

private:
    void EnsureCreated();
    bool FEscIsClose = true;
    bool FParentEscIsClose = false;
    bool FStoreSettings = true;
    bool FCreated = false;
    QString FWindowCode;
};

class MARVOK_EXPORT TIDialogForm : public TIForm
{
    Q_OBJECT
public:
    explicit TIDialogForm(QWidget *parent = nullptr);
    ~TIDialogForm() override;

    int ShowModal() { return exec(); }
    void ShowNonModal();
    bool IsNonModal() const { return FNonModal; }
    // Stays hidden when the registry shows its dialogs again.
    bool KeepHidden() const { return FKeepHidden; }
    void SetKeepHidden(bool v) { FKeepHidden = v; }
    static QList<TIDialogForm *> NonModalDialogs();

protected:
    // A non-modal dialog was closed.
    virtual void ClosedNonModalDialog() {}
    void done(int result) override;

private:
    bool FNonModal = false;
    bool FKeepHidden = false;
};

class MARVOK_EXPORT TIChildTreeForm : public TIForm
{
    Q_OBJECT
public:
    explicit TIChildTreeForm(QWidget *parent = nullptr);
    TIChildTreeForm *ParentChildForm() const { return FParentChild; }
    void SetParentChildForm(TIChildTreeForm *form);
    QList<TIChildTreeForm *> ChildForms() const;

private:
    QPointer<TIChildTreeForm> FParentChild;
};

class MARVOK_EXPORT TINoDlgForm : public TIForm
{
    Q_OBJECT
public:
    explicit TINoDlgForm(QWidget *parent = nullptr);
};

class MARVOK_EXPORT TITabSheetForm : public TIForm
{
    Q_OBJECT
public:
    explicit TITabSheetForm(QWidget *parent = nullptr);
    // Puts the form into a tab sheet (or any container), filling it.
    void EmbedInto(QWidget *sheet);
};

// The form a control belongs to: the nearest form among its ancestors, so
// that a form embedded in another form's tab sheet owns its own controls.
// Null when no form holds the control.
MARVOK_EXPORT TIForm *OwnerForm(const QWidget *control);
// Whether `form` owns `control` (no other form lies between them).
MARVOK_EXPORT bool OwnsControl(const TIForm *form, const QWidget *control);

// Moves the focus from `from` to the next (previous) control of its window
// that takes the focus with Tab, in tab order, wrapping at the ends; the
// controls inside `from` (a grid's editor, a composite's parts) are passed
// over. Returns the control that got the focus, or null when no other
// control takes it (the focus then stays where it was).
MARVOK_EXPORT QWidget *GoToNextDlgControl(QWidget *from);
MARVOK_EXPORT QWidget *GoToPrevDlgControl(QWidget *from);

// The application settings: the INI file given to TIForm::SetSettingsFileName,
// else the application's own (organisation and application name).
MARVOK_EXPORT std::unique_ptr<QSettings> ApplicationSettings();

} // namespace marvok
