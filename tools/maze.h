// A perfect maze of 1-pixel corridors and walls from a fixed seed, for the
// PAINT tests and benchmark: every corridor pixel reaches every other one, by
// one path only (a long walk with many branches). The caller fills the
// width x height area with wall first; `carve(x, y)` opens a corridor pixel.
#pragma once

#include <cstdint>
#include <vector>

template <class Carve> void carveMaze(int32_t width, int32_t height, uint32_t seed, Carve carve) {
    int32_t cw = (width - 1) / 2, ch = (height - 1) / 2;
    std::vector<char> seen(static_cast<size_t>(cw) * ch, 0);
    std::vector<int32_t> path = {0};
    seen[0] = 1;
    carve(1, 1);
    const int32_t dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    while (!path.empty()) {
        int32_t cell = path.back(), cx = cell % cw, cy = cell / cw;
        int32_t options[4], n = 0;
        for (int i = 0; i < 4; ++i) {
            int32_t nx = cx + dx[i], ny = cy + dy[i];
            if (nx >= 0 && nx < cw && ny >= 0 && ny < ch && !seen[ny * cw + nx]) options[n++] = i;
        }
        if (n == 0) {
            path.pop_back();
            continue;
        }
        seed = seed * 1664525u + 1013904223u;
        int i = options[(seed >> 8) % n];
        int32_t nx = cx + dx[i], ny = cy + dy[i];
        seen[ny * cw + nx] = 1;
        carve(2 * cx + 1 + dx[i], 2 * cy + 1 + dy[i]);
        carve(2 * nx + 1, 2 * ny + 1);
        path.push_back(ny * cw + nx);
    }
}
