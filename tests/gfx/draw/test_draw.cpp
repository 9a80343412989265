// PSET, POINT, CIRCLE and LINE on Null-driver screens.
#include <algorithm>
#include <cmath>
#include <limits>

#include "gfx/core/gfx_test_support.h"
#include "gfx/draw/draw.h"
#include "runtime/platform.h"

using namespace gfxtest;

namespace {

using Pixels = std::vector<std::string>;

class Pset : public CoreTest {};
class Circle : public CoreTest {};
class Line : public CoreTest {};

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// Screen 21 with every pixel zero and no dirty line.
void openDemoScreen() {
    ASSERT_EQ(gfxScreen(21, 1, 1, SCRF_NULL, 0), 0);
}

// A small 8-bit screen by size.
void openSmall(int32_t width = 64, int32_t height = 48) {
    ASSERT_EQ(gfxScreenSize(width, height, 8, 1, SCRF_NULL, 0), 0);
}

void ring(float x, float y) {
    gfxCircle(nullptr, x, y, 1.25f, 0, 0.0f, 0.0f, FULL_TURN, 0,
              FLAG_DEFAULT_COLOR | COORD_ONE_ABS);
}

TEST_F(Pset, WritesOnePixelAndMarksItsLine) {
    openDemoScreen();
    clearDirty();
    gfxPset(nullptr, 100, 200, 300, COORD_ONE_ABS, 0);
    EXPECT_EQ(pixel8(100, 200), 44); // 300 & 0xFF
    EXPECT_EQ(countDirty(), 1);
    EXPECT_EQ(gfxMode->dirtyLines[200], 1);
    EXPECT_EQ(gfxMode->lockCount, 0);
    gfxPset(nullptr, 100, 200, 0, FLAG_DEFAULT_COLOR | COORD_ONE_ABS, 0);
    EXPECT_EQ(pixel8(100, 200), 15);
    gfxPset(nullptr, 100, 200, 0, FLAG_DEFAULT_COLOR | COORD_ONE_ABS, -1);
    EXPECT_EQ(pixel8(100, 200), 0);
}

TEST_F(Pset, PointEdgesAndRounding) {
    openDemoScreen();
    gfxPset(nullptr, 2.5f, 0, 9, COORD_ONE_ABS, 0);
    EXPECT_EQ(pixel8(3, 0), 9);
    EXPECT_EQ(gfxPoint(nullptr, 1280, 0), -1);
    EXPECT_EQ(gfxPoint(nullptr, 0, 1024), -1);
    EXPECT_EQ(gfxPoint(nullptr, 1279.4f, 1023.4f), 0);
    EXPECT_EQ(gfxPoint(nullptr, -0.4f, 0), 0);
    EXPECT_EQ(gfxPoint(nullptr, -0.5f, 0), -1);
    for (float bad : {NaN, INF, -INF, 3e38f, -3e38f}) {
        EXPECT_EQ(gfxPoint(nullptr, bad, 5), -1);
        EXPECT_EQ(gfxPoint(nullptr, 5, bad), -1);
        gfxPset(nullptr, bad, bad, 1, COORD_ONE_ABS, 0);
    }
    gfxCloseAtExit();
    EXPECT_EQ(gfxPoint(nullptr, 1, 1), -1);
    gfxPset(nullptr, 1, 1, 1, COORD_ONE_ABS, 0); // no screen: nothing
}

TEST_F(Pset, OffViewStepStillMovesTheLastPoint) {
    openSmall();
    gfxPset(nullptr, 10, 10, 1, COORD_ONE_ABS, 0);
    gfxPset(nullptr, 100, 0, 1, COORD_ONE_STEP, 0);  // (110, 10): off the screen
    gfxPset(nullptr, -105, 1, 2, COORD_ONE_STEP, 0); // (5, 11)
    EXPECT_EQ(pixel8(5, 11), 2);
    EXPECT_EQ(setPixels().size(), 2u);
}

// Every change of page, view, target or screen shows in the very next call.
TEST_F(Pset, PagesViewsImagesAndScreensTakeEffectOnTheNextCall) {
    openNull(13, 0, 2);
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 0);
    gfxSetWorkPage(gfxGetContext(), 1); // draw on the hidden page now
    clearDirty();
    gfxPset(nullptr, 5, 6, 7, COORD_ONE_ABS, 0);
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 7);
    EXPECT_EQ(pixel8(5, 6), 0);
    EXPECT_EQ(gfxMode->pages[1][6 * gfxMode->pitch + 5], 7);
    EXPECT_EQ(countDirty(), 0);
    gfxShowPage(gfxMode, 1); // the same page becomes visible: its marks count again
    clearDirty();
    gfxPset(nullptr, 5, 6, 8, COORD_ONE_ABS, 0);
    EXPECT_EQ(countDirty(), 1);
    EXPECT_EQ(gfxMode->dirtyLines[6], 1);
    gfxShowPage(gfxMode, 0);
    gfxSetWorkPage(gfxGetContext(), 0);
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 0);

    // An image between two calls at the same point.
    uint8_t image[4 + 8 * 8] = {8 << 3, 0, 8, 0};
    image[4 + 6 * 8 + 5] = 3;
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 0);
    EXPECT_EQ(gfxPoint(image, 5, 6), 3);
    gfxPset(image, 5, 6, 4, COORD_ONE_ABS, 0);
    EXPECT_EQ(image[4 + 6 * 8 + 5], 4);
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 0);
    // A work page chosen while the image is the target waits for the screen.
    EXPECT_EQ(gfxPoint(image, 5, 6), 4);
    gfxSetWorkPage(gfxGetContext(), 1);
    EXPECT_EQ(gfxPoint(image, 5, 6), 4);
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 8);
    gfxSetWorkPage(gfxGetContext(), 0);

    // A view moved, then reset.
    gfxSetView(gfxGetContext(), 2, 1, 318, 199);
    gfxPset(nullptr, 5, 6, 9, COORD_ONE_ABS, 0);
    EXPECT_EQ(pixel8(7, 7), 9);
    gfxView(-32768, -32768, -32768, -32768, 0, 0, 0);
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 0);

    // A new screen of the same size: nothing of the old one is used.
    openNull(13);
    EXPECT_EQ(gfxPoint(nullptr, 7, 7), 0);
    gfxPset(nullptr, 7, 7, 1, COORD_ONE_ABS, 0);
    EXPECT_EQ(pixel8(7, 7), 1);
}

