// A drawing's online base map: the tile scheme of the map application's coordinate setting, the tiles laid
// out under the current view, and the map capture in progress. Held by the drawing's sync state.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "plugin/basemap/MapFileRequest.h"

inline constexpr int kMaxTileLevel = 28;

struct CTileGridInfo {
    AcGePoint3d m_ptReference;  // origin of the tile grid (z = 0)
    int m_nLevel = 1;
};

class CBaseMapLayer {
public:
    double m_dResolutionX[kMaxTileLevel + 1] = {};  // drawing units per pixel, by level; [0] unused
    double m_dResolutionY[kMaxTileLevel + 1] = {};
    uint64_t m_nCoordKey = 0;
    uint32_t m_nTilePixels = 256;
    CTileGridInfo m_grid;
    std::map<uint64_t, CString> m_knownFiles;
    bool m_bLoaded = false;
    bool m_bEnabled = false;
    bool m_bPurging = false;
    uint32_t m_nMapId = 0;
    AcDbObjectId m_idMapLayer;  // the layer that holds the tiles, once made
    uint32_t m_nStartLevel = 0;
    std::vector<CMapImageItem> m_pendingImages;
    CMapImageItem m_captureItem;

    // The view's tiles: computed, requested and inserted; false when nothing could be laid out.
    bool Load();
    bool Layout();
    // The tile level that suits the current view.
    int GetLevel();
    // The map application's view moved (20012 payload); previousMapId is the map shown before it.
    void OnMapViewState(const BYTE* data, DWORD length, uint32_t previousMapId);
    Acad::ErrorStatus InsertTileImage(CMapImageItem& item);
    Acad::ErrorStatus InsertCaptureImage(const AcGePoint2d& min, const AcGePoint2d& max, const CString& path,
                                         const CString& name);
    void RequeueRequest(const MapFileRequest& request);
    void FlushRequests();
    void ShowMapFileError(int32_t status);
    int RequestCaptureImage(int param);
    void PurgeImages();
};
