// PAINT on screen 21 (1280 x 1024, 8 bits, Null driver): the whole screen and
// a maze of 1-pixel corridors, against a memset of the same pixels.
//   bench_paint [benchmark flags]   the benchmarks, then the ratio line
//   bench_paint --ratio [N] [F]     the ratio line only: best of N alternating rounds,
//                                   with row-fill family F (1 portable, 2 128-bit
//                                   vectors, 3 256-bit vectors) when given
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/core/pixel.h"
#include "gfx/draw/draw.h"
#include "tools/maze.h"


namespace {

constexpr int32_t WIDTH = 1280, HEIGHT = 1024;

void openScreen21() {
    if (!gfxMode || gfxMode->modeNumber != 21) gfxScreen(21, 0, 1, SCRF_NULL, 0);
}

size_t pageBytes() {
    return static_cast<size_t>(gfxMode->pitch) * gfxMode->height;
}

// Each round fills the whole screen again: the screen holds the other colour
// of the two, and the border is the fill colour (PAINT's default).
void fillScreen(uint32_t colour) {
    gfxPaint(nullptr, WIDTH / 2, HEIGHT / 2, colour, 0, COORD_ONE_ABS | PAINT_DEFAULT_BORDER);
}

// A perfect maze from a fixed seed (tools/maze.h): walls of colour 1,
// corridors 0; far more branches than the work list holds.
void drawMaze() {
    uint8_t* page = gfxMode->pages[0];
    int32_t pitch = gfxMode->pitch;
    for (int32_t y = 0; y < HEIGHT; ++y)
        std::memset(page + static_cast<ptrdiff_t>(y) * pitch, 1, WIDTH);
    carveMaze(WIDTH, HEIGHT, 2024, [&](int32_t x, int32_t y) { page[y * pitch + x] = 0; });
}

void fullScreen(benchmark::State& state) {
    openScreen21();
    uint32_t colour = 1;
    for (auto _ : state) {
        colour ^= 3;
        fillScreen(colour);
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
    }
    state.SetBytesProcessed(state.iterations() * WIDTH * HEIGHT);
}

void memsetScreen(benchmark::State& state) {
    openScreen21();
    int colour = 1;
    for (auto _ : state) {
        colour ^= 3;
        std::memset(gfxMode->pages[0], colour, pageBytes());
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
    }
    state.SetBytesProcessed(state.iterations() * WIDTH * HEIGHT);
}

// The span routine PAINT writes with, over the same pixels at once.
void memFillScreen(benchmark::State& state) {
    openScreen21();
    uint8_t colour = 1;
    for (auto _ : state) {
        colour ^= 3;
        gfxMemFill(gfxMode->pages[0], colour, pageBytes());
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
    }
    state.SetBytesProcessed(state.iterations() * WIDTH * HEIGHT);
}

// The corridors filled in turn with 2 and 3, bounded by the walls (1).
void maze(benchmark::State& state) {
    openScreen21();
    drawMaze();
    uint32_t colour = 2;
    for (auto _ : state) {
        colour ^= 1;
        gfxPaint(nullptr, 1, 1, colour, 1, COORD_ONE_ABS);
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
    }
    state.SetBytesProcessed(state.iterations() * WIDTH * HEIGHT);
}

BENCHMARK(fullScreen)->Name("paint/full_screen")->Unit(benchmark::kMicrosecond);
BENCHMARK(memsetScreen)->Name("paint/memset_screen")->Unit(benchmark::kMicrosecond);
BENCHMARK(memFillScreen)->Name("paint/gfxMemFill_screen")->Unit(benchmark::kMicrosecond);
BENCHMARK(maze)->Name("paint/maze")->Unit(benchmark::kMillisecond);

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// The whole-screen fill and the memset, alternating in one process; the best
// of `rounds` each.
int printRatio(int rounds) {
    openScreen21();
    if (!gfxMode) {
        std::fprintf(stderr, "screen 21 did not open on the Null driver\n");
        return 1;
    }
    std::memset(gfxMode->pages[0], 2, pageBytes());
    double bestFill = 1e30, bestMemset = 1e30;
    for (int i = 0; i < rounds; ++i) {
        double start = nowMs();
        fillScreen(1); // over the 2s the memset left
        double filled = nowMs();
        std::memset(gfxMode->pages[0], 2, pageBytes());
        double cleared = nowMs();
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
        if (filled - start < bestFill) bestFill = filled - start;
        if (cleared - filled < bestMemset) bestMemset = cleared - filled;
    }
    std::printf("paint full screen: fill %.3f ms, memset %.3f ms, ratio %.2f\n", bestFill,
                bestMemset, bestFill / bestMemset);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--ratio") == 0) {
        if (argc > 3) gfxPaintFamilyOverride = std::atoi(argv[3]);
        return printRatio(argc > 2 ? std::atoi(argv[2]) : 200);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return printRatio(200);
}
