// Test helpers for the graphics layer: drivers that record every call, a
// scoped substitute driver list, environment control and screen helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/core/context.h"
#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "gfx/core/screen_layers.h"

namespace gfxtest {

inline std::vector<std::string>& calls() {
    static std::vector<std::string> log;
    return log;
}

// Opens fail for the named drivers listed here (or all when "*").
inline std::vector<std::string>& refusing() {
    static std::vector<std::string> names;
    return names;
}

template <int N> struct Recorder {
    static const char* name;
    static int32_t open(const char*, int32_t w, int32_t h, int32_t depth, int32_t rate,
                        int32_t flags, GfxDisplayInfo* opened) {
        char line[128];
        std::snprintf(line, sizeof line, "open %s %dx%dx%d rate=%d flags=0x%X", name, w, h, depth,
                      rate, static_cast<unsigned>(flags));
        calls().push_back(line);
        for (const std::string& r : refusing())
            if (r == "*" || r == name) return -1;
        *opened = {rate ? rate : 60, w, h};
        return 0;
    }
    static void close() { calls().push_back(std::string("close ") + name); }
    static void lock() { calls().push_back("lock"); }
    static void unlock() { calls().push_back("unlock"); }
    static void setColor(int32_t i, int32_t r, int32_t g, int32_t b) {
        char line[64];
        std::snprintf(line, sizeof line, "setColor %d %d %d %d", i, r, g, b);
        calls().push_back(line);
    }
    static void setCaption(const char* title) {
        calls().push_back(std::string("caption ") + title);
    }
    static constexpr GfxDriver driver() {
        return {.name = name,
                .open = open,
                .close = close,
                .lock = lock,
                .unlock = unlock,
                .setColor = setColor,
                .setCaption = setCaption};
    }
};
template <int N> const char* Recorder<N>::name = N == 0 ? "DirectX" : N == 1 ? "GDI" : "OpenGL";

inline const GfxDriver DX = Recorder<0>::driver();
inline const GfxDriver GDI = Recorder<1>::driver();
inline const GfxDriver GL = Recorder<2>::driver();
inline const GfxDriver* const RECORDING_LIST[] = {&DX, &GDI, &GL, nullptr};

inline void setEnv(const char* name, const char* value) {
#ifdef _WIN32
    std::string text = std::string(name) + "=" + (value ? value : "");
    _putenv(text.c_str());
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// The pixels of a picture, whatever holds them (a screen page, an image), as
// little-endian values of `bpp` bytes.
struct PixelGrid {
    uint8_t* pixels = nullptr;
    int32_t width = 0, height = 0, bpp = 1, pitch = 0;

    uint32_t get(int32_t x, int32_t y) const {
        uint32_t v = 0;
        std::memcpy(&v, pixels + static_cast<ptrdiff_t>(y) * pitch + x * bpp, bpp);
        return v;
    }
    void set(int32_t x, int32_t y, uint32_t v) {
        std::memcpy(pixels + static_cast<ptrdiff_t>(y) * pitch + x * bpp, &v, bpp);
    }
    std::vector<uint32_t> all() const {
        std::vector<uint32_t> out;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                out.push_back(get(x, y));
        return out;
    }
};

// Every test starts closed, with the recording drivers and no ZQGFX, and
// ends closed with the built-in list back.
class GfxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setEnv("ZQGFX", nullptr);
        platformList_ = gfxDriverList;
        gfxDriverList = RECORDING_LIST;
        gfxCloseAtExit();
        calls().clear();
        refusing().clear();
    }
    void TearDown() override {
        gfxCloseAtExit();
        gfxDriverList = platformList_;
        setEnv("ZQGFX", nullptr);
    }
    const GfxDriver* const* platformList_ = nullptr;
    // Opens a screen on the Null driver.
    static void openNull(int32_t mode, int32_t depth = 0, int32_t pages = 0) {
        ASSERT_EQ(gfxScreen(mode, depth, pages, SCRF_NULL, 0), 0);
        ASSERT_NE(gfxMode, nullptr);
    }
    static uint8_t pixel8(int32_t x, int32_t y) {
        return gfxMode->pages[0][static_cast<ptrdiff_t>(y) * gfxMode->pitch + x];
    }
    static void clearDirty() {
        for (int32_t i = 0; i < gfxMode->height * gfxMode->lineMultiplier; ++i)
            gfxMode->dirtyLines[i] = 0;
    }
    static int32_t countDirty() {
        int32_t n = 0;
        for (int32_t i = 0; i < gfxMode->height * gfxMode->lineMultiplier; ++i)
            n += gfxMode->dirtyLines[i] != 0;
        return n;
    }
    // The set pixels of the work page, as "x,y" strings.
    static std::vector<std::string> setPixels() {
        std::vector<std::string> out;
        GfxContext* c = gfxGetContext();
        for (int32_t y = 0; y < gfxMode->height; ++y)
            for (int32_t x = 0; x < gfxMode->width; ++x)
                if (c->getPixel(c, x, y))
                    out.push_back(std::to_string(x) + "," + std::to_string(y));
        return out;
    }
};

// A test of the core or of what needs nothing above it (the drawing
// primitives): no screen layer is listed, as when the core is linked alone.
// The layers of the build come back afterwards, and any a test added goes.
class CoreTest : public GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        int32_t count;
        const GfxScreenLayer* const* list = gfxScreenLayers(&count);
        kept_.assign(list, list + count);
        for (const GfxScreenLayer* layer : kept_)
            gfxRemoveScreenLayer(layer);
    }
    void TearDown() override {
        GfxTest::TearDown();
        int32_t count;
        const GfxScreenLayer* const* list = gfxScreenLayers(&count);
        while (count > 0 && gfxRemoveScreenLayer(list[0]) == 0)
            gfxScreenLayers(&count);
        for (const GfxScreenLayer* layer : kept_)
            gfxAddScreenLayer(layer);
    }

  private:
    std::vector<const GfxScreenLayer*> kept_;
};

} // namespace gfxtest
