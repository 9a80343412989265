// What the layers above the core keep with each screen. Each such layer fills
// a record of two routines and has it added to the core's short list (by the
// platform's composition unit, at start-up); `gfxSetMode` calls them as a
// screen opens and closes. The core names none of them, so it works with an
// empty list too: a screen opens and draws, with no console and no blitter
// tables. Program thread only.
#pragma once

#include <cstdint>

struct GfxMode;
struct ModeInfo;

// When a layer's open runs.
enum : int32_t {
    // Once the screen's buffers exist, before the driver opens (the driver may
    // use what the layer allocates).
    GFX_LAYER_WITH_BUFFERS = 0,
    // Once the driver, the palette and the drawing context are set up and the
    // pages are cleared.
    GFX_LAYER_WITH_SCREEN = 1,
};

struct GfxScreenLayer {
    int32_t stage; // GFX_LAYER_WITH_*
    // 0, or an error number: the open then fails with it and ends closed.
    int32_t (*open)(GfxMode* mode, const ModeInfo* info);
    // At every teardown of a screen, after its driver closed and before its
    // buffers are freed, for every listed layer (last added first): also when
    // the open failed before this layer's open ran or within it, so it must
    // be safe on whatever state it finds.
    void (*close)(GfxMode* mode);
};

constexpr int32_t GFX_MAX_SCREEN_LAYERS = 8;

// The list changes only while no screen is open, so a screen is always closed
// by the layers it was opened with.
// Adds a layer at the end (one already listed stays where it is): 0, or 1
// while a screen is open, when the record is null or the list is full.
int32_t gfxAddScreenLayer(const GfxScreenLayer* layer);
// Takes a layer off the list: 0, or 1 while a screen is open or when the
// record is not listed.
int32_t gfxRemoveScreenLayer(const GfxScreenLayer* layer);
// The listed layers, in the order added; their number in *count.
const GfxScreenLayer* const* gfxScreenLayers(int32_t* count);
