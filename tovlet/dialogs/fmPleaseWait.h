// The please-wait window: one at most, held by the unit. A small stay-on-top
// window with an animated bar, or the same inside a parent control. The
// animation timer only asks for painting; the work goes on in the caller.
#pragma once

#include "tovlet/tovlet_export.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

class QLabel;
class QFrame;

namespace tovlet {

// The animated bar: a highlight-coloured block moving across, position 0..99.
class TOVLET_EXPORT TIAnimatedLabel : public QWidget
{
    Q_OBJECT
public:
    explicit TIAnimatedLabel(QWidget *parent = nullptr);
    int Position() const { return FPosition; }
    void SetPosition(int p) { FPosition = p; update(); }
    int Step() const { return FStep; }
    QColor Color() const { return FColor; }
    void Advance();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    int FPosition = 0;
    int FStep = 1;
    QColor FColor;
};

class TOVLET_EXPORT TfmPleaseWait : public QDialog
{
    Q_OBJECT
public:
    explicit TfmPleaseWait(QWidget *parent = nullptr);
    TIAnimatedLabel *Animation() const { return FAnimation; }
    QLabel *AdditionalText() const { return FAdditional; }
    QFrame *TopPanel() const { return FTop; }
    QTimer *Timer() { return &FTimer; }
    void Start();
    void DoProgress();

private:
    friend TOVLET_EXPORT void EnsureDialog(const QString &, const QString &, bool, int, std::function<void()>, QWidget *);
    QFrame *FTop;
    QLabel *FAdditional;
    TIAnimatedLabel *FAnimation;
    QTimer FTimer;
};

// Creates (or reuses) the window; see the unit's description. Interval < 0
// keeps the 10 ms default; OnInterval replaces the animation step.
TOVLET_EXPORT void EnsureDialog(const QString &Caption = {}, const QString &AdditionalText = {}, bool Start = true, int Interval = -1,
                                std::function<void()> OnInterval = {}, QWidget *Parent = nullptr);
TOVLET_EXPORT TfmPleaseWait *PleaseWaitDialog();
TOVLET_EXPORT void FreeDialog();

// While the package is loaded, a statement waiting for a database lock held
// elsewhere shows this window after 300 ms ("Čakam na podatke"); Escape
// gives up, and no wait runs longer than this.
inline constexpr int MaxLockWaitMs = 30000;

} // namespace tovlet