TEST_F(Pset, NoLayerListedStillDraws) {
    int32_t count = -1;
    gfxScreenLayers(&count);
    ASSERT_EQ(count, 0);
    openNull(13);
    EXPECT_EQ(gfxMode->textCells, nullptr);
    EXPECT_EQ(rtState.hooks.clearScreen, nullptr);
    gfxPset(nullptr, 10, 20, 99, COORD_ONE_ABS, 0);
    EXPECT_EQ(gfxPoint(nullptr, 10, 20), 99);
    gfxLine(nullptr, 0, 0, 5, 0, 3, 0, 0xFFFF, COORD_ABS_ABS);
    EXPECT_EQ(pixel8(5, 0), 3);
    gfxCircle(nullptr, 100, 100, 10, 4, 1.0f, 0.0f, FULL_TURN, 0, COORD_ONE_ABS);
    EXPECT_EQ(pixel8(110, 100), 4);
}

TEST_F(Pset, ImageTargetsOfBothHeaderForms) {
    openNull(13);
    alignas(4) uint8_t legacy[4 + 6 * 3] = {};
    uint16_t header[2] = {6 * 8 + 3, 3};
    std::memcpy(legacy, header, sizeof header);
    gfxPset(legacy, 5, 2, 9, COORD_ONE_ABS, 0);
    EXPECT_EQ(legacy[4 + 2 * 6 + 5], 9);
    gfxPset(legacy, 6, 2, 9, COORD_ONE_ABS, 0); // clipped to the image
    EXPECT_EQ(gfxPoint(legacy, 5, 2), 9);
    EXPECT_EQ(gfxPoint(legacy, 6, 0), -1);

    alignas(4) uint8_t modern[32 + 4 * 8 * 2] = {};
    ImageHeader h = {IMAGE_HEADER_NEW, 4, 3, 2, 32, {}};
    std::memcpy(modern, &h, sizeof h);
    gfxPset(modern, 2, 1, 0x123456, COORD_ONE_ABS, 0);
    uint32_t stored;
    std::memcpy(&stored, modern + 32 + 32 + 8, 4);
    EXPECT_EQ(stored, 0x123456u);

    // Back on the screen: its view and one-byte routines return.
    gfxPset(nullptr, 319, 199, 4, COORD_ONE_ABS, 0);
    EXPECT_EQ(pixel8(319, 199), 4);
    GfxContext* c = gfxGetContext();
    EXPECT_EQ(c->view[2], 320);
    EXPECT_EQ(c->bytesPerPixel, 1);
    EXPECT_EQ(gfxScreenPtr(), gfxMode->pages[0]);
}

