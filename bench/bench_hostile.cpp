// Single drawing calls with the costliest arguments found so far, each on
// screen 21 (1280 x 1024, Null driver). Every call must finish within 50 ms:
// the counter max_ms is the slowest single call of the run, and a family
// whose slowest call is above the limit ends with an error.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
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

template <typename Call> void timeEachCall(benchmark::State& state, Call call) {
    openScreen21();
    double slowest = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        call();
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        if (took.count() > slowest) slowest = took.count();
        state.SetIterationTime(took.count() / 1000);
    }
    state.counters["max_ms"] = slowest;
    if (slowest > LIMIT_MS) state.SkipWithError("a single call took more than 50 ms");
}

void arc(float x, float y, float radius, float aspect, float start, float end) {
    gfxCircle(nullptr, x, y, radius, 15, aspect, start, end, 0, 0);
}

// Arcs and ellipses whose radius reaches far beyond the screen.
void hugeArcs(benchmark::State& state) {
    float radius = static_cast<float>(state.range(0));
    timeEachCall(state, [radius] {
        arc(640, 512, radius, 1, 0, 1);                 // leaves the screen at once
        arc(640, 512 + radius, radius, 1, 1.5f, 1.65f); // crosses the screen
        arc(640 - radius, 512, radius, 1, 6.0f, 0.3f);  // wraps through zero
    });
}

// Angles that once made the wrapping loops or the arc loop run for seconds.
void hugeAngles(benchmark::State& state) {
    timeEachCall(state, [] {
        arc(640, 512, 300, 0.001f, 0, 3e38f); // thin ellipse, end near the float limit
        arc(640, 512, 300, 1000, 1e30f, 2);
        arc(640, 512, 300, 1, -3e38f, -1e20f); // with both radius lines
        arc(640, 512, 1e9f, 0.5f, 1e7f, 3e7f);
    });
}

// Whole ellipses at the rasteriser's limit and above, outline and filled.
void hugeEllipses(benchmark::State& state) {
    float radius = static_cast<float>(state.range(0));
    timeEachCall(state, [radius] {
        gfxCircle(nullptr, 640, 512, radius, 15, 1, 0, FULL_TURN, 0, 0);
        gfxCircle(nullptr, 640, 512, radius, 15, 0.001f, 0, FULL_TURN, 1, 0);
        gfxCircle(nullptr, 640, 512 + radius, radius, 15, 1, 0, FULL_TURN, 1, 0);
    });
}

// Lines and boxes from and to the coordinate limits, with a pattern.
void hugeLines(benchmark::State& state) {
    timeEachCall(state, [] {
        gfxLine(nullptr, -3e38f, -3e38f, 3e38f, 3e38f, 15, 0, 0xAAAA, 0);
        gfxLine(nullptr, -1e9f, 5, 1e9f, 7, 15, 0, 0xF0F0, 0);
        gfxLine(nullptr, -1e9f, -1e9f, 1e9f, 1e9f, 15, 2, 0xFFFF, 0);
        gfxLine(nullptr, -1e9f, -1e9f, 1e9f, 1e9f, 15, 1, 0x8421, 0);
    });
}

// An image as tall as a screen may be: describing it builds the line table.
void tallImage(benchmark::State& state) {
    std::vector<uint8_t> bytes(sizeof(ImageHeader) + 2 * 0xFFFF);
    ImageHeader header = {IMAGE_HEADER_NEW, 1, 1, 0xFFFF, 1, {0, 0, 0}};
    timeEachCall(state, [&] {
        header.pitch = 3 - header.pitch; // a changed header is described again
        std::memcpy(bytes.data(), &header, sizeof header);
        gfxPset(bytes.data(), 0, 0xFFFE, 15, COORD_ONE_ABS, 0);
    });
}

BENCHMARK(hugeArcs)->Arg(10'000'000)->Arg(100'000'000)->Arg(1'000'000'000)->UseManualTime();
BENCHMARK(hugeAngles)->UseManualTime();
BENCHMARK(hugeEllipses)->Arg(1 << 20)->Arg(1'000'000'000)->UseManualTime();
BENCHMARK(hugeLines)->UseManualTime();
BENCHMARK(tallImage)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
