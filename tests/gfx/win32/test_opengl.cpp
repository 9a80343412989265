// The OpenGL driver under Wine with Mesa: the pixel-format requests (seen by a
// recording stand-in in front of the real WGL routines, and checked on the
// format Mesa gives), the extension rule, refusals, failures that leave
// nothing behind, input only while events are pumped, and the switch to full
// screen that keeps the rendering context.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx/directx/directx.h"
#include "gfx/opengl/opengl.h"
#include "gfx/opengl/opengl_internal.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

// Records what the driver asks of WGL and fails chosen calls; everything else
// goes to the real routines.
struct StandIn {
    const char* glExtensions = nullptr;        // replaces glGetString(GL_EXTENSIONS)
    bool refuseMultisample = false;            // the ARB chooser finds no multisampled format
    const char* failRoutine = "";              // fail this routine's failCall-th call
    int failCall = 0;                          // 0: every call
    std::vector<std::vector<int>> arbRequests; // attribute lists, in call order
    int platformChooses = 0;
    int liveContexts = 0;
    std::vector<std::string> calls;

    std::string callList() const {
        std::string list;
        for (const std::string& c : calls)
            list += c + " ";
        return list;
    }
    WglCreateContextFn createContext;
    WglMakeCurrentFn makeCurrent;
    WglDeleteContextFn deleteContext;
    WglGetProcAddressFn getProcAddress;
    WglChoosePixelFormatArbFn chooseArb;
    const GLubyte*(APIENTRY* getString)(GLenum);

    bool fails(const char* routine) {
        calls.push_back(routine);
        int n = 0;
        for (const std::string& c : calls)
            n += c == routine;
        return std::strcmp(routine, failRoutine) == 0 && (failCall == 0 || n == failCall);
    }
};
StandIn standIn;

HGLRC WINAPI createContext(HDC dc) {
    if (standIn.fails("createContext")) return nullptr;
    HGLRC context = standIn.createContext(dc);
    if (context) ++standIn.liveContexts;
    return context;
}
BOOL WINAPI makeCurrent(HDC dc, HGLRC context) {
    if (context && standIn.fails("makeCurrent")) return FALSE;
    return standIn.makeCurrent(dc, context);
}
BOOL WINAPI deleteContext(HGLRC context) {
    --standIn.liveContexts;
    return standIn.deleteContext(context);
}
BOOL WINAPI chooseArb(HDC dc, const int* list, const FLOAT* f, UINT max, int* formats,
                      UINT* count) {
    std::vector<int> request;
    for (const int* p = list; *p; p += 2)
        request.insert(request.end(), {p[0], p[1]});
    standIn.arbRequests.push_back(request);
    bool multisampled = false;
    for (size_t i = 0; i < request.size(); i += 2)
        multisampled |= request[i] == WGL_SAMPLE_BUFFERS_ARB;
    if (standIn.fails("chooseArb") || (standIn.refuseMultisample && multisampled)) {
        *count = 0;
        return FALSE;
    }
    return standIn.chooseArb(dc, list, f, max, formats, count);
}
PROC WINAPI getProcAddress(LPCSTR name) {
    PROC real = standIn.getProcAddress(name);
    if (std::strcmp(name, "wglChoosePixelFormatARB") != 0 || !real) return real;
    standIn.chooseArb = reinterpret_cast<WglChoosePixelFormatArbFn>(reinterpret_cast<void*>(real));
    return reinterpret_cast<PROC>(reinterpret_cast<void*>(chooseArb));
}
const GLubyte* APIENTRY getString(GLenum name) {
    if (name == GL_EXTENSIONS && standIn.glExtensions)
        return reinterpret_cast<const GLubyte*>(standIn.glExtensions);
    return standIn.getString(name);
}
int WINAPI choosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* d) {
    ++standIn.platformChooses;
    return standIn.fails("choosePixelFormat") ? 0 : ChoosePixelFormat(dc, d);
}
BOOL WINAPI setPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* d) {
    return standIn.fails("setPixelFormat") ? FALSE : SetPixelFormat(dc, format, d);
}

template <typename T, typename F> void swap(void*& slot, T& real, F standInRoutine) {
    real = reinterpret_cast<T>(slot);
    slot = reinterpret_cast<void*>(standInRoutine);
}

