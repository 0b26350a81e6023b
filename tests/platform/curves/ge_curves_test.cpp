// Plane curves of the geometry library: sampling, arcs through three points, crossings, splines.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/arx/acge/acge.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void ExpectNear(const AcGePoint2d& a, const AcGePoint2d& b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

TEST(GeSampling, CountsIncludeBothEndsAndTheArrayIsCleared) {
    const AcGeLineSeg2d seg(AcGePoint2d(0, 0), AcGePoint2d(8, 4));
    AcGePoint2dArray points;
    points.append(AcGePoint2d(99, 99));
    seg.getSamplePoints(5, points);
    ASSERT_EQ(points.length(), 5);
    ExpectNear(points[0], AcGePoint2d(0, 0));
    ExpectNear(points[2], AcGePoint2d(4, 2));
    ExpectNear(points[4], AcGePoint2d(8, 4));

    seg.getSamplePoints(1, points);
    ASSERT_EQ(points.length(), 1);
    ExpectNear(points[0], AcGePoint2d(0, 0));
    seg.getSamplePoints(0, points);
    EXPECT_TRUE(points.isEmpty());
    seg.getSamplePoints(-3, points);
    EXPECT_TRUE(points.isEmpty());
    // A half-line has no end to sample to.
    AcGeRay2d(AcGePoint2d(0, 0), AcGeVector2d(1, 0)).getSamplePoints(4, points);
    EXPECT_TRUE(points.isEmpty());
}

TEST(GeCircArc, ThreePointsGiveCentreDirectionAndNormalisedAngles) {
    // Counter-clockwise quarter from (1, 0) through (cos 45, sin 45) to (0, 1).
    const double h = std::sqrt(0.5);
    AcGeCircArc2d ccw(AcGePoint2d(1, 0), AcGePoint2d(h, h), AcGePoint2d(0, 1));
    ExpectNear(ccw.center(), AcGePoint2d(0, 0));
    EXPECT_NEAR(ccw.radius(), 1, 1e-12);
    EXPECT_FALSE(ccw.isClockWise());
    EXPECT_NEAR(ccw.startAng(), 0, 1e-12);
    EXPECT_NEAR(ccw.endAng(), kPi / 2, 1e-12);

    // The same points the other way round run clockwise; points stay where they were.
    AcGeCircArc2d cw(AcGePoint2d(0, 1), AcGePoint2d(h, h), AcGePoint2d(1, 0));
    EXPECT_TRUE(cw.isClockWise());
    ExpectNear(cw.startPoint(), AcGePoint2d(0, 1));
    ExpectNear(cw.endPoint(), AcGePoint2d(1, 0));
    ExpectNear(cw.evalPoint((cw.startAng() + cw.endAng()) / 2), AcGePoint2d(h, h));
    EXPECT_GE(cw.startAng(), 0);
    EXPECT_LT(cw.startAng(), 2 * kPi);
    EXPECT_GT(cw.endAng(), cw.startAng());
    EXPECT_LE(cw.endAng(), cw.startAng() + 2 * kPi);

    // An arc across the start of the angle range (300 deg to 60 deg) keeps start < end.
    AcGeCircArc2d wrap(AcGePoint2d(0, 0), 2, 5 * kPi / 3, kPi / 3);
    EXPECT_NEAR(wrap.startAng(), 5 * kPi / 3, 1e-12);
    EXPECT_NEAR(wrap.endAng(), 7 * kPi / 3, 1e-12);
}

TEST(GeCircArc, PointsOnOneLineAreReportedAsDegenerate) {
    AcGe::ErrorCondition error = AcGe::kOk;
    AcGeCircArc2d arc;
    arc.set(AcGePoint2d(0, 0), AcGePoint2d(1, 1), AcGePoint2d(3, 3), error);
    EXPECT_EQ(error, AcGe::kDegenerateGeometry);
    EXPECT_EQ(arc.radius(), 0);
    arc.set(AcGePoint2d(0, 0), AcGePoint2d(1, 1), AcGePoint2d(0, 0), error);
    EXPECT_EQ(error, AcGe::kDegenerateGeometry);
    const AcGeCircArc2d viaConstructor(AcGePoint2d(5, 5), AcGePoint2d(6, 5), AcGePoint2d(9, 5));
    EXPECT_EQ(viaConstructor.radius(), 0);
}

