// Dates, times and format texts typed by users or stored by hosts.
#include "toolkit/DateUtils.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    toolkit::TDateTime v = 0;
    if (toolkit::TryStrToDateTime(text, v))
        (void)toolkit::FormatDateTime(QStringLiteral("c"), v);
    (void)toolkit::TryStrToDate(text, v);
    (void)toolkit::FormatDateTime(text.left(64), 46361.5);
    double d = 0;
    if (toolkit::TryStrToFloat(text, d))
        (void)toolkit::FloatToStr(d);
    try {
        (void)toolkit::Format(text.left(64), {1, QStringLiteral("x"), 2.5});
    } catch (const toolkit::Exception &) {
    }
    return 0;
}
