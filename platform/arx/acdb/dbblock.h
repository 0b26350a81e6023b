// Block records: the container of entities ("*Model_Space" holds the drawing). Entities keep append order.
// An erased entity stays in its block, whether erased by erase() or by the undo of its append, so the list is
// not part of the block's undo state: undo and redo of an append only erase and restore the entity, whatever
// else came into the block meanwhile.
#pragma once

#include <vector>

#include "platform/arx/acdb/dbsymtb.h"
#include "platform/arx/acge/gepnt3d.h"

class AcDbEntity;
class AcDbBlockTableRecordIterator;
class AcDbSortentsTable;

class AcDbBlockTableRecord : public AcDbSymbolTableRecord {
    TARN_DB_DECLARE_MEMBERS(AcDbBlockTableRecord)
    TARN_DB_STATE(AcDbBlockTableRecord, AcDbSymbolTableRecord, m_origin)
public:
    AcDbBlockTableRecord() = default;

    // Needs the record open for write and resident (eNotOpenForWrite, eMustFirstAddBlockToDb); the entity
    // must not be resident (eAlreadyInDb; eNullEntityPointer for null). On success the entity is resident
    // with a handle, stays open for write, and takes the database defaults for what was not set before
    // (layer: the current layer; linetype: the current linetype) — a colour set before is kept.
    // objectAppended fires before this returns. A failed append gives the null id.
    Acad::ErrorStatus appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity);
    Acad::ErrorStatus appendAcDbEntity(AcDbEntity* entity);

    // The caller deletes the iterator.
    Acad::ErrorStatus newIterator(AcDbBlockTableRecordIterator*& iterator, bool atBeginning = true,
                                  bool skipDeleted = true) const;

    AcGePoint3d origin() const { return m_origin; }
    Acad::ErrorStatus setOrigin(const AcGePoint3d& origin);
    // Whether a live attribute definition is among the block's entities.
    bool hasAttributeDefinitions() const;
    bool isLayout() const;
    bool isAnonymous() const;
    // The draw-order table in the extension dictionary (dbsortents.h). eKeyNotFound when there is none and
    // createIfNecessary is false; making one needs the record open for write.
    Acad::ErrorStatus getSortentsTable(AcDbSortentsTable*& table, AcDb::OpenMode mode,
                                       bool createIfNecessary = false);

    // "*Model_Space" and "*Paper_Space" cannot be erased.
    Acad::ErrorStatus subErase(bool erasing) override;

    // Stand-in: every entity id in append order, erased ones included.
    const std::vector<AcDbObjectId>& tarnEntityIds() const { return m_entities; }
    // For readers of drawing files: adds an entity already made resident with this record as owner.
    void tarnAddEntityId(AcDbObjectId id) { m_entities.push_back(id); }
    // An entity released from memory leaves the list (searched from the end: the newest go first).
    void tarnDropEntityId(AcDbObjectId id);

private:
    std::vector<AcDbObjectId> m_entities;
    AcGePoint3d m_origin{0.0, 0.0, 0.0};
};

class AcDbBlockTableRecordIterator {
public:
    AcDbBlockTableRecordIterator(AcDbObjectId blockId, bool atBeginning, bool skipDeleted);

    void start(bool atBeginning = true, bool skipDeleted = true) { m_cursor.start(atBeginning, skipDeleted); }
    bool done() const { return m_cursor.done(); }
    void step(bool forward = true, bool skipDeleted = true) { m_cursor.step(forward, skipDeleted); }
    Acad::ErrorStatus getEntityId(AcDbObjectId& id) const { return m_cursor.getId(id); }
    // Open failures as acdbOpenObject (e.g. eOnLockedLayer for a write-open).
    Acad::ErrorStatus getEntity(AcDbEntity*& entity, AcDb::OpenMode mode = AcDb::kForRead,
                                bool openErased = false) const;
    Acad::ErrorStatus seek(AcDbObjectId id) { return m_cursor.seek(id); }

private:
    platform::detail::IdListCursor m_cursor;
};

namespace platform {

// Block names of the two layouts.
constexpr const ACHAR* kModelSpace = u"*Model_Space";
constexpr const ACHAR* kPaperSpace = u"*Paper_Space";

}  // namespace platform

#define ACDB_MODEL_SPACE u"*Model_Space"
#define ACDB_PAPER_SPACE u"*Paper_Space"