RtLibrary libLoad(const char* file, const char* const* names, void** addresses) {
    if (standIn.fails("libLoad")) return nullptr;
    RtLibrary library = rtLibLoad(file, names, addresses);
    if (library) {
        swap(addresses[0], standIn.createContext, createContext);
        swap(addresses[1], standIn.makeCurrent, makeCurrent);
        swap(addresses[2], standIn.deleteContext, deleteContext);
    }
    return library;
}
int32_t libResolve(RtLibrary library, const char* const* names, void** addresses, int32_t n) {
    if (rtLibResolve(library, names, addresses, n) != 0) return -1;
    if (std::strcmp(names[0], "wglGetProcAddress") == 0)
        swap(addresses[0], standIn.getProcAddress, getProcAddress);
    if (n == GL_FUNCTION_COUNT) swap(addresses[2], standIn.getString, getString);
    return 0;
}

const OglPlatform REAL_PLATFORM = oglPlatform;

// The program links no OpenGL: its routines come from the library the driver
// loaded, while it is loaded.
template <typename T> T glRoutine(const char* name) {
    HMODULE gl = GetModuleHandleA("opengl32.dll");
    return gl ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(gl, name))) : nullptr;
}

HGLRC currentContext() {
    auto current = glRoutine<HGLRC(WINAPI*)()>("wglGetCurrentContext");
    return current ? current() : nullptr;
}

BOOL CALLBACK countWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Windows of this thread: the driver's windows live on it.
int threadWindows() {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

class OpenGl : public ::testing::Test {
  protected:
    void SetUp() override {
        _putenv("ZQGFX=");
        standIn = StandIn{};
        oglPlatform = {libLoad, libResolve, choosePixelFormat, setPixelFormat};
        windowsBefore = threadWindows();
    }
    void TearDown() override {
        closeScreen();
        OPENGL_DRIVER.close();
        oglPlatform = REAL_PLATFORM;
        _putenv("ZQGFX=");
    }
    int32_t open(int32_t depth, int32_t flags) {
        return OPENGL_DRIVER.open("zqgl", 320, 200, depth, 0, SCRF_OPENGL | flags, &opened);
    }
    // After a close: no window, context or class left, the library released.
    void expectNothingLeft() {
        EXPECT_EQ(threadWindows(), windowsBefore);
        EXPECT_EQ(standIn.liveContexts, 0);
        EXPECT_EQ(currentContext(), nullptr);
        WNDCLASSA c;
        EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "zqgfxclass_zqgl", &c));
        EXPECT_EQ(oglState.module, nullptr);
    }
    int windowsBefore = 0;
};

// The value of one attribute in a request; -1 when it is absent.
int valueOf(const std::vector<int>& request, int name) {
    for (size_t i = 0; i < request.size(); i += 2)
        if (request[i] == name) return request[i + 1];
    return -1;
}

