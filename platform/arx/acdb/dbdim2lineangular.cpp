#include "platform/arx/acdb/dbdim2lineangular.h"

#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

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
