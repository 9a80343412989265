// The Windows console, driven through the runtime's dispatchers on a fresh real
// console per test: cells, attributes and the cursor are read back with the
// console API, keys are injected as input records.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_win32.h"
#include "console/key_ring.h"
#include "runtime/beep.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

namespace {

int beeps = 0;
void countBeep() {
    ++beeps;
}

struct WinConsole : ::testing::Test {
    HANDLE out = INVALID_HANDLE_VALUE, in = INVALID_HANDLE_VALUE;

    void SetUp() override {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(out, INVALID_HANDLE_VALUE);
        ASSERT_NE(in, INVALID_HANDLE_VALUE);
        SetStdHandle(STD_OUTPUT_HANDLE, out);
        SetStdHandle(STD_INPUT_HANDLE, in);
        FlushConsoleInputBuffer(in);
        conResetState();
        std::memset(&rtState.consoleHandle, 0, sizeof rtState.consoleHandle);
        rtViewTop = rtViewBottom = -1;
        beeps = 0;
        rtSetBeepRoutine(countBeep);
    }
    void TearDown() override {
        rtSetBeepRoutine(nullptr);
        conResetState();
        CloseHandle(out);
        CloseHandle(in);
    }

    // An 80-column buffer of `rows` rows showing its top 25.
    void shape(int rows) {
        SMALL_RECT small = {0, 0, 79, 9};
        SetConsoleWindowInfo(out, TRUE, &small);
        ASSERT_TRUE(SetConsoleScreenBufferSize(out, {80, static_cast<SHORT>(rows)}));
        SMALL_RECT window = {0, 0, 79, 24};
        ASSERT_TRUE(SetConsoleWindowInfo(out, TRUE, &window));
        conRefreshGeometry();
    }
    CONSOLE_SCREEN_BUFFER_INFO info(HANDLE handle = nullptr) {
        CONSOLE_SCREEN_BUFFER_INFO i = {};
        EXPECT_TRUE(GetConsoleScreenBufferInfo(handle ? handle : out, &i));
        return i;
    }
    std::string row(int y, int width = 80, HANDLE handle = nullptr) {
        std::vector<CHAR_INFO> cells(width);
        SMALL_RECT region = {0, static_cast<SHORT>(y), static_cast<SHORT>(width - 1),
                             static_cast<SHORT>(y)};
        EXPECT_TRUE(ReadConsoleOutputA(handle ? handle : out, cells.data(),
                                       {static_cast<SHORT>(width), 1}, {0, 0}, &region));
        std::string text;
        for (const CHAR_INFO& c : cells)
            text += c.Char.AsciiChar;
        return text;
    }
    WORD attributeAt(int x, int y) {
        CHAR_INFO cell;
        SMALL_RECT region = {static_cast<SHORT>(x), static_cast<SHORT>(y), static_cast<SHORT>(x),
                             static_cast<SHORT>(y)};
        EXPECT_TRUE(ReadConsoleOutputA(out, &cell, {1, 1}, {0, 0}, &region));
        return cell.Attributes;
    }
    void put(int x, int y, const std::string& text) {
        DWORD n = 0;
        WriteConsoleOutputCharacterA(out, text.data(), static_cast<DWORD>(text.size()),
                                     {static_cast<SHORT>(x), static_cast<SHORT>(y)}, &n);
    }
    void print(const std::string& text) {
        rtPrintBytes(reinterpret_cast<const uint8_t*>(text.data()),
                     static_cast<int32_t>(text.size()), 0);
    }
    COORD cursor() { return info().dwCursorPosition; }

