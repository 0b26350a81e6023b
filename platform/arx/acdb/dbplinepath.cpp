#include "platform/arx/acdb/dbplinepath.h"

#include <algorithm>
#include <cmath>

namespace platform::detail {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

AcGeVector2d ArcSide(const AcGeCircArc2d& arc) {
    const AcGeVector2d left = arc.refVec().perpVector();
    return arc.isClockWise() ? -left : left;
}

// Adds the extremes of centre + u cos t + v sin t (world vectors) for t on [start, end].
void AddTrigExtremes(const AcGePoint3d& center, const AcGeVector3d& u, const AcGeVector3d& v, double start,
                     double end, AcDbExtents& box) {
    for (unsigned k = 0; k < 3; ++k) {
        if (u[k] == 0.0 && v[k] == 0.0) {
            continue;
        }
        const double extreme = std::atan2(v[k], u[k]);
        for (double t : {extreme, extreme + kTwoPi / 2}) {
            // The same angle shifted by whole turns into [start, start + 2pi).
            const double shifted = t + kTwoPi * std::ceil((start - t) / kTwoPi);
            if (shifted <= end) {
                box.addPoint(center + u * std::cos(shifted) + v * std::sin(shifted));
            }
        }
    }
}

}  // namespace

bool BulgeArc(const AcGePoint2d& p1, const AcGePoint2d& p2, double bulge, AcGeCircArc2d& arc) {
    const AcGeVector2d chord = p2 - p1;
    const double c = chord.length();
    if (bulge == 0.0 || !std::isfinite(bulge) || !(c > 0.0)) {
        return false;
    }
    // The centre lies off the chord's midpoint by c (1 - b^2) / (4 b) to the left; r = c (1 + b^2) / (4 |b|).
    const AcGePoint2d mid = p1 + chord * 0.5;
    const AcGePoint2d center = mid + chord.perpVector() / c * (c * (1.0 - bulge * bulge) / (4.0 * bulge));
    const double radius = c * (1.0 + bulge * bulge) / (4.0 * std::fabs(bulge));
    const bool clockwise = bulge < 0.0;
    const AcGeVector2d a = p1 - center;
    const AcGeVector2d b = p2 - center;
    const double sign = clockwise ? -1.0 : 1.0;
    const double start = sign * std::atan2(a.y, a.x);
    const double end = sign * std::atan2(b.y, b.x);
    arc.set(center, radius, start, end, AcGeVector2d::kXAxis, clockwise);
    // A bulge of a full turn or more cannot be; a tiny sweep must not read as a full circle.
    const double sweep = 4.0 * std::atan(std::fabs(bulge));
    arc.setAngles(arc.startAng(), arc.startAng() + sweep);
    return true;
}

double ArcParamOf(const AcGeCircArc2d& arc, const AcGeVector2d& direction) {
    const double angle = std::atan2(direction.dotProduct(ArcSide(arc)), direction.dotProduct(arc.refVec()));
    return angle + kTwoPi * std::ceil((arc.startAng() - angle) / kTwoPi);
}

void AddCurveExtents(const AcGeCurve2d& curve, const AcGeMatrix3d& toWorld, double z, AcDbExtents& box) {
    auto world = [&](const AcGePoint2d& p) { return toWorld * AcGePoint3d(p.x, p.y, z); };
    auto worldVector = [&](const AcGeVector2d& v) { return toWorld * AcGeVector3d(v.x, v.y, 0.0); };
    AcGeInterval range;
    curve.getInterval(range);
    if (!range.isBounded()) {
        return;
    }
    box.addPoint(world(curve.evalPoint(range.lowerBound())));
    box.addPoint(world(curve.evalPoint(range.upperBound())));
    if (curve.type() == AcGe::kCircArc2d) {
        const auto& arc = static_cast<const AcGeCircArc2d&>(curve);
        AddTrigExtremes(world(arc.center()), worldVector(arc.refVec() * arc.radius()),
                        worldVector(ArcSide(arc) * arc.radius()), arc.startAng(), arc.endAng(), box);
    } else if (curve.type() == AcGe::kEllipArc2d) {
        const auto& ell = static_cast<const AcGeEllipArc2d&>(curve);
        AddTrigExtremes(world(ell.center()), worldVector(ell.majorAxis() * ell.majorRadius()),
                        worldVector(ell.minorAxis() * ell.minorRadius()), ell.startAng(), ell.endAng(), box);
    } else if (!curve.isKindOf(AcGe::kLinearEnt2d)) {
        constexpr int kSamples = 256;
        for (int i = 1; i < kSamples; ++i) {
            box.addPoint(world(curve.evalPoint(range.lowerBound() + range.length() * i / kSamples)));
        }
    }
}

int PlinePath::numSegments() const {
    const int n = numVerts();
    if (n < 2) {
        return 0;
    }
    return closed ? n : n - 1;
}

bool PlinePath::isArc(int i) const {
    AcGeCircArc2d arc;
    return arcSeg(i, arc);
}

bool PlinePath::arcSeg(int i, AcGeCircArc2d& arc) const {
    if (i < 0 || i >= numSegments()) {
        return false;
    }
    return BulgeArc(points[static_cast<size_t>(i)], segmentEnd(i), bulgeAt(i), arc);
}

double PlinePath::segmentLength(int i) const {
    AcGeCircArc2d arc;
    if (arcSeg(i, arc)) {
        return arc.radius() * (arc.endAng() - arc.startAng());
    }
    return points[static_cast<size_t>(i)].distanceTo(segmentEnd(i));
}

