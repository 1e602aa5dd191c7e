#include "ledtesthelpers.h"
#include "vrnum.h"

#include <QLabel>
#include <QPixmap>
#include <QTest>

using namespace ledtest;

namespace {

const auto* env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

constexpr QRgb kSkin = 0xb4c8ac;  // the picture under the counters
constexpr QRgb kLow = 0x008000;   // green
constexpr QRgb kHigh = 0x191919;  // near black

// A parent showing a plain picture, with a counter set up like the status
// panel's on top of it.
struct CounterOnSkin {
    QWidget parent;
    QLabel* picture;
    TVrNum* counter;

    explicit CounterOnSkin(int height)
    {
        parent.resize(200, 100);
        picture = new QLabel(&parent);
        QPixmap skin(200, 100);
        skin.fill(QColor::fromRgb(kSkin));
        picture->setPixmap(skin);
        picture->setGeometry(0, 0, 200, 100);
        counter = new TVrNum(&parent);
        counter->setGeometry(117, 58, 59, height);
        counter->SetDigits(6);
        counter->SetMax(999999);
        counter->SetStyle(ns7x13);
        counter->SetTransparent(true);
        counter->Palette()->SetLow(QColor::fromRgb(kLow));
        counter->Palette()->SetHigh(QColor::fromRgb(kHigh));
        counter->SetColor(QColor::fromRgb(kLow));
    }
};

const QImage& strip()
{
    static const QImage s = recolouredStrip("NUM7x13", kLow, kHigh);
    return s;
}

// Checks the cells of a counter row starting at (x, y).
void expectRow(const QImage& image, const std::vector<int>& cells, int x, int y, int spacing = 2)
{
    for (size_t i = 0; i < cells.size(); ++i)
        EXPECT_TRUE(cellAt(image, strip(), 7, cells[i], x + int(i) * (7 + spacing), y, kSkin)) << "cell " << i;
}

} // namespace

TEST(TVrNum, StatusPanelCounterRowIs52PixelsFromX3)
{
    CounterOnSkin h18(18);
    EXPECT_EQ(h18.counter->CellWidth(), 7);
    EXPECT_EQ(h18.counter->CellHeight(), 13);
    const QImage image = grabImage(h18.counter);
    // Value 0: five unlit digits and a lit 0, row 6 * 7 + 5 * 2 = 52 wide at x 3.
    expectRow(image, {10, 10, 10, 10, 10, 0}, 3, 2);
    // Nothing drawn outside the row: column 2 and column 55 show the skin.
    for (int y = 0; y < 18; ++y) {
        EXPECT_EQ(rgb(image, 2, y), kSkin);
        EXPECT_EQ(rgb(image, 55, y), kSkin);
    }

    CounterOnSkin h19(19);
    expectRow(grabImage(h19.counter), {10, 10, 10, 10, 10, 0}, 3, 3);
}

TEST(TVrNum, LitSegmentsNearBlackUnlitGreenSkinBetween)
{
    CounterOnSkin c(18);
    c.counter->SetValue(888888);
    const QImage image = grabImage(c.counter);
    int lit = 0, unlit = 0, skin = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = rgb(image, x, y);
            lit += p == kHigh;
            unlit += p == kLow;
            skin += p == kSkin;
            EXPECT_TRUE(p == kHigh || p == kLow || p == kSkin);
        }
    EXPECT_GT(lit, 6 * 20);
    EXPECT_EQ(unlit, 0);
    EXPECT_GT(skin, lit);
}

TEST(TVrNum, ZeroBlankAndLeadingZero)
{
    CounterOnSkin c(18);
    c.counter->SetZeroBlank(true);
    expectRow(grabImage(c.counter), {10, 10, 10, 10, 10, 10}, 3, 2);
    c.counter->SetZeroBlank(false);
    c.counter->SetLeadingZero(true);
    expectRow(grabImage(c.counter), {0, 0, 0, 0, 0, 0}, 3, 2);
    c.counter->SetValue(4071);
    expectRow(grabImage(c.counter), {0, 0, 4, 0, 7, 1}, 3, 2);
}

TEST(TVrNum, ValueIsClampedAndOnChangeFiresOnlyOnChange)
{
    CounterOnSkin c(18);
    int changes = 0;
    c.counter->OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, c.counter);
        ++changes;
    };
    c.counter->SetValue(1000000);
    EXPECT_EQ(c.counter->Value(), 999999);
    EXPECT_EQ(changes, 1);
    c.counter->SetValue(1234567); // clamps to the same value
    EXPECT_EQ(changes, 1);
    c.counter->SetValue(-7);
    EXPECT_EQ(c.counter->Value(), 0);
    EXPECT_EQ(changes, 2);
}

