#include "rxslider.h"
#include "skinwidgettest.h"

#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr QRgb kThumb = 0x33CC66;
constexpr QRgb kKey = 0xFF00FF;

// A 15 x 20 thumb: solid, with a key-coloured bottom-left pixel.
QImage thumbPicture()
{
    QImage img = solid(15, 20, 0xFF000000 | kThumb);
    img.setPixel(0, 19, 0xFF000000 | kKey);
    img.setPixel(0, 0, 0xFF000000 | kKey);
    return img;
}

// A ruler picture whose columns are told apart by their red value; its
// bottom-left pixel is the key.
QImage rulerPicture(int width)
{
    QImage img(width, 20, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < 20; ++y)
            img.setPixel(x, y, qRgb(10 * (x + 1), 80, 90));
    img.setPixel(0, 19, 0xFF000000 | kKey);
    return img;
}

enum Layout { Across, Upright };
constexpr auto pdUp = TRxCustomSlider::pdUp;
constexpr auto pdDown = TRxCustomSlider::pdDown;
constexpr auto pdNone = TRxCustomSlider::pdNone;

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override { freshSlider(); }

    // A new position slider, for each row of a table.
    void freshSlider()
    {
        events.clear();
        parent = std::make_unique<QWidget>();
        parent->resize(300, 60);
        QPalette pal = parent->palette();
        pal.setColor(QPalette::Window, Qt::black);
        parent->setPalette(pal);
        slider = new TRxSlider(parent.get());
        // As the position slider of the main window is set up.
        slider->SetImageHThumb(thumbPicture());
        slider->SetImageHRuler(rulerPicture(6));
        slider->SetNumThumbStates(1);
        slider->SetEdgeSize(0);
        slider->SetOptions({});
        slider->SetIncrement(1);
        slider->setGeometry(10, 10, 211, 17);
        slider->OnChange = [this] { events.push_back("change " + std::to_string(slider->Value())); };
        slider->OnChanged = [this] { events.push_back("changed"); };
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
    }

    // As the volume slider: upright, 45 pixels of travel.
    void makeUpright()
    {
        slider->SetOrientation(soVertical);
        slider->SetImageVThumb(thumbPicture().transformed(QTransform().rotate(90)));
        slider->SetImageVRuler(rulerPicture(6).transformed(QTransform().rotate(90)));
        slider->setGeometry(10, 0, 20, 60);
    }

    std::unique_ptr<QWidget> parent;
    TRxSlider* slider = nullptr;
    std::vector<std::string> events;
};

TEST_F(SliderTest, PositionSliderLayout)
{
    EXPECT_EQ(slider->UserImages(), siHThumb | siHRuler);
    EXPECT_EQ(slider->Span(), 196);
    EXPECT_EQ(slider->ThumbRect().top(), 0);
    EXPECT_EQ(slider->ThumbRect().size(), QSize(15, 20));
}

// The position slider is 196 pixels of travel. Values map to the thumb's
// left edge, halves rounding to the even neighbour.
TEST_F(SliderTest, ValuesMapToThumbPixels)
{
    const struct {
        const char* name;
        int32_t maxValue;
        int32_t value;
        int pixel;
    } rows[] = {
        {"middle of 1000", 1000, 500, 98},
        {"end of 1000", 1000, 1000, 196},
        {"24.5 rounds down to even", 8, 1, 24},
        {"73.5 rounds up to even", 8, 3, 74},
        {"122.5 rounds down to even", 8, 5, 122},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        slider->SetMaxValue(row.maxValue);
        slider->SetValue(row.value);
        EXPECT_EQ(slider->ValueToPixel(row.value), row.pixel);
        EXPECT_EQ(slider->ThumbRect().left(), row.pixel);
    }
}

