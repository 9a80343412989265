// The demonstration's drawing with the GDI window and with the DirectX full
// screen open against the same drawing on the Null driver, in one process (Windows build, run under
// Wine on an X display by tools/bench-window.sh); the picture is timed with the screen already
// open, its opening apart. Two more runs draw on the Null driver given lock slots and no window:
// what the lock that every PSET and POINT takes costs by itself. Also measures how long a change
// waits until the window thread sends it to the window, and what the whole
// process spends bringing dirty lines to the display with each driver.
//
//   bench_window_demo [RUNS]    RUNS alternating pairs (default 3)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/demo.h"
#include "gfx/compose.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/display/display.h"
#include "gfx/draw/draw.h"
#include "gfx/gdi/gdi_internal.h"
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

// One drawing of the demonstration: opening its screen (for the window: the
// display-mode change, the window and its thread), then the picture with the
// screen open; *cpu is the drawing thread's own processor time for the picture.
struct Timing {
    double open, picture, cpu;
};

Timing drawOnce(const char* driver, bool* opened, const char* expected = "GDI") {
    char setting[32];
    std::snprintf(setting, sizeof setting, "ZQGFX=%s", driver);
    _putenv(setting);
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
    *opened = gfxMode && gfxMode->driver && std::strcmp(gfxMode->driver->name, expected) == 0;
    closeScreen();
    return t;
}

// The Null driver given lock slots: a critical section (the lock the window
// layer is described with), or one interlocked operation each way (the
// cheapest lock whose two sides pay alike; the window layer's program side
// pays a plain store and load instead).
CRITICAL_SECTION nullLockSection;
volatile LONG nullLockUsers = 0;
void sectionLock() {
    EnterCriticalSection(&nullLockSection);
}
void sectionUnlock() {
    LeaveCriticalSection(&nullLockSection);
}
void countLock() {
    InterlockedIncrement(&nullLockUsers);
}
void countUnlock() {
    InterlockedDecrement(&nullLockUsers);
}
int32_t nullOpen(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, GfxDisplayInfo*) {
    return 0;
}
void nullClose() {}
GfxDriver lockingNull(const char* name, void (*lock)(), void (*unlock)()) {
    GfxDriver d = GFX_NULL_DRIVER;
    d.name = name;
    d.open = nullOpen;
    d.close = nullClose;
    d.lock = lock;
    d.unlock = unlock;
    return d;
}
const GfxDriver SECTION_NULL = lockingNull("NULLSECTION", sectionLock, sectionUnlock);
const GfxDriver COUNT_NULL = lockingNull("NULLCOUNT", countLock, countUnlock);
const GfxDriver* const LOCKING_LIST[] = {&SECTION_NULL, &COUNT_NULL, nullptr};

Timing drawLockingNull(const char* name) {
    bool opened = false;
    gfxDriverList = LOCKING_LIST;
    Timing t = drawOnce(name, &opened, name);
    gfxDriverList = DRIVER_LIST;
    if (!opened) std::fprintf(stderr, "%s did not open\n", name);
    return t;
}

// Time from marking a line to the window thread sending a band holding it.
volatile double bandSentAt = 0;
volatile int32_t watchedLine = -1;

int WINAPI timedSend(HDC dc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT start, UINT lines,
                     const void* bits, const BITMAPINFO* info, UINT use) {
    if (watchedLine >= y && watchedLine < y + static_cast<int32_t>(h)) bandSentAt = rtTimer();
    return SetDIBitsToDevice(dc, x, y, w, h, sx, sy, start, lines, bits, info, use);
}

// Processor seconds the whole process has used (the platform's own display
// threads included; the X server's work is not).
double processSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Processor milliseconds the whole process spends per 10 ms while the program
// only marks lines dirty (every line, one line or none) on a 1280 x 1024 x 8
// screen: what bringing them to the display costs, the drawing taken out.
enum Marks { EVERY_LINE, ONE_LINE, NO_LINE };

