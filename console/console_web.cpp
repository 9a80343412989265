// The console of the WebAssembly build. At its first use it looks for the
// page's <pre id="zq-console">: with one, the console is an 80 x 25 text grid
// shown there, with the page's keys (console_page.cpp); without one (under
// Node.js) it is the terminal console (console/terminal.h) on Node's standard
// output and input, through the port below.
#include <emscripten.h>

#include "console/console.h"
#include "console/console_page.h"
#include "console/terminal.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

namespace {

constexpr int32_t MASK_ALWAYS = 0x100;
constexpr int32_t CLS_OMITTED = static_cast<int32_t>(0xFFFF0000u);

// Chosen once, at the first use.
enum class BackEnd { UNDECIDED, PAGE, STREAM };
BackEnd backEnd = BackEnd::UNDECIDED;

bool onPage() {
    if (backEnd == BackEnd::UNDECIDED) backEnd = pageAttach() ? BackEnd::PAGE : BackEnd::STREAM;
    return backEnd == BackEnd::PAGE;
}

// ---- Node's standard streams as the terminal's port ------------------------
// Without a process (a page without the text element) output goes nowhere
// and the input has ended.

EM_JS(int, zqNodeOutputIsTerminal, (),
      { return typeof process == 'object' && process.stdout && process.stdout.isTTY ? 1 : 0; });

EM_JS(int, zqNodeSize, (int32_t * columns, int32_t* rows), {
    if (typeof process != 'object' || !process.stdout || !process.stdout.columns) return 0;
    HEAP32[columns >> 2] = process.stdout.columns;
    HEAP32[rows >> 2] = process.stdout.rows;
    return 1;
});

// Straight to the stream as bytes: console.log would add line ends and hold
// back a line's start. A pipe closed at the far end fails later writes.
EM_JS(int, zqNodeWrite, (const char* bytes, int count), {
    if (typeof process != 'object' || !process.stdout) return count;
    var out = process.stdout;
    if (!Module.zqStdoutWatched) {
        Module.zqStdoutWatched = true;
        out.on(
            'error', function() { Module.zqStdoutFailed = true; });
    }
    if (Module.zqStdoutFailed) return -1;
    out.write(Buffer.from(HEAPU8.subarray(bytes, bytes + count)));
    return count;
});

// Bytes gather as they arrive (in the page's turns); a terminal gives its keys
// as typed, unechoed, and Ctrl+C still interrupts.
EM_JS(void, zqNodeStartInput, (), {
    var input = {chunks : [], offset : 0, ended : true};
    Module.zqStdin = input;
    if (typeof process != 'object' || !process.stdin) return;
    var stream = process.stdin;
    input.ended = false;
    input.stream = stream;
    input.onData = function(chunk) {
        if (stream.isTTY && chunk.indexOf(3) >= 0) {
            stream.setRawMode(false);
            process.kill(process.pid, 'SIGINT');
        }
        input.chunks.push(chunk);
    };
    input.onEnd = function() {
        input.ended = true;
    };
    if (stream.isTTY && stream.setRawMode) stream.setRawMode(true);
    stream.on('data', input.onData);
    stream.on('end', input.onEnd);
    stream.on('error', input.onEnd);
    stream.resume();
});

// The stream lets Node end once the program has.
EM_JS(void, zqNodeStopInput, (), {
    var input = Module.zqStdin;
    Module.zqStdin = null;
    if (!input || !input.stream) return;
    var stream = input.stream;
    stream.off('data', input.onData);
    stream.off('end', input.onEnd);
    stream.off('error', input.onEnd);
    if (stream.isTTY && stream.setRawMode) stream.setRawMode(false);
    stream.pause();
    if (stream.unref) stream.unref();
});

EM_JS(int, zqNodeRead, (uint8_t * buffer, int room), {
    var input = Module.zqStdin;
    if (!input) return 0;
    var n = 0;
    while (n < room && input.chunks.length) {
        var chunk = input.chunks[0];
        var take = Math.min(room - n, chunk.length - input.offset);
        HEAPU8.set(chunk.subarray(input.offset, input.offset + take), buffer + n);
        n += take;
        input.offset += take;
        if (input.offset == chunk.length) {
            input.chunks.shift();
            input.offset = 0;
        }
    }
    return n == 0 && input.ended ? -1 : n;
});

void startInput() {
    zqNodeStartInput();
    rtAtExit(zqNodeStopInput);
}

} // namespace

