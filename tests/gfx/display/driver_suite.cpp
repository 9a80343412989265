// One conformance suite for every display driver: the same cases against each
// driver of the platform, on real windows (GDI, DirectX and OpenGL under
// Wine, SDL on X). A driver's row says what it can; the platform's side
// (reading the window back, input, focus, counts) is the host's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/console/input.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "runtime/platform.h"
#include "runtime/strings.h"
#include "suite_host.h"

namespace {

enum : uint32_t {
    PICTURE = 1, // shows the framebuffer (OpenGL's program draws with OpenGL)
    // 5-6-5 goes to a 5-5-5 device bitmap (green loses its low bit), which the
    // platform widens by repeating each value's top bits; otherwise to a
    // 32-bit surface, each value at the top of its byte and zeros below.
    WIDENS_555 = 2,
    BOTH_SHIFTS = 4, // key states by virtual key: either shift holds both
                     // scancodes (DirectInput's are by scancode)
    WARPS = 8,       // the program's mouse placement moves the pointer (a page
                     // cannot)
};

struct DriverCase {
    const char* name; // ZQGFX value and the driver's name
    const char* platform;
    int32_t flags; // added to every open
    uint32_t can;
};

const DriverCase DRIVERS[] = {
    {"GDI", "win32", 0, PICTURE | WIDENS_555 | BOTH_SHIFTS | WARPS},
    {"DirectX", "win32", 0, PICTURE | WARPS},
    {"OpenGL", "win32", SCRF_OPENGL, BOTH_SHIFTS | WARPS},
    {"SDL", "x11", 0, PICTURE | BOTH_SHIFTS | WARPS},
    {"Canvas", "web", 0, PICTURE | BOTH_SHIFTS},
};

using host::Key;
const Key SHIFT{0x10, "shift"}, CTRL{0x11, "ctrl"}, ALT{0x12, "alt"}, RIGHT_SHIFT{0xA1, "Shift_R"},
    RIGHT_CTRL{0xA3, "Control_R"}, A{'A', "a"}, ONE{'1', "1"}, ESCAPE{0x1B, "Escape"},
    RETURN{0x0D, "Return"}, F1{0x70, "F1"}, F2{0x71, "F2"}, F10{0x79, "F10"}, F11{0x7A, "F11"},
    F12{0x7B, "F12"}, LEFT{0x25, "Left"}, UP{0x26, "Up"}, RIGHT{0x27, "Right"};

// A key pressed with modifiers held (bits: shift, ctrl, alt) and the one key
// code INKEY then gets.
const struct {
    Key key;
    int held;
    int32_t code;
} KEY_CASES[] = {{A, 0, 'a'},      {A, 1, 'A'},       {A, 2, 1},          {A, 4, 0x1EFF},
                 {ESCAPE, 0, 27},  {RETURN, 0, 13},   {F1, 0, 0x3BFF},    {F1, 1, 0x54FF},
                 {F1, 2, 0x5EFF},  {F1, 4, 0x68FF},   {F10, 0, 0x44FF},   {F11, 0, 0x85FF},
                 {F12, 0, 0x86FF}, {LEFT, 0, 0x4BFF}, {RIGHT, 2, 0x74FF}, {RIGHT, 4, 0x9DFF},
                 {UP, 0, 0x48FF},  {ONE, 4, 0x78FF}};

struct Screen {
    int32_t mode, width, height, depth;
};
// 8 bits at a width that is no multiple of 4, 16 and 32 bits, and 640 x 200
// shown as 640 x 400.
const Screen PICTURES[] = {{0, 158, 100, 8}, {0, 160, 100, 16}, {0, 160, 100, 32}, {8, 0, 0, 0}};
const Screen WINDOW = {0, 160, 100, 32};

template <typename F> bool waitFor(F done) {
    for (double end = rtTimer() + 3; rtTimer() < end; host::sync())
        if (done()) return true;
    return done();
}

host::Strokes taps(const std::vector<Key>& keys) {
    host::Strokes strokes;
    for (const Key& k : keys)
        strokes.insert(strokes.end(), {{k, true}, {k, false}});
    return strokes;
}

// Events as text: "enter move(44,28,3,-2)", the words that carry meaning.
std::string eventText(const GfxEvent& e) {
    static const char* const NAMES[] = {"none",       "key-down",    "key-up",    "key-repeat",
                                        "move",       "button-down", "button-up", "double",
                                        "wheel",      "enter",       "leave",     "focus-gained",
                                        "focus-lost", "close",       "hwheel"};
    static const int WORDS[] = {0, 2, 2, 2, 4, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1};
    std::string text = e.kind >= 0 && e.kind <= EV_HWHEEL ? NAMES[e.kind] : "?";
    for (int i = 0; e.kind >= 0 && e.kind <= EV_HWHEEL && i < WORDS[e.kind]; ++i)
        text += (i ? "," : "(") + std::to_string(e.data[i]) + (i + 1 == WORDS[e.kind] ? ")" : "");
    return text;
}

class DriverSuite : public ::testing::TestWithParam<DriverCase> {
  protected:
    void TearDown() override { close(); }
    static void close() { gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE); }
    bool can(uint32_t what) const { return (GetParam().can & what) != 0; }

