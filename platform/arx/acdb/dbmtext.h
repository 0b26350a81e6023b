// Multi-line text entities. Contents carry format codes; text() gives the plain text with each paragraph
// break "\P" as "\r\n".
#pragma once

#include <string>

#include "platform/arx/acdb/dbentity.h"

class AcDbMText : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbMText)
    TARN_DB_STATE(AcDbMText, AcDbEntity, m_location, m_contents, m_height, m_width, m_rotation, m_attachment,
                  m_style, m_normal)
public:
    enum AttachmentPoint {
        kTopLeft = 1,
        kTopCenter = 2,
        kTopRight = 3,
        kMiddleLeft = 4,
        kMiddleCenter = 5,
        kMiddleRight = 6,
        kBottomLeft = 7,
        kBottomCenter = 8,
        kBottomRight = 9,
    };

    AcDbMText() = default;

    AcGePoint3d location() const { return m_location; }
    Acad::ErrorStatus setLocation(const AcGePoint3d& location);
    AcString contents() const { return AcString(m_contents); }
    // eInvalidInput for null.
    Acad::ErrorStatus setContents(const ACHAR* contents);
    // The contents without format codes; "\P" becomes "\r\n".
    AcString text() const;
    double textHeight() const { return m_height; }
    // eInvalidInput unless positive.
    Acad::ErrorStatus setTextHeight(double height);
    double width() const { return m_width; }
    // 0 means no wrapping; eInvalidInput below 0.
    Acad::ErrorStatus setWidth(double width);
    double rotation() const { return m_rotation; }
    Acad::ErrorStatus setRotation(double rotation);
    AttachmentPoint attachment() const { return m_attachment; }
    Acad::ErrorStatus setAttachment(AttachmentPoint attachment);
    AcDbObjectId textStyle() const { return m_style; }
    Acad::ErrorStatus setTextStyle(AcDbObjectId style);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    // An estimated box of the lines of text() placed by the attachment point.
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    void tarnBecameResident() override;

private:
    AcGePoint3d m_location{0.0, 0.0, 0.0};
    std::u16string m_contents;
    double m_height = 0.0;
    double m_width = 0.0;
    double m_rotation = 0.0;
    AttachmentPoint m_attachment = kTopLeft;
    AcDbObjectId m_style;
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
};

namespace platform::detail {

// The plain text of formatted contents.
std::u16string StripMTextCodes(std::u16string_view contents);

}  // namespace platform::detail
