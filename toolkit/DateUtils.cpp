#include "DateUtils.h"
#include "Exception.h"

#include <cmath>

namespace toolkit {

namespace {

const qint64 JulianDayOfZero = QDate(1899, 12, 30).toJulianDay();
constexpr qint64 DateDelta = 693594; // days from 01.01.0001 to 30.12.1899

struct TTimeStamp
{
    qint64 Days = 0; // relative to 30.12.1899
    qint64 Time = 0; // milliseconds into the day
};

// The original rounds to whole milliseconds before splitting into date and
// time (half to even, as its floating-point unit did).
TTimeStamp ToTimeStamp(TDateTime value)
{
    const qint64 ms = qint64(std::nearbyint(value * double(MSecsPerDay)));
    return {ms / MSecsPerDay, std::llabs(ms) % MSecsPerDay};
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0) && ((year % 100 != 0) || (year % 400 == 0));
}

int DaysInAMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime &result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    result = double(QDate(year, month, day).toJulianDay() - JulianDayOfZero);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &result)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    result = double(qint64(hour) * 3600000 + qint64(min) * 60000 + sec * 1000 + msec) / double(MSecsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime r = 0;
    if (!TryEncodeTime(hour, min, sec, msec, r))
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec)
{
    const TDateTime d = EncodeDate(year, month, day);
    const TDateTime t = EncodeTime(hour, min, sec, msec);
    return d >= 0 ? d + t : d - t;
}

void DecodeDate(TDateTime value, int &year, int &month, int &day)
{
    const QDate d = QDate::fromJulianDay(JulianDayOfZero + ToTimeStamp(value).Days);
    year = d.year();
    month = d.month();
    day = d.day();
}

void DecodeTime(TDateTime value, int &hour, int &min, int &sec, int &msec)
{
    qint64 t = ToTimeStamp(value).Time;
    hour = int(t / 3600000);
    t %= 3600000;
    min = int(t / 60000);
    t %= 60000;
    sec = int(t / 1000);
    msec = int(t % 1000);
}

TDateTime DateOf(TDateTime value)
{
    return std::trunc(value);
}

TDateTime TimeOf(TDateTime value)
{
    return value - std::trunc(value);
}

int DayOfWeek(TDateTime value)
{
    const qint64 d = ToTimeStamp(value).Days + DateDelta;
    return int(((d % 7) + 7) % 7) + 1;
}

qint64 DateTimeToMilliseconds(TDateTime value)
{
    const TTimeStamp ts = ToTimeStamp(value);
    return (ts.Days + DateDelta) * MSecsPerDay + ts.Time;
}

qint64 MinutesBetween(TDateTime a, TDateTime b)
{
    return std::llabs(DateTimeToMilliseconds(a) - DateTimeToMilliseconds(b)) / 60000;
}

TDateTime IncMonth(TDateTime value, int months)
{
    int y, m, d;
    DecodeDate(value, y, m, d);
    int total = y * 12 + (m - 1) + months;
    y = total / 12;
    m = total % 12 + 1;
    d = std::min(d, DaysInAMonth(y, m));
    const TDateTime date = EncodeDate(y, m, d);
    const double time = std::fabs(value - std::trunc(value));
    return date >= 0 ? date + time : date - time;
}

TDateTime IncDay(TDateTime value, int days)
{
    return value + days;
}

TDateTime IncMinute(TDateTime value, qint64 minutes)
{
    // Through milliseconds so that repeated adds do not drift.
    const qint64 ms = DateTimeToMilliseconds(value) + minutes * 60000;
    const qint64 days = ms / MSecsPerDay - DateDelta;
    return double(days) + double(ms % MSecsPerDay) / double(MSecsPerDay);
}

TDateTime FromQDate(const QDate &date)
{
    return double(date.toJulianDay() - JulianDayOfZero);
}

TDateTime FromQDateTime(const QDateTime &dateTime)
{
    const double d = FromQDate(dateTime.date());
    const double t = double(dateTime.time().msecsSinceStartOfDay()) / double(MSecsPerDay);
    return d >= 0 ? d + t : d - t;
}

