// Rectangle overlap.
#pragma once

#include "platform/arx/acge/acge.h"

class CGeRectangleUtil {
public:
    virtual ~CGeRectangleUtil() = default;

    // Rectangles given by two opposite corners each, in any order; touching rectangles overlap.
    static bool IntersectWithRectangle(const AcGePoint2d& rect1Point1, const AcGePoint2d& rect1Point2,
                                       const AcGePoint2d& rect2Point1, const AcGePoint2d& rect2Point2);
};
