// The graphics console's statements: CLS, COLOR, LOCATE, WIDTH, the queries,
// the SCREEN read-back, the hook table, and line reading with keys posted
// from another thread.
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gfx/console/gfx_text_support.h"
#include "gfx/console/input.h"
#include "gfx/core/palette.h"
#include "runtime/line_edit.h"

using namespace gfxtext;

namespace {

class GfxHooks : public gfxtest::GfxTest {};

TEST_F(GfxHooks, OpeningFillsTheTableAndClosingEmptiesIt) {
    openNull(13);
    const ConsoleHooks& h = rtState.hooks;
    EXPECT_EQ(h.clearScreen, gfxClearScreen);
    EXPECT_EQ(h.printBytes, gfxPrintBytes);
    EXPECT_EQ(h.printWide, gfxPrintWide);
    EXPECT_EQ(h.locate, gfxLocate);
    EXPECT_EQ(h.lineInput, gfxLineInput);
    EXPECT_EQ(h.readCharAt, gfxReadCharAt);
    EXPECT_EQ(h.isRedirected(), 0);
    ASSERT_EQ(gfxScreen(0, 0, 0, SCRF_QUIET_CLOSE, 0), 0);
    const auto* slots = reinterpret_cast<void* const*>(&rtState.hooks);
    for (int i = 0; i < 27; ++i)
        EXPECT_EQ(slots[i], nullptr) << "slot " << i;
}

TEST_F(GfxHooks, FailedOpensLeaveNoHooks) {
    openNull(13);
    // Pages that together exceed 4 GiB, then no driver at all.
    EXPECT_EQ(gfxSetMode(&MODE_TABLE[20], 21, 0, 5000, 0, SCRF_NULL), 1);
    EXPECT_EQ(rtState.hooks.viewUpdate, nullptr);
    openNull(13);
    gfxtest::refusing().push_back("*");
    EXPECT_EQ(gfxScreen(21, 0, 0, 0, 0), 0);
    EXPECT_EQ(gfxMode, nullptr);
    EXPECT_EQ(rtState.hooks.viewUpdate, nullptr);
}

TEST_F(GfxHooks, OpenSetsUpTheGridAndCellsInTheContextsColours) {
    openNull(13, 0, 2);
    EXPECT_EQ(gfxMode->font, &FONT_8X8);
    EXPECT_EQ(gfxMode->textColumns, 40);
    EXPECT_EQ(gfxMode->textRows, 25);
    const TextCell& work = gfxMode->textCells[0][40 * 25 - 1];
    EXPECT_EQ(work.character, 32);
    EXPECT_EQ(work.foreground, 15u);
    EXPECT_EQ(gfxMode->textCells[1][0].character, 0);
    // A screen by size: the grid follows widths beyond what 8 bits hold.
    ASSERT_EQ(gfxScreenSize(100, 50, 24, 1, SCRF_NULL, 0), 0);
    EXPECT_EQ(gfxMode->textColumns, 12);
    EXPECT_EQ(cell(11, 5).background, 0xFF000000u);
    ASSERT_EQ(gfxScreenSize(4096, 16, 8, 1, SCRF_NULL, 0), 0);
    EXPECT_EQ(gfxMode->textColumns, 512);
    EXPECT_EQ(gfxMode->textRows, 2);
}

TEST_F(GfxHooks, ClsWithoutArgumentClearsOnlyTheTextView) {
    openNull(18); // 8 x 16 font
    for (int32_t r = 1; r <= 30; ++r) {
        rtLocateEntry(r, 1, -1, 0, 0);
        print("row");
    }
    fillPage(9);
    ASSERT_NE(rtViewPrint(5, 10, 1), 0);
    clearDirty();
    rtCls(CLS_DEFAULT);

    EXPECT_TRUE(linesAre(0, 64, 9));
    EXPECT_TRUE(linesAre(64, 160, 0));
    EXPECT_TRUE(linesAre(160, 480, 9));
    EXPECT_EQ(dirtyRange(), std::make_pair(64, 159));
    EXPECT_EQ(countDirty(), 96);
    EXPECT_EQ(rowText(3, 0, 3), "row");
    EXPECT_EQ(rowText(4, 0, 3), "   ");
    EXPECT_EQ(rowText(9, 0, 3), "   ");
    EXPECT_EQ(rowText(10, 0, 3), "row");
    EXPECT_EQ(gfxGetRow(), 5);
    EXPECT_EQ(gfxGetColumn(), 1);
}

TEST_F(GfxHooks, ClsZeroClearsEverythingAndHomesTheCursor) {
    openNull(13);
    print("text");
    fillPage(9);
    GfxContext* c = gfxGetContext();
    gfxSetLastPoint(c, 5.0f, 5.0f);
    rtCls(0);
    EXPECT_TRUE(linesAre(0, 200, 0));
    EXPECT_EQ(rowText(0, 0, 4), "    ");
    EXPECT_EQ(gfxGetRow(), 1);
    EXPECT_EQ(gfxGetColumn(), 1);
    EXPECT_EQ(c->lastX, 160.0f);
    EXPECT_EQ(c->lastY, 100.0f);
    EXPECT_EQ(countDirty(), 200);
}

TEST_F(GfxHooks, ClsOneKeepsCursorAndCells) {
    openNull(13);
    rtLocateEntry(7, 3, -1, 0, 0);
    print("keep");
    fillPage(9);
    rtCls(1);
    EXPECT_TRUE(linesAre(0, 200, 0)); // the graphics view is the whole screen
    EXPECT_EQ(rowText(6, 2, 4), "keep");
    EXPECT_EQ(gfxGetRow(), 7);
    EXPECT_EQ(gfxGetColumn(), 7);
    // The background colour is what CLS fills with.
    gfxSetColors(0, 5, COLOR_NO_FOREGROUND);
    rtCls(1);
    EXPECT_TRUE(linesAre(0, 200, 5));
}

// CLS without argument and CLS 1 clear the graphics view only and put the
// graphics cursor on its centre (world coordinates); WIDTH resets the view.
TEST_F(GfxHooks, ClsInsideAViewAndWidthResettingIt) {
    openNull(13);
    print("text");
    fillPage(9);
    gfxView(10, 20, 29, 39, 0, 0, VIEW_NO_FILL | VIEW_NO_BORDER); // 20 x 20 at (10, 20)
    gfxWindow(0, 0, 38, 38, 0);                                   // half a pixel a unit, y up
    clearDirty();
    rtCls(CLS_DEFAULT);
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 320; ++x)
            ASSERT_EQ(line(y)[x], x >= 10 && x < 30 && y >= 20 && y < 40 ? 0 : 9) << x << "," << y;
    EXPECT_EQ(dirtyRange(), std::make_pair(20, 39));
    EXPECT_EQ(rowText(0, 0, 4), "text");
    GfxContext* c = gfxGetContext();
    EXPECT_EQ(c->lastX, 20.0f); // the centre pixel (10, 10) of the view
    EXPECT_EQ(c->lastY, 18.0f);
    fillPage(9);
    rtCls(1);
    EXPECT_EQ(line(39)[29], 0);
    EXPECT_EQ(line(40)[29], 9);
    EXPECT_EQ(gfxSetWidth(40, 25), 25 * 65536 + 40);
    EXPECT_EQ(c->flags & CTX_VIEW, 0u);
    EXPECT_EQ(c->view[2], 320);
}

