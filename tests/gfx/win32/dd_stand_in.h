// A recording stand-in for DirectDraw and DirectInput, installed as the DirectX
// driver's libraries: it logs the calls that matter (display modes,
// cooperative levels, blanking, restoring), offers only the display modes a
// case lists, reports lost surfaces and wrong modes when told to, and counts
// the COM objects alive and the libraries loaded. The window, its thread and
// its messages stay real.
#pragma once

#include "gfx/directx/directx_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace standin {

struct Mode {
    int width, height, bits; // 15: a 16-bit mode with a 5-5-5 green mask
};

struct World {
    std::vector<Mode> offered; // what SetDisplayMode accepts
    int desktopBits = 32;      // the pixel format outside full screen
    int modeBits = 0;          // the mode set last; 0: the desktop's
    std::vector<std::string> log;
    int live = 0;      // COM objects not yet released
    int libraries = 0; // libraries loaded and not freed
    int lostAtLock = 0, lostAtBlt = 0, wrongModeAtRestore = 0;
    bool refuseCreate = false;
    bool primaryLost = false;
    bool primaryBlack = true; // what the last write to the primary left
    int locks = 0, blts = 0, acquires = 0;
    BYTE keys[256] = {};
    int keyboardLost = 0; // GetDeviceState reports "not acquired" this often
    CRITICAL_SECTION guard;
};
inline World world;

inline void note(const std::string& call) {
    EnterCriticalSection(&world.guard);
    world.log.push_back(call);
    LeaveCriticalSection(&world.guard);
}

inline std::vector<std::string> takeLog() {
    EnterCriticalSection(&world.guard);
    std::vector<std::string> log;
    log.swap(world.log);
    LeaveCriticalSection(&world.guard);
    return log;
}

// One record for every kind of object; the table pointer comes first, as COM
// wants it.
struct Object {
    const void* table;
    LONG refs;
    bool primary;
    int width, height, bytes;
    std::vector<uint8_t> pixels;
};

inline Object* of(void* self) {
    return static_cast<Object*>(self);
}

template <typename I> I* make(const void* table) {
    auto* o = new Object{table, 1, false, 0, 0, 0, {}};
    ++world.live;
    return reinterpret_cast<I*>(o);
}

template <typename I> ULONG STDMETHODCALLTYPE addRef(I* self) {
    return static_cast<ULONG>(++of(self)->refs);
}

template <typename I> ULONG STDMETHODCALLTYPE release(I* self) {
    Object* o = of(self);
    LONG left = --o->refs;
    if (left == 0) {
        --world.live;
        delete o;
    }
    return static_cast<ULONG>(left);
}

