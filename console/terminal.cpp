// The terminal console over the platform's port (console/terminal.h).
#include "console/terminal.h"

#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/cp437.h"
#include "console/key_ring.h"
#include "console/key_sequence.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

namespace {

constexpr int32_t FALLBACK_COLUMNS = 80;
constexpr int32_t FALLBACK_ROWS = 25;
constexpr int32_t MASK_ALWAYS = 0x100;
constexpr int32_t CLS_OMITTED = static_cast<int32_t>(0xFFFF0000u);
constexpr int32_t DEFAULT_ATTRIBUTE = 7;
constexpr double ESCAPE_WAIT_SECONDS = 0.05; // a lone ESC is the Escape key after this
constexpr int32_t INPUT_BUFFER = 64;
constexpr int32_t OUTPUT_CHUNK = 512;

struct Terminal {
    int32_t ready;
    int32_t terminal; // output is a terminal
    int32_t columns, rows;
    int32_t cursorHidden;
    int32_t attribute; // COLOR's, background * 16 + foreground; 0 until set up
    int32_t inputEnded;
    uint8_t pending[INPUT_BUFFER];
    int32_t pendingCount;
    double pendingSince;
};

Terminal term;

void setUp() {
    if (term.ready) return;
    term.ready = 1;
    term.terminal = TERMINAL_PORT.outputIsTerminal();
    term.attribute = DEFAULT_ATTRIBUTE;
    termRefreshGeometry();
}

int32_t writeAll(const char* bytes, int32_t count) {
    return count > 0 ? TERMINAL_PORT.write(bytes, count) : 0;
}

// Program text on its way out as UTF-8, gathered on the stack and written
// whenever the buffer fills.
struct Utf8Output {
    char bytes[OUTPUT_CHUNK];
    int32_t used;
    int32_t total; // bytes written so far, -1 after a failed write
};

void flushOutput(Utf8Output* out) {
    if (out->used > 0 && out->total >= 0)
        out->total = writeAll(out->bytes, out->used) < 0 ? -1 : out->total + out->used;
    out->used = 0;
}

// The controls ttyPrint acts on (console/tty.h) go out as they are, for the
// terminal to act on; any other character is shown, the low bytes as their
// glyphs (a raw ESC would start an escape sequence).
void putCharacter(Utf8Output* out, uint32_t c) {
    if (out->used > OUTPUT_CHUNK - UTF8_MAX) flushOutput(out);
    if (c == 7 || c == 8 || c == 9 || c == 10 || c == 13)
        out->bytes[out->used++] = static_cast<char>(c);
    else
        out->used += utf8Encode(c < 32 || c == 127 ? cp437ToUnicode(static_cast<uint8_t>(c)) : c,
                                out->bytes + out->used);
}

void terminalCommand(const char* text) {
    if (term.terminal) writeAll(text, static_cast<int32_t>(std::strlen(text)));
}

void moveTo(int32_t row, int32_t column) {
    char command[32];
    std::snprintf(command, sizeof command, "\x1b[%d;%dH", static_cast<int>(row),
                  static_cast<int>(column));
    terminalCommand(command);
}

int32_t packPosition(int32_t row, int32_t column) {
    return static_cast<int32_t>((static_cast<uint32_t>(column) & 0xFFu) +
                                ((static_cast<uint32_t>(row) * 256u) & 0xFF00u));
}

// The terminal's own colours again when the program ends.
void resetColors() {
    static constexpr char RESET[] = "\x1b[0m";
    if (term.terminal && term.attribute != DEFAULT_ATTRIBUTE) writeAll(RESET, sizeof RESET - 1);
}

void storeCode(int32_t code) {
    KeyEventRecord record = {};
    record.eventType = KEY_EVENT_TYPE;
    record.keyDown = 1;
    record.repeatCount = 1;
    record.character = static_cast<uint16_t>(code <= 255 ? code : 0);
    record.scanCode = static_cast<uint16_t>(code > 255 ? code >> 8 : 0);
    keyRingStore(&conKeyRing, code, &record);
}

void readAvailable() {
    while (term.pendingCount < INPUT_BUFFER && !term.inputEnded) {
        int32_t n =
            TERMINAL_PORT.read(term.pending + term.pendingCount, INPUT_BUFFER - term.pendingCount);
        if (n == TERMINAL_INPUT_ENDED) term.inputEnded = 1;
        if (n <= 0) return;
        if (term.pendingCount == 0) term.pendingSince = rtTimer();
        term.pendingCount += n;
    }
}

} // namespace

void termResetState() {
    TERMINAL_PORT.stopInput();
    std::memset(static_cast<void*>(&term), 0, sizeof term);
    std::memset(static_cast<void*>(&conKeyRing), 0, sizeof conKeyRing);
}

int32_t termRefreshGeometry() {
    term.columns = 0;
    term.rows = 0;
    int32_t columns = 0, rows = 0;
    if (term.terminal && TERMINAL_PORT.size(&columns, &rows) && columns > 1 && rows > 1) {
        term.columns = columns;
        term.rows = rows;
        return 1;
    }
    return 0;
}

int32_t termEnsureGeometry() {
    setUp();
    return term.columns != 0 ? 1 : 0;
}

