#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct mpv_handle;

namespace mci {

// Where a file's video frames begin and end, in seconds on the container's
// own clock (mpv's time line less the demuxer's start time).
struct VideoSpan {
    int stream = -1;                  // the container's stream index
    std::optional<double> lastFrame;  // time of the last frame
    std::optional<double> firstFrame; // time of the first frame, when the
                                      // packets leave no doubt which is shown first
    std::optional<int64_t> frames;    // the count, for a stream without timestamps
    bool damagedTail = false;         // the file ends in a broken packet
};

// Reads the timestamps of the video packets at both ends of a file without
// decoding a frame: the first frame is the first key packet when nothing
// before the next key packet is shown earlier; the last frame is the
// greatest timestamp from a point shortly before the end (the last packet
// read is not the last frame when frames are reordered). MPEG-1/2 pictures
// without a timestamp near the end (program streams stamp one picture a
// pack) are counted on from the last anchor frame with one; in other
// streams (AVI files with B-frames) they leave the last frame unknown; a
// stream without any (a bare H.264 stream) has its packets counted
// instead, one per frame.
// stream is the container's stream index, or -1 for the track mpv picks by
// default. Gives up at the deadline or when abort becomes true.
VideoSpan demuxVideoSpan(const std::string& path, int stream, std::chrono::steady_clock::time_point deadline,
                         const std::atomic<bool>* abort = nullptr);

// Finds when a file's last video frame is shown, on a thread of its own:
// containers often state a duration that includes a longer audio track or
// is only estimated, so the frame count comes from the frames. Demuxing
// answers for nearly every file in a few milliseconds; files without
// timestamps to go by are decoded to their end on a player of the probe's
// own, behind the one that shows the pictures.
class LengthProbe {
public:
    // done runs on the probe's thread when the answer is known (or not to
    // be had); it must not call mpv.
    LengthProbe(std::string path, int stream, std::function<void()> done);
    ~LengthProbe();

    LengthProbe(const LengthProbe&) = delete;
    LengthProbe& operator=(const LengthProbe&) = delete;

    bool finished() const { return finished_; }
    // What was found; lastFrame empty when unknown.
    VideoSpan span() const;

private:
    void run(const std::string& path, int stream);
    std::optional<double> decodeLastFrame(const std::string& path);
    bool waitFor(int eventId, double seconds);

    std::function<void()> done_;
    std::atomic<bool> abort_{false};
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    mpv_handle* handle_ = nullptr;
    VideoSpan span_;
    std::thread thread_;
};

} // namespace mci
