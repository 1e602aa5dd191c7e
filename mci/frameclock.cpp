#include "frameclock.h"

#include <algorithm>
#include <cmath>

namespace mci {

FrameClock::FrameClock(double fps, TimeFormat format)
    : fps_(fps), format_(format)
{
}

double FrameClock::usableRate(double fps)
{
    return fps > 0 && fps < 1000 ? fps : 25;
}

double FrameClock::unitsPerSecond() const
{
    return countingFrames() ? fps_ : 1000.0;
}

double FrameClock::secondsOf(int64_t units) const
{
    return double(units) / unitsPerSecond();
}

int64_t FrameClock::unitsIn(double seconds) const
{
    return std::llround(seconds * unitsPerSecond());
}

int64_t FrameClock::unitsWithin(double seconds, int64_t last) const
{
    // Held before rounding: a time far outside the medium (or none at all)
    // must not overflow the conversion.
    const double units = seconds * unitsPerSecond();
    const int64_t top = std::max<int64_t>(last, 0);
    if (!(units > 0))
        return 0;
    if (units >= double(top))
        return top;
    return std::min<int64_t>(std::llround(units), top);
}

int64_t FrameClock::unitsOfFrame(int64_t frame) const
{
    return countingFrames() ? frame : std::llround(double(frame) * 1000.0 / fps_);
}

int64_t FrameClock::frameOfUnits(int64_t units, int64_t lengthFrames) const
{
    if (units <= 0)
        return 0;
    // A hair over: a frame's own position, divided and multiplied back, must
    // not fall to the frame before.
    const double frame = std::floor(secondsOf(units) * fps_ + 1e-6);
    const int64_t last = lengthFrames - 1;
    return frame >= double(last) ? last : int64_t(frame);
}

double FrameClock::frameStart(int64_t frame) const
{
    return double(frame) / fps_;
}

int64_t FrameClock::nearestFrame(double seconds) const
{
    return std::max<int64_t>(std::llround(seconds * fps_), 0);
}

int64_t FrameClock::framesThrough(double lastFrameSeconds) const
{
    return std::max<int64_t>(std::llround(lastFrameSeconds * fps_) + 1, 1);
}

int64_t FrameClock::framesWithin(double seconds) const
{
    return std::max<int64_t>(std::llround(seconds * fps_), 1);
}

int64_t FrameClock::lengthUnits(int64_t lengthFrames) const
{
    return unitsOfFrame(lengthFrames);
}

int64_t FrameClock::lastUnits(int64_t lengthFrames) const
{
    return countingFrames() ? lengthFrames - 1 : lengthUnits(lengthFrames);
}

} // namespace mci