TEST(GeCircArc, SamplingAndReversingKeepThePoints) {
    AcGeCircArc2d arc(AcGePoint2d(10, 0), 5, 0, kPi / 2);
    AcGePoint2dArray points;
    arc.getSamplePoints(30, points);
    ASSERT_EQ(points.length(), 30);
    ExpectNear(points.first(), AcGePoint2d(15, 0));
    ExpectNear(points.last(), AcGePoint2d(10, 5));
    for (const AcGePoint2d& p : points) {
        EXPECT_NEAR(p.distanceTo(AcGePoint2d(10, 0)), 5, 1e-12);
    }
    const AcGePoint2d start = arc.startPoint();
    const AcGePoint2d end = arc.endPoint();
    arc.reverseParam();
    EXPECT_TRUE(arc.isClockWise());
    ExpectNear(arc.startPoint(), end);
    ExpectNear(arc.endPoint(), start);
    EXPECT_NEAR(arc.length(arc.startAng(), arc.endAng()), 5 * kPi / 2, 1e-12);
}

TEST(GeIntersect, LinearCrossingsRespectBoundsAndTolerance) {
    const AcGeLineSeg2d a(AcGePoint2d(0, 0), AcGePoint2d(10, 0));
    const AcGeLineSeg2d b(AcGePoint2d(5, -5), AcGePoint2d(5, 5));
    AcGePoint2d hit;
    ASSERT_TRUE(a.intersectWith(b, hit));
    ExpectNear(hit, AcGePoint2d(5, 0));
    // Parallel segments never cross, overlapping ones included.
    EXPECT_FALSE(a.intersectWith(AcGeLineSeg2d(AcGePoint2d(2, 0), AcGePoint2d(20, 0)), hit));
    // A ray pointing away from a segment misses it; pointing at it, it hits.
    const AcGeLineSeg2d far(AcGePoint2d(5, 1), AcGePoint2d(5, 10));
    EXPECT_FALSE(AcGeRay2d(AcGePoint2d(0, 0), AcGeVector2d(-1, 1)).intersectWith(far, hit));
    EXPECT_TRUE(AcGeRay2d(AcGePoint2d(0, 5), AcGeVector2d(1, 0)).intersectWith(far, hit));
    ExpectNear(hit, AcGePoint2d(5, 5));
    // A segment ending 1e-5 short of the other counts as touching only with a tolerance that wide.
    const AcGeLineSeg2d shortOne(AcGePoint2d(5, -5), AcGePoint2d(5, -1e-5));
    EXPECT_FALSE(a.intersectWith(shortOne, hit));
    AcGeTol tol;
    tol.setEqualPoint(1e-4);
    EXPECT_TRUE(a.intersectWith(shortOne, hit, tol));
}

TEST(GeIntersect, ArcAndLineGiveCrossingsOnTheSweepOnly) {
    const AcGeCircArc2d upper(AcGePoint2d(0, 0), 5, 0, kPi);
    int count = 0;
    AcGePoint2d p1, p2;
    ASSERT_TRUE(upper.intersectWith(AcGeLine2d(AcGePoint2d(-10, 3), AcGeVector2d(1, 0)), count, p1, p2));
    ASSERT_EQ(count, 2);
    ExpectNear(p1, AcGePoint2d(-4, 3));
    ExpectNear(p2, AcGePoint2d(4, 3));
    // Below the centre the line meets only the missing half.
    EXPECT_FALSE(upper.intersectWith(AcGeLine2d(AcGePoint2d(-10, -3), AcGeVector2d(1, 0)), count, p1, p2));
    EXPECT_EQ(count, 0);
    // A tangent is one crossing; a ray from the centre leaves once.
    ASSERT_TRUE(upper.intersectWith(AcGeLine2d(AcGePoint2d(-10, 5), AcGeVector2d(1, 0)), count, p1, p2));
    EXPECT_EQ(count, 1);
    ExpectNear(p1, AcGePoint2d(0, 5));
    ASSERT_TRUE(upper.intersectWith(AcGeRay2d(AcGePoint2d(0, 0), AcGeVector2d(1, 1)), count, p1, p2));
    EXPECT_EQ(count, 1);
}

