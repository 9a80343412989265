// PAINT: a scanline flood fill with an explicit, bounded work list.
//
// The picture itself tells reached pixels from the rest: the walk paints each
// run it reaches with a "mark" value and never enters border or mark pixels.
// - A colour fill bounded by its own colour marks with that colour: reached
//   pixels become border, as they would at the end anyway. One pass, no
//   extra reads: the whole-screen case.
// - Any other fill marks with a value the view does not hold (the fill colour
//   itself when it is absent), then gives the marked pixels the fill colour or
//   the tile. When every value of a 1- or 2-byte pixel occurs in the view, the
//   rarest one is freed for the walk: its pixels are listed, hold another
//   non-border value meanwhile and get it back where the walk did not reach.
//   (4-byte pixels always have a value to spare.)
//
// Memory: the work list holds LIST_PER_ROW entries per view row; each row
// also keeps one pending interval. An entry "row y, columns l..r" says every
// fillable pixel there touches a reached one. When the list is full, the
// entry widens its row's pending interval instead; once the list is empty,
// pending rows are searched again for fillable pixels beside marked ones,
// which is why the pending form needs a mark that differs from the border:
// a colour fill bounded by its own colour first moves to a spare value (and
// repaints the run it came from with it). Every step paints at least one
// pixel or empties an interval, so every call ends.
//
// Rows: a run is found and painted in one pass, comparing and storing
// together, by a routine of the widest instruction-set family the processor
// has (256-bit or 128-bit vectors on x86, else word-at-a-time searches and
// the library's fill).
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "runtime/platform.h"

// The 128-bit family on x86 (SSE2) and on WebAssembly (its 128-bit vectors,
// through the same intrinsics); the 256-bit one on x86 only (AVX2).
#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define PAINT_VECTORS 2
#elif defined(__wasm_simd128__) && defined(__SSE2__)
#include <emmintrin.h>
#define PAINT_VECTORS 1
#else
#define PAINT_VECTORS 0
#endif

int32_t gfxPaintListOverride = 0;
int32_t gfxPaintFamilyOverride = 0;

namespace {

static_assert(std::endian::native == std::endian::little, "byte searches read words");

constexpr int32_t LIST_PER_ROW = 4;
constexpr int32_t MAX_PIXEL_BYTES = 4;

struct Span {
    int32_t y, left, right, dir; // dir: +1 reached from the row above, -1 from below
};

// A pixel of the value freed for the walk; x = -1 once the walk reached it.
struct Freed {
    int32_t x, y;
};

// Work memory kept between calls, grown when a taller view needs more.
struct Work {
    Span* list = nullptr;
    int32_t* pending = nullptr; // per view row: lo, hi; then the pending rows
    int32_t rows = 0;
    uint32_t* counts = nullptr; // 65536 counters, for 2- and 4-byte pixels
} work;

bool reserveRows(int32_t rows) {
    if (rows <= work.rows) return true;
    void* list = std::realloc(work.list, sizeof(Span) * LIST_PER_ROW * static_cast<size_t>(rows));
    if (!list) return false;
    work.list = static_cast<Span*>(list);
    void* pending = std::realloc(work.pending, sizeof(int32_t) * 3 * static_cast<size_t>(rows));
    if (!pending) return false;
    work.pending = static_cast<int32_t*>(pending);
    work.rows = rows;
    return true;
}

uint32_t* counters() {
    if (!work.counts) work.counts = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) << 16));
    return work.counts;
}

template <typename T> inline T at(const uint8_t* row, int32_t x) {
    T v;
    std::memcpy(&v, row + static_cast<ptrdiff_t>(x) * sizeof(T), sizeof v);
    return v;
}
template <typename T> inline void put(uint8_t* row, int32_t x, T v) {
    std::memcpy(row + static_cast<ptrdiff_t>(x) * sizeof(T), &v, sizeof v);
}

// Per byte: the high bit set where the byte is not zero.
inline uint64_t nonZeroBytes(uint64_t v) {
    constexpr uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
    return (((v & low7) + low7) | v) & ~low7;
}

constexpr uint64_t EACH_BYTE = 0x0101010101010101ull;

