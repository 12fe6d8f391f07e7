#include "Iutils.h"

#include "toolkit/SysUtils.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <cmath>

namespace marvok {

double OracleRoundTo(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    if (decimals < 0) {
        const double scale = std::pow(10.0, -decimals);
        return OracleRoundTo(value / scale, 0) * scale;
    }
    // Through the decimal text of the value (15 significant digits), so that
    // values like 2.675 round as written, not as their binary neighbour.
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

QWidget *GetParentForm(QWidget *control)
{
    return control ? control->window() : nullptr;
}

} // namespace marvok
