/** @file zqgfx.h
 * zqgfx: a program runtime with a software framebuffer, classic drawing
 * statements and a text console. This is the one header a program includes;
 * it is plain C (C99 and later, C++ too) and every entry has C linkage.
 *
 * A program starts with rtInit, opens a screen (gfxScreen, gfxScreenSize),
 * draws, and ends with rtEnd. Coordinates are world coordinates (singles);
 * colours are what the screen stores: an index on 8-bit screens, 0xRRGGBB on
 * 16-bit ones, 0xAARRGGBB on 32-bit ones. `target` and `source` arguments
 * take an image (gfxImageCreate) or null for the screen's work page. Drawing
 * statements record no error; the others return or record an error number
 * (RT_ERR_*), read back with rtGetError.
 *
 * Environment: ZQGFX names the display driver to prefer (null, sdl, gdi,
 * directx, opengl, canvas); SCRF_NULL opens a screen that shows nothing.
 */

/* The records entries pass. A separate guard, so that a check can read them
 * apart from the entries. */
#ifndef ZQGFX_TYPES_H
#define ZQGFX_TYPES_H

#include <stddef.h>
#include <stdint.h>

/** A string: `length` holds the byte count in bits 0..30 and STR_TEMP in bit
 * 31; a temporary (what INKEY and LINE INPUT return) is freed with strDelete. */
typedef struct StringDescriptor {
    char* data; /**< NUL-terminated when the runtime allocated it; null when empty */
    int32_t length;   /**< bytes, and STR_TEMP for a temporary */
    int32_t capacity; /**< bytes allocated */
} StringDescriptor;

/** One input event (gfxTakeEvent): an EV_* kind and four words whose meaning
 * depends on it (key: scancode, character; pointer move: x, y, dx, dy;
 * button: BTN_*; wheel: position). */
typedef struct GfxEvent {
    int32_t kind;    /**< EV_* */
    int32_t data[4]; /**< the kind's words */
} GfxEvent;

/** RND's value. */
#if defined(__wasm__)
typedef double RtReal;
#else
typedef long double RtReal;
#endif

#endif /* ZQGFX_TYPES_H */

#ifndef ZQGFX_H
#define ZQGFX_H

#if defined(__GNUC__) || defined(__clang__)
#define ZQGFX_NORETURN __attribute__((noreturn))
#else
#define ZQGFX_NORETURN
#endif
#ifdef __cplusplus
#define ZQGFX_FLOAT_CONSTANT constexpr float
#else
#define ZQGFX_FLOAT_CONSTANT static const float
#endif

/* ---- constants ------------------------------------------------------------ */

/** Error numbers. */
enum {
    RT_OK = 0,
    RT_ERR_ILLEGAL_CALL = 1,
    RT_ERR_FILE_NOT_FOUND = 2,
    RT_ERR_FILE_IO = 3,
    RT_ERR_OUT_OF_MEMORY = 4,
    RT_ERR_BAD_ARGUMENT = 5,
    RT_ERR_BAD_FILE_FORMAT = 6
};

/** Screen flags (gfxScreen, gfxScreenSize). */
enum {
    SCRF_FULLSCREEN = 0x01,
    SCRF_OPENGL = 0x02,
    SCRF_FIXED = 0x04, /**< no resizing, no ALT+ENTER */
    SCRF_BORDERLESS = 0x08,
    SCRF_TRANSPARENT = 0x10,
    SCRF_TOPMOST = 0x20,
    SCRF_ALPHA = 0x40,
    SCRF_HIGH_PRIORITY = 0x80,
    SCRF_STENCIL = 0x10000,
    SCRF_ACCUM = 0x20000,
    SCRF_MULTISAMPLE = 0x40000,
    SCRF_NULL = -1,                    /**< the Null driver: a framebuffer, no window */
    SCRF_QUIET_CLOSE = -2147483647 - 1 /**< 0x80000000 */
};

/** The drawing statements' flags: the coordinate type in bits 0..2 (STEP for
 * the first and second point), and FLAG_DEFAULT_COLOR for a colour not given
 * (the foreground, or the background for PRESET). */
enum {
    COORD_ABS_ABS = 0,
    COORD_ABS_STEP = 1,
    COORD_STEP_ABS = 2,
    COORD_STEP_STEP = 3,
    COORD_ONE_ABS = 4, /**< statements with one point */
    COORD_ONE_STEP = 5,
    COORD_TYPE_MASK = 7,
    FLAG_DEFAULT_COLOR = -2147483647 - 1 /**< 0x80000000 */
};

