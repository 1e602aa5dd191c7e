// Moving and minimising the skinned window, sizing the video and capturing
// frames.
#include "apptest.h"

#include "fileblind.h"
#include "filenavigator.h"
#include "statushandle.h"
#include "vrprogressbar.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

using Zone = Tapp::Zone;

// --- Zones ------------------------------------------------------------------------

using ZoneTest = PlayerTest;

TEST_F(ZoneTest, TheZoneTableAtTheDesignSize)
{
    ASSERT_EQ(app->size(), QSize(386, 424));
    struct Case {
        int x, y;
        Zone zone;
    };
    const Case cases[] = {
        {10, 200, Zone::Drag},           {200, 200, Zone::None},          {340, 15, Zone::None},
        {193, 20, Zone::AboutHotspot},   {151, 5, Zone::AboutHotspot},    {235, 34, Zone::AboutHotspot},
        {150, 20, Zone::Drag},           {236, 20, Zone::Drag},           {193, 35, Zone::None},
        {193, 4, Zone::Drag},            {13, 20, Zone::AboutHotspot},    {85, 34, Zone::AboutHotspot},
        {86, 20, Zone::Drag},            {12, 20, Zone::Drag},            {296, 33, Zone::Drag},
        {297, 33, Zone::None},           {20, 300, Zone::Drag},           {21, 300, Zone::None},
        {366, 300, Zone::Drag},          {365, 300, Zone::None},          {200, 404, Zone::Drag},
        {200, 403, Zone::None},          {360, 15, Zone::None},           {385, 15, Zone::Drag},
    };
    for (const Case& c : cases)
        EXPECT_EQ(int(app->ZoneAt(c.x, c.y)), int(c.zone)) << c.x << "," << c.y;
}

TEST_F(ZoneTest, PressesOpenTheAboutWindowFromAHotspotWithAnyButton)
{
    QTest::mousePress(app, Qt::LeftButton, {}, QPoint(193, 20));
    EXPECT_EQ(aboutOpened, 1);
    QTest::mouseRelease(app, Qt::LeftButton, {}, QPoint(193, 20));
    QTest::mousePress(app, Qt::RightButton, {}, QPoint(193, 20));
    EXPECT_EQ(aboutOpened, 2);
    QTest::mouseRelease(app, Qt::RightButton, {}, QPoint(193, 20));
    QTest::mousePress(app, Qt::LeftButton, {}, QPoint(40, 20)); // the left hotspot
    EXPECT_EQ(aboutOpened, 3);
    QTest::mouseRelease(app, Qt::LeftButton, {}, QPoint(40, 20));
    for (QPoint p : {QPoint(10, 200), QPoint(200, 200)}) {
        QTest::mousePress(app, Qt::LeftButton, {}, p);
        QTest::mouseRelease(app, Qt::LeftButton, {}, p);
    }
    EXPECT_EQ(aboutOpened, 3);
    EXPECT_EQ(app->pos(), QPoint(332, 105));

    // Still there while the video fills the screen.
    app->IsMaximised = true;
    app->FormMouseDown(193, 20);
    EXPECT_EQ(aboutOpened, 4);
    app->FormMouseDown(10, 200);
    EXPECT_EQ(aboutOpened, 4);
}

