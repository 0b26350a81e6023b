#include "plugin/exchange/SendRoad.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/arxutil/LayerEntityList.h"
#include "plugin/arxutil/LayerUtil.h"
#include "plugin/arxutil/SelectUtil.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/core/WholeViewImage.h"
#include "plugin/core/RasterImage.h"
#include "plugin/exchange/DocLockOps.h"
#include "plugin/exchange/EntityConvert.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/MapFolderTree.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"
#include "plugin/maplink/mapwire.h"

AcDbObjectId g_idLastLayer;

namespace {

const char16_t* const kTextNoWorkspace = u"无法在Zavrel中创建[CAD工作空间]！";
const char16_t* const kTextEmptySelection = u"请选择(Ctrl+A全选)对象后再发送对象！";
const char16_t* const kTextSending = u"发送数据";
constexpr double kSizeFilter = 0.2;
constexpr double kViewDeadZone = 2.0;

// What a key in the packet being answered stands for. Only keys this send wrote are paired: a stray key
// from the peer binds nothing. A key may stand in the packet more than once (an entity's handle can equal a
// re-sent group's map id): its answers take the records in the order they were written.
enum class SentKind { kEntity, kGroup, kLayer, kResentGroup };
std::map<uint64_t, std::deque<SentKind>> g_sentKeys;
// Temporary point-group keys of the current send; a group the answer did not re-key is dropped after it.
std::set<uint32_t> g_tempGroupKeys;
// Map ids of groups re-sent whole in the current packet: their records carry the id as key.
std::set<uint32_t> g_resentGroupKeys;

static_assert(kPacketHeadBytes == sizeof(MapPacketHead));
static_assert(kObjectHeaderBytes == sizeof(MapObjHeader));

int CountIds(const CLayerEntityList& list) {
    int count = 0;
    for (const CLayerEntityNode* node = list.m_pFirst; node != nullptr; node = node->m_pNext) {
        count += node->m_entIds.length();
    }
    return count;
}

// A tiny entity near the origin is taken for a stray of the drawing's creation and not sent again.
bool IsTinyAtOrigin(const AcDbEntity* entity) {
    AcDbExtents box;
    if (entity->getGeomExtents(box) != Acad::eOk) {
        return false;
    }
    const AcGePoint3d lo = box.minPoint();
    const AcGePoint3d hi = box.maxPoint();
    return std::fabs(hi.x - lo.x) < kSizeFilter && std::fabs(hi.y - lo.y) < kSizeFilter &&
           std::fabs(lo.x) < kSizeFilter && std::fabs(lo.y) < kSizeFilter;
}

void FreePacket(MapApiBuf* packet) {
    std::free(packet->m_pData);
    packet->m_pData = nullptr;
    packet->m_nUsed = packet->m_nCapacity = 0;
}

void FollowView(AcDbObjectId lastId) {
    AcGePoint3d p(0.0, 0.0, 0.0);
    {
        CDocWriteLock lock;
        if (!lock.Locked()) {
            return;
        }
        AcDbEntity* entity = nullptr;
        if (!lastId.isNull() && acdbOpenAcDbEntity(entity, lastId, AcDb::kForRead) == Acad::eOk) {
            GetEntityExtents(p, entity);
            entity->close();
        }
    }
    const int mode = g_Settings.m_nViewFollowMode;
    if ((mode != 1 && mode != 3) || (std::fabs(p.x) <= kViewDeadZone && std::fabs(p.y) <= kViewDeadZone)) {
        return;
    }
    ViewRectInfo view;
    CViewUtil::GetCurViewRect(view, 1.0);
    int level = 0;
    if (CDocSyncState* state = CurrentDocState(); state != nullptr && state->m_pBaseMap) {
        level = state->m_pBaseMap->GetLevel();
    }
    if (g_pEditorView != nullptr) {
        g_pEditorView->m_bFirstViewState = 0;
    }
    ShowApiError(MapApiMoveMapView(&g_MapApiLink, 0, static_cast<DWORD>(level), p.x, p.y, 0, 2, 1));
}

void RecordSentKeys(const MapApiBuf& packet) {
    g_sentKeys.clear();
    for (DWORD at = kPacketHeadBytes; at + kObjectHeaderBytes <= packet.m_nUsed;) {
        const auto header = ReadWire<MapObjHeader>(packet.m_pData, at);
        const DWORD size = static_cast<DWORD>(header.m_nSize);
        const uint64_t key = static_cast<uint64_t>(header.m_nKey);
        if (key != 0) {
            SentKind kind = SentKind::kEntity;
            if (header.m_nType == kMapTypeFolder && g_bFolderPhase) {
                kind = SentKind::kLayer;
            } else if (key <= 0xFFFFFFFFu && g_tempGroupKeys.count(static_cast<uint32_t>(key)) != 0) {
                kind = SentKind::kGroup;
            } else if (key <= 0xFFFFFFFFu && header.m_nMapId == key &&
                       g_resentGroupKeys.count(static_cast<uint32_t>(key)) != 0) {
                kind = SentKind::kResentGroup;
            }
            g_sentKeys[key].push_back(kind);
        }
        at += kObjectHeaderBytes + size;
    }
}

// A temporary point group that the answer did not move to a map id is not kept: its points stay unbound.
void DropUnansweredGroups() {
    CDocSyncState* state = CurrentDocState();
    for (uint32_t key : g_tempGroupKeys) {
        if (state == nullptr) {
            break;
        }
        CMapObjLink* link = state->m_pointGroups.Find(key);
        if (link == nullptr) {
            continue;
        }
        for (uint64_t member : link->m_keys) {
            CBindingRecord* binding = state->m_bindings.FindBinding(member);
            if (binding != nullptr && binding->m_mapId == 0) {
                state->m_bindings.EraseBinding(member);
            }
        }
        state->m_pointGroups.RemoveLink(key);
    }
    g_tempGroupKeys.clear();
}

// Sends a finished packet with its bookkeeping; the meter never outlives the send.
void SendObjectPacket(MapApiBuf* packet, uint32_t drawingFolderId) {
    RecordSentKeys(*packet);
    if (g_bSendProgress) {
        acedSetStatusBarProgressMeterPos(10);
    }
    SendMapPacket(packet, drawingFolderId);
    if (g_bSendProgress) {
        acedRestoreStatusBar();
    }
    g_sentKeys.clear();
    g_resentGroupKeys.clear();
    DropUnansweredGroups();
}

// The object pass shared by both roads: each layer's entities converted into one packet under the layer's
// folder, the map objects they replace deleted, the packet sent, and the map view moved to the last entity.
void SendObjectPass(const CLayerEntityList& list, uint32_t drawingFolderId, bool sizeFilter) {
    MapApiBuf packet{};
    if (!StartMapPacket(&packet, drawingFolderId)) {
        return;
    }
    std::vector<uint32_t> deleteIds;
    AcDbObjectId lastId;
    {
        CDocWriteLock lock;
        // Refused, nothing is converted: the packet stays empty and goes nowhere.
        for (const CLayerEntityNode* group = list.m_pFirst; lock.Locked() && group != nullptr;
             group = group->m_pNext) {
            if (group->m_entIds.isEmpty()) {
                continue;
            }
            uint32_t folder = GetLayerFolderId(group->m_layerName);
            if (folder == 0) {
                folder = g_MapFolderTree.GetFolderId(g_strDrawingFolderName, group->m_layerName, true);
            }
            // A layer folder that can't be had: the objects go to the drawing folder rather than the top.
            if (folder == 0) {
                folder = drawingFolderId;
            }
            ConvertEntityGroup(&packet, group, folder, deleteIds, sizeFilter);
            lastId = group->m_entIds.last();
        }
    }
    if (packet.m_nUsed <= kPacketHeadBytes) {
        if (g_bSendProgress) {
            acedRestoreStatusBar();
        }
        FreePacket(&packet);
        g_bSendProgress = 0;
        g_resentGroupKeys.clear();
        DropUnansweredGroups();
        return;
    }
    if (!deleteIds.empty()) {
        ShowApiError(MapApiDeleteObjects(&g_MapApiLink, deleteIds.data(), static_cast<int>(deleteIds.size()),
                                         true, true));
    }
    SendObjectPacket(&packet, drawingFolderId);
    FollowView(lastId);
    g_bSendProgress = 0;
}

// Workspace and drawing folder; false (with a message to the user where one fits) when the send can't go on.
bool PrepareFolders(uint32_t& drawingFolderId) {
    if (!g_MapFolderTree.LoadTree()) {
        return false;
    }
    const uint32_t workspace = g_MapFolderTree.FindOrCreateFolder(kWorkspaceFolderName, 0, true);
    if (workspace == 0) {
        AfxMessageBox(kTextNoWorkspace);
        return false;
    }
    g_strDrawingFolderName = GetCurDwgFileName();
    if (g_strDrawingFolderName.IsEmpty()) {
        // A drawing never saved: its folder carries the name the host shows for it.
        if (AcApDocument* doc = acDocManager->curDocument()) {
            g_strDrawingFolderName = doc->docTitle();
        }
    }
    if (g_strDrawingFolderName.IsEmpty()) {
        return false;
    }
    drawingFolderId = g_MapFolderTree.FindOrCreateFolder(g_strDrawingFolderName, workspace, true);
    return true;
}

void ShowProgressFor(int count) {
    if (count > kProgressThreshold) {
        g_bSendProgress = 1;
        acedSetStatusBarProgressMeter(kTextSending, 0, 100);
    }
}

void FolderPass(const CLayerEntityList& list, uint32_t drawingFolderId) {
    MapApiBuf packet{};
    if (!StartMapPacket(&packet, drawingFolderId)) {
        return;
    }
    g_bFolderPhase = 0;
    g_FolderBindings.Clear();
    uint64_t position = 0;
    bool refused = false;
    for (const CLayerEntityNode* group = list.m_pFirst; group != nullptr; group = group->m_pNext) {
        if (group->m_entIds.isEmpty()) {
            continue;
        }
        uint32_t live = 0;
        {
            CDocWriteLock lock;
            if (!lock.Locked()) {
                refused = true;
                break;
            }
            live = GetLayerFolderId(group->m_layerName);
        }
        if (live != 0) {
            continue;
        }
        const uint32_t known = g_MapFolderTree.GetFolderId(g_strDrawingFolderName, group->m_layerName, false);
        auto* binding = new CBindingRecord;
        binding->m_parentId = drawingFolderId;
        binding->m_name = group->m_layerName;
        {
            CDocWriteLock lock;
            const AcDbObjectId layerId = lock.Locked()
                                             ? CLayerUtil::GetLayerId(group->m_layerName.GetString(), false)
                                             : AcDbObjectId();
            AcDbObject* layer = nullptr;
            if (!layerId.isNull() && acdbOpenObject(layer, layerId, AcDb::kForRead) == Acad::eOk) {
                binding->m_key = HandleToUInt32(layer->handle());
                layer->close();
            }
        }
        binding->m_saved = known != 0 ? 1 : 0;
        if (known == 0) {
            g_bFolderPhase = 1;
            MapFolderObj* folder = MapApiNewFolder(&g_MapApiLink);
            if (folder != nullptr) {
                CStringToMultiByte(group->m_layerName, folder->m_szName, kMapNameBytes, kMapNameBytes - 1);
                WriteMapObject(folder, kMapTypeFolder, &packet, binding);
            }
        }
        g_FolderBindings.SetBinding(position++, binding, binding->m_saved != 0);
    }
    if (refused) {
        g_bFolderPhase = 0;
    }
    if (g_bFolderPhase) {
        RecordSentKeys(packet);
        SendMapPacket(&packet, drawingFolderId);
        g_sentKeys.clear();
        g_bFolderPhase = 0;
    } else {
        FreePacket(&packet);
    }
    g_FolderBindings.Clear();
}

}  // namespace

