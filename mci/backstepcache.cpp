#include "backstepcache.h"

#include "avlibrary.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>

namespace mci {
namespace {

// An exact seek shows the first frame from this much before the time
// sought (mpv's tolerance for timestamps rounded by containers).
constexpr double kSeekTolerance = 0.005;
// Frames the visual rewind is planned ahead: three seconds of repeats.
constexpr int kRewindAhead = 30;
// How far before a key frame the demuxer is sent when its seek lands on a
// later one (files without an index), growing fourfold per try.
constexpr double kFirstBackOff = 1.0;

// mpv's choice for a picture that does not say how its colours are coded:
// high definition uses BT.709, standard definition BT.601.
int colorspaceOf(const AVFrame& frame)
{
    if (frame.colorspace != AVCOL_SPC_UNSPECIFIED && frame.colorspace != AVCOL_SPC_RGB)
        return frame.colorspace;
    return frame.width >= 1280 || frame.height > 576 ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
}

void freeScaler(SwsContext* scaler)
{
    av::ScalerFree()(scaler);
}

bool fullRange(const AVFrame& frame)
{
    const auto format = AVPixelFormat(frame.format);
    return frame.color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
           format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
}

// swscale reads and writes whole vectors: rows start aligned, and a little
// room is left after the last.
constexpr int kRowAlign = 64;
constexpr size_t kSlack = 64;

int alignedRow(int bytes)
{
    return (bytes + kRowAlign - 1) / kRowAlign * kRowAlign;
}

// A picture whose rows suit swscale.
QImage scalerImage(QSize size)
{
    const size_t stride = size_t(alignedRow(size.width() * 4));
    void* memory = std::aligned_alloc(kRowAlign, stride * size_t(size.height()) + kSlack);
    if (!memory)
        return {};
    return QImage(static_cast<uchar*>(memory), size.width(), size.height(), qsizetype(stride), QImage::Format_RGB32,
                  [](void* p) { std::free(p); }, memory);
}

} // namespace

// A frame as kept: 8-bit 4:2:0 planes, studio range.
struct BackStepCache::Frame {
    int width = 0, height = 0;
    int colorspace = AVCOL_SPC_BT709;
    std::unique_ptr<uint8_t[], decltype(&std::free)> data{nullptr, &std::free};

    int chromaHeight() const { return (height + 1) / 2; }
    int stride(int i) const { return alignedRow(i == 0 ? width : (width + 1) / 2); }
    size_t bytes() const { return size_t(stride(0)) * height + 2 * size_t(stride(1)) * chromaHeight() + kSlack; }
    bool allocate()
    {
        data.reset(static_cast<uint8_t*>(std::aligned_alloc(kRowAlign, (bytes() + kRowAlign - 1) / kRowAlign * kRowAlign)));
        return data != nullptr;
    }
    uint8_t* plane(int i) const
    {
        uint8_t* p = data.get();
        if (i > 0)
            p += size_t(stride(0)) * height;
        if (i > 1)
            p += size_t(stride(1)) * chromaHeight();
        return p;
    }
};

// The file, its video decoder, and the frames it gives in order from a
// key frame on.
class BackStepCache::Decoder {
public:
    Decoder(const Setup& setup, const std::atomic<bool>& stop)
        : setup_(setup), av_(*av::library()), stop_(stop)
    {
    }

    bool open()
    {
        // Reading gives up as soon as the cache is let go.
        AVFormatContext* opened = av_.avformat_alloc_context();
        if (!opened)
            return false;
        opened->interrupt_callback = {&Decoder::interrupted, this};
        if (av_.avformat_open_input(&opened, setup_.path.c_str(), nullptr, nullptr) < 0)
            return false;
        format_.reset(opened);
        if (setup_.stream < 0 || setup_.stream >= int(format_->nb_streams))
            return false;
        for (unsigned i = 0; i < format_->nb_streams; ++i)
            format_->streams[i]->discard = int(i) == setup_.stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        stream_ = format_->streams[setup_.stream];
        const AVCodec* codec = av_.avcodec_find_decoder(stream_->codecpar->codec_id);
        if (!codec)
            return false;
        codec_.reset(av_.avcodec_alloc_context3(codec));
        packet_.reset(av_.av_packet_alloc());
        frame_.reset(av_.av_frame_alloc());
        if (!codec_ || !packet_ || !frame_ || av_.avcodec_parameters_to_context(codec_.get(), stream_->codecpar) < 0)
            return false;
        codec_->thread_count = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
        // Some demuxers settle the time base only when reading (DV).
        readKey();
        codec_->pkt_timebase = stream_->time_base;
        return av_.avcodec_open2(codec_.get(), codec, nullptr) >= 0;
    }

