#include "midiwriter.h"

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

namespace midiwriter {
namespace {

void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

void bigEndian(Bytes& to, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        to.push_back(uint8_t(value >> (8 * i)));
}

} // namespace

Bytes vlq(uint64_t value)
{
    Bytes reversed{uint8_t(value & 0x7F)};
    while (value >>= 7)
        reversed.push_back(uint8_t(0x80 | (value & 0x7F)));
    return Bytes(reversed.rbegin(), reversed.rend());
}

Track& Track::channel(uint32_t delta, uint8_t status, const Bytes& data)
{
    append(events_, vlq(delta));
    if (!runningStatus_ || status != lastStatus_)
        events_.push_back(status);
    lastStatus_ = status;
    append(events_, data);
    return *this;
}

Track& Track::noteOn(uint32_t delta, int channelNumber, int key, int velocity)
{
    return channel(delta, uint8_t(0x90 | channelNumber), {uint8_t(key), uint8_t(velocity)});
}

Track& Track::noteOff(uint32_t delta, int channelNumber, int key)
{
    // Note on with velocity 0, as most files do: it keeps running status going.
    return channel(delta, uint8_t(0x90 | channelNumber), {uint8_t(key), 0});
}

Track& Track::programChange(uint32_t delta, int channelNumber, int program)
{
    return channel(delta, uint8_t(0xC0 | channelNumber), {uint8_t(program)});
}

Track& Track::controlChange(uint32_t delta, int channelNumber, int controller, int value)
{
    return channel(delta, uint8_t(0xB0 | channelNumber), {uint8_t(controller), uint8_t(value)});
}

Track& Track::meta(uint32_t delta, uint8_t type, const Bytes& data)
{
    append(events_, vlq(delta));
    events_.push_back(0xFF);
    events_.push_back(type);
    append(events_, vlq(data.size()));
    append(events_, data);
    return *this;
}

Track& Track::tempo(uint32_t delta, uint32_t microsPerQuarter)
{
    return meta(delta, 0x51, {uint8_t(microsPerQuarter >> 16), uint8_t(microsPerQuarter >> 8), uint8_t(microsPerQuarter)});
}

Track& Track::text(uint32_t delta, const std::string& text)
{
    return meta(delta, 0x01, Bytes(text.begin(), text.end()));
}

Track& Track::sysex(uint32_t delta, const Bytes& body)
{
    append(events_, vlq(delta));
    events_.push_back(0xF0);
    append(events_, vlq(body.size() + 1));
    append(events_, body);
    events_.push_back(0xF7);
    return *this;
}

Track& Track::endOfTrack(uint32_t delta) { return meta(delta, 0x2F, {}); }

Track& Track::raw(const Bytes& bytes)
{
    append(events_, bytes);
    return *this;
}

Bytes chunk(const char tag[4], const Bytes& body, uint32_t claimedLength)
{
    Bytes out(tag, tag + 4);
    bigEndian(out, claimedLength, 4);
    append(out, body);
    return out;
}

Bytes smf(int format, uint16_t division, const std::vector<Track>& tracks)
{
    Bytes header;
    bigEndian(header, uint32_t(format), 2);
    bigEndian(header, uint32_t(tracks.size()), 2);
    bigEndian(header, division, 2);
    Bytes out = chunk("MThd", header, 6);
    for (const Track& track : tracks)
        append(out, chunk("MTrk", track.events(), uint32_t(track.events().size())));
    return out;
}

Bytes simpleSong(int beats, int bpm, uint16_t division)
{
    Track track;
    track.bpm(0, bpm).programChange(0, 0, 0);
    for (int i = 0; i < beats; ++i)
        track.noteOn(0, 0, 60 + i % 12, 100).noteOff(division, 0, 60 + i % 12);
    track.endOfTrack();
    return smf(0, division, {track});
}

bool writeFile(const std::string& path, const Bytes& bytes)
{
    // Written beside and renamed into place, so that a test program running
    // alongside never reads a half-written song.
    const std::string partial = path + ".part" + std::to_string(::getpid());
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out.flush()) {
            std::remove(partial.c_str());
            return false;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

} // namespace midiwriter
