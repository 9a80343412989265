// RND and RANDOMIZE.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "runtime/platform.h"
#include "runtime/rnd.h"
#include "runtime/runtime.h"

namespace {

constexpr long double TWO_POW_M32 = 1.0L / 4294967296.0L;
constexpr long double TWO_POW_M24 = 1.0L / 16777216.0L;

// Puts the generators back to their state at process start.
void resetGenerators(int32_t compatMode) {
    rtState.compatMode = compatMode;
    rndCurrent = rndFirstCall;
    rndSeed = RND_INITIAL_SEED;
    rndNext = nullptr;
    rndLast = 0.0;
}

// Textbook MT19937 (state array plus index, tempering), written independently
// of the runtime's, with the runtime's seeding rule.
class ReferenceMt {
public:
    explicit ReferenceMt(uint32_t seed) {
        mt_[0] = seed;
        for (int i = 1; i < n_; ++i) mt_[i] = mt_[i - 1] * 1664525u + 1013904223u;
        index_ = n_;
    }
    uint32_t next() {
        static const uint32_t mag01[2] = {0u, 0x9908B0DFu};
        if (index_ >= n_) {
            int kk = 0;
            for (; kk < n_ - m_; ++kk) {
                uint32_t y = (mt_[kk] & 0x80000000u) | (mt_[kk + 1] & 0x7FFFFFFFu);
                mt_[kk] = mt_[kk + m_] ^ (y >> 1) ^ mag01[y & 1u];
            }
            for (; kk < n_ - 1; ++kk) {
                uint32_t y = (mt_[kk] & 0x80000000u) | (mt_[kk + 1] & 0x7FFFFFFFu);
                mt_[kk] = mt_[kk + (m_ - n_)] ^ (y >> 1) ^ mag01[y & 1u];
            }
            uint32_t y = (mt_[n_ - 1] & 0x80000000u) | (mt_[0] & 0x7FFFFFFFu);
            mt_[n_ - 1] = mt_[m_ - 1] ^ (y >> 1) ^ mag01[y & 1u];
            index_ = 0;
        }
        uint32_t y = mt_[index_++];
        y ^= (y >> 11);
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= (y >> 18);
        return y;
    }

private:
    static constexpr int n_ = 624, m_ = 397;
    uint32_t mt_[n_];
    int index_;
};

TEST(Rnd, DefaultSequenceAndTheDemonstrationsFirstPoint) {
    resetGenerators(0);
    const uint32_t words[] = {0x5481674Du, 0x543BDDA3u, 0x8850CA87u, 0xC28BC0BCu};
    long double first = rtRnd(1.0f);
    EXPECT_EQ(first, words[0] * TWO_POW_M32);
    EXPECT_EQ(rndCurrent, rndMt);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(rtRnd(1.0f), words[i] * TWO_POW_M32) << i;
    // RND(0) repeats the last value without advancing.
    EXPECT_EQ(rtRnd(0.0f), words[3] * TWO_POW_M32);
    EXPECT_NEAR(static_cast<double>(rtRnd(0.0f)), 0.75994496, 1e-8);

    // x and y of the first hit: floor(RND * 1280), floor(RND * 1024).
    resetGenerators(0);
    long double rx = rtRnd(1.0f);
    long double ry = rtRnd(1.0f);
    EXPECT_EQ(static_cast<int>(rx * 1280.0L), 422);
    EXPECT_EQ(static_cast<int>(ry * 1024.0L), 336);
}

TEST(Rnd, MersenneTwisterMatchesTheTextbookRecurrence) {
    for (double seed : {0.0, 327680.0, 4294967295.0, 12345.0}) {
        rtRandomize(seed, 3);
        ReferenceMt reference(static_cast<uint32_t>(static_cast<int64_t>(seed)));
        for (int i = 0; i < (seed == 0.0 ? 1000000 : 2000); ++i) {
            uint32_t expected = reference.next();
            long double got = rtRnd(1.0f);
            if (got != expected * TWO_POW_M32) {
                ADD_FAILURE() << "seed " << seed << " value " << i;
                break;
            }
        }
    }
}

TEST(Rnd, UnseededTwisterSeedsItselfWith327680) {
    resetGenerators(0);
    rndCurrent = rndMt;
    long double got = rtRnd(1.0f);
    ReferenceMt reference(327680u);
    EXPECT_EQ(got, reference.next() * TWO_POW_M32);
}

TEST(Rnd, Lcg32FromTheInitialSeed) {
    resetGenerators(0);
    rndCurrent = rndLcg32;
    EXPECT_EQ(rtRnd(1.0f), 0x3AAFF35Fu * TWO_POW_M32);
    EXPECT_EQ(rtRnd(0.0f), 0x3AAFF35Fu * TWO_POW_M32);
    // A negative argument steps like a positive one.
    uint32_t next = 0x3AAFF35Fu * 1664525u + 1013904223u;
    EXPECT_EQ(rtRnd(-3.0f), next * TWO_POW_M32);
}

TEST(Rnd, Lcg24FromTheInitialSeedAndWithNegativeArguments) {
    resetGenerators(3);
    EXPECT_EQ(rtRnd(1.0f), 0xB49EC3u * TWO_POW_M24); // first call selects algorithm 4
    EXPECT_EQ(rtRnd(1.0f), 0x888E7Au * TWO_POW_M24);
    EXPECT_EQ(rtRnd(0.0f), 0x888E7Au * TWO_POW_M24);
    // n < 0 reseeds from the float's bit pattern before stepping.
    float n = -2.5f;
    uint32_t b;
    std::memcpy(&b, &n, sizeof b);
    uint32_t seed = (b >> 24) + (b & 0xFFFFFFu);
    uint32_t expected = (seed * 16598013u + 12820163u) & 0xFFFFFFu;
    EXPECT_EQ(rtRnd(n), expected * TWO_POW_M24);
    EXPECT_EQ(rtRnd(n), expected * TWO_POW_M24); // same reseed, same value
}

TEST(Rnd, RandomizeRules) {
    resetGenerators(0);
    // Unknown algorithm numbers act as the twister.
    rtRandomize(99.0, 7);
    EXPECT_EQ(rndCurrent, rndMt);
    long double a = rtRnd(1.0f);
    rtRandomize(99.0, 3);
    EXPECT_EQ(rtRnd(1.0f), a);

    // Algorithm 4 keeps the previous seed's low byte.
    rndSeed = 0x123456;
    rtRandomize(1.5, 4);
    uint64_t bits;
    double seed = 1.5;
    std::memcpy(&bits, &seed, sizeof bits);
    uint32_t h = static_cast<uint32_t>(bits >> 32);
    EXPECT_EQ(rndSeed, ((((h >> 16) ^ h) & 0xFFFFu) << 8) | 0x56u);
    EXPECT_EQ(rndCurrent, rndLcg24);

    // Algorithm 2 takes the low 32 bits of the truncated seed.
    rtRandomize(4294967296.0 + 7.9, 2);
    EXPECT_EQ(rndSeed, 7u);
    rtRandomize(-1.5, 2);
    EXPECT_EQ(rndSeed, 0xFFFFFFFFu);

    // Default algorithm by compatibility mode.
    const int32_t modes[][2] = {{1, 1}, {2, 1}, {3, 4}, {0, 3}, {5, 3}};
    const RndRoutine routines[] = {nullptr, rndCrt, rndLcg32, rndMt, rndLcg24};
    for (auto& m : modes) {
        rtState.compatMode = m[0];
        rtRandomize(1.0, 0);
        EXPECT_EQ(rndCurrent, routines[m[1]]) << "mode " << m[0];
    }
    rtState.compatMode = 0;
}

TEST(Rnd, PlatformGeneratorReturnsTheSecondValueOfItsSequence) {
    rtRandomize(42.0, 1);
    long double got = rtRnd(1.0f);
    std::srand(42);
    std::rand();
    int expected = std::rand() & 0x7FFF;
    EXPECT_EQ(got, expected / 32768.0L);
    EXPECT_LT(got, 1.0L);
    EXPECT_EQ(rtRnd(0.0f), got);
}

TEST(Rnd, FirstCallByCompatibilityMode) {
    resetGenerators(1);
    rtRnd(1.0f);
    EXPECT_EQ(rndCurrent, rndCrt);
    resetGenerators(2);
    rtRnd(1.0f);
    EXPECT_EQ(rndCurrent, rndCrt);
    resetGenerators(0);
}

TEST(Rnd, TimerSeedIsTheSameWithinOneTick) {
    // Tick-count resolution, so two reads in a row usually see the same tick.
    int32_t savedMode = timerMode;
    timerMode = 1;
    bool sameTick = false;
    for (int attempt = 0; attempt < 200 && !sameTick; ++attempt) {
        double before = rtTimer();
        rtRandomize(-1.0, 2);
        uint32_t first = rndSeed;
        rtRandomize(-1.0, 2);
        uint32_t second = rndSeed;
        double after = rtTimer();
        if (before != after) continue;
        sameTick = true;
        EXPECT_EQ(first, second);
        uint64_t bits;
        std::memcpy(&bits, &before, sizeof bits);
        EXPECT_EQ(first, static_cast<uint32_t>(bits) ^ static_cast<uint32_t>(bits >> 32));
    }
    timerMode = savedMode;
    EXPECT_TRUE(sameTick);
}

TEST(Rnd, ExtremeSeedsAreSafe) {
    const double seeds[] = {std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(), 1e300, -1e300,
                            -2147483649.0, 2147483648.0};
    for (double seed : seeds) {
        for (int algorithm : {1, 2, 3, 4}) {
            rtRandomize(seed, algorithm);
            long double v = rtRnd(1.0f);
            EXPECT_GE(v, 0.0L);
            EXPECT_LT(v, 1.0L);
        }
    }
    for (float n : {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity(),
                    -0.0f, -1e30f}) {
        rtRandomize(0.0, 4);
        long double v = rtRnd(n);
        EXPECT_GE(v, 0.0L);
        EXPECT_LT(v, 1.0L);
    }
    resetGenerators(0);
}

} // namespace
