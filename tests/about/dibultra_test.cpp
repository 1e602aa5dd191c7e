#include "dibcanvas.h"
#include "dibultra.h"
#include "testapp.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>

TEST(DIBUltra, RowsArePaddedToFourBytesAndStoredTopFirst)
{
    TDIBUltra about(317, 337, dfIndexed8);
    EXPECT_EQ(about.BytesPerLine(), 320);
    EXPECT_EQ(about.ImageSize(), 320 * 337);
    TDIBUltra banner(450, 50, dfMono1);
    EXPECT_EQ(banner.BytesPerLine(), 60);
    TDIBUltra small(3, 2, dfRgb24);
    EXPECT_EQ(small.BytesPerLine(), 12);
    EXPECT_EQ(TDIBUltra(5, 1, dfRgb565).WordsPerLine(), 6);

    about.SetPixel(0, 0, 77);
    EXPECT_EQ(about.Bits()[0], 77);
    about.SetPixel(2, 1, 99);
    EXPECT_EQ(about.Bits()[320 + 2], 99);
    EXPECT_EQ(about.GetPixel(2, 1), 99u);
}

TEST(DIBUltra, MonoPixelsFillBytesFromTheMostSignificantBit)
{
    TDIBUltra surface(450, 50, dfMono1);
    surface.Bits()[1] = 0x55;
    surface.SetPixel(8, 0, 1);
    EXPECT_EQ(surface.Bits()[1], 0xD5);
    surface.SetPixel(9, 0, 1);
    EXPECT_EQ(surface.Bits()[1], 0xD5); // bit 6 was already set
    surface.SetPixel(15, 0, 0);
    EXPECT_EQ(surface.Bits()[1], 0xD4);
    EXPECT_EQ(surface.GetPixel(8, 0), 1u);
    EXPECT_EQ(surface.GetPixel(10, 0), 0u);
    surface.SetPixel(0, 1, 3); // only bit 0 of the value counts
    EXPECT_EQ(surface.Bits()[60], 0x80);
}

TEST(DIBUltra, FourBitPixelsTakeHighNibbleFirst)
{
    TDIBUltra surface(7, 3, dfIndexed4);
    EXPECT_EQ(surface.BytesPerLine(), 4);
    surface.SetPixel(0, 0, 0xA);
    EXPECT_EQ(surface.Bits()[0], 0xA0);
    surface.SetPixel(1, 0, 0x15);
    EXPECT_EQ(surface.Bits()[0], 0xA5);
    surface.SetPixel(0, 0, 0x3);
    EXPECT_EQ(surface.Bits()[0], 0x35);
    EXPECT_EQ(surface.GetPixel(0, 0), 3u);
    EXPECT_EQ(surface.GetPixel(1, 0), 5u);
    const QImage image = surface.Image();
    EXPECT_EQ(image.pixel(0, 0), qRgb(0x80, 0x80, 0x00)); // entry 3 of the 16-colour table
}

TEST(DIBUltra, DirectFormatsConvertColoursBothWays)
{
    TDIBUltra rgb565(4, 4, dfRgb565);
    reinterpret_cast<std::uint16_t*>(rgb565.Bits())[0] = 0xF800;
    EXPECT_EQ(rgb565.GetPixel(0, 0), 0x0000F8u);
    EXPECT_EQ(rgb565.ColorToPixel(0x0000FF), 0xF800u);
    EXPECT_EQ(rgb565.ColorToPixel(0xFF0000), 0x001Fu);
    EXPECT_EQ(rgb565.ColorToPixel(0x00FF00), 0x07E0u);

    TDIBUltra rgb555(4, 4, dfRgb555);
    EXPECT_EQ(rgb555.ColorToPixel(0x0000FF), 0x7C00u);
    rgb555.SetPixel(1, 1, rgb555.ColorToPixel(0x00FF00));
    EXPECT_EQ(rgb555.GetPixel(1, 1), 0x00F800u);

    TDIBUltra rgb24(4, 4, dfRgb24);
    rgb24.SetPixel(1, 0, rgb24.ColorToPixel(0x112233));
    EXPECT_EQ(rgb24.Bits()[3], 0x11); // blue first
    EXPECT_EQ(rgb24.Bits()[5], 0x33);
    EXPECT_EQ(rgb24.GetPixel(1, 0), 0x112233u);

    TDIBUltra rgb32(4, 4, dfRgb32);
    rgb32.SetPixel(3, 3, rgb32.ColorToPixel(0x445566));
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(rgb32.Bits())[15], 0x00665544u);
    EXPECT_EQ(rgb32.GetPixel(3, 3), 0x445566u);
    EXPECT_EQ(rgb32.Image().pixel(3, 3) & 0xFFFFFF, 0x665544u);
}

