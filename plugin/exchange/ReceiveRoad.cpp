#include "plugin/exchange/ReceiveRoad.h"

#include <cmath>
#include <cstring>

#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/exchange/DlgMsg.h"
#include "plugin/core/MessageWindow.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/arxutil/EntityUtil.h"
#include "plugin/arxutil/LayerUtil.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/exchange/EntityBuilders.h"
#include "plugin/exchange/MapFolderTree.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/mapwire.h"

namespace {

constexpr DWORD kPacketHead = sizeof(MapPacketHead);  // request header and group header
constexpr DWORD kRecordHead = sizeof(MapObjHeader);   // object header in front of every serialised object
constexpr uint64_t kLargeHandleKey = 0xFFFFFFFF;      // the key every handle above 32 bits shares
constexpr double kNoPosition = 2.0;  // a reference point this close to the origin counts as none
constexpr const char16_t* kIgnoredHeading = u"以下[块/面域]对象被系统忽略：\r\n";
// The least a record takes that can be built and bound: a track's or shape's fixed part after its header.
constexpr DWORD kLeastBuiltRecord = kRecordHead + sizeof(MapTrackObj);

// One record's object header, read only once its 64 bytes are known to lie inside the limit.
using RecordHead = MapObjHeader;

// The records of one answer, walked within min(total, received): a header or a payload that does not fit,
// or a negative size, ends the walk.
class CRecordReader {
public:
    CRecordReader(const BYTE* data, DWORD length) : m_data(data) {
        const uint64_t total = ReadWire<MapPacketHead>(data).m_group.m_nTotal;
        m_end = kPacketHead + std::min<uint64_t>(total, length - kPacketHead);
    }

    // The header at the reading position, false when no whole record lies there.
    bool Peek(RecordHead& head) const {
        if (m_pos + kRecordHead > m_end) {
            return false;
        }
        head = ReadWire<MapObjHeader>(m_data, m_pos);
        return head.m_nSize >= 0 && m_pos + kRecordHead + uint64_t(head.m_nSize) <= m_end;
    }
    const BYTE* Payload() const { return m_data + m_pos + kRecordHead; }
    void Skip(const RecordHead& head) { m_pos += kRecordHead + uint64_t(head.m_nSize); }
    bool AtLast(const RecordHead& head) const {
        return m_pos + kRecordHead + uint64_t(head.m_nSize) >= m_end;
    }

private:
    const BYTE* m_data;
    uint64_t m_pos = kPacketHead;
    uint64_t m_end = kPacketHead;
};

// The current document's write lock and one transaction, for the life of the object.
class CReceiveScope {
public:
    explicit CReceiveScope(AcApDocument* doc) : m_lock(doc) {
        if (m_lock.Locked()) {
            m_doc = doc;
            m_doc->transactionManager()->startTransaction();
        }
    }
    ~CReceiveScope() { End(); }
    CReceiveScope(const CReceiveScope&) = delete;
    CReceiveScope& operator=(const CReceiveScope&) = delete;
    bool Locked() const { return m_doc != nullptr; }
    void End() {
        if (m_doc != nullptr) {
            m_doc->transactionManager()->endTransaction();
            m_doc = nullptr;
        }
        m_lock.Unlock();
    }

private:
    CDocWriteLock m_lock;
    AcApDocument* m_doc = nullptr;
};

// The object of one record built on the layer: what was built and the binding's name and remark.
struct BuiltObject {
    AcDbObjectId id;
    CBuildKind kind = CBuildKind::kNothing;
    CString name;
    CString remark;
};

template <class T>
void TakeTexts(const T* obj, BuiltObject& built) {
    built.name = MultiByteToCString(obj->m_szName);
    built.remark = MultiByteToCString(obj->m_pText);
}

BuiltObject BuildRecord(const RecordHead& head, const BYTE* payload, const CString& layer) {
    BuiltObject built;
    const DWORD size = DWORD(head.m_nSize);
    switch (head.m_nType) {
        case kMapTypeMark:
            if (MapMarkObj* marker = MapApiParseMarker(&g_MapApiLink, payload, size)) {
                built.id = CreateSignEntities(marker, layer, false);
                TakeTexts(marker, built);
                MapApiFreeObj(&g_MapApiLink, marker, kMapTypeMark);
            }
            break;
        case kMapTypeTrack:
            if (MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, payload, size)) {
                built.id = CreateTrackEntities(track, layer, head.m_nMapId, &built.kind);
                TakeTexts(track, built);
                MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
            }
            return built;
        case kMapTypeShape:
            if (MapShapeObj* shape = MapApiParseShape(&g_MapApiLink, payload, size)) {
                built.id = CreateShapeEntities(shape, layer);
                TakeTexts(shape, built);
                MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
            }
            break;
        case kMapTypeMulti:
            if (MapMultiObj* multi = MapApiParseMulti(&g_MapApiLink, payload, size)) {
                built.id = CreateMultiPartEntity(multi, layer);
                TakeTexts(multi, built);
                MapApiFreeObj(&g_MapApiLink, multi, kMapTypeMulti);
            }
            break;
        default:
            break;
    }
    built.kind = built.id.isNull() ? CBuildKind::kNothing : CBuildKind::kSingle;
    return built;
}

