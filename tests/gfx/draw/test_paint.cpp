// PAINT on Null-driver screens and images of every pixel size, against a
// breadth-first flood fill over a copy of the picture.
#include <cstring>
#include <functional>
#include <queue>

#include "gfx/core/gfx_test_support.h"
#include "gfx/draw/draw.h"
#include "tools/maze.h"

using namespace gfxtest;

namespace {

// Where a picture lives: the screen's work page or an image of the new form.
struct Surface : PixelGrid {
    const void* target = nullptr; // null: the screen
    std::vector<uint8_t> image;
};

Surface screenSurface() {
    Surface s;
    s.pixels = gfxMode->pages[0];
    s.width = gfxMode->width, s.height = gfxMode->height;
    s.bpp = gfxMode->bytesPerPixel, s.pitch = gfxMode->pitch;
    return s;
}

Surface imageSurface(int32_t width, int32_t height, int32_t bpp) {
    Surface s;
    s.width = width, s.height = height, s.bpp = bpp, s.pitch = width * bpp + 3; // odd pitch
    s.image.assign(sizeof(ImageHeader) + static_cast<size_t>(s.pitch) * height, 0);
    ImageHeader h = {IMAGE_HEADER_NEW,
                     static_cast<uint32_t>(bpp),
                     static_cast<uint32_t>(width),
                     static_cast<uint32_t>(height),
                     static_cast<uint32_t>(s.pitch),
                     {}};
    std::memcpy(s.image.data(), &h, sizeof h);
    s.pixels = s.image.data() + sizeof h;
    s.target = s.image.data();
    return s;
}

struct Box {
    int32_t left, top, width, height;
};

// The model: every pixel 4-connected to the seed through non-border pixels
// of `before`, inside `view`, takes colourAt(x, y). Returns the rows it
// painted (first > last when none).
std::pair<int32_t, int32_t> modelPaint(std::vector<uint32_t>& picture, int32_t width, Box view,
                                       int32_t sx, int32_t sy, uint32_t border,
                                       const std::function<uint32_t(int32_t, int32_t)>& colourAt) {
    auto inside = [&](int32_t x, int32_t y) {
        return x >= view.left && x < view.left + view.width && y >= view.top &&
               y < view.top + view.height;
    };
    int32_t first = 1, last = 0;
    if (!inside(sx, sy) || picture[sy * width + sx] == border) return {first, last};
    std::vector<char> seen(picture.size(), 0);
    std::vector<std::pair<int32_t, int32_t>> region;
    std::queue<std::pair<int32_t, int32_t>> todo;
    todo.push({sx, sy});
    seen[sy * width + sx] = 1;
    while (!todo.empty()) {
        auto [x, y] = todo.front();
        todo.pop();
        region.push_back({x, y});
        const int32_t dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
        for (int i = 0; i < 4; ++i) {
            int32_t nx = x + dx[i], ny = y + dy[i];
            if (!inside(nx, ny) || seen[ny * width + nx] || picture[ny * width + nx] == border)
                continue;
            seen[ny * width + nx] = 1;
            todo.push({nx, ny});
        }
    }
    first = sy, last = sy;
    for (auto [x, y] : region) {
        picture[y * width + x] = colourAt(x, y);
        first = std::min(first, y), last = std::max(last, y);
    }
    return {first, last};
}

// Little-endian bytes of a tile whose rows are given as pixel values.
std::vector<uint8_t> tileBytes(const std::vector<uint32_t>& pixels, int32_t bpp) {
    std::vector<uint8_t> out(pixels.size() * bpp);
    for (size_t i = 0; i < pixels.size(); ++i)
        std::memcpy(out.data() + i * bpp, &pixels[i], bpp);
    return out;
}

class Paint : public CoreTest {
  protected:
    // One call checked: the surface after `call` equals the model's picture,
    // the lock is free and, on the screen, exactly the painted rows are dirty.
    void expectFill(Surface& s, int32_t sx, int32_t sy, uint32_t border,
                    const std::function<uint32_t(int32_t, int32_t)>& colourAt,
                    const std::function<void()>& call, const char* what) {
        SCOPED_TRACE(what);
        GfxContext* c = gfxGetContext();
        gfxSetTarget(c, s.target);
        Box view = {c->view[0], c->view[1], c->view[2], c->view[3]};
        std::vector<uint32_t> expected = s.all();
        auto [first, last] = modelPaint(expected, s.width, view, sx, sy, border, colourAt);
        clearDirty();
        call();
        EXPECT_EQ(gfxMode->lockCount, 0);
        std::vector<uint32_t> actual = s.all();
        int32_t wrong = 0;
        for (size_t i = 0; i < actual.size(); ++i)
            if (actual[i] != expected[i] && wrong++ < 5)
                ADD_FAILURE() << "pixel " << i % s.width << "," << i / s.width << " is "
                              << actual[i] << ", expected " << expected[i];
        EXPECT_EQ(wrong, 0);
        if (s.target) return;
        for (int32_t y = 0; y < s.height; ++y)
            if (gfxMode->dirtyLines[y] != (y >= first && y <= last)) {
                ADD_FAILURE() << "dirty line " << y;
                break;
            }
    }

