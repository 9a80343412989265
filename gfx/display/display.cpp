// The display thread and its lock, the dirty band, the shared driver slots.
#include "gfx/display/display.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "gfx/core/frame_lock.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/display/input.h"
#include "runtime/platform.h"

namespace {
constexpr int32_t DEFAULT_RETRACE_MS = 16;

// The lock the display thread shares with the program: the program's side is
// inline (gfx/core/frame_lock.h), the thread's once a pass.
GfxFrameLock frameLock;
RtThread* thread = nullptr;
std::atomic<int32_t> running{0};
// The thread's answer to the opener: released once it is in `answer`.
RtLock* answered = nullptr;
int32_t answer = -1;
bool answeredYet = false;
void (*threadBody)() = nullptr;
thread_local bool onDisplayThread = false;

void threadMain(void*) {
    onDisplayThread = true;
    threadBody();
    // A body that ended without an answer failed.
    if (!answeredYet) gfxDisplayReady(-1);
}
} // namespace

// ---- the display thread and the framebuffer lock ---------------------------

int32_t gfxDisplayStart(void (*body)()) {
    if (gfxFrameLockOpen(&frameLock) != 0) return -1;
    answered = rtLockCreate();
    if (!answered) return -1;
    rtLockAcquire(answered); // released by the thread's answer
    answer = -1;
    answeredYet = false;
    threadBody = body;
    running = 1;
    thread = rtThreadStart(threadMain, nullptr);
    if (!thread) return -1;
    rtLockAcquire(answered);
    return answer;
}

void gfxDisplayReady(int32_t result) {
    answer = result;
    answeredYet = true;
    rtLockRelease(answered);
}

bool gfxDisplayRunning() {
    return running.load(std::memory_order_acquire) != 0;
}

void gfxDisplayStop() {
    running = 0;
    if (thread) {
        // The program may close the screen while it holds the framebuffer
        // lock; the display thread needs the lock for its last pass.
        gfxFrameForceRelease(&frameLock);
        rtThreadJoin(thread);
        thread = nullptr;
    }
    gfxFrameLockClose(&frameLock);
    rtLockDestroy(answered);
    answered = nullptr;
}

bool gfxOnDisplayThread() {
    return onDisplayThread;
}

void gfxDisplayTake() {
    gfxFrameDisplayTake(&frameLock);
}

void gfxDisplayRelease() {
    gfxFrameDisplayRelease(&frameLock);
}

void gfxDisplayLock() {
    if (onDisplayThread)
        gfxFrameDisplayTake(&frameLock);
    else
        gfxFrameProgramTake(&frameLock);
}

void gfxDisplayUnlock() {
    if (onDisplayThread)
        gfxFrameDisplayRelease(&frameLock);
    else
        gfxFrameProgramRelease(&frameLock);
}

// ---- the picture -----------------------------------------------------------

int32_t gfxLineMultiplier() {
    return gfxMode && gfxMode->lineMultiplier > 1 ? gfxMode->lineMultiplier : 1;
}

GfxBand gfxDirtyBand() {
    const GfxMode* m = gfxMode;
    if (!m || !m->dirtyLines) return {0, 0};
    // Drawing marks framebuffer lines; each covers `multiplier` display rows.
    int32_t first = 0, end = m->height;
    while (first < end && !m->dirtyLines[first])
        ++first;
    if (first == end) return {0, 0};
    while (!m->dirtyLines[end - 1])
        --end;
    int32_t multiplier = gfxLineMultiplier();
    return {first * multiplier, (end - first) * multiplier};
}

GfxBand gfxTakeDirtyBand(Blitter blitter, uint8_t* picture, int32_t pitch) {
    GfxMode* m = gfxMode;
    GfxBand band = gfxDirtyBand();
    if (band.count == 0) return band;
    if (blitter) {
        blitter(picture, pitch);
    } else {
        int32_t multiplier = gfxLineMultiplier();
        for (int32_t y = band.top; y < band.top + band.count; ++y)
            std::memcpy(picture + static_cast<ptrdiff_t>(y) * pitch,
                        m->framebuffer + static_cast<ptrdiff_t>(y / multiplier) * m->pitch,
                        static_cast<size_t>(m->pitch));
    }
    std::memset(m->dirtyLines, 0, static_cast<size_t>(m->height) * gfxLineMultiplier());
    return band;
}

void gfxMarkAllDirty() {
    GfxMode* m = gfxMode;
    if (m && m->dirtyLines) gfxMarkLines(m, 0, m->height - 1);
}

// ---- shared driver slots ---------------------------------------------------

int32_t gfxDisplayReadMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons,
                            int32_t* clip) {
    const GfxInput& in = gfxInput;
    if (!in.active || !in.inside) return -1;
    if (x) *x = in.x;
    if (y) *y = in.y;
    if (wheel) *wheel = in.wheel;
    if (buttons) *buttons = in.buttons;
    if (clip) *clip = in.clip;
    return 0;
}

void gfxDisplayMoveMouse(int32_t x, int32_t y, int32_t cursor, int32_t clip) {
    GfxInput& in = gfxInput;
    const GfxPointerHost* host = in.host;
    if (x >= 0) {
        if (host && host->warp)
            host->warp(x < in.width - 1 ? x : in.width - 1,
                       y < 0 ? 0 : (y < in.height ? y : in.height - 1));
        in.x = x;
        in.y = y;
    }
    if (cursor >= 0 && (cursor > 0 ? 1 : 0) != in.cursorVisible) {
        in.cursorVisible = cursor > 0 ? 1 : 0;
        if (host && host->showCursor) host->showCursor(in.cursorVisible);
    }
    if (clip >= 0) {
        in.clip = clip > 0 ? 1 : 0;
        if (host && host->confine) host->confine(in.clip);
    }
}

void gfxDisplayWaitRetrace() {
    int32_t rate = gfxMode ? gfxMode->refreshRate : 0;
    rtDelay(rate > 0 ? 1000 / rate : DEFAULT_RETRACE_MS);
}

bool gfxModeListAdd(GfxModeList* list, int32_t width, int32_t height, int32_t bits, int32_t depth,
                    bool paired) {
    bool pairs = (bits == 15 && depth == 16) || (bits == 16 && depth == 15) ||
                 (bits == 24 && depth == 32) || (bits == 32 && depth == 24);
    if (bits != depth && !(paired && pairs)) return true;
    auto* grown = static_cast<int32_t*>(
        std::realloc(list->modes, static_cast<size_t>(list->count + 1) * sizeof(int32_t)));
    if (!grown) return false;
    list->modes = grown;
    list->modes[list->count++] = static_cast<int32_t>((static_cast<uint32_t>(width) << 16) |
                                                      (static_cast<uint32_t>(height) & 0xFFFF));
    return true;
}
