// The GDI driver: a window (or a full screen) fed with device-independent
// bitmap bands by the window thread.
#include "gfx/gdi/gdi.h"

#include <cstdlib>
#include <cstring>

#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "gfx/gdi/gdi_internal.h"
#include "gfx/win32/window.h"

GdiState gdiState;
GdiSetBitsFn gdiSetBits = SetDIBitsToDevice;

namespace {
constexpr int32_t OS_LAYERED = 0x500;
constexpr COLORREF TRANSPARENT_KEY_TRUE_COLOUR = 0xFF00FF; // magenta
constexpr DWORD REFRESH_PASS_MS = 10;

int32_t roundUp4(int32_t n) {
    return (n + 3) & ~3;
}

void fillColourTable() {
    RGBQUAD* table = gdiState.bitmapInfo->bmiColors;
    for (int32_t i = 0; i < WIN_PALETTE_SIZE; ++i) {
        table[i].rgbBlue = winState.palette[i].peBlue;
        table[i].rgbGreen = winState.palette[i].peGreen;
        table[i].rgbRed = winState.palette[i].peRed;
        table[i].rgbReserved = 0;
    }
}

bool makeBitmapInfo() {
    auto* info = static_cast<BITMAPINFO*>(std::calloc(1, GDI_BITMAP_INFO_SIZE));
    if (!info) return false;
    gdiState.bitmapInfo = info;
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = winState.width;
    h.biHeight = -winState.height; // rows from the top
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(winState.depth);
    h.biCompression = BI_RGB;
    h.biClrUsed = WIN_PALETTE_SIZE;
    fillColourTable();
    return true;
}

// Picks the blitter for the framebuffer's depth, and the buffer the window
// is fed from; false when one is needed and none exists, or memory ran out.
bool chooseBlitter() {
    WinState& s = winState;
    // A framebuffer whose lines are shown several times never goes out as it is.
    bool aligned = (s.width & 3) == 0 && gfxLineMultiplier() == 1;
    s.blitter = nullptr;
    if ((s.flags & SCRF_TRANSPARENT) && s.depth == 32) {
        s.blitter = gdiTransparentBlit;
    } else if (s.depth == 8) {
        if (!aligned && !(s.blitter = gfxSelectBlitter(8, 0))) return false;
    } else if (s.depth == 16) {
        // The device's 16-bit bitmaps are 5-5-5.
        if (!(s.blitter = gfxSelectBlitter(15, 0))) return false;
    } else if (!aligned && !(s.blitter = gfxSelectBlitter(32, 0))) {
        return false;
    }
    // Without a blitter the framebuffer's own rows go out, from a copy taken
    // under the lock (its rows are as long as these).
    int32_t bytesPerPixel = gfxMode ? gfxMode->bytesPerPixel : (s.depth + 7) / 8;
    gdiState.bufferPitch = roundUp4(bytesPerPixel * s.width);
    size_t bytes = static_cast<size_t>(s.height) * static_cast<size_t>(gdiState.bufferPitch);
    gdiState.buffer = static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
    return gdiState.buffer != nullptr;
}

void readRefreshRate() {
    HDC dc = GetDC(winState.window);
    if (!dc) return;
    int rate = GetDeviceCaps(dc, VREFRESH);
    ReleaseDC(winState.window, dc);
    // 0 and 1 both stand for "the hardware's default rate": no known rate.
    winState.opened.refreshRate = rate > 1 ? rate : 0;
}

bool makePalette() {
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[WIN_PALETTE_SIZE];
    } logical;
    logical.version = 0x300;
    logical.count = WIN_PALETTE_SIZE;
    std::memcpy(logical.entries, winState.palette, sizeof logical.entries);
    gdiState.palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
    return gdiState.palette != nullptr;
}

void applyPalette(HDC dc) {
    if (!gdiState.palette) return;
    SelectPalette(dc, gdiState.palette, FALSE);
    RealizePalette(dc);
}

