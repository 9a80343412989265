// The line editor driven through the console hooks on a small text screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "runtime/beep.h"
#include "runtime/line_edit.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"
#include "runtime/text_screen.h"

namespace {

int beeps = 0;
void countBeep() {
    ++beeps;
}

class LineEditTest : public ::testing::Test {
  protected:
    TextScreen screen;
    RtBeepRoutine previousBeep = nullptr;
    int32_t freeBefore = 0;

    void SetUp() override {
        screen.reset(10, 4);
        screen.install();
        beeps = 0;
        previousBeep = rtSetBeepRoutine(countBeep);
        freeBefore = strTempFreeCount();
    }
    void TearDown() override {
        rtSetBeepRoutine(previousBeep);
        TextScreen::uninstall();
        EXPECT_EQ(strTempFreeCount(), freeBefore) << "a temporary was not released";
    }

    // Runs the editor on a fresh string with the given keys (Enter is added)
    // and returns the text; the string is deleted.
    std::string edit(std::initializer_list<int32_t> keys, int32_t softCursor = 0) {
        screen.keys.assign(keys.begin(), keys.end());
        screen.keys.push_back(EDIT_KEY_ENTER);
        StringDescriptor* text = rtLineEditNew(softCursor);
        EXPECT_NE(text, nullptr);
        if (!text) return {};
        EXPECT_FALSE(screen.ranOutOfKeys);
        EXPECT_TRUE(text->length & STR_TEMP);
        std::string result(text->data ? text->data : "", strLength(text));
        strDelete(text);
        return result;
    }

    int32_t column() const { return screen.x + 1; }
    int32_t row() const { return screen.y + 1; }
};

TEST_F(LineEditTest, InsertsBeforeTheCursorAfterLeft) {
    rtLocateEntry(2, 3, -1, 0, 0);
    screen.keys = {'a', 'b', EDIT_KEY_LEFT, 'X'};
    StringDescriptor* text = rtLineEditNew(0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text->data, strLength(text)), "aXb");
    EXPECT_EQ(screen.row(2), "  aXb     ");
    // Enter moves to the end of the text; the cursor visibility is restored.
    EXPECT_EQ(column(), 6);
    EXPECT_EQ(row(), 2);
    EXPECT_TRUE(screen.visible);
    EXPECT_EQ(screen.output.find('\r'), std::string::npos) << "Enter prints no line end";
    strDelete(text);
}

TEST_F(LineEditTest, CursorStandsAfterTheInsertedByte) {
    // Observed at the key read that follows X: the cursor is on b.
    screen.keys = {'a', 'b', EDIT_KEY_LEFT, 'X', EDIT_KEY_ENTER};
    StringDescriptor* text = rtLineEditNew(1);
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(screen.cellAtKeyRead.size(), 5u);
    EXPECT_EQ(screen.cellAtKeyRead[4], EDIT_SOFT_CURSOR);
    EXPECT_EQ(screen.columnAtKeyRead[4], 3);
    EXPECT_EQ(screen.row(1), "aXb       ");
    strDelete(text);
}

TEST_F(LineEditTest, TabAdvancesToTheNextMultipleOfEight) {
    screen.reset(40, 4);
    screen.install();
    EXPECT_EQ(edit({'a', 'b', 'c', EDIT_KEY_TAB, 'd'}), "abc     d");
    screen.reset(40, 4);
    screen.install();
    EXPECT_EQ(edit({'1', '2', '3', '4', '5', '6', '7', '8', EDIT_KEY_TAB, 'd'}),
              "12345678        d");
    screen.reset(40, 4);
    screen.install();
    EXPECT_EQ(edit({EDIT_KEY_TAB, 'x'}), "        x");
}

TEST_F(LineEditTest, DeleteAtTheEndBeepsAndChangesNothing) {
    EXPECT_EQ(edit({'a', 'b'}), "ab");
    std::string before = screen.row(1);
    screen.reset(10, 4);
    screen.install();
    EXPECT_EQ(edit({'a', 'b', EDIT_KEY_DELETE}), "ab");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(screen.row(1), before);
    EXPECT_EQ(column(), 3);
}

TEST_F(LineEditTest, DeleteAndBackspaceInsideTheText) {
    EXPECT_EQ(edit({'a', 'b', 'c', 'd', EDIT_KEY_HOME, EDIT_KEY_RIGHT, EDIT_KEY_DELETE}), "acd");
    EXPECT_EQ(screen.row(1), "acd       ");
    EXPECT_EQ(beeps, 0);
    screen.reset(10, 4);
    screen.install();
    EXPECT_EQ(edit({'a', 'b', 'c', 'd', EDIT_KEY_LEFT, EDIT_KEY_BACKSPACE, 'X'}), "abXd");
    EXPECT_EQ(screen.row(1), "abXd      ");
}

