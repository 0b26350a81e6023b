#include "plugin/arxutil/ArcUtil.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "plugin/arxutil/ConvertUtil.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/arxutil/MathUtil.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kCountTolerance = 1e-9;
// More steps than any sampling needs; a tiny step must not make a count beyond int (or beyond memory).
constexpr double kMaxSteps = 1e6;

AcDbDatabase* WorkingDb() {
    return acdbHostApplicationServices()->workingDatabase();
}

bool IsUsableStep(double step) {
    return step > 0.0 && std::isfinite(step);
}

double Degrees(double radians) {
    return radians * 180.0 / CMathUtil::PI();
}

// Samples a circular or elliptical 2D arc at whole steps (degrees) of its sweep; an arc narrower than two
// steps still gives its two ends.
void AppendArcSamples(const AcGeCurve2d& arc, double startAng, double endAng, double stepAngle,
                      AcGePoint3dArray& points) {
    const double startDeg = Degrees(startAng);
    double endDeg = Degrees(endAng);
    if (startDeg > endDeg) {
        endDeg += 360;
    }
    const int n = std::max(2, arxutil::StepsFloor(endDeg - startDeg, stepAngle));
    arxutil::AppendSamples(arc, n, points);
}

// An angle as an arc entity keeps it: in [0, 2 pi).
double NormalizedAngle(double angle) {
    if (!std::isfinite(angle)) {
        return 0.0;
    }
    double a = std::fmod(angle, kTwoPi);
    if (a < 0.0) {
        a += kTwoPi;
    }
    return a >= kTwoPi ? 0.0 : a;
}

// The arc of a bulged segment as an arc entity would hold it: centre, radius, start and end angle
// (counter-clockwise; for a negative bulge from the end to the start). False for a bulge of 0.
bool BulgeArc(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, double bulge, AcGePoint3d& ptCenter,
              double& radius, double& startAngle, double& endAngle) {
    if (!CMathUtil::GetArcCenter(ptStart, ptEnd, bulge, ptCenter)) {
        return false;
    }
    radius = ptCenter.distanceTo(ptStart);
    startAngle = (CConvertUtil::ToPoint2d(ptStart) - CConvertUtil::ToPoint2d(ptCenter)).angle();
    endAngle = (CConvertUtil::ToPoint2d(ptEnd) - CConvertUtil::ToPoint2d(ptCenter)).angle();
    // A negative bulge runs clockwise from start to end: the counter-clockwise arc is the one from end to
    // start, not its complement.
    if (bulge < 0) {
        std::swap(startAngle, endAngle);
    }
    if (startAngle > endAngle) {
        endAngle += 2 * CMathUtil::PI();
    }
    return true;
}

// A circular arc in its plane: the plane's axes are worked out once per arc, so a sample costs a sine and a
// cosine, never a matrix.
struct ArcFrame {
    AcGePoint3d center;
    AcGeVector3d xAxis;
    AcGeVector3d yAxis;
    double radius;
    double start;  // angles in [0, 2 pi)
    double end;

    AcGePoint3d At(double angle) const {
        return center + xAxis * (radius * std::cos(angle)) + yAxis * (radius * std::sin(angle));
    }
};

// Samples every step degrees by distance along the arc (from the end backwards for a negative direction),
// and its end (or start) point when asked: what the arc entity's own getPointAtDist gives at those
// distances, without an entity or a matrix per point.
void SampleArc(const ArcFrame& arc, AcGePoint3dArray& points, double direction, bool bAppendEnd,
               double stepAngle) {
    if (!IsUsableStep(stepAngle)) {
        return;
    }
    const double startDeg = Degrees(arc.start);
    const double endDeg = Degrees(arc.end);
    double sweep = endDeg - startDeg;
    if (startDeg > endDeg) {
        sweep += 360;
    }
    double sweepRad = arc.end - arc.start;
    if (sweepRad < 0) {
        sweepRad += kTwoPi;
    }
    const double length = arc.radius * sweepRad;
    // An arc of no radius has no point at any distance; only its end is given.
    const int n = arc.radius > 0.0 ? arxutil::StepsCeil(sweep, stepAngle) : 0;
    // The parameter of a distance never passes the arc's end; an arc whose ends meet sweeps all round.
    const double lastParam = arc.start + (arc.end > arc.start ? sweepRad : arc.end - arc.start + kTwoPi);
    for (int i = 0; i < n; ++i) {
        double dist = length / n * i;
        if (direction < 0) {
            dist = length - dist;
        }
        // Rounding must not push the distance past the arc's own length.
        dist = std::min(std::max(dist, 0.0), length);
        points.append(arc.At(std::min(arc.start + dist / arc.radius, lastParam)));
    }
    if (bAppendEnd) {
        points.append(arc.At(direction >= 0 ? arc.end : arc.start));
    }
}

}  // namespace

