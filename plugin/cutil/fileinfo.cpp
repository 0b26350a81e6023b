// Further file and folder operations over UTF-8 paths: whole-file reads, times, existence, move and copy,
// folder chains, the program and temporary folders, folder listings and the MD5 of a file.
#include <cstdlib>
#include <cstring>

#include "platform/win32/windows.h"
#include "plugin/cutil/cutil.h"
#include "plugin/cutil/widepath.h"

namespace {

using cutil_detail::ToWide;

constexpr int kStatPathUnits = 1023;
constexpr int kPathUnits = 1024;
constexpr int kPatternUnits = 1023;
constexpr int kTempUnits = 256;
constexpr int32_t kReadSlack = 500;  // zero bytes after a file read whole, so text parsers find a NUL
constexpr size_t kListNameBytes = sizeof(FolderEntryU8::name) - 1;
constexpr size_t kMd5FileBlock = 1024;

bool StatU8(const char* path, struct _stat64* st, bool* converted) {
    WCHAR widePath[kStatPathUnits];
    *converted = ToWide(path, widePath, kStatPathUnits);
    return *converted && _wstat64(widePath, st) == 0;
}

// UTF-16 to UTF-8 of the whole text into out; false (out "") when it does not fit.
bool ToUtf8(const WCHAR* wide, char* out, int size) {
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, size, nullptr, nullptr) > 0) {
        return true;
    }
    if (size > 0) {
        out[0] = '\0';
    }
    return false;
}

// Cuts a UTF-8 name to at most max bytes without splitting a character.
void CutName(char* name, size_t max) {
    size_t len = std::strlen(name);
    if (len <= max) {
        return;
    }
    len = max;
    while (len > 0 && (static_cast<unsigned char>(name[len]) & 0xC0) == 0x80) {
        --len;
    }
    name[len] = '\0';
}

}  // namespace

int32_t ReadFileU8(const char* path, char** out) {
    if (out == nullptr) {
        return -1;
    }
    *out = nullptr;
    struct _stat64 st;
    bool converted = false;
    // Only a regular file that fits an int32 size with the slack after it.
    if (!StatU8(path, &st, &converted) || (st.st_mode & _S_IFMT) != _S_IFREG || st.st_size < 0 ||
        st.st_size > INT32_MAX - kReadSlack) {
        return -1;
    }
    const int32_t size = static_cast<int32_t>(st.st_size);
    FILE* file = OpenFileU8(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    char* block = static_cast<char*>(std::calloc(static_cast<size_t>(size) + kReadSlack, 1));
    const bool ok = block != nullptr && std::fread(block, 1, static_cast<size_t>(size), file) == size_t(size);
    std::fclose(file);
    if (!ok) {
        std::free(block);
        return -1;
    }
    *out = block;
    return size;
}

int64_t FileModTimeU8(const char* path) {
    struct _stat64 st;
    bool converted = false;
    if (!StatU8(path, &st, &converted)) {
        return converted ? 0 : -1;
    }
    return static_cast<int64_t>(st.st_mtime);
}

int64_t FileCreateTimeU8(const char* path) {
    struct _stat64 st;
    bool converted = false;
    if (!StatU8(path, &st, &converted)) {
        return converted ? 0 : -1;
    }
    return static_cast<int64_t>(st.st_ctime);
}

int PathExistsU8(const char* path) {
    struct _stat64 st;
    bool converted = false;
    if (!StatU8(path, &st, &converted)) {
        return -1;
    }
    return (st.st_mode & _S_IFMT) == _S_IFDIR ? 2 : 1;
}

int MoveFileU8(const char* from, const char* to) {
    WCHAR wideFrom[kPathUnits];
    WCHAR wideTo[kPathUnits];
    if (!ToWide(from, wideFrom, kPathUnits) || !ToWide(to, wideTo, kPathUnits)) {
        return 0;
    }
    return MoveFileW(wideFrom, wideTo);
}

int CopyFileU8(const char* from, const char* to, int failIfExists) {
    WCHAR wideFrom[kPathUnits];
    WCHAR wideTo[kPathUnits];
    if (!ToWide(from, wideFrom, kPathUnits) || !ToWide(to, wideTo, kPathUnits)) {
        return 0;
    }
    return CopyFileW(wideFrom, wideTo, failIfExists ? TRUE : FALSE);
}

void CreateDirsU8(const char* path, int wholePath) {
    WCHAR widePath[kPathUnits];
    if (!ToWide(path, widePath, kPathUnits)) {
        return;
    }
    for (int i = 1; widePath[i] != 0; ++i) {
        const WCHAR c = widePath[i];
        // The separator after "C:" ends a drive root, which is never created.
        if ((c == u'/' || c == u'\\') && widePath[i - 1] != u':') {
            widePath[i] = 0;
            CreateDirectoryW(widePath, nullptr);
            widePath[i] = c;
        }
    }
    if (wholePath && widePath[0] != 0) {
        CreateDirectoryW(widePath, nullptr);
    }
}

char* ModuleFolderU8(char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return nullptr;
    }
    WCHAR wide[kPathUnits];
    const DWORD n = GetModuleFileNameW(nullptr, wide, kPathUnits);
    if (n == 0 || n >= static_cast<DWORD>(kPathUnits)) {
        buffer[0] = '\0';
        return nullptr;  // a cut program path would name another folder
    }
    for (DWORD i = n; i > 0; --i) {
        if (wide[i - 1] == u'\\') {
            wide[i - 1] = 0;
            break;
        }
    }
    return ToUtf8(wide, buffer, size) ? buffer : nullptr;
}

