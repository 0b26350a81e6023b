#include "plugin/app/MessageDlg.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/core/HostEnv.h"
#include "plugin/core/Settings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/app/ToolBar.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/cutil/cutil.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/exchange/EntityBuilders.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/exchange/ReceiveRoad.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/mapreq.h"
#include "plugin/maplink/mapwire.h"

CMessageDlg* g_pMessageDlg = nullptr;
std::vector<BYTE> g_KeptViewAnswer;

HWND CMessageDlg::WindowHandle() const {
    return GetSafeHwnd();
}

namespace {

static_assert(sizeof(MapListEntry) == kMapListEntrySize);

// A UTF-8 text field that ends at its NUL or at the end of the field, whichever comes first.
CString Utf8Field(const BYTE* data, size_t maxBytes) {
    const char* text = reinterpret_cast<const char*>(data);
    return MultiByteToCString(std::string(text, strnlen(text, maxBytes)).c_str());
}

bool ViewMoved(const ViewRectInfo& a, const ViewRectInfo& b) {
    return std::fabs(a.minX - b.minX) > 0.1 || std::fabs(a.minY - b.minY) > 0.1 ||
           std::fabs(a.maxX - b.maxX) > 0.1 || std::fabs(a.maxY - b.maxY) > 0.1;
}

CBaseMapLayer* CurrentBaseMap() {
    CDocSyncState* state = CurrentDocState();
    return state != nullptr ? &BaseMapOf(*state) : nullptr;
}

}  // namespace

// In the order the window procedure tests them; a code not listed goes straight to the base procedure.
const CMessageDlg::CopyDataRoute CMessageDlg::s_copyDataRoutes[] = {
    {20001, 24, false, false, &CMessageDlg::OnPickedPoint},
    {20112, 0, false, false, &CMessageDlg::OnSendAnswer},
    {20110, sizeof(MapPacketHead) + sizeof(MapObjHeader), false, false, &CMessageDlg::OnSelection},
    {20401, 4, false, false, &CMessageDlg::OnMenuEntryState},
    {20203, sizeof(MapUpdateAnswer), false, false, &CMessageDlg::OnUpdateAnswer},
    {20402, 0, false, false, &CMessageDlg::OnSendToCad},
    {20009, 0, false, false, &CMessageDlg::OnNothing},
    {20211, sizeof(MapGridOriginAnswer), true, false, &CMessageDlg::OnGridOrigin},
    {20012, sizeof(MapViewStateAnswer), true, true, &CMessageDlg::OnMapViewState},
    {20212, 0, true, false, &CMessageDlg::OnResolutions},
    {20302, sizeof(MapFileRequest), true, false, &CMessageDlg::OnMapFile},
    {20301, 1, false, false, &CMessageDlg::OnRenderedView},
    {20105, 1, false, false, &CMessageDlg::OnFolderFound},
    {20101, 0, false, false, &CMessageDlg::OnFolderChecked},
    {20100, 1, false, false, &CMessageDlg::OnFolderList},
    {20201, 4, false, false, &CMessageDlg::OnAssocPointsAnswer},
    {20202, sizeof(MapCoordStateAnswer), false, false, &CMessageDlg::OnCoordState},
};

const CMessageDlg::TimerRoute CMessageDlg::s_timerRoutes[] = {
    {kTimerMenuEntry, 5000, true, &CMessageDlg::OnMenuEntryTimer},
    {kTimerCoordState, 0, false, &CMessageDlg::OnCoordStateTimer},
    {kTimerHatchEnd, 300, false, &CMessageDlg::OnHatchEndTimer},
    {kTimerUpdateCheck, 5000, true, &CMessageDlg::OnUpdateCheckTimer},
    {kTimerEchoOff, 100, false, &CMessageDlg::OnEchoOffTimer},
    {kTimerViewTrack, 500, true, &CMessageDlg::OnViewTrackTimer},
    {kTimerFlushRequests, 300, true, &CMessageDlg::OnFlushRequestsTimer},
    {kTimerImageFrame, 2000, false, &CMessageDlg::OnImageFrameTimer},
    {kTimerPendingImages, 10, false, &CMessageDlg::OnPendingImagesTimer},
    {kTimerCaptureRetry, 0, false, &CMessageDlg::OnCaptureRetryTimer},
};

