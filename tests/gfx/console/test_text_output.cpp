// Text output on the graphics screen: glyphs, cells, wrapping, the deferred
// scroll, scrolling inside the text view and the dirty lines.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/console/gfx_text_support.h"
#include "console/tty.h"
#include "runtime/beep.h"

using namespace gfxtext;

namespace {

class GfxText : public gfxtest::GfxTest {};

const char MESSAGE[] = "presionar \x1b ESC para salir ";

TEST_F(GfxText, MessageAtRow14Column16DrawsTwentySevenOpaqueCells) {
    openNull(21);
    fillPage(7); // whatever lies under the text must be overdrawn
    clearDirty();
    ASSERT_EQ(rtLocateEntry(14, 16, -1, 0, 0), 13 * 256 + 15 + 257);
    print(std::string(MESSAGE, 27), 1);

    for (int32_t k = 0; k < 27; ++k)
        EXPECT_TRUE(showsGlyph(120 + 8 * k, 208, static_cast<uint8_t>(MESSAGE[k]), 15, 0))
            << "cell " << k;
    // Nothing beyond x = 120..335 and lines 208..223.
    for (int32_t y = 208; y < 224; ++y) {
        EXPECT_EQ(line(y)[119], 7);
        EXPECT_EQ(line(y)[336], 7);
    }
    EXPECT_TRUE(linesAre(207, 208, 7));
    EXPECT_TRUE(linesAre(224, 225, 7));
    EXPECT_EQ(dirtyRange(), std::make_pair(208, 223));
    EXPECT_EQ(countDirty(), 16);
    EXPECT_EQ(cell(25, 13).character, 27); // ESC is a glyph, not a control code
    EXPECT_EQ(rowText(13, 15, 27), std::string(MESSAGE, 27));
    EXPECT_EQ(cell(15, 13).foreground, 15u);
    // The line end leaves the cursor at the start of the next row.
    EXPECT_EQ(gfxGetRow(), 15);
    EXPECT_EQ(gfxGetColumn(), 1);
}

TEST_F(GfxText, FullLastRowDefersTheScrollToTheNextPrint) {
    openNull(21);
    rtLocateEntry(63, 1, -1, 0, 0);
    print("above");
    rtLocateEntry(64, 1, -1, 0, 0);
    print(std::string(160, 'A'));

    EXPECT_TRUE(gfxMode->flags & TEXT_SCROLL_PENDING);
    int32_t column = 0, row = 0;
    rtGetCursor(&column, &row);
    EXPECT_EQ(column, 160);
    EXPECT_EQ(row, 64);
    EXPECT_EQ(rowText(62, 0, 5), "above"); // not scrolled yet
    EXPECT_EQ(rowText(63), std::string(160, 'A'));
    EXPECT_TRUE(showsGlyph(1272, 1008, 'A', 15, 0));

    print("B");
    EXPECT_FALSE(gfxMode->flags & TEXT_SCROLL_PENDING);
    EXPECT_EQ(rowText(61, 0, 5), "above");
    EXPECT_EQ(rowText(62), std::string(160, 'A'));
    EXPECT_EQ(rowText(63, 0, 2), "B ");
    EXPECT_TRUE(showsGlyph(0, 1008, 'B', 15, 0));
    EXPECT_TRUE(showsGlyph(1272, 992, 'A', 15, 0));
    EXPECT_TRUE(showsGlyph(8, 1008, ' ', 15, 0));
    rtGetCursor(&column, &row);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(row, 64);
}

TEST_F(GfxText, ZeroLengthPrintScrollsOnlyWithFlag8) {
    openNull(21);
    rtLocateEntry(64, 1, -1, 0, 0);
    print(std::string(160, 'A'));
    ASSERT_TRUE(gfxMode->flags & TEXT_SCROLL_PENDING);
    clearDirty();
    uint8_t unused = 'x';
    gfxPrintBytes(&unused, 0, 0);
    EXPECT_TRUE(gfxMode->flags & TEXT_SCROLL_PENDING);
    EXPECT_EQ(gfxGetColumn(), 160);
    EXPECT_EQ(rowText(63), std::string(160, 'A'));
    EXPECT_EQ(countDirty(), 0);

    gfxPrintBytes(nullptr, 0, GFX_PRINT_FLUSH);
    EXPECT_FALSE(gfxMode->flags & TEXT_SCROLL_PENDING);
    EXPECT_EQ(gfxGetColumn(), 1);
    EXPECT_EQ(gfxGetRow(), 64);
    EXPECT_EQ(rowText(62), std::string(160, 'A'));
    EXPECT_EQ(rowText(63), std::string(160, ' '));
    EXPECT_EQ(countDirty(), 1024); // the whole view moved
}

TEST_F(GfxText, LocateCancelsTheDeferredScroll) {
    openNull(21);
    rtLocateEntry(64, 1, -1, 0, 0);
    print(std::string(160, 'A'));
    rtLocateEntry(64, 5, -1, 0, 0);
    print("x");
    EXPECT_EQ(rowText(63, 0, 6), "AAAAxA");
}

TEST_F(GfxText, LineFeedOnTheViewsBottomRowScrollsOnlyTheView) {
    openNull(18); // 640 x 480, 80 x 30, 8 x 16
    rtLocateEntry(4, 1, -1, 0, 0);
    print("outside above");
    rtLocateEntry(11, 1, -1, 0, 0);
    print("outside below");
    ASSERT_NE(rtViewPrint(5, 10, 1), 0);
    EXPECT_EQ(gfxGetRow(), 5);
    print("first", 1);
    rtLocateEntry(10, 1, -1, 0, 0);
    print("last", 1);

    EXPECT_EQ(gfxGetRow(), 10);
    EXPECT_EQ(rowText(3, 0, 13), "outside above");
    EXPECT_EQ(rowText(10, 0, 13), "outside below");
    EXPECT_EQ(rowText(8, 0, 4), "last");
    EXPECT_EQ(rowText(9, 0, 4), "    ");
    EXPECT_EQ(rowText(4, 0, 5), "     "); // "first" left the view
    EXPECT_TRUE(showsGlyph(0, 3 * 16, 'o', 15, 0));
    EXPECT_TRUE(showsGlyph(0, 10 * 16, 'o', 15, 0));
    EXPECT_TRUE(showsGlyph(0, 8 * 16, 'l', 15, 0));
    EXPECT_TRUE(linesAre(9 * 16, 10 * 16, 0));
}

// Calls the scroller directly on rows 2..5 of mode 13 (8 x 8 font).
TEST_F(GfxText, ScrollingByTheWholeViewClearsIt) {
    for (int32_t rows : {4, 5, 1000, INT32_MAX}) {
        openNull(13);
        fillPage(9);
        for (int32_t r = 0; r < 25; ++r) {
            rtLocateEntry(r + 1, 1, -1, 0, 0);
            print(std::string(40, static_cast<char>('a' + r)));
        }
        fillPage(9);
        GfxTextDirty dirty = {gfxGetContext(), 0, 0};
        TtyState tty = {};
        tty.device = &dirty;
        gfxTextScroll(&tty, 0, 2, 39, 5, rows);
        EXPECT_EQ(tty.y, 5);
        EXPECT_TRUE(linesAre(16, 48, 0)) << rows;
        EXPECT_TRUE(linesAre(0, 16, 9));
        EXPECT_TRUE(linesAre(48, 200, 9));
        for (int32_t r = 2; r <= 5; ++r)
            EXPECT_EQ(rowText(r), std::string(40, ' '));
        EXPECT_EQ(rowText(1), std::string(40, 'b'));
        EXPECT_EQ(rowText(6), std::string(40, 'g'));
        EXPECT_EQ(dirty.first, 16);
        EXPECT_EQ(dirty.end, 48);
    }
}

TEST_F(GfxText, ScrollingByPartOfTheViewMovesPixelsAndCells) {
    openNull(13);
    for (int32_t r = 0; r < 25; ++r) {
        rtLocateEntry(r + 1, 1, -1, 0, 0);
        print(std::string(40, static_cast<char>('a' + r)));
    }
    GfxTextDirty dirty = {gfxGetContext(), 0, 0};
    TtyState tty = {};
    tty.device = &dirty;
    gfxTextScroll(&tty, 0, 2, 39, 5, 3);
    EXPECT_EQ(rowText(2), std::string(40, 'f'));
    EXPECT_EQ(rowText(3), std::string(40, ' '));
    EXPECT_EQ(rowText(6), std::string(40, 'g'));
    EXPECT_TRUE(showsGlyph(0, 16, 'f', 15, 0));
    EXPECT_TRUE(showsGlyph(312, 16, 'f', 15, 0));
    EXPECT_TRUE(linesAre(24, 48, 0));
    EXPECT_TRUE(showsGlyph(0, 48, 'g', 15, 0));
}

TEST_F(GfxText, DeepScreensDrawAndScrollWholePixels) {
    for (int32_t depth : {16, 32}) {
        openNull(18, depth);
        gfxSetColors(0x00FF00, 0x0000FF, 0);
        GfxContext* c = gfxGetContext();
        uint32_t foreground = c->foreground, background = c->background;
        rtLocateEntry(30, 80, -1, 0, 0);
        print("AB", 1); // wraps, scrolls once, then the line end scrolls again
        EXPECT_EQ(rowText(27, 79, 1), "A");
        EXPECT_EQ(rowText(28, 0, 2), "B ");
        const FontInfo* font = gfxMode->font;
        for (int32_t r = 0; r < 16; ++r)
            for (int32_t b = 0; b < 8; ++b) {
                int32_t bytes = gfxMode->bytesPerPixel;
                uint32_t got = 0;
                std::memcpy(&got, line(28 * 16 + r) + b * bytes, static_cast<size_t>(bytes));
                uint32_t want = (font->glyphs['B' * 16 + r] >> b) & 1 ? foreground : background;
                ASSERT_EQ(got, want) << depth << " " << b << "," << r;
            }
        EXPECT_EQ(cell(0, 29).background, background);
    }
}

TEST_F(GfxText, LoneByte255DrawsAnUnderline) {
    openNull(13);
    fillPage(3);
    print("\xff");
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(line(y)[x], y == 7 ? 15 : 3) << x << "," << y;
    EXPECT_EQ(cell(0, 0).character, 255);
    EXPECT_EQ(line(7)[8], 3);

    // Inside a longer run it is glyph 255, drawn opaque.
    print("A\xff");
    EXPECT_TRUE(showsGlyph(8, 0, 'A', 15, 0));
    EXPECT_TRUE(showsGlyph(16, 0, 255, 15, 0));
}

TEST_F(GfxText, WideTextNarrowsAndSurrogatePairsPrintOneQuestionMark) {
    openNull(13);
    const uint16_t text[] = {'a', 0xD83D, 0xDE00, 'b', 0x263A, 0xE9, 0xDC00, 'c', 0xD800};
    rtPrintWide(text, 9, 0);
    EXPECT_EQ(rowText(0, 0, 8), "a?b?\xe9?c?");
    EXPECT_EQ(gfxGetColumn(), 9);
    // The converter stops at the given length: the pair's partner is not read.
    rtPrintWide(text, 2, 0);
    EXPECT_EQ(rowText(0, 8, 3), "a? ");
}

TEST_F(GfxText, HighBytesReadBackUnchanged) {
    openNull(13);
    rtLocateEntry(3, 7, -1, 0, 0);
    print("\xc8");
    EXPECT_EQ(gfxReadCharAt(7, 3, 0), 200);
    EXPECT_EQ(gfxReadCharAt(7, 3, 1), 15); // background 0 * 256 + foreground 15
    EXPECT_TRUE(showsGlyph(48, 16, 200, 15, 0));
}

int beeps = 0;
void countBeep() {
    ++beeps;
}

TEST_F(GfxText, ControlCharactersMoveTheCursorWithoutDrawing) {
    openNull(13);
    fillPage(4);
    beeps = 0;
    RtBeepRoutine previous = rtSetBeepRoutine(countBeep);
    print("ab\tc\bd\rE\x07");
    rtSetBeepRoutine(previous);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(rowText(0, 0, 10), "Eb      d ");
    EXPECT_EQ(gfxGetColumn(), 2);
    EXPECT_EQ(line(0)[72], 4); // the cell after d was never drawn
}

TEST_F(GfxText, TextOnAnotherPageNeitherShowsNorMarksTheVisiblePage) {
    openNull(13, 0, 2);
    gfxSetWorkPage(gfxGetContext(), 1);
    clearDirty();
    print("hidden");
    EXPECT_EQ(countDirty(), 0);
    EXPECT_TRUE(linesAre(0, 8, 0));
    EXPECT_EQ(gfxMode->textCells[1][0].character, 'h');
    EXPECT_EQ(gfxMode->textCells[0][0].character, ' ');
    int32_t lit = 0;
    for (int32_t i = 0; i < 8 * 320; ++i)
        lit += gfxMode->pages[1][i] == 15;
    EXPECT_GT(lit, 0);
}

TEST_F(GfxText, PrintsOfAnyLengthStayInsideTheGrid) {
    for (int32_t mode : {1, 2, 7, 9, 11, 13, 21}) {
        openNull(mode);
        std::vector<uint8_t> bytes(70000);
        uint32_t seed = 12345u + static_cast<uint32_t>(mode);
        for (uint8_t& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<uint8_t>(seed >> 16);
        }
        rtPrintBytes(bytes.data(), static_cast<int32_t>(bytes.size()), 0);
        int32_t column = 0, row = 0;
        rtGetCursor(&column, &row);
        EXPECT_GE(column, 1);
        EXPECT_LE(column, gfxMode->textColumns);
        EXPECT_GE(row, 1);
        EXPECT_LE(row, gfxMode->textRows);
        gfxPrintBytes(bytes.data(), -5, 0);
        gfxPrintBytes(nullptr, 10, 0);
        gfxPrintWide(nullptr, 10, 0);
    }
}

TEST_F(GfxText, CursorPlacedOutsideTheGridDrawsNothingOutside) {
    openNull(13);
    gfxLocate(1000, 1000, -1); // the hook itself, past the runtime's checks
    print("far away");
    gfxLocate(25, 40, -1);
    print(std::string(100, 'z'));
    EXPECT_GE(gfxGetRow(), 1);
    EXPECT_LE(gfxGetRow(), 25);
    // A screen too small for a single cell.
    ASSERT_EQ(gfxScreenSize(4, 4, 8, 1, SCRF_NULL, 0), 0);
    print("no room", 1);
    gfxClearScreen(2);
    gfxClearScreen(CLS_DEFAULT);
    EXPECT_EQ(gfxReadCharAt(1, 1, 0), 0);
}

} // namespace
