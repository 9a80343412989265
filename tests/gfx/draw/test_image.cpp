// Images: made, copied from and put onto Null-driver screens and images of
// every pixel size. PUT is checked against a per-pixel model of each form.
#include <cstring>
#include <random>

#include "gfx/core/gfx_test_support.h"
#include "gfx/core/image.h"
#include "gfx/draw/draw.h"
#include "gfx/draw/image.h"

using namespace gfxtest;

namespace {

constexpr int32_t W = 96, H = 64; // the screens'

using Picture = PixelGrid;

Picture screen() {
    return {gfxMode->pages[0], gfxMode->width, gfxMode->height, gfxMode->bytesPerPixel,
            gfxMode->pitch};
}

Picture pictureOf(void* image) {
    ImageHeader h;
    std::memcpy(&h, image, sizeof h);
    return {static_cast<uint8_t*>(image) + sizeof h, static_cast<int32_t>(h.width),
            static_cast<int32_t>(h.height), static_cast<int32_t>(h.bytesPerPixel),
            static_cast<int32_t>(h.pitch)};
}

// Random pixels, with the values the forms treat specially among them: the
// transparent colour, alpha 0 and alpha 255.
void scramble(Picture p, std::mt19937& random) {
    uint32_t mask = p.bpp == 1 ? 0xFF : p.bpp == 2 ? 0xFFFF : 0xFFFFFFFF;
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            uint32_t v = random() & mask;
            switch (random() % 6) {
            case 0:
                v = p.bpp == 1 ? 0 : p.bpp == 2 ? 0xF81F : (v & 0xFF000000u) | 0xFF00FF;
                break;
            case 1:
                v &= 0xFFFFFF;
                break;
            case 2:
                v |= 0xFF000000u;
                break;
            }
            p.set(x, y, v & mask);
        }
}

int32_t channel(uint32_t s, uint32_t d, uint32_t a, int shift) {
    int32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
    int32_t step = (sc - dc) * static_cast<int32_t>(a);
    int32_t floored = step >= 0 ? step / 256 : -((-step + 255) / 256);
    return (dc + floored) & 0xFF;
}

// What one form makes of source pixel s over target pixel d.
uint32_t model(int32_t mode, bool constant, uint32_t alpha, int32_t bpp, uint32_t s, uint32_t d) {
    uint32_t mask = bpp == 1 ? 0xFF : bpp == 2 ? 0xFFFF : 0xFFFFFFFF;
    bool transparent = bpp == 1 ? s == 0 : bpp == 2 ? s == 0xF81F : (s & 0xFFFFFF) == 0xFF00FF;
    switch (mode) {
    case PUT_PSET:
        return s;
    case PUT_PRESET:
        return bpp == 4 ? (s & 0xFF000000u) | (~s & 0xFFFFFF) : ~s & mask;
    case PUT_AND:
        return s & d;
    case PUT_OR:
        return s | d;
    case PUT_XOR:
        return s ^ d;
    case PUT_TRANS:
        return transparent ? d : s;
    }
    if (bpp != 4) return transparent ? d : s;
    uint32_t a = constant ? alpha : s >> 24;
    if (a == 0 || (constant && transparent)) return d;
    if (a == 255) return (d & 0xFF000000u) | (s & 0xFFFFFF);
    return (d & 0xFF000000u) | channel(s, d, a, 16) << 16 | channel(s, d, a, 8) << 8 |
           channel(s, d, a, 0);
}

class Images : public CoreTest {
  protected:
    void openDepth(int32_t bpp) {
        ASSERT_EQ(gfxScreenSize(W, H, bpp * 8, 1, SCRF_NULL, 0), 0);
        ASSERT_EQ(gfxMode->bytesPerPixel, bpp);
    }
};

struct Placement {
    const char* what;
    int32_t x, y;
    bool part;       // the source rectangle (12, 9)-(3, 2), corners reversed
    int32_t view[4]; // a SCREEN-form view, or none when its width is 0
    bool onImage;    // onto a 50 x 40 image instead of the screen
};

