#include "plugin/maplink/linkutil.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "plugin/cutil/cutil.h"

namespace {

HANDLE g_logLock = nullptr;
std::string g_logPath;  // UTF-8: the encoding the log line opens its path in
bool g_logOn = true;    // nothing turns it off

// The plug-in module's folder (Windows form, no trailing backslash); empty when unknown.
CString ModuleFolder() {
    WCHAR path[512] = {};
    const DWORD n = GetModuleFileNameW(AfxGetInstanceHandle(), path, 512);
    if (n == 0 || n >= 512) {
        return CString();
    }
    CString folder(path);
    const int cut = folder.ReverseFind(u'\\');
    return cut < 0 ? CString() : folder.Left(cut);
}

}  // namespace

void InitDebugLog() {
    if (g_logLock != nullptr) {
        CloseHandle(g_logLock);
    }
    g_logLock = CreateEventW(nullptr, FALSE, TRUE, nullptr);  // auto-reset, signalled: a lock
    g_logPath.clear();
    const CString folder = ModuleFolder();
    if (folder.IsEmpty()) {
        return;
    }
    // Kept whole and in UTF-8 rather than cut to 259 ANSI bytes: a cut or lossy path names another file.
    const CString path = folder + u"\\DebugLog.txt";
    std::string utf8(size_t(path.GetLength()) * 3 + 1, '\0');
    const int n = MapApiUtf16ToUtf8(path, utf8.data(), static_cast<int>(utf8.size()));
    utf8.resize(size_t(n));
    g_logPath = utf8;
}

const char* DebugLogPath() {
    return g_logPath.c_str();
}

void WriteDebugLog(const CString& text) {
    if (!g_logOn || g_logPath.empty() || g_logLock == nullptr) {
        return;
    }
    if (WaitForSingleObject(g_logLock, INFINITE) != WAIT_OBJECT_0) {
        return;
    }
    const CStringA ansi(text);
    WriteLog(g_logPath.c_str(), "%s", ansi.GetString());  // the text is data, never a format
    SetEvent(g_logLock);
}

void WriteDebugLogF(const char16_t* format, ...) {
    CString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    WriteDebugLog(text);
}

// The link's converters are the utility library's: the same rules on both sides of the link.
WCHAR* MapApiUtf8ToUtf16(const char* utf8, WCHAR* out, int* count) {
    return Utf8ToUtf16Lib(utf8, out, count);
}

int MapApiUtf16ToUtf8(const WCHAR* utf16, char* out, int size) {
    return Utf16ToUtf8Lib(utf16, out, size);
}

CString MultiByteToCString(const char* utf8) {
    if (utf8 == nullptr) {
        return CString();
    }
    WCHAR* wide = MapApiUtf8ToUtf16(utf8, nullptr, nullptr);
    if (wide == nullptr) {
        return CString();
    }
    CString text(wide);
    std::free(wide);
    return text;
}

char* CStringToMultiByte(const CString& text, char* out, int size, int maxLength) {
    const int n = MapApiUtf16ToUtf8(text.GetString(), out, size);
    if (maxLength > 0 && n > maxLength) {
        out[maxLength] = '\0';
        CutValidUtf8(out);
    }
    return out;
}

CString& MakeObjectName(CString& out, int type) {
    const char16_t* prefix = u"";
    switch (type) {
        case 7:
            prefix = u"Sign_";
            break;
        case 8:
            prefix = u"Track_";
            break;
        case 13:
            prefix = u"Shape_";
            break;
        case 20:
            prefix = u"Region_";
            break;
        case 21:
            prefix = u"BlockRef_";
            break;
        case 22:
            prefix = u"Proxy_";
            break;
        default:
            break;
    }
    const __time64_t now = _time64(nullptr);
    struct tm local = {};
    _localtime64_s(&local, &now);
    out.Format(u"%s%02d_%02d_%02d_%02d_%02d", prefix, local.tm_mon + 1, local.tm_mday, local.tm_hour,
               local.tm_min, local.tm_sec);
    return out;
}

CObjIdGenerator::CObjIdGenerator() {
    for (BYTE& b : m_state) {
        b = static_cast<BYTE>(std::rand() & 0xFF);
    }
}

CObjIdGenerator::~CObjIdGenerator() = default;

INT64 CObjIdGenerator::NextId64() {
    BYTE digest[16];
    Md5Buffer(digest, m_state, sizeof m_state);
    std::memmove(m_state, m_state + 16, 16);
    std::memcpy(m_state + 16, digest, 16);
    uint64_t id = 0;
    for (int i = 7; i >= 0; --i) {
        id = (id << 8) | digest[i];
    }
    return static_cast<INT64>(id & 0x7FFFFFFFFFFFFFFFull);
}

INT32 CObjIdGenerator::NextId32() {
    return static_cast<INT32>(static_cast<uint64_t>(NextId64()) & 0x7FFFFFFFu);
}

void MapApiMd5(BYTE digest[16], const void* data, DWORD length) {
    Md5Buffer(digest, data, length);
}