    // Frame numbers and times on the container's clock.
    int64_t frameAt(double seconds) const { return std::llround((seconds - setup_.firstFrame) * setup_.fps); }
    double timeOf(int64_t n) const { return setup_.firstFrame + double(n) / setup_.fps; }
    double seconds(int64_t timestamp) const { return double(timestamp) * av_q2d(stream_->time_base); }

    // Starts decoding at a key frame at or before frame n; gives the key
    // frame's number, or nothing when no such key frame is found.
    std::optional<int64_t> startBefore(int64_t n)
    {
        for (double back = 0;; back = back == 0 ? kFirstBackOff : back * 4) {
            const double time = timeOf(n) - kSeekTolerance - back;
            // Before the first frame, the start of the file is the place;
            // demuxers that search by timestamp may not find it otherwise.
            const bool fromStart = time <= setup_.firstFrame;
            const auto target = int64_t(std::floor(time / av_q2d(stream_->time_base)));
            if (!fromStart && av_.av_seek_frame(format_.get(), setup_.stream, target, AVSEEK_FLAG_BACKWARD) >= 0) {
                // Without an index the demuxer may land after the last key
                // frame before n: then it tries again further back.
                if (const auto key = restart(); key && *key <= n)
                    return key;
                continue;
            }
            // Seeking to the start by timestamp, else by byte.
            const int64_t start = stream_->start_time != AV_NOPTS_VALUE
                                      ? stream_->start_time
                                      : int64_t(std::floor(setup_.firstFrame / av_q2d(stream_->time_base)));
            if (av_.av_seek_frame(format_.get(), setup_.stream, start, AVSEEK_FLAG_BACKWARD) >= 0) {
                if (const auto key = restart(); key && *key <= n)
                    return key;
            }
            if (av_.av_seek_frame(format_.get(), -1, 0, AVSEEK_FLAG_BYTE) >= 0) {
                if (const auto key = restart(); key && *key <= n)
                    return key;
            }
            return std::nullopt;
        }
    }

    // The next frame in showing order; null at the end. skip(n) tells
    // whether frame n's packet may be left undecoded (it is not wanted and
    // nothing refers to it).
    const AVFrame* next(const std::function<bool(int64_t)>& skip)
    {
        av_.av_frame_unref(frame_.get());
        for (;;) {
            const int received = av_.avcodec_receive_frame(codec_.get(), frame_.get());
            if (received >= 0)
                return frame_.get();
            if (received == AVERROR_EOF)
                return nullptr;
            if (!feed(skip))
                return nullptr;
        }
    }

    // The greatest number below n of a packet that may have been left
    // undecoded; forgets those below n.
    std::optional<int64_t> lastSkippedBefore(int64_t n)
    {
        std::optional<int64_t> last;
        while (!skipped_.empty() && *skipped_.begin() < n) {
            last = *skipped_.begin();
            skipped_.erase(skipped_.begin());
        }
        return last;
    }

    double frameTime(const AVFrame& frame) const
    {
        const int64_t timestamp = frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp : frame.pts;
        return timestamp == AV_NOPTS_VALUE ? NAN : seconds(timestamp);
    }

private:
    static int interrupted(void* self) { return static_cast<Decoder*>(self)->stop_.load(); }

    // After a seek: the decoder starts afresh at the next key packet.
    std::optional<int64_t> restart()
    {
        av_.avcodec_flush_buffers(codec_.get());
        av_.av_packet_unref(packet_.get()); // one kept for the decoder before the seek
        ended_ = false;
        pending_ = false;
        skipped_.clear();
        return readKey();
    }

