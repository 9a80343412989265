// VIEW and WINDOW on Null-driver screens: the clip view, its frame and fill,
// world coordinates through PSET, LINE, CIRCLE, STEP and PMAP. Expected
// pixels are worked out by hand from the corners.
#include <algorithm>
#include <cstring>
#include <limits>
#include <set>
#include <utility>

#include "gfx/core/gfx_test_support.h"
#include "gfx/draw/draw.h"
#include "runtime/runtime.h"

using namespace gfxtest;

namespace {

class ViewWindow : public CoreTest {};

constexpr uint32_t PLAIN = VIEW_NO_FILL | VIEW_NO_BORDER;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// 64 x 48, 8 bits: the screen of every case.
void openSmall() {
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, SCRF_NULL, 0), 0);
}

void pset(float x, float y, uint32_t colour = 7, uint32_t type = COORD_ONE_ABS) {
    gfxPset(nullptr, x, y, colour, type, 0);
}

std::set<std::pair<int32_t, int32_t>> setPixelSet() {
    std::set<std::pair<int32_t, int32_t>> out;
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x)
            if (gfxMode->pages[0][y * gfxMode->pitch + x]) out.insert({x, y});
    return out;
}

// Fill 3, frame 4, corners sorted and clipped: the whole screen against the
// rectangle worked out by hand, the dirty rows and the lock.
TEST_F(ViewWindow, ViewFillsFramesAndClipsAtEveryEdge) {
    struct Case {
        int32_t x1, y1, x2, y2;    // as passed
        int32_t l, t, r, b;        // the view, inclusive
        int32_t firstRow, lastRow; // drawn rows, frame included
    } cases[] = {
        {10, 5, 20, 15, 10, 5, 20, 15, 4, 16},   {20, 15, 10, 5, 10, 5, 20, 15, 4, 16},
        {-5, -9, 10, 10, 0, 0, 10, 10, 0, 11},   {50, 40, 900, 100, 50, 40, 63, 47, 39, 47},
        {0, 0, 63, 47, 0, 0, 63, 47, 0, 47},     {63, 47, 63, 47, 63, 47, 63, 47, 46, 47},
        {-99, 20, 99, 20, 0, 20, 63, 20, 19, 21}};
    for (const Case& k : cases) {
        openSmall();
        clearDirty();
        gfxView(k.x1, k.y1, k.x2, k.y2, 3, 4, 0);
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 64; ++x) {
                bool in = x >= k.l && x <= k.r && y >= k.t && y <= k.b;
                bool frame = !in && x >= k.l - 1 && x <= k.r + 1 && y >= k.t - 1 && y <= k.b + 1;
                ASSERT_EQ(pixel8(x, y), in ? 3 : frame ? 4 : 0) << k.x1 << " " << x << "," << y;
            }
        for (int32_t y = 0; y < 48; ++y)
            EXPECT_EQ(gfxMode->dirtyLines[y], y >= k.firstRow && y <= k.lastRow) << y;
        EXPECT_EQ(gfxMode->lockCount, 0);
        gfxCloseAtExit();
    }
    // Each colour only when given; the screen's lock taken once.
    openSmall();
    gfxView(10, 5, 20, 15, 3, 4, VIEW_NO_FILL);
    EXPECT_EQ(pixel8(15, 10), 0);
    EXPECT_EQ(pixel8(9, 10), 4);
    gfxView(10, 5, 20, 15, 3, 5, VIEW_NO_BORDER);
    EXPECT_EQ(pixel8(15, 10), 3);
    EXPECT_EQ(pixel8(9, 10), 4);
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0); // the recording driver with a lock
    calls().clear();
    gfxView(1, 1, 5, 5, 1, 2, 0);
    EXPECT_EQ(calls(), (std::vector<std::string>{"lock", "unlock"}));
}

// The SCREEN form keeps absolute coordinates; both clip every primitive.
TEST_F(ViewWindow, ScreenFormIsAbsoluteAndEveryPrimitiveClips) {
    for (uint32_t form : {0u, static_cast<uint32_t>(CTX_VIEW_SCREEN)}) {
        openSmall();
        gfxView(10, 5, 20, 15, 0, 0, PLAIN | form);
        float o = form ? 0.0f : 1.0f; // 1: coordinates from the view's corner
        gfxLine(nullptr, 0 - 10 * o, 10 - 5 * o, 63, 10 - 5 * o, 7, 0, 0xFFFF, COORD_ABS_ABS);
        gfxCircle(nullptr, 15 - 10 * o, 10 - 5 * o, 8, 7, 1.0f, 0, FULL_TURN, 1, COORD_ONE_ABS);
        pset(9 - 10 * o, 5 - 5 * o, 9);  // (9, 5): outside
        pset(10 - 10 * o, 5 - 5 * o, 9); // (10, 5): the view's corner
        EXPECT_EQ(pixel8(10, 5), 9);
        for (auto [x, y] : setPixelSet())
            ASSERT_TRUE(x >= 10 && x <= 20 && y >= 5 && y <= 15) << x << "," << y;
        for (int32_t x = 10; x <= 20; ++x) // the filled circle covers the whole view
            EXPECT_EQ(pixel8(x, 10), 7) << x;
        gfxCloseAtExit();
    }
}

