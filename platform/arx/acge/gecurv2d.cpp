#include "platform/arx/acge/gecurv2d.h"

#include <cmath>

namespace {

// The class each class derives from (kEntity2d for the root).
AcGe::EntityId ParentOf(AcGe::EntityId id) {
    switch (id) {
        case AcGe::kCurve2d:
            return AcGe::kEntity2d;
        case AcGe::kLinearEnt2d:
        case AcGe::kCircArc2d:
        case AcGe::kEllipArc2d:
        case AcGe::kSplineEnt2d:
            return AcGe::kCurve2d;
        case AcGe::kLine2d:
        case AcGe::kLineSeg2d:
        case AcGe::kRay2d:
            return AcGe::kLinearEnt2d;
        case AcGe::kNurbCurve2d:
            return AcGe::kSplineEnt2d;
        default:
            return AcGe::kEntity2d;
    }
}

// Chord length with n pieces.
double ChordLength(const AcGeCurve2d& curve, double from, double to, int pieces) {
    double sum = 0.0;
    AcGePoint2d previous = curve.evalPoint(from);
    for (int i = 1; i <= pieces; ++i) {
        const AcGePoint2d next = curve.evalPoint(from + (to - from) * i / pieces);
        sum += previous.distanceTo(next);
        previous = next;
    }
    return sum;
}

}  // namespace

bool AcGeEntity2d::isKindOf(AcGe::EntityId entityType) const {
    for (AcGe::EntityId id = type();; id = ParentOf(id)) {
        if (id == entityType) {
            return true;
        }
        if (id == AcGe::kEntity2d) {
            return false;
        }
    }
}

bool AcGeCurve2d::hasStartPoint(AcGePoint2d& point) const {
    AcGeInterval range;
    getInterval(range);
    if (!range.isBoundedBelow()) {
        return false;
    }
    point = evalPoint(range.lowerBound());
    return true;
}

bool AcGeCurve2d::hasEndPoint(AcGePoint2d& point) const {
    AcGeInterval range;
    getInterval(range);
    if (!range.isBoundedAbove()) {
        return false;
    }
    point = evalPoint(range.upperBound());
    return true;
}

bool AcGeCurve2d::isClosed(const AcGeTol& tol) const {
    AcGePoint2d start, end;
    return hasStartPoint(start) && hasEndPoint(end) && start.isEqualTo(end, tol);
}

// Chord sums converge as h^2, so one Richardson step over doubled pieces gives h^4.
double AcGeCurve2d::length(double fromParam, double toParam, double) const {
    if (fromParam == toParam) {
        return 0.0;
    }
    constexpr int kPieces = 512;
    const double coarse = ChordLength(*this, fromParam, toParam, kPieces);
    const double fine = ChordLength(*this, fromParam, toParam, 2 * kPieces);
    return (4.0 * fine - coarse) / 3.0;
}

void AcGeCurve2d::getSamplePoints(int numSample, AcGePoint2dArray& pointArray) const {
    pointArray.removeAll();
    AcGeInterval range;
    getInterval(range);
    if (numSample <= 0 || !range.isBounded()) {
        return;
    }
    pointArray.setPhysicalLength(numSample);
    if (numSample == 1) {
        pointArray.append(evalPoint(range.lowerBound()));
        return;
    }
    const double lower = range.lowerBound();
    const double step = range.length() / (numSample - 1);
    for (int i = 0; i < numSample - 1; ++i) {
        pointArray.append(evalPoint(lower + step * i));
    }
    // The last sample is the end point itself, not lower + step * (n - 1) with its rounding.
    pointArray.append(evalPoint(range.upperBound()));
}
