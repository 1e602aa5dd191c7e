#include "frameclock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

using mci::FrameClock;
using mci::TimeFormat;

constexpr auto Frames = TimeFormat::Frames;
constexpr auto Ms = TimeFormat::Milliseconds;
constexpr int64_t kHuge = std::numeric_limits<int64_t>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string label(double fps, TimeFormat format, double value)
{
    std::ostringstream out;
    out.precision(17);
    out << fps << " fps, " << (format == Frames ? "frames" : "ms") << ", " << value;
    return out.str();
}

// The engine reports 0, nonsense or nothing for some streams.
TEST(FrameClockTest, OnlyAPlausibleFrameRateIsUsed)
{
    const struct {
        double reported;
        double used;
    } cases[] = {
        {23.976, 23.976}, {29.97, 29.97}, {25, 25},   {59.94, 59.94}, {999.5, 999.5}, {0.5, 0.5},
        {0, 25},          {-25, 25},      {1000, 25}, {1e9, 25},      {kNaN, 25},     {kInf, 25},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrameClock::usableRate(c.reported), c.used) << c.reported;
}

// The frame shown at a position: a position between two frames shows the
// earlier, the frame's own start shows it, and nothing lies past the last.
TEST(FrameClockTest, APositionShowsTheFrameWhoseTimeHasCome)
{
    const struct {
        double fps;
        TimeFormat format;
        int64_t units;
        int64_t length;
        int64_t frame;
    } cases[] = {
        // 25 fps: a frame every 40 ms.
        {25, Ms, 0, 100, 0},
        {25, Ms, 39, 100, 0},
        {25, Ms, 40, 100, 1},
        {25, Ms, 79, 100, 1},
        {25, Ms, 80, 100, 2},
        {25, Ms, 3960, 100, 99},
        {25, Ms, 3999, 100, 99},
        {25, Ms, 4000, 100, 99}, // the length is the last frame
        // 29.97 fps: frame 1 from 33.367 ms, frame 30 from 1001.001 ms.
        {29.97, Ms, 33, 1000, 0},
        {29.97, Ms, 34, 1000, 1},
        {29.97, Ms, 1001, 1000, 29},
        {29.97, Ms, 1002, 1000, 30},
        // 23.976 fps: frame 24 from 1001.001 ms, frame 240 from 10010.01 ms.
        {23.976, Ms, 1001, 1000, 23},
        {23.976, Ms, 1002, 1000, 24},
        {23.976, Ms, 10010, 1000, 239},
        {23.976, Ms, 10011, 1000, 240},
        // Counting frames, the frame is the position, to the last one.
        {23.976, Frames, 1, 1000, 1},
        {23.976, Frames, 999, 1000, 999},
        {23.976, Frames, 1000, 1000, 999},
        {29.97, Frames, 30, 1000, 30},
        {1000, Frames, 777, 1000, 777},
        {1000, Ms, 777, 1000, 777}, // a frame a millisecond
        // Nothing before the first frame nor past the last.
        {25, Ms, -1, 100, 0},
        {25, Frames, -40, 100, 0},
        {25, Frames, std::numeric_limits<int64_t>::min(), 100, 0},
        {25, Ms, kHuge, 100, 99},
        {23.976, Frames, kHuge, 100, 99},
        {1000, Ms, kHuge, 5, 4},
        {25, Frames, 7, 1, 0}, // a still picture
    };
    for (const auto& c : cases) {
        const FrameClock clock(c.fps, c.format);
        EXPECT_EQ(clock.frameOfUnits(c.units, c.length), c.frame) << label(c.fps, c.format, double(c.units));
    }
}