    // A screen on this row's driver; with `focus`, its window has the focus
    // and no key or event is left over.
    ::testing::AssertionResult open(const Screen& s, bool focus = true) {
        const DriverCase& d = GetParam();
        host::chooseDriver(d.name);
        if ((s.mode ? gfxScreen(s.mode, 0, 0, d.flags, 0)
                    : gfxScreenSize(s.width, s.height, s.depth, 1, d.flags, 0)) != 0 ||
            !gfxMode || std::strcmp(gfxMode->driver->name, d.name) != 0)
            return ::testing::AssertionFailure() << "no screen on " << d.name;
        shown.assign(static_cast<size_t>(gfxMode->width) * gfxMode->height, 0);
        if (!focus) return ::testing::AssertionSuccess();
        if (!host::focus(true)) return ::testing::AssertionFailure() << "no focus";
        keys(0);
        events({}, 0);
        return ::testing::AssertionSuccess();
    }

    // Calls `take` until it says enough (at most 3 s), then once more.
    template <typename F> static void gather(F take) {
        waitFor(take);
        host::sync();
        take();
    }

    // Keys until `count` have come, and those that follow at once.
    static std::vector<int32_t> keys(size_t count) {
        std::vector<int32_t> got;
        gather([&] {
            for (int32_t k; (k = gfxTakeKey()) != 0;)
                got.push_back(k);
            return got.size() >= count;
        });
        return got;
    }

    // The same for events of `kinds` (all when empty), as text.
    static std::string events(std::initializer_list<int32_t> kinds, size_t count) {
        std::string text;
        size_t n = 0;
        gather([&] {
            for (GfxEvent e; gfxTakeEvent(&e);)
                if (kinds.size() == 0 || std::count(kinds.begin(), kinds.end(), e.kind))
                    text += (n++ ? " " : "") + eventText(e);
            return n >= count;
        });
        return text;
    }

    // Lines first..last get a pattern (each pixel's bits from its place and a
    // seed); marked, they join the model of what the window must show.
    void draw(int32_t first, int32_t last, uint32_t seed, bool mark) {
        GfxMode* m = gfxMode;
        gfxLock();
        for (int32_t y = first; y <= last; ++y)
            for (int32_t x = 0; x < m->width; ++x) {
                uint32_t v = (static_cast<uint32_t>(x) * 0x9E3779B1u) ^ (y * 0x85EBCA77u) ^ seed;
                v = (v ^ (v >> 15)) * 0x2C1B3C6Du;
                v = m->depth <= 8 ? v & m->colorMask : m->depth == 16 ? v & 0xFFFF : v;
                std::memcpy(m->framebuffer + y * m->pitch + x * m->bytesPerPixel, &v,
                            static_cast<size_t>(m->bytesPerPixel));
                if (mark) shown[static_cast<size_t>(y) * m->width + x] = v;
            }
        mark ? gfxUnlock(first, last) : gfxUnlock(1, 0);
    }

    // The colour, 0xRRGGBB, the display shows for a stored value.
    uint32_t colour(uint32_t v) const {
        if (gfxMode->depth == 32) return v & 0xFFFFFF;
        if (gfxMode->depth != 16) {
            uint32_t p = gfxMode->palette[v]; // 0x00BBGGRR
            return (p & 0xFF) << 16 | (p & 0xFF00) | ((p >> 16) & 0xFF);
        }
        uint32_t r = v >> 11, g = (v >> 5) & 63, b = v & 31;
        if (!can(WIDENS_555)) return r << 19 | g << 10 | b << 3;
        auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
        return widen(r) << 16 | widen(g >> 1) << 8 | widen(b);
    }

    static int32_t multiplier() {
        return gfxMode->lineMultiplier > 1 ? gfxMode->lineMultiplier : 1;
    }

