// Ellipses: by centre, normal, major axis and ratio; whole or partial in a rectangle; key points.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class CEllipseUtil {
public:
    virtual ~CEllipseUtil() = default;

    // Into the working database; the null id when the data make no ellipse (zero or tilted major axis,
    // ratio outside (0, 1]) — nothing is created — or when posting failed. Angles from the major axis.
    static AcDbObjectId Add(const AcGePoint3d& ptCenter, const AcGeVector3d& vecNormal,
                            const AcGeVector3d& majorAxis, double ratio, CEntityProperty prop,
                            double startAngle = 0, double endAngle = 6.283185307179586);
    // The ellipse inscribed in the rectangle of the two corners, its major axis along the longer side (Y
    // for a square). A rectangle without width or height gives the null id.
    static AcDbObjectId AddByRectangle(const AcGePoint2d& pt1, const AcGePoint2d& pt2, CEntityProperty prop);
    // As above from startAngle to endAngle, both measured from the X axis.
    static AcDbObjectId AddArcByRectangle(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                          CEntityProperty prop, double startAngle, double endAngle);
    // Start point, centre and end point of an ellipse; empty when the id is not a readable ellipse.
    static AcGePoint2dArray GetKeyPoints(AcDbObjectId entId);
};