bool StartMapPacket(MapApiBuf* packet, uint32_t drawingFolderId) {
    packet->m_pData = static_cast<BYTE*>(std::calloc(kPacketStartBytes, 1));
    packet->m_nUsed = 0;
    packet->m_nCapacity = packet->m_pData != nullptr ? kPacketStartBytes : 0;
    MapApiMsgHeader* header = MapApiAllocMsg(0);
    if (packet->m_pData == nullptr || header == nullptr) {
        std::free(header);
        FreePacket(packet);
        return false;
    }
    header->m_nParentId = drawingFolderId;
    MapApiBufAppend(packet, header, sizeof(MapApiMsgHeader));
    std::free(header);
    // The group header's bytes stay zero until the packet is finished.
    packet->m_nUsed += kObjectHeaderBytes;
    return true;
}

int SendMapPacket(MapApiBuf* packet, uint32_t drawingFolderId) {
    MapGroupHeader group{};
    group.m_nTotal = packet->m_nUsed - kPacketHeadBytes;
    group.m_nFolderId = drawingFolderId;
    WriteWire(packet->m_pData, offsetof(MapPacketHead, m_group), group);
    const int result = MapApiSendBuffer(&g_MapApiLink, 20112, packet, true);
    FreePacket(packet);
    ShowApiError(result);
    return result;
}

