// libFuzzer target over the public entries (built by tools/fuzz.sh api with
// clang, AddressSanitizer and UBSan). Each input is a script: one byte picks
// the call, the bytes after it its arguments, drawn mostly from values that
// sit on the edges (0, -1, the 16-, 30- and 32-bit limits, huge, infinite and
// NaN singles). Screens open on the Null driver; text without a screen goes to
// a discarded standard output and reads an ended standard input.
//
// After every call: the error number is one the system defines, and an open
// screen keeps its text cursor inside its grid and its drawing view inside
// the current target. Image buffers are allocated exactly as large as their
// header says (or minimal for headers that must be refused), so a write
// outside any buffer is an AddressSanitizer report.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "gfx/console/console_hooks.h"
#include "gfx/console/input.h"
#include "gfx/console/pages.h"
#include "gfx/console/text_output.h"
#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/draw/draw.h"
#include "gfx/draw/image.h"
#include "runtime/line_edit.h"
#include "runtime/print.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool more() const { return at < size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint32_t word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t{byte()} << (8 * i);
        return v;
    }
    int32_t pick(int32_t small) { // 0 .. small - 1
        return small > 0 ? byte() % small : 0;
    }
    int32_t integer() {
        static constexpr int32_t EDGES[] = {
            0,     1,     -1,      2,          7,         8,         13,
            15,    25,    80,      255,        256,       -32768,    32767,
            65535, 65536, 1 << 30, -(1 << 30), INT32_MAX, INT32_MIN, INT32_MAX - 1,
            100,   1000,  -100};
        uint8_t kind = byte();
        if (kind < 128) return static_cast<int32_t>(kind % 64) - 8; // screen-sized
        if (kind < 224) return EDGES[kind % (sizeof EDGES / sizeof EDGES[0])];
        return static_cast<int32_t>(word());
    }
    float single() {
        static constexpr float EDGES[] = {0.0f,
                                          -0.0f,
                                          0.5f,
                                          -0.5f,
                                          1.25f,
                                          6.2831859f,
                                          6.2831855f,
                                          1e7f,
                                          1e9f,
                                          1.5e9f,
                                          -1.5e9f,
                                          1073741824.f,
                                          3e38f,
                                          -3e38f,
                                          1e-30f,
                                          std::numeric_limits<float>::infinity(),
                                          -std::numeric_limits<float>::infinity(),
                                          std::numeric_limits<float>::quiet_NaN(),
                                          -8388607.0f,
                                          2147483647.f,
                                          65535.f,
                                          1280.f};
        uint8_t kind = byte();
        if (kind < 128)
            return static_cast<float>(static_cast<int32_t>(byte()) * 5 - 100) +
                   static_cast<float>(kind % 4) * 0.25f;
        if (kind < 224) return EDGES[kind % (sizeof EDGES / sizeof EDGES[0])];
        uint32_t bits = word();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
};

// Images: each slot's buffer is exactly as large as its header claims.
constexpr int32_t IMAGE_SLOTS = 3;
struct Image {
    uint8_t* bytes = nullptr;
    size_t size = 0;
};
Image images[IMAGE_SLOTS];

void freeImages() {
    for (Image& image : images) {
        std::free(image.bytes);
        image = {};
    }
}

void putHeader(uint8_t* bytes, uint32_t bpp, uint32_t w, uint32_t h, uint32_t pitch) {
    ImageHeader header = {IMAGE_HEADER_NEW, bpp, w, h, pitch, {0, 0, 0}};
    std::memcpy(bytes, &header, sizeof header);
}

