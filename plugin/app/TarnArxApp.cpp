#include "plugin/app/TarnArxApp.h"

#include <cstring>
#include <string>

#include "plugin/core/HostEnv.h"
#include "plugin/app/MessageDlg.h"
#include "plugin/core/Settings.h"
#include "plugin/app/ToolBar.h"
#include "plugin/arxutil/AppDirectoryUtil.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/BaseMapState.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/core/RasterImage.h"
#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/cutil/cutil.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/exchange/ExchangeState.h"
#include "plugin/core/EditorView.h"
#include "plugin/exchange/DocLockOps.h"
#include "plugin/exchange/EntPropertyDlg.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

#ifndef CS_GLOBALCLASS
#define CS_GLOBALCLASS 0x4000
#endif

// ---- Process-wide objects, constructed when the module is loaded (the shared flags and mailboxes are the
// core's, PluginState.h) ----
CTarnArxApp theApp;

namespace {

constexpr int kFolderPathLimit = 191;  // characters; longer folders break the paths built under it
constexpr ULONGLONG kMinFreeGiB = 2;
constexpr int kToolBarFromRight = 235;
constexpr int kToolBarTop = 70;
constexpr DWORD kFollowInterval = 500;

std::string ToUtf8(const CString& text, int maxBytes) {
    std::string utf8(size_t(maxBytes) + 1, '\0');
    CStringToMultiByte(text, utf8.data(), maxBytes + 1, maxBytes);
    utf8.resize(strnlen(utf8.c_str(), utf8.size()));
    return utf8;
}

// The commands of the group, as the registry lists them.
struct CommandEntry {
    const char16_t* name;
    AcRxFunctionPtr function;
};
constexpr CommandEntry kCommands[] = {
    {u"TARN", &TarnCommand},
    {u"CLEARMAP", &ClearMapCommand},
    {u"MATCHTARN", &MatchTarnCommand},
    {u"test", &TestCommand},
};

void RegisterMessageWindowClass() {
    WNDCLASSW wc{};
    if (!GetClassInfoW(AfxGetInstanceHandle(), WC_DIALOG, &wc)) {
        return;
    }
    wc.lpszClassName = kMessageWindowClass;
    wc.style = CS_GLOBALCLASS;
    AfxRegisterClass(&wc);
}

// The image colour: the complement of what index 7 shows, so map images read on the drawing's background.
void SetImageColor() {
    const DWORD rgb = acedGetRGB(7);
    g_ImageColor.setColorMethod(AcCmEntityColor::kByColor);
    g_ImageColor.setRGB(static_cast<Adesk::UInt8>(255 - (rgb & 0xFF)),
                        static_cast<Adesk::UInt8>(255 - ((rgb >> 8) & 0xFF)),
                        static_cast<Adesk::UInt8>(255 - ((rgb >> 16) & 0xFF)));
}

void OfferMenuEntry() {
    const std::string text = ToUtf8(kMenuEntryText, 256);
    MapApiSetMenuEntry(&g_MapApiLink, 1, text.c_str(), 1);
}

}  // namespace

// ---- Entry ----

AcRx::AppRetCode CTarnArxApp::On_kInitAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxArxApp::On_kInitAppMsg(pkt);
    acrxDynamicLinker->unlockApplication(pkt);
    acrxDynamicLinker->registerAppMDIAware(pkt);
    if (!CheckFolderUsable(CString())) {
        return AcRx::kRetError;
    }
    InitApplication();
    return result;
}

AcRx::AppRetCode CTarnArxApp::On_kUnloadAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxArxApp::On_kUnloadAppMsg(pkt);
    // After a refused start-up nothing was made, and nothing may be torn down (the cache root is unknown).
    if (m_bInitialised) {
        UnloadApplication();
    }
    return result;
}

