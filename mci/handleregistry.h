#pragma once

#include <QImage>

#include <cstdint>
#include <functional>

// The bridge between the media layer and the windows that show video.
//
// A window that wants to show video implements RenderTarget and registers
// itself; the number it gets back is what the player writes into
// "window <alias> handle N" (bind: new frames go to N from then on; handle 0
// unbinds) and "update <alias> hdc N" (hand N the frame now shown, at once;
// after a seek that is still being carried out this waits for the sought
// frame). The layer never touches a window directly: it hands frames to the
// target registered under that number, and only while it is registered.
//
// Threads: the layer is synchronous. Everything here, and every device
// command, is used from one thread, the layer's thread (the GUI thread in the
// player, the main thread in norrava-mci). Frames are decoded and rendered on
// the devices' own threads; they reach targets only through processEvents()
// on the layer's thread, so a target is always called on that thread.
namespace mci {

class RenderTarget {
public:
    virtual ~RenderTarget() = default;

    // A frame for this target, called on the layer's thread: when a bound
    // device ("window z handle N") has a new frame, and at once during
    // "update z hdc N". The picture has the device's destination size
    // ("put z destination ..."), or the video's natural size when none was
    // set, in QImage::Format_RGB32. It is implicitly shared: keep a copy to
    // paint later; the layer never writes into a picture it has handed out.
    // A call made during "update" comes while the caller may be painting
    // (the player sends "update" from the panel's paint handler), so paint
    // it right away if a painter is open, else store it and schedule a
    // repaint. Must not send media commands or unregister targets.
    virtual void presentFrame(const QImage& frame) = 0;
};

// Registers a target and returns its handle (never 0; numbers are not
// reused). Call unregisterTarget before the target is destroyed; after that
// the layer never calls it again.
uint64_t registerTarget(RenderTarget* target);
void unregisterTarget(uint64_t handle);

// The target registered under handle, or null.
RenderTarget* findTarget(uint64_t handle);

// Delivery of new frames and device events. The devices call wake() from
// their own threads whenever they have something for the layer's thread; it
// must make that thread call processEvents() soon, and must itself call
// nothing of the layer. Without a pump set, and when a QCoreApplication
// lives on the layer's thread, the layer posts a queued call to
// processEvents() onto that application's thread by itself, so a Qt
// program needs nothing more. A program without an event loop (norrava-mci)
// needs no pump at all: each command catches up on events first.
void setEventPump(std::function<void()> wake);

// Runs pending device work on the calling thread: takes in the players'
// events and hands new frames to their bound targets. Does nothing for
// devices opened on another thread.
void processEvents();

// For the devices: something that has work for processEvents().
class EventSource {
public:
    virtual ~EventSource() = default;
    virtual void pumpEvents() = 0;
};

// Devices add themselves on creation and remove themselves before they are
// destroyed; wake() is safe from any thread.
void addEventSource(EventSource* source);
void removeEventSource(EventSource* source);
void wakeEventPump();

} // namespace mci
