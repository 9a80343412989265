// Pixel formats and the process-wide pixel and memory routines.
//
// The framebuffer stores a pixel in 1 byte (palette index), 2 bytes (5-6-5) or
// 4 bytes (0xAARRGGBB). `gfxSelectPixelRoutines` fills one process-wide table
// for a given size; contexts copy what they need and primitives call through
// the pointers. Pixel routines do no bounds checks: callers clip.
#pragma once

#include <cstddef>
#include <cstdint>

struct GfxContext;

using PutPixelFn = void (*)(GfxContext* context, int32_t x, int32_t y, uint32_t value);
using GetPixelFn = uint32_t (*)(GfxContext* context, int32_t x, int32_t y);
using FillSpanFn = void (*)(uint8_t* destination, uint32_t value, int32_t count);
using CopyPixelsFn = void (*)(uint8_t* destination, const uint8_t* source, int32_t count);
using MemCopyFn = void (*)(void* destination, const void* source, size_t bytes);
using MemFillFn = void (*)(void* destination, uint8_t value, size_t bytes);

struct PixelRoutines {
    PutPixelFn putPixel;
    GetPixelFn getPixel;
    FillSpanFn fillSpan;
    PutPixelFn blendPixel;
    FillSpanFn blendSpan;
    CopyPixelsFn copyPixels;
    FillSpanFn clearSpan; // never blends
};

extern PixelRoutines gfxPixel;
extern MemCopyFn gfxMemCopy;
extern MemFillFn gfxMemFill;

// Fills gfxPixel, gfxMemCopy and gfxMemFill for 1, 2 or (any other value) 4
// bytes per pixel; uses the 8-byte-store routines when the processor has MMX
// and then sets MODE_MMX in the open screen.
void gfxSelectPixelRoutines(int32_t bytesPerPixel);
// gfxSelectDrawRoutines (context.h) picks from this table per primitive.

// A user colour (0xRRGGBB / index) as a stored value for the pixel size.
inline uint32_t gfxColorToPixel(int32_t bytesPerPixel, uint32_t colour) {
    if (bytesPerPixel == 2)
        return ((colour >> 8) & 0xF800) | ((colour >> 5) & 0x7E0) | ((colour & 0xFF) >> 3);
    if (bytesPerPixel == 1) return colour & 0xFF;
    return colour;
}
// COLOR's form: 5-6-5 from the components for 2 bytes, else the colour.
uint32_t gfxRgbToPixel(int32_t bytesPerPixel, uint32_t colour, int32_t red, int32_t green,
                       int32_t blue);

// The individual routines, for tests and for callers that need one variant.
// Plain blend: red, green, blue blended, the source's alpha kept. Vector
// blend: all four channels blended with the same formula.
uint32_t gfxBlendPlain(uint32_t source, uint32_t destination);
uint32_t gfxBlendVector(uint32_t source, uint32_t destination);
void gfxMemCopyWide(void* destination, const void* source, size_t bytes);
void gfxMemFillWide(void* destination, uint8_t value, size_t bytes);
void gfxFill16Wide(uint8_t* destination, uint32_t value, int32_t count);
void gfxFill32Wide(uint8_t* destination, uint32_t value, int32_t count);
void gfxBlendSpanVector(uint8_t* destination, uint32_t value, int32_t count);

// Test seam: when nonzero, replaces the processor word consulted for MMX.
extern uint32_t gfxCpuOverride;
