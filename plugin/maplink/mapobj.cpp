// Records: allocation with defaults, release, wire form and the parsers. Every length that arrives from the
// map application is checked in 64-bit arithmetic before a byte is read.
#include "plugin/maplink/mapobj.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "plugin/maplink/mapwire.h"

namespace {

constexpr uint64_t kMaxWire = std::numeric_limits<DWORD>::max();

// Offsets of the wire forms after each fixed part: the text length and the text.
constexpr uint64_t kMarkFixed = sizeof(MapMarkObj);    // 416
constexpr uint64_t kPointFixed = sizeof(MapTrackObj);  // 200, same for shapes
constexpr uint64_t kMultiFixed = sizeof(MapMultiObj);  // 480

uint64_t Round8(uint64_t v) {
    return (v + 7) & ~uint64_t{7};
}

uint64_t TextLength(const char* text) {
    return text != nullptr ? std::strlen(text) : 0;
}

// Received names need not be terminated inside their field; later readers treat them as C strings.
void TerminateName(char* name) {
    name[kMapNameBytes - 1] = '\0';
}

// Where a record's wire form puts its parts: computed once, then written straight into its destination (a
// block of its own, or the packet being built), so that no byte is zeroed or copied twice.
struct WirePlan {
    uint64_t m_textLen = 0;
    uint64_t m_head = 0;   // offset after the text and its padding: the points, parts or end
    uint64_t m_total = 0;  // bytes of the whole wire form
};

// The plan of a record's wire form; false for an unknown type and for a record that cannot be written
// faithfully (a negative count, a count without its array, a form past 4 GiB).
bool PlanWire(const void* obj, int type, WirePlan* plan) {
    switch (type) {
        case kMapTypeFolder:
            plan->m_head = plan->m_total = sizeof(MapFolderObj);
            return true;
        case kMapTypeMark: {
            plan->m_textLen = TextLength(static_cast<const MapMarkObj*>(obj)->m_pText);
            plan->m_head = plan->m_total = kMarkFixed + 4 + plan->m_textLen;
            break;
        }
        case kMapTypeTrack:
        case kMapTypeShape: {
            const auto* track = static_cast<const MapTrackObj*>(obj);  // shapes share the offsets
            if (track->m_nCount < 0 || (track->m_nCount > 0 && track->m_pPoints == nullptr)) {
                return false;
            }
            plan->m_textLen = TextLength(track->m_pText);
            plan->m_head = Round8(kPointFixed + 4 + plan->m_textLen);
            plan->m_total = plan->m_head + uint64_t(track->m_nCount) * sizeof(MapObjPoint);
            break;
        }
        case kMapTypeMulti: {
            const auto* multi = static_cast<const MapMultiObj*>(obj);
            const int parts = multi->m_nPartCount;
            if (parts < 0 || (parts > 0 && multi->m_pParts == nullptr)) {
                return false;
            }
            uint64_t items = 0;
            for (int i = 0; i < parts; ++i) {
                const MapMultiPart& part = multi->m_pParts[i];
                if (part.m_nItemCount < 0 || (part.m_nItemCount > 0 && part.m_pItems == nullptr)) {
                    return false;
                }
                items += uint64_t(part.m_nItemCount);
            }
            plan->m_textLen = TextLength(multi->m_pText);
            plan->m_head = Round8(kMultiFixed + 4 + plan->m_textLen);
            plan->m_total =
                plan->m_head + uint64_t(parts) * sizeof(MapMultiPart) + items * sizeof(MapMultiItem);
            break;
        }
        default:
            return false;
    }
    return plan->m_total <= kMaxWire;
}

// The fixed part with our heap addresses zeroed (they have no business in another process), L, the text
// and the zero padding up to the plan's head.
void WriteFixedAndText(BYTE* out, const void* obj, uint64_t fixed, uint64_t pointerBytes, const char* text,
                       const WirePlan& plan) {
    std::memcpy(out, obj, fixed);
    std::memset(out + offsetof(MapTrackObj, m_pText), 0, pointerBytes);  // same offset in every record
    WriteWire(out, fixed, static_cast<DWORD>(plan.m_textLen));
    if (plan.m_textLen > 0) {
        std::memcpy(out + fixed + 4, text, plan.m_textLen);
    }
    const uint64_t end = fixed + 4 + plan.m_textLen;
    std::memset(out + end, 0, plan.m_head - end);
}

// Writes the planned wire form into out, which holds plan.m_total bytes; every byte is written.
void WriteWire(const void* obj, int type, const WirePlan& plan, BYTE* out) {
    switch (type) {
        case kMapTypeFolder:
            std::memcpy(out, obj, sizeof(MapFolderObj));
            break;
        case kMapTypeMark: {
            const auto* mark = static_cast<const MapMarkObj*>(obj);
            WriteFixedAndText(out, mark, kMarkFixed, sizeof(char*), mark->m_pText, plan);
            break;
        }
        case kMapTypeTrack:
        case kMapTypeShape: {
            const auto* track = static_cast<const MapTrackObj*>(obj);
            WriteFixedAndText(out, track, kPointFixed, 16, track->m_pText, plan);
            if (track->m_nCount > 0) {
                std::memcpy(out + plan.m_head, track->m_pPoints,
                            size_t(track->m_nCount) * sizeof(MapObjPoint));
            }
            break;
        }
        case kMapTypeMulti: {
            const auto* multi = static_cast<const MapMultiObj*>(obj);
            WriteFixedAndText(out, multi, kMultiFixed, 16, multi->m_pText, plan);
            uint64_t pos = plan.m_head + uint64_t(multi->m_nPartCount) * sizeof(MapMultiPart);
            for (int i = 0; i < multi->m_nPartCount; ++i) {
                const MapMultiPart& part = multi->m_pParts[i];
                BYTE* wirePart = out + plan.m_head + uint64_t(i) * sizeof(MapMultiPart);
                std::memcpy(wirePart, &part, offsetof(MapMultiPart, m_pItems));
                std::memset(wirePart + offsetof(MapMultiPart, m_pItems), 0, sizeof(MapMultiItem*));
                const size_t bytes = size_t(part.m_nItemCount) * sizeof(MapMultiItem);
                if (bytes > 0) {
                    std::memcpy(out + pos, part.m_pItems, bytes);
                }
                pos += bytes;
            }
            break;
        }
        default:
            break;
    }
}

// Room for need bytes in all, growing by the rule of MapApiBufAppend; false (the buffer unchanged) when
// need passes 4 GiB or the growth fails.
bool Reserve(MapApiBuf* buf, uint64_t need) {
    if (need > kMaxWire) {
        return false;
    }
    if (need > buf->m_nCapacity || buf->m_pData == nullptr) {
        uint64_t capacity = need * 2 + 10;
        if (capacity > kMaxWire) {
            capacity = kMaxWire;
        }
        void* grown = std::realloc(buf->m_pData, capacity);
        if (grown == nullptr) {
            return false;
        }
        buf->m_pData = static_cast<BYTE*>(grown);
        buf->m_nCapacity = static_cast<DWORD>(capacity);
    }
    return true;
}

// Reads L at fixed, checks the text lies inside the bytes, and returns the offset after the padded text.
// 0 when the bytes cannot hold the fixed part, L and the text.
uint64_t CheckedHead(const BYTE* bytes, uint64_t count, uint64_t fixed, bool padded, uint64_t* textLen) {
    if (count < fixed + 4) {
        return 0;
    }
    *textLen = ReadWire<DWORD>(bytes, fixed);
    const uint64_t end = fixed + 4 + *textLen;
    const uint64_t head = padded ? Round8(end) : end;
    return head <= count ? head : 0;
}

// A record whose fixed part is the received bytes. Its defaults and zero fill would all be overwritten at
// once, so it is neither zeroed nor given them.
template <class T>
T* NewFromWire(const BYTE* bytes) {
    T* obj = static_cast<T*>(std::malloc(sizeof(T)));
    if (obj != nullptr) {
        std::memcpy(obj, bytes, sizeof(T));
    }
    return obj;
}

template <class T>
T* ParsePointObj(MapApiLink* link, const void* data, DWORD n, int type) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    uint64_t textLen = 0;
    const uint64_t head = bytes != nullptr ? CheckedHead(bytes, n, kPointFixed, true, &textLen) : 0;
    if (head == 0) {
        return nullptr;
    }
    T* obj = NewFromWire<T>(bytes);
    if (obj == nullptr) {
        return nullptr;
    }
    obj->m_pText = nullptr;
    obj->m_pPoints = nullptr;
    TerminateName(obj->m_szName);
    const int count = obj->m_nCount;
    if (count < 0 || uint64_t(n) != head + uint64_t(count) * sizeof(MapObjPoint)) {
        obj->m_nCount = 0;
        MapApiFreeObj(link, obj, type);
        return nullptr;
    }
    if (textLen > 0) {
        obj->m_pText = MapApiStrDup(reinterpret_cast<const char*>(bytes + kPointFixed + 4), DWORD(textLen));
    }
    if (count > 0) {
        obj->m_pPoints = static_cast<MapObjPoint*>(std::malloc(size_t(count) * sizeof(MapObjPoint)));
        if (obj->m_pPoints == nullptr) {
            MapApiFreeObj(link, obj, type);
            return nullptr;
        }
        std::memcpy(obj->m_pPoints, bytes + head, size_t(count) * sizeof(MapObjPoint));
    }
    return obj;
}

}  // namespace

