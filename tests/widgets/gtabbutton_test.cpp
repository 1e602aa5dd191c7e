#include "gtabbutton.h"
#include "skinwidgettest.h"

#include <QPainter>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

namespace {

constexpr QRgb kUp = 0x1020F0;
constexpr QRgb kDown = 0x10F020;
constexpr QRgb kHigh = 0xF0F010;

// A parent that paints a horizontal ramp, so what lies under a button
// depends on where it is.
class RampParent : public QWidget {
public:
    RampParent() { resize(240, 120); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        for (int x = 0; x < width(); ++x)
            p.fillRect(x, 0, 1, height(), QColor(x, 40, 80));
    }
};

// A picture in colour c with a fuchsia top-left pixel.
QImage picture(QRgb c)
{
    QImage img = solid(20, 10, 0xFF000000 | c);
    img.setPixel(0, 0, 0xFFFF00FF);
    return img;
}

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent = std::make_unique<RampParent>();
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
        // Start with the pointer away from every button.
        QTest::mouseMove(parent.get(), QPoint(235, 115));
    }

    TGTabButton* makeButton(int x, int y, int groupIndex = 0)
    {
        auto* b = new TGTabButton(parent.get());
        b->setGeometry(x, y, 20, 10);
        b->SetTransparentColor(clFuchsia);
        b->SetBitmapUp(picture(kUp));
        b->SetBitmapDown(picture(kDown));
        b->SetBitmapHigh(picture(kHigh));
        b->SetGroupIndex(groupIndex);
        b->OnClick = [this, b] { clicks[b]++; };
        b->show();
        return b;
    }

    // Moves the pointer onto the button, then clicks it.
    void click(TGTabButton* b)
    {
        QTest::mouseMove(b, QPoint(5, 5));
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    }

    // Moves the pointer onto the button and holds the left button down.
    void hold(TGTabButton* b)
    {
        QTest::mouseMove(b, QPoint(5, 5));
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    }

    void release(TGTabButton* b) { QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5)); }

    std::unique_ptr<RampParent> parent;
    std::map<TGTabButton*, int> clicks;
};

TEST_F(ButtonTest, ComposesThePictureOverASnapshotOfTheParent)
{
    TGTabButton* b = makeButton(100, 20);
    const QImage shown = b->grab().toImage();
    EXPECT_TRUE(b->BackgroundTaken());
    EXPECT_EQ(rgbAt(shown, 0, 0), qRgb(100, 40, 80) & 0xFFFFFF); // the ramp under the key pixel
    EXPECT_EQ(rgbAt(shown, 5, 5), kUp);
    // Moved after its first paint, it keeps the background of its first place.
    b->move(10, 20);
    const QImage moved = b->grab().toImage();
    EXPECT_EQ(rgbAt(moved, 0, 0), qRgb(100, 40, 80) & 0xFFFFFF);
}

QStringList warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << text;
}

TEST_F(ButtonTest, TakesTheSnapshotInItsFirstOnScreenPaint)
{
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    TGTabButton* b = makeButton(60, 30);
    const bool taken = QTest::qWaitFor([&] { return b->BackgroundTaken(); }, 20000);
    qInstallMessageHandler(previous);
    ASSERT_TRUE(taken);
    EXPECT_EQ(rgbAt(b->Background(), 0, 0), qRgb(60, 40, 80) & 0xFFFFFF);
    EXPECT_EQ(rgbAt(b->Background(), 19, 9), qRgb(79, 40, 80) & 0xFFFFFF);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join("; ").toStdString();
}

