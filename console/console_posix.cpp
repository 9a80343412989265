// The console on a POSIX system: output goes to standard output as UTF-8, every
// character as its glyph but the controls the console acts on (the terminal
// acts on those itself); the geometry is the terminal's size or the 80 x 25
// fallback, LOCATE and CLS use the terminal's escape sequences, and keys are
// read from standard input (a terminal in raw mode, or any byte stream) and
// decoded into the same key codes as on Windows. Only page 0 exists.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

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
constexpr double ESCAPE_WAIT_SECONDS = 0.05; // a lone ESC is the Escape key after this
constexpr int32_t INPUT_BUFFER = 64;
constexpr int32_t OUTPUT_CHUNK = 512;

struct PosixConsole {
    int32_t ready;
    int32_t terminal; // standard output is a terminal
    int32_t columns, rows;
    int32_t cursorHidden;
    // Input.
    int32_t inputTerminal;
    int32_t rawMode;
    int32_t inputEnded;
    struct termios savedMode;
    uint8_t pending[INPUT_BUFFER];
    int32_t pendingCount;
    double pendingSince;
};

PosixConsole console;

void setUp() {
    if (console.ready) return;
    console.ready = 1;
    console.terminal = isatty(STDOUT_FILENO);
    conRefreshGeometry();
}

int32_t writeAll(const void* data, size_t bytes) {
    const char* at = static_cast<const char*>(data);
    ssize_t written = 0;
    while (bytes > 0) {
        written = write(STDOUT_FILENO, at, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return -1;
        at += written;
        bytes -= static_cast<size_t>(written);
    }
    return static_cast<int32_t>(written);
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
        out->total =
            writeAll(out->bytes, static_cast<size_t>(out->used)) < 0 ? -1 : out->total + out->used;
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
    if (console.terminal) writeAll(text, std::strlen(text));
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

void restoreInputMode() {
    if (console.rawMode) tcsetattr(STDIN_FILENO, TCSANOW, &console.savedMode);
    console.rawMode = 0;
}

// Characters arrive as typed, unechoed; Ctrl+C still interrupts.
void startInput() {
    console.inputTerminal = isatty(STDIN_FILENO);
    if (!console.inputTerminal || tcgetattr(STDIN_FILENO, &console.savedMode) != 0) return;
    struct termios raw = console.savedMode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        console.rawMode = 1;
        rtAtExit(restoreInputMode);
    }
}

void readAvailable() {
    while (console.pendingCount < INPUT_BUFFER && !console.inputEnded) {
        struct pollfd ready = {STDIN_FILENO, POLLIN, 0};
        if (poll(&ready, 1, 0) <= 0 || !(ready.revents & (POLLIN | POLLHUP))) return;
        ssize_t n = read(STDIN_FILENO, console.pending + console.pendingCount,
                         static_cast<size_t>(INPUT_BUFFER - console.pendingCount));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;
        if (n == 0) {
            // A terminal in raw mode reads 0 when idle; any other input has ended.
            if (!console.inputTerminal) console.inputEnded = 1;
            return;
        }
        if (console.pendingCount == 0) console.pendingSince = rtTimer();
        console.pendingCount += static_cast<int32_t>(n);
    }
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

} // namespace

void conResetState() {
    restoreInputMode();
    std::memset(static_cast<void*>(&console), 0, sizeof console);
    std::memset(static_cast<void*>(&conKeyRing), 0, sizeof conKeyRing);
}

int32_t conRefreshGeometry() {
    console.columns = 0;
    console.rows = 0;
    struct winsize size = {};
    if (console.terminal && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 &&
        size.ws_row > 1) {
        console.columns = size.ws_col;
        console.rows = size.ws_row;
        return 1;
    }
    return 0;
}

int32_t conEnsureGeometry() {
    setUp();
    return console.columns != 0 ? 1 : 0;
}

void conGetWindow(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
    setUp();
    if (left) *left = 0;
    if (top) *top = 0;
    if (width) *width = console.columns;
    if (height) *height = console.rows;
}

void conGetSize(int32_t* columns, int32_t* rows) {
    setUp();
    if (columns) *columns = console.columns ? console.columns : FALLBACK_COLUMNS;
    if (rows) *rows = console.rows ? console.rows : FALLBACK_ROWS;
}

// A terminal is not asked where its cursor is.
int32_t conGetColumn() {
    return 0;
}
int32_t conGetRow() {
    return 0;
}

void conGetCursor(int32_t* column, int32_t* row) {
    if (column) *column = 0;
    if (row) *row = 0;
}

int32_t conGetAttribute() {
    return 7;
}

int32_t conLocate(int32_t row, int32_t column, int32_t cursor) {
    setUp();
    if (!console.columns) return packPosition(row > 0 ? row : 0, column > 0 ? column : 0);
    bool wasVisible = !console.cursorHidden;
    if (row > 0 && column > 0) moveTo(row, column);
    if (cursor >= 0) {
        console.cursorHidden = cursor == 0;
        terminalCommand(cursor == 0 ? "\x1b[?25l" : "\x1b[?25h");
    }
    return packPosition(row > 0 ? row : 0, column > 0 ? column : 0) + (wasVisible ? 0x10000 : 0);
}

// A terminal's size is the user's: WIDTH reports it and changes nothing.
int32_t conWidth(int32_t, int32_t) {
    setUp();
    if (!console.columns) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(console.rows) * 65536u +
                                static_cast<uint32_t>(console.columns));
}

