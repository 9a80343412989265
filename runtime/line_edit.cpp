// The line editor behind LINE INPUT.
#include "runtime/line_edit.h"

#include <cstring>

#include "runtime/beep.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

namespace {

constexpr int32_t FALLBACK_COLUMNS = 80;
constexpr int32_t FALLBACK_ROWS = 25;
constexpr int32_t KEY_POLL_MS = 25;

int32_t locate(int32_t row, int32_t column, int32_t cursor) {
    return rtLocateEntry(row, column, cursor, 0, 0);
}

void printBytes(const char* bytes, int32_t count) {
    if (count > 0) rtPrintBytes(reinterpret_cast<const uint8_t*>(bytes), count, 0);
}

void printSpaces(int32_t count) {
    static constexpr char SPACES[] = "                                ";
    constexpr int32_t CHUNK = sizeof(SPACES) - 1;
    for (; count > 0; count -= CHUNK)
        printBytes(SPACES, count < CHUNK ? count : CHUNK);
}

int32_t clampRow(int64_t row) {
    return row > INT32_MAX ? INT32_MAX : (row < INT32_MIN ? INT32_MIN : static_cast<int32_t>(row));
}

struct LineEditor {
    StringDescriptor* text;
    int32_t len;
    int32_t pos;
    int32_t cols;
    int32_t rows;
    bool softCursor;
};

// Moves the on-screen cursor from where it stands now.
void moveBy(const LineEditor& e, int32_t delta) {
    int32_t column = 0, row = 0;
    rtGetCursor(&column, &row);
    cursorMove(&column, &row, delta, e.cols, e.rows);
}

// The text's bytes are written in place below, so bytes that the descriptor
// only refers to are first copied into a buffer of its own.
bool makeWritable(LineEditor& e) {
    StringDescriptor* t = e.text;
    if (e.len == 0 || t->capacity >= e.len) return true;
    return strGrow(t, e.len, 1) != nullptr;
}

void setLength(StringDescriptor* t, int32_t length) {
    t->length = (t->length & STR_TEMP) | length;
    if (t->data) t->data[length] = 0;
}

// Deletes n bytes at d; the cursor already stands at d on screen.
void deleteAt(LineEditor& e, int32_t d, int32_t n) {
    if (n <= 0 || d < 0 || d + n > e.len || !makeWritable(e)) return;
    locate(0, 0, 0);
    int32_t column = 0, row = 0;
    rtGetCursor(&column, &row);
    StringDescriptor* t = e.text;
    int32_t newLength = e.len - n;
    std::memmove(t->data + d, t->data + d + n, static_cast<size_t>(e.len - d - n));
    // Shrinking by the capacity rule; if the smaller buffer cannot be had the
    // larger one simply stays.
    if (!strGrow(t, newLength, 1)) setLength(t, newLength);
    printBytes(t->data ? t->data + d : nullptr, newLength - d);
    printSpaces(n);
    locate(row, column, -1);
    e.pos = d;
    e.len = newLength;
}

// Inserts n bytes at the insertion point; ignored when the string cannot grow.
void insert(LineEditor& e, const char* bytes, int32_t n) {
    if (n <= 0 || n > STR_LENGTH_MASK - e.len || !makeWritable(e)) return;
    StringDescriptor* t = e.text;
    int32_t oldLength = e.len;
    int32_t newLength = oldLength + n;
    if (!strGrow(t, newLength, 1)) return;
    locate(0, 0, 0);
    int32_t startColumn = 0, startRow = 0;
    rtGetCursor(&startColumn, &startRow);
    std::memmove(t->data + e.pos + n, t->data + e.pos, static_cast<size_t>(oldLength - e.pos));
    std::memcpy(t->data + e.pos, bytes, static_cast<size_t>(n));
    t->data[newLength] = 0;
    printBytes(t->data + e.pos, newLength - e.pos);
    int32_t column = 0, row = 0;
    rtGetCursor(&column, &row);
    // Did the printed text run past the last row (the screen scrolled, so the
    // remembered start is stale)?
    int32_t endColumn = startColumn, endRow = startRow;
    cursorAdvance(&endColumn, &endRow, newLength - e.pos, e.cols);
    bool scrolled = endRow > e.rows + 1 || (endRow == e.rows + 1 && endColumn > 1);
    if (e.pos == oldLength || !scrolled)
        cursorMove(&startColumn, &startRow, n, e.cols, e.rows);
    else
        cursorMove(&column, &row, e.pos + n - newLength, e.cols, e.rows);
    e.pos += n;
    e.len = newLength;
}

constexpr int32_t KEY_INPUT_ENDED = -2;

// Waits for a key; -1 when INKEY had nothing after all, KEY_INPUT_ENDED when
// no key can come any more.
int32_t readKey() {
    while (!rtKeyHit()) {
        if (rtInputEnded()) return KEY_INPUT_ENDED;
        rtDelay(KEY_POLL_MS);
    }
    StringDescriptor* key = rtInkey();
    int32_t length = key && key->data ? strLength(key) : 0;
    int32_t code = -1;
    if (length == 2)
        code = static_cast<uint8_t>(key->data[1]) * 256 + 255;
    else if (length > 0)
        code = static_cast<uint8_t>(key->data[0]);
    strDelete(key);
    return code;
}

// Acts on one key; false for Enter.
bool applyEditKey(LineEditor& e, int32_t code) {
    switch (code) {
    case EDIT_KEY_ENTER:
    case EDIT_KEY_LINE_FEED:
        return false;
    case EDIT_KEY_BACKSPACE:
        if (e.pos > 0) {
            moveBy(e, -1);
            deleteAt(e, e.pos - 1, 1);
        }
        break;
    case EDIT_KEY_TAB: {
        static constexpr char SPACES[] = "        ";
        insert(e, SPACES, (e.pos + 8) / 8 * 8 - e.pos);
        break;
    }
    case EDIT_KEY_ESC:
        moveBy(e, -e.pos);
        deleteAt(e, 0, e.len);
        e.pos = 0;
        break;
    case EDIT_KEY_HOME:
        moveBy(e, -e.pos);
        e.pos = 0;
        break;
    case EDIT_KEY_UP:
        if (e.pos >= e.cols) {
            moveBy(e, -e.cols);
            e.pos -= e.cols;
        }
        break;
    case EDIT_KEY_LEFT:
        if (e.pos > 0) {
            moveBy(e, -1);
            e.pos -= 1;
        }
        break;
    case EDIT_KEY_RIGHT:
        if (e.pos < e.len) {
            moveBy(e, 1);
            e.pos += 1;
        }
        break;
    case EDIT_KEY_END:
        moveBy(e, e.len - e.pos);
        e.pos = e.len;
        break;
    case EDIT_KEY_DOWN:
        if (e.pos <= e.len - e.cols) {
            moveBy(e, e.cols);
            e.pos += e.cols;
        }
        break;
    case EDIT_KEY_DELETE:
        if (e.pos == e.len)
            rtBeep();
        else
            deleteAt(e, e.pos, 1);
        break;
    default:
        if (code >= 32 && code <= 255) {
            char byte = static_cast<char>(code);
            insert(e, &byte, 1);
        }
        break;
    }
    return true;
}

} // namespace

