// Circles, ellipses, splines and lines: creations, refusals of degenerate input, key points, line tests.
#include <cmath>

#include "arxutil/curve_fixture.h"
#include "plugin/arxutil/CircleUtil.h"
#include "plugin/arxutil/EllipseUtil.h"
#include "plugin/arxutil/LineUtil.h"
#include "plugin/arxutil/SplineUtil.h"

namespace {

using curvetest::CurveDbTest;
using curvetest::ExpectPoint;
using curvetest::Reader;

constexpr double kPi = 3.14159265358979323846;

class CurveShapeTest : public CurveDbTest {};

TEST_F(CurveShapeTest, CirclesByDiameterAndThreePoints) {
    const AcDbObjectId diameter = CCircleUtil::Add(AcGePoint2d(0, 0), AcGePoint2d(6, 8), CEntityProperty());
    {
        Reader<AcDbCircle> circle(diameter);
        ASSERT_NE(circle.get(), nullptr);
        ExpectPoint(circle->center(), 3, 4);
        EXPECT_NEAR(circle->radius(), 5, 1e-12);
    }
    const AcDbObjectId through = CCircleUtil::Add(AcGePoint3d(1, 0, 9), AcGePoint3d(-1, 0, 0),
                                                  AcGePoint3d(0, 1, 0), CEntityProperty());
    {
        Reader<AcDbCircle> circle(through);
        ASSERT_NE(circle.get(), nullptr);
        ExpectPoint(circle->center(), 0, 0);
        EXPECT_NEAR(circle->radius(), 1, 1e-12);
    }
    // Off the origin, where every term of the centre counts: (8, -2), (3, 3) and (0, 2) lie 5 from (3, -2).
    const AcDbObjectId offset = CCircleUtil::Add(AcGePoint3d(8, -2, 0), AcGePoint3d(3, 3, 0),
                                                 AcGePoint3d(0, 2, 0), CEntityProperty());
    {
        Reader<AcDbCircle> circle(offset);
        ASSERT_NE(circle.get(), nullptr);
        ExpectPoint(circle->center(), 3, -2);
        EXPECT_NEAR(circle->radius(), 5, 1e-12);
    }
    EXPECT_EQ(EntityCount(), 3);
}

TEST_F(CurveShapeTest, DegenerateCirclesAreRefusedWithTheirMessages) {
    m_driver.ExpectMessageBox(u"所输入的参数无法创建圆形！");
    EXPECT_TRUE(
        CCircleUtil::Add(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0), AcGePoint3d(2, 2, 0), CEntityProperty())
            .isNull());
    // Coincident points are on one line too.
    m_driver.ExpectMessageBox(u"所输入的参数无法创建圆形！");
    EXPECT_TRUE(
        CCircleUtil::Add(AcGePoint3d(4, 4, 0), AcGePoint3d(4, 4, 0), AcGePoint3d(4, 4, 0), CEntityProperty())
            .isNull());
    // Equal diameter ends, or a radius of zero, create nothing and say nothing.
    EXPECT_TRUE(CCircleUtil::Add(AcGePoint2d(2, 2), AcGePoint2d(2, 2), CEntityProperty()).isNull());
    EXPECT_TRUE(CCircleUtil::Add(AcGePoint3d(0, 0, 0), 0.0, CEntityProperty(), &m_db).isNull());
    EXPECT_TRUE(CCircleUtil::Add(AcGePoint3d(0, 0, 0), 1.0, CEntityProperty(), nullptr).isNull());
    EXPECT_EQ(EntityCount(), 0);
}

TEST_F(CurveShapeTest, EllipsesInRectanglesMeasureAnglesFromX) {
    const AcDbObjectId arcId =
        CEllipseUtil::AddArcByRectangle(AcGePoint2d(0, 0), AcGePoint2d(2, 4), CEntityProperty(), 0, kPi);
    ASSERT_FALSE(arcId.isNull());
    {
        Reader<AcDbEllipse> e(arcId);
        ExpectPoint(AcGePoint3d::kOrigin + e->majorAxis(), 0, 2);
        EXPECT_NEAR(e->radiusRatio(), 0.5, 1e-12);
        double start = 0, end = 0;
        e->getStartParam(start);
        e->getEndParam(end);
        EXPECT_NEAR(std::remainder(start, 2 * kPi), -kPi / 2, 1e-12);
        EXPECT_NEAR(end - start, kPi, 1e-12);
        // From X at angle 0 round through +Y to -X at pi, as asked.
        AcGePoint3d p;
        e->getStartPoint(p);
        ExpectPoint(p, 2, 2);
        e->getEndPoint(p);
        ExpectPoint(p, 0, 2);
    }
    const AcGePoint2dArray keys = CEllipseUtil::GetKeyPoints(arcId);
    ASSERT_EQ(keys.length(), 3);
    EXPECT_NEAR(keys[0].x, 2, 1e-12);
    EXPECT_NEAR(keys[1].y, 2, 1e-12);
    EXPECT_NEAR(keys[2].x, 0, 1e-12);
    EXPECT_TRUE(CEllipseUtil::GetKeyPoints(AcDbObjectId()).isEmpty());

    // A square takes the Y branch; a wide box the X one.
    const AcDbObjectId square =
        CEllipseUtil::AddByRectangle(AcGePoint2d(0, 0), AcGePoint2d(3, 3), CEntityProperty());
    {
        Reader<AcDbEllipse> e(square);
        ExpectPoint(AcGePoint3d::kOrigin + e->majorAxis(), 0, 1.5);
        EXPECT_TRUE(e->isClosed());
    }
    const AcDbObjectId wide =
        CEllipseUtil::AddByRectangle(AcGePoint2d(4, 1), AcGePoint2d(0, 0), CEntityProperty());
    {
        Reader<AcDbEllipse> e(wide);
        ExpectPoint(AcGePoint3d::kOrigin + e->majorAxis(), 2, 0);
        EXPECT_NEAR(e->radiusRatio(), 0.25, 1e-12);
    }
    EXPECT_TRUE(CEllipseUtil::GetKeyPoints(AcDbObjectId()).isEmpty());
}

