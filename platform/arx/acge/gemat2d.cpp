#include "platform/arx/acge/gemat2d.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acge/gemat3d.h"

const AcGeMatrix2d AcGeMatrix2d::kIdentity;

AcGeMatrix2d& AcGeMatrix2d::setToIdentity() {
    *this = AcGeMatrix2d();
    return *this;
}

AcGeMatrix2d& AcGeMatrix2d::setToTranslation(const AcGeVector2d& vector) {
    setToIdentity();
    entry[0][2] = vector.x;
    entry[1][2] = vector.y;
    return *this;
}

AcGeMatrix2d& AcGeMatrix2d::setToRotation(double angle, const AcGePoint2d& center) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    setToIdentity();
    entry[0][0] = c;
    entry[0][1] = -s;
    entry[1][0] = s;
    entry[1][1] = c;
    // The centre stays where it is.
    entry[0][2] = center.x - (c * center.x - s * center.y);
    entry[1][2] = center.y - (s * center.x + c * center.y);
    return *this;
}

AcGeMatrix2d& AcGeMatrix2d::setToScaling(double factor, const AcGePoint2d& center) {
    setToIdentity();
    entry[0][0] = factor;
    entry[1][1] = factor;
    entry[0][2] = center.x * (1.0 - factor);
    entry[1][2] = center.y * (1.0 - factor);
    return *this;
}

AcGeMatrix2d AcGeMatrix2d::operator*(const AcGeMatrix2d& right) const {
    AcGeMatrix2d product;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) {
                sum += entry[r][k] * right.entry[k][c];
            }
            product.entry[r][c] = sum;
        }
    }
    return product;
}

AcGePoint2d AcGeMatrix2d::operator*(const AcGePoint2d& p) const {
    return AcGePoint2d(entry[0][0] * p.x + entry[0][1] * p.y + entry[0][2],
                       entry[1][0] * p.x + entry[1][1] * p.y + entry[1][2]);
}

AcGeVector2d AcGeMatrix2d::operator*(const AcGeVector2d& v) const {
    return AcGeVector2d(entry[0][0] * v.x + entry[0][1] * v.y, entry[1][0] * v.x + entry[1][1] * v.y);
}

double AcGeMatrix2d::det() const {
    return entry[0][0] * entry[1][1] - entry[0][1] * entry[1][0];
}

double AcGeMatrix2d::scale() const {
    const double a = std::hypot(entry[0][0], entry[1][0]);
    const double b = std::hypot(entry[0][1], entry[1][1]);
    return std::max(a, b);
}

bool AcGeMatrix2d::isUniScaledOrtho(const AcGeTol& tol) const {
    const AcGeVector2d u(entry[0][0], entry[1][0]);
    const AcGeVector2d v(entry[0][1], entry[1][1]);
    const double lu = u.length();
    const double lv = v.length();
    if (lu <= tol.equalVector() || lv <= tol.equalVector()) {
        return false;
    }
    const double relative = std::max(1e-9, tol.equalVector());
    return std::fabs(lu - lv) <= relative * std::max(lu, lv) &&
           std::fabs(u.dotProduct(v)) <= relative * lu * lv;
}

AcGeMatrix2d AcGeMatrix2d::translation(const AcGeVector2d& vector) {
    return AcGeMatrix2d().setToTranslation(vector);
}
AcGeMatrix2d AcGeMatrix2d::rotation(double angle, const AcGePoint2d& center) {
    return AcGeMatrix2d().setToRotation(angle, center);
}
AcGeMatrix2d AcGeMatrix2d::scaling(double factor, const AcGePoint2d& center) {
    return AcGeMatrix2d().setToScaling(factor, center);
}

bool platform::PlanarPart(const AcGeMatrix3d& m, AcGeMatrix2d& planar) {
    constexpr double kEps = 1e-12;
    const double size = std::max(1.0, m.scale());
    if (std::fabs(m(2, 0)) > kEps * size || std::fabs(m(2, 1)) > kEps * size ||
        std::fabs(m(0, 2)) > kEps * size || std::fabs(m(1, 2)) > kEps * size || !(m(2, 2) > 0.0)) {
        return false;
    }
    planar.setToIdentity();
    for (int r = 0; r < 2; ++r) {
        planar.entry[r][0] = m(r, 0);
        planar.entry[r][1] = m(r, 1);
        planar.entry[r][2] = m(r, 3);
    }
    return true;
}
