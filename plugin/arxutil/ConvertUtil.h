// Conversions: 2D and 3D points, degrees and radians, numbers as text, coordinate-system transforms.
#pragma once

#include "platform/arx/acge/acge.h"
#include "platform/arx/acut/adesk.h"
#include "platform/mfc/cstring.h"

class CConvertUtil {
public:
    virtual ~CConvertUtil() = default;

    static AcGePoint3d ToPoint3d(const AcGePoint2d& point, double z = 0);
    static AcGePoint2d ToPoint2d(const AcGePoint3d& point);
    static double AngleToRadian(double angle);
    static double RadianToAngle(double radian);
    static CString ToString(int value);
    // With n decimals ("%.nf"); n is kept within 0..15.
    static CString ToString(double value, int n);
    // Through the host's transform; a transform the host refuses gives the origin.
    static AcGePoint3d WcsToDcsPoint(const AcGePoint3d& point);
    static AcGePoint3d UcsToWcsPoint(const AcGePoint3d& point);
    static AcGePoint3d WcsToUcsPoint(const AcGePoint3d& point);
    // The number the text begins with (after blanks), 0 when it holds none.
    static double ToDouble(const ACHAR* text);
};
