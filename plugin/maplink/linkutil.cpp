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

bool IsCont(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
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

WCHAR* MapApiUtf8ToUtf16(const char* utf8, WCHAR* out, int* count) {
    const size_t len = utf8 != nullptr ? std::strlen(utf8) : 0;
    if (out == nullptr) {
        out = static_cast<WCHAR*>(std::malloc(2 * len + 2));
        if (out == nullptr) {
            return nullptr;
        }
    }
    const auto* b = reinterpret_cast<const unsigned char*>(utf8);
    size_t i = 0;
    int n = 0;
    while (i < len) {
        const unsigned c = b[i];
        if (c < 0x80) {
            out[n++] = static_cast<WCHAR>(c);
            i += 1;
        } else if (c >= 0xC0 && c <= 0xDF) {
            if (i + 1 >= len || !IsCont(b[i + 1])) {
                break;
            }
            out[n++] = static_cast<WCHAR>(((c - 0xC0) << 6) + (b[i + 1] - 0x80));
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (i + 2 >= len || !IsCont(b[i + 1]) || !IsCont(b[i + 2])) {
                break;
            }
            out[n++] = static_cast<WCHAR>(((c - 0xE0) << 12) + (b[i + 1] - 0x80) * 64 + (b[i + 2] - 0x80));
            i += 3;
        } else {
            // Longer sequences are skipped whole (no 16-bit unit holds them), never past the text's end.
            const size_t skip = (c >= 0xF0 && c <= 0xF7)   ? 4
                                : (c >= 0xF8 && c <= 0xFB) ? 5
                                : (c == 0xFC || c == 0xFD) ? 6
                                                           : 0;
            if (skip == 0 || i + skip > len) {
                break;
            }
            i += skip;
        }
    }
    out[n] = 0;
    if (count != nullptr) {
        *count = n;
    }
    return out;
}

int MapApiUtf16ToUtf8(const WCHAR* utf16, char* out, int size) {
    if (out == nullptr || size < 1) {
        return 0;
    }
    int n = 0;
    for (const WCHAR* p = utf16; p != nullptr && *p != 0; ++p) {
        const unsigned u = *p;
        const int room = size - n;
        if (room < 2) {
            break;
        }
        if (u < 0x80) {
            out[n++] = static_cast<char>(u);
        } else if (u < 0x800) {
            if (room < 3) {
                break;
            }
            out[n++] = static_cast<char>(0xC0 | (u >> 6));
            out[n++] = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            if (room < 4) {
                break;
            }
            // Surrogates go out one by one as three bytes each, as the map application expects.
            out[n++] = static_cast<char>(0xE0 | (u >> 12));
            out[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    out[n] = '\0';
    return n;
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
