// CIRCLE: whole ellipses with an integer rasteriser working outwards from the
// centre row, arcs plotted point by point along the angle, and radius lines.
#include <cmath>
#include <cstdlib>

#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;
// Radii up to this keep every 64-bit error term of the rasteriser small and
// its loop (about a + b steps) within a millisecond; larger ellipses, always
// larger than any view, are drawn row by row over the view only.
constexpr float RASTER_RADIUS_LIMIT = 1 << 16;

// Rows the last gfxEllipse visited (drawn or clipped): what CIRCLE marks.
int32_t visitedTop = 0, visitedBottom = 0;

// The row-done table, one byte per view row, kept for the next call.
uint8_t* rowsBuffer = nullptr;
int32_t rowsCapacity = 0;

uint8_t* rowsDoneTable(int32_t rows) {
    if (rows > rowsCapacity) {
        void* grown = std::realloc(rowsBuffer, static_cast<size_t>(rows));
        if (!grown) return nullptr;
        rowsBuffer = static_cast<uint8_t*>(grown);
        rowsCapacity = rows;
    }
    for (int32_t i = 0; i < rows; ++i)
        rowsBuffer[i] = 0;
    return rowsBuffer;
}

// True when a box (inclusive pixel bounds) misses the view entirely.
bool outsideView(const GfxContext* c, long double left, long double top, long double right,
                 long double bottom) {
    return right < c->view[0] || left >= static_cast<long double>(c->view[0]) + c->view[2] ||
           bottom < c->view[1] || top >= static_cast<long double>(c->view[1]) + c->view[3];
}

// Ellipses too large for the rasteriser, drawn over the view's rows only:
// filled, each row's span; outlined, each row's edge pixels out to where the
// next row outwards begins, so that the outline stays connected.
void hugeEllipse(GfxContext* c, int32_t cx, int32_t cy, float a, float b, uint32_t colour,
                 int32_t fill, uint8_t* rowsDone) {
    long double fa = std::fabs(a), fb = std::fabs(b);
    // Half the width at `dy` rows from the centre; negative outside.
    auto half = [fa, fb](long double dy) -> long double {
        long double t = dy / fb;
        return t <= 1 ? fa * std::sqrt(static_cast<double>(1 - t * t)) : -1;
    };
    int32_t top = c->view[1], bottom = c->view[1] + c->view[3];
    for (int32_t y = top; y < bottom; ++y) {
        long double dy = std::fabs(static_cast<long double>(y) - cy);
        long double h = half(dy);
        if (h < 0) continue;
        int32_t left = gfxTruncate(cx - h), right = gfxTruncate(cx + h);
        long double outer = half(dy + 1);
        if (fill || outer < 0) {
            gfxEllipseSpan(c, y, left, right, colour, 1, fill ? rowsDone : nullptr);
            continue;
        }
        int32_t innerLeft = gfxTruncate(cx - outer) - 1, innerRight = gfxTruncate(cx + outer) + 1;
        if (innerLeft < left) innerLeft = left;
        if (innerRight > right) innerRight = right;
        if (innerLeft + 1 >= innerRight) {
            gfxEllipseSpan(c, y, left, right, colour, 1, nullptr);
        } else {
            gfxEllipseSpan(c, y, left, innerLeft, colour, 1, nullptr);
            gfxEllipseSpan(c, y, innerRight, right, colour, 1, nullptr);
        }
    }
}

// Angles beyond this many turns are reduced into one turn before the
// wrapping steps, which then run at most a few times.
constexpr double WRAP_LIMIT = 64 * TWO_PI;
// Arcs with more points than this plot only the angles where the ellipse can
// be inside the view.
constexpr double CLIPPED_ARC_POINTS = 65536;

// A closed interval of angles.
struct AngleSpan {
    double lo, hi;
};

