// Hatches from boundary entities (one loop, loop lists, failures that keep the boundaries, associativity),
// loop sampling back to points, and regions from curves.
#include <cmath>
#include <vector>

#include "arxutil/curve_fixture.h"
#include "plugin/arxutil/HatchUtil.h"
#include "plugin/arxutil/RegionUtil.h"

namespace {

using curvetest::CurveDbTest;
using curvetest::ExpectPoint;
using curvetest::Reader;

constexpr double kPi = 3.14159265358979323846;

class PolylineHatchTest : public CurveDbTest {
protected:
    AcDbObjectId Square(double x, double y, double size, bool closed = true) {
        auto* pl = new AcDbPolyline();
        pl->addVertexAt(0, AcGePoint2d(x, y));
        pl->addVertexAt(1, AcGePoint2d(x + size, y));
        pl->addVertexAt(2, AcGePoint2d(x + size, y + size));
        pl->addVertexAt(3, AcGePoint2d(x, y + size));
        pl->setClosed(closed);
        return PostEntity(pl);
    }
    AcDbObjectId Circle(double x, double y, double r) {
        return PostEntity(new AcDbCircle(AcGePoint3d(x, y, 0), AcGeVector3d::kZAxis, r));
    }
    AcDbObjectId Line(double x0, double y0, double x1, double y1) {
        return PostEntity(new AcDbLine(AcGePoint3d(x0, y0, 0), AcGePoint3d(x1, y1, 0)));
    }
    static AcDbObjectIdArray Ids(std::initializer_list<AcDbObjectId> list) {
        AcDbObjectIdArray ids;
        for (const AcDbObjectId& id : list) {
            ids.append(id);
        }
        return ids;
    }
};

TEST_F(PolylineHatchTest, OneLoopFromAPolylineOrACircleErasesItsBoundary) {
    const AcDbObjectId square = Square(0, 0, 4);
    const AcDbObjectId hatchId = CHatchUtil::Add(Ids({square}), CEntityProperty());
    ASSERT_FALSE(hatchId.isNull());
    EXPECT_TRUE(IsErased(square));
    {
        Reader<AcDbHatch> hatch(hatchId);
        EXPECT_EQ(hatch->numLoops(), 1);
        EXPECT_EQ(hatch->loopTypeAt(0), AcDbHatch::kExternal | AcDbHatch::kPolyline);
        EXPECT_EQ(std::u16string(hatch->patternName()), u"SOLID");
        EXPECT_EQ(hatch->patternType(), AcDbHatch::kPreDefined);
        EXPECT_FALSE(hatch->associative());
    }
    const AcDbObjectId circle = Circle(10, 10, 2);
    const AcDbObjectId circleHatch = CHatchUtil::Add(Ids({circle}), CEntityProperty(), false, _T("ANSI31"));
    ASSERT_FALSE(circleHatch.isNull());
    EXPECT_TRUE(IsErased(circle));
    Reader<AcDbHatch> hatch(circleHatch);
    EXPECT_EQ(hatch->loopTypeAt(0), AcDbHatch::kExternal);
    EXPECT_EQ(std::u16string(hatch->patternName()), u"ANSI31");
}

TEST_F(PolylineHatchTest, RefusedLoopsCreateNothingAndKeepTheirBoundaries) {
    const AcDbObjectId open = Square(0, 0, 4, false);
    const AcDbObjectId text = PostEntity(new AcDbPoint(AcGePoint3d(1, 1, 0)));
    const int before = EntityCount();
    EXPECT_TRUE(CHatchUtil::Add(Ids({open}), CEntityProperty()).isNull());
    EXPECT_TRUE(CHatchUtil::Add(AcDbObjectIdArray(), CEntityProperty()).isNull());
    EXPECT_TRUE(CHatchUtil::Add(Ids({text}), CEntityProperty()).isNull());
    EXPECT_FALSE(IsErased(open));
    EXPECT_FALSE(IsErased(text));
    // Loop lists: one bad inner loop spoils the lot; an empty list of loops makes no hatch.
    const AcDbObjectId outer = Square(0, 0, 10);
    EXPECT_TRUE(CHatchUtil::Add({Ids({outer})}, {Ids({open})}, CEntityProperty()).isNull());
    EXPECT_TRUE(CHatchUtil::Add({Ids({outer})}, {AcDbObjectIdArray()}, CEntityProperty()).isNull());
    EXPECT_TRUE(CHatchUtil::Add(std::vector<AcDbObjectIdArray>(), {}, CEntityProperty()).isNull());
    EXPECT_FALSE(IsErased(outer));
    EXPECT_EQ(EntityCount(), before + 1);
}

TEST_F(PolylineHatchTest, LoopListsMarkInnerLoopsAndEraseOnlyEachLoopsFirstEntity) {
    const AcDbObjectId outer = Square(0, 0, 10);
    // An inner triangle of three lines, chained out of order.
    const AcDbObjectId a = Line(2, 2, 5, 2);
    const AcDbObjectId b = Line(2, 5, 2, 2);
    const AcDbObjectId c = Line(5, 2, 2, 5);
    const AcDbObjectId island = Circle(7, 7, 1);
    const AcDbObjectId hatchId =
        CHatchUtil::Add({Ids({outer})}, {Ids({a, c, b}), Ids({island})}, CEntityProperty());
    ASSERT_FALSE(hatchId.isNull());
    {
        Reader<AcDbHatch> hatch(hatchId);
        ASSERT_EQ(hatch->numLoops(), 3);
        EXPECT_EQ(hatch->loopTypeAt(0), AcDbHatch::kExternal | AcDbHatch::kPolyline);
        EXPECT_EQ(hatch->loopTypeAt(1), AcDbHatch::kOutermost);
        EXPECT_EQ(hatch->loopTypeAt(2), AcDbHatch::kOutermost);
    }
    EXPECT_TRUE(IsErased(outer));
    EXPECT_TRUE(IsErased(a));
    EXPECT_FALSE(IsErased(b));
    EXPECT_FALSE(IsErased(c));
    EXPECT_TRUE(IsErased(island));

    // Without outer loops the inner ones go in as external loops.
    const AcDbObjectId lone = Circle(30, 30, 1);
    const AcDbObjectId loneHatch = CHatchUtil::Add({}, {Ids({lone})}, CEntityProperty());
    Reader<AcDbHatch> hatch(loneHatch);
    EXPECT_EQ(hatch->loopTypeAt(0), AcDbHatch::kExternal);
}

TEST_F(PolylineHatchTest, AssociativeHatchKeepsItsBoundariesAndListensToThem) {
    const AcDbObjectId square = Square(0, 0, 4);
    const AcDbObjectId hatchId = CHatchUtil::Add(Ids({square}), CEntityProperty(), true, _T("SOLID"));
    ASSERT_FALSE(hatchId.isNull());
    EXPECT_FALSE(IsErased(square));
    Reader<AcDbPolyline> boundary(square);
    EXPECT_TRUE(boundary->hasPersistentReactor(hatchId));
}

TEST_F(PolylineHatchTest, PolylineLoopSamplingAddsTheClosingVertexOnce) {
    AcGePoint2dArray square;
    for (const auto& p :
         {AcGePoint2d(0, 0), AcGePoint2d(4, 0), AcGePoint2d(4, 4), AcGePoint2d(0, 4), AcGePoint2d(0, 0)}) {
        square.append(p);
    }
    AcGePoint3dArray points;
    CHatchUtil::GetPolylineLoopPoints(points, square, AcGeDoubleArray());
    ASSERT_EQ(points.length(), 5);
    ExpectPoint(points.last(), 0, 0);
    // A bulge list shorter than the vertices: the missing bulges are 0. A bulge of 1 on the first
    // segment gives the start, 59 arc samples, then the straight vertices.
    AcGeDoubleArray bulges;
    bulges.append(1.0);
    points.removeAll();
    CHatchUtil::GetPolylineLoopPoints(points, square, bulges);
    ASSERT_EQ(points.length(), 60 + 4);
    ExpectPoint(points[30], 2, -2);
    ExpectPoint(points[60], 4, 0);

    // A two-vertex polyline circle: both half circles come back, not a half disc.
    AcGePoint2dArray circle;
    circle.append(AcGePoint2d(1, 0));
    circle.append(AcGePoint2d(-1, 0));
    AcGeDoubleArray halves;
    halves.append(1);
    halves.append(1);
    points.removeAll();
    CHatchUtil::GetPolylineLoopPoints(points, circle, halves);
    ASSERT_EQ(points.length(), 120);
    double minY = 0, maxY = 0;
    for (const AcGePoint3d& p : points) {
        EXPECT_NEAR(p.distanceTo(AcGePoint3d::kOrigin), 1, 1e-9);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    EXPECT_NEAR(minY, -1, 1e-9);
    EXPECT_NEAR(maxY, 1, 1e-9);
}

TEST_F(PolylineHatchTest, EdgeLoopSamplingFromAHatchRoundTrips) {
    // Line (0,0)-(4,0), arc up round from (4,0) to (0,0) above: a half disc.
    const AcDbObjectId line = Line(0, 0, 4, 0);
    const AcDbObjectId arc = PostEntity(new AcDbArc(AcGePoint3d(2, 0, 0), 2, 0, kPi));
    const AcDbObjectId hatchId = CHatchUtil::Add(Ids({line, arc}), CEntityProperty(), true);
    Reader<AcDbHatch> hatch(hatchId);
    Adesk::Int32 type = 0;
    AcGeVoidPointerArray edges;
    AcGeIntArray types;
    ASSERT_EQ(hatch->getLoopAt(0, type, edges, types), Acad::eOk);
    ASSERT_EQ(types.length(), 2);
    EXPECT_EQ(types[0], AcDbHatch::kLine);
    EXPECT_EQ(types[1], AcDbHatch::kCirArc);
    AcGePoint3dArray points;
    CHatchUtil::GetEdgeLoopPoints(points, edges, types);
    // The line's start, then the arc's 60 samples both ends included.
    ASSERT_EQ(points.length(), 61);
    ExpectPoint(points[0], 0, 0);
    ExpectPoint(points[1], 4, 0);
    for (int i = 1; i < points.length(); ++i) {
        EXPECT_NEAR(points[i].distanceTo(AcGePoint3d(2, 0, 0)), 2, 1e-9);
        EXPECT_GE(points[i].y, -1e-12);
    }
    ExpectPoint(points.last(), 0, 0);
    // A type code that does not match its edge is skipped.
    types[1] = AcDbHatch::kSpline;
    points.removeAll();
    CHatchUtil::GetEdgeLoopPoints(points, edges, types);
    EXPECT_EQ(points.length(), 1);
}

TEST_F(PolylineHatchTest, RegionsFromCurvesLeaveTheCurves) {
    const AcDbObjectId square = Square(0, 0, 2);
    const AcDbObjectId circle = Circle(5, 5, 1);
    const AcDbObjectId point = PostEntity(new AcDbPoint(AcGePoint3d(9, 9, 0)));
    const AcDbObjectIdArray regions = CRegionUtil::Add(Ids({square, point, circle}), CEntityProperty());
    ASSERT_EQ(regions.length(), 2);
    {
        Reader<AcDbRegion> region(regions[0]);
        double area = 0;
        region->getArea(area);
        EXPECT_NEAR(area, 4, 1e-9);
    }
    EXPECT_FALSE(IsErased(square));
    EXPECT_TRUE(CRegionUtil::Add(Ids({Line(0, 0, 1, 1)}), CEntityProperty()).isEmpty());
    EXPECT_TRUE(CRegionUtil::Add(Ids({point}), CEntityProperty()).isEmpty());
}

}  // namespace
