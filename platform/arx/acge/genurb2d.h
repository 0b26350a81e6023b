// Spline curves of the plane: the spline interface and the NURBS curve (clamped or not; a periodic flag is
// kept but the curve is evaluated over its knots as given). Evaluation is de Boor's, on homogeneous points
// for rational curves.
#pragma once

#include "platform/arx/acge/gecurv2d.h"

class AcGeSplineEnt2d : public AcGeCurve2d {
public:
    virtual int degree() const = 0;
    int order() const { return degree() + 1; }
    virtual bool isRational() const = 0;
    virtual int numKnots() const = 0;
    virtual double knotAt(int index) const = 0;
    virtual const AcGeKnotVector& knots() const = 0;
    virtual int numControlPoints() const = 0;
    virtual AcGePoint2d controlPointAt(int index) const = 0;
    double startParam() const;
    double endParam() const;
};

class AcGeNurbCurve2d : public AcGeSplineEnt2d {
public:
    AcGeNurbCurve2d() = default;
    AcGeNurbCurve2d(int degree, const AcGeKnotVector& knots, const AcGePoint2dArray& controlPoints,
                    bool isPeriodic = false);
    // Rational when the weights differ from 1; a weight array of another length than the control points is
    // ignored.
    AcGeNurbCurve2d(int degree, const AcGeKnotVector& knots, const AcGePoint2dArray& controlPoints,
                    const AcGeDoubleArray& weights, bool isPeriodic = false);

    // Sound data: degree 1 or more, at least degree + 1 control points, as many knots as control points plus
    // degree plus 1, knots never decreasing, a non-empty domain, positive finite weights.
    bool isValid() const;
    bool isPeriodic() const { return m_periodic; }
    double weightAt(int index) const;

    int degree() const override { return m_degree; }
    bool isRational() const override;
    int numKnots() const override { return m_knots.length(); }
    double knotAt(int index) const override { return m_knots[index]; }
    const AcGeKnotVector& knots() const override { return m_knots; }
    int numControlPoints() const override { return m_points.length(); }
    AcGePoint2d controlPointAt(int index) const override { return m_points[index]; }

    AcGe::EntityId type() const override { return AcGe::kNurbCurve2d; }
    AcGeEntity2d* copy() const override { return new AcGeNurbCurve2d(*this); }
    AcGeEntity2d& transformBy(const AcGeMatrix2d& xfm) override;
    // [knot(degree), knot(numControlPoints)]; an invalid curve has no bounds (no end points, no samples).
    void getInterval(AcGeInterval& range) const override;
    // The point at the parameter, clamped into the interval; the first control point (or the origin) of an
    // invalid curve.
    AcGePoint2d evalPoint(double param) const override;
    AcGeCurve2d& reverseParam() override;

private:
    int m_degree = 0;
    bool m_periodic = false;
    AcGeKnotVector m_knots;
    AcGePoint2dArray m_points;
    AcGeDoubleArray m_weights;  // empty: all 1
};
