#include "platform/arx/acdb/dbsortents.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/win32/core/testhooks.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;
using platform::dxf::Group;
using platform::dxf::ReadContext;
using platform::dxf::Writer;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbSortentsTable"),
    TARN_FIELD(330, kHandle, "blockId", AcDbSortentsTable,
               v.integer = static_cast<std::int64_t>(self->blockId().handle().value()),
               self->setBlockId(platform::dxf::IdOfHandle(self, v.integer))),
};

// ---- file form: pairs of 331 an entity and 5 its sort handle ----

void WriteSortents(const AcDbObject* object, Writer& out) {
    const auto* table = static_cast<const AcDbSortentsTable*>(object);
    for (const AcDbSortentsTable::Entry& entry : table->tarnEntries()) {
        const platform::detail::DbSlot* slot = platform::detail::FindSlot(entry.entity);
        if (slot == nullptr || slot->object == nullptr || slot->erased || slot->db != table->database()) {
            continue;
        }
        out.handle(331, entry.entity.handle().value());
        out.handle(5, entry.sortHandle);
    }
}

void ReadSortents(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* table = static_cast<AcDbSortentsTable*>(object);
    std::vector<AcDbSortentsTable::Entry> entries;
    AcDbObjectId entity;
    for (const Group& g : body) {
        if (g.code == 331) {
            entity = context.id(g);
            continue;
        }
        std::uint64_t sortHandle = 0;
        if (g.code == 5 && !entity.isNull() && platform::dxf::ParseHandle(g.value, sortHandle) &&
            sortHandle != 0 && entries.size() < platform::dxf::kMaxListItems) {
            entries.push_back({entity, sortHandle});
            entity = AcDbObjectId();
        }
    }
    table->tarnSetEntries(std::move(entries));
}

const platform::dxf::Codec kSortentsCodec = {u"AcDbSortentsTable", WriteSortents, ReadSortents};
const platform::dxf::CodecRegistration kRegistration(&kSortentsCodec);

const AcDbBlockTableRecord* BlockOf(AcDbObjectId blockId) {
    return AcDbBlockTableRecord::cast(platform::detail::Peek(blockId));
}

}  // namespace

TARN_RX_DEFINE(AcDbSortentsTable, AcDbObject, u"SORTENTSTABLE", kFields, std::size(kFields))

Acad::ErrorStatus AcDbSortentsTable::setBlockId(AcDbObjectId blockId) {
    return tarnSet(m_blockId, blockId);
}

AcDbSortentsTable::Place AcDbSortentsTable::placeOf(const AcDbObjectId& id) const {
    auto it = m_index.find(id.serial());
    if (it != m_index.end()) {
        return m_slots[it->second].place;
    }
    return Place{static_cast<std::int64_t>(id.handle().value()), 0};
}

void AcDbSortentsTable::place(const AcDbObjectId& id, Place where) {
    auto [it, added] = m_index.emplace(id.serial(), 0);
    if (!added) {
        m_slots[it->second].place = where;
        return;
    }
    if (m_free.empty()) {
        it->second = static_cast<std::uint32_t>(m_slots.size());
        m_slots.push_back(Slot{id, where});
        return;
    }
    it->second = m_free.back();
    m_free.pop_back();
    m_slots[it->second] = Slot{id, where};
}

void AcDbSortentsTable::dropErased() {
    for (size_t i = 0; i < m_slots.size(); ++i) {
        Slot& slot = m_slots[i];
        if (slot.entity.isNull()) {
            continue;
        }
        const platform::detail::DbSlot* db = platform::detail::FindSlot(slot.entity);
        if (db == nullptr || db->object == nullptr || db->erased) {
            m_index.erase(slot.entity.serial());
            slot = Slot{};
            m_free.push_back(static_cast<std::uint32_t>(i));
        }
    }
}

void AcDbSortentsTable::reindex() {
    m_index.clear();
    m_free.clear();
    for (size_t i = m_slots.size(); i-- > 0;) {
        if (m_slots[i].entity.isNull() || !m_index.emplace(m_slots[i].entity.serial(), i).second) {
            m_slots[i] = Slot{};
            m_free.push_back(static_cast<std::uint32_t>(i));
        }
    }
}

