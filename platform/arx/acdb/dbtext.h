// Single-line text entities. A text appended with no style takes the database's current style, and with no
// height the style's height or 2.5.
#pragma once

#include <string>

#include "platform/arx/acdb/dbentity.h"

namespace AcDb {

enum TextHorzMode {
    kTextLeft = 0,
    kTextCenter = 1,
    kTextRight = 2,
    kTextAlign = 3,
    kTextMid = 4,
    kTextFit = 5
};
enum TextVertMode { kTextBase = 0, kTextBottom = 1, kTextVertMid = 2, kTextTop = 3 };

}  // namespace AcDb

class AcDbText : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbText)
    TARN_DB_STATE(AcDbText, AcDbEntity, m_position, m_alignment, m_text, m_height, m_rotation, m_widthFactor,
                  m_oblique, m_style, m_horizontal, m_vertical, m_normal)
public:
    AcDbText() = default;
    // A null text is empty; a null style and a zero height are filled at the append.
    AcDbText(const AcGePoint3d& position, const ACHAR* text, AcDbObjectId style = AcDbObjectId(),
             double height = 0.0, double rotation = 0.0);

    AcGePoint3d position() const { return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& position);
    AcGePoint3d alignmentPoint() const { return m_alignment; }
    Acad::ErrorStatus setAlignmentPoint(const AcGePoint3d& point);
    AcString textString() const { return AcString(m_text); }
    const ACHAR* textStringConst() const { return m_text.c_str(); }
    // eInvalidInput for null.
    Acad::ErrorStatus setTextString(const ACHAR* text);
    double height() const { return m_height; }
    // eInvalidInput unless positive.
    Acad::ErrorStatus setHeight(double height);
    double rotation() const { return m_rotation; }
    Acad::ErrorStatus setRotation(double rotation);
    double widthFactor() const { return m_widthFactor; }
    // eInvalidInput unless positive.
    Acad::ErrorStatus setWidthFactor(double factor);
    double oblique() const { return m_oblique; }
    Acad::ErrorStatus setOblique(double angle);
    AcDbObjectId textStyle() const { return m_style; }
    Acad::ErrorStatus setTextStyle(AcDbObjectId style);
    AcDb::TextHorzMode horizontalMode() const { return m_horizontal; }
    Acad::ErrorStatus setHorizontalMode(AcDb::TextHorzMode mode);
    AcDb::TextVertMode verticalMode() const { return m_vertical; }
    Acad::ErrorStatus setVerticalMode(AcDb::TextVertMode mode);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    // A box estimated from the characters (0.6 of the height each, 1.0 for wide scripts); empty text has
    // no extents.
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    void tarnBecameResident() override;

private:
    AcGePoint3d m_position{0.0, 0.0, 0.0};
    AcGePoint3d m_alignment{0.0, 0.0, 0.0};
    std::u16string m_text;
    double m_height = 0.0;
    double m_rotation = 0.0;
    double m_widthFactor = 1.0;
    double m_oblique = 0.0;
    AcDbObjectId m_style;
    AcDb::TextHorzMode m_horizontal = AcDb::kTextLeft;
    AcDb::TextVertMode m_vertical = AcDb::kTextBase;
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
};

namespace platform::detail {

// Estimated advance of a text in units of its height (wide scripts 1.0 a character, others 0.6).
double TextAdvance(std::u16string_view text);
// The default height for texts without one: the style's fixed height, else 2.5.
double DefaultTextHeight(AcDbObjectId style);
// Transforms a planar text frame: position, rotation and height (uniform scale only).
Acad::ErrorStatus TransformTextFrame(const AcGeMatrix3d& matrix, AcGePoint3d& position, double& rotation,
                                     double& height, AcGeVector3d& normal);
// What a text takes at its append: the current style of db when its own is not a style, then the style's
// height when it has none.
void ResolveTextDefaults(const AcDbDatabase* db, AcDbObjectId& style, double& height);

}  // namespace platform::detail
