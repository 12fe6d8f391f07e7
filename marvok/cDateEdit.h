// Date entry: the pop-up calendar TIDBDateForm and the date edit TIDateEdit.
//
// TIDBDateForm is a small frameless pop-up with a month calendar. It opens on
// DateEditInitialDate when a caller set it (and clears it, so that it serves
// one opening), else on the date of the control that opens it, else on the
// working date. Enter or a double click picks the day: OnDateSelected hears
// it and the form closes; Escape or a click elsewhere closes it without a
// choice. OnHide hears every closing; a handler that releases the form
// does so with deleteLater. The owner owns the form.
//
// TIDateEdit is a date field for forms: the date as "dd.mm.yyyy" text with a
// button that opens the calendar (also F4 or Alt+Down). An empty text is no
// date (0). Text that is no date stays as typed and the control shows an
// error (aiError) until the text is a date again; nothing typed is lost.
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/DateUtils.h"

#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
#include <QWidget>
#include <functional>

class QCalendarWidget;

namespace marvok {

// The date the next calendar opens on; 0 when nobody set one.
MARVOK_EXPORT extern toolkit::TDateTime DateEditInitialDate;

// Reads "d.m.yyyy" (one or two digits for day and month) into a date; a year
// before 1801 is no date.
MARVOK_EXPORT bool TryDateEditTextToDate(const QString &text, toolkit::TDateTime &date);

class MARVOK_EXPORT TIDBDateForm : public QWidget
{
    Q_OBJECT
public:
    using TIDateSelectedEvent = std::function<void(QObject *sender, toolkit::TDateTime date)>;
    using TINotifyEvent = std::function<void(QObject *sender)>;

    explicit TIDBDateForm(QWidget *owner);

    // The date of the control that opens the form (0: none).
    void SetControlDate(toolkit::TDateTime date) { FControlDate = date; }
    // Shows the form with its top-left corner at `globalPos`.
    void Popup(const QPoint &globalPos);
    // The day the calendar shows selected.
    toolkit::TDateTime Date() const;
    QCalendarWidget *Calendar() const { return FCalendar; }

    TIDateSelectedEvent OnDateSelected;
    TINotifyEvent OnHide;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Pick();
    QCalendarWidget *FCalendar;
    toolkit::TDateTime FControlDate = 0;
    bool FPicking = false;
};

class MARVOK_EXPORT TIDateEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool aiError READ aiError NOTIFY errorChanged)
public:
    explicit TIDateEdit(QWidget *parent = nullptr);

    // 0 when the text is empty or no date.
    toolkit::TDateTime Date() const;
    // 0 empties the field.
    void SetDate(toolkit::TDateTime date);
    QString Text() const { return FEdit->text(); }
    void SetText(const QString &text);
    bool IsEmpty() const { return FEdit->text().trimmed().isEmpty(); }
    // The text is neither empty nor a date.
    bool aiError() const { return FError; }
    // Opens the calendar below the field.
    void DropDown();
    // Checks the text as leaving the field does before a dialog confirms
    // (see CommitFocusedEditor): a text that is no date is reported and
    // the field keeps it and the focus.
    Q_INVOKABLE bool CommitEdit();

    QLineEdit *Edit() const { return FEdit; }
    QToolButton *Button() const { return FButton; }
    // The calendar while it is open.
    TIDBDateForm *CalendarForm() const { return FCalendar; }

Q_SIGNALS:
    // The date the field holds changed (typed and confirmed, or picked).
    void dateChanged(double date);
    void errorChanged(bool error);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Reads the text: a date is written in the field's form, other text kept.
    void CheckText();
    void SetError(bool error);
    QLineEdit *FEdit;
    QToolButton *FButton;
    QPointer<TIDBDateForm> FCalendar;
    toolkit::TDateTime FDate = 0;
    bool FError = false;
};

} // namespace marvok
