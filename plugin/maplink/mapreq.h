// The request catalogue: one operation per request code. Each lays out its bytes as the map application
// expects them and hands them to MapApiSendCmd; what comes back by message is stored by the hidden window
// and read by the caller after the operation returns.
#pragma once

#include <cstddef>

#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/maplink.h"

// How an answer comes back.
enum MapAnswerMode : BYTE {
    kAnswerNone,     // nothing is read
    kAnswerReturn,   // the return value of the send
    kAnswerMessage,  // a WM_COPYDATA with the same code to the hidden window
};

// One row of the catalogue: the request's code, whether it starts with the 16-byte header, its fixed size
// (header included; kMapSizeVaries when it depends on the arguments), and how the answer comes back.
struct MapRequestInfo {
    DWORD m_nCode;
    bool m_bHeader;
    DWORD m_nSize;
    MapAnswerMode m_answer;
    const char* m_pszOperation;
};

inline constexpr DWORD kMapSizeVaries = 0xFFFFFFFFu;

extern const MapRequestInfo kMapRequestTable[];
extern const size_t kMapRequestCount;
const MapRequestInfo* FindMapRequest(DWORD code);

inline constexpr DWORD kPluginVersion = 141;
inline constexpr int kAssocPointItemSize = 80;
inline constexpr int kMapFileRequestSize = 472;
inline constexpr int kMapListEntrySize = 108;  // entries of the 20100 and 20105 answers
inline constexpr int kMenuEntryTextBytes = 255;

// Registration and view.
int MapApiMoveMapView(MapApiLink* link, DWORD mapId, DWORD level, double x, double y, BYTE flag, BYTE mode,
                      int timeoutMs);                        // 20011
int MapApiGetMapState(MapApiLink* link, BYTE kind);          // 20012, global link
int MapApiSetFollowInterval(MapApiLink* link, DWORD value);  // 20013, global link

// Folders and objects.
int MapApiListFolders(MapApiLink* link, DWORD parentId);             // 20100
int MapApiQueryFolder(MapApiLink* link, DWORD folderId, BYTE flag);  // 20101
// 20102: the folder under parentId; the new folder's id comes back through result. Errors are shown.
int SendMapObjectType30(MapApiLink* link, const MapFolderObj* folder, DWORD parentId, DWORD objectId,
                        DWORD value, INT64* result);
// Siblings for the other record kinds (the mark and track senders show errors, the others do not) and
// the dispatcher by type code (an unknown type sends nothing and gives 0).
int SendMapObjectType7(MapApiLink* link, const MapMarkObj* mark, DWORD parentId, DWORD objectId, DWORD value,
                       INT64* result);
int SendMapObjectType8(MapApiLink* link, const MapTrackObj* track, DWORD parentId, DWORD objectId,
                       DWORD value, INT64* result);
int SendMapObjectType13(MapApiLink* link, const MapShapeObj* shape, DWORD parentId, DWORD objectId,
                        DWORD value, INT64* result);
int SendMapObjectType11(MapApiLink* link, const MapMultiObj* multi, DWORD parentId, DWORD objectId,
                        DWORD value, INT64* result);
int SendMapObject(MapApiLink* link, const void* obj, int type, DWORD parentId, DWORD objectId, DWORD value,
                  INT64* result);
// The older sender set: the same requests, no errors shown; the folder sender returns the new folder's id
// when the map application gave 1 or more, else the send's result. MapApiAddObject picks the member by type
// code (an unknown type sends nothing and gives 0).
int MapApiAddObjectType30(MapApiLink* link, const MapFolderObj* folder, DWORD parentId, DWORD objectId,
                          DWORD value, INT64* result);
int MapApiAddObjectType7(MapApiLink* link, const MapMarkObj* mark, DWORD parentId, DWORD objectId,
                         DWORD value, INT64* result);
int MapApiAddObjectType8(MapApiLink* link, const MapTrackObj* track, DWORD parentId, DWORD objectId,
                         DWORD value, INT64* result);
int MapApiAddObjectType13(MapApiLink* link, const MapShapeObj* shape, DWORD parentId, DWORD objectId,
                          DWORD value, INT64* result);
int MapApiAddObjectType11(MapApiLink* link, const MapMultiObj* multi, DWORD parentId, DWORD objectId,
                          DWORD value, INT64* result);
int MapApiAddObject(MapApiLink* link, const void* obj, int type, DWORD parentId, DWORD objectId, DWORD value,
                    INT64* result);
// 20103: bit 0 of the flags from first, bit 1 from second; -4 without sending for an empty list.
int MapApiDeleteObjects(MapApiLink* link, const DWORD* ids, int count, bool first, bool second);
// 20105: the name (UTF-8) is cut at a character boundary to at most 99 bytes, as folders are created.
int MapApiFindFolder(MapApiLink* link, const char* name, DWORD parentId, BYTE type);
int MapApiFetchSelection(MapApiLink* link);  // 20110
// Sends the buffer's used bytes with the code; when freeAfter, frees the data and nulls the pointer.
int MapApiSendBuffer(MapApiLink* link, DWORD code, MapApiBuf* buf, bool freeAfter);

// Coordinates and tile grid.
// 20201: count items of 80 bytes; -1 without sending when there are none.
int MapApiSetAssocPoints(MapApiLink* link, DWORD kind, const void* items, int count);
int MapApiGetCoordState(MapApiLink* link);                                       // 20202, global link
int MapApiGetGridOrigin(MapApiLink* link);                                       // 20211, global link
int MapApiGetResolutionTable(MapApiLink* link, double originX, double originY);  // 20212, global link

// Map images.
int MapApiRenderView(MapApiLink* link, double minX, double minY, double maxX, double maxY, UINT64 pixelBudget,
                     DWORD level);                                            // 20301
int MapApiRequestMapFiles(MapApiLink* link, const void* records, int count);  // 20302, 472-byte records

// Menu entry and update.
int MapApiCheckUpdate(MapApiLink* link);  // 20203
// 20401: action 1 add, -1 query, 0 remove; the text (UTF-8) cut to 255 bytes at a character boundary.
int MapApiSetMenuEntry(MapApiLink* link, INT32 action, const char* text, int timeoutMs);

// Requests nothing in the plug-in sends; only their layouts are fixed.
int MapApiSendPoint(MapApiLink* link, double first, double second, bool flag);          // 20002
int MapApiSendPointEx(MapApiLink* link, double first, double second, bool flag);        // 20003
int MapApiSendValues(MapApiLink* link, double first, double second, DWORD a, DWORD b);  // 20007
int MapApiSendPlain(MapApiLink* link);                                                  // 20010
int MapApiSendOneId(MapApiLink* link, DWORD id);                                        // 20104
int MapApiSendIdList(MapApiLink* link, const DWORD* ids, int count);                    // 20106