const Placement PLACEMENTS[] = {
    {"inside", 30, 20, false, {}, false},
    {"left", -7, 20, false, {}, false},
    {"right", W - 9, 20, false, {}, false},
    {"top", 30, -5, false, {}, false},
    {"bottom", 30, H - 6, false, {}, false},
    {"all four sides", -4, -3, false, {}, true},
    {"part of the image, top left", -2, -1, true, {}, false},
    {"part of the image inside", 40, 30, true, {}, true},
    {"in a view, over its corner", 10, 5, false, {20, 15, 60, 40}, false},
    {"in a view, part", 55, 35, true, {20, 15, 60, 40}, false},
    {"nowhere", 200, -100, false, {}, false},
};

TEST_F(Images, EveryFormAtEveryDepthMatchesTheModelWithClipping) {
    std::mt19937 random(7);
    for (int32_t bpp : {1, 2, 4}) {
        openDepth(bpp);
        void* sprite = gfxImageCreate(21, 13, 0, bpp, 0);
        void* canvas = gfxImageCreate(50, 40, 0, bpp, 0);
        ASSERT_TRUE(sprite && canvas);
        scramble(pictureOf(sprite), random);
        for (int32_t mode = 0; mode < PUT_MODE_COUNT + 1; ++mode)
            for (const Placement& p : PLACEMENTS) {
                bool constant = mode == PUT_MODE_COUNT;
                int32_t form = constant ? PUT_ALPHA : mode;
                SCOPED_TRACE(std::to_string(bpp) + " bytes, form " + std::to_string(mode) + ", " +
                             p.what);
                gfxView(GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, 0, 0,
                        VIEW_NO_FILL | VIEW_NO_BORDER);
                if (p.view[2])
                    gfxView(p.view[0], p.view[1], p.view[0] + p.view[2] - 1,
                            p.view[1] + p.view[3] - 1, 0, 0,
                            uint32_t{CTX_VIEW_SCREEN} | VIEW_NO_FILL | VIEW_NO_BORDER);
                Picture target = p.onImage ? pictureOf(canvas) : screen();
                scramble(target, random);
                int32_t box[4] = {0, 0, target.width, target.height};
                if (p.view[2]) std::memcpy(box, p.view, sizeof box);
                std::vector<uint32_t> expected = target.all();
                Picture s = pictureOf(sprite);
                int32_t sx = p.part ? 3 : 0, sy = p.part ? 2 : 0;
                int32_t sw = p.part ? 10 : s.width, sh = p.part ? 8 : s.height;
                int32_t first = H, last = -1;
                for (int32_t y = 0; y < sh; ++y)
                    for (int32_t x = 0; x < sw; ++x) {
                        int32_t tx = p.x + x, ty = p.y + y;
                        if (tx < box[0] || tx >= box[0] + box[2] || ty < box[1] ||
                            ty >= box[1] + box[3])
                            continue;
                        uint32_t& d = expected[ty * target.width + tx];
                        d = model(form, constant, 0x60, bpp, s.get(sx + x, sy + y), d);
                        first = std::min(first, ty), last = std::max(last, ty);
                    }
                clearDirty();
                uint32_t flags = uint32_t{COORD_ONE_ABS} |
                                 (p.part ? uint32_t{PUT_SOURCE_RECT} : 0u) |
                                 (constant ? uint32_t{PUT_CONSTANT_ALPHA} : 0u);
                gfxPut(p.onImage ? canvas : nullptr, static_cast<float>(p.x),
                       static_cast<float>(p.y), sprite, 12, 9, 3, 2, form, 0x60, flags);
                ASSERT_EQ(target.all(), expected);
                EXPECT_EQ(gfxMode->lockCount, 0);
                int32_t dirty = countDirty();
                EXPECT_EQ(dirty, p.onImage || last < 0 ? 0 : last - first + 1);
                if (!p.onImage && last >= 0) {
                    EXPECT_TRUE(gfxMode->dirtyLines[first] && gfxMode->dirtyLines[last]);
                }
            }
        gfxImageDestroy(sprite);
        gfxImageDestroy(canvas);
    }
}