QDate ToQDate(TDateTime value)
{
    return QDate::fromJulianDay(JulianDayOfZero + ToTimeStamp(value).Days);
}

QDateTime ToQDateTime(TDateTime value)
{
    const TTimeStamp ts = ToTimeStamp(value);
    return QDateTime(QDate::fromJulianDay(JulianDayOfZero + ts.Days), QTime::fromMSecsSinceStartOfDay(int(ts.Time)));
}

TDateTime Now()
{
    return FromQDateTime(QDateTime::currentDateTime());
}

TDateTime Date()
{
    return FromQDate(QDate::currentDate());
}

// --- FormatDateTime -------------------------------------------------------

namespace {

void AppendFormatted(QString &out, const QString &format, TDateTime value, const TFormatSettings &fs, int nesting);

void AppendNumber(QString &out, int value, int digits)
{
    out += QString::number(value).rightJustified(digits, QLatin1Char('0'));
}

bool StartsWithCI(const QString &s, int pos, QLatin1String what)
{
    return QStringView(s).mid(pos).startsWith(what, Qt::CaseInsensitive);
}

void AppendFormatted(QString &out, const QString &format, TDateTime value, const TFormatSettings &fs, int nesting)
{
    if (nesting > 2)
        return; // a format naming itself through the settings
    int year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
    const int dow = DayOfWeek(value) - 1;
    QChar lastToken = QLatin1Char(' ');
    const int n = int(format.size());
    int p = 0;
    auto count = [&](QChar token) {
        int c = 1;
        while (p + c < n && format.at(p + c).toUpper() == token)
            ++c;
        return c;
    };
    while (p < n) {
        const QChar ch = format.at(p);
        QChar token = ch.toUpper();
        if (token >= QLatin1Char('A') && token <= QLatin1Char('Z')) {
            if (token == QLatin1Char('M') && lastToken == QLatin1Char('H'))
                token = QLatin1Char('N');
            lastToken = token;
        }
        switch (token.unicode()) {
        case 'Y': {
            const int c = count(QLatin1Char('Y'));
            if (c <= 2)
                AppendNumber(out, year % 100, 2);
            else
                AppendNumber(out, year, 4);
            p += c;
            break;
        }
        case 'M': {
            const int c = count(QLatin1Char('M'));
            if (c <= 2)
                AppendNumber(out, month, c);
            else if (c == 3)
                out += fs.ShortMonthNames.value(month - 1);
            else
                out += fs.LongMonthNames.value(month - 1);
            p += c;
            break;
        }
        case 'D': {
            const int c = count(QLatin1Char('D'));
            if (c <= 2)
                AppendNumber(out, day, c);
            else if (c == 3)
                out += fs.ShortDayNames.value(dow);
            else if (c == 4)
                out += fs.LongDayNames.value(dow);
            else if (c == 5)
                AppendFormatted(out, fs.ShortDateFormat, value, fs, nesting + 1);
            else
                AppendFormatted(out, fs.LongDateFormat, value, fs, nesting + 1);
            p += c;
            break;
        }
        case 'H': {
            // "m" right after a letter "m" in the source would count with it;
            // the hour token itself counts only h's.
            int c = count(QLatin1Char('H'));
            bool use12 = false;
            bool quoted = false;
            for (int q = p + c; q < n; ++q) {
                const QChar a = format.at(q);
                if ((a == QLatin1Char('A') || a == QLatin1Char('a')) && !quoted) {
                    use12 = StartsWithCI(format, q, QLatin1String("am/pm")) || StartsWithCI(format, q, QLatin1String("a/p"))
                            || StartsWithCI(format, q, QLatin1String("ampm"));
                    break;
                }
                if ((a == QLatin1Char('H') || a == QLatin1Char('h')) && !quoted)
                    break;
                if (a == QLatin1Char('\'') || a == QLatin1Char('"'))
                    quoted = !quoted;
            }
            int h = hour;
            if (use12)
                h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
            AppendNumber(out, h, std::min(c, 2));
            p += c;
            break;
        }
        case 'N': {
            const QChar src = ch.toUpper(); // an "m" taken as minutes counts m's
            const int c = count(src);
            AppendNumber(out, min, std::min(c, 2));
            p += c;
            break;
        }
        case 'S': {
            const int c = count(QLatin1Char('S'));
            AppendNumber(out, sec, std::min(c, 2));
            p += c;
            break;
        }
        case 'Z': {
            const int c = count(QLatin1Char('Z'));
            AppendNumber(out, msec, c <= 2 ? 1 : 3);
            p += c;
            break;
        }
        case 'T': {
            const int c = count(QLatin1Char('T'));
            AppendFormatted(out, c == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, value, fs, nesting + 1);
            p += c;
            break;
        }
        case 'C': {
            const int c = count(QLatin1Char('C'));
            AppendFormatted(out, fs.ShortDateFormat, value, fs, nesting + 1);
            if (hour != 0 || min != 0 || sec != 0 || msec != 0) {
                out += QLatin1Char(' ');
                AppendFormatted(out, fs.LongTimeFormat, value, fs, nesting + 1);
            }
            p += c;
            break;
        }
        case 'A': {
            if (StartsWithCI(format, p, QLatin1String("am/pm"))) {
                // The letters are copied as written, so "AM/PM" gives "PM", "am/pm" "pm".
                out += format.mid(hour >= 12 ? p + 3 : p, 2);
                p += 5;
            } else if (StartsWithCI(format, p, QLatin1String("a/p"))) {
                out += format.at(hour >= 12 ? p + 2 : p);
                p += 3;
            } else if (StartsWithCI(format, p, QLatin1String("ampm"))) {
                out += hour >= 12 ? fs.TimePMString : fs.TimeAMString;
                p += 4;
            } else {
                out += ch;
                ++p;
            }
            break;
        }
        case '/':
            out += fs.DateSeparator;
            ++p;
            break;
        case ':':
            out += fs.TimeSeparator;
            ++p;
            break;
        case '\'':
        case '"': {
            const int close = format.indexOf(ch, p + 1);
            if (close < 0) {
                out += format.mid(p + 1);
                p = n;
            } else {
                out += format.mid(p + 1, close - p - 1);
                p = close + 1;
            }
            break;
        }
        default:
            out += ch;
            ++p;
            break;
        }
    }
}

} // namespace

