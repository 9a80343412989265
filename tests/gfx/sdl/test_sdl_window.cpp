// The SDL driver with real windows on a private Xvfb display: what the window
// shows for each screen depth and line multiplier, the dirty lines, the
// letterboxed full screen, the display modes, open/close cycles, and input
// from the X server (xdotool and the test's own X connection) against the
// same expectations as the Windows window.
// GoogleTest before the X11 headers, whose macros would clash with it.
#include <gtest/gtest.h>
// clang-format off
#include <dirent.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/console/input.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/palette.h"
#include "gfx/display/input.h"
#include "gfx/sdl/sdl.h"
#include "gfx/sdl/sdl_internal.h"
#include "runtime/platform.h"
#include "support/window_input_cases.h"
#include "x_window.h"
#include <SDL_syswm.h>
// clang-format on

namespace {

Display* xDisplay() {
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

Window xWindow() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!sdlState.window || !SDL_GetWindowWMInfo(sdlState.window, &info)) return 0;
    return info.info.x11.window;
}

template <typename F> bool waitFor(F done, int limitMs = 3000) {
    for (int t = 0; t < limitMs; t += 10) {
        if (done()) return true;
        rtDelay(10);
    }
    return done();
}

bool lineDirty(int32_t line) {
    gfxLock();
    bool dirty = gfxMode->dirtyLines[line] != 0;
    gfxUnlock(1, 0);
    return dirty;
}

// Waits for two refresh passes, so that what the X server has sent by now
// has been read and handled.
void sync() {
    XSync(xDisplay(), False);
    for (int pass = 0; pass < 2 && gfxMode; ++pass) {
        gfxLock();
        gfxMode->dirtyLines[0] = 1;
        gfxUnlock(1, 0);
        waitFor([] { return !lineDirty(0); });
    }
}

void xdotool(const std::string& arguments) {
    std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    sync();
}

std::vector<int32_t> takeKeys() {
    std::vector<int32_t> keys;
    for (int32_t k; (k = gfxTakeKey()) != 0;)
        keys.push_back(k);
    return keys;
}

std::vector<GfxEvent> takeEvents() {
    std::vector<GfxEvent> events;
    for (GfxEvent e; gfxTakeEvent(&e);)
        events.push_back(e);
    return events;
}

// Events of these kinds only, in order, as (kind, first word) pairs.
std::vector<std::pair<int32_t, int32_t>> only(const std::vector<GfxEvent>& events,
                                              std::vector<int32_t> kinds) {
    std::vector<std::pair<int32_t, int32_t>> kept;
    for (const GfxEvent& e : events)
        for (int32_t k : kinds)
            if (e.kind == k) kept.emplace_back(e.kind, e.data[0]);
    return kept;
}

// Puts `keysym` on a keycode that has none, unless some key already has it.
void mapKeysym(KeySym keysym) {
    Display* d = xDisplay();
    if (XKeysymToKeycode(d, keysym)) return;
    int low, high, perCode;
    XDisplayKeycodes(d, &low, &high);
    KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &perCode);
    for (int code = high; code >= low; --code) {
        bool empty = true;
        for (int i = 0; i < perCode; ++i)
            empty &= map[(code - low) * perCode + i] == NoSymbol;
        if (!empty) continue;
        XChangeKeyboardMapping(d, code, 1, &keysym, 1);
        break;
    }
    XFree(map);
    sync();
}

int threadCount() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks))
            if (entry->d_name[0] != '.') ++count;
        closedir(tasks);
    }
    return count;
}

class SdlWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("ZQGFX");
        ASSERT_NE(xDisplay(), nullptr) << "no X display";
    }
    void TearDown() override { gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE); }
    // A screen on the SDL driver whose window has the focus.
    void open(int32_t width, int32_t height, int32_t depth, int32_t flags = 0) {
        ASSERT_EQ(gfxScreenSize(width, height, depth, 1, flags, 0), 0);
        ASSERT_EQ(gfxMode->driver, &SDL_DRIVER);
        focus();
    }
    void focus() {
        xdotool("windowfocus --sync " + std::to_string(xWindow()));
        ASSERT_TRUE(waitFor([] { return gfxInput.active != 0; }));
        takeKeys();
        takeEvents();
    }
    // Waits until every line has gone to the window, then reads it back.
    static xwin::Shot shown() {
        gfxLock();
        gfxUnlock(0, -1);
        waitFor([] { return !lineDirty(gfxMode->height - 1); });
        sync();
        return xwin::readWindow(xDisplay(), xWindow());
    }
};

