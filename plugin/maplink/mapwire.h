// The transfer packet's heads and the answers the map application sends back by message, as wire layouts:
// each struct is the bytes as they travel, its size and every field offset asserted. The map application's
// buffers have no alignment to rely on, so a reader checks the length first and then copies the struct out
// (ReadWire), never casting a pointer into the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "plugin/maplink/mapobj.h"

// The one way a value is read from or written to a byte buffer at any offset.
template <class T>
T ReadWire(const void* data, size_t offset = 0) {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    std::memcpy(&value, static_cast<const BYTE*>(data) + offset, sizeof value);
    return value;
}

template <class T>
void WriteWire(void* data, size_t offset, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(static_cast<BYTE*>(data) + offset, &value, sizeof value);
}

// ---- The transfer packet (request 20112 out, the answer to 20110 in) ----

// Group header: follows the request header and counts the bytes of every record after it.
struct MapGroupHeader {
    DWORD m_nTotal;  // byte count of the object records that follow the packet head
    BYTE m_res4[8];
    DWORD m_nFolderId;  // the drawing folder's id
    BYTE m_res16[48];
};
static_assert(sizeof(MapGroupHeader) == 64);
static_assert(offsetof(MapGroupHeader, m_nTotal) == 0);
static_assert(offsetof(MapGroupHeader, m_nFolderId) == 12);

// Packet head: the request header (its parent folder the drawing folder) and the group header.
struct MapPacketHead {
    MapApiMsgHeader m_header;
    MapGroupHeader m_group;
};
static_assert(sizeof(MapPacketHead) == 80);
static_assert(offsetof(MapPacketHead, m_header) == 0);
static_assert(offsetof(MapPacketHead, m_group) == 16);
static_assert(offsetof(MapPacketHead, m_group) + offsetof(MapGroupHeader, m_nTotal) == 16);
static_assert(offsetof(MapPacketHead, m_group) + offsetof(MapGroupHeader, m_nFolderId) == 28);

// Object header: stands in front of every serialised record of a packet; the answer to a send (20112) is a
// list of these, one per record, with the ids the map application assigned.
struct MapObjHeader {
    INT32 m_nSize;      // bytes of the serialised record that follows
    DWORD m_nType;      // type code of the record
    DWORD m_nMapId;     // the object's map id (0 for one that has none yet)
    DWORD m_nParentId;  // its parent folder's map id
    INT64 m_nKey;       // the sender's key, returned as sent
    BYTE m_res24[40];
};
static_assert(sizeof(MapObjHeader) == 64);
static_assert(offsetof(MapObjHeader, m_nSize) == 0);
static_assert(offsetof(MapObjHeader, m_nType) == 4);
static_assert(offsetof(MapObjHeader, m_nMapId) == 8);
static_assert(offsetof(MapObjHeader, m_nParentId) == 12);
static_assert(offsetof(MapObjHeader, m_nKey) == 16);

// ---- Answers by message ----

// The doubles of some answers stand at offsets that are not multiples of 8: packed to 4 bytes.
#pragma pack(push, 4)

// 20012, the map application's view: its centre, level and map (the request's 104 bytes come back; the
// fields read end at 52).
struct MapViewStateAnswer {
    BYTE m_res0[24];
    double m_dCenterX;
    double m_dCenterY;
    BYTE m_byKind;  // as requested
    BYTE m_res41[3];
    DWORD m_nLevel;  // the map application's own level
    DWORD m_nMapId;
};
static_assert(sizeof(MapViewStateAnswer) == 52);
static_assert(offsetof(MapViewStateAnswer, m_dCenterX) == 24);
static_assert(offsetof(MapViewStateAnswer, m_dCenterY) == 32);
static_assert(offsetof(MapViewStateAnswer, m_byKind) == 40);
static_assert(offsetof(MapViewStateAnswer, m_nLevel) == 44);
static_assert(offsetof(MapViewStateAnswer, m_nMapId) == 48);

#pragma pack(pop)

// 20202, the coordinate state; the map's name (UTF-8, not necessarily terminated) follows to the end.
struct MapCoordStateAnswer {
    BYTE m_res0[40];
    DWORD m_nCoordType;  // 2 longitude/latitude, 4 Gauss-Krüger plane coordinates
    BYTE m_digest[16];   // the coordinate setting's digest
    BYTE m_res60[12];
};
static_assert(sizeof(MapCoordStateAnswer) == 72);
static_assert(offsetof(MapCoordStateAnswer, m_nCoordType) == 40);
static_assert(offsetof(MapCoordStateAnswer, m_digest) == 44);

// 20203, the update check; the change text (UTF-8, not necessarily terminated) follows to the end.
struct MapUpdateAnswer {
    DWORD m_nValue;
    INT32 m_nVersion;  // the newest plug-in version
    BYTE m_res8[56];
};
static_assert(sizeof(MapUpdateAnswer) == 64);
static_assert(offsetof(MapUpdateAnswer, m_nValue) == 0);
static_assert(offsetof(MapUpdateAnswer, m_nVersion) == 4);

// 20211, the tile grid's origin (x before y).
struct MapGridOriginAnswer {
    BYTE m_res0[24];
    double m_dX;
    double m_dY;
};
static_assert(sizeof(MapGridOriginAnswer) == 40);
static_assert(offsetof(MapGridOriginAnswer, m_dX) == 24);
static_assert(offsetof(MapGridOriginAnswer, m_dY) == 32);

// 20212, one record per level from level 1.
struct MapResolutionRecord {
    double m_dX;  // drawing units per pixel
    double m_dY;
    BYTE m_res16[88];
};
static_assert(sizeof(MapResolutionRecord) == 104);
static_assert(offsetof(MapResolutionRecord, m_dX) == 0);
static_assert(offsetof(MapResolutionRecord, m_dY) == 8);

// 20301, the head of a rendered view (x before y); the picture's bytes follow it.
struct MapRenderedViewHead {
    MapApiMsgHeader m_header;
    double m_dMinX;
    double m_dMinY;
    double m_dMaxX;
    double m_dMaxY;
    BYTE m_res48[20];
    INT32 m_nWidth;  // pixels
    INT32 m_nHeight;
    BYTE m_res76[36];
};
static_assert(sizeof(MapRenderedViewHead) == 112);
static_assert(offsetof(MapRenderedViewHead, m_dMinX) == 16);
static_assert(offsetof(MapRenderedViewHead, m_dMinY) == 24);
static_assert(offsetof(MapRenderedViewHead, m_dMaxX) == 32);
static_assert(offsetof(MapRenderedViewHead, m_dMaxY) == 40);
static_assert(offsetof(MapRenderedViewHead, m_nWidth) == 68);
static_assert(offsetof(MapRenderedViewHead, m_nHeight) == 72);

// An entry of the folder lists (20100, 20105), after their 16-byte header.
struct MapListEntry {
    DWORD m_nId;
    DWORD m_nType;
    char m_szName[100];  // UTF-8, not necessarily terminated
};
static_assert(sizeof(MapListEntry) == 108);
static_assert(offsetof(MapListEntry, m_nId) == 0);
static_assert(offsetof(MapListEntry, m_nType) == 4);
static_assert(offsetof(MapListEntry, m_szName) == 8);

// Copies the wire struct at the start of the payload; false, out untouched, when the payload is too short.
template <class T>
bool ReadWireStruct(const void* data, size_t length, T& out) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (data == nullptr || length < sizeof(T)) {
        return false;
    }
    std::memcpy(&out, data, sizeof(T));
    return true;
}
