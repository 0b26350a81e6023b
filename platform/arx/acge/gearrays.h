// The array types of the geometry library.
#pragma once

#include "platform/arx/acge/acarray.h"
#include "platform/arx/acge/gepnt2d.h"
#include "platform/arx/acge/gepnt3d.h"

typedef AcArray<AcGePoint2d> AcGePoint2dArray;
typedef AcArray<AcGePoint3d> AcGePoint3dArray;
typedef AcArray<AcGeVector2d> AcGeVector2dArray;
typedef AcArray<AcGeVector3d> AcGeVector3dArray;
typedef AcArray<double> AcGeDoubleArray;
typedef AcArray<int> AcGeIntArray;
typedef AcArray<void*> AcGeVoidPointerArray;

// Knots of a spline: a double array with the tolerance under which two knots count as one.
class AcGeKnotVector : public AcGeDoubleArray {
public:
    explicit AcGeKnotVector(int physicalLength = 0, int growLength = 8, double tolerance = 1e-9)
        : AcGeDoubleArray(physicalLength, growLength), m_tolerance(tolerance) {}
    AcGeKnotVector(int count, const double* knots, double tolerance = 1e-9)
        : AcGeDoubleArray(count), m_tolerance(tolerance) {
        for (int i = 0; i < count; ++i) {
            append(knots[i]);
        }
    }
    double tolerance() const { return m_tolerance; }
    void setTolerance(double tolerance) { m_tolerance = tolerance; }
    double startParam() const { return isEmpty() ? 0.0 : first(); }
    double endParam() const { return isEmpty() ? 0.0 : last(); }

private:
    double m_tolerance;
};
