// Single drawing calls with the costliest arguments found so far, each on
// screen 21 (1280 x 1024, Null driver). Every call must finish within 50 ms of
// processor time: the counter max_ms is the slowest single call of the run,
// and a family whose slowest call is above the limit ends with an error.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <cstdlib>
#include <vector>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "runtime/print.h"

namespace {

constexpr double LIMIT_MS = 50;

void openScreen21() {
    if (!gfxMode || gfxMode->modeNumber != 21) gfxScreen(21, 0, 1, SCRF_NULL, 0);
}

// Processor time of this thread in milliseconds: what a call costs, without
// the time other programs on a busy machine take from it.
double threadMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times every call of the family on its own; the benchmark's time is the
// mean of a call, max_ms the slowest single call.
void timeEachCall(benchmark::State& state, std::initializer_list<std::function<void()>> calls) {
    openScreen21();
    double slowest = 0;
    for (auto _ : state) {
        double total = 0;
        for (const auto& call : calls) {
            double start = threadMs();
            call();
            double took = threadMs() - start;
            total += took;
            if (took > slowest) slowest = took;
        }
        state.SetIterationTime(total / 1000 / static_cast<double>(calls.size()));
    }
    state.counters["max_ms"] = slowest;
    if (slowest > LIMIT_MS) state.SkipWithError("a single call took more than 50 ms");
}

void arc(float x, float y, float radius, float aspect, float start, float end) {
    gfxCircle(nullptr, x, y, radius, 15, aspect, start, end, 0, 0);
}

// Arcs whose radius reaches far beyond the screen: one that leaves the screen
// at once, one that crosses it, one that wraps through zero.
void hugeArcs(benchmark::State& state) {
    float r = static_cast<float>(state.range(0));
    timeEachCall(state,
                 {[r] { arc(640, 512, r, 1, 0, 1); }, [r] { arc(640, 512 + r, r, 1, 1.5f, 1.65f); },
                  [r] { arc(640 - r, 512, r, 1, 6.0f, 0.3f); }});
}

// Angles that once made the wrapping loops or the arc loop run for seconds:
// a thin ellipse to the float limit, huge starts, both radius lines.
void hugeAngles(benchmark::State& state) {
    timeEachCall(state, {[] { arc(640, 512, 300, 0.001f, 0, 3e38f); },
                         [] { arc(640, 512, 300, 1000, 1e30f, 2); },
                         [] { arc(640, 512, 300, 1, -3e38f, -1e20f); },
                         [] { arc(640, 512, 1e9f, 0.5f, 1e7f, 3e7f); }});
}

// Whole ellipses at the rasteriser's limit and above, outline and filled.
void hugeEllipses(benchmark::State& state) {
    float r = static_cast<float>(state.range(0));
    timeEachCall(state, {[r] { gfxCircle(nullptr, 640, 512, r, 15, 1, 0, FULL_TURN, 0, 0); },
                         [r] { gfxCircle(nullptr, 640, 512, r, 15, 0.001f, 0, FULL_TURN, 1, 0); },
                         [r] { gfxCircle(nullptr, 640, 512 + r, r, 15, 1, 0, FULL_TURN, 1, 0); }});
}

// Lines and boxes from and to the coordinate limits, with patterns.
void hugeLines(benchmark::State& state) {
    timeEachCall(state, {[] { gfxLine(nullptr, -3e38f, -3e38f, 3e38f, 3e38f, 15, 0, 0xAAAA, 0); },
                         [] { gfxLine(nullptr, -1e9f, 5, 1e9f, 7, 15, 0, 0xF0F0, 0); },
                         [] { gfxLine(nullptr, -1e9f, -1e9f, 1e9f, 1e9f, 15, 2, 0xFFFF, 0); },
                         [] { gfxLine(nullptr, -1e9f, -1e9f, 1e9f, 1e9f, 15, 1, 0x8421, 0); }});
}

// An image as tall as a screen may be, its header changed before every PSET:
// each call describes it again and builds its line table.
void tallImage(benchmark::State& state) {
    static std::vector<uint8_t> bytes(sizeof(ImageHeader) + 2 * 0xFFFF);
    timeEachCall(state, {[] {
                     ImageHeader header;
                     std::memcpy(&header, bytes.data(), sizeof header);
                     header = {IMAGE_HEADER_NEW, 1, 1, 0xFFFF, header.pitch == 1 ? 2u : 1u, {}};
                     std::memcpy(bytes.data(), &header, sizeof header);
                     gfxPset(bytes.data(), 0, 0xFFFE, 15, COORD_ONE_ABS, 0);
                 }});
}

// DRAW's longest moves at the largest scale, every direction and a slant,
// each clipped to one line across the screen; a string as long as the API
// fuzzer writes them.
void hugeDraws(benchmark::State& state) {
    auto run = [](const char* commands) {
        gfxDraw(nullptr, commands, static_cast<int32_t>(std::strlen(commands)));
    };
    timeEachCall(state, {[run] {
                             run("BM640,512S255U65535D65535L65535R65535E65535F65535G65535H65535"
                                 "TA-37M+65535,-65535NU65535NL65535TA1U65535TA89R65535");
                         },
                         [run] { run("S255TA33U65535TA-7D65535R65535L65535E65535H65535"); }});
}

// PAINT over the costliest pictures found: noise of single border pixels
// (a third of the screen, so one region with a ragged edge everywhere) at 8
// and 32 bits, with every other 8-bit value also present (the fill must
// borrow a value to tell reached pixels apart), and a tile. The picture is
// made again before each fill, outside the time.
void noisyPaints(benchmark::State& state) {
    const int32_t depth = static_cast<int32_t>(state.range(0));
    gfxScreenSize(1280, 1024, depth, 1, SCRF_NULL, 0);
    const int32_t bytes = depth / 8;
    uint32_t seed = 12345;
    auto noise = [&] {
        for (int32_t y = 0; y < 1024; ++y) {
            uint8_t* row = gfxMode->pages[0] + static_cast<ptrdiff_t>(y) * gfxMode->pitch;
            for (int32_t x = 0; x < 1280; ++x) {
                seed = seed * 1664525u + 1013904223u;
                uint32_t v = (seed >> 8) % 3 == 0 ? 15 : 16 + (seed >> 16) % 240;
                std::memcpy(row + x * bytes, &v, static_cast<size_t>(bytes));
            }
        }
    };
    static const uint8_t TILE[8 * 4 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 15};
    double slowest = 0;
    for (auto _ : state) {
        double total = 0;
        for (int call = 0; call < 2; ++call) {
            noise();
            double start = threadMs();
            if (call == 0)
                gfxPaint(nullptr, 640, 512, 4, 15, COORD_ONE_ABS);
            else
                gfxPaintTile(nullptr, 640, 512, TILE, 8 * bytes * 3, 15, nullptr, COORD_ONE_ABS);
            double took = threadMs() - start;
            total += took;
            if (took > slowest) slowest = took;
        }
        state.SetIterationTime(total / 1000 / 2);
    }
    state.counters["max_ms"] = slowest;
    if (slowest > LIMIT_MS) state.SkipWithError("a single call took more than 50 ms");
}

BENCHMARK(hugeArcs)->Arg(10'000'000)->Arg(100'000'000)->Arg(1'000'000'000)->UseManualTime();
BENCHMARK(hugeAngles)->UseManualTime();
BENCHMARK(hugeEllipses)->Arg(1 << 20)->Arg(1'000'000'000)->UseManualTime();
BENCHMARK(hugeLines)->UseManualTime();
BENCHMARK(tallImage)->UseManualTime();
BENCHMARK(hugeDraws)->UseManualTime();
BENCHMARK(noisyPaints)->Arg(8)->Arg(16)->Arg(32)->UseManualTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
