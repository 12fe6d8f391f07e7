#include "SysUtils.h"
#include "Exception.h"

#include <QCollator>
#include <QLocale>
#include <cmath>
#include <cstdio>

namespace toolkit {

TFormatSettings TFormatSettings::Slovenian()
{
    TFormatSettings s;
    s.ShortDayNames = {QStringLiteral("ned"), QStringLiteral("pon"), QStringLiteral("tor"),
                       QStringLiteral("sre"), QStringLiteral("čet"), QStringLiteral("pet"),
                       QStringLiteral("sob")};
    s.LongDayNames = {QStringLiteral("nedelja"), QStringLiteral("ponedeljek"), QStringLiteral("torek"),
                      QStringLiteral("sreda"), QStringLiteral("četrtek"), QStringLiteral("petek"),
                      QStringLiteral("sobota")};
    s.ShortMonthNames = {QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                         QStringLiteral("apr"), QStringLiteral("maj"), QStringLiteral("jun"),
                         QStringLiteral("jul"), QStringLiteral("avg"), QStringLiteral("sep"),
                         QStringLiteral("okt"), QStringLiteral("nov"), QStringLiteral("dec")};
    s.LongMonthNames = {QStringLiteral("januar"), QStringLiteral("februar"), QStringLiteral("marec"),
                        QStringLiteral("april"), QStringLiteral("maj"), QStringLiteral("junij"),
                        QStringLiteral("julij"), QStringLiteral("avgust"), QStringLiteral("september"),
                        QStringLiteral("oktober"), QStringLiteral("november"), QStringLiteral("december")};
    return s;
}

TFormatSettings &FormatSettings()
{
    static TFormatSettings settings = TFormatSettings::Slovenian();
    return settings;
}

namespace {

// A finite value as decimal digits: value = 0.d1d2d3... * 10^Exp.
struct TDecimal
{
    bool Negative = false;
    QByteArray Digits; // no trailing zeros; empty for zero
    int Exp = 0;
};

TDecimal ToDecimal(double value, int precision)
{
    TDecimal d;
    precision = std::clamp(precision, 1, 18);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, value);
    QByteArray s(buf);
    if (s.startsWith('-')) {
        d.Negative = true;
        s.remove(0, 1);
    }
    const int e = s.indexOf('e');
    QByteArray mant = s.left(e);
    mant.replace(".", "");
    d.Exp = s.mid(e + 1).toInt() + 1;
    while (mant.endsWith('0'))
        mant.chop(1);
    d.Digits = mant;
    if (d.Digits.isEmpty()) {
        d.Exp = 0;
        d.Negative = false; // no "-0"
    }
    return d;
}

// Rounds (half away from zero) so that at most `decimals` digits follow the point.
void RoundDecimals(TDecimal &d, int decimals)
{
    const int keep = d.Exp + decimals;
    if (keep >= d.Digits.size())
        return;
    if (keep < 0) {
        d.Digits.clear();
        d.Exp = 0;
        return;
    }
    const bool up = d.Digits.at(keep) >= '5';
    d.Digits.truncate(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits.at(i) == '9') {
            d.Digits[i] = '0';
            --i;
        }
        if (i < 0) {
            d.Digits.prepend('1');
            ++d.Exp;
        } else {
            d.Digits[i] = char(d.Digits.at(i) + 1);
        }
    }
    while (d.Digits.endsWith('0'))
        d.Digits.chop(1);
    if (d.Digits.isEmpty()) {
        d.Exp = 0;
        d.Negative = false;
    }
}

QString FixedText(const TDecimal &d, int decimals, const TFormatSettings &fs, bool thousands)
{
    QString intPart;
    if (d.Exp <= 0) {
        intPart = QStringLiteral("0");
    } else {
        for (int i = 0; i < d.Exp; ++i)
            intPart += QLatin1Char(i < d.Digits.size() ? d.Digits.at(i) : '0');
    }
    if (thousands) {
        for (int pos = intPart.size() - 3; pos > 0; pos -= 3)
            intPart.insert(pos, fs.ThousandSeparator);
    }
    QString frac;
    for (int i = 0; i < decimals; ++i) {
        const int idx = d.Exp + i;
        frac += QLatin1Char(idx >= 0 && idx < d.Digits.size() ? d.Digits.at(idx) : '0');
    }
    QString r = d.Negative ? QStringLiteral("-") : QString();
    r += intPart;
    if (decimals > 0)
        r += fs.DecimalSeparator + frac;
    return r;
}