TEST_F(OpenGl, AttributesFollowDepthAndFlags) {
    // Every request in the order it is made: window, acceleration and double
    // buffer, colour and depth, then accumulation, stencil and samples.
    const std::vector<int> common = {WGL_DRAW_TO_WINDOW_ARB, 1,
                                     WGL_ACCELERATION_ARB,   WGL_FULL_ACCELERATION_ARB,
                                     WGL_DOUBLE_BUFFER_ARB,  1};
    auto colour = [](int bits, int rgb, int alpha) {
        return std::vector<int>{WGL_COLOR_BITS_ARB, bits,  WGL_RED_BITS_ARB,   rgb,
                                WGL_GREEN_BITS_ARB, rgb,   WGL_BLUE_BITS_ARB,  rgb,
                                WGL_ALPHA_BITS_ARB, alpha, WGL_DEPTH_BITS_ARB, 16};
    };
    const std::vector<int> extras = {WGL_ACCUM_BITS_ARB,       32, WGL_ACCUM_RED_BITS_ARB,  8,
                                     WGL_ACCUM_GREEN_BITS_ARB, 8,  WGL_ACCUM_BLUE_BITS_ARB, 8,
                                     WGL_ACCUM_ALPHA_BITS_ARB, 8,  WGL_STENCIL_BITS_ARB,    8,
                                     WGL_SAMPLE_BUFFERS_ARB,   1,  WGL_SAMPLES_ARB,         4};
    struct Case {
        int32_t depth, flags;
        std::vector<int> tail;
    };
    const Case cases[] = {
        {32, 0, colour(32, 8, 8)},
        {16, 0, colour(16, 5, 0)},
        {32, SCRF_STENCIL | SCRF_ACCUM | SCRF_MULTISAMPLE, colour(32, 8, 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth + c.flags);
        standIn.arbRequests.clear();
        ASSERT_EQ(open(c.depth, c.flags), 0) << standIn.callList();
        ASSERT_FALSE(standIn.arbRequests.empty());
        std::vector<int> expected = common;
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        if (c.flags) expected.insert(expected.end(), extras.begin(), extras.end());
        EXPECT_EQ(standIn.arbRequests[0], expected);
        EXPECT_EQ(currentContext(), oglState.context);

        // What Mesa gave for a plain 32-bit request: the colour asked for and
        // at least the depth.
        if (c.depth == 32 && c.flags == 0) {
            PIXELFORMATDESCRIPTOR d;
            ASSERT_NE(DescribePixelFormat(oglState.dc, GetPixelFormat(oglState.dc), sizeof d, &d),
                      0);
            EXPECT_EQ(std::vector<int>({d.cRedBits, d.cGreenBits, d.cBlueBits, d.cAlphaBits}),
                      std::vector<int>({8, 8, 8, 8}));
            EXPECT_GE(d.cDepthBits, 16);
            EXPECT_TRUE(d.dwFlags & PFD_DOUBLEBUFFER);
        }
        OPENGL_DRIVER.close();
        expectNothingLeft();
    }
}

TEST_F(OpenGl, RefusedMultisamplingFallsBackToFewerSamplesThenTheSystemChooser) {
    standIn.refuseMultisample = true;
    ASSERT_EQ(open(32, SCRF_MULTISAMPLE), 0);
    std::vector<int> samples;
    for (const std::vector<int>& r : standIn.arbRequests)
        samples.push_back(valueOf(r, WGL_SAMPLES_ARB));
    EXPECT_EQ(samples, (std::vector<int>{4, 2, 0}));
    EXPECT_EQ(standIn.platformChooses, 2); // the setup window's and the fallback
}

TEST_F(OpenGl, ExtensionNameMustEndAtASpaceOrTheEnd) {
    struct Case {
        const char* text;
        int32_t found;
    };
    const Case cases[] = {
        {"GL_A GL_EXT_bgra", 1},          {"GL_EXT_bgra GL_B", 1}, {"GL_EXT_bgra_x", 0},
        {"GL_EXT_bgra_x GL_EXT_bgra", 1}, {"XGL_EXT_bgra", 1},     {"", 0},
    };
    for (const Case& c : cases) {
        std::strcpy(oglState.extensions, c.text);
        EXPECT_EQ(oglHasExtension("GL_EXT_bgra"), c.found) << c.text;
    }
}

TEST_F(OpenGl, FailureAtAnyStepLeavesNothingBehind) {
    struct Case {
        const char* routine;
        int call;
        const char* glExtensions;
    };
    const Case cases[] = {
        {"libLoad", 1, nullptr},
        {"choosePixelFormat", 1, nullptr}, // setup window
        {"setPixelFormat", 1, nullptr},
        {"createContext", 1, nullptr}, // temporary context
        {"makeCurrent", 1, nullptr},
        {"", 0, "GL_EXT_bgra_x GL_ARB_multitexture"}, // no GL_EXT_bgra
        {"setPixelFormat", 2, nullptr},               // the window
        {"createContext", 2, nullptr},
        {"makeCurrent", 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.routine) + " " + std::to_string(c.call));
        standIn = StandIn{};
        standIn.failRoutine = c.routine;
        standIn.failCall = c.call;
        standIn.glExtensions = c.glExtensions;
        EXPECT_EQ(open(32, 0), -1);
        OPENGL_DRIVER.close();
        expectNothingLeft();
    }
    // A SCREEN that no driver opens ends closed.
    standIn = StandIn{};
    standIn.failRoutine = "libLoad";
    EXPECT_EQ(gfxScreenSize(320, 200, 32, 1, SCRF_OPENGL, 0), 1);
    EXPECT_EQ(gfxMode, nullptr);
}

