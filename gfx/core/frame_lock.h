// The framebuffer lock of a driver with a display thread, built for its two
// unequal users. The program takes it for every drawing primitive, tens of
// millions of times, so its side is a plain store, a compiler fence and a load
// (inline through `gfxInlineLock` when the lock is free, see lock.h). The
// display thread takes it about 100 times a second and pays for both sides.
//
// Program: holds = 1; compiler fence; read wants; 0 -> inside.
// Display: wants = 1; process-wide barrier; read holds; 0 -> inside.
// Why they never both get in: the barrier makes every program thread run a
// full fence at some point P while it runs. If P comes before the program's
// store of `holds`, its later read of `wants` sees 1 (stored before the
// barrier began). If P comes after that store, the store left the write buffer
// at P, before the barrier returned, so the display reads holds = 1. The
// compiler fence keeps store and read in that order in the program's code.
// Each side leaves with a release store and enters on an acquire read of the
// other's word, so the framebuffer and dirty lines written inside are seen by
// whoever gets in next.
//
// Whoever finds the other inside sleeps on its semaphore. The program steps
// back (holds = 0), wakes the display thread and sleeps until `wants` falls;
// an owner that sees `wants` at release wakes the display thread, and its
// next take waits. The wake-up words are read and written with full fences on
// both sides, so no wake-up is lost; a surplus one only repeats a check.
// Without the barrier (the system lacks it) the program side fences too.
//
// One program thread: the program side is exclusive against the display
// thread only. Nested takes are counted by the mode's `lockCount` (lock.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "gfx/core/driver.h"
#include "runtime/platform.h"

struct GfxFrameLock {
    GfxInlineLock sides;                 // holds and wants
    std::atomic<int32_t> programWaiting; // the program sleeps until wants falls
    RtLock* programWake;                 // null while the lock is closed
    RtLock* displayWake;
    int32_t barrier; // the display side runs the process-wide barrier
};

// Makes the lock (free) for a display thread about to start; 0 or -1. The
// program side goes inline (`gfxInlineLock`) when the barrier exists.
int32_t gfxFrameLockOpen(GfxFrameLock* lock);
// Unpublishes and frees the lock; safe on a lock never or half opened. Only
// once the display thread has ended.
void gfxFrameLockClose(GfxFrameLock* lock);

// The program's side: the driver's lock and unlock slots. Nothing while closed.
void gfxFrameProgramTake(GfxFrameLock* lock);
void gfxFrameProgramRelease(GfxFrameLock* lock);
// The display thread's side, once per pass; not nestable.
void gfxFrameDisplayTake(GfxFrameLock* lock);
void gfxFrameDisplayRelease(GfxFrameLock* lock);

// At close, from any thread: every level the program holds (or held when its
// thread ended) given up, so that the display thread can finish its last pass.
void gfxFrameForceRelease(GfxFrameLock* lock);
