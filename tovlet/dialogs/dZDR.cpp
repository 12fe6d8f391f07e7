#include "dZDR.h"

#include "marvok/Iabzip.h"
#include "marvok/Iutils.h"
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
    // The buttons run their actions and follow their enabled state.
    // Alt+O is the dialog's own key (focus to OK), not the caption's mnemonic;
    // as a window shortcut it is seen before an edit could take the letter.
    FbtOK->setShortcut(QKeySequence());
    FbtPreklici->setShortcut(QKeySequence());
    auto *altO = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_O), this);
    connect(altO, &QShortcut::activated, this, [this] { FbtOK->setFocus(Qt::ShortcutFocusReason); });
    for (const auto &pair : {std::pair{FbtOK, FacOK}, std::pair{FbtPreklici, FacCancel}}) {
        QAction *action = pair.second;
        connect(pair.first, &QPushButton::clicked, action, [action] { action->trigger(); });
        connect(action, &QAction::enabledChanged, pair.first, &QWidget::setEnabled);
    }
    resize(540, 290);
    RegisterForm(this);
}

TdlgZDR::~TdlgZDR()
{
    FormDestroy();
    UnregisterForm(this);
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
    // Moving the focus lets the focused editor commit (or refuse) its text.
    if (QWidget *focused = QApplication::focusWidget(); focused && focused != FbtOK && isAncestorOf(focused)) {
        FbtOK->setFocus(Qt::OtherFocusReason);
        if (auto *edit = qobject_cast<QLineEdit *>(focused); edit && edit->isModified())
            Q_EMIT edit->editingFinished();
    }
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

void TdlgZDR::MarkRequiredComponents(QWidget *Owner, const QStringList &Names)
{
    for (const QString &name : Names) {
        QWidget *c = Owner->findChild<QWidget *>(name);
        QString text;
        if (auto *e = qobject_cast<QLineEdit *>(c))
            text = e->inputMask().isEmpty() ? e->text() : e->displayText();
        else if (auto *m = qobject_cast<QPlainTextEdit *>(c))
            text = m->toPlainText();
        else if (auto *cb = qobject_cast<QComboBox *>(c))
            text = cb->currentText();
        else if (auto *sb = qobject_cast<QAbstractSpinBox *>(c))
            text = sb->text();
        else
            continue; // no colour to set
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
    form->close();
    form->hide();
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

void TdlgZDR::CloseAllDialogs()
{
    if (GCloseTimer.isNull()) {
        auto *timer = new QTimer;
        timer->setInterval(1000);
        QObject::connect(timer, &QTimer::timeout, timer, [timer] {
            if (!Registry().isEmpty())
                CloseLastDialog();
            else
                timer->deleteLater();
        });
        GCloseTimer = timer;
        timer->start();
    }
    // The sweep runs in a message loop here until the timer is gone; modal
    // dialogs closed by it return from their own loops in between.
    QEventLoop loop;
    QObject::connect(GCloseTimer.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
    if (!GCloseTimer.isNull())
        loop.exec();
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
