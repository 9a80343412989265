/* The drawing statements beyond the four primitives, on one 640 x 480 screen
 * of 256 colours: VIEW (a framed, filled viewport), WINDOW (world
 * coordinates with y growing upwards), PMAP (a world point's pixel), PAINT
 * (with a colour and with a tile) and DRAW (the command language, with its
 * own PAINT). Ends on a key. With `--frame FILE` it draws on the Null driver
 * and writes the picture as a PPM file instead (frame.h). */
#include <math.h>

#include "frame.h"

enum { BLACK = 0, BLUE = 1, CYAN = 3, RED = 4, GREY = 7, DARK_GREY = 8, YELLOW = 14, WHITE = 15 };

static void draw(const char* commands) {
    gfxDraw(NULL, commands, (int32_t)strlen(commands));
}

/* Left: a viewport with a world window, x from -4 to 4 and y from -1.5 to
 * 1.5 growing upwards: axes, a sine curve drawn as lines, and the region
 * under the curve's first arch painted. */
static void plot(void) {
    static const uint8_t TILE[16] = {RED,   RED,   BLACK, BLACK, RED,   RED,   BLACK, BLACK,
                                     BLACK, BLACK, RED,   RED,   BLACK, BLACK, RED,   RED};
    const float step = 0.05f;
    float x;
    gfxView(20, 40, 309, 329, BLUE, WHITE, 0);
    gfxWindow(-4.0f, -1.5f, 4.0f, 1.5f, 0);
    gfxLine(NULL, -4, 0, 4, 0, GREY, 0, 0xFFFF, COORD_ABS_ABS);
    gfxLine(NULL, 0, -1.5f, 0, 1.5f, GREY, 0, 0xFFFF, COORD_ABS_ABS);
    gfxPset(NULL, -4, sinf(-4.0f), YELLOW, COORD_ONE_ABS, 0);
    /* Each segment from the last point (STEP 0, 0) to the next. */
    for (x = -4 + step; x <= 4.0f; x += step)
        gfxLine(NULL, 0, 0, x, sinf(x), YELLOW, 0, 0xFFFF, COORD_STEP_ABS);
    /* The arch over 0..pi, closed by a line in the curve's colour along the
     * axis: PAINT stops only at its border colour. */
    gfxLine(NULL, -0.1f, 0, 3.3f, 0, YELLOW, 0, 0xFFFF, COORD_ABS_ABS);
    gfxPaint(NULL, 1.57f, 0.5f, CYAN, YELLOW, COORD_ONE_ABS);
    /* A circle of radius 0.5 world units around (-2, -0.8), its radius along
     * x, painted with a tile of two rows of eight pixels. */
    gfxCircle(NULL, -2, -0.8f, 0.5f, RED, 0.0f, 0.0f, FULL_TURN, 0, COORD_ONE_ABS);
    gfxPaintTile(NULL, -2, -0.8f, TILE, sizeof TILE, RED, NULL, COORD_ONE_ABS);
}

/* PMAP: the pixel of a world point (counted from the view's corner), for a
 * label in text cells beside the curve's top. */
static void labelCurve(void) {
    int32_t x = 20 + (int32_t)gfxPmap(1.9f, 0);
    int32_t y = 40 + (int32_t)gfxPmap(1.2f, 1);
    int32_t columns = 0, rows = 0;
    rtGetSize(&columns, &rows);
    rtLocateEntry(y * rows / 480 + 1, x * columns / 640 + 1, -1, 0, 0);
    rtPrintText(0, "sin x", 0);
}

/* Right: the SCREEN form of VIEW (absolute coordinates, still clipped) and
 * DRAW: a house with a painted roof and door, a star turned by TA. */
static void figures(void) {
    int32_t angle;
    gfxView(330, 40, 619, 329, DARK_GREY, WHITE, CTX_VIEW_SCREEN);
    gfxWindow(0, 0, 1, 1, WINDOW_NO_CORNERS);
    /* Walls and roof in white, then painted inside the white lines: the roof
     * red, the walls light blue. */
    draw("BM380,300 C15 S8 U10 R16 D10 L16 BU10 E8 F8 BL8 BU2 P4,15 BD10 P9,15");
    draw("BM520,140");
    for (angle = 0; angle < 360; angle += 72) {
        char commands[48];
        snprintf(commands, sizeof commands, "C14 S4 TA%d NU40", (int)angle);
        draw(commands);
    }
    draw("TA0 BM470,250 C2 S4 R40 E10 U20 H10 L40 G10 D20 F10 BM+10,-10 P10,2");
}

static void label(void) {
    int32_t columns = 0, rows = 0;
    gfxView(GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, 0, 0, 0);
    rtLocateEntry(2, 3, -1, 0, 0);
    rtPrintText(0, "VIEW + WINDOW + PMAP + PAINT        VIEW SCREEN + DRAW", PRINT_NEWLINE);
    rtGetSize(&columns, &rows);
    rtLocateEntry(rows - 1, 3, -1, 0, 0);
    rtPrintText(0, "press a key", PRINT_NEWLINE);
}

int main(int argc, char** argv) {
    const char* file = frameFile(argc, argv);
    rtInit(argc, argv, 0);
    if (gfxScreenSize(640, 480, 8, 1, frameScreenFlags(file), 0) != 0) rtEnd(1);
    plot();
    labelCurve();
    figures();
    label();
    if (file) return frameWrite(file, 640, 480, 8);
    rtSleep(-1);
    rtEnd(0);
}
