// Rotated dimensions: the distance between two extension-line points measured along a direction at the
// rotation angle.
#pragma once

#include "platform/arx/acdb/dbdim.h"

class AcDbRotatedDimension : public AcDbDimension {
    TARN_DB_DECLARE_MEMBERS(AcDbRotatedDimension)
public:
    AcDbRotatedDimension() : AcDbDimension(0, 3) {}
    AcDbRotatedDimension(double rotation, const AcGePoint3d& xLine1Point, const AcGePoint3d& xLine2Point,
                         const AcGePoint3d& dimLinePoint, const ACHAR* dimText = nullptr,
                         AcDbObjectId dimStyle = AcDbObjectId());

    AcGePoint3d dimLinePoint() const { return tarnPoint(0); }
    Acad::ErrorStatus setDimLinePoint(const AcGePoint3d& point) { return tarnSetPoint(0, point); }
    AcGePoint3d xLine1Point() const { return tarnPoint(1); }
    Acad::ErrorStatus setXLine1Point(const AcGePoint3d& point) { return tarnSetPoint(1, point); }
    AcGePoint3d xLine2Point() const { return tarnPoint(2); }
    Acad::ErrorStatus setXLine2Point(const AcGePoint3d& point) { return tarnSetPoint(2, point); }
    double rotation() const { return m_rotation; }
    Acad::ErrorStatus setRotation(double rotation);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;

protected:
    // The dimension line through its point at the rotation angle.
    void tarnDraw(platform::DimensionPicture& picture) const override;

private:
    double m_rotation = 0.0;
};
