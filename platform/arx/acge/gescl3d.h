// Scale factors along the three axes.
#pragma once

#include "platform/arx/acge/gemat3d.h"

class AcGeScale3d {
public:
    AcGeScale3d() = default;
    explicit AcGeScale3d(double factor) : sx(factor), sy(factor), sz(factor) {}
    AcGeScale3d(double x, double y, double z) : sx(x), sy(y), sz(z) {}

    static const AcGeScale3d kIdentity;

    AcGeScale3d& set(double x, double y, double z) {
        sx = x;
        sy = y;
        sz = z;
        return *this;
    }
    AcGeScale3d operator*(double factor) const { return AcGeScale3d(sx * factor, sy * factor, sz * factor); }
    AcGeScale3d operator*(const AcGeScale3d& other) const {
        return AcGeScale3d(sx * other.sx, sy * other.sy, sz * other.sz);
    }
    bool isEqualTo(const AcGeScale3d& other, const AcGeTol& tol = AcGeContext::gTol) const;
    bool operator==(const AcGeScale3d& other) const { return isEqualTo(other); }
    bool operator!=(const AcGeScale3d& other) const { return !isEqualTo(other); }
    double operator[](unsigned int i) const { return i == 0 ? sx : (i == 1 ? sy : sz); }
    double& operator[](unsigned int i) { return i == 0 ? sx : (i == 1 ? sy : sz); }
    // The scaling about the origin.
    AcGeMatrix3d& getMatrix(AcGeMatrix3d& matrix) const;

    double sx = 1.0;
    double sy = 1.0;
    double sz = 1.0;
};
