// Makes an off-screen surface of any format, size and palette the input
// asks for, then runs pixel, colour, fill, rectangle and text operations on
// it, checking the layout rules and that nothing lands outside the pixel
// memory or outside the rectangle an operation was given.
#include "dibcanvas.h"
#include "dibultra.h"

#include <QGuiApplication>
#include <QPainter>

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The colour a stored pixel value reads back as through GetPixel, for the
// direct formats: the bits the format keeps.
TColor Kept(DibFormat format, TColor c)
{
    switch (format) {
    case dfRgb555: return c & 0xF8F8F8;
    case dfRgb565: return c & 0xF8FCF8;
    default: return c & 0xFFFFFF;
    }
}

// Big surfaces are only checked for memory safety: copying every pixel
// around each operation would make them too slow to fuzz.
bool Small(const TDIBUltra& s)
{
    return int64_t(s.Width()) * s.Height() <= 16384;
}

std::vector<uint32_t> Snapshot(const TDIBUltra& s)
{
    if (!Small(s))
        return {};
    std::vector<uint32_t> pixels(size_t(s.Width()) * size_t(s.Height()));
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            pixels[size_t(y) * s.Width() + x] = s.GetPixel(x, y);
    return pixels;
}

// Pixels outside `allowed` are the same as in `before`.
void CheckUntouchedOutside(const TDIBUltra& s, const std::vector<uint32_t>& before, const QRect& allowed)
{
    if (before.empty())
        return;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (!allowed.contains(x, y))
                check(s.GetPixel(x, y) == before[size_t(y) * s.Width() + x]);
}

