// Runtime core: process state, start-up and shutdown, END, error numbers,
// context blocks and the console hook table with its dispatchers.
//
// Every text statement goes through one dispatcher: it calls the hook when the
// slot is filled (a graphics screen is open) and the text-console routine
// otherwise. Dispatchers take no lock; they run on the program's thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/file.h"
#include "runtime/strings.h"

enum : int32_t {
    RT_OK = 0,
    RT_ERR_ILLEGAL_CALL = 1,
    RT_ERR_FILE_NOT_FOUND = 2,
    RT_ERR_FILE_IO = 3,
    RT_ERR_OUT_OF_MEMORY = 4,
    RT_ERR_BAD_ARGUMENT = 5,    // a record or header that cannot describe what it claims
    RT_ERR_BAD_FILE_FORMAT = 6, // a file that is not what its kind says it is
};

// COLOR's flags: a colour that was not given.
enum : int32_t {
    RT_COLOR_NO_FOREGROUND = 1,
    RT_COLOR_NO_BACKGROUND = 2,
};

// The 27 console operations, in slot order. Null slots reach the text console.
struct ConsoleHooks {
    StringDescriptor* (*readKey)();                                              // 0
    int32_t (*waitKey)();                                                        // 1
    int32_t (*keyAvailable)();                                                   // 2
    void (*clearScreen)(int32_t mode);                                           // 3
    int32_t (*setColors)(int32_t foreground, int32_t background, int32_t flags); // 4
    int32_t (*locate)(int32_t row, int32_t column, int32_t cursor);              // 5
    int32_t (*setWidth)(int32_t columns, int32_t rows);                          // 6
    int32_t (*getColumn)();                                                      // 7
    int32_t (*getRow)();                                                         // 8
    void (*getCursor)(int32_t* column, int32_t* row);                            // 9
    void (*getSize)(int32_t* columns, int32_t* rows);                            // 10
    void (*printBytes)(const uint8_t* text, int32_t length, int32_t mask);       // 11
    void (*printWide)(const uint16_t* text, int32_t length, int32_t mask);       // 12
    char* (*readString)(char* buffer, int32_t length);                           // 13
    int32_t (*isKeyDown)(int32_t scanCode);                                      // 14
    int32_t (*getMouse)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons,
                        int32_t* clip);                                          // 15
    int32_t (*setMouse)(int32_t x, int32_t y, int32_t visibility, int32_t clip); // 16
    int32_t (*portIn)(int32_t port);                                             // 17
    int32_t (*portOut)(int32_t port, int32_t value);                             // 18
    void (*viewUpdate)();                                                        // 19
    int32_t (*lineInput)(StringDescriptor* prompt, void* destination, int32_t destinationSize,
                         int32_t fillRest, int32_t questionMark, int32_t newline); // 20
    int32_t (*lineInputWide)(const uint16_t* prompt, uint16_t* destination, int32_t destinationSize,
                             int32_t questionMark,
                             int32_t newline);                             // 21
    int32_t (*readCharAt)(int32_t column, int32_t row, int32_t colorFlag); // 22
    void (*sleep)(int32_t milliseconds);                                   // 23
    int32_t (*isRedirected)();                                             // 24
    int32_t (*pageCopy)(int32_t source, int32_t destination);              // 25
    int32_t (*pageSet)(int32_t active, int32_t visible);                   // 26
};
static_assert(sizeof(ConsoleHooks) == 27 * sizeof(void*), "27 hook slots, no padding");

// The text console as the runtime reaches it: the routine each dispatcher
// calls while its hook slot is empty (slots it has no routine for stay null)
// and the reset made at start-up. The console layer defines its table and the
// platform's composition registers it before the program's first statement
// (rtSetTextConsole), so the runtime neither includes nor links anything of
// it. Until then the runtime's own quiet console answers: it shows nothing,
// has no keys and a 80 x 25 grid.
struct TextConsole {
    ConsoleHooks routines;
    void (*reset)();
    // 1 once the console's input has ended and no key is left, else 0.
    int32_t (*inputEnded)();
};
// Registers the text console; reset at once when the runtime has started
// already, else at start-up. Null goes back to the quiet console.
void rtSetTextConsole(const TextConsole* console);
const TextConsole* rtTextConsole();