    // Display rows of `shot` for which `pick`(y) holds, as " 200-399 401".
    template <typename F> static std::string rows(const host::Shot& shot, F pick) {
        std::string text;
        for (int32_t y = 0, run = -1; y <= shot.height; ++y) {
            bool picked = y < shot.height && pick(y);
            if (picked && run < 0) run = y;
            if (picked || run < 0) continue;
            text += " " + std::to_string(run) + (y - 1 > run ? "-" + std::to_string(y - 1) : "");
            run = -1;
        }
        return text;
    }

    // The display rows that differ from the model; empty when none does.
    std::string difference(const host::Shot& shot) const {
        if (shot.width != gfxMode->width || shot.height != gfxMode->height * multiplier())
            return "a window of " + std::to_string(shot.width) + "x" + std::to_string(shot.height);
        return rows(shot, [&](int32_t y) {
            for (int32_t x = 0; x < shot.width; ++x)
                if (shot.at(x, y) != colour(shown[(y / multiplier()) * gfxMode->width + x]))
                    return true;
            return false;
        });
    }

    // Waits until the window shows the model (at most 3 s); what still differs.
    std::string waitShown() const {
        std::string left;
        waitFor([&] { return (left = difference(host::shoot())).empty(); });
        return left;
    }

    std::vector<uint32_t> shown; // the model: values per framebuffer pixel
};

// Each screen shows the pattern exactly; then lines change in the lower half
// only, and exactly their display rows change (two per line on the
// line-doubled screen): a line changed without a mark, below them, does not
// reach the window.
TEST_P(DriverSuite, ShowsEveryDepthExactlyAndOnlyMarkedLines) {
    if (!can(PICTURE)) GTEST_SKIP();
    for (const Screen& s : PICTURES) {
        SCOPED_TRACE(s.mode ? "screen " + std::to_string(s.mode)
                            : std::to_string(s.depth) + " bits");
        ASSERT_TRUE(open(s));
        const int32_t h = gfxMode->height, lines[] = {h * 3 / 4, h * 19 / 20};
        draw(0, h - 1, 1, true);
        EXPECT_EQ(waitShown(), "") << "rows differ from the picture";
        host::Shot before = host::shoot();
        for (int32_t line : lines)
            draw(line, line, 2, true);
        draw(h - 2, h - 2, 2, false);
        std::string expected = rows(before, [&](int32_t y) {
            return y / multiplier() == lines[0] || y / multiplier() == lines[1];
        });
        std::string changed;
        waitFor([&] {
            host::Shot now = host::shoot();
            changed =
                now.pixels.size() != before.pixels.size() ? "size" : rows(now, [&](int32_t y) {
                    auto row = now.pixels.begin() + y * now.width;
                    return !std::equal(row, row + now.width, before.pixels.begin() + y * now.width);
                });
            return changed == expected;
        });
        EXPECT_EQ(changed, expected) << "the display rows that changed";
        host::sync();
        EXPECT_EQ(difference(host::shoot()), "") << "rows differ a pass later";
        close();
    }
}

TEST_P(DriverSuite, KeysReachInkeyWithTheConsoleCodes) {
    ASSERT_TRUE(open(WINDOW));
    const Key* modifiers[] = {&SHIFT, &CTRL, &ALT};
    for (const auto& k : KEY_CASES) {
        host::Strokes strokes = {{k.key, true}, {k.key, false}};
        for (int i = 0; i < 3; ++i)
            if (k.held & (1 << i)) {
                strokes.insert(strokes.begin(), {*modifiers[i], true});
                strokes.push_back({*modifiers[i], false});
            }
        host::keys(strokes);
        EXPECT_EQ(keys(1), std::vector<int32_t>{k.code}) << k.key.keysym << " held " << k.held;
    }
    // INKEY's strings: the character, or 255 and the scancode.
    host::keys(taps({F1, {'Q', "q"}}));
    waitFor([] { return gfxKeyAvailable() != 0; });
    for (const char* expected : {"\xFF;", "q", ""}) {
        StringDescriptor* s = gfxReadKey();
        EXPECT_EQ(std::string(s->data ? s->data : "", static_cast<size_t>(strLength(s))), expected);
        strDelete(s);
    }
    // e-acute: 0x82 in code page 437. A character of no key goes through a
    // keymap change on some hosts, which a loaded machine can lose: once more.
    host::typeCharacter(0xE9);
    std::vector<int32_t> accented = keys(1);
    if (accented.empty()) {
        host::typeCharacter(0xE9);
        accented = keys(1);
    }
    EXPECT_EQ(accented, std::vector<int32_t>{0x82});

    // Faster than the program reads: the newest 15 stay.
    static char letters[26][2];
    std::vector<Key> typed;
    for (int i = 0; i < 40; ++i) {
        letters[i % 26][0] = static_cast<char>('a' + i % 26);
        typed.push_back({static_cast<uint8_t>('A' + i % 26), letters[i % 26]});
    }
    host::keys(taps(typed));
    std::vector<int32_t> newest = keys(15);
    ASSERT_EQ(newest.size(), 15u);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(newest[i], 'a' + (25 + i) % 26) << i;
}

