// Built-in fonts and palettes, and the LZW decoder on good and damaged streams.
#include "gfx/core/builtin_data.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/core/lzw_regressions.inc"

namespace {

// Packs 12-bit codes two to three bytes, as the decoder reads them.
std::vector<uint8_t> pack(const std::vector<int>& codes) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < codes.size(); i += 2) {
        const int a = codes[i];
        if (i + 1 < codes.size()) {
            const int b = codes[i + 1];
            out.push_back(uint8_t(a));
            out.push_back(uint8_t(a >> 8 | (b & 0x0F) << 4));
            out.push_back(uint8_t(b >> 4));
        } else {
            out.push_back(uint8_t(a));
            out.push_back(uint8_t(a >> 8));
        }
    }
    return out;
}

constexpr uint8_t GUARD = 0xA5;
constexpr int32_t GUARD_SIZE = 64;

struct DecodeResult {
    int32_t rc;
    int32_t length;
    std::vector<uint8_t> bytes; // the bytes written
    bool guardIntact;           // nothing written past the capacity
};

// Decodes into a buffer of exactly `capacity` bytes followed by guard bytes.
DecodeResult decode(const std::vector<uint8_t>& in, int32_t capacity) {
    std::vector<uint8_t> buffer(size_t(capacity) + GUARD_SIZE, GUARD);
    DecodeResult r;
    r.length = capacity;
    r.rc = gfxLzwDecode(in.data(), int32_t(in.size()), buffer.data(), &r.length);
    r.guardIntact = true;
    for (int32_t i = capacity; i < capacity + GUARD_SIZE; i++)
        if (buffer[i] != GUARD) r.guardIntact = false;
    if (r.length >= 0 && r.length <= capacity)
        r.bytes.assign(buffer.begin(), buffer.begin() + r.length);
    return r;
}

std::vector<uint8_t> builtinStream() {
    return std::vector<uint8_t>(BUILTIN_DATA, BUILTIN_DATA + BUILTIN_DATA_LENGTH);
}

std::vector<uint8_t> expandedBuiltin() {
    const DecodeResult r = decode(builtinStream(), BUILTIN_EXPANDED_SIZE);
    EXPECT_EQ(r.rc, 0);
    return r.bytes;
}

void expectColor(const PaletteInfo& p, int index, int red, int green, int blue) {
    ASSERT_LT(index, p.count);
    const uint8_t* c = p.colors + index * 3;
    EXPECT_EQ(c[0], red) << "entry " << index;
    EXPECT_EQ(c[1], green) << "entry " << index;
    EXPECT_EQ(c[2], blue) << "entry " << index;
}

int setPixels(const FontInfo& f, int glyph) {
    int n = 0;
    for (int r = 0; r < f.height; r++)
        for (int b = 0; b < 8; b++)
            n += f.glyphs[glyph * f.height + r] >> b & 1;
    return n;
}

class BuiltinData : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { gfxLoadBuiltinData(); }
};

} // namespace

TEST(LzwDecode, BuiltinBlockExpandsToTheWholeArea) {
    DecodeResult r = decode(builtinStream(), BUILTIN_EXPANDED_SIZE);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.length, BUILTIN_EXPANDED_SIZE);
    EXPECT_TRUE(r.guardIntact);

    // A larger buffer changes nothing: the end code stops the expansion.
    r = decode(builtinStream(), BUILTIN_EXPANDED_SIZE + 1000);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.length, BUILTIN_EXPANDED_SIZE);
}

TEST(LzwDecode, UndefinedNextCodeRepeatsThePreviousString) {
    // The second code names the entry being defined: the first byte twice.
    DecodeResult r = decode(pack({'Q', 256, 0xFFF}), 16);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.bytes, (std::vector<uint8_t>{'Q', 'Q', 'Q'}));

    // The classic case inside a longer run: ABABABA.
    r = decode(pack({'A', 'B', 256, 258, 0xFFF}), 16);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), "ABABABA");
}

