#include "seekstate.h"

namespace mci {

void SeekState::begin(int64_t units, double time)
{
    units_ = units;
    time_ = time;
    asked_ = false;
    retries_ = 0;
    leaveKept();
}

uint64_t SeekState::issue()
{
    pending_ = true;
    acknowledged_ = false;
    restarted_ = false;
    ++retries_;
    return ++ticket_;
}

void SeekState::standAt(int64_t units)
{
    pending_ = false;
    units_ = units;
}

void SeekState::acknowledge(uint64_t ticket, int error)
{
    // Replies to earlier seeks, and to other commands, are not this one's.
    if (!pending_ || ticket != ticket_)
        return;
    acknowledged_ = true;
    if (error < 0)
        pending_ = false;
}

bool SeekState::takeRestart()
{
    if (!pending_ || !acknowledged_ || restarted_)
        return false;
    restarted_ = true;
    return true;
}

bool SeekState::mayRetry() const
{
    constexpr int kMaxRetries = 6;
    return !(retries_ >= kMaxRetries || demuxerOffset_ > time_);
}

void SeekState::showKept(int64_t frame, int64_t units)
{
    // The engine may finish a seek of its own meanwhile; it is not shown.
    pending_ = false;
    units_ = units;
    kept_ = frame;
    delivered_ = -1;
    settled_ = false;
}

void SeekState::leaveKept()
{
    kept_.reset();
    delivered_ = -1;
}

void SeekState::markKeptDelivered()
{
    delivered_ = kept_.value_or(-1);
    settled_ = true;
}

std::optional<int64_t> SeekState::position(const FrameClock& clock) const
{
    // Once shown, a kept frame is where its own time is, as the engine's
    // would be; until then, and while a seek is under way, the position is
    // the one asked for.
    if (kept_ && settled_)
        return clock.unitsOfFrame(*kept_);
    if (pending_ || kept_)
        return units_;
    return std::nullopt;
}

} // namespace mci
