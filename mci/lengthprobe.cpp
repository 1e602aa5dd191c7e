#include "lengthprobe.h"

#include "avlibrary.h"
#include "mpvhandle.h"

#include <mpv/client.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace mci {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kDemuxTime = 5s;     // for reading the timestamps
constexpr double kDecodeSeconds = 15; // for decoding to the end instead
// Packets read at the start to be sure which frame is shown first: more
// than any reordering delay.
constexpr int kLeadPackets = 64;
// From the end, packets enough to hold the greatest timestamp whatever the
// reordering, when no key packet is met.
constexpr int kTailPackets = 32;
// A timestamp after the end of any file, in any time base.
constexpr int64_t kFarFuture = int64_t(1) << 50;

struct Interrupt {
    Clock::time_point deadline;
    const std::atomic<bool>* abort;

    static int check(void* self)
    {
        const auto* interrupt = static_cast<const Interrupt*>(self);
        return (interrupt->abort && *interrupt->abort) || Clock::now() >= interrupt->deadline;
    }
};

// The video stream mpv plays by default: the first one flagged default,
// else the first one; cover pictures only when there is nothing else.
int defaultVideoStream(const AVFormatContext* format)
{
    int first = -1, firstDefault = -1, cover = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) {
            if (cover < 0)
                cover = int(i);
            continue;
        }
        if (first < 0)
            first = int(i);
        if (firstDefault < 0 && (stream->disposition & AV_DISPOSITION_DEFAULT))
            firstDefault = int(i);
    }
    return firstDefault >= 0 ? firstDefault : first >= 0 ? first : cover;
}

// Reads the packets at the start: the first frame shown is the first key
// packet unless a packet before the next key packet is shown before it
// (an open group of pictures, whose leading frames may not decode) or is
// to be dropped (an edit list starting mid-group).
std::optional<int64_t> readFirstFrame(const av::Library& av, AVFormatContext* format, int stream, AVPacket* packet)
{
    std::optional<int64_t> key;
    for (int read = 0; read < kLeadPackets && av.av_read_frame(format, packet) >= 0;) {
        std::unique_ptr<AVPacket, decltype(av.av_packet_unref)> unref(packet, av.av_packet_unref);
        if (packet->stream_index != stream)
            continue;
        ++read;
        const int64_t time = packet->pts;
        const bool isKey = packet->flags & AV_PKT_FLAG_KEY;
        if (!key) {
            if (!isKey || time == AV_NOPTS_VALUE || (packet->flags & AV_PKT_FLAG_DISCARD))
                return std::nullopt;
            key = time;
            continue;
        }
        if (isKey)
            return key;
        if (time == AV_NOPTS_VALUE || time < *key || (packet->flags & AV_PKT_FLAG_DISCARD))
            return std::nullopt;
    }
    return key;
}

// MPEG-1 and MPEG-2 video hold back one anchor frame (I or P): it is
// shown after the B-frames decoded next, so the last anchor is the last
// frame. Program streams stamp only the first picture starting in each
// pack, and small pictures share packs, so the last pictures often have
// no time of their own; they are counted on from the last anchor that
// has. FFmpeg's times for the pictures between are no help: after a seek
// it gives the first pack's time to the tail of a picture begun before
// it, and counts on from there. So everything before the first key
// packet is left out, B-frames are known by a presentation time equal to
// their decoding time (which FFmpeg gives every B-frame), and an anchor
// with a presentation time has it from the stream.
class HeldAnchors {
public:
    explicit HeldAnchors(int64_t frameDuration)
        : frameDuration_(frameDuration)
    {
    }

