// Proxy entities: entities of an application that is not loaded. The host keeps their data and the graphics
// they were last drawn with; explode gives those graphics as simple entities. AcDbZombieEntity is the class
// the host gives such an entity in memory.
#pragma once

#include <memory>
#include <vector>

#include "platform/arx/acdb/dbentity.h"

class AcDbProxyEntity : public AcDbEntity {
    TARN_RX_DECLARE_MEMBERS(AcDbProxyEntity)
public:
    // The original class's name as the file gave it.
    const ACHAR* originalClassName() const { return m_className.c_str(); }

    // Copies of the graphics; eCannotExplodeEntity when the entity carries none.
    Acad::ErrorStatus explode(AcDbVoidPtrArray& entities) const override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    // Stand-in: what the missing application last drew (the entity takes a copy; the caller keeps its own).
    void tarnSetGraphics(const std::u16string& className, const std::vector<const AcDbEntity*>& parts);

protected:
    AcDbProxyEntity() = default;
    AcDbProxyEntity(const AcDbProxyEntity& other);
    AcDbProxyEntity& operator=(const AcDbProxyEntity& other);

private:
    void adopt(AcDbEntity* part);

    std::u16string m_className;
    std::vector<std::unique_ptr<AcDbEntity>> m_parts;
};

class AcDbZombieEntity : public AcDbProxyEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbZombieEntity)
public:
    AcDbZombieEntity() = default;
};