void cursorAdvance(int32_t* column, int32_t* row, int32_t delta, int32_t cols) {
    if (!column || !row) return;
    int64_t width = cols > 0 ? cols : 1;
    int64_t r = *row;
    int64_t x = int64_t{*column} - 1 + delta;
    if (x < 0) {
        r -= (width - x) / width;
        x = width - (width - x) % width;
    }
    r += x / width;
    *row = clampRow(r);
    *column = static_cast<int32_t>(x % width + 1);
}

int32_t cursorMove(int32_t* column, int32_t* row, int32_t delta, int32_t cols, int32_t rows) {
    if (!column || !row) return 0;
    cursorAdvance(column, row, delta, cols);
    if (*column == 1 && rows < INT32_MAX && *row == rows + 1) {
        // One step past the last cell: a line end scrolls the screen by a row.
        static constexpr uint8_t NEWLINE[] = {13, 10};
        int32_t packed = locate(rows, cols, -1);
        rtPrintBytes(NEWLINE, 2, 0);
        *row = rows;
        return packed;
    }
    return locate(*row, *column, -1);
}

int32_t rtLineEdit(StringDescriptor* text, int32_t softCursor) {
    if (!text || text == &rtState.nullString) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return 0;
    }
    LineEditor e{text, text->data ? strLength(text) : 0, 0, 0, 0, softCursor != 0};
    rtGetSize(&e.cols, &e.rows);
    if (e.cols <= 0) e.cols = FALLBACK_COLUMNS;
    if (e.rows <= 0) e.rows = FALLBACK_ROWS;

    int32_t visible = (locate(0, 0, -1) >> 16) & 1;
    locate(0, 0, 0);
    printBytes(text->data, e.len);
    if (!e.softCursor) locate(0, 0, 1);
    e.pos = e.len;

    for (bool editing = true; editing;) {
        int32_t column = 0, row = 0;
        rtGetCursor(&column, &row);
        const char softMark = static_cast<char>(EDIT_SOFT_CURSOR);
        if (e.softCursor) {
            printBytes(&softMark, 1);
            locate(row, column, -1);
        }
        int32_t code = readKey();
        if (code < 0 && code != KEY_INPUT_ENDED) {
            rtDelay(KEY_POLL_MS); // a key test that promised more than INKEY had
            continue;
        }
        if (e.softCursor) {
            char under = e.pos < e.len ? text->data[e.pos] : ' ';
            printBytes(&under, 1);
            locate(row, column, -1);
        }
        if (code == KEY_INPUT_ENDED) break; // the line is what was typed
        editing = applyEditKey(e, code);
        locate(0, 0, e.softCursor ? 0 : 1);
    }

    moveBy(e, e.len - e.pos);
    return locate(0, 0, visible);
}

StringDescriptor* rtLineEditNew(int32_t softCursor) {
    StringDescriptor* text = strTempAlloc();
    if (!text) return nullptr;
    text->length = STR_TEMP; // the caller consumes the result like any temporary
    rtLineEdit(text, softCursor);
    return text;
}
