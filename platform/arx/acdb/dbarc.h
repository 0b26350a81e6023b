// Arc entities: counter-clockwise about the normal from the start angle to the end angle, both stored in
// [0, 2pi). Parameters are angles; the end parameter is the end angle, plus 2pi when it is below the start.
#pragma once

#include "platform/arx/acdb/dbentity.h"

class AcDbArc : public AcDbCurve {
    TARN_DB_DECLARE_MEMBERS(AcDbArc)
    TARN_DB_STATE(AcDbArc, AcDbCurve, m_center, m_normal, m_radius, m_start, m_end, m_thickness)
public:
    AcDbArc() = default;
    AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle);
    AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
            double endAngle);

    AcGePoint3d center() const { return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    double radius() const { return m_radius; }
    // eInvalidInput for a radius of zero or less.
    Acad::ErrorStatus setRadius(double radius);
    double startAngle() const { return m_start; }
    Acad::ErrorStatus setStartAngle(double angle);
    double endAngle() const { return m_end; }
    Acad::ErrorStatus setEndAngle(double angle);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double thickness() const { return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);

    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    // eInvalidInput outside [start, end] parameters.
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    // eInvalidInput outside [0, length] (a relative 1e-9 overshoot is taken as the end).
    Acad::ErrorStatus getParamAtDist(double dist, double& param) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                        bool extend = false) const override;

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    // The true extents: end points and the axis extremes the arc passes.
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

private:
    double sweep() const;

    AcGePoint3d m_center{0.0, 0.0, 0.0};
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    double m_radius = 0.0;
    double m_start = 0.0;
    double m_end = 0.0;
    double m_thickness = 0.0;
};