const CMessageDlg::CopyDataRoute* CMessageDlg::FindCopyDataRoute(DWORD code) {
    for (const CopyDataRoute& route : s_copyDataRoutes) {
        if (route.code == code) {
            return &route;
        }
    }
    return nullptr;
}

const CMessageDlg::TimerRoute* CMessageDlg::FindTimerRoute(UINT_PTR id) {
    for (const TimerRoute& route : s_timerRoutes) {
        if (route.id == id) {
            return &route;
        }
    }
    return nullptr;
}

BEGIN_MESSAGE_MAP(CMessageDlg, CAcUiDialog)
ON_WM_CLOSE()
ON_WM_TIMER()
END_MESSAGE_MAP()

CMessageDlg::CMessageDlg() : CAcUiDialog(kMessageDlgResource) {
    g_MapAppState.m_bCheckPending = 0;
}

CMessageDlg::~CMessageDlg() = default;

BOOL CMessageDlg::OnInitDialog() {
    CAcUiDialog::OnInitDialog();
    StartTimer(kTimerMenuEntry);
    StartTimer(kTimerUpdateCheck);
    StartTimer(kTimerFlushRequests);
    return TRUE;
}

void CMessageDlg::OnClose() {
    DestroyWindow();
}

void CMessageDlg::OnCancel() {
    OnClose();
}

void CMessageDlg::PostNcDestroy() {
    CAcUiDialog::PostNcDestroy();
    if (g_pMessageDlg == this) {
        g_pMessageDlg = nullptr;
    }
    delete this;  // frees the payloads still queued with it
}

void CMessageDlg::StartTimer(UINT_PTR id, UINT periodMs) {
    const TimerRoute* route = FindTimerRoute(id);
    if (periodMs == 0 && route != nullptr) {
        periodMs = route->periodMs;
    }
    if (m_hWnd != nullptr && periodMs != 0) {
        SetTimer(id, periodMs);
        if (id == kTimerImageFrame) {
            m_bImageFramePending = true;
        }
    }
}

BOOL CMessageDlg::PostEntityArray(std::unique_ptr<AcDbObjectIdArray> ids) {
    if (ids == nullptr || m_hWnd == nullptr) {
        return FALSE;
    }
    const LPARAM token = m_nNextToken++;
    m_entityArrays[token] = std::move(ids);
    if (!PostMessage(WM_TARN_SEND_IDS, 0, token)) {
        m_entityArrays.erase(token);
        return FALSE;
    }
    return TRUE;
}

BOOL CMessageDlg::PostMarkerPoint(double x, double y) {
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    const LPARAM token = m_nNextToken++;
    m_markerPoints[token] = {x, y};
    if (!PostMessage(WM_TARN_MARKER, 0, token)) {
        m_markerPoints.erase(token);
        return FALSE;
    }
    return TRUE;
}

LRESULT CMessageDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TARN_SET_COOR) {
        ShowSetCoorDlg(GetToolBarWnd());
        return 1;
    }
    bool handled = false;
    OnPrivateMessage(message, wParam, lParam, &handled);
    if (!handled && message == WM_COPYDATA && wParam == kMapMsgWParam && lParam != 0) {
        bool rejected = false;
        m_pCopyData = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        OnMapCopyData(*m_pCopyData, &rejected);
        m_pCopyData = nullptr;
        if (rejected) {
            return 1;
        }
    }
    return CAcUiDialog::WindowProc(message, wParam, lParam);
}

