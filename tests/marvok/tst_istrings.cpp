#include "marvok/Istrings.h"
#include "marvok/Iutils.h"

#include <QTest>

using namespace marvok;

class TestIstrings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void padding_data();
    void padding();
    void tokens_data();
    void tokens();
    void membershipAndNumbers();
    void nameValueTexts_data();
    void nameValueTexts();
    void listsAndSpaces();
    void onlineDates_data();
    void onlineDates();
    void sixDigitTemplate_data();
    void sixDigitTemplate();
    void oracleRoundTo_data();
    void oracleRoundTo();
    void dateAndMinuteHelpers();
};

void TestIstrings::padding_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("expected");
    QTest::newRow("IPadL pads") << IPadL(QStringLiteral("42"), 5, QLatin1Char('0')) << "00042";
    QTest::newRow("IPadL cuts") << IPadL(QStringLiteral("123456"), 4) << "1234";
    QTest::newRow("IPadR pads") << IPadR(QStringLiteral("ab"), 4) << "ab  ";
    QTest::newRow("IPadR cuts") << IPadR(QStringLiteral("abcdef"), 3) << "abc";
    QTest::newRow("IPadL zero width") << IPadL(QStringLiteral("x"), 0) << "";
    QTest::newRow("INicePadL pads") << INicePadL(QStringLiteral("7"), 3) << "007";
    QTest::newRow("INicePadL never cuts") << INicePadL(QStringLiteral("12345"), 3) << "12345";
    QTest::newRow("IntToStrLenZero") << IntToStrLenZero(5, 2) << "05";
    QTest::newRow("IntToStrLenZero negative") << IntToStrLenZero(-5, 3) << "-05";
    QTest::newRow("IntToStrLenZero longer") << IntToStrLenZero(123, 2) << "123";
    QTest::newRow("IntToStrLen") << IntToStrLen(8, 2) << " 8";
    QTest::newRow("Fill") << Fill(QLatin1Char('*'), 3) << "***";
    QTest::newRow("Space") << Space(2) << "  ";
    QTest::newRow("Zero") << Zero(4) << "0000";
    QTest::newRow("Fill negative") << Fill(QLatin1Char('*'), -1) << "";
    QTest::newRow("Substr") << Substr(QStringLiteral("Ljubljana"), 2, 3) << "jub";
    QTest::newRow("Substr to end") << Substr(QStringLiteral("Ljubljana"), 6) << "jana";
    QTest::newRow("Substr past end") << Substr(QStringLiteral("abc"), 9, 2) << "";
    QTest::newRow("IUpperCase") << IUpperCase(QStringLiteral("čšž abc")) << "ČŠŽ ABC";
    QTest::newRow("RemoveMultipleSpaces") << RemoveMultipleSpaces(QStringLiteral(" a   b  c ")) << " a b c ";
}

void TestIstrings::padding()
{
    QFETCH(QString, result);
    QFETCH(QString, expected);
    QCOMPARE(result, expected);
}

void TestIstrings::tokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("second");
    QTest::newRow("commas") << "a,b,c" << "," << 3 << "b";
    QTest::newRow("empty middle") << "a,,c" << "," << 3 << "";
    QTest::newRow("one") << "abc" << "," << 1 << "";
    QTest::newRow("empty") << "" << "," << 0 << "";
    QTest::newRow("long separator") << "x||y" << "||" << 2 << "y";
}

void TestIstrings::tokens()
{
    QFETCH(QString, text);
    QFETCH(QString, sep);
    QFETCH(int, count);
    QFETCH(QString, second);
    QCOMPARE(NumToken(text, sep), count);
    QCOMPARE(Token(text, 2, sep), second);
    QCOMPARE(Token(text, 0, sep), QString());
}

void TestIstrings::membershipAndNumbers()
{
    QVERIFY(Member(QStringLiteral("B"), QStringLiteral("A, B ,C")));
    QVERIFY(!Member(QStringLiteral("b"), QStringLiteral("A,B,C")));
    QVERIFY(!Member(QStringLiteral("A"), QString()));
    QVERIFY(StringInSet(QStringLiteral("x"), {QStringLiteral("y"), QStringLiteral("x")}));
    QVERIFY(StringInSet(QStringLiteral("X"), {QStringLiteral("x")}, Qt::CaseInsensitive));
    for (const char *yes : {"12", "-3", "+4", "1,5", "2.25", " 7 ", ",5"})
        QVERIFY2(IsNumeric(QString::fromLatin1(yes)), yes);
    for (const char *no : {"", "abc", "1,2,3", "1e5", "--1", " "})
        QVERIFY2(!IsNumeric(QString::fromLatin1(no)), no);
    QVERIFY(Empty(QStringLiteral("   ")));
    QVERIFY(!Empty(QStringLiteral(" x ")));
    QVERIFY(DateEmpty(0));
    QVERIFY(!DateEmpty(toolkit::EncodeDate(2026, 12, 5)));
}

