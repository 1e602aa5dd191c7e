#include "timerrx.h"

#include "errorreport.h"

#include <QPointer>
#include <QTimerEvent>

#include <climits>
#include <stdexcept>

// The hidden receiver of the event-loop timer used when the timer is not
// threaded.
class TTimerMessageWindow : public QObject {
public:
    explicit TTimerMessageWindow(TRxTimer* timer)
        : FTimer(timer)
    {
    }

    bool Start(std::uint32_t interval)
    {
        if (interval > std::uint32_t(INT_MAX))
            return false;
        FTimerId = startTimer(int(interval), Qt::PreciseTimer);
        return FTimerId != 0;
    }

    void Stop()
    {
        if (FTimerId != 0)
            killTimer(FTimerId);
        FTimerId = 0;
    }

protected:
    void timerEvent(QTimerEvent* event) override
    {
        if (event->timerId() == FTimerId)
            FTimer->HandleTimerMessage();
        else
            QObject::timerEvent(event);
    }

private:
    TRxTimer* FTimer;
    int FTimerId = 0;
};

TRxTimer::TRxTimer(QObject* owner)
    : QObject(owner)
    , FThread(std::make_unique<TTimerThread>(this))
{
}

TRxTimer::~TRxTimer()
{
    const auto fireLock = FThread->FireLock();
    std::lock_guard guard(*fireLock);
    FDestroying = true;
    FEnabled = false;
    FOnTimer = nullptr;
    // The thread is released rather than waited for: it leaves its loop by
    // itself, and a tick it has already posted dies with this object.
    FThread->SetTimerEnabled(false);
    FThread->Resume();
    FThread->Terminate();
    StopMessageWindow(true);
}

void TRxTimer::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    {
        const auto fireLock = FThread->FireLock();
        std::lock_guard guard(*fireLock);
        FEnabled = value;
    }
    FThread->SetTimerEnabled(value);
    ApplySettings();
}

void TRxTimer::SetInterval(std::uint32_t value)
{
    if (value == FInterval)
        return;
    FInterval = value;
    ApplySettings();
}

void TRxTimer::SetSyncEvent(bool value)
{
    FSyncEvent = value;
    FThread->SetSyncEvent(value);
}

void TRxTimer::SetThreaded(bool value)
{
    if (value == FThreaded)
        return;
    FThreaded = value;
    ApplySettings();
}

void TRxTimer::SetThreadPriority(TThreadPriority value)
{
    if (value == FThreadPriority)
        return;
    FThreadPriority = value;
    if (FThreaded)
        ApplySettings();
}

void TRxTimer::SetOnTimer(TNotifyEvent handler)
{
    const bool wasAssigned = bool(FOnTimer);
    {
        const auto fireLock = FThread->FireLock();
        std::lock_guard guard(*fireLock);
        FOnTimer = std::move(handler);
    }
    if (wasAssigned != bool(FOnTimer))
        ApplySettings();
}

void TRxTimer::FireTick()
{
    const auto fireLock = FThread->FireLock();
    std::lock_guard guard(*fireLock);
    if (!FEnabled || !FOnTimer || FDestroying || FInTick)
        return;
    // The handler may destroy this timer; it runs from a copy and nothing
    // of the timer is touched afterwards unless it still exists.
    const TNotifyEvent handler = FOnTimer;
    const QPointer<TRxTimer> self(this);
    FInTick = true;
    try {
        handler(this);
    } catch (...) {
        if (self)
            FInTick = false;
        throw;
    }
    if (self)
        FInTick = false;
}

void TRxTimer::ApplySettings()
{
    ++FApplyCount;
    if (FThreaded) {
        StopMessageWindow(true);
        FThread->Pause();
        FThread->SetSleepInterval(FInterval);
        if (Active()) {
            FThread->SetPriority(FThreadPriority);
            FThread->Resume();
        }
        return;
    }
    FThread->Pause();
    if (MessageWindow)
        MessageWindow->Stop();
    else
        MessageWindow = std::make_unique<TTimerMessageWindow>(this);
    if (Active() && !MessageWindow->Start(FInterval))
        throw std::runtime_error("Timer Miss");
}

void TRxTimer::HandleTimerMessage()
{
    try {
        FireTick();
    } catch (const std::exception& error) {
        ReportException(error);
    }
}

void TRxTimer::StopMessageWindow(bool destroy)
{
    if (!MessageWindow)
        return;
    MessageWindow->Stop();
    if (destroy)
        MessageWindow.reset();
}