TEST(GeEllipArc, ParametersSamplingAndDirection) {
    AcGeEllipArc2d arc(AcGePoint2d(1, 1), AcGeVector2d(0, 2), AcGeVector2d(-3, 0), 4, 2, 0, kPi / 2);
    ExpectNear(arc.startPoint(), AcGePoint2d(1, 5));
    ExpectNear(arc.endPoint(), AcGePoint2d(-1, 1));
    EXPECT_FALSE(arc.isClockWise());
    AcGePoint2dArray points;
    arc.getSamplePoints(30, points);
    ASSERT_EQ(points.length(), 30);
    ExpectNear(points.last(), AcGePoint2d(-1, 1));
    arc.reverseParam();
    EXPECT_TRUE(arc.isClockWise());
    ExpectNear(arc.startPoint(), AcGePoint2d(-1, 1));
    ExpectNear(arc.endPoint(), AcGePoint2d(1, 5));
}

TEST(GeNurbs, DeBoorMatchesBernsteinAndMinimalOrderIsAPolyline) {
    AcGePoint2dArray cps;
    cps.append(AcGePoint2d(0, 0));
    cps.append(AcGePoint2d(1, 3));
    cps.append(AcGePoint2d(4, 3));
    cps.append(AcGePoint2d(5, 0));
    const double k[] = {0, 0, 0, 0, 1, 1, 1, 1};
    const AcGeNurbCurve2d bezier(3, AcGeKnotVector(8, k), cps);
    ASSERT_TRUE(bezier.isValid());
    for (double t : {0.0, 0.3, 0.5, 1.0}) {
        const double b1 = 3 * t * (1 - t) * (1 - t), b2 = 3 * t * t * (1 - t), b3 = t * t * t;
        ExpectNear(bezier.evalPoint(t), AcGePoint2d(b1 * 1 + b2 * 4 + b3 * 5, b1 * 3 + b2 * 3));
    }
    AcGePoint2dArray samples;
    bezier.getSamplePoints(120, samples);
    ASSERT_EQ(samples.length(), 120);
    ExpectNear(samples.first(), AcGePoint2d(0, 0));
    ExpectNear(samples.last(), AcGePoint2d(5, 0));

    // Degree 1 (order 2) through three points: straight pieces meeting at the middle point.
    AcGePoint2dArray three;
    three.append(AcGePoint2d(0, 0));
    three.append(AcGePoint2d(2, 2));
    three.append(AcGePoint2d(4, 0));
    const double k1[] = {0, 0, 1, 2, 2};
    const AcGeNurbCurve2d polyline(1, AcGeKnotVector(5, k1), three);
    ASSERT_TRUE(polyline.isValid());
    ExpectNear(polyline.evalPoint(0.5), AcGePoint2d(1, 1));
    ExpectNear(polyline.evalPoint(1), AcGePoint2d(2, 2));
    ExpectNear(polyline.evalPoint(2), AcGePoint2d(4, 0));

    // A reversed spline runs through the same points backwards.
    AcGeNurbCurve2d reversed(bezier);
    reversed.reverseParam();
    ExpectNear(reversed.evalPoint(0.7), bezier.evalPoint(0.3));

    // Too few knots for the degree: not a curve, nothing to sample.
    const AcGeNurbCurve2d broken(3, AcGeKnotVector(5, k1), cps);
    EXPECT_FALSE(broken.isValid());
    broken.getSamplePoints(10, samples);
    EXPECT_TRUE(samples.isEmpty());
    AcGePoint2d start;
    EXPECT_FALSE(broken.hasStartPoint(start));
}

TEST(GeNurbs, RationalWeightsMakeExactCircles) {
    // A quarter circle as a rational quadratic: weights 1, sqrt(1/2), 1.
    AcGePoint2dArray cps;
    cps.append(AcGePoint2d(1, 0));
    cps.append(AcGePoint2d(1, 1));
    cps.append(AcGePoint2d(0, 1));
    AcGeDoubleArray weights;
    weights.append(1);
    weights.append(std::sqrt(0.5));
    weights.append(1);
    const double k[] = {0, 0, 0, 1, 1, 1};
    const AcGeNurbCurve2d quarter(2, AcGeKnotVector(6, k), cps, weights);
    EXPECT_TRUE(quarter.isRational());
    for (double t = 0; t <= 1.0; t += 0.125) {
        EXPECT_NEAR(quarter.evalPoint(t).distanceTo(AcGePoint2d(0, 0)), 1, 1e-12);
    }
}

}  // namespace
