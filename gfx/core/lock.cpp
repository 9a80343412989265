#include "gfx/core/lock.h"

#include "gfx/core/context.h"
#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "runtime/runtime.h"

void gfxLock() {
    GfxMode* m = gfxMode;
    if (!m) return;
    if (m->lockCount == 0 && m->driver && m->driver->lock) m->driver->lock();
    ++m->lockCount;
}

void gfxUnlock(int32_t first, int32_t last) {
    GfxMode* m = gfxMode;
    if (!m) return;
    if (first <= last || last < 0) {
        if (last < 0) last = m->height - 1;
        auto* c = static_cast<GfxContext*>(rtContextSlot(GFX_CONTEXT_SLOT, sizeof(GfxContext)));
        if (c && m->visiblePage == c->workPage) {
            if (first < 0) first = 0;
            if (first <= last && last < m->height)
                for (int32_t y = first; y <= last; ++y)
                    m->dirtyLines[y] = 1;
        }
    }
    if (m->lockCount > 0 && --m->lockCount == 0 && m->driver && m->driver->unlock)
        m->driver->unlock();
}