void WriteMapObject(void* record, int type, MapApiBuf* packet, CBindingRecord* binding) {
    if (record == nullptr) {
        return;
    }
    if (binding->m_name.IsEmpty() &&
        (type == kMapTypeMark || type == kMapTypeTrack || type == kMapTypeShape)) {
        // Every record of these kinds starts with its name.
        binding->m_name = MultiByteToCString(static_cast<const char*>(record));
    }
    const DWORD start = packet->m_nUsed;
    MapObjHeader header{};
    if (MapApiBufAppend(packet, &header, sizeof(header))) {
        DWORD size = 0;
        if (MapApiBufAppendObj(&g_MapApiLink, packet, record, type, &size)) {
            header.m_nSize = static_cast<INT32>(size);
            header.m_nType = static_cast<DWORD>(type);
            header.m_nMapId = binding->m_mapId;
            header.m_nParentId = binding->m_parentId;
            header.m_nKey = static_cast<INT64>(binding->m_key);
            WriteWire(packet->m_pData, start, header);
        } else {
            packet->m_nUsed = start;  // no half record
        }
    }
    MapApiFreeObj(&g_MapApiLink, record, type);
}

uint32_t GetLayerFolderId(const CString& layerName) {
    const AcDbObjectId layerId = CLayerUtil::GetLayerId(layerName.GetString(), false);
    g_idLastLayer = layerId;
    if (layerId.isNull()) {
        return 0;
    }
    AcDbObject* layer = nullptr;
    if (acdbOpenObject(layer, layerId, AcDb::kForRead) != Acad::eOk) {
        return 0;
    }
    if (CurrentDocState() == nullptr) {
        layer->close();
        return 0;
    }
    const CBindingRecord* binding = GetLinkRecord(layer, true);
    const uint32_t mapId = binding->m_mapId;
    layer->close();
    if (mapId == 0) {
        return 0;
    }
    g_nFoundFolderId = 0;
    g_strLastFoundFolder.Empty();
    MapApiQueryFolder(&g_MapApiLink, mapId, 0);
    return g_nFoundFolderId;
}