// First x in [x, end) holding a or b; end when none.
template <typename T> int32_t findStop(const uint8_t* row, int32_t x, int32_t end, T a, T b) {
    if constexpr (sizeof(T) == 1) {
        // Most runs of a maze are short: one word looked at here saves the
        // library calls.
        if (x + 8 <= end) {
            uint64_t w;
            std::memcpy(&w, row + x, sizeof w);
            uint64_t stop = ~(nonZeroBytes(w ^ EACH_BYTE * a) & nonZeroBytes(w ^ EACH_BYTE * b)) &
                            EACH_BYTE * 0x80;
            if (stop) return x + std::countr_zero(stop) / 8;
            x += 8;
        }
        if (x >= end) return end;
        const void* p = std::memchr(row + x, a, static_cast<size_t>(end - x));
        if (p) end = static_cast<int32_t>(static_cast<const uint8_t*>(p) - row);
        if (a != b && x < end) {
            p = std::memchr(row + x, b, static_cast<size_t>(end - x));
            if (p) end = static_cast<int32_t>(static_cast<const uint8_t*>(p) - row);
        }
        return end;
    } else {
        for (; x < end; ++x) {
            T v = at<T>(row, x);
            if (v == a || v == b) return x;
        }
        return end;
    }
}

// First x in [x, end) holding neither a nor b; end when none.
template <typename T> int32_t findOpen(const uint8_t* row, int32_t x, int32_t end, T a, T b) {
    if constexpr (sizeof(T) == 1) {
        const uint64_t wa = EACH_BYTE * a, wb = EACH_BYTE * b;
        for (; x + 8 <= end; x += 8) {
            uint64_t w;
            std::memcpy(&w, row + x, sizeof w);
            uint64_t open = nonZeroBytes(w ^ wa) & nonZeroBytes(w ^ wb);
            if (open) return x + std::countr_zero(open) / 8;
        }
    }
    for (; x < end; ++x) {
        T v = at<T>(row, x);
        if (v != a && v != b) return x;
    }
    return end;
}

// Last x in [begin, x] holding a or b; begin - 1 when none.
template <typename T> int32_t findStopBack(const uint8_t* row, int32_t x, int32_t begin, T a, T b) {
    if constexpr (sizeof(T) == 1) {
        const uint64_t wa = EACH_BYTE * a, wb = EACH_BYTE * b;
        for (; x - 7 >= begin; x -= 8) {
            uint64_t w;
            std::memcpy(&w, row + x - 7, sizeof w);
            uint64_t stop = ~(nonZeroBytes(w ^ wa) & nonZeroBytes(w ^ wb)) & EACH_BYTE * 0x80;
            if (stop) return x - 7 + (63 - std::countl_zero(stop)) / 8;
        }
    }
    for (; x >= begin; --x) {
        T v = at<T>(row, x);
        if (v == a || v == b) break;
    }
    return x;
}

template <typename T> inline void fillPixels(uint8_t* p, T v, int32_t n) {
    if constexpr (sizeof(T) == 1)
        std::memset(p, v, static_cast<size_t>(n));
    else
        for (int32_t k = 0; k < n; ++k)
            put<T>(p, k, v);
}

inline uint8_t* pixelAt(uint8_t* row, int32_t x, size_t size) {
    return row + static_cast<ptrdiff_t>(x) * static_cast<ptrdiff_t>(size);
}

// The row fills: from x, pixels get v up to the first one holding a or b.
// Rightwards the bound is end (exclusive) and the result the stop's x, or
// end; leftwards the bound is begin (inclusive) and the result the stop's x,
// or begin - 1. Comparing and storing in one pass reads and writes each pixel
// once: the load ahead of the stores brings the line in, and the stores hit
// the cache. One pair per instruction-set family, picked once (runRoutines).
template <typename T> using RunFn = int32_t (*)(uint8_t* row, int32_t x, int32_t to, T a, T b, T v);
template <typename T> struct RunRoutines { RunFn<T> right, left; };

// The family without vectors, and the ends of rows for the others.
template <typename T> int32_t rightPortable(uint8_t* row, int32_t x, int32_t end, T a, T b, T v) {
    int32_t stop = findStop<T>(row, x, end, a, b);
    fillPixels<T>(pixelAt(row, x, sizeof(T)), v, stop - x);
    return stop;
}

// Backwards the search goes a word at a time; a range without a stop (a
// whole row) is told by the library's search forwards first.
template <typename T> int32_t leftPortable(uint8_t* row, int32_t x, int32_t begin, T a, T b, T v) {
    int32_t stop =
        findStop<T>(row, begin, x + 1, a, b) > x ? begin - 1 : findStopBack<T>(row, x, begin, a, b);
    fillPixels<T>(pixelAt(row, stop + 1, sizeof(T)), v, x - stop);
    return stop;
}

#if PAINT_VECTORS >= 1
#if PAINT_VECTORS >= 2
#define PAINT_SSE2 __attribute__((target("sse2")))
#define PAINT_AVX2 __attribute__((target("avx2")))
#else
#define PAINT_SSE2
#endif