/** VIEW and WINDOW: the SCREEN forms, colours not given, no corners. */
enum {
    CTX_WINDOW_SCREEN = 0x8, /**< WINDOW SCREEN: y grows downwards */
    CTX_VIEW_SCREEN = 0x20,  /**< VIEW SCREEN: absolute coordinates */
    VIEW_NO_FILL = 0x1,
    VIEW_NO_BORDER = 0x2,
    WINDOW_NO_CORNERS = 0x1,
    GFX_VIEW_RESET = -32768 /**< all four corners: the whole screen */
};

/** PAINT: the border not given; tile geometry. */
enum { PAINT_DEFAULT_BORDER = 0x40000000, PAINT_TILE_WIDTH = 8, PAINT_TILE_MAX_ROWS = 64 };

/** PUT's forms and flags (the flags also take COORD_ONE_ABS/COORD_ONE_STEP). */
enum {
    PUT_XOR = 0,
    PUT_PSET = 1,
    PUT_PRESET = 2,
    PUT_AND = 3,
    PUT_OR = 4,
    PUT_TRANS = 5,
    PUT_ALPHA = 6,
    PUT_SOURCE_RECT = 0x100,   /**< put (sx1, sy1)-(sx2, sy2) of the image only */
    PUT_CONSTANT_ALPHA = 0x200 /**< ALPHA blends by the `alpha` argument */
};

/** gfxSaveBmp's flag (besides the COORD_* type): the whole source, no corners. */
enum { BMP_WHOLE = 0x100 };

/** Text: PRINT's end-of-item actions, COLOR's flags, CLS without argument. */
enum {
    PRINT_NEWLINE = 1,
    PRINT_COMMA = 2, /**< to the next 14-column zone */
    RT_COLOR_NO_FOREGROUND = 1,
    RT_COLOR_NO_BACKGROUND = 2,
    CLS_DEFAULT = -65536 /**< 0xFFFF0000 */
};

/** Strings: bit 31 of StringDescriptor.length marks a temporary. */
enum { STR_TEMP = -2147483647 - 1, STR_LENGTH_MASK = 0x7FFFFFFF };

/** Input events (GfxEvent.kind) and mouse buttons. */
enum {
    EV_NONE = 0,
    EV_KEY_DOWN = 1,
    EV_KEY_UP = 2,
    EV_KEY_AUTOREPEAT = 3,
    EV_POINTER_MOVE = 4,
    EV_BUTTON_DOWN = 5,
    EV_BUTTON_UP = 6,
    EV_BUTTON_DOUBLE = 7,
    EV_WHEEL = 8,
    EV_POINTER_ENTER = 9,
    EV_POINTER_LEAVE = 10,
    EV_FOCUS_GAINED = 11,
    EV_FOCUS_LOST = 12,
    EV_CLOSE_REQUEST = 13,
    EV_HWHEEL = 14
};
enum { BTN_LEFT = 1, BTN_RIGHT = 2, BTN_MIDDLE = 4, BTN_EXTRA1 = 8, BTN_EXTRA2 = 16 };

/** Keys: the window's close button as INKEY's code (extended keys arrive as
 * scancode * 256 + 255). */
enum { KEY_WINDOW_CLOSE = 0x6BFF };

/** Emulated VGA ports (gfxPortIn/gfxPortOut): the palette's DAC, and the
 * input status port, whose read waits for the vertical retrace. */
enum {
    PORT_DAC_READ_INDEX = 0x3C7,
    PORT_DAC_WRITE_INDEX = 0x3C8,
    PORT_DAC_DATA = 0x3C9,
    PORT_INPUT_STATUS = 0x3DA,
    PORT_RETRACE = 8
};

/** POINT's one-argument form: pass this as y. */
ZQGFX_FLOAT_CONSTANT POINT_INFO_MARK = -8388607.0f;
/** CIRCLE's whole-ellipse end angle. */
ZQGFX_FLOAT_CONSTANT FULL_TURN = 6.2831859f;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- start-up, end, errors ------------------------------------------------ */

/** Starts the runtime; call first (compatMode 0). */
void rtInit(int32_t argc, char** argv, int32_t compatMode);
/** END: closes the screen, restores the console and exits with `code`. */
ZQGFX_NORETURN void rtEnd(int32_t code);
/** ERR: the last error number. */
int32_t rtGetError(void);
/** Records an error number and returns it. */
int32_t rtSetError(int32_t number);

