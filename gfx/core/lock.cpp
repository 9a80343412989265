#include "gfx/core/lock.h"

#include "gfx/core/context.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

std::atomic_flag gfxEventGuard;

void gfxUnlockMarking(int32_t first, int32_t last) {
    GfxMode* m = gfxMode;
    if (!m) return;
    if (last < 0) last = m->height - 1;
    auto* c = static_cast<GfxContext*>(rtContextSlot(GFX_CONTEXT_SLOT, sizeof(GfxContext)));
    if (c && m->visiblePage == c->workPage) {
        if (first < 0) first = 0;
        if (last < m->height) gfxMarkLines(m, first, last);
    }
    gfxRelease(m);
}

void gfxQuickWake() {
    GfxMode* m = gfxMode;
    if (m && m->driver->unlock) m->driver->unlock();
}

int32_t gfxDrawTicks = GFX_DRAW_TICKS;

// Only between primitives (no level held): the page's turn may show the
// picture and take events, which must find the screen whole.
void gfxDrawTurn() {
    gfxDrawTicks = GFX_DRAW_TICKS;
    GfxMode* m = gfxMode;
    if (!m || m->lockCount == 0) rtYieldBusy();
}
