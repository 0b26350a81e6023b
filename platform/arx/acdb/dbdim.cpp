#include "platform/arx/acdb/dbdim.h"

#include "platform/arx/acdb/dbdim2lineangular.h"
#include "platform/arx/acdb/dbdim3ptangular.h"
#include "platform/arx/acdb/dbdimaligned.h"
#include "platform/arx/acdb/dbdimdiametric.h"
#include "platform/arx/acdb/dbdimordinate.h"
#include "platform/arx/acdb/dbdimradial.h"
#include "platform/arx/acdb/dbdimrotated.h"
#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

constexpr int kUserTextPosition = 128;

// The common part of every DIMENSION record; the kinds' own points follow in their subclasses.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbDimension"),
    TARN_FIELD(10, kPoint3d, "definitionPoint", AcDbDimension, platform::dxf::Put(v, self->tarnPoint(0)),
               self->tarnSetPoint(0, platform::dxf::Point3d(v))),
    TARN_FIELD(11, kPoint3d, "textPosition", AcDbDimension, platform::dxf::Put(v, self->textPosition()),
               self->setTextPosition(platform::dxf::Point3d(v))),
    TARN_FIELD(70, kInt16, "dimensionType", AcDbDimension,
               v.integer = self->tarnTypeCode() | self->tarnTypeFlags() |
                           (self->isUsingDefaultTextPosition() ? 0 : kUserTextPosition),
               (self->tarnSetTypeFlags(static_cast<int>(v.integer)),
                (v.integer & kUserTextPosition) == 0 ? self->useDefaultTextPosition() : Acad::eOk)),
    TARN_FIELD(1, kString, "dimensionText", AcDbDimension,
               (platform::dxf::Put(v, self->dimensionTextConst()), v.skip = v.text.empty()),
               self->setDimensionText(v.text.c_str())),
    TARN_FIELD_OUT(3, kString, "dimensionStyle", AcDbDimension,
                   platform::dxf::Put(v, self->dimensionStyle().isNull()
                                             ? std::u16string(u"Standard")
                                             : platform::dxf::RecordName(self->dimensionStyle()))),
    TARN_FIELD(210, kVector3d, "normal", AcDbDimension,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
};

}  // namespace

TARN_RX_DEFINE_ABSTRACT(AcDbDimension, AcDbEntity, kFields, std::size(kFields))

void AcDbDimension::tarnInit(const ACHAR* text, AcDbObjectId style) {
    m_text = text != nullptr ? text : u"";
    m_style = style;
}

Acad::ErrorStatus AcDbDimension::setDimensionText(const ACHAR* text) {
    return tarnSet(m_text, std::u16string(text != nullptr ? text : u""));
}

Acad::ErrorStatus AcDbDimension::setTextPosition(const AcGePoint3d& position) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_textPosition = position;
        m_userTextPosition = true;
    }
    return es;
}

Acad::ErrorStatus AcDbDimension::useDefaultTextPosition() {
    return tarnSet(m_userTextPosition, false);
}

Acad::ErrorStatus AcDbDimension::setDimensionStyle(AcDbObjectId style) {
    return tarnSet(m_style, style);
}

Acad::ErrorStatus AcDbDimension::setDimtmove(int value) {
    if (value < 0 || value > 2) {
        return Acad::eInvalidInput;
    }
    return tarnSet(m_dimtmove, value);
}

Acad::ErrorStatus AcDbDimension::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

Acad::ErrorStatus AcDbDimension::tarnSetPoint(int slot, const AcGePoint3d& point) {
    if (slot < 0 || slot >= m_pointCount) {
        return Acad::eInvalidIndex;
    }
    return tarnSet(m_points[static_cast<size_t>(slot)], point);
}

Acad::ErrorStatus AcDbDimension::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    for (int i = 0; i < m_pointCount; ++i) {
        m_points[static_cast<size_t>(i)].transformBy(matrix);
    }
    m_textPosition.transformBy(matrix);
    AcGeVector3d n = matrix * m_normal;
    if (!n.isZeroLength()) {
        m_normal = n.normal();
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDimension::getGeomExtents(AcDbExtents& extents) const {
    AcDbExtents box;
    for (int i = 0; i < m_pointCount; ++i) {
        box.addPoint(m_points[static_cast<size_t>(i)]);
    }
    if (m_userTextPosition) {
        box.addPoint(m_textPosition);
    }
    extents = box;
    return Acad::eOk;
}

AcRxClass* platform::dxf::DimensionClass(int typeCode) {
    switch (typeCode) {
        case 0:
            return AcDbRotatedDimension::desc();
        case 1:
            return AcDbAlignedDimension::desc();
        case 2:
            return AcDb2LineAngularDimension::desc();
        case 3:
            return AcDbDiametricDimension::desc();
        case 4:
            return AcDbRadialDimension::desc();
        case 5:
            return AcDb3PointAngularDimension::desc();
        case 6:
            return AcDbOrdinateDimension::desc();
        default:
            return nullptr;
    }
}
