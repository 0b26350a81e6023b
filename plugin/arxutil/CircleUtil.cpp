#include "plugin/arxutil/CircleUtil.h"

#include <cmath>

#include "platform/arx/acdb/dbcircle.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/mfc/msgbox.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

AcDbObjectId CCircleUtil::Add(const AcGePoint3d& ptCenter, const AcGeVector3d& vec, double radius,
                              CEntityProperty prop, AcDbDatabase* pDb) {
    // A point-sized circle is no circle: refuse it rather than post degenerate geometry.
    if (!(radius > 1e-9) || !std::isfinite(radius)) {
        return AcDbObjectId::kNull;
    }
    AcDbCircle* pCircle = new AcDbCircle(ptCenter, vec, radius);
    return CDwgDatabaseUtil::PostToModelSpace(pCircle, prop, pDb);
}

AcDbObjectId CCircleUtil::Add(const AcGePoint3d& ptCenter, double radius, CEntityProperty prop,
                              AcDbDatabase* pDb) {
    return Add(ptCenter, AcGeVector3d(0, 0, 1), radius, prop, pDb);
}

AcDbObjectId CCircleUtil::Add(const AcGePoint2d& pt1, const AcGePoint2d& pt2, CEntityProperty prop) {
    const AcGePoint3d ptCenter((pt1.x + pt2.x) / 2, (pt1.y + pt2.y) / 2, 0);
    const double radius = ptCenter.distanceTo(AcGePoint3d(pt1.x, pt1.y, 0));
    return Add(ptCenter, radius, prop, acdbHostApplicationServices()->workingDatabase());
}

AcDbObjectId CCircleUtil::Add(const AcGePoint3d& pt1, const AcGePoint3d& pt2, const AcGePoint3d& pt3,
                              CEntityProperty prop) {
    const double x1 = pt1.x, y1 = pt1.y, x2 = pt2.x, y2 = pt2.y, x3 = pt3.x, y3 = pt3.y;
    const double s1 = x1 * x1 + y1 * y1;
    const double b = s1 - x2 * x2 - y2 * y2;
    const double c = s1 - x3 * x3 - y3 * y3;
    const double d = (x1 - x2) * (y1 - y3) - (x1 - x3) * (y1 - y2);
    if (!(std::fabs(d) >= 1e-6)) {
        AfxMessageBox(_T("所输入的参数无法创建圆形！"), MB_OK);
        return AcDbObjectId::kNull;
    }
    const AcGePoint3d ptCenter((b * (y1 - y3) - c * (y1 - y2)) / (2 * d),
                               (c * (x1 - x2) - b * (x1 - x3)) / (2 * d), 0);
    const double radius = ptCenter.distanceTo(AcGePoint3d(x1, y1, 0));
    if (radius < 1e-6) {
        AfxMessageBox(_T("半径过小！"), MB_OK);
        return AcDbObjectId::kNull;
    }
    return Add(ptCenter, radius, prop, acdbHostApplicationServices()->workingDatabase());
}
