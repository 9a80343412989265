// The OpenGL driver: a window with a current rendering context on the
// program's thread; its messages are handled when the program pumps events.
#include "gfx/opengl/opengl.h"

#include <cstring>

#include "gfx/core/driver.h"
#include "gfx/core/mode.h"
#include "gfx/display/display.h"
#include "gfx/display/input.h"
#include "gfx/opengl/opengl_internal.h"
#include "gfx/win32/window.h"

OglState oglState;
GlAttributes oglRequested;
OglPlatform oglPlatform = {rtLibLoad, rtLibResolve, ChoosePixelFormat, SetPixelFormat};

const char* const GL_FUNCTION_NAMES[GL_FUNCTION_COUNT] = {
    "glEnable",       "glDisable",     "glGetString",      "glViewport",    "glMatrixMode",
    "glLoadIdentity", "glOrtho",       "glShadeModel",     "glDepthMask",   "glClearColor",
    "glClear",        "glGenTextures", "glDeleteTextures", "glBindTexture", "glTexImage2D"};

namespace {
constexpr const char* WGL_NAMES[] = {"wglCreateContext", "wglMakeCurrent", "wglDeleteContext",
                                     nullptr};
constexpr const char* GET_PROC_ADDRESS_NAME[] = {"wglGetProcAddress"};
constexpr int32_t RGB_BITS[4] = {0, 5, 8, 8};
constexpr int32_t ALPHA_BITS[4] = {0, 0, 0, 8};
constexpr int32_t DEFAULT_DEPTH_BITS = 16;
constexpr int32_t DEFAULT_STENCIL_BITS = 8;
constexpr int32_t DEFAULT_ACCUM_BITS = 32;
constexpr int32_t DEFAULT_SAMPLES = 4;
constexpr GLenum MULTISAMPLE = 0x809D;
// Caption, system menu, sizing frame, minimise and maximise boxes removed.
constexpr LONG NO_FRAME = static_cast<LONG>(0xFF30FFFF);
constexpr int32_t ATTRIBUTE_LIST_SIZE = 40;

template <typename T> T entry(void* address) {
    return reinterpret_cast<T>(address);
}

template <typename T> T procedure(const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(oglState.getProcAddress(name)));
}

PIXELFORMATDESCRIPTOR basicDescriptor() {
    PIXELFORMATDESCRIPTOR d;
    std::memset(&d, 0, sizeof d);
    d.nSize = sizeof d;
    d.nVersion = 1;
    d.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    d.iPixelType = PFD_TYPE_RGBA;
    d.cColorBits = 32;
    return d;
}

// The WGL extension text through whichever entry point the library offers.
const char* wglExtensionText(HDC dc) {
    auto arb = procedure<WglGetExtensionsStringArbFn>("wglGetExtensionsStringARB");
    if (arb) return arb(dc);
    auto ext = procedure<WglGetExtensionsStringExtFn>("wglGetExtensionsStringEXT");
    return ext ? ext() : nullptr;
}

// With a temporary context on a never-shown window: the remaining entry
// points, the GL routines and the extension texts. Everything it makes is
// gone when it returns.
int32_t probeLibrary() {
    OglState& o = oglState;
    HWND setup = CreateWindowExA(0, winState.className, "OpenGL setup",
                                 WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 8, 8, nullptr,
                                 nullptr, winState.instance, nullptr);
    if (!setup) return -1;
    HDC dc = GetDC(setup);
    PIXELFORMATDESCRIPTOR descriptor = basicDescriptor();
    int format = dc ? oglPlatform.choosePixelFormat(dc, &descriptor) : 0;
    HGLRC temporary = nullptr;
    if (format && oglPlatform.setPixelFormat(dc, format, &descriptor))
        temporary = o.createContext(dc);
    int32_t result = -1;
    void* address = nullptr;
    if (temporary && o.makeCurrent(dc, temporary) &&
        oglPlatform.libResolve(o.module, GET_PROC_ADDRESS_NAME, &address, 1) == 0) {
        o.getProcAddress = entry<WglGetProcAddressFn>(address);
        if (oglLoadFunctions(o.module, wglExtensionText(dc)) == 0) {
            if (oglHasExtension("WGL_ARB_pixel_format"))
                o.choosePixelFormatArb =
                    procedure<WglChoosePixelFormatArbFn>("wglChoosePixelFormatARB");
            result = 0;
        }
    }
    if (temporary) {
        o.makeCurrent(nullptr, nullptr);
        o.deleteContext(temporary);
    }
    if (dc) ReleaseDC(setup, dc);
    DestroyWindow(setup);
    return result;
}

