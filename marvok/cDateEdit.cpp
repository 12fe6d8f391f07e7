#include "cDateEdit.h"
#include "Idialogs.h"
#include "Igl.h"
#include "cControls.h"

#include "toolkit/Exception.h"

#include <QCalendarWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>

namespace marvok {

toolkit::TDateTime DateEditInitialDate = 0;

bool TryDateEditTextToDate(const QString &text, toolkit::TDateTime &date)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    const int year = m.captured(3).toInt();
    toolkit::TDateTime d = 0;
    if (year <= 1800 || !toolkit::TryEncodeDate(year, m.captured(2).toInt(), m.captured(1).toInt(), d))
        return false;
    date = d;
    return true;
}

// --- the pop-up calendar ------------------------------------------------------------

TIDBDateForm::TIDBDateForm(QWidget *owner)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("IDBDateForm"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    FCalendar = new QCalendarWidget(this);
    FCalendar->setObjectName(QStringLiteral("calDate"));
    FCalendar->setFirstDayOfWeek(Qt::Monday);
    FCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    layout->addWidget(FCalendar);
    // Enter and a double click both come as `activated`; a single click only moves.
    connect(FCalendar, &QCalendarWidget::activated, this, [this] { Pick(); });
    FCalendar->installEventFilter(this);
    for (QWidget *w : FCalendar->findChildren<QWidget *>())
        w->installEventFilter(this);
}

void TIDBDateForm::Popup(const QPoint &globalPos)
{
    adjustSize();
    QPoint p = globalPos;
    // Kept on the screen: a field at the bottom edge opens its calendar above the edge.
    if (const QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        p.setX(std::clamp(p.x(), area.left(), std::max(area.left(), area.right() - width())));
        p.setY(std::clamp(p.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    move(p);
    show();
}

toolkit::TDateTime TIDBDateForm::Date() const
{
    return toolkit::FromQDate(FCalendar->selectedDate());
}

void TIDBDateForm::showEvent(QShowEvent *event)
{
    toolkit::TDateTime start = DateEditInitialDate;
    DateEditInitialDate = 0; // one opening only: the next caller sets its own
    if (start == 0)
        start = FControlDate;
    if (start == 0)
        start = ISystemParameters().GetWorkingDate();
    FCalendar->setSelectedDate(toolkit::ToQDate(toolkit::DateOf(start)));
    QWidget::showEvent(event);
    FCalendar->setFocus(Qt::PopupFocusReason);
}

void TIDBDateForm::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (OnHide) {
        try {
            OnHide(this);
        } catch (const toolkit::Exception &e) {
            toolkit::HandleException(e);
        }
    }
}

bool TIDBDateForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close(); // no choice made
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TIDBDateForm::Pick()
{
    if (FPicking)
        return;
    FPicking = true;
    const toolkit::TDateTime date = Date();
    const QPointer<TIDBDateForm> self(this); // the handler may release the form
    try {
        if (OnDateSelected)
            OnDateSelected(this, date);
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e);
    }
    if (!self)
        return;
    FPicking = false;
    close();
}

// --- the date edit ------------------------------------------------------------------------

TIDateEdit::TIDateEdit(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName(QStringLiteral("edDate"));
    FEdit->setPlaceholderText(QStringLiteral("dd.mm.llll"));
    FEdit->setMaxLength(20); // room for a mistyped date, which is kept
    FEdit->installEventFilter(this);
    layout->addWidget(FEdit, 1);
    FButton = new QToolButton(this);
    FButton->setObjectName(QStringLiteral("btCalendar"));
    FButton->setText(QStringLiteral("..."));
    FButton->setToolTip(QStringLiteral("Koledar"));
    FButton->setFocusPolicy(Qt::NoFocus); // Tab goes from the date to the next field
    layout->addWidget(FButton);
    setFocusProxy(FEdit);
    connect(FButton, &QToolButton::clicked, this, [this] { DropDown(); });
    connect(FEdit, &QLineEdit::editingFinished, this, [this] { CheckText(); });
}

toolkit::TDateTime TIDateEdit::Date() const
{
    return FError ? 0 : FDate;
}

void TIDateEdit::SetDate(toolkit::TDateTime date)
{
    const toolkit::TDateTime d = toolkit::DateOf(date);
    FEdit->setText(d == 0 ? QString() : toolkit::FormatDateTime(QStringLiteral("dd.mm.yyyy"), d));
    FEdit->setModified(false);
    SetError(false);
    if (d != FDate) {
        FDate = d;
        Q_EMIT dateChanged(FDate);
    }
}

void TIDateEdit::SetText(const QString &text)
{
    FEdit->setText(text);
    CheckText();
}

void TIDateEdit::CheckText()
{
    const QString text = FEdit->text();
    toolkit::TDateTime d = 0;
    if (text.trimmed().isEmpty()) {
        SetDate(0);
    } else if (TryDateEditTextToDate(text, d)) {
        SetDate(d);
    } else {
        // What was typed stays for the user to correct; the date it replaced
        // is no longer what the field says.
        SetError(true);
        FEdit->setToolTip(QStringLiteral("»%1« ni veljaven datum (dd.mm.llll).").arg(text));
    }
}

void TIDateEdit::SetError(bool error)
{
    if (!error)
        FEdit->setToolTip(QString());
    if (FError == error)
        return;
    FError = error;
    SetControlColor(FEdit, error ? toolkit::RGB(255, 192, 192) : toolkit::clDefault);
    Q_EMIT errorChanged(error);
}

void TIDateEdit::DropDown()
{
    if (FCalendar && FCalendar->isVisible())
        return;
    CheckText();
    FCalendar = new TIDBDateForm(this);
    FCalendar->setAttribute(Qt::WA_DeleteOnClose);
    FCalendar->SetControlDate(FError ? 0 : FDate);
    FCalendar->OnDateSelected = [this](QObject *, toolkit::TDateTime date) {
        SetDate(date);
        FEdit->setFocus();
    };
    FCalendar->Popup(mapToGlobal(QPoint(0, height())));
}

bool TIDateEdit::CommitEdit()
{
    CheckText();
    if (!FError)
        return true;
    IMessageDlg(QStringLiteral("»%1« ni veljaven datum. Vnesite datum v obliki dd.mm.llll.").arg(FEdit->text()), mtError, mbOK);
    FEdit->setFocus();
    FEdit->selectAll();
    return false;
}

bool TIDateEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FEdit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F4 || (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier))) {
            DropDown();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace marvok
