// Helpers for the tests of the graphics window under Wine: opening screens on
// the GDI driver, waiting for the window thread, reading the window's pixels
// back and collecting the events and keys the window procedure posted.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "gfx/console/input.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "gfx/gdi/gdi.h"
#include "gfx/win32/window.h"

namespace wintest {

// What a driver opened directly by a test reported.
inline GfxDisplayInfo opened;

// Without a window manager on the test display, Wine waits two seconds for
// every managed window to be withdrawn; windows of unmanaged programs close at
// once. Wine reads the setting when its display driver starts, so this runs
// before the first window of the program.
inline bool unmanagedWindows() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return false;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    char keyName[MAX_PATH + 64];
    wsprintfA(keyName, "Software\\Wine\\AppDefaults\\%s\\X11 Driver", name);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2) ==
              ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}
inline const bool unmanagedSet = unmanagedWindows();

inline void useGdi() {
    _putenv("ZQGFX=gdi");
}

inline void closeScreen() {
    gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE);
}

// Waits until `done` holds, checking every 10 ms, at most `limitMs`.
template <typename F> bool waitFor(F done, int limitMs = 2000) {
    for (int t = 0; t < limitMs; t += 10) {
        if (done()) return true;
        Sleep(10);
    }
    return done();
}

// Lets the window thread run a few refresh passes.
inline void settle(int ms = 80) {
    Sleep(static_cast<DWORD>(ms));
}

inline std::vector<GfxEvent> takeEvents() {
    std::vector<GfxEvent> events;
    GfxEvent e;
    while (gfxTakeEvent(&e))
        events.push_back(e);
    return events;
}

inline std::vector<int32_t> takeKeys() {
    std::vector<int32_t> keys;
    for (int32_t k; (k = gfxTakeKey()) != 0;)
        keys.push_back(k);
    return keys;
}

inline void drain() {
    settle();
    takeEvents();
    takeKeys();
}

inline bool firstLineDirty() {
    gfxLock();
    bool dirty = gfxMode->dirtyLines[0] != 0;
    gfxUnlock(1, 0);
    return dirty;
}

// Waits until the window thread has handled every message queued so far: a
// refresh pass pumps the messages before it takes the dirty lines, so once a
// line marked now is clean again, what was queued before has been handled.
inline bool sync() {
    gfxLock();
    gfxMode->dirtyLines[0] = 1;
    gfxUnlock(1, 0);
    return waitFor([] { return !firstLineDirty(); }, 5000);
}

// Posts a message and waits until the window thread has handled it.
inline void post(UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(winState.window, message, wParam, lParam);
    sync();
}

// A key message's lParam: repeat count 1, scan code, extended and previous
// state bits; key-up messages carry the transition bits.
inline LPARAM keyParam(int scan, bool up = false, bool repeat = false, bool extended = false) {
    LPARAM p = 1 | (scan << 16);
    if (extended) p |= 1 << 24;
    if (repeat || up) p |= 1 << 30;
    if (up) p |= static_cast<LPARAM>(1u << 31);
    return p;
}

// The colour the window shows at client (x, y), as 0x00BBGGRR.
inline COLORREF windowPixel(int x, int y) {
    HDC dc = GetDC(winState.window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(winState.window, dc);
    return c;
}

inline bool hasEvent(const std::vector<GfxEvent>& events, int32_t kind) {
    for (const GfxEvent& e : events)
        if (e.kind == kind) return true;
    return false;
}

inline RECT clientOnScreen() {
    RECT r;
    GetClientRect(winState.window, &r);
    MapWindowPoints(winState.window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace wintest
