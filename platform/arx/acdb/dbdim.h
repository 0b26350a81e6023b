// Dimensions: data holders for the host's dimension kinds, each with its defining points, its text (empty:
// the measurement) and the text position. Nothing is measured or drawn. In files every kind is a DIMENSION
// record whose group 70 names the kind.
#pragma once

#include <array>
#include <string>

#include "platform/arx/acdb/acstring.h"
#include "platform/arx/acdb/dbentity.h"

class AcDbDimension : public AcDbEntity {
    TARN_RX_DECLARE_MEMBERS(AcDbDimension)
public:
    AcString dimensionText() const { return AcString(m_text); }
    const ACHAR* dimensionTextConst() const { return m_text.c_str(); }
    // A null text is empty: the measurement is shown.
    Acad::ErrorStatus setDimensionText(const ACHAR* text);
    // Where the text was put, or where the kind puts it by default.
    AcGePoint3d textPosition() const {
        return m_userTextPosition ? m_textPosition : tarnDefaultTextPosition();
    }
    // The text then stays where it was put.
    Acad::ErrorStatus setTextPosition(const AcGePoint3d& position);
    bool isUsingDefaultTextPosition() const { return !m_userTextPosition; }
    Acad::ErrorStatus useDefaultTextPosition();
    AcDbObjectId dimensionStyle() const { return m_style; }
    // A null style: the host's default.
    Acad::ErrorStatus setDimensionStyle(AcDbObjectId style);
    // The "move text" override: 0 moves the dimension line with the text, 1 adds a leader, 2 moves the text
    // alone; eInvalidInput outside 0..2.
    int dimtmove() const { return m_dimtmove; }
    Acad::ErrorStatus setDimtmove(int value);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    // Stand-in, for the file form: the kind's type code (group 70 without flags), its extra flags, and its
    // defining points by slot (slot 0 is the point every kind writes as group 10).
    int tarnTypeCode() const { return m_typeCode; }
    virtual int tarnTypeFlags() const { return 0; }
    virtual AcGePoint3d tarnDefaultTextPosition() const { return tarnPoint(0); }
    virtual void tarnSetTypeFlags(int) {}
    AcGePoint3d tarnPoint(int slot) const { return m_points[static_cast<size_t>(slot)]; }
    Acad::ErrorStatus tarnSetPoint(int slot, const AcGePoint3d& point);

protected:
    AcDbDimension(int typeCode, int pointCount) : m_typeCode(typeCode), m_pointCount(pointCount) {}
    // The constructors' common part: a null text or style stays empty.
    void tarnInit(const ACHAR* text, AcDbObjectId style);
    void tarnInitPoint(int slot, const AcGePoint3d& point) { m_points[static_cast<size_t>(slot)] = point; }

private:
    int m_typeCode;
    int m_pointCount;
    std::array<AcGePoint3d, 5> m_points{};
    std::u16string m_text;
    AcGePoint3d m_textPosition{0.0, 0.0, 0.0};
    bool m_userTextPosition = false;
    AcDbObjectId m_style;
    int m_dimtmove = 0;
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
};

namespace platform::dxf {

// The dimension class of a file's type code (group 70 without flags); null for codes no kind has.
AcRxClass* DimensionClass(int typeCode);

}  // namespace platform::dxf
