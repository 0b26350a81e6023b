// Map-object records and the request header. The fixed part of every record is the same bytes in memory and
// on the wire, so each struct below is a wire layout: its size and every field offset are asserted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/core/wintypes.h"

struct MapApiLink;

// Type codes of the records. 20, 21 and 22 never travel; they only choose default names.
enum MapObjType : int {
    kMapTypeMark = 7,
    kMapTypeTrack = 8,
    kMapTypeMulti = 11,
    kMapTypeShape = 13,
    kMapTypeRegion = 20,
    kMapTypeBlockRef = 21,
    kMapTypeProxy = 22,
    kMapTypeFolder = 30,
};

inline constexpr WORD kMapMsgMarker = 101;
inline constexpr int kMapNameBytes = 100;         // name field, NUL included
inline constexpr int kMapMaxPoints = 60000;       // most points a track or shape carries
inline constexpr DWORD kMultiPartFlag = 0x10000;  // height of the first point of a further part

// Request header: stands in front of every request that carries a map object or an object list.
struct MapApiMsgHeader {
    WORD m_nMarker;     // always 101
    BYTE m_byObjType;   // type of the record that follows (or the type sought)
    BYTE m_byFlag;      // request-specific
    DWORD m_nParentId;  // map id of the parent folder
    DWORD m_nObjectId;  // map id of the object, or the request's argument
    DWORD m_nValue;     // request-specific value or flag bits
};
static_assert(sizeof(MapApiMsgHeader) == 16);
static_assert(offsetof(MapApiMsgHeader, m_nMarker) == 0);
static_assert(offsetof(MapApiMsgHeader, m_byObjType) == 2);
static_assert(offsetof(MapApiMsgHeader, m_byFlag) == 3);
static_assert(offsetof(MapApiMsgHeader, m_nParentId) == 4);
static_assert(offsetof(MapApiMsgHeader, m_nObjectId) == 8);
static_assert(offsetof(MapApiMsgHeader, m_nValue) == 12);

// Point of a track or shape.
struct MapObjPoint {
    double m_dY;  // northing
    double m_dX;  // easting
    BYTE m_res16[4];
    INT32 m_nHeight;  // z truncated; kMultiPartFlag marks the first point of a further part
    double m_dBulge;  // bulge of the segment from here; for geometry kind 9 the start/end angle on points 0/1
    BYTE m_res32[16];
};
static_assert(sizeof(MapObjPoint) == 48);
static_assert(offsetof(MapObjPoint, m_dY) == 0);
static_assert(offsetof(MapObjPoint, m_dX) == 8);
static_assert(offsetof(MapObjPoint, m_nHeight) == 20);
static_assert(offsetof(MapObjPoint, m_dBulge) == 24);

// Item of a multi-part shape's part.
struct MapMultiItem {
    double m_dY;
    double m_dX;
};
static_assert(sizeof(MapMultiItem) == 16);
static_assert(offsetof(MapMultiItem, m_dX) == 8);

// Part of a multi-part shape: the first 1416 bytes are carried unread.
struct MapMultiPart {
    BYTE m_data[1416];
    INT32 m_nItemCount;
    BYTE m_res1420[4];
    MapMultiItem* m_pItems;  // owned; meaningless on the wire
};
static_assert(sizeof(MapMultiPart) == 1432);
static_assert(offsetof(MapMultiPart, m_nItemCount) == 1416);
static_assert(offsetof(MapMultiPart, m_pItems) == 1424);

// Folder, type 30.
struct MapFolderObj {
    char m_szName[kMapNameBytes];
    DWORD m_nChildCount;  // records of an exploded entity's parts that follow in the same packet
    BYTE m_res104[7];
    BYTE m_byAlloc;  // 1 from allocation
    BYTE m_res112[3];
    BYTE m_byExploded;  // 1 for the folder of an exploded entity
    BYTE m_res116[60];
};
static_assert(sizeof(MapFolderObj) == 176);
static_assert(offsetof(MapFolderObj, m_nChildCount) == 100);
static_assert(offsetof(MapFolderObj, m_byAlloc) == 111);
static_assert(offsetof(MapFolderObj, m_byExploded) == 115);

