// An unbounded plane: a point on it and a unit normal, with an in-plane frame (u, v).
#pragma once

#include "platform/arx/acge/gepnt3d.h"
#include "platform/arx/acge/gepnt2d.h"

class AcGePlane {
public:
    AcGePlane();
    // The in-plane axes follow from the normal by the arbitrary-axis rule.
    AcGePlane(const AcGePoint3d& origin, const AcGeVector3d& normal);
    // Normal = u x v; v is made perpendicular to u.
    AcGePlane(const AcGePoint3d& origin, const AcGeVector3d& uAxis, const AcGeVector3d& vAxis);

    static const AcGePlane kXYPlane;
    static const AcGePlane kYZPlane;
    static const AcGePlane kZXPlane;

    AcGePoint3d pointOnPlane() const { return m_origin; }
    AcGeVector3d normal() const { return m_normal; }
    void getCoordSystem(AcGePoint3d& origin, AcGeVector3d& uAxis, AcGeVector3d& vAxis) const;
    double signedDistanceTo(const AcGePoint3d& point) const;
    double distanceTo(const AcGePoint3d& point) const;
    bool isOn(const AcGePoint3d& point, const AcGeTol& tol = AcGeContext::gTol) const;
    AcGePoint3d closestPointTo(const AcGePoint3d& point) const;
    // Along direction onto the plane; false when the direction runs parallel to it.
    bool project(const AcGePoint3d& point, const AcGeVector3d& direction, AcGePoint3d& result,
                 const AcGeTol& tol = AcGeContext::gTol) const;
    // Plane coordinates (u, v) of a point, and back.
    AcGePoint2d paramOf(const AcGePoint3d& point) const;
    AcGePoint3d evalPoint(const AcGePoint2d& param) const;

private:
    AcGePoint3d m_origin;
    AcGeVector3d m_normal;
    AcGeVector3d m_u;
    AcGeVector3d m_v;
};
