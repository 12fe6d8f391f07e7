#include "ModalResponder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace tovlet::test {

TModalResponder::TModalResponder(QObject *parent)
    : QObject(parent)
{
    FTimer.setInterval(10);
    connect(&FTimer, &QTimer::timeout, this, &TModalResponder::Poll);
    FTimer.start();
}

TModalResponder::~TModalResponder() = default;

void TModalResponder::Expect(TAnswer answer)
{
    FAnswers.enqueue(std::move(answer));
}

void TModalResponder::AnswerMessageBox(QMessageBox::StandardButton button)
{
    Expect([button](QWidget *w) {
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            if (QAbstractButton *b = box->button(button)) {
                b->click();
                return;
            }
        }
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
    });
}

void TModalResponder::AcceptNext()
{
    Expect([](QWidget *w) {
        if (auto *d = qobject_cast<QDialog *>(w))
            d->accept();
    });
}

void TModalResponder::RejectNext()
{
    Expect([](QWidget *w) {
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
    });
}

QString TModalResponder::Describe(QWidget *modal)
{
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        return box->windowTitle() + QLatin1String(" | ") + box->text();
    return modal->windowTitle() + QLatin1String(" | ") + QString::fromLatin1(modal->metaObject()->className());
}

void TModalResponder::Poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == FLast)
        return;
    FLast = modal;
    FSeen.append(Describe(modal));
    QPointer<QWidget> guard(modal);
    if (FAnswers.isEmpty()) {
        FUnexpected.append(Describe(modal));
    } else {
        const TAnswer answer = FAnswers.dequeue();
        answer(modal);
    }
    // Whatever the answer did, the window must not stay open and block the test.
    if (guard && guard->isVisible()) {
        if (auto *d = qobject_cast<QDialog *>(guard.data()))
            d->reject();
        else
            guard->close();
    }
}

} // namespace tovlet::test
