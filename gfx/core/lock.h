// The nestable framebuffer lock and the dirty-line marks. Only the outermost
// gfxLock/gfxUnlock pair reaches the driver's lock; the display thread redraws
// lines whose byte in `dirtyLines` is set, under the same driver lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "gfx/core/context.h"
#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "runtime/platform.h"

// The inline lock's program side: `holds` stored, then `wants` read. True
// while the display thread stays out; else the driver's slot goes on from
// there (holds is already stored, as the slot's own take stores it again).
inline bool gfxInlineTake(GfxInlineLock* l) {
    l->programHolds.store(1, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    return !l->displayWants.load(std::memory_order_acquire);
}

// `holds` cleared, then `wants` read: true while the display thread stays
// out; else it waits for a wake-up from the driver's unlock slot.
inline bool gfxInlineRelease(GfxInlineLock* l) {
    l->programHolds.store(0, std::memory_order_release);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    return !l->displayWants.load(std::memory_order_relaxed);
}

// The driver's lock: inline while the display thread stays out, else the slot
// (the program side of gfx/core/frame_lock.h).
inline void gfxDriverLock(GfxMode* m) {
    if (GfxInlineLock* l = gfxInlineLock; l && gfxInlineTake(l)) return;
    if (m->driver->lock) m->driver->lock();
}

inline void gfxDriverUnlock(GfxMode* m) {
    if (GfxInlineLock* l = gfxInlineLock; l && gfxInlineRelease(l)) return;
    if (m->driver->unlock) m->driver->unlock();
}

// A single pixel access (PSET, POINT) while the program holds no level: the
// inline lock's store and read alone, no level counted, nothing called. False
// when there is no inline lock, a level is held or the display thread wants
// in: the caller then takes its level the long way (gfxAcquire). A quick
// take is ended by gfxQuickRelease, and by gfxQuickWake when that says so.
// (The frame lock's forced release at close sees the quick take by `holds`.)
inline bool gfxQuickTake(const GfxMode* m) {
    GfxInlineLock* l = gfxInlineLock;
    return l && m->lockCount == 0 && gfxInlineTake(l);
}

inline bool gfxQuickRelease() {
    return gfxInlineRelease(gfxInlineLock);
}

// The display thread asked during a quick take: its wake-up, out of line.
void gfxQuickWake();

// Takes one level on an open screen; the driver's lock at the outermost.
inline void gfxAcquire(GfxMode* m) {
    if (m->lockCount == 0 && gfxDriverLocks) gfxDriverLock(m);
    ++m->lockCount;
}

inline void gfxLock() {
    if (gfxMode) gfxAcquire(gfxMode);
}

// Releases one level; the driver's unlock at the outermost.
inline void gfxRelease(GfxMode* m) {
    if (m->lockCount > 0 && --m->lockCount == 0 && gfxDriverLocks) gfxDriverUnlock(m);
}

// The one place that marks lines dirty: lines first..last, inside the screen.
inline void gfxMarkLines(GfxMode* m, int32_t first, int32_t last) {
    for (int32_t y = first; y <= last; ++y)
        m->dirtyLines[y] = 1;
}
// Where the program's thread is the page's only one, a long drawing loop
// gives the page its turn (and so shows its picture) every
// YIELD_INTERVAL_MS: primitives are counted as they end, and every
// GFX_DRAW_TICKS of them the time is looked at. Nothing elsewhere.
constexpr int32_t GFX_DRAW_TICKS = 4096;
extern int32_t gfxDrawTicks;
void gfxDrawTurn();
inline void gfxDrawTick() {
    if constexpr (RT_ONE_THREAD)
        if (--gfxDrawTicks < 0) gfxDrawTurn();
}

// The end of a primitive on an open screen: lines first..last (inside the
// view) marked when it drew on the visible page, then one level released.
inline void gfxEndDraw(const GfxContext* context, int32_t first, int32_t last) {
    if (gfxDrawsOnVisiblePage(context)) gfxMarkLines(gfxMode, first, last);
    gfxRelease(gfxMode);
    gfxDrawTick();
}

void gfxUnlockMarking(int32_t first, int32_t last);
// Marks lines first..last dirty when the work page is the visible one (first
// < 0 becomes 0, last < 0 becomes the last line; a range outside the screen
// marks nothing), then releases one level. (1, 0) only releases.
inline void gfxUnlock(int32_t first, int32_t last) {
    if (first > last && last >= 0) {
        if (gfxMode) gfxRelease(gfxMode);
        return;
    }
    gfxUnlockMarking(first, last);
}

// A guard held for a few stores, never while waiting: keeps shared state whole
// between the program's thread and threads that hold no framebuffer lock.
class GfxSpinHold {
  public:
    explicit GfxSpinHold(std::atomic_flag& flag) : flag_(flag) {
        while (flag_.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
    }
    ~GfxSpinHold() { flag_.clear(std::memory_order_release); }
    GfxSpinHold(const GfxSpinHold&) = delete;
    GfxSpinHold& operator=(const GfxSpinHold&) = delete;

  private:
    std::atomic_flag& flag_;
};

// Held by a post while it writes the event queue, and by the mode code while
// it publishes or takes away the screen and its queue: a post from any thread
// finds either the open screen's whole queue or none.
extern std::atomic_flag gfxEventGuard;