// The colour the window must show for a framebuffer pixel, as 0xRRGGBB.
uint32_t expectedColour(uint32_t pixel) {
    switch (gfxMode->depth) {
    case 16:
        return ((pixel >> 11) << 19) | (((pixel >> 5) & 0x3F) << 10) | ((pixel & 0x1F) << 3);
    case 32:
        return pixel & 0xFFFFFF;
    default: {
        uint32_t c = gfxMode->palette[pixel & gfxMode->colorMask]; // 0x00BBGGRR
        return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    }
}

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

TEST_F(SdlWindow, DepthsAndLineMultiplierReadBackExactly) {
    struct Case {
        int32_t mode, width, height, depth;
    };
    const Case cases[] = {{0, 160, 100, 8}, {0, 160, 100, 16}, {0, 160, 100, 32}, {8, 0, 0, 0}};
    for (const Case& c : cases) {
        if (c.mode)
            ASSERT_EQ(gfxScreen(c.mode, 0, 0, 0, 0), 0);
        else
            ASSERT_EQ(gfxScreenSize(c.width, c.height, c.depth, 1, 0, 0), 0);
        ASSERT_EQ(gfxMode->driver, &SDL_DRIVER);
        fillPattern();
        xwin::Shot shot = shown();
        int32_t multiplier = gfxMode->lineMultiplier;
        ASSERT_EQ(shot.width, gfxMode->width);
        ASSERT_EQ(shot.height, gfxMode->height * multiplier);
        int differing = 0;
        for (int32_t y = 0; y < shot.height; ++y)
            for (int32_t x = 0; x < shot.width; ++x)
                differing += shot.at(x, y) != expectedColour(pixelAt(x, y / multiplier));
        EXPECT_EQ(differing, 0) << "depth " << gfxMode->depth << ", multiplier " << multiplier;
    }
}

TEST_F(SdlWindow, OnlyDirtyLinesAreConverted) {
    open(64, 32, 32);
    shown();
    // Line 5 changes without a mark, line 9 with one.
    gfxLock();
    auto* line5 = reinterpret_cast<uint32_t*>(gfxMode->framebuffer + 5 * gfxMode->pitch);
    auto* line9 = reinterpret_cast<uint32_t*>(gfxMode->framebuffer + 9 * gfxMode->pitch);
    line5[3] = 0x123456;
    line9[3] = 0x654321;
    gfxUnlock(9, 9);
    ASSERT_TRUE(waitFor([] { return !lineDirty(9); }));
    sync();
    xwin::Shot shot = xwin::readWindow(xDisplay(), xWindow());
    EXPECT_EQ(shot.at(3, 9), 0x654321u);
    EXPECT_EQ(shot.at(3, 5), 0u) << "an unmarked line was converted";
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
        xwin::Shot s = xwin::readWindow(xDisplay(), xWindow());
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < s.width; ++x)
                torn += s.at(x, y) != s.at(0, 0);
    }
    EXPECT_EQ(torn, 0);
}

TEST_F(SdlWindow, FullScreenLetterboxesThePicture) {
    open(640, 480, 32, SCRF_FULLSCREEN);
    fillPattern();
    xwin::Shot shot = shown();
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
    xdotool("key alt+Return");
    ASSERT_TRUE(waitFor([] { return !(sdlState.flags & SCRF_FULLSCREEN); }));
    EXPECT_TRUE(waitFor([] {
        xwin::Shot s = xwin::readWindow(xDisplay(), xWindow());
        return s.width == 640 && s.height == 480;
    }));
}

