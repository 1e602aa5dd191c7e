#pragma once

#include <QImage>
#include <QSize>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

struct AVFrame;
struct SwsContext;

namespace mci {

// Frames decoded ahead for stepping backwards.
//
// A frame can only be decoded from the key frame before it, so stepping one
// frame back through a film decodes the whole group of pictures for every
// step. This cache decodes a group once and keeps the frames the next steps
// back will ask for: contiguous ones for the frame-back button, every 25th
// for the visual rewind. It reads the file with FFmpeg's libraries on a
// thread of its own and keeps frames at the size they are shown, in
// 8-bit 4:2:0 (a third of what a finished picture takes), within a budget
// of bytes.
//
// Frames are numbered as the video device numbers them: frame n is the one
// shown at firstFrame + n / fps, the first frame whose timestamp is at or
// after that time (as an exact seek shows it).
class BackStepCache {
public:
    struct Setup {
        std::string path;
        int stream = -1;        // the container's video stream index
        double firstFrame = 0;  // time of frame 0 on the container's clock
        double fps = 25;
        int64_t length = 0;     // frames
        QSize size;             // pictures are made at this size
        int rotation = 0;       // degrees clockwise that turn a picture upright
        // Frames kept at most, refilled once a step comes within half of
        // them of the last: 256 MiB holds 86 full-HD frames, so one decode of
        // a group of pictures serves four seconds of held frame-back steps
        // before the next decode has to keep pace beside them.
        size_t budget = 256u << 20; // bytes
        int maxFrames = 96;
    };

    enum class State { Ready, Pending, Unavailable };

    // ready runs on the cache's thread whenever frames were added or found
    // unavailable, never while the cache holds its lock.
    BackStepCache(Setup setup, std::function<void()> ready);
    ~BackStepCache();

    BackStepCache(const BackStepCache&) = delete;
    BackStepCache& operator=(const BackStepCache&) = delete;

    // False when FFmpeg's libraries or the file cannot be used.
    static bool available();

    // Asks for frame n, now; the next asks are expected to go on backwards
    // by stride frames.
    void request(int64_t n, int64_t stride);
    State state(int64_t n) const;
    // Frame n as a Format_RGB32 picture at the setup's size; null unless
    // state(n) is Ready.
    QImage picture(int64_t n);

    QSize size() const { return setup_.size; }
    size_t bytesHeld() const;

private:
    struct Frame;
    class Decoder;

    void run();
    bool passNeeded() const;
    void decodePass(Decoder& decoder);
    std::shared_ptr<Frame> makeFrame(const AVFrame& decoded, SwsContext*& scaler) const;
    bool keep(int64_t n, const std::shared_ptr<const Frame>& frame);
    bool wantedLocked(int64_t n) const;

    const Setup setup_;
    const std::function<void()> ready_;
    int framesWanted_ = 2;     // frames kept at most
    QSize storedSize_;         // frames are kept at this size (before turning)

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::atomic<bool> stop_{false}; // quit_, for FFmpeg's reading to give up on
    int64_t target_ = -1;      // the frame asked for last
    int64_t stride_ = 1;
    uint64_t requests_ = 0;    // counts requests, to notice new ones during a pass
    std::map<int64_t, std::shared_ptr<const Frame>> frames_;
    std::set<int64_t> unavailable_;
    size_t bytes_ = 0;

    // The picture made last, for asks of the same frame (the caller's thread).
    std::shared_ptr<const Frame> shownFrame_;
    QImage shownPicture_;
    std::unique_ptr<SwsContext, void (*)(SwsContext*)> showScaler_;

    std::thread thread_;
};

} // namespace mci
