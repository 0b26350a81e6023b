// Aligned dimensions: the distance between two extension-line points, measured along the line through them;
// the dimension line passes through its own point.
#pragma once

#include "platform/arx/acdb/dbdim.h"

class AcDbAlignedDimension : public AcDbDimension {
    TARN_DB_DECLARE_MEMBERS(AcDbAlignedDimension)
public:
    AcDbAlignedDimension() : AcDbDimension(1, 3) {}
    AcDbAlignedDimension(const AcGePoint3d& xLine1Point, const AcGePoint3d& xLine2Point,
                         const AcGePoint3d& dimLinePoint, const ACHAR* dimText = nullptr,
                         AcDbObjectId dimStyle = AcDbObjectId());

    AcGePoint3d dimLinePoint() const { return tarnPoint(0); }
    Acad::ErrorStatus setDimLinePoint(const AcGePoint3d& point) { return tarnSetPoint(0, point); }
    AcGePoint3d xLine1Point() const { return tarnPoint(1); }
    Acad::ErrorStatus setXLine1Point(const AcGePoint3d& point) { return tarnSetPoint(1, point); }
    AcGePoint3d xLine2Point() const { return tarnPoint(2); }
    Acad::ErrorStatus setXLine2Point(const AcGePoint3d& point) { return tarnSetPoint(2, point); }

    // Over the middle of the measured distance, on the dimension line.
    AcGePoint3d tarnDefaultTextPosition() const override;

protected:
    // The dimension line through its point, along the measured points.
    void tarnDraw(platform::DimensionPicture& picture) const override;
};
