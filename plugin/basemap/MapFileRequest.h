// The record that asks the map application to write one tile or one captured picture as a PNG file and
// carries its answer back, and one picture on its way into the drawing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

struct MapFileRequest {
    uint64_t m_nId;      // key of the target path
    uint64_t m_nSerial;  // the process-wide request counter
    uint32_t m_nMode;
    int32_t m_nStatus;   // answer: 1 written, -3 not ready yet, other values errors
    char m_szPath[256];  // UTF-8; the map application's answer need not end it with a NUL
    uint8_t m_byWritten;
    uint8_t m_res281[23];
    double m_dMinX;
    double m_dMinY;
    double m_dMaxX;
    double m_dMaxY;
    uint8_t m_byKind;
    uint8_t m_res337[3];
    uint32_t m_nLevel;
    uint32_t m_nMapId;
    uint32_t m_nPixelWidth;
    uint32_t m_nPixelHeight;
    uint8_t m_res356[12];
    uint32_t m_nTotal;
    uint32_t m_nDone;
    uint32_t m_nCaptureParam;
    uint8_t m_res380[4];
    uint8_t m_byFlag;
    uint8_t m_res385[87];
};
static_assert(sizeof(MapFileRequest) == 472);
static_assert(offsetof(MapFileRequest, m_nId) == 0);
static_assert(offsetof(MapFileRequest, m_nSerial) == 8);
static_assert(offsetof(MapFileRequest, m_nMode) == 16);
static_assert(offsetof(MapFileRequest, m_nStatus) == 20);
static_assert(offsetof(MapFileRequest, m_szPath) == 24);
static_assert(offsetof(MapFileRequest, m_byWritten) == 280);
static_assert(offsetof(MapFileRequest, m_res281) == 281);
static_assert(offsetof(MapFileRequest, m_dMinX) == 304);
static_assert(offsetof(MapFileRequest, m_dMinY) == 312);
static_assert(offsetof(MapFileRequest, m_dMaxX) == 320);
static_assert(offsetof(MapFileRequest, m_dMaxY) == 328);
static_assert(offsetof(MapFileRequest, m_byKind) == 336);
static_assert(offsetof(MapFileRequest, m_res337) == 337);
static_assert(offsetof(MapFileRequest, m_nLevel) == 340);
static_assert(offsetof(MapFileRequest, m_nMapId) == 344);
static_assert(offsetof(MapFileRequest, m_nPixelWidth) == 348);
static_assert(offsetof(MapFileRequest, m_nPixelHeight) == 352);
static_assert(offsetof(MapFileRequest, m_res356) == 356);
static_assert(offsetof(MapFileRequest, m_nTotal) == 368);
static_assert(offsetof(MapFileRequest, m_nDone) == 372);
static_assert(offsetof(MapFileRequest, m_nCaptureParam) == 376);
static_assert(offsetof(MapFileRequest, m_res380) == 380);
static_assert(offsetof(MapFileRequest, m_byFlag) == 384);
static_assert(offsetof(MapFileRequest, m_res385) == 385);

// The process-wide request counter: starts at 1, one step for every record built.
extern int32_t g_nMapFileSerial;

// A zero-filled tile record: kind 2, flag 1, mode 1, the next serial, the path (which must fit the field with
// its NUL) and its key. False, and nothing counted, when the path does not fit.
bool BuildTileRecord(MapFileRequest& record, const std::string& utf8Path, uint64_t id, uint32_t mapId,
                     uint32_t level, uint32_t pixels, double minX, double minY, double maxX, double maxY);
// The path of an answer, read only inside its field: up to its NUL or the field's end.
std::string RecordPath(const MapFileRequest& record);

// One tile or captured picture on its way into the drawing.
class CMapImageItem {
public:
    bool m_bMeterShown = false;
    int m_nMeterRange = 0;
    bool m_bStalled = false;
    uint32_t m_nLastDone = 0;
    uint32_t m_nMapId = 0;
    int64_t m_nLevel = 0;
    AcGePoint2d m_ptMin;
    AcGePoint2d m_ptMax;
    CString m_strPath;
    CString m_strName;
    uint64_t m_nId = 0;
    bool m_bRedraw = false;
    bool m_bRunning = false;
    uint32_t m_nRetryMs = 3000;

    CMapImageItem() = default;
    CMapImageItem(const AcGePoint2d& lowerLeft, const AcGePoint2d& upperRight, const CString& path,
                  uint64_t id, int64_t level, bool redraw)
        : m_nLevel(level),
          m_ptMin(lowerLeft),
          m_ptMax(upperRight),
          m_strPath(path),
          m_nId(id),
          m_bRedraw(redraw),
          m_nRetryMs(0) {}

    // The map application's rendering progress (the registered progress message).
    void ShowExtractProgress(int32_t position, int32_t total);
    // Progress of a capture that is not ready yet.
    void UpdateFetchProgress(uint32_t done, uint32_t total);
    void RestoreMeter();
};
