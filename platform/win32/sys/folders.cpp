// Folders, module paths, special folders, disk space and time: what the host configures for the plug-in.
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"
#include "platform/win32/sys/sys_internal.h"

namespace {

const HMODULE kHostModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000u));
const HMODULE kPluginModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7A000000u));

std::mutex g_mutex;

// The per-process folder behind the defaults; made on first use, removed at exit.
std::string* g_processFolder = nullptr;

void RemoveProcessFolder() {
    std::error_code ec;
    std::filesystem::remove_all(*g_processFolder, ec);
}

std::string ProcessFolder() {
    if (g_processFolder == nullptr) {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) {
            base = "/tmp";
        }
        g_processFolder = new std::string((base / ("tarn-" + std::to_string(::getpid()))).string());
        std::filesystem::create_directories(*g_processFolder + "/Temp", ec);
        std::filesystem::create_directories(*g_processFolder + "/LocalAppData", ec);
        std::atexit(RemoveProcessFolder);
    }
    return *g_processFolder;
}

std::u16string HostProgramPath() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    return platform::ToWindowsPath(n > 0 ? std::string(buffer, static_cast<size_t>(n))
                                         : std::string("/tarnhost"));
}

struct State {
    bool tempSet = false;
    std::string temp;
    bool appDataSet = false;
    std::string appData;
    HMODULE plugin = kPluginModule;
    std::map<HMODULE, std::u16string> modules;
    std::map<std::string, platform::DiskSpace> disk;
};

State* g_state = nullptr;

// Call with g_mutex held.
State& S() {
    if (g_state == nullptr) {
        g_state = new State;
        platform::RegisterReset("win32.sys.folders", [] {
            std::lock_guard<std::mutex> lock(g_mutex);
            *g_state = State{};
        });
    }
    return *g_state;
}

std::u16string ModulePathLocked(HMODULE module) {
    State& s = S();
    if (module == nullptr) {
        module = kHostModule;
    }
    auto it = s.modules.find(module);
    if (it != s.modules.end()) {
        return it->second;
    }
    if (module == kHostModule) {
        return HostProgramPath();
    }
    if (module == s.plugin) {
        return platform::ToWindowsPath(ProcessFolder() + "/TarnArx.arx");
    }
    return std::u16string();
}

void FillSystemTime(const struct tm& t, int milliseconds, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(t.tm_year + 1900);
    out->wMonth = static_cast<WORD>(t.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(t.tm_wday);
    out->wDay = static_cast<WORD>(t.tm_mday);
    out->wHour = static_cast<WORD>(t.tm_hour);
    out->wMinute = static_cast<WORD>(t.tm_min);
    out->wSecond = static_cast<WORD>(t.tm_sec);
    out->wMilliseconds = static_cast<WORD>(milliseconds);
}

int CurrentMilliseconds() {
    if (platform::clock::IsVirtual()) {
        return static_cast<int>(platform::clock::NowMs() % 1000);
    }
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int>(ts.tv_nsec / 1000000);
}

// An item list here holds one item: a marker and the folder's path.
const uint32_t kListMarker = 0x54524E46u;

}  // namespace

namespace platform {

LPITEMIDLIST MakeItemIdList(const std::u16string& path) {
    // cb, marker, path with its NUL, then the terminating zero cb.
    const size_t itemSize = sizeof(USHORT) + sizeof(kListMarker) + (path.size() + 1) * sizeof(char16_t);
    if (path.size() + 1 > MAX_PATH) {
        return nullptr;
    }
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(itemSize + sizeof(USHORT)));
    const auto cb = static_cast<USHORT>(itemSize);
    const USHORT end = 0;
    std::memcpy(block, &cb, sizeof cb);
    std::memcpy(block + sizeof cb, &kListMarker, sizeof kListMarker);
    std::memcpy(block + sizeof cb + sizeof kListMarker, path.c_str(), (path.size() + 1) * sizeof(char16_t));
    std::memcpy(block + itemSize, &end, sizeof end);
    return reinterpret_cast<LPITEMIDLIST>(block);
}

void SetTempFolder(const std::string& hostPath) {
    std::lock_guard<std::mutex> lock(g_mutex);
    S().tempSet = true;
    S().temp = hostPath;
}

void SetLocalAppDataFolder(const std::string& hostPath) {
    std::lock_guard<std::mutex> lock(g_mutex);
    S().appDataSet = true;
    S().appData = hostPath;
}

