#pragma once

// Colour values as the skin's controls store them: 32 bits, 0x00BBGGRR
// (red in the low byte) with the top bit clear, 0x80000000 + n for system
// colour n, looked up when drawn.
#include <QColor>
#include <QRgb>

#include <cstdint>

using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clFuchsia = 0xFF00FF;
// Special values of the transparent drawing: nothing transparent, and the
// colour of the bitmap's bottom-left pixel.
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clBtnFace = clSystemColor + 15;

inline constexpr bool isSystemColor(TColor c) { return (c & clSystemColor) != 0; }

// The RGB value of a colour; system colours come from the application's
// palette.
QRgb ColorToRGB(TColor color);

inline constexpr TColor RGBToColor(int r, int g, int b)
{
    return TColor(r & 0xFF) | TColor(g & 0xFF) << 8 | TColor(b & 0xFF) << 16;
}
inline TColor RGBToColor(QRgb rgb) { return RGBToColor(qRed(rgb), qGreen(rgb), qBlue(rgb)); }
