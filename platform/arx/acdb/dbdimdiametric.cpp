#include "platform/arx/acdb/dbdimdiametric.h"

#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbDiametricDimension"),
    TARN_FIELD(15, kPoint3d, "chordPoint", AcDbDiametricDimension, platform::dxf::Put(v, self->chordPoint()),
               self->setChordPoint(platform::dxf::Point3d(v))),
    TARN_FIELD(40, kReal, "leaderLength", AcDbDiametricDimension, v.real = self->leaderLength(),
               self->setLeaderLength(v.real)),
};

}  // namespace

TARN_RX_DEFINE(AcDbDiametricDimension, AcDbDimension, u"DIMENSION", kFields, std::size(kFields))

AcDbDiametricDimension::AcDbDiametricDimension(const AcGePoint3d& chordPoint,
                                               const AcGePoint3d& farChordPoint, double leaderLength,
                                               const ACHAR* dimText, AcDbObjectId dimStyle)
    : AcDbDimension(3, 2) {
    tarnInit(dimText, dimStyle);
    tarnInitPoint(1, chordPoint);
    tarnInitPoint(0, farChordPoint);
    m_leaderLength = leaderLength;
}

Acad::ErrorStatus AcDbDiametricDimension::setLeaderLength(double length) {
    return tarnSet(m_leaderLength, length);
}

AcGePoint3d AcDbDiametricDimension::tarnDefaultTextPosition() const {
    const AcGeVector3d across = chordPoint() - farChordPoint();
    return across.isZeroLength() ? chordPoint() : chordPoint() + across.normal() * m_leaderLength;
}

void AcDbDiametricDimension::tarnDraw(platform::DimensionPicture& picture) const {
    const AcGePoint3d end = tarnDefaultTextPosition();
    if (farChordPoint() != end) {
        picture.lines.push_back({farChordPoint(), end});
    }
    picture.text = u"%%c" + tarnFormat((chordPoint() - farChordPoint()).length());
}
