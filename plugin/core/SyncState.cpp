#include "plugin/core/SyncState.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/cutil/cutil.h"
#include "plugin/core/LinkRecord.h"

namespace {
DocBaseMapMaker g_baseMapMaker = nullptr;
}  // namespace

void SetDocBaseMapMaker(DocBaseMapMaker maker) {
    g_baseMapMaker = maker;
}

std::unique_ptr<CDocBaseMap> MakeDocBaseMap() {
    return g_baseMapMaker != nullptr ? g_baseMapMaker() : nullptr;
}

CDocSyncRegistry g_DocSyncRegistry;
CBindingTable g_FolderBindings;

AcDbObjectId g_idRemembered;

namespace {
// Layer id (as its old id) -> opacity in percent.
std::map<Adesk::Int64, uint32_t> g_layerOpacities;
}  // namespace

void ResetSyncState() {
    g_DocSyncRegistry.ClearAll();
    g_DocSyncRegistry.m_nSaveTotal = 0;
    g_DocSyncRegistry.m_nSaveCount = 0;
    g_FolderBindings.Clear();
    g_idRemembered = AcDbObjectId::kNull;
    g_layerOpacities.clear();
}

namespace {

constexpr const char16_t* kSaveProgressText = u"正在保存xData数据";

// Whether the document is still one of the host's open documents holding the database: a state never
// touches a drawing that has gone.
bool IsOpenDocument(const AcApDocument* doc, const AcDbDatabase* db) {
    if (doc == nullptr || db == nullptr) {
        return false;
    }
    bool found = false;
    AcApDocumentIterator* it = acDocManager->newAcApDocumentIterator();
    for (; !it->done() && !found; it->step()) {
        found = it->document() == doc && doc->database() == db;
    }
    delete it;
    return found;
}

void EraseByKey(AcDbDatabase* db, uint64_t key) {
    if (db == nullptr) {
        db = acdbHostApplicationServices()->workingDatabase();
    }
    if (db == nullptr) {
        return;
    }
    AcDbObjectId id;
    db->getAcDbObjectId(id, false, AcDbHandle(key));
    AcDbObject* object = nullptr;
    if (!id.isNull() && acdbOpenObject(object, id, AcDb::kForWrite) == Acad::eOk) {
        object->erase(true);
        object->close();
    }
}

}  // namespace

uint32_t HandleToUInt32(const AcDbHandle& handle) {
    return handle.high() == 0 ? handle.low() : 0xFFFFFFFFu;
}

// ---- CBindingRecord ----

CBindingRecord CBindingRecord::ForGroup(const CBindingRecord& from) {
    CBindingRecord record;
    record.m_key = from.m_key;
    record.m_mapId = from.m_mapId;
    record.m_parentId = from.m_parentId;
    record.m_saved = from.m_saved;
    record.m_groupMember = from.m_groupMember;
    record.m_name = from.m_name;
    record.m_remark = from.m_remark;
    record.m_lineStyle = 0;
    record.m_opacity = 50;
    return record;
}

// ---- CBindingTable ----

void CBindingTable::SetBinding(uint64_t key, CBindingRecord* record, bool saved) {
    if (record == nullptr) {
        return;
    }
    record->m_saved = saved ? 1 : 0;
    CBindingRecord*& slot = m_records[key];
    if (slot != record) {
        delete slot;
        slot = record;
    }
}

void CBindingTable::UpdateBinding(uint64_t key, uint32_t mapId, bool groupMember) {
    CBindingRecord*& slot = m_records[key];
    if (slot == nullptr) {
        slot = new CBindingRecord;
        slot->m_key = key;
    }
    slot->m_mapId = mapId;
    slot->m_groupMember = groupMember ? 1 : 0;
    slot->m_saved = 0;
}

void CBindingTable::EraseBinding(uint64_t key) {
    if (CBindingRecord** found = m_records.Find(key)) {
        CBindingRecord* record = *found;
        m_records.Erase(key);
        delete record;
    }
}

CBindingRecord* CBindingTable::FindBinding(uint64_t key) const {
    CBindingRecord** found = m_records.Find(key);
    return found != nullptr ? *found : nullptr;
}