TEST_F(ButtonTest, PressDragAndReleaseFollowTheStateTable)
{
    TGTabButton* b = makeButton(50, 50);
    QTest::mouseMove(b, QPoint(5, 5));
    EXPECT_TRUE(b->Highlighted());
    EXPECT_EQ(&b->CurrentBitmap(), &b->BitmapHigh());

    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b->State(), TGTabButton::StatePressed);
    EXPECT_TRUE(b->Tracking());
    EXPECT_EQ(rgbAt(b->grab().toImage(), 5, 5), kDown);

    QTest::mouseMove(b, QPoint(30, 5)); // off the button, still held
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
    QTest::mouseMove(b, QPoint(6, 6));
    EXPECT_EQ(b->State(), TGTabButton::StatePressed);

    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(clicks[b], 1);
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
    EXPECT_FALSE(b->Tracking());
    EXPECT_TRUE(b->Highlighted()); // the pointer is still over it
}

TEST_F(ButtonTest, ReleaseOutsideDoesNotClick)
{
    TGTabButton* b = makeButton(50, 50);
    hold(b);
    QTest::mouseMove(b, QPoint(40, 30));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(clicks[b], 0);
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
    EXPECT_FALSE(b->Highlighted());
}

TEST_F(ButtonTest, OnlyTheLeftButtonPressesButEveryButtonReportsMouseDown)
{
    TGTabButton* b = makeButton(50, 50);
    int downs = 0;
    b->OnMouseDown = [&](Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++downs; };
    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mouseClick(b, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks[b], 0);
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
}

TEST_F(ButtonTest, DoubleClickCountsTwoClicks)
{
    TGTabButton* b = makeButton(50, 50);
    QTest::mouseMove(b, QPoint(5, 5));
    // What a double click delivers: press, release, double-click press, release.
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks[b], 2);
    EXPECT_EQ(b->State(), TGTabButton::StatePressed);
    release(b);
    EXPECT_EQ(clicks[b], 2);
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
}

TEST_F(ButtonTest, IndependentButtonsNeverStayDown)
{
    TGTabButton* b = makeButton(50, 50);
    b->SetDown(true);
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
}

TEST_F(ButtonTest, GroupOfThreeKeepsOneLatched)
{
    TGTabButton* play = makeButton(10, 80, 1);
    TGTabButton* stop = makeButton(40, 80, 1);
    TGTabButton* pause = makeButton(70, 80, 1);
    stop->SetDown(true);
    EXPECT_TRUE(stop->Down());
    EXPECT_EQ(stop->State(), TGTabButton::StateLatched);

    // Inside OnClick a grouped button still has its old Down.
    bool downDuringClick = true;
    play->OnClick = [&] { downDuringClick = play->Down(); clicks[play]++; };
    click(play);
    EXPECT_FALSE(downDuringClick);
    EXPECT_EQ(clicks[play], 1);
    EXPECT_TRUE(play->Down());
    EXPECT_FALSE(stop->Down());
    EXPECT_EQ(stop->State(), TGTabButton::StateUp);
    EXPECT_FALSE(pause->Down());

    click(play); // clicking the latched button leaves it down
    EXPECT_TRUE(play->Down());
    EXPECT_EQ(clicks[play], 2);

    click(pause);
    EXPECT_TRUE(pause->Down());
    EXPECT_FALSE(play->Down());
    EXPECT_EQ(rgbAt(pause->grab().toImage(), 5, 5), kDown); // latched shows the down picture, hovered or not
    EXPECT_EQ(rgbAt(play->grab().toImage(), 5, 5), kUp);
}

TEST_F(ButtonTest, AllowAllUpSpreadsOverTheGroupAndLetsTheLatchGo)
{
    TGTabButton* a = makeButton(10, 80, 2);
    TGTabButton* b = makeButton(40, 80, 2);
    TGTabButton* other = makeButton(70, 80, 3);
    a->SetDown(true);
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());
    EXPECT_FALSE(other->AllowAllUp());
    click(a);
    EXPECT_FALSE(a->Down());
    EXPECT_FALSE(b->Down());
    // Without it, Down cannot be set false directly.
    b->SetAllowAllUp(false);
    b->SetDown(true);
    b->SetDown(false);
    EXPECT_TRUE(b->Down());
}