// Bad calls record the illegal call and leave view, window and picture alone.
TEST_F(ViewWindow, IllegalCallsChangeNothing) {
    auto illegal = [](auto call) {
        rtSetError(RT_OK);
        call();
        return rtGetError() == RT_ERR_ILLEGAL_CALL;
    };
    EXPECT_TRUE(illegal([] { gfxView(1, 1, 5, 5, 1, 2, 0); })); // no screen
    EXPECT_TRUE(illegal([] { gfxWindow(0, 0, 1, 1, 0); }));
    openSmall();
    gfxView(10, 5, 20, 15, 0, 0, PLAIN);
    gfxWindow(0, 0, 100, 100, 0);
    GfxContext* c = gfxGetContext();
    GfxContext before = *c;
    const int32_t offScreen[][4] = {{-9, -9, -1, -1},
                                    {64, 0, 99, 9},
                                    {0, 48, 9, 99},
                                    {INT32_MIN, 0, -1, 9},
                                    {70, 50, INT32_MAX, INT32_MAX}};
    for (const auto& v : offScreen)
        EXPECT_TRUE(illegal([&v] { gfxView(v[0], v[1], v[2], v[3], 3, 4, 0); })) << v[0];
    const float badWindows[][4] = {{1, 0, 1, 5}, {0, 2, 5, 2}, {NaN, 0, 1, 1}, {0, 0, INF, 1}};
    for (const auto& w : badWindows)
        EXPECT_TRUE(illegal([&w] { gfxWindow(w[0], w[1], w[2], w[3], CTX_WINDOW_SCREEN); }));
    EXPECT_TRUE(setPixelSet().empty());
    EXPECT_EQ(std::memcmp(c->view, before.view, sizeof c->view), 0);
    EXPECT_EQ(std::memcmp(c->window, before.window, sizeof c->window), 0);
    EXPECT_EQ(c->flags, before.flags);
}

