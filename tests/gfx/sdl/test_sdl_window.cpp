// The SDL driver with real windows on a private Xvfb display, beyond the
// display driver suite (../display): frames never torn between drawing and
// conversion, the letterboxed full screen, caption, position and fixed
// screens, the display modes.
// GoogleTest before the X11 headers, whose macros would clash with it.
#include <gtest/gtest.h>
// clang-format off
#include <cstdlib>

#include "gfx/core/lock.h"
#include "gfx/display/suite_host.h"
#include "gfx/sdl/sdl.h"
#include "gfx/sdl/sdl_internal.h"
#include "runtime/platform.h"
#include <X11/Xlib.h>
#include <SDL_syswm.h>
// clang-format on

namespace {

// The window and input through the display driver suite's host.
Display* const display = XOpenDisplay(nullptr);

Window xWindow() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(sdlState.window, &info) ? info.info.x11.window : 0;
}

template <typename F> bool waitFor(F done) {
    for (double end = rtTimer() + 3; rtTimer() < end; host::sync())
        if (done()) return true;
    return done();
}

const host::Strokes ALT_ENTER = {{{0x12, "alt"}, true},
                                 {{0x0D, "Return"}, true},
                                 {{0x0D, "Return"}, false},
                                 {{0x12, "alt"}, false}};

class SdlWindow : public ::testing::Test {
  protected:
    void SetUp() override { unsetenv("ZQGFX"); }
    void TearDown() override { gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE); }
    // A screen on the SDL driver whose window has the focus.
    void open(int32_t width, int32_t height, int32_t depth, int32_t flags = 0) {
        ASSERT_EQ(gfxScreenSize(width, height, depth, 1, flags, 0), 0);
        ASSERT_EQ(gfxMode->driver, &SDL_DRIVER);
        ASSERT_TRUE(host::focus(true));
    }
    // Marks every line, waits until they have gone to the window, reads it back.
    static host::Shot shown() {
        gfxLock();
        gfxUnlock(0, -1);
        host::sync();
        return host::shoot();
    }
};

uint32_t pixelAt(int32_t x, int32_t y) {
    const uint8_t* p = gfxMode->framebuffer + static_cast<ptrdiff_t>(y) * gfxMode->pitch +
                       static_cast<ptrdiff_t>(x) * gfxMode->bytesPerPixel;
    uint32_t v = 0;
    for (int32_t b = 0; b < gfxMode->bytesPerPixel; ++b)
        v |= static_cast<uint32_t>(p[b]) << (8 * b);
    return v;
}

void fillPattern() {
    gfxLock();
    for (int32_t y = 0; y < gfxMode->height; ++y)
        for (int32_t x = 0; x < gfxMode->pitch; ++x)
            gfxMode->framebuffer[static_cast<ptrdiff_t>(y) * gfxMode->pitch + x] =
                static_cast<uint8_t>((x * 7 + y * 13 + (x >> 3)) &
                                     (gfxMode->depth <= 8 ? gfxMode->colorMask : 0xFF));
    gfxUnlock(0, -1);
}

// The program rewrites two whole lines under one lock as fast as it can; the
// window must only ever show both lines in one colour, never a torn frame.
TEST_F(SdlWindow, DrawingAndConversionExcludeEachOther) {
    open(256, 8, 32);
    int torn = 0;
    uint32_t value = 0;
    for (int shot = 0; shot < 40; ++shot) {
        for (int i = 0; i < 20000; ++i, ++value) {
            gfxLock();
            for (int32_t y = 0; y < 2; ++y) {
                auto* line = reinterpret_cast<uint32_t*>(gfxMode->framebuffer + y * gfxMode->pitch);
                for (int32_t x = 0; x < gfxMode->width; ++x)
                    line[x] = value & 0xFFFFFF;
            }
            gfxUnlock(0, 1);
        }
        host::Shot s = host::shoot();
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < s.width; ++x)
                torn += s.at(x, y) != s.at(0, 0);
    }
    EXPECT_EQ(torn, 0);
}

TEST_F(SdlWindow, FullScreenLetterboxesThePicture) {
    open(640, 480, 32, SCRF_FULLSCREEN);
    fillPattern();
    host::Shot shot = shown();
    ASSERT_EQ(shot.width, 1280);
    ASSERT_EQ(shot.height, 1024);
    const int32_t left = 320, top = 272;
    int differing = 0;
    for (int32_t y = 0; y < shot.height; ++y)
        for (int32_t x = 0; x < shot.width; ++x) {
            bool inside = x >= left && x < left + 640 && y >= top && y < top + 480;
            differing += shot.at(x, y) != (inside ? pixelAt(x - left, y - top) & 0xFFFFFF : 0u);
        }
    EXPECT_EQ(differing, 0);

    // ALT+ENTER goes back to a window of the picture's size.
    host::keys(ALT_ENTER);
    ASSERT_TRUE(waitFor([] { return !(sdlState.flags & SCRF_FULLSCREEN); }));
    EXPECT_TRUE(waitFor([] {
        host::Shot s = host::shoot();
        return s.width == 640 && s.height == 480;
    }));
}

TEST_F(SdlWindow, CaptionPositionAndFixedScreens) {
    open(160, 100, 8, SCRF_FIXED);
    SDL_DRIVER.setCaption("zq caption");
    int before = SDL_DRIVER.moveWindow(SDL_MOVE_KEEP, 100);
    host::sync();
    char* name = nullptr;
    XFetchName(display, xWindow(), &name);
    EXPECT_STREQ(name, "zq caption");
    XFree(name);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, xWindow(), DefaultRootWindow(display), 0, 0, &x, &y, &child);
    EXPECT_EQ(x, before & 0xFFFF) << "the left edge stays";
    EXPECT_EQ(y, 100);
    EXPECT_EQ(SDL_DRIVER.moveWindow(SDL_MOVE_KEEP, SDL_MOVE_KEEP), (100 << 16) | x);

    // A fixed screen stays a window on ALT+ENTER.
    host::keys(ALT_ENTER);
    EXPECT_FALSE(sdlState.flags & SCRF_FULLSCREEN);
    EXPECT_EQ(host::shoot().width, 160);
}

TEST_F(SdlWindow, ListsTheDisplaysModes) {
    open(64, 32, 32);
    int32_t count = 0;
    int32_t* modes = SDL_DRIVER.listModes(32, &count);
    ASSERT_NE(modes, nullptr);
    bool found = false;
    for (int32_t i = 0; i < count; ++i)
        found |= modes[i] == ((1280 << 16) | 1024);
    std::free(modes);
    EXPECT_TRUE(found) << count << " modes";
}

} // namespace
