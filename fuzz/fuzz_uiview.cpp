// Stored views come from application parameters a user (or an older version,
// or a hand edit) wrote, and filters are typed: any stored text must load or
// fail with an error, and what loads must write back to a text that reads
// back to itself; any filter must convert without a crash or a hang.
#include "tovlet/views/CuiVList.h"

#include "toolkit/Exception.h"

#include <QApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_uiview";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        return new QApplication(argc, argv);
    }();
    Q_UNUSED(app);
    if (size == 0)
        return 0;
    const bool expand = data[0] & 1;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    tovlet::FGetReportName = [](const QString &f, const QString &c, const QString &, bool, bool) {
        return QStringLiteral("%1 IN (%2)").arg(f, c);
    };
    tovlet::TiUIView view(QStringLiteral("F"), {}, text);
    view.setAiExpandOrgNodeTree(expand);
    try {
        (void)view.FilterExpToSQL(text);
        (void)view.CalculateFilterVariables(text);
    } catch (const toolkit::Exception &) {
    }

    static tovlet::TIUIViewList list;
    try {
        list.LoadViewFromString(text);
    } catch (const toolkit::Exception &) {
        return 0;
    }
    const QString written = list.SaveViewToString();
    list.LoadViewFromString(written);
    if (list.SaveViewToString() != written) {
        qWarning("written: %s\nread back: %s", qPrintable(written), qPrintable(list.SaveViewToString()));
        std::abort();
    }
    return 0;
}