void* MapApiCalloc(int size) {
    if (size < 0) {
        return nullptr;
    }
    return std::calloc(size_t(size) == 0 ? 1 : size_t(size), 1);
}

MapApiMsgHeader* MapApiAllocMsg(int payloadSize) {
    if (payloadSize < 0 || int64_t(payloadSize) + 16 > std::numeric_limits<int>::max()) {
        return nullptr;
    }
    auto* msg = static_cast<MapApiMsgHeader*>(MapApiCalloc(16 + payloadSize));
    if (msg != nullptr) {
        msg->m_nMarker = kMapMsgMarker;
    }
    return msg;
}

bool MapApiBufAppend(MapApiBuf* buf, const void* bytes, int count) {
    if (buf == nullptr || count < 0 || (count > 0 && bytes == nullptr)) {
        return false;
    }
    const uint64_t need = uint64_t(buf->m_nUsed) + uint64_t(count);
    if (!Reserve(buf, need)) {
        return false;
    }
    if (count > 0) {
        std::memcpy(buf->m_pData + buf->m_nUsed, bytes, size_t(count));
    }
    buf->m_nUsed = static_cast<DWORD>(need);
    return true;
}

bool MapApiBufAppendObj(MapApiLink*, MapApiBuf* buf, const void* obj, int type, DWORD* outSize) {
    WirePlan plan;
    if (buf == nullptr || obj == nullptr || !PlanWire(obj, type, &plan) ||
        !Reserve(buf, uint64_t(buf->m_nUsed) + plan.m_total)) {
        return false;
    }
    WriteWire(obj, type, plan, buf->m_pData + buf->m_nUsed);
    buf->m_nUsed += static_cast<DWORD>(plan.m_total);
    if (outSize != nullptr) {
        *outSize = static_cast<DWORD>(plan.m_total);
    }
    return true;
}

