// The exchange of map files for the base map: the requests of a layout's missing tiles, the re-ask queue,
// written tiles inserted as raster images with the tiles they make stale removed, the tiles held while a
// command runs, the removal of all tiles, and the status-bar meters of long renderings.
#include <algorithm>
#include <cstring>

#include "plugin/core/HostEnv.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/core/RasterImage.h"
#include "plugin/core/WholeViewImage.h"
#include "plugin/cutil/cutil.h"
#include "plugin/core/EditorView.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

int32_t g_nMapFileSerial = 1;

namespace {

// Tiles are a picture of the map application's cache laid under the drawing, not the user's work: they go in,
// to the bottom and out again with the drawing's undo recording off, so that the undo history never holds one
// and the user's U and REDO take back and bring back the user's own commands, never a tile. A tile erased so
// is gone for good.
class CTileUndoOff {
public:
    explicit CTileUndoOff(AcDbDatabase* db)
        : m_pDb(db), m_bWasRecording(db != nullptr && db->undoRecording()) {
        if (m_pDb != nullptr) {
            m_pDb->disableUndoRecording(true);
        }
    }
    ~CTileUndoOff() {
        if (m_pDb != nullptr) {
            m_pDb->disableUndoRecording(!m_bWasRecording);
        }
    }
    CTileUndoOff(const CTileUndoOff&) = delete;
    CTileUndoOff& operator=(const CTileUndoOff&) = delete;

private:
    AcDbDatabase* m_pDb;
    bool m_bWasRecording;
};

// Overlap by more than 0.1 on both axes; tiles that only share an edge do not overlap.
bool Overlaps(double minX1, double minY1, double maxX1, double maxY1, double minX2, double minY2,
              double maxX2, double maxY2) {
    return std::min(maxX1, maxX2) > std::max(minX1, minX2) + 0.1 &&
           std::min(maxY1, maxY2) > std::max(minY1, minY2) + 0.1;
}

}  // namespace

bool BuildTileRecord(MapFileRequest& record, const std::string& utf8Path, uint64_t id, uint32_t mapId,
                     uint32_t level, uint32_t pixels, double minX, double minY, double maxX, double maxY) {
    std::memset(&record, 0, sizeof record);
    if (utf8Path.empty() || utf8Path.size() >= sizeof record.m_szPath) {
        return false;
    }
    record.m_nId = id;
    // The counter is 32-bit; the record carries it sign-extended.
    record.m_nSerial = static_cast<uint64_t>(static_cast<int64_t>(g_nMapFileSerial));
    g_nMapFileSerial = static_cast<int32_t>(static_cast<uint32_t>(g_nMapFileSerial) + 1u);
    record.m_nMode = 1;
    std::memcpy(record.m_szPath, utf8Path.data(), utf8Path.size());
    record.m_dMinX = minX;
    record.m_dMinY = minY;
    record.m_dMaxX = maxX;
    record.m_dMaxY = maxY;
    record.m_byKind = 2;
    record.m_nLevel = level;
    record.m_nMapId = mapId;
    record.m_nPixelWidth = pixels;
    record.m_nPixelHeight = pixels;
    record.m_byFlag = 1;
    return true;
}

std::string RecordPath(const MapFileRequest& record) {
    return std::string(record.m_szPath, strnlen(record.m_szPath, sizeof record.m_szPath));
}

