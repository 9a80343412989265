// Blitter speed on a 1280 x 1024 frame with every row dirty: the portable and
// vector families against SDL2 and pixman doing the same conversion, and a
// frame-sized memcpy as the bandwidth bound. Times are per frame. Every
// implementation converts the same shared source frames into a destination
// of its own placed the same way, over and over, so all of them run with
// their frames in the shared cache (a 5 MB frame fits there): run with
// --benchmark_enable_random_interleaving and repetitions on a busy machine.
#include <benchmark/benchmark.h>

#define SDL_MAIN_HANDLED // the benchmark has its own main
#include <SDL.h>
#include <pixman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gfx/blit/blit.h"
#include "gfx/core/mode.h"

namespace {

constexpr int32_t WIDTH = 1280, HEIGHT = 1024;

struct Conversion {
    int32_t sourceDepth, displayDepth;
    bool swapped;
};

int32_t bytesOf(int32_t depth) {
    return depth <= 8 ? 1 : depth <= 16 ? 2 : depth / 8;
}

std::string nameOf(const Conversion& c) {
    return std::to_string(c.sourceDepth) + "to" + std::to_string(c.displayDepth) +
           (c.swapped ? "s" : "");
}

// Memory placed as the product places it: a mode's page sits 32 bytes into
// its allocation (16-byte aligned after the stored allocation address), a
// display bitmap starts on a page. Every implementation gets the same
// placement, so none gains or loses by accidental address aliasing.
struct Buffer {
    std::vector<uint8_t> storage;
    uint8_t* bytes = nullptr;
    Buffer() = default;
    Buffer(size_t size, size_t offset) : storage(size + 8192, 0) {
        const uintptr_t start = reinterpret_cast<uintptr_t>(storage.data());
        bytes = storage.data() + ((4096 - start % 4096) % 4096) + offset;
    }
    uint8_t* data() { return bytes; }
};
constexpr size_t PAGE_OFFSET = 32, BITMAP_OFFSET = 0;

// One random frame per source depth, shared by every benchmark.
struct Frames {
    Buffer pixels[3];
    std::vector<uint32_t> palette = std::vector<uint32_t>(256);
    std::vector<uint8_t> dirty = std::vector<uint8_t>(HEIGHT, 1);
    std::vector<uint32_t> tables = std::vector<uint32_t>(GFX_BLIT_TABLES_SIZE / 4);
    Frames() {
        std::mt19937 rng(7);
        for (int32_t i = 0; i < 3; ++i) {
            const size_t size = static_cast<size_t>(WIDTH) * HEIGHT * (i == 0 ? 1 : 2 * i);
            pixels[i] = Buffer(size, PAGE_OFFSET);
            for (size_t b = 0; b < size; ++b)
                pixels[i].data()[b] = static_cast<uint8_t>(rng());
        }
        for (auto& e : palette)
            e = rng() & 0xFFFFFF;
    }
    Buffer& of(int32_t depth) { return pixels[depth == 8 ? 0 : depth / 16]; }
};

Frames& frames() {
    static Frames f;
    return f;
}

void ourBlit(benchmark::State& state, Conversion c, uint32_t flags) {
    Frames& f = frames();
    GfxMode mode{};
    mode.width = WIDTH;
    mode.height = HEIGHT;
    mode.depth = c.sourceDepth;
    mode.bytesPerPixel = bytesOf(c.sourceDepth);
    mode.pitch = WIDTH * mode.bytesPerPixel;
    mode.lineMultiplier = 1;
    mode.flags = flags;
    mode.framebuffer = f.of(c.sourceDepth).data();
    mode.palette = f.palette.data();
    mode.dirtyLines = f.dirty.data();
    gfxMode = &mode;
    gfxBlitTables = f.tables.data();
    const Blitter blit = gfxSelectBlitter(c.displayDepth, c.swapped);
    const int32_t pitch = WIDTH * bytesOf(c.displayDepth);
    Buffer out(static_cast<size_t>(pitch) * HEIGHT, BITMAP_OFFSET);
    if (!blit) state.SkipWithError("no blitter");
    for (auto _ : state) {
        blit(out.data(), pitch);
        benchmark::ClobberMemory();
    }
    gfxMode = nullptr;
    gfxBlitTables = nullptr;
}

uint32_t sdlFormat(int32_t depth, bool swapped, bool source) {
    switch (depth) {
    case 8:
        return SDL_PIXELFORMAT_INDEX8;
    case 15:
        return swapped ? SDL_PIXELFORMAT_BGR555 : SDL_PIXELFORMAT_RGB555;
    case 16:
        return source || !swapped ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_BGR565;
    case 24: // SDL names 24-bit formats by memory order
        return swapped ? SDL_PIXELFORMAT_RGB24 : SDL_PIXELFORMAT_BGR24;
    default:
        return source || !swapped ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_BGR888;
    }
}

void sdlBlit(benchmark::State& state, Conversion c) {
    Frames& f = frames();
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        f.of(c.sourceDepth).data(), WIDTH, HEIGHT, bytesOf(c.sourceDepth) * 8,
        WIDTH * bytesOf(c.sourceDepth), sdlFormat(c.sourceDepth, false, true));
    const int32_t pitch = WIDTH * bytesOf(c.displayDepth);
    Buffer out(static_cast<size_t>(pitch) * HEIGHT, BITMAP_OFFSET);
    SDL_Surface* target =
        SDL_CreateRGBSurfaceWithFormatFrom(out.data(), WIDTH, HEIGHT, bytesOf(c.displayDepth) * 8,
                                           pitch, sdlFormat(c.displayDepth, c.swapped, false));
    if (!source || !target) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    if (c.sourceDepth == 8) {
        SDL_Color colors[256];
        for (int32_t i = 0; i < 256; ++i) {
            const uint32_t e = f.palette[i];
            colors[i] = {static_cast<uint8_t>(e), static_cast<uint8_t>(e >> 8),
                         static_cast<uint8_t>(e >> 16), 255};
        }
        SDL_SetPaletteColors(source->format->palette, colors, 0, 256);
    }
    SDL_SetSurfaceRLE(source, 0);
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    for (auto _ : state) {
        SDL_BlitSurface(source, nullptr, target, nullptr);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(target);
    SDL_FreeSurface(source);
}

pixman_format_code_t pixmanFormat(int32_t depth, bool swapped, bool source) {
    switch (depth) {
    case 8:
        return PIXMAN_c8;
    case 15:
        return swapped ? PIXMAN_x1b5g5r5 : PIXMAN_x1r5g5b5;
    case 16:
        return source || !swapped ? PIXMAN_r5g6b5 : PIXMAN_b5g6r5;
    case 24: // pixman names 24-bit formats by value, red high: bytes blue, green, red
        return swapped ? PIXMAN_b8g8r8 : PIXMAN_r8g8b8;
    default:
        return source || !swapped ? PIXMAN_x8r8g8b8 : PIXMAN_x8b8g8r8;
    }
}

void pixmanBlit(benchmark::State& state, Conversion c) {
    Frames& f = frames();
    static pixman_indexed_t indexed;
    indexed.color = 0;
    for (int32_t i = 0; i < 256; ++i) {
        const uint32_t e = f.palette[i];
        indexed.rgba[i] = 0xFF000000 | (e & 0xFF) << 16 | (e & 0xFF00) | (e >> 16 & 0xFF);
    }
    pixman_image_t* source = pixman_image_create_bits(
        pixmanFormat(c.sourceDepth, false, true), WIDTH, HEIGHT,
        reinterpret_cast<uint32_t*>(f.of(c.sourceDepth).data()), WIDTH * bytesOf(c.sourceDepth));
    if (c.sourceDepth == 8) pixman_image_set_indexed(source, &indexed);
    const int32_t pitch = WIDTH * bytesOf(c.displayDepth);
    Buffer out(static_cast<size_t>(pitch) * HEIGHT, BITMAP_OFFSET);
    pixman_image_t* target =
        pixman_image_create_bits(pixmanFormat(c.displayDepth, c.swapped, false), WIDTH, HEIGHT,
                                 reinterpret_cast<uint32_t*>(out.data()), pitch);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, target, 0, 0, 0, 0, 0, 0, WIDTH,
                                 HEIGHT);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(target);
    pixman_image_unref(source);
}

