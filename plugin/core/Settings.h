// The plug-in's settings: one fixed-size record kept in memory and stored whole in the private settings file
// "TarnArx_setting.ini" in the user's local application-data folder, beside the cache root and the
// per-drawing FILE_MD5 entries; and the map application's coordinate state with the reopen check of a
// drawing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"
#include "plugin/core/MessageWindow.h"
#include "plugin/maplink/mapreq.h"  // kPluginVersion

// The record is the file format: every offset below is stored as is, little-endian.
struct CSettingsRecord {
    BYTE m_bAutoSync;            // 0: changes to linked entities are sent to the map application
    BYTE m_reserved1[7];         // 1
    double m_dViewScale1;        // 8: scale of the first whole-view image request (0.0 -> 1.0)
    double m_dViewScale2;        // 16: scale of the second request (0.0 -> 2.0)
    BYTE m_bPointAsIcon;         // 24: received points are shown as icons
    BYTE m_reserved2[3];         // 25
    int32_t m_nRoundedValue;     // 28: rounded to a multiple of 100 when the settings dialog opens
    int32_t m_nIconSize;         // 32: 240, 120, 60, 30 or 15
    int32_t m_nMaxLevel;         // 36: highest base-map level, 16 to 28 (0 -> 20)
    int32_t m_nMatchZoomFactor;  // 40: match ZOOMFACTOR for every new drawing
    int32_t m_nColorByLayer;     // 44: received objects take colour ByLayer
    int32_t m_nTextLevel;        // 48: level of received texts that carry none, 0 to 28 (0 -> 18 at load)
    uint32_t m_nVersion;         // 52: version of the plug-in that last wrote the record
    int32_t m_nViewFollowMode;   // 56: 0 none, 1 map follows drawing, 2 drawing follows map, 3 both
    BYTE m_bHintMapTooOld;       // 60: show the notice that the map application is too old
    BYTE m_bHintPluginUpdate;    // 61: show the notice of a newer plug-in
    BYTE m_bHideSkippedList;     // 62: do not list skipped exploded folders after a receive
    BYTE m_bDblClickProperty;    // 63: double-click on a linked entity opens its property dialog
    BYTE m_bLoadWithHost;        // 64: demand-load registration
    BYTE m_bOnlineMap;           // 65: online base map on
    BYTE m_reserved3[2];         // 66
    uint32_t m_nAnnouncedMapVersion;     // 68: map-application requirement already announced
    uint32_t m_nAnnouncedPluginVersion;  // 72: newest plug-in version already announced
    BYTE m_reserved4[84];                // 76..159: kept as read
};
static_assert(sizeof(CSettingsRecord) == 160);
static_assert(offsetof(CSettingsRecord, m_dViewScale1) == 8);
static_assert(offsetof(CSettingsRecord, m_dViewScale2) == 16);
static_assert(offsetof(CSettingsRecord, m_bPointAsIcon) == 24);
static_assert(offsetof(CSettingsRecord, m_nRoundedValue) == 28);
static_assert(offsetof(CSettingsRecord, m_nIconSize) == 32);
static_assert(offsetof(CSettingsRecord, m_nMaxLevel) == 36);
static_assert(offsetof(CSettingsRecord, m_nMatchZoomFactor) == 40);
static_assert(offsetof(CSettingsRecord, m_nColorByLayer) == 44);
static_assert(offsetof(CSettingsRecord, m_nTextLevel) == 48);
static_assert(offsetof(CSettingsRecord, m_nVersion) == 52);
static_assert(offsetof(CSettingsRecord, m_nViewFollowMode) == 56);
static_assert(offsetof(CSettingsRecord, m_bHintMapTooOld) == 60);
static_assert(offsetof(CSettingsRecord, m_bHintPluginUpdate) == 61);
static_assert(offsetof(CSettingsRecord, m_bHideSkippedList) == 62);
static_assert(offsetof(CSettingsRecord, m_bDblClickProperty) == 63);
static_assert(offsetof(CSettingsRecord, m_bLoadWithHost) == 64);
static_assert(offsetof(CSettingsRecord, m_bOnlineMap) == 65);
static_assert(offsetof(CSettingsRecord, m_nAnnouncedMapVersion) == 68);
static_assert(offsetof(CSettingsRecord, m_nAnnouncedPluginVersion) == 72);

extern CSettingsRecord g_Settings;
extern CString g_strSettingsPath;  // local application data + "\\TarnArx_setting.ini"
extern CString g_strMapTempRoot;   // cache root, no trailing backslash; tiles lie in its "\\MapTemp"
// The record, its path and the cache root of a fresh load (nothing read yet).
void ResetSettingsState();

// Fills the settings path, the record and the cache root (upgrade, defaults, the move of an older
// "setting.ini"), and points the map link's notices at the record.
void LoadSettings();
// Writes the whole record; false (and the previous file left whole) when it can't be written.
bool SaveSettings();
bool SaveMapTempPath();
bool SaveFileMd5(const CString& drawingPath, const BYTE digest[16]);
ULONGLONG ReadFileMd5(const CString& drawingPath);

// The map application's coordinate state, as its last 20202 answer reported it, and the reopen check.
class CMapAppState {
public:
    ULONGLONG m_nStoredKey = 0;    // from FILE_MD5 of the drawing being checked
    ULONGLONG m_nReceivedKey = 0;  // from the last 20202 answer
    CString m_strMapName;
    DWORD m_nCoordType = 0;  // 2 longitude/latitude, 4 Gauss-Krueger
    CString m_strDrawingPath;
    BYTE m_bCheckPending = 0;
    BYTE m_bCoordKnown = 0;  // a 20202 answer arrived since the load: m_nCoordType is the map's
    DWORD m_nAnswers = 0;    // 20202 answers read since the load: tells whether a request got its answer

    // Starts the reopen check of a drawing: timer 1001 on the hidden window after delayMs (none when 0).
    void StartDocumentCheck(const CString& drawingPath, UINT delayMs);
    // Ends it from the 20202 answer: posts WM_APP+50 to the window when the setting differs.
    void CheckMapStateDigest(HWND hMessageWnd);
};
extern CMapAppState g_MapAppState;
extern BYTE g_bAfterClose;  // set before the coordinate state is asked for at a close; cleared by the answer
// The coordinate state of a fresh load (no answer yet).
void ResetMapAppState();
// Asks the map application for its coordinate state; the answer comes inside the request or not at all. True
// when it came. A caller that waits for it (a reopen check, a close) ends its wait without it: it would wait
// for ever, and every later check would be skipped.
bool AskCoordState();
// Asks for the coordinate state before a send; false when no answer came now: a send into a map whose
// coordinates are not known (an earlier answer may be stale) must not go on a guess.
bool RefreshCoordState();

// The 63-bit key of a 16-byte digest: its first 8 bytes little-endian, top bit cleared.
ULONGLONG DigestToKey63(const BYTE digest[16]);
// Whether two 16-byte digests are equal, byte for byte.
bool DigestsEqual(const BYTE a[16], const BYTE b[16]);
