// Delays and threads in the WebAssembly build. The program runs on the page's
// one thread: a delay unwinds it (Asyncify) so that the page draws and takes
// its events, and no second thread exists.
#include <emscripten.h>

#include "runtime/platform.h"

namespace {
double lastTurn = 0.0;
// The program is unwound and the page handles its events: those run inside
// the program's turn and cannot wait themselves.
bool inTurn = false;

// A turn of the page without the 4 ms a chain of zero timeouts costs: a
// message to itself comes back at once, after what is waiting. Asynchronous
// JavaScript: Asyncify unwinds only through imports it knows may sleep.
EM_ASYNC_JS(void, zqYieldTurn, (), {
    await new Promise(function(wakeUp) {
        if (typeof MessageChannel == 'undefined') {
            setTimeout(wakeUp, 0);
            return;
        }
        var channel = new MessageChannel();
        channel.port1.onmessage = function() {
            channel.port1.close();
            wakeUp();
        };
        channel.port2.postMessage(0);
    });
});

// The page's turn, the idle routine first.
void turn(int32_t milliseconds, int32_t busy) {
    if (inTurn) return;
    rtRunIdleRoutine(busy);
    inTurn = true;
    if (milliseconds <= 0)
        zqYieldTurn();
    else
        emscripten_sleep(static_cast<unsigned>(milliseconds));
    inTurn = false;
    lastTurn = emscripten_get_now();
}

bool turnDue() {
    return !inTurn && emscripten_get_now() - lastTurn >= YIELD_INTERVAL_MS;
}
} // namespace

void rtDelay(int32_t milliseconds) {
    turn(milliseconds, 0);
}

void rtYield() {
    if (turnDue()) turn(0, 0);
}

void rtYieldBusy() {
    if (turnDue()) turn(0, 1);
}

// No threads: the display shows its picture where the program waits.
RtThread* rtThreadStart(void (*)(void*), void*) {
    return nullptr;
}
void rtThreadJoin(RtThread*) {}

// One thread needs no barrier; callers fence both sides, which costs nothing.
int32_t rtProcessBarrierReady() {
    return 0;
}
void rtProcessBarrier() {}
