// Request operations: allocate, fill the table's fields, send, free.
#include "plugin/maplink/mapreq.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "plugin/cutil/cutil.h"
#include "plugin/maplink/mapwire.h"

const MapRequestInfo kMapRequestTable[] = {
    {20000, false, kMapSizeVaries, kAnswerReturn, "MapApiConnect"},
    {20001, false, 0, kAnswerMessage, "MapApiSendCmd"},  // the pick comes later with the same code
    {20002, false, 24, kAnswerNone, "MapApiSendPoint"},
    {20003, false, 1056, kAnswerNone, "MapApiSendPointEx"},
    {20006, false, 0, kAnswerReturn, "MapApiConnect"},
    {20007, false, 32, kAnswerNone, "MapApiSendValues"},
    {20010, false, 0, kAnswerNone, "MapApiSendPlain"},
    {20011, false, 80, kAnswerNone, "MapApiMoveMapView"},
    {20012, false, 104, kAnswerMessage, "MapApiGetMapState"},
    {20013, false, 4, kAnswerReturn, "MapApiSetFollowInterval"},
    {20100, true, 16, kAnswerMessage, "MapApiListFolders"},
    {20101, true, 16, kAnswerMessage, "MapApiQueryFolder"},
    {20102, true, 16 + sizeof(MapFolderObj), kAnswerReturn, "SendMapObjectType30"},
    {20103, true, kMapSizeVaries, kAnswerNone, "MapApiDeleteObjects"},
    {20104, true, 20, kAnswerNone, "MapApiSendOneId"},
    {20105, true, 16 + kMapNameBytes, kAnswerMessage, "MapApiFindFolder"},
    {20106, true, kMapSizeVaries, kAnswerNone, "MapApiSendIdList"},
    {20110, true, 16, kAnswerMessage, "MapApiFetchSelection"},
    {20112, true, kMapSizeVaries, kAnswerMessage, "MapApiSendBuffer"},
    {20201, true, kMapSizeVaries, kAnswerMessage, "MapApiSetAssocPoints"},
    {20202, false, 0, kAnswerMessage, "MapApiGetCoordState"},
    {20203, false, 64, kAnswerMessage, "MapApiCheckUpdate"},
    {20211, false, 0, kAnswerMessage, "MapApiGetGridOrigin"},
    {20212, false, 80, kAnswerMessage, "MapApiGetResolutionTable"},
    {20301, true, 112, kAnswerMessage, "MapApiRenderView"},
    {20302, true, kMapSizeVaries, kAnswerMessage, "MapApiRequestMapFiles"},
    {20401, true, 320, kAnswerMessage, "MapApiSetMenuEntry"},
};
const size_t kMapRequestCount = sizeof kMapRequestTable / sizeof kMapRequestTable[0];

const MapRequestInfo* FindMapRequest(DWORD code) {
    for (const MapRequestInfo& info : kMapRequestTable) {
        if (info.m_nCode == code) {
            return &info;
        }
    }
    return nullptr;
}