char* MapApiStrDup(const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy != nullptr) {
        std::memcpy(copy, text, n);
    }
    return copy;
}

char* MapApiStrDup(const char* text, uint32_t n) {
    char* copy = static_cast<char*>(std::calloc(size_t(n) + 1, 1));
    if (copy != nullptr && text != nullptr && n > 0) {
        std::memcpy(copy, text, n);
    }
    return copy;
}

MapFolderObj* MapApiNewFolder(MapApiLink*) {
    auto* obj = static_cast<MapFolderObj*>(MapApiCalloc(sizeof(MapFolderObj)));
    if (obj != nullptr) {
        obj->m_byAlloc = 1;
    }
    return obj;
}

MapMarkObj* MapApiNewMarker(MapApiLink*) {
    return static_cast<MapMarkObj*>(MapApiCalloc(sizeof(MapMarkObj)));
}

MapTrackObj* MapApiNewTrack(MapApiLink*) {
    auto* obj = static_cast<MapTrackObj*>(MapApiCalloc(sizeof(MapTrackObj)));
    if (obj != nullptr) {
        obj->m_crLine = 0xFF0000;
        obj->m_nWidth = 3;
        obj->m_byOpacity = 50;
    }
    return obj;
}

MapShapeObj* MapApiNewShape(MapApiLink*) {
    auto* obj = static_cast<MapShapeObj*>(MapApiCalloc(sizeof(MapShapeObj)));
    if (obj != nullptr) {
        obj->m_byFlag = 1;
        obj->m_byLineOpacity = 50;
        obj->m_byFillOpacity = 50;
        obj->m_crLine = 0xFF0000;
        obj->m_crFill = 0xFF0000;
    }
    return obj;
}

MapMultiObj* MapApiNewMulti(MapApiLink*) {
    auto* obj = static_cast<MapMultiObj*>(MapApiCalloc(sizeof(MapMultiObj)));
    if (obj != nullptr) {
        obj->m_byStyle1 = 7;
        obj->m_byStyle2 = 60;
        obj->m_crColor = 255;
    }
    return obj;
}

void MapApiFreeObj(MapApiLink*, void* obj, int type) {
    if (obj == nullptr) {
        return;
    }
    switch (type) {
        case kMapTypeMark:
            std::free(static_cast<MapMarkObj*>(obj)->m_pText);
            break;
        case kMapTypeTrack:
        case kMapTypeShape: {
            auto* track = static_cast<MapTrackObj*>(obj);  // shapes share the offsets
            std::free(track->m_pText);
            std::free(track->m_pPoints);
            break;
        }
        case kMapTypeMulti: {
            auto* multi = static_cast<MapMultiObj*>(obj);
            std::free(multi->m_pText);
            if (multi->m_pParts != nullptr) {
                for (int i = 0; i < multi->m_nPartCount; ++i) {
                    std::free(multi->m_pParts[i].m_pItems);
                }
                std::free(multi->m_pParts);
            }
            break;
        }
        default:
            break;
    }
    std::free(obj);
}

