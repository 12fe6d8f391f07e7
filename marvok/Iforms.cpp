#include "Iforms.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

namespace marvok {

bool FbNonModalDialogListSettingVisibility = false;

namespace {
QList<TIForm *> &Modal()
{
    static QList<TIForm *> forms;
    return forms;
}
QList<TIDialogForm *> &NonModal()
{
    static QList<TIDialogForm *> forms;
    return forms;
}
QString &SettingsFile()
{
    static QString file;
    return file;
}
std::unique_ptr<QSettings> Settings()
{
    return ApplicationSettings();
}
} // namespace

std::unique_ptr<QSettings> ApplicationSettings()
{
    if (SettingsFile().isEmpty())
        return std::make_unique<QSettings>();
    return std::make_unique<QSettings>(SettingsFile(), QSettings::IniFormat);
}

TIForm::TIForm(QWidget *parent)
    : QDialog(parent)
{
}

TIForm::~TIForm()
{
    Modal().removeAll(this);
}

void TIForm::SetSettingsFileName(const QString &fileName)
{
    SettingsFile() = fileName;
}

QList<TIForm *> TIForm::ModalForms()
{
    return Modal();
}

QRect TIForm::GetProperWorkareaRect() const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void TIForm::EnsureCreated()
{
    if (FCreated)
        return;
    FCreated = true;
    FormCreate();
    RestoreSettings();
}

void TIForm::showEvent(QShowEvent *event)
{
    EnsureCreated();
    QDialog::showEvent(event);
}

int TIForm::exec()
{
    EnsureCreated();
    Modal().append(this);
    const int r = QDialog::exec();
    Modal().removeAll(this);
    return r;
}

bool TIForm::FormKeyDown(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier)
        return false;
    if (isWindow() && FEscIsClose) {
        reject();
        return true;
    }
    if (!isWindow() && FParentEscIsClose && window()) {
        window()->close();
        return true;
    }
    return true; // Escape does nothing else on a form
}

void TIForm::keyPressEvent(QKeyEvent *event)
{
    if (FormKeyDown(event))
        return;
    QDialog::keyPressEvent(event);
}

void TIForm::done(int result)
{
    SaveSettings();
    QDialog::done(result);
}

void TIForm::closeEvent(QCloseEvent *event)
{
    SaveSettings();
    QDialog::closeEvent(event);
}

void TIForm::SaveSettings()
{
    if (!FStoreSettings || !isWindow() || !FCreated)
        return;
    auto s = Settings();
    s->setValue(QStringLiteral("Forms/%1/Geometry").arg(WindowCode()), saveGeometry());
}

void TIForm::RestoreSettings()
{
    if (!FStoreSettings || !isWindow())
        return;
    auto s = Settings();
    const QByteArray g = s->value(QStringLiteral("Forms/%1/Geometry").arg(WindowCode())).toByteArray();
    if (!g.isEmpty())
        restoreGeometry(g);
}

TIDialogForm::TIDialogForm(QWidget *parent)
    : TIForm(parent)
{
}

TIDialogForm::~TIDialogForm()
{
    NonModal().removeAll(this);
}

void TIDialogForm::ShowNonModal()
{
    FNonModal = true;
    setModal(false);
    if (!NonModal().contains(this))
        NonModal().append(this);
    show();
}

void TIDialogForm::done(int result)
{
    TIForm::done(result);
    if (FNonModal) {
        NonModal().removeAll(this);
        FNonModal = false;
        ClosedNonModalDialog();
    }
}

QList<TIDialogForm *> TIDialogForm::NonModalDialogs()
{
    return NonModal();
}

TIChildTreeForm::TIChildTreeForm(QWidget *parent)
    : TIForm(parent)
{
    setAiEscIsClose(false);
    setWindowFlag(Qt::Window);
}

void TIChildTreeForm::SetParentChildForm(TIChildTreeForm *form)
{
    FParentChild = form;
}

QList<TIChildTreeForm *> TIChildTreeForm::ChildForms() const
{
    QList<TIChildTreeForm *> r;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *c = qobject_cast<TIChildTreeForm *>(w); c && c->ParentChildForm() == this)
            r << c;
    return r;
}

TINoDlgForm::TINoDlgForm(QWidget *parent)
    : TIForm(parent)
{
    setAiEscIsClose(false);
}

TITabSheetForm::TITabSheetForm(QWidget *parent)
    : TIForm(parent)
{
    setAiEscIsClose(false);
    setAiParentEscIsClose(true);
    setAiStoreSettings(false);
}

void TITabSheetForm::EmbedInto(QWidget *sheet)
{
    setParent(sheet, Qt::Widget);
    if (!sheet->layout()) {
        auto *l = new QVBoxLayout(sheet);
        l->setContentsMargins(0, 0, 0, 0);
    }
    sheet->layout()->addWidget(this);
    show();
}

TIForm *OwnerForm(const QWidget *control)
{
    for (QWidget *w = control ? control->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto *form = qobject_cast<TIForm *>(w))
            return form;
    return nullptr;
}

bool OwnsControl(const TIForm *form, const QWidget *control)
{
    return form && OwnerForm(control) == form;
}

namespace {

// An item view's editors are parts of the view: the view is the control.
QWidget *OwningControl(QWidget *w, const QWidget *window)
{
    for (QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<QAbstractItemView *>(p))
            w = p;
    return w;
}

QWidget *StepDlgControl(QWidget *from, bool forward)
{
    if (!from)
        return nullptr;
    QWidget *window = from->window();
    // The focus chain is a ring over the window's widgets; once round is enough.
    const int limit = int(window->findChildren<QWidget *>().size()) + 2;
    QWidget *w = from;
    for (int i = 0; i < limit; ++i) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return nullptr;
        if (w->window() != window || w->focusProxy())
            continue;
        QWidget *control = OwningControl(w, window);
        if (control == from || from->isAncestorOf(control) || control->isAncestorOf(from))
            continue;
        if ((control->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && control->isEnabled() && control->isVisibleTo(window)) {
            control->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return control;
        }
    }
    return nullptr;
}

} // namespace

QWidget *GoToNextDlgControl(QWidget *from)
{
    return StepDlgControl(from, true);
}

QWidget *GoToPrevDlgControl(QWidget *from)
{
    return StepDlgControl(from, false);
}

} // namespace marvok
