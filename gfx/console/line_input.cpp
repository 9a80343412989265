// Line reading on the graphics screen: the block-cursor reader and LINE INPUT
// over the runtime's line editor.
#include <cstring>

#include "gfx/console/console_hooks.h"
#include "gfx/console/text_output.h"
#include "gfx/core/mode.h"
#include "runtime/file.h"
#include "runtime/line_edit.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

constexpr int32_t KEY_BELL = 7;
constexpr int32_t KEY_BACKSPACE = 8;
constexpr int32_t KEY_ENTER = 13;
constexpr int32_t KEY_EXTENDED = 256;

void printByte(uint8_t byte) {
    gfxPrintBytes(&byte, 1, 0);
}

void printBytes(const char* bytes, int32_t count) {
    gfxPrintBytes(reinterpret_cast<const uint8_t*>(bytes), count, 0);
}

// Back to the cell just drawn. A cell drawn at the bottom-right of the view
// leaves the cursor parked on it with the scroll deferred: then stepping back
// only cancels the scroll.
void stepBack(GfxMode* m) {
    if (m->flags & TEXT_SCROLL_PENDING) {
        m->flags &= ~TEXT_SCROLL_PENDING;
        return;
    }
    if (--m->textColumnCursor < 0) {
        m->textColumnCursor = m->textColumns - 1;
        --m->textRowCursor;
    }
}

void drawCursor(GfxMode* m) {
    printByte(CURSOR_BLOCK);
    stepBack(m);
}

// The end of LINE INPUT: the optional line end and PRINT's column.
int32_t finishLine(StringDescriptor* text, int32_t newline) {
    if (newline) printBytes("\r\n", 2);
    if (gfxMode) fileSetColumn(rtConsoleHandle(), gfxMode->textColumnCursor);
    return rtSetError(text ? RT_OK : RT_ERR_OUT_OF_MEMORY);
}

} // namespace

char* gfxReadString(char* buffer, int32_t size) {
    GfxMode* m = gfxMode;
    if (!m || !buffer || size < 1) return nullptr;
    int32_t count = 0;
    drawCursor(m);
    for (;;) {
        int32_t key = rtWaitKey();
        if (!gfxMode) return nullptr; // the screen closed while waiting
        if (key >= KEY_EXTENDED || key == KEY_BELL || key < 0) {
            drawCursor(m);
        } else if (key == KEY_BACKSPACE) {
            if (count == 0) {
                drawCursor(m);
                continue;
            }
            stepBack(m);
            --count;
            if (m->textRowCursor < 0) {
                m->textColumnCursor = m->textRowCursor = 0;
                drawCursor(m);
            } else {
                const char erase[2] = {static_cast<char>(CURSOR_BLOCK), ' '};
                printBytes(erase, 2);
                stepBack(m);
                stepBack(m);
            }
        } else {
            if (count < size - 1) {
                if (key == KEY_ENTER) {
                    printByte(' ');
                    stepBack(m);
                }
                buffer[count++] = static_cast<char>(key);
                printByte(static_cast<uint8_t>(key));
                if (key != KEY_ENTER) drawCursor(m);
            } else if (key != KEY_ENTER) {
                drawCursor(m);
            }
            if (key == KEY_ENTER) {
                buffer[count] = 0;
                return buffer;
            }
        }
    }
}

int32_t gfxLineInput(StringDescriptor* prompt, void* destination, int32_t destinationSize,
                     int32_t fillRest, int32_t questionMark, int32_t newline) {
    gfxPrintBytes(nullptr, 0, GFX_PRINT_FLUSH);
    if (prompt) {
        int32_t length = prompt->data ? strLength(prompt) : 0;
        if (length > 0) printBytes(prompt->data, length);
        if (questionMark) printBytes("? ", 2);
        strDelete(prompt);
    }
    StringDescriptor* text = rtLineEditNew(1);
    if (text) strAssign(destination, destinationSize, text, -1, fillRest, 0);
    return finishLine(text, newline);
}

int32_t gfxLineInputWide(const uint16_t* prompt, uint16_t* destination, int32_t destinationSize,
                         int32_t questionMark, int32_t newline) {
    gfxPrintBytes(nullptr, 0, GFX_PRINT_FLUSH);
    if (prompt) {
        int32_t length = 0;
        while (length < INT32_MAX && prompt[length])
            ++length;
        if (length > 0) gfxPrintWide(prompt, length, 0);
        if (questionMark) printBytes("? ", 2);
    }
    StringDescriptor* text = rtLineEditNew(1);
    if (text) strToWide(destination, destinationSize, text, -1);
    return finishLine(text, newline);
}