QString FormatDateTime(const QString &format, TDateTime value, const TFormatSettings &settings)
{
    QString out;
    AppendFormatted(out, format.isEmpty() ? QStringLiteral("c") : format, value, settings, 0);
    return out;
}

QString DateToStr(TDateTime value, const TFormatSettings &settings)
{
    return FormatDateTime(settings.ShortDateFormat, value, settings);
}

QString TimeToStr(TDateTime value, const TFormatSettings &settings)
{
    return FormatDateTime(settings.LongTimeFormat, value, settings);
}

QString DateTimeToStr(TDateTime value, const TFormatSettings &settings)
{
    return FormatDateTime(QStringLiteral("c"), value, settings);
}

// --- parsing --------------------------------------------------------------

namespace {

bool ParseNumber(QStringView s, int &value)
{
    if (s.isEmpty() || s.size() > 4)
        return false;
    value = 0;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    return true;
}

} // namespace

bool TryStrToDate(const QString &text, TDateTime &value, const TFormatSettings &settings)
{
    QStringList parts = text.trimmed().split(settings.DateSeparator);
    if (parts.size() > 1 && parts.last().trimmed().isEmpty())
        parts.removeLast(); // "5.12.2026." is written with a closing dot in Slovenian
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int nums[3] = {0, 0, 0};
    int yearDigits = 0;
    // The order of day, month and year follows the short date format.
    const QString order = [&] {
        QString o;
        for (QChar c : settings.ShortDateFormat) {
            const QChar u = c.toUpper();
            if ((u == QLatin1Char('D') || u == QLatin1Char('M') || u == QLatin1Char('Y')) && !o.contains(u))
                o += u;
        }
        return o.size() == 3 ? o : QStringLiteral("DMY");
    }();
    for (int i = 0; i < parts.size(); ++i) {
        const QString p = parts.at(i).trimmed();
        if (!ParseNumber(p, nums[i]))
            return false;
    }
    int day = 0, month = 0, year = QDate::currentDate().year();
    bool haveYear = false;
    int idx = 0;
    for (QChar o : order) {
        if (o == QLatin1Char('Y') && parts.size() == 2)
            continue; // two numbers: day and month of this year
        const int v = nums[idx];
        if (o == QLatin1Char('D'))
            day = v;
        else if (o == QLatin1Char('M'))
            month = v;
        else {
            year = v;
            haveYear = true;
            yearDigits = int(parts.at(idx).trimmed().size());
        }
        ++idx;
    }
    if (haveYear && yearDigits <= 2) {
        const int window = settings.TwoDigitYearCenturyWindow;
        const int base = QDate::currentDate().year() - window;
        year += base / 100 * 100;
        if (window > 0 && year < base)
            year += 100;
    }
    return TryEncodeDate(year, month, day, value);
}