QString ExponentText(const TDecimal &d, int mantissaDigits, int expDigits, bool forceSign,
                     const TFormatSettings &fs)
{
    QString r = d.Negative ? QStringLiteral("-") : QString();
    const QByteArray digits = d.Digits.isEmpty() ? QByteArray("0") : d.Digits;
    r += QLatin1Char(digits.at(0));
    QString rest;
    for (int i = 1; i < mantissaDigits; ++i)
        rest += QLatin1Char(i < digits.size() ? digits.at(i) : '0');
    if (!rest.isEmpty())
        r += fs.DecimalSeparator + rest;
    const int e = d.Digits.isEmpty() ? 0 : d.Exp - 1;
    r += QLatin1Char('E');
    if (e < 0)
        r += QLatin1Char('-');
    else if (forceSign)
        r += QLatin1Char('+');
    r += QString::number(std::abs(e)).rightJustified(expDigits, QLatin1Char('0'));
    return r;
}

QString NonFinite(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
}

} // namespace

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings &settings)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    precision = std::clamp(precision, 1, 18);
    TDecimal d = ToDecimal(value, precision);
    switch (format) {
    case TFloatFormat::ffGeneral: {
        const bool fixed = d.Digits.isEmpty() || (d.Exp <= precision && std::fabs(value) >= 0.00001);
        if (fixed)
            return FixedText(d, std::max(0, int(d.Digits.size()) - d.Exp), settings, false);
        return ExponentText(d, int(d.Digits.size()), std::clamp(digits, 0, 4), false, settings);
    }
    case TFloatFormat::ffExponent:
        return ExponentText(d, precision, std::clamp(digits, 0, 4), true, settings);
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber: {
        if (d.Exp > precision)
            return ExponentText(d, int(d.Digits.size()), 0, false, settings);
        digits = std::clamp(digits, 0, 18);
        RoundDecimals(d, digits);
        return FixedText(d, digits, settings, format == TFloatFormat::ffNumber);
    }
    }
    return {};
}

QString FloatToStr(double value, const TFormatSettings &settings)
{
    return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0, settings);
}

bool TryStrToFloat(const QString &text, double &value, const TFormatSettings &settings)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    if (settings.DecimalSeparator != QLatin1Char('.')) {
        if (t.contains(QLatin1Char('.')))
            return false;
        t.replace(settings.DecimalSeparator, QLatin1Char('.'));
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        return false;
    value = v;
    return true;
}

double StrToFloat(const QString &text, const TFormatSettings &settings)
{
    double v = 0;
    if (!TryStrToFloat(text, v, settings))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return v;
}

