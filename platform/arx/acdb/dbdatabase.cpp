#include "platform/arx/acdb/dbdatabase.h"

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <map>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "platform/arx/acdb/dbblkref.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbimpl.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/win32/core/testhooks.h"

using platform::detail::DbSlot;

namespace {

// The slots by id. Ids are drawn from one counter, so a table indexed by the serial finds a slot with one
// array step (a hash map of half a million ids spends an edit's time on cache misses); the table is cut in
// pages that are freed once every id on them is gone, so ids of closed drawings cost nothing.
class SlotRegistry {
public:
    explicit SlotRegistry(std::uint64_t base) : m_base(base) {}

    DbSlot* find(std::uint64_t serial) const {
        if (serial < m_base) {
            return nullptr;
        }
        const std::uint64_t at = serial - m_base;
        const std::uint64_t page = at >> kPageBits;
        if (page >= m_pages.size() || m_pages[page] == nullptr) {
            return nullptr;
        }
        return m_pages[page]->slots[at & kPageMask];
    }

    void add(DbSlot* slot) {
        const std::uint64_t at = slot->serial - m_base;
        const std::uint64_t page = at >> kPageBits;
        if (page >= m_pages.size()) {
            m_pages.resize(page + 1);
        }
        if (m_pages[page] == nullptr) {
            m_pages[page] = std::make_unique<Page>();
        }
        DbSlot*& entry = m_pages[page]->slots[at & kPageMask];
        m_pages[page]->live += entry == nullptr ? 1 : 0;
        entry = slot;
    }

    void remove(std::uint64_t serial) {
        if (serial < m_base) {
            return;
        }
        const std::uint64_t at = serial - m_base;
        const std::uint64_t page = at >> kPageBits;
        if (page >= m_pages.size() || m_pages[page] == nullptr) {
            return;
        }
        DbSlot*& entry = m_pages[page]->slots[at & kPageMask];
        if (entry != nullptr) {
            entry = nullptr;
            if (--m_pages[page]->live == 0) {
                m_pages[page].reset();
            }
        }
    }

    void clear() { m_pages.clear(); }

    template <class Visit>
    void forEach(Visit&& visit) const {
        for (const auto& page : m_pages) {
            if (page != nullptr) {
                for (DbSlot* slot : page->slots) {
                    if (slot != nullptr) {
                        visit(slot);
                    }
                }
            }
        }
    }

private:
    static constexpr unsigned kPageBits = 12;
    static constexpr std::uint64_t kPageMask = (1u << kPageBits) - 1;
    struct Page {
        std::array<DbSlot*, (1u << kPageBits)> slots{};
        unsigned live = 0;
    };
    std::uint64_t m_base;
    std::vector<std::unique_ptr<Page>> m_pages;
};

constexpr std::uint64_t kFirstSerial = 0x7A0000000ull;

// Process-wide state: the id registry, the live non-resident count, the working database and the write
// observer. Ids come from one counter that never repeats, started far from small handle values.
struct Globals {
    SlotRegistry registry{kFirstSerial};
    std::uint64_t nextSerial = kFirstSerial;
    int nonResident = 0;
    AcDbDatabase* working = nullptr;
    std::function<void(AcDbDatabase*)> writeObserver;
    std::vector<std::string> reactorViolations;
    bool deferToTransactionEnd = false;
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
            g.reactorViolations.clear();
            g.deferToTransactionEnd = false;
            g.notifyEveryWriteClose = false;
        });
    }
    return globals;
}

}  // namespace

