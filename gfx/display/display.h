// The display layer: what every display driver needs and none keeps a copy
// of. A driver keeps only what its platform does differently: its window, its
// surfaces, its events turned into the calls of gfx/display/input.h.
//
// - The display thread and the framebuffer lock: a driver with a thread of its
//   own starts it here; the thread makes the window, says whether that worked
//   (gfxDisplayReady) and makes its passes while gfxDisplayRunning() under
//   gfxDisplayTake/gfxDisplayRelease. The program's side of the same lock is
//   the driver's lock and unlock slots (gfxDisplayLock/gfxDisplayUnlock).
// - The picture: the band of display rows that hold dirty lines (each line
//   shown lineMultiplier times), converted through the driver's blitter, the
//   marks cleared; everything marked for a full redraw.
// - The shared driver slots: readMouse, moveMouse, a timed waitRetrace, and
//   display-mode lists filtered by depth.
#pragma once

#include <cstdint>

#include "gfx/blit/blit.h"
#include "gfx/core/driver.h"

// ---- the display thread and the framebuffer lock ---------------------------

// Starts the display thread on `body` and waits until it has called
// gfxDisplayReady (or ended without). 0 when it said 0; -1 otherwise, the
// thread then ended and joined. Also makes the framebuffer lock.
int32_t gfxDisplayStart(void (*body)());
// On the display thread: the window is made (0) or cannot be (-1; the body
// then returns).
void gfxDisplayReady(int32_t result);
// True while the display thread is to go on with its passes.
bool gfxDisplayRunning();
// Ends the passes, lets the display thread in for its last one (also while
// the program holds the lock), waits for it and frees the lock. Safe when
// nothing was started.
void gfxDisplayStop();
// True on the display thread.
bool gfxOnDisplayThread();
// The display thread's side of the lock, once per pass; not nestable.
void gfxDisplayTake();
void gfxDisplayRelease();
// The lock and unlock slots: the program's side, or the display thread's own
// when called there.
void gfxDisplayLock();
void gfxDisplayUnlock();

// ---- the picture -----------------------------------------------------------

// Display rows [top, top + count); count 0: none.
struct GfxBand {
    int32_t top, count;
};
// Display rows per framebuffer line of the open screen (1 without one).
int32_t gfxLineMultiplier();
// Under the lock: the band of display rows holding every dirty line.
GfxBand gfxDirtyBand();
// Under the lock: the dirty lines of the visible page converted through
// `blitter` into `picture` (display row 0 at `picture`, rows `pitch` bytes
// apart) or, without a blitter, copied as they are (one row a line); every
// mark cleared. The band it wrote.
GfxBand gfxTakeDirtyBand(Blitter blitter, uint8_t* picture, int32_t pitch);
// Every line to be redrawn at the next pass.
void gfxMarkAllDirty();

// ---- shared driver slots ---------------------------------------------------

// The mouse state when the window is active and the pointer over the
// picture: 0; else -1 and nothing written.
int32_t gfxDisplayReadMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons,
                            int32_t* clip);
// x >= 0 moves the pointer (clamped to the picture; the position kept as
// asked); cursor 0 hides it, above 0 shows it; clip 0 releases it, above 0
// confines it; negative values leave each as it is.
void gfxDisplayMoveMouse(int32_t x, int32_t y, int32_t cursor, int32_t clip);
// Sleeps one frame of the screen's refresh rate (16 ms when unknown).
void gfxDisplayWaitRetrace();

// Display modes as (width << 16) | height, growing by one per mode kept.
struct GfxModeList {
    int32_t* modes;
    int32_t count;
};
// Keeps a mode of `bits` per pixel when they are `depth`, or (paired) its
// pair 15/16 or 24/32. False only when memory ran out (the list stays).
bool gfxModeListAdd(GfxModeList* list, int32_t width, int32_t height, int32_t bits, int32_t depth,
                    bool paired);

// A driver record with the display layer's slots in it: the lock and unlock,
// the mouse query and placement, the timed retrace wait. The driver sets its
// own.
constexpr GfxDriver gfxDisplayDriver(const char* name) {
    return {.name = name,
            .lock = gfxDisplayLock,
            .unlock = gfxDisplayUnlock,
            .waitRetrace = gfxDisplayWaitRetrace,
            .readMouse = gfxDisplayReadMouse,
            .moveMouse = gfxDisplayMoveMouse};
}