void makeImage(Reader& in) {
    Image& image = images[in.pick(IMAGE_SLOTS)];
    // While the context may still point at this buffer, keep it: a buffer is
    // only ever re-described in place, as a program would.
    switch (in.pick(4)) {
    case 0: { // an honest new-form header
        uint32_t bpp = "\1\2\4"[in.pick(3)];
        uint32_t w = static_cast<uint32_t>(in.pick(40)), h = static_cast<uint32_t>(in.pick(40));
        uint32_t pitch = w * bpp + static_cast<uint32_t>(in.pick(8));
        size_t size = sizeof(ImageHeader) + size_t{pitch} * h;
        if (!image.bytes || image.size < size) {
            std::free(image.bytes);
            image.bytes = static_cast<uint8_t*>(std::calloc(1, size));
            image.size = size;
        }
        putHeader(image.bytes, bpp, w, h, pitch);
        break;
    }
    case 1: { // a header that must be refused, on a buffer of the header alone
        if (!image.bytes) {
            image.bytes = static_cast<uint8_t*>(std::calloc(1, sizeof(ImageHeader)));
            image.size = sizeof(ImageHeader);
        }
        static constexpr uint32_t BAD[][4] = {
            {0, 100, 100, 100},
            {3, 100, 100, 300},
            {1, 100, 100, 10},
            {4, 1000, 1000, 1000},
            {1, 1, 0x7FFFFFFF, 1},
            {1, 0x10000, 1, 0x10000},
            {2, 0xFFFF, 0xFFFF, 0x20000},
            {1, 0xFFFFFFFF, 2, 0xFFFFFFFF},
        };
        const uint32_t* b = BAD[in.pick(8)];
        putHeader(image.bytes, b[0], b[1], b[2], b[3]);
        break;
    }
    case 2: { // the old form: room for four bytes a pixel, whatever the screen
        uint32_t w = static_cast<uint32_t>(in.pick(40)), h = static_cast<uint32_t>(in.pick(40));
        size_t size = 4 + size_t{w} * h * 4;
        if (!image.bytes || image.size < size || image.size < sizeof(ImageHeader)) {
            std::free(image.bytes);
            size = size < sizeof(ImageHeader) ? sizeof(ImageHeader) : size;
            image.bytes = static_cast<uint8_t*>(std::calloc(1, size));
            image.size = size;
        }
        uint16_t header[2] = {static_cast<uint16_t>(w * 8 + static_cast<uint32_t>(in.pick(8))),
                              static_cast<uint16_t>(h)};
        if (header[0] == IMAGE_HEADER_NEW && header[1] == 0) header[0] = 0;
        std::memcpy(image.bytes, header, sizeof header);
        break;
    }
    default: // re-describe in place as smaller
        if (image.bytes && image.size >= sizeof(ImageHeader) + 1)
            putHeader(image.bytes, 1, 1, static_cast<uint32_t>(image.size - sizeof(ImageHeader)),
                      1);
        break;
    }
}

const void* target(Reader& in) {
    int32_t slot = in.pick(IMAGE_SLOTS + 2) - 2;
    return slot < 0 ? nullptr : images[slot].bytes;
}

StringDescriptor* text(Reader& in) {
    int32_t length = in.pick(48);
    StringDescriptor* s = strAllocTemp(nullptr, length);
    if (!s) return nullptr;
    for (int32_t i = 0; i < length && s->data; ++i)
        s->data[i] = static_cast<char>(in.byte());
    return s;
}

// A DRAW string: mostly the language's own characters (numbers at their
// limits among them), now and then any byte.
void drawCommands(Reader& in) {
    static constexpr char ALPHABET[] = "UDLREFGHMBNACTSPX=udlrtam;, +-,0123456789"
                                       "9999955536";
    char commands[64];
    int32_t length = in.pick(64);
    for (int32_t i = 0; i < length; ++i) {
        uint8_t b = in.byte();
        commands[i] = b < 232 ? ALPHABET[b % (sizeof ALPHABET - 1)] : static_cast<char>(b);
    }
    gfxDraw(target(in), commands, length);
}

// Keys for LINE INPUT: a script of typed and editing keys ending with Enter.
void postScript(Reader& in) {
    static constexpr int32_t EDIT_KEYS[] = {8,      9,      27,     0x47FF, 0x48FF,
                                            0x4BFF, 0x4DFF, 0x4FFF, 0x50FF, 0x53FF};
    int32_t count = in.pick(24);
    for (int32_t i = 0; i < count; ++i) {
        uint8_t b = in.byte();
        gfxPostKey(b < 200 ? 32 + b % 95 : EDIT_KEYS[b % 10]);
    }
    gfxPostKey(13);
}

// LOCATE's hook trusts its caller: a raw call may put the cursor outside the
// grid, until the next print or screen brings it back.
bool cursorMayLeave = false;

void check() {
    int32_t error = rtGetError();
    if (error != 0 && error != 1 && error != 3 && error != 4 && error != 5) std::abort();
    GfxMode* m = gfxMode;
    if (!m) return;
    bool inside = (m->textColumns <= 0 ||
                   (m->textColumnCursor >= 0 && m->textColumnCursor < m->textColumns)) &&
                  (m->textRows <= 0 || (m->textRowCursor >= 0 && m->textRowCursor < m->textRows));
    if (!inside && !cursorMayLeave) std::abort();
    if (inside) cursorMayLeave = false;
    GfxContext* c = gfxCachedContext();
    if (!c || c->modeId != m->id) return;
    const int32_t* v = c->view;
    if (v[0] < 0 || v[1] < 0 || v[2] < 0 || v[3] < 0) std::abort();
    if (v[3] > 0 && int64_t{v[1]} + v[3] > c->linesCapacity) std::abort();
    if (!(c->flags & (CTX_IMAGE_TARGET | CTX_RESET_PENDING)) &&
        (int64_t{v[0]} + v[2] > m->width || int64_t{v[1]} + v[3] > m->height))
        std::abort();
}

