// PSET, PRESET and POINT: a fixed, small amount of work per call (no
// allocation, one lock level, one pixel), all of it read from the drawing
// context as its last change of target, page or view left it. On the screen's
// work page of a one-byte screen (the usual call) a short path stores or reads
// the byte inline; the rest goes through the general path, kept out of line
// so the short one saves no registers.
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

namespace {

// One-byte pixels never blend: they are stored and read inline, the rest
// through the context's routines.
inline void writePixel(GfxContext* c, int32_t x, int32_t y, uint32_t value) {
    if (c->bytesPerPixel == 1)
        c->lines[y][x] = static_cast<uint8_t>(value);
    else
        c->putPixel(c, x, y, value);
}

inline uint32_t readPixel(GfxContext* c, int32_t x, int32_t y) {
    return c->bytesPerPixel == 1 ? c->lines[y][x] : c->getPixel(c, x, y);
}

// The context when it is the open screen's and its target is the screen's
// work page of one-byte pixels, with no world window; else null (the general
// path decides).
inline GfxContext* byteScreen(const void* target) {
    GfxContext* c = gfxCachedContext();
    GfxMode* m = gfxMode;
    if (!c || !m || target || c->modeId != m->id || c->bytesPerPixel != 1 ||
        (c->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET | CTX_WINDOW)))
        return nullptr;
    return c;
}

// A byte of the screen stored, its line marked when drawn on the page shown.
inline void storeByte(GfxContext* c, int32_t x, int32_t y, uint8_t value) {
    c->lines[y][x] = value;
    if (gfxDrawsOnVisiblePage(c)) gfxMarkLines(gfxMode, y, y);
}

// The same under one lock level, for a driver with a lock when the quick take
// cannot be had (a driver without a lock needs no level: it would just rise and
// fall within the call). Out of line, so that the short path saves no registers.
[[gnu::noinline]] void storeByteLocked(GfxContext* c, int32_t x, int32_t y, uint8_t value) {
    GfxMode* m = gfxMode;
    gfxAcquire(m);
    storeByte(c, x, y, value);
    gfxRelease(m);
}

[[gnu::noinline]] uint8_t readByteLocked(const GfxContext* c, int32_t x, int32_t y) {
    GfxMode* m = gfxMode;
    gfxAcquire(m);
    uint8_t value = c->lines[y][x];
    gfxRelease(m);
    return value;
}

inline bool isStep(uint32_t flags) {
    uint32_t type = flags & COORD_TYPE_MASK;
    return type == COORD_ONE_STEP || type == COORD_STEP_ABS || type == COORD_STEP_STEP;
}

[[gnu::noinline]] void psetAny(const void* target, float x, float y, uint32_t colour,
                               uint32_t flags, int32_t preset) {
    uint32_t pixel;
    GfxContext* c = gfxBeginDraw(target, colour, flags, preset, &pixel);
    if (!c) return;
    int32_t px, py;
    gfxApplyStepOne(c, flags, &x, &y);
    if (!gfxFindPoint(c, x, y, &px, &py)) return;
    gfxAcquire(gfxMode);
    writePixel(c, px, py, pixel);
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
    if (!gfxFindPoint(c, x, y, &px, &py)) return -1;
    gfxAcquire(m);
    uint32_t value = readPixel(c, px, py);
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
    GfxContext* c = isStep(flags) ? nullptr : byteScreen(target);
    if (!c) return psetAny(target, x, y, colour, flags, preset);
    // What gfxBeginDraw and gfxApplyStepOne do for a byte: a byte never
    // blends, and an absolute point only becomes the last point.
    auto value = static_cast<uint8_t>(gfxDrawColour(c, colour, flags, preset));
    gfxSetLastPoint(c, x, y);
    int32_t px, py;
    if (!gfxFindPoint(c, x, y, &px, &py, true)) return;
    if (!gfxDriverLocks) {
        storeByte(c, px, py, value);
        return gfxDrawTick();
    }
    if (!gfxQuickTake(gfxMode)) return storeByteLocked(c, px, py, value);
    storeByte(c, px, py, value);
    if (!gfxQuickRelease()) gfxQuickWake();
}

int32_t gfxPoint(const void* target, float x, float y) {
    GfxContext* c = byteScreen(target);
    if (!c || y == POINT_INFO_MARK) return pointAny(target, x, y);
    int32_t px, py;
    if (!gfxFindPoint(c, x, y, &px, &py, true)) return -1;
    if (!gfxDriverLocks) return c->lines[py][px];
    if (!gfxQuickTake(gfxMode)) return readByteLocked(c, px, py);
    uint8_t value = c->lines[py][px];
    if (!gfxQuickRelease()) gfxQuickWake();
    return value;
}
