// The open graphics screen: the numbered-mode table, the screen flags and the
// one process-wide `GfxMode` record (null while no screen is open).
//
// `gfxSetMode` is the one routine that opens, replaces and closes a screen:
// every open starts from a fresh, zero-filled `GfxMode` with a new `id`, and a
// failed open (no driver, memory, or a layer's open) always ends with the screen closed.
// SCREEN by number and by size are thin entries over it. Program thread only.
#pragma once

#include <cstddef>
#include <cstdint>

struct StringDescriptor;

struct FontInfo;
struct PaletteInfo;
struct GfxDriver;
struct TextCell;
struct GfxEvent;
struct RtLock;

// One entry of the numbered-mode table.
struct ModeInfo {
    uint16_t width; // 0 = mode not available
    uint16_t height;
    uint8_t depth;
    uint8_t lineMultiplier;
    uint8_t defaultPages;
    const PaletteInfo* paletteInfo;
    const FontInfo* font;
    uint8_t textColumns;
    uint8_t textRows;
    float aspect; // 0.0 = from the size
};

static_assert(offsetof(ModeInfo, height) == 2 && offsetof(ModeInfo, depth) == 4 &&
                  offsetof(ModeInfo, lineMultiplier) == 5 &&
                  offsetof(ModeInfo, defaultPages) == 6 &&
                  offsetof(ModeInfo, textColumns) > offsetof(ModeInfo, font) &&
                  offsetof(ModeInfo, aspect) > offsetof(ModeInfo, textRows),
              "ModeInfo fields in the fixed order");

constexpr int32_t MODE_COUNT = 21;
extern const ModeInfo MODE_TABLE[MODE_COUNT]; // mode n is entry n - 1

// Screen flags (SCREEN's flags argument).
enum : int32_t {
    SCRF_FULLSCREEN = 0x01,
    SCRF_OPENGL = 0x02,
    SCRF_FIXED = 0x04,
    SCRF_BORDERLESS = 0x08,
    SCRF_TRANSPARENT = 0x10,
    SCRF_TOPMOST = 0x20,
    SCRF_ALPHA = 0x40,
    SCRF_HIGH_PRIORITY = 0x80,
    SCRF_STENCIL = 0x10000,
    SCRF_ACCUM = 0x20000,
    SCRF_MULTISAMPLE = 0x40000,
    SCRF_NULL = -1,
    SCRF_QUIET_CLOSE = INT32_MIN, // 0x80000000
};

// GfxMode::flags.
enum : uint32_t {
    TEXT_SCROLL_PENDING = 0x4,
    MODE_ALPHA = 0x8,
    MODE_HIGH_PRIORITY = 0x20,
    MODE_MMX = 0x1000000,
    MODE_OPENGL = 0x20000000,
};

struct GfxMode {
    int32_t id;
    int32_t modeNumber; // 1..21, or -1 for a screen opened by size
    uint8_t** pages;    // 16-byte aligned; the 4 bytes before each hold its allocation
    int32_t pageCount;
    int32_t visiblePage;  // these two written by gfxShowPage alone
    uint8_t* framebuffer; // first byte of the visible page
    int32_t width, height;
    int32_t depth;
    int32_t bytesPerPixel;
    int32_t pitch;
    uint32_t* colorTable; // 256 entries, 0x00BBGGRR
    uint32_t* palette;    // 256 entries, 0x00BBGGRR
    uint8_t* attrMap;     // 16 entries
    uint8_t* dirtyLines;  // height * lineMultiplier bytes
    const GfxDriver* driver;
    uint32_t colorMask;
    const PaletteInfo* paletteInfo;
    int32_t lineMultiplier;
    // The graphics console's (gfx/console), written by it alone: set up as
    // its layer opens, with textCells below.
    int32_t textColumnCursor, textRowCursor;
    const FontInfo* font;
    int32_t textColumns, textRows;
    float aspect;
    uint8_t* keyState; // 128 bytes
    int32_t refreshRate;
    TextCell** textCells; // one buffer per page
    GfxEvent* events;     // 128 records
    int32_t eventRead, eventWrite;
    RtLock* eventLock;
    uint32_t flags;
    int32_t lockCount;
};

static_assert(offsetof(GfxMode, modeNumber) == 4 && offsetof(GfxMode, pages) == 8,
              "GfxMode fields in the fixed order");
static_assert(offsetof(GfxMode, lockCount) + sizeof(int32_t) == sizeof(GfxMode),
              "lockCount is the last field");

// The shadow of one character cell of the graphics text console.
struct TextCell {
    uint16_t character;
    uint16_t reserved;
    uint32_t foreground; // pixel format at the time of printing
    uint32_t background;
};
static_assert(sizeof(TextCell) == 12, "character, two bytes of alignment, two colours");

constexpr int32_t GFX_KEY_STATE_SIZE = 128;
constexpr int32_t GFX_EVENT_CAPACITY = 128;
constexpr int32_t GFX_PALETTE_SIZE = 256;
constexpr int32_t GFX_ATTR_MAP_SIZE = 16;
constexpr int32_t GFX_TITLE_SIZE = 128;

// The open screen, or null.
extern GfxMode* gfxMode;
// Value given to the next screen's `id`; starts at 1.
extern int32_t gfxNextModeId;
// True while the open screen's driver has a lock of its own to take (any
// driver but the Null driver, whose lock and unlock do nothing). Set when the
// driver opens, cleared at teardown; spares every PSET the indirect calls.
extern bool gfxDriverLocks;
// The window title (null until the first open) and its storage.
extern char gfxTitleBuffer[GFX_TITLE_SIZE];
extern char* gfxTitle;

// SCREEN mode[, depth, pages, flags, refresh]: mode 0 closes. Records and
// returns 0 also when no driver opens; an unknown mode gives error 1.
extern "C" int32_t gfxScreen(int32_t mode, int32_t depth, int32_t pages, int32_t flags,
                             int32_t refreshRate);
// SCREEN by size; returns gfxSetMode's result, or 1 for bad arguments.
extern "C" int32_t gfxScreenSize(int32_t width, int32_t height, int32_t depth, int32_t pages,
                                 int32_t flags, int32_t refreshRate);
// SCREEN mode, work page, visible page.
extern "C" int32_t gfxScreenPages(int32_t mode, int32_t workPage, int32_t visiblePage);
// Opens (info non-null, modeNumber nonzero) or closes the screen: 0 or error 1.
int32_t gfxSetMode(const ModeInfo* info, int32_t modeNumber, int32_t depth, int32_t pages,
                   int32_t refreshRate, int32_t flags);
// Sets the window title (at most 127 bytes); releases a temporary string.
extern "C" void gfxSetTitle(StringDescriptor* text);
// The one writer of visiblePage and framebuffer: shows page `page` (within
// the page count). Once a driver may read them the caller holds the
// framebuffer lock, and marks the lines to redraw.
void gfxShowPage(GfxMode* mode, int32_t page);
// Exit handler: closes an open screen without touching the text console.
void gfxCloseAtExit();
