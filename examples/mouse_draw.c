/* Drawing with the mouse: while the left button is held the pointer draws
 * white lines, while the right one is held red ones; ESC ends. The mouse is
 * asked in a loop (GETMOUSE); a line joins each position to the one before,
 * so fast moves leave no gaps. With `--frame FILE` a scripted stroke stands
 * in for the mouse on the Null driver, and the picture is written (frame.h). */
#include "frame.h"

enum { WIDTH = 640, HEIGHT = 480, PAPER = 1, LEFT_INK = 15, RIGHT_INK = 12 };

/* The headless stroke: positions and the buttons held there. */
static const int32_t SCRIPT[][3] = {
    {100, 100, 0},         {100, 100, BTN_LEFT}, {200, 100, BTN_LEFT}, {300, 100, BTN_LEFT},
    {300, 300, BTN_LEFT},  {300, 300, 0},        {400, 300, 0},        {400, 300, BTN_RIGHT},
    {500, 400, BTN_RIGHT}, {500, 400, 0}};
enum { SCRIPT_STEPS = sizeof SCRIPT / sizeof SCRIPT[0] };

/* The mouse now (or the script's step): 0 when known. */
static int32_t readMouse(const char* file, int32_t step, int32_t* x, int32_t* y, int32_t* buttons) {
    if (!file) return gfxGetMouse(x, y, NULL, buttons, NULL);
    *x = SCRIPT[step][0];
    *y = SCRIPT[step][1];
    *buttons = SCRIPT[step][2];
    return 0;
}

static int32_t escapePressed(void) {
    StringDescriptor* key = rtInkey();
    int32_t escape = key && (key->length & STR_LENGTH_MASK) == 1 && key->data[0] == 27;
    strDelete(key);
    return escape;
}

int main(int argc, char** argv) {
    const char* file = frameFile(argc, argv);
    int32_t lastX = 0, lastY = 0, lastButtons = 0, step;
    rtInit(argc, argv, 0);
    if (gfxScreenSize(WIDTH, HEIGHT, 8, 1, frameScreenFlags(file), 0) != 0) rtEnd(1);
    gfxLine(NULL, 0, 0, WIDTH - 1, HEIGHT - 1, PAPER, 2, 0xFFFF, COORD_ABS_ABS);
    rtColor(14, PAPER, 0);
    rtPrintText(0, "Hold a mouse button and draw; ESC ends.", 0);
    for (step = 0; file ? step < SCRIPT_STEPS : !escapePressed(); ++step) {
        int32_t x, y, buttons;
        if (readMouse(file, step, &x, &y, &buttons) != 0) buttons = 0; /* no mouse */
        if (buttons & (BTN_LEFT | BTN_RIGHT)) {
            uint32_t ink = buttons & BTN_LEFT ? LEFT_INK : RIGHT_INK;
            if (buttons == lastButtons) /* still held: join to the last point */
                gfxLine(NULL, (float)lastX, (float)lastY, (float)x, (float)y, ink, 0, 0xFFFF,
                        COORD_ABS_ABS);
            else /* just pressed: a dot */
                gfxPset(NULL, (float)x, (float)y, ink, COORD_ONE_ABS, 0);
        }
        lastX = x;
        lastY = y;
        lastButtons = buttons;
        if (!file) rtSleep(10); /* let the pointer move */
    }
    if (file) return frameWrite(file, WIDTH, HEIGHT, 8);
    rtEnd(0);
}
