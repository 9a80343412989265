// The window procedure on a real window under Wine: keys reach INKEY with the
// console's codes, key events, characters, the pointer, buttons and wheels,
// focus changes, the close button and the switch to full screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/core/palette.h"
#include "gfx/draw/draw.h"
#include "runtime/strings.h"
#include "support/window_input_cases.h"
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

void sendKey(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_HOME ||
        vk == VK_END || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_INSERT || vk == VK_DELETE)
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    SendInput(1, &input, sizeof input);
}

// Presses `vk` with the modifiers held, through the system's input queue, and
// returns the key codes INKEY would see.
std::vector<int32_t> press(WORD vk, std::vector<WORD> modifiers = {}) {
    for (WORD m : modifiers)
        sendKey(m, false);
    sendKey(vk, false);
    sendKey(vk, true);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        sendKey(*m, true);
    sync();
    return takeKeys();
}

std::string inkey() {
    StringDescriptor* s = gfxReadKey();
    std::string text(s && s->data ? s->data : "", s ? static_cast<size_t>(strLength(s)) : 0);
    strDelete(s);
    return text;
}

TEST_F(WindowInput, KeysReachInkeyWithTheConsoleCodes) {
    ASSERT_EQ(GetForegroundWindow(), winState.window);
    for (const windowcases::KeyCase& k : windowcases::KEY_CASES) {
        std::vector<WORD> held;
        if (k.held & windowcases::HOLD_SHIFT) held.push_back(VK_SHIFT);
        if (k.held & windowcases::HOLD_CTRL) held.push_back(VK_CONTROL);
        if (k.held & windowcases::HOLD_ALT) held.push_back(VK_MENU);
        EXPECT_EQ(press(k.vk, held), std::vector<int32_t>{k.code})
            << k.keysym << " with held keys " << int{k.held};
    }

    // INKEY's strings: the character, or 255 and the scan code.
    sendKey(VK_F1, false);
    sendKey(VK_F1, true);
    sendKey('Q', false);
    sendKey('Q', true);
    sync();
    EXPECT_EQ(inkey(), std::string("\xFF;"));
    EXPECT_EQ(inkey(), "q");
    EXPECT_EQ(inkey(), "");
}

TEST_F(WindowInput, KeyEventsCarryScanAndCharacter) {
    post(WM_KEYDOWN, 'A', keyParam(0x1E));
    post(WM_KEYDOWN, 'A', keyParam(0x1E, false, true));
    post(WM_KEYUP, 'A', keyParam(0x1E, true));
    post(WM_KEYDOWN, VK_F2, keyParam(0x3C));
    std::vector<GfxEvent> events = takeEvents();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, EV_KEY_DOWN);
    EXPECT_EQ(events[0].data[0], 0x1E);
    EXPECT_EQ(events[0].data[1], 'a');
    EXPECT_EQ(events[1].kind, EV_KEY_AUTOREPEAT);
    EXPECT_EQ(events[2].kind, EV_KEY_UP);
    EXPECT_EQ(events[2].data[0], 0x1E);
    EXPECT_EQ(events[3].kind, EV_KEY_DOWN);
    EXPECT_EQ(events[3].data[0], 0x3C);
    EXPECT_EQ(events[3].data[1], 0);
    // The translated characters come once each; F2 once per repetition.
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{'a', 'a', 0x3CFF}));

    post(WM_KEYDOWN, VK_F3, keyParam(0x3D) | 2); // repeat count 3
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{0x3DFF, 0x3DFF, 0x3DFF}));
    takeEvents();

    // F10 and ALT alone: no event (and no system menu).
    post(WM_SYSKEYDOWN, VK_F10, keyParam(0x44));
    post(WM_SYSKEYUP, VK_F10, keyParam(0x44, true));
    post(WM_SYSKEYDOWN, VK_MENU, keyParam(0x38) | (1 << 29));
    post(WM_SYSKEYUP, VK_MENU, keyParam(0x38, true));
    EXPECT_TRUE(takeEvents().empty());
    EXPECT_EQ(takeKeys(), std::vector<int32_t>{0x44FF});
}

