// Page selection, page copy and the emulated VGA ports.
#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "gfx/console/pages.h"
#include "gfx/core/gfx_test_support.h"
#include "gfx/core/lock.h"
#include "gfx/core/palette.h"
#include "runtime/runtime.h"

using namespace gfxtest;

namespace {

// A driver that waits for the retrace or presents the screen itself, counting
// the calls.
struct CountingDriver {
    static inline int32_t retraces = 0, presents = 0, pumps = 0;
    static int32_t open(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, GfxDisplayInfo*) { return 0; }
    static void waitRetrace() { ++retraces; }
    static void present() { ++presents; }
    static void pumpEvents() { ++pumps; }
};
const GfxDriver RETRACE_DRIVER = [] {
    GfxDriver d{};
    d.name = "Retrace";
    d.open = CountingDriver::open;
    d.waitRetrace = CountingDriver::waitRetrace;
    return d;
}();
const GfxDriver PRESENT_DRIVER = [] {
    GfxDriver d{};
    d.name = "Present";
    d.open = CountingDriver::open;
    d.present = CountingDriver::present;
    d.pumpEvents = CountingDriver::pumpEvents;
    return d;
}();

class Pages : public GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        CountingDriver::retraces = CountingDriver::presents = CountingDriver::pumps = 0;
        gfxPortState = {0, 2, 0};
    }
    static void openWith(const GfxDriver* driver, int32_t mode, int32_t depth = 0) {
        static const GfxDriver* list[2];
        list[0] = driver;
        list[1] = nullptr;
        gfxDriverList = list;
        ASSERT_EQ(gfxScreen(mode, depth, 0, 0, 0), 0);
        ASSERT_EQ(gfxMode->driver, driver);
    }
    static uint8_t* pixelOf(int32_t page, int32_t x, int32_t y) {
        return gfxMode->pages[page] + static_cast<ptrdiff_t>(y) * gfxMode->pitch +
               x * gfxMode->bytesPerPixel;
    }
    static void fillPage(int32_t page, uint8_t value) {
        std::memset(gfxMode->pages[page], value,
                    static_cast<size_t>(gfxMode->pitch) * static_cast<size_t>(gfxMode->height));
    }
    static int32_t cellCount() { return gfxMode->textColumns * gfxMode->textRows; }
    static int32_t setColorCalls() {
        int32_t n = 0;
        for (const std::string& c : calls())
            n += c.rfind("setColor", 0) == 0;
        return n;
    }
};

// Ports ----------------------------------------------------------------------

TEST_F(Pages, ThreeDataWritesSetOneColourThroughThePalette) {
    ASSERT_EQ(gfxScreen(13, 0, 0, 0, 0), 0); // the recording DirectX driver
    calls().clear();
    clearDirty();
    EXPECT_EQ(gfxPortOut(0x3C8, 1), 0);
    EXPECT_EQ(gfxPortOut(0x3C9, 63), 0);
    EXPECT_EQ(gfxPortOut(0x3C9, 0), 0);
    EXPECT_EQ(setColorCalls(), 0); // nothing until the third component
    EXPECT_EQ(gfxPortOut(0x3C9, 0), 0);
    EXPECT_EQ(gfxMode->palette[1], 0x0000FFu);
    ASSERT_EQ(setColorCalls(), 1);
    EXPECT_NE(std::find(calls().begin(), calls().end(), "setColor 1 255 0 0"), calls().end());
    EXPECT_EQ(countDirty(), gfxMode->height);
    // The fourth write starts on colour 2; only the low six bits count.
    gfxPortOut(0x3C9, 0);
    gfxPortOut(0x3C9, 63 + 64);
    gfxPortOut(0x3C9, 0);
    EXPECT_EQ(gfxMode->palette[2], 0x00FF00u);
    // Colour 255 is followed by colour 0.
    gfxPortOut(0x3C8, 255);
    for (int32_t v : {0, 0, 63, 21, 42, 63})
        gfxPortOut(0x3C9, v);
    EXPECT_EQ(gfxMode->palette[255], 0xFF0000u);
    EXPECT_EQ(gfxMode->palette[0], gfxPackRgb(21 * 255 / 63, 42 * 255 / 63, 255));
}