TEST(LzwDecode, FullDictionaryStaysAndLongestStringFits) {
    // Each code names the entry being defined, so each string is one byte
    // longer than the last: the longest string the dictionary can hold.
    std::vector<int> codes = {'Z'};
    for (int c = 256; c <= 0xFFE; c++)
        codes.push_back(c);
    codes.push_back(0xFFE); // defined now; the full dictionary takes no more
    codes.push_back('Y');
    codes.push_back(0xFFF);
    const int64_t longest = 0xFFE - 254;
    int64_t expected = 1 + longest + 1;
    for (int64_t n = 2; n <= longest; n++)
        expected += n;

    DecodeResult r = decode(pack(codes), int32_t(expected));
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.length, expected);
    EXPECT_TRUE(r.guardIntact);
    EXPECT_EQ(r.bytes.back(), 'Y');
    r.bytes.pop_back();
    for (uint8_t b : r.bytes)
        ASSERT_EQ(b, 'Z');

    // One byte less: stops at the capacity with -1, nothing beyond it.
    r = decode(pack(codes), int32_t(expected - 1));
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.length, expected - 1);
    EXPECT_TRUE(r.guardIntact);
}

TEST(LzwDecode, DamagedStreamsFailWithoutStrayWrites) {
    const std::vector<uint8_t> good = builtinStream();
    const std::vector<uint8_t> area = expandedBuiltin();

    // Truncated anywhere, including mid-code: -1, and what was written is a
    // correct prefix of the real expansion.
    for (size_t cut : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(4), size_t(5),
                       good.size() / 2, good.size() / 2 + 1, good.size() - 2, good.size() - 1}) {
        std::vector<uint8_t> in(good.begin(), good.begin() + cut);
        const DecodeResult r = decode(in, BUILTIN_EXPANDED_SIZE);
        EXPECT_EQ(r.rc, -1) << "cut at " << cut;
        EXPECT_TRUE(r.guardIntact);
        EXPECT_TRUE(std::equal(r.bytes.begin(), r.bytes.end(), area.begin())) << "cut " << cut;
    }

    // The output does not fit: -1 with exactly the capacity written.
    for (int32_t capacity : {1, 2, 100, BUILTIN_EXPANDED_SIZE - 1}) {
        const DecodeResult r = decode(good, capacity);
        EXPECT_EQ(r.rc, -1);
        EXPECT_EQ(r.length, capacity);
        EXPECT_TRUE(r.guardIntact);
        EXPECT_TRUE(std::equal(r.bytes.begin(), r.bytes.end(), area.begin()));
    }
    DecodeResult r = decode(good, 0);
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.length, 0);
    EXPECT_TRUE(r.guardIntact);

    // Codes beyond the next free entry, and a stream opening with one.
    EXPECT_EQ(decode(pack({'A', 257, 0xFFF}), 64).rc, -1);
    EXPECT_EQ(decode(pack({'A', 'B', 'C', 0xFFE, 0xFFF}), 64).rc, -1);
    EXPECT_EQ(decode(pack({300, 0xFFF}), 64).rc, -1);
    // No end code before the input runs out.
    EXPECT_EQ(decode(pack({'A', 'B', 'C'}), 64).rc, -1);
    EXPECT_EQ(decode(pack({'A', 'B', 'C', 'D'}), 64).rc, -1);
}

TEST(LzwDecode, EntriesOfAnEarlierCallAreNotReused) {
    // The builtin block defines thousands of entries; a later stream that
    // names one without defining it is damaged, not a copy of old data.
    ASSERT_EQ(decode(builtinStream(), BUILTIN_EXPANDED_SIZE).rc, 0);
    EXPECT_EQ(decode(pack({'A', 'B', 300, 0xFFF}), 64).rc, -1);
    EXPECT_EQ(decode(pack({'A', 0x400, 0xFFF}), 64).rc, -1);
}

TEST(LzwDecode, BadArgumentsAreRejected) {
    const std::vector<uint8_t> in = pack({'A', 0xFFF});
    uint8_t out[8] = {};
    int32_t length = 8;
    EXPECT_EQ(gfxLzwDecode(nullptr, int32_t(in.size()), out, &length), -1);
    EXPECT_EQ(length, 0);
    length = 8;
    EXPECT_EQ(gfxLzwDecode(in.data(), int32_t(in.size()), nullptr, &length), -1);
    EXPECT_EQ(gfxLzwDecode(in.data(), int32_t(in.size()), out, nullptr), -1);
    length = 8;
    EXPECT_EQ(gfxLzwDecode(in.data(), -5, out, &length), -1);
    length = -1;
    EXPECT_EQ(gfxLzwDecode(in.data(), int32_t(in.size()), out, &length), -1);
    EXPECT_EQ(length, 0);
    length = 8;
    EXPECT_EQ(gfxLzwDecode(in.data(), int32_t(in.size()), out, &length), 0);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(out[0], 'A');
}

