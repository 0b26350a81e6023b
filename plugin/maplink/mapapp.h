// The map application as installed and running: the start-up check, the readiness check before every map
// operation, the once-per-load notices (map application too old, newer plug-in), and starting programs.
#pragma once

#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"

inline constexpr DWORD kMapAppMinVersion = 772;      // below: refused
inline constexpr DWORD kMapAppCurrentVersion = 785;  // below: works, the user is told once
extern const char16_t* const kMapAppRegKey;          // under HKEY_CURRENT_USER
extern const char16_t* const kMapAppDownloadUrl;
extern const char16_t* const kPluginUpdateUrl;

// The notices' side of the settings record and the plug-in core: the switches and versions they read and
// write, saving the record, the demand-load registration and the hint dialog. The plug-in core points these
// at its settings record at start-up; until then the notices use switches of their own (both hints on,
// nothing announced, nothing saved) and a Yes/No message box in place of the hint dialog.
struct MapNoticeHooks {
    BYTE* m_pTooOldHint = nullptr;
    BYTE* m_pUpdateHint = nullptr;
    BYTE* m_pLoadWithHost = nullptr;
    DWORD* m_pAnnouncedMapVersion = nullptr;
    DWORD* m_pAnnouncedPluginVersion = nullptr;
    void (*m_pfnSaveSettings)() = nullptr;
    void (*m_pfnRegisterDemandLoad)() = nullptr;
    void (*m_pfnUnregisterDemandLoad)() = nullptr;
    // Shows the hint dialog with the text and an unticked do-not-show box; returns IDOK for "是" or another
    // close, and the box's state through doNotShow.
    int (*m_pfnHintDialog)(const CString& text, int* doNotShow) = nullptr;
};
void SetMapNoticeHooks(const MapNoticeHooks& hooks);
// Forgets the install-data cache and the notice flags: a new load of the plug-in.
void ResetMapAppLoadState();
DWORD CachedMapAppVersion();

int StartMapApp();
bool CheckMapAppReady();
int ShowMapAppTooOld();
int ShowPluginUpdate(const CString& changes, int newVersion);
int ShowHintAndOpen(BYTE* pSwitch, const CString& text, const CString& url);
void RunProgram(const WCHAR* path, HWND owner);
