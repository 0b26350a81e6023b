#include "plugin/arxutil/LineUtil.h"

#include <cmath>

#include "platform/arx/acdb/dbline.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

AcDbObjectId CLineUtil::Add(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, CEntityProperty prop,
                            AcDbDatabase* pDb) {
    AcDbLine* pLine = new AcDbLine(ptStart, ptEnd);
    return CDwgDatabaseUtil::PostToModelSpace(pLine, prop, pDb);
}

bool CLineUtil::ThreePointIsCollinear(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                      const AcGePoint2d& pt3) {
    const double d = (pt1.x - pt2.x) * (pt1.y - pt3.y) - (pt1.x - pt3.x) * (pt1.y - pt2.y);
    return std::fabs(d) < 1.0E-5;
}

int CLineUtil::PtRelationToLine(const AcGePoint2d& ptStart, const AcGePoint2d& ptEnd, const AcGePoint2d& pt,
                                double tol) {
    return PtRelationToLine(ptStart.x, ptStart.y, ptEnd.x, ptEnd.y, pt.x, pt.y, tol);
}

int CLineUtil::PtRelationToLine(double xStart, double yStart, double xEnd, double yEnd, double x, double y,
                                double tol) {
    const double c = (xEnd - xStart) * (y - yStart) - (x - xStart) * (yEnd - yStart);
    if (std::fabs(c) < tol) {
        return 0;
    }
    return c > 0 ? 1 : -1;
}