// The angles in [0, 2 pi) where t(angle) = centre + radius * f(angle) lies in
// [low, high], with f = cos (sine = false) or -sin: at most three spans.
int32_t spansOnAxis(double centre, double radius, double low, double high, bool sine,
                    AngleSpan* out) {
    if (radius == 0) {
        if (centre < low || centre > high) return 0;
        out[0] = {0, TWO_PI};
        return 1;
    }
    double u1 = (low - centre) / radius, u2 = (high - centre) / radius;
    if (sine) u1 = -u1, u2 = -u2;
    double lo = u1 < u2 ? u1 : u2, hi = u1 < u2 ? u2 : u1;
    if (lo > 1 || hi < -1) return 0;
    lo = lo < -1 ? -1 : lo;
    hi = hi > 1 ? 1 : hi;
    if (!sine) {
        out[0] = {std::acos(hi), std::acos(lo)};
        out[1] = {TWO_PI - std::acos(lo), TWO_PI - std::acos(hi)};
        return 2;
    }
    double a1 = std::asin(lo), a2 = std::asin(hi); // within [-pi/2, pi/2]
    int32_t n = 0;
    if (a1 < 0) {
        out[n++] = {a1 + TWO_PI, a2 < 0 ? a2 + TWO_PI : TWO_PI};
        if (a2 >= 0) out[n++] = {0, a2};
    } else {
        out[n++] = {a1, a2};
    }
    out[n++] = {TWO_PI / 2 - a2, TWO_PI / 2 - a1};
    return n;
}

// The spans of [from, to] (to - from at most two turns, from in [0, 2 pi))
// where the ellipse (px, py, a, b) can touch the view, in increasing order.
int32_t visibleSpans(const GfxContext* c, int32_t px, int32_t py, double a, double b, double from,
                     double to, AngleSpan* out) {
    constexpr double MARGIN = 2;
    AngleSpan xs[3], ys[3];
    int32_t nx =
        spansOnAxis(px, a, c->view[0] - MARGIN, c->view[0] + c->view[2] + MARGIN, false, xs);
    int32_t ny =
        spansOnAxis(py, b, c->view[1] - MARGIN, c->view[1] + c->view[3] + MARGIN, true, ys);
    int32_t n = 0;
    for (double turn : {0.0, TWO_PI})
        for (int32_t i = 0; i < nx; ++i)
            for (int32_t j = 0; j < ny; ++j) {
                double lo = std::fmax(std::fmax(xs[i].lo, ys[j].lo) + turn, from);
                double hi = std::fmin(std::fmin(xs[i].hi, ys[j].hi) + turn, to);
                if (lo <= hi) out[n++] = {lo, hi};
            }
    // Few spans: a plain insertion sort.
    for (int32_t i = 1; i < n; ++i)
        for (int32_t k = i; k > 0 && out[k].lo < out[k - 1].lo; --k) {
            AngleSpan t = out[k];
            out[k] = out[k - 1], out[k - 1] = t;
        }
    return n;
}

struct ArcPlot {
    GfxContext* c;
    int32_t px, py;
    float a, b;
    uint32_t pixel;
    int32_t firstRow, lastRow;

    // Plots the points from `angle` while below `limit`; false once a step no
    // longer advances the angle.
    bool run(float angle, float limit, float step) {
        while (angle < limit) {
            int32_t dx, dy;
            gfxArcPoint(angle, a, b, &dx, &dy);
            int64_t qx = int64_t{px} + dx, qy = int64_t{py} - dy;
            if (qx >= INT32_MIN && qx <= INT32_MAX && qy >= INT32_MIN && qy <= INT32_MAX &&
                gfxInView(c, static_cast<int32_t>(qx), static_cast<int32_t>(qy))) {
                c->putPixel(c, static_cast<int32_t>(qx), static_cast<int32_t>(qy), pixel);
                if (qy < firstRow) firstRow = static_cast<int32_t>(qy);
                if (qy > lastRow) lastRow = static_cast<int32_t>(qy);
            }
            // A step below half the angle's precision no longer advances it.
            float next = gfxSingle(static_cast<long double>(angle) + step);
            if (!(next > angle)) return false;
            angle = next;
        }
        return true;
    }
};

// Brings start and end within a few turns of zero (same place on the
// ellipse, same span modulo a turn); false for angles that are not finite.
bool reduceAngles(float* start, float* end) {
    if (!std::isfinite(*start) || !std::isfinite(*end)) return false;
    if (std::fabs(*start) > WRAP_LIMIT || std::fabs(*end) > WRAP_LIMIT) {
        *start = gfxSingle(std::fmod(static_cast<double>(*start), TWO_PI));
        *end = gfxSingle(std::fmod(static_cast<double>(*end), TWO_PI));
    }
    return true;
}

