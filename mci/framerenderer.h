#pragma once

#include <QImage>
#include <QSize>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

struct mpv_handle;
struct mpv_render_context;

namespace mci {

// Draws one mpv player's video into memory pictures with mpv's software
// renderer, on a thread of its own: mpv's video output waits for every
// frame to be taken, so frames must be rendered as they come, whatever the
// layer's thread is doing.
class FrameRenderer {
public:
    using Clock = std::chrono::steady_clock;

    struct Picture {
        QImage image;       // Format_RGB32, null before the first frame and
                            // when the frame cannot be drawn
        uint64_t serial = 0; // grows with every picture rendered
    };

    // Creates the render context; must happen before the file is loaded.
    // newPicture runs on the render thread after every picture; it must not
    // call mpv.
    FrameRenderer(mpv_handle* mpv, std::function<void()> newPicture);
    ~FrameRenderer();

    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    bool isValid() const { return context_ != nullptr; }

    // The size pictures are rendered at; a change redraws the frame shown.
    void setSize(QSize size);
    QSize size() const;

    // Renders the frame shown again (at the current size).
    void requestRedraw();

    // Renders the frame mpv shows now again and returns the mark of that
    // render: once settled since it, the newest picture shows that frame.
    // mpv may show a frame without it passing through a render (when a
    // render was slow it moves on), so after a seek or an open only a
    // render begun afterwards is known to show the frame.
    uint64_t requestFreshPicture();

    Picture latest() const;
    // Whether the newest picture shows mpv's current frame at the current
    // size (not so after a frame was let go while the window lagged).
    bool latestIsCurrent() const;

    // A mark to wait for: every render begun before it has finished.
    uint64_t mark() const;
    // True once every render begun before the mark has finished and the
    // newest picture shows the current frame at the current size; asks for
    // a redraw when the picture has the wrong size.
    bool settledSince(uint64_t mark);
    // Waits for settledSince(mark()) until the deadline.
    bool waitSettled(Clock::time_point deadline);
    // Waits for settledSince(mark) until the deadline.
    bool waitSettled(uint64_t mark, Clock::time_point deadline);

private:
    bool settledLocked(uint64_t mark);
    void run();
    void render(QSize size, bool skip, bool playing);
    bool renderInto(QImage& image);
    bool renderStretched(QImage& image);
    QImage* unheldSurface(QSize size);
    QImage* freeSurface(QSize size, bool playing);
    void skipFrame();

    mpv_render_context* context_ = nullptr;
    std::function<void()> newPicture_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;    // for the render thread
    std::condition_variable settled_; // for waiters
    bool quit_ = false;
    bool updatePending_ = false;
    bool redrawPending_ = false;
    QSize size_;
    uint64_t begun_ = 0;
    uint64_t finished_ = 0;
    bool fresh_ = false; // latest_ shows mpv's current frame at size_
    Picture latest_;
    std::array<QImage, 2> surfaces_; // the render thread's, reused
    QSize refused_;                  // the render thread's: a size mpv cannot draw at
    std::thread thread_;
};

} // namespace mci
