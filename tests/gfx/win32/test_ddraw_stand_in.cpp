// The DirectX driver against the recording stand-in: the display-mode search,
// lost surfaces and a display mode changed underneath, the keyboard state,
// the order of closing a full screen, and every COM object and library given
// back over many opens.
#define INITGUID // the headers' own identifiers, to check the driver's against
#include "dd_stand_in.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "gfx/compose.h"
#include "gfx/draw/draw.h"
#include "gfx/directx/directx.h"
#include "process_counts.h"
#include "win_test_util.h"

using namespace wintest;
using standin::world;

namespace {

const GfxDriver* const DIRECTX_ONLY[] = {&DIRECTX_DRIVER, nullptr};

struct StandInTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(unmanagedSet);
        _putenv("ZQGFX=directx");
        gfxDriverList = DIRECTX_ONLY;
    }
    void TearDown() override {
        closeScreen();
        gfxDriverList = DRIVER_LIST;
        ddLibraries = {LoadLibraryA, GetProcAddress, FreeLibrary};
        EXPECT_EQ(world.live, 0) << "COM objects left";
        EXPECT_EQ(world.libraries, 0) << "libraries left loaded";
    }
};

std::vector<std::string> calls(const std::vector<std::string>& log, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& c : log)
        if (c.compare(0, prefix.size(), prefix) == 0) found.push_back(c);
    return found;
}

// Draws one pixel on line 0 and waits for a refresh pass to show it.
bool drawAndWait(uint32_t colour = 5) {
    gfxPset(nullptr, 0, 0, colour, 0, 0);
    return waitFor([] { return !firstLineDirty(); }, 3000);
}

TEST(DirectXIdentifiers, EqualTheSystemHeaders) {
    EXPECT_TRUE(IsEqualGUID(DD_IID_DIRECT_DRAW2, IID_IDirectDraw2));
    EXPECT_TRUE(IsEqualGUID(DD_GUID_KEY, GUID_Key));
    EXPECT_TRUE(IsEqualGUID(DD_GUID_SYS_KEYBOARD, GUID_SysKeyboard));
}

TEST_F(StandInTest, ModeSearch) {
    struct Case {
        int width, height, depth;
        std::vector<standin::Mode> offered;
        std::vector<std::string> expected;
        int offset, displayBits;
    };
    const Case cases[] = {
        // The standard VGA mode first, then the next taller height.
        {320,
         200,
         8,
         {{320, 240, 8}},
         {"SetDisplayMode 320x200x8 vga", "SetDisplayMode 320x240x8"},
         20,
         8},
        // Only 5-5-5 modes: the alternative depth, and a 15-bit blitter.
        {640,
         480,
         16,
         {{640, 480, 15}},
         {"SetDisplayMode 640x480x16", "SetDisplayMode 640x480x15"},
         0,
         15},
        {640,
         480,
         32,
         {{640, 600, 24}},
         {"SetDisplayMode 640x480x32", "SetDisplayMode 640x480x24", "SetDisplayMode 640x600x32",
          "SetDisplayMode 640x600x24"},
         60,
         24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.front());
        standin::install(c.offered);
        ASSERT_EQ(gfxScreenSize(c.width, c.height, c.depth, 1, SCRF_FULLSCREEN, 0), 0);
        ASSERT_NE(gfxMode, nullptr);
        ASSERT_EQ(gfxMode->driver, &DIRECTX_DRIVER);
        EXPECT_EQ(calls(standin::takeLog(), "SetDisplayMode"), c.expected);
        EXPECT_EQ(ddState.verticalOffset, c.offset);
        EXPECT_EQ(winState.blitter, gfxSelectBlitter(c.displayBits, 0));
        ASSERT_TRUE(drawAndWait(0xFFFFFF)); // white at every depth
        // The framebuffer's line 0 lands on the display line of the offset.
        gfxLock();
        auto* primary = reinterpret_cast<standin::Object*>(ddState.primary);
        const uint8_t* line = primary->pixels.data() +
                              static_cast<size_t>(c.offset * primary->width * primary->bytes);
        EXPECT_TRUE(std::any_of(line, line + primary->bytes, [](uint8_t b) { return b != 0; }));
        gfxUnlock(1, 0);
        closeScreen();
    }
}

TEST_F(StandInTest, RefusedEverywhereFallsToTheNextDriver) {
    standin::install({});
    gfxDriverList = DRIVER_LIST;
    _putenv("ZQGFX=");
    ASSERT_EQ(gfxScreen(21, 0, 0, SCRF_FULLSCREEN, 0), 0);
    ASSERT_NE(gfxMode, nullptr);
    EXPECT_EQ(gfxMode->driver, &GDI_DRIVER);
    std::vector<std::string> modes = calls(standin::takeLog(), "SetDisplayMode");
    ASSERT_EQ(modes.size(), 2u) << "asked once per refresh rate, nothing taller than 1024";
    EXPECT_EQ(modes[0], "SetDisplayMode 1280x1024x8");
}

