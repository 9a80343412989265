// The canvas driver's display side: the page's canvas sized to the screen, the
// dirty band converted into an RGBA picture and put on the canvas whenever
// the program waits or yields (the runtime's idle routine), the driver record.
#include <emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gfx/canvas/canvas.h"
#include "gfx/canvas/canvas_internal.h"
#include "gfx/core/mode.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "runtime/platform.h"

CanvasState canvasState;

namespace {

// The canvas sized to the picture and shown (the text console hidden); 0
// when there is no page or no canvas on it.
EM_JS(int, zqCanvasAttach, (int width, int height), {
    if (typeof document == 'undefined') return 0;
    var canvas = document.getElementById('zq-screen');
    if (!canvas || !canvas.getContext) return 0;
    var context = canvas.getContext('2d', {alpha : false});
    if (!context) return 0;
    canvas.width = width;
    canvas.height = height;
    // Scaled by the page's style, never smoothed.
    canvas.style.imageRendering = 'pixelated';
    canvas.hidden = false;
    var text = document.getElementById('zq-console');
    if (text) text.hidden = true;
    context.fillStyle = '#000';
    context.fillRect(0, 0, width, height);
    Module.zqCanvasContext = context;
    return 1;
});

// Rows [top, top + count) of the picture onto the canvas.
EM_JS(void, zqCanvasPut, (const uint8_t* picture, int width, int top, int count), {
    var context = Module.zqCanvasContext;
    if (!context) return;
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, picture + top * width * 4, width * count * 4);
    context.putImageData(new ImageData(bytes, width, count), 0, top);
});

// The picture stays; the text console shows again below it.
EM_JS(void, zqCanvasDetach, (), {
    Module.zqCanvasContext = null;
    var text = document.getElementById('zq-console');
    if (text) text.hidden = false;
});

EM_JS(void, zqCanvasTitle, (const char* title), {
    if (typeof document != 'undefined') document.title = UTF8ToString(title);
});

// The display the page is on, for the open's report and the mode list.
EM_JS(int, zqScreenSize, (), {
    if (typeof screen == 'undefined') return 0;
    return (screen.width << 16) | (screen.height & 0xFFFF);
});

// Inside a long computation the picture is shown only so often that showing
// takes about a twentieth of the time, and ten times a second at most: the
// whole screen, as a loop that draws everywhere leaves it, takes milliseconds
// to convert and put, and the page as much again to paint.
constexpr double BUSY_SHOW_SHARE = 20.0;
constexpr double BUSY_SHOW_MS = 100.0;

// The idle routine: the dirty band onto the canvas.
void show(int32_t busy) {
    CanvasState& s = canvasState;
    if (!s.picture) return;
    double start = emscripten_get_now();
    if (busy && start - s.shownAt < std::max(BUSY_SHOW_MS, s.showCost * BUSY_SHOW_SHARE)) return;
    // The blitters read the mode's palette: a change redraws everything.
    if (s.paletteChanged) {
        s.paletteChanged = 0;
        gfxMarkAllDirty();
    }
    GfxBand band = gfxTakeDirtyBand(s.blitter, s.picture, s.width * 4);
    if (band.count == 0) return;
    // Red in the low byte is the canvas's byte order; the canvas wants every
    // pixel opaque.
    auto* words = reinterpret_cast<uint32_t*>(s.picture) + static_cast<size_t>(band.top) * s.width;
    for (size_t i = 0, n = static_cast<size_t>(band.count) * s.width; i < n; ++i)
        words[i] |= 0xFF000000u;
    zqCanvasPut(s.picture, s.width, band.top, band.count);
    s.shownAt = emscripten_get_now();
    s.showCost = s.shownAt - start;
}

void canvasClose() {
    CanvasState& s = canvasState;
    // The program's last picture stays on the page.
    show(0);
    rtSetIdleRoutine(nullptr);
    canvasStopListening();
    gfxInputClose();
    if (s.attached) zqCanvasDetach();
    std::free(s.picture);
    s = {};
}

int32_t canvasOpen(const char* title, int32_t width, int32_t height, int32_t, int32_t,
                   int32_t flags, GfxDisplayInfo* opened) {
    // No colour-keyed windows and no OpenGL contexts here.
    if (flags & (SCRF_OPENGL | SCRF_TRANSPARENT)) return -1;
    CanvasState& s = canvasState;
    s = {};
    s.width = width;
    s.height = height;
    // A page enters full screen only on the user's gesture: the screen opens
    // on the page, and ALT+ENTER switches.
    s.flags = flags & ~SCRF_FULLSCREEN;
    s.blitter = gfxSelectBlitter(32, 1);
    if (!s.blitter || !zqCanvasAttach(width, height)) return -1;
    s.attached = 1;
    s.picture = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(width) * height, 4));
    if (!s.picture) return -1;
    canvasListen();
    if (title) zqCanvasTitle(title);
    rtSetIdleRoutine(show);
    gfxMarkAllDirty();
    *opened = {.refreshRate = 0, .width = width, .height = height};
    return 0;
}

int32_t* canvasListModes(int32_t depth, int32_t* count) {
    GfxModeList list = {nullptr, 0};
    int32_t size = zqScreenSize();
    if (size) gfxModeListAdd(&list, size >> 16, size & 0xFFFF, 32, depth, true);
    if (count) *count = list.count;
    return list.modes;
}

} // namespace

constinit const GfxDriver CANVAS_DRIVER = [] {
    GfxDriver d = gfxDisplayDriver("Canvas");
    // One thread: nothing to lock against.
    d.lock = d.unlock = nullptr;
    d.open = canvasOpen;
    d.close = canvasClose;
    d.setColor = [](int32_t, int32_t, int32_t, int32_t) { canvasState.paletteChanged = 1; };
    d.setCaption = [](const char* title) { zqCanvasTitle(title ? title : ""); };
    d.listModes = canvasListModes;
    return d;
}();