    // A colour fill at target pixel (sx, sy) (a full-screen view there).
    void expectColour(Surface& s, int32_t sx, int32_t sy, uint32_t fill, uint32_t border,
                      const char* what) {
        uint32_t f = gfxColorToPixel(s.bpp, fill), b = gfxColorToPixel(s.bpp, border);
        expectFill(
            s, sx, sy, b, [f](int32_t, int32_t) { return f; },
            [&] {
                gfxPaint(s.target, static_cast<float>(sx), static_cast<float>(sy), fill, border,
                         COORD_ONE_ABS);
            },
            what);
    }

    void expectTile(Surface& s, int32_t sx, int32_t sy, const std::vector<uint32_t>& rows,
                    uint32_t border, const char* what) {
        std::vector<uint8_t> bytes = tileBytes(rows, s.bpp);
        int32_t count = static_cast<int32_t>(rows.size() / PAINT_TILE_WIDTH);
        uint32_t b = gfxColorToPixel(s.bpp, border);
        expectFill(
            s, sx, sy, b,
            [&](int32_t x, int32_t y) { return rows[(y % count) * PAINT_TILE_WIDTH + x % 8]; },
            [&] {
                gfxPaintTile(s.target, static_cast<float>(sx), static_cast<float>(sy), bytes.data(),
                             static_cast<int32_t>(bytes.size()), border, nullptr, COORD_ONE_ABS);
            },
            what);
    }
};

// A perfect maze of 1-pixel corridors and walls, from a fixed seed.
void drawMaze(Surface& s, uint32_t wall, uint32_t floor, uint32_t seed) {
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x)
            s.set(x, y, wall);
    carveMaze(s.width, s.height, seed, [&](int32_t x, int32_t y) { s.set(x, y, floor); });
}

// Two combs, teeth interleaved: one hangs from a corridor along the top, the
// other stands on one along the bottom, walls between everywhere. Pending
// rows of the one cover teeth of the other.
void drawCombs(Surface& s, uint32_t wall, uint32_t floor) {
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x) {
            bool top = y == 1 || (x % 4 == 1 && y < s.height - 3);
            bool bottom = y == s.height - 2 || (x % 4 == 3 && y > 2);
            bool inside = x > 0 && x < s.width - 1 && y > 0 && y < s.height - 1;
            s.set(x, y, inside && (top || bottom) ? floor : wall);
        }
}

// A rectangle outline.
void frame(Surface& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t v) {
    for (int32_t x = x1; x <= x2; ++x)
        s.set(x, y1, v), s.set(x, y2, v);
    for (int32_t y = y1; y <= y2; ++y)
        s.set(x1, y, v), s.set(x2, y, v);
}

// Colours given to PAINT per pixel size (user form) and their stored values.
struct Depth {
    int32_t depth;
    uint32_t wall, fill, other;
};
const Depth DEPTHS[] = {
    {8, 4, 2, 9}, {16, 0xFF0000, 0x00FF00, 0x0000FF}, {32, 0xFF102030, 0xFF405060, 0xFF708090}};