namespace platform::detail {

DbSlot* FindSlot(AcDbObjectId id) {
    if (id.isNull()) {
        return nullptr;
    }
    return G().registry.find(id.serial());
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
    if (db == nullptr || db->tarnImpl()->constructing) {
        return;
    }
    const AcDbDatabase::Impl* d = db->tarnImpl();
    if (d->notifying > 0) {
        G().reactorViolations.push_back(std::string("write to the database inside its ") + d->notification +
                                        " notification");
    }
    if (G().writeObserver) {
        G().writeObserver(db);
    }
}

bool ReleaseErased(DbSlot* slot) {
    AcDbObject* object = slot->object;
    if (object == nullptr || !slot->erased || !slot->erasedUnrecorded || slot->journaled || slot->writer ||
        slot->readers > 0 || slot->notifying || object->tarnOwnsResidentObjects()) {
        return false;
    }
    const AcDbObjectId id(slot->serial);
    AcDbObject* owner = Peek(object->ownerId());
    const auto lists = [&id](const auto& ids) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
    if (const auto* dict = AcDbDictionary::cast(owner)) {
        for (const AcDbDictionary::Entry& entry : dict->tarnEntries()) {
            if (entry.id == id) {
                return false;  // a dictionary entry names it: it stays, erased
            }
        }
    } else if (const auto* table = AcDbSymbolTable::cast(owner);
               table != nullptr && lists(table->tarnRecordIds())) {
        return false;
    } else if (auto* block = AcDbBlockTableRecord::cast(owner)) {
        block->tarnDropEntityId(id);
    }
    object->tarnDetachForDelete();
    delete object;
    const Adesk::UInt64 handle = slot->handle.value();
    AcDbDatabase::Impl& d = *slot->db->tarnImpl();
    G().registry.remove(slot->serial);
    d.slots.erase(handle);  // the slot goes with it; the handle is never given out again
    return true;
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
    m_impl->journal.clear();
    for (auto& [handle, slot] : m_impl->slots) {
        g.registry.remove(slot->serial);
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
    return tarnAppendObject(object, AcDbObjectId(), id);
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

void AcDbDatabase::disableUndoRecording(bool disable) {
    m_impl->journal.setRecording(!disable);
}

bool AcDbDatabase::undoRecording() const {
    return m_impl->journal.recording();
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
    // Reactors, the journal's open groups and transactions stay with the database object.
    std::swap(m_impl->reactors, source.m_impl->reactors);
    std::swap(m_impl->journal, source.m_impl->journal);
    std::swap(m_impl->notifying, source.m_impl->notifying);
    std::swap(m_impl->transactions, source.m_impl->transactions);
    std::swap(m_impl->held, source.m_impl->held);
    for (AcDbDatabase* db : {this, &source}) {
        Impl& d = *db->m_impl;
        d.self = db;
        for (auto& [handle, slot] : d.slots) {
            slot->db = db;
        }
        d.journal.clear();  // a group open around the read goes on, now empty
        d.held.clear();
        for (auto& mark : d.transactions) {
            mark = AcDbDatabase::Impl::TransactionMark{d.journal.mark(), 0};
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
    const bool given = !handle.isNull();
    if (!given) {
        handle = AcDbHandle(d.seed);
    }
    // Handles mostly come rising (the seed, a file's objects): their place is the end, found without a
    // search.
    const auto place = [&d](Adesk::UInt64 value) {
        return d.slots.empty() || value > d.slots.rbegin()->first ? d.slots.end()
                                                                  : d.slots.lower_bound(value);
    };
    auto at = place(handle.value());
    if (given && at != d.slots.end() && at->first == handle.value()) {
        return Acad::eHandleInUse;
    }
    if (handle.value() >= platform::kHandleLimit) {
        return Acad::eOutOfRange;  // handed out, the next one would run towards the wrap
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
    g.registry.add(raw);
    at = place(handle.value());  // the write observer may have changed the database
    if (at != d.slots.end() && at->first == handle.value()) {
        at->second = std::move(slot);
    } else {
        d.slots.emplace_hint(at, handle.value(), std::move(slot));
    }
    object->tarnAttach(raw);
    object->tarnSetOwner(ownerId);
    platform::detail::JournalAppend(raw);
    object->tarnBecameResident();
    id = AcDbObjectId(raw->serial);
    return Acad::eOk;
}

namespace {

// While notifications wait for the outermost transaction's end, one is held instead of fired.
bool Hold(AcDbDatabase::Impl& d, AcDbObject* object, platform::detail::Change change) {
    if (!G().deferToTransactionEnd || d.transactions.empty()) {
        return false;
    }
    d.held.push_back(platform::detail::HeldNotification{object->objectId(), change});
    return true;
}

}  // namespace

Acad::ErrorStatus AcDbDatabase::tarnAppendObject(AcDbObject* object, AcDbObjectId ownerId, AcDbObjectId& id,
                                                 const std::function<void(AcDbObjectId id)>& link) {
    AcDbObjectId newId;
    const Acad::ErrorStatus es = tarnAddObject(object, ownerId, newId);
    if (es != Acad::eOk) {
        return es;
    }
    if (link) {
        link(newId);
    }
    id = newId;
    tarnFireAppended(object);
    return Acad::eOk;
}

void AcDbDatabase::tarnFireAppended(AcDbObject* object) {
    if (Hold(*m_impl, object, platform::detail::Change::kAppend)) {
        return;
    }
    m_impl->fire("objectAppended", object, [&](AcDbDatabaseReactor* r) { r->objectAppended(this, object); });
}

namespace {

// Persistent reactors hear of changes to the objects they are attached to.
template <class Call>
void TellPersistentReactors(AcDbObject* object, Call&& call) {
    if (object->persistentReactorIds().isEmpty()) {
        return;
    }
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
    if (Hold(*m_impl, object, platform::detail::Change::kModify)) {
        return;
    }
    m_impl->fire("objectModified", object, [&](AcDbDatabaseReactor* r) { r->objectModified(this, object); });
    TellPersistentReactors(object, [&](AcDbObject* reactor) { reactor->modified(object); });
}

void AcDbDatabase::tarnFireErased(AcDbObject* object, bool erased) {
    if (Hold(*m_impl, object,
             erased ? platform::detail::Change::kErase : platform::detail::Change::kUnerase)) {
        return;
    }
    m_impl->fire("objectErased", object,
                 [&](AcDbDatabaseReactor* r) { r->objectErased(this, object, erased); });
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

std::vector<AcDbDatabaseReactor*> DatabaseReactors(const AcDbDatabase* db) {
    return db != nullptr ? db->tarnImpl()->reactors : std::vector<AcDbDatabaseReactor*>();
}

int OpenObjectCount(const AcDbDatabase* db) {
    int count = 0;
    G().registry.forEach([&](const DbSlot* slot) {
        if ((db == nullptr || slot->db == db) && slot->object != nullptr &&
            (slot->readers > 0 || slot->writer)) {
            ++count;
        }
    });
    return count;
}

int LiveNonResidentObjectCount() {
    return G().nonResident;
}

const std::vector<std::string>& ReactorViolations() {
    return G().reactorViolations;
}

void ClearReactorViolations() {
    G().reactorViolations.clear();
}

void DeferNotificationsToTransactionEnd(bool on) {
    G().deferToTransactionEnd = on;
}

void BeginTransaction(AcDbDatabase* db) {
    AcDbDatabase::Impl& d = *db->tarnImpl();
    AcDbDatabase::Impl::TransactionMark mark;
    d.journal.beginTransaction(mark.journal);
    mark.held = d.held.size();
    d.transactions.push_back(mark);
}

Acad::ErrorStatus EndTransaction(AcDbDatabase* db) {
    AcDbDatabase::Impl& d = *db->tarnImpl();
    if (d.transactions.empty()) {
        return Acad::eNotApplicable;
    }
    d.transactions.pop_back();
    d.journal.end();
    if (d.transactions.empty() && !d.held.empty()) {
        // The outermost transaction ended: what was held fires now, in order, for objects still there.
        const std::vector<detail::HeldNotification> held = std::move(d.held);
        d.held.clear();
        for (const detail::HeldNotification& n : held) {
            detail::DbSlot* slot = detail::FindSlot(n.id);
            if (slot == nullptr || slot->object == nullptr) {
                continue;
            }
            switch (n.change) {
                case detail::Change::kAppend:
                    db->tarnFireAppended(slot->object);
                    break;
                case detail::Change::kModify:
                    db->tarnFireModified(slot->object);
                    break;
                case detail::Change::kErase:
                case detail::Change::kUnerase:
                    db->tarnFireErased(slot->object, n.change == detail::Change::kErase);
                    break;
            }
        }
    }
    return Acad::eOk;
}

Acad::ErrorStatus AbortTransaction(AcDbDatabase* db) {
    AcDbDatabase::Impl& d = *db->tarnImpl();
    if (d.transactions.empty()) {
        return Acad::eNotApplicable;
    }
    const AcDbDatabase::Impl::TransactionMark mark = d.transactions.back();
    const Acad::ErrorStatus es = d.journal.checkClosedSince(mark.journal);
    if (es != Acad::eOk) {
        return es;  // nothing rolled back; the transaction stays open until its objects are closed
    }
    // Held notifications of the rolled-back changes never fire; fired ones are answered as undo answers.
    const bool held = G().deferToTransactionEnd;
    d.held.resize(std::min(d.held.size(), mark.held));
    d.journal.rollBack(db, mark.journal, !held);
    d.transactions.pop_back();
    d.journal.end();
    d.journal.dropEmptyLast();
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
    std::set<std::uint64_t> recordHandles;
    for (const auto& [key, handle] : d->fileRecords) {
        if (handle >= d->seed || d->slots.count(handle) != 0 || !recordHandles.insert(handle).second) {
            out << "file record handle " << handle << ": not below the seed, or an object's or another's\n";
        }
    }
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
        if (G().registry.find(slot->serial) != slot.get()) {
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
    if ((!d->slots.empty() && seed.value() <= d->slots.rbegin()->first) || seed.value() > kHandleLimit) {
        return Acad::eInvalidInput;
    }
    d->seed = seed.value();
    return Acad::eOk;
}

bool KeepFileRecordHandle(AcDbDatabase* db, std::uint64_t owner, std::uint32_t place, std::uint64_t handle) {
    AcDbDatabase::Impl* d = db->tarnImpl();
    if (handle == 0 || handle >= d->seed || d->slots.count(handle) != 0) {
        return false;
    }
    return d->fileRecords.try_emplace({owner, place}, handle).second;
}

std::uint64_t FileRecordHandle(const AcDbDatabase* db, std::uint64_t owner, std::uint32_t place) {
    const AcDbDatabase::Impl* d = db->tarnImpl();
    if (d->fileRecords.empty()) {
        return 0;
    }
    const auto found = d->fileRecords.find({owner, place});
    if (found == d->fileRecords.end() || d->slots.count(found->second) != 0) {
        return 0;
    }
    return found->second;
}

void ForEachObjectId(const AcDbDatabase* db, const std::function<void(AcDbObjectId id)>& visit) {
    for (const auto& [handle, slot] : db->tarnImpl()->slots) {
        if (slot->object != nullptr) {
            visit(AcDbObjectId(slot->serial));
        }
    }
}

}  // namespace platform
