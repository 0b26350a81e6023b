#include "plugin/arxutil/GeRectangleUtil.h"

#include <algorithm>

bool CGeRectangleUtil::IntersectWithRectangle(const AcGePoint2d& rect1Point1, const AcGePoint2d& rect1Point2,
                                              const AcGePoint2d& rect2Point1,
                                              const AcGePoint2d& rect2Point2) {
    const double tol = 1.0E-7;
    const double minX1 = std::min(rect1Point1.x, rect1Point2.x);
    const double maxX1 = std::max(rect1Point1.x, rect1Point2.x);
    const double minY1 = std::min(rect1Point1.y, rect1Point2.y);
    const double maxY1 = std::max(rect1Point1.y, rect1Point2.y);
    const double minX2 = std::min(rect2Point1.x, rect2Point2.x);
    const double maxX2 = std::max(rect2Point1.x, rect2Point2.x);
    const double minY2 = std::min(rect2Point1.y, rect2Point2.y);
    const double maxY2 = std::max(rect2Point1.y, rect2Point2.y);
    if (minX1 > maxX2 + tol || minX2 > maxX1 + tol) {
        return false;
    }
    if (minY1 > maxY2 + tol || minY2 > maxY1 + tol) {
        return false;
    }
    return true;
}