TEST_F(LineEditTest, BackspaceAtTheStartDoesNothing) {
    EXPECT_EQ(edit({EDIT_KEY_BACKSPACE}), "");
    EXPECT_EQ(screen.row(1), std::string(10, ' '));
    screen.reset(10, 4);
    screen.install();
    rtLocateEntry(2, 4, -1, 0, 0);
    EXPECT_EQ(edit({'a', 'b', EDIT_KEY_HOME, EDIT_KEY_BACKSPACE, 'X'}), "Xab");
    EXPECT_EQ(screen.row(2), "   Xab    ");
    EXPECT_EQ(screen.row(1), std::string(10, ' '));
}

TEST_F(LineEditTest, UpAndDownMoveByARowOnlyWhenTheTextReaches) {
    // Up with fewer than a row of text before the cursor is refused.
    EXPECT_EQ(edit({'a', 'b', 'c', EDIT_KEY_UP, 'X'}), "abcX");
    // Up across a row: 12 bytes on a 10-column screen, from position 12 to 2.
    screen.reset(10, 4);
    screen.install();
    EXPECT_EQ(edit({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', EDIT_KEY_UP, 'X'}),
              "abXcdefghijkl");
    EXPECT_EQ(screen.row(1), "abXcdefghi");
    EXPECT_EQ(screen.row(2), "jkl       ");
    // Down needs a whole row of text after the cursor.
    screen.reset(10, 4);
    screen.install();
    EXPECT_EQ(edit({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', EDIT_KEY_HOME,
                    EDIT_KEY_RIGHT, EDIT_KEY_DOWN, 'X'}),
              "abcdefghijkX");
    screen.reset(10, 4);
    screen.install();
    EXPECT_EQ(edit({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', EDIT_KEY_HOME,
                    EDIT_KEY_RIGHT, EDIT_KEY_RIGHT, EDIT_KEY_DOWN, 'X'}),
              "abXcdefghijk");
}

TEST_F(LineEditTest, EscClearsTheLineAndHomeEndMove) {
    rtLocateEntry(3, 2, -1, 0, 0);
    EXPECT_EQ(edit({'a', 'b', 'c', EDIT_KEY_LEFT, EDIT_KEY_ESC, 'd'}), "d");
    EXPECT_EQ(screen.row(3), " d        ");
    // Esc on an empty line only moves by 0.
    screen.reset(10, 4);
    screen.install();
    rtLocateEntry(3, 2, -1, 0, 0);
    EXPECT_EQ(edit({EDIT_KEY_ESC}), "");
    EXPECT_EQ(column(), 2);
    EXPECT_EQ(row(), 3);
    screen.reset(10, 4);
    screen.install();
    EXPECT_EQ(edit({'a', 'b', EDIT_KEY_HOME, 'X', EDIT_KEY_END, 'Y'}), "XabY");
}

TEST_F(LineEditTest, TypingPastTheLastCellScrollsOnce) {
    rtLocateEntry(4, 8, -1, 0, 0);
    EXPECT_EQ(edit({'a', 'b', 'c', 'd'}), "abcd");
    EXPECT_EQ(screen.scrolls, 1);
    EXPECT_EQ(screen.row(3), "       abc");
    EXPECT_EQ(screen.row(4), "d         ");
    EXPECT_EQ(column(), 2);
    EXPECT_EQ(row(), 4);
}

TEST_F(LineEditTest, TheCursorContinuesAtTheStartOfTheLastRow) {
    rtLocateEntry(4, 8, -1, 0, 0);
    EXPECT_EQ(edit({'a', 'b', 'c'}), "abc");
    EXPECT_EQ(screen.scrolls, 1);
    EXPECT_EQ(column(), 1);
    EXPECT_EQ(row(), 4);
    EXPECT_EQ(screen.row(3), "       abc");
}

TEST_F(LineEditTest, InsertionThatPushesTheTextOffTheScreenFollowsTheScroll) {
    rtLocateEntry(4, 1, -1, 0, 0);
    // Nine bytes, then X at the start fills the bottom row exactly (no scroll),
    // then Y after X pushes i onto a new row: the screen scrolls once and the
    // cursor follows the text to its new row.
    EXPECT_EQ(edit({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', EDIT_KEY_HOME, 'X', 'Y', 'Z'}),
              "XYZabcdefghi");
    EXPECT_EQ(screen.scrolls, 1);
    EXPECT_EQ(screen.row(3), "XYZabcdefg");
    EXPECT_EQ(screen.row(4), "hi        ");
    EXPECT_EQ(column(), 3); // after Enter: the end of the text
    EXPECT_EQ(row(), 4);
}

TEST_F(LineEditTest, SoftCursorMarksTheInsertionPointWhileWaiting) {
    EXPECT_EQ(edit({'a', 'b', EDIT_KEY_LEFT, EDIT_KEY_LEFT, EDIT_KEY_RIGHT}, 1), "ab");
    ASSERT_EQ(screen.cellAtKeyRead.size(), 6u);
    for (uint8_t cell : screen.cellAtKeyRead)
        EXPECT_EQ(cell, EDIT_SOFT_CURSOR);
    // Every mark was replaced by the byte under it.
    EXPECT_EQ(screen.row(1), "ab        ");
    EXPECT_TRUE(screen.visible) << "visibility noted at the start comes back";
    // While the soft cursor is drawn the hardware cursor stays hidden.
    screen.reset(10, 4);
    screen.install();
    screen.keys = {'a'};
    StringDescriptor* text = nullptr;
    screen.keys.push_back(EDIT_KEY_ENTER);
    text = rtLineEditNew(1);
    ASSERT_NE(text, nullptr);
    strDelete(text);
    // mark, restore, a, mark, restore
    EXPECT_EQ(screen.output, std::string("\xff"
                                         " "
                                         "a"
                                         "\xff"
                                         " ",
                                         5));
}

TEST_F(LineEditTest, HardwareCursorIsShownWhileEditing) {
    rtLocateEntry(0, 0, 0, 0, 0); // hidden before the statement
    screen.keys = {'a', EDIT_KEY_ENTER};
    bool shownWhileWaiting = false;
    static bool* probe = nullptr;
    probe = &shownWhileWaiting;
    auto readKey = rtState.hooks.readKey;
    static StringDescriptor* (*inner)() = nullptr;
    inner = readKey;
    rtState.hooks.readKey = [] {
        *probe = TextScreen::current->visible;
        return inner();
    };
    StringDescriptor* text = rtLineEditNew(0);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(shownWhileWaiting);
    EXPECT_FALSE(screen.visible) << "the hidden cursor is hidden again at the end";
    strDelete(text);
}

TEST_F(LineEditTest, EditsExistingTextAndIgnoresOtherKeys) {
    StringDescriptor text{};
    strAssignNew(&text, -1, const_cast<char*>("hello"), 0, 0);
    screen.keys = {EDIT_KEY_BACKSPACE, 0x3BFF /* F1 */, 1 /* Ctrl+A */, '!', EDIT_KEY_ENTER};
    rtLineEdit(&text, 0);
    EXPECT_EQ(std::string(text.data, strLength(&text)), "hell!");
    EXPECT_EQ(screen.row(1), "hell!     ");
    strDelete(&text);
    std::free(text.data);
}

TEST_F(LineEditTest, TextThatOnlyReferencesBytesIsCopiedBeforeEditing) {
    static const char literal[] = "abc";
    StringDescriptor* text = strTempFromBuffer(literal, 3);
    screen.keys = {EDIT_KEY_BACKSPACE, 'Z', EDIT_KEY_ENTER};
    rtLineEdit(text, 0);
    EXPECT_STREQ(literal, "abc");
    EXPECT_EQ(std::string(text->data, strLength(text)), "abZ");
    std::free(text->data); // owned now, not a temporary
    text->data = nullptr;
    strDelete(text);
}

TEST_F(LineEditTest, RefusesMissingDescriptorsAndAnExhaustedPool) {
    rtSetError(RT_OK);
    rtLineEdit(nullptr, 0);
    EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
    rtLineEdit(&rtState.nullString, 0);
    EXPECT_EQ(rtState.nullString.data, nullptr);
    std::vector<StringDescriptor*> held;
    while (StringDescriptor* d = strTempAlloc())
        held.push_back(d);
    EXPECT_EQ(rtLineEditNew(0), nullptr);
    for (StringDescriptor* d : held)
        strTempRelease(d);
}

TEST(CursorAdvance, MovesInReadingOrderAcrossRows) {
    int32_t column = 1, row = 3;
    cursorAdvance(&column, &row, -1, 80);
    EXPECT_EQ(column, 80);
    EXPECT_EQ(row, 2);
    column = 1, row = 3;
    cursorAdvance(&column, &row, -80, 80);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 2);
    column = 5, row = 3;
    cursorAdvance(&column, &row, -165, 80); // 2 rows and 5 cells back
    EXPECT_EQ(column, 80);
    EXPECT_EQ(row, 0);
    column = 80, row = 1;
    cursorAdvance(&column, &row, 1, 80);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 2);
    // Huge deltas and a zero width neither overflow nor divide by zero.
    column = 1, row = 1;
    cursorAdvance(&column, &row, INT32_MAX, 1);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, INT32_MAX);
    column = 1, row = 1;
    cursorAdvance(&column, &row, INT32_MIN, 0);
    EXPECT_EQ(column, 1);
    cursorAdvance(nullptr, &row, 1, 80);
}

} // namespace