// Held keys (extended ones as their base scancode) are forgotten when the
// focus goes: then the mouse query says inactive, though the pointer is in.
TEST_P(DriverSuite, KeyEventsHeldKeysAndFocusLoss) {
    ASSERT_TRUE(open(WINDOW));
    // F10 and ALT alone give no event.
    host::keys(taps({A, F2, F10, ALT}));
    EXPECT_EQ(events({}, 4), "key-down(30,97) key-up(30,97) key-down(60,0) key-up(60,0)");
    EXPECT_EQ(keys(3), (std::vector<int32_t>{'a', 0x3CFF, 0x44FF}));

    const Key held[] = {A, UP, RIGHT_CTRL, RIGHT_SHIFT};
    auto down = [](std::vector<int32_t> scans) {
        for (int32_t& scan : scans)
            scan = gfxIsKeyDown(scan);
        return scans;
    };
    host::pointerTo(20, 20);
    for (const Key& k : held)
        host::keys({{k, true}});
    EXPECT_TRUE(waitFor([&] {
        return down({0x1E, 0x48, 0x1D, 0x36}) == std::vector<int32_t>(4, -1);
    }));
    if (can(BOTH_SHIFTS)) {
        EXPECT_EQ(gfxIsKeyDown(0x2A), -1);
    }
    int32_t x, y, wheel, buttons, clip;
    EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), 0) << "inside, active";
    ASSERT_TRUE(host::focus(false));
    EXPECT_EQ(down({0x1E, 0x48, 0x1D, 0x36, 0x2A}), std::vector<int32_t>(5, 0));
    for (const Key& k : held)
        host::keys({{k, false}});
    EXPECT_EQ(events({EV_FOCUS_LOST, EV_FOCUS_GAINED}, 1), "focus-lost");
    EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), 1) << "inactive";
}

TEST_P(DriverSuite, PointerEventsAndTheMouseQuery) {
    host::pointerTo(0, 0); // away from the window about to open
    ASSERT_TRUE(open(WINDOW));
    host::pointerTo(40, 30);
    EXPECT_EQ(events({}, 0), "") << "the first motion only records";
    host::pointerTo(41, 30);
    host::pointerTo(44, 28);
    // The deltas are screen pixels.
    EXPECT_EQ(events({}, 2), "enter move(44,28," + std::to_string(3 * host::scale()) + "," +
                                 std::to_string(-2 * host::scale()) + ")");
    int32_t x, y, wheel, buttons, clip;
    auto query = [&] {
        return std::vector<int32_t>{gfxGetMouse(&x, &y, &wheel, &buttons, &clip), x, y, buttons};
    };
    EXPECT_EQ(query(), (std::vector<int32_t>{0, 44, 28, 0}));

    host::button(BTN_LEFT, true);
    EXPECT_TRUE(waitFor([&] { return query() == std::vector<int32_t>{0, 44, 28, BTN_LEFT}; }));
    // Then a double click in the middle, the extra buttons overlapping.
    const std::pair<int32_t, bool> clicks[] = {{BTN_RIGHT, 1},  {BTN_LEFT, 0},   {BTN_RIGHT, 0},
                                               {BTN_MIDDLE, 1}, {BTN_MIDDLE, 0}, {BTN_MIDDLE, 1},
                                               {BTN_MIDDLE, 0}, {BTN_EXTRA2, 1}, {BTN_EXTRA1, 1},
                                               {BTN_EXTRA2, 0}, {BTN_EXTRA1, 0}};
    for (const auto& [id, down] : clicks)
        host::button(id, down);
    for (int32_t step : {1, 1, -1})
        host::wheel(step, false);
    host::wheel(-1, true);
    EXPECT_EQ(events({EV_BUTTON_DOWN, EV_BUTTON_UP, EV_BUTTON_DOUBLE, EV_WHEEL, EV_HWHEEL}, 16),
              "button-down(1) button-down(2) button-up(1) button-up(2) button-down(4) "
              "button-up(4) double(4) button-up(4) button-down(16) button-down(8) button-up(16) "
              "button-up(8) wheel(1) wheel(2) wheel(1) hwheel(-1)");
    EXPECT_EQ(query(), (std::vector<int32_t>{0, 44, 28, 0}));
    EXPECT_EQ(wheel, 1);

    // Out of the window: a leave event, and no mouse for the program.
    host::pointerTo(-30, -30);
    EXPECT_EQ(events({EV_POINTER_LEAVE, EV_POINTER_ENTER}, 1), "leave");
    EXPECT_EQ(query(), (std::vector<int32_t>{1, -1, -1, -1}));

    // The program places the pointer: clamped to the window, stored as asked;
    // then it hides the pointer only, shows and confines it, releases it.
    EXPECT_EQ(gfxSetMouse(5000, -20, -1, -1), 0);
    host::storedMouse(&x, &y);
    EXPECT_EQ(std::vector<int32_t>({x, y}), std::vector<int32_t>({5000, -20}));
    // Where the program cannot move the pointer, the user brings it back.
    if (!can(WARPS)) host::pointerTo(WINDOW.width - 1, 0);
    const int32_t steps[][4] = {{0, -1, 0, 0}, {1, 1, 1, 1}, {-1, 0, 1, 0}}; // asked, then seen
    for (const auto& step : steps) {
        host::sync();
        if (can(WARPS)) {
            ASSERT_TRUE(host::pointerAt(&x, &y));
            EXPECT_EQ(std::vector<int32_t>({x, y}), std::vector<int32_t>({WINDOW.width - 1, 0}));
        }
        gfxSetMouse(-1, -1, step[0], step[1]);
        host::sync();
        EXPECT_EQ(host::storedMouse(&x, &y), step[2] != 0);
        EXPECT_EQ(gfxGetMouse(&x, &y, &wheel, &buttons, &clip), 0);
        EXPECT_EQ(clip, step[3]);
    }
}

