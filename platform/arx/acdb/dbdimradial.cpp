#include "platform/arx/acdb/dbdimradial.h"

#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbRadialDimension"),
    TARN_FIELD(15, kPoint3d, "chordPoint", AcDbRadialDimension, platform::dxf::Put(v, self->chordPoint()),
               self->setChordPoint(platform::dxf::Point3d(v))),
    TARN_FIELD(40, kReal, "leaderLength", AcDbRadialDimension, v.real = self->leaderLength(),
               self->setLeaderLength(v.real)),
};

}  // namespace

TARN_RX_DEFINE(AcDbRadialDimension, AcDbDimension, u"DIMENSION", kFields, std::size(kFields))

AcDbRadialDimension::AcDbRadialDimension(const AcGePoint3d& center, const AcGePoint3d& chordPoint,
                                         double leaderLength, const ACHAR* dimText, AcDbObjectId dimStyle)
    : AcDbDimension(4, 2) {
    tarnInit(dimText, dimStyle);
    tarnInitPoint(0, center);
    tarnInitPoint(1, chordPoint);
    m_leaderLength = leaderLength;
}

Acad::ErrorStatus AcDbRadialDimension::setLeaderLength(double length) {
    return tarnSet(m_leaderLength, length);
}

AcGePoint3d AcDbRadialDimension::tarnDefaultTextPosition() const {
    const AcGeVector3d out = chordPoint() - center();
    return out.isZeroLength() ? chordPoint() : chordPoint() + out.normal() * m_leaderLength;
}

void AcDbRadialDimension::tarnDraw(platform::DimensionPicture& picture) const {
    const AcGePoint3d end = tarnDefaultTextPosition();
    if (center() != end) {
        picture.lines.push_back({center(), end});
    }
    picture.text = u"R" + tarnFormat((chordPoint() - center()).length());
}
