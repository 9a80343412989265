// The drawing statements beyond the four primitives, on one 640 x 480 screen
// of 256 colours: VIEW (a framed, filled viewport), WINDOW (world
// coordinates with y growing upwards), PMAP (a world point's pixel), PAINT
// (with a colour and with a tile) and DRAW (the command language, with its
// own PAINT). Ends on a key. With `--frame FILE` it draws on the Null driver
// and writes the picture as a PPM file instead (the README's picture).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "runtime/print.h"
#include "runtime/runtime.h"

namespace {
constexpr uint32_t BLACK = 0, BLUE = 1, CYAN = 3, RED = 4, GREY = 7, DARK_GREY = 8, YELLOW = 14,
                   WHITE = 15;

void draw(const char* commands) {
    gfxDraw(nullptr, commands, static_cast<int32_t>(std::strlen(commands)));
}

// Left: a viewport with a world window, x from -4 to 4 and y from -1.5 to
// 1.5 growing upwards: axes, a sine curve drawn as lines, and the region
// under the curve's first arch painted.
void plot() {
    gfxView(20, 40, 309, 329, BLUE, WHITE, 0);
    gfxWindow(-4.0f, -1.5f, 4.0f, 1.5f, 0);
    gfxLine(nullptr, -4, 0, 4, 0, GREY, 0, 0xFFFF, COORD_ABS_ABS);
    gfxLine(nullptr, 0, -1.5f, 0, 1.5f, GREY, 0, 0xFFFF, COORD_ABS_ABS);
    constexpr float STEP = 0.05f;
    gfxPset(nullptr, -4, std::sin(-4.0f), YELLOW, COORD_ONE_ABS, 0);
    for (float x = -4 + STEP; x <= 4.0f; x += STEP)
        gfxLine(nullptr, 0, 0, x, std::sin(x), YELLOW, 0, 0xFFFF, COORD_STEP_ABS);
    // The arch over 0..pi, closed by a line in the curve's colour along the
    // axis: PAINT stops only at its border colour.
    gfxLine(nullptr, -0.1f, 0, 3.3f, 0, YELLOW, 0, 0xFFFF, COORD_ABS_ABS);
    gfxPaint(nullptr, 1.57f, 0.5f, CYAN, YELLOW, COORD_ONE_ABS);
    // A circle of radius 0.5 world units around (-2, -0.8), its radius along x.
    gfxCircle(nullptr, -2, -0.8f, 0.5f, RED, 0.0f, 0.0f, FULL_TURN, 0, COORD_ONE_ABS);
    uint8_t tile[16] = {RED,   RED,   BLACK, BLACK, RED,   RED,   BLACK, BLACK,
                        BLACK, BLACK, RED,   RED,   BLACK, BLACK, RED,   RED};
    gfxPaintTile(nullptr, -2, -0.8f, tile, sizeof tile, RED, nullptr, COORD_ONE_ABS);
}

// PMAP: the pixel of a world point (counted from the view's corner), for a
// label in text cells beside the curve's top.
void labelCurve() {
    int32_t x = 20 + static_cast<int32_t>(gfxPmap(1.9f, 0));
    int32_t y = 40 + static_cast<int32_t>(gfxPmap(1.2f, 1));
    int32_t columns = 0, rows = 0;
    rtGetSize(&columns, &rows);
    rtLocateEntry(y * rows / 480 + 1, x * columns / 640 + 1, -1, 0, 0);
    static const char NAME[] = "sin x";
    rtPrintString(0, strTempFromBuffer(NAME, sizeof NAME - 1), 0);
}

// Right: the SCREEN form of VIEW (absolute coordinates, still clipped) and
// DRAW: a house with a painted roof and door, a star turned by TA.
void figures() {
    gfxView(330, 40, 619, 329, DARK_GREY, WHITE, CTX_VIEW_SCREEN);
    gfxWindow(0, 0, 1, 1, WINDOW_NO_CORNERS);
    // Walls and roof in white, then painted inside the white lines: the roof
    // red, the walls light blue.
    draw("BM380,300 C15 S8 U10 R16 D10 L16 BU10 E8 F8 BL8 BU2 P4,15 BD10 P9,15");
    draw("BM520,140");
    for (int32_t angle = 0; angle < 360; angle += 72) {
        char commands[48];
        std::snprintf(commands, sizeof commands, "C14 S4 TA%d NU40", static_cast<int>(angle));
        draw(commands);
    }
    draw("TA0 BM470,250 C2 S4 R40 E10 U20 H10 L40 G10 D20 F10 BM+10,-10 P10,2");
}

void label() {
    gfxView(GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, 0, 0, 0);
    rtLocateEntry(2, 3, -1, 0, 0);
    static const char TITLE[] = "VIEW + WINDOW + PMAP + PAINT        VIEW SCREEN + DRAW";
    rtPrintString(0, strTempFromBuffer(TITLE, sizeof TITLE - 1), 1);
    int32_t columns = 0, rows = 0;
    rtGetSize(&columns, &rows);
    rtLocateEntry(rows - 1, 3, -1, 0, 0);
    static const char END[] = "press a key";
    rtPrintString(0, strTempFromBuffer(END, sizeof END - 1), 1);
}

void picture(bool headless) {
    gfxScreenSize(640, 480, 8, 1, headless ? SCRF_NULL : 0, 0);
    plot();
    labelCurve();
    figures();
    label();
}

int writeFrame(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "wb");
    if (!file || !gfxMode) return 1;
    std::fprintf(file, "P6\n%d %d\n255\n", gfxMode->width, gfxMode->height);
    for (int32_t y = 0; y < gfxMode->height; ++y)
        for (int32_t x = 0; x < gfxMode->width; ++x) {
            uint32_t c = gfxMode->palette[gfxMode->pages[0][y * gfxMode->pitch + x]];
            uint8_t rgb[3] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                              static_cast<uint8_t>(c >> 16)};
            std::fwrite(rgb, 1, 3, file);
        }
    return std::fclose(file) == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    rtInit(argc, argv, 0);
    bool frame = argc > 2 && std::strcmp(argv[1], "--frame") == 0;
    picture(frame);
    if (frame) return writeFrame(argv[2]);
    rtSleep(-1);
    rtEnd(0);
}
