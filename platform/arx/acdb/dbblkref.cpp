#include "platform/arx/acdb/dbblkref.h"

#include <cmath>
#include <memory>
#include <vector>

#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

// The file names the block; the record is found when the reference is first used in its database.
std::u16string BlockNameOf(const AcDbBlockReference* self) {
    const auto* block = AcDbBlockTableRecord::cast(platform::detail::Peek(self->blockTableRecord()));
    AcString name;
    if (block != nullptr && block->getName(name) == Acad::eOk) {
        return std::u16string(name.kACharPtr());
    }
    return self->tarnBlockName();
}

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbBlockReference"),
    TARN_FIELD_OUT(66, kInt16, "attributesFollow", AcDbBlockReference,
                   (v.integer = 1, v.skip = self->tarnAttributeIds().empty())),
    TARN_FIELD(2, kString, "blockName", AcDbBlockReference, platform::dxf::Put(v, BlockNameOf(self)),
               self->tarnSetBlockName(v.text)),
    TARN_FIELD(10, kPoint3d, "position", AcDbBlockReference, platform::dxf::Put(v, self->position()),
               self->setPosition(platform::dxf::Point3d(v))),
    TARN_FIELD(41, kReal, "xScale", AcDbBlockReference,
               (v.real = self->scaleFactors().sx, v.skip = v.real == 1.0),
               self->setScaleFactors(AcGeScale3d(v.real, self->scaleFactors().sy, self->scaleFactors().sz))),
    TARN_FIELD(42, kReal, "yScale", AcDbBlockReference,
               (v.real = self->scaleFactors().sy, v.skip = v.real == 1.0),
               self->setScaleFactors(AcGeScale3d(self->scaleFactors().sx, v.real, self->scaleFactors().sz))),
    TARN_FIELD(43, kReal, "zScale", AcDbBlockReference,
               (v.real = self->scaleFactors().sz, v.skip = v.real == 1.0),
               self->setScaleFactors(AcGeScale3d(self->scaleFactors().sx, self->scaleFactors().sy, v.real))),
    TARN_FIELD(50, kAngle, "rotation", AcDbBlockReference,
               (v.real = self->rotation(), v.skip = v.real == 0.0), self->setRotation(v.real)),
    TARN_FIELD(210, kVector3d, "normal", AcDbBlockReference,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
};

bool IsUsableFactor(double f) {
    return std::isfinite(f) && f != 0.0;
}

// The live entities of the block record, without opening them (explode reads them as the host does).
std::vector<const AcDbEntity*> BlockEntities(AcDbObjectId blockId) {
    std::vector<const AcDbEntity*> out;
    const auto* block = AcDbBlockTableRecord::cast(platform::detail::Peek(blockId));
    if (block == nullptr) {
        return out;
    }
    for (AcDbObjectId id : block->tarnEntityIds()) {
        const auto* entity = AcDbEntity::cast(platform::detail::Peek(id));
        if (entity != nullptr && !entity->isErased()) {
            out.push_back(entity);
        }
    }
    return out;
}

// A copy of a reference (a nested one out of an explode, one made for COPY) holds copies of the original's
// attributes until it is appended somewhere; the original's ids stay with the original.
void HoldAttributeCopies(std::vector<AcDbObjectId> originals, AcDbBlockReference& copy) {
    copy.tarnForgetAttributes();
    for (AcDbObjectId id : originals) {
        const auto* attribute = AcDbAttribute::cast(platform::detail::Peek(id));
        if (attribute == nullptr || attribute->isErased()) {
            continue;
        }
        auto* duplicate = static_cast<AcDbAttribute*>(attribute->clone());
        duplicate->tarnDetachCopy();
        if (copy.appendAttribute(duplicate) != Acad::eOk) {
            delete duplicate;
        }
    }
}

}  // namespace

TARN_RX_DEFINE(AcDbBlockReference, AcDbEntity, u"INSERT", kFields, std::size(kFields))

AcDbObjectId AcDbBlockReference::blockTableRecord() const {
    if (m_block.isNull() && !m_blockName.empty()) {
        AcDbDatabase* db = database();
        AcDbBlockTable* table = nullptr;
        if (db != nullptr && db->getBlockTable(table, AcDb::kForRead) == Acad::eOk) {
            AcDbObjectId id;
            if (table->getAt(m_blockName.c_str(), id) == Acad::eOk) {
                m_block = id;
            }
            table->close();
        }
    }
    return m_block;
}

