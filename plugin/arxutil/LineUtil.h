// Lines: creation and two plane tests (three points on one line, the side of a point).
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class AcDbDatabase;

class CLineUtil {
public:
    virtual ~CLineUtil() = default;

    static AcDbObjectId Add(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, CEntityProperty prop,
                            AcDbDatabase* pDb);
    // |(x1 - x2)(y1 - y3) - (x1 - x3)(y1 - y2)| < 1e-5
    static bool ThreePointIsCollinear(const AcGePoint2d& pt1, const AcGePoint2d& pt2, const AcGePoint2d& pt3);
    // 0 on the line a-b (within the tolerance of the cross product), 1 left of a->b, -1 right.
    static int PtRelationToLine(const AcGePoint2d& ptStart, const AcGePoint2d& ptEnd, const AcGePoint2d& pt,
                                double tol = 1.0E-7);
    static int PtRelationToLine(double xStart, double yStart, double xEnd, double yEnd, double x, double y,
                                double tol = 1.0E-7);
};
