// A position in the plane.
#pragma once

#include "platform/arx/acge/gevec2d.h"

class AcGePoint2d {
public:
    constexpr AcGePoint2d() = default;
    constexpr AcGePoint2d(double xx, double yy) : x(xx), y(yy) {}

    static const AcGePoint2d kOrigin;

    AcGePoint2d& set(double xx, double yy) {
        x = xx;
        y = yy;
        return *this;
    }
    double distanceTo(const AcGePoint2d& other) const;
    // Equal when no farther apart than the tolerance's equal-point value.
    bool isEqualTo(const AcGePoint2d& other, const AcGeTol& tol = AcGeContext::gTol) const;
    AcGePoint2d& scaleBy(double factor, const AcGePoint2d& wrt = AcGePoint2d::kOrigin);
    AcGePoint2d& rotateBy(double angle, const AcGePoint2d& wrt = AcGePoint2d::kOrigin);
    AcGeVector2d asVector() const { return AcGeVector2d(x, y); }

    bool operator==(const AcGePoint2d& other) const { return isEqualTo(other); }
    bool operator!=(const AcGePoint2d& other) const { return !isEqualTo(other); }
    AcGeVector2d operator-(const AcGePoint2d& p) const { return AcGeVector2d(x - p.x, y - p.y); }
    AcGePoint2d operator+(const AcGeVector2d& v) const { return AcGePoint2d(x + v.x, y + v.y); }
    AcGePoint2d operator-(const AcGeVector2d& v) const { return AcGePoint2d(x - v.x, y - v.y); }
    AcGePoint2d& operator+=(const AcGeVector2d& v) {
        x += v.x;
        y += v.y;
        return *this;
    }
    AcGePoint2d& operator-=(const AcGeVector2d& v) {
        x -= v.x;
        y -= v.y;
        return *this;
    }
    double operator[](unsigned int i) const { return i == 0 ? x : y; }
    double& operator[](unsigned int i) { return i == 0 ? x : y; }

    double x = 0.0;
    double y = 0.0;
};