void CBaseMapLayer::RequestMissingTiles() {
    if (m_missingTiles.empty()) {
        return;
    }
    const int level = m_grid.m_nLevel;
    if (level < kMinRequestLevel || level > std::clamp<int>(g_Settings.m_nMaxLevel, 16, kMaxTileLevel)) {
        if (m_bLevelNotice && level != m_nLastLevel) {
            m_bLevelNotice = false;
            acutPrintf(level >= kMinRequestLevel ? u"\n级别太高，不加载底图！\n"
                                                 : u"\n级别太低，不加载底图！\n");
        }
        return;
    }
    m_bLevelNotice = true;
    std::vector<MapFileRequest> records(m_missingTiles.size());
    size_t n = 0;
    for (const TileIndex& tile : m_missingTiles) {
        const CString path = GridTilePath(tile.col, tile.row);
        AcGePoint2d ll, ur;
        TileBounds(tile.col, tile.row, ll, ur);
        if (BuildTileRecord(records[n], PathToUtf8(path, kMaxTilePathBytes), StringKey63(path),
                            m_grid.m_nMapId, static_cast<uint32_t>(level), m_nTilePixels, ll.x, ll.y, ur.x,
                            ur.y)) {
            m_askedFiles[records[n].m_nId] = path;
            ++n;
        }
    }
    if (n > 0) {
        m_nTileErrorShown = 0;  // each layout's requests may say once what went wrong with them
        MapApiRequestMapFiles(&g_MapApiLink, records.data(), static_cast<int>(n));
    }
}

void CBaseMapLayer::RequeueRequest(const MapFileRequest& request) {
    // Only the current layout's tiles: those of a level left behind would be asked for ever.
    if (request.m_nMapId != m_grid.m_nMapId || request.m_nLevel != static_cast<uint32_t>(m_grid.m_nLevel)) {
        return;
    }
    // Each outstanding tile once: every layout asks its missing tiles again, and each asks answers -3.
    for (const std::unique_ptr<MapFileRequest>& queued : m_requestQueue) {
        if (queued->m_nId == request.m_nId) {
            return;
        }
    }
    // Asked again under the path this drawing asked for, never under the one the answer echoed.
    const auto asked = m_askedFiles.find(request.m_nId);
    const std::string path = asked != m_askedFiles.end() ? PathToUtf8(asked->second, kMaxTilePathBytes) : "";
    if (path.empty()) {
        return;
    }
    auto copy = std::make_unique<MapFileRequest>();
    std::memset(copy.get(), 0, sizeof *copy);
    copy->m_nId = request.m_nId;
    copy->m_nSerial = request.m_nSerial;
    copy->m_nMode = request.m_nMode;
    std::memcpy(copy->m_szPath, path.data(), path.size());
    copy->m_dMinX = request.m_dMinX;
    copy->m_dMinY = request.m_dMinY;
    copy->m_dMaxX = request.m_dMaxX;
    copy->m_dMaxY = request.m_dMaxY;
    copy->m_byKind = request.m_byKind;
    copy->m_nLevel = request.m_nLevel;
    copy->m_nMapId = request.m_nMapId;
    copy->m_nPixelWidth = request.m_nPixelWidth;
    copy->m_nPixelHeight = request.m_nPixelHeight;
    copy->m_byFlag = request.m_byFlag;
    m_requestQueue.push_back(std::move(copy));
}

void CBaseMapLayer::FlushRequests() {
    if (m_requestQueue.empty()) {
        return;
    }
    // The queue is emptied before the send: answers nested in it queue their records anew.
    std::vector<MapFileRequest> records;
    records.reserve(m_requestQueue.size());
    for (const std::unique_ptr<MapFileRequest>& queued : m_requestQueue) {
        if (queued->m_nLevel == static_cast<uint32_t>(m_grid.m_nLevel) &&
            queued->m_nMapId == m_grid.m_nMapId) {
            records.push_back(*queued);
        }
    }
    m_requestQueue.clear();
    if (records.empty()) {
        return;
    }
    if (g_Settings.m_bOnlineMap) {
        MapApiRequestMapFiles(&g_MapApiLink, records.data(), static_cast<int>(records.size()));
    }
}

Acad::ErrorStatus CBaseMapLayer::InsertCachedTile(const TileIndex& tile, bool redraw) {
    if (!g_Settings.m_bOnlineMap) {
        return Acad::eNotApplicable;
    }
    const CString path = GridTilePath(tile.col, tile.row);
    AcGePoint2d ll, ur;
    TileBounds(tile.col, tile.row, ll, ur);
    return InsertTileImage(CMapImageItem(ll, ur, path, StringKey63(path), m_grid.m_nLevel, redraw));
}

