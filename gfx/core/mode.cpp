// Screen mode setting: the numbered-mode table, SCREEN by number and by size,
// and gfxSetMode, which tears down, allocates, chooses a driver, resets
// the palette, the context and the pages, and opens the layers above.
#include "gfx/core/mode.h"

#include <cstdlib>
#include <cstring>

#include "gfx/core/builtin_data.h"
#include "gfx/core/context.h"
#include "gfx/core/driver.h"
#include "gfx/core/lock.h"
#include "gfx/core/palette.h"
#include "gfx/core/pixel.h"
#include "gfx/core/screen_layers.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {
constexpr ModeInfo NONE = {0, 0, 0, 0, 0, nullptr, nullptr, 0, 0, 0.0f};
// A page, its alignment slack and the stored allocation address must stay
// addressable with 32-bit sizes.
constexpr uint64_t GFX_MAX_BUFFER = 0x7FFFFFFF - 64;
constexpr size_t PAGE_SLACK = sizeof(void*) + 16;
bool exitHandlerRegistered = false;
// The layers above the core kept with each screen, in the order added.
const GfxScreenLayer* screenLayers[GFX_MAX_SCREEN_LAYERS];
int32_t screenLayerCount = 0;

// The open routines of the layers of one stage, in the order added: 0, or the
// first error (the layers after it do not open).
int32_t openLayers(int32_t stage, GfxMode* m, const ModeInfo* info) {
    for (int32_t i = 0; i < screenLayerCount; ++i) {
        const GfxScreenLayer* layer = screenLayers[i];
        if (layer->stage != stage || !layer->open) continue;
        if (int32_t error = layer->open(m, info)) return error;
    }
    return 0;
}

void freePages(GfxMode* m) {
    if (!m->pages) return;
    for (int32_t i = 0; i < m->pageCount; ++i) {
        if (!m->pages[i]) continue;
        void* block;
        std::memcpy(&block, m->pages[i] - sizeof(void*), sizeof block);
        std::free(block);
    }
    std::free(m->pages);
    m->pages = nullptr;
}

// Tears the screen down; safe on a half-built GfxMode.
void teardown() {
    GfxMode* m = gfxMode;
    if (!m) return;
    if (m->driver && m->driver->close) m->driver->close();
    m->driver = nullptr;
    gfxDisplayOpened = {0, 0, 0};
    gfxDriverLocks = false;
    gfxInlineLock = nullptr;
    for (int32_t i = screenLayerCount; i-- > 0;)
        if (screenLayers[i]->close) screenLayers[i]->close(m);
    freePages(m);
    std::free(m->palette);
    std::free(m->colorTable);
    std::free(m->attrMap);
    std::free(m->dirtyLines);
    {
        GfxSpinHold hold(gfxEventGuard);
        gfxMode = nullptr;
    }
    std::free(m);
}

uint8_t* allocPage(size_t bytes) {
    auto* block = static_cast<uint8_t*>(std::calloc(1, bytes + PAGE_SLACK));
    if (!block) return nullptr;
    uintptr_t start = (reinterpret_cast<uintptr_t>(block) + sizeof(void*) + 15) & ~uintptr_t{15};
    uint8_t* page = block + (start - reinterpret_cast<uintptr_t>(block));
    std::memcpy(page - sizeof(void*), &block, sizeof block);
    return page;
}

// Every buffer of the mode. False when one could not be allocated.
bool allocBuffers(GfxMode* m, int32_t pages) {
    uint64_t pageBytes = static_cast<uint64_t>(m->height) * static_cast<uint64_t>(m->pitch);
    uint64_t dirtyBytes =
        static_cast<uint64_t>(m->height) * static_cast<uint64_t>(m->lineMultiplier);
    // Every page together must stay within what a 32-bit process can address.
    if (pageBytes > GFX_MAX_BUFFER || dirtyBytes > GFX_MAX_BUFFER ||
        static_cast<uint64_t>(pages) * (pageBytes + PAGE_SLACK) > UINT32_MAX)
        return false;
    m->pages = static_cast<uint8_t**>(std::calloc(static_cast<size_t>(pages), sizeof(uint8_t*)));
    if (!m->pages) return false;
    m->pageCount = pages;
    for (int32_t i = 0; i < pages; ++i)
        if (!(m->pages[i] = allocPage(static_cast<size_t>(pageBytes)))) return false;
    gfxShowPage(m, 0);
    m->dirtyLines = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(dirtyBytes) + 1, 1));
    m->palette = static_cast<uint32_t*>(std::calloc(GFX_PALETTE_SIZE, sizeof(uint32_t)));
    m->colorTable = static_cast<uint32_t*>(std::calloc(GFX_PALETTE_SIZE, sizeof(uint32_t)));
    m->attrMap = static_cast<uint8_t*>(std::calloc(GFX_ATTR_MAP_SIZE, 1));
    return m->dirtyLines && m->palette && m->colorTable && m->attrMap;
}