double displayCost(const char* driver, int32_t flags, Marks marks) {
    char setting[32];
    std::snprintf(setting, sizeof setting, "ZQGFX=%s", driver);
    _putenv(setting);
    if (gfxScreenSize(1280, 1024, 8, 1, flags, 0) != 0 || !gfxMode) return -1;
    Sleep(300);
    const int steps = 200;
    double start = processSeconds();
    for (int i = 0; i < steps; ++i) {
        gfxDisplayLock();
        if (marks == EVERY_LINE) gfxMarkAllDirty();
        if (marks == ONE_LINE) gfxMode->dirtyLines[500] = 1;
        gfxDisplayUnlock();
        Sleep(10);
    }
    double cost = (processSeconds() - start) * 1000.0 / steps;
    closeScreen();
    return cost;
}

void displayCosts() {
    const char* const drivers[] = {"GDI", "DirectX"};
    for (const char* driver : drivers)
        for (int32_t flags : {static_cast<int32_t>(SCRF_FULLSCREEN), 0}) {
            double every = displayCost(driver, flags, EVERY_LINE);
            double one = displayCost(driver, flags, ONE_LINE);
            double none = displayCost(driver, flags, NO_LINE);
            std::printf("%s %s: process ms per 10 ms with every line dirty %.2f, one line %.2f, "
                        "none %.2f\n",
                        driver, flags ? "full screen" : "window", every, one, none);
        }
}

void latency() {
    _putenv("ZQGFX=gdi");
    if (gfxScreen(21, 1, 1, SCRF_FULLSCREEN, 0) != 0 || !gfxMode) return;
    Sleep(200);
    gfxDisplayLock();
    gdiSetBits = timedSend;
    gfxDisplayUnlock();
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
    std::vector<Timing> nulls, windows, directs, sections, counts;
    for (int i = 0; i < runs; ++i) {
        bool opened = false;
        nulls.push_back(drawOnce("null", &opened));
        windows.push_back(drawOnce("gdi", &opened));
        if (!opened) {
            std::fprintf(stderr, "the GDI window did not open\n");
            return 1;
        }
        directs.push_back(drawOnce("directx", &opened, "DirectX"));
        if (!opened) {
            std::fprintf(stderr, "the DirectX screen did not open\n");
            return 1;
        }
        sections.push_back(drawLockingNull("NULLSECTION"));
        counts.push_back(drawLockingNull("NULLCOUNT"));
        const Timing &n = nulls.back(), &w = windows.back();
        std::printf("run %d: picture on Null %.3f s (thread %.3f s), in the GDI window %.3f s "
                    "(thread %.3f s, window opened in %.3f s), through DirectX %.3f s (thread "
                    "%.3f s, opened in %.3f s); Null locking a critical section %.3f s, with "
                    "interlocked counts %.3f s\n",
                    i + 1, n.picture, n.cpu, w.picture, w.cpu, w.open, directs.back().picture,
                    directs.back().cpu, directs.back().open, sections.back().picture,
                    counts.back().picture);
    }
    auto best = [](const std::vector<Timing>& v, bool withOpen = false) {
        double b = 1e30;
        for (const Timing& t : v)
            b = std::min(b, t.picture + (withOpen ? t.open : 0.0));
        return b;
    };
    double bestNull = best(nulls);
    std::printf("best picture: Null %.3f s, GDI window %.3f s, ratio %.3f; Null locking a "
                "critical section %.3f s (%.3f), with interlocked counts %.3f s (%.3f)\n",
                bestNull, best(windows), best(windows) / bestNull, best(sections),
                best(sections) / bestNull, best(counts), best(counts) / bestNull);
    std::printf("best picture through DirectX %.3f s, DirectX/Null %.3f, GDI/Null %.3f\n",
                best(directs), best(directs) / bestNull, best(windows) / bestNull);
    std::printf("best with the screen's opening: Null %.3f s, GDI window %.3f s, ratio %.3f; "
                "DirectX %.3f s, ratio %.3f\n",
                best(nulls, true), best(windows, true), best(windows, true) / best(nulls, true),
                best(directs, true), best(directs, true) / best(nulls, true));
    latency();
    displayCosts();
    return 0;
}
