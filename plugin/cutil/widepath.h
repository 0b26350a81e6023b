// The library's one road from a UTF-8 path to the system's UTF-16.
#pragma once

#include "platform/win32/windows.h"

namespace cutil_detail {

// Strict conversion of the whole text with its NUL; false for null, invalid UTF-8 or a text that does not
// fit, so that nothing is done with a substituted or truncated path.
inline bool ToWide(const char* utf8, WCHAR* out, int capacity) {
    if (utf8 == nullptr) {
        return false;
    }
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out, capacity) > 0;
}

}  // namespace cutil_detail
