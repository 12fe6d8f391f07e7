// TDateTime: whole days since 30.12.1899, the fraction is the time of day.
// Conversions round to the millisecond as the original toolkit did, so that
// 09:59:59.9999 reads as 10:00 rather than 09:59.
#pragma once

#include "SysUtils.h"
#include "toolkit/toolkit_export.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace toolkit {

using TDateTime = double;

inline constexpr qint64 MSecsPerDay = 86400000;
inline constexpr int MinsPerDay = 1440;
inline constexpr double OneHour = 1.0 / 24.0;
inline constexpr double OneMinute = 1.0 / MinsPerDay;
inline constexpr double OneSecond = 1.0 / 86400.0;
inline constexpr double OneMillisecond = 1.0 / 86400000.0;

TOOLKIT_EXPORT bool IsLeapYear(int year);
TOOLKIT_EXPORT int DaysInAMonth(int year, int month);

TOOLKIT_EXPORT bool TryEncodeDate(int year, int month, int day, TDateTime &result);
TOOLKIT_EXPORT bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &result);
// Raise EConvertError for out-of-range parts.
TOOLKIT_EXPORT TDateTime EncodeDate(int year, int month, int day);
TOOLKIT_EXPORT TDateTime EncodeTime(int hour, int min, int sec, int msec);
TOOLKIT_EXPORT TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
TOOLKIT_EXPORT void DecodeDate(TDateTime value, int &year, int &month, int &day);
TOOLKIT_EXPORT void DecodeTime(TDateTime value, int &hour, int &min, int &sec, int &msec);

TOOLKIT_EXPORT TDateTime DateOf(TDateTime value); // the date part (truncated)
TOOLKIT_EXPORT TDateTime TimeOf(TDateTime value); // the time part (fraction)
// 1 = Sunday ... 7 = Saturday.
TOOLKIT_EXPORT int DayOfWeek(TDateTime value);
// Whole minutes between two moments, whichever comes first.
TOOLKIT_EXPORT qint64 MinutesBetween(TDateTime a, TDateTime b);
TOOLKIT_EXPORT qint64 DateTimeToMilliseconds(TDateTime value);
// Adds months; a day beyond the new month's length is clipped to its last day.
TOOLKIT_EXPORT TDateTime IncMonth(TDateTime value, int months = 1);
TOOLKIT_EXPORT TDateTime IncDay(TDateTime value, int days = 1);
TOOLKIT_EXPORT TDateTime IncMinute(TDateTime value, qint64 minutes = 1);

TOOLKIT_EXPORT TDateTime Now();
TOOLKIT_EXPORT TDateTime Date();

TOOLKIT_EXPORT TDateTime FromQDate(const QDate &date);
TOOLKIT_EXPORT TDateTime FromQDateTime(const QDateTime &dateTime);
TOOLKIT_EXPORT QDate ToQDate(TDateTime value);
TOOLKIT_EXPORT QDateTime ToQDateTime(TDateTime value);

// The original's format letters: c d dd ddd dddd ddddd dddddd m mm mmm mmmm
// (minutes after h) yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm / :
// and quoted literals.
TOOLKIT_EXPORT QString FormatDateTime(const QString &format, TDateTime value,
                                      const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT QString DateToStr(TDateTime value, const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT QString TimeToStr(TDateTime value, const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT QString DateTimeToStr(TDateTime value, const TFormatSettings &settings = FormatSettings());

// Text in the short date format's order (day, month, year for the defaults),
// with the date separator; a missing year is the current one.
TOOLKIT_EXPORT bool TryStrToDate(const QString &text, TDateTime &value,
                                 const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT bool TryStrToTime(const QString &text, TDateTime &value,
                                 const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT bool TryStrToDateTime(const QString &text, TDateTime &value,
                                     const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT TDateTime StrToDate(const QString &text, const TFormatSettings &settings = FormatSettings());
TOOLKIT_EXPORT TDateTime StrToDateTime(const QString &text, const TFormatSettings &settings = FormatSettings());

} // namespace toolkit
