// The console's key statements over the key ring: INKEY, the key wait, the key
// test and SLEEP. Portable; each platform supplies conPollInput.
#include "console/console.h"
#include "console/key_ring.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

namespace {
constexpr int32_t SLEEP_STEP_MS = 50;
}

int32_t conKeyRead(int32_t whole, int32_t remove) {
    conPollInput();
    return keyRingRead(&conKeyRing, whole, remove);
}

int32_t conKeyPeek(int32_t whole) {
    return conKeyRead(whole, 0);
}
int32_t conKeyTake(int32_t whole) {
    return conKeyRead(whole, 1);
}

StringDescriptor* conInkey() {
    int32_t code = conKeyTake(1);
    if (code == -1) return &rtState.nullString;
    int32_t length = code <= 255 ? 1 : 2;
    StringDescriptor* key = strAllocTemp(nullptr, length);
    if (!key || !key->data) return &rtState.nullString;
    if (length == 1) {
        key->data[0] = static_cast<char>(code);
    } else {
        key->data[0] = static_cast<char>(255);
        key->data[1] = static_cast<char>(code >> 8);
    }
    return key;
}

int32_t conWaitKey() {
    int32_t code = conKeyTake(1);
    while (code == -1) {
        // Input that has ended can never deliver the key: report none.
        if (conPollInput() < 0) return 0;
        rtSleep(-1);
        code = conKeyTake(1);
    }
    return code;
}

int32_t conKeyHit() {
    return conKeyPeek(1) != -1 ? 1 : 0;
}

// SLEEP consumes only the arrival flag; the key stays for INKEY.
void conSleep(int32_t milliseconds) {
    if (milliseconds == -1) {
        for (;;) {
            int32_t ended = conPollInput();
            if (keyArrivedAndClear(&conKeyRing) || ended < 0) return;
            conShowOutput();
            rtDelay(SLEEP_STEP_MS);
        }
    }
    if (milliseconds < 0) return;
    if (milliseconds >= 100) {
        while (milliseconds > SLEEP_STEP_MS) {
            conPollInput();
            if (keyArrivedAndClear(&conKeyRing)) return;
            conShowOutput();
            rtDelay(SLEEP_STEP_MS);
            milliseconds -= SLEEP_STEP_MS;
        }
    }
    conShowOutput();
    rtDelay(milliseconds);
}