constexpr int RT_CONTEXT_SLOTS = 5;
constexpr int RT_FILE_TABLE_SIZE = 256;

// Zero-filled at start-up; fields in this order.
struct RuntimeState {
    int32_t argc;
    char** argv;
    StringDescriptor nullString;
    ConsoleHooks hooks;
    void* contexts[RT_CONTEXT_SLOTS];
    FileHandle consoleHandle;
    FileHandle fileTable[RT_FILE_TABLE_SIZE]; // entry 0 is file -1, entry n is file n
    int32_t filesOpened;
    int32_t compatMode;
};

// The last error number lives in the second field.
struct ErrorRecord {
    int32_t reserved0;
    int32_t errorNumber;
    int32_t reserved[5];
};
static_assert(sizeof(ErrorRecord) == 7 * sizeof(int32_t));

extern RuntimeState rtState;
extern int32_t rtStartCount; // start-ups not yet matched by a shutdown
extern int32_t rtViewTop;    // 0-based text view rows; -1 = not set
extern int32_t rtViewBottom;

// Start-up and shutdown.
void rtStartup();
extern "C" void rtInit(int32_t argc, char** argv, int32_t compatMode);
void rtShutdown();
extern "C" [[noreturn]] void rtEnd(int32_t code);

// Errors and context blocks.
extern "C" int32_t rtSetError(int32_t number);
extern "C" int32_t rtGetError();
// Context block `index` (0..4), zero-filled when created and kept for the
// process. A caller asking for more than the block holds gets it grown (the
// new bytes zero), which may move it: keep no copy of the address without
// comparing it with rtState.contexts. Null for a bad index or no memory.
void* rtContextSlot(int32_t index, size_t size);

// Dispatchers.
int32_t rtLocate(int32_t row, int32_t column, int32_t cursor, int32_t* position);
extern "C" int32_t rtLocateEntry(int32_t row, int32_t column, int32_t cursor, int32_t unused1,
                                 int32_t unused2);
extern "C" void rtSleep(int32_t milliseconds);
extern "C" StringDescriptor* rtInkey();
extern "C" int32_t rtWaitKey();
extern "C" int32_t rtKeyHit();
// 1 when the text console's input has ended and no key is left (never while a
// graphics screen is open), else 0.
int32_t rtInputEnded();
extern "C" void rtCls(int32_t mode);
// COLOR: the colours of later output; returns the previous ones (a text
// console: background * 65536 + foreground). On a text console the foreground
// is 0-15 (16-31, blinking, shows as 0-15) and the background 0-7, and a
// negative colour is left as it is, as is one the flags say was not given.
extern "C" int32_t rtColor(int32_t foreground, int32_t background, int32_t flags);
extern "C" int32_t rtWidth(int32_t columns, int32_t rows);
extern "C" int32_t rtViewPrint(int32_t top, int32_t bottom, int32_t moveCursor);
void rtGetView(int32_t* top, int32_t* bottom);
int32_t rtGetColumn();
extern "C" void rtGetCursor(int32_t* column, int32_t* row);
extern "C" void rtGetSize(int32_t* columns, int32_t* rows);
void rtViewUpdate();
void rtPrintBytes(const uint8_t* text, int32_t length, int32_t mask);
void rtPrintWide(const uint16_t* text, int32_t length, int32_t mask);
extern "C" int32_t rtPageSet(int32_t active, int32_t visible);

// Registers a routine to run at process exit (reverse order of registration).
int32_t rtAtExit(void (*handler)());
