#include "gfx/console/text_cells.h"

#include <cstddef>
#include <cstdlib>

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

int32_t gfxAllocTextCells(GfxContext* context, int32_t allocate) {
    GfxMode* m = gfxMode;
    if (!m) return 0;
    if (m->textCells) {
        for (int32_t i = 0; i < m->pageCount; ++i)
            std::free(m->textCells[i]);
        std::free(m->textCells);
        m->textCells = nullptr;
    }
    if (!allocate) return 0;
    size_t cells = static_cast<size_t>(m->textColumns > 0 ? m->textColumns : 0) *
                   static_cast<size_t>(m->textRows > 0 ? m->textRows : 0);
    m->textCells =
        static_cast<TextCell**>(std::calloc(static_cast<size_t>(m->pageCount), sizeof(TextCell*)));
    bool ok = m->textCells != nullptr;
    for (int32_t i = 0; ok && i < m->pageCount; ++i)
        ok = (m->textCells[i] = static_cast<TextCell*>(std::calloc(cells + 1, sizeof(TextCell))));
    if (!ok) {
        gfxAllocTextCells(context, 0);
        return 1;
    }
    int32_t page = context && context->workPage >= 0 && context->workPage < m->pageCount
                       ? context->workPage
                       : 0;
    for (size_t i = 0; i < cells; ++i)
        m->textCells[page][i] = {32, 0, context ? context->foreground : 0,
                                 context ? context->background : 0};
    return 0;
}
