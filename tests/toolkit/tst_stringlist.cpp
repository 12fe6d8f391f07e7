#include "toolkit/Classes.h"
#include "toolkit/Exception.h"

#include <QTest>

using namespace toolkit;

namespace {

// Counts live instances, to see which objects a list frees.
struct TCounted : TObject
{
    static inline int Alive = 0;
    TCounted() { ++Alive; }
    ~TCounted() override { --Alive; }
};

} // namespace

class TestStringList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesDelimitedText_data();
    void writesDelimitedText();
    void readsDelimitedText_data();
    void readsDelimitedText();
    void delimitedTextRoundTrips_data();
    void delimitedTextRoundTrips();
    void commaTextIgnoresStrictAndRestoresSettings();
    void text_data();
    void text();
    void sortedListOrdersSlovenianCaseInsensitive();
    void duplicatesFollowTheSetting_data();
    void duplicatesFollowTheSetting();
    void findReturnsInsertPosition();
    void sortedListRefusesPositionalChanges();
    void nameValueAccess();
    void ownedObjectsAreFreedOnlyWhenOwning();
    void changeEventsFireOncePerUpdate();
    void indexErrorsNameTheIndex();
};

void TestStringList::writesDelimitedText_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("quote");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<QString>("expected");

    const QString c = QStringLiteral(","), q = QStringLiteral("\"");
    QTest::newRow("plain entries") << QStringList{"a", "b", "c"} << c << q << false << "a,b,c";
    QTest::newRow("blank quotes") << QStringList{"a b", "c"} << c << q << false << "\"a b\",c";
    QTest::newRow("doubled quote") << QStringList{"say \"hi\""} << c << q << false << "\"say \"\"hi\"\"\"";
    QTest::newRow("delimiter inside") << QStringList{"x,y"} << c << q << false << "\"x,y\"";
    QTest::newRow("control character") << QStringList{"tab\there"} << c << q << false << "\"tab\there\"";
    QTest::newRow("single empty entry") << QStringList{""} << c << q << false << "\"\"";
    QTest::newRow("empty entry among others") << QStringList{"a", "", "b"} << c << q << false << "a,,b";
    QTest::newRow("empty list") << QStringList{} << c << q << false << "";
    QTest::newRow("strict keeps blanks bare") << QStringList{"a b", "c"} << c << q << true << "a b,c";
    QTest::newRow("strict keeps control bare") << QStringList{"a\tb"} << c << q << true << "a\tb";
    QTest::newRow("strict still quotes delimiter") << QStringList{"a,b"} << c << q << true << "\"a,b\"";
    QTest::newRow("semicolon delimiter") << QStringList{"a;b", "c d", "e"} << ";" << q << false << "\"a;b\";\"c d\";e";
    QTest::newRow("apostrophe quote") << QStringList{"it's", "ok"} << c << "'" << false << "'it''s',ok";
    QTest::newRow("typographic apostrophe is plain") << QStringList{"O’Brien"} << c << q << false << "O’Brien";
}

void TestStringList::writesDelimitedText()
{
    QFETCH(QStringList, items);
    QFETCH(QString, delimiter);
    QFETCH(QString, quote);
    QFETCH(bool, strict);
    QFETCH(QString, expected);
    TStringList l;
    l.SetDelimiter(delimiter.at(0));
    l.SetQuoteChar(quote.at(0));
    l.SetStrictDelimiter(strict);
    l.SetStringList(items);
    QCOMPARE(l.DelimitedText(), expected);
}

