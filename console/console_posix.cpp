// The console on a POSIX system: the terminal console (console/terminal.h) on
// standard output and standard input, a terminal in raw mode or any byte
// stream.
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "console/console.h"
#include "console/terminal.h"
#include "runtime/runtime.h"

namespace {

struct PosixInput {
    int32_t terminal; // standard input is a terminal
    int32_t rawMode;
    struct termios savedMode;
};

PosixInput input;

int32_t writeAll(const char* at, int32_t count) {
    auto bytes = static_cast<size_t>(count);
    while (bytes > 0) {
        ssize_t written = write(STDOUT_FILENO, at, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return -1;
        at += written;
        bytes -= static_cast<size_t>(written);
    }
    return count;
}

int32_t terminalSize(int32_t* columns, int32_t* rows) {
    struct winsize size = {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    *columns = size.ws_col;
    *rows = size.ws_row;
    return 1;
}

void restoreInputMode() {
    if (input.rawMode) tcsetattr(STDIN_FILENO, TCSANOW, &input.savedMode);
    input.rawMode = 0;
}

// Characters arrive as typed, unechoed; Ctrl+C still interrupts.
void startInput() {
    input.terminal = isatty(STDIN_FILENO);
    if (!input.terminal || tcgetattr(STDIN_FILENO, &input.savedMode) != 0) return;
    struct termios raw = input.savedMode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        input.rawMode = 1;
        rtAtExit(restoreInputMode);
    }
}

int32_t readInput(uint8_t* buffer, int32_t room) {
    for (;;) {
        struct pollfd ready = {STDIN_FILENO, POLLIN, 0};
        if (poll(&ready, 1, 0) <= 0 || !(ready.revents & (POLLIN | POLLHUP))) return 0;
        ssize_t n = read(STDIN_FILENO, buffer, static_cast<size_t>(room));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return 0;
        // A terminal in raw mode reads 0 when idle; any other input has ended.
        if (n == 0) return input.terminal ? 0 : TERMINAL_INPUT_ENDED;
        return static_cast<int32_t>(n);
    }
}

} // namespace

constinit const TerminalPort TERMINAL_PORT = {
    .outputIsTerminal = [] { return static_cast<int32_t>(isatty(STDOUT_FILENO)); },
    .size = terminalSize,
    .write = writeAll,
    .startInput = startInput,
    .stopInput = restoreInputMode,
    .read = readInput,
};

void conResetState() {
    termResetState();
}
int32_t conRefreshGeometry() {
    return termRefreshGeometry();
}
int32_t conEnsureGeometry() {
    return termEnsureGeometry();
}
void conGetWindow(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
    termGetWindow(left, top, width, height);
}
void conGetSize(int32_t* columns, int32_t* rows) {
    termGetSize(columns, rows);
}
void conGetCursor(int32_t* column, int32_t* row) {
    termGetCursor(column, row);
}
int32_t conGetAttribute() {
    return termGetAttribute();
}
int32_t conLocate(int32_t row, int32_t column, int32_t cursor) {
    return termLocate(row, column, cursor);
}
int32_t conWidth(int32_t columns, int32_t rows) {
    return termWidth(columns, rows);
}
void conCls(int32_t mode) {
    termCls(mode);
}
int32_t conSetColors(int32_t foreground, int32_t background, int32_t flags) {
    return termSetColors(foreground, background, flags);
}
int32_t conPageSet(int32_t active, int32_t visible) {
    return termPageSet(active, visible);
}
int32_t conPrintBytes(const uint8_t* text, int32_t length, int32_t mask) {
    return termPrintBytes(text, length, mask);
}
int32_t conPrintWide(const uint16_t* text, int32_t length, int32_t mask) {
    return termPrintWide(text, length, mask);
}
int32_t conPollInput() {
    return termPollInput();
}
int32_t conIsKeyDown(int32_t) {
    return 0;
} // a terminal reports characters, not keys
void conShowOutput() {} // written at once
