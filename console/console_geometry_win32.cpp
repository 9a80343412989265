// The Windows console's handles, pages, geometry cache and cursor: LOCATE,
// CLS, WIDTH, the cursor and size queries and the page switch.
#include <cstring>

#include "console/console.h"
#include "console/console_win32.h"
#include "console/key_ring.h"
#include "runtime/runtime.h"

ConsoleState conState;
int32_t conHandlesReady = 0;
int32_t conGeometryReady = 0;
ConsoleRect conSavedWindow;

namespace {

constexpr int32_t FALLBACK_COLUMNS = 80;
constexpr int32_t FALLBACK_ROWS = 25;
constexpr int32_t DEFAULT_ATTRIBUTE = 7;
constexpr int32_t CLS_OMITTED = static_cast<int32_t>(0xFFFF0000u);

bool windowEmpty() {
    const ConsoleRect& w = conState.window;
    return w.left == w.right || w.top == w.bottom;
}

int32_t windowWidth() {
    return conState.window.right - conState.window.left + 1;
}
int32_t windowHeight() {
    return conState.window.bottom - conState.window.top + 1;
}

bool bufferInfo(CONSOLE_SCREEN_BUFFER_INFO* info) {
    return GetConsoleScreenBufferInfo(conHandle(0), info) != 0;
}

bool validHandle(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE;
}

SHORT toShort(int32_t value) {
    return static_cast<SHORT>(value < 0 ? 0 : (value > 0x7FFF ? 0x7FFF : value));
}

int32_t packPosition(int32_t row, int32_t column) {
    return static_cast<int32_t>((static_cast<uint32_t>(column) & 0xFFu) +
                                ((static_cast<uint32_t>(row) * 256u) & 0xFF00u));
}

int32_t packSize(int32_t columns, int32_t rows) {
    return static_cast<int32_t>(static_cast<uint32_t>(rows) * 65536u +
                                static_cast<uint32_t>(columns));
}

bool cursorVisible(HANDLE handle) {
    CONSOLE_CURSOR_INFO cursor;
    return GetConsoleCursorInfo(handle, &cursor) && cursor.bVisible;
}

void hideCursor(HANDLE page) {
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(conState.outputHandle, &cursor)) return;
    cursor.bVisible = FALSE;
    SetConsoleCursorInfo(page, &cursor);
}

bool ensurePage(int32_t page) {
    if (validHandle(conState.pages[page])) return true;
    HANDLE buffer = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                              CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (!validHandle(buffer)) return false;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(conState.outputHandle, &info))
        SetConsoleScreenBufferSize(buffer, info.dwSize);
    conState.pages[page] = buffer;
    return true;
}

// Clears whole rows [top, bottom] and homes the cursor to the first of them.
void clearRows(HANDLE handle, int32_t top, int32_t bottom) {
    if (bottom < top) return;
    int32_t width = windowWidth();
    DWORD cells = static_cast<DWORD>(width) * static_cast<DWORD>(bottom - top + 1);
    COORD origin = {conState.window.left, toShort(top)};
    DWORD done = 0;
    FillConsoleOutputAttribute(handle, static_cast<WORD>(conGetAttribute()), cells, origin, &done);
    FillConsoleOutputCharacterA(handle, ' ', cells, origin, &done);
    conSetCursor(handle, top, conState.window.left, -1);
}

} // namespace

void conResetState() {
    std::memset(&conState, 0, sizeof conState);
    conHandlesReady = 0;
    conGeometryReady = 0;
    conSavedWindow = ConsoleRect{};
    conForgetWindow();
    // The control handler stays installed: it belongs to the process.
    int32_t inputStarted = conKeyRing.inputStarted;
    std::memset(static_cast<void*>(&conKeyRing), 0, sizeof conKeyRing);
    conKeyRing.inputStarted = inputStarted;
}

