// Host environment operations: the zoom match with the map application, the view variables kept while the
// base map is shown, the demand-load registration, the user's folders and the removal of the tile cache.
#include "plugin/core/HostEnv.h"

#include <algorithm>

#include "platform/arx/acap/appinfo.h"
#include "platform/arx/acgs/gsmanager.h"
#include "platform/win32/sys/curdir.h"
#include "plugin/core/MessageWindow.h"
#include "plugin/core/Settings.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

CViewVarBackup g_ViewVarBackup;
BYTE g_bZoomMatch = 0;
int32_t g_nMapImageWidth = 0;
int32_t g_nMapImageHeight = 0;

void ResetHostEnvState() {
    g_ViewVarBackup = CViewVarBackup();
    g_bZoomMatch = 0;
    g_nMapImageWidth = 0;
    g_nMapImageHeight = 0;
}

namespace {

const char16_t* const kTextLonLatRefused = u"Zavrel当前的坐标系为经纬度，不支持该操作！";
constexpr DWORD kCoordLonLat = 2;
constexpr UINT64 kZoomMatchPixels = 20000;
constexpr double kZoomMatchPixelSpan = 50.0;  // half the side of the square asked for, in screen pixels
constexpr short kMapZoomFactor = 100;
constexpr int kGraphicsOption = 0;
constexpr DWORD kModulePathUnits = 512;
constexpr int kMaxUtf8Path = 1000;

bool GetShortVar(const ACHAR* name, short& value) {
    resbuf rb = {};
    if (acedGetVar(name, &rb) != RTNORM || rb.restype != RTSHORT) {
        return false;
    }
    value = rb.resval.rint;
    return true;
}

void SetShortVar(const ACHAR* name, short value) {
    resbuf rb = {};
    rb.restype = RTSHORT;
    rb.resval.rint = value;
    acedSetVar(name, &rb);
}

AcGsConfig* GraphicsConfig() {
    AcGsManager* manager = acgsGetGsManager();
    return manager != nullptr ? manager->getConfig() : nullptr;
}

// The module's file name without folder and extension: the name it is registered under.
bool ModuleAppName(CString& name, CString& modulePath) {
    WCHAR path[kModulePathUnits] = {};
    const DWORD n = GetModuleFileNameW(AfxGetInstanceHandle(), path, kModulePathUnits);
    if (n == 0 || n >= kModulePathUnits) {
        return false;
    }
    modulePath = path;
    name = modulePath.Mid(modulePath.ReverseFind(u'\\') + 1);
    const int dot = name.ReverseFind(u'.');
    if (dot > 0) {
        name = name.Left(dot);
    }
    return !name.IsEmpty();
}

// The full form of a folder, without a trailing backslash except at a drive root; empty when it has none.
CString FullFolder(const CString& folder) {
    CString trimmed(folder);
    trimmed.Trim();
    if (trimmed.IsEmpty()) {
        return CString();
    }
    WCHAR full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameW(trimmed, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) {
        return CString();
    }
    return CString(full);
}

bool IsDriveRoot(const CString& full) {
    return full.GetLength() <= 3;
}

}  // namespace

void MatchMapZoom() {
    if (acdbHostApplicationServices()->workingDatabase() == nullptr || !CheckMapAppReady()) {
        return;
    }
    if (g_MapAppState.m_nCoordType == kCoordLonLat) {
        AfxMessageBox(kTextLonLatRefused, MB_OK);
        return;
    }
    ViewRectInfo view;
    if (!CViewUtil::GetCurViewRect(view, 1.0) || view.screenW <= 0) {
        return;
    }
    const double cx = (view.minX + view.maxX) / 2.0;
    const double cy = (view.minY + view.maxY) / 2.0;
    const double h = (view.maxX - view.minX) / view.screenW * kZoomMatchPixelSpan;

    // A size left from an earlier match must never be taken for this one's answer.
    g_nMapImageWidth = 0;
    g_nMapImageHeight = 0;
    g_bZoomMatch = 1;
    const int result = MapApiRenderView(&g_MapApiLink, cx - h, cy - h, cx + h, cy + h, kZoomMatchPixels,
                                        static_cast<DWORD>(g_Settings.m_nMaxLevel));
    g_bZoomMatch = 0;
    if (result < 0) {
        ShowApiError(result);
        return;
    }
    if (g_nMapImageWidth > 0) {
        // Map pixels per screen pixel, reduced by whole levels (powers of two) to the part below one level.
        float f = static_cast<float>(g_nMapImageWidth) / 100.0f;
        while (f >= 2.0f) {
            f /= 2.0f;
        }
        const double dx = (cx - view.minX) / f;
        const double dy = (cy - view.minY) / f;
        CViewUtil::ZoomWindow(AcGePoint3d(cx - dx, cy - dy, 0.0), AcGePoint3d(cx + dx, cy + dy, 0.0), 1.0);
    }
    SetShortVar(u"ZOOMFACTOR", kMapZoomFactor);
}

