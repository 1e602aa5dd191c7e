#pragma once

#include "device.h"
#include "frameclock.h"
#include "framerenderer.h"
#include "handleregistry.h"
#include "lengthprobe.h"
#include "seekstate.h"

#include <QSize>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

struct mpv_handle;
struct mpv_event;

namespace mci {

class BackStepCache;

// digitalvideo and waveaudio, played by libmpv; returns the device ready.
std::unique_ptr<Device> openMpvDevice(std::string_view type, const std::string& path, Reply* failure);

// One open file on its own mpv player. Commands answer at once from the
// player's state; seek and play wait only when asked to. mpv's events are
// taken in at every command and by processEvents().
//
// Open waits (bounded) until the file's tracks are known, and for sound
// until it plays; it fails for files nothing can decode. The first frame
// reaches the window when it is decoded. A file opened as digitalvideo
// without pictures it can decode is served as waveaudio. Video positions are
// frame indexes on the file's clock, round((t - first frame's time) x frame
// rate); the length in frames comes from the last frame's time, read from the
// file beside mpv (see lengthprobe.h). seek shows exactly the frame asked
// for, and status position reads it from the moment seek returns; stop
// pauses without rewinding (mode "stopped"), pause gives "paused". At the end
// the last frame stays and the position reads length - 1. Pictures are
// rendered at the destination size, else the natural size, and handed to the
// target bound with window() (see handleregistry.h); the destination's x and
// y are kept for where() only.
class MpvDevice : public Device, public EventSource {
public:
    using Clock = std::chrono::steady_clock;

    // Opens path and waits until it is ready to play.
    static std::unique_ptr<MpvDevice> open(std::string_view type, const std::string& path, Reply* failure);
    // Starts opening path; the opening goes on as events are pumped.
    static std::unique_ptr<MpvDevice> startOpening(std::string_view type, const std::string& path, Reply* failure);
    ~MpvDevice() override;

    std::optional<Reply> openingResult() override;
    Reply awaitOpened() override;

    std::string type() const override;
    Reply play(std::optional<int64_t> from, std::optional<int64_t> to, bool wait) override;
    Reply stop() override;
    Reply pause() override;
    Reply resume() override;
    Reply seek(SeekTarget target, int64_t position, bool wait) override;
    Reply setTimeFormat(TimeFormat format) override;
    void setOutputGain(double gain) override;

    Reply where(std::string_view what) override;
    Reply window(uint64_t handle) override;
    Reply putDestination(const Rect& rect) override;
    Reply update(uint64_t hdc) override;
    Reply capture(const std::string& bmpPath) override;

    void pumpEvents() override;

    // Bytes held by the frames kept for stepping back (0 when none are).
    size_t keptFrameBytes() const;

private:
    enum class State { Stopped, Playing, Paused };

    explicit MpvDevice(bool video);
    Reply halt(State state);
    Reply startLoading(const std::string& path);
    void wakeAtOpenDeadline();
    // How far mpv has got with the file: nothing yet, or how it ended.
    std::optional<Reply> loadProgress();
    Reply readLoadedFile();
    Reply checkTracks();
    void chooseDecoderThreads();
    void firstFrameShown();
    void awaitFirstFrame();
    void estimateNaturalSize();

    // Events and waiting.
    static void onWakeup(void* self);
    void signal();
    void waitSignal(Clock::time_point deadline);
    void drainEvents();
    void handleEvent(const mpv_event& event);
    void updateSeek();
    void readNaturalSize();

    // Units: positions in the current time format, times in seconds on
    // mpv's time line (see frameclock.h).
    FrameClock clock() const { return FrameClock(fps_, format_); }
    double unitTime(int64_t units);
    int64_t timeUnits(double seconds);
    VideoSpan probedSpan();
    double videoStart();
    int64_t lengthUnits();
    int64_t lengthFrames();
    int64_t frameOfUnits(int64_t units);
    int64_t positionUnits();
    std::string modeText();

    Reply seekTo(int64_t units);
    bool issueSeek();
    void setDemuxerOffset(double seconds);
    void setEnd(std::optional<double> time);
    void startSeeksEarlyWithoutIndex();
    bool overshot();
    bool waitSeek(Clock::time_point deadline);
    FrameRenderer::Picture currentPicture();
    void deliverFrame();

    // Frames kept for stepping back (backstepcache.h).
    bool cacheEligible();
    std::optional<int64_t> shownFrame();
    bool showFromCache(int64_t units);
    bool awaitCachedFrame(Clock::time_point deadline);
    void leaveCache();

    // Status and capability answers (mpvdevice_status.cpp).
    Reply deviceStatus(std::string_view item) override;
    Reply deviceCapability(std::string_view item) override;
    Reply videoStatus(std::string_view item);
    Reply audioStatus(std::string_view item);
    int bitsPerSample();

    mpv_handle* mpv_ = nullptr;
    std::unique_ptr<FrameRenderer> renderer_;
    std::unique_ptr<LengthProbe> probe_;
    std::unique_ptr<BackStepCache> cache_;
    std::optional<bool> cacheEligible_;
    bool probeRetried_ = false;
    std::string path_;
    bool video_;
    TimeFormat format_ = TimeFormat::Milliseconds;
    State state_ = State::Stopped;
    double fps_ = 25;
    std::optional<double> videoStart_; // time of the first frame
    double demuxerStart_ = 0;          // the container's clock less mpv's
    int videoStream_ = -1;             // the container's index of the stream shown
    double duration_ = 0;
    std::optional<int64_t> lengthFrames_;
    QSize natural_;
    int rotation_ = 0; // clockwise degrees the file asks its pictures to be turned
    std::optional<Rect> destination_;
    uint64_t boundTarget_ = 0;
    uint64_t deliveredSerial_ = 0;
    uint64_t stillMark_ = 0; // the render that shows the stopped player's frame
    std::optional<double> end_; // where mpv stops playing, from play ... to

    // Load progress.
    bool untouched_ = true; // neither played nor sought since the opening
    bool fileLoaded_ = false;
    bool restarted_ = false;
    // The opening: whether it was asked to show pictures, until when it may
    // take, whether the file's tracks were checked, and how it ended.
    const bool openedAsVideo_;
    Clock::time_point openDeadline_;
    bool settledAfterLoad_ = false; // mpv has answered since the file loaded
    bool tracksChecked_ = false;
    std::optional<Reply> opened_;
    bool eofReached_ = false;
    std::optional<std::string> endError_;

    // The seek being carried out, and the kept frame shown instead of mpv's.
    SeekState seek_;

    std::mutex signalMutex_;
    std::condition_variable signalCondition_;
    bool signaled_ = false;
};

} // namespace mci
