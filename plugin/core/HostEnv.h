// Small operations on the host environment shared by several parts of the plug-in: the zoom match with the
// map application, the host variables set while the base map is shown, the demand-load registration, the
// user's folders, the tile cache removal, and two geometric tests.
#pragma once

#include "platform/arx/arxheaders.h"
#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"

struct CViewVarBackup {
    BYTE m_nRtDisplay = 0;
    BYTE m_bGraphicsOption = 1;
    DWORD m_unused = 0;
    int32_t m_nZoomFactor = 60;
    BYTE m_bReapply = 1;  // set at the start of QUIT; the base map's layout applies its values again
};
extern CViewVarBackup g_ViewVarBackup;

// The zoom match: set while the 20301 answer is awaited, and the image size it stores.
extern BYTE g_bZoomMatch;
extern int32_t g_nMapImageWidth;
extern int32_t g_nMapImageHeight;
// The backup and the zoom match of a fresh load.
void ResetHostEnvState();

void MatchMapZoom();
void SaveViewVariables();
void SetViewVariables(bool bBaseMapViewing);
void RegisterDemandLoad();
void UnregisterDemandLoad();
CString GetLocalAppDataFolder();
CString GetTempFolder();
// Deletes folder + "\\MapTemp" with everything in it; never anything outside the cache root, and nothing for
// an empty folder or a drive root.
void DeleteMapTempFolder(const CString& folder);
// Whether two folders are one, however written (relative, "." and "..", trailing backslash, letter case);
// and whether one lies inside the other. For the cache root's change: the old cache is deleted only when it
// is neither the new one nor holds it.
bool IsSameFolder(const CString& a, const CString& b);
bool IsFolderWithin(const CString& inner, const CString& outer);
bool IsValidGaussEasting(double x);
bool PolygonContainsPoints(const AcGePoint3dArray& polygon, const AcGePoint3dArray& points);
// Hands a text to the host's main window for its command line (WM_COPYDATA, dwData 1, the UTF-16 text with
// its NUL); true when the host took it.
bool SendTextToHost(const CString& text);
