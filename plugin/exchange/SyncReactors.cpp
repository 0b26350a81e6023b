// The database reactor, the command-end synchronisation, the double click, the view notification and the
// selection filters.
#include <memory>
#include <string>
#include <vector>

#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/core/MessageWindow.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/exchange/EntPropertyDlg.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

CEditorReactor* g_pEditorReactor = nullptr;
CDocReactor* g_pDocReactor = nullptr;
CDbReactor* g_pDbReactor = nullptr;
CTarnSelectFilter* g_pSelectFilter = nullptr;
CEntHilightReactor* g_pHilightFilter = nullptr;

namespace {

// The commands whose changes are sent when they end, and which of the scratch lists they take.
enum class Candidates { kLines, kTexts, kBoundModified, kModified, kLast };
struct SyncCommand {
    const char16_t* name;
    Candidates take;
};
const SyncCommand kSyncCommands[] = {
    {u"LINE", Candidates::kLines},
    {u"TEXT", Candidates::kTexts},
    {u"DTEXT", Candidates::kTexts},
    {u"MTEXT", Candidates::kTexts},
    {u"UNDO", Candidates::kBoundModified},
    {u"MUNDO", Candidates::kBoundModified},
    {u"MREDO", Candidates::kBoundModified},
    {u"REDO", Candidates::kBoundModified},
    {u"U", Candidates::kBoundModified},  // the host's own undo key runs U
    {u"MLINE", Candidates::kLast},
    {u"BLOCK", Candidates::kLast},
    {u"PLINE", Candidates::kLast},
    {u"3DPOLY", Candidates::kLast},
    {u"HELIX", Candidates::kLast},
    {u"ARC", Candidates::kLast},
    {u"CIRCLE", Candidates::kLast},
    {u"RECTANG", Candidates::kLast},
    {u"SPLINE", Candidates::kLast},
    {u"GRADIENT", Candidates::kLast},
    {u"GRIP_STRETCH", Candidates::kModified},  // every entity a multi-grip drag moved
    {u"ELLIPSE", Candidates::kLast},
    {u"HATCH", Candidates::kLast},
    {u"BHATCH", Candidates::kLast},
    {u"POLYGON", Candidates::kLast},
    {u"MOVE", Candidates::kModified},  // every entity moved, not only the last
    {u"POINT", Candidates::kLast},
    // The host's other edits of entities in place: the linked entities they changed go as an undo's do, or
    // the map would keep the old shape until some later MOVE.
    {u"ROTATE", Candidates::kBoundModified},
    {u"SCALE", Candidates::kBoundModified},
    {u"STRETCH", Candidates::kBoundModified},
    {u"MIRROR", Candidates::kBoundModified},
};

const SyncCommand* FindSyncCommand(const std::u16string& name) {
    for (const SyncCommand& command : kSyncCommands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<std::u16string> SyncCommandNames() {
    std::vector<std::u16string> names;
    for (const SyncCommand& command : kSyncCommands) {
        names.emplace_back(command.name);
    }
    return names;
}

namespace {

// What a change of this object re-sends: an attribute is a part of the reference that owns it, which goes
// whole (as its folder), never the attribute on its own.
AcDbObjectId SyncTarget(const AcDbObject* object) {
    if (AcDbAttribute::cast(object) != nullptr && !object->ownerId().isNull()) {
        return object->ownerId();
    }
    return object->objectId();
}

AcDbObjectId ModelSpaceId(AcDbDatabase* db) {
    AcDbObjectId id;
    AcDbBlockTable* blocks = nullptr;
    if (db != nullptr && db->getBlockTable(blocks, AcDb::kForRead) == Acad::eOk) {
        blocks->getAt(ACDB_MODEL_SPACE, id);
        blocks->close();
    }
    return id;
}

void Post(std::unique_ptr<AcDbObjectIdArray> ids) {
    // Without the window the array is simply dropped with the pointer.
    if (g_pMessageWindow != nullptr) {
        g_pMessageWindow->PostEntityArray(std::move(ids));
    }
}

void AppendOnce(AcDbObjectIdArray& list, CObjectIdSet& held, AcDbObjectId id) {
    if (held.Insert(id)) {
        list.append(id);
    }
}

void EmptyScratch(CDocSyncState& state) {
    state.m_lines.setLogicalLength(0);
    state.m_texts.setLogicalLength(0);
    state.m_modified.setLogicalLength(0);
    state.m_modifiedKeys.clear();
    state.m_modifiedSet.Clear();
}

// The state of the drawing a notification comes from, when that drawing is the current one: another
// drawing's changes never touch the current drawing's tables.
CDocSyncState* CurrentStateOf(const AcDbDatabase* db) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr || (db != nullptr && state->m_pDb != nullptr && state->m_pDb != db)) {
        return nullptr;
    }
    return state;
}

AcDbObjectId BaseMapLayerId(CDocSyncState& state) {
    if (state.m_pBaseMap && !state.m_pBaseMap->MapLayerId().isNull()) {
        return state.m_pBaseMap->MapLayerId();
    }
    AcDbDatabase* db =
        state.m_pDb != nullptr ? state.m_pDb : acdbHostApplicationServices()->workingDatabase();
    AcDbObjectId id;
    AcDbLayerTable* layers = nullptr;
    if (db != nullptr && db->getLayerTable(layers, AcDb::kForRead) == Acad::eOk) {
        layers->getAt(u"*MapLayer", id);
        layers->close();
    }
    return id;
}

// Read-only: an entity held open elsewhere must still be recognised as a tile.
bool OnLayer(AcDbObjectId entityId, AcDbObjectId layerId) {
    AcDbEntity* entity = nullptr;
    if (acdbOpenObject(entity, entityId, AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    const bool on = entity->layerId() == layerId;
    entity->close();
    return on;
}

// Asks the map application to delete a group's object; without it, the delete waits until it is back.
void DeleteGroupObject(CDocSyncState& state, uint32_t mapId) {
    const DWORD id = mapId;
    if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
        state.m_unsentDeletes.push_back(id);
        return;
    }
    MapApiDeleteObjects(&g_MapApiLink, &id, 1, false, false);
    if (FindWindowW(kMapAppWindowClass, nullptr) == nullptr) {
        state.m_unsentDeletes.push_back(id);  // gone while it was asked
    }
}

// The groups that lost members in the command (an erase marks them modified): each goes again without them,
// brought along by one member still in the drawing, whose send re-sends its whole group. A group with no
// member left is deleted in the map; its link keeps the members' keys, so that an undo brings them back as
// that one object again.
void SyncShrunkGroups(CDocSyncState& state, AcDbObjectIdArray& members) {
    AcDbDatabase* db =
        state.m_pDb != nullptr ? state.m_pDb : acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr) {
        return;
    }
    for (CMapObjLinkTable* table : {&state.m_pointGroups, &state.m_trackGroups}) {
        std::vector<uint32_t> gone;
        for (const auto& [mapId, link] : table->Links()) {
            if (!link->m_modified || link->m_keys.empty()) {
                continue;
            }
            AcDbObjectId live;
            for (uint64_t key : link->m_keys) {
                AcDbObjectId member;
                if (db->getAcDbObjectId(member, false, AcDbHandle(key)) == Acad::eOk && !member.isNull() &&
                    !member.isErased()) {
                    live = member;
                    break;
                }
            }
            if (live.isNull()) {
                gone.push_back(mapId);
            } else {
                members.append(live);
            }
        }
        for (uint32_t mapId : gone) {
            table->SetLinkModified(mapId, false);
            DeleteGroupObject(state, mapId);
        }
    }
}

// The point a POINT command just made becomes an icon marker: the point goes, its position is posted.
void TurnPointIntoMarker(CDocSyncState& state) {
    g_bEchoFlag = 1;
    const AcDbObjectId id = state.m_lastPoint;
    state.m_lastPoint = AcDbObjectId();
    CDocWriteLock lock;
    AcDbPoint* point = nullptr;
    if (lock.Locked() && acdbOpenObject(point, id, AcDb::kForWrite) == Acad::eOk) {
        const AcGePoint3d at = point->position();
        point->erase();
        point->close();
        if (g_pMessageWindow != nullptr) {
            g_pMessageWindow->PostMarkerPoint(at.x, at.y);
        }
    }
}

}  // namespace

// ---- Database reactor ----

void CDbReactor::objectAppended(const AcDbDatabase*, const AcDbObject* object) {
    (void)object->isA()->name();
}

void CDbReactor::objectModified(const AcDbDatabase* db, const AcDbObject* object) {
    CDocSyncState* state = CurrentStateOf(db);
    if (state == nullptr || g_bEchoFlag || g_bLonLat) {
        return;
    }
    if (g_Settings.m_bPointAsIcon && AcDbPoint::cast(object) != nullptr) {
        state->m_lastPoint = object->objectId();
    }
    const AcDbEntity* entity = AcDbEntity::cast(object);
    if (!g_Settings.m_bAutoSync || entity == nullptr) {
        return;
    }
    const AcDbObjectId layerId = BaseMapLayerId(*state);
    if (!layerId.isNull() && entity->layerId() == layerId) {
        return;
    }
    const AcDbObjectId id = SyncTarget(object);
    state->m_lastModified = id;
    // An entity already in the list is in its line or text list too.
    if (!state->m_modifiedSet.Insert(id)) {
        return;
    }
    state->m_modified.append(id);
    state->m_modifiedKeys.push_back(HandleToUInt32(id.handle()));
    if (id != object->objectId()) {
        return;  // the owner, which is neither a line nor a text
    }
    if (AcDbLine::cast(object) != nullptr) {
        state->m_lines.append(id);
    } else if (AcDbText::cast(object) != nullptr || AcDbMText::cast(object) != nullptr) {
        state->m_texts.append(id);
    }
}

void CDbReactor::objectErased(const AcDbDatabase* db, const AcDbObject* object, bool erased) {
    if (g_bEchoFlag || AcDbEntity::cast(object) == nullptr || g_bLonLat || g_bHatchCommand ||
        !g_Settings.m_bAutoSync) {
        return;
    }
    CDocSyncState* state = CurrentStateOf(db);
    if (state == nullptr) {
        return;
    }
    if (!erased) {
        // Every entity an undo brings back goes out in one list when the command ends.
        AppendOnce(state->m_restored, state->m_restoredSet, SyncTarget(object));
        return;
    }
    const uint64_t key = HandleToUInt32(object->handle());
    CBindingRecord* record = state->m_bindings.FindBinding(key);
    if (record != nullptr && record->m_groupMember) {
        // One member of a point set or multi-part track: the group goes again without it when the command
        // ends. The member keeps its binding and its place in the group, so that an undo brings it back
        // into the same map object.
        if (!state->m_pointGroups.SetLinkModified(record->m_mapId, true)) {
            state->m_trackGroups.SetLinkModified(record->m_mapId, true);
        }
        return;
    }
    DeleteLinkedMapObject(key);
    if (record != nullptr) {
        state->m_mapIds.Erase(record->m_mapId);
        state->m_bindings.EraseBinding(key);
    }
}

// ---- Command-end synchronisation ----

void SyncCommandObjects(const ACHAR* command) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr || g_bLonLat) {
        return;
    }
    const std::u16string name(command != nullptr ? command : u"");
    if (!state->m_restored.isEmpty()) {
        auto ids = std::make_unique<AcDbObjectIdArray>(state->m_restored);
        state->m_restored.setLogicalLength(0);
        state->m_restoredSet.Clear();
        g_bEchoFlag = 1;
        Post(std::move(ids));
    }
    if (g_Settings.m_bAutoSync) {
        auto members = std::make_unique<AcDbObjectIdArray>(0, 8);
        SyncShrunkGroups(*state, *members);
        if (!members->isEmpty()) {
            g_bEchoFlag = 1;
            Post(std::move(members));
        }
    }
    if (g_Settings.m_bPointAsIcon && name == u"POINT" && !state->m_lastPoint.isNull()) {
        TurnPointIntoMarker(*state);
        EmptyScratch(*state);
        return;
    }
    if (!g_Settings.m_bAutoSync || g_pDbReactor == nullptr || state->m_lastModified.isNull()) {
        return;
    }
    const SyncCommand* sync = FindSyncCommand(name);
    if (sync == nullptr) {
        return;
    }
    AcDbObjectIdArray candidates;
    std::vector<uint32_t> keys;
    bool boundOnly = false;
    switch (sync->take) {
        case Candidates::kLines:
            candidates = state->m_lines;
            break;
        case Candidates::kTexts:
            candidates = state->m_texts;
            break;
        case Candidates::kModified:
            candidates = state->m_modified;
            break;
        case Candidates::kBoundModified:
            // Only the entities bound to a map object: their bindings are looked up in the pass that opens
            // them below, by the keys noted beside the ids.
            candidates = state->m_modified;
            keys.swap(state->m_modifiedKeys);
            boundOnly = true;
            break;
        case Candidates::kLast:
            candidates.append(state->m_lastModified);
            break;
    }
    EmptyScratch(*state);

    // The write-opens below change nothing, but no notification of them may come back as an edit.
    const BYTE echoBefore = g_bEchoFlag;
    g_bEchoFlag = 1;
    auto ids = std::make_unique<AcDbObjectIdArray>(0, 8);
    {
        CDocWriteLock lock;
        // Only entities of model space go: one inside a block definition is no map object of its own.
        const AcDbObjectId modelSpace =
            lock.Locked()
                ? ModelSpaceId(state->m_pDb != nullptr ? state->m_pDb
                                                       : acdbHostApplicationServices()->workingDatabase())
                : AcDbObjectId();
        const CBindingTable& bindings = state->m_bindings;
        // The keys match the ids one to one unless something else filled the list.
        const bool keyed = keys.size() == static_cast<size_t>(candidates.length());
        for (int i = 0; lock.Locked() && i < candidates.length(); ++i) {
            const AcDbObjectId& id = candidates[i];
            if (boundOnly) {
                const uint32_t key = keyed ? keys[static_cast<size_t>(i)] : HandleToUInt32(id.handle());
                const CBindingRecord* record = bindings.FindBinding(key);
                if (record == nullptr || record->m_mapId == 0) {
                    continue;
                }
            }
            AcDbObject* object = nullptr;
            const Acad::ErrorStatus es = acdbOpenObject(object, id, AcDb::kForWrite);
            if (object == nullptr) {
                continue;
            }
            if (es != Acad::eOk) {
                WriteDebugLogF(u"sync: %s opened with status %d", object->isA()->name(),
                               static_cast<int>(es));
            } else if (object->isWriteEnabled() && AcDbEntity::cast(object) != nullptr &&
                       (modelSpace.isNull() || object->ownerId() == modelSpace)) {
                ids->append(id);
            }
            object->close();
        }
    }
    if (ids->isEmpty()) {
        g_bEchoFlag = echoBefore;
        return;
    }
    Post(std::move(ids));
}

