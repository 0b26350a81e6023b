// Transport: every request to the map application passes through MapApiSendCmd.
#include "plugin/maplink/maplink.h"

#include <cstring>

#include "platform/mfc/afxwin.h"
#include "plugin/maplink/mapapp.h"

const char16_t* const kMapAppWindowClass = u"tarnWin";

MapApiLink g_MapApiLink = {};

namespace {
DWORD s_regId = 0;  // the id the map application gave at the last registration
}  // namespace

namespace {

constexpr DWORD kMaxRegId = 0xFFFF;  // the id rides in the upper 16 bits of dwData

bool IsAppFailure(LRESULT r) {
    return r >= -8 && r <= -5;
}

HWND FindMapAppWindow() {
    return FindWindowW(kMapAppWindowClass, nullptr);
}

LRESULT SendCopyData(HWND hwnd, ULONG_PTR dwData, const void* data, DWORD count) {
    COPYDATASTRUCT cds;
    cds.dwData = dwData;
    cds.cbData = count;
    cds.lpData = const_cast<void*>(data);
    return SendMessageW(hwnd, WM_COPYDATA, kMapMsgWParam, reinterpret_cast<LPARAM>(&cds));
}

size_t NameUnits(const WCHAR* name) {
    size_t n = 0;
    while (n < kMapAppNameUnits && name[n] != 0) {
        ++n;
    }
    return n;
}

}  // namespace

MapApiLink* MapApiLinkInit(MapApiLink* link) {
    if (link != nullptr) {
        std::memset(link, 0, sizeof *link);
    }
    return link;
}

void MapApiLinkFree(MapApiLink*) {}

void MapApiSetAppName(MapApiLink* link, const WCHAR* name) {
    if (link == nullptr) {
        return;
    }
    std::memset(link->m_szAppName, 0, sizeof link->m_szAppName);
    if (name == nullptr) {
        return;
    }
    // At most 99 units, so the field always ends in a NUL and the registration length stays inside it.
    size_t n = 0;
    while (n + 1 < kMapAppNameUnits && name[n] != 0) {
        link->m_szAppName[n] = name[n];
        ++n;
    }
}

ULONG_PTR MapApiMakeDwData(DWORD regId, DWORD code) {
    const auto packed = static_cast<INT32>((regId << 16) | code);
    return static_cast<ULONG_PTR>(static_cast<LONG_PTR>(packed));
}

void MapApiConnect(MapApiLink* link) {
    HWND hwnd = FindMapAppWindow();
    if (hwnd == nullptr) {
        return;
    }
    const size_t units = NameUnits(link->m_szAppName);
    const DWORD bytes = static_cast<DWORD>(2 * units + 2);
    const LRESULT id = SendCopyData(hwnd, kMapCmdRegister, link->m_szAppName, bytes);
    link->m_nRegId = static_cast<DWORD>(static_cast<uint64_t>(id) & 0xFFFFFFFFu);
    // An id that does not fit the 16 bits of dwData would address every request wrongly: no registration.
    if (link->m_nRegId > kMaxRegId) {
        link->m_nRegId = 0;
    }
    if (link->m_nRegId == 0) {
        return;
    }
    const LRESULT version = SendCopyData(hwnd, MapApiMakeDwData(link->m_nRegId, kMapCmdVersion), nullptr, 0);
    const auto v = static_cast<INT32>(static_cast<uint64_t>(version) & 0xFFFFFFFFu);
    link->m_nVersion = v < 0 ? 0 : v;
}

bool MapApiIsCmdAllowed(const MapApiLink* link, DWORD code) {
    if (link->m_nVersion >= kMapGateVersion) {
        return true;
    }
    switch (code) {
        case 20007:
        case 20100:
        case 20101:
        case 20102:
        case 20103:
            return false;
        default:
            return true;
    }
}

