// The DirectX driver: DirectDraw surfaces fed by the window thread, the
// keyboard state read through DirectInput.
#include "gfx/directx/directx_internal.h"

#include <cstdlib>
#include <cstring>

#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "gfx/directx/directx.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "gfx/win32/window.h"

const GUID DD_IID_DIRECT_DRAW2 = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
const GUID DD_GUID_KEY = {
    0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID DD_GUID_SYS_KEYBOARD = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

DdLibraries ddLibraries = {LoadLibraryA, GetProcAddress, FreeLibrary};
DdState ddState;
DIOBJECTDATAFORMAT ddKeyObjects[DD_KEY_OBJECTS];
DIDATAFORMAT KEYBOARD_FORMAT;

namespace {
int32_t ddInit();
void ddExit();
void ddPaint();
void ddThread();
bool ddRestoreSurfaces();

constexpr DWORD REFRESH_PASS_MS = 10;
constexpr DWORD VSYNC_WAIT_MS = 20;
constexpr DWORD RECREATE_RETRY_MS = 300;
constexpr DWORD DIRECT_INPUT_VERSION = 0x0300;
constexpr DWORD KEY_OBJECT_TYPE = 0x8000000C; // optional button
constexpr int32_t STANDARD_HEIGHTS[] = {240, 480, 600, 768, 1024};

template <typename T> T entry(HMODULE library, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(ddLibraries.find(library, name)));
}

template <typename T> void release(T*& object) {
    if (object) object->lpVtbl->Release(object);
    object = nullptr;
}

bool fullScreen() {
    return (winState.flags & SCRF_FULLSCREEN) != 0;
}

struct DeviceSearch {
    HMONITOR monitor;
    GUID guid;
    bool found;
};

BOOL WINAPI matchMonitor(GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR monitor) {
    auto* search = static_cast<DeviceSearch*>(context);
    if (!guid || monitor != search->monitor) return TRUE;
    search->guid = *guid;
    search->found = true;
    return FALSE;
}

// The default device, as IDirectDraw2; the first interface is released.
IDirectDraw2* createDevice(DirectDrawCreateFn create, GUID* guid) {
    IDirectDraw* first = nullptr;
    if (!create || FAILED(create(guid, &first, nullptr)) || !first) return nullptr;
    IDirectDraw2* draw = nullptr;
    if (FAILED(IDirectDraw_QueryInterface(first, DD_IID_DIRECT_DRAW2,
                                          reinterpret_cast<void**>(&draw))))
        draw = nullptr;
    IDirectDraw_Release(first);
    return draw;
}

bool createDirectDraw() {
    DdState& d = ddState;
    auto create = entry<DirectDrawCreateFn>(d.drawLibrary, "DirectDrawCreate");
    auto enumerate = entry<DirectDrawEnumerateExAFn>(d.drawLibrary, "DirectDrawEnumerateExA");
    DeviceSearch search = {winState.monitor, {}, false};
    if (fullScreen() && winState.monitor && enumerate)
        enumerate(matchMonitor, &search, DDENUM_ATTACHEDSECONDARYDEVICES);
    d.draw = createDevice(create, search.found ? &search.guid : nullptr);
    return d.draw != nullptr;
}

bool createDirectInput() {
    auto create = entry<DirectInputCreateAFn>(ddState.inputLibrary, "DirectInputCreateA");
    return create &&
           SUCCEEDED(create(winState.instance, DIRECT_INPUT_VERSION, &ddState.input, nullptr)) &&
           ddState.input;
}

int32_t alternativeDepth(int32_t depth) {
    switch (depth) {
    case 15:
        return 16;
    case 16:
        return 15;
    case 24:
        return 32;
    case 32:
        return 24;
    default:
        return 0;
    }
}

// The requested mode, else the same size at the alternative depth, else the
// next taller standard height. The display height found, or 0.
int32_t setDisplayMode() {
    const WinState& s = winState;
    IDirectDraw2* draw = ddState.draw;
    auto refresh = static_cast<DWORD>(s.refreshRate);
    int32_t alternative = alternativeDepth(s.depth);
    for (int32_t height = s.height;;) {
        DWORD vga = s.width == 320 && height == 200 && s.depth == 8 ? DDSDM_STANDARDVGAMODE : 0;
        auto w = static_cast<DWORD>(s.width), h = static_cast<DWORD>(height);
        if (SUCCEEDED(
                IDirectDraw2_SetDisplayMode(draw, w, h, static_cast<DWORD>(s.depth), refresh, vga)))
            return height;
        if (alternative && SUCCEEDED(IDirectDraw2_SetDisplayMode(
                               draw, w, h, static_cast<DWORD>(alternative), refresh, vga)))
            return height;
        int32_t taller = 0;
        for (int32_t standard : STANDARD_HEIGHTS)
            if (standard > height) {
                taller = standard;
                break;
            }
        if (!taller) return 0;
        height = taller;
    }
}

bool openFullScreen() {
    WinState& s = winState;
    if (winCreateWindow(WS_POPUP | WS_VISIBLE, 0, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN)) != 0)
        return false;
    if (FAILED(IDirectDraw2_SetCooperativeLevel(
            ddState.draw, s.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT)))
        return false;
    int32_t displayHeight = setDisplayMode();
    if (!displayHeight) return false;
    ddState.verticalOffset = (displayHeight - s.height) / 2;
    s.opened.width = s.width;
    s.opened.height = displayHeight;
    return true;
}