TEST_F(ZoneTest, TheCursorShowsWhatAPressWouldDo)
{
    auto shapeAt = [&](QPoint p) {
        QTest::mouseMove(app, p);
        return app->cursor().shape();
    };
    EXPECT_EQ(shapeAt({10, 200}), Qt::SizeAllCursor);
    EXPECT_EQ(shapeAt({193, 20}), Qt::PointingHandCursor);
    EXPECT_EQ(shapeAt({200, 200}), Qt::ArrowCursor);
    EXPECT_EQ(shapeAt({200, 410}), Qt::SizeAllCursor);
    app->IsMaximised = true;
    EXPECT_EQ(shapeAt({10, 200}), Qt::ArrowCursor);
    EXPECT_EQ(shapeAt({193, 20}), Qt::PointingHandCursor);
    // The buttons and level bars keep the arrow.
    EXPECT_EQ(app->ButtonClose->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(app->LedVolumeLeft->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ZoneTest, MinimisingTakesEveryWindowAndRestoringBringsThemBack)
{
    app->FileNavigator->setBounds(app->x() - 200, app->y() + 2, 200, app->height() - 4);
    ASSERT_TRUE(app->FileNavigator->isVisible());
    app->ButtonMinimiseClick();
    EXPECT_TRUE(app->isMinimized());
    for (QWidget* w : std::initializer_list<QWidget*>{app->FileNavigator, app->FileBlind, app->StatusPanel,
                                                      app->StatusHandle})
        EXPECT_FALSE(w->isVisible());
    app->showNormal();
    QCoreApplication::processEvents();
    for (QWidget* w : std::initializer_list<QWidget*>{app->FileNavigator, app->FileBlind, app->StatusPanel,
                                                      app->StatusHandle})
        EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(app->FileBlind->x(), app->FileNavigator->x() - 20);
}

// --- Sizing -----------------------------------------------------------------------

class SizingTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        load(clip100());
        holdThePoll();
    }

    QRect panel() const { return app->VideoWindow->geometry(); }
    std::string destination() const { return MediaQuery("where z destination"); }
};

TEST_F(SizingTest, BiggerAndNormalSizeWrapTheWindowRoundTheVideo)
{
    EXPECT_EQ(panel(), QRect(37, 91, 320, 240));
    EXPECT_EQ(app->size(), QSize(394, 434));
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));

    app->ButtonBigger->Click();
    EXPECT_EQ(panel(), QRect(37, 91, 328, 246));
    EXPECT_EQ(app->geometry(), QRect(332, 105, 402, 440));
    EXPECT_EQ(app->DisplayRect.Right, 328);
    EXPECT_EQ(app->DisplayRect.Bottom, 246);
    EXPECT_EQ(destination(), "0 0 328 246");
    EXPECT_NE(mode(), "playing"); // a size change stops the device
    // The layout follows the new size.
    EXPECT_EQ(app->ButtonClose->x(), 402 - 34);
    EXPECT_EQ(app->StatusPanel->y(), 105 + 440);

    app->ButtonBigger->Click();
    EXPECT_EQ(panel().size(), QSize(336, 252));

    app->move(300, 90);
    app->ButtonNormalSize->Click();
    EXPECT_EQ(panel(), QRect(37, 91, 320, 240));
    // Back to the place the window had when the file was loaded.
    EXPECT_EQ(app->geometry(), QRect(332, 105, 394, 434));
    EXPECT_EQ(destination(), "0 0 320 240");
}

TEST_F(SizingTest, SmallerStopsBelow252)
{
    load(testmedia::frameClip("app_clip260", "mp4", {"-c:v", "libx264"}, 10, 260, 196, "25", false));
    EXPECT_EQ(panel().size(), QSize(260, 196));
    app->ButtonSmaller->Click();
    EXPECT_EQ(panel().size(), QSize(252, 190));
    app->ButtonSmaller->Click();
    EXPECT_EQ(panel().size(), QSize(244, 184));
    EXPECT_EQ(app->size(), QSize(318, 378));
    app->ButtonSmaller->Click();
    EXPECT_EQ(panel().size(), QSize(244, 184));
    EXPECT_EQ(destination(), "0 0 244 184");
}

TEST_F(SizingTest, ASmallVideoKeepsTheWindowAtItsMinimumSize)
{
    load(testmedia::frameClip("app_clip160", "mp4", {"-c:v", "libx264"}, 10, 160, 120, "25", false));
    EXPECT_EQ(panel(), QRect(37, 91, 160, 120));
    EXPECT_EQ(app->size(), QSize(314, 314));
    app->ButtonSmaller->Click(); // 160 is below the smallest width already
    EXPECT_EQ(panel().size(), QSize(160, 120));
}

