// The input hooks of the graphics screen.
#include "gfx/console/input.h"

#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

const char EXTENDED_KEY_TABLE[EXTENDED_KEY_COUNT + 1] = "kHPKMRSGOIQ;<=>?@ABCD";

namespace {

constexpr int32_t SLEEP_STEP_MS = 50;
constexpr int32_t WAIT_KEY_STEP_MS = 20;
constexpr int32_t KEY_HELD = -1;

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

StringDescriptor* gfxReadKey() {
    if (!gfxMode) return &rtState.nullString;
    // A program polling INKEY is where a page without threads gets its turn.
    rtYield();
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
    rtYield();
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
    rtYield();
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
