// The framebuffer lock between a drawing thread and a display thread, through
// the core's own gfxLock/gfxUnlock on a screen whose driver has a display
// thread. The drawing thread rewrites whole lines (taking a nested level in
// the middle of each) and marks them; the display thread, under its take,
// checks that no line is half written and that every line that changed since
// it last looked is marked, then takes the marks as a refresh pass would.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <cstdio>

#include "gfx/core/driver.h"
#include "gfx/core/frame_lock.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"

namespace {

constexpr int32_t SIZE = 64; // a square 8-bit screen: one byte per pixel

GfxFrameLock frameLock;
std::thread displayThread;
std::atomic<bool> displayRuns{false};
bool useBarrier = true;

// What the display thread found; read once it has ended.
struct Findings {
    std::atomic<int32_t> passes; // also read by the drawer
    int64_t lines;
    int64_t tornLines;     // a line holding two values
    int64_t unmarkedLines; // a line that changed without its mark
    uint8_t shown[SIZE];   // each line's value at its last pass
};
Findings found;
// Threads inside the lock; an entry that finds another counts an overlap.
std::atomic<int32_t> inside{0};
std::atomic<int32_t> overlaps{0};

void enter() {
    if (inside.fetch_add(1) != 0) ++overlaps;
}
void leave() {
    inside.fetch_sub(1);
}

void displayPass() {
    GfxMode* m = gfxMode;
    ++found.passes;
    for (int32_t y = 0; y < SIZE; ++y) {
        const uint8_t* line = m->framebuffer + static_cast<ptrdiff_t>(y) * m->pitch;
        for (int32_t x = 1; x < SIZE; ++x)
            if (line[x] != line[0]) {
                ++found.tornLines;
                break;
            }
        if (m->dirtyLines[y]) {
            found.shown[y] = line[0];
            m->dirtyLines[y] = 0;
            ++found.lines;
        } else if (line[0] != found.shown[y]) {
            ++found.unmarkedLines;
        }
    }
}

// Lines drawn so far, and whether the drawer has ended.
std::atomic<int32_t> drawn{0};
std::atomic<bool> drawerEnded{false};

// Between passes the display thread waits until the drawer has drawn a few
// lines: it then asks while the drawer runs freely, at any point of its take,
// hold and release. A last pass after the close has let go of whatever the
// program held.
void displayLoop() {
    for (bool last = false; !last;) {
        gfxFrameDisplayTake(&frameLock);
        enter();
        last = !displayRuns.load();
        displayPass();
        leave();
        int32_t from = drawn.load();
        gfxFrameDisplayRelease(&frameLock);
        while (drawn.load() - from < SIZE && !drawerEnded.load() && displayRuns.load()) {
        }
    }
}

int32_t standInOpen(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, GfxDisplayInfo*) {
    if (gfxFrameLockOpen(&frameLock) != 0) return -1;
    if (!useBarrier) { // a system without the process-wide barrier
        frameLock.barrier = 0;
        gfxInlineLock = nullptr;
    }
    found.passes = 0;
    found.lines = found.tornLines = found.unmarkedLines = 0;
    std::memset(found.shown, 0, sizeof found.shown);
    overlaps = 0;
    drawn = 0;
    drawerEnded = false;
    displayRuns = true;
    displayThread = std::thread(displayLoop);
    return 0;
}

void standInClose() {
    displayRuns = false;
    gfxFrameForceRelease(&frameLock);
    if (displayThread.joinable()) displayThread.join();
    gfxFrameLockClose(&frameLock);
}

void standInLock() {
    gfxFrameProgramTake(&frameLock);
}
void standInUnlock() {
    gfxFrameProgramRelease(&frameLock);
}

GfxDriver standIn() {
    GfxDriver d = GFX_NULL_DRIVER;
    d.name = "FrameLockStandIn";
    d.open = standInOpen;
    d.close = standInClose;
    d.lock = standInLock;
    d.unlock = standInUnlock;
    return d;
}
const GfxDriver STAND_IN = standIn();
const GfxDriver* const STAND_IN_LIST[] = {&STAND_IN, nullptr};

// Rewrites line `y` with `value` in two halves around a nested level, marks
// it; leaves the outer level held when `keep` is set.
void drawLine(int32_t y, uint8_t value, bool keep) {
    GfxMode* m = gfxMode;
    uint8_t* line = m->framebuffer + static_cast<ptrdiff_t>(y) * m->pitch;
    gfxLock();
    enter();
    std::memset(line, value, SIZE / 2);
    gfxLock();
    gfxUnlock(1, 0);
    std::memset(line + SIZE / 2, value, SIZE / 2);
    m->dirtyLines[y] = 1;
    leave();
    if (!keep) gfxUnlock(1, 0);
}

// Rewrites line `y` under a quick take, as a single pixel access takes it;
// false (nothing drawn) when the take has to go the long way.
bool drawLineQuick(int32_t y, uint8_t value, bool keep) {
    GfxMode* m = gfxMode;
    if (!gfxQuickTake(m)) return false;
    enter();
    std::memset(m->framebuffer + static_cast<ptrdiff_t>(y) * m->pitch, value, SIZE);
    m->dirtyLines[y] = 1;
    leave();
    if (!keep && !gfxQuickRelease()) gfxQuickWake();
    return true;
}

// Draws a million lines and more until the display thread has made its
// passes, every other one under a quick take where it can be had; then one
// more line that it still holds when the thread ends (a quick take when the
// inline lock exists, else its outer level). `written` gets every line's
// last value.
constexpr int32_t ROUNDS = 1000000; // two takes each, one nested
constexpr int32_t PASSES = 2000;

void drawingThread(uint8_t* written) {
    for (int32_t i = 0; i < ROUNDS || found.passes < PASSES; ++i) {
        int32_t y = i % SIZE;
        written[y] = static_cast<uint8_t>(i / SIZE % 255 + 1);
        if (i % 2 == 0 || !drawLineQuick(y, written[y], false)) drawLine(y, written[y], false);
        drawn.store(i + 1, std::memory_order_relaxed);
    }
    written[5] = 0xEE;
    if (gfxInlineLock) {
        // A refused quick take leaves `holds` set: a level taken and given
        // back the long way lets the display thread through first.
        while (!drawLineQuick(5, written[5], true)) {
            gfxLock();
            gfxUnlock(1, 0);
        }
    } else {
        drawLine(5, written[5], true);
    }
    drawerEnded = true;
}

class FrameLockTest : public ::testing::TestWithParam<bool> {};

TEST_P(FrameLockTest, DisplaySeesWholeMarkedLinesAndGetsInAfterTheDrawerEndsHoldingIt) {
    useBarrier = GetParam();
    const GfxDriver* const* platformList = gfxDriverList;
    gfxDriverList = STAND_IN_LIST;
    ASSERT_EQ(gfxScreenSize(SIZE, SIZE, 8, 1, 0, 0), 0);
    ASSERT_EQ(gfxMode->driver, &STAND_IN);
    EXPECT_EQ(gfxInlineLock != nullptr, useBarrier && rtProcessBarrierReady());

    uint8_t written[SIZE] = {};
    std::thread drawer(drawingThread, written);
    drawer.join();
    // What the drawer held when it ended: a quick take counts no level.
    EXPECT_EQ(gfxMode->lockCount, gfxInlineLock ? 0 : 1);

    // The close lets the display thread in for its last pass.
    EXPECT_EQ(gfxScreen(0, 0, 0, 0, 0), 0);
    gfxDriverList = platformList;
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(found.tornLines, 0);
    EXPECT_EQ(found.unmarkedLines, 0);
    EXPECT_GT(found.lines, 0);
    for (int32_t y = 0; y < SIZE; ++y)
        EXPECT_EQ(found.shown[y], written[y]) << "line " << y;
    std::printf("%d overlaps, %lld display passes, %lld lines taken\n", overlaps.load(),
                static_cast<long long>(found.passes.load()), static_cast<long long>(found.lines));
}

INSTANTIATE_TEST_SUITE_P(Sides, FrameLockTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Barrier" : "Fences"; });

} // namespace