std::string TempFolder() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return S().tempSet ? S().temp : ProcessFolder() + "/Temp";
}

std::string LocalAppDataFolder() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return S().appDataSet ? S().appData : ProcessFolder() + "/LocalAppData";
}

void SetModuleFileName(HMODULE module, std::u16string_view path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::u16string windowsPath(path);
    if (!path.empty() && path[0] == u'/') {
        windowsPath = ToWindowsPath(Utf16ToUtf8(path));
    }
    S().modules[module == nullptr ? kHostModule : module] = windowsPath;
}

HMODULE PluginModuleHandle() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return S().plugin;
}

void SetPluginModuleHandle(HMODULE module) {
    std::lock_guard<std::mutex> lock(g_mutex);
    S().plugin = module;
}

void SetDiskFreeSpace(const std::string& hostPrefix, const DiskSpace& space) {
    std::lock_guard<std::mutex> lock(g_mutex);
    S().disk[hostPrefix] = space;
}

void ClearDiskFreeSpace() {
    std::lock_guard<std::mutex> lock(g_mutex);
    S().disk.clear();
}

namespace sys {

HMODULE HostModuleHandle() {
    return kHostModule;
}

}  // namespace sys
}  // namespace platform

HMODULE GetModuleHandleW(LPCWSTR name) {
    if (name == nullptr) {
        return kHostModule;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    State& s = S();
    std::vector<HMODULE> candidates{s.plugin};
    for (const auto& entry : s.modules) {
        candidates.push_back(entry.first);
    }
    for (HMODULE module : candidates) {
        const std::u16string path = ModulePathLocked(module);
        const size_t slash = path.find_last_of(u"\\/");
        if (!path.empty() &&
            platform::EqualsNoCase(path.substr(slash == std::u16string::npos ? 0 : slash + 1), name)) {
            return module;
        }
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD capacity) {
    std::u16string path;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        path = ModulePathLocked(module);
    }
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || capacity == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= capacity) {
        // The real rule: capacity - 1 units and a NUL, and the result is the capacity.
        std::copy(path.begin(), path.begin() + (capacity - 1), buffer);
        buffer[capacity - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return capacity;
    }
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = 0;
    return static_cast<DWORD>(path.size());
}

DWORD GetTempPathW(DWORD capacity, LPWSTR buffer) {
    std::u16string path = platform::ToWindowsPath(platform::TempFolder());
    if (path.empty() || path.back() != u'\\') {
        path += u'\\';
    }
    return platform::sys::CopyOutLength(path, buffer, capacity);
}

DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD capacity) {
    std::string hostPath;
    if (!platform::sys::HostPathOf(longPath, hostPath)) {
        return 0;
    }
    struct stat st;
    if (::stat(hostPath.c_str(), &st) != 0) {
        SetLastError(platform::sys::ErrorFromErrno(errno, hostPath));
        return 0;
    }
    const std::u16string path(longPath);  // the buffers may be the same
    return platform::sys::CopyOutLength(path, shortPath, capacity);
}

BOOL GetDiskFreeSpaceExW(LPCWSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER totalBytes,
                         PULARGE_INTEGER totalFree) {
    std::string hostPath = ".";
    if (directory != nullptr && !platform::sys::HostPathOf(directory, hostPath)) {
        return FALSE;
    }
    platform::DiskSpace space;
    bool overridden = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        size_t best = 0;
        for (const auto& [prefix, value] : S().disk) {
            const bool match = prefix.empty() || (hostPath.compare(0, prefix.size(), prefix) == 0 &&
                                                  (hostPath.size() == prefix.size() || prefix.back() == '/' ||
                                                   hostPath[prefix.size()] == '/'));
            if (match && (!overridden || prefix.size() >= best)) {
                best = prefix.size();
                space = value;
                overridden = true;
            }
        }
    }
    if (!overridden) {
        struct statvfs vfs;
        if (::statvfs(hostPath.c_str(), &vfs) != 0) {
            SetLastError(platform::sys::ErrorFromErrno(errno, hostPath));
            return FALSE;
        }
        space.freeToCaller = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
        space.total = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
        space.totalFree = static_cast<uint64_t>(vfs.f_bfree) * vfs.f_frsize;
    } else if (space.error != 0) {
        SetLastError(space.error);
        return FALSE;
    }
    if (freeToCaller != nullptr) {
        freeToCaller->QuadPart = space.freeToCaller;
    }
    if (totalBytes != nullptr) {
        totalBytes->QuadPart = space.total;
    }
    if (totalFree != nullptr) {
        totalFree->QuadPart = space.totalFree;
    }
    return TRUE;
}

