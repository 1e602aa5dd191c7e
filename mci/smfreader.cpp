#include "smfreader.h"

#include <algorithm>
#include <cmath>

namespace mci {
namespace {

// Ticks beyond this end a track; keeps every sum of deltas far from overflow.
constexpr int64_t kMaxTick = int64_t(1) << 40;
constexpr uint32_t kDefaultMicrosPerQuarter = 500000;

// A bounds-checked reading position inside [data, data + size).
class Cursor {
public:
    Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t remaining() const { return size_ - pos_; }
    size_t offset() const { return pos_; }
    bool atEnd() const { return pos_ >= size_; }

    bool peek(uint8_t* out) const
    {
        if (atEnd())
            return false;
        *out = data_[pos_];
        return true;
    }
    bool byte(uint8_t* out)
    {
        if (!peek(out))
            return false;
        ++pos_;
        return true;
    }
    bool skip(size_t count)
    {
        if (count > remaining())
            return false;
        pos_ += count;
        return true;
    }
    const uint8_t* here() const { return data_ + pos_; }

    // A variable-length quantity: at most four bytes, 28 bits.
    bool vlq(uint32_t* out)
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(&b))
                return false;
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                *out = value;
                return true;
            }
        }
        return false;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

uint32_t bigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t bigEndian16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t littleEndian32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }

bool tagIs(const uint8_t* p, const char* tag) { return std::equal(p, p + 4, reinterpret_cast<const uint8_t*>(tag)); }

int64_t clampMicros(__int128 micros)
{
    if (micros < 0)
        return 0;
    return micros > SmfFile::kMaxMicros ? SmfFile::kMaxMicros : int64_t(micros);
}

// The Standard MIDI File inside a RIFF RMID file, or the bytes themselves.
std::span<const uint8_t> unwrapRiff(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 12 || !tagIs(bytes.data(), "RIFF") || !tagIs(bytes.data() + 8, "RMID"))
        return bytes;
    size_t pos = 12;
    while (bytes.size() - pos >= 8) {
        const uint8_t* chunk = bytes.data() + pos;
        const size_t length = littleEndian32(chunk + 4);
        const size_t available = bytes.size() - pos - 8;
        if (tagIs(chunk, "data"))
            return bytes.subspan(pos + 8, std::min(length, available));
        if (length >= available)
            break;
        pos += 8 + length + (length & 1);
    }
    return {};
}

// Controllers whose effect depends on what comes before or after them: bank
// select (read by program changes), parameter numbers and data entry, and
// the channel mode messages that reset or reconfigure a channel.
bool orderedController(uint8_t controller)
{
    switch (controller) {
    case 0: case 32: case 6: case 38: case 96: case 97: case 98: case 99: case 100: case 101:
    case 121: case 124: case 125: case 126: case 127:
        return true;
    default:
        return false;
    }
}

int channelDataBytes(uint8_t status) { return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2; }

} // namespace

class SmfFile::Parser {
public:
    explicit Parser(SmfFile& file) : file_(file) {}

    std::optional<std::string> parse(std::span<const uint8_t> bytes);

private:
    bool readHeader(Cursor& cursor, int* trackCount, std::string* error);
    void readTrack(Cursor cursor, int64_t startTick);
    bool addEvent(const SmfEvent& event);
    void noteDamage(const std::string& what);

    SmfFile& file_;
    uint16_t track_ = 0;
    int64_t trackEndTick_ = 0;
    int64_t songEndTick_ = 0;
    size_t stored_ = 0;
    std::vector<TempoChange> tempoChanges_;
};

void SmfFile::Parser::noteDamage(const std::string& what)
{
    if (file_.damage_.empty())
        file_.damage_ = what;
}

bool SmfFile::Parser::addEvent(const SmfEvent& event)
{
    if (stored_ >= kMaxEvents) {
        noteDamage("The MIDI file holds too many events; only the first " + std::to_string(kMaxEvents)
                   + " are played.");
        return false;
    }
    ++stored_;
    file_.events_.push_back(event);
    return true;
}

