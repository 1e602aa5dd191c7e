// Backward navigation of the video device as the player drives it: one
// frame back ("seek z to N-1" and the frame shown), and the visual rewind
// (25 frames back per repeat of the held button: 400 ms, then every
// 100 ms). Run by bench/backstep.sh, which makes the clip and compares with
// mpv's frame-back-step on the same clip.
//
// Usage:
//   backstep_bench step <clip> <from> <steps>
//   backstep_bench rewind <clip> <from> <seconds held>
// Every line names the frame asked for and the frame shown (read from the
// clip's frame-number blocks), then a summary line.
#include "benchframes.h"
#include "handleregistry.h"
#include "mpvdevice.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace benchframes;

struct Opened {
    std::unique_ptr<mci::Device> device;
    KeptPicture panel;
    uint64_t handle = 0;
};

bool open(const std::string& clip, Opened& opened)
{
    mci::Reply failure;
    opened.device = mci::openMpvDevice("digitalvideo", clip, &failure);
    if (!opened.device) {
        std::fprintf(stderr, "open failed: %s\n", failure.text.c_str());
        return false;
    }
    opened.device->setTimeFormat(mci::TimeFormat::Frames);
    opened.handle = mci::registerTarget(&opened.panel);
    opened.device->window(opened.handle);
    return true;
}

int64_t position(mci::Device& device)
{
    return std::atoll(("0" + device.status("position").text).c_str());
}

// "seek z to N-1" and the frame shown, as the frame-back button does it.
int step(const std::string& clip, int from, int steps, int delta)
{
    Opened o;
    if (!open(clip, o))
        return 1;
    o.device->seek(mci::SeekTarget::Position, from, true);
    o.device->update(o.handle);
    std::vector<double> times;
    int exact = 0;
    for (int i = 0; i < steps; ++i) {
        const auto start = Clock::now();
        o.device->stop();
        const int64_t target = std::max<int64_t>(position(*o.device) + delta, 0);
        o.device->seek(mci::SeekTarget::Position, target, false);
        o.device->update(o.handle); // as the panel's paint asks for the frame
        const double elapsed = msBetween(start, Clock::now());
        const int shown = frameNumber(o.panel.last);
        exact += shown == target;
        times.push_back(elapsed);
        std::printf("step %lld %.1f shown %d\n", (long long)target, elapsed, shown);
    }
    mci::unregisterTarget(o.handle);
    std::vector<double> rest(times.begin() + 1, times.end());
    std::printf("summary first_ms %.1f median_ms %.1f p90_ms %.1f max_ms %.1f exact %d/%d\n", times.front(),
                percentile(times, 0.5), percentile(times, 0.9), percentile(times, 1.0), exact, steps);
    return 0;
}

// The held Rewind button: a repeat 400 ms after the press and every 100 ms
// after that; a repeat whose handler and paint are still busy when the
// next is due comes late (a timer does not catch up). Counts the repeats
// whose exact frame was shown before the next repeat was due.
int rewind(const std::string& clip, int from, double seconds)
{
    Opened o;
    if (!open(clip, o))
        return 1;
    o.device->seek(mci::SeekTarget::Position, from, true);
    o.device->update(o.handle);
    const auto press = Clock::now();
    const auto release = press + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto due = press + std::chrono::milliseconds(400);
    int repeats = 0, onTime = 0, exact = 0, changed = 0, lastShown = frameNumber(o.panel.last);
    std::vector<double> times;
    while (due < release) {
        std::this_thread::sleep_until(due);
        const auto start = Clock::now();
        o.device->stop();
        const int64_t now = position(*o.device);
        const int64_t target = now > 25 ? now - 25 : 0;
        o.device->seek(mci::SeekTarget::Position, target, false);
        o.device->update(o.handle);
        const auto done = Clock::now();
        const double elapsed = msBetween(start, done);
        const int shown = frameNumber(o.panel.last);
        ++repeats;
        exact += shown == target;
        changed += shown != lastShown;
        lastShown = shown;
        due += std::chrono::milliseconds(100);
        onTime += done <= due && shown == target;
        if (due < done)
            due = done;
        times.push_back(elapsed);
        std::printf("repeat %d target %lld %.1f shown %d\n", repeats, (long long)target, elapsed, shown);
        if (target == 0)
            break;
    }
    mci::unregisterTarget(o.handle);
    std::printf("summary repeats %d on_time %d new_frames %d exact %d median_ms %.1f p90_ms %.1f max_ms %.1f "
                "frames_back %d\n",
                repeats, onTime, changed, exact, percentile(times, 0.5), percentile(times, 0.9),
                percentile(times, 1.0), from - lastShown);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: backstep_bench step <clip> <from> <steps>\n"
                             "       backstep_bench rewind <clip> <from> <seconds>\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "step")
        return step(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), -1);
    if (mode == "forward")
        return step(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), 1);
    if (mode == "rewind")
        return rewind(argv[2], std::atoi(argv[3]), std::atof(argv[4]));
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