HRESULT SHGetSpecialFolderLocation(HWND /*owner*/, int folder, LPITEMIDLIST* list) {
    if (list == nullptr) {
        return E_INVALIDARG;
    }
    *list = nullptr;
    if (folder != CSIDL_LOCAL_APPDATA) {
        return E_INVALIDARG;
    }
    const std::string hostPath = platform::LocalAppDataFolder();
    if (hostPath.empty()) {
        return E_FAIL;
    }
    *list = platform::MakeItemIdList(platform::ToWindowsPath(hostPath));
    return *list != nullptr ? S_OK : E_FAIL;
}

BOOL SHGetPathFromIDListW(LPCITEMIDLIST list, LPWSTR buffer) {
    if (buffer == nullptr) {
        return FALSE;
    }
    buffer[0] = 0;
    if (list == nullptr) {
        return FALSE;
    }
    const BYTE* block = reinterpret_cast<const BYTE*>(list);
    USHORT cb = 0;
    uint32_t marker = 0;
    std::memcpy(&cb, block, sizeof(cb));
    if (cb < sizeof(cb) + sizeof(marker) + sizeof(char16_t)) {
        return FALSE;
    }
    std::memcpy(&marker, block + sizeof(cb), sizeof(marker));
    const size_t units = (cb - sizeof(cb) - sizeof(marker)) / sizeof(char16_t);
    if (marker != kListMarker || units > MAX_PATH) {
        return FALSE;
    }
    std::memcpy(buffer, block + sizeof(cb) + sizeof(marker), units * sizeof(char16_t));
    return TRUE;
}

HRESULT SHGetFolderPathW(HWND /*owner*/, int folder, HANDLE /*token*/, DWORD /*flags*/, LPWSTR buffer) {
    if (buffer == nullptr || (folder & 0xFF) != CSIDL_LOCAL_APPDATA) {
        return E_INVALIDARG;
    }
    buffer[0] = 0;
    const std::string hostPath = platform::LocalAppDataFolder();
    const std::u16string path = platform::ToWindowsPath(hostPath);
    if (hostPath.empty() || path.size() >= MAX_PATH) {
        return E_FAIL;
    }
    if ((folder & CSIDL_FLAG_CREATE) != 0) {
        std::error_code ec;
        std::filesystem::create_directories(hostPath, ec);
    }
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = 0;
    return S_OK;
}

LPVOID CoTaskMemAlloc(size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}

void CoTaskMemFree(LPVOID block) {
    std::free(block);
}

void ILFree(LPITEMIDLIST list) {
    std::free(list);
}

DWORD GetTickCount() {
    return static_cast<DWORD>(platform::clock::NowMs());
}

ULONGLONG GetTickCount64() {
    return platform::clock::NowMs();
}

void GetLocalTime(SYSTEMTIME* out) {
    const time_t now = static_cast<time_t>(platform::clock::WallTimeSeconds());
    struct tm t {};
    ::localtime_r(&now, &t);
    FillSystemTime(t, CurrentMilliseconds(), out);
}

void GetSystemTime(SYSTEMTIME* out) {
    const time_t now = static_cast<time_t>(platform::clock::WallTimeSeconds());
    struct tm t {};
    ::gmtime_r(&now, &t);
    FillSystemTime(t, CurrentMilliseconds(), out);
}

__time64_t _time64(__time64_t* out) {
    const __time64_t now = platform::clock::WallTimeSeconds();
    if (out != nullptr) {
        *out = now;
    }
    return now;
}

errno_t _localtime64_s(struct tm* out, const __time64_t* time) {
    if (out == nullptr) {
        return EINVAL;
    }
    std::memset(out, 0, sizeof(*out));
    // The real runtime's range: 1970-01-01 to 3000-12-31 23:59:59 UTC.
    if (time == nullptr || *time < 0 || *time > 32535215999LL) {
        return EINVAL;
    }
    const time_t value = static_cast<time_t>(*time);
    if (::localtime_r(&value, out) == nullptr) {
        std::memset(out, 0, sizeof(*out));
        return EINVAL;
    }
    return 0;
}
