// Arcs: creations, arcs of bulges, lengths and the samplers of arc entities, bulged segments and plane arcs.
#include <algorithm>
#include <cmath>
#include <memory>

#include "arxutil/curve_fixture.h"
#include "plugin/arxutil/ArcUtil.h"

namespace {

using curvetest::CurveDbTest;
using curvetest::ExpectPoint;
using curvetest::Reader;

constexpr double kPi = 3.14159265358979323846;

double Rad(double degrees) {
    return degrees * kPi / 180;
}

class CurveArcTest : public CurveDbTest {};

TEST_F(CurveArcTest, CreationsByPointsAndAngles) {
    // Across two points: centre between them, radius half the X distance.
    const AcDbObjectId twoPoint =
        CArcUtil::AddByTwoPoints(AcGePoint2d(0, 0), AcGePoint2d(10, 4), 0, 90, CEntityProperty());
    ASSERT_FALSE(twoPoint.isNull());
    {
        Reader<AcDbArc> arc(twoPoint);
        ExpectPoint(arc->center(), 5, 2);
        EXPECT_NEAR(arc->radius(), 5, 1e-12);
        EXPECT_NEAR(arc->endAngle(), kPi / 2, 1e-12);
    }
    // Through three points counter-clockwise: centre and angles from the points.
    const AcDbObjectId threePoint =
        CArcUtil::Add(AcGePoint3d(3, 0, 3), AcGePoint3d(0, 3, 0), AcGePoint3d(-3, 0, 0), CEntityProperty());
    ASSERT_FALSE(threePoint.isNull());
    {
        Reader<AcDbArc> arc(threePoint);
        ExpectPoint(arc->center(), 0, 0, 1);
        EXPECT_NEAR(arc->radius(), 3, 1e-12);
        EXPECT_NEAR(arc->startAngle(), 0, 1e-12);
        EXPECT_NEAR(arc->endAngle(), kPi, 1e-12);
    }
    // From a start point and centre with a sweep.
    const AcDbObjectId swept =
        CArcUtil::Add(AcGePoint2d(1, 2), AcGePoint2d(1, 1), kPi / 2, CEntityProperty());
    {
        Reader<AcDbArc> arc(swept);
        EXPECT_NEAR(arc->startAngle(), kPi / 2, 1e-12);
        EXPECT_NEAR(arc->endAngle(), kPi, 1e-12);
    }
    EXPECT_EQ(EntityCount(), 3);
}

TEST_F(CurveArcTest, DegenerateArcsCreateNothing) {
    EXPECT_TRUE(
        CArcUtil::Add(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0), AcGePoint3d(2, 2, 0), CEntityProperty())
            .isNull());
    EXPECT_TRUE(
        CArcUtil::Add(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0), AcGePoint3d(0, 0, 0), CEntityProperty())
            .isNull());
    // Two points one above the other: half their X distance is no radius.
    EXPECT_TRUE(
        CArcUtil::AddByTwoPoints(AcGePoint2d(3, 0), AcGePoint2d(3, 8), 0, 90, CEntityProperty()).isNull());
    EXPECT_TRUE(CArcUtil::Add(AcGePoint3d(0, 0, 0), 0.0, 0, 1, CEntityProperty()).isNull());
    EXPECT_TRUE(CArcUtil::Add(AcGePoint2d(1, 1), AcGePoint2d(1, 1), 1.0, CEntityProperty()).isNull());
    EXPECT_EQ(EntityCount(), 0);
}

TEST_F(CurveArcTest, LengthAcrossZeroAndBulgeArcs) {
    AcDbArc across(AcGePoint3d(0, 0, 0), 2, Rad(350), Rad(10));
    EXPECT_NEAR(CArcUtil::GetArcLength(&across), 2 * Rad(20), 1e-12);

    std::unique_ptr<AcDbArc> up(CArcUtil::CreateFromBulge(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0), 0.5));
    ASSERT_NE(up, nullptr);
    ExpectPoint(up->center(), 5, 3.75);
    // The arc of a negative bulge is the mirror image, not the rest of the circle.
    std::unique_ptr<AcDbArc> down(
        CArcUtil::CreateFromBulge(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0), -0.5));
    ASSERT_NE(down, nullptr);
    ExpectPoint(down->center(), 5, -3.75);
    EXPECT_NEAR(CArcUtil::GetArcLength(down.get()), CArcUtil::GetArcLength(up.get()), 1e-12);
    EXPECT_NEAR(CArcUtil::GetArcLength(up.get()), 6.25 * 4 * std::atan(0.5), 1e-12);
    EXPECT_EQ(CArcUtil::CreateFromBulge(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0), 0), nullptr);
}

