// Checks the LED artwork the generator produced: sizes, the 4-bit format
// with the standard palette, and the three key colours of the digit strips.
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include "testapplication.h"

#include <set>

namespace {

NORRAVA_TEST_APPLICATION(QGuiApplication);

QString artPath(const QString& name)
{
    return QString(NORRAVA_ART_DIR) + "/" + name;
}

int bitsPerPixel(const QString& name)
{
    QFile file(artPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.read(54);
    if (header.size() < 54 || !header.startsWith("BM"))
        return -1;
    return uchar(header[28]) | (uchar(header[29]) << 8);
}

const QList<QRgb> kStandard16 = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

// Colours used in a rectangle of the picture.
std::set<QRgb> coloursIn(const QImage& image, const QRect& area)
{
    std::set<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y) & 0xffffff);
    return colours;
}

struct Strip {
    const char* name;
    int width, height, cell;
};
const Strip kStrips[] = {
    {"NUM13x24", 169, 24, 13}, {"NUM11x20", 143, 20, 11}, {"NUM7x13", 91, 13, 7},
    {"NUM12x17", 156, 17, 12}, {"NUM5x7", 52, 7, 4},
};

constexpr QRgb kBlack = 0x000000, kGrey = 0x808080, kSilver = 0xC0C0C0;

} // namespace

TEST(LedArt, DigitStripsAreFourBitWithThreeColoursInThirteenCells)
{
    for (const Strip& s : kStrips) {
        SCOPED_TRACE(s.name);
        const QString file = QString(s.name) + ".bmp";
        EXPECT_EQ(bitsPerPixel(file), 4);
        const QImage image(artPath(file));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_EQ(image.colorTable(), kStandard16);
        EXPECT_EQ(image.size(), QSize(s.width, s.height));
        EXPECT_EQ(image.width() / 13, s.cell);
        EXPECT_EQ(coloursIn(image, image.rect()), (std::set<QRgb>{kBlack, kGrey, kSilver}));
        auto cell = [&](int i) { return coloursIn(image, QRect(i * s.cell, 0, s.cell, s.height)); };
        for (int digit = 0; digit <= 9; ++digit)
            EXPECT_TRUE(cell(digit).count(kSilver)) << "digit " << digit;
        EXPECT_FALSE(cell(8).count(kGrey)); // every segment lit
        EXPECT_FALSE(cell(10).count(kSilver)); // an unlit digit
        EXPECT_FALSE(cell(11).count(kSilver));
        EXPECT_FALSE(cell(12).count(kGrey));
        // The unlit digit has exactly the pixels of the 8; the sign cells only the middle bar.
        int eight = 0, unlit = 0, bar = 0, minus = 0;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.cell; ++x) {
                eight += (image.pixel(8 * s.cell + x, y) & 0xffffff) == kSilver;
                unlit += (image.pixel(10 * s.cell + x, y) & 0xffffff) == kGrey;
                bar += (image.pixel(11 * s.cell + x, y) & 0xffffff) == kGrey;
                minus += (image.pixel(12 * s.cell + x, y) & 0xffffff) == kSilver;
            }
        EXPECT_EQ(eight, unlit);
        EXPECT_EQ(bar, minus);
        EXPECT_GT(bar, 0);
        EXPECT_LT(bar, eight / 4);
    }
}

TEST(LedArt, DigitsDifferFromEachOther)
{
    for (const Strip& s : kStrips) {
        const QImage image(artPath(QString(s.name) + ".bmp"));
        for (int a = 0; a <= 9; ++a)
            for (int b = a + 1; b <= 9; ++b)
                EXPECT_NE(image.copy(a * s.cell, 0, s.cell, s.height), image.copy(b * s.cell, 0, s.cell, s.height))
                    << s.name << " " << a << " " << b;
    }
}

TEST(LedArt, SeparatorsAreSilverDotsOnBlack)
{
    const struct {
        const char* name;
        int width, height;
    } separators[] = {{"CLOCKSEP1", 6, 24}, {"CLOCKSEP2", 6, 20}, {"CLOCKSEP3", 3, 13}, {"CLOCKSEP4", 7, 17},
                      {"CLOCKSEP5", 3, 7}};
    for (const auto& s : separators) {
        SCOPED_TRACE(s.name);
        const QString file = QString(s.name) + ".bmp";
        EXPECT_EQ(bitsPerPixel(file), 4);
        const QImage image(artPath(file));
        EXPECT_EQ(image.size(), QSize(s.width, s.height));
        EXPECT_EQ(coloursIn(image, image.rect()), (std::set<QRgb>{kBlack, kSilver}));
        EXPECT_EQ(image.pixel(0, s.height - 1) & 0xffffff, kBlack); // the transparent corner
        // Two dots: one in the upper half, one in the lower.
        EXPECT_TRUE(coloursIn(image, QRect(0, 0, s.width, s.height / 2)).count(kSilver));
        EXPECT_TRUE(coloursIn(image, QRect(0, s.height / 2, s.width, s.height - s.height / 2)).count(kSilver));
    }
}

TEST(LedArt, StatusPanelPicturesAre256Colours)
{
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {{"statuspanel.bmp", {323, 138}}, {"statushandle.bmp", {107, 18}}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(bitsPerPixel(p.name), 8);
        const QImage image(artPath(p.name));
        EXPECT_EQ(image.size(), p.size);
        EXPECT_LE(image.colorCount(), 256);
        EXPECT_GT(coloursIn(image, image.rect()).size(), 32u); // shaded, not flat
    }
}
