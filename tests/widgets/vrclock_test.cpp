#include "ledtesthelpers.h"
#include "vrclock.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <string>

using namespace ledtest;

namespace {

const auto* env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

constexpr QRgb kBack = 0x000000;
constexpr QRgb kLow = 0x008000;
constexpr QRgb kHigh = 0x191919;

// A clock set up like the status panel's, on its own black background.
std::unique_ptr<TVrClock> panelClock()
{
    auto clock = std::make_unique<TVrClock>();
    clock->SetClockType(ctCustom);
    clock->SetStyle(ns7x13);
    clock->SetSpacing(3);
    clock->SetAutoSize(true);
    clock->Palette()->SetLow(QColor::fromRgb(kLow));
    clock->Palette()->SetHigh(QColor::fromRgb(kHigh));
    return clock;
}

const QImage& strip()
{
    static const QImage s = recolouredStrip("NUM7x13", kLow, kHigh);
    return s;
}

bool separatorAt(const QImage& image, int x, int y)
{
    const QImage sep = recolouredStrip("CLOCKSEP3", kLow, kHigh);
    return cellAt(image, sep, sep.width(), 0, x, y, kBack);
}

// Whether the clock row `text` (digits and colons) appears from x on:
// 7-pixel digit cells and 3-pixel separators, 3 pixels apart.
::testing::AssertionResult showsAt(const QImage& image, int x, const std::string& text)
{
    for (const char c : text) {
        const bool colon = c == ':';
        const ::testing::AssertionResult shown =
            colon ? ::testing::AssertionResult(separatorAt(image, x, 0)) : cellAt(image, strip(), 7, c - '0', x, 0, kBack);
        if (!shown)
            return ::testing::AssertionFailure() << "'" << c << "' of \"" << text << "\" not at " << x << " "
                                                 << shown.message();
        x += colon ? 6 : 10;
    }
    return ::testing::AssertionSuccess();
}

bool separatorAreaBlank(const QImage& image, int x, int y)
{
    for (int cy = 0; cy < 13; ++cy)
        for (int cx = 0; cx < 3; ++cx)
            if (rgb(image, x + cx, y + cy) != kBack)
                return false;
    return true;
}

// Lets a witness timer tick `count` times at the given interval, so that a
// timer that should have stopped had as many chances to tick as a running
// one, however slow the machine is.
void letTicksPass(uint32_t interval, int count, bool sync)
{
    TVrTimer witness;
    witness.SetSyncEvent(sync);
    witness.SetInterval(interval);
    std::atomic<int> ticks{0};
    witness.SetOnTimer([&] { ++ticks; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= count; }, 20000));
    witness.SetEnabled(false);
}

// Destroys the timer when its first tick reaches the GUI thread, just before
// that tick would run.
class DestroyOnArrival : public QObject {
public:
    explicit DestroyOnArrival(TVrTimer* timer) : FTimer(timer) { qApp->installEventFilter(this); }
    ~DestroyOnArrival() override { qApp->removeEventFilter(this); }
    bool destroyed() const { return FTimer == nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (FTimer && watched == qApp && event->type() == QEvent::MetaCall) {
            delete FTimer;
            FTimer = nullptr;
        }
        return false;
    }

private:
    TVrTimer* FTimer;
};

} // namespace

TEST(TVrClock, StatusPanelClockIs43By13AndShowsHoursAndMinutes)
{
    auto clock = panelClock();
    grabImage(clock.get()); // the first paint sizes it
    EXPECT_EQ(clock->size(), QSize(43, 13));
    clock->SetHours(5);
    clock->SetMinutes(7);
    const QImage image = grabImage(clock.get());
    // With 3-pixel gaps: cells at 0 and 10, the colon at 20, cells at 26 and 36.
    EXPECT_TRUE(showsAt(image, 0, "05:07"));
}

TEST(TVrClock, HoursOfAHundredOrMoreShowThreeDigits)
{
    auto clock = panelClock();
    clock->SetAutoSize(false);
    clock->resize(80, 13);
    clock->SetHours(123);
    clock->SetMinutes(4);
    const QImage image = grabImage(clock.get());
    const int x = (80 - 43) / 2;
    EXPECT_TRUE(showsAt(image, x, "123:04"));
}

TEST(TVrClock, ShowSecondsWidensTheRow)
{
    auto clock = panelClock();
    clock->SetShowSeconds(true);
    clock->SetSeconds(59);
    const QImage first = grabImage(clock.get());
    (void)first;
    // 6 * 7 + 2 * 3 + 7 * 3
    EXPECT_EQ(clock->size(), QSize(69, 13));
    const QImage image = grabImage(clock.get());
    EXPECT_TRUE(showsAt(image, 46, ":59"));
}

