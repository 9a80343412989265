// The window procedure on a real window under Wine, what the display driver
// suite's real input cannot show: what only a message carries (repeats,
// characters above 255, motion without movement, activation while
// minimised), messages with any parameters, and the switch to full screen.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/core/palette.h"
#include "gfx/draw/draw.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

class WindowInput : public ::testing::Test {
  protected:
    void SetUp() override {
        useGdi();
        ASSERT_EQ(gfxScreen(18, 0, 0, 0, 0), 0);
        ASSERT_NE(gfxMode, nullptr);
        ASSERT_TRUE(waitFor([] { return gfxInput.active != 0; }));
        drain();
    }
    void TearDown() override { closeScreen(); }
};

// What only a message can carry: the repeat flag and count of key messages,
// characters above 255.
TEST_F(WindowInput, RepeatsAndCharactersFromTheMessage) {
    post(WM_KEYDOWN, 'A', keyParam(0x1E));
    post(WM_KEYDOWN, 'A', keyParam(0x1E, false, true));
    post(WM_KEYUP, 'A', keyParam(0x1E, true));
    std::vector<GfxEvent> events = takeEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, EV_KEY_DOWN);
    EXPECT_EQ(events[1].kind, EV_KEY_AUTOREPEAT);
    EXPECT_EQ(events[1].data[0], 0x1E);
    EXPECT_EQ(events[1].data[1], 'a');
    EXPECT_EQ(events[2].kind, EV_KEY_UP);
    // The translated characters come once each.
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{'a', 'a'}));

    // An extended key once per repetition.
    post(WM_KEYDOWN, VK_F3, keyParam(0x3D) | 2); // repeat count 3
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{0x3DFF, 0x3DFF, 0x3DFF}));
    takeEvents();
    post(WM_CHAR, 'z', 2);    // twice
    post(WM_CHAR, 0x263A, 1); // above 255: ignored
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{'z', 'z'}));
    EXPECT_TRUE(takeEvents().empty());
}

TEST_F(WindowInput, MotionWithoutMovementPostsNothing) {
    RECT client = clientOnScreen();
    SetCursorPos(client.left + 50, client.top + 50);
    post(WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    post(WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    takeEvents();
    post(WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    EXPECT_TRUE(takeEvents().empty());
}

TEST_F(WindowInput, ActivationWhileMinimisedPostsNothing) {
    SendMessageA(winState.window, WM_ACTIVATE, WA_INACTIVE, 0);
    takeEvents();
    SendMessageA(winState.window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
    EXPECT_EQ(gfxInput.active, 0);
    EXPECT_TRUE(takeEvents().empty());
    SendMessageA(winState.window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(gfxInput.active, 1);
    EXPECT_TRUE(hasEvent(takeEvents(), EV_FOCUS_GAINED));
}

// Messages with arbitrary parameters, as another program might send them:
// the window thread keeps running and the screen still closes.
TEST_F(WindowInput, AnyMessageWithAnyParameters) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed;
    };
    const UINT handled[] = {WM_ACTIVATE,    WM_SIZE,          WM_SYSKEYDOWN,    WM_SYSKEYUP,
                            WM_KEYDOWN,     WM_KEYUP,         WM_CHAR,          WM_SYSCHAR,
                            WM_MOUSEMOVE,   WM_LBUTTONDOWN,   WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                            WM_RBUTTONDOWN, WM_RBUTTONUP,     WM_MBUTTONDOWN,   WM_MBUTTONUP,
                            WM_XBUTTONDOWN, WM_XBUTTONDBLCLK, WM_XBUTTONUP,     WM_MOUSEWHEEL,
                            WM_MOUSEHWHEEL, WM_MOUSELEAVE,    WM_SETCURSOR,     WM_MOVING,
                            WM_PAINT,       WM_DISPLAYCHANGE, WM_CLOSE,         WM_TIMER};
    for (int i = 0; i < 3000; ++i) {
        UINT message = handled[next() % std::size(handled)];
        WPARAM w = next();
        LPARAM l = static_cast<LPARAM>(next());
        if (message == WM_SIZE && w == SIZE_MAXIMIZED) w = SIZE_RESTORED;
        if (message == WM_SYSKEYDOWN && (w & 0xFF) == VK_RETURN) w = VK_TAB;
        PostMessageA(winState.window, message, w, l);
        if (i % 100 == 0) Sleep(5);
    }
    settle(300);
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(winState.window, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &answer), 0);
    EXPECT_TRUE(IsWindow(winState.window));
    takeKeys();
    takeEvents();
    ReleaseCapture();
    ClipCursor(nullptr);
}

class FullScreenSwitch : public ::testing::Test {
  protected:
    void TearDown() override { closeScreen(); }
    // A screen of the display's size, so that the display mode exists.
    void open(int32_t flags) {
        useGdi();
        int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        ASSERT_EQ(gfxScreenSize(w, h, 8, 1, flags, 0), 0);
        ASSERT_TRUE(waitFor([] { return gfxInput.active != 0; }));
    }
    static void altEnter() {
        PostMessageA(winState.window, WM_SYSKEYDOWN, VK_RETURN, keyParam(0x1C) | (1 << 29));
        settle(300);
    }
};

TEST_F(FullScreenSwitch, AltEnterSwitchesBetweenWindowAndFullScreen) {
    open(0);
    EXPECT_TRUE(GetWindowLongA(winState.window, GWL_STYLE) & WS_CAPTION);
    // The switch re-creates the window and changes the display mode: wait for
    // it rather than for a fixed time.
    auto styleHas = [](LONG bits) {
        return waitFor([bits] { return (GetWindowLongA(winState.window, GWL_STYLE) & bits) != 0; });
    };
    auto fullScreen = [] { return (winState.flags & SCRF_FULLSCREEN) != 0; };
    altEnter();
    EXPECT_TRUE(waitFor(fullScreen));
    EXPECT_TRUE(styleHas(WS_POPUP));
    RECT r;
    GetWindowRect(winState.window, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    // The picture comes back after the switch.
    gfxPalette(3, 0x3F, 0, 0);
    gfxLine(nullptr, 0, 0, 20, 20, 3, 2, 0xFFFF, 0);
    EXPECT_TRUE(waitFor([] { return windowPixel(10, 10) == gfxMode->palette[3]; }));
    altEnter();
    EXPECT_TRUE(waitFor([&] { return !fullScreen(); }));
    EXPECT_TRUE(styleHas(WS_CAPTION));
    EXPECT_TRUE(waitFor([] { return windowPixel(10, 10) == gfxMode->palette[3]; }));
}

TEST_F(FullScreenSwitch, MaximisingSwitchesToFullScreen) {
    open(0);
    SendMessageA(winState.window, WM_SIZE, SIZE_MAXIMIZED, 0);
    settle(100);
    EXPECT_TRUE(winState.flags & SCRF_FULLSCREEN);
    EXPECT_TRUE(GetWindowLongA(winState.window, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(gfxInput.active, 1);
}

TEST_F(FullScreenSwitch, FixedScreensStay) {
    open(SCRF_FIXED);
    HWND before = winState.window;
    altEnter();
    EXPECT_FALSE(winState.flags & SCRF_FULLSCREEN);
    EXPECT_EQ(winState.window, before);
    EXPECT_FALSE(GetWindowLongA(winState.window, GWL_STYLE) & WS_MAXIMIZEBOX);
}

} // namespace
