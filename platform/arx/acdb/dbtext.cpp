#include "platform/arx/acdb/dbtext.h"

#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbtextstyle.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

// Files split a text's fields in two parts with the same subclass marker; the vertical mode comes last.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbText"),
    TARN_FIELD(10, kPoint3d, "position", AcDbText, platform::dxf::Put(v, self->position()),
               self->setPosition(platform::dxf::Point3d(v))),
    TARN_FIELD(40, kReal, "height", AcDbText, v.real = self->height(), self->setHeight(v.real)),
    TARN_FIELD(1, kString, "textString", AcDbText, platform::dxf::Put(v, self->textStringConst()),
               self->setTextString(v.text.c_str())),
    TARN_FIELD(50, kAngle, "rotation", AcDbText, (v.real = self->rotation(), v.skip = v.real == 0.0),
               self->setRotation(v.real)),
    TARN_FIELD(41, kReal, "widthFactor", AcDbText, (v.real = self->widthFactor(), v.skip = v.real == 1.0),
               self->setWidthFactor(v.real)),
    TARN_FIELD(51, kAngle, "oblique", AcDbText, (v.real = self->oblique(), v.skip = v.real == 0.0),
               self->setOblique(v.real)),
    TARN_FIELD(7, kString, "textStyle", AcDbText,
               platform::dxf::Put(v, platform::dxf::RecordName(self->textStyle())),
               self->setTextStyle(platform::dxf::FindRecord(self, &AcDbDatabase::textStyleTableId, v.text))),
    TARN_FIELD(72, kInt16, "horizontalMode", AcDbText,
               (v.integer = self->horizontalMode(), v.skip = v.integer == 0),
               if (v.integer >= AcDb::kTextLeft && v.integer <= AcDb::kTextFit)
                   self->setHorizontalMode(static_cast<AcDb::TextHorzMode>(v.integer))),
    TARN_FIELD(11, kPoint3d, "alignmentPoint", AcDbText, platform::dxf::Put(v, self->alignmentPoint()),
               self->setAlignmentPoint(platform::dxf::Point3d(v))),
    TARN_FIELD(210, kVector3d, "normal", AcDbText,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
    TARN_SUBCLASS("AcDbText"),
    TARN_FIELD(73, kInt16, "verticalMode", AcDbText,
               (v.integer = self->verticalMode(), v.skip = v.integer == 0),
               if (v.integer >= AcDb::kTextBase && v.integer <= AcDb::kTextTop)
                   self->setVerticalMode(static_cast<AcDb::TextVertMode>(v.integer))),
};

}  // namespace

TARN_RX_DEFINE(AcDbText, AcDbEntity, u"TEXT", kFields, std::size(kFields))

namespace platform::detail {

double TextAdvance(std::u16string_view text) {
    double advance = 0.0;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF) {
            continue;  // the second half of a surrogate pair
        }
        advance += c >= 0x2E80 ? 1.0 : 0.6;
    }
    return advance;
}

double DefaultTextHeight(AcDbObjectId style) {
    const auto* record = AcDbTextStyleTableRecord::cast(Peek(style));
    return record != nullptr && record->textSize() > 0.0 ? record->textSize() : 2.5;
}

void ResolveTextDefaults(const AcDbDatabase* db, AcDbObjectId& style, double& height) {
    if (AcDbTextStyleTableRecord::cast(Peek(style)) == nullptr) {
        style = db->textstyle();
    }
    if (!(height > 0.0)) {
        height = DefaultTextHeight(style);
    }
}

Acad::ErrorStatus TransformTextFrame(const AcGeMatrix3d& matrix, AcGePoint3d& position, double& rotation,
                                     double& height, AcGeVector3d& normal) {
    const double scale = UniformScale(matrix);
    if (scale <= 0.0) {
        return Acad::eCannotScaleNonUniformly;
    }
    AcGeVector3d x, y;
    PlaneAxes(normal, x, y);
    const AcGeVector3d direction = x * std::cos(rotation) + y * std::sin(rotation);
    position.transformBy(matrix);
    normal = (matrix * normal).normal();
    const AcGeVector3d moved = matrix * direction;
    PlaneAxes(normal, x, y);
    rotation = NormalizeAngle(std::atan2(moved.dotProduct(y), moved.dotProduct(x)));
    height *= scale;
    return Acad::eOk;
}

}  // namespace platform::detail

