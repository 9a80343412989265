// A small text screen behind the console hooks, for tests that drive the
// runtime through its dispatchers on every target: cells, a cursor with its
// visibility, line ends and scrolling like the console's (a print that ends on
// the last cell of the bottom row leaves the cursor there and scrolls only when
// the next print starts), and a queue of keys for INKEY.
#pragma once

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "runtime/runtime.h"

struct TextScreen {
    int32_t cols = 80;
    int32_t rows = 25;
    std::vector<std::string> cells; // one string of `cols` bytes per row
    int32_t x = 0, y = 0;           // 0-based cursor
    bool visible = true;
    bool pendingWrap = false;
    int32_t scrolls = 0;
    std::deque<int32_t> keys; // key codes: 1..255, or scan * 256 + 255
    bool ranOutOfKeys = false;
    std::string output;                   // every byte printed, in order
    std::vector<uint16_t> wideOutput;     // every wide character printed
    std::vector<uint8_t> cellAtKeyRead;   // the cell under the cursor at each INKEY
    std::vector<int32_t> columnAtKeyRead; // and its 1-based column

    static TextScreen* current;

    void reset(int32_t columns, int32_t rowCount) {
        *this = TextScreen{};
        cols = columns;
        rows = rowCount;
        cells.assign(rows, std::string(cols, ' '));
    }

    std::string row(int32_t r) const { return cells[r - 1]; } // 1-based
    char at(int32_t column, int32_t r) const { return cells[r - 1][column - 1]; }
    void put(int32_t column, int32_t r, const std::string& text) {
        cells[r - 1].replace(column - 1, text.size(), text);
    }

    void scroll() {
        cells.erase(cells.begin());
        cells.push_back(std::string(cols, ' '));
        ++scrolls;
    }

    void newRowIfBelow() {
        while (y >= rows) {
            scroll();
            --y;
        }
    }

    void print(const uint8_t* text, int32_t length) {
        if (length <= 0) return;
        if (pendingWrap) {
            pendingWrap = false;
            x = 0;
            ++y;
            newRowIfBelow();
        }
        for (int32_t i = 0; i < length; ++i) {
            uint8_t c = text[i];
            output.push_back(static_cast<char>(c));
            if (c == 13) {
                x = 0;
            } else if (c == 10) {
                x = 0;
                ++y;
            } else {
                newRowIfBelow();
                cells[y][x] = static_cast<char>(c);
                if (++x == cols) {
                    x = 0;
                    ++y;
                }
            }
        }
        if (x == 0 && y == rows && text[length - 1] != 10 && text[length - 1] != 13) {
            pendingWrap = true; // filled the bottom row exactly
            x = cols - 1;
            y = rows - 1;
        }
        newRowIfBelow();
    }

    void install() {
        current = this;
        std::memset(&rtState.hooks, 0, sizeof rtState.hooks);
        std::memset(&rtState.consoleHandle, 0, sizeof rtState.consoleHandle);
        rtViewTop = rtViewBottom = -1;
        ConsoleHooks& h = rtState.hooks;
        h.getSize = [](int32_t* c, int32_t* r) {
            if (c) *c = current->cols;
            if (r) *r = current->rows;
        };
        h.getCursor = [](int32_t* c, int32_t* r) {
            if (c) *c = current->x + 1;
            if (r) *r = current->y + 1;
        };
        h.getColumn = [] { return current->x + 1; };
        h.locate = [](int32_t row, int32_t column, int32_t cursor) {
            TextScreen& s = *current;
            int32_t wasVisible = s.visible ? 1 : 0;
            if (row > 0) s.y = row - 1;
            if (column > 0) s.x = column - 1;
            if (row > 0 || column > 0) s.pendingWrap = false;
            if (cursor >= 0) s.visible = cursor != 0;
            return (s.x + 1) | ((s.y + 1) << 8) | (wasVisible << 16);
        };
        h.clearScreen = [](int32_t) {
            TextScreen& s = *current;
            s.cells.assign(s.rows, std::string(s.cols, ' '));
            s.x = s.y = 0;
            s.pendingWrap = false;
        };
        h.printBytes = [](const uint8_t* text, int32_t length, int32_t) {
            current->print(text, length);
        };
        h.printWide = [](const uint16_t* text, int32_t length, int32_t) {
            for (int32_t i = 0; i < length; ++i)
                current->wideOutput.push_back(text[i]);
        };
        h.keyAvailable = [] {
            if (current->keys.empty()) {
                // A test that forgot its Enter must end, not hang.
                current->ranOutOfKeys = true;
                current->keys.push_back(13);
            }
            return int32_t{1};
        };
        h.readKey = [] {
            TextScreen& s = *current;
            s.cellAtKeyRead.push_back(static_cast<uint8_t>(s.cells[s.y][s.x]));
            s.columnAtKeyRead.push_back(s.x + 1);
            int32_t code = s.keys.front();
            s.keys.pop_front();
            bool extended = code > 255;
            StringDescriptor* key = strAllocTemp(nullptr, extended ? 2 : 1);
            if (!key) return &rtState.nullString;
            key->data[0] = static_cast<char>(extended ? 255 : code);
            if (extended) key->data[1] = static_cast<char>(code >> 8);
            return key;
        };
    }

    static void uninstall() {
        std::memset(&rtState.hooks, 0, sizeof rtState.hooks);
        std::memset(&rtState.consoleHandle, 0, sizeof rtState.consoleHandle);
        rtViewTop = rtViewBottom = -1;
        current = nullptr;
    }
};

inline TextScreen* TextScreen::current = nullptr;