void TestStringList::readsDelimitedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("plain") << "a,b,c" << false << QStringList{"a", "b", "c"};
    QTest::newRow("blank outside quotes splits") << "a b,c" << false << QStringList{"a", "b", "c"};
    QTest::newRow("blank inside quotes kept") << "\"a b\",c" << false << QStringList{"a b", "c"};
    QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\"" << false << QStringList{"say \"hi\""};
    QTest::newRow("trailing delimiter adds empty") << "a," << false << QStringList{"a", ""};
    QTest::newRow("trailing delimiter then blank adds nothing") << "a, " << false << QStringList{"a"};
    QTest::newRow("leading delimiter") << ",a" << false << QStringList{"", "a"};
    QTest::newRow("two delimiters") << "a,,b" << false << QStringList{"a", "", "b"};
    QTest::newRow("blanks around entries") << "  a  ,  b  " << false << QStringList{"a", "b"};
    QTest::newRow("text after closing quote") << "\"a\"b,c" << false << QStringList{"a", "b", "c"};
    QTest::newRow("unterminated quote runs to end") << "\"open, ended" << false << QStringList{"open, ended"};
    QTest::newRow("empty quoted") << "\"\"" << false << QStringList{""};
    QTest::newRow("empty text") << "" << false << QStringList{};
    QTest::newRow("only blanks") << "   " << false << QStringList{};
    QTest::newRow("NUL ends the text") << QString::fromUtf16(u"a,b\0c", 5) << false << QStringList{"a", "b"};
    QTest::newRow("strict keeps blanks") << "a b, c" << true << QStringList{"a b", " c"};
    QTest::newRow("strict trailing blank entry") << "a, " << true << QStringList{"a", " "};
    QTest::newRow("strict quoted") << "\"x,y\",z" << true << QStringList{"x,y", "z"};
    QTest::newRow("hostile SQL text survives") << "';--,/*" << false << QStringList{"';--", "/*"};
}

void TestStringList::readsDelimitedText()
{
    QFETCH(QString, text);
    QFETCH(bool, strict);
    QFETCH(QStringList, expected);
    TStringList l;
    l.SetStrictDelimiter(strict);
    l.SetDelimitedText(text);
    QCOMPARE(l.ToStringList(), expected);
}

void TestStringList::delimitedTextRoundTrips_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("strict");
    QTest::newRow("mixed") << QStringList{"a b", "c,d", "e\"f", "", "g"} << false;
    QTest::newRow("strict mixed") << QStringList{"a b", "c,d", "e\"f", " g "} << true;
    QTest::newRow("unicode") << QStringList{"Čas", "žlica šum", "ĐĆ"} << false;
}

void TestStringList::delimitedTextRoundTrips()
{
    QFETCH(QStringList, items);
    QFETCH(bool, strict);
    TStringList a;
    a.SetStrictDelimiter(strict);
    a.SetStringList(items);
    TStringList b;
    b.SetStrictDelimiter(strict);
    b.SetDelimitedText(a.DelimitedText());
    QCOMPARE(b.ToStringList(), items);
}

void TestStringList::commaTextIgnoresStrictAndRestoresSettings()
{
    TStringList l;
    l.SetDelimiter(QLatin1Char(';'));
    l.SetQuoteChar(QLatin1Char('\''));
    l.SetStrictDelimiter(true);
    l.SetCommaText(QStringLiteral("a b,\"c;d\""));
    QCOMPARE(l.ToStringList(), (QStringList{"a", "b", "c;d"}));
    QCOMPARE(l.CommaText(), QStringLiteral("a,b,c;d"));
    l.SetStringList({"x y", "z;w"});
    QCOMPARE(l.CommaText(), QStringLiteral("\"x y\",z;w"));
    // The list's own settings are back: delimiter, quote and strictness.
    QCOMPARE(l.DelimitedText(), QStringLiteral("x y;'z;w'"));
}

