// PRINT on the Windows console: the cell writer and scroller that ttyPrint
// drives, the pending wrap at the view's bottom-right cell, the window that
// follows the output, and the unchanged byte stream when output is redirected.
#include "console/console.h"
#include "console/console_win32.h"
#include "console/tty.h"
#include "runtime/beep.h"
#include "runtime/runtime.h"

namespace {

constexpr int32_t MASK_ALWAYS = 0x100; // bring the position up to date with no text
constexpr int32_t CELL_CHUNK = 256;

// What the cell writer and scroller need to know about the console.
struct ConsoleWindowInfo {
    int32_t left, top, right, bottom; // the visible window
    int32_t bufferWidth, bufferHeight;
    int32_t attribute; // for new cells
    HANDLE handle;
    int32_t viewIsPartial; // the text view does not cover the whole window
    int32_t wide;
};

ConsoleWindowInfo* deviceOf(TtyState* tty) {
    return static_cast<ConsoleWindowInfo*>(tty->device);
}

bool inCellRange(int32_t value) {
    return value >= 0 && value <= 0x7FFF;
}

bool hasControlCharacter(const uint8_t* text, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (text[i] < 0x20 || text[i] == 0x7F) return true;
    return false;
}

// The characters of the console's code page with control codes as glyphs.
bool toGlyphs(const uint8_t* text, int32_t count, CHAR_INFO* cells) {
    WCHAR converted[CELL_CHUNK];
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0) codePage = CP_OEMCP;
    int n = MultiByteToWideChar(codePage, MB_USEGLYPHCHARS, reinterpret_cast<const char*>(text),
                                count, converted, CELL_CHUNK);
    if (n != count) return false;
    for (int32_t i = 0; i < count; ++i)
        cells[i].Char.UnicodeChar = converted[i];
    return true;
}

// One WriteConsoleOutput call per piece of at most CELL_CHUNK cells.
int32_t writeCells(TtyState* tty, const void* characters, int32_t count) {
    ConsoleWindowInfo* device = deviceOf(tty);
    if (!inCellRange(tty->y)) return 0;
    CHAR_INFO cells[CELL_CHUNK];
    for (int32_t done = 0; done < count;) {
        int32_t n = count - done < CELL_CHUNK ? count - done : CELL_CHUNK;
        int32_t x = tty->x + done;
        if (!inCellRange(x) || !inCellRange(x + n - 1)) return 0;
        bool wide = device->wide;
        if (wide) {
            const uint16_t* text = static_cast<const uint16_t*>(characters) + done;
            for (int32_t i = 0; i < n; ++i)
                cells[i].Char.UnicodeChar = static_cast<WCHAR>(text[i]);
        } else {
            const uint8_t* text = static_cast<const uint8_t*>(characters) + done;
            // A control character is stored as its glyph (ESC as an arrow): a
            // console that redraws on a terminal would otherwise send the raw
            // control code to it.
            wide = hasControlCharacter(text, n) && toGlyphs(text, n, cells);
            if (!wide)
                for (int32_t i = 0; i < n; ++i)
                    cells[i].Char.AsciiChar = static_cast<CHAR>(text[i]);
        }
        for (int32_t i = 0; i < n; ++i)
            cells[i].Attributes = static_cast<WORD>(device->attribute);
        SMALL_RECT region = {static_cast<SHORT>(x), static_cast<SHORT>(tty->y),
                             static_cast<SHORT>(x + n - 1), static_cast<SHORT>(tty->y)};
        COORD size = {static_cast<SHORT>(n), 1};
        BOOL ok = wide ? WriteConsoleOutputW(device->handle, cells, size, {0, 0}, &region)
                       : WriteConsoleOutputA(device->handle, cells, size, {0, 0}, &region);
        if (!ok) return 0;
        done += n;
    }
    return 1;
}

void fillRows(ConsoleWindowInfo* device, const SMALL_RECT& area) {
    DWORD width = static_cast<DWORD>(area.Right - area.Left + 1), done = 0;
    for (SHORT row = area.Top; row <= area.Bottom; ++row) {
        COORD origin = {area.Left, row};
        FillConsoleOutputAttribute(device->handle, static_cast<WORD>(device->attribute), width,
                                   origin, &done);
        if (device->wide)
            FillConsoleOutputCharacterW(device->handle, L' ', width, origin, &done);
        else
            FillConsoleOutputCharacterA(device->handle, ' ', width, origin, &done);
    }
}

