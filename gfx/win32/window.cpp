// The window layer: class, window thread, message pump, key poll and the
// driver slots shared by the Windows back ends.
#include "gfx/win32/window.h"

#include <process.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "console/keys.h"
#include "gfx/core/mode.h"

WinState winState;
WinLayer winLayer;

namespace {
constexpr char CLASS_PREFIX[] = "zqgfxclass_";
constexpr int32_t DEFAULT_RETRACE_MS = 16;

void freeCharBuffers() {
    std::free(winLayer.wideText);
    std::free(winLayer.oemText);
    winLayer.wideText = nullptr;
    winLayer.oemText = nullptr;
    winLayer.wideCapacity = 0;
    winLayer.oemCapacity = 0;
}

int32_t platformVersion() {
    // GetVersion is the one call that reports the version the program runs
    // under without a manifest; its deprecation does not concern us.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    DWORD version = GetVersion();
#pragma GCC diagnostic pop
    return static_cast<int32_t>((LOBYTE(LOWORD(version)) << 8) | HIBYTE(LOWORD(version)));
}

template <typename T> T userEntry(HMODULE user, const char* name) {
    return user ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(user, name)))
                : nullptr;
}

void lookUpEntryPoints() {
    HMODULE user = GetModuleHandleA("user32.dll");
    WinState& s = winState;
    s.setLayeredWindowAttributes =
        userEntry<SetLayeredWindowAttributesFn>(user, "SetLayeredWindowAttributes");
    s.monitorFromWindow = userEntry<MonitorFromWindowFn>(user, "MonitorFromWindow");
    s.monitorFromPoint = userEntry<MonitorFromPointFn>(user, "MonitorFromPoint");
    s.flashWindowEx = userEntry<FlashWindowExFn>(user, "FlashWindowEx");
    s.trackMouseEvent = userEntry<TrackMouseEventFn>(user, "TrackMouseEvent");
    s.getMonitorInfoA = userEntry<GetMonitorInfoAFn>(user, "GetMonitorInfoA");
    s.changeDisplaySettingsExA =
        userEntry<ChangeDisplaySettingsExAFn>(user, "ChangeDisplaySettingsExA");
}

void buildClassName(const char* title) {
    std::memset(winState.className, 0, sizeof winState.className);
    std::strcpy(winState.className, CLASS_PREFIX);
    size_t used = sizeof CLASS_PREFIX - 1;
    std::strncpy(winState.className + used, title ? title : "",
                 sizeof winState.className - 1 - used);
}

unsigned __stdcall threadStart(void* started) {
    winLayer.windowThreadId = GetCurrentThreadId();
    winState.backEnd.thread(started);
    return 0;
}

bool onWindowThread() {
    return GetCurrentThreadId() == winLayer.windowThreadId;
}

// Starts the window thread and waits until the back end has made its window
// (the event) or the thread has ended (its init failed).
int32_t startWindowThread() {
    if (gfxFrameLockOpen(&winLayer.lock) != 0) return -1;
    HANDLE started = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!started) return -1;
    // _beginthreadex keeps the handle valid after the thread ends, so the wait
    // below and the one at close never meet a recycled handle.
    uintptr_t thread = _beginthreadex(nullptr, 0, threadStart, started, 0, nullptr);
    if (!thread) {
        CloseHandle(started);
        return -1;
    }
    winLayer.windowThread = reinterpret_cast<HANDLE>(thread);
    HANDLE waits[2] = {started, winLayer.windowThread};
    DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    CloseHandle(started);
    return which == WAIT_OBJECT_0 ? 0 : -1;
}
} // namespace