// Mark, type 7.
struct MapMarkObj {
    char m_szName[kMapNameBytes];
    BYTE m_res100[4];
    char* m_pText;  // owned remark, UTF-8, or null; meaningless on the wire
    double m_dY;
    double m_dX;
    BYTE m_byCoordKind;  // 2 for every mark the plug-in builds
    BYTE m_res129[3];
    INT32 m_nHeight;
    BYTE m_res136[8];
    DWORD m_nIcon;  // 0 none; 4 a drawing point sent as an icon
    COLORREF m_crIcon;
    BYTE m_res152;
    BYTE m_byStyle;  // 1 icon, 3 label only
    BYTE m_res154[106];
    BYTE m_byIsText;  // 1 for text entities sent
    BYTE m_res261;
    BYTE m_byOpacity;
    BYTE m_res263[2];
    BYTE m_byLabelLevel;
    BYTE m_res266[2];
    DWORD m_nFontSize;
    COLORREF m_crLabel;
    BYTE m_res276[4];
    float m_fRotation;  // degrees
    BYTE m_res284[132];
};
static_assert(sizeof(MapMarkObj) == 416);
static_assert(offsetof(MapMarkObj, m_pText) == 104);
static_assert(offsetof(MapMarkObj, m_dY) == 112);
static_assert(offsetof(MapMarkObj, m_dX) == 120);
static_assert(offsetof(MapMarkObj, m_byCoordKind) == 128);
static_assert(offsetof(MapMarkObj, m_nHeight) == 132);
static_assert(offsetof(MapMarkObj, m_nIcon) == 144);
static_assert(offsetof(MapMarkObj, m_crIcon) == 148);
static_assert(offsetof(MapMarkObj, m_byStyle) == 153);
static_assert(offsetof(MapMarkObj, m_byIsText) == 260);
static_assert(offsetof(MapMarkObj, m_byOpacity) == 262);
static_assert(offsetof(MapMarkObj, m_byLabelLevel) == 265);
static_assert(offsetof(MapMarkObj, m_nFontSize) == 268);
static_assert(offsetof(MapMarkObj, m_crLabel) == 272);
static_assert(offsetof(MapMarkObj, m_fRotation) == 280);

// Track, type 8.
struct MapTrackObj {
    char m_szName[kMapNameBytes];
    BYTE m_res100[4];
    char* m_pText;           // owned remark or null
    MapObjPoint* m_pPoints;  // owned array of m_nCount points, or null
    INT32 m_nCount;
    BYTE m_byCoordKind;
    BYTE m_res125[19];
    COLORREF m_crLine;
    DWORD m_nWidth;
    BYTE m_byOpacity;
    BYTE m_byGeomKind;  // 9: an arc whose start and end angles ride in the points
    BYTE m_byLineStyle;
    BYTE m_res155[45];
};
static_assert(sizeof(MapTrackObj) == 200);
static_assert(offsetof(MapTrackObj, m_pText) == 104);
static_assert(offsetof(MapTrackObj, m_pPoints) == 112);
static_assert(offsetof(MapTrackObj, m_nCount) == 120);
static_assert(offsetof(MapTrackObj, m_byCoordKind) == 124);
static_assert(offsetof(MapTrackObj, m_crLine) == 144);
static_assert(offsetof(MapTrackObj, m_nWidth) == 148);
static_assert(offsetof(MapTrackObj, m_byOpacity) == 152);
static_assert(offsetof(MapTrackObj, m_byGeomKind) == 153);
static_assert(offsetof(MapTrackObj, m_byLineStyle) == 154);

// Shape, type 13.
struct MapShapeObj {
    char m_szName[kMapNameBytes];
    BYTE m_res100[4];
    char* m_pText;
    MapObjPoint* m_pPoints;
    INT32 m_nCount;
    BYTE m_byCoordKind;
    BYTE m_res125[3];
    double m_dStartAngle;
    double m_dEndAngle;
    BYTE m_byFlag;  // carried, never read
    BYTE m_byLineOpacity;
    BYTE m_byFillOpacity;
    BYTE m_res147[3];
    WORD m_nHatchCount;
    COLORREF m_crLine;
    COLORREF m_crFill;
    BYTE m_res160[40];
};
static_assert(sizeof(MapShapeObj) == 200);
static_assert(offsetof(MapShapeObj, m_pText) == 104);
static_assert(offsetof(MapShapeObj, m_pPoints) == 112);
static_assert(offsetof(MapShapeObj, m_nCount) == 120);
static_assert(offsetof(MapShapeObj, m_byCoordKind) == 124);
static_assert(offsetof(MapShapeObj, m_dStartAngle) == 128);
static_assert(offsetof(MapShapeObj, m_dEndAngle) == 136);
static_assert(offsetof(MapShapeObj, m_byFlag) == 144);
static_assert(offsetof(MapShapeObj, m_byLineOpacity) == 145);
static_assert(offsetof(MapShapeObj, m_byFillOpacity) == 146);
static_assert(offsetof(MapShapeObj, m_nHatchCount) == 150);
static_assert(offsetof(MapShapeObj, m_crLine) == 152);
static_assert(offsetof(MapShapeObj, m_crFill) == 156);

