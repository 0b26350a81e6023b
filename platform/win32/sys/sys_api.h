// Registry, profile files, files and folders, code pages, events, shell, module path, special folders,
// disk space, tick count and local time. Every path goes through platform::ToHostPath.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>

#include <sys/stat.h>

#include "platform/win32/core/wintypes.h"

// Error codes used here beyond the common ones.
#define ERROR_INVALID_DATA 13L
#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_BAD_LENGTH 24L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_DISK_FULL 112L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_DIRECTORY 267L
#define ERROR_KEY_DELETED 1018L
#define ERROR_POSSIBLE_DEADLOCK 1131L

typedef LONG HRESULT;
#define S_OK (static_cast<HRESULT>(0))
#define S_FALSE (static_cast<HRESULT>(1))
#define E_FAIL (static_cast<HRESULT>(0x80004005u))
#define E_INVALIDARG (static_cast<HRESULT>(0x80070057u))
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

// Code pages: CP_ACP is 936 (GBK, through iconv), CP_UTF8 is UTF-8; 874, 932, 949, 950 and 1250-1258
// through iconv as well; any other page fails with ERROR_INVALID_PARAMETER. Unmappable characters become '?'.
// With a count of -1 the input runs to and includes its NUL. A zero capacity asks for the size needed.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int count, LPWSTR out, int capacity);
// MB_ERR_INVALID_CHARS makes MultiByteToWideChar fail on malformed input (1113); without it each bad byte
// becomes U+FFFD (UTF-8) or '?' (936). WC_ERR_INVALID_CHARS does the same for unpaired surrogates to UTF-8.
// For 936, characters the code page cannot hold become defaultChar ("?") and set *usedDefaultChar; for UTF-8
// both of those arguments must be null. Too small an output fails with ERROR_INSUFFICIENT_BUFFER.
#define WC_ERR_INVALID_CHARS 0x00000080
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int count, LPSTR out, int capacity,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

// C runtime wide-path functions.
// glibc spells st_atime, st_mtime and st_ctime as macros over timespec fields; the fields follow suit so
// that st.st_mtime reads the same in plug-in code either way.
struct _stat64 {
    uint32_t st_mode;
    int64_t st_size;  // 0 for a folder, as on the real platform
#ifdef st_atime
    struct timespec st_atim;
    struct timespec st_mtim;
    struct timespec st_ctim;  // creation time on the real platform; the status-change time here
#else
    int64_t st_atime;
    int64_t st_mtime;
    int64_t st_ctime;
#endif
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
// MOVEFILE_REPLACE_EXISTING replaces a file in one step (never a folder, nor a read-only file).
#define MOVEFILE_REPLACE_EXISTING 0x00000001
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
DWORD GetFileAttributesW(LPCWSTR path);
// Patterns are a folder followed by "\*" or "\name" with '*' and '?' in the last element; "." and ".." come
// first for "\*". A symbolic link is reported with FILE_ATTRIBUTE_REPARSE_POINT, and a link to a folder also
// with FILE_ATTRIBUTE_DIRECTORY, as on the real platform.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE find);

// Paths. GetTempPathW gives the configured temporary folder with a trailing backslash. The length-returning
// functions give the length without the NUL, or the size needed (with the NUL) when the buffer is too small.
// GetShortPathNameW gives an existing path unchanged (there are no short names here) and fails for a
// missing one.
DWORD GetTempPathW(DWORD capacity, LPWSTR buffer);
DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD capacity);

// Free space of the file system holding the path (statvfs), unless a test hook says otherwise.
BOOL GetDiskFreeSpaceExW(LPCWSTR directory, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalBytes, PULARGE_INTEGER totalFreeBytes);

// Profile (INI) files. A file that starts with the UTF-16LE byte-order mark is read and written as UTF-16LE;
// any other file is in the ANSI code page (936); a new file is created in the ANSI code page. Section and key
// names compare ignoring case; blanks around names and values are trimmed and one pair of enclosing quotes
// (" or ') is removed from a value. Lines starting with ';' are comments. Nothing is cached: every call reads
// the file, every write replaces it whole.
// GetPrivateProfileStringW: the default (trailing blanks removed) only for a missing file, section or key;
// a value longer than capacity - 1 is cut and the result is capacity - 1. A null section lists the section
// names, a null key the section's key names, as NUL-separated texts ending in a second NUL (cut to
// capacity - 2 when they do not fit).
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer,
                               DWORD capacity, LPCWSTR file);
// Creates the file and section when missing, replaces a key's value in place or appends the key to its
// section; a null value deletes the key, a null key the whole section. FALSE when the file can't be written.
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file);
// The decimal value (optional sign, up to the first other character); the default only for a missing key.
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file);
// A struct is stored as two upper-case hex digits per byte followed by two for the byte sum modulo 256. A
// read of another size or with a wrong sum fails and leaves the buffer untouched. Writing a null struct
// deletes the key.
BOOL GetPrivateProfileStructW(LPCWSTR section, LPCWSTR key, LPVOID data, UINT size, LPCWSTR file);
BOOL WritePrivateProfileStructW(LPCWSTR section, LPCWSTR key, LPVOID data, UINT size, LPCWSTR file);

// Registry: an in-memory tree under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE; key names ignore case and
// sub-keys enumerate in name order. Results are error codes (the last error is not set). A key opened
// without KEY_SET_VALUE refuses writes with ERROR_ACCESS_DENIED; a handle to a deleted key gives
// ERROR_KEY_DELETED. RegDeleteKeyW refuses a key that still has sub-keys.
typedef DWORD REGSAM;
typedef LONG LSTATUS;
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                        REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
// Null data with a size asks for the size; too small a buffer gives ERROR_MORE_DATA and the size needed; the
// type is reported in every case the value exists.
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name);
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LSTATUS RegCloseKey(HKEY key);
// nameLength: in, the buffer's size in units with the NUL; out, the name's length without it.
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPWSTR keyClass, LPDWORD classLength, FILETIME* lastWriteTime);