TEST_F(SdlWindow, CaptionPositionAndFixedScreens) {
    open(160, 100, 8, SCRF_FIXED);
    SDL_DRIVER.setCaption("zq caption");
    int before = SDL_DRIVER.moveWindow(SDL_MOVE_KEEP, 100);
    sync();
    char* name = nullptr;
    XFetchName(xDisplay(), xWindow(), &name);
    EXPECT_STREQ(name, "zq caption");
    XFree(name);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(xDisplay(), xWindow(), DefaultRootWindow(xDisplay()), 0, 0, &x, &y,
                          &child);
    EXPECT_EQ(x, before & 0xFFFF) << "the left edge stays";
    EXPECT_EQ(y, 100);
    EXPECT_EQ(SDL_DRIVER.moveWindow(SDL_MOVE_KEEP, SDL_MOVE_KEEP), (100 << 16) | x);

    // A fixed screen stays a window on ALT+ENTER.
    xdotool("key alt+Return");
    EXPECT_FALSE(sdlState.flags & SCRF_FULLSCREEN);
    EXPECT_EQ(xwin::readWindow(xDisplay(), xWindow()).width, 160);
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

TEST_F(SdlWindow, HundredOpenCloseCyclesLeaveNoThread) {
    int before = threadCount();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(gfxScreenSize(32, 16, 8, 1, 0, 0), 0) << i;
        ASSERT_EQ(gfxMode->driver, &SDL_DRIVER);
        gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE);
    }
    EXPECT_EQ(threadCount(), before);
}

TEST_F(SdlWindow, KeysReachInkeyWithTheWindowsCodes) {
    open(160, 100, 8);
    for (const windowcases::KeyCase& k : windowcases::KEY_CASES) {
        std::string keys;
        if (k.held & windowcases::HOLD_SHIFT) keys += "shift+";
        if (k.held & windowcases::HOLD_CTRL) keys += "ctrl+";
        if (k.held & windowcases::HOLD_ALT) keys += "alt+";
        xdotool("key " + keys + k.keysym);
        EXPECT_EQ(takeKeys(), std::vector<int32_t>{k.code}) << keys << k.keysym;
    }
    // The character's key exists on the keyboard before it is pressed, so
    // the press does not race a keyboard remapping.
    mapKeysym(XStringToKeysym("eacute"));
    xdotool("key eacute");
    EXPECT_EQ(takeKeys(), std::vector<int32_t>{windowcases::E_ACUTE_CP437});

    // Faster than the program reads: the newest 15 stay.
    xdotool("type --delay 1 abcdefghijklmnopqrstuvwxyzabcdefghijklmn");
    std::vector<int32_t> keys = takeKeys();
    ASSERT_EQ(keys.size(), 15u);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(keys[i], 'a' + (25 + i) % 26) << i;
}

TEST_F(SdlWindow, KeyEventsHeldKeysAndFocus) {
    open(160, 100, 8);
    xdotool("keydown a");
    EXPECT_TRUE(waitFor([] { return gfxIsKeyDown(0x1E) == -1; }));
    xdotool("keyup a key F2 F10 alt");
    EXPECT_TRUE(waitFor([] { return gfxIsKeyDown(0x1E) == 0; }));
    std::vector<GfxEvent> events = takeEvents();
    ASSERT_EQ(events.size(), 4u) << "F10 and ALT alone give no event";
    const int32_t expected[4][3] = {{EV_KEY_DOWN, 0x1E, 'a'},
                                    {EV_KEY_UP, 0x1E, 'a'},
                                    {EV_KEY_DOWN, 0x3C, 0},
                                    {EV_KEY_UP, 0x3C, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(events[i].kind, expected[i][0]) << i;
        EXPECT_EQ(events[i].data[0], expected[i][1]) << i;
        EXPECT_EQ(events[i].data[1], expected[i][2]) << i;
    }
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{'a', 0x3CFF, 0x44FF}));

    // Both shift keys' scancodes follow either shift key.
    xdotool("keydown Shift_R");
    EXPECT_TRUE(waitFor([] { return gfxIsKeyDown(0x2A) == -1 && gfxIsKeyDown(0x36) == -1; }));

    // Focus elsewhere: the held keys are forgotten and focus loss is posted.
    Window other =
        XCreateSimpleWindow(xDisplay(), DefaultRootWindow(xDisplay()), 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(xDisplay(), other);
    sync();
    XSetInputFocus(xDisplay(), other, RevertToParent, CurrentTime);
    XSync(xDisplay(), False);
    EXPECT_TRUE(waitFor([] { return gfxInput.active == 0; }));
    EXPECT_EQ(gfxIsKeyDown(0x36), 0);
    xdotool("keyup Shift_R");
    EXPECT_EQ(only(takeEvents(), {EV_FOCUS_LOST, EV_FOCUS_GAINED}),
              (std::vector<std::pair<int32_t, int32_t>>{{EV_FOCUS_LOST, 0}}));
    int32_t x, y, wheel, buttons, clip;
    EXPECT_EQ(SDL_DRIVER.readMouse(&x, &y, &wheel, &buttons, &clip), -1) << "inactive";
    XDestroyWindow(xDisplay(), other);
    focus();
}

