// Circle entities. Parameters are angles in radians from the plane's X axis (arbitrary-axis rule).
#pragma once

#include "platform/arx/acdb/dbentity.h"

class AcDbCircle : public AcDbCurve {
    TARN_DB_DECLARE_MEMBERS(AcDbCircle)
    TARN_DB_STATE(AcDbCircle, AcDbCurve, m_center, m_normal, m_radius, m_thickness)
public:
    AcDbCircle() = default;
    // A radius of zero or less makes a circle that appends but measures nothing (extents fail).
    AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius);

    AcGePoint3d center() const { return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    double radius() const { return m_radius; }
    // eInvalidInput for a radius of zero or less (or not finite).
    Acad::ErrorStatus setRadius(double radius);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double thickness() const { return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);

    bool isClosed() const override { return true; }
    bool isPeriodic() const override { return true; }
    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getParamAtDist(double dist, double& param) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                        bool extend = false) const override;
    Acad::ErrorStatus getArea(double& area) const override;

    // eCannotScaleNonUniformly for matrices that would make an ellipse.
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

private:
    AcGePoint3d m_center{0.0, 0.0, 0.0};
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    double m_radius = 0.0;
    double m_thickness = 0.0;
};
