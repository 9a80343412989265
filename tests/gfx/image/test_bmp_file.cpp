// Loading and saving bitmap files on screens of every depth: round trips,
// the colour conversions against ImageMagick's decoding of the corpus, a
// picture put on a target, and errors that change nothing.
#include "gfx/image/bmp.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "gfx/core/gfx_test_support.h"
#include "gfx/core/image.h"
#include "gfx/core/palette.h"
#include "gfx/draw/draw.h"
#include "gfx/draw/image.h"
#include "gfx/image/corpus.h"

using namespace gfxtest;

namespace {

class BmpFile : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        rtSetError(0);
    }
    void TearDown() override {
        for (const std::string& p : paths_) {
            std::remove(p.c_str());
            EXPECT_FALSE(exists(p + ".part")) << "temporary file left: " << p;
        }
        CoreTest::TearDown();
    }
    std::string path(const char* name) {
        std::string p = testing::TempDir() + "zq_bmp_" + name + ".bmp";
        paths_.push_back(p);
        return p;
    }
    // A corpus file written where the loader can read it.
    std::string corpusPath(const char* name) {
        std::string p = path(name);
        std::span<const uint8_t> bytes = bmptest::corpusEntry(name).bmp;
        writeBytes(p, std::vector<uint8_t>(bytes.begin(), bytes.end()));
        return p;
    }
    static void writeBytes(const std::string& p, const std::vector<uint8_t>& bytes) {
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint8_t> readBytes(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static bool exists(const std::string& p) { return std::ifstream(p).good(); }

  private:
    std::vector<std::string> paths_;
};

GfxImageShape shapeOf(const void* image) {
    GfxImageShape s;
    EXPECT_TRUE(gfxDescribeImage(image, gfxMode ? gfxMode->bytesPerPixel : 4, &s));
    return s;
}

uint32_t pixelAt(const GfxImageShape& s, int32_t x, int32_t y) {
    uint32_t v = 0;
    std::memcpy(&v, s.pixels + static_cast<size_t>(y) * s.pitch + x * s.bytesPerPixel,
                s.bytesPerPixel);
    return v;
}

GfxImageShape screenShape() {
    return {gfxMode->bytesPerPixel, gfxMode->width, gfxMode->height, gfxMode->pitch,
            gfxMode->pages[0]};
}

// ImageMagick's colour of a corpus pixel, 0xAARRGGBB.
uint32_t reference(const char* name, int32_t x, int32_t y) {
    const uint8_t* e = bmptest::corpusEntry(name).rgba.data() + 4 * (y * 37 + x);
    return static_cast<uint32_t>(e[3]) << 24 | e[0] << 16 | e[1] << 8 | e[2];
}

// The screen filled with noise (a 1-byte screen's palette too).
void fillScreen(uint32_t seed) {
    std::mt19937 random(seed);
    GfxImageShape s = screenShape();
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x) {
            uint32_t v = random();
            std::memcpy(s.pixels + static_cast<size_t>(y) * s.pitch + x * s.bytesPerPixel, &v,
                        s.bytesPerPixel);
        }
    for (int32_t i = 0; gfxMode->depth == 8 && i < GFX_PALETTE_SIZE; ++i)
        gfxPalette(i, static_cast<int32_t>(random() & 0xFF), static_cast<int32_t>(random() & 0xFF),
                   static_cast<int32_t>(random() & 0xFF));
}

// Saved from the screen (a rectangle, then the whole of it) and loaded back:
// the same pixels (alpha on an alpha screen; opaque elsewhere) and palette.
TEST_F(BmpFile, SavedAndLoadedBackAtEveryDepth) {
    struct Screen {
        int32_t depth, flags;
    };
    for (Screen screen : {Screen{8, 0}, Screen{16, 0}, Screen{32, 0}, Screen{32, SCRF_ALPHA}}) {
        SCOPED_TRACE(std::to_string(screen.depth) + (screen.flags ? " alpha" : ""));
        ASSERT_EQ(gfxScreenSize(41, 30, screen.depth, 1, screen.flags, 0), 0);
        fillScreen(static_cast<uint32_t>(screen.depth + screen.flags));
        gfxView(2, 1, 40, 29, 0, 0, VIEW_NO_FILL | VIEW_NO_BORDER); // corners from the view
        std::string file = path("roundtrip");
        for (bool whole : {false, true}) {
            ASSERT_EQ(gfxSaveBmp(file.c_str(), nullptr, 1, 3, 37, 25, whole ? BMP_WHOLE : 0u), 0);
            uint32_t palette[256];
            void* image = gfxLoadBmp(file.c_str(), nullptr, palette);
            ASSERT_NE(image, nullptr);
            GfxImageShape got = shapeOf(image), screenPixels = screenShape();
            int32_t left = whole ? 0 : 3, top = whole ? 0 : 4;
            EXPECT_EQ(got.bytesPerPixel, gfxMode->bytesPerPixel);
            EXPECT_EQ(got.width, whole ? 41 : 37);
            EXPECT_EQ(got.height, whole ? 30 : 23);
            uint32_t opaque = screen.depth == 32 && !screen.flags ? 0xFF000000u : 0;
            for (int32_t y = 0; y < got.height; ++y)
                for (int32_t x = 0; x < got.width; ++x)
                    ASSERT_EQ(pixelAt(got, x, y), pixelAt(screenPixels, left + x, top + y) | opaque)
                        << x << "," << y;
            for (int32_t i = 0; i < 256; ++i) {
                uint32_t c = gfxMode->palette[i]; // 0x00BBGGRR
                uint32_t rgb = (c & 0xFF) << 16 | (c & 0xFF00) | c >> 16;
                ASSERT_EQ(palette[i], screen.depth == 8 ? rgb : 0u) << i;
            }
            gfxImageDestroy(image);
        }
        gfxCloseAtExit();
    }
}