TEST_F(Images, MadeWithTheirHeaderAlignmentAndColour) {
    void* image = gfxImageCreate(5, 3, 0x11223344, 0, 0); // no screen: 4 bytes
    ASSERT_NE(image, nullptr);
    ImageHeader h;
    std::memcpy(&h, image, sizeof h);
    EXPECT_EQ(h.kind, IMAGE_HEADER_NEW);
    EXPECT_EQ(h.bytesPerPixel, 4u);
    EXPECT_EQ(h.pitch, 32u); // 20 bytes rounded up to 16
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image) % 16, 0u);
    Picture p = pictureOf(image);
    EXPECT_EQ(p.all(), std::vector<uint32_t>(15, 0x11223344u));
    gfxImageDestroy(image);

    openDepth(2);
    const struct {
        int32_t bpp;
        uint32_t colour, flags, pixel;
    } fills[] = {{0, 0xFFFFFF, 0, 0xFFFF},
                 {16, 0x123456, 0, 0x11AA},
                 {8, 0x1FF, 0, 0xFF},
                 {1, 0, FLAG_DEFAULT_COLOR, 0},
                 {2, 0, FLAG_DEFAULT_COLOR, 0xF81F},
                 {32, 0, FLAG_DEFAULT_COLOR, 0xFFFF00FF}};
    for (const auto& f : fills) {
        image = gfxImageCreate(3, 17, f.colour, f.bpp, f.flags);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(pictureOf(image).all(), std::vector<uint32_t>(51, f.pixel)) << f.bpp;
        EXPECT_EQ(pictureOf(image).pitch % 16, 0);
        gfxImageDestroy(image);
    }
    const int32_t refused[][3] = {{0, 5, 4},     {5, 0, 4},         {-1, 5, 4},       {5, 5, 3},
                                  {65536, 1, 1}, {65535, 65535, 4}, {40000, 40000, 2}};
    for (const auto& r : refused) {
        rtSetError(RT_OK);
        EXPECT_EQ(gfxImageCreate(r[0], r[1], 0, r[2], 0), nullptr) << r[0] << "x" << r[1];
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
    }
    gfxImageDestroy(nullptr);
}

TEST_F(Images, GetCopiesAndPutRestoresTheScreenExactly) {
    std::mt19937 random(3);
    for (int32_t bpp : {1, 2, 4}) {
        openDepth(bpp);
        scramble(screen(), random);
        std::vector<uint32_t> before = screen().all();
        size_t size = gfxImageBytes(30, 20, bpp);
        std::vector<uint8_t> buffer(size + 8, 0xEE);
        // STEP: the second corner is relative to the first.
        ASSERT_EQ(gfxGet(nullptr, 40, 29, -29, -19, buffer.data(), size, COORD_ABS_STEP), 0);
        Picture got = pictureOf(buffer.data());
        ASSERT_EQ(got.width, 30);
        ASSERT_EQ(got.height, 20);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 30; ++x)
                ASSERT_EQ(got.get(x, y), screen().get(11 + x, 10 + y));
        EXPECT_EQ(buffer[size], 0xEE); // nothing past the image
        scramble(screen(), random);
        gfxPut(nullptr, 11, 10, buffer.data(), 0, 0, 0, 0, PUT_XOR, 0, COORD_ONE_ABS);
        gfxPut(nullptr, 11, 10, buffer.data(), 0, 0, 0, 0, PUT_XOR, 0, COORD_ONE_ABS);
        gfxPut(nullptr, 11, 10, buffer.data(), 0, 0, 0, 0, PUT_PSET, 0, COORD_ONE_ABS);
        std::vector<uint32_t> now = screen().all();
        for (int32_t y = 10; y < 30; ++y)
            for (int32_t x = 11; x < 41; ++x)
                ASSERT_EQ(now[y * W + x], before[y * W + x]);

        // Refused, with nothing written: past the view's edge, a buffer one
        // byte short, another depth, a bad form.
        std::vector<uint8_t> untouched = buffer;
        gfxView(10, 10, 50, 50, 0, 0, uint32_t{CTX_VIEW_SCREEN} | VIEW_NO_FILL | VIEW_NO_BORDER);
        EXPECT_EQ(gfxGet(nullptr, 9, 10, 20, 20, buffer.data(), size, 0), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(gfxGet(nullptr, 10, 10, 51, 20, buffer.data(), size, 0), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(gfxGet(nullptr, 10, 10, 39, 29, buffer.data(), size - 1, 0), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(buffer, untouched);
        std::vector<uint32_t> kept = screen().all();
        void* other = gfxImageCreate(4, 4, 1, bpp == 4 ? 1 : 4, 0);
        rtSetError(RT_OK);
        gfxPut(nullptr, 20, 20, other, 0, 0, 0, 0, PUT_PSET, 0, COORD_ONE_ABS);
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
        rtSetError(RT_OK);
        gfxPut(nullptr, 20, 20, buffer.data(), 0, 0, 0, 0, PUT_MODE_COUNT, 0, COORD_ONE_ABS);
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(screen().all(), kept);
        gfxImageDestroy(other);
    }
    gfxScreen(0, 0, 0, 0, 0);
    std::vector<uint8_t> buffer(4096);
    EXPECT_EQ(gfxGet(nullptr, 0, 0, 3, 3, buffer.data(), buffer.size(), 0), RT_ERR_ILLEGAL_CALL);
}

// An image put onto itself, and GET into the image it reads: as if from a copy.
TEST_F(Images, OverlappingSourceAndTargetReadACopy) {
    std::mt19937 random(5);
    openDepth(4);
    void* image = gfxImageCreate(40, 30, 0, 4, 0);
    Picture p = pictureOf(image);
    for (int32_t mode : {PUT_PSET, PUT_XOR}) {
        scramble(p, random);
        std::vector<uint32_t> before = p.all(), expected = before;
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x)
                if (x + 3 < 40 && y + 2 < 30)
                    expected[(y + 2) * 40 + x + 3] =
                        model(mode, false, 0, 4, before[y * 40 + x], before[(y + 2) * 40 + x + 3]);
        gfxPut(image, 3, 2, image, 0, 0, 0, 0, mode, 0, COORD_ONE_ABS);
        EXPECT_EQ(p.all(), expected) << mode;
    }
    std::vector<uint32_t> before = p.all();
    ASSERT_EQ(gfxGet(image, 5, 0, 14, 9, image, gfxImageBytes(40, 30, 4), 0), 0);
    Picture got = pictureOf(image);
    ASSERT_EQ(got.width, 10);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x)
            ASSERT_EQ(got.get(x, y), before[y * 40 + 5 + x]);
    gfxImageDestroy(image);
}

