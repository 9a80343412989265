// DRAW with long command strings on screen 21 (Null driver) against the same
// lines drawn by LINE calls: what reading the string and turning the steps add.
// Items per second are moves per second on both sides.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

namespace {

constexpr int MOVES = 10000;

struct Figure {
    std::string commands;
    std::vector<float> ends; // x1, y1, x2, y2 of every drawn move, rounded
};

// Moves at any angle from a pen that comes back to the centre every eighth
// move: `longest` units at most, so long lines cross much of the screen and
// short ones cost little more than their reading.
Figure makeFigure(int longest) {
    Figure f;
    uint32_t seed = 1;
    double x = 640, y = 512;
    f.commands = "BM640,512";
    char text[48];
    for (int i = 0; i < MOVES; ++i) {
        seed = seed * 1664525u + 1013904223u;
        int degrees = static_cast<int>(seed >> 8) % 721 - 360;
        int units = 1 + static_cast<int>(seed >> 20) % longest;
        std::snprintf(text, sizeof text, "TA%d;R%d ", degrees, units);
        f.commands += text;
        double radians = degrees * 0.017453292519943295;
        double toX = x + units * std::cos(radians), toY = y - units * std::sin(radians);
        f.ends.insert(f.ends.end(),
                      {static_cast<float>(std::round(x)), static_cast<float>(std::round(y)),
                       static_cast<float>(std::round(toX)), static_cast<float>(std::round(toY))});
        x = toX, y = toY;
        if (i % 8 == 7) {
            f.commands += "BM640,512";
            x = 640, y = 512;
        }
    }
    return f;
}

void openScreen21() {
    if (!gfxMode || gfxMode->modeNumber != 21) gfxScreen(21, 0, 1, SCRF_NULL, 0);
}

void byDraw(benchmark::State& state) {
    openScreen21();
    Figure f = makeFigure(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        gfxDraw(nullptr, f.commands.data(), static_cast<int32_t>(f.commands.size()));
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
    }
    state.SetItemsProcessed(state.iterations() * MOVES);
    state.counters["bytes"] = static_cast<double>(f.commands.size());
}

void byLine(benchmark::State& state) {
    openScreen21();
    Figure f = makeFigure(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (size_t i = 0; i < f.ends.size(); i += 4)
            gfxLine(nullptr, f.ends[i], f.ends[i + 1], f.ends[i + 2], f.ends[i + 3], 0, 0, 0xFFFF,
                    FLAG_DEFAULT_COLOR);
        benchmark::DoNotOptimize(gfxMode->pages[0][0]);
    }
    state.SetItemsProcessed(state.iterations() * MOVES);
}

BENCHMARK(byDraw)->Name("draw/commands")->Arg(4)->Arg(400)->Unit(benchmark::kMicrosecond);
BENCHMARK(byLine)->Name("draw/same lines by LINE")->Arg(4)->Arg(400)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
