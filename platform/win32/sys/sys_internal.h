// Helpers shared by the system-service sources (not part of the platform surface).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/win32/core/modres.h"
#include "platform/win32/core/wintypes.h"

namespace platform::sys {

// Maps a wide path to the host; a null or unmappable path sets ERROR_PATH_NOT_FOUND and gives false.
bool HostPathOf(const WCHAR* path, std::string& hostPath);

// The Win32 error for an errno left by a call on hostPath: a missing file is 2, a missing folder on the
// way 3.
DWORD ErrorFromErrno(int error, const std::string& hostPath);

// Injected file failures (sys_hooks.h), for every writer of the stand-in: the errno an open of the file
// fails with (0 for none), and whether files written in its folder fail as on a full disk.
int InjectedOpenError(const std::string& hostPath);
bool OnFullDisk(const std::string& hostPath);

// Whether a folder exists (following links).
bool IsFolder(const std::string& hostPath);

// Copies text into a wide buffer of capacity units under the usual length-returning rule: the length
// without the NUL when it fits, otherwise the size needed including the NUL (nothing copied).
DWORD CopyOutLength(std::u16string_view text, WCHAR* buffer, DWORD capacity);

// The resource entries of a module: a loaded one's section, or for the program itself (the null handle,
// the host's and the in-process plug-in's) the program's own.
std::span<const TarnResourceEntry> ResourceEntries(HMODULE module);

// The host program's handle (what GetModuleHandleW(nullptr) gives).
HMODULE HostModuleHandle();

}  // namespace platform::sys
