// Page selection, page copy and the emulated VGA ports.
#include "gfx/console/pages.h"

#include <cstddef>
#include <cstring>

#include "gfx/core/builtin_data.h"
#include "gfx/core/context.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/core/pixel.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

PortState gfxPortState = {0, 2, 0};

namespace {

constexpr uint32_t OPAQUE = 0xFF000000u;
constexpr int32_t FIRST_COMPONENT_SHIFT = 2;
constexpr int32_t LAST_COMPONENT_SHIFT = 18;
constexpr int32_t COMPONENT_STEP = 8;

// The screen's work page as the context's target, with plain routines.
GfxContext* prepareContext() {
    uint32_t opaque;
    return gfxBeginDraw(nullptr, OPAQUE, 0, 0, &opaque);
}

// Number of colours of the mode's default palette (a power of two) minus one.
uint32_t colourMask(const GfxMode* m) {
    int32_t count = m->paletteInfo ? m->paletteInfo->count : GFX_PALETTE_SIZE;
    return static_cast<uint32_t>(count > 0 ? count : 1) - 1;
}

void restartDac(uint32_t index) {
    gfxPortState.index = index;
    gfxPortState.shift = FIRST_COMPONENT_SHIFT;
    gfxPortState.colour = 0;
}

// A whole colour arrived through the data port: it becomes the entry at the
// index. With the 256-colour default palette this is an ordinary palette
// entry; with the smaller ones it replaces a default colour and reaches every
// pixel value that shows it.
void storeDacColour(GfxMode* m, uint32_t index, uint32_t colour) {
    if (m->paletteInfo == &PALETTE_256) {
        gfxPalette(static_cast<int32_t>(index), static_cast<int32_t>((colour >> 2) & 0x3F3F3F), -1,
                   -1);
        return;
    }
    gfxLock();
    m->colorTable[index] = colour;
    int32_t values = 1 << m->depth;
    if (values > GFX_ATTR_MAP_SIZE) values = GFX_ATTR_MAP_SIZE;
    for (int32_t v = 0; v < values; ++v) {
        if (m->attrMap[v] != index) continue;
        m->palette[v] = colour;
        if (m->driver && m->driver->setColor)
            m->driver->setColor(v, static_cast<int32_t>(colour & 0xFF),
                                static_cast<int32_t>((colour >> 8) & 0xFF),
                                static_cast<int32_t>((colour >> 16) & 0xFF));
    }
    gfxMarkLines(m, 0, m->height - 1);
    gfxUnlock(1, 0);
}

} // namespace

int32_t gfxPageSet(int32_t work, int32_t visible) {
    GfxMode* m = gfxMode;
    GfxContext* c = m ? prepareContext() : nullptr;
    if (!c) return 0;
    int32_t previous = m->visiblePage * 256 + c->workPage;
    if (work < 0 && visible < 0) work = visible = 0;
    if (work >= 0 && work < m->pageCount) gfxSetWorkPage(c, work);
    if (visible >= 0 && visible < m->pageCount && visible != m->visiblePage) {
        gfxLock();
        gfxShowPage(m, visible);
        gfxMarkLines(m, 0, m->height - 1);
        gfxUnlock(1, 0);
        // A flipped page is a frame: where the page runs only while the
        // program yields, it is shown now.
        rtYield();
    }
    return previous;
}