TEST_F(SdlWindow, PointerButtonsAndWheels) {
    xdotool("mousemove 0 0"); // outside the window that opens centred
    open(160, 100, 8);
    std::string window = std::to_string(xWindow());
    // The first motion only records; the next one while untracked enters
    // (the pointer may cross and move in one or two steps).
    xdotool("mousemove --window " + window + " 40 30");
    EXPECT_TRUE(takeEvents().empty()) << "the first motion only records";
    xdotool("mousemove --window " + window + " 41 30");
    xdotool("mousemove --window " + window + " 44 28");
    std::vector<GfxEvent> events = takeEvents();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front().kind, EV_POINTER_ENTER);
    const GfxEvent& last = events.back();
    EXPECT_EQ(last.kind, EV_POINTER_MOVE);
    EXPECT_EQ(last.data[0], 44);
    EXPECT_EQ(last.data[1], 28);
    EXPECT_EQ(last.data[2], 3);
    EXPECT_EQ(last.data[3], -2);
    int32_t x, y, wheel, buttons, clip;
    EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), 0);
    EXPECT_EQ(x, 44);
    EXPECT_EQ(y, 28);

    xdotool("mousedown 1 mousedown 3 mouseup 1 mouseup 3 click --repeat 2 --delay 50 2 "
            "mousedown 8 mouseup 8 mousedown 9 mouseup 9 click 4 click 4 click 5 click 6");
    using Pairs = std::vector<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(
        only(takeEvents(), {EV_BUTTON_DOWN, EV_BUTTON_UP, EV_BUTTON_DOUBLE, EV_WHEEL, EV_HWHEEL}),
        (Pairs{{EV_BUTTON_DOWN, BTN_LEFT},
               {EV_BUTTON_DOWN, BTN_RIGHT},
               {EV_BUTTON_UP, BTN_LEFT},
               {EV_BUTTON_UP, BTN_RIGHT},
               {EV_BUTTON_DOWN, BTN_MIDDLE},
               {EV_BUTTON_UP, BTN_MIDDLE},
               {EV_BUTTON_DOUBLE, BTN_MIDDLE},
               {EV_BUTTON_UP, BTN_MIDDLE},
               {EV_BUTTON_DOWN, BTN_EXTRA1},
               {EV_BUTTON_UP, BTN_EXTRA1},
               {EV_BUTTON_DOWN, BTN_EXTRA2},
               {EV_BUTTON_UP, BTN_EXTRA2},
               {EV_WHEEL, 1},
               {EV_WHEEL, 2},
               {EV_WHEEL, 1},
               {EV_HWHEEL, -1}}));
    EXPECT_EQ(gfxInput.buttons, 0);

    // Out of the window: a leave event, and no mouse for the program.
    xdotool("mousemove 1000 900");
    EXPECT_EQ(only(takeEvents(), {EV_POINTER_LEAVE}), (Pairs{{EV_POINTER_LEAVE, 0}}));
    EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), 1);
    EXPECT_EQ(x, -1);

    // The program moves the pointer: clamped on the screen, stored as asked.
    EXPECT_EQ(gfxSetMouse(5000, 20, -1, -1), 0);
    EXPECT_EQ(gfxInput.x, 5000);
    sync();
    Window root, child;
    int rootX, rootY, winX, winY;
    unsigned mask;
    XQueryPointer(xDisplay(), xWindow(), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
    EXPECT_EQ(winX, 159);
    EXPECT_EQ(winY, 20);
}

TEST_F(SdlWindow, CloseButtonPostsTheCloseKeyAndKeepsTheWindow) {
    open(160, 100, 8);
    ASSERT_TRUE(xwin::sendClose(xDisplay(), xWindow()));
    sync();
    EXPECT_EQ(takeKeys(), std::vector<int32_t>{KEY_WINDOW_CLOSE});
    EXPECT_EQ(only(takeEvents(), {EV_CLOSE_REQUEST}).size(), 1u);
    EXPECT_NE(sdlState.window, nullptr);
    xwin::sendClose(xDisplay(), xWindow());
    EXPECT_EQ(gfxWaitKey(), KEY_WINDOW_CLOSE);
}

} // namespace
