// Files and folders over POSIX calls. Every path is mapped by platform::ToHostPath; errors come back as the
// real platform's codes. lstat is used wherever an entry is described, so a symbolic link shows as a reparse
// point and is never taken for a folder (a tree removal then never follows a link out of the tree).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/win32/core/paths.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"
#include "platform/win32/sys/sys_internal.h"

namespace platform::sys {

bool HostPathOf(const WCHAR* path, std::string& hostPath) {
    if (path == nullptr || path[0] == 0 || !platform::ToHostPath(path, hostPath)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

bool IsFolder(const std::string& hostPath) {
    struct stat st;
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD ErrorFromErrno(int error, const std::string& hostPath) {
    switch (error) {
        case ENOENT: {
            const size_t slash = hostPath.find_last_of('/');
            if (slash == std::string::npos) {
                return ERROR_FILE_NOT_FOUND;
            }
            return IsFolder(slash == 0 ? "/" : hostPath.substr(0, slash)) ? ERROR_FILE_NOT_FOUND
                                                                          : ERROR_PATH_NOT_FOUND;
        }
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        default:
            return ERROR_ACCESS_DENIED;
    }
}

DWORD CopyOutLength(std::u16string_view text, WCHAR* buffer, DWORD capacity) {
    if (buffer == nullptr || text.size() + 1 > capacity) {
        return static_cast<DWORD>(text.size() + 1);
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<DWORD>(text.size());
}

}  // namespace platform::sys

using platform::sys::ErrorFromErrno;
using platform::sys::HostPathOf;
using platform::sys::InjectedOpenError;
using platform::sys::OnFullDisk;

namespace {

// The real platform's read-only attribute is the owner's write permission here (checked by hand, since
// the tests may run with privileges that ignore permissions).
bool IsReadOnly(const struct stat& st) {
    return !S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

// A symbolic link is a reparse point; one that leads to a folder also carries the folder bit, as a folder
// link does on the real platform, so code that recurses on the folder bit alone would follow it.
DWORD AttributesOf(const struct stat& lst, const std::string& hostPath) {
    if (S_ISLNK(lst.st_mode)) {
        struct stat target;
        const bool toFolder = ::stat(hostPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        return FILE_ATTRIBUTE_REPARSE_POINT | (toFolder ? FILE_ATTRIBUTE_DIRECTORY : 0);
    }
    if (S_ISDIR(lst.st_mode)) {
        return FILE_ATTRIBUTE_DIRECTORY;
    }
    return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnly(lst) ? FILE_ATTRIBUTE_READONLY : 0);
}

FILETIME FileTimeOf(const struct timespec& ts) {
    // 100-ns intervals since 1601-01-01.
    const uint64_t ticks = (static_cast<uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull +
                           static_cast<uint64_t>(ts.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

bool CopyContents(const std::string& from, const std::string& to, mode_t mode, DWORD* error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = ErrorFromErrno(errno, from);
        return false;
    }
    // An injected EXDEV fails a move onto the file, never a copy.
    if (const int injected = InjectedOpenError(to); injected != 0 && injected != EXDEV) {
        *error = ErrorFromErrno(injected, to);
        ::close(in);
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode & 07777);
    if (out < 0) {
        *error = ErrorFromErrno(errno, to);
        ::close(in);
        return false;
    }
    const bool full = OnFullDisk(to);  // the file is made; its first write fails
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof(buffer));
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (full) {
            errno = ENOSPC;
            ok = false;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            const ssize_t wrote = ::write(out, buffer + done, static_cast<size_t>(got - done));
            ok = wrote > 0;
            done += ok ? wrote : 0;
        }
        if (!ok) {
            break;
        }
    }
    const int savedErrno = ok ? 0 : errno;
    ok = (::close(out) == 0) && ok;
    ::close(in);
    if (!ok) {
        *error = ErrorFromErrno(savedErrno == 0 ? EIO : savedErrno, to);
        ::unlink(to.c_str());  // never leave half a copy behind
    }
    return ok;
}

// Find handles: a snapshot of the matching entries taken at FindFirstFileW.
struct FindState {
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

std::mutex g_findMutex;
std::set<FindState*>* g_finds = nullptr;

std::set<FindState*>& Finds() {
    if (g_finds == nullptr) {
        g_finds = new std::set<FindState*>;
        platform::RegisterReset("win32.sys.find", [] {
            std::lock_guard<std::mutex> lock(g_findMutex);
            for (FindState* state : *g_finds) {
                delete state;
            }
            g_finds->clear();
        });
    }
    return *g_finds;
}

// Injected failures: opens of one file fail with an errno; files opened for writing in a folder write as on a
// full disk.
struct FileFailures {
    std::vector<std::pair<std::string, int>> opens;
    std::vector<std::string> fullFolders;
};

std::mutex g_failureMutex;

FileFailures& Failures() {
    static auto* failures = [] {
        platform::RegisterReset("win32.sys.filefailures", [] {
            std::lock_guard<std::mutex> lock(g_failureMutex);
            Failures() = FileFailures{};
        });
        return new FileFailures;
    }();
    return *failures;
}

std::string Absolute(const std::string& hostPath) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(hostPath, error);
    return error ? hostPath : absolute.lexically_normal().string();
}

}  // namespace

int platform::sys::InjectedOpenError(const std::string& hostPath) {
    const std::string absolute = Absolute(hostPath);
    std::lock_guard<std::mutex> lock(g_failureMutex);
    for (const auto& [path, error] : Failures().opens) {
        if (path == absolute) {
            return error;
        }
    }
    return 0;
}

bool platform::sys::OnFullDisk(const std::string& hostPath) {
    const std::string folder = std::filesystem::path(Absolute(hostPath)).parent_path().string();
    std::lock_guard<std::mutex> lock(g_failureMutex);
    return std::find(Failures().fullFolders.begin(), Failures().fullFolders.end(), folder) !=
           Failures().fullFolders.end();
}

namespace {

// Matches a name against a pattern with '*' and '?', ignoring case; "*.*" matches every name.
bool Matches(std::u16string_view pattern, std::u16string_view name) {
    if (pattern == u"*.*") {
        pattern = u"*";
    }
    size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || platform::ToUpperChar(pattern[p]) ==
                                                                    platform::ToUpperChar(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

bool Describe(const std::string& hostPath, std::u16string_view name, WIN32_FIND_DATAW& data) {
    struct stat lst;
    if (::lstat(hostPath.c_str(), &lst) != 0 || name.size() >= MAX_PATH) {
        return false;
    }
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = AttributesOf(lst, hostPath);
    data.ftCreationTime = FileTimeOf(lst.st_ctim);
    data.ftLastAccessTime = FileTimeOf(lst.st_atim);
    data.ftLastWriteTime = FileTimeOf(lst.st_mtim);
    const uint64_t size = S_ISREG(lst.st_mode) ? static_cast<uint64_t>(lst.st_size) : 0;
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    std::copy(name.begin(), name.end(), data.cFileName);
    return true;
}

}  // namespace

FILE* _wfopen(const WCHAR* path, const WCHAR* mode) {
    std::string hostPath;
    if (mode == nullptr || !HostPathOf(path, hostPath)) {
        errno = mode == nullptr ? EINVAL : ENOENT;
        return nullptr;
    }
    // Keep the modes the C library knows; "t" and ",ccs=..." have no meaning here.
    std::string narrow;
    for (const WCHAR* m = mode; *m != 0 && *m != u','; ++m) {
        if (*m == u'r' || *m == u'w' || *m == u'a' || *m == u'+' || *m == u'b' || *m == u'x') {
            narrow.push_back(static_cast<char>(*m));
        }
    }
    if (platform::sys::IsFolder(hostPath)) {
        errno = EACCES;  // the real runtime refuses to open a folder as a file
        return nullptr;
    }
    if (const int error = InjectedOpenError(hostPath); error != 0) {
        errno = error;
        return nullptr;
    }
    const bool writing = narrow.find_first_of("wa+") != std::string::npos;
    if (writing && OnFullDisk(hostPath)) {
        // The file is made, and its writes fail as on a full disk.
        FILE* made = std::fopen(hostPath.c_str(), narrow.c_str());
        if (made == nullptr) {
            return nullptr;
        }
        std::fclose(made);
        return std::fopen("/dev/full", "wb");
    }
    return std::fopen(hostPath.c_str(), narrow.c_str());
}

int _wstat64(const WCHAR* path, struct _stat64* out) {
    std::string hostPath;
    struct stat st;
    if (out == nullptr || !HostPathOf(path, hostPath)) {
        errno = out == nullptr ? EINVAL : ENOENT;
        return -1;
    }
    if (::stat(hostPath.c_str(), &st) != 0) {
        return -1;
    }
    const bool folder = S_ISDIR(st.st_mode);
    *out = _stat64{};
    out->st_mode = (folder ? _S_IFDIR : _S_IFREG) | (IsReadOnly(st) ? 0444u : 0666u) | (folder ? 0111u : 0u);
    out->st_size = folder ? 0 : static_cast<int64_t>(st.st_size);
    out->st_atime = st.st_atime;
    out->st_mtime = st.st_mtime;
    out->st_ctime = st.st_ctime;
    return 0;
}

int _wremove(const WCHAR* path) {
    std::string hostPath;
    struct stat lst;
    if (!HostPathOf(path, hostPath)) {
        errno = ENOENT;
        return -1;
    }
    if (::lstat(hostPath.c_str(), &lst) != 0) {
        return -1;
    }
    if (S_ISDIR(lst.st_mode) || IsReadOnly(lst)) {
        errno = EACCES;
        return -1;
    }
    return ::unlink(hostPath.c_str());
}

BOOL DeleteFileW(LPCWSTR path) {
    std::string hostPath;
    struct stat lst;
    if (!HostPathOf(path, hostPath)) {
        return FALSE;
    }
    if (::lstat(hostPath.c_str(), &lst) != 0) {
        return Fail(ErrorFromErrno(errno, hostPath));
    }
    if (S_ISDIR(lst.st_mode) || IsReadOnly(lst)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    return ::unlink(hostPath.c_str()) == 0 ? TRUE : Fail(ErrorFromErrno(errno, hostPath));
}

BOOL CreateDirectoryW(LPCWSTR path, void* /*securityAttributes*/) {
    std::string hostPath;
    if (!HostPathOf(path, hostPath)) {
        return FALSE;
    }
    return ::mkdir(hostPath.c_str(), 0777) == 0 ? TRUE : Fail(ErrorFromErrno(errno, hostPath));
}

BOOL RemoveDirectoryW(LPCWSTR path) {
    std::string hostPath;
    struct stat lst;
    if (!HostPathOf(path, hostPath)) {
        return FALSE;
    }
    if (::lstat(hostPath.c_str(), &lst) != 0) {
        return Fail(ErrorFromErrno(errno, hostPath));
    }
    if (S_ISLNK(lst.st_mode)) {
        // A link to a folder goes as the link itself, as a folder junction does; its target is untouched.
        if (!platform::sys::IsFolder(hostPath)) {
            return Fail(ERROR_DIRECTORY);
        }
        return ::unlink(hostPath.c_str()) == 0 ? TRUE : Fail(ErrorFromErrno(errno, hostPath));
    }
    if (!S_ISDIR(lst.st_mode)) {
        return Fail(ERROR_DIRECTORY);
    }
    return ::rmdir(hostPath.c_str()) == 0 ? TRUE : Fail(ErrorFromErrno(errno, hostPath));
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) {
    std::string source, target;
    struct stat lst;
    if (!HostPathOf(from, source) || !HostPathOf(to, target)) {
        return FALSE;
    }
    if (::lstat(source.c_str(), &lst) != 0) {
        return Fail(ErrorFromErrno(errno, source));
    }
    struct stat existing;
    if (::lstat(target.c_str(), &existing) == 0) {
        return Fail(ERROR_ALREADY_EXISTS);
    }
    if (const int error = InjectedOpenError(target); error != 0) {
        return Fail(ErrorFromErrno(error, target));
    }
    if (::rename(source.c_str(), target.c_str()) == 0) {
        return TRUE;
    }
    if (errno != EXDEV || !S_ISREG(lst.st_mode)) {
        return Fail(ErrorFromErrno(errno, target));
    }
    // A file moves to another file system by copy and delete, as on the real platform.
    DWORD error = 0;
    if (!CopyContents(source, target, lst.st_mode, &error)) {
        return Fail(error);
    }
    ::unlink(source.c_str());
    return TRUE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) {
        return MoveFileW(from, to);
    }
    std::string source, target;
    struct stat lst;
    if (!HostPathOf(from, source) || !HostPathOf(to, target)) {
        return FALSE;
    }
    if (::lstat(source.c_str(), &lst) != 0) {
        return Fail(ErrorFromErrno(errno, source));
    }
    struct stat existing;
    if (::lstat(target.c_str(), &existing) == 0 && (S_ISDIR(existing.st_mode) || IsReadOnly(existing))) {
        return Fail(ERROR_ACCESS_DENIED);  // a folder or a read-only file is not replaced
    }
    if (const int error = InjectedOpenError(target); error != 0) {
        return Fail(ErrorFromErrno(error, target));
    }
    return ::rename(source.c_str(), target.c_str()) == 0 ? TRUE : Fail(ErrorFromErrno(errno, target));
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    std::string source, target;
    struct stat st;
    if (!HostPathOf(from, source) || !HostPathOf(to, target)) {
        return FALSE;
    }
    if (::stat(source.c_str(), &st) != 0) {
        return Fail(ErrorFromErrno(errno, source));
    }
    if (S_ISDIR(st.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0) {
        if (failIfExists) {
            return Fail(ERROR_FILE_EXISTS);
        }
        if (S_ISDIR(existing.st_mode) || IsReadOnly(existing)) {
            return Fail(ERROR_ACCESS_DENIED);
        }
        if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) {
            return Fail(ERROR_SHARING_VIOLATION);  // copying a file onto itself would empty it
        }
    }
    DWORD error = 0;
    return CopyContents(source, target, st.st_mode, &error) ? TRUE : Fail(error);
}

DWORD GetFileAttributesW(LPCWSTR path) {
    std::string hostPath;
    struct stat lst;
    if (!HostPathOf(path, hostPath)) {
        return INVALID_FILE_ATTRIBUTES;
    }
    if (::lstat(hostPath.c_str(), &lst) != 0) {
        SetLastError(ErrorFromErrno(errno, hostPath));
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(lst, hostPath);
}

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
    std::string hostPattern;
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!HostPathOf(pattern, hostPattern)) {
        return INVALID_HANDLE_VALUE;
    }
    const size_t slash = hostPattern.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : hostPattern.substr(0, slash);
    const std::u16string last =
        platform::Utf8ToUtf16(slash == std::string::npos ? hostPattern : hostPattern.substr(slash + 1));
    if (last.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    if (folder != "/") {
        names.insert(names.begin(), {".", ".."});  // the root of a drive has neither
    }
    auto state = std::make_unique<FindState>();
    for (const std::string& name : names) {
        const std::u16string wide = platform::Utf8ToUtf16(name);
        WIN32_FIND_DATAW found;
        if (Matches(last, wide) && Describe(folder + "/" + name, wide, found)) {
            state->entries.push_back(found);
        }
    }
    if (state->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = state->entries[0];
    state->next = 1;
    std::lock_guard<std::mutex> lock(g_findMutex);
    FindState* raw = state.release();
    Finds().insert(raw);
    return raw;
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    std::lock_guard<std::mutex> lock(g_findMutex);
    FindState* state = static_cast<FindState*>(find);
    if (data == nullptr || Finds().count(state) == 0) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (state->next >= state->entries.size()) {
        return Fail(ERROR_NO_MORE_FILES);
    }
    *data = state->entries[state->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    std::lock_guard<std::mutex> lock(g_findMutex);
    FindState* state = static_cast<FindState*>(find);
    if (Finds().erase(state) == 0) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    delete state;
    return TRUE;
}

void platform::InjectFileOpenFailure(const std::string& hostPath, int error) {
    const std::string absolute = Absolute(hostPath);
    std::lock_guard<std::mutex> lock(g_failureMutex);
    Failures().opens.emplace_back(absolute, error);
}

void platform::InjectDiskFull(const std::string& hostFolder) {
    const std::string absolute = Absolute(hostFolder);
    std::lock_guard<std::mutex> lock(g_failureMutex);
    Failures().fullFolders.push_back(absolute);
}

size_t platform::OpenFindHandleCount() {
    std::lock_guard<std::mutex> lock(g_findMutex);
    return Finds().size();
}
