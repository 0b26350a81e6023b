// Attribute definitions (ATTDEF): a text in a block definition that asks for a value at the insertion. The
// text string is the default value; the tag names the attribute.
#pragma once

#include <string>

#include "platform/arx/acdb/dbtext.h"

class AcDbAttributeDefinition : public AcDbText {
    TARN_DB_DECLARE_MEMBERS(AcDbAttributeDefinition)
public:
    AcDbAttributeDefinition() = default;
    AcDbAttributeDefinition(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag,
                            const ACHAR* prompt = u"", AcDbObjectId style = AcDbObjectId());

    const ACHAR* tagConst() const { return m_tag.c_str(); }
    ACHAR* tag() const;  // a copy the caller frees with acutDelString
    Acad::ErrorStatus setTag(const ACHAR* tag);
    const ACHAR* promptConst() const { return m_prompt.c_str(); }
    Acad::ErrorStatus setPrompt(const ACHAR* prompt);
    bool isInvisible() const { return m_invisible; }
    Acad::ErrorStatus setInvisible(bool invisible);
    // A constant definition has one value for every insertion and gives the references no attribute.
    bool isConstant() const { return m_constant; }
    Acad::ErrorStatus setConstant(bool constant);
    int fieldLength() const { return m_fieldLength; }
    Acad::ErrorStatus setFieldLength(int length);

private:
    std::u16string m_tag;
    std::u16string m_prompt;
    bool m_invisible = false;
    bool m_constant = false;
    int m_fieldLength = 0;
};
