// Exact-seek latency of the video device, as the player sees it: from the
// seek command until the frame asked for has been rendered into a picture.
// Run by bench/seek_bench.sh, which makes the clips and compares with mpv.
//
// Usage: seek_bench <clip> <opens> <frame> [<frame> ...]
// Prints "open <ms> ..." (open until the first frame is rendered), then
// "seek <frame> <ms> <frame shown>" per seek, then a summary line.
#include "benchframes.h"
#include "handleregistry.h"
#include "mpvdevice.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace benchframes;

double msSince(Clock::time_point start)
{
    return msBetween(start, Clock::now());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: seek_bench <clip> <opens> <frame> [<frame> ...]\n");
        return 2;
    }
    const std::string clip = argv[1];
    const int opens = std::max(1, std::atoi(argv[2]));

    std::vector<double> openTimes;
    std::unique_ptr<mci::Device> device;
    for (int i = 0; i < opens; ++i) {
        device.reset();
        const auto start = Clock::now();
        mci::Reply failure;
        device = mci::openMpvDevice("digitalvideo", clip, &failure);
        openTimes.push_back(msSince(start));
        if (!device) {
            std::fprintf(stderr, "open failed: %s\n", failure.text.c_str());
            return 1;
        }
    }
    std::printf("open");
    for (double t : openTimes)
        std::printf(" %.1f", t);
    std::printf("\n");

    // As the player does after opening: frames, and the length.
    device->setTimeFormat(mci::TimeFormat::Frames);
    const auto lengthStart = Clock::now();
    const std::string length = device->status("length").text;
    std::printf("length %s frames, known after %.1f ms more\n", length.c_str(), msSince(lengthStart));
    KeptPicture keeper;
    const uint64_t handle = mci::registerTarget(&keeper);
    std::vector<double> seekTimes;
    int exact = 0;
    for (int i = 3; i < argc; ++i) {
        const int frame = std::atoi(argv[i]);
        const auto start = Clock::now();
        const mci::Reply reply = device->seek(mci::SeekTarget::Position, frame, true);
        const double elapsed = msSince(start);
        if (reply.failed()) {
            std::fprintf(stderr, "seek %d failed: %s\n", frame, reply.text.c_str());
            return 1;
        }
        device->update(handle);
        const int shown = frameNumber(keeper.last);
        exact += shown == frame;
        seekTimes.push_back(elapsed);
        std::printf("seek %d %.1f %d\n", frame, elapsed, shown);
    }
    mci::unregisterTarget(handle);
    std::printf("summary open_first_ms %.1f open_median_ms %.1f seek_median_ms %.1f seek_p90_ms %.1f exact %d/%zu\n",
                openTimes.front(), percentile(openTimes, 0.5), percentile(seekTimes, 0.5), percentile(seekTimes, 0.9),
                exact, seekTimes.size());
    return 0;
}
