// The key ring, the event queue and the input hooks on graphics screens,
// with keys and events posted from other threads as the window thread does.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "gfx/console/input.h"
#include "gfx/core/gfx_test_support.h"
#include "gfx/core/lock.h"
#include "gfx/display/input.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

using namespace gfxtest;

namespace {

// The text of an INKEY result; releases the temporary.
std::string inkey() {
    StringDescriptor* s = rtInkey();
    std::string text = s && s->data ? std::string(s->data, static_cast<size_t>(strLength(s))) : "";
    strDelete(s);
    return text;
}

std::string extended(char scan) {
    return std::string("\xFF") + scan;
}

// A driver with a mouse. readMouse reports `mouseResult`; a lock count
// shows that the framebuffer lock brackets each call.
struct MouseDriver {
    static inline int32_t mouseResult = 0;
    static inline int32_t lockDepth = 0;
    static inline int32_t lockedCalls = 0;
    static inline std::vector<std::string> moves;

    static int32_t open(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, GfxDisplayInfo*) {
        return 0;
    }
    static void lock() { ++lockDepth; }
    static void unlock() { --lockDepth; }
    static int32_t readMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons,
                             int32_t* clip) {
        lockedCalls += lockDepth > 0;
        *x = 17, *y = 23, *wheel = 4, *buttons = BTN_LEFT | BTN_MIDDLE, *clip = 1;
        return mouseResult;
    }
    static void moveMouse(int32_t x, int32_t y, int32_t visibility, int32_t clip) {
        lockedCalls += lockDepth > 0;
        moves.push_back(std::to_string(x) + "," + std::to_string(y) + "," +
                        std::to_string(visibility) + "," + std::to_string(clip));
    }
};
const GfxDriver MOUSE_DRIVER = [] {
    GfxDriver d{};
    d.name = "Mouse";
    d.open = MouseDriver::open;
    d.lock = MouseDriver::lock;
    d.unlock = MouseDriver::unlock;
    d.readMouse = MouseDriver::readMouse;
    d.moveMouse = MouseDriver::moveMouse;
    return d;
}();
const GfxDriver* const MOUSE_LIST[] = {&MOUSE_DRIVER, nullptr};

// Every test starts with an empty key ring and a cleared arrival flag.
class Input : public GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        drainKeys();
    }
    void TearDown() override {
        drainKeys();
        GfxTest::TearDown();
    }
    static void drainKeys() {
        for (int i = 0; i < KEY_BUFFER_SLOTS && gfxTakeKey() != 0; ++i) {
        }
        gfxTakeKeyArrived();
    }
    static void openMouse() {
        gfxDriverList = MOUSE_LIST;
        MouseDriver::mouseResult = 0;
        MouseDriver::lockedCalls = 0;
        MouseDriver::moves.clear();
        ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
        ASSERT_EQ(gfxMode->driver, &MOUSE_DRIVER);
    }
    // Seconds taken by SLEEP ms while `post` runs on another thread.
    template <typename Post> static double timedSleep(int32_t ms, Post post) {
        double start = rtTimer();
        std::thread poster(post, start);
        rtSleep(ms);
        double elapsed = rtTimer() - start;
        poster.join();
        return elapsed;
    }
};

TEST_F(Input, TheHooksReachTheKeyRingOnlyWhileAScreenIsOpen) {
    openNull(13);
    EXPECT_EQ(rtState.hooks.readKey, gfxReadKey);
    EXPECT_EQ(rtState.hooks.sleep, gfxSleep);
    EXPECT_EQ(rtState.hooks.isKeyDown, gfxIsKeyDown);
    gfxCloseAtExit();
    EXPECT_EQ(rtState.hooks.readKey, nullptr);
    gfxPostKey('q');
    // Without a screen the hooks answer as if nothing were buffered.
    EXPECT_EQ(gfxReadKey(), &rtState.nullString);
    EXPECT_EQ(gfxWaitKey(), 0);
    EXPECT_EQ(gfxIsKeyDown(16), 0);
    // The key ring belongs to the process: the key is still there.
    openNull(12);
    EXPECT_EQ(rtKeyHit(), 1);
    EXPECT_EQ(inkey(), "q");
    EXPECT_EQ(rtKeyHit(), 0);
}

