// The SDL driver's display side: the display thread that owns the window,
// converts the dirty lines into the window's surface every 10 ms under the
// framebuffer lock and carries out the program's window requests; the
// driver slots that do not depend on input.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "gfx/console/input.h"
#include "gfx/core/driver.h"
#include "gfx/core/frame_lock.h"
#include "gfx/sdl/sdl.h"
#include "gfx/sdl/sdl_internal.h"
#include "runtime/platform.h"

SdlState sdlState;

namespace {
constexpr int32_t REFRESH_PASS_MS = 10;
constexpr int32_t DEFAULT_RETRACE_MS = 16;

// The framebuffer lock: the program's side inline or through the lock slots,
// the display thread's once a pass.
GfxFrameLock frameLock;

// The display thread's answer to the opener: 0 waiting, 1 running, -1 failed.
pthread_mutex_t startLock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t startSignal = PTHREAD_COND_INITIALIZER;
int32_t startState = 0;

pthread_mutex_t requestLock = PTHREAD_MUTEX_INITIALIZER;

void answerStart(int32_t state) {
    pthread_mutex_lock(&startLock);
    startState = state;
    pthread_cond_broadcast(&startSignal);
    pthread_mutex_unlock(&startLock);
}

int32_t waitStart() {
    pthread_mutex_lock(&startLock);
    while (startState == 0)
        pthread_cond_wait(&startSignal, &startLock);
    int32_t state = startState;
    pthread_mutex_unlock(&startLock);
    return state;
}

bool hasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

int32_t lineMultiplier() {
    return gfxMode && gfxMode->lineMultiplier > 1 ? gfxMode->lineMultiplier : 1;
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
// followed by its bits per pixel; read once, so listModes needs no video call.
void readDisplayModes() {
    SdlState& s = sdlState;
    int display = SDL_GetWindowDisplayIndex(s.window);
    int count = SDL_GetNumDisplayModes(display < 0 ? 0 : display);
    if (count <= 0) return;
    s.modes = static_cast<int32_t*>(std::calloc(static_cast<size_t>(count) * 2, sizeof(int32_t)));
    if (!s.modes) return;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display < 0 ? 0 : display, i, &mode) != 0) continue;
        s.modes[2 * s.modeCount] = (mode.w << 16) | (mode.h & 0xFFFF);
        s.modes[2 * s.modeCount + 1] = static_cast<int32_t>(SDL_BITSPERPIXEL(mode.format));
        ++s.modeCount;
    }
    SDL_DisplayMode current;
    if (gfxMode && SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &current) == 0)
        gfxMode->refreshRate = current.refresh_rate > 1 ? current.refresh_rate : 0;
}

// The band of display lines converted in one pass; count 0: none.
struct Band {
    int32_t top, count;
};