// Every surface kind: 8/16/32-bit screens and an image of each size, with
// each family of row fills.
template <typename F> void eachSurface(int32_t width, int32_t height, F body) {
    for (int32_t family : {1, 2, 3}) {
        gfxPaintFamilyOverride = family;
        for (const Depth& d : DEPTHS) {
            ASSERT_EQ(gfxScreenSize(width, height, d.depth, 1, SCRF_NULL, 0), 0);
            Surface screen = screenSurface();
            body(screen, d);
            Surface image = imageSurface(width, height, screen.bpp);
            body(image, d);
            gfxCloseAtExit();
        }
    }
    gfxPaintFamilyOverride = 0;
}

TEST_F(Paint, NestedRingsFillBetweenThem) {
    eachSurface(40, 30, [this](Surface& s, const Depth& d) {
        uint32_t wall = gfxColorToPixel(s.bpp, d.wall), fill = gfxColorToPixel(s.bpp, d.fill);
        frame(s, 2, 2, 37, 27, wall);
        frame(s, 10, 8, 29, 21, wall);
        // Inside the band: a closed ring and a line of the fill colour, which
        // is not the border, so the fill passes them and fills within.
        frame(s, 4, 4, 8, 8, fill);
        for (int32_t x = 30; x < 37; ++x)
            s.set(x, 15, fill);
        expectColour(s, 3, 3, d.fill, d.wall, "between the rings");
        expectColour(s, 15, 15, d.other, d.wall, "the inner ring");
        expectColour(s, 0, 0, d.wall, d.wall, "outside, bounded by its own colour");
        expectColour(s, 2, 2, d.other, d.wall, "on the border: nothing");
    });
}

// Bands of whole rows between bars that reach one view edge or the other:
// the walk paints whole rows up and down from the seed, and the rows the
// bars cut, from either side; also inside a view that cuts the bars.
TEST_F(Paint, WholeRowsBetweenBars) {
    eachSurface(150, 40, [this](Surface& s, const Depth& d) {
        uint32_t wall = gfxColorToPixel(s.bpp, d.wall), fill = gfxColorToPixel(s.bpp, d.fill);
        auto draw = [&] {
            for (int32_t y = 0; y < s.height; ++y)
                for (int32_t x = 0; x < s.width; ++x)
                    s.set(x, y, y == 12 && x >= 30 ? wall : y == 26 && x <= 110 ? wall : 0);
            frame(s, 60, 15, 80, 21, wall);
            for (int32_t x = 62; x < 79; ++x)
                s.set(x, 18, fill); // in the ring: the fill colour is present
        };
        draw();
        expectColour(s, 75, 5, d.wall, d.wall, "from the top, bounded by its own colour");
        draw();
        expectColour(s, 75, 38, d.fill, d.wall, "from the bottom");
        draw();
        expectColour(s, 140, 20, d.other, d.wall, "from the middle, at the right edge");
        if (s.target) return;
        // Row 12 is all border within the view; row 26 is open at its right.
        gfxSetView(gfxGetContext(), 40, 5, 100, 30);
        draw();
        expectFill(
            s, 50, 8, wall, [&](int32_t, int32_t) { return wall; },
            [&] { gfxPaint(nullptr, 10, 3, d.wall, d.wall, COORD_ONE_ABS); }, "view, top band");
        draw();
        expectFill(
            s, 120, 32, wall, [&](int32_t, int32_t) { return fill; },
            [&] { gfxPaint(nullptr, 80, 27, d.fill, d.wall, COORD_ONE_ABS); }, "view, bottom band");
    });
}

