#include "plugin/arxutil/EllipseUtil.h"

#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbellipse.h"
#include "plugin/arxutil/ConvertUtil.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/arxutil/MathUtil.h"

namespace {

// The inscribed ellipse of a rectangle: centre, major axis and ratio; false for a flat rectangle.
bool RectangleEllipse(const AcGePoint2d& pt1, const AcGePoint2d& pt2, AcGePoint3d& center,
                      AcGeVector3d& major, double& ratio, bool& majorOnY) {
    const double dx = std::fabs(pt1.x - pt2.x);
    const double dy = std::fabs(pt1.y - pt2.y);
    // Received rectangles may be flat; a ratio of 0 (or 0/0) makes no ellipse.
    if (!(dx > 1e-9) || !(dy > 1e-9)) {
        return false;
    }
    center.set((pt1.x + pt2.x) / 2, (pt1.y + pt2.y) / 2, 0);
    majorOnY = !(dx > dy);
    if (majorOnY) {
        major.set(0, dy / 2, 0);
        ratio = dx / dy;
    } else {
        major.set(dx / 2, 0, 0);
        ratio = dy / dx;
    }
    return true;
}

}  // namespace

AcDbObjectId CEllipseUtil::Add(const AcGePoint3d& ptCenter, const AcGeVector3d& vecNormal,
                               const AcGeVector3d& majorAxis, double ratio, CEntityProperty prop,
                               double startAngle, double endAngle) {
    AcDbEllipse* pEllipse = new AcDbEllipse(ptCenter, vecNormal, majorAxis, ratio, startAngle, endAngle);
    if (pEllipse->isNull()) {
        delete pEllipse;
        return AcDbObjectId::kNull;
    }
    return CDwgDatabaseUtil::PostToModelSpace(pEllipse, prop,
                                              acdbHostApplicationServices()->workingDatabase());
}

AcDbObjectId CEllipseUtil::AddByRectangle(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                          CEntityProperty prop) {
    AcGePoint3d center;
    AcGeVector3d major;
    double ratio = 0;
    bool majorOnY = false;
    if (!RectangleEllipse(pt1, pt2, center, major, ratio, majorOnY)) {
        return AcDbObjectId::kNull;
    }
    return Add(center, AcGeVector3d(0, 0, 1), major, ratio, prop, 0, 6.283185307179586);
}

AcDbObjectId CEllipseUtil::AddArcByRectangle(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                             CEntityProperty prop, double startAngle, double endAngle) {
    AcGePoint3d center;
    AcGeVector3d major;
    double ratio = 0;
    bool majorOnY = false;
    if (!RectangleEllipse(pt1, pt2, center, major, ratio, majorOnY)) {
        return AcDbObjectId::kNull;
    }
    // Angles are measured from the major axis: on Y that is a quarter turn on from X.
    if (majorOnY) {
        startAngle -= CMathUtil::PI() / 2;
        endAngle -= CMathUtil::PI() / 2;
    }
    return Add(center, AcGeVector3d(0, 0, 1), major, ratio, prop, startAngle, endAngle);
}

AcGePoint2dArray CEllipseUtil::GetKeyPoints(AcDbObjectId entId) {
    AcGePoint2dArray points;
    AcDbObject* pObj = nullptr;
    if (acdbOpenObject(pObj, entId, AcDb::kForRead) != Acad::eOk) {
        return points;
    }
    if (AcDbEllipse* pEllipse = AcDbEllipse::cast(pObj)) {
        AcGePoint3d start, end;
        pEllipse->getStartPoint(start);
        pEllipse->getEndPoint(end);
        points.append(CConvertUtil::ToPoint2d(start));
        points.append(CConvertUtil::ToPoint2d(pEllipse->center()));
        points.append(CConvertUtil::ToPoint2d(end));
    }
    pObj->close();
    return points;
}
