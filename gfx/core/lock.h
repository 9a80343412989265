// The nestable framebuffer lock and the dirty-line marks. Only the outermost
// gfxLock/gfxUnlock pair reaches the driver's lock; the display thread redraws
// lines whose byte in `dirtyLines` is set, under the same driver lock.
#pragma once

#include <cstdint>

#include "gfx/core/driver.h"
#include "gfx/core/mode.h"

// Takes one level on an open screen; the driver's lock at the outermost.
inline void gfxAcquire(GfxMode* m) {
    if (m->lockCount == 0 && gfxDriverLocks && m->driver->lock) m->driver->lock();
    ++m->lockCount;
}

inline void gfxLock() {
    if (gfxMode) gfxAcquire(gfxMode);
}

// Releases one level; the driver's unlock at the outermost.
inline void gfxRelease(GfxMode* m) {
    if (m->lockCount > 0 && --m->lockCount == 0 && gfxDriverLocks && m->driver->unlock)
        m->driver->unlock();
}

void gfxUnlockMarking(int32_t first, int32_t last);
// Marks lines first..last dirty when the work page is the visible one (first
// < 0 becomes 0, last < 0 becomes the last line; a range outside the screen
// marks nothing), then releases one level. (1, 0) only releases.
inline void gfxUnlock(int32_t first, int32_t last) {
    if (first > last && last >= 0) {
        if (gfxMode) gfxRelease(gfxMode);
        return;
    }
    gfxUnlockMarking(first, last);
}
