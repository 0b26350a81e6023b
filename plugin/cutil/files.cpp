// Files, folders, local time and the log line over UTF-8 paths.
#include <climits>
#include <cstring>

#include "platform/win32/windows.h"
#include "plugin/cutil/cutil.h"
#include "plugin/cutil/widepath.h"

namespace {

// Path buffers, in UTF-16 units with the NUL.
constexpr int kOpenPathUnits = 2048;
constexpr int kOpenModeUnits = 100;
constexpr int kSizePathUnits = 1023;
constexpr int kPathUnits = 1024;
constexpr int kTreeEntryUnits = 1023;

using cutil_detail::ToWide;

size_t WideLen(const WCHAR* s) {
    size_t n = 0;
    while (s[n] != 0) {
        ++n;
    }
    return n;
}

// Forms "folder\tail" into out; false (out untouched) when it does not fit, since a truncated path could
// name another, existing file.
bool JoinPath(WCHAR* out, size_t capacity, const WCHAR* folder, const WCHAR* tail) {
    const size_t folderLen = WideLen(folder);
    const size_t tailLen = WideLen(tail);
    if (folderLen + 1 + tailLen + 1 > capacity) {
        return false;
    }
    std::memmove(out, folder, folderLen * sizeof(WCHAR));
    out[folderLen] = u'\\';
    std::memcpy(out + folderLen + 1, tail, tailLen * sizeof(WCHAR));
    out[folderLen + 1 + tailLen] = 0;
    return true;
}

bool IsDotEntry(const WCHAR* name) {
    return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

// A link, junction or other reparse point: removed itself, never entered. A link to a folder goes with
// RemoveDirectoryW where DeleteFileW refuses it; neither touches the target.
void RemoveLink(const WCHAR* path) {
    if (!DeleteFileW(path)) {
        RemoveDirectoryW(path);
    }
}

void RemoveTree(const WCHAR* folder) {
    // One buffer per level for the search pattern and then each child path keeps the stack small in deep
    // trees.
    WCHAR path[kTreeEntryUnits];
    if (JoinPath(path, kTreeEntryUnits, folder, u"*")) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(path, &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (IsDotEntry(data.cFileName) || !JoinPath(path, kTreeEntryUnits, folder, data.cFileName)) {
                    continue;  // a child that does not fit stays, and so does this folder
                }
                if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    RemoveLink(path);
                } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path);
                } else {
                    DeleteFileW(path);
                }
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
    }
    RemoveDirectoryW(folder);
}

}  // namespace

FILE* OpenFileU8(const char* path, const char* mode) {
    WCHAR widePath[kOpenPathUnits];
    WCHAR wideMode[kOpenModeUnits];
    if (!ToWide(path, widePath, kOpenPathUnits) || !ToWide(mode, wideMode, kOpenModeUnits)) {
        return nullptr;
    }
    return _wfopen(widePath, wideMode);
}

int WriteFileData(const char* path, const void* data, uint32_t count) {
    if (data == nullptr && count != 0) {
        return 0;
    }
    FILE* file = OpenFileU8(path, "wb");
    if (file == nullptr) {
        return 0;
    }
    // A short write or a failed close (disk full) is a failure: the caller must not take the file as good.
    bool ok = count == 0 || std::fwrite(data, 1, count, file) == count;
    ok = (std::fclose(file) == 0) && ok;
    return ok ? 1 : 0;
}

int32_t GetFileSizeU8(const char* path) {
    WCHAR widePath[kSizePathUnits];
    struct _stat64 st;
    if (!ToWide(path, widePath, kSizePathUnits) || _wstat64(widePath, &st) != 0) {
        return -1;
    }
    // Saturated, so that a large file never reads as missing (negative) or empty (a multiple of 4 GiB).
    if (st.st_size > INT32_MAX) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(st.st_size);
}

int DeleteFileU8(const char* path) {
    WCHAR widePath[kPathUnits];
    if (!ToWide(path, widePath, kPathUnits)) {
        return 0;
    }
    return DeleteFileW(widePath);
}

void CreateDirU8(const char* path) {
    WCHAR widePath[kPathUnits];
    if (ToWide(path, widePath, kPathUnits)) {
        CreateDirectoryW(widePath, nullptr);
    }
}

void RemoveDirTreeU8(const char* path) {
    WCHAR widePath[kPathUnits];
    if (path == nullptr || path[0] == '\0' || !ToWide(path, widePath, kPathUnits)) {
        return;
    }
    // A link given as the tree itself is removed as a link, never emptied through.
    const DWORD attributes = GetFileAttributesW(widePath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveLink(widePath);
        return;
    }
    RemoveTree(widePath);
}

struct tm* LocalTimeNow(struct tm* out, int64_t t) {
    __time64_t when = t != 0 ? static_cast<__time64_t>(t) : _time64(nullptr);
    if (_localtime64_s(out, &when) != 0) {
        std::memset(out, 0, sizeof(*out));
    }
    return out;
}

void WriteLogV(const char* path, const char* format, va_list args) {
    if (format == nullptr) {
        return;
    }
    struct tm now;
    LocalTimeNow(&now, 0);
    FILE* file = OpenFileU8(path, "a");
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "[%04d/%02d/%02d %02d:%02d:%02d]  ", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                 now.tm_hour, now.tm_min, now.tm_sec);
    std::vfprintf(file, format, args);
    std::fputs("\n", file);
    std::fclose(file);
}

void WriteLog(const char* path, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogV(path, format, args);
    va_end(args);
}