// PAINT with a colour or a tile of any length (odd ones, none, too many rows),
// the border given or not, from an absolute point or STEP.
void paint(Reader& in) {
    const void* t = target(in);
    float x = in.single(), y = in.single();
    uint32_t flags = in.pick(2) ? COORD_ONE_STEP : COORD_ONE_ABS;
    if (in.pick(2)) flags |= PAINT_DEFAULT_BORDER;
    if (in.pick(2)) {
        uint8_t tile[64 * 32 + 8];
        // The buffer always holds `length` bytes: lengths the entry must refuse
        // are negative, zero or more rows than a tile has.
        static constexpr int32_t ODD[] = {-1, 0, static_cast<int32_t>(sizeof tile)};
        int32_t length = in.pick(4) == 0 ? ODD[in.pick(3)] : in.pick(200);
        for (int32_t i = 0; i < 64 && i < length; ++i)
            tile[i] = in.byte();
        for (size_t i = 64; i < sizeof tile; ++i)
            tile[i] = static_cast<uint8_t>(i);
        gfxPaintTile(t, x, y, in.pick(8) ? tile : nullptr, length, in.word(), nullptr, flags);
    } else {
        if (in.pick(2)) flags |= FLAG_DEFAULT_COLOR;
        gfxPaint(t, x, y, in.word(), in.word(), flags);
    }
}

// GET into a slot (told its true size), PUT of a slot anywhere in any form,
// and images made of any size and freed.
void getAndPut(Reader& in) {
    switch (in.pick(3)) {
    case 0: {
        const void* source = target(in);
        Image& into = images[in.pick(IMAGE_SLOTS)];
        float x1 = in.single(), y1 = in.single(), x2 = in.single(), y2 = in.single();
        if (into.bytes) gfxGet(source, x1, y1, x2, y2, into.bytes, into.size, in.word());
        break;
    }
    case 1: {
        const void* t = target(in);
        const void* image = images[in.pick(IMAGE_SLOTS)].bytes;
        float x = in.single(), y = in.single();
        int32_t sx1 = in.integer(), sy1 = in.integer(), sx2 = in.integer(), sy2 = in.integer();
        int32_t mode = in.pick(9) - 1;
        if (image) gfxPut(t, x, y, image, sx1, sy1, sx2, sy2, mode, in.integer(), in.word());
        break;
    }
    default: {
        static constexpr int32_t SIDES[] = {1, 7, 33, 0, -1, 65535, 65536, 0x7FFFFFFF};
        int32_t w = SIDES[in.pick(8)], h = SIDES[in.pick(8)];
        gfxImageDestroy(gfxImageCreate(w, h, in.word(), in.pick(34) - 1, in.word()));
        break;
    }
    }
}

