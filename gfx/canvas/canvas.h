// The canvas display driver of the WebAssembly build: the framebuffer on the
// page's <canvas id="zq-screen">, converted through the blitters into an RGBA
// picture and put on the canvas where the program waits or yields (the page
// has one thread: there is no display thread). The page's keyboard, mouse,
// focus and close reach the display layer's input calls with the same codes
// as the Windows window. Without a page (under Node.js) it does not open.
#pragma once

struct GfxDriver;

// The record "Canvas" of the web platform's driver list.
extern const GfxDriver CANVAS_DRIVER;
