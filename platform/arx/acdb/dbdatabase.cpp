#include "platform/arx/acdb/dbdatabase.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "platform/arx/acdb/dbblkref.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/win32/core/testhooks.h"

using platform::detail::DbSlot;

namespace {

// Process-wide state: the id registry, the live non-resident count, the working database and the write
// observer. Ids come from one counter that never repeats, started far from small handle values.
struct Globals {
    std::unordered_map<std::uint64_t, DbSlot*> registry;
    std::uint64_t nextSerial = 0x7A0000000ull;
    std::uint64_t nextGroup = 0;
    int nonResident = 0;
    AcDbDatabase* working = nullptr;
    std::function<void(AcDbDatabase*)> writeObserver;
    bool notifyEveryWriteClose = false;
};

Globals& G() {
    static Globals globals;
    static bool registered = false;
    if (!registered) {
        registered = true;
        platform::RegisterReset("acdb.database", [] {
            Globals& g = G();
            g.registry.clear();
            g.nonResident = 0;
            g.working = nullptr;
            g.writeObserver = nullptr;
            g.notifyEveryWriteClose = false;
        });
    }
    return globals;
}

enum class Change { kAppend, kErase, kUnerase, kModify };

struct UndoRecord {
    Change change;
    DbSlot* slot;
    std::unique_ptr<AcDbObject> before;
    std::unique_ptr<AcDbObject> after;
};

struct UndoGroup {
    std::vector<UndoRecord> records;
};

AcDbObject* Snapshot(const AcDbObject* object) {
    AcDbObject* copy = object->tarnCopyData();
    copy->tarnMarkSnapshot();
    return copy;
}

}  // namespace

struct AcDbDatabase::Impl {
    AcDbDatabase* self = nullptr;
    std::map<Adesk::UInt64, std::unique_ptr<DbSlot>> slots;  // by handle
    Adesk::UInt64 seed = 1;
    AcDbObjectId blockTable, layerTable, linetypeTable, textStyleTable, regAppTable, viewportTable, nod;
    AcDbObjectId clayer, celtype, textstyle, byLayer, byBlock, continuous, layer0;
    AcCmColor cecolor;
    mutable std::vector<AcDbDatabaseReactor*> reactors;
    std::u16string filename;
    bool constructing = false;
    int groupDepth = 0;
    std::uint64_t group = 0;  // serial of the open group, 0 when none
    std::vector<UndoGroup> undo;
    std::vector<UndoGroup> redo;

    bool implicitOpen = false;  // changes outside a command gather in a group of their own

    // The group a change goes to. Outside any explicit group an implicit one is opened, so that undoing an
    // older group never restores a state that later changes build on.
    UndoGroup* openGroup() {
        if (constructing) {
            return nullptr;
        }
        if (groupDepth == 0 && !implicitOpen) {
            implicitOpen = true;
            group = ++G().nextGroup;
            undo.emplace_back();
            redo.clear();
        }
        return &undo.back();
    }

    template <class Fire>
    void fire(AcDbObject* object, Fire&& call) {
        DbSlot* slot = object->tarnSlot();
        const bool wasNotifying = slot != nullptr && slot->notifying;
        if (slot != nullptr) {
            slot->notifying = true;
        }
        const std::vector<AcDbDatabaseReactor*> copy = reactors;  // reactors may detach while notified
        for (AcDbDatabaseReactor* reactor : copy) {
            if (std::find(reactors.begin(), reactors.end(), reactor) != reactors.end()) {
                call(reactor);
            }
        }
        if (slot != nullptr) {
            slot->notifying = wasNotifying;
        }
    }
};

