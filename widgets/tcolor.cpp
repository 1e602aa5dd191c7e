#include "tcolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// System colour numbers and the palette entries that play their part here.
QColor systemColor(int n)
{
    const QPalette pal = QGuiApplication::palette();
    switch (n) {
    case 0: return pal.color(QPalette::Mid);             // scroll bar
    case 1: return pal.color(QPalette::Dark);            // desktop
    case 2: case 27: return pal.color(QPalette::Highlight);        // active caption
    case 3: case 28: return pal.color(QPalette::Mid);              // inactive caption
    case 4: case 30: return pal.color(QPalette::Window);           // menu, menu bar
    case 5: return pal.color(QPalette::Base);            // window
    case 6: return pal.color(QPalette::Shadow);          // window frame
    case 7: return pal.color(QPalette::WindowText);      // menu text
    case 8: return pal.color(QPalette::Text);            // window text
    case 9: return pal.color(QPalette::HighlightedText); // caption text
    case 10: case 11: return pal.color(QPalette::Button); // borders
    case 12: return pal.color(QPalette::Dark);           // application workspace
    case 13: case 29: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);         // button face
    case 16: return pal.color(QPalette::Dark);           // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Disabled, QPalette::WindowText);
    case 20: return pal.color(QPalette::Light);          // button highlight
    case 21: return pal.color(QPalette::Shadow);         // 3D dark shadow
    case 22: return pal.color(QPalette::Midlight);       // 3D light
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    case 26: return pal.color(QPalette::Link);           // hot-tracked item
    default: return QColor(0, 0, 0);
    }
}

} // namespace

QRgb ColorToRGB(TColor color)
{
    if (isSystemColor(color))
        return systemColor(int(color & 0xFF)).rgb();
    return qRgb(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF));
}
