#include "plugin/basemap/BaseMapLayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "plugin/core/HostEnv.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/arxutil/LayerUtil.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/cutil/cutil.h"
#include "plugin/core/EditorView.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"
#include "plugin/maplink/mapwire.h"

namespace {

// Every live base map, so that an answer finds the drawing that asked for it.
std::set<CBaseMapLayer*>& LiveLayers() {
    static std::set<CBaseMapLayer*> layers;
    return layers;
}

int MaxLevel() {
    // The settings file may hold anything; the tables end at 28.
    return std::clamp<int>(g_Settings.m_nMaxLevel, 16, kMaxTileLevel);
}

// The base map zooms the view itself: the editor must not record that as the user's move.
void DisarmViewRecording() {
    if (g_pEditorView != nullptr) {
        g_pEditorView->m_bViewArmed = 0;
    }
}

// Every sync state made from now on holds a base map of this folder.
[[maybe_unused]] const bool g_makerRegistered =
    (SetDocBaseMapMaker([]() -> std::unique_ptr<CDocBaseMap> { return std::make_unique<CBaseMapLayer>(); }),
     true);

}  // namespace

void CTileKeySet::insert(uint64_t key) {
    const auto at = std::lower_bound(m_keys.begin(), m_keys.end(), key);
    if (at == m_keys.end() || *at != key) {
        m_keys.insert(at, key);
    }
}

void CTileKeySet::erase(uint64_t key) {
    const auto at = std::lower_bound(m_keys.begin(), m_keys.end(), key);
    if (at != m_keys.end() && *at == key) {
        m_keys.erase(at);
    }
}

void CTileKeySet::insertMany(std::vector<uint64_t> keys) {
    m_keys.insert(m_keys.end(), keys.begin(), keys.end());
    std::sort(m_keys.begin(), m_keys.end());
    m_keys.erase(std::unique(m_keys.begin(), m_keys.end()), m_keys.end());
}

CBaseMapLayer& BaseMapOf(CDocSyncState& state) {
    return static_cast<CBaseMapLayer&>(*state.m_pBaseMap);
}

CBaseMapLayer::CBaseMapLayer() {
    LiveLayers().insert(this);
}

CBaseMapLayer::~CBaseMapLayer() {
    // Memory only: the drawing may already be gone. Detach takes the tiles and the layer while it lives.
    LiveLayers().erase(this);
}

bool CBaseMapLayer::HoldsPath(const CString& path) const {
    // Full forms on both sides: "<cache>\\..\\..\\x" begins with the cache's text and lies outside it.
    return !m_grid.m_strCacheFolder.IsEmpty() && IsPathWithin(path, m_grid.m_strCacheFolder);
}

bool CBaseMapLayer::AskedFor(const MapFileRequest& answer, CString* askedPath, bool* capture) const {
    CString asked;
    bool isCapture = false;
    if (m_captureItem.m_bRunning && m_captureItem.m_nId != 0 && answer.m_nId == m_captureItem.m_nId) {
        asked = m_captureItem.m_strPath;
        isCapture = true;
    } else if (auto it = m_askedFiles.find(answer.m_nId); it != m_askedFiles.end()) {
        asked = it->second;
    } else {
        return false;
    }
    // The answer must name the very file asked for under that id, however it spells it.
    const CString named = MultiByteToCString(RecordPath(answer).c_str());
    if (!IsSameFile(named, asked)) {
        return false;
    }
    *askedPath = asked;
    *capture = isCapture;
    return true;
}

CBaseMapLayer* CBaseMapLayer::FindAsker(const MapFileRequest& answer, CString* askedPath, bool* capture,
                                        CBaseMapLayer* preferred) {
    // Drawings without a file name share a folder: the current one takes what it asked for first.
    if (preferred != nullptr && preferred->AskedFor(answer, askedPath, capture)) {
        return preferred;
    }
    for (CBaseMapLayer* layer : LiveLayers()) {
        if (layer != preferred && layer->AskedFor(answer, askedPath, capture)) {
            return layer;
        }
    }
    return nullptr;
}