TEST(TVrClock, ActiveStaysOffForCustomClocksAndTypeChangeResetsFields)
{
    auto clock = panelClock();
    clock->SetActive(true);
    EXPECT_FALSE(clock->Active());
    EXPECT_FALSE(clock->TickTimer()->Enabled());
    clock->SetHours(9);
    clock->SetMinutes(8);
    clock->SetSeconds(7);
    clock->SetClockType(ctRealTime);
    EXPECT_EQ(clock->Hours(), 0);
    EXPECT_EQ(clock->Minutes(), 0);
    EXPECT_EQ(clock->Seconds(), 0);
    clock->SetActive(true);
    EXPECT_TRUE(clock->Active());
    EXPECT_TRUE(clock->TickTimer()->Enabled());
    clock->SetClockType(ctCustom);
    EXPECT_FALSE(clock->Active());
    EXPECT_FALSE(clock->TickTimer()->Enabled());
}

TEST(TVrClock, BlinkShowsSeparatorsOnEveryOtherTick)
{
    auto clock = panelClock();
    clock->SetClockType(ctElapsed);
    clock->SetBlink(true);
    grabImage(clock.get());
    int shown = 0, hidden = 0;
    bool previous = false;
    for (int tick = 0; tick < 6; ++tick) {
        clock->Tick();
        const QImage image = grabImage(clock.get());
        const bool visible = separatorAt(image, 20, 0);
        EXPECT_TRUE(visible || separatorAreaBlank(image, 20, 0));
        if (tick > 0) {
            EXPECT_NE(visible, previous) << "tick " << tick;
        }
        previous = visible;
        (visible ? shown : hidden) += 1;
    }
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(hidden, 3);

    // Without Blink, or for a custom clock, they are always drawn.
    clock->SetBlink(false);
    for (int tick = 0; tick < 3; ++tick) {
        clock->Tick();
        EXPECT_TRUE(separatorAt(grabImage(clock.get()), 20, 0));
    }
    clock->SetClockType(ctCustom);
    clock->SetBlink(true);
    for (int tick = 0; tick < 3; ++tick) {
        clock->Tick();
        EXPECT_TRUE(separatorAt(grabImage(clock.get()), 20, 0));
    }
}

TEST(TVrClock, TickRepaintsOnlyWhenTheMinuteChangesButAlwaysFiresOnClockTick)
{
    QWidget parent;
    parent.resize(100, 40);
    auto* clock = new TVrClock(&parent);
    clock->SetClockType(ctCustom);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    int ticks = 0;
    clock->OnClockTick = [&](QObject* sender, uint16_t seconds) {
        EXPECT_EQ(sender, clock);
        EXPECT_EQ(seconds, 0);
        ++ticks;
    };
    clock->SetMinutes(0);
    PaintCounter paints(clock);
    clock->Tick();
    clock->Tick();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(paints.count, 0);
    clock->SetMinutes(30); // a custom clock's tick reads time 0: the minute changes
    EXPECT_EQ(paints.count, 1);
    clock->Tick();
    EXPECT_EQ(clock->Minutes(), 0);
    EXPECT_EQ(paints.count, 2);
    clock->SetShowSeconds(true);
    const int before = paints.count;
    clock->Tick();
    EXPECT_EQ(paints.count, before + 1);
}

TEST(TVrClock, SwitchingAClockOnOrOffShowsItsSeparatorsAtOnce)
{
    auto clock = panelClock();
    clock->SetClockSource([] { return QDateTime(QDate(2026, 1, 1), QTime(9, 0, 0)); });
    clock->SetClockType(ctElapsed);
    clock->SetBlink(true);
    EXPECT_TRUE(separatorAt(grabImage(clock.get()), 20, 0));
    for (const bool active : {true, false, true}) {
        SCOPED_TRACE(active);
        clock->Tick(); // the blink phase that hides them
        ASSERT_TRUE(separatorAreaBlank(grabImage(clock.get()), 20, 0));
        clock->SetActive(active);
        EXPECT_TRUE(separatorAt(grabImage(clock.get()), 20, 0));
    }
    clock->SetActive(false);
}

TEST(TVrClock, ElapsedClockStartsAtZero)
{
    auto clock = panelClock();
    clock->SetClockType(ctElapsed);
    clock->SetActive(true);
    clock->Tick();
    EXPECT_EQ(clock->Hours(), 0);
    EXPECT_EQ(clock->Minutes(), 0);
    EXPECT_LE(clock->Seconds(), 1);
}

