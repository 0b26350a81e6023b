// Elliptical arcs of the plane: center + majorRadius cos(t) majorAxis + minorRadius sin(t) minorAxis. The
// angles startAng and endAng are these parameters t (equal to the geometric angle from the major axis only
// at multiples of pi/2). They satisfy 0 <= startAng < 2pi and startAng < endAng <= startAng + 2pi; equal
// angles make a full ellipse.
#pragma once

#include "platform/arx/acge/gecurv2d.h"

class AcGeEllipArc2d : public AcGeCurve2d {
public:
    AcGeEllipArc2d() = default;
    // The axes are made unit length; the minor axis should be perpendicular to the major one (a minor axis a
    // quarter turn clockwise from the major one makes a clockwise arc).
    AcGeEllipArc2d(const AcGePoint2d& center, const AcGeVector2d& majorAxis, const AcGeVector2d& minorAxis,
                   double majorRadius, double minorRadius, double startAngle = 0.0,
                   double endAngle = 6.283185307179586);

    AcGeEllipArc2d& set(const AcGePoint2d& center, const AcGeVector2d& majorAxis,
                        const AcGeVector2d& minorAxis, double majorRadius, double minorRadius,
                        double startAngle = 0.0, double endAngle = 6.283185307179586);
    AcGeEllipArc2d& setAngles(double startAngle, double endAngle);

    AcGePoint2d center() const { return m_center; }
    AcGeVector2d majorAxis() const { return m_major; }
    AcGeVector2d minorAxis() const { return m_minor; }
    double majorRadius() const { return m_majorRadius; }
    double minorRadius() const { return m_minorRadius; }
    double startAng() const { return m_start; }
    double endAng() const { return m_start + m_sweep; }
    bool isClockWise() const;
    AcGePoint2d startPoint() const { return evalPoint(startAng()); }
    AcGePoint2d endPoint() const { return evalPoint(endAng()); }

    AcGe::EntityId type() const override { return AcGe::kEllipArc2d; }
    AcGeEntity2d* copy() const override { return new AcGeEllipArc2d(*this); }
    AcGeEntity2d& transformBy(const AcGeMatrix2d& xfm) override;
    void getInterval(AcGeInterval& range) const override { range.set(startAng(), endAng()); }
    AcGePoint2d evalPoint(double param) const override;
    bool isClosed(const AcGeTol& tol = AcGeContext::gTol) const override;
    AcGeCurve2d& reverseParam() override;

private:
    AcGePoint2d m_center;
    AcGeVector2d m_major{1.0, 0.0};
    AcGeVector2d m_minor{0.0, 1.0};
    double m_majorRadius = 0.0;
    double m_minorRadius = 0.0;
    double m_start = 0.0;
    double m_sweep = 6.283185307179586;
};
