// PSET, PRESET and POINT: a fixed, small amount of work per call (no
// allocation, one lock level, one pixel).
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

void gfxPset(const void* target, float x, float y, uint32_t colour, uint32_t flags,
             int32_t preset) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return;
    gfxSetTarget(c, target);
    if (!(flags & FLAG_DEFAULT_COLOR))
        colour = gfxColorToPixel(c->bytesPerPixel, colour);
    else
        colour = preset ? c->background : c->foreground;
    gfxSelectDrawRoutines(c, colour);
    gfxApplyStepOne(c, flags, &x, &y);
    int32_t px, py;
    gfxMapPoint(c, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return;
    gfxLock();
    c->putPixel(c, px, py, colour);
    if (gfxDrawsOnVisiblePage(c)) gfxMode->dirtyLines[py] = 1;
    gfxUnlock(1, 0);
}

int32_t gfxPoint(const void* target, float x, float y) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return -1;
    if (y == POINT_INFO_MARK) {
        int32_t n = gfxTruncate(static_cast<double>(x));
        return gfxTruncate(static_cast<double>(gfxPointInfo(n)));
    }
    gfxSetTarget(c, target);
    gfxSelectDrawRoutines(c, 0xFF000000u);
    int32_t px, py;
    gfxMapPoint(c, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return -1;
    gfxLock();
    uint32_t value = c->getPixel(c, px, py);
    gfxUnlock(1, 0);
    if (gfxMode->depth == 16) {
        uint32_t r5 = value >> 11 & 0x1F, g6 = value >> 5 & 0x3F, b5 = value & 0x1F;
        value = (r5 * 8 + r5 / 4) << 16 | (g6 * 4 + g6 / 16) << 8 | (b5 * 8 + b5 / 4);
    }
    return static_cast<int32_t>(value);
}