    void key(bool down, int vk, int scan, int ch, DWORD state) {
        INPUT_RECORD r = {};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent.bKeyDown = down;
        r.Event.KeyEvent.wRepeatCount = 1;
        r.Event.KeyEvent.wVirtualKeyCode = static_cast<WORD>(vk);
        r.Event.KeyEvent.wVirtualScanCode = static_cast<WORD>(scan);
        r.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(ch);
        r.Event.KeyEvent.dwControlKeyState = state;
        DWORD n = 0;
        ASSERT_TRUE(WriteConsoleInputA(in, &r, 1, &n));
    }
    void press(int vk, int scan, int ch, DWORD state = 0) {
        key(true, vk, scan, ch, state);
        key(false, vk, scan, ch, state);
    }
    int32_t next() { return conKeyTake(1); }
};

const std::string BLANK80(80, ' ');

// ---- output ----------------------------------------------------------------

TEST_F(WinConsole, FullBottomRowWaitsForTheNextPrintToScroll) {
    shape(25);
    rtLocate(25, 1, -1, nullptr);
    print(std::string(80, 'a'));
    EXPECT_EQ(row(24), std::string(80, 'a'));
    EXPECT_EQ(cursor().X, 79);
    EXPECT_EQ(cursor().Y, 24);
    EXPECT_EQ(row(23), BLANK80) << "nothing scrolled yet";
    print("b");
    EXPECT_EQ(row(23), std::string(80, 'a'));
    EXPECT_EQ(row(24), "b" + BLANK80.substr(1));
    EXPECT_EQ(cursor().X, 1);
    EXPECT_EQ(cursor().Y, 24);
    // LOCATE cancels a pending wrap.
    print(std::string(79, 'c'));
    rtLocate(1, 1, -1, nullptr);
    print("d");
    EXPECT_EQ(row(0).substr(0, 2), "d ");
    EXPECT_EQ(row(24), "b" + std::string(79, 'c'));
}

TEST_F(WinConsole, TabsAndAttributes) {
    shape(25);
    rtColor(14, 1, 0); // yellow on blue
    EXPECT_EQ(rtColor(-1, -1, 0), 65536 + 14) << "kept as they were";
    rtLocate(1, 6, -1, nullptr);
    print("\t|");
    EXPECT_EQ(row(0).substr(0, 10), "        | ");
    rtLocate(2, 9, -1, nullptr);
    print("\t|");
    EXPECT_EQ(row(1).substr(8, 10), "        | ");
    EXPECT_EQ(attributeAt(16, 1), 0x1E);
    EXPECT_EQ(attributeAt(8, 1), 0x1E) << "tab spaces take the attribute too";
    EXPECT_EQ(rtGetColumn(), 18);
}

TEST_F(WinConsole, LineEndOnTheBottomRowSlidesTheWindowThenScrolls) {
    shape(30);
    rtLocate(25, 1, -1, nullptr);
    print("x\r\n");
    CONSOLE_SCREEN_BUFFER_INFO i = info();
    EXPECT_EQ(i.srWindow.Top, 1);
    EXPECT_EQ(i.srWindow.Bottom, 25);
    EXPECT_EQ(i.dwCursorPosition.Y, 25);
    EXPECT_EQ(row(24)[0], 'x') << "the buffer did not scroll";
    print("1\r\n2\r\n3\r\n4\r\n");
    i = info();
    EXPECT_EQ(i.srWindow.Top, 5);
    EXPECT_EQ(i.srWindow.Bottom, 29);
    EXPECT_EQ(i.dwCursorPosition.Y, 29);
    EXPECT_EQ(row(28)[0], '4');
    print("y\r\n");
    i = info();
    EXPECT_EQ(i.srWindow.Top, 5) << "at the buffer's end the window stays";
    EXPECT_EQ(i.dwCursorPosition.Y, 29);
    EXPECT_EQ(row(28)[0], 'y');
    EXPECT_EQ(row(27)[0], '4') << "the buffer scrolled by one row";
    EXPECT_EQ(row(23)[0], 'x');
    int32_t r = 0;
    rtGetCursor(nullptr, &r);
    EXPECT_EQ(r, 25) << "the row is relative to the window";
}

TEST_F(WinConsole, PartialViewScrollsOnlyItsRows) {
    shape(25);
    for (int y = 0; y < 25; ++y)
        put(0, y, "row" + std::to_string(y));
    ASSERT_NE(rtViewPrint(5, 10, 0), 0);
    rtLocate(10, 1, -1, nullptr);
    print("z\r\n");
    EXPECT_EQ(row(3).substr(0, 5), "row3 ");
    EXPECT_EQ(row(4).substr(0, 5), "row5 ");
    EXPECT_EQ(row(8).substr(0, 5), "zow9 ");
    EXPECT_EQ(row(9), BLANK80);
    EXPECT_EQ(row(10).substr(0, 5), "row10");
    EXPECT_EQ(cursor().Y, 9);
    EXPECT_EQ(info().srWindow.Top, 0);
}

TEST_F(WinConsole, BellAndBackspaceAtTheLeftEdge) {
    shape(25);
    put(0, 2, "keep");
    rtLocate(3, 1, -1, nullptr);
    print("\x08\x07");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(row(2).substr(0, 5), "keep ");
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 2);
    print("ab\x08Z");
    EXPECT_EQ(row(2).substr(0, 5), "aZep ");
}