TEST(LzwDecode, KeptFuzzInputsAndRandomDamage) {
    // Inputs kept from fuzzing, in the fuzz target's form: two bytes giving
    // the capacity in units of four, then the stream. Each must end in 0 or -1
    // within bounds, at that capacity and at a few others.
    for (const LzwRegression& t : LZW_REGRESSIONS) {
        ASSERT_GE(t.size, 2u) << t.name;
        const std::vector<uint8_t> in(t.data + 2, t.data + t.size);
        const int32_t own = (t.data[0] | t.data[1] << 8) * 4;
        for (int32_t capacity : {own, 0, 1, 7, 70000}) {
            const DecodeResult r = decode(in, capacity);
            EXPECT_TRUE(r.rc == 0 || r.rc == -1) << t.name;
            EXPECT_TRUE(r.length >= 0 && r.length <= capacity) << t.name;
            EXPECT_TRUE(r.guardIntact) << t.name;
        }
    }

    // Random byte damage to the real block and random code sequences.
    std::srand(12345);
    const std::vector<uint8_t> good = builtinStream();
    for (int round = 0; round < 400; round++) {
        std::vector<uint8_t> in = good;
        const int hits = 1 + std::rand() % 8;
        for (int h = 0; h < hits; h++)
            in[size_t(std::rand()) % in.size()] ^= uint8_t(1 + std::rand() % 255);
        const DecodeResult r = decode(in, BUILTIN_EXPANDED_SIZE);
        ASSERT_TRUE(r.rc == 0 || r.rc == -1);
        ASSERT_TRUE(r.length >= 0 && r.length <= BUILTIN_EXPANDED_SIZE);
        ASSERT_TRUE(r.guardIntact);
    }
    for (int round = 0; round < 400; round++) {
        std::vector<int> codes = {std::rand() % 256};
        int next = 256;
        const int n = 1 + std::rand() % 600;
        for (int i = 0; i < n; i++) {
            // Mostly valid codes, now and then one just past the defined ones.
            const int c =
                std::rand() % 50 == 0 ? next + 1 + std::rand() % 4 : std::rand() % (next + 1);
            codes.push_back(c > 0xFFE ? 0xFFE : c);
            if (next <= 0xFFE) next++;
        }
        if (std::rand() % 2) codes.push_back(0xFFF);
        const int32_t capacity = std::rand() % 20000;
        const DecodeResult r = decode(pack(codes), capacity);
        ASSERT_TRUE(r.rc == 0 || r.rc == -1);
        ASSERT_TRUE(r.length >= 0 && r.length <= capacity);
        ASSERT_TRUE(r.guardIntact);
    }
}

TEST_F(BuiltinData, DescriptorsPointIntoTheArea) {
    EXPECT_EQ(FONT_8X8.width, 8);
    EXPECT_EQ(FONT_8X8.height, 8);
    EXPECT_EQ(FONT_8X14.height, 14);
    EXPECT_EQ(FONT_8X16.height, 16);
    EXPECT_EQ(FONT_8X16.width, 8);
    EXPECT_EQ(FONT_8X8.glyphs, builtinArea);
    EXPECT_EQ(FONT_8X14.glyphs, builtinArea + 2048);
    EXPECT_EQ(FONT_8X16.glyphs, builtinArea + 5632);
    EXPECT_EQ(PALETTE_2.colors, builtinArea + 9728);
    EXPECT_EQ(PALETTE_16.colors, builtinArea + 9734);
    EXPECT_EQ(PALETTE_64.colors, builtinArea + 9782);
    EXPECT_EQ(PALETTE_256.colors, builtinArea + 9974);
    EXPECT_EQ(PALETTE_2.count + PALETTE_16.count + PALETTE_64.count + PALETTE_256.count, 338);
    EXPECT_EQ(std::vector<uint8_t>(builtinArea, builtinArea + BUILTIN_EXPANDED_SIZE),
              expandedBuiltin());
}

