// Point entities.
#pragma once

#include "platform/arx/acdb/dbentity.h"

class AcDbPoint : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbPoint)
    TARN_DB_STATE(AcDbPoint, AcDbEntity, m_position, m_normal, m_thickness, m_ecsRotation)
public:
    AcDbPoint() = default;
    explicit AcDbPoint(const AcGePoint3d& position) : m_position(position) {}

    AcGePoint3d position() const { return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& position);
    AcGeVector3d normal() const { return m_normal; }
    // eInvalidInput for a zero vector.
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double thickness() const { return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    double ecsRotation() const { return m_ecsRotation; }
    Acad::ErrorStatus setEcsRotation(double rotation);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

private:
    AcGePoint3d m_position{0.0, 0.0, 0.0};
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    double m_thickness = 0.0;
    double m_ecsRotation = 0.0;
};