void CBindingTable::Clear() {
    m_records.ForEach([](uint64_t, CBindingRecord* record) { delete record; });
    m_records.Clear();
    m_undone = false;
}

std::vector<std::pair<uint64_t, CBindingRecord*>> CBindingTable::Records() const {
    std::vector<std::pair<uint64_t, CBindingRecord*>> records;
    records.reserve(m_records.Size());
    m_records.ForEach([&](uint64_t key, CBindingRecord* record) { records.emplace_back(key, record); });
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return records;
}

int CBindingTable::CountUnsaved() const {
    int count = 0;
    m_records.ForEach([&](uint64_t, const CBindingRecord* record) {
        count += record != nullptr && record->m_saved == 0 ? 1 : 0;
    });
    return count;
}

void CBindingTable::CheckAfterUndo(AcDbDatabase* db) {
    if (!m_undone) {
        return;
    }
    m_records.ForEach([&](uint64_t, CBindingRecord* record) {
        if (record != nullptr && record->m_saved != 0 && !LinkHolds(*record, db)) {
            record->m_saved = 0;
        }
    });
    m_undone = false;
}

void CBindingTable::SaveUnsaved(AcDbDatabase* db) {
    int& count = g_DocSyncRegistry.m_nSaveCount;
    const int total = g_DocSyncRegistry.m_nSaveTotal;
    // The meter moves at most 50 times, whatever the number of records.
    const int step = total / 50 + 1;
    // In key order, as the drawing holds them; each record is looked up again, as the writes may change the
    // table.
    std::vector<uint64_t> keys;
    m_records.ForEach([&](uint64_t key, const CBindingRecord* record) {
        if (record != nullptr && record->m_saved == 0) {
            keys.push_back(key);
        }
    });
    std::sort(keys.begin(), keys.end());
    for (uint64_t key : keys) {
        CBindingRecord* record = FindBinding(key);
        if (record == nullptr || record->m_saved != 0) {
            continue;
        }
        if (total > 0 && count % step == 0) {
            acedSetStatusBarProgressMeterPos(static_cast<int>(100.0 * count / total));
        }
        ++count;
        // A write refused now (an object held open) stays unsaved for the next save; an entity that is gone
        // for good has nothing left to write to.
        if (WriteLinkByKey(*record, db) != CLinkWrite::kFailed) {
            record->m_saved = 1;
        }
    }
}

// ---- CMapIdTable ----

void CMapIdTable::Reserve(size_t count) {
    if (count > m_keys.bucket_count() * m_keys.max_load_factor()) {
        m_keys.reserve(count);
    }
}

bool CMapIdTable::Get(uint32_t mapId, uint64_t& key) const {
    auto it = m_keys.find(mapId);
    key = it != m_keys.end() ? it->second : 0;
    return it != m_keys.end();
}

// ---- CMapObjLinkTable ----

CMapObjLinkTable::~CMapObjLinkTable() {
    for (auto& entry : m_links) {
        delete entry.second;
    }
}

CBindingTable* CMapObjLinkTable::Bindings() const {
    CDocSyncState* state = m_pOwner != nullptr ? m_pOwner : CurrentDocState();
    return state != nullptr ? &state->m_bindings : nullptr;
}

CMapObjLink* CMapObjLinkTable::Find(uint32_t id) const {
    auto it = m_links.find(id);
    return it != m_links.end() ? it->second : nullptr;
}

void CMapObjLinkTable::EmptyLink(uint32_t id) {
    CMapObjLink* link = Find(id);
    if (link == nullptr) {
        return;
    }
    CBindingTable* bindings = Bindings();
    AcDbDatabase* db = m_pOwner != nullptr ? m_pOwner->m_pDb : nullptr;
    for (uint64_t key : link->m_keys) {
        EraseByKey(db, key);
        if (bindings != nullptr) {
            bindings->EraseBinding(key);
        }
    }
    link->m_keys.clear();
    // The link stays and may get a new record: the old one must not be deleted twice.
    delete link->m_record;
    link->m_record = nullptr;
}

