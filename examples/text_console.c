/* A program with no graphics screen: everything happens on the text
 * console (a terminal, the Windows console, or the page's text area). It
 * asks a name with LINE INPUT, greets, and prints a small table of squares
 * and cubes placed with LOCATE and coloured with COLOR. Its input may come
 * from a pipe: then the text goes out plain, without colours or moves. */
#include <stdio.h>

#include <zqgfx.h>

enum { YELLOW = 14, WHITE = 15, GREY = 7, CYAN = 11, BLACK = 0, TABLE_ROW = 3 };

int main(int argc, char** argv) {
    StringDescriptor* name;
    char line[64];
    int32_t n, column;
    rtInit(argc, argv, 0);
    rtCls(CLS_DEFAULT);
    rtColor(YELLOW, BLACK, 0);
    rtPrintText(0, "What is your name? ", 0);
    rtColor(WHITE, BLACK, 0);
    name = rtLineEditNew(0); /* LINE INPUT: the typed line, Enter ends it */
    if (!name) rtEnd(1);
    rtPrintEnd(0, PRINT_NEWLINE); /* LINE INPUT's own line end */
    snprintf(line, sizeof line, "Hello, %.40s!", name->data ? name->data : "stranger");
    strDelete(name);
    rtColor(CYAN, BLACK, 0);
    rtPrintText(0, line, PRINT_NEWLINE);
    /* The table: a header, then one row per number, each cell six wide at
     * its own LOCATE column (1, 7, 13) from row 3 down (CLS put the question
     * on row 1, the greeting took row 2). Where
     * the output is not a terminal LOCATE moves nothing, and the cells,
     * exactly as wide as the columns, still line up. */
    rtColor(YELLOW, BLACK, 0);
    for (column = 0; column < 3; ++column) {
        static const char* const HEADER[] = {"     n", "   n^2", "   n^3"};
        rtLocateEntry(TABLE_ROW, 1 + 6 * column, -1, 0, 0);
        rtPrintText(0, HEADER[column], column == 2 ? PRINT_NEWLINE : 0);
    }
    for (n = 1; n <= 5; ++n) {
        int32_t value = n;
        rtColor(n % 2 ? WHITE : GREY, BLACK, 0); /* alternate rows in two greys */
        for (column = 0; column < 3; ++column, value *= n) {
            char cell[16];
            snprintf(cell, sizeof cell, "%6d", (int)value);
            rtLocateEntry(TABLE_ROW + n, 1 + 6 * column, -1, 0, 0);
            rtPrintText(0, cell, column == 2 ? PRINT_NEWLINE : 0);
        }
    }
    rtColor(GREY, BLACK, 0);
    rtEnd(0);
}
