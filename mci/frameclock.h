#pragma once

#include "device.h"

#include <cstdint>

namespace mci {

// The arithmetic between positions in a time format (frames or
// milliseconds), seconds and frame indexes, at one frame rate. Times are
// seconds after the first frame; the engine's own clock is that plus the
// first frame's time, which only the device knows. Frame f is shown from
// f / fps until the next one, so a time between two frames shows the
// earlier; the length is counted in frames, and its last is length - 1.
class FrameClock {
public:
    FrameClock(double fps, TimeFormat format);

    // The engine's frame rate where it is plausible, else 25 (a guess is
    // better than no frame arithmetic at all).
    static double usableRate(double fps);

    double fps() const { return fps_; }
    TimeFormat format() const { return format_; }
    bool countingFrames() const { return format_ == TimeFormat::Frames; }
    double unitsPerSecond() const;
    double frameSeconds() const { return 1.0 / fps_; }

    // Positions and times, rounded to the nearest unit.
    double secondsOf(int64_t units) const;
    int64_t unitsIn(double seconds) const;
    // The position of a time, held between 0 and last (a negative last
    // counts as 0).
    int64_t unitsWithin(double seconds, int64_t last) const;

    // Frames and positions. A frame's position in milliseconds is rounded;
    // the frame of a position is the one shown then, the last frame at most.
    int64_t unitsOfFrame(int64_t frame) const;
    int64_t frameOfUnits(int64_t units, int64_t lengthFrames) const;
    double frameStart(int64_t frame) const;
    // The frame nearest a time the engine reports (its clock has rounding
    // of its own), never before the first.
    int64_t nearestFrame(double seconds) const;

    // Lengths in frames, at least one: from the last frame's time, else
    // from the time the medium lasts.
    int64_t framesThrough(double lastFrameSeconds) const;
    int64_t framesWithin(double seconds) const;
    // The length in the time format: the position just after the last frame.
    int64_t lengthUnits(int64_t lengthFrames) const;
    // The last position a time can read as: the last frame, or the length
    // in milliseconds.
    int64_t lastUnits(int64_t lengthFrames) const;

private:
    double fps_;
    TimeFormat format_;
};

} // namespace mci