/* ---- screens -------------------------------------------------------------- */

/** SCREEN mode (1..21; 0 closes)[, depth, pages, flags, refresh rate]. */
int32_t gfxScreen(int32_t mode, int32_t depth, int32_t pages, int32_t flags, int32_t refreshRate);
/** SCREEN by size (SCREENRES): width x height at depth 8, 16 or 32. */
int32_t gfxScreenSize(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                      int32_t refreshRate);
/** SCREEN mode, work page, visible page. */
int32_t gfxScreenPages(int32_t mode, int32_t workPage, int32_t visiblePage);
/** The window title (at most 127 bytes); a temporary is freed. */
void gfxSetTitle(StringDescriptor* text);
/** SCREEN ,work, visible: pages drawn on and shown (negative keeps); returns
 * visible * 256 + work as they were. */
int32_t rtPageSet(int32_t active, int32_t visible);
/** PCOPY source, destination: 0 or an error number. */
int32_t gfxPageCopy(int32_t source, int32_t destination);
/** INP: an emulated port's value, -1 if not emulated. INP(PORT_INPUT_STATUS)
 * waits for the vertical retrace and returns PORT_RETRACE. */
int32_t gfxPortIn(int32_t port);
/** OUT: 0 when the port is emulated, else -1. */
int32_t gfxPortOut(int32_t port, int32_t value);

/* ---- drawing -------------------------------------------------------------- */

/** PSET (preset 0) or PRESET (preset nonzero) at (x, y). */
void gfxPset(const void* target, float x, float y, uint32_t colour, uint32_t flags, int32_t preset);
/** POINT: the colour at (x, y), or -1 outside the view or with no screen. */
int32_t gfxPoint(const void* target, float x, float y);
/** LINE: boxMode 0 line, 1 box, 2 filled box; style the 16-bit pattern. */
void gfxLine(const void* target, float x1, float y1, float x2, float y2, uint32_t colour,
             int32_t boxMode, uint32_t style, uint32_t flags);
/** CIRCLE: aspect 0 for the screen's; start and end angles in radians
 * (0 and FULL_TURN for the whole ellipse); fill nonzero fills it. */
void gfxCircle(const void* target, float x, float y, float radius, uint32_t colour, float aspect,
               float start, float end, int32_t fill, uint32_t flags);
/** PAINT: flood fill up to the border colour. */
void gfxPaint(const void* target, float x, float y, uint32_t fill, uint32_t border, uint32_t flags);
/** PAINT with a tile: rows of 8 pixels in the target's format, 1..64 rows. */
void gfxPaintTile(const void* target, float x, float y, const void* tile, int32_t tileLength,
                  uint32_t border, const void* background, uint32_t flags);
/** DRAW: the command string (U D L R E F G H, M, B, N, A, TA, C, S, P). */
void gfxDraw(const void* target, const char* commands, int32_t length);
/** VIEW: the clip view (x1, y1)-(x2, y2), filled and framed unless flagged. */
void gfxView(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fillColour,
             uint32_t borderColour, uint32_t flags);
/** WINDOW: world coordinates mapped onto the view. */
void gfxWindow(float x1, float y1, float x2, float y2, uint32_t flags);
/** PMAP: kinds 0, 1 world to view pixels (x, y); 2, 3 the way back. */
float gfxPmap(float value, int32_t kind);
/** POINT(n): the last point, 0 and 1 in pixels, 2 and 3 in world units. */
float gfxPointInfo(int32_t n);

/* ---- palette -------------------------------------------------------------- */

/** PALETTE index, colour (or red, green, blue); a negative index resets. */
void gfxPalette(int32_t index, int32_t value, int32_t green, int32_t blue);
/** PALETTE USING: one value per entry, negative values skipped. */
void gfxPaletteUsing(const int32_t* values);

/* ---- images --------------------------------------------------------------- */

/** IMAGECREATE: width x height filled with colour; bytesPerPixel 0 for the
 * screen's; null on error. */
void* gfxImageCreate(int32_t width, int32_t height, uint32_t colour, int32_t bytesPerPixel,
                     uint32_t flags);
/** IMAGEDESTROY; null does nothing. */
void gfxImageDestroy(void* image);
/** The bytes an image of that size takes, header included; 0 if impossible. */
size_t gfxImageBytes(int32_t width, int32_t height, int32_t bytesPerPixel);
/** GET: the rectangle of source (null: the screen) into destination. */
int32_t gfxGet(const void* source, float x1, float y1, float x2, float y2, void* destination,
               size_t destinationSize, uint32_t flags);
