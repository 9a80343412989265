/* Your first program: a screen, a picture, a line of text, a key, the end. */
#include <zqgfx.h>

int main(int argc, char** argv) {
    rtInit(argc, argv, 0);     /* start the runtime first */
    gfxScreen(12, 0, 0, 0, 0); /* SCREEN 12: 640 x 480, 16 colours */
    /* LINE (20, 20)-(619, 459), 1, BF: a filled blue box */
    gfxLine(NULL, 20, 20, 619, 459, 1, 2, 0xFFFF, COORD_ABS_ABS);
    /* CIRCLE (320, 240), 150, 14, filled: a yellow disc */
    gfxCircle(NULL, 320, 240, 150, 14, 0, 0, FULL_TURN, 1, COORD_ONE_ABS);
    /* LINE (170, 240)-(470, 240), 4: a red line across it */
    gfxLine(NULL, 170, 240, 470, 240, 4, 0, 0xFFFF, COORD_ABS_ABS);
    rtLocateEntry(2, 4, -1, 0, 0); /* LOCATE 2, 4, then PRINT */
    rtPrintText(0, "Hello from zqgfx! Press a key.", PRINT_NEWLINE);
    rtWaitKey(); /* wait for a key */
    rtEnd(0);    /* END: close the screen, exit with 0 */
}