// Every primitive draws on an image as it draws on a screen of its size; the
// old header form is put as the new one is.
TEST_F(Images, ImagesAreTargetsOfEveryPrimitive) {
    auto scene = [](const void* target) {
        gfxLine(target, 2, 3, 60, 40, 0x3C, 0, 0xFFFF, COORD_ABS_ABS);
        gfxLine(target, 10, 10, 30, 50, 0x2A, 1, 0xF0F0, COORD_ABS_ABS);
        gfxCircle(target, 70, 30, 15, 0x51, 1.0f, 0, FULL_TURN, 1, COORD_ONE_ABS);
        gfxPset(target, 5, 60, 0x77, COORD_ONE_ABS, 0);
        gfxLine(target, 40, 45, 90, 62, 0x13, 1, 0xFFFF, COORD_ABS_ABS);
        gfxPaint(target, 65, 55, 0x24, 0x13, COORD_ONE_ABS);
        const char commands[] = "BM20,50 C99 R12 U8 E4 BM0,0 M+5,+5";
        gfxDraw(target, commands, sizeof commands - 1);
    };
    for (int32_t bpp : {1, 2, 4}) {
        openDepth(bpp);
        scene(nullptr);
        void* image = gfxImageCreate(W, H, gfxMode->colorMask & 0xFF000000u, bpp, 0);
        gfxImageDestroy(gfxImageCreate(1, 1, 0, bpp, 0));
        scene(image);
        EXPECT_EQ(pictureOf(image).all(), screen().all()) << bpp;
        EXPECT_NE(screen().all(), std::vector<uint32_t>(W * H, 0));

        // The old form: width x 8 and height in 16-bit words, the screen's depth.
        std::vector<uint8_t> old(4 + 6 * 4 * bpp);
        uint16_t words[2] = {6 * 8, 4};
        std::memcpy(old.data(), words, 4);
        for (size_t i = 4; i < old.size(); ++i)
            old[i] = static_cast<uint8_t>(i * 7);
        gfxPut(image, 1, 1, old.data(), 0, 0, 0, 0, PUT_PSET, 0, COORD_ONE_ABS);
        Picture p = pictureOf(image);
        for (int32_t y = 0; y < 4; ++y)
            EXPECT_EQ(std::memcmp(p.pixels + (1 + y) * p.pitch + bpp, old.data() + 4 + y * 6 * bpp,
                                  6 * bpp),
                      0);
        gfxImageDestroy(image);
    }
}

} // namespace
