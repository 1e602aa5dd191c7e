#include "mpvdevice.h"

#include "avlibrary.h"
#include "backstepcache.h"
#include "bmpfile.h"
#include "lengthprobe.h"
#include "medialog.h"
#include "mpvhandle.h"
#include "uprightvideo.h"

#include <mpv/client.h>

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace mci {
namespace {

using namespace std::chrono_literals;

// Bounds on every wait, so a damaged file or a stuck decoder never hangs
// the caller.
constexpr auto kOpenTimeout = 15s;
constexpr auto kSeekTimeout = 10s;
constexpr auto kRenderTimeout = 5s;
constexpr auto kLengthTimeout = 20s;
constexpr int64_t kMaxPictureSide = 16384;

// The reply that says mpv has settled after loading the file (see
// MPV_EVENT_FILE_LOADED).
constexpr uint64_t kSettledReply = 1;

// A picture is held in memory several times over (render surfaces, the
// window's copy, a capture); an 8K frame is the most one may take.
constexpr int64_t kMaxPicturePixels = 8192 * 4352;

Reply error(int code, std::string text)
{
    return Reply::error(code, std::move(text));
}

// The size pictures are drawn at when no destination is given: the natural
// size, made smaller where it would hold more than kMaxPicturePixels.
QSize renderedSize(QSize natural)
{
    const double pixels = double(natural.width()) * natural.height();
    if (pixels <= double(kMaxPicturePixels))
        return natural;
    const double scale = std::sqrt(double(kMaxPicturePixels) / pixels);
    return QSize(std::max(1, int(natural.width() * scale)), std::max(1, int(natural.height() * scale)));
}

std::string seconds(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

bool audioToNowhere()
{
    const char* audio = std::getenv("NORRAVA_AUDIO");
    return audio && std::strcmp(audio, "null") == 0;
}

// The frames the engine dropped, logged as a video device closes when
// norrava.media.stats is on (read by the playback benchmark).
void printDropCounts(mpv_handle* mpv)
{
    if (!mpv || !lcMediaStats().isDebugEnabled())
        return;
    qCDebug(lcMediaStats, "engine frames dropped by decoder %lld by output %lld",
            (long long)mpv::getInt(mpv, "decoder-frame-drop-count").value_or(-1),
            (long long)mpv::getInt(mpv, "frame-drop-count").value_or(-1));
}

std::string decoderThreads()
{
    return std::to_string(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

// One decoding thread is plenty for pictures up to full HD at up to 30 per
// second (a 1080p H.264 frame decodes in about 4 ms, HEVC 10-bit in 7); more
// are worth their memory only above that (each holds frames of its own).
bool oneThreadDecodes(int64_t width, int64_t height, double fps)
{
    return width > 0 && height > 0 && width * height <= 1920 * 1088 && fps > 0 && fps <= 31;
}

// The quarter turn, clockwise in degrees, that the upright filter gives a
// picture recorded with that rotation (see uprightvideo.h).
int uprightTurn(int degrees)
{
    return (((degrees % 360) + 360 + 45) / 90) % 4 * 90;
}

// Whether FFmpeg has a decoder for the codec mpv names; yes when FFmpeg's
// libraries cannot be asked.
bool canDecodeVideo(const std::string& codec)
{
    const av::Library* av = av::library();
    if (!av || codec.empty())
        return true;
    const AVCodecDescriptor* descriptor = av->avcodec_descriptor_get_by_name(codec.c_str());
    return !descriptor || av->avcodec_find_decoder(descriptor->id) != nullptr;
}

} // namespace

std::unique_ptr<Device> openMpvDevice(std::string_view type, const std::string& path, Reply* failure)
{
    return MpvDevice::open(type, path, failure);
}

std::unique_ptr<MpvDevice> MpvDevice::open(std::string_view type, const std::string& path, Reply* failure)
{
    std::unique_ptr<MpvDevice> device = startOpening(type, path, failure);
    if (!device)
        return nullptr;
    if (const Reply opened = device->awaitOpened(); opened.failed()) {
        if (failure)
            *failure = opened;
        return nullptr;
    }
    return device;
}

std::unique_ptr<MpvDevice> MpvDevice::startOpening(std::string_view type, const std::string& path, Reply* failure)
{
    auto fail = [failure](int code, std::string text) -> std::unique_ptr<MpvDevice> {
        if (failure)
            *failure = Reply::error(code, std::move(text));
        return nullptr;
    };
    std::error_code ec;
    const std::filesystem::path file(path);
    const auto status = std::filesystem::status(file, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return fail(ErrFileNotFound, "The file '" + path + "' cannot be read: " + ec.message() + ".");
    if (path.empty() || !std::filesystem::exists(status))
        return fail(ErrFileNotFound, "The file '" + path + "' does not exist.");
    if (!std::filesystem::is_regular_file(status))
        return fail(ErrInvalidFile, "'" + path + "' is not a media file.");
    if (!QFile(QFile::decodeName(QByteArray::fromStdString(path))).open(QIODevice::ReadOnly))
        return fail(ErrFileNotFound, "The file '" + path + "' cannot be read.");

    std::unique_ptr<MpvDevice> device(new MpvDevice(type == "digitalvideo"));
    // An absolute path keeps mpv from reading the name as a URL or option.
    const Reply started = device->startLoading(std::filesystem::absolute(file, ec).string());
    if (started.failed())
        return fail(started.code, started.text);
    return device;
}

MpvDevice::MpvDevice(bool video)
    : video_(video), openedAsVideo_(video)
{
    addEventSource(this);
}

MpvDevice::~MpvDevice()
{
    removeEventSource(this);
    if (video_)
        printDropCounts(mpv_);
    cache_.reset(); // their threads call signal()
    probe_.reset();
    renderer_.reset(); // the render context goes before its player
    if (mpv_)
        mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    mpv::destroy(mpv_);
}

Reply MpvDevice::startLoading(const std::string& path)
{
    mpv_ = mpv::create({{"vo", video_ ? "libmpv" : "null"},
                        {"vid", video_ ? "auto" : "no"},
                        {"ao", audioToNowhere() ? "null" : "pulse,"},
                        {"audio-fallback-to-null", "yes"},
                        {"audio-client-name", "norrava"},
                        {"keepaspect", "no"},
                        {"video-rotate", "no"}, // see uprightvideo.h
                        {"video-timing-offset", "0"},
                        // Frames become RGB on the CPU: swscale's fast paths
                        // convert a 1080p frame for a fraction of what zimg's
                        // exact ones cost (0.39 CPU s per s of 1080p30
                        // playback with zimg, 0.25 with these).
                        {"sws-allow-zimg", "no"},
                        {"sws-fast", "yes"},
                        // A decoding thread per core, not mpv's one more:
                        // each holds its own frames (9 MB at 1080p).
                        {"vd-lavc-threads", decoderThreads().c_str()}});
    if (!mpv_)
        return error(ErrHardware, "The media engine (libmpv) could not be started.");
    // No event per frame: frames are announced by the renderer.
    mpv_request_event(mpv_, MPV_EVENT_TICK, 0);
    mpv_set_wakeup_callback(mpv_, onWakeup, this);
    mpv_observe_property(mpv_, 0, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv_, 0, "pause", MPV_FORMAT_FLAG);
    if (video_) {
        mpv_hook_add(mpv_, 0, "on_preloaded", 0);
        renderer_ = std::make_unique<FrameRenderer>(mpv_, [this] {
            signal();
            wakeEventPump();
        });
        if (!renderer_->isValid())
            return error(ErrHardware, "The video renderer of the media engine could not be started.");
    }
    path_ = path;
    if (video_) {
        // The length is read from the file beside mpv's own opening.
        probe_ = std::make_unique<LengthProbe>(path, -1, [this] { signal(); });
    }
    const char* command[] = {"loadfile", path.c_str(), nullptr};
    if (mpv_command(mpv_, command) < 0)
        return error(ErrInvalidFile, "The file '" + path + "' cannot be played.");
    openDeadline_ = Clock::now() + kOpenTimeout;
    wakeAtOpenDeadline();
    return Reply::ok();
}

void MpvDevice::wakeAtOpenDeadline()
{
    // Nothing else may happen in a file mpv is stuck on: a caller that does
    // not wait still hears of the timeout.
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QTimer::singleShot(kOpenTimeout + 100ms, Qt::PreciseTimer, app, [] { wakeEventPump(); });
}

std::optional<Reply> MpvDevice::openingResult()
{
    if (opened_)
        return opened_;
    const std::optional<Reply> loaded = loadProgress();
    if (!loaded)
        return std::nullopt;
    if (loaded->failed())
        opened_ = error(loaded->code, "The file '" + path_ + "' cannot be played: " + loaded->text);
    else
        opened_ = readLoadedFile();
    return opened_;
}

Reply MpvDevice::awaitOpened()
{
    for (;;) {
        if (const std::optional<Reply> result = openingResult())
            return *result;
        waitSignal(openDeadline_);
    }
}

std::optional<Reply> MpvDevice::loadProgress()
{
    // Pictures are waited for only as far as the file's tracks: the first
    // frame reaches the window when it is decoded. Sound is waited for until
    // it plays, so a file whose sound cannot be decoded is refused.
    drainEvents();
    if (endError_)
        return error(ErrInvalidFile, *endError_ + ".");
    if (settledAfterLoad_ && !tracksChecked_) {
        tracksChecked_ = true;
        const Reply tracks = checkTracks();
        if (tracks.failed())
            return tracks;
    }
    if (tracksChecked_ && (video_ || restarted_)) {
        if (!video_ && !mpv::getString(mpv_, "current-tracks/audio/codec"))
            return error(ErrInvalidFile, openedAsVideo_ ? "neither its pictures nor its sound could be played."
                                                        : "its sound could not be decoded.");
        return Reply::ok();
    }
    if (tracksChecked_ && eofReached_)
        return error(ErrInvalidFile, "nothing in it could be decoded.");
    if (Clock::now() >= openDeadline_)
        return error(ErrInvalidFile, "it did not start playing in time; it may be damaged.");
    return std::nullopt;
}

Reply MpvDevice::readLoadedFile()
{
    duration_ = mpv::getDouble(mpv_, "duration").value_or(0);
    if (!video_) {
        probe_.reset();
        return Reply::ok();
    }
    fps_ = FrameClock::usableRate(mpv::getDouble(mpv_, "container-fps").value_or(0));
    demuxerStart_ = mpv::getDouble(mpv_, "demuxer-start-time").value_or(0);
    videoStream_ = int(mpv::getInt(mpv_, "current-tracks/video/ff-index").value_or(-1));
    if (natural_.isEmpty())
        estimateNaturalSize();
    startSeeksEarlyWithoutIndex();
    return Reply::ok();
}

Reply MpvDevice::checkTracks()
{
    int videos = 0, audios = 0;
    const int64_t count = mpv::getInt(mpv_, "track-list/count").value_or(0);
    for (int64_t i = 0; i < count; ++i) {
        const std::string prefix = "track-list/" + std::to_string(i) + "/";
        const std::string kind = mpv::getString(mpv_, (prefix + "type").c_str()).value_or("");
        const bool cover = mpv::getFlag(mpv_, (prefix + "albumart").c_str()).value_or(false);
        videos += kind == "video" && !cover;
        audios += kind == "audio";
    }
    if (videos + audios == 0)
        return error(ErrInvalidFile, "it holds neither sound nor pictures.");
    if (!video_ && audios == 0)
        return error(ErrInvalidFile, "it holds no sound for the waveaudio device.");
    const std::string codec = mpv::getString(mpv_, "current-tracks/video/codec").value_or("");
    if (video_ && (videos == 0 || !canDecodeVideo(codec))) {
        // Sound only, or pictures nothing here decodes: served as waveaudio.
        if (audios == 0)
            return error(ErrInvalidFile, "its pictures (" + codec + ") cannot be decoded, and it holds no sound.");
        video_ = false;
        renderer_.reset();
        mpv_set_property_string(mpv_, "vid", "no");
    }
    return Reply::ok();
}

// ---- events ----

void MpvDevice::onWakeup(void* self)
{
    static_cast<MpvDevice*>(self)->signal();
    wakeEventPump();
}

void MpvDevice::signal()
{
    {
        std::lock_guard lock(signalMutex_);
        signaled_ = true;
    }
    signalCondition_.notify_all();
}

void MpvDevice::waitSignal(Clock::time_point deadline)
{
    std::unique_lock lock(signalMutex_);
    signalCondition_.wait_until(lock, deadline, [this] { return signaled_; });
    signaled_ = false;
}

void MpvDevice::drainEvents()
{
    for (;;) {
        const mpv_event* event = mpv_wait_event(mpv_, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
    updateSeek();
}

void MpvDevice::handleEvent(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_FILE_LOADED:
        fileLoaded_ = true;
        // mpv sets up the decoders next; a property read meanwhile would
        // wait for that. The reply to this one says mpv is free again.
        mpv_get_property_async(mpv_, kSettledReply, "track-list/count", MPV_FORMAT_INT64);
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        settledAfterLoad_ |= event.reply_userdata == kSettledReply;
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (end->reason == MPV_END_FILE_REASON_ERROR)
            endError_ = mpv_error_string(end->error);
        else if (end->reason == MPV_END_FILE_REASON_REDIRECT)
            endError_ = "it is a playlist, not a media file";
        else if (!fileLoaded_)
            endError_ = "it could not be loaded";
        break;
    }
    case MPV_EVENT_SHUTDOWN:
        endError_ = "the media engine stopped";
        break;
    case MPV_EVENT_HOOK:
        rotation_ = chooseUprightVideo(mpv_);
        chooseDecoderThreads();
        mpv_hook_continue(mpv_, static_cast<const mpv_event_hook*>(event.data)->id);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (!restarted_ && video_)
            firstFrameShown();
        restarted_ = true;
        if (seek_.takeRestart()) {
            seek_.setRenderMark(renderer_ ? renderer_->requestFreshPicture() : 0);
            if (state_ != State::Playing)
                stillMark_ = seek_.renderMark();
        }
        break;
    case MPV_EVENT_COMMAND_REPLY:
        seek_.acknowledge(event.reply_userdata, event.error);
        break;
    case MPV_EVENT_VIDEO_RECONFIG:
        readNaturalSize();
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<const mpv_event_property*>(event.data);
        if (std::strcmp(property->name, "eof-reached") == 0 && property->format == MPV_FORMAT_FLAG)
            eofReached_ = *static_cast<int*>(property->data) != 0;
        break;
    }
    default:
        break;
    }
}

void MpvDevice::chooseDecoderThreads()
{
    // Before the decoder exists (mpv's on_preloaded hook): the track to be
    // shown is the one the upright filter was chosen for.
    const int64_t id = mpv::getInt(mpv_, "vid").value_or(-1);
    const int64_t count = mpv::getInt(mpv_, "track-list/count").value_or(0);
    for (int64_t i = 0; i < count; ++i) {
        const std::string prefix = "track-list/" + std::to_string(i) + "/";
        if (mpv::getString(mpv_, (prefix + "type").c_str()).value_or("") != "video" ||
            mpv::getInt(mpv_, (prefix + "id").c_str()).value_or(-2) != id)
            continue;
        if (oneThreadDecodes(mpv::getInt(mpv_, (prefix + "demux-w").c_str()).value_or(0),
                             mpv::getInt(mpv_, (prefix + "demux-h").c_str()).value_or(0),
                             mpv::getDouble(mpv_, (prefix + "demux-fps").c_str()).value_or(0)))
            mpv_set_property_string(mpv_, "vd-lavc-threads", "1");
        return;
    }
}

void MpvDevice::firstFrameShown()
{
    // Its size after the filters, and a picture drawn of it (mpv may show a
    // frame without it passing through a render).
    readNaturalSize();
    if (renderer_ && !stillMark_)
        stillMark_ = renderer_->requestFreshPicture();
    // mpv's clock at its first frame is what frame 0 means; the probe may
    // have told it already, and when the two disagree mpv is right.
    const auto time = mpv::getDouble(mpv_, "time-pos");
    if (!time)
        return;
    if (!videoStart_ || std::abs(*videoStart_ - *time) > clock().frameSeconds() / 2) {
        videoStart_ = *time;
        lengthFrames_.reset();
    }
}

void MpvDevice::estimateNaturalSize()
{
    // Before the first frame: the size the container gives, with the pixel
    // aspect applied as mpv applies it, turned upright.
    int64_t width = mpv::getInt(mpv_, "current-tracks/video/demux-w").value_or(0);
    int64_t height = mpv::getInt(mpv_, "current-tracks/video/demux-h").value_or(0);
    const double aspect = mpv::getDouble(mpv_, "current-tracks/video/demux-par").value_or(1);
    if (width <= 0 || height <= 0)
        return;
    if (aspect > 1)
        width = int64_t(double(width) * aspect);
    else if (aspect > 0 && aspect < 1)
        height = int64_t(double(height) / aspect);
    if (uprightTurn(rotation_) % 180 == 90)
        std::swap(width, height);
    natural_ = QSize(int(std::clamp<int64_t>(width, 1, kMaxPictureSide)), int(std::clamp<int64_t>(height, 1, kMaxPictureSide)));
    if (renderer_ && !destination_)
        renderer_->setSize(renderedSize(natural_));
}

void MpvDevice::readNaturalSize()
{
    // The size as displayed: after the filters (a rotated picture is turned
    // upright, see uprightvideo.h), with the pixel aspect applied.
    const int64_t width = mpv::getInt(mpv_, "video-out-params/dw").value_or(0);
    const int64_t height = mpv::getInt(mpv_, "video-out-params/dh").value_or(0);
    if (width <= 0 || height <= 0)
        return;
    natural_ = QSize(int(std::min(width, kMaxPictureSide)), int(std::min(height, kMaxPictureSide)));
    if (renderer_ && !destination_)
        renderer_->setSize(renderedSize(natural_));
}

void MpvDevice::updateSeek()
{
    if (!seek_.awaitingFrame())
        return;
    if (video_ && state_ != State::Playing && overshot()) {
        // Where files have no index (program streams, bare video streams)
        // the demuxer can land after the frame asked for; seek again,
        // starting the decoding further back.
        setDemuxerOffset(seek_.widerDemuxerOffset());
        issueSeek();
        return;
    }
    if (renderer_ && !renderer_->settledSince(seek_.renderMark()))
        return;
    seek_.finish();
}

void MpvDevice::pumpEvents()
{
    drainEvents();
    deliverFrame();
}

void MpvDevice::deliverFrame()
{
    if (!renderer_ || !boundTarget_)
        return;
    if (const auto kept = seek_.kept()) {
        // The kept frame, once it is there; mpv's pictures are not what is
        // shown meanwhile.
        const BackStepCache::State state = cache_->state(*kept);
        if (state == BackStepCache::State::Unavailable)
            leaveCache();
        if (state != BackStepCache::State::Ready || seek_.keptDelivered())
            return;
        const QImage picture = cache_->picture(*kept);
        seek_.markKeptDelivered();
        if (RenderTarget* target = findTarget(boundTarget_); target && !picture.isNull())
            target->presentFrame(picture);
        return;
    }
    const FrameRenderer::Picture picture = renderer_->latest();
    if (picture.image.isNull() || picture.serial == deliveredSerial_)
        return;
    deliveredSerial_ = picture.serial;
    if (RenderTarget* target = findTarget(boundTarget_))
        target->presentFrame(picture.image);
}

// ---- units ----

double MpvDevice::unitTime(int64_t units)
{
    if (!video_)
        return clock().secondsOf(units);
    return videoStart() + clock().secondsOf(units);
}

int64_t MpvDevice::timeUnits(double seconds)
{
    if (!video_)
        return clock().unitsWithin(seconds, lengthUnits());
    const double start = videoStart();
    return clock().unitsWithin(seconds - start, clock().lastUnits(lengthFrames()));
}

VideoSpan MpvDevice::probedSpan()
{
    // The probe guessed which stream mpv plays; asked again when it did not.
    const auto deadline = Clock::now() + kLengthTimeout;
    for (;;) {
        while (probe_ && !probe_->finished() && Clock::now() < deadline)
            waitSignal(deadline);
        if (!probe_ || !probe_->finished())
            return {};
        const VideoSpan span = probe_->span();
        if (span.stream == videoStream_ || videoStream_ < 0 || probeRetried_)
            return span;
        probeRetried_ = true;
        probe_ = std::make_unique<LengthProbe>(path_, videoStream_, [this] { signal(); });
    }
}

void MpvDevice::awaitFirstFrame()
{
    // Events first: a wakeup may have been taken by another wait. A file
    // that ends before any frame could be shown has none to wait for.
    const auto deadline = Clock::now() + kOpenTimeout;
    for (drainEvents(); !restarted_ && !endError_ && !eofReached_ && Clock::now() < deadline; drainEvents())
        waitSignal(deadline);
}

double MpvDevice::videoStart()
{
    if (videoStart_)
        return *videoStart_;
    // The first frame, from its packets where they leave no doubt, else as
    // mpv shows it.
    const VideoSpan span = probedSpan();
    if (span.firstFrame && !videoStart_) {
        videoStart_ = *span.firstFrame - demuxerStart_;
        return *videoStart_;
    }
    awaitFirstFrame();
    return videoStart_.value_or(0);
}

int64_t MpvDevice::lengthFrames()
{
    if (lengthFrames_)
        return *lengthFrames_;
    const VideoSpan span = probedSpan();
    const double start = videoStart();
    if (span.frames)
        lengthFrames_ = std::max<int64_t>(*span.frames, 1);
    else if (span.lastFrame && *span.lastFrame - demuxerStart_ >= start)
        lengthFrames_ = clock().framesThrough(*span.lastFrame - demuxerStart_ - start);
    else
        lengthFrames_ = clock().framesWithin(duration_ - start);
    return *lengthFrames_;
}

int64_t MpvDevice::lengthUnits()
{
    if (!video_)
        return std::max<int64_t>(clock().unitsIn(duration_), 0);
    return clock().lengthUnits(lengthFrames());
}

int64_t MpvDevice::positionUnits()
{
    if (const auto position = seek_.position(clock()))
        return *position;
    const auto time = mpv::getDouble(mpv_, "time-pos");
    return time ? timeUnits(*time) : 0;
}

std::string MpvDevice::modeText()
{
    // A seek of its own shows as seeking; one that starts playing or is
    // overtaken by a pause shows as what was asked for.
    if (seek_.pending() && seek_.asked() && state_ == State::Stopped)
        return "seeking";
    if (seek_.kept() && state_ == State::Stopped && cache_->state(*seek_.kept()) == BackStepCache::State::Pending)
        return "seeking";
    if (state_ == State::Playing && !seek_.pending() && (mpv::getFlag(mpv_, "pause").value_or(true) || eofReached_))
        state_ = State::Stopped;
    switch (state_) {
    case State::Playing:
        return "playing";
    case State::Paused:
        return "paused";
    case State::Stopped:
        break;
    }
    return "stopped";
}

// ---- transport ----

std::string MpvDevice::type() const
{
    return video_ ? "digitalvideo" : "waveaudio";
}

int64_t MpvDevice::frameOfUnits(int64_t units)
{
    // The frame shown at that time (milliseconds fall between frames); the
    // end of a video is its last frame. The length is read only when it
    // can matter.
    if (units <= 0)
        return 0;
    return clock().frameOfUnits(units, lengthFrames());
}

Reply MpvDevice::seekTo(int64_t units)
{
    int yes = 1;
    if (video_ && untouched_ && frameOfUnits(units) == 0) {
        // Nothing played or sought since the opening: the first frame,
        // shown or to come, is the one asked for.
        mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &yes);
        setEnd(std::nullopt);
        state_ = State::Stopped;
        seek_.standAt(0);
        return Reply::ok();
    }
    // A seek during the opening would be taken for it: the first frame is
    // waited for (mpv then reports each seek's own restart).
    awaitFirstFrame();
    double time = unitTime(units);
    if (video_)
        time = videoStart() + clock().frameStart(frameOfUnits(units));
    mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &yes);
    // A 'to' belongs to its play: mpv would not go past it.
    setEnd(std::nullopt);
    state_ = State::Stopped;
    seek_.begin(units, time);
    untouched_ = false;
    if (!issueSeek())
        return error(ErrHardware, "The media engine refused to seek.");
    return Reply::ok();
}

void MpvDevice::setEnd(std::optional<double> time)
{
    if (time == end_)
        return;
    end_ = time;
    mpv_set_property_string(mpv_, "end", time ? seconds(*time).c_str() : "none");
}

bool MpvDevice::issueSeek()
{
    const std::string target = seconds(seek_.time());
    const char* command[] = {"seek", target.c_str(), "absolute+exact", nullptr};
    if (mpv_command_async(mpv_, seek_.issue(), command) < 0) {
        seek_.finish();
        return false;
    }
    return true;
}

void MpvDevice::setDemuxerOffset(double seconds)
{
    seek_.setDemuxerOffset(seconds);
    mpv_set_property(mpv_, "hr-seek-demuxer-offset", MPV_FORMAT_DOUBLE, &seconds);
}

void MpvDevice::startSeeksEarlyWithoutIndex()
{
    // Streams without an index (transport and program streams, bare video)
    // are searched by timestamp, which can land past the key frame of the
    // picture asked for. mpv then decodes from the next key frame, and when
    // there is none before the end it shows nothing new at all, so the seek
    // cannot be seen to have overshot: the old picture stays. The search
    // starts a second early instead.
    static const char* const unindexed[] = {"mpegts", "mpeg", "mpegvideo", "h264", "hevc", "m4v", "cavsvideo"};
    const std::string format = mpv::getString(mpv_, "file-format").value_or("");
    if (std::find(std::begin(unindexed), std::end(unindexed), format) == std::end(unindexed))
        return;
    setDemuxerOffset(1.0);
}

bool MpvDevice::overshot()
{
    if (!seek_.mayRetry())
        return false;
    const auto shown = mpv::getDouble(mpv_, "time-pos");
    return shown && *shown > seek_.time() + clock().frameSeconds() / 2;
}

bool MpvDevice::waitSeek(Clock::time_point deadline)
{
    for (;;) {
        drainEvents();
        if (!seek_.pending())
            return true;
        if (endError_ || Clock::now() >= deadline)
            return false;
        waitSignal(deadline);
    }
}

Reply MpvDevice::seek(SeekTarget target, int64_t position, bool wait)
{
    drainEvents();
    int64_t units = 0;
    switch (target) {
    case SeekTarget::Start:
        units = 0;
        break;
    case SeekTarget::End:
        units = lengthUnits();
        break;
    case SeekTarget::Position:
        if (position < 0 || position > lengthUnits())
            return error(ErrOutOfRange, "The position " + std::to_string(position) + " lies outside the medium (0 to " +
                                            std::to_string(lengthUnits()) + ").");
        units = position;
        break;
    }
    if (video_ && showFromCache(units)) {
        seek_.markAsked();
        if (wait && !awaitCachedFrame(Clock::now() + kSeekTimeout) && seek_.kept())
            return error(ErrDeviceNotReady, "The seek did not finish in time.");
        if (seek_.kept() || !wait)
            return Reply::ok();
    } else {
        const Reply sought = seekTo(units);
        seek_.markAsked();
        if (sought.failed() || !wait)
            return sought;
    }
    if (!waitSeek(Clock::now() + kSeekTimeout))
        return error(ErrDeviceNotReady, "The seek did not finish in time.");
    return Reply::ok();
}

// ---- frames kept for stepping back ----

bool MpvDevice::cacheEligible()
{
    // Only where every frame's timestamp can be read without mpv: the
    // frames must be numbered as mpv numbers them.
    if (!cacheEligible_) {
        const VideoSpan span = probedSpan();
        cacheEligible_ = BackStepCache::available() && videoStream_ >= 0 && span.stream == videoStream_ &&
                         span.lastFrame.has_value() && !span.frames;
    }
    return *cacheEligible_ && renderer_ && !renderer_->size().isEmpty();
}

std::optional<int64_t> MpvDevice::shownFrame()
{
    if (seek_.kept())
        return seek_.kept();
    if (seek_.pending())
        return frameOfUnits(seek_.units());
    if (!restarted_)
        return 0;
    const auto time = mpv::getDouble(mpv_, "time-pos");
    if (!time)
        return std::nullopt;
    return clock().nearestFrame(*time - videoStart());
}

bool MpvDevice::showFromCache(int64_t units)
{
    // Steps and scans backwards, and frames already kept, come from the
    // frames kept for stepping back; mpv stays where it is until it has to
    // play or draw at another size.
    constexpr int64_t kBackStepReach = 250; // farther is a jump, for mpv
    if (!cacheEligible())
        return false;
    const int64_t frame = frameOfUnits(units);
    const std::optional<int64_t> from = shownFrame();
    const bool kept = cache_ && cache_->size() == renderer_->size() && cache_->state(frame) == BackStepCache::State::Ready;
    const bool backward = from && frame < *from && *from - frame <= kBackStepReach;
    if (!kept && !backward)
        return false;
    if (!cache_ || cache_->size() != renderer_->size()) {
        BackStepCache::Setup setup;
        setup.path = path_;
        setup.stream = videoStream_;
        setup.firstFrame = videoStart() + demuxerStart_;
        setup.fps = fps_;
        setup.length = lengthFrames();
        setup.size = renderer_->size();
        setup.rotation = uprightTurn(rotation_);
        cache_ = std::make_unique<BackStepCache>(setup, [this] {
            signal();
            wakeEventPump();
        });
    }
    cache_->request(frame, backward ? *from - frame : 1);
    int yes = 1;
    mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &yes);
    setEnd(std::nullopt);
    state_ = State::Stopped;
    untouched_ = false;
    seek_.showKept(frame, units);
    wakeEventPump();
    return true;
}

size_t MpvDevice::keptFrameBytes() const
{
    return cache_ ? cache_->bytesHeld() : 0;
}

bool MpvDevice::awaitCachedFrame(Clock::time_point deadline)
{
    // Waits until the kept frame is there, or is known not to come; then
    // mpv is asked for it instead.
    for (;;) {
        if (!seek_.kept())
            return true;
        const BackStepCache::State state = cache_->state(*seek_.kept());
        if (state == BackStepCache::State::Ready)
            return true;
        if (state == BackStepCache::State::Unavailable) {
            leaveCache();
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        waitSignal(deadline);
    }
}

void MpvDevice::leaveCache()
{
    if (!seek_.kept())
        return;
    seek_.leaveKept();
    seekTo(seek_.units());
}

Reply MpvDevice::play(std::optional<int64_t> from, std::optional<int64_t> to, bool wait)
{
    drainEvents();
    // Playing forwards needs mpv at the frame shown; the frames kept for
    // stepping back are let go.
    leaveCache();
    cache_.reset();
    const int64_t length = lengthUnits();
    if (from && (*from < 0 || *from > length))
        return error(ErrOutOfRange, "The position " + std::to_string(*from) + " lies outside the medium (0 to " +
                                        std::to_string(length) + ").");
    const int64_t start = from ? *from : positionUnits();
    if (to && (*to < start || *to > length))
        return error(ErrOutOfRange, "The end position " + std::to_string(*to) + " must lie between " +
                                        std::to_string(start) + " and " + std::to_string(length) + ".");
    if (from || eofReached_) {
        // After the end mpv plays again only from a seek.
        const Reply sought = seekTo(start);
        if (sought.failed())
            return sought;
    }
    // Stop once the 'to' frame is shown; a quarter frame later leaves room
    // for timestamps rounded by the container.
    const double margin = video_ ? clock().frameSeconds() / 4 : 0;
    setEnd(to ? std::optional<double>(unitTime(*to) + margin) : std::nullopt);
    int no = 0;
    mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &no);
    state_ = State::Playing;
    stillMark_ = 0;
    untouched_ = false;
    if (!wait)
        return Reply::ok();

    const double playing = clock().secondsOf((to ? *to : length) - start);
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(playing * 1.5) + kSeekTimeout);
    for (;;) {
        drainEvents();
        if (!seek_.pending() && modeText() != "playing")
            break;
        if (endError_ || Clock::now() >= deadline)
            return error(ErrDeviceNotReady, "Playing did not finish in time.");
        waitSignal(deadline);
    }
    return Reply::ok();
}