// ---- Editor: the rest of the notifications ----

namespace {

void SetDblClkEdit(short value) {
    resbuf rb{};
    rb.restype = RTSHORT;
    rb.resval.rint = value;
    acedSetVar(u"DBLCLKEDIT", &rb);
}

}  // namespace

void CEditorReactor::RestoreDblClkEdit() {
    if (m_nUserDblClkEdit >= 0) {
        SetDblClkEdit(static_cast<short>(m_nUserDblClkEdit));
        m_nUserDblClkEdit = -1;
    }
}

void CEditorReactor::beginDoubleClick(const AcGePoint3d& clickPoint) {
    if (!g_Settings.m_bDblClickProperty) {
        return;
    }
    AcApDocument* doc = acDocManager->curDocument();
    CDocWriteLock lock(doc);
    if (!lock.Locked()) {
        return;  // the host's own double click
    }
    // The user's own setting, restored once the click is over (after a dialog, at the next command: the
    // host reads it when this notification returns).
    if (m_nUserDblClkEdit < 0) {
        resbuf before{};
        if (acedGetVar(u"DBLCLKEDIT", &before) == RTNORM && before.restype == RTSHORT) {
            m_nUserDblClkEdit = before.resval.rint;
        }
    }
    SetDblClkEdit(1);

    ads_point at = {clickPoint.x, clickPoint.y, clickPoint.z};
    ads_name ss = {0, 0};
    if (acedSSGet(nullptr, at, nullptr, nullptr, ss) != RTNORM) {
        RestoreDblClkEdit();
        return;
    }
    Adesk::Int32 length = 0;
    ads_name ename = {0, 0};
    if (acedSSLength(ss, &length) != RTNORM || length >= 2 || acedSSName(ss, 0, ename) != RTNORM) {
        acedSSFree(ss);
        RestoreDblClkEdit();
        return;
    }
    AcDbObjectId id;
    if (acdbGetObjectId(id, ename) != Acad::eOk) {
        acutPrintf(u"打开实体ID失败");
    }
    AcDbObject* object = nullptr;
    if (acdbOpenObject(object, id, AcDb::kForWrite) != Acad::eOk) {
        acutPrintf(u"打开实体失败");
        object = nullptr;
    }
    auto* entity = AcDbEntity::cast(object);
    if (entity != nullptr) {
        // The host's own double-click edit must not follow the dialog.
        SetDblClkEdit(0);
        CAcModuleResourceOverride resources;
        CEntPropertyDlg dialog;
        dialog.m_pEntity = entity;
        if (dialog.DoModal() == IDOK) {
            g_bEchoFlag = 1;
            // The edit is written at the next save even when its re-send does not reach the map.
            if (CDocSyncState* state = CurrentDocState()) {
                if (CBindingRecord* record =
                        state->m_bindings.FindBinding(HandleToUInt32(entity->handle()))) {
                    record->m_saved = 0;
                    // A text's name is its wording: renamed, it reads the new name now, so that its re-send
                    // carries the name to the map.
                    FollowLinkName(entity, record->m_name);
                }
            }
            auto ids = std::make_unique<AcDbObjectIdArray>(0, 8);
            ids->append(id);
            Post(std::move(ids));
        }
    }
    // Only an object that was opened is closed.
    if (object != nullptr) {
        object->close();
    }
    acedSSFree(ss);
    if (entity == nullptr) {
        RestoreDblClkEdit();
    }
}

