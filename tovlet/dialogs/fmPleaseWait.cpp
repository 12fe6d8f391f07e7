#include "fmPleaseWait.h"

#include "pelvar/plDatabase.h"
#include "toolkit/Graphics.h"
#include "tovlet/core/Tovlet.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tovlet {

namespace {
QPointer<TfmPleaseWait> GDialog;

// Escape while the database waits for a lock ends the wait. Any other
// input is held back meanwhile: a click that started another save would
// re-enter the database connection that is waiting.
class TLockWaitEscape : public QObject
{
public:
    bool Cancelled = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                Cancelled = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }
};

TLockWaitEscape GLockWait;
bool GLockWindowShown = false;

// Waiting for a lock another workstation holds: after a moment the user sees
// the please-wait window and may give up with Escape; the wait never runs
// past MaxLockWaitMs. -1: the wait is over.
bool LockWait(int waitedMs)
{
    if (waitedMs < 0) {
        GLockWait.Cancelled = false;
        if (GLockWindowShown)
            FreeDialog();
        GLockWindowShown = false;
        return false;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return waitedMs < pelvar::DefaultLockWaitMs;
    if (waitedMs < MaxLockWaitMs && !GLockWait.Cancelled && waitedMs >= 300 && !GDialog) {
        EnsureDialog(QStringLiteral("Čakam na podatke"),
                     QStringLiteral("Podatke uporablja drug program ali delovna postaja. Tipka Esc prekine čakanje."));
        GLockWindowShown = true;
    }
    // Only while events run here is input held back (but for Escape).
    qApp->installEventFilter(&GLockWait);
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    qApp->removeEventFilter(&GLockWait);
    return waitedMs < MaxLockWaitMs && !GLockWait.Cancelled;
}

void Initialization()
{
    pelvar::SetLockWaitHandler(&LockWait);
}

void Finalization()
{
    pelvar::SetLockWaitHandler({});
    GLockWait.Cancelled = false;
    GLockWindowShown = false;
    delete GDialog.data();
}
} // namespace

TOVLET_UNIT(fmPleaseWait, upFmPleaseWait, Initialization, Finalization);

TIAnimatedLabel::TIAnimatedLabel(QWidget *parent)
    : QWidget(parent)
    , FColor(toolkit::ColorToQColor(toolkit::clHighlight))
{
    setMinimumHeight(14);
}

void TIAnimatedLabel::Advance()
{
    FPosition = (FPosition + FStep) % 100;
    update();
}

void TIAnimatedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const int block = std::max(8, width() / 5);
    const int x = (width() + block) * FPosition / 100 - block;
    p.fillRect(QRect(x, 0, block, height()), FColor);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

TfmPleaseWait::TfmPleaseWait(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmPleaseWait"));
    setWindowTitle(QStringLiteral("Inicializacija"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    FTop = new QFrame(this);
    FTop->setObjectName(QStringLiteral("paTop"));
    auto *topLayout = new QVBoxLayout(FTop);
    topLayout->setContentsMargins(0, 0, 0, 0);
    FAdditional = new QLabel(FTop);
    FAdditional->setObjectName(QStringLiteral("laAdditional"));
    topLayout->addWidget(FAdditional);
    FTop->hide();
    layout->addWidget(FTop);
    auto *caption = new QLabel(QStringLiteral("prosim počakajte"), this);
    caption->setObjectName(QStringLiteral("laPocakaj"));
    layout->addWidget(caption);
    FAnimation = new TIAnimatedLabel(this);
    FAnimation->setObjectName(QStringLiteral("alAnimacija"));
    layout->addWidget(FAnimation);
    FTimer.setInterval(10);
    connect(&FTimer, &QTimer::timeout, this, &TfmPleaseWait::DoProgress);
    resize(341, 63);
}

void TfmPleaseWait::Start()
{
    show();
    FTimer.start();
    QApplication::processEvents();
}

void TfmPleaseWait::DoProgress()
{
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    FAnimation->Advance();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void EnsureDialog(const QString &Caption, const QString &AdditionalText, bool Start, int Interval, std::function<void()> OnInterval,
                  QWidget *Parent)
{
    if (!GDialog)
        GDialog = new TfmPleaseWait;
    TfmPleaseWait *d = GDialog;
    d->setWindowTitle(Caption.isEmpty() ? QStringLiteral("Inicializacija") : Caption);
    int height = 63;
    if (!AdditionalText.isEmpty()) {
        d->FAdditional->setText(AdditionalText);
        d->FTop->show();
        const int lines = int(AdditionalText.count(QLatin1String("\r\n"))) + 1;
        height += lines * d->fontMetrics().height();
    } else {
        d->FTop->hide();
    }
    if (Parent) {
        // Inside the parent: filling it, no frame, no top area.
        d->setParent(Parent, Qt::Widget);
        d->FTop->hide();
        if (!Parent->layout())
            (new QVBoxLayout(Parent))->setContentsMargins(0, 0, 0, 0);
        Parent->layout()->addWidget(d);
        d->FAnimation->setFixedWidth(std::max(10, Parent->width() - 2 * d->layout()->contentsMargins().left()));
    } else {
        d->resize(339, height);
    }
    if (Interval >= 0)
        d->FTimer.setInterval(Interval);
    if (OnInterval) {
        QObject::disconnect(&d->FTimer, &QTimer::timeout, nullptr, nullptr);
        QObject::connect(&d->FTimer, &QTimer::timeout, d, std::move(OnInterval));
    }
    if (Start)
        d->Start();
}

TfmPleaseWait *PleaseWaitDialog()
{
    return GDialog;
}

void FreeDialog()
{
    if (!GDialog)
        return;
    GDialog->Timer()->stop();
    GDialog->close();
    delete GDialog.data();
}

} // namespace tovlet
