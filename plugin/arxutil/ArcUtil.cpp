#include "plugin/arxutil/ArcUtil.h"

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
    if (!CMathUtil::GetArcCenter(ptStart, ptEnd, bulge, ptCenter)) {
        return nullptr;
    }
    const double radius = ptCenter.distanceTo(ptStart);
    double startAngle = (CConvertUtil::ToPoint2d(ptStart) - CConvertUtil::ToPoint2d(ptCenter)).angle();
    double endAngle = (CConvertUtil::ToPoint2d(ptEnd) - CConvertUtil::ToPoint2d(ptCenter)).angle();
    // A negative bulge runs clockwise from start to end: the counter-clockwise arc is the one from end to
    // start, not its complement.
    if (bulge < 0) {
        std::swap(startAngle, endAngle);
    }
    if (startAngle > endAngle) {
        endAngle += 2 * CMathUtil::PI();
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
    if (!IsUsableStep(stepAngle)) {
        return;
    }
    const double startDeg = Degrees(pArc->startAngle());
    const double endDeg = Degrees(pArc->endAngle());
    double sweep = endDeg - startDeg;
    if (startDeg > endDeg) {
        sweep += 360;
    }
    const double length = GetArcLength(pArc);
    const int n = arxutil::StepsCeil(sweep, stepAngle);
    for (int i = 0; i < n; ++i) {
        double dist = length / n * i;
        if (direction < 0) {
            dist = length - dist;
        }
        // Rounding must not push the distance past the arc's own length.
        dist = std::min(std::max(dist, 0.0), length);
        AcGePoint3d pt;
        if (pArc->getPointAtDist(dist, pt) == Acad::eOk) {
            points.append(pt);
        }
    }
    if (bAppendEnd) {
        AcGePoint3d pt;
        if ((direction >= 0 ? pArc->getEndPoint(pt) : pArc->getStartPoint(pt)) == Acad::eOk) {
            points.append(pt);
        }
    }
}

void CArcUtil::GetBulgeArcSamplePoints(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, double bulge,
                                       AcGePoint3dArray& points, bool bAppendEnd, double stepAngle) {
    if (bulge >= 0) {
        AcDbArc* pArc = CreateFromBulge(ptStart, ptEnd, bulge);
        if (pArc == nullptr) {
            return;
        }
        GetSamplePoints(pArc, points, bulge, bAppendEnd, stepAngle);
        delete pArc;
        return;
    }
    // Clockwise: sample the counter-clockwise arc from the end, then hand the samples back from the
    // segment's start towards its end, leaving the end out.
    AcDbArc* pArc = CreateFromBulge(ptEnd, ptStart, -bulge);
    if (pArc == nullptr) {
        return;
    }
    AcGePoint3dArray reversed;
    GetSamplePoints(pArc, reversed, -bulge, true, stepAngle);
    for (int i = reversed.length() - 1; i >= 1; --i) {
        points.append(reversed[i]);
    }
    delete pArc;
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
