// The window layer shared by the Windows display back ends: the one graphics
// window, its class, the window thread that owns it, and the driver slots the
// display layer does not give and the back ends share (palette, caption,
// position, close).
//
// A back end clears `winState`, installs its four `WinBackEnd` routines and
// calls `winInit`, which starts the window thread (the display layer's display
// thread) and waits until the back end's `init` has created the window
// (success) or failed (-1). `winExit` stops the thread, undoes everything
// `winInit` and `init` made and is safe on a half-opened layer. The window
// procedure turns messages into the display layer's input calls; on the window
// thread it runs while that thread holds the framebuffer lock. Windows only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "gfx/blit/blit.h"
#include "gfx/core/driver.h"
#include "gfx/display/display.h"

// The routines a back end lends the layer.
struct WinBackEnd {
    int32_t (*init)(); // make the window and display objects; 0 = success
    void (*exit)();    // destroy what init made
    void (*paint)();   // redraw the whole window from the framebuffer
    void (*thread)();  // init, gfxDisplayReady, refresh while running
};

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND, DWORD);
using MonitorFromPointFn = HMONITOR(WINAPI*)(POINT, DWORD);
using FlashWindowExFn = BOOL(WINAPI*)(PFLASHWINFO);
using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);
using GetMonitorInfoAFn = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
using ChangeDisplaySettingsExAFn = LONG(WINAPI*)(LPCSTR, LPDEVMODEA, HWND, DWORD, LPVOID);

constexpr int32_t WIN_CLASS_NAME_SIZE = 140;
constexpr int32_t WIN_PALETTE_SIZE = 256;

// The shared state of the Windows back ends; cleared by each back end's open.
struct WinState {
    int32_t osVersion; // (major << 8) | minor
    HINSTANCE instance;
    WNDCLASSA windowClass;
    HWND window;
    PALETTEENTRY palette[WIN_PALETTE_SIZE]; // red, green, blue, PC_NOCOLLAPSE
    Blitter blitter;                        // null: the framebuffer is shown as it is
    HMONITOR monitor;
    int32_t initialised; // winExit has something to undo
    int32_t paletteChanged;
    int32_t width, height, depth, flags, refreshRate;
    const char* title; // the caller's string
    char className[WIN_CLASS_NAME_SIZE];
    WinBackEnd backEnd;
    SetLayeredWindowAttributesFn setLayeredWindowAttributes;
    MonitorFromWindowFn monitorFromWindow;
    MonitorFromPointFn monitorFromPoint;
    FlashWindowExFn flashWindowEx;
    TrackMouseEventFn trackMouseEvent; // winLeaveTimerStart when the platform lacks it
    GetMonitorInfoAFn getMonitorInfoA;
    ChangeDisplaySettingsExAFn changeDisplaySettingsExA;
    GfxDisplayInfo opened; // what init found; the open reports it
};
static_assert(offsetof(WinState, osVersion) == 0 && sizeof(PALETTEENTRY) == 4,
              "version first; palette entries of four bytes");
static_assert(offsetof(WinState, className) + WIN_CLASS_NAME_SIZE <= offsetof(WinState, backEnd),
              "class name of 140 bytes before the back-end routines");

// State of the layer that survives a back end's open.
struct WinLayer {
    BOOL savedScreenSaver;
    wchar_t* wideText; // WM_CHAR conversion buffers; only grow
    int32_t wideCapacity;
    char* oemText;
    int32_t oemCapacity;
};

extern WinState winState;
extern WinLayer winLayer;

constexpr int32_t MOVE_KEEP = INT32_MIN; // winMoveWindow: keep this coordinate
constexpr UINT_PTR LEAVE_TIMER_ID = 2;

int32_t winInit(const char* title, int32_t width, int32_t height, int32_t depth,
                int32_t refreshRate, int32_t flags);
void winExit();
// Creates the window on the calling thread with the class and title; honours
// SCRF_TOPMOST and brings it to the foreground. 0 or -1.
int32_t winCreateWindow(DWORD style, DWORD extendedStyle, int32_t x, int32_t y, int32_t width,
                        int32_t height);
void winPumpMessages();
// The new window's first paint, on the window thread before the start-up
// event: the platform sets up its drawing for the window then, at the open,
// rather than in the first pass, under the lock the program waits for.
void winFirstPaint();
// The key-state array from the keyboard's state.
void winPollKeys();
void winClipCursor();

// The screen a window goes to: the monitor's rectangle and device name when
// the platform tells them, else the primary screen.
struct WinScreen {
    RECT rect;
    const char* device; // null: the primary device
    char deviceName[CCHDEVICENAME];
};
WinScreen winFindScreen();
// Changes the display mode to the state's width, height, depth and refresh
// rate for a full screen; false when the platform refuses.
bool winChangeDisplayMode(const WinScreen& screen);
// The top-left corner that centres an outer size on the screen.
void winCentre(const WinScreen& screen, int32_t outerWidth, int32_t outerHeight, int32_t* x,
               int32_t* y);

// Driver slots (the others are the display layer's).
void winSetColor(int32_t index, int32_t red, int32_t green, int32_t blue);
void winSetCaption(const char* title);
int32_t winMoveWindow(int32_t x, int32_t y);

// A Windows driver's record: the display layer's slots and the window layer's
// (close, palette, caption, position). The driver sets its own.
constexpr GfxDriver winDriver(const char* name) {
    GfxDriver d = gfxDisplayDriver(name);
    d.close = winExit;
    d.setColor = winSetColor;
    d.setCaption = winSetCaption;
    d.moveWindow = winMoveWindow;
    return d;
}

// The window procedure and what it drives.
LRESULT CALLBACK winWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI winLeaveTimerStart(LPTRACKMOUSEEVENT request);
void CALLBACK winLeaveTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
void winToggleFullScreen();
// The primary device's display modes of `depth` as (width << 16) | height,
// for the listModes slot: exactly that depth, or also its pair (15 for 16 and
// 24 for 32 and the other way round). The caller frees the list.
int32_t* winListExactModes(int32_t depth, int32_t* count);
int32_t* winListPairedModes(int32_t depth, int32_t* count);
