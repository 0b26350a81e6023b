#include "platform/arx/acdb/dbellipse.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbplinepath.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxfgroups.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;
using platform::detail::kTwoPi;
using platform::detail::NormalizeAngle;

const FieldDesc kFields[] = {
    {10, FieldKind::kPoint3d, "center", nullptr, nullptr},
    {11, FieldKind::kVector3d, "majorAxis", nullptr, nullptr},
    {210, FieldKind::kVector3d, "normal", nullptr, nullptr},
    {40, FieldKind::kReal, "radiusRatio", nullptr, nullptr},
    {41, FieldKind::kReal, "startParam", nullptr, nullptr},
    {42, FieldKind::kReal, "endParam", nullptr, nullptr},
};

// The end angle above the start one: a difference of none or of a full turn is the whole ellipse.
double EndAbove(double start, double end) {
    const double difference = end - start;
    if (!std::isfinite(difference) || difference >= kTwoPi) {
        return start + kTwoPi;
    }
    const double sweep = NormalizeAngle(difference);
    return start + (sweep == 0.0 ? kTwoPi : sweep);
}

}  // namespace

TARN_RX_DEFINE(AcDbEllipse, AcDbCurve, u"ELLIPSE", kFields, std::size(kFields))

AcDbEllipse::AcDbEllipse(const AcGePoint3d& center, const AcGeVector3d& unitNormal,
                         const AcGeVector3d& majorAxis, double radiusRatio, double startAngle,
                         double endAngle) {
    set(center, unitNormal, majorAxis, radiusRatio, startAngle, endAngle);
}

Acad::ErrorStatus AcDbEllipse::set(const AcGePoint3d& center, const AcGeVector3d& unitNormal,
                                   const AcGeVector3d& majorAxis, double radiusRatio, double startAngle,
                                   double endAngle) {
    const double majorLength = majorAxis.length();
    const double normalLength = unitNormal.length();
    if (!std::isfinite(center.x + center.y + center.z) || !std::isfinite(majorLength) ||
        !std::isfinite(normalLength) || !(majorLength > 0.0) || !(normalLength > 0.0) ||
        std::fabs(majorAxis.dotProduct(unitNormal)) > 1e-9 * majorLength * normalLength ||
        !(radiusRatio > 0.0) || radiusRatio > 1.0 + 1e-12 || !std::isfinite(startAngle) ||
        !std::isfinite(endAngle)) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_center = center;
    m_normal = unitNormal.normal();
    // Keep the axis exactly in the plane.
    m_major = majorAxis - m_normal * majorAxis.dotProduct(m_normal);
    m_ratio = std::min(radiusRatio, 1.0);
    m_start = NormalizeAngle(startAngle);
    m_end = EndAbove(m_start, m_start + (endAngle - startAngle));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::setCenter(const AcGePoint3d& center) {
    return tarnSet(m_center, center);
}

AcGeVector3d AcDbEllipse::minorAxis() const {
    return m_normal.crossProduct(m_major) * m_ratio;
}

Acad::ErrorStatus AcDbEllipse::setStartAngle(double angle) {
    if (!std::isfinite(angle)) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        const double end = m_end;
        m_start = NormalizeAngle(angle);
        m_end = EndAbove(m_start, end);
    }
    return es;
}

Acad::ErrorStatus AcDbEllipse::setEndAngle(double angle) {
    if (!std::isfinite(angle)) {
        return Acad::eInvalidInput;
    }
    return tarnSet(m_end, EndAbove(m_start, angle));
}

// A direction at angle a from the major axis meets the ellipse where tan t = tan a / ratio; t stays in the
// quadrant of a, so the whole turns are those that bring it nearest to a.
double AcDbEllipse::paramAtAngle(double angle) const {
    const double t = std::atan2(std::sin(angle), m_ratio * std::cos(angle));
    return t + kTwoPi * std::round((angle - t) / kTwoPi);
}

double AcDbEllipse::angleAtParam(double param) const {
    const double a = std::atan2(m_ratio * std::sin(param), std::cos(param));
    return a + kTwoPi * std::round((param - a) / kTwoPi);
}

double AcDbEllipse::endParam() const {
    const double start = paramAtAngle(m_start);
    if (m_end - m_start >= kTwoPi) {
        return start + kTwoPi;
    }
    double end = paramAtAngle(m_end);
    while (end <= start) {
        end += kTwoPi;
    }
    return end;
}