void CBaseMapLayer::RetryCaptures() {
    std::vector<CBaseMapLayer*> due;
    for (CBaseMapLayer* layer : LiveLayers()) {
        if (layer->m_bCaptureRetryDue) {
            due.push_back(layer);
        }
    }
    for (CBaseMapLayer* layer : due) {
        layer->m_bCaptureRetryDue = false;
        if (layer->m_captureItem.m_bRunning) {
            layer->RequestCaptureImage(20);
        }
    }
}

void CBaseMapLayer::Detach() {
    PurgeImages();
    if (m_mapLayerId.isValid() && m_pDb != nullptr) {
        AcApDocument* doc = acDocManager->document(m_pDb);
        CDocWriteLock lock(doc);
        if (doc == nullptr || lock.Locked()) {
            CLayerUtil::Erase(m_mapLayerId);
        }
    }
    m_mapLayerId = AcDbObjectId();
    m_pDb = nullptr;
    m_bLoaded = false;
    m_askedFiles.clear();
}

void CBaseMapLayer::Unload() {
    PurgeImages();
    m_bLoaded = false;
}

void CBaseMapLayer::SetGridOrigin(const AcGePoint3d& origin) {
    m_grid.m_ptReference = origin;
}

void CBaseMapLayer::SetMapState(uint32_t mapId, int startLevel) {
    m_grid.m_nMapId = mapId;
    m_grid.m_nStartLevel = startLevel;
}

void CBaseMapLayer::SetResolution(int level, double x, double y) {
    if (level >= 1 && level <= kMaxTileLevel) {
        m_dResolutionX[level] = x;
        m_dResolutionY[level] = y;
    }
}

double CBaseMapLayer::ResolutionX(int level) const {
    return level >= 0 && level <= kMaxTileLevel ? m_dResolutionX[level] : 0.0;
}

double CBaseMapLayer::ResolutionY(int level) const {
    return level >= 0 && level <= kMaxTileLevel ? m_dResolutionY[level] : 0.0;
}

void CBaseMapLayer::ChangeCoordKey(uint64_t key) {
    if (key == m_nCoordKey) {
        return;
    }
    const uint64_t oldKey = m_nCoordKey;
    m_nCoordKey = key;
    // The first key only tells the setting; a change of setting makes every tile and table stale.
    if (oldKey != 0) {
        Load();
    }
}

void CBaseMapLayer::AskTables() {
    MapApiGetGridOrigin(&g_MapApiLink);
    MapApiGetResolutionTable(&g_MapApiLink, m_grid.m_ptReference.x, m_grid.m_ptReference.y);
}

void CBaseMapLayer::ZoomToLevel(const AcGePoint3d& centre, int level, const ViewRectInfo& view) {
    const double rx = m_dResolutionX[level];
    const double ry = m_dResolutionY[level];
    if (!IsUsableResolution(rx) || !IsUsableResolution(ry) || view.screenW <= 0 || view.screenH <= 0 ||
        !std::isfinite(centre.x) || !std::isfinite(centre.y)) {
        return;  // a window of no size, or nowhere, would leave the user looking at nothing
    }
    const double hx = (view.screenW / 2) * rx;
    const double hy = (view.screenH / 2) * ry;
    DisarmViewRecording();
    CViewUtil::ZoomWindow(AcGePoint3d(centre.x - hx, centre.y - hy, 0.0),
                          AcGePoint3d(centre.x + hx, centre.y + hy, 0.0), 1.0);
}

