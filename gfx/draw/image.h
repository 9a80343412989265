// Images a program makes, copies the screen into and puts back: IMAGECREATE,
// IMAGEDESTROY, GET and PUT. Images are new-form buffers (gfx/core/image.h);
// PUT and drawing targets read the old form too. GET and PUT take world
// coordinates like the other primitives and need an open screen; an image is
// made and freed without one.
#pragma once

#include <cstddef>
#include <cstdint>

// A new image of width x height at `bytesPerPixel` (0: the screen's, or 4
// when no screen is open), every pixel `colour` (as PSET takes colours: an
// index at 1 byte, 0xRRGGBB at 2, 0xAARRGGBB at 4), or the depth's
// transparent colour when flags has FLAG_DEFAULT_COLOR. A side below 1 or
// beyond a screen's, or bytes per pixel other than 0, 1, 2, 4 (15/16 and
// 24/32 are taken as depths): illegal function call, null. No memory:
// out-of-memory error, null. Free it with gfxImageDestroy.
extern "C" void* gfxImageCreate(int32_t width, int32_t height, uint32_t colour,
                                int32_t bytesPerPixel, uint32_t flags);
// Frees an image gfxImageCreate or gfxLoadBmp made; null does nothing.
extern "C" void gfxImageDestroy(void* image);

// GET: copies the rectangle (x1, y1)-(x2, y2) of `source` (null: the
// screen's work page; else an image) into `destination` as a new-form image.
// flags: the coordinate type (COORD_*) as LINE takes it. The corners are
// mapped as LINE maps them and sorted. A rectangle not wholly inside the
// source's view, or a destination of fewer than the image's bytes
// (gfxImageBytes), is an illegal function call and nothing is written.
// Returns 0 or the error number.
extern "C" int32_t gfxGet(const void* source, float x1, float y1, float x2, float y2,
                          void* destination, size_t destinationSize, uint32_t flags);

// PUT's drawing forms.
enum : int32_t {
    PUT_XOR = 0, // the default
    PUT_PSET = 1,
    PUT_PRESET = 2, // the image inverted: every bit at 1 and 2 bytes, the colour at 4
    PUT_AND = 3,
    PUT_OR = 4,
    PUT_TRANS = 5, // the depth's transparent colour skipped
    PUT_ALPHA = 6, // blended: by each pixel's alpha, or by `alpha` when given
    PUT_MODE_COUNT = 7,
};
// gfxPut's flags besides the coordinate type (COORD_ONE_ABS/COORD_ONE_STEP).
constexpr uint32_t PUT_SOURCE_RECT = 0x100; // (sx1, sy1)-(sx2, sy2), image pixels, is the part put
constexpr uint32_t PUT_CONSTANT_ALPHA = 0x200; // ALPHA blends every pixel by `alpha` (0..255)
// PUT: the image (or its part) with its top-left corner at world point
// (x, y) of `target` (null: the screen's work page), clipped to the target's
// view. AND, OR and XOR work on the stored values, all bits. TRANS skips the
// transparent colour (gfxTransparentColour). ALPHA blends 4-byte pixels by
// their alpha (0 leaves the target as it was) or, with PUT_CONSTANT_ALPHA, by
// `alpha`, skipping the transparent colour; on 1- and 2-byte targets it is
// TRANS. An image put onto itself gives what a copy made first would.
// An image of other bytes per pixel than the target, a bad header or mode:
// illegal function call, nothing drawn. The point becomes the last point.
extern "C" void gfxPut(const void* target, float x, float y, const void* image, int32_t sx1,
                       int32_t sy1, int32_t sx2, int32_t sy2, int32_t mode, int32_t alpha,
                       uint32_t flags);
