// Playing a frame-numbered clip: the transport buttons and their limits,
// the held scan buttons, the slider, the position poll and its clocks, and
// the volume slider.
#include "apptest.h"

#include "clockreading.h"
#include "testservices.h"
#include "vrclock.h"
#include "vrnum.h"
#include "vrprogressbar.h"

#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

class TransportTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        load(clip100());
        ASSERT_EQ(app->MediaLength, 100);
        holdThePoll(); // each test ticks the poll itself
    }

    // Parks the clip at a frame and waits until the panel shows it and the
    // seek is over (the picture can arrive before the device says so).
    void parkAndShow(int frame)
    {
        parkAt(frame);
        ASSERT_TRUE(waitForFrame(std::min(frame, 99))) << "parked at " << frame << ", shows " << shownFrame();
        ASSERT_TRUE(waitUntil([&] { return mode() == "stopped"; })) << mode();
    }

    // Runs one handler from a parked frame and reports where it went.
    int stepFrom(int frame, const std::function<void(Tapp&)>& handler)
    {
        parkAndShow(frame);
        handler(*app);
        return app->MediaPosition;
    }

    QString clock(TVrClock* c) const
    {
        return QString::asprintf("%02d:%02d", c->Hours(), c->Minutes());
    }
};

TEST_F(TransportTest, PlayAtTheLastFrameStartsAgainButNotOneBefore)
{
    parkAndShow(99); // MediaLength - 1
    app->ButtonPlayClick();
    EXPECT_LT(position(), 50);
    EXPECT_TRUE(waitUntil([&] { return mode() == "playing"; }));

    parkAndShow(98); // MediaLength - 2: plays on to the end
    app->ButtonPlayClick();
    EXPECT_GE(position(), 98);
    EXPECT_FALSE(app->IsPaused);
}

TEST_F(TransportTest, AtTheEndThePollShowsStoppedAndPlayStartsAgain)
{
    parkAndShow(90);
    app->ButtonPlayClick();
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Playing");
    ASSERT_TRUE(waitUntil([&] { return mode() == "stopped"; }));
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Stopped");
    EXPECT_TRUE(app->ButtonStop->Down());
    EXPECT_FALSE(app->ButtonPlay->Down());
    EXPECT_GE(app->MediaPosition, 99); // not rewound by itself
    EXPECT_TRUE(waitForFrame(99)) << "the last frame stays on screen, shows " << shownFrame();

    app->ButtonPlayClick();
    EXPECT_LT(position(), 50);
    EXPECT_TRUE(waitUntil([&] { return mode() == "playing"; }));
}

TEST_F(TransportTest, ScanAndStepButtonsKeepToTheirLimitsAndShowTheExactFrame)
{
    EXPECT_EQ(stepFrom(25, &Tapp::ButtonRewindClick), 0);
    EXPECT_TRUE(waitForFrame(0));
    EXPECT_EQ(stepFrom(26, &Tapp::ButtonRewindClick), 1);
    EXPECT_TRUE(waitForFrame(1));
    EXPECT_TRUE(app->IsPaused);
    EXPECT_TRUE(waitUntil([&] { return mode() == "stopped"; })) << mode(); // once the seek is over

    EXPECT_EQ(stepFrom(74, &Tapp::ButtonForwardClick), 99);
    EXPECT_TRUE(waitForFrame(99));
    EXPECT_EQ(stepFrom(75, &Tapp::ButtonForwardClick), 100);
    EXPECT_EQ(stepFrom(100, &Tapp::ButtonForwardClick), 100);

    EXPECT_EQ(stepFrom(98, &Tapp::ButtonFrameForwardClick), 99);
    EXPECT_TRUE(waitForFrame(99));
    EXPECT_EQ(stepFrom(99, &Tapp::ButtonFrameForwardClick), 100);
    EXPECT_EQ(stepFrom(40, &Tapp::ButtonFrameForwardClick), 41);
    EXPECT_TRUE(waitForFrame(41));

    EXPECT_EQ(stepFrom(3, &Tapp::ButtonFrameBackClick), 2);
    EXPECT_TRUE(waitForFrame(2));
    EXPECT_TRUE(app->Timer1->isActive()); // the step switches the poll back on
    holdThePoll();
    EXPECT_EQ(stepFrom(2, &Tapp::ButtonFrameBackClick), 0);
    EXPECT_TRUE(waitForFrame(0));
    holdThePoll();
    EXPECT_EQ(stepFrom(1, &Tapp::ButtonFrameBackClick), 0);
    holdThePoll();
    EXPECT_EQ(stepFrom(57, &Tapp::ButtonFrameBackClick), 56);
    EXPECT_TRUE(waitForFrame(56));
    EXPECT_TRUE(app->IsPaused);
}