TEST_F(GfxHooks, WidthChangesTheGridOnlyForABuiltInFont) {
    openNull(18); // 640 x 480, 80 x 30
    print("hello");
    fillPage(9);
    EXPECT_EQ(gfxSetWidth(80, 25), 30 * 65536 + 80); // cells of 8 x 19: no such font
    EXPECT_EQ(gfxMode->textRows, 30);
    EXPECT_TRUE(linesAre(0, 480, 9));
    EXPECT_EQ(rowText(0, 0, 5), "hello");

    EXPECT_EQ(gfxSetWidth(80, 60), 30 * 65536 + 80); // 8 x 8
    EXPECT_EQ(gfxMode->textRows, 60);
    EXPECT_EQ(gfxMode->font, &FONT_8X8);
    EXPECT_TRUE(linesAre(0, 480, 0));
    EXPECT_EQ(rowText(59), std::string(80, ' '));

    fillPage(9);
    rtLocateEntry(40, 10, -1, 0, 0);
    EXPECT_EQ(rtWidth(80, 30), 0); // back to 8 x 16 through the runtime
    EXPECT_EQ(gfxMode->textColumns, 80);
    EXPECT_EQ(gfxMode->textRows, 30);
    EXPECT_EQ(gfxMode->font, &FONT_8X16);
    EXPECT_TRUE(linesAre(0, 480, 0));
    EXPECT_EQ(gfxGetRow(), 1);
    EXPECT_EQ(gfxGetColumn(), 1);
    int32_t top = 0, bottom = 0;
    rtGetView(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 30);
    // The new grid reaches the bottom row.
    rtLocateEntry(30, 80, -1, 0, 0);
    print("Z");
    EXPECT_TRUE(showsGlyph(632, 464, 'Z', 15, 0));
}

