// Registry, profile files, files and folders, code pages, events, shell, module path, special folders,
// disk space, tick count and local time. Every path goes through platform::ToHostPath.
#pragma once

#include <cstdio>
#include <ctime>

#include "platform/win32/core/wintypes.h"

// Code pages: CP_ACP is 936 (GBK, through iconv), CP_UTF8 is UTF-8. Unmappable characters become '?'.
// With a count of -1 the input runs to and includes its NUL. A zero capacity asks for the size needed.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int count, LPWSTR out, int capacity);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int count, LPSTR out, int capacity,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

// C runtime wide-path functions.
struct _stat64 {
    uint32_t st_mode;
    int64_t st_size;   // 0 for a folder, as on the real platform
    int64_t st_atime;
    int64_t st_mtime;
    int64_t st_ctime;  // creation time on the real platform; the status-change time here
};
#define _S_IFMT 0xF000
#define _S_IFDIR 0x4000
#define _S_IFREG 0x8000
FILE* _wfopen(const WCHAR* path, const WCHAR* mode);
int _wstat64(const WCHAR* path, struct _stat64* st);
int _wremove(const WCHAR* path);

// Files and folders.
struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;

BOOL DeleteFileW(LPCWSTR path);
BOOL CreateDirectoryW(LPCWSTR path, void* securityAttributes);
BOOL RemoveDirectoryW(LPCWSTR path);
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
DWORD GetFileAttributesW(LPCWSTR path);
// Patterns are a folder followed by "\*" or "\name" with '*' and '?' in the last element; "." and ".." come
// first for "\*". A symbolic link is reported with FILE_ATTRIBUTE_REPARSE_POINT and never as a folder.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE find);
