// Ellipse entities: a centre, a unit normal, a major axis (its length is the major radius, perpendicular to
// the normal) and the ratio of the minor radius to the major one (0 < ratio <= 1). The start and end are
// angles measured counter-clockwise about the normal from the major axis (startAngle in [0, 2pi), endAngle
// in (startAngle, startAngle + 2pi]; equal angles make the whole ellipse). Parameters are the ellipse's own
// t of centre + major cos t + minor sin t; they equal the angles only at multiples of pi/2.
#pragma once

#include "platform/arx/acdb/dbentity.h"

class AcDbEllipse : public AcDbCurve {
    TARN_DB_DECLARE_MEMBERS(AcDbEllipse)
public:
    AcDbEllipse() = default;
    // Invalid data (see set) leave a null ellipse.
    AcDbEllipse(const AcGePoint3d& center, const AcGeVector3d& unitNormal, const AcGeVector3d& majorAxis,
                double radiusRatio, double startAngle = 0.0, double endAngle = 6.283185307179586);

    // eInvalidInput (nothing changed) for a zero normal or major axis, a major axis not perpendicular to the
    // normal, a ratio outside (0, 1], or values that are not finite.
    Acad::ErrorStatus set(const AcGePoint3d& center, const AcGeVector3d& unitNormal,
                          const AcGeVector3d& majorAxis, double radiusRatio, double startAngle = 0.0,
                          double endAngle = 6.283185307179586);
    // No valid geometry yet (default-constructed, or built from invalid data).
    bool isNull() const { return m_major.isZeroLength(); }

    AcGePoint3d center() const { return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    AcGeVector3d normal() const { return m_normal; }
    AcGeVector3d majorAxis() const { return m_major; }
    AcGeVector3d minorAxis() const;
    double radiusRatio() const { return m_ratio; }
    double majorRadius() const { return m_major.length(); }
    double minorRadius() const { return m_major.length() * m_ratio; }
    double startAngle() const { return m_start; }
    double endAngle() const { return m_end; }
    Acad::ErrorStatus setStartAngle(double angle);
    Acad::ErrorStatus setEndAngle(double angle);
    double paramAtAngle(double angle) const;
    double angleAtParam(double param) const;

    bool isClosed() const override;
    bool isPeriodic() const override { return isClosed(); }
    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    // Any finite parameter (the ellipse repeats every 2pi).
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getParamAtPoint(const AcGePoint3d& point, double& param) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getParamAtDist(double dist, double& param) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                        bool extend = false) const override;
    Acad::ErrorStatus getArea(double& area) const override;

    // eCannotScaleNonUniformly for matrices that would change the shape.
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

private:
    // The end parameter, above the start one.
    double endParam() const;

    AcGePoint3d m_center{0.0, 0.0, 0.0};
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    AcGeVector3d m_major{0.0, 0.0, 0.0};
    double m_ratio = 1.0;
    double m_start = 0.0;
    double m_end = 6.283185307179586;
};
