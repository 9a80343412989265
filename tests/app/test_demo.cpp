// The demonstration's drawing: its first point, its picture against the
// hand-written reference loop, and the headless path without a driver.
#include <cmath>
#include <vector>

#include "app/demo.h"
#include "gfx/core/gfx_test_support.h"
#include "runtime/rnd.h"
#include "runtime/runtime.h"
#include "tools/demo_reference.h"

using namespace gfxtest;

namespace {

class Demo : public GfxTest {};

TEST(DemoPoints, FirstPointIs422And336) {
    demoResetRandom();
    auto x = static_cast<float>(std::floor(rtRnd(1.0f) * 1280.0));
    auto y = static_cast<float>(std::floor(rtRnd(1.0f) * 1024.0));
    EXPECT_EQ(x, 422.0f);
    EXPECT_EQ(y, 336.0f);
}

TEST_F(Demo, PictureMatchesTheReferenceLoop) {
    setEnv("ZQGFX", "null");
    demoResetRandom();
    demoDraw();
    ASSERT_NE(gfxMode, nullptr);
    EXPECT_EQ(gfxMode->width, 1280);
    EXPECT_EQ(gfxMode->height, 1024);
    EXPECT_EQ(gfxMode->depth, 8);
    EXPECT_EQ(gfxMode->palette[0], 0u);
    std::vector<uint8_t> reference(DEMO_WIDTH * DEMO_HEIGHT, 0);
    demoReference(reference.data());
    int32_t lit = 0, differing = 0;
    for (int32_t y = 0; y < DEMO_HEIGHT; ++y)
        for (int32_t x = 0; x < DEMO_WIDTH; ++x) {
            uint8_t v = pixel8(x, y);
            ASSERT_TRUE(v == 0 || v == 15) << x << "," << y;
            lit += v == 15;
            differing += v != reference[y * DEMO_WIDTH + x];
        }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(lit, 7312);
    // The same picture on both targets (i686 with x87 arithmetic, x86-64
    // with SSE): a hash of every pixel, fixed here, must match on each.
    uint64_t hash = 0xCBF29CE484222325u;
    for (int32_t y = 0; y < DEMO_HEIGHT; ++y)
        for (int32_t x = 0; x < DEMO_WIDTH; ++x)
            hash = (hash ^ pixel8(x, y)) * 0x100000001B3u;
    EXPECT_EQ(hash, 0x75A59869630BAE79u);
    EXPECT_EQ(countDirty(), 1024); // the palette call marked every line
}

TEST_F(Demo, WithoutADriverNothingIsDrawn) {
    refusing().push_back("*");
    demoResetRandom();
    demoDraw();
    EXPECT_EQ(gfxMode, nullptr);
    EXPECT_EQ(calls().size(), 24u); // three drivers, two rates, two full-screen passes
    EXPECT_EQ(rtState.hooks.viewUpdate, nullptr);
}

} // namespace
