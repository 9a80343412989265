// Blitters against hand-built screens: the worked values, a per-pixel
// reference for the portable family, the vector family byte for byte against
// the portable one, and the selection rules.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "gfx/blit/blit.h"
#include "gfx/core/screen_layers.h"
#include "gfx/blit/blit_internal.h"
#include "gfx/core/driver.h"
#include "gfx/core/mode.h"

namespace {

// A screen record built by hand, installed as the open screen for its lifetime.
struct TestScreen {
    GfxMode mode{};
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> palette = std::vector<uint32_t>(256);
    std::vector<uint8_t> dirty;
    std::vector<uint32_t> tables = std::vector<uint32_t>(GFX_BLIT_TABLES_SIZE / 4);

    TestScreen(int32_t width, int32_t height, int32_t depth, int32_t multiplier = 1,
               uint32_t flags = 0) {
        mode.width = width;
        mode.height = height;
        mode.depth = depth;
        mode.bytesPerPixel = (depth + 7) / 8;
        mode.pitch = mode.bytesPerPixel * width;
        mode.lineMultiplier = multiplier;
        mode.flags = flags;
        pixels.assign(static_cast<size_t>(mode.pitch) * height, 0);
        dirty.assign(static_cast<size_t>(height) * multiplier, 1);
        mode.framebuffer = pixels.data();
        mode.palette = palette.data();
        mode.dirtyLines = dirty.data();
        gfxMode = &mode;
        gfxBlitTables = tables.data();
    }
    ~TestScreen() {
        gfxMode = nullptr;
        gfxBlitTables = nullptr;
    }
    void set(int32_t x, int32_t y, uint32_t value) {
        std::memcpy(&pixels[static_cast<size_t>(y) * mode.pitch + x * mode.bytesPerPixel], &value,
                    mode.bytesPerPixel);
    }
};

// A destination with guard bytes before and after, pre-filled with a pattern.
struct Target {
    static constexpr int32_t GUARD = 64;
    int32_t pitch, rows;
    std::vector<uint8_t> bytes;
    Target(int32_t pitch_, int32_t rows_) : pitch(pitch_), rows(rows_) {
        bytes.resize(static_cast<size_t>(pitch) * rows + 2 * GUARD);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(0xA5 ^ i * 7);
    }
    uint8_t* row(int32_t r) { return bytes.data() + GUARD + static_cast<ptrdiff_t>(r) * pitch; }
    uint8_t pattern(size_t i) const { return static_cast<uint8_t>(0xA5 ^ i * 7); }
    uint32_t read(int32_t r, int32_t offset, int32_t size) {
        uint32_t v = 0;
        std::memcpy(&v, row(r) + offset, size);
        return v;
    }
};

constexpr int32_t DISPLAY_DEPTHS[] = {15, 16, 24, 32};

// The family the selection prefers on this processor.
const BlitFamily& vectorFamily() {
    return gfxBlitVectorFamily();
}
constexpr int32_t SOURCE_DEPTHS[] = {8, 16, 32};

int32_t displayBytes(int32_t depth) {
    return depth == 8 ? 1 : depth <= 16 ? 2 : depth / 8;
}

int32_t slotOf(int32_t sourceDepth, int32_t displayDepth) {
    const int32_t group = sourceDepth == 8 ? 0 : sourceDepth == 16 ? 1 : 2;
    const int32_t column = displayDepth == 15 ? 0 : displayDepth == 16 ? 1 : displayDepth / 8 - 1;
    return group * 4 + column;
}

// The display value of one source pixel, written from the format tables.
uint32_t reference(int32_t sourceDepth, int32_t displayDepth, bool swapped, uint32_t p,
                   const uint32_t* palette) {
    uint32_t r, g, b;
    if (sourceDepth == 8) {
        if (displayDepth == 8) return p;
        r = palette[p] & 0xFF, g = palette[p] >> 8 & 0xFF, b = palette[p] >> 16 & 0xFF;
    } else if (sourceDepth == 16) {
        const uint32_t r5 = p >> 11, g6 = p >> 5 & 0x3F, b5 = p & 0x1F;
        if (displayDepth == 15)
            return swapped ? b5 << 10 | g6 >> 1 << 5 | r5 : r5 << 10 | g6 >> 1 << 5 | b5;
        if (displayDepth == 16) return swapped ? b5 << 11 | g6 << 5 | r5 : p;
        r = r5 << 3, g = g6 << 2, b = b5 << 3; // no low-bit replication
    } else {
        if (displayDepth == 32 && !swapped) return p; // plain copy keeps the top byte
        r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
    }
    if (swapped) std::swap(r, b);
    switch (displayDepth) {
    case 15:
        return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case 16:
        return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    default: // 24 and 32: bytes blue, green, red in the normal order
        return r << 16 | g << 8 | b;
    }
}

void randomize(TestScreen& s, std::mt19937& rng, bool allDirty) {
    for (auto& b : s.pixels)
        b = static_cast<uint8_t>(rng());
    for (auto& e : s.palette)
        e = rng() & 0xFFFFFF;
    for (auto& d : s.dirty)
        d = allDirty ? 1 : (rng() % 3 == 0 ? 0 : static_cast<uint8_t>(rng()) | 1);
}

// Pattern bytes outside the written rows' converted width must survive.
void expectUntouchedOutside(Target& t, const TestScreen& s, int32_t rowBytes) {
    const int32_t multiplier = s.mode.lineMultiplier;
    for (size_t i = 0; i < t.bytes.size(); ++i) {
        const ptrdiff_t offset = static_cast<ptrdiff_t>(i) - Target::GUARD;
        bool written = false;
        if (offset >= 0 && offset < static_cast<ptrdiff_t>(t.pitch) * t.rows) {
            const int32_t row = static_cast<int32_t>(offset / t.pitch);
            written = offset % t.pitch < rowBytes && s.dirty[row / multiplier] != 0;
        }
        if (!written) {
            ASSERT_EQ(t.bytes[i], t.pattern(i)) << "byte " << offset << " written";
        }
    }
}

TEST(BlitWorkedValues, PaletteSourceInEveryFamily) {
    for (uint32_t flags : {0u, uint32_t{MODE_MMX}}) {
        TestScreen s(4, 1, 8, 1, flags);
        s.palette[5] = 255 | 128 << 8; // red 255, green 128, blue 0
        s.palette[6] = 0xFF0000;       // pure blue
        s.set(0, 0, 5);
        s.set(1, 0, 6);
        Target t(16, 1);
        gfxSelectBlitter(32, 0)(t.row(0), t.pitch);
        EXPECT_EQ(t.read(0, 0, 4), 0x00FF8000u);
        gfxSelectBlitter(16, 0)(t.row(0), t.pitch);
        EXPECT_EQ(t.read(0, 0, 2), 0xFC00u);
        gfxSelectBlitter(24, 0)(t.row(0), t.pitch);
        EXPECT_EQ(t.read(0, 0, 3), 0xFF8000u); // bytes 0x00, 0x80, 0xFF
        gfxSelectBlitter(16, 1)(t.row(0), t.pitch);
        // The neighbour in the same 32-bit store keeps its own colour (blue, swapped).
        EXPECT_EQ(t.read(0, 0, 4), 0xF800u << 16 | 0x041F);
    }
}

TEST(BlitWorkedValues, DirectColourSources) {
    for (uint32_t flags : {0u, uint32_t{MODE_MMX}}) {
        TestScreen s32(4, 1, 32, 1, flags);
        s32.set(0, 0, 0xFF102030);
        Target t(16, 1);
        gfxSelectBlitter(15, 1)(t.row(0), t.pitch);
        EXPECT_EQ(t.read(0, 0, 2), 0x1882u);

        TestScreen s16(4, 1, 16, 1, flags);
        s16.set(0, 0, 0xFFFF);
        s16.set(1, 0, 0xF800);
        gfxSelectBlitter(32, 0)(t.row(0), t.pitch);
        EXPECT_EQ(t.read(0, 0, 4), 0x00F8FCF8u);
        gfxSelectBlitter(15, 0)(t.row(0), t.pitch);
        EXPECT_EQ(t.read(0, 2, 2), 0x7C00u);
        gfxSelectBlitter(15, 1)(t.row(0), t.pitch);
        EXPECT_EQ(t.read(0, 2, 2), 0x001Fu);
    }
}

TEST(BlitWorkedValues, LineMultiplierFillsTwoRowsPerDirtyRow) {
    TestScreen s(3, 3, 8, 2, MODE_MMX);
    s.palette[1] = 0x0000FF;
    for (int32_t x = 0; x < 3; ++x)
        s.set(x, 0, 1), s.set(x, 2, 1);
    s.dirty.assign(6, 0);
    s.dirty[0] = s.dirty[2] = 1;
    Target t(12, 6);
    Blitter b = gfxSelectBlitter(32, 0);
    ASSERT_EQ(b, gfxBlitPortable.slots[0][3]); // two rows per source row: portable
    b(t.row(0), t.pitch);
    for (int32_t row : {0, 1, 4, 5})
        EXPECT_EQ(t.read(row, 8, 4), 0x00FF0000u) << row;
    expectUntouchedOutside(t, s, 12); // rows 2 and 3 (clean source row 1) untouched
}

TEST(BlitSelection, UnsupportedPairsGiveNone) {
    {
        TestScreen s(8, 2, 16);
        EXPECT_EQ(gfxSelectBlitter(8, 0), nullptr);
        EXPECT_EQ(gfxSelectBlitter(8, 1), nullptr);
        for (int32_t depth : {-1, 0, 1, 4, 12, 17, 64})
            EXPECT_EQ(gfxSelectBlitter(depth, 0), nullptr);
    }
    {
        TestScreen s(8, 2, 32);
        EXPECT_EQ(gfxSelectBlitter(8, 0), nullptr);
    }
    for (int32_t depth : {1, 2, 4, 8}) {
        TestScreen s(8, 2, depth, 1, MODE_MMX);
        EXPECT_EQ(gfxSelectBlitter(8, 0), vectorFamily().copy);
        EXPECT_EQ(gfxSelectBlitter(8, 1), vectorFamily().copy);
        s.mode.flags = 0;
        EXPECT_EQ(gfxSelectBlitter(8, 0), gfxBlitPlainCopy);
    }
    {
        TestScreen s(8, 2, 24); // never stored that way
        EXPECT_EQ(gfxSelectBlitter(32, 0), nullptr);
    }
    EXPECT_EQ(gfxSelectBlitter(32, 0), nullptr); // no screen open
}

TEST(BlitSelection, MissingTablesRefuseOnlyTheExpandingPair) {
    TestScreen s(8, 2, 16);
    gfxBlitTables = nullptr;
    EXPECT_EQ(gfxSelectBlitter(24, 0), nullptr);
    EXPECT_EQ(gfxSelectBlitter(32, 1), nullptr);
    EXPECT_NE(gfxSelectBlitter(15, 0), nullptr);
    // A blitter run after the tables are gone writes nothing.
    gfxBlitTables = s.tables.data();
    Blitter b = gfxSelectBlitter(32, 0);
    gfxBlitTables = nullptr;
    Target t(32, 2);
    b(t.row(0), t.pitch);
    expectUntouchedOutside(t, s, 0);
    // And so does any blitter while no screen is open.
    gfxMode = nullptr;
    b(t.row(0), t.pitch);
    gfxBlitPlainCopy(t.row(0), t.pitch);
    expectUntouchedOutside(t, s, 0);
}

TEST(BlitSelection, TablesFollowTheLastOrder) {
    TestScreen s(8, 1, 16);
    gfxSelectBlitter(32, 1);
    EXPECT_EQ(s.tables[0xFF], 0xF81C00u);
    EXPECT_EQ(s.tables[256 + 0xFF], 0xE0F8u);
    gfxSelectBlitter(24, 0);
    EXPECT_EQ(s.tables[0xFF], 0x1CF8u);
    EXPECT_EQ(s.tables[256 + 0xFF], 0xF8E000u);
}

TEST(BlitSelection, VectorFamilyOnlyForMmxSingleRowsAndWidthsOfFour) {
    const BlitFamily& vector = vectorFamily();
    struct Case {
        int32_t width, multiplier;
        uint32_t flags;
        bool vector;
    } cases[] = {{8, 1, MODE_MMX, true},   {12, 1, MODE_MMX, true}, {8, 1, 0, false},
                 {10, 1, MODE_MMX, false}, {8, 2, MODE_MMX, false}, {1, 1, MODE_MMX, false}};
    for (const Case& c : cases)
        for (int32_t depth : SOURCE_DEPTHS)
            for (int32_t display : DISPLAY_DEPTHS)
                for (int32_t order : {0, 1}) {
                    TestScreen s(c.width, 2, depth, c.multiplier, c.flags);
                    const BlitFamily& f = c.vector ? vector : gfxBlitPortable;
                    EXPECT_EQ(gfxSelectBlitter(display, order),
                              f.slots[order][slotOf(depth, display)])
                        << c.width << " " << depth << " " << display << " " << order;
                }
}

// Every portable member against the reference, for awkward widths, pitches
// that are not multiples of 4, both multipliers and random dirty rows.
TEST(BlitPortable, MatchesReferenceAndWritesOnlyDirtyRows) {
    std::mt19937 rng(1234);
    for (int32_t depth : SOURCE_DEPTHS)
        for (int32_t display : {8, 15, 16, 24, 32})
            for (int32_t order : {0, 1})
                for (int32_t width : {1, 2, 3, 5, 7, 16, 33})
                    for (int32_t multiplier : {1, 2}) {
                        if (display == 8 && depth != 8) continue;
                        const int32_t height = width == 1 ? 1 : 5;
                        TestScreen s(width, height, depth, multiplier);
                        randomize(s, rng, false);
                        Blitter b = gfxSelectBlitter(display, order);
                        ASSERT_NE(b, nullptr);
                        const int32_t out = displayBytes(display);
                        Target t(width * out + static_cast<int32_t>(rng() % 7),
                                 height * multiplier);
                        b(t.row(0), t.pitch);
                        for (int32_t row = 0; row < height * multiplier; ++row) {
                            const int32_t source = row / multiplier;
                            if (!s.dirty[source]) continue;
                            for (int32_t x = 0; x < width; ++x) {
                                uint32_t p = 0;
                                std::memcpy(
                                    &p, &s.pixels[source * s.mode.pitch + x * s.mode.bytesPerPixel],
                                    s.mode.bytesPerPixel);
                                ASSERT_EQ(t.read(row, x * out, out),
                                          reference(depth, display, order, p, s.palette.data()))
                                    << depth << "->" << display << " order " << order << " width "
                                    << width << " x " << x << " row " << row;
                            }
                        }
                        expectUntouchedOutside(t, s, width * out);
                    }
}

void expectFamilyMatchesPortable(const BlitFamily& family) {
    std::mt19937 rng(99);
    for (int32_t depth : SOURCE_DEPTHS)
        for (int32_t display : DISPLAY_DEPTHS)
            for (int32_t order : {0, 1})
                for (int32_t width = 4; width <= 132; width += 4)
                    for (int32_t height : {1, 3, 8}) {
                        TestScreen s(width, height, depth, 1, MODE_MMX);
                        randomize(s, rng, false);
                        gfxBlitBuildTables(s.tables.data(), order);
                        const int32_t out = displayBytes(display);
                        const int32_t pitch = width * out + static_cast<int32_t>(rng() % 9);
                        Target expected(pitch, height), actual(pitch, height);
                        const int32_t slot = slotOf(depth, display);
                        gfxBlitPortable.slots[order][slot](expected.row(0), pitch);
                        family.slots[order][slot](actual.row(0), pitch);
                        ASSERT_EQ(expected.bytes, actual.bytes)
                            << depth << "->" << display << " order " << order << " width " << width
                            << " height " << height;
                        expectUntouchedOutside(actual, s, width * out);
                    }
}

// A bottom-up destination: a negative pitch walks the rows upwards.
void expectNegativePitchMatchesPortable(const BlitFamily& family) {
    std::mt19937 rng(11);
    for (int32_t depth : SOURCE_DEPTHS)
        for (int32_t display : DISPLAY_DEPTHS) {
            TestScreen s(20, 4, depth, 1, MODE_MMX);
            randomize(s, rng, false);
            gfxBlitBuildTables(s.tables.data(), 0);
            const int32_t pitch = 20 * displayBytes(display) + 3;
            Target expected(pitch, 4), actual(pitch, 4);
            const int32_t slot = slotOf(depth, display);
            gfxBlitPortable.slots[0][slot](expected.row(3), -pitch);
            family.slots[0][slot](actual.row(3), -pitch);
            ASSERT_EQ(expected.bytes, actual.bytes) << depth << "->" << display;
            uint32_t p = 0;
            std::memcpy(&p, &s.pixels[0], s.mode.bytesPerPixel);
            if (s.dirty[0]) {
                EXPECT_EQ(actual.read(3, 0, displayBytes(display)),
                          reference(depth, display, false, p, s.palette.data()));
            }
        }
}

// Whole frames of palette pixels into destinations at several alignments.
void expectLargeFramesMatchPortable(const BlitFamily& family) {
    std::mt19937 rng(5);
    const int32_t width = 516, height = 300;
    TestScreen s(width, height, 8, 1, MODE_MMX);
    randomize(s, rng, true);
    for (int32_t display : DISPLAY_DEPTHS)
        for (int32_t order : {0, 1})
            for (int32_t offset : {0, 1, 6, 12}) {
                const int32_t pitch = width * displayBytes(display) + 20;
                Target expected(pitch, height + 1), actual(pitch, height + 1);
                const int32_t slot = slotOf(8, display);
                gfxBlitPortable.slots[order][slot](expected.row(0) + offset, pitch);
                family.slots[order][slot](actual.row(0) + offset, pitch);
                ASSERT_EQ(expected.bytes, actual.bytes)
                    << "8->" << display << " order " << order << " offset " << offset;
            }
}

// The family's plain row copy: every row length from 4 bytes up past several
// wide steps, into destinations at every offset within a 32-byte line, so
// the short rows, the unaligned first step and the overlapping last step are
// all taken.
void expectCopyMatchesPortable(const BlitFamily& family) {
    std::mt19937 rng(17);
    for (int32_t depth : SOURCE_DEPTHS)
        for (int32_t width = 4; width <= 100; width += 4)
            for (int32_t offset = 0; offset < 32; offset += 1 + width % 3) {
                TestScreen s(width, 3, depth, 1, MODE_MMX);
                randomize(s, rng, false);
                const int32_t bytes = width * s.mode.bytesPerPixel;
                const int32_t pitch = bytes + static_cast<int32_t>(rng() % 5);
                Target expected(pitch, 4), actual(pitch, 4);
                gfxBlitPlainCopy(expected.row(0) + offset, pitch);
                family.copy(actual.row(0) + offset, pitch);
                ASSERT_EQ(expected.bytes, actual.bytes)
                    << depth << "-bit copy, width " << width << " offset " << offset;
                for (int32_t row = 0; row < 3; ++row)
                    if (s.dirty[row]) {
                        ASSERT_EQ(std::memcmp(actual.row(row) + offset,
                                              &s.pixels[static_cast<size_t>(row) * bytes], bytes),
                                  0);
                    }
            }
}

// A driver selects its blitter as it opens: the expanding ones need the
// tables by then, and the tables go with the screen.
TEST(BlitTables, ReadyWhenTheDriverOpensAndGoneWithTheScreen) {
    static Blitter atOpen = nullptr;
    static const GfxDriver selecting = {
        .name = "selecting",
        .open =
            [](const char*, int32_t, int32_t, int32_t, int32_t, int32_t, GfxDisplayInfo*) {
                atOpen = gfxSelectBlitter(32, 0);
                return 0;
            },
    };
    static const GfxDriver* const list[] = {&selecting, nullptr};
    const GfxDriver* const* platformList = gfxDriverList;
    gfxDriverList = list;
    // As the composition adds it in the product (adding it twice is nothing).
    ASSERT_EQ(gfxAddScreenLayer(&GFX_BLIT_LAYER), 0);
    ASSERT_EQ(gfxScreen(18, 16, 1, 0, 0), 0);
    EXPECT_NE(atOpen, nullptr);
    gfxCloseAtExit();
    EXPECT_EQ(gfxBlitTables, nullptr);
    gfxDriverList = platformList;
}

TEST(BlitVector, Sse2MembersMatchPortable) {
    if (!gfxBlitHasSse2()) GTEST_SKIP() << "no SSE2";
    expectFamilyMatchesPortable(gfxBlitSse2);
    expectCopyMatchesPortable(gfxBlitSse2);
    expectLargeFramesMatchPortable(gfxBlitSse2);
    expectNegativePitchMatchesPortable(gfxBlitSse2);
}

TEST(BlitVector, Avx2MembersMatchPortable) {
    if (!gfxBlitHasAvx2()) GTEST_SKIP() << "no AVX2";
    expectFamilyMatchesPortable(gfxBlitAvx2);
    expectCopyMatchesPortable(gfxBlitAvx2);
    expectLargeFramesMatchPortable(gfxBlitAvx2);
    expectNegativePitchMatchesPortable(gfxBlitAvx2);
}

} // namespace
