// The toolbar window, its toolbar and the commands of its buttons.
#include "plugin/app/ToolBar.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "platform/mfc/acui.h"
#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/app/DlgSetting.h"
#include "plugin/core/HostEnv.h"
#include "plugin/core/Settings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/arxutil/SelectUtil.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/basemap/PngImage.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/core/PointIcon.h"
#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/core/RasterImage.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

ViewRectInfo g_WholeViewRequestView;
CAcToolBarWnd* g_pToolBarWnd = nullptr;
BYTE g_bZoomFirstUse = 1;
BYTE g_bZoomAsked = 0;

namespace {

constexpr UINT kButtons[] = {ID_TARN_SEND, ID_TARN_ONLINE_MAP, ID_TARN_DOWNLOAD, ID_TARN_SET_COOR,
                             ID_TARN_SETTINGS};
constexpr UINT kBitmaps[] = {IDB_TOOLBAR_SEND,   IDB_TOOLBAR_MAP_ON,   IDB_TOOLBAR_DOWNLOAD,
                             IDB_TOOLBAR_POINTS, IDB_TOOLBAR_SETTINGS, IDB_TOOLBAR_MAP_OFF};
constexpr int kOnlineMapButton = 1;
constexpr int kFloatFromRight = 275;
constexpr int kFloatTop = 70;
constexpr int kMeterThreshold = 100;  // more icons than this show the progress meter
constexpr UINT kSetCoorDlgResource = 8115;
constexpr int kSetCoorInfoText = 8107;

constexpr const char16_t* kTextLonLatRefused = u"Zavrel当前的坐标系为经纬度，不支持该操作！";
constexpr const char16_t* kTextCaptureBusy = u"\n当前系统正在进行取图(耗时)，无法进行在线加载地图！";
constexpr const char16_t* kTextCoorInfo = u"当前Zavrel地图系统坐信息：\r\n";
constexpr const char16_t* kTextPickEntity = u"\n请选择一个实体：";
constexpr const char16_t* kTextResizeMeter = u"调整图标大小";
constexpr const char16_t* kTextOpenFailed = u"Wproc Update ICon ErrorCode:%d";
constexpr const char16_t* kTextViewMeter = u"加载底图";
constexpr const char16_t* kTextZoomQuestion =
    u"系统检测到CAD的缩放比例与Zavrel不一致，\r\n可能导致加载底图不清晰。是否设置？\r\n(您也可以通过命令<"
    u"MATCHTARN>手动设置。)";
constexpr const char16_t* kTextZoomAlways = u"是否为每个新启动的文档都添加该设置？";
constexpr short kMatchedZoomFactor = 100;
constexpr double kDefaultViewScale1 = 1.0;
constexpr double kDefaultViewScale2 = 2.0;
constexpr double kViewPixelsPerScreenPixel = 1.5;

AcDbDatabase* WorkingDatabase() {
    return acdbHostApplicationServices()->workingDatabase();
}

// The point icons are the images over the icon definition; tiles, captured maps and the whole-view image
// have definitions of their own and keep their geometry.
bool IsIconDefinition(AcDbDatabase* db, AcDbObjectId defId) {
    const AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(db);
    AcDbDictionary* dict = nullptr;
    if (dictId.isNull() || defId.isNull() || acdbOpenObject(dict, dictId, AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    AcString name;
    const bool named = dict->nameAt(defId, name) == Acad::eOk;
    dict->close();
    const CString iconName = g_strIconName.IsEmpty() ? CString(u"Icon") : g_strIconName;
    return named && iconName.CompareNoCase(name.kACharPtr()) == 0;
}

bool IsPointIcon(AcDbDatabase* db, AcDbObjectId imageId) {
    AcDbRasterImage* image = nullptr;
    if (acdbOpenObject(image, imageId, AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    const AcDbObjectId defId = image->imageDefId();
    image->close();
    return IsIconDefinition(db, defId);
}

// The whole view, widened by the scale, as one picture of (screen pixels x pixelFactor) pixels.
void RequestWholeView(double scale, bool squared) {
    if (WorkingDatabase() == nullptr || !CheckMapAppReady()) {
        return;
    }
    if (!g_MapAppState.m_bCheckPending && !g_bAfterClose) {
        MapApiGetCoordState(&g_MapApiLink);  // the answer comes nested and sets the longitude/latitude flag
    }
    if (g_bLonLat) {
        AfxMessageBox(kTextLonLatRefused);
        return;
    }
    AskZoomFactor();
    ViewRectInfo view;
    if (!CViewUtil::GetCurViewRect(view, scale) || view.screenW <= 0 || view.screenH <= 0) {
        return;
    }
    acedSetStatusBarProgressMeter(kTextViewMeter, 0, 100);
    g_WholeViewRequestView = view;
    const double factor = squared ? scale * scale : scale;
    const double pixels =
        static_cast<double>(view.screenW) * view.screenH * factor * kViewPixelsPerScreenPixel;
    const int result =
        MapApiRenderView(&g_MapApiLink, view.minX, view.minY, view.maxX, view.maxY,
                         static_cast<UINT64>(pixels), static_cast<DWORD>(g_Settings.m_nMaxLevel));
    // The answer has come (nested) or will not come: the meter goes either way.
    acedRestoreStatusBar();
    if (result < 0) {
        ShowApiError(result);
    }
}

// A scale of the settings that can widen a view: positive and finite, else its default.
double ViewScale(double scale, double fallback) {
    return std::isfinite(scale) && scale > 0.0 ? scale : fallback;
}

}  // namespace

// ---- Operations of the toolbar that no button carries ----

void RequestWholeViewImage() {
    RequestWholeView(ViewScale(g_Settings.m_dViewScale1, kDefaultViewScale1), false);
}

void RequestWholeViewImageAtSecondScale() {
    RequestWholeView(ViewScale(g_Settings.m_dViewScale2, kDefaultViewScale2), true);
}

void AskZoomFactor() {
    if (g_Settings.m_nMatchZoomFactor == 1 && g_bZoomFirstUse) {
        g_bZoomFirstUse = 0;
        MatchMapZoom();
    }
    resbuf value{};
    const bool known = acedGetVar(u"ZOOMFACTOR", &value) == RTNORM && value.restype == RTSHORT;
    const bool matched = known && value.resval.rint == kMatchedZoomFactor;
    if (g_bZoomAsked || (matched && g_Settings.m_nMatchZoomFactor != 0)) {
        return;
    }
    g_bZoomAsked = 1;
    if (AfxMessageBox(kTextZoomQuestion, MB_YESNO) != IDYES) {
        return;
    }
    MatchMapZoom();
    if (g_Settings.m_nMatchZoomFactor == 0 && AfxMessageBox(kTextZoomAlways, MB_YESNO) == IDYES) {
        g_Settings.m_nMatchZoomFactor = 1;
        SaveSettings();
    }
}

double PromptRegionMode() {
    constexpr double kDefault = 15.0;
    struct Keyword {
        const char16_t* name;
        double value;
    };
    static constexpr Keyword kKeywords[] = {{u"FullSize", 3.14}, {u"Create", 10.0}, {u"Select", 11.0}};
    acedInitGet(0, u"FullSize Create Select");
    double value = kDefault;
    const int status = acedGetReal(u"\nEnter a number or [FullSize/Create/Select] <15.0>: ", &value);
    if (status == RTKWORD) {
        ACHAR keyword[64] = {};
        acedGetInput(keyword, std::size(keyword));
        value = kDefault;
        for (const Keyword& k : kKeywords) {
            if (CString(keyword).CompareNoCase(k.name) == 0) {
                value = k.value;
            }
        }
        acutPrintf(u"\nReal    : %lf", value);
    } else if (status == RTNORM) {
        acutPrintf(u"\nReal    : %lf", value);
    } else if (status == RTNONE) {
        value = kDefault;
        acutPrintf(u"\nTake default rValue %lf", value);
    } else {
        value = kDefault;  // cancelled
    }
    return value;
}

int MapCodeRange(WORD code, WORD /*second*/) {
    if (code == 1071) {
        return 5010;
    }
    const int rest = code % 1000;
    return rest >= 500 ? 5005 : 5000 + rest / 100;
}

AcDbObjectId GetResImgDefIdLocked(const CString& name, UINT resourceId) {
    CDocWriteLock lock(acDocManager->curDocument());
    return lock.Locked() ? GetResImgDefId(name, resourceId) : AcDbObjectId();
}

AcDbObjectId GetFileImgDefIdLocked(const CString& name, const CString& imagePath) {
    CDocWriteLock lock(acDocManager->curDocument());
    return lock.Locked() ? GetRasterImgDefId(name, imagePath) : AcDbObjectId();
}

// ---- CAcToolBar ----

IMPLEMENT_DYNAMIC(CAcToolBar, CToolBar)

BEGIN_MESSAGE_MAP(CAcToolBar, CToolBar)
ON_WM_SIZE()
ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

void CAcToolBar::OnSize(UINT, int, int) {
    Default();
}

void CAcToolBar::OnShowWindow(BOOL, UINT) {
    Default();
}

void CAcToolBar::OnUpdateCmdUI(CFrameWnd*, BOOL) {
    CToolBar::OnUpdateCmdUI(nullptr, FALSE);
}

CAcToolBar* CAcToolBar::CreateToolBar(UINT, CWnd* owner, const char16_t* title) {
    CMDIFrameWnd* frame = acedGetAcadFrame();
    if (frame == nullptr) {
        return nullptr;
    }
    auto* bar = new CAcToolBar;
    const DWORD style =
        WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_ALIGN_BOTTOM | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC;
    if (!bar->CreateEx(frame, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT, style, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR)) {
        delete bar;
        return nullptr;
    }
    bar->m_pOwnerWnd = owner != nullptr ? owner : frame;
    bar->SetOwner(bar->m_pOwnerWnd);
    {
        CAcModuleResourceOverride resources;
        bar->m_imageList.Create(kToolBarButtonSize, kToolBarButtonSize, ILC_COLOR32 | ILC_MASK, 1, 1);
        for (UINT id : kBitmaps) {
            CBitmap bitmap;
            if (bitmap.LoadBitmap(id)) {
                bar->m_imageList.Add(&bitmap, nullptr);
            }
        }
        bar->SetButtons(kButtons, static_cast<int>(std::size(kButtons)));
        frame->EnableDocking(CBRS_ALIGN_ANY);
        bar->GetToolBarCtrl().SetImageList(&bar->m_imageList);
        bar->SetSizes(SIZE{kToolBarButtonSize, kToolBarButtonSize},
                      SIZE{kToolBarButtonSize, kToolBarButtonSize});
        SetOnlineMapButtonState(bar, g_Settings.m_bOnlineMap);
    }
    bar->EnableDocking(CBRS_ALIGN_ANY);
    if (title != nullptr) {
        bar->SetWindowText(title);
    }
    frame->FloatControlBar(bar, POINT{GetSystemMetrics(SM_CXSCREEN) - kFloatFromRight, kFloatTop},
                           CBRS_ALIGN_TOP);
    frame->ShowControlBar(bar, TRUE, TRUE);
    return bar;
}

void SetOnlineMapButtonState(CToolBar* toolBar, BYTE on) {
    if (toolBar == nullptr || toolBar->GetCount() <= kOnlineMapButton) {
        return;
    }
    UINT id = 0;
    UINT style = 0;
    int image = 0;
    toolBar->GetButtonInfo(kOnlineMapButton, id, style, image);
    toolBar->SetButtonInfo(kOnlineMapButton, id, style, on == 1 ? kImageOnlineMapOn : kImageOnlineMapOff);
}

// ---- CAcToolBarWnd ----

IMPLEMENT_DYNAMIC(CAcToolBarWnd, CWnd)

BEGIN_MESSAGE_MAP(CAcToolBarWnd, CWnd)
ON_WM_DESTROY()
ON_WM_CREATE()
ON_COMMAND(ID_TARN_SEND, &CAcToolBarWnd::OnSendSelection)
ON_COMMAND(ID_TARN_ONLINE_MAP, &CAcToolBarWnd::OnLoadOnlineMap)
ON_COMMAND(ID_TARN_DOWNLOAD, &CAcToolBarWnd::OnDownloadMap)
ON_COMMAND(ID_TARN_CLEAR_MAP, &CAcToolBarWnd::OnClearMap)
ON_COMMAND(ID_TARN_SET_COOR, &CAcToolBarWnd::OnSetCoorPoints)
ON_COMMAND(ID_TARN_PICK_ENTITY, &CAcToolBarWnd::OnPickEntity)
ON_COMMAND(ID_TARN_SETTINGS, &CAcToolBarWnd::OnSettings)
ON_WM_CLOSE()
END_MESSAGE_MAP()

CAcToolBarWnd::~CAcToolBarWnd() {
    delete m_pToolBar;  // when the window was never destroyed through DestroyWindow
    m_pToolBar = nullptr;
}

int CAcToolBarWnd::OnCreate(LPCREATESTRUCT) {
    if (Default() == -1) {
        return -1;
    }
    // Built in UTF-16 directly: the narrow buffer and its code-page round trip would add nothing.
    CString title;
    title.Format(u"Zavrel工具栏(V%d.%d.%d)", static_cast<int>(kPluginVersion / 100),
                 static_cast<int>(kPluginVersion % 100 / 10), static_cast<int>(kPluginVersion % 10));
    m_pToolBar = CAcToolBar::CreateToolBar(IDR_TOOLBAR_TARN, this, title);
    return 0;
}

void CAcToolBarWnd::OnDestroy() {
    Default();
    delete m_pToolBar;
    m_pToolBar = nullptr;
}

void CAcToolBarWnd::OnClose() {
    Default();
}

bool DrawingOpen() {
    if (WorkingDatabase() != nullptr && acDocManager->curDocument() != nullptr) {
        return true;
    }
    acutPrintf(u"\nNo drawing is open.");
    return false;
}

void CAcToolBarWnd::OnSendSelection() {
    if (!DrawingOpen() || !CheckMapAppReady()) {
        return;
    }
    // The answer comes nested and sets the longitude/latitude flag; without one nothing is sent.
    if (!RefreshCoordState()) {
        return;
    }
    if (g_bLonLat) {
        AfxMessageBox(kTextLonLatRefused);
        return;
    }
    if (WorkingDatabase() != nullptr) {
        SendSelectedEntities();
    }
}

void CAcToolBarWnd::OnLoadOnlineMap() {
    if (DrawingOpen()) {
        SwitchOnlineMap();
    }
}

void SwitchOnlineMap() {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr) {
        return;
    }
    if (!g_Settings.m_bOnlineMap && BaseMapOf(*state).CaptureItem().m_bMeterShown) {
        acutPrintf(kTextCaptureBusy);
        return;
    }
    g_Settings.m_bOnlineMap = g_Settings.m_bOnlineMap ? 0 : 1;
    if (g_pToolBarWnd != nullptr) {
        SetOnlineMapButtonState(g_pToolBarWnd->m_pToolBar, g_Settings.m_bOnlineMap);
    }
    SaveSettings();
    if (!g_Settings.m_bOnlineMap) {
        SetViewVariables(false);
        // Off means off in every open drawing: tiles left in another one would go into its file at its next
        // save (saves switch off only a base map that is on), pointing at a cache the plug-in deletes.
        AcApDocumentIterator* it = acDocManager->newAcApDocumentIterator();
        for (; it != nullptr && !it->done(); it->step()) {
            if (CDocSyncState* other = g_DocSyncRegistry.GetDocState(it->document(), false);
                other != nullptr && other != state && other->m_pBaseMap) {
                BaseMapOf(*other).PurgeImages();
            }
        }
        delete it;
        BaseMapOf(*state).PurgeImages();
    } else {
        SetViewVariables(true);
        BaseMapOf(*state).Load();
    }
}

void CAcToolBarWnd::OnDownloadMap() {
    if (!DrawingOpen()) {
        return;
    }
    if (CDocSyncState* state = CurrentDocState()) {
        BaseMapOf(*state).StartCapture();
    }
}

void CAcToolBarWnd::OnClearMap() {
    ClearMapImages(WorkingDatabase());
}

void CAcToolBarWnd::OnSetCoorPoints() {
    if (!DrawingOpen()) {
        return;
    }
    g_MapAppState.m_bCheckPending = 0;
    MapApiGetCoordState(&g_MapApiLink);
    ShowSetCoorDlg(this);
}

void ShowSetCoorDlg(CWnd*) {
    if (WorkingDatabase() == nullptr || !CheckMapAppReady()) {
        return;
    }
    if (g_pSetCoorDlg == nullptr) {
        auto* dialog = new CSetCoorDlg;
        CAcModuleResourceOverride resources;
        if (!dialog->Create(kSetCoorDlgResource, acedGetAcadFrame())) {
            delete dialog;
            return;
        }
        g_pSetCoorDlg = dialog;
    }
    g_pSetCoorDlg->ShowWindow(SW_SHOW);
    g_pSetCoorDlg->SetDlgItemText(kSetCoorInfoText, CString(kTextCoorInfo) + g_MapAppState.m_strMapName);
    acedPostCommandPrompt();
    g_pSetCoorDlg->UpdateData(FALSE);
}

// The picked entity is not used further: the command is a pick and nothing more.
void CAcToolBarWnd::OnPickEntity() {
    if (!CheckMapAppReady()) {
        return;
    }
    AcDbObjectId picked;
    ads_name set;
    Adesk::Int32 length = 0;
    if (acedSSGet(u"I", nullptr, nullptr, nullptr, set) == RTNORM) {
        if (acedSSLength(set, &length) == RTNORM && length > 0) {
            ads_name entity;
            if (acedSSName(set, length - 1, entity) == RTNORM) {
                acdbGetObjectId(picked, entity);
            }
        }
        acedSSFree(set);
    }
    if (length == 0) {
        ads_name entity;
        ads_point point;
        if (acedEntSel(kTextPickEntity, entity, point) == RTNORM) {
            acdbGetObjectId(picked, entity);
        }
    }
}

void CAcToolBarWnd::OnSettings() {
    const int32_t iconSize = g_Settings.m_nIconSize;
    {
        CAcModuleResourceOverride resources;  // the dialog and its help are the plug-in's resources
        CDlgSetting dialog;
        dialog.DoModal();
    }
    if (WorkingDatabase() != nullptr && iconSize != g_Settings.m_nIconSize) {
        PostMessage(WM_TARN_RESIZE_ICONS);
    }
}

LRESULT CAcToolBarWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TARN_RESIZE_ICONS) {
        ResizeIcons(true);
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CAcToolBarWnd::ResizeIconsWithoutProgress() {
    ResizeIcons(false);
}

void CAcToolBarWnd::ResizeIcons(bool showProgress) {
    AcDbDatabase* db = WorkingDatabase();
    AcApDocument* doc = acDocManager->curDocument();
    if (db == nullptr || doc == nullptr) {
        return;  // the drawing was closed while the message waited
    }
    m_ids.setLogicalLength(0);
    CDocWriteLock lock(doc);
    if (!lock.Locked()) {
        return;
    }
    CSelectUtil::GetEntityIdsByClass(AcDbRasterImage::desc(), m_ids);
    const int count = m_ids.length();
    const bool meter = showProgress && count > kMeterThreshold;
    if (meter) {
        acedSetStatusBarProgressMeter(kTextResizeMeter, 0, count);
    }
    const auto found = g_WholeViewImages.find(db);
    const AcDbObjectId wholeView = found != g_WholeViewImages.end() ? found->second : AcDbObjectId();
    const int size = g_Settings.m_nIconSize;
    for (int i = 0; i < count; ++i) {
        if (meter && i % 10 == 0) {
            acedSetStatusBarProgressMeterPos(i);
        }
        if (m_ids[i] == wholeView || !IsPointIcon(db, m_ids[i])) {
            continue;
        }
        AcDbRasterImage* image = nullptr;
        const Acad::ErrorStatus es = acdbOpenObject(image, m_ids[i], AcDb::kForWrite);
        if (es != Acad::eOk) {
            CString text;
            text.Format(kTextOpenFailed, static_cast<int>(es));
            AfxMessageBox(text);
            continue;
        }
        AcGePoint3d origin;
        AcGeVector3d u;
        AcGeVector3d v;
        image->getOrientation(origin, u, v);
        SetImgPointOrientation(image, AcGePoint3d(origin.x + u.x / 2.0, origin.y, origin.z), size);
        image->close();
    }
    if (meter) {
        acedRestoreStatusBar();
    }
}

// ---- The window's life ----

BOOL CreateToolBarWnd() {
    if (g_pToolBarWnd != nullptr) {
        if (g_pToolBarWnd->m_hWnd != nullptr && IsWindow(g_pToolBarWnd->m_hWnd)) {
            return TRUE;
        }
        delete g_pToolBarWnd;
        g_pToolBarWnd = nullptr;
    }
    auto* wnd = new CAcToolBarWnd;
    CMDIFrameWnd* frame = acedGetAcadFrame();
    if (!wnd->Create(nullptr, u"", WS_CHILD | WS_MINIMIZE | WS_TABSTOP, RECT{0, 0, 1, 1}, frame,
                     kToolBarWndId)) {
        delete wnd;
        return FALSE;
    }
    g_pToolBarWnd = wnd;
    return TRUE;
}

void DestroyToolBarWnd() {
    if (g_pToolBarWnd == nullptr) {
        return;
    }
    if (g_pToolBarWnd->m_hWnd != nullptr && IsWindow(g_pToolBarWnd->m_hWnd)) {
        g_pToolBarWnd->DestroyWindow();
    }
    delete g_pToolBarWnd;
    g_pToolBarWnd = nullptr;
}

CWnd* GetToolBarWnd() {
    if (g_pToolBarWnd == nullptr || g_pToolBarWnd->m_hWnd == nullptr || !IsWindow(g_pToolBarWnd->m_hWnd)) {
        return nullptr;
    }
    return g_pToolBarWnd;
}

bool FloatToolBar(const POINT& at) {
    if (GetToolBarWnd() == nullptr || g_pToolBarWnd->m_pToolBar == nullptr) {
        return false;
    }
    CAcToolBar* bar = g_pToolBarWnd->m_pToolBar;
    CFrameWnd* frame = bar->GetDockingFrame();
    if (frame == nullptr) {
        return false;
    }
    frame->FloatControlBar(bar, at, CBRS_ALIGN_TOP);
    frame->ShowControlBar(bar, TRUE, TRUE);
    return true;
}

// ---- Geometry ----

int PolygonOrientation(const AcGePoint3dArray& points) {
    const int n = points.length();
    if (n < 3) {
        return 0;
    }
    int right = 0;
    int left = 0;
    for (int i = 0; i < n; ++i) {
        const AcGePoint3d& a = points[i];
        const AcGePoint3d& b = points[(i + 1) % n];
        const AcGePoint3d& c = points[(i + 2) % n];
        const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
        if (cross < 0) {
            ++right;
        } else if (cross > 0) {
            ++left;
        }
    }
    return right > left ? 1 : (left > right ? -1 : 0);
}