bool CBaseMapLayer::Load() {
    if (!g_Settings.m_bOnlineMap || !m_bEnabled || m_bInLoad) {
        return false;
    }
    PurgeImages();
    if (!CheckMapAppReady()) {
        return false;
    }
    AcApDocument* doc = acDocManager->curDocument();
    if (doc == nullptr) {
        return false;
    }
    m_bInLoad = true;
    g_nCoordType = 2;
    MapApiGetCoordState(&g_MapApiLink);
    if (g_nCoordType == 2) {
        acutPrintf(u"\n当前Zavrel坐标系为经纬度，请设置！");
        m_bInLoad = false;
        return false;
    }
    m_bLoaded = false;
    std::fill(std::begin(m_dResolutionX), std::end(m_dResolutionX), 0.0);
    std::fill(std::begin(m_dResolutionY), std::end(m_dResolutionY), 0.0);
    if (g_pEditorView != nullptr) {
        g_pEditorView->m_bFirstViewState = 0;
    }
    MapApiGetMapState(&g_MapApiLink, 2);
    m_grid.m_nStartLevel = std::clamp(m_grid.m_nStartLevel, 5, 18);

    bool askOrigin = g_nCoordType != 4;
    if (!askOrigin) {
        m_grid.m_ptReference = CViewUtil::GetModelSpaceCenter();
        m_grid.m_ptReference.z = 0.0;
        askOrigin = std::fabs(m_grid.m_ptReference.x) < 0.1 && std::fabs(m_grid.m_ptReference.y) < 0.1;
    }
    if (askOrigin) {
        m_nCoordKey = 0;
        MapApiGetGridOrigin(&g_MapApiLink);
    }
    MapApiGetResolutionTable(&g_MapApiLink, m_grid.m_ptReference.x, m_grid.m_ptReference.y);

    ViewRectInfo view;
    CViewUtil::GetCurViewRect(view, 1.0);
    const bool outsideRange =
        g_nCoordType == 4 && !IsValidGaussEasting(view.minX) && !IsValidGaussEasting(view.maxX);
    if (m_grid.m_nLevel < 5 || m_grid.m_nLevel > MaxLevel() || outsideRange) {
        ZoomToLevel(m_grid.m_ptReference, m_grid.m_nStartLevel, view);
    }

    m_pDb = doc->database();
    if (m_mapLayerId.isNull()) {
        CDocWriteLock lock(doc);
        if (!lock.Locked()) {
            m_bInLoad = false;
            return false;  // no layer to lay the tiles on
        }
        m_mapLayerId = CLayerUtil::GetLayerId(u"*MapLayer", true);
    }

    // The cache folder names the exact lattice, so that tiles of another reference never land on this one.
    CString folder = JoinFolder(g_strMapTempRoot, u"MapTemp");
    MakeCacheFolder(folder);
    CString key;
    key.Format(u"\\%I64d",
               static_cast<long long>(StringKey63(CacheFolderText(
                   doc->fileName(), m_nCoordKey, m_grid.m_ptReference.x, m_grid.m_ptReference.y))));
    folder += key;
    m_grid.m_strCacheFolder.Empty();
    m_askedFiles.clear();
    m_nTileErrorShown = 0;
    // The longest tile name below it must still fit the record's path field.
    if (PathToUtf8(folder, kMaxTilePathBytes - 40).empty()) {
        acutPrintf(u"\n底图缓存路径太长，不加载底图！\n");
        m_bInLoad = false;
        return false;
    }
    MakeCacheFolder(folder);
    m_grid.m_strCacheFolder = folder;

    ScanCacheFolder(folder);
    m_bInLoad = false;
    Layout();
    m_bLoaded = true;
    return true;
}

int CBaseMapLayer::GetLevel() {
    ViewRectInfo view;
    CViewUtil::GetCurViewRect(view, 1.0);
    return GetLevel(view);
}

int CBaseMapLayer::GetLevel(const ViewRectInfo& view) {
    if (!HasResolutionTable(m_dResolutionX)) {
        AskTables();
    }
    if (view.screenW <= 0) {
        return FallbackLevel();
    }
    const double u = (view.maxX - view.minX) / view.screenW;
    double ratio = 0.0;
    const int level = MatchLevel(m_dResolutionX, u, &ratio);
    if (level == 0) {
        return FallbackLevel();
    }
    if (LevelNeedsNudge(ratio)) {
        ZoomToLevel(AcGePoint3d((view.minX + view.maxX) / 2.0, (view.minY + view.maxY) / 2.0, 0.0), level,
                    view);
    }
    return level;
}