bool SmfFile::Parser::readHeader(Cursor& cursor, int* trackCount, std::string* error)
{
    if (cursor.remaining() < 8 || !tagIs(cursor.here(), "MThd")) {
        *error = "The file is not a MIDI file: it does not start with a MIDI header.";
        return false;
    }
    const uint32_t headerLength = bigEndian32(cursor.here() + 4);
    cursor.skip(8);
    if (headerLength < 6 || headerLength > cursor.remaining()) {
        *error = "The MIDI file's header is damaged or cut short.";
        return false;
    }
    const uint8_t* header = cursor.here();
    cursor.skip(headerLength);

    file_.format_ = bigEndian16(header);
    *trackCount = bigEndian16(header + 2);
    const uint16_t division = bigEndian16(header + 4);
    if (file_.format_ > 2) {
        *error = "The MIDI file has an unknown format (" + std::to_string(file_.format_) + ").";
        return false;
    }
    if (*trackCount == 0) {
        *error = "The MIDI file contains no tracks.";
        return false;
    }
    if (division & 0x8000) {
        // Timecode: frames per second (as a negative byte) and ticks per frame.
        const int fps = -int(int8_t(division >> 8));
        file_.ticksPerFrame_ = division & 0xFF;
        file_.framesPerSecond100_ = fps == 29 ? 2997 : fps * 100;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || file_.ticksPerFrame_ == 0) {
            *error = "The MIDI file's time division is invalid.";
            return false;
        }
    } else {
        file_.ticksPerQuarter_ = division;
        if (division == 0) {
            *error = "The MIDI file's time division is zero.";
            return false;
        }
    }
    return true;
}

void SmfFile::Parser::readTrack(Cursor cursor, int64_t startTick)
{
    const std::string where = "Track " + std::to_string(track_ + 1) + " of the MIDI file ";
    int64_t tick = startTick;
    trackEndTick_ = startTick;
    uint8_t running = 0;
    while (!cursor.atEnd()) {
        uint32_t delta;
        if (!cursor.vlq(&delta))
            return noteDamage(where + "has a damaged or cut-short event time.");
        tick += delta;
        if (tick > kMaxTick)
            return noteDamage(where + "runs past any sensible length.");

        uint8_t first;
        if (!cursor.peek(&first))
            return noteDamage(where + "is cut short.");
        if (first == 0xFF) {
            uint8_t type;
            uint32_t length;
            cursor.skip(1);
            if (!cursor.byte(&type) || !cursor.vlq(&length) || length > cursor.remaining())
                return noteDamage(where + "has a cut-short meta event.");
            const uint8_t* data = cursor.here();
            cursor.skip(length);
            trackEndTick_ = tick;
            if (type == 0x2F)
                return;
            if (type == 0x51 && length >= 3) {
                const uint32_t perQuarter = uint32_t(data[0]) << 16 | uint32_t(data[1]) << 8 | data[2];
                if (perQuarter == 0)
                    continue;
                if (stored_ >= kMaxEvents)
                    return noteDamage(where + "holds too many tempo changes.");
                ++stored_;
                tempoChanges_.push_back({tick, 0, perQuarter});
            }
        } else if (first == 0xF0 || first == 0xF7) {
            uint32_t length;
            cursor.skip(1);
            if (!cursor.vlq(&length) || length > cursor.remaining())
                return noteDamage(where + "has a cut-short system exclusive message.");
            const uint8_t* data = cursor.here();
            cursor.skip(length);
            trackEndTick_ = tick;
            // F7 packets are continuations or raw escapes; only whole F0
            // messages go to the synthesizer.
            if (first == 0xF7)
                continue;
            const uint32_t body = length > 0 && data[length - 1] == 0xF7 ? length - 1 : length;
            if (file_.sysexData_.size() + body > UINT32_MAX)
                return noteDamage(where + "holds too much system exclusive data.");
            SmfEvent event;
            event.tick = tick;
            event.status = 0xF0;
            event.track = track_;
            event.sysexOffset = uint32_t(file_.sysexData_.size());
            event.sysexLength = body;
            if (!addEvent(event))
                return;
            file_.sysexData_.insert(file_.sysexData_.end(), data, data + body);
        } else if (first > 0xF0) {
            return noteDamage(where + "holds a message that does not belong in a MIDI file.");
        } else {
            uint8_t status = running;
            if (first & 0x80) {
                status = first;
                cursor.skip(1);
            } else if (running == 0) {
                return noteDamage(where + "holds data without a status byte.");
            }
            running = status;
            uint8_t data[2] = {0, 0};
            const int count = channelDataBytes(status);
            for (int i = 0; i < count; ++i) {
                if (!cursor.byte(&data[i]))
                    return noteDamage(where + "is cut short.");
                if (data[i] & 0x80)
                    return noteDamage(where + "holds a damaged channel message.");
            }
            trackEndTick_ = tick;
            SmfEvent event;
            event.tick = tick;
            event.status = status;
            event.data1 = data[0];
            event.data2 = data[1];
            event.track = track_;
            if (!addEvent(event))
                return;
        }
    }
}

