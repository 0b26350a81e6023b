#include "platform/arx/acdb/dbattdef.h"

#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acut/acutads.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbAttributeDefinition"),
    TARN_FIELD(3, kString, "prompt", AcDbAttributeDefinition, platform::dxf::Put(v, self->promptConst()),
               self->setPrompt(v.text.c_str())),
    TARN_FIELD(2, kString, "tag", AcDbAttributeDefinition, platform::dxf::Put(v, self->tagConst()),
               self->setTag(v.text.c_str())),
    TARN_FIELD(70, kInt16, "flags", AcDbAttributeDefinition,
               v.integer = (self->isInvisible() ? 1 : 0) | (self->isConstant() ? 2 : 0),
               (self->setInvisible((v.integer & 1) != 0), self->setConstant((v.integer & 2) != 0))),
    TARN_FIELD(73, kInt16, "fieldLength", AcDbAttributeDefinition,
               (v.integer = self->fieldLength(), v.skip = v.integer == 0),
               self->setFieldLength(static_cast<int>(v.integer))),
};

}  // namespace

TARN_RX_DEFINE(AcDbAttributeDefinition, AcDbText, u"ATTDEF", kFields, std::size(kFields))

AcDbAttributeDefinition::AcDbAttributeDefinition(const AcGePoint3d& position, const ACHAR* text,
                                                 const ACHAR* tag, const ACHAR* prompt, AcDbObjectId style)
    : AcDbText(position, text, style),
      m_tag(tag != nullptr ? tag : u""),
      m_prompt(prompt != nullptr ? prompt : u"") {}

ACHAR* AcDbAttributeDefinition::tag() const {
    return acutNewString(m_tag.c_str());
}

Acad::ErrorStatus AcDbAttributeDefinition::setTag(const ACHAR* tag) {
    return tarnSet(m_tag, std::u16string(tag != nullptr ? tag : u""));
}

Acad::ErrorStatus AcDbAttributeDefinition::setPrompt(const ACHAR* prompt) {
    return tarnSet(m_prompt, std::u16string(prompt != nullptr ? prompt : u""));
}

Acad::ErrorStatus AcDbAttributeDefinition::setInvisible(bool invisible) {
    return tarnSet(m_invisible, invisible);
}

Acad::ErrorStatus AcDbAttributeDefinition::setConstant(bool constant) {
    return tarnSet(m_constant, constant);
}

Acad::ErrorStatus AcDbAttributeDefinition::setFieldLength(int length) {
    return tarnSet(m_fieldLength, length);
}