void setTitleFromExecutable() {
    char path[260];
    std::memset(path, 0, sizeof path);
    const char* name = rtExeName(path, sizeof path);
    std::memset(gfxTitleBuffer, 0, sizeof gfxTitleBuffer);
    std::strncpy(gfxTitleBuffer, name ? name : "", GFX_TITLE_SIZE - 1);
    if (char* dot = std::strrchr(gfxTitleBuffer, '.')) *dot = 0;
    gfxTitle = gfxTitleBuffer;
}

// A mode record the screen can be built from: a size, a depth the pixel
// routines know, a palette and a font.
bool usableModeInfo(const ModeInfo* info) {
    uint8_t d = info->depth;
    bool depthOk = d == 1 || d == 2 || d == 4 || d == 8 || d == 15 || d == 16 || d == 24 || d == 32;
    return info->width > 0 && info->height > 0 && depthOk && info->paletteInfo && info->font &&
           info->lineMultiplier <= 2;
}

// A failed open ends closed (every layer closed, every buffer freed) with the
// error (1 unless a layer gave another), without touching the text console.
int32_t failOpen(int32_t error = RT_ERR_ILLEGAL_CALL) {
    gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE);
    return rtSetError(error);
}

} // namespace

const ModeInfo MODE_TABLE[MODE_COUNT] = {
    {320, 200, 2, 1, 8, &PALETTE_16, &FONT_8X8, 40, 25, 0.0f},
    {640, 200, 1, 2, 1, &PALETTE_16, &FONT_8X8, 80, 25, 0.0f},
    NONE,
    NONE,
    NONE,
    NONE,
    {320, 200, 4, 1, 8, &PALETTE_16, &FONT_8X8, 40, 25, 0.0f},
    {640, 200, 4, 2, 4, &PALETTE_16, &FONT_8X8, 80, 25, 0.0f},
    {640, 350, 4, 1, 2, &PALETTE_64, &FONT_8X14, 80, 25, 0.0f},
    {640, 350, 1, 1, 2, &PALETTE_2, &FONT_8X14, 80, 25, 0.0f},
    {640, 480, 1, 1, 1, &PALETTE_2, &FONT_8X16, 80, 30, 0.0f},
    {640, 480, 4, 1, 1, &PALETTE_256, &FONT_8X16, 80, 30, 0.0f},
    {320, 200, 8, 1, 1, &PALETTE_256, &FONT_8X8, 40, 25, 0.0f},
    {320, 240, 8, 1, 1, &PALETTE_256, &FONT_8X8, 40, 30, 0.0f},
    {400, 300, 8, 1, 1, &PALETTE_256, &FONT_8X8, 50, 37, 0.0f},
    {512, 384, 8, 1, 1, &PALETTE_256, &FONT_8X16, 64, 24, 0.0f},
    {640, 400, 8, 1, 1, &PALETTE_256, &FONT_8X16, 80, 25, 0.0f},
    {640, 480, 8, 1, 1, &PALETTE_256, &FONT_8X16, 80, 30, 0.0f},
    {800, 600, 8, 1, 1, &PALETTE_256, &FONT_8X16, 100, 37, 0.0f},
    {1024, 768, 8, 1, 1, &PALETTE_256, &FONT_8X16, 128, 48, 0.0f},
    {1280, 1024, 8, 1, 1, &PALETTE_256, &FONT_8X16, 160, 64, 0.0f},
};

int32_t gfxNextModeId = 1;
GfxDisplayInfo gfxDisplayOpened = {0, 0, 0};
bool gfxDriverLocks = false;
char gfxTitleBuffer[GFX_TITLE_SIZE];
char* gfxTitle = nullptr;

