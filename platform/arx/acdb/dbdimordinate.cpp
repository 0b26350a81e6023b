#include "platform/arx/acdb/dbdimordinate.h"

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbOrdinateDimension"),
    TARN_FIELD(13, kPoint3d, "definingPoint", AcDbOrdinateDimension,
               platform::dxf::Put(v, self->definingPoint()),
               self->setDefiningPoint(platform::dxf::Point3d(v))),
    TARN_FIELD(14, kPoint3d, "leaderEndPoint", AcDbOrdinateDimension,
               platform::dxf::Put(v, self->leaderEndPoint()),
               self->setLeaderEndPoint(platform::dxf::Point3d(v))),
};

}  // namespace

TARN_RX_DEFINE(AcDbOrdinateDimension, AcDbDimension, u"DIMENSION", kFields, std::size(kFields))

AcDbOrdinateDimension::AcDbOrdinateDimension(bool useXAxis, const AcGePoint3d& definingPoint,
                                             const AcGePoint3d& leaderEndPoint, const ACHAR* dimText,
                                             AcDbObjectId dimStyle)
    : AcDbDimension(6, 3) {
    tarnInit(dimText, dimStyle);
    tarnInitPoint(1, definingPoint);
    tarnInitPoint(2, leaderEndPoint);
    m_xAxis = useXAxis;
}

Acad::ErrorStatus AcDbOrdinateDimension::useXAxis() {
    return tarnSet(m_xAxis, true);
}

Acad::ErrorStatus AcDbOrdinateDimension::useYAxis() {
    return tarnSet(m_xAxis, false);
}

void AcDbOrdinateDimension::tarnDraw(platform::DimensionPicture& picture) const {
    if (definingPoint() != leaderEndPoint()) {
        picture.lines.push_back({definingPoint(), leaderEndPoint()});
    }
    AcGeVector3d x, y;
    platform::detail::PlaneAxes(normal(), x, y);
    const AcGeVector3d offset = definingPoint() - origin();
    picture.text = tarnFormat(offset.dotProduct(m_xAxis ? x : y));
}