TEST_F(SliderTest, PixelsMapToValues)
{
    const struct {
        const char* name;
        int32_t maxValue;
        int32_t increment;
        TSliderOptions options;
        int pixel;
        int32_t value;
    } rows[] = {
        {"middle of 1000", 1000, 1, {}, 98, 500},
        {"past the end", 1000, 1, {}, 500, 1000},
        {"before the start", 1000, 1, {}, -4, 0},
        {"exactly two steps of 24.5", 8, 1, {}, 49, 2},
        {"half a step rounds down", 8, 1, {}, 12, 0},
        {"1.5 steps round up to even", 8, 1, {}, 37, 2},
        // 30 pixels are 15.3 units: 15 is 1.5 increments, to the even 2.
        {"snapped to the increment", 100, 10, {}, 30, 20},
        {"snapped onto an increment", 100, 10, {}, 20, 10},
        {"smooth is not snapped", 100, 10, soSmooth, 30, 15},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        slider->SetMaxValue(row.maxValue);
        slider->SetIncrement(row.increment);
        slider->SetOptions(row.options);
        EXPECT_EQ(slider->PixelToValue(row.pixel), row.value);
    }
}

TEST_F(SliderTest, BuildsTheRulerByRepeatingTheTile)
{
    const QImage& ruler = slider->Ruler();
    ASSERT_EQ(ruler.size(), QSize(211, 20));
    for (int x = 0; x < 210; ++x)
        ASSERT_EQ(qRed(ruler.pixel(x, 5)), 10 * (x % 6 + 1)) << x;
    EXPECT_EQ(qRed(ruler.pixel(210, 5)), 60); // the last partial copy takes the last column

    // With edges: a 12-pixel picture, EdgeSize 2, 30 wide: tile 8, 26 = 3 x 8 + 2.
    slider->SetImageHRuler(rulerPicture(12));
    slider->SetEdgeSize(2);
    slider->resize(30, 17);
    const QImage& edged = slider->Ruler();
    std::vector<int> columns;
    for (int x = 0; x < 30; ++x)
        columns.push_back(qRed(edged.pixel(x, 5)) / 10 - 1);
    const std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 4, 5, 6, 7, 8, 9,
                                       2, 3, 4, 5, 6, 7, 8, 9, 8, 9, 10, 11};
    EXPECT_EQ(columns, expected);
}

TEST_F(SliderTest, RefusesEdgesThatLeaveNoTile)
{
    slider->SetEdgeSize(3); // 2 x 3 is not less than 6
    EXPECT_EQ(slider->EdgeSize(), 0);
    slider->SetEdgeSize(2);
    EXPECT_EQ(slider->EdgeSize(), 2);
}