TEST_F(GfxHooks, WidthZeroZeroOnlyReportsTheSize) {
    openNull(21);
    print("stay");
    EXPECT_EQ(gfxSetWidth(0, 0), 64 * 65536 + 160);
    EXPECT_EQ(rtWidth(0, 0), 64 * 65536 + 160);
    EXPECT_EQ(gfxMode->textColumns, 160);
    EXPECT_EQ(rowText(0, 0, 4), "stay");
    EXPECT_EQ(gfxGetColumn(), 5);
}

TEST_F(GfxHooks, WidthRequestsOfAnySizeNeverBreakTheGrid) {
    const int32_t values[] = {INT_MIN, -1, 0, 1, 7, 8, 25, 34, 40, 60, 80, 81, 100, 479, INT_MAX};
    for (int32_t mode : {1, 9, 13, 18})
        for (int32_t columns : values)
            for (int32_t rows : values) {
                openNull(mode);
                gfxSetWidth(columns, rows);
                ASSERT_LE(gfxMode->textColumns * gfxMode->font->width, gfxMode->width);
                ASSERT_LE(gfxMode->textRows * gfxMode->font->height, gfxMode->height);
                rtLocateEntry(gfxMode->textRows, gfxMode->textColumns, -1, 0, 0);
                print("edge", 1);
                ASSERT_EQ(gfxReadCharAt(1, gfxMode->textRows - 1, 0), 'd')
                    << columns << "x" << rows;
            }
}

TEST_F(GfxHooks, ColorOnScreen1ChangesPaletteEntry0) {
    openNull(1);
    GfxContext* c = gfxGetContext();
    uint32_t foreground = c->foreground;
    int32_t previous = gfxSetColors(4, 0, COLOR_NO_BACKGROUND);
    EXPECT_EQ(previous, static_cast<int32_t>(c->background * 65536 + foreground));
    EXPECT_EQ(c->foreground, foreground);
    EXPECT_EQ(gfxMode->palette[0], gfxMode->colorTable[4]);
    // The background chooses the palette set: 1 gives 0, 3, 5, 7.
    gfxSetColors(0, 1, COLOR_NO_FOREGROUND);
    EXPECT_EQ(gfxMode->palette[1], gfxMode->colorTable[3]);
    EXPECT_EQ(gfxMode->palette[3], gfxMode->colorTable[7]);
}

TEST_F(GfxHooks, ColorByModeAndDepth) {
    openNull(9); // 16 colours: foreground masked, background is palette entry 0
    GfxContext* c = gfxGetContext();
    gfxSetColors(0x1234, 2, 0);
    EXPECT_EQ(c->foreground, 4u);
    EXPECT_EQ(gfxMode->attrMap[0], 2);

    openNull(13);
    c = gfxGetContext();
    EXPECT_EQ(gfxSetColors(300, 2, 0), 15);
    EXPECT_EQ(c->foreground, 44u);
    EXPECT_EQ(c->background, 2u);
    EXPECT_EQ(gfxSetColors(0, 0, COLOR_NO_FOREGROUND | COLOR_NO_BACKGROUND), 2 * 65536 + 44);
    print("\xc8");
    EXPECT_EQ(gfxReadCharAt(1, 1, 1), 2 * 256 + 44);

    openNull(18, 16);
    c = gfxGetContext();
    gfxSetColors(0xFF8040, 0x0000FF, 0);
    EXPECT_EQ(c->foreground, 0xFC08u); // 5-6-5
    // Expanded with the top bits repeated: 0xF8 | 7, 0x80 | 2, 0x40 | 2.
    EXPECT_EQ(static_cast<uint32_t>(gfxSetColors(0, 0, 3)), 0xFFFF8242u);
    print("q");
    EXPECT_EQ(static_cast<uint32_t>(gfxReadCharAt(1, 1, 1)), 0xFFFF8242u);
    EXPECT_EQ(static_cast<uint32_t>(gfxReadCharAt(1, 1, 2)), 0xFF0000FFu);

    openNull(18, 32);
    c = gfxGetContext();
    gfxSetColors(0x12345678, -1, 0);
    EXPECT_EQ(c->foreground, 0x12345678u);
    EXPECT_EQ(gfxSetColors(0, 0, 3), 0x12345678);
    print("q");
    EXPECT_EQ(gfxReadCharAt(1, 1, 2), -1);
}

