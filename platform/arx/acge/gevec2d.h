// A direction or displacement in the plane.
#pragma once

#include "platform/arx/acge/gegbl.h"

class AcGeVector2d {
public:
    constexpr AcGeVector2d() = default;
    constexpr AcGeVector2d(double xx, double yy) : x(xx), y(yy) {}

    static const AcGeVector2d kIdentity;  // the zero vector
    static const AcGeVector2d kXAxis;
    static const AcGeVector2d kYAxis;

    AcGeVector2d& set(double xx, double yy) {
        x = xx;
        y = yy;
        return *this;
    }
    double length() const;
    double lengthSqrd() const { return x * x + y * y; }
    // Counter-clockwise from +X, in [0, 2pi); 0 for the zero vector.
    double angle() const;
    // The smaller angle between the two, in [0, pi].
    double angleTo(const AcGeVector2d& other) const;
    double dotProduct(const AcGeVector2d& other) const { return x * other.x + y * other.y; }
    AcGeVector2d normal(const AcGeTol& tol = AcGeContext::gTol) const;
    // A zero-length vector stays unchanged.
    AcGeVector2d& normalize(const AcGeTol& tol = AcGeContext::gTol);
    AcGeVector2d& rotateBy(double angle);
    AcGeVector2d& negate() {
        x = -x;
        y = -y;
        return *this;
    }
    // Turned a quarter counter-clockwise.
    AcGeVector2d perpVector() const { return AcGeVector2d(-y, x); }
    bool isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isUnitLength(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isParallelTo(const AcGeVector2d& other, const AcGeTol& tol = AcGeContext::gTol) const;
    bool isCodirectionalTo(const AcGeVector2d& other, const AcGeTol& tol = AcGeContext::gTol) const;
    bool isPerpendicularTo(const AcGeVector2d& other, const AcGeTol& tol = AcGeContext::gTol) const;
    bool isEqualTo(const AcGeVector2d& other, const AcGeTol& tol = AcGeContext::gTol) const;

    bool operator==(const AcGeVector2d& other) const { return isEqualTo(other); }
    bool operator!=(const AcGeVector2d& other) const { return !isEqualTo(other); }
    AcGeVector2d operator-() const { return AcGeVector2d(-x, -y); }
    AcGeVector2d operator+(const AcGeVector2d& v) const { return AcGeVector2d(x + v.x, y + v.y); }
    AcGeVector2d operator-(const AcGeVector2d& v) const { return AcGeVector2d(x - v.x, y - v.y); }
    AcGeVector2d operator*(double s) const { return AcGeVector2d(x * s, y * s); }
    AcGeVector2d operator/(double s) const { return AcGeVector2d(x / s, y / s); }
    AcGeVector2d& operator+=(const AcGeVector2d& v) {
        x += v.x;
        y += v.y;
        return *this;
    }
    AcGeVector2d& operator-=(const AcGeVector2d& v) {
        x -= v.x;
        y -= v.y;
        return *this;
    }
    AcGeVector2d& operator*=(double s) {
        x *= s;
        y *= s;
        return *this;
    }
    double operator[](unsigned int i) const { return i == 0 ? x : y; }
    double& operator[](unsigned int i) { return i == 0 ? x : y; }

    double x = 0.0;
    double y = 0.0;
};

inline AcGeVector2d operator*(double s, const AcGeVector2d& v) {
    return v * s;
}