bool ConvertEntityGroup(MapApiBuf* packet, const CLayerEntityNode* group, uint32_t layerFolderId,
                        std::vector<uint32_t>& deleteIds, bool sizeFilter) {
    if (CurrentDocState() == nullptr) {
        return false;
    }
    CConvertLists lists;
    for (int i = 0; i < group->m_entIds.length(); ++i) {
        // Read is enough: converting changes the binding, never the entity, so locked layers are sent too.
        AcDbEntity* entity = nullptr;
        ACHAR handle[17] = {};
        group->m_entIds[i].handle().getIntoAsciiBuffer(handle, 17);
        const Acad::ErrorStatus es = acdbOpenAcDbEntity(entity, group->m_entIds[i], AcDb::kForRead);
        if (es != Acad::eOk) {
            WriteDebugLogF(u"send h:%s: not opened (%d)", handle, static_cast<int>(es));
            if (entity != nullptr) {
                entity->close();
            }
            continue;
        }
        if (sizeFilter && !AcDbPoint::cast(entity) && IsTinyAtOrigin(entity)) {
            WriteDebugLogF(u"send h:%s %s: left out, tiny at the origin", handle, entity->isA()->name());
            entity->close();
            continue;
        }
        CBindingRecord* binding = GetLinkRecord(entity, true);
        g_nCurrentColor = GetEntityRgb(entity);
        binding->m_parentId = layerFolderId;
        uint32_t children = 0;
        const DWORD before = packet->m_nUsed;
        const uint8_t converted = ConvertEntity(entity, packet, binding, lists, children, deleteIds, false);
        // One line an entity, for whoever follows a send: which entity, under which key, and what went out.
        CString target;
        if (binding->m_mapId != 0) {
            target.Format(u"map object %u", binding->m_mapId);
        } else {
            target = u"a new map object";
        }
        CString result;
        if (packet->m_nUsed != before) {
            result.Format(u"%u bytes in the packet", static_cast<unsigned>(packet->m_nUsed - before));
        } else {
            result = converted != 0 ? u"sent with its group" : u"nothing to send";
        }
        WriteDebugLogF(u"send h:%s %s key %I64u as %s: %s", handle, entity->isA()->name(), binding->m_key,
                       target.GetString(), result.GetString());
        entity->close();
    }
    // One point key is enough: a moved member re-sends its group (a lone unbound point is still not sent).
    if (!lists.m_pointKeys.empty()) {
        CBindingRecord templ;
        templ.m_parentId = layerFolderId;
        SendPointGroup(lists.m_pointKeys, packet, templ);
    }
    if (!lists.m_deferredKeys.empty()) {
        CBindingRecord templ;
        templ.m_parentId = layerFolderId;
        SendGroupedPolylines(lists.m_deferredKeys, packet, templ);
    }
    return true;
}