bool TryStrToTime(const QString &text, TDateTime &value, const TFormatSettings &settings)
{
    QString t = text.trimmed();
    bool pm = false, am = false;
    for (const QString &suffix : {settings.TimePMString, QStringLiteral("PM")}) {
        if (!suffix.isEmpty() && t.endsWith(suffix, Qt::CaseInsensitive)) {
            pm = true;
            t.chop(suffix.size());
            break;
        }
    }
    if (!pm) {
        for (const QString &suffix : {settings.TimeAMString, QStringLiteral("AM")}) {
            if (!suffix.isEmpty() && t.endsWith(suffix, Qt::CaseInsensitive)) {
                am = true;
                t.chop(suffix.size());
                break;
            }
        }
    }
    t = t.trimmed();
    const QStringList parts = t.split(settings.TimeSeparator);
    if (parts.isEmpty() || parts.size() > 3)
        return false;
    int h = 0, m = 0, s = 0, ms = 0;
    if (!ParseNumber(parts.at(0).trimmed(), h))
        return false;
    if (parts.size() > 1 && !ParseNumber(parts.at(1).trimmed(), m))
        return false;
    if (parts.size() > 2) {
        QString sec = parts.at(2).trimmed();
        const int dot = sec.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            if (!ParseNumber(QStringView(sec).mid(dot + 1), ms))
                return false;
            sec.truncate(dot);
        }
        if (!ParseNumber(sec, s))
            return false;
    }
    if (parts.size() == 1 && !am && !pm)
        return false; // a bare number is not a time
    if (pm || am) {
        if (h < 1 || h > 12)
            return false;
        if (pm && h < 12)
            h += 12;
        if (am && h == 12)
            h = 0;
    }
    return TryEncodeTime(h, m, s, ms, value);
}

bool TryStrToDateTime(const QString &text, TDateTime &value, const TFormatSettings &settings)
{
    const QString t = text.trimmed();
    const int firstColon = t.indexOf(settings.TimeSeparator);
    if (firstColon < 0)
        return TryStrToDate(t, value, settings);
    const int space = t.lastIndexOf(QLatin1Char(' '), firstColon);
    if (space < 0) {
        return TryStrToTime(t, value, settings);
    }
    TDateTime d = 0, tm = 0;
    if (!TryStrToDate(t.left(space), d, settings) || !TryStrToTime(t.mid(space + 1), tm, settings))
        return false;
    value = d >= 0 ? d + tm : d - tm;
    return true;
}

TDateTime StrToDate(const QString &text, const TFormatSettings &settings)
{
    TDateTime v = 0;
    if (!TryStrToDate(text, v, settings))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return v;
}

TDateTime StrToDateTime(const QString &text, const TFormatSettings &settings)
{
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v, settings))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return v;
}

} // namespace toolkit
