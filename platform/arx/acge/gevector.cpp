// Points, vectors and the global tolerance.
#include <cmath>
#include <limits>
#include <numbers>

#include "platform/arx/acge/gearrays.h"
#include "platform/arx/acge/gemat3d.h"
#include "platform/win32/core/testhooks.h"

AcGeTol AcGeContext::gTol;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A test that changes the global tolerance must not leak it into the next one.
const bool g_tolReset =
    (platform::RegisterReset("acge.tolerance", [] { AcGeContext::gTol = AcGeTol(); }), true);

// atan2 folded into [0, 2pi); a tiny negative angle must not round up to 2pi itself.
double FoldAngle(double a) {
    if (a < 0.0) {
        a += kTwoPi;
    }
    return a >= kTwoPi ? 0.0 : a;
}

double ClampUnit(double c) {
    return c > 1.0 ? 1.0 : (c < -1.0 ? -1.0 : c);
}

}  // namespace

const AcGeVector2d AcGeVector2d::kIdentity(0.0, 0.0);
const AcGeVector2d AcGeVector2d::kXAxis(1.0, 0.0);
const AcGeVector2d AcGeVector2d::kYAxis(0.0, 1.0);
const AcGePoint2d AcGePoint2d::kOrigin(0.0, 0.0);
const AcGeVector3d AcGeVector3d::kIdentity(0.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kXAxis(1.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kYAxis(0.0, 1.0, 0.0);
const AcGeVector3d AcGeVector3d::kZAxis(0.0, 0.0, 1.0);
const AcGePoint3d AcGePoint3d::kOrigin(0.0, 0.0, 0.0);

// ---- AcGeVector2d

double AcGeVector2d::length() const {
    return std::hypot(x, y);
}

double AcGeVector2d::angle() const {
    return FoldAngle(std::atan2(y, x));
}

double AcGeVector2d::angleTo(const AcGeVector2d& other) const {
    // atan2 of cross and dot stays exact near 0 and pi, where acos loses digits.
    const double cross = x * other.y - y * other.x;
    return std::fabs(std::atan2(cross, dotProduct(other)));
}

namespace {

// A vector whose length is 1 up to rounding is a unit vector already. Dividing it by that length again would
// move its last digits, one way and then back, at every normalisation: a normal read from a drawing file
// would never be written back as read.
bool IsUnitLength(double length) {
    return std::fabs(length - 1.0) <= 4.0 * std::numeric_limits<double>::epsilon();
}

}  // namespace

AcGeVector2d AcGeVector2d::normal(const AcGeTol& tol) const {
    AcGeVector2d v(*this);
    return v.normalize(tol);
}

AcGeVector2d& AcGeVector2d::normalize(const AcGeTol& tol) {
    const double len = length();
    if (len > tol.equalVector() && !IsUnitLength(len)) {
        x /= len;
        y /= len;
    }
    return *this;
}

AcGeVector2d& AcGeVector2d::rotateBy(double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double nx = x * c - y * s;
    y = x * s + y * c;
    x = nx;
    return *this;
}

bool AcGeVector2d::isZeroLength(const AcGeTol& tol) const {
    return length() <= tol.equalVector();
}

bool AcGeVector2d::isUnitLength(const AcGeTol& tol) const {
    return std::fabs(length() - 1.0) <= tol.equalVector();
}

bool AcGeVector2d::isParallelTo(const AcGeVector2d& other, const AcGeTol& tol) const {
    if (isZeroLength(tol) || other.isZeroLength(tol)) {
        return false;
    }
    const AcGeVector2d a = normal(tol);
    const AcGeVector2d b = other.normal(tol);
    return std::fabs(a.x * b.y - a.y * b.x) <= tol.equalVector();
}

bool AcGeVector2d::isCodirectionalTo(const AcGeVector2d& other, const AcGeTol& tol) const {
    return isParallelTo(other, tol) && dotProduct(other) > 0.0;
}

bool AcGeVector2d::isPerpendicularTo(const AcGeVector2d& other, const AcGeTol& tol) const {
    if (isZeroLength(tol) || other.isZeroLength(tol)) {
        return false;
    }
    return std::fabs(normal(tol).dotProduct(other.normal(tol))) <= tol.equalVector();
}

bool AcGeVector2d::isEqualTo(const AcGeVector2d& other, const AcGeTol& tol) const {
    return (*this - other).length() <= tol.equalVector();
}

// ---- AcGePoint2d

double AcGePoint2d::distanceTo(const AcGePoint2d& other) const {
    return (*this - other).length();
}

bool AcGePoint2d::isEqualTo(const AcGePoint2d& other, const AcGeTol& tol) const {
    return distanceTo(other) <= tol.equalPoint();
}

AcGePoint2d& AcGePoint2d::scaleBy(double factor, const AcGePoint2d& wrt) {
    *this = wrt + (*this - wrt) * factor;
    return *this;
}

AcGePoint2d& AcGePoint2d::rotateBy(double angle, const AcGePoint2d& wrt) {
    *this = wrt + (*this - wrt).rotateBy(angle);
    return *this;
}

// ---- AcGeVector3d

double AcGeVector3d::length() const {
    return std::sqrt(lengthSqrd());
}

double AcGeVector3d::angleTo(const AcGeVector3d& other) const {
    const double cross = crossProduct(other).length();
    return std::atan2(cross, dotProduct(other));
}

double AcGeVector3d::angleTo(const AcGeVector3d& other, const AcGeVector3d& reference) const {
    const double a = angleTo(other);
    if (crossProduct(other).dotProduct(reference) < 0.0) {
        return FoldAngle(kTwoPi - a);
    }
    return a;
}

AcGeVector3d AcGeVector3d::normal(const AcGeTol& tol) const {
    AcGeVector3d v(*this);
    return v.normalize(tol);
}

AcGeVector3d& AcGeVector3d::normalize(const AcGeTol& tol) {
    const double len = length();
    if (len > tol.equalVector() && !IsUnitLength(len)) {
        x /= len;
        y /= len;
        z /= len;
    }
    return *this;
}

AcGeVector3d& AcGeVector3d::rotateBy(double angle, const AcGeVector3d& axis) {
    *this = AcGeMatrix3d::rotation(angle, axis) * *this;
    return *this;
}

AcGeVector3d& AcGeVector3d::transformBy(const AcGeMatrix3d& matrix) {
    *this = matrix * *this;
    return *this;
}

AcGeVector3d AcGeVector3d::perpVector() const {
    // The arbitrary-axis rule: stable for any direction, including those near the Z axis.
    const AcGeVector3d n = normal();
    const double limit = 1.0 / 64.0;
    const AcGeVector3d seed = (std::fabs(n.x) < limit && std::fabs(n.y) < limit) ? kYAxis : kZAxis;
    return seed.crossProduct(n).normal();
}

bool AcGeVector3d::isZeroLength(const AcGeTol& tol) const {
    return length() <= tol.equalVector();
}

bool AcGeVector3d::isUnitLength(const AcGeTol& tol) const {
    return std::fabs(length() - 1.0) <= tol.equalVector();
}

bool AcGeVector3d::isParallelTo(const AcGeVector3d& other, const AcGeTol& tol) const {
    if (isZeroLength(tol) || other.isZeroLength(tol)) {
        return false;
    }
    return normal(tol).crossProduct(other.normal(tol)).length() <= tol.equalVector();
}

bool AcGeVector3d::isCodirectionalTo(const AcGeVector3d& other, const AcGeTol& tol) const {
    return isParallelTo(other, tol) && dotProduct(other) > 0.0;
}

bool AcGeVector3d::isPerpendicularTo(const AcGeVector3d& other, const AcGeTol& tol) const {
    if (isZeroLength(tol) || other.isZeroLength(tol)) {
        return false;
    }
    return std::fabs(ClampUnit(normal(tol).dotProduct(other.normal(tol)))) <= tol.equalVector();
}

bool AcGeVector3d::isEqualTo(const AcGeVector3d& other, const AcGeTol& tol) const {
    return (*this - other).length() <= tol.equalVector();
}

// ---- AcGePoint3d

double AcGePoint3d::distanceTo(const AcGePoint3d& other) const {
    return (*this - other).length();
}

bool AcGePoint3d::isEqualTo(const AcGePoint3d& other, const AcGeTol& tol) const {
    return distanceTo(other) <= tol.equalPoint();
}

AcGePoint3d& AcGePoint3d::transformBy(const AcGeMatrix3d& matrix) {
    *this = matrix * *this;
    return *this;
}

AcGePoint3d& AcGePoint3d::scaleBy(double factor, const AcGePoint3d& wrt) {
    *this = wrt + (*this - wrt) * factor;
    return *this;
}

AcGePoint3d& AcGePoint3d::rotateBy(double angle, const AcGeVector3d& axis, const AcGePoint3d& wrt) {
    *this = AcGeMatrix3d::rotation(angle, axis, wrt) * *this;
    return *this;
}