TEST_F(WindowInput, CharactersAboveAsciiArriveAsCodePage437) {
    UINT ansi = GetACP();
    // E-acute: 0xE9 in the Western code page, 0x82 in code page 437.
    if (ansi == 1252) {
        post(WM_CHAR, 0xE9, 1);
        EXPECT_EQ(takeKeys(), std::vector<int32_t>{windowcases::E_ACUTE_CP437});
    }
    post(WM_CHAR, 'z', 2);    // twice
    post(WM_CHAR, 0x263A, 1); // above 255: ignored
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{'z', 'z'}));
    EXPECT_TRUE(takeEvents().empty());
}

TEST_F(WindowInput, HeldKeysFollowTheKeyboard) {
    sendKey('S', false);
    ASSERT_TRUE(waitFor([] { return gfxIsKeyDown(0x1F) == -1; }));
    sendKey('S', true);
    ASSERT_TRUE(waitFor([] { return gfxIsKeyDown(0x1F) == 0; }));
    sendKey(VK_RSHIFT, false);
    EXPECT_TRUE(waitFor([] { return gfxIsKeyDown(0x2A) == -1 && gfxIsKeyDown(0x36) == -1; }));
    sendKey(VK_RSHIFT, true);
    EXPECT_TRUE(waitFor([] { return gfxIsKeyDown(0x36) == 0; }));
    takeKeys();
}

TEST_F(WindowInput, CloseButtonPostsTheCloseKeyAndKeepsTheWindow) {
    post(WM_CLOSE, 0, 0);
    EXPECT_EQ(takeKeys(), std::vector<int32_t>{KEY_WINDOW_CLOSE});
    std::vector<GfxEvent> events = takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EV_CLOSE_REQUEST);
    EXPECT_TRUE(IsWindow(winState.window));
    post(WM_CLOSE, 0, 0);
    EXPECT_EQ(gfxWaitKey(), KEY_WINDOW_CLOSE);
}

TEST_F(WindowInput, PointerFirstMessageEnterAndDeltas) {
    RECT client = clientOnScreen();
    SetCursorPos(client.left + 50, client.top + 50);
    sync();
    gfxDisplayLock();
    gfxInput.lastScreenX = GFX_NO_POSITION;
    gfxInput.tracking = 0;
    gfxDisplayUnlock();
    drain();

    post(WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    EXPECT_TRUE(takeEvents().empty()) << "the first message only records";
    post(WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    std::vector<GfxEvent> events = takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EV_POINTER_ENTER);
    post(WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    EXPECT_TRUE(takeEvents().empty()) << "no movement, no event";
    post(WM_MOUSEMOVE, 0, MAKELPARAM(103, 98));
    events = takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EV_POINTER_MOVE);
    EXPECT_EQ(events[0].data[0], 103);
    EXPECT_EQ(events[0].data[1], 98);
    EXPECT_EQ(events[0].data[2], 3);
    EXPECT_EQ(events[0].data[3], -2);

    // The mouse query while the pointer is inside the active window.
    int32_t x, y, wheel, buttons, clip;
    gfxLock();
    EXPECT_EQ(GDI_DRIVER.readMouse(&x, &y, &wheel, &buttons, &clip), 0);
    gfxUnlock(1, 0);
    EXPECT_EQ(x, 103);
    EXPECT_EQ(y, 98);

    // Leaving the window ends the tracking with a leave event.
    SetCursorPos(client.right + 40, client.bottom + 40);
    EXPECT_TRUE(waitFor([] { return gfxInput.tracking == 0; }));
    events = takeEvents();
    EXPECT_TRUE(hasEvent(events, EV_POINTER_LEAVE));
    post(WM_NULL, 0, 0);
    EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), 1) << "outside: no mouse";
    EXPECT_EQ(x, -1);
}