TEST_F(Pages, ReadSequenceAfterTheReadIndex) {
    openNull(13);
    uint32_t one = gfxMode->palette[1], two = gfxMode->palette[2];
    ASSERT_NE(one, two);
    EXPECT_EQ(gfxPortOut(0x3C7, 1), 0);
    EXPECT_EQ(gfxPortIn(0x3C9), static_cast<int32_t>((one >> 2) & 63));
    EXPECT_EQ(gfxPortIn(0x3C9), static_cast<int32_t>((one >> 10) & 63));
    EXPECT_EQ(gfxPortIn(0x3C9), static_cast<int32_t>((one >> 18) & 63));
    EXPECT_EQ(gfxPortIn(0x3C9), static_cast<int32_t>((two >> 2) & 63));
    // A colour written through the ports reads back as written.
    gfxPortOut(0x3C8, 7);
    for (int32_t v : {12, 34, 56})
        gfxPortOut(0x3C9, v);
    gfxPortOut(0x3C7, 7);
    EXPECT_EQ(gfxPortIn(0x3C9), 12);
    EXPECT_EQ(gfxPortIn(0x3C9), 34);
    EXPECT_EQ(gfxPortIn(0x3C9), 56);
}

TEST_F(Pages, SixteenColourModesChangeTheDefaultColourAndItsPixelValues) {
    ASSERT_EQ(gfxScreen(9, 0, 0, 0, 0), 0); // value 6 shows default colour 20
    calls().clear();
    clearDirty();
    gfxPortOut(0x3C8, 20);
    for (int32_t v : {63, 32, 1})
        gfxPortOut(0x3C9, v);
    uint32_t colour = 63u << 2 | 32u << 10 | 1u << 18;
    EXPECT_EQ(gfxMode->colorTable[20], colour);
    EXPECT_EQ(gfxMode->palette[6], colour);
    EXPECT_EQ(calls(), std::vector<std::string>({"lock", "setColor 6 252 128 4", "unlock"}));
    EXPECT_EQ(countDirty(), gfxMode->height);
    // The index is masked to the palette's 64 colours and advances within it.
    gfxPortOut(0x3C8, 63 + 64);
    for (int32_t v : {1, 2, 3, 4, 5, 6})
        gfxPortOut(0x3C9, v);
    EXPECT_EQ(gfxMode->colorTable[63], 1u << 2 | 2u << 10 | 3u << 18);
    EXPECT_EQ(gfxMode->colorTable[0], 4u << 2 | 5u << 10 | 6u << 18);
    EXPECT_EQ(gfxMode->palette[0], gfxMode->colorTable[0]);
}

TEST_F(Pages, TwoColourModesChangeOnlyTheValueThatShowsTheColour) {
    openNull(11); // no default map: value i shows default colour i
    const uint32_t white = gfxMode->palette[1];
    gfxPortOut(0x3C8, 0);
    for (int32_t v : {63, 0, 0})
        gfxPortOut(0x3C9, v);
    EXPECT_EQ(gfxMode->palette[0], 0xFCu);
    EXPECT_EQ(gfxMode->palette[1], white);
    // Colour 1 follows, then the index wraps to colour 0.
    for (int32_t v : {0, 63, 0, 0, 0, 63})
        gfxPortOut(0x3C9, v);
    EXPECT_EQ(gfxMode->palette[1], 0xFC00u);
    EXPECT_EQ(gfxMode->palette[0], 0xFC0000u);
}

TEST_F(Pages, StatusPortAndDeepScreens) {
    openWith(&RETRACE_DRIVER, 18, 16);
    EXPECT_EQ(gfxPortIn(0x3C9), -1);
    EXPECT_EQ(gfxPortOut(0x3C8, 1), -1);
    EXPECT_EQ(gfxPortOut(0x3C9, 1), -1);
    EXPECT_EQ(gfxPortIn(0x3DA), 8);
    EXPECT_EQ(CountingDriver::retraces, 1);
    EXPECT_EQ(gfxPortIn(0x103DA), 8); // only the low 16 bits of the port count
    EXPECT_EQ(CountingDriver::retraces, 2);
    openNull(13);
    EXPECT_EQ(gfxPortIn(0x3DA), 8); // no waitRetrace: still 8
}