bool CBaseMapLayer::RemoveStaleImages(const AcGePoint2d& lowerLeft, const AcGePoint2d& upperRight,
                                      uint64_t id) {
    const ViewRectInfo& doubled = m_grid.m_doubledView;
    // The walk goes in key order and ends at the new id when it is there already: the stale tiles met
    // before it go all the same. They are chosen first and erased after: an erase may raise a message box.
    std::vector<uint64_t> stale;
    bool present = false;
    for (const auto& [key, tile] : m_insertedTiles) {
        if (key == id) {
            present = true;
            break;
        }
        const bool overlapsNew = Overlaps(tile->m_ptMin.x, tile->m_ptMin.y, tile->m_ptMax.x, tile->m_ptMax.y,
                                          lowerLeft.x, lowerLeft.y, upperRight.x, upperRight.y);
        const bool inView = Overlaps(tile->m_ptMin.x, tile->m_ptMin.y, tile->m_ptMax.x, tile->m_ptMax.y,
                                     doubled.minX, doubled.minY, doubled.maxX, doubled.maxY);
        const bool outOfRange = g_nCoordType == 4 && (!IsValidGaussEasting(tile->m_ptMin.x) ||
                                                      !IsValidGaussEasting(tile->m_ptMax.x));
        if (overlapsNew || !inView || outOfRange) {
            stale.push_back(key);
        }
    }
    for (uint64_t key : stale) {
        auto it = m_insertedTiles.find(key);
        if (it == m_insertedTiles.end()) {
            continue;
        }
        AcApDocument* doc = acDocManager->document(m_pDb);
        CDocWriteLock lock(doc);
        if (doc != nullptr && !lock.Locked()) {
            continue;  // stays listed: a later walk or the purge takes it away
        }
        std::unique_ptr<CInsertedTile> tile = std::move(it->second);
        m_insertedTiles.erase(it);
        CTileUndoOff undoOff(m_pDb);
        ClearCacheMap(tile->m_imageId, TileName(tile->m_nId), m_pDb);
    }
    return !present;
}

Acad::ErrorStatus CBaseMapLayer::InsertTileImage(CMapImageItem item) {
    if (m_bWalking) {
        // A nested answer while tiles are being replaced: it waits for the walk to end.
        m_pendingImages.push_back(item);
        return Acad::eNotApplicable;
    }
    if (acDocManager->curDocument() == nullptr || acDocManager->curDocument()->database() != m_pDb) {
        return Acad::eNotApplicable;  // tiles go only into their own drawing
    }
    m_bWalking = true;
    const bool fresh = RemoveStaleImages(item.m_ptMin, item.m_ptMax, item.m_nId);
    m_bWalking = false;
    if (!fresh) {
        return Acad::eOk;
    }
    const std::string utf8 = PathToUtf8(item.m_strPath, 1000);
    AcDbObjectId imageId;
    const Acad::ErrorStatus es = InsertTileRaster(imageId, item.m_ptMin, item.m_ptMax, utf8.c_str(),
                                                  TileName(item.m_nId), item.m_bRedraw);
    if (!imageId.isValid()) {
        // A file that cannot be read is asked for again by the next layout, not inserted and failed for ever.
        // Its file goes only when it is a tile of this drawing's cache: nothing else is ever deleted.
        m_knownFiles.erase(item.m_nId);
        if (!utf8.empty() && HoldsPath(item.m_strPath)) {
            DeleteFileU8(utf8.c_str());
        }
        return es != Acad::eOk ? es : Acad::eInvalidInput;
    }
    // An image that exists is tracked, whatever went wrong after its insertion (its draw order).
    auto tile = std::make_unique<CInsertedTile>();
    tile->m_strPath = item.m_strPath;
    tile->m_nId = item.m_nId;
    tile->m_ptMin = item.m_ptMin;
    tile->m_ptMax = item.m_ptMax;
    tile->m_nPixelWidth = m_nTilePixels;
    tile->m_nPixelHeight = m_nTilePixels;
    tile->m_imageId = imageId;
    tile->m_nLevel = static_cast<uint32_t>(item.m_nLevel);
    tile->m_nMapId = m_grid.m_nMapId;
    tile->m_nCoordKey = m_nCoordKey;
    m_insertedTiles[item.m_nId] = std::move(tile);
    return Acad::eOk;
}