TEST_P(DriverSuite, CloseButtonPostsTheCloseKeyAndKeepsTheWindow) {
    ASSERT_TRUE(open(WINDOW));
    host::requestClose();
    EXPECT_EQ(keys(1), std::vector<int32_t>{KEY_WINDOW_CLOSE});
    EXPECT_EQ(events({EV_CLOSE_REQUEST, EV_KEY_DOWN, EV_KEY_UP}, 1), "close");
    host::requestClose(); // the window is still there
    host::sync();
    EXPECT_EQ(gfxWaitKey(), KEY_WINDOW_CLOSE);
}

// Each cycle opens, draws and closes; now and then a failed open on the way
// (where the platform can make one).
TEST_P(DriverSuite, HundredOpensAndClosesKeepNothing) {
    const DriverCase& d = GetParam();
    auto cycle = [&](int i) -> ::testing::AssertionResult {
        ::testing::AssertionResult opened = open({0, 64, 48, 32}, false);
        if (!opened) return opened << " in cycle " << i;
        gfxPset(nullptr, static_cast<float>(i % 64), 10, 0xFFFFFF, 0, 0);
        if (i % 20 == 0) host::sync(); // now and then the display side draws
        if (i % 10 == 3) {             // closed while the program holds the lock, nested
            gfxLock();
            gfxLock();
        }
        close();
        if (i % 50 == 1 && host::openFailing(d.name, d.flags) == 0)
            return ::testing::AssertionFailure() << "the failing open succeeded";
        return ::testing::AssertionSuccess();
    };
    for (int i = 0; i < 3; ++i) // the platform's caches settle
        ASSERT_TRUE(cycle(i));
    host::Holdings before = host::holdings();
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(cycle(i));
    host::Holdings after = host::holdings();
    ASSERT_EQ(after.counts.size(), before.counts.size());
    for (size_t i = 0; i < before.counts.size(); ++i)
        EXPECT_EQ(after.counts[i].second, before.counts[i].second) << before.counts[i].first;
    // Within the allocator's own bookkeeping: one record kept per cycle is more.
    EXPECT_LT(after.heapBytes, before.heapBytes + 16 * 1024) << "from " << before.heapBytes;
}

std::vector<DriverCase> platformDrivers() {
    std::vector<DriverCase> rows;
    for (const DriverCase& d : DRIVERS)
        if (std::strcmp(d.platform, host::PLATFORM) == 0) rows.push_back(d);
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Drivers, DriverSuite, ::testing::ValuesIn(platformDrivers()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