namespace {

DWORD FixedSize(DWORD code) {
    return FindMapRequest(code)->m_nSize;
}

// A headerless request block of the catalogue's size.
BYTE* NewBlock(DWORD code) {
    return static_cast<BYTE*>(MapApiCalloc(static_cast<int>(FixedSize(code))));
}

// A request with the header and payloadSize further bytes; null when that would not fit an int.
MapApiMsgHeader* NewMsg(uint64_t payloadSize) {
    if (payloadSize > uint64_t(std::numeric_limits<int>::max() - 16)) {
        return nullptr;
    }
    return MapApiAllocMsg(static_cast<int>(payloadSize));
}

int SendAndFree(MapApiLink* link, DWORD code, void* block, uint64_t size, INT64* result, int timeoutMs = 0) {
    if (block == nullptr && size != 0) {
        return kMapBadArgument;  // out of memory: nothing sent
    }
    const int rc = MapApiSendCmd(link, code, block, static_cast<DWORD>(size), result, timeoutMs);
    std::free(block);
    return rc;
}

// UTF-8 text copied into a zeroed field, cut at a character boundary to at most maxBytes bytes.
void PutCutText(void* block, size_t offset, const char* text, size_t maxBytes) {
    if (text == nullptr) {
        return;
    }
    char* field = static_cast<char*>(block) + offset;
    const size_t n = strnlen(text, maxBytes);
    std::memcpy(field, text, n);
    field[n] = '\0';
    CutValidUtf8(field);
}

// The sibling senders: header with the type and ids, then the record's wire form.
int SendObject(MapApiLink* link, const void* obj, int type, DWORD parentId, DWORD objectId, DWORD value,
               INT64* result, bool report) {
    DWORD wireSize = 0;
    BYTE* wire = MapApiSerializeObj(link, obj, type, &wireSize);
    if (wire == nullptr) {
        return kMapBadArgument;  // a record that cannot be written: nothing sent
    }
    MapApiMsgHeader* msg = NewMsg(wireSize);
    if (msg == nullptr) {
        std::free(wire);
        return kMapBadArgument;
    }
    msg->m_byObjType = static_cast<BYTE>(type);
    msg->m_nParentId = (parentId == 0 && objectId == 0) ? 1 : parentId;
    msg->m_nObjectId = objectId;
    msg->m_nValue = value;
    std::memcpy(msg + 1, wire, wireSize);
    std::free(wire);
    const int rc = SendAndFree(link, 20102, msg, uint64_t(16) + wireSize, result);
    if (report && rc < 0) {
        ShowApiError(rc);
    }
    return rc;
}

int SendIds(MapApiLink* link, DWORD code, const DWORD* ids, int count, DWORD flags) {
    if (count < 1 || ids == nullptr) {
        return kMapBadArgument;
    }
    MapApiMsgHeader* msg = NewMsg(uint64_t(count) * 4);
    if (msg == nullptr) {
        return kMapBadArgument;
    }
    msg->m_nValue = flags;
    std::memcpy(msg + 1, ids, size_t(count) * 4);
    return SendAndFree(link, code, msg, 16 + uint64_t(count) * 4, nullptr);
}

int SendPoint(MapApiLink* link, DWORD code, double first, double second, bool flag) {
    BYTE* block = NewBlock(code);
    if (block != nullptr) {
        WriteWire(block, 0, first);
        WriteWire(block, 8, second);
        WriteWire<BYTE>(block, 16, flag ? 0 : 1);
    }
    return SendAndFree(link, code, block, FixedSize(code), nullptr);
}

}  // namespace

int MapApiMoveMapView(MapApiLink* link, DWORD mapId, DWORD level, double x, double y, BYTE flag, BYTE mode,
                      int timeoutMs) {
    BYTE* block = NewBlock(20011);
    if (block != nullptr) {
        WriteWire(block, 0, y);
        WriteWire(block, 8, x);
        WriteWire(block, 16, mode);
        WriteWire(block, 24, mapId);
        WriteWire(block, 28, level);
        WriteWire(block, 32, flag);
    }
    return SendAndFree(link, 20011, block, FixedSize(20011), nullptr, timeoutMs);
}

int MapApiGetMapState(MapApiLink*, BYTE kind) {
    BYTE* block = NewBlock(20012);
    if (block != nullptr) {
        WriteWire(block, 40, kind);
    }
    return SendAndFree(&g_MapApiLink, 20012, block, FixedSize(20012), nullptr);
}

int MapApiSetFollowInterval(MapApiLink*, DWORD value) {
    INT64 answer = 0;
    const int rc = MapApiSendCmd(&g_MapApiLink, 20013, &value, sizeof value, &answer, 0);
    return rc < 0 ? rc : static_cast<int>(answer);
}