TEST_F(Pset, AlphaScreenBlendsTranslucentColoursOnly) {
    for (uint32_t cpu : {CPU_MMX, 0x30000000u}) {
        gfxCpuOverride = cpu;
        ASSERT_EQ(gfxScreenSize(8, 8, 32, 1, SCRF_ALPHA, 0), 0);
        EXPECT_NE(gfxMode->flags & MODE_ALPHA, 0u);
        EXPECT_EQ((gfxMode->flags & MODE_MMX) != 0, cpu == CPU_MMX);
        gfxPset(nullptr, 1, 1, 0xFF0000FF, COORD_ONE_ABS, 0);
        gfxPset(nullptr, 1, 1, 0x80FF0000, COORD_ONE_ABS, 0);
        EXPECT_EQ(static_cast<uint32_t>(gfxPoint(nullptr, 1, 1)),
                  cpu == CPU_MMX ? 0xBF7F007Fu : 0x807F007Fu);
        gfxPset(nullptr, 1, 1, 0xFF00FF00, COORD_ONE_ABS, 0); // opaque: plain store
        EXPECT_EQ(static_cast<uint32_t>(gfxPoint(nullptr, 1, 1)), 0xFF00FF00u);
        gfxCloseAtExit();
    }
    gfxCpuOverride = 0;
    // Without SCRF_ALPHA a translucent colour is stored as it is.
    ASSERT_EQ(gfxScreenSize(8, 8, 32, 1, SCRF_NULL, 0), 0);
    gfxPset(nullptr, 1, 1, 0x80FF0000, COORD_ONE_ABS, 0);
    EXPECT_EQ(static_cast<uint32_t>(gfxPoint(nullptr, 1, 1)), 0x80FF0000u);
}

TEST_F(Pset, SixteenBitRoundTrip) {
    ASSERT_EQ(gfxScreenSize(8, 8, 16, 1, SCRF_NULL, 0), 0);
    gfxPset(nullptr, 2, 3, 0xFF8040, COORD_ONE_ABS, 0);
    uint16_t stored;
    std::memcpy(&stored, gfxMode->pages[0] + 3 * gfxMode->pitch + 4, 2);
    EXPECT_EQ(stored, 0xFC08);
    EXPECT_EQ(gfxPoint(nullptr, 2, 3), 0xFF8242);
    gfxPset(nullptr, 3, 3, 0xFFFFFF, COORD_ONE_ABS, 0);
    EXPECT_EQ(gfxPoint(nullptr, 3, 3), 0xFFFFFF);
}

TEST_F(Pset, ADriverWithALockIsLockedOncePerCall) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0); // the first recording driver
    calls().clear();
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 0);
    gfxPset(nullptr, 5, 6, 1, COORD_ONE_ABS, 0);
    EXPECT_EQ(gfxPoint(nullptr, 5, 6), 1);
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"lock", "unlock", "lock", "unlock", "lock", "unlock"}));
    EXPECT_EQ(gfxMode->lockCount, 0);
}

