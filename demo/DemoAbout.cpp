#include "DemoAbout.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace demo {

TdlgOProgramu::TdlgOProgramu(const QString &databaseFolder, int patientCount, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgOProgramu"));
    setWindowTitle(QStringLiteral("O programu"));
    auto *layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon, 0, 0, 4, 1);

    auto *title = new QLabel(QStringLiteral("Tovlet – demo ambulanta"), this);
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    title->setFont(big);
    layout->addWidget(title, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Knjižnica za zdravstveni informacijski sistem."), this), 1, 1);
    QString version = QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()));
    if (!QApplication::applicationVersion().isEmpty())
        version = QStringLiteral("Različica %1, %2").arg(QApplication::applicationVersion(), version);
    layout->addWidget(new QLabel(version, this), 2, 1);
    // The folder is for whoever looks after the computer: in the tool tip,
    // not in the user's way.
    auto *data = new QLabel(QStringLiteral("Podatki: vgrajena baza, pacientov %1").arg(patientCount), this);
    data->setObjectName(QStringLiteral("laPodatki"));
    data->setToolTip(QDir::toNativeSeparators(databaseFolder));
    layout->addWidget(data, 3, 1);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("V redu"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 4, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace demo