template <typename T> PAINT_SSE2 inline __m128i splat128(T v) {
    if constexpr (sizeof(T) == 1)
        return _mm_set1_epi8(static_cast<char>(v));
    else if constexpr (sizeof(T) == 2)
        return _mm_set1_epi16(static_cast<short>(v));
    else
        return _mm_set1_epi32(static_cast<int>(v));
}

template <typename T> PAINT_SSE2 inline __m128i equal128(__m128i q, __m128i a) {
    if constexpr (sizeof(T) == 1)
        return _mm_cmpeq_epi8(q, a);
    else if constexpr (sizeof(T) == 2)
        return _mm_cmpeq_epi16(q, a);
    else
        return _mm_cmpeq_epi32(q, a);
}

// All ones in the pixels of the 16 bytes at p that hold a, or b when `two`.
// A colour fill bounded by its own colour stops at one value: a second
// comparison would cost a quarter more on a whole screen.
template <typename T, bool two>
PAINT_SSE2 inline __m128i stops128(const uint8_t* p, __m128i a, __m128i b) {
    __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if constexpr (two)
        return _mm_or_si128(equal128<T>(q, a), equal128<T>(q, b));
    else
        return equal128<T>(q, a);
}

// The wide steps: whether any pixel of the BLOCK bytes at p stops the fill.
constexpr int32_t BLOCK = 128;

template <typename T, bool two>
PAINT_SSE2 inline bool blockStops(const uint8_t* p, __m128i a, __m128i b) {
    __m128i hit = stops128<T, two>(p, a, b);
    for (int32_t k = 16; k < BLOCK; k += 16)
        hit = _mm_or_si128(hit, stops128<T, two>(p + k, a, b));
    return _mm_movemask_epi8(hit) != 0;
}

// One 16-byte step from x, rightwards or leftwards: true with x at the
// stop when a pixel in it stops the fill (the pixels before it painted),
// else all painted and x moved past them.
template <typename T, bool two>
PAINT_SSE2 inline bool stepRight(uint8_t* row, int32_t& x, __m128i a, __m128i b, __m128i vv, T v) {
    constexpr int32_t LANES = 16 / sizeof(T);
    uint8_t* p = pixelAt(row, x, sizeof(T));
    auto hit = static_cast<uint32_t>(_mm_movemask_epi8(stops128<T, two>(p, a, b)));
    if (!hit) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), vv);
        x += LANES;
        return false;
    }
    int32_t n = std::countr_zero(hit) / static_cast<int32_t>(sizeof(T));
    fillPixels<T>(p, v, n);
    x += n;
    return true;
}

template <typename T, bool two>
PAINT_SSE2 inline bool stepLeft(uint8_t* row, int32_t& x, __m128i a, __m128i b, __m128i vv, T v) {
    constexpr int32_t LANES = 16 / sizeof(T);
    uint8_t* p = pixelAt(row, x + 1 - LANES, sizeof(T));
    auto hit = static_cast<uint32_t>(_mm_movemask_epi8(stops128<T, two>(p, a, b)));
    if (!hit) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), vv);
        x -= LANES;
        return false;
    }
    int32_t last = (31 - std::countl_zero(hit)) / static_cast<int32_t>(sizeof(T));
    fillPixels<T>(pixelAt(p, last + 1, sizeof(T)), v, LANES - 1 - last);
    x += 1 - LANES + last;
    return true;
}

// Wide steps while no pixel stops, then 16 bytes a step, then single
// pixels. (A first 16-byte step for short runs put the wide steps off their
// alignment: slower on a whole screen, and no faster in a maze, whose lone
// pixels the walk paints without a call.)
template <typename T, bool two>
PAINT_SSE2 inline int32_t stepsRightSse2(uint8_t* row, int32_t x, int32_t end, T a, T b, T v) {
    constexpr int32_t LANES = 16 / sizeof(T), WIDE = BLOCK / sizeof(T);
    const __m128i va = splat128(a), vb = splat128(b), vv = splat128(v);
    for (; end - x >= WIDE; x += WIDE) {
        uint8_t* p = pixelAt(row, x, sizeof(T));
        if (blockStops<T, two>(p, va, vb)) break;
        for (int32_t k = 0; k < BLOCK; k += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + k), vv);
    }
    while (end - x >= LANES)
        if (stepRight<T, two>(row, x, va, vb, vv, v)) return x;
    return x < end ? rightPortable<T>(row, x, end, a, b, v) : x;
}