TEST_F(Pset, PointInfoTruncatesTheWorldPoint) {
    openSmall();
    gfxPset(nullptr, 10.6f, 20.2f, 1, COORD_ONE_ABS, 0);
    EXPECT_EQ(gfxPoint(nullptr, 0, POINT_INFO_MARK), 10);
    EXPECT_EQ(gfxPoint(nullptr, 1, POINT_INFO_MARK), 20);
    EXPECT_EQ(gfxPoint(nullptr, 3.9f, POINT_INFO_MARK), 20);
    EXPECT_EQ(gfxPoint(nullptr, 4, POINT_INFO_MARK), 0);
    EXPECT_EQ(pixel8(11, 20), 1);
}

TEST_F(Pset, DefaultColoursPerDepth) {
    ASSERT_EQ(gfxScreenSize(4, 4, 32, 1, SCRF_NULL, 0), 0);
    gfxPset(nullptr, 1, 1, 0, FLAG_DEFAULT_COLOR | COORD_ONE_ABS, -1);
    EXPECT_EQ(static_cast<uint32_t>(gfxPoint(nullptr, 1, 1)), 0xFF000000u);
    gfxPset(nullptr, 1, 1, 0, FLAG_DEFAULT_COLOR | COORD_ONE_ABS, 0);
    EXPECT_EQ(static_cast<uint32_t>(gfxPoint(nullptr, 1, 1)), 0xFFFFFFFFu);
    openNull(1);
    gfxPset(nullptr, 1, 1, 0, FLAG_DEFAULT_COLOR | COORD_ONE_ABS, 0);
    EXPECT_EQ(gfxPoint(nullptr, 1, 1), 3);
}

// Circle -------------------------------------------------------------------

TEST_F(Circle, DemoRingIsSixPixelsOverThreeDirtyRows) {
    openDemoScreen();
    clearDirty();
    ring(100, 50);
    EXPECT_EQ(setPixels(), (Pixels{"99,49", "100,49", "98,50", "101,50", "99,51", "100,51"}));
    EXPECT_EQ(countDirty(), 3);
    EXPECT_EQ(gfxMode->dirtyLines[49] & gfxMode->dirtyLines[50] & gfxMode->dirtyLines[51], 1);
    EXPECT_EQ(pixel8(100, 49), 15);
}

TEST_F(Circle, CentresAtTheLeftEdgeTruncateTowardsZero) {
    openDemoScreen();
    ring(0, 0);
    EXPECT_EQ(setPixels(), (Pixels{"1,0", "0,1"}));
    gfxCloseAtExit();
    openDemoScreen();
    ring(1, 5);
    EXPECT_EQ(setPixels(), (Pixels{"1,4", "0,5", "2,5", "1,6"}));
    gfxCloseAtExit();
    openDemoScreen();
    ring(1279, 1023); // clipped at the far corner
    EXPECT_EQ(setPixels(), (Pixels{"1278,1022", "1279,1022", "1277,1023"}));
}

TEST_F(Circle, FlatEllipseDrawsOneFilledRow) {
    openSmall();
    // 0.45 x the smallest single underflows to 0: b = 0.
    gfxCircle(nullptr, 10, 7, 0.45f, 3, std::numeric_limits<float>::denorm_min(), 0, FULL_TURN, 0,
              COORD_ONE_ABS);
    EXPECT_EQ(setPixels(), (Pixels{"9,7", "10,7"}));
}

TEST_F(Circle, JustBelowAFullTurnTakesTheArcPath) {
    openSmall();
    gfxCircle(nullptr, 20, 20, 1.25f, 5, 1.0f, 0, FULL_TURN, 0, COORD_ONE_ABS);
    Pixels whole = setPixels();
    gfxCloseAtExit();
    openSmall();
    gfxCircle(nullptr, 20, 20, 1.25f, 5, 1.0f, 0, 6.2831855f, 0, COORD_ONE_ABS);
    Pixels arc = setPixels();
    EXPECT_NE(whole, arc);
    // The arc visits the four compass points of the rounded circle.
    for (const char* p : {"21,20", "20,19", "19,20", "20,21"})
        EXPECT_NE(std::find(arc.begin(), arc.end(), p), arc.end()) << p;
}