int arxutil::StepsCeil(double sweep, double step) {
    if (!IsUsableStep(step) || !(sweep > 0.0) || !std::isfinite(sweep)) {
        return 0;
    }
    const double q = std::min(sweep / step, kMaxSteps);
    const double nearest = std::round(q);
    return static_cast<int>(std::fabs(q - nearest) < kCountTolerance ? nearest : std::ceil(q));
}

int arxutil::StepsFloor(double sweep, double step) {
    if (!IsUsableStep(step) || !(sweep > 0.0) || !std::isfinite(sweep)) {
        return 0;
    }
    const double whole = std::floor(sweep + kCountTolerance);
    return static_cast<int>(std::min(std::floor(whole / step + kCountTolerance), kMaxSteps));
}

void arxutil::AppendSamples(const AcGeCurve2d& curve, int count, AcGePoint3dArray& points) {
    AcGePoint2dArray samples;
    curve.getSamplePoints(count, samples);
    for (const AcGePoint2d& p : samples) {
        points.append(CConvertUtil::ToPoint3d(p));
    }
}

AcDbObjectId CArcUtil::Add(const AcGePoint3d& ptCenter, const AcGeVector3d& vec, double radius,
                           double startAngle, double endAngle, CEntityProperty prop) {
    // A point-sized arc is no arc: refuse it rather than post degenerate geometry.
    if (!(radius > 1e-9) || !std::isfinite(radius) || !std::isfinite(startAngle) ||
        !std::isfinite(endAngle)) {
        return AcDbObjectId::kNull;
    }
    AcDbArc* pArc = new AcDbArc(ptCenter, vec, radius, startAngle, endAngle);
    return CDwgDatabaseUtil::PostToModelSpace(pArc, prop, WorkingDb());
}

AcDbObjectId CArcUtil::Add(const AcGePoint3d& ptCenter, double radius, double startAngle, double endAngle,
                           CEntityProperty prop) {
    return Add(ptCenter, AcGeVector3d(0, 0, 1), radius, startAngle, endAngle, prop);
}

AcDbObjectId CArcUtil::Add(const AcGePoint3d& ptStart, const AcGePoint3d& ptOnArc, const AcGePoint3d& ptEnd,
                           CEntityProperty prop) {
    AcGe::ErrorCondition error = AcGe::kOk;
    AcGeCircArc2d geArc;
    geArc.set(CConvertUtil::ToPoint2d(ptStart), CConvertUtil::ToPoint2d(ptOnArc),
              CConvertUtil::ToPoint2d(ptEnd), error);
    // Points on one line have no circle through them.
    if (error != AcGe::kOk) {
        return AcDbObjectId::kNull;
    }
    const AcGePoint2d c = geArc.center();
    const AcGePoint3d ptCenter(c.x, c.y, (ptStart.z + ptOnArc.z + ptEnd.z) / 3);
    const double startAngle = (CConvertUtil::ToPoint2d(ptStart) - c).angle();
    const double endAngle = (CConvertUtil::ToPoint2d(ptEnd) - c).angle();
    return Add(ptCenter, geArc.radius(), startAngle, endAngle, prop);
}

AcDbObjectId CArcUtil::Add(const AcGePoint2d& ptStart, const AcGePoint2d& ptCenter, double angle,
                           CEntityProperty prop) {
    const double radius = ptCenter.distanceTo(ptStart);
    const double startAngle = (ptStart - ptCenter).angle();
    return Add(CConvertUtil::ToPoint3d(ptCenter), radius, startAngle, startAngle + angle, prop);
}