TEST_F(BuiltinData, ExpandsOncePerProcess) {
    const uint8_t saved = builtinArea[100];
    builtinArea[100] = uint8_t(~saved);
    gfxLoadBuiltinData();
    EXPECT_EQ(builtinArea[100], uint8_t(~saved));
    builtinArea[100] = saved;
}

TEST_F(BuiltinData, GlyphsHaveTheCodePage437Shapes) {
    const uint8_t a8[8] = {0x0C, 0x1E, 0x33, 0x33, 0x3F, 0x33, 0x33, 0x00};
    EXPECT_EQ(std::memcmp(FONT_8X8.glyphs + 'A' * 8, a8, 8), 0);

    // The top bar of F: the first drawn row, seven pixels from the left.
    const uint8_t* f16 = FONT_8X16.glyphs + 'F' * 16;
    int top = 0;
    while (top < 16 && f16[top] == 0)
        top++;
    ASSERT_LT(top, 16);
    EXPECT_EQ(f16[top], 0x7F);

    // 1 is a face: outlined, symmetric, with eyes and mouth inside.
    const uint8_t face8[8] = {0x7E, 0x81, 0xA5, 0x81, 0xBD, 0x99, 0x81, 0x7E};
    EXPECT_EQ(std::memcmp(FONT_8X8.glyphs + 8, face8, 8), 0);
    const FontInfo* fonts[] = {&FONT_8X8, &FONT_8X14, &FONT_8X16};
    for (const FontInfo* f : fonts) {
        const int cells = 8 * f->height;
        EXPECT_EQ(setPixels(*f, 0), 0) << f->height;
        EXPECT_EQ(setPixels(*f, ' '), 0) << f->height;
        EXPECT_GT(setPixels(*f, 1), 0) << f->height;
        EXPECT_GT(setPixels(*f, 2), setPixels(*f, 1)) << f->height; // the inverse face
        // 176..178 are light, medium and dark shades; 219 is a full block.
        EXPECT_EQ(setPixels(*f, 176) * 4, cells) << f->height;
        EXPECT_EQ(setPixels(*f, 177) * 2, cells) << f->height;
        EXPECT_EQ(setPixels(*f, 178) * 4, cells * 3) << f->height;
        EXPECT_EQ(setPixels(*f, 219), cells) << f->height;
        // 220 and 223: lower and upper half blocks make a full block together.
        for (int r = 0; r < f->height; r++)
            EXPECT_EQ(f->glyphs[220 * f->height + r] | f->glyphs[223 * f->height + r], 0xFF);
        // Upper and lower case differ and every printable ASCII glyph shows.
        for (int c = '!'; c <= '~'; c++)
            EXPECT_GT(setPixels(*f, c), 0) << c;
        EXPECT_NE(std::memcmp(f->glyphs + 'a' * f->height, f->glyphs + 'A' * f->height,
                              size_t(f->height)),
                  0);
        // The cent sign's stroke stands out above and below its C, and the yen
        // sign ends in a stem (unlike the slashed O some code pages put there).
        const uint8_t* cent = f->glyphs + 0x9B * f->height;
        int first = 0, last = f->height - 1;
        while (first < last && cent[first] == 0)
            first++;
        while (last > first && cent[last] == 0)
            last--;
        EXPECT_EQ(cent[first], cent[last]) << f->height;
        EXPECT_EQ(cent[first], cent[first + 1]) << f->height;
        const uint8_t* yen = f->glyphs + 0x9D * f->height;
        last = f->height - 1;
        while (last > 0 && yen[last] == 0)
            last--;
        EXPECT_EQ(yen[last], yen[last - 1]) << f->height;
    }
}