void AcDbSortentsTable::tarnWriteState(platform::detail::StateWriter& out) const {
    AcDbObject::tarnWriteState(out);
    out.put(m_blockId, m_slots, m_nextBottom, m_nextTop);
}

void AcDbSortentsTable::tarnReadState(platform::detail::StateReader& in) {
    AcDbObject::tarnReadState(in);
    in.get(m_blockId, m_slots, m_nextBottom, m_nextTop);
    reindex();
}

// Entities the table places are drawn at their place, the others at their own handle's; equal places keep
// the block's order.
std::vector<AcDbObjectId> AcDbSortentsTable::tarnOrder() const {
    const AcDbBlockTableRecord* block = BlockOf(m_blockId);
    if (block == nullptr) {
        return {};
    }
    const std::vector<AcDbObjectId>& ids = block->tarnEntityIds();
    std::vector<std::pair<Place, AcDbObjectId>> keyed;
    keyed.reserve(ids.size());
    for (const AcDbObjectId& id : ids) {
        keyed.emplace_back(placeOf(id), id);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<AcDbObjectId> order;
    order.reserve(keyed.size());
    for (const auto& item : keyed) {
        order.push_back(item.second);
    }
    return order;
}

// The file form: the order takes the block's handles in ascending order, position by position, and an
// entity whose position's handle is not its own is listed with it.
std::vector<AcDbSortentsTable::Entry> AcDbSortentsTable::tarnEntries() const {
    std::vector<Entry> entries;
    if (m_index.empty()) {
        return entries;
    }
    const std::vector<AcDbObjectId> order = tarnOrder();
    std::vector<std::uint64_t> handles;
    handles.reserve(order.size());
    for (const AcDbObjectId& id : order) {
        handles.push_back(id.handle().value());
    }
    std::sort(handles.begin(), handles.end());
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i].handle().value() != handles[i]) {
            entries.push_back({order[i], handles[i]});
        }
    }
    return entries;
}