AcDbText::AcDbText(const AcGePoint3d& position, const ACHAR* text, AcDbObjectId style, double height,
                   double rotation)
    : m_position(position),
      m_alignment(position),
      m_text(text != nullptr ? text : u""),
      m_height(height > 0.0 ? height : 0.0),
      m_rotation(rotation),
      m_style(style) {}

#define TARN_TEXT_SETTER(NAME, TYPE, CHECK, MEMBER, VALUE)             \
    Acad::ErrorStatus AcDbText::NAME(TYPE value) {                     \
        return (CHECK) ? tarnSet(MEMBER, VALUE) : Acad::eInvalidInput; \
    }

TARN_TEXT_SETTER(setPosition, const AcGePoint3d&, true, m_position, value)
TARN_TEXT_SETTER(setAlignmentPoint, const AcGePoint3d&, true, m_alignment, value)
TARN_TEXT_SETTER(setTextString, const ACHAR*, value != nullptr, m_text, value)
TARN_TEXT_SETTER(setHeight, double, value > 0.0 && std::isfinite(value), m_height, value)
TARN_TEXT_SETTER(setRotation, double, std::isfinite(value), m_rotation, value)
TARN_TEXT_SETTER(setWidthFactor, double, value > 0.0 && std::isfinite(value), m_widthFactor, value)
TARN_TEXT_SETTER(setOblique, double, std::isfinite(value), m_oblique, value)
TARN_TEXT_SETTER(setTextStyle, AcDbObjectId, AcDbTextStyleTableRecord::cast(platform::detail::Peek(value)),
                 m_style, value)
TARN_TEXT_SETTER(setHorizontalMode, AcDb::TextHorzMode, value >= AcDb::kTextLeft && value <= AcDb::kTextFit,
                 m_horizontal, value)
TARN_TEXT_SETTER(setVerticalMode, AcDb::TextVertMode, value >= AcDb::kTextBase && value <= AcDb::kTextTop,
                 m_vertical, value)
TARN_TEXT_SETTER(setNormal, const AcGeVector3d&, !value.isZeroLength(), m_normal, value.normal())

#undef TARN_TEXT_SETTER

Acad::ErrorStatus AcDbText::transformBy(const AcGeMatrix3d& matrix) {
    double scale = 0.0;
    Acad::ErrorStatus es = platform::detail::StartUniformTransform(*this, matrix, scale);
    if (es != Acad::eOk) {
        return es;
    }
    m_alignment.transformBy(matrix);
    return platform::detail::TransformTextFrame(matrix, m_position, m_rotation, m_height, m_normal);
}

Acad::ErrorStatus AcDbText::getGeomExtents(AcDbExtents& extents) const {
    if (m_text.empty()) {
        return Acad::eInvalidExtents;
    }
    const double height = m_height > 0.0 ? m_height : platform::detail::DefaultTextHeight(m_style);
    const double width = platform::detail::TextAdvance(m_text) * height * m_widthFactor;
    AcGeVector3d x, y;
    platform::detail::PlaneAxes(m_normal, x, y);
    const AcGeVector3d u = x * std::cos(m_rotation) + y * std::sin(m_rotation);
    const AcGeVector3d v = m_normal.crossProduct(u);
    AcDbExtents box;
    box.addPoint(m_position);
    box.addPoint(m_position + u * width);
    box.addPoint(m_position + v * height);
    box.addPoint(m_position + u * width + v * height);
    extents = box;
    return Acad::eOk;
}

void AcDbText::tarnBecameResident() {
    platform::detail::ResolveTextDefaults(database(), m_style, m_height);
}
