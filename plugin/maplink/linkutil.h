// Link utilities: the debug log, the conversions between the plug-in's UTF-16 strings and the map
// application's UTF-8, default object names and random object ids.
#pragma once

#include <cstdint>

#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"

inline constexpr int kMapNameMaxBytes = 99;     // names of map objects
inline constexpr int kMapConvertBuffer = 1000;  // buffer for names and remarks

// ---- Debug log: "\DebugLog.txt" in the plug-in's folder, one time-stamped line a record. ----

void InitDebugLog();
void WriteDebugLog(const CString& text);
void WriteDebugLogF(const char16_t* format, ...);
// The log file's path (UTF-8, Windows form); empty before InitDebugLog or when it could not be formed.
const char* DebugLogPath();

// ---- Conversions ----

// UTF-8 to UTF-16 up to the text's length or its first NUL; stops at a malformed sequence; characters
// beyond 16 bits are dropped. Into out (which must hold strlen + 1 units) or, when out is null, into a new
// block of 2 * strlen + 2 bytes the caller frees with free. The unit count goes to count when asked.
WCHAR* MapApiUtf8ToUtf16(const char* utf8, WCHAR* out, int* count);
// UTF-16 to UTF-8 into out of size bytes, stopping at the last whole character that fits; always
// NUL-terminated when size >= 1. Returns the bytes written without the NUL.
int MapApiUtf16ToUtf8(const WCHAR* utf16, char* out, int size);
CString MultiByteToCString(const char* utf8);
// Converts into out; with maxLength > 0 the result is cut to at most maxLength bytes at a character boundary.
char* CStringToMultiByte(const CString& text, char* out, int size, int maxLength);

// ---- Names and ids ----

// Type prefix ("Sign_", "Track_", ...) and the local time "%m_%d_%H_%M_%S".
CString& MakeObjectName(CString& out, int type);

// Random 63-bit object ids from an MD5 chain over a 32-byte state seeded from the C runtime's rand.
class CObjIdGenerator {
public:
    CObjIdGenerator();
    ~CObjIdGenerator();
    INT64 NextId64();  // 0 to 2^63 - 1
    INT32 NextId32();  // 0 to 2^31 - 1
    const BYTE* State() const { return m_state; }

private:
    BYTE m_state[32];
};

void MapApiMd5(BYTE digest[16], const void* data, DWORD length);