template <typename T, bool two>
PAINT_SSE2 inline int32_t stepsLeftSse2(uint8_t* row, int32_t x, int32_t begin, T a, T b, T v) {
    constexpr int32_t LANES = 16 / sizeof(T), WIDE = BLOCK / sizeof(T);
    const __m128i va = splat128(a), vb = splat128(b), vv = splat128(v);
    for (; x + 1 - begin >= WIDE; x -= WIDE) {
        uint8_t* p = pixelAt(row, x + 1 - WIDE, sizeof(T));
        if (blockStops<T, two>(p, va, vb)) break;
        for (int32_t k = 0; k < BLOCK; k += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + k), vv);
    }
    while (x + 1 - begin >= LANES)
        if (stepLeft<T, two>(row, x, va, vb, vv, v)) return x;
    return x >= begin ? leftPortable<T>(row, x, begin, a, b, v) : x;
}

template <typename T>
PAINT_SSE2 int32_t rightSse2(uint8_t* row, int32_t x, int32_t end, T a, T b, T v) {
    return a == b ? stepsRightSse2<T, false>(row, x, end, a, b, v)
                  : stepsRightSse2<T, true>(row, x, end, a, b, v);
}

template <typename T>
PAINT_SSE2 int32_t leftSse2(uint8_t* row, int32_t x, int32_t begin, T a, T b, T v) {
    return a == b ? stepsLeftSse2<T, false>(row, x, begin, a, b, v)
                  : stepsLeftSse2<T, true>(row, x, begin, a, b, v);
}

// The 256-bit family: wide steps of 32-byte vectors; the 128-bit routine
// finds the stop within the last.
#if PAINT_VECTORS >= 2
template <typename T> PAINT_AVX2 inline __m256i splat256(T v) {
    if constexpr (sizeof(T) == 1)
        return _mm256_set1_epi8(static_cast<char>(v));
    else if constexpr (sizeof(T) == 2)
        return _mm256_set1_epi16(static_cast<short>(v));
    else
        return _mm256_set1_epi32(static_cast<int>(v));
}

template <typename T> PAINT_AVX2 inline __m256i equal256(__m256i q, __m256i a) {
    if constexpr (sizeof(T) == 1)
        return _mm256_cmpeq_epi8(q, a);
    else if constexpr (sizeof(T) == 2)
        return _mm256_cmpeq_epi16(q, a);
    else
        return _mm256_cmpeq_epi32(q, a);
}

template <typename T, bool two>
PAINT_AVX2 inline __m256i stops256(const uint8_t* p, __m256i a, __m256i b) {
    __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    if constexpr (two)
        return _mm256_or_si256(equal256<T>(q, a), equal256<T>(q, b));
    else
        return equal256<T>(q, a);
}

template <typename T, bool two>
PAINT_AVX2 inline bool blockStops(const uint8_t* p, __m256i a, __m256i b) {
    __m256i hit = stops256<T, two>(p, a, b);
    for (int32_t k = 32; k < BLOCK; k += 32)
        hit = _mm256_or_si256(hit, stops256<T, two>(p + k, a, b));
    return _mm256_movemask_epi8(hit) != 0;
}

template <typename T, bool two>
PAINT_AVX2 inline int32_t stepsRightAvx2(uint8_t* row, int32_t x, int32_t end, T a, T b, T v) {
    constexpr int32_t WIDE = BLOCK / sizeof(T);
    const __m256i va = splat256(a), vb = splat256(b), vv = splat256(v);
    for (; end - x >= WIDE; x += WIDE) {
        uint8_t* p = pixelAt(row, x, sizeof(T));
        if (blockStops<T, two>(p, va, vb)) break;
        for (int32_t k = 0; k < BLOCK; k += 32)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + k), vv);
    }
    return x < end ? rightSse2<T>(row, x, end, a, b, v) : x;
}

template <typename T, bool two>
PAINT_AVX2 inline int32_t stepsLeftAvx2(uint8_t* row, int32_t x, int32_t begin, T a, T b, T v) {
    constexpr int32_t WIDE = BLOCK / sizeof(T);
    const __m256i va = splat256(a), vb = splat256(b), vv = splat256(v);
    for (; x + 1 - begin >= WIDE; x -= WIDE) {
        uint8_t* p = pixelAt(row, x + 1 - WIDE, sizeof(T));
        if (blockStops<T, two>(p, va, vb)) break;
        for (int32_t k = 0; k < BLOCK; k += 32)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + k), vv);
    }
    return x >= begin ? leftSse2<T>(row, x, begin, a, b, v) : x;
}

template <typename T>
PAINT_AVX2 int32_t rightAvx2(uint8_t* row, int32_t x, int32_t end, T a, T b, T v) {
    return a == b ? stepsRightAvx2<T, false>(row, x, end, a, b, v)
                  : stepsRightAvx2<T, true>(row, x, end, a, b, v);
}

