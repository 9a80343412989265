// Text output on the graphics screen: PRINT's bytes and 16-bit text drawn in
// the mode's font at the text cursor, with the control characters handled by
// the shared processor (console/tty.h) and scrolling inside the text view.
//
// Contract: every print runs under the framebuffer lock, draws opaque cells
// (glyph in the foreground, the rest in the background colour) only inside the
// text grid, records them in the work page's TextCell shadow, and marks the
// touched lines dirty when the work page is visible. A print that ends just
// after the bottom-right cell of the view parks the cursor on that cell and
// defers the scroll (TEXT_SCROLL_PENDING) to the next print. Program thread.
#pragma once

#include <cstdint>

struct GfxContext;
struct TtyState;

// Print flag: a zero-length print with it only carries out a deferred scroll.
constexpr int32_t GFX_PRINT_FLUSH = 8;

// The lines one print touched: [first, end); empty while first == end.
struct GfxTextDirty {
    GfxContext* context;
    int32_t first;
    int32_t end;
};

void gfxPrintBytes(const uint8_t* text, int32_t length, int32_t flags);
// Units up to 255 print as that byte; a surrogate pair, or any other unit,
// prints as one "?".
void gfxPrintWide(const uint16_t* text, int32_t length, int32_t flags);

// The processor's cell writer: draws a run at (x, y) without moving it; a lone
// byte 255 draws only an underline in the foreground colour. Returns 1.
int32_t gfxTextDraw(TtyState* tty, const void* characters, int32_t count);
// The processor's scroller: moves the rows top..bottom (columns left..right)
// up by `rows`, clears the freed rows to the background and leaves y on bottom.
void gfxTextScroll(TtyState* tty, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t rows);