bool openWindow() {
    WinState& s = winState;
    DdState& d = ddState;
    DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    if (!(s.flags & SCRF_FIXED)) style |= WS_MAXIMIZEBOX;
    if (s.flags & SCRF_BORDERLESS) style = WS_POPUP | WS_VISIBLE;
    d.windowRect = {0, 0, s.width, s.height};
    AdjustWindowRect(&d.windowRect, style, FALSE);
    if (winCreateWindow(style, 0, d.windowX, d.windowY, d.windowRect.right - d.windowRect.left,
                        d.windowRect.bottom - d.windowRect.top) != 0)
        return false;
    d.verticalOffset = 0;
    s.opened.width = s.width;
    s.opened.height = s.height;
    return SUCCEEDED(IDirectDraw2_SetCooperativeLevel(d.draw, s.window, DDSCL_NORMAL)) &&
           SUCCEEDED(IDirectDraw2_CreateClipper(d.draw, 0, &d.clipper, nullptr)) && d.clipper &&
           SUCCEEDED(IDirectDrawClipper_SetHWnd(d.clipper, 0, s.window));
}

bool createSurfaces() {
    WinState& s = winState;
    DdState& d = ddState;
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(IDirectDraw2_CreateSurface(d.draw, &desc, &d.primary, nullptr)) || !d.primary)
        return false;
    if (fullScreen()) {
        d.back = d.primary;
        return true;
    }
    if (FAILED(IDirectDrawSurface_SetClipper(d.primary, d.clipper))) return false;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(s.width);
    desc.dwHeight = static_cast<DWORD>(s.height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    return SUCCEEDED(IDirectDraw2_CreateSurface(d.draw, &desc, &d.back, nullptr)) && d.back;
}

// The display's pixel format decides the blitter; an 8-bit display also gets
// the palette object.
bool choosePixelFormat() {
    WinState& s = winState;
    DdState& d = ddState;
    DDPIXELFORMAT format;
    std::memset(&format, 0, sizeof format);
    format.dwSize = sizeof format;
    if (FAILED(IDirectDrawSurface_GetPixelFormat(d.primary, &format)) ||
        !(format.dwFlags & DDPF_RGB))
        return false;
    auto bits = static_cast<int32_t>(format.dwRGBBitCount);
    DWORD red = format.dwRBitMask;
    int32_t redLow = 0; // red in the low bits: blue-green-red order
    if (bits == 8) {
        if (FAILED(IDirectDraw2_CreatePalette(d.draw, DDPCAPS_8BIT | DDPCAPS_ALLOW256, s.palette,
                                              &d.palette, nullptr)) ||
            !d.palette || FAILED(IDirectDrawSurface_SetPalette(d.primary, d.palette)))
            return false;
        s.paletteChanged = 0;
    } else if (bits == 16) {
        if (format.dwGBitMask == 0x3E0) bits = 15;
        redLow = red == 0x1F;
    } else if (bits > 16 && bits < 24) {
        redLow = red == 0x1F;
    } else if (bits >= 24) {
        redLow = red == 0xFF || red == 0x1F;
    }
    s.blitter = gfxSelectBlitter(bits, redLow);
    return s.blitter != nullptr;
}

