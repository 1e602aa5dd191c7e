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

// Digit cells are 7 pixels and separators 3, with 3-pixel gaps: on the
// status panel cells at 0 and 10, a colon at 20, cells at 26 and 36.
TEST(TVrClock, ShowsItsFieldsInOneRow)
{
    const struct {
        const char* name;
        int hours, minutes, seconds;
        bool showSeconds;
        int fixedWidth; // 0 sizes the clock to its row
        QSize size;
        int x;
        const char* text;
    } rows[] = {
        {"the status panel's hours and minutes", 5, 7, 0, false, 0, {43, 13}, 0, "05:07"},
        {"hours of a hundred or more, centred", 123, 4, 0, false, 80, {80, 13}, (80 - 43) / 2, "123:04"},
        // 6 * 7 + 2 * 3 + 7 * 3
        {"seconds widen the row", 0, 0, 59, true, 0, {69, 13}, 0, "00:00:59"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto clock = panelClock();
        if (row.fixedWidth) {
            clock->SetAutoSize(false);
            clock->resize(row.fixedWidth, 13);
        }
        clock->SetShowSeconds(row.showSeconds);
        clock->SetHours(row.hours);
        clock->SetMinutes(row.minutes);
        clock->SetSeconds(row.seconds);
        grabImage(clock.get()); // the first paint sizes it
        EXPECT_EQ(clock->size(), row.size);
        EXPECT_TRUE(showsAt(grabImage(clock.get()), row.x, row.text));
    }
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
    const struct {
        const char* name;
        TVrClockType type;
        bool blink;
        bool blinks;
    } rows[] = {
        {"a running clock with Blink", ctElapsed, true, true},
        {"a running clock without Blink", ctElapsed, false, false},
        {"a custom clock ignores Blink", ctCustom, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto clock = panelClock();
        clock->SetClockType(row.type);
        clock->SetBlink(row.blink);
        grabImage(clock.get());
        int shown = 0;
        bool previous = false;
        for (int tick = 0; tick < 6; ++tick) {
            clock->Tick();
            const QImage image = grabImage(clock.get());
            const bool visible = separatorAt(image, 20, 0);
            EXPECT_TRUE(visible || separatorAreaBlank(image, 20, 0));
            if (row.blinks && tick > 0) {
                EXPECT_NE(visible, previous) << "tick " << tick;
            }
            previous = visible;
            shown += visible;
        }
        EXPECT_EQ(shown, row.blinks ? 3 : 6);
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
    // Activated at 10:00:00 on 1 March; each row is a later tick.
    const struct {
        const char* name;
        QDateTime now;
        int hours, minutes, seconds;
        const char* shown;
    } rows[] = {
        {"a minute on", QDateTime(QDate(2026, 3, 1), QTime(10, 1, 0)), 0, 1, 0, "00:01"},
        {"hours, minutes and seconds on", QDateTime(QDate(2026, 3, 1), QTime(12, 4, 4)), 2, 4, 4, "02:04"},
        {"a day and 30 seconds on", QDateTime(QDate(2026, 3, 2), QTime(10, 0, 30)), 0, 0, 30, "00:00"},
    };
    auto clock = panelClock();
    QDateTime now(QDate(2026, 3, 1), QTime(10, 0, 0));
    clock->SetClockSource([&] { return now; });
    clock->SetClockType(ctElapsed);
    clock->SetActive(true);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        now = row.now;
        clock->Tick();
        EXPECT_EQ(clock->Hours(), row.hours);
        EXPECT_EQ(clock->Minutes(), row.minutes);
        EXPECT_EQ(clock->Seconds(), row.seconds);
        EXPECT_TRUE(showsAt(grabImage(clock.get()), 0, row.shown));
    }
    clock->SetActive(false);
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