TEST_F(StandInTest, LostSurfacesAreRestored) {
    standin::install({});
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, 0, 0), 0);
    ASSERT_EQ(gfxMode->driver, &DIRECTX_DRIVER);
    ASSERT_TRUE(drawAndWait());
    standin::takeLog();

    gfxLock();
    world.lostAtLock = 1;
    world.lostAtBlt = 1;
    int blts = world.blts;
    gfxUnlock(1, 0);
    ASSERT_TRUE(drawAndWait());
    ASSERT_TRUE(waitFor([&] { return world.blts > blts; }));
    EXPECT_EQ(calls(standin::takeLog(), "Restore"), std::vector<std::string>(2, "Restore"));

    // The display mode changed underneath: everything is made again.
    gfxLock();
    world.lostAtLock = 1;
    world.wrongModeAtRestore = 1;
    gfxUnlock(1, 0);
    ASSERT_TRUE(drawAndWait());
    std::vector<std::string> log = standin::takeLog();
    EXPECT_EQ(calls(log, "SetCooperativeLevel normal").size(), 1u) << "opened again";
    EXPECT_EQ(world.libraries, 2);

    // Closing while every re-creation fails ends at once, not after the
    // display comes back.
    gfxLock();
    world.lostAtLock = 1;
    world.wrongModeAtRestore = 1;
    world.refuseCreate = true;
    gfxUnlock(1, 0);
    gfxPset(nullptr, 0, 0, 7, 0, 0);
    ASSERT_TRUE(waitFor([] { return world.libraries == 0; })) << "the device was closed";
    Sleep(100);
    DWORD start = GetTickCount();
    closeScreen();
    EXPECT_LT(GetTickCount() - start, 2000u);
}

// A window is sent the band of lines that changed, and nothing while nothing
// does.
TEST_F(StandInTest, WindowGetsOnlyTheChangedLines) {
    standin::install({});
    ASSERT_EQ(gfxScreenSize(320, 200, 8, 1, 0, 0), 0); // wider than any caption needs
    ASSERT_TRUE(drawAndWait());
    Sleep(100);
    standin::takeLog();
    gfxLock();
    gfxPset(nullptr, 3, 5, 9, 0, 0);
    gfxPset(nullptr, 3, 7, 9, 0, 0);
    gfxUnlock(1, 0);
    std::vector<std::string> sent;
    ASSERT_TRUE(waitFor([&] {
        sent = calls(standin::takeLog(), "Blt lines");
        return !sent.empty();
    }));
    EXPECT_EQ(sent, std::vector<std::string>{"Blt lines 5-8"});
    Sleep(100);
    EXPECT_TRUE(calls(standin::takeLog(), "Blt").empty());
}

TEST_F(StandInTest, KeyboardStateFoldsExtendedKeysAndSurvivesLostAcquisition) {
    standin::install({});
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, 0, 0), 0);
    ASSERT_TRUE(waitFor([] { return gfxInput.active != 0; }));
    const int down[] = {0x1E, 0x9D, 0xC8}; // A, right Ctrl, up arrow
    gfxLock();
    for (int k : down)
        world.keys[k] = 0x80;
    gfxUnlock(1, 0);
    auto keyDown = [](int scan) { return gfxMode->keyState[scan] != 0; };
    ASSERT_TRUE(waitFor([&] { return keyDown(0x1E) && keyDown(0x1D) && keyDown(0x48); }));
    EXPECT_FALSE(keyDown(0x1C));

    gfxLock();
    std::memset(world.keys, 0, sizeof world.keys);
    world.keyboardLost = 3;
    int acquires = world.acquires;
    gfxUnlock(1, 0);
    ASSERT_TRUE(waitFor([&] { return world.acquires >= acquires + 3; }));
    gfxLock();
    EXPECT_TRUE(keyDown(0x1E) && keyDown(0x1D) && keyDown(0x48)) << "kept while not acquired";
    gfxUnlock(1, 0);
    EXPECT_TRUE(waitFor([&] { return !keyDown(0x1E) && !keyDown(0x48); }));
}

TEST_F(StandInTest, TwoHundredCyclesReleaseEverythingAndBlankBeforeTheDesktopReturns) {
    Counts before = {};
    for (int i = 0; i < 210; ++i) {
        if (i == 10) before = counts(); // after the caches of the first opens
        standin::install({{320, 200, 8}});
        int flags = i % 2 ? SCRF_FULLSCREEN : 0;
        ASSERT_EQ(gfxScreen(13, 0, 0, flags, 0), 0);
        ASSERT_EQ(gfxMode->driver, &DIRECTX_DRIVER);
        if (flags && i < 40) { // a picture on the screen, to be blanked
            gfxPset(nullptr, 5, 5, 15, 0, 0);
            settle(30);
        }
        closeScreen();
        ASSERT_EQ(world.live, 0) << "cycle " << i;
        ASSERT_EQ(world.libraries, 0) << "cycle " << i;
        if (!flags) continue;
        std::vector<std::string> log = standin::takeLog();
        auto at = [&](const char* call) {
            return std::find(log.begin(), log.end(), call) - log.begin();
        };
        EXPECT_LT(at("RestoreDisplayMode on black"), at("SetCooperativeLevel normal"));
        EXPECT_LT(at("SetCooperativeLevel normal"), static_cast<ptrdiff_t>(log.size()));
    }
    Sleep(200);
    Counts after = counts();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_LT(after.heapBytes, before.heapBytes + 16 * 1024);
}

TEST_F(StandInTest, ListModesTellsFifteenFromSixteenBits) {
    standin::install({{640, 480, 15}, {800, 600, 16}, {1024, 768, 32}, {320, 200, 15}});
    int32_t count = -1;
    int32_t* modes = ddListModes(15, &count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(modes[0], (640 << 16) | 480);
    EXPECT_EQ(modes[1], (320 << 16) | 200);
    std::free(modes);
    modes = ddListModes(16, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(modes[0], (800 << 16) | 600);
    std::free(modes);
    // Without a device nothing is listed and the count stays.
    world.refuseCreate = true;
    count = -1;
    EXPECT_EQ(ddListModes(32, &count), nullptr);
    EXPECT_EQ(count, -1);
}

} // namespace
