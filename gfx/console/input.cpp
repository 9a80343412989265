// The key ring, the event queue and the input hooks of the graphics screen.
#include "gfx/console/input.h"

#include <atomic>
#include <cstring>

#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

const char EXTENDED_KEY_TABLE[EXTENDED_KEY_COUNT + 1] = "kHPKMRSGOIQ;<=>?@ABCD";

GfxKeyBuffer gfxKeyBuffer = {};

namespace {

constexpr int32_t SLEEP_STEP_MS = 50;
constexpr int32_t WAIT_KEY_STEP_MS = 20;
constexpr int32_t KEY_HELD = -1;

// The framebuffer lock serialises the ring between the window thread and the
// program's thread, but it is empty on the Null driver and posts may come from
// threads that hold no lock at all; this short guard keeps the ring whole in
// every case. It is held only for a few stores, never while waiting.
std::atomic_flag ringGuard;

// Runs `work` on the key ring under the framebuffer lock and the ring guard;
// returns what it returns.
template <class Work> int32_t withKeyRing(Work work) {
    gfxLock();
    int32_t result;
    {
        GfxSpinHold hold(ringGuard);
        result = work(gfxKeyBuffer);
    }
    gfxUnlock(1, 0);
    return result;
}

int32_t nextSlot(int32_t index, int32_t slots) {
    return (index + 1) % slots;
}

// Every output -1 and the illegal-call error: no screen or no mouse.
int32_t noMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
    *x = *y = *wheel = *buttons = *clip = -1;
    return rtSetError(RT_ERR_ILLEGAL_CALL);
}

// Waits `milliseconds` in 50 ms steps, ending early at the step after a key
// arrived; returns the part of the wait that is left (0 when a key ended it).
int32_t sleepUntilKey(int32_t milliseconds) {
    do {
        if (gfxTakeKeyArrived()) return 0;
        rtDelay(SLEEP_STEP_MS);
        milliseconds -= SLEEP_STEP_MS;
    } while (milliseconds > SLEEP_STEP_MS);
    return milliseconds;
}

} // namespace

void gfxPostKey(int32_t code) {
    GfxSpinHold hold(ringGuard);
    GfxKeyBuffer& b = gfxKeyBuffer;
    b.codes[b.writeIndex] = code;
    b.writeIndex = nextSlot(b.writeIndex, KEY_BUFFER_SLOTS);
    if (b.writeIndex == b.readIndex) b.readIndex = nextSlot(b.readIndex, KEY_BUFFER_SLOTS);
    b.keyArrived = 1;
}

void gfxPostEvent(const GfxEvent* event) {
    if (!event) return;
    // The guard keeps the screen from closing under the post; after close
    // (or before an open has its queue) the post does nothing.
    GfxSpinHold hold(gfxEventGuard);
    GfxMode* m = gfxMode;
    if (!m || !m->events) return;
    rtLockAcquire(m->eventLock);
    std::memcpy(&m->events[m->eventWrite], event, sizeof *event);
    m->eventWrite = nextSlot(m->eventWrite, EVENT_QUEUE_SLOTS);
    if (m->eventWrite == m->eventRead) m->eventRead = nextSlot(m->eventRead, EVENT_QUEUE_SLOTS);
    rtLockRelease(m->eventLock);
}

int32_t gfxTakeEvent(GfxEvent* event) {
    GfxMode* m = gfxMode;
    if (!m || !m->events || !event) return 0;
    rtLockAcquire(m->eventLock);
    int32_t taken = m->eventRead != m->eventWrite;
    if (taken) {
        std::memcpy(event, &m->events[m->eventRead], sizeof *event);
        m->eventRead = nextSlot(m->eventRead, EVENT_QUEUE_SLOTS);
    }
    rtLockRelease(m->eventLock);
    return taken;
}

int32_t gfxTakeKey() {
    return withKeyRing([](GfxKeyBuffer& b) {
        int32_t code = 0;
        if (b.readIndex != b.writeIndex) {
            code = b.codes[b.readIndex];
            b.readIndex = nextSlot(b.readIndex, KEY_BUFFER_SLOTS);
        }
        b.keyArrived = 0;
        return code;
    });
}

int32_t gfxTakeKeyArrived() {
    return withKeyRing([](GfxKeyBuffer& b) {
        int32_t arrived = b.keyArrived;
        b.keyArrived = 0;
        return arrived;
    });
}

int32_t gfxKeyAvailable() {
    return withKeyRing(
        [](const GfxKeyBuffer& b) { return static_cast<int32_t>(b.readIndex != b.writeIndex); });
}

StringDescriptor* gfxReadKey() {
    if (!gfxMode) return &rtState.nullString;
    int32_t code = gfxTakeKey();
    // Nothing the window layer posts is negative: such a code reads as no key.
    if (code <= 0) return &rtState.nullString;
    if (code <= 255) return strChr(1, code);
    int32_t scan;
    if ((code & 0xFF) == 0xFF) {
        scan = (code >> 8) & 0xFF;
    } else {
        int32_t i = code - KEY_SPECIAL_FIRST;
        scan = static_cast<uint8_t>(
            EXTENDED_KEY_TABLE[i < EXTENDED_KEY_COUNT - 1 ? i : EXTENDED_KEY_COUNT - 1]);
    }
    return strChr(2, 255, scan);
}

int32_t gfxWaitKey() {
    if (!gfxMode) return 0;
    int32_t code = gfxTakeKey();
    while (code <= 0) {
        rtSleep(WAIT_KEY_STEP_MS);
        code = gfxTakeKey();
    }
    return code;
}

int32_t gfxIsKeyDown(int32_t scanCode) {
    GfxMode* m = gfxMode;
    if (!m || !m->keyState || scanCode < 0 || scanCode >= GFX_KEY_STATE_SIZE) return 0;
    gfxLock();
    int32_t held = m->keyState[scanCode] != 0;
    gfxUnlock(1, 0);
    return held ? KEY_HELD : 0;
}

int32_t gfxGetMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
    int32_t scratch[5];
    if (!x) x = &scratch[0];
    if (!y) y = &scratch[1];
    if (!wheel) wheel = &scratch[2];
    if (!buttons) buttons = &scratch[3];
    if (!clip) clip = &scratch[4];
    GfxMode* m = gfxMode;
    if (!m || !m->driver || !m->driver->readMouse) return noMouse(x, y, wheel, buttons, clip);
    gfxLock();
    int32_t result = m->driver->readMouse(x, y, wheel, buttons, clip);
    gfxUnlock(1, 0);
    if (result != 0) return noMouse(x, y, wheel, buttons, clip);
    return rtSetError(RT_OK);
}

int32_t gfxSetMouse(int32_t x, int32_t y, int32_t visibility, int32_t clip) {
    GfxMode* m = gfxMode;
    if (!m || !m->driver || !m->driver->moveMouse) return rtSetError(RT_ERR_ILLEGAL_CALL);
    gfxLock();
    m->driver->moveMouse(x, y, visibility, clip);
    gfxUnlock(1, 0);
    return rtSetError(RT_OK);
}

void gfxSleep(int32_t milliseconds) {
    if (milliseconds == -1) {
        while (!gfxTakeKeyArrived())
            rtDelay(SLEEP_STEP_MS);
        return;
    }
    if (milliseconds > 99) milliseconds = sleepUntilKey(milliseconds);
    if (milliseconds > 0) rtDelay(milliseconds);
}
