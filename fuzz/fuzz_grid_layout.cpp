// A grid's layout text comes from a user's stored settings, possibly edited
// by hand or written by an older version: any text must give a grid or a
// clear column list, never a crash or a hang, and what the grid writes back
// must read back to itself.
#include "tovlet/grids/cMirGrid.h"

#include <QApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_grid_layout";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        return new QApplication(argc, argv);
    }();
    Q_UNUSED(app);
    static tovlet::TIMireloDBGrid grid;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    grid.SetSettingsDetail(text);
    const QString written = grid.GetSettingsDetail();
    grid.SetSettingsDetail(written);
    if (grid.GetSettingsDetail() != written) {
        qWarning("written: %s\nread back: %s", qPrintable(written), qPrintable(grid.GetSettingsDetail()));
        std::abort();
    }
    return 0;
}
