// Image buffers: a header, then the pixels. Two header forms are read (see
// ImageHeader in context.h); images this system makes are always in the new
// form, with every line starting 16-byte aligned. One routine describes any
// buffer, for the drawing target, PUT, GET and the picture files alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/core/context.h"

// Lines of images this system makes start on this boundary (the buffer too).
constexpr uint32_t IMAGE_LINE_ALIGN = 16;

struct GfxImageShape {
    int32_t bytesPerPixel; // 1, 2 or 4
    int32_t width, height;
    int32_t pitch;   // bytes from a line to the next
    uint8_t* pixels; // the first line
};

// What `image` holds, from its header: the new form, or the old one (which
// carries no depth: `screenBytesPerPixel` is taken). False for a header that
// cannot describe a picture (bytes per pixel other than 1, 2 or 4, a pitch
// below a line, a side or size beyond a screen's); the shape is then empty.
bool gfxDescribeImage(const void* image, int32_t screenBytesPerPixel, GfxImageShape* shape);

// Bytes per line of a new-form image: a whole line rounded up to
// IMAGE_LINE_ALIGN; 0 for bytes per pixel other than 1, 2 or 4 or a width
// outside 1..IMAGE_MAX_SIDE.
uint32_t gfxImagePitch(int32_t width, int32_t bytesPerPixel);
// Bytes of a new-form image, header included; 0 when the sides or the depth
// cannot make one (a side below 1 or beyond IMAGE_MAX_SIDE, bytes beyond
// IMAGE_MAX_BYTES).
extern "C" size_t gfxImageBytes(int32_t width, int32_t height, int32_t bytesPerPixel);
// Writes a new-form header for those sides at the start of `buffer` (which
// holds gfxImageBytes of them); the pixels are left as they are.
void gfxWriteImageHeader(void* buffer, int32_t width, int32_t height, int32_t bytesPerPixel);

// The colour PUT's TRANS form skips and a new image is filled with when no
// colour is given: index 0 at 1 byte, magenta (5-6-5 0xF81F) at 2, and
// 0xFFFF00FF at 4 (where any alpha with red and blue full and no green
// counts as transparent).
constexpr uint32_t gfxTransparentColour(int32_t bytesPerPixel) {
    return bytesPerPixel == 1 ? 0u : bytesPerPixel == 2 ? 0xF81Fu : 0xFFFF00FFu;
}
constexpr bool gfxIsTransparent(int32_t bytesPerPixel, uint32_t pixel) {
    return bytesPerPixel == 4 ? (pixel & 0xFFFFFFu) == 0xFF00FFu
                              : pixel == gfxTransparentColour(bytesPerPixel);
}
