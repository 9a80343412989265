// The OpenGL driver's private state, shared with its tests. Windows only.
#pragma once

#include <windows.h>

#include <GL/gl.h>
// After the GL types it uses.
#include <GL/wglext.h>

#include <cstdint>

#include "runtime/platform.h"

// The GL routines the driver resolves from the library, in this order.
struct GlFunctions {
    void(APIENTRY* enable)(GLenum);
    void(APIENTRY* disable)(GLenum);
    const GLubyte*(APIENTRY* getString)(GLenum);
    void(APIENTRY* viewport)(GLint, GLint, GLsizei, GLsizei);
    void(APIENTRY* matrixMode)(GLenum);
    void(APIENTRY* loadIdentity)();
    void(APIENTRY* ortho)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble);
    void(APIENTRY* shadeModel)(GLenum);
    void(APIENTRY* depthMask)(GLboolean);
    void(APIENTRY* clearColor)(GLclampf, GLclampf, GLclampf, GLclampf);
    void(APIENTRY* clear)(GLbitfield);
    void(APIENTRY* genTextures)(GLsizei, GLuint*);
    void(APIENTRY* deleteTextures)(GLsizei, const GLuint*);
    void(APIENTRY* bindTexture)(GLenum, GLuint);
    void(APIENTRY* texImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                               const GLvoid*);
};
constexpr int32_t GL_FUNCTION_COUNT = 15;
static_assert(sizeof(GlFunctions) == GL_FUNCTION_COUNT * sizeof(void*), "fifteen routines");
extern const char* const GL_FUNCTION_NAMES[GL_FUNCTION_COUNT];

using WglCreateContextFn = HGLRC(WINAPI*)(HDC);
using WglMakeCurrentFn = BOOL(WINAPI*)(HDC, HGLRC);
using WglDeleteContextFn = BOOL(WINAPI*)(HGLRC);
using WglGetProcAddressFn = PROC(WINAPI*)(LPCSTR);
using WglGetExtensionsStringArbFn = const char*(WINAPI*)(HDC);
using WglGetExtensionsStringExtFn = const char*(WINAPI*)();
using WglChoosePixelFormatArbFn = BOOL(WINAPI*)(HDC, const int*, const FLOAT*, UINT, int*, UINT*);

// Where the driver takes its routines from. Tests put recording stand-ins in
// front of the real ones (the library's routines reach the driver through
// load and resolve).
struct OglPlatform {
    RtLibrary (*libLoad)(const char* fileName, const char* const* names, void** addresses);
    int32_t (*libResolve)(RtLibrary library, const char* const* names, void** addresses,
                          int32_t count);
    int(WINAPI* choosePixelFormat)(HDC, const PIXELFORMATDESCRIPTOR*);
    BOOL(WINAPI* setPixelFormat)(HDC, int, const PIXELFORMATDESCRIPTOR*);
};
extern OglPlatform oglPlatform;

// Requests for the pixel format; 0 = not requested.
struct GlAttributes {
    int32_t colourBits, red, green, blue, alpha, depth, stencil;
    int32_t accumBits, accumRed, accumGreen, accumBlue, accumAlpha;
    int32_t samples;
};
static_assert(sizeof(GlAttributes) == 13 * sizeof(int32_t), "thirteen requests");

constexpr int32_t OGL_EXTENSIONS_SIZE = 16384;

struct OglState {
    RtLibrary module;
    WglCreateContextFn createContext;
    WglMakeCurrentFn makeCurrent;
    WglDeleteContextFn deleteContext;
    WglGetProcAddressFn getProcAddress;
    WglChoosePixelFormatArbFn choosePixelFormatArb; // null without WGL_ARB_pixel_format
    GlFunctions gl;
    char extensions[OGL_EXTENSIONS_SIZE]; // GL's extension text, then WGL's
    HDC dc;                               // the window's device context
    HGLRC context;
    GlAttributes attributes; // what the last open asked for: the requests completed
    int32_t modeChanged;     // the display mode was changed for a full screen
};
extern OglState oglState;
// The program's own requests; all 0 (nothing in the program sets them), so
// every open decides the attributes from the screen and its flags.
extern GlAttributes oglRequested;

// Resolves the GL routines and reads the extension texts; fails when a
// routine is missing or GL_EXT_bgra is not among the extensions.
int32_t oglLoadFunctions(RtLibrary module, const char* wglExtensions);
// 1 when `name` occurs in the extension text followed by a space or the end.
int32_t oglHasExtension(const char* name);
// Completes oglRequested into oglState.attributes for the screen flags and the
// state's depth.
void oglChooseAttributes(int32_t flags);
