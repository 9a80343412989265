// The Windows console's own state and the entry points that deal in console
// handles. Inside, coordinates are absolute 0-based screen-buffer cells; the
// cached text window converts them to the 1-based window-relative positions of
// console.h. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int32_t CONSOLE_PAGES = 4;

struct ConsoleRect {
    int16_t left, top, right, bottom;
};
static_assert(sizeof(ConsoleRect) == 8);

struct ConsoleState {
    HANDLE inputHandle;
    HANDLE outputHandle;
    HANDLE pages[CONSOLE_PAGES]; // page 0 is the standard output
    int32_t activePage;          // receives output and queries
    int32_t visiblePage;         // shown
    // left 0, right = buffer width - 1, top and bottom of the visible rows.
    // left = right or top = bottom: output is not a console (redirected).
    ConsoleRect window;
    int32_t geometryFrozen; // set by WIDTH: the cache keeps the new size
    int32_t pendingWrap;    // the last print filled the view's bottom row exactly
};

extern ConsoleState conState;
extern int32_t conHandlesReady;
extern int32_t conGeometryReady;
extern ConsoleRect conSavedWindow; // the visible window as last read

// The input handle, or the active page's output handle; sets them up first.
HANDLE conHandle(int32_t wantInput);
// Absolute 0-based position; a negative row or column keeps the current one;
// cursor >= 0 sets the visibility (0 hides). Clears the pending wrap.
void conSetCursor(HANDLE handle, int32_t row, int32_t column, int32_t cursor);
// Stores the close key (Alt+F4) on close, log-off and shut-down.
BOOL WINAPI conCtrlHandler(DWORD event);
// The console's window (found once through a temporary title), or null.
HWND conFindWindow();
// Forgets the window found, for a console that was replaced.
void conForgetWindow();
