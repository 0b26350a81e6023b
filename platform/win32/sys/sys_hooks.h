// Test and host hooks of the system services: folders, module paths, disk space, registry seeding and
// failures, shell-execute records, and counts for leak checks. Everything here is reset between tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/sys/sys_api.h"

namespace platform {

// Folders (host paths). The defaults lie under a per-process folder in the system temporary folder, made on
// first use and removed when the process ends. An empty local application-data folder means "not found".
void SetTempFolder(const std::string& hostPath);
void SetLocalAppDataFolder(const std::string& hostPath);
std::string TempFolder();
std::string LocalAppDataFolder();

// Module paths. A path starting with '/' is a host path and is shown in Windows form; anything else is
// taken as a Windows path. The null module is the host program (by default this process's executable).
// PluginModuleHandle() is the instance handle of the plug-in linked into this program (test programs): a
// fixed value, whose path defaults to "TarnArx.arx" in the per-process folder, and whose resources are the
// program's own. A module the host loads gets its own handle from AttachModule.
void SetModuleFileName(HMODULE module, std::u16string_view path);
HMODULE PluginModuleHandle();
void SetPluginModuleHandle(HMODULE module);

// Loaded modules. The host attaches each module it dlopens: the module gets its instance handle (the
// address it is loaded at), and its resources and code range are known by it. Null with *error when the
// module's file cannot be read. Detach before dlclose.
HMODULE AttachModule(void* dlHandle, std::string* error);
void DetachModule(HMODULE instance);
std::vector<HMODULE> LoadedModules();  // in load order
// The attached module whose loaded image holds the address (code, data), or null.
HMODULE ModuleOfAddress(const void* address);
bool ModuleHasAddress(HMODULE instance, const void* address);

// File failures (host paths), honoured by every writer of the stand-in (_wfopen, the profile writer, copies
// and moves): opens of the file (and a copy or a move onto it) fail with the errno given; files opened for
// writing in the folder are made, but their writes fail as on a full disk (ENOSPC). EXDEV fails only a move
// onto the file (ERROR_NOT_SAME_DEVICE), never a copy.
void InjectFileOpenFailure(const std::string& hostPath, int error);
void InjectDiskFull(const std::string& hostFolder);

// Disk space for GetDiskFreeSpaceExW: the override with the longest host-path prefix that matches the
// (mapped) path wins; an empty prefix matches every path. A non-zero error makes the call fail with it.
struct DiskSpace {
    uint64_t freeToCaller = 0;
    uint64_t total = 0;
    uint64_t totalFree = 0;
    DWORD error = 0;
};
void SetDiskFreeSpace(const std::string& hostPrefix, const DiskSpace& space);
void ClearDiskFreeSpace();

// Registry. Seeding creates the key path. Failure injection: opens and creates of exactly that key path fail
// with error; with onlyForAccess non-zero, only opens that ask for all of those access bits fail (error 5 for
// KEY_ALL_ACCESS while KEY_READ still works).
void SeedRegistryValue(HKEY root, std::u16string_view keyPath, std::u16string_view name, DWORD type,
                       const void* data, size_t size);
void SeedRegistryString(HKEY root, std::u16string_view keyPath, std::u16string_view name,
                        std::u16string_view text);  // REG_SZ with its NUL
void SeedRegistryDword(HKEY root, std::u16string_view keyPath, std::u16string_view name, DWORD value);
void InjectRegistryOpenFailure(HKEY root, std::u16string_view keyPath, LSTATUS error,
                               REGSAM onlyForAccess = 0);
// The whole tree as text (UTF-8), one key a line in brackets and its values below it, in name order:
//   [HKEY_CURRENT_USER\Software\A]
//   "Name"=dword:00000311            "Path"="C:\x" (REG_SZ, up to its first NUL)    "Raw"=hex(3):01,02
std::string DumpRegistry();
size_t OpenRegistryKeyCount();

// Shell execution: every call is recorded; the hook (if any) sees each call and returns 0 for success or a
// Win32 error code, which the call then reports.
struct ShellExecuteRecord {
    std::u16string verb;
    std::u16string file;
    std::u16string parameters;
    std::u16string directory;
    int show = 0;
    bool extended = false;  // ShellExecuteExW
    ULONG mask = 0;
    HWND owner = nullptr;
};
using ShellExecuteHook = std::function<DWORD(const ShellExecuteRecord&)>;
void SetShellExecuteHook(ShellExecuteHook hook);
const std::vector<ShellExecuteRecord>& ShellExecuteRecords();

// Leak checks: find handles not closed, kernel handles (events, processes) not closed, and waits that would
// have hung the process (INFINITE on an unsignalled event).
size_t OpenFindHandleCount();
size_t OpenKernelHandleCount();
size_t DeadlockedWaitCount();

// An item list naming one folder (a Windows path), as the shell's folder functions hand out; freed with
// CoTaskMemFree or ILFree. Null when the path is too long for an item.
LPITEMIDLIST MakeItemIdList(const std::u16string& windowsPath);

}  // namespace platform
