// MpvDevice's answers to status and capability: what the player holds and
// can do, read from mpv's properties.
#include "mpvdevice.h"

#include "mpvhandle.h"

#include <cmath>
#include <cstdlib>

namespace mci {
namespace {

Reply number(int64_t value)
{
    return Reply::ok(std::to_string(value));
}

Reply yesNo(bool value)
{
    return Reply::ok(value ? "true" : "false");
}

// Bits per sample stored in a PCM file, from the codec name (pcm_s24le: 24).
std::optional<int> pcmBits(const std::string& codec)
{
    if (codec.rfind("pcm_", 0) != 0)
        return std::nullopt;
    if (codec == "pcm_alaw" || codec == "pcm_mulaw")
        return 8;
    const size_t digits = codec.find_first_of("0123456789");
    if (digits == std::string::npos)
        return std::nullopt;
    return std::atoi(codec.c_str() + digits);
}

// Bits of a decoder's output sample format (s16, s32p, float, ...).
int formatBits(const std::string& format)
{
    if (format.rfind("u8", 0) == 0)
        return 8;
    if (format.rfind("s16", 0) == 0)
        return 16;
    if (format.rfind("s32", 0) == 0 || format.rfind("float", 0) == 0)
        return 32;
    if (format.rfind("s64", 0) == 0 || format.rfind("double", 0) == 0)
        return 64;
    return 16;
}

} // namespace

Reply MpvDevice::deviceStatus(std::string_view item)
{
    drainEvents();
    if (item == "mode")
        return Reply::ok(modeText());
    if (item == "position")
        return number(positionUnits());
    if (item == "length")
        return number(lengthUnits());
    if (item == "time format")
        return Reply::ok(clock().countingFrames() ? "frames" : "milliseconds");
    if (item == "volume") {
        // The output gain in thousandths, as set by setOutputGain.
        const double volume = mpv::getDouble(mpv_, "volume").value_or(100) / 100.0;
        return number(std::llround(volume * volume * volume * 1000.0));
    }
    return video_ ? videoStatus(item) : audioStatus(item);
}

Reply MpvDevice::videoStatus(std::string_view item)
{
    if (item == "frame rate" || item == "nominal frame rate")
        return number(std::llround(fps_ * 1000.0));
    return unknownItem(Query::Status, item);
}

Reply MpvDevice::audioStatus(std::string_view item)
{
    const int64_t rate = mpv::getInt(mpv_, "audio-params/samplerate")
                             .value_or(mpv::getInt(mpv_, "current-tracks/audio/demux-samplerate").value_or(0));
    const int64_t channels = mpv::getInt(mpv_, "audio-params/channel-count")
                                 .value_or(mpv::getInt(mpv_, "current-tracks/audio/demux-channel-count").value_or(0));
    if (item == "samplespersec")
        return number(rate);
    if (item == "channels")
        return number(channels);
    if (item == "bitspersample")
        return number(bitsPerSample());
    if (item == "bytespersec")
        return number(rate * channels * bitsPerSample() / 8);
    return unknownItem(Query::Status, item);
}

int MpvDevice::bitsPerSample()
{
    const std::string codec = mpv::getString(mpv_, "current-tracks/audio/codec").value_or("");
    if (const auto bits = pcmBits(codec))
        return *bits;
    return formatBits(mpv::getString(mpv_, "audio-params/format").value_or(""));
}

Reply MpvDevice::deviceCapability(std::string_view item)
{
    if (item == "has video" || item == "can stretch")
        return yesNo(video_);
    if (item == "has audio")
        return yesNo(mpv::getString(mpv_, "current-tracks/audio/codec").has_value());
    if (item == "can reverse" || item == "can freeze" || item == "can lock" || item == "can test")
        return yesNo(false);
    return unknownItem(Query::Capability, item);
}

} // namespace mci
