// A drawing's online base map: the tile scheme of the map application's coordinate setting, the tiles laid
// out under the current view, requested, inserted and removed again, and the map capture in progress. Held by
// the drawing's sync state; every operation works on the current drawing's one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "plugin/arxutil/ViewRectInfo.h"
#include "plugin/basemap/MapFileRequest.h"
#include "plugin/basemap/TileScheme.h"
#include "plugin/core/DocBaseMap.h"

struct MapViewStateAnswer;

struct CTileGridInfo {
    AcGePoint3d m_ptReference;  // origin of the tile grid (z = 0): the centre of tile (0, 0)
    AcGePoint3d m_ptViewCenter;
    int32_t m_nCenter[2] = {0, 0};  // column and row of the tile nearest the view centre
    double m_dOffset[2] = {0.0, 0.0};
    int32_t m_nHalf[2] = {0, 0};  // tiles on each side of the central one
    double m_dTileSize[2] = {0.0, 0.0};
    int m_nLevel = 1;
    int m_nStartLevel = 0;  // the map application's own level
    uint32_t m_nMapId = 0;
    CString m_strCacheFolder;
    ViewRectInfo m_doubledView;  // the view enlarged to twice its size about its centre
};

// One tile inserted into the drawing.
struct CInsertedTile {
    CString m_strPath;
    uint64_t m_nId = 0;
    AcGePoint2d m_ptMin;
    AcGePoint2d m_ptMax;
    uint32_t m_nPixelWidth = 0;
    uint32_t m_nPixelHeight = 0;
    AcDbObjectId m_imageId;
    uint32_t m_nLevel = 0;
    uint32_t m_nMapId = 0;
    uint64_t m_nCoordKey = 0;
};

// The keys of the tiles known on disk, kept sorted: eight bytes a tile, for a cache that may hold very many.
class CTileKeySet {
public:
    size_t count(uint64_t key) const { return std::binary_search(m_keys.begin(), m_keys.end(), key) ? 1 : 0; }
    void insert(uint64_t key);
    void erase(uint64_t key);
    // Many at once (a folder's scan): sorted once, not moved up one by one.
    void insertMany(std::vector<uint64_t> keys);
    size_t size() const { return m_keys.size(); }
    bool empty() const { return m_keys.empty(); }
    void clear() { m_keys.clear(); }

private:
    std::vector<uint64_t> m_keys;
};

class CBaseMapLayer : public CDocBaseMap {
public:
    CBaseMapLayer();
    ~CBaseMapLayer() override;
    CBaseMapLayer(const CBaseMapLayer&) = delete;
    CBaseMapLayer& operator=(const CBaseMapLayer&) = delete;

    // ---- What the map application's answers set, and what the other roads read
    const CTileGridInfo& Grid() const { return m_grid; }
    // The tile grid's origin (20211).
    void SetGridOrigin(const AcGePoint3d& origin);
    // The map and its level that the map application shows (20012).
    void SetMapState(uint32_t mapId, int startLevel);
    // Drawing units per pixel at a level (20212); a level outside 1 to 28 is ignored.
    void SetResolution(int level, double x, double y);
    // 0 for a level whose resolution is unknown or outside the tables.
    double ResolutionX(int level) const override;
    double ResolutionY(int level) const override;
    // The coordinate setting's key (20202): a new key is kept, and a base map that had one is loaded again.
    void ChangeCoordKey(uint64_t key);
    uint64_t CoordKey() const { return m_nCoordKey; }
    uint32_t TilePixels() const { return m_nTilePixels; }
    AcDbObjectId MapLayerId() const override { return m_mapLayerId; }
    bool IsLoaded() const { return m_bLoaded; }
    // The drawing's image frames are set: from now on the base map may load.
    void Enable() { m_bEnabled = true; }
    bool IsEnabled() const { return m_bEnabled; }
    // The tiles go and the base map counts as not loaded: the next Load starts afresh (a new cache root).
    void Unload();

    // ---- Tile scheme
    // Loads the base map for the current drawing and lays it out; false when it could not.
    bool Load();
    // The tiles of the current view: computed, requested and inserted; false when nothing was laid out.
    bool Layout();
    // The level that suits the view, zooming it to fit that level exactly.
    int GetLevel(const ViewRectInfo& view);
    int GetLevel() override;  // of the current view
    int FallbackLevel();
    bool CheckTile(int32_t i, int32_t j);
    void ScanCacheFolder(const CString& folder);
    // The map application's view moved (20012); previousMapId is the map shown before it.
    void OnMapViewState(const MapViewStateAnswer& answer, uint32_t previousMapId);
    // The drawing is closing or the plug-in unloading: its tiles go, then its map layer.
    void Detach();

