// The suite's host on X (the SDL driver): the test's own X connection reads
// the window back and moves the focus, xdotool presses keys and buttons.
#include "suite_host.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gfx/compose.h"
#include "gfx/console/input.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/sdl/sdl_internal.h"
#include "runtime/platform.h"
// clang-format off
#include "gfx/sdl/x_window.h"
#include <SDL_syswm.h>
// clang-format on

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace host {

const char* const PLATFORM = "x11";

namespace {

Display* const display = XOpenDisplay(nullptr);
Window other = 0; // the window focus(false) gives the focus to

Window window() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return gfxMode && SDL_GetWindowWMInfo(sdlState.window, &info) ? info.info.x11.window : 0;
}

void xdotool(const std::string& arguments) {
    if (std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) != 0)
        std::fprintf(stderr, "xdotool %s failed\n", arguments.c_str());
    sync();
}

long long entries(const char* folder) {
    auto all = std::filesystem::directory_iterator(folder);
    return std::distance(begin(all), end(all));
}

} // namespace

void chooseDriver(const char* name) {
    setenv("ZQGFX", name, 1);
}

bool focus(bool toScreen) {
    if (other) XDestroyWindow(display, other);
    other = 0;
    if (toScreen) {
        xdotool("windowfocus --sync " + std::to_string(window()));
    } else {
        other = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
        XMapWindow(display, other);
        sync();
        XSetInputFocus(display, other, RevertToParent, CurrentTime);
    }
    for (double end = rtTimer() + 3; rtTimer() < end; sync())
        if ((gfxInput.active != 0) == toScreen) return true;
    return false;
}

// Two refresh passes, so that what the X server has sent by now has been
// read and handled: line 0 marked, then clean again.
void sync() {
    XSync(display, False);
    auto marked = [] {
        gfxLock();
        bool dirty = gfxMode->dirtyLines[0] != 0;
        gfxUnlock(1, 0);
        return dirty;
    };
    for (int pass = 0; pass < 2 && gfxMode; ++pass) {
        gfxLock();
        gfxMode->dirtyLines[0] = 1;
        gfxUnlock(1, 0);
        for (double end = rtTimer() + 3; marked() && rtTimer() < end;)
            rtDelay(5);
    }
}

Shot shoot() {
    xwin::Shot x = xwin::readWindow(display, window());
    return {x.width, x.height, std::move(x.pixels)};
}

void keys(const Strokes& strokes) {
    std::string arguments;
    for (const auto& [key, down] : strokes)
        arguments += std::string(down ? " keydown " : " keyup ") + key.keysym;
    xdotool(arguments);
}

// Latin-1 characters are their own keysyms. The keysym goes on a spare
// keycode first, so that the press does not race a keyboard remapping.
void typeCharacter(uint32_t codePoint) {
    KeySym keysym = codePoint;
    int low, high, perCode;
    XDisplayKeycodes(display, &low, &high);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(low), high - low + 1, &perCode);
    for (int code = high; code >= low && !XKeysymToKeycode(display, keysym); --code) {
        bool empty = true;
        for (int i = 0; i < perCode; ++i)
            empty &= map[(code - low) * perCode + i] == NoSymbol;
        if (!empty) continue;
        XChangeKeyboardMapping(display, code, 1, &keysym, 1);
        break;
    }
    XFree(map);
    sync(); // the window's client has taken the new mapping before the press
    xdotool("key " + std::string(XKeysymToString(keysym)));
}

void pointerTo(int32_t x, int32_t y) {
    int left = 0, top = 0;
    Window child;
    if (window())
        XTranslateCoordinates(display, window(), DefaultRootWindow(display), 0, 0, &left, &top,
                              &child);
    xdotool("mousemove " + std::to_string(left + x) + " " + std::to_string(top + y));
}

int32_t scale() {
    return 1;
}

bool pointerAt(int32_t* x, int32_t* y) {
    Window root, child;
    int rootX, rootY;
    unsigned mask;
    return XQueryPointer(display, window(), &root, &child, &rootX, &rootY, x, y, &mask);
}

// X buttons: 1 left, 2 middle, 3 right, 8 and 9 the extra ones; 4 and 5 turn
// the wheel up and down, 6 and 7 left and right.
void button(int32_t id, bool down) {
    int x = id == BTN_LEFT     ? 1
            : id == BTN_MIDDLE ? 2
            : id == BTN_RIGHT  ? 3
            : id == BTN_EXTRA1 ? 8
                               : 9;
    xdotool((down ? "mousedown " : "mouseup ") + std::to_string(x));
}

void wheel(int32_t step, bool horizontal) {
    xdotool("click " + std::to_string(horizontal ? (step > 0 ? 7 : 6) : (step > 0 ? 4 : 5)));
}

bool storedMouse(int32_t* x, int32_t* y) {
    gfxLock();
    *x = gfxInput.x;
    *y = gfxInput.y;
    gfxUnlock(1, 0);
    return gfxInput.cursorVisible != 0;
}

void requestClose() {
    xwin::sendClose(display, window());
    sync();
}

// Threads, open files, and the bytes the allocator (the sanitizer's, when it
// runs) handed out.
Holdings holdings() {
#if defined(__SANITIZE_ADDRESS__)
    long long heap = static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    long long heap = static_cast<long long>(mallinfo2().uordblks);
#endif
    return {{{"threads", entries("/proc/self/task")}, {"files", entries("/proc/self/fd")}}, heap};
}

// A display that does not exist: the display thread starts and its video
// initialisation fails (on X only, no other window system tried).
int32_t openFailing(const char* driver, int32_t flags) {
    std::string name = std::getenv("DISPLAY");
    setenv("DISPLAY", ":4095", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    int32_t result = -1;
    for (const GfxDriver* const* p = DRIVER_LIST; *p; ++p)
        if (std::string((*p)->name) == driver) {
            GfxDisplayInfo opened;
            result = (*p)->open("zqfail", 64, 48, 32, 0, flags, &opened);
            (*p)->close();
        }
    unsetenv("SDL_VIDEODRIVER");
    setenv("DISPLAY", name.c_str(), 1);
    return result;
}

} // namespace host
