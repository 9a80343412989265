// The drawing context: what every primitive draws on (the screen's work page
// or an image), its line table, the clip view, the last point for STEP
// coordinates, the default colours and the pixel routines in use. One per
// process, kept in runtime context slot 4 and re-initialised lazily the first
// time it is fetched after a new screen (new `id`) has opened. Used from the
// program's thread only. Other units read its fields; only the routines
// declared here write them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "gfx/core/mode.h"
#include "gfx/core/pixel.h"
#include "runtime/runtime.h"

enum : uint32_t {
    CTX_RESET_PENDING = 0x1,
    CTX_IMAGE_TARGET = 0x2,
    CTX_WINDOW = 0x4,
    CTX_WINDOW_SCREEN = 0x8,
    CTX_VIEW = 0x10,
    CTX_VIEW_SCREEN = 0x20,
};

// The primitives' flags word: coordinate type in bits 0..2, bit 31 = no colour.
enum : uint32_t {
    COORD_ABS_ABS = 0,
    COORD_ABS_STEP = 1,
    COORD_STEP_ABS = 2,
    COORD_STEP_STEP = 3,
    COORD_ONE_ABS = 4,
    COORD_ONE_STEP = 5,
    COORD_TYPE_MASK = 7,
    FLAG_DEFAULT_COLOR = 0x80000000u,
};

// gfxView's flags: CTX_VIEW_SCREEN asks for the SCREEN form (absolute
// coordinates, still clipped to the view); a colour not given has its bit.
enum : uint32_t {
    VIEW_NO_FILL = 0x1,
    VIEW_NO_BORDER = 0x2,
};
// gfxView's corners OR-ed together equal to this reset the view to the screen
// (what VIEW without arguments, SCREEN and WIDTH pass: all four this value).
constexpr int32_t GFX_VIEW_RESET = -32768;
// gfxWindow's flags: CTX_WINDOW_SCREEN asks for the SCREEN form (y grows
// downwards); WINDOW_NO_CORNERS removes the window.
enum : uint32_t {
    WINDOW_NO_CORNERS = 0x1,
};

constexpr int32_t GFX_CONTEXT_SLOT = 4;

// What DRAW keeps from one command string to the next, as the classic
// statement does: all zero after a new screen, which is every default.
struct GfxDrawState {
    // The pen unrounded, so that a figure drawn over many strings does not
    // drift; only while the last point is still the pen stored as singles.
    double penX, penY;
    int32_t angle;   // degrees counter-clockwise, 0..359
    int32_t scale;   // quarter pixels a unit; 0 = 4, one pixel
    uint32_t colour; // the colour of C, while hasColour; else the foreground
    bool hasColour;
};

struct GfxContext {
    int32_t modeId; // id of the screen last initialised for; 0 = never
    int32_t workPage;
    uint8_t** lines; // start of each line of the current target
    int32_t linesCapacity;
    int32_t bytesPerPixel;
    int32_t pitch;
    const void* target; // null = the screen's work page
    float lastX, lastY; // world coordinates
    int32_t view[4];    // left, top, width, height
    int32_t screenView[4];
    float window[4];                 // world window: its corners x1, y1, x2, y2, sorted
    uint32_t foreground, background; // in the target's pixel format
    PutPixelFn putPixel;
    GetPixelFn getPixel;
    FillSpanFn fillSpan;
    uint32_t flags;
    // The header words the current image target was described from: a buffer
    // whose header changed since is described again, never trusted.
    uint32_t targetHeader[5];
    // What the primitives read besides the fields above, worked out from them
    // by the context alone whenever the screen, target, work page, view or
    // window changes (gfxSetTarget, gfxSetWorkPage, gfxSetView, gfxView,
    // gfxWindow), which also drops the point PSET and POINT found last.
    struct {
        int32_t origin[2]; // added to a rounded point: the view's corner
        // With a world window, per axis: target pixel =
        // round((world - worldOrigin) * worldScale) + worldCorner.
        double worldOrigin[2];
        double worldScale[2];
        int32_t worldCorner[2];
        uint8_t* page;     // first byte of the screen page drawn on; null for an image
        bool canBlend;     // a 4-byte target of an alpha screen
        bool blending;     // putPixel and fillSpan are the blending routines
        bool pointFound;   // the last point found inside the view: its singles'
        uint64_t pointKey; // bits and its target pixel
        int32_t pointX, pointY;
    } info;
    GfxDrawState draw; // written only by DRAW, through gfxSetDrawState
};