int MapApiSendCmd(MapApiLink* link, DWORD code, const void* data, DWORD count, INT64* result, int timeoutMs) {
    HWND hwnd = FindMapAppWindow();
    if (hwnd == nullptr) {
        link->m_nRegId = 0;
        link->m_nVersion = 0;
        return kMapNoWindow;
    }
    if (link->m_nRegId == 0) {
        MapApiConnect(link);
        if (link->m_nRegId == 0) {
            return kMapRegisterFailed;
        }
    }
    if (!MapApiIsCmdAllowed(link, code)) {
        return kMapTooOld;
    }
    if (timeoutMs >= 1) {
        COPYDATASTRUCT cds;
        cds.dwData = MapApiMakeDwData(link->m_nRegId, code);
        cds.cbData = count;
        cds.lpData = const_cast<void*>(data);
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(hwnd, WM_COPYDATA, kMapMsgWParam, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL,
                                static_cast<UINT>(timeoutMs), &answer) != 0) {
            if (result != nullptr) {
                *result = static_cast<INT64>(answer);
            }
            return kMapDelivered;
        }
        return GetLastError() == ERROR_TIMEOUT ? kMapOk : kMapNoWindow;
    }

    int ret = kMapOk;
    LRESULT r = SendCopyData(hwnd, MapApiMakeDwData(link->m_nRegId, code), data, count);
    if (IsAppFailure(r)) {
        ret = static_cast<int>(r);
    } else if (r < 0) {
        // The registration is taken for broken: renew it once and send once more, never again.
        link->m_nRegId = 0;
        link->m_nVersion = 0;
        MapApiConnect(link);
        if (link->m_nRegId == 0) {
            return kMapRegisterFailed;
        }
        if (!MapApiIsCmdAllowed(link, code)) {
            return kMapTooOld;
        }
        hwnd = FindMapAppWindow();
        if (hwnd == nullptr) {
            link->m_nRegId = 0;
            link->m_nVersion = 0;
            return kMapNoWindow;
        }
        r = SendCopyData(hwnd, MapApiMakeDwData(link->m_nRegId, code), data, count);
        if (IsAppFailure(r)) {
            ret = static_cast<int>(r);
        }
    }
    if (result != nullptr) {
        *result = static_cast<INT64>(r);
    }
    return ret;
}

const char16_t* MapApiErrorText(int code) {
    switch (code) {
        case kMapNoWindow:
            return u"没有找到Zavrel地图程序窗口";
        case kMapRegisterFailed:
            return u"向Zavrel地图程序注册失败";
        case kMapTooOld:
            return u"Zavrel地图程序版本太低";
        case kMapBadArgument:
            return u"参数非法";
        case kMapAppCannotHandle:
            return u"消息处理失败";
        default:
            return u"未知错误";
    }
}

void ShowApiError(int code) {
    if (code < 0) {
        AfxMessageBox(MapApiErrorText(code), MB_OK);
    }
}

LRESULT SendMapAppRequest(DWORD code, const void* data, DWORD count) {
    HWND hwnd = FindMapAppWindow();
    if (hwnd == nullptr) {
        return 0;
    }
    if (IsIconic(hwnd)) {
        ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    }
    if (code == 20001 || code == 20005) {
        BringWindowToTop(hwnd);
    }
    LRESULT r = SendCopyData(hwnd, MapApiMakeDwData(s_regId, code), data, count);
    if (r < 0) {
        static const char16_t kName[] = u"TarnArxWin";
        const LRESULT id = SendCopyData(hwnd, kMapCmdRegister, kName, sizeof kName);
        const auto low = static_cast<DWORD>(static_cast<uint64_t>(id) & 0xFFFFFFFFu);
        s_regId = low > kMaxRegId ? 0 : low;
        r = SendCopyData(hwnd, MapApiMakeDwData(s_regId, code), data, count);
    }
    return r;
}

void ResetMapLinkState() {
    MapApiLinkInit(&g_MapApiLink);
    s_regId = 0;
    SetMapNoticeHooks(MapNoticeHooks());
    ResetMapAppLoadState();
}
