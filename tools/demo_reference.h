// The demonstration's drawing written directly on a 1280 x 1024 byte array:
// the same random numbers, the same raise to 15, the same six-pixel ring
// (mode 21's circle of radius 1.25) and the same second pass, without the
// graphics layer. Used as the yardstick of the demo benchmark and as an
// independent check of the runtime path's picture.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "runtime/rnd.h"

constexpr int32_t DEMO_WIDTH = 1280;
constexpr int32_t DEMO_HEIGHT = 1024;

// Restarts RND at its fixed seed, as at process start.
inline void demoResetRandom() {
    rndCurrent = rndFirstCall;
}

inline void demoReferenceRing(uint8_t* frame, int32_t cx, int32_t cy) {
    // Horizontal radius 1.25 / aspect = 1.1718749, truncated towards zero.
    const float a = 1.1718749f;
    int32_t x1 = static_cast<int32_t>(cx - a), x2 = static_cast<int32_t>(cx + a);
    auto plot = [frame](int32_t x, int32_t y) {
        if (x >= 0 && x < DEMO_WIDTH && y >= 0 && y < DEMO_HEIGHT) frame[y * DEMO_WIDTH + x] = 15;
    };
    plot(x1, cy);
    plot(x2, cy);
    for (int32_t y : {cy + 1, cy - 1}) {
        plot(x1 + 1, y);
        plot(x2 - 1, y);
    }
}

// frame: DEMO_WIDTH * DEMO_HEIGHT bytes, zero on entry.
inline void demoReference(uint8_t* frame) {
    demoResetRandom();
    for (float hit = 0.0f; hit <= 6553600.0f; hit = hit + 1.0f) {
        auto x = static_cast<int32_t>(std::floor(rtRnd(1.0f) * 1280.0));
        auto y = static_cast<int32_t>(std::floor(rtRnd(1.0f) * 1024.0));
        uint8_t& pixel = frame[y * DEMO_WIDTH + x];
        if (pixel < 15) ++pixel;
        if (pixel == 15) demoReferenceRing(frame, x, y);
    }
    for (int32_t i = 0; i < DEMO_WIDTH * DEMO_HEIGHT; ++i)
        if (frame[i] < 15) frame[i] = 0;
}