void CMapObjLinkTable::SetLinkEntities(uint32_t id, const std::vector<uint64_t>& keys) {
    if (CMapObjLink* link = Find(id)) {
        link->m_keys = keys;
        link->m_modified = 0;
        link->m_saved = 0;
    }
}

bool CMapObjLinkTable::RekeyLink(uint32_t oldKey, uint32_t newMapId) {
    auto old = m_links.find(oldKey);
    if (old == m_links.end()) {
        return false;
    }
    CMapObjLink* moved = old->second;
    m_links.erase(old);
    if (CBindingTable* bindings = Bindings()) {
        for (uint64_t key : moved->m_keys) {
            bindings->UpdateBinding(key, newMapId, true);
        }
    }
    if (moved->m_record != nullptr) {
        moved->m_record->m_groupMember = 1;
        moved->m_record->m_mapId = newMapId;
    }
    moved->m_saved = 0;
    moved->m_modified = 0;
    CMapObjLink*& slot = m_links[newMapId];
    if (slot == nullptr) {
        slot = moved;
        return true;
    }
    // A link already under the new id takes the members it lacks; nothing is leaked or lost.
    for (uint64_t key : moved->m_keys) {
        if (std::find(slot->m_keys.begin(), slot->m_keys.end(), key) == slot->m_keys.end()) {
            slot->m_keys.push_back(key);
        }
    }
    if (slot->m_record == nullptr) {
        slot->m_record = moved->m_record;
        moved->m_record = nullptr;
    }
    slot->m_saved = 0;
    delete moved;
    return true;
}

CBindingRecord* CMapObjLinkTable::SetLinkRecordId(uint32_t id, uint32_t mapId) {
    CMapObjLink* link = Find(id);
    if (link == nullptr || link->m_record == nullptr) {
        return nullptr;
    }
    link->m_record->m_mapId = mapId;
    return link->m_record;
}

void CMapObjLinkTable::SetLinkRecord(uint32_t id, CBindingRecord* record) {
    if (record == nullptr) {
        return;
    }
    CMapObjLink*& link = m_links[id];
    if (link == nullptr) {
        link = new CMapObjLink;
    }
    if (link->m_record != record) {
        delete link->m_record;
        link->m_record = record;
    }
}

void CMapObjLinkTable::AddLinkEntity(uint32_t id, const CBindingRecord& record, bool modified) {
    CMapObjLink*& link = m_links[id];
    if (link == nullptr) {
        link = new CMapObjLink;
    }
    if (link->m_record == nullptr) {
        link->m_record = new CBindingRecord(CBindingRecord::ForGroup(record));
    }
    link->m_keys.push_back(record.m_key);
    link->m_modified = modified ? 1 : 0;
    link->m_saved = 0;
}

std::vector<std::pair<uint32_t, std::vector<uint64_t>>> CMapObjLinkTable::CollectModified() {
    std::vector<std::pair<uint32_t, std::vector<uint64_t>>> out;
    for (auto& [id, link] : m_links) {
        if (link->m_modified != 0 && !link->m_keys.empty()) {
            out.emplace_back(id, link->m_keys);
            link->m_modified = 0;
        }
    }
    return out;
}

void CMapObjLinkTable::RemoveLink(uint32_t id) {
    auto it = m_links.find(id);
    if (it != m_links.end()) {
        delete it->second;
        m_links.erase(it);
    }
}

bool CMapObjLinkTable::SetLinkModified(uint32_t id, bool modified) {
    CMapObjLink* link = Find(id);
    if (link == nullptr) {
        return false;
    }
    link->m_modified = modified ? 1 : 0;
    link->m_saved = 0;
    return true;
}

// ---- CDocSyncState ----

CDocSyncState::CDocSyncState(AcApDocument* doc)
    : m_pBaseMap(MakeDocBaseMap()), m_pDoc(doc), m_pDb(doc != nullptr ? doc->database() : nullptr) {
    m_lines.setGrowLength(8);
    m_texts.setGrowLength(8);
    m_modified.setGrowLength(8);
    m_pointGroups.m_pOwner = this;
    m_trackGroups.m_pOwner = this;
}

