// The line editor on the real Windows console: each test takes a fresh console,
// injects keys with WriteConsoleInputA and reads the cells back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "runtime/beep.h"
#include "runtime/line_edit.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

int beeps = 0;
void countBeep() {
    ++beeps;
}

struct Key {
    WORD vk;
    char ch;
    bool extended;
};
Key chr(char c) {
    return Key{static_cast<WORD>(VkKeyScanA(c) & 0xFF), c, false};
}
const Key LEFT{VK_LEFT, 0, true};
const Key ENTER{VK_RETURN, 13, false};
const Key DEL{VK_DELETE, 0, true};

class ConsoleLineEditTest : public ::testing::Test {
  protected:
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    RtBeepRoutine previousBeep = nullptr;

    void SetUp() override {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        output =
            CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(input, INVALID_HANDLE_VALUE);
        ASSERT_NE(output, INVALID_HANDLE_VALUE);
        SetStdHandle(STD_INPUT_HANDLE, input);
        SetStdHandle(STD_OUTPUT_HANDLE, output);
        FlushConsoleInputBuffer(input);
        // The runtime forgets the old console and its cached geometry.
        conResetState();
        std::memset(&rtState.hooks, 0, sizeof rtState.hooks);
        std::memset(&rtState.consoleHandle, 0, sizeof rtState.consoleHandle);
        rtViewTop = rtViewBottom = -1;
        beeps = 0;
        previousBeep = rtSetBeepRoutine(countBeep);
    }

    void TearDown() override {
        rtSetBeepRoutine(previousBeep);
        std::memset(&rtState.consoleHandle, 0, sizeof rtState.consoleHandle);
        conResetState();
        FreeConsole();
        if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
        if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    }

    // Key down and up for each key; an Enter at the end keeps a lost key from
    // leaving the editor waiting for ever.
    void inject(const std::vector<Key>& keys) {
        std::vector<INPUT_RECORD> events;
        std::vector<Key> all = keys;
        all.push_back(ENTER);
        for (const Key& key : all) {
            for (BOOL down : {TRUE, FALSE}) {
                INPUT_RECORD r = {};
                r.EventType = KEY_EVENT;
                r.Event.KeyEvent.bKeyDown = down;
                r.Event.KeyEvent.wRepeatCount = 1;
                r.Event.KeyEvent.wVirtualKeyCode = key.vk;
                r.Event.KeyEvent.wVirtualScanCode =
                    static_cast<WORD>(MapVirtualKeyA(key.vk, MAPVK_VK_TO_VSC));
                r.Event.KeyEvent.uChar.AsciiChar = key.ch;
                r.Event.KeyEvent.dwControlKeyState = key.extended ? ENHANCED_KEY : 0;
                events.push_back(r);
            }
        }
        DWORD written = 0;
        ASSERT_TRUE(
            WriteConsoleInputA(input, events.data(), static_cast<DWORD>(events.size()), &written));
        ASSERT_EQ(written, events.size());
    }

    CONSOLE_SCREEN_BUFFER_INFO info() {
        CONSOLE_SCREEN_BUFFER_INFO i = {};
        GetConsoleScreenBufferInfo(output, &i);
        return i;
    }

    // The characters of a 1-based row of the visible window.
    std::string windowRow(int32_t row) {
        CONSOLE_SCREEN_BUFFER_INFO i = info();
        SHORT width = static_cast<SHORT>(i.srWindow.Right - i.srWindow.Left + 1);
        std::vector<CHAR_INFO> cells(width);
        SHORT y = static_cast<SHORT>(i.srWindow.Top + row - 1);
        SMALL_RECT region = {i.srWindow.Left, y, i.srWindow.Right, y};
        if (!ReadConsoleOutputA(output, cells.data(), COORD{width, 1}, COORD{0, 0}, &region))
            return {};
        std::string text;
        for (const CHAR_INFO& cell : cells)
            text.push_back(cell.Char.AsciiChar);
        return text;
    }

    // The 1-based window-relative cursor.
    void cursor(int32_t* column, int32_t* row) {
        CONSOLE_SCREEN_BUFFER_INFO i = info();
        *column = i.dwCursorPosition.X - i.srWindow.Left + 1;
        *row = i.dwCursorPosition.Y - i.srWindow.Top + 1;
    }

    std::string editLine() {
        StringDescriptor* text = rtLineEditNew(0);
        EXPECT_NE(text, nullptr);
        if (!text) return {};
        std::string result(text->data ? text->data : "", strLength(text));
        strDelete(text);
        return result;
    }
};

TEST_F(ConsoleLineEditTest, EditsInPlaceOnTheConsole) {
    rtLocateEntry(5, 3, -1, 0, 0);
    inject({chr('a'), chr('b'), LEFT, chr('X')});
    EXPECT_EQ(editLine(), "aXb");
    EXPECT_EQ(windowRow(5).substr(0, 8), "  aXb   ");
    int32_t column = 0, row = 0;
    cursor(&column, &row);
    EXPECT_EQ(column, 6);
    EXPECT_EQ(row, 5);
    CONSOLE_CURSOR_INFO shape = {};
    GetConsoleCursorInfo(output, &shape);
    EXPECT_TRUE(shape.bVisible);
}

TEST_F(ConsoleLineEditTest, DeleteAtTheEndBeeps) {
    rtLocateEntry(2, 1, -1, 0, 0);
    inject({chr('q'), DEL});
    EXPECT_EQ(editLine(), "q");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(windowRow(2).substr(0, 3), "q  ");
}

TEST_F(ConsoleLineEditTest, TypingPastTheLastCellScrollsOnce) {
    int32_t cols = 0, rows = 0;
    rtGetSize(&cols, &rows);
    ASSERT_GT(cols, 4);
    ASSERT_GT(rows, 3);
    rtLocateEntry(2, 1, -1, 0, 0);
    rtPrintBytes(reinterpret_cast<const uint8_t*>("marker"), 6, 0);
    rtLocateEntry(rows, cols - 2, -1, 0, 0);
    inject({chr('a'), chr('b'), chr('c'), chr('d')});
    EXPECT_EQ(editLine(), "abcd");
    EXPECT_EQ(windowRow(1).substr(0, 6), "marker") << "moved up by exactly one row";
    EXPECT_EQ(windowRow(rows - 1).substr(cols - 3), "abc");
    EXPECT_EQ(windowRow(rows).substr(0, 2), "d ");
    int32_t column = 0, row = 0;
    cursor(&column, &row);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(row, rows);
}

} // namespace
