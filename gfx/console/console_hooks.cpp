// CLS, COLOR, LOCATE, WIDTH, the cursor and size queries and the SCREEN
// read-back on the graphics text console.
#include "gfx/console/console_hooks.h"

#include <cstddef>

#include "gfx/console/text_cells.h"
#include "gfx/core/builtin_data.h"
#include "gfx/core/context.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/core/pixel.h"
#include "runtime/file.h"
#include "runtime/runtime.h"

namespace {

// 5-6-5 to 0xFFRRGGBB, the top bits of each component repeated below.
uint32_t expand565(uint32_t value) {
    uint32_t r = (value >> 11) & 31, g = (value >> 5) & 63, b = value & 31;
    return 0xFF000000u | (r * 8 + r / 4) << 16 | (g * 4 + g / 16) << 8 | (b * 8 + b / 4);
}

const FontInfo* fontOfHeight(int32_t height) {
    switch (height) {
    case 8:
        return &FONT_8X8;
    case 14:
        return &FONT_8X14;
    case 16:
        return &FONT_8X16;
    default:
        return nullptr;
    }
}

void fillLines(GfxContext* c, int32_t first, int32_t end, int32_t x, int32_t count) {
    for (int32_t y = first; y < end; ++y)
        c->fillSpan(c->lines[y] + static_cast<ptrdiff_t>(x) * c->bytesPerPixel, c->background,
                    count);
}

// The graphics cursor to the view's centre pixel, in world coordinates.
void resetLastPoint(GfxContext* c) {
    float x, y;
    gfxPixelToWorld(c, c->view[0] + c->view[2] / 2, c->view[1] + c->view[3] / 2, &x, &y);
    gfxSetLastPoint(c, x, y);
}

} // namespace

void gfxClearScreen(int32_t mode) {
    GfxMode* m = gfxMode;
    uint32_t background;
    GfxContext* c = gfxBeginDraw(nullptr, 0, FLAG_DEFAULT_COLOR, 1, &background);
    if (!c) return;
    bool drawable = c->linesCapacity >= m->height;
    gfxLock();

    int32_t viewFirst = 0, viewLast = 0;
    rtGetView(&viewFirst, &viewLast);
    int32_t top = viewFirst - 1, bottom = viewLast - 1;
    if (mode == CLS_DEFAULT) {
        if (c->flags & CTX_VIEW)
            mode = 1;
        else
            mode = top != 0 || bottom != m->textRows - 1 ? 2 : 0;
    }

    int32_t first = 0, end = 0; // dirty lines [first, end)
    if (mode == 0) {
        end = m->height;
        if (drawable) fillLines(c, 0, end, 0, m->width);
        gfxClearCells(m, c, 0, 0, m->textColumns - 1, m->textRows - 1);
        gfxLocate(top + 1, 1, -1);
        resetLastPoint(c);
    } else if (mode == 2) {
        int32_t h = m->font ? m->font->height : 0;
        // The view's rows, cut to the screen.
        int64_t from = static_cast<int64_t>(top < 0 ? 0 : top) * h;
        int64_t to = (static_cast<int64_t>(bottom) + 1) * h;
        first = static_cast<int32_t>(from < m->height ? from : m->height);
        end = static_cast<int32_t>(to < m->height ? (to < first ? first : to) : m->height);
        if (drawable) fillLines(c, first, end, 0, m->width);
        gfxClearCells(m, c, 0, top, m->textColumns - 1, bottom);
        gfxLocate(top + 1, 1, -1);
    } else {
        int32_t x = c->view[0], width = c->view[2];
        first = c->view[1];
        end = c->view[1] + c->view[3];
        // The view always lies on the screen; cut it anyway rather than trust it.
        if (x < 0) width += x, x = 0;
        if (x + width > m->width) width = m->width - x;
        if (first < 0) first = 0;
        if (end > m->height) end = m->height;
        if (drawable && width > 0) fillLines(c, first, end, x, width);
        resetLastPoint(c);
    }

    gfxEndDraw(c, first, end - 1);
}

