#include "platform/arx/acge/geell2d.h"

#include <cmath>

#include "platform/arx/acge/geangle.h"

using platform::detail::kTwoPi;
using platform::detail::NormalizeAngle;

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
    m_start = NormalizeAngle(startAngle);
    m_sweep = platform::detail::SweepBetween(startAngle, endAngle);
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
    m_start = NormalizeAngle(-(m_start + m_sweep));
    return *this;
}
