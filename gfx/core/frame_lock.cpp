#include "gfx/core/frame_lock.h"

#include "gfx/core/mode.h"

namespace {
// A semaphore that starts unsignalled: the first wait sleeps until a wake-up.
RtLock* makeWake() {
    RtLock* wake = rtLockCreate();
    if (wake) rtLockAcquire(wake);
    return wake;
}

// Orders the program's store of `holds` before its read of `wants`: the
// display thread's barrier does the processor's part when it exists.
void programFence(const GfxFrameLock* lock) {
    if (lock->barrier)
        std::atomic_signal_fence(std::memory_order_seq_cst);
    else
        std::atomic_thread_fence(std::memory_order_seq_cst);
}
} // namespace

int32_t gfxFrameLockOpen(GfxFrameLock* lock) {
    lock->sides.programHolds.store(0);
    lock->sides.displayWants.store(0);
    lock->programWaiting.store(0);
    lock->programWake = makeWake();
    lock->displayWake = makeWake();
    lock->barrier = rtProcessBarrierReady();
    if (!lock->programWake || !lock->displayWake) {
        gfxFrameLockClose(lock);
        return -1;
    }
    gfxInlineLock = lock->barrier ? &lock->sides : nullptr;
    return 0;
}

void gfxFrameLockClose(GfxFrameLock* lock) {
    if (gfxInlineLock == &lock->sides) gfxInlineLock = nullptr;
    rtLockDestroy(lock->programWake);
    rtLockDestroy(lock->displayWake);
    lock->programWake = nullptr;
    lock->displayWake = nullptr;
}

void gfxFrameProgramTake(GfxFrameLock* lock) {
    if (!lock->displayWake) return;
    GfxInlineLock& s = lock->sides;
    for (;;) {
        s.programHolds.store(1, std::memory_order_relaxed);
        programFence(lock);
        if (!s.displayWants.load(std::memory_order_acquire)) return;
        // Step back, let the display thread in and sleep until it is out.
        s.programHolds.store(0, std::memory_order_seq_cst);
        rtLockRelease(lock->displayWake);
        lock->programWaiting.store(1, std::memory_order_seq_cst);
        while (s.displayWants.load(std::memory_order_seq_cst))
            rtLockAcquire(lock->programWake);
        lock->programWaiting.store(0, std::memory_order_seq_cst);
    }
}

void gfxFrameProgramRelease(GfxFrameLock* lock) {
    if (!lock->displayWake) return;
    GfxInlineLock& s = lock->sides;
    s.programHolds.store(0, std::memory_order_release);
    programFence(lock);
    if (s.displayWants.load(std::memory_order_relaxed)) rtLockRelease(lock->displayWake);
}

void gfxFrameDisplayTake(GfxFrameLock* lock) {
    if (!lock->displayWake) return;
    GfxInlineLock& s = lock->sides;
    s.displayWants.store(1, std::memory_order_seq_cst);
    if (lock->barrier) rtProcessBarrier();
    while (s.programHolds.load(std::memory_order_seq_cst))
        rtLockAcquire(lock->displayWake);
}

void gfxFrameDisplayRelease(GfxFrameLock* lock) {
    if (!lock->displayWake) return;
    lock->sides.displayWants.store(0, std::memory_order_seq_cst);
    if (lock->programWaiting.load(std::memory_order_seq_cst)) rtLockRelease(lock->programWake);
}

void gfxFrameForceRelease(GfxFrameLock* lock) {
    GfxMode* m = gfxMode;
    // A single pixel access holds the lock without a level: `holds` tells.
    if (!m || (m->lockCount == 0 && !lock->sides.programHolds.load())) return;
    m->lockCount = 0;
    gfxFrameProgramRelease(lock);
}