// The arc from start to end (already reduced): the angles wrap as for small
// values, then points are plotted one step apart; a long arc only where it
// can be inside the view.
void drawArc(ArcPlot& plot, float start, float end) {
    while (end < start) {
        float next = gfxSingle(end + TWO_PI);
        if (next == end) break;
        end = next;
    }
    // A span of one turn in single precision (0 .. 6.2831855) exceeds the
    // double turn by rounding alone; it stays a whole arc.
    while (end - static_cast<double>(start) > FULL_TURN) {
        float next = gfxSingle(start + TWO_PI);
        if (next == start) break;
        start = next;
    }
    const GfxContext* c = plot.c;
    double fa = std::fabs(plot.a), fb = std::fabs(plot.b);
    if (outsideView(c, plot.px - fa - 2, plot.py - fb - 2, plot.px + fa + 2, plot.py + fb + 2))
        return;
    float step = gfxSingle(1.0 / (std::sqrt(static_cast<double>(plot.a)) *
                                  std::sqrt(static_cast<double>(plot.b)) * 1.5));
    float limit = gfxSingle(end + static_cast<long double>(step) * 0.5);
    if (!((static_cast<double>(limit) - start) / step > CLIPPED_ARC_POINTS)) {
        plot.run(start, limit, step);
        return;
    }
    // Work a turn nearer zero, where the spans are computed.
    double base = std::floor(start / TWO_PI) * TWO_PI;
    AngleSpan spans[18];
    int32_t n =
        visibleSpans(c, plot.px, plot.py, plot.a, plot.b, start - base, limit - base, spans);
    for (int32_t i = 0; i < n; ++i) {
        float from = gfxSingle(spans[i].lo + base);
        float to = gfxSingle(spans[i].hi + base + step);
        if (from < start) from = start;
        if (to > limit) to = limit;
        if (!plot.run(from, to, step)) return;
    }
}

// From the centre as passed to the arc point at `angle`; the offset is in
// pixels, so through a window the end is the world point of that pixel.
void radiusLine(const GfxContext* c, const void* target, float x, float y, float angle, float a,
                float b, uint32_t colour, uint32_t flags) {
    int32_t dx, dy;
    gfxArcPoint(angle, a, b, &dx, &dy);
    float ex, ey;
    if (c->flags & CTX_WINDOW) {
        int32_t px, py;
        gfxMapPoint(c, x, y, &px, &py);
        gfxPixelToWorld(c, static_cast<double>(px) + dx, static_cast<double>(py) - dy, &ex, &ey);
    } else {
        ex = static_cast<float>(gfxTruncate(static_cast<long double>(x) + dx));
        ey = static_cast<float>(gfxTruncate(static_cast<long double>(y) - dy));
    }
    gfxLine(target, x, y, ex, ey, colour, 0, 0xFFFF, flags & ~COORD_TYPE_MASK);
}

} // namespace

void gfxArcPoint(float angle, float a, float b, int32_t* dx, int32_t* dy) {
    float x = gfxSingle(std::cos(static_cast<double>(angle)) * a);
    float y = gfxSingle(std::sin(static_cast<double>(angle)) * b);
    *dx = gfxRound(x);
    *dy = gfxRound(y);
}

void gfxEllipseSpan(GfxContext* c, int32_t y, int32_t x1, int32_t x2, uint32_t colour, int32_t fill,
                    uint8_t* rowsDone) {
    int32_t left = c->view[0], top = c->view[1];
    int32_t right = left + c->view[2]; // exclusive
    if (y < top || y - top >= c->view[3]) return;
    if (fill) {
        if (x2 < left || x1 >= right) return;
        if (rowsDone) {
            if (rowsDone[y - top]) return;
            rowsDone[y - top] = 1;
        }
        if (x1 < left) x1 = left;
        if (x2 > right - 1) x2 = right - 1;
        c->fillSpan(c->lines[y] + static_cast<ptrdiff_t>(x1) * c->bytesPerPixel, colour,
                    x2 - x1 + 1);
        return;
    }
    if (x1 >= left && x1 < right) c->putPixel(c, x1, y, colour);
    if (x2 >= left && x2 < right) c->putPixel(c, x2, y, colour);
}

