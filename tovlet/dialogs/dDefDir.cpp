#include "dDefDir.h"

#include <QApplication>
#include <QFileDialog>

namespace tovlet {

QString GetDefaultDirectoryDialog(const QString &Dir)
{
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), QStringLiteral("Izberi direktorij: "), Dir,
                                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    return chosen.isEmpty() ? Dir : chosen;
}

} // namespace tovlet
