#include "plugin/core/PluginState.h"

#include "plugin/core/EditorView.h"
#include "plugin/core/HostEnv.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/core/RasterImage.h"
#include "plugin/core/Settings.h"
#include "plugin/core/SyncState.h"

// ---- Process-wide objects, constructed when the module is loaded ----
UINT g_nProgressMsg = 0;
CString g_strDrawingFolderName;
std::vector<std::pair<DWORD, CString>> g_MapFolderList;
AcDbObjectId g_idIconImageDef;
CString g_strIconPath;
CString g_strIconName;
CString g_strFolderToFind;
CString g_strLastFoundFolder;
DWORD g_nFoundFolderId = 0;
CUpdateNotice g_UpdateNotice;
AcApDataManager<CDocData> g_DocData;

BYTE g_bEchoFlag = 0;
DWORD g_nRegistered = 0;
BYTE g_bLonLat = 0;
DWORD g_nCoordType = 2;
BYTE g_bHatchCommand = 0;
BYTE g_bSendProgress = 0;
BYTE g_bFolderPhase = 0;

CEditorView* g_pEditorView = nullptr;
CPluginCallbacks g_PluginCallbacks;

void ResetCoreState() {
    g_nProgressMsg = 0;
    g_strDrawingFolderName.Empty();
    g_MapFolderList.clear();
    g_idIconImageDef = AcDbObjectId();
    g_strIconPath.Empty();
    g_strIconName.Empty();
    g_strFolderToFind.Empty();
    g_strLastFoundFolder.Empty();
    g_nFoundFolderId = 0;
    g_UpdateNotice = CUpdateNotice();
    g_bEchoFlag = 0;
    g_nRegistered = 0;
    g_bLonLat = 0;
    g_nCoordType = 2;
    g_bHatchCommand = 0;
    g_bSendProgress = 0;
    g_bFolderPhase = 0;

    ResetSettingsState();
    ResetMapAppState();
    ResetHostEnvState();
    ResetRasterImageState();
    ResetSyncState();
    ResetLinkRecordState();
}
