#include "xpointerwatch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// The window a window's _NET_SUPPORTING_WM_CHECK names; 0 when it has none
// or the window does not exist.
Window checkWindowOf(Display* display, Window window)
{
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    XSync(display, False);
    const auto previous = XSetErrorHandler(ignoreErrors);
    const int status = XGetWindowProperty(display, window, check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                                          &remaining, &data);
    XSync(display, False);
    XSetErrorHandler(previous);
    Window named = 0;
    if (status == Success && data && format == 32 && count == 1)
        named = *reinterpret_cast<const Window*>(data);
    if (data)
        XFree(data);
    return named;
}

} // namespace

struct XPointerWatch::Impl {
    Display* display = nullptr;
    Window root = 0;
    Window window = 0;
    Atom moveResize = 0;
    bool requested = false;
    bool grabbed = false;

    ~Impl()
    {
        if (display)
            XCloseDisplay(display);
    }

    void handle(const XEvent& event)
    {
        switch (event.type) {
        case ClientMessage:
            // Direction 11 cancels a move; every other one starts one.
            if (event.xclient.message_type == moveResize && event.xclient.data.l[2] != 11) {
                requested = true;
                grabbed = false;
            }
            break;
        case LeaveNotify:
            // The pointer passes to another client's grab window.
            if (requested && event.xcrossing.window == window && event.xcrossing.mode == NotifyGrab)
                grabbed = true;
            break;
        default: break;
        }
    }
};

XPointerWatch::XPointerWatch(unsigned long window) : d(std::make_unique<Impl>())
{
    d->display = XOpenDisplay(nullptr);
    if (!d->display)
        return;
    d->root = DefaultRootWindow(d->display);
    d->window = window;
    d->moveResize = XInternAtom(d->display, "_NET_WM_MOVERESIZE", False);
    // Clients send the request to the root window for every client that
    // listens to its substructure, not only for the window manager.
    XSelectInput(d->display, d->root, SubstructureNotifyMask);
    if (window) {
        // A window that is gone by now only means that no grab is seen.
        const auto previous = XSetErrorHandler(ignoreErrors);
        XSelectInput(d->display, d->window, EnterWindowMask | LeaveWindowMask);
        XSync(d->display, False);
        XSetErrorHandler(previous);
    }
}

XPointerWatch::~XPointerWatch() = default;

bool XPointerWatch::connected() const
{
    return d->display != nullptr;
}

bool XPointerWatch::windowManagerRunning() const
{
    if (!d->display)
        return false;
    const Window check = checkWindowOf(d->display, d->root);
    return check != 0 && checkWindowOf(d->display, check) == check;
}

bool XPointerWatch::windowManagerMovesWindows() const
{
    if (!windowManagerRunning())
        return false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const Atom supported = XInternAtom(d->display, "_NET_SUPPORTED", False);
    if (XGetWindowProperty(d->display, d->root, supported, 0, 4096, False, XA_ATOM, &type, &format, &count, &remaining,
                           &data) != Success || !data)
        return false;
    bool found = false;
    if (format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == d->moveResize;
    }
    XFree(data);
    return found;
}

void XPointerWatch::poll()
{
    if (!d->display)
        return;
    while (XPending(d->display) > 0) {
        XEvent event;
        XNextEvent(d->display, &event);
        d->handle(event);
    }
}

bool XPointerWatch::moveResizeRequested()
{
    poll();
    return d->requested;
}

bool XPointerWatch::windowManagerHasPointer()
{
    poll();
    return d->grabbed;
}

bool XPointerWatch::pointerIsFree()
{
    if (!d->display)
        return false;
    const int result = XGrabPointer(d->display, d->root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                                    None, CurrentTime);
    if (result == GrabSuccess)
        XUngrabPointer(d->display, CurrentTime);
    XSync(d->display, False);
    return result == GrabSuccess;
}

void XPointerWatch::forget()
{
    poll();
    d->requested = d->grabbed = false;
}