    void add(const AVPacket& packet)
    {
        if (!synced_ && !(packet.flags & AV_PKT_FLAG_KEY))
            return;
        synced_ = true;
        const int64_t duration = packet.duration > 0 ? packet.duration : frameDuration_;
        const bool bFrame = packet.pts != AV_NOPTS_VALUE && packet.pts == packet.dts;
        if (bFrame) {
            // Shown before the anchor decoded last, which moves on by it
            // unless its own time is known. A B-frame shown after that
            // time says the time was the B-frame's: FFmpeg's muxer stamps
            // a pack by the first picture starting in it, and a pack that
            // begins between an I-frame's sequence header and its picture
            // gets the time of the B-frame after it.
            if (shown_ && counting_)
                *shown_ += duration;
            else if (shown_ && packet.pts >= *shown_)
                *shown_ = packet.pts + duration;
            return;
        }
        if (packet.pts != AV_NOPTS_VALUE) {
            shown_ = packet.pts;
            counting_ = false;
        } else if (shown_) {
            *shown_ += heldDuration_;
            counting_ = true;
        }
        heldDuration_ = duration;
    }

    // When the last anchor read is shown, once an anchor with a time of
    // its own has been read.
    std::optional<int64_t> lastShown() const { return shown_; }

private:
    int64_t frameDuration_;
    bool synced_ = false;
    bool counting_ = false;
    std::optional<int64_t> shown_;
    int64_t heldDuration_ = 0;
};

// The duration of a frame at the stream's rate, in its time base; 0 when
// the rate is unknown.
int64_t frameDuration(const AVStream* video)
{
    const AVRational rate = video->avg_frame_rate.num > 0 ? video->avg_frame_rate : video->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        return 0;
    return std::max<int64_t>(std::llround(av_q2d(av_inv_q(rate)) / av_q2d(video->time_base)), 1);
}

bool holdsAnchors(const AVStream* video)
{
    const AVCodecID codec = video->codecpar->codec_id;
    return (codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO) && frameDuration(video) > 0;
}

struct Tail {
    std::optional<int64_t> last;
    int packets = 0;
    int untimed = 0; // packets without a presentation time
    bool sawKey = false;
    bool damaged = false;
    bool countsAnchors = false;         // MPEG-1/2: untimed pictures are counted on
    std::optional<int64_t> lastAnchor; // when the last anchor frame is shown
};

// Reads from where the demuxer stands to the end of the file.
Tail readToEnd(const av::Library& av, AVFormatContext* format, int stream, AVPacket* packet)
{
    const AVStream* video = format->streams[stream];
    std::optional<HeldAnchors> anchors;
    if (holdsAnchors(video))
        anchors.emplace(frameDuration(video));
    Tail tail;
    tail.countsAnchors = anchors.has_value();
    for (;;) {
        const int result = av.av_read_frame(format, packet);
        if (result < 0) {
            tail.damaged = result != AVERROR_EOF;
            break;
        }
        std::unique_ptr<AVPacket, decltype(av.av_packet_unref)> unref(packet, av.av_packet_unref);
        if (packet->stream_index != stream)
            continue;
        if (packet->flags & AV_PKT_FLAG_CORRUPT) {
            tail.damaged = true;
            continue;
        }
        if (packet->flags & AV_PKT_FLAG_DISCARD)
            continue;
        ++tail.packets;
        tail.sawKey = tail.sawKey || (packet->flags & AV_PKT_FLAG_KEY);
        if (packet->pts == AV_NOPTS_VALUE)
            ++tail.untimed;
        else
            tail.last = std::max(tail.last.value_or(packet->pts), packet->pts);
        if (anchors)
            anchors->add(*packet);
    }
    if (anchors)
        tail.lastAnchor = anchors->lastShown();
    return tail;
}

// Pictures without a time at the end are counted on from an anchor with
// one: without it, more of the end is read.
bool enoughOfTheEnd(const Tail& tail)
{
    if (tail.untimed > 0 && !tail.lastAnchor && tail.countsAnchors)
        return false;
    return tail.packets > 0 && (tail.sawKey || tail.packets >= kTailPackets);
}

// The video packets from the start of the file to its end.
std::optional<int64_t> countPackets(const av::Library& av, AVFormatContext* format, int stream, AVPacket* packet)
{
    if (av.av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE) < 0)
        return std::nullopt;
    int64_t count = 0;
    for (;;) {
        const int result = av.av_read_frame(format, packet);
        if (result < 0)
            return result == AVERROR_EOF ? std::optional<int64_t>(count) : std::nullopt;
        count += packet->stream_index == stream && !(packet->flags & AV_PKT_FLAG_CORRUPT);
        av.av_packet_unref(packet);
    }
}