TEST_F(GfxHooks, ColoursOfAnyValueNeverBreakTheText) {
    const int32_t values[] = {INT_MIN, -1, 0, 1, 15, 16, 255, 256, 0xFFFFFF, INT_MAX};
    for (int32_t mode : {1, 2, 7, 8, 9, 10, 11, 12, 13, 21})
        for (int32_t f : values)
            for (int32_t b : values) {
                openNull(mode);
                gfxSetColors(f, b, 0);
                print("x", 1);
                rtCls(CLS_DEFAULT);
                ASSERT_EQ(gfxGetRow(), 1);
            }
}

TEST_F(GfxHooks, LocateReportsThePackedPositionAndMovesPrintsColumn) {
    openNull(21);
    EXPECT_EQ(gfxLocate(14, 16, -1), 14 * 256 + 16);
    EXPECT_EQ(gfxLocate(0, 3, -1), 14 * 256 + 3); // the row is kept
    EXPECT_EQ(rtConsoleHandle()->column, 2);
    EXPECT_EQ(gfxLocate(300, 300, -1), (299 & 255) * 256 + (299 & 255) + 257);
    int32_t column = 0, row = 0;
    gfxGetCursor(&column, nullptr);
    gfxGetCursor(nullptr, &row);
    EXPECT_EQ(column, 300);
    EXPECT_EQ(row, 300);
    int32_t columns = 0, rows = 0;
    gfxGetSize(&columns, &rows);
    EXPECT_EQ(columns, 160);
    EXPECT_EQ(rows, 64);
}

TEST_F(GfxHooks, ReadBackOutsideTheGridIsZero) {
    openNull(13);
    print("a");
    EXPECT_EQ(gfxReadCharAt(1, 1, 0), 'a');
    for (auto [column, row] : {std::pair{0, 1}, {1, 0}, {41, 1}, {1, 26}, {INT_MIN, INT_MAX}})
        EXPECT_EQ(gfxReadCharAt(column, row, 0), 0);
    gfxCloseAtExit();
    EXPECT_EQ(gfxReadCharAt(1, 1, 0), 0);
    EXPECT_EQ(gfxReadString(nullptr, 0), nullptr);
}

// Posts the keys one by one from another thread once the reader is waiting.
class KeyPoster {
  public:
    explicit KeyPoster(std::vector<int32_t> keys)
        : thread_([keys] {
              for (int32_t key : keys) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(15));
                  gfxPostKey(key);
              }
          }) {}
    ~KeyPoster() { thread_.join(); }

  private:
    std::thread thread_;
};

TEST_F(GfxHooks, LineInputWithKeysFromAnotherThread) {
    openNull(18);
    while (gfxTakeKey() != 0) {
    }
    char destination[16];
    std::memset(destination, 'x', sizeof destination);
    const char prompt[] = "Name";
    int32_t error;
    {
        KeyPoster poster({'h', 'x', 8, 'i', EDIT_KEY_LEFT, '!', 13});
        error =
            gfxLineInput(strTempFromBuffer(prompt, 4), destination, sizeof destination, 0, 1, 1);
    }
    EXPECT_EQ(error, 0);
    EXPECT_STREQ(destination, "h!i");
    EXPECT_EQ(rowText(0, 0, 10), "Name? h!i ");
    EXPECT_EQ(gfxGetRow(), 2);
    EXPECT_EQ(gfxGetColumn(), 1);

    uint16_t wide[8];
    const uint16_t widePrompt[] = {'W', 0};
    {
        KeyPoster poster({'o', 'k', 13});
        error = gfxLineInputWide(widePrompt, wide, 8, 0, 0);
    }
    EXPECT_EQ(error, 0);
    EXPECT_EQ(wide[0], 'o');
    EXPECT_EQ(wide[1], 'k');
    EXPECT_EQ(wide[2], 0);
    EXPECT_EQ(rowText(1, 0, 4), "Wok ");
    EXPECT_EQ(gfxGetRow(), 2); // no line end asked for
}

TEST_F(GfxHooks, ReadStringEchoesWithABlockCursor) {
    openNull(13);
    while (gfxTakeKey() != 0) {
    }
    char buffer[4];
    char* result;
    {
        KeyPoster poster({'a', 0x4BFF, 'b', 8, 'c', 'd', 'e', 13});
        result = gfxReadString(buffer, sizeof buffer);
    }
    ASSERT_EQ(result, buffer);
    EXPECT_STREQ(buffer, "acd"); // full: 'e' and the Enter found no room
    EXPECT_EQ(rowText(0, 0, 4), "acd\xdb");
    {
        KeyPoster poster({'z', 13});
        result = gfxReadString(buffer, sizeof buffer);
    }
    EXPECT_STREQ(buffer, "z\r");
}

} // namespace
