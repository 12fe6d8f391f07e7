#include "iFormatedMS.h"

#include "marvok/Isifrant.h"

#include <QFontMetrics>
#include <QPainter>

namespace tovlet {

namespace {

// What comes before the segments ("format: ") is eight characters long.
constexpr int FormatPrefixLength = 8;

bool IsHexColour(const QString &text)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    for (const QChar ch : text)
        if (!((ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || (ch >= QLatin1Char('a') && ch <= QLatin1Char('f'))
              || (ch >= QLatin1Char('A') && ch <= QLatin1Char('F'))))
            return false;
    return true;
}

} // namespace

bool TISkupSifrantFormated::IsFormated(const QString &FormatText)
{
    return FormatText.contains(QLatin1String("format"), Qt::CaseInsensitive);
}

bool TISkupSifrantFormated::HasFormatedValues(const QString &Sifrant)
{
    const marvok::TISkupSifrant *group = marvok::SkupSifranti().Group(Sifrant);
    if (!group)
        return false;
    for (const marvok::TISifrantEntry &value : group->Values)
        if (IsFormated(value.FormatText))
            return true;
    return false;
}

QStringList TISkupSifrantFormated::SplitFormated(const QString &FormatText, const QString &Description)
{
    if (!IsFormated(FormatText))
        return {Description};
    QStringList segments;
    QString collected;
    bool inColour = false;
    for (const QChar ch : QStringView(FormatText).mid(std::min(qsizetype(FormatPrefixLength), FormatText.size()))) {
        if (ch == QLatin1Char('$') && !inColour) {
            if (!collected.isEmpty())
                segments << collected;
            collected = ch;
            inColour = true;
        } else {
            // A "$" inside a colour number stays there; the colour ends at ":".
            if (ch == QLatin1Char(':'))
                inColour = false;
            collected += ch;
        }
    }
    if (!collected.isEmpty())
        segments << collected;
    return segments;
}

void TISkupSifrantFormated::GetFormatedValues(const QString &Code, const QString &Sifrant, toolkit::TStringList &List)
{
    List.BeginUpdate();
    List.Clear();
    marvok::TISkupSifranti &groups = marvok::SkupSifranti();
    if (groups.CodeExists(Sifrant, Code))
        List.SetStringList(SplitFormated(groups.FormatText(Sifrant, Code), groups.Description(Sifrant, Code)));
    List.EndUpdate();
}

bool TISkupSifrantFormated::SegmentColor(const QString &Segment, toolkit::TColor &Color, QString &Text)
{
    const qsizetype dollar = Segment.indexOf(QLatin1Char('$'));
    const qsizetype colon = dollar < 0 ? -1 : Segment.indexOf(QLatin1Char(':'), dollar + 1);
    if (colon < 0) {
        Text = Segment;
        return false;
    }
    Text = Segment.mid(colon + 1);
    const QString number = Segment.mid(dollar + 1, colon - dollar - 1).trimmed();
    if (!IsHexColour(number))
        return false;
    const auto value = toolkit::TColor(number.toUInt(nullptr, 16));
    if (value == toolkit::clNone)
        return false;
    Color = value;
    return true;
}

int TISkupSifrantFormated::DrawSegments(QPainter &Canvas, const QStringList &Segments, int Left, int Top, const QRect &Clip)
{
    Canvas.save();
    Canvas.setClipRect(Clip, Canvas.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    const QPen own = Canvas.pen();
    const QFontMetrics metrics(Canvas.font());
    int x = Left;
    for (const QString &segment : Segments) {
        if (x > Clip.right())
            break; // the rest would not show; a huge value costs nothing more
        toolkit::TColor colour = toolkit::clBlack;
        QString text;
        QColor pen;
        if (SegmentColor(segment, colour, text))
            pen = toolkit::ColorToQColor(colour);
        Canvas.setPen(pen.isValid() ? QPen(pen) : own);
        const int width = metrics.horizontalAdvance(text);
        Canvas.drawText(QRect(x, Top, std::max(width, 1), metrics.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        x += width;
    }
    Canvas.restore();
    return x;
}

void TISkupSifrantFormated::DrawItemToCanvas(QPainter &Canvas, const QString &Text, const QString &CodeList, const QRect &Rect)
{
    Canvas.save();
    Canvas.setClipRect(Rect, Canvas.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    const QFontMetrics metrics(Canvas.font());
    const int top = Rect.top() + 2;
    Canvas.drawText(QRect(Rect.left(), top, std::max(metrics.horizontalAdvance(Text), 1), metrics.height()),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Text);
    const int codeWidth = marvok::SkupSifranti().CodeWidth(CodeList);
    toolkit::TStringList segments;
    GetFormatedValues(Text, CodeList, segments);
    DrawSegments(Canvas, segments.ToStringList(), Rect.left() + (codeWidth + 1) * metrics.horizontalAdvance(QLatin1Char('X')), top, Rect);
    Canvas.restore();
}

} // namespace tovlet
