// The drawing context: lazy re-initialisation, target selection, STEP and the
// world-to-pixel mapping.
#include "gfx/core/context.h"

#include <cstdlib>
#include <cstring>

#include "gfx/core/mode.h"
#include "runtime/runtime.h"

namespace {

// Points every line of the work page (or image) into `lines`; grows the table
// when needed. False when memory ran out (the table is then left empty).
bool fillLines(GfxContext* c, uint8_t* first, int32_t height, int32_t pitch) {
    if (height > c->linesCapacity) {
        void* grown = std::realloc(c->lines, sizeof(uint8_t*) * static_cast<size_t>(height));
        if (!grown) return false;
        c->lines = static_cast<uint8_t**>(grown);
        c->linesCapacity = height;
    }
    for (int32_t i = 0; i < height; ++i)
        c->lines[i] = first + static_cast<ptrdiff_t>(i) * pitch;
    return true;
}

void setView(int32_t* view, int32_t left, int32_t top, int32_t width, int32_t height) {
    view[0] = left, view[1] = top, view[2] = width, view[3] = height;
}

void selectScreen(GfxContext* c) {
    std::memcpy(c->view, c->screenView, sizeof c->view);
    c->bytesPerPixel = gfxMode->bytesPerPixel;
    c->pitch = gfxMode->pitch;
    int32_t page = c->workPage >= 0 && c->workPage < gfxMode->pageCount ? c->workPage : 0;
    // Without a line table nothing can be drawn: an empty view clips everything.
    if (!fillLines(c, gfxMode->pages[page], gfxMode->height, gfxMode->pitch))
        setView(c->view, 0, 0, 0, 0);
    gfxSelectPixelRoutines(gfxMode->bytesPerPixel);
    c->flags &= ~(CTX_RESET_PENDING | CTX_IMAGE_TARGET);
}

void selectImage(GfxContext* c, const void* target) {
    if (!(c->flags & CTX_IMAGE_TARGET)) std::memcpy(c->screenView, c->view, sizeof c->view);
    const auto* bytes = static_cast<const uint8_t*>(target);
    uint32_t kind;
    std::memcpy(&kind, bytes, sizeof kind);
    int32_t bytesPerPixel, width, height, pitch;
    const uint8_t* pixels;
    if (kind == IMAGE_HEADER_NEW) {
        ImageHeader h;
        std::memcpy(&h, bytes, sizeof h);
        bytesPerPixel = static_cast<int32_t>(h.bytesPerPixel);
        width = static_cast<int32_t>(h.width);
        height = static_cast<int32_t>(h.height);
        pitch = static_cast<int32_t>(h.pitch);
        pixels = bytes + sizeof(ImageHeader);
        gfxSelectPixelRoutines(bytesPerPixel);
    } else {
        uint16_t h[2];
        std::memcpy(h, bytes, sizeof h);
        bytesPerPixel = gfxMode->bytesPerPixel;
        width = h[0] >> 3;
        height = h[1];
        pitch = width * bytesPerPixel;
        pixels = bytes + 4;
    }
    if (width < 0 || height < 0) width = height = 0;
    c->bytesPerPixel = bytesPerPixel;
    c->pitch = pitch;
    setView(c->view, 0, 0, width, height);
    if (!fillLines(c, const_cast<uint8_t*>(pixels), height, pitch)) setView(c->view, 0, 0, 0, 0);
    c->flags |= CTX_IMAGE_TARGET;
}

} // namespace

int32_t gfxTruncate(long double v) {
    if (!(v > -GFX_COORD_LIMIT)) return -GFX_COORD_LIMIT; // also NaN
    if (v > GFX_COORD_LIMIT) return GFX_COORD_LIMIT;
    return static_cast<int32_t>(v);
}

float gfxSingle(long double value) {
    volatile float stored = static_cast<float>(value);
    return stored;
}

GfxContext* gfxContextCache = nullptr;

GfxContext* gfxGetContextSlow() {
    auto* c = static_cast<GfxContext*>(rtContextSlot(GFX_CONTEXT_SLOT, sizeof(GfxContext)));
    gfxContextCache = c;
    if (!c || !gfxMode || c->modeId == gfxMode->id) return c;
    std::free(c->lines);
    std::memset(c, 0, sizeof *c);
    c->modeId = gfxMode->id;
    setView(c->screenView, 0, 0, gfxMode->width, gfxMode->height);
    c->lines = static_cast<uint8_t**>(
        std::malloc(sizeof(uint8_t*) * static_cast<size_t>(gfxMode->height)));
    c->linesCapacity = c->lines ? gfxMode->height : 0;
    c->foreground = gfxMode->depth == 8 ? 15 : gfxMode->colorMask;
    c->background = gfxMode->colorMask & 0xFF000000u;
    c->flags = CTX_RESET_PENDING;
    gfxSetTarget(c, nullptr);
    c->putPixel = gfxPixel.putPixel;
    c->fillSpan = gfxPixel.fillSpan;
    c->getPixel = gfxPixel.getPixel;
    return c;
}

void gfxSetTargetSlow(GfxContext* c, const void* target) {
    if (!gfxMode) return;
    gfxForgetPoint(c);
    if (!target) {
        if (c->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET)) selectScreen(c);
    } else if (target != c->target) {
        selectImage(c, target);
    }
    c->target = target;
}

void gfxApplyStep(GfxContext* c, uint32_t flags, float* x1, float* y1, float* x2, float* y2) {
    uint32_t type = flags & COORD_TYPE_MASK;
    if (type == COORD_STEP_ABS || type == COORD_STEP_STEP || type == COORD_ONE_STEP) {
        *x1 = gfxSingle(static_cast<long double>(*x1) + c->lastX);
        *y1 = gfxSingle(static_cast<long double>(*y1) + c->lastY);
    }
    if (x2 && y2 && (type == COORD_ABS_STEP || type == COORD_STEP_STEP)) {
        *x2 = gfxSingle(static_cast<long double>(*x2) + *x1);
        *y2 = gfxSingle(static_cast<long double>(*y2) + *y1);
    }
    c->lastX = x2 ? *x2 : *x1;
    c->lastY = y2 ? *y2 : *y1;
}

void gfxSortBox(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) {
    if (*x1 > *x2) {
        int32_t t = *x1;
        *x1 = *x2, *x2 = t;
    }
    if (*y1 > *y2) {
        int32_t t = *y1;
        *y1 = *y2, *y2 = t;
    }
}

float gfxPmap(float value, int32_t kind) {
    GfxContext* c = gfxGetContext();
    if (c) gfxSetTarget(c, nullptr);
    // No operation of this system sets a world window: every kind maps 1:1.
    return kind >= 0 && kind <= 3 ? value : 0.0f;
}

float gfxPointInfo(int32_t n) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return 0.0f;
    switch (n) {
    case 0:
        return gfxPmap(c->lastX, 0);
    case 1:
        return gfxPmap(c->lastY, 1);
    case 2:
        return c->lastX;
    case 3:
        return c->lastY;
    default:
        return 0.0f;
    }
}

uint8_t* gfxScreenPtr() {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return nullptr;
    gfxSetTarget(c, nullptr);
    return c->linesCapacity > 0 ? c->lines[0] : nullptr;
}

void gfxView(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t, uint32_t, uint32_t) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return;
    // Only the reset form exists: a framed or filled viewport is never set.
    if ((x1 | y1 | x2 | y2) != -32768) return;
    c->flags &= ~CTX_VIEW;
    gfxForgetPoint(c);
    setView(c->view, 0, 0, gfxMode->width, gfxMode->height);
}