static_assert(offsetof(GfxContext, workPage) == 4 && offsetof(GfxContext, lines) == 8 &&
                  offsetof(GfxContext, flags) > offsetof(GfxContext, fillSpan) &&
                  offsetof(GfxContext, screenView) == offsetof(GfxContext, view) + 16,
              "GfxContext fields in the fixed order");

// An image whose header starts with this word carries bytes per pixel, width,
// height and pitch, with its pixels 32 bytes from the start.
constexpr uint32_t IMAGE_HEADER_NEW = 7;
struct ImageHeader {
    uint32_t kind; // IMAGE_HEADER_NEW
    uint32_t bytesPerPixel;
    uint32_t width;
    uint32_t height;
    uint32_t pitch;
    uint32_t reserved[3];
};
static_assert(sizeof(ImageHeader) == 32, "pixels start 32 bytes in");
// Largest image side: what a screen can have.
constexpr uint32_t IMAGE_MAX_SIDE = 0xFFFF;
// Largest image in bytes (pitch x height): what a screen page can have.
constexpr uint64_t IMAGE_MAX_BYTES = 0x7FFFFFFF - 64;

// The slot's block once created; primitives reach it without the runtime call.
extern GfxContext* gfxContextCache;
// The cached block while it is still the slot's (a larger request for the
// slot may have moved it), else null.
inline GfxContext* gfxCachedContext() {
    GfxContext* c = gfxContextCache;
    return c == rtState.contexts[GFX_CONTEXT_SLOT] ? c : nullptr;
}
// The context, re-initialised for the open screen if it changed. Never null
// except when the runtime cannot allocate the slot.
GfxContext* gfxGetContextSlow();
inline GfxContext* gfxGetContext() {
    GfxContext* c = gfxCachedContext();
    if (c && gfxMode && c->modeId == gfxMode->id) return c;
    return gfxGetContextSlow();
}
// Selects the screen's work page (target null) or an image. An image whose
// header is inconsistent (bytes per pixel other than 1, 2 or 4, a pitch below
// width x bytes per pixel, sizes beyond a screen's) becomes the target with an
// empty view, so every primitive clips it away, and error 5 is recorded.
void gfxSetTargetSlow(GfxContext* context, const void* target);
inline void gfxSetTarget(GfxContext* context, const void* target) {
    // The screen again while it already is the target: nothing changes.
    if (!target && !context->target && !(context->flags & (CTX_RESET_PENDING | CTX_IMAGE_TARGET)))
        return;
    gfxSetTargetSlow(context, target);
}
// Points the screen's work page at `page` (the line table follows while the
// screen is the target; an image target keeps its own until the screen returns).
void gfxSetWorkPage(GfxContext* context, int32_t page);
// The screen's view rectangle (kept aside while an image is the target).
void gfxSetView(GfxContext* context, int32_t left, int32_t top, int32_t width, int32_t height);
void gfxSwitchBlending(GfxContext* context, bool blend);
// The context's putPixel/fillSpan: blending ones for a translucent colour on a
// 4-byte target of an alpha screen, else the plain ones. Written only when the
// choice changes; getPixel never changes with the colour.
inline void gfxSelectDrawRoutines(GfxContext* context, uint32_t colour) {
    bool blend = context->info.canBlend && (colour & 0xFF000000u) != 0xFF000000u;
    if (blend != context->info.blending) gfxSwitchBlending(context, blend);
}
// The colour a primitive draws with, in the target's pixel format: the
// foreground, or the background for PRESET, when flags ask for the default.
inline uint32_t gfxDrawColour(const GfxContext* context, uint32_t colour, uint32_t flags,
                              int32_t preset) {
    if (flags & FLAG_DEFAULT_COLOR) return preset ? context->background : context->foreground;
    return gfxColorToPixel(context->bytesPerPixel, colour);
}
// The prologue of every drawing primitive: the context for the open screen
// with `target` selected, `*pixel` the colour in the target's format (the
// foreground, or the background for PRESET, when flags ask for the default
// colour) and the draw routines chosen for it. Null while no screen is open.
inline GfxContext* gfxBeginDraw(const void* target, uint32_t colour, uint32_t flags, int32_t preset,
                                uint32_t* pixel) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return nullptr;
    gfxSetTarget(c, target);
    *pixel = gfxDrawColour(c, colour, flags, preset);
    gfxSelectDrawRoutines(c, *pixel);
    return c;
}
// The last point (world coordinates) that STEP adds to and POINT reports.
inline void gfxSetLastPoint(GfxContext* context, float x, float y) {
    context->lastX = x;
    context->lastY = y;
}
// DRAW's state as a command string leaves it.
inline void gfxSetDrawState(GfxContext* context, const GfxDrawState& state) {
    context->draw = state;
}
// The default colours (COLOR), in the target's pixel format.
void gfxSetForeground(GfxContext* context, uint32_t pixel);
void gfxSetBackground(GfxContext* context, uint32_t pixel);
// Applies the coordinate type of `flags`; x2/y2 may be null for one point.
void gfxApplyStep(GfxContext* context, uint32_t flags, float* x1, float* y1, float* x2, float* y2);
// The one-point form: an absolute point only becomes the last point.
inline void gfxApplyStepOne(GfxContext* context, uint32_t flags, float* x, float* y) {
    uint32_t type = flags & COORD_TYPE_MASK;
    if (type == COORD_ONE_STEP || type == COORD_STEP_ABS || type == COORD_STEP_STEP) {
        gfxApplyStep(context, flags, x, y, nullptr, nullptr);
        return;
    }
    gfxSetLastPoint(context, *x, *y);
}
void gfxSortBox(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2);
// PMAP: kinds 0 and 1 world x and y to physical (the pixel a point lands
// on, counted from the view's corner unless the view has the SCREEN form),
// 2 and 3 physical to world; each value unchanged while no window is set;
// other kinds 0. Selects the screen as target first.
extern "C" float gfxPmap(float value, int32_t kind);
// The last point: 0 and 1 physical (gfxPmap), 2 and 3 world; otherwise 0.
extern "C" float gfxPointInfo(int32_t n);
uint8_t* gfxScreenPtr();
// VIEW: the corners sorted and clipped to the screen become the clip view of
// every primitive, with its corner as the origin unless `flags` has
// CTX_VIEW_SCREEN; filled with fillColour and framed one pixel outside with
// borderColour unless VIEW_NO_FILL / VIEW_NO_BORDER (colours as a
// primitive's). Corners OR-ed to GFX_VIEW_RESET reset the view to the screen.
// A view with no pixel on the screen, or no screen, is an illegal call
// (RT_ERR_ILLEGAL_CALL) and changes nothing. A window stays mapped onto the
// new view.
extern "C" void gfxView(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fillColour,
                        uint32_t borderColour, uint32_t flags);