// Stepping frame by frame: each frame's own position, at any rate, shows
// that frame, however far into a long film (the division by an odd rate
// and the multiplication back must not land a hair short).
TEST(FrameClockTest, EveryFramesOwnPositionShowsThatFrame)
{
    const struct {
        double fps;
        TimeFormat format;
    } cases[] = {
        {23.976, Frames}, {24, Frames},   {25, Frames}, {29.97, Frames}, {30, Frames},
        {59.94, Frames},  {1000, Frames}, {25, Ms},     {1000, Ms},      {50, Ms},
    };
    constexpr int64_t kLength = 24 * 3600 * 60; // a day at 60 frames a second
    for (const auto& c : cases) {
        const FrameClock clock(c.fps, c.format);
        for (int64_t frame = 0; frame < kLength; frame += frame < 100000 ? 1 : 9973) {
            const int64_t units = clock.unitsOfFrame(frame);
            ASSERT_EQ(clock.frameOfUnits(units, kLength), frame) << label(c.fps, c.format, double(frame));
        }
    }
}

// A frame's position in milliseconds is its start, rounded to the nearest.
TEST(FrameClockTest, AFramesPositionIsItsStartInTheTimeFormat)
{
    const struct {
        double fps;
        TimeFormat format;
        int64_t frame;
        int64_t units;
        double start; // seconds after the first frame
    } cases[] = {
        {25, Ms, 0, 0, 0},
        {25, Ms, 1, 40, 0.04},
        {25, Frames, 1, 1, 0.04},
        {29.97, Ms, 1, 33, 1 / 29.97},
        {29.97, Ms, 2, 67, 2 / 29.97},
        {29.97, Frames, 30, 30, 30 / 29.97},
        {23.976, Ms, 24, 1001, 24 / 23.976},
        {23.976, Ms, 172650, 7200951, 172650 / 23.976}, // two hours in
        {1000, Ms, 123456, 123456, 123.456},
    };
    for (const auto& c : cases) {
        const FrameClock clock(c.fps, c.format);
        EXPECT_EQ(clock.unitsOfFrame(c.frame), c.units) << label(c.fps, c.format, double(c.frame));
        EXPECT_DOUBLE_EQ(clock.frameStart(c.frame), c.start) << label(c.fps, c.format, double(c.frame));
    }
}

// Positions and seconds, both ways, in each time format.
TEST(FrameClockTest, PositionsAndSecondsConvertBothWays)
{
    const struct {
        double fps;
        TimeFormat format;
        int64_t units;
        double seconds;
    } cases[] = {
        {25, Ms, 0, 0},
        {25, Ms, 1500, 1.5},
        {25, Frames, 50, 2.0},
        {23.976, Frames, 24, 24 / 23.976},
        {29.97, Frames, 2997, 100},
        {1000, Frames, 1, 0.001},
        {25, Ms, -250, -0.25},
        {25, Ms, 36000000, 36000}, // ten hours
    };
    for (const auto& c : cases) {
        const FrameClock clock(c.fps, c.format);
        EXPECT_DOUBLE_EQ(clock.secondsOf(c.units), c.seconds) << label(c.fps, c.format, double(c.units));
        EXPECT_EQ(clock.unitsIn(c.seconds), c.units) << label(c.fps, c.format, c.seconds);
        EXPECT_DOUBLE_EQ(clock.unitsPerSecond(), c.format == Frames ? c.fps : 1000.0);
    }
}

// The engine's time, read as a position: rounded to the nearest unit (its
// clock has rounding of its own), and held within the medium.
TEST(FrameClockTest, ATimeReadsAsTheNearestPositionWithinTheMedium)
{
    const struct {
        double fps;
        TimeFormat format;
        double seconds;
        int64_t last;
        int64_t units;
    } cases[] = {
        {25, Frames, 0.019, 99, 0},
        {25, Frames, 0.021, 99, 1},
        {25, Frames, 0.04, 99, 1},
        {29.97, Frames, 30 / 29.97 - 1e-9, 999, 30},
        {29.97, Frames, 30 / 29.97 + 1e-9, 999, 30},
        {23.976, Ms, 1.0004, 10010, 1000},
        {23.976, Ms, 1.0006, 10010, 1001},
        {25, Frames, 3.96, 99, 99},
        {25, Frames, 4.5, 99, 99}, // past the last frame
        {25, Ms, 4.5, 4000, 4000},
        {25, Frames, -0.5, 99, 0}, // before the first frame
        {25, Ms, -1e-9, 4000, 0},
        {25, Frames, 2.0, -1, 0}, // no frames at all
        {25, Ms, 1e300, 4000, 4000},
        {1000, Frames, 1e18, 99, 99},
        {25, Ms, kInf, 4000, 4000},
        {25, Ms, -kInf, 4000, 0},
        {25, Ms, kNaN, 4000, 0}, // the engine has no time
    };
    for (const auto& c : cases) {
        const FrameClock clock(c.fps, c.format);
        EXPECT_EQ(clock.unitsWithin(c.seconds, c.last), c.units) << label(c.fps, c.format, c.seconds);
    }
}