Acad::ErrorStatus AcDbSortentsTable::tarnSetEntries(std::vector<Entry> entries) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_slots.clear();
    m_index.clear();
    m_free.clear();
    for (const Entry& entry : entries) {
        place(entry.entity, Place{static_cast<std::int64_t>(entry.sortHandle), 0});
    }
    m_nextBottom = -1;
    m_nextTop = 0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSortentsTable::move(const AcDbObjectIdArray& entityIds, bool toBottom) {
    const AcDbBlockTableRecord* block = BlockOf(m_blockId);
    if (block == nullptr) {
        return Acad::eInvalidInput;
    }
    std::vector<AcDbObjectId> moved;
    std::set<AcDbObjectId> movedSet;
    for (int i = 0; i < entityIds.length(); ++i) {
        const AcDbObject* entity = platform::detail::Peek(entityIds[i]);
        if (entity == nullptr || entity->isErased() || entity->ownerId() != m_blockId) {
            return Acad::eInvalidInput;
        }
        if (movedSet.insert(entityIds[i]).second) {
            moved.push_back(entityIds[i]);
        }
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    dropErased();
    if (toBottom) {
        // Below every handle (handles are positive) and below every earlier move to the bottom.
        const std::int64_t primary = m_nextBottom--;
        for (size_t i = 0; i < moved.size(); ++i) {
            place(moved[i], Place{primary, static_cast<std::int64_t>(i)});
        }
    } else {
        // Above every handle given out so far, so entities appended later still come on top of them.
        const AcDbDatabase* db = database();
        const std::int64_t primary =
            db != nullptr ? static_cast<std::int64_t>(db->handseed().value()) - 1 : INT64_MAX;
        for (const AcDbObjectId& id : moved) {
            place(id, Place{primary, ++m_nextTop});
        }
    }
    return Acad::eOk;
}

namespace {
// The failure the next moveToBottom returns; the platform's reset clears it, so no test leaks it.
Acad::ErrorStatus& FailNextMoveToBottomStatus() {
    static Acad::ErrorStatus status = Acad::eOk;
    static const bool registered =
        (platform::RegisterReset("acdb.sortents.fail_move_to_bottom", [] { status = Acad::eOk; }), true);
    (void)registered;
    return status;
}
}  // namespace

namespace platform {
void FailNextMoveToBottom(Acad::ErrorStatus status) {
    FailNextMoveToBottomStatus() = status;
}
}  // namespace platform

Acad::ErrorStatus AcDbSortentsTable::moveToBottom(const AcDbObjectIdArray& entityIds) {
    if (const Acad::ErrorStatus failure = FailNextMoveToBottomStatus(); failure != Acad::eOk) {
        FailNextMoveToBottomStatus() = Acad::eOk;
        return failure;
    }
    return move(entityIds, true);
}

Acad::ErrorStatus AcDbSortentsTable::moveToTop(const AcDbObjectIdArray& entityIds) {
    return move(entityIds, false);
}

Acad::ErrorStatus AcDbSortentsTable::getFullDrawOrder(AcDbObjectIdArray& entityIds, Adesk::UInt8) const {
    entityIds = AcDbObjectIdArray();
    for (const AcDbObjectId& id : tarnOrder()) {
        if (!id.isErased()) {
            entityIds.append(id);
        }
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSortentsTable::firstEntityIsDrawnBeforeSecond(AcDbObjectId first, AcDbObjectId second,
                                                                    bool& result) const {
    const std::vector<AcDbObjectId> order = tarnOrder();
    const auto a = std::find(order.begin(), order.end(), first);
    const auto b = std::find(order.begin(), order.end(), second);
    if (a == order.end() || b == order.end()) {
        return Acad::eInvalidInput;
    }
    result = a < b;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::getSortentsTable(AcDbSortentsTable*& table, AcDb::OpenMode mode,
                                                         bool createIfNecessary) {
    table = nullptr;
    if (database() == nullptr) {
        return Acad::eNotInDatabase;
    }
    AcDbObjectId dictId = extensionDictionary();
    const auto* dict = AcDbDictionary::cast(platform::detail::Peek(dictId));
    AcDbObjectId tableId;
    if (dict != nullptr && dict->getAt(platform::kSortentsKey, tableId) == Acad::eOk) {
        return acdbOpenObject(table, tableId, mode);
    }
    if (!createIfNecessary) {
        return Acad::eKeyNotFound;
    }
    if (!isWriteEnabled()) {
        return Acad::eNotOpenForWrite;
    }
    if (dictId.isNull()) {
        Acad::ErrorStatus es = createExtensionDictionary();
        if (es != Acad::eOk) {
            return es;
        }
        dictId = extensionDictionary();
    }
    AcDbDictionary* open = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(open, dictId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    auto* fresh = new AcDbSortentsTable();
    es = open->setAt(platform::kSortentsKey, fresh, tableId);
    open->close();
    if (es != Acad::eOk) {
        delete fresh;
        return es;
    }
    fresh->setBlockId(objectId());
    if (mode == AcDb::kForRead) {
        fresh->downgradeOpen();
    }
    table = fresh;
    return Acad::eOk;
}

namespace {

const AcDbSortentsTable* TableOf(const AcDbBlockTableRecord* block) {
    const auto* dict = AcDbDictionary::cast(platform::detail::Peek(block->extensionDictionary()));
    AcDbObjectId tableId;
    if (dict == nullptr || dict->getAt(platform::kSortentsKey, tableId) != Acad::eOk) {
        return nullptr;
    }
    const auto* table = AcDbSortentsTable::cast(platform::detail::Peek(tableId));
    return table != nullptr && table->blockId() == block->objectId() ? table : nullptr;
}

}  // namespace

std::vector<AcDbObjectId> platform::DrawOrderOf(const AcDbBlockTableRecord* block) {
    if (block == nullptr) {
        return {};
    }
    const AcDbSortentsTable* table = TableOf(block);
    return table != nullptr ? table->tarnOrder() : block->tarnEntityIds();
}

const std::vector<AcDbObjectId>& platform::DrawOrderOf(const AcDbBlockTableRecord* block,
                                                       std::vector<AcDbObjectId>& sorted) {
    const AcDbSortentsTable* table = block != nullptr ? TableOf(block) : nullptr;
    if (table == nullptr) {
        sorted.clear();
        return block != nullptr ? block->tarnEntityIds() : sorted;
    }
    sorted = table->tarnOrder();
    return sorted;
}
