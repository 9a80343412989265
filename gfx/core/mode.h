// The open graphics screen: the numbered-mode table, the screen flags and the
// one process-wide `GfxMode` record (null while no screen is open).
#pragma once

#include <cstdint>

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
    int32_t visiblePage;
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

// The open screen, or null.
extern GfxMode* gfxMode;