void fillKeyboardFormat() {
    for (int32_t i = 0; i < DD_KEY_OBJECTS; ++i)
        ddKeyObjects[i] = {&DD_GUID_KEY, static_cast<DWORD>(i),
                           KEY_OBJECT_TYPE | (static_cast<DWORD>(i) << 8), 0};
    KEYBOARD_FORMAT = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT),
                       DIDF_RELAXIS,         DD_KEY_OBJECTS,
                       DD_KEY_OBJECTS,       ddKeyObjects};
}

bool createKeyboard() {
    DdState& d = ddState;
    fillKeyboardFormat();
    return SUCCEEDED(
               IDirectInput_CreateDevice(d.input, DD_GUID_SYS_KEYBOARD, &d.keyboard, nullptr)) &&
           d.keyboard &&
           SUCCEEDED(IDirectInputDevice_SetDataFormat(d.keyboard, &KEYBOARD_FORMAT)) &&
           SUCCEEDED(IDirectInputDevice_Acquire(d.keyboard));
}

// Sleeps `ms` without the framebuffer lock (the program draws on meanwhile),
// in short steps so that a closing screen is noticed. False once the screen is
// being closed.
bool pauseUnlessClosing(DWORD ms) {
    gfxDisplayUnlock();
    for (DWORD waited = 0; waited < ms && gfxDisplayRunning(); waited += REFRESH_PASS_MS)
        Sleep(REFRESH_PASS_MS);
    gfxDisplayLock();
    return gfxDisplayRunning();
}

// The display mode changed under the driver: everything again, every 300 ms
// until it works or the screen is closed. Holds the framebuffer lock (but for
// the pauses), so the program's retrace wait never meets a device half gone.
bool recreate() {
    WinState& s = winState;
    bool take = !ddState.passLocked;
    if (take) gfxDisplayLock();
    ddExit();
    bool made = true;
    while (made && ddInit() != 0) {
        ddExit();
        made = pauseUnlessClosing(RECREATE_RETRY_MS);
    }
    if (take) gfxDisplayUnlock();
    if (made && s.flashWindowEx) {
        FLASHWINFO stop = {sizeof stop, s.window, FLASHW_STOP, 0, 0};
        s.flashWindowEx(&stop);
    }
    return made;
}

void passLock() {
    gfxDisplayTake();
    ddState.passLocked = true;
}

void passUnlock() {
    ddState.passLocked = false;
    gfxDisplayRelease();
}

// The surface's own lock and unlock are slow (the platform may copy the whole
// surface), so they stay outside the framebuffer lock; only the conversion of
// the dirty lines holds both. The band of display rows converted.
GfxBand drawDirtyLines() {
    WinState& s = winState;
    DdState& d = ddState;
    DDSURFACEDESC desc;
    HRESULT result;
    do {
        if (!ddRestoreSurfaces() || !d.back || !s.blitter) return {0, 0};
        std::memset(&desc, 0, sizeof desc);
        desc.dwSize = sizeof desc;
        result = IDirectDrawSurface_Lock(d.back, nullptr, &desc, DDLOCK_WAIT, nullptr);
    } while (result == DD_SURFACE_LOST && gfxDisplayRunning());
    if (FAILED(result)) return {0, 0};
    auto* memory = static_cast<uint8_t*>(desc.lpSurface);
    passLock();
    GfxBand band = gfxTakeDirtyBand(
        s.blitter, memory + static_cast<ptrdiff_t>(desc.lPitch) * d.verticalOffset, desc.lPitch);
    passUnlock();
    IDirectDrawSurface_Unlock(d.back, desc.lpSurface);
    return band;
}