TEST_F(Input, SixteenKeysLeaveTheLastFifteen) {
    openNull(13);
    for (int32_t code = 1; code <= 16; ++code)
        gfxPostKey('@' + code);
    for (int32_t code = 2; code <= 16; ++code)
        EXPECT_EQ(inkey(), std::string(1, static_cast<char>('@' + code)));
    EXPECT_EQ(inkey(), "");
    // The ring keeps working after wrapping around many times.
    for (int32_t code = 1; code <= 40; ++code)
        gfxPostKey(code);
    EXPECT_EQ(gfxWaitKey(), 26);
}

// Typed text arrives in code page 437; a typed picture of a control byte is a
// character the page lacks, never the control's key.
TEST_F(Input, TypedTextInCodePage437) {
    openNull(13);
    gfxTextInput("\u00e9\u2190\u263aA\x1b");
    for (const char* expected : {"\x82", "?", "?", "A", "\x1b"})
        EXPECT_EQ(inkey(), expected);
}

TEST_F(Input, KeyStrings) {
    openNull(13);
    struct Case {
        int32_t code;
        std::string text;
    } cases[] = {
        {0x4BFF, extended('K')},
        {256, extended('k')},
        {257, extended('H')},
        {266, extended('Q')},
        {267, extended(';')},
        {275, extended('C')},
        {276, extended('D')},
        {300, extended('D')},
        {0x4B00, extended('D')},
        {0x12345FF, extended('\x45')},
        {255, "\xFF"},
        {200, "\xC8"},
        {1, "\x01"},
        {-1, ""},
        {INT32_MIN, ""},
        {INT32_MAX, extended('\xFF')},
    };
    for (const Case& c : cases) {
        gfxPostKey(c.code);
        EXPECT_EQ(inkey(), c.text) << "code " << c.code;
        EXPECT_EQ(rtKeyHit(), 0);
    }
}

TEST_F(Input, TheCloseKeyEndsSleepAndReadsBackAsTheCloseScancode) {
    openNull(21);
    double posted = 0;
    double elapsed = timedSleep(-1, [&](double start) {
        rtDelay(120);
        posted = rtTimer() - start;
        gfxPostKey(KEY_WINDOW_CLOSE);
    });
    double late = elapsed - posted;
    std::printf("SLEEP -1 returned %.1f ms after the close key\n", late * 1000);
    // SLEEP looks every 50 ms; allow the scheduler some slack on a loaded machine.
    EXPECT_GE(late, 0.0);
    EXPECT_LT(late, 0.050 + 0.040);
    // The key that ended the SLEEP is still there.
    EXPECT_EQ(inkey(), extended('k'));
    gfxPostKey(KEY_WINDOW_CLOSE);
    EXPECT_EQ(rtWaitKey(), 0x6BFF);
    EXPECT_EQ(rtKeyHit(), 0);
}

TEST_F(Input, ShortSleepsIgnoreKeys) {
    openNull(13);
    gfxPostKey('x');
    double start = rtTimer();
    rtSleep(80);
    EXPECT_GE(rtTimer() - start, 0.075);
    // A zero or negative (other than -1) SLEEP returns at once.
    start = rtTimer();
    rtSleep(0);
    rtSleep(-2);
    rtSleep(INT32_MIN);
    EXPECT_LT(rtTimer() - start, 0.040);
    EXPECT_EQ(inkey(), "x");
}

TEST_F(Input, LongSleepEndsAtTheStepAfterAKey) {
    openNull(13);
    double posted = 0;
    double elapsed = timedSleep(1000, [&](double start) {
        rtDelay(120);
        posted = rtTimer() - start;
        gfxPostKey('k');
    });
    std::printf("SLEEP 1000 returned after %.1f ms, key at %.1f ms\n", elapsed * 1000,
                posted * 1000);
    EXPECT_GE(elapsed, posted);
    EXPECT_LT(elapsed - posted, 0.050 + 0.040);
    EXPECT_EQ(inkey(), "k");
    // A key buffered before SLEEP starts ends it at its first look.
    gfxPostKey('m');
    double start = rtTimer();
    rtSleep(1000);
    EXPECT_LT(rtTimer() - start, 0.040);
    // The flag is spent: the key stays but the next SLEEP waits its time.
    start = rtTimer();
    rtSleep(120);
    EXPECT_GE(rtTimer() - start, 0.110);
    EXPECT_EQ(inkey(), "m");
}