    // Reads up to the first key packet and keeps it for decoding.
    std::optional<int64_t> readKey()
    {
        while (av_.av_read_frame(format_.get(), packet_.get()) >= 0) {
            if (packet_->stream_index == setup_.stream && (packet_->flags & AV_PKT_FLAG_KEY) &&
                packet_->pts != AV_NOPTS_VALUE) {
                pending_ = true;
                return frameAt(seconds(packet_->pts));
            }
            av_.av_packet_unref(packet_.get());
        }
        return std::nullopt;
    }

    // Hands the decoder one more packet (or the end); false when it has
    // nothing more to give.
    bool feed(const std::function<bool(int64_t)>& skip)
    {
        if (ended_)
            return false;
        if (!pending_) {
            for (;;) {
                if (av_.av_read_frame(format_.get(), packet_.get()) < 0) {
                    ended_ = true;
                    av_.avcodec_send_packet(codec_.get(), nullptr); // drain
                    return true;
                }
                if (packet_->stream_index == setup_.stream)
                    break;
                av_.av_packet_unref(packet_.get());
            }
        }
        pending_ = false;
        const int64_t n = packet_->pts != AV_NOPTS_VALUE ? frameAt(seconds(packet_->pts)) : -1;
        const bool unwanted = n >= 0 && skip(n);
        codec_->skip_frame = unwanted ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        if (unwanted)
            skipped_.insert(n);
        const int sent = av_.avcodec_send_packet(codec_.get(), packet_.get());
        if (sent == AVERROR(EAGAIN)) {
            pending_ = true; // the decoder is full: take a frame first
            return true;
        }
        av_.av_packet_unref(packet_.get());
        return true;
    }

    const Setup& setup_;
    const av::Library& av_;
    const std::atomic<bool>& stop_;
    std::unique_ptr<AVFormatContext, av::FormatCloser> format_;
    std::unique_ptr<AVCodecContext, av::CodecCloser> codec_;
    std::unique_ptr<AVPacket, av::PacketFree> packet_;
    std::unique_ptr<AVFrame, av::FrameFree> frame_;
    AVStream* stream_ = nullptr;
    bool pending_ = false; // packet_ holds a packet not yet given to the decoder
    bool ended_ = false;
    std::set<int64_t> skipped_; // numbers of packets the decoder was let skip
};

bool BackStepCache::available()
{
    return av::library() != nullptr;
}

BackStepCache::BackStepCache(Setup setup, std::function<void()> ready)
    : setup_(std::move(setup)), ready_(std::move(ready)), showScaler_(nullptr, freeScaler)
{
    // Kept at the size shown, before turning upright; as many as the budget
    // holds at that size.
    const bool quarterTurn = setup_.rotation == 90 || setup_.rotation == 270;
    storedSize_ = quarterTurn ? setup_.size.transposed() : setup_.size;
    Frame sized;
    sized.width = storedSize_.width();
    sized.height = storedSize_.height();
    framesWanted_ = int(std::clamp<int64_t>(int64_t(setup_.budget / std::max<size_t>(sized.bytes(), 1)), 2, setup_.maxFrames));
    thread_ = std::thread([this] { run(); });
}

BackStepCache::~BackStepCache()
{
    stop_ = true;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void BackStepCache::request(int64_t n, int64_t stride)
{
    {
        std::lock_guard lock(mutex_);
        target_ = std::clamp<int64_t>(n, 0, std::max<int64_t>(setup_.length - 1, 0));
        stride_ = std::max<int64_t>(stride, 1);
        ++requests_;
    }
    wake_.notify_all();
}

BackStepCache::State BackStepCache::state(int64_t n) const
{
    std::lock_guard lock(mutex_);
    if (frames_.count(n))
        return State::Ready;
    return unavailable_.count(n) ? State::Unavailable : State::Pending;
}

size_t BackStepCache::bytesHeld() const
{
    std::lock_guard lock(mutex_);
    return bytes_;
}

QImage BackStepCache::picture(int64_t n)
{
    std::shared_ptr<const Frame> frame;
    {
        std::lock_guard lock(mutex_);
        const auto found = frames_.find(n);
        if (found == frames_.end())
            return {};
        frame = found->second;
    }
    if (frame == shownFrame_)
        return shownPicture_;
    const av::Library& av = *av::library();
    QImage picture = scalerImage(storedSize_);
    if (picture.isNull())
        return {};
    showScaler_.reset(av.sws_getCachedContext(showScaler_.release(), frame->width, frame->height, AV_PIX_FMT_YUV420P,
                                              picture.width(), picture.height(), AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr,
                                              nullptr, nullptr));
    if (!showScaler_)
        return {};
    const int* coefficients = av.sws_getCoefficients(frame->colorspace);
    av.sws_setColorspaceDetails(showScaler_.get(), coefficients, 0, coefficients, 1, 0, 1 << 16, 1 << 16);
    const uint8_t* const source[] = {frame->plane(0), frame->plane(1), frame->plane(2)};
    const int sourceStrides[] = {frame->stride(0), frame->stride(1), frame->stride(2)};
    uint8_t* const target[] = {picture.bits()};
    const int targetStrides[] = {int(picture.bytesPerLine())};
    av.sws_scale(showScaler_.get(), source, sourceStrides, 0, frame->height, target, targetStrides);
    if (setup_.rotation != 0)
        picture = picture.transformed(QTransform().rotate(setup_.rotation));
    shownFrame_ = frame;
    shownPicture_ = picture;
    return picture;
}

bool BackStepCache::wantedLocked(int64_t n) const
{
    if (target_ < 0 || n > target_ || n < 0)
        return false;
    const int64_t steps = (target_ - n) / stride_;
    const int64_t ahead = stride_ == 1 ? framesWanted_ : std::min(framesWanted_, kRewindAhead);
    return (target_ - n) % stride_ == 0 && steps < ahead;
}

bool BackStepCache::passNeeded() const
{
    // The frame asked for, at once; the frames after it once one in the
    // nearer half of those planned is missing, so that a decode of a group
    // of pictures yields many and is done before the steps get there.
    if (target_ < 0)
        return false;
    const int64_t ahead = stride_ == 1 ? framesWanted_ : std::min(framesWanted_, kRewindAhead);
    for (int64_t k = 0; k < (ahead + 1) / 2; ++k) {
        const int64_t n = target_ - k * stride_;
        if (n < 0)
            break;
        if (!frames_.count(n) && !unavailable_.count(n))
            return true;
    }
    return false;
}

void BackStepCache::run()
{
    if (!available())
        return;
    Decoder decoder(setup_, stop_);
    const bool opened = decoder.open();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || passNeeded(); });
            if (quit_)
                return;
            if (!opened) {
                // Nothing can be decoded: every frame asked for is unavailable.
                for (int64_t n = target_; n >= 0 && wantedLocked(n); n -= stride_)
                    unavailable_.insert(n);
                lock.unlock();
                ready_();
                continue;
            }
        }
        decodePass(decoder);
    }
}