Acad::ErrorStatus CBaseMapLayer::InsertTileRaster(AcDbObjectId& imageId, const AcGePoint2d& lowerLeft,
                                                  const AcGePoint2d& upperRight, const char* utf8Path,
                                                  const CString& name, bool redraw) {
    AcApDocument* doc = acDocManager->curDocument();
    CDocWriteLock lock(doc);
    if (doc != nullptr && !lock.Locked()) {
        return Acad::eLockViolation;
    }
    Acad::ErrorStatus es = Acad::eOk;
    {
        CTileUndoOff undoOff(doc != nullptr ? doc->database()
                                            : acdbHostApplicationServices()->workingDatabase());
        es = InsertIMGFile(imageId, m_mapLayerId, MultiByteToCString(utf8Path), name, lowerLeft, upperRight);
    }
    if (es == Acad::eOk && redraw) {
        CViewUtil::UpdateDisplay();
    }
    return es;
}

void CBaseMapLayer::PurgeImages() {
    if (m_bPurging) {
        return;
    }
    AcApDocument* doc =
        !m_insertedTiles.empty() && m_pDb != nullptr ? acDocManager->document(m_pDb) : nullptr;
    CDocWriteLock lock(doc);
    if (doc != nullptr && !lock.Locked()) {
        return;  // the tiles stay listed for the next purge
    }
    m_bPurging = true;
    std::map<uint64_t, std::unique_ptr<CInsertedTile>> tiles = std::move(m_insertedTiles);
    m_insertedTiles.clear();
    if (!tiles.empty() && m_pDb != nullptr) {
        CTileUndoOff undoOff(m_pDb);
        for (const auto& [key, tile] : tiles) {
            ClearCacheMap(tile->m_imageId, TileName(tile->m_nId), m_pDb);
        }
    }
    CViewUtil::UpdateDisplay();
    m_bPurging = false;
}

void CBaseMapLayer::ShowMapFileError(int32_t status) {
    m_captureItem.RestoreMeter();
    if (status >= 1) {
        return;
    }
    switch (status) {
        case -2:
            acutPrintf(u"\n坐标系设置错误！");
            break;
        case -3:
            break;  // not ready is silent
        case -4:
            acutPrintf(u"\n地图尺寸太大！");
            break;
        case -5:
            acutPrintf(u"\n地图像素太高！");
            break;
        case -6:
            acutPrintf(u"\n创建地图失败！");
            break;
        case -7:
            acutPrintf(u"\n坐标系错误！");
            break;
        default:
            acutPrintf(u"\n其他错误！");
            break;
    }
}

