// The palette of screens of 8 bits or fewer: the colour shown for each pixel
// value (`palette`), the mode's default colours (`colorTable`) and, for the
// modes with fewer than 256 default colours, which default colour each pixel
// value shows (`attrMap`). Every change reaches the driver's setColor and
// marks the whole screen dirty, under the framebuffer lock. 16- and 32-bit
// screens have no palette: every call returns at once.
#pragma once

#include <cstdint>

// PALETTE index, value[, green, blue]; a negative index resets to the mode's
// default (for mode 1 the index chooses the map).
extern "C" void gfxPalette(int32_t index, int32_t value, int32_t green, int32_t blue);
// One entry: a packed 6-bit value with the 256-colour default palette, a
// colour number with the smaller ones.
void gfxSetPaletteEntry(int32_t index, int32_t value);
// PALETTE USING: entries whose value is negative are left alone.
extern "C" void gfxPaletteUsing(const int32_t* values);
// Sends all 256 entries to the driver again.
void gfxResendPalette();

// Packs 8-bit components as 0x00BBGGRR.
inline uint32_t gfxPackRgb(uint32_t red, uint32_t green, uint32_t blue) {
    return (red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16;
}
