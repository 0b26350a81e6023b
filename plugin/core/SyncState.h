// Per-drawing sync state: the bindings between a drawing's entities (and layers) and the map objects they
// were sent as or built from, the groups of entities sent as one map object, and the drawing's base map. One
// state per open document, kept in a registry by document and made current when its document is activated.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <memory>
#include <utility>
#include <vector>

#include "plugin/core/DocBaseMap.h"
#include "plugin/core/FlatKeyTable.h"
#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

// The entity key: the handle's low word, or 0xFFFFFFFF for a handle that needs more than 32 bits.
uint32_t HandleToUInt32(const AcDbHandle& handle);

// The binding of one entity (or layer) to one map object.
struct CBindingRecord {
    uint64_t m_key = 0;  // entity key, zero-extended
    uint32_t m_mapId = 0;
    uint32_t m_parentId = 0;
    CString m_name;
    CString m_remark;  // the tagged property text
    uint8_t m_saved = 0;
    uint8_t m_groupMember = 0;
    CString m_extra;  // never filled; stored as an empty string
    uint32_t m_lineStyle = 0;
    uint32_t m_opacity = 50;

    CBindingRecord() = default;
    CBindingRecord(const CBindingRecord&) = default;
    CBindingRecord& operator=(const CBindingRecord&) = default;
    // The record a group link owns: key, ids, flags, name and remark of another record.
    static CBindingRecord ForGroup(const CBindingRecord& from);
};

// Entity key -> owned binding. The keys sit in one flat table: an undo of a big edit looks up every binding
// it touched.
class CBindingTable {
public:
    CBindingTable() = default;
    CBindingTable(const CBindingTable&) = delete;
    CBindingTable& operator=(const CBindingTable&) = delete;
    ~CBindingTable() { Clear(); }

    // Stores the record under the key with m_saved set to the flag; a different record there is deleted.
    void SetBinding(uint64_t key, CBindingRecord* record, bool saved);
    // Sets the key's map id and group flag and marks it unsaved; a missing key gets a new record.
    void UpdateBinding(uint64_t key, uint32_t mapId, bool groupMember);
    void EraseBinding(uint64_t key);
    CBindingRecord* FindBinding(uint64_t key) const;
    void Clear();
    int CountUnsaved() const;
    // An undo or redo may have taken links back out of the drawing. Nothing is walked now: the next save
    // checks the saved records against their links (CheckAfterUndo) and writes those that no longer hold.
    void NoteUndo() { m_undone = true; }
    bool NeedsCheck() const { return m_undone; }
    // After an undo or redo, marks unsaved every saved record whose link in db no longer holds it (the
    // caller holds the lock); afterwards no check is pending.
    void CheckAfterUndo(AcDbDatabase* db);
    // Writes every unsaved record into its entity's link in db (the caller holds the lock and the
    // transaction); a record is marked saved once written, or once its entity is gone for good.
    void SaveUnsaved(AcDbDatabase* db);

    size_t Size() const { return m_records.Size(); }
    // (key, record) of every binding, in key order.
    std::vector<std::pair<uint64_t, CBindingRecord*>> Records() const;

private:
    CFlatKeyMap<CBindingRecord*> m_records;
    bool m_undone = false;  // an undo or redo ran since the links were last checked
};

// Map object id -> entity key. Hashed: a receive looks every object up here, in a table as large as the
// drawing's bindings, and nothing walks it in order.
class CMapIdTable {
public:
    void Set(uint32_t mapId, uint64_t key) { m_keys[mapId] = key; }
    void Erase(uint32_t mapId) { m_keys.erase(mapId); }
    bool Get(uint32_t mapId, uint64_t& key) const;
    size_t Size() const { return m_keys.size(); }
    // Room for count entries in all, so that a receive of many objects does not rehash on the way; never
    // shrinks.
    void Reserve(size_t count);
    const std::unordered_map<uint32_t, uint64_t>& Keys() const { return m_keys; }

private:
    std::unordered_map<uint32_t, uint64_t> m_keys;
};