// Copies display rows [top, end) of the back surface into the window's client
// area. A client area of another size than the screen (a maximised window)
// gets the whole surface, stretched.
void copyToWindow(int32_t top, int32_t end) {
    WinState& s = winState;
    DdState& d = ddState;
    RECT target;
    HRESULT result;
    do {
        if (!ddRestoreSurfaces() || !d.back || d.back == d.primary || !s.window) return;
        GetClientRect(s.window, &target);
        if (target.right != s.width || target.bottom != s.height) {
            top = 0;
            end = s.height;
        } else {
            target.top = top;
            target.bottom = end;
        }
        RECT source = {0, top, s.width, end};
        MapWindowPoints(s.window, nullptr, reinterpret_cast<POINT*>(&target), 2);
        result = IDirectDrawSurface_Blt(d.primary, &target, d.back, &source, DDBLT_WAIT, nullptr);
    } while (result == DD_SURFACE_LOST && gfxDisplayRunning());
}

// A lost acquisition keeps the previous states until it is back.
void readKeyboard() {
    IDirectInputDeviceA* keyboard = ddState.keyboard;
    if (!keyboard) return;
    BYTE state[DD_KEY_OBJECTS];
    HRESULT result = IDirectInputDevice_GetDeviceState(keyboard, sizeof state, state);
    if (result == DI_NOT_ACQUIRED || result == DI_INPUT_LOST)
        IDirectInputDevice_Acquire(keyboard);
    else if (SUCCEEDED(result))
        gfxKeyStatesFromScancodes(state);
}