int32_t winInit(const char* title, int32_t width, int32_t height, int32_t depth,
                int32_t refreshRate, int32_t flags) {
    WinState& s = winState;
    s.osVersion = platformVersion();
    lookUpEntryPoints();
    s.monitor = nullptr;
    if (s.monitorFromPoint) {
        POINT pointer = {0, 0};
        GetCursorPos(&pointer);
        s.monitor = s.monitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
    }
    winLayer.cursorVisible = 1;
    winLayer.lastScreenX = WIN_NO_SCREEN_POSITION;
    s.mouseClip = 0;
    if (!s.trackMouseEvent) s.trackMouseEvent = winLeaveTimerStart;

    winLayer.savedScreenSaver = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &winLayer.savedScreenSaver, 0);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);

    s.instance = GetModuleHandleA(nullptr);
    s.title = title ? title : "";
    s.width = width;
    s.height = height;
    s.depth = depth;
    s.flags = flags;
    s.refreshRate = refreshRate;
    buildClassName(s.title);

    WNDCLASSA& c = s.windowClass;
    std::memset(&c, 0, sizeof c);
    c.style = (flags & SCRF_OPENGL) ? CS_DBLCLKS : (CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
    c.lpfnWndProc = winWindowProc;
    c.hInstance = s.instance;
    c.hIcon = LoadIconA(s.instance, "ZQ_PROGRAM_ICON");
    if (!c.hIcon) c.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = s.className;

    winLayer.wheel = 0;
    winLayer.buttons = 0;
    s.initialised = 1; // from here on winExit undoes what exists
    freeCharBuffers();
    if (!RegisterClassA(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return -1;

    if (flags & SCRF_OPENGL) {
        winLayer.windowThread = nullptr;
        return 0;
    }
    if (startWindowThread() != 0) return -1;
    if (flags & SCRF_HIGH_PRIORITY)
        SetThreadPriority(winLayer.windowThread, THREAD_PRIORITY_ABOVE_NORMAL);
    return 0;
}

void winExit() {
    WinState& s = winState;
    if (!s.initialised) return;
    s.initialised = 0;
    // The program may close the screen while it holds the framebuffer lock;
    // the window thread needs the lock for its last pass.
    gfxFrameForceRelease(&winLayer.lock);
    if (winLayer.windowThread) {
        WaitForSingleObject(winLayer.windowThread, INFINITE);
        CloseHandle(winLayer.windowThread);
        winLayer.windowThread = nullptr;
    }
    winLayer.windowThreadId = 0;
    gfxFrameLockClose(&winLayer.lock);
    freeCharBuffers();
    if (s.backEnd.exit) s.backEnd.exit();
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(winLayer.savedScreenSaver),
                          nullptr, 0);
    UnregisterClassA(s.className, s.instance);
    if (s.mouseClip) {
        ClipCursor(nullptr);
        s.mouseClip = 0;
    }
}

int32_t winCreateWindow(DWORD style, DWORD extendedStyle, int32_t x, int32_t y, int32_t width,
                        int32_t height) {
    WinState& s = winState;
    s.window = CreateWindowExA(extendedStyle, s.className, s.title, style, x, y, width, height,
                               nullptr, nullptr, s.instance, nullptr);
    if (!s.window) return -1;
    if (s.flags & SCRF_TOPMOST)
        SetWindowPos(s.window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOSENDCHANGING);
    SetForegroundWindow(s.window);
    return 0;
}

void winPumpMessages() {
    MSG message;
    while (PeekMessageA(&message, winState.window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void winFirstPaint() {
    if (winState.window) UpdateWindow(winState.window);
}

void winPollKeys() {
    GfxMode* m = gfxMode;
    BYTE keys[256];
    if (!m || !m->keyState || !GetKeyboardState(keys)) return;
    for (const ScanVkEntry* row = scanVkTable; row->scan; ++row) {
        bool down = (keys[row->vk] & 0x80) || (row->vk2 && (keys[row->vk2] & 0x80));
        if (row->scan < GFX_KEY_STATE_SIZE) m->keyState[row->scan] = down ? 1 : 0;
    }
}

void winClipCursor() {
    RECT r;
    if (!GetClientRect(winState.window, &r)) return;
    MapWindowPoints(winState.window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    ClipCursor(&r);
}

WinScreen winFindScreen() {
    WinScreen screen = {
        {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, nullptr, {0}};
    const WinState& s = winState;
    MONITORINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (s.getMonitorInfoA && s.monitor && s.getMonitorInfoA(s.monitor, &info)) {
        screen.rect = info.rcMonitor;
        std::memcpy(screen.deviceName, info.szDevice, sizeof screen.deviceName);
        screen.deviceName[sizeof screen.deviceName - 1] = 0;
        screen.device = screen.deviceName;
    }
    return screen;
}

bool winChangeDisplayMode(const WinScreen& screen) {
    const WinState& s = winState;
    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmBitsPerPel = static_cast<DWORD>(s.depth);
    mode.dmPelsWidth = static_cast<DWORD>(s.width);
    mode.dmPelsHeight = static_cast<DWORD>(s.height);
    mode.dmDisplayFrequency = static_cast<DWORD>(s.refreshRate);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    LONG result =
        s.changeDisplaySettingsExA
            ? s.changeDisplaySettingsExA(screen.device, &mode, nullptr, CDS_FULLSCREEN, nullptr)
            : ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    return result == DISP_CHANGE_SUCCESSFUL;
}

void winCentre(const WinScreen& screen, int32_t outerWidth, int32_t outerHeight, int32_t* x,
               int32_t* y) {
    *x = screen.rect.left + ((screen.rect.right - screen.rect.left - outerWidth) >> 1);
    *y = screen.rect.top + ((screen.rect.bottom - screen.rect.top - outerHeight) >> 1);
}

int32_t* winListModes(int32_t depth, int32_t* count, bool paired) {
    int32_t* modes = nullptr;
    int32_t found = 0;
    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    auto accepts = [depth, paired](int32_t bits) {
        if (bits == depth) return true;
        return paired && ((bits == 15 && depth == 16) || (bits == 16 && depth == 15) ||
                          (bits == 24 && depth == 32) || (bits == 32 && depth == 24));
    };
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i) {
        if (!accepts(static_cast<int32_t>(mode.dmBitsPerPel))) continue;
        auto* grown = static_cast<int32_t*>(
            std::realloc(modes, static_cast<size_t>(found + 1) * sizeof(int32_t)));
        if (!grown) break;
        modes = grown;
        modes[found++] =
            static_cast<int32_t>((mode.dmPelsWidth << 16) | (mode.dmPelsHeight & 0xFFFF));
    }
    if (count) *count = found;
    return modes;
}

void winMarkAllDirty() {
    GfxMode* m = gfxMode;
    if (m && m->dirtyLines && winState.height > 0)
        std::memset(m->dirtyLines, 1, static_cast<size_t>(winState.height));
}

void winSetColor(int32_t index, int32_t red, int32_t green, int32_t blue) {
    if (index < 0 || index >= WIN_PALETTE_SIZE) return;
    PALETTEENTRY& e = winState.palette[index];
    e.peRed = static_cast<BYTE>(red);
    e.peGreen = static_cast<BYTE>(green);
    e.peBlue = static_cast<BYTE>(blue);
    e.peFlags = PC_NOCOLLAPSE;
    winState.paletteChanged = 1;
}

void winWaitRetrace() {
    int32_t rate = gfxMode ? gfxMode->refreshRate : 0;
    Sleep(rate > 0 ? static_cast<DWORD>(1000 / rate) : DEFAULT_RETRACE_MS);
}

int32_t winReadMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
    if (!winState.active || !winLayer.mouseInside) return -1;
    if (x) *x = winLayer.mouseX;
    if (y) *y = winLayer.mouseY;
    if (wheel) *wheel = winLayer.wheel;
    if (buttons) *buttons = winLayer.buttons;
    if (clip) *clip = winState.mouseClip;
    return 0;
}

void winMoveMouse(int32_t x, int32_t y, int32_t cursor, int32_t clip) {
    WinState& s = winState;
    if (x >= 0) {
        POINT p = {x < s.width - 1 ? x : s.width - 1,
                   y < 0 ? 0 : (y < s.height ? y : s.height - 1)};
        if (!(s.flags & SCRF_FULLSCREEN)) ClientToScreen(s.window, &p);
        SetCursorPos(p.x, p.y);
        winLayer.mouseX = x;
        winLayer.mouseY = y;
    }
    if (cursor >= 0) {
        int32_t visible = cursor > 0 ? 1 : 0;
        if (visible != winLayer.cursorVisible) {
            winLayer.cursorVisible = visible;
            PostMessageA(s.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(s.window),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        }
    }
    if (clip == 0) {
        s.mouseClip = 0;
        ClipCursor(nullptr);
    } else if (clip > 0) {
        s.mouseClip = 1;
        winClipCursor();
    }
}

void winSetCaption(const char* title) {
    // The window thread answers the title change, and it needs the lock.
    bool held = gfxMode && gfxMode->lockCount != 0;
    if (held) winUnlock();
    winState.title = title ? title : "";
    SetWindowTextA(winState.window, winState.title);
    if (gfxMode && gfxMode->lockCount != 0) winLock();
}

int32_t winMoveWindow(int32_t x, int32_t y) {
    WinState& s = winState;
    if (s.flags & SCRF_FULLSCREEN) return 0;
    RECT r = {0, 0, 0, 0};
    GetWindowRect(s.window, &r);
    SetWindowPos(s.window, nullptr, x == MOVE_KEEP ? r.left : x, y == MOVE_KEEP ? r.top : y, 0, 0,
                 SWP_ASYNCWINDOWPOS | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOSIZE);
    return static_cast<int32_t>((static_cast<uint32_t>(r.top) << 16) |
                                (static_cast<uint32_t>(r.left) & 0xFFFF));
}

void winLock() {
    if (onWindowThread())
        gfxFrameDisplayTake(&winLayer.lock);
    else
        gfxFrameProgramTake(&winLayer.lock);
}

void winUnlock() {
    if (onWindowThread())
        gfxFrameDisplayRelease(&winLayer.lock);
    else
        gfxFrameProgramRelease(&winLayer.lock);
}
