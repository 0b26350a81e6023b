#include "plugin/arxutil/GePointUtil.h"

#include <cmath>

#include "plugin/arxutil/MathUtil.h"

AcGePoint3d CGePointUtil::GetMiddlePoint(const AcGePoint3d& a, const AcGePoint3d& b) {
    return AcGePoint3d((a.x + b.x) * 0.5, (a.y + b.y) * 0.5, (a.z + b.z) * 0.5);
}

AcGePoint2d CGePointUtil::GetMiddlePoint(const AcGePoint2d& a, const AcGePoint2d& b) {
    return AcGePoint2d((a.x + b.x) * 0.5, (a.y + b.y) * 0.5);
}

AcGePoint3d CGePointUtil::PolarPoint(const AcGePoint3d& base, double angle, double distance) {
    return AcGePoint3d(base.x + distance * std::cos(angle), base.y + distance * std::sin(angle), base.z);
}

AcGePoint2d CGePointUtil::PolarPoint(const AcGePoint2d& base, double angle, double distance) {
    return AcGePoint2d(base.x + distance * std::cos(angle), base.y + distance * std::sin(angle));
}

AcGePoint3d CGePointUtil::RelativePoint(const AcGePoint3d& base, double dx, double dy) {
    return AcGePoint3d(base.x + dx, base.y + dy, base.z);
}

bool CGePointUtil::IsEqual(const AcGePoint3d& a, const AcGePoint3d& b, double tol) {
    return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol && std::fabs(a.z - b.z) < tol;
}

bool CGePointUtil::IsEqual(const AcGePoint2d& a, const AcGePoint2d& b, double tol) {
    return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol;
}

int CGePointUtil::FindPoint(const AcGePoint3dArray& points, const AcGePoint3d& point, double tol) {
    for (int i = 0; i < points.length(); ++i) {
        if (IsEqual(points[i], point, tol)) {
            return i;
        }
    }
    return -1;
}

int CGePointUtil::FindPoint(const AcGePoint2dArray& points, const AcGePoint2d& point, double tol) {
    for (int i = 0; i < points.length(); ++i) {
        if (IsEqual(points[i], point, tol)) {
            return i;
        }
    }
    return -1;
}

void CGePointUtil::FilterEqualPoints(AcGePoint3dArray& points, double tol) {
    for (int i = 0; i < points.length(); ++i) {
        for (int j = i + 1; j < points.length();) {
            if (CMathUtil::IsEqual(points[i].x, points[j].x, tol) &&
                CMathUtil::IsEqual(points[i].y, points[j].y, tol)) {
                points.removeAt(j);
            } else {
                ++j;
            }
        }
    }
}

void CGePointUtil::FilterNearPoints(AcGePoint3dArray& points, const AcGePoint2d& center, double distance) {
    AcGePoint3dArray kept(points.length());
    for (int i = 0; i < points.length(); ++i) {
        const AcGePoint2d p(points[i].x, points[i].y);
        if (p.distanceTo(center) > distance) {
            kept.append(points[i]);
        }
    }
    points = kept;
}
