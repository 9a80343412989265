// The page side of the WebAssembly build's console. The grid is shown as a
// line of spans per row (console/text_grid.h) in the page's text element,
// with the sixteen classic colours as style classes; only changed rows are
// shown again, and only where the console gives the page its turn (the
// console's waits and polls) or the program ends. Keys come from the page's
// keydown events as the Windows console's key events: the browser's physical
// key name gives the virtual key and scan code, its text the character.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>

#include "console/console_page.h"
#include "console/cp437.h"
#include "console/key_ring.h"
#include "console/keys.h"
#include "runtime/platform.h"
#include "runtime/runtime.h"

TextGrid pageGrid;

namespace {

double lastShown = -1.0;

// The element's rows as spans separated by line ends (its text is the screen's
// text), and the colour and cursor classes; 0 when the page has no element.
EM_JS(int, zqConsoleAttach, (int rows), {
    if (typeof document == 'undefined') return 0;
    var text = document.getElementById('zq-console');
    if (!text) return 0;
    var colours = [
        '#000000', '#0000aa', '#00aa00', '#00aaaa', '#aa0000', '#aa00aa', '#aa5500', '#aaaaaa',
        '#555555', '#5555ff', '#55ff55', '#55ffff', '#ff5555', '#ff55ff', '#ffff55', '#ffffff'
    ];
    var css = '#zq-console{background-color:#000000;color:#aaaaaa}';
    for (var i = 0; i < 16; ++i)
        css += '.zq-f' + i + '{color:' + colours[i] + '}';
    for (var i = 0; i < 8; ++i)
        css += '.zq-b' + i + '{background-color:' + colours[i] + '}';
    // An underline cursor in the cell's own colour.
    css += '.zq-cursor{box-shadow:inset 0 -0.15em 0 currentColor}';
    var style = document.createElement('style');
    style.textContent = css;
    document.head.appendChild(style);
    text.textContent = "";
    var lines = [];
    for (var row = 0; row < rows; ++row) {
        if (row > 0) text.appendChild(document.createTextNode('\n'));
        lines.push(text.appendChild(document.createElement('span')));
    }
    Module.zqConsoleRows = lines;
    return 1;
});

EM_JS(void, zqConsoleRow, (int row, const char* html),
      { Module.zqConsoleRows[row].innerHTML = UTF8ToString(html); });

// The browser's names of the keys whose codes need their virtual key: the
// letters, digits, function keys and keypad digits follow a rule instead.
struct NamedKey {
    const char* code;
    uint8_t virtualKey;
    uint8_t extended;
};
constexpr NamedKey NAMED_KEYS[] = {
    {"Escape", VKEY_ESCAPE, 0},
    {"Backspace", VKEY_BACK, 0},
    {"Tab", VKEY_TAB, 0},
    {"Enter", VKEY_RETURN, 0},
    {"Space", VKEY_SPACE, 0},
    {"Insert", VKEY_INSERT, 1},
    {"Delete", VKEY_DELETE, 1},
    {"Home", VKEY_HOME, 1},
    {"End", VKEY_END, 1},
    {"PageUp", VKEY_PRIOR, 1},
    {"PageDown", VKEY_NEXT, 1},
    {"ArrowUp", VKEY_UP, 1},
    {"ArrowDown", VKEY_DOWN, 1},
    {"ArrowLeft", VKEY_LEFT, 1},
    {"ArrowRight", VKEY_RIGHT, 1},
    {"Minus", VKEY_OEM_MINUS, 0},
    {"Equal", VKEY_OEM_PLUS, 0},
    {"BracketLeft", VKEY_OEM_4, 0},
    {"BracketRight", VKEY_OEM_6, 0},
    {"Backslash", VKEY_OEM_5, 0},
    {"Semicolon", VKEY_OEM_1, 0},
    {"Quote", VKEY_OEM_7, 0},
    {"Backquote", VKEY_OEM_3, 0},
    {"Comma", VKEY_OEM_COMMA, 0},
    {"Period", VKEY_OEM_PERIOD, 0},
    {"Slash", VKEY_OEM_2, 0},
    {"IntlBackslash", VKEY_OEM_102, 0},
    {"NumpadEnter", VKEY_RETURN, 1},
    {"NumpadDivide", VKEY_DIVIDE, 1},
    {"NumpadMultiply", VKEY_MULTIPLY, 0},
    {"NumpadSubtract", VKEY_SUBTRACT, 0},
    {"NumpadAdd", VKEY_ADD, 0},
    {"NumpadDecimal", VKEY_DECIMAL, 0},
};

// The keypad's digits with NUM LOCK off: Insert, End, Down, ..., Up, Page Up.
constexpr uint8_t KEYPAD_MOVES[10] = {VKEY_INSERT, VKEY_END,   VKEY_DOWN, VKEY_NEXT, VKEY_LEFT,
                                      VKEY_CLEAR,  VKEY_RIGHT, VKEY_HOME, VKEY_UP,   VKEY_PRIOR};

// The code point of a string that holds exactly one character, else 0.
uint32_t singleCharacter(const char* text) {
    auto* p = reinterpret_cast<const uint8_t*>(text);
    int follow = p[0] >= 0xF0 ? 3 : p[0] >= 0xE0 ? 2 : p[0] >= 0xC0 ? 1 : 0;
    uint32_t c = follow ? p[0] & (0x3F >> follow) : p[0];
    for (int i = 1; i <= follow; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    return p[follow + 1] == 0 ? c : 0;
}

// The virtual key of a browser key name, and whether it is an extended key;
// 0 for a name without one. `numLock`: the keypad gave a digit.
int32_t virtualKeyOf(const char* code, bool numLock, int32_t* extended) {
    *extended = 0;
    size_t length = std::strlen(code);
    auto digit = [&](size_t at) { return length == at + 1 && code[at] >= '0' && code[at] <= '9'; };
    if (length == 4 && std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z')
        return code[3];
    if (std::strncmp(code, "Digit", 5) == 0 && digit(5)) return code[5];
    if (std::strncmp(code, "Numpad", 6) == 0 && digit(6))
        return numLock ? VKEY_NUMPAD0 + (code[6] - '0') : KEYPAD_MOVES[code[6] - '0'];
    if (code[0] == 'F' && (length == 2 || length == 3)) {
        int number = code[1] - '0';
        if (length == 3) number = number * 10 + (code[2] - '0');
        if (code[1] >= '1' && code[1] <= '9' && number >= 1 && number <= 12)
            return VKEY_F1 + number - 1;
    }
    for (const NamedKey& key : NAMED_KEYS) {
        if (std::strcmp(key.code, code) != 0) continue;
        *extended = key.extended;
        if (key.virtualKey == VKEY_DECIMAL && !numLock) return VKEY_DELETE;
        return key.virtualKey;
    }
    return 0;
}

// The character the Windows console gives with the key: the control
// characters of Enter, Backspace, Tab and Escape, CTRL with a letter as its
// control code, else the typed character in code page 437.
uint8_t characterOf(const EmscriptenKeyboardEvent& e, int32_t virtualKey, uint32_t typed) {
    switch (virtualKey) {
    case VKEY_RETURN:
    case VKEY_BACK:
    case VKEY_TAB:
    case VKEY_ESCAPE:
        return static_cast<uint8_t>(virtualKey);
    default:
        break;
    }
    if (typed < 32 || typed == 127) return 0;
    if (e.ctrlKey && !e.altKey) {
        uint32_t upper = typed >= 'a' && typed <= 'z' ? typed - ('a' - 'A') : typed;
        return upper >= '@' && upper <= '_' ? static_cast<uint8_t>(upper & 0x1F) : 0;
    }
    return cp437FromUnicode(typed);
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    // A graphics screen takes the keys while it is open.
    if (rtState.hooks.keyAvailable) return EM_FALSE;
    KeyEventRecord record = {};
    record.eventType = KEY_EVENT_TYPE;
    record.keyDown = type == EMSCRIPTEN_EVENT_KEYDOWN;
    record.repeatCount = 1;
    int32_t state = (e->shiftKey ? KEY_STATE_SHIFT : 0) | (e->ctrlKey ? KEY_STATE_LEFT_CTRL : 0) |
                    (e->altKey ? KEY_STATE_LEFT_ALT : 0);
    uint32_t typed = singleCharacter(e->key);
    int32_t extended = 0;
    int32_t vk = virtualKeyOf(e->code, typed >= '0' && typed <= '9', &extended);
    if (extended) state |= KEY_STATE_EXTENDED;
    record.controlState = static_cast<uint32_t>(state);
    // A key release only ends an ALT + keypad character.
    if (!record.keyDown) {
        keyRingFeed(&conKeyRing, &record);
        return EM_FALSE;
    }
    if (!vk && !typed) return EM_FALSE; // SHIFT, CAPS LOCK, ...
    record.virtualKey = static_cast<uint16_t>(vk);
    record.scanCode = static_cast<uint16_t>(vk ? keyScanFromVk(vk) : 0);
    record.character = characterOf(*e, vk, typed);
    keyRingFeed(&conKeyRing, &record);
    // The page's own meaning of the key (scrolling, focus, ...) is not wanted.
    return EM_TRUE;
}

} // namespace

int32_t pageAttach() {
    if (!zqConsoleAttach(GRID_ROWS)) return 0;
    gridReset(&pageGrid);
    // On the document: the canvas driver's listeners on the window come and go
    // with its screens, and taking them away takes every listener there.
    const char* document = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
    emscripten_set_keydown_callback(document, nullptr, true, onKey);
    emscripten_set_keyup_callback(document, nullptr, true, onKey);
    // The last output stays on the page.
    rtAtExit([] { pageShow(0); });
    return 1;
}

void pageShow(int32_t whenDue) {
    double now = rtTimer();
    if (whenDue && now - lastShown < YIELD_INTERVAL_MS / 1000.0) return;
    uint32_t rows = gridTakeDirtyRows(&pageGrid);
    if (!rows) return;
    lastShown = now;
    static char html[GRID_ROW_HTML_MAX];
    for (int32_t row = 0; row < GRID_ROWS; ++row) {
        if (!(rows & (1u << row))) continue;
        gridRowHtml(&pageGrid, row, html);
        zqConsoleRow(row, html);
    }
}
