// Opening and closing a GDI screen 200 times in one process leaves no handle,
// user or GDI object, thread or heap memory behind; neither do failed opens.
// Its own program, so that the counts are the whole process's.
#include <gtest/gtest.h>

#include "gfx/draw/draw.h"
#include "process_counts.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

void cycle(int i) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    ASSERT_NE(gfxMode, nullptr);
    ASSERT_STREQ(gfxMode->driver->name, "GDI");
    gfxPset(nullptr, static_cast<float>(i % 320), 10, 15, 0, 0);
    if (i % 20 == 0) settle(30); // now and then let the thread draw
    closeScreen();
    // A failed open on the way: the full screen of a size no display has.
    ASSERT_EQ(GDI_DRIVER.open("zqcycles", 123, 77, 8, 0, SCRF_FULLSCREEN, &opened), -1);
    GDI_DRIVER.close();
}

TEST(GdiCycles, TwoHundredOpensLeakNothing) {
    useGdi();
    ASSERT_TRUE(unmanagedSet);
    for (int i = 0; i < 10; ++i) // settle caches of the first opens
        cycle(i);
    Sleep(200);
    Counts before = counts();
    ASSERT_GT(before.threads, 0);
    ASSERT_GT(before.handles, 0u);
    for (int i = 0; i < 200; ++i) {
        cycle(i);
        if (HasFatalFailure()) return;
    }
    Sleep(200);
    expectNothingKept(before, counts());
    EXPECT_EQ(FindWindowA("zqgfxclass_zqcycles", nullptr), nullptr);
}

} // namespace
