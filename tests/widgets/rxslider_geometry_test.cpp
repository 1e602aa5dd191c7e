#include "rxslider_geometry.h"

#include <gtest/gtest.h>

#include <QColor>

#include <climits>

using namespace rxslider;

TEST(SliderGeometry, RoundsHalvesToTheEvenNeighbour)
{
    const struct {
        int64_t n, d, expected;
    } cases[] = {
        {5, 2, 2},    {7, 2, 4}, {-5, 2, -2}, {-7, 2, -4}, {9, 4, 2}, {10, 4, 2}, {11, 4, 3},  {-9, 4, -2},
        {-11, 4, -3}, {0, 7, 0}, {6, 3, 2},   {1, 3, 0},   {2, 3, 1}, {-1, 3, 0}, {-2, 3, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roundHalfEven(c.n, c.d), c.expected) << c.n << " / " << c.d;
}

// A horizontal track 100 pixels long from x = 10, and the same upright from
// y = 10, for values 0..50.
const Track kAcross{QRect(10, 0, 120, 20), 100, 0, 50, true};
const Track kUpright{QRect(0, 10, 20, 120), 100, 0, 50, false};

TEST(SliderGeometry, ValuesMapToThumbPixelsAndBack)
{
    const struct {
        const char* name;
        const Track& track;
        int32_t value;
        int pixel;
    } cases[] = {
        {"across, minimum", kAcross, 0, 10},    {"across, maximum", kAcross, 50, 110},
        {"across, middle", kAcross, 25, 60},    {"across, one step", kAcross, 1, 12},
        {"upright, minimum", kUpright, 0, 110}, {"upright, maximum", kUpright, 50, 10},
        {"upright, middle", kUpright, 25, 60},  {"upright, one step", kUpright, 1, 108},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(valueToPixel(c.track, c.value), c.pixel) << c.name;
        EXPECT_EQ(pixelToValue(c.track, c.pixel, 1, true), c.value) << c.name;
    }
}

TEST(SliderGeometry, PixelsOutsideTheTrackGiveTheEndValues)
{
    EXPECT_EQ(pixelToValue(kAcross, -500, 1, true), 0);
    EXPECT_EQ(pixelToValue(kAcross, 500, 1, true), 50);
    EXPECT_EQ(pixelToValue(kUpright, 500, 1, true), 0);
    EXPECT_EQ(pixelToValue(kUpright, -500, 1, true), 50);
    // A value beyond the range still puts the thumb no further than its end
    // (upright) or its start (across).
    EXPECT_EQ(valueToPixel(kUpright, 80), 10);
    EXPECT_EQ(valueToPixel(kAcross, -30), 10);
}

TEST(SliderGeometry, ValuesSnapToTheIncrementUnlessSmooth)
{
    // Pixel 24 stands for value 7: rounded to the grid of 5 it is 5.
    EXPECT_EQ(pixelToValue(kAcross, 24, 5, true), 7);
    EXPECT_EQ(pixelToValue(kAcross, 24, 5, false), 5);
    EXPECT_EQ(pixelToValue(kAcross, 26, 5, false), 10);
    // The thumb then rests where its snapped value puts it.
    EXPECT_EQ(restingPixel(kAcross, 24, 5, false), 20);
    EXPECT_EQ(restingPixel(kAcross, 24, 5, true), 24);
    EXPECT_EQ(restingPixel(kAcross, 1000, 5, false), 110);
}

TEST(SliderGeometry, ATrackWithoutRoomOrRangeStaysAtItsStart)
{
    const Track noRoom{QRect(0, 0, 10, 10), -4, 0, 50, true};
    EXPECT_EQ(valueToPixel(noRoom, 30), 0);
    EXPECT_EQ(pixelToValue(noRoom, 5, 1, true), 0);
    EXPECT_EQ(restingPixel(noRoom, 7, 1, true), 0);
    const Track noRange{QRect(0, 0, 110, 10), 100, 5, 5, true};
    EXPECT_EQ(valueToPixel(noRange, 5), 0);
}

TEST(SliderGeometry, FullIntegerRangeDoesNotOverflow)
{
    const Track wide{QRect(0, 0, 1010, 10), 1000, INT32_MIN, INT32_MAX, true};
    EXPECT_EQ(valueToPixel(wide, INT32_MIN), 0);
    EXPECT_EQ(valueToPixel(wide, INT32_MAX), 1000);
    EXPECT_EQ(pixelToValue(wide, 0, 1, true), INT32_MIN);
    EXPECT_EQ(pixelToValue(wide, 1000, 1, true), INT32_MAX);
}

TEST(SliderGeometry, PressesPageTowardsTheirSideOfTheThumb)
{
    const QRect thumb(40, 40, 10, 10);
    const struct {
        QPoint at;
        bool horizontal;
        int sign;
    } cases[] = {
        {{20, 45}, true, -1}, {{60, 45}, true, 1},   {{45, 45}, true, 0},  {{49, 45}, true, 0},
        {{45, 20}, false, 1}, {{45, 60}, false, -1}, {{45, 40}, false, 0}, {{45, 49}, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pageSign(thumb, c.at, c.horizontal), c.sign) << c.at.x() << "," << c.at.y();
}

TEST(SliderGeometry, StepsLandOnTheGridAndStayInRange)
{
    const struct {
        int32_t value, increment;
        int sign;
        int32_t expected;
    } cases[] = {
        {20, 10, 1, 30}, {20, 10, -1, 10}, {23, 10, 1, 30}, {27, 10, -1, 20}, {95, 10, 1, 100},  {3, 10, -1, 0},
        {25, 10, 1, 30}, {35, 10, 1, 50},  {42, 10, 0, 42}, {42, 0, 1, 43},   {100, 10, 1, 100}, {0, 10, -1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(steppedValue(c.value, c.increment, 0, 100, c.sign), c.expected)
            << c.value << " by " << c.increment << " sign " << c.sign;
}

TEST(SliderGeometry, TicksMarkEachStepOnlyWhenTheyAreThreePixelsApart)
{
    using V = std::vector<int32_t>;
    EXPECT_EQ(tickValues(0, 10, 5, 100), (V{0, 5, 10, 0, 10}));
    EXPECT_EQ(tickValues(0, 10, 5, 6), (V{0, 5, 10, 0, 10}));
    EXPECT_EQ(tickValues(0, 10, 5, 5), (V{0, 10}));
    EXPECT_EQ(tickValues(0, 100, 1, 50), (V{0, 100}));
    EXPECT_EQ(tickValues(0, 10, 20, 100), (V{0, 10}));
    EXPECT_EQ(tickValues(0, 10, 5, -3), (V{0, 10}));
}

TEST(SliderGeometry, TheThinnerPartIsCentredAcrossTheThicker)
{
    const QRect inner(1, 1, 100, 20);
    const struct {
        const char* name;
        QSize ruler, thumb;
        bool horizontal;
        QPoint rulerAt, thumbAt;
    } cases[] = {
        {"thin ruler", {100, 8}, {10, 18}, true, {1, 6}, {1, 1}},
        {"thick ruler", {100, 18}, {10, 8}, true, {1, 1}, {1, 6}},
        {"thin upright ruler", {8, 100}, {18, 10}, false, {6, 1}, {1, 1}},
        {"thick upright ruler", {18, 100}, {8, 10}, false, {1, 1}, {6, 1}},
    };
    for (const auto& c : cases) {
        const Placement place = placeRulerAndThumb(inner, c.ruler, c.thumb, c.horizontal);
        EXPECT_EQ(place.ruler, c.rulerAt) << c.name;
        EXPECT_EQ(place.thumb, c.thumbAt) << c.name;
    }
    EXPECT_EQ(thumbTravel({100, 8}, {10, 18}, true), 90);
    EXPECT_EQ(thumbTravel({8, 100}, {18, 10}, false), 90);
}

// A ruler picture with a distinct colour per column: 0 and 5 are the edges.
QImage numberedColumns(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            picture.setPixel(x, y, qRgb(10 * x, 0, 0));
    return picture;
}

TEST(SliderGeometry, RulersKeepTheirEndsAndRepeatTheMiddle)
{
    const QImage picture = numberedColumns(6, 3);
    const QImage ruler = buildRuler(picture, 13, 1, true);
    ASSERT_EQ(ruler.size(), QSize(13, 3));
    // Column indices of the picture, as they appear along the ruler.
    const int expected[] = {0, 1, 2, 3, 4, 1, 2, 3, 4, 2, 3, 4, 5};
    for (int x = 0; x < 13; ++x)
        EXPECT_EQ(qRed(ruler.pixel(x, 1)), 10 * expected[x]) << "column " << x;

    // Upright, the picture's columns run down the ruler's rows.
    const QImage upright = buildRuler(picture.transformed(QTransform().rotate(90)), 13, 1, false);
    ASSERT_EQ(upright.size(), QSize(3, 13));
    EXPECT_EQ(qRed(upright.pixel(1, 0)), 0);
    EXPECT_EQ(qRed(upright.pixel(1, 12)), 50);

    EXPECT_TRUE(buildRuler(picture, 0, 1, true).isNull());
    EXPECT_TRUE(buildRuler(QImage(), 20, 1, true).isNull());
    EXPECT_TRUE(buildRuler(picture, -5, 1, false).isNull());
}