// Views of every width around the lengths of the vectors and of the wide
// steps, for each pixel size: runs that end at the view's edges, painted
// from the bottom right corner (leftwards, rows upwards) and from the top
// left one (rightwards, rows downwards). A border pixel at the far end of
// the first row makes the next row's run reach past its parent.
TEST_F(Paint, ViewsOfEveryWidth) {
    for (int32_t family : {1, 2, 3}) {
        gfxPaintFamilyOverride = family;
        for (const Depth& d : DEPTHS) {
            ASSERT_EQ(gfxScreenSize(140, 6, d.depth, 1, SCRF_NULL, 0), 0);
            Surface s = screenSurface();
            uint32_t wall = gfxColorToPixel(s.bpp, d.wall), fill = gfxColorToPixel(s.bpp, d.fill);
            for (int32_t width :
                 {1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129, 133}) {
                SCOPED_TRACE(width);
                gfxSetView(gfxGetContext(), 3, 1, width, 4);
                auto from = [&](int32_t x, int32_t y, uint32_t colour, uint32_t stored) {
                    for (int32_t k = 0; k < s.width * s.height; ++k)
                        s.set(k % s.width, k / s.width, 0);
                    if (width > 1) s.set(x == 0 ? width + 2 : 3, y + 1, wall);
                    expectFill(
                        s, x + 3, y + 1, wall, [&](int32_t, int32_t) { return stored; },
                        [&] {
                            gfxPaint(nullptr, static_cast<float>(x), static_cast<float>(y), colour,
                                     d.wall, COORD_ONE_ABS);
                        },
                        "a view's corner");
                };
                from(width - 1, 3, d.wall, wall);
                from(0, 0, d.fill, fill);
            }
            gfxCloseAtExit();
        }
    }
    gfxPaintFamilyOverride = 0;
}

TEST_F(Paint, MazesWithAnyWorkListLength) {
    // 1 entry forces the pending rows at once; 0 is the normal length.
    for (int32_t limit : {0, 1, 3, 17}) {
        gfxPaintListOverride = limit;
        eachSurface(61, 45, [this](Surface& s, const Depth& d) {
            uint32_t wall = gfxColorToPixel(s.bpp, d.wall), floor = 0;
            drawMaze(s, wall, floor, 7);
            expectColour(s, 1, 1, d.fill, d.wall, "fill colour absent");
            expectColour(s, 1, 1, d.fill, d.wall, "fill colour everywhere already");
            drawMaze(s, wall, floor, 8);
            s.set(59, 43, gfxColorToPixel(s.bpp, d.other)); // a corner pixel of another colour
            expectColour(s, 1, 1, d.other, d.wall, "fill colour present");
            drawMaze(s, wall, floor, 9);
            expectColour(s, 1, 1, d.wall, d.wall, "bounded by its own colour");
            drawMaze(s, wall, floor, 10);
            expectTile(s, 1, 1, std::vector<uint32_t>(16, wall), d.wall, "a tile of the border");
            drawCombs(s, wall, floor);
            expectColour(s, 1, 1, d.fill, d.wall, "one comb of two");
            expectColour(s, 3, 43, d.wall, d.wall, "the other, bounded by its own colour");
        });
    }
    gfxPaintListOverride = 0;
}

