#include "platform/arx/acdb/dbarc.h"

#include <algorithm>

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;
using platform::detail::kTwoPi;
using platform::detail::NormalizeAngle;

// Files describe an arc as a circle with angles: two subclass markers.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbCircle"),
    TARN_FIELD(39, kReal, "thickness", AcDbArc, (v.real = self->thickness(), v.skip = v.real == 0.0),
               self->setThickness(v.real)),
    TARN_FIELD(10, kPoint3d, "center", AcDbArc, platform::dxf::Put(v, self->center()),
               self->setCenter(platform::dxf::Point3d(v))),
    TARN_FIELD(40, kReal, "radius", AcDbArc, v.real = self->radius(), self->setRadius(v.real)),
    TARN_FIELD(210, kVector3d, "normal", AcDbArc,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
    TARN_SUBCLASS("AcDbArc"),
    TARN_FIELD(50, kAngle, "startAngle", AcDbArc, v.real = self->startAngle(), self->setStartAngle(v.real)),
    TARN_FIELD(51, kAngle, "endAngle", AcDbArc, v.real = self->endAngle(), self->setEndAngle(v.real)),
};

constexpr double kTolerance = 1e-9;

}  // namespace

TARN_RX_DEFINE(AcDbArc, AcDbCurve, u"ARC", kFields, std::size(kFields))

AcDbArc::AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle)
    : AcDbArc(center, AcGeVector3d::kZAxis, radius, startAngle, endAngle) {}

AcDbArc::AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
                 double endAngle)
    : m_center(center),
      m_normal(normal.isZeroLength() ? AcGeVector3d::kZAxis : normal.normal()),
      m_radius(radius),
      m_start(NormalizeAngle(startAngle)),
      m_end(NormalizeAngle(endAngle)) {}

double AcDbArc::sweep() const {
    return m_end > m_start ? m_end - m_start : m_end - m_start + kTwoPi;
}

#define TARN_ARC_SETTER(NAME, TYPE, MEMBER, VALUE) \
    Acad::ErrorStatus AcDbArc::NAME(TYPE value) {  \
        return tarnSet(MEMBER, VALUE);             \
    }

TARN_ARC_SETTER(setCenter, const AcGePoint3d&, m_center, value)
TARN_ARC_SETTER(setStartAngle, double, m_start, NormalizeAngle(value))
TARN_ARC_SETTER(setEndAngle, double, m_end, NormalizeAngle(value))
TARN_ARC_SETTER(setThickness, double, m_thickness, value)

#undef TARN_ARC_SETTER

Acad::ErrorStatus AcDbArc::setRadius(double radius) {
    if (!(radius > 0.0) || !std::isfinite(radius)) {
        return Acad::eInvalidInput;
    }
    return tarnSet(m_radius, radius);
}

Acad::ErrorStatus AcDbArc::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

Acad::ErrorStatus AcDbArc::getStartParam(double& param) const {
    param = m_start;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getEndParam(double& param) const {
    param = m_start + sweep();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getStartPoint(AcGePoint3d& point) const {
    point = platform::detail::CirclePoint(m_center, m_normal, m_radius, m_start);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getEndPoint(AcGePoint3d& point) const {
    point = platform::detail::CirclePoint(m_center, m_normal, m_radius, m_end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getPointAtParam(double param, AcGePoint3d& point) const {
    const double end = m_start + sweep();
    if (!std::isfinite(param) || param < m_start - kTolerance || param > end + kTolerance) {
        return Acad::eInvalidInput;
    }
    point = platform::detail::CirclePoint(m_center, m_normal, m_radius, std::clamp(param, m_start, end));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getDistAtParam(double param, double& dist) const {
    const double end = m_start + sweep();
    if (!std::isfinite(param) || param < m_start - kTolerance || param > end + kTolerance) {
        return Acad::eInvalidInput;
    }
    dist = (std::clamp(param, m_start, end) - m_start) * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getParamAtDist(double dist, double& param) const {
    const double length = sweep() * m_radius;
    if (!(m_radius > 0.0) || !std::isfinite(dist) || dist < -kTolerance * std::max(1.0, length) ||
        dist > length * (1 + kTolerance) + kTolerance) {
        return Acad::eInvalidInput;
    }
    param = m_start + std::clamp(dist, 0.0, length) / m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                             bool extend) const {
    if (!(m_radius > 0.0)) {
        return Acad::eDegenerateGeometry;
    }
    const double angle = platform::detail::CircleAngle(m_center, m_normal, given);
    if (extend || platform::detail::AngleInSweep(angle, m_start, m_end)) {
        closest = platform::detail::CirclePoint(m_center, m_normal, m_radius, angle);
        return Acad::eOk;
    }
    AcGePoint3d start, end;
    getStartPoint(start);
    getEndPoint(end);
    closest = given.distanceTo(start) <= given.distanceTo(end) ? start : end;
    return Acad::eOk;
}

// Transforms the defining points; a mirroring turns the sweep round, so start and end swap.
Acad::ErrorStatus AcDbArc::transformBy(const AcGeMatrix3d& matrix) {
    double scale = 0.0;
    Acad::ErrorStatus es = platform::detail::StartUniformTransform(*this, matrix, scale);
    if (es != Acad::eOk) {
        return es;
    }
    AcGePoint3d start, end;
    getStartPoint(start);
    getEndPoint(end);
    start.transformBy(matrix);
    end.transformBy(matrix);
    m_center.transformBy(matrix);
    m_normal = (matrix * m_normal).normal();
    m_radius *= scale;
    if (matrix.det() < 0.0) {
        std::swap(start, end);
    }
    m_start = platform::detail::CircleAngle(m_center, m_normal, start);
    m_end = platform::detail::CircleAngle(m_center, m_normal, end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getGeomExtents(AcDbExtents& extents) const {
    if (!(m_radius > 0.0)) {
        return Acad::eInvalidExtents;
    }
    extents = platform::detail::ArcExtents(m_center, m_normal, m_radius, m_start, m_end, false);
    return Acad::eOk;
}
