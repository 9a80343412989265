// File numbers and the console's file handle.
#include "runtime/file.h"

#include <cstring>

#include "runtime/runtime.h"

namespace {

int32_t consoleWrite(FileHandle*, const uint8_t* data, int32_t count) {
    rtPrintBytes(data, count, 0);
    return RT_OK;
}

int32_t consoleWriteWide(FileHandle*, const uint16_t* data, int32_t count) {
    rtPrintWide(data, count, 0);
    return RT_OK;
}

constexpr FileOps CONSOLE_OPS = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, consoleWrite, consoleWriteWide,
};

} // namespace

FileHandle* rtConsoleHandle() {
    FileHandle* handle = &rtState.consoleHandle;
    if (handle->ops) return handle;
    std::memset(handle, 0, sizeof *handle);
    handle->mode = FILE_MODE_CONSOLE;
    handle->ops = &CONSOLE_OPS;
    int32_t column = rtGetColumn() - 1;
    handle->column = column < 0 ? 0 : column;
    int32_t columns = 0;
    rtGetSize(&columns, nullptr);
    handle->width = columns;
    return handle;
}

FileHandle* rtFileHandle(int32_t fileNumber) {
    if (fileNumber == 0) return rtConsoleHandle();
    if (fileNumber == -1) return &rtState.fileTable[0];
    if (fileNumber >= 1 && fileNumber < RT_FILE_TABLE_SIZE) return &rtState.fileTable[fileNumber];
    return nullptr;
}

int32_t fileSetColumn(FileHandle* handle, int32_t column) {
    if (handle) handle->column = column;
    return RT_OK;
}
