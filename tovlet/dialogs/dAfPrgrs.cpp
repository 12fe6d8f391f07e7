#include "dAfPrgrs.h"

#include <QApplication>
#include <QVBoxLayout>

namespace tovlet {

TdlgProgress::TdlgProgress(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgProgress"));
    setWindowTitle(QStringLiteral("Obdelava"));
    auto *layout = new QVBoxLayout(this);
    FMessage = new QLabel(this);
    FMessage->setObjectName(QStringLiteral("laMessage"));
    FBar = new QProgressBar(this);
    FBar->setMaximum(100);
    FCancel = new QPushButton(QStringLiteral("Prekliči"), this);
    FCancel->setObjectName(QStringLiteral("btPreklici"));
    connect(FCancel, &QPushButton::clicked, this, [this] { FCancelled = true; });
    layout->addWidget(FMessage);
    layout->addWidget(FBar);
    layout->addWidget(FCancel, 0, Qt::AlignRight);
    resize(360, 110);
}

void TdlgProgress::OnShowProgress(QObject *, const QString &Message, int Position, int Max, bool Show, bool &Cancel)
{
    setVisible(Show);
    FMessage->setText(Message);
    FBar->setMaximum(Max);
    FBar->setValue(Position);
    QApplication::processEvents();
    Cancel = FCancelled;
}

} // namespace tovlet
