// Screen mode setting, driver selection and the drawing context.
#include <cstring>
#include <limits>

#include "gfx/core/builtin_data.h"
#include "gfx/core/context.h"
#include "gfx/core/palette.h"
#include "gfx/core/pixel.h"
#include "gfx/core/gfx_test_support.h"
#include "runtime/runtime.h"

using namespace gfxtest;

namespace {

uint32_t floatBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

class Mode : public CoreTest {};
class Selection : public CoreTest {};
class Context : public CoreTest {};

TEST_F(Mode, DepthArgumentOnlyForModesAbove13) {
    openNull(21, 1);
    EXPECT_EQ(gfxMode->depth, 8);
    EXPECT_EQ(gfxMode->colorMask, 0xFFu);
    openNull(21, 32);
    EXPECT_EQ(gfxMode->depth, 32);
    EXPECT_EQ(gfxMode->bytesPerPixel, 4);
    EXPECT_EQ(gfxMode->pitch, 1280 * 4);
    openNull(13, 32);
    EXPECT_EQ(gfxMode->depth, 8);
    openNull(18, 15);
    EXPECT_EQ(gfxMode->depth, 16);
    EXPECT_EQ(gfxMode->colorMask, 0xFFFFu);
    openNull(18, 24);
    EXPECT_EQ(gfxMode->depth, 32);
    openNull(12);
    EXPECT_EQ(gfxMode->depth, 4);
    EXPECT_EQ(gfxMode->paletteInfo, &PALETTE_256);
}

TEST_F(Mode, LineMultipliedModesOpenADoubleHeightDisplay) {
    for (int32_t mode : {2, 8}) {
        gfxCloseAtExit();
        calls().clear();
        ASSERT_EQ(gfxScreen(mode, 0, 0, 0, 0), 0);
        ASSERT_NE(gfxMode, nullptr);
        EXPECT_EQ(gfxMode->height, 200);
        EXPECT_EQ(gfxMode->lineMultiplier, 2);
        ASSERT_FALSE(calls().empty());
        EXPECT_EQ(calls()[0],
                  "open DirectX 640x400x" + std::to_string(gfxMode->depth) + " rate=0 flags=0x0");
        // All 400 bytes exist (AddressSanitizer watches the last one).
        gfxMode->dirtyLines[399] = 2;
        EXPECT_EQ(gfxMode->dirtyLines[399], 2);
    }
}

TEST_F(Mode, DefaultPageCounts) {
    const int32_t expected[][2] = {{1, 8}, {2, 1},  {7, 8},  {8, 4},
                                   {9, 2}, {10, 2}, {13, 1}, {21, 1}};
    for (auto& e : expected) {
        openNull(e[0]);
        EXPECT_EQ(gfxMode->pageCount, e[1]) << "mode " << e[0];
    }
    openNull(13, 0, 3);
    EXPECT_EQ(gfxMode->pageCount, 3);
    for (int32_t p = 0; p < 3; ++p)
        EXPECT_EQ(reinterpret_cast<uintptr_t>(gfxMode->pages[p]) % 16, 0u);
}

TEST_F(Mode, TransparentReachesTheDriverAs0x1C) {
    ASSERT_EQ(gfxScreen(13, 0, 0, SCRF_TRANSPARENT, 0), 0);
    ASSERT_FALSE(calls().empty());
    EXPECT_EQ(calls()[0], "open DirectX 320x200x8 rate=0 flags=0x1C");
}

TEST_F(Mode, EveryOpenGetsANewIdAndTheContextFollows) {
    openNull(13);
    int32_t first = gfxMode->id;
    GfxContext* c = gfxGetContext();
    EXPECT_EQ(c->modeId, first);
    gfxSetLastPoint(c, 5, 0);
    openNull(21);
    EXPECT_NE(gfxMode->id, first);
    c = gfxGetContext();
    EXPECT_EQ(c->modeId, gfxMode->id);
    EXPECT_EQ(c->lastX, 0.0f);
    EXPECT_GE(c->linesCapacity, 1024);
    // The taller screen's last line is drawable at once.
    EXPECT_EQ(c->lines[1023], gfxMode->pages[0] + 1023 * gfxMode->pitch);
    EXPECT_EQ(gfxMode->aspect, 1.0666667f);
    EXPECT_EQ(floatBits(gfxMode->aspect), 0x3F888889u);
    EXPECT_EQ(c->foreground, 15u);
    EXPECT_EQ(c->background, 0u);
}

TEST_F(Mode, ScreenZeroWithNothingOpenResetsTheView) {
    rtViewTop = 3, rtViewBottom = 7;
    EXPECT_EQ(gfxScreen(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(gfxMode, nullptr);
    // The text view is the whole console again.
    EXPECT_EQ(rtViewTop, 0);
    EXPECT_NE(rtViewBottom, 7);
}

TEST_F(Mode, NullFlagsGiveAFramebufferWithoutAnyDriverCall) {
    openNull(13);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(gfxMode->driver, &GFX_NULL_DRIVER);
    EXPECT_NE(gfxMode->framebuffer, nullptr);
    EXPECT_EQ(gfxMode->flags & MODE_ALPHA, 0u);
}

TEST_F(Mode, UnknownModesAreRefusedAndChangeNothing) {
    openNull(13);
    GfxMode* open = gfxMode;
    for (int32_t mode : {3, 4, 5, 6, 22, -1, 1000}) {
        rtSetError(0);
        EXPECT_EQ(gfxScreen(mode, 0, 0, SCRF_NULL, 0), 1) << mode;
        EXPECT_EQ(rtGetError(), 1);
        EXPECT_EQ(gfxMode, open);
    }
}

TEST_F(Mode, ScreenBySize) {
    EXPECT_EQ(gfxScreenSize(0, 10, 8, 1, SCRF_NULL, 0), 1);
    EXPECT_EQ(gfxScreenSize(10, -1, 8, 1, SCRF_NULL, 0), 1);
    EXPECT_EQ(gfxScreenSize(10, 10, 3, 1, SCRF_NULL, 0), 1);
    EXPECT_EQ(gfxMode, nullptr);
    ASSERT_EQ(gfxScreenSize(100, 50, 24, 1, SCRF_NULL, 0), 0);
    EXPECT_EQ(gfxMode->modeNumber, -1);
    EXPECT_EQ(gfxMode->depth, 32);
    EXPECT_EQ(gfxMode->aspect, 1.0f);
    EXPECT_EQ(gfxGetContext()->background, 0xFF000000u);
    EXPECT_EQ(gfxGetContext()->foreground, 0xFFFFFFFFu);
}

TEST_F(Mode, OversizedScreensFailWithError1) {
    openNull(13);
    // 65535 x 65535 x 4 bytes does not fit a 32-bit size.
    EXPECT_EQ(gfxScreenSize(65535, 65535, 32, 1, SCRF_NULL, 0), 1);
    EXPECT_EQ(gfxScreenSize(70000, 10, 8, 1, SCRF_NULL, 0), 1);
    EXPECT_NE(gfxMode, nullptr);
    // Pages that together exceed 4 GiB: the open fails and leaves no screen.
    EXPECT_EQ(gfxSetMode(&MODE_TABLE[20], 21, 0, 5000, 0, SCRF_NULL), 1);
    EXPECT_EQ(gfxMode, nullptr);
    EXPECT_EQ(rtGetError(), 1);
    openNull(13);
}

TEST_F(Mode, NoDriverLeavesTheScreenClosed) {
    refusing().push_back("*");
    openNull(13);
    EXPECT_EQ(gfxScreen(21, 0, 0, SCRF_FULLSCREEN, 0), 0);
    EXPECT_EQ(gfxMode, nullptr);
    EXPECT_EQ(gfxScreenSize(64, 64, 8, 1, 0, 0), 1);
    EXPECT_EQ(gfxMode, nullptr);
}

TEST_F(Mode, OpenResetsThePaletteAndCloseClosesTheDriver) {
    ASSERT_EQ(gfxScreen(13, 0, 2, 0, 0), 0);
    ASSERT_NE(gfxMode, nullptr);
    EXPECT_EQ(gfxMode->palette[6], gfxPackRgb(170, 85, 0));
    EXPECT_EQ(gfxMode->palette[20], gfxPackRgb(56, 56, 56));
    gfxCloseAtExit();
    EXPECT_EQ(calls().back(), "close DirectX");
}

TEST_F(Mode, TitleGoesToTheDriver) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    char text[] = "a title";
    StringDescriptor title = {text, 7, 7};
    gfxSetTitle(&title);
    EXPECT_STREQ(gfxTitle, "a title");
    EXPECT_EQ(calls().back(), "caption a title");
}

// Screen layers ------------------------------------------------------------

// Layers that log their calls with the recording drivers'. The first opens
// before the driver, the others once the context is set up; `failWith` is
// what the second returns.
int32_t failWith = 0;
const GfxScreenLayer FIRST = {GFX_LAYER_WITH_BUFFERS,
                              [](GfxMode* m, const ModeInfo*) {
                                  calls().push_back("first open");
                                  return m->driver ? 99 : 0;
                              },
                              [](GfxMode*) { calls().push_back("first close"); }};
const GfxScreenLayer SECOND = {GFX_LAYER_WITH_SCREEN,
                               [](GfxMode* m, const ModeInfo*) {
                                   calls().push_back("second open");
                                   GfxContext* c = gfxCachedContext();
                                   return c && c->modeId == m->id ? failWith : 99;
                               },
                               [](GfxMode*) { calls().push_back("second close"); }};
const GfxScreenLayer THIRD = {GFX_LAYER_WITH_SCREEN,
                              [](GfxMode*, const ModeInfo*) {
                                  calls().push_back("third open");
                                  return 0;
                              },
                              [](GfxMode*) { calls().push_back("third close"); }};

// The calls that open or close something.
std::vector<std::string> opensAndCloses() {
    std::vector<std::string> out;
    for (const std::string& c : calls())
        if (c.find("open") != std::string::npos || c.find("close") != std::string::npos)
            out.push_back(c);
    return out;
}

TEST_F(Mode, LayersOpenInTheirStagesAndCloseLastFirst) {
    failWith = 0;
    for (const GfxScreenLayer* layer : {&FIRST, &SECOND, &THIRD, &FIRST})
        ASSERT_EQ(gfxAddScreenLayer(layer), 0);
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    ASSERT_NE(gfxMode, nullptr);
    // The list stays as the screen was opened with.
    EXPECT_EQ(gfxAddScreenLayer(&THIRD), 1);
    EXPECT_EQ(gfxRemoveScreenLayer(&THIRD), 1);
    gfxCloseAtExit();
    EXPECT_EQ(opensAndCloses(),
              (std::vector<std::string>{"first open", "open DirectX 320x200x8 rate=0 flags=0x0",
                                        "second open", "third open", "close DirectX", "third close",
                                        "second close", "first close"}));
}

TEST_F(Mode, ALayerWhoseOpenFailsLeavesTheScreenClosed) {
    failWith = RT_ERR_OUT_OF_MEMORY;
    for (const GfxScreenLayer* layer : {&FIRST, &SECOND, &THIRD})
        ASSERT_EQ(gfxAddScreenLayer(layer), 0);
    // Every buffer is freed: the leak check at exit would report any.
    EXPECT_EQ(gfxSetMode(&MODE_TABLE[12], 13, 0, 0, 0, 0), RT_ERR_OUT_OF_MEMORY);
    EXPECT_EQ(rtGetError(), RT_ERR_OUT_OF_MEMORY);
    EXPECT_EQ(gfxMode, nullptr);
    // Every layer closes, also the one that never opened.
    EXPECT_EQ(opensAndCloses(),
              (std::vector<std::string>{"first open", "open DirectX 320x200x8 rate=0 flags=0x0",
                                        "second open", "close DirectX", "third close",
                                        "second close", "first close"}));
}

// Selection ----------------------------------------------------------------

std::vector<std::string> attempts(const char* name, int32_t rate, int32_t flags) {
    char line[96];
    std::snprintf(line, sizeof line, "open %s 1280x1024x8 rate=%d flags=0x%X", name, rate,
                  static_cast<unsigned>(flags));
    return {line, std::string("close ") + name};
}

std::vector<std::string> pass(std::vector<const char*> names, int32_t rate, int32_t flags) {
    std::vector<std::string> out;
    for (const char* n : names) {
        for (int32_t r : {rate, 0})
            for (auto& s : attempts(n, r, flags))
                out.push_back(s);
    }
    return out;
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(Selection, WithoutZqgfxEveryDriverTwiceThenToggled) {
    refusing().push_back("*");
    gfxScreen(21, 1, 1, SCRF_FULLSCREEN, 0);
    EXPECT_EQ(calls(), concat({pass({"DirectX", "GDI", "OpenGL"}, 0, 1),
                               pass({"DirectX", "GDI", "OpenGL"}, 0, 0)}));
    EXPECT_EQ(gfxMode, nullptr);
}

TEST_F(Selection, RefreshRateRetryWithZero) {
    refusing().push_back("DirectX");
    // GDI accepts; DirectX is tried at 75, then 0, each followed by its close.
    gfxScreen(21, 0, 0, 0, 75);
    std::vector<std::string> expected =
        concat({attempts("DirectX", 75, 0), attempts("DirectX", 0, 0)});
    expected.push_back("open GDI 1280x1024x8 rate=75 flags=0x0");
    EXPECT_EQ(std::vector<std::string>(calls().begin(), calls().begin() + 5), expected);
    ASSERT_NE(gfxMode, nullptr);
    EXPECT_EQ(gfxMode->driver, &GDI);
    // What the driver that opened reported, not what a refused one left.
    EXPECT_EQ(gfxMode->refreshRate, 75);
    EXPECT_EQ(gfxDisplayOpened.width, 1280);
    EXPECT_EQ(gfxDisplayOpened.height, 1024);
    gfxScreen(0, 0, 0, 0, 0);
    EXPECT_EQ(gfxDisplayOpened.refreshRate, 0);
}

TEST_F(Selection, NamedDriverFirstInAnyLetterCase) {
    setEnv("ZQGFX", "gdi");
    gfxScreen(21, 0, 0, SCRF_FULLSCREEN, 0);
    ASSERT_FALSE(calls().empty());
    EXPECT_EQ(calls()[0], "open GDI 1280x1024x8 rate=0 flags=0x1");
    EXPECT_EQ(gfxMode->driver, &GDI);
}

TEST_F(Selection, NamedPassesAroundTheFullPasses) {
    setEnv("ZQGFX", "Gdi");
    refusing().push_back("*");
    gfxScreen(21, 0, 0, SCRF_FULLSCREEN, 0);
    EXPECT_EQ(calls(), concat({pass({"GDI"}, 0, 1), pass({"DirectX", "GDI", "OpenGL"}, 0, 1),
                               pass({"GDI"}, 0, 0), pass({"DirectX", "GDI", "OpenGL"}, 0, 0)}));
}

TEST_F(Selection, NullInUpperCaseTakesTheNullDriver) {
    setEnv("ZQGFX", "NULL");
    ASSERT_EQ(gfxScreen(13, 0, 0, SCRF_FULLSCREEN, 0), 0);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(gfxMode->driver, &GFX_NULL_DRIVER);
}

TEST_F(Selection, UnknownNameActsLikeNoVariable) {
    setEnv("ZQGFX", "vulkan");
    refusing().push_back("*");
    gfxScreen(21, 0, 0, SCRF_FULLSCREEN, 0);
    EXPECT_EQ(calls(), concat({pass({"DirectX", "GDI", "OpenGL"}, 0, 1),
                               pass({"DirectX", "GDI", "OpenGL"}, 0, 0)}));
}

TEST_F(Selection, ToggledFlagsReachTheDriverThatOpens) {
    refusing().push_back("DirectX");
    refusing().push_back("OpenGL");
    refusing().push_back("GDI");
    // Let GDI accept only in the toggled (windowed) pass.
    gfxDriverList = RECORDING_LIST;
    static const GfxDriver windowedGdi = {.name = "GDI",
                                          .open =
                                              [](const char* t, int32_t w, int32_t h, int32_t d,
                                                 int32_t r, int32_t f, GfxDisplayInfo* opened) {
                                                  int32_t result =
                                                      Recorder<1>::open(t, w, h, d, r, f, opened);
                                                  return (f & SCRF_FULLSCREEN) ? result : 0;
                                              },
                                          .close = Recorder<1>::close,
                                          .lock = Recorder<1>::lock,
                                          .unlock = Recorder<1>::unlock};
    static const GfxDriver* const list[] = {&DX, &windowedGdi, &GL, nullptr};
    gfxDriverList = list;
    gfxScreen(21, 0, 0, SCRF_FULLSCREEN | SCRF_TOPMOST, 0);
    ASSERT_NE(gfxMode, nullptr);
    EXPECT_EQ(gfxMode->driver, &windowedGdi);
    EXPECT_EQ(calls()[12], "open DirectX 1280x1024x8 rate=0 flags=0x20");
    EXPECT_EQ(calls()[16], "open GDI 1280x1024x8 rate=0 flags=0x20");
    EXPECT_EQ(calls()[17], "lock"); // the palette reset that follows the open
}

TEST_F(Selection, EveryFailedOpenIsFollowedByTheSameDriversClose) {
    refusing().push_back("*");
    setEnv("ZQGFX", "opengl");
    gfxScreen(13, 0, 0, 0, 60);
    ASSERT_EQ(calls().size() % 2, 0u);
    for (size_t i = 0; i < calls().size(); i += 2) {
        std::string name = calls()[i].substr(5, calls()[i].find(' ', 5) - 5);
        EXPECT_EQ(calls()[i + 1], "close " + name);
    }
    EXPECT_EQ(calls().size(), 2u * (2 + 6 + 2 + 6));
}

// Context ------------------------------------------------------------------

TEST_F(Context, MappingRoundsHalfAwayFromZero) {
    openNull(13);
    GfxContext* c = gfxGetContext();
    int32_t x, y;
    gfxMapPoint(c, 2.5f, -2.5f, &x, &y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, -3);
    gfxMapPoint(c, -0.4f, -0.5f, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, -1);
    gfxMapPoint(c, 1e30f, -1e30f, &x, &y);
    EXPECT_EQ(x, GFX_COORD_LIMIT);
    EXPECT_EQ(y, -GFX_COORD_LIMIT);
    gfxMapPoint(c, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                &x, &y);
    EXPECT_FALSE(gfxInView(c, x, y));
}

TEST(Rounding, BitwiseRoundingEqualsTheArithmeticOne) {
    // Across the whole single range (every 4093rd bit pattern, which visits
    // every exponent and both signs), the bit-level rounding agrees with
    // truncating v + 0.5 / v - 0.5 in double precision, saturated.
    for (uint64_t b = 0; b <= 0xFFFFFFFFu; b += 4093) {
        uint32_t bits = static_cast<uint32_t>(b);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        double v = f;
        ASSERT_EQ(gfxRound(f), gfxTruncate(v > 0 ? v + 0.5 : v - 0.5)) << std::hex << bits;
    }
    EXPECT_EQ(gfxRound(0.49999997f), 0);
    EXPECT_EQ(gfxRound(-1073741824.0f), -GFX_COORD_LIMIT);
    EXPECT_EQ(gfxRound(1073741760.0f), 1073741760);
}

TEST_F(Context, StepTypes) {
    openNull(13);
    GfxContext* c = gfxGetContext();
    gfxSetLastPoint(c, 10, 20);
    float x1 = 1, y1 = 2, x2 = 3, y2 = 4;
    gfxApplyStep(c, COORD_STEP_STEP, &x1, &y1, &x2, &y2);
    EXPECT_EQ(x1, 11);
    EXPECT_EQ(y1, 22);
    EXPECT_EQ(x2, 14);
    EXPECT_EQ(y2, 26);
    EXPECT_EQ(c->lastX, 14);
    EXPECT_EQ(c->lastY, 26);
    float a = 5, b = 6;
    gfxApplyStep(c, COORD_ONE_ABS, &a, &b, nullptr, nullptr);
    EXPECT_EQ(c->lastX, 5);
    gfxApplyStep(c, 7, &a, &b, nullptr, nullptr); // 6 and 7 act as absolute
    EXPECT_EQ(c->lastX, 5);
    gfxApplyStep(c, COORD_ONE_STEP, &a, &b, nullptr, nullptr);
    EXPECT_EQ(c->lastX, 10);
    EXPECT_EQ(c->lastY, 12);
}

TEST_F(Context, ViewResetAndPointInfo) {
    openNull(13);
    GfxContext* c = gfxGetContext();
    gfxSetView(c, 10, 0, 5, 200);
    c->flags |= CTX_VIEW;
    gfxView(-32768, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(c->view[0], 0);
    EXPECT_EQ(c->view[2], 320);
    EXPECT_EQ(c->flags & CTX_VIEW, 0u);
    gfxSetLastPoint(c, 10.6f, 20.2f);
    EXPECT_EQ(gfxPointInfo(2), 10.6f);
    EXPECT_EQ(gfxPmap(3.5f, 1), 3.5f);
    EXPECT_EQ(gfxPmap(3.5f, 4), 0.0f);
    gfxCloseAtExit();
    EXPECT_EQ(gfxPointInfo(0), 0.0f);
    EXPECT_EQ(gfxScreenPtr(), nullptr);
}

} // namespace