namespace platform::detail {

DbSlot* FindSlot(AcDbObjectId id) {
    if (id.isNull()) {
        return nullptr;
    }
    auto& registry = G().registry;
    auto it = registry.find(id.serial());
    return it != registry.end() ? it->second : nullptr;
}

AcDbObject* Peek(AcDbObjectId id) {
    DbSlot* slot = FindSlot(id);
    return slot != nullptr ? slot->object : nullptr;
}

void NoteNonResident(int delta) {
    G().nonResident += delta;
}

bool NotifyEveryWriteClose() {
    return G().notifyEveryWriteClose;
}

void NotifyWrite(AcDbDatabase* db) {
    if (G().writeObserver && db != nullptr && !db->tarnImpl()->constructing) {
        G().writeObserver(db);
    }
}

void JournalModify(DbSlot* slot) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    UndoGroup* group = impl->openGroup();
    if (group == nullptr) {
        return;
    }
    if (slot->snapshotGroup == impl->group || slot->object == nullptr) {
        return;
    }
    slot->snapshotGroup = impl->group;
    group->records.push_back(
        UndoRecord{Change::kModify, slot, std::unique_ptr<AcDbObject>(Snapshot(slot->object)), nullptr});
}

void JournalErase(DbSlot* slot, bool erasing) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    UndoGroup* group = impl->openGroup();
    if (group == nullptr) {
        return;
    }
    group->records.push_back(UndoRecord{erasing ? Change::kErase : Change::kUnerase, slot, nullptr, nullptr});
}

void JournalAppend(DbSlot* slot) {
    AcDbDatabase::Impl* impl = slot->db->tarnImpl();
    UndoGroup* group = impl->openGroup();
    if (group == nullptr) {
        return;
    }
    // A new object's later changes in the same group need no before-state: undo erases it.
    slot->snapshotGroup = impl->group;
    group->records.push_back(UndoRecord{Change::kAppend, slot, nullptr, nullptr});
}

void EraseInternal(DbSlot* slot, bool erasing) {
    if (slot == nullptr || slot->object == nullptr || slot->erased == erasing) {
        return;
    }
    NotifyWrite(slot->db);
    JournalErase(slot, erasing);
    slot->erased = erasing;
    slot->db->tarnFireErased(slot->object, erasing);
}

}  // namespace platform::detail

// ---- ids and handles ----

const AcDbObjectId AcDbObjectId::kNull;

bool AcDbObjectId::isValid() const {
    const DbSlot* slot = platform::detail::FindSlot(*this);
    return slot != nullptr && slot->object != nullptr;
}

bool AcDbObjectId::isErased() const {
    const DbSlot* slot = platform::detail::FindSlot(*this);
    return slot != nullptr && slot->erased;
}

AcDbHandle AcDbObjectId::handle() const {
    const DbSlot* slot = platform::detail::FindSlot(*this);
    return slot != nullptr ? slot->handle : AcDbHandle();
}

AcDbDatabase* AcDbObjectId::database() const {
    const DbSlot* slot = platform::detail::FindSlot(*this);
    return slot != nullptr ? slot->db : nullptr;
}

AcDbHandle::AcDbHandle(const ACHAR* hex) {
    if (hex == nullptr || *hex == 0) {
        return;
    }
    Adesk::UInt64 value = 0;
    int digits = 0;
    for (const ACHAR* c = hex; *c != 0; ++c, ++digits) {
        int d = -1;
        if (*c >= u'0' && *c <= u'9') {
            d = *c - u'0';
        } else if (*c >= u'a' && *c <= u'f') {
            d = *c - u'a' + 10;
        } else if (*c >= u'A' && *c <= u'F') {
            d = *c - u'A' + 10;
        }
        if (d < 0 || digits >= 16) {
            return;
        }
        value = value << 4 | static_cast<Adesk::UInt64>(d);
    }
    m_value = value;
}

bool AcDbHandle::getIntoAsciiBuffer(ACHAR* buffer, size_t count) const {
    char16_t digits[17];
    int n = 0;
    Adesk::UInt64 v = m_value;
    do {
        const int d = static_cast<int>(v & 0xF);
        digits[n++] = static_cast<char16_t>(d < 10 ? u'0' + d : u'A' + d - 10);
        v >>= 4;
    } while (v != 0);
    if (buffer == nullptr || count < static_cast<size_t>(n) + 1) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        buffer[i] = digits[n - 1 - i];
    }
    buffer[n] = 0;
    return true;
}

// ---- reactor ----