void SaveViewVariables() {
    short zoomFactor = 0;
    if (GetShortVar(u"ZOOMFACTOR", zoomFactor)) {
        g_ViewVarBackup.m_nZoomFactor = zoomFactor;
    }
    if (AcGsConfig* config = GraphicsConfig()) {
        g_ViewVarBackup.m_bGraphicsOption = config->getOption(kGraphicsOption) ? 1 : 0;
    }
    g_ViewVarBackup.m_nRtDisplay = 0;
}

void SetViewVariables(bool bBaseMapViewing) {
    g_ViewVarBackup.m_bReapply = 0;
    short zoomFactor = 0;
    if (GetShortVar(u"ZOOMFACTOR", zoomFactor)) {
        const short wanted =
            bBaseMapViewing ? kMapZoomFactor : static_cast<short>(g_ViewVarBackup.m_nZoomFactor);
        if (zoomFactor != wanted) {
            SetShortVar(u"ZOOMFACTOR", wanted);
        }
    }
    if (bBaseMapViewing) {
        acedRedraw(nullptr, 1);
    }
    if (AcGsConfig* config = GraphicsConfig()) {
        const bool wanted = bBaseMapViewing ? false : g_ViewVarBackup.m_bGraphicsOption != 0;
        if (config->getOption(kGraphicsOption) != wanted) {
            config->setOption(kGraphicsOption, wanted);
            config->saveSettings();
            config->configChanged();
        }
    }
}

void RegisterDemandLoad() {
    CString name;
    CString modulePath;
    if (!ModuleAppName(name, modulePath)) {
        return;
    }
    AcadAppInfo info;
    info.setAppName(name);
    info.setAppDesc(name);
    info.setModuleName(modulePath);
    info.setLoadReason(static_cast<AcadApp::LoadReasons>(AcadApp::kOnProxyDetection | AcadApp::kOnStartup |
                                                         AcadApp::kOnCommandInvocation |
                                                         AcadApp::kOnLoadRequest));
    if (info.writeToRegistry() != AcadAppInfo::kNoError) {
        return;
    }
    info.writeGroupNameToRegistry(name);
    info.writeCommandNameToRegistry(name, name);
}

void UnregisterDemandLoad() {
    CString name;
    CString modulePath;
    if (!ModuleAppName(name, modulePath)) {
        return;
    }
    AcadAppInfo info;
    info.setAppName(name);
    if (info.readFromRegistry() != AcadAppInfo::kNoError) {
        return;  // nothing registered
    }
    info.setAppDesc(name);
    info.writeToRegistry();
    info.delFromRegistry();
}

CString GetLocalAppDataFolder() {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &item)) || item == nullptr) {
        return CString();
    }
    WCHAR path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    if (found == FALSE || path[0] == 0) {
        return CString();
    }
    WCHAR shortPath[MAX_PATH] = {};
    const DWORD n = GetShortPathNameW(path, shortPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return CString();
    }
    return CString(shortPath);
}

