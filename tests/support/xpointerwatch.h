#pragma once

#include <memory>

// Watches, over an X connection of its own, how a drag on a window is
// handed to the window manager: the _NET_WM_MOVERESIZE request the client
// sends to the root window, then the window manager's pointer grab, which
// the X server announces to the window under the pointer as a crossing
// event with mode Grab.
//
// It does not probe with a grab of its own while a drag starts: such a
// grab could win the race against the window manager, which then gives up
// the move, and it could not tell the window manager's grab from the
// client's own grab of the press anyway.
class XPointerWatch {
public:
    // window: the top-level window the press lands on (an X window id), or
    // 0 to ask only about the window manager.
    explicit XPointerWatch(unsigned long window); // on $DISPLAY
    ~XPointerWatch();
    XPointerWatch(const XPointerWatch&) = delete;
    XPointerWatch& operator=(const XPointerWatch&) = delete;

    bool connected() const;

    // A window manager runs: the check window the root window names exists
    // and names itself. (A window manager that ended leaves its properties
    // on the root window behind.)
    bool windowManagerRunning() const;
    // ... and it carries out moves and resizes that clients ask for (it
    // lists _NET_WM_MOVERESIZE as supported).
    bool windowManagerMovesWindows() const;

    // Reads what has arrived, without waiting; the queries below call it.
    void poll();

    // Since the last forget(): a client asked the window manager to move or
    // resize one of its windows ...
    bool moveResizeRequested();
    // ... then the window manager took the pointer.
    bool windowManagerHasPointer();

    // Nobody holds the pointer: a grab of our own succeeds (and is let go at
    // once). Only for after the button is up, when nobody is about to grab.
    bool pointerIsFree();

    // Starts afresh, before the next press.
    void forget();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
