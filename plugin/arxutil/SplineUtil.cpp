#include "plugin/arxutil/SplineUtil.h"

#include <algorithm>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbspline.h"
#include "plugin/arxutil/ArcUtil.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

namespace {

AcDbObjectId PostSpline(AcDbSpline* pSpline, const CEntityProperty& prop) {
    if (pSpline->isNull()) {
        delete pSpline;
        return AcDbObjectId::kNull;
    }
    return CDwgDatabaseUtil::PostToModelSpace(pSpline, prop,
                                              acdbHostApplicationServices()->workingDatabase());
}

}  // namespace

// With no more points than the order, the knots n zeros and n ones make a Bezier curve of degree n - 1.
// Beyond that: order zeros, the inner knots 1, 2, ..., and order copies of the last (0,0,0,0,1,2,2,2,2 for
// five points of order 4).
AcGeDoubleArray CSplineUtil::ClampedKnots(int n, int order) {
    AcGeDoubleArray knots;
    if (n <= order) {
        for (int j = 0; j < 2 * n; ++j) {
            knots.append(j < n ? 0.0 : 1.0);
        }
        return knots;
    }
    for (int j = 0; j < n + order; ++j) {
        knots.append(j < order ? 0.0 : (j <= n - 1 ? j - order + 1 : n - order + 1));
    }
    return knots;
}

AcDbObjectId CSplineUtil::Add(const AcGePoint3dArray& points, CEntityProperty prop, int order) {
    const int n = points.length();
    if (n <= 1 || order < 2) {
        return AcDbObjectId::kNull;
    }
    // Two or three points with order 4 would need degree 3 from too few points; their Bezier curve of
    // lower degree keeps the received track instead of losing it.
    const int degree = std::min(order, n) - 1;
    AcGeDoubleArray weights;
    for (int i = 0; i < n; ++i) {
        weights.append(1.0);
    }
    AcDbSpline* pSpline =
        new AcDbSpline(degree, false, false, false, points, ClampedKnots(n, order), weights, 0, 0);
    return PostSpline(pSpline, prop);
}

AcDbObjectId CSplineUtil::Add(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                              const AcGeVector3d& endTangent, CEntityProperty prop, int order,
                              double fitTolerance) {
    return PostSpline(new AcDbSpline(fitPoints, startTangent, endTangent, order, fitTolerance), prop);
}

void CSplineUtil::GetSamplePoints(const AcGeSplineEnt2d& spline, AcGePoint3dArray& points, bool bLastEdge) {
    const int before = points.length();
    arxutil::AppendSamples(spline, spline.numControlPoints() * 30, points);
    if (!bLastEdge && points.length() > before) {
        points.removeLast();
    }
}
