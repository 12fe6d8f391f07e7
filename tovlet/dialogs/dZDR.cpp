#include "dZDR.h"

#include "marvok/Iabzip.h"
#include "marvok/Idialogs.h"
#include "marvok/Iutils.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace tovlet {

namespace {

QList<TdlgZDR *> *GRegistry = nullptr;
QPointer<QTimer> GCloseTimer;

QList<TdlgZDR *> &Registry()
{
    // Created when the unit starts; a dialog made before that still registers.
    if (!GRegistry)
        GRegistry = new QList<TdlgZDR *>;
    return *GRegistry;
}

void Initialization()
{
    if (!GRegistry)
        GRegistry = new QList<TdlgZDR *>;
}

void Finalization()
{
    delete GRegistry;
    GRegistry = nullptr;
    delete GCloseTimer.data();
}

} // namespace

TOVLET_UNIT(dZDR, upDZDR, Initialization, Finalization);

TdlgZDR::TdlgZDR(QWidget *parent)
    : marvok::TIDialogForm(parent)
{
    setAiEscIsClose(false);
    setAiParentEscIsClose(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FpaDialog = new marvok::TIPanel(this);
    FpaDialog->setObjectName(QStringLiteral("paDialog"));
    FpaDialog->setMinimumSize(200, 60);
    layout->addWidget(FpaDialog, 1);
    FpaButtons = new marvok::TIArrangePanel(this);
    FpaButtons->setObjectName(QStringLiteral("paButtons"));
    FpaButtons->setFixedHeight(29);
    FpaButtons->setAISpaceColumns(2);
    FpaButtons->setAILeftColumns(2);
    layout->addWidget(FpaButtons);

    FacDialog = new TIMireloActionList(this);
    FacDialog->setObjectName(QStringLiteral("acDialog"));
    FacOK = FacDialog->AddAction(QStringLiteral("acOK"), QStringLiteral("&OK"), [this](QAction *) { btOKClick(); });
    FacCancel = FacDialog->AddAction(QStringLiteral("acCancel"), QStringLiteral("&Prekliči"), [this](QAction *) { btCancelClick(); });

    FbtOK = new marvok::TIBitBtn(QStringLiteral("&OK"), FpaButtons);
    FbtOK->setObjectName(QStringLiteral("btOK"));
    FbtOK->resize(75, 21);
    marvok::SetTag(FbtOK, -1);
    FbtPreklici = new marvok::TIBitBtn(QStringLiteral("&Prekliči"), FpaButtons);
    FbtPreklici->setObjectName(QStringLiteral("btPreklici"));
    FbtPreklici->resize(75, 21);
    FbtPreklici->SetCancel(true);
    marvok::SetTag(FbtPreklici, -2);
    // The buttons run their actions and follow their enabled state; Cancel's
    // modal result is the action's to give, so a refused Cancel stays open.
    // Alt+O is the dialog's own key (focus to OK), not the caption's mnemonic;
    // as a window shortcut it is seen before an edit could take the letter.
    FbtOK->setShortcut(QKeySequence());
    FbtPreklici->setShortcut(QKeySequence());
    FbtPreklici->SetModalResult(marvok::mrCancel);
    FbtOK->SetAction(FacOK);
    FbtPreklici->SetAction(FacCancel);
    auto *altO = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_O), this);
    connect(altO, &QShortcut::activated, this, [this] { FbtOK->setFocus(Qt::ShortcutFocusReason); });
    WatchParent();
    resize(540, 290);
    RegisterForm(this);
}

TdlgZDR::~TdlgZDR()
{
    // Only the base's hook can run here: the host's part is already gone.
    FormDestroy();
    UnregisterForm(this);
}

void TdlgZDR::Free()
{
    FormDestroy();
    delete this;
}

void TdlgZDR::WatchParent()
{
    // A parent emits destroyed before it deletes its children, while this
    // dialog is still whole.
    QObject::disconnect(FParentWatch);
    if (QObject *p = parent())
        FParentWatch = connect(p, &QObject::destroyed, this, [this] { FormDestroy(); });
}

bool TdlgZDR::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DeferredDelete:
        // deleteLater and close with WA_DeleteOnClose end here, before any destructor.
        FormDestroy();
        break;
    case QEvent::ParentChange:
        WatchParent();
        break;
    default:
        break;
    }
    return marvok::TIDialogForm::event(event);
}

void TdlgZDR::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    DoFormDestroy();
}