CString GetTempFolder() {
    WCHAR path[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH, path);
    if (n == 0 || n >= MAX_PATH) {
        return CString();
    }
    CString folder(path);
    if (folder.GetLength() > 0 && folder[folder.GetLength() - 1] == u'\\') {
        folder = folder.Left(folder.GetLength() - 1);
    }
    return folder;
}

bool IsSameFolder(const CString& a, const CString& b) {
    const CString fa = FullFolder(a);
    const CString fb = FullFolder(b);
    return !fa.IsEmpty() && fa.CompareNoCase(fb) == 0;
}

bool IsFolderWithin(const CString& inner, const CString& outer) {
    CString fi = FullFolder(inner);
    CString fo = FullFolder(outer);
    if (fi.IsEmpty() || fo.IsEmpty()) {
        return false;
    }
    if (fo[fo.GetLength() - 1] != u'\\') {
        fo += u'\\';
    }
    return fi.GetLength() > fo.GetLength() && fi.Left(fo.GetLength()).CompareNoCase(fo) == 0;
}

void DeleteMapTempFolder(const CString& folder) {
    const CString root = FullFolder(folder);
    // An empty or damaged root must not turn into "MapTemp" at the top of the drive.
    if (root.IsEmpty() || IsDriveRoot(root)) {
        return;
    }
    const CString target = root + u"\\MapTemp";
    char utf8[kMaxUtf8Path];
    if (WideCharToMultiByte(CP_UTF8, 0, target.GetString(), -1, utf8, kMaxUtf8Path, nullptr, nullptr) <= 0) {
        return;
    }
    RemoveDirTreeU8(utf8);
}

bool IsValidGaussEasting(double x) {
    const double q = x / 1000000.0;
    if (!(q > 1.0)) {
        return x >= 160000.0 && x <= 840000.0;
    }
    // The zone is checked first, so the integer remainder is taken only of values that fit.
    if (q < 13.0 || q > 45.0) {
        return false;
    }
    const int64_t remainder = static_cast<int64_t>(x) % 1000000;
    return remainder >= 160000 && remainder <= 840000;
}

bool PolygonContainsPoints(const AcGePoint3dArray& polygon, const AcGePoint3dArray& points) {
    const int n = polygon.length();
    for (int p = 0; p < points.length(); ++p) {
        const AcGePoint3d& pt = points[p];
        int crossings = 0;
        for (int i = 0; i < n; ++i) {
            const AcGePoint3d& a = polygon[i];
            const AcGePoint3d& b = polygon[(i + 1) % n];
            const double minY = std::min(a.y, b.y);
            const double maxY = std::max(a.y, b.y);
            if (a.isEqualTo(b)) {
                if (a.y == pt.y && a.x >= pt.x) {
                    ++crossings;
                    ++i;  // the next edge starts at the same crossing
                }
            } else if (a.y == b.y) {
                if (a.y == pt.y && !(pt.x > a.x && pt.x > b.x)) {
                    ++crossings;
                    ++i;
                }
            } else if (a.x == b.x) {
                if (a.x >= pt.x && minY <= pt.y && pt.y < maxY) {
                    ++crossings;
                }
            } else if (minY <= pt.y && pt.y < maxY) {
                const double x = (pt.y - a.y) * (b.x - a.x) / (b.y - a.y) + a.x;
                if (x >= pt.x && std::min(a.x, b.x) <= x && x < std::max(a.x, b.x)) {
                    ++crossings;
                }
            }
        }
        if (crossings % 2 == 0) {
            return false;
        }
    }
    return true;
}

bool SendTextToHost(const CString& text) {
    CMDIFrameWnd* frame = acedGetAcadFrame();
    if (frame == nullptr || frame->GetSafeHwnd() == nullptr || text.IsEmpty()) {
        return false;
    }
    COPYDATASTRUCT cds{};
    cds.dwData = 1;
    cds.cbData = static_cast<DWORD>((text.GetLength() + 1) * sizeof(char16_t));
    cds.lpData = const_cast<char16_t*>(text.GetString());
    const HWND sender = GetMessageWindow();
    return SendMessageW(frame->GetSafeHwnd(), WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                        reinterpret_cast<LPARAM>(&cds)) != 0;
}