void SendSelectedEntities() {
    uint32_t drawingFolderId = 0;
    if (!PrepareFolders(drawingFolderId)) {
        return;
    }
    CLayerEntityList list;
    {
        CDocWriteLock lock;
        if (!lock.Locked()) {
            return;  // the drawing can't be read for the send now: nothing goes
        }
        CSelectUtil::GetImpliedSelectionByLayer(list);
    }
    const int count = CountIds(list);
    if (count == 0) {
        AfxMessageBox(kTextEmptySelection);
        return;
    }
    g_bEchoFlag = 1;
    FolderPass(list, drawingFolderId);
    ShowProgressFor(count);
    SendObjectPass(list, drawingFolderId, false);
}

bool SendEntityArray(const AcDbObjectIdArray& ids) {
    uint32_t drawingFolderId = 0;
    if (!PrepareFolders(drawingFolderId)) {
        return false;
    }
    CLayerEntityList list;
    {
        CDocWriteLock lock;
        if (!lock.Locked()) {
            return false;  // the drawing can't be read for the send now: nothing goes
        }
        for (int i = 0; i < ids.length(); ++i) {
            AcDbEntity* entity = nullptr;
            if (acdbOpenAcDbEntity(entity, ids[i], AcDb::kForRead) == Acad::eOk) {
                list.Add(ids[i], CString(entity->layer().kACharPtr()));
                entity->close();
            }
        }
    }
    ShowProgressFor(ids.length());
    SendObjectPass(list, drawingFolderId, true);
    return true;
}

void KeepUnsentEntities(const AcDbObjectIdArray& ids) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr) {
        return;
    }
    for (int i = 0; i < ids.length(); ++i) {
        if (!ids[i].isNull()) {
            state->m_unsentKeys.insert(ids[i].handle().value());
        }
    }
}

void SendUnsentEntities() {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr || (state->m_unsentKeys.empty() && state->m_unsentDeletes.empty()) ||
        FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
        return;
    }
    if (!state->m_unsentDeletes.empty()) {
        std::vector<DWORD> deletes;
        deletes.swap(state->m_unsentDeletes);
        // Each map object once, however often it was noted (an ERASE of many entities stays linear).
        std::sort(deletes.begin(), deletes.end());
        deletes.erase(std::unique(deletes.begin(), deletes.end()), deletes.end());
        // As an erase with the map application open: asked quietly.
        MapApiDeleteObjects(&g_MapApiLink, deletes.data(), static_cast<int>(deletes.size()), false, false);
        // Gone while it was asked: asked again when it is back (a delete done twice deletes nothing more).
        if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
            state->m_unsentDeletes = std::move(deletes);
            return;
        }
    }
    if (state->m_unsentKeys.empty()) {
        return;
    }
    AcDbDatabase* db =
        state->m_pDb != nullptr ? state->m_pDb : acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr) {
        return;
    }
    // Handles of this drawing, resolved in its own database; an entity erased since is left out by the send.
    AcDbObjectIdArray ids;
    for (uint64_t key : state->m_unsentKeys) {
        AcDbObjectId id;
        if (db->getAcDbObjectId(id, false, AcDbHandle(key)) == Acad::eOk && !id.isNull()) {
            ids.append(id);
        }
    }
    std::set<uint64_t> keys;
    keys.swap(state->m_unsentKeys);
    if (!ids.isEmpty()) {
        SendEntityArray(ids);
    }
    // Gone while they were sent: they go again when it is back.
    if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
        state->m_unsentKeys.insert(keys.begin(), keys.end());
    }
}

