#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct mpv_handle;

namespace mci {

// Finds when a file's last video frame is shown, on a thread and player of
// its own: containers often state a duration that includes a longer audio
// track or is only estimated, so the frame count comes from the frames.
class LengthProbe {
public:
    // done runs on the probe's thread when the answer is known (or not to
    // be had); it must not call mpv.
    LengthProbe(std::string path, std::function<void()> done);
    ~LengthProbe();

    LengthProbe(const LengthProbe&) = delete;
    LengthProbe& operator=(const LengthProbe&) = delete;

    bool finished() const { return finished_; }
    // Time of the last video frame on mpv's time line; empty when unknown.
    std::optional<double> lastFrameTime() const;

private:
    void run(const std::string& path);
    bool waitFor(int eventId, double seconds);

    std::function<void()> done_;
    std::atomic<bool> abort_{false};
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    mpv_handle* handle_ = nullptr;
    std::optional<double> last_;
    std::thread thread_;
};

} // namespace mci
