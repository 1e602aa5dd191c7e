#include "handleregistry.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace mci {
namespace {

struct Source {
    EventSource* source;
    std::thread::id thread;
};

// The one registry of the process: targets by handle, the devices to pump
// and how to reach the layer's thread.
struct Registry {
    std::mutex mutex;
    std::map<uint64_t, RenderTarget*> targets;
    uint64_t nextHandle = 1;
    std::vector<Source> sources;
    std::function<void()> pump;
    bool layerIsAppThread = false; // devices live on the QCoreApplication's thread
    std::atomic<bool> posted{false};
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

uint64_t registerTarget(RenderTarget* target)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const uint64_t handle = r.nextHandle++;
    r.targets[handle] = target;
    return handle;
}

void unregisterTarget(uint64_t handle)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.targets.erase(handle);
}

RenderTarget* findTarget(uint64_t handle)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.targets.find(handle);
    return it == r.targets.end() ? nullptr : it->second;
}

void setEventPump(std::function<void()> wake)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.pump = std::move(wake);
}

void addEventSource(EventSource* source)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.sources.push_back({source, std::this_thread::get_id()});
    QCoreApplication* app = QCoreApplication::instance();
    r.layerIsAppThread = app && QThread::currentThread() == app->thread();
}

void removeEventSource(EventSource* source)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.sources, [source](const Source& s) { return s.source == source; });
}

void wakeEventPump()
{
    Registry& r = registry();
    std::function<void()> pump;
    bool onAppThread = false;
    {
        std::lock_guard lock(r.mutex);
        pump = r.pump;
        onAppThread = r.layerIsAppThread;
    }
    if (pump) {
        pump();
        return;
    }
    // One queued call at a time is enough: it handles everything pending.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !onAppThread || r.posted.exchange(true))
        return;
    if (!QMetaObject::invokeMethod(app, [] { processEvents(); }, Qt::QueuedConnection))
        r.posted = false;
}

void processEvents()
{
    Registry& r = registry();
    r.posted = false;
    const std::thread::id self = std::this_thread::get_id();
    std::vector<EventSource*> mine;
    {
        std::lock_guard lock(r.mutex);
        for (const Source& s : r.sources)
            if (s.thread == self)
                mine.push_back(s.source);
    }
    for (EventSource* source : mine) {
        // A source's work may close another device; pump only live ones.
        bool live = false;
        {
            std::lock_guard lock(r.mutex);
            live = std::any_of(r.sources.begin(), r.sources.end(),
                               [source](const Source& s) { return s.source == source; });
        }
        if (live)
            source->pumpEvents();
    }
}

} // namespace mci