void TestIstrings::nameValueTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("after");
    QTest::newRow("replace") << "A=1;PrinterName=HP;B=2" << "printername" << "Canon" << "A=1;printername=Canon;B=2";
    QTest::newRow("append") << "A=1" << "PrinterName" << "HP LaserJet" << "A=1;PrinterName=HP LaserJet";
    QTest::newRow("into empty") << "" << "X" << "1" << "X=1";
    QTest::newRow("remove") << "A=1;B=2" << "A" << "" << "B=2";
    QTest::newRow("value with equals") << "A=1" << "F" << "x=y" << "A=1;F=x=y";
    QTest::newRow("apostrophe") << "" << "N" << "O'Brien" << "N=O'Brien";
}

void TestIstrings::nameValueTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, after);
    const QString r = SetValueToString(text, name, value);
    QCOMPARE(r, after);
    QCOMPARE(GetValueFromString(r, name.toUpper()), value);
    QVERIFY(IsValueInStringParam(QStringLiteral("Akcije=A1,B2, C3"), QStringLiteral("akcije"), QStringLiteral("C3")));
    QVERIFY(!IsValueInStringParam(QStringLiteral("Akcije=A1,B2"), QStringLiteral("Drugo"), QStringLiteral("A1")));
}

void TestIstrings::listsAndSpaces()
{
    toolkit::TStringList l;
    String2StringListSep(QStringLiteral("a;b;;c"), l);
    QCOMPARE(l.ToStringList(), (QStringList{"a", "b", "", "c"}));
    QCOMPARE(StringList2StringSep(l, QStringLiteral("|")), QStringLiteral("a|b||c"));
    String2StringListSep(QString(), l);
    QCOMPARE(l.Count(), 0);
}

void TestIstrings::onlineDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("dateTime");
    QTest::newRow("ISO date") << "2026-12-05" << "05.12.2026" << "05.12.2026 00:00:00";
    QTest::newRow("compact") << "20261205" << "05.12.2026" << "05.12.2026 00:00:00";
    QTest::newRow("date-time") << "2026-12-05T14:30:15" << "05.12.2026" << "05.12.2026 14:30:15";
    QTest::newRow("with zone and fraction") << "2026-12-05T14:30:15.123+01:00" << "05.12.2026" << "05.12.2026 14:30:15";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("garbage") << "5.12.2026" << "" << "";
    QTest::newRow("impossible day") << "2026-02-30" << "" << "";
}

void TestIstrings::onlineDates()
{
    QFETCH(QString, text);
    QFETCH(QString, date);
    QFETCH(QString, dateTime);
    QCOMPARE(KZZOnLineDateStringToDateString(text), date);
    QCOMPARE(KZZOnLineDateTimeStringToDateTimeString(text), dateTime);
    QCOMPARE(DateEmpty(KZZOnLineDateStringToDate(text)), date.isEmpty());
}

void TestIstrings::sixDigitTemplate_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("short") << "1001" << "001001";
    QTest::newRow("six") << "010101" << "010101";
    QTest::newRow("blanks") << " 42 " << "000042";
    QTest::newRow("longer unchanged") << "1234567" << "1234567";
    QTest::newRow("letters unchanged") << "A12" << "A12";
}

void TestIstrings::sixDigitTemplate()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(GetProper6DigitTemplate(code, toolkit::EncodeDate(2026, 12, 5)), expected);
}

void TestIstrings::oracleRoundTo_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("expected");
    QTest::newRow("half up") << 2.5 << 0 << 3.0;
    QTest::newRow("half away from zero") << -2.5 << 0 << -3.0;
    QTest::newRow("decimal half") << 2.675 << 2 << 2.68;
    QTest::newRow("four places") << 0.12345 << 4 << 0.1235;
    QTest::newRow("negative four places") << -0.33335 << 4 << -0.3334;
    QTest::newRow("below half") << 1.2344999 << 3 << 1.234;
    QTest::newRow("tens") << 1234.5 << -1 << 1230.0;
    QTest::newRow("tens up") << 1235.0 << -1 << 1240.0;
    QTest::newRow("cell fraction") << 1.0 / 3 << 4 << 0.3333;
}

void TestIstrings::oracleRoundTo()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, expected);
    QCOMPARE(OracleRoundTo(value, decimals), expected);
}

void TestIstrings::dateAndMinuteHelpers()
{
    const toolkit::TDateTime t = toolkit::EncodeDateTime(2026, 12, 5, 13, 45, 0, 0);
    QCOMPARE(DatePart(t), toolkit::EncodeDate(2026, 12, 5));
    QCOMPARE(IMinutesBetween(toolkit::EncodeDateTime(2026, 12, 5, 8, 0, 0, 0), toolkit::EncodeDateTime(2026, 12, 5, 7, 15, 0, 0)), 45);
    QCOMPARE(maxI(3, -4), 3);
    QCOMPARE(GetParentForm(nullptr), nullptr);
}

QTEST_GUILESS_MAIN(TestIstrings)
#include "tst_istrings.moc"
