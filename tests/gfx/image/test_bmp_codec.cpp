// The bitmap codec: ImageMagick's files decoded as ImageMagick decodes them,
// what it writes read by ImageMagick, and malformed files refused without a
// read or write out of bounds (the sanitizers watch). Writing and reading
// back is the fuzzer's check (tests/fuzz/fuzz_bmp.cpp), on this corpus too.
#include "gfx/image/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/image/corpus.h"
#include "runtime/runtime.h"

namespace bmptest {
#include "gfx/image/bmp_corpus.inc"

std::span<const CorpusFile> corpus() {
    return CORPUS;
}

const CorpusFile& corpusEntry(const char* name) {
    static const CorpusFile NONE{"", {}, {}};
    for (const CorpusFile& c : CORPUS)
        if (std::strcmp(c.name, name) == 0) return c;
    ADD_FAILURE() << "no corpus file " << name;
    return NONE;
}

} // namespace bmptest

namespace {

using namespace bmptest;
using File = std::vector<uint8_t>;

File corpusFile(const char* name) {
    std::span<const uint8_t> bmp = corpusEntry(name).bmp;
    return File(bmp.begin(), bmp.end());
}

int32_t decode(const File& file, BmpPicture* picture, uint64_t maxBytes = IMAGE_MAX_BYTES) {
    return bmpDecode(std::span<const uint8_t>(file.data(), file.size()), picture, maxBytes);
}

// The decoded pixel as 0xAARRGGBB (through the palette for indices).
uint32_t argbAt(const BmpPicture& p, int32_t x, int32_t y) {
    const uint8_t* row = p.pixels + static_cast<size_t>(y) * p.pitch;
    if (p.indexed) return 0xFF000000u | p.palette[row[x]];
    uint32_t v;
    std::memcpy(&v, row + 4 * x, 4);
    return v;
}

// The first pixel that differs from the RGBA reference in the bits of
// `compared` (0xAARRGGBB), or "".
std::string firstDifference(const BmpPicture& p, const uint8_t* rgba,
                            uint32_t compared = 0xFFFFFFFFu) {
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* e = rgba + 4 * (static_cast<size_t>(y) * p.width + x);
            uint32_t expected = static_cast<uint32_t>(e[3]) << 24 | e[0] << 16 | e[1] << 8 | e[2];
            uint32_t got = argbAt(p, x, y);
            if ((got ^ expected) & compared) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d): 0x%08X, expected 0x%08X", x, y, got,
                              expected);
                return text;
            }
        }
    return "";
}

File encode(const BmpPicture& p) {
    File out(bmpEncodedSize(p));
    EXPECT_FALSE(out.empty());
    if (!out.empty()) bmpEncode(p, out.data());
    return out;
}

TEST(BmpCorpus, DecodesAsImageMagickDoes) {
    ASSERT_GE(corpus().size(), 28u);
    for (const CorpusFile& c : corpus()) {
        SCOPED_TRACE(c.name);
        BmpPicture p;
        ASSERT_EQ(bmpDecode(c.bmp, &p), 0);
        EXPECT_EQ(p.width, 37);
        EXPECT_EQ(p.height, 23);
        ASSERT_EQ(c.rgba.size(), 37u * 23 * 4);
        // ImageMagick widens 4-bit channels and a 1-bit alpha by a shift
        // (15 becomes 240, 1 becomes 128); this decoder repeats the bits
        // (255), as it does for the 5- and 6-bit channels, where the two
        // agree. For those two files the stored bits are compared.
        uint32_t compared = std::strcmp(c.name, "argb4444") == 0   ? 0xF0F0F0F0u
                            : std::strcmp(c.name, "argb1555") == 0 ? 0x80F8F8F8u
                                                                   : 0xFFFFFFFFu;
        EXPECT_EQ(firstDifference(p, c.rgba.data(), compared), "");
        bmpFreePicture(&p);
    }
}

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
constexpr bool HOST_TOOLS = false;
#else
constexpr bool HOST_TOOLS = true;
#endif