TEST_F(SizingTest, MaximiseFitsTheScreenWidthAndNormalSizeRestoresTheLayout)
{
    app->FileNavigator->setBounds(app->x() - 150, app->y() + 2, 150, app->height() - 4);
    ASSERT_EQ(app->SavedNavigatorWidth, 150);
    app->ButtonMaximise->Click();
    EXPECT_TRUE(app->IsMaximised);
    EXPECT_EQ(panel(), QRect(37, 91, 781, 586));
    EXPECT_EQ(app->DisplayRect.Right, 781);
    EXPECT_EQ(app->DisplayRect.Bottom, 586);
    // Taller than the screen by design: the bottom strip hangs 12 pixels below it.
    EXPECT_EQ(app->geometry(), QRect(169, 0, 855, 780));
    EXPECT_EQ(app->FileNavigator->geometry(), QRect(0, 2, 169, 776));
    EXPECT_EQ(app->StatusPanel->height(), 1);
    EXPECT_EQ(destination(), "0 0 781 586");
    EXPECT_EQ(app->SavedNavigatorWidth, 150); // the navigator's own resize does not save while maximised

    // Nothing moves the window now, and a second maximise does nothing.
    app->FormMouseDown(10, 200);
    app->ButtonMaximise->Click();
    EXPECT_EQ(app->geometry(), QRect(169, 0, 855, 780));
    // Bigger still works, from the fitted size.
    app->ButtonBigger->Click();
    EXPECT_EQ(panel().size(), QSize(789, 592));

    app->ButtonNormalSize->Click();
    EXPECT_FALSE(app->IsMaximised);
    EXPECT_EQ(panel(), QRect(37, 91, 320, 240));
    EXPECT_EQ(app->geometry(), QRect(332, 105, 394, 434));
    EXPECT_EQ(app->FileNavigator->geometry(), QRect(332 - 150, 107, 150, 430));
    EXPECT_EQ(app->FileBlind->x(), 332 - 150 - 20);
    EXPECT_EQ(app->StatusPanel->height(), 1); // pulled out again by its handle only
}

TEST_F(SizingTest, OnAFullHdScreenTheWholeMaximisedWindowIsPainted)
{
    screen = QSize(1920, 1080);
    app->ButtonMaximise->Click();
    EXPECT_EQ(panel().size(), QSize(1197, 898));
    ASSERT_EQ(app->geometry(), QRect(1920 - 1271, 0, 1271, 1092));
    // The bottom strip lies below row 1024; it carries the skin's bottom
    // corners like any other size.
    const QImage shown = app->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(1271, 1092));
    const QImage& skin = app->SkinImage;
    for (QPoint p : {QPoint(2, 1092 - 2), QPoint(1271 - 2, 1092 - 2), QPoint(1271 - 2, 1092 - 60), QPoint(40, 1050)})
        EXPECT_EQ(shown.pixel(p) & 0xFFFFFF, skin.pixel(p.x() < 100 ? p.x() : p.x() - 1271 + 385, p.y() - 1092 + 424) & 0xFFFFFF)
            << p.x() << "," << p.y();
}

TEST_F(SizingTest, LoadingWhileMaximisedKeepsTheFittedLayout)
{
    app->ButtonMaximise->Click();
    load(testmedia::frameClip("app_clip260", "mp4", {"-c:v", "libx264"}, 10, 260, 196, "25", false));
    EXPECT_TRUE(app->IsMaximised);
    EXPECT_EQ(panel().size(), QSize(777, 586));
    EXPECT_EQ(app->geometry(), QRect(1024 - 851, 0, 851, 780));

    load(toneWav());
    EXPECT_TRUE(app->IsMaximised);
    EXPECT_FALSE(app->VideoWindow->isVisible());
    EXPECT_EQ(app->geometry(), QRect(1024 - 851, 0, 851, 780));
    app->ButtonNormalSize->Click(); // no video: nothing to restore yet
    EXPECT_TRUE(app->IsMaximised);
}

