// DRAW: the command language read left to right in one pass. Every drawn move
// is one LINE, which brings the clipping, locking, dirty lines and targets of
// every depth; this unit only parses, keeps the pen and turns the steps.
#include <cmath>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"
#include "gfx/draw/draw.h"
#include "runtime/runtime.h"

namespace {

// Counts and coordinates: up to a screen's largest side either way, so that
// an absolute M reaches every pixel. Time needs no bound here: a move is one
// line clipped to the view, whatever its length.
constexpr int64_t NUMBER_LIMIT = 65535;
constexpr int64_t SCALE_LIMIT = 255;
constexpr int64_t COLOUR_LIMIT = 0xFFFFFFFF;

struct Reader {
    const char* at;
    const char* end;

    void skipBlanks() {
        while (at < end && (*at == ' ' || *at == '\t'))
            ++at;
    }
    // The next character after blanks, letters in upper case; 0 at the end.
    char peek() {
        skipBlanks();
        if (at == end) return 0;
        char ch = *at;
        return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
    }
    bool take(char ch) {
        if (peek() != ch) return false;
        ++at;
        return true;
    }
    bool numberFollows() {
        char ch = peek();
        return (ch >= '0' && ch <= '9') || ch == '+' || ch == '-';
    }
    // An optionally signed decimal in low..high. False (nothing sensible read)
    // otherwise; `sign` tells whether it was written with one.
    bool number(int64_t low, int64_t high, int64_t* value, bool* sign = nullptr) {
        skipBlanks();
        bool negative = at < end && *at == '-';
        bool signed_ = at < end && (*at == '-' || *at == '+');
        if (signed_) ++at;
        if (sign) *sign = signed_;
        if (at == end || *at < '0' || *at > '9') return false;
        int64_t v = 0;
        for (; at < end && *at >= '0' && *at <= '9'; ++at)
            if (v <= COLOUR_LIMIT) v = v * 10 + (*at - '0'); // past every limit stays past
        if (negative) v = -v;
        *value = v;
        return v >= low && v <= high;
    }
};

// Half away from zero, saturating far outside any view (NaN too).
inline int32_t roundPixel(double v) {
    return gfxTruncate(std::round(v));
}

// The pen moves in the view's pixels (counted from its corner, as without a
// window); the primitives it calls and the last point take world
// coordinates, which only a window makes different.
void toWorld(double px, double py, float* x, float* y) {
    const GfxContext* c = gfxGetContext();
    if (c && (c->flags & CTX_WINDOW)) {
        gfxPixelToWorld(c, px + c->info.origin[0], py + c->info.origin[1], x, y);
    } else {
        *x = static_cast<float>(px);
        *y = static_cast<float>(py);
    }
}

struct Pen {
    const void* target;
    GfxDrawState state;
    double x, y;
    double cosine, sine; // of the turn
    bool blank, back;    // the prefixes B and N, waiting for a move

