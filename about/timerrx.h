#pragma once

#include "timerthread.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class TTimerMessageWindow;

// A timer that calls OnTimer at a steady pace. By default a worker thread
// sleeps Interval milliseconds between ticks and hands each tick to the GUI
// thread, waiting until it has run, so the period is Interval plus the time
// the tick takes. With Threaded off it runs on an ordinary event-loop timer.
//
// The timer is active when Interval is not 0, Enabled is true and OnTimer is
// assigned; only an active timer ticks. Every change of Enabled, Interval,
// Threaded (and ThreadPriority while threaded) pauses the pacing and starts
// it again under the new settings.
class TRxTimer : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TRxTimer(QObject* owner = nullptr);
    ~TRxTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    std::uint32_t Interval() const { return FInterval; }
    void SetInterval(std::uint32_t value);
    bool SyncEvent() const { return FSyncEvent; }
    void SetSyncEvent(bool value);
    bool Threaded() const { return FThreaded; }
    void SetThreaded(bool value);
    TThreadPriority ThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(TThreadPriority value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent handler);

    bool Active() const { return FInterval != 0 && FEnabled && FOnTimer; }

    // Calls OnTimer when the timer is enabled, has a handler and is not
    // being destroyed. A tick that arrives while the previous one still
    // runs (the handler opened a nested event loop) is dropped.
    void FireTick();

    // How often the settings were applied, for diagnostics.
    int ApplyCount() const { return FApplyCount; }
    const TTimerThread& Thread() const { return *FThread; }

private:
    friend class TTimerMessageWindow;
    void ApplySettings();
    void HandleTimerMessage();
    void StopMessageWindow(bool destroy);

    bool FEnabled = true;
    std::uint32_t FInterval = 1000;
    bool FSyncEvent = true;
    bool FThreaded = true;
    TThreadPriority FThreadPriority = tpNormal;
    TNotifyEvent FOnTimer;
    bool FDestroying = false;
    bool FInTick = false;
    int FApplyCount = 0;
    std::unique_ptr<TTimerThread> FThread;
    std::unique_ptr<TTimerMessageWindow> MessageWindow;
};
