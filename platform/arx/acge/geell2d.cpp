#include "platform/arx/acge/geell2d.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

double Normalize(double angle) {
    if (!std::isfinite(angle)) {
        return 0.0;
    }
    double a = std::fmod(angle, kTwoPi);
    if (a < 0.0) {
        a += kTwoPi;
    }
    return a >= kTwoPi ? 0.0 : a;
}

}  // namespace

AcGeEllipArc2d::AcGeEllipArc2d(const AcGePoint2d& center, const AcGeVector2d& majorAxis,
                               const AcGeVector2d& minorAxis, double majorRadius, double minorRadius,
                               double startAngle, double endAngle) {
    set(center, majorAxis, minorAxis, majorRadius, minorRadius, startAngle, endAngle);
}

AcGeEllipArc2d& AcGeEllipArc2d::set(const AcGePoint2d& center, const AcGeVector2d& majorAxis,
                                    const AcGeVector2d& minorAxis, double majorRadius, double minorRadius,
                                    double startAngle, double endAngle) {
    m_center = center;
    m_major = majorAxis.isZeroLength() ? AcGeVector2d::kXAxis : majorAxis.normal();
    m_minor = minorAxis.isZeroLength() ? m_major.perpVector() : minorAxis.normal();
    m_majorRadius = majorRadius;
    m_minorRadius = minorRadius;
    return setAngles(startAngle, endAngle);
}

AcGeEllipArc2d& AcGeEllipArc2d::setAngles(double startAngle, double endAngle) {
    m_start = Normalize(startAngle);
    const double difference = endAngle - startAngle;
    if (!std::isfinite(difference) || difference >= kTwoPi) {
        m_sweep = kTwoPi;
    } else {
        m_sweep = Normalize(difference);
        if (m_sweep == 0.0) {
            m_sweep = kTwoPi;
        }
    }
    return *this;
}

bool AcGeEllipArc2d::isClockWise() const {
    return m_major.x * m_minor.y - m_major.y * m_minor.x < 0.0;
}

AcGePoint2d AcGeEllipArc2d::evalPoint(double param) const {
    return m_center + m_major * (m_majorRadius * std::cos(param)) +
           m_minor * (m_minorRadius * std::sin(param));
}

bool AcGeEllipArc2d::isClosed(const AcGeTol&) const {
    return m_sweep >= kTwoPi;
}

AcGeEntity2d& AcGeEllipArc2d::transformBy(const AcGeMatrix2d& xfm) {
    if (!xfm.isUniScaledOrtho()) {
        return *this;
    }
    const double scale = xfm.scale();
    m_center = xfm * m_center;
    m_major = (xfm * m_major).normal();
    m_minor = (xfm * m_minor).normal();
    m_majorRadius *= scale;
    m_minorRadius *= scale;
    return *this;
}

// With the minor axis turned round, the point at parameter t is at -t.
AcGeCurve2d& AcGeEllipArc2d::reverseParam() {
    m_minor.negate();
    m_start = Normalize(-(m_start + m_sweep));
    return *this;
}
