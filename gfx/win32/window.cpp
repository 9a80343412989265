// The window layer: class, window thread, message pump, key poll and the
// driver slots shared by the Windows back ends.
#include "gfx/win32/window.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "gfx/core/mode.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"

WinState winState;
WinLayer winLayer;

namespace {
constexpr char CLASS_PREFIX[] = "zqgfxclass_";

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

// The window thread: the back end's, raised while the screen asked for a
// high priority (the window procedure follows the focus).
void windowThread() {
    if (winState.flags & SCRF_HIGH_PRIORITY)
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    winState.backEnd.thread();
}

// The pointer's platform side, for the display layer's pointer state.
const GfxPointerHost POINTER = {
    .track =
        [](int32_t on) {
            if (!on) {
                KillTimer(winState.window, LEAVE_TIMER_ID);
                return;
            }
            TRACKMOUSEEVENT request = {sizeof request, TME_LEAVE, winState.window, HOVER_DEFAULT};
            winState.trackMouseEvent(&request);
        },
    .confine =
        [](int32_t on) {
            if (on)
                winClipCursor();
            else
                ClipCursor(nullptr);
        },
    .warp =
        [](int32_t x, int32_t y) {
            POINT p = {x, y};
            if (!(winState.flags & SCRF_FULLSCREEN)) ClientToScreen(winState.window, &p);
            SetCursorPos(p.x, p.y);
        },
    .showCursor =
        [](int32_t) {
            // The window procedure's WM_SETCURSOR shows the pointer or not.
            PostMessageA(winState.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(winState.window),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        },
};
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
    if (!s.trackMouseEvent) s.trackMouseEvent = winLeaveTimerStart;
    gfxInputOpen(&POINTER, width, height);

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

    s.initialised = 1; // from here on winExit undoes what exists
    freeCharBuffers();
    if (!RegisterClassA(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return -1;
    // The OpenGL driver keeps its window on the program's thread.
    if (flags & SCRF_OPENGL) return 0;
    return gfxDisplayStart(windowThread);
}

void winExit() {
    WinState& s = winState;
    if (!s.initialised) return;
    s.initialised = 0;
    gfxDisplayStop();
    freeCharBuffers();
    if (s.backEnd.exit) s.backEnd.exit();
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(winLayer.savedScreenSaver),
                          nullptr, 0);
    UnregisterClassA(s.className, s.instance);
    gfxInputClose();
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
    BYTE keys[256];
    if (GetKeyboardState(keys)) gfxKeyStatesFromVirtualKeys(keys);
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

namespace {
int32_t* listModes(int32_t depth, int32_t* count, bool paired) {
    GfxModeList list = {nullptr, 0};
    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i)
        if (!gfxModeListAdd(&list, static_cast<int32_t>(mode.dmPelsWidth),
                            static_cast<int32_t>(mode.dmPelsHeight),
                            static_cast<int32_t>(mode.dmBitsPerPel), depth, paired))
            break;
    if (count) *count = list.count;
    return list.modes;
}
} // namespace

int32_t* winListExactModes(int32_t depth, int32_t* count) {
    return listModes(depth, count, false);
}

int32_t* winListPairedModes(int32_t depth, int32_t* count) {
    return listModes(depth, count, true);
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

void winSetCaption(const char* title) {
    // The window thread answers the title change, and it needs the lock.
    bool held = gfxMode && gfxMode->lockCount != 0;
    if (held) gfxDisplayUnlock();
    winState.title = title ? title : "";
    SetWindowTextA(winState.window, winState.title);
    if (gfxMode && gfxMode->lockCount != 0) gfxDisplayLock();
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
