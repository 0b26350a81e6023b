// Angles of arcs and ellipses, shared by the geometry and drawing-database classes (internal).
#pragma once

#include <cmath>

namespace platform::detail {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// An angle in [0, 2pi).
inline double NormalizeAngle(double angle) {
    if (!std::isfinite(angle)) {
        return 0.0;
    }
    double a = std::fmod(angle, kTwoPi);
    if (a < 0.0) {
        a += kTwoPi;
    }
    return a >= kTwoPi ? 0.0 : a;
}

// The counter-clockwise sweep from start to end in (0, 2pi]: a difference of a full turn or more, or of
// none, is the whole circle.
inline double SweepBetween(double start, double end) {
    const double difference = end - start;
    if (!std::isfinite(difference) || difference >= kTwoPi) {
        return kTwoPi;
    }
    const double sweep = NormalizeAngle(difference);
    return sweep == 0.0 ? kTwoPi : sweep;
}

}  // namespace platform::detail
