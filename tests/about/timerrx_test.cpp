#include "testapp.h"
#include "timerrx.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

namespace {

// Runs the event loop until pred holds or a generous bound passes.
template <class Pred>
bool WaitFor(Pred pred, int ms = 10000)
{
    return QTest::qWaitFor(pred, ms);
}

// Runs the event loop until a witness timer has ticked `ticks` times at
// the pace the tests use, so a stray tick had as many chances to arrive as
// a running timer has, however slow the machine is.
void Drain(int ticks = 10)
{
    TRxTimer witness;
    std::atomic<int> seen{0};
    witness.SetInterval(1);
    witness.SetOnTimer([&](QObject*) { ++seen; });
    ASSERT_TRUE(WaitFor([&] { return seen >= ticks; }, 20000));
    witness.SetEnabled(false);
}

struct Counter {
    std::atomic<int> ticks{0};
    std::atomic<bool> onGuiThread{true};
    TRxTimer::TNotifyEvent Handler()
    {
        return [this](QObject*) {
            if (QThread::currentThread() != qApp->thread())
                onGuiThread = false;
            ++ticks;
        };
    }
};

} // namespace

TEST(RxTimer, NewTimerHasItsDefaultsAndStaysIdleWithoutAHandler)
{
    TRxTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_TRUE(timer.SyncEvent());
    EXPECT_TRUE(timer.Threaded());
    EXPECT_EQ(timer.ThreadPriority(), tpNormal);
    EXPECT_FALSE(timer.Active());
    EXPECT_TRUE(timer.Thread().Paused());
    EXPECT_EQ(timer.ApplyCount(), 0);
}

TEST(RxTimer, DefaultTimerTicksOnTheGuiThreadOnceAHandlerIsSet)
{
    Counter counter;
    TRxTimer timer;
    timer.SetOnTimer(counter.Handler());
    EXPECT_TRUE(timer.Active());
    EXPECT_FALSE(timer.Thread().Paused());
    ASSERT_TRUE(WaitFor([&] { return counter.ticks >= 1; }));
    EXPECT_TRUE(counter.onGuiThread);
}

TEST(RxTimer, IntervalZeroStopsTicksAndANewIntervalRestartsThem)
{
    Counter counter;
    TRxTimer timer;
    timer.SetInterval(1);
    timer.SetOnTimer(counter.Handler());
    ASSERT_TRUE(WaitFor([&] { return counter.ticks >= 3; }));

    timer.SetInterval(0);
    EXPECT_FALSE(timer.Active());
    EXPECT_TRUE(timer.Thread().Paused());
    const int stopped = counter.ticks;
    Drain();
    EXPECT_EQ(counter.ticks, stopped);

    timer.SetInterval(2);
    EXPECT_EQ(timer.Thread().SleepInterval(), 2u);
    ASSERT_TRUE(WaitFor([&] { return counter.ticks >= stopped + 3; }));
}

TEST(RxTimer, DisabledTimerDeliversNoTick)
{
    Counter counter;
    TRxTimer timer;
    timer.SetInterval(1);
    timer.SetOnTimer(counter.Handler());
    ASSERT_TRUE(WaitFor([&] { return counter.ticks >= 1; }));
    timer.SetEnabled(false);
    const int stopped = counter.ticks;
    Drain();
    EXPECT_EQ(counter.ticks, stopped);
    timer.FireTick(); // a tick on its way finds the timer disabled
    EXPECT_EQ(counter.ticks, stopped);
}

TEST(RxTimer, SettingsThatDoNotChangeLeaveThePacingAlone)
{
    Counter first, second;
    TRxTimer timer;
    timer.SetInterval(1);
    timer.SetOnTimer(first.Handler());
    const int applied = timer.ApplyCount();
    const int pauses = timer.Thread().PauseCount();

    timer.SetEnabled(true);
    timer.SetInterval(1);
    timer.SetThreaded(true);
    timer.SetThreadPriority(tpNormal);
    EXPECT_EQ(timer.ApplyCount(), applied);

    // A handler in place of another keeps the thread running.
    timer.SetOnTimer(second.Handler());
    EXPECT_EQ(timer.ApplyCount(), applied);
    EXPECT_EQ(timer.Thread().PauseCount(), pauses);
    ASSERT_TRUE(WaitFor([&] { return second.ticks >= 2; }));
    const int firstTicks = first.ticks;
    Drain(5);
    EXPECT_EQ(first.ticks, firstTicks);

    // Removing the last handler, or a real change, applies the settings.
    timer.SetOnTimer(nullptr);
    EXPECT_EQ(timer.ApplyCount(), applied + 1);
    EXPECT_TRUE(timer.Thread().Paused());
    timer.SetInterval(5);
    EXPECT_EQ(timer.ApplyCount(), applied + 2);
}