// The bandwidth bound: the shared 32-bit frame (the 32-bit blitters' source,
// so the same placement and cache state) into a bitmap placed like theirs.
void frameCopy(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(WIDTH) * HEIGHT * 4;
    Buffer to(bytes, BITMAP_OFFSET);
    const uint8_t* from = frames().of(32).data();
    for (auto _ : state) {
        std::memcpy(to.data(), from, bytes);
        benchmark::ClobberMemory();
    }
}

void registerAll() {
    benchmark::RegisterBenchmark("blit/memcpy/frame32", frameCopy)->Unit(benchmark::kMillisecond);
    for (int32_t source : {8, 16, 32})
        for (int32_t display : {15, 16, 24, 32})
            for (bool swapped : {false, true}) {
                const Conversion c{source, display, swapped};
                const std::string base = "blit/" + nameOf(c) + "/";
                benchmark::RegisterBenchmark((base + "portable").c_str(), ourBlit, c, 0u)
                    ->Unit(benchmark::kMillisecond);
                benchmark::RegisterBenchmark((base + "vector").c_str(), ourBlit, c,
                                             uint32_t{MODE_MMX})
                    ->Unit(benchmark::kMillisecond);
                benchmark::RegisterBenchmark((base + "sdl2").c_str(), sdlBlit, c)
                    ->Unit(benchmark::kMillisecond);
                benchmark::RegisterBenchmark((base + "pixman").c_str(), pixmanBlit, c)
                    ->Unit(benchmark::kMillisecond);
            }
}

} // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
