// Glyph drawing, text scrolling and the print entries of the graphics console.
#include "gfx/console/text_output.h"

#include <cstddef>
#include <cstring>

#include "console/tty.h"
#include "gfx/console/text_cells.h"
#include "gfx/core/builtin_data.h"
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/core/pixel.h"
#include "runtime/beep.h"
#include "runtime/runtime.h"

namespace {

constexpr uint32_t OPAQUE = 0xFF000000u;
constexpr int32_t WIDE_CHUNK = 512;

void addDirty(GfxTextDirty* dirty, int32_t first, int32_t end) {
    if (first >= end) return;
    if (dirty->first == dirty->end) {
        dirty->first = first;
        dirty->end = end;
        return;
    }
    if (first < dirty->first) dirty->first = first;
    if (end > dirty->end) dirty->end = end;
}

void ringBell(TtyState*) {
    rtBeep();
}

// The context can draw on every line of the screen.
bool canDraw(const GfxMode* m, const GfxContext* c) {
    return m && c && m->font && m->font->glyphs && c->linesCapacity >= m->height;
}

uint8_t* pixelAddress(const GfxContext* c, int32_t x, int32_t y) {
    return c->lines[y] + static_cast<ptrdiff_t>(x) * c->bytesPerPixel;
}

void drawGlyph(GfxContext* c, const FontInfo* font, uint8_t code, int32_t x0, int32_t y0,
               int32_t screenWidth) {
    int32_t rowBytes = (font->width + 7) / 8;
    const uint8_t* glyph = font->glyphs + static_cast<ptrdiff_t>(code) * rowBytes * font->height;
    for (int32_t r = 0; r < font->height; ++r)
        for (int32_t b = 0; b < rowBytes; ++b) {
            uint8_t bits = glyph[r * rowBytes + b];
            int32_t x = x0 + 8 * b;
            for (int32_t bit = 0; bit < 8 && x + bit < screenWidth; ++bit)
                c->putPixel(c, x + bit, y0 + r, (bits >> bit) & 1 ? c->foreground : c->background);
        }
}

void fillLine(GfxContext* c, int32_t y, int32_t x, int32_t count) {
    c->fillSpan(pixelAddress(c, x, y), c->background, count);
}

} // namespace

int32_t gfxTextDraw(TtyState* tty, const void* characters, int32_t count) {
    auto* dirty = static_cast<GfxTextDirty*>(tty->device);
    GfxMode* m = gfxMode;
    GfxContext* c = dirty ? dirty->context : nullptr;
    const auto* bytes = static_cast<const uint8_t*>(characters);
    if (!canDraw(m, c) || !bytes || count <= 0) return 1;
    // The grid lies inside the screen; a cursor put outside it draws nothing.
    if (tty->x < 0 || tty->y < 0 || tty->x >= m->textColumns || tty->y >= m->textRows) return 1;
    if (count > m->textColumns - tty->x) count = m->textColumns - tty->x;
    const FontInfo* font = m->font;
    int32_t w = font->width, h = font->height;
    int32_t x0 = w * tty->x, y0 = h * tty->y;
    if (y0 + h > m->height) return 1;

    if (count == 1 && bytes[0] == 255) {
        // The soft cursor: an underline over whatever the cell shows.
        for (int32_t i = 0; i < w && x0 + i < m->width; ++i)
            c->putPixel(c, x0 + i, y0 + h - 1, c->foreground);
    } else {
        for (int32_t k = 0; k < count; ++k)
            drawGlyph(c, font, bytes[k], x0 + k * w, y0, m->width);
    }
    addDirty(dirty, y0, y0 + h);

    if (TextCell* cells = gfxWorkCells(m, c)) {
        TextCell* cell = cells + static_cast<ptrdiff_t>(tty->y) * m->textColumns + tty->x;
        for (int32_t k = 0; k < count; ++k)
            cell[k] = {bytes[k], 0, c->foreground, c->background};
    }
    return 1;
}

