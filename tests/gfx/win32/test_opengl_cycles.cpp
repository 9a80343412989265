// Opening and closing an OpenGL screen 100 times in one process, with a failed
// open on the way each time, leaves no handle, user or GDI object, thread or
// heap memory behind. Its own program, so that the counts are the whole
// process's.
#include <gtest/gtest.h>

#include "gfx/opengl/opengl.h"
#include "process_counts.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

void cycle() {
    ASSERT_EQ(gfxScreenSize(320, 200, 32, 1, SCRF_OPENGL, 0), 0);
    ASSERT_STREQ(gfxMode->driver->name, "OpenGL");
    gfxMode->driver->present();
    gfxMode->driver->pumpEvents();
    closeScreen();
    // A full screen of a size no display has: refused after the library,
    // the class and the setup window's context have come and gone.
    ASSERT_EQ(OPENGL_DRIVER.open("zqglcycles", 123, 77, 32, 0, SCRF_OPENGL | SCRF_FULLSCREEN, &opened), -1);
    OPENGL_DRIVER.close();
}

TEST(OpenGlCycles, HundredOpensLeakNothing) {
    _putenv("ZQGFX=");
    ASSERT_TRUE(unmanagedSet);
    for (int i = 0; i < 5; ++i) // settle caches of the first opens
        cycle();
    Counts before = counts();
    for (int i = 0; i < 100; ++i) {
        cycle();
        if (HasFatalFailure()) return;
    }
    expectNothingKept(before, counts());
    EXPECT_EQ(FindWindowA("zqgfxclass_zqglcycles", nullptr), nullptr);
}

} // namespace