int32_t gfxPageCopy(int32_t source, int32_t destination) {
    GfxMode* m = gfxMode;
    if (!m) return rtSetError(RT_ERR_ILLEGAL_CALL);
    // A driver that presents the screen itself keeps no pages to copy.
    if (m->driver && m->driver->present) {
        m->driver->present();
        if (m->driver->pumpEvents) m->driver->pumpEvents();
        return rtSetError(RT_ERR_ILLEGAL_CALL);
    }
    GfxContext* c = prepareContext();
    if (!c) return rtSetError(RT_ERR_ILLEGAL_CALL);
    if (source < 0) source = c->workPage;
    if (destination < 0) destination = m->visiblePage;
    if (source >= m->pageCount || destination >= m->pageCount)
        return rtSetError(RT_ERR_ILLEGAL_CALL);
    if (source == destination) return rtSetError(RT_OK);

    // The view rectangle, kept inside the screen.
    int64_t left = c->view[0], top = c->view[1];
    int64_t right = left + c->view[2], bottom = top + c->view[3];
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > m->width) right = m->width;
    if (bottom > m->height) bottom = m->height;

    // The lock nests, so the copy onto the shown page is always bracketed and
    // always marked, whoever already holds the lock.
    bool shown = destination == m->visiblePage;
    if (shown) gfxLock();
    if (left < right) {
        size_t offset = static_cast<size_t>(left) * static_cast<size_t>(m->bytesPerPixel);
        size_t bytes = static_cast<size_t>(right - left) * static_cast<size_t>(m->bytesPerPixel);
        for (int64_t y = top; y < bottom; ++y) {
            ptrdiff_t line = static_cast<ptrdiff_t>(y) * m->pitch + static_cast<ptrdiff_t>(offset);
            gfxMemCopy(m->pages[destination] + line, m->pages[source] + line, bytes);
        }
    }
    if (m->textCells && m->textCells[source] && m->textCells[destination] && m->textColumns > 0 &&
        m->textRows > 0)
        std::memcpy(m->textCells[destination], m->textCells[source],
                    static_cast<size_t>(m->textColumns) * static_cast<size_t>(m->textRows) *
                        sizeof(TextCell));
    if (shown) {
        if (left < right)
            gfxMarkLines(m, static_cast<int32_t>(top), static_cast<int32_t>(bottom) - 1);
        gfxUnlock(1, 0);
        rtYield(); // a frame, as a page flip is
    }
    return rtSetError(RT_OK);
}

int32_t gfxPortIn(int32_t port) {
    GfxMode* m = gfxMode;
    if (!m) return -1;
    port &= 0xFFFF;
    if (port == PORT_DAC_DATA && m->depth <= 8) {
        PortState& s = gfxPortState;
        uint32_t entry = m->palette[s.index & (GFX_PALETTE_SIZE - 1)];
        auto value = static_cast<int32_t>((entry >> s.shift) & 0x3F);
        s.shift += COMPONENT_STEP;
        if (s.shift > LAST_COMPONENT_SHIFT) {
            s.shift = FIRST_COMPONENT_SHIFT;
            s.index = (s.index + 1) & colourMask(m);
        }
        return value;
    }
    if (port == PORT_INPUT_STATUS) {
        if (m->driver && m->driver->waitRetrace) m->driver->waitRetrace();
        return PORT_RETRACE;
    }
    return -1;
}

int32_t gfxPortOut(int32_t port, int32_t value) {
    GfxMode* m = gfxMode;
    if (!m || m->depth > 8) return -1;
    port &= 0xFFFF;
    uint32_t mask = colourMask(m);
    PortState& s = gfxPortState;
    if (port == PORT_DAC_READ_INDEX || port == PORT_DAC_WRITE_INDEX) {
        restartDac(static_cast<uint32_t>(value) & 0xFF & mask);
        return 0;
    }
    if (port != PORT_DAC_DATA) return -1;
    // The state outlives the mode that set it: keep it within this palette.
    if (s.shift < FIRST_COMPONENT_SHIFT || s.shift > LAST_COMPONENT_SHIFT)
        restartDac(s.index & mask);
    s.colour |= (static_cast<uint32_t>(value) & 0x3F) << s.shift;
    s.shift += COMPONENT_STEP;
    if (s.shift > LAST_COMPONENT_SHIFT) {
        uint32_t index = s.index & mask;
        storeDacColour(m, index, s.colour);
        restartDac((index + 1) & mask);
    }
    return 0;
}
