// PRINT items and the end-of-item actions.
#include "runtime/print.h"

#include <cstring>

#include "runtime/file.h"
#include "runtime/runtime.h"

namespace {

// Writes bytes or 16-bit characters; wide items end with wide line ends and
// wide zone spaces.
struct Writer {
    FileHandle* handle;
    bool wide;

    int32_t put(const uint8_t* bytes, int32_t count) const {
        if (!wide) return fileWrite(handle, bytes, count, 1);
        uint16_t chars[PRINT_ZONE_WIDTH];
        for (int32_t i = 0; i < count; ++i)
            chars[i] = bytes[i];
        return fileWriteWide(handle, chars, count, 1);
    }
};

int32_t endOfItem(const Writer& out, int32_t mask) {
    static constexpr uint8_t NEWLINE[] = {13, 10};
    if (mask & (PRINT_NEWLINE | PRINT_NEWLINE_ALT)) return out.put(NEWLINE, 2);
    if (!(mask & PRINT_COMMA)) return rtGetError();
    FileHandle* tracked = fileColumnHandle(out.handle);
    int64_t k = tracked->column < 0 ? 0 : tracked->column;
    int64_t z = (k + PRINT_ZONE_WIDTH) / PRINT_ZONE_WIDTH * PRINT_ZONE_WIDTH + 1;
    // The width's size counts, as when the column is tracked; a width below
    // one zone never ends the line here.
    int64_t limit = (tracked->width < 0 ? -int64_t{tracked->width} : int64_t{tracked->width}) -
                    PRINT_ZONE_WIDTH;
    if (tracked->width != 0 && limit >= 0 && z > limit) return out.put(NEWLINE, 2);
    static constexpr uint8_t SPACES[PRINT_ZONE_WIDTH] = {' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                                         ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    return out.put(SPACES, static_cast<int32_t>(z - (k + 1)));
}

// The handle behind a file number that can be written, or null with error 1.
FileHandle* printTarget(int32_t fileNumber) {
    FileHandle* handle = rtFileHandle(fileNumber);
    if (!handle || !handle->ops) {
        rtSetError(RT_ERR_ILLEGAL_CALL);
        return nullptr;
    }
    rtSetError(RT_OK);
    return handle;
}

} // namespace

int32_t rtPrintString(int32_t fileNumber, StringDescriptor* text, int32_t mask) {
    FileHandle* handle = printTarget(fileNumber);
    int32_t error = handle ? RT_OK : RT_ERR_ILLEGAL_CALL;
    int32_t length = text && text->data ? strLength(text) : 0;
    if (handle && length > 0)
        error = fileWrite(handle, reinterpret_cast<const uint8_t*>(text->data), length, 1);
    if (handle && error == RT_OK) error = endOfItem(Writer{handle, false}, mask);
    strDelete(text);
    return error;
}

int32_t rtPrintText(int32_t fileNumber, const char* text, int32_t mask) {
    FileHandle* handle = printTarget(fileNumber);
    if (!handle) return RT_ERR_ILLEGAL_CALL;
    size_t length = text ? std::strlen(text) : 0;
    int32_t error = RT_OK;
    if (length > 0)
        error = fileWrite(handle, reinterpret_cast<const uint8_t*>(text),
                          length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length), 1);
    return error == RT_OK ? endOfItem(Writer{handle, false}, mask) : error;
}

int32_t rtPrintWideText(int32_t fileNumber, const uint16_t* text, int32_t mask) {
    FileHandle* handle = printTarget(fileNumber);
    if (!handle) return RT_ERR_ILLEGAL_CALL;
    size_t length = 0;
    while (text && text[length] != 0 && length < INT32_MAX)
        ++length;
    int32_t error = RT_OK;
    if (length > 0) error = fileWriteWide(handle, text, static_cast<int32_t>(length), 1);
    return error == RT_OK ? endOfItem(Writer{handle, true}, mask) : error;
}

int32_t rtPrintEnd(int32_t fileNumber, int32_t mask) {
    FileHandle* handle = printTarget(fileNumber);
    return handle ? endOfItem(Writer{handle, false}, mask) : RT_ERR_ILLEGAL_CALL;
}