std::optional<std::string> SmfFile::Parser::parse(std::span<const uint8_t> bytes)
{
    bytes = unwrapRiff(bytes);
    Cursor cursor(bytes.data(), bytes.size());
    std::string error;
    int trackCount = 0;
    if (!readHeader(cursor, &trackCount, &error))
        return error;

    while (file_.tracksRead_ < trackCount && cursor.remaining() >= 8) {
        const uint8_t* chunk = cursor.here();
        const uint32_t length = bigEndian32(chunk + 4);
        cursor.skip(8);
        size_t body = length;
        if (body > cursor.remaining()) {
            noteDamage("The MIDI file is cut short: a chunk claims more bytes than the file holds.");
            body = cursor.remaining();
        }
        if (tagIs(chunk, "MTrk")) {
            track_ = uint16_t(file_.tracksRead_);
            // Format 2 tracks are independent patterns: play them one after another.
            const int64_t start = file_.format_ == 2 ? songEndTick_ : 0;
            readTrack(Cursor(cursor.here(), body), start);
            songEndTick_ = std::max(songEndTick_, trackEndTick_);
            ++file_.tracksRead_;
        }
        cursor.skip(body);
        if (stored_ >= kMaxEvents)
            break;
    }
    if (file_.tracksRead_ == 0)
        return std::string("The MIDI file contains no track that can be read.");
    if (file_.tracksRead_ < trackCount)
        noteDamage("The MIDI file is cut short: it holds " + std::to_string(file_.tracksRead_) + " of its "
                   + std::to_string(trackCount) + " tracks.");

    // Tracks were stored one after another; play them merged by time, keeping
    // the order of the file among events at the same tick.
    auto byTick = [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; };
    if (!std::is_sorted(file_.events_.begin(), file_.events_.end(), byTick))
        std::stable_sort(file_.events_.begin(), file_.events_.end(), byTick);
    file_.buildTempoMap(std::move(tempoChanges_));
    for (SmfEvent& event : file_.events_)
        event.micros = file_.microsAtTick(event.tick);
    file_.lengthMicros_ = file_.microsAtTick(songEndTick_);
    return std::nullopt;
}

std::optional<SmfFile> SmfFile::read(std::span<const uint8_t> bytes, std::string* error)
{
    SmfFile file;
    Parser parser(file);
    if (std::optional<std::string> failure = parser.parse(bytes)) {
        if (error)
            *error = *failure;
        return std::nullopt;
    }
    return file;
}

std::span<const uint8_t> SmfFile::sysex(const SmfEvent& event) const
{
    if (event.status != 0xF0 || size_t(event.sysexOffset) + event.sysexLength > sysexData_.size())
        return {};
    return std::span<const uint8_t>(sysexData_).subspan(event.sysexOffset, event.sysexLength);
}

void SmfFile::buildTempoMap(std::vector<TempoChange> changes)
{
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    tempoMap_.clear();
    tempoMap_.push_back({0, 0, kDefaultMicrosPerQuarter});
    for (const TempoChange& change : changes) {
        if (change.tick == tempoMap_.back().tick) {
            // The last of several changes at one tick wins.
            tempoMap_.back().microsPerQuarter = change.microsPerQuarter;
            continue;
        }
        const int64_t micros = microsAtTick(change.tick);
        tempoMap_.push_back({change.tick, micros, change.microsPerQuarter});
    }
}

int64_t SmfFile::timecodeMicros(int64_t tick) const
{
    // ticks / (frames per second * ticks per frame) seconds.
    const __int128 numerator = __int128(tick) * 1000000 * 100;
    return clampMicros(numerator / (__int128(framesPerSecond100_) * ticksPerFrame_));
}