TEST_F(Circle, NegativeStartDrawsARadiusLine) {
    openSmall();
    gfxCircle(nullptr, 30, 30, 10, 5, 1.0f, -1.0f, 2.0f, 0, COORD_ONE_ABS);
    int32_t dx, dy;
    gfxArcPoint(1.0f, 10, 10, &dx, &dy);
    EXPECT_EQ(dx, 5);
    EXPECT_EQ(dy, 8);
    EXPECT_EQ(pixel8(30, 30), 5); // the line starts at the centre
    EXPECT_EQ(pixel8(35, 22), 5); // ... and ends at the point at 1 radian
    EXPECT_EQ(pixel8(40, 30), 0); // angle 0 is not part of the arc
    gfxArcPoint(2.0f, 10, 10, &dx, &dy);
    EXPECT_EQ(pixel8(30 + dx, 30 - dy), 5); // the arc reaches 2 radians
}

TEST_F(Circle, ReversedAnglesWrapOnce) {
    openSmall();
    gfxCircle(nullptr, 30, 30, 10, 5, 1.0f, 3.0f, 1.0f, 0, COORD_ONE_ABS);
    EXPECT_EQ(pixel8(40, 30), 5); // angle 2 pi lies in 3 .. 7.28
    int32_t dx, dy;
    gfxArcPoint(2.0f, 10, 10, &dx, &dy);
    EXPECT_EQ(pixel8(30 + dx, 30 - dy), 0); // 2 radians does not
    // The arc runs counter-clockwise from 3 radians through the bottom to
    // just short of 1 radian (7.28): nothing in the upper left quarter.
    EXPECT_EQ(pixel8(30, 40), 5);
    for (int32_t y = 19; y < 28; ++y)
        for (int32_t x = 19; x < 30; ++x)
            ASSERT_EQ(pixel8(x, y), 0) << x << "," << y;
    EXPECT_EQ(pixel8(36, 22), 5);
}

TEST_F(Circle, FilledEllipseClippedAtTheLeftFillsEachRowOnce) {
    // A translucent colour on an alpha screen shows a second fill of a row.
    ASSERT_EQ(gfxScreenSize(40, 40, 32, 1, SCRF_ALPHA, 0), 0);
    gfxCircle(nullptr, 2, 20, 10, 0x80FF0000, 1.0f, 0, FULL_TURN, 1, COORD_ONE_ABS);
    int32_t rows = 0;
    for (int32_t y = 0; y < 40; ++y) {
        uint32_t first = static_cast<uint32_t>(gfxPoint(nullptr, 0, y));
        if (first == 0xFF000000u) continue;
        ++rows;
        for (int32_t x = 0; x < 40; ++x) {
            uint32_t v = static_cast<uint32_t>(gfxPoint(nullptr, x, y));
            ASSERT_TRUE(v == 0xFF000000u || v == first) << x << "," << y;
        }
        EXPECT_EQ((first >> 16) & 0xFF, 0x7Fu) << y;
    }
    EXPECT_EQ(rows, 21);
}

