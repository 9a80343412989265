// LINE: analytic clipping against the view, then integer rasterising with a
// 16-bit on/off pattern (vertical, horizontal and general paths), and the
// rectangle forms.
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"

namespace {

// The clipper moves one point per round; a few rounds always settle it, the
// cap keeps truncation from ever cycling.
constexpr int CLIP_ROUNDS = 16;

inline uint32_t rotateRight(uint32_t bit, uint32_t count) {
    count &= 15;
    return count ? ((bit >> count) | (bit << (16 - count))) & 0xFFFF : bit;
}

uint32_t reverse16(uint32_t v) {
    uint32_t r = 0;
    for (int i = 0; i < 16; ++i)
        r |= ((v >> i) & 1) << (15 - i);
    return r;
}

int32_t regionCode(const GfxContext* c, int32_t x, int32_t y) {
    int32_t code = 0;
    if (x < c->view[0])
        code |= 1;
    else if (x - c->view[0] >= c->view[2])
        code |= 2;
    if (y < c->view[1])
        code |= 8;
    else if (y - c->view[1] >= c->view[3])
        code |= 4;
    return code;
}

// False when nothing of the line is inside the view.
bool clipLine(const GfxContext* c, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    int32_t left = c->view[0], top = c->view[1];
    int32_t right = left + c->view[2] - 1, bottom = top + c->view[3] - 1;
    for (int round = 0; round < CLIP_ROUNDS; ++round) {
        int32_t code1 = regionCode(c, x1, y1), code2 = regionCode(c, x2, y2);
        if (!(code1 | code2)) return true;
        if (code1 & code2) return false;
        if (!code1) {
            int32_t t = x1;
            x1 = x2, x2 = t;
            t = y1, y1 = y2, y2 = t;
            code1 = code2;
        }
        long double m =
            x1 == x2 ? 1.0L
                     : (static_cast<long double>(y2) - y1) / (static_cast<long double>(x2) - x1);
        if (code1 & 1) {
            y1 = gfxTruncate(m * (static_cast<long double>(left) - x1) + y1);
            x1 = left;
        } else if (code1 & 2) {
            y1 = gfxTruncate(m * (static_cast<long double>(right) - x1) + y1);
            x1 = right;
        } else if (code1 & 8) {
            if (x1 != x2) x1 = gfxTruncate((static_cast<long double>(top) - y1) / m + x1);
            y1 = top;
        } else {
            if (x1 != x2) x1 = gfxTruncate((static_cast<long double>(bottom) - y1) / m + x1);
            y1 = bottom;
        }
    }
    return false;
}

// `count` positions from (x, y) in direction (dx, dy), one of them 0, with the
// pattern bit rotated once per position; positions outside the view are
// skipped without walking them.
void patternRun(GfxContext* c, int32_t x, int32_t y, int32_t dx, int32_t dy, int64_t count,
                uint32_t colour, uint32_t style, uint32_t* bit) {
    int64_t lo = 0, hi = count - 1;
    auto limit = [&](int64_t start, int32_t dir, int32_t viewStart, int32_t viewSize) {
        if (dir == 0) {
            if (start < viewStart || start - viewStart >= viewSize) hi = -1;
            return;
        }
        int64_t a = (viewStart - start) * dir, b = (viewStart + viewSize - 1 - start) * dir;
        if (a > b) {
            int64_t t = a;
            a = b, b = t;
        }
        if (a > lo) lo = a;
        if (b < hi) hi = b;
    };
    limit(x, dx, c->view[0], c->view[2]);
    limit(y, dy, c->view[1], c->view[3]);
    if (lo <= hi)
        for (int64_t i = lo; i <= hi; ++i)
            if (style & rotateRight(*bit, static_cast<uint32_t>(i)))
                c->putPixel(c, static_cast<int32_t>(x + i * dx), static_cast<int32_t>(y + i * dy),
                            colour);
    if (count > 0) *bit = rotateRight(*bit, static_cast<uint32_t>(count & 15));
}

void drawLine(GfxContext* c, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
              uint32_t style) {
    uint32_t bit = 0x8000;
    if (x1 == x2 || y1 == y2) {
        bool vertical = x1 == x2;
        int32_t& a1 = vertical ? y1 : x1;
        int32_t& a2 = vertical ? y2 : x2;
        if (a1 > a2) {
            int32_t t = a1;
            a1 = a2, a2 = t;
            style = reverse16(style);
            bit = 1u << ((a2 - a1) & 15);
        }
        if (!vertical && style == 0xFFFF) {
            c->fillSpan(c->lines[y1] + static_cast<ptrdiff_t>(x1) * c->bytesPerPixel, colour,
                        x2 - x1 + 1);
            return;
        }
        patternRun(c, x1, y1, vertical ? 0 : 1, vertical ? 1 : 0, static_cast<int64_t>(a2) - a1 + 1,
                   colour, style, &bit);
        return;
    }
    int32_t dx = x2 > x1 ? x2 - x1 : x1 - x2, dy = y2 > y1 ? y2 - y1 : y1 - y2;
    int32_t sx = x2 > x1 ? 1 : -1, sy = y2 > y1 ? 1 : -1;
    int32_t x = x1, y = y1;
    if (dx >= dy) {
        int64_t err = 2 * static_cast<int64_t>(dy) - dx;
        for (int32_t i = 0;; ++i) {
            if (style & bit) c->putPixel(c, x, y, colour);
            bit = rotateRight(bit, 1);
            if (err >= 0) {
                y += sy;
                err -= 2 * static_cast<int64_t>(dx);
            }
            if (i == dx) break;
            err += 2 * static_cast<int64_t>(dy);
            x += sx;
        }
    } else {
        int64_t err = 2 * static_cast<int64_t>(dx) - dy;
        for (int32_t i = 0;; ++i) {
            if (style & bit) c->putPixel(c, x, y, colour);
            bit = rotateRight(bit, 1);
            if (err >= 0) {
                x += sx;
                err -= 2 * static_cast<int64_t>(dy);
            }
            if (i == dy) break;
            err += 2 * static_cast<int64_t>(dx);
            y += sy;
        }
    }
}

// Box modes: clamp the sorted box to the view; the outline carries the
// pattern clockwise from the top-left corner.
bool drawBox(GfxContext* c, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
             int32_t boxMode, uint32_t style, int32_t* firstRow, int32_t* lastRow) {
    gfxSortBox(&x1, &y1, &x2, &y2);
    int32_t left = c->view[0], top = c->view[1];
    int32_t right = left + c->view[2] - 1, bottom = top + c->view[3] - 1;
    if (x2 < left || x1 > right || y2 < top || y1 > bottom || right < left || bottom < top)
        return false;
    gfxLock();
    *firstRow = y1 < top ? top : y1;
    *lastRow = y2 > bottom ? bottom : y2;
    if (boxMode == 2) {
        int32_t from = x1 < left ? left : x1, to = x2 > right ? right : x2;
        for (int32_t y = *firstRow; y <= *lastRow; ++y)
            c->fillSpan(c->lines[y] + static_cast<ptrdiff_t>(from) * c->bytesPerPixel, colour,
                        to - from + 1);
        return true;
    }
    uint32_t bit = 0x8000;
    int64_t width = static_cast<int64_t>(x2) - x1, height = static_cast<int64_t>(y2) - y1;
    patternRun(c, x1, y1, 1, 0, width + 1, colour, style, &bit);
    if (height > 0) {
        patternRun(c, x2, y1 + 1, 0, 1, height, colour, style, &bit);
        if (width > 0) {
            patternRun(c, x2 - 1, y2, -1, 0, width, colour, style, &bit);
            patternRun(c, x1, y2 - 1, 0, -1, height - 1, colour, style, &bit);
        }
    }
    return true;
}

} // namespace

void gfxLine(const void* target, float fx1, float fy1, float fx2, float fy2, uint32_t colour,
             int32_t boxMode, uint32_t style, uint32_t flags) {
    uint32_t pixel;
    GfxContext* c = gfxBeginDraw(target, colour, flags, 0, &pixel);
    if (!c) return;
    style &= 0xFFFF;
    gfxApplyStep(c, flags, &fx1, &fy1, &fx2, &fy2);
    int32_t x1, y1, x2, y2;
    gfxMapPoint(c, fx1, fy1, &x1, &y1);
    gfxMapPoint(c, fx2, fy2, &x2, &y2);

    int32_t firstRow, lastRow;
    if (boxMode == 1 || boxMode == 2) {
        if (!drawBox(c, x1, y1, x2, y2, pixel, boxMode, style, &firstRow, &lastRow)) return;
    } else {
        if (!clipLine(c, x1, y1, x2, y2)) return;
        gfxLock();
        drawLine(c, x1, y1, x2, y2, pixel, style);
        firstRow = y1 < y2 ? y1 : y2;
        lastRow = y1 < y2 ? y2 : y1;
    }
    gfxEndDraw(c, firstRow, lastRow);
}
