// The generated pictures: sizes, file formats and key colours, read back
// from the embedded resources.
#include "artnames.h"
#include "skinwidgettest.h"

#include <QFile>
#include <QtEndian>

#include <vector>

namespace {

constexpr QRgb kKey = 0xFF00FF;

struct BmpHeader {
    int width = 0;
    int height = 0;
    int bits = 0;
    int coloursUsed = 0;
};

QByteArray raw(const QString& name)
{
    artnames::initArtResources();
    QFile file(artnames::path(name.toLatin1().constData()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

BmpHeader header(const QString& name)
{
    const QByteArray data = raw(name);
    BmpHeader h;
    if (data.size() < 54 || !data.startsWith("BM"))
        return h;
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    h.width = qFromLittleEndian<qint32>(p + 18);
    h.height = qFromLittleEndian<qint32>(p + 22);
    h.bits = qFromLittleEndian<quint16>(p + 28);
    h.coloursUsed = int(qFromLittleEndian<quint32>(p + 46));
    return h;
}

QImage picture(const char* name)
{
    artnames::initArtResources();
    return QImage(artnames::path(name)).convertToFormat(QImage::Format_RGB32);
}

void expectBmp(const char* name, int w, int h, int bits)
{
    const BmpHeader hd = header(name);
    EXPECT_EQ(hd.width, w) << name;
    EXPECT_EQ(hd.height, h) << name;
    EXPECT_EQ(hd.bits, bits) << name;
    if (bits == 8) {
        EXPECT_EQ(hd.coloursUsed, 256) << name;
    }
}

TEST(Artwork, TheSkinIsA256ColourBitmapOfItsSize)
{
    expectBmp(artnames::kSkin, 385, 424, 8);
}

TEST(Artwork, TheSkinLeavesTheVideoAreaAndTheControlSlotsBlack)
{
    const QImage skin = picture(artnames::kSkin);
    ASSERT_EQ(skin.size(), QSize(385, 424));
    // Under the top corners and between the side edges.
    for (int y = 94; y < 320; ++y)
        for (int x = 41; x < 385 - 40; ++x)
            ASSERT_EQ(rgbAt(skin, x, y), 0u) << x << "," << y;
    // The slider slots of the stretched bottom band (column 209) and of the
    // bottom corners: position slider rows H-102..H-86, volume rows H-43..H-27.
    for (int x : {89, 209, 385 - 87}) {
        for (int y = 424 - 102; y < 424 - 85; ++y)
            EXPECT_EQ(rgbAt(skin, x, y), 0u) << x << "," << y;
        for (int y = 424 - 43; y < 424 - 26; ++y)
            EXPECT_EQ(rgbAt(skin, x, y), 0u) << x << "," << y;
    }
    // The level bar channels are dark all along the bars.
    for (int y = 206; y < 424 - 47; ++y)
        for (int x : {18, 29, 385 - 30, 385 - 19})
            EXPECT_LT(qGray(skin.pixel(x, y)), 24) << x << "," << y;
}

TEST(Artwork, TheStretchedBandsAreMetalNotBlack)
{
    const QImage skin = picture(artnames::kSkin);
    EXPECT_GT(qGray(skin.pixel(95, 20)), 40);   // top band, title strip
    EXPECT_GT(qGray(skin.pixel(8, 209)), 40);   // left edge
    EXPECT_GT(qGray(skin.pixel(385 - 5, 209)), 40); // right edge
    EXPECT_GT(qGray(skin.pixel(209, 424 - 10)), 30); // bottom drag strip
}

struct ButtonFamily {
    std::vector<artnames::ButtonArt> buttons;
    int w, h, bits;
};

TEST(Artwork, ButtonPicturesHaveTheirSizesFormatsAndKeyColour)
{
    using namespace artnames;
    const ButtonFamily families[] = {
        {{kButtonClose, kButtonMaximise, kButtonMinimise}, 20, 21, 8},
        {{kButtonLoad, kButtonCapture, kButtonBigger, kButtonSmaller, kButtonNormalSize, kButtonAbout}, 30, 30, 24},
        {{kButtonWeb, kButtonEmail}, 22, 46, 8},
        {{kButtonPlay, kButtonStop, kButtonPause, kButtonRewind, kButtonForward, kButtonFrameBack,
          kButtonFrameForward},
         32, 20, 8},
    };
    for (const ButtonFamily& family : families) {
        for (const ButtonArt& art : family.buttons) {
            for (const char* name : {art.up, art.down, art.high}) {
                expectBmp(name, family.w, family.h, family.bits);
                const QImage img = picture(name);
                EXPECT_EQ(rgbAt(img, 0, 0), kKey) << name; // rounded corners let the skin through
                EXPECT_NE(rgbAt(img, family.w / 2, family.h / 2), kKey) << name;
            }
            // The three states look different.
            EXPECT_NE(picture(art.up), picture(art.down)) << art.up;
            EXPECT_NE(picture(art.up), picture(art.high)) << art.up;
        }
    }
}

TEST(Artwork, SliderPicturesUseTheirBottomLeftPixelAsKey)
{
    using namespace artnames;
    const struct {
        const char* name;
        int w, h;
    } sliders[] = {
        {kPositionThumb, 15, 20}, {kVolumeThumb, 15, 20},  {kPositionRuler, 6, 20}, {kVolumeRuler, 6, 20},
        {kDefaultHThumb, 22, 18}, {kDefaultHRuler, 12, 8}, {kDefaultVThumb, 36, 11}, {kDefaultVRuler, 8, 12},
    };
    for (const auto& s : sliders) {
        expectBmp(s.name, s.w, s.h, 8);
        const QImage img = picture(s.name);
        EXPECT_EQ(rgbAt(img, 0, img.height() - 1), kKey) << s.name;
    }
    // The volume ruler is drawn opaque: no key in the 17 rows that show.
    const QImage volume = picture(kVolumeRuler);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_NE(rgbAt(volume, x, y), kKey) << x << "," << y;
    // The thumbs show something solid in the middle of the visible rows.
    EXPECT_NE(rgbAt(picture(kPositionThumb), 7, 8), kKey);
}

TEST(Artwork, NavigatorHandle)
{
    expectBmp(artnames::kNavigatorHandle, 20, 150, 8);
}

TEST(Artwork, CursorsHaveTheirHotSpotsOnThePicture)
{
    const struct {
        const char* name;
        int x, y;
    } cursors[] = {{artnames::kHandCursor, artnames::kHandCursorHotX, artnames::kHandCursorHotY},
                   {artnames::kDragCursor, artnames::kDragCursorHotX, artnames::kDragCursorHotY}};
    for (const auto& c : cursors) {
        artnames::initArtResources();
        const QImage img(artnames::path(c.name));
        ASSERT_EQ(img.size(), QSize(32, 32)) << c.name;
        EXPECT_TRUE(img.hasAlphaChannel());
        EXPECT_EQ(qAlpha(img.pixel(31, 31)), 0) << c.name;
        EXPECT_GT(qAlpha(img.pixel(c.x, c.y)), 100) << c.name;
    }
}

TEST(Artwork, IconAtEveryDesktopSize)
{
    for (int size : artnames::kIconSizes) {
        const QImage icon(artnames::iconPath(size));
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
    }
}

} // namespace