// Sends display lines first..first + count - 1 from `source` (rows `pitch`
// bytes apart, the first row being line `first`). The header describes just
// the band, so the device reads exactly those rows.
void sendBand(HDC dc, int32_t first, int32_t count, const uint8_t* source) {
    BITMAPINFO* info = gdiState.bitmapInfo;
    info->bmiHeader.biHeight = -count;
    gdiSetBits(dc, 0, first, static_cast<DWORD>(winState.width), static_cast<DWORD>(count), 0, 0, 0,
               static_cast<UINT>(count), source, info, DIB_RGB_COLORS);
    info->bmiHeader.biHeight = -winState.height;
}

const uint8_t* bandSource(int32_t first) {
    return gdiState.buffer + static_cast<ptrdiff_t>(first) * gdiState.bufferPitch;
}

// A band taken from the framebuffer under the lock, waiting to go out.
struct Band {
    GfxBand rows; // count 0: nothing to send
    bool realisePalette;
};

// Under the lock: the palette into the colour table, the dirty band converted
// (or copied) into the driver's own buffer, the marks cleared. The device is
// fed from that buffer after the lock is released, so the program draws on
// while the device works, and the picture is still one consistent frame.
Band takeBand() {
    WinState& s = winState;
    Band band = {{0, 0}, false};
    if (s.paletteChanged) {
        fillColourTable();
        if (gdiState.palette) SetPaletteEntries(gdiState.palette, 0, WIN_PALETTE_SIZE, s.palette);
        band.realisePalette = true;
        s.paletteChanged = 0;
    }
    band.rows = gfxTakeDirtyBand(s.blitter, gdiState.buffer, gdiState.bufferPitch);
    return band;
}

void sendPending(const Band& band) {
    WinState& s = winState;
    HDC dc = GetDC(s.window);
    if (!dc) return; // the window is gone; the program decides when to close
    if (band.realisePalette) applyPalette(dc);
    const GfxBand& rows = band.rows;
    if (rows.count > 0) {
        sendBand(dc, rows.top, rows.count, bandSource(rows.top));
        if (s.osVersion < OS_LAYERED) {
            RECT r = {0, rows.top, s.width, rows.top + rows.count};
            InvalidateRect(s.window, &r, FALSE);
        }
    }
    ReleaseDC(s.window, dc);
}

void refreshLoop() {
    while (gfxDisplayRunning()) {
        gfxDisplayTake();
        if (gfxInput.active) winPollKeys();
        // Messages first: a switch to full screen replaces the buffers.
        winPumpMessages();
        Band band = takeBand();
        gfxDisplayRelease();
        if (band.rows.count > 0 || band.realisePalette) {
            sendPending(band);
            // A system that composes windows itself (Wine) passes the drawing
            // on at the thread's next message wait, which would be the pump,
            // under the lock; a wait for no message at all does it now.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, 0);
        }
        Sleep(REFRESH_PASS_MS);
    }
}

int32_t gdiInit() {
    WinState& s = winState;
    gdiState = {nullptr, nullptr, 0, nullptr, 0};
    WinScreen screen = winFindScreen();
    DWORD style, extendedStyle = 0;
    int32_t x, y, outerWidth = s.width, outerHeight = s.height;
    if (s.flags & SCRF_FULLSCREEN) {
        if (!winChangeDisplayMode(screen)) return -1;
        gdiState.modeChanged = 1;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        x = s.monitor ? screen.rect.left : 0;
        y = s.monitor ? screen.rect.top : 0;
        s.opened.width = screen.rect.right - screen.rect.left;
        s.opened.height = screen.rect.bottom - screen.rect.top;
    } else {
        style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        if (!(s.flags & SCRF_FIXED)) style |= WS_MAXIMIZEBOX;
        if (s.flags & SCRF_BORDERLESS) style = WS_POPUP;
        if (s.flags & SCRF_TRANSPARENT) {
            if (s.osVersion < OS_LAYERED) return -1;
            extendedStyle = WS_EX_LAYERED;
        }
        RECT outer = {0, 0, s.width, s.height};
        AdjustWindowRect(&outer, style, FALSE);
        outerWidth = outer.right - outer.left;
        outerHeight = outer.bottom - outer.top;
        winCentre(screen, outerWidth, outerHeight, &x, &y);
        style |= WS_VISIBLE;
        s.opened.width = s.width;
        s.opened.height = s.height;
    }
    if (winCreateWindow(style, extendedStyle, x, y, outerWidth, outerHeight) != 0) return -1;
    if (s.flags & SCRF_TRANSPARENT) {
        if (!s.setLayeredWindowAttributes) return -1;
        s.setLayeredWindowAttributes(s.window, s.depth > 8 ? TRANSPARENT_KEY_TRUE_COLOUR : 0, 0,
                                     LWA_COLORKEY);
    }
    if (!makeBitmapInfo() || !chooseBlitter()) return -1;
    readRefreshRate();
    return makePalette() ? 0 : -1;
}

