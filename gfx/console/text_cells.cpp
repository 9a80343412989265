#include "gfx/console/text_cells.h"

#include <cstddef>

#include "gfx/core/context.h"
#include "gfx/core/mode.h"

TextCell* gfxWorkCells(const GfxMode* m, const GfxContext* c) {
    if (!m || !c || !m->textCells || c->workPage < 0 || c->workPage >= m->pageCount) return nullptr;
    return m->textCells[c->workPage];
}

void gfxClearCells(const GfxMode* m, const GfxContext* c, int32_t left, int32_t top, int32_t right,
                   int32_t bottom) {
    TextCell* cells = gfxWorkCells(m, c);
    if (!cells) return;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > m->textColumns - 1) right = m->textColumns - 1;
    if (bottom > m->textRows - 1) bottom = m->textRows - 1;
    for (int32_t row = top; row <= bottom; ++row)
        for (int32_t column = left; column <= right; ++column)
            cells[static_cast<ptrdiff_t>(row) * m->textColumns + column] = {32, 0, c->foreground,
                                                                            c->background};
}
