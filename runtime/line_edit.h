// The LINE INPUT editor: edits one line of text in place on the screen until
// Enter (insertion, deletion, Backspace, Tab, Esc, Home, End and the arrows
// across screen rows). It works only through the console dispatchers (LOCATE,
// cursor and size queries, key test, INKEY, byte output) and rtDelay, so it
// runs unchanged on the text console and on a graphics screen. Positions are
// 1-based (column, row); LOCATE results are packed row * 256 + column with the
// visibility in bit 16.
#pragma once

#include <cstdint>

#include "runtime/strings.h"

// Key codes the editor acts on (extended keys are scan code * 256 + 255).
enum : int32_t {
    EDIT_KEY_BACKSPACE = 8,
    EDIT_KEY_TAB = 9,
    EDIT_KEY_LINE_FEED = 10,
    EDIT_KEY_ENTER = 13,
    EDIT_KEY_ESC = 27,
    EDIT_KEY_HOME = 0x47FF,
    EDIT_KEY_UP = 0x48FF,
    EDIT_KEY_LEFT = 0x4BFF,
    EDIT_KEY_RIGHT = 0x4DFF,
    EDIT_KEY_END = 0x4FFF,
    EDIT_KEY_DOWN = 0x50FF,
    EDIT_KEY_DELETE = 0x53FF,
};

// The character that marks the insertion point with the soft cursor.
constexpr uint8_t EDIT_SOFT_CURSOR = 255;

// Edits `text` (its contents are shown first, the insertion point starts at
// its end); returns the packed result of the final LOCATE. Error 1 and 0 for a
// missing or shared-empty descriptor. Ends at Enter, or with the text typed so
// far once the input has ended (rtInputEnded).
int32_t rtLineEdit(StringDescriptor* text, int32_t softCursor);
// Edits a fresh temporary (STR_TEMP) string from the pool; null when the pool
// is exhausted.
extern "C" StringDescriptor* rtLineEditNew(int32_t softCursor);

// Moves a position by delta cells in reading order on rows of `cols` cells.
void cursorAdvance(int32_t* column, int32_t* row, int32_t delta, int32_t cols);
// cursorAdvance, then LOCATE there; one step past the last row scrolls the
// screen by one row instead (the position becomes column 1 of the last row).
int32_t cursorMove(int32_t* column, int32_t* row, int32_t delta, int32_t cols, int32_t rows);
