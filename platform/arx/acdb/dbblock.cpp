#include "platform/arx/acdb/dbblock.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/win32/core/unicode.h"

#include "platform/arx/acdb/dxffields.h"
namespace {

using platform::FieldDesc;
using platform::FieldKind;

// The origin goes with the block's BLOCK entity in the BLOCKS section (written by the drawing-file writer).
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbBlockTableRecord"),
    TARN_FIELD(2, kString, "name", AcDbBlockTableRecord, platform::dxf::Put(v, self->tarnName()),
               self->setName(v.text.c_str())),
};

bool IsErased(AcDbObjectId id) {
    const platform::detail::DbSlot* slot = platform::detail::FindSlot(id);
    return slot == nullptr || slot->object == nullptr || slot->erased;
}

bool StartsWithNoCase(const ACHAR* text, const ACHAR* prefix) {
    const std::u16string_view t(text);
    const std::u16string_view p(prefix);
    return t.size() >= p.size() && platform::EqualsNoCase(t.substr(0, p.size()), p);
}

}  // namespace

TARN_RX_DEFINE(AcDbBlockTableRecord, AcDbSymbolTableRecord, u"BLOCK_RECORD", kFields, std::size(kFields))

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity) {
    if (entity == nullptr) {
        return Acad::eNullEntityPointer;
    }
    if (entity->database() != nullptr) {
        return Acad::eAlreadyInDb;
    }
    AcDbDatabase* db = database();
    if (db == nullptr) {
        return Acad::eMustFirstAddBlockToDb;
    }
    if (!isWriteEnabled()) {
        return Acad::eNotOpenForWrite;
    }
    assertWriteEnabled();
    entity->tarnApplyUnsetDefaults(db);
    AcDbObjectId newId;
    Acad::ErrorStatus es = db->tarnAddObject(entity, objectId(), newId);
    if (es != Acad::eOk) {
        return es;
    }
    m_entities.push_back(newId);
    id = newId;
    db->tarnFireAppended(entity);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbEntity* entity) {
    AcDbObjectId id;
    return appendAcDbEntity(id, entity);
}

Acad::ErrorStatus AcDbBlockTableRecord::newIterator(AcDbBlockTableRecordIterator*& iterator, bool atBeginning,
                                                    bool skipDeleted) const {
    iterator = new AcDbBlockTableRecordIterator(objectId(), atBeginning, skipDeleted);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::setOrigin(const AcGePoint3d& origin) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_origin = origin;
    }
    return es;
}

bool AcDbBlockTableRecord::isLayout() const {
    return StartsWithNoCase(tarnName(), platform::kModelSpace) ||
           StartsWithNoCase(tarnName(), platform::kPaperSpace);
}

bool AcDbBlockTableRecord::isAnonymous() const {
    return tarnName()[0] == u'*' && !isLayout();
}

Acad::ErrorStatus AcDbBlockTableRecord::subErase(bool erasing) {
    return erasing && isLayout() ? Acad::eCannotBeErasedByCaller : Acad::eOk;
}

AcDbBlockTableRecordIterator::AcDbBlockTableRecordIterator(AcDbObjectId blockId, bool atBeginning,
                                                           bool skipDeleted)
    : m_blockId(blockId) {
    start(atBeginning, skipDeleted);
}

const std::vector<AcDbObjectId>* AcDbBlockTableRecordIterator::entities() const {
    const auto* block = AcDbBlockTableRecord::cast(platform::detail::Peek(m_blockId));
    return block != nullptr ? &block->tarnEntityIds() : nullptr;
}

void AcDbBlockTableRecordIterator::start(bool atBeginning, bool skipDeleted) {
    const auto* list = entities();
    m_index = atBeginning ? 0 : (list != nullptr ? static_cast<long>(list->size()) : 0) - 1;
    skip(atBeginning, skipDeleted);
}

bool AcDbBlockTableRecordIterator::done() const {
    const auto* list = entities();
    return list == nullptr || m_index < 0 || m_index >= static_cast<long>(list->size());
}

void AcDbBlockTableRecordIterator::skip(bool forward, bool skipDeleted) {
    while (skipDeleted && !done() && IsErased((*entities())[static_cast<size_t>(m_index)])) {
        m_index += forward ? 1 : -1;
    }
}

void AcDbBlockTableRecordIterator::step(bool forward, bool skipDeleted) {
    if (done()) {
        return;
    }
    m_index += forward ? 1 : -1;
    skip(forward, skipDeleted);
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntityId(AcDbObjectId& id) const {
    if (done()) {
        return Acad::eIteratorDone;
    }
    id = (*entities())[static_cast<size_t>(m_index)];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntity(AcDbEntity*& entity, AcDb::OpenMode mode,
                                                          bool openErased) const {
    entity = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getEntityId(id);
    return es != Acad::eOk ? es : acdbOpenObject(entity, id, mode, openErased);
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::seek(AcDbObjectId id) {
    const auto* list = entities();
    if (list != nullptr) {
        for (size_t i = 0; i < list->size(); ++i) {
            if ((*list)[i] == id) {
                m_index = static_cast<long>(i);
                return Acad::eOk;
            }
        }
    }
    return Acad::eInvalidInput;
}