// One map object linked to a group of entities (points sent as one track, polylines as one multi-part track).
struct CMapObjLink {
    uint8_t m_saved = 1;
    uint8_t m_modified = 0;  // the group is re-sent whole at the next send
    CBindingRecord* m_record = nullptr;
    std::vector<uint64_t> m_keys;  // members, in the order they were added

    CMapObjLink() = default;
    CMapObjLink(const CMapObjLink&) = delete;
    CMapObjLink& operator=(const CMapObjLink&) = delete;
    ~CMapObjLink() { delete m_record; }
};

class CDocSyncState;

// Map object id (or the temporary key a group was sent under) -> owned link.
class CMapObjLinkTable {
public:
    CMapObjLinkTable() = default;
    CMapObjLinkTable(const CMapObjLinkTable&) = delete;
    CMapObjLinkTable& operator=(const CMapObjLinkTable&) = delete;
    ~CMapObjLinkTable();

    // Erases every member entity of the link (in the working database) with its binding, and empties the
    // link.
    void EmptyLink(uint32_t id);
    void SetLinkEntities(uint32_t id, const std::vector<uint64_t>& keys);
    // Moves the group sent under oldKey to the id the map application gave it; false when oldKey is absent.
    bool RekeyLink(uint32_t oldKey, uint32_t newMapId);
    CBindingRecord* SetLinkRecordId(uint32_t id, uint32_t mapId);
    void SetLinkRecord(uint32_t id, CBindingRecord* record);
    void AddLinkEntity(uint32_t id, const CBindingRecord& record, bool modified);
    // (map id, member keys) of every modified, non-empty link, in id order; their flags are cleared.
    std::vector<std::pair<uint32_t, std::vector<uint64_t>>> CollectModified();
    bool SetLinkModified(uint32_t id, bool modified);
    // Removes the link with its record; the members' bindings are left to the caller.
    void RemoveLink(uint32_t id);
    // Writes every link's binding into each of its members' links in db, counted on the save counters (the
    // caller sets the total and holds the lock); a link without a record is written as a bare group member of
    // its id. Every link is marked saved afterwards.
    void SaveLinkBindings(AcDbDatabase* db);

    CMapObjLink* Find(uint32_t id) const;
    const std::map<uint32_t, CMapObjLink*>& Links() const { return m_links; }

    // The bindings the link operations update; the owning state's, else the current state's.
    CDocSyncState* m_pOwner = nullptr;

private:
    CBindingTable* Bindings() const;

    std::map<uint32_t, CMapObjLink*> m_links;
};

// A set of object ids, flat: a large MOVE or UNDO adds every entity it touches.
class CObjectIdSet {
public:
    // True when the id was not in the set yet.
    bool Insert(AcDbObjectId id) { return m_keys.Insert(static_cast<uint64_t>(id.asOldId())); }
    void Clear() { m_keys.Clear(); }
    size_t Size() const { return m_keys.Size(); }

private:
    CFlatKeySet m_keys;
};

// Everything the plug-in keeps about one open drawing.
class CDocSyncState {
public:
    explicit CDocSyncState(AcApDocument* doc = nullptr);
    CDocSyncState(const CDocSyncState&) = delete;
    CDocSyncState& operator=(const CDocSyncState&) = delete;

    CBindingTable m_bindings;
    CMapIdTable m_mapIds;
    CMapObjLinkTable m_pointGroups;
    CMapObjLinkTable m_trackGroups;
    // The drawing's base map, made by the maker the base map registered (null without one).
    std::unique_ptr<CDocBaseMap> m_pBaseMap;