int CBaseMapLayer::FallbackLevel() {
    if (!HasResolutionTable(m_dResolutionX)) {
        AskTables();
    }
    ViewRectInfo view;
    CViewUtil::GetCurViewRect(view, 1.0);
    const double u = view.screenW > 0 ? (view.maxX - view.minX) / view.screenW : 0.0;
    const int level = FallbackLevelFor(m_dResolutionX, u);
    ZoomToLevel(AcGePoint3d((view.minX + view.maxX) / 2.0, (view.minY + view.maxY) / 2.0, 0.0), level, view);
    return level;
}

bool CBaseMapLayer::Layout() {
    if (!g_Settings.m_bOnlineMap || g_bLonLat || !m_bEnabled || m_grid.m_strCacheFolder.IsEmpty() ||
        m_bInLayout || m_bInLoad) {
        return false;
    }
    if (acDocManager->curDocument() == nullptr || acDocManager->curDocument()->database() != m_pDb) {
        return false;
    }
    m_bInLayout = true;
    if (g_ViewVarBackup.m_bReapply) {
        SetViewVariables(true);
    }
    m_cachedTiles.clear();
    m_missingTiles.clear();
    m_bRangeNoticeShown = false;
    ViewRectInfo view;
    CViewUtil::GetCurViewRect(view, 1.0);
    m_nTilePixels = TilePixelsForScreen(GetSystemMetrics(SM_CXSCREEN));

    const int level = GetLevel(view);
    if (level != m_nLastLevel) {
        acutPrintf(u"\nLevel:%d\n", level);
    }
    m_grid.m_nLevel = level;
    // The level may have zoomed the view: the grid is sized from the view as it now stands.
    CViewUtil::GetCurViewRect(view, 1.0);
    m_grid.m_ptViewCenter = AcGePoint3d((view.minX + view.maxX) / 2.0, (view.minY + view.maxY) / 2.0, 0.0);
    m_grid.m_dTileSize[0] = m_nTilePixels * m_dResolutionX[level];
    m_grid.m_dTileSize[1] = m_nTilePixels * m_dResolutionY[level];
    const int32_t cap = HalfCountCap(std::max(view.screenW, view.screenH), m_nTilePixels);
    const double centre[2] = {m_grid.m_ptViewCenter.x, m_grid.m_ptViewCenter.y};
    const double reference[2] = {m_grid.m_ptReference.x, m_grid.m_ptReference.y};
    const double extent[2] = {view.maxX - view.minX, view.maxY - view.minY};
    bool laid = true;
    for (int axis = 0; axis < 2 && laid; ++axis) {
        laid = LatticeAxis(centre[axis], reference[axis], m_grid.m_dTileSize[axis], &m_grid.m_nCenter[axis],
                           &m_grid.m_dOffset[axis]);
        m_grid.m_nHalf[axis] = HalfCount(extent[axis], m_grid.m_dTileSize[axis], cap);
        laid = laid && m_grid.m_nHalf[axis] >= 0;
    }
    if (!laid) {
        // No usable table (none yet, zero, negative or not finite): nothing to lay out or ask for.
        m_nLastLevel = level;
        m_bInLayout = false;
        return false;
    }

    CString levelFolder;
    levelFolder.Format(u"%s\\%d", m_grid.m_strCacheFolder.GetString(), static_cast<int>(m_grid.m_nMapId));
    MakeCacheFolder(levelFolder);
    levelFolder.AppendFormat(u"\\%d", level);
    MakeCacheFolder(levelFolder);

    for (const TileIndex& tile : RingOrder(m_grid.m_nHalf[0], m_grid.m_nHalf[1])) {
        CheckTile(tile.col, tile.row);
    }

    CViewUtil::GetCurViewRect(m_grid.m_doubledView, 2.0);
    RequestMissingTiles();

    if (g_pEditorView == nullptr || !g_pEditorView->m_bInCommand) {
        // A copy: an insertion's message box may let a nested answer lay the grid out again.
        const std::vector<TileIndex> cached = m_cachedTiles;
        for (size_t k = cached.size(); k-- > 0;) {
            InsertCachedTile(cached[k], k == 0);
        }
    }
    m_nLastLevel = level;
    m_bInLayout = false;
    return true;
}