// The frame nearest the engine's time, for stepping from where it stands.
TEST(FrameClockTest, TheEnginesTimeIsAtItsNearestFrame)
{
    const struct {
        double fps;
        double seconds;
        int64_t frame;
    } cases[] = {
        {25, 0, 0},
        {25, 0.0199, 0},
        {25, 0.0201, 1},
        {29.97, 30 / 29.97 - 1e-6, 30},
        {23.976, 7200.0, 172627},
        {1000, 0.0004, 0},
        {1000, 0.0006, 1},
        {25, -0.5, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrameClock(c.fps, Ms).nearestFrame(c.seconds), c.frame) << label(c.fps, Ms, c.seconds);
}

// A medium's length in frames: through its last frame when that frame's
// time is known, else as many as fit in its duration; never none.
TEST(FrameClockTest, TheLengthCountsFramesThroughTheLast)
{
    const struct {
        double fps;
        double lastFrame; // seconds after the first frame
        double duration;  // likewise
        int64_t through;
        int64_t within;
    } cases[] = {
        {25, 3.96, 4.0, 100, 100},
        {29.97, 99 / 29.97, 100 / 29.97, 100, 100},
        {23.976, 239 / 23.976, 10.01, 240, 240},
        {23.976, 9.9, 10.0, 238, 240}, // 239.76 frames fit
        {59.94, 3599.99, 3600, 215784, 215784},
        {1000, 0.004, 0.005, 5, 5},
        {25, 0, 0, 1, 1},   // a single picture
        {25, -1, -1, 1, 1}, // a time before the first frame
        {25, 0.015, 0.015, 1, 1},
    };
    for (const auto& c : cases) {
        const FrameClock clock(c.fps, Frames);
        EXPECT_EQ(clock.framesThrough(c.lastFrame), c.through) << label(c.fps, Frames, c.lastFrame);
        EXPECT_EQ(clock.framesWithin(c.duration), c.within) << label(c.fps, Frames, c.duration);
    }
}

// The length in the time format, and the last position a time reads as:
// the last frame when counting frames, the end in milliseconds.
TEST(FrameClockTest, TheLengthAndLastPositionInEachTimeFormat)
{
    const struct {
        double fps;
        TimeFormat format;
        int64_t frames;
        int64_t length;
        int64_t last;
    } cases[] = {
        {25, Frames, 100, 100, 99},
        {25, Ms, 100, 4000, 4000},
        {29.97, Ms, 100, 3337, 3337},
        {23.976, Ms, 240, 10010, 10010},
        {23.976, Frames, 240, 240, 239},
        {1000, Ms, 5, 5, 5},
        {1000, Frames, 5, 5, 4},
        {25, Frames, 1, 1, 0},
        {25, Ms, 1, 40, 40},
    };
    for (const auto& c : cases) {
        const FrameClock clock(c.fps, c.format);
        EXPECT_EQ(clock.lengthUnits(c.frames), c.length) << label(c.fps, c.format, double(c.frames));
        EXPECT_EQ(clock.lastUnits(c.frames), c.last) << label(c.fps, c.format, double(c.frames));
    }
}

} // namespace