// Under the lock: the dirty lines of the visible page into the surface, the
// marks cleared.
Band convertDirty() {
    SdlState& s = sdlState;
    GfxMode* m = gfxMode;
    Band band = {0, 0};
    if (!m || !m->dirtyLines) return band;
    if (s.paletteChanged.exchange(0)) sdlMarkAllDirty();
    int32_t multiplier = lineMultiplier();
    int32_t lines = s.height / multiplier;
    int32_t first = 0;
    while (first < lines && !m->dirtyLines[first])
        ++first;
    if (first < lines && s.surface) {
        int32_t last = lines - 1;
        while (!m->dirtyLines[last])
            --last;
        band = {first * multiplier, (last - first + 1) * multiplier};
        SDL_Surface* surface = s.surface;
        if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
        auto* target = static_cast<uint8_t*>(surface->pixels) +
                       static_cast<ptrdiff_t>(s.offsetY) * surface->pitch +
                       static_cast<ptrdiff_t>(s.offsetX) * surface->format->BytesPerPixel;
        s.blitter(target, surface->pitch);
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    }
    std::memset(m->dirtyLines, 0, static_cast<size_t>(s.height));
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

void refreshLoop() {
    SdlState& s = sdlState;
    while (s.initialised) {
        gfxFrameDisplayTake(&frameLock);
        SDL_Event event;
        while (SDL_PollEvent(&event))
            sdlHandleEvent(event);
        applyRequests();
        if (s.active) sdlPollKeys();
        Band band = convertDirty();
        gfxFrameDisplayRelease(&frameLock);
        // Only this thread writes the surface, so it goes out after the lock
        // is released and the program draws on meanwhile.
        if (band.count > 0) {
            SDL_Rect rect = {s.offsetX, s.offsetY + band.top, s.width, band.count};
            SDL_UpdateWindowSurfaceRects(s.window, &rect, 1);
        }
        rtDelay(REFRESH_PASS_MS);
    }
}

void* displayThread(void*) {
    SdlState& s = sdlState;
    // The program keeps its own signals; the surface goes to the window
    // system directly (no graphics context, no extra threads); the video
    // subsystem belongs to this thread from start to end.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SDL_Quit();
        answerStart(-1);
        return nullptr;
    }
    if (sdlCreateWindow() != 0) {
        sdlDestroyWindow();
        SDL_Quit();
        answerStart(-1);
        return nullptr;
    }
    readDisplayModes();
    s.active = 1;
    answerStart(1);
    refreshLoop();
    sdlDestroyWindow();
    SDL_Quit();
    return nullptr;
}
} // namespace

void sdlMarkAllDirty() {
    GfxMode* m = gfxMode;
    if (m && m->dirtyLines && sdlState.height > 0)
        std::memset(m->dirtyLines, 1, static_cast<size_t>(sdlState.height));
}

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
    sdlMarkAllDirty();
    return 0;
}

int32_t sdlCreateWindow() {
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

void sdlDestroyWindow() {
    SdlState& s = sdlState;
    if (s.window) SDL_DestroyWindow(s.window);
    s.window = nullptr;
    s.surface = nullptr;
}

void sdlToggleFullScreen() {
    SdlState& s = sdlState;
    if (s.mouseTracking) {
        GfxEvent leave = {EV_POINTER_LEAVE, {0, 0, 0, 0}};
        gfxPostEvent(&leave);
    }
    if (s.flags & SCRF_FIXED) return;
    if (placeWindow(!(s.flags & SCRF_FULLSCREEN)) && sdlAttachSurface() == 0) {
        s.flags ^= SCRF_FULLSCREEN;
    } else {
        placeWindow((s.flags & SCRF_FULLSCREEN) != 0);
        sdlAttachSurface();
    }
    SDL_GetWindowPosition(s.window, &s.windowX, &s.windowY);
    s.active = 1;
    s.mouseTracking = 0;
}

int32_t sdlOpen(const char* title, int32_t width, int32_t height, int32_t depth,
                int32_t refreshRate, int32_t flags) {
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
    s.depth = depth < 8 ? 8 : depth;
    s.flags = flags;
    s.refreshRate = refreshRate;
    s.cursorVisible = 1;
    s.lastScreenX = SDL_NO_POSITION;
    s.requests.cursor = s.requests.clip = -1;
    if (gfxFrameLockOpen(&frameLock) != 0) return -1;
    startState = 0;
    s.initialised = 1;
    if (pthread_create(&s.thread, nullptr, displayThread, nullptr) != 0) return -1;
    s.threadStarted = 1;
    return waitStart() == 1 ? 0 : -1;
}

void sdlClose() {
    SdlState& s = sdlState;
    s.initialised = 0;
    // The program may close the screen while it holds the framebuffer lock;
    // the display thread needs the lock for its last pass.
    gfxFrameForceRelease(&frameLock);
    if (s.threadStarted) {
        pthread_join(s.thread, nullptr);
        s.threadStarted = 0;
    }
    gfxFrameLockClose(&frameLock);
    std::free(s.modes);
    s.modes = nullptr;
    s.modeCount = 0;
}

void sdlLock() {
    gfxFrameProgramTake(&frameLock);
}

void sdlUnlock() {
    gfxFrameProgramRelease(&frameLock);
}

void sdlSetColor(int32_t, int32_t, int32_t, int32_t) {
    // The blitters read the mode's palette; the next pass redraws everything.
    sdlState.paletteChanged = 1;
}

void sdlWaitRetrace() {
    int32_t rate = gfxMode ? gfxMode->refreshRate : 0;
    rtDelay(rate > 0 ? 1000 / rate : DEFAULT_RETRACE_MS);
}

int32_t sdlReadMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
    const SdlState& s = sdlState;
    if (!s.active || !s.mouseInside) return -1;
    if (x) *x = s.mouseX;
    if (y) *y = s.mouseY;
    if (wheel) *wheel = s.wheel;
    if (buttons) *buttons = s.buttons;
    if (clip) *clip = s.mouseClip;
    return 0;
}

