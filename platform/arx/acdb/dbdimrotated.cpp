#include "platform/arx/acdb/dbdimrotated.h"

#include <cmath>

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbAlignedDimension"),
    TARN_FIELD(13, kPoint3d, "xLine1Point", AcDbRotatedDimension, platform::dxf::Put(v, self->xLine1Point()),
               self->setXLine1Point(platform::dxf::Point3d(v))),
    TARN_FIELD(14, kPoint3d, "xLine2Point", AcDbRotatedDimension, platform::dxf::Put(v, self->xLine2Point()),
               self->setXLine2Point(platform::dxf::Point3d(v))),
    TARN_FIELD(50, kAngle, "rotation", AcDbRotatedDimension, v.real = self->rotation(),
               self->setRotation(v.real)),
    TARN_SUBCLASS("AcDbRotatedDimension"),
};

}  // namespace

TARN_RX_DEFINE(AcDbRotatedDimension, AcDbDimension, u"DIMENSION", kFields, std::size(kFields))

AcDbRotatedDimension::AcDbRotatedDimension(double rotation, const AcGePoint3d& xLine1Point,
                                           const AcGePoint3d& xLine2Point, const AcGePoint3d& dimLinePoint,
                                           const ACHAR* dimText, AcDbObjectId dimStyle)
    : AcDbDimension(0, 3) {
    tarnInit(dimText, dimStyle);
    tarnInitPoint(1, xLine1Point);
    tarnInitPoint(2, xLine2Point);
    tarnInitPoint(0, dimLinePoint);
    m_rotation = rotation;
}

Acad::ErrorStatus AcDbRotatedDimension::setRotation(double rotation) {
    return tarnSet(m_rotation, rotation);
}

Acad::ErrorStatus AcDbRotatedDimension::transformBy(const AcGeMatrix3d& matrix) {
    // The measuring direction turns with the drawing.
    AcGeVector3d direction = matrix * AcGeVector3d(std::cos(m_rotation), std::sin(m_rotation), 0.0);
    Acad::ErrorStatus es = AcDbDimension::transformBy(matrix);
    if (es == Acad::eOk && !direction.isZeroLength()) {
        m_rotation = std::atan2(direction.y, direction.x);
    }
    return es;
}

void AcDbRotatedDimension::tarnDraw(platform::DimensionPicture& picture) const {
    AcGeVector3d x, y;
    platform::detail::PlaneAxes(normal(), x, y);
    tarnDrawLinear(picture, xLine1Point(), xLine2Point(), dimLinePoint(),
                   x * std::cos(m_rotation) + y * std::sin(m_rotation));
}