template <typename T>
PAINT_AVX2 int32_t leftAvx2(uint8_t* row, int32_t x, int32_t begin, T a, T b, T v) {
    return a == b ? stepsLeftAvx2<T, false>(row, x, begin, a, b, v)
                  : stepsLeftAvx2<T, true>(row, x, begin, a, b, v);
}

#endif

// The families of this processor: the portable one, the 128-bit one, the
// 256-bit one, as far as it has them (and this build offers them).
int32_t familiesHere() {
    int32_t vectors = rtCpuVectors();
    return 1 + (vectors < PAINT_VECTORS ? vectors : PAINT_VECTORS);
}

template <typename T>
constexpr RunRoutines<T> RUN_FAMILIES[] = {
    {rightPortable<T>, leftPortable<T>},
    {rightSse2<T>, leftSse2<T>},
#if PAINT_VECTORS >= 2
    {rightAvx2<T>, leftAvx2<T>},
#endif
};
#else
int32_t familiesHere() {
    return 1;
}

template <typename T>
constexpr RunRoutines<T> RUN_FAMILIES[] = {{rightPortable<T>, leftPortable<T>}};
#endif

// The widest family here, or the one the test seam names when there is one.
template <typename T> const RunRoutines<T>& runRoutines() {
    int32_t family = familiesHere();
    if (gfxPaintFamilyOverride > 0 && gfxPaintFamilyOverride < family)
        family = gfxPaintFamilyOverride;
    return RUN_FAMILIES<T>[family - 1];
}

