// Spline entities: NURBS data (degree, control points, knots, weights) in space, optionally built from fit
// points. Parameters are those of the knot vector. A spline whose data do not make a curve is null.
#pragma once

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acge/acge.h"

class AcDbSpline : public AcDbCurve {
    TARN_DB_DECLARE_MEMBERS(AcDbSpline)
public:
    AcDbSpline() = default;
    // Weights count only when rational (then one per control point).
    AcDbSpline(int degree, bool rational, bool closed, bool periodic, const AcGePoint3dArray& controlPoints,
               const AcGeDoubleArray& knots, const AcGeDoubleArray& weights, double controlPtTol = 0.0,
               double knotTol = 0.0);
    // A cubic through the fit points (at least 2, consecutive ones distinct), leaving along the start
    // tangent and arriving along the end tangent; a zero tangent takes the direction of the nearest chord.
    // The stand-in joins cubic pieces with matching tangents (the order and fit tolerance asked
    // for are not used).
    AcDbSpline(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
               const AcGeVector3d& endTangent, int order = 4, double fitTolerance = 0.0);

    Acad::ErrorStatus setNurbsData(int degree, bool rational, bool closed, bool periodic,
                                   const AcGePoint3dArray& controlPoints, const AcGeDoubleArray& knots,
                                   const AcGeDoubleArray& weights, double controlPtTol = 0.0,
                                   double knotTol = 0.0);
    Acad::ErrorStatus getNurbsData(int& degree, bool& rational, bool& closed, bool& periodic,
                                   AcGePoint3dArray& controlPoints, AcGeDoubleArray& knots,
                                   AcGeDoubleArray& weights, double& controlPtTol, double& knotTol) const;

    // True when the data make no curve: degree below 1, fewer control points than degree + 1, a knot count
    // other than control points + degree + 1, decreasing knots, an empty knot domain, or weights that are
    // not positive.
    bool isNull() const;
    int degree() const { return m_degree; }
    bool isRational() const { return m_rational; }
    int numControlPoints() const { return m_points.length(); }
    Acad::ErrorStatus getControlPointAt(int index, AcGePoint3d& point) const;
    int numKnots() const { return m_knots.length(); }
    double weightAt(int index) const;
    bool hasFitData() const { return !m_fitPoints.isEmpty(); }
    int numFitPoints() const { return m_fitPoints.length(); }
    Acad::ErrorStatus getFitPointAt(int index, AcGePoint3d& point) const;

    bool isClosed() const override;
    bool isPeriodic() const override { return m_periodic; }
    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getParamAtDist(double dist, double& param) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                        bool extend = false) const override;

    // Any affine matrix (it acts on the control points).
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    // The curve seen from above (x and y of the control points), for plane boundaries (stand-in
    // internals).
    AcGeNurbCurve2d tarnCurve2d() const;

private:
    AcGePoint3d evaluate(double param) const;
    double startParam() const;
    double endParam() const;

    int m_degree = 0;
    bool m_rational = false;
    bool m_closed = false;
    bool m_periodic = false;
    AcGePoint3dArray m_points;
    AcGeKnotVector m_knots;
    AcGeDoubleArray m_weights;
    double m_controlPtTol = 0.0;
    double m_knotTol = 0.0;
    AcGePoint3dArray m_fitPoints;
};
