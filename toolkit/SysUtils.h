// Format settings and the text conversions of the original toolkit:
// Format with its "%.2d"-style specifiers, float to text and back.
// The settings start Slovenian and a host may change them at run time.
#pragma once

#include "toolkit/toolkit_export.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <initializer_list>

namespace toolkit {

struct TOOLKIT_EXPORT TFormatSettings
{
    QChar DateSeparator = QLatin1Char('.');
    QChar TimeSeparator = QLatin1Char(':');
    QChar DecimalSeparator = QLatin1Char(',');
    QChar ThousandSeparator = QLatin1Char('.');
    QString ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    QString LongDateFormat = QStringLiteral("dddd, d. mmmm yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QString TimeAMString = QStringLiteral("dop.");
    QString TimePMString = QStringLiteral("pop.");
    QStringList ShortDayNames;   // [0] = Sunday
    QStringList LongDayNames;    // [0] = Sunday
    QStringList ShortMonthNames; // [0] = January
    QStringList LongMonthNames;  // [0] = January
    // Two-digit years are placed in the century that keeps them within this
    // many years before today (0 = always the current century).
    int TwoDigitYearCenturyWindow = 50;
    // Collation locale of the locale-aware text comparisons.
    QString CollationLocale = QStringLiteral("sl_SI");

    static TFormatSettings Slovenian();
};

// The process-wide settings every conversion uses unless given its own.
TOOLKIT_EXPORT TFormatSettings &FormatSettings();

// Delphi-style Format: %[index:][-][width][.precision]type with the types
// d u x s f e g n m p and %% ; raises EConvertError on a bad specifier or an
// argument of the wrong kind.
TOOLKIT_EXPORT QString Format(const QString &format, std::initializer_list<QVariant> args);
TOOLKIT_EXPORT QString Format(const QString &format, const QVariantList &args);

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber };

TOOLKIT_EXPORT QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                                   const TFormatSettings &settings = FormatSettings());
// General format with 15 significant digits ("0,5", "1E20").
TOOLKIT_EXPORT QString FloatToStr(double value, const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT bool TryStrToFloat(const QString &text, double &value,
                                  const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT double StrToFloat(const QString &text, const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT bool TryStrToInt(const QString &text, int &value);
TOOLKIT_EXPORT int StrToInt(const QString &text);
TOOLKIT_EXPORT int StrToIntDef(const QString &text, int defaultValue);

// Locale-aware comparisons: < 0, 0, > 0 (the original's AnsiCompareText and
// AnsiCompareStr, on the collation of the format settings).
TOOLKIT_EXPORT int AnsiCompareText(const QString &a, const QString &b);
TOOLKIT_EXPORT int AnsiCompareStr(const QString &a, const QString &b);
TOOLKIT_EXPORT bool SameText(const QString &a, const QString &b);

} // namespace toolkit