LRESULT CMessageDlg::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
    *handled = true;
    switch (message) {
        case WM_TARN_UPDATE_NOTE:
            if (g_UpdateNotice.m_bPending) {
                ShowPluginUpdate(g_UpdateNotice.m_strText, static_cast<int>(g_UpdateNotice.m_nVersion));
                g_UpdateNotice.m_bPending = 0;
            }
            return 0;
        case WM_TARN_SEND_IDS: {
            // Only a token this window gave out names a payload; anything else posted here is ignored.
            auto it = m_entityArrays.find(lParam);
            if (it == m_entityArrays.end()) {
                return 0;
            }
            std::unique_ptr<AcDbObjectIdArray> ids = std::move(it->second);
            m_entityArrays.erase(it);
            if (ids->isEmpty()) {
                return 0;
            }
            // Without the map application the edit is kept, not dropped: it goes when the map is back.
            if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
                KeepUnsentEntities(*ids);
                return 0;
            }
            SendUnsentEntities();
            SendEntityArray(*ids);
            // The map application gone while it was being sent: the edit goes again when it is back.
            if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
                KeepUnsentEntities(*ids);
            }
            return 0;
        }
        case WM_TARN_MARKER: {
            auto it = m_markerPoints.find(lParam);
            if (it == m_markerPoints.end()) {
                return 0;
            }
            const auto [x, y] = it->second;
            m_markerPoints.erase(it);
            MapMarkObj* marker = MapApiNewMarker(&g_MapApiLink);
            if (marker == nullptr) {
                return 0;
            }
            marker->m_byCoordKind = 2;
            marker->m_dX = x;
            marker->m_dY = y;
            marker->m_nIcon = 4;
            marker->m_szName[0] = '\0';
            const AcDbObjectId id = CreateSignEntities(marker, nullptr, true);
            MapApiFreeObj(&g_MapApiLink, marker, kMapTypeMark);
            // A marker that could not be built has nothing to send.
            if (!id.isNull()) {
                auto ids = std::make_unique<AcDbObjectIdArray>(0, 8);
                ids->append(id);
                PostEntityArray(std::move(ids));
            }
            return 0;
        }
        case WM_TARN_FLUSH:
            if (AcApDocument* doc = acDocManager->curDocument()) {
                doc->transactionManager()->queueForGraphicsFlush();
                doc->transactionManager()->flushGraphics();
            }
            acedUpdateDisplay();
            return 0;
        case WM_TARN_ECHO_ON:
            g_bEchoFlag = 1;
            StartTimer(kTimerEchoOff);
            return 0;
        case WM_TARN_ECHO_OFF:
            StartTimer(kTimerEchoOff);
            return 0;
        case WM_TARN_RECEIVE:
            // Edits made while the map was closed reach it before anything comes back over them.
            SendUnsentEntities();
            g_bEchoFlag = 1;
            acedSetStatusBarProgressMeter(u"接收数据", 0, 100);
            // No answer is coming: the meter must not stay on the status bar.
            if (MapApiFetchSelection(&g_MapApiLink) < 0) {
                acedRestoreStatusBar();
            }
            return 0;
        default:
            break;
    }
    if (g_nProgressMsg != 0 && message == g_nProgressMsg) {
        if (CBaseMapLayer* baseMap = CurrentBaseMap()) {
            baseMap->ShowCaptureProgress(static_cast<int32_t>(lParam), static_cast<int32_t>(wParam));
        }
        return 0;
    }
    *handled = false;
    return 0;
}

LRESULT CMessageDlg::OnMapCopyData(const COPYDATASTRUCT& cds, bool* rejected) {
    const CopyDataRoute* route = FindCopyDataRoute(static_cast<DWORD>(cds.dwData & 0xFFFF));
    if (route == nullptr) {
        return 0;
    }
    const BYTE* data = static_cast<const BYTE*>(cds.lpData);
    const DWORD length = data != nullptr ? cds.cbData : 0;
    // A resolution table without a drawing and an empty folder list are ignored: they go on to the base
    // procedure as any message not handled, where the other codes' unmet conditions answer 1.
    const bool ignoredWhenUnmet = route->code == 20212 || route->code == 20100;
    if (length < route->minLength) {
        if (route->code == 20110) {
            acedRestoreStatusBar();
        }
        *rejected = !ignoredWhenUnmet;
        return 1;
    }
    if ((route->needsState && CurrentDocState() == nullptr) || (route->needsPlane && g_bLonLat)) {
        *rejected = !ignoredWhenUnmet;
        return 1;
    }
    *rejected = !(this->*route->handler)(data, length);
    return 0;
}

bool CMessageDlg::OnPickedPoint(const BYTE*, DWORD) {
    if (g_pSetCoorDlg != nullptr && g_pSetCoorDlg->GetSafeHwnd() != nullptr && m_pCopyData != nullptr) {
        g_pSetCoorDlg->SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        g_pSetCoorDlg->SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        g_pSetCoorDlg->SendMessage(WM_COPYDATA, kMapMsgWParam, reinterpret_cast<LPARAM>(m_pCopyData));
    }
    return true;
}

bool CMessageDlg::OnSendAnswer(const BYTE* data, DWORD length) {
    // The pairing sets the echo flag and moves the progress meter itself.
    PairSendAnswer(data, length / 64);
    return true;
}

