#include "vrtimer.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

// State shared by the timer and its worker thread. The worker holds its own
// reference, so it can outlive the timer and end by itself.
struct TVrTimer::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    TVrTimer* owner = nullptr; // null once detached
    bool paused = true;
    bool terminated = false;
    bool delivering = false;
    uint64_t generation = 0; // bumped on every change, restarts the sleep
    uint32_t interval = 1000;
    bool sync = true;
    int nice = 0;
    std::thread::id id;

    void Run(std::shared_ptr<Worker> self);
};

namespace {

int niceFor(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -15;
    }
    return 0;
}

} // namespace

void TVrTimer::Worker::Run(std::shared_ptr<Worker> self)
{
    (void)self; // keeps the shared state alive for the thread's lifetime
    std::unique_lock lock(mutex);
    int appliedNice = 0;
    for (;;) {
        wake.wait(lock, [this] { return !paused || terminated; });
        if (terminated || !owner)
            return;
        if (nice != appliedNice) {
            // Raising priority needs privileges; lowering always works.
            setpriority(PRIO_PROCESS, 0, nice);
            appliedNice = nice;
        }
        const uint64_t started = generation;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(interval);
        if (wake.wait_until(lock, deadline, [&] { return terminated || paused || generation != started; }))
            continue;
        if (!owner || terminated || !QCoreApplication::instance() || QCoreApplication::closingDown())
            continue;
        if (sync) {
            // Hand the tick to the GUI thread and wait until it has run. The
            // GUI thread looks the timer up again, so a timer destroyed in
            // the meantime gets no tick.
            lock.unlock();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [this] {
                    TVrTimer* target = nullptr;
                    {
                        std::lock_guard guard(mutex);
                        target = owner;
                    }
                    if (target)
                        target->Timer();
                },
                Qt::BlockingQueuedConnection);
            lock.lock();
        } else {
            TVrTimer* target = owner;
            delivering = true;
            lock.unlock();
            target->Timer();
            lock.lock();
            delivering = false;
            wake.notify_all();
        }
    }
}

TVrTimer::TVrTimer(QObject* parent)
    : QObject(parent)
    , FWorker(std::make_shared<Worker>())
{
    FWorker->owner = this;
    std::thread thread(&Worker::Run, FWorker.get(), FWorker);
    FWorker->id = thread.get_id();
    thread.detach();
}

TVrTimer::~TVrTimer()
{
    FDestroying = true;
    FEnabled = false;
    FOnTimer = nullptr;
    std::unique_lock lock(FWorker->mutex);
    FWorker->owner = nullptr;
    FWorker->paused = false;
    FWorker->terminated = true;
    FWorker->wake.notify_all();
    // A tick running on the worker must finish before the timer goes away
    // (unless that tick is what destroys it).
    if (std::this_thread::get_id() != FWorker->id)
        FWorker->wake.wait(lock, [this] { return !FWorker->delivering; });
}

void TVrTimer::SetEnabled(bool value)
{
    if (FEnabled == value)
        return;
    FEnabled = value;
    UpdateWorker();
}

void TVrTimer::SetSyncEvent(bool value)
{
    FSyncEvent = value;
    std::lock_guard lock(FWorker->mutex);
    FWorker->sync = value;
}

void TVrTimer::SetInterval(uint32_t value)
{
    if (FInterval == value)
        return;
    FInterval = value;
    UpdateWorker();
}

void TVrTimer::SetPriority(TThreadPriority value)
{
    if (FPriority == value)
        return;
    FPriority = value;
    UpdateWorker();
}

void TVrTimer::SetOnTimer(std::function<void()> handler)
{
    const bool changed = bool(handler) != bool(FOnTimer);
    FOnTimer = std::move(handler);
    if (changed)
        UpdateWorker();
}

void TVrTimer::UpdateWorker()
{
    std::lock_guard lock(FWorker->mutex);
    FWorker->interval = FInterval;
    FWorker->sync = FSyncEvent;
    FWorker->nice = niceFor(FPriority);
    FWorker->paused = !(FInterval != 0 && FEnabled && FOnTimer);
    ++FWorker->generation;
    FWorker->wake.notify_all();
}

void TVrTimer::Timer()
{
    if (FEnabled && !FDestroying && FOnTimer)
        FOnTimer();
}