bool BackStepCache::keep(int64_t n, const std::shared_ptr<const Frame>& frame)
{
    // Room is made by dropping frames no longer wanted, farthest first.
    std::lock_guard lock(mutex_);
    if (!wantedLocked(n) || frames_.count(n))
        return false;
    while (frames_.size() >= size_t(framesWanted_) || bytes_ + frame->bytes() > setup_.budget) {
        auto farthest = frames_.end();
        for (auto it = frames_.begin(); it != frames_.end(); ++it) {
            if (!wantedLocked(it->first) &&
                (farthest == frames_.end() || std::abs(it->first - target_) > std::abs(farthest->first - target_)))
                farthest = it;
        }
        if (farthest == frames_.end())
            return false;
        const bool shared = std::any_of(frames_.begin(), frames_.end(), [&](const auto& entry) {
            return entry.first != farthest->first && entry.second == farthest->second;
        });
        if (!shared)
            bytes_ -= farthest->second->bytes();
        frames_.erase(farthest);
    }
    const bool shared = std::any_of(frames_.begin(), frames_.end(), [&](const auto& entry) { return entry.second == frame; });
    if (!shared)
        bytes_ += frame->bytes();
    frames_[n] = frame;
    return true;
}

std::shared_ptr<BackStepCache::Frame> BackStepCache::makeFrame(const AVFrame& decoded, SwsContext*& scaler) const
{
    const av::Library& av = *av::library();
    auto frame = std::make_shared<Frame>();
    frame->width = storedSize_.width();
    frame->height = storedSize_.height();
    if (int64_t(decoded.width) * decoded.height < int64_t(frame->width) * frame->height) {
        frame->width = decoded.width; // never more pixels than decoded
        frame->height = decoded.height;
    }
    frame->colorspace = colorspaceOf(decoded);
    if (!frame->allocate())
        return nullptr;
    scaler = av.sws_getCachedContext(scaler, decoded.width, decoded.height, AVPixelFormat(decoded.format),
                                     frame->width, frame->height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr,
                                     nullptr);
    if (!scaler)
        return nullptr;
    const int* coefficients = av.sws_getCoefficients(frame->colorspace);
    av.sws_setColorspaceDetails(scaler, coefficients, fullRange(decoded), coefficients, 0, 0, 1 << 16, 1 << 16);
    uint8_t* const planes[] = {frame->plane(0), frame->plane(1), frame->plane(2)};
    const int strides[] = {frame->stride(0), frame->stride(1), frame->stride(2)};
    av.sws_scale(scaler, decoded.data, decoded.linesize, 0, decoded.height, planes, strides);
    return frame;
}

