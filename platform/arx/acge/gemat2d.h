// A 3x3 transformation of the plane acting on column vectors: p' = M * p. Row 2 stays (0, 0, 1).
#pragma once

#include "platform/arx/acge/gepnt2d.h"

class AcGeMatrix3d;

class AcGeMatrix2d {
public:
    constexpr AcGeMatrix2d() : entry{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}} {}

    static const AcGeMatrix2d kIdentity;

    AcGeMatrix2d& setToIdentity();
    AcGeMatrix2d& setToTranslation(const AcGeVector2d& vector);
    // Counter-clockwise by angle about center.
    AcGeMatrix2d& setToRotation(double angle, const AcGePoint2d& center = AcGePoint2d::kOrigin);
    AcGeMatrix2d& setToScaling(double factor, const AcGePoint2d& center = AcGePoint2d::kOrigin);

    AcGeMatrix2d operator*(const AcGeMatrix2d& right) const;
    AcGePoint2d operator*(const AcGePoint2d& point) const;
    AcGeVector2d operator*(const AcGeVector2d& vector) const;
    double det() const;
    // The largest factor by which the matrix stretches a length.
    double scale() const;
    // A rotation, possibly mirrored, times one scale factor.
    bool isUniScaledOrtho(const AcGeTol& tol = AcGeContext::gTol) const;

    static AcGeMatrix2d translation(const AcGeVector2d& vector);
    static AcGeMatrix2d rotation(double angle, const AcGePoint2d& center = AcGePoint2d::kOrigin);
    static AcGeMatrix2d scaling(double factor, const AcGePoint2d& center = AcGePoint2d::kOrigin);

    double entry[3][3];
};

namespace platform {

// The action of a space transformation on the XY plane, when it keeps that plane's direction (X and Y map
// into XY, Z onto +Z times a factor): true and the plane matrix; false when the plane would tilt or turn
// over.
bool PlanarPart(const AcGeMatrix3d& matrix, AcGeMatrix2d& planar);

}  // namespace platform