// The colour the QImage view shows for a pixel.
QRgb ViewColour(const TDIBUltra& s, int x, int y)
{
    const uint32_t v = s.GetPixel(x, y);
    if (s.Palettised())
        return s.PaletteHandle()[int(v)] | 0xFF000000u;
    return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

void Run(TDIBUltra& s, FuzzBytes& in)
{
    const int mask = s.Palettised() ? (1 << s.BitsPerPixel()) - 1 : 0;
    check(s.BytesPerLine() % 4 == 0);
    check(s.BytesPerLine() == int(((int64_t(s.Width()) * s.BitsPerPixel() + 31) & ~int64_t(31)) / 8));
    check(s.ImageSize() == qsizetype(s.BytesPerLine()) * s.Height());
    check(s.PenColor() == 0x000000 && s.FillColor() == 0xFFFFFF);
    check(s.PaletteHandle().size() == (s.Palettised() ? mask + 1 : 0));

    for (int step = 0; step < 24 && in.more(); ++step) {
        const uint8_t op = in.u8() % 8;
        const int x = in.coordinate(s.Width());
        const int y = in.coordinate(s.Height());
        const bool inside = x >= 0 && y >= 0 && x < s.Width() && y < s.Height();
        switch (op) {
        case 0: { // a raw pixel
            const uint32_t v = in.u32();
            const std::vector<uint32_t> before = Snapshot(s);
            s.SetPixel(x, y, v);
            if (!inside) {
                check(s.GetPixel(x, y) == 0);
                CheckUntouchedOutside(s, before, QRect());
            } else {
                CheckUntouchedOutside(s, before, QRect(x, y, 1, 1));
                if (s.Palettised())
                    check(s.GetPixel(x, y) == (v & uint32_t(mask)));
            }
            break;
        }
        case 1: { // a colour through ColorToPixel
            const TColor c = in.u32() & 0xFFFFFF;
            const uint32_t pixel = s.ColorToPixel(c);
            if (!inside)
                break;
            s.SetPixel(x, y, pixel);
            if (s.Palettised())
                check(pixel <= uint32_t(mask) && int(pixel) < std::max<int>(1, s.PaletteRecord().palNumEntries));
            else
                check(s.GetPixel(x, y) == Kept(s.Format(), c));
            break;
        }
        case 2: s.SetPenColor(in.u32() & 0xFFFFFF); check(s.PenPixel() == s.ColorToPixel(s.PenColor())); break;
        case 3: s.SetFillColor(in.u32() & 0xFFFFFF); check(s.FillPixel() == s.ColorToPixel(s.FillColor())); break;
        case 4: { // a filled rectangle
            const QRect rect(x, y, in.coordinate(s.Width()), in.coordinate(s.Height()));
            const std::vector<uint32_t> before = Snapshot(s);
            s.Canvas().BrushColor = s.FillColor();
            s.Canvas().BrushStyle = TBrushStyle::Solid;
            s.Canvas().FillRect(rect);
            CheckUntouchedOutside(s, before, rect);
            const QRect filled = rect.intersected(QRect(0, 0, s.Width(), s.Height()));
            for (int py = filled.top(); py <= filled.bottom(); ++py)
                for (int px = filled.left(); px <= filled.right(); ++px)
                    check(s.Palettised() ? s.GetPixel(px, py) == s.FillPixel()
                                         : s.GetPixel(px, py) == Kept(s.Format(), s.FillColor()));
            break;
        }
        case 5: { // an outlined rectangle
            const QRect rect(x, y, in.coordinate(s.Width()), in.coordinate(s.Height()));
            s.Canvas().PenColor = in.u32() & 0xFFFFFF;
            s.Canvas().PenWidth = in.u8() % 5;
            const std::vector<uint32_t> before = Snapshot(s);
            s.Canvas().Rectangle(rect);
            const int reach = s.Canvas().PenWidth;
            CheckUntouchedOutside(s, before, rect.adjusted(-reach, -reach, reach, reach));
            break;
        }
        case 6: { // text
            QString text;
            for (int n = in.u8() % 12; n > 0; --n)
                text.append(QChar(char16_t(0x20 + in.u8() % 0x5F)));
            if (in.u8() & 1)
                text.append(QChar(char16_t(0xE9)));
            s.Canvas().Font.Height = int(int8_t(in.u8())) % 40;
            s.Canvas().Font.Bold = in.u8() & 1;
            s.Canvas().Font.Italic = in.u8() & 1;
            s.Canvas().Font.Color = in.u32() & 0xFFFFFF;
            s.Canvas().BrushStyle = (in.u8() & 1) ? TBrushStyle::Solid : TBrushStyle::Clear;
            s.Canvas().TextOut(x, y, text);
            break;
        }
        case 7: s.Clear(); break;
        }
        if (inside) {
            // Qt widens 5- and 6-bit components; compare the bits kept.
            const QRgb kept = 0xFF000000u | (s.Palettised() ? 0xFFFFFFu : Kept(s.Format(), 0xFFFFFF));
            check((ViewColour(s, x, y) & kept) == (s.Image().pixel(x, y) & kept));
        }
    }
    if (in.u8() & 1) {
        s.Clear();
        for (int py = 0; py < s.Height(); ++py)
            for (int px = 0; px < s.Width(); ++px)
                check(s.Palettised() ? s.GetPixel(px, py) == s.FillPixel()
                                     : s.GetPixel(px, py) == Kept(s.Format(), s.FillColor()));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzBytes in(data, size);
    const uint8_t formatByte = in.u8();
    const auto format = DibFormat(formatByte % 9); // 7 and 8 are not formats
    // Mostly small sizes; now and then one out of range or a long thin one.
    const uint8_t sizing = in.u8();
    int width = 1 + in.u8() % 96;
    int height = 1 + in.u8() % 64;
    if (sizing == 0xFF)
        width = int(int16_t(in.u16())) * 2;
    if (sizing == 0xFE)
        height = int(int16_t(in.u16())) * 2;
    if (sizing == 0xFD)
        width = 65535, height = 1;

    TLogPalette palette;
    const bool ownPalette = in.u8() & 1;
    if (ownPalette) {
        palette.palNumEntries = in.u16() % 300; // past 256 is clamped
        for (int i = 0; i < 256; ++i)
            palette.palPalEntry[i] = {in.u8(), in.u8(), in.u8(), 0};
    }

    const bool valid = format <= dfRgb32 && width >= 1 && width <= 65535 && height >= 1 && height <= 65535;
    try {
        TDIBUltra surface(width, height, format, ownPalette ? &palette : nullptr);
        check(valid);
        check(surface.Ready() && surface.Width() == width && surface.Height() == height);
        Run(surface, in);
    } catch (const DIB_ERROR& e) {
        check(!valid);
        check(std::strcmp(e.what(), DIB_ERROR::Message) == 0);
    }
    return 0;
}