TARN_RX_DEFINE_ABSTRACT(AcDbDatabaseReactor, AcRxObject, nullptr, 0)
void AcDbDatabaseReactor::objectAppended(const AcDbDatabase*, const AcDbObject*) {}
void AcDbDatabaseReactor::objectModified(const AcDbDatabase*, const AcDbObject*) {}
void AcDbDatabaseReactor::objectErased(const AcDbDatabase*, const AcDbObject*, bool) {}
void AcDbDatabaseReactor::goodbye(const AcDbDatabase*) {}

// ---- database ----

TARN_RX_DEFINE_ABSTRACT(AcDbDatabase, AcRxObject, nullptr, 0)

namespace {

template <class Object>
AcDbObjectId AddOwned(AcDbDatabase* db, Object* object, AcDbObjectId owner) {
    AcDbObjectId id;
    db->tarnAddObject(object, owner, id);
    object->close();
    return id;
}

template <class Table, class Record>
AcDbObjectId AddRecord(AcDbDatabase* db, AcDbObjectId tableId, Record* record, const ACHAR* name) {
    Table* table = nullptr;
    acdbOpenObject(table, tableId, AcDb::kForWrite);
    record->setName(name);
    AcDbObjectId id;
    table->add(id, record);
    record->close();
    table->close();
    (void)db;
    return id;
}

}  // namespace

AcDbDatabase::AcDbDatabase(bool buildDefaultDrawing, bool) : m_impl(std::make_unique<Impl>()) {
    G();
    m_impl->self = this;
    Impl& d = *m_impl;
    // The default contents are not a write anyone must lock for.
    d.constructing = true;
    struct Done {
        Impl& d;
        ~Done() { d.constructing = false; }
    } done{d};
    d.blockTable = AddOwned(this, new AcDbBlockTable(), AcDbObjectId());
    d.layerTable = AddOwned(this, new AcDbLayerTable(), AcDbObjectId());
    d.textStyleTable = AddOwned(this, new AcDbTextStyleTable(), AcDbObjectId());
    d.linetypeTable = AddOwned(this, new AcDbLinetypeTable(), AcDbObjectId());
    d.viewportTable = AddOwned(this, new AcDbViewportTable(), AcDbObjectId());
    d.regAppTable = AddOwned(this, new AcDbRegAppTable(), AcDbObjectId());
    d.nod = AddOwned(this, new AcDbDictionary(), AcDbObjectId());
    if (!buildDefaultDrawing) {
        return;
    }
    AddRecord<AcDbBlockTable>(this, d.blockTable, new AcDbBlockTableRecord(), platform::kModelSpace);
    AddRecord<AcDbBlockTable>(this, d.blockTable, new AcDbBlockTableRecord(), platform::kPaperSpace);
    d.byBlock =
        AddRecord<AcDbLinetypeTable>(this, d.linetypeTable, new AcDbLinetypeTableRecord(), u"ByBlock");
    d.byLayer =
        AddRecord<AcDbLinetypeTable>(this, d.linetypeTable, new AcDbLinetypeTableRecord(), u"ByLayer");
    auto* continuous = new AcDbLinetypeTableRecord();
    continuous->setComments(u"Solid line");
    d.continuous = AddRecord<AcDbLinetypeTable>(this, d.linetypeTable, continuous, u"Continuous");
    d.layer0 = AddRecord<AcDbLayerTable>(this, d.layerTable, new AcDbLayerTableRecord(), u"0");
    auto* standard = new AcDbTextStyleTableRecord();
    standard->setFileName(u"txt");
    d.textstyle = AddRecord<AcDbTextStyleTable>(this, d.textStyleTable, standard, u"Standard");
    AddRecord<AcDbRegAppTable>(this, d.regAppTable, new AcDbRegAppTableRecord(), u"ACAD");
    AddRecord<AcDbViewportTable>(this, d.viewportTable, new AcDbViewportTableRecord(), u"*ACTIVE");
    d.clayer = d.layer0;
    d.celtype = d.byLayer;
}

