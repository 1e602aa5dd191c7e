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

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
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

    std::unique_ptr<QWidget> parent;
    TRxSlider* slider = nullptr;
    std::vector<std::string> events;
};

TEST_F(SliderTest, MapsValuesToThePositionSlidersPixels)
{
    EXPECT_EQ(slider->UserImages(), siHThumb | siHRuler);
    EXPECT_EQ(slider->Span(), 196);
    slider->SetMaxValue(1000);
    slider->SetValue(500);
    EXPECT_EQ(slider->ThumbRect().left(), 98);
    EXPECT_EQ(slider->ThumbRect().top(), 0);
    EXPECT_EQ(slider->ThumbRect().size(), QSize(15, 20));
    slider->SetValue(1000);
    EXPECT_EQ(slider->ThumbRect().left(), 196);
    EXPECT_EQ(slider->PixelToValue(98), 500);
    EXPECT_EQ(slider->PixelToValue(500), 1000);
    EXPECT_EQ(slider->PixelToValue(-4), 0);
}

TEST_F(SliderTest, RoundsHalvesToEven)
{
    slider->SetMaxValue(8); // 196 / 8 = 24.5 pixels a step
    EXPECT_EQ(slider->ValueToPixel(1), 24);
    EXPECT_EQ(slider->ValueToPixel(3), 74);
    EXPECT_EQ(slider->ValueToPixel(5), 122);
    // 49 pixels are exactly 2 steps; 12.25 pixels round down, 36.75 up.
    EXPECT_EQ(slider->PixelToValue(49), 2);
    EXPECT_EQ(slider->PixelToValue(12), 0);
    EXPECT_EQ(slider->PixelToValue(37), 2);
}

TEST_F(SliderTest, SnapsToTheIncrementUnlessSmooth)
{
    slider->SetMaxValue(100);
    slider->SetIncrement(10);
    // 30 pixels are 15.3 units: 15 rounds to 20 (1.5 steps to the even 2).
    EXPECT_EQ(slider->PixelToValue(30), 20);
    EXPECT_EQ(slider->PixelToValue(20), 10);
    slider->SetOptions(soSmooth);
    EXPECT_EQ(slider->PixelToValue(30), 15);
    // The value itself is never snapped.
    slider->SetOptions({});
    slider->SetValue(15);
    EXPECT_EQ(slider->Value(), 15);
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
    slider->SetValue(0);
    EXPECT_TRUE(events.empty());
    slider->SetValue(40);
    slider->SetValue(40);
    slider->SetValue(500); // clamps to 100
    slider->SetValue(101);
    EXPECT_EQ(slider->Value(), 100);
    EXPECT_EQ(events, (std::vector<std::string>{"change 40", "change 100"}));
}

TEST_F(SliderTest, RangeSetters)
{
    slider->SetValue(80);
    slider->SetMaxValue(0); // not above the minimum: ignored
    EXPECT_EQ(slider->MaxValue(), 100);
    slider->SetMinValue(100);
    EXPECT_EQ(slider->MinValue(), 0);
    events.clear();
    slider->SetMaxValue(50); // re-clamps the value
    EXPECT_EQ(slider->Value(), 50);
    EXPECT_EQ(events, (std::vector<std::string>{"change 50"}));
    // A narrow range narrows the increment.
    slider->SetIncrement(20);
    slider->SetMinValue(40);
    EXPECT_EQ(slider->Increment(), 10);
}

TEST_F(SliderTest, BadIncrementIsRefusedWithItsMessage)
{
    slider->SetMaxValue(1000);
    try {
        slider->SetIncrement(0);
        FAIL() << "no error";
    } catch (const ESliderError& e) {
        EXPECT_STREQ(e.what(), "Value must be between 1 and 1000");
    }
    EXPECT_THROW(slider->SetIncrement(1001), ESliderError);
    EXPECT_EQ(slider->Increment(), 1);
    slider->SetIncrement(1000);
    EXPECT_EQ(slider->Increment(), 1000);
}

