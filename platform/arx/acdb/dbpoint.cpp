#include "platform/arx/acdb/dbpoint.h"

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbPoint"),
    TARN_FIELD(10, kPoint3d, "position", AcDbPoint, platform::dxf::Put(v, self->position()),
               self->setPosition(platform::dxf::Point3d(v))),
    TARN_FIELD(39, kReal, "thickness", AcDbPoint, (v.real = self->thickness(), v.skip = v.real == 0.0),
               self->setThickness(v.real)),
    TARN_FIELD(210, kVector3d, "normal", AcDbPoint,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
    TARN_FIELD(50, kAngle, "ecsRotation", AcDbPoint, (v.real = self->ecsRotation(), v.skip = v.real == 0.0),
               self->setEcsRotation(v.real)),
};

}  // namespace

TARN_RX_DEFINE(AcDbPoint, AcDbEntity, u"POINT", kFields, std::size(kFields))

Acad::ErrorStatus AcDbPoint::setPosition(const AcGePoint3d& position) {
    return tarnSet(m_position, position);
}

Acad::ErrorStatus AcDbPoint::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

Acad::ErrorStatus AcDbPoint::setThickness(double thickness) {
    return tarnSet(m_thickness, thickness);
}

Acad::ErrorStatus AcDbPoint::setEcsRotation(double rotation) {
    return tarnSet(m_ecsRotation, rotation);
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