// ---- CDocSyncRegistry ----

CDocSyncRegistry::~CDocSyncRegistry() {
    m_pCurrent = nullptr;
    m_states.clear();
}

uint64_t CDocSyncRegistry::MakeDocKey(const CString& fileName) {
    const int size = WideCharToMultiByte(CP_ACP, 0, fileName.GetString(), fileName.GetLength(), nullptr, 0,
                                         nullptr, nullptr);
    std::vector<char> ansi(static_cast<size_t>(std::max(size, 0)) + 1, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, 0, fileName.GetString(), fileName.GetLength(), ansi.data(), size, nullptr,
                            nullptr);
    }
    uint8_t digest[16];
    Md5Buffer(digest, ansi.data(), static_cast<uint32_t>(std::strlen(ansi.data())));
    return DigestToKey63(digest);
}

void CDocSyncRegistry::Prune() {
    for (auto it = m_states.begin(); it != m_states.end();) {
        if (IsOpenDocument(it->second->m_pDoc, it->second->m_pDb)) {
            ++it;
            continue;
        }
        if (m_pCurrent == it->second.get()) {
            m_pCurrent = nullptr;
        }
        it = m_states.erase(it);
    }
}

CDocSyncState* CDocSyncRegistry::GetDocState(AcApDocument* doc, bool create) {
    if (doc == nullptr) {
        return nullptr;
    }
    Prune();
    auto it = m_states.find(doc);
    if (it != m_states.end()) {
        // A document closed without its state removed may leave its address to a new one: never hand the
        // new drawing the old drawing's tables.
        if (it->second->m_pDb == doc->database()) {
            return it->second.get();
        }
        if (m_pCurrent == it->second.get()) {
            m_pCurrent = nullptr;
        }
        m_states.erase(it);
    }
    if (!create) {
        return nullptr;
    }
    return m_states.emplace(doc, std::make_unique<CDocSyncState>(doc)).first->second.get();
}

CDocSyncState* CDocSyncRegistry::FindDocState(const AcDbDatabase* db) {
    if (db == nullptr) {
        return nullptr;
    }
    Prune();
    for (const auto& entry : m_states) {
        if (entry.second->m_pDb == db) {
            return entry.second.get();
        }
    }
    return nullptr;
}

void CDocSyncRegistry::RemoveDocState(AcApDocument* doc) {
    auto it = m_states.find(doc);
    if (it == m_states.end()) {
        return;
    }
    if (m_pCurrent == it->second.get()) {
        m_pCurrent = nullptr;
    }
    CDocSyncState& state = *it->second;
    const ACHAR* name = doc->fileName();
    if (name != nullptr && name[0] != 0 && (!state.m_unsentKeys.empty() || !state.m_unsentDeletes.empty())) {
        HeldWork& held = m_held[name];
        held.keys.insert(state.m_unsentKeys.begin(), state.m_unsentKeys.end());
        held.deletes.insert(held.deletes.end(), state.m_unsentDeletes.begin(), state.m_unsentDeletes.end());
    }
    m_states.erase(it);
}

void CDocSyncRegistry::TakeHeldWork(CDocSyncState& state) {
    const ACHAR* name = state.m_pDoc != nullptr ? state.m_pDoc->fileName() : nullptr;
    if (name == nullptr || name[0] == 0) {
        return;
    }
    auto it = m_held.find(name);
    if (it == m_held.end()) {
        return;
    }
    // Handles survive a save: an entity missing from the drawing opened is left out when the edits go.
    state.m_unsentKeys.insert(it->second.keys.begin(), it->second.keys.end());
    for (DWORD id : it->second.deletes) {
        uint64_t key = 0;
        // Still bound here: the drawing was closed without saving the erase.
        if (state.m_mapIds.Get(id, key) || state.m_pointGroups.Find(id) != nullptr ||
            state.m_trackGroups.Find(id) != nullptr) {
            continue;
        }
        state.m_unsentDeletes.push_back(id);
    }
    m_held.erase(it);
}