int32_t gfxSetColors(int32_t foreground, int32_t background, int32_t flags) {
    GfxMode* m = gfxMode;
    GfxContext* c = gfxGetContext();
    if (!m || !c) return 0;
    uint32_t previous;
    if (m->depth <= 8)
        previous = c->background * 65536u + c->foreground;
    else if (m->depth == 16)
        previous = expand565(c->foreground);
    else
        previous = c->foreground;

    bool foregroundGiven = !(flags & COLOR_NO_FOREGROUND);
    bool backgroundGiven = !(flags & COLOR_NO_BACKGROUND);
    switch (m->modeNumber) {
    case 1:
        // The background chooses the palette set; the foreground is the colour
        // shown for pixel value 0.
        if (backgroundGiven) gfxPalette((background & 3) - 4, 0, 0, 0);
        if (foregroundGiven) gfxPalette(0, foreground, -1, -1);
        break;
    case 7:
    case 8:
    case 9:
        if (foregroundGiven) gfxSetForeground(c, static_cast<uint32_t>(foreground) & 15);
        if (backgroundGiven) gfxPalette(0, background, -1, -1);
        break;
    default: {
        auto toPixel = [m](int32_t colour) {
            auto value = static_cast<uint32_t>(colour);
            return m->depth <= 8 ? value & ((1u << (8 * m->bytesPerPixel)) - 1)
                                 : gfxColorToPixel(m->bytesPerPixel, value);
        };
        if (foregroundGiven) gfxSetForeground(c, toPixel(foreground));
        if (backgroundGiven) gfxSetBackground(c, toPixel(background));
        break;
    }
    }
    return static_cast<int32_t>(previous);
}

int32_t gfxLocate(int32_t row, int32_t column, int32_t) {
    GfxMode* m = gfxMode;
    if (!m) return 0;
    m->flags &= ~TEXT_SCROLL_PENDING;
    if (column > 0) m->textColumnCursor = column - 1;
    if (row > 0) m->textRowCursor = row - 1;
    fileSetColumn(rtConsoleHandle(), m->textColumnCursor);
    return ((m->textRowCursor & 255) << 8) + (m->textColumnCursor & 255) + 257;
}

int32_t gfxSetWidth(int32_t columns, int32_t rows) {
    GfxMode* m = gfxMode;
    if (!m) return 0;
    auto previous = static_cast<int32_t>(static_cast<uint32_t>(m->textRows) * 65536u +
                                         static_cast<uint32_t>(m->textColumns));
    if ((columns <= 0 && rows <= 0) || !m->font) return previous;
    int32_t cellWidth = columns >= 1 ? m->width / columns : m->font->width;
    int32_t cellHeight = rows >= 1 ? m->height / rows : m->font->height;
    const FontInfo* font = fontOfHeight(cellHeight);
    // Only a grid of built-in 8-pixel-wide glyphs that fills the screen.
    if (cellWidth != 8 || !font) return previous;
    GfxContext* c = gfxGetContext();
    if (!c) return previous;
    if (columns >= 1) m->textColumns = columns;
    if (rows >= 1) m->textRows = rows;
    m->font = font;
    gfxAllocTextCells(c, 1);
    gfxView(GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, GFX_VIEW_RESET, 0, 0,
            VIEW_NO_FILL | VIEW_NO_BORDER);
    rtViewPrint(0, 0, 0);
    gfxClearScreen(0);
    return previous;
}

int32_t gfxGetColumn() {
    return gfxMode ? gfxMode->textColumnCursor + 1 : 0;
}

int32_t gfxGetRow() {
    return gfxMode ? gfxMode->textRowCursor + 1 : 0;
}

void gfxGetCursor(int32_t* column, int32_t* row) {
    if (column) *column = gfxGetColumn();
    if (row) *row = gfxGetRow();
}

void gfxGetSize(int32_t* columns, int32_t* rows) {
    GfxMode* m = gfxMode;
    if (columns) *columns = m ? m->textColumns : 0;
    if (rows) *rows = m ? m->textRows : 0;
}

int32_t gfxReadCharAt(int32_t column, int32_t row, int32_t colorFlag) {
    GfxMode* m = gfxMode;
    GfxContext* c = gfxGetContext();
    TextCell* cells = gfxWorkCells(m, c);
    if (!cells || column < 1 || column > m->textColumns || row < 1 || row > m->textRows) return 0;
    const TextCell& cell = cells[static_cast<ptrdiff_t>(row - 1) * m->textColumns + column - 1];
    if (colorFlag == 0) return cell.character;
    uint32_t value;
    if (m->depth <= 4)
        value = cell.background * 16 + cell.foreground;
    else if (m->depth <= 8)
        value = cell.background * 256 + cell.foreground;
    else if (m->depth == 16)
        value = expand565(colorFlag == 2 ? cell.background : cell.foreground);
    else
        value = colorFlag == 2 ? cell.background : cell.foreground;
    return static_cast<int32_t>(value);
}

// The graphics console keeps no text view state of its own to refresh.
void gfxViewUpdate() {}

int32_t gfxIsRedirected() {
    return 0;
}
