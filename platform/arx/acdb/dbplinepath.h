// Geometry shared by the polyline, hatch and region classes (internal): bulged segments, the extents of
// plane curves, and a run of straight and bulged segments in a plane.
#pragma once

#include <memory>
#include <vector>

#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acge/acge.h"

namespace platform::detail {

// The arc from p1 to p2 whose bulge is the tangent of a quarter of its included angle (positive
// counter-clockwise, so a negative bulge gives a clockwise arc). False for a bulge of 0 (or not finite) and
// for coincident points.
bool BulgeArc(const AcGePoint2d& p1, const AcGePoint2d& p2, double bulge, AcGeCircArc2d& arc);

// Adds the true extents of a plane curve lying at height z of the plane whose frame toWorld gives: the end
// points and, for arcs and elliptical arcs, every axis extreme on the sweep; splines by dense samples.
void AddCurveExtents(const AcGeCurve2d& curve, const AcGeMatrix3d& toWorld, double z, AcDbExtents& box);

// The parameter of a direction from an arc's centre, in [startAng, startAng + 2pi).
double ArcParamOf(const AcGeCircArc2d& arc, const AcGeVector2d& direction);

// Straight and bulged segments through vertices in the plane of a normal at an elevation. Segment i runs
// from vertex i to vertex i + 1 (the last back to the first when closed); vertex i sits at parameter i and
// along an arc the parameter grows with the angle.
struct PlinePath {
    std::vector<AcGePoint2d> points;
    std::vector<double> bulges;  // one per vertex; missing ones count as 0
    bool closed = false;
    double elevation = 0.0;
    AcGeVector3d normal{0.0, 0.0, 1.0};

    int numVerts() const { return static_cast<int>(points.size()); }
    int numSegments() const;
    double bulgeAt(int i) const { return i >= 0 && i < static_cast<int>(bulges.size()) ? bulges[i] : 0.0; }
    AcGePoint2d segmentEnd(int i) const { return points[(i + 1) % points.size()]; }
    bool isArc(int i) const;
    bool arcSeg(int i, AcGeCircArc2d& arc) const;
    double segmentLength(int i) const;
    double length() const;
    AcGePoint2d pointAt(double param) const;
    double distAtParam(double param) const;
    double paramAtDist(double dist) const;
    // The parameter of the path's point nearest to a point of the plane.
    double closestParam(const AcGePoint2d& point) const;
    AcGePoint3d toWorld(const AcGePoint2d& point) const;
    AcGePoint2d toPlane(const AcGePoint3d& point) const;
    void addExtents(AcDbExtents& box) const;
    // The enclosed area, counter-clockwise positive, as if closed.
    double signedArea() const;
    // The pieces of the path as plane curves (lines and arcs; coincident vertices give none).
    void appendPieces(std::vector<std::unique_ptr<AcGeCurve2d>>& pieces) const;
};

}  // namespace platform::detail