// stop and pause both hold the picture where it is; only the mode differs.
Reply MpvDevice::halt(State state)
{
    drainEvents();
    int yes = 1;
    mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &yes);
    state_ = state;
    return Reply::ok();
}

Reply MpvDevice::stop()
{
    return halt(State::Stopped);
}

Reply MpvDevice::pause()
{
    return halt(State::Paused);
}

Reply MpvDevice::resume()
{
    drainEvents();
    leaveCache();
    cache_.reset();
    if (state_ == State::Playing && modeText() == "playing")
        return Reply::ok();
    if (eofReached_) {
        const Reply sought = seekTo(positionUnits());
        if (sought.failed())
            return sought;
    }
    int no = 0;
    mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &no);
    state_ = State::Playing;
    stillMark_ = 0;
    untouched_ = false;
    return Reply::ok();
}

Reply MpvDevice::setTimeFormat(TimeFormat format)
{
    if (format == TimeFormat::Frames && !video_)
        return error(ErrBadTimeFormat, "The waveaudio device counts in milliseconds only.");
    drainEvents();
    if ((seek_.pending() || seek_.kept()) && format != format_) {
        // Keep the sought position meaningful in the new unit.
        const double time = unitTime(seek_.units());
        format_ = format;
        seek_.recount(timeUnits(time));
        return Reply::ok();
    }
    format_ = format;
    return Reply::ok();
}

