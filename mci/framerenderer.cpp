#include "framerenderer.h"

#include <mpv/client.h>
#include <mpv/render.h>

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace mci {
namespace {

constexpr size_t kAlign = 64; // mpv's software renderer is fastest on 64-byte rows
// How long a render waits for a window to let go of a picture before it
// takes a second surface: a frame's time at 25 per second.
constexpr auto kSurfaceWait = std::chrono::milliseconds(40);
constexpr int kModerateSide = 2048;

QImage alignedImage(QSize size)
{
    const size_t stride = (size_t(size.width()) * 4 + kAlign - 1) / kAlign * kAlign;
    void* memory = std::aligned_alloc(kAlign, stride * size_t(size.height()));
    if (!memory)
        return {};
    return QImage(static_cast<uchar*>(memory), size.width(), size.height(), qsizetype(stride),
                  QImage::Format_RGB32, [](void* p) { std::free(p); }, memory);
}

void onUpdate(void* self)
{
    static_cast<FrameRenderer*>(self)->requestRedraw();
}

} // namespace

FrameRenderer::FrameRenderer(mpv_handle* mpv, std::function<void()> newPicture)
    : newPicture_(std::move(newPicture))
{
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&context_, mpv, params) < 0) {
        context_ = nullptr;
        return;
    }
    thread_ = std::thread([this] { run(); });
    mpv_render_context_set_update_callback(context_, onUpdate, this);
}

FrameRenderer::~FrameRenderer()
{
    if (!context_)
        return;
    mpv_render_context_set_update_callback(context_, nullptr, nullptr);
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
    mpv_render_context_free(context_);
}

void FrameRenderer::setSize(QSize size)
{
    {
        std::lock_guard lock(mutex_);
        if (size == size_)
            return;
        size_ = size;
        fresh_ = false;
        redrawPending_ = true;
    }
    wake_.notify_all();
}

QSize FrameRenderer::size() const
{
    std::lock_guard lock(mutex_);
    return size_;
}

void FrameRenderer::requestRedraw()
{
    // Also mpv's update callback: mpv_render_context_update() then tells
    // whether a new frame is waiting; with none it redraws the last one.
    {
        std::lock_guard lock(mutex_);
        updatePending_ = true;
    }
    wake_.notify_all();
}

uint64_t FrameRenderer::requestFreshPicture()
{
    uint64_t mark = 0;
    {
        std::lock_guard lock(mutex_);
        // The render thread takes the request with its next render, which
        // begins after this one: either it is running and clears the flag
        // only as it begins the next, or it is waiting.
        redrawPending_ = true;
        mark = begun_ + 1;
    }
    wake_.notify_all();
    return mark;
}

FrameRenderer::Picture FrameRenderer::latest() const
{
    std::lock_guard lock(mutex_);
    return latest_;
}

bool FrameRenderer::latestIsCurrent() const
{
    std::lock_guard lock(mutex_);
    return fresh_;
}

uint64_t FrameRenderer::mark() const
{
    std::lock_guard lock(mutex_);
    return begun_;
}

bool FrameRenderer::settledLocked(uint64_t mark)
{
    if (finished_ < mark || begun_ != finished_)
        return false;
    // No picture after a render means the frame cannot be drawn at all.
    if (fresh_ && !size_.isEmpty() && (latest_.image.isNull() || latest_.image.size() == size_))
        return true;
    if (!size_.isEmpty() && !redrawPending_) {
        redrawPending_ = true;
        wake_.notify_all();
    }
    return false;
}

bool FrameRenderer::settledSince(uint64_t mark)
{
    std::lock_guard lock(mutex_);
    return settledLocked(mark);
}

bool FrameRenderer::waitSettled(Clock::time_point deadline)
{
    return waitSettled(mark(), deadline);
}

bool FrameRenderer::waitSettled(uint64_t mark, Clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    return settled_.wait_until(lock, deadline, [&] { return settledLocked(mark); });
}

void FrameRenderer::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || updatePending_ || redrawPending_; });
        if (quit_)
            return;
        const bool redraw = redrawPending_;
        updatePending_ = false;
        redrawPending_ = false;
        lock.unlock();
        const bool newFrame = mpv_render_context_update(context_) & MPV_RENDER_UPDATE_FRAME;
        lock.lock();
        if (!newFrame && !redraw)
            continue;
        const QSize size = size_;
        redrawPending_ = false; // this render shows the latest frame at this size
        ++begun_;
        lock.unlock();
        // A frame come by itself, not one asked for (a seek's, a redraw).
        const bool playing = newFrame && !redraw;
        render(size, size.isEmpty(), playing);
        lock.lock();
        ++finished_;
        lock.unlock();
        settled_.notify_all();
        if (!size.isEmpty())
            newPicture_();
        lock.lock();
    }
}

