// Moving and minimising the skinned window, sizing the video and capturing
// frames.
#include "apptest.h"

#include "fileblind.h"
#include "filenavigator.h"
#include "statushandle.h"
#include "videofit.h"
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
    app->FileNavigator->SetBounds(app->x() - 200, app->y() + 2, 200, app->height() - 4);
    ASSERT_TRUE(app->FileNavigator->isVisible());
    app->ButtonMinimiseClick();
    EXPECT_TRUE(app->isMinimized());
    for (QWidget* w : companions())
        EXPECT_FALSE(w->isVisible());
    app->showNormal();
    QCoreApplication::processEvents();
    for (QWidget* w : companions())
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
    app->FileNavigator->SetBounds(app->x() - 150, app->y() + 2, 150, app->height() - 4);
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

// --- Fitting the screen -----------------------------------------------------------

// A three-frame clip of one colour: cheap to make at any size.
QString plainClip(int width, int height)
{
    const QString path = testmedia::dir() + QStringLiteral("/app_plain_%1x%2.mp4").arg(width).arg(height);
    if (QFileInfo(path).size() > 0)
        return path;
    const QString partial = path + ".part" + QString::number(QCoreApplication::applicationPid()) + ".mp4";
    if (!testmedia::run("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                   QStringLiteral("color=c=gray:size=%1x%2:rate=25").arg(width).arg(height),
                                   "-frames:v", "3", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                                   partial})) {
        QFile::remove(partial);
        return {};
    }
    QFile::rename(partial, path);
    return path;
}

TEST(ScaledToFitTest, TheLargestSizeOfTheSourcesShapeInsideTheRoom)
{
    struct Case {
        QSize source, room, fitted;
    };
    const Case cases[] = {
        {{1920, 1080}, {1272, 555}, {987, 555}}, // limited by height
        {{1920, 1080}, {1826, 867}, {1541, 867}},
        {{1080, 1920}, {1272, 555}, {312, 555}}, // portrait
        {{2048, 858}, {1272, 555}, {1272, 533}}, // scope: limited by width
        {{8192, 4320}, {1272, 555}, {1052, 555}},
        {{320, 240}, {1000, 1000}, {1000, 750}}, // grows when there is room
        {{8192, 2}, {1000, 500}, {1000, 1}},     // never thinner than a pixel
        {{2, 8192}, {500, 1000}, {1, 1000}},
        {{1920, 1080}, {0, 0}, {1, 1}},             // no room at all
        {{1, 2000000000}, {1000, 1000}, {1, 1000}}, // a product past 32 bits
        {{0, 0}, {1000, 1000}, {}},                 // no source size
        {{640, 0}, {1000, 1000}, {}},
    };
    for (const Case& c : cases) {
        const QSize fitted = ScaledToFit(c.source, c.room);
        EXPECT_EQ(fitted, c.fitted) << c.source.width() << "x" << c.source.height() << " in " << c.room.width()
                                    << "x" << c.room.height();
        if (!c.source.isEmpty() && !c.room.isEmpty()) {
            EXPECT_LE(fitted.width(), c.room.width());
            EXPECT_LE(fitted.height(), c.room.height());
        }
    }
}

const QRect kLaptop(0, 0, 1366, 768);
const QRect kFullHd(0, 0, 1920, 1080);
// A second screen right of the laptop's.
const QRect kRightScreen(1366, 0, 1920, 1080);

// A medium loaded with the main window at start, on a screen whose
// available area is given, with the companions as the user left them.
struct FitCase {
    const char* name;
    QSize source;
    QRect area;             // available area of the screen the window is on
    int navigatorWidth;     // 1: closed
    int panelHeight;        // 1: closed
    QPoint start;           // main window before the load
    QSize video;            // shown size
    QRect window;           // main window
    QSize bigger;           // shown size after three clicks on Bigger
};

void PrintTo(const FitCase& c, std::ostream* out)
{
    *out << c.name;
}