int64_t SmfFile::microsAtTick(int64_t tick) const
{
    if (tick <= 0)
        return 0;
    if (ticksPerQuarter_ == 0)
        return timecodeMicros(tick);
    if (tempoMap_.empty())
        return clampMicros(__int128(tick) * kDefaultMicrosPerQuarter / ticksPerQuarter_);
    auto after = std::upper_bound(tempoMap_.begin(), tempoMap_.end(), tick,
                                  [](int64_t t, const TempoChange& change) { return t < change.tick; });
    const TempoChange& segment = *std::prev(after);
    return clampMicros(segment.micros
                       + __int128(tick - segment.tick) * segment.microsPerQuarter / ticksPerQuarter_);
}

int64_t SmfFile::tickAtMicros(int64_t micros) const
{
    if (micros <= 0)
        return 0;
    if (ticksPerQuarter_ == 0)
        return int64_t(__int128(micros) * framesPerSecond100_ * ticksPerFrame_ / (__int128(1000000) * 100));
    auto after = std::upper_bound(tempoMap_.begin(), tempoMap_.end(), micros,
                                  [](int64_t us, const TempoChange& change) { return us < change.micros; });
    const TempoChange& segment = *std::prev(after);
    return segment.tick
           + int64_t(__int128(micros - segment.micros) * ticksPerQuarter_ / segment.microsPerQuarter);
}

int64_t SmfFile::tickAtMs(int64_t ms) const
{
    if (ms <= 0)
        return 0;
    return tickAtMicros(ms > kMaxMicros / 1000 ? kMaxMicros : ms * 1000);
}

uint32_t SmfFile::microsPerQuarterAtMs(int64_t ms) const
{
    const int64_t micros = ms <= 0 ? 0 : (ms > kMaxMicros / 1000 ? kMaxMicros : ms * 1000);
    auto after = std::upper_bound(tempoMap_.begin(), tempoMap_.end(), micros,
                                  [](int64_t us, const TempoChange& change) { return us < change.micros; });
    return after == tempoMap_.begin() ? kDefaultMicrosPerQuarter : std::prev(after)->microsPerQuarter;
}

int SmfFile::tempoBpmAtMs(int64_t ms) const
{
    const uint32_t perQuarter = microsPerQuarterAtMs(ms);
    return int((60000000ull + perQuarter / 2) / perQuarter);
}

size_t SmfFile::firstEventAtOrAfter(int64_t micros) const
{
    auto it = std::lower_bound(events_.begin(), events_.end(), micros,
                               [](const SmfEvent& event, int64_t us) { return event.micros < us; });
    return size_t(it - events_.begin());
}

std::vector<size_t> SmfFile::stateEvents(size_t begin, size_t end) const
{
    end = std::min(end, events_.size());
    std::bitset<16 * 128> controllerSeen;
    std::bitset<16> bendSeen, pressureSeen;
    size_t ordered = 0;
    std::vector<size_t> picked;
    // Walk backwards so the latest value of each controller is met first.
    for (size_t i = end; i-- > begin;) {
        const SmfEvent& event = events_[i];
        const int channel = event.status & 0x0F;
        bool keep = false;
        switch (event.status & 0xF0) {
        case 0xB0:
            if (event.data1 == 120 || event.data1 == 123)
                break; // sound and notes off: nothing sounds while chasing
            if (orderedController(event.data1)) {
                keep = ordered++ < kMaxOrderedStateEvents;
            } else if (!controllerSeen.test(channel * 128 + event.data1)) {
                controllerSeen.set(channel * 128 + event.data1);
                keep = true;
            }
            break;
        case 0xC0:
        case 0xF0:
            keep = ordered++ < kMaxOrderedStateEvents;
            break;
        case 0xD0:
            keep = !pressureSeen.test(channel);
            pressureSeen.set(channel);
            break;
        case 0xE0:
            keep = !bendSeen.test(channel);
            bendSeen.set(channel);
            break;
        default:
            break;
        }
        if (keep)
            picked.push_back(i);
    }
    std::reverse(picked.begin(), picked.end());
    return picked;
}

} // namespace mci