TEST(RxTimer, PriorityWhileNotThreadedIsOnlyStored)
{
    TRxTimer timer;
    timer.SetThreaded(false);
    const int applied = timer.ApplyCount();
    timer.SetThreadPriority(tpLower);
    EXPECT_EQ(timer.ThreadPriority(), tpLower);
    EXPECT_EQ(timer.ApplyCount(), applied);
    timer.SetThreaded(true);
    timer.SetThreadPriority(tpLowest);
    EXPECT_EQ(timer.ApplyCount(), applied + 2);
}

TEST(RxTimer, NoTickReachesTheHandlerAfterDestroy)
{
    auto counter = std::make_shared<Counter>();
    auto timer = std::make_unique<TRxTimer>();
    timer->SetInterval(1);
    timer->SetOnTimer(counter->Handler());
    ASSERT_TRUE(WaitFor([&] { return counter->ticks >= 3; }));
    timer.reset();
    const int last = counter->ticks;
    Drain(20);
    EXPECT_EQ(counter->ticks, last);
}

TEST(RxTimer, HandlerMayDestroyItsOwnTimer)
{
    auto timer = std::make_unique<TRxTimer>();
    int ticks = 0;
    timer->SetInterval(1);
    timer->SetOnTimer([&](QObject*) {
        ++ticks;
        timer.reset();
    });
    ASSERT_TRUE(WaitFor([&] { return !timer; }));
    Drain(5);
    EXPECT_EQ(ticks, 1);
}

TEST(RxTimer, UnsynchronisedTicksRunOnThePacingThread)
{
    Counter counter;
    TRxTimer timer;
    timer.SetSyncEvent(false);
    timer.SetInterval(1);
    timer.SetOnTimer(counter.Handler());
    ASSERT_TRUE(WaitFor([&] { return counter.ticks >= 3; }));
    EXPECT_FALSE(counter.onGuiThread);
}

TEST(RxTimer, WindowTimerModeTicksAndStopsTheThread)
{
    Counter counter;
    TRxTimer timer;
    timer.SetInterval(1);
    timer.SetOnTimer(counter.Handler());
    timer.SetThreaded(false);
    EXPECT_TRUE(timer.Thread().Paused());
    ASSERT_TRUE(WaitFor([&] { return counter.ticks >= 3; }));
    EXPECT_TRUE(counter.onGuiThread);

    timer.SetEnabled(false);
    const int stopped = counter.ticks;
    Drain();
    EXPECT_EQ(counter.ticks, stopped);

    // Back to threaded pacing.
    timer.SetEnabled(true);
    timer.SetThreaded(true);
    EXPECT_FALSE(timer.Thread().Paused());
    ASSERT_TRUE(WaitFor([&] { return counter.ticks >= stopped + 2; }));
}

TEST(RxTimer, RefusedWindowTimerRaisesTimerMissAndKeepsTheSettings)
{
    Counter counter;
    TRxTimer timer;
    timer.SetThreaded(false);
    timer.SetOnTimer(counter.Handler());
    try {
        timer.SetInterval(0x80000000u);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Timer Miss");
    }
    EXPECT_EQ(timer.Interval(), 0x80000000u);
    Drain(5);
    EXPECT_EQ(counter.ticks, 0);
}

TEST(RxTimer, FailingWindowTimerTickIsReportedAndTheTimerRunsOn)
{
    TRxTimer timer;
    int ticks = 0;
    int reports = 0;
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->text(), "tick failed");
            ++reports;
            box->accept();
        }
    });
    dismiss.start(5);
    timer.SetThreaded(false);
    timer.SetInterval(1);
    timer.SetOnTimer([&](QObject*) {
        ++ticks;
        if (ticks == 1)
            throw std::runtime_error("tick failed");
    });
    ASSERT_TRUE(WaitFor([&] { return ticks >= 3; }));
    EXPECT_EQ(reports, 1);
}
