// Lightweight polylines: from points, rectangles, regular polygons, circles and arcs of bulged segments;
// 3D polylines; and plane tests of points against a polyline (ray crossings, vertices).
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class AcDbPolyline;

class CPolylineUtil {
public:
    virtual ~CPolylineUtil() = default;

    // Every creation posts to the working database and returns the id; the null id when the geometry is
    // degenerate (see each) — nothing is created then — or posting failed.

    // An open polyline through the points (at least 2), each vertex with the width at both ends.
    static AcDbObjectId Add(const AcGePoint2dArray& points, CEntityProperty prop, double width = 0);
    static AcDbObjectId Add(const AcGePoint2d& ptStart, const AcGePoint2d& ptEnd, CEntityProperty prop,
                            double width = 0);
    // A simple open 3D polyline through the points (at least 2).
    static AcDbObjectId Add3dPolyline(const AcGePoint3dArray& points, CEntityProperty prop);
    // Closed, counter-clockwise from the lower left corner; a rectangle without width or height is refused.
    static AcDbObjectId AddRectangle(const AcGePoint2d& pt1, const AcGePoint2d& pt2, double width,
                                     CEntityProperty prop);
    // Closed, the first vertex on +X of the centre before the rotation about the centre; at least 3 sides
    // and a positive radius.
    static AcDbObjectId AddPolygon(const AcGePoint2d& ptCenter, int number, double radius, double rotation,
                                   double width, CEntityProperty prop);
    // Closed, two half-circle segments (bulge 1); a positive radius.
    static AcDbObjectId AddPolyCircle(const AcGePoint2d& ptCenter, double radius, double width,
                                      CEntityProperty prop);
    // One bulged segment from startAngle to endAngle counter-clockwise; a positive radius.
    static AcDbObjectId AddPolyArc(const AcGePoint2d& ptCenter, double radius, double startAngle,
                                   double endAngle, double width, CEntityProperty prop);

    // 1 inside, 0 on the boundary (within the tolerance), -1 outside. A ray through a vertex is turned by
    // 0.035 radians and cast again, at most a full turn round.
    static int PtRelationToPoly(const AcDbPolyline* pPoly, const AcGePoint2d& pt, double tol = 1.0E-7);
    // The crossings of the ray with the polyline's segments in segment order, each once (within the
    // tolerance), at the polyline's elevation. The output is replaced.
    static void IntersectWithGeRay(const AcDbPolyline* pPoly, const AcGeRay2d& geRay,
                                   AcGePoint3dArray& intPoints, double tol = 1.0E-7);
    static bool PointIsPolyVert(const AcDbPolyline* pPoly, const AcGePoint2d& pt, double tol);
};
