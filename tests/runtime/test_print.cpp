// PRINT through file handles: comma zones, line ends, column tracking, errors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/file.h"
#include "runtime/print.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"
#include "runtime/text_screen.h"

namespace {

class PrintTest : public ::testing::Test {
  protected:
    TextScreen screen;
    int32_t freeBefore = 0;

    void SetUp() override {
        screen.reset(80, 25);
        screen.install();
        freeBefore = strTempFreeCount();
    }
    void TearDown() override {
        TextScreen::uninstall();
        EXPECT_EQ(strTempFreeCount(), freeBefore) << "a printed temporary was not released";
    }

    int32_t column() { return rtConsoleHandle()->column; }
    // Prints n copies of a byte, then the comma; returns what the comma wrote.
    std::string commaAfter(int32_t n) {
        screen.output.clear();
        rtPrintEnd(0, PRINT_NEWLINE);
        if (n > 0) rtPrintString(0, strFill(n, 'a'), 0);
        size_t start = screen.output.size();
        EXPECT_EQ(rtPrintEnd(0, PRINT_COMMA), RT_OK);
        return screen.output.substr(start);
    }
};

TEST_F(PrintTest, CommaMovesToTheNextZoneOfFourteen) {
    EXPECT_EQ(commaAfter(3), std::string(11, ' '));
    EXPECT_EQ(column(), 14);
    EXPECT_EQ(commaAfter(14), std::string(14, ' ')) << "at a zone start a whole zone";
    EXPECT_EQ(column(), 28);
    EXPECT_EQ(commaAfter(0), std::string(14, ' '));
    // Zones start at columns 1, 15, 29, 43, 57: from column 56 the comma
    // reaches 57; from 57 on (1-based) it ends the line instead of going to 71.
    EXPECT_EQ(commaAfter(55), std::string(1, ' '));
    EXPECT_EQ(column(), 56);
    EXPECT_EQ(commaAfter(56), "\r\n");
    EXPECT_EQ(column(), 0);
    EXPECT_EQ(commaAfter(70), "\r\n");
}

TEST_F(PrintTest, CommaWithoutWidthNeverEndsTheLine) {
    rtConsoleHandle()->width = 0;
    rtPrintString(0, strFill(100, 'b'), 0);
    EXPECT_EQ(column(), 100);
    size_t start = screen.output.size();
    rtPrintEnd(0, PRINT_COMMA);
    EXPECT_EQ(screen.output.substr(start), std::string(12, ' '));
    EXPECT_EQ(column(), 112);
}

TEST_F(PrintTest, LineEndsResetTheColumn) {
    rtPrintText(0, "abc", PRINT_NEWLINE);
    EXPECT_EQ(screen.output, "abc\r\n");
    EXPECT_EQ(column(), 0);
    rtPrintText(0, "ab\r\n", PRINT_NEWLINE);
    EXPECT_EQ(column(), 0) << "mask 1 after 13, 10";
    rtPrintText(0, "xy\rz", 0);
    EXPECT_EQ(column(), 1) << "the characters after the last 13";
    rtPrintText(0, "abc", PRINT_NEWLINE_ALT);
    EXPECT_EQ(column(), 0);
    rtPrintText(0, "abc", 0);
    EXPECT_EQ(column(), 3);
    EXPECT_EQ(screen.output, "abc\r\nab\r\n\r\nxy\rzabc\r\nabc");
}

TEST_F(PrintTest, ColumnWrapsAtTheWidthAndClsResetsIt) {
    rtPrintString(0, strFill(85, 'c'), 0);
    EXPECT_EQ(column(), 5);
    rtCls(0);
    EXPECT_EQ(column(), 0);
    rtPrintText(0, "abc", 0);
    rtLocateEntry(3, 20, -1, 0, 0);
    EXPECT_EQ(column(), 19) << "LOCATE moves PRINT's column";
}

TEST_F(PrintTest, ConsoleHandleStartsAtTheCursorColumn) {
    TextScreen::uninstall();
    screen.install();
    screen.x = 9;
    EXPECT_EQ(rtConsoleHandle()->column, 9);
    EXPECT_EQ(rtConsoleHandle()->width, 80);
    EXPECT_EQ(rtConsoleHandle()->mode, FILE_MODE_CONSOLE);
}

TEST_F(PrintTest, MessageOfTheDemonstration) {
    static const char MESSAGE[] = "presionar \x1b ESC para salir ";
    rtLocateEntry(14, 16, -1, 0, 0);
    EXPECT_EQ(rtPrintString(0, strTempFromBuffer(MESSAGE, 27), 1), RT_OK);
    EXPECT_EQ(screen.output, std::string(MESSAGE, 27) + "\r\n");
    EXPECT_EQ(screen.row(14).substr(15, 27), std::string(MESSAGE, 27));
    EXPECT_EQ(column(), 0);
}

TEST_F(PrintTest, WideTextEndsWithWideLineEnds) {
    const uint16_t text[] = {'h', 0x263A, 'i', 0};
    EXPECT_EQ(rtPrintWideText(0, text, PRINT_NEWLINE), RT_OK);
    std::vector<uint16_t> expected = {'h', 0x263A, 'i', 13, 10};
    EXPECT_EQ(screen.wideOutput, expected);
    EXPECT_EQ(column(), 0);
    rtPrintWideText(0, text, PRINT_COMMA);
    EXPECT_EQ(screen.wideOutput.size(), 5u + 3 + 11);
    EXPECT_EQ(column(), 14);
    EXPECT_TRUE(screen.output.empty());
}

TEST_F(PrintTest, NullItemsPrintOnlyTheAction) {
    EXPECT_EQ(rtPrintString(0, nullptr, PRINT_NEWLINE), RT_OK);
    EXPECT_EQ(rtPrintText(0, nullptr, PRINT_NEWLINE), RT_OK);
    EXPECT_EQ(rtPrintWideText(0, nullptr, 0), RT_OK);
    EXPECT_EQ(rtPrintString(0, &rtState.nullString, 0), RT_OK);
    EXPECT_EQ(screen.output, "\r\n\r\n");
}

TEST_F(PrintTest, FileNumbersWithoutAHandleReportError1) {
    screen.output.clear();
    for (int32_t file : {7, -1, 255, 256, -2, INT32_MIN}) {
        rtSetError(RT_OK);
        EXPECT_EQ(rtPrintString(file, strFill(3, 'x'), PRINT_NEWLINE), RT_ERR_ILLEGAL_CALL) << file;
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(rtPrintText(file, "x", 0), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(rtPrintEnd(file, PRINT_COMMA), RT_ERR_ILLEGAL_CALL);
    }
    EXPECT_TRUE(screen.output.empty());
    EXPECT_EQ(fileWrite(nullptr, nullptr, 0, 1), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(fileWrite(rtConsoleHandle(), nullptr, 5, 1), RT_ERR_ILLEGAL_CALL);
    EXPECT_EQ(fileWrite(rtConsoleHandle(), reinterpret_cast<const uint8_t*>("x"), -1, 1),
              RT_ERR_ILLEGAL_CALL);
}

// A device that records what it is given, for file-table entries.
struct RecordDevice {
    static inline std::string written;
    static inline int seeks = 0;
    static int32_t write(FileHandle*, const uint8_t* data, int32_t count) {
        written.append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
        return RT_OK;
    }
    static int32_t seek(FileHandle*, int64_t, int32_t) {
        ++seeks;
        return RT_OK;
    }
    static constexpr FileOps OPS = {nullptr, nullptr, seek,  nullptr, nullptr,
                                    nullptr, nullptr, write, nullptr};
};

class FileTableTest : public PrintTest {
  protected:
    void SetUp() override {
        PrintTest::SetUp();
        RecordDevice::written.clear();
        RecordDevice::seeks = 0;
    }
    void TearDown() override {
        std::memset(rtState.fileTable, 0, sizeof rtState.fileTable);
        PrintTest::TearDown();
    }
};

TEST_F(FileTableTest, RecordsMustHaveTheRecordLength) {
    FileHandle& file = rtState.fileTable[5];
    file = FileHandle{FILE_MODE_RECORD, 4, 0, 0, &RecordDevice::OPS, nullptr};
    EXPECT_EQ(rtPrintText(5, "abc", 0), RT_ERR_FILE_IO);
    EXPECT_EQ(rtGetError(), RT_ERR_FILE_IO);
    EXPECT_EQ(RecordDevice::written, "");
    EXPECT_EQ(rtPrintText(5, "abcd", 0), RT_OK);
    EXPECT_EQ(RecordDevice::written, "abcd");
    EXPECT_EQ(RecordDevice::seeks, 1);
    EXPECT_EQ(rtPrintString(5, strFill(5, 'e'), 0), RT_ERR_FILE_IO);
    const uint16_t wide[] = {'a', 'b'};
    EXPECT_EQ(fileWriteWide(&file, wide, 2, 1), RT_ERR_ILLEGAL_CALL)
        << "a device without a wide write";
    EXPECT_EQ(RecordDevice::written, "abcd");
}

TEST_F(FileTableTest, ColumnIsTrackedOnTheParent) {
    FileHandle& parent = rtState.fileTable[2];
    FileHandle& child = rtState.fileTable[3];
    parent = FileHandle{0, 0, 0, 10, &RecordDevice::OPS, nullptr};
    child = FileHandle{0, 0, 0, 0, &RecordDevice::OPS, &parent};
    rtPrintText(3, "abcdefghijkl", 0);
    EXPECT_EQ(child.column, 0);
    EXPECT_EQ(parent.column, 2) << "12 modulo the parent's width of 10";
    // A chain that loops must not hang.
    parent.parent = &child;
    EXPECT_EQ(rtPrintText(3, "x", 0), RT_OK);
    // File -1 is entry 0.
    rtState.fileTable[0] = FileHandle{0, 0, 0, 0, &RecordDevice::OPS, nullptr};
    EXPECT_EQ(rtPrintText(-1, "zz", PRINT_NEWLINE), RT_OK);
    EXPECT_EQ(RecordDevice::written, "abcdefghijklxzz\r\n");
}

} // namespace