// ---- Selection filters ----

void CTarnSelectFilter::ssgetAddFilter(int, AcEdSelectionSetService& service, const AcDbObjectIdArray&,
                                       const AcDbObjectIdArray& subSelectionSet) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr || subSelectionSet.isEmpty()) {
        return;
    }
    CDocWriteLock lock;
    const AcDbObjectId layerId = lock.Locked() ? BaseMapLayerId(*state) : AcDbObjectId();
    if (layerId.isNull()) {
        return;
    }
    // From the end, so that each removal leaves the indices still to visit in place.
    for (int i = subSelectionSet.length() - 1; i >= 0; --i) {
        if (OnLayer(subSelectionSet[i], layerId)) {
            service.remove(i);
        }
    }
}

void CEntHilightReactor::ssgetRolloverFilter(const AcDbFullSubentPath&, AcDbFullSubentPath& highlightPath) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr || highlightPath.objectIds().isEmpty()) {
        return;
    }
    AcDbObjectIdArray kept;
    {
        CDocWriteLock lock;
        if (!lock.Locked()) {
            return;  // the path stays as the host made it
        }
        const AcDbObjectId layerId = BaseMapLayerId(*state);
        // The path keeps its order: from the outermost container to the entity.
        for (const AcDbObjectId& id : highlightPath.objectIds()) {
            if (layerId.isNull() || !OnLayer(id, layerId)) {
                kept.append(id);
            }
        }
    }
    highlightPath = AcDbFullSubentPath(kept, highlightPath.subentId());
}

void AttachDocReactors(AcApDocument* doc) {
    if (doc == nullptr) {
        return;
    }
    if (g_pDbReactor != nullptr && doc->database() != nullptr) {
        doc->database()->addReactor(g_pDbReactor);
    }
    if (g_pSelectFilter != nullptr) {
        addSSgetFilterInputContextReactor(doc, g_pSelectFilter);
    }
    if (g_pHilightFilter != nullptr) {
        addSSgetFilterInputContextReactor(doc, g_pHilightFilter);
    }
}

void DetachDocReactors(AcApDocument* doc) {
    if (doc == nullptr) {
        return;
    }
    if (g_pDbReactor != nullptr && doc->database() != nullptr) {
        doc->database()->removeReactor(g_pDbReactor);
    }
    if (g_pSelectFilter != nullptr) {
        removeSSgetFilterInputContextReactor(doc, g_pSelectFilter);
    }
    if (g_pHilightFilter != nullptr) {
        removeSSgetFilterInputContextReactor(doc, g_pHilightFilter);
    }
}
