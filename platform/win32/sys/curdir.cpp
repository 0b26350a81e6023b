// The current folder and full paths.
#include "platform/win32/sys/curdir.h"

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/win32/core/paths.h"
#include "platform/win32/sys/sys_internal.h"

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool CurrentFolder(std::u16string& folder) {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr) {
        return false;
    }
    folder = platform::ToWindowsPath(buffer);
    return true;
}

}  // namespace

DWORD GetCurrentDirectoryW(DWORD capacity, LPWSTR buffer) {
    std::u16string folder;
    if (!CurrentFolder(folder)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    return platform::sys::CopyOutLength(folder, buffer, capacity);
}

DWORD GetFullPathNameW(LPCWSTR path, DWORD capacity, LPWSTR buffer, LPWSTR* filePart) {
    if (path == nullptr || path[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text(path);
    std::u16string drive = u"C:";
    size_t start = 0;
    if (text.size() >= 2 && text[1] == u':') {
        drive = text.substr(0, 2);
        start = 2;
    }
    if (start >= text.size() || !IsSeparator(text[start])) {
        std::u16string folder;
        if (!CurrentFolder(folder)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return 0;
        }
        text = folder + u"\\" + text.substr(start);
        drive = text.substr(0, 2);
        start = 2;
    }
    std::vector<std::u16string> parts;
    std::u16string part;
    for (size_t i = start; i <= text.size(); ++i) {
        if (i == text.size() || IsSeparator(text[i])) {
            if (part == u"..") {
                if (!parts.empty()) {
                    parts.pop_back();
                }
            } else if (!part.empty() && part != u".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part.push_back(text[i]);
        }
    }
    std::u16string full = drive;
    for (const std::u16string& p : parts) {
        full += u"\\" + p;
    }
    if (parts.empty()) {
        full += u"\\";
    }
    const DWORD result = platform::sys::CopyOutLength(full, buffer, capacity);
    if (filePart != nullptr) {
        *filePart = nullptr;
        if (result > 0 && result < capacity && !parts.empty()) {
            *filePart = buffer + (full.size() - parts.back().size());
        }
    }
    return result;
}