void PairSendAnswer(const BYTE* records, DWORD count) {
    // The caller's echo flag comes back afterwards: a send that set it keeps it set.
    const BYTE echo = g_bEchoFlag;
    g_bEchoFlag = 1;
    if (g_bSendProgress) {
        acedSetStatusBarProgressMeterPos(90);
    }
    CDocSyncState* state = CurrentDocState();
    for (DWORD i = 0; i < count; ++i) {
        const auto record = ReadWire<MapObjHeader>(records, size_t(i) * sizeof(MapObjHeader));
        const DWORD type = record.m_nType;
        const DWORD mapId = record.m_nMapId;
        const int64_t key = record.m_nKey;
        auto sent = g_sentKeys.find(static_cast<uint64_t>(key));
        if (key <= 0 || sent == g_sentKeys.end() || sent->second.empty()) {
            continue;
        }
        // Paired by the key this packet carried, never by comparing the key with the id: a handle can
        // equal the id the map gives its object.
        const SentKind kind = sent->second.front();
        sent->second.pop_front();  // a repeated record pairs nothing more
        if (kind == SentKind::kLayer) {
            if (!g_bFolderPhase || type != kMapTypeFolder) {
                continue;
            }
            // Paired by the layer key the record carried, never by position.
            for (const auto& [position, binding] : g_FolderBindings.Records()) {
                if (binding->m_key != static_cast<uint64_t>(key) || binding->m_saved != 0) {
                    continue;
                }
                CMapFolderNode* node = CMapFolderTree::NewNode();
                node->m_folderName = binding->m_name;
                node->m_folderId = mapId;
                g_MapFolderTree.AddNode(g_strDrawingFolderName, node);
                UpdateMapFolderUnderDocLock(binding->m_name, mapId, true);
                if (state != nullptr) {
                    state->m_bindings.UpdateBinding(binding->m_key, mapId, false);
                }
                break;
            }
            continue;
        }
        if (mapId == 0 || state == nullptr) {
            continue;
        }
        if (kind == SentKind::kResentGroup) {
            // A re-sent group's record carries its own id as key: nothing to pair, unless the map no longer
            // had that object (every member was erased, and an undo brought them back) and made a new one.
            // The group moves to it, so that it stays one object.
            const auto group = static_cast<uint32_t>(key);
            if (mapId != group && !state->m_pointGroups.RekeyLink(group, mapId)) {
                state->m_trackGroups.RekeyLink(group, mapId);
            }
            continue;
        }
        if (kind == SentKind::kGroup) {
            state->m_pointGroups.RekeyLink(static_cast<uint32_t>(key), mapId);
            g_tempGroupKeys.erase(static_cast<uint32_t>(key));
            continue;
        }
        state->m_mapIds.Set(mapId, static_cast<uint64_t>(key));
        state->m_bindings.UpdateBinding(static_cast<uint64_t>(key), mapId, false);
    }
    g_bEchoFlag = echo;
    if (g_bSendProgress) {
        acedSetStatusBarProgressMeterPos(100);
        acedRestoreStatusBar();
    }
}

void RegisterTemporaryGroupKey(uint32_t key) {
    g_tempGroupKeys.insert(key);
}

void RegisterResentGroupKey(uint32_t mapId) {
    g_resentGroupKeys.insert(mapId);
}

void ResetSendRoadState() {
    g_idLastLayer = AcDbObjectId();
    g_sentKeys.clear();
    g_tempGroupKeys.clear();
    g_resentGroupKeys.clear();
}
