// The control-character processor, one template for narrow and wide text.
#include "console/tty.h"

namespace {

bool belowView(const TtyState* tty) {
    return tty->bottom != -1 && tty->y > tty->bottom;
}

// Positions and views may reach the ends of the 32-bit range: rows and
// columns move in 64 bits and stop at the last value.
int32_t next(int32_t value) {
    return value < INT32_MAX ? value + 1 : value;
}

void scrollIntoView(TtyState* tty) {
    if (!belowView(tty) || !tty->scroll) return;
    int64_t lines = int64_t{tty->y} - tty->bottom;
    tty->scroll(tty, tty->left, tty->top, tty->right, tty->bottom,
                lines > INT32_MAX ? INT32_MAX : static_cast<int32_t>(lines));
}

template <typename Char> void flush(TtyState* tty, const Char* characters, int32_t count) {
    if (!tty->writeCells || tty->right < tty->left) return;
    while (count > 0) {
        int64_t room = int64_t{tty->right} - tty->x + 1;
        if (room <= 0) {
            // Past the right edge (the view narrowed): continue on the next row.
            tty->x = tty->left;
            tty->y = next(tty->y);
            continue;
        }
        int32_t piece = room < count ? static_cast<int32_t>(room) : count;
        scrollIntoView(tty);
        if (tty->writeCells(tty, characters, piece) != 1) return;
        characters += piece;
        count -= piece;
        if (int64_t{tty->x} + piece > tty->right) {
            tty->x = tty->left;
            tty->y = next(tty->y);
        } else {
            tty->x += piece;
        }
    }
}

template <typename Char>
void printText(TtyState* tty, const Char* text, int32_t length, int32_t lineFeedReturns) {
    if (!tty || !text || length <= 0) return;
    Char pending[TTY_PENDING_MAX];
    int32_t count = 0;
    int32_t column = tty->x; // where the next collected character will land
    bool moved = false;

    auto flushPending = [&] {
        if (count > 0) flush(tty, pending, count);
        count = 0;
        column = tty->x;
    };
    auto collect = [&](Char c) {
        if (count == TTY_PENDING_MAX) flushPending();
        pending[count++] = c;
        column = column >= tty->right ? tty->left : column + 1;
    };
    auto move = [&] {
        flushPending();
        moved = true;
    };

    for (int32_t i = 0; i < length; ++i) {
        Char c = text[i];
        switch (c) {
        case 7:
            if (tty->bell) tty->bell(tty);
            break;
        case 8:
            move();
            if (tty->x > tty->left) --tty->x;
            column = tty->x;
            break;
        case 9: {
            auto offset = static_cast<int32_t>((int64_t{column} - tty->left) % 8);
            if (offset < 0) offset += 8;
            for (int32_t n = 8 - offset; n > 0; --n)
                collect(Char(' '));
            break;
        }
        case 10:
            move();
            tty->y = next(tty->y);
            if (lineFeedReturns) tty->x = tty->left;
            column = tty->x;
            break;
        case 13:
            move();
            tty->x = tty->left;
            column = tty->x;
            break;
        default:
            collect(c);
            break;
        }
    }
    if (count > 0)
        flushPending();
    else if (moved)
        scrollIntoView(tty);
}

} // namespace

void ttyPrint(TtyState* tty, const uint8_t* text, int32_t length, int32_t lineFeedReturns) {
    printText(tty, text, length, lineFeedReturns);
}

void ttyPrintWide(TtyState* tty, const uint16_t* text, int32_t length, int32_t lineFeedReturns) {
    printText(tty, text, length, lineFeedReturns);
}

void ttyFlush(TtyState* tty, const uint8_t* characters, int32_t count) {
    if (tty && characters) flush(tty, characters, count);
}

void ttyFlushWide(TtyState* tty, const uint16_t* characters, int32_t count) {
    if (tty && characters) flush(tty, characters, count);
}