TEST_F(TransportTest, AHeldScanButtonSeeksOnEveryRepeatAndShowsEachFrame)
{
    parkAndShow(0);
    TGTabButton* forward = app->ButtonForward;
    QTest::mouseMove(forward, QPoint(5, 5));
    QTest::mousePress(forward, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_NE(forward->RepeatTimer(), nullptr);
    EXPECT_EQ(forward->RepeatTimer()->interval(), 400);
    for (int step = 1; step <= 3; ++step) {
        forward->RepeatStep();
        EXPECT_EQ(app->MediaPosition, 25 * step);
        EXPECT_TRUE(waitForFrame(25 * step)) << "step " << step << " shows " << shownFrame();
        EXPECT_EQ(forward->RepeatTimer()->interval(), 100);
    }
    QTest::mouseRelease(forward, Qt::LeftButton, {}, QPoint(5, 5)); // the release clicks once more
    EXPECT_EQ(app->MediaPosition, 100);

    TGTabButton* back = app->ButtonFrameBack;
    parkAndShow(10);
    QTest::mouseMove(back, QPoint(5, 5));
    QTest::mousePress(back, Qt::LeftButton, {}, QPoint(5, 5));
    for (int expected : {9, 8, 7}) {
        back->RepeatStep();
        EXPECT_EQ(app->MediaPosition, expected);
        EXPECT_TRUE(waitForFrame(expected)) << "shows " << shownFrame();
    }
    QTest::mouseRelease(back, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(app->MediaPosition, 6);
    EXPECT_TRUE(waitForFrame(6));
    EXPECT_TRUE(waitUntil([&] { return mode() == "stopped"; })) << mode();
}

TEST_F(TransportTest, DraggingTheSliderSeeksAsItGoesAndLeavesThePlayerPaused)
{
    app->Timer1Timer();
    TRxSlider* slider = app->VideoPositionSlider;
    const QPoint grip = slider->ThumbRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, grip);
    EXPECT_FALSE(app->SliderFollowsMedia);
    QTest::mouseMove(slider, grip + QPoint(60, 0));
    const int first = slider->Value();
    ASSERT_GT(first, 10);
    EXPECT_EQ(app->MediaPosition, first);
    EXPECT_TRUE(waitForFrame(first));
    QTest::mouseMove(slider, grip + QPoint(100, 0));
    const int second = slider->Value();
    ASSERT_GT(second, first);
    EXPECT_EQ(app->MediaPosition, second);
    EXPECT_TRUE(waitForFrame(second));

    // While held, the poll leaves the slider where the user put it but the
    // counters follow the device.
    parkAt(5);
    app->Timer1Timer();
    EXPECT_EQ(slider->Value(), second);
    EXPECT_EQ(app->StatusPanel->FramesPosition->Value(), 5);
    MediaCommand("seek z to " + std::to_string(second));

    QTest::mouseRelease(slider, Qt::LeftButton, {}, grip + QPoint(100, 0));
    EXPECT_TRUE(app->SliderFollowsMedia);
    EXPECT_NE(mode(), "playing");
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Paused");
    EXPECT_TRUE(app->ButtonPause->Down());
    EXPECT_EQ(slider->Value(), second);

    // Play from there: the poll clears the pause once the device plays.
    app->ButtonPlayClick();
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Playing");
    EXPECT_FALSE(app->IsPaused);
    EXPECT_TRUE(app->ButtonPlay->Down());
}

TEST_F(TransportTest, TheSliderKeysSeekEachStep)
{
    parkAndShow(30);
    app->Timer1Timer();
    TRxSlider* slider = app->VideoPositionSlider;
    ASSERT_EQ(slider->Value(), 30);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->Value(), 31);
    EXPECT_EQ(app->MediaPosition, 31);
    EXPECT_TRUE(app->IsPaused);
    EXPECT_TRUE(app->SliderFollowsMedia); // let go with the key
    EXPECT_TRUE(waitForFrame(31));
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_TRUE(waitForFrame(29));
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_TRUE(waitForFrame(0));
    // The poll finds the device where the keys left it.
    app->Timer1Timer();
    EXPECT_EQ(slider->Value(), 0);
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Paused");
}

