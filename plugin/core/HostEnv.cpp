// Host environment operations: the zoom match with the map application, the view variables kept while the
// base map is shown, the demand-load registration, the user's folders and the removal of the tile cache.
#include "plugin/core/HostEnv.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
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
    // One trailing backslash goes, except a drive root's own: "C:" alone would be the current folder.
    if (folder.GetLength() > 3 && folder[folder.GetLength() - 1] == u'\\') {
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

namespace {

// One pass of the cache root's normal form: blanks around the text go; "X:" alone is that drive's root (the
// settings keep a root without its trailing backslash, so a drive root may be stored as "C:", and "C:" alone
// would be the drive's current folder); the path is made full; trailing separators go except a drive
// root's own.
CString CacheRootPass(const CString& folder) {
    CString trimmed(folder);
    trimmed.Trim();
    if (trimmed.GetLength() == 2 && trimmed[1] == u':') {
        trimmed += u'\\';
    }
    CString full = FullFilePath(trimmed);
    while (full.GetLength() > 3 && full[full.GetLength() - 1] == u'\\') {
        full = full.Left(full.GetLength() - 1);
    }
    return full;
}

}  // namespace

// A last name ending in a blank is a name to the full path (".. ") and no longer one once the blank is
// trimmed (".." is a step up), so one pass need not give a root that a second pass keeps; the passes repeat
// until the text holds still, so that the tiles, the lock and the clean-up all act on one folder. Each pass
// that changes the text shortens it (but for the one "C:" -> "C:\"), so the loop ends.
CString FullCacheRoot(const CString& folder) {
    CString current = CacheRootPass(folder);
    for (int pass = 0; pass < MAX_PATH && !current.IsEmpty(); ++pass) {
        const CString next = CacheRootPass(current);
        if (next == current) {
            return current;
        }
        current = next;
    }
    return CString();
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
// The mark of a folder the plug-in made in the cache, and what it holds.
constexpr const char16_t* kOwnMarkName = u"TarnArx.cache";
constexpr char kOwnMarkText[] = "TarnArx tile cache folder\r\n";
constexpr size_t kOwnMarkBytes = sizeof kOwnMarkText - 1;

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

std::string Utf8Path(const CString& path) {
    char utf8[kMaxUtf8Path];
    if (WideCharToMultiByte(CP_UTF8, 0, path.GetString(), -1, utf8, kMaxUtf8Path, nullptr, nullptr) <= 0) {
        return std::string();
    }
    return utf8;
}

// Makes a new file that nobody else can have placed: an existing file, or a link of that name (which could
// lead anywhere), makes it fail, so nothing is ever written through it.
FILE* CreateNewFile(const CString& path) {
    const std::string utf8 = Utf8Path(path);
    return utf8.empty() ? nullptr : OpenFileU8(utf8.c_str(), "wbx");
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

// Whether nothing but the mark is left in the folder (links counted: they keep it).
bool OnlyMarkLeft(const CString& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(folder + u"\\*", &data);
    if (find == INVALID_HANDLE_VALUE) {
        return false;
    }
    int others = 0;
    bool mark = false;
    do {
        const CString name(data.cFileName);
        if (name == kOwnMarkName &&
            (data.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0) {
            mark = true;
        } else if (name != u"." && name != u"..") {
            ++others;
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return mark && others == 0;
}

// A folder is the plug-in's when it holds the mark the plug-in wrote as it made it: a plain file (never a
// link) of exactly the mark's text. The name of a folder or a file says nothing: a user's own folders may be
// named like the plug-in's.
bool IsOwnFolder(const CString& folder) {
    const CString mark = folder + u"\\" + kOwnMarkName;
    const DWORD attributes = GetFileAttributesW(mark);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return false;
    }
    const std::string utf8 = Utf8Path(mark);
    FILE* file = utf8.empty() ? nullptr : OpenFileU8(utf8.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char text[kOwnMarkBytes + 1] = {};
    const size_t got = std::fread(text, 1, sizeof text, file);
    std::fclose(file);
    return got == kOwnMarkBytes && std::memcmp(text, kOwnMarkText, kOwnMarkBytes) == 0;
}

// Empties a folder of the cache: the plug-in's own folders in it are emptied the same way and removed; in a
// folder of its own (own) the tile files go too, and at the end the folder itself when nothing else is left
// in it. Nothing else is touched, and links are never followed.
void CleanCacheFolder(const CString& folder, bool own) {
    for (const FolderItem& item : ListFolder(folder)) {
        const CString path = folder + u"\\" + item.name;
        if (item.folder) {
            if (IsOwnFolder(path)) {
                CleanCacheFolder(path, true);
            }
        } else if (own && IsTileFileName(item.name)) {
            DeleteFileW(path);
        }
    }
    if (own && OnlyMarkLeft(folder)) {
        DeleteFileW(folder + u"\\" + kOwnMarkName);
        RemoveDirectoryW(folder);
    }
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

void MakeCacheFolder(const CString& folder) {
    if (Utf8Path(folder).empty() || CreateDirectoryW(folder, nullptr) == FALSE) {
        return;  // there already (made by whoever), or not to be made: not marked
    }
    FILE* mark = CreateNewFile(folder + u"\\" + kOwnMarkName);
    if (mark == nullptr) {
        return;
    }
    const bool written = std::fwrite(kOwnMarkText, 1, kOwnMarkBytes, mark) == kOwnMarkBytes;
    if (std::fclose(mark) != 0 || !written) {
        DeleteFileW(folder + u"\\" + kOwnMarkName);  // half a mark would never be recognised
    }
}

// Why a lock file with the process id: the cache is a plain folder that several hosts may share through one
// settings file, and a plug-in that crashed leaves its file behind. The id in the name tells a lock of a
// running process (kept, the cache stays) from one of an ended process (removed as stale), which a bare
// marker file could not; a process id reused by another program at worst keeps the cache one more time.
void HoldMapTempFolder(const CString& folder) {
    const CString cache = CacheOf(folder);
    if (cache.IsEmpty()) {
        return;
    }
    MakeCacheFolder(cache);
    const CString lock = cache + u"\\" + LockFileName(GetCurrentProcessId());
    const DWORD attributes = GetFileAttributesW(lock);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return;  // held already; the lock's content is nothing, so it is never opened again
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // Someone else's link in the lock's place, in a folder others can write into: the link goes (its
        // target is not touched) and the lock is made anew, never written through it.
        DeleteFileW(lock);
    }
    FILE* file = CreateNewFile(lock);
    if (file == nullptr || std::fclose(file) != 0) {
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
    // The root in its one normal form, as the tiles and the lock used it; an empty or damaged root is none.
    const CString cache = CacheOf(folder);
    if (cache.IsEmpty()) {
        return;
    }
    const DWORD attributes = GetFileAttributesW(cache);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return;  // no cache, or a link in its place: never followed
    }
    if (IsMapTempFolderInUse(folder)) {
        WriteDebugLogF(u"cache kept: another running plug-in uses %s", cache.GetString());
        return;
    }
    // Only the folders the plug-in made are its own, at a drive's root as anywhere: a user's folders and
    // files beside them stay, however they are named. "MapTemp" itself goes when the plug-in made it too.
    CleanCacheFolder(cache, IsOwnFolder(cache));
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
