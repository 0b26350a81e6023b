#include "platform/arx/acge/gearc2d.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acge/geangle.h"
#include "platform/arx/acge/gelnsg2d.h"

namespace {

using platform::detail::kTwoPi;
using platform::detail::NormalizeAngle;
using platform::detail::SweepBetween;

double Cross(const AcGeVector2d& a, const AcGeVector2d& b) {
    return a.x * b.y - a.y * b.x;
}

}  // namespace

AcGeCircArc2d::AcGeCircArc2d(const AcGePoint2d& center, double radius) : m_center(center), m_radius(radius) {}

AcGeCircArc2d::AcGeCircArc2d(const AcGePoint2d& center, double radius, double startAngle, double endAngle,
                             const AcGeVector2d& refVec, bool isClockWise) {
    set(center, radius, startAngle, endAngle, refVec, isClockWise);
}

AcGeCircArc2d::AcGeCircArc2d(const AcGePoint2d& startPoint, const AcGePoint2d& point,
                             const AcGePoint2d& endPoint) {
    AcGe::ErrorCondition error;
    set(startPoint, point, endPoint, error);
}

AcGeCircArc2d& AcGeCircArc2d::set(const AcGePoint2d& center, double radius, double startAngle,
                                  double endAngle, const AcGeVector2d& refVec, bool isClockWise) {
    m_center = center;
    m_radius = radius;
    m_ref = refVec.isZeroLength() ? AcGeVector2d::kXAxis : refVec.normal();
    m_clockwise = isClockWise;
    return setAngles(startAngle, endAngle);
}

AcGeCircArc2d& AcGeCircArc2d::set(const AcGePoint2d& p1, const AcGePoint2d& p2, const AcGePoint2d& p3,
                                  AcGe::ErrorCondition& error) {
    // Centre from the perpendicular bisectors, worked relative to the start point to keep the digits of
    // large coordinates.
    const AcGeVector2d a = p2 - p1;
    const AcGeVector2d b = p3 - p1;
    const double cross = Cross(a, b);
    const double scale = a.length() * b.length();
    m_ref = AcGeVector2d::kXAxis;
    if (!(scale > 0.0) || !std::isfinite(cross) || std::fabs(cross) <= 1e-12 * scale) {
        error = AcGe::kDegenerateGeometry;
        m_center = p1;
        m_radius = 0.0;
        m_start = 0.0;
        m_sweep = kTwoPi;
        m_clockwise = false;
        return *this;
    }
    error = AcGe::kOk;
    const double d = 2.0 * cross;
    const AcGeVector2d offset((b.y * a.lengthSqrd() - a.y * b.lengthSqrd()) / d,
                              (a.x * b.lengthSqrd() - b.x * a.lengthSqrd()) / d);
    m_center = p1 + offset;
    m_radius = offset.length();
    // Turning left from the first chord to the second runs counter-clockwise.
    m_clockwise = cross < 0.0;
    const AcGeVector2d s = side();
    const AcGeVector2d u = p1 - m_center;
    const AcGeVector2d w = p3 - m_center;
    m_start = NormalizeAngle(std::atan2(u.dotProduct(s), u.dotProduct(m_ref)));
    m_sweep = SweepBetween(m_start, std::atan2(w.dotProduct(s), w.dotProduct(m_ref)));
    return *this;
}

AcGeCircArc2d& AcGeCircArc2d::setCenter(const AcGePoint2d& center) {
    m_center = center;
    return *this;
}

AcGeCircArc2d& AcGeCircArc2d::setRadius(double radius) {
    m_radius = radius;
    return *this;
}

AcGeCircArc2d& AcGeCircArc2d::setAngles(double startAngle, double endAngle) {
    m_start = NormalizeAngle(startAngle);
    m_sweep = SweepBetween(startAngle, endAngle);
    return *this;
}

AcGeCircArc2d& AcGeCircArc2d::setRefVec(const AcGeVector2d& refVec) {
    if (!refVec.isZeroLength()) {
        m_ref = refVec.normal();
    }
    return *this;
}