AcDbObjectId CArcUtil::Add(const AcGePoint2d& ptStart, const AcGePoint2d& ptCenter, const AcGePoint2d& ptEnd,
                           CEntityProperty prop) {
    const double radius = ptCenter.distanceTo(ptStart);
    return Add(CConvertUtil::ToPoint3d(ptCenter), radius, (ptStart - ptCenter).angle(),
               (ptEnd - ptCenter).angle(), prop);
}

AcDbObjectId CArcUtil::AddByTwoPoints(const AcGePoint2d& pt1, const AcGePoint2d& pt2, double startAngle,
                                      double endAngle, CEntityProperty prop) {
    const AcGePoint3d ptCenter((pt1.x + pt2.x) / 2, (pt1.y + pt2.y) / 2, 0);
    const double radius = std::fabs(ptCenter.x - pt1.x);
    return Add(ptCenter, radius, startAngle / 360 * kTwoPi, endAngle / 360 * kTwoPi, prop);
}

AcDbArc* CArcUtil::CreateFromBulge(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, double bulge) {
    AcGePoint3d ptCenter;
    double radius = 0, startAngle = 0, endAngle = 0;
    if (!BulgeArc(ptStart, ptEnd, bulge, ptCenter, radius, startAngle, endAngle)) {
        return nullptr;
    }
    return new AcDbArc(AcGePoint3d(ptCenter.x, ptCenter.y, 0), radius, startAngle, endAngle);
}

double CArcUtil::GetArcLength(const AcDbArc* pArc) {
    double sweep = pArc->endAngle() - pArc->startAngle();
    if (sweep < 0) {
        sweep += kTwoPi;
    }
    return pArc->radius() * sweep;
}

void CArcUtil::GetSamplePoints(const AcDbArc* pArc, AcGePoint3dArray& points, double direction,
                               bool bAppendEnd, double stepAngle) {
    const AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(pArc->normal());
    const ArcFrame arc = {pArc->center(),
                          toWorld * AcGeVector3d::kXAxis,
                          toWorld * AcGeVector3d::kYAxis,
                          pArc->radius(),
                          pArc->startAngle(),
                          pArc->endAngle()};
    SampleArc(arc, points, direction, bAppendEnd, stepAngle);
}

void CArcUtil::GetBulgeArcSamplePoints(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, double bulge,
                                       AcGePoint3dArray& points, bool bAppendEnd, double stepAngle) {
    // The arc as CreateFromBulge makes it (in the XY plane at z 0), sampled without making the entity.
    // Clockwise: the counter-clockwise arc from the end.
    AcGePoint3d ptCenter;
    double radius = 0, startAngle = 0, endAngle = 0;
    const bool clockwise = bulge < 0;
    if (!BulgeArc(clockwise ? ptEnd : ptStart, clockwise ? ptStart : ptEnd, std::fabs(bulge), ptCenter,
                  radius, startAngle, endAngle)) {
        return;
    }
    const ArcFrame arc = {AcGePoint3d(ptCenter.x, ptCenter.y, 0),
                          AcGeVector3d::kXAxis,
                          AcGeVector3d::kYAxis,
                          radius,
                          NormalizedAngle(startAngle),
                          NormalizedAngle(endAngle)};
    if (!clockwise) {
        SampleArc(arc, points, bulge, bAppendEnd, stepAngle);
        return;
    }
    // Sampled from the end with its far end, then turned round in place: the samples run from the segment's
    // start towards its end, and the end itself (now last) is left out.
    const int before = points.length();
    SampleArc(arc, points, -bulge, true, stepAngle);
    std::reverse(points.asArrayPtr() + before, points.asArrayPtr() + points.length());
    if (points.length() > before) {
        points.removeLast();
    }
}

void CArcUtil::GetSamplePoints(const AcGeCircArc2d& arc, AcGePoint3dArray& points, bool, double stepAngle) {
    if (!IsUsableStep(stepAngle)) {
        return;
    }
    AppendArcSamples(arc, arc.startAng(), arc.endAng(), stepAngle, points);
}

void CArcUtil::GetEllipseArcSamplePoints(const AcGeEllipArc2d& arc, AcGePoint3dArray& points, bool bLastEdge,
                                         double stepAngle) {
    if (!IsUsableStep(stepAngle)) {
        return;
    }
    const int before = points.length();
    AppendArcSamples(arc, arc.startAng(), arc.endAng(), stepAngle, points);
    if (!bLastEdge && points.length() > before) {
        points.removeLast();
    }
}