bool CMessageDlg::OnSelection(const BYTE* data, DWORD length) {
    acedSetStatusBarProgressMeterPos(60);
    ReceiveMapObjects(data, length);
    return true;
}

bool CMessageDlg::OnMenuEntryState(const BYTE* data, DWORD) {
    g_nRegistered = ReadWire<DWORD>(data);
    return true;
}

bool CMessageDlg::OnUpdateAnswer(const BYTE* data, DWORD length) {
    KillTimer(kTimerUpdateCheck);
    MapUpdateAnswer answer;
    if (!ReadWireStruct(data, length, answer)) {
        return false;
    }
    const int32_t version = answer.m_nVersion;
    if (version > static_cast<int32_t>(kPluginVersion) && !g_UpdateNotice.m_bPending) {
        g_UpdateNotice.m_nValue = answer.m_nValue;
        g_UpdateNotice.m_nVersion = static_cast<DWORD>(version);
        g_UpdateNotice.m_strText = Utf8Field(data + sizeof answer, length - sizeof answer);
        g_UpdateNotice.m_bPending = 1;
        PostMessage(WM_TARN_UPDATE_NOTE);
    }
    return true;
}

bool CMessageDlg::OnSendToCad(const BYTE*, DWORD) {
    // Without a drawing the map's objects stay where they are, and the user learns why nothing came.
    if (DrawingOpen() && CheckMapAppReady()) {
        PostMessage(WM_TARN_RECEIVE);
    }
    return true;
}

bool CMessageDlg::OnNothing(const BYTE*, DWORD) {
    return true;
}

bool CMessageDlg::OnGridOrigin(const BYTE* data, DWORD length) {
    MapGridOriginAnswer answer;
    if (!ReadWireStruct(data, length, answer)) {
        return false;
    }
    CurrentBaseMap()->SetGridOrigin(AcGePoint3d(answer.m_dX, answer.m_dY, 0.0));
    return true;
}

bool CMessageDlg::OnMapViewState(const BYTE* data, DWORD length) {
    MapViewStateAnswer answer;
    if (!ReadWireStruct(data, length, answer)) {
        return false;
    }
    CBaseMapLayer* baseMap = CurrentBaseMap();
    const uint32_t previousMapId = baseMap->Grid().m_nMapId;
    baseMap->SetMapState(answer.m_nMapId, static_cast<int>(std::min<uint32_t>(answer.m_nLevel, 1000)));
    if (g_pEditorReactor != nullptr) {
        if (g_Settings.m_nViewFollowMode != 0 && g_pEditorReactor->m_bFirstViewState) {
            baseMap->OnMapViewState(answer, previousMapId);
        }
        g_pEditorReactor->m_bFirstViewState = 1;
    }
    return true;
}

bool CMessageDlg::OnResolutions(const BYTE* data, DWORD length) {
    CBaseMapLayer* baseMap = CurrentBaseMap();
    // The tables hold levels 1 to 28; records beyond them are ignored.
    const DWORD count = std::min<DWORD>(length / sizeof(MapResolutionRecord), kMaxTileLevel);
    for (DWORD i = 0; i < count; ++i) {
        const auto record = ReadWire<MapResolutionRecord>(data, size_t(i) * sizeof(MapResolutionRecord));
        baseMap->SetResolution(static_cast<int>(i) + 1, record.m_dX, record.m_dY);
    }
    return true;
}

bool CMessageDlg::OnMapFile(const BYTE* data, DWORD length) {
    // Every whole record of the answer: a multi-record answer loses none of its tiles.
    for (DWORD at = 0; at + sizeof(MapFileRequest) <= length; at += sizeof(MapFileRequest)) {
        MapFileRequest answer;
        std::memcpy(&answer, data + at, sizeof answer);
        OnMapFileRecord(answer);
    }
    return true;
}

