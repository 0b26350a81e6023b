// Matrices, scales and planes.
#include <cmath>
#include <utility>

#include "platform/arx/acge/gemat3d.h"
#include "platform/arx/acge/geplane.h"
#include "platform/arx/acge/gescl3d.h"

namespace {

// The in-plane X axis of a normal by the arbitrary-axis rule (the object coordinate system of planar
// entities): the world Y axis seeds normals close to Z, the world Z axis all others.
AcGeVector3d ArbitraryXAxis(const AcGeVector3d& unitNormal) {
    return unitNormal.perpVector();
}

}  // namespace

const AcGeMatrix3d AcGeMatrix3d::kIdentity;
const AcGeScale3d AcGeScale3d::kIdentity(1.0, 1.0, 1.0);

AcGeMatrix3d& AcGeMatrix3d::setToIdentity() {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            entry[r][c] = (r == c) ? 1.0 : 0.0;
        }
    }
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::setToTranslation(const AcGeVector3d& vector) {
    setToIdentity();
    entry[0][3] = vector.x;
    entry[1][3] = vector.y;
    entry[2][3] = vector.z;
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::setToRotation(double angle, const AcGeVector3d& axis, const AcGePoint3d& center) {
    setToIdentity();
    const AcGeVector3d k = axis.normal();
    if (k.isZeroLength()) {
        return *this;  // no axis, no turn
    }
    // Rodrigues: R = cI + s[k]x + (1 - c)kk^T, then the centre is kept in place.
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    entry[0][0] = c + t * k.x * k.x;
    entry[0][1] = t * k.x * k.y - s * k.z;
    entry[0][2] = t * k.x * k.z + s * k.y;
    entry[1][0] = t * k.x * k.y + s * k.z;
    entry[1][1] = c + t * k.y * k.y;
    entry[1][2] = t * k.y * k.z - s * k.x;
    entry[2][0] = t * k.x * k.z - s * k.y;
    entry[2][1] = t * k.y * k.z + s * k.x;
    entry[2][2] = c + t * k.z * k.z;
    const AcGeVector3d moved = center.asVector() - *this * center.asVector();
    entry[0][3] = moved.x;
    entry[1][3] = moved.y;
    entry[2][3] = moved.z;
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::setToScaling(double factor, const AcGePoint3d& center) {
    setToIdentity();
    for (int i = 0; i < 3; ++i) {
        entry[i][i] = factor;
    }
    entry[0][3] = center.x * (1.0 - factor);
    entry[1][3] = center.y * (1.0 - factor);
    entry[2][3] = center.z * (1.0 - factor);
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::setToMirroring(const AcGePoint3d& point) {
    return setToScaling(-1.0, point);
}

AcGeMatrix3d& AcGeMatrix3d::setToMirroring(const AcGePlane& plane) {
    // Householder reflection I - 2nn^T about a plane through its point.
    setToIdentity();
    const AcGeVector3d n = plane.normal();
    for (unsigned r = 0; r < 3; ++r) {
        for (unsigned c = 0; c < 3; ++c) {
            entry[r][c] -= 2.0 * n[r] * n[c];
        }
    }
    const AcGeVector3d p = plane.pointOnPlane().asVector();
    const AcGeVector3d moved = p - *this * p;
    entry[0][3] = moved.x;
    entry[1][3] = moved.y;
    entry[2][3] = moved.z;
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::setCoordSystem(const AcGePoint3d& origin, const AcGeVector3d& xAxis,
                                           const AcGeVector3d& yAxis, const AcGeVector3d& zAxis) {
    setToIdentity();
    for (unsigned r = 0; r < 3; ++r) {
        entry[r][0] = xAxis[r];
        entry[r][1] = yAxis[r];
        entry[r][2] = zAxis[r];
        entry[r][3] = origin[r];
    }
    return *this;
}

void AcGeMatrix3d::getCoordSystem(AcGePoint3d& origin, AcGeVector3d& xAxis, AcGeVector3d& yAxis,
                                  AcGeVector3d& zAxis) const {
    for (unsigned r = 0; r < 3; ++r) {
        xAxis[r] = entry[r][0];
        yAxis[r] = entry[r][1];
        zAxis[r] = entry[r][2];
        origin[r] = entry[r][3];
    }
}

AcGeMatrix3d& AcGeMatrix3d::setToAlignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromXAxis,
                                               const AcGeVector3d& fromYAxis, const AcGeVector3d& fromZAxis,
                                               const AcGePoint3d& toOrigin, const AcGeVector3d& toXAxis,
                                               const AcGeVector3d& toYAxis, const AcGeVector3d& toZAxis) {
    AcGeMatrix3d from;
    from.setCoordSystem(fromOrigin, fromXAxis, fromYAxis, fromZAxis);
    AcGeMatrix3d to;
    to.setCoordSystem(toOrigin, toXAxis, toYAxis, toZAxis);
    return setToProduct(to, from.inverse());
}

AcGeMatrix3d& AcGeMatrix3d::setToPlaneToWorld(const AcGeVector3d& normal) {
    const AcGeVector3d n = normal.normal();
    if (n.isZeroLength()) {
        return setToIdentity();
    }
    const AcGeVector3d x = ArbitraryXAxis(n);
    return setCoordSystem(AcGePoint3d::kOrigin, x, n.crossProduct(x), n);
}

AcGeMatrix3d& AcGeMatrix3d::setToWorldToPlane(const AcGeVector3d& normal) {
    // The plane frame is orthonormal: its inverse is its transpose.
    setToPlaneToWorld(normal);
    return transposeIt();
}

AcGeMatrix3d& AcGeMatrix3d::setToProduct(const AcGeMatrix3d& a, const AcGeMatrix3d& b) {
    double out[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += a.entry[r][k] * b.entry[k][c];
            }
            out[r][c] = sum;
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            entry[r][c] = out[r][c];
        }
    }
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::preMultBy(const AcGeMatrix3d& left) {
    return setToProduct(left, *this);
}

AcGeMatrix3d& AcGeMatrix3d::postMultBy(const AcGeMatrix3d& right) {
    return setToProduct(*this, right);
}

AcGeMatrix3d AcGeMatrix3d::operator*(const AcGeMatrix3d& right) const {
    AcGeMatrix3d m;
    return m.setToProduct(*this, right);
}

AcGeMatrix3d& AcGeMatrix3d::operator*=(const AcGeMatrix3d& right) {
    return postMultBy(right);
}

AcGePoint3d AcGeMatrix3d::operator*(const AcGePoint3d& p) const {
    double out[4];
    for (int r = 0; r < 4; ++r) {
        out[r] = entry[r][0] * p.x + entry[r][1] * p.y + entry[r][2] * p.z + entry[r][3];
    }
    // Only a projective matrix has a last row other than (0, 0, 0, 1).
    if (out[3] != 1.0 && out[3] != 0.0) {
        return AcGePoint3d(out[0] / out[3], out[1] / out[3], out[2] / out[3]);
    }
    return AcGePoint3d(out[0], out[1], out[2]);
}

AcGeVector3d AcGeMatrix3d::operator*(const AcGeVector3d& v) const {
    // A vector has no position: the translation does not act on it.
    return AcGeVector3d(entry[0][0] * v.x + entry[0][1] * v.y + entry[0][2] * v.z,
                        entry[1][0] * v.x + entry[1][1] * v.y + entry[1][2] * v.z,
                        entry[2][0] * v.x + entry[2][1] * v.y + entry[2][2] * v.z);
}

bool AcGeMatrix3d::inverse(AcGeMatrix3d& result, double tol) const {
    // Gauss-Jordan with partial pivoting on [M | I].
    double a[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = entry[r][c];
            a[r][c + 4] = (r == c) ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) {
                pivot = r;
            }
        }
        if (std::fabs(a[pivot][col]) <= tol) {
            return false;
        }
        if (pivot != col) {
            for (int c = 0; c < 8; ++c) {
                std::swap(a[pivot][c], a[col][c]);
            }
        }
        const double d = a[col][col];
        for (int c = 0; c < 8; ++c) {
            a[col][c] /= d;
        }
        for (int r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0.0) {
                continue;
            }
            const double f = a[r][col];
            for (int c = 0; c < 8; ++c) {
                a[r][c] -= f * a[col][c];
            }
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            result.entry[r][c] = a[r][c + 4];
        }
    }
    return true;
}

