// The plug-in's process-wide flags and the map application's answer mailboxes: values that the hidden
// window's handlers fill and the roads, the reactors and the base map read. Each lives here once, so that
// one reset gives a fresh load.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"

extern UINT g_nProgressMsg;                                     // "TARN_API_MSG_GET_MAP_FILE_PROGRESS"
extern CString g_strDrawingFolderName;                          // the current drawing's map folder
extern std::vector<std::pair<DWORD, CString>> g_MapFolderList;  // the 20100 answer: (id, name)
extern AcDbObjectId g_idIconImageDef;
extern CString g_strIconPath;
extern CString g_strIconName;
extern CString g_strFolderToFind;     // asked for with 20105
extern CString g_strLastFoundFolder;  // answered by 20105 and 20101
extern DWORD g_nFoundFolderId;

// The update notice of a newer plug-in: kept from the 20203 answer until it is shown.
struct CUpdateNotice {
    BYTE m_bPending = 0;
    DWORD m_nValue = 0;
    DWORD m_nVersion = 0;
    CString m_strText;
};
extern CUpdateNotice g_UpdateNotice;

// The plug-in's record in the host's per-document data. It holds nothing of its own: what a drawing needs
// lives in its CDocSyncState, found by the drawing's file name.
struct CDocData {};
extern AcApDataManager<CDocData> g_DocData;

extern BYTE g_bEchoFlag;      // while 1 the reactors pass no drawing change to the map application
extern DWORD g_nRegistered;   // the map application reports the plug-in's menu entry as present
extern BYTE g_bLonLat;        // the map application works in longitude/latitude
extern DWORD g_nCoordType;    // 2 longitude/latitude, 4 Gauss-Krueger; 2 before any answer
extern BYTE g_bHatchCommand;  // a HATCH command has just ended
// Set by the send roads while a send shows its progress, and while its folders are being created.
extern BYTE g_bSendProgress;
extern BYTE g_bFolderPhase;

// Calls the upper layers register at start-up (the toolbar's online-map switch belongs to the frame).
struct CPluginCallbacks {
    void (*switchOnlineMap)() = nullptr;
};
extern CPluginCallbacks g_PluginCallbacks;

// Gives every value of this folder (flags, mailboxes, settings, coordinate state, host-environment backup,
// raster-image tables, the drawings' sync states) its value of a fresh load. The registered calls stay.
void ResetCoreState();
