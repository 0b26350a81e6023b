#include "platform/arx/acdb/dbdim2lineangular.h"

#include <cmath>

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

constexpr double kPi = platform::detail::kTwoPi / 2;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDb2LineAngularDimension"),
    TARN_FIELD(13, kPoint3d, "xLine1Start", AcDb2LineAngularDimension,
               platform::dxf::Put(v, self->xLine1Start()), self->setXLine1Start(platform::dxf::Point3d(v))),
    TARN_FIELD(14, kPoint3d, "xLine1End", AcDb2LineAngularDimension, platform::dxf::Put(v, self->xLine1End()),
               self->setXLine1End(platform::dxf::Point3d(v))),
    TARN_FIELD(15, kPoint3d, "xLine2Start", AcDb2LineAngularDimension,
               platform::dxf::Put(v, self->xLine2Start()), self->setXLine2Start(platform::dxf::Point3d(v))),
    TARN_FIELD(16, kPoint3d, "arcPoint", AcDb2LineAngularDimension, platform::dxf::Put(v, self->arcPoint()),
               self->setArcPoint(platform::dxf::Point3d(v))),
};

}  // namespace

TARN_RX_DEFINE(AcDb2LineAngularDimension, AcDbDimension, u"DIMENSION", kFields, std::size(kFields))

AcDb2LineAngularDimension::AcDb2LineAngularDimension(
    const AcGePoint3d& xLine1Start, const AcGePoint3d& xLine1End, const AcGePoint3d& xLine2Start,
    const AcGePoint3d& xLine2End, const AcGePoint3d& arcPoint, const ACHAR* dimText, AcDbObjectId dimStyle)
    : AcDbDimension(2, 5) {
    tarnInit(dimText, dimStyle);
    tarnInitPoint(1, xLine1Start);
    tarnInitPoint(2, xLine1End);
    tarnInitPoint(3, xLine2Start);
    tarnInitPoint(0, xLine2End);
    tarnInitPoint(4, arcPoint);
}

void AcDb2LineAngularDimension::tarnDraw(platform::DimensionPicture& picture) const {
    // In the plane: the lines' directions, and where the first line meets the second.
    AcGeVector3d x, y;
    platform::detail::PlaneAxes(normal(), x, y);
    const AcGeVector3d d1 = xLine1End() - xLine1Start();
    const AcGeVector3d d2 = xLine2End() - xLine2Start();
    const AcGeVector3d gap = xLine2Start() - xLine1Start();
    const double cross = d1.dotProduct(x) * d2.dotProduct(y) - d1.dotProduct(y) * d2.dotProduct(x);
    if (!(std::fabs(cross) > 1e-12 * d1.length() * d2.length())) {
        picture.text = tarnFormat(0.0) + u"%%d";
        return;
    }
    const double t = (gap.dotProduct(x) * d2.dotProduct(y) - gap.dotProduct(y) * d2.dotProduct(x)) / cross;
    const AcGePoint3d center = xLine1Start() + d1 * t;
    // The four rays from the crossing alternate between the lines: the arc point lies between the ray at or
    // before it and the next one, one of each line.
    const double first = std::atan2(d1.dotProduct(y), d1.dotProduct(x));
    const double second = std::atan2(d2.dotProduct(y), d2.dotProduct(x));
    const double rays[4] = {
        platform::detail::NormalizeAngle(first), platform::detail::NormalizeAngle(first + kPi),
        platform::detail::NormalizeAngle(second), platform::detail::NormalizeAngle(second + kPi)};
    const double at = tarnAngleOf(center, arcPoint());
    double start = rays[0];
    for (double ray : rays) {
        if (platform::detail::NormalizeAngle(at - ray) < platform::detail::NormalizeAngle(at - start)) {
            start = ray;
        }
    }
    double sweep = platform::detail::kTwoPi;
    for (double ray : rays) {
        const double offset = platform::detail::NormalizeAngle(ray - start);
        if (offset > 0.0 && offset < sweep) {
            sweep = offset;
        }
    }
    const AcGeVector3d toArc = arcPoint() - center;
    const double radius = std::hypot(toArc.x, toArc.y, toArc.z);  // no overflow for far points
    if (radius > 0.0) {
        picture.arcs.push_back({center, radius, start, platform::detail::NormalizeAngle(start + sweep)});
    }
    picture.text = tarnFormat(sweep * 180.0 / kPi) + u"%%d";
}
