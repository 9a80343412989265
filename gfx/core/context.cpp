// The drawing context: lazy re-initialisation, target selection, STEP and the
// world-to-pixel mapping.
#include "gfx/core/context.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/core/image.h"
#include "gfx/core/lock.h"
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
    // The window's corners onto the view's first and last columns and rows.
    if (c->flags & CTX_WINDOW) {
        bool down = (c->flags & CTX_WINDOW_SCREEN) != 0;
        double columns = c->view[2] > 1 ? c->view[2] - 1 : 0;
        double rows = c->view[3] > 1 ? c->view[3] - 1 : 0;
        double width = static_cast<double>(c->window[2]) - c->window[0];
        double height = static_cast<double>(c->window[3]) - c->window[1];
        c->info.worldOrigin[0] = c->window[0];
        c->info.worldScale[0] = columns / width;
        c->info.worldOrigin[1] = down ? c->window[1] : c->window[3];
        c->info.worldScale[1] = (down ? rows : -rows) / height;
        c->info.worldCorner[0] = c->view[0];
        c->info.worldCorner[1] = c->view[1];
    }
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
    setView(c->view, 0, 0, 0, 0);
    GfxImageShape shape;
    if (!gfxDescribeImage(target, gfxMode->bytesPerPixel, &shape)) {
        rtSetError(RT_ERR_BAD_ARGUMENT);
        return;
    }
    gfxSelectPixelRoutines(shape.bytesPerPixel);
    c->bytesPerPixel = shape.bytesPerPixel;
    c->pitch = shape.pitch;
    if (fillLines(c, shape.pixels, shape.height, shape.pitch))
        setView(c->view, 0, 0, shape.width, shape.height);
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

namespace {

// A view-relative value half away from zero; stored first, so that x87 and
// SSE round the same double.
int32_t roundPixel(double value) {
    volatile double stored = value;
    return gfxTruncate(std::round(stored));
}

int32_t worldToPixel(const GfxContext* c, float value, int32_t axis) {
    volatile double offset = value - c->info.worldOrigin[axis];
    return roundPixel(offset * c->info.worldScale[axis]) + c->info.worldCorner[axis];
}

double pixelToWorld(const GfxContext* c, double value, int32_t axis) {
    if (!(c->flags & CTX_WINDOW)) return value - c->info.origin[axis];
    double scale = c->info.worldScale[axis];
    // A view one pixel across: every world value lands on it.
    if (scale == 0) return c->info.worldOrigin[axis];
    return c->info.worldOrigin[axis] + (value - c->info.worldCorner[axis]) / scale;
}

} // namespace

void gfxMapWorld(const GfxContext* c, float x, float y, int32_t* px, int32_t* py) {
    *px = worldToPixel(c, x, 0);
    *py = worldToPixel(c, y, 1);
}

void gfxPixelToWorld(const GfxContext* c, double px, double py, float* x, float* y) {
    *x = gfxNarrow(pixelToWorld(c, px, 0));
    *y = gfxNarrow(pixelToWorld(c, py, 1));
}

float gfxPmap(float value, int32_t kind) {
    GfxContext* c = gfxGetContext();
    if (kind < 0 || kind > 3) return 0.0f;
    if (!gfxMode || !c) return value;
    gfxSetTarget(c, nullptr);
    if (!(c->flags & CTX_WINDOW)) return value;
    // Physical coordinates count from the view's corner (not with the SCREEN
    // form of the view): target pixels less the origin.
    int32_t axis = kind & 1;
    if (kind < 2) return static_cast<float>(worldToPixel(c, value, axis) - c->info.origin[axis]);
    return gfxNarrow(pixelToWorld(c, static_cast<double>(value) + c->info.origin[axis], axis));
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

namespace {

// The view's frame, one pixel outside it where the screen has room, and its
// fill, each unless its flag says the colour was not given: under one lock
// level, the rows touched marked.
void paintView(GfxContext* c, uint32_t fillColour, uint32_t borderColour, uint32_t flags) {
    GfxMode* m = gfxMode;
    int32_t left = c->view[0], top = c->view[1];
    int32_t right = left + c->view[2] - 1, bottom = top + c->view[3] - 1;
    int32_t first = top, last = bottom;
    auto span = [c](int32_t y, int32_t from, int32_t to, uint32_t pixel) {
        c->fillSpan(c->lines[y] + static_cast<ptrdiff_t>(from) * c->bytesPerPixel, pixel,
                    to - from + 1);
    };
    if (c->linesCapacity < m->height) return;
    gfxLock();
    if (!(flags & VIEW_NO_BORDER)) {
        uint32_t pixel = gfxDrawColour(c, borderColour, 0, 0);
        gfxSelectDrawRoutines(c, pixel);
        int32_t from = left > 0 ? left - 1 : 0, to = right < m->width - 1 ? right + 1 : right;
        if (top > 0) span(first = top - 1, from, to, pixel);
        if (bottom < m->height - 1) span(last = bottom + 1, from, to, pixel);
        for (int32_t y = top; y <= bottom; ++y) {
            if (left > 0) c->putPixel(c, left - 1, y, pixel);
            if (right < m->width - 1) c->putPixel(c, right + 1, y, pixel);
        }
    }
    if (!(flags & VIEW_NO_FILL)) {
        uint32_t pixel = gfxDrawColour(c, fillColour, 0, 0);
        gfxSelectDrawRoutines(c, pixel);
        for (int32_t y = top; y <= bottom; ++y)
            span(y, left, right, pixel);
    }
    gfxEndDraw(c, first, last);
}

} // namespace

void gfxView(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fillColour,
             uint32_t borderColour, uint32_t flags) {
    GfxContext* c = gfxGetContext();
    GfxMode* m = gfxMode;
    if ((x1 | y1 | x2 | y2) == GFX_VIEW_RESET) {
        if (!m || !c) return;
        c->flags &= ~(CTX_VIEW | CTX_VIEW_SCREEN);
        gfxSetView(c, 0, 0, m->width, m->height);
        return;
    }
    gfxSortBox(&x1, &y1, &x2, &y2);
    if (!m || !c || x2 < 0 || y2 < 0 || x1 >= m->width || y1 >= m->height) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return;
    }
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    if (x2 > m->width - 1) x2 = m->width - 1;
    if (y2 > m->height - 1) y2 = m->height - 1;
    gfxSetTarget(c, nullptr);
    c->flags = (c->flags & ~CTX_VIEW_SCREEN) | CTX_VIEW | (flags & CTX_VIEW_SCREEN);
    gfxSetView(c, x1, y1, x2 - x1 + 1, y2 - y1 + 1);
    if ((flags & (VIEW_NO_FILL | VIEW_NO_BORDER)) != (VIEW_NO_FILL | VIEW_NO_BORDER))
        paintView(c, fillColour, borderColour, flags);
}

void gfxWindow(float x1, float y1, float x2, float y2, uint32_t flags) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return;
    }
    if (flags & WINDOW_NO_CORNERS) {
        c->flags &= ~(CTX_WINDOW | CTX_WINDOW_SCREEN);
        std::memset(c->window, 0, sizeof c->window);
        resolve(c);
        return;
    }
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2) ||
        x1 == x2 || y1 == y2) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return;
    }
    c->window[0] = x1 < x2 ? x1 : x2;
    c->window[1] = y1 < y2 ? y1 : y2;
    c->window[2] = x1 < x2 ? x2 : x1;
    c->window[3] = y1 < y2 ? y2 : y1;
    c->flags = (c->flags & ~CTX_WINDOW_SCREEN) | CTX_WINDOW | (flags & CTX_WINDOW_SCREEN);
    resolve(c);
}
