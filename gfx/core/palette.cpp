#include "gfx/core/palette.h"

#include "gfx/core/builtin_data.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/mode.h"

namespace {

struct AttrMap {
    int32_t length;
    uint8_t map[16];
};

const AttrMap MAP_MODE1[4] = {
    {4, {0, 11, 13, 15}}, {4, {0, 10, 12, 14}}, {4, {0, 3, 5, 7}}, {4, {0, 2, 4, 6}}};
const AttrMap MAP_MODE2 = {2, {0, 15}};
const AttrMap MAP_MODE7 = {16, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
const AttrMap MAP_MODE9 = {16, {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63}};

// ATTR_MAPS: the default selection for the mode (null: value i shows colour i).
const AttrMap* attrMapFor(int32_t modeNumber, int32_t index) {
    switch (modeNumber) {
    case 1:
        return &MAP_MODE1[index >= -3 ? -index - 1 : 3];
    case 2:
        return &MAP_MODE2;
    case 7:
    case 8:
        return &MAP_MODE7;
    case 9:
        return &MAP_MODE9;
    default:
        return nullptr;
    }
}

bool hasPalette(const GfxMode* m) {
    return m && m->depth <= 8;
}

void sendColor(const GfxMode* m, int32_t index, uint32_t packed) {
    if (m->driver && m->driver->setColor)
        m->driver->setColor(index, static_cast<int32_t>(packed & 0xFF),
                            static_cast<int32_t>((packed >> 8) & 0xFF),
                            static_cast<int32_t>((packed >> 16) & 0xFF));
}

void markAll(GfxMode* m) {
    gfxMarkLines(m, 0, m->height - 1);
}

void resetPalette(GfxMode* m, int32_t index) {
    const AttrMap* map = attrMapFor(m->modeNumber, index);
    const PaletteInfo* info = m->paletteInfo;
    int32_t values = 1 << m->depth;
    for (int32_t i = 0; i < info->count && i < GFX_PALETTE_SIZE; ++i) {
        const uint8_t* rgb = info->colors + 3 * i;
        m->colorTable[i] = gfxPackRgb(rgb[0], rgb[1], rgb[2]);
    }
    for (int32_t i = 0; i < info->count && i < values; ++i) {
        uint32_t colour = m->colorTable[i];
        if (map && i < map->length) {
            m->attrMap[i] = map->map[i];
            colour = m->colorTable[map->map[i]];
        } else if (i < GFX_ATTR_MAP_SIZE) {
            m->attrMap[i] = static_cast<uint8_t>(i); // value i shows default colour i
        }
        m->palette[i] = colour;
        sendColor(m, i, colour);
    }
}

} // namespace

void gfxSetPaletteEntry(int32_t index, int32_t value) {
    GfxMode* m = gfxMode;
    if (!hasPalette(m)) return;
    int32_t n = m->paletteInfo->count;
    index &= n - 1;
    uint32_t colour;
    if (n == 256) {
        auto v = static_cast<uint32_t>(value);
        colour = gfxPackRgb((v & 0x3F) * 255 / 63, ((v >> 8) & 0x3F) * 255 / 63,
                            ((v >> 16) & 0x3F) * 255 / 63);
    } else {
        int32_t k = value & (n - 1);
        if (index < GFX_ATTR_MAP_SIZE) m->attrMap[index] = static_cast<uint8_t>(k);
        colour = m->colorTable[k];
    }
    m->palette[index] = colour;
    sendColor(m, index, colour);
}

void gfxPalette(int32_t index, int32_t value, int32_t green, int32_t blue) {
    GfxMode* m = gfxMode;
    if (!hasPalette(m)) return;
    gfxLock();
    if (index >= 0) {
        int32_t packed = value;
        if (green >= 0 && blue >= 0) packed = (value >> 2) | (green >> 2) << 8 | (blue >> 2) << 16;
        gfxSetPaletteEntry(index, packed);
    } else {
        resetPalette(m, index);
    }
    markAll(m);
    gfxUnlock(1, 0);
}

void gfxPaletteUsing(const int32_t* values) {
    GfxMode* m = gfxMode;
    if (!hasPalette(m) || !values) return;
    gfxLock();
    int32_t count = 1 << m->depth;
    for (int32_t i = 0; i < count; ++i)
        if (values[i] >= 0) gfxSetPaletteEntry(i, values[i]);
    markAll(m);
    gfxUnlock(1, 0);
}

void gfxResendPalette() {
    GfxMode* m = gfxMode;
    if (!m || !m->palette) return;
    for (int32_t i = 0; i < GFX_PALETTE_SIZE; ++i)
        sendColor(m, i, m->palette[i]);
}
