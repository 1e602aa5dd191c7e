#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class TRxTimer;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The worker thread that paces a TRxTimer: it sleeps SleepInterval
// milliseconds, then hands one tick to the GUI thread and waits until it
// has run (or runs it itself when the timer's SyncEvent is off).
//
// It is created paused. Pause and Resume never block the caller, so the GUI
// thread can change settings even while the thread waits for a tick to be
// run. Terminate lets the thread go: it ends on its own and frees what it
// shares with the timer; a tick still on its way finds no timer to call.
class TTimerThread {
public:
    explicit TTimerThread(TRxTimer* owner);
    ~TTimerThread(); // terminates the thread if that has not been done
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    void Pause();
    void Resume();
    bool Paused() const;
    void Terminate();

    std::uint32_t SleepInterval() const;
    void SetSleepInterval(std::uint32_t ms);
    void SetPriority(TThreadPriority priority);
    // What the thread reads of its timer at each tick; written on the GUI
    // thread whenever the timer's properties change.
    void SetTimerEnabled(bool enabled);
    void SetSyncEvent(bool sync);

    // Held while a tick runs on the pacing thread; the timer takes it to
    // change its handler or to let the thread go.
    std::shared_ptr<std::recursive_mutex> FireLock() const;

    // How often the thread was paused and resumed (for diagnostics).
    int PauseCount() const;
    int ResumeCount() const;

private:
    struct State;
    static void Run(std::shared_ptr<State> state);

    std::shared_ptr<State> FState;
};
