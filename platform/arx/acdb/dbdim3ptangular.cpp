#include "platform/arx/acdb/dbdim3ptangular.h"

#include <cmath>
#include <utility>

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

constexpr double kPi = platform::detail::kTwoPi / 2;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDb3PointAngularDimension"),
    TARN_FIELD(13, kPoint3d, "xLine1Point", AcDb3PointAngularDimension,
               platform::dxf::Put(v, self->xLine1Point()), self->setXLine1Point(platform::dxf::Point3d(v))),
    TARN_FIELD(14, kPoint3d, "xLine2Point", AcDb3PointAngularDimension,
               platform::dxf::Put(v, self->xLine2Point()), self->setXLine2Point(platform::dxf::Point3d(v))),
    TARN_FIELD(15, kPoint3d, "centerPoint", AcDb3PointAngularDimension,
               platform::dxf::Put(v, self->centerPoint()), self->setCenterPoint(platform::dxf::Point3d(v))),
};

}  // namespace

TARN_RX_DEFINE(AcDb3PointAngularDimension, AcDbDimension, u"DIMENSION", kFields, std::size(kFields))

AcDb3PointAngularDimension::AcDb3PointAngularDimension(const AcGePoint3d& centerPoint,
                                                       const AcGePoint3d& xLine1Point,
                                                       const AcGePoint3d& xLine2Point,
                                                       const AcGePoint3d& arcPoint, const ACHAR* dimText,
                                                       AcDbObjectId dimStyle)
    : AcDbDimension(5, 4) {
    tarnInit(dimText, dimStyle);
    tarnInitPoint(3, centerPoint);
    tarnInitPoint(1, xLine1Point);
    tarnInitPoint(2, xLine2Point);
    tarnInitPoint(0, arcPoint);
}

void AcDb3PointAngularDimension::tarnDraw(platform::DimensionPicture& picture) const {
    const AcGePoint3d center = centerPoint();
    double start = tarnAngleOf(center, xLine1Point());
    double end = tarnAngleOf(center, xLine2Point());
    if (!platform::detail::AngleInSweep(tarnAngleOf(center, arcPoint()), start, end)) {
        std::swap(start, end);
    }
    // Scaled, so that points far out (near 1e300) give their finite distance rather than overflow.
    const AcGeVector3d toArc = arcPoint() - center;
    const double radius = std::hypot(toArc.x, toArc.y, toArc.z);
    if (radius > 0.0) {
        picture.arcs.push_back({center, radius, start, end});
    }
    picture.text = tarnFormat(platform::detail::NormalizeAngle(end - start) * 180.0 / kPi) + u"%%d";
}
