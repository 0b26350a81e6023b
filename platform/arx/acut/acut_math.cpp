// Plane geometry on ads_points.
#include <cmath>
#include <numbers>

#include "platform/arx/acut/acutads.h"

ads_real acutDistance(const ads_point p1, const ads_point p2) {
    const double dx = p2[X] - p1[X];
    const double dy = p2[Y] - p1[Y];
    const double dz = p2[Z] - p1[Z];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

ads_real acutAngle(const ads_point p1, const ads_point p2) {
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    double a = std::atan2(p2[Y] - p1[Y], p2[X] - p1[X]);
    if (a < 0.0) {
        a += kTwoPi;
    }
    // A tiny negative angle must not round up to a full turn.
    return a >= kTwoPi ? 0.0 : a;
}

void acutPolar(const ads_point pt, ads_real angle, ads_real dist, ads_point result) {
    const double x = pt[X] + dist * std::cos(angle);
    const double y = pt[Y] + dist * std::sin(angle);
    const double z = pt[Z];
    result[X] = x;
    result[Y] = y;
    result[Z] = z;
}
