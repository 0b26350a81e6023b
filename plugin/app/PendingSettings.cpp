// Temporary bodies of the settings and host-environment operations until their own files land: the record
// keeps its defaults and nothing is saved.
#include <cstring>

#include "plugin/app/HostEnv.h"
#include "plugin/app/Settings.h"

CSettingsRecord g_Settings = [] {
    CSettingsRecord record{};
    record.m_dViewScale1 = 1.0;
    record.m_dViewScale2 = 2.0;
    record.m_nRoundedValue = 1000;
    record.m_nIconSize = 60;
    record.m_nMaxLevel = 20;
    record.m_nTextLevel = 18;
    record.m_nVersion = kPluginVersion;
    record.m_bHintMapTooOld = 1;
    record.m_bHintPluginUpdate = 1;
    return record;
}();
CString g_strSettingsPath;
CString g_strMapTempRoot;
CMapAppState g_MapAppState;
BYTE g_bAfterClose = 0;
CViewVarBackup g_ViewVarBackup;
BYTE g_bZoomMatch = 0;
int32_t g_nMapImageWidth = 0;
int32_t g_nMapImageHeight = 0;

void LoadSettings() {}
bool SaveSettings() {
    return false;
}
bool SaveMapTempPath() {
    return false;
}
bool SaveFileMd5(const CString&, const BYTE*) {
    return false;
}
ULONGLONG ReadFileMd5(const CString&) {
    return 0;
}
void CMapAppState::StartDocumentCheck(const CString&, UINT) {}
void CMapAppState::CheckMapStateDigest(HWND) {}

ULONGLONG DigestToKey63(const BYTE digest[16]) {
    ULONGLONG key = 0;
    std::memcpy(&key, digest, sizeof key);
    return key & 0x7FFFFFFFFFFFFFFFull;
}

void MatchMapZoom() {}
void SaveViewVariables() {}
void SetViewVariables(bool) {}
void RegisterDemandLoad() {}
void UnregisterDemandLoad() {}
CString GetLocalAppDataFolder() {
    return CString();
}
CString GetTempFolder() {
    return CString();
}
void DeleteMapTempFolder(const CString&) {}
bool IsValidGaussEasting(double) {
    return false;
}
bool PolygonContainsPoints(const AcGePoint3dArray&, const AcGePoint3dArray&) {
    return false;
}