void gfxTextScroll(TtyState* tty, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t rows) {
    auto* dirty = static_cast<GfxTextDirty*>(tty->device);
    GfxMode* m = gfxMode;
    GfxContext* c = dirty ? dirty->context : nullptr;
    tty->y = bottom;
    if (!m || !c || rows <= 0) return;
    // Only the part of the region inside the text grid exists.
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > m->textColumns - 1) right = m->textColumns - 1;
    if (bottom > m->textRows - 1) bottom = m->textRows - 1;
    if (left > right || top > bottom) return;

    if (canDraw(m, c)) {
        int32_t w = m->font->width, h = m->font->height;
        int32_t first = top * h;
        int32_t end = (bottom + 1) * h;
        if (end > m->height) end = m->height;
        int32_t x = left * w;
        int32_t span = w * (right - left + 1);
        if (x + span > m->width) span = m->width - x;
        int64_t shift = static_cast<int64_t>(rows) * h;
        if (first < end && span > 0) {
            int32_t keep = shift < end - first ? end - first - static_cast<int32_t>(shift) : 0;
            for (int32_t j = first; j < first + keep; ++j)
                gfxPixel.copyPixels(pixelAddress(c, x, j),
                                    pixelAddress(c, x, j + static_cast<int32_t>(shift)), span);
            for (int32_t j = first + keep; j < end; ++j)
                fillLine(c, j, x, span);
            addDirty(dirty, first, end);
        }
    }

    TextCell* cells = gfxWorkCells(m, c);
    int32_t height = bottom - top + 1;
    if (cells && rows < height) {
        size_t bytes = sizeof(TextCell) * static_cast<size_t>(right - left + 1);
        for (int32_t k = 0; k + rows < height; ++k)
            std::memmove(cells + static_cast<ptrdiff_t>(top + k) * m->textColumns + left,
                         cells + static_cast<ptrdiff_t>(top + rows + k) * m->textColumns + left,
                         bytes);
        gfxClearCells(m, c, left, bottom - rows + 1, right, bottom);
    } else {
        gfxClearCells(m, c, left, top, right, bottom);
    }
}

void gfxPrintBytes(const uint8_t* text, int32_t length, int32_t flags) {
    GfxMode* m = gfxMode;
    if (!m || length < 0 || (length > 0 && !text)) return;
    if (length == 0 && !(flags & GFX_PRINT_FLUSH)) return;
    uint32_t opaque; // text never blends: an opaque colour picks the plain routines
    GfxContext* c = gfxBeginDraw(nullptr, OPAQUE, 0, 0, &opaque);
    if (!c) return;
    gfxLock();

    int32_t columns = 0, rows = 0, viewFirst = 0, viewLast = 0;
    rtGetSize(&columns, &rows);
    rtGetView(&viewFirst, &viewLast);
    GfxTextDirty dirty = {c, 0, 0};
    TtyState tty = {};
    tty.device = &dirty;
    tty.scroll = gfxTextScroll;
    tty.writeCells = gfxTextDraw;
    tty.bell = ringBell;
    tty.left = 0;
    tty.top = viewFirst - 1;
    tty.right = columns - 1;
    tty.bottom = viewLast - 1;
    // A view row outside the grid (left from an earlier grid) is cut to it.
    if (tty.bottom > rows - 1) tty.bottom = rows - 1;
    if (tty.top < 0) tty.top = 0;
    if (tty.top > tty.bottom) tty.top = tty.bottom;
    tty.x = m->textColumnCursor < 0 ? 0 : m->textColumnCursor;
    tty.y = m->textRowCursor < 0 ? 0 : m->textRowCursor;

    if (tty.bottom >= 0) {
        if (m->flags & TEXT_SCROLL_PENDING) {
            m->flags &= ~TEXT_SCROLL_PENDING;
            ++tty.y;
            tty.x = 0;
            if (tty.y > tty.bottom)
                gfxTextScroll(&tty, 0, tty.top, tty.right, tty.bottom, tty.y - tty.bottom);
        }
        if (length > 0) ttyPrint(&tty, text, length, 1);
        if (tty.x == tty.left && tty.y == tty.bottom + 1) {
            m->flags |= TEXT_SCROLL_PENDING;
            tty.x = tty.right;
            tty.y = tty.bottom;
        } else if (tty.y > tty.bottom) {
            gfxTextScroll(&tty, 0, tty.top, tty.right, tty.bottom, tty.y - tty.bottom);
        }
        if (tty.x >= 0) m->textColumnCursor = tty.x;
        if (tty.y >= 0) m->textRowCursor = tty.y;
    }

    gfxEndDraw(c, dirty.first, dirty.end - 1);
}

void gfxPrintWide(const uint16_t* text, int32_t length, int32_t flags) {
    if (length < 0 || (length > 0 && !text)) return;
    uint8_t narrow[WIDE_CHUNK];
    int32_t used = 0;
    bool printed = false;
    for (int64_t i = 0; i < length;) {
        uint16_t unit = text[i];
        if (unit <= 255) {
            narrow[used++] = static_cast<uint8_t>(unit);
            ++i;
        } else {
            narrow[used++] = '?';
            // A leading surrogate takes its partner with it.
            i += unit >= 0xD800 && unit <= 0xDBFF ? 2 : 1;
        }
        if (used == WIDE_CHUNK) {
            gfxPrintBytes(narrow, used, flags);
            used = 0;
            printed = true;
        }
    }
    if (used > 0 || !printed) gfxPrintBytes(narrow, used, flags);
}