AcGeMatrix3d AcGeMatrix3d::inverse() const {
    AcGeMatrix3d result;
    if (!inverse(result)) {
        result.setToIdentity();
    }
    return result;
}

AcGeMatrix3d& AcGeMatrix3d::invert() {
    AcGeMatrix3d result;
    if (inverse(result)) {
        *this = result;
    }
    return *this;
}

bool AcGeMatrix3d::isSingular(const AcGeTol& tol) const {
    return std::fabs(det()) <= tol.equalVector();
}

AcGeMatrix3d& AcGeMatrix3d::transposeIt() {
    for (int r = 0; r < 4; ++r) {
        for (int c = r + 1; c < 4; ++c) {
            std::swap(entry[r][c], entry[c][r]);
        }
    }
    return *this;
}

AcGeMatrix3d AcGeMatrix3d::transpose() const {
    AcGeMatrix3d m(*this);
    return m.transposeIt();
}

double AcGeMatrix3d::det() const {
    // Laplace expansion along the first row over 3x3 minors.
    auto minor3 = [this](int skipCol) {
        int cols[3];
        for (int c = 0, k = 0; c < 4; ++c) {
            if (c != skipCol) {
                cols[k++] = c;
            }
        }
        const auto& e = entry;
        return e[1][cols[0]] * (e[2][cols[1]] * e[3][cols[2]] - e[2][cols[2]] * e[3][cols[1]]) -
               e[1][cols[1]] * (e[2][cols[0]] * e[3][cols[2]] - e[2][cols[2]] * e[3][cols[0]]) +
               e[1][cols[2]] * (e[2][cols[0]] * e[3][cols[1]] - e[2][cols[1]] * e[3][cols[0]]);
    };
    double sum = 0.0;
    for (int c = 0; c < 4; ++c) {
        const double term = entry[0][c] * minor3(c);
        sum += (c % 2 == 0) ? term : -term;
    }
    return sum;
}