TEST_F(Input, TakingAKeyClearsTheArrivalFlag) {
    openNull(13);
    gfxPostKey('a');
    gfxPostKey('b');
    EXPECT_EQ(gfxTakeKey(), 'a');
    EXPECT_EQ(gfxTakeKeyArrived(), 0);
    EXPECT_EQ(gfxKeyAvailable(), 1);
    EXPECT_EQ(gfxTakeKey(), 'b');
    EXPECT_EQ(gfxTakeKey(), 0);
    gfxPostKey('c');
    EXPECT_EQ(gfxTakeKeyArrived(), 1);
    EXPECT_EQ(gfxTakeKeyArrived(), 0);
    // The lock counts nested takes: a take inside a held lock works.
    gfxLock();
    EXPECT_EQ(gfxTakeKey(), 'c');
    EXPECT_EQ(gfxMode->lockCount, 1);
    gfxUnlock(1, 0);
    EXPECT_EQ(gfxMode->lockCount, 0);
}

TEST_F(Input, KeyWaitSleepsUntilAnotherThreadPosts) {
    openNull(13);
    std::thread poster([] {
        rtDelay(60);
        gfxPostKey(0x48FF);
    });
    EXPECT_EQ(rtWaitKey(), 0x48FF);
    poster.join();
}

TEST_F(Input, KeysFasterThanReadDropButKeepTheirOrder) {
    openNull(13);
    constexpr int32_t COUNT = 20000;
    std::atomic<bool> done{false};
    std::thread poster([&] {
        for (int32_t code = 1; code <= COUNT; ++code)
            gfxPostKey(code);
        done = true;
    });
    int32_t last = 0, taken = 0;
    bool ordered = true;
    for (;;) {
        bool finished = done;
        int32_t code = gfxTakeKey();
        if (code == 0) {
            if (finished) break;
            continue;
        }
        ordered = ordered && code > last && code <= COUNT;
        last = code;
        ++taken;
    }
    poster.join();
    EXPECT_TRUE(ordered);
    EXPECT_GT(taken, 0);
    EXPECT_EQ(last, COUNT); // the newest key is never dropped
}

TEST_F(Input, TheEventRingKeepsTheLast127) {
    openNull(13);
    for (int32_t i = 1; i <= 128; ++i) {
        GfxEvent e = {EV_POINTER_MOVE, {i, -i, 0, 0}};
        gfxPostEvent(&e);
    }
    GfxEvent e;
    for (int32_t i = 2; i <= 128; ++i) {
        ASSERT_EQ(gfxTakeEvent(&e), 1);
        EXPECT_EQ(e.kind, EV_POINTER_MOVE);
        EXPECT_EQ(e.data[0], i);
        EXPECT_EQ(e.data[1], -i);
    }
    EXPECT_EQ(gfxTakeEvent(&e), 0);
    gfxPostEvent(nullptr);
    EXPECT_EQ(gfxTakeEvent(&e), 0);
    // Events belong to the screen: none survive a mode change, none are
    // taken without a screen, and posting then is harmless.
    GfxEvent close = {EV_CLOSE_REQUEST, {0, 0, 0, 0}};
    gfxPostEvent(&close);
    openNull(12);
    EXPECT_EQ(gfxTakeEvent(&e), 0);
    gfxCloseAtExit();
    gfxPostEvent(&close);
    EXPECT_EQ(gfxTakeEvent(&e), 0);
}