// The object was built: what stood for it before goes (only now, so that a failed rebuild keeps it), and a
// single entity is bound to it.
void Rebind(CDocSyncState& state, uint32_t mapId, const BuiltObject& built) {
    uint64_t oldKey = 0;
    if (mapId != 0 && state.m_mapIds.Get(mapId, oldKey)) {
        if (oldKey != kLargeHandleKey) {
            CEntityUtil::EraseByHandle(oldKey);
        }
        state.m_bindings.EraseBinding(oldKey);
        state.m_mapIds.Erase(mapId);
    }
    // A group the object was built as before, and is not built as now.
    if (built.kind != CBuildKind::kPointGroup && state.m_pointGroups.Find(mapId) != nullptr) {
        state.m_pointGroups.EmptyLink(mapId);
    }
    if (built.kind != CBuildKind::kTrackGroup && state.m_trackGroups.Find(mapId) != nullptr) {
        state.m_trackGroups.EmptyLink(mapId);
    }
    if (built.kind != CBuildKind::kSingle || mapId == 0) {
        return;
    }
    auto* record = new CBindingRecord;
    record->m_mapId = mapId;
    record->m_key = HandleToUInt32(built.id.handle());
    record->m_name = built.name;
    record->m_remark = built.remark;
    state.m_bindings.SetBinding(record->m_key, record, false);
    state.m_mapIds.Set(mapId, record->m_key);
}

// An entity that stands for the object can be erased to make room for the rebuilt one: it is gone already,
// or it opens for write (an entity on a locked layer does not).
bool Replaceable(uint64_t key) {
    if (key == kLargeHandleKey) {
        return true;
    }
    const AcDbObjectId id = CEntityUtil::GetObjectIdFromHandle(key);
    if (id.isNull() || id.isErased()) {
        return true;
    }
    AcDbObject* object = nullptr;
    if (acdbOpenObject(object, id, AcDb::kForWrite) != Acad::eOk) {
        return false;
    }
    object->close();
    return true;
}

// Whether everything that stands for the map object now can be replaced; the name of what can't.
bool CanReplace(CDocSyncState& state, uint32_t mapId, CString& name) {
    if (mapId == 0) {
        return true;
    }
    uint64_t key = 0;
    if (state.m_mapIds.Get(mapId, key) && !Replaceable(key)) {
        if (const CBindingRecord* binding = state.m_bindings.FindBinding(key)) {
            name = binding->m_name;
        }
        return false;
    }
    for (CMapObjLinkTable* groups : {&state.m_pointGroups, &state.m_trackGroups}) {
        const CMapObjLink* link = groups->Find(mapId);
        if (link == nullptr) {
            continue;
        }
        for (uint64_t member : link->m_keys) {
            if (!Replaceable(member)) {
                if (link->m_record != nullptr) {
                    name = link->m_record->m_name;
                }
                return false;
            }
        }
    }
    return true;
}

// The layer of a folder the tree knows: made when the drawing lacks it (a folder of another drawing, one the
// map user made). A name the host refuses as a layer name gives the current layer rather than nowhere.
CString LayerOfFolder(const CString& name) {
    if (CLayerUtil::GetLayerId(name).isNull() && CLayerUtil::GetLayerId(name, true).isNull()) {
        return CString();
    }
    return name;
}

// A folder of this drawing's exploded entity came back: recorded without a layer, listed, and its parts
// (the records after it that name it as their parent, as many as it counts) passed over.
void IgnoreExplodedFolder(CRecordReader& reader, const RecordHead& head, CString& ignored) {
    DWORD children = 0;
    if (MapFolderObj* folder = MapApiParseFolder(&g_MapApiLink, reader.Payload(), DWORD(head.m_nSize))) {
        const CString name = MultiByteToCString(folder->m_szName);
        g_MapFolderTree.RecordFolder(name, head.m_nMapId, false);
        ignored += u"\r\n";
        ignored += name;
        children = folder->m_nChildCount;
        MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    }
    reader.Skip(head);
    RecordHead part{};
    for (DWORD i = 0;
         i < children && reader.Peek(part) && (part.m_nParentId == head.m_nMapId || part.m_nParentId == 0);
         ++i) {
        reader.Skip(part);
    }
}

}  // namespace

