// Block references (INSERT): a block record placed at a point, scaled and rotated about the reference's
// normal. explode gives the block's entities as non-resident copies in the reference's place; nested
// references come out as references with copies of their own attributes (the caller explodes them in turn,
// as on the host).
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/dbattrib.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbpoly.h"
#include "platform/arx/acge/gescl3d.h"

class AcDbBlockReference : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbBlockReference)
public:
    // Attributes waiting for the reference's append are owned objects: a reference holding some is
    // journaled by a whole copy.
    bool tarnHasState() const override {
        return isA() == AcDbBlockReference::desc() && m_pending.items.empty();
    }
    void tarnWriteState(platform::detail::StateWriter& out) const override;
    void tarnReadState(platform::detail::StateReader& in) override;

    AcDbBlockReference() = default;
    AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRecord)
        : m_position(position), m_block(blockTableRecord) {}

    // The block record; a reference read from a file finds its record by name on first use.
    AcDbObjectId blockTableRecord() const;
    Acad::ErrorStatus setBlockTableRecord(AcDbObjectId block);
    AcGePoint3d position() const { return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& position);
    AcGeScale3d scaleFactors() const { return m_scale; }
    // eInvalidInput for a zero factor (nothing changed).
    Acad::ErrorStatus setScaleFactors(const AcGeScale3d& scale);
    double rotation() const { return m_rotation; }
    Acad::ErrorStatus setRotation(double rotation);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    // Block coordinates (about the block's base point) to world coordinates.
    AcGeMatrix3d blockTransform() const;

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    // eCannotScaleNonUniformly (nothing appended) when a part refuses the reference's non-uniform scale;
    // eInvalidInput when the block record is missing.
    Acad::ErrorStatus explode(AcDbVoidPtrArray& entities) const override;

    // Takes ownership of a new attribute. A resident reference makes it resident at once and leaves it open
    // for write (the caller closes it); a new reference keeps it until it is appended itself.
    Acad::ErrorStatus appendAttribute(AcDbAttribute* attribute);
    Acad::ErrorStatus appendAttribute(AcDbObjectId& id, AcDbAttribute* attribute);
    // The reference's attributes by id (open each through its id); the caller deletes the iterator. A
    // reference in no database walks the attributes it holds: entity() gives each (the reference's own, never
    // closed or deleted), objectId() is null.
    AcDbObjectIterator* attributeIterator() const;

    // Stand-in: a copy made for COPY holds copies of the original's attributes, its own once it is appended.
    void tarnDetachCopy() override;
    void tarnBecameResident() override;
    bool tarnOwnsResidentObjects() const override;
    // Stand-in: a reader hands over an attribute it made resident with this reference as owner.
    void tarnAddAttributeId(AcDbObjectId id) { m_attributes.push_back(id); }
    const std::vector<AcDbObjectId>& tarnAttributeIds() const { return m_attributes; }
    // Stand-in: a copy going to another database leaves the original's attributes behind.
    void tarnForgetAttributes() {
        m_attributes.clear();
        m_pending.items.clear();
    }

    // Stand-in: the block's name as a file gave it, until the record is found.
    const std::u16string& tarnBlockName() const;
    void tarnSetBlockName(const std::u16string& name);

private:
    AcGePoint3d m_position{0.0, 0.0, 0.0};
    mutable AcDbObjectId m_block;
    mutable std::u16string m_blockName;
    AcGeScale3d m_scale{1.0, 1.0, 1.0};
    double m_rotation = 0.0;
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    std::vector<AcDbObjectId> m_attributes;
    platform::detail::OwnedVertices<AcDbAttribute> m_pending;  // appended before the reference was
};
