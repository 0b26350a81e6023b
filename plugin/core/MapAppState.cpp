// The FILE_MD5 entries (a drawing's key and the map application's coordinate setting at its last close) and
// the reopen check that compares them with the setting the map application reports now.
#include "plugin/core/Settings.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "plugin/core/MessageWindow.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

CMapAppState g_MapAppState;
BYTE g_bAfterClose = 0;

void ResetMapAppState() {
    g_MapAppState = CMapAppState();
    g_bAfterClose = 0;
}

namespace {

const char16_t* const kSectionFileMd5 = u"FILE_MD5";
constexpr DWORD kKeyUnits = 20;  // the longest 63-bit decimal has 19 digits

// The drawing's key hashes its path in the ANSI code page, as earlier versions wrote it.
ULONGLONG DrawingKey(const CString& drawingPath) {
    const int size = WideCharToMultiByte(CP_ACP, 0, drawingPath.GetString(), drawingPath.GetLength(), nullptr,
                                         0, nullptr, nullptr);
    std::vector<char> ansi(static_cast<size_t>(size > 0 ? size : 0) + 1, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, 0, drawingPath.GetString(), drawingPath.GetLength(), ansi.data(), size,
                            nullptr, nullptr);
    }
    BYTE digest[16];
    Md5Buffer(digest, ansi.data(), static_cast<uint32_t>(size > 0 ? size : 0));
    return DigestToKey63(digest);
}

CString Decimal(ULONGLONG value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    return CString(text);
}

}  // namespace

ULONGLONG DigestToKey63(const BYTE digest[16]) {
    ULONGLONG key = 0;
    for (int i = 7; i >= 0; --i) {
        key = (key << 8) | digest[i];
    }
    return key & 0x7FFFFFFFFFFFFFFFull;
}

bool DigestsEqual(const BYTE a[16], const BYTE b[16]) {
    return std::memcmp(a, b, 16) == 0;
}

bool SaveFileMd5(const CString& drawingPath, const BYTE digest[16]) {
    if (drawingPath.IsEmpty() || g_strSettingsPath.IsEmpty()) {
        return false;  // an unnamed drawing has no key to find it by later
    }
    return WritePrivateProfileStringW(kSectionFileMd5, Decimal(DrawingKey(drawingPath)),
                                      Decimal(DigestToKey63(digest)), g_strSettingsPath) != FALSE;
}

ULONGLONG ReadFileMd5(const CString& drawingPath) {
    if (g_strSettingsPath.IsEmpty()) {
        return 0;
    }
    WCHAR text[kKeyUnits] = {};
    GetPrivateProfileStringW(kSectionFileMd5, Decimal(DrawingKey(drawingPath)), u"0", text, kKeyUnits,
                             g_strSettingsPath);
    char narrow[kKeyUnits] = {};
    for (DWORD i = 0; i + 1 < kKeyUnits && text[i] != 0; ++i) {
        narrow[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    }
    return StrToU64(narrow);
}

void CMapAppState::StartDocumentCheck(const CString& drawingPath, UINT delayMs) {
    if (drawingPath.IsEmpty() || m_bCheckPending != 0) {
        return;
    }
    m_bCheckPending = 1;
    m_strDrawingPath = drawingPath;
    m_nStoredKey = ReadFileMd5(drawingPath);
    if (delayMs > 0) {
        const HWND window = GetMessageWindow();
        if (window == nullptr || SetTimer(window, kTimerCoordState, delayMs, nullptr) == 0) {
            m_bCheckPending =
                0;  // nothing would ever end the check, and every later drawing would be skipped
        }
    }
}

bool AskCoordState() {
    const DWORD before = g_MapAppState.m_nAnswers;
    MapApiGetCoordState(&g_MapApiLink);
    return g_MapAppState.m_nAnswers != before;
}

bool RefreshCoordState() {
    // Asked again every time: the map user may have switched to longitude/latitude since the last answer.
    return AskCoordState();
}

void CMapAppState::CheckMapStateDigest(HWND hMessageWnd) {
    if (m_nCoordType == 2 || m_nReceivedKey != m_nStoredKey) {
        PostMessageW(hMessageWnd, WM_TARN_SET_COOR, 0, 0);
    }
    m_bCheckPending = 0;
}