int TempFolderU8(int size, char* buffer) {
    if (buffer == nullptr || size < 6) {
        return 0;
    }
    WCHAR wide[kTempUnits + 1];
    const DWORD n = GetTempPathW(kTempUnits, wide);
    if (n == 0 || n >= static_cast<DWORD>(kTempUnits)) {
        buffer[0] = '\0';
        return 0;
    }
    return ToUtf8(wide, buffer, size) ? static_cast<int>(std::strlen(buffer)) : 0;
}

int ListFolderU8(const char* folder, FolderEntryU8** out) {
    if (out == nullptr) {
        return 0;
    }
    *out = nullptr;
    WCHAR pattern[kPathUnits];
    if (!ToWide(folder, pattern, kPatternUnits)) {
        return 0;
    }
    size_t len = 0;
    while (pattern[len] != 0) {
        ++len;
    }
    if (len + 3 > static_cast<size_t>(kPatternUnits)) {
        return 0;
    }
    pattern[len] = u'\\';
    pattern[len + 1] = u'*';
    pattern[len + 2] = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) {
        return 0;
    }
    FolderEntryU8* entries = nullptr;
    int count = 0;
    int capacity = 0;
    do {
        const WCHAR* name = data.cFileName;
        if (name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0))) {
            continue;
        }
        char utf8[3 * MAX_PATH + 1];
        if (!ToUtf8(name, utf8, sizeof(utf8))) {
            continue;
        }
        if (count == capacity) {
            const size_t grown = static_cast<size_t>(capacity) + kFolderListStep;
            auto* bigger = static_cast<FolderEntryU8*>(std::realloc(entries, grown * sizeof(FolderEntryU8)));
            if (bigger == nullptr) {
                std::free(entries);
                FindClose(find);
                return -1;
            }
            std::memset(bigger + capacity, 0, kFolderListStep * sizeof(FolderEntryU8));
            entries = bigger;
            capacity = static_cast<int>(grown);
        }
        // The flag byte follows the name field, so the name keeps room for its NUL.
        CutName(utf8, kListNameBytes);
        std::memcpy(entries[count].name, utf8, std::strlen(utf8) + 1);
        entries[count].isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
        ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    *out = entries;
    return count;
}

int Md5File(const char* path, uint8_t digest[16]) {
    if (path == nullptr || digest == nullptr) {
        return 0;
    }
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        file = OpenFileU8(path, "rb");
    }
    if (file == nullptr) {
        return 0;
    }
    Md5Context context;
    Md5Init(&context);
    uint8_t block[kMd5FileBlock];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof(block), file)) > 0) {
        Md5Update(&context, block, static_cast<uint32_t>(n));
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    Md5Final(digest, &context);
    return ok ? 1 : 0;
}

void Md5BufferAlias(uint8_t digest[16], const void* data, uint32_t count) {
    Md5Buffer(digest, data, count);
}
