// The control-character processor against a fake device: a grid of cells, a
// scroller that records what it was asked, and a bell counter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/tty.h"

namespace {

struct FakeScreen {
    int32_t width = 20, height = 6;
    std::vector<std::string> rows;
    int32_t writes = 0, scrolls = 0, scrolledLines = 0, bells = 0;
    int32_t failAfterWrites = -1;
    FakeScreen() : rows(6, std::string(20, '.')) {}
};

FakeScreen& screenOf(TtyState* tty) {
    return *static_cast<FakeScreen*>(tty->device);
}

int32_t fakeWrite(TtyState* tty, const void* characters, int32_t count) {
    FakeScreen& s = screenOf(tty);
    if (s.failAfterWrites >= 0 && s.writes >= s.failAfterWrites) return 0;
    ++s.writes;
    EXPECT_GE(tty->x, tty->left);
    EXPECT_LE(tty->x + count - 1, tty->right) << "a piece must fit on its row";
    if (tty->bottom != -1) {
        EXPECT_LE(tty->y, tty->bottom) << "written below the view without scrolling";
    }
    const uint8_t* text = static_cast<const uint8_t*>(characters);
    for (int32_t i = 0; i < count; ++i)
        s.rows[tty->y][tty->x + i] = static_cast<char>(text[i]);
    return 1;
}

int32_t fakeWriteWide(TtyState* tty, const void* characters, int32_t count) {
    FakeScreen& s = screenOf(tty);
    ++s.writes;
    const uint16_t* text = static_cast<const uint16_t*>(characters);
    for (int32_t i = 0; i < count; ++i)
        s.rows[tty->y][tty->x + i] = static_cast<char>(text[i] > 127 ? '?' : text[i]);
    return 1;
}

// Scrolls the view's rows up.
void fakeScroll(TtyState* tty, int32_t left, int32_t top, int32_t right, int32_t bottom,
                int32_t lines) {
    FakeScreen& s = screenOf(tty);
    ++s.scrolls;
    s.scrolledLines += lines;
    for (int32_t n = 0; n < lines; ++n) {
        for (int32_t row = top; row < bottom; ++row)
            s.rows[row].replace(left, right - left + 1, s.rows[row + 1], left, right - left + 1);
        s.rows[bottom].replace(left, right - left + 1, std::string(right - left + 1, ' '));
    }
    tty->y = bottom;
}

void fakeBell(TtyState* tty) {
    ++screenOf(tty).bells;
}

struct Tty : ::testing::Test {
    FakeScreen screen;
    TtyState tty = {};
    void SetUp() override {
        tty.device = &screen;
        tty.scroll = fakeScroll;
        tty.writeCells = fakeWrite;
        tty.bell = fakeBell;
        tty.left = 0;
        tty.top = 0;
        tty.right = screen.width - 1;
        tty.bottom = screen.height - 1;
    }
    void print(const std::string& text, int32_t lineFeedReturns = 1) {
        ttyPrint(&tty, reinterpret_cast<const uint8_t*>(text.data()),
                 static_cast<int32_t>(text.size()), lineFeedReturns);
    }
};

TEST_F(Tty, FillingTheBottomRowWrapsWithoutScrolling) {
    tty.y = tty.bottom;
    print(std::string(20, 'a'));
    EXPECT_EQ(screen.rows[5], std::string(20, 'a'));
    EXPECT_EQ(tty.x, 0);
    EXPECT_EQ(tty.y, tty.bottom + 1) << "the wrap leaves the position below the view";
    EXPECT_EQ(screen.scrolls, 0);
    EXPECT_EQ(screen.writes, 1) << "one write per row piece";
    print("b");
    EXPECT_EQ(screen.scrolls, 1) << "the next character scrolls first";
    EXPECT_EQ(screen.rows[4], std::string(20, 'a'));
    EXPECT_EQ(screen.rows[5].substr(0, 2), "b ");
}

TEST_F(Tty, LongTextWrapsInRowPieces) {
    tty.x = 15;
    print(std::string(30, 'x'));
    EXPECT_EQ(screen.rows[0].substr(15), "xxxxx");
    EXPECT_EQ(screen.rows[1], std::string(20, 'x'));
    EXPECT_EQ(screen.rows[2].substr(0, 6), "xxxxx.");
    EXPECT_EQ(screen.writes, 3);
    EXPECT_EQ(tty.x, 5);
    EXPECT_EQ(tty.y, 2);
}

TEST_F(Tty, TabsPadToMultiplesOfEightFromTheViewLeft) {
    tty.left = 2;
    tty.x = 2 + 5;
    print("\t|");
    EXPECT_EQ(screen.rows[0].substr(7, 4), "   |") << "3 spaces from column left + 5";
    tty.x = 2 + 8;
    tty.y = 1;
    print("\t|");
    EXPECT_EQ(screen.rows[1].substr(10, 9), "        |") << "8 spaces at a multiple of 8";
}

TEST_F(Tty, TabAfterAWrapCountsFromTheWrappedColumn) {
    // 18 characters on a 20-column row: the tab starts at column 18, pads 6
    // spaces (to 24 = 4 on the next row), and the mark lands at column 4.
    print(std::string(18, 'y') + "\t|");
    EXPECT_EQ(screen.rows[1].substr(0, 6), "    |.");
}

TEST_F(Tty, ControlCharacters) {
    print("ab\x07"
          "c");
    EXPECT_EQ(screen.bells, 1);
    EXPECT_EQ(screen.rows[0].substr(0, 4), "abc.") << "the bell prints nothing";
    print("\x08\x08Z");
    EXPECT_EQ(screen.rows[0].substr(0, 4), "aZc.");
    tty.x = 0;
    print("\x08\x08Q");
    EXPECT_EQ(screen.rows[0].substr(0, 4), "QZc.") << "backspace stops at the left edge";
    print("\x0B\x0C", 1);
    EXPECT_EQ(screen.rows[0].substr(1, 2), "\x0B\x0C") << "11 and 12 are printed";
    print("12\r3");
    EXPECT_EQ(screen.rows[0].substr(0, 5), "3\x0B\x0C"
                                           "12");
}

TEST_F(Tty, LineFeedWithAndWithoutReturn) {
    tty.x = 4;
    print("\nA", 0);
    EXPECT_EQ(screen.rows[1][4], 'A');
    print("\nB", 1);
    EXPECT_EQ(screen.rows[2][0], 'B');
}

TEST_F(Tty, TrailingLineFeedOnTheBottomRowScrollsOnce) {
    tty.y = tty.bottom;
    print("end\r\n");
    EXPECT_EQ(screen.scrolls, 1);
    EXPECT_EQ(screen.scrolledLines, 1);
    EXPECT_EQ(tty.y, tty.bottom);
    EXPECT_EQ(screen.rows[4].substr(0, 3), "end");
    print("\n\n");
    EXPECT_EQ(screen.scrolledLines, 3) << "two line feeds scroll two lines at the end";
}

TEST_F(Tty, MovementAloneNeverScrollsInsideTheView) {
    tty.y = 2;
    print("\r\n\r\n");
    EXPECT_EQ(screen.scrolls, 0);
    EXPECT_EQ(tty.y, 4);
}

TEST_F(Tty, NoBottomLimitNeverScrolls) {
    tty.bottom = -1;
    screen.rows.resize(12, std::string(20, '.'));
    tty.y = 5;
    print(std::string(25, 'n') + "\n\n");
    EXPECT_EQ(screen.scrolls, 0);
    EXPECT_EQ(tty.y, 8);
}

TEST_F(Tty, MoreThanTheBufferIsWrittenInOrder) {
    // 1500 printable characters exceed the 1024 pending characters.
    screen.rows.assign(6, std::string(20, '.'));
    tty.bottom = 5;
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += static_cast<char>('a' + i % 26);
    print(text);
    // 1500 = 75 full rows: what remains on screen are the last six rows written.
    EXPECT_EQ(screen.rows[5], text.substr(1480, 20));
    EXPECT_EQ(screen.rows[4], text.substr(1460, 20));
    EXPECT_EQ(screen.rows[0], text.substr(1380, 20));
    EXPECT_EQ(tty.y, 6);
    EXPECT_EQ(tty.x, 0);
}

TEST_F(Tty, FailingWriteDropsTheRest) {
    screen.failAfterWrites = 1;
    print(std::string(30, 'f'));
    EXPECT_EQ(screen.rows[0], std::string(20, 'f'));
    EXPECT_EQ(screen.rows[1], std::string(20, '.'));
}

TEST_F(Tty, PartialViewScrollsOnlyItsRows) {
    tty.top = 1;
    tty.bottom = 3;
    screen.rows[0] = "header..............";
    screen.rows[4] = "footer..............";
    tty.y = 3;
    print("one\r\ntwo\r\n");
    EXPECT_EQ(screen.rows[0], "header..............");
    EXPECT_EQ(screen.rows[4], "footer..............");
    EXPECT_EQ(screen.rows[2].substr(0, 3), "two");
    EXPECT_EQ(screen.rows[1].substr(0, 3), "one");
}

TEST_F(Tty, WideTextAndBadInput) {
    tty.writeCells = fakeWriteWide;
    const uint16_t wide[] = {'w', 0x263A, '\t', 'z'};
    ttyPrintWide(&tty, wide, 4, 1);
    EXPECT_EQ(screen.rows[0].substr(0, 9), "w?      z");
    ttyPrint(&tty, nullptr, 5, 1);
    ttyPrint(&tty, reinterpret_cast<const uint8_t*>("x"), -3, 1);
    ttyPrint(nullptr, reinterpret_cast<const uint8_t*>("x"), 1, 1);
    EXPECT_EQ(tty.x, 9);
    // A position beyond the right edge (the view narrowed) continues below.
    tty.writeCells = fakeWrite;
    tty.x = 40;
    tty.y = 2;
    print("k");
    EXPECT_EQ(screen.rows[3][0], 'k');
}

} // namespace
