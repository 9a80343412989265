// DRAW on Null-driver screens: short strings against hand-listed pixels, long
// ones against a separate model of the pen and of a line's pixels.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <numbers>
#include <string>
#include <utility>

#include "gfx/core/gfx_test_support.h"
#include "gfx/core/lock.h"
#include "gfx/draw/draw.h"

using namespace gfxtest;

namespace {

using Pixels = std::vector<std::string>;
using Points = std::vector<std::pair<int, int>>;

class Draw : public CoreTest {};

void draw(const std::string& commands, const void* target = nullptr) {
    gfxDraw(target, commands.data(), static_cast<int32_t>(commands.size()));
}

void openSmall() {
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, SCRF_NULL, 0), 0);
}

// Points in the order setPixels lists them (row by row).
Pixels listed(Points points) {
    std::sort(points.begin(), points.end(), [](auto a, auto b) {
        return std::tie(a.second, a.first) < std::tie(b.second, b.first);
    });
    Pixels out;
    for (auto [x, y] : points)
        out.push_back(std::to_string(x) + "," + std::to_string(y));
    return out;
}

// One string on a fresh screen: the pixels it sets, and no error.
TEST_F(Draw, EveryCommandOnHandListedPixels) {
    const struct {
        const char* commands;
        Points pixels;
    } CASES[] = {
        {"BM10,10U2", {{10, 8}, {10, 9}, {10, 10}}},
        {"BM10,10D2", {{10, 10}, {10, 11}, {10, 12}}},
        {"BM10,10L2", {{8, 10}, {9, 10}, {10, 10}}},
        {"BM10,10R", {{10, 10}, {11, 10}}},
        {"BM10,10E2", {{10, 10}, {11, 9}, {12, 8}}},
        {"BM10,10F2", {{10, 10}, {11, 11}, {12, 12}}},
        {"BM10,10G2", {{10, 10}, {9, 11}, {8, 12}}},
        {"BM10,10H2", {{10, 10}, {9, 9}, {8, 8}}},
        {"BM10,10U-2", {{10, 10}, {10, 11}, {10, 12}}},
        {"BM10,10U0", {{10, 10}}},
        // M: absolute from the last point (0, 0), relative with a sign.
        {"M3,1", {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"M 3 , 1", {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"BM5,5M+2,-2", {{5, 5}, {6, 4}, {7, 3}}},
        {"BM5,5M-2,2", {{5, 5}, {4, 6}, {3, 7}}},
        // B and N, alone and together.
        {"BM10,10NR3U2", {{10, 10}, {11, 10}, {12, 10}, {13, 10}, {10, 9}, {10, 8}}},
        {"BM10,10BR3U1", {{13, 10}, {13, 9}}},
        {"BM10,10NBR3D1", {{10, 10}, {10, 11}}},
        // Quarter turns, counter-clockwise: right becomes up, left, down.
        {"BM10,10A1R2", {{10, 10}, {10, 9}, {10, 8}}},
        {"BM10,10A2R2", {{8, 10}, {9, 10}, {10, 10}}},
        {"BM10,10A3R2", {{10, 10}, {10, 11}, {10, 12}}},
        {"BM10,10A1E2", {{10, 10}, {9, 9}, {8, 8}}},
        {"BM10,10A1M+2,0", {{10, 10}, {10, 9}, {10, 8}}},
        {"BM10,10A1M12,10", {{10, 10}, {11, 10}, {12, 10}}}, // absolute: not turned
        // Any angle: TA 90 is A 1, negative turns clockwise, 360 is none.
        {"BM10,10TA90R2", {{10, 10}, {10, 9}, {10, 8}}},
        {"BM10,10TA-90R2", {{10, 10}, {10, 11}, {10, 12}}},
        {"BM10,10TA180U2", {{10, 10}, {10, 11}, {10, 12}}},
        {"BM10,10TA360R2", {{10, 10}, {11, 10}, {12, 10}}},
        {"BM10,10TA-360R2", {{10, 10}, {11, 10}, {12, 10}}},
        {"BM10,10TA45R4", {{10, 10}, {11, 9}, {12, 8}, {13, 7}}}, // (2.83, -2.83)
        {"BM10,10TA-45R4", {{10, 10}, {11, 11}, {12, 12}, {13, 13}}},
        {"BM10,10TA30R10", // (8.66, -5): to (19, 5)
         {{10, 10},
          {11, 9},
          {12, 9},
          {13, 8},
          {14, 8},
          {15, 7},
          {16, 7},
          {17, 6},
          {18, 6},
          {19, 5}}},
        {"BM10,10TA1A0R2", {{10, 10}, {11, 10}, {12, 10}}}, // A replaces TA
        // Scale: n quarter pixels a unit; S0 is the default.
        {"BM10,10S8R2", {{10, 10}, {11, 10}, {12, 10}, {13, 10}, {14, 10}}},
        {"BM10,10S2R3", {{10, 10}, {11, 10}, {12, 10}}}, // 11.5 rounds to 12
        {"BM10,10S1R1", {{10, 10}}},                     // 10.25 rounds to 10
        {"BM10,10S0R2", {{10, 10}, {11, 10}, {12, 10}}},
        {"BM10,10S8M+1,1", {{10, 10}, {11, 11}, {12, 12}}},  // relative M is scaled
        {"BM10,10S8M12,10", {{10, 10}, {11, 10}, {12, 10}}}, // absolute M is not
        // Half a pixel rounds away from zero; the pen itself is not rounded.
        {"BM2,5S2BL3D4", {{1, 5}, {1, 6}, {1, 7}}},  // from x = 0.5
        {"BM10,10S2BR1R1", {{11, 10}}},              // 10.5 -> 11, 11 -> 11
        {"BM10,10S2BR1BR1R1", {{11, 10}, {12, 10}}}, // 11 -> 11, 11.5 -> 12
        // Lower case, blanks and semicolons anywhere between commands.
        {"bm10,10;r2 ; d 2;;", {{10, 10}, {11, 10}, {12, 10}, {12, 11}, {12, 12}}},
        {"  ta 45 r 4 ", {{0, 0}, {1, -1}, {2, -2}, {3, -3}}},
    };
    for (const auto& t : CASES) {
        openSmall();
        rtSetError(RT_OK);
        draw(t.commands);
        Points inside;
        for (auto p : t.pixels)
            if (p.first >= 0 && p.second >= 0) inside.push_back(p);
        EXPECT_EQ(setPixels(), listed(inside)) << t.commands;
        EXPECT_EQ(rtGetError(), RT_OK) << t.commands;
        EXPECT_EQ(gfxMode->lockCount, 0);
        gfxCloseAtExit();
    }
}

TEST_F(Draw, PaintsInsideABoxAtThePen) {
    openSmall();
    draw("C3BM10,10R4D4L4U4BM12,12P5,3");
    for (int32_t y = 9; y <= 15; ++y)
        for (int32_t x = 9; x <= 15; ++x) {
            bool edge = (x == 10 || x == 14) && y >= 10 && y <= 14;
            edge = edge || ((y == 10 || y == 14) && x >= 10 && x <= 14);
            bool inside = x > 10 && x < 14 && y > 10 && y < 14;
            EXPECT_EQ(pixel8(x, y), edge ? 3 : inside ? 5 : 0) << x << "," << y;
        }
    EXPECT_EQ(rtGetError(), RT_OK);
}

// Through a window the pen moves in the view's pixels, from the last point's
// pixel, and leaves the last point in world coordinates (half a pixel a unit).
TEST_F(Draw, MovesInPixelsThroughAWindow) {
    openSmall();
    gfxWindow(0, 0, 126, 94, CTX_WINDOW_SCREEN);
    gfxPset(nullptr, 20, 20, 15, COORD_ONE_ABS, 0);
    draw("R4");
    gfxPset(nullptr, 2, 0, 15, COORD_ONE_STEP, 0);
    EXPECT_EQ(setPixels(), listed({{10, 10}, {11, 10}, {12, 10}, {13, 10}, {14, 10}, {15, 10}}));

    openSmall();
    gfxView(8, 8, 40, 40, 0, 0, VIEW_NO_FILL | VIEW_NO_BORDER);
    gfxWindow(0, 0, 64, 64, CTX_WINDOW_SCREEN);
    gfxPset(nullptr, 20, 20, 15, COORD_ONE_ABS, 0);
    draw("D2BR1P7,15");
    EXPECT_EQ(pixel8(18, 18), 15);
    EXPECT_EQ(pixel8(18, 20), 15);
    EXPECT_EQ(pixel8(19, 20), 7); // painted: the region the view bounds
    EXPECT_EQ(pixel8(40, 40), 7);
    EXPECT_EQ(pixel8(41, 41), 0); // outside the view
    EXPECT_EQ(rtGetError(), RT_OK);
}

TEST_F(Draw, ColourTurnAndScaleLastUntilTheNextScreen) {
    openSmall();
    draw("BM10,10R1C4R2C9D2");
    EXPECT_EQ(pixel8(10, 10), 15); // the foreground before any C
    EXPECT_EQ(pixel8(12, 10), 4);
    EXPECT_EQ(pixel8(13, 10), 9); // the corner: drawn last by D
    EXPECT_EQ(pixel8(13, 12), 9);
    draw("TA90S8");
    draw("R1"); // colour 9, up two pixels from (13, 12)
    EXPECT_EQ(pixel8(13, 11), 9);
    EXPECT_EQ(pixel8(13, 10), 9);
    EXPECT_EQ(pixel8(13, 9), 0);
    draw("C4294967295R0");
    EXPECT_EQ(pixel8(13, 10), 255); // as LINE takes the colour on one byte

    openSmall(); // everything back to its default
    draw("BM10,10R1");
    EXPECT_EQ(setPixels(), (Pixels{"10,10", "11,10"}));
    EXPECT_EQ(pixel8(11, 10), 15);
}

TEST_F(Draw, ImageTargetsAndDirtyLines) {
    openSmall();
    clearDirty();
    draw("BM5,5D3");
    EXPECT_EQ(countDirty(), 4);
    EXPECT_EQ(gfxMode->dirtyLines[5] & gfxMode->dirtyLines[8], 1);

    // Four bytes a pixel on a one-byte screen; the image clips.
    alignas(4) uint8_t image[32 + 4 * 4 * 3] = {};
    ImageHeader h = {IMAGE_HEADER_NEW, 4, 4, 3, 16, {}};
    std::memcpy(image, &h, sizeof h);
    clearDirty();
    draw("C16711680BM1,1R9", image);
    EXPECT_EQ(countDirty(), 0);
    for (int x = 0; x < 4; ++x) {
        uint32_t v;
        std::memcpy(&v, image + 32 + 16 + 4 * x, 4);
        EXPECT_EQ(v, x ? 0xFF0000u : 0u) << x;
    }
    EXPECT_EQ(pixel8(2, 1), 0);
}

TEST_F(Draw, StepGoesOnFromThePen) {
    openSmall();
    draw("BM10,10R5D3");
    gfxPset(nullptr, 1, 1, 7, COORD_ONE_STEP, 0);
    EXPECT_EQ(pixel8(16, 14), 7);
    // ... and DRAW from the point another statement left.
    gfxPset(nullptr, 30, 30, 7, COORD_ONE_ABS, 0);
    draw("R1");
    EXPECT_EQ(pixel8(31, 30), 15);
    // The unrounded pen is the last point: half a pixel on.
    draw("BM20,20S2R1");
    EXPECT_EQ(gfxPointInfo(2), 20.5f);
    gfxPset(nullptr, 0, 0, 7, COORD_ONE_STEP, 0);
    EXPECT_EQ(pixel8(21, 20), 7);
}

TEST_F(Draw, MalformedStringsStopWhereTheyGoWrong) {
    const std::string BAD[] = {
        "X",           "=",      "Q",     "1",        "M5", "M5,",  "M,5",  "A4",
        "A-1",         "A",      "TA361", "TA-361",   "T5", "S256", "S-1",  "C-1",
        "C4294967296", "U65536", "U-",    "M65536,0", "P1", "P1,",  "\x01", std::string(1, '\0'),
    };
    for (const std::string& bad : BAD) {
        openSmall();
        rtSetError(RT_OK);
        draw("BM10,10R2 " + bad + "D5");
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL) << bad;
        EXPECT_EQ(setPixels(), (Pixels{"10,10", "11,10", "12,10"})) << bad;
        EXPECT_EQ(gfxPointInfo(2), 12.0f) << bad;
        gfxCloseAtExit();
    }
    // The limits themselves are commands.
    openSmall();
    rtSetError(RT_OK);
    draw("U65535 D65535 S255 S0 TA-360 TA360 A3 C4294967295 M-65535,65535 M65535,-65535");
    EXPECT_EQ(rtGetError(), RT_OK);
    // No screen: nothing happens.
    gfxCloseAtExit();
    draw("X");
    EXPECT_EQ(rtGetError(), RT_OK);
}

// The model: the pen in double precision, y downwards, turns counter-
// clockwise (the mathematical plane's, y up), end points rounded half away
// from zero, and a line's pixels as LINE describes them.
struct Model {
    std::map<std::pair<long, long>, int> pixels;
    double x = 160, y = 120;
    int degrees = 0, scale = 4, colour = 15;

    void line(long x0, long y0, long x1, long y1) {
        long dx = std::labs(x1 - x0), dy = std::labs(y1 - y0);
        long sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
        bool steep = dy > dx;
        long along = steep ? dy : dx, across = steep ? dx : dy, err = 2 * across - along;
        for (long i = 0; i <= along; ++i) {
            pixels[{x0, y0}] = colour;
            if (err >= 0) (steep ? x0 : y0) += steep ? sx : sy, err -= 2 * along;
            err += 2 * across;
            (steep ? y0 : x0) += steep ? sy : sx;
        }
    }
    void by(double right, double down, bool blank, bool back) {
        int turn = (degrees % 360 + 360) % 360;
        auto r = turn % 90 ? std::polar(1.0, turn * std::numbers::pi / 180)
                           : std::complex<double>(turn == 0     ? 1
                                                  : turn == 180 ? -1
                                                                : 0,
                                                  turn == 90    ? 1
                                                  : turn == 270 ? -1
                                                                : 0);
        auto d = std::complex<double>(right, -down) * (scale / 4.0) * r;
        double toX = x + d.real(), toY = y - d.imag();
        if (!blank) line(std::lround(x), std::lround(y), std::lround(toX), std::lround(toY));
        if (!back) x = toX, y = toY;
    }
};

// 3000 random commands written with the model, which keeps them on the
// screen, drawn in one string and in strings of 100: the model's picture.
TEST_F(Draw, LongStringsMatchTheModel) {
    Model model;
    std::vector<std::string> parts;
    uint32_t seed = 2024;
    auto next = [&seed](int n) {
        return static_cast<int>(((seed = seed * 1664525u + 1013904223u) >> 8) % n);
    };
    char text[64];
    for (int i = 0; i < 3000; ++i) {
        if (i % 100 == 0) parts.emplace_back();
        int a = next(721) - 360, b = next(15) - 7, c = next(15) - 7, prefix = next(4);
        switch (next(8)) {
        case 0:
            std::snprintf(text, sizeof text, "TA%d", model.degrees = a);
            break;
        case 1:
            model.degrees = (a & 3) * 90;
            std::snprintf(text, sizeof text, "a%d", a & 3);
            break;
        case 2:
            model.scale = (a & 7) ? a & 7 : 4;
            std::snprintf(text, sizeof text, "S%d", a & 7);
            break;
        case 3:
            std::snprintf(text, sizeof text, "C%d", model.colour = 1 + (a & 7));
            break;
        case 4:
            model.by(b, c, false, false);
            std::snprintf(text, sizeof text, "M%c%d,%d", b < 0 ? '-' : '+', std::abs(b), c);
            break;
        default: { // a letter, upper or lower case, with B, N, both or neither
            static const char LETTERS[] = "UDLREFGHudlrefgh";
            static const int STEP[8][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0},
                                           {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
            int letter = a & 15, count = b + 7;
            model.by(STEP[letter % 8][0] * count, STEP[letter % 8][1] * count, prefix & 1,
                     prefix & 2);
            std::snprintf(text, sizeof text, "%s%s%c%d", prefix & 1 ? "B" : "",
                          prefix & 2 ? "n" : "", LETTERS[letter], count);
        }
        }
        parts.back() += text + std::string(1, " ;"[c & 1]);
        if (model.x < 40 || model.x > 280 || model.y < 40 || model.y > 200) {
            model.x = 160, model.y = 120;
            parts.back() += "BM160,120";
        }
    }
    ASSERT_GT(model.pixels.size(), 2000u);
    for (auto& [p, colour] : model.pixels)
        ASSERT_TRUE(p.first >= 0 && p.first < 320 && p.second >= 0 && p.second < 240);

    for (bool split : {false, true}) {
        ASSERT_EQ(gfxScreenSize(320, 240, 8, 1, SCRF_NULL, 0), 0);
        rtSetError(RT_OK);
        std::string whole = "BM160,120";
        for (const std::string& part : parts)
            whole += part;
        if (split) {
            draw("BM160,120");
            for (const std::string& part : parts)
                draw(part);
        } else {
            draw(whole);
        }
        EXPECT_EQ(rtGetError(), RT_OK);
        std::map<std::pair<long, long>, int> seen;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                if (pixel8(x, y)) seen[{x, y}] = pixel8(x, y);
        EXPECT_TRUE(seen == model.pixels) << "split " << split;
        EXPECT_EQ(gfxPointInfo(2), static_cast<float>(model.x));
        EXPECT_EQ(gfxPointInfo(3), static_cast<float>(model.y));
        gfxCloseAtExit();
    }
}

} // namespace