TEST_F(WindowInput, ButtonsDoubleClicksAndWheels) {
    post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(gfxInput.buttons, BTN_LEFT);
    post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    post(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    post(WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    post(WM_MBUTTONDBLCLK, MK_MBUTTON, MAKELPARAM(5, 5));
    post(WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
    post(WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON2, XBUTTON2), MAKELPARAM(5, 5));
    post(WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON1 | MK_XBUTTON2, XBUTTON1), MAKELPARAM(5, 5));
    post(WM_XBUTTONUP, MAKEWPARAM(MK_XBUTTON1, XBUTTON2), MAKELPARAM(5, 5));
    post(WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(5, 5));
    post(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * 3), 0);
    post(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    post(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    post(WM_MOUSEHWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);

    struct Expect {
        int32_t kind, value;
    };
    const Expect expected[] = {
        {EV_BUTTON_DOWN, BTN_LEFT},
        {EV_BUTTON_DOWN, BTN_RIGHT},
        {EV_BUTTON_UP, BTN_LEFT},
        {EV_BUTTON_UP, BTN_RIGHT},
        {EV_BUTTON_DOUBLE, BTN_MIDDLE},
        {EV_BUTTON_UP, BTN_MIDDLE},
        {EV_BUTTON_DOWN, BTN_EXTRA2},
        {EV_BUTTON_DOWN, BTN_EXTRA1},
        {EV_BUTTON_UP, BTN_EXTRA2},
        {EV_BUTTON_UP, BTN_EXTRA1},
        {EV_WHEEL, 1},
        {EV_WHEEL, 2},
        {EV_WHEEL, 1},
        {EV_HWHEEL, -1},
    };
    std::vector<GfxEvent> events;
    for (const GfxEvent& e : takeEvents())
        if (e.kind != EV_POINTER_MOVE && e.kind != EV_POINTER_ENTER && e.kind != EV_POINTER_LEAVE)
            events.push_back(e);
    ASSERT_EQ(events.size(), std::size(expected));
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].kind, expected[i].kind) << i;
        EXPECT_EQ(events[i].data[0], expected[i].value) << i;
    }
    EXPECT_EQ(gfxInput.buttons, 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowInput, DeactivationClearsKeysAndPostsFocusLost) {
    gfxLock();
    gfxMode->keyState[0x1E] = 1;
    gfxUnlock(1, 0);
    gfxInput.buttons = BTN_LEFT;
    SendMessageA(winState.window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(gfxInput.active, 0);
    EXPECT_EQ(gfxIsKeyDown(0x1E), 0);
    EXPECT_EQ(gfxInput.buttons, 0);
    std::vector<GfxEvent> events = takeEvents();
    EXPECT_TRUE(hasEvent(events, EV_FOCUS_LOST));
    EXPECT_FALSE(hasEvent(events, EV_FOCUS_GAINED));
    int32_t x, y, wheel, buttons, clip;
    EXPECT_EQ(GDI_DRIVER.readMouse(&x, &y, &wheel, &buttons, &clip), -1) << "inactive";

    // Activated while minimised: inactive, nothing posted.
    SendMessageA(winState.window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
    EXPECT_EQ(gfxInput.active, 0);
    EXPECT_TRUE(takeEvents().empty());

    SendMessageA(winState.window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(gfxInput.active, 1);
    EXPECT_TRUE(hasEvent(takeEvents(), EV_FOCUS_GAINED));
}

TEST_F(WindowInput, MousePlacementClampsAndStoresUnclamped) {
    EXPECT_EQ(gfxSetMouse(5000, -20, -1, -1), 0);
    POINT p;
    GetCursorPos(&p);
    RECT client = clientOnScreen();
    EXPECT_EQ(p.x, client.left + 639);
    EXPECT_EQ(p.y, client.top);
    EXPECT_EQ(gfxInput.x, 5000);
    EXPECT_EQ(gfxInput.y, -20);

    // Only hiding the pointer.
    gfxSetMouse(-1, -1, 0, -1);
    EXPECT_EQ(gfxInput.cursorVisible, 0);
    GetCursorPos(&p);
    EXPECT_EQ(p.x, client.left + 639);
    gfxSetMouse(-1, -1, 1, 1);
    EXPECT_EQ(gfxInput.cursorVisible, 1);
    EXPECT_EQ(gfxInput.clip, 1);
    gfxSetMouse(-1, -1, -1, 0);
    EXPECT_EQ(gfxInput.clip, 0);
}

TEST_F(WindowInput, KeysFasterThanReadKeepTheNewest) {
    for (int i = 0; i < 40; ++i)
        PostMessageA(winState.window, WM_CHAR, 'a' + (i % 26), 1);
    sync();
    std::vector<int32_t> keys = takeKeys();
    ASSERT_EQ(keys.size(), 15u);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(keys[i], 'a' + ((25 + i) % 26)) << i;
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
