// Angular dimensions by three points: the angle at the centre between two points; the arc passes through its
// own point.
#pragma once

#include "platform/arx/acdb/dbdim.h"

class AcDb3PointAngularDimension : public AcDbDimension {
    TARN_DB_DECLARE_MEMBERS(AcDb3PointAngularDimension)
public:
    AcDb3PointAngularDimension() : AcDbDimension(5, 4) {}
    AcDb3PointAngularDimension(const AcGePoint3d& centerPoint, const AcGePoint3d& xLine1Point,
                               const AcGePoint3d& xLine2Point, const AcGePoint3d& arcPoint,
                               const ACHAR* dimText = nullptr, AcDbObjectId dimStyle = AcDbObjectId());

    AcGePoint3d arcPoint() const { return tarnPoint(0); }
    Acad::ErrorStatus setArcPoint(const AcGePoint3d& point) { return tarnSetPoint(0, point); }
    AcGePoint3d xLine1Point() const { return tarnPoint(1); }
    Acad::ErrorStatus setXLine1Point(const AcGePoint3d& point) { return tarnSetPoint(1, point); }
    AcGePoint3d xLine2Point() const { return tarnPoint(2); }
    Acad::ErrorStatus setXLine2Point(const AcGePoint3d& point) { return tarnSetPoint(2, point); }
    AcGePoint3d centerPoint() const { return tarnPoint(3); }
    Acad::ErrorStatus setCenterPoint(const AcGePoint3d& point) { return tarnSetPoint(3, point); }

protected:
    // The arc about the centre through the arc point, from one point's side to the other's the way that
    // passes the arc point, and the angle in degrees ("%%d").
    void tarnDraw(platform::DimensionPicture& picture) const override;
};
