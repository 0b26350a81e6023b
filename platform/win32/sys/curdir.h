// The process's current folder, as the plug-in sees it (Windows form of the host's working directory), and
// full paths resolved against it.
#pragma once

#include "platform/win32/core/wintypes.h"

// The length without the NUL, or the size needed (with the NUL) when the buffer is too small; 0 on failure.
DWORD GetCurrentDirectoryW(DWORD capacity, LPWSTR buffer);
// A relative path is joined to the current folder; "." and ".." elements are resolved; the result keeps no
// trailing backslash unless it is a drive root. Same length rules as above; filePart may be null.
DWORD GetFullPathNameW(LPCWSTR path, DWORD capacity, LPWSTR buffer, LPWSTR* filePart);
