// Opening a file as the player's load does it, through the command
// channel: the commands of the load in their order, each timed, and each
// pump of the layer's events between them (the longest of these is the
// longest the window stands still), then the wait for the first frame to
// reach the video panel. Run by
// bench/openlength.sh, which compares with mpv's loadfile and duration.
//
// Usage: openlength_bench <clip> <rounds>
// Per round: "round <n> open_length_ms <t> longest_ms <t> longest <command>
// first_frame_ms <t> length <frames>"; then a summary line of medians.
#include "handleregistry.h"
#include "mcisession.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Panel : mci::RenderTarget {
    void presentFrame(const QImage& frame) override { frames += !frame.isNull(); }
    int frames = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: openlength_bench <clip> <rounds>\n");
        return 2;
    }
    const std::string clip = argv[1];
    const int rounds = std::max(1, std::atoi(argv[2]));
    mci::Session session;
    std::optional<mci::Reply> opened;
    session.setNotifyHandler([&opened](const mci::Notification& notification) { opened = notification.result; });
    Panel panel;
    const std::string handle = std::to_string(mci::registerTarget(&panel));
    std::vector<double> openLength, longest, firstFrame;
    for (int round = 1; round <= rounds; ++round) {
        panel.frames = 0;
        session.send("close all", nullptr);
        const auto start = Clock::now();
        double slowest = 0;
        std::string slowestCommand, reply, length;
        double lengthKnown = 0;
        // Runs work and keeps it as the slowest step of the load when it is.
        auto timed = [&](const std::string& name, const auto& work) {
            const auto before = Clock::now();
            work();
            const double took = msBetween(before, Clock::now());
            if (took > slowest) {
                slowest = took;
                slowestCommand = name;
            }
        };
        auto send = [&](const std::string& command) {
            int code = 0;
            timed(command.substr(0, command.find(' ', command.find(' ') + 1)),
                  [&] { code = session.send(command, &reply); });
            return code;
        };
        auto pump = [&] {
            timed("(event pump)", [] { mci::processEvents(); });
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        };
        // The load's commands, in its order; after open, the player goes
        // on when the session reports the file open, pumping events
        // meanwhile (each pump is timed like a command).
        opened.reset();
        if (send("open \"" + clip + "\" alias z notify") != 0) {
            std::fprintf(stderr, "open failed: %s\n", reply.c_str());
            return 1;
        }
        while (!opened)
            pump();
        if (opened->failed()) {
            std::fprintf(stderr, "open failed: %s\n", opened->text.c_str());
            return 1;
        }
        send("capability z has video");
        send("window z handle " + handle);
        send("set z time format frames");
        send("seek z to 0");
        send("capability z device type");
        send("status z length");
        length = reply;
        lengthKnown = msBetween(start, Clock::now());
        send("status z position");
        send("status z speed");
        send("status z frame rate");
        send("where z source");
        const std::string source = reply.substr(std::min(reply.size(), size_t(4))); // "0 0 W H"
        send("stop z");
        send("put z destination at 0 0 " + source);
        send("update z hdc " + handle);
        send("play z");
        // The first frame reaches the panel through the event pump.
        const auto deadline = start + std::chrono::seconds(20);
        while (panel.frames == 0 && Clock::now() < deadline)
            pump();
        const double first = msBetween(start, Clock::now());
        send("stop z");
        std::printf("round %d open_length_ms %.1f longest_ms %.1f longest %s first_frame_ms %.1f length %s\n", round,
                    lengthKnown, slowest, slowestCommand.c_str(), first, length.c_str());
        openLength.push_back(lengthKnown);
        longest.push_back(slowest);
        firstFrame.push_back(first);
    }
    session.send("close all", nullptr);
    std::printf("summary open_length_ms %.1f longest_ms %.1f first_frame_ms %.1f\n", median(openLength),
                median(longest), median(firstFrame));
    return 0;
}
