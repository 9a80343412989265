// The text grid: its cell writer and scroller for the control-character
// processor, LOCATE, the clearing of rows, and its rows as HTML.
#include "console/text_grid.h"

#include <cstring>

#include "console/cp437.h"
#include "console/tty.h"
#include "runtime/beep.h"

namespace {

struct GridDevice {
    TextGrid* grid;
    bool wide;
};

int32_t clampRow(int32_t row) {
    return row < 0 ? 0 : (row >= GRID_ROWS ? GRID_ROWS - 1 : row);
}

void markRows(TextGrid* grid, int32_t first, int32_t last) {
    for (int32_t row = first; row <= last; ++row)
        if (row >= 0 && row < GRID_ROWS) grid->dirtyRows |= 1u << row;
}

void blankRow(TextGrid* grid, int32_t row) {
    for (GridCell& cell : grid->cells[row])
        cell = {' ', static_cast<uint8_t>(grid->attribute)};
}

int32_t writeCells(TtyState* tty, const void* characters, int32_t count) {
    const auto* device = static_cast<GridDevice*>(tty->device);
    TextGrid* grid = device->grid;
    if (tty->y < 0 || tty->y >= GRID_ROWS || tty->x < 0 || tty->x > GRID_COLUMNS - count) return 0;
    GridCell* cells = &grid->cells[tty->y][tty->x];
    auto attribute = static_cast<uint8_t>(grid->attribute);
    for (int32_t i = 0; i < count; ++i)
        cells[i] = {device->wide ? cp437FromUnicode(static_cast<const uint16_t*>(characters)[i])
                                 : static_cast<const uint8_t*>(characters)[i],
                    attribute};
    markRows(grid, tty->y, tty->y);
    return 1;
}

// The view's rows move up; the rows they leave are blanked in the attribute
// of new output.
void scroll(TtyState* tty, int32_t, int32_t top, int32_t, int32_t bottom, int32_t lines) {
    TextGrid* grid = static_cast<GridDevice*>(tty->device)->grid;
    top = clampRow(top);
    bottom = clampRow(bottom);
    int32_t height = bottom - top + 1;
    if (lines > height) lines = height;
    if (lines <= 0 || height <= 0) return;
    std::memmove(grid->cells[top], grid->cells[top + lines],
                 sizeof grid->cells[0] * static_cast<size_t>(height - lines));
    for (int32_t row = bottom - lines + 1; row <= bottom; ++row)
        blankRow(grid, row);
    markRows(grid, top, bottom);
    tty->y = tty->bottom;
}

void bell(TtyState*) {
    rtBeep();
}

// As the Windows console: a print that fills the view's bottom row exactly
// stays on its last cell, and the scroll waits for more output.
template <typename Char>
void print(TextGrid* grid, const Char* text, int32_t length, int32_t first, int32_t last) {
    GridDevice device = {grid, sizeof(Char) == 2};
    TtyState tty = {};
    tty.device = &device;
    tty.scroll = scroll;
    tty.writeCells = writeCells;
    tty.bell = bell;
    tty.left = 0;
    tty.right = GRID_COLUMNS - 1;
    tty.top = clampRow(first - 1);
    tty.bottom = clampRow(last - 1);
    tty.x = grid->column;
    tty.y = grid->row;
    if (grid->pendingWrap) {
        grid->pendingWrap = 0;
        tty.x = tty.left;
        if (++tty.y > tty.bottom)
            scroll(&tty, tty.left, tty.top, tty.right, tty.bottom, tty.y - tty.bottom);
    }
    if constexpr (sizeof(Char) == 2)
        ttyPrintWide(&tty, text, length, 1);
    else
        ttyPrint(&tty, text, length, 1);
    if (tty.x == tty.left && tty.y == tty.bottom + 1) {
        grid->pendingWrap = 1;
        tty.x = tty.right;
        tty.y = tty.bottom;
    } else if (tty.y > tty.bottom) {
        scroll(&tty, tty.left, tty.top, tty.right, tty.bottom, tty.y - tty.bottom);
    }
    grid->column = tty.x;
    grid->row = clampRow(tty.y);
}

char* putText(char* out, const char* text) {
    while (*text)
        *out++ = *text++;
    return out;
}

char* putNumber(char* out, int32_t value) {
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

} // namespace

void gridReset(TextGrid* grid) {
    *grid = {};
    grid->attribute = GRID_ATTRIBUTE;
    for (int32_t row = 0; row < GRID_ROWS; ++row)
        blankRow(grid, row);
    grid->dirtyRows = (1u << GRID_ROWS) - 1;
    grid->shownRow = -1;
}

void gridPrint(TextGrid* grid, const uint8_t* text, int32_t length, int32_t first, int32_t last) {
    if (text && length > 0) print(grid, text, length, first, last);
}

void gridPrintWide(TextGrid* grid, const uint16_t* text, int32_t length, int32_t first,
                   int32_t last) {
    if (text && length > 0) print(grid, text, length, first, last);
}

int32_t gridLocate(TextGrid* grid, int32_t row, int32_t column, int32_t cursor) {
    if (row <= 0) row = grid->row + 1;
    if (column <= 0) column = grid->column + 1;
    row = clampRow(row - 1) + 1;
    if (column > GRID_COLUMNS) column = GRID_COLUMNS;
    bool wasVisible = !grid->cursorHidden;
    grid->row = row - 1;
    grid->column = column - 1;
    if (cursor >= 0) grid->cursorHidden = cursor == 0;
    grid->pendingWrap = 0;
    return row * 256 + column + (wasVisible ? 0x10000 : 0);
}

void gridClearRows(TextGrid* grid, int32_t first, int32_t last) {
    first = clampRow(first - 1);
    last = clampRow(last - 1);
    for (int32_t row = first; row <= last; ++row)
        blankRow(grid, row);
    markRows(grid, first, last);
    grid->row = first;
    grid->column = 0;
    grid->pendingWrap = 0;
}

uint32_t gridTakeDirtyRows(TextGrid* grid) {
    int32_t row = grid->cursorHidden ? -1 : grid->row;
    if (row != grid->shownRow || grid->column != grid->shownColumn) {
        markRows(grid, grid->shownRow, grid->shownRow);
        markRows(grid, row, row);
        grid->shownRow = row;
        grid->shownColumn = grid->column;
    }
    uint32_t rows = grid->dirtyRows;
    grid->dirtyRows = 0;
    return rows;
}

int32_t gridRowHtml(const TextGrid* grid, int32_t row, char* out) {
    char* at = out;
    const GridCell* cells = grid->cells[row];
    for (int32_t x = 0; x < GRID_COLUMNS;) {
        uint8_t attribute = cells[x].attribute;
        at = putText(at, "<span class=\"zq-f");
        at = putNumber(at, attribute & 15);
        at = putText(at, " zq-b");
        at = putNumber(at, (attribute >> 4) & 7);
        at = putText(at, "\">");
        for (; x < GRID_COLUMNS && cells[x].attribute == attribute; ++x) {
            bool cursor = row == grid->shownRow && x == grid->shownColumn;
            if (cursor) at = putText(at, "<span class=\"zq-cursor\">");
            uint8_t c = cells[x].character;
            if (c == '&')
                at = putText(at, "&amp;");
            else if (c == '<')
                at = putText(at, "&lt;");
            else if (c == '>')
                at = putText(at, "&gt;");
            else
                at += cp437ToUtf8(c, at);
            if (cursor) at = putText(at, "</span>");
        }
        at = putText(at, "</span>");
    }
    *at = 0;
    return static_cast<int32_t>(at - out);
}
