#include "timerthread.h"

#include "errorreport.h"
#include "timerrx.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>
#include <thread>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

struct TTimerThread::State {
    std::mutex lock;
    std::condition_variable wake;
    std::shared_ptr<std::recursive_mutex> fireLock = std::make_shared<std::recursive_mutex>();
    TRxTimer* owner = nullptr; // cleared when the timer lets the thread go
    bool paused = true;
    bool terminated = false;
    bool timerEnabled = true;
    bool syncEvent = true;
    bool tickDone = true;
    std::uint32_t sleepInterval = 1000;
    TThreadPriority priority = tpNormal;
    bool priorityChanged = false;
    int pauses = 0;
    int resumes = 0;

    bool Closed() const { return terminated || !owner; }
    void DeliverTick(); // on the GUI thread
};

namespace {

// Linux threads have no priority classes under the normal scheduler; the
// idle class and nice values come closest. Raising above normal needs
// privileges and is skipped quietly when refused.
void applyPriority(TThreadPriority priority)
{
    sched_param param{};
    pthread_setschedparam(pthread_self(), priority == tpIdle ? SCHED_IDLE : SCHED_OTHER, &param);
    static constexpr int nice[] = {19, 10, 5, 0, -5, -10, -15};
    setpriority(PRIO_PROCESS, gettid(), nice[priority]);
}

} // namespace

void TTimerThread::State::DeliverTick()
{
    TRxTimer* timer = nullptr;
    {
        std::lock_guard guard(lock);
        if (!terminated && !paused)
            timer = owner;
    }
    if (timer) {
        try {
            timer->FireTick();
        } catch (const std::exception& error) {
            ReportException(error);
        }
    }
    {
        std::lock_guard guard(lock);
        tickDone = true;
    }
    wake.notify_all();
}

TTimerThread::TTimerThread(TRxTimer* owner)
    : FState(std::make_shared<State>())
{
    FState->owner = owner;
    std::thread(Run, FState).detach();
}

TTimerThread::~TTimerThread()
{
    Terminate();
}

void TTimerThread::Run(std::shared_ptr<State> s)
{
    std::unique_lock lock(s->lock);
    while (!s->terminated) {
        if (s->paused || s->Closed()) {
            // A paused or closed thread waits to be resumed or let go.
            s->wake.wait(lock, [&] { return s->terminated || (!s->paused && s->owner); });
            continue;
        }
        if (s->priorityChanged) {
            s->priorityChanged = false;
            applyPriority(s->priority);
        }
        // Every pause and resume starts the interval afresh.
        const int resumes = s->resumes;
        const bool interrupted = s->wake.wait_for(lock, std::chrono::milliseconds(s->sleepInterval), [&] {
            return s->terminated || s->paused || s->resumes != resumes;
        });
        if (interrupted || s->Closed() || !s->timerEnabled || QCoreApplication::closingDown())
            continue;
        if (s->syncEvent) {
            s->tickDone = false;
            QMetaObject::invokeMethod(s->owner, [s] { s->DeliverTick(); }, Qt::QueuedConnection);
            s->wake.wait(lock, [&] { return s->tickDone || s->terminated; });
        } else {
            lock.unlock();
            {
                std::lock_guard fire(*s->fireLock);
                if (s->owner)
                    s->owner->FireTick();
            }
            lock.lock();
        }
    }
}

void TTimerThread::Pause()
{
    std::lock_guard guard(FState->lock);
    if (FState->paused)
        return;
    FState->paused = true;
    ++FState->pauses;
    FState->wake.notify_all();
}

void TTimerThread::Resume()
{
    {
        std::lock_guard guard(FState->lock);
        if (!FState->paused)
            return;
        FState->paused = false;
        ++FState->resumes;
    }
    FState->wake.notify_all();
}

bool TTimerThread::Paused() const
{
    std::lock_guard guard(FState->lock);
    return FState->paused;
}

void TTimerThread::Terminate()
{
    std::lock_guard fire(*FState->fireLock);
    {
        std::lock_guard guard(FState->lock);
        FState->terminated = true;
        FState->owner = nullptr;
    }
    FState->wake.notify_all();
}

std::uint32_t TTimerThread::SleepInterval() const
{
    std::lock_guard guard(FState->lock);
    return FState->sleepInterval;
}

void TTimerThread::SetSleepInterval(std::uint32_t ms)
{
    std::lock_guard guard(FState->lock);
    FState->sleepInterval = ms;
}

void TTimerThread::SetPriority(TThreadPriority priority)
{
    std::lock_guard guard(FState->lock);
    if (priority != FState->priority) {
        FState->priority = priority;
        FState->priorityChanged = true;
    }
}

void TTimerThread::SetTimerEnabled(bool enabled)
{
    std::lock_guard guard(FState->lock);
    FState->timerEnabled = enabled;
}

void TTimerThread::SetSyncEvent(bool sync)
{
    std::lock_guard guard(FState->lock);
    FState->syncEvent = sync;
}

std::shared_ptr<std::recursive_mutex> TTimerThread::FireLock() const
{
    return FState->fireLock;
}

int TTimerThread::PauseCount() const
{
    std::lock_guard guard(FState->lock);
    return FState->pauses;
}

int TTimerThread::ResumeCount() const
{
    std::lock_guard guard(FState->lock);
    return FState->resumes;
}
