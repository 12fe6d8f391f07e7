// The toolkit's edit masks on Qt. A mask text is "<mask>;<save literals>;<blank>"
// ("99.99.9999;1; ", "!>LL;0;_"): the second field "0" drops the literals from
// the stored value (anything else, or nothing, keeps them), the third gives the
// character shown in an empty position (default "_"). A QLineEdit enforces the
// mask through Qt's input mask; TEditMask turns a stored value into the text the
// editor shows and back.
//
//   toolkit            Qt input mask
//   L  l               A  a     letter, required / optional
//   A  a               N  n     letter or digit
//   C  c               X  x     any character
//   0  9               9  0     digit (Qt has required and optional the other way round)
//   #                  #        digit, + or -, optional
//   >  <  <>           >  <  !  upper case / lower case / no conversion from here on
//   \x                 x        x as a literal (escaped when Qt reads x as a mask character)
//   :  /               the time / date separator of the format settings, as a literal
//   _                  a literal space
//   ;  (as \;)         U+037E, which looks the same: Qt cannot escape its own field separator
//   !                  nothing: Qt always fills from the left. The value conversions honour
//                      it (a value is laid in from the right, so optional positions are the
//                      leading blanks) and SetMaskedValue shows such a value as laid in.
//   any other          the literal itself
//
// An edit text is the editor's text with every position present (QLineEdit::
// displayText()); empty positions hold the blank character.
#pragma once

#include "toolkit/SysUtils.h"
#include "toolkit/toolkit_export.h"

#include <QString>
#include <vector>

class QLineEdit;

namespace toolkit {

class TOOLKIT_EXPORT TEditMask
{
public:
    // ":" and "/" are read with the given settings' separators when the mask is built.
    explicit TEditMask(const QString &editMask = {}, const TFormatSettings &settings = FormatSettings());

    // No positions at all: nothing is masked.
    bool IsEmpty() const { return FPositions.empty(); }
    // The mask field (before the first unescaped ";").
    QString Mask() const { return FMask; }
    bool SaveLiterals() const { return FSaveLiterals; }
    QChar Blank() const { return FBlank; }
    // True when the mask has "!".
    bool LeadingBlanks() const { return FLeadingBlanks; }
    // Number of positions (characters) of an edit text.
    int Length() const { return int(FPositions.size()); }

    // The Qt input mask with its blank character ("99.99.9999; "); empty for an empty mask.
    QString QtInputMask() const { return FQtInputMask; }

    // A stored value laid into the mask as the editor shows it. Literals missing
    // from the value are inserted, a character matching a literal further on
    // leaves the positions before it blank, characters a position cannot take are
    // skipped, and the case switches apply.
    QString ValueToEditText(const QString &value) const;
    // What is stored: literals kept or dropped per SaveLiterals, blanks of
    // optional positions removed, a blank required position kept as a space.
    QString EditTextToValue(const QString &editText) const;
    // Every required position is filled.
    bool IsComplete(const QString &editText) const;
    // No position is filled (only literals and blanks).
    bool IsBlank(const QString &editText) const;
    // Checks the edit text position by position: each literal in place, each
    // character one its position takes, each required position filled, nothing
    // beyond the mask. On failure errorPosition (when given) is the index of the
    // first offending position, otherwise -1.
    bool Validate(const QString &editText, int *errorPosition = nullptr) const;

private:
    friend QString FormatMaskText(const QString &editMask, const QString &value);
    enum class TKind : quint8 { Literal, Letter, LetterOrDigit, AnyChar, Digit, DigitOrSign };
    enum class TCase : quint8 { None, Upper, Lower };
    struct TPosition
    {
        TKind Kind;
        bool Required;
        TCase Case;
        QChar Literal; // the literal as stored
        QChar Shown;   // the literal as the editor shows it
    };

    bool Accepts(const TPosition &p, QChar c) const;
    bool IsBlankChar(const TPosition &p, QChar c) const;
    QChar Cased(const TPosition &p, QChar c) const;
    // Lays text into the positions; with `backwards` both are walked from
    // their ends, which is how "!" puts the blanks in front.
    QString LayIn(const QString &text, bool backwards) const;
    bool LiteralAhead(int step, QChar c, bool backwards) const;

    QString FMask;
    bool FSaveLiterals = true;
    QChar FBlank = QLatin1Char('_');
    bool FLeadingBlanks = false;
    std::vector<TPosition> FPositions;
    QString FQtInputMask;
};

// The value laid into the mask with empty positions as spaces, as a grid shows
// a masked value; the value itself when the mask is empty.
TOOLKIT_EXPORT QString FormatMaskText(const QString &editMask, const QString &value);

// Sets the edit's input mask from a toolkit mask (an empty mask clears it) and
// remembers the toolkit mask on the edit. What the edit held is kept: its value
// under the old mask is laid into the new one.
TOOLKIT_EXPORT void ApplyEditMask(QLineEdit *edit, const QString &editMask);
// The toolkit mask last applied to the edit; empty when none is, or when the
// edit's input mask has been changed behind it.
TOOLKIT_EXPORT QString EditMaskOf(const QLineEdit *edit);
// Shows a stored value in the edit through its mask, position by position
// (Qt's own setText would skip blanks and fill from the left); plain setText on
// an unmasked edit. The edit is left unmodified and textChanged is emitted once.
TOOLKIT_EXPORT void SetMaskedValue(QLineEdit *edit, const QString &value);
// The value to store from what the edit shows; text() on an unmasked edit.
TOOLKIT_EXPORT QString MaskedValue(const QLineEdit *edit);

} // namespace toolkit
