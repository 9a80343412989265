// The X11 side of the SDL driver's tests: what a window manager and a
// screenshot tool would do with the driver's window, through a connection of
// the test's own.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <vector>

namespace xwin {

// The close button's request: WM_DELETE_WINDOW sent to the window.
inline bool sendClose(Display* display, Window window) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, window, False, NoEventMask, &e);
    XFlush(display);
    return sent != 0;
}

// What the window shows, as 0xRRGGBB values, row by row (a 24-bit display).
struct Shot {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline Shot readWindow(Display* display, Window window) {
    Shot shot;
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, window, &a)) return shot;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(a.width),
                              static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!image) return shot;
    shot.width = a.width;
    shot.height = a.height;
    shot.pixels.resize(static_cast<size_t>(a.width) * a.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            shot.pixels[static_cast<size_t>(y) * a.width + x] =
                static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
    XDestroyImage(image);
    return shot;
}

} // namespace xwin
