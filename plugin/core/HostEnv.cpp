// Host environment operations: the zoom match with the map application, the view variables kept while the
// base map is shown, the demand-load registration, the user's folders and the removal of the tile cache.
#include "plugin/core/HostEnv.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/arx/acap/appinfo.h"
#include "platform/arx/acgs/gsmanager.h"
#include "platform/win32/sys/curdir.h"
#include "plugin/core/MessageWindow.h"
#include "plugin/core/Settings.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/linkutil.h"
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

// Whether a full path lies below a full folder (letter case aside); false when either is empty.
bool LiesUnder(const CString& full, CString folder) {
    if (full.IsEmpty() || folder.IsEmpty()) {
        return false;
    }
    if (folder[folder.GetLength() - 1] != u'\\') {
        folder += u'\\';
    }
    return full.GetLength() > folder.GetLength() && full.Left(folder.GetLength()).CompareNoCase(folder) == 0;
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
    return LiesUnder(FullFolder(inner), FullFolder(outer));
}

CString FullFilePath(const CString& path) {
    const int n = path.GetLength();
    if (n == 0 || n >= MAX_PATH) {
        return CString();
    }
    for (int i = 0; i < n; ++i) {
        const char16_t c = path[i];
        // Control characters and the characters no file name may hold; a colon only after a drive letter.
        if (c < 0x20 || c == 0x7F || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' ||
            c == u'|' || (c == u':' && i != 1)) {
            return CString();
        }
    }
    const auto separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    // "\\server\share", "\\?\" and "\\.\" name network shares and devices, never a file of ours.
    if (n >= 2 && separator(path[0]) && separator(path[1])) {
        return CString();
    }
    if (n >= 2 && path[1] == u':' &&
        !((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'))) {
        return CString();
    }
    WCHAR full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return CString();
    }
    return CString(full);
}

bool IsSameFile(const CString& a, const CString& b) {
    const CString fa = FullFilePath(a);
    return !fa.IsEmpty() && fa.CompareNoCase(FullFilePath(b)) == 0;
}

bool IsPathWithin(const CString& path, const CString& folder) {
    return LiesUnder(FullFilePath(path), FullFilePath(folder));
}

CString FullCacheRoot(const CString& folder) {
    CString trimmed(folder);
    trimmed.Trim();
    CString full = FullFilePath(trimmed);
    // A drive root keeps its separator: "C:" alone would be the drive's current folder.
    while (full.GetLength() > 3 && full[full.GetLength() - 1] == u'\\') {
        full = full.Left(full.GetLength() - 1);
    }
    return full;
}

CString JoinFolder(const CString& root, const char16_t* name) {
    if (!root.IsEmpty() && root[root.GetLength() - 1] == u'\\') {
        return root + name;
    }
    return root + u"\\" + name;
}

namespace {

constexpr const char16_t* kLockPrefix = u"TarnArx_";
constexpr const char16_t* kLockSuffix = u".lock";

bool AllDigits(const CString& text, bool sign) {
    int i = sign && text.GetLength() > 1 && text[0] == u'-' ? 1 : 0;
    if (i >= text.GetLength() || text.GetLength() - i > 19) {
        return false;
    }
    for (; i < text.GetLength(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return false;
        }
    }
    return true;
}

// A tile file as the layout names it: "<column>_<row>.png".
bool IsTileFileName(const CString& name) {
    if (name.GetLength() < 7 || name.Right(4).CompareNoCase(u".png") != 0) {
        return false;
    }
    const CString stem = name.Left(name.GetLength() - 4);
    const int underscore = stem.Find(u'_', 1);
    return underscore > 0 && AllDigits(stem.Left(underscore), true) &&
           AllDigits(stem.Mid(underscore + 1), true);
}

struct FolderItem {
    CString name;
    bool folder = false;
};

// The entries of one folder; links are left out: they are never followed, never ours.
std::vector<FolderItem> ListFolder(const CString& folder) {
    std::vector<FolderItem> items;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(folder + u"\\*", &data);
    if (find == INVALID_HANDLE_VALUE) {
        return items;
    }
    do {
        const CString name(data.cFileName);
        if (name == u"." || name == u".." || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        items.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return items;
}

// A drawing's tile folder: "<map id>\\<level>\\<column>_<row>.png" below it; the folders go when empty.
void RemoveTileFolder(const CString& folder) {
    for (const FolderItem& map : ListFolder(folder)) {
        if (!map.folder || !AllDigits(map.name, false)) {
            continue;
        }
        const CString mapFolder = folder + u"\\" + map.name;
        for (const FolderItem& level : ListFolder(mapFolder)) {
            if (!level.folder || !AllDigits(level.name, false)) {
                continue;
            }
            const CString levelFolder = mapFolder + u"\\" + level.name;
            for (const FolderItem& file : ListFolder(levelFolder)) {
                if (!file.folder && IsTileFileName(file.name)) {
                    DeleteFileW(levelFolder + u"\\" + file.name);
                }
            }
            RemoveDirectoryW(levelFolder);  // only when empty
        }
        RemoveDirectoryW(mapFolder);
    }
    RemoveDirectoryW(folder);
}

CString LockFileName(DWORD processId) {
    CString name;
    name.Format(u"%s%u%s", kLockPrefix, static_cast<unsigned>(processId), kLockSuffix);
    return name;
}

// The process id of a lock file's name; 0 when the name is no lock's.
DWORD LockOwner(const CString& name) {
    const CString prefix(kLockPrefix);
    const CString suffix(kLockSuffix);
    if (name.GetLength() <= prefix.GetLength() + suffix.GetLength() ||
        name.Left(prefix.GetLength()).CompareNoCase(prefix) != 0 ||
        name.Right(suffix.GetLength()).CompareNoCase(suffix) != 0) {
        return 0;
    }
    const CString digits =
        name.Mid(prefix.GetLength(), name.GetLength() - prefix.GetLength() - suffix.GetLength());
    if (!AllDigits(digits, false) || digits.GetLength() > 10) {
        return 0;
    }
    const unsigned long long id = std::stoull(CStringA(digits).GetString());
    return id <= 0xFFFFFFFFull ? static_cast<DWORD>(id) : 0;
}

bool IsProcessRunning(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) != FALSE && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

CString CacheOf(const CString& folder) {
    const CString root = FullCacheRoot(folder);
    return root.IsEmpty() ? CString() : JoinFolder(root, u"MapTemp");
}

}  // namespace

// Why a lock file with the process id: the cache is a plain folder that several hosts may share through one
// settings file, and a plug-in that crashed leaves its file behind. The id in the name tells a lock of a
// running process (kept, the cache stays) from one of an ended process (removed as stale), which a bare
// marker file could not; a process id reused by another program at worst keeps the cache one more time.
void HoldMapTempFolder(const CString& folder) {
    const CString cache = CacheOf(folder);
    if (cache.IsEmpty()) {
        return;
    }
    CreateDirectoryW(cache, nullptr);
    const CString lock = cache + u"\\" + LockFileName(GetCurrentProcessId());
    char utf8[kMaxUtf8Path];
    if (WideCharToMultiByte(CP_UTF8, 0, lock.GetString(), -1, utf8, kMaxUtf8Path, nullptr, nullptr) <= 0 ||
        WriteFileData(utf8, "", 0) == 0) {
        WriteDebugLogF(u"cache lock not written: %s", lock.GetString());
    }
}

void ReleaseMapTempFolder(const CString& folder) {
    const CString cache = CacheOf(folder);
    if (!cache.IsEmpty()) {
        DeleteFileW(cache + u"\\" + LockFileName(GetCurrentProcessId()));
    }
}

bool IsMapTempFolderInUse(const CString& folder) {
    const CString cache = CacheOf(folder);
    if (cache.IsEmpty()) {
        return false;
    }
    const DWORD self = GetCurrentProcessId();
    bool inUse = false;
    for (const FolderItem& item : ListFolder(cache)) {
        const DWORD owner = item.folder ? 0 : LockOwner(item.name);
        if (owner == 0 || owner == self) {
            continue;
        }
        if (IsProcessRunning(owner)) {
            inUse = true;
        } else {
            DeleteFileW(cache + u"\\" + item.name);  // left by a plug-in that ended without unloading
        }
    }
    return inUse;
}

void DeleteMapTempFolder(const CString& folder) {
    ReleaseMapTempFolder(folder);
    CString typed(folder);
    typed.Trim();
    // "C:" alone resolves to the drive's current folder, never a root the plug-in made its cache in.
    const bool bareDrive = typed.GetLength() >= 2 && typed[1] == u':' &&
                           typed.Mid(2).SpanIncluding(u"\\/").GetLength() == typed.GetLength() - 2;
    const CString root = FullFolder(folder);
    // An empty or damaged root must not turn into "MapTemp" at the top of the drive.
    if (bareDrive || root.IsEmpty() || IsDriveRoot(root)) {
        return;
    }
    if (IsMapTempFolderInUse(root)) {
        WriteDebugLogF(u"cache kept: another running plug-in uses %s", root.GetString());
        return;
    }
    const CString cache = root + u"\\MapTemp";
    // The drawings' tile folders are named by their 63-bit keys; nothing else here is the plug-in's.
    for (const FolderItem& item : ListFolder(cache)) {
        if (item.folder && AllDigits(item.name, false)) {
            RemoveTileFolder(cache + u"\\" + item.name);
        }
    }
    RemoveDirectoryW(cache);
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