TEST_F(WinConsole, WideTextAndControlGlyphs) {
    shape(25);
    const uint16_t wide[] = {'w', 0x00E9, 'x'};
    rtPrintWide(wide, 3, 0);
    CHAR_INFO cells[3];
    SMALL_RECT region = {0, 0, 2, 0};
    ASSERT_TRUE(ReadConsoleOutputW(out, cells, {3, 1}, {0, 0}, &region));
    EXPECT_EQ(cells[1].Char.UnicodeChar, 0x00E9);
    EXPECT_EQ(cursor().X, 3);
    // The escape byte takes one cell, shown as its glyph.
    rtLocate(2, 1, -1, nullptr);
    print("a\x1b"
          "b");
    region = {0, 1, 2, 1};
    ASSERT_TRUE(ReadConsoleOutputW(out, cells, {3, 1}, {0, 0}, &region));
    EXPECT_EQ(cells[0].Char.UnicodeChar, 'a');
    EXPECT_EQ(cells[1].Char.UnicodeChar, 0x2190);
    EXPECT_EQ(cells[2].Char.UnicodeChar, 'b');
    // Bad input changes nothing.
    rtPrintBytes(nullptr, 10, 0);
    rtPrintBytes(reinterpret_cast<const uint8_t*>("q"), -5, 0);
    rtPrintBytes(reinterpret_cast<const uint8_t*>("q"), 0, 0x100);
    EXPECT_EQ(cursor().X, 3);
}

// ---- geometry --------------------------------------------------------------

TEST_F(WinConsole, WidthBeyondTheLargestWindow) {
    shape(25);
    COORD largest = GetLargestConsoleWindowSize(out);
    ASSERT_GT(largest.X, 0);
    int32_t columns = largest.X + 10, rows = 30;
    EXPECT_EQ(rtWidth(0, 0), 25 * 65536 + 80) << "a query";
    EXPECT_EQ(conWidth(columns, rows), rows * 65536 + columns);
    CONSOLE_SCREEN_BUFFER_INFO i = info();
    EXPECT_EQ(i.dwSize.X, columns);
    EXPECT_EQ(i.dwSize.Y, rows);
    EXPECT_EQ(i.srWindow.Right - i.srWindow.Left + 1, largest.X) << "the window is narrower";
    int32_t c = 0, r = 0;
    rtGetSize(&c, &r);
    EXPECT_EQ(c, columns);
    // The cache is frozen now: a change behind its back is not seen.
    SMALL_RECT small = {0, 0, 39, 9};
    SetConsoleWindowInfo(out, TRUE, &small);
    conRefreshGeometry();
    rtGetSize(&c, &r);
    EXPECT_EQ(c, columns);
}