void conCls(int32_t mode) {
    setUp();
    if (!console.columns || mode == 1) return;
    if (mode == 2 || mode == CLS_OMITTED) {
        int32_t first = 1, last = 1;
        rtGetView(&first, &last);
        if (last > console.rows) last = console.rows;
        for (int32_t row = first; row <= last; ++row) {
            moveTo(row, 1);
            terminalCommand("\x1b[2K");
        }
        moveTo(first, 1);
        return;
    }
    terminalCommand("\x1b[2J\x1b[H");
}

int32_t conPageSet(int32_t active, int32_t visible) {
    if (active > 0 || visible > 0) return -1;
    return 0;
}

int32_t conPrintBytes(const uint8_t* text, int32_t length, int32_t mask) {
    setUp();
    if (!text || length <= 0) return (mask & MASK_ALWAYS) ? conRefreshGeometry() : 0;
    Utf8Output out = {};
    for (int32_t i = 0; i < length && out.total >= 0; ++i)
        putCharacter(&out, text[i] < 128 ? text[i] : cp437ToUnicode(text[i]));
    flushOutput(&out);
    return out.total;
}

int32_t conPrintWide(const uint16_t* text, int32_t length, int32_t mask) {
    setUp();
    if (!text || length <= 0) return (mask & MASK_ALWAYS) ? conRefreshGeometry() : 0;
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

int32_t conPollInput() {
    if (!conKeyRing.inputStarted) {
        conKeyRing.inputStarted = 1;
        startInput();
    }
    readAvailable();
    bool complete = console.inputEnded || rtTimer() - console.pendingSince >= ESCAPE_WAIT_SECONDS;
    int32_t used = 0;
    while (used < console.pendingCount) {
        int32_t code = -1;
        int32_t n = keySequenceDecode(console.pending + used, console.pendingCount - used,
                                      complete || console.pendingCount == INPUT_BUFFER, &code);
        if (n == 0) break;
        if (code != -1) storeCode(code);
        used += n;
    }
    if (used > 0) {
        console.pendingCount -= used;
        std::memmove(console.pending, console.pending + used,
                     static_cast<size_t>(console.pendingCount));
        console.pendingSince = rtTimer();
    }
    return console.inputEnded && console.pendingCount == 0 ? -1 : 0;
}

int32_t conIsKeyDown(int32_t) {
    return 0;
} // a terminal reports characters, not keys
