// A text screen kept in memory: 80 x 25 cells of a code page 437 character and
// an attribute (background * 16 + foreground), the cursor, the attribute of new
// output, and which rows changed since they were last shown. PRINT goes
// through the control-character processor (console/tty.h) inside the text
// view; the rows are shown as HTML, a span per run of one attribute. The
// WebAssembly build's text console on a page keeps one. Portable.
#pragma once

#include <cstdint>

constexpr int32_t GRID_COLUMNS = 80;
constexpr int32_t GRID_ROWS = 25;
constexpr int32_t GRID_ATTRIBUTE = 7; // white on black
// The longest row gridRowHtml writes, its terminating NUL included.
constexpr int32_t GRID_ROW_HTML_MAX = 4096;

struct GridCell {
    uint8_t character;
    uint8_t attribute;
};

struct TextGrid {
    GridCell cells[GRID_ROWS][GRID_COLUMNS];
    int32_t column, row; // the cursor, 0-based
    int32_t cursorHidden;
    int32_t pendingWrap; // the last print filled the view's bottom row exactly
    int32_t attribute;   // of new cells
    uint32_t dirtyRows;  // bit n: row n changed since gridTakeDirtyRows
    // Where the cursor was last shown (row -1: nowhere).
    int32_t shownColumn, shownRow;
};

// Blank cells, white on black, the cursor shown at the top left, every row dirty.
void gridReset(TextGrid* grid);
// PRINT inside the text view, rows first..last (1-based); the bell is rtBeep.
void gridPrint(TextGrid* grid, const uint8_t* text, int32_t length, int32_t first, int32_t last);
// Wide text: each unit shown as its code page 437 character ('?' when none).
void gridPrintWide(TextGrid* grid, const uint16_t* text, int32_t length, int32_t first,
                   int32_t last);
// LOCATE: 1-based; 0 or less keeps a coordinate; cursor 0 hides, 1 shows, -1
// keeps. Returns row * 256 + column with the cursor's former visibility in bit 16.
int32_t gridLocate(TextGrid* grid, int32_t row, int32_t column, int32_t cursor);
// Blanks rows first..last (1-based) in the current attribute; the cursor goes
// to column 1 of the first.
void gridClearRows(TextGrid* grid, int32_t first, int32_t last);
// The rows to show again (the cursor's old and new rows included when it
// moved); clears the marks and records the cursor as shown.
uint32_t gridTakeDirtyRows(TextGrid* grid);
// Row `row` (0-based) as HTML: runs of one attribute in
// <span class="zq-fF zq-bB">, the visible cursor's cell inside
// <span class="zq-cursor">, the characters as their Unicode glyphs (UTF-8).
// Returns the length; `out` holds GRID_ROW_HTML_MAX bytes.
int32_t gridRowHtml(const TextGrid* grid, int32_t row, char* out);
