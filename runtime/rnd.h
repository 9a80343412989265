// RND and RANDOMIZE: four generators, one current at a time, reached through
// `rndCurrent`. With compatibility mode 0 the default is a Mersenne Twister
// seeded with 0, so every run draws the same sequence.
#pragma once

#include <cstdint>

using RndRoutine = long double (*)(float n);

long double rtRnd(float n);
void rtRandomize(double seed, int32_t algorithm);

// The generators (RND(n) for the current algorithm).
long double rndFirstCall(float n);
long double rndCrt(float n);   // 1: the platform library's rand
long double rndLcg32(float n); // 2
long double rndMt(float n);    // 3
long double rndLcg24(float n); // 4

constexpr int RND_MT_WORDS = 624;
constexpr uint32_t RND_INITIAL_SEED = 327680; // 0x50000

extern RndRoutine rndCurrent;
extern uint32_t rndSeed;
extern uint32_t rndState[RND_MT_WORDS];
extern uint32_t* rndNext;
extern double rndLast;