double AcGeMatrix3d::scale() const {
    double best = 0.0;
    for (int c = 0; c < 3; ++c) {
        const double len =
            std::sqrt(entry[0][c] * entry[0][c] + entry[1][c] * entry[1][c] + entry[2][c] * entry[2][c]);
        if (len > best) {
            best = len;
        }
    }
    return best;
}

bool AcGeMatrix3d::isUniScaledOrtho(const AcGeTol& tol) const {
    const AcGeVector3d x(entry[0][0], entry[1][0], entry[2][0]);
    const AcGeVector3d y(entry[0][1], entry[1][1], entry[2][1]);
    const AcGeVector3d z(entry[0][2], entry[1][2], entry[2][2]);
    const double len = x.length();
    if (len <= tol.equalVector()) {
        return false;
    }
    const double eps = tol.equalPoint() * len + 1e-12;
    return std::fabs(y.length() - len) <= eps && std::fabs(z.length() - len) <= eps &&
           x.isPerpendicularTo(y, AcGeTol(tol.equalPoint(), 1e-9)) &&
           x.isPerpendicularTo(z, AcGeTol(tol.equalPoint(), 1e-9)) &&
           y.isPerpendicularTo(z, AcGeTol(tol.equalPoint(), 1e-9));
}

bool AcGeMatrix3d::isEqualTo(const AcGeMatrix3d& other, const AcGeTol& tol) const {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (std::fabs(entry[r][c] - other.entry[r][c]) > tol.equalVector()) {
                return false;
            }
        }
    }
    return true;
}

AcGeMatrix3d AcGeMatrix3d::translation(const AcGeVector3d& vector) {
    AcGeMatrix3d m;
    return m.setToTranslation(vector);
}

AcGeMatrix3d AcGeMatrix3d::rotation(double angle, const AcGeVector3d& axis, const AcGePoint3d& center) {
    AcGeMatrix3d m;
    return m.setToRotation(angle, axis, center);
}

AcGeMatrix3d AcGeMatrix3d::scaling(double factor, const AcGePoint3d& center) {
    AcGeMatrix3d m;
    return m.setToScaling(factor, center);
}

AcGeMatrix3d AcGeMatrix3d::mirroring(const AcGePlane& plane) {
    AcGeMatrix3d m;
    return m.setToMirroring(plane);
}

AcGeMatrix3d AcGeMatrix3d::mirroring(const AcGePoint3d& point) {
    AcGeMatrix3d m;
    return m.setToMirroring(point);
}