bool AcDbEllipse::isClosed() const {
    return m_end - m_start >= kTwoPi;
}

Acad::ErrorStatus AcDbEllipse::getStartParam(double& param) const {
    param = paramAtAngle(m_start);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getEndParam(double& param) const {
    param = endParam();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getStartPoint(AcGePoint3d& point) const {
    return getPointAtParam(paramAtAngle(m_start), point);
}

Acad::ErrorStatus AcDbEllipse::getEndPoint(AcGePoint3d& point) const {
    return getPointAtParam(endParam(), point);
}

Acad::ErrorStatus AcDbEllipse::getPointAtParam(double param, AcGePoint3d& point) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    if (!std::isfinite(param)) {
        return Acad::eInvalidInput;
    }
    point = m_center + m_major * std::cos(param) + minorAxis() * std::sin(param);
    return Acad::eOk;
}

namespace {

// The ellipse in its own plane: centre at the origin, major axis along X.
AcGeEllipArc2d LocalArc(const AcDbEllipse& e, double startParam, double endParam) {
    return AcGeEllipArc2d(AcGePoint2d::kOrigin, AcGeVector2d::kXAxis, AcGeVector2d::kYAxis, e.majorRadius(),
                          e.minorRadius(), startParam, endParam);
}

}  // namespace

Acad::ErrorStatus AcDbEllipse::getParamAtPoint(const AcGePoint3d& point, double& param) const {
    AcGePoint3d closest;
    Acad::ErrorStatus es = getClosestPointTo(point, closest);
    if (es != Acad::eOk) {
        return es;
    }
    if (closest.distanceTo(point) > 1e-7 * std::max(1.0, majorRadius())) {
        return Acad::ePointNotOnEntity;
    }
    const AcGeVector3d d = closest - m_center;
    const double t = std::atan2(d.dotProduct(minorAxis()) / (minorRadius() * minorRadius()),
                                d.dotProduct(m_major) / (majorRadius() * majorRadius()));
    const double start = paramAtAngle(m_start);
    param = t + kTwoPi * std::ceil((start - t) / kTwoPi);
    if (param > endParam() + 1e-9) {
        param = start;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getDistAtParam(double param, double& dist) const {
    const double start = paramAtAngle(m_start);
    const double end = endParam();
    if (isNull() || !std::isfinite(param) || param < start - 1e-9 || param > end + 1e-9) {
        return Acad::eInvalidInput;
    }
    dist = LocalArc(*this, start, end).length(start, std::clamp(param, start, end));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getParamAtDist(double dist, double& param) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    const double start = paramAtAngle(m_start);
    const double end = endParam();
    const AcGeEllipArc2d local = LocalArc(*this, start, end);
    const double total = local.length(start, end);
    if (!std::isfinite(dist) || dist < -1e-9 * std::max(1.0, total) || dist > total * (1 + 1e-9) + 1e-9) {
        return Acad::eInvalidInput;
    }
    // The length grows with the parameter: bisection.
    double lo = start;
    double hi = end;
    for (int i = 0; i < 60 && hi - lo > 1e-13; ++i) {
        const double mid = (lo + hi) / 2;
        (local.length(start, mid) < dist ? lo : hi) = mid;
    }
    param = (lo + hi) / 2;
    return Acad::eOk;
}

// A fine search over the parameter, refined by Newton steps on the distance.
Acad::ErrorStatus AcDbEllipse::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest, bool) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    const double start = paramAtAngle(m_start);
    const double end = endParam();
    const AcGeVector3d minor = minorAxis();
    auto at = [&](double t) { return m_center + m_major * std::cos(t) + minor * std::sin(t); };
    constexpr int kSteps = 720;
    double best = start;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = start + (end - start) * i / kSteps;
        if (at(t).distanceTo(given) < at(best).distanceTo(given)) {
            best = t;
        }
    }
    for (int i = 0; i < 20; ++i) {
        const AcGeVector3d d1 = m_major * -std::sin(best) + minor * std::cos(best);
        const AcGeVector3d d2 = m_major * -std::cos(best) - minor * std::sin(best);
        const AcGeVector3d r = at(best) - given;
        const double f = r.dotProduct(d1);
        const double df = d1.dotProduct(d1) + r.dotProduct(d2);
        if (!(std::fabs(df) > 0.0)) {
            break;
        }
        best = std::clamp(best - f / df, start, end);
    }
    closest = at(best);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getArea(double& area) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    const double start = paramAtAngle(m_start);
    const double sweep = endParam() - start;
    // The sector a b (t1 - t0) / 2, less the triangle to the chord for an open arc.
    const double a = majorRadius();
    const double b = minorRadius();
    area = a * b * (sweep - (isClosed() ? 0.0 : std::sin(sweep))) / 2.0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::transformBy(const AcGeMatrix3d& matrix) {
    double scale = 0.0;
    Acad::ErrorStatus es = platform::detail::StartUniformTransform(*this, matrix, scale);
    if (es != Acad::eOk) {
        return es;
    }
    m_center.transformBy(matrix);
    m_major = matrix * m_major;
    m_normal = (matrix * m_normal).normal();
    // A mirroring runs the ellipse the other way round about its new normal.
    if (matrix.det() < 0.0 && !isClosed()) {
        const double sweep = m_end - m_start;
        m_start = NormalizeAngle(-m_end);
        m_end = m_start + sweep;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getGeomExtents(AcDbExtents& extents) const {
    if (isNull()) {
        return Acad::eInvalidExtents;
    }
    // The ellipse in its plane frame, measured by the plane-curve extents.
    const AcGeVector3d x = m_major / majorRadius();
    const AcGeVector3d y = m_normal.crossProduct(x);
    AcGeMatrix3d frame;
    frame.setCoordSystem(m_center, x, y, m_normal);
    AcDbExtents box;
    platform::detail::AddCurveExtents(LocalArc(*this, paramAtAngle(m_start), endParam()), frame, 0.0, box);
    extents = box;
    return Acad::eOk;
}

// ---- ellipses: 10 centre, 11 major axis, 210 normal, 40 ratio, 41/42 start and end parameters ----

namespace {

using platform::dxf::EllipseAngleOf;
using platform::dxf::EllipseParamOf;
using platform::dxf::Find;
using platform::dxf::FindNormal;
using platform::dxf::FindReal;
using platform::dxf::FormatReal;
using platform::dxf::Group;
using platform::dxf::kFullTurn;
using platform::dxf::ReadContext;
using platform::dxf::Trim;
using platform::dxf::WritePoint;
using platform::dxf::Writer;
using platform::dxf::WriteVector;

long double ParseParam(std::string_view text) {
    text = Trim(text);
    long double value = 0.0L;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The parameter of an angle with enough digits that the reader gets the very same angle back.
std::string FormatParam(double angle, double ratio) {
    const long double param = EllipseParamOf(angle, ratio);
    char buffer[64];
    for (int precision = 17; precision <= 21; ++precision) {
        const auto end =
            std::to_chars(buffer, buffer + sizeof(buffer), param, std::chars_format::general, precision);
        const std::string text(buffer, end.ptr);
        if (EllipseAngleOf(ParseParam(text), ratio) == angle) {
            return text;
        }
    }
    return FormatReal(static_cast<double>(param));
}

void WriteEllipse(const AcDbObject* object, Writer& out) {
    const auto* shape = static_cast<const AcDbEllipse*>(object);
    out.raw(100, "AcDbEllipse");
    WritePoint(out, 10, shape->center());
    WriteVector(out, 11, shape->majorAxis());
    WriteVector(out, 210, shape->normal());
    out.real(40, shape->radiusRatio());
    out.raw(41, FormatParam(shape->startAngle(), shape->radiusRatio()));
    out.raw(42, FormatParam(shape->endAngle(), shape->radiusRatio()));
}

void ReadEllipse(AcDbObject* object, const std::vector<Group>& body, const ReadContext&) {
    auto* shape = static_cast<AcDbEllipse*>(object);
    AcGePoint3d center(0.0, 0.0, 0.0), major(1.0, 0.0, 0.0);
    Find(body, 10, center);
    Find(body, 11, major);
    const AcGeVector3d axis(major.x, major.y, major.z);
    const double ratio = FindReal(body, 40, 1.0);
    double start = 0.0, end = kFullTurn;
    for (const Group& g : body) {
        if (g.code == 41) {
            start = EllipseAngleOf(ParseParam(g.value), ratio);
        } else if (g.code == 42) {
            end = EllipseAngleOf(ParseParam(g.value), ratio);
        }
    }
    shape->set(center, FindNormal(body), axis, ratio, start, end);
}

const platform::dxf::Codec kCodec = {u"AcDbEllipse", WriteEllipse, ReadEllipse};
const platform::dxf::CodecRegistration kRegistration(&kCodec);

}  // namespace