void sdlMoveMouse(int32_t x, int32_t y, int32_t cursor, int32_t clip) {
    SdlState& s = sdlState;
    pthread_mutex_lock(&requestLock);
    SdlRequests& r = s.requests;
    if (x >= 0) {
        r.warp = 1;
        r.warpX = x < s.width - 1 ? x : s.width - 1;
        r.warpY = y < 0 ? 0 : (y < s.height ? y : s.height - 1);
        s.mouseX = x;
        s.mouseY = y;
    }
    if (cursor >= 0 && (cursor > 0 ? 1 : 0) != s.cursorVisible) {
        s.cursorVisible = cursor > 0 ? 1 : 0;
        r.cursor = s.cursorVisible;
    }
    if (clip >= 0) {
        s.mouseClip = clip > 0 ? 1 : 0;
        r.clip = s.mouseClip;
    }
    pthread_mutex_unlock(&requestLock);
}

void sdlSetCaption(const char* title) {
    SdlState& s = sdlState;
    pthread_mutex_lock(&requestLock);
    std::strncpy(s.requests.title, title ? title : "", sizeof s.requests.title - 1);
    s.requests.title[sizeof s.requests.title - 1] = 0;
    s.requests.caption = 1;
    pthread_mutex_unlock(&requestLock);
}

int32_t sdlMoveWindow(int32_t x, int32_t y) {
    SdlState& s = sdlState;
    if (s.flags & SCRF_FULLSCREEN) return 0;
    pthread_mutex_lock(&requestLock);
    int32_t previous = static_cast<int32_t>((static_cast<uint32_t>(s.windowY) << 16) |
                                            (static_cast<uint32_t>(s.windowX) & 0xFFFF));
    s.requests.move = 1;
    s.requests.moveX = x;
    s.requests.moveY = y;
    pthread_mutex_unlock(&requestLock);
    return previous;
}

int32_t* sdlListModes(int32_t depth, int32_t* count) {
    const SdlState& s = sdlState;
    auto pairs = [depth](int32_t bits) {
        return bits == depth || (bits == 15 && depth == 16) || (bits == 16 && depth == 15) ||
               (bits == 24 && depth == 32) || (bits == 32 && depth == 24);
    };
    int32_t found = 0;
    auto* list = static_cast<int32_t*>(std::malloc(static_cast<size_t>(s.modeCount + 1) * 4));
    for (int32_t i = 0; list && i < s.modeCount; ++i)
        if (pairs(s.modes[2 * i + 1])) list[found++] = s.modes[2 * i];
    if (count) *count = found;
    return list;
}

const GfxDriver SDL_DRIVER = {
    "SDL",         sdlOpen,        sdlClose,     sdlLock,      sdlUnlock,
    sdlSetColor,   sdlWaitRetrace, sdlReadMouse, sdlMoveMouse, sdlSetCaption,
    sdlMoveWindow, sdlListModes,   nullptr,      nullptr,
};
