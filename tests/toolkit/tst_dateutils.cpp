#include "toolkit/DateUtils.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

#include <QTest>

using namespace toolkit;

class TestDateUtils : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodesDaysSinceZeroDate_data();
    void encodesDaysSinceZeroDate();
    void rejectsInvalidParts();
    void decodingRoundsToTheMillisecond();
    void dayOfWeekStartsOnSunday_data();
    void dayOfWeekStartsOnSunday();
    void minutesBetween_data();
    void minutesBetween();
    void incMonthClipsToMonthLength_data();
    void incMonthClipsToMonthLength();
    void formatsWithOriginalLetters_data();
    void formatsWithOriginalLetters();
    void hostMayChangeFormatSettings();
    void parsesDates_data();
    void parsesDates();
    void parsesDateTimes();
    void formatSpecifiers_data();
    void formatSpecifiers();
    void formatRejectsBadSpecifiers_data();
    void formatRejectsBadSpecifiers();
    void floatText_data();
    void floatText();
};

void TestDateUtils::encodesDaysSinceZeroDate_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<double>("days");
    QTest::newRow("zero date") << 1899 << 12 << 30 << 0.0;
    QTest::newRow("1.1.1900") << 1900 << 1 << 1 << 2.0;
    QTest::newRow("leap day 2000") << 2000 << 2 << 29 << 36585.0;
    QTest::newRow("today") << 2026 << 12 << 5 << 46361.0;
    QTest::newRow("before zero") << 1800 << 1 << 1 << -36522.0;
}

void TestDateUtils::encodesDaysSinceZeroDate()
{
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(double, days);
    QCOMPARE(EncodeDate(y, m, d), days);
    int yy, mm, dd;
    DecodeDate(days, yy, mm, dd);
    QCOMPARE(yy, y);
    QCOMPARE(mm, m);
    QCOMPARE(dd, d);
    QCOMPARE(ToQDate(days), QDate(y, m, d));
    QCOMPARE(FromQDate(QDate(y, m, d)), days);
}

void TestDateUtils::rejectsInvalidParts()
{
    QVERIFY_THROWS_EXCEPTION(EConvertError, EncodeDate(2026, 2, 29));
    QVERIFY_THROWS_EXCEPTION(EConvertError, EncodeDate(2026, 13, 1));
    QVERIFY_THROWS_EXCEPTION(EConvertError, EncodeTime(24, 0, 0, 0));
    TDateTime v = 0;
    QVERIFY(TryEncodeDate(2024, 2, 29, v));
    QVERIFY(!TryEncodeDate(1900, 2, 29, v)); // 1900 was not a leap year
}

void TestDateUtils::decodingRoundsToTheMillisecond()
{
    // A value a hair below 10:00 reads as 10:00, not 09:59:59.999.
    const TDateTime almostTen = EncodeDate(2026, 12, 5) + (10.0 * 3600000 - 0.4) / 86400000.0;
    int h, n, s, ms;
    DecodeTime(almostTen, h, n, s, ms);
    QCOMPARE(h, 10);
    QCOMPARE(n, 0);
    QCOMPARE(ms, 0);
    // ... and a hair below midnight belongs to the next day.
    const TDateTime almostMidnight = EncodeDate(2026, 12, 5) + 1.0 - 1e-11;
    int y, m, d;
    DecodeDate(almostMidnight, y, m, d);
    QCOMPARE(d, 6);
    DecodeTime(almostMidnight, h, n, s, ms);
    QCOMPARE(h, 0);
    // Negative values keep their time as the fraction's absolute value.
    DecodeDate(-1.25, y, m, d);
    QCOMPARE(QDate(y, m, d), QDate(1899, 12, 29));
    DecodeTime(-1.25, h, n, s, ms);
    QCOMPARE(h, 6);
    QCOMPARE(DateOf(EncodeDateTime(2026, 12, 5, 13, 45, 0, 0)), EncodeDate(2026, 12, 5));
    QVERIFY(qAbs(TimeOf(EncodeDateTime(2026, 12, 5, 12, 0, 0, 0)) - 0.5) < 1e-12);
}

void TestDateUtils::dayOfWeekStartsOnSunday_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("dow");
    QTest::newRow("Sunday") << QDate(2026, 12, 6) << 1;
    QTest::newRow("Monday") << QDate(2026, 12, 7) << 2;
    QTest::newRow("Saturday") << QDate(2026, 12, 5) << 7;
    QTest::newRow("zero date Saturday") << QDate(1899, 12, 30) << 7;
    QTest::newRow("before zero Wednesday") << QDate(1800, 1, 1) << 4;
}