// Events. Everything runs on one thread here, so a wait cannot be ended by anyone else: a signalled event
// gives WAIT_OBJECT_0 (an auto-reset one is consumed), an unsignalled one WAIT_TIMEOUT for a finite time-out,
// and WAIT_FAILED with ERROR_POSSIBLE_DEADLOCK for INFINITE rather than hanging the process. A named event
// created twice is the same event (the second call sets ERROR_ALREADY_EXISTS).
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL CloseHandle(HANDLE handle);

// Processes. CreateProcessW starts a program directly, never through a shell: applicationName is the
// program's path (mapped to the host's; a relative one from the current folder, never searched); without it
// the command line's first argument is, and a name without a separator is looked up along PATH. The command
// line is split into the program's arguments by the rules of the C runtime's start-up code: blanks and tabs
// separate arguments; a double quote starts or ends a quoted part, in which blanks are kept and "" gives one
// literal quote; 2n backslashes before a quote give n backslashes and the quote is a delimiter, 2n+1 give n
// backslashes and a literal quote; other backslashes are literal. The first argument (the program name) ends
// at the next quote when it is quoted, else at the first blank, and keeps its backslashes. Environment,
// current folder and creation flags are those of the caller (others are refused with
// ERROR_INVALID_PARAMETER). hProcess and hThread are handles to close; WaitForSingleObject on the process
// handle waits for its end, GetExitCodeProcess gives STILL_ACTIVE (259) until then, afterwards its exit
// status (128 + the signal for a program ended by a signal).
#define STILL_ACTIVE 259u
// OpenProcess opens a running process of this machine by its id (null when there is none); GetExitCodeProcess
// gives STILL_ACTIVE while it runs (an ended one opened by id reports 0).
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000u
DWORD GetCurrentProcessId();
HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId);
struct STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
typedef STARTUPINFOW* LPSTARTUPINFOW;
struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// Shell. Every call is recorded (platform::ShellExecuteRecords) and handed to the installed hook, if any;
// success is 42 (> 32). SEE_MASK_NOCLOSEPROCESS gives a process handle to close with CloseHandle.
#define SEE_MASK_DEFAULT 0x00000000u
#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
struct SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    union {
        HANDLE hIcon;
        HANDLE hMonitor;
    };
    HANDLE hProcess;
};
typedef SHELLEXECUTEINFOW* LPSHELLEXECUTEINFOW;
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        INT show);
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);

// Module paths from the table the host and tests fill (platform::SetModuleFileName). A null module is the
// host program. A path longer than capacity - 1 is cut to capacity - 1 units and a NUL; the result is then
// capacity and the last error ERROR_INSUFFICIENT_BUFFER. An unknown module fails with ERROR_MOD_NOT_FOUND.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD capacity);
// The handle of a loaded module by its file name ("TarnArx.arx", case ignored); null: the host program.
// Unknown names give null and ERROR_MOD_NOT_FOUND.
HMODULE GetModuleHandleW(LPCWSTR name);

// Module resources: the entries of the module's resource section (core/modres.h). A name or type is an
// integer (MAKEINTRESOURCEW, or a string "#n") or a name such as u"PNG", case ignored. The null handle is
// the host program, whose section holds the resources of what is linked into it. A resource's data stays in
// the module: LoadResource and LockResource hand out its address, valid while the module is loaded.
struct HRSRC__;
typedef HRSRC__* HRSRC;
typedef void* HGLOBAL;
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
// Copies the string of the id, cut to capacity - 1 units and a NUL, and returns its length; 0 when there is
// none. With capacity 0 the buffer receives a pointer to the text in the module instead.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity);

// Special folders: the local application-data folder comes from the host (platform::SetLocalAppDataFolder).
// An item list is freed with CoTaskMemFree or ILFree.
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_FLAG_CREATE 0x8000
#define SHGFP_TYPE_CURRENT 0
struct SHITEMID {
    USHORT cb;
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef ITEMIDLIST* PIDLIST_ABSOLUTE;
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
// buffer holds MAX_PATH units.
BOOL SHGetPathFromIDListW(LPCITEMIDLIST list, LPWSTR buffer);
HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR buffer);
LPVOID CoTaskMemAlloc(size_t size);
void CoTaskMemFree(LPVOID block);
void ILFree(LPITEMIDLIST list);

// Time from the platform clock (virtual under tests). time_t and the C library's time functions stay as
// they are; plug-in code that wants the platform clock calls these.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
typedef int64_t __time64_t;
typedef int errno_t;
__time64_t _time64(__time64_t* out);
// EINVAL and an all-zero tm for a null or negative time, or one past the year 3000, as the real runtime.
errno_t _localtime64_s(struct tm* out, const __time64_t* time);

// The rest of the C runtime's 64-bit time calls and its case-insensitive compare, on the same clock.
struct __timeb64 {
    __time64_t time;
    unsigned short millitm;
    short timezone;  // minutes west of UTC
    short dstflag;
};
void _ftime64(struct __timeb64* out);
// EINVAL and an all-zero tm for a null or negative time, or one past the year 3000, as _localtime64_s.
errno_t _gmtime64_s(struct tm* out, const __time64_t* time);
// mktime over the local time zone; -1 when the date cannot be represented.
__time64_t _mktime64(struct tm* time);
// ASCII letters compared without case over at most count bytes.
int _strnicmp(const char* a, const char* b, size_t count);