constinit const TerminalPort TERMINAL_PORT = {
    .outputIsTerminal = zqNodeOutputIsTerminal,
    .size = zqNodeSize,
    .write = zqNodeWrite,
    .startInput = startInput,
    .stopInput = zqNodeStopInput,
    .read = zqNodeRead,
};

// ---- the console's routines: the page's grid, or the terminal --------------

void conResetState() {
    termResetState();
    if (backEnd == BackEnd::PAGE) gridReset(&pageGrid);
}

int32_t conRefreshGeometry() {
    return onPage() ? 1 : termRefreshGeometry();
}

int32_t conEnsureGeometry() {
    return onPage() ? 1 : termEnsureGeometry();
}

void conGetWindow(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
    if (!onPage()) return termGetWindow(left, top, width, height);
    if (left) *left = 0;
    if (top) *top = 0;
    if (width) *width = GRID_COLUMNS;
    if (height) *height = GRID_ROWS;
}

void conGetSize(int32_t* columns, int32_t* rows) {
    if (!onPage()) return termGetSize(columns, rows);
    if (columns) *columns = GRID_COLUMNS;
    if (rows) *rows = GRID_ROWS;
}

void conGetCursor(int32_t* column, int32_t* row) {
    if (!onPage()) return termGetCursor(column, row);
    if (column) *column = pageGrid.column + 1;
    if (row) *row = pageGrid.row + 1;
}

int32_t conGetAttribute() {
    return onPage() ? pageGrid.attribute : termGetAttribute();
}

int32_t conLocate(int32_t row, int32_t column, int32_t cursor) {
    return onPage() ? gridLocate(&pageGrid, row, column, cursor) : termLocate(row, column, cursor);
}

// The grid keeps its size: WIDTH reports it.
int32_t conWidth(int32_t columns, int32_t rows) {
    return onPage() ? GRID_ROWS * 65536 + GRID_COLUMNS : termWidth(columns, rows);
}

// As the Windows console: 0 (and any other mode) the whole screen, 1 (the
// graphics view) nothing, 2 or none the text view.
void conCls(int32_t mode) {
    if (!onPage()) return termCls(mode);
    if (mode == 1) return;
    int32_t first = 1, last = GRID_ROWS;
    if (mode == 2 || mode == CLS_OMITTED) rtGetView(&first, &last);
    gridClearRows(&pageGrid, first, last);
}

int32_t conSetColors(int32_t foreground, int32_t background, int32_t flags) {
    if (!onPage()) return termSetColors(foreground, background, flags);
    return conColorChange(&pageGrid.attribute, foreground, background, flags);
}

int32_t conPageSet(int32_t active, int32_t visible) {
    return termPageSet(active, visible);
}

int32_t conPrintBytes(const uint8_t* text, int32_t length, int32_t mask) {
    if (!onPage()) return termPrintBytes(text, length, mask);
    if (!text || length <= 0) return (mask & MASK_ALWAYS) ? 1 : 0;
    int32_t first = 1, last = GRID_ROWS;
    rtGetView(&first, &last);
    gridPrint(&pageGrid, text, length, first, last);
    return length;
}

int32_t conPrintWide(const uint16_t* text, int32_t length, int32_t mask) {
    if (!onPage()) return termPrintWide(text, length, mask);
    if (!text || length <= 0) return (mask & MASK_ALWAYS) ? 1 : 0;
    int32_t first = 1, last = GRID_ROWS;
    rtGetView(&first, &last);
    gridPrintWide(&pageGrid, text, length, first, last);
    return length;
}

// The page's keys arrive in its turns; a program polling in a tight loop has
// its grid shown at most once a turn.
int32_t conPollInput() {
    if (!onPage()) return termPollInput();
    pageShow(1);
    rtYield();
    return 0;
}

void conShowOutput() {
    if (backEnd == BackEnd::PAGE) pageShow(0);
}

int32_t conIsKeyDown(int32_t) {
    return 0;
}