TEST_F(WinConsole, WidthThroughTheDispatcherResetsTheView) {
    shape(25);
    rtViewPrint(3, 8, 0);
    EXPECT_EQ(rtWidth(100, 30), 0);
    EXPECT_EQ(info().dwSize.X, 100);
    EXPECT_EQ(info().dwSize.Y, 30);
    int32_t top = 0, bottom = 0;
    rtGetView(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(rtState.consoleHandle.width, 100);
}

TEST_F(WinConsole, WidthSmallerThanTheWindowShrinksItFirst) {
    shape(40);
    EXPECT_EQ(conWidth(40, 10), 10 * 65536 + 40);
    CONSOLE_SCREEN_BUFFER_INFO i = info();
    EXPECT_EQ(i.dwSize.X, 40);
    EXPECT_EQ(i.dwSize.Y, 10);
    EXPECT_EQ(i.srWindow.Right, 39);
    EXPECT_EQ(i.srWindow.Bottom, 9);
    EXPECT_EQ(conWidth(0, 12), 12 * 65536 + 40) << "a missing value keeps the current one";
    EXPECT_EQ(info().dwSize.Y, 12);
}

TEST_F(WinConsole, WidthZeroChangesNothingAndDoesNotFreeze) {
    shape(40);
    EXPECT_EQ(conWidth(0, 0), 25 * 65536 + 80);
    EXPECT_EQ(conWidth(-3, 0), 25 * 65536 + 80);
    EXPECT_EQ(info().dwSize.Y, 40);
    SMALL_RECT window = {0, 0, 79, 19};
    ASSERT_TRUE(SetConsoleWindowInfo(out, TRUE, &window));
    conRefreshGeometry();
    int32_t c = 0, r = 0;
    rtGetSize(&c, &r);
    EXPECT_EQ(r, 20) << "the cache still follows the console";
}

TEST_F(WinConsole, ClsModes) {
    shape(25);
    for (int y = 0; y < 25; ++y)
        put(0, y, "line" + std::to_string(y));
    rtLocate(20, 30, -1, nullptr);
    rtCls(1);
    EXPECT_EQ(row(0).substr(0, 5), "line0");
    EXPECT_EQ(cursor().X, 29);
    rtViewPrint(4, 6, 0);
    rtLocate(20 - 16, 30, -1, nullptr);
    rtCls(2);
    EXPECT_EQ(row(2).substr(0, 5), "line2");
    EXPECT_EQ(row(3), BLANK80);
    EXPECT_EQ(row(5), BLANK80);
    EXPECT_EQ(row(6).substr(0, 5), "line6");
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 3);
    EXPECT_EQ(rtState.consoleHandle.column, 0);
    rtCls(0);
    for (int y : {0, 10, 24})
        EXPECT_EQ(row(y), BLANK80);
    EXPECT_EQ(cursor().Y, 0);
}

