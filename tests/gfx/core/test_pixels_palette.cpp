// Pixel routines, colour conversion, blending, the palette and the lock.
#include <cstring>
#include <vector>

#include "gfx/core/lock.h"
#include "gfx/core/palette.h"
#include "gfx/core/pixel.h"
#include "gfx/core/gfx_test_support.h"
#include "runtime/platform.h"

using namespace gfxtest;

namespace {

class Pixels : public CoreTest {
  protected:
    void TearDown() override {
        gfxCpuOverride = 0;
        CoreTest::TearDown();
    }
};
class Palette : public CoreTest {};
class Lock : public CoreTest {};

TEST(PixelFormat, ColourConversion) {
    EXPECT_EQ(gfxColorToPixel(2, 0xFFFFFF), 0xFFFFu);
    EXPECT_EQ(gfxColorToPixel(2, 0x123456), 0x11AAu);
    EXPECT_EQ(gfxColorToPixel(1, 0x1FF), 0xFFu);
    EXPECT_EQ(gfxColorToPixel(4, 0x80FF0000), 0x80FF0000u);
    EXPECT_EQ(gfxRgbToPixel(2, 7, 255, 128, 8), 0xFC01u);
    EXPECT_EQ(gfxRgbToPixel(1, 7, 255, 128, 8), 7u);
}

TEST(PixelFormat, BlendsDifferOnlyInAlpha) {
    EXPECT_EQ(gfxBlendPlain(0x80FF0000, 0xFF0000FF), 0x807F007Fu);
    EXPECT_EQ(gfxBlendVector(0x80FF0000, 0xFF0000FF), 0xBF7F007Fu);
    // Every channel pair and alpha agree with the formula in both routines.
    for (uint32_t s = 0; s < 256; s += 5)
        for (uint32_t d = 0; d < 256; d += 3)
            for (uint32_t a : {0u, 1u, 0x7Fu, 0x80u, 0xFEu}) {
                int32_t want = (static_cast<int32_t>(d) +
                                ((static_cast<int32_t>(s) - static_cast<int32_t>(d)) *
                                     static_cast<int32_t>(a) >>
                                 8)) &
                               0xFF;
                uint32_t source = a << 24 | s << 8, dest = d << 8 | d << 24;
                ASSERT_EQ((gfxBlendPlain(source, dest) >> 8) & 0xFF, static_cast<uint32_t>(want));
                ASSERT_EQ((gfxBlendVector(source, dest) >> 8) & 0xFF, static_cast<uint32_t>(want));
            }
}

TEST(PixelFormat, WideFillsAndCopiesWriteExactlyTheirCount) {
    constexpr int GUARD = 40, MAX = 33;
    auto check = [](int n, int unit, auto fill, uint32_t value) {
        std::vector<uint8_t> buffer(unit * MAX + 2 * GUARD, 0xEE);
        uint8_t* d = buffer.data() + GUARD + 1; // deliberately unaligned
        fill(d, value, n);
        for (int i = 0; i < n * unit; ++i)
            ASSERT_EQ(d[i], static_cast<uint8_t>(value >> (8 * (i % unit)))) << n;
        ASSERT_EQ(d[n * unit], 0xEE) << n;
        ASSERT_EQ(d[-1], 0xEE) << n;
    };
    for (int n = 0; n <= MAX; ++n) {
        check(n, 4, gfxFill32Wide, 0x11223344);
        check(n, 2, gfxFill16Wide, 0xABCD);
        check(
            n, 1, [](uint8_t* d, uint32_t v, int k) { gfxMemFillWide(d, v, k); }, 0x5A);
        std::vector<uint8_t> source(static_cast<size_t>(n) + 1), target(MAX + 1, 0xEE);
        for (int i = 0; i < n; ++i)
            source[i] = static_cast<uint8_t>(i * 7 + 1);
        gfxMemCopyWide(target.data(), source.data(), static_cast<size_t>(n));
        ASSERT_EQ(std::memcmp(target.data(), source.data(), static_cast<size_t>(n)), 0);
        ASSERT_EQ(target[n], 0xEE);
    }
    // Thirteen pixels at four bytes: 1 + 4 + 8 and nothing beyond.
    uint32_t pixels[16] = {};
    gfxFill32Wide(reinterpret_cast<uint8_t*>(pixels), 7, 13);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(pixels[i], i < 13 ? 7u : 0u);
}

// Palette ------------------------------------------------------------------

TEST_F(Palette, DemoCallBlackensEntryZeroAndMarksEveryLine) {
    ASSERT_EQ(gfxScreen(21, 1, 1, 0, 0), 0);
    gfxPalette(0, 0x151515, 0, 0); // something other than black first
    clearDirty();
    calls().clear();
    gfxPalette(0, 0, -1, -1);
    EXPECT_EQ(gfxMode->palette[0], 0u);
    EXPECT_EQ(countDirty(), 1024);
    EXPECT_EQ(calls(), (std::vector<std::string>{"lock", "setColor 0 0 0 0", "unlock"}));
}

TEST_F(Palette, PackedAndComponentForms) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0);
    gfxPalette(1, 63, -1, -1);
    EXPECT_EQ(gfxMode->palette[1], gfxPackRgb(255, 0, 0));
    gfxPalette(1, 255, 128, 0);
    EXPECT_EQ(gfxMode->palette[1], gfxPackRgb(255, 129, 0));
    EXPECT_EQ(calls().back(), "unlock");
    EXPECT_EQ(calls()[calls().size() - 2], "setColor 1 255 129 0");
    gfxPalette(257, 63 << 8, -1, -1); // index masked to 1
    EXPECT_EQ(gfxMode->palette[1], gfxPackRgb(0, 255, 0));
    gfxPalette(-3, 0, 0, 0);
    EXPECT_EQ(gfxMode->palette[1], gfxPackRgb(0, 0, 170));
}

