// File handles: the output device behind a file number. File 0 is the console,
// whose writes go to the print dispatchers; the handle tracks the output column
// for PRINT's comma zones. Errors are stored with rtSetError and returned:
// 1 for a missing handle or operation, 3 for a record of the wrong length.
#pragma once

#include <cstdint>

struct FileHandle;

// Device routines, in this slot order.
struct FileOps {
    void* reserved0;
    int32_t (*close)(FileHandle* handle);
    int32_t (*seek)(FileHandle* handle, int64_t position, int32_t origin);
    void* reserved3;
    void* reserved4;
    void* reserved5;
    void* reserved6;
    int32_t (*write)(FileHandle* handle, const uint8_t* data, int32_t count);
    int32_t (*writeWide)(FileHandle* handle, const uint16_t* data, int32_t count);
};
static_assert(sizeof(FileOps) == 9 * sizeof(void*));

constexpr int32_t FILE_MODE_RECORD = 1;
constexpr int32_t FILE_MODE_CONSOLE = 4;

struct FileHandle {
    int32_t mode;
    int32_t recordLength;
    int32_t column; // 0-based output column
    int32_t width;  // line width, 0 = unlimited
    const FileOps* ops;
    FileHandle* parent; // handle whose column is tracked instead
};

// Makes sure file 0 is set up (first use: mode 4, console ops, column and width
// from the console) and returns it.
FileHandle* rtConsoleHandle();
// The handle behind a file number, or null: 0 console, -1 and 1..255 the table.
FileHandle* rtFileHandle(int32_t fileNumber);
// Sets the 0-based output column; returns error 0.
int32_t fileSetColumn(FileHandle* handle, int32_t column);
// The handle whose column a write moves: the last one of the parent chain.
FileHandle* fileColumnHandle(FileHandle* handle);

// Writes count bytes (or 16-bit characters) through the handle's device. With
// trackColumn the column becomes the characters after the last 13 or 10, or
// grows by count, reduced modulo a non-zero width.
int32_t fileWrite(FileHandle* handle, const uint8_t* data, int32_t count, int32_t trackColumn);
int32_t fileWriteWide(FileHandle* handle, const uint16_t* data, int32_t count, int32_t trackColumn);