void MpvDevice::setOutputGain(double gain)
{
    // mpv's volume is cubic: its gain is (volume / 100)^3.
    double volume = 100.0 * std::cbrt(std::clamp(gain, 0.0, 1.0));
    mpv_set_property(mpv_, "volume", MPV_FORMAT_DOUBLE, &volume);
}

// ---- video output ----

Reply MpvDevice::where(std::string_view what)
{
    if (!video_)
        return Device::where(what);
    drainEvents();
    if (what == "source") {
        // The pixel aspect that counts is the pictures' own, known once the
        // first is decoded; the container's size stands in only until then.
        awaitFirstFrame();
        return Reply::ok("0 0 " + std::to_string(natural_.width()) + " " + std::to_string(natural_.height()));
    }
    if (what == "destination") {
        const Rect rect = destination_.value_or(Rect{0, 0, natural_.width(), natural_.height()});
        return Reply::ok(std::to_string(rect.x) + " " + std::to_string(rect.y) + " " + std::to_string(rect.width) +
                         " " + std::to_string(rect.height));
    }
    return unknownItem(Query::Where, what);
}

Reply MpvDevice::window(uint64_t handle)
{
    if (!video_)
        return Device::window(handle);
    if (handle != 0 && !findTarget(handle))
        return error(ErrOutOfRange, "There is no window with handle " + std::to_string(handle) + ".");
    boundTarget_ = handle;
    deliveredSerial_ = 0;
    wakeEventPump();
    return Reply::ok();
}

