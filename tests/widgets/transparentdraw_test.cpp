#include "skinwidgettest.h"
#include "transparentdraw.h"

#include <QPalette>

namespace {

constexpr QRgb kKey = 0xFF00FF;
constexpr QRgb kBack = 0x203040;

QImage canvas(int w = 8, int h = 8)
{
    return solid(w, h, kBack);
}

// A 2 x 2 bitmap: red, key / green, blue.
QImage checker()
{
    QImage img(2, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, 0xFFFF0000);
    img.setPixel(1, 0, 0xFF000000 | kKey);
    img.setPixel(0, 1, 0xFF00FF00);
    img.setPixel(1, 1, 0xFF0000FF);
    return img;
}

TEST(TransparentDraw, LeavesTheKeyColourOutAndCopiesTheRest)
{
    QImage dest = canvas();
    DrawBitmapTransparent(dest, 3, 4, checker(), clFuchsia);
    EXPECT_EQ(rgbAt(dest, 3, 4), 0xFF0000u);
    EXPECT_EQ(rgbAt(dest, 4, 4), kBack);
    EXPECT_EQ(rgbAt(dest, 3, 5), 0x00FF00u);
    EXPECT_EQ(rgbAt(dest, 4, 5), 0x0000FFu);
    EXPECT_EQ(rgbAt(dest, 2, 4), kBack);
    EXPECT_EQ(rgbAt(dest, 5, 5), kBack);
}

TEST(TransparentDraw, ColourValuesAreBlueGreenRed)
{
    EXPECT_EQ(ColorToRGB(clRed) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(ColorToRGB(0x2070A0) & 0xFFFFFF, 0xA07020u); // red 160, green 112, blue 32
    // A bitmap whose blue pixels are left out by the value 0xFF0000.
    QImage dest = canvas();
    DrawBitmapTransparent(dest, 0, 0, checker(), 0xFF0000);
    EXPECT_EQ(rgbAt(dest, 1, 1), kBack);
    EXPECT_EQ(rgbAt(dest, 0, 0), 0xFF0000u);
    EXPECT_EQ(rgbAt(dest, 1, 0), kKey);
}

TEST(TransparentDraw, NoColourCopiesEverything)
{
    QImage dest = canvas();
    DrawBitmapTransparent(dest, 0, 0, checker(), clNone);
    EXPECT_EQ(rgbAt(dest, 1, 0), kKey);
}

TEST(TransparentDraw, DefaultColourIsTheBottomLeftPixel)
{
    QImage dest = canvas();
    DrawBitmapTransparent(dest, 0, 0, checker(), clDefault);
    EXPECT_EQ(rgbAt(dest, 0, 1), kBack); // green, the bottom-left pixel
    EXPECT_EQ(rgbAt(dest, 1, 0), kKey);
    EXPECT_EQ(rgbAt(dest, 0, 0), 0xFF0000u);
}

TEST(TransparentDraw, SystemColoursAreLookedUp)
{
    const QRgb face = QApplication::palette().color(QPalette::Button).rgb();
    QImage bitmap = solid(2, 1, face);
    bitmap.setPixel(1, 0, 0xFF123456);
    QImage dest = canvas();
    DrawBitmapTransparent(dest, 0, 0, bitmap, clBtnFace);
    EXPECT_EQ(rgbAt(dest, 0, 0), kBack);
    EXPECT_EQ(rgbAt(dest, 1, 0), 0x123456u);
}

TEST(TransparentDraw, MonochromeBitmapsLeaveWhiteOut)
{
    QImage mono(2, 1, QImage::Format_Mono);
    mono.setColorTable({0xFFFFFFFF, 0xFF000000});
    mono.setPixel(0, 0, 0); // white
    mono.setPixel(1, 0, 1); // black
    QImage dest = canvas();
    DrawBitmapTransparent(dest, 0, 0, mono, clBlack); // the colour asked for does not matter
    EXPECT_EQ(rgbAt(dest, 0, 0), kBack);
    EXPECT_EQ(rgbAt(dest, 1, 0), 0x000000u);
}

TEST(TransparentDraw, PalettedBitmapsMatchTheNearestEntry)
{
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(250, 2, 250), qRgb(10, 20, 30)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    QImage dest = canvas();
    DrawBitmapTransparent(dest, 0, 0, indexed, clFuchsia);
    EXPECT_EQ(rgbAt(dest, 0, 0), kBack);
    EXPECT_EQ(rgbAt(dest, 1, 0), 0x0A141Eu);
}

TEST(TransparentDraw, StretchingRepeatsAndDropsPixelsWithoutBlending)
{
    QImage dest = canvas();
    DrawBitmapRectTransparent(dest, 0, 0, 4, 4, QRect(), checker(), clFuchsia);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const QRgb expected = y < 2 ? (x < 2 ? 0xFF0000u : kBack) : (x < 2 ? 0x00FF00u : 0x0000FFu);
            EXPECT_EQ(rgbAt(dest, x, y), expected) << x << "," << y;
        }
    // Shrinking a 4-pixel row of distinct colours to 2 keeps columns 0 and 2.
    QImage row(4, 1, QImage::Format_RGB32);
    const QRgb colours[4] = {0xFF111111, 0xFF222222, 0xFF333333, 0xFF444444};
    for (int x = 0; x < 4; ++x)
        row.setPixel(x, 0, colours[x]);
    QImage small = canvas();
    DrawBitmapRectTransparent(small, 0, 0, 2, 1, QRect(), row, clNone);
    EXPECT_EQ(rgbAt(small, 0, 0), 0x111111u);
    EXPECT_EQ(rgbAt(small, 1, 0), 0x333333u);
}

TEST(TransparentDraw, SizesBelowOneMeanTheBitmapsOwn)
{
    QImage dest = canvas();
    DrawBitmapRectTransparent(dest, 1, 1, 0, -3, QRect(0, 0, 0, 5), checker(), clNone);
    EXPECT_EQ(rgbAt(dest, 1, 1), 0xFF0000u);
    EXPECT_EQ(rgbAt(dest, 2, 2), 0x0000FFu);
    EXPECT_EQ(rgbAt(dest, 3, 3), kBack);
}

TEST(TransparentDraw, SourceRectangleAtTheSameSize)
{
    QImage dest = canvas();
    DrawBitmapRectTransparent(dest, 5, 5, QRect(1, 1, 1, 1), checker(), clFuchsia);
    EXPECT_EQ(rgbAt(dest, 5, 5), 0x0000FFu);
    EXPECT_EQ(rgbAt(dest, 6, 5), kBack);
    EXPECT_EQ(rgbAt(dest, 5, 6), kBack);
}

TEST(TransparentDraw, ClipsAtTheCanvasEdges)
{
    QImage dest = canvas(3, 3);
    DrawBitmapRectTransparent(dest, 2, 2, 4, 4, QRect(), checker(), clNone);
    EXPECT_EQ(rgbAt(dest, 2, 2), 0xFF0000u);
    DrawBitmapRectTransparent(dest, -3, -3, 4, 4, QRect(), checker(), clNone);
    EXPECT_EQ(rgbAt(dest, 0, 0), 0x0000FFu);
}

} // namespace
