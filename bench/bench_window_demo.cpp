// The demonstration's drawing with the GDI window open against the same
// drawing on the Null driver, in one process (Windows build, run under Wine
// on an X display by tools/bench-window.sh). A third run draws on the Null
// driver given a critical section as its lock and no window: what the lock
// that every PSET and POINT takes costs by itself. Also measures how long a
// change waits until the window thread sends it to the window.
//
//   bench_window_demo [RUNS]    RUNS alternating pairs (default 3)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/demo.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "gfx/win32/gdi_internal.h"
#include "gfx/win32/window.h"
#include "runtime/platform.h"
#include "tools/demo_reference.h"

namespace {

void closeScreen() {
    gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE);
}

// Processor seconds the calling thread has used.
double threadSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Seconds for one whole drawing of the demonstration on the named driver;
// *cpu receives the drawing thread's own processor time.
double drawOnce(const char* driver, bool* opened, double* cpu) {
    char setting[32];
    std::snprintf(setting, sizeof setting, "ZQGFX=%s", driver);
    _putenv(setting);
    demoResetRandom();
    double cpuStart = threadSeconds();
    double start = rtTimer();
    demoDraw();
    double seconds = rtTimer() - start;
    *cpu = threadSeconds() - cpuStart;
    *opened = gfxMode && gfxMode->driver && std::strcmp(gfxMode->driver->name, "GDI") == 0;
    closeScreen();
    return seconds;
}

// The Null driver with a critical section as its lock slots.
CRITICAL_SECTION nullLockSection;
void nullLock() {
    EnterCriticalSection(&nullLockSection);
}
void nullUnlock() {
    LeaveCriticalSection(&nullLockSection);
}
GfxDriver lockingNull() {
    GfxDriver d = GFX_NULL_DRIVER;
    d.name = "NULLLOCK";
    d.lock = nullLock;
    d.unlock = nullUnlock;
    return d;
}
const GfxDriver LOCKING_NULL = lockingNull();
const GfxDriver* const LOCKING_LIST[] = {&LOCKING_NULL, nullptr};

double drawLockingNull(double* cpu) {
    bool opened = false;
    gfxDriverList = LOCKING_LIST;
    double seconds = drawOnce("nulllock", &opened, cpu);
    gfxDriverList = DRIVER_LIST;
    return seconds;
}

// Time from marking a line to the window thread sending a band holding it.
volatile double bandSentAt = 0;
volatile int32_t watchedLine = -1;

int WINAPI timedSend(HDC dc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT start, UINT lines,
                     const void* bits, const BITMAPINFO* info, UINT use) {
    if (watchedLine >= y && watchedLine < y + static_cast<int32_t>(h)) bandSentAt = rtTimer();
    return SetDIBitsToDevice(dc, x, y, w, h, sx, sy, start, lines, bits, info, use);
}

void latency() {
    _putenv("ZQGFX=gdi");
    if (gfxScreen(21, 1, 1, SCRF_FULLSCREEN, 0) != 0 || !gfxMode) return;
    Sleep(200);
    winLock();
    gdiSetBits = timedSend;
    winUnlock();
    std::vector<double> waits;
    for (int i = 0; i < 100; ++i) {
        int32_t y = (i * 97) % 1024;
        bandSentAt = 0;
        watchedLine = y;
        double marked = rtTimer();
        gfxPset(nullptr, static_cast<float>(i), static_cast<float>(y), 15, 0, 0);
        while (bandSentAt == 0 && rtTimer() - marked < 1.0)
            Sleep(0);
        waits.push_back((bandSentAt - marked) * 1000.0);
        Sleep(static_cast<DWORD>(i % 7)); // changes at any point of the 10 ms cycle
    }
    watchedLine = -1;
    gdiSetBits = SetDIBitsToDevice;
    closeScreen();
    std::sort(waits.begin(), waits.end());
    double sum = 0;
    for (double w : waits)
        sum += w;
    std::printf("change to window: mean %.1f ms, median %.1f ms, 95th %.1f ms, max %.1f ms\n",
                sum / waits.size(), waits[waits.size() / 2], waits[waits.size() * 95 / 100],
                waits.back());
}

} // namespace

int main(int argc, char** argv) {
    InitializeCriticalSection(&nullLockSection);
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<double> nulls, windows, locked;
    for (int i = 0; i < runs; ++i) {
        bool opened = false;
        double nullCpu = 0, windowCpu = 0, lockedCpu = 0;
        nulls.push_back(drawOnce("null", &opened, &nullCpu));
        windows.push_back(drawOnce("gdi", &opened, &windowCpu));
        if (!opened) {
            std::fprintf(stderr, "the GDI window did not open\n");
            return 1;
        }
        locked.push_back(drawLockingNull(&lockedCpu));
        std::printf("run %d: Null %.3f s (thread %.3f s), GDI window %.3f s (thread %.3f s), "
                    "Null with a lock %.3f s (thread %.3f s)\n",
                    i + 1, nulls.back(), nullCpu, windows.back(), windowCpu, locked.back(),
                    lockedCpu);
    }
    double bestNull = *std::min_element(nulls.begin(), nulls.end());
    double bestWindow = *std::min_element(windows.begin(), windows.end());
    double bestLocked = *std::min_element(locked.begin(), locked.end());
    std::printf("best: Null %.3f s, GDI window %.3f s, ratio %.3f; Null with a lock %.3f s, "
                "ratio %.3f\n",
                bestNull, bestWindow, bestWindow / bestNull, bestLocked, bestLocked / bestNull);
    latency();
    return 0;
}
