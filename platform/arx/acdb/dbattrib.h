// Attributes (ATTRIB): the value a block reference carries for one attribute definition of its block. An
// attribute is owned by its reference; tags are kept upper case, as the host keeps them.
#pragma once

#include <string>

#include "platform/arx/acdb/dbtext.h"

class AcDbAttribute : public AcDbText {
    TARN_DB_DECLARE_MEMBERS(AcDbAttribute)
public:
    AcDbAttribute() = default;
    AcDbAttribute(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag,
                  AcDbObjectId style = AcDbObjectId());

    const ACHAR* tagConst() const { return m_tag.c_str(); }
    ACHAR* tag() const;  // a copy the caller frees with acutDelString
    Acad::ErrorStatus setTag(const ACHAR* tag);
    bool isInvisible() const { return m_invisible; }
    Acad::ErrorStatus setInvisible(bool invisible);
    int fieldLength() const { return m_fieldLength; }
    Acad::ErrorStatus setFieldLength(int length);
    // Places an attribute made in block coordinates where the reference puts its block.
    Acad::ErrorStatus setAttributeFromBlock(const AcGeMatrix3d& blockTransform);

private:
    std::u16string m_tag;
    bool m_invisible = false;
    int m_fieldLength = 0;
};