const FitCase kFitCases[] = {
    {"HdFilmOnALaptop", {1920, 1080}, kLaptop, 1, 1, {332, 105}, {987, 555}, {305, 0, 1061, 749}, {987, 555}},
    {"UhdFilmOnALaptop", {3840, 2160}, kLaptop, 1, 1, {332, 105}, {987, 555}, {305, 0, 1061, 749}, {987, 555}},
    {"PortraitOnALaptop", {1080, 1920}, kLaptop, 1, 1, {332, 105}, {312, 555}, {332, 0, 386, 749}, {312, 555}},
    {"SmallClipOnALaptop", {320, 240}, kLaptop, 1, 1, {332, 105}, {320, 240}, {332, 105, 394, 434}, {344, 258}},
    {"HdFilmOnFullHd", {1920, 1080}, kFullHd, 1, 1, {332, 105}, {1541, 867}, {305, 0, 1615, 1061}, {1541, 867}},
    {"UhdFilmOnFullHd", {3840, 2160}, kFullHd, 1, 1, {332, 105}, {1541, 867}, {305, 0, 1615, 1061}, {1541, 867}},
    {"PortraitOnFullHd", {1080, 1920}, kFullHd, 1, 1, {332, 105}, {488, 867}, {332, 0, 562, 1061}, {488, 867}},
    {"SmallClipOnFullHd", {320, 240}, kFullHd, 1, 1, {332, 105}, {320, 240}, {332, 105, 394, 434}, {344, 258}},
    // A desktop panel along the top takes 27 rows.
    {"UnderATopPanel", {1920, 1080}, {0, 27, 1366, 741}, 1, 1, {332, 105}, {939, 528}, {332, 27, 1013, 722},
     {939, 528}},
    // An open navigator leaves less width.
    {"BesideAnOpenNavigator", {1920, 1080}, kLaptop, 300, 1, {332, 105}, {972, 547}, {320, 8, 1046, 741},
     {972, 547}},
    // An open status panel leaves less height.
    {"AboveAnOpenStatusPanel", {1920, 1080}, kLaptop, 1, 138, {332, 105}, {743, 418}, {332, 0, 817, 612},
     {743, 418}},
    // On the second screen the film fits that screen and stays there.
    {"OnTheSecondScreen", {1920, 1080}, kRightScreen, 1, 1, {1500, 100}, {1541, 867}, {1500, 0, 1615, 1061},
     {1541, 867}},
    // A natural size that fits but would stick out at the corner moves in.
    {"AtTheCorner", {640, 480}, kLaptop, 1, 1, {1000, 300}, {640, 480}, {652, 75, 714, 674}, {664, 498}},
    // The smallest window is narrower than the status panel, which then
    // sticks out 5 pixels on the right.
    {"NarrowAtTheRightEdge", {160, 120}, kLaptop, 1, 1, {1052, 105}, {160, 120}, {1047, 105, 314, 314}, {184, 138}},
};

class ScreenFitTest : public PlayerTest, public ::testing::WithParamInterface<FitCase> {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        const FitCase& c = GetParam();
        // Left of the second screen lies the laptop's, so the place decides.
        availableAt = [area = c.area](QPoint point) {
            return area == kRightScreen && point.x() < kRightScreen.left() ? kLaptop : area;
        };
        app->move(c.start);
        if (c.navigatorWidth > 2)
            app->FileNavigator->SetBounds(app->x() - c.navigatorWidth, app->y() + 2, c.navigatorWidth,
                                          app->height() - 4);
        app->StatusPanel->SetPanelHeight(c.panelHeight);
        load(plainClip(c.source.width(), c.source.height()));
        holdThePoll();
    }

    // Every window that hangs on the main window lies in the area.
    void expectAllInside(const QRect& area) const
    {
        QList<QWidget*> windows{app, app->FileBlind, app->StatusPanel, app->StatusHandle};
        if (app->FileNavigator->width() > 2)
            windows << app->FileNavigator;
        for (QWidget* w : windows)
            EXPECT_TRUE(area.contains(w->geometry()))
                << w->metaObject()->className() << " at " << w->x() << "," << w->y() << " " << w->width() << "x"
                << w->height();
    }

    QRect panel() const { return app->VideoWindow->geometry(); }
};

TEST_P(ScreenFitTest, TheLoadedVideoAndAllItsWindowsFitTheScreen)
{
    const FitCase& c = GetParam();
    EXPECT_EQ(panel(), QRect(QPoint(37, 91), c.video));
    EXPECT_EQ(app->geometry(), c.window);
    expectAllInside(c.area);
    // The record keeps the natural size as the source, the shown one as the display.
    EXPECT_EQ(QSize(app->SourceRect.Right, app->SourceRect.Bottom), c.source);
    EXPECT_EQ(QSize(app->DisplayRect.Right, app->DisplayRect.Bottom), c.video);
    EXPECT_EQ(MediaQuery("where z source"),
              "0 0 " + std::to_string(c.source.width()) + " " + std::to_string(c.source.height()));
    EXPECT_EQ(MediaQuery("where z destination"),
              "0 0 " + std::to_string(c.video.width()) + " " + std::to_string(c.video.height()));
    EXPECT_TRUE(caption(app->StatusPanel->VrLabel3)
                    .endsWith(QStringLiteral("%1w x %2h pixels").arg(c.source.width()).arg(c.source.height())));
}