// The attribute list for wglChoosePixelFormatARB, ended by 0, and the same
// requests in the descriptor.
struct FormatRequest {
    int list[ATTRIBUTE_LIST_SIZE];
    int count;
    int samplesAt; // index of WGL_SAMPLES_ARB's value, -1 without multisampling
    PIXELFORMATDESCRIPTOR descriptor;

    void add(int name, int value) {
        list[count++] = name;
        list[count++] = value;
    }
    void addNonzero(int name, int32_t value, BYTE* field) {
        *field = static_cast<BYTE>(value);
        if (value) add(name, value);
    }
};

void buildRequest(FormatRequest& r) {
    const GlAttributes& a = oglState.attributes;
    PIXELFORMATDESCRIPTOR& d = r.descriptor;
    d = basicDescriptor();
    r.count = 0;
    r.samplesAt = -1;
    r.add(WGL_DRAW_TO_WINDOW_ARB, 1);
    r.add(WGL_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB);
    r.add(WGL_DOUBLE_BUFFER_ARB, 1);
    r.add(WGL_COLOR_BITS_ARB, d.cColorBits = static_cast<BYTE>(a.colourBits));
    r.add(WGL_RED_BITS_ARB, d.cRedBits = static_cast<BYTE>(a.red));
    r.add(WGL_GREEN_BITS_ARB, d.cGreenBits = static_cast<BYTE>(a.green));
    r.add(WGL_BLUE_BITS_ARB, d.cBlueBits = static_cast<BYTE>(a.blue));
    r.add(WGL_ALPHA_BITS_ARB, d.cAlphaBits = static_cast<BYTE>(a.alpha));
    r.add(WGL_DEPTH_BITS_ARB, d.cDepthBits = static_cast<BYTE>(a.depth));
    r.addNonzero(WGL_ACCUM_BITS_ARB, a.accumBits, &d.cAccumBits);
    r.addNonzero(WGL_ACCUM_RED_BITS_ARB, a.accumRed, &d.cAccumRedBits);
    r.addNonzero(WGL_ACCUM_GREEN_BITS_ARB, a.accumGreen, &d.cAccumGreenBits);
    r.addNonzero(WGL_ACCUM_BLUE_BITS_ARB, a.accumBlue, &d.cAccumBlueBits);
    r.addNonzero(WGL_ACCUM_ALPHA_BITS_ARB, a.accumAlpha, &d.cAccumAlphaBits);
    r.addNonzero(WGL_STENCIL_BITS_ARB, a.stencil, &d.cStencilBits);
    if (a.samples) {
        r.add(WGL_SAMPLE_BUFFERS_ARB, 1);
        r.add(WGL_SAMPLES_ARB, a.samples);
        r.samplesAt = r.count - 1;
    }
    r.list[r.count] = 0;
}

// The extended chooser first, with fewer samples each time it finds nothing;
// the platform's own chooser last.
int choosePixelFormat(FormatRequest& r) {
    HDC dc = oglState.dc;
    while (oglState.choosePixelFormatArb) {
        int format = 0;
        UINT found = 0;
        if (oglState.choosePixelFormatArb(dc, r.list, nullptr, 1, &format, &found) && found > 0) {
            if (format != 0) return format;
            break;
        }
        if (r.samplesAt < 0 || r.list[r.samplesAt] - 2 < 0) break;
        r.list[r.samplesAt] -= 2;
    }
    return oglPlatform.choosePixelFormat(dc, &r.descriptor);
}

void restoreDisplayMode() {
    if (!oglState.modeChanged) return;
    ChangeDisplaySettingsA(nullptr, 0);
    oglState.modeChanged = 0;
}

void noLock() {}
} // namespace

