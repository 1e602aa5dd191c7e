#pragma once

#include "frameclock.h"

#include <cstdint>
#include <optional>

namespace mci {

// The seek the video device is carrying out, and the kept frame it shows
// in the engine's stead (see backstepcache.h). An exact seek is done when
// the engine has acknowledged the command, restarted at the target, and
// the frame there has been drawn; until then the position reads as the one
// asked for. Where a file has no index the engine can land past the frame,
// so the seek is sent again, its search starting further back each time.
class SeekState {
public:
    // A seek to a position (in the time format of the moment), at a time on
    // the engine's clock. A kept frame shown is left.
    void begin(int64_t units, double time);
    // The seek command is sent (again); its reply carries the ticket.
    uint64_t issue();
    // Nothing more to wait for: the frame is drawn, or the engine refused.
    void finish() { pending_ = false; }
    // The position asked for is shown already (nothing sought since opening).
    void standAt(int64_t units);
    // Asked for by a seek command, not on the way to playing.
    void markAsked() { asked_ = true; }
    // The same target counted in another time format.
    void recount(int64_t units) { units_ = units; }

    // The engine's reply to a command and its restart of playback. A
    // restart counts for this seek only once its command is acknowledged;
    // true then (once), and the render that will show it is to be marked.
    void acknowledge(uint64_t ticket, int error);
    bool takeRestart();
    void setRenderMark(uint64_t mark) { renderMark_ = mark; }
    uint64_t renderMark() const { return renderMark_; }

    bool pending() const { return pending_; }
    bool asked() const { return asked_; }
    // At the target, its frame still to be drawn.
    bool awaitingFrame() const { return pending_ && restarted_; }
    int64_t units() const { return units_; }
    double time() const { return time_; }

    // How far before the target the engine starts its search.
    double demuxerOffset() const { return demuxerOffset_; }
    void setDemuxerOffset(double seconds) { demuxerOffset_ = seconds; }
    // The offset to search from after landing past the target: one second,
    // then four times the last.
    double widerDemuxerOffset() const { return demuxerOffset_ == 0 ? 1.0 : demuxerOffset_ * 4; }
    // Whether a seek that landed past its target is worth sending again:
    // not too often, and not once the search starts before the medium.
    bool mayRetry() const;

    // A kept frame shown for a position; the engine stands elsewhere.
    void showKept(int64_t frame, int64_t units);
    void leaveKept();
    std::optional<int64_t> kept() const { return kept_; }
    // Handed to the bound target already; settled once handed out anywhere.
    bool keptDelivered() const { return kept_ && delivered_ == *kept_; }
    void markKeptDelivered();
    void markKeptSettled() { settled_ = true; }

    // The position while a seek or a kept frame stands in for the engine's
    // own time; none when the engine's time counts.
    std::optional<int64_t> position(const FrameClock& clock) const;

private:
    bool pending_ = false;
    bool asked_ = false;
    int64_t units_ = 0;
    double time_ = 0;
    int retries_ = 0;
    double demuxerOffset_ = 0;
    uint64_t ticket_ = 0;
    bool acknowledged_ = false;
    bool restarted_ = false;
    uint64_t renderMark_ = 0;

    std::optional<int64_t> kept_;
    int64_t delivered_ = -1; // the kept frame last handed to the bound target
    bool settled_ = false;
};

} // namespace mci