void TdlgZDR::FormCreate()
{
    marvok::TIDialogForm::FormCreate();
    if (marvok::BitsPerPixel() > 8) {
        // The bar's gradient starts in a light blue where the default is black or grey.
        QPalette pal = FpaButtons->palette();
        QLinearGradient g(0, 0, 0, 29);
        QColor start = pal.color(QPalette::Button);
        if (start == Qt::black || start == QColor(128, 128, 128))
            start = toolkit::ColorToQColor(15780518);
        g.setColorAt(0, start);
        g.setColorAt(1, pal.color(QPalette::Window));
        pal.setBrush(QPalette::Window, g);
        FpaButtons->setPalette(pal);
        FpaButtons->setAutoFillBackground(true);
    }
    SetWindowCode(ApplicationFrameworkUtils()->GetWindowCode(QString::fromLatin1(metaObject()->className()).section(QStringLiteral("::"), -1)));
    DoFormCreate();
}

bool TdlgZDR::CheckOKFocus()
{
    // The focused editor commits its text first, as leaving it would; when it
    // refuses the text, the user corrects it and OK does not go ahead.
    if (!marvok::CommitFocusedEditor(this))
        return false;
    if (QWidget *focused = QApplication::focusWidget(); focused && focused != FbtOK && isAncestorOf(focused))
        FbtOK->setFocus(Qt::OtherFocusReason);
    return FbtOK->isEnabled();
}

void TdlgZDR::ConfirmOK()
{
    SetOK(true);
    done(QDialog::Accepted);
}

void TdlgZDR::btOKClick()
{
    if (!FbtOK || !CheckOKFocus())
        return;
    OKClicked();
}

void TdlgZDR::btCancelClick()
{
    done(QDialog::Rejected);
}

bool TdlgZDR::FormKeyDown(QKeyEvent *event)
{
    if (event->modifiers() == Qt::AltModifier && event->key() == Qt::Key_O) {
        FbtOK->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (!FEscapeEnabled)
            return true;
        if (!FbtPreklici || FbtPreklici->isHidden())
            done(QDialog::Rejected);
        else if (FbtPreklici->isEnabled())
            FbtPreklici->click();
        return true;
    }
    return marvok::TIDialogForm::FormKeyDown(event);
}

void TdlgZDR::done(int result)
{
    // A close already asked about (closeEvent) is not asked about again.
    if (!FQueryPassed) {
        bool canClose = true;
        DoCloseQuery(canClose);
        if (!canClose)
            return;
    }
    FQueryPassed = false;
    FClosed = true;
    marvok::TIDialogForm::done(result);
}

void TdlgZDR::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    DoCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    FQueryPassed = true;
    FClosed = true;
    marvok::TIDialogForm::closeEvent(event);
    FQueryPassed = false;
}

void TdlgZDR::SizeFullExpand()
{
    if (QWidget *main = QApplication::activeWindow(); main && main != this)
        move(main->geometry().center() - rect().center());
    const QRect work = GetProperWorkareaRect();
    setGeometry(work.left() + 10, work.top() + 10, work.width() - 20, work.height() - 20);
}

void TdlgZDR::Zip(const QString &SourceMask, const QString &ArchiveName)
{
    const QFileInfo mask(SourceMask);
    const QString dir = mask.absolutePath() + QLatin1Char('/');
    marvok::TAbZipArchive archive(dir + ArchiveName);
    archive.SetBaseDirectory(dir);
    archive.AddFiles(SourceMask);
    archive.Save();
}

QString TdlgZDR::ShownText(QWidget *control, bool *known)
{
    QWidget *c = marvok::ColorTarget(control);
    if (known)
        *known = true;
    if (auto *e = qobject_cast<QLineEdit *>(c))
        return e->inputMask().isEmpty() ? e->text() : e->displayText();
    if (auto *m = qobject_cast<QPlainTextEdit *>(c))
        return m->toPlainText();
    if (auto *t = qobject_cast<QTextEdit *>(c))
        return t->toPlainText();
    if (auto *cb = qobject_cast<QComboBox *>(c))
        return cb->currentText();
    if (auto *sb = qobject_cast<QAbstractSpinBox *>(c))
        return sb->text(); // date and time edits too, as shown
    // A host's own editor takes part through a "text" property; a control
    // nobody types into (a label) does not.
    const QVariant text = c->property("text");
    if (c->focusPolicy() != Qt::NoFocus && text.isValid() && text.canConvert<QString>())
        return text.toString();
    if (known)
        *known = false;
    return {};
}