TEST_F(CurveArcTest, ArcEntitySamplingCountsAndDirection) {
    AcDbArc arc(AcGePoint3d(0, 0, 0), 10, Rad(350), Rad(330));
    AcGePoint3dArray points;
    CArcUtil::GetSamplePoints(&arc, points, 1, false, 3);
    EXPECT_EQ(points.length(), 114);
    points.removeAll();
    CArcUtil::GetSamplePoints(&arc, points, 1, true, 3);
    ASSERT_EQ(points.length(), 115);
    ExpectPoint(points.first(), 10 * std::cos(Rad(350)), 10 * std::sin(Rad(350)), 0, 1e-9);
    ExpectPoint(points.last(), 10 * std::cos(Rad(330)), 10 * std::sin(Rad(330)), 0, 1e-9);
    // Backwards: from the end, the start appended last.
    points.removeAll();
    CArcUtil::GetSamplePoints(&arc, points, -1, true, 3);
    ASSERT_EQ(points.length(), 115);
    ExpectPoint(points.first(), 10 * std::cos(Rad(330)), 10 * std::sin(Rad(330)), 0, 1e-9);
    ExpectPoint(points.last(), 10 * std::cos(Rad(350)), 10 * std::sin(Rad(350)), 0, 1e-9);
    // A 90 degree arc is 30 steps of 3 whatever rounding does to its degrees: from some starts the sweep in
    // degrees comes out a hair above 90, from others a hair below. A step of 0 gives nothing.
    AcDbArc quarter(AcGePoint3d(0, 0, 0), 1, Rad(10), Rad(100));
    int above = 0;
    for (int start = 0; start < 360; start += 7) {
        AcDbArc turned(AcGePoint3d(0, 0, 0), 1, Rad(start + 0.1), Rad(start + 90.1));
        const double from = turned.startAngle() * 180 / kPi;
        const double to = turned.endAngle() * 180 / kPi;
        above += (from > to ? to + 360 : to) - from > 90 ? 1 : 0;
        points.removeAll();
        CArcUtil::GetSamplePoints(&turned, points, 1, false, 3);
        EXPECT_EQ(points.length(), 30) << start;
    }
    EXPECT_GT(above, 0);
    // A sweep that is not a whole number of steps takes the next whole number: 91 degrees, 31 steps.
    AcDbArc wider(AcGePoint3d(0, 0, 0), 1, Rad(10), Rad(101));
    points.removeAll();
    CArcUtil::GetSamplePoints(&wider, points, 1, false, 3);
    EXPECT_EQ(points.length(), 31);
    points.removeAll();
    CArcUtil::GetSamplePoints(&quarter, points, 1, false, 3);
    EXPECT_EQ(points.length(), 30);
    points.removeAll();
    CArcUtil::GetSamplePoints(&quarter, points, 1, true, 0);
    EXPECT_TRUE(points.isEmpty());
}

TEST_F(CurveArcTest, BulgeSamplingRunsFromStartTowardsEndForBothSigns) {
    const AcGePoint3d start(0, 0, 0), end(10, 0, 0);
    for (double bulge : {1.0, -1.0}) {
        AcGePoint3dArray points;
        CArcUtil::GetBulgeArcSamplePoints(start, end, bulge, points, false, 3);
        ASSERT_EQ(points.length(), 60) << bulge;
        ExpectPoint(points.first(), 0, 0);
        EXPECT_GT(points.last().x, 9.9);  // one step before the end, which is left out
        EXPECT_LT(points.last().x, 10);
        // A half circle bulges down for a positive bulge (counter-clockwise), up for a negative one.
        const AcGePoint3d& middle = points[30];
        ExpectPoint(middle, 5, bulge > 0 ? -5 : 5, 0, 1e-9);
        for (const AcGePoint3d& p : points) {
            EXPECT_NEAR(p.distanceTo(AcGePoint3d(5, 0, 0)), 5, 1e-9);
        }
    }
    AcGePoint3dArray points;
    CArcUtil::GetBulgeArcSamplePoints(start, end, 1.0, points, true, 3);
    ASSERT_EQ(points.length(), 61);
    ExpectPoint(points.last(), 10, 0);
    points.removeAll();
    CArcUtil::GetBulgeArcSamplePoints(start, end, 0.0, points, true, 3);
    EXPECT_TRUE(points.isEmpty());
}

