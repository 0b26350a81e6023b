#include "platform/arx/acdb/dbcircle.h"

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;
using platform::detail::kTwoPi;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbCircle"),
    TARN_FIELD(39, kReal, "thickness", AcDbCircle, (v.real = self->thickness(), v.skip = v.real == 0.0),
               self->setThickness(v.real)),
    TARN_FIELD(10, kPoint3d, "center", AcDbCircle, platform::dxf::Put(v, self->center()),
               self->setCenter(platform::dxf::Point3d(v))),
    TARN_FIELD(40, kReal, "radius", AcDbCircle, v.real = self->radius(), self->setRadius(v.real)),
    TARN_FIELD(210, kVector3d, "normal", AcDbCircle,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
};

}  // namespace

TARN_RX_DEFINE(AcDbCircle, AcDbCurve, u"CIRCLE", kFields, std::size(kFields))

AcDbCircle::AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius)
    : m_center(center),
      m_normal(normal.isZeroLength() ? AcGeVector3d::kZAxis : normal.normal()),
      m_radius(radius) {}

Acad::ErrorStatus AcDbCircle::setCenter(const AcGePoint3d& center) {
    return tarnSet(m_center, center);
}

Acad::ErrorStatus AcDbCircle::setRadius(double radius) {
    if (!(radius > 0.0) || !std::isfinite(radius)) {
        return Acad::eInvalidInput;
    }
    return tarnSet(m_radius, radius);
}

Acad::ErrorStatus AcDbCircle::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

Acad::ErrorStatus AcDbCircle::setThickness(double thickness) {
    return tarnSet(m_thickness, thickness);
}

Acad::ErrorStatus AcDbCircle::getStartParam(double& param) const {
    param = 0.0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getEndParam(double& param) const {
    param = kTwoPi;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getStartPoint(AcGePoint3d& point) const {
    return getPointAtParam(0.0, point);
}
Acad::ErrorStatus AcDbCircle::getEndPoint(AcGePoint3d& point) const {
    return getPointAtParam(0.0, point);
}

Acad::ErrorStatus AcDbCircle::getPointAtParam(double param, AcGePoint3d& point) const {
    if (!(m_radius > 0.0) || !std::isfinite(param)) {
        return Acad::eDegenerateGeometry;
    }
    point = platform::detail::CirclePoint(m_center, m_normal, m_radius, param);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getDistAtParam(double param, double& dist) const {
    if (!(m_radius > 0.0) || param < 0.0 || param > kTwoPi * (1 + 1e-9)) {
        return Acad::eInvalidInput;
    }
    dist = param * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getParamAtDist(double dist, double& param) const {
    if (!(m_radius > 0.0) || dist < 0.0 || dist > kTwoPi * m_radius * (1 + 1e-9)) {
        return Acad::eInvalidInput;
    }
    param = dist / m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest, bool) const {
    if (!(m_radius > 0.0)) {
        return Acad::eDegenerateGeometry;
    }
    return getPointAtParam(platform::detail::CircleAngle(m_center, m_normal, given), closest);
}

Acad::ErrorStatus AcDbCircle::getArea(double& area) const {
    area = kTwoPi / 2 * m_radius * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::transformBy(const AcGeMatrix3d& matrix) {
    double scale = 0.0;
    Acad::ErrorStatus es = platform::detail::StartUniformTransform(*this, matrix, scale);
    if (es != Acad::eOk) {
        return es;
    }
    m_center.transformBy(matrix);
    m_normal = (matrix * m_normal).normal();
    m_radius *= scale;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getGeomExtents(AcDbExtents& extents) const {
    if (!(m_radius > 0.0)) {
        return Acad::eInvalidExtents;
    }
    extents = platform::detail::ArcExtents(m_center, m_normal, m_radius, 0.0, 0.0, true);
    return Acad::eOk;
}
