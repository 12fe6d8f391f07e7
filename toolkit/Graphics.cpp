#include "Graphics.h"

#include <QGuiApplication>

namespace toolkit {

namespace {

QColor SystemColor(int index, const QPalette &pal)
{
    switch (index) {
    case 0: return pal.color(QPalette::Button);               // scroll bar
    case 1: return pal.color(QPalette::Window);               // desktop
    case 2: return pal.color(QPalette::Active, QPalette::Highlight);
    case 3: return pal.color(QPalette::Inactive, QPalette::Highlight);
    case 4: return pal.color(QPalette::Window);               // menu
    case 5: return pal.color(QPalette::Base);                 // window
    case 6: return pal.color(QPalette::Shadow);               // window frame
    case 7: return pal.color(QPalette::WindowText);           // menu text
    case 8: return pal.color(QPalette::Text);                 // window text
    case 9: return pal.color(QPalette::Active, QPalette::HighlightedText);
    case 10: return pal.color(QPalette::Button);
    case 11: return pal.color(QPalette::Button);
    case 12: return pal.color(QPalette::Mid);                 // application workspace
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);              // button face
    case 16: return pal.color(QPalette::Dark);                // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: return pal.color(QPalette::Light);               // button highlight
    case 21: return pal.color(QPalette::Shadow);              // 3D dark shadow
    case 22: return pal.color(QPalette::Midlight);            // 3D light
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    case 26: return pal.color(QPalette::Link);
    case 27: return pal.color(QPalette::Active, QPalette::Highlight).lighter(130);
    case 28: return pal.color(QPalette::Inactive, QPalette::Highlight).lighter(130);
    case 29: return pal.color(QPalette::Highlight);
    case 30: return pal.color(QPalette::Window);
    default: return pal.color(QPalette::Window);
    }
}

} // namespace

QColor ColorToQColor(TColor color, const QPalette *palette)
{
    if (color == clDefault)
        return {};
    if (IsSystemColor(color)) {
        const QPalette pal = palette ? *palette : QGuiApplication::palette();
        return SystemColor(int(color & 0xFF), pal);
    }
    const quint32 c = quint32(color);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor ColorToRGB(TColor color, const QPalette *palette)
{
    if (!IsSystemColor(color))
        return color;
    return QColorToColor(ColorToQColor(color, palette));
}

TColor QColorToColor(const QColor &color)
{
    if (!color.isValid())
        return clDefault;
    return RGB(color.red(), color.green(), color.blue());
}

} // namespace toolkit