    void turn(int32_t degrees) {
        state.angle = degrees;
        // Quarter turns exactly, so that A and TA 90 keep lines straight.
        static constexpr double QUARTER[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        if (degrees % 90 == 0) {
            cosine = QUARTER[degrees / 90][0];
            sine = QUARTER[degrees / 90][1];
        } else {
            double radians = degrees * 0.017453292519943295; // pi / 180
            cosine = std::cos(radians);
            sine = std::sin(radians);
        }
    }
    // To (toX, toY): a line between the rounded ends unless B, the pen left
    // at the start when N.
    void moveTo(double toX, double toY) {
        if (!blank) {
            uint32_t flags = state.hasColour ? COORD_ABS_ABS : COORD_ABS_ABS | FLAG_DEFAULT_COLOR;
            float x1, y1, x2, y2;
            toWorld(roundPixel(x), roundPixel(y), &x1, &y1);
            toWorld(roundPixel(toX), roundPixel(toY), &x2, &y2);
            gfxLine(target, x1, y1, x2, y2, state.colour, 0, 0xFFFF, flags);
        }
        if (!back) x = toX, y = toY;
        blank = back = false;
    }
    // By (dx, dy) units, scaled and turned. On the screen y grows downwards:
    // a counter-clockwise turn takes right (1, 0) to up (0, -1).
    void moveBy(double dx, double dy) {
        double pixels = (state.scale ? state.scale : 4) / 4.0;
        dx *= pixels, dy *= pixels;
        moveTo(x + dx * cosine + dy * sine, y - dx * sine + dy * cosine);
    }
};

// PAINT at the pen's pixel.
bool paintAt(const void* target, int32_t px, int32_t py, uint32_t fill, uint32_t border) {
    float x, y;
    toWorld(px, py, &x, &y);
    gfxPaint(target, x, y, fill, border, COORD_ONE_ABS);
    return true;
}

// One command from its letter on; false when it is malformed.
bool command(Pen& pen, Reader& in, char letter) {
    static constexpr struct {
        char letter;
        int8_t dx, dy;
    } STEPS[] = {{'U', 0, -1}, {'D', 0, 1}, {'L', -1, 0}, {'R', 1, 0},
                 {'E', 1, -1}, {'F', 1, 1}, {'G', -1, 1}, {'H', -1, -1}};
    for (const auto& step : STEPS) {
        if (step.letter != letter) continue;
        int64_t count = 1;
        if (in.numberFollows() && !in.number(-NUMBER_LIMIT, NUMBER_LIMIT, &count)) return false;
        pen.moveBy(static_cast<double>(step.dx * count), static_cast<double>(step.dy * count));
        return true;
    }
    int64_t a, b;
    switch (letter) {
    case 'B':
        pen.blank = true;
        return true;
    case 'N':
        pen.back = true;
        return true;
    case 'M': {
        bool relative;
        if (!in.number(-NUMBER_LIMIT, NUMBER_LIMIT, &a, &relative) || !in.take(',') ||
            !in.number(-NUMBER_LIMIT, NUMBER_LIMIT, &b))
            return false;
        if (relative)
            pen.moveBy(static_cast<double>(a), static_cast<double>(b));
        else
            pen.moveTo(static_cast<double>(a), static_cast<double>(b));
        return true;
    }
    case 'A':
        if (!in.number(0, 3, &a)) return false;
        pen.turn(static_cast<int32_t>(a) * 90);
        return true;
    case 'T':
        if (!in.take('A') || !in.number(-360, 360, &a)) return false;
        pen.turn(static_cast<int32_t>((a + 360) % 360));
        return true;
    case 'C':
        if (!in.number(0, COLOUR_LIMIT, &a)) return false;
        pen.state.colour = static_cast<uint32_t>(a);
        pen.state.hasColour = true;
        return true;
    case 'S':
        if (!in.number(0, SCALE_LIMIT, &a)) return false;
        pen.state.scale = static_cast<int32_t>(a);
        return true;
    case 'P':
        if (!in.number(0, COLOUR_LIMIT, &a) || !in.take(',') || !in.number(0, COLOUR_LIMIT, &b))
            return false;
        return paintAt(pen.target, roundPixel(pen.x), roundPixel(pen.y), static_cast<uint32_t>(a),
                       static_cast<uint32_t>(b));
    default: // X and = among them
        return false;
    }
}

} // namespace

void gfxDraw(const void* target, const char* commands, int32_t length) {
    GfxContext* c = gfxGetContext();
    if (!gfxMode || !c) return;
    if (length < 0 || (!commands && length > 0)) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return;
    }
    Pen pen = {};
    pen.target = target;
    pen.state = c->draw;
    pen.turn(pen.state.angle);
    // The pen goes on unrounded while nothing else has moved the last point;
    // else it starts at the last point's pixel.
    float worldX, worldY;
    toWorld(pen.state.penX, pen.state.penY, &worldX, &worldY);
    if (worldX == c->lastX && worldY == c->lastY) {
        pen.x = pen.state.penX;
        pen.y = pen.state.penY;
    } else if (c->flags & CTX_WINDOW) {
        int32_t px, py;
        gfxMapPoint(c, c->lastX, c->lastY, &px, &py);
        pen.x = px - c->info.origin[0];
        pen.y = py - c->info.origin[1];
    } else {
        pen.x = c->lastX;
        pen.y = c->lastY;
    }

    Reader in = {commands, commands + length};
    while (in.skipBlanks(), in.at < in.end) {
        char letter = in.peek();
        ++in.at;
        if (letter == ';') continue;
        if (!command(pen, in, letter)) {
            rtSetError(RT_ERR_ILLEGAL_CALL);
            break;
        }
    }

    c = gfxGetContext(); // as the lines left it
    if (!c) return;
    pen.state.penX = pen.x;
    pen.state.penY = pen.y;
    gfxSetDrawState(c, pen.state);
    toWorld(pen.x, pen.y, &worldX, &worldY);
    gfxSetLastPoint(c, worldX, worldY);
}
