// PSET, PRESET and POINT: a fixed, small amount of work per call (no
// allocation, one lock level, one pixel). The usual call, on the screen's work
// page of a 1-byte screen, takes a short path that stores or reads the palette
// index inline; everything else goes through the context's routines.
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

namespace {

// The context when it is current for the open screen, the screen's work page
// is already the target and its pixels are single bytes; else null.
inline GfxContext* plainByteScreen(const void* target) {
    GfxContext* c = gfxContextCache;
    GfxMode* m = gfxMode;
    if (!c || !m || c->modeId != m->id || target || c->target ||
        (c->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET)) || c->bytesPerPixel != 1)
        return nullptr;
    return c;
}

[[gnu::noinline]] void psetAny(const void* target, float x, float y, uint32_t colour,
                               uint32_t flags, int32_t preset) {
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
    c->putPixel(c, px, py, colour);
    if (gfxDrawsOnVisiblePage(c)) m->dirtyLines[py] = 1;
    gfxRelease(m);
}

[[gnu::noinline]] int32_t pointAny(const void* target, float x, float y) {
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
    c->getPixel = gfxPixel.getPixel;
    gfxAcquire(m);
    uint32_t value = c->getPixel(c, px, py);
    gfxRelease(m);
    if (m->depth == 16) {
        uint32_t r5 = value >> 11 & 0x1F, g6 = value >> 5 & 0x3F, b5 = value & 0x1F;
        value = (r5 * 8 + r5 / 4) << 16 | (g6 * 4 + g6 / 16) << 8 | (b5 * 8 + b5 / 4);
    }
    return static_cast<int32_t>(value);
}

} // namespace

void gfxPset(const void* target, float x, float y, uint32_t colour, uint32_t flags,
             int32_t preset) {
    GfxContext* c = plainByteScreen(target);
    // STEP forms take the general path too: the short one then keeps x and y
    // in registers (an absolute point only becomes the last point).
    uint32_t type = flags & COORD_TYPE_MASK;
    if (!c || type == COORD_ONE_STEP || type == COORD_STEP_ABS || type == COORD_STEP_STEP)
        return psetAny(target, x, y, colour, flags, preset);
    // A byte needs no conversion and never blends.
    colour = !(flags & FLAG_DEFAULT_COLOR) ? colour & 0xFF : preset ? c->background : c->foreground;
    gfxSelectDrawRoutines(c, colour);
    c->lastX = x;
    c->lastY = y;
    int32_t px, py;
    gfxMapPoint(c, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return;
    uint8_t* pixel = c->lines[py] + px;
    uint8_t* dirty = gfxDrawsOnVisiblePage(c) ? gfxMode->dirtyLines + py : nullptr;
    GfxMode* m = gfxMode;
    gfxAcquire(m);
    *pixel = static_cast<uint8_t>(colour);
    if (dirty) *dirty = 1;
    gfxRelease(m);
}

int32_t gfxPoint(const void* target, float x, float y) {
    GfxContext* c = plainByteScreen(target);
    if (!c || y == POINT_INFO_MARK) return pointAny(target, x, y);
    int32_t px, py;
    gfxMapPoint(c, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return -1;
    c->getPixel = gfxPixel.getPixel;
    const uint8_t* pixel = c->lines[py] + px;
    GfxMode* m = gfxMode;
    gfxAcquire(m);
    uint32_t value = *pixel;
    gfxRelease(m);
    return static_cast<int32_t>(value);
}
