// Point helpers: midpoints, polar and relative points, tolerant comparison and de-duplication.
#pragma once

#include "platform/arx/acge/acge.h"

class CGePointUtil {
public:
    virtual ~CGePointUtil() = default;

    static AcGePoint3d GetMiddlePoint(const AcGePoint3d& a, const AcGePoint3d& b);
    static AcGePoint2d GetMiddlePoint(const AcGePoint2d& a, const AcGePoint2d& b);
    static AcGePoint3d PolarPoint(const AcGePoint3d& base, double angle, double distance);
    static AcGePoint2d PolarPoint(const AcGePoint2d& base, double angle, double distance);
    static AcGePoint3d RelativePoint(const AcGePoint3d& base, double dx, double dy);

    // Every coordinate strictly within the tolerance.
    static bool IsEqual(const AcGePoint3d& a, const AcGePoint3d& b, double tol = 1.0E-7);
    static bool IsEqual(const AcGePoint2d& a, const AcGePoint2d& b, double tol = 1.0E-7);
    // Index of the first equal element, or -1.
    static int FindPoint(const AcGePoint3dArray& points, const AcGePoint3d& point, double tol = 1.0E-7);
    static int FindPoint(const AcGePoint2dArray& points, const AcGePoint2d& point, double tol = 1.0E-7);

    // Drops each point equal in X and Y to a point kept before it; the first of equal points stays.
    static void FilterEqualPoints(AcGePoint3dArray& points, double tol = 1.0E-7);
    // Keeps, in order, the points whose XY distance to the centre is greater than the distance.
    static void FilterNearPoints(AcGePoint3dArray& points, const AcGePoint2d& center, double distance);
};