AcGeVector2d AcGeCircArc2d::side() const {
    const AcGeVector2d left = m_ref.perpVector();
    return m_clockwise ? -left : left;
}

AcGePoint2d AcGeCircArc2d::evalPoint(double param) const {
    return m_center + (m_ref * std::cos(param) + side() * std::sin(param)) * m_radius;
}

bool AcGeCircArc2d::isClosed(const AcGeTol&) const {
    return m_sweep >= kTwoPi;
}

bool AcGeCircArc2d::containsDirection(const AcGeVector2d& direction, double slackAngle) const {
    if (m_sweep >= kTwoPi) {
        return true;
    }
    const double angle =
        NormalizeAngle(std::atan2(direction.dotProduct(side()), direction.dotProduct(m_ref)));
    const double offset = NormalizeAngle(angle - m_start);
    // Near the start the offset may have wrapped to just below a full turn.
    return offset <= m_sweep + slackAngle || offset >= kTwoPi - slackAngle;
}

AcGePoint2d AcGeCircArc2d::closestPointTo(const AcGePoint2d& point) const {
    const AcGeVector2d direction = point - m_center;
    if (!direction.isZeroLength() && containsDirection(direction)) {
        return m_center + direction.normal() * m_radius;
    }
    const AcGePoint2d s = startPoint();
    const AcGePoint2d e = endPoint();
    return point.distanceTo(s) <= point.distanceTo(e) ? s : e;
}

bool AcGeCircArc2d::intersectWith(const AcGeLinearEnt2d& line, int& numInt, AcGePoint2d& p1, AcGePoint2d& p2,
                                  const AcGeTol& tol) const {
    numInt = 0;
    if (!(m_radius > 0.0)) {
        return false;
    }
    // |o + t d - c| = r, with d the line's unit direction so that t is a distance.
    const AcGeVector2d d = line.direction();
    const AcGePoint2d o = line.pointOnLine();
    const AcGeVector2d w = o - m_center;
    const double half = w.dotProduct(d);
    const double c = w.lengthSqrd() - m_radius * m_radius;
    double disc = half * half - c;
    const AcGePoint2d foot = o + d * (-half);
    const double distance = foot.distanceTo(m_center);
    double roots[2];
    int count = 0;
    if (std::fabs(distance - m_radius) <= tol.equalPoint()) {
        roots[count++] = -half;  // tangent within the tolerance
    } else if (disc > 0.0) {
        disc = std::sqrt(disc);
        roots[count++] = -half - disc;
        roots[count++] = -half + disc;
    }
    const double slackAngle = m_radius > 0.0 ? tol.equalPoint() / m_radius : 0.0;
    for (int i = 0; i < count; ++i) {
        const AcGePoint2d hit = o + d * roots[i];
        if (!line.isOn(hit, tol) || !containsDirection(hit - m_center, slackAngle)) {
            continue;
        }
        (numInt == 0 ? p1 : p2) = hit;
        ++numInt;
    }
    return numInt > 0;
}

AcGeEntity2d& AcGeCircArc2d::transformBy(const AcGeMatrix2d& xfm) {
    if (!xfm.isUniScaledOrtho()) {
        return *this;
    }
    m_center = xfm * m_center;
    m_radius *= xfm.scale();
    m_ref = (xfm * m_ref).normal();
    // A mirroring turns the direction of travel round.
    if (xfm.det() < 0.0) {
        m_clockwise = !m_clockwise;
    }
    return *this;
}

// Measured the other way round, the point at angle a is at -a.
AcGeCurve2d& AcGeCircArc2d::reverseParam() {
    m_clockwise = !m_clockwise;
    m_start = NormalizeAngle(-(m_start + m_sweep));
    return *this;
}

double AcGeCircArc2d::length(double fromParam, double toParam, double) const {
    return std::fabs(toParam - fromParam) * m_radius;
}