// Indexed and true-colour files at each depth, against ImageMagick's colours.
TEST_F(BmpFile, ColoursConvertedForTheScreen) {
    std::string indexed = corpusPath("p8"), trueColour = corpusPath("v5argb32");
    auto load = [](const std::string& p, uint32_t* palette = nullptr) {
        void* image = gfxLoadBmp(p.c_str(), nullptr, palette);
        EXPECT_NE(image, nullptr);
        return image;
    };
    // No screen: 4 bytes; indices through the palette; alpha kept.
    for (int32_t depth : {0, 32, 16}) {
        SCOPED_TRACE(depth);
        if (depth) {
            ASSERT_EQ(gfxScreenSize(64, 48, depth, 1, 0, 0), 0);
        }
        void* fromIndexed = load(indexed);
        void* fromTrue = load(trueColour);
        GfxImageShape a = shapeOf(fromIndexed), b = shapeOf(fromTrue);
        ASSERT_EQ(a.bytesPerPixel, depth == 16 ? 2 : 4);
        for (int32_t y = 0; y < 23; ++y)
            for (int32_t x = 0; x < 37; ++x) {
                uint32_t p8 = reference("p8", x, y), argb = reference("v5argb32", x, y);
                auto as565 = [](uint32_t c) {
                    return (c >> 19 & 0x1F) << 11 | (c >> 10 & 0x3F) << 5 | (c >> 3 & 0x1F);
                };
                ASSERT_EQ(pixelAt(a, x, y), depth == 16 ? as565(p8) : p8) << x << "," << y;
                ASSERT_EQ(pixelAt(b, x, y), depth == 16 ? as565(argb) : argb) << x << "," << y;
            }
        gfxImageDestroy(fromIndexed);
        gfxImageDestroy(fromTrue);
        gfxCloseAtExit();
    }
    // 8 bits: indices kept (the file's palette gives ImageMagick's colours);
    // true colour to the nearest entry of the screen's palette.
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, 0, 0), 0);
    uint32_t palette[256], none[256];
    void* fromIndexed = load(indexed, palette);
    void* fromTrue = load(trueColour, none);
    for (uint32_t entry : none) // a true-colour file has no palette
        ASSERT_EQ(entry, 0u);
    GfxImageShape a = shapeOf(fromIndexed), b = shapeOf(fromTrue);
    ASSERT_EQ(a.bytesPerPixel, 1);
    for (int32_t y = 0; y < 23; ++y)
        for (int32_t x = 0; x < 37; ++x) {
            ASSERT_EQ(0xFF000000u | palette[pixelAt(a, x, y)], reference("p8", x, y));
            // The nearest entry: least squared distance, the first of equals.
            uint32_t want = reference("v5argb32", x, y), best = 0, bestDistance = UINT32_MAX;
            for (uint32_t i = 0; i < 256; ++i) {
                uint32_t c = gfxMode->palette[i], distance = 0; // 0x00BBGGRR
                for (int32_t shift : {0, 8, 16}) {
                    int32_t d = static_cast<int32_t>(c >> shift & 0xFF) -
                                static_cast<int32_t>(want >> (16 - shift) & 0xFF);
                    distance += static_cast<uint32_t>(d * d);
                }
                if (distance < bestDistance) bestDistance = distance, best = i;
            }
            ASSERT_EQ(pixelAt(b, x, y), best) << x << "," << y;
        }
    gfxImageDestroy(fromIndexed);
    gfxImageDestroy(fromTrue);
}

