// Expansion of the built-in fonts and palettes, and the 12-bit LZW decoder
// that carries them. The decoder trusts nothing in its input: every code is
// checked against the bytes present, the codes defined so far and the space
// left, so a damaged stream ends with -1 instead of a stray read or write.
#include "gfx/core/builtin_data.h"

#include <cstddef>

static_assert(offsetof(FontInfo, width) == 0 && offsetof(FontInfo, height) == 4 &&
                  offsetof(FontInfo, glyphs) == 8,
              "FontInfo: width, height, glyph data in this order");
static_assert(offsetof(PaletteInfo, count) == 0 &&
                  offsetof(PaletteInfo, colors) == (sizeof(void*) == 8 ? 8 : 4),
              "PaletteInfo: count, colour data in this order");

namespace {

// Layout of the expanded area.
constexpr int32_t OFFSET_FONT_8X8 = 0;
constexpr int32_t OFFSET_FONT_8X14 = OFFSET_FONT_8X8 + 256 * 8;
constexpr int32_t OFFSET_FONT_8X16 = OFFSET_FONT_8X14 + 256 * 14;
constexpr int32_t OFFSET_PALETTE_2 = OFFSET_FONT_8X16 + 256 * 16;
constexpr int32_t OFFSET_PALETTE_16 = OFFSET_PALETTE_2 + 2 * 3;
constexpr int32_t OFFSET_PALETTE_64 = OFFSET_PALETTE_16 + 16 * 3;
constexpr int32_t OFFSET_PALETTE_256 = OFFSET_PALETTE_64 + 64 * 3;
static_assert(OFFSET_FONT_8X14 == 2048 && OFFSET_FONT_8X16 == 5632 && OFFSET_PALETTE_2 == 9728 &&
                  OFFSET_PALETTE_16 == 9734 && OFFSET_PALETTE_64 == 9782 &&
                  OFFSET_PALETTE_256 == 9974,
              "built-in area layout");
static_assert(OFFSET_PALETTE_256 + 256 * 3 == BUILTIN_EXPANDED_SIZE, "built-in area size");

constexpr int32_t LZW_END = 0xFFF;
constexpr int32_t LZW_FIRST_FREE = 256;
constexpr int32_t LZW_LAST_ENTRY = 0xFFE;
constexpr int32_t LZW_STACK_SIZE = 4096;

struct LzwEntry {
    uint16_t prefix;
    uint8_t byte;
};

// The decoder's own dictionary and string stack, kept for the whole process.
// Only entries defined by the current call are ever read.
LzwEntry lzwDictionary[4096];
uint8_t lzwStack[LZW_STACK_SIZE];

bool builtinExpanded = false;

// Code k of the stream: pairs of codes share three bytes, the first taking
// b0 and the low nibble of b1, the second the high nibble of b1 and b2.
// Returns -1 when the code's bytes lie beyond the input.
int32_t lzwReadCode(const uint8_t* input, int32_t inputLength, int32_t k) {
    const int64_t base = int64_t(k / 2) * 3;
    if (k % 2 == 0) {
        if (base + 1 >= inputLength) return -1;
        return input[base] | (input[base + 1] & 0x0F) << 8;
    }
    if (base + 2 >= inputLength) return -1;
    return input[base + 1] >> 4 | input[base + 2] << 4;
}

} // namespace

uint8_t builtinArea[BUILTIN_EXPANDED_SIZE];

const FontInfo FONT_8X8 = {8, 8, builtinArea + OFFSET_FONT_8X8};
const FontInfo FONT_8X14 = {8, 14, builtinArea + OFFSET_FONT_8X14};
const FontInfo FONT_8X16 = {8, 16, builtinArea + OFFSET_FONT_8X16};
const PaletteInfo PALETTE_2 = {2, builtinArea + OFFSET_PALETTE_2};
const PaletteInfo PALETTE_16 = {16, builtinArea + OFFSET_PALETTE_16};
const PaletteInfo PALETTE_64 = {64, builtinArea + OFFSET_PALETTE_64};
const PaletteInfo PALETTE_256 = {256, builtinArea + OFFSET_PALETTE_256};

int32_t gfxLzwDecode(const uint8_t* input, int32_t inputLength, uint8_t* output,
                     int32_t* outputLength) {
    if (!outputLength) return -1;
    const int32_t capacity = *outputLength;
    *outputLength = 0;
    if (!input || !output || inputLength < 2 || capacity < 1) return -1;

    // The stream opens with a plain byte code.
    int32_t prev = lzwReadCode(input, inputLength, 0);
    if (prev < 0 || prev >= LZW_FIRST_FREE) return -1;
    uint8_t first = uint8_t(prev);
    output[0] = first;
    int32_t written = 1;
    int32_t next = LZW_FIRST_FREE;

    for (int32_t k = 1;; k++) {
        const int32_t code = lzwReadCode(input, inputLength, k);
        if (code < 0) break; // ran out of input before the end code
        if (code == LZW_END) {
            *outputLength = written;
            return 0;
        }
        // A code beyond the next free one names nothing yet.
        if (code > next) break;

        // Build the string backwards: the dictionary yields the last byte first.
        int32_t top = LZW_STACK_SIZE;
        int32_t walk = code;
        if (code == next) {
            // Not yet defined: the previous string followed by its own first byte.
            lzwStack[--top] = first;
            walk = prev;
        }
        // Every entry's prefix is an older code, so the walk ends; the stack
        // bound holds whatever the dictionary says.
        while (walk >= LZW_FIRST_FREE && top > 0) {
            lzwStack[--top] = lzwDictionary[walk].byte;
            walk = lzwDictionary[walk].prefix;
        }
        if (top == 0) break; // the string does not fit the stack
        lzwStack[--top] = uint8_t(walk);
        first = lzwStack[top];

        const int32_t length = LZW_STACK_SIZE - top;
        const int32_t room = capacity - written;
        const int32_t count = length <= room ? length : room;
        for (int32_t i = 0; i < count; i++)
            output[written + i] = lzwStack[top + i];
        written += count;
        if (count < length) break; // output full

        if (next <= LZW_LAST_ENTRY) {
            lzwDictionary[next].prefix = uint16_t(prev);
            lzwDictionary[next].byte = first;
            next++;
        }
        prev = code;
    }
    *outputLength = written;
    return -1;
}

void gfxLoadBuiltinData() {
    if (builtinExpanded) return;
    int32_t length = BUILTIN_EXPANDED_SIZE;
    gfxLzwDecode(BUILTIN_DATA, BUILTIN_DATA_LENGTH, builtinArea, &length);
    // A damaged block is not retried: what was expanded stays.
    builtinExpanded = true;
}
