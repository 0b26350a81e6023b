// Curves of the plane: the entity and curve bases with parameter intervals, evaluation and sampling.
#pragma once

#include "platform/arx/acge/gearrays.h"
#include "platform/arx/acge/gemat2d.h"

namespace AcGe {

// The geometry classes, for type() and isKindOf().
enum EntityId {
    kEntity2d,
    kCurve2d,
    kLinearEnt2d,
    kLine2d,
    kLineSeg2d,
    kRay2d,
    kCircArc2d,
    kEllipArc2d,
    kSplineEnt2d,
    kNurbCurve2d
};

}  // namespace AcGe

// A parameter range; either end may be open (a ray has no upper bound, a line neither).
class AcGeInterval {
public:
    AcGeInterval() = default;  // unbounded both ways
    AcGeInterval(double lower, double upper) { set(lower, upper); }

    void set(double lower, double upper) {
        m_lower = lower;
        m_upper = upper;
        m_boundedBelow = m_boundedAbove = true;
    }
    void setLowerOnly(double lower) {
        m_lower = lower;
        m_boundedBelow = true;
        m_boundedAbove = false;
    }
    void setUnbounded() { m_boundedBelow = m_boundedAbove = false; }
    double lowerBound() const { return m_lower; }
    double upperBound() const { return m_upper; }
    bool isBoundedBelow() const { return m_boundedBelow; }
    bool isBoundedAbove() const { return m_boundedAbove; }
    bool isBounded() const { return m_boundedBelow && m_boundedAbove; }
    double length() const { return m_upper - m_lower; }
    // Within the bounds, each widened by the slack.
    bool contains(double value, double slack = 0.0) const {
        return (!m_boundedBelow || value >= m_lower - slack) && (!m_boundedAbove || value <= m_upper + slack);
    }

private:
    double m_lower = 0.0;
    double m_upper = 0.0;
    bool m_boundedBelow = false;
    bool m_boundedAbove = false;
};

class AcGeEntity2d {
public:
    virtual ~AcGeEntity2d() = default;

    virtual AcGe::EntityId type() const = 0;
    // Whether the class is the one named or derives from it.
    bool isKindOf(AcGe::EntityId entityType) const;
    // A new copy the caller deletes.
    virtual AcGeEntity2d* copy() const = 0;
    // Circular and elliptical arcs need a rotation with one scale factor (possibly mirrored); they are left
    // unchanged by any other matrix.
    virtual AcGeEntity2d& transformBy(const AcGeMatrix2d& xfm) = 0;
};

class AcGeCurve2d : public AcGeEntity2d {
public:
    virtual void getInterval(AcGeInterval& range) const = 0;
    virtual AcGePoint2d evalPoint(double param) const = 0;
    // The end points of a curve bounded at that end.
    bool hasStartPoint(AcGePoint2d& point) const;
    bool hasEndPoint(AcGePoint2d& point) const;
    // A bounded curve whose end meets its start.
    virtual bool isClosed(const AcGeTol& tol = AcGeContext::gTol) const;
    // Runs the curve the other way round (same points, parameters changed).
    virtual AcGeCurve2d& reverseParam() = 0;
    // The arc length between two parameters (numeric in general, exact for lines and circular arcs).
    virtual double length(double fromParam, double toParam, double tol = 1e-9) const;

    // numSample points evenly spaced in parameter from the start to the end, both included. The array is
    // cleared first. One sample gives the start point, zero or fewer nothing, an unbounded curve nothing.
    void getSamplePoints(int numSample, AcGePoint2dArray& pointArray) const;
};
