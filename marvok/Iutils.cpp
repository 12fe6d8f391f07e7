#include "Iutils.h"

#include "toolkit/SysUtils.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <cmath>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace marvok {

double OracleRoundTo(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    if (decimals < 0) {
        const double scale = std::pow(10.0, -decimals);
        return OracleRoundTo(value / scale, 0) * scale;
    }
    // Away from a tie the scaled value rounds directly (the common, fast case).
    if (decimals <= 9 && std::fabs(value) < 1e9) {
        static const double powers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
        const double p = powers[decimals];
        const double scaled = value * p;
        const double frac = std::fabs(scaled - std::trunc(scaled));
        if (std::fabs(frac - 0.5) > 1e-6)
            return std::round(scaled) / p;
    }
    // Near a tie, through the decimal text of the value (15 significant
    // digits), so that 2.675 rounds as written, not as its binary neighbour.
    toolkit::TFormatSettings plain = toolkit::FormatSettings();
    plain.DecimalSeparator = QLatin1Char('.');
    const QString text = toolkit::FloatToStrF(value, toolkit::TFloatFormat::ffFixed, 15, std::min(decimals, 18), plain);
    bool ok = false;
    const double r = QLocale::c().toDouble(text, &ok);
    return ok ? r : value;
}

toolkit::TDateTime DatePart(toolkit::TDateTime value)
{
    return toolkit::DateOf(value);
}

int IMinutesBetween(toolkit::TDateTime a, toolkit::TDateTime b)
{
    return int(toolkit::MinutesBetween(a, b));
}

int maxI(int a, int b)
{
    return a > b ? a : b;
}

int BitsPerPixel()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->depth() : 0;
}

void TrimMemoryUsage()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

QWidget *GetParentForm(QWidget *control)
{
    return control ? control->window() : nullptr;
}

} // namespace marvok
