#include "dibcanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Arial's vertical metrics in font units of a 2048-unit em. Its stand-ins
// keep them, so text sits in the cell where Arial would put it.
constexpr double kArialAscent = 1854.0 / 2048.0;
constexpr double kArialCellPerEm = (1854.0 + 434.0) / 2048.0;

bool isArialStandIn(const QString& family)
{
    static const QStringList standIns = {"Arial", "Liberation Sans", "Arimo", "Nimbus Sans", "Helvetica"};
    return standIns.contains(family, Qt::CaseInsensitive);
}

} // namespace

QColor ToQColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QString FontFamilyFor(const QString& name)
{
    QStringList candidates{name};
    if (name.compare("Arial", Qt::CaseInsensitive) == 0)
        candidates << "Liberation Sans" << "Arimo" << "Nimbus Sans" << "Helvetica" << "DejaVu Sans";
    for (const QString& family : candidates)
        if (QFontDatabase::hasFamily(family))
            return family;
    return name;
}

QFont TDIBFont::Resolve() const
{
    const QString family = FontFamilyFor(Name);
    QFont font(family);
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    if (Height < 0) {
        font.setPixelSize(-Height);
    } else if (Height > 0) {
        // The stand-ins for Arial keep Arial's proportion of cell to em, so
        // the lines come out the size they were laid out for; other faces
        // use their own ascent and descent.
        double cellPerEm = kArialCellPerEm;
        if (!isArialStandIn(family)) {
            QFont probe = font;
            probe.setPixelSize(256);
            const QFontMetricsF metrics(probe);
            cellPerEm = (metrics.ascent() + metrics.descent()) / 256.0;
        }
        font.setPixelSize(std::max(1, int(std::lround(Height / cellPerEm))));
    } else {
        font.setPixelSize(13);
    }
    return font;
}

TDIBCanvas::TDIBCanvas(TDIBUltra& surface)
    : FSurface(surface)
{
}

void TDIBCanvas::Paint(const QRect& bounds, TColor colour, const std::function<void(QPainter&, const QColor&)>& draw)
{
    const QRect area = bounds.intersected(QRect(0, 0, FSurface.Width(), FSurface.Height()));
    if (area.isEmpty() || !FSurface.Ready())
        return;
    if (!FSurface.Palettised()) {
        QImage view = FSurface.Image();
        QPainter painter(&view);
        painter.setClipRect(area);
        draw(painter, ToQColor(colour));
        return;
    }
    QImage mask(area.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.translate(-area.topLeft());
        draw(painter, Qt::white);
    }
    const std::uint32_t pixel = FSurface.ColorToPixel(colour);
    for (int y = 0; y < mask.height(); ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < mask.width(); ++x)
            if (line[x] >= 128)
                FSurface.SetPixel(area.x() + x, area.y() + y, pixel);
    }
}

void TDIBCanvas::FillPixels(const QRect& rect, std::uint32_t pixel)
{
    const QRect area = rect.intersected(QRect(0, 0, FSurface.Width(), FSurface.Height()));
    if (area.isEmpty() || !FSurface.Ready())
        return;
    if (FSurface.Format() == dfIndexed8) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            std::memset(FSurface.Bits() + qsizetype(y) * FSurface.BytesPerLine() + area.left(), int(pixel & 0xFF),
                        size_t(area.width()));
        return;
    }
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            FSurface.SetPixel(x, y, pixel);
}

void TDIBCanvas::FillRect(const QRect& rect)
{
    if (BrushStyle != TBrushStyle::Solid)
        return;
    if (FSurface.Palettised()) {
        FillPixels(rect, FSurface.ColorToPixel(BrushColor));
        return;
    }
    Paint(rect, BrushColor, [&](QPainter& p, const QColor& c) { p.fillRect(rect, c); });
}

void TDIBCanvas::Rectangle(const QRect& rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    FillRect(rect);
    if (PenWidth <= 0)
        return;
    // The outline runs inside the rectangle's right and bottom edges.
    const QRect outline(rect.x(), rect.y(), rect.width() - 1, rect.height() - 1);
    Paint(rect.adjusted(-PenWidth, -PenWidth, PenWidth, PenWidth), PenColor, [&](QPainter& p, const QColor& c) {
        p.setPen(QPen(c, PenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(outline);
    });
}

void TDIBCanvas::TextOut(int x, int y, const QString& text)
{
    const QFont font = Font.Resolve();
    const int height = Font.CellHeight();
    const int ascent = Font.Ascent();
    const QRect cells(x, y, QFontMetrics(font).horizontalAdvance(text), height);
    FillRect(cells);
    // Italics and accents may reach a little outside the cells.
    Paint(cells.adjusted(-height, -height / 2, height, height / 2), Font.Color, [&](QPainter& p, const QColor& c) {
        p.setFont(font);
        p.setPen(c);
        p.drawText(x, y + ascent, text);
    });
}

int TDIBFont::Ascent() const
{
    const QFont font = Resolve();
    if (isArialStandIn(font.family()))
        return int(std::lround(font.pixelSize() * kArialAscent));
    return QFontMetrics(font).ascent();
}

int TDIBFont::CellHeight() const
{
    const QFont font = Resolve();
    if (isArialStandIn(font.family()))
        return int(std::lround(font.pixelSize() * kArialCellPerEm));
    return QFontMetrics(font).height();
}

int TDIBCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(Font.Resolve()).horizontalAdvance(text);
}

int TDIBCanvas::TextHeight(const QString& text) const
{
    (void)text;
    return Font.CellHeight();
}

void TDIBCanvas::CopyTo(QPainter& dest, const QRect& destRect, const QRect& srcRect) const
{
    if (!FSurface.Ready())
        return;
    if (!FSurface.Palettised()) {
        dest.drawImage(destRect, FSurface.Image(), srcRect);
        return;
    }
    // Palette pixels are looked up into colours just for the rectangle, so
    // a frame's copy never converts the whole surface.
    const QRect area = srcRect.intersected(QRect(0, 0, FSurface.Width(), FSurface.Height()));
    if (area.isEmpty())
        return;
    const QList<QRgb>& colours = FSurface.PaletteHandle();
    QImage rgb(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(rgb.scanLine(y));
        if (FSurface.Format() == dfIndexed8) {
            const std::uint8_t* pixels = FSurface.Bits() + qsizetype(area.y() + y) * FSurface.BytesPerLine() + area.x();
            for (int x = 0; x < area.width(); ++x)
                line[x] = colours[pixels[x]];
        } else {
            for (int x = 0; x < area.width(); ++x)
                line[x] = colours[int(FSurface.GetPixel(area.x() + x, area.y() + y))];
        }
    }
    if (destRect.size() == srcRect.size())
        dest.drawImage(destRect.topLeft() + (area.topLeft() - srcRect.topLeft()), rgb);
    else
        dest.drawImage(destRect, rgb);
}