void gfxEllipse(GfxContext* c, int32_t cx, int32_t cy, float a, float b, uint32_t colour,
                int32_t fill) {
    visitedTop = visitedBottom = cy;
    if (std::isnan(a) || std::isnan(b)) return;
    uint8_t* rowsDone = rowsDoneTable(c->view[3]);
    // The rasteriser may step a row or two beyond b; the margin covers that.
    long double fa = std::fabs(a), fb = std::fabs(b);
    long double margin = 2 + (fa + fb) / 8;
    if (outsideView(c, cx - fa - margin, cy - fb - margin, cx + fa + margin, cy + fb + margin))
        return;
    if (fa > RASTER_RADIUS_LIMIT || fb > RASTER_RADIUS_LIMIT) {
        hugeEllipse(c, cx, cy, a, b, colour, fill, rowsDone);
        visitedTop = gfxTruncate(cy - fb);
        visitedBottom = gfxTruncate(cy + fb);
        return;
    }
    int32_t x1 = gfxTruncate(static_cast<long double>(cx) - a);
    int32_t x2 = gfxTruncate(static_cast<long double>(cx) + a);
    if (b == 0.0f) {
        gfxEllipseSpan(c, cy, x1, x2, colour, 1, rowsDone);
        return;
    }
    gfxEllipseSpan(c, cy, x1, x2, colour, fill, rowsDone);
    int64_t bb = static_cast<int64_t>(static_cast<long double>(b) * b);
    int64_t aa2 = 2 * static_cast<int64_t>(static_cast<long double>(a) * a);
    int64_t bb2 = 2 * bb;
    int64_t n = static_cast<int64_t>(a);
    if (n <= 0) return;
    int64_t err = static_cast<int64_t>(a * static_cast<long double>(bb));
    int64_t dxTerm = 2 * err;
    int64_t dyAcc = 0;
    int32_t yDown = cy, yUp = cy;
    for (;;) {
        bool stepX = true;
        if (err > 0) {
            ++yDown, --yUp;
            dyAcc += aa2;
            err -= dyAcc;
            stepX = err <= 0;
        }
        if (stepX) {
            --n, ++x1, --x2;
            dxTerm -= bb2;
            err += dxTerm;
        }
        gfxEllipseSpan(c, yDown, x1, x2, colour, fill, rowsDone);
        gfxEllipseSpan(c, yUp, x1, x2, colour, fill, rowsDone);
        if (n <= 0) break;
        // Rows only move away from the centre: once both are past the view,
        // nothing more can show.
        if (yUp < c->view[1] && yDown - c->view[1] >= c->view[3]) break;
    }
    visitedTop = yUp;
    visitedBottom = yDown;
}

void gfxCircle(const void* target, float x, float y, float radius, uint32_t colour, float aspect,
               float start, float end, int32_t fill, uint32_t flags) {
    if (!(radius > 0.0f)) return;
    uint32_t pixel;
    GfxContext* c = gfxBeginDraw(target, colour, flags, 0, &pixel);
    if (!c) return;
    int32_t px, py;
    gfxPlacePoint(c, flags, x, y, &px, &py);

    if (aspect == 0.0f) aspect = gfxMode->aspect;
    radius = gfxLengthToPixels(c, radius, 0); // measured along x in world units
    float a = radius, b = radius;
    if (aspect > 1.0f)
        a = gfxSingle(static_cast<long double>(radius) / aspect);
    else
        b = gfxSingle(static_cast<long double>(radius) * aspect);

    int32_t firstRow, lastRow;
    if (start == 0.0f && end == FULL_TURN) {
        gfxLock();
        gfxEllipse(c, px, py, a, b, pixel, fill);
        firstRow = visitedTop;
        lastRow = visitedBottom;
    } else {
        if (start < 0.0f) {
            start = -start;
            radiusLine(c, target, x, y, start, a, b, colour, flags);
        }
        if (end < 0.0f) {
            end = -end;
            radiusLine(c, target, x, y, end, a, b, colour, flags);
        }
        gfxLock();
        ArcPlot plot = {c, px, py, a, b, pixel, py, py};
        if (reduceAngles(&start, &end)) drawArc(plot, start, end);
        firstRow = plot.firstRow;
        lastRow = plot.lastRow;
    }
    int32_t top = c->view[1], bottom = c->view[1] + c->view[3] - 1;
    firstRow = firstRow < top ? top : firstRow > bottom ? bottom : firstRow;
    lastRow = lastRow < top ? top : lastRow > bottom ? bottom : lastRow;
    if (firstRow > lastRow) {
        int32_t t = firstRow;
        firstRow = lastRow, lastRow = t;
    }
    if (c->view[3] > 0)
        gfxEndDraw(c, firstRow, lastRow);
    else
        gfxEndDraw(c, 1, 0);
}