TEST(DIBUltra, NewSurfaceHasBlackPenWhiteFillAndClearsWhite)
{
    for (DibFormat format : {dfMono1, dfIndexed4, dfIndexed8, dfRgb555, dfRgb565, dfRgb24, dfRgb32}) {
        SCOPED_TRACE(int(format));
        TDIBUltra surface(33, 5, format);
        EXPECT_EQ(surface.PenColor(), 0x000000u);
        EXPECT_EQ(surface.FillColor(), 0xFFFFFFu);
        surface.Clear();
        const QImage image = surface.Image();
        EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(image.pixel(32, 4) & 0xFFFFFF, 0xFFFFFFu);
        surface.SetFillColor(0x000000);
        surface.Clear();
        EXPECT_EQ(surface.Image().pixel(16, 2) & 0xFFFFFF, 0u);
    }
}

TEST(DIBUltra, PalettisedSurfacesMatchTheNearestEntry)
{
    TLogPalette palette;
    palette.palNumEntries = 3;
    palette.palPalEntry[0] = {0, 0, 0, 0};
    palette.palPalEntry[1] = {250, 10, 10, 0};
    palette.palPalEntry[2] = {10, 10, 250, 0};
    TDIBUltra surface(8, 8, dfIndexed8, &palette);
    EXPECT_EQ(surface.ColorToPixel(0x0000FF), 1u);
    EXPECT_EQ(surface.ColorToPixel(0xFF0000), 2u);
    EXPECT_EQ(surface.ColorToPixel(0x101010), 0u);
    EXPECT_EQ(surface.PaletteHandle().size(), 256);
    EXPECT_EQ(surface.PaletteHandle()[2], qRgb(10, 10, 250));
    EXPECT_EQ(surface.PaletteRecord().palVersion, 0x0300);

    const TLogPalette mono = TDIBUltra::DefaultPalette(dfMono1);
    EXPECT_EQ(mono.palNumEntries, 2);
    const TLogPalette sixteen = TDIBUltra::DefaultPalette(dfIndexed4);
    EXPECT_EQ(sixteen.palNumEntries, 16);
    EXPECT_EQ(sixteen.palPalEntry[9].peRed, 0xFF);
    EXPECT_EQ(sixteen.palPalEntry[9].peGreen, 0);
    const TLogPalette full = TDIBUltra::DefaultPalette(dfIndexed8);
    EXPECT_EQ(full.palNumEntries, 256);
    EXPECT_EQ(full.palPalEntry[255].peBlue, 0xFF);
    EXPECT_EQ(full.palPalEntry[9].peBlue, 0xF0);
}

TEST(DIBUltra, LongPaletteOnASmallDepthMatchesOnlyReachableEntries)
{
    // A 16-colour surface given 200 entries: only the first 16 can be
    // stored, so a colour matching entry 199 must not answer 199.
    TLogPalette palette;
    palette.palNumEntries = 200;
    for (int i = 0; i < 200; ++i)
        palette.palPalEntry[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    palette.palPalEntry[199] = {255, 0, 0, 0};
    TDIBUltra surface(4, 4, dfIndexed4, &palette);
    const std::uint32_t red = surface.ColorToPixel(0x0000FF);
    EXPECT_LT(red, 16u);
    surface.SetPixel(1, 0, red);
    EXPECT_EQ(surface.GetPixel(1, 0), red);
    EXPECT_EQ(surface.GetPixel(0, 0), 0u);
}

TEST(DIBUltra, SurfaceThatCannotBeMadeRaisesTheThreeLineError)
{
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {65536, 1}, {-5, 5}, {65535, 65535}}) {
        try {
            TDIBUltra surface(w, h, dfRgb32);
            ADD_FAILURE() << w << " x " << h << " was made";
        } catch (const DIB_ERROR& error) {
            const QString message = QString::fromUtf8(error.what());
            EXPECT_EQ(message.size(), 79);
            EXPECT_EQ(message.split('\r'),
                      QStringList({"DIB ERROR :", "Can NOT create DIB ? ? !",
                                   QString::fromUtf8("Impossible de cr\u00e9er une image tampon ? ? !")}));
        }
    }
    EXPECT_THROW(TDIBUltra(4, 4, DibFormat(7)), DIB_ERROR);
    TDIBUltra largest(65535, 2, dfMono1);
    EXPECT_EQ(largest.BytesPerLine(), 8192);
}