// Multi-part shape, type 11; only received.
struct MapMultiObj {
    char m_szName[kMapNameBytes];
    BYTE m_res100[4];
    char* m_pText;
    MapMultiPart* m_pParts;  // owned array of m_nPartCount parts, or null
    INT32 m_nPartCount;
    BYTE m_res124[301];
    BYTE m_byStyle1;
    BYTE m_byStyle2;
    BYTE m_res427;
    COLORREF m_crColor;
    BYTE m_res432[48];
};
static_assert(sizeof(MapMultiObj) == 480);
static_assert(offsetof(MapMultiObj, m_pText) == 104);
static_assert(offsetof(MapMultiObj, m_pParts) == 112);
static_assert(offsetof(MapMultiObj, m_nPartCount) == 120);
static_assert(offsetof(MapMultiObj, m_byStyle1) == 425);
static_assert(offsetof(MapMultiObj, m_byStyle2) == 426);
static_assert(offsetof(MapMultiObj, m_crColor) == 428);

// Growable byte buffer for requests assembled piece by piece (the transfer packet).
struct MapApiBuf {
    BYTE* m_pData;  // owned (malloc)
    DWORD m_nUsed;
    DWORD m_nCapacity;
};
static_assert(sizeof(MapApiBuf) == 16);

// ---- Allocation. Blocks come from the C heap and are released with free. ----

// Zero-filled block of size bytes; null for a negative size or when memory is exhausted.
void* MapApiCalloc(int size);
// Zeroed block of 16 + n bytes whose header marker is already 101; null on failure.
MapApiMsgHeader* MapApiAllocMsg(int payloadSize);
// Appends count bytes, growing the block to (used + count) * 2 + 10 when needed. False for a negative count,
// a buffer that would pass 4 GiB, or a failed growth (the buffer is then unchanged).
bool MapApiBufAppend(MapApiBuf* buf, const void* bytes, int count);
// Copy of a NUL-terminated string (null for null).
char* MapApiStrDup(const char* text);
// Copy of exactly n bytes of a text that need not be NUL-terminated, into a zeroed block of n + 1 bytes.
char* MapApiStrDup(const char* text, uint32_t n);

MapFolderObj* MapApiNewFolder(MapApiLink* link);
MapMarkObj* MapApiNewMarker(MapApiLink* link);
MapTrackObj* MapApiNewTrack(MapApiLink* link);
MapShapeObj* MapApiNewShape(MapApiLink* link);
MapMultiObj* MapApiNewMulti(MapApiLink* link);

// Releases a record with what it owns; null is accepted.
void MapApiFreeObj(MapApiLink* link, void* obj, int type);

// Wire form of a record (malloc'ed) and its size. Null, size untouched, for an unknown type and for a record
// that cannot be written faithfully (a negative count, or a count without its array).
BYTE* MapApiSerializeObj(MapApiLink* link, const void* obj, int type, DWORD* outSize);
// The same wire form appended straight to a buffer (the transfer packet), growing it by the rule of
// MapApiBufAppend; its size through outSize when that is not null. False, the buffer unchanged, where
// MapApiSerializeObj gives null or the buffer cannot grow.
bool MapApiBufAppendObj(MapApiLink* link, MapApiBuf* buf, const void* obj, int type, DWORD* outSize);

// Rebuild a record from received bytes; null when the bytes do not hold exactly what the record claims.
MapFolderObj* MapApiParseFolder(MapApiLink* link, const void* bytes, DWORD count);
MapMarkObj* MapApiParseMarker(MapApiLink* link, const void* bytes, DWORD count);
MapTrackObj* MapApiParseTrack(MapApiLink* link, const void* bytes, DWORD count);
MapShapeObj* MapApiParseShape(MapApiLink* link, const void* bytes, DWORD count);
MapMultiObj* MapApiParseMulti(MapApiLink* link, const void* bytes, DWORD count);
