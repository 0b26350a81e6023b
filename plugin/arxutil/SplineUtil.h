// Splines: from control points, from fit points, and sampling of plane splines.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class CSplineUtil {
public:
    virtual ~CSplineUtil() = default;

    // A non-rational open spline through the control points, into the working database: of degree
    // order - 1 clamped at both ends, or a Bezier curve of degree n - 1 when there are n <= order points.
    // The null id for fewer than 2 points, an order below 2, or data the host refuses.
    static AcDbObjectId Add(const AcGePoint3dArray& points, CEntityProperty prop, int order = 4);
    // Through the fit points with the end tangents; the null id when the host makes no spline of them.
    static AcDbObjectId Add(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                            const AcGeVector3d& endTangent, CEntityProperty prop, int order = 4,
                            double fitTolerance = 0.0);
    // 30 samples per control point, z 0; the last is left out unless this is the last edge of its loop.
    static void GetSamplePoints(const AcGeSplineEnt2d& spline, AcGePoint3dArray& points, bool bLastEdge);

    // The knots of a clamped spline of that order through n control points (see Add).
    static AcGeDoubleArray ClampedKnots(int n, int order);
};