TEST(TVrNum, SignCellShowsMinusOrUnlitBar)
{
    CounterOnSkin c(18);
    c.counter->SetDigits(1);
    c.counter->SetAlignment(naLeftJustify);
    c.counter->SetMin(-5);
    c.counter->SetValue(-3);
    expectRow(grabImage(c.counter), {12, 3}, 0, 2);
    c.counter->SetValue(3);
    expectRow(grabImage(c.counter), {11, 3}, 0, 2);
    // Centred, the row (two cells and one gap, 16 pixels) starts at (59 - 16) / 2.
    c.counter->SetAlignment(naCenter);
    expectRow(grabImage(c.counter), {11}, 21, 2);
}

TEST(TVrNum, RightJustifiedAndAutoSize)
{
    CounterOnSkin c(18);
    c.counter->SetAlignment(naRightJustify);
    c.counter->SetValue(42);
    expectRow(grabImage(c.counter), {10, 10, 10, 10, 4, 2}, 59 - 52, 2);
    c.counter->SetAutoSize(true);
    grabImage(c.counter);
    EXPECT_EQ(c.counter->size(), QSize(52, 13));
    expectRow(grabImage(c.counter), {10, 10, 10, 10, 4, 2}, 0, 0);
}

TEST(TVrNum, ValueWiderThanDigitsRunsPastTheRow)
{
    CounterOnSkin c(18);
    c.counter->SetDigits(2);
    c.counter->SetAlignment(naLeftJustify);
    c.counter->SetValue(1234);
    expectRow(grabImage(c.counter), {1, 2, 3, 4}, 0, 2);
}

TEST(TVrNum, InvalidSettingsChangeNothing)
{
    TVrNum num;
    num.SetDigits(0);
    num.SetDigits(16);
    EXPECT_EQ(num.Digits(), 4);
    num.SetMin(9999);
    EXPECT_EQ(num.Min(), 0);
    num.SetMax(0);
    EXPECT_EQ(num.Max(), 9999);
    num.SetMax(-1);
    EXPECT_EQ(num.Max(), 9999);
    num.SetDigits(15);
    EXPECT_EQ(num.Digits(), 15);
}

TEST(TVrNum, SettersRepaintAtOnceOnlyWhenChanged)
{
    CounterOnSkin c(18);
    c.parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&c.parent));
    PaintCounter paints(c.counter);
    c.counter->SetValue(5);
    EXPECT_EQ(paints.count, 1); // painted before the setter returned
    c.counter->SetValue(5);
    c.counter->SetSpacing(2);
    c.counter->SetTransparent(true);
    c.counter->SetDigits(6);
    EXPECT_EQ(paints.count, 1);
    c.counter->Palette()->SetHigh(QColor::fromRgb(kHigh));
    EXPECT_EQ(paints.count, 1);
    c.counter->Palette()->SetHigh(Qt::red);
    EXPECT_EQ(paints.count, 2);
}

TEST(TVrNum, NoPaintWhileTheFormIsBeingBuilt)
{
    CounterOnSkin c(18);
    c.parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&c.parent));
    PaintCounter paints(c.counter);
    c.counter->BeginLoading();
    c.counter->SetValue(12);
    c.counter->SetLeadingZero(true);
    c.counter->Palette()->SetLow(Qt::blue);
    EXPECT_EQ(paints.count, 0);
    EXPECT_EQ(c.counter->Value(), 12);
    c.counter->EndLoading();
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }, 5000));
}

TEST(TVrPalette, RecolorBitmapTestsSilverThenGrey)
{
    QImage bitmap(3, 1, QImage::Format_RGB32);
    bitmap.setPixel(0, 0, 0xffC0C0C0);
    bitmap.setPixel(1, 0, 0xff808080);
    bitmap.setPixel(2, 0, 0xff000000);
    TVrPalette palette;
    palette.SetLow(QColor::fromRgb(0x0000ff));
    palette.SetHigh(QColor::fromRgb(0x808080));
    palette.RecolorBitmap(bitmap);
    // Silver became grey, and that grey then became Low like the unlit pixel.
    EXPECT_EQ(rgb(bitmap, 0, 0), 0x0000ffu);
    EXPECT_EQ(rgb(bitmap, 1, 0), 0x0000ffu);
    EXPECT_EQ(rgb(bitmap, 2, 0), 0x000000u);
}

TEST(TVrPalette, DefaultsAndChangeHandler)
{
    TVrPalette palette;
    EXPECT_EQ(palette.Low(), QColor::fromRgb(0x008000));
    EXPECT_EQ(palette.High(), QColor::fromRgb(0x00ff00));
    int changes = 0;
    palette.OnChange = [&] { ++changes; };
    palette.SetLow(QColor::fromRgb(0x008000));
    EXPECT_EQ(changes, 0);
    palette.SetLow(Qt::red);
    EXPECT_EQ(changes, 1);
}
