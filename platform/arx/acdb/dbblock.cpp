#include "platform/arx/acdb/dbblock.h"

#include <algorithm>
#include <iterator>

#include "platform/arx/acdb/dbattdef.h"

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

const std::vector<AcDbObjectId>* EntitiesOf(AcDbObjectId blockId) {
    const auto* block = AcDbBlockTableRecord::cast(platform::detail::Peek(blockId));
    return block != nullptr ? &block->tarnEntityIds() : nullptr;
}

bool StartsWithNoCase(const ACHAR* text, const ACHAR* prefix) {
    const std::u16string_view t(text);
    const std::u16string_view p(prefix);
    return t.size() >= p.size() && platform::EqualsNoCase(t.substr(0, p.size()), p);
}

}  // namespace

TARN_RX_DEFINE(AcDbBlockTableRecord, AcDbSymbolTableRecord, u"BLOCK_RECORD", kFields, std::size(kFields))

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity) {
    id = AcDbObjectId();  // a failed append gives the null id, whatever the variable held
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
    return db->tarnAppendObject(entity, objectId(), id,
                                [this](AcDbObjectId newId) { m_entities.push_back(newId); });
}

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbEntity* entity) {
    AcDbObjectId id;
    return appendAcDbEntity(id, entity);
}

void AcDbBlockTableRecord::tarnDropEntityId(AcDbObjectId id) {
    const auto at = std::find(m_entities.rbegin(), m_entities.rend(), id);
    if (at != m_entities.rend()) {
        m_entities.erase(std::next(at).base());
    }
}

Acad::ErrorStatus AcDbBlockTableRecord::newIterator(AcDbBlockTableRecordIterator*& iterator, bool atBeginning,
                                                    bool skipDeleted) const {
    iterator = new AcDbBlockTableRecordIterator(objectId(), atBeginning, skipDeleted);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::setOrigin(const AcGePoint3d& origin) {
    return tarnSet(m_origin, origin);
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
    : m_cursor(blockId, EntitiesOf) {
    start(atBeginning, skipDeleted);
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntity(AcDbEntity*& entity, AcDb::OpenMode mode,
                                                          bool openErased) const {
    entity = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getEntityId(id);
    return es != Acad::eOk ? es : acdbOpenObject(entity, id, mode, openErased);
}

bool AcDbBlockTableRecord::hasAttributeDefinitions() const {
    for (AcDbObjectId id : m_entities) {
        const AcDbObject* object = platform::detail::Peek(id);
        if (AcDbAttributeDefinition::cast(object) != nullptr && !object->isErased()) {
            return true;
        }
    }
    return false;
}