TEST_F(Pages, PortsNotEmulated) {
    EXPECT_EQ(gfxPortIn(0x3DA), -1); // no screen
    EXPECT_EQ(gfxPortOut(0x3C8, 1), -1);
    openNull(13);
    for (int32_t port : {0, 0x3C6, 0x3CA, 0x3D9, 0x3DB, 0xFFFF, -1, INT_MIN, INT_MAX})
        EXPECT_EQ(gfxPortIn(port), -1) << port;
    for (int32_t port : {0, 0x3C6, 0x3CA, 0x3DA, 0xFFFF, -1, INT_MIN, INT_MAX})
        EXPECT_EQ(gfxPortOut(port, 1), -1) << port;
    // High port bits are ignored for OUT as well; any value is accepted.
    EXPECT_EQ(gfxPortOut(0x7FFF03C8, INT_MIN), 0);
    EXPECT_EQ(gfxPortOut(0x3C9, -1), 0);
    EXPECT_EQ(gfxPortOut(0x3C9, INT_MAX), 0);
    EXPECT_EQ(gfxPortOut(0x3C9, 0x40), 0);
    EXPECT_EQ(gfxMode->palette[0], gfxPackRgb(255, 255, 0));
}

TEST_F(Pages, PortStateSurvivesAModeChange) {
    openNull(13);
    gfxPortOut(0x3C8, 200);
    gfxPortOut(0x3C9, 63);
    // A 16-colour screen: index 200 continues inside its palette.
    ASSERT_EQ(gfxScreen(7, 0, 0, SCRF_NULL, 0), 0);
    gfxPortOut(0x3C9, 0);
    gfxPortOut(0x3C9, 0);
    EXPECT_EQ(gfxMode->colorTable[200 & 15], 63u << 2);
    EXPECT_EQ(gfxMode->palette[200 & 15], 63u << 2);
    EXPECT_EQ(gfxPortState.index, (200u + 1) & 15);
}

// Page selection -------------------------------------------------------------

TEST_F(Pages, PageSelection) {
    openNull(7); // eight pages
    GfxContext* c = gfxGetContext();
    clearDirty();
    EXPECT_EQ(gfxPageSet(1, 2), 0);
    EXPECT_EQ(c->workPage, 1);
    EXPECT_EQ(c->lines[0], gfxMode->pages[1]);
    EXPECT_EQ(c->lines[gfxMode->height - 1],
              gfxMode->pages[1] + static_cast<ptrdiff_t>(gfxMode->height - 1) * gfxMode->pitch);
    EXPECT_EQ(gfxMode->visiblePage, 2);
    EXPECT_EQ(gfxMode->framebuffer, gfxMode->pages[2]);
    EXPECT_EQ(countDirty(), gfxMode->height);
    // The page already shown: nothing is marked. Negative keeps a page.
    clearDirty();
    EXPECT_EQ(gfxPageSet(-1, 2), 2 * 256 + 1);
    EXPECT_EQ(countDirty(), 0);
    EXPECT_EQ(gfxPageSet(3, -1), 2 * 256 + 1);
    EXPECT_EQ(c->workPage, 3);
    EXPECT_EQ(gfxMode->visiblePage, 2);
    // Out of range: ignored.
    for (int32_t bad : {8, 9, 1000, INT_MAX})
        EXPECT_EQ(gfxPageSet(bad, bad), 2 * 256 + 3);
    EXPECT_EQ(rtPageSet(INT_MIN, 5), 2 * 256 + 3);
    EXPECT_EQ(gfxMode->visiblePage, 5);
    // Both negative: page 0 for both.
    EXPECT_EQ(gfxPageSet(-1, -1), 5 * 256 + 3);
    EXPECT_EQ(c->workPage, 0);
    EXPECT_EQ(c->lines[0], gfxMode->pages[0]);
    EXPECT_EQ(gfxMode->visiblePage, 0);
    EXPECT_EQ(gfxMode->framebuffer, gfxMode->pages[0]);
    EXPECT_EQ(gfxPageSet(INT_MIN, INT_MIN), 0);
}

