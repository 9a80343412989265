/* Images on one 640 x 480 screen of 32-bit colour: a sprite made with
 * IMAGECREATE and drawn on with the usual statements, put over a striped
 * background in each of PUT's forms (PSET, PRESET, AND, OR, XOR, TRANS and
 * ALPHA, by each pixel's alpha and by one alpha), then the whole row copied
 * with GET and put again below. Ends on a key. With `--frame FILE` it draws
 * on the Null driver and writes the picture as a PPM file instead (frame.h). */
#include "frame.h"

enum { SPRITE = 64, COLUMN = 80, ROW_TOP = 112 };
#define OPAQUE 0xFF000000u

/* Text whose top-left corner is near pixel (x, y), whatever the font's size. */
static void print(int32_t x, int32_t y, const char* text) {
    int32_t columns = 0, rows = 0;
    rtGetSize(&columns, &rows);
    rtLocateEntry(y * rows / 480 + 1, x * columns / 640 + 1, -1, 0, 0);
    rtPrintText(0, text, 0);
}

/* A ball with a translucent halo on a transparent ground: the halo's alpha
 * falls off outwards, which only ALPHA shows; TRANS skips the ground. */
static void* makeSprite(void) {
    const float c = SPRITE / 2.0f - 0.5f;
    const uint32_t ink = OPAQUE | 0x301008;
    int32_t r;
    void* sprite = gfxImageCreate(SPRITE, SPRITE, 0, 4, (uint32_t)FLAG_DEFAULT_COLOR);
    if (!sprite) return NULL;
    for (r = 31; r > 20; --r) {
        uint32_t alpha = (uint32_t)(255 - (r - 20) * 22);
        gfxCircle(sprite, c, c, (float)r, alpha << 24 | 0x40A0FF, 1.0f, 0, FULL_TURN, 1,
                  COORD_ONE_ABS);
    }
    gfxCircle(sprite, c, c, 20, OPAQUE | 0xFFD020, 1.0f, 0, FULL_TURN, 1, COORD_ONE_ABS);
    gfxCircle(sprite, c, c, 20, OPAQUE | 0xC02010, 1.0f, 0, FULL_TURN, 0, COORD_ONE_ABS);
    /* A face: eyes as filled boxes, a smile as three lines, onto the image. */
    gfxLine(sprite, 24, 24, 26, 27, ink, 2, 0xFFFF, COORD_ABS_ABS);
    gfxLine(sprite, 37, 24, 39, 27, ink, 2, 0xFFFF, COORD_ABS_ABS);
    gfxLine(sprite, 23, 36, 27, 40, ink, 0, 0xFFFF, COORD_ABS_ABS);
    gfxLine(sprite, 0, 0, 10, 0, ink, 0, 0xFFFF, COORD_STEP_STEP);
    gfxLine(sprite, 0, 0, 4, -4, ink, 0, 0xFFFF, COORD_STEP_STEP);
    return sprite;
}

static void background(void) {
    int32_t x;
    for (x = -480; x < 640; x += 12)
        gfxLine(NULL, (float)x, 0, (float)(x + 479), 479,
                OPAQUE | (x / 12 % 2 ? 0x305070 : 0x80B0C0), 0, 0xFFFF, COORD_ABS_ABS);
    gfxLine(NULL, 0, 96, 639, 200, OPAQUE | 0x202830, 2, 0xFFFF, COORD_ABS_ABS);
    gfxLine(NULL, 0, 296, 639, 400, OPAQUE | 0x202830, 2, 0xFFFF, COORD_ABS_ABS);
}

static void picture(void) {
    static const char* const NAMES[] = {"PSET", "PRESET", "AND",   "OR",
                                        "XOR",  "TRANS",  "ALPHA", "ALPHA,96"};
    static const int32_t FORMS[] = {PUT_PSET, PUT_PRESET, PUT_AND,   PUT_OR,
                                    PUT_XOR,  PUT_TRANS,  PUT_ALPHA, PUT_ALPHA};
    size_t bytes = gfxImageBytes(640, 90, 4);
    void* sprite;
    void* row;
    int32_t i;
    background();
    sprite = makeSprite();
    if (!sprite) return;
    for (i = 0; i < 8; ++i) {
        float x = (float)(i * COLUMN + (COLUMN - SPRITE) / 2);
        gfxPut(NULL, x, ROW_TOP, sprite, 0, 0, 0, 0, FORMS[i], 96,
               COORD_ONE_ABS | (i == 7 ? PUT_CONSTANT_ALPHA : 0u));
        print(i * COLUMN + 8, ROW_TOP - 12, NAMES[i]);
    }
    /* The row as drawn, copied with GET into an image of the right size and
     * put again further down, the right half first: a sprite sheet's part. */
    row = gfxImageCreate(640, 90, 0, 4, 0);
    if (row && gfxGet(NULL, 0, 104, 639, 193, row, bytes, COORD_ABS_ABS) == 0) {
        gfxPut(NULL, 0, 304, row, 320, 0, 639, 89, PUT_PSET, 0, COORD_ONE_ABS | PUT_SOURCE_RECT);
        gfxPut(NULL, 320, 304, row, 0, 0, 319, 89, PUT_PSET, 0, COORD_ONE_ABS | PUT_SOURCE_RECT);
    }
    gfxImageDestroy(row);
    gfxImageDestroy(sprite);
    print(24, 40, "IMAGECREATE, then PUT in each form over the stripes");
    print(24, 240, "GET of the row above, put back in two halves, swapped");
    print(24, 440, "press a key");
}

int main(int argc, char** argv) {
    const char* file = frameFile(argc, argv);
    rtInit(argc, argv, 0);
    if (gfxScreenSize(640, 480, 32, 1, frameScreenFlags(file), 0) != 0) rtEnd(1);
    picture();
    if (file) return frameWrite(file, 640, 480, 32);
    rtSleep(-1);
    rtEnd(0);
}
