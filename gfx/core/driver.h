// A display back end: a name and 13 operations in a fixed order. A null slot
// means "not supported". Drivers are constant records.
//
// Selection (`gfxOpenDriver`) honours the environment variable "ZQGFX": "null"
// in any case takes the Null driver; another value tries the drivers of that
// name first. Each candidate is opened with the requested refresh rate, then
// with 0; every failed open is followed by the same driver's close; then
// everything again with SCRF_FULLSCREEN toggled.
#pragma once

#include <atomic>
#include <cstdint>

// What a driver found as its display opened: the refresh rate it runs at and
// the display's size (the screen's in full screen, the window's client area
// otherwise).
struct GfxDisplayInfo {
    int32_t refreshRate; // Hz; 0 when not known
    int32_t width, height;
};

// The open screen's display as its driver reported it (all 0 without one);
// written only as a screen opens and closes.
extern GfxDisplayInfo gfxDisplayOpened;

// Records are written with designated initialisers, one slot a line.
struct GfxDriver {
    const char* name = nullptr;
    // Opens the display for a framebuffer of width x height (display rows)
    // and fills *opened; 0 = success.
    int32_t (*open)(const char* title, int32_t width, int32_t height, int32_t depth,
                    int32_t refreshRate, int32_t flags, GfxDisplayInfo* opened) = nullptr;
    void (*close)() = nullptr;
    void (*lock)() = nullptr;
    void (*unlock)() = nullptr;
    void (*setColor)(int32_t index, int32_t red, int32_t green, int32_t blue) = nullptr;
    void (*waitRetrace)() = nullptr;
    int32_t (*readMouse)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons,
                         int32_t* clip) = nullptr;
    void (*moveMouse)(int32_t x, int32_t y, int32_t visibility, int32_t clip) = nullptr;
    void (*setCaption)(const char* title) = nullptr;
    int32_t (*moveWindow)(int32_t x, int32_t y) = nullptr;          // the previous position
    int32_t* (*listModes)(int32_t depth, int32_t* count) = nullptr; // the caller frees it
    void (*present)() = nullptr;
    void (*pumpEvents)() = nullptr;
};
static_assert(sizeof(GfxDriver) == 14 * sizeof(void*), "a name and 13 slots");

// The two words of a framebuffer lock whose program side the core takes
// inline (gfx/core/frame_lock.h): a hold is announced with a plain store, then
// the display thread's wish is read; only when the display thread wants in (or
// must be woken) do the driver's lock and unlock slots run.
struct GfxInlineLock {
    std::atomic<int32_t> programHolds;
    std::atomic<int32_t> displayWants;
};
// Published by the frame lock's open when the display thread pays for both
// sides (a process-wide barrier), cleared at its close; null otherwise.
extern GfxInlineLock* gfxInlineLock;

// The Null driver: no display; lock and unlock do nothing.
extern const GfxDriver GFX_NULL_DRIVER;
// The drivers selection walks, in the order they are tried, null-terminated:
// the platform's list (DRIVER_LIST of gfx/compose_*.cpp), set at start-up by
// the composition, or a test's own. Empty until then: only the Null driver.
extern const GfxDriver* const* gfxDriverList;

// Chooses and opens a driver, filling *opened; null when every attempt failed.
const GfxDriver* gfxOpenDriver(const char* title, int32_t width, int32_t height, int32_t depth,
                               int32_t refreshRate, int32_t flags, GfxDisplayInfo* opened);
