#include "platform/arx/acdb/dxfgroups.h"

#include <cmath>

#include "platform/arx/acdb/dxfcodec.h"

namespace platform::dxf {

void WritePoint(Writer& out, int code, const AcGePoint3d& p) {
    const double xyz[3] = {p.x, p.y, p.z};
    out.point(code, xyz);
}

void WriteVector(Writer& out, int code, const AcGeVector3d& v) {
    const double xyz[3] = {v.x, v.y, v.z};
    out.point(code, xyz);
}

AcGePoint3d PointAt(const std::vector<Group>& body, size_t& i, int code) {
    double xyz[3] = {0.0, 0.0, 0.0};
    xyz[0] = ReadContext::real(body[i]);
    for (int k = 1; k < 3 && i + 1 < body.size() && body[i + 1].code == code + 10 * k; ++k) {
        xyz[k] = ReadContext::real(body[++i]);
    }
    return AcGePoint3d(xyz[0], xyz[1], xyz[2]);
}

bool Find(const std::vector<Group>& body, int code, AcGePoint3d& point) {
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i].code == code) {
            point = PointAt(body, i, code);
            return true;
        }
    }
    return false;
}

double FindReal(const std::vector<Group>& body, int code, double fallback) {
    for (const Group& g : body) {
        if (g.code == code) {
            return ReadContext::real(g);
        }
    }
    return fallback;
}

long long FindInteger(const std::vector<Group>& body, int code, long long fallback) {
    for (const Group& g : body) {
        if (g.code == code) {
            return ReadContext::integer(g);
        }
    }
    return fallback;
}

AcGeVector3d FindNormal(const std::vector<Group>& body) {
    AcGePoint3d n(0.0, 0.0, 1.0);
    Find(body, 210, n);
    const AcGeVector3d v(n.x, n.y, n.z);
    return v.isZeroLength() ? AcGeVector3d::kZAxis : v;
}

namespace {

constexpr long double kTwoPiLong = 6.283185307179586476925286766559005768L;

}  // namespace

long double EllipseParamOf(double angle, double ratio) {
    const long double a = angle;
    const long double t = std::atan2(std::sin(a), static_cast<long double>(ratio) * std::cos(a));
    return t + kTwoPiLong * std::round((a - t) / kTwoPiLong);
}

double EllipseAngleOf(long double param, double ratio) {
    const long double a = std::atan2(static_cast<long double>(ratio) * std::sin(param), std::cos(param));
    return static_cast<double>(a + kTwoPiLong * std::round((param - a) / kTwoPiLong));
}

}  // namespace platform::dxf
