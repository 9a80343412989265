// The public header against the internal declarations, in one unit: the
// public records must match the internal ones field by field, every public
// entry must be the internal function with the same type (both have C
// linkage, so a second declaration with another type draws a warning, which
// this target turns into an error, and the static_asserts below say which),
// and every constant must have the internal value. The public header is read
// inside namespaces so that its records and constants stand beside the
// internal ones; its entries are the same functions either way. Running the
// program then only proves that every entry is defined in the product.
#include <stddef.h>
#include <stdint.h>

#include <type_traits>

#include "gfx/console/console_hooks.h"
#include "gfx/console/input.h"
#include "gfx/console/pages.h"
#include "gfx/core/context.h"
#include "gfx/core/image.h"
#include "gfx/core/mode.h"
#include "gfx/core/palette.h"
#include "gfx/display/input.h"
#include "gfx/draw/draw.h"
#include "gfx/draw/image.h"
#include "gfx/image/bmp.h"
#include "runtime/line_edit.h"
#include "runtime/print.h"
#include "runtime/rnd.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace pubtypes {
#define ZQGFX_H // the records only
#include "zqgfx.h"
#undef ZQGFX_H
} // namespace pubtypes

namespace pub {
using ::GfxEvent;
using ::RtReal;
using ::StringDescriptor;
#include "zqgfx.h" // the entries and constants only: the records' guard is set
} // namespace pub

