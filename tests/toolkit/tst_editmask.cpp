#include "toolkit/EditMask.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace toolkit;

namespace {

// Types text as keys; characters outside ASCII go as text events, which is
// how a keyboard layout delivers "č".
void Type(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(w, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestEditMask : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void translatesToQtInputMask_data();
    void translatesToQtInputMask();
    void separatorsComeFromTheFormatSettings();
    void editorTakesWhatThePositionTakes_data();
    void editorTakesWhatThePositionTakes();
    void valueAndEditText_data();
    void valueAndEditText();
    void completenessAndValidation_data();
    void completenessAndValidation();
    void dateEditorRejectsLettersAndKeepsLiterals();
    void upperCaseMaskUpperCasesTypedLetters();
    void valueIsShownInItsPositions_data();
    void valueIsShownInItsPositions();
    void changingTheMaskKeepsWhatTheEditHolds();
    void anyMaskMeansTheSameToQt();
};

void TestEditMask::translatesToQtInputMask_data()
{
    QTest::addColumn<QString>("editMask");
    QTest::addColumn<QString>("qtMask");
    QTest::addColumn<bool>("saveLiterals");
    QTest::addColumn<QChar>("blank");

    QTest::newRow("date with a space blank") << "99.99.9999;1; " << "00.00.0000; " << true << QChar(' ');
    QTest::newRow("upper-case letters, literals dropped") << "!>LL;0;_" << ">AA;_" << false << QChar('_');
    QTest::newRow("time with a required hour digit") << "!90:00;1;_" << "09:99;_" << true << QChar('_');
    QTest::newRow("grid date-time") << "99.99.9999 99:99;1; " << "00.00.0000 00:00; " << true << QChar(' ');
    QTest::newRow("every position kind") << "LlAaCc09#" << "AaNnXx90#;_" << true << QChar('_');
    QTest::newRow("case switches and no conversion") << ">L<l<>L" << ">A<a!A;_" << true << QChar('_');
    QTest::newRow("escaped toolkit characters are literals") << "\\L\\0\\9\\:\\/\\_\\!" << "L\\0\\9:/_\\!;_" << true
                                                             << QChar('_');
    QTest::newRow("literals Qt reads as mask characters") << "NnXxDdHhBb[]{}"
                                                          << "\\N\\n\\X\\x\\D\\d\\H\\h\\B\\b\\[\\]\\{\\};_" << true
                                                          << QChar('_');
    QTest::newRow("escaped letters Qt reads") << "\\A\\a\\#\\>\\<\\\\" << "\\A\\a\\#\\>\\<\\\\;_" << true << QChar('_');
    QTest::newRow("underscore is a space") << "00_00" << "99 99;_" << true << QChar('_');
    QTest::newRow("separators of the settings") << "00/00/0000 00:00" << "99.99.9999 99:99;_" << true << QChar('_');
    QTest::newRow("literal semicolon") << "00\\;00;0;*" << QString::fromUtf8("99\u037E99;*") << false << QChar('*');
    QTest::newRow("trailing backslash") << "0\\" << "9\\\\;_" << true << QChar('_');
    QTest::newRow("no blank field") << "00;0" << "99;_" << false << QChar('_');
    QTest::newRow("blank without a save flag") << "00;;*" << "99;*" << true << QChar('*');
    QTest::newRow("blank that is Qt's separator") << "00;1;;" << "99;;" << true << QChar(';');
    QTest::newRow("only a case switch") << ">" << "" << true << QChar('_');
    QTest::newRow("empty mask field with flags") << ";0;*" << "" << false << QChar('*');
    QTest::newRow("nothing") << "" << "" << true << QChar('_');
}

void TestEditMask::translatesToQtInputMask()
{
    QFETCH(QString, editMask);
    QFETCH(QString, qtMask);
    QFETCH(bool, saveLiterals);
    QFETCH(QChar, blank);
    const TEditMask mask(editMask);
    QCOMPARE(mask.QtInputMask(), qtMask);
    QCOMPARE(mask.SaveLiterals(), saveLiterals);
    QCOMPARE(mask.Blank(), blank);
    QCOMPARE(mask.IsEmpty(), qtMask.isEmpty());

    // Qt must read the mask as meant: as many positions as the toolkit has.
    QLineEdit edit;
    edit.setInputMask(qtMask);
    QCOMPARE(edit.displayText().size(), mask.Length());
}

void TestEditMask::separatorsComeFromTheFormatSettings()
{
    TFormatSettings settings;
    settings.DateSeparator = QLatin1Char('/');
    settings.TimeSeparator = QLatin1Char('h'); // a Qt mask character: must come out escaped
    const TEditMask mask(QStringLiteral("00/00 00:00"), settings);
    QCOMPARE(mask.QtInputMask(), QStringLiteral("99/99 99\\h99;_"));
    QCOMPARE(mask.ValueToEditText(QStringLiteral("0105 1230")), QStringLiteral("01/05 12h30"));
}

void TestEditMask::editorTakesWhatThePositionTakes_data()
{
    QTest::addColumn<QString>("editMask");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<bool>("required");

    const struct
    {
        const char *mask;
        bool required;
        const char *takes;
        const char *refuses;
    } kinds[] = {
        {"L", true, "aZ\u010D", "5-. "}, {"l", false, "a\u017E", "5+"},  {"A", true, "a5\u0160", "-+."},
        {"a", false, "Z0", ".!"},          {"C", true, "a5-. !", ""},      {"c", false, "?x", ""},
        {"0", true, "05", "a-+"},          {"9", false, "9", "x.+"},       {"#", false, "7+-", "a."},
    };
    for (const auto &kind : kinds) {
        for (const QChar c : QString::fromUtf8(kind.takes))
            QTest::addRow("%s takes '%s'", kind.mask, qPrintable(QString(c)))
                << kind.mask << QString(c) << true << kind.required;
        for (const QChar c : QString::fromUtf8(kind.refuses))
            QTest::addRow("%s refuses '%s'", kind.mask, qPrintable(QString(c)))
                << kind.mask << QString(c) << false << kind.required;
    }
}

// The editor (Qt) and the value conversions (ours) must agree on every
// position kind, and the toolkit's required/optional must survive the swap of
// "0" and "9".
void TestEditMask::editorTakesWhatThePositionTakes()
{
    QFETCH(QString, editMask);
    QFETCH(QString, typed);
    QFETCH(bool, taken);
    QFETCH(bool, required);
    const TEditMask mask(editMask);

    QLineEdit edit;
    ApplyEditMask(&edit, editMask);
    QCOMPARE(edit.hasAcceptableInput(), !required);
    QCOMPARE(mask.IsComplete(edit.displayText()), !required);
    QTest::keyClick(&edit, Qt::Key_Home);
    Type(&edit, typed);
    QCOMPARE(edit.displayText() == typed, taken);
    QCOMPARE(mask.ValueToEditText(typed) == typed, taken);
    QCOMPARE(mask.Validate(typed), taken);
    QCOMPARE(MaskedValue(&edit), taken ? typed : QString(required ? " " : ""));
}

void TestEditMask::valueAndEditText_data()
{
    QTest::addColumn<QString>("editMask");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("editText");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("formatted");

    QTest::newRow("date with literals") << "99.99.9999;1; " << "12.05.2024" << "12.05.2024" << "12.05.2024"
                                        << "12.05.2024";
    QTest::newRow("date lacking literals") << "99.99.9999;1; " << "12052024" << "12.05.2024" << "12.05.2024"
                                           << "12.05.2024";
    QTest::newRow("date with short parts") << "99.99.9999;1; " << "1.5.2024" << "1 .5 .2024" << "1.5.2024"
                                           << "1 .5 .2024";
    QTest::newRow("date, literals not saved") << "99.99.9999;0; " << "12052024" << "12.05.2024" << "12052024"
                                              << "12.05.2024";
    QTest::newRow("empty date, optional digits") << "99.99.9999;1; " << "" << "  .  .    " << ".." << "  .  .    ";
    QTest::newRow("empty date, required digits") << "00.00.0000;1;_" << "" << "__.__.____" << "  .  .    "
                                                 << "  .  .    ";
    QTest::newRow("stored blanks of required digits") << "00.00.0000;1;_" << "1 .2 .2024" << "1_.2_.2024"
                                                      << "1 .2 .2024" << "1 .2 .2024";
    QTest::newRow("letters upper-cased") << "!>LL;0;_" << "ab" << "AB" << "AB" << "AB";
    QTest::newRow("lower case") << "<LLL;1;_" << "AbC" << "abc" << "abc" << "abc";
    QTest::newRow("no conversion after <>") << ">L<>L;1;_" << "ab" << "Ab" << "Ab" << "Ab";
    QTest::newRow("leading blanks with !") << "!90:00;1;_" << "9:30" << "_9:30" << "9:30" << " 9:30";
    QTest::newRow("trailing blank without !") << "90:00;1;_" << "9:30" << "9_:30" << "9 :30" << "9 :30";
    QTest::newRow("number laid in from the right") << "!999;0;_" << "42" << "_42" << "42" << " 42";
    QTest::newRow("phone, literals dropped") << "(999) 000-0000;0;_" << "1234567890" << "(123) 456-7890"
                                             << "1234567890" << "(123) 456-7890";
    QTest::newRow("characters a position refuses") << "000;1;_" << "1a2" << "12_" << "12 " << "12 ";
    QTest::newRow("value longer than the mask") << "000;1;_" << "12345" << "123" << "123" << "123";
    QTest::newRow("space in an any-character position") << "CCC;1;_" << "a b" << "a b" << "a b" << "a b";
    QTest::newRow("literal semicolon") << "00\\;00;1;_" << "12;34" << QString::fromUtf8("12\u037E34") << "12;34"
                                       << "12;34";
    QTest::newRow("hostile text") << "!>LL;0;_" << "'; --\\%" << "__" << "  " << "  ";
    QTest::newRow("no mask") << "" << "as typed" << "as typed" << "as typed" << "as typed";
}

void TestEditMask::valueAndEditText()
{
    QFETCH(QString, editMask);
    QFETCH(QString, value);
    QFETCH(QString, editText);
    QFETCH(QString, stored);
    QFETCH(QString, formatted);
    const TEditMask mask(editMask);
    QCOMPARE(mask.ValueToEditText(value), editText);
    QCOMPARE(mask.EditTextToValue(editText), stored);
    // Stored once, a value comes back as it went.
    QCOMPARE(mask.EditTextToValue(mask.ValueToEditText(stored)), stored);
    QCOMPARE(FormatMaskText(editMask, value), formatted);
}

void TestEditMask::completenessAndValidation_data()
{
    QTest::addColumn<QString>("editMask");
    QTest::addColumn<QString>("editText");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<int>("errorPosition");

    QTest::newRow("full date") << "00.00.0000;1;_" << "12.05.2024" << true << false << -1;
    QTest::newRow("required digit missing") << "00.00.0000;1;_" << "12.0_.2024" << false << false << 4;
    QTest::newRow("optional digits left blank") << "99.99.9999;1; " << "1 .5 .2024" << true << false << -1;
    QTest::newRow("nothing entered") << "00.00.0000;1;_" << "__.__.____" << false << true << 0;
    QTest::newRow("nothing entered, all optional") << "99.99.9999;1; " << "  .  .    " << true << true << -1;
    QTest::newRow("letter in a digit position") << "000;1;_" << "1a3" << false << false << 1;
    QTest::newRow("literal out of place") << "00.00;1;_" << "12-34" << true << false << 2;
    QTest::newRow("text beyond the mask") << "00;1;_" << "123" << true << false << 2;
    QTest::newRow("text short of the mask") << "00;1;_" << "1" << false << false << 1;
    QTest::newRow("no mask") << "" << "anything" << true << false << -1;
}

void TestEditMask::completenessAndValidation()
{
    QFETCH(QString, editMask);
    QFETCH(QString, editText);
    QFETCH(bool, complete);
    QFETCH(bool, blank);
    QFETCH(int, errorPosition);
    const TEditMask mask(editMask);
    QCOMPARE(mask.IsComplete(editText), complete);
    QCOMPARE(mask.IsBlank(editText), blank);
    int position = 99;
    QCOMPARE(mask.Validate(editText, &position), errorPosition < 0);
    QCOMPARE(position, errorPosition);
}

void TestEditMask::dateEditorRejectsLettersAndKeepsLiterals()
{
    QLineEdit edit;
    ApplyEditMask(&edit, QStringLiteral("99.99.9999;1; "));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTest::mouseClick(&edit, Qt::LeftButton, {}, edit.rect().center());
    QTest::keyClick(&edit, Qt::Key_Home);

    Type(&edit, QStringLiteral("1x2a05b2024"));
    QCOMPARE(edit.displayText(), QStringLiteral("12.05.2024"));
    QVERIFY(edit.isModified());
    QCOMPARE(MaskedValue(&edit), QStringLiteral("12.05.2024"));

    // Rubbing out the day leaves the separators where they are.
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&edit, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(edit.displayText(), QStringLiteral("  .05.2024"));
    QCOMPARE(MaskedValue(&edit), QStringLiteral(".05.2024"));
    Type(&edit, QStringLiteral("3"));
    QCOMPARE(MaskedValue(&edit), QStringLiteral("3.05.2024"));
}

void TestEditMask::upperCaseMaskUpperCasesTypedLetters()
{
    QLineEdit edit;
    ApplyEditMask(&edit, QStringLiteral("!>LL;0;_"));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTest::keyClick(&edit, Qt::Key_Home);
    QVERIFY(!edit.hasAcceptableInput());

    Type(&edit, QString::fromUtf8("1\u010Dx"));
    QCOMPARE(edit.displayText(), QString::fromUtf8("\u010CX"));
    QVERIFY(edit.hasAcceptableInput());
    QCOMPARE(MaskedValue(&edit), QString::fromUtf8("\u010CX"));
}

void TestEditMask::valueIsShownInItsPositions_data()
{
    QTest::addColumn<QString>("editMask");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("date with short parts") << "99.99.9999;1; " << "1.5.2024" << "1 .5 .2024";
    QTest::newRow("date lacking literals") << "99.99.9999;0; " << "12052024" << "12.05.2024";
    QTest::newRow("leading blank with !") << "!90:00;1;_" << "9:30" << "_9:30";
    QTest::newRow("inner blank of a required position") << "00.00.0000;1;_" << "1 .2 .2024" << "1_.2_.2024";
    QTest::newRow("space kept in any-character position") << "CCC;1; " << "a b" << "a b";
    QTest::newRow("literal semicolon") << "00\\;00;1;_" << "12;34" << QString::fromUtf8("12\u037E34");
    QTest::newRow("empty value") << "!90:00;1;_" << "" << "__:__";
}

void TestEditMask::valueIsShownInItsPositions()
{
    QFETCH(QString, editMask);
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QLineEdit edit;
    ApplyEditMask(&edit, editMask);
    QSignalSpy changed(&edit, &QLineEdit::textChanged);
    QSignalSpy edited(&edit, &QLineEdit::textEdited);

    SetMaskedValue(&edit, value);
    QCOMPARE(edit.displayText(), shown);
    QVERIFY(!edit.isModified());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edited.count(), 0);
    QCOMPARE(MaskedValue(&edit), TEditMask(editMask).EditTextToValue(shown));
}

void TestEditMask::changingTheMaskKeepsWhatTheEditHolds()
{
    QLineEdit edit;
    edit.setText(QStringLiteral("12052024"));
    ApplyEditMask(&edit, QStringLiteral("99.99.9999;1; "));
    QCOMPARE(edit.displayText(), QStringLiteral("12.05.2024"));
    QCOMPARE(EditMaskOf(&edit), QStringLiteral("99.99.9999;1; "));

    // Qt alone empties the edit when its mask is taken away.
    ApplyEditMask(&edit, QString());
    QCOMPARE(edit.inputMask(), QString());
    QCOMPARE(edit.text(), QStringLiteral("12.05.2024"));
    QCOMPARE(EditMaskOf(&edit), QString());

    ApplyEditMask(&edit, QStringLiteral("!90:00;1;_"));
    edit.setInputMask(QStringLiteral("000"));
    QCOMPARE(EditMaskOf(&edit), QString()); // changed behind its back: no longer ours
    QCOMPARE(MaskedValue(&edit), edit.text());
}

// Masks and values made of every character either language gives a meaning:
// whatever the mask, Qt must see the same positions, and the editor must show
// a value exactly as the conversions lay it in.
void TestEditMask::anyMaskMeansTheSameToQt()
{
    QStringList maskTokens;
    for (const QChar c : QString::fromUtf8("LlAaCc09#><!:/_NnXxDdHhBb[]{}.- \u010D\\"))
        maskTokens << QString(c);
    maskTokens << QStringLiteral("<>") << QStringLiteral("\\;") << QStringLiteral("\\0") << QStringLiteral("\\L")
               << QStringLiteral("\\\\") << QStringLiteral("\\:");
    const QString valueChars = QString::fromUtf8("aZ\u010D059+-.:;_ !x[");
    QRandomGenerator random(20240512);
    auto pick = [&](const QString &from, int maxLength) {
        QString s;
        for (int n = random.bounded(maxLength + 1); n > 0; --n)
            s += from.at(random.bounded(int(from.size())));
        return s;
    };
    auto pickMask = [&]() {
        QString s;
        for (int n = random.bounded(13); n > 0; --n)
            s += maskTokens.at(random.bounded(int(maskTokens.size())));
        return s;
    };
    // A blank that a position could also take (a digit, a letter) is ambiguous
    // by nature; such masks (an escaped ";" can bring one) are left out.
    const QString blanks = QStringLiteral("_ *;.");
    for (int round = 0; round < 2000; ++round) {
        const QString editMask = pickMask() + QLatin1Char(';') + pick(QStringLiteral("01"), 1)
                                 + QLatin1Char(';') + blanks.at(random.bounded(int(blanks.size())));
        const QString value = pick(valueChars, 14);
        const TEditMask mask(editMask);
        if (mask.IsEmpty() || mask.Blank().isLetterOrNumber())
            continue;
        QLineEdit edit;
        ApplyEditMask(&edit, editMask);
        QVERIFY2(edit.displayText().size() == mask.Length(), qPrintable(editMask));
        const QString shown = mask.ValueToEditText(value);
        SetMaskedValue(&edit, value);
        QVERIFY2(edit.displayText() == shown,
                 qPrintable(editMask + QLatin1String(" | ") + value + QLatin1String(" | ") + edit.displayText()
                            + QLatin1String(" | ") + shown));
        QCOMPARE(mask.EditTextToValue(shown), MaskedValue(&edit));
        QVERIFY2(mask.IsComplete(shown) == edit.hasAcceptableInput(),
                 qPrintable(editMask + QLatin1String(" | ") + shown + QLatin1String(" | ") + mask.QtInputMask()));
    }
}

QTEST_MAIN(TestEditMask)
#include "tst_editmask.moc"
