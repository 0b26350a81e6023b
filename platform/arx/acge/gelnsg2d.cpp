#include "platform/arx/acge/gelnsg2d.h"

#include <cmath>

namespace {

double Cross(const AcGeVector2d& a, const AcGeVector2d& b) {
    return a.x * b.y - a.y * b.x;
}

}  // namespace

bool AcGeLinearEnt2d::isParallelTo(const AcGeLinearEnt2d& other, const AcGeTol& tol) const {
    return m_direction.isParallelTo(other.m_direction, tol);
}

bool AcGeLinearEnt2d::intersectWith(const AcGeLinearEnt2d& other, AcGePoint2d& intPnt,
                                    const AcGeTol& tol) const {
    const AcGeVector2d& d1 = m_direction;
    const AcGeVector2d& d2 = other.m_direction;
    const double l1 = d1.length();
    const double l2 = d2.length();
    const double cross = Cross(d1, d2);
    if (l1 == 0.0 || l2 == 0.0 || std::fabs(cross) <= tol.equalVector() * l1 * l2) {
        return false;
    }
    const AcGeVector2d w = other.m_origin - m_origin;
    const double t = Cross(w, d2) / cross;
    const double s = Cross(w, d1) / cross;
    AcGeInterval mine, theirs;
    getInterval(mine);
    other.getInterval(theirs);
    // The slack is a distance, turned into each curve's parameter units.
    if (!mine.contains(t, tol.equalPoint() / l1) || !theirs.contains(s, tol.equalPoint() / l2)) {
        return false;
    }
    intPnt = evalPoint(t);
    return true;
}

double AcGeLinearEnt2d::paramOf(const AcGePoint2d& point) const {
    const double squared = m_direction.lengthSqrd();
    return squared > 0.0 ? (point - m_origin).dotProduct(m_direction) / squared : 0.0;
}

AcGePoint2d AcGeLinearEnt2d::closestPointTo(const AcGePoint2d& point) const {
    double t = paramOf(point);
    AcGeInterval range;
    getInterval(range);
    if (range.isBoundedBelow() && t < range.lowerBound()) {
        t = range.lowerBound();
    }
    if (range.isBoundedAbove() && t > range.upperBound()) {
        t = range.upperBound();
    }
    return evalPoint(t);
}

bool AcGeLinearEnt2d::isOn(const AcGePoint2d& point, const AcGeTol& tol) const {
    return closestPointTo(point).distanceTo(point) <= tol.equalPoint();
}

AcGeEntity2d& AcGeLinearEnt2d::transformBy(const AcGeMatrix2d& xfm) {
    m_origin = xfm * m_origin;
    m_direction = xfm * m_direction;
    return *this;
}

AcGeCurve2d& AcGeLine2d::reverseParam() {
    m_direction.negate();
    return *this;
}

AcGeLineSeg2d& AcGeLineSeg2d::set(const AcGePoint2d& start, const AcGePoint2d& end) {
    m_origin = start;
    m_direction = end - start;
    return *this;
}

AcGeCurve2d& AcGeLineSeg2d::reverseParam() {
    m_origin = endPoint();
    m_direction.negate();
    return *this;
}

double AcGeLineSeg2d::length(double fromParam, double toParam, double) const {
    return std::fabs(toParam - fromParam) * m_direction.length();
}

AcGeRay2d& AcGeRay2d::set(const AcGePoint2d& origin, const AcGeVector2d& direction) {
    m_origin = origin;
    m_direction = direction;
    return *this;
}
