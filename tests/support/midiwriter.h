#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes Standard MIDI Files for the tests, including deliberately odd ones.
namespace midiwriter {

using Bytes = std::vector<uint8_t>;

// A variable-length quantity (no upper bound, so tests can write absurd ones).
Bytes vlq(uint64_t value);

// One track chunk's events. With running status, a channel message whose
// status equals the previous one is written without it.
class Track {
public:
    explicit Track(bool runningStatus = false) : runningStatus_(runningStatus) {}

    Track& noteOn(uint32_t delta, int channel, int key, int velocity);
    Track& noteOff(uint32_t delta, int channel, int key);
    Track& programChange(uint32_t delta, int channel, int program);
    Track& controlChange(uint32_t delta, int channel, int controller, int value);
    Track& tempo(uint32_t delta, uint32_t microsPerQuarter);
    Track& bpm(uint32_t delta, int beatsPerMinute) { return tempo(delta, 60000000 / beatsPerMinute); }
    Track& meta(uint32_t delta, uint8_t type, const Bytes& data);
    Track& text(uint32_t delta, const std::string& text);
    Track& sysex(uint32_t delta, const Bytes& body); // F0 body F7
    Track& endOfTrack(uint32_t delta = 0);
    // Bytes as they stand, for damaged events.
    Track& raw(const Bytes& bytes);

    const Bytes& events() const { return events_; }

private:
    Track& channel(uint32_t delta, uint8_t status, const Bytes& data);

    bool runningStatus_;
    uint8_t lastStatus_ = 0;
    Bytes events_;
};

// A whole file: MThd then one MTrk per track. division is ticks per quarter
// note (or a timecode word with the top bit set).
Bytes smf(int format, uint16_t division, const std::vector<Track>& tracks);

// A chunk with a given tag and a length that may lie about its body.
Bytes chunk(const char tag[4], const Bytes& body, uint32_t claimedLength);

// The file as bytes of a single format-0 song: `beats` quarter notes at
// `bpm`, one note per beat, division ticks per quarter.
Bytes simpleSong(int beats, int bpm, uint16_t division = 480);

bool writeFile(const std::string& path, const Bytes& bytes);

} // namespace midiwriter