TEST_F(Circle, HugeAndInvalidInputsFinish) {
    openSmall();
    gfxCircle(nullptr, 10, 10, NaN, 1, 0, 0, FULL_TURN, 0, COORD_ONE_ABS);
    gfxCircle(nullptr, 10, 10, -1, 1, 0, 0, FULL_TURN, 0, COORD_ONE_ABS);
    gfxCircle(nullptr, NaN, INF, 5, 1, 0, 0, FULL_TURN, 1, COORD_ONE_ABS);
    gfxCircle(nullptr, 10, 10, 5, 1, NaN, 0, FULL_TURN, 1, COORD_ONE_ABS);
    gfxCircle(nullptr, 10, 10, 5, 1, 1, -INF, NaN, 0, COORD_ONE_ABS);
    gfxCircle(nullptr, 10, 10, 5, 1, 1, 1e30f, 0.5f, 0, COORD_ONE_ABS);
    EXPECT_TRUE(setPixels().empty() || setPixels().size() < 64u * 48u);
    // Far away, enormous: nothing visible, nothing drawn.
    gfxCircle(nullptr, 1e9f, 1e9f, 1e8f, 1, 1, 0, FULL_TURN, 1, COORD_ONE_ABS);
    gfxCircle(nullptr, 1e9f, 1e9f, 1e8f, 1, 1, 0.5f, 1.0f, 0, COORD_ONE_ABS);
    gfxCloseAtExit();
    openSmall();
    // Enormous around the screen: filled covers it, outline misses it.
    gfxCircle(nullptr, 0, 0, 3e38f, 1, 1, 0, FULL_TURN, 0, COORD_ONE_ABS);
    EXPECT_TRUE(setPixels().empty());
    gfxCircle(nullptr, 0, 0, 1e9f, 2, 1, 0, FULL_TURN, 1, COORD_ONE_ABS);
    EXPECT_EQ(setPixels().size(), 64u * 48u);
    // An arc whose step no longer moves the angle ends.
    gfxCircle(nullptr, 0, 0, 1e12f, 3, 1, 0.5f, 1.0f, 0, COORD_ONE_ABS);
    // An enormous outline through the screen still shows its edge.
    gfxCloseAtExit();
    openSmall();
    gfxCircle(nullptr, -2e6f, 20, 2e6f + 10, 4, 1, 0, FULL_TURN, 0, COORD_ONE_ABS);
    EXPECT_EQ(pixel8(10, 20), 4);
    EXPECT_EQ(pixel8(5, 20), 0);
}

// Line ---------------------------------------------------------------------

void line(float x1, float y1, float x2, float y2, uint32_t style = 0xFFFF, int32_t box = 0) {
    gfxLine(nullptr, x1, y1, x2, y2, 7, box, style, COORD_ABS_ABS);
}

TEST_F(Line, ShallowLineSteps) {
    openSmall();
    clearDirty();
    line(0, 0, 5, 2);
    EXPECT_EQ(setPixels(), (Pixels{"0,0", "1,0", "2,1", "3,1", "4,2", "5,2"}));
    EXPECT_EQ(countDirty(), 3);
    gfxCloseAtExit();
    openSmall();
    line(5, 2, 0, 0); // drawn from its own first point
    EXPECT_EQ(setPixels().size(), 6u);
    gfxCloseAtExit();
    openSmall();
    line(0, 0, 2, 5);
    EXPECT_EQ(setPixels(), (Pixels{"0,0", "0,1", "1,2", "1,3", "2,4", "2,5"}));
}

TEST_F(Line, ReversedPatternsLieAsFromTheFirstPoint) {
    openSmall();
    line(10, 5, 2, 5, 0xF0F0);
    EXPECT_EQ(setPixels(), (Pixels{"2,5", "7,5", "8,5", "9,5", "10,5"}));
    gfxCloseAtExit();
    openSmall();
    line(5, 10, 5, 2, 0xF0F0);
    EXPECT_EQ(setPixels(), (Pixels{"5,2", "5,7", "5,8", "5,9", "5,10"}));
    gfxCloseAtExit();
    openSmall();
    line(3, 3, 3, 3, 0x8000);
    EXPECT_EQ(setPixels(), (Pixels{"3,3"}));
    line(4, 4, 4, 4, 0x7FFF);
    EXPECT_EQ(setPixels().size(), 1u);
}

TEST_F(Line, ClippingTruncates) {
    openSmall();
    line(-10, 0, 10, 7); // crosses x = 0 at y = 3.5
    EXPECT_EQ(pixel8(0, 3), 7);
    EXPECT_EQ(pixel8(0, 4), 0);
    EXPECT_EQ(pixel8(10, 7), 7);
    gfxCloseAtExit();
    openSmall();
    line(-100, -100, -1, 47); // entirely left of the view
    line(0, -5, 63, -1);      // entirely above it
    EXPECT_TRUE(setPixels().empty());
    EXPECT_EQ(gfxMode->lockCount, 0);
}

