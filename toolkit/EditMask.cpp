#include "EditMask.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QVariant>

namespace toolkit {

namespace {

// Characters Qt reads as mask characters; as literals they need a backslash.
bool IsQtMaskChar(QChar c)
{
    return QStringView(u"AaNnXx90Dd#HhBb><!\\[]{}").contains(c);
}

// Qt takes the first ";" of an input mask as the start of the blank character,
// escaped or not, so a literal ";" is shown as the Greek question mark.
constexpr char16_t ShownSemicolon = 0x037E;

const char *const ToolkitMaskProperty = "toolkitEditMask";
const char *const QtMaskProperty = "toolkitQtInputMask";

} // namespace

TEditMask::TEditMask(const QString &editMask, const TFormatSettings &settings)
{
    int separator = -1;
    for (int i = 0; i < editMask.size(); ++i) {
        if (editMask.at(i) == QLatin1Char('\\'))
            ++i;
        else if (editMask.at(i) == QLatin1Char(';')) {
            separator = i;
            break;
        }
    }
    FMask = separator < 0 ? editMask : editMask.left(separator);
    if (separator >= 0) {
        const QString rest = editMask.mid(separator + 1);
        const qsizetype second = rest.indexOf(QLatin1Char(';'));
        FSaveLiterals = !rest.startsWith(QLatin1Char('0'));
        if (second >= 0 && second + 1 < rest.size())
            FBlank = rest.at(second + 1);
    }

    QString qt;
    TCase currentCase = TCase::None;
    auto addLiteral = [&](QChar c) {
        const QChar shown = c == QLatin1Char(';') ? QChar(ShownSemicolon) : c;
        FPositions.push_back({TKind::Literal, false, currentCase, c, shown});
        if (IsQtMaskChar(c))
            qt += QLatin1Char('\\');
        qt += shown;
    };
    auto addChar = [&](TKind kind, bool required, char qtChar) {
        FPositions.push_back({kind, required, currentCase, QChar(), QChar()});
        qt += QLatin1Char(qtChar);
    };
    for (qsizetype i = 0; i < FMask.size(); ++i) {
        const QChar c = FMask.at(i);
        switch (c.unicode()) {
        case '!': FLeadingBlanks = true; break;
        case '>':
            currentCase = TCase::Upper;
            qt += QLatin1Char('>');
            break;
        case '<':
            if (i + 1 < FMask.size() && FMask.at(i + 1) == QLatin1Char('>')) {
                ++i;
                currentCase = TCase::None;
                qt += QLatin1Char('!');
            } else {
                currentCase = TCase::Lower;
                qt += QLatin1Char('<');
            }
            break;
        case '\\':
            // A trailing backslash has nothing to escape and stands for itself.
            addLiteral(i + 1 < FMask.size() ? FMask.at(++i) : c);
            break;
        case ':': addLiteral(settings.TimeSeparator); break;
        case '/': addLiteral(settings.DateSeparator); break;
        case '_': addLiteral(QLatin1Char(' ')); break;
        case 'L': addChar(TKind::Letter, true, 'A'); break;
        case 'l': addChar(TKind::Letter, false, 'a'); break;
        case 'A': addChar(TKind::LetterOrDigit, true, 'N'); break;
        case 'a': addChar(TKind::LetterOrDigit, false, 'n'); break;
        case 'C': addChar(TKind::AnyChar, true, 'X'); break;
        case 'c': addChar(TKind::AnyChar, false, 'x'); break;
        case '0': addChar(TKind::Digit, true, '9'); break;
        case '9': addChar(TKind::Digit, false, '0'); break;
        case '#': addChar(TKind::DigitOrSign, false, '#'); break;
        default: addLiteral(c); break;
        }
    }
    if (!FPositions.empty())
        FQtInputMask = qt + QLatin1Char(';') + FBlank;
}

// The same tests as Qt's input mask, so that what a value conversion accepts
// the editor accepts too.
bool TEditMask::Accepts(const TPosition &p, QChar c) const
{
    switch (p.Kind) {
    case TKind::Letter: return c.isLetter();
    case TKind::LetterOrDigit: return c.isLetterOrNumber();
    case TKind::AnyChar: return c.isPrint() && c != FBlank;
    case TKind::Digit: return c.isNumber();
    case TKind::DigitOrSign: return c.isNumber() || c == QLatin1Char('+') || c == QLatin1Char('-');
    case TKind::Literal: break;
    }
    return false;
}

// A space stands for an empty position too: stored values keep an unfilled
// required position as a space, and older values come padded with spaces.
bool TEditMask::IsBlankChar(const TPosition &p, QChar c) const
{
    return c == FBlank || (c == QLatin1Char(' ') && p.Kind != TKind::AnyChar);
}

QChar TEditMask::Cased(const TPosition &p, QChar c) const
{
    switch (p.Case) {
    case TCase::Upper: return c.toUpper();
    case TCase::Lower: return c.toLower();
    case TCase::None: break;
    }
    return c;
}

bool TEditMask::LiteralAhead(int step, QChar c, bool backwards) const
{
    const int n = Length();
    for (int k = step + 1; k < n; ++k) {
        const TPosition &p = FPositions[size_t(backwards ? n - 1 - k : k)];
        if (p.Kind == TKind::Literal && (p.Literal == c || p.Shown == c))
            return true;
    }
    return false;
}

QString TEditMask::LayIn(const QString &text, bool backwards) const
{
    const int n = Length();
    const qsizetype len = text.size();
    QString out(n, FBlank);
    qsizetype t = 0;
    auto next = [&]() { return text.at(backwards ? len - 1 - t : t); };
    for (int k = 0; k < n; ++k) {
        const int i = backwards ? n - 1 - k : k;
        const TPosition &p = FPositions[size_t(i)];
        if (p.Kind == TKind::Literal) {
            out[i] = p.Shown;
            if (t < len && (next() == p.Literal || next() == p.Shown))
                ++t;
            continue;
        }
        while (t < len) {
            const QChar c = next();
            if (IsBlankChar(p, c)) {
                ++t;
                break;
            }
            if (Accepts(p, c)) {
                out[i] = Cased(p, c);
                ++t;
                break;
            }
            // Left blank: the literal further on takes the character.
            if (LiteralAhead(k, c, backwards))
                break;
            ++t;
        }
    }
    return out;
}

QString TEditMask::ValueToEditText(const QString &value) const
{
    return IsEmpty() ? value : LayIn(value, FLeadingBlanks);
}

QString TEditMask::EditTextToValue(const QString &editText) const
{
    if (IsEmpty())
        return editText;
    const QString shown = LayIn(editText, FLeadingBlanks);
    QString value;
    value.reserve(shown.size());
    for (int i = 0; i < Length(); ++i) {
        const TPosition &p = FPositions[size_t(i)];
        if (p.Kind == TKind::Literal) {
            if (FSaveLiterals)
                value += p.Literal;
        } else if (IsBlankChar(p, shown.at(i))) {
            if (p.Required)
                value += QLatin1Char(' ');
        } else {
            value += shown.at(i);
        }
    }
    return value;
}

bool TEditMask::IsComplete(const QString &editText) const
{
    const QString shown = LayIn(editText, FLeadingBlanks);
    for (int i = 0; i < Length(); ++i) {
        const TPosition &p = FPositions[size_t(i)];
        if (p.Kind != TKind::Literal && p.Required && IsBlankChar(p, shown.at(i)))
            return false;
    }
    return true;
}

bool TEditMask::IsBlank(const QString &editText) const
{
    if (IsEmpty())
        return editText.isEmpty();
    const QString shown = LayIn(editText, FLeadingBlanks);
    for (int i = 0; i < Length(); ++i) {
        const TPosition &p = FPositions[size_t(i)];
        if (p.Kind != TKind::Literal && !IsBlankChar(p, shown.at(i)))
            return false;
    }
    return true;
}

bool TEditMask::Validate(const QString &editText, int *errorPosition) const
{
    int error = -1;
    if (!IsEmpty()) {
        for (int i = 0; i < Length() && error < 0; ++i) {
            const TPosition &p = FPositions[size_t(i)];
            const QChar c = i < editText.size() ? editText.at(i) : FBlank;
            if (p.Kind == TKind::Literal) {
                if (c != p.Literal && c != p.Shown)
                    error = i;
            } else if (IsBlankChar(p, c)) {
                if (p.Required)
                    error = i;
            } else if (!Accepts(p, c)) {
                error = i;
            }
        }
        if (error < 0 && editText.size() > Length())
            error = Length();
    }
    if (errorPosition)
        *errorPosition = error;
    return error < 0;
}

QString FormatMaskText(const QString &editMask, const QString &value)
{
    const TEditMask mask(editMask);
    if (mask.IsEmpty())
        return value;
    QString text = mask.ValueToEditText(value);
    // Literals as the mask has them (not the editor's stand-in for ";"),
    // empty positions as spaces.
    for (int i = 0; i < mask.Length(); ++i) {
        const TEditMask::TPosition &p = mask.FPositions[size_t(i)];
        if (p.Kind == TEditMask::TKind::Literal)
            text[i] = p.Literal;
        else if (mask.IsBlankChar(p, text.at(i)))
            text[i] = QLatin1Char(' ');
    }
    return text;
}

QString EditMaskOf(const QLineEdit *edit)
{
    if (!edit)
        return {};
    const QVariant qtMask = edit->property(QtMaskProperty);
    if (!qtMask.isValid() || qtMask.toString() != edit->inputMask())
        return {};
    return edit->property(ToolkitMaskProperty).toString();
}

QString MaskedValue(const QLineEdit *edit)
{
    if (!edit)
        return {};
    const TEditMask mask(EditMaskOf(edit));
    return mask.IsEmpty() ? edit->text() : mask.EditTextToValue(edit->displayText());
}

void SetMaskedValue(QLineEdit *edit, const QString &value)
{
    if (!edit)
        return;
    const TEditMask mask(EditMaskOf(edit));
    if (mask.IsEmpty()) {
        edit->setText(value);
        return;
    }
    const QString shown = mask.ValueToEditText(value);
    {
        const QSignalBlocker blocker(edit);
        edit->setText(shown);
        if (edit->displayText() != shown) {
            // Qt lays a text in from the left and skips blanks: put each run
            // of filled positions where it belongs instead.
            const QString blanks = mask.ValueToEditText(QString());
            edit->setText(QString());
            for (int i = 0; i < shown.size();) {
                if (shown.at(i) == blanks.at(i)) {
                    ++i;
                    continue;
                }
                int end = i;
                while (end < shown.size() && shown.at(end) != blanks.at(end))
                    ++end;
                edit->setCursorPosition(i);
                edit->insert(shown.mid(i, end - i));
                i = end;
            }
            edit->setModified(false);
            edit->setCursorPosition(int(shown.size()));
        }
    }
    Q_EMIT edit->textChanged(edit->text());
}

void ApplyEditMask(QLineEdit *edit, const QString &editMask)
{
    if (!edit)
        return;
    const TEditMask mask(editMask);
    const QString applied = EditMaskOf(edit);
    if (mask.IsEmpty() ? applied.isEmpty() && edit->inputMask().isEmpty() : applied == editMask)
        return;
    const QString value = MaskedValue(edit);
    const bool modified = edit->isModified();
    edit->setInputMask(mask.QtInputMask());
    if (mask.IsEmpty()) {
        edit->setProperty(ToolkitMaskProperty, QVariant());
        edit->setProperty(QtMaskProperty, QVariant());
    } else {
        edit->setProperty(ToolkitMaskProperty, editMask);
        // Qt hands the mask back in its own spelling; compare with that later.
        edit->setProperty(QtMaskProperty, edit->inputMask());
    }
    SetMaskedValue(edit, value);
    edit->setModified(modified);
}

} // namespace toolkit
