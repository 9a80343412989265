// PSET, PRESET and POINT: a fixed, small amount of work per call (no
// allocation, one lock level, one pixel). The usual call, on the screen's work
// page of a 1-byte screen, takes a short path that stores or reads the palette
// index inline, and a point read just before is found again without mapping it;
// everything else goes through the context's routines.
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

namespace {

// The context when it is current for the open screen, the screen's work page
// is already the target and its pixels are single bytes; else null.
inline GfxContext* plainByteScreen(const void* target) {
    GfxContext* c = gfxCachedContext();
    GfxMode* m = gfxMode;
    if (!c || !m || c->modeId != m->id || target || c->target ||
        (c->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET)) || c->bytesPerPixel != 1)
        return nullptr;
    return c;
}

// The context when (x, y) on the screen is the point remembered: it still
// belongs to the open screen and nothing moved the point since. Else null.
inline GfxContext* rememberedPoint(const void* target, float x, float y) {
    GfxContext* c = gfxCachedContext();
    GfxMode* m = gfxMode;
    return c && m && !target && c->modeId == m->id && c->pointPixel &&
                   c->pointKey == gfxPointKey(x, y)
               ? c
               : nullptr;
}

[[gnu::noinline]] uint8_t readLocked(GfxMode* m, const uint8_t* pixel) {
    gfxAcquire(m);
    uint8_t value = *pixel;
    gfxRelease(m);
    return value;
}

[[gnu::noinline]] void writeLocked(GfxMode* m, uint8_t* pixel, uint8_t value, uint8_t* dirty) {
    gfxAcquire(m);
    *pixel = value;
    if (dirty) *dirty = 1;
    gfxRelease(m);
}

// One byte under one lock level. A driver without a lock has nothing to take
// (the level count would only go up and down again), so none is counted; the
// locked forms stay out of line to keep the usual call short.
inline uint8_t readByte(GfxMode* m, const uint8_t* pixel) {
    return gfxDriverLocks ? readLocked(m, pixel) : *pixel;
}

inline void writeByte(GfxMode* m, uint8_t* pixel, uint8_t value, uint8_t* dirty) {
    if (gfxDriverLocks) return writeLocked(m, pixel, value, dirty);
    *pixel = value;
    if (dirty) *dirty = 1;
}

inline bool isStep(uint32_t flags) {
    uint32_t type = flags & COORD_TYPE_MASK;
    return type == COORD_ONE_STEP || type == COORD_STEP_ABS || type == COORD_STEP_STEP;
}

// A byte needs no conversion and never blends.
inline uint32_t byteColour(const GfxContext* c, uint32_t colour, uint32_t flags, int32_t preset) {
    return !(flags & FLAG_DEFAULT_COLOR) ? colour & 0xFF : preset ? c->background : c->foreground;
}

[[gnu::noinline]] void psetAny(const void* target, float x, float y, uint32_t colour,
                               uint32_t flags, int32_t preset) {
    uint32_t pixel;
    GfxContext* c = gfxBeginDraw(target, colour, flags, preset, &pixel);
    if (!c) return;
    int32_t px, py;
    gfxPlacePoint(c, flags, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return;
    gfxAcquire(gfxMode);
    c->putPixel(c, px, py, pixel);
    gfxEndDraw(c, py, py);
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

[[gnu::noinline]] void psetPlain(const void* target, float x, float y, uint32_t colour,
                                 uint32_t flags, int32_t preset) {
    GfxContext* c = isStep(flags) ? nullptr : plainByteScreen(target);
    if (!c) return psetAny(target, x, y, colour, flags, preset);
    colour = byteColour(c, colour, flags, preset);
    gfxSelectDrawRoutines(c, colour);
    c->lastX = x;
    c->lastY = y;
    int32_t px, py;
    gfxMapPoint(c, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return;
    GfxMode* m = gfxMode;
    writeByte(m, c->lines[py] + px, static_cast<uint8_t>(colour), gfxDirtyMark(c, py));
}

[[gnu::noinline]] int32_t pointPlain(const void* target, float x, float y) {
    GfxContext* c = plainByteScreen(target);
    if (!c || y == POINT_INFO_MARK) return pointAny(target, x, y);
    int32_t px, py;
    gfxMapPoint(c, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return -1;
    c->getPixel = gfxPixel.getPixel;
    uint8_t* pixel = c->lines[py] + px;
    c->pointKey = gfxPointKey(x, y);
    c->pointPixel = pixel;
    c->pointDirty = gfxDirtyMark(c, py);
    return readByte(gfxMode, pixel);
}

} // namespace

// STEP forms take the general path: the others then keep x and y in registers
// (an absolute point only becomes the last point).
void gfxPset(const void* target, float x, float y, uint32_t colour, uint32_t flags,
             int32_t preset) {
    GfxContext* c = isStep(flags) ? nullptr : rememberedPoint(target, x, y);
    if (!c) return psetPlain(target, x, y, colour, flags, preset);
    colour = byteColour(c, colour, flags, preset);
    gfxSelectDrawRoutines(c, colour);
    c->lastX = x;
    c->lastY = y;
    writeByte(gfxMode, c->pointPixel, static_cast<uint8_t>(colour), c->pointDirty);
}

int32_t gfxPoint(const void* target, float x, float y) {
    GfxContext* c = rememberedPoint(target, x, y);
    if (!c) return pointPlain(target, x, y);
    return readByte(gfxMode, c->pointPixel);
}
