// What only the platform can do for the display driver suite: read back what
// the screen's window shows, press keys, move and click the pointer, ask the
// window to close, move the focus, count what the process holds, and wait
// until the display side has handled what was sent. One host per platform;
// every look at a driver's own state stays in there.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace host {

extern const char* const PLATFORM; // "win32", "x11", "web": the suite runs this platform's drivers

struct Key {
    uint8_t vk;         // Windows virtual key
    const char* keysym; // X keysym, or xdotool's name for it
};
using Strokes = std::vector<std::pair<Key, bool>>; // key, down

struct Shot { // what a window shows, 0xRRGGBB row by row
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct Holdings {
    std::vector<std::pair<std::string, long long>> counts; // must come back exactly
    long long heapBytes;                                   // allocated; -1: unknown
};

void chooseDriver(const char* name);
// The focus to the screen's window, or to another window; true once the
// driver has seen it.
bool focus(bool toScreen);
// Returns once the display side has handled the input and drawing sent so far
// (a driver without a display thread handles it here).
void sync();
Shot shoot(); // the client area
void keys(const Strokes& strokes);
void typeCharacter(uint32_t codePoint); // a character of no key
// Client coordinates of the screen's window (screen coordinates without one).
void pointerTo(int32_t x, int32_t y);
// Screen pixels per picture pixel as the window shows the screen (a page
// scales its canvas; windows show it as it is).
int32_t scale();
bool pointerAt(int32_t* x, int32_t* y);
void button(int32_t id, bool down); // BTN_* identifiers
void wheel(int32_t step, bool horizontal);
// The position stored by the last mouse placement; whether the pointer shows.
bool storedMouse(int32_t* x, int32_t* y);
void requestClose();
Holdings holdings();
// Opens the driver in a way the platform refuses and closes it again, as
// selection does: the open's result (-1 where the platform has no such way).
int32_t openFailing(const char* driver, int32_t flags);

} // namespace host