TEST_F(BuiltinData, RightGuillemetMirrorsTheLeftOne) {
    // Same rows, pointing the other way: the set pixels of each row of 175
    // lie right of where they lie in 174, for the same number of pixels.
    const FontInfo* fonts[] = {&FONT_8X8, &FONT_8X14, &FONT_8X16};
    for (const FontInfo* f : fonts) {
        EXPECT_EQ(setPixels(*f, 0xAE), setPixels(*f, 0xAF)) << f->height;
        const uint8_t* l = f->glyphs + 0xAE * f->height;
        const uint8_t* r = f->glyphs + 0xAF * f->height;
        int middle = -1;
        for (int row = 0; row < f->height; row++) {
            EXPECT_EQ(l[row] == 0, r[row] == 0) << f->height << " row " << row;
            if (l[row] && middle < 0) middle = row;
        }
        ASSERT_GE(middle, 0);
        // The point of « is at its left, the point of » at its right.
        int widest = middle;
        for (int row = middle; row < f->height; row++)
            if ((l[row] & 1) && !(l[widest] & 1)) widest = row;
        EXPECT_TRUE(l[widest] & 1) << f->height;
        EXPECT_FALSE(r[widest] & 1) << f->height;
    }
}

TEST_F(BuiltinData, PalettesHoldTheDefaultColours) {
    EXPECT_EQ(PALETTE_2.count, 2);
    expectColor(PALETTE_2, 0, 0, 0, 0);
    expectColor(PALETTE_2, 1, 255, 255, 255);

    ASSERT_EQ(PALETTE_16.count, 16);
    const int pc16[16][3] = {{0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
                             {170, 0, 0},   {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
                             {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
                             {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
    for (int i = 0; i < 16; i++)
        expectColor(PALETTE_16, i, pc16[i][0], pc16[i][1], pc16[i][2]);

    ASSERT_EQ(PALETTE_64.count, 64);
    expectColor(PALETTE_64, 6, 170, 170, 0);
    expectColor(PALETTE_64, 20, 170, 85, 0);
    expectColor(PALETTE_64, 62, 255, 255, 85);
    expectColor(PALETTE_64, 63, 255, 255, 255);
    expectColor(PALETTE_64, 9, 0, 0, 255);

    ASSERT_EQ(PALETTE_256.count, 256);
    EXPECT_EQ(std::memcmp(PALETTE_256.colors, PALETTE_16.colors, 48), 0);
    expectColor(PALETTE_256, 16, 0, 0, 0);
    expectColor(PALETTE_256, 23, 97, 97, 97);
    expectColor(PALETTE_256, 31, 255, 255, 255);
    // First wheel (0, 64, 125, 190, 255): blue, through magenta, red, yellow,
    // green and cyan back towards blue.
    expectColor(PALETTE_256, 32, 0, 0, 255);
    expectColor(PALETTE_256, 33, 64, 0, 255);
    expectColor(PALETTE_256, 36, 255, 0, 255);
    expectColor(PALETTE_256, 40, 255, 0, 0);
    expectColor(PALETTE_256, 44, 255, 255, 0);
    expectColor(PALETTE_256, 48, 0, 255, 0);
    expectColor(PALETTE_256, 52, 0, 255, 255);
    expectColor(PALETTE_256, 55, 0, 64, 255);
    // Fourth wheel (0, 28, 56, 85, 113), entry 13 = (s, t, p); last wheel's end.
    expectColor(PALETTE_256, 104 + 13, 85, 113, 0);
    expectColor(PALETTE_256, 224, 44, 44, 64);
    expectColor(PALETTE_256, 247, 44, 48, 64);
    for (int i = 248; i < 256; i++)
        expectColor(PALETTE_256, i, 0, 0, 0);
}

// Run by CTest with the generator's fresh output named in ZQ_BUILTIN_EXPECTED:
// the committed block must expand to it byte for byte.
TEST(BuiltinGenerator, CommittedBlockMatchesTheGenerator) {
    const char* path = std::getenv("ZQ_BUILTIN_EXPECTED");
    if (!path) GTEST_SKIP() << "ZQ_BUILTIN_EXPECTED not set";
    FILE* f = std::fopen(path, "rb");
    ASSERT_NE(f, nullptr) << path;
    std::vector<uint8_t> expected(BUILTIN_EXPANDED_SIZE + 1);
    const size_t n = std::fread(expected.data(), 1, expected.size(), f);
    std::fclose(f);
    ASSERT_EQ(n, size_t(BUILTIN_EXPANDED_SIZE));
    expected.resize(n);
    const std::vector<uint8_t> got = expandedBuiltin();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); i++)
        ASSERT_EQ(got[i], expected[i]) << "offset " << i;
}