void BackStepCache::decodePass(Decoder& decoder)
{
    // The latest frame wanted and missing: the pass decodes up to it.
    int64_t high = -1;
    uint64_t asked = 0;
    std::set<int64_t> wanted; // as the pass begins
    {
        std::lock_guard lock(mutex_);
        asked = requests_;
        for (int64_t n = target_; n >= 0 && wantedLocked(n); n -= stride_) {
            if (!frames_.count(n) && !unavailable_.count(n)) {
                high = std::max(high, n);
                wanted.insert(n);
            }
        }
    }
    if (high < 0)
        return;
    const std::optional<int64_t> key = decoder.startBefore(high);
    if (!key) {
        {
            std::lock_guard lock(mutex_);
            unavailable_.insert(high);
        }
        ready_();
        return;
    }
    // A packet is left undecoded (when nothing refers to it) only if
    // neither its frame nor the one before is wanted: the one before may
    // lie in a gap of a variable frame rate, and be shown as this frame.
    auto needed = [this](int64_t n) {
        std::lock_guard lock(mutex_);
        return wantedLocked(n) && !frames_.count(n);
    };
    auto unwanted = [&needed](int64_t n) { return !needed(n) && !needed(n - 1); };
    SwsContext* scaler = nullptr;
    double previous = NAN;
    int64_t reached = *key - 1;
    bool aborted = false;
    while (const AVFrame* decoded = decoder.next(unwanted)) {
        const double time = decoder.frameTime(*decoded);
        if (std::isnan(time) || decoder.frameAt(time) < *key)
            continue; // leading pictures of an open group: decoded with the group before
        // This frame is shown for every number whose time, less the
        // tolerance, lies after the frame before and not after this one;
        // not for those of a frame left undecoded in between.
        const int64_t last = int64_t(std::floor((time + kSeekTolerance - setup_.firstFrame) * setup_.fps + 1e-6));
        int64_t first = decoder.frameAt(time);
        if (!std::isnan(previous))
            first = int64_t(std::floor((previous + kSeekTolerance - setup_.firstFrame) * setup_.fps + 1e-6)) + 1;
        if (const auto skipped = decoder.lastSkippedBefore(decoder.frameAt(time)))
            first = std::max(first, *skipped + 1);
        previous = time;
        std::shared_ptr<Frame> frame;
        for (int64_t n = std::max(first, *key); n <= last; ++n) {
            if (!needed(n))
                continue;
            if (!frame && !(frame = makeFrame(*decoded, scaler)))
                break;
            keep(n, frame);
            ready_();
        }
        reached = std::max(reached, last);
        if (reached >= high)
            break;
        // A new ask outside what this pass decodes ends it.
        std::lock_guard lock(mutex_);
        if (quit_ || (requests_ != asked && !frames_.count(target_) && (target_ < *key || target_ > high))) {
            aborted = true;
            break;
        }
    }
    av::ScalerFree()(scaler);
    {
        std::lock_guard lock(mutex_);
        if (!aborted && requests_ == asked) {
            // What was wanted throughout and did not come (the file ended
            // or broke first, or no frame is shown at that number) will not
            // come from decoding again.
            for (int64_t n : wanted) {
                if (n >= *key && !frames_.count(n))
                    unavailable_.insert(n);
            }
        }
    }
    ready_();
}

} // namespace mci