    // The reactors' scratch.
    AcDbObjectId m_lastModified;
    AcDbObjectIdArray m_lines;
    AcDbObjectIdArray m_texts;
    AcDbObjectIdArray m_modified;
    AcDbObjectId m_lastPoint;
    // The ids m_modified holds, so that a large MOVE or UNDO stays linear. The lines and texts are a part of
    // m_modified, emptied with it: one set serves the three lists.
    CObjectIdSet m_modifiedSet;
    // The entity key of each id in m_modified, noted while its object is at hand: an undo's end looks up
    // every binding by it.
    std::vector<uint32_t> m_modifiedKeys;
    // Entities an undo or redo brought back, sent together when the command ends.
    AcDbObjectIdArray m_restored;
    CObjectIdSet m_restoredSet;
    // Keys of entities edited while the map application was closed: sent once it is back, before anything
    // is received over them.
    std::set<uint64_t> m_unsentKeys;
    // Map objects whose entities were erased while the map application was closed: deleted once it is back,
    // before the edits above go.
    std::vector<DWORD> m_unsentDeletes;

    // The document and database the state belongs to: handles are resolved in this database only.
    AcApDocument* m_pDoc = nullptr;
    AcDbDatabase* m_pDb = nullptr;
};

// One state per open document. The in-memory key is the document itself: a SAVEAS, a drawing never saved or
// one file open twice never shares or loses a state. MakeDocKey stays for the settings file's entries.
class CDocSyncRegistry {
public:
    CDocSyncRegistry() = default;
    CDocSyncRegistry(const CDocSyncRegistry&) = delete;
    CDocSyncRegistry& operator=(const CDocSyncRegistry&) = delete;
    // At program exit nothing of the host may be called: the states are only dropped.
    ~CDocSyncRegistry();

    // The 63-bit key of a drawing's full file name in the ANSI code page.
    static uint64_t MakeDocKey(const CString& fileName);

    // The document's state; created (empty) when missing and create is set. Null for a null document.
    CDocSyncState* GetDocState(AcApDocument* doc, bool create = true);
    // The state of the document that holds the database; null when none.
    CDocSyncState* FindDocState(const AcDbDatabase* db);
    // Drops the document's state; what it still owed the map application (edits and erases made while the
    // map application was away) is held under its file name.
    void RemoveDocState(AcApDocument* doc);
    // Gives a drawing opened again what it owed the map application when it closed: its edits go again, and
    // the deletes of map objects no entity of the opened drawing is bound to (an erase saved with it).
    void TakeHeldWork(CDocSyncState& state);
    void ClearAll();
    // Writes the unsaved bindings of every drawing into its own drawing.
    void SaveAllXData();
    size_t Count() const { return m_states.size(); }

    CDocSyncState* m_pCurrent = nullptr;
    int m_nSaveTotal = 0;
    int m_nSaveCount = 0;

private:
    // Drops the states of drawings no longer open (a close that nobody reported).
    void Prune();

    std::map<AcApDocument*, std::unique_ptr<CDocSyncState>> m_states;
    struct HeldWork {
        std::set<uint64_t> keys;
        std::vector<DWORD> deletes;
    };
    std::map<std::u16string, HeldWork> m_held;
};

extern CDocSyncRegistry g_DocSyncRegistry;
// The send road's scratch table of folder records, keyed by their place in the send.
extern CBindingTable g_FolderBindings;
// Drops every drawing's state (memory only, as at program exit) and the send road's folder records.
void ResetSyncState();

// The current drawing's state, null when there is none.
inline CDocSyncState* CurrentDocState() {
    return g_DocSyncRegistry.m_pCurrent;
}

// Locks the current document, writes all unsaved bindings with the echo flag set, and unlocks.
void SyncUnderDocLock();

// The object id remembered for the open check; null when none.
extern AcDbObjectId g_idRemembered;
// Opens the remembered object for write and closes it again, unchanged; the status of the open.
Acad::ErrorStatus CheckRememberedObject();
// Sets the record's opacity from the transparency of the entity's layer (alpha x 100 / 254), each layer's
// value kept after its first read; the record is left as it is when the layer can't be read.
void FillOpacityFromLayer(CBindingRecord& record, const AcDbEntity* entity);
