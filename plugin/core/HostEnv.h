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
// Makes a folder of the tile cache (a drawing's, a map's, a level's, "MapTemp" itself) and, when this call
// made it, marks it as the plug-in's with a file written in it; a folder that was there already is not
// marked. The clean-up knows the plug-in's folders by that mark alone.
void MakeCacheFolder(const CString& folder);
// Deletes what the plug-in made in folder + "\\MapTemp": the folders it marked as it made them, with the tile
// files in them, then "MapTemp" itself when the plug-in made it and nothing else is left. Nothing else there
// (a user's folders and files, however named), nothing through a link, nothing for an empty root, and
// nothing while another running plug-in uses the same cache. A drive root is a root like any other.
void DeleteMapTempFolder(const CString& folder);
// The cache is shared by every running plug-in of the same settings: each marks its use with a file
// "TarnArx_<process id>.lock" in folder + "\\MapTemp", held from load to unload (and moved with the root).
void HoldMapTempFolder(const CString& folder);
void ReleaseMapTempFolder(const CString& folder);
// Whether a running plug-in of another process holds the cache; locks of processes that ended go.
bool IsMapTempFolderInUse(const CString& folder);
// Whether two folders are one, however written (relative, "." and "..", trailing backslash, letter case);
// and whether one lies inside the other. For the cache root's change: the old cache is deleted only when it
// is neither the new one nor holds it.
bool IsSameFolder(const CString& a, const CString& b);
bool IsFolderWithin(const CString& inner, const CString& outer);
// The full form of a file path as the file system sees it ("." and ".." resolved, one separator, drive
// letter); empty for what is no plain local path: control characters, a network or device prefix, too long.
// Paths from the map application and names users type go through it before they are compared.
CString FullFilePath(const CString& path);
// Whether two paths name one file (full forms, letter case ignored as the file system ignores it).
bool IsSameFile(const CString& a, const CString& b);
// Whether the path lies strictly inside the folder (full forms).
bool IsPathWithin(const CString& path, const CString& folder);
// The cache root's one normal form, for every source of it (the settings file, the folder picker, the
// temporary folder): full, no trailing separator except a drive root's own ("C:\", also for "C:" alone),
// and equal to itself when made again; empty when it cannot be made full.
CString FullCacheRoot(const CString& folder);
// root + "\" + name, without doubling the separator of a drive root.
CString JoinFolder(const CString& root, const char16_t* name);
bool IsValidGaussEasting(double x);
bool PolygonContainsPoints(const AcGePoint3dArray& polygon, const AcGePoint3dArray& points);
// Hands a text to the host's main window for its command line (WM_COPYDATA, dwData 1, the UTF-16 text with
// its NUL); true when the host took it.
bool SendTextToHost(const CString& text);