void TestDateUtils::dayOfWeekStartsOnSunday()
{
    QFETCH(QDate, date);
    QFETCH(int, dow);
    QCOMPARE(DayOfWeek(FromQDate(date)), dow);
    // An evening of that day: the time is added to dates after the zero date
    // and subtracted from those before it.
    const TDateTime evening = FromQDateTime(QDateTime(date, QTime(18, 0)));
    QCOMPARE(evening - FromQDate(date), FromQDate(date) < 0 ? -0.75 : 0.75);
    QCOMPARE(DayOfWeek(evening), dow);
}

void TestDateUtils::minutesBetween_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<qint64>("minutes");
    const TDateTime day = EncodeDate(2026, 12, 5);
    QTest::newRow("one hour, not 59 minutes") << day + 10.0 / 24 << day + 9.0 / 24 << qint64(60);
    QTest::newRow("order does not matter") << day + 9.0 / 24 << day + 10.0 / 24 << qint64(60);
    QTest::newRow("59 seconds") << day << day + 59.0 / 86400 << qint64(0);
    QTest::newRow("across midnight") << EncodeDateTime(2026, 12, 5, 23, 30, 0, 0)
                                     << EncodeDateTime(2026, 12, 6, 0, 15, 0, 0) << qint64(45);
    QTest::newRow("a week") << day << day + 7 << qint64(7 * 1440);
}

void TestDateUtils::minutesBetween()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(qint64, minutes);
    QCOMPARE(MinutesBetween(a, b), minutes);
}

void TestDateUtils::incMonthClipsToMonthLength_data()
{
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<int>("months");
    QTest::addColumn<QDateTime>("to");
    auto dt = [](int y, int m, int d, int h = 0, int n = 0) { return QDateTime(QDate(y, m, d), QTime(h, n)); };
    QTest::newRow("31 Jan to leap February") << dt(2024, 1, 31) << 1 << dt(2024, 2, 29);
    QTest::newRow("31 Jan to February") << dt(2023, 1, 31) << 1 << dt(2023, 2, 28);
    QTest::newRow("back from 31 March") << dt(2026, 3, 31) << -1 << dt(2026, 2, 28);
    QTest::newRow("over the year end") << dt(2026, 11, 15) << 2 << dt(2027, 1, 15);
    QTest::newRow("a year back") << dt(2026, 12, 31) << -12 << dt(2025, 12, 31);
    QTest::newRow("thirteen back") << dt(2026, 1, 15) << -13 << dt(2024, 12, 15);
    QTest::newRow("time kept") << dt(2024, 1, 31, 14, 30) << 1 << dt(2024, 2, 29, 14, 30);
    QTest::newRow("31 to 30-day month") << dt(2026, 5, 31) << 1 << dt(2026, 6, 30);
}

void TestDateUtils::incMonthClipsToMonthLength()
{
    QFETCH(QDateTime, from);
    QFETCH(int, months);
    QFETCH(QDateTime, to);
    QCOMPARE(ToQDateTime(IncMonth(FromQDateTime(from), months)), to);
}

void TestDateUtils::formatsWithOriginalLetters_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("expected");
    const QDateTime sat(QDate(2026, 12, 5), QTime(9, 7, 3, 45));
    const QDateTime thu(QDate(2026, 1, 1), QTime(21, 5));
    QTest::newRow("day letters") << "d dd ddd dddd" << sat << "5 05 sob sobota";
    QTest::newRow("dddd with č") << "dddd" << thu << "četrtek";
    QTest::newRow("month numbers") << "m mm" << thu << "1 01";
    QTest::newRow("month names") << "mmm mmmm" << sat << "dec december";
    QTest::newRow("years") << "yy yyyy" << sat << "26 2026";
    QTest::newRow("time letters") << "h hh n nn s ss zzz" << sat << "9 09 7 07 3 03 045";
    QTest::newRow("m after h is minutes") << "hh:mm" << sat << "09:07";
    QTest::newRow("short date") << "dd.mm.yyyy" << sat << "05.12.2026";
    QTest::newRow("day header") << "dddd dd mmmm" << sat << "sobota 05 december";
    QTest::newRow("short day header") << "ddd dd mmmm" << thu << "čet 01 januar";
    QTest::newRow("narrow day header") << "ddd d" << sat << "sob 5";
    QTest::newRow("am/pm morning") << "h:nn am/pm" << sat << "9:07 am";
    QTest::newRow("AM/PM evening") << "hh AM/PM" << thu << "09 PM";
    QTest::newRow("a/p") << "h a/p" << thu << "9 p";
    QTest::newRow("ampm uses settings") << "ampm" << sat << "dop.";
    QTest::newRow("c with time") << "c" << sat << "05.12.2026 09:07:03";
    QTest::newRow("c at midnight") << "c" << QDateTime(QDate(2026, 12, 5), QTime(0, 0)) << "05.12.2026";
    QTest::newRow("ddddd short date") << "ddddd" << sat << "05.12.2026";
    QTest::newRow("t short time") << "t" << sat << "09:07";
    QTest::newRow("quoted literal") << "'Datum:' dd" << sat << "Datum: 05";
    QTest::newRow("double-quoted literal") << "\"ura\" hh" << sat << "ura 09";
    QTest::newRow("slash is date separator") << "yyyy/mm/dd" << sat << "2026.12.05";
    QTest::newRow("upper-case letters") << "DD.MM.YYYY" << sat << "05.12.2026";
    QTest::newRow("midnight 12h clock") << "h am/pm" << QDateTime(QDate(2026, 12, 5), QTime(0, 30)) << "12 am";
}

