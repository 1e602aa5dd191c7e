#pragma once

#include "dibultra.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <functional>

class QPainter;

// Font settings in the usual desktop terms: a positive Height is the height
// of the character cell in pixels, a negative one the height of the
// characters themselves (the em), 0 the default size.
struct TDIBFont {
    QString Name = "Arial";
    int Height = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    TColor Color = 0x000000;

    // The Qt font these settings stand for: an installed face for the name
    // (see FontFamilyFor), sized so the cell is Height pixels high, drawn
    // without antialiasing so every pixel is either inked or not.
    QFont Resolve() const;
    // Where the baseline lies below the top of the cell, and the cell's
    // height, in pixels.
    int Ascent() const;
    int CellHeight() const;
};

// Picks an installed face for a font name. Arial is not installed on most
// Linux desktops; its metric-compatible stand-ins (Liberation Sans, Arimo,
// Nimbus Sans) take its place, then Helvetica and DejaVu Sans.
QString FontFamilyFor(const QString& name);

enum class TBrushStyle { Solid, Clear };

// The drawing canvas of a TDIBUltra. Direct-colour surfaces are painted by a
// QPainter over the surface's own memory. Qt cannot paint on palette images,
// so on the 1-, 4- and 8-bit surfaces each figure is drawn as a coverage mask
// and the colour's nearest palette index is stored where the mask is inked.
class TDIBCanvas {
public:
    explicit TDIBCanvas(TDIBUltra& surface);

    TDIBFont Font;
    TColor BrushColor = 0xFFFFFF;
    TBrushStyle BrushStyle = TBrushStyle::Solid;
    TColor PenColor = 0x000000;
    int PenWidth = 1;

    // Fills the rectangle (right and bottom exclusive) with the brush.
    void FillRect(const QRect& rect);
    // Outlines the rectangle with the pen and fills its inside with the brush.
    void Rectangle(const QRect& rect);
    // Writes text with the top-left corner of its first character cell at
    // (x, y); with a solid brush the text's cells are filled first.
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;

    // Copies srcRect of the surface onto destRect of another canvas,
    // stretching when the sizes differ.
    void CopyTo(QPainter& dest, const QRect& destRect, const QRect& srcRect) const;

private:
    void Paint(const QRect& bounds, TColor colour, const std::function<void(QPainter&, const QColor&)>& draw);
    void FillPixels(const QRect& rect, std::uint32_t pixel);

    TDIBUltra& FSurface;
};

// The Qt colour of a 0x00BBGGRR value.
QColor ToQColor(TColor c);
