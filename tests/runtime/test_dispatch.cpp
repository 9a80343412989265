// The console dispatchers: checks, bookkeeping and hand-over to the hooks.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "runtime/runtime.h"

namespace {

// A fake screen behind the hooks that records what it was asked.
struct FakeScreen {
    int32_t columns = 80, rows = 25;
    std::vector<std::vector<int32_t>> locates;
    std::vector<std::vector<int32_t>> widths;
    std::vector<int32_t> clears;
    std::vector<std::vector<int32_t>> pageSets;
    int32_t viewUpdates = 0;
    int32_t widthResult = 0;
};
FakeScreen* fake = nullptr;

int32_t hookLocate(int32_t row, int32_t column, int32_t cursor) {
    fake->locates.push_back({row, column, cursor});
    return static_cast<int32_t>(0x10000u + static_cast<uint32_t>(row) * 256u +
                                static_cast<uint32_t>(column));
}
int32_t hookWidth(int32_t columns, int32_t rows) {
    fake->widths.push_back({columns, rows});
    if (columns > 0) fake->columns = columns;
    if (rows > 0) fake->rows = rows;
    return fake->widthResult;
}
void hookSize(int32_t* columns, int32_t* rows) {
    if (columns) *columns = fake->columns;
    if (rows) *rows = fake->rows;
}
void hookCls(int32_t mode) {
    fake->clears.push_back(mode);
}
int32_t hookColumn() {
    return 33;
}
void hookViewUpdate() {
    ++fake->viewUpdates;
}
int32_t hookPageSet(int32_t active, int32_t visible) {
    fake->pageSets.push_back({active, visible});
    return 0x0102;
}

class Dispatch : public ::testing::Test {
  protected:
    FakeScreen screen;
    void SetUp() override {
        fake = &screen;
        std::memset(&rtState.hooks, 0, sizeof rtState.hooks);
        rtState.hooks.locate = hookLocate;
        rtState.hooks.setWidth = hookWidth;
        rtState.hooks.getSize = hookSize;
        rtState.hooks.clearScreen = hookCls;
        rtState.hooks.getColumn = hookColumn;
        rtState.hooks.viewUpdate = hookViewUpdate;
        rtState.hooks.pageSet = hookPageSet;
        rtViewTop = rtViewBottom = -1;
    }
    void TearDown() override {
        std::memset(&rtState.hooks, 0, sizeof rtState.hooks);
        rtViewTop = rtViewBottom = -1;
        fake = nullptr;
    }
};

TEST_F(Dispatch, LocateHandsExactArgumentsToTheHookAndTracksTheColumn) {
    int32_t position = -1;
    EXPECT_EQ(rtLocate(3, 7, 1, &position), RT_OK);
    ASSERT_EQ(screen.locates.size(), 1u);
    EXPECT_EQ(screen.locates[0], (std::vector<int32_t>{3, 7, 1}));
    EXPECT_EQ(position, 0x10000 + 3 * 256 + 7);
    EXPECT_EQ(rtConsoleHandle()->column, 6);
    // Column 0 keeps the console column.
    EXPECT_EQ(rtLocate(4, 0, -1, nullptr), RT_OK);
    EXPECT_EQ(rtConsoleHandle()->column, 6);
}

TEST_F(Dispatch, LocateOutsideTheViewOrPastTheColumnsFailsButAppliesTheCursor) {
    rtViewPrint(5, 10, 0);
    screen.locates.clear();
    int32_t position = -1;
    EXPECT_EQ(rtLocate(11, 1, 0, &position), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
    EXPECT_TRUE(screen.locates.empty());
    EXPECT_EQ(rtLocate(4, 1, 0, &position), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtLocate(5, 81, 0, &position), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtLocate(5, -1, 0, &position), RT_ERR_ILLEGAL_CALL);
    EXPECT_TRUE(screen.locates.empty());
    EXPECT_EQ(rtLocate(5, 80, 0, &position), RT_OK);

    // The statement retries with row and column 0 so the visibility still applies.
    screen.locates.clear();
    int32_t packed = rtLocateEntry(26, 81, 0, 123, 456);
    ASSERT_EQ(screen.locates.size(), 1u);
    EXPECT_EQ(screen.locates[0], (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(packed, 0x10000);
    EXPECT_EQ(rtGetError(), RT_OK);
}

TEST_F(Dispatch, WidthQueryReturnsThePackedSizeAndChangesNothing) {
    screen.widthResult = 30 * 65536 + 100;
    rtViewPrint(3, 4, 0);
    EXPECT_EQ(rtWidth(0, 0), 30 * 65536 + 100);
    EXPECT_EQ(rtWidth(-1, INT_MIN), 30 * 65536 + 100);
    int32_t top = 0, bottom = 0;
    rtGetView(&top, &bottom);
    EXPECT_EQ(top, 3);
    EXPECT_EQ(bottom, 4);
    EXPECT_EQ(screen.widths.size(), 2u);
}

TEST_F(Dispatch, WidthChangeSetsTheLineWidthAndResetsTheView) {
    rtViewPrint(3, 4, 0);
    screen.locates.clear();
    screen.rows = 30;
    EXPECT_EQ(rtWidth(100, 30), 0);
    EXPECT_EQ(screen.widths.back(), (std::vector<int32_t>{100, 30}));
    EXPECT_EQ(rtConsoleHandle()->width, 100);
    int32_t top = 0, bottom = 0;
    rtGetView(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 30);
    // The view reset moves the cursor to the view's first row.
    ASSERT_FALSE(screen.locates.empty());
    EXPECT_EQ(screen.locates.back(), (std::vector<int32_t>{1, 1, -1}));
    // Rows alone do not change the line width.
    EXPECT_EQ(rtWidth(0, 25), 0);
    EXPECT_EQ(rtConsoleHandle()->width, 100);
}

TEST_F(Dispatch, ViewPrintRules) {
    EXPECT_EQ(rtViewPrint(0, 0, 0), 1 + 25 * 65536);
    EXPECT_EQ(rtViewPrint(5, 3, 0), 0); // fails, unchanged
    int32_t top = 0, bottom = 0;
    rtGetView(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 25);
    EXPECT_EQ(rtViewPrint(5, 26, 0), 0);
    EXPECT_EQ(rtViewPrint(5, 10, 0), 5 + 10 * 65536);
    EXPECT_EQ(screen.viewUpdates, 2);
    // Negative keeps the current row.
    EXPECT_EQ(rtViewPrint(-1, 12, 0), 5 + 12 * 65536);
    EXPECT_EQ(rtViewPrint(-1, -1, 0), 5 + 12 * 65536);
    EXPECT_EQ(screen.viewUpdates, 3); // both negative stores nothing
    // A screen reporting no rows counts as 25.
    screen.rows = 0;
    EXPECT_EQ(rtViewPrint(0, 0, 0), 1 + 25 * 65536);
}

TEST_F(Dispatch, UnsetViewFollowsTheScreen) {
    int32_t top = 0, bottom = 0;
    screen.rows = 64;
    rtGetView(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 64);
    screen.rows = 0;
    rtGetView(&top, &bottom);
    EXPECT_EQ(bottom, 25);
}

TEST_F(Dispatch, ClsResetsThePrintColumn) {
    rtLocate(1, 20, -1, nullptr);
    EXPECT_EQ(rtConsoleHandle()->column, 19);
    rtCls(2);
    EXPECT_EQ(screen.clears, (std::vector<int32_t>{2}));
    EXPECT_EQ(rtConsoleHandle()->column, 0);
}

TEST_F(Dispatch, ColorGoesToTheHookOrTheTextConsole) {
    rtState.hooks.setColors = [](int32_t foreground, int32_t background, int32_t flags) {
        return foreground * 10000 + background * 100 + flags;
    };
    EXPECT_EQ(rtColor(-1, 5, RT_COLOR_NO_FOREGROUND), -10000 + 500 + 1) << "exact arguments";
    rtState.hooks.setColors = nullptr;
    EXPECT_EQ(rtColor(14, 1, 0), 7) << "the quiet console: white on black";
}

TEST_F(Dispatch, PageSetGoesToTheHookOrChecksTheRange) {
    EXPECT_EQ(rtPageSet(4, 0), 0x0102);
    EXPECT_EQ(screen.pageSets.back(), (std::vector<int32_t>{4, 0}));
    rtState.hooks.pageSet = nullptr;
    EXPECT_EQ(rtPageSet(4, 0), -1);
    EXPECT_EQ(rtPageSet(0, 4), -1);
    EXPECT_EQ(rtPageSet(INT_MAX, INT_MIN), -1);
}

TEST_F(Dispatch, AnyIntegerIsSafe) {
    screen.rows = INT_MAX;
    screen.columns = INT_MAX;
    const int32_t values[] = {INT_MIN, -65536, -2, -1, 0, 1, 255, 256, 65535, INT_MAX};
    for (int32_t a : values) {
        for (int32_t b : values) {
            rtLocate(a, b, a, nullptr);
            rtLocateEntry(a, b, b, a, b);
            rtViewPrint(a, b, 0);
            rtWidth(a, b);
            rtPageSet(a, b);
            rtCls(a);
        }
    }
    SUCCEED();
}

TEST(Runtime, ContextSlotsAreCreatedOnceAndBounded) {
    EXPECT_EQ(rtContextSlot(-1, 16), nullptr);
    EXPECT_EQ(rtContextSlot(5, 16), nullptr);
    EXPECT_EQ(rtContextSlot(INT_MIN, 16), nullptr);
    void* block = rtContextSlot(2, 64);
    ASSERT_NE(block, nullptr);
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(bytes[i], 0);
    EXPECT_EQ(rtContextSlot(2, 8), block);
    EXPECT_EQ(rtContextSlot(0, sizeof(ErrorRecord)), rtState.contexts[0]);
}

TEST(Runtime, ErrorNumberLivesInTheSecondFieldOfTheRecord) {
    EXPECT_EQ(rtSetError(3), 3);
    EXPECT_EQ(rtGetError(), 3);
    auto* record = static_cast<ErrorRecord*>(rtContextSlot(0, sizeof(ErrorRecord)));
    EXPECT_EQ(record->errorNumber, 3);
    EXPECT_EQ(reinterpret_cast<int32_t*>(record)[1], 3);
    rtSetError(RT_OK);
}

TEST(Runtime, InitStoresTheCommandLineAndMode) {
    char name[] = "prog";
    char* argv[] = {name, nullptr};
    rtInit(1, argv, 3);
    EXPECT_EQ(rtState.argc, 1);
    EXPECT_EQ(rtState.argv, argv);
    EXPECT_EQ(rtState.compatMode, 3);
    rtInit(0, nullptr, 0);
}

TEST(Runtime, NestedStartupKeepsTheState) {
    ASSERT_GE(rtStartCount, 1);
    int32_t before = rtStartCount;
    rtState.compatMode = 9;
    rtStartup();
    EXPECT_EQ(rtStartCount, before + 1);
    EXPECT_EQ(rtState.compatMode, 9);
    rtShutdown();
    EXPECT_EQ(rtStartCount, before);
    EXPECT_EQ(rtState.compatMode, 9);
    rtState.compatMode = 0;
}

} // namespace