template <typename T> struct Fill {
    GfxContext* c;
    int32_t left, top, right, bottom; // the view, inclusive
    T border, mark;
    bool ownMark;  // mark == border: a colour fill bounded by its own colour
    T finalColour; // what marked pixels end as, without a tile
    const uint8_t* tile;
    int32_t tileRows;
    RunRoutines<T> runs;
    Span* list;
    int32_t depth = 0, capacity;
    int32_t* pendLo;
    int32_t* pendHi;
    int32_t* pendRows;
    int32_t pendCount = 0;
    int32_t firstRow = INT32_MAX, lastRow = INT32_MIN;   // rows painted
    int32_t markTop = INT32_MAX, markBottom = INT32_MIN; // rows holding a spare mark
    int32_t runY = 0, runL = 0, runR = 0;                // the run painted last
    Freed* freed = nullptr;
    int32_t freedCount = 0;
    bool failed = false;

    const uint8_t* row(int32_t y) const { return c->lines[y]; }

    // Paint row y from x up to the first border or marked pixel (or the
    // view's edge) rightwards, or leftwards; return the last pixel painted
    // that way (x - 1, or x + 1, when none). A stop next to x (most runs of
    // a maze end there) costs no call.
    int32_t paintRight(int32_t y, int32_t x) {
        uint8_t* p = c->lines[y];
        if (x == right || stops(at<T>(p, x + 1))) {
            if (stops(at<T>(p, x))) return x - 1;
            put<T>(p, x, mark);
            return x;
        }
        return runs.right(p, x, right + 1, border, mark, mark) - 1;
    }
    int32_t paintLeft(int32_t y, int32_t x) {
        if (x < left || stops(at<T>(row(y), x))) return x + 1;
        return runs.left(c->lines[y], x, left, border, mark, mark) + 1;
    }
    bool stops(T v) const { return v == border || v == mark; }

    void paint(int32_t y, int32_t l, int32_t r) {
        fillPixels<T>(pixelAt(c->lines[y], l, sizeof(T)), mark, r - l + 1);
        painted(y, l, r);
    }

    void painted(int32_t y, int32_t l, int32_t r) {
        if (y < firstRow) firstRow = y;
        if (y > lastRow) lastRow = y;
        if (!ownMark) {
            if (y < markTop) markTop = y;
            if (y > markBottom) markBottom = y;
        }
        runY = y, runL = l, runR = r;
    }

    void addPending(int32_t y, int32_t l, int32_t r) {
        int32_t i = y - top;
        if (pendLo[i] > pendHi[i]) {
            pendRows[pendCount++] = y;
            pendLo[i] = l, pendHi[i] = r;
            return;
        }
        if (l < pendLo[i]) pendLo[i] = l;
        if (r > pendHi[i]) pendHi[i] = r;
    }

    void push(int32_t y, int32_t l, int32_t r, int32_t dir) {
        if (y < top || y > bottom || failed) return;
        if (depth < capacity) {
            list[depth++] = {y, l, r, dir};
            return;
        }
        if (ownMark && !spareMark()) return;
        addPending(y, l, r);
    }

    // Lists the rows beside the run [l, r] of row y, reached from row y - dir
    // over [pl, pr]: onwards over the run, back over what reaches past the
    // parent.
    void around(int32_t y, int32_t l, int32_t r, int32_t dir, int32_t pl, int32_t pr) {
        push(y + dir, l, r, dir);
        if (l < pl) push(y - dir, l, pl - 1, -dir);
        if (r > pr) push(y - dir, pr + 1, r, -dir);
    }

    // Every fillable run of row s.y within the entry, each to its full width.
    void walk(Span s) {
        int32_t x = s.left;
        // Whole view rows under a whole row: painted in turn, without the
        // list (nothing reaches back past a whole row). Upwards they are
        // painted right to left, so that the walk runs through memory one
        // way, which the processor's prefetching follows (a sixth faster on
        // a whole screen). The first row that is not whole keeps the run
        // painted from its view edge.
        if (s.left == left && s.right == right)
            for (;;) {
                int32_t l = left, r = right;
                if (s.dir < 0)
                    l = paintLeft(s.y, right);
                else
                    r = paintRight(s.y, left);
                if (l > r) break;
                painted(s.y, l, r);
                if (l > left || r < right) {
                    push(s.y + s.dir, l, r, s.dir);
                    if (s.dir > 0) x = r + 2;
                    break;
                }
                s.y += s.dir;
                if (s.y < top || s.y > bottom) return;
            }
        const uint8_t* p = row(s.y);
        while (x <= s.right && !failed) {
            x = findOpen<T>(p, x, s.right + 1, border, mark);
            if (x > s.right) break;
            int32_t r = paintRight(s.y, x);
            int32_t l = x == s.left ? paintLeft(s.y, x - 1) : x;
            painted(s.y, l, r);
            around(s.y, l, r, s.dir, s.left, s.right);
            x = r + 2;
        }
    }

    // A pending row: fillable runs within [lo, hi] that touch a marked pixel
    // above or below are reached; others may belong to another region.
    void rescan(int32_t y, int32_t lo, int32_t hi) {
        const uint8_t* p = row(y);
        const uint8_t* up = y > top ? row(y - 1) : nullptr;
        const uint8_t* down = y < bottom ? row(y + 1) : nullptr;
        int32_t x = lo;
        while (x <= hi && !failed) {
            x = findOpen<T>(p, x, hi + 1, border, mark);
            if (x > hi) break;
            int32_t end = findStop<T>(p, x + 1, hi + 1, border, mark);
            bool touches = false;
            for (int32_t k = x; k < end && !touches; ++k)
                touches = (up && at<T>(up, k) == mark) || (down && at<T>(down, k) == mark);
            if (!touches) {
                x = end + 1;
                continue;
            }
            int32_t r = paintRight(y, x);
            int32_t l = paintLeft(y, x - 1);
            painted(y, l, r);
            push(y + 1, l, r, 1);
            push(y - 1, l, r, -1);
            x = r + 2;
        }
    }

    // Counts of the view's values in a 65536-entry table, by the low 16 bits.
    void countView(uint32_t* counts) {
        std::memset(counts, 0, sizeof(uint32_t) << 16);
        for (int32_t y = top; y <= bottom; ++y) {
            const uint8_t* p = row(y);
            for (int32_t x = left; x <= right; ++x)
                ++counts[at<T>(p, x) & 0xFFFF];
        }
    }

    // A value other than the border for the mark: one the view does not
    // hold, else (1 and 2 bytes) the rarest, whose pixels are then freed.
    // False when memory ran out.
    bool chooseMark(T* chosen) {
        if constexpr (sizeof(T) == 1) {
            uint32_t counts[256] = {};
            for (int32_t y = top; y <= bottom; ++y) {
                const uint8_t* p = row(y);
                for (int32_t x = left; x <= right; ++x)
                    ++counts[p[x]];
            }
            uint32_t best = UINT32_MAX;
            for (uint32_t v = 0; v < 256; ++v)
                if (v != border && counts[v] < best) best = counts[v], *chosen = static_cast<T>(v);
            return freeValue(*chosen, best);
        } else {
            uint32_t* counts = counters();
            if (!counts) return false;
            countView(counts);
            // (For 4 bytes, avoiding the border's low half keeps an empty
            // bucket's value off the border.)
            uint32_t best = UINT32_MAX, low = 0, avoid = border & 0xFFFFu;
            for (uint32_t v = 0; v < 0x10000; ++v)
                if (v != avoid && counts[v] < best) best = counts[v], low = v;
            if constexpr (sizeof(T) == 2) {
                *chosen = static_cast<T>(low);
                return freeValue(*chosen, best);
            } else {
                if (best == 0) {
                    *chosen = low; // no pixel has these low bits; nor has the border
                    return true;
                }
                // The rarest low half: the high halves that go with it are
                // fewer than 65536, so one is free.
                uint32_t* highs = counts;
                std::memset(highs, 0, 0x10000 / 8);
                for (int32_t y = top; y <= bottom; ++y) {
                    const uint8_t* p = row(y);
                    for (int32_t x = left; x <= right; ++x) {
                        uint32_t v = at<T>(p, x);
                        if ((v & 0xFFFF) == low) highs[v >> 21] |= 1u << (v >> 16 & 31);
                    }
                }
                for (uint32_t h = 0; h < 0x10000; ++h)
                    if (!(highs[h >> 5] & 1u << (h & 31)) && (h << 16 | low) != border) {
                        *chosen = h << 16 | low;
                        return true;
                    }
                return false; // not reached: a view has fewer than 2^32 pixels
            }
        }
    }

    // Lists the `count` pixels of `value` in the view and gives them another
    // fillable value until the end.
    bool freeValue(T value, uint32_t count) {
        if (count == 0) return true;
        freed = static_cast<Freed*>(std::malloc(sizeof(Freed) * count));
        if (!freed) return false;
        T standIn = static_cast<T>(value + 1);
        if (standIn == border) standIn = static_cast<T>(value + 2);
        for (int32_t y = top; y <= bottom; ++y) {
            uint8_t* p = c->lines[y];
            for (int32_t x = left; x <= right; ++x)
                if (at<T>(p, x) == value && freedCount < static_cast<int32_t>(count)) {
                    freed[freedCount++] = {x, y};
                    put<T>(p, x, standIn);
                }
        }
        return true;
    }

    // The list is full while the walk marks with the border: move to a spare
    // mark, repainting the run just painted so that what it lists as pending
    // can be found beside it.
    bool spareMark() {
        T spare = 0;
        if (!chooseMark(&spare)) {
            failed = true;
            return false;
        }
        finalColour = border;
        mark = spare;
        ownMark = false;
        paint(runY, runL, runR);
        return true;
    }

    void drain() {
        for (;;) {
            while (depth > 0 && !failed)
                walk(list[--depth]);
            if (pendCount == 0 || failed) return;
            int32_t y = pendRows[--pendCount], i = y - top;
            int32_t lo = pendLo[i], hi = pendHi[i];
            pendLo[i] = INT32_MAX, pendHi[i] = INT32_MIN;
            rescan(y, lo, hi);
        }
    }

    // Marked pixels get the fill colour or the tile.
    void finish() {
        for (int32_t i = 0; i < freedCount; ++i)
            if (at<T>(row(freed[i].y), freed[i].x) == mark) freed[i].x = -1;
        if (tile || mark != finalColour) {
            T pattern[2 * PAINT_TILE_WIDTH];
            for (int32_t y = markTop; y <= markBottom; ++y) {
                uint8_t* p = c->lines[y];
                if (tile) {
                    const uint8_t* source =
                        tile + static_cast<ptrdiff_t>(y % tileRows) * PAINT_TILE_WIDTH * sizeof(T);
                    std::memcpy(pattern, source, PAINT_TILE_WIDTH * sizeof(T));
                    std::memcpy(pattern + PAINT_TILE_WIDTH, source, PAINT_TILE_WIDTH * sizeof(T));
                }
                int32_t x = left;
                while ((x = findStop<T>(p, x, right + 1, mark, mark)) <= right) {
                    int32_t end = findOpen<T>(p, x + 1, right + 1, mark, mark);
                    if (!tile) {
                        if constexpr (sizeof(T) == 1)
                            std::memset(p + x, finalColour, static_cast<size_t>(end - x));
                        else
                            c->fillSpan(p + static_cast<ptrdiff_t>(x) * sizeof(T), finalColour,
                                        end - x);
                    } else {
                        for (int32_t k = x; k < end;) {
                            int32_t n = end - k < PAINT_TILE_WIDTH ? end - k : PAINT_TILE_WIDTH;
                            std::memcpy(p + static_cast<ptrdiff_t>(k) * sizeof(T),
                                        pattern + k % PAINT_TILE_WIDTH, n * sizeof(T));
                            k += n;
                        }
                    }
                    x = end;
                }
            }
        }
        for (int32_t i = 0; i < freedCount; ++i)
            if (freed[i].x >= 0) put<T>(c->lines[freed[i].y], freed[i].x, mark);
        std::free(freed);
    }

    // Fills from the seed; false when memory ran out before anything was painted.
    bool fill(int32_t sx, int32_t sy, T fillColour) {
        const uint8_t* p = row(sy);
        if (at<T>(p, sx) == border) return true;
        if (!tile && fillColour == border) {
            mark = border;
            ownMark = true;
        } else {
            ownMark = false;
            finalColour = fillColour;
            if (tile || holds(fillColour)) {
                if (!chooseMark(&mark)) return false;
            } else {
                mark = fillColour;
            }
        }
        for (int32_t i = 0; i <= bottom - top; ++i)
            pendLo[i] = INT32_MAX, pendHi[i] = INT32_MIN;
        int32_t r = paintRight(sy, sx);
        int32_t l = paintLeft(sy, sx - 1);
        painted(sy, l, r);
        around(sy, l, r, 1, l, r);
        push(sy - 1, l, r, -1);
        drain();
        if (!ownMark) finish();
        return !failed;
    }

    // True when some pixel of the view holds v.
    bool holds(T v) const {
        for (int32_t y = top; y <= bottom; ++y)
            if (findStop<T>(row(y), left, right + 1, v, v) <= right) return true;
        return false;
    }
};

