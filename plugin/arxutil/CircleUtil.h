// Circles: by centre and radius, on a diameter, through three points.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class AcDbDatabase;

class CCircleUtil {
public:
    virtual ~CCircleUtil() = default;

    // Into the given database; the null id for a radius of zero or less (nothing is created) or when
    // posting failed.
    static AcDbObjectId Add(const AcGePoint3d& ptCenter, const AcGeVector3d& vec, double radius,
                            CEntityProperty prop, AcDbDatabase* pDb);
    static AcDbObjectId Add(const AcGePoint3d& ptCenter, double radius, CEntityProperty prop,
                            AcDbDatabase* pDb);
    // On the diameter between the points, into the working database.
    static AcDbObjectId Add(const AcGePoint2d& pt1, const AcGePoint2d& pt2, CEntityProperty prop);
    // Through the points (x and y), into the working database. Points on one line show
    // "所输入的参数无法创建圆形！" and a radius below 1e-6 "半径过小！"; both give the null id.
    static AcDbObjectId Add(const AcGePoint3d& pt1, const AcGePoint3d& pt2, const AcGePoint3d& pt3,
                            CEntityProperty prop);
};