int32_t oglLoadFunctions(RtLibrary module, const char* wglExtensions) {
    OglState& o = oglState;
    std::memset(&o.gl, 0, sizeof o.gl);
    o.extensions[0] = 0;
    void* addresses[GL_FUNCTION_COUNT];
    if (oglPlatform.libResolve(module, GL_FUNCTION_NAMES, addresses, GL_FUNCTION_COUNT) != 0)
        return -1;
    std::memcpy(&o.gl, addresses, sizeof o.gl);
    const char* gl = reinterpret_cast<const char*>(o.gl.getString(GL_EXTENSIONS));
    size_t used = 0;
    auto append = [&](const char* text) {
        while (text && *text && used < OGL_EXTENSIONS_SIZE - 1)
            o.extensions[used++] = *text++;
        o.extensions[used] = 0;
    };
    append(gl);
    // A name at the end of the GL text must not run into the first WGL name.
    if (wglExtensions && *wglExtensions && used > 0 && o.extensions[used - 1] != ' ') append(" ");
    append(wglExtensions);
    return oglHasExtension("GL_EXT_bgra") ? 0 : -1;
}

int32_t oglHasExtension(const char* name) {
    size_t length = std::strlen(name);
    if (length == 0) return 0;
    for (const char* at = std::strstr(oglState.extensions, name); at;
         at = std::strstr(at + 1, name))
        if (at[length] == ' ' || at[length] == 0) return 1;
    return 0;
}

void oglChooseAttributes(int32_t flags) {
    GlAttributes& a = oglState.attributes;
    a = oglRequested;
    if (!a.colourBits) a.colourBits = a.red + a.green + a.blue + a.alpha;
    if (!a.colourBits) a.colourBits = winState.depth;
    int32_t i = (a.colourBits + 7) / 8 - 1;
    if (i > 3) i = 3;
    if (i >= 0) {
        if (!a.red) a.red = RGB_BITS[i];
        if (!a.green) a.green = RGB_BITS[i];
        if (!a.blue) a.blue = RGB_BITS[i];
        if (!a.alpha) a.alpha = ALPHA_BITS[i];
    }
    if (!a.accumBits) a.accumBits = a.accumRed + a.accumGreen + a.accumBlue + a.accumAlpha;
    int32_t j = (a.accumBits + 7) / 8 - 1;
    if (j > 3) j = 3;
    if (j < 0 && (flags & SCRF_ACCUM)) {
        a.accumBits = DEFAULT_ACCUM_BITS;
        j = 3;
    }
    if (j >= 0) {
        if (!a.accumRed) a.accumRed = RGB_BITS[j];
        if (!a.accumGreen) a.accumGreen = RGB_BITS[j];
        if (!a.accumBlue) a.accumBlue = RGB_BITS[j];
        if (!a.accumAlpha) a.accumAlpha = ALPHA_BITS[j];
    }
    if (!a.depth) a.depth = DEFAULT_DEPTH_BITS;
    if (!a.stencil && (flags & SCRF_STENCIL)) a.stencil = DEFAULT_STENCIL_BITS;
    if (!a.samples && (flags & SCRF_MULTISAMPLE)) a.samples = DEFAULT_SAMPLES;
}