TEST_F(ButtonTest, AutoRepeatClicksAfterTheInitialDelayThenEveryDelay)
{
    TGTabButton* b = makeButton(50, 50);
    b->SetStyle(rfAllowTimer);
    b->SetInitialDelay(400);
    b->SetDelay(50);
    EXPECT_EQ(b->RepeatTimer(), nullptr);

    hold(b);
    ASSERT_NE(b->RepeatTimer(), nullptr);
    EXPECT_TRUE(b->RepeatTimer()->isActive());
    EXPECT_EQ(b->RepeatTimer()->interval(), 400);
    EXPECT_EQ(clicks[b], 0);

    b->RepeatStep(); // 400 ms
    EXPECT_EQ(clicks[b], 1);
    EXPECT_EQ(b->RepeatTimer()->interval(), 50);
    b->RepeatStep(); // 450
    b->RepeatStep(); // 500
    EXPECT_EQ(clicks[b], 3);

    QTest::mouseMove(b, QPoint(40, 5)); // off the button: repeats pause
    b->RepeatStep();
    EXPECT_EQ(clicks[b], 3);
    QTest::mouseMove(b, QPoint(5, 5)); // back on: they resume
    b->RepeatStep();
    EXPECT_EQ(clicks[b], 4);

    release(b);
    EXPECT_EQ(clicks[b], 5); // and once more at release
    EXPECT_FALSE(b->RepeatTimer()->isActive());
}

TEST_F(ButtonTest, WithoutTheTimerStyleNothingRepeats)
{
    TGTabButton* b = makeButton(50, 50);
    b->SetStyle(rfFocusRect);
    hold(b);
    EXPECT_EQ(b->RepeatTimer(), nullptr);
    release(b);
    EXPECT_EQ(clicks[b], 1);
}

TEST_F(ButtonTest, AnExceptionFromARepeatedClickStopsTheTimer)
{
    TGTabButton* b = makeButton(50, 50);
    b->SetStyle(rfAllowTimer);
    hold(b);
    b->OnClick = [] { throw std::runtime_error("boom"); };
    EXPECT_THROW(b->RepeatStep(), std::runtime_error);
    EXPECT_FALSE(b->RepeatTimer()->isActive());
    b->OnClick = nullptr;
    release(b);
}

TEST_F(ButtonTest, DisabledButtonsLookTheSameButIgnoreThePointer)
{
    TGTabButton* b = makeButton(50, 50);
    const QImage enabledUp = b->grab().toImage();
    EXPECT_EQ(rgbAt(enabledUp, 5, 5), kUp);
    b->setEnabled(false);
    EXPECT_EQ(b->grab().toImage().convertToFormat(QImage::Format_RGB32),
              enabledUp.convertToFormat(QImage::Format_RGB32));
    QTest::mouseMove(b, QPoint(5, 5));
    EXPECT_FALSE(b->Highlighted());
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks[b], 0);
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
}

TEST_F(ButtonTest, DisablingAHeldButtonReleasesIt)
{
    TGTabButton* b = makeButton(50, 50);
    b->SetStyle(rfAllowTimer);
    hold(b);
    b->setEnabled(false);
    EXPECT_EQ(b->State(), TGTabButton::StateUp);
    EXPECT_FALSE(b->Highlighted());
    EXPECT_FALSE(b->RepeatTimer()->isActive());
    release(b);
    EXPECT_EQ(clicks[b], 0);
}

TEST_F(ButtonTest, PicturesLargerThanTheButtonAreCutAndSmallerOnesShowTheBackground)
{
    TGTabButton* b = makeButton(100, 20);
    b->SetBitmapUp(solid(8, 4, 0xFF000000 | kUp));
    const QImage shown = b->grab().toImage();
    EXPECT_EQ(rgbAt(shown, 7, 3), kUp);
    EXPECT_EQ(rgbAt(shown, 12, 8), qRgb(112, 40, 80) & 0xFFFFFF);
}

} // namespace
