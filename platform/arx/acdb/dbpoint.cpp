#include "platform/arx/acdb/dbpoint.h"

#include "platform/arx/acdb/dbgeom.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    {10, FieldKind::kPoint3d, "position",
     [](const AcRxObject* o, platform::FieldValue& v) {
         const AcGePoint3d p = static_cast<const AcDbPoint*>(o)->position();
         v.point[0] = p.x, v.point[1] = p.y, v.point[2] = p.z;
     },
     [](AcRxObject* o, const platform::FieldValue& v) {
         static_cast<AcDbPoint*>(o)->setPosition(AcGePoint3d(v.point[0], v.point[1], v.point[2]));
     }},
    {39, FieldKind::kReal, "thickness", nullptr, nullptr},
    {210, FieldKind::kVector3d, "normal", nullptr, nullptr},
    {50, FieldKind::kAngle, "ecsRotation", nullptr, nullptr},
};

}  // namespace

TARN_RX_DEFINE(AcDbPoint, AcDbEntity, u"POINT", kFields, std::size(kFields))

Acad::ErrorStatus AcDbPoint::setPosition(const AcGePoint3d& position) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_position = position;
    }
    return es;
}

Acad::ErrorStatus AcDbPoint::setNormal(const AcGeVector3d& normal) {
    if (normal.isZeroLength()) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_normal = normal.normal();
    }
    return es;
}

Acad::ErrorStatus AcDbPoint::setThickness(double thickness) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_thickness = thickness;
    }
    return es;
}

Acad::ErrorStatus AcDbPoint::setEcsRotation(double rotation) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_ecsRotation = rotation;
    }
    return es;
}

Acad::ErrorStatus AcDbPoint::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_position.transformBy(matrix);
    AcGeVector3d n = matrix * m_normal;
    if (!n.isZeroLength()) {
        m_normal = n.normal();
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::getGeomExtents(AcDbExtents& extents) const {
    AcDbExtents box;
    box.addPoint(m_position);
    extents = box;
    return Acad::eOk;
}