bool TryStrToInt(const QString &text, int &value)
{
    QString t = text.trimmed();
    bool ok = false;
    int v = 0;
    if (t.startsWith(QLatin1Char('$')))
        v = t.mid(1).toInt(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toInt(&ok, 16);
    else
        v = t.toInt(&ok, 10);
    if (ok)
        value = v;
    return ok;
}

int StrToInt(const QString &text)
{
    int v = 0;
    if (!TryStrToInt(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

int StrToIntDef(const QString &text, int defaultValue)
{
    int v = 0;
    return TryStrToInt(text, v) ? v : defaultValue;
}

namespace {

QCollator &Collator(bool caseSensitive)
{
    // One collator per thread and case mode, rebuilt when a host changes the locale.
    thread_local QString locale;
    thread_local QCollator insensitive;
    thread_local QCollator sensitive;
    if (locale != FormatSettings().CollationLocale) {
        locale = FormatSettings().CollationLocale;
        insensitive = QCollator(QLocale(locale));
        insensitive.setCaseSensitivity(Qt::CaseInsensitive);
        sensitive = QCollator(QLocale(locale));
        sensitive.setCaseSensitivity(Qt::CaseSensitive);
    }
    return caseSensitive ? sensitive : insensitive;
}

} // namespace

int AnsiCompareText(const QString &a, const QString &b)
{
    const int r = Collator(false).compare(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int AnsiCompareStr(const QString &a, const QString &b)
{
    int r = Collator(true).compare(a, b);
    if (r == 0)
        r = a.compare(b); // the collation may see different texts as equal
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool SameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// --- Format ---------------------------------------------------------------

namespace {

[[noreturn]] void FormatError(const QString &format)
{
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
}

bool IsIntegral(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsFloating(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float || IsIntegral(v);
}

} // namespace

QString Format(const QString &format, std::initializer_list<QVariant> args)
{
    return Format(format, QVariantList(args));
}

QString Format(const QString &format, const QVariantList &args)
{
    const TFormatSettings &fs = FormatSettings();
    QString out;
    int argIndex = 0;
    const int n = int(format.size());
    int i = 0;
    while (i < n) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i >= n)
            FormatError(format);
        if (format.at(i) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        auto readNumber = [&](int &value) -> bool {
            if (i < n && format.at(i) == QLatin1Char('*')) {
                if (argIndex >= args.size() || !IsIntegral(args.at(argIndex)))
                    FormatError(format);
                value = args.at(argIndex++).toInt();
                ++i;
                return true;
            }
            bool any = false;
            value = 0;
            while (i < n && format.at(i).isDigit()) {
                value = value * 10 + format.at(i).digitValue();
                if (value > 100000)
                    FormatError(format);
                any = true;
                ++i;
            }
            return any;
        };
        int num = 0;
        bool leftAlign = false;
        int width = -1;
        int prec = -1;
        // An index "n:" or a width; they look alike until the colon.
        {
            int j = i, index = 0;
            while (j < n && format.at(j).isDigit() && index <= 100000)
                index = index * 10 + format.at(j++).digitValue();
            if (j > i && j < n && format.at(j) == QLatin1Char(':')) {
                argIndex = index;
                i = j + 1;
            }
        }
        if (i < n && format.at(i) == QLatin1Char('-')) {
            leftAlign = true;
            ++i;
        }
        if (readNumber(num))
            width = num;
        if (i < n && format.at(i) == QLatin1Char('.')) {
            ++i;
            if (!readNumber(num))
                num = 0;
            prec = num;
        }
        if (i >= n || argIndex >= args.size())
            FormatError(format);
        const QChar type = format.at(i).toLower();
        ++i;
        const QVariant &arg = args.at(argIndex++);
        QString piece;
        switch (type.unicode()) {
        case 'd':
        case 'u': {
            if (!IsIntegral(arg))
                FormatError(format);
            qlonglong v = arg.toLongLong();
            if (type == QLatin1Char('u'))
                v = qlonglong(quint32(v));
            QString digits = QString::number(v < 0 ? -(qulonglong)v : (qulonglong)v);
            if (prec > 0)
                digits = digits.rightJustified(prec, QLatin1Char('0'));
            piece = (v < 0 ? QStringLiteral("-") : QString()) + digits;
            break;
        }
        case 'x': {
            if (!IsIntegral(arg))
                FormatError(format);
            const qlonglong v = arg.toLongLong();
            QString digits = v < 0 && v >= INT_MIN ? QString::number(quint32(v), 16)
                                                    : QString::number(qulonglong(v), 16);
            digits = digits.toUpper();
            if (prec > 0)
                digits = digits.rightJustified(prec, QLatin1Char('0'));
            piece = digits;
            break;
        }
        case 's':
            if (arg.typeId() != QMetaType::QString && arg.typeId() != QMetaType::QChar
                && arg.typeId() != QMetaType::QByteArray)
                FormatError(format);
            piece = arg.toString();
            if (prec >= 0)
                piece.truncate(prec);
            break;
        case 'f':
        case 'n':
        case 'm':
            if (!IsFloating(arg))
                FormatError(format);
            piece = FloatToStrF(arg.toDouble(), type == QLatin1Char('f') ? TFloatFormat::ffFixed : TFloatFormat::ffNumber,
                                18, prec < 0 ? 2 : prec, fs);
            break;
        case 'e':
            if (!IsFloating(arg))
                FormatError(format);
            piece = FloatToStrF(arg.toDouble(), TFloatFormat::ffExponent, prec < 0 ? 15 : prec, 3, fs);
            break;
        case 'g':
            if (!IsFloating(arg))
                FormatError(format);
            piece = FloatToStrF(arg.toDouble(), TFloatFormat::ffGeneral, prec < 0 ? 15 : prec, 3, fs);
            break;
        case 'p':
            piece = QString::number(arg.toULongLong(), 16).toUpper().rightJustified(16, QLatin1Char('0'));
            break;
        default:
            FormatError(format);
        }
        if (width > piece.size())
            piece = leftAlign ? piece.leftJustified(width) : piece.rightJustified(width);
        out += piece;
    }
    return out;
}

} // namespace toolkit