template <typename T>
void fillFrom(GfxContext* c, int32_t x, int32_t y, uint32_t fillColour, uint32_t border,
              const uint8_t* tile, int32_t tileRows, int32_t* firstRow, int32_t* lastRow) {
    Fill<T> f{};
    f.c = c;
    f.left = c->view[0], f.top = c->view[1];
    f.right = f.left + c->view[2] - 1, f.bottom = f.top + c->view[3] - 1;
    f.border = static_cast<T>(border);
    f.tile = tile;
    f.tileRows = tileRows;
    f.runs = runRoutines<T>();
    int32_t rows = c->view[3];
    f.list = work.list;
    f.capacity = gfxPaintListOverride > 0 && gfxPaintListOverride < LIST_PER_ROW * rows
                     ? gfxPaintListOverride
                     : LIST_PER_ROW * rows;
    f.pendLo = work.pending;
    f.pendHi = work.pending + rows;
    f.pendRows = work.pending + 2 * rows;
    if (!f.fill(x, y, static_cast<T>(fillColour))) rtSetError(RT_ERR_OUT_OF_MEMORY);
    *firstRow = f.firstRow, *lastRow = f.lastRow;
}

void paintAt(GfxContext* c, float x, float y, uint32_t flags, uint32_t fill, uint32_t border,
             const uint8_t* tile, int32_t tileRows) {
    gfxSelectDrawRoutines(c, 0xFF000000u); // PAINT replaces pixels, it never blends
    int32_t px, py;
    gfxPlacePoint(c, flags, x, y, &px, &py);
    if (!gfxInView(c, px, py)) return;
    if (!reserveRows(c->view[3])) {
        rtSetError(RT_ERR_OUT_OF_MEMORY);
        return;
    }
    gfxLock();
    int32_t first = 1, last = 0;
    if (c->bytesPerPixel == 1)
        fillFrom<uint8_t>(c, px, py, fill, border, tile, tileRows, &first, &last);
    else if (c->bytesPerPixel == 2)
        fillFrom<uint16_t>(c, px, py, fill, border, tile, tileRows, &first, &last);
    else
        fillFrom<uint32_t>(c, px, py, fill, border, tile, tileRows, &first, &last);
    if (first > last) first = 1, last = 0;
    gfxEndDraw(c, first, last);
}

} // namespace

