/* A bouncing ball, animated with two pages: each frame is drawn on the
 * hidden page 1 while page 0 is shown, then, at the vertical retrace, copied
 * onto page 0 with PCOPY, so the ball never flickers. Runs until a key; with
 * `--frame FILE` it draws FRAMES frames on the Null driver and writes the
 * shown page (see frame.h). */
#include "frame.h"

enum { WIDTH = 320, HEIGHT = 200, RADIUS = 12, FRAMES = 100 };
enum { BACKGROUND = 1, FLOOR = 2, BALL = 14, RIM = 12 };

/* One coordinate's step: it moves by *speed and, past an edge, comes back
 * as far inside as it went outside, with its speed turned round. */
static int32_t bounce(int32_t position, int32_t* speed, int32_t low, int32_t high) {
    position += *speed;
    if (position > high) {
        position = 2 * high - position;
        *speed = -*speed;
    } else if (position < low) {
        position = 2 * low - position;
        *speed = -*speed;
    }
    return position;
}

int main(int argc, char** argv) {
    const char* file = frameFile(argc, argv);
    int32_t x = 40, y = 30, dx = 5, dy = 3, frame;
    rtInit(argc, argv, 0);
    /* 320 x 200, 256 colours, two pages. */
    if (gfxScreenSize(WIDTH, HEIGHT, 8, 2, frameScreenFlags(file), 0) != 0) rtEnd(1);
    rtPageSet(1, 0); /* draw on page 1, show page 0 */
    for (frame = 1; file ? frame <= FRAMES : 1; ++frame) {
        StringDescriptor* key;
        x = bounce(x, &dx, RADIUS, WIDTH - 1 - RADIUS);
        y = bounce(y, &dy, RADIUS, HEIGHT - 21 - RADIUS);
        /* The whole hidden page: sky, floor, the ball at its new place. */
        gfxLine(NULL, 0, 0, WIDTH - 1, HEIGHT - 20, BACKGROUND, 2, 0xFFFF, COORD_ABS_ABS);
        gfxLine(NULL, 0, HEIGHT - 19, WIDTH - 1, HEIGHT - 1, FLOOR, 2, 0xFFFF, COORD_ABS_ABS);
        gfxCircle(NULL, (float)x, (float)y, RADIUS, BALL, 0, 0, FULL_TURN, 1, COORD_ONE_ABS);
        gfxCircle(NULL, (float)x, (float)y, RADIUS, RIM, 0, 0, FULL_TURN, 0, COORD_ONE_ABS);
        gfxPortIn(PORT_INPUT_STATUS); /* wait for the retrace, then show it at once */
        gfxPageCopy(1, 0);
        if (file) continue;
        key = rtInkey(); /* a key ends the real run */
        if (key && (key->length & STR_LENGTH_MASK) > 0) {
            strDelete(key);
            break;
        }
        strDelete(key);
    }
    if (file) return frameWrite(file, WIDTH, HEIGHT, 8);
    rtEnd(0);
}