TEST_F(Input, EventsFromAnotherThreadArriveWholeAndInOrder) {
    openNull(13);
    constexpr int32_t COUNT = 3000;
    std::atomic<bool> done{false};
    std::thread poster([&] {
        for (int32_t i = 1; i <= COUNT; ++i) {
            GfxEvent e = {EV_KEY_DOWN, {i, i * 3, ~i, i ^ 0x5A5A}};
            gfxPostEvent(&e);
        }
        done = true;
    });
    int32_t last = 0;
    bool whole = true, ordered = true;
    GfxEvent e;
    for (;;) {
        bool finished = done;
        if (!gfxTakeEvent(&e)) {
            if (finished) break;
            continue;
        }
        int32_t i = e.data[0];
        whole = whole && e.kind == EV_KEY_DOWN && e.data[1] == i * 3 && e.data[2] == ~i &&
                e.data[3] == (i ^ 0x5A5A);
        ordered = ordered && i > last;
        last = i;
    }
    poster.join();
    EXPECT_TRUE(whole);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(last, COUNT);
}

TEST_F(Input, KeyHeldTestReadsTheKeyStateArray) {
    openNull(13);
    gfxMode->keyState[0x1E] = 1;
    gfxMode->keyState[127] = 0x80;
    EXPECT_EQ(gfxIsKeyDown(0x1E), -1);
    EXPECT_EQ(gfxIsKeyDown(127), -1);
    EXPECT_EQ(gfxIsKeyDown(0x1F), 0);
    EXPECT_EQ(gfxIsKeyDown(128), 0);
    EXPECT_EQ(gfxIsKeyDown(-1), 0);
    EXPECT_EQ(gfxIsKeyDown(INT32_MIN), 0);
    EXPECT_EQ(gfxIsKeyDown(INT32_MAX), 0);
}

TEST_F(Input, MouseQueryWithoutAMouseGivesMinusOneEverywhere) {
    int32_t v[5] = {5, 5, 5, 5, 5};
    rtSetError(RT_OK);
    gfxGetMouse(&v[0], &v[1], &v[2], &v[3], &v[4]); // no screen
    for (int32_t x : v)
        EXPECT_EQ(x, -1);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);

    openNull(13); // the Null driver has no mouse
    std::fill(v, v + 5, 5);
    rtSetError(RT_OK);
    EXPECT_EQ(gfxGetMouse(&v[0], &v[1], &v[2], &v[3], &v[4]), RT_ERR_ILLEGAL_CALL);
    for (int32_t x : v)
        EXPECT_EQ(x, -1);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
    rtSetError(RT_OK);
    EXPECT_EQ(gfxSetMouse(1, 2, 1, 0), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
}

TEST_F(Input, MouseQueryThroughTheDriver) {
    openMouse();
    int32_t x = 0, y = 0, wheel = 0, buttons = 0, clip = 0;
    rtSetError(RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), RT_OK);
    EXPECT_EQ(rtGetError(), RT_OK);
    EXPECT_EQ(x, 17);
    EXPECT_EQ(y, 23);
    EXPECT_EQ(wheel, 4);
    EXPECT_EQ(buttons, BTN_LEFT | BTN_MIDDLE);
    EXPECT_EQ(clip, 1);
    // The optional outputs may be absent.
    x = y = 0;
    EXPECT_EQ(gfxGetMouse(&x, &y, nullptr, nullptr, nullptr), RT_OK);
    EXPECT_EQ(x, 17);
    EXPECT_EQ(y, 23);
    // The pointer outside the window: the driver fails.
    MouseDriver::mouseResult = -1;
    EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
    for (int32_t v : {x, y, wheel, buttons, clip})
        EXPECT_EQ(v, -1);
    EXPECT_EQ(gfxGetMouse(nullptr, nullptr, nullptr, nullptr, nullptr), RT_ERR_ILLEGAL_CALL);

    EXPECT_EQ(gfxSetMouse(320, 100, 0, 1), RT_OK);
    EXPECT_EQ(rtGetError(), RT_OK);
    ASSERT_EQ(MouseDriver::moves.size(), 1u);
    EXPECT_EQ(MouseDriver::moves[0], "320,100,0,1");
    EXPECT_EQ(MouseDriver::lockedCalls, 5); // every driver call under the lock
    EXPECT_EQ(MouseDriver::lockDepth, 0);
}

} // namespace