void CDocSyncRegistry::ClearAll() {
    m_pCurrent = nullptr;
    m_states.clear();
    m_held.clear();
}

void CDocSyncRegistry::SaveAllXData() {
    // Only drawings still open are written, each into its own database.
    std::vector<CDocSyncState*> states;
    m_nSaveTotal = 0;
    for (const auto& entry : m_states) {
        CDocSyncState* state = entry.second.get();
        if (!IsOpenDocument(state->m_pDoc, state->m_pDb)) {
            continue;
        }
        if (state->m_bindings.NeedsCheck()) {
            // Links an undo took back out of the drawing are written again, and only those.
            CDocWriteLock lock(state->m_pDoc);
            if (lock.Locked()) {
                state->m_bindings.CheckAfterUndo(state->m_pDb);
            }
        }
        states.push_back(state);
        m_nSaveTotal += state->m_bindings.CountUnsaved();
    }
    if (m_nSaveTotal == 0) {
        return;
    }
    acedSetStatusBarProgressMeter(kSaveProgressText, 0, 100);
    m_nSaveCount = 0;
    for (CDocSyncState* state : states) {
        if (state->m_bindings.CountUnsaved() == 0) {
            continue;
        }
        // Each drawing is written under its own document's lock and in its own transaction.
        CDocWriteLock lock(state->m_pDoc);
        if (!lock.Locked()) {
            continue;  // its records stay unsaved for the next save
        }
        AcTransactionManager* transactions = state->m_pDoc->transactionManager();
        transactions->startTransaction();
        state->m_bindings.SaveUnsaved(state->m_pDb);
        transactions->endTransaction();
    }
    acedRestoreStatusBar();
}

void SyncUnderDocLock() {
    AcApDocument* doc = acDocManager->curDocument();
    if (doc == nullptr) {
        return;  // QUIT with no drawing open
    }
    CDocWriteLock lock(doc);
    if (!lock.Locked()) {
        return;
    }
    g_bEchoFlag = 1;
    g_DocSyncRegistry.SaveAllXData();
    g_bEchoFlag = 0;
}

Acad::ErrorStatus CheckRememberedObject() {
    if (g_idRemembered.isNull()) {
        return Acad::eNullObjectId;
    }
    AcDbObject* object = nullptr;
    const Acad::ErrorStatus es = acdbOpenObject(object, g_idRemembered, AcDb::kForWrite);
    if (es == Acad::eOk) {
        object->close();
    }
    return es;
}

void FillOpacityFromLayer(CBindingRecord& record, const AcDbEntity* entity) {
    if (entity == nullptr) {
        return;
    }
    const AcDbObjectId layerId = entity->layerId();
    auto it = g_layerOpacities.find(layerId.asOldId());
    if (it == g_layerOpacities.end()) {
        AcDbLayerTableRecord* layer = nullptr;
        if (acdbOpenObject(layer, layerId, AcDb::kForRead) != Acad::eOk) {
            return;
        }
        const uint32_t opacity = layer->transparency().alpha() * 100u / 254u;
        layer->close();
        it = g_layerOpacities.emplace(layerId.asOldId(), opacity).first;
    }
    record.m_opacity = it->second;
}

void CMapObjLinkTable::SaveLinkBindings(AcDbDatabase* db) {
    int& count = g_DocSyncRegistry.m_nSaveCount;
    const int total = g_DocSyncRegistry.m_nSaveTotal;
    const int step = total / 50 + 1;
    for (auto& [id, link] : m_links) {
        CBindingRecord bare;
        bare.m_mapId = id;
        bare.m_groupMember = 1;
        const CBindingRecord& record = link->m_record != nullptr ? *link->m_record : bare;
        for (uint64_t key : link->m_keys) {
            if (total > 0 && count % step == 0) {
                acedSetStatusBarProgressMeterPos(static_cast<int>(100.0 * count / total));
            }
            ++count;
            CBindingRecord member = record;
            member.m_key = key;
            member.m_groupMember = 1;
            WriteLinkByKey(member, db);
        }
        link->m_saved = 1;
    }
}