HANDLE conHandle(int32_t wantInput) {
    if (!conHandlesReady) {
        conHandlesReady = 1;
        conState.inputHandle = GetStdHandle(STD_INPUT_HANDLE);
        conState.outputHandle = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        if (validHandle(conState.inputHandle) && GetConsoleMode(conState.inputHandle, &mode))
            SetConsoleMode(conState.inputHandle, mode | ENABLE_PROCESSED_INPUT);
        conState.pages[0] = conState.outputHandle;
        conState.activePage = 0;
        conState.visiblePage = 0;
    }
    return wantInput ? conState.inputHandle : conState.pages[conState.activePage];
}

int32_t conRefreshGeometry() {
    conGeometryReady = 1;
    if (conState.geometryFrozen) return windowEmpty() ? 0 : 1;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!bufferInfo(&info)) {
        conState.window = ConsoleRect{};
        conSavedWindow = ConsoleRect{};
        return 0;
    }
    conState.window = {0, info.srWindow.Top, static_cast<int16_t>(info.dwSize.X - 1),
                       info.srWindow.Bottom};
    conSavedWindow = {info.srWindow.Left, info.srWindow.Top, info.srWindow.Right,
                      info.srWindow.Bottom};
    return 1;
}

int32_t conEnsureGeometry() {
    conHandle(0);
    if (!conGeometryReady) return conRefreshGeometry();
    return windowEmpty() ? 0 : 1;
}

void conGetWindow(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
    conEnsureGeometry();
    bool empty = windowEmpty();
    if (left) *left = empty ? 0 : conState.window.left;
    if (top) *top = empty ? 0 : conState.window.top;
    if (width) *width = empty ? 0 : windowWidth();
    if (height) *height = empty ? 0 : windowHeight();
}

void conSetCursor(HANDLE handle, int32_t row, int32_t column, int32_t cursor) {
    if (row < 0 || column < 0) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (GetConsoleScreenBufferInfo(handle, &info)) {
            if (row < 0) row = info.dwCursorPosition.Y;
            if (column < 0) column = info.dwCursorPosition.X;
        }
    }
    if (row >= 0 && column >= 0) SetConsoleCursorPosition(handle, {toShort(column), toShort(row)});
    if (cursor >= 0) {
        CONSOLE_CURSOR_INFO info;
        if (GetConsoleCursorInfo(handle, &info)) {
            info.bVisible = cursor != 0;
            SetConsoleCursorInfo(handle, &info);
        }
    }
    conState.pendingWrap = 0;
}

void conGetCursor(int32_t* column, int32_t* row) {
    conEnsureGeometry();
    CONSOLE_SCREEN_BUFFER_INFO info;
    bool ok = bufferInfo(&info);
    if (column) *column = ok ? info.dwCursorPosition.X - conState.window.left + 1 : 0;
    if (row) *row = ok ? info.dwCursorPosition.Y - conState.window.top + 1 : 0;
}

void conGetSize(int32_t* columns, int32_t* rows) {
    conEnsureGeometry();
    bool empty = windowEmpty();
    if (columns) *columns = empty ? FALLBACK_COLUMNS : windowWidth();
    if (rows) *rows = empty ? FALLBACK_ROWS : windowHeight();
}

int32_t conGetAttribute() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return bufferInfo(&info) ? info.wAttributes : DEFAULT_ATTRIBUTE;
}

int32_t conSetColors(int32_t foreground, int32_t background, int32_t flags) {
    conEnsureGeometry();
    int32_t attribute = conGetAttribute();
    int32_t previous = conColorChange(&attribute, foreground, background, flags);
    // Redirected output has no colours.
    if (!windowEmpty()) SetConsoleTextAttribute(conHandle(0), static_cast<WORD>(attribute));
    return previous;
}

int32_t conLocate(int32_t row, int32_t column, int32_t cursor) {
    conEnsureGeometry();
    if (column <= 0) column = conGetColumn();
    if (row <= 0) row = conGetRow();
    if (windowEmpty()) return packPosition(row, column); // not a console: nothing moves
    HANDLE handle = conHandle(0);
    bool wasVisible = cursorVisible(handle);
    conSetCursor(handle, row + conState.window.top - 1, column + conState.window.left - 1, cursor);
    return packPosition(row, column) + (wasVisible ? 0x10000 : 0);
}