#define SAME_FIELD(record, field)                                                                  \
    static_assert(                                                                                 \
        offsetof(pubtypes::record, field) == offsetof(::record, field) &&                          \
            std::is_same_v<decltype(pubtypes::record::field), decltype(::record::field)>,          \
        #record "." #field);
static_assert(sizeof(pubtypes::StringDescriptor) == sizeof(::StringDescriptor));
SAME_FIELD(StringDescriptor, data)
SAME_FIELD(StringDescriptor, length)
SAME_FIELD(StringDescriptor, capacity)
static_assert(sizeof(pubtypes::GfxEvent) == sizeof(::GfxEvent));
SAME_FIELD(GfxEvent, kind)
SAME_FIELD(GfxEvent, data)
static_assert(std::is_same_v<pubtypes::RtReal, ::RtReal>);

// Every entry of the public header.
#define ENTRIES(X)                                                                                 \
    X(rtInit)                                                                                      \
    X(rtEnd)                                                                                       \
    X(rtGetError) X(rtSetError) X(gfxScreen) X(gfxScreenSize) X(gfxScreenPages) X(gfxSetTitle)     \
        X(rtPageSet) X(gfxPageCopy) X(gfxPortIn) X(gfxPortOut) X(gfxPset) X(gfxPoint) X(gfxLine)   \
            X(gfxCircle) X(gfxPaint) X(gfxPaintTile) X(gfxDraw) X(gfxView) X(gfxWindow) X(gfxPmap) \
                X(gfxPointInfo) X(gfxPalette) X(gfxPaletteUsing) X(gfxImageCreate)                 \
                    X(gfxImageDestroy) X(gfxImageBytes) X(gfxGet) X(gfxPut) X(gfxLoadBmp)          \
                        X(gfxSaveBmp) X(rtCls) X(rtColor) X(rtLocateEntry) X(rtWidth)              \
                            X(rtViewPrint) X(rtGetCursor) X(rtGetSize) X(rtPrintText)              \
                                X(rtPrintString) X(rtPrintEnd) X(rtInkey) X(rtWaitKey) X(rtKeyHit) \
                                    X(rtLineEditNew) X(rtSleep) X(gfxIsKeyDown) X(gfxGetMouse)     \
                                        X(gfxSetMouse) X(gfxTakeEvent) X(strDelete) X(rtRnd)       \
                                            X(rtRandomize)
#define SAME_ENTRY(f) static_assert(std::is_same_v<decltype(pub::f), decltype(::f)>, #f);
ENTRIES(SAME_ENTRY)

// Every constant (compared as the 32-bit words the entries take).
#define SAME_CONSTANT(c) static_assert(uint32_t(pub::c) == uint32_t(::c), #c);
SAME_CONSTANT(RT_OK)
SAME_CONSTANT(RT_ERR_ILLEGAL_CALL)
SAME_CONSTANT(RT_ERR_FILE_NOT_FOUND)
SAME_CONSTANT(RT_ERR_FILE_IO)
SAME_CONSTANT(RT_ERR_OUT_OF_MEMORY)
SAME_CONSTANT(RT_ERR_BAD_ARGUMENT)
SAME_CONSTANT(RT_ERR_BAD_FILE_FORMAT)
SAME_CONSTANT(SCRF_FULLSCREEN)
SAME_CONSTANT(SCRF_OPENGL)
SAME_CONSTANT(SCRF_FIXED)
SAME_CONSTANT(SCRF_BORDERLESS)
SAME_CONSTANT(SCRF_TRANSPARENT)
SAME_CONSTANT(SCRF_TOPMOST)
SAME_CONSTANT(SCRF_ALPHA)
SAME_CONSTANT(SCRF_HIGH_PRIORITY)
SAME_CONSTANT(SCRF_STENCIL)
SAME_CONSTANT(SCRF_ACCUM)
SAME_CONSTANT(SCRF_MULTISAMPLE)
SAME_CONSTANT(SCRF_NULL)
SAME_CONSTANT(SCRF_QUIET_CLOSE)
SAME_CONSTANT(COORD_ABS_ABS)
SAME_CONSTANT(COORD_ABS_STEP)
SAME_CONSTANT(COORD_STEP_ABS)
SAME_CONSTANT(COORD_STEP_STEP)
SAME_CONSTANT(COORD_ONE_ABS)
SAME_CONSTANT(COORD_ONE_STEP)
SAME_CONSTANT(COORD_TYPE_MASK)
SAME_CONSTANT(FLAG_DEFAULT_COLOR)
SAME_CONSTANT(CTX_WINDOW_SCREEN)
SAME_CONSTANT(CTX_VIEW_SCREEN)
SAME_CONSTANT(VIEW_NO_FILL)
SAME_CONSTANT(VIEW_NO_BORDER)
SAME_CONSTANT(WINDOW_NO_CORNERS)
SAME_CONSTANT(GFX_VIEW_RESET)
SAME_CONSTANT(PAINT_DEFAULT_BORDER)
SAME_CONSTANT(PAINT_TILE_WIDTH)
SAME_CONSTANT(PAINT_TILE_MAX_ROWS)
SAME_CONSTANT(PUT_XOR)
SAME_CONSTANT(PUT_PSET)
SAME_CONSTANT(PUT_PRESET)
SAME_CONSTANT(PUT_AND)
SAME_CONSTANT(PUT_OR)
SAME_CONSTANT(PUT_TRANS)
SAME_CONSTANT(PUT_ALPHA)
SAME_CONSTANT(PUT_SOURCE_RECT)
SAME_CONSTANT(PUT_CONSTANT_ALPHA)
SAME_CONSTANT(BMP_WHOLE)
SAME_CONSTANT(PRINT_NEWLINE)
SAME_CONSTANT(PRINT_COMMA)
SAME_CONSTANT(RT_COLOR_NO_FOREGROUND)
SAME_CONSTANT(RT_COLOR_NO_BACKGROUND)
SAME_CONSTANT(CLS_DEFAULT)
SAME_CONSTANT(STR_TEMP)
SAME_CONSTANT(STR_LENGTH_MASK)
SAME_CONSTANT(EV_NONE)
SAME_CONSTANT(EV_KEY_DOWN)
SAME_CONSTANT(EV_KEY_UP)
SAME_CONSTANT(EV_KEY_AUTOREPEAT)
SAME_CONSTANT(EV_POINTER_MOVE)
SAME_CONSTANT(EV_BUTTON_DOWN)
SAME_CONSTANT(EV_BUTTON_UP)
SAME_CONSTANT(EV_BUTTON_DOUBLE)
SAME_CONSTANT(EV_WHEEL)
SAME_CONSTANT(EV_POINTER_ENTER)
SAME_CONSTANT(EV_POINTER_LEAVE)
SAME_CONSTANT(EV_FOCUS_GAINED)
SAME_CONSTANT(EV_FOCUS_LOST)
SAME_CONSTANT(EV_CLOSE_REQUEST)
SAME_CONSTANT(EV_HWHEEL)
SAME_CONSTANT(BTN_LEFT)
SAME_CONSTANT(BTN_RIGHT)
SAME_CONSTANT(BTN_MIDDLE)
SAME_CONSTANT(BTN_EXTRA1)
SAME_CONSTANT(BTN_EXTRA2)
SAME_CONSTANT(KEY_WINDOW_CLOSE)
SAME_CONSTANT(PORT_DAC_READ_INDEX)
SAME_CONSTANT(PORT_DAC_WRITE_INDEX)
SAME_CONSTANT(PORT_DAC_DATA)
SAME_CONSTANT(PORT_INPUT_STATUS)
SAME_CONSTANT(PORT_RETRACE)
static_assert(pub::POINT_INFO_MARK == ::POINT_INFO_MARK && pub::FULL_TURN == ::FULL_TURN);

extern "C" int zqgfxCheckC99();

int main() {
    // Taking every entry's address makes the link fail for one the product
    // does not define.
    uintptr_t entries = 0;
#define TAKE(f) entries ^= reinterpret_cast<uintptr_t>(&pub::f);
    ENTRIES(TAKE)
    return entries != 0 && zqgfxCheckC99() == 0 ? 0 : 1;
}