void TestDateUtils::formatsWithOriginalLetters()
{
    QFETCH(QString, format);
    QFETCH(QDateTime, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatDateTime(format, FromQDateTime(value)), expected);
}

void TestDateUtils::hostMayChangeFormatSettings()
{
    const TFormatSettings saved = FormatSettings();
    FormatSettings().ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    FormatSettings().DateSeparator = QLatin1Char('-');
    FormatSettings().TimeSeparator = QLatin1Char('.');
    const TDateTime v = EncodeDateTime(2026, 12, 5, 9, 7, 0, 0);
    QCOMPARE(DateToStr(v), QStringLiteral("2026-12-05"));
    QCOMPARE(FormatDateTime(QStringLiteral("hh:nn"), v), QStringLiteral("09.07"));
    QCOMPARE(StrToDate(QStringLiteral("2026-12-05")), EncodeDate(2026, 12, 5));
    FormatSettings() = saved;
    QCOMPARE(DateToStr(v), QStringLiteral("05.12.2026"));
}

void TestDateUtils::parsesDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: not a date
    const int year = QDate::currentDate().year();
    QTest::newRow("full") << "5.12.2026" << QDate(2026, 12, 5);
    QTest::newRow("padded") << "05.01.2026" << QDate(2026, 1, 5);
    QTest::newRow("two-digit year") << "05.12.26" << QDate(2026, 12, 5);
    QTest::newRow("two-digit year last century") << "1.1.80" << QDate(1980, 1, 1);
    QTest::newRow("no year") << "5.12." << QDate(year, 12, 5);
    QTest::newRow("blanks after dots") << "5. 12. 2026" << QDate(2026, 12, 5);
    QTest::newRow("closing dot") << "5.12.2026." << QDate(2026, 12, 5);
    QTest::newRow("no such day") << "31.2.2026" << QDate();
    QTest::newRow("letters") << "abc" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("too many parts") << "1.2.3.4" << QDate();
    QTest::newRow("hostile") << "1.1.2026'; DROP TABLE x;--" << QDate();
}

void TestDateUtils::parsesDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    TDateTime v = -1;
    QCOMPARE(TryStrToDate(text, v), date.isValid());
    if (date.isValid())
        QCOMPARE(ToQDate(v), date);
    else
        QVERIFY_THROWS_EXCEPTION(EConvertError, StrToDate(text));
}

void TestDateUtils::parsesDateTimes()
{
    TDateTime v = 0;
    QVERIFY(TryStrToDateTime(QStringLiteral("05.12.2026 14:30:15"), v));
    QCOMPARE(ToQDateTime(v), QDateTime(QDate(2026, 12, 5), QTime(14, 30, 15)));
    QVERIFY(TryStrToDateTime(QStringLiteral("05.12.2026 8:05"), v));
    QCOMPARE(ToQDateTime(v), QDateTime(QDate(2026, 12, 5), QTime(8, 5)));
    QVERIFY(TryStrToTime(QStringLiteral("12:15 pop."), v));
    QCOMPARE(ToQDateTime(v).time(), QTime(12, 15));
    QVERIFY(!TryStrToTime(QStringLiteral("25:00"), v));
    QVERIFY(!TryStrToDateTime(QStringLiteral("05.12.2026 xx:10"), v));
}

