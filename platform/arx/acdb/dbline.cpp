#include "platform/arx/acdb/dbline.h"

#include <algorithm>
#include "platform/arx/acdb/dxffields.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbLine"),
    TARN_FIELD(39, kReal, "thickness", AcDbLine, (v.real = self->thickness(), v.skip = v.real == 0.0),
               self->setThickness(v.real)),
    TARN_FIELD(10, kPoint3d, "startPoint", AcDbLine, platform::dxf::Put(v, self->startPoint()),
               self->setStartPoint(platform::dxf::Point3d(v))),
    TARN_FIELD(11, kPoint3d, "endPoint", AcDbLine, platform::dxf::Put(v, self->endPoint()),
               self->setEndPoint(platform::dxf::Point3d(v))),
    TARN_FIELD(210, kVector3d, "normal", AcDbLine,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
};

constexpr double kParamTolerance = 1e-9;

}  // namespace

TARN_RX_DEFINE(AcDbLine, AcDbCurve, u"LINE", kFields, std::size(kFields))

Acad::ErrorStatus AcDbLine::setStartPoint(const AcGePoint3d& point) {
    return tarnSet(m_start, point);
}

Acad::ErrorStatus AcDbLine::setEndPoint(const AcGePoint3d& point) {
    return tarnSet(m_end, point);
}

Acad::ErrorStatus AcDbLine::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

Acad::ErrorStatus AcDbLine::setThickness(double thickness) {
    return tarnSet(m_thickness, thickness);
}

Acad::ErrorStatus AcDbLine::getStartParam(double& param) const {
    param = 0.0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getEndParam(double& param) const {
    param = m_start.distanceTo(m_end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getStartPoint(AcGePoint3d& point) const {
    point = m_start;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getEndPoint(AcGePoint3d& point) const {
    point = m_end;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getPointAtParam(double param, AcGePoint3d& point) const {
    const double length = m_start.distanceTo(m_end);
    const double slack = kParamTolerance * std::max(1.0, length);
    if (param < -slack || param > length + slack) {
        return Acad::eInvalidInput;
    }
    param = std::clamp(param, 0.0, length);
    point = length > 0.0 ? m_start + (m_end - m_start) * (param / length) : m_start;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getDistAtParam(double param, double& dist) const {
    const double length = m_start.distanceTo(m_end);
    if (param < -kParamTolerance * std::max(1.0, length) ||
        param > length * (1 + kParamTolerance) + kParamTolerance) {
        return Acad::eInvalidInput;
    }
    dist = std::clamp(param, 0.0, length);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getParamAtDist(double dist, double& param) const {
    return getDistAtParam(dist, param);
}

Acad::ErrorStatus AcDbLine::getPointAtDist(double dist, AcGePoint3d& point) const {
    return getPointAtParam(dist, point);
}

Acad::ErrorStatus AcDbLine::getDistAtPoint(const AcGePoint3d& point, double& dist) const {
    AcGePoint3d closest;
    getClosestPointTo(point, closest, false);
    if (closest.distanceTo(point) > 1e-9 * std::max(1.0, m_start.distanceTo(m_end))) {
        return Acad::ePointNotOnEntity;
    }
    dist = m_start.distanceTo(closest);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getParamAtPoint(const AcGePoint3d& point, double& param) const {
    return getDistAtPoint(point, param);
}

Acad::ErrorStatus AcDbLine::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                              bool extend) const {
    const AcGeVector3d direction = m_end - m_start;
    const double squared = direction.lengthSqrd();
    if (squared == 0.0) {
        closest = m_start;
        return Acad::eOk;
    }
    double t = (given - m_start).dotProduct(direction) / squared;
    if (!extend) {
        t = std::clamp(t, 0.0, 1.0);
    }
    closest = m_start + direction * t;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_start.transformBy(matrix);
    m_end.transformBy(matrix);
    AcGeVector3d n = matrix * m_normal;
    if (!n.isZeroLength()) {
        m_normal = n.normal();
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getGeomExtents(AcDbExtents& extents) const {
    AcDbExtents box;
    box.addPoint(m_start);
    box.addPoint(m_end);
    extents = box;
    return Acad::eOk;
}
