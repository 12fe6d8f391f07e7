// Small common dialogs: progress with cancel, reason entry, the choice of
// optional packages (plugin libraries) to load, a folder choice, the choice
// of how to send a document to the archive, and the draft-report preview.
#pragma once

#include "dZDR.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QProgressBar>
#include <QRadioButton>
#include <QStringList>

namespace tovlet {

// Progress window: caption "Obdelava", a message, a bar and "Prekliči".
class TOVLET_EXPORT TdlgProgress : public QDialog
{
    Q_OBJECT
public:
    explicit TdlgProgress(QWidget *parent = nullptr);
    // Shows or hides the window, sets message and bar, and tells through
    // Cancel whether the user pressed "Prekliči".
    void OnShowProgress(QObject *Sender, const QString &Message, int Position, int Max, bool Show, bool &Cancel);
    bool Cancelled() const { return FCancelled; }
    QLabel *MessageLabel() const { return FMessage; }
    QProgressBar *Bar() const { return FBar; }
    QPushButton *CancelButton() const { return FCancel; }

private:
    QLabel *FMessage;
    QProgressBar *FBar;
    QPushButton *FCancel;
    bool FCancelled = false;
};

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

// The optional packages (plugin files) that load at start-up. Check marks
// are kept in "MirLoc.ini" next to the executable, section "LoadBPLs".
class TOVLET_EXPORT TdlgChooseBPLs : public QDialog
{
    Q_OBJECT
public:
    explicit TdlgChooseBPLs(QWidget *parent = nullptr);
    // Fills the list, restores the marks; on OK saves them and removes the
    // unchecked files from List. Returns whether the user confirmed.
    bool ShowDialog(QStringList &List);
    QListWidget *List() const { return FList; }
    // The description in the plugin's metadata ("Description"); empty without one.
    static QString GetBPLDescription(const QString &FileName);
    static QString SettingsFileName();

private:
    QListWidget *FList;
};

// The folder dialog starting at Dir; Dir again when cancelled.
TOVLET_EXPORT QString GetDefaultDirectoryDialog(const QString &Dir);

class TOVLET_EXPORT TdlgIHMode : public TdlgZDR
{
    Q_OBJECT
public:
    enum TIHMode { ihNewVersion = 0, ihReplaceVersion = 1, ihDoNotSend = 2 };
    explicit TdlgIHMode(QWidget *parent = nullptr);
    TIHMode Mode() const;
    void SetMode(TIHMode mode);
    QRadioButton *Option(int index) const { return FOptions.value(index); }

private:
    QList<QRadioButton *> FOptions;
};

// Print preview for draft reports; registered as a modal form while shown.
class TOVLET_EXPORT TfmReportPreviewDraftReports : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    explicit TfmReportPreviewDraftReports(QWidget *parent = nullptr);
    int ShowModal();
    static QList<TfmReportPreviewDraftReports *> ShownModally();
    // Printer choice first, then printing (the print-with-options action).
    bool PrintWithOptions();
};

} // namespace tovlet