void CMessageDlg::OnMapFileRecord(const MapFileRequest& answer) {
    CBaseMapLayer* current = CurrentBaseMap();
    if (current == nullptr) {
        return;
    }
    // Only files the plug-in asked for, by the id it sent and under the path it asked for, are taken; the
    // drawing that asked gets them, whichever drawing is current now. Anything else is never opened, inserted
    // or deleted.
    CString path;
    bool capture = false;
    CBaseMapLayer* asker = CBaseMapLayer::FindAsker(answer, &path, &capture, current);
    if (asker == nullptr) {
        WriteDebugLogF(u"map file answer ignored: id %I64d, status %d, path %s",
                       static_cast<long long>(answer.m_nId), static_cast<int>(answer.m_nStatus),
                       MultiByteToCString(RecordPath(answer).c_str()).GetString());
        return;
    }
    if (capture) {
        uint32_t retryMs = 0;
        if (asker->OnCaptureAnswer(answer, path, &retryMs)) {
            StartTimer(kTimerCaptureRetry, retryMs);
        }
        return;
    }
    if (answer.m_nStatus == 1 && answer.m_byWritten != 0 && g_Settings.m_bOnlineMap) {
        const bool inCommand = g_pEditorReactor != nullptr && g_pEditorReactor->m_bInCommand;
        asker->OnTileWritten(answer, path, asker == current, inCommand);
    } else if (answer.m_nStatus == -3) {
        // A tile's: asked again while the base map is on, dropped when it is off; never capture progress.
        const uint32_t tilePixels = asker->TilePixels();
        const bool tileSized = answer.m_nPixelWidth == tilePixels && answer.m_nPixelHeight == tilePixels;
        if (tileSized && g_Settings.m_bOnlineMap) {
            asker->RequeueRequest(answer);
        }
    } else {
        asker->OnTileError(answer.m_nStatus);
    }
}

bool CMessageDlg::OnRenderedView(const BYTE* data, DWORD length) {
    if (g_bZoomMatch) {
        // The zoom match reads only the picture's size; the flag goes whether or not the size came whole.
        g_bZoomMatch = 0;
        if (length >= offsetof(MapRenderedViewHead, m_nHeight) + sizeof(INT32)) {
            MapRenderedViewHead head{};
            std::memcpy(&head, data, std::min<size_t>(length, sizeof head));
            g_nMapImageWidth = head.m_nWidth;
            g_nMapImageHeight = head.m_nHeight;
        }
        return false;
    }
    if (!DrawingOpen()) {
        return true;  // a picture for no drawing: nothing failed to load, there is nowhere to put it
    }
    acedSetStatusBarProgressMeterPos(20);
    if (length <= sizeof(MapRenderedViewHead)) {
        return false;
    }
    InsertRenderedView(data, length);
    acedSetStatusBarProgressMeterPos(100);
    return true;
}

bool CMessageDlg::InsertRenderedView(const BYTE* data, DWORD length) {
    MapRenderedViewHead head;
    if (length <= sizeof head || !ReadWireStruct(data, length, head)) {
        return false;
    }
    const AcGePoint2d min(head.m_dMinX, head.m_dMinY);
    const AcGePoint2d max(head.m_dMaxX, head.m_dMaxY);
    const int error = InsertMapImage(data + sizeof head, length - sizeof head, min, max);
    if (error != 0) {
        acutPrintf(u"错误代码：%d(加载底图失败)！\n", error);
        return false;
    }
    if (const int32_t screenWidth = g_WholeViewRequestView.screenW; screenWidth > 0) {
        // Without a recorded view there is nothing to compare the picture with.
        double ratio = static_cast<double>(head.m_nWidth) / screenWidth;
        while (ratio > 1.5) {
            ratio /= 2.0;
        }
        if (ratio < 0.5) {
            acutPrintf(u"当前视图缩放比例可能太大，影响底图清晰度。\n");
        }
        // Not "otherwise": below a half the ratio line follows too, as it names the remedy.
        if (ratio < 0.95 || ratio > 1.05) {
            acutPrintf(u"当前获取的底图与视图比例为%.2f%%，请运行命令<MATCHTARN>后再加载底图会更加清晰！\n",
                       ratio * 100.0);
        }
    }
    return true;
}

int CMessageDlg::InsertKeptViewImage() {
    std::vector<BYTE> kept;
    kept.swap(g_KeptViewAnswer);  // the buffer is freed whatever happens
    const bool inserted = kept.size() > sizeof(MapRenderedViewHead) &&
                          InsertRenderedView(kept.data(), static_cast<DWORD>(kept.size()));
    return inserted ? 0 : 1;
}

