/* The public header as a C99 program reads it (-std=c99 -pedantic). */
#include "zqgfx.h"

int zqgfxCheckC99(void) {
    GfxEvent event = {EV_NONE, {0, 0, 0, 0}};
    StringDescriptor text = {0, 0, 0};
    (void)text;
    return event.kind + (FULL_TURN > 6.0f ? 0 : 1);
}
