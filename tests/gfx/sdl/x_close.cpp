// x_close WINDOW: presses the window's close button (sends the window
// manager's close request) on $DISPLAY.
#include <cstdio>
#include <cstdlib>

#include "x_window.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: x_close WINDOW\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    bool sent = xwin::sendClose(display, static_cast<Window>(std::strtoul(argv[1], nullptr, 0)));
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
