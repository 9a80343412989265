/* A program with no graphics screen: everything happens on the text
 * console (a terminal, the Windows console, or the page's text area). It
 * asks a name with LINE INPUT, greets, and prints a small table of squares
 * and cubes placed with LOCATE and coloured with COLOR. Its input may come
 * from a pipe: then the text goes out plain, without colours or moves. */
#include <stdio.h>

#include <zqgfx.h>

enum { YELLOW = 14, WHITE = 15, GREY = 7, CYAN = 11, BLACK = 0 };

int main(int argc, char** argv) {
    StringDescriptor* name;
    char line[64];
    int32_t n, row;
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
    /* The table: a header, then one row per number; each column starts at
     * its own LOCATE column, on the rows just below the cursor. */
    rtGetCursor(&n, &row);
    rtColor(YELLOW, BLACK, 0);
    rtLocateEntry(row + 1, 1, -1, 0, 0);
    rtPrintText(0, "   n", 0);
    rtLocateEntry(row + 1, 8, -1, 0, 0);
    rtPrintText(0, " n^2", 0);
    rtLocateEntry(row + 1, 15, -1, 0, 0);
    rtPrintText(0, " n^3", PRINT_NEWLINE);
    for (n = 1; n <= 5; ++n) {
        char cell[16];
        rtColor(n % 2 ? WHITE : GREY, BLACK, 0);
        snprintf(cell, sizeof cell, "%4d", (int)n);
        rtLocateEntry(row + 1 + n, 1, -1, 0, 0);
        rtPrintText(0, cell, 0);
        snprintf(cell, sizeof cell, "%4d", (int)(n * n));
        rtLocateEntry(row + 1 + n, 8, -1, 0, 0);
        rtPrintText(0, cell, 0);
        snprintf(cell, sizeof cell, "%4d", (int)(n * n * n));
        rtLocateEntry(row + 1 + n, 15, -1, 0, 0);
        rtPrintText(0, cell, PRINT_NEWLINE);
    }
    rtColor(GREY, BLACK, 0);
    rtEnd(0);
}