void CBaseMapLayer::OnTileWritten(const MapFileRequest& answer, const CString& path, bool current,
                                  bool inCommand) {
    if (m_bPurging) {
        return;
    }
    const std::string utf8 = PathToUtf8(path, 1000);
    if (utf8.empty() || GetFileSizeU8(utf8.c_str()) < 1) {
        return;  // still missing: the next layout asks again
    }
    m_knownFiles.insert(StringKey63(path));
    // Answered: the file is known from now on, and a late copy of the answer has nothing more to give.
    m_askedFiles.erase(answer.m_nId);
    m_nTileErrorShown = 0;
    if (!current) {
        return;  // another drawing's tile: known, inserted when that drawing lays it out
    }
    if (!IsMapCoordinate(answer.m_dMinX) || !IsMapCoordinate(answer.m_dMinY) ||
        !IsMapCoordinate(answer.m_dMaxX) || !IsMapCoordinate(answer.m_dMaxY)) {
        return;  // placed by the next layout, on its own place in the grid
    }
    CMapImageItem item(AcGePoint2d(answer.m_dMinX, answer.m_dMinY),
                       AcGePoint2d(answer.m_dMaxX, answer.m_dMaxY), path, StringKey63(path), answer.m_nLevel,
                       true);
    // The level comes first, command or not: a tile of a level the view has left is dropped at once, one of
    // the view's level waits for the command's end.
    if (GetLevel() != static_cast<int>(answer.m_nLevel)) {
        return;
    }
    if (inCommand) {
        m_pendingImages.push_back(item);
        return;
    }
    InsertTileImage(item);
}

void CBaseMapLayer::OnTileError(int32_t status) {
    if (status >= 1 || status == -3) {
        ShowMapFileError(status);
        return;
    }
    // Every tile of a layout fails alike (a folder that cannot be written): one line says it, not one a tile.
    if (m_nTileErrorShown == status) {
        return;
    }
    m_nTileErrorShown = status;
    ShowMapFileError(status);
    if (status == -6) {
        acutPrintf(u"\n地图缓存文件夹：%s\n", m_grid.m_strCacheFolder.GetString());
    }
}

void CBaseMapLayer::InsertPendingImages() {
    if (m_pendingImages.empty()) {
        return;
    }
    const int level = GetLevel();
    // Taken out first: an insertion can hold new pending tiles back again.
    std::vector<CMapImageItem> pending = std::move(m_pendingImages);
    m_pendingImages.clear();
    for (size_t i = 0; i < pending.size(); ++i) {
        if (pending[i].m_nLevel == level) {
            pending[i].m_bRedraw = i + 1 == pending.size();
            InsertTileImage(pending[i]);
        }
    }
    Layout();
}

// ---- progress meters

void CMapImageItem::RestoreMeter() {
    if (m_bMeterShown) {
        acedRestoreStatusBar();
        m_bMeterShown = false;
    }
}

void CMapImageItem::ShowExtractProgress(int32_t position, int32_t total) {
    RestoreMeter();
    if (total < 60) {
        return;
    }
    if (position == 20) {
        acedSetStatusBarProgressMeter(u"正在提取图片", 0, total);
    } else if (int64_t(total) - position < 30) {  // both come from the map application as they stand
        acedRestoreStatusBar();
        acedSetStatusBarProgressMeter(u"正在生成图片（耗时，请耐心等待）", 0, 100);
        acedSetStatusBarProgressMeterPos(50);
    } else {
        acedSetStatusBarProgressMeterPos(position);
    }
}

void CMapImageItem::UpdateFetchProgress(uint32_t done, uint32_t total) {
    if (m_nLastDone != 0 && m_nLastDone == done) {
        m_bStalled = true;
    }
    m_nLastDone = done;
    if (!m_bMeterShown && total >= done && total - done >= 31) {
        m_bMeterShown = true;
        m_nMeterRange = static_cast<int>(total - done);
        acedSetStatusBarProgressMeter(u"正在从网络取图", 0, m_nMeterRange);
        acedSetStatusBarProgressMeterPos(0);
    } else if (m_bMeterShown) {
        acedSetStatusBarProgressMeterPos(m_nMeterRange + static_cast<int>(done) - static_cast<int>(total));
    }
}

AcDbObjectId CBaseMapLayer::InsertNoImage(AcDbObjectId& imageId, const AcGePoint2d&, const AcGePoint2d&,
                                          const char*, const CString&) {
    CDocWriteLock lock(acDocManager->curDocument());
    imageId = AcDbObjectId::kNull;
    return imageId;
}