void TestDateUtils::formatSpecifiers_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("%.2d pads") << "%.2d:%.2d" << QVariantList{7, 5} << "07:05";
    QTest::newRow("%.2d keeps longer") << "%.2d" << QVariantList{123} << "123";
    QTest::newRow("negative precision") << "%.3d" << QVariantList{-7} << "-007";
    QTest::newRow("width") << "[%5d]" << QVariantList{42} << "[   42]";
    QTest::newRow("left aligned") << "[%-5d]" << QVariantList{42} << "[42   ]";
    QTest::newRow("string") << "Akcija %s ni dovoljena!" << QVariantList{"Shrani"} << "Akcija Shrani ni dovoljena!";
    QTest::newRow("string precision") << "%.3s" << QVariantList{"abcdef"} << "abc";
    QTest::newRow("fixed uses decimal separator") << "%.2f" << QVariantList{2.5} << "2,50";
    QTest::newRow("fixed default two") << "%f" << QVariantList{1.0} << "1,00";
    QTest::newRow("number with thousands") << "%.1n" << QVariantList{1234567.25} << "1.234.567,3";
    QTest::newRow("hex upper") << "%x" << QVariantList{255} << "FF";
    QTest::newRow("hex padded") << "%.4x" << QVariantList{255} << "00FF";
    QTest::newRow("percent") << "100%%" << QVariantList{} << "100%";
    QTest::newRow("index") << "%1:s %0:s" << QVariantList{"svet", "pozdrav"} << "pozdrav svet";
    QTest::newRow("star width") << "[%*d]" << QVariantList{4, 7} << "[   7]";
}

void TestDateUtils::formatSpecifiers()
{
    QFETCH(QString, format);
    QFETCH(QVariantList, args);
    QFETCH(QString, expected);
    QCOMPARE(Format(format, args), expected);
}

void TestDateUtils::formatRejectsBadSpecifiers_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariantList>("args");
    QTest::newRow("number given text") << "%d" << QVariantList{"x"};
    QTest::newRow("text given number") << "%s" << QVariantList{1};
    QTest::newRow("missing argument") << "%d %d" << QVariantList{1};
    QTest::newRow("lone percent") << "50%" << QVariantList{};
    QTest::newRow("unknown type") << "%q" << QVariantList{1};
    QTest::newRow("absurd width") << "%999999999d" << QVariantList{1};
}

void TestDateUtils::formatRejectsBadSpecifiers()
{
    QFETCH(QString, format);
    QFETCH(QVariantList, args);
    QVERIFY_THROWS_EXCEPTION(EConvertError, Format(format, args));
}

void TestDateUtils::floatText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("expected");
    const int gen = int(TFloatFormat::ffGeneral), fix = int(TFloatFormat::ffFixed), num = int(TFloatFormat::ffNumber);
    QTest::newRow("half") << 0.5 << gen << 0 << "0,5";
    QTest::newRow("zero") << 0.0 << gen << 0 << "0";
    QTest::newRow("integer") << 42.0 << gen << 0 << "42";
    QTest::newRow("fraction") << 123456.789 << gen << 0 << "123456,789";
    QTest::newRow("third") << 1.0 / 3 << gen << 0 << "0,333333333333333";
    QTest::newRow("large is scientific") << 1e20 << gen << 0 << "1E20";
    QTest::newRow("tiny is scientific") << 1e-6 << gen << 0 << "1E-6";
    QTest::newRow("small stays fixed") << -0.00001 << gen << 0 << "-0,00001";
    QTest::newRow("fixed rounds at 15 digits") << 2.675 << fix << 2 << "2,68";
    QTest::newRow("fixed pads") << 3.0 << fix << 2 << "3,00";
    QTest::newRow("fixed negative rounds away") << -0.125 << fix << 2 << "-0,13";
    QTest::newRow("fixed carry") << 9.999 << fix << 2 << "10,00";
    QTest::newRow("number") << 1234567.891 << num << 2 << "1.234.567,89";
}

void TestDateUtils::floatText()
{
    QFETCH(double, value);
    QFETCH(int, format);
    QFETCH(int, digits);
    QFETCH(QString, expected);
    QCOMPARE(FloatToStrF(value, TFloatFormat(format), 15, digits), expected);
    double back = 0;
    if (format != int(TFloatFormat::ffNumber)) // the text reads back
        QVERIFY(TryStrToFloat(expected, back));
}

QTEST_GUILESS_MAIN(TestDateUtils)
#include "tst_dateutils.moc"