void TestStringList::text_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("written");
    QTest::newRow("CR LF") << "a\r\nb\r\n" << QStringList{"a", "b"} << "a\r\nb\r\n";
    QTest::newRow("LF only") << "a\nb" << QStringList{"a", "b"} << "a\r\nb\r\n";
    QTest::newRow("CR only") << "a\rb\r" << QStringList{"a", "b"} << "a\r\nb\r\n";
    QTest::newRow("empty line kept") << "a\r\n\r\nb" << QStringList{"a", "", "b"} << "a\r\n\r\nb\r\n";
    QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList{"a", "", "b"} << "a\r\n\r\nb\r\n";
    QTest::newRow("empty") << "" << QStringList{} << "";
    QTest::newRow("one break") << "\r\n" << QStringList{""} << "\r\n";
}

void TestStringList::text()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QFETCH(QString, written);
    TStringList l;
    l.SetText(text);
    QCOMPARE(l.ToStringList(), lines);
    QCOMPARE(l.Text(), written);
}

void TestStringList::sortedListOrdersSlovenianCaseInsensitive()
{
    TStringList l;
    l.SetStringList({"Žaba", "čebula", "cesta", "Drevo", "avto", "šola", "Sonce", "zima"});
    l.SetSorted(true);
    QCOMPARE(l.ToStringList(), (QStringList{"avto", "cesta", "čebula", "Drevo", "Sonce", "šola", "zima", "Žaba"}));
    QCOMPARE(l.IndexOf(QStringLiteral("CESTA")), 1);
    QCOMPARE(l.IndexOf(QStringLiteral("ČEBULA")), 2);
    QCOMPARE(l.IndexOf(QStringLiteral("nič")), -1);
    // Adding keeps the order.
    QCOMPARE(l.Add(QStringLiteral("Bolnišnica")), 1);
    QCOMPARE(l.Strings(1), QStringLiteral("Bolnišnica"));

    l.SetCaseSensitive(true);
    QCOMPARE(l.IndexOf(QStringLiteral("CESTA")), -1);
}

void TestStringList::duplicatesFollowTheSetting_data()
{
    QTest::addColumn<int>("duplicates");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("raises");
    QTest::newRow("ignore") << int(TDuplicates::dupIgnore) << 2 << false;
    QTest::newRow("accept") << int(TDuplicates::dupAccept) << 3 << false;
    QTest::newRow("error") << int(TDuplicates::dupError) << 2 << true;
}

void TestStringList::duplicatesFollowTheSetting()
{
    QFETCH(int, duplicates);
    QFETCH(int, count);
    QFETCH(bool, raises);
    TStringList l;
    l.SetSorted(true);
    l.SetDuplicates(TDuplicates(duplicates));
    l.Add(QStringLiteral("Novak"));
    l.Add(QStringLiteral("Horvat"));
    bool raised = false;
    try {
        const int idx = l.Add(QStringLiteral("NOVAK"));
        QCOMPARE(idx, 1); // ignore: the existing one; accept: before it
    } catch (const EListError &e) {
        raised = true;
        QCOMPARE(e.Message(), QStringLiteral("String list does not allow duplicates"));
    }
    QCOMPARE(raised, raises);
    QCOMPARE(l.Count(), count);
}

void TestStringList::findReturnsInsertPosition()
{
    TStringList l;
    l.SetSorted(true);
    l.SetStringList({"b", "d", "f"});
    int idx = -1;
    QVERIFY(!l.Find(QStringLiteral("e"), idx));
    QCOMPARE(idx, 2);
    QVERIFY(l.Find(QStringLiteral("D"), idx));
    QCOMPARE(idx, 1);
    QVERIFY(!l.Find(QStringLiteral("z"), idx));
    QCOMPARE(idx, 3);
}