TEST(TVrClock, RealTimeClockRunsOnItsTimerInTheGuiThread)
{
    auto clock = panelClock();
    clock->SetClockSource([] { return QDateTime(QDate(2026, 6, 30), QTime(23, 59, 31)); });
    clock->SetClockType(ctRealTime);
    clock->TickTimer()->SetInterval(20);
    std::atomic<int> ticks{0};
    bool onGuiThread = true;
    clock->OnClockTick = [&](QObject*, uint16_t) {
        onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        ++ticks;
    };
    clock->SetActive(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 20000));
    EXPECT_TRUE(onGuiThread);
    EXPECT_EQ(clock->Hours(), 23);
    EXPECT_EQ(clock->Minutes(), 59);
    EXPECT_EQ(clock->Seconds(), 31);
    clock->SetActive(false);
    const int stopped = ticks;
    letTicksPass(20, 5, true);
    EXPECT_EQ(ticks, stopped);
}

TEST(TVrTimer, CreatedPausedWithoutHandler)
{
    TVrTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_TRUE(timer.SyncEvent());
    EXPECT_EQ(timer.Priority(), tpNormal);
    EXPECT_FALSE(timer.HasOnTimer());
}

TEST(TVrTimer, WorkerThreadTicksStopWhenTheTimerIsDestroyed)
{
    auto count = std::make_shared<std::atomic<int>>(0);
    auto* timer = new TVrTimer;
    timer->SetSyncEvent(false);
    timer->SetInterval(5);
    timer->SetOnTimer([count] { ++*count; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return *count >= 3; }, 20000));
    delete timer;
    const int atDestruction = *count;
    letTicksPass(5, 5, false);
    EXPECT_EQ(*count, atDestruction);
}

TEST(TVrTimer, DestroyingWhileATickIsQueuedDropsTheTick)
{
    // The worker hands ticks to the GUI thread; the timer goes away after
    // its first tick has arrived there and before that tick runs.
    int ticks = 0;
    auto* timer = new TVrTimer;
    DestroyOnArrival destroyer(timer);
    timer->SetInterval(1);
    timer->SetOnTimer([&] { ++ticks; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return destroyer.destroyed(); }, 20000));
    EXPECT_EQ(ticks, 0);
}

TEST(TVrClock, ElapsedClockCountsFromActivationAndWrapsAfterADay)
{
    auto clock = panelClock();
    QDateTime now(QDate(2026, 3, 1), QTime(10, 0, 0));
    clock->SetClockSource([&] { return now; });
    clock->SetClockType(ctElapsed);
    clock->SetActive(true);
    now = now.addSecs(60);
    clock->Tick();
    EXPECT_EQ(clock->Hours(), 0);
    EXPECT_EQ(clock->Minutes(), 1);
    const QImage image = grabImage(clock.get());
    EXPECT_TRUE(showsAt(image, 26, "01"));
    now = now.addSecs(2 * 3600 + 3 * 60 + 4);
    clock->Tick();
    EXPECT_EQ(clock->Hours(), 2);
    EXPECT_EQ(clock->Minutes(), 4);
    EXPECT_EQ(clock->Seconds(), 4);
    now = QDateTime(QDate(2026, 3, 2), QTime(10, 0, 30));
    clock->Tick();
    EXPECT_EQ(clock->Hours(), 0);
    EXPECT_EQ(clock->Minutes(), 0);
    EXPECT_EQ(clock->Seconds(), 30);
}

TEST(TVrClock, RealTimeClockShowsTheTimeOfDay)
{
    auto clock = panelClock();
    clock->SetClockSource([] { return QDateTime(QDate(2026, 12, 24), QTime(23, 59, 58)); });
    clock->SetClockType(ctRealTime);
    clock->SetShowSeconds(true);
    uint16_t reported = 0;
    clock->OnClockTick = [&](QObject*, uint16_t seconds) { reported = seconds; };
    clock->Tick();
    EXPECT_EQ(clock->Hours(), 23);
    EXPECT_EQ(clock->Minutes(), 59);
    EXPECT_EQ(reported, 58);
}

TEST(TVrClock, LoadedRunsOneTickForRunningClockTypes)
{
    auto clock = panelClock();
    clock->SetClockSource([] { return QDateTime(QDate(2026, 1, 1), QTime(7, 30, 0)); });
    clock->BeginLoading();
    clock->SetClockType(ctRealTime);
    EXPECT_EQ(clock->Hours(), 0);
    clock->EndLoading();
    EXPECT_EQ(clock->Hours(), 7);
    EXPECT_EQ(clock->Minutes(), 30);

    auto custom = panelClock();
    custom->SetClockSource([] { return QDateTime(QDate(2026, 1, 1), QTime(7, 30, 0)); });
    custom->BeginLoading();
    custom->SetHours(3);
    custom->EndLoading();
    EXPECT_EQ(custom->Hours(), 3);
}
