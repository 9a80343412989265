// RND and RANDOMIZE: four generators, one current at a time, reached through
// `rndCurrent`. With compatibility mode 0 the default is a Mersenne Twister
// seeded with 0, so every run draws the same sequence.
#pragma once

#include <cstdint>

// RND's value: the processor's extended type on x86; on WebAssembly, where
// that type is emulated in software, double, which holds every value the
// generators give exactly (fractions of at most 32 bits).
#if defined(__wasm__)
using RtReal = double;
#else
using RtReal = long double;
#endif

using RndRoutine = RtReal (*)(float n);

extern "C" RtReal rtRnd(float n);
extern "C" void rtRandomize(double seed, int32_t algorithm);

// The generators (RND(n) for the current algorithm).
RtReal rndFirstCall(float n);
RtReal rndCrt(float n);   // 1: the platform library's rand
RtReal rndLcg32(float n); // 2
RtReal rndMt(float n);    // 3
RtReal rndLcg24(float n); // 4

constexpr int RND_MT_WORDS = 624;
constexpr uint32_t RND_INITIAL_SEED = 327680; // 0x50000

extern RndRoutine rndCurrent;
extern uint32_t rndSeed;
extern uint32_t rndState[RND_MT_WORDS];
extern uint32_t* rndNext;
extern double rndLast;
