// Angular dimensions between two lines, each given by two points; the arc passes through its own point.
#pragma once

#include "platform/arx/acdb/dbdim.h"

class AcDb2LineAngularDimension : public AcDbDimension {
    TARN_DB_DECLARE_MEMBERS(AcDb2LineAngularDimension)
public:
    AcDb2LineAngularDimension() : AcDbDimension(2, 5) {}
    AcDb2LineAngularDimension(const AcGePoint3d& xLine1Start, const AcGePoint3d& xLine1End,
                              const AcGePoint3d& xLine2Start, const AcGePoint3d& xLine2End,
                              const AcGePoint3d& arcPoint, const ACHAR* dimText = nullptr,
                              AcDbObjectId dimStyle = AcDbObjectId());

    AcGePoint3d xLine2End() const { return tarnPoint(0); }
    Acad::ErrorStatus setXLine2End(const AcGePoint3d& point) { return tarnSetPoint(0, point); }
    AcGePoint3d xLine1Start() const { return tarnPoint(1); }
    Acad::ErrorStatus setXLine1Start(const AcGePoint3d& point) { return tarnSetPoint(1, point); }
    AcGePoint3d xLine1End() const { return tarnPoint(2); }
    Acad::ErrorStatus setXLine1End(const AcGePoint3d& point) { return tarnSetPoint(2, point); }
    AcGePoint3d xLine2Start() const { return tarnPoint(3); }
    Acad::ErrorStatus setXLine2Start(const AcGePoint3d& point) { return tarnSetPoint(3, point); }
    AcGePoint3d arcPoint() const { return tarnPoint(4); }
    Acad::ErrorStatus setArcPoint(const AcGePoint3d& point) { return tarnSetPoint(4, point); }

protected:
    // The arc about the lines' crossing through the arc point, between the two lines on the side of the
    // arc point, and the angle in degrees ("%%d"); lines that do not cross show no arc and 0.
    void tarnDraw(platform::DimensionPicture& picture) const override;
};