bool ReceiveMapObjects(const BYTE* data, DWORD length) {
    AcApDocument* doc = acDocManager->curDocument();
    CDocSyncState* state = CurrentDocState();
    // The tables must be this drawing's: handles of one drawing mean nothing in another.
    if (data == nullptr || length < kPacketHead + kRecordHead || doc == nullptr || state == nullptr ||
        (state->m_pDoc != nullptr && state->m_pDoc != doc)) {
        acedRestoreStatusBar();
        return true;
    }
    CReceiveScope scope(doc);
    if (!scope.Locked()) {
        acedRestoreStatusBar();
        return true;
    }
    acedSSSetFirst(nullptr, nullptr);
    g_bEchoFlag = 1;
    CString ignored = kIgnoredHeading;
    bool anyIgnored = false;
    AcDbObjectId zoomTo;
    const int followMode = g_Settings.m_nViewFollowMode;

    CRecordReader reader(data, length);
    state->m_mapIds.Reserve(state->m_mapIds.Size() + length / kLeastBuiltRecord);
    RecordHead head{};
    while (reader.Peek(head)) {
        if (head.m_nSize == 0) {
            reader.Skip(head);
            continue;
        }
        uint64_t key = 0;
        const bool known = head.m_nMapId != 0 && state->m_mapIds.Get(head.m_nMapId, key);
        if (known && head.m_nType == kMapTypeFolder) {
            IgnoreExplodedFolder(reader, head, ignored);
            anyIgnored = true;
            continue;
        }
        // A part of an entity this drawing exploded and sent.
        if (!known && head.m_nParentId != 0 && state->m_mapIds.Get(head.m_nParentId, key)) {
            reader.Skip(head);
            continue;
        }
        const bool last = reader.AtLast(head);
        if (head.m_nType == kMapTypeFolder) {
            if (g_MapFolderTree.GetIdMap().count(head.m_nMapId) == 0) {
                if (MapFolderObj* folder =
                        MapApiParseFolder(&g_MapApiLink, reader.Payload(), DWORD(head.m_nSize))) {
                    g_MapFolderTree.RecordFolder(MultiByteToCString(folder->m_szName), head.m_nMapId, true);
                    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
                }
            }
            reader.Skip(head);
            continue;
        }
        // What stands for the object now and can't be erased (a locked layer) stays with its binding; the
        // object is not built a second time beside it.
        if (CString kept; !CanReplace(*state, head.m_nMapId, kept)) {
            ignored += u"\r\n";
            ignored += kept;
            anyIgnored = true;
            reader.Skip(head);
            continue;
        }
        CString layer;
        const auto& names = g_MapFolderTree.GetIdMap();
        if (auto it = names.find(head.m_nParentId); it != names.end()) {
            layer = LayerOfFolder(it->second);
        }
        const BuiltObject built = BuildRecord(head, reader.Payload(), layer);
        if (built.kind != CBuildKind::kNothing) {
            Rebind(*state, head.m_nMapId, built);
        }
        if (last && !built.id.isNull() && (followMode == 2 || followMode == 3)) {
            zoomTo = built.id;
        }
        reader.Skip(head);
    }
    if (!zoomTo.isNull()) {
        ZoomToReceivedObjects(zoomTo);
    }
    // The lock and the transaction end before the list is shown: its message loop must not run with them.
    scope.End();
    // The echo flag stays set until the notifications of the new entities have passed: 100 ms from the end
    // of the receive, not from whenever the user leaves the list below.
    if (g_pMessageWindow != nullptr) {
        g_pMessageWindow->StartTimer(kTimerEchoOff);
    }
    if (anyIgnored && g_Settings.m_bHideSkippedList == 0) {
        CDlgMsg dialog;
        dialog.m_strText = ignored;
        dialog.DoModal();
        if (dialog.m_bNotAgain != 0) {
            g_Settings.m_bHideSkippedList = 1;
            SaveSettings();
        }
    }
    acedRestoreStatusBar();
    return true;
}

void ZoomToReceivedObjects(AcDbObjectId id) {
    AcGePoint3d point(0, 0, 0);
    AcDbEntity* entity = nullptr;
    if (acdbOpenObject(entity, id, AcDb::kForRead) == Acad::eOk) {
        AcGeVector3d u, v;
        if (const auto* image = AcDbRasterImage::cast(entity)) {
            image->getOrientation(point, u, v);
        } else {
            AcDbExtents extents;
            if (entity->getGeomExtents(extents) == Acad::eOk) {
                const AcGePoint3d lo = extents.minPoint(), hi = extents.maxPoint();
                point = (hi.x == 0 && hi.y == 0) ? AcGePoint3d(lo.x, lo.y, 0)
                                                 : AcGePoint3d((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, 0);
            }
        }
        point.z = 0;
        entity->close();
    }
    if (std::fabs(point.x) <= kNoPosition && std::fabs(point.y) <= kNoPosition) {
        return;
    }
    ViewRectInfo view;
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr || !state->m_pBaseMap || !CViewUtil::GetCurViewRect(view, 1.0)) {
        return;
    }
    const int level = state->m_pBaseMap->GetLevel();
    if (level < 0 || level > kMaxTileLevel) {
        return;
    }
    const double rx = state->m_pBaseMap->ResolutionX(level);
    const double ry = state->m_pBaseMap->ResolutionY(level);
    // Without the level's resolutions the window would have no size.
    if (!(rx > 0) || !(ry > 0) || !std::isfinite(rx) || !std::isfinite(ry)) {
        return;
    }
    const double halfWidth = view.screenW * rx / 2.0;
    const double halfHeight = view.screenH * ry / 2.0;
    CViewUtil::ZoomWindow(AcGePoint3d(point.x - halfWidth, point.y - halfHeight, 0),
                          AcGePoint3d(point.x + halfWidth, point.y + halfHeight, 0), 1.0);
}
