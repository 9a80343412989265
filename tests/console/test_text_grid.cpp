// The text grid of the web page's console: PRINT's wrapping and scrolling
// inside the view, the bottom-right cell, CLS and LOCATE, COLOR's rule, and a
// row as HTML. The page itself is tested in tests/web/console.test.mjs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "console/console.h"
#include "console/text_grid.h"

namespace {

std::string rowText(const TextGrid& grid, int row) {
    std::string text;
    for (const GridCell& cell : grid.cells[row - 1])
        text += static_cast<char>(cell.character);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

void print(TextGrid* grid, const char* text, int first = 1, int last = GRID_ROWS) {
    gridPrint(grid, reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(std::strlen(text)),
              first, last);
}

TEST(TextGrid, PrintWrapsAndScrollsOnlyTheView) {
    TextGrid grid;
    gridReset(&grid);
    print(&grid, "top");
    gridLocate(&grid, 20, 1, -1);
    grid.attribute = 0x1E;
    // Seven lines in rows 20-22: the first four scroll away, row 1 stays.
    print(&grid, "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng", 20, 22);
    EXPECT_EQ(rowText(grid, 1), "top");
    EXPECT_EQ(rowText(grid, 20), "e");
    EXPECT_EQ(rowText(grid, 22), "g");
    EXPECT_EQ(rowText(grid, 23), "");
    EXPECT_EQ(grid.cells[21][1].attribute, 0x1E) << "a scrolled-in row takes the new attribute";
    EXPECT_EQ(grid.row, 21);
    EXPECT_EQ(grid.column, 1);

    // 85 characters from column 1 of the last row: the view scrolls once.
    print(&grid, std::string(85, 'x').c_str(), 20, 22);
    EXPECT_EQ(rowText(grid, 21), "g" + std::string(79, 'x'));
    EXPECT_EQ(rowText(grid, 22), "xxxxxx");
}

TEST(TextGrid, TheBottomRightCellWaitsForMoreOutput) {
    TextGrid grid;
    gridReset(&grid);
    gridLocate(&grid, 25, 71, -1);
    print(&grid, "0123456789");
    EXPECT_EQ(rowText(grid, 25), std::string(70, ' ') + "0123456789") << "no scroll yet";
    EXPECT_EQ(grid.row, 24);
    EXPECT_EQ(grid.column, 79);
    print(&grid, "next");
    EXPECT_EQ(rowText(grid, 24), std::string(70, ' ') + "0123456789");
    EXPECT_EQ(rowText(grid, 25), "next");
}

TEST(TextGrid, ClsLocateAndColor) {
    TextGrid grid;
    gridReset(&grid);
    for (int row = 1; row <= 5; ++row)
        print(&grid, "line\r\n");
    gridClearRows(&grid, 2, 3);
    EXPECT_EQ(rowText(grid, 1), "line");
    EXPECT_EQ(rowText(grid, 2), "");
    EXPECT_EQ(rowText(grid, 4), "line");
    EXPECT_EQ(grid.row, 1);
    EXPECT_EQ(grid.column, 0);

    EXPECT_EQ(gridLocate(&grid, 10, 30, 0), 0x10000 + 10 * 256 + 30) << "was visible";
    EXPECT_EQ(gridLocate(&grid, 0, 5, -1), 10 * 256 + 5) << "hidden; the row kept";

    int32_t attribute = 7;
    EXPECT_EQ(conColorChange(&attribute, 14, 1, 0), 7);
    EXPECT_EQ(conColorChange(&attribute, 31, -1, 0), 65536 + 14) << "blinking not shown";
    EXPECT_EQ(conColorChange(&attribute, 2, 4, RT_COLOR_NO_FOREGROUND), 65536 + 15);
    EXPECT_EQ(attribute, 0x4F);
}

TEST(TextGrid, RowsAsHtml) {
    TextGrid grid;
    gridReset(&grid);
    grid.attribute = 0x1E;
    print(&grid, "<&>");
    grid.attribute = 7;
    static const uint8_t glyphs[] = {1, 27, 0xC9};
    gridPrint(&grid, glyphs, 3, 1, GRID_ROWS);
    EXPECT_EQ(gridTakeDirtyRows(&grid), (1u << GRID_ROWS) - 1) << "all rows after the reset";
    char html[GRID_ROW_HTML_MAX];
    gridRowHtml(&grid, 0, html);
    EXPECT_EQ(std::string(html), "<span class=\"zq-f14 zq-b1\">&lt;&amp;&gt;</span>"
                                 "<span class=\"zq-f7 zq-b0\">\u263a\u2190\u2554"
                                 "<span class=\"zq-cursor\"> </span>" +
                                     std::string(73, ' ') + "</span>");
    // The cursor moving marks its old and new rows.
    gridLocate(&grid, 3, 1, -1);
    EXPECT_EQ(gridTakeDirtyRows(&grid), 0b101u);
    gridLocate(&grid, 0, 0, 0);
    EXPECT_EQ(gridTakeDirtyRows(&grid), 0b100u);
    EXPECT_EQ(gridTakeDirtyRows(&grid), 0u);
}

} // namespace