bool CheckFolderUsable(const CString& folder) {
    CString path = folder;
    if (path.IsEmpty()) {
        path = CAppDirectoryUtil::GetCurrentDirectory(AfxGetInstanceHandle());
    }
    if (path.GetLength() >= kFolderPathLimit) {
        AfxMessageBox(u"插件所在的路径太长，请移到其他目录再加载。");
        return false;
    }
    const std::string testFile = ToUtf8(path + u"\\t__Arx.txt", 1000);
    if (WriteFileData(testFile.c_str(), "test", 5) != 1) {
        DeleteFileU8(testFile.c_str());  // a short write may leave the file behind
        AfxMessageBox(u"该目录没有读写权限！请将插件移到其他目录！");
        return false;
    }
    DeleteFileU8(testFile.c_str());
    ULARGE_INTEGER freeToCaller{};
    // An unreadable count says nothing about the space: the check is skipped.
    if (GetDiskFreeSpaceExW(path.Left(3), &freeToCaller, nullptr, nullptr) &&
        (freeToCaller.QuadPart >> 30) < kMinFreeGiB) {
        return AfxMessageBox(u"插件所在的磁盘空间不足，是否切换到其他目录再加载？", MB_YESNO) != IDYES;
    }
    return true;
}

void CTarnArxApp::InitApplication() {
    SaveViewVariables();
    ResetMapAppLoadState();
    RegisterPluginCallbacks();
    InitDebugLog();
    g_nProgressMsg = RegisterWindowMessageW(u"TARN_API_MSG_GET_MAP_FILE_PROGRESS");
    RegisterMessageWindowClass();
    MapApiSetAppName(&g_MapApiLink, kMessageWindowClass);
    LoadSettings();
    HoldMapTempFolder(g_strMapTempRoot);
    WriteDebugLogF(u"TarnArx %d loading", static_cast<int>(kPluginVersion));

    // The two selection filters, then the reactors: the editor's, the document manager's, and one on every
    // open drawing's database.
    g_pSelectFilter = new CTarnSelectFilter;
    g_pHilightFilter = new CEntHilightReactor;
    g_pEditorReactor = new CEditorReactor;
    g_pEditorView = g_pEditorReactor;
    acedEditor->addReactor(g_pEditorReactor);
    g_pDocReactor = new CDocReactor;
    acDocManager->addReactor(g_pDocReactor);
    g_pDbReactor = new CDbReactor;
    AcApDocument* active = acDocManager->mdiActiveDocument();
    AcApDocumentIterator* it = acDocManager->newAcApDocumentIterator();
    for (; !it->done(); it->step()) {
        AcApDocument* doc = it->document();
        // Each drawing's links come from its own database.
        LoadDocumentLinks(doc);
        AttachDocReactors(doc);
    }
    delete it;
    // The timers and answers work on the active drawing, not on the last one read.
    g_DocSyncRegistry.m_pCurrent = g_DocSyncRegistry.GetDocState(active, false);

    CreateToolBarWnd();
    SetImageColor();
    if (!acrxDynamicLinker->loadModule(u"acISMobj17.dbx", true)) {
        AfxMessageBox(u"无法加载acISMobj17.dbx\n");
    }

    if (g_pMessageDlg == nullptr) {
        CAcModuleResourceOverride resources;
        g_pMessageDlg = new CMessageDlg;
        if (!g_pMessageDlg->Create(kMessageDlgResource, nullptr)) {
            WriteDebugLog(u"the hidden message window could not be created");
            delete g_pMessageDlg;
            g_pMessageDlg = nullptr;
        }
    }
    if (g_pMessageDlg != nullptr) {
        g_pMessageDlg->ShowWindow(SW_HIDE);
        g_pMessageDlg->StartTimer(kTimerViewTrack);
    }
    if (g_Settings.m_nViewFollowMode == 2 || g_Settings.m_nViewFollowMode == 3) {
        MapApiSetFollowInterval(&g_MapApiLink, kFollowInterval);
    }

    if (StartMapApp() == 1) {
        OfferMenuEntry();
        if (g_Settings.m_bOnlineMap) {
            SetViewVariables(true);
            if (CDocSyncState* state = CurrentDocState()) {
                BaseMapOf(*state).Load();
            }
        }
    }

    if (g_pMessageDlg != nullptr) {
        g_pMessageDlg->StartTimer(kTimerImageFrame);
    }
    for (const CommandEntry& command : kCommands) {
        acedRegCmds->addCommand(kCommandGroup, command.name, command.name, ACRX_CMD_MODAL, command.function,
                                nullptr, -1, AfxGetInstanceHandle());
    }
    m_bInitialised = true;
    WriteDebugLog(u"TarnArx loaded");
}