AcDbDatabase::~AcDbDatabase() {
    const std::vector<AcDbDatabaseReactor*> copy = m_impl->reactors;
    for (AcDbDatabaseReactor* reactor : copy) {
        reactor->goodbye(this);
    }
    Globals& g = G();
    if (g.working == this) {
        g.working = nullptr;
    }
    m_impl->undo.clear();
    m_impl->redo.clear();
    for (auto& [handle, slot] : m_impl->slots) {
        g.registry.erase(slot->serial);
        if (slot->object != nullptr) {
            AcDbObject* object = slot->object;
            object->tarnDetachForDelete();
            delete object;
        }
    }
}

namespace {

template <class T>
Acad::ErrorStatus OpenTable(T*& table, AcDbObjectId id, AcDb::OpenMode mode) {
    return acdbOpenObject(table, id, mode);
}

}  // namespace

Acad::ErrorStatus AcDbDatabase::getBlockTable(AcDbBlockTable*& t, AcDb::OpenMode m) {
    return OpenTable(t, m_impl->blockTable, m);
}
Acad::ErrorStatus AcDbDatabase::getLayerTable(AcDbLayerTable*& t, AcDb::OpenMode m) {
    return OpenTable(t, m_impl->layerTable, m);
}
Acad::ErrorStatus AcDbDatabase::getLinetypeTable(AcDbLinetypeTable*& t, AcDb::OpenMode m) {
    return OpenTable(t, m_impl->linetypeTable, m);
}
Acad::ErrorStatus AcDbDatabase::getTextStyleTable(AcDbTextStyleTable*& t, AcDb::OpenMode m) {
    return OpenTable(t, m_impl->textStyleTable, m);
}
Acad::ErrorStatus AcDbDatabase::getRegAppTable(AcDbRegAppTable*& t, AcDb::OpenMode m) {
    return OpenTable(t, m_impl->regAppTable, m);
}
Acad::ErrorStatus AcDbDatabase::getViewportTable(AcDbViewportTable*& t, AcDb::OpenMode m) {
    return OpenTable(t, m_impl->viewportTable, m);
}
Acad::ErrorStatus AcDbDatabase::getNamedObjectsDictionary(AcDbDictionary*& dict, AcDb::OpenMode m) {
    return OpenTable(dict, m_impl->nod, m);
}

AcDbObjectId AcDbDatabase::blockTableId() const {
    return m_impl->blockTable;
}
AcDbObjectId AcDbDatabase::layerTableId() const {
    return m_impl->layerTable;
}
AcDbObjectId AcDbDatabase::linetypeTableId() const {
    return m_impl->linetypeTable;
}
AcDbObjectId AcDbDatabase::textStyleTableId() const {
    return m_impl->textStyleTable;
}
AcDbObjectId AcDbDatabase::regAppTableId() const {
    return m_impl->regAppTable;
}
AcDbObjectId AcDbDatabase::viewportTableId() const {
    return m_impl->viewportTable;
}
AcDbObjectId AcDbDatabase::namedObjectsDictionaryId() const {
    return m_impl->nod;
}
AcDbObjectId AcDbDatabase::byLayerLinetype() const {
    return m_impl->byLayer;
}
AcDbObjectId AcDbDatabase::byBlockLinetype() const {
    return m_impl->byBlock;
}
AcDbObjectId AcDbDatabase::continuousLinetype() const {
    return m_impl->continuous;
}
AcDbObjectId AcDbDatabase::layerZero() const {
    return m_impl->layer0;
}

