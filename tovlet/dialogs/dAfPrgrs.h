// The progress window with its cancel button.
#pragma once

#include "tovlet/tovlet_export.h"
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

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

} // namespace tovlet