TEST_F(SliderTest, DraggingTheThumbChangesTheValueAsItGoes)
{
    slider->SetMaxValue(196); // one unit a pixel
    const int grabX = slider->ThumbRect().left() + 5;
    QTest::mouseMove(slider, QPoint(grabX, 8));
    EXPECT_EQ(slider->cursor().shape(), Qt::BitmapCursor); // the hand over the thumb
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(grabX, 8));
    EXPECT_TRUE(slider->Sliding());
    EXPECT_TRUE(slider->ThumbDown());
    EXPECT_TRUE(slider->hasFocus());
    QTest::mouseMove(slider, QPoint(grabX + 20, 9));
    QTest::mouseMove(slider, QPoint(grabX + 50, 30)); // off the control vertically still drags
    EXPECT_EQ(slider->Value(), 50);
    EXPECT_EQ(slider->ThumbRect().left(), 50);
    QTest::mouseMove(slider, QPoint(900, 8));
    EXPECT_EQ(slider->Value(), 196);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(900, 8));
    EXPECT_FALSE(slider->Sliding());
    EXPECT_EQ(events, (std::vector<std::string>{"change 20", "change 50", "change 196", "changed"}));
}

TEST_F(SliderTest, PagingStepsUntilTheThumbPassesThePointer)
{
    slider->SetMaxValue(1000);
    slider->SetValue(500);
    events.clear();
    const QPoint right(slider->ThumbRect().right() + 3, 8);
    QTest::mousePress(slider, Qt::LeftButton, {}, right);
    EXPECT_TRUE(slider->Paging());
    EXPECT_EQ(slider->PageDirection(), TRxCustomSlider::pdUp);
    EXPECT_EQ(slider->Value(), 501);
    ASSERT_NE(slider->PageTimer(), nullptr);
    EXPECT_TRUE(slider->PageTimer()->isActive());
    EXPECT_EQ(slider->PageTimer()->interval(), 200);
    // Every tick steps once more until the thumb has passed the pointer.
    int ticks = 0;
    while (ticks < 100 && slider->ThumbRect().right() < right.x()) {
        slider->PageTimerTick();
        ++ticks;
    }
    const int reached = slider->Value();
    EXPECT_GT(reached, 501);
    slider->PageTimerTick();
    slider->PageTimerTick();
    EXPECT_EQ(slider->Value(), reached);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, right);
    EXPECT_FALSE(slider->Paging());
    EXPECT_FALSE(slider->PageTimer()->isActive());
    EXPECT_EQ(std::count(events.begin(), events.end(), "changed"), 1);
    EXPECT_EQ(events.back(), "changed");
}

TEST_F(SliderTest, PagingDownFromTheLeft)
{
    slider->SetMaxValue(100);
    slider->SetIncrement(10);
    slider->SetValue(57);
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(2, 8));
    EXPECT_EQ(slider->PageDirection(), TRxCustomSlider::pdDown);
    EXPECT_EQ(slider->Value(), 50); // 10 x round(5.7) - 10
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(2, 8));
}

TEST_F(SliderTest, KeysStepAndReportTheEndOfTheAction)
{
    slider->SetMaxValue(100);
    slider->SetIncrement(5);
    slider->SetValue(20);
    slider->setFocus();
    events.clear();
    std::vector<int> keys;
    slider->OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
        if (key != Qt::Key_Shift)
            keys.push_back(key);
    };
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->Value(), 25);
    EXPECT_EQ(events, (std::vector<std::string>{"change 25", "changed"}));
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(slider->Value(), 15);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(slider->Value(), 100);
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(slider->Value(), 0);
    // Up and Down belong to upright sliders; with Shift nothing is handled.
    QTest::keyClick(slider, Qt::Key_Up);
    QTest::keyClick(slider, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(slider->Value(), 0);
    EXPECT_EQ(keys, (std::vector<int>{0, 0, 0, 0, 0, Qt::Key_Up, Qt::Key_Right}));
}

TEST_F(SliderTest, UprightSlidersPutLargerValuesAtTheTop)
{
    slider->SetOrientation(soVertical);
    slider->SetImageVThumb(thumbPicture().transformed(QTransform().rotate(90)));
    slider->SetImageVRuler(rulerPicture(6).transformed(QTransform().rotate(90)));
    slider->setGeometry(10, 0, 20, 60);
    EXPECT_EQ(slider->Ruler().height(), 60);
    EXPECT_EQ(slider->Span(), 45);
    slider->SetValue(100);
    EXPECT_EQ(slider->ThumbRect().top(), 0);
    slider->SetValue(0);
    EXPECT_EQ(slider->ThumbRect().top(), 45);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);
    EXPECT_EQ(slider->Value(), 1);
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
