// Images on one 640 x 480 screen of 32-bit colour: a sprite made with
// IMAGECREATE and drawn on with the usual statements, put over a striped
// background in each of PUT's forms (PSET, PRESET, AND, OR, XOR, TRANS and
// ALPHA, by each pixel's alpha and by one alpha), then the whole row copied
// with GET and put again below. Ends on a key. With `--frame FILE` it draws
// on the Null driver and writes the picture as a PPM file instead.
#include <cstdio>
#include <cstring>

#include "gfx/core/context.h"
#include "gfx/core/image.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "gfx/draw/image.h"
#include "runtime/print.h"
#include "runtime/runtime.h"

namespace {

constexpr int32_t SPRITE = 64, COLUMN = 80, ROW_TOP = 112;
constexpr uint32_t OPAQUE = 0xFF000000u;

// Text whose top-left corner is near pixel (x, y), whatever the font's size.
void print(int32_t x, int32_t y, const char* text) {
    int32_t columns = 0, rows = 0;
    rtGetSize(&columns, &rows);
    rtLocateEntry(y * rows / 480 + 1, x * columns / 640 + 1, -1, 0, 0);
    rtPrintString(0, strTempFromBuffer(text, static_cast<int32_t>(std::strlen(text))), 0);
}

// A ball with a translucent halo on a transparent ground: the halo's alpha
// falls off outwards, which only ALPHA shows; TRANS skips the ground.
void* makeSprite() {
    void* sprite = gfxImageCreate(SPRITE, SPRITE, 0, 4, FLAG_DEFAULT_COLOR);
    if (!sprite) return nullptr;
    constexpr float C = SPRITE / 2.0f - 0.5f;
    for (int32_t r = 31; r > 20; --r) {
        uint32_t alpha = static_cast<uint32_t>(255 - (r - 20) * 22);
        gfxCircle(sprite, C, C, static_cast<float>(r), alpha << 24 | 0x40A0FF, 1.0f, 0, FULL_TURN,
                  1, COORD_ONE_ABS);
    }
    gfxCircle(sprite, C, C, 20, OPAQUE | 0xFFD020, 1.0f, 0, FULL_TURN, 1, COORD_ONE_ABS);
    gfxCircle(sprite, C, C, 20, OPAQUE | 0xC02010, 1.0f, 0, FULL_TURN, 0, COORD_ONE_ABS);
    // A face: eyes as filled boxes, a smile as three lines, onto the image.
    constexpr uint32_t INK = OPAQUE | 0x301008;
    gfxLine(sprite, 24, 24, 26, 27, INK, 2, 0xFFFF, COORD_ABS_ABS);
    gfxLine(sprite, 37, 24, 39, 27, INK, 2, 0xFFFF, COORD_ABS_ABS);
    gfxLine(sprite, 23, 36, 27, 40, INK, 0, 0xFFFF, COORD_ABS_ABS);
    gfxLine(sprite, 0, 0, 10, 0, INK, 0, 0xFFFF, COORD_STEP_STEP);
    gfxLine(sprite, 0, 0, 4, -4, INK, 0, 0xFFFF, COORD_STEP_STEP);
    return sprite;
}

void background() {
    for (int32_t x = -480; x < 640; x += 12)
        gfxLine(nullptr, static_cast<float>(x), 0, static_cast<float>(x + 479), 479,
                OPAQUE | (x / 12 % 2 ? 0x305070 : 0x80B0C0), 0, 0xFFFF, COORD_ABS_ABS);
    gfxLine(nullptr, 0, 96, 639, 200, OPAQUE | 0x202830, 2, 0xFFFF, COORD_ABS_ABS);
    gfxLine(nullptr, 0, 296, 639, 400, OPAQUE | 0x202830, 2, 0xFFFF, COORD_ABS_ABS);
}

void picture(bool headless) {
    gfxScreenSize(640, 480, 32, 1, headless ? SCRF_NULL : 0, 0);
    background();
    void* sprite = makeSprite();
    if (!sprite) return;
    static const char* const NAMES[] = {"PSET", "PRESET", "AND",   "OR",
                                        "XOR",  "TRANS",  "ALPHA", "ALPHA,96"};
    static const int32_t FORMS[] = {PUT_PSET, PUT_PRESET, PUT_AND,   PUT_OR,
                                    PUT_XOR,  PUT_TRANS,  PUT_ALPHA, PUT_ALPHA};
    for (int32_t i = 0; i < 8; ++i) {
        float x = static_cast<float>(i * COLUMN + (COLUMN - SPRITE) / 2);
        gfxPut(nullptr, x, ROW_TOP, sprite, 0, 0, 0, 0, FORMS[i], 96,
               COORD_ONE_ABS | (i == 7 ? PUT_CONSTANT_ALPHA : 0u));
        print(i * COLUMN + 8, ROW_TOP - 12, NAMES[i]);
    }
    // The row as drawn, copied with GET into an image of the right size and
    // put again further down, the right half first: a sprite sheet's part.
    size_t bytes = gfxImageBytes(640, 90, 4);
    void* row = gfxImageCreate(640, 90, 0, 4, 0);
    if (row && gfxGet(nullptr, 0, 104, 639, 193, row, bytes, COORD_ABS_ABS) == 0) {
        gfxPut(nullptr, 0, 304, row, 320, 0, 639, 89, PUT_PSET, 0, COORD_ONE_ABS | PUT_SOURCE_RECT);
        gfxPut(nullptr, 320, 304, row, 0, 0, 319, 89, PUT_PSET, 0, COORD_ONE_ABS | PUT_SOURCE_RECT);
    }
    gfxImageDestroy(row);
    gfxImageDestroy(sprite);
    print(24, 40, "IMAGECREATE, then PUT in each form over the stripes");
    print(24, 240, "GET of the row above, put back in two halves, swapped");
    print(24, 440, "press a key");
}

int writeFrame(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "wb");
    if (!file || !gfxMode) return 1;
    std::fprintf(file, "P6\n%d %d\n255\n", gfxMode->width, gfxMode->height);
    for (int32_t y = 0; y < gfxMode->height; ++y)
        for (int32_t x = 0; x < gfxMode->width; ++x) {
            uint32_t c;
            std::memcpy(&c, gfxMode->pages[0] + y * gfxMode->pitch + x * 4, 4);
            uint8_t rgb[3] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                              static_cast<uint8_t>(c)};
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