void scroll(TtyState* tty, int32_t, int32_t, int32_t, int32_t, int32_t lines) {
    ConsoleWindowInfo* device = deviceOf(tty);
    if (lines <= 0) return;
    // A full-window view first slides down over the buffer rows below it; the
    // window follows at the end of the print.
    if (!device->viewIsPartial && tty->bottom < device->bufferHeight - 1) {
        int32_t k = device->bufferHeight - 1 - tty->bottom;
        if (k > lines) k = lines;
        tty->top += k;
        tty->bottom += k;
        lines -= k;
        if (lines == 0) {
            tty->y = tty->bottom;
            return;
        }
    }
    SMALL_RECT area;
    if (device->viewIsPartial)
        area = {static_cast<SHORT>(tty->left), static_cast<SHORT>(tty->top),
                static_cast<SHORT>(tty->right), static_cast<SHORT>(tty->bottom)};
    else
        area = {0, 0, static_cast<SHORT>(device->bufferWidth - 1),
                static_cast<SHORT>(device->bufferHeight - 1)};
    int32_t height = area.Bottom - area.Top + 1;
    if (lines < height) {
        // The rows below the first `lines` move to the top of the area; the
        // rows they leave are filled.
        SMALL_RECT source = area;
        source.Top = static_cast<SHORT>(area.Top + lines);
        COORD destination = {area.Left, area.Top};
        CHAR_INFO fill;
        fill.Attributes = static_cast<WORD>(device->attribute);
        if (device->wide) {
            fill.Char.UnicodeChar = L' ';
            ScrollConsoleScreenBufferW(device->handle, &source, &area, destination, &fill);
        } else {
            fill.Char.AsciiChar = ' ';
            ScrollConsoleScreenBufferA(device->handle, &source, &area, destination, &fill);
        }
    } else {
        fillRows(device, area);
    }
    tty->y = tty->bottom;
}

void bell(TtyState*) {
    rtBeep();
}

// Output that is not a console gets the bytes unchanged.
int32_t writeRedirected(const void* data, uint32_t bytes) {
    HANDLE handle = conHandle(0);
    const char* at = static_cast<const char*>(data);
    DWORD written = 0;
    while (bytes > 0) {
        if (!WriteFile(handle, at, bytes, &written, nullptr) || written == 0) return -1;
        at += written;
        bytes -= written;
    }
    return static_cast<int32_t>(written);
}

template <typename Char>
int32_t printToConsole(const Char* text, int32_t length, int32_t mask, bool wide) {
    if (!text || length < 0) length = 0;
    if (length == 0 && !(mask & MASK_ALWAYS)) return 0;
    conEnsureGeometry();
    const ConsoleRect window = conState.window;
    if (window.left == window.right || window.top == window.bottom) {
        if (length == 0) return 0;
        return writeRedirected(text, static_cast<uint32_t>(length) * sizeof(Char));
    }

    int32_t viewFirst = 1, viewLast = 1;
    rtGetView(&viewFirst, &viewLast);
    HANDLE handle = conHandle(0);
    ConsoleWindowInfo device = {};
    device.left = window.left;
    device.top = window.top;
    device.right = window.right;
    device.bottom = window.bottom;
    device.handle = handle;
    device.wide = wide;
    TtyState tty = {};
    tty.device = &device;
    tty.scroll = scroll;
    tty.writeCells = writeCells;
    tty.bell = bell;
    tty.left = window.left;
    tty.right = window.right;
    tty.top = window.top + viewFirst - 1;
    tty.bottom = window.top + viewLast - 1;
    device.viewIsPartial = tty.top != window.top || tty.bottom != window.bottom;

    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(handle, &info)) {
        tty.x = info.dwCursorPosition.X;
        tty.y = info.dwCursorPosition.Y;
        device.bufferWidth = info.dwSize.X;
        device.bufferHeight = info.dwSize.Y;
        device.attribute = info.wAttributes;
    } else {
        tty.x = tty.left;
        tty.y = tty.top;
        device.bufferWidth = 80;
        device.bufferHeight = 25;
        device.attribute = 7;
    }
    const int32_t firstTop = tty.top;

    if (conState.pendingWrap) {
        conState.pendingWrap = 0;
        tty.x = tty.left;
        ++tty.y;
        if (tty.y > tty.bottom)
            scroll(&tty, tty.left, tty.top, tty.right, tty.bottom, tty.y - tty.bottom);
    }
    if (wide)
        ttyPrintWide(&tty, reinterpret_cast<const uint16_t*>(text), length, 1);
    else
        ttyPrint(&tty, reinterpret_cast<const uint8_t*>(text), length, 1);

    if (tty.x == tty.left && tty.y == tty.bottom + 1) {
        // The text filled the bottom row exactly: stay on its last cell and
        // scroll only when more output comes.
        conState.pendingWrap = 1;
        tty.x = tty.right;
        tty.y = tty.bottom;
    } else if (tty.y > tty.bottom) {
        scroll(&tty, tty.left, tty.top, tty.right, tty.bottom, tty.y - tty.bottom);
    }
    SetConsoleCursorPosition(handle, {static_cast<SHORT>(tty.x), static_cast<SHORT>(tty.y)});
    if (tty.top != firstTop && !device.viewIsPartial) {
        SMALL_RECT shown = {static_cast<SHORT>(tty.left), static_cast<SHORT>(tty.top),
                            static_cast<SHORT>(tty.right), static_cast<SHORT>(tty.bottom)};
        if (!SetConsoleWindowInfo(handle, TRUE, &shown)) {
            // The buffer is wider than the largest window: keep the visible columns.
            shown.Left = conSavedWindow.left;
            shown.Right = conSavedWindow.right;
            SetConsoleWindowInfo(handle, TRUE, &shown);
        }
    }
    return conRefreshGeometry();
}

} // namespace

int32_t conPrintBytes(const uint8_t* text, int32_t length, int32_t mask) {
    return printToConsole(text, length, mask, false);
}

int32_t conPrintWide(const uint16_t* text, int32_t length, int32_t mask) {
    return printToConsole(text, length, mask, true);
}

// The console shows output as it is written.
void conShowOutput() {}
