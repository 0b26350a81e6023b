// Straight curves of the plane: the unbounded line, the segment and the ray (half-line). Each is
// origin + t * direction; a segment runs t = 0 to 1 from its start to its end, a ray t >= 0.
#pragma once

#include "platform/arx/acge/gecurv2d.h"

class AcGeLinearEnt2d : public AcGeCurve2d {
public:
    AcGePoint2d pointOnLine() const { return m_origin; }
    // The unit direction.
    AcGeVector2d direction() const { return m_direction.normal(); }
    AcGePoint2d evalPoint(double param) const override { return m_origin + m_direction * param; }

    bool isParallelTo(const AcGeLinearEnt2d& other, const AcGeTol& tol = AcGeContext::gTol) const;
    // The one crossing point of two straight curves, each within its own bounds (widened by the tolerance's
    // equal-point distance). Parallel curves, overlapping ones included, give false.
    bool intersectWith(const AcGeLinearEnt2d& other, AcGePoint2d& intPnt,
                       const AcGeTol& tol = AcGeContext::gTol) const;
    // Whether the point lies on the curve within the tolerance.
    bool isOn(const AcGePoint2d& point, const AcGeTol& tol = AcGeContext::gTol) const;
    // The point of the curve nearest to the given one.
    AcGePoint2d closestPointTo(const AcGePoint2d& point) const;
    // The parameter of the point's projection onto the carrying line.
    double paramOf(const AcGePoint2d& point) const;

    AcGeEntity2d& transformBy(const AcGeMatrix2d& xfm) override;

protected:
    AcGeLinearEnt2d() = default;
    AcGeLinearEnt2d(const AcGePoint2d& origin, const AcGeVector2d& direction)
        : m_origin(origin), m_direction(direction) {}

    AcGePoint2d m_origin;
    AcGeVector2d m_direction{1.0, 0.0};
};

class AcGeLine2d : public AcGeLinearEnt2d {
public:
    AcGeLine2d() = default;
    AcGeLine2d(const AcGePoint2d& point, const AcGeVector2d& vector) : AcGeLinearEnt2d(point, vector) {}
    AcGeLine2d(const AcGePoint2d& point1, const AcGePoint2d& point2)
        : AcGeLinearEnt2d(point1, point2 - point1) {}

    AcGe::EntityId type() const override { return AcGe::kLine2d; }
    AcGeEntity2d* copy() const override { return new AcGeLine2d(*this); }
    void getInterval(AcGeInterval& range) const override { range.setUnbounded(); }
    AcGeCurve2d& reverseParam() override;
};

class AcGeLineSeg2d : public AcGeLinearEnt2d {
public:
    AcGeLineSeg2d() = default;
    AcGeLineSeg2d(const AcGePoint2d& start, const AcGePoint2d& end) : AcGeLinearEnt2d(start, end - start) {}

    AcGeLineSeg2d& set(const AcGePoint2d& start, const AcGePoint2d& end);
    AcGePoint2d startPoint() const { return m_origin; }
    AcGePoint2d endPoint() const { return m_origin + m_direction; }
    AcGePoint2d midPoint() const { return m_origin + m_direction * 0.5; }
    double length() const { return m_direction.length(); }
    using AcGeCurve2d::length;

    AcGe::EntityId type() const override { return AcGe::kLineSeg2d; }
    AcGeEntity2d* copy() const override { return new AcGeLineSeg2d(*this); }
    void getInterval(AcGeInterval& range) const override { range.set(0.0, 1.0); }
    AcGeCurve2d& reverseParam() override;
    double length(double fromParam, double toParam, double tol = 1e-9) const override;
};

class AcGeRay2d : public AcGeLinearEnt2d {
public:
    AcGeRay2d() = default;
    AcGeRay2d(const AcGePoint2d& origin, const AcGeVector2d& direction)
        : AcGeLinearEnt2d(origin, direction) {}
    AcGeRay2d(const AcGePoint2d& origin, const AcGePoint2d& through)
        : AcGeLinearEnt2d(origin, through - origin) {}

    AcGeRay2d& set(const AcGePoint2d& origin, const AcGeVector2d& direction);

    AcGe::EntityId type() const override { return AcGe::kRay2d; }
    AcGeEntity2d* copy() const override { return new AcGeRay2d(*this); }
    void getInterval(AcGeInterval& range) const override { range.setLowerOnly(0.0); }
    // A half-line cannot run the other way and stay the same set of points: left unchanged.
    AcGeCurve2d& reverseParam() override { return *this; }
};