CString CBaseMapLayer::GridTilePath(int32_t i, int32_t j) const {
    return TilePath(m_grid.m_strCacheFolder, m_grid.m_nMapId, m_grid.m_nLevel, m_grid.m_nCenter[0] + i,
                    m_grid.m_nCenter[1] + j);
}

void CBaseMapLayer::TileBounds(int32_t i, int32_t j, AcGePoint2d& lowerLeft, AcGePoint2d& upperRight) const {
    const double sx = m_grid.m_dTileSize[0];
    const double sy = m_grid.m_dTileSize[1];
    lowerLeft.x = m_grid.m_ptViewCenter.x - sx / 2 + i * sx + m_grid.m_dOffset[0];
    upperRight.x = m_grid.m_ptViewCenter.x + sx / 2 + i * sx + m_grid.m_dOffset[0];
    lowerLeft.y = m_grid.m_ptViewCenter.y - sy / 2 + j * sy + m_grid.m_dOffset[1];
    upperRight.y = m_grid.m_ptViewCenter.y + sy / 2 + j * sy + m_grid.m_dOffset[1];
}

bool CBaseMapLayer::CheckTile(int32_t i, int32_t j) {
    const uint64_t id = StringKey63(GridTilePath(i, j));
    if (m_knownFiles.count(id) != 0) {
        if (m_insertedTiles.count(id) == 0) {
            m_cachedTiles.push_back({i, j});
        }
        return true;
    }
    if (g_nCoordType == 4) {
        AcGePoint2d ll, ur;
        TileBounds(i, j, ll, ur);
        const bool inRange = IsValidGaussEasting(ur.x) && IsValidGaussEasting(ll.x);
        // Re-armed by a tile in range at a new level, but not by one of the layout that has just said it.
        if (inRange && m_grid.m_nLevel != m_nLastLevel && !m_bRangeNoticeShown) {
            m_bRangeNotice = true;
        }
        if (!inRange) {
            if (m_bRangeNotice) {
                acutPrintf(u"\n超出坐标系范围不显示底图!\n");
                m_bRangeNotice = false;
                m_bRangeNoticeShown = true;
            }
            return false;
        }
    }
    m_missingTiles.push_back({i, j});
    return true;
}

void CBaseMapLayer::ScanCacheFolder(const CString& folder) {
    CString dir = folder;
    if (dir.IsEmpty() || dir[dir.GetLength() - 1] != u'\\') {
        dir += u"\\";
    }
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(dir + u"*.*", &found);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<uint64_t> keys;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        const CString path = dir + found.cFileName;
        if (path.GetLength() >= 3 && path.Right(3).CompareNoCase(u"png") == 0) {
            keys.push_back(StringKey63(path));
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    m_knownFiles.insertMany(std::move(keys));
}

void CBaseMapLayer::OnMapViewState(const MapViewStateAnswer& answer, uint32_t previousMapId) {
    if (answer.m_nMapId != previousMapId || !g_Settings.m_bOnlineMap) {
        AskTables();
        PurgeImages();
    }
    const int follow = g_Settings.m_nViewFollowMode;
    if (follow == 2 || follow == 3) {
        const uint32_t level = answer.m_nLevel;
        if (!HasResolutionTable(m_dResolutionX)) {
            AskTables();
        }
        // The level indexes the tables: a level the tables do not hold moves nothing.
        if (level >= 1 && level <= static_cast<uint32_t>(kMaxTileLevel) &&
            IsUsableResolution(m_dResolutionX[level]) && IsUsableResolution(m_dResolutionY[level])) {
            ViewRectInfo view;
            CViewUtil::GetCurViewRect(view, 1.0);
            const double cx = answer.m_dCenterX;
            const double cy = answer.m_dCenterY;
            const double hx = m_dResolutionX[level] * view.screenW / 2.0;
            const double hy = m_dResolutionY[level] * view.screenH / 2.0;
            if (std::isfinite(cx) && std::isfinite(cy) && hx > 0.0 && hy > 0.0) {
                DisarmViewRecording();
                CViewUtil::ZoomWindow(AcGePoint3d(cx - hx, cy - hy, 0.0), AcGePoint3d(cx + hx, cy + hy, 0.0),
                                      1.0);
            }
        }
    }
    Layout();
}
