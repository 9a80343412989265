// Developer tool: runs the demonstration's drawing and message on the Null
// driver, without waiting for a key, and writes the framebuffer as a binary
// PGM (one byte per pixel holding the palette index).
//
//   demo_frame FILE          write the frame
//   demo_frame --rgb FILE    write the frame as the screen shows it: each index
//                            through the palette, as a binary PPM
//   demo_frame --time [N]    time N runs (default 3) of the drawing and of the
//                            hand-written reference loop; print both and the ratio
//   demo_frame --check       compare the frame with the reference loop's, with
//                            the message drawn in from the font
//   demo_frame --reference FILE   write that reference frame (loop and font
//                            only, no graphics layer) as a PGM of indices
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/demo.h"
#include "gfx/core/builtin_data.h"
#include "gfx/core/mode.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"
#include "tools/demo_reference.h"

namespace {

void useNullDriver() {
#ifdef _WIN32
    _putenv("ZQGFX=null");
#else
    setenv("ZQGFX", "null", 1);
#endif
}

bool runDemo() {
    demoResetRandom();
    demoDraw();
    demoPrintMessage();
    return gfxMode && gfxMode->width == DEMO_WIDTH && gfxMode->height == DEMO_HEIGHT &&
           gfxMode->bytesPerPixel == 1;
}

// The message as the text console draws it at row 14, column 16: opaque
// 8 x 16 cells from (120, 208), glyph pixels in colour 15, the rest in 0.
void stampMessage(uint8_t* frame) {
    const FontInfo& font = FONT_8X16;
    for (int32_t k = 0; k < DEMO_MESSAGE_LENGTH; ++k) {
        const uint8_t* glyph = font.glyphs + static_cast<uint8_t>(DEMO_MESSAGE[k]) * font.height;
        for (int32_t r = 0; r < font.height; ++r)
            for (int32_t b = 0; b < 8; ++b)
                frame[(208 + r) * DEMO_WIDTH + 120 + 8 * k + b] = (glyph[r] >> b) & 1 ? 15 : 0;
    }
}

std::vector<uint8_t> referenceFrame() {
    gfxLoadBuiltinData(); // the font, also before any screen opened
    std::vector<uint8_t> reference(DEMO_WIDTH * DEMO_HEIGHT, 0);
    demoReference(reference.data());
    stampMessage(reference.data());
    return reference;
}

int writeReference(const char* fileName) {
    std::vector<uint8_t> reference = referenceFrame();
    std::FILE* file = std::fopen(fileName, "wb");
    if (!file) {
        std::fprintf(stderr, "demo_frame: cannot write %s\n", fileName);
        return 1;
    }
    std::fprintf(file, "P5\n%d %d\n255\n", DEMO_WIDTH, DEMO_HEIGHT);
    bool ok = std::fwrite(reference.data(), 1, reference.size(), file) == reference.size();
    ok = std::fclose(file) == 0 && ok;
    return ok ? 0 : 1;
}

bool sameAsReference() {
    std::vector<uint8_t> reference = referenceFrame();
    for (int32_t y = 0; y < DEMO_HEIGHT; ++y)
        if (std::memcmp(reference.data() + y * DEMO_WIDTH,
                        gfxMode->pages[0] + static_cast<ptrdiff_t>(y) * gfxMode->pitch,
                        DEMO_WIDTH) != 0) {
            std::fprintf(stderr, "demo_frame: row %d differs from the reference loop\n", y);
            return false;
        }
    return true;
}

int writeFrame(const char* fileName, bool rgb) {
    std::FILE* file = std::fopen(fileName, "wb");
    if (!file) {
        std::fprintf(stderr, "demo_frame: cannot write %s\n", fileName);
        return 1;
    }
    std::fprintf(file, "P%d\n%d %d\n255\n", rgb ? 6 : 5, gfxMode->width, gfxMode->height);
    bool ok = true;
    size_t width = static_cast<size_t>(gfxMode->width);
    std::vector<uint8_t> colours(width * 3);
    for (int32_t y = 0; y < gfxMode->height && ok; ++y) {
        const uint8_t* row = gfxMode->pages[0] + static_cast<ptrdiff_t>(y) * gfxMode->pitch;
        if (!rgb) {
            ok = std::fwrite(row, 1, width, file) == width;
            continue;
        }
        for (size_t x = 0; x < width; ++x) {
            uint32_t c = gfxMode->palette[row[x]]; // 0x00BBGGRR
            colours[3 * x] = static_cast<uint8_t>(c);
            colours[3 * x + 1] = static_cast<uint8_t>(c >> 8);
            colours[3 * x + 2] = static_cast<uint8_t>(c >> 16);
        }
        ok = std::fwrite(colours.data(), 1, colours.size(), file) == colours.size();
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::fprintf(stderr, "demo_frame: writing %s failed\n", fileName);
    return ok ? 0 : 1;
}

int timeRuns(int runs) {
    double best = 0, bestReference = 0;
    std::vector<uint8_t> frame(DEMO_WIDTH * DEMO_HEIGHT);
    for (int i = 0; i < runs; ++i) {
        double start = rtTimer();
        if (!runDemo()) return 1;
        double runtime = rtTimer() - start;
        std::memset(frame.data(), 0, frame.size());
        start = rtTimer();
        demoReference(frame.data());
        double reference = rtTimer() - start;
        if (i == 0 || runtime < best) best = runtime;
        if (i == 0 || reference < bestReference) bestReference = reference;
    }
    std::printf("runtime path %.3f s, hand-written loop %.3f s, ratio %.2f (best of %d)\n", best,
                bestReference, best / bestReference, runs);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(
            stderr,
            "usage: demo_frame FILE | --rgb FILE | --reference FILE | --time [N] | --check\n");
        return 2;
    }
    rtInit(argc, argv, 0);
    useNullDriver();
    if (std::strcmp(argv[1], "--time") == 0) return timeRuns(argc > 2 ? std::atoi(argv[2]) : 3);
    if (std::strcmp(argv[1], "--reference") == 0) return argc > 2 ? writeReference(argv[2]) : 2;
    if (!runDemo()) {
        std::fprintf(stderr, "demo_frame: screen 21 did not open on the Null driver\n");
        return 1;
    }
    if (std::strcmp(argv[1], "--check") == 0) return sameAsReference() ? 0 : 1;
    if (std::strcmp(argv[1], "--rgb") == 0) return argc > 2 ? writeFrame(argv[2], true) : 2;
    return writeFrame(argv[1], false);
}