/** PUT: the image (or, with PUT_SOURCE_RECT, part of it) at (x, y). */
void gfxPut(const void* target, float x, float y, const void* image, int32_t sx1, int32_t sy1,
            int32_t sx2, int32_t sy2, int32_t mode, int32_t alpha, uint32_t flags);
/** Loads a Windows bitmap (1 to 32 bits, RLE4 and RLE8): a new image at the
 * screen's depth when target is null (free it with gfxImageDestroy), else the
 * picture put on target at its top-left. palette, when not null, gets 256
 * entries 0xRRGGBB of the file's palette. Null on error (RT_ERR_FILE_NOT_FOUND,
 * RT_ERR_BAD_FILE_FORMAT, ...), which changes nothing. */
void* gfxLoadBmp(const char* path, const void* target, uint32_t* palette);
/** Saves the rectangle of source (null: the screen), taken as GET takes it,
 * or all of it with BMP_WHOLE, as a bitmap: 8 bits with the screen's palette
 * from 1-byte pixels, else 32 bits. Returns 0 or the error number. */
int32_t gfxSaveBmp(const char* path, const void* source, float x1, float y1, float x2, float y2,
                   uint32_t flags);

/* ---- text ----------------------------------------------------------------- */

/** CLS 0 (all), 1 (graphics view), 2 (text view) or CLS_DEFAULT. */
void rtCls(int32_t mode);
/** COLOR foreground, background; returns the previous colours. */
int32_t rtColor(int32_t foreground, int32_t background, int32_t flags);
/** LOCATE row, column (0 keeps), cursor (-1 keeps); returns row*256+column. */
int32_t rtLocateEntry(int32_t row, int32_t column, int32_t cursor, int32_t unused1,
                      int32_t unused2);
/** WIDTH columns, rows. */
int32_t rtWidth(int32_t columns, int32_t rows);
/** VIEW PRINT top TO bottom. */
int32_t rtViewPrint(int32_t top, int32_t bottom, int32_t moveCursor);
/** POS and CSRLIN: the cursor's 1-based column and row. */
void rtGetCursor(int32_t* column, int32_t* row);
/** The text grid's columns and rows. */
void rtGetSize(int32_t* columns, int32_t* rows);
/** PRINT text (file 0: the screen), then mask's PRINT_* action (0: none). */
int32_t rtPrintText(int32_t fileNumber, const char* text, int32_t mask);
/** PRINT a string; a temporary is freed. */
int32_t rtPrintString(int32_t fileNumber, StringDescriptor* text, int32_t mask);
/** Only the end-of-item action. */
int32_t rtPrintEnd(int32_t fileNumber, int32_t mask);

/* ---- keyboard, mouse, events, time ---------------------------------------- */

/** INKEY: "", one character, or 255 + scancode; free it with strDelete. */
StringDescriptor* rtInkey(void);
/** Waits for a key and returns its code. */
int32_t rtWaitKey(void);
/** 1 when a key is waiting, else 0. */
int32_t rtKeyHit(void);
/** LINE INPUT: edits a line on the screen until Enter; a temporary (free it
 * with strDelete), null when out of strings. softCursor 0 or 255. */
StringDescriptor* rtLineEditNew(int32_t softCursor);
/** SLEEP: -1 until a key; above 99 until a key or the time; else the time. */
void rtSleep(int32_t milliseconds);
/** MULTIKEY: -1 while the key with that scancode is held, else 0. */
int32_t gfxIsKeyDown(int32_t scanCode);
/** GETMOUSE: 0, or 1 with every output -1 (no screen or mouse); outputs
 * besides x and y may be null. */
int32_t gfxGetMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip);
/** SETMOUSE: the pointer's position, visibility and clipping to the window. */
int32_t gfxSetMouse(int32_t x, int32_t y, int32_t visibility, int32_t clip);
/** SCREENEVENT: takes the oldest event: 1, or 0 when there is none. */
int32_t gfxTakeEvent(GfxEvent* event);

/* ---- strings and numbers -------------------------------------------------- */

/** Frees a temporary string; -1 for null. */
int32_t strDelete(StringDescriptor* descriptor);
/** RND: the next value in [0, 1); n = 0 gives the last one again. */
RtReal rtRnd(float n);
/** RANDOMIZE seed, algorithm (0 the default generator). */
void rtRandomize(double seed, int32_t algorithm);

#ifdef __cplusplus
}
#endif

#endif /* ZQGFX_H */