Acad::ErrorStatus AcDbBlockReference::setBlockTableRecord(AcDbObjectId block) {
    m_blockName.clear();
    return tarnSet(m_block, block);
}

Acad::ErrorStatus AcDbBlockReference::setPosition(const AcGePoint3d& position) {
    return tarnSet(m_position, position);
}

Acad::ErrorStatus AcDbBlockReference::setScaleFactors(const AcGeScale3d& scale) {
    if (!IsUsableFactor(scale.sx) || !IsUsableFactor(scale.sy) || !IsUsableFactor(scale.sz)) {
        return Acad::eInvalidInput;
    }
    return tarnSet(m_scale, scale);
}

Acad::ErrorStatus AcDbBlockReference::setRotation(double rotation) {
    return tarnSet(m_rotation, rotation);
}

Acad::ErrorStatus AcDbBlockReference::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

const std::u16string& AcDbBlockReference::tarnBlockName() const {
    return m_blockName;
}

void AcDbBlockReference::tarnSetBlockName(const std::u16string& name) {
    m_blockName = name;
    m_block = AcDbObjectId();
}

AcGeMatrix3d AcDbBlockReference::blockTransform() const {
    AcGePoint3d base(0.0, 0.0, 0.0);
    if (const auto* block = AcDbBlockTableRecord::cast(platform::detail::Peek(blockTableRecord()))) {
        base = block->origin();
    }
    AcGeMatrix3d scale;
    m_scale.getMatrix(scale);
    return AcGeMatrix3d::translation(m_position.asVector()) * AcGeMatrix3d::planeToWorld(m_normal) *
           AcGeMatrix3d::rotation(m_rotation, AcGeVector3d::kZAxis) * scale *
           AcGeMatrix3d::translation(-base.asVector());
}

