// Circular arcs of the plane. The parameter is the angle, measured from the reference vector (the X axis
// unless set) in the arc's own direction: counter-clockwise, or clockwise for a clockwise arc. The angles
// always satisfy 0 <= startAng < 2pi and startAng < endAng <= startAng + 2pi; equal angles make a full
// circle.
#pragma once

#include "platform/arx/acge/gecurv2d.h"

class AcGeLinearEnt2d;

class AcGeCircArc2d : public AcGeCurve2d {
public:
    AcGeCircArc2d() = default;
    AcGeCircArc2d(const AcGePoint2d& center, double radius);  // a full circle
    AcGeCircArc2d(const AcGePoint2d& center, double radius, double startAngle, double endAngle,
                  const AcGeVector2d& refVec = AcGeVector2d::kXAxis, bool isClockWise = false);
    // The arc from the start point through the second point to the end point. Three points on one line (or
    // coincident ones) make no circle: the arc is then degenerate, radius 0 at the start point.
    AcGeCircArc2d(const AcGePoint2d& startPoint, const AcGePoint2d& point, const AcGePoint2d& endPoint);

    // As the three-point constructor; error says kDegenerateGeometry for points on one line.
    AcGeCircArc2d& set(const AcGePoint2d& startPoint, const AcGePoint2d& point, const AcGePoint2d& endPoint,
                       AcGe::ErrorCondition& error);
    AcGeCircArc2d& set(const AcGePoint2d& center, double radius, double startAngle, double endAngle,
                       const AcGeVector2d& refVec = AcGeVector2d::kXAxis, bool isClockWise = false);

    AcGePoint2d center() const { return m_center; }
    double radius() const { return m_radius; }
    double startAng() const { return m_start; }
    double endAng() const { return m_start + m_sweep; }
    AcGeVector2d refVec() const { return m_ref; }
    bool isClockWise() const { return m_clockwise; }
    AcGePoint2d startPoint() const { return evalPoint(startAng()); }
    AcGePoint2d endPoint() const { return evalPoint(endAng()); }
    AcGeCircArc2d& setCenter(const AcGePoint2d& center);
    AcGeCircArc2d& setRadius(double radius);
    AcGeCircArc2d& setAngles(double startAngle, double endAngle);
    AcGeCircArc2d& setRefVec(const AcGeVector2d& refVec);

    // The crossings with a straight curve, each on both curves within the tolerance: numInt is 0, 1 (also
    // for a tangent) or 2, in the order of the straight curve's parameter. True when there is one.
    bool intersectWith(const AcGeLinearEnt2d& line, int& numInt, AcGePoint2d& p1, AcGePoint2d& p2,
                       const AcGeTol& tol = AcGeContext::gTol) const;
    // Whether the angle (a direction from the centre, counter-clockwise from +X) lies on the arc.
    bool containsDirection(const AcGeVector2d& direction, double slackAngle = 0.0) const;
    // The point of the arc nearest to the given one.
    AcGePoint2d closestPointTo(const AcGePoint2d& point) const;

    AcGe::EntityId type() const override { return AcGe::kCircArc2d; }
    AcGeEntity2d* copy() const override { return new AcGeCircArc2d(*this); }
    AcGeEntity2d& transformBy(const AcGeMatrix2d& xfm) override;
    void getInterval(AcGeInterval& range) const override { range.set(startAng(), endAng()); }
    AcGePoint2d evalPoint(double param) const override;
    bool isClosed(const AcGeTol& tol = AcGeContext::gTol) const override;
    AcGeCurve2d& reverseParam() override;
    double length(double fromParam, double toParam, double tol = 1e-9) const override;

private:
    // The unit vector a quarter turn from the reference in the arc's direction.
    AcGeVector2d side() const;

    AcGePoint2d m_center;
    double m_radius = 0.0;
    double m_start = 0.0;
    double m_sweep = 6.283185307179586;
    AcGeVector2d m_ref{1.0, 0.0};
    bool m_clockwise = false;
};
