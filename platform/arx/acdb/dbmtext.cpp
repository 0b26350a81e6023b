#include "platform/arx/acdb/dbmtext.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbtext.h"
#include "platform/arx/acdb/dbtextstyle.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

// The rotation of a multi-line text is in radians in files (unlike single-line texts).
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbMText"),
    TARN_FIELD(10, kPoint3d, "location", AcDbMText, platform::dxf::Put(v, self->location()),
               self->setLocation(platform::dxf::Point3d(v))),
    TARN_FIELD(40, kReal, "textHeight", AcDbMText, v.real = self->textHeight(), self->setTextHeight(v.real)),
    TARN_FIELD(41, kReal, "width", AcDbMText, v.real = self->width(), self->setWidth(v.real)),
    TARN_FIELD(71, kInt16, "attachment", AcDbMText, v.integer = self->attachment(),
               if (v.integer >= 1 && v.integer <= 9)
                   self->setAttachment(static_cast<AcDbMText::AttachmentPoint>(v.integer))),
    TARN_FIELD(1, kString, "contents", AcDbMText, platform::dxf::Put(v, self->contents().str()),
               self->setContents(v.text.c_str())),
    TARN_FIELD(7, kString, "textStyle", AcDbMText,
               platform::dxf::Put(v, platform::dxf::RecordName(self->textStyle())),
               self->setTextStyle(platform::dxf::FindRecord(self, &AcDbDatabase::textStyleTableId, v.text))),
    TARN_FIELD(210, kVector3d, "normal", AcDbMText,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
    TARN_FIELD(50, kReal, "rotation", AcDbMText, (v.real = self->rotation(), v.skip = v.real == 0.0),
               self->setRotation(v.real)),
};

}  // namespace

TARN_RX_DEFINE(AcDbMText, AcDbEntity, u"MTEXT", kFields, std::size(kFields))

namespace platform::detail {

// Codes with an argument run to ';' (\A1; \C3; \FArial; \H2.5x; \Q15; \T1.2; \W0.8; \p...;); \S stacks
// "a^b;" shown as "a/b"; \L \l \O \o \K \k are switches; "{" and "}" group; \\ \{ \} are the characters.
std::u16string StripMTextCodes(std::u16string_view s) {
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'{' || c == u'}') {
            continue;
        }
        if (c != u'\\' || i + 1 >= s.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t code = s[++i];
        switch (code) {
            case u'P':
                out += u"\r\n";
                break;
            case u'\\':
            case u'{':
            case u'}':
                out.push_back(code);
                break;
            case u'~':
                out.push_back(u' ');
                break;
            case u'L':
            case u'l':
            case u'O':
            case u'o':
            case u'K':
            case u'k':
                break;
            case u'S': {
                size_t end = s.find(u';', i + 1);
                std::u16string_view stack = s.substr(
                    i + 1, end == std::u16string_view::npos ? std::u16string_view::npos : end - i - 1);
                for (char16_t sc : stack) {
                    out.push_back(sc == u'^' || sc == u'#' ? u'/' : sc);
                }
                i = end == std::u16string_view::npos ? s.size() : end;
                break;
            }
            case u'A':
            case u'C':
            case u'c':
            case u'F':
            case u'f':
            case u'H':
            case u'Q':
            case u'T':
            case u'W':
            case u'p': {
                size_t end = s.find(u';', i + 1);
                i = end == std::u16string_view::npos ? s.size() : end;
                break;
            }
            default:
                out.push_back(u'\\');
                out.push_back(code);
                break;
        }
    }
    return out;
}

}  // namespace platform::detail

AcString AcDbMText::text() const {
    return AcString(platform::detail::StripMTextCodes(m_contents));
}

#define TARN_MTEXT_SETTER(NAME, TYPE, CHECK, MEMBER, VALUE)            \
    Acad::ErrorStatus AcDbMText::NAME(TYPE value) {                    \
        return (CHECK) ? tarnSet(MEMBER, VALUE) : Acad::eInvalidInput; \
    }

TARN_MTEXT_SETTER(setLocation, const AcGePoint3d&, true, m_location, value)
TARN_MTEXT_SETTER(setContents, const ACHAR*, value != nullptr, m_contents, value)
TARN_MTEXT_SETTER(setTextHeight, double, value > 0.0 && std::isfinite(value), m_height, value)
TARN_MTEXT_SETTER(setWidth, double, value >= 0.0 && std::isfinite(value), m_width, value)
TARN_MTEXT_SETTER(setRotation, double, std::isfinite(value), m_rotation, value)
TARN_MTEXT_SETTER(setAttachment, AttachmentPoint, value >= kTopLeft && value <= kBottomRight, m_attachment,
                  value)
TARN_MTEXT_SETTER(setTextStyle, AcDbObjectId, AcDbTextStyleTableRecord::cast(platform::detail::Peek(value)),
                  m_style, value)
TARN_MTEXT_SETTER(setNormal, const AcGeVector3d&, !value.isZeroLength(), m_normal, value.normal())

#undef TARN_MTEXT_SETTER

Acad::ErrorStatus AcDbMText::transformBy(const AcGeMatrix3d& matrix) {
    double scale = 0.0;
    Acad::ErrorStatus es = platform::detail::StartUniformTransform(*this, matrix, scale);
    if (es != Acad::eOk) {
        return es;
    }
    m_width *= scale;
    return platform::detail::TransformTextFrame(matrix, m_location, m_rotation, m_height, m_normal);
}

Acad::ErrorStatus AcDbMText::getGeomExtents(AcDbExtents& extents) const {
    const std::u16string plain = platform::detail::StripMTextCodes(m_contents);
    if (plain.empty()) {
        return Acad::eInvalidExtents;
    }
    const double height = m_height > 0.0 ? m_height : platform::detail::DefaultTextHeight(m_style);
    double longest = 0.0;
    int lines = 0;
    size_t start = 0;
    while (start <= plain.size()) {
        size_t end = plain.find(u"\r\n", start);
        const std::u16string_view line = std::u16string_view(plain).substr(
            start, end == std::u16string::npos ? std::u16string::npos : end - start);
        longest = std::max(longest, platform::detail::TextAdvance(line) * height);
        ++lines;
        if (end == std::u16string::npos) {
            break;
        }
        start = end + 2;
    }
    const double width = m_width > 0.0 ? m_width : longest;
    const double total = height * (lines + 0.667 * (lines - 1));  // line spacing of 5/3 of the height
    // The attachment point names where the location sits on the box: columns left/centre/right, rows
    // top/middle/bottom.
    const int column = (m_attachment - 1) % 3;
    const int row = (m_attachment - 1) / 3;
    const double left = -width * column / 2.0;
    const double top = total * row / 2.0;
    AcGeVector3d x, y;
    platform::detail::PlaneAxes(m_normal, x, y);
    const AcGeVector3d u = x * std::cos(m_rotation) + y * std::sin(m_rotation);
    const AcGeVector3d v = m_normal.crossProduct(u);
    AcDbExtents box;
    for (double du : {left, left + width}) {
        for (double dv : {top, top - total}) {
            box.addPoint(m_location + u * du + v * dv);
        }
    }
    extents = box;
    return Acad::eOk;
}

void AcDbMText::tarnBecameResident() {
    platform::detail::ResolveTextDefaults(database(), m_style, m_height);
}