int32_t gfxScreen(int32_t mode, int32_t depth, int32_t pages, int32_t flags, int32_t refreshRate) {
    if (static_cast<uint32_t>(mode) > MODE_COUNT) return rtSetError(RT_ERR_ILLEGAL_CALL);
    const ModeInfo* info = mode ? &MODE_TABLE[mode - 1] : nullptr;
    if (info && info->width == 0) return rtSetError(RT_ERR_ILLEGAL_CALL);
    if (gfxSetMode(info, mode, depth, pages, refreshRate, flags) == 0)
        fileSetColumn(rtConsoleHandle(), 0);
    return rtSetError(RT_OK);
}

int32_t gfxScreenSize(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                      int32_t refreshRate) {
    bool depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 15 ||
                   depth == 16 || depth == 24 || depth == 32;
    // ModeInfo holds 16-bit sizes, and a page must fit a 32-bit size.
    int32_t bytesPerPixel = depth > 16 ? 4 : depth > 8 ? 2 : 1;
    if (width < 1 || height < 1 || !depthOk || width > 0xFFFF || height > 0xFFFF ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * bytesPerPixel >
            GFX_MAX_BUFFER)
        return rtSetError(RT_ERR_ILLEGAL_CALL);
    ModeInfo info = {static_cast<uint16_t>(width),
                     static_cast<uint16_t>(height),
                     static_cast<uint8_t>(depth),
                     1,
                     1,
                     &PALETTE_256,
                     &FONT_8X8,
                     static_cast<uint8_t>(width / 8),
                     static_cast<uint8_t>(height / 8),
                     1.0f};
    int32_t result = gfxSetMode(&info, -1, depth, pages, refreshRate, flags);
    if (result == 0) fileSetColumn(rtConsoleHandle(), 0);
    return result;
}

int32_t gfxScreenPages(int32_t mode, int32_t workPage, int32_t visiblePage) {
    int32_t error = gfxScreen(mode, 0, 0, 0, 0);
    if (error) return error;
    if (workPage < 0 && visiblePage < 0) return 0;
    // The page dispatcher answers with the previous pages, or -1 when it
    // refuses: only the refusal is an error.
    return rtSetError(rtPageSet(workPage, visiblePage) < 0 ? RT_ERR_ILLEGAL_CALL : RT_OK);
}