void TestStringList::sortedListRefusesPositionalChanges()
{
    TStringList l;
    l.Add(QStringLiteral("b"));
    l.Add(QStringLiteral("a"));
    l.SetSorted(true);
    QVERIFY_THROWS_EXCEPTION(EListError, l.Insert(0, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(EListError, l.SetStrings(0, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(EListError, l.Exchange(0, 1));
    QCOMPARE(l.ToStringList(), (QStringList{"a", "b"}));
}

void TestStringList::nameValueAccess()
{
    TStringList l;
    l.SetStringList({"Ime=Ana", "PRIIMEK=Novak", "brez", "prazno=", "a=b=c"});
    QCOMPARE(l.Names(0), QStringLiteral("Ime"));
    QCOMPARE(l.Names(2), QString());
    QCOMPARE(l.Values(QStringLiteral("priimek")), QStringLiteral("Novak"));
    QCOMPARE(l.Values(QStringLiteral("a")), QStringLiteral("b=c"));
    QCOMPARE(l.Values(QStringLiteral("brez")), QString());
    QCOMPARE(l.IndexOfName(QStringLiteral("PRAZNO")), 3);
    QCOMPARE(l.ValueFromIndex(2), QString());

    l.SetValues(QStringLiteral("ime"), QStringLiteral("Maja"));
    QCOMPARE(l.Strings(0), QStringLiteral("ime=Maja"));
    l.SetValues(QStringLiteral("novo"), QStringLiteral("1"));
    QCOMPARE(l.Strings(l.Count() - 1), QStringLiteral("novo=1"));
    l.SetValues(QStringLiteral("Priimek"), QString()); // empty value removes the entry
    QCOMPARE(l.IndexOfName(QStringLiteral("priimek")), -1);

    l.SetNameValueSeparator(QLatin1Char(':'));
    l.Add(QStringLiteral("x:y"));
    QCOMPARE(l.Values(QStringLiteral("x")), QStringLiteral("y"));
}

void TestStringList::ownedObjectsAreFreedOnlyWhenOwning()
{
    TCounted::Alive = 0;
    {
        TStringList owning(true);
        owning.AddObject(QStringLiteral("a"), new TCounted);
        owning.AddObject(QStringLiteral("b"), new TCounted);
        owning.AddObject(QStringLiteral("c"), new TCounted);
        QCOMPARE(TCounted::Alive, 3);
        owning.Delete(0);
        QCOMPARE(TCounted::Alive, 2);
        owning.SetObjects(0, new TCounted); // replaces and frees b's object
        QCOMPARE(TCounted::Alive, 2);
        std::unique_ptr<TObject> extracted(owning.Extract(0));
        QCOMPARE(TCounted::Alive, 2);
        extracted.reset();
        QCOMPARE(TCounted::Alive, 1);
    }
    QCOMPARE(TCounted::Alive, 0);

    TCounted kept;
    {
        TStringList borrowing;
        borrowing.AddObject(QStringLiteral("k"), &kept);
        QCOMPARE(borrowing.IndexOfObject(&kept), 0);
        borrowing.Clear();
    }
    QCOMPARE(TCounted::Alive, 1);
}

void TestStringList::changeEventsFireOncePerUpdate()
{
    TStringList l;
    int changes = 0, changing = 0;
    l.OnChange = [&](void *) { ++changes; };
    l.OnChanging = [&](void *) { ++changing; };
    l.SetDelimitedText(QStringLiteral("a,b,c,d"));
    QCOMPARE(changes, 1);
    QCOMPARE(changing, 1);
    l.Add(QStringLiteral("e"));
    QCOMPARE(changes, 2);
    l.BeginUpdate();
    l.Add(QStringLiteral("f"));
    l.Delete(0);
    QCOMPARE(changes, 2);
    l.EndUpdate();
    QCOMPARE(changes, 3);
}

void TestStringList::indexErrorsNameTheIndex()
{
    TStringList l;
    l.Add(QStringLiteral("a"));
    try {
        l.Strings(5);
        QFAIL("no exception");
    } catch (const EListError &e) {
        QCOMPARE(e.Message(), QStringLiteral("List index out of bounds (5)"));
    }
    QVERIFY_THROWS_EXCEPTION(EListError, l.Delete(-1));
}

QTEST_GUILESS_MAIN(TestStringList)
#include "tst_stringlist.moc"
