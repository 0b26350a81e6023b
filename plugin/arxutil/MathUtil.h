// Numbers: pi, tolerant comparison, rounding, random integers, the centre of a bulged arc, colour indices.
#pragma once

#include "platform/arx/acge/acge.h"
#include "platform/arx/acut/adesk.h"

class CMathUtil {
public:
    virtual ~CMathUtil() = default;

    static double PI();
    // tol > |a - b|
    static bool IsEqual(double a, double b, double tol = 1.0E-7);
    static bool IsEqual(const AcGePoint3d& a, const AcGePoint3d& b, double tol = 1.0E-7);
    // A random integer in [minValue, maxValue].
    static int GetRand(int minValue, int maxValue);
    // floor(value * 10^n + 0.5) / 10^n
    static double Round(double value, int n);
    // value + 0.5 truncated toward zero (so -2.7 gives -2).
    static int Round(double value);
    // Centre of the arc from the first point to the second with the bulge (tangent of a quarter of the
    // included angle, positive counter-clockwise). False for a bulge of 0, the centre then untouched.
    static bool GetArcCenter(const AcGePoint3d& startPoint, const AcGePoint3d& endPoint, double bulge,
                             AcGePoint3d& center);
    static bool GetArcCenter(const AcGePoint2d& startPoint, const AcGePoint2d& endPoint, double bulge,
                             AcGePoint2d& center);
    // The palette index 1..254 nearest to the RGB (red in the lowest byte); ties keep the lower index.
    static int GetColorIndexFromRGB(Adesk::UInt32 rgb);
    // The RGB of an index 0..255; any other index alerts and gives 0.
    static Adesk::UInt32 GetRGBFromColorIndex(int colorIndex);
};
