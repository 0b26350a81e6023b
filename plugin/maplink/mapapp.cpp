#include "plugin/maplink/mapapp.h"

#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

const char16_t* const kMapAppRegKey = u"Software\\Zavrel Software\\tarn\\MainFrm";
const char16_t* const kMapAppDownloadUrl = u"https://tarn.zavrel.example/download";
const char16_t* const kPluginUpdateUrl = u"https://tarn.zavrel.example/plugin/update";

namespace {

constexpr DWORD kRunPathBytes = 520;

const char16_t* const kTextNotInstalled = u"您尚未安装Zavrel地图，请到官网下载！";
const char16_t* const kTextTooOldRefused = u"您安装Zavrel地图版本太低，请到官网下载！";
const char16_t* const kTextTooOldNotice = u"您安装的Zavrel版本太低，请到官网重新下载！";
const char16_t* const kTextStartQuestion = u"是否打开Zavrel程序？";
const char16_t* const kTextNotRunning = u"您尚未打开Zavrel地图，无法使用插件功能！";

// One load's state.
DWORD g_lastVersion = 0;
bool g_tooOldPending = true;
bool g_updatePending = true;

// Stand-in switches until the plug-in core installs its settings record.
struct OwnSwitches {
    BYTE tooOld = 1;
    BYTE update = 1;
    BYTE loadWithHost = 0;
    DWORD announcedMap = 0;
    DWORD announcedPlugin = 0;
} g_own;

MapNoticeHooks g_hooks;

BYTE* TooOldSwitch() {
    return g_hooks.m_pTooOldHint ? g_hooks.m_pTooOldHint : &g_own.tooOld;
}
BYTE* UpdateSwitch() {
    return g_hooks.m_pUpdateHint ? g_hooks.m_pUpdateHint : &g_own.update;
}
BYTE LoadWithHost() {
    return g_hooks.m_pLoadWithHost ? *g_hooks.m_pLoadWithHost : g_own.loadWithHost;
}
DWORD* AnnouncedMap() {
    return g_hooks.m_pAnnouncedMapVersion ? g_hooks.m_pAnnouncedMapVersion : &g_own.announcedMap;
}
DWORD* AnnouncedPlugin() {
    return g_hooks.m_pAnnouncedPluginVersion ? g_hooks.m_pAnnouncedPluginVersion : &g_own.announcedPlugin;
}
void Save() {
    if (g_hooks.m_pfnSaveSettings != nullptr) {
        g_hooks.m_pfnSaveSettings();
    }
}

int HintDialog(const CString& text, int* doNotShow) {
    *doNotShow = 0;
    if (g_hooks.m_pfnHintDialog != nullptr) {
        return g_hooks.m_pfnHintDialog(text, doNotShow);
    }
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES ? IDOK : IDCANCEL;
}

bool MapAppWindowExists() {
    return FindWindowW(kMapAppWindowClass, nullptr) != nullptr;
}

void OpenPage(const char16_t* url) {
    ShellExecuteW(nullptr, u"open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

// Reads the install data. Read access is all that is needed; asking for all access fails for users with
// restricted rights, who would then be told the map application is not installed.
bool ReadInstallData(WCHAR* runPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kMapAppRegKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD version = 0;
    DWORD size = sizeof version;
    if (RegQueryValueExW(key, u"LastVersion", nullptr, &type, reinterpret_cast<BYTE*>(&version), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof version) {
        g_lastVersion = version;
    }
    if (runPath != nullptr) {
        // A registry string need not end in a NUL: keep the buffer zeroed and terminate at the size read.
        WCHAR path[kRunPathBytes / 2 + 1] = {};
        size = kRunPathBytes;
        if (RegQueryValueExW(key, u"LastRunPath", nullptr, &type, reinterpret_cast<BYTE*>(path), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ && size < kRunPathBytes) {
            path[size / 2] = 0;
            for (DWORD i = 0; i <= size / 2; ++i) {
                runPath[i] = path[i];
            }
        }
    }
    RegCloseKey(key);
    return true;
}

void RefuseTooOld() {
    AfxMessageBox(kTextTooOldRefused, MB_OK | MB_ICONINFORMATION);
    OpenPage(kMapAppDownloadUrl);
}

}  // namespace

void SetMapNoticeHooks(const MapNoticeHooks& hooks) {
    g_hooks = hooks;
}

void ResetMapAppLoadState() {
    g_lastVersion = 0;
    g_tooOldPending = true;
    g_updatePending = true;
    g_own = OwnSwitches();
}

DWORD CachedMapAppVersion() {
    return g_lastVersion;
}

int StartMapApp() {
    if (MapAppWindowExists()) {
        return CheckMapAppReady() ? 1 : 0;
    }
    WCHAR runPath[kRunPathBytes / 2 + 1] = {};
    if (!ReadInstallData(runPath)) {
        AfxMessageBox(kTextNotInstalled, MB_OK | MB_ICONINFORMATION);
        OpenPage(kMapAppDownloadUrl);
        return -1;
    }
    if (g_lastVersion < kMapAppMinVersion) {
        RefuseTooOld();
        return -1;
    }
    if (g_lastVersion < kMapAppCurrentVersion && ShowMapAppTooOld() == 0) {
        return -1;
    }
    if (AfxMessageBox(kTextStartQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        RunProgram(runPath, nullptr);
    }
    return 0;
}

bool CheckMapAppReady() {
    if (!MapAppWindowExists()) {
        AfxMessageBox(kTextNotRunning, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (g_lastVersion < kMapAppCurrentVersion && !ReadInstallData(nullptr)) {
        return false;
    }
    if (g_lastVersion < kMapAppMinVersion) {
        RefuseTooOld();
        return false;
    }
    if (g_lastVersion < kMapAppCurrentVersion && ShowMapAppTooOld() == 0) {
        return false;
    }
    return true;
}

int ShowMapAppTooOld() {
    if (!g_tooOldPending) {
        return 1;
    }
    g_tooOldPending = false;
    if (*AnnouncedMap() < kMapAppCurrentVersion) {
        *TooOldSwitch() = 1;
        *AnnouncedMap() = kMapAppCurrentVersion;
        Save();
    }
    return ShowHintAndOpen(TooOldSwitch(), kTextTooOldNotice, kMapAppDownloadUrl);
}

int ShowPluginUpdate(const CString& changes, int newVersion) {
    if (!g_updatePending) {
        return 1;
    }
    g_updatePending = false;
    CString text;
    text.Format(u"系统发现插件有更新(v%d.%d.%d)，请到官网下载！", newVersion / 100 % 10, newVersion / 10 % 10,
                newVersion % 10);
    text += u"\r\n更新内容：\r\n";
    text += changes;
    if (newVersion > 0 && *AnnouncedPlugin() < static_cast<DWORD>(newVersion)) {
        if (kPluginVersion < static_cast<DWORD>(newVersion)) {
            if (g_hooks.m_pfnUnregisterDemandLoad != nullptr) {
                g_hooks.m_pfnUnregisterDemandLoad();
            }
            if (LoadWithHost() != 0 && g_hooks.m_pfnRegisterDemandLoad != nullptr) {
                g_hooks.m_pfnRegisterDemandLoad();
            }
            *UpdateSwitch() = 1;
        }
        *AnnouncedPlugin() = static_cast<DWORD>(newVersion);
        Save();
    }
    return ShowHintAndOpen(UpdateSwitch(), text, kPluginUpdateUrl);
}

int ShowHintAndOpen(BYTE* pSwitch, const CString& text, const CString& url) {
    if (pSwitch == nullptr || *pSwitch == 0) {
        return 1;
    }
    int doNotShow = 0;
    if (HintDialog(text, &doNotShow) == IDOK) {
        OpenPage(url);
        return 0;
    }
    if (doNotShow != 0) {
        *pSwitch = 0;
        Save();
    }
    return 1;
}

void RunProgram(const WCHAR* path, HWND owner) {
    if (path == nullptr || path[0] == 0) {
        return;  // no program recorded: nothing to start
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner;
    info.lpVerb = u"open";
    info.lpFile = path;
    info.lpParameters = nullptr;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
    if (info.hProcess != nullptr) {
        CloseHandle(info.hProcess);  // nothing waits for it; the handle would only leak
    }
}