bool CMessageDlg::OnFolderFound(const BYTE* data, DWORD length) {
    g_nFoundFolderId = 0;
    g_strLastFoundFolder.Empty();
    if (length < 16) {
        return true;
    }
    const DWORD count = (length - 16) / sizeof(MapListEntry);
    for (DWORD i = 0; i < count; ++i) {
        const auto entry = ReadWire<MapListEntry>(data, 16 + size_t(i) * sizeof(MapListEntry));
        if (entry.m_nType != kMapTypeFolder) {
            continue;
        }
        const CString name = Utf8Field(reinterpret_cast<const BYTE*>(entry.m_szName), sizeof entry.m_szName);
        if (name == g_strFolderToFind) {
            g_nFoundFolderId = entry.m_nId;
            g_strLastFoundFolder = name;
            break;
        }
    }
    return true;
}

bool CMessageDlg::OnFolderChecked(const BYTE* data, DWORD length) {
    g_nFoundFolderId = 0;
    if (length == 0) {
        return true;
    }
    g_strLastFoundFolder.Empty();
    if (length < sizeof(MapApiMsgHeader) || ReadWire<MapApiMsgHeader>(data).m_byObjType != kMapTypeFolder) {
        return true;
    }
    if (MapFolderObj* folder = MapApiParseFolder(&g_MapApiLink, data + 16, length - 16)) {
        g_nFoundFolderId = ReadWire<MapApiMsgHeader>(data).m_nObjectId;
        g_strLastFoundFolder = Utf8Field(reinterpret_cast<const BYTE*>(folder->m_szName), kMapNameBytes);
        MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    }
    return true;
}

bool CMessageDlg::OnFolderList(const BYTE* data, DWORD length) {
    g_MapFolderList.clear();
    if (length < 16) {
        return true;
    }
    const DWORD count = (length - 16) / sizeof(MapListEntry);
    for (DWORD i = 0; i < count; ++i) {
        const auto entry = ReadWire<MapListEntry>(data, 16 + size_t(i) * sizeof(MapListEntry));
        if (entry.m_nType == kMapTypeFolder) {
            g_MapFolderList.emplace_back(
                entry.m_nId, Utf8Field(reinterpret_cast<const BYTE*>(entry.m_szName), sizeof entry.m_szName));
        }
    }
    return true;
}

bool CMessageDlg::OnAssocPointsAnswer(const BYTE* data, DWORD) {
    const int32_t result = ReadWire<int32_t>(data);
    if (result == -1) {
        // The resend's own answer arrives inside it: one resend, never a chain of them.
        if (!m_bResendingAssoc) {
            m_bResendingAssoc = true;
            ResendAssocPoints(3);
            m_bResendingAssoc = false;
        }
    } else if (result == 0) {
        if (AcApDocument* doc = acDocManager->curDocument()) {
            g_bAfterClose = 1;
            g_MapAppState.m_strDrawingPath = doc->fileName();
            // Without an answer the flag would tie a much later one to this drawing.
            if (!AskCoordState()) {
                g_bAfterClose = 0;
            }
        }
    }
    return true;
}

bool CMessageDlg::OnCoordState(const BYTE* data, DWORD length) {
    MapCoordStateAnswer answer;
    if (!ReadWireStruct(data, length, answer)) {
        return false;
    }
    const BYTE* digest = answer.m_digest;
    const ULONGLONG key = DigestToKey63(digest);
    if (CBaseMapLayer* baseMap = CurrentBaseMap()) {
        baseMap->ChangeCoordKey(key);
    }
    const DWORD type = answer.m_nCoordType;
    g_nCoordType = type;
    g_bLonLat = type == 2 ? 1 : 0;
    g_MapAppState.m_strMapName = Utf8Field(data + sizeof answer, length - sizeof answer);
    g_MapAppState.m_nReceivedKey = key;
    g_MapAppState.m_nCoordType = type;
    g_MapAppState.m_bCoordKnown = 1;
    ++g_MapAppState.m_nAnswers;
    if (g_MapAppState.m_bCheckPending) {
        g_MapAppState.CheckMapStateDigest(m_hWnd);
        g_MapAppState.m_bCheckPending = 0;
    }
    if (g_bAfterClose && type != 2 && !g_MapAppState.m_strDrawingPath.IsEmpty()) {
        SaveFileMd5(g_MapAppState.m_strDrawingPath, digest);
    }
    g_bAfterClose = 0;
    return true;
}