TEST_F(Palette, SmallPalettesChooseColourNumbers) {
    openNull(9);
    EXPECT_EQ(gfxMode->palette[6], gfxPackRgb(170, 85, 0)); // map entry 20
    EXPECT_EQ(gfxMode->colorTable[6], gfxPackRgb(170, 170, 0));
    gfxPalette(1, 62, -1, -1);
    EXPECT_EQ(gfxMode->palette[1], gfxPackRgb(255, 255, 85));
    EXPECT_EQ(gfxMode->attrMap[1], 62);
    // An index beyond the 16 pixel values stays inside the buffers.
    gfxPalette(40, 5, -1, -1);
    EXPECT_EQ(gfxMode->palette[40], gfxMode->colorTable[5]);

    openNull(1);
    gfxPalette(-2, 0, 0, 0);
    const uint8_t expected[] = {0, 10, 12, 14};
    EXPECT_EQ(std::memcmp(gfxMode->attrMap, expected, 4), 0);
    EXPECT_EQ(gfxMode->palette[1], gfxPackRgb(85, 255, 85));
    gfxPalette(-1, 0, 0, 0);
    EXPECT_EQ(gfxMode->palette[3], gfxPackRgb(255, 255, 255));
    EXPECT_EQ(gfxMode->palette[4], 0u); // beyond 2^depth: untouched

    openNull(13);
    gfxPalette(-2, 0, 0, 0);
    EXPECT_EQ(gfxMode->palette[1], gfxPackRgb(0, 0, 170));
    EXPECT_EQ(gfxMode->palette[255], 0u);
    EXPECT_EQ(gfxMode->palette[32], gfxPackRgb(0, 0, 255));
}

TEST_F(Palette, NothingHappensAboveEightBits) {
    ASSERT_EQ(gfxScreen(18, 32, 0, 0, 0), 0);
    calls().clear();
    gfxPalette(1, 63, -1, -1);
    gfxPalette(-1, 0, 0, 0);
    int32_t values[256] = {};
    gfxPaletteUsing(values);
    EXPECT_TRUE(calls().empty());
}

TEST_F(Palette, UsingSkipsNegativeEntriesAndResendSendsAll) {
    ASSERT_EQ(gfxScreen(7, 0, 0, 0, 0), 0);
    int32_t values[16];
    for (int i = 0; i < 16; ++i)
        values[i] = -1;
    values[2] = 14;
    uint32_t before = gfxMode->palette[3];
    clearDirty();
    gfxPaletteUsing(values);
    EXPECT_EQ(gfxMode->palette[2], gfxPackRgb(255, 255, 85));
    EXPECT_EQ(gfxMode->palette[3], before);
    EXPECT_EQ(countDirty(), 200);
    calls().clear();
    gfxResendPalette();
    ASSERT_EQ(calls().size(), 256u);
    EXPECT_EQ(calls()[2], "setColor 2 255 255 85");
}

// Lock ---------------------------------------------------------------------

TEST_F(Lock, NestedLocksCallTheDriverOnce) {
    ASSERT_EQ(gfxScreen(13, 0, 2, 0, 0), 0);
    calls().clear();
    gfxLock();
    gfxLock();
    gfxUnlock(1, 0);
    gfxUnlock(1, 0);
    gfxUnlock(1, 0); // already released: no driver call
    EXPECT_EQ(calls(), (std::vector<std::string>{"lock", "unlock"}));
    EXPECT_EQ(gfxMode->lockCount, 0);
}

TEST_F(Lock, MarkingRules) {
    ASSERT_EQ(gfxScreen(13, 0, 2, 0, 0), 0);
    clearDirty();
    gfxLock();
    gfxUnlock(5, 200); // last not below height
    EXPECT_EQ(countDirty(), 0);
    gfxLock();
    gfxUnlock(-4, 2);
    EXPECT_EQ(countDirty(), 3);
    gfxLock();
    gfxUnlock(190, -1);
    EXPECT_EQ(countDirty(), 13);
    clearDirty();
    gfxSetWorkPage(gfxGetContext(), 1);
    gfxLock();
    gfxUnlock(0, -1);
    EXPECT_EQ(countDirty(), 0);
    gfxSetWorkPage(gfxGetContext(), 0);
    gfxUnlock(0, -1); // marks although nothing is held
    EXPECT_EQ(countDirty(), 200);
}

} // namespace