// Where the stream ends, in its time base, as the container tells it.
std::optional<int64_t> statedEnd(const AVFormatContext* format, const AVStream* stream)
{
    const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return start + stream->duration;
    if (format->duration == AV_NOPTS_VALUE || format->duration <= 0)
        return std::nullopt;
    const int64_t end = format->duration + (format->start_time != AV_NOPTS_VALUE ? format->start_time : 0);
    return int64_t(double(end) / AV_TIME_BASE / av_q2d(stream->time_base));
}

// Seeks to shortly before the end and reads on from there, going further
// back while that gives too little: by timestamp where the container says
// where it ends, else by byte position.
Tail readTheEnd(const av::Library& av, AVFormatContext* format, int stream, AVPacket* packet)
{
    const AVStream* video = format->streams[stream];
    if (const auto end = statedEnd(format, video)) {
        for (double back : {0.0, 4.0, 30.0, 300.0}) {
            const int64_t target = *end - int64_t(back / av_q2d(video->time_base));
            if (av.av_seek_frame(format, stream, target, AVSEEK_FLAG_BACKWARD) < 0)
                break;
            Tail tail = readToEnd(av, format, stream, packet);
            if (enoughOfTheEnd(tail))
                return tail;
        }
    } else if (av.av_seek_frame(format, stream, kFarFuture, AVSEEK_FLAG_BACKWARD) >= 0) {
        // No end stated: demuxers that seek by timestamp stop at their last
        // key frame (and keep their count of frames right, as DV's does).
        Tail tail = readToEnd(av, format, stream, packet);
        if (enoughOfTheEnd(tail))
            return tail;
    }
    const int64_t size = format->pb ? av.avio_size(format->pb) : -1;
    if (size <= 0 || (format->iformat->flags & AVFMT_NO_BYTE_SEEK))
        return {};
    for (int64_t back = 1 << 20;; back *= 8) {
        const int64_t position = std::max<int64_t>(size - back, 0);
        if (av.av_seek_frame(format, -1, position, AVSEEK_FLAG_BYTE) < 0)
            return {};
        Tail tail = readToEnd(av, format, stream, packet);
        if (enoughOfTheEnd(tail) || position == 0)
            return tail;
    }
}

} // namespace