// Colour 0 over the whole primary, black before the desktop's mode returns.
// Written through a surface lock: the platform's colour-fill blit may keep an
// object of its own for every full-screen device it fills (Wine's keeps 120
// bytes each time), and at close the lock costs nothing more. A lost primary
// is off the display already (in the background the desktop's mode is back),
// so it gets nothing: the fill would report success there and keep its
// object all the same. The fill is what remains when a surface still on the
// display cannot be locked.
void blankPrimary() {
    IDirectDrawSurface* primary = ddState.primary;
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    HRESULT locked =
        IDirectDrawSurface_Lock(primary, nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (locked == DD_SURFACE_LOST) return;
    if (SUCCEEDED(locked)) {
        bool known = desc.lpSurface && desc.lPitch > 0 && (desc.dwFlags & DDSD_HEIGHT);
        if (known) std::memset(desc.lpSurface, 0, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
        IDirectDrawSurface_Unlock(primary, desc.lpSurface);
        if (known) return;
    }
    DDBLTFX fill;
    std::memset(&fill, 0, sizeof fill);
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0;
    IDirectDrawSurface_Blt(primary, nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
}

int32_t ddOpen(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refreshRate,
               int32_t flags, GfxDisplayInfo* opened) {
    std::memset(&winState, 0, sizeof winState);
    if (flags & (SCRF_OPENGL | SCRF_TRANSPARENT)) return -1;
    winState.backEnd = {ddInit, ddExit, ddPaint, ddThread};
    ddState.windowX = (GetSystemMetrics(SM_CXSCREEN) - width) >> 1;
    ddState.windowY = (GetSystemMetrics(SM_CYSCREEN) - height) >> 1;
    if (winInit(title, width, height, depth < 8 ? 8 : depth, refreshRate, flags) != 0) return -1;
    *opened = winState.opened;
    return 0;
}

int32_t ddInit() {
    DdState& d = ddState;
    // Nothing of an earlier open is carried over (ddExit released it all).
    d.draw = nullptr, d.primary = d.back = nullptr, d.palette = nullptr, d.clipper = nullptr;
    d.input = nullptr, d.keyboard = nullptr;
    d.vsyncRequested = 0;
    d.drawLibrary = ddLibraries.load("ddraw.dll");
    d.inputLibrary = ddLibraries.load("dinput.dll");
    if (!d.drawLibrary || !d.inputLibrary || !createDirectDraw() || !createDirectInput()) return -1;
    if (!(fullScreen() ? openFullScreen() : openWindow())) return -1;
    if (!createSurfaces() || !choosePixelFormat()) return -1;
    DWORD frequency = 0;
    if (SUCCEEDED(IDirectDraw2_GetMonitorFrequency(d.draw, &frequency)))
        winState.opened.refreshRate = static_cast<int32_t>(frequency);
    d.vsyncEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!d.vsyncEvent || !createKeyboard()) return -1;
    return 0;
}

void ddExit() {
    WinState& s = winState;
    DdState& d = ddState;
    bool owned = s.window && IsWindow(s.window) &&
                 GetWindowThreadProcessId(s.window, nullptr) == GetCurrentThreadId();
    if (!fullScreen() && owned) {
        RECT r;
        if (GetWindowRect(s.window, &r)) {
            d.windowX = r.left;
            d.windowY = r.top;
        }
    }
    if (d.keyboard) IDirectInputDevice_Unacquire(d.keyboard);
    release(d.keyboard);
    release(d.input);
    if (d.draw) {
        if (fullScreen() && d.primary) blankPrimary();
        if (d.back != d.primary) release(d.back);
        d.back = nullptr;
        release(d.primary);
        release(d.palette);
        release(d.clipper);
        if (fullScreen()) {
            IDirectDraw2_RestoreDisplayMode(d.draw);
            IDirectDraw2_SetCooperativeLevel(d.draw, owned ? s.window : nullptr, DDSCL_NORMAL);
        }
        release(d.draw);
    }
    // A window belongs to the thread that made it; one left behind by an
    // ended window thread is already gone.
    if (owned) DestroyWindow(s.window);
    s.window = nullptr;
    if (d.drawLibrary) ddLibraries.unload(d.drawLibrary);
    if (d.inputLibrary) ddLibraries.unload(d.inputLibrary);
    d.drawLibrary = d.inputLibrary = nullptr;
    if (d.vsyncEvent) CloseHandle(d.vsyncEvent);
    d.vsyncEvent = nullptr;
    s.blitter = nullptr;
}

void ddPaint() {
    if (!fullScreen()) copyToWindow(0, winState.height);
}

// Restores lost surfaces; re-creates everything when the display mode changed
// under the driver. False when the driver could not be brought back (it is
// then closed, or being closed).
bool ddRestoreSurfaces() {
    DdState& d = ddState;
    while (d.primary && IDirectDrawSurface_IsLost(d.primary) == DD_SURFACE_LOST) {
        if (d.back && d.back != d.primary) IDirectDrawSurface_Restore(d.back);
        HRESULT result = IDirectDrawSurface_Restore(d.primary);
        if (result == DD_WRONG_MODE) {
            if (!recreate()) return false;
        } else if (FAILED(result)) {
            // Not ours to have back yet (another program holds the display):
            // the next pass asks again rather than spinning under the lock.
            return false;
        }
        // Restored surfaces hold nothing: the whole picture goes again.
        gfxMarkAllDirty();
    }
    return d.primary != nullptr;
}

// One refresh pass of the window thread; it takes the framebuffer lock itself.
void ddRefreshPass() {
    WinState& s = winState;
    DdState& d = ddState;
    // One take for everything but the conversion: each take makes a drawing
    // program step aside once.
    passLock();
    if (d.vsyncRequested) {
        if (d.vsyncEvent) WaitForSingleObject(d.vsyncEvent, VSYNC_WAIT_MS);
        d.vsyncRequested = 0;
    }
    if (gfxInput.active) readKeyboard();
    // Messages before the picture: a switch to full screen replaces the
    // surfaces.
    winPumpMessages();
    // A full screen in the background shows nothing; its messages still go.
    bool show = !fullScreen() || gfxInput.active;
    if (show && s.paletteChanged && d.palette) {
        IDirectDrawPalette_SetEntries(d.palette, 0, 0, WIN_PALETTE_SIZE, s.palette);
        s.paletteChanged = 0;
    }
    bool dirty = show && gfxDirtyBand().count != 0;
    passUnlock();
    // Only what changed goes to the screen: a pass with nothing dirty leaves
    // the surfaces alone (the platform's surface work costs even when idle);
    // a hidden or uncovered window is redrawn through the paint message.
    GfxBand band = dirty ? drawDirtyLines() : GfxBand{0, 0};
    if (band.count && !fullScreen()) copyToWindow(band.top, band.top + band.count);
}

void ddThread() {
    // What init made belongs to this thread (the window above all), so it is
    // undone here too, on failure as at the end.
    if (ddInit() != 0) {
        ddExit();
        return;
    }
    winFirstPaint();
    gfxInputStarted();
    gfxDisplayReady(0);
    while (gfxDisplayRunning()) {
        Sleep(REFRESH_PASS_MS);
        ddRefreshPass();
    }
    ddExit();
}

} // namespace

void ddWaitRetrace() {
    DdState& d = ddState;
    // The device is held for the wait, so a re-creation on the window thread
    // cannot release it underneath.
    gfxDisplayLock();
    IDirectDraw2* draw = d.draw;
    HANDLE event = d.vsyncEvent;
    if (draw && event) {
        IDirectDraw2_AddRef(draw);
        ResetEvent(event);
        d.vsyncRequested = 1;
    }
    gfxDisplayUnlock();
    if (!draw || !event) {
        gfxDisplayWaitRetrace();
        return;
    }
    IDirectDraw2_WaitForVerticalBlank(draw, DDWAITVB_BLOCKBEGIN, nullptr);
    SetEvent(event);
    IDirectDraw2_Release(draw);
}

namespace {
struct ModeList {
    int32_t depth;
    GfxModeList list;
};

HRESULT WINAPI addMode(LPDDSURFACEDESC desc, LPVOID context) {
    auto* modes = static_cast<ModeList*>(context);
    const DDPIXELFORMAT& format = desc->ddpfPixelFormat;
    auto bits = static_cast<int32_t>(format.dwRGBBitCount);
    if (bits == 16 && format.dwGBitMask == 0x3E0) bits = 15;
    gfxModeListAdd(&modes->list, static_cast<int32_t>(desc->dwWidth),
                   static_cast<int32_t>(desc->dwHeight), bits, modes->depth, false);
    return DDENUMRET_OK;
}
} // namespace

int32_t* ddListModes(int32_t depth, int32_t* count) {
    IDirectDraw2* draw = winState.initialised ? ddState.draw : nullptr;
    HMODULE library = nullptr;
    if (draw) {
        IDirectDraw2_AddRef(draw);
    } else {
        library = ddLibraries.load("ddraw.dll");
        if (!library) return nullptr;
        draw = createDevice(entry<DirectDrawCreateFn>(library, "DirectDrawCreate"), nullptr);
        if (!draw) {
            ddLibraries.unload(library);
            return nullptr;
        }
    }
    ModeList modes = {depth, {nullptr, 0}};
    HRESULT result =
        IDirectDraw2_EnumDisplayModes(draw, DDEDM_STANDARDVGAMODES, nullptr, &modes, addMode);
    IDirectDraw2_Release(draw);
    if (library) ddLibraries.unload(library);
    if (FAILED(result)) {
        std::free(modes.list.modes);
        if (count) *count = 0;
        return nullptr;
    }
    if (count) *count = modes.list.count;
    return modes.list.modes;
}

constinit const GfxDriver DIRECTX_DRIVER = [] {
    GfxDriver d = winDriver("DirectX");
    d.open = ddOpen;
    d.waitRetrace = ddWaitRetrace;
    d.listModes = ddListModes;
    return d;
}();