TEST_F(SliderTest, ValueSetterClampsAndReportsOnlyChanges)
{
    using Events = std::vector<std::string>;
    const struct {
        const char* name;
        int32_t increment;
        int32_t from;
        int32_t set;
        int32_t value;
        Events events;
    } rows[] = {
        {"the same value", 1, 0, 0, 0, {}},
        {"a new value", 1, 0, 40, 40, {"change 40"}},
        {"the same again", 1, 40, 40, 40, {}},
        {"above the range clamps", 1, 40, 500, 100, {"change 100"}},
        {"above the range at the maximum", 1, 100, 101, 100, {}},
        {"below the range clamps", 1, 40, -5, 0, {"change 0"}},
        {"never snapped to the increment", 10, 0, 15, 15, {"change 15"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        slider->SetIncrement(row.increment);
        slider->SetValue(row.from);
        events.clear();
        slider->SetValue(row.set);
        EXPECT_EQ(slider->Value(), row.value);
        EXPECT_EQ(events, row.events);
    }
}

TEST_F(SliderTest, RangeSetters)
{
    using Events = std::vector<std::string>;
    enum Bound { Min, Max };
    const struct {
        const char* name;
        int32_t increment;
        int32_t from;
        Bound bound;
        int32_t set;
        int32_t minValue, maxValue, value, incrementAfter;
        Events events;
    } rows[] = {
        {"a maximum not above the minimum is ignored", 1, 80, Max, 0, 0, 100, 80, 1, {}},
        {"a minimum not below the maximum is ignored", 1, 80, Min, 100, 0, 100, 80, 1, {}},
        {"a lower maximum re-clamps the value", 1, 80, Max, 50, 0, 50, 50, 1, {"change 50"}},
        {"a higher minimum re-clamps the value", 1, 20, Min, 40, 40, 100, 40, 1, {"change 40"}},
        {"a narrow range narrows the increment", 20, 80, Min, 90, 90, 100, 90, 10, {"change 90"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        slider->SetMinValue(0);
        slider->SetMaxValue(100);
        slider->SetIncrement(row.increment);
        slider->SetValue(row.from);
        events.clear();
        if (row.bound == Min)
            slider->SetMinValue(row.set);
        else
            slider->SetMaxValue(row.set);
        EXPECT_EQ(slider->MinValue(), row.minValue);
        EXPECT_EQ(slider->MaxValue(), row.maxValue);
        EXPECT_EQ(slider->Value(), row.value);
        EXPECT_EQ(slider->Increment(), row.incrementAfter);
        EXPECT_EQ(events, row.events);
    }
}

TEST_F(SliderTest, BadIncrementIsRefusedWithItsMessage)
{
    slider->SetMaxValue(1000);
    const struct {
        int32_t set;
        bool refused;
    } rows[] = {{0, true}, {-1, true}, {1001, true}, {1000, false}, {1, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.set);
        const int32_t before = slider->Increment();
        try {
            slider->SetIncrement(row.set);
            EXPECT_FALSE(row.refused) << "no error";
        } catch (const ESliderError& e) {
            EXPECT_TRUE(row.refused);
            EXPECT_STREQ(e.what(), "Value must be between 1 and 1000");
        }
        EXPECT_EQ(slider->Increment(), row.refused ? before : row.set);
    }
}

// The maximum is the travel, one unit a pixel; moves are along the slider,
// towards larger values.
TEST_F(SliderTest, DraggingTheThumbChangesTheValueAsItGoes)
{
    const struct {
        const char* name;
        Layout layout;
        int32_t from;
        int along;
        int across; // the pointer's distance off the slider's middle
        int32_t value;
    } rows[] = {
        {"along the ruler", Across, 0, 20, 1, 20},
        {"off the control still drags", Across, 0, 50, 22, 50},
        {"past the end stops at the maximum", Across, 0, 900, 0, 196},
        {"before the start stops at the minimum", Across, 100, -500, 0, 0},
        {"upright, up the ruler", Upright, 0, 20, 1, 20},
        {"upright, past the top", Upright, 10, 200, 0, 45},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        freshSlider();
        if (row.layout == Upright)
            makeUpright();
        slider->SetMaxValue(slider->Span());
        slider->SetValue(row.from);
        events.clear();
        const QPoint grab = slider->ThumbRect().topLeft() + QPoint(5, 5);
        const QPoint to = row.layout == Upright ? grab + QPoint(row.across, -row.along)
                                                : grab + QPoint(row.along, row.across);
        QTest::mouseMove(slider, QPoint(-5, -5)); // from elsewhere, so the next move is one
        QTest::mouseMove(slider, grab);
        EXPECT_EQ(slider->cursor().shape(), Qt::BitmapCursor); // the hand over the thumb
        QTest::mousePress(slider, Qt::LeftButton, {}, grab);
        EXPECT_TRUE(slider->Sliding());
        EXPECT_TRUE(slider->ThumbDown());
        EXPECT_TRUE(slider->hasFocus());
        QTest::mouseMove(slider, to);
        EXPECT_EQ(slider->Value(), row.value);
        const QRect thumb = slider->ThumbRect();
        EXPECT_EQ(row.layout == Upright ? slider->Span() - thumb.top() : thumb.left(), row.value);
        EXPECT_EQ(events, (std::vector<std::string>{"change " + std::to_string(row.value)}));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
        EXPECT_FALSE(slider->Sliding());
        EXPECT_FALSE(slider->ThumbDown());
        EXPECT_EQ(events.back(), "changed");
        EXPECT_EQ(events.size(), 2u);
    }
}

// A press on the ruler steps once at once, then once a timer tick until the
// thumb reaches the pointer; the ticks are driven here by hand.
TEST_F(SliderTest, PagingStepsUntilTheThumbReachesThePointer)
{
    const struct {
        const char* name;
        Layout layout;
        int32_t maxValue, increment, from;
        Qt::MouseButton button;
        QPoint at;
        TRxCustomSlider::TPageDirection direction;
        int32_t first;
        int32_t reached;
    } rows[] = {
        // The thumb covers 98..112; it reaches 115 at pixel 101, value 513.
        {"right of the thumb pages up", Across, 1000, 1, 500, Qt::LeftButton, {115, 8}, pdUp, 501, 513},
        // 10 x round(5.7) - 10
        {"left of the thumb pages down onto the grid", Across, 100, 10, 57, Qt::LeftButton, {2, 8}, pdDown, 50, 0},
        {"right of the thumb pages up onto the grid", Across, 100, 10, 57, Qt::LeftButton, {200, 8}, pdUp, 70, 100},
        // 6.5 steps round to the even 6, so the first step goes to 70; at 80
        // the thumb covers 157..171 and has reached the pointer.
        {"stops where the thumb reaches the pointer", Across, 100, 10, 65, Qt::LeftButton, {170, 8}, pdUp, 70, 80},
        {"a right press does not page", Across, 1000, 1, 500, Qt::RightButton, {115, 8}, pdNone, 500, 500},
        {"upright, above the thumb pages up", Upright, 100, 10, 0, Qt::LeftButton, {10, 2}, pdUp, 10, 100},
        {"upright, below the thumb pages down", Upright, 100, 10, 100, Qt::LeftButton, {10, 58}, pdDown, 90, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        freshSlider();
        if (row.layout == Upright)
            makeUpright();
        slider->SetMaxValue(row.maxValue);
        slider->SetIncrement(row.increment);
        slider->SetValue(row.from);
        events.clear();
        const bool pages = row.direction != pdNone;
        QTest::mousePress(slider, row.button, {}, row.at);
        EXPECT_EQ(slider->Paging(), pages);
        EXPECT_EQ(slider->PageDirection(), row.direction);
        EXPECT_EQ(slider->Value(), row.first);
        if (pages) {
            ASSERT_NE(slider->PageTimer(), nullptr);
            EXPECT_TRUE(slider->PageTimer()->isActive());
            EXPECT_EQ(slider->PageTimer()->interval(), 200);
            for (int tick = 0; tick < 100; ++tick)
                slider->PageTimerTick();
        }
        EXPECT_EQ(slider->Value(), row.reached);
        EXPECT_EQ(std::count(events.begin(), events.end(), "changed"), 0);
        QTest::mouseRelease(slider, row.button, {}, row.at);
        EXPECT_FALSE(slider->Paging());
        if (slider->PageTimer()) {
            EXPECT_FALSE(slider->PageTimer()->isActive());
        }
        EXPECT_EQ(std::count(events.begin(), events.end(), "changed"), pages ? 1 : 0);
        if (pages) {
            EXPECT_EQ(events.back(), "changed");
        }
    }
}

// The arrows step along the slider's own direction; Home and End go to the
// ends. A handled key ends the action and reaches OnKeyDown as 0; any other
// key, or one with Shift, Ctrl or Alt, is passed on as it is.
TEST_F(SliderTest, KeysStepAndReportTheEndOfTheAction)
{
    using Events = std::vector<std::string>;
    const struct {
        const char* name;
        Layout layout;
        int32_t from;
        int key;
        Qt::KeyboardModifiers modifiers;
        int32_t value;
        Events events;
        int passedOn;
    } rows[] = {
        {"Right steps up", Across, 20, Qt::Key_Right, {}, 25, {"change 25", "changed"}, 0},
        {"Left steps down", Across, 20, Qt::Key_Left, {}, 15, {"change 15", "changed"}, 0},
        {"Right steps from the nearest increment", Across, 23, Qt::Key_Right, {}, 30, {"change 30", "changed"}, 0},
        {"Left steps from the nearest increment", Across, 22, Qt::Key_Left, {}, 15, {"change 15", "changed"}, 0},
        {"Right at the maximum still ends the action", Across, 100, Qt::Key_Right, {}, 100, {"changed"}, 0},
        {"Left at the minimum still ends the action", Across, 0, Qt::Key_Left, {}, 0, {"changed"}, 0},
        {"End goes to the maximum", Across, 20, Qt::Key_End, {}, 100, {"change 100", "changed"}, 0},
        {"Home goes to the minimum", Across, 20, Qt::Key_Home, {}, 0, {"change 0", "changed"}, 0},
        {"Up is passed on across", Across, 20, Qt::Key_Up, {}, 20, {}, Qt::Key_Up},
        {"Down is passed on across", Across, 20, Qt::Key_Down, {}, 20, {}, Qt::Key_Down},
        {"Shift+Right is passed on", Across, 20, Qt::Key_Right, Qt::ShiftModifier, 20, {}, Qt::Key_Right},
        {"Ctrl+Home is passed on", Across, 20, Qt::Key_Home, Qt::ControlModifier, 20, {}, Qt::Key_Home},
        {"Alt+Left is passed on", Across, 20, Qt::Key_Left, Qt::AltModifier, 20, {}, Qt::Key_Left},
        {"a letter is passed on", Across, 20, Qt::Key_A, {}, 20, {}, Qt::Key_A},
        {"upright, Up steps up", Upright, 0, Qt::Key_Up, {}, 5, {"change 5", "changed"}, 0},
        {"upright, Down steps down", Upright, 20, Qt::Key_Down, {}, 15, {"change 15", "changed"}, 0},
        {"upright, End goes to the maximum", Upright, 20, Qt::Key_End, {}, 100, {"change 100", "changed"}, 0},
        {"upright, Right is passed on", Upright, 20, Qt::Key_Right, {}, 20, {}, Qt::Key_Right},
        {"upright, Left is passed on", Upright, 20, Qt::Key_Left, {}, 20, {}, Qt::Key_Left},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        freshSlider();
        if (row.layout == Upright)
            makeUpright();
        slider->SetMaxValue(100);
        slider->SetIncrement(5);
        slider->SetValue(row.from);
        slider->setFocus();
        events.clear();
        std::vector<int> keys;
        slider->OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
            if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt)
                keys.push_back(key);
        };
        QTest::keyClick(slider, Qt::Key(row.key), row.modifiers);
        EXPECT_EQ(slider->Value(), row.value);
        EXPECT_EQ(events, row.events);
        EXPECT_EQ(keys, std::vector<int>{row.passedOn});
    }
}

TEST_F(SliderTest, UprightSlidersPutLargerValuesAtTheTop)
{
    makeUpright();
    EXPECT_EQ(slider->Ruler().height(), 60);
    EXPECT_EQ(slider->Span(), 45);
    slider->SetValue(100);
    EXPECT_EQ(slider->ThumbRect().top(), 0);
    slider->SetValue(0);
    EXPECT_EQ(slider->ThumbRect().top(), 45);
}

TEST_F(SliderTest, PaintsTheThumbOverTheRulerInOneComposedPicture)
{
    QImage ruler = rulerPicture(6);
    ruler.setPixel(2, 3, 0xFF000000 | kKey); // a hole in the ruler
    slider->SetImageHRuler(ruler);
    slider->SetMaxValue(1000);
    slider->SetValue(500);
    const QImage shown = slider->grab().toImage();
    EXPECT_EQ(rgbAt(shown, 98 + 5, 5), kThumb);
    EXPECT_EQ(qRed(shown.pixel(98, 0)), 30); // the thumb's key pixel shows ruler column 2
    EXPECT_EQ(qRed(shown.pixel(3, 5)), 40);  // ruler column 3
    EXPECT_EQ(rgbAt(shown, 2, 3), 0x000000u); // the ruler's hole shows the parent's black
    EXPECT_EQ(rgbAt(shown, 0, 16), qRgb(10, 80, 90) & 0xFFFFFF);
    // An opaque ruler shows its key colour as it is.
    slider->SetOptions(soRulerOpaque);
    EXPECT_EQ(rgbAt(slider->grab().toImage(), 2, 3), kKey);
}

TEST_F(SliderTest, TwoThumbStatesShowThePressedHalfWhileHeldOrDisabled)
{
    QImage two = solid(30, 20, 0xFF000000 | kThumb);
    for (int y = 0; y < 20; ++y)
        for (int x = 15; x < 30; ++x)
            two.setPixel(x, y, 0xFF102030);
    two.setPixel(0, 19, 0xFF000000 | kKey);
    slider->SetImageHThumb(two);
    slider->SetNumThumbStates(2);
    EXPECT_EQ(slider->ThumbSize(), QSize(15, 20));
    const QPoint middle = slider->ThumbRect().center();
    EXPECT_EQ(rgbAt(slider->grab().toImage(), middle.x(), 5), kThumb);
    QTest::mousePress(slider, Qt::LeftButton, {}, middle);
    EXPECT_EQ(rgbAt(slider->grab().toImage(), middle.x(), 5), 0x102030u);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, middle);
    EXPECT_EQ(rgbAt(slider->grab().toImage(), middle.x(), 5), kThumb);
    slider->setEnabled(false);
    EXPECT_EQ(rgbAt(slider->grab().toImage(), middle.x(), 5), 0x102030u);
}

TEST_F(SliderTest, ABevelTakesOnePixelAllRound)
{
    slider->SetBevelStyle(bvLowered);
    EXPECT_EQ(slider->InnerRect(), QRect(1, 1, 209, 15));
    EXPECT_EQ(slider->Ruler().width(), 209);
    EXPECT_EQ(slider->ThumbRect().topLeft(), QPoint(1, 1));
    EXPECT_EQ(slider->Span(), 194);
}

TEST_F(SliderTest, LoadingDefersChecksUntilItEnds)
{
    TRxSlider volume(parent.get());
    volume.BeginLoading();
    volume.SetIncrement(1);
    volume.SetValue(50000); // before the range allows it
    volume.SetMaxValue(65534);
    volume.EndLoading();
    EXPECT_EQ(volume.MaxValue(), 65534);
    EXPECT_EQ(volume.Value(), 50000);
    EXPECT_EQ(volume.Increment(), 1);
}

TEST_F(SliderTest, MouseEventsReachTheirHandlersAroundTheSlidersOwnWork)
{
    slider->SetMaxValue(196);
    std::vector<std::string> order;
    slider->OnMouseDown = [&](Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        order.push_back(slider->Sliding() ? "down while sliding" : "down before sliding");
    };
    slider->OnMouseUp = [&](Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        order.push_back(slider->Sliding() ? "up while sliding" : "up after sliding");
    };
    const QPoint thumb = slider->ThumbRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, thumb);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, thumb);
    EXPECT_EQ(order, (std::vector<std::string>{"down before sliding", "up after sliding"}));
    EXPECT_EQ(events, (std::vector<std::string>{"changed"}));
    // A right press neither slides nor pages.
    QTest::mousePress(slider, Qt::RightButton, {}, thumb);
    EXPECT_FALSE(slider->Sliding());
    QTest::mouseRelease(slider, Qt::RightButton, {}, thumb);
}

TEST_F(SliderTest, BuiltInPicturesAreLoaded)
{
    TRxSlider plain(parent.get());
    EXPECT_EQ(plain.UserImages(), 0);
    EXPECT_FALSE(plain.ImageHThumb().isNull());
    EXPECT_FALSE(plain.ImageHRuler().isNull());
    EXPECT_FALSE(plain.ImageVThumb().isNull());
    EXPECT_FALSE(plain.ImageVRuler().isNull());
    EXPECT_EQ(plain.NumThumbStates(), 2);
    EXPECT_EQ(plain.ThumbSize().width(), plain.ImageHThumb().width() / 2);
}

} // namespace
