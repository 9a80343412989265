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

// The one place that works out `info` and the pixel routines from the rest of
// the context; called after every change of target, work page or view.
void resolve(GfxContext* c) {
    bool screenCoordinates = (c->flags & CTX_VIEW_SCREEN) != 0;
    c->info.origin[0] = screenCoordinates ? 0 : c->view[0];
    c->info.origin[1] = screenCoordinates ? 0 : c->view[1];
    c->info.page = c->flags & CTX_IMAGE_TARGET ? nullptr : gfxMode->pages[c->workPage];
    c->info.canBlend = c->bytesPerPixel == 4 && (gfxMode->flags & MODE_ALPHA);
    c->info.blending = false;
    c->info.pointFound = false;
    c->putPixel = gfxPixel.putPixel;
    c->fillSpan = gfxPixel.fillSpan;
    c->getPixel = gfxPixel.getPixel;
}

// Points the line table at the work page. Without a line table nothing can
// be drawn: an empty view clips everything.
void fillScreenLines(GfxContext* c) {
    if (!fillLines(c, gfxMode->pages[c->workPage], gfxMode->height, gfxMode->pitch))
        setView(c->view, 0, 0, 0, 0);
}

void selectScreen(GfxContext* c) {
    std::memcpy(c->view, c->screenView, sizeof c->view);
    c->bytesPerPixel = gfxMode->bytesPerPixel;
    c->pitch = gfxMode->pitch;
    if (c->workPage < 0 || c->workPage >= gfxMode->pageCount) c->workPage = 0;
    fillScreenLines(c);
    gfxSelectPixelRoutines(gfxMode->bytesPerPixel);
    c->flags &= ~(CTX_RESET_PENDING | CTX_IMAGE_TARGET);
}

// The header words that describe `target`: the new form's five, or the old
// form's first (width x 8 and depth code, height) with the rest zero.
void readHeader(const void* target, uint32_t words[5]) {
    std::memcpy(words, target, sizeof(uint32_t));
    if (words[0] == IMAGE_HEADER_NEW) {
        std::memcpy(words, target, 5 * sizeof(uint32_t));
    } else {
        for (int i = 1; i < 5; ++i)
            words[i] = 0;
    }
}

void selectImage(GfxContext* c, const void* target, const uint32_t header[5]) {
    if (!(c->flags & CTX_IMAGE_TARGET)) std::memcpy(c->screenView, c->view, sizeof c->view);
    std::memcpy(c->targetHeader, header, sizeof c->targetHeader);
    c->flags |= CTX_IMAGE_TARGET;
    const auto* bytes = static_cast<const uint8_t*>(target);
    uint32_t bytesPerPixel, width, height, pitch;
    const uint8_t* pixels;
    if (header[0] == IMAGE_HEADER_NEW) {
        bytesPerPixel = header[1], width = header[2], height = header[3], pitch = header[4];
        pixels = bytes + sizeof(ImageHeader);
    } else {
        bytesPerPixel = static_cast<uint32_t>(gfxMode->bytesPerPixel);
        width = (header[0] & 0xFFFF) >> 3;
        height = header[0] >> 16;
        pitch = width * bytesPerPixel;
        pixels = bytes + 4;
    }
    bool valid = (bytesPerPixel == 1 || bytesPerPixel == 2 || bytesPerPixel == 4) &&
                 width <= IMAGE_MAX_SIDE && height <= IMAGE_MAX_SIDE &&
                 pitch >= width * bytesPerPixel &&
                 static_cast<uint64_t>(pitch) * height <= IMAGE_MAX_BYTES;
    setView(c->view, 0, 0, 0, 0);
    if (!valid) {
        rtSetError(RT_ERR_BAD_ARGUMENT);
        return;
    }
    gfxSelectPixelRoutines(static_cast<int32_t>(bytesPerPixel));
    c->bytesPerPixel = static_cast<int32_t>(bytesPerPixel);
    c->pitch = static_cast<int32_t>(pitch);
    if (fillLines(c, const_cast<uint8_t*>(pixels), static_cast<int32_t>(height),
                  static_cast<int32_t>(pitch)))
        setView(c->view, 0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height));
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
    return c;
}

void gfxSetTargetSlow(GfxContext* c, const void* target) {
    if (!gfxMode) return;
    if (!target) {
        if (c->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET)) {
            selectScreen(c);
            resolve(c);
        }
    } else {
        uint32_t header[5];
        readHeader(target, header);
        if (target != c->target || !(c->flags & CTX_IMAGE_TARGET) ||
            std::memcmp(header, c->targetHeader, sizeof header) != 0) {
            selectImage(c, target, header);
            resolve(c);
        }
    }
    c->target = target;
}

void gfxSetWorkPage(GfxContext* c, int32_t page) {
    if (!gfxMode || page < 0 || page >= gfxMode->pageCount) return;
    c->workPage = page;
    if (c->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET)) return; // lines come with the screen
    fillScreenLines(c);
    resolve(c);
}

void gfxSetView(GfxContext* c, int32_t left, int32_t top, int32_t width, int32_t height) {
    if (!gfxMode) return;
    // While an image is the target the screen's view waits in screenView.
    if (c->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET)) {
        setView(c->screenView, left, top, width, height);
        return;
    }
    setView(c->view, left, top, width, height);
    resolve(c);
}

void gfxSwitchBlending(GfxContext* c, bool blend) {
    c->info.blending = blend;
    c->putPixel = blend ? gfxPixel.blendPixel : gfxPixel.putPixel;
    c->fillSpan = blend ? gfxPixel.blendSpan : gfxPixel.fillSpan;
}

void gfxSetForeground(GfxContext* c, uint32_t pixel) {
    c->foreground = pixel;
}

void gfxSetBackground(GfxContext* c, uint32_t pixel) {
    c->background = pixel;
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
    gfxSetView(c, 0, 0, gfxMode->width, gfxMode->height);
}
