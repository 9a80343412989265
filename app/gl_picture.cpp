// gl_picture: the demonstration's picture shown through OpenGL. The program
// opens a 1280 x 1024 screen with SCRF_OPENGL in a window, draws the picture
// and the message on it through the runtime, then shows the framebuffer as a
// texture on a window-sized quad until a key arrives.
//
// The screen is a 32-bit one, where colours are stored as they are given (a
// 16-bit screen would turn them into 5-6-5 values). The demonstration's
// drawing only ever stores 0 to 15, so with the default foreground set to 15
// (and the background 0, which the 32-bit screen would make opaque black)
// the framebuffer holds exactly the palette indices the 8-bit screen would,
// and the palette is applied when the texture is made.
#include <windows.h>

#include <GL/gl.h>

#include <vector>

#include "app/demo.h"
#include "gfx/console/console_hooks.h"
#include "gfx/console/pages.h"
#include "gfx/core/builtin_data.h"
#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "runtime/runtime.h"

namespace {
constexpr int32_t PICTURE_MODE = 21;
constexpr int32_t PICTURE_DEPTH = 32;
constexpr uint32_t FULL_ALPHA = 0xFF000000u;

// Mode 21's default palette, entry 0 black, as BGRA words.
std::vector<uint32_t> paletteBgra() {
    const PaletteInfo* info = MODE_TABLE[PICTURE_MODE - 1].paletteInfo;
    std::vector<uint32_t> bgra(256, FULL_ALPHA);
    for (int32_t i = 1; i < info->count && i < 256; ++i) {
        const uint8_t* rgb = info->colors + 3 * i;
        bgra[i] = FULL_ALPHA | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    }
    return bgra;
}

// The visible page through the palette: one BGRA word per pixel, rows from
// the top.
std::vector<uint32_t> framebufferBgra() {
    const GfxMode* m = gfxMode;
    std::vector<uint32_t> palette = paletteBgra();
    std::vector<uint32_t> pixels(static_cast<size_t>(m->width) * m->height);
    for (int32_t y = 0; y < m->height; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(m->framebuffer + ptrdiff_t{y} * m->pitch);
        for (int32_t x = 0; x < m->width; ++x)
            pixels[static_cast<size_t>(y) * m->width + x] = palette[row[x] & 0xFF];
    }
    return pixels;
}

// A texture holding the picture, drawn 1:1: one texel per window pixel.
GLuint makeTexture(int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                 pixels.data());
    return texture;
}

// Pixel coordinates with the origin at the window's top-left corner.
void setUpView(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
}

void drawQuad(int32_t width, int32_t height) {
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(0, 0);
    glTexCoord2f(1, 0);
    glVertex2i(width, 0);
    glTexCoord2f(1, 1);
    glVertex2i(width, height);
    glTexCoord2f(0, 1);
    glVertex2i(0, height);
    glEnd();
}
} // namespace

int main(int argc, char** argv) {
    rtInit(argc, argv, 0);
    if (gfxScreen(PICTURE_MODE, PICTURE_DEPTH, 1, SCRF_OPENGL, 0) != 0 || !gfxMode ||
        !(gfxMode->flags & MODE_OPENGL) || !gfxMode->driver->present)
        rtEnd(1);
    // COLOR 15, 0 and CLS: the 8-bit screen's default colours, on every pixel.
    gfxSetColors(15, 0, 0);
    rtCls(0);
    demoDrawPicture();
    demoPrintMessage();

    int32_t width = gfxMode->width, height = gfxMode->height;
    setUpView(width, height);
    GLuint texture = makeTexture(width, height, framebufferBgra());
    // PCOPY on this screen presents the frame and handles the window's
    // messages; a key pressed in the window ends the program.
    while (!rtKeyHit()) {
        drawQuad(width, height);
        gfxPageCopy(-1, -1);
        Sleep(10);
    }
    glDeleteTextures(1, &texture);
    rtEnd(0);
}
