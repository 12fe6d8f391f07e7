#include "cSifra.h"
#include "Isifrant.h"

#include <QHBoxLayout>
#include <QKeyEvent>

namespace marvok {

TICustomSifra::TICustomSifra(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName(QStringLiteral("edSifra"));
    FEdit->installEventFilter(this);
    FButton = new QToolButton(this);
    FButton->setObjectName(QStringLiteral("btLookup"));
    FButton->setText(QStringLiteral("..."));
    FButton->setToolTip(QStringLiteral("Iskanje (F2)"));
    FButton->setFocusPolicy(Qt::NoFocus);
    FDescription = new QLabel(this);
    FDescription->setObjectName(QStringLiteral("laOpis"));
    FDescription->setMinimumWidth(120);
    layout->addWidget(FEdit);
    layout->addWidget(FButton);
    layout->addWidget(FDescription, 1);
    setFocusProxy(FEdit);
    connect(FButton, &QToolButton::clicked, this, [this] { Lookup(); });
    connect(FEdit, &QLineEdit::editingFinished, this, [this] {
        if (!FShortDesc) {
            const QString c = Canonical(FEdit->text());
            if (!c.isEmpty() && Exists(c) && c != FEdit->text())
                FEdit->setText(c);
        }
        RefreshResponse();
        Q_EMIT codeChanged(GetCode());
    });
}

TICustomSifra::~TICustomSifra()
{
    // The edit goes with QWidget's destructor and may report losing focus;
    // by then the code-list lookups of the subclasses are gone.
    disconnect(FEdit, nullptr, this, nullptr);
}

void TICustomSifra::setAiSifrant(const QString &name)
{
    if (FSifrant == name)
        return;
    FSifrant = name;
    RefreshResponse();
}

void TICustomSifra::setAiShortDesc(bool value)
{
    if (FShortDesc == value)
        return;
    const QString code = GetCode();
    FShortDesc = value;
    SetCode(code);
}

void TICustomSifra::SetText(const QString &text)
{
    FEdit->setText(text);
    RefreshResponse();
}

QString TICustomSifra::GetCode() const
{
    return FShortDesc ? CodeOfShortText(FEdit->text()) : Canonical(FEdit->text());
}

void TICustomSifra::SetCode(const QString &code)
{
    const QString c = Canonical(code);
    FEdit->setText(FShortDesc && Exists(c) ? ShortTextOf(c) : c);
    RefreshResponse();
}

void TICustomSifra::RefreshResponse()
{
    const QString code = GetCode();
    QPalette pal = FDescription->palette();
    if (code.trimmed().isEmpty()) {
        FDescription->clear();
    } else if (Exists(code)) {
        FDescription->setText(FShortDesc ? QString() : DescriptionOf(code));
        pal.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    } else {
        FDescription->setText(QStringLiteral("Neznana šifra!"));
        pal.setColor(QPalette::WindowText, Qt::red);
    }
    FDescription->setPalette(pal);
}

TfmCustomKatalog *TICustomSifra::CreateSearchForm()
{
    return Sifranti().CreateSearchForm(FSifrant, this);
}

void TICustomSifra::Accept(const QString &code)
{
    SetCode(code);
}

bool TICustomSifra::Lookup()
{
    if (FSifrant.isEmpty())
        return false;
    std::unique_ptr<TfmCustomKatalog> form(CreateSearchForm());
    form->setWindowTitle(QStringLiteral("Iskanje"));
    form->SetSearchText(FShortDesc ? FEdit->text() : FEdit->text().section(QLatin1Char(','), -1).trimmed());
    const bool ok = form->exec() == QDialog::Accepted && !form->SelectedCode().isEmpty();
    if (ok) {
        Accept(form->SelectedCode());
        Q_EMIT codeChanged(GetCode());
    }
    FEdit->setFocus();
    return ok;
}

bool TICustomSifra::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FEdit && event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F2) {
        Lookup();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// --- TISifra ---------------------------------------------------------------------------

QString TISifra::GetCode() const
{
    return FShortDesc ? Sifranti().CodeForText(FSifrant, FEdit->text()) : Canonical(FEdit->text());
}

bool TISifra::Exists(const QString &code) const
{
    return Sifranti().CodeExists(FSifrant, code);
}

QString TISifra::Canonical(const QString &code) const
{
    return Sifranti().Canonical(FSifrant, code);
}

QString TISifra::DescriptionOf(const QString &code) const
{
    return Sifranti().Description(FSifrant, code);
}

QString TISifra::ShortTextOf(const QString &code) const
{
    return Sifranti().ShortDescription(FSifrant, code);
}

QString TISifra::CodeOfShortText(const QString &text) const
{
    return Sifranti().CodeForText(FSifrant, text);
}

// --- TISkupSifra -------------------------------------------------------------------------

TISkupSifra::TISkupSifra(QWidget *parent)
    : TICustomSifra(parent)
{
    // Letters become capitals as they are typed, not only when the edit is left.
    connect(FEdit, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (FUpperCase && t != t.toUpper()) {
            const int pos = FEdit->cursorPosition();
            FEdit->setText(t.toUpper());
            FEdit->setCursorPosition(pos);
        }
    });
}

void TISkupSifra::setAiUpperCase(bool v)
{
    if (FUpperCase == v)
        return;
    FUpperCase = v;
    if (v)
        FEdit->setText(FEdit->text().toUpper());
}

TfmCustomKatalog *TISkupSifra::CreateSearchForm()
{
    return SkupSifranti().CreateSearchForm(FSifrant, this);
}

bool TISkupSifra::Exists(const QString &code) const
{
    return SkupSifranti().CodeExists(FSifrant, Canonical(code));
}

QString TISkupSifra::Canonical(const QString &code) const
{
    return FUpperCase ? code.trimmed().toUpper() : code.trimmed();
}

QString TISkupSifra::DescriptionOf(const QString &code) const
{
    return SkupSifranti().Description(FSifrant, Canonical(code));
}

// --- TIMultiSkupSifra ----------------------------------------------------------------------

QStringList TIMultiSkupSifra::Codes() const
{
    QStringList r;
    for (const QString &c : FEdit->text().split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!c.trimmed().isEmpty())
            r << TISkupSifra::Canonical(c);
    return r;
}

bool TIMultiSkupSifra::Exists(const QString &code) const
{
    Q_UNUSED(code);
    for (const QString &c : Codes())
        if (!TISkupSifra::Exists(c))
            return false;
    return true;
}

QString TIMultiSkupSifra::Canonical(const QString &code) const
{
    QStringList parts;
    for (const QString &c : code.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!c.trimmed().isEmpty())
            parts << TISkupSifra::Canonical(c);
    return parts.join(QLatin1Char(','));
}

QString TIMultiSkupSifra::DescriptionOf(const QString &code) const
{
    Q_UNUSED(code);
    QStringList texts;
    for (const QString &c : Codes())
        texts << TISkupSifra::DescriptionOf(c);
    return texts.join(QStringLiteral(", "));
}

void TIMultiSkupSifra::Accept(const QString &code)
{
    QStringList codes = Codes();
    if (!codes.contains(code))
        codes << code;
    FEdit->setText(codes.join(QLatin1Char(',')));
    RefreshResponse();
}

} // namespace marvok