// Onto a target: at its top-left pixel whatever the world window, clipped,
// the rest of the target and the last point as they were.
TEST_F(BmpFile, PutOnATargetAtItsTopLeft) {
    std::string file = corpusPath("rgb24");
    ASSERT_EQ(gfxScreenSize(64, 48, 32, 1, 0, 0), 0);
    gfxWindow(-10, -10, 10, 10, 0);
    gfxPset(nullptr, 3, 4, 0, COORD_ONE_ABS, 0); // the last point
    for (int32_t width : {20, 50}) {
        SCOPED_TRACE(width);
        void* target = gfxImageCreate(width, 30, 0x11223344, 4, 0);
        EXPECT_EQ(gfxLoadBmp(file.c_str(), target, nullptr), target);
        EXPECT_EQ(rtGetError(), 0);
        GfxImageShape t = shapeOf(target);
        for (int32_t y = 0; y < t.height; ++y)
            for (int32_t x = 0; x < t.width; ++x)
                ASSERT_EQ(pixelAt(t, x, y),
                          x < 37 && y < 23 ? reference("rgb24", x, y) : 0x11223344u)
                    << x << "," << y;
        gfxImageDestroy(target);
    }
    EXPECT_EQ(gfxPointInfo(2), 3.0f);
    EXPECT_EQ(gfxPointInfo(3), 4.0f);
}

// A bad file, a bad target or a bad path changes nothing: not the screen,
// not the target, not a file already there.
TEST_F(BmpFile, ErrorsChangeNothing) {
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, 0, 0), 0);
    fillScreen(7);
    std::vector<uint8_t> screenBefore(gfxMode->pages[0],
                                      gfxMode->pages[0] + gfxMode->pitch * gfxMode->height);
    void* target = gfxImageCreate(40, 30, 9, 1, 0);
    GfxImageShape t = shapeOf(target);
    std::vector<uint8_t> targetBefore(t.pixels, t.pixels + t.pitch * t.height);
    uint32_t palette[256] = {0xDEAD};

    auto expectLoadFails = [&](const std::string& p, const void* onto, int32_t error) {
        rtSetError(0);
        EXPECT_EQ(gfxLoadBmp(p.c_str(), onto, palette), nullptr) << p;
        EXPECT_EQ(rtGetError(), error) << p;
    };
    expectLoadFails(testing::TempDir() + "zq_bmp_missing.bmp", nullptr, RT_ERR_FILE_NOT_FOUND);
    expectLoadFails(testing::TempDir() + "zq_bmp_missing.bmp", target, RT_ERR_FILE_NOT_FOUND);
    std::span<const uint8_t> good = bmptest::corpusEntry("p8").bmp;
    std::string bad = path("bad");
    for (size_t cut : {size_t{0}, size_t{13}, size_t{60}, good.size() - 1}) {
        writeBytes(bad, std::vector<uint8_t>(good.begin(), good.begin() + cut));
        expectLoadFails(bad, nullptr, RT_ERR_BAD_FILE_FORMAT);
        expectLoadFails(bad, target, RT_ERR_BAD_FILE_FORMAT);
    }
    std::string fine = corpusPath("p8");
    uint32_t badHeader[8] = {IMAGE_HEADER_NEW, 3, 2, 2, 6};
    expectLoadFails(fine, badHeader, RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(palette[0], 0xDEADu);
    EXPECT_EQ(std::memcmp(t.pixels, targetBefore.data(), targetBefore.size()), 0);

    // Saving: a rectangle outside the view, a folder that is not there.
    std::string kept = path("kept");
    writeBytes(kept, {'k', 'e', 'p', 't'});
    rtSetError(0);
    EXPECT_EQ(gfxSaveBmp(kept.c_str(), nullptr, 0, 0, 64, 10, 0), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(gfxSaveBmp(kept.c_str(), badHeader, 0, 0, 1, 1, BMP_WHOLE), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(readBytes(kept), (std::vector<uint8_t>{'k', 'e', 'p', 't'}));
    std::string nowhere = testing::TempDir() + "zq_no_such_folder/x.bmp";
    EXPECT_EQ(gfxSaveBmp(nowhere.c_str(), nullptr, 0, 0, 1, 1, 0), RT_ERR_FILE_IO);
    EXPECT_EQ(rtGetError(), RT_ERR_FILE_IO);
    // An existing file is replaced whole.
    EXPECT_EQ(gfxSaveBmp(kept.c_str(), target, 0, 0, 0, 0, BMP_WHOLE), 0);
    EXPECT_EQ(readBytes(kept).size(), 14u + 40 + 1024 + 40 * 30);
    EXPECT_EQ(std::memcmp(gfxMode->pages[0], screenBefore.data(), screenBefore.size()), 0);
    gfxImageDestroy(target);

    // No screen: a target cannot be drawn on, nothing can be saved.
    gfxCloseAtExit();
    target = gfxImageCreate(4, 4, 0, 4, 0);
    expectLoadFails(fine, target, RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(gfxSaveBmp(kept.c_str(), target, 0, 0, 0, 0, BMP_WHOLE), RT_ERR_ILLEGAL_CALL);
    gfxImageDestroy(target);
}

} // namespace
