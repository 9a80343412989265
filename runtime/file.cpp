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

FileHandle* fileColumnHandle(FileHandle* handle) {
    // A bounded walk: a chain that loops back on itself stops somewhere on it.
    for (int depth = 0; handle && handle->parent && depth < RT_FILE_TABLE_SIZE; ++depth)
        handle = handle->parent;
    return handle;
}

namespace {

template <typename Char> struct WriteTraits;
template <> struct WriteTraits<uint8_t> {
    static int32_t write(FileHandle* handle, const uint8_t* data, int32_t count) {
        return handle->ops->write ? handle->ops->write(handle, data, count) : RT_ERR_ILLEGAL_CALL;
    }
};
template <> struct WriteTraits<uint16_t> {
    static int32_t write(FileHandle* handle, const uint16_t* data, int32_t count) {
        return handle->ops->writeWide ? handle->ops->writeWide(handle, data, count)
                                      : RT_ERR_ILLEGAL_CALL;
    }
};

constexpr int SEEK_FROM_CURRENT = 1;

template <typename Char>
int32_t writeChars(FileHandle* handle, const Char* data, int32_t count, int32_t trackColumn) {
    if (!handle || !handle->ops || count < 0 || (!data && count > 0))
        return rtSetError(RT_ERR_ILLEGAL_CALL);
    rtSetError(RT_OK);
    if (handle->mode == FILE_MODE_RECORD &&
        static_cast<int64_t>(count) * static_cast<int64_t>(sizeof(Char)) != handle->recordLength)
        return rtSetError(RT_ERR_FILE_IO);
    int32_t error = WriteTraits<Char>::write(handle, data, count);
    if (error == RT_OK && handle->mode == FILE_MODE_RECORD && handle->ops->seek)
        error = handle->ops->seek(handle, 0, SEEK_FROM_CURRENT); // settle at the record's end
    if (error != RT_OK) return rtSetError(error);
    if (trackColumn) {
        FileHandle* target = fileColumnHandle(handle);
        int32_t last = count - 1;
        while (last >= 0 && data[last] != 13 && data[last] != 10)
            --last;
        int64_t column = last >= 0 ? count - 1 - last : int64_t{target->column} + count;
        if (target->width != 0)
            column %= target->width < 0 ? -int64_t{target->width} : int64_t{target->width};
        target->column = column > INT32_MAX ? INT32_MAX : static_cast<int32_t>(column);
    }
    return RT_OK;
}

} // namespace

int32_t fileWrite(FileHandle* handle, const uint8_t* data, int32_t count, int32_t trackColumn) {
    return writeChars(handle, data, count, trackColumn);
}

int32_t fileWriteWide(FileHandle* handle, const uint16_t* data, int32_t count,
                      int32_t trackColumn) {
    return writeChars(handle, data, count, trackColumn);
}