TEST_F(WinConsole, LocateHidesTheCursorAndReportsItsVisibility) {
    shape(25);
    CONSOLE_CURSOR_INFO visible = {25, TRUE};
    SetConsoleCursorInfo(out, &visible);
    int32_t position = 0;
    EXPECT_EQ(rtLocate(7, 12, 0, &position), RT_OK);
    EXPECT_EQ(position, 0x10000 + 7 * 256 + 12);
    CONSOLE_CURSOR_INFO now = {};
    GetConsoleCursorInfo(out, &now);
    EXPECT_FALSE(now.bVisible);
    EXPECT_EQ(cursor().X, 11);
    EXPECT_EQ(cursor().Y, 6);
    EXPECT_EQ(rtLocateEntry(0, 0, 1, 0, 0), 7 * 256 + 12) << "was hidden; row and column kept";
    GetConsoleCursorInfo(out, &now);
    EXPECT_TRUE(now.bVisible);
    EXPECT_EQ(rtLocate(26, 1, -1, &position), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(rtLocate(1, 81, -1, &position), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(cursor().Y, 6);
}

TEST_F(WinConsole, PageOneTakesOutputWhilePageZeroStaysShown) {
    shape(25);
    put(0, 0, "page0");
    EXPECT_EQ(rtPageSet(1, -1), 0);
    ASSERT_NE(conState.pages[1], nullptr);
    EXPECT_EQ(info(conState.pages[1]).dwSize.Y, 25) << "the same size as page 0";
    rtLocate(1, 1, -1, nullptr);
    print("on page 1");
    EXPECT_EQ(row(0).substr(0, 6), "page0 ");
    EXPECT_EQ(row(0, 80, conState.pages[1]).substr(0, 9), "on page 1");
    EXPECT_EQ(rtPageSet(-1, 1), 1);
    EXPECT_EQ(rtPageSet(0, 0), 0x101);
    EXPECT_EQ(rtPageSet(4, 0), -1);
    EXPECT_EQ(conPageSet(-1, -1), 0);
}

// ---- keys ------------------------------------------------------------------

TEST_F(WinConsole, FunctionKeysAndInkeyStrings) {
    press(VK_F1, 0x3B, 0);
    press(VK_F1, 0x3B, 0, SHIFT_PRESSED);
    press(VK_F1, 0x3B, 0, LEFT_CTRL_PRESSED);
    press(VK_F1, 0x3B, 0, LEFT_ALT_PRESSED);
    press(VK_F11, 0x57, 0);
    press(VK_F12, 0x58, 0);
    EXPECT_EQ(next(), 0x3BFF);
    EXPECT_EQ(next(), 0x54FF);
    EXPECT_EQ(next(), 0x5EFF);
    EXPECT_EQ(next(), 0x68FF);
    StringDescriptor* f11 = rtInkey();
    ASSERT_EQ(strLength(f11), 2);
    EXPECT_EQ(static_cast<uint8_t>(f11->data[0]), 255);
    EXPECT_EQ(static_cast<uint8_t>(f11->data[1]), 0x85);
    EXPECT_TRUE(f11->length & STR_TEMP);
    strDelete(f11);
    EXPECT_EQ(rtWaitKey(), 0x86FF);
    EXPECT_EQ(rtInkey(), &rtState.nullString);
    press('A', 0x1E, 'x');
    StringDescriptor* x = rtInkey();
    ASSERT_EQ(strLength(x), 1);
    EXPECT_EQ(x->data[0], 'x');
    strDelete(x);
}

TEST_F(WinConsole, LettersArrowsAndKeypad) {
    press('A', 0x1E, 'a', LEFT_ALT_PRESSED);
    press('A', 0x1E, 1, LEFT_CTRL_PRESSED);
    press(VK_RIGHT, 0x4D, 0, ENHANCED_KEY);
    press(VK_RIGHT, 0x4D, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED);
    press(VK_RIGHT, 0x4D, 0, ENHANCED_KEY | LEFT_ALT_PRESSED);
    press(VK_RIGHT, 0x4D, 0); // keypad 6 with NumLock off
    press(VK_UP, 0x48, 0);
    press(VK_NUMPAD6, 0x4D, '6', NUMLOCK_ON);
    EXPECT_EQ(rtKeyHit(), 1);
    std::vector<int32_t> codes;
    for (int32_t c; (c = next()) != -1;)
        codes.push_back(c);
    EXPECT_EQ(codes,
              (std::vector<int32_t>{0x1EFF, 1, 0x4DFF, 0x74FF, 0x9DFF, 0x4DFF, 0x48FF, '6'}));
    EXPECT_EQ(rtKeyHit(), 0);
}

TEST_F(WinConsole, AltAndKeypadDigitsGiveOneCharacter) {
    key(true, VK_MENU, 0x38, 0, LEFT_ALT_PRESSED);
    press(VK_NUMPAD6, 0x4D, 0, LEFT_ALT_PRESSED);
    press(VK_NUMPAD5, 0x4C, 0, LEFT_ALT_PRESSED);
    key(false, VK_MENU, 0x38, 0, 0);
    EXPECT_EQ(next(), 65);
    EXPECT_EQ(next(), -1);
}

TEST_F(WinConsole, ByteWiseReadersGetTheScanCodeSecond) {
    press(VK_F1, 0x3B, 0);
    EXPECT_EQ(conKeyPeek(0), 255);
    EXPECT_EQ(conKeyTake(0), 0x3B);
    EXPECT_EQ(conKeyTake(0), -1);
}

TEST_F(WinConsole, RingKeepsTheNewest511) {
    std::vector<INPUT_RECORD> records;
    for (int i = 0; i < 600; ++i) {
        INPUT_RECORD r = {};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent.bKeyDown = TRUE;
        r.Event.KeyEvent.wRepeatCount = 1;
        r.Event.KeyEvent.wVirtualKeyCode = 'A';
        r.Event.KeyEvent.wVirtualScanCode = 0x1E;
        r.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>('a' + i % 26);
        records.push_back(r);
    }
    DWORD n = 0;
    ASSERT_TRUE(WriteConsoleInputA(in, records.data(), static_cast<DWORD>(records.size()), &n));
    ASSERT_EQ(n, 600u);
    std::vector<int32_t> codes;
    for (int32_t c; (c = next()) != -1;)
        codes.push_back(c);
    ASSERT_EQ(codes.size(), 511u);
    EXPECT_EQ(codes.front(), 'a' + 89 % 26);
    EXPECT_EQ(codes.back(), 'a' + 599 % 26);
}

TEST_F(WinConsole, SleepAndWaitingKeys) {
    press('A', 0x1E, 'k');
    rtSleep(-1); // returns: a key arrived
    double start = rtTimer();
    press('A', 0x1E, 'k');
    rtSleep(5000);
    EXPECT_LT(rtTimer() - start, 2.5) << "a waiting key ends a long SLEEP at once";
    start = rtTimer();
    rtSleep(80);
    EXPECT_GE(rtTimer() - start, 0.07) << "short sleeps ignore the keyboard";
    EXPECT_EQ(next(), 'k') << "SLEEP leaves the keys";
    EXPECT_EQ(next(), 'k');
    start = rtTimer();
    rtSleep(-2);
    EXPECT_LT(rtTimer() - start, 0.5);
}

TEST_F(WinConsole, CloseEventStoresAltF4) {
    EXPECT_FALSE(conCtrlHandler(CTRL_C_EVENT));
    EXPECT_EQ(next(), -1);
    EXPECT_TRUE(conCtrlHandler(CTRL_CLOSE_EVENT));
    EXPECT_EQ(rtWaitKey(), 0x6BFF);
    EXPECT_TRUE(conCtrlHandler(CTRL_SHUTDOWN_EVENT));
    EXPECT_EQ(conKeyRing.records[conKeyRing.readIndex].virtualKey, VK_F4);
    EXPECT_EQ(next(), 0x6BFF);
}

TEST_F(WinConsole, FindsItsWindowAndRestoresTheTitle) {
    SetConsoleTitleA("zq test title");
    HWND window = conFindWindow();
    EXPECT_EQ(window, GetConsoleWindow());
    char title[64] = {};
    GetConsoleTitleA(title, sizeof title);
    EXPECT_STREQ(title, "zq test title");
    EXPECT_EQ(conIsKeyDown(0x99), 0) << "a scan code without a key";
}

} // namespace

namespace {

void sendKey(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

TEST_F(WinConsole, HeldKeysWhileTheConsoleHasTheFocus) {
    HWND window = conFindWindow();
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    for (int i = 0; i < 50 && GetForegroundWindow() != window; ++i)
        Sleep(20);
    ASSERT_EQ(GetForegroundWindow(), window);
    EXPECT_EQ(conIsKeyDown(0x2A), 0);
    sendKey(VK_LSHIFT, false);
    for (int i = 0; i < 50 && !(GetAsyncKeyState(VK_SHIFT) & 0x8000); ++i)
        Sleep(20);
    EXPECT_EQ(conIsKeyDown(0x2A), -1);
    EXPECT_EQ(conIsKeyDown(0x36), -1) << "both Shift keys are VK_SHIFT";
    EXPECT_EQ(conIsKeyDown(0x1E), 0);
    sendKey(VK_LSHIFT, true);
    for (int i = 0; i < 50 && (GetAsyncKeyState(VK_SHIFT) & 0x8000); ++i)
        Sleep(20);
    EXPECT_EQ(conIsKeyDown(0x2A), 0);
    sendKey(VK_ESCAPE, false);
    for (int i = 0; i < 50 && !(GetAsyncKeyState(VK_ESCAPE) & 0x8000); ++i)
        Sleep(20);
    EXPECT_EQ(conIsKeyDown(1), -1) << "scan 1 is the first entry, Escape";
    sendKey(VK_ESCAPE, true);
}

} // namespace
