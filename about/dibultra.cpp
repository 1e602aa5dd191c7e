#include "dibultra.h"

#include "dibcanvas.h"

#include <algorithm>
#include <climits>

const char* const DIB_ERROR::Message = "DIB ERROR :\rCan NOT create DIB ? ? !\rImpossible de cr\u00e9er une image tampon ? ? !";

DIB_ERROR::DIB_ERROR()
    : std::runtime_error(Message)
{
}

namespace {

TPaletteEntry entry(std::uint32_t rgb)
{
    return {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb), 0};
}

TLogPalette paletteOf(std::initializer_list<std::uint32_t> colours)
{
    TLogPalette palette;
    for (std::uint32_t rgb : colours)
        palette.palPalEntry[palette.palNumEntries++] = entry(rgb);
    return palette;
}

// The 8-bit default: the twenty static colours of a desktop palette at both
// ends, a 6 x 6 x 6 colour cube and a grey ramp between them.
TLogPalette defaultPalette8()
{
    static constexpr std::uint32_t low[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                              0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
    static constexpr std::uint32_t high[10] = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                               0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    TLogPalette palette;
    palette.palNumEntries = 256;
    int n = 0;
    for (std::uint32_t rgb : low)
        palette.palPalEntry[n++] = entry(rgb);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.palPalEntry[n++] = {std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51), 0};
    for (int i = 1; i <= 20; ++i) {
        const auto v = std::uint8_t(i * 255 / 21);
        palette.palPalEntry[n++] = {v, v, v, 0};
    }
    for (std::uint32_t rgb : high)
        palette.palPalEntry[n++] = entry(rgb);
    return palette;
}

QImage::Format imageFormat(DibFormat format)
{
    switch (format) {
    case dfMono1: return QImage::Format_Mono;
    case dfIndexed4: return QImage::Format_Invalid;
    case dfIndexed8: return QImage::Format_Indexed8;
    case dfRgb555: return QImage::Format_RGB555;
    case dfRgb565: return QImage::Format_RGB16;
    case dfRgb24: return QImage::Format_BGR888;
    case dfRgb32: return QImage::Format_RGB32;
    }
    return QImage::Format_Invalid;
}

} // namespace

int TDIBUltra::FormatBits(DibFormat format)
{
    static constexpr int bits[] = {1, 4, 8, 16, 16, 24, 32};
    return format <= dfRgb32 ? bits[format] : 0;
}

TLogPalette TDIBUltra::DefaultPalette(DibFormat format)
{
    switch (format) {
    case dfMono1: return paletteOf({0x000000, 0xFFFFFF});
    case dfIndexed4:
        return paletteOf({0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080, 0xC0C0C0,
                          0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF});
    case dfIndexed8: return defaultPalette8();
    default: return TLogPalette{};
    }
}

TDIBUltra::TDIBUltra(int width, int height, DibFormat format, const TLogPalette* palette)
    : FFormat(format)
{
    FBitsPerPixel = FormatBits(format);
    if (Palettised())
        FPalette = palette ? *palette : DefaultPalette(format);
    if (FPalette.palNumEntries > 256)
        FPalette.palNumEntries = 256;

    FCanvas = std::make_unique<TDIBCanvas>(*this);
    if (width < 1 || width > 65535 || height < 1 || height > 65535 || FBitsPerPixel == 0)
        throw DIB_ERROR();
    FWidth = width;
    FHeight = height;
    FBytesPerLine = int(((qint64(width) * FBitsPerPixel + 31) & ~qint64(31)) / 8);
    const qint64 size = qint64(FBytesPerLine) * height;
    // Qt images, like the system's sections, stop at 2 GiB.
    if (size > INT_MAX)
        throw DIB_ERROR();
    FImageSize = size;
    // calloc hands out zeroed pages without touching them, as a fresh
    // section reads all zero.
    FBits.reset(static_cast<std::uint8_t*>(std::calloc(size_t(size), 1)));
    if (!FBits)
        throw DIB_ERROR();

    if (Palettised()) {
        const int entryCount = 1 << FBitsPerPixel;
        FColorTable.resize(entryCount, qRgb(0, 0, 0));
        for (int i = 0; i < FPalette.palNumEntries && i < entryCount; ++i) {
            const TPaletteEntry& e = FPalette.palPalEntry[i];
            FColorTable[i] = qRgb(e.peRed, e.peGreen, e.peBlue);
        }
    }
    FReady = true;
    SetPenColor(0x000000);
    SetFillColor(0xFFFFFF);
    // A fresh surface starts with pen black and fill white even when those
    // equal the zero-initialised fields.
    FPenPixel = ColorToPixel(FPenColor);
    FFillPixel = ColorToPixel(FFillColor);
    FCanvas->BrushColor = FFillColor;
}

TDIBUltra::~TDIBUltra()
{
    FReady = false;
    FCanvas.reset();
    FBits.reset();
}

void TDIBUltra::SetPenColor(TColor c)
{
    if (c == FPenColor)
        return;
    FPenColor = c;
    FPenPixel = ColorToPixel(c);
}

void TDIBUltra::SetFillColor(TColor c)
{
    if (c == FFillColor)
        return;
    FFillColor = c;
    FFillPixel = ColorToPixel(c);
    FCanvas->BrushColor = c;
}

void TDIBUltra::Clear()
{
    FCanvas->BrushColor = FFillColor;
    FCanvas->BrushStyle = TBrushStyle::Solid;
    FCanvas->FillRect(QRect(0, 0, FWidth, FHeight));
}

std::uint32_t TDIBUltra::ColorToPixel(TColor c) const
{
    switch (FFormat) {
    case dfMono1:
    case dfIndexed4:
    case dfIndexed8: {
        const int r = int(c & 0xFF), g = int((c >> 8) & 0xFF), b = int((c >> 16) & 0xFF);
        std::uint32_t best = 0;
        int bestDistance = INT_MAX;
        // Only the entries the pixel depth can name: a 16-colour surface
        // given a longer palette must not answer index 200.
        const int reachable = std::min<int>(FPalette.palNumEntries, 1 << FBitsPerPixel);
        for (int i = 0; i < reachable; ++i) {
            const TPaletteEntry& e = FPalette.palPalEntry[i];
            const int dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = std::uint32_t(i);
            }
        }
        return best;
    }
    case dfRgb555: return ((c << 7) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 19) & 0x1F);
    case dfRgb565: return ((c << 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 19) & 0x1F);
    case dfRgb24:
    case dfRgb32: return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    return 0;
}

QImage TDIBUltra::Image() const
{
    if (FFormat == dfIndexed4) {
        QImage copy(FWidth, FHeight, QImage::Format_Indexed8);
        copy.setColorTable(FColorTable);
        for (int y = 0; y < FHeight; ++y) {
            uchar* line = copy.scanLine(y);
            for (int x = 0; x < FWidth; ++x)
                line[x] = uchar(GetPixel(x, y));
        }
        return copy;
    }
    QImage view(FBits.get(), FWidth, FHeight, FBytesPerLine, imageFormat(FFormat));
    if (Palettised())
        view.setColorTable(FColorTable);
    return view;
}