double PlinePath::length() const {
    double sum = 0.0;
    for (int i = 0; i < numSegments(); ++i) {
        sum += segmentLength(i);
    }
    return sum;
}

AcGePoint2d PlinePath::pointAt(double param) const {
    const int segments = numSegments();
    if (segments == 0) {
        return points.empty() ? AcGePoint2d::kOrigin : points.front();
    }
    const int i = std::clamp(static_cast<int>(std::floor(param)), 0, segments - 1);
    const double f = std::clamp(param - i, 0.0, 1.0);
    AcGeCircArc2d arc;
    if (arcSeg(i, arc)) {
        return arc.evalPoint(arc.startAng() + f * (arc.endAng() - arc.startAng()));
    }
    const AcGePoint2d& a = points[static_cast<size_t>(i)];
    return a + (segmentEnd(i) - a) * f;
}

double PlinePath::distAtParam(double param) const {
    const int segments = numSegments();
    double sum = 0.0;
    for (int i = 0; i < segments; ++i) {
        const double piece = segmentLength(i);
        if (param < i + 1 || i == segments - 1) {
            return sum + piece * std::clamp(param - i, 0.0, 1.0);
        }
        sum += piece;
    }
    return sum;
}

double PlinePath::paramAtDist(double dist) const {
    const int segments = numSegments();
    double sum = 0.0;
    for (int i = 0; i < segments; ++i) {
        const double piece = segmentLength(i);
        if (dist <= sum + piece || i == segments - 1) {
            return piece > 0.0 ? i + std::clamp((dist - sum) / piece, 0.0, 1.0) : i;
        }
        sum += piece;
    }
    return 0.0;
}

double PlinePath::closestParam(const AcGePoint2d& point) const {
    double best = 0.0;
    double bestDistance = -1.0;
    for (int i = 0; i < numSegments(); ++i) {
        double f = 0.0;
        AcGePoint2d hit;
        AcGeCircArc2d arc;
        if (arcSeg(i, arc)) {
            hit = arc.closestPointTo(point);
            const double sweep = arc.endAng() - arc.startAng();
            f = std::clamp((ArcParamOf(arc, hit - arc.center()) - arc.startAng()) / sweep, 0.0, 1.0);
            // The start point may come back as a full turn round.
            if (hit.isEqualTo(arc.startPoint())) {
                f = 0.0;
            }
        } else {
            const AcGeLineSeg2d line(points[static_cast<size_t>(i)], segmentEnd(i));
            hit = line.closestPointTo(point);
            f = line.length() > 0.0 ? std::clamp(line.paramOf(point), 0.0, 1.0) : 0.0;
        }
        const double distance = hit.distanceTo(point);
        if (bestDistance < 0.0 || distance < bestDistance) {
            bestDistance = distance;
            best = i + f;
        }
    }
    return best;
}

AcGePoint3d PlinePath::toWorld(const AcGePoint2d& point) const {
    return AcGeMatrix3d::planeToWorld(normal) * AcGePoint3d(point.x, point.y, elevation);
}

AcGePoint2d PlinePath::toPlane(const AcGePoint3d& point) const {
    const AcGePoint3d p = AcGeMatrix3d::worldToPlane(normal) * point;
    return AcGePoint2d(p.x, p.y);
}

void PlinePath::addExtents(AcDbExtents& box) const {
    const AcGeMatrix3d toWorldMatrix = AcGeMatrix3d::planeToWorld(normal);
    for (const AcGePoint2d& p : points) {
        box.addPoint(toWorldMatrix * AcGePoint3d(p.x, p.y, elevation));
    }
    for (int i = 0; i < numSegments(); ++i) {
        AcGeCircArc2d arc;
        if (arcSeg(i, arc)) {
            AddCurveExtents(arc, toWorldMatrix, elevation, box);
        }
    }
}

double PlinePath::signedArea() const {
    const int n = numVerts();
    if (n < 2) {
        return 0.0;
    }
    double twice = 0.0;
    for (int i = 0; i < n; ++i) {
        const AcGePoint2d& a = points[static_cast<size_t>(i)];
        const AcGePoint2d& b = points[static_cast<size_t>((i + 1) % n)];
        twice += a.x * b.y - b.x * a.y;
    }
    double area = twice / 2.0;
    // Each arc adds (or, bulging inwards, takes) the circular segment between it and its chord.
    for (int i = 0; i < n; ++i) {
        AcGeCircArc2d arc;
        if (BulgeArc(points[static_cast<size_t>(i)], points[static_cast<size_t>((i + 1) % n)], bulgeAt(i),
                     arc)) {
            const double theta = arc.endAng() - arc.startAng();
            const double segment = arc.radius() * arc.radius() * (theta - std::sin(theta)) / 2.0;
            area += bulgeAt(i) > 0.0 ? segment : -segment;
        }
    }
    return area;
}

void PlinePath::appendPieces(std::vector<std::unique_ptr<AcGeCurve2d>>& pieces) const {
    for (int i = 0; i < numSegments(); ++i) {
        AcGeCircArc2d arc;
        if (arcSeg(i, arc)) {
            pieces.push_back(std::make_unique<AcGeCircArc2d>(arc));
        } else if (!points[static_cast<size_t>(i)].isEqualTo(segmentEnd(i))) {
            pieces.push_back(std::make_unique<AcGeLineSeg2d>(points[static_cast<size_t>(i)], segmentEnd(i)));
        }
    }
}

}  // namespace platform::detail