QImage* FrameRenderer::unheldSurface(QSize size)
{
    // A surface nobody else holds a copy of (the newest picture and the one
    // a window keeps are shared); reused, so playing allocates nothing.
    QImage* free = nullptr;
    for (QImage& surface : surfaces_) {
        if (!surface.isNull() && surface.isDetached()) {
            if (surface.size() == size)
                return &surface;
            free = &surface;
        }
    }
    if (free)
        return free;
    // The newest picture, when no one has taken it yet, is drawn over (a
    // window that lags that far would only have replaced it unseen).
    std::lock_guard lock(mutex_);
    for (QImage& surface : surfaces_) {
        if (surface.isNull() || latest_.image.cacheKey() != surface.cacheKey())
            continue;
        latest_.image = QImage();
        if (surface.isDetached()) {
            fresh_ = false;
            return &surface;
        }
        latest_.image = surface;
    }
    return nullptr;
}

QImage* FrameRenderer::freeSurface(QSize size, bool playing)
{
    // One surface of a full picture while playing: a window lets go of the
    // picture once it has painted it, which it does well within a frame's
    // time. A window slower than that makes a playing frame be let go (null
    // here); anything else gets a second surface.
    QImage* free = unheldSurface(size);
    const bool first = std::all_of(surfaces_.begin(), surfaces_.end(), [](const QImage& s) { return s.isNull(); });
    for (auto deadline = Clock::now() + kSurfaceWait; !free && !first && Clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        free = unheldSurface(size);
    }
    if (!free) {
        for (QImage& surface : surfaces_) {
            if (surface.isNull())
                free = &surface;
        }
    }
    if (!free && playing && std::any_of(surfaces_.begin(), surfaces_.end(), [&](const QImage& s) { return s.size() == size; }))
        return nullptr; // see render()
    if (!free) {
        // Every surface is still held elsewhere: this picture gets a new one.
        surfaces_.back() = QImage();
        free = &surfaces_.back();
    }
    if (free->size() != size || free->isNull())
        *free = alignedImage(size);
    return free;
}

void FrameRenderer::skipFrame()
{
    // Take the frame so mpv's output does not stall, without drawing it.
    int yes = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SKIP_RENDERING, &yes},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(context_, params);
    std::lock_guard lock(mutex_);
    fresh_ = false;
}

void FrameRenderer::render(QSize size, bool skip, bool playing)
{
    if (skip) {
        // No size known yet: the frame is drawn once the size is set. Never
        // wait for the size here: mpv's core waits for this frame, and the
        // size is read from it.
        skipFrame();
        return;
    }
    QImage* const free = freeSurface(size, playing);
    if (!free) {
        // While playing, a window still holding the last picture a frame's
        // time later is behind: this frame would only replace that one
        // late. It is let go rather than drawn into a second full-size
        // picture, which would stay for the rest of the film. (A frame asked
        // for, and every waiter's redraw, still gets one.)
        skipFrame();
        return;
    }
    QImage& surface = *free;
    bool drawn = !surface.isNull() && size != refused_ && renderInto(surface);
    if (!drawn && !surface.isNull()) {
        refused_ = size;
        drawn = renderStretched(surface);
    }
    std::lock_guard lock(mutex_);
    // A frame that cannot be drawn leaves no picture rather than an old one
    // of another size; either way this render has done what it could.
    latest_.image = drawn ? surface : QImage();
    ++latest_.serial;
    fresh_ = size == size_;
}

bool FrameRenderer::renderInto(QImage& image)
{
    int size[2] = {image.width(), image.height()};
    size_t stride = size_t(image.bytesPerLine());
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, size},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("bgra")},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    return mpv_render_context_render(context_, params) >= 0;
}

bool FrameRenderer::renderStretched(QImage& image)
{
    // mpv's scaler refuses some extreme stretches (a 2 x 2 video drawn
    // 16384 x 2): draw the frame at a moderate size and stretch that.
    QImage moderate = alignedImage(image.size().boundedTo(QSize(kModerateSide, kModerateSide)).expandedTo(QSize(16, 16)));
    if (moderate.isNull() || !renderInto(moderate))
        return false;
    QPainter painter(&image);
    painter.drawImage(image.rect(), moderate);
    return true;
}

} // namespace mci
