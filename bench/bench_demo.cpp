// The demonstration's drawing (steps 2 to 5 on the Null driver) against a
// hand-written loop doing the same arithmetic on a plain byte array.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/demo.h"
#include "gfx/core/mode.h"
#include "tools/demo_reference.h"

namespace {

// Random hits per run (the hit counter goes from 0 to 6553600 inclusive):
// items per second is hits per second, comparable between the two paths.
constexpr int64_t DEMO_HITS = 6553601;

void runtimePath(benchmark::State& state) {
    setenv("ZQGFX", "null", 1);
    for (auto _ : state) {
        demoResetRandom();
        demoDraw();
        if (!gfxMode) {
            state.SkipWithError("screen 21 did not open on the Null driver");
            break;
        }
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
    }
    state.SetItemsProcessed(state.iterations() * DEMO_HITS);
}

void handWritten(benchmark::State& state) {
    std::vector<uint8_t> frame(DEMO_WIDTH * DEMO_HEIGHT);
    for (auto _ : state) {
        std::memset(frame.data(), 0, frame.size());
        demoReference(frame.data());
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations() * DEMO_HITS);
}

BENCHMARK(runtimePath)->Name("demo/runtime")->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(handWritten)->Name("demo/handwritten")->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

BENCHMARK_MAIN();
