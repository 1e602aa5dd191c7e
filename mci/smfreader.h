#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mci {

// One message for the synthesizer, in playing order.
struct SmfEvent {
    int64_t tick = 0;   // absolute, in the file's division
    int64_t micros = 0; // from the start of the song
    uint8_t status = 0; // 0x80..0xEF channel message, 0xF0 system exclusive
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint16_t track = 0;
    uint32_t sysexOffset = 0; // system exclusive body (without F0 and the closing F7)
    uint32_t sysexLength = 0;
};

// Where the tempo changes; the song starts at 120 beats per minute.
struct TempoChange {
    int64_t tick = 0;
    int64_t micros = 0;
    uint32_t microsPerQuarter = 500000;
};

// A Standard MIDI File read into one merged event list and a tempo map.
// Reading never trusts the file: every length is checked against the
// buffer, and a damaged part ends its track instead of the whole song.
class SmfFile {
public:
    // Longest song we accept; later events are played at this time.
    static constexpr int64_t kMaxMicros = int64_t(100) * 3600 * 1000000;
    // Bound on stored events and tempo changes, so a hostile file cannot
    // make reading or seeking slow.
    static constexpr size_t kMaxEvents = 2'000'000;

    // Reads a Standard MIDI File (also inside a RIFF RMID wrapper). Returns
    // nothing and fills *error with a reason for the user when the bytes
    // cannot be played at all.
    static std::optional<SmfFile> read(std::span<const uint8_t> bytes, std::string* error);

    int format() const { return format_; }
    int tracksRead() const { return tracksRead_; }
    // Ticks per quarter note; 0 for a timecode-based file.
    int ticksPerQuarter() const { return ticksPerQuarter_; }

    const std::vector<SmfEvent>& events() const { return events_; }
    std::span<const uint8_t> sysex(const SmfEvent& event) const;
    const std::vector<TempoChange>& tempoMap() const { return tempoMap_; }

    int64_t lengthMicros() const { return lengthMicros_; }
    int64_t lengthMs() const { return (lengthMicros_ + 500) / 1000; }

    int64_t microsAtTick(int64_t tick) const;
    int64_t tickAtMicros(int64_t micros) const;
    int64_t msAtTick(int64_t tick) const { return (microsAtTick(tick) + 500) / 1000; }
    int64_t tickAtMs(int64_t ms) const;

    // Tempo in force at a time, as a whole number of beats per minute.
    uint32_t microsPerQuarterAtMs(int64_t ms) const;
    int tempoBpmAtMs(int64_t ms) const;

    // Index of the first event at or after a time (events().size() if none).
    size_t firstEventAtOrAfter(int64_t micros) const;

    // The events of [begin, end) that decide programs, controllers and pitch
    // bends at `end`, in file order, without notes and without controller
    // values that a later one replaces. Sending them stands for playing the
    // range silently, which is how a seek lands mid-song.
    std::vector<size_t> stateEvents(size_t begin, size_t end) const;
    // Order-sensitive messages (bank, program, parameter entry, system
    // exclusive) kept by stateEvents: only the latest this many.
    static constexpr size_t kMaxOrderedStateEvents = 4096;

    // Why part of the file was left unplayed; empty when all of it was valid.
    const std::string& damage() const { return damage_; }

private:
    class Parser;
    friend class Parser;

    void buildTempoMap(std::vector<TempoChange> changes);
    int64_t timecodeMicros(int64_t tick) const;

    int format_ = 0;
    int tracksRead_ = 0;
    int ticksPerQuarter_ = 0;
    int framesPerSecond100_ = 0; // timecode files: frames per second times 100
    int ticksPerFrame_ = 0;
    std::vector<SmfEvent> events_;
    std::vector<uint8_t> sysexData_;
    std::vector<TempoChange> tempoMap_;
    int64_t lengthMicros_ = 0;
    std::string damage_;
};

} // namespace mci