namespace {

int32_t oglInit() {
    WinState& s = winState;
    WinScreen screen = winFindScreen();
    LONG style = GetWindowLongA(s.window, GWL_STYLE);
    UINT placement = SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
    int32_t x = screen.rect.left, y = screen.rect.top, width = s.width, height = s.height;
    if (s.flags & SCRF_FULLSCREEN) {
        if (!winChangeDisplayMode(screen)) return -1;
        oglState.modeChanged = 1;
        style = (style & NO_FRAME) | WS_POPUP;
        placement = SWP_FRAMECHANGED;
    } else if (s.flags & SCRF_BORDERLESS) {
        style = (style & NO_FRAME) | WS_POPUP;
    } else {
        style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        style &= ~(WS_POPUP | WS_THICKFRAME);
        if (s.flags & SCRF_FIXED) style &= ~WS_MAXIMIZEBOX;
    }
    SetWindowLongA(s.window, GWL_STYLE, style);
    if (!(s.flags & SCRF_FULLSCREEN)) {
        RECT outer = {0, 0, s.width, s.height};
        AdjustWindowRect(&outer, static_cast<DWORD>(style), FALSE);
        width = outer.right - outer.left;
        height = outer.bottom - outer.top;
        winCentre(screen, width, height, &x, &y);
    }
    SetWindowPos(s.window, HWND_TOP, x, y, width, height, placement);
    ShowWindow(s.window, SW_SHOW);
    SetForegroundWindow(s.window);
    gfxInputStarted();
    s.opened.width = (s.flags & SCRF_FULLSCREEN) ? screen.rect.right - screen.rect.left : s.width;
    s.opened.height = (s.flags & SCRF_FULLSCREEN) ? screen.rect.bottom - screen.rect.top : s.height;
    return 0;
}

void oglExit() {
    // The window and its rendering context stay, so a switch between window
    // and full screen keeps every texture and setting.
    restoreDisplayMode();
    if (winState.window) ShowWindow(winState.window, SW_HIDE);
}

int32_t oglOpen(const char* title, int32_t width, int32_t height, int32_t depth,
                int32_t refreshRate, int32_t flags, GfxDisplayInfo* opened) {
    OglState& o = oglState;
    std::memset(&winState, 0, sizeof winState);
    o.module = nullptr;
    o.context = nullptr;
    o.dc = nullptr;
    o.choosePixelFormatArb = nullptr;
    if (!(flags & SCRF_OPENGL)) return -1;

    void* wgl[3] = {nullptr, nullptr, nullptr};
    o.module = oglPlatform.libLoad("opengl32.dll", WGL_NAMES, wgl);
    if (!o.module) return -1;
    o.createContext = entry<WglCreateContextFn>(wgl[0]);
    o.makeCurrent = entry<WglMakeCurrentFn>(wgl[1]);
    o.deleteContext = entry<WglDeleteContextFn>(wgl[2]);

    // No paint: the program draws the window's picture itself.
    winState.backEnd = {oglInit, oglExit, nullptr, nullptr};
    if (winInit(title, width, height, depth < 8 ? 8 : depth, refreshRate, flags) != 0) return -1;
    if (probeLibrary() != 0) return -1;
    // Hidden until oglInit has given it its style and place.
    if (winCreateWindow(WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 8, 8) != 0) return -1;
    if (oglInit() != 0) return -1;

    oglChooseAttributes(flags);
    FormatRequest request;
    buildRequest(request);
    o.dc = GetDC(winState.window);
    if (!o.dc) return -1;
    int format = choosePixelFormat(request);
    if (!format || !oglPlatform.setPixelFormat(o.dc, format, &request.descriptor)) return -1;
    o.context = o.createContext(o.dc);
    if (!o.context || !o.makeCurrent(o.dc, o.context)) return -1;
    if (request.samplesAt >= 0 && request.list[request.samplesAt] > 0) o.gl.enable(MULTISAMPLE);
    // The device context is taken after the first placement: the rate is
    // known only now.
    int rate = GetDeviceCaps(o.dc, VREFRESH);
    winState.opened.refreshRate = rate > 1 ? rate : 0;
    *opened = winState.opened;
    return 0;
}

void oglClose() {
    OglState& o = oglState;
    if (o.module) {
        if (o.context) {
            o.makeCurrent(nullptr, nullptr);
            o.deleteContext(o.context);
            o.context = nullptr;
        }
        if (o.dc) ReleaseDC(winState.window, o.dc);
        o.dc = nullptr;
        restoreDisplayMode();
        if (winState.window) DestroyWindow(winState.window);
        winState.window = nullptr;
        rtLibFree(&o.module);
    }
    winExit();
}

void oglPresent() {
    if (oglState.dc) SwapBuffers(oglState.dc);
}

void oglPumpEvents() {
    if (gfxInput.active) winPollKeys();
    winPumpMessages();
}
} // namespace

// No lock (the framebuffer is not shown and there is no display thread) and
// no palette; the frame shown and the window's events on the program's call.
constinit const GfxDriver OPENGL_DRIVER = [] {
    GfxDriver d = winDriver("OpenGL");
    d.open = oglOpen;
    d.close = oglClose;
    d.lock = d.unlock = noLock;
    d.setColor = nullptr;
    d.listModes = winListExactModes;
    d.present = oglPresent;
    d.pumpEvents = oglPumpEvents;
    return d;
}();