    // ---- Map files
    void RequestMissingTiles();
    void RequeueRequest(const MapFileRequest& request);
    void FlushRequests();
    Acad::ErrorStatus InsertCachedTile(const TileIndex& tile, bool redraw);
    Acad::ErrorStatus InsertTileImage(CMapImageItem item);
    bool RemoveStaleImages(const AcGePoint2d& lowerLeft, const AcGePoint2d& upperRight, uint64_t id);
    Acad::ErrorStatus InsertTileRaster(AcDbObjectId& imageId, const AcGePoint2d& lowerLeft,
                                       const AcGePoint2d& upperRight, const char* utf8Path,
                                       const CString& name, bool redraw);
    void PurgeImages() override;
    void ShowMapFileError(int32_t status);
    // Takes and releases the document lock around inserting nothing: the id is the null id.
    AcDbObjectId InsertNoImage(AcDbObjectId& imageId, const AcGePoint2d& lowerLeft,
                               const AcGePoint2d& upperRight, const char* utf8Path, const CString& name);
    // Tiles that arrived while a command ran (10 ms after it ended).
    void InsertPendingImages();
    // The drawing that asked for an answer's file: known by the id the plug-in sent, and only when the answer
    // names the path asked for under it (compared in full form). askedPath is the plug-in's own path, the one
    // to use from then on; capture says whether it is that drawing's running capture. Null for anything else.
    static CBaseMapLayer* FindAsker(const MapFileRequest& answer, CString* askedPath, bool* capture,
                                    CBaseMapLayer* preferred = nullptr);
    bool AskedFor(const MapFileRequest& answer, CString* askedPath, bool* capture) const;
    // Whether the path lies inside this drawing's cache folder (full forms).
    bool HoldsPath(const CString& path) const;
    // A tile's error answer: its line once until a tile lands again, with the folder when it could not be
    // written.
    void OnTileError(int32_t status);
    // A written tile (status 1, mark set) for this drawing; current says whether it is the current drawing.
    void OnTileWritten(const MapFileRequest& answer, const CString& path, bool current, bool inCommand);

    // ---- Map capture (its own source)
    // The toolbar's capture: the dialog, then a drawn rectangle or a picked entity gives the region.
    void StartCapture();
    // The entity's extents become the capture's region (erased when asked: the drawn rectangle) and the
    // capture is asked for; false when nothing was sent.
    bool UseEntityExtents(const ads_name entity, bool erase) override;
    // Sends the capture's record (again); the link's result, negative when nothing went out.
    int RequestCaptureImage(int param);
    // The answer is to this drawing's running capture: known by its id, never by its picture's size.
    bool IsCaptureAnswer(const MapFileRequest& answer) const;
    // The capture's answer: the picture inserted, its progress shown or its error. True when the capture is
    // to be asked again after retryMs.
    bool OnCaptureAnswer(const MapFileRequest& answer, const CString& path, uint32_t* retryMs);
    // Captures whose not-ready answer asked for a new try (timer 1010) are asked again.
    static void RetryCaptures();
    // The map application's rendering progress of the capture.
    void ShowCaptureProgress(int32_t position, int32_t total);
    // PNG bytes given whole: written to "aaa.png" in the drawing's capture folder and inserted on the current
    // layer as the whole-view image between the corners; the capture ends. True when nothing was inserted.
    bool InsertCaptureBytes(const BYTE* bytes, uint32_t count, const AcGePoint2d& lowerLeft,
                            const AcGePoint2d& upperRight);
    const CMapImageItem& CaptureItem() const { return m_captureItem; }

private:
    // Tests set up and look into the tile state without an answer to reach it.
    friend struct CBaseMapLayerTestAccess;

    // Bounds of grid tile (i, j) as the lattice places it.
    void TileBounds(int32_t i, int32_t j, AcGePoint2d& lowerLeft, AcGePoint2d& upperRight) const;
    CString GridTilePath(int32_t i, int32_t j) const;
    void AskTables();
    void ZoomToLevel(const AcGePoint3d& centre, int level, const ViewRectInfo& view);
    Acad::ErrorStatus InsertCaptureImage(const AcGePoint2d& min, const AcGePoint2d& max, const CString& path,
                                         const CString& name);

    std::vector<TileIndex> m_cachedTiles;           // known on disk, not inserted yet
    std::vector<TileIndex> m_missingTiles;          // to be requested
    double m_dResolutionX[kMaxTileLevel + 1] = {};  // drawing units per pixel, by level; [0] unused
    double m_dResolutionY[kMaxTileLevel + 1] = {};
    uint64_t m_nCoordKey = 0;
    uint32_t m_nTilePixels = 256;
    CTileGridInfo m_grid;
    std::map<uint64_t, std::unique_ptr<CInsertedTile>> m_insertedTiles;
    CTileKeySet m_knownFiles;
    bool m_bLoaded = false;
    bool m_bEnabled = false;
    bool m_bPurging = false;
    bool m_bRangeNotice = true;
    bool m_bLevelNotice = true;
    int m_nLastLevel = 0;
    AcDbObjectId m_mapLayerId;
    std::vector<CMapImageItem> m_pendingImages;
    CMapImageItem m_captureItem;
    std::vector<std::unique_ptr<MapFileRequest>> m_requestQueue;
    // Tiles asked for and not answered yet, by the id sent: the only answers taken.
    std::map<uint64_t, CString> m_askedFiles;
    int32_t m_nTileErrorShown = 0;      // the error status last printed for a tile (0: none since a layout)
    bool m_bCaptureRetryDue = false;    // a not-ready answer of the capture waits for timer 1010
    uint64_t m_nCaptureActivityMs = 0;  // the capture's last send or answer: a lost one ends after 2 minutes
    HWND m_hCaptureMapWnd = nullptr;    // the map application's window the capture was last sent to
    AcDbDatabase* m_pCaptureDb = nullptr;  // the drawing the capture was asked for
    AcDbDatabase* m_pDb = nullptr;         // the drawing the tiles are in
    bool m_bInLoad = false;                // guards against the nested answers of Load's own requests
    bool m_bInLayout = false;
    bool m_bWalking = false;           // a walk over the inserted tiles is under way
    bool m_bRangeNoticeShown = false;  // the range notice was printed by the layout under way
};

class CDocSyncState;
// The base map a drawing's sync state holds (its maker is registered with this file).
CBaseMapLayer& BaseMapOf(CDocSyncState& state);
