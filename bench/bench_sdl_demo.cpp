// The demonstration's drawing with the SDL window open against the same
// drawing on the Null driver, in one process (native build, run on an X
// display by tools/bench-sdl.sh); the picture is timed with the screen
// already open, its opening apart. Also measures how long a change waits
// until the display thread has converted it for the window. Two more runs
// draw on the Null driver given lock slots (one atomic operation each way)
// and given the inline lock, without a window: what the lock costs by itself.
//
//   bench_sdl_demo [RUNS]    RUNS alternating pairs (default 3)
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/demo.h"
#include "gfx/compose.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "runtime/platform.h"
#include "tools/demo_reference.h"

namespace {

void closeScreen() {
    gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE);
}

// Processor seconds the calling thread has used.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Timing {
    double open, picture, cpu;
};

// One drawing of the demonstration: opening its screen, then the picture
// with the screen open; *cpu is the drawing thread's own processor time.
Timing drawOnce(const char* driver, bool* opened) {
    setenv("ZQGFX", driver, 1);
    demoResetRandom();
    Timing t;
    double start = rtTimer();
    demoOpenScreen();
    double drawing = rtTimer();
    double cpuStart = threadSeconds();
    demoDrawPicture();
    t.cpu = threadSeconds() - cpuStart;
    t.picture = rtTimer() - drawing;
    t.open = drawing - start;
    *opened = gfxMode && gfxMode->driver && strcasecmp(gfxMode->driver->name, driver) == 0;
    closeScreen();
    return t;
}

// The Null driver given lock slots of one atomic operation each way: what
// the lock that every PSET and POINT takes costs without any window.
std::atomic<int32_t> nullLockUsers{0};
void countLock() {
    nullLockUsers.fetch_add(1, std::memory_order_acquire);
}
void countUnlock() {
    nullLockUsers.fetch_sub(1, std::memory_order_release);
}
int32_t nullOpen(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, GfxDisplayInfo*) {
    return 0;
}
void nullClose() {}
GfxDriver countingNull() {
    GfxDriver d = GFX_NULL_DRIVER;
    d.name = "NULLCOUNT";
    d.open = nullOpen;
    d.close = nullClose;
    d.lock = countLock;
    d.unlock = countUnlock;
    return d;
}
const GfxDriver COUNT_NULL = countingNull();

// The Null driver offering the inline lock and no display thread that ever
// wants in: what the inline lock costs the drawing by itself.
GfxInlineLock idleInlineLock{{0}, {0}};
int32_t inlineOpen(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, GfxDisplayInfo*) {
    gfxInlineLock = &idleInlineLock;
    return 0;
}
GfxDriver inlineNull() {
    GfxDriver d = countingNull();
    d.name = "NULLINLINE";
    d.open = inlineOpen;
    return d;
}
const GfxDriver INLINE_NULL = inlineNull();
const GfxDriver* const LOCKING_LIST[] = {&COUNT_NULL, &INLINE_NULL, nullptr};

Timing drawLockingNull(const char* name) {
    bool opened = false;
    gfxDriverList = LOCKING_LIST;
    Timing t = drawOnce(name, &opened);
    gfxDriverList = DRIVER_LIST;
    if (!opened) std::fprintf(stderr, "%s did not open\n", name);
    return t;
}

bool lineMarked(int32_t y) {
    gfxLock();
    bool marked = gfxMode->dirtyLines[y] != 0;
    gfxUnlock(1, 0);
    return marked;
}

// Time from a PSET to the display thread having converted its line (the
// mark is cleared in the same pass, right before the window is updated).
void latency() {
    setenv("ZQGFX", "sdl", 1);
    if (gfxScreen(21, 1, 1, SCRF_FULLSCREEN, 0) != 0 || !gfxMode) return;
    rtDelay(200);
    std::vector<double> waits;
    for (int i = 0; i < 100; ++i) {
        int32_t y = (i * 97) % 1024;
        double marked = rtTimer();
        gfxPset(nullptr, static_cast<float>(i), static_cast<float>(y), 15, 0, 0);
        while (lineMarked(y) && rtTimer() - marked < 1.0) {
        }
        waits.push_back((rtTimer() - marked) * 1000.0);
        rtDelay(i % 7); // changes at any point of the 10 ms cycle
    }
    closeScreen();
    std::sort(waits.begin(), waits.end());
    double sum = 0;
    for (double w : waits)
        sum += w;
    std::printf("change to window: mean %.1f ms, median %.1f ms, 95th %.1f ms, max %.1f ms\n",
                sum / static_cast<double>(waits.size()), waits[waits.size() / 2],
                waits[waits.size() * 95 / 100], waits.back());
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<Timing> nulls, windows, counts, inlines;
    for (int i = 0; i < runs; ++i) {
        bool opened = false;
        nulls.push_back(drawOnce("null", &opened));
        windows.push_back(drawOnce("sdl", &opened));
        if (!opened) {
            std::fprintf(stderr, "the SDL window did not open\n");
            return 1;
        }
        counts.push_back(drawLockingNull("NULLCOUNT"));
        inlines.push_back(drawLockingNull("NULLINLINE"));
        const Timing &n = nulls.back(), &w = windows.back();
        std::printf("run %d: picture on Null %.3f s (thread %.3f s), in the SDL window %.3f s "
                    "(thread %.3f s, window opened in %.3f s); Null with atomic lock slots "
                    "%.3f s, with the inline lock %.3f s\n",
                    i + 1, n.picture, n.cpu, w.picture, w.cpu, w.open, counts.back().picture,
                    inlines.back().picture);
    }
    auto best = [](const std::vector<Timing>& v, bool withOpen = false) {
        double b = 1e30;
        for (const Timing& t : v)
            b = std::min(b, t.picture + (withOpen ? t.open : 0.0));
        return b;
    };
    std::printf("best picture: Null %.3f s, SDL window %.3f s, ratio %.3f; Null with atomic "
                "lock slots %.3f s (%.3f), with the inline lock %.3f s (%.3f)\n",
                best(nulls), best(windows), best(windows) / best(nulls), best(counts),
                best(counts) / best(nulls), best(inlines), best(inlines) / best(nulls));
    std::printf("best with the screen's opening: Null %.3f s, SDL window %.3f s, ratio %.3f\n",
                best(nulls, true), best(windows, true), best(windows, true) / best(nulls, true));
    latency();
    return 0;
}