int MapApiListFolders(MapApiLink* link, DWORD parentId) {
    MapApiMsgHeader* msg = MapApiAllocMsg(0);
    if (msg != nullptr) {
        msg->m_nObjectId = parentId == 0 ? 1 : parentId;
    }
    return SendAndFree(link, 20100, msg, 16, nullptr);
}

int MapApiQueryFolder(MapApiLink* link, DWORD folderId, BYTE flag) {
    MapApiMsgHeader* msg = MapApiAllocMsg(0);
    if (msg != nullptr) {
        msg->m_byFlag = flag;
        msg->m_nObjectId = folderId;
    }
    return SendAndFree(link, 20101, msg, 16, nullptr);
}

int SendMapObjectType30(MapApiLink* link, const MapFolderObj* folder, DWORD parentId, DWORD objectId,
                        DWORD value, INT64* result) {
    return SendObject(link, folder, kMapTypeFolder, parentId, objectId, value, result, true);
}

int SendMapObjectType7(MapApiLink* link, const MapMarkObj* mark, DWORD parentId, DWORD objectId, DWORD value,
                       INT64* result) {
    return SendObject(link, mark, kMapTypeMark, parentId, objectId, value, result, true);
}

int SendMapObjectType8(MapApiLink* link, const MapTrackObj* track, DWORD parentId, DWORD objectId,
                       DWORD value, INT64* result) {
    return SendObject(link, track, kMapTypeTrack, parentId, objectId, value, result, true);
}

int SendMapObjectType13(MapApiLink* link, const MapShapeObj* shape, DWORD parentId, DWORD objectId,
                        DWORD value, INT64* result) {
    return SendObject(link, shape, kMapTypeShape, parentId, objectId, value, result, false);
}

int SendMapObjectType11(MapApiLink* link, const MapMultiObj* multi, DWORD parentId, DWORD objectId,
                        DWORD value, INT64* result) {
    return SendObject(link, multi, kMapTypeMulti, parentId, objectId, value, result, false);
}

int SendMapObject(MapApiLink* link, const void* obj, int type, DWORD parentId, DWORD objectId, DWORD value,
                  INT64* result) {
    switch (type) {
        case kMapTypeFolder:
            return SendMapObjectType30(link, static_cast<const MapFolderObj*>(obj), parentId, objectId, value,
                                       result);
        case kMapTypeMark:
            return SendMapObjectType7(link, static_cast<const MapMarkObj*>(obj), parentId, objectId, value,
                                      result);
        case kMapTypeTrack:
            return SendMapObjectType8(link, static_cast<const MapTrackObj*>(obj), parentId, objectId, value,
                                      result);
        case kMapTypeShape:
            return SendMapObjectType13(link, static_cast<const MapShapeObj*>(obj), parentId, objectId, value,
                                       result);
        case kMapTypeMulti:
            return SendMapObjectType11(link, static_cast<const MapMultiObj*>(obj), parentId, objectId, value,
                                       result);
        default:
            return 0;
    }
}

int MapApiAddObjectType30(MapApiLink* link, const MapFolderObj* folder, DWORD parentId, DWORD objectId,
                          DWORD value, INT64* result) {
    INT64 answer = 0;
    const int rc = SendObject(link, folder, kMapTypeFolder, parentId, objectId, value, &answer, false);
    if (result != nullptr) {
        *result = answer;
    }
    // An id too large for the result is given through result only.
    return (rc == 0 && answer >= 1 && answer <= std::numeric_limits<int>::max()) ? static_cast<int>(answer)
                                                                                 : rc;
}

int MapApiAddObjectType7(MapApiLink* link, const MapMarkObj* mark, DWORD parentId, DWORD objectId,
                         DWORD value, INT64* result) {
    return SendObject(link, mark, kMapTypeMark, parentId, objectId, value, result, false);
}

int MapApiAddObjectType8(MapApiLink* link, const MapTrackObj* track, DWORD parentId, DWORD objectId,
                         DWORD value, INT64* result) {
    return SendObject(link, track, kMapTypeTrack, parentId, objectId, value, result, false);
}

