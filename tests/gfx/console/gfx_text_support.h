// Helpers for the graphics text console tests: cells, glyphs and pixel blocks
// of a screen opened on the Null driver (fixture from gfx_test_support.h).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "gfx/console/console_hooks.h"
#include "gfx/console/text_output.h"
#include "gfx/core/builtin_data.h"
#include "gfx/core/context.h"
#include "gfx/core/gfx_test_support.h"
#include "gfx/core/mode.h"
#include "runtime/print.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace gfxtext {

// 0-based cell of the work page.
inline const TextCell& cell(int32_t column, int32_t row) {
    return gfxMode->textCells[gfxGetContext()->workPage]
                             [static_cast<ptrdiff_t>(row) * gfxMode->textColumns + column];
}

// The characters of a row from a column on.
inline std::string rowText(int32_t row, int32_t column = 0, int32_t count = -1) {
    std::string text;
    if (count < 0) count = gfxMode->textColumns - column;
    for (int32_t i = 0; i < count; ++i)
        text += static_cast<char>(cell(column + i, row).character);
    return text;
}

inline uint8_t* line(int32_t y, int32_t page = 0) {
    return gfxMode->pages[page] + static_cast<ptrdiff_t>(y) * gfxMode->pitch;
}

// Every byte of lines first..end-1 (8-bit screens) equals value.
inline bool linesAre(int32_t first, int32_t end, uint8_t value) {
    for (int32_t y = first; y < end; ++y)
        for (int32_t x = 0; x < gfxMode->width; ++x)
            if (line(y)[x] != value) return false;
    return true;
}

inline void fillPage(uint8_t value) {
    for (int32_t y = 0; y < gfxMode->height; ++y)
        std::memset(line(y), value, static_cast<size_t>(gfxMode->pitch));
}

// The cell at pixel (x0, y0) shows glyph `code` of the mode's font, opaque,
// in the given 8-bit colours.
inline ::testing::AssertionResult showsGlyph(int32_t x0, int32_t y0, uint8_t code,
                                             uint8_t foreground, uint8_t background) {
    const FontInfo* font = gfxMode->font;
    for (int32_t r = 0; r < font->height; ++r) {
        uint8_t bits = font->glyphs[code * font->height + r];
        for (int32_t b = 0; b < 8; ++b) {
            uint8_t want = (bits >> b) & 1 ? foreground : background;
            uint8_t got = line(y0 + r)[x0 + b];
            if (got != want)
                return ::testing::AssertionFailure()
                       << "glyph " << int(code) << " at (" << x0 + b << ", " << y0 + r
                       << "): " << int(got) << " instead of " << int(want);
        }
    }
    return ::testing::AssertionSuccess();
}

inline void print(const std::string& text, int32_t mask = 0) {
    rtPrintString(0, strTempFromBuffer(text.data(), static_cast<int32_t>(text.size())), mask);
}

// Dirty lines as [first, last]; (-1, -1) when none.
inline std::pair<int32_t, int32_t> dirtyRange() {
    int32_t first = -1, last = -1;
    for (int32_t y = 0; y < gfxMode->height; ++y)
        if (gfxMode->dirtyLines[y]) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

} // namespace gfxtext