TEST_F(SizingTest, AVideoWithoutASourceSizeKeepsTheCurrentSize)
{
    app->SourceRect = {0, 0, 0, 0};
    app->ButtonBigger->Click();
    app->ButtonSmaller->Click();
    app->ButtonNormalSize->Click();
    EXPECT_EQ(panel(), QRect(37, 91, 320, 240));
    EXPECT_EQ(app->size(), QSize(394, 434));
    app->ButtonMaximise->Click();
    EXPECT_EQ(panel(), QRect(37, 91, 320, 240));
    EXPECT_EQ(app->size(), QSize(394, 434));
    EXPECT_GE(app->x(), 0);
}

// --- Capture ------------------------------------------------------------------------

class CaptureTest : public SizingTest {
protected:
    QTemporaryDir dir;

    // Stops at a frame, waits until the panel shows it and captures it.
    QImage captureAt(int frame, const QString& name)
    {
        parkAt(frame);
        EXPECT_TRUE(waitForFrame(frame)) << "shows " << shownFrame();
        nextCaptureFile = dir.filePath(name);
        app->ButtonCapture->Click();
        QFile file(nextCaptureFile);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(file.read(2), "BM");
        return QImage(nextCaptureFile, "BMP");
    }
};

TEST_F(CaptureTest, TheCapturedBitmapIsTheShownFrameAtThePanelsSize)
{
    app->ButtonPlayClick();
    const QImage natural = captureAt(37, "natural.bmp");
    EXPECT_EQ(natural.size(), QSize(320, 240));
    EXPECT_EQ(testmedia::readFrameNumber(natural), 37);
    EXPECT_EQ(captureAsks, 1);
    EXPECT_NE(mode(), "playing");

    app->ButtonBigger->Click();
    app->ButtonBigger->Click();
    const QImage bigger = captureAt(61, "bigger.bmp");
    EXPECT_EQ(bigger.size(), QSize(336, 252));
    EXPECT_EQ(testmedia::readFrameNumber(bigger), 61);

    // Play continues from the captured frame.
    app->ButtonPlayClick();
    EXPECT_GE(position(), 61);
}

TEST_F(CaptureTest, CapturingWhilePlayingStopsAtTheFrameItSaves)
{
    app->ButtonPlayClick();
    ASSERT_TRUE(waitUntil([&] { return shownFrame() >= 10; }));
    nextCaptureFile = dir.filePath("playing.bmp");
    app->ButtonCapture->Click();
    const QImage saved(nextCaptureFile, "BMP");
    ASSERT_EQ(saved.size(), QSize(320, 240));
    const int frame = testmedia::readFrameNumber(saved);
    EXPECT_GE(frame, 10);
    EXPECT_NE(mode(), "playing");
    // The panel keeps showing it and the device stands on it.
    EXPECT_EQ(shownFrame(), frame);
    EXPECT_EQ(position(), frame);
}

TEST_F(CaptureTest, CancellingWritesNothingAndLeavesTheVideoStopped)
{
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    nextCaptureFile.clear();
    app->ButtonCapture->Click();
    EXPECT_EQ(captureAsks, 1);
    EXPECT_NE(mode(), "playing");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(CaptureTest, AFailedWriteIsReportedAndTheFileLeftAlone)
{
    // A folder in the way of the file: the write fails with a message.
    const QString blocked = dir.filePath("blocked.bmp");
    ASSERT_TRUE(QDir().mkpath(blocked));
    nextCaptureFile = blocked;
    parkAt(10);
    QTest::mouseMove(app->ButtonCapture, QPoint(5, 5));
    QTest::mouseClick(app->ButtonCapture, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(reportedErrors().size(), 1);
    EXPECT_TRUE(reportedErrors().first().contains("blocked.bmp"));
    unexpectedMessages().clear();
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    // The player carries on.
    EXPECT_TRUE(app->ButtonCapture->isEnabled());
    EXPECT_TRUE(mci::defaultSession().isOpen("z"));
}

TEST_F(CaptureTest, AnAudioMediumHasNothingToCapture)
{
    load(toneWav());
    EXPECT_FALSE(app->ButtonCapture->isEnabled());
    app->ButtonCaptureClick();
    EXPECT_EQ(captureAsks, 0);
    EXPECT_EQ(mode(), "playing");
}

} // namespace