TEST_F(TransportTest, ThePollFillsTheClocksCountersAndStatus)
{
    parkAndShow(50);
    app->Timer1Timer();
    TStatusPanel* panel = app->StatusPanel;
    EXPECT_EQ(clock(panel->ClockLength), "00:04");
    EXPECT_EQ(clock(panel->ClockPosition), "00:02");
    EXPECT_EQ(clock(panel->ClockElapsed), "00:02");
    EXPECT_EQ(panel->FramesLength->Value(), 100);
    EXPECT_EQ(panel->FramesPosition->Value(), 50);
    EXPECT_EQ(panel->FramesElapsed->Value(), 50);
    EXPECT_EQ(app->VideoPositionSlider->Value(), 50);
    EXPECT_EQ(caption(panel->StatusLabel), "Stopped");
    EXPECT_TRUE(app->ButtonStop->Down());

    // Stop rewinds and clears a pause.
    app->ButtonPauseClick();
    app->Timer1Timer();
    EXPECT_EQ(caption(panel->StatusLabel), "Paused");
    app->ButtonStopClick();
    EXPECT_FALSE(app->IsPaused);
    EXPECT_TRUE(waitForFrame(0));
    ASSERT_TRUE(waitUntil([&] { return mode() == "stopped"; })) << mode();
    app->Timer1Timer();
    EXPECT_EQ(caption(panel->StatusLabel), "Stopped");
    EXPECT_EQ(panel->FramesPosition->Value(), 0);
}

TEST_F(TransportTest, ModeWordsOtherThanStoppedAndPlayingShowOnlyAPause)
{
    app->ButtonPlayClick();
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    app->Timer1Timer();
    ASSERT_EQ(caption(app->StatusPanel->StatusLabel), "Playing");

    // The device's own pause is a mode word the player never asks for.
    MediaCommand("pause z");
    ASSERT_EQ(mode(), "paused");
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Playing");
    EXPECT_TRUE(app->ButtonPlay->Down());

    app->IsPaused = true;
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Paused");
    EXPECT_TRUE(app->ButtonPause->Down());
    EXPECT_FALSE(app->ButtonPlay->Down());

    // A closed device answers nothing: the shown state stays.
    MediaCommand("close z");
    app->IsPaused = false;
    app->Timer1Timer();
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "Paused");
    EXPECT_EQ(app->StatusPanel->FramesLength->Value(), 0);
}

TEST(ClockReading, MinutesAndSecondsFromPositionUnits)
{
    auto text = [](int64_t units, double rate) {
        const TClockReading r = ClockReading(units, rate);
        return QString::asprintf("%02d:%02d", r.Hours, r.Minutes);
    };
    // 9000 frames at 25 fps, at position 1500.
    EXPECT_EQ(text(9000, 25), "06:00");
    EXPECT_EQ(text(1500, 25), "01:00");
    EXPECT_EQ(text(9000 - 1500, 25), "05:00");
    EXPECT_EQ(text(24, 25), "00:00"); // whole seconds only
    // A wave in milliseconds.
    EXPECT_EQ(text(125500, 1000), "02:05");
    // 300 minutes keep the low 8 bits of their minutes.
    EXPECT_EQ(text(300 * 60 * 1000, 1000), "44:00");
    // Half an hour of 29.97 fps video is 30:00 by its exact rate (the whole
    // number rate of 29 would make it 31:00).
    EXPECT_EQ(text(53946, 29.97), "30:00");
    EXPECT_EQ(text(53946, 29), "31:00");
    EXPECT_EQ(text(100, 0), "00:00");
}

using NtscTest = PlayerTest;

TEST_F(NtscTest, A2997FpsClipShows29fpsButKeepsItsExactRateForTheClocks)
{
    const QString clip =
        testmedia::frameClip("app_ntsc", "mp4", {"-c:v", "libx264"}, 60, 320, 240, "30000/1001", false);
    load(clip);
    EXPECT_EQ(app->FrameRate, 29);
    EXPECT_EQ(app->MediaInfo, "29fps");
    EXPECT_EQ(caption(app->StatusPanel->VrLabel3), "29fps 320w x 240h pixels");
    EXPECT_NEAR(app->ExactFrameRate, 29.97, 0.001);
    holdThePoll();
    parkAt(59);
    app->Timer1Timer();
    // 59 frames are 1.97 s, so 00:01 by either rate; the length of 60 is
    // 2.002 s by the exact rate (2.07 by the whole-number one).
    EXPECT_EQ(app->StatusPanel->ClockPosition->Minutes(), 1);
    EXPECT_EQ(app->StatusPanel->ClockLength->Minutes(), 2);
}