Reply MpvDevice::putDestination(const Rect& rect)
{
    if (!video_)
        return Device::putDestination(rect);
    if (rect.width <= 0 || rect.height <= 0 || rect.width > kMaxPictureSide || rect.height > kMaxPictureSide)
        return error(ErrOutOfRange, "The destination must be between 1 and " + std::to_string(kMaxPictureSide) +
                                        " pixels wide and high.");
    if (rect.width * rect.height > kMaxPicturePixels)
        return error(ErrOutOfRange, "The destination may hold at most " + std::to_string(kMaxPicturePixels) +
                                        " pixels (8192 x 4352).");
    destination_ = rect;
    renderer_->setSize(QSize(int(rect.width), int(rect.height)));
    if (cache_ && cache_->size() != renderer_->size()) {
        // Frames are kept at the size shown: mpv draws this one afresh.
        leaveCache();
        cache_.reset();
    }
    return Reply::ok();
}

FrameRenderer::Picture MpvDevice::currentPicture()
{
    drainEvents();
    if (seek_.kept()) {
        awaitCachedFrame(Clock::now() + kSeekTimeout);
        if (const auto kept = seek_.kept()) {
            seek_.markKeptSettled();
            return {cache_->picture(*kept), 0};
        }
    }
    // While playing, the newest picture is the frame shown; waiting for the
    // next would only hold up the window that asks.
    FrameRenderer::Picture picture = renderer_->latest();
    if (modeText() == "playing" && !picture.image.isNull() && picture.image.size() == renderer_->size() &&
        renderer_->latestIsCurrent())
        return picture;
    // Otherwise the frame shown is the one sought, once the seek is done.
    if (seek_.pending())
        waitSeek(Clock::now() + kSeekTimeout);
    // mpv moves on to a frame without it being drawn when a render is slow,
    // so the newest picture of a player just stopped may be an older frame:
    // its current frame is drawn once, then kept.
    if (!stillMark_)
        stillMark_ = renderer_->requestFreshPicture();
    renderer_->waitSettled(stillMark_, Clock::now() + kRenderTimeout);
    return renderer_->latest();
}

Reply MpvDevice::update(uint64_t hdc)
{
    if (!video_)
        return Device::update(hdc);
    RenderTarget* target = findTarget(hdc);
    if (!target)
        return error(ErrOutOfRange, "There is no window with handle " + std::to_string(hdc) + ".");
    const FrameRenderer::Picture picture = currentPicture();
    if (!picture.image.isNull())
        target->presentFrame(picture.image);
    return Reply::ok();
}

Reply MpvDevice::capture(const std::string& bmpPath)
{
    if (!video_)
        return Device::capture(bmpPath);
    const FrameRenderer::Picture picture = currentPicture();
    if (picture.image.isNull())
        return error(ErrDeviceNotReady, "No frame has been shown yet.");
    QString why;
    if (!bmp::write(picture.image, QFile::decodeName(QByteArray::fromStdString(bmpPath)), 24, &why))
        return error(ErrFileNotSaved, "The frame could not be saved to '" + bmpPath + "': " + why.toStdString());
    return Reply::ok();
}

} // namespace mci
