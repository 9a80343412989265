// The whole demonstration on the Null driver, in a child process: once its
// message is on the screen a key posted from another thread ends SLEEP -1 and
// END 0 ends the process with exit code 0. Before posting the key the poster
// compares the framebuffer with the hand-written reference picture and the
// message drawn from the font; a difference ends the child with code 2.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/demo.h"
#include "gfx/console/input.h"
#include "gfx/core/builtin_data.h"
#include "gfx/core/gfx_test_support.h"
#include "gfx/core/mode.h"
#include "tools/demo_reference.h"

namespace {

constexpr int32_t MESSAGE_X = 120, MESSAGE_Y = 208;
constexpr int32_t MESSAGE_COLUMN = 15, MESSAGE_ROW = 13; // 0-based cells
constexpr int32_t KEY_ESC = 27;
constexpr int MESSAGE_WAIT_SECONDS = 1200;

// The message's last character is recorded after its pixels are drawn.
bool messageShown() {
    GfxMode* m = gfxMode;
    if (!m || !m->textCells || !m->textCells[0] || m->textColumns != 160) return false;
    const TextCell* row = m->textCells[0] + MESSAGE_ROW * m->textColumns;
    for (int32_t k = 0; k < DEMO_MESSAGE_LENGTH; ++k)
        if (row[MESSAGE_COLUMN + k].character != static_cast<uint8_t>(DEMO_MESSAGE[k]))
            return false;
    return true;
}

[[noreturn]] void fail(const char* what, int32_t x, int32_t y) {
    std::fprintf(stderr, "demo run: %s at (%d, %d)\n", what, x, y);
    std::fflush(stderr);
    std::_Exit(2);
}

void checkFrame(const std::vector<uint8_t>& picture) {
    const FontInfo& font = FONT_8X16;
    for (int32_t y = 0; y < DEMO_HEIGHT; ++y)
        for (int32_t x = 0; x < DEMO_WIDTH; ++x) {
            uint8_t want = picture[static_cast<size_t>(y) * DEMO_WIDTH + x];
            int32_t k = (x - MESSAGE_X) / 8, r = y - MESSAGE_Y;
            if (x >= MESSAGE_X && k < DEMO_MESSAGE_LENGTH && r >= 0 && r < font.height) {
                uint8_t bits = font.glyphs[static_cast<uint8_t>(DEMO_MESSAGE[k]) * font.height + r];
                want = (bits >> ((x - MESSAGE_X) % 8)) & 1 ? 15 : 0;
            }
            if (gfxMode->pages[0][static_cast<size_t>(y) * gfxMode->pitch + x] != want)
                fail(want == 15 ? "a pixel of colour 15 is missing" : "a stray pixel", x, y);
        }
}

// Runs in the child: never returns.
void runDemoAndPostKey() {
    std::vector<uint8_t> picture(static_cast<size_t>(DEMO_WIDTH) * DEMO_HEIGHT, 0);
    demoReference(picture.data());
    demoResetRandom(); // the demonstration starts from the seed like a fresh process
    std::thread poster([&picture] {
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(MESSAGE_WAIT_SECONDS);
        while (!messageShown()) {
            if (std::chrono::steady_clock::now() > deadline) fail("no message", 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // The program now prints the line end and waits for a key.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        checkFrame(picture);
        gfxPostKey(KEY_ESC);
    });
    poster.detach();
    static char name[] = "demo";
    static char* arguments[] = {name, nullptr};
    demoMain(1, arguments);
}

TEST(DemoRun, EndsWithCodeZeroAfterAKeyWithThePictureAndTheMessageShown) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    gfxtest::setEnv("ZQGFX", "null");
    EXPECT_EXIT(runDemoAndPostKey(), ::testing::ExitedWithCode(0), "");
    gfxtest::setEnv("ZQGFX", nullptr);
}

} // namespace
