#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>

class TDIBCanvas;

// A colour value: 0x00BBGGRR, red in the low byte.
using TColor = std::uint32_t;

enum DibFormat : std::uint8_t { dfMono1, dfIndexed4, dfIndexed8, dfRgb555, dfRgb565, dfRgb24, dfRgb32 };

struct TPaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

// A logical palette record: version 0x0300, the entry count, up to 256 entries.
struct TLogPalette {
    std::uint16_t palVersion = 0x0300;
    std::uint16_t palNumEntries = 0;
    std::array<TPaletteEntry, 256> palPalEntry{};
};

// Raised when the pixel memory of a surface cannot be made. The message is
// three lines separated by carriage returns.
class DIB_ERROR : public std::runtime_error {
public:
    DIB_ERROR();
    static const char* const Message;
};

// An off-screen picture in one of seven pixel formats whose memory is read
// and written directly (rows top first, each padded to 4 bytes), and on which
// the canvas can draw text and rectangles.
class TDIBUltra {
public:
    TDIBUltra(int width, int height, DibFormat format, const TLogPalette* palette = nullptr);
    ~TDIBUltra();
    TDIBUltra(const TDIBUltra&) = delete;
    TDIBUltra& operator=(const TDIBUltra&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    DibFormat Format() const { return FFormat; }
    int BitsPerPixel() const { return FBitsPerPixel; }
    int BytesPerLine() const { return FBytesPerLine; }
    int WordsPerLine() const { return FBytesPerLine / 2; }
    qsizetype ImageSize() const { return FImageSize; }
    std::uint8_t* Bits() { return FBits.get(); }
    const std::uint8_t* Bits() const { return FBits.get(); }
    bool Ready() const { return FReady; }

    TDIBCanvas& Canvas() { return *FCanvas; }
    const TDIBCanvas& Canvas() const { return *FCanvas; }

    // The palette the surface was made with, and the colour table made from
    // it (empty for the direct-colour formats).
    const TLogPalette& PaletteRecord() const { return FPalette; }
    const QList<QRgb>& PaletteHandle() const { return FColorTable; }
    bool Palettised() const { return FFormat <= dfIndexed8; }

    TColor PenColor() const { return FPenColor; }
    TColor FillColor() const { return FFillColor; }
    std::uint32_t PenPixel() const { return FPenPixel; }
    std::uint32_t FillPixel() const { return FFillPixel; }
    void SetPenColor(TColor c);
    void SetFillColor(TColor c);
    void Clear();

    std::uint32_t ColorToPixel(TColor c) const;

    // Raw pixel access. Callers keep 0 <= x < Width and 0 <= y < Height;
    // outside that, SetPixel stores nothing and GetPixel reads 0, so a stray
    // coordinate can never write past the pixel memory.
    void SetPixel(int x, int y, std::uint32_t v);
    std::uint32_t GetPixel(int x, int y) const;

    // The pixels as a QImage. It shares this surface's memory for every
    // format Qt has (1, 8, 16, 24 and 32 bits); the 4-bit format comes back
    // as an 8-bit copy. Valid while the surface lives.
    QImage Image() const;

    static TLogPalette DefaultPalette(DibFormat format);
    static int FormatBits(DibFormat format);

private:
    bool Inside(int x, int y) const { return unsigned(x) < unsigned(FWidth) && unsigned(y) < unsigned(FHeight); }

    struct FreeBits {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    int FWidth = 0;
    int FHeight = 0;
    DibFormat FFormat = dfIndexed8;
    int FBitsPerPixel = 8;
    int FBytesPerLine = 0;
    qsizetype FImageSize = 0;
    bool FReady = false;
    TLogPalette FPalette;
    QList<QRgb> FColorTable;
    std::unique_ptr<std::uint8_t[], FreeBits> FBits;
    std::unique_ptr<TDIBCanvas> FCanvas;
    TColor FPenColor = 0;
    TColor FFillColor = 0;
    std::uint32_t FPenPixel = 0;
    std::uint32_t FFillPixel = 0;
};

inline void TDIBUltra::SetPixel(int x, int y, std::uint32_t v)
{
    if (!Inside(x, y))
        return;
    std::uint8_t* row = FBits.get() + qsizetype(y) * FBytesPerLine;
    switch (FFormat) {
    case dfMono1: {
        std::uint8_t& byte = row[x / 8];
        const std::uint8_t bit = std::uint8_t(0x80 >> (x % 8));
        byte = (v & 1) ? (byte | bit) : (byte & ~bit);
        break;
    }
    case dfIndexed4: {
        std::uint8_t& byte = row[x / 2];
        byte = (x % 2 == 0) ? std::uint8_t((byte & 0x0F) | ((v & 0xF) << 4)) : std::uint8_t((byte & 0xF0) | (v & 0xF));
        break;
    }
    case dfIndexed8: row[x] = std::uint8_t(v); break;
    case dfRgb555:
    case dfRgb565: reinterpret_cast<std::uint16_t*>(row)[x] = std::uint16_t(v); break;
    case dfRgb24:
        row[3 * x] = std::uint8_t(v);
        row[3 * x + 1] = std::uint8_t(v >> 8);
        row[3 * x + 2] = std::uint8_t(v >> 16);
        break;
    case dfRgb32: reinterpret_cast<std::uint32_t*>(row)[x] = v; break;
    }
}

inline std::uint32_t TDIBUltra::GetPixel(int x, int y) const
{
    if (!Inside(x, y))
        return 0;
    const std::uint8_t* row = FBits.get() + qsizetype(y) * FBytesPerLine;
    switch (FFormat) {
    case dfMono1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case dfIndexed4: return (x % 2 == 0) ? (row[x / 2] >> 4) : (row[x / 2] & 0xF);
    case dfIndexed8: return row[x];
    case dfRgb555: {
        const std::uint32_t p = reinterpret_cast<const std::uint16_t*>(row)[x];
        return ((p & 0x1F) << 19) | ((p & 0x03E0) << 6) | ((p & 0x7C00) >> 7);
    }
    case dfRgb565: {
        const std::uint32_t p = reinterpret_cast<const std::uint16_t*>(row)[x];
        return ((p & 0x1F) << 19) | ((p & 0x07E0) << 5) | ((p & 0xF800) >> 8);
    }
    case dfRgb24: return (std::uint32_t(row[3 * x]) << 16) | (std::uint32_t(row[3 * x + 1]) << 8) | row[3 * x + 2];
    case dfRgb32: {
        const std::uint32_t v = reinterpret_cast<const std::uint32_t*>(row)[x];
        return ((v << 16) & 0xFF0000) | ((v >> 16) & 0xFF) | (v & 0xFF00);
    }
    }
    return 0;
}
