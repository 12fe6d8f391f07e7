// String helpers of the utility library. Positions are 1-based as in the
// stored texts and host code that call them.
//
// Name=value texts (GetValueFromString/SetValueToString) hold items
// "name=value" separated by ";" (or the given separator); names compare
// case-insensitively; a value holds everything after the first "=" up to the
// next separator, so values cannot contain the separator.
// On-line insurance dates arrive as "yyyy-MM-dd", "yyyyMMdd" or ISO date-times
// ("yyyy-MM-ddTHH:mm:ss", with optional fraction and zone, which is ignored).
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/Classes.h"
#include "toolkit/DateUtils.h"

#include <QString>
#include <QStringList>

namespace marvok {

// True for an empty text or one of blanks only.
MARVOK_EXPORT bool Empty(const QString &s);
// True for the "no date" value 0 (30.12.1899).
MARVOK_EXPORT bool DateEmpty(toolkit::TDateTime d);
// Padded on the left (right) with `pad` to `width`; a longer text is cut to
// its first `width` characters.
MARVOK_EXPORT QString IPadL(const QString &s, int width, QChar pad = QLatin1Char(' '));
MARVOK_EXPORT QString IPadR(const QString &s, int width, QChar pad = QLatin1Char(' '));
// Padded on the left like IPadL (with "0" by default), but never cut.
MARVOK_EXPORT QString INicePadL(const QString &s, int width, QChar pad = QLatin1Char('0'));
MARVOK_EXPORT QString IntToStrLenZero(qint64 value, int width); // "05"
MARVOK_EXPORT QString IntToStrLen(qint64 value, int width);     // " 5"
MARVOK_EXPORT QString Fill(QChar c, int count);
MARVOK_EXPORT QString Space(int count);
MARVOK_EXPORT QString Zero(int count);
// `length` characters from the 1-based position `start` (to the end when negative).
MARVOK_EXPORT QString Substr(const QString &s, int start, int length = -1);
// The n-th (1-based) of the texts between separators; empty when there is none.
MARVOK_EXPORT QString Token(const QString &s, int n, const QString &separator = QStringLiteral(","));
// How many such texts there are; 0 for an empty text.
MARVOK_EXPORT int NumToken(const QString &s, const QString &separator = QStringLiteral(","));
// Whether `value` is one of the separated items of `list` (blanks around items ignored).
MARVOK_EXPORT bool Member(const QString &value, const QString &list, const QString &separator = QStringLiteral(","));
MARVOK_EXPORT bool StringInSet(const QString &value, const QStringList &set, Qt::CaseSensitivity cs = Qt::CaseSensitive);
// Digits with an optional sign and one decimal separator ("," or ".").
MARVOK_EXPORT bool IsNumeric(const QString &s);
MARVOK_EXPORT QString IUpperCase(const QString &s);
// Runs of blanks become one blank.
MARVOK_EXPORT QString RemoveMultipleSpaces(const QString &s);
MARVOK_EXPORT void String2StringListSep(const QString &s, toolkit::TStringList &list, const QString &separator = QStringLiteral(";"));
MARVOK_EXPORT QString StringList2StringSep(const toolkit::TStringList &list, const QString &separator = QStringLiteral(";"));
MARVOK_EXPORT QString GetValueFromString(const QString &text, const QString &name, const QString &separator = QStringLiteral(";"));
// The text with `name` set to `value` (replaced in place or appended); an
// empty value removes the item.
MARVOK_EXPORT QString SetValueToString(const QString &text, const QString &name, const QString &value,
                                       const QString &separator = QStringLiteral(";"));
// Whether `value` is one of the ","-separated values of `name` in the text.
MARVOK_EXPORT bool IsValueInStringParam(const QString &text, const QString &name, const QString &value);
// An insurance basis code as its six-digit form: digits only, zeros on the
// left up to six; other texts unchanged. The date is the day the code is read for.
MARVOK_EXPORT QString GetProper6DigitTemplate(const QString &code, toolkit::TDateTime forDate);
// 0 for an empty or unreadable text.
MARVOK_EXPORT toolkit::TDateTime KZZOnLineDateStringToDate(const QString &s);
// The short date form; empty for an empty or unreadable text.
MARVOK_EXPORT QString KZZOnLineDateStringToDateString(const QString &s);
// Short date and long time; empty for an empty or unreadable text.
MARVOK_EXPORT QString KZZOnLineDateTimeStringToDateTimeString(const QString &s);

} // namespace marvok