void step(Reader& in) {
    switch (in.pick(30)) {
    case 0: {
        static constexpr int32_t FLAGS[] = {SCRF_NULL,      0,           SCRF_QUIET_CLOSE,
                                            SCRF_ALPHA,     SCRF_OPENGL, SCRF_TRANSPARENT,
                                            SCRF_FULLSCREEN};
        int32_t mode = in.pick(24) - 1, depth = in.integer(), pages = in.pick(5) - 1;
        gfxScreen(mode, depth, pages, FLAGS[in.pick(7)], in.integer());
        break;
    }
    case 1: {
        static constexpr int32_t SIDES[] = {1, 7, 8, 17, 64, 100, 320, 2041, 0, -1, 65536};
        static constexpr int32_t DEPTHS[] = {1, 2, 4, 8, 15, 16, 24, 32, 0, 3, 33};
        gfxScreenSize(SIDES[in.pick(11)], SIDES[in.pick(11)], DEPTHS[in.pick(11)], in.pick(4),
                      in.pick(2) ? SCRF_ALPHA : SCRF_NULL, 0);
        break;
    }
    case 2:
        gfxView(in.integer(), in.integer(), in.integer(), in.integer(), in.word(), in.word(),
                in.word());
        break;
    case 3: {
        const void* t = target(in);
        float x = in.single(), y = in.single();
        gfxPset(t, x, y, in.word(), in.word(), in.pick(2));
        break;
    }
    case 4: {
        const void* t = target(in);
        float x = in.single(), y = in.single();
        gfxPoint(t, x, y);
        break;
    }
    case 5: {
        const void* t = target(in);
        float x1 = in.single(), y1 = in.single(), x2 = in.single(), y2 = in.single();
        gfxLine(t, x1, y1, x2, y2, in.word(), in.pick(4), in.word(), in.word());
        break;
    }
    case 6: {
        const void* t = target(in);
        float x = in.single(), y = in.single(), r = in.single();
        uint32_t colour = in.word();
        float aspect = in.single(), start = in.single(), end = in.single();
        gfxCircle(t, x, y, r, colour, aspect, start, end, in.pick(2), in.word());
        break;
    }
    case 7:
        gfxPalette(in.integer(), in.integer(), in.integer(), in.integer());
        break;
    case 8:
        if (rtState.hooks.setColors) gfxSetColors(in.integer(), in.integer(), in.pick(4));
        break;
    case 9: {
        int32_t position = 0;
        rtLocate(in.integer(), in.integer(), in.integer(), &position);
        break;
    }
    case 10:
        gfxLocate(in.integer(), in.integer(), in.integer()); // the hook, unchecked arguments
        cursorMayLeave = true;
        break;
    case 11:
        rtWidth(in.integer(), in.integer());
        break;
    case 12:
        rtCls(in.pick(2) ? in.integer() : CLS_DEFAULT);
        break;
    case 13:
        rtPrintString(in.pick(2) - 1, text(in), in.pick(8));
        break;
    case 14:
        rtViewPrint(in.integer(), in.integer(), in.pick(2));
        break;
    case 15:
        if (rtState.hooks.pageCopy) gfxPageCopy(in.integer(), in.integer());
        rtPageSet(in.pick(5) - 1, in.pick(5) - 1);
        break;
    case 16:
        if (in.pick(2))
            gfxPortOut(in.integer(), in.integer());
        else
            gfxPortIn(in.integer());
        break;
    case 17:
        makeImage(in);
        break;
    case 18:
        gfxPostKey(in.integer());
        strDelete(rtInkey());
        break;
    case 19: {
        GfxEvent event;
        std::memset(&event, 0, sizeof event);
        uint32_t words[5] = {in.word(), in.word(), in.word(), in.word(), in.word()};
        std::memcpy(&event, words, sizeof event);
        gfxPostEvent(&event);
        if (in.pick(2)) gfxTakeEvent(&event);
        break;
    }
    case 20: { // strings: slices, fills and assignment into a fixed buffer
        StringDescriptor* s = text(in);
        if (!s) break;
        StringDescriptor* mid = strMid(s, in.integer(), in.integer());
        char fixed[16];
        strAssign(fixed, sizeof fixed, mid ? mid : strFill(in.pick(300) - 1, in.byte()), -1, 1, 0);
        break;
    }
    case 21: { // LINE INPUT over a scripted key source
        char destination[64];
        if (gfxMode) {
            postScript(in);
            gfxLineInput(text(in), destination, sizeof destination, 1, in.pick(2), in.pick(2));
        } else {
            strDelete(rtLineEditNew(in.pick(2))); // standard input has ended
        }
        break;
    }
    case 22: {
        uint16_t wide[8];
        for (uint16_t& w : wide)
            w = static_cast<uint16_t>(in.word());
        rtPrintWide(wide, in.pick(9), 0);
        break;
    }
    case 23:
        if (gfxMode) gfxReadCharAt(in.integer(), in.integer(), in.pick(3));
        break;
    case 24:
        gfxPoint(nullptr, static_cast<float>(in.integer()), POINT_INFO_MARK);
        gfxPmap(in.single(), in.integer());
        break;
    case 25:
        if (gfxMode) gfxSetWidth(in.integer(), in.integer());
        break;
    case 26:
        drawCommands(in);
        break;
    case 27:
        paint(in);
        break;
    case 28:
        getAndPut(in);
        break;
    default: { // a world window of any size (or none), then a point through it
        float x1 = in.single(), y1 = in.single(), x2 = in.single(), y2 = in.single();
        gfxWindow(x1, y1, x2, y2, in.word());
        gfxPmap(in.single(), in.pick(6) - 1);
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Text without a screen: output discarded, input already at its end.
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    setenv("ZQGFX", "null", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    for (int32_t calls = 0; in.more() && calls < 64; ++calls) {
        step(in);
        check();
    }
    // Every input starts from the same state: no screen, no images.
    gfxCloseAtExit();
    cursorMayLeave = false;
    freeImages();
    rtViewPrint(0, 0, 0);
    rtState.consoleHandle.width = 0;
    rtSetError(RT_OK);
    return 0;
}