void CTarnArxApp::UnloadApplication() {
    WriteDebugLog(u"TarnArx unloading");
    // The window goes first: its timers and answers read the reactors and the drawings' states.
    if (g_pMessageDlg != nullptr) {
        g_pMessageDlg->SendMessage(WM_CLOSE);
    }
    // Links not yet written reach their drawings now: a drawing saved after the unload keeps them, and its
    // entities are not sent again as new map objects.
    g_bEchoFlag = 1;
    g_DocSyncRegistry.SaveAllXData();
    g_bEchoFlag = 0;
    g_Settings.m_bOnlineMap = 0;
    // Tiles still shown would point into the cache about to be deleted.
    AcApDocumentIterator* it = acDocManager->newAcApDocumentIterator();
    for (; !it->done(); it->step()) {
        if (CDocSyncState* state = g_DocSyncRegistry.GetDocState(it->document(), false)) {
            BaseMapOf(*state).Detach();
        }
    }
    delete it;
    if (!g_strMapTempRoot.IsEmpty()) {
        DeleteMapTempFolder(g_strMapTempRoot);  // gives up this plug-in's hold on the cache first
    }

    acedRegCmds->removeGroup(kCommandGroup);
    if (g_pEditorReactor != nullptr) {
        acedEditor->removeReactor(g_pEditorReactor);
        g_pEditorView = nullptr;
        delete g_pEditorReactor;
        g_pEditorReactor = nullptr;
    }
    if (g_pDocReactor != nullptr) {
        acDocManager->removeReactor(g_pDocReactor);
        delete g_pDocReactor;
        g_pDocReactor = nullptr;
    }
    it = acDocManager->newAcApDocumentIterator();
    for (; !it->done(); it->step()) {
        DetachDocReactors(it->document());
    }
    delete it;
    delete g_pDbReactor;
    delete g_pSelectFilter;
    // The rollover filter goes too: detached and kept, it would be lost memory at every unload.
    delete g_pHilightFilter;
    g_pSelectFilter = nullptr;
    g_pHilightFilter = nullptr;
    g_pDbReactor = nullptr;

    DestroyToolBarWnd();
    DestroySetCoorDlg();
    MapApiSetMenuEntry(&g_MapApiLink, 0, "", 1);

    // The states would otherwise outlive the host's drawings until the module's static destruction.
    g_DocSyncRegistry.ClearAll();
    g_WholeViewImages.clear();
    g_WholeViewFiles.clear();
    g_idIconImageDef = AcDbObjectId();
    g_nRegistered = 0;
    g_UpdateNotice = CUpdateNotice();
    m_bInitialised = false;
}

void RegisterPluginCallbacks() {
    g_PluginCallbacks.switchOnlineMap = SwitchOnlineMap;
}

void ResetPluginState() {
    ResetMapLinkState();
    ResetCoreState();
    ResetExchangeState();
    ResetBaseMapState();
    g_WholeViewRequestView = ViewRectInfo();
    std::vector<BYTE>().swap(g_KeptViewAnswer);
    g_bZoomFirstUse = 1;
    g_bZoomAsked = 0;
    RegisterPluginCallbacks();
}

// ---- Commands ----

void TarnCommand() {
    CAcModuleResourceOverride resources;
    const POINT at{GetSystemMetrics(SM_CXSCREEN) - kToolBarFromRight, kToolBarTop};
    FloatToolBar(at);
}

void ClearMapCommand() {
    ClearMapImages(acdbHostApplicationServices()->workingDatabase());
}

void MatchTarnCommand() {
    MatchMapZoom();
}

void TestCommand() {}
