// The OpenGL display driver: a window (or a full screen) with a rendering
// context made current on the program's thread, for screens opened with
// SCRF_OPENGL. The framebuffer is not shown: the program draws with OpenGL,
// the present slot swaps the buffers and the pumpEvents slot runs the window
// procedure. "opengl32.dll" is loaded when the screen opens.
//
// This header is portable so that the driver list can name the record; the
// driver itself exists only in Windows builds.
#pragma once

#include <cstdint>

struct GfxDriver;

// The record "OpenGL" of the driver list.
extern const GfxDriver OPENGL_DRIVER;

