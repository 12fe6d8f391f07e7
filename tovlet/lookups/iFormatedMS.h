// Formatted values of grouped code lists. A value whose formatting text
// contains the word "format" (in any case) carries, from the text's ninth
// character on, coloured segments: "$", a colour number, ":" and the text
// ("format: $0000C0:MRSA $000000:– kontaktna izolacija"). The colour number
// is hexadecimal, as the system writes colours: red in the low byte, so
// "$0000FF" is red and "$FF0000" blue.
//
// TISkupSifrantFormated is a stateless service (class-level operations
// only): it tells whether a group has such values, splits a value into its
// segments and paints a value with its code as the grids and pick lists
// show "MS" cells. A value without formatting gives its plain description.
#pragma once

#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "tovlet/tovlet_export.h"

#include <QRect>
#include <QStringList>

class QPainter;

namespace tovlet {

class TOVLET_EXPORT TISkupSifrantFormated
{
public:
    TISkupSifrantFormated() = delete;

    // The formatting text marks a formatted value.
    static bool IsFormated(const QString &FormatText);
    // At least one value of the group has a formatted text; false for an
    // unknown group.
    static bool HasFormatedValues(const QString &Sifrant);
    // Clears List and fills it with the segments of the value Code of the
    // group Sifrant, one "$colour:text" entry each (text before the first
    // "$" is an entry of its own); a value without formatting gives its
    // description as the only entry, an unknown value nothing.
    static void GetFormatedValues(const QString &Code, const QString &Sifrant, toolkit::TStringList &List);
    // The splitting alone, over a value's formatting text and description.
    static QStringList SplitFormated(const QString &FormatText, const QString &Description);
    // The colour and text of one segment. False when the segment names no
    // colour that can be drawn (no "$" and ":", a colour number that does not
    // read, "no colour"); Text is then what is drawn in the painter's own
    // colour: the text after ":" of a segment that has one, else the whole
    // segment.
    static bool SegmentColor(const QString &Segment, toolkit::TColor &Color, QString &Text);
    // Paints the code Text of the group CodeList inside Rect: the code at the
    // left edge, 2 pixels below the top; the value's segments from
    // (code width of the group + 1) × the width of "X" on, each in its colour
    // (the painter's pen colour where it names none), one after the other.
    // The painter's pen and font are as they were afterwards.
    static void DrawItemToCanvas(QPainter &Canvas, const QString &Text, const QString &CodeList, const QRect &Rect);
    // Paints segments from Left on, their tops at Top, clipped to Clip;
    // returns the x after the last one.
    static int DrawSegments(QPainter &Canvas, const QStringList &Segments, int Left, int Top, const QRect &Clip);
};

} // namespace tovlet
