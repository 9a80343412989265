// Delays and threads in the WebAssembly build. The program runs on the page's
// one thread: a delay unwinds it (Asyncify) so that the page draws and takes
// its events, and no second thread exists.
#include <emscripten.h>

#include "runtime/platform.h"

namespace {
double lastTurn = 0.0;

// A turn of the page without the 4 ms a chain of zero timeouts costs: a
// message to itself comes back at once, after what is waiting. Declared
// asynchronous, so that Asyncify instruments its callers to unwind.
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
} // namespace

void rtDelay(int32_t milliseconds) {
    rtRunIdleRoutine();
    if (milliseconds <= 0)
        zqYieldTurn();
    else
        emscripten_sleep(static_cast<unsigned>(milliseconds));
    lastTurn = emscripten_get_now();
}

void rtYield() {
    double now = emscripten_get_now();
    if (now - lastTurn < YIELD_INTERVAL_MS) return;
    rtRunIdleRoutine();
    zqYieldTurn();
    lastTurn = emscripten_get_now();
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
