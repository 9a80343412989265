// The control-character processor behind PRINT on a text screen. It walks the
// text once, writes runs of printable characters through the device's cell
// writer, and moves, wraps and scrolls the output position inside the text
// view. Devices (the Windows console, the graphics console) lend it their cell
// writer, scroller and bell through `TtyState`; it never touches a device
// itself. Portable.
//
// Control characters: 7 rings the bell, 8 moves left inside the view, 9 pads
// with spaces to the next multiple of 8 columns from `left`, 10 moves down
// (and to `left` when lineFeedReturns is set), 13 moves to `left`; every other
// value is printed. Movements never scroll by themselves: the scroll happens
// before the next character is written, or at the end of the text.
#pragma once

#include <cstdint>

struct TtyState {
    void* device; // the device's own information
    // Scrolls the view up by `lines` rows and leaves `y` on the bottom row.
    void (*scroll)(TtyState* tty, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t lines);
    // Writes `count` characters at (x, y) on one row; 1 on success. The
    // characters are uint8_t for ttyPrint and uint16_t for ttyPrintWide.
    int32_t (*writeCells)(TtyState* tty, const void* characters, int32_t count);
    // The text view in absolute 0-based cells; bottom -1: no limit, no scroll.
    int32_t left, top, right, bottom;
    int32_t x, y; // output position, absolute 0-based
    // Rings the bell; null for a silent device.
    void (*bell)(TtyState* tty);
};

constexpr int32_t TTY_PENDING_MAX = 1024;

void ttyPrint(TtyState* tty, const uint8_t* text, int32_t length, int32_t lineFeedReturns);
void ttyPrintWide(TtyState* tty, const uint16_t* text, int32_t length, int32_t lineFeedReturns);

// Writes printable characters from (x, y) on, in pieces that fit on the row,
// wrapping to the next row and scrolling before a piece that would start
// below the view. A failing cell write drops the rest.
void ttyFlush(TtyState* tty, const uint8_t* characters, int32_t count);
void ttyFlushWide(TtyState* tty, const uint16_t* characters, int32_t count);
