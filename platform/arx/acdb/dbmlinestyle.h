// Multiline styles: the parallel lines (elements) a multiline draws along its vertices, each at an offset
// from the reference line with a colour and a linetype. Styles live in the named-object dictionary's
// "ACAD_MLINESTYLE" dictionary under their names.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/acstring.h"
#include "platform/arx/acdb/cmcolor.h"
#include "platform/arx/acdb/dbobject.h"

class AcDbDatabase;

class AcDbMlineStyle : public AcDbObject {
    TARN_DB_DECLARE_MEMBERS(AcDbMlineStyle)
public:
    AcDbMlineStyle() = default;

    const ACHAR* name() const { return m_name.c_str(); }
    Acad::ErrorStatus setName(const ACHAR* name);
    const ACHAR* description() const { return m_description.c_str(); }
    Acad::ErrorStatus setDescription(const ACHAR* description);

    int numElements() const { return static_cast<int>(m_elements.size()); }
    // Appends an element; index is its place. eInvalidInput for an offset that is no finite number.
    Acad::ErrorStatus addElement(int& index, double offset, const AcCmColor& color, const ACHAR* linetype);
    // eInvalidIndex outside the elements.
    Acad::ErrorStatus getElementAt(int index, double& offset, AcCmColor& color, AcString& linetype) const;

    // Everything the file keeps besides the name, description and elements: flags (70), fill colour index
    // (62), start and end angles (51, 52, radians).
    struct Extra {
        long long flags = 0;
        int fillColor = 256;
        double startAngle = 1.5707963267948966;
        double endAngle = 1.5707963267948966;
    };
    const Extra& tarnExtra() const { return m_extra; }
    Acad::ErrorStatus tarnSetExtra(const Extra& extra);

    struct Element {
        double offset = 0.0;
        int colorIndex = 256;
        std::u16string linetype = u"BYLAYER";
    };
    const std::vector<Element>& tarnElements() const { return m_elements; }
    Acad::ErrorStatus tarnSetElements(std::vector<Element> elements);

private:
    std::u16string m_name;
    std::u16string m_description;
    Extra m_extra;
    std::vector<Element> m_elements;
};

namespace platform {
// The database's multiline style of that name (case-insensitive), or the null id.
AcDbObjectId FindMlineStyle(AcDbDatabase* db, const ACHAR* name);
// The style "Standard" (two elements at 0.5 and -0.5), made in "ACAD_MLINESTYLE" when missing; the null id
// when it can't be made.
AcDbObjectId StandardMlineStyle(AcDbDatabase* db);
}  // namespace platform