BYTE* MapApiSerializeObj(MapApiLink*, const void* obj, int type, DWORD* outSize) {
    WirePlan plan;
    if (obj == nullptr || outSize == nullptr || !PlanWire(obj, type, &plan)) {
        return nullptr;
    }
    BYTE* out = static_cast<BYTE*>(std::malloc(plan.m_total));
    if (out == nullptr) {
        return nullptr;
    }
    WriteWire(obj, type, plan, out);
    *outSize = static_cast<DWORD>(plan.m_total);
    return out;
}

MapFolderObj* MapApiParseFolder(MapApiLink*, const void* bytes, DWORD count) {
    if (bytes == nullptr || count != sizeof(MapFolderObj)) {
        return nullptr;
    }
    MapFolderObj* obj = NewFromWire<MapFolderObj>(static_cast<const BYTE*>(bytes));
    if (obj != nullptr) {
        TerminateName(obj->m_szName);
    }
    return obj;
}

MapMarkObj* MapApiParseMarker(MapApiLink*, const void* data, DWORD count) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    uint64_t textLen = 0;
    const uint64_t end = bytes != nullptr ? CheckedHead(bytes, count, kMarkFixed, false, &textLen) : 0;
    if (end == 0 || end != count) {
        return nullptr;
    }
    MapMarkObj* obj = NewFromWire<MapMarkObj>(bytes);
    if (obj == nullptr) {
        return nullptr;
    }
    obj->m_pText = nullptr;
    TerminateName(obj->m_szName);
    if (textLen > 0) {
        obj->m_pText = MapApiStrDup(reinterpret_cast<const char*>(bytes + kMarkFixed + 4), DWORD(textLen));
    }
    return obj;
}

MapTrackObj* MapApiParseTrack(MapApiLink* link, const void* bytes, DWORD count) {
    return ParsePointObj<MapTrackObj>(link, bytes, count, kMapTypeTrack);
}

MapShapeObj* MapApiParseShape(MapApiLink* link, const void* bytes, DWORD count) {
    return ParsePointObj<MapShapeObj>(link, bytes, count, kMapTypeShape);
}

MapMultiObj* MapApiParseMulti(MapApiLink* link, const void* data, DWORD n) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    uint64_t textLen = 0;
    const uint64_t head = bytes != nullptr ? CheckedHead(bytes, n, kMultiFixed, true, &textLen) : 0;
    if (head == 0) {
        return nullptr;
    }
    MapMultiObj* obj = NewFromWire<MapMultiObj>(bytes);
    if (obj == nullptr) {
        return nullptr;
    }
    obj->m_pText = nullptr;
    obj->m_pParts = nullptr;
    TerminateName(obj->m_szName);
    const int parts = obj->m_nPartCount;
    const uint64_t itemsAt = head + uint64_t(parts < 0 ? 0 : parts) * sizeof(MapMultiPart);
    if (parts < 0 || itemsAt > n) {
        MapApiFreeObj(link, obj, kMapTypeMulti);
        return nullptr;
    }
    if (textLen > 0) {
        obj->m_pText = MapApiStrDup(reinterpret_cast<const char*>(bytes + kMultiFixed + 4), DWORD(textLen));
    }
    if (parts == 0) {
        return obj;
    }
    obj->m_pParts = static_cast<MapMultiPart*>(std::malloc(size_t(parts) * sizeof(MapMultiPart)));
    if (obj->m_pParts == nullptr) {
        MapApiFreeObj(link, obj, kMapTypeMulti);
        return nullptr;
    }
    std::memcpy(obj->m_pParts, bytes + head, size_t(parts) * sizeof(MapMultiPart));
    for (int i = 0; i < parts; ++i) {
        obj->m_pParts[i].m_pItems = nullptr;  // wire bytes, not ours to free
    }
    // Every part's items must lie inside the bytes received; a message whose item counts reach past its
    // end is refused like the other length failures. Longer messages are accepted.
    uint64_t pos = itemsAt;
    for (int i = 0; i < parts; ++i) {
        MapMultiPart& part = obj->m_pParts[i];
        const int items = part.m_nItemCount;
        const uint64_t bytesNeeded = uint64_t(items < 0 ? 0 : items) * sizeof(MapMultiItem);
        if (items < 0 || pos + bytesNeeded > n) {
            MapApiFreeObj(link, obj, kMapTypeMulti);
            return nullptr;
        }
        if (items > 0) {
            part.m_pItems = static_cast<MapMultiItem*>(std::malloc(bytesNeeded));
            if (part.m_pItems == nullptr) {
                MapApiFreeObj(link, obj, kMapTypeMulti);
                return nullptr;
            }
            std::memcpy(part.m_pItems, bytes + pos, bytesNeeded);
        }
        pos += bytesNeeded;
    }
    return obj;
}
