#include "platform/arx/acge/genurb2d.h"

#include <algorithm>
#include <cmath>
#include <vector>

double AcGeSplineEnt2d::startParam() const {
    AcGeInterval range;
    getInterval(range);
    return range.lowerBound();
}

double AcGeSplineEnt2d::endParam() const {
    AcGeInterval range;
    getInterval(range);
    return range.upperBound();
}

AcGeNurbCurve2d::AcGeNurbCurve2d(int degree, const AcGeKnotVector& knots,
                                 const AcGePoint2dArray& controlPoints, bool isPeriodic)
    : m_degree(degree), m_periodic(isPeriodic), m_knots(knots), m_points(controlPoints) {}

AcGeNurbCurve2d::AcGeNurbCurve2d(int degree, const AcGeKnotVector& knots,
                                 const AcGePoint2dArray& controlPoints, const AcGeDoubleArray& weights,
                                 bool isPeriodic)
    : AcGeNurbCurve2d(degree, knots, controlPoints, isPeriodic) {
    if (weights.length() == controlPoints.length()) {
        m_weights = weights;
    }
}

bool AcGeNurbCurve2d::isValid() const {
    const int n = m_points.length();
    if (m_degree < 1 || n < m_degree + 1 || m_knots.length() != n + m_degree + 1) {
        return false;
    }
    for (int i = 1; i < m_knots.length(); ++i) {
        if (!std::isfinite(m_knots[i]) || m_knots[i] < m_knots[i - 1]) {
            return false;
        }
    }
    for (double w : m_weights) {
        if (!(w > 0.0) || !std::isfinite(w)) {
            return false;
        }
    }
    return m_knots[m_degree] < m_knots[n];
}

double AcGeNurbCurve2d::weightAt(int index) const {
    return m_weights.isEmpty() ? 1.0 : m_weights[index];
}

bool AcGeNurbCurve2d::isRational() const {
    return std::any_of(m_weights.begin(), m_weights.end(), [](double w) { return w != 1.0; });
}

void AcGeNurbCurve2d::getInterval(AcGeInterval& range) const {
    if (!isValid()) {
        range.setUnbounded();  // no curve: no ends, nothing to sample
        return;
    }
    range.set(m_knots[m_degree], m_knots[m_points.length()]);
}

AcGePoint2d AcGeNurbCurve2d::evalPoint(double param) const {
    if (!isValid()) {
        return m_points.isEmpty() ? AcGePoint2d::kOrigin : m_points[0];
    }
    const int p = m_degree;
    const int n = m_points.length();
    const double lower = m_knots[p];
    const double upper = m_knots[n];
    const double t = std::isfinite(param) ? std::clamp(param, lower, upper) : lower;
    // The span k with knot[k] <= t < knot[k + 1]; at the upper end the last non-empty span.
    int k = p;
    while (k < n - 1 && m_knots[k + 1] <= t) {
        ++k;
    }
    while (k > p && m_knots[k] == m_knots[k + 1]) {
        --k;
    }
    // de Boor on homogeneous points (x w, y w, w).
    struct H {
        double x, y, w;
    };
    std::vector<H> d(static_cast<size_t>(p + 1));
    for (int j = 0; j <= p; ++j) {
        const int i = k - p + j;
        const double w = weightAt(i);
        d[static_cast<size_t>(j)] = {m_points[i].x * w, m_points[i].y * w, w};
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const int i = k - p + j;
            const double denominator = m_knots[i + p - r + 1] - m_knots[i];
            const double alpha = denominator > 0.0 ? (t - m_knots[i]) / denominator : 0.0;
            H& a = d[static_cast<size_t>(j)];
            const H& b = d[static_cast<size_t>(j - 1)];
            a = {(1.0 - alpha) * b.x + alpha * a.x, (1.0 - alpha) * b.y + alpha * a.y,
                 (1.0 - alpha) * b.w + alpha * a.w};
        }
    }
    const H& h = d[static_cast<size_t>(p)];
    return AcGePoint2d(h.x / h.w, h.y / h.w);
}

AcGeEntity2d& AcGeNurbCurve2d::transformBy(const AcGeMatrix2d& xfm) {
    // Affine maps act on the control points alone.
    for (AcGePoint2d& point : m_points) {
        point = xfm * point;
    }
    return *this;
}

AcGeCurve2d& AcGeNurbCurve2d::reverseParam() {
    m_points.reverse();
    m_weights.reverse();
    if (!m_knots.isEmpty()) {
        const double sum = m_knots.first() + m_knots.last();
        AcGeKnotVector reversed(m_knots.length(), 8, m_knots.tolerance());
        for (int i = m_knots.length() - 1; i >= 0; --i) {
            reversed.append(sum - m_knots[i]);
        }
        m_knots = reversed;
    }
    return *this;
}