void CMessageDlg::OnTimer(UINT_PTR id) {
    if (const TimerRoute* route = FindTimerRoute(id)) {
        if (!route->repeats) {
            KillTimer(id);
        }
        (this->*route->action)();
    }
}

void CMessageDlg::OnMenuEntryTimer() {
    MapApiSetMenuEntry(&g_MapApiLink, -1, nullptr, 1);
    if (g_nRegistered == 0) {
        char text[257] = {};
        CStringToMultiByte(kMenuEntryText, text, sizeof text, 256);
        MapApiSetMenuEntry(&g_MapApiLink, 1, text, 1);
    }
    // The map application is back (the requests above registered with it): the edits it missed go now.
    if (g_MapApiLink.m_nRegId != 0) {
        SendUnsentEntities();
    }
}

void CMessageDlg::OnCoordStateTimer() {
    // A check whose question gets no answer (none, a short one, a refusal) must not block every later one.
    if (!AskCoordState()) {
        g_MapAppState.m_bCheckPending = 0;
    }
}

void CMessageDlg::OnHatchEndTimer() {
    g_bHatchCommand = 0;
}

void CMessageDlg::OnUpdateCheckTimer() {
    MapApiCheckUpdate(&g_MapApiLink);
}

void CMessageDlg::OnEchoOffTimer() {
    g_bEchoFlag = 0;
}

void CMessageDlg::OnViewTrackTimer() {
    CBaseMapLayer* baseMap = CurrentBaseMap();
    // A drawing whose frames were never set up (open before the plug-in was loaded, or left within the two
    // seconds after it was made) has them set up once it is current, so that the base map comes to it too.
    if (baseMap != nullptr && !baseMap->IsEnabled() && g_Settings.m_bOnlineMap && !m_bImageFramePending) {
        StartTimer(kTimerImageFrame);
    }
    if (baseMap == nullptr || !baseMap->IsEnabled() || g_pEditorReactor == nullptr) {
        return;
    }
    CEditorReactor& editor = *g_pEditorReactor;
    if (ViewMoved(editor.m_viewRect, editor.m_lastViewRect)) {
        editor.m_viewRect = editor.m_lastViewRect;
        if (!baseMap->IsLoaded()) {
            baseMap->Load();
        } else {
            baseMap->Layout();
        }
        const int follow = g_Settings.m_nViewFollowMode;
        if ((follow == 1 || follow == 3) && FindWindowW(kMapAppWindowClass, nullptr) != nullptr) {
            editor.m_bFirstViewState = 0;
            ViewRectInfo view;
            CViewUtil::GetCurViewRect(view, 1.0);
            const int level = baseMap->GetLevel();
            MapApiMoveMapView(&g_MapApiLink, 0, static_cast<DWORD>(level), (view.minX + view.maxX) / 2.0,
                              (view.minY + view.maxY) / 2.0, 0, 2, 0);
        }
    }
    CViewUtil::GetCurViewRect(editor.m_lastViewRect, 1.0);
    editor.m_viewRect = editor.m_lastViewRect;
}

void CMessageDlg::OnFlushRequestsTimer() {
    if (CBaseMapLayer* baseMap = CurrentBaseMap()) {
        baseMap->FlushRequests();
    }
}

void CMessageDlg::OnImageFrameTimer() {
    m_bImageFramePending = false;
    CBaseMapLayer* baseMap = CurrentBaseMap();
    AcApDocument* doc = acDocManager->curDocument();
    if (baseMap == nullptr || doc == nullptr) {
        return;
    }
    acDocManager->sendStringToExecute(doc, u"IMAGEFRAME 1 ", true, false, true);
    acDocManager->sendStringToExecute(doc, u"IMAGEFRAME 0 ", true, false, true);
    acedRedraw(nullptr, 1);
    baseMap->Enable();
    // The start-up load came before the frames were set up and did nothing: the base map starts now.
    if (g_Settings.m_bOnlineMap && !baseMap->IsLoaded()) {
        baseMap->Load();
    }
}

void CMessageDlg::OnPendingImagesTimer() {
    if (CBaseMapLayer* baseMap = CurrentBaseMap()) {
        baseMap->InsertPendingImages();
    }
}

void CMessageDlg::OnCaptureRetryTimer() {
    CBaseMapLayer::RetryCaptures();
}