TEST_F(CurveArcTest, PlaneArcSamplersKeepOrDropTheirLastPoint) {
    AcGePoint3dArray points;
    points.append(AcGePoint3d(-1, -1, 0));  // samplers append, never clear
    const AcGeCircArc2d quarter(AcGePoint2d(0, 0), 2, 0, kPi / 2);
    CArcUtil::GetSamplePoints(quarter, points, false, 3);
    ASSERT_EQ(points.length(), 31);
    ExpectPoint(points[1], 2, 0);
    ExpectPoint(points.last(), 0, 2);

    const AcGeEllipArc2d ellipse(AcGePoint2d(0, 0), AcGeVector2d(1, 0), AcGeVector2d(0, 1), 4, 2, 0, kPi / 2);
    points.removeAll();
    CArcUtil::GetEllipseArcSamplePoints(ellipse, points, true, 3);
    ASSERT_EQ(points.length(), 30);
    ExpectPoint(points.last(), 0, 2);
    points.removeAll();
    CArcUtil::GetEllipseArcSamplePoints(ellipse, points, false, 3);
    EXPECT_EQ(points.length(), 29);

    // An arc narrower than a step still gives its two ends.
    const AcGeCircArc2d sliver(AcGePoint2d(0, 0), 1, 0, Rad(2));
    points.removeAll();
    CArcUtil::GetSamplePoints(sliver, points, true, 3);
    EXPECT_EQ(points.length(), 2);
}

// The samplers work the points out from the arc's values; they must be the points the arc entity itself
// gives at the same distances, in any plane and for bulges of either sign (a clockwise one runs backwards).
TEST_F(CurveArcTest, SamplesAreTheEntitysOwnPointsAtTheirDistances) {
    const auto expectOnEntity = [](const AcDbArc& arc, const AcGePoint3dArray& points, double direction) {
        const double length = CArcUtil::GetArcLength(&arc);
        const int n = points.length() - 1;  // the last is the far end
        ASSERT_GT(n, 0);
        for (int i = 0; i < n; ++i) {
            const double dist = direction < 0 ? length - length / n * i : length / n * i;
            AcGePoint3d expected;
            ASSERT_EQ(arc.getPointAtDist(std::min(dist, length), expected), Acad::eOk);
            EXPECT_LT(points[i].distanceTo(expected), 1e-9) << "sample " << i;
        }
        AcGePoint3d end;
        (direction < 0 ? arc.getStartPoint(end) : arc.getEndPoint(end));
        EXPECT_LT(points.last().distanceTo(end), 1e-9);
    };
    const AcDbArc tilted(AcGePoint3d(3, -2, 7), AcGeVector3d(0.3, -0.5, 0.8), 4, Rad(300), Rad(40));
    for (double direction : {1.0, -1.0}) {
        AcGePoint3dArray points;
        CArcUtil::GetSamplePoints(&tilted, points, direction, true, 3);
        EXPECT_EQ(points.length(), 35);  // 100 degrees: 34 steps, then the far end
        expectOnEntity(tilted, points, direction);
    }
    const AcGePoint3d start(1e5 + 2.5, 3e6 - 1.25, 0), end(1e5 - 7, 3e6 + 4, 0);
    for (double bulge : {0.3, -0.2, 2.5, -1.0}) {
        std::unique_ptr<AcDbArc> arc(CArcUtil::CreateFromBulge(start, end, bulge));
        ASSERT_NE(arc, nullptr);
        AcGePoint3dArray points;
        CArcUtil::GetBulgeArcSamplePoints(start, end, bulge, points, true, 3);
        ExpectPoint(points.first(), start.x, start.y, 0, 1e-9);
        if (bulge < 0) {
            // The entity runs counter-clockwise from the segment's end, which the samples leave out.
            AcGePoint3dArray forward;
            forward.append(end);
            for (int i = points.length() - 1; i >= 0; --i) {
                forward.append(points[i]);
            }
            expectOnEntity(*arc, forward, 1);
        } else {
            expectOnEntity(*arc, points, 1);
        }
    }
}

}  // namespace