int MapApiAddObjectType13(MapApiLink* link, const MapShapeObj* shape, DWORD parentId, DWORD objectId,
                          DWORD value, INT64* result) {
    return SendObject(link, shape, kMapTypeShape, parentId, objectId, value, result, false);
}

int MapApiAddObjectType11(MapApiLink* link, const MapMultiObj* multi, DWORD parentId, DWORD objectId,
                          DWORD value, INT64* result) {
    return SendObject(link, multi, kMapTypeMulti, parentId, objectId, value, result, false);
}

int MapApiAddObject(MapApiLink* link, const void* obj, int type, DWORD parentId, DWORD objectId, DWORD value,
                    INT64* result) {
    switch (type) {
        case kMapTypeFolder:
            return MapApiAddObjectType30(link, static_cast<const MapFolderObj*>(obj), parentId, objectId,
                                         value, result);
        case kMapTypeMark:
            return MapApiAddObjectType7(link, static_cast<const MapMarkObj*>(obj), parentId, objectId, value,
                                        result);
        case kMapTypeTrack:
            return MapApiAddObjectType8(link, static_cast<const MapTrackObj*>(obj), parentId, objectId, value,
                                        result);
        case kMapTypeShape:
            return MapApiAddObjectType13(link, static_cast<const MapShapeObj*>(obj), parentId, objectId,
                                         value, result);
        case kMapTypeMulti:
            return MapApiAddObjectType11(link, static_cast<const MapMultiObj*>(obj), parentId, objectId,
                                         value, result);
        default:
            return 0;
    }
}

int MapApiDeleteObjects(MapApiLink* link, const DWORD* ids, int count, bool first, bool second) {
    const DWORD flags = (first ? 1u : 0u) | (second ? 2u : 0u);
    return SendIds(link, 20103, ids, count, flags);
}

int MapApiFindFolder(MapApiLink* link, const char* name, DWORD parentId, BYTE type) {
    MapApiMsgHeader* msg = MapApiAllocMsg(kMapNameBytes);
    if (msg != nullptr) {
        msg->m_byObjType = type;
        msg->m_nParentId = parentId;
        PutCutText(msg, 16, name, kMapNameBytes - 1);
    }
    return SendAndFree(link, 20105, msg, 16 + kMapNameBytes, nullptr);
}

int MapApiFetchSelection(MapApiLink* link) {
    MapApiMsgHeader* msg = MapApiAllocMsg(0);
    if (msg != nullptr) {
        msg->m_byFlag = 3;
    }
    return SendAndFree(link, 20110, msg, 16, nullptr);
}

int MapApiSendBuffer(MapApiLink* link, DWORD code, MapApiBuf* buf, bool freeAfter) {
    if (buf == nullptr) {
        return kMapBadArgument;
    }
    const int rc =
        MapApiSendCmd(link, code, buf->m_pData, buf->m_pData != nullptr ? buf->m_nUsed : 0, nullptr, 0);
    if (freeAfter) {
        std::free(buf->m_pData);
        buf->m_pData = nullptr;
    }
    return rc;
}

int MapApiSetAssocPoints(MapApiLink* link, DWORD kind, const void* items, int count) {
    if (count < 1 || items == nullptr) {
        return kMapNoWindow;  // the callers take -1 for "nothing to set"
    }
    const uint64_t itemBytes = uint64_t(count) * kAssocPointItemSize;
    MapApiMsgHeader* msg = NewMsg(40 + itemBytes);
    if (msg == nullptr) {
        return kMapNoWindow;
    }
    WriteWire(msg, 16, kind);
    std::memcpy(reinterpret_cast<BYTE*>(msg) + 56, items, itemBytes);
    return SendAndFree(link, 20201, msg, 56 + itemBytes, nullptr);
}

int MapApiGetCoordState(MapApiLink*) {
    return MapApiSendCmd(&g_MapApiLink, 20202, nullptr, 0, nullptr, 0);
}

