// The draw order of a block: a sort-entities table in the block's extension dictionary under
// "ACAD_SORTENTS". Without one a block draws its entities in the order they were appended (new ones on top);
// the table gives some entities the sort handle of another position, as files keep it. The stand-in's point
// pick, the selection's top-most choice and the drawing-file writer follow this order.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/arx/acdb/dbobject.h"

class AcDbBlockTableRecord;

class AcDbSortentsTable : public AcDbObject {
    TARN_DB_DECLARE_MEMBERS(AcDbSortentsTable)
public:
    AcDbSortentsTable() = default;

    Acad::ErrorStatus setBlockId(AcDbObjectId blockId);
    AcDbObjectId blockId() const { return m_blockId; }

    // The entities go below (drawn before) every other entity of the block, in array order; moveToTop puts
    // them above all others. eInvalidInput (nothing moved) when one is not an entity of the block.
    Acad::ErrorStatus moveToBottom(const AcDbObjectIdArray& entityIds);
    Acad::ErrorStatus moveToTop(const AcDbObjectIdArray& entityIds);
    // Every live entity of the block, drawn first first.
    Acad::ErrorStatus getFullDrawOrder(AcDbObjectIdArray& entityIds,
                                       Adesk::UInt8 honorSortentsMask = 0) const;
    Acad::ErrorStatus firstEntityIsDrawnBeforeSecond(AcDbObjectId first, AcDbObjectId second,
                                                     bool& result) const;

    struct Entry {
        AcDbObjectId entity;
        std::uint64_t sortHandle = 0;
    };
    // Entities whose sort handle is not their own, as drawing files keep them (writers and readers).
    std::vector<Entry> tarnEntries() const;
    Acad::ErrorStatus tarnSetEntries(std::vector<Entry> entries);
    // The block's entities (erased ones included) in draw order.
    std::vector<AcDbObjectId> tarnOrder() const;
    // How many entities the table places (a move drops the places of erased entities).
    size_t tarnPlaced() const { return m_index.size(); }

    // The undo journal keeps the table's places as they lie, so that a move's record holds only the places
    // it changed.
    bool tarnHasState() const override { return isA() == desc(); }
    void tarnWriteState(platform::detail::StateWriter& out) const override;
    void tarnReadState(platform::detail::StateReader& in) override;

private:
    // A place in the draw order: entities the table does not list stand at (their handle, 0). A move gives
    // the moved entities places below or above every other, so it costs the number of entities moved, not
    // the size of the block; the file's sort handles are worked out from the order when it is written.
    struct Place {
        std::int64_t primary = 0;
        std::int64_t secondary = 0;
        bool operator<(const Place& other) const {
            return primary != other.primary ? primary < other.primary : secondary < other.secondary;
        }
    };
    // An entity's place; a free one (null entity) is taken by the next entity placed.
    struct Slot {
        AcDbObjectId entity;
        Place place;
    };
    Place placeOf(const AcDbObjectId& id) const;
    Acad::ErrorStatus move(const AcDbObjectIdArray& entityIds, bool toBottom);
    void place(const AcDbObjectId& id, Place where);
    // Frees the places of entities erased or gone.
    void dropErased();
    // The index and the free places, from the slots.
    void reindex();

    AcDbObjectId m_blockId;
    std::vector<Slot> m_slots;
    std::unordered_map<std::uint64_t, std::uint32_t> m_index;  // an entity's serial: its slot
    std::vector<std::uint32_t> m_free;                         // free slots, the next taken last
    std::int64_t m_nextBottom = -1;  // each move to the bottom takes a lower primary than the last
    std::int64_t m_nextTop = 0;      // moves to the top under one handle seed follow each other
};

namespace platform {

// The key of the draw-order table in a block's extension dictionary.
constexpr const ACHAR* kSortentsKey = u"ACAD_SORTENTS";

// A block's entities (erased ones included) in draw order: its table's order, or append order without one.
std::vector<AcDbObjectId> DrawOrderOf(const AcDbBlockTableRecord* block);
// The same without a copy where the block has no table: the block's own list, or `sorted` filled.
const std::vector<AcDbObjectId>& DrawOrderOf(const AcDbBlockTableRecord* block,
                                             std::vector<AcDbObjectId>& sorted);

}  // namespace platform

namespace platform {
// Test hook: the next moveToBottom fails with this status, moving nothing.
void FailNextMoveToBottom(Acad::ErrorStatus status);
}  // namespace platform
