/* Opens a screen on the Null driver, sets a pixel, reads it and its
 * neighbour with POINT, closes the screen and PRINTs both on the text console
 * ("5 0"): a console that shows the text is there only when the library's
 * start-up registration was linked in. */
#include <stdio.h>
#include <zqgfx.h>

int main(int argc, char** argv) {
    char line[32];
    rtInit(argc, argv, 0);
    if (gfxScreen(13, 8, 1, SCRF_NULL, 0) != 0) return 2;
    gfxPset(NULL, 10, 20, 5, COORD_ONE_ABS, 0);
    snprintf(line, sizeof line, "%d %d", gfxPoint(NULL, 10, 20), gfxPoint(NULL, 11, 20));
    gfxScreen(0, 0, 0, 0, 0);
    rtPrintText(0, line, PRINT_NEWLINE);
    rtEnd(0);
}