int32_t conWidth(int32_t columns, int32_t rows) {
    conEnsureGeometry();
    if (windowEmpty()) return 0;
    HANDLE handle = conHandle(0);
    CONSOLE_SCREEN_BUFFER_INFO info;
    COORD largest = GetLargestConsoleWindowSize(handle);
    int32_t currentWidth = windowWidth(), currentHeight = windowHeight();
    int32_t visibleWidth = currentWidth;
    if (bufferInfo(&info)) {
        currentHeight = info.srWindow.Bottom - info.srWindow.Top + 1;
        visibleWidth = info.srWindow.Right - info.srWindow.Left + 1;
    }
    bool change = columns > 0 || rows > 0;
    if (columns <= 0) columns = currentWidth;
    if (rows <= 0) rows = currentHeight;
    int32_t result = packSize(columns, rows);
    if (!change) return result;

    // The window can be at most the largest the display allows (a count, so
    // its last cell is one less).
    int32_t maxRight = largest.X > 0 ? largest.X - 1 : columns - 1;
    int32_t maxBottom = largest.Y > 0 ? largest.Y - 1 : rows - 1;
    SMALL_RECT target = {0, 0, toShort(columns - 1 < maxRight ? columns - 1 : maxRight),
                         toShort(rows - 1 < maxBottom ? rows - 1 : maxBottom)};
    // A buffer can never be smaller than its window: shrink the windows first.
    SMALL_RECT shrink = target;
    bool shrinkFirst = false;
    if (target.Bottom < currentHeight - 1) {
        if (shrink.Right > visibleWidth - 1) shrink.Right = toShort(visibleWidth - 1);
        shrinkFirst = true;
    } else if (target.Right < visibleWidth - 1) {
        if (shrink.Bottom > currentHeight - 1) shrink.Bottom = toShort(currentHeight - 1);
        shrinkFirst = true;
    }
    for (HANDLE page : conState.pages) {
        if (!validHandle(page)) continue;
        if (shrinkFirst) SetConsoleWindowInfo(page, TRUE, &shrink);
        SetConsoleScreenBufferSize(page, {toShort(columns), toShort(rows)});
        SetConsoleWindowInfo(page, TRUE, &target);
    }
    conState.geometryFrozen = 0;
    conRefreshGeometry();
    conState.geometryFrozen = 1;
    return result;
}

void conCls(int32_t mode) {
    conEnsureGeometry();
    if (windowEmpty() || mode == 1) return;
    int32_t top = conState.window.top, bottom = conState.window.bottom;
    if (mode == 2 || mode == CLS_OMITTED) {
        int32_t viewFirst = 1, viewLast = 1;
        rtGetView(&viewFirst, &viewLast);
        int32_t first = conState.window.top + viewFirst - 1;
        int32_t last = conState.window.top + viewLast - 1;
        top = first > top ? first : top;
        bottom = last < bottom ? last : bottom;
    }
    clearRows(conHandle(0), top, bottom);
}

int32_t conPageSet(int32_t active, int32_t visible) {
    conHandle(0);
    if (active >= CONSOLE_PAGES || visible >= CONSOLE_PAGES) return -1;
    int32_t previous = conState.visiblePage * 256 + conState.activePage;
    if (active >= 0) {
        if (!ensurePage(active)) return -1;
        if (active != conState.visiblePage) hideCursor(conState.pages[active]);
        conState.activePage = active;
    }
    if (visible >= 0) {
        if (!ensurePage(visible)) return -1;
        if (visible != conState.visiblePage) {
            SetConsoleActiveScreenBuffer(conState.pages[visible]);
            if (visible != conState.activePage) {
                hideCursor(conState.pages[conState.activePage]);
                hideCursor(conState.pages[visible]);
            }
            conState.visiblePage = visible;
        }
    }
    return previous;
}
