// PSET, PRESET and POINT: a fixed, small amount of work per call (no
// allocation, one lock level, one pixel). On a 1-byte target the pixel is
// stored or read inline; other sizes go through the context's routines.
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

void gfxPset(const void* target, float x, float y, uint32_t colour, uint32_t flags,
             int32_t preset) {
    GfxContext* c = gfxGetContext();
    GfxMode* m = gfxMode;
    if (!m || !c) return;
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
    gfxAcquire(m);
    if (c->putPixel == gfxPutPixel8)
        c->lines[py][px] = static_cast<uint8_t>(colour);
    else
        c->putPixel(c, px, py, colour);
    if (gfxDrawsOnVisiblePage(c)) m->dirtyLines[py] = 1;
    gfxRelease(m);
}

int32_t gfxPoint(const void* target, float x, float y) {
    GfxContext* c = gfxGetContext();
    GfxMode* m = gfxMode;
    if (!m || !c) return -1;
    if (y == POINT_INFO_MARK) {
        int32_t n = gfxTruncate(static_cast<double>(x));
        return gfxTruncate(static_cast<double>(gfxPointInfo(n)));
    }
    gfxSetTarget(c, target);
    int32_t px, py;
    gfxMapPoint(c, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return -1;
    // Reading needs only the target's getPixel: the drawing routines are left
    // as they are (every primitive that draws selects its own).
    GetPixelFn get = gfxPixel.getPixel;
    c->getPixel = get;
    gfxAcquire(m);
    uint32_t value = get == gfxGetPixel8 ? c->lines[py][px] : get(c, px, py);
    gfxRelease(m);
    if (m->depth == 16) {
        uint32_t r5 = value >> 11 & 0x1F, g6 = value >> 5 & 0x3F, b5 = value & 0x1F;
        value = (r5 * 8 + r5 / 4) << 16 | (g6 * 4 + g6 / 16) << 8 | (b5 * 8 + b5 / 4);
    }
    return static_cast<int32_t>(value);
}
