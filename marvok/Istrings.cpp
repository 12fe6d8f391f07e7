#include "Istrings.h"

#include "toolkit/SysUtils.h"

#include <QRegularExpression>

namespace marvok {

using toolkit::TDateTime;

bool Empty(const QString &s)
{
    return s.trimmed().isEmpty();
}

bool DateEmpty(TDateTime d)
{
    return d == 0.0;
}

QString IPadL(const QString &s, int width, QChar pad)
{
    if (width <= 0)
        return {};
    return s.size() >= width ? s.left(width) : s.rightJustified(width, pad);
}

QString IPadR(const QString &s, int width, QChar pad)
{
    if (width <= 0)
        return {};
    return s.size() >= width ? s.left(width) : s.leftJustified(width, pad);
}

QString INicePadL(const QString &s, int width, QChar pad)
{
    return s.size() >= width ? s : s.rightJustified(width, pad);
}

QString IntToStrLenZero(qint64 value, int width)
{
    const QString digits = QString::number(value < 0 ? -value : value).rightJustified(width - (value < 0 ? 1 : 0), QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString IntToStrLen(qint64 value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char(' '));
}

QString Fill(QChar c, int count)
{
    return count > 0 ? QString(count, c) : QString();
}

QString Space(int count)
{
    return Fill(QLatin1Char(' '), count);
}

QString Zero(int count)
{
    return Fill(QLatin1Char('0'), count);
}

QString Substr(const QString &s, int start, int length)
{
    if (start < 1)
        start = 1;
    return s.mid(start - 1, length < 0 ? -1 : length);
}

QString Token(const QString &s, int n, const QString &separator)
{
    if (s.isEmpty() || n < 1 || separator.isEmpty())
        return {};
    return s.split(separator).value(n - 1);
}

int NumToken(const QString &s, const QString &separator)
{
    if (s.isEmpty())
        return 0;
    return separator.isEmpty() ? 1 : int(s.split(separator).size());
}

bool Member(const QString &value, const QString &list, const QString &separator)
{
    if (list.isEmpty())
        return false;
    for (const QString &item : list.split(separator))
        if (item.trimmed() == value.trimmed())
            return true;
    return false;
}

bool StringInSet(const QString &value, const QStringList &set, Qt::CaseSensitivity cs)
{
    return set.contains(value, cs);
}

bool IsNumeric(const QString &s)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
    return number.match(s.trimmed()).hasMatch();
}

QString IUpperCase(const QString &s)
{
    return s.toUpper();
}

QString RemoveMultipleSpaces(const QString &s)
{
    QString r;
    r.reserve(s.size());
    bool lastBlank = false;
    for (QChar c : s) {
        const bool blank = c == QLatin1Char(' ');
        if (!(blank && lastBlank))
            r += c;
        lastBlank = blank;
    }
    return r;
}

void String2StringListSep(const QString &s, toolkit::TStringList &list, const QString &separator)
{
    list.BeginUpdate();
    list.Clear();
    if (!s.isEmpty())
        for (const QString &part : s.split(separator))
            list.Add(part);
    list.EndUpdate();
}

QString StringList2StringSep(const toolkit::TStringList &list, const QString &separator)
{
    return list.ToStringList().join(separator);
}

QString GetValueFromString(const QString &text, const QString &name, const QString &separator)
{
    for (const QString &item : text.split(separator, Qt::SkipEmptyParts)) {
        const int eq = item.indexOf(QLatin1Char('='));
        if (eq >= 0 && item.left(eq).trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return item.mid(eq + 1);
    }
    return {};
}

QString SetValueToString(const QString &text, const QString &name, const QString &value, const QString &separator)
{
    QStringList items = text.split(separator, Qt::SkipEmptyParts);
    bool done = false;
    for (int i = 0; i < items.size(); ++i) {
        const int eq = items.at(i).indexOf(QLatin1Char('='));
        if (eq >= 0 && items.at(i).left(eq).trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0) {
            if (value.isEmpty()) {
                items.removeAt(i);
                --i;
            } else if (!done) {
                items[i] = name + QLatin1Char('=') + value;
            } else {
                items.removeAt(i);
                --i;
            }
            done = true;
        }
    }
    if (!done && !value.isEmpty())
        items.append(name + QLatin1Char('=') + value);
    return items.join(separator);
}

bool IsValueInStringParam(const QString &text, const QString &name, const QString &value)
{
    return Member(value, GetValueFromString(text, name), QStringLiteral(","));
}

QString GetProper6DigitTemplate(const QString &code, TDateTime forDate)
{
    Q_UNUSED(forDate);
    const QString t = code.trimmed();
    static const QRegularExpression digits(QStringLiteral("^\\d{1,6}$"));
    return digits.match(t).hasMatch() ? t.rightJustified(6, QLatin1Char('0')) : code;
}

TDateTime KZZOnLineDateStringToDate(const QString &s)
{
    const QString t = s.trimmed();
    if (t.isEmpty())
        return 0;
    QDate d;
    QTime time(0, 0);
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[T ](\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?)?(?:Z|[+-]\\d{2}:?\\d{2})?$"));
    if (const auto m = compact.match(t); m.hasMatch()) {
        d = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    } else if (const auto m2 = iso.match(t); m2.hasMatch()) {
        d = QDate(m2.captured(1).toInt(), m2.captured(2).toInt(), m2.captured(3).toInt());
        if (!m2.captured(4).isEmpty())
            time = QTime(m2.captured(4).toInt(), m2.captured(5).toInt(), m2.captured(6).toInt());
    }
    if (!d.isValid() || !time.isValid())
        return 0;
    return toolkit::FromQDateTime(QDateTime(d, time));
}

QString KZZOnLineDateStringToDateString(const QString &s)
{
    const TDateTime d = KZZOnLineDateStringToDate(s);
    return DateEmpty(d) ? QString() : toolkit::DateToStr(d);
}

QString KZZOnLineDateTimeStringToDateTimeString(const QString &s)
{
    const TDateTime d = KZZOnLineDateStringToDate(s);
    if (DateEmpty(d))
        return {};
    return toolkit::DateToStr(d) + QLatin1Char(' ') + toolkit::TimeToStr(d);
}

} // namespace marvok