void gfxPaint(const void* target, float x, float y, uint32_t fill, uint32_t border,
              uint32_t flags) {
    uint32_t pixel;
    GfxContext* c = gfxBeginDraw(target, fill, flags, 0, &pixel);
    if (!c) return;
    uint32_t edge =
        flags & PAINT_DEFAULT_BORDER ? pixel : gfxColorToPixel(c->bytesPerPixel, border);
    paintAt(c, x, y, flags, pixel, edge, nullptr, 0);
}

void gfxPaintTile(const void* target, float x, float y, const void* tile, int32_t tileLength,
                  uint32_t border, const void*, uint32_t flags) {
    uint32_t foreground;
    GfxContext* c = gfxBeginDraw(target, 0, FLAG_DEFAULT_COLOR, 0, &foreground);
    if (!c) return;
    int32_t rowBytes = PAINT_TILE_WIDTH * c->bytesPerPixel;
    if (!tile || tileLength <= 0 || tileLength > PAINT_TILE_MAX_ROWS * rowBytes) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return;
    }
    alignas(4) uint8_t pattern[PAINT_TILE_MAX_ROWS * PAINT_TILE_WIDTH * MAX_PIXEL_BYTES] = {};
    std::memcpy(pattern, tile, static_cast<size_t>(tileLength));
    uint32_t edge =
        flags & PAINT_DEFAULT_BORDER ? foreground : gfxColorToPixel(c->bytesPerPixel, border);
    paintAt(c, x, y, flags, 0, edge, pattern, (tileLength + rowBytes - 1) / rowBytes);
}
