#include "dAskBPL.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QSettings>
#include <QVBoxLayout>

namespace tovlet {

TdlgChooseBPLs::TdlgChooseBPLs(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Izberi knjižnice"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Izberi dodatne knjižnice iz seznama!"), this));
    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("clbKnjiznice"));
    layout->addWidget(FList);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("V redu"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Prekliči"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString TdlgChooseBPLs::SettingsFileName()
{
    return QApplication::applicationDirPath() + QStringLiteral("/MirLoc.ini");
}

QString TdlgChooseBPLs::GetBPLDescription(const QString &FileName)
{
    QPluginLoader loader(FileName);
    const QJsonObject meta = loader.metaData().value(QStringLiteral("MetaData")).toObject();
    return meta.value(QStringLiteral("Description")).toString();
}

bool TdlgChooseBPLs::ShowDialog(QStringList &List)
{
    QSettings settings(SettingsFileName(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("LoadBPLs"));
    FList->clear();
    for (const QString &file : std::as_const(List)) {
        const QString name = QFileInfo(file).fileName();
        const QString desc = GetBPLDescription(file);
        auto *item = new QListWidgetItem(desc.isEmpty() ? name : name + QStringLiteral(" – ") + desc, FList);
        item->setData(Qt::UserRole, file);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(settings.value(name, true).toBool() ? Qt::Checked : Qt::Unchecked);
    }
    if (exec() != QDialog::Accepted)
        return false;
    QStringList kept;
    for (int i = 0; i < FList->count(); ++i) {
        const QString file = FList->item(i)->data(Qt::UserRole).toString();
        const bool load = FList->item(i)->checkState() == Qt::Checked;
        settings.setValue(QFileInfo(file).fileName(), load);
        if (load)
            kept << file;
    }
    List = kept;
    return true;
}

} // namespace tovlet