// --- Volume -------------------------------------------------------------------

bool soundServer()
{
    return qEnvironmentVariableIsSet("PULSE_SERVER") && testmedia::run("pactl", {"info"});
}

using VolumeTest = PlayerTest;

TEST_F(VolumeTest, TheOutputStartsAtTheGainTheSliderShows)
{
    // Thousandths of the linear gain: 50000 of 65535 is 0.763.
    auto gain = [] { return ReadNumber(MediaQuery("status z volume")); };
    ASSERT_EQ(app->VolumeSlider->Value(), 50000);
    for (const QString& file : {clip100(), toneWav()}) {
        load(file);
        EXPECT_EQ(gain(), 763) << file.toStdString();
    }
    // So the first touch of the slider moves the sound only as far as the
    // slider moves.
    app->VolumeSlider->SetValue(50001);
    EXPECT_EQ(gain(), 763);
    app->VolumeSlider->SetValue(65534);
    EXPECT_EQ(gain(), 1000);
    // A new window starts from its own slider again, whatever the last one set.
    windows.reset();
    windows = CreateWindows();
    app = windows->app.get();
    app->ShowMediaMessage = [this](const QString& text) { mediaMessages << text; };
    load(toneWav());
    EXPECT_EQ(gain(), 763);
}

TEST_F(VolumeTest, TheLevelAtTheSinkFollowsTheSlider)
{
    if (!soundServer())
        NORRAVA_SKIP_OR_FAIL() << "no test sound server (PULSE_SERVER unset or unreachable)";
    if (!app->Vumeter->IsOpen())
        NORRAVA_SKIP_OR_FAIL() << "the peak meter could not watch the sound server";
    const QByteArray audio = qgetenv("NORRAVA_AUDIO");
    unsetenv("NORRAVA_AUDIO"); // this one plays to the server's null sink
    load(testmedia::wavFile("app_tone_long", 44100, 2, "pcm_s16le", 30000));
    setenv("NORRAVA_AUDIO", audio.constData(), 1);
    ASSERT_TRUE(waitUntil([&] { return mode() == "playing"; }));

    auto levelSettlesAt = [&](int value, const std::function<bool(int)>& good) {
        app->VolumeSlider->SetValue(value);
        return waitUntil([&] { return good(app->LedVolumeLeft->Position()) && good(app->LedVolumeRight->Position()); });
    };
    // A level is read once three polls in a row agree on it: the output
    // takes a few to pass from one gain to the next, and the first reading
    // may hold only the start of the tone.
    QList<int> polled;
    QObject listening; // ends the connection before the list goes
    QObject::connect(app->Timer1, &QTimer::timeout, &listening, [&] { polled << app->LedVolumeLeft->Position(); });
    auto steadyLevel = [&](int atLeast) {
        polled.clear();
        int level = -1;
        waitUntil([&] {
            const int n = int(polled.size());
            if (n < 3 || polled[n - 1] != polled[n - 2] || polled[n - 1] != polled[n - 3] || polled[n - 1] < atLeast)
                return false;
            level = polled[n - 1];
            return true;
        });
        return level;
    };
    // What plays before the slider is touched is at the slider's 50000:
    // 76 % of the full level, not the full level.
    const int untouched = steadyLevel(6);
    ASSERT_GE(untouched, 6);
    app->VolumeSlider->SetValue(65534);
    const int loud = steadyLevel(untouched + 1);
    ASSERT_GT(loud, untouched);
    EXPECT_LE(std::abs(untouched * 65534 - loud * 50000), 2 * 65534) << "untouched " << untouched << ", full " << loud;
    EXPECT_TRUE(levelSettlesAt(0, [](int level) { return level == 0; }));
    // Linear in the slider's value: the start-up figure 50000 gives 76 % of
    // the level, half the value about half of it.
    int high = 0;
    EXPECT_TRUE(levelSettlesAt(50000, [&](int level) {
        high = level;
        return std::abs(level * 65534 - loud * 50000) <= 2 * 65534;
    })) << "full " << loud << ", at 50000 " << high;
    int half = 0;
    EXPECT_TRUE(levelSettlesAt(32767, [&](int level) {
        half = level;
        return std::abs(2 * level - loud) <= 4;
    })) << "full " << loud << ", half " << half;
}

} // namespace
