// Built-in fonts and palettes: one compressed block expanded once per process
// into a fixed area the first time a screen opens. The descriptors point into
// that area, so nothing may read them before `gfxLoadBuiltinData`.
#pragma once

#include <cstdint>

struct FontInfo {
    int32_t width;         // 8 for every built-in font
    int32_t height;        // 8, 14 or 16
    const uint8_t* glyphs; // glyph g: rows g*height .. g*height+height-1, bit 0 leftmost
};

struct PaletteInfo {
    int32_t count;         // 2, 16, 64 or 256
    const uint8_t* colors; // count (red, green, blue) triples, 0..255
};

constexpr int32_t BUILTIN_EXPANDED_SIZE = 10742;

extern const uint8_t BUILTIN_DATA[];       // 12-bit LZW stream ended by code 0xFFF
extern const int32_t BUILTIN_DATA_LENGTH;  // its length in bytes
extern uint8_t builtinArea[BUILTIN_EXPANDED_SIZE];

extern const FontInfo FONT_8X8, FONT_8X14, FONT_8X16;
extern const PaletteInfo PALETTE_2, PALETTE_16, PALETTE_64, PALETTE_256;

// Expands BUILTIN_DATA into builtinArea once per process.
void gfxLoadBuiltinData();
// Expands a 12-bit LZW stream: 0 when its end code is reached, -1 on bad
// arguments or a damaged stream (truncated, a code not yet defined, more
// output than fits), never reading or writing outside the buffers given.
// outputLength: capacity in, bytes written out (also on failure).
int32_t gfxLzwDecode(const uint8_t* input, int32_t inputLength, uint8_t* output,
                     int32_t* outputLength);