TEST_F(CurveShapeTest, DegenerateEllipsesCreateNothing) {
    EXPECT_TRUE(
        CEllipseUtil::AddByRectangle(AcGePoint2d(1, 1), AcGePoint2d(1, 1), CEntityProperty()).isNull());
    EXPECT_TRUE(
        CEllipseUtil::AddByRectangle(AcGePoint2d(0, 1), AcGePoint2d(5, 1), CEntityProperty()).isNull());
    EXPECT_TRUE(CEllipseUtil::AddArcByRectangle(AcGePoint2d(0, 0), AcGePoint2d(0, 5), CEntityProperty(), 0, 1)
                    .isNull());
    EXPECT_TRUE(CEllipseUtil::Add(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), AcGeVector3d(1, 0, 0), 2.0,
                                  CEntityProperty())
                    .isNull());
    EXPECT_EQ(EntityCount(), 0);
}

TEST_F(CurveShapeTest, SplinesFromControlPointsOfEveryCount) {
    AcGePoint3dArray points;
    points.append(AcGePoint3d(0, 0, 0));
    EXPECT_TRUE(CSplineUtil::Add(points, CEntityProperty(), 4).isNull());
    for (int n = 2; n <= 5; ++n) {
        points.append(AcGePoint3d(n, n % 2, 0));
        const AcDbObjectId id = CSplineUtil::Add(points, CEntityProperty(), 4);
        ASSERT_FALSE(id.isNull()) << n << " points";
        Reader<AcDbSpline> spline(id);
        EXPECT_EQ(spline->degree(), std::min(4, n) - 1);
        AcGePoint3d start, end;
        spline->getStartPoint(start);
        spline->getEndPoint(end);
        ExpectPoint(start, 0, 0);
        ExpectPoint(end, points.last().x, points.last().y);
    }
    const AcGeDoubleArray knots = CSplineUtil::ClampedKnots(5, 4);
    const double expected[] = {0, 0, 0, 0, 1, 2, 2, 2, 2};
    ASSERT_EQ(knots.length(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(knots[i], expected[i]);
    }
    // Through fit points, and refused fit points.
    AcGePoint3dArray fit;
    fit.append(AcGePoint3d(0, 0, 0));
    fit.append(AcGePoint3d(5, 5, 0));
    fit.append(AcGePoint3d(10, 0, 0));
    EXPECT_FALSE(
        CSplineUtil::Add(fit, AcGeVector3d(1, 0, 0), AcGeVector3d(1, 0, 0), CEntityProperty()).isNull());
    fit.removeAll();
    fit.append(AcGePoint3d(1, 1, 1));
    EXPECT_TRUE(CSplineUtil::Add(fit, AcGeVector3d(), AcGeVector3d(), CEntityProperty()).isNull());
    EXPECT_EQ(EntityCount(), 5);
}

TEST_F(CurveShapeTest, PlaneSplineSamplingGivesThirtyPerControlPoint) {
    AcGePoint2dArray cps;
    cps.append(AcGePoint2d(0, 0));
    cps.append(AcGePoint2d(1, 2));
    cps.append(AcGePoint2d(3, 2));
    cps.append(AcGePoint2d(4, 0));
    const double k[] = {0, 0, 0, 0, 1, 1, 1, 1};
    const AcGeNurbCurve2d spline(3, AcGeKnotVector(8, k), cps);
    AcGePoint3dArray points;
    CSplineUtil::GetSamplePoints(spline, points, true);
    ASSERT_EQ(points.length(), 120);
    ExpectPoint(points.last(), 4, 0);
    points.removeAll();
    CSplineUtil::GetSamplePoints(spline, points, false);
    EXPECT_EQ(points.length(), 119);
}

TEST_F(CurveShapeTest, LineCreationAndPlaneTests) {
    const AcDbObjectId id =
        CLineUtil::Add(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 2, 3), CEntityProperty(), &m_db);
    EXPECT_FALSE(id.isNull());
    EXPECT_TRUE(CLineUtil::ThreePointIsCollinear(AcGePoint2d(0, 0), AcGePoint2d(1, 1), AcGePoint2d(5, 5)));
    EXPECT_FALSE(
        CLineUtil::ThreePointIsCollinear(AcGePoint2d(0, 0), AcGePoint2d(1, 1), AcGePoint2d(5, 5.001)));
    EXPECT_EQ(CLineUtil::PtRelationToLine(AcGePoint2d(0, 0), AcGePoint2d(10, 0), AcGePoint2d(5, 1), 1e-7), 1);
    EXPECT_EQ(CLineUtil::PtRelationToLine(AcGePoint2d(0, 0), AcGePoint2d(10, 0), AcGePoint2d(5, -1), 1e-7),
              -1);
    EXPECT_EQ(CLineUtil::PtRelationToLine(AcGePoint2d(0, 0), AcGePoint2d(10, 0), AcGePoint2d(20, 0), 1e-7),
              0);
    EXPECT_EQ(CLineUtil::PtRelationToLine(0, 0, 10, 0, 5, 0.01, 0.5), 0);
}

}  // namespace