int MapApiGetGridOrigin(MapApiLink*) {
    return MapApiSendCmd(&g_MapApiLink, 20211, nullptr, 0, nullptr, 0);
}

int MapApiGetResolutionTable(MapApiLink*, double originX, double originY) {
    BYTE* block = NewBlock(20212);
    if (block != nullptr) {
        WriteWire(block, 24, originX);
        WriteWire(block, 32, originY);
    }
    return SendAndFree(&g_MapApiLink, 20212, block, FixedSize(20212), nullptr);
}

int MapApiRenderView(MapApiLink* link, double minX, double minY, double maxX, double maxY, UINT64 pixelBudget,
                     DWORD level) {
    MapApiMsgHeader* msg = NewMsg(FixedSize(20301) - 16);
    if (msg != nullptr) {
        WriteWire(msg, 16, minX);  // x before y in this request
        WriteWire(msg, 24, minY);
        WriteWire(msg, 32, maxX);
        WriteWire(msg, 40, maxY);
        WriteWire<BYTE>(msg, 48, 2);
        WriteWire(msg, 56, pixelBudget);
        WriteWire(msg, 64, level);
    }
    return SendAndFree(link, 20301, msg, FixedSize(20301), nullptr);
}

int MapApiRequestMapFiles(MapApiLink* link, const void* records, int count) {
    if (count < 1 || records == nullptr) {
        return kMapBadArgument;
    }
    const uint64_t bytes = uint64_t(count) * kMapFileRequestSize;
    MapApiMsgHeader* msg = NewMsg(bytes);
    if (msg == nullptr) {
        return kMapBadArgument;
    }
    std::memcpy(msg + 1, records, bytes);
    return SendAndFree(link, 20302, msg, 16 + bytes, nullptr);
}

int MapApiCheckUpdate(MapApiLink* link) {
    BYTE* block = NewBlock(20203);
    if (block != nullptr) {
        WriteWire<DWORD>(block, 0, 1);
        WriteWire<DWORD>(block, 4, kPluginVersion);
        WriteWire<DWORD>(block, 24, 1);
    }
    return SendAndFree(link, 20203, block, FixedSize(20203), nullptr);
}

int MapApiSetMenuEntry(MapApiLink* link, INT32 action, const char* text, int timeoutMs) {
    MapApiMsgHeader* msg = NewMsg(FixedSize(20401) - 16);
    if (msg != nullptr) {
        WriteWire(msg, 20, action);
        PutCutText(msg, 24, text, kMenuEntryTextBytes);
    }
    return SendAndFree(link, 20401, msg, FixedSize(20401), nullptr, timeoutMs);
}

int MapApiSendPoint(MapApiLink* link, double first, double second, bool flag) {
    return SendPoint(link, 20002, first, second, flag);
}

int MapApiSendPointEx(MapApiLink* link, double first, double second, bool flag) {
    return SendPoint(link, 20003, first, second, flag);
}

int MapApiSendValues(MapApiLink* link, double first, double second, DWORD a, DWORD b) {
    BYTE* block = NewBlock(20007);
    if (block != nullptr) {
        WriteWire(block, 0, second);
        WriteWire(block, 8, first);
        WriteWire(block, 24, a);
        WriteWire(block, 28, b);
    }
    return SendAndFree(link, 20007, block, FixedSize(20007), nullptr);
}

int MapApiSendPlain(MapApiLink* link) {
    return MapApiSendCmd(link, 20010, nullptr, 0, nullptr, 0);
}

int MapApiSendOneId(MapApiLink* link, DWORD id) {
    MapApiMsgHeader* msg = MapApiAllocMsg(4);
    if (msg != nullptr) {
        WriteWire(msg, 16, id);
    }
    return SendAndFree(link, 20104, msg, 20, nullptr);
}

int MapApiSendIdList(MapApiLink* link, const DWORD* ids, int count) {
    return SendIds(link, 20106, ids, count, 0);
}
