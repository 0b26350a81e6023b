// Small geometry shared by the entity classes (internal).
#pragma once

#include <cmath>

#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acdb/dbobject.h"
#include "platform/arx/acge/geangle.h"
#include "platform/arx/acge/gemat3d.h"
#include "platform/arx/acge/gepnt3d.h"
#include "platform/arx/acge/gevec3d.h"

namespace platform::detail {

inline bool IsFinitePoint(const AcGePoint3d& point) {
    return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

// The in-plane axes of a normal by the arbitrary-axis rule (angles of planar entities are measured from X).
inline void PlaneAxes(const AcGeVector3d& normal, AcGeVector3d& xAxis, AcGeVector3d& yAxis) {
    AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(normal);
    xAxis = toWorld * AcGeVector3d::kXAxis;
    yAxis = toWorld * AcGeVector3d::kYAxis;
}

// The point at an angle on a circle.
inline AcGePoint3d CirclePoint(const AcGePoint3d& center, const AcGeVector3d& normal, double radius,
                               double angle) {
    AcGeVector3d x, y;
    PlaneAxes(normal, x, y);
    return center + x * (radius * std::cos(angle)) + y * (radius * std::sin(angle));
}

// The angle of a point around a circle's centre in the circle's plane.
inline double CircleAngle(const AcGePoint3d& center, const AcGeVector3d& normal, const AcGePoint3d& point) {
    AcGeVector3d x, y;
    PlaneAxes(normal, x, y);
    const AcGeVector3d d = point - center;
    return NormalizeAngle(std::atan2(d.dotProduct(y), d.dotProduct(x)));
}

// Whether an angle lies on the counter-clockwise sweep from start to end (both normalised).
inline bool AngleInSweep(double angle, double start, double end) {
    const double sweep = end > start ? end - start : end - start + kTwoPi;
    const double offset = NormalizeAngle(angle - start);
    return offset <= sweep + 1e-12;
}

// The true extents of an arc (a full circle when start == end and full is set): its end points and, for
// each world axis, the two angles where that coordinate is extreme when they lie on the sweep.
inline AcDbExtents ArcExtents(const AcGePoint3d& center, const AcGeVector3d& normal, double radius,
                              double start, double end, bool full) {
    AcGeVector3d x, y;
    PlaneAxes(normal, x, y);
    AcDbExtents box;
    if (!full) {
        box.addPoint(CirclePoint(center, normal, radius, start));
        box.addPoint(CirclePoint(center, normal, radius, end));
    }
    for (unsigned k = 0; k < 3; ++k) {
        if (std::fabs(x[k]) < 1e-15 && std::fabs(y[k]) < 1e-15) {
            continue;  // this coordinate does not change around the circle
        }
        const double extreme = NormalizeAngle(std::atan2(y[k], x[k]));
        for (double angle : {extreme, NormalizeAngle(extreme + kTwoPi / 2)}) {
            if (full || AngleInSweep(angle, start, end)) {
                box.addPoint(CirclePoint(center, normal, radius, angle));
            }
        }
    }
    if (full) {
        box.addPoint(center);  // a circle in a plane of constant coordinates still spans its centre
    }
    return box;
}

// The uniform scale of a matrix, or a negative value when it is not a uniform scaling with rotation.
inline double UniformScale(const AcGeMatrix3d& matrix) {
    if (!matrix.isUniScaledOrtho()) {
        return -1.0;
    }
    return (matrix * AcGeVector3d::kXAxis).length();
}

// The start of transformBy for entities that take only moves, rotations, mirrors and uniform scaling:
// eCannotScaleNonUniformly for other matrices, then the write check. scale is the matrix's scale.
inline Acad::ErrorStatus StartUniformTransform(AcDbObject& object, const AcGeMatrix3d& matrix,
                                               double& scale) {
    scale = UniformScale(matrix);
    return scale <= 0.0 ? Acad::eCannotScaleNonUniformly : object.assertWriteEnabled();
}

}  // namespace platform::detail
