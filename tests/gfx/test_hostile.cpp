// Hostile arguments at the graphics entries, one table per cause: image
// headers, mode records, extreme CIRCLE arguments, the text cursor and the
// console's bookkeeping, and event posts racing a close. Run under the native
// sanitizer build, where a stray write or undefined arithmetic fails the test.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

#include "gfx/console/console_hooks.h"
#include "gfx/console/input.h"
#include "gfx/core/builtin_data.h"
#include "gfx/core/gfx_test_support.h"
#include "gfx/draw/draw.h"
#include "runtime/print.h"
#include "runtime/runtime.h"

using namespace gfxtest;

namespace {

class Hostile : public GfxTest {};

// An image buffer exactly as large as its pixels claim (header included), so
// that the sanitizer sees any write past it.
struct Image {
    std::vector<uint8_t> bytes;
    Image(uint32_t bpp, uint32_t width, uint32_t height, uint32_t pitch, size_t pixelBytes)
        : bytes(sizeof(ImageHeader) + pixelBytes) {
        describe(bpp, width, height, pitch);
    }
    void describe(uint32_t bpp, uint32_t width, uint32_t height, uint32_t pitch) {
        ImageHeader h = {IMAGE_HEADER_NEW, bpp, width, height, pitch, {0, 0, 0}};
        std::memcpy(bytes.data(), &h, sizeof h);
    }
    const void* target() const { return bytes.data(); }
    uint8_t pixel(size_t offset) const { return bytes[sizeof(ImageHeader) + offset]; }
};

TEST_F(Hostile, ImageHeadersAreCheckedOnEveryUse) {
    openNull(13);
    // The VIEW reset while an image is the target leaves the image's view.
    Image img(1, 10, 10, 10, 100);
    gfxPset(img.target(), 5, 5, 3, COORD_ONE_ABS, 0);
    gfxView(-32768, -32768, -32768, -32768, 0, 0, 0);
    gfxPset(img.target(), 200, 5, 3, COORD_ONE_ABS, 0);
    gfxLine(img.target(), 0, 0, 300, 150, 4, 2, 0xFFFF, 0);
    EXPECT_EQ(gfxPoint(img.target(), 200, 5), -1);
    EXPECT_EQ(img.pixel(9 * 10 + 9), 4) << "the box fills the image only";
    // Back on the screen the reset view is the whole screen.
    gfxPset(nullptr, 319, 199, 9, COORD_ONE_ABS, 0);
    EXPECT_EQ(pixel8(319, 199), 9);

    // Headers that cannot describe their buffer: nothing is drawn, error 5.
    struct Bad {
        const char* what;
        uint32_t bpp, width, height, pitch;
    };
    const Bad bad[] = {{"bpp 0", 0, 100, 100, 100},
                       {"bpp 3", 3, 100, 100, 300},
                       {"pitch below width", 1, 100, 100, 10},
                       {"2^31 - 1 rows", 1, 1, 0x7FFFFFFF, 1},
                       {"wider than a screen", 1, 0x10000, 1, 0x10000},
                       {"pitch x height beyond 2 GB", 4, 0xFFFF, 0xFFFF, 0x40000}};
    for (const Bad& b : bad) {
        Image image(b.bpp, b.width, b.height, b.pitch, 0);
        rtSetError(RT_OK);
        gfxLine(image.target(), 0, 0, 1000, 1000, 15, 2, 0xFFFF, 0);
        EXPECT_EQ(rtGetError(), RT_ERR_BAD_ARGUMENT) << b.what;
        gfxPset(image.target(), 0, 0, 15, COORD_ONE_ABS, 0);
        EXPECT_EQ(gfxPoint(image.target(), 0, 0), -1) << b.what;
    }

    // The same buffer described again, smaller: the new header counts.
    Image reused(1, 100, 100, 100, 10000);
    gfxPset(reused.target(), 1, 1, 7, COORD_ONE_ABS, 0);
    reused.describe(1, 10, 10, 10);
    gfxPset(reused.target(), 50, 50, 8, COORD_ONE_ABS, 0);
    EXPECT_EQ(gfxPoint(reused.target(), 50, 50), -1);
    EXPECT_EQ(reused.pixel(50 * 100 + 50), 0);
    gfxPset(reused.target(), 5, 5, 8, COORD_ONE_ABS, 0);
    EXPECT_EQ(reused.pixel(5 * 10 + 5), 8) << "the new pitch";
}

TEST_F(Hostile, UnusableModeRecordsAreRefusedAndTheScreenStays) {
    openNull(13);
    GfxMode* open = gfxMode;
    const ModeInfo good = MODE_TABLE[12];
    struct Case {
        const char* what;
        ModeInfo info;
    };
    std::vector<Case> cases;
    for (uint8_t depth : {0, 3, 20, 33}) {
        ModeInfo info = good;
        info.depth = depth;
        cases.push_back({"depth", info});
    }
    ModeInfo noPalette = good, noFont = good, noHeight = good;
    noPalette.paletteInfo = nullptr;
    noFont.font = nullptr;
    noHeight.height = 0;
    cases.push_back({"no palette", noPalette});
    cases.push_back({"no font", noFont});
    cases.push_back({"no height", noHeight});
    for (const Case& c : cases) {
        EXPECT_EQ(gfxSetMode(&c.info, 13, 0, 1, 0, SCRF_NULL), RT_ERR_BAD_ARGUMENT)
            << c.what << " " << int(c.info.depth);
        EXPECT_EQ(gfxMode, open) << c.what;
    }
}

TEST_F(Hostile, ExtremeCircleArgumentsFinishInsideTheView) {
    openNull(13);
    constexpr float INF = std::numeric_limits<float>::infinity();
    constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
    struct Args {
        float x, y, radius, aspect, start, end;
    };
    const Args args[] = {
        {1.5e9f, 0, 1.5e9f, 1, 0, 1},
        {-1.5e9f, 1e9f, 1.5e9f, 1, 1, 0},
        {160, 100, 1e9f, 1, 0, 6.2831855f},
        {160, 100, 1e7f, 1, 1, 0.5f},
        {160, 100, 50, 0.001f, 0, 3e38f},
        {160, 100, 50, 1000, -3e38f, -1e30f},
        {160, 100, 50, 1, INF, 1},
        {160, 100, 50, 1, 1, NaN},
        {160, 1e7f + 100, 1e7f, 1, 1.5f, 1.65f},
    };
    for (const Args& a : args)
        gfxCircle(nullptr, a.x, a.y, a.radius, 15, a.aspect, a.start, a.end, 0, 0);
    // The last arc is the top of a circle 10^7 pixels wide, crossing row 100:
    // only its visible angles are walked, and they are drawn.
    EXPECT_EQ(pixel8(160, 100), 15);

    // An outline far larger than the screen is drawn over the screen's rows
    // only, and stays connected: near its top every column is drawn.
    gfxCloseAtExit();
    openNull(13);
    gfxCircle(nullptr, 160, 1e5f + 100, 1e5f, 15, 1, 0, FULL_TURN, 0, 0);
    for (int32_t x = 0; x < 320; ++x)
        EXPECT_TRUE(pixel8(x, 100) || pixel8(x, 101) || pixel8(x, 102)) << x;
}

TEST_F(Hostile, TextCursorAndPrintWidthFollowTheGrid) {
    openNull(13);
    // The hook's LOCATE trusts its caller; line feeds from the last row there
    // neither overflow nor leave the cursor outside the grid.
    gfxLocate(INT32_MAX, INT32_MAX, 0);
    rtPrintText(0, "\n\n", 0);
    EXPECT_LT(gfxMode->textRowCursor, gfxMode->textRows);
    EXPECT_LT(gfxMode->textColumnCursor, gfxMode->textColumns);
    // A WIDTH the screen refuses leaves PRINT's width at the grid's.
    EXPECT_EQ(rtWidth(7, 25), 0);
    EXPECT_EQ(gfxMode->textColumns, 40);
    EXPECT_EQ(rtConsoleHandle()->width, 40);
    rtLocate(1, 1, 0, nullptr);
    rtPrintText(0, "abcdefghijklmnopqrstuvwxyz0123456789ABCD", 2); // 40 characters, comma
    EXPECT_EQ(rtConsoleHandle()->column, gfxMode->textColumnCursor);
    // The width's size counts for the zones, whatever its sign.
    rtConsoleHandle()->width = INT32_MIN;
    EXPECT_EQ(rtPrintText(0, "x", 2), RT_OK);

    // A quiet open of a screen with fewer rows takes its rows as the view.
    openNull(15);
    ASSERT_EQ(gfxScreen(8, 0, 0, SCRF_QUIET_CLOSE, 0), 0);
    EXPECT_EQ(rtLocate(34, 12, 0, nullptr), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtLocate(25, 12, 0, nullptr), RT_OK);
    // A page the screen refuses is error 1, never the dispatcher's -1.
    gfxCloseAtExit();
    EXPECT_EQ(gfxScreenPages(0, 1, 1), RT_ERR_ILLEGAL_CALL);
}

TEST_F(Hostile, EventPostsRaceOpenAndClose) {
    std::atomic<bool> stop{false};
    std::thread poster([&] {
        GfxEvent event = {};
        while (!stop.load())
            gfxPostEvent(&event);
    });
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(gfxScreenSize(16, 16, 8, 1, SCRF_NULL, 0), 0);
        gfxCloseAtExit();
    }
    stop = true;
    poster.join();
}

} // namespace