// WINDOW: world coordinates (x1, y1)-(x2, y2), sorted, mapped linearly onto
// the view: x1 to its left column, x2 to its right; y1 to its bottom row
// (its top with CTX_WINDOW_SCREEN in flags), y2 to the other. Equal or
// infinite corners, or no screen: an illegal call, nothing changes.
// WINDOW_NO_CORNERS removes the window.
extern "C" void gfxWindow(float x1, float y1, float x2, float y2, uint32_t flags);

// True when the context draws on the page shown (an image target never does).
inline bool gfxDrawsOnVisiblePage(const GfxContext* context) {
    return context->info.page == gfxMode->framebuffer;
}
// True when (x, y) lies inside the context's view.
// (Widths and heights are never negative: one unsigned compare per axis.)
inline bool gfxInView(const GfxContext* context, int32_t x, int32_t y) {
    return static_cast<uint32_t>(x) - static_cast<uint32_t>(context->view[0]) <
               static_cast<uint32_t>(context->view[2]) &&
           static_cast<uint32_t>(y) - static_cast<uint32_t>(context->view[1]) <
               static_cast<uint32_t>(context->view[3]);
}

// Conversions that never overflow: saturate into +-GFX_COORD_LIMIT (NaN goes
// to the negative limit), which lies outside every view.
constexpr int32_t GFX_COORD_LIMIT = 1 << 30;
inline int32_t gfxTruncate(double value) {
    if (!(value > -GFX_COORD_LIMIT)) return -GFX_COORD_LIMIT; // also NaN
    if (value > GFX_COORD_LIMIT) return GFX_COORD_LIMIT;
    return static_cast<int32_t>(value);
}
int32_t gfxTruncate(long double value);
// Half away from zero, worked out on the single's bits: exact, the same on
// both targets, and free of the x87 rounding-mode switches that a conversion
// to integer costs on i686. Screen-sized values take the first branch.
inline int32_t gfxRound(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    uint32_t exponent = (bits >> 23) & 0xFF;
    uint32_t mantissa = (bits & 0x7FFFFF) | 0x800000; // value = mantissa * 2^(exponent - 150)
    if (exponent - 126u < 24u) {                      // 0.5 <= |value| < 2^23
        // Keep one fraction bit, add a half, drop it; then apply the sign.
        uint32_t magnitude = ((mantissa >> (149 - exponent)) + 1) >> 1;
        uint32_t sign = 0u - (bits >> 31);
        return static_cast<int32_t>((magnitude ^ sign) - sign);
    }
    bool negative = (bits >> 31) != 0;
    if (exponent < 126) return 0;                                       // below 0.5
    if (exponent == 0xFF && (bits & 0x7FFFFF)) return -GFX_COORD_LIMIT; // NaN
    if (exponent >= 127 + 30) return negative ? -GFX_COORD_LIMIT : GFX_COORD_LIMIT;
    uint32_t magnitude = mantissa << (exponent - 150); // integral already
    return negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
}
// A double as the nearest single; beyond the singles' range, an infinity.
inline float gfxNarrow(double value) {
    constexpr double LARGEST = 3.4028234663852886e38;
    if (value > LARGEST) return std::numeric_limits<float>::infinity();
    if (value < -LARGEST) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
// The value rounded to single precision, also where the compiler would keep
// extended precision in registers: makes i686 (x87) and x86-64 agree.
float gfxSingle(long double value);

// A world point through the window (out of line: the rare case).
void gfxMapWorld(const GfxContext* context, float x, float y, int32_t* px, int32_t* py);

// World point to target pixels: through the window when one is set (in
// double precision, once per point), else used as it is; rounded half away
// from zero, view origin added. Huge, infinite and NaN values saturate far
// outside any view. Not clipped: see gfxInView and `view`.
// `noWindow`: the caller has seen that no window is set (a constant, so the
// test and the call it guards leave the caller's code).
inline void gfxMapPoint(const GfxContext* context, float x, float y, int32_t* px, int32_t* py,
                        bool noWindow = false) {
    if (!noWindow && (context->flags & CTX_WINDOW)) [[unlikely]]
        return gfxMapWorld(context, x, y, px, py);
    *px = gfxRound(x) + context->info.origin[0];
    *py = gfxRound(y) + context->info.origin[1];
}

// Target pixels back to world coordinates (fractional pixels allowed): the
// inverse of gfxMapPoint, for a primitive that moves in pixels and keeps its
// last point in world coordinates.
void gfxPixelToWorld(const GfxContext* context, double px, double py, float* x, float* y);

// A length in world units along x (axis 0) or y (axis 1) as pixels, never
// negative for a length that is not: unchanged while no window is set.
// (CIRCLE's radius is measured along x.)
inline float gfxLengthToPixels(const GfxContext* context, float length, int32_t axis) {
    if (!(context->flags & CTX_WINDOW)) return length;
    double scale = context->info.worldScale[axis & 1];
    return gfxNarrow(length * (scale < 0 ? -scale : scale));
}

// A primitive's one point: STEP applied (the point becomes the last point),
// then mapped to target pixels.
inline void gfxPlacePoint(GfxContext* context, uint32_t flags, float x, float y, int32_t* px,
                          int32_t* py) {
    gfxApplyStepOne(context, flags, &x, &y);
    gfxMapPoint(context, x, y, px, py);
}

// (x, y) in target pixels when inside the view. The last point found is kept
// in `info`, which every change of view, target or window drops: a program
// that reads, sets and reads a point again maps it once. (`noWindow` as for
// gfxMapPoint.)
inline bool gfxFindPoint(GfxContext* context, float x, float y, int32_t* px, int32_t* py,
                         bool noWindow = false) {
    uint32_t bx, by;
    std::memcpy(&bx, &x, sizeof bx);
    std::memcpy(&by, &y, sizeof by);
    uint64_t key = static_cast<uint64_t>(by) << 32 | bx;
    if (context->info.pointFound && context->info.pointKey == key) {
        *px = context->info.pointX;
        *py = context->info.pointY;
        return true;
    }
    gfxMapPoint(context, x, y, px, py, noWindow);
    if (!gfxInView(context, *px, *py)) return false;
    context->info.pointFound = true;
    context->info.pointKey = key;
    context->info.pointX = *px;
    context->info.pointY = *py;
    return true;
}
