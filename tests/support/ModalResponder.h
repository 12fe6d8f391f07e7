// Answers modal dialogs and message boxes in tests, so that nothing waits for
// a person. Every modal window that opens while the responder lives is
// handed to the next queued answer; one that arrives with no answer queued
// is rejected and recorded, and the test can fail on Unexpected().
//
// It watches the application's active modal widget, so it works with plain
// QDialog::exec() and QMessageBox, whoever opens them.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace tovlet::test {

class TModalResponder : public QObject
{
    Q_OBJECT
public:
    using TAnswer = std::function<void(QWidget *modal)>;

    explicit TModalResponder(QObject *parent = nullptr);
    ~TModalResponder() override;

    // The next modal window gets `answer`; it must close the window (accept,
    // reject, click a button) or the responder rejects it afterwards.
    void Expect(TAnswer answer);
    // The next modal window is a message box; the button is clicked.
    void AnswerMessageBox(QMessageBox::StandardButton button);
    void AcceptNext();
    void RejectNext();

    int Pending() const { return int(FAnswers.size()); }
    // "title | text" of every modal window seen, in order.
    QStringList Seen() const { return FSeen; }
    QStringList Unexpected() const { return FUnexpected; }
    // Text of a message box, or the window title of another dialog.
    static QString Describe(QWidget *modal);

private:
    void Poll();

    QQueue<TAnswer> FAnswers;
    QStringList FSeen;
    QStringList FUnexpected;
    QPointer<QWidget> FLast;
    QTimer FTimer;
};

} // namespace tovlet::test