// What this codec writes, read by ImageMagick: the writer checked by a reader
// other than its own. Where ImageMagick is present (the native build).
TEST(BmpCorpus, WrittenFilesReadByImageMagick) {
    if (!HOST_TOOLS || std::system("convert -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no ImageMagick here";
    for (const char* name : {"p8", "p4few", "rgb24", "v5argb32", "argb32"}) {
        SCOPED_TRACE(name);
        BmpPicture p;
        ASSERT_EQ(decode(corpusFile(name), &p), 0);
        File written = encode(p);
        std::string base = testing::TempDir() + "zq_bmp_" + name;
        FILE* f = std::fopen((base + ".bmp").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(written.data(), 1, written.size(), f), written.size());
        std::fclose(f);
        std::string command = "convert " + base + ".bmp -depth 8 rgba:" + base + ".rgba";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::vector<uint8_t> rgba(37 * 23 * 4 + 1);
        f = std::fopen((base + ".rgba").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fread(rgba.data(), 1, rgba.size(), f), rgba.size() - 1);
        std::fclose(f);
        EXPECT_EQ(firstDifference(p, rgba.data()), "");
        std::remove((base + ".bmp").c_str());
        std::remove((base + ".rgba").c_str());
        bmpFreePicture(&p);
    }
}

void put16(File& f, size_t at, uint32_t v) {
    f[at] = static_cast<uint8_t>(v);
    f[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(File& f, size_t at, uint32_t v) {
    put16(f, at, v);
    put16(f, at + 2, v >> 16);
}

void expectRefused(const File& file, const std::string& what) {
    BmpPicture p;
    p.pixels = reinterpret_cast<uint8_t*>(&p); // must come back empty
    EXPECT_EQ(decode(file, &p), RT_ERR_BAD_FILE_FORMAT) << what;
    EXPECT_EQ(p.pixels, nullptr) << what;
    EXPECT_EQ(p.width, 0) << what;
    bmpFreePicture(&p);
}

// Every shorter piece of a file is refused (a copy of just that many bytes,
// so reading one more is a sanitizer report).
TEST(BmpMalformed, EveryTruncationRefused) {
    for (const char* name : {"p1", "core4", "p4", "rle4", "rle4_move", "rle8few", "rgb565",
                             "v5argb32", "p8_topdown"}) {
        File whole = corpusFile(name);
        for (size_t length = 0; length < whole.size(); ++length)
            expectRefused(File(whole.begin(), whole.begin() + length),
                          std::string(name) + " cut at " + std::to_string(length));
    }
}

// Offsets in the info header (from the file's start).
enum : size_t {
    DATA_AT = 10,
    HEADER_SIZE = 14,
    WIDTH = 18,
    HEIGHT = 22,
    PLANES = 26,
    BITS = 28,
    COMPRESSION = 30,
    COLOURS = 46,
    RED_MASK = 54,
    ALPHA_MASK = 66,
};

struct Mutation {
    const char* base;
    const char* what;
    size_t at;
    int32_t bytes; // 2 or 4
    uint32_t value;
};

TEST(BmpMalformed, HeaderFieldsChecked) {
    const Mutation table[] = {
        {"p8", "magic", 0, 2, 0x4142},
        {"p8", "header size 0", HEADER_SIZE, 4, 0},
        {"p8", "OS/2 header size 64", HEADER_SIZE, 4, 64},
        {"p8", "a V5 header over the palette", HEADER_SIZE, 4, 124},
        {"p8", "header size 0xFFFFFFFF", HEADER_SIZE, 4, 0xFFFFFFFFu},
        {"p8", "width 0", WIDTH, 4, 0},
        {"p8", "width negative", WIDTH, 4, 0xFFFFFFFFu},
        {"p8", "width beyond a side", WIDTH, 4, IMAGE_MAX_SIDE + 1},
        {"p8", "width past the data", WIDTH, 4, 41},
        {"p8", "height 0", HEIGHT, 4, 0},
        {"p8", "height beyond a side", HEIGHT, 4, IMAGE_MAX_SIDE + 1},
        {"p8", "height most negative", HEIGHT, 4, 0x80000000u},
        {"p8", "height past the data", HEIGHT, 4, 24},
        {"p8", "huge picture, tiny file", WIDTH, 4, IMAGE_MAX_SIDE},
        {"p8", "planes 2", PLANES, 2, 2},
        {"p8", "bits 0", BITS, 2, 0},
        {"p8", "bits 3", BITS, 2, 3},
        {"p8", "bits 64", BITS, 2, 64},
        {"p8", "compression JPEG", COMPRESSION, 4, 4},
        {"p8", "compression unknown", COMPRESSION, 4, 0x7FFFFFFF},
        {"p8", "bit fields at 8 bits", COMPRESSION, 4, 3},
        {"p8", "RLE4 at 8 bits", COMPRESSION, 4, 2},
        {"p4", "RLE8 at 4 bits", COMPRESSION, 4, 1},
        {"rgb24", "bit fields at 24 bits", COMPRESSION, 4, 3},
        {"p8", "257 colours at 8 bits", COLOURS, 4, 257},
        {"p4", "17 colours at 4 bits", COLOURS, 4, 17},
        {"p1", "3 colours at 1 bit", COLOURS, 4, 3},
        {"p8", "pixels before the palette's end", DATA_AT, 4, 54 + 4 * 255},
        {"p8", "pixels inside the header", DATA_AT, 4, 20},
        {"p8", "pixels past the end", DATA_AT, 4, 1999},
        {"p8", "pixels at 0xFFFFFFFF", DATA_AT, 4, 0xFFFFFFFFu},
        {"rgb24", "pixels offset by one", DATA_AT, 4, 55},
        {"rle8", "RLE top-down", HEIGHT, 4, static_cast<uint32_t>(-23)},
        {"rle4", "RLE4 top-down", HEIGHT, 4, static_cast<uint32_t>(-23)},
        {"rgb565", "mask of two runs", RED_MASK, 4, 0xF00F},
        {"rgb565", "16-bit mask beyond 16 bits", RED_MASK, 4, 0x1F0000},
        {"v5argb32", "alpha mask of two runs", ALPHA_MASK, 4, 0xF0F00000u},
        {"core8", "core header: bits 16", 24, 2, 16},
        {"core8", "core header: width 0", 18, 2, 0},
        {"core8", "core header: planes 0", 22, 2, 0},
        {"core24", "core header: height past the data", 20, 2, 24},
    };
    for (const Mutation& m : table) {
        File f = corpusFile(m.base);
        if (m.bytes == 2)
            put16(f, m.at, m.value);
        else
            put32(f, m.at, m.value);
        expectRefused(f, std::string(m.base) + ": " + m.what);
    }
    // A picture the file could hold but the caller's limit refuses.
    BmpPicture p;
    EXPECT_EQ(decode(corpusFile("rgb24"), &p, 37 * 23 * 4 - 1), RT_ERR_BAD_FILE_FORMAT);
    EXPECT_EQ(decode(corpusFile("rgb24"), &p, 37 * 23 * 4), 0);
    bmpFreePicture(&p);
}

// A 5 x 3 run-length file (4 or 8 bits, palette entry i = i * 0x010101).
File runLengthFile(int32_t bits, std::initializer_list<uint8_t> stream, int32_t width = 5,
                   int32_t height = 3) {
    int32_t colours = 1 << bits;
    File f(54 + 4 * colours);
    f[0] = 'B', f[1] = 'M';
    put32(f, DATA_AT, static_cast<uint32_t>(f.size()));
    put32(f, HEADER_SIZE, 40);
    put32(f, WIDTH, static_cast<uint32_t>(width));
    put32(f, HEIGHT, static_cast<uint32_t>(height));
    put16(f, PLANES, 1);
    put16(f, BITS, static_cast<uint32_t>(bits));
    put32(f, COMPRESSION, bits == 8 ? 1 : 2);
    for (int32_t i = 0; i < colours; ++i)
        put32(f, 54 + 4 * i, static_cast<uint32_t>(i) * 0x010101);
    f.insert(f.end(), stream);
    return f;
}

// The rows top first, one character a pixel: the index in hex.
std::string rows(const BmpPicture& p) {
    std::string out;
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x)
            out += "0123456789ABCDEF"[p.pixels[y * p.pitch + x] & 15];
        out += y + 1 < p.height ? "/" : "";
    }
    return out;
}

TEST(BmpRunLength, StreamsDecodedOrRefused) {
    struct Case {
        const char* what;
        File file;
        const char* expected; // null: refused
    };
    const Case cases[] = {
        {"runs, rows, end", runLengthFile(8, {5, 1, 0, 0, 2, 2, 3, 3, 0, 0, 5, 4, 0, 1}),
         "44444/22333/11111"},
        {"literal pixels, padded", runLengthFile(8, {0, 3, 7, 8, 9, 0, 2, 1, 0, 1}),
         "00000/00000/78911"},
        {"end of picture early", runLengthFile(8, {2, 5, 0, 1}), "00000/00000/55000"},
        {"a move", runLengthFile(8, {1, 6, 0, 2, 3, 1, 1, 7, 0, 1}), "00000/00007/60000"},
        {"move to the row's end", runLengthFile(8, {0, 2, 5, 2, 0, 1}), "00000/00000/00000"},
        {"4 bits: halves alternate",
         runLengthFile(4, {5, 0x12, 0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 1}), "00000/ABCDE/12121"},
        {"4 bits, literal of 3 padded", runLengthFile(4, {0, 3, 0x9A, 0xB0, 2, 0x11, 0, 1}),
         "00000/00000/9AB11"},
        // Pixels past the row's end are its padding: dropped.
        {"run past the row", runLengthFile(8, {6, 1, 2, 2, 0, 0, 1, 3, 0, 1}), "00000/30000/11111"},
        {"literal past the row", runLengthFile(8, {2, 1, 0, 4, 5, 6, 7, 8, 0, 1}),
         "00000/00000/11567"},
        {"4-bit literal past the row", runLengthFile(4, {0, 7, 0x12, 0x34, 0x56, 0x70, 0, 1}),
         "00000/00000/12345"},
        {"literal cut short", runLengthFile(8, {0, 4, 1, 2, 3}), nullptr},
        {"literal's padding missing", runLengthFile(8, {0, 3, 1, 2, 3}), nullptr},
        {"move past the width", runLengthFile(8, {0, 2, 6, 0, 0, 1}), nullptr},
        {"move past the top", runLengthFile(8, {0, 2, 0, 3, 0, 1}), nullptr},
        {"move cut short", runLengthFile(8, {0, 2, 1}), nullptr},
        {"row end past the top", runLengthFile(8, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}), nullptr},
        {"run above the top", runLengthFile(8, {0, 0, 0, 0, 0, 0, 1, 1, 0, 1}), nullptr},
        {"no end of picture", runLengthFile(8, {5, 1, 0, 0, 5, 2, 0, 0, 5, 3, 0, 0}), nullptr},
        {"odd byte at the end", runLengthFile(8, {5, 1, 0}), nullptr},
        {"empty stream", runLengthFile(8, {}), nullptr},
    };
    for (const Case& c : cases) {
        BmpPicture p;
        int32_t rc = decode(c.file, &p);
        if (c.expected) {
            EXPECT_EQ(rc, 0) << c.what;
            if (rc == 0) {
                EXPECT_EQ(rows(p), c.expected) << c.what;
            }
        } else {
            EXPECT_EQ(rc, RT_ERR_BAD_FILE_FORMAT) << c.what;
            EXPECT_EQ(p.pixels, nullptr) << c.what;
        }
        bmpFreePicture(&p);
    }
    // A tiny stream cannot ask for more than a screen's bytes.
    BmpPicture p;
    EXPECT_EQ(decode(runLengthFile(8, {0, 1}, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE), &p),
              RT_ERR_BAD_FILE_FORMAT);
    EXPECT_EQ(decode(runLengthFile(8, {0, 1}, 4096, 4096), &p, 4096 * 4096 - 1),
              RT_ERR_BAD_FILE_FORMAT);
}

} // namespace