int32_t gfxSetMode(const ModeInfo* info, int32_t modeNumber, int32_t depth, int32_t pages,
                   int32_t refreshRate, int32_t flags) {
    bool opening = modeNumber != 0 && info && info->width != 0;
    if (opening && !usableModeInfo(info)) return rtSetError(RT_ERR_BAD_ARGUMENT);
    if (pages < 1) pages = info ? info->defaultPages : 1;
    if (pages < 1) pages = 1;
    if (flags >= 0 && (flags & SCRF_TRANSPARENT)) flags |= 0x1C;
    teardown();

    if (!opening) {
        if (flags != SCRF_QUIET_CLOSE) {
            rtWidth(80, 25);
            rtCls(0);
        }
        rtViewTop = rtViewBottom = -1;
    } else {
        GfxMode* m = static_cast<GfxMode*>(std::calloc(1, sizeof(GfxMode)));
        if (!m) return failOpen();
        {
            GfxSpinHold hold(gfxEventGuard);
            gfxMode = m;
        }
        m->id = gfxNextModeId++;
        m->modeNumber = modeNumber;
        m->width = info->width;
        m->height = info->height;
        m->depth = info->depth;
        if (modeNumber > 13 &&
            (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32))
            m->depth = depth;
        if (flags >= 0 && (flags & SCRF_OPENGL) && m->depth < 16) m->depth = 16;
        m->paletteInfo = info->paletteInfo;
        m->lineMultiplier = info->lineMultiplier ? info->lineMultiplier : 1;
        m->aspect =
            info->aspect != 0.0f
                ? info->aspect
                : gfxSingle(static_cast<long double>(m->height) / m->width * 1.3333333333333333);
        if (m->depth == 24 || m->depth == 32) {
            m->depth = 32;
            m->colorMask = 0xFFFFFFFFu;
        } else if (m->depth == 15 || m->depth == 16) {
            m->depth = 16;
            m->colorMask = 0xFFFF;
        } else {
            m->colorMask = (1u << m->depth) - 1;
        }
        m->bytesPerPixel = (m->depth + 7) / 8;
        m->pitch = m->bytesPerPixel * m->width;
        if (!allocBuffers(m, pages)) return failOpen();
        if (int32_t error = openLayers(GFX_LAYER_WITH_BUFFERS, m, info)) return failOpen(error);
        if (flags != SCRF_NULL) {
            if (flags & SCRF_ALPHA) m->flags |= MODE_ALPHA;
            if (flags & SCRF_OPENGL) m->flags |= MODE_OPENGL;
            if (flags & SCRF_HIGH_PRIORITY) m->flags |= MODE_HIGH_PRIORITY;
        }
        gfxSelectPixelRoutines(m->bytesPerPixel);
        gfxLoadBuiltinData();
        if (!gfxTitle) setTitleFromExecutable();

        m->driver = gfxOpenDriver(gfxTitle, m->width, m->height * m->lineMultiplier, m->depth,
                                  refreshRate, flags, &gfxDisplayOpened);
        if (!m->driver) return failOpen();
        m->refreshRate = gfxDisplayOpened.refreshRate;
        // A driver without a lock (no display thread) draws with none, as Null.
        gfxDriverLocks = m->driver != &GFX_NULL_DRIVER && m->driver->lock;

        gfxPalette(-1, 0, 0, 0);
        GfxContext* c = gfxGetContext();
        if (!c || c->linesCapacity < m->height) return failOpen();
        for (int32_t p = 0; p < m->pageCount; ++p)
            for (int32_t y = 0; y < m->height; ++y)
                gfxPixel.clearSpan(m->pages[p] + static_cast<ptrdiff_t>(y) * m->pitch,
                                   c->background, c->view[2]);
        if (int32_t error = openLayers(GFX_LAYER_WITH_SCREEN, m, info)) return failOpen(error);
        if (!exitHandlerRegistered) {
            exitHandlerRegistered = true;
            rtAtExit(gfxCloseAtExit);
        }
    }

    // The quiet flag only spares the text console a reset on closing: a new
    // screen always starts with its own rows as the text view.
    if (flags != SCRF_QUIET_CLOSE || gfxMode) rtViewPrint(0, 0, gfxMode ? 1 : 0);
    return rtSetError(RT_OK);
}

void gfxSetTitle(StringDescriptor* text) {
    std::memset(gfxTitleBuffer, 0, sizeof gfxTitleBuffer);
    int32_t length = strLength(text);
    if (length > GFX_TITLE_SIZE - 1) length = GFX_TITLE_SIZE - 1;
    if (length > 0 && text->data)
        std::memcpy(gfxTitleBuffer, text->data, static_cast<size_t>(length));
    gfxTitle = gfxTitleBuffer;
    if (gfxMode && gfxMode->driver && gfxMode->driver->setCaption)
        gfxMode->driver->setCaption(gfxTitle);
    strDelete(text);
}

void gfxShowPage(GfxMode* m, int32_t page) {
    m->visiblePage = page;
    m->framebuffer = m->pages[page];
}

int32_t gfxAddScreenLayer(const GfxScreenLayer* layer) {
    if (gfxMode || !layer) return 1;
    for (int32_t i = 0; i < screenLayerCount; ++i)
        if (screenLayers[i] == layer) return 0;
    if (screenLayerCount == GFX_MAX_SCREEN_LAYERS) return 1;
    screenLayers[screenLayerCount++] = layer;
    return 0;
}

int32_t gfxRemoveScreenLayer(const GfxScreenLayer* layer) {
    if (gfxMode) return 1;
    for (int32_t i = 0; i < screenLayerCount; ++i) {
        if (screenLayers[i] != layer) continue;
        for (--screenLayerCount; i < screenLayerCount; ++i)
            screenLayers[i] = screenLayers[i + 1];
        return 0;
    }
    return 1;
}

const GfxScreenLayer* const* gfxScreenLayers(int32_t* count) {
    *count = screenLayerCount;
    return screenLayers;
}

void gfxCloseAtExit() {
    if (gfxMode) gfxSetMode(nullptr, 0, 0, 0, 0, SCRF_QUIET_CLOSE);
}