void TdlgZDR::MarkRequiredComponents(QWidget *Owner, const QStringList &Names)
{
    if (!Owner)
        return;
    for (const QString &name : Names) {
        QWidget *c = Owner->findChild<QWidget *>(name);
        if (!c)
            continue;
        bool known = false;
        const QString text = ShownText(c, &known);
        if (!known)
            continue; // nothing to read, nothing to colour
        QString collapsed = text;
        while (collapsed.contains(QLatin1String("  ")))
            collapsed.replace(QLatin1String("  "), QLatin1String(" "));
        const bool filled = !text.isEmpty() && collapsed != QLatin1String(" ") && text != QLatin1String("  .  .    ");
        if (filled) {
            if (marvok::ControlColor(c) == RequiredColor)
                marvok::SetControlColor(c, toolkit::clWindow);
        } else {
            marvok::SetControlColor(c, RequiredColor);
        }
    }
}

void TdlgZDR::RegisterForm(TdlgZDR *form)
{
    if (!Registry().contains(form))
        Registry().append(form);
}

void TdlgZDR::UnregisterForm(TdlgZDR *form)
{
    if (GRegistry)
        GRegistry->removeAll(form);
}

void TdlgZDR::UnregisterAll()
{
    const QList<TdlgZDR *> forms = Registry();
    for (TdlgZDR *f : forms)
        delete f;
    Registry().clear();
}

QList<TdlgZDR *> TdlgZDR::GetFormList()
{
    return Registry();
}

void TdlgZDR::CloseWindowInternal(TdlgZDR *form)
{
    const QPointer<TdlgZDR> guard(form);
    form->close();
    if (guard)
        guard->hide();
    UnregisterForm(form);
}

void TdlgZDR::CloseLastDialog()
{
    if (!Registry().isEmpty())
        CloseWindowInternal(Registry().last());
}

bool TdlgZDR::SweepRunning()
{
    return !GCloseTimer.isNull();
}

namespace {

// Dialogs the sweep is closing right now, further up the call stack; a call
// of CloseAllDialogs from their close path must not wait for them.
QList<TdlgZDR *> GClosing;
// The message loops of the callers waiting for the sweep, innermost last.
QList<QEventLoop *> GWaiting;

bool SweepDoneForCaller()
{
    for (TdlgZDR *f : Registry())
        if (!GClosing.contains(f))
            return false;
    return true;
}

void WakeWaiting()
{
    for (QEventLoop *loop : std::as_const(GWaiting))
        loop->quit();
}

void SweepTick(QTimer *timer)
{
    // While a dialog's close asks its user something, the sweep waits: Qt
    // does not deliver a timer's event while the same timer's handler runs.
    TdlgZDR *next = nullptr;
    const QList<TdlgZDR *> forms = Registry();
    for (auto it = forms.crbegin(); it != forms.crend(); ++it)
        if (!GClosing.contains(*it)) {
            next = *it;
            break;
        }
    if (next) {
        GClosing.append(next);
        try {
            TdlgZDR::CloseWindowInternal(next);
        } catch (const toolkit::Exception &e) {
            toolkit::HandleException(e);
            TdlgZDR::UnregisterForm(next);
        }
        GClosing.removeAll(next);
    } else if (Registry().isEmpty()) {
        timer->stop();
        GCloseTimer = nullptr;
        timer->deleteLater();
    }
    WakeWaiting();
}

} // namespace

void TdlgZDR::CloseAllDialogs()
{
    if (GCloseTimer.isNull()) {
        auto *timer = new QTimer;
        timer->setInterval(1000);
        QObject::connect(timer, &QTimer::timeout, timer, [timer] { SweepTick(timer); });
        GCloseTimer = timer;
        timer->start();
    } else if (!GClosing.isEmpty()) {
        // Called from a close the sweep is making: re-arming gives the timer
        // a new identity, so that it ticks in the wait below instead of
        // waiting for the tick that called us (which would never end).
        GCloseTimer->start();
    }
    // The sweep runs in a message loop here until every dialog is closed
    // (or is being closed by a caller further up); modal dialogs closed by it
    // return from their own loops in between. A second call joins the
    // running sweep.
    while (!GCloseTimer.isNull() && !(GClosing.size() > 0 && SweepDoneForCaller())) {
        QEventLoop loop;
        GWaiting.append(&loop);
        loop.exec();
        GWaiting.removeAll(&loop);
    }
}

void TdlgZDR::SetVisible(bool value)
{
    const bool saved = marvok::FbNonModalDialogListSettingVisibility;
    marvok::FbNonModalDialogListSettingVisibility = true;
    for (TdlgZDR *f : Registry()) {
        if (value && f->KeepHidden())
            continue;
        f->setVisible(value);
    }
    marvok::FbNonModalDialogListSettingVisibility = saved;
}

} // namespace tovlet