TEST_F(OpenGl, OnlyOpenGlOpensOpenGlScreens) {
    EXPECT_EQ(OPENGL_DRIVER.open("zqgl", 320, 200, 32, 0, 0, &opened), -1);
    EXPECT_TRUE(standIn.calls.empty()) << "refused before loading anything";
    OPENGL_DRIVER.close();
    for (const GfxDriver* other : {&GDI_DRIVER, &DIRECTX_DRIVER}) {
        EXPECT_EQ(other->open("zqgl", 320, 200, 32, 0, SCRF_OPENGL, &opened), -1) << other->name;
        other->close();
    }
    expectNothingLeft();

    ASSERT_EQ(gfxScreenSize(320, 200, 32, 1, SCRF_OPENGL, 0), 0);
    ASSERT_NE(gfxMode, nullptr);
    EXPECT_STREQ(gfxMode->driver->name, "OpenGL");
    EXPECT_NE(oglState.module, nullptr);
    closeScreen();
    EXPECT_EQ(oglState.module, nullptr);
}

TEST_F(OpenGl, InputArrivesOnlyWhileEventsArePumped) {
    ASSERT_EQ(gfxScreenSize(320, 200, 32, 1, SCRF_OPENGL, 0), 0);
    OPENGL_DRIVER.pumpEvents();
    takeEvents();
    takeKeys();
    HWND w = winState.window;
    gfxInput.x = gfxInput.y = 0;
    PostMessageA(w, WM_KEYDOWN, VK_F1, keyParam(0x3B));
    PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(17, 23));
    PostMessageA(w, WM_CLOSE, 0, 0);
    Sleep(100);
    EXPECT_TRUE(takeKeys().empty());
    EXPECT_TRUE(takeEvents().empty());
    EXPECT_EQ(gfxInput.x, 0);

    OPENGL_DRIVER.pumpEvents();
    EXPECT_EQ(takeKeys(), (std::vector<int32_t>{0x3BFF, KEY_WINDOW_CLOSE}));
    std::vector<GfxEvent> events = takeEvents();
    EXPECT_TRUE(hasEvent(events, EV_KEY_DOWN));
    EXPECT_TRUE(hasEvent(events, EV_CLOSE_REQUEST));
    EXPECT_EQ(gfxInput.x, 17);
    EXPECT_EQ(gfxInput.y, 23);
}

TEST_F(OpenGl, AltEnterSwitchesToFullScreenAndKeepsTheContext) {
    ASSERT_EQ(gfxScreen(21, 32, 1, SCRF_OPENGL, 0), 0);
    ASSERT_STREQ(gfxMode->driver->name, "OpenGL");
    auto isTexture = glRoutine<GLboolean(APIENTRY*)(GLuint)>("glIsTexture");
    ASSERT_NE(isTexture, nullptr);
    GLuint texture = 0;
    oglState.gl.genTextures(1, &texture);
    oglState.gl.bindTexture(GL_TEXTURE_2D, texture);
    ASSERT_TRUE(isTexture(texture));
    HGLRC context = currentContext();
    HWND window = winState.window;

    for (int32_t fullScreen : {int32_t{SCRF_FULLSCREEN}, 0}) {
        SCOPED_TRACE(fullScreen);
        PostMessageA(window, WM_SYSKEYDOWN, VK_RETURN, keyParam(0x1C) | (1 << 29));
        EXPECT_EQ(winState.flags & SCRF_FULLSCREEN, fullScreen ^ SCRF_FULLSCREEN)
            << "nothing happens before the program pumps";
        OPENGL_DRIVER.pumpEvents();
        EXPECT_EQ(winState.flags & SCRF_FULLSCREEN, fullScreen);
        EXPECT_EQ(winState.window, window);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(currentContext(), context);
        EXPECT_TRUE(isTexture(texture));
        RECT r;
        GetWindowRect(window, &r);
        if (fullScreen) {
            EXPECT_EQ(r.right - r.left, 1280);
        }
    }
}

TEST_F(OpenGl, ListModesTakesExactlyTheDepth) {
    for (int32_t depth : {8, 16, 32}) {
        int expected = 0;
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i)
            expected += static_cast<int32_t>(mode.dmBitsPerPel) == depth;
        int32_t count = -1;
        int32_t* modes = OPENGL_DRIVER.listModes(depth, &count);
        EXPECT_EQ(count, expected) << depth;
        std::free(modes);
    }
}

} // namespace
