// Random numbers.
#include "runtime/rnd.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/platform.h"
#include "runtime/runtime.h"

RndRoutine rndCurrent = rndFirstCall;
uint32_t rndSeed = RND_INITIAL_SEED;
uint32_t rndState[RND_MT_WORDS];
uint32_t* rndNext = nullptr;
double rndLast = 0.0;

namespace {

constexpr RtReal TWO_POW_M15 = RtReal{1} / 32768;
constexpr RtReal TWO_POW_M24 = RtReal{1} / 16777216;
constexpr RtReal TWO_POW_M32 = RtReal{1} / 4294967296;

// Truncation toward zero that never invokes undefined behaviour: values out of
// range and NaN give the smallest integer, as the processor's own conversion does.
int64_t truncToInt64(double value) {
    if (!(value > -9223372036854775808.0 && value < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<int64_t>(value);
}

int32_t truncToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

uint64_t doubleBits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void mtRegenerate() {
    constexpr int N = RND_MT_WORDS, M = 397;
    for (int k = 0; k < N; ++k) {
        uint32_t y = (rndState[k] & 0x80000000u) | (rndState[(k + 1) % N] & 0x7FFFFFFFu);
        rndState[k] = rndState[(k + M) % N] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    rndNext = rndState;
}

} // namespace

RtReal rtRnd(float n) {
    RtReal value = rndCurrent(n);
    rndLast = static_cast<double>(value);
    return value;
}

RtReal rndFirstCall(float n) {
    int32_t mode = rtState.compatMode;
    if (mode == 1 || mode == 2) {
        rndCurrent = rndCrt;
    } else if (mode == 3) {
        rndCurrent = rndLcg24;
        rndSeed = RND_INITIAL_SEED;
    } else {
        rtRandomize(0.0, 0);
    }
    return rtRnd(n);
}

RtReal rndCrt(float n) {
    if (n == 0.0f) return rndLast;
    // The contract is 0..32767; a library with a wider range is cut to it.
    return static_cast<RtReal>(std::rand() & 0x7FFF) * TWO_POW_M15;
}

RtReal rndLcg32(float n) {
    if (n != 0.0f) rndSeed = rndSeed * 1664525u + 1013904223u;
    return static_cast<RtReal>(rndSeed) * TWO_POW_M32;
}

RtReal rndLcg24(float n) {
    if (n < 0.0f) {
        uint32_t b;
        std::memcpy(&b, &n, sizeof b);
        rndSeed = (b >> 24) + (b & 0xFFFFFFu);
    }
    if (n != 0.0f) rndSeed = (rndSeed * 16598013u + 12820163u) & 0xFFFFFFu;
    return static_cast<RtReal>(rndSeed) * TWO_POW_M24;
}

RtReal rndMt(float n) {
    if (n == 0.0f) return rndLast;
    if (!rndNext) rtRandomize(327680.0, 3);
    if (rndNext == rndState + RND_MT_WORDS) mtRegenerate();
    uint32_t y = *rndNext++;
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return static_cast<RtReal>(y) * TWO_POW_M32;
}

void rtRandomize(double seed, int32_t algorithm) {
    if (algorithm == 0) {
        int32_t mode = rtState.compatMode;
        algorithm = (mode == 1 || mode == 2) ? 1 : (mode == 3 ? 4 : 3);
    }
    if (seed == -1.0) {
        uint64_t bits = doubleBits(rtTimer());
        seed = static_cast<double>(static_cast<uint32_t>(bits) ^ static_cast<uint32_t>(bits >> 32));
    }
    switch (algorithm) {
    case 2:
        rndCurrent = rndLcg32;
        rndSeed = static_cast<uint32_t>(static_cast<uint64_t>(truncToInt64(seed)));
        break;
    case 4: {
        rndCurrent = rndLcg24;
        uint32_t h = static_cast<uint32_t>(doubleBits(seed) >> 32);
        rndSeed = ((((h >> 16) ^ h) & 0xFFFFu) << 8) | (rndSeed & 0xFFu);
        break;
    }
    case 1:
        rndCurrent = rndCrt;
        std::srand(static_cast<unsigned>(truncToInt32(seed)));
        std::rand();
        break;
    default:
        rndCurrent = rndMt;
        rndState[0] = static_cast<uint32_t>(static_cast<uint64_t>(truncToInt64(seed)));
        for (int i = 1; i < RND_MT_WORDS; ++i)
            rndState[i] = rndState[i - 1] * 1664525u + 1013904223u;
        rndNext = rndState + RND_MT_WORDS;
        break;
    }
}