TEST(DIBUltra, StrayCoordinatesNeitherWriteNorRead)
{
    TDIBUltra surface(5, 3, dfIndexed8);
    std::memset(surface.Bits(), 7, size_t(surface.ImageSize()));
    for (auto [x, y] : {std::pair{-1, 0}, {5, 0}, {0, 3}, {0, -1}, {100000, 100000}}) {
        surface.SetPixel(x, y, 200);
        EXPECT_EQ(surface.GetPixel(x, y), 0u);
    }
    for (qsizetype i = 0; i < surface.ImageSize(); ++i)
        ASSERT_EQ(surface.Bits()[i], 7);
}

TEST(DIBUltra, ImageSharesThePixelMemory)
{
    TDIBUltra surface(10, 10, dfIndexed8);
    const QImage image = surface.Image();
    EXPECT_EQ(image.constBits(), surface.Bits());
    EXPECT_EQ(image.bytesPerLine(), 12);
    surface.SetPixel(4, 4, 249); // pure red in the default table
    EXPECT_EQ(surface.Image().pixel(4, 4), qRgb(255, 0, 0));
}

TEST(DIBCanvas, TextOnAMonoSurfaceLightsPixelsInsideItsCells)
{
    TDIBUltra surface(450, 50, dfMono1);
    TDIBCanvas& canvas = surface.Canvas();
    canvas.Font.Name = "Arial";
    canvas.Font.Height = 30;
    canvas.Font.Bold = true;
    canvas.Font.Color = 0xFFFFFF;
    canvas.BrushColor = 0x000000;
    canvas.FillRect(QRect(0, 0, 450, 51));
    const QString text = "N O R R A V A";
    canvas.TextOut(0, 0, text);
    const int width = canvas.TextWidth(text);
    EXPECT_GT(width, 150);
    EXPECT_LT(width, 450);
    EXPECT_LE(canvas.TextHeight(text), 30);
    int lit = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 450; ++x)
            if (surface.GetPixel(x, y)) {
                ++lit;
                EXPECT_LT(y, 30);
                EXPECT_LE(x, width);
            }
    EXPECT_GT(lit, 300);
}

TEST(DIBCanvas, RectangleAndCopyOnAnIndexedSurface)
{
    TDIBUltra surface(20, 20, dfIndexed8);
    TDIBCanvas& canvas = surface.Canvas();
    canvas.BrushColor = 0x00FF00;
    canvas.PenColor = 0x0000FF;
    canvas.Rectangle(QRect(2, 2, 10, 10));
    const QImage image = surface.Image();
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 0, 0));   // outline, top left
    EXPECT_EQ(image.pixel(11, 11), qRgb(255, 0, 0)); // bottom right is inside
    EXPECT_EQ(image.pixel(6, 6), qRgb(0, 255, 0));   // fill
    EXPECT_EQ(surface.GetPixel(12, 12), 0u);

    QImage window(20, 20, QImage::Format_RGB32);
    window.fill(Qt::blue);
    QPainter painter(&window);
    canvas.CopyTo(painter, QRect(0, 0, 5, 5), QRect(4, 4, 5, 5));
    painter.end();
    EXPECT_EQ(window.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(window.pixel(6, 6), qRgb(0, 0, 255));
}

TEST(DIBCanvas, DirectSurfacesArePaintedInPlace)
{
    TDIBUltra surface(16, 16, dfRgb24);
    TDIBCanvas& canvas = surface.Canvas();
    canvas.BrushColor = 0x0080FF; // orange
    canvas.FillRect(QRect(0, 0, 8, 16));
    EXPECT_EQ(surface.GetPixel(7, 15), 0x0080FFu);
    EXPECT_EQ(surface.GetPixel(8, 0), 0u);
}
