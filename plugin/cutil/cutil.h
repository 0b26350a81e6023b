// General utility library: plain functions over narrow strings. Every narrow string taken here is UTF-8;
// paths are converted to UTF-16 into fixed stack buffers before the system is called, and a path that
// cannot be converted (invalid text, too long) fails before the file system is touched.
// No classes, no global state, no locks.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <ctime>

// ---- Files and folders ----

// _wfopen of the path with an fopen-style mode; null when it fails or the texts cannot be converted.
FILE* OpenFileU8(const char* path, const char* mode);

// Creates or truncates the file ("wb") and writes count bytes. 1 when every byte was written and the file
// closed cleanly; 0 otherwise (not opened, short write, failed close).
int WriteFileData(const char* path, const void* data, uint32_t count);

// The size from _wstat64, saturated at INT32_MAX; -1 when the path cannot be converted or does not exist.
int32_t GetFileSizeU8(const char* path);

// The result of DeleteFileW; 0 when the path cannot be converted.
int DeleteFileU8(const char* path);

// CreateDirectoryW on the path: one level only, errors ignored.
void CreateDirU8(const char* path);

// Removes the folder and everything in it. Links (reparse points) are removed themselves, never followed.
// Entries that cannot be deleted leave their folders in place. Nothing happens for null or "".
void RemoveDirTreeU8(const char* path);

// ---- Time and log ----

// Fills out with the local time of t (seconds since 1970), or of now when t is 0. All zeros when the time
// cannot be converted. Returns out.
struct tm* LocalTimeNow(struct tm* out, int64_t t);

// Appends "[yyyy/mm/dd hh:mm:ss]  " + the formatted text + "\n" to the log file; nothing when the file
// cannot be opened. Text of unknown content must go through "%s", never as the format.
void WriteLogV(const char* path, const char* format, va_list args);
void WriteLog(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---- Conversions ----

// "0x"/"0X" + up to 16 hex digits, or up to 23 decimal digits (wrapping modulo 2^64); stops at the first
// other byte. 0 for null, "" or a text that begins with another byte.
uint64_t StrToU64(const char* text);

// Writes value in radix 2..36 (digits 0-9a-z) into buffer (65 bytes suffice for any radix) and returns
// buffer; null for another radix. Radix 10 writes negative values with "-"; other radices take the value as
// unsigned 64-bit.
char* I64ToStr(int64_t value, char* buffer, int radix);

// Cuts text in place at its first byte that does not start a whole one-, two- or three-byte character
// (four-byte characters count as broken) and returns the length kept; 0 for null.
int CutValidUtf8(char* text);

// ---- MD5 (RFC 1321) ----

struct Md5Context {
    uint32_t state[4];
    uint32_t count[2];  // bits hashed so far, low word first
    uint8_t buffer[64];
};
static_assert(sizeof(Md5Context) == 88, "Md5Context layout");

void Md5Init(Md5Context* context);
void Md5Update(Md5Context* context, const void* data, uint32_t count);
void Md5Final(uint8_t digest[16], Md5Context* context);
void Md5Buffer(uint8_t digest[16], const void* data, uint32_t count);