TEST_P(ScreenFitTest, BiggerStaysOnTheScreenAndNormalSizeReturnsToTheFit)
{
    const FitCase& c = GetParam();
    for (int i = 0; i < 3; ++i)
        app->ButtonBigger->Click();
    // A clip with room to spare grows; a fitted one stays as it is.
    EXPECT_EQ(panel().size(), c.bigger);
    expectAllInside(c.area);

    app->ButtonSmaller->Click();
    app->ButtonNormalSize->Click();
    EXPECT_EQ(panel().size(), c.video);
    EXPECT_EQ(app->size(), c.window.size());
    expectAllInside(c.area);
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenFitTest, ::testing::ValuesIn(kFitCases),
                         [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

TEST_F(SizingTest, BiggerGrowsUpToTheLargestFitAndNoFurther)
{
    screen = QSize(1366, 768);
    load(plainClip(1920, 1080));
    ASSERT_EQ(panel().size(), QSize(987, 555));
    app->ButtonSmaller->Click();
    app->ButtonSmaller->Click();
    EXPECT_EQ(panel().size(), QSize(971, 546));
    app->ButtonBigger->Click();
    EXPECT_EQ(panel().size(), QSize(979, 551));
    EXPECT_EQ(destination(), "0 0 979 551");
    // A step of 8 from here would not fit: it stops at the fit, then does nothing.
    app->ButtonBigger->Click();
    EXPECT_EQ(panel().size(), QSize(987, 555));
    const QRect fitted = app->geometry();
    app->ButtonBigger->Click();
    EXPECT_EQ(app->geometry(), fitted);
    EXPECT_EQ(destination(), "0 0 987 555");
}

TEST_F(SizingTest, BiggerAtTheScreensEdgeMovesTheWindowBackOnIt)
{
    // The 320 x 240 clip with its windows touching the bottom-right corner.
    screen = QSize(800, 600);
    app->move(800 - 394, 600 - 434 - 19);
    app->ButtonBigger->Click();
    EXPECT_EQ(panel().size(), QSize(328, 246));
    EXPECT_EQ(app->geometry(), QRect(800 - 402, 600 - 440 - 19, 402, 440));
    EXPECT_EQ(app->StatusHandle->geometry().bottom(), 599);
}

TEST_F(SizingTest, MaximiseKeepsItsOwnRuleAndNormalSizeReturnsToTheFit)
{
    screen = QSize(1366, 768);
    load(plainClip(1920, 1080));
    ASSERT_EQ(app->geometry(), QRect(305, 0, 1061, 749));
    app->ButtonMaximise->Click();
    // The screen's width with the 182-row reserve, as before.
    EXPECT_EQ(panel().size(), QSize(1042, 586));
    EXPECT_EQ(app->geometry(), QRect(1366 - 1116, 0, 1116, 780));
    app->ButtonBigger->Click();
    EXPECT_EQ(panel().size(), QSize(1050, 591));
    app->ButtonNormalSize->Click();
    EXPECT_EQ(panel().size(), QSize(987, 555));
    EXPECT_EQ(app->geometry(), QRect(305, 0, 1061, 749));
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

TEST_F(CaptureTest, ACaptureRightAfterASeekAndBiggerOrSmallerIsThatFrameAtTheNewSize)
{
    // Nothing waited for between the seek, the size change and the capture.
    struct Step {
        int frame;
        TGTabButton* button;
    };
    const Step steps[] = {{33, app->ButtonBigger},  {80, app->ButtonBigger}, {5, app->ButtonSmaller},
                          {64, app->ButtonSmaller}, {99, app->ButtonBigger}, {0, app->ButtonSmaller}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.frame);
        parkAt(step.frame);
        step.button->Click();
        nextCaptureFile = dir.filePath(QStringLiteral("step%1.bmp").arg(step.frame));
        app->ButtonCapture->Click();
        const QImage saved(nextCaptureFile, "BMP");
        EXPECT_EQ(saved.size(), panel().size());
        EXPECT_EQ(testmedia::readFrameNumber(saved), step.frame);
    }
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