Acad::ErrorStatus AcDbBlockReference::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    // Only the placement moves: a scale of the matrix multiplies the reference's own factors.
    const AcGeVector3d x = matrix * AcGeVector3d::kXAxis;
    const double factor = x.length();
    const AcGePoint3d position = matrix * m_position;
    const AcGeVector3d normal = matrix * m_normal;
    if (!(factor > 0.0) || normal.isZeroLength()) {
        return Acad::eCannotScaleNonUniformly;
    }
    const AcGeMatrix3d before = blockTransform();
    const AcGePoint3d oldPosition = m_position;
    const AcGeVector3d oldNormal = m_normal;
    const double oldRotation = m_rotation;
    const AcGeScale3d oldScale = m_scale;
    AcGeVector3d xRef = AcGeMatrix3d::planeToWorld(m_normal) * AcGeVector3d::kXAxis;
    xRef.rotateBy(m_rotation, m_normal);
    const AcGeVector3d xNew = matrix * xRef;
    const AcGeVector3d xPlane = AcGeMatrix3d::planeToWorld(normal.normal()) * AcGeVector3d::kXAxis;
    m_position = position;
    m_normal = normal.normal();
    m_rotation = xPlane.angleTo(xNew, m_normal);
    m_scale = m_scale * factor;
    if (!m_pending.items.empty()) {
        // A reference in no database holds its attributes itself: they keep their place on it (the change
        // of its placement is a similarity even for a non-uniform matrix), or nothing moves.
        const AcGeMatrix3d moved = blockTransform() * before.inverse();
        platform::detail::OwnedVertices<AcDbAttribute> pending = m_pending;
        for (auto& attribute : pending.items) {
            if ((es = attribute->transformBy(moved)) != Acad::eOk) {
                m_position = oldPosition;
                m_normal = oldNormal;
                m_rotation = oldRotation;
                m_scale = oldScale;
                return es;
            }
        }
        m_pending.items.swap(pending.items);
    }
    if (!objectId().isNull()) {
        // The attributes go where the reference goes.
        for (AcDbObjectId id : m_attributes) {
            AcDbEntity* attribute = nullptr;
            if (acdbOpenObject(attribute, id, AcDb::kForWrite) == Acad::eOk) {
                attribute->transformBy(matrix);
                attribute->close();
            }
        }
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::getGeomExtents(AcDbExtents& extents) const {
    const AcGeMatrix3d transform = blockTransform();
    AcDbExtents box;
    bool any = false;
    for (const AcDbEntity* entity : BlockEntities(blockTableRecord())) {
        AcDbExtents part;
        if (entity->getGeomExtents(part) == Acad::eOk) {
            part.transformBy(transform);
            box.addExt(part);
            any = true;
        }
    }
    if (!any) {
        return Acad::eInvalidExtents;
    }
    extents = box;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::explode(AcDbVoidPtrArray& entities) const {
    if (AcDbBlockTableRecord::cast(platform::detail::Peek(blockTableRecord())) == nullptr) {
        return Acad::eInvalidInput;
    }
    const AcGeMatrix3d transform = blockTransform();
    std::vector<std::unique_ptr<AcDbEntity>> parts;
    for (const AcDbEntity* entity : BlockEntities(blockTableRecord())) {
        const auto* inner = AcDbBlockReference::cast(entity);
        if (inner != nullptr) {
            // A reference read from a file knows its block by name and finds it through its database; the
            // copy is in no database, so it takes the block found here.
            inner->blockTableRecord();
        }
        std::unique_ptr<AcDbEntity> copy(static_cast<AcDbEntity*>(entity->clone()));
        if (copy == nullptr) {
            continue;
        }
        if (inner != nullptr) {
            HoldAttributeCopies(inner->tarnAttributeIds(), *AcDbBlockReference::cast(copy.get()));
        }
        const Acad::ErrorStatus es = copy->transformBy(transform);
        if (es == Acad::eCannotScaleNonUniformly) {
            return es;
        }
        if (es == Acad::eOk) {
            parts.push_back(std::move(copy));
        }
    }
    for (auto& part : parts) {
        entities.append(part.release());
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbAttribute* attribute) {
    AcDbObjectId id;
    return appendAttribute(id, attribute);
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbObjectId& id, AcDbAttribute* attribute) {
    if (attribute == nullptr || !attribute->objectId().isNull()) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    AcDbDatabase* db = database();
    if (db == nullptr) {
        m_pending.adopt(attribute);
        id = AcDbObjectId();
        return Acad::eOk;
    }
    es = db->tarnAddObject(attribute, objectId(), id);
    if (es == Acad::eOk) {
        m_attributes.push_back(id);
    }
    return es;
}

void AcDbBlockReference::tarnDetachCopy() {
    AcDbEntity::tarnDetachCopy();
    // Attributes it holds already (a new reference's) are its own.
    if (objectId().isNull() && !m_attributes.empty()) {
        HoldAttributeCopies(m_attributes, *this);
    }
}

AcDbObjectIterator* AcDbBlockReference::attributeIterator() const {
    if (objectId().isNull()) {
        return new AcDbObjectIterator(m_pending.pointers());
    }
    return new AcDbObjectIterator(m_attributes);
}

void AcDbBlockReference::tarnBecameResident() {
    AcDbDatabase* db = database();
    std::vector<std::unique_ptr<AcDbAttribute>> pending = std::move(m_pending.items);
    m_pending.items.clear();
    for (auto& attribute : pending) {
        AcDbObjectId id;
        if (db->tarnAddObject(attribute.get(), objectId(), id) == Acad::eOk) {
            m_attributes.push_back(id);
            attribute.release()->close();
        }
    }
}

bool AcDbBlockReference::tarnOwnsResidentObjects() const {
    for (const AcDbObjectId& id : m_attributes) {
        if (platform::detail::Peek(id) != nullptr) {
            return true;
        }
    }
    return AcDbEntity::tarnOwnsResidentObjects();
}

void AcDbBlockReference::tarnWriteState(platform::detail::StateWriter& out) const {
    AcDbEntity::tarnWriteState(out);
    out.put(m_position, m_block, m_scale, m_rotation, m_normal);
    out.put(m_blockName, m_attributes);
}

void AcDbBlockReference::tarnReadState(platform::detail::StateReader& in) {
    AcDbEntity::tarnReadState(in);
    in.get(m_position, m_block, m_scale, m_rotation, m_normal);
    in.get(m_blockName, m_attributes);
}