TEST_F(Paint, TilesOfEveryLength) {
    eachSurface(50, 36, [this](Surface& s, const Depth& d) {
        uint32_t wall = gfxColorToPixel(s.bpp, d.wall);
        for (int32_t rows : {1, 2, 3, 7, 8, 13, 63, 64}) {
            // Rows of stripes, one of them all border, one equal to what the
            // region holds (0): neither stops the fill.
            std::vector<uint32_t> tile;
            for (int32_t r = 0; r < rows; ++r)
                for (int32_t x = 0; x < PAINT_TILE_WIDTH; ++x)
                    tile.push_back(r % 3 == 0   ? wall
                                   : r % 3 == 1 ? 0
                                                : gfxColorToPixel(s.bpp, x & 1 ? d.fill : d.other));
            for (int32_t y = 0; y < s.height; ++y)
                for (int32_t x = 0; x < s.width; ++x)
                    s.set(x, y, 0);
            frame(s, 3, 2, 46, 33, wall);
            frame(s, 20, 10, 30, 20, wall);
            expectTile(s, 5, 5, tile, d.wall, "a tile around a ring");
        }
        // A short last row is completed with zeros: 13 bytes on 1-byte pixels.
        for (int32_t y = 0; y < s.height; ++y)
            for (int32_t x = 0; x < s.width; ++x)
                s.set(x, y, 1);
        frame(s, 0, 0, 49, 35, wall);
        std::vector<uint32_t> padded(16, 0);
        for (int i = 0; i < 13; ++i)
            padded[i] = 5 + i;
        if (s.bpp == 1) {
            std::vector<uint8_t> bytes(padded.begin(), padded.begin() + 13);
            expectFill(
                s, 4, 4, wall, [&](int32_t x, int32_t y) { return padded[(y % 2) * 8 + x % 8]; },
                [&] { gfxPaintTile(s.target, 4, 4, bytes.data(), 13, d.wall, nullptr, 0); },
                "13 bytes");
        }
        // No tile, or more than 64 rows: illegal function call, nothing drawn.
        std::vector<uint8_t> big(65 * 8 * s.bpp, 3);
        std::vector<uint32_t> before = s.all();
        rtSetError(0);
        gfxPaintTile(s.target, 4, 4, big.data(), static_cast<int32_t>(big.size()), d.wall, nullptr,
                     0);
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
        rtSetError(0);
        gfxPaintTile(s.target, 4, 4, nullptr, 8, d.wall, nullptr, 0);
        EXPECT_EQ(rtGetError(), RT_ERR_ILLEGAL_CALL);
        EXPECT_EQ(s.all(), before);
    });
}

// Views where every value of the pixel size occurs: the walk borrows the
// rarest value and gives it back outside the region.
TEST_F(Paint, EveryValueInTheView) {
    for (int32_t limit : {0, 2}) {
        gfxPaintListOverride = limit;
        for (int32_t depth : {8, 16}) {
            gfxPaintFamilyOverride = 1 + (limit / 2 + depth / 8) % 3; // each family in turn
            int32_t width = depth == 8 ? 64 : 320, height = depth == 8 ? 48 : 240;
            ASSERT_EQ(gfxScreenSize(width, height, depth, 1, SCRF_NULL, 0), 0);
            Surface s = screenSurface();
            uint32_t mask = depth == 8 ? 0xFF : 0xFFFF;
            auto scatter = [&] {
                uint32_t seed = 99;
                for (int32_t y = 0; y < height; ++y)
                    for (int32_t x = 0; x < width; ++x)
                        s.set(x, y, (seed = seed * 1664525u + 1013904223u) >> 9 & mask);
                frame(s, 5, 5, width - 6, height - 6, 4); // 4 is the border in both forms
                int32_t at = 0;
                for (uint32_t v = 0; v <= mask; ++at) { // each value at least once, off the frame
                    int32_t x = at % width, y = at / width;
                    if (s.get(x, y) != 4 || v == 4) s.set(x, y, v++);
                }
            };
            uint32_t border16 = 0x000020; // stored as 4 on 16 bits
            uint32_t border = depth == 8 ? 4 : border16;
            scatter();
            expectColour(s, 6, 6, 0x77, border, "colour");
            scatter();
            expectColour(s, 6, 6, border, border, "bounded by its own colour");
            scatter();
            expectTile(s, 6, 6, std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8}, border, "tile");
            gfxCloseAtExit();
        }
    }
    gfxPaintListOverride = 0;
    gfxPaintFamilyOverride = 0;
}

