#include "platform/arx/acdb/dbdimaligned.h"

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbAlignedDimension"),
    TARN_FIELD(13, kPoint3d, "xLine1Point", AcDbAlignedDimension, platform::dxf::Put(v, self->xLine1Point()),
               self->setXLine1Point(platform::dxf::Point3d(v))),
    TARN_FIELD(14, kPoint3d, "xLine2Point", AcDbAlignedDimension, platform::dxf::Put(v, self->xLine2Point()),
               self->setXLine2Point(platform::dxf::Point3d(v))),
};

}  // namespace

TARN_RX_DEFINE(AcDbAlignedDimension, AcDbDimension, u"DIMENSION", kFields, std::size(kFields))

AcDbAlignedDimension::AcDbAlignedDimension(const AcGePoint3d& xLine1Point, const AcGePoint3d& xLine2Point,
                                           const AcGePoint3d& dimLinePoint, const ACHAR* dimText,
                                           AcDbObjectId dimStyle)
    : AcDbDimension(1, 3) {
    tarnInit(dimText, dimStyle);
    tarnInitPoint(1, xLine1Point);
    tarnInitPoint(2, xLine2Point);
    tarnInitPoint(0, dimLinePoint);
}

AcGePoint3d AcDbAlignedDimension::tarnDefaultTextPosition() const {
    const AcGePoint3d p1 = xLine1Point();
    const AcGePoint3d p2 = xLine2Point();
    const AcGePoint3d mid(0.5 * (p1.x + p2.x), 0.5 * (p1.y + p2.y), 0.5 * (p1.z + p2.z));
    const AcGeVector3d along = p2 - p1;
    AcGeVector3d offset = dimLinePoint() - p1;
    if (!along.isZeroLength()) {
        const AcGeVector3d unit = along.normal();
        offset -= unit * offset.dotProduct(unit);
    }
    return mid + offset;
}

void AcDbAlignedDimension::tarnDraw(platform::DimensionPicture& picture) const {
    AcGeVector3d along = xLine2Point() - xLine1Point();
    if (along.isZeroLength()) {
        AcGeVector3d y;
        platform::detail::PlaneAxes(normal(), along, y);  // nothing to measure: along the plane's X
    }
    tarnDrawLinear(picture, xLine1Point(), xLine2Point(), dimLinePoint(), along.normal());
}
