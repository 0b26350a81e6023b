#include "platform/arx/acdb/dbattrib.h"

#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acut/acutads.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

constexpr int kInvisible = 1;

std::u16string UpperTag(const ACHAR* tag) {
    std::u16string upper(tag != nullptr ? tag : u"");
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return upper;
}

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbAttribute"),
    TARN_FIELD(2, kString, "tag", AcDbAttribute, platform::dxf::Put(v, self->tagConst()),
               self->setTag(v.text.c_str())),
    TARN_FIELD(70, kInt16, "flags", AcDbAttribute, v.integer = self->isInvisible() ? kInvisible : 0,
               self->setInvisible((v.integer & kInvisible) != 0)),
    TARN_FIELD(73, kInt16, "fieldLength", AcDbAttribute,
               (v.integer = self->fieldLength(), v.skip = v.integer == 0),
               self->setFieldLength(static_cast<int>(v.integer))),
};

}  // namespace

TARN_RX_DEFINE(AcDbAttribute, AcDbText, u"ATTRIB", kFields, std::size(kFields))

AcDbAttribute::AcDbAttribute(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag,
                             AcDbObjectId style)
    : AcDbText(position, text, style), m_tag(UpperTag(tag)) {}

ACHAR* AcDbAttribute::tag() const {
    return acutNewString(m_tag.c_str());
}

Acad::ErrorStatus AcDbAttribute::setTag(const ACHAR* tag) {
    return tarnSet(m_tag, UpperTag(tag));
}

Acad::ErrorStatus AcDbAttribute::setInvisible(bool invisible) {
    return tarnSet(m_invisible, invisible);
}

Acad::ErrorStatus AcDbAttribute::setFieldLength(int length) {
    return tarnSet(m_fieldLength, length);
}

Acad::ErrorStatus AcDbAttribute::setAttributeFromBlock(const AcGeMatrix3d& blockTransform) {
    return transformBy(blockTransform);
}