void termGetWindow(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
    setUp();
    if (left) *left = 0;
    if (top) *top = 0;
    if (width) *width = term.columns;
    if (height) *height = term.rows;
}

void termGetSize(int32_t* columns, int32_t* rows) {
    setUp();
    if (columns) *columns = term.columns ? term.columns : FALLBACK_COLUMNS;
    if (rows) *rows = term.rows ? term.rows : FALLBACK_ROWS;
}

void termGetCursor(int32_t* column, int32_t* row) {
    if (column) *column = 0;
    if (row) *row = 0;
}

int32_t termGetAttribute() {
    setUp();
    return term.attribute;
}

int32_t termLocate(int32_t row, int32_t column, int32_t cursor) {
    setUp();
    if (!term.columns) return packPosition(row > 0 ? row : 0, column > 0 ? column : 0);
    bool wasVisible = !term.cursorHidden;
    if (row > 0 && column > 0) moveTo(row, column);
    if (cursor >= 0) {
        term.cursorHidden = cursor == 0;
        terminalCommand(cursor == 0 ? "\x1b[?25l" : "\x1b[?25h");
    }
    return packPosition(row > 0 ? row : 0, column > 0 ? column : 0) + (wasVisible ? 0x10000 : 0);
}

// A terminal's size is the user's: WIDTH reports it and changes nothing.
int32_t termWidth(int32_t, int32_t) {
    setUp();
    if (!term.columns) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(term.rows) * 65536u +
                                static_cast<uint32_t>(term.columns));
}

void termCls(int32_t mode) {
    setUp();
    if (!term.columns || mode == 1) return;
    if (mode == 2 || mode == CLS_OMITTED) {
        int32_t first = 1, last = 1;
        rtGetView(&first, &last);
        if (last > term.rows) last = term.rows;
        for (int32_t row = first; row <= last; ++row) {
            moveTo(row, 1);
            terminalCommand("\x1b[2K");
        }
        moveTo(first, 1);
        return;
    }
    terminalCommand("\x1b[2J\x1b[H");
}

// The sixteen colours as the terminal's: its first eight in another order,
// the bright ones from 90 (foreground) on.
int32_t termSetColors(int32_t foreground, int32_t background, int32_t flags) {
    setUp();
    int32_t before = term.attribute;
    int32_t previous = conColorChange(&term.attribute, foreground, background, flags);
    if (!term.terminal || term.attribute == before) return previous;
    static constexpr int32_t ORDER[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    static bool resetAtExit = false;
    if (!resetAtExit) resetAtExit = rtAtExit(resetColors) == 0;
    int32_t fg = term.attribute & 15, bg = (term.attribute >> 4) & 7;
    char command[32];
    std::snprintf(command, sizeof command, "\x1b[%d;%dm",
                  static_cast<int>((fg < 8 ? 30 : 90) + ORDER[fg & 7]),
                  static_cast<int>(40 + ORDER[bg]));
    terminalCommand(command);
    return previous;
}

int32_t termPageSet(int32_t active, int32_t visible) {
    if (active > 0 || visible > 0) return -1;
    return 0;
}

int32_t termPrintBytes(const uint8_t* text, int32_t length, int32_t mask) {
    setUp();
    if (!text || length <= 0) return (mask & MASK_ALWAYS) ? termRefreshGeometry() : 0;
    Utf8Output out = {};
    for (int32_t i = 0; i < length && out.total >= 0; ++i)
        putCharacter(&out, text[i] < 128 ? text[i] : cp437ToUnicode(text[i]));
    flushOutput(&out);
    return out.total;
}

int32_t termPrintWide(const uint16_t* text, int32_t length, int32_t mask) {
    setUp();
    if (!text || length <= 0) return (mask & MASK_ALWAYS) ? termRefreshGeometry() : 0;
    // UTF-16: a high surrogate followed by a low one is one character; a lone
    // surrogate becomes U+FFFD in the encoder.
    Utf8Output out = {};
    for (int32_t i = 0; i < length && out.total >= 0; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
        putCharacter(&out, c);
    }
    flushOutput(&out);
    return out.total;
}

// Where the program's thread is the page's only one, the bytes arrive only
// while it gives the page a turn.
int32_t termPollInput() {
    if (!conKeyRing.inputStarted) {
        conKeyRing.inputStarted = 1;
        TERMINAL_PORT.startInput();
    }
    rtYield();
    readAvailable();
    bool complete = term.inputEnded || rtTimer() - term.pendingSince >= ESCAPE_WAIT_SECONDS;
    int32_t used = 0;
    while (used < term.pendingCount) {
        int32_t code = -1;
        int32_t n = keySequenceDecode(term.pending + used, term.pendingCount - used,
                                      complete || term.pendingCount == INPUT_BUFFER, &code);
        if (n == 0) break;
        if (code != -1) storeCode(code);
        used += n;
    }
    if (used > 0) {
        term.pendingCount -= used;
        std::memmove(term.pending, term.pending + used, static_cast<size_t>(term.pendingCount));
        term.pendingSince = rtTimer();
    }
    return term.inputEnded && term.pendingCount == 0 ? -1 : 0;
}