// WINDOW (0, 0)-(126, 94) on 64 x 48 pixels: half a pixel a unit both ways;
// y up: (x, y) -> (x / 2, (94 - y) / 2); SCREEN form: (x / 2, y / 2). Halves
// round away from zero.
TEST_F(ViewWindow, WindowBothWaysThroughPsetLineCircleAndStep) {
    for (uint32_t form : {0u, static_cast<uint32_t>(CTX_WINDOW_SCREEN)}) {
        auto Y = [form](int32_t py) { return form ? py : 47 - py; }; // pixel row
        openSmall();
        gfxWindow(126, 94, 0, 0, form); // corners sorted
        pset(10, 20);
        pset(11, 1, 8);                // 5.5 -> 6; 0.5 -> 1, or 46.5 -> 47
        pset(4, 6, 9, COORD_ONE_STEP); // from (11, 1): (15, 7) -> 7.5, and 3.5 or 43.5
        int32_t stepRow = form ? 4 : 44;
        EXPECT_EQ(pixel8(5, Y(10)), 7);
        EXPECT_EQ(pixel8(6, form ? 1 : 47), 8);
        EXPECT_EQ(pixel8(8, stepRow), 9);
        EXPECT_EQ(gfxPointInfo(2), 15.0f);
        EXPECT_EQ(gfxPointInfo(3), 7.0f);
        EXPECT_EQ(gfxPointInfo(0), 8.0f);
        EXPECT_EQ(gfxPointInfo(1), static_cast<float>(stepRow));
        EXPECT_EQ(gfxPoint(nullptr, 10, 20), 7);
        gfxCloseAtExit();

        openSmall();
        gfxWindow(0, 0, 126, 94, form);
        gfxLine(nullptr, 0, 0, 20, 20, 1, 0, 0xFFFF, COORD_ABS_ABS);   // a diagonal of 11
        gfxLine(nullptr, 40, 10, 30, 10, 2, 0, 0xF0F0, COORD_ABS_ABS); // x 15..20: STEP next
        gfxLine(nullptr, 12, 2, 8, 8, 3, 2, 0xFFFF, COORD_STEP_STEP);  // BF (21..25, 6..10)
        for (int32_t i = 0; i <= 10; ++i)
            EXPECT_EQ(pixel8(i, Y(i)), 1) << i;
        for (int32_t x = 15; x <= 20; ++x) // the pattern lies as from the first point, x = 20
            EXPECT_EQ(pixel8(x, Y(5)), x >= 17 ? 2 : 0) << x;
        for (int32_t y = 6; y <= 10; ++y)
            for (int32_t x = 21; x <= 25; ++x)
                EXPECT_EQ(pixel8(x, Y(y)), 3) << x << "," << y;
        EXPECT_EQ(pixel8(26, Y(8)), 0);
        gfxCloseAtExit();

        // Radius 20 units along x is 10 pixels; the y scale does not count.
        openSmall();
        gfxWindow(0, 0, 126, 188, form); // y: a quarter pixel a unit
        gfxCircle(nullptr, 40, 80, 20, 5, 1.0f, 0, FULL_TURN, 0, COORD_ONE_ABS);
        int32_t cy = Y(20), minX = 99, maxX = -1, minY = 99, maxY = -1;
        for (auto [x, y] : setPixelSet()) {
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
        EXPECT_EQ(minX, 10);
        EXPECT_EQ(maxX, 30);
        EXPECT_EQ(minY, cy - 10);
        EXPECT_EQ(maxY, cy + 10);
        // An arc from 90 to 180 degrees with a radius line to its start:
        // angles are the screen's, so the line runs up the screen either way.
        gfxCircle(nullptr, 40, 80, 20, 6, 1.0f, -1.5707964f, 3.1415927f, 0, COORD_ONE_ABS);
        for (int32_t k = 0; k <= 10; ++k)
            EXPECT_EQ(pixel8(20, cy - k), 6) << k;
        EXPECT_EQ(pixel8(30, cy), 5); // angle 0 is not part of the arc
        gfxCloseAtExit();
    }
}

// PMAP through a view of 32 x 32 pixels at (10, 5) and WINDOW (0, 0)-(62, 62):
// half a pixel a unit; physical coordinates from the view's corner, or
// absolute with the SCREEN form. A new VIEW keeps the window on itself.
TEST_F(ViewWindow, PmapRoundTripsAndANewViewKeepsTheWindow) {
    openSmall();
    EXPECT_EQ(gfxPmap(12.3f, 0), 12.3f); // no window: unchanged
    EXPECT_EQ(gfxPmap(12.3f, 3), 12.3f);
    for (uint32_t form : {0u, static_cast<uint32_t>(CTX_VIEW_SCREEN)}) {
        gfxView(10, 5, 41, 36, 0, 0, PLAIN | form);
        gfxWindow(0, 0, 62, 62, 0);
        float ox = form ? 10.0f : 0.0f, oy = form ? 5.0f : 0.0f;
        EXPECT_EQ(gfxPmap(10, 0), 5 + ox);
        EXPECT_EQ(gfxPmap(10, 1), 26 + oy); // (62 - 10) / 2
        EXPECT_EQ(gfxPmap(5 + ox, 2), 10.0f);
        EXPECT_EQ(gfxPmap(26 + oy, 3), 10.0f);
        EXPECT_EQ(gfxPmap(1, 4), 0.0f);
        for (int32_t p = 0; p < 32; ++p) {
            EXPECT_EQ(gfxPmap(gfxPmap(p + ox, 2), 0), p + ox);
            EXPECT_EQ(gfxPmap(gfxPmap(p + oy, 3), 1), p + oy);
            float w = static_cast<float>(p) * 1.9f;
            EXPECT_NEAR(gfxPmap(gfxPmap(w, 0), 2), w, 1.0f);
        }
    }
    // The window's corners land on the view's corners, whichever the view.
    gfxWindow(0, 0, 126, 94, 0);
    gfxView(GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, 0, 0, 0);
    pset(0, 0, 1);
    pset(126, 94, 2);
    gfxView(10, 5, 41, 36, 0, 0, PLAIN);
    pset(0, 0, 3);
    pset(126, 94, 4);
    EXPECT_EQ(pixel8(0, 47), 1);
    EXPECT_EQ(pixel8(63, 0), 2);
    EXPECT_EQ(pixel8(10, 36), 3);
    EXPECT_EQ(pixel8(41, 5), 4);
    // Without the window, plain view coordinates again; a new screen has none.
    gfxWindow(0, 0, 0, 0, WINDOW_NO_CORNERS);
    pset(1, 2, 5);
    EXPECT_EQ(pixel8(11, 7), 5);
    gfxWindow(0, 0, 126, 94, 0);
    openSmall();
    pset(1, 2, 5);
    EXPECT_EQ(pixel8(1, 2), 5);
    EXPECT_EQ(gfxGetContext()->flags & (CTX_VIEW | CTX_WINDOW), 0u);
}

} // namespace