TEST_F(Pages, NoScreen) {
    EXPECT_EQ(gfxPageSet(1, 1), 0);
    rtSetError(RT_OK);
    EXPECT_EQ(gfxPageCopy(0, 1), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
}

// Page copy ------------------------------------------------------------------

TEST_F(Pages, CopyOntoItselfCopiesNothing) {
    openNull(7);
    fillPage(0, 3);
    clearDirty();
    rtSetError(RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(gfxPageCopy(0, 0), RT_OK);
    EXPECT_EQ(rtGetError(), RT_OK);
    EXPECT_EQ(gfxPageCopy(-1, -1), RT_OK); // work page 0 onto visible page 0
    EXPECT_EQ(countDirty(), 0);
    EXPECT_EQ(gfxMode->lockCount, 0);
}

TEST_F(Pages, CopyOfTheWholeScreenAndItsTextCells) {
    openNull(7);
    fillPage(3, 9);
    for (int32_t i = 0; i < cellCount(); ++i)
        gfxMode->textCells[3][i] = {static_cast<uint16_t>('A' + i % 26), 0, 1, 2};
    clearDirty();
    EXPECT_EQ(gfxPageCopy(3, -1), RT_OK); // onto the visible page 0
    EXPECT_EQ(*pixelOf(0, 0, 0), 9);
    EXPECT_EQ(*pixelOf(0, gfxMode->width - 1, gfxMode->height - 1), 9);
    EXPECT_EQ(std::memcmp(gfxMode->textCells[0], gfxMode->textCells[3],
                          sizeof(TextCell) * static_cast<size_t>(cellCount())),
              0);
    EXPECT_EQ(countDirty(), gfxMode->height);
    // Onto a hidden page nothing is marked.
    clearDirty();
    EXPECT_EQ(gfxPageCopy(3, 5), RT_OK);
    EXPECT_EQ(*pixelOf(5, 17, 11), 9);
    EXPECT_EQ(countDirty(), 0);
    // Out of range: nothing copied.
    fillPage(6, 1);
    for (auto pages : {std::pair{8, 6}, std::pair{3, 8}, std::pair{INT_MAX, 6}}) {
        rtSetError(RT_OK);
        EXPECT_EQ(gfxPageCopy(pages.first, pages.second), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
    }
    EXPECT_EQ(*pixelOf(6, 0, 0), 1);
}

TEST_F(Pages, CopyWithAViewCopiesOnlyTheViewButAllTextCells) {
    openNull(13, 0, 2);
    ASSERT_EQ(gfxMode->pageCount, 2);
    gfxSetView(gfxGetContext(), 10, 20, 30, 40);
    fillPage(1, 7);
    for (int32_t i = 0; i < cellCount(); ++i)
        gfxMode->textCells[1][i] = {200, 0, 15, 4};
    clearDirty();
    EXPECT_EQ(gfxPageCopy(1, 0), RT_OK);
    int32_t inside = 0, outside = 0;
    for (int32_t y = 0; y < gfxMode->height; ++y)
        for (int32_t x = 0; x < gfxMode->width; ++x) {
            bool in = x >= 10 && x < 40 && y >= 20 && y < 60;
            uint8_t v = *pixelOf(0, x, y);
            (in ? inside : outside) += in ? v == 7 : v != 0;
        }
    EXPECT_EQ(inside, 30 * 40);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(gfxMode->textCells[0][0].character, 200);
    EXPECT_EQ(gfxMode->textCells[0][cellCount() - 1].background, 4u);
    EXPECT_EQ(countDirty(), 40);
    EXPECT_EQ(gfxMode->dirtyLines[19], 0);
    EXPECT_EQ(gfxMode->dirtyLines[20], 1);
    EXPECT_EQ(gfxMode->dirtyLines[59], 1);
    EXPECT_EQ(gfxMode->dirtyLines[60], 0);
}

TEST_F(Pages, CopyUnderAHeldLockStillMarksTheShownPage) {
    openNull(13, 0, 2);
    clearDirty();
    gfxLock();
    EXPECT_EQ(gfxPageCopy(1, 0), RT_OK);
    EXPECT_EQ(gfxMode->lockCount, 1);
    gfxUnlock(1, 0);
    EXPECT_EQ(countDirty(), gfxMode->height);
}

TEST_F(Pages, DriversThatPresentReportAnIllegalCall) {
    openWith(&PRESENT_DRIVER, 13);
    rtSetError(RT_OK);
    EXPECT_EQ(gfxPageCopy(0, 0), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(CountingDriver::presents, 1);
    EXPECT_EQ(CountingDriver::pumps, 1);
}

} // namespace
