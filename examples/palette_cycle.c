/* Palette cycling on a 256-colour screen: 64 bands of colour are drawn once,
 * then only the palette moves. Each frame, at the vertical retrace, every
 * band's entry takes the colour of the entry to its right (the first takes
 * the last's), written to the DAC ports as the VGA had it: index to 0x3C8,
 * then red, green and blue, 0..63 each, to 0x3C9. The pixels never change,
 * yet the colours flow leftwards. Runs until a key; with `--frame FILE` it
 * turns the palette FRAMES times on the Null driver and writes the picture. */
#include "frame.h"

enum { WIDTH = 320, HEIGHT = 200, FIRST = 32, BANDS = 64, BAND_WIDTH = WIDTH / BANDS, FRAMES = 10 };

int main(int argc, char** argv) {
    const char* file = frameFile(argc, argv);
    int32_t colours[BANDS][3], k, frame;
    rtInit(argc, argv, 0);
    if (gfxScreenSize(WIDTH, HEIGHT, 8, 1, frameScreenFlags(file), 0) != 0) rtEnd(1);
    /* A ramp from green to red, with a touch of blue in its middle. */
    for (k = 0; k < BANDS; ++k) {
        colours[k][0] = k;
        colours[k][1] = 63 - k;
        colours[k][2] = k < 32 ? k : 63 - k;
    }
    for (k = 0; k < BANDS; ++k) {
        /* PALETTE entry, red + green * 256 + blue * 65536 (0..63 each) */
        gfxPalette(FIRST + k, colours[k][0] | colours[k][1] << 8 | colours[k][2] << 16, -1, -1);
        gfxLine(NULL, (float)(k * BAND_WIDTH), 16, (float)(k * BAND_WIDTH + BAND_WIDTH - 1),
                HEIGHT - 1, FIRST + k, 2, 0xFFFF, COORD_ABS_ABS);
    }
    rtPrintText(0, "  palette cycling: press a key", 0);
    for (frame = 1; file ? frame <= FRAMES : !rtKeyHit(); ++frame) {
        int32_t first[3] = {colours[0][0], colours[0][1], colours[0][2]};
        for (k = 0; k < BANDS - 1; ++k) {
            colours[k][0] = colours[k + 1][0];
            colours[k][1] = colours[k + 1][1];
            colours[k][2] = colours[k + 1][2];
        }
        colours[BANDS - 1][0] = first[0];
        colours[BANDS - 1][1] = first[1];
        colours[BANDS - 1][2] = first[2];
        gfxPortIn(PORT_INPUT_STATUS); /* change colours only during the retrace */
        gfxPortOut(PORT_DAC_WRITE_INDEX, FIRST);
        for (k = 0; k < BANDS; ++k) {
            gfxPortOut(PORT_DAC_DATA, colours[k][0]);
            gfxPortOut(PORT_DAC_DATA, colours[k][1]);
            gfxPortOut(PORT_DAC_DATA, colours[k][2]);
        }
    }
    if (file) return frameWrite(file, WIDTH, HEIGHT, 8);
    rtWaitKey(); /* the key that stopped the loop */
    rtEnd(0);
}