void gdiThread() {
    if (gdiInit() != 0) return;
    winFirstPaint();
    gfxInputStarted();
    gfxDisplayReady(0);
    refreshLoop();
    // The window belongs to this thread: it goes with it, not later, and the
    // desktop's mode comes back while the full-screen window still exists.
    if (gdiState.modeChanged) ChangeDisplaySettingsA(nullptr, 0);
    gdiState.modeChanged = 0;
    if (IsWindow(winState.window)) DestroyWindow(winState.window);
}

void gdiPaint() {
    WinState& s = winState;
    if (!gdiState.bitmapInfo || !gfxMode) return;
    HDC dc = GetDC(s.window);
    if (!dc) return;
    applyPalette(dc);
    sendBand(dc, 0, s.height, bandSource(0));
    ReleaseDC(s.window, dc);
}

void gdiExit() {
    WinState& s = winState;
    std::free(gdiState.buffer);
    std::free(gdiState.bitmapInfo);
    gdiState.buffer = nullptr;
    gdiState.bitmapInfo = nullptr;
    // Back to the desktop's mode from the registry, also when the window
    // never came.
    if (gdiState.modeChanged) ChangeDisplaySettingsA(nullptr, 0);
    gdiState.modeChanged = 0;
    if (s.window) {
        if (IsWindow(s.window) &&
            GetWindowThreadProcessId(s.window, nullptr) == GetCurrentThreadId())
            DestroyWindow(s.window);
        s.window = nullptr;
    }
    if (gdiState.palette) DeleteObject(gdiState.palette);
    gdiState.palette = nullptr;
}

int32_t gdiOpen(const char* title, int32_t width, int32_t height, int32_t depth,
                int32_t refreshRate, int32_t flags, GfxDisplayInfo* opened) {
    std::memset(&winState, 0, sizeof winState);
    if (flags & SCRF_OPENGL) return -1;
    winState.backEnd = {gdiInit, gdiExit, gdiPaint, gdiThread};
    if (winInit(title, width, height, depth < 8 ? 8 : depth, refreshRate, flags) != 0) return -1;
    *opened = winState.opened;
    return 0;
}
} // namespace

void gdiTransparentBlit(uint8_t* destination, int32_t destinationPitch) {
    GfxMode* m = gfxMode;
    int32_t multiplier = gfxLineMultiplier();
    for (int32_t row = 0; row < m->height * multiplier; ++row) {
        int32_t line = row / multiplier;
        if (!m->dirtyLines[line]) continue;
        auto* source = reinterpret_cast<const uint32_t*>(m->framebuffer +
                                                         static_cast<ptrdiff_t>(line) * m->pitch);
        auto* target = reinterpret_cast<uint32_t*>(destination +
                                                   static_cast<ptrdiff_t>(row) * destinationPitch);
        for (int32_t x = 0; x < m->width; ++x)
            target[x] = source[x] & 0xFFFFFFu;
    }
}

// The device's 16-bit bitmaps go to 15-bit displays too, 32-bit ones to 24.
constinit const GfxDriver GDI_DRIVER = [] {
    GfxDriver d = winDriver("GDI");
    d.open = gdiOpen;
    d.listModes = winListPairedModes;
    return d;
}();