inline DDPIXELFORMAT formatOf(int bits) {
    DDPIXELFORMAT f = {};
    f.dwSize = sizeof f;
    f.dwFlags = DDPF_RGB | (bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
    f.dwRGBBitCount = static_cast<DWORD>(bits == 15 ? 16 : bits);
    if (bits == 15) {
        f.dwRBitMask = 0x7C00, f.dwGBitMask = 0x3E0, f.dwBBitMask = 0x1F;
    } else if (bits == 16) {
        f.dwRBitMask = 0xF800, f.dwGBitMask = 0x7E0, f.dwBBitMask = 0x1F;
    } else if (bits > 16) {
        f.dwRBitMask = 0xFF0000, f.dwGBitMask = 0xFF00, f.dwBBitMask = 0xFF;
    }
    return f;
}

inline int currentBits() {
    return world.modeBits ? world.modeBits : world.desktopBits;
}

// IDirectDrawSurface.
inline HRESULT STDMETHODCALLTYPE surfaceBlt(IDirectDrawSurface* self, LPRECT, IDirectDrawSurface*,
                                            LPRECT source, DWORD flags, LPDDBLTFX fx) {
    if (flags & DDBLT_COLORFILL) {
        note("Blt fill " + std::to_string(fx ? fx->dwFillColor : 99));
        Object* o = of(self);
        if (o->primary) world.primaryBlack = fx && fx->dwFillColor == 0;
        return DD_OK;
    }
    if (world.lostAtBlt > 0) {
        --world.lostAtBlt;
        world.primaryLost = true;
        return DD_SURFACE_LOST;
    }
    ++world.blts;
    if (source)
        note("Blt lines " + std::to_string(source->top) + "-" + std::to_string(source->bottom));
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE surfaceIsLost(IDirectDrawSurface* self) {
    return of(self)->primary && world.primaryLost ? DD_SURFACE_LOST : DD_OK;
}
inline HRESULT STDMETHODCALLTYPE surfaceRestore(IDirectDrawSurface* self) {
    if (!of(self)->primary) return DD_OK;
    note("Restore");
    if (world.wrongModeAtRestore > 0) {
        --world.wrongModeAtRestore;
        return DD_WRONG_MODE;
    }
    world.primaryLost = false;
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE surfaceLock(IDirectDrawSurface* self, LPRECT, LPDDSURFACEDESC desc,
                                             DWORD, HANDLE) {
    if (world.lostAtLock > 0) {
        --world.lostAtLock;
        world.primaryLost = true;
        return DD_SURFACE_LOST;
    }
    Object* o = of(self);
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH;
    desc->dwWidth = static_cast<DWORD>(o->width);
    desc->dwHeight = static_cast<DWORD>(o->height);
    desc->lpSurface = o->pixels.data();
    desc->lPitch = o->width * o->bytes;
    ++world.locks;
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE surfaceUnlock(IDirectDrawSurface* self, LPVOID) {
    Object* o = of(self);
    if (o->primary)
        world.primaryBlack =
            std::all_of(o->pixels.begin(), o->pixels.end(), [](uint8_t byte) { return byte == 0; });
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE surfaceGetPixelFormat(IDirectDrawSurface*, LPDDPIXELFORMAT f) {
    *f = formatOf(currentBits());
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE surfaceSetClipper(IDirectDrawSurface*, IDirectDrawClipper*) {
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE surfaceSetPalette(IDirectDrawSurface*, IDirectDrawPalette*) {
    return DD_OK;
}
inline const IDirectDrawSurfaceVtbl SURFACE_TABLE = [] {
    struct IDirectDrawSurfaceVtbl t = {};
    t.AddRef = addRef<IDirectDrawSurface>;
    t.Release = release<IDirectDrawSurface>;
    t.Blt = surfaceBlt;
    t.IsLost = surfaceIsLost;
    t.Restore = surfaceRestore;
    t.Lock = surfaceLock;
    t.Unlock = surfaceUnlock;
    t.GetPixelFormat = surfaceGetPixelFormat;
    t.SetClipper = surfaceSetClipper;
    t.SetPalette = surfaceSetPalette;
    return t;
}();

// IDirectDrawPalette and IDirectDrawClipper.
inline HRESULT STDMETHODCALLTYPE paletteSetEntries(IDirectDrawPalette*, DWORD, DWORD, DWORD,
                                                   LPPALETTEENTRY) {
    return DD_OK;
}
inline const IDirectDrawPaletteVtbl PALETTE_TABLE = [] {
    struct IDirectDrawPaletteVtbl t = {};
    t.AddRef = addRef<IDirectDrawPalette>;
    t.Release = release<IDirectDrawPalette>;
    t.SetEntries = paletteSetEntries;
    return t;
}();
inline HRESULT STDMETHODCALLTYPE clipperSetHWnd(IDirectDrawClipper*, DWORD, HWND) {
    return DD_OK;
}
inline const IDirectDrawClipperVtbl CLIPPER_TABLE = [] {
    struct IDirectDrawClipperVtbl t = {};
    t.AddRef = addRef<IDirectDrawClipper>;
    t.Release = release<IDirectDrawClipper>;
    t.SetHWnd = clipperSetHWnd;
    return t;
}();

// IDirectDraw2.
inline HRESULT STDMETHODCALLTYPE drawSetCooperativeLevel(IDirectDraw2*, HWND, DWORD flags) {
    note(flags & DDSCL_EXCLUSIVE ? "SetCooperativeLevel exclusive" : "SetCooperativeLevel normal");
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE drawSetDisplayMode(IDirectDraw2*, DWORD w, DWORD h, DWORD bits,
                                                    DWORD, DWORD flags) {
    char call[64];
    std::snprintf(call, sizeof call, "SetDisplayMode %lux%lux%lu%s", static_cast<unsigned long>(w),
                  static_cast<unsigned long>(h), static_cast<unsigned long>(bits),
                  flags & DDSDM_STANDARDVGAMODE ? " vga" : "");
    note(call);
    for (const Mode& m : world.offered)
        if (m.width == static_cast<int>(w) && m.height == static_cast<int>(h) &&
            m.bits == static_cast<int>(bits)) {
            world.modeBits = m.bits;
            return DD_OK;
        }
    return DDERR_INVALIDMODE;
}
inline HRESULT STDMETHODCALLTYPE drawRestoreDisplayMode(IDirectDraw2*) {
    note(world.primaryBlack ? "RestoreDisplayMode on black" : "RestoreDisplayMode on a picture");
    world.modeBits = 0;
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE drawCreateSurface(IDirectDraw2*, LPDDSURFACEDESC desc,
                                                   IDirectDrawSurface** surface, IUnknown*) {
    *surface = make<IDirectDrawSurface>(&SURFACE_TABLE);
    Object* o = of(*surface);
    o->primary = (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0;
    o->width = o->primary ? GetSystemMetrics(SM_CXSCREEN) : static_cast<int>(desc->dwWidth);
    o->height = o->primary ? GetSystemMetrics(SM_CYSCREEN) : static_cast<int>(desc->dwHeight);
    o->bytes = (currentBits() + 7) / 8;
    o->pixels.assign(static_cast<size_t>(o->width * o->height * o->bytes), 0);
    if (o->primary) world.primaryLost = false;
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE drawCreatePalette(IDirectDraw2*, DWORD, LPPALETTEENTRY,
                                                   IDirectDrawPalette** palette, IUnknown*) {
    *palette = make<IDirectDrawPalette>(&PALETTE_TABLE);
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE drawCreateClipper(IDirectDraw2*, DWORD,
                                                   IDirectDrawClipper** clipper, IUnknown*) {
    *clipper = make<IDirectDrawClipper>(&CLIPPER_TABLE);
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE drawGetMonitorFrequency(IDirectDraw2*, LPDWORD frequency) {
    *frequency = 60;
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE drawWaitForVerticalBlank(IDirectDraw2*, DWORD, HANDLE) {
    return DD_OK;
}
inline HRESULT STDMETHODCALLTYPE drawEnumDisplayModes(IDirectDraw2*, DWORD, LPDDSURFACEDESC,
                                                      LPVOID context,
                                                      LPDDENUMMODESCALLBACK callback) {
    for (const Mode& m : world.offered) {
        DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        desc.dwWidth = static_cast<DWORD>(m.width);
        desc.dwHeight = static_cast<DWORD>(m.height);
        desc.ddpfPixelFormat = formatOf(m.bits);
        if (callback(&desc, context) != DDENUMRET_OK) break;
    }
    return DD_OK;
}
inline const IDirectDraw2Vtbl DRAW2_TABLE = [] {
    struct IDirectDraw2Vtbl t = {};
    t.AddRef = addRef<IDirectDraw2>;
    t.Release = release<IDirectDraw2>;
    t.SetCooperativeLevel = drawSetCooperativeLevel;
    t.SetDisplayMode = drawSetDisplayMode;
    t.RestoreDisplayMode = drawRestoreDisplayMode;
    t.CreateSurface = drawCreateSurface;
    t.CreatePalette = drawCreatePalette;
    t.CreateClipper = drawCreateClipper;
    t.GetMonitorFrequency = drawGetMonitorFrequency;
    t.WaitForVerticalBlank = drawWaitForVerticalBlank;
    t.EnumDisplayModes = drawEnumDisplayModes;
    return t;
}();

// IDirectDraw: only the step to IDirectDraw2.
inline HRESULT STDMETHODCALLTYPE firstQueryInterface(IDirectDraw*, REFIID iid, void** out) {
    if (!IsEqualGUID(iid, DD_IID_DIRECT_DRAW2)) return E_NOINTERFACE;
    *out = make<IDirectDraw2>(&DRAW2_TABLE);
    return S_OK;
}
inline const IDirectDrawVtbl DRAW_TABLE = [] {
    struct IDirectDrawVtbl t = {};
    t.QueryInterface = firstQueryInterface;
    t.AddRef = addRef<IDirectDraw>;
    t.Release = release<IDirectDraw>;
    return t;
}();

// IDirectInputDeviceA and IDirectInputA.
inline HRESULT STDMETHODCALLTYPE deviceAcquire(IDirectInputDeviceA*) {
    ++world.acquires;
    return DI_OK;
}
inline HRESULT STDMETHODCALLTYPE deviceUnacquire(IDirectInputDeviceA*) {
    return DI_OK;
}
inline HRESULT STDMETHODCALLTYPE deviceSetDataFormat(IDirectInputDeviceA*, LPCDIDATAFORMAT) {
    return DI_OK;
}
inline HRESULT STDMETHODCALLTYPE deviceGetDeviceState(IDirectInputDeviceA*, DWORD size,
                                                      LPVOID state) {
    if (world.keyboardLost > 0) {
        --world.keyboardLost;
        return DI_NOT_ACQUIRED;
    }
    std::memcpy(state, world.keys, size < sizeof world.keys ? size : sizeof world.keys);
    return DI_OK;
}
inline const IDirectInputDeviceAVtbl DEVICE_TABLE = [] {
    struct IDirectInputDeviceAVtbl t = {};
    t.AddRef = addRef<IDirectInputDeviceA>;
    t.Release = release<IDirectInputDeviceA>;
    t.Acquire = deviceAcquire;
    t.Unacquire = deviceUnacquire;
    t.SetDataFormat = deviceSetDataFormat;
    t.GetDeviceState = deviceGetDeviceState;
    return t;
}();
inline HRESULT STDMETHODCALLTYPE inputCreateDevice(IDirectInputA*, REFGUID,
                                                   IDirectInputDeviceA** device, IUnknown*) {
    *device = make<IDirectInputDeviceA>(&DEVICE_TABLE);
    return DI_OK;
}
inline const IDirectInputAVtbl INPUT_TABLE = [] {
    struct IDirectInputAVtbl t = {};
    t.AddRef = addRef<IDirectInputA>;
    t.Release = release<IDirectInputA>;
    t.CreateDevice = inputCreateDevice;
    return t;
}();

// The libraries' entry points.
inline HRESULT WINAPI directDrawCreate(GUID*, IDirectDraw** out, IUnknown*) {
    if (world.refuseCreate) return DDERR_NODIRECTDRAWHW;
    *out = make<IDirectDraw>(&DRAW_TABLE);
    return DD_OK;
}
inline HRESULT WINAPI directInputCreateA(HINSTANCE, DWORD, IDirectInputA** out, IUnknown*) {
    *out = make<IDirectInputA>(&INPUT_TABLE);
    return DI_OK;
}

inline HMODULE WINAPI load(LPCSTR) {
    ++world.libraries;
    return reinterpret_cast<HMODULE>(&world);
}
inline FARPROC WINAPI find(HMODULE, LPCSTR name) {
    std::string n = name;
    void* entry = n == "DirectDrawCreate"     ? reinterpret_cast<void*>(directDrawCreate)
                  : n == "DirectInputCreateA" ? reinterpret_cast<void*>(directInputCreateA)
                                              : nullptr;
    return reinterpret_cast<FARPROC>(entry);
}
inline BOOL WINAPI unload(HMODULE) {
    --world.libraries;
    return TRUE;
}

// Puts the stand-in in place of the system's libraries, with a fresh world.
inline void install(std::vector<Mode> offered) {
    static bool guardMade = false;
    if (!guardMade) InitializeCriticalSection(&world.guard);
    guardMade = true;
    world.offered = std::move(offered);
    world.modeBits = 0;
    world.log.clear();
    world.lostAtLock = world.lostAtBlt = world.wrongModeAtRestore = world.keyboardLost = 0;
    world.primaryBlack = true;
    world.refuseCreate = world.primaryLost = false;
    world.locks = world.blts = world.acquires = 0;
    std::memset(world.keys, 0, sizeof world.keys);
    ddLibraries = {load, find, unload};
}

} // namespace standin
