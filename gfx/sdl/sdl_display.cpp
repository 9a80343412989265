// The SDL driver's display side: the display thread that owns the window,
// converts the dirty lines into the window's surface every 10 ms under the
// framebuffer lock and carries out the program's window requests; the
// driver record.
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "gfx/sdl/sdl.h"
#include "gfx/sdl/sdl_internal.h"
#include "runtime/platform.h"

SdlState sdlState;

namespace {
constexpr int32_t REFRESH_PASS_MS = 10;

pthread_mutex_t requestLock = PTHREAD_MUTEX_INITIALIZER;

bool hasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The surface's format as the blitters name it (depth, and whether red sits
// in the low bits); 0 when no blitter writes it.
int32_t blitDepth(const SDL_PixelFormat* f, int32_t* swapped) {
    struct Layout {
        int32_t bits, depth;
        uint32_t red, green, blue;
    };
    static const Layout LAYOUTS[] = {
        {32, 32, 0xFF0000, 0xFF00, 0xFF},
        {24, 24, 0xFF0000, 0xFF00, 0xFF},
        {16, 16, 0xF800, 0x7E0, 0x1F},
        {15, 15, 0x7C00, 0x3E0, 0x1F},
    };
    for (const Layout& l : LAYOUTS) {
        if (f->BitsPerPixel != l.bits || f->Gmask != l.green) continue;
        if (f->Rmask == l.red && f->Bmask == l.blue) {
            *swapped = 0;
            return l.depth;
        }
        if (f->Rmask == l.blue && f->Bmask == l.red) {
            *swapped = 1;
            return l.depth;
        }
    }
    return 0;
}

// The whole desktop, when it can hold the picture.
bool desktopBounds(SDL_Rect* bounds) {
    const SdlState& s = sdlState;
    int display = s.window ? SDL_GetWindowDisplayIndex(s.window) : 0;
    return SDL_GetDisplayBounds(display < 0 ? 0 : display, bounds) == 0 && bounds->w >= s.width &&
           bounds->h >= s.height;
}

// Full screen: the window covers the desktop (also where no window manager
// would resize it) and the window system is told so; else a window of the
// picture's size, centred.
bool placeWindow(bool fullScreen) {
    const SdlState& s = sdlState;
    if (fullScreen) {
        SDL_Rect bounds;
        if (!desktopBounds(&bounds)) return false;
        SDL_SetWindowSize(s.window, bounds.w, bounds.h);
        SDL_SetWindowPosition(s.window, bounds.x, bounds.y);
        return SDL_SetWindowFullscreen(s.window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    }
    if (SDL_SetWindowFullscreen(s.window, 0) != 0) return false;
    SDL_SetWindowSize(s.window, s.width, s.height);
    SDL_SetWindowPosition(s.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    return true;
}

// The display modes of the window's display, each as (width << 16) | height
// followed by its bits per pixel, read once so that listModes needs no video
// call; the refresh rate and the display's size for the open's report.
void readDisplay() {
    SdlState& s = sdlState;
    int display = SDL_GetWindowDisplayIndex(s.window);
    if (display < 0) display = 0;
    SDL_DisplayMode current;
    if (SDL_GetCurrentDisplayMode(display, &current) == 0)
        s.opened.refreshRate = current.refresh_rate > 1 ? current.refresh_rate : 0;
    SDL_GetWindowSize(s.window, &s.opened.width, &s.opened.height);
    int count = SDL_GetNumDisplayModes(display);
    if (count <= 0) return;
    s.modes = static_cast<int32_t*>(std::calloc(static_cast<size_t>(count) * 2, sizeof(int32_t)));
    if (!s.modes) return;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
        s.modes[2 * s.modeCount] = (mode.w << 16) | (mode.h & 0xFFFF);
        s.modes[2 * s.modeCount + 1] = static_cast<int32_t>(SDL_BITSPERPIXEL(mode.format));
        ++s.modeCount;
    }
}

// Under the lock: the dirty lines of the visible page into the surface.
GfxBand convertDirty() {
    SdlState& s = sdlState;
    SDL_Surface* surface = s.surface;
    // Without a surface the marks wait for the next one, which redraws all.
    if (!surface || gfxDirtyBand().count == 0) return {0, 0};
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    auto* target = static_cast<uint8_t*>(surface->pixels) +
                   static_cast<ptrdiff_t>(s.offsetY) * surface->pitch +
                   static_cast<ptrdiff_t>(s.offsetX) * surface->format->BytesPerPixel;
    GfxBand band = gfxTakeDirtyBand(s.blitter, target, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return band;
}

void applyRequests() {
    SdlState& s = sdlState;
    pthread_mutex_lock(&requestLock);
    SdlRequests& r = s.requests;
    if (r.warp) SDL_WarpMouseInWindow(s.window, s.offsetX + r.warpX, s.offsetY + r.warpY);
    if (r.cursor >= 0) SDL_ShowCursor(r.cursor ? SDL_ENABLE : SDL_DISABLE);
    if (r.clip >= 0) SDL_SetWindowGrab(s.window, r.clip ? SDL_TRUE : SDL_FALSE);
    if (r.move) {
        SDL_SetWindowPosition(s.window, r.moveX == SDL_MOVE_KEEP ? s.windowX : r.moveX,
                              r.moveY == SDL_MOVE_KEEP ? s.windowY : r.moveY);
        SDL_GetWindowPosition(s.window, &s.windowX, &s.windowY);
    }
    if (r.caption) SDL_SetWindowTitle(s.window, r.title);
    r.warp = r.move = r.caption = 0;
    r.cursor = r.clip = -1;
    pthread_mutex_unlock(&requestLock);
}

// The pointer's platform side, as requests: the program's mouse placement
// and the display thread's own events both ask.
template <typename Change> void request(Change change) {
    pthread_mutex_lock(&requestLock);
    change(sdlState.requests);
    pthread_mutex_unlock(&requestLock);
}

const GfxPointerHost POINTER = {
    .track = nullptr, // the window system reports every leave
    .confine = [](int32_t on) { request([on](SdlRequests& r) { r.clip = on; }); },
    .warp =
        [](int32_t x, int32_t y) {
            request([x, y](SdlRequests& r) {
                r.warp = 1;
                r.warpX = x;
                r.warpY = y;
            });
        },
    .showCursor =
        [](int32_t visible) { request([visible](SdlRequests& r) { r.cursor = visible; }); },
};

void refreshLoop() {
    SdlState& s = sdlState;
    while (gfxDisplayRunning()) {
        gfxDisplayTake();
        SDL_Event event;
        while (SDL_PollEvent(&event))
            sdlHandleEvent(event);
        applyRequests();
        if (gfxInput.active) {
            int count = 0;
            const Uint8* held = SDL_GetKeyboardState(&count);
            gfxKeyStatesFromUsages(held, count);
        }
        // The blitters read the mode's palette: a change redraws everything.
        if (s.paletteChanged.exchange(0)) gfxMarkAllDirty();
        GfxBand band = convertDirty();
        gfxDisplayRelease();
        // Only this thread writes the surface, so it goes out after the lock
        // is released and the program draws on meanwhile.
        if (band.count > 0) {
            SDL_Rect rect = {s.offsetX, s.offsetY + band.top, s.width, band.count};
            SDL_UpdateWindowSurfaceRects(s.window, &rect, 1);
        }
        rtDelay(REFRESH_PASS_MS);
    }
}

void destroyWindow() {
    SdlState& s = sdlState;
    if (s.window) SDL_DestroyWindow(s.window);
    s.window = nullptr;
    s.surface = nullptr;
}

int32_t createWindow() {
    SdlState& s = sdlState;
    Uint32 flags = SDL_WINDOW_SHOWN;
    SDL_Rect place = {SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, s.width, s.height};
    if (s.flags & SCRF_FULLSCREEN) {
        if (!desktopBounds(&place)) return -1;
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    if (s.flags & SCRF_BORDERLESS) flags |= SDL_WINDOW_BORDERLESS;
    if (s.flags & SCRF_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    s.window = SDL_CreateWindow(s.title, place.x, place.y, place.w, place.h, flags);
    if (!s.window) return -1;
    SDL_RaiseWindow(s.window);
    SDL_GetWindowPosition(s.window, &s.windowX, &s.windowY);
    return sdlAttachSurface();
}

// The display thread: the video subsystem belongs to it from start to end.
void displayThread() {
    // The program keeps its own signals; the surface goes to the window
    // system directly (no graphics context, no extra threads).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && createWindow() == 0) {
        readDisplay();
        gfxInputStarted();
        gfxDisplayReady(0);
        refreshLoop();
    }
    destroyWindow();
    SDL_Quit();
}

int32_t sdlOpen(const char* title, int32_t width, int32_t height, int32_t depth,
                int32_t refreshRate, int32_t flags, GfxDisplayInfo* opened) {
    (void)depth;
    (void)refreshRate;
    // No colour-keyed windows and no OpenGL contexts here.
    if (flags & (SCRF_OPENGL | SCRF_TRANSPARENT)) return -1;
    // Without any display named there is nothing to open, and the window
    // systems' libraries would only complain on the terminal.
    if (!hasEnv("DISPLAY") && !hasEnv("WAYLAND_DISPLAY") && !hasEnv("SDL_VIDEODRIVER")) return -1;
    SdlState& s = sdlState;
    // A fresh record for every open (it holds atomics, so it is rebuilt in place).
    s.~SdlState();
    new (&s) SdlState{};
    s.title = title ? title : "";
    s.width = width;
    s.height = height;
    s.flags = flags;
    s.requests.cursor = s.requests.clip = -1;
    gfxInputOpen(&POINTER, width, height);
    if (gfxDisplayStart(displayThread) != 0) return -1;
    *opened = s.opened;
    return 0;
}

void sdlClose() {
    SdlState& s = sdlState;
    gfxDisplayStop();
    gfxInputClose();
    std::free(s.modes);
    s.modes = nullptr;
    s.modeCount = 0;
}

void sdlSetCaption(const char* title) {
    request([title](SdlRequests& r) {
        std::strncpy(r.title, title ? title : "", sizeof r.title - 1);
        r.title[sizeof r.title - 1] = 0;
        r.caption = 1;
    });
}

int32_t sdlMoveWindow(int32_t x, int32_t y) {
    SdlState& s = sdlState;
    if (s.flags & SCRF_FULLSCREEN) return 0;
    int32_t previous = 0;
    request([&](SdlRequests& r) {
        previous = static_cast<int32_t>((static_cast<uint32_t>(s.windowY) << 16) |
                                        (static_cast<uint32_t>(s.windowX) & 0xFFFF));
        r.move = 1;
        r.moveX = x;
        r.moveY = y;
    });
    return previous;
}

int32_t* sdlListModes(int32_t depth, int32_t* count) {
    const SdlState& s = sdlState;
    GfxModeList list = {nullptr, 0};
    for (int32_t i = 0; i < s.modeCount; ++i)
        if (!gfxModeListAdd(&list, s.modes[2 * i] >> 16, s.modes[2 * i] & 0xFFFF,
                            s.modes[2 * i + 1], depth, true))
            break;
    if (count) *count = list.count;
    return list.modes;
}
} // namespace

int32_t sdlAttachSurface() {
    SdlState& s = sdlState;
    s.surface = SDL_GetWindowSurface(s.window);
    s.blitter = nullptr;
    if (!s.surface || s.surface->w < s.width || s.surface->h < s.height) {
        s.surface = nullptr;
        return -1;
    }
    int32_t swapped = 0;
    int32_t depth = blitDepth(s.surface->format, &swapped);
    s.blitter = depth ? gfxSelectBlitter(depth, swapped) : nullptr;
    if (!s.blitter) {
        s.surface = nullptr;
        return -1;
    }
    // A full screen larger than the picture shows it centred on black.
    s.offsetX = (s.surface->w - s.width) / 2;
    s.offsetY = (s.surface->h - s.height) / 2;
    SDL_FillRect(s.surface, nullptr, 0);
    SDL_UpdateWindowSurface(s.window);
    gfxMarkAllDirty();
    return 0;
}

void sdlToggleFullScreen() {
    SdlState& s = sdlState;
    gfxSwitchStarts();
    if (s.flags & SCRF_FIXED) return;
    if (placeWindow(!(s.flags & SCRF_FULLSCREEN)) && sdlAttachSurface() == 0) {
        s.flags ^= SCRF_FULLSCREEN;
    } else {
        placeWindow((s.flags & SCRF_FULLSCREEN) != 0);
        sdlAttachSurface();
    }
    SDL_GetWindowPosition(s.window, &s.windowX, &s.windowY);
    gfxSwitchEnded();
}

constinit const GfxDriver SDL_DRIVER = [] {
    GfxDriver d = gfxDisplayDriver("SDL");
    d.open = sdlOpen;
    d.close = sdlClose;
    // The blitters read the mode's palette; the next pass redraws everything.
    d.setColor = [](int32_t, int32_t, int32_t, int32_t) { sdlState.paletteChanged = 1; };
    d.setCaption = sdlSetCaption;
    d.moveWindow = sdlMoveWindow;
    d.listModes = sdlListModes;
    return d;
}();