VideoSpan demuxVideoSpan(const std::string& path, int stream, Clock::time_point deadline, const std::atomic<bool>* abort)
{
    VideoSpan span;
    const av::Library* av = av::library();
    if (!av)
        return span;
    Interrupt interrupt{deadline, abort};
    AVFormatContext* opened = av->avformat_alloc_context();
    if (!opened)
        return span;
    opened->interrupt_callback = {&Interrupt::check, &interrupt};
    // On failure avformat_open_input frees the context itself.
    if (av->avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0)
        return span;
    std::unique_ptr<AVFormatContext, av::FormatCloser> format(opened);
    if (stream < 0)
        stream = defaultVideoStream(format.get());
    if (stream < 0 && (format->ctx_flags & AVFMTCTX_NOHEADER)) {
        // Streams found only by reading packets (program and transport
        // streams): a short look is enough to know them.
        format->probesize = 2 << 20;
        format->max_analyze_duration = AV_TIME_BASE;
        if (av->avformat_find_stream_info(format.get(), nullptr) < 0)
            return span;
        stream = defaultVideoStream(format.get());
    }
    if (stream < 0 || stream >= int(format->nb_streams))
        return span;
    span.stream = stream;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = int(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    std::unique_ptr<AVPacket, av::PacketFree> packet(av->av_packet_alloc());
    if (!packet)
        return span;
    const std::optional<int64_t> first = readFirstFrame(*av, format.get(), stream, packet.get());
    const Tail tail = readTheEnd(*av, format.get(), stream, packet.get());
    // Some demuxers settle the time base only when reading (DV).
    const double timeBase = av_q2d(format->streams[stream]->time_base);
    if (first)
        span.firstFrame = double(*first) * timeBase;
    span.damagedTail = tail.damaged;
    if (tail.packets > 0 && tail.untimed == tail.packets)
        span.frames = countPackets(*av, format.get(), stream, packet.get());
    else if (tail.last && tail.untimed == 0)
        span.lastFrame = double(*tail.last) * timeBase;
    else if (tail.lastAnchor)
        span.lastFrame = double(std::max(*tail.lastAnchor, tail.last.value_or(*tail.lastAnchor))) * timeBase;
    if (Interrupt::check(&interrupt))
        return {};
    return span;
}

LengthProbe::LengthProbe(std::string path, int stream, std::function<void()> done)
    : done_(std::move(done))
{
    thread_ = std::thread([this, path = std::move(path), stream] { run(path, stream); });
}

LengthProbe::~LengthProbe()
{
    abort_ = true;
    {
        std::lock_guard lock(mutex_);
        if (handle_)
            mpv_wakeup(handle_);
    }
    thread_.join();
}

VideoSpan LengthProbe::span() const
{
    std::lock_guard lock(mutex_);
    return span_;
}

void LengthProbe::run(const std::string& path, int stream)
{
    VideoSpan span = demuxVideoSpan(path, stream, Clock::now() + kDemuxTime, &abort_);
    if (!span.lastFrame && !span.frames && !abort_)
        span.lastFrame = decodeLastFrame(path);
    {
        std::lock_guard lock(mutex_);
        span_ = span;
    }
    finished_ = true;
    if (done_)
        done_();
}

bool LengthProbe::waitFor(int eventId, double seconds)
{
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!abort_) {
        const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        const mpv_event* event = mpv_wait_event(handle_, left);
        if (event->event_id == eventId)
            return true;
        // With keep-open a damaged file may end without a restart: the
        // player then stands at the last frame it could show.
        if (event->event_id == MPV_EVENT_PROPERTY_CHANGE) {
            const auto* property = static_cast<const mpv_event_property*>(event->data);
            if (property->format == MPV_FORMAT_FLAG && *static_cast<int*>(property->data))
                return true;
        }
        if (event->event_id == MPV_EVENT_END_FILE || event->event_id == MPV_EVENT_SHUTDOWN)
            return false;
    }
    return false;
}

std::optional<double> LengthProbe::decodeLastFrame(const std::string& path)
{
    // Behind the player that shows the pictures: the threads mpv starts
    // from here inherit the lower priority.
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
    // Only video timestamps matter: no audio, no picture, cheapest decoding.
    mpv_handle* handle = mpv::create({{"vo", "null"},
                                      {"ao", "null"},
                                      {"aid", "no"},
                                      {"vd-lavc-skiploopfilter", "all"},
                                      {"vd-lavc-fast", "yes"},
                                      {"vd-lavc-threads", "1"}});
    {
        std::lock_guard lock(mutex_);
        handle_ = handle;
    }
    std::optional<double> last;
    if (handle)
        mpv_observe_property(handle, 0, "eof-reached", MPV_FORMAT_FLAG);
    if (handle && !abort_) {
        const char* load[] = {"loadfile", path.c_str(), nullptr};
        const auto start = Clock::now();
        auto left = [&] { return kDecodeSeconds - std::chrono::duration<double>(Clock::now() - start).count(); };
        if (mpv_command(handle, load) >= 0 && waitFor(MPV_EVENT_PLAYBACK_RESTART, left())) {
            // An exact seek past the end stops at the last frame.
            const double duration = mpv::getDouble(handle, "duration").value_or(0);
            char target[64];
            std::snprintf(target, sizeof target, "%.6f", duration + 3600);
            const char* seek[] = {"seek", target, "absolute+exact", nullptr};
            // Back on the container's clock.
            const double demuxerStart = mpv::getDouble(handle, "demuxer-start-time").value_or(0);
            if (mpv_command(handle, seek) >= 0 && waitFor(MPV_EVENT_PLAYBACK_RESTART, left())) {
                if (const auto time = mpv::getDouble(handle, "time-pos"))
                    last = *time + demuxerStart;
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        handle_ = nullptr;
    }
    mpv::destroy(handle);
    return last;
}

} // namespace mci