Acad::ErrorStatus AcDbDatabase::getAcDbObjectId(AcDbObjectId& id, bool, const AcDbHandle& handle,
                                                Adesk::UInt32) {
    // Callers look up handles without testing the status and rely on a null id for an unknown handle, so
    // a failed look-up must not leave an id from an earlier one in place.
    id = AcDbObjectId();
    if (handle.isNull()) {
        return Acad::eNullHandle;
    }
    auto it = m_impl->slots.find(handle.value());
    if (it == m_impl->slots.end() || it->second->object == nullptr) {
        return Acad::eUnknownHandle;
    }
    id = AcDbObjectId(it->second->serial);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::addAcDbObject(AcDbObjectId& id, AcDbObject* object) {
    if (object == nullptr) {
        return Acad::eNullObjectPointer;
    }
    if (AcDbEntity::cast(object) != nullptr) {
        return Acad::eIsAnEntity;
    }
    AcDbObjectId newId;
    Acad::ErrorStatus es = tarnAddObject(object, AcDbObjectId(), newId);
    if (es != Acad::eOk) {
        return es;
    }
    id = newId;
    tarnFireAppended(object);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::addAcDbObject(AcDbObject* object) {
    AcDbObjectId id;
    return addAcDbObject(id, object);
}

namespace {

// Sets a "current record" variable; eInvalidInput unless the id is a live record of the class in db.
Acad::ErrorStatus SetCurrentRecord(AcDbObjectId& current, AcDbObjectId id, const AcDbDatabase* db,
                                   AcRxClass* cls) {
    const DbSlot* slot = platform::detail::FindSlot(id);
    if (slot == nullptr || slot->db != db || slot->object == nullptr || slot->erased ||
        !slot->object->isKindOf(cls)) {
        return Acad::eInvalidInput;
    }
    current = id;
    return Acad::eOk;
}

}  // namespace

AcDbObjectId AcDbDatabase::clayer() const {
    return m_impl->clayer;
}

Acad::ErrorStatus AcDbDatabase::setClayer(AcDbObjectId layerId) {
    return SetCurrentRecord(m_impl->clayer, layerId, this, AcDbLayerTableRecord::desc());
}

AcDbObjectId AcDbDatabase::celtype() const {
    return m_impl->celtype;
}

Acad::ErrorStatus AcDbDatabase::setCeltype(AcDbObjectId linetypeId) {
    return SetCurrentRecord(m_impl->celtype, linetypeId, this, AcDbLinetypeTableRecord::desc());
}

AcDbObjectId AcDbDatabase::textstyle() const {
    return m_impl->textstyle;
}

Acad::ErrorStatus AcDbDatabase::setTextstyle(AcDbObjectId styleId) {
    return SetCurrentRecord(m_impl->textstyle, styleId, this, AcDbTextStyleTableRecord::desc());
}

AcCmColor AcDbDatabase::cecolor() const {
    return m_impl->cecolor;
}

Acad::ErrorStatus AcDbDatabase::setCecolor(const AcCmColor& color) {
    m_impl->cecolor = color;
    return Acad::eOk;
}

AcDbHandle AcDbDatabase::handseed() const {
    return AcDbHandle(m_impl->seed);
}

void AcDbDatabase::addReactor(AcDbDatabaseReactor* reactor) const {
    if (reactor != nullptr &&
        std::find(m_impl->reactors.begin(), m_impl->reactors.end(), reactor) == m_impl->reactors.end()) {
        m_impl->reactors.push_back(reactor);
    }
}

void AcDbDatabase::removeReactor(AcDbDatabaseReactor* reactor) const {
    auto& list = m_impl->reactors;
    list.erase(std::remove(list.begin(), list.end(), reactor), list.end());
}

Acad::ErrorStatus AcDbDatabase::getFilename(const ACHAR*& name) const {
    name = m_impl->filename.c_str();
    return Acad::eOk;
}

void AcDbDatabase::tarnSetFilename(const ACHAR* name) {
    m_impl->filename = name != nullptr ? name : u"";
}

void AcDbDatabase::tarnTakeContents(AcDbDatabase& source) {
    std::swap(m_impl, source.m_impl);
    std::swap(m_impl->reactors, source.m_impl->reactors);
    std::swap(m_impl->groupDepth, source.m_impl->groupDepth);
    for (AcDbDatabase* db : {this, &source}) {
        Impl& d = *db->m_impl;
        d.self = db;
        for (auto& [handle, slot] : d.slots) {
            slot->db = db;
        }
        d.undo.clear();
        d.redo.clear();
        d.implicitOpen = false;
        d.group = 0;
        if (d.groupDepth > 0) {
            // A group open around the read goes on, now empty.
            d.group = ++G().nextGroup;
            d.undo.emplace_back();
        }
    }
}

void AcDbDatabase::tarnFindDefaultRecords() {
    Impl& d = *m_impl;
    auto find = [](AcDbObjectId tableId, const ACHAR* name) {
        const auto* table = AcDbSymbolTable::cast(platform::detail::Peek(tableId));
        return table != nullptr ? table->tarnFind(name) : AcDbObjectId();
    };
    d.layer0 = find(d.layerTable, u"0");
    d.byBlock = find(d.linetypeTable, u"ByBlock");
    d.byLayer = find(d.linetypeTable, u"ByLayer");
    d.continuous = find(d.linetypeTable, u"Continuous");
    if (d.clayer.isNull()) {
        d.clayer = d.layer0;
    }
    if (d.celtype.isNull()) {
        d.celtype = d.byLayer;
    }
    if (d.textstyle.isNull()) {
        d.textstyle = find(d.textStyleTable, u"Standard");
    }
}

Acad::ErrorStatus AcDbDatabase::tarnAddObject(AcDbObject* object, AcDbObjectId ownerId, AcDbObjectId& id,
                                              AcDbHandle handle) {
    if (object == nullptr) {
        return Acad::eNullObjectPointer;
    }
    if (object->tarnSlot() != nullptr) {
        return Acad::eAlreadyInDb;
    }
    Impl& d = *m_impl;
    if (handle.isNull()) {
        handle = AcDbHandle(d.seed);
    } else if (d.slots.count(handle.value()) != 0) {
        return Acad::eHandleInUse;
    }
    d.seed = std::max(d.seed, handle.value() + 1);
    platform::detail::NotifyWrite(this);
    auto slot = std::make_unique<DbSlot>();
    Globals& g = G();
    slot->serial = g.nextSerial++;
    slot->db = this;
    slot->handle = handle;
    slot->object = object;
    slot->writer = true;
    slot->modified = true;
    DbSlot* raw = slot.get();
    g.registry[raw->serial] = raw;
    d.slots[handle.value()] = std::move(slot);
    object->tarnAttach(raw);
    object->tarnSetOwner(ownerId);
    platform::detail::JournalAppend(raw);
    object->tarnBecameResident();
    id = AcDbObjectId(raw->serial);
    return Acad::eOk;
}

void AcDbDatabase::tarnFireAppended(AcDbObject* object) {
    m_impl->fire(object, [&](AcDbDatabaseReactor* r) { r->objectAppended(this, object); });
}

namespace {

// Persistent reactors hear of changes to the objects they are attached to.
template <class Call>
void TellPersistentReactors(AcDbObject* object, Call&& call) {
    const AcDbObjectIdArray reactors = object->persistentReactorIds();
    for (const AcDbObjectId& id : reactors) {
        const DbSlot* slot = platform::detail::FindSlot(id);
        if (slot != nullptr && slot->object != nullptr && !slot->erased && slot->object != object) {
            call(slot->object);
        }
    }
}

}  // namespace

void AcDbDatabase::tarnFireModified(AcDbObject* object) {
    m_impl->fire(object, [&](AcDbDatabaseReactor* r) { r->objectModified(this, object); });
    TellPersistentReactors(object, [&](AcDbObject* reactor) { reactor->modified(object); });
}

void AcDbDatabase::tarnFireErased(AcDbObject* object, bool erased) {
    m_impl->fire(object, [&](AcDbDatabaseReactor* r) { r->objectErased(this, object, erased); });
    TellPersistentReactors(object, [&](AcDbObject* reactor) { reactor->erased(object, erased); });
}

// ---- working database ----

AcDbDatabase* AcDbHostApplicationServices::workingDatabase() const {
    return G().working;
}
void AcDbHostApplicationServices::setWorkingDatabase(AcDbDatabase* db) {
    G().working = db;
}

AcDbHostApplicationServices* acdbHostApplicationServices() {
    static AcDbHostApplicationServices services;
    return &services;
}

// ---- platform hooks ----

namespace platform {

int OpenObjectCount(const AcDbDatabase* db) {
    int count = 0;
    for (const auto& [serial, slot] : G().registry) {
        if ((db == nullptr || slot->db == db) && slot->object != nullptr &&
            (slot->readers > 0 || slot->writer)) {
            ++count;
        }
    }
    return count;
}

int LiveNonResidentObjectCount() {
    return G().nonResident;
}

void BeginUndoGroup(AcDbDatabase* db) {
    AcDbDatabase::Impl* d = db->tarnImpl();
    if (d->groupDepth++ == 0) {
        d->implicitOpen = false;
        d->group = ++G().nextGroup;
        d->undo.emplace_back();
        d->redo.clear();
    }
}

void EndUndoGroup(AcDbDatabase* db) {
    AcDbDatabase::Impl* d = db->tarnImpl();
    if (d->groupDepth > 0 && --d->groupDepth == 0) {
        d->group = 0;
    }
}

bool IsUndoGroupOpen(const AcDbDatabase* db) {
    return db->tarnImpl()->groupDepth > 0;
}
int UndoGroupCount(const AcDbDatabase* db) {
    return static_cast<int>(db->tarnImpl()->undo.size()) - (IsUndoGroupOpen(db) ? 1 : 0);
}
int RedoGroupCount(const AcDbDatabase* db) {
    return static_cast<int>(db->tarnImpl()->redo.size());
}

namespace {

Acad::ErrorStatus CheckClosed(const UndoGroup& group) {
    for (const UndoRecord& record : group.records) {
        if (record.slot->writer) {
            return Acad::eWasOpenedForWrite;
        }
        if (record.slot->readers > 0) {
            return Acad::eWasOpenedForRead;
        }
        if (record.slot->notifying) {
            return Acad::eWasNotifying;
        }
    }
    return Acad::eOk;
}

void SetErased(AcDbDatabase* db, DbSlot* slot, bool erased) {
    slot->erased = erased;
    db->tarnFireErased(slot->object, erased);
}

}  // namespace

Acad::ErrorStatus UndoLastGroup(AcDbDatabase* db) {
    AcDbDatabase::Impl* d = db->tarnImpl();
    if (d->groupDepth > 0) {
        return Acad::eInvalidContext;
    }
    d->implicitOpen = false;
    if (d->undo.empty()) {
        return Acad::eNotApplicable;
    }
    Acad::ErrorStatus es = CheckClosed(d->undo.back());
    if (es != Acad::eOk) {
        return es;
    }
    UndoGroup group = std::move(d->undo.back());
    d->undo.pop_back();
    for (auto it = group.records.rbegin(); it != group.records.rend(); ++it) {
        UndoRecord& record = *it;
        DbSlot* slot = record.slot;
        if (slot->object == nullptr) {
            continue;
        }
        switch (record.change) {
            case Change::kAppend:
            case Change::kUnerase:
                SetErased(db, slot, true);
                break;
            case Change::kErase:
                SetErased(db, slot, false);
                break;
            case Change::kModify:
                record.after.reset(Snapshot(slot->object));
                slot->object->tarnRestoreData(*record.before);
                db->tarnFireModified(slot->object);
                break;
        }
        slot->snapshotGroup = 0;
    }
    d->redo.push_back(std::move(group));
    return Acad::eOk;
}

Acad::ErrorStatus RedoLastGroup(AcDbDatabase* db) {
    AcDbDatabase::Impl* d = db->tarnImpl();
    if (d->groupDepth > 0) {
        return Acad::eInvalidContext;
    }
    d->implicitOpen = false;
    if (d->redo.empty()) {
        return Acad::eNotApplicable;
    }
    Acad::ErrorStatus es = CheckClosed(d->redo.back());
    if (es != Acad::eOk) {
        return es;
    }
    UndoGroup group = std::move(d->redo.back());
    d->redo.pop_back();
    for (UndoRecord& record : group.records) {
        DbSlot* slot = record.slot;
        if (slot->object == nullptr) {
            continue;
        }
        switch (record.change) {
            case Change::kAppend:
            case Change::kUnerase:
                SetErased(db, slot, false);
                break;
            case Change::kErase:
                SetErased(db, slot, true);
                break;
            case Change::kModify:
                if (record.after) {
                    slot->object->tarnRestoreData(*record.after);
                }
                db->tarnFireModified(slot->object);
                break;
        }
    }
    d->undo.push_back(std::move(group));
    return Acad::eOk;
}

void SetNotifyEveryWriteClose(bool on) {
    G().notifyEveryWriteClose = on;
}

void SetDatabaseWriteObserver(std::function<void(AcDbDatabase* db)> observer) {
    G().writeObserver = std::move(observer);
}

std::string CheckDatabase(const AcDbDatabase* db) {
    std::ostringstream out;
    const AcDbDatabase::Impl* d = db->tarnImpl();
    for (const auto& [handle, slot] : d->slots) {
        const std::string where = "handle " + std::to_string(handle) + ": ";
        if (slot->object == nullptr) {
            out << where << "object deleted while resident\n";
            continue;
        }
        if (slot->object->tarnSlot() != slot.get()) {
            out << where << "object and slot disagree\n";
        }
        if (handle >= d->seed) {
            out << where << "not below the handle seed\n";
        }
        auto reg = G().registry.find(slot->serial);
        if (reg == G().registry.end() || reg->second != slot.get()) {
            out << where << "id not registered\n";
        }
        if (slot->readers > 0 || slot->writer) {
            out << where << "left open\n";
        }
        const AcDbObjectId owner = slot->object->ownerId();
        if (!owner.isNull() && owner.database() != db) {
            out << where << "owner not in this database\n";
        }
        if (const auto* table = AcDbSymbolTable::cast(slot->object)) {
            for (const AcDbObjectId& id : table->tarnRecordIds()) {
                const AcDbObject* record = platform::detail::Peek(id);
                if (record == nullptr || record->ownerId() != table->objectId() ||
                    !record->isKindOf(table->tarnRecordClass())) {
                    out << where << "table member not owned by its table\n";
                }
            }
        }
        if (const auto* block = AcDbBlockTableRecord::cast(slot->object)) {
            for (const AcDbObjectId& id : block->tarnEntityIds()) {
                const AcDbObject* entity = platform::detail::Peek(id);
                if (entity == nullptr || entity->ownerId() != block->objectId() ||
                    !AcDbEntity::cast(entity)) {
                    out << where << "block member not an entity owned by its block\n";
                }
            }
        }
        if (const auto* reference = AcDbBlockReference::cast(slot->object)) {
            for (const AcDbObjectId& id : reference->tarnAttributeIds()) {
                const AcDbObject* attribute = platform::detail::Peek(id);
                if (attribute == nullptr || attribute->ownerId() != reference->objectId() ||
                    !AcDbAttribute::cast(attribute)) {
                    out << where << "attribute not owned by its reference\n";
                }
            }
        }
        if (const auto* dict = AcDbDictionary::cast(slot->object)) {
            for (const auto& entry : dict->tarnEntries()) {
                const AcDbObject* member = platform::detail::Peek(entry.id);
                if (member != nullptr && !member->isErased() && member->ownerId() != dict->objectId()) {
                    out << where << "dictionary entry not owned by its dictionary\n";
                }
            }
        }
    }
    return out.str();
}

Acad::ErrorStatus AddObjectWithHandle(AcDbDatabase* db, AcDbObject* object, AcDbObjectId ownerId,
                                      AcDbHandle handle, AcDbObjectId& id) {
    if (handle.isNull()) {
        return Acad::eNullHandle;
    }
    return db->tarnAddObject(object, ownerId, id, handle);
}

Acad::ErrorStatus SetHandseed(AcDbDatabase* db, AcDbHandle seed) {
    AcDbDatabase::Impl* d = db->tarnImpl();
    if (!d->slots.empty() && seed.value() <= d->slots.rbegin()->first) {
        return Acad::eInvalidInput;
    }
    d->seed = seed.value();
    return Acad::eOk;
}

void ForEachObjectId(const AcDbDatabase* db, const std::function<void(AcDbObjectId id)>& visit) {
    for (const auto& [handle, slot] : db->tarnImpl()->slots) {
        if (slot->object != nullptr) {
            visit(AcDbObjectId(slot->serial));
        }
    }
}

}  // namespace platform
