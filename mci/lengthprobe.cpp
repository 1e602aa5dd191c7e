#include "lengthprobe.h"

#include "mpvhandle.h"

#include <mpv/client.h>

#include <chrono>
#include <cstdio>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace mci {
namespace {

constexpr double kProbeSeconds = 15;

} // namespace

LengthProbe::LengthProbe(std::string path, std::function<void()> done)
    : done_(std::move(done))
{
    thread_ = std::thread([this, path = std::move(path)] { run(path); });
}

LengthProbe::~LengthProbe()
{
    abort_ = true;
    {
        std::lock_guard lock(mutex_);
        if (handle_)
            mpv_wakeup(handle_);
    }
    thread_.join();
}

std::optional<double> LengthProbe::lastFrameTime() const
{
    std::lock_guard lock(mutex_);
    return last_;
}

bool LengthProbe::waitFor(int eventId, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!abort_) {
        const double left = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return false;
        const mpv_event* event = mpv_wait_event(handle_, left);
        if (event->event_id == eventId)
            return true;
        if (event->event_id == MPV_EVENT_END_FILE || event->event_id == MPV_EVENT_SHUTDOWN)
            return false;
    }
    return false;
}

void LengthProbe::run(const std::string& path)
{
    // Behind the player that shows the pictures: the threads mpv starts
    // from here inherit the lower priority.
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
    // Only video timestamps matter: no audio, no picture, cheapest decoding.
    mpv_handle* handle = mpv::create({{"vo", "null"},
                                      {"ao", "null"},
                                      {"aid", "no"},
                                      {"vd-lavc-skiploopfilter", "all"},
                                      {"vd-lavc-fast", "yes"},
                                      {"vd-lavc-threads", "1"}});
    {
        std::lock_guard lock(mutex_);
        handle_ = handle;
    }
    if (handle && !abort_) {
        const char* load[] = {"loadfile", path.c_str(), nullptr};
        const auto start = std::chrono::steady_clock::now();
        auto left = [&] {
            return kProbeSeconds - std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        if (mpv_command(handle, load) >= 0 && waitFor(MPV_EVENT_PLAYBACK_RESTART, left())) {
            // An exact seek past the end stops at the last frame.
            const double duration = mpv::getDouble(handle, "duration").value_or(0);
            char target[64];
            std::snprintf(target, sizeof target, "%.6f", duration + 3600);
            const char* seek[] = {"seek", target, "absolute+exact", nullptr};
            if (mpv_command(handle, seek) >= 0 && waitFor(MPV_EVENT_PLAYBACK_RESTART, left())) {
                const auto time = mpv::getDouble(handle, "time-pos");
                std::lock_guard lock(mutex_);
                last_ = time;
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        handle_ = nullptr;
    }
    mpv::destroy(handle);
    finished_ = true;
    if (done_)
        done_();
}

} // namespace mci
