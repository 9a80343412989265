/* The examples' headless mode, shared by every graphics example: with
 * `--frame FILE` an example opens its screen on the Null driver (no window),
 * draws a fixed number of frames and writes what its screen shows as a
 * binary PPM file. The picture is read back through the public entries only:
 * POINT for each pixel and, on an 8-bit screen, the palette through the DAC
 * ports (6 bits a component, widened as PALETTE widens them). */
#ifndef EXAMPLES_FRAME_H
#define EXAMPLES_FRAME_H

#include <stdio.h>
#include <string.h>

#include <zqgfx.h>

/* The file named after --frame, or null when the program runs for real. */
static const char* frameFile(int argc, char** argv) {
    return argc > 2 && strcmp(argv[1], "--frame") == 0 ? argv[2] : NULL;
}

/* The flags that open the example's screen: the Null driver when headless. */
static int32_t frameScreenFlags(const char* file) {
    return file ? SCRF_NULL : 0;
}

/* Writes the width x height screen of `depth` bits (8 or 32) as shown: the
 * visible page, whole (the view and window are reset first). 0 when done. */
static int frameWrite(const char* file, int32_t width, int32_t height, int32_t depth) {
    static uint8_t palette[256][3];
    FILE* out = fopen(file, "wb");
    int32_t x, y, k, c;
    if (!out) return 1;
    if (depth == 8) {
        gfxPortOut(PORT_DAC_READ_INDEX, 0);
        for (k = 0; k < 256; ++k)
            for (c = 0; c < 3; ++c)
                palette[k][c] = (uint8_t)(gfxPortIn(PORT_DAC_DATA) * 255 / 63);
    }
    rtPageSet(rtPageSet(-1, -1) >> 8, -1); /* read the visible page */
    gfxView(GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, 0, 0, 0);
    gfxWindow(0, 0, 0, 0, WINDOW_NO_CORNERS);
    fprintf(out, "P6\n%d %d\n255\n", (int)width, (int)height);
    for (y = 0; y < height; ++y)
        for (x = 0; x < width; ++x) {
            uint32_t v = (uint32_t)gfxPoint(NULL, (float)x, (float)y);
            uint8_t rgb[3];
            if (depth == 8) {
                memcpy(rgb, palette[v & 0xFF], 3);
            } else {
                rgb[0] = (uint8_t)(v >> 16);
                rgb[1] = (uint8_t)(v >> 8);
                rgb[2] = (uint8_t)v;
            }
            fwrite(rgb, 1, 3, out);
        }
    return fclose(out) == 0 ? 0 : 1;
}

#endif