TEST_F(Paint, ViewsDefaultsAndTheLastPoint) {
    ASSERT_EQ(gfxScreenSize(64, 48, 8, 1, SCRF_NULL, 0), 0);
    Surface s = screenSurface();
    GfxContext* c = gfxGetContext();
    frame(s, 10, 10, 50, 40, 4);
    // A view cutting the frame: the region ends at the view's edges, and
    // points are relative to its corner.
    gfxSetView(c, 20, 5, 40, 20);
    expectFill(
        s, 25, 15, 4, [](int32_t, int32_t) { return 6; },
        [] { gfxPaint(nullptr, 5, 10, 6, 4, COORD_ONE_ABS); }, "region touching the view");
    EXPECT_EQ(c->lastX, 5.0f);
    // STEP from the last point; outside the view nothing happens.
    expectFill(
        s, 100, 100, 4, [](int32_t, int32_t) { return 0; },
        [] { gfxPaint(nullptr, 40, 0, 7, 4, COORD_ONE_STEP); }, "outside the view");
    EXPECT_EQ(c->lastX, 45.0f);
    EXPECT_EQ(c->lastY, 10.0f);
    gfxView(-32768, -32768, -32768, -32768, 0, 0, 0);
    // The border defaults to the fill colour, the fill to the foreground (15).
    expectFill(
        s, 0, 0, 15, [](int32_t, int32_t) { return 15; },
        [] { gfxPaint(nullptr, 0, 0, 0, 0, FLAG_DEFAULT_COLOR | PAINT_DEFAULT_BORDER); },
        "defaults");
    // A tile's border defaults to the foreground too.
    std::memset(s.pixels, 0, static_cast<size_t>(s.pitch) * s.height);
    frame(s, 10, 10, 50, 40, 15);
    std::vector<uint8_t> tile = {1, 2, 1, 2, 1, 2, 1, 2};
    expectFill(
        s, 30, 30, 15, [](int32_t x, int32_t) { return x % 2 ? 2 : 1; },
        [&] { gfxPaintTile(nullptr, 30, 30, tile.data(), 8, 9, nullptr, PAINT_DEFAULT_BORDER); },
        "tile defaults");
}

TEST_F(Paint, WholeScreen) {
    ASSERT_EQ(gfxScreen(21, 0, 1, SCRF_NULL, 0), 0);
    for (int32_t family : {1, 2, 3}) {
        SCOPED_TRACE(family);
        gfxPaintFamilyOverride = family;
        gfxMode->pages[0][1023 * gfxMode->pitch + 1279] = 9;
        clearDirty();
        uint32_t colour = 3 + family;
        gfxPaint(nullptr, 640, 512, colour, 0, COORD_ONE_ABS | PAINT_DEFAULT_BORDER);
        int32_t wrong = 0;
        for (int32_t y = 0; y < 1024; ++y)
            for (int32_t x = 0; x < 1280; ++x)
                wrong += pixel8(x, y) != colour;
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(countDirty(), 1024);
    }
    gfxPaintFamilyOverride = 0;
}

TEST_F(Paint, RandomPictures) {
    uint32_t seed = 4242;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int round = 0; round < 60; ++round) {
        gfxPaintListOverride = static_cast<int32_t>(next() % 4) * 3; // 0, 3, 6, 9
        gfxPaintFamilyOverride = round / 3 % 3 + 1;
        const Depth& d = DEPTHS[round % 3];
        ASSERT_EQ(gfxScreenSize(33, 27, d.depth, 1, SCRF_NULL, 0), 0);
        Surface s = screenSurface();
        uint32_t palette[3] = {gfxColorToPixel(s.bpp, d.wall), gfxColorToPixel(s.bpp, d.fill),
                               gfxColorToPixel(s.bpp, d.other)};
        for (int32_t y = 0; y < s.height; ++y)
            for (int32_t x = 0; x < s.width; ++x)
                s.set(x, y, next() % 5 < 2 ? palette[0] : palette[next() % 3]);
        gfxSetView(gfxGetContext(), static_cast<int32_t>(next() % 5),
                   static_cast<int32_t>(next() % 5), 28, 22);
        int32_t sx = static_cast<int32_t>(next() % 28), sy = static_cast<int32_t>(next() % 22);
        GfxContext* c = gfxGetContext();
        uint32_t fill = next() % 2 ? d.fill : d.wall;
        uint32_t f = gfxColorToPixel(s.bpp, fill);
        expectFill(
            s, sx + c->view[0], sy + c->view[1], palette[0], [f](int32_t, int32_t) { return f; },
            [&] {
                gfxPaint(nullptr, static_cast<float>(sx), static_cast<float>(sy), fill, d.wall,
                         COORD_ONE_ABS);
            },
            "random");
        gfxCloseAtExit();
    }
    gfxPaintListOverride = 0;
    gfxPaintFamilyOverride = 0;
}

} // namespace