AcGeMatrix3d AcGeMatrix3d::alignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromXAxis,
                                         const AcGeVector3d& fromYAxis, const AcGeVector3d& fromZAxis,
                                         const AcGePoint3d& toOrigin, const AcGeVector3d& toXAxis,
                                         const AcGeVector3d& toYAxis, const AcGeVector3d& toZAxis) {
    AcGeMatrix3d m;
    return m.setToAlignCoordSys(fromOrigin, fromXAxis, fromYAxis, fromZAxis, toOrigin, toXAxis, toYAxis,
                                toZAxis);
}

AcGeMatrix3d AcGeMatrix3d::planeToWorld(const AcGeVector3d& normal) {
    AcGeMatrix3d m;
    return m.setToPlaneToWorld(normal);
}

AcGeMatrix3d AcGeMatrix3d::worldToPlane(const AcGeVector3d& normal) {
    AcGeMatrix3d m;
    return m.setToWorldToPlane(normal);
}

// ---- AcGeScale3d

bool AcGeScale3d::isEqualTo(const AcGeScale3d& other, const AcGeTol& tol) const {
    return std::fabs(sx - other.sx) <= tol.equalVector() && std::fabs(sy - other.sy) <= tol.equalVector() &&
           std::fabs(sz - other.sz) <= tol.equalVector();
}

AcGeMatrix3d& AcGeScale3d::getMatrix(AcGeMatrix3d& matrix) const {
    matrix.setToIdentity();
    matrix.entry[0][0] = sx;
    matrix.entry[1][1] = sy;
    matrix.entry[2][2] = sz;
    return matrix;
}

// ---- AcGePlane

const AcGePlane AcGePlane::kXYPlane(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis, AcGeVector3d::kYAxis);
const AcGePlane AcGePlane::kYZPlane(AcGePoint3d::kOrigin, AcGeVector3d::kYAxis, AcGeVector3d::kZAxis);
const AcGePlane AcGePlane::kZXPlane(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis, AcGeVector3d::kXAxis);

AcGePlane::AcGePlane() : m_normal(0.0, 0.0, 1.0), m_u(1.0, 0.0, 0.0), m_v(0.0, 1.0, 0.0) {}

AcGePlane::AcGePlane(const AcGePoint3d& origin, const AcGeVector3d& normal) : AcGePlane() {
    m_origin = origin;
    const AcGeVector3d n = normal.normal();
    if (!n.isZeroLength()) {
        m_normal = n;
        m_u = ArbitraryXAxis(n);
        m_v = n.crossProduct(m_u);
    }
}

AcGePlane::AcGePlane(const AcGePoint3d& origin, const AcGeVector3d& uAxis, const AcGeVector3d& vAxis)
    : AcGePlane() {
    m_origin = origin;
    const AcGeVector3d n = uAxis.crossProduct(vAxis).normal();
    if (!n.isZeroLength()) {
        m_normal = n;
        m_u = uAxis.normal();
        m_v = n.crossProduct(m_u);
    }
}

void AcGePlane::getCoordSystem(AcGePoint3d& origin, AcGeVector3d& uAxis, AcGeVector3d& vAxis) const {
    origin = m_origin;
    uAxis = m_u;
    vAxis = m_v;
}

double AcGePlane::signedDistanceTo(const AcGePoint3d& point) const {
    return (point - m_origin).dotProduct(m_normal);
}

double AcGePlane::distanceTo(const AcGePoint3d& point) const {
    return std::fabs(signedDistanceTo(point));
}

bool AcGePlane::isOn(const AcGePoint3d& point, const AcGeTol& tol) const {
    return distanceTo(point) <= tol.equalPoint();
}

AcGePoint3d AcGePlane::closestPointTo(const AcGePoint3d& point) const {
    return point - m_normal * signedDistanceTo(point);
}

bool AcGePlane::project(const AcGePoint3d& point, const AcGeVector3d& direction, AcGePoint3d& result,
                        const AcGeTol& tol) const {
    const double along = direction.normal(tol).dotProduct(m_normal);
    if (std::fabs(along) <= tol.equalVector()) {
        return false;
    }
    result = point - direction.normal(tol) * (signedDistanceTo(point) / along);
    return true;
}

AcGePoint2d AcGePlane::paramOf(const AcGePoint3d& point) const {
    const AcGeVector3d d = point - m_origin;
    return AcGePoint2d(d.dotProduct(m_u), d.dotProduct(m_v));
}

AcGePoint3d AcGePlane::evalPoint(const AcGePoint2d& param) const {
    return m_origin + m_u * param.x + m_v * param.y;
}