TEST_F(Line, HugeAndInvalidCoordinates) {
    openSmall();
    line(-1e30f, 5, 1e30f, 5);
    EXPECT_EQ(setPixels().size(), 64u);
    line(NaN, 1, 2, 2);
    line(INF, -INF, 10, 10);
    line(-3e38f, -3e38f, 3e38f, 3e38f);
    EXPECT_EQ(pixel8(20, 20), 7); // the diagonal through the view
}

TEST_F(Line, BoxModes) {
    openSmall();
    line(6, 4, 2, 2, 0xFFFF, 1);
    Pixels outline = setPixels();
    EXPECT_EQ(outline.size(), 5u + 5u + 1u + 1u);
    EXPECT_EQ(pixel8(4, 3), 0);
    EXPECT_EQ(pixel8(6, 3), 7);
    gfxCloseAtExit();
    openSmall();
    line(-5, 40, 3, 100, 0, 2); // filled, clipped at two sides
    EXPECT_EQ(setPixels().size(), 4u * 8u);
    gfxCloseAtExit();
    openSmall();
    line(0, 0, 3, 3, 0xAAAA, 1); // the pattern runs on around the corners
    EXPECT_EQ(setPixels(), (Pixels{"0,0", "2,0", "3,1", "0,2", "1,3", "3,3"}));
}

} // namespace

namespace {

// Random coordinates, radii, angles, styles and world windows, with the
// awkward values mixed in, on screens of each pixel size: every primitive
// stays inside the framebuffer (AddressSanitizer watches) and finishes.
class DrawFuzz : public CoreTest {};

TEST_F(DrawFuzz, RandomArgumentsStayInBounds) {
    setEnv("ZQGFX", "null");
    const float SPECIAL[] = {0.0f,   -0.0f, 0.5f, -0.5f, 1e-45f, 1e10f, -1e10f, 3e38f,
                             -3e38f, INF,   -INF, NaN,   1e6f,   -1e6f, 2.5f,   65535.f};
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    auto value = [&](float span) {
        uint32_t r = next();
        if ((r & 7) == 0) return SPECIAL[(r >> 3) % 16];
        return (static_cast<float>(r >> 8) / 16777216.0f) * span * 2 - span * 0.5f;
    };
    for (int32_t depth : {8, 16, 32}) {
        ASSERT_EQ(gfxScreenSize(37, 23, depth, 2, depth == 32 ? SCRF_ALPHA : 0, 0), 0);
        GfxContext* c = gfxGetContext();
        for (int i = 0; i < 20000; ++i) {
            if (i % 500 == 0) { // a sub-rectangle view, as a viewport would set
                auto left = static_cast<int32_t>(next() % 37);
                auto top = static_cast<int32_t>(next() % 23);
                auto width = static_cast<int32_t>(next() % (38 - left));
                auto height = static_cast<int32_t>(next() % (24 - top));
                gfxSetView(c, left, top, width, height);
            }
            if (i % 500 == 250) { // a world window of any size, or none
                gfxWindow(value(1e3f), value(1e3f), value(1e3f), value(1e3f),
                          next() & 1 ? CTX_WINDOW_SCREEN : 0u);
                if (next() % 4 == 0) gfxWindow(0, 0, 0, 0, WINDOW_NO_CORNERS);
            }
            uint32_t colour = next();
            uint32_t flags = (next() & 7) | (next() & 1 ? FLAG_DEFAULT_COLOR : 0u);
            switch (next() % 4) {
            case 0:
                gfxPset(nullptr, value(40), value(25), colour, flags, next() & 1);
                break;
            case 1:
                gfxPoint(nullptr, value(40), value(25));
                break;
            case 2:
                gfxLine(nullptr, value(40), value(25), value(40), value(25), colour,
                        static_cast<int32_t>(next() % 3), next(), flags & ~4u);
                break;
            default:
                gfxCircle(nullptr, value(40), value(25), value(30), colour, value(3) * 0.5f,
                          next() & 1 ? 0.0f : value(8), next() & 1 ? FULL_TURN : value(8),
                          static_cast<int32_t>(next() & 1), flags | 4);
            }
            ASSERT_EQ(gfxMode->lockCount, 0);
        }
        gfxCloseAtExit();
    }
}

} // namespace
