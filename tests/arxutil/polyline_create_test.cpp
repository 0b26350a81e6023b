// Lightweight and 3D polylines: creations, refusals, extents of bulges, and points tested against them.
#include <cmath>

#include "arxutil/curve_fixture.h"
#include "plugin/arxutil/PolylineUtil.h"

namespace {

using curvetest::CurveDbTest;
using curvetest::ExpectPoint;
using curvetest::Reader;

constexpr double kPi = 3.14159265358979323846;

class PolylineCreateTest : public CurveDbTest {
protected:
    static void ExpectVertex(const AcDbPolyline* pl, unsigned int i, double x, double y, double bulge = 0) {
        AcGePoint2d p;
        ASSERT_EQ(pl->getPointAt(i, p), Acad::eOk);
        EXPECT_NEAR(p.x, x, 1e-12) << "vertex " << i;
        EXPECT_NEAR(p.y, y, 1e-12) << "vertex " << i;
        double b = 0;
        pl->getBulgeAt(i, b);
        EXPECT_NEAR(b, bulge, 1e-12) << "vertex " << i;
    }
};

TEST_F(PolylineCreateTest, FromPointsWithWidthsAndIn3d) {
    AcGePoint2dArray points;
    points.append(AcGePoint2d(0, 0));
    points.append(AcGePoint2d(5, 0));
    points.append(AcGePoint2d(5, 5));
    const AcDbObjectId id = CPolylineUtil::Add(points, CEntityProperty(), 0.25);
    {
        Reader<AcDbPolyline> pl(id);
        ASSERT_EQ(pl->numVerts(), 3u);
        EXPECT_FALSE(pl->isClosed());
        ExpectVertex(pl.get(), 2, 5, 5);
        double width = 0;
        ASSERT_EQ(pl->getConstantWidth(width), Acad::eOk);
        EXPECT_EQ(width, 0.25);
    }
    EXPECT_FALSE(CPolylineUtil::Add(AcGePoint2d(0, 0), AcGePoint2d(1, 1), CEntityProperty()).isNull());
    AcGePoint3dArray points3d;
    points3d.append(AcGePoint3d(0, 0, 0));
    points3d.append(AcGePoint3d(1, 2, 3));
    const AcDbObjectId id3d = CPolylineUtil::Add3dPolyline(points3d, CEntityProperty());
    {
        Reader<AcDb3dPolyline> pl(id3d);
        ASSERT_NE(pl.get(), nullptr);
        EXPECT_EQ(pl->polyType(), AcDb::k3dSimplePoly);
        EXPECT_FALSE(pl->isClosed());
        AcGePoint3d end;
        pl->getEndPoint(end);
        ExpectPoint(end, 1, 2, 3);
    }
    // Fewer than two points make no polyline.
    points.removeAll();
    points.append(AcGePoint2d(1, 1));
    EXPECT_TRUE(CPolylineUtil::Add(points, CEntityProperty()).isNull());
    points3d.removeLast();
    EXPECT_TRUE(CPolylineUtil::Add3dPolyline(points3d, CEntityProperty()).isNull());
    EXPECT_EQ(EntityCount(), 3);
}

TEST_F(PolylineCreateTest, RectanglePolygonCircleAndArc) {
    {
        Reader<AcDbPolyline> pl(
            CPolylineUtil::AddRectangle(AcGePoint2d(5, 1), AcGePoint2d(2, 4), 0, CEntityProperty()));
        ASSERT_EQ(pl->numVerts(), 4u);
        EXPECT_TRUE(pl->isClosed());
        ExpectVertex(pl.get(), 0, 2, 1);
        ExpectVertex(pl.get(), 1, 5, 1);
        ExpectVertex(pl.get(), 2, 5, 4);
        ExpectVertex(pl.get(), 3, 2, 4);
    }
    {
        Reader<AcDbPolyline> pl(CPolylineUtil::AddPolygon(AcGePoint2d(0, 0), 4, 1, 0, 0, CEntityProperty()));
        ASSERT_EQ(pl->numVerts(), 4u);
        EXPECT_TRUE(pl->isClosed());
        ExpectVertex(pl.get(), 0, 1, 0);
        ExpectVertex(pl.get(), 1, 0, 1);
        ExpectVertex(pl.get(), 2, -1, 0);
        ExpectVertex(pl.get(), 3, 0, -1);
    }
    {
        // Turned a quarter about its centre (3, 3).
        Reader<AcDbPolyline> pl(
            CPolylineUtil::AddPolygon(AcGePoint2d(3, 3), 3, 2, kPi / 2, 0, CEntityProperty()));
        ExpectVertex(pl.get(), 0, 3, 5);
    }
    {
        Reader<AcDbPolyline> pl(CPolylineUtil::AddPolyCircle(AcGePoint2d(1, 1), 2, 0, CEntityProperty()));
        ASSERT_EQ(pl->numVerts(), 2u);
        EXPECT_TRUE(pl->isClosed());
        double length = 0, end = 0;
        pl->getEndParam(end);
        pl->getDistAtParam(end, length);
        EXPECT_NEAR(length, 4 * kPi, 1e-9);
    }
    {
        Reader<AcDbPolyline> pl(
            CPolylineUtil::AddPolyArc(AcGePoint2d(0, 0), 1, 0, kPi / 2, 0, CEntityProperty()));
        ExpectVertex(pl.get(), 0, 1, 0, std::tan(kPi / 8));
        ExpectVertex(pl.get(), 1, 0, 1, 0);
    }
    EXPECT_EQ(EntityCount(), 5);
}

TEST_F(PolylineCreateTest, DegenerateShapesCreateNothing) {
    EXPECT_TRUE(
        CPolylineUtil::AddRectangle(AcGePoint2d(1, 1), AcGePoint2d(1, 7), 0, CEntityProperty()).isNull());
    EXPECT_TRUE(
        CPolylineUtil::AddRectangle(AcGePoint2d(1, 1), AcGePoint2d(1, 1), 0, CEntityProperty()).isNull());
    EXPECT_TRUE(CPolylineUtil::AddPolygon(AcGePoint2d(0, 0), 0, 1, 0, 0, CEntityProperty()).isNull());
    EXPECT_TRUE(CPolylineUtil::AddPolygon(AcGePoint2d(0, 0), 2, 1, 0, 0, CEntityProperty()).isNull());
    EXPECT_TRUE(CPolylineUtil::AddPolygon(AcGePoint2d(0, 0), 5, 0, 0, 0, CEntityProperty()).isNull());
    EXPECT_TRUE(CPolylineUtil::AddPolyCircle(AcGePoint2d(0, 0), 0, 0, CEntityProperty()).isNull());
    EXPECT_TRUE(CPolylineUtil::AddPolyArc(AcGePoint2d(0, 0), -1, 0, 1, 0, CEntityProperty()).isNull());
    EXPECT_EQ(EntityCount(), 0);
}

TEST_F(PolylineCreateTest, ExtentsOfABulgedPolylineReachItsArcs) {
    AcGePoint2dArray points;
    points.append(AcGePoint2d(0, 0));
    points.append(AcGePoint2d(10, 0));
    const AcDbObjectId id = CPolylineUtil::AddPolyCircle(AcGePoint2d(5, 5), 5, 0, CEntityProperty());
    Reader<AcDbPolyline> pl(id);
    AcDbExtents box;
    ASSERT_EQ(pl->getGeomExtents(box), Acad::eOk);
    ExpectPoint(box.minPoint(), 0, 0);
    ExpectPoint(box.maxPoint(), 10, 10);
}

TEST_F(PolylineCreateTest, PointsInsideOnAndOutsideIncludingRaysThroughVertices) {
    // A concave "U": outer square 0..10 with a notch from the top down to y = 4 between x = 4 and 6.
    AcDbPolyline u;
    const double xy[][2] = {{0, 0}, {10, 0}, {10, 10}, {6, 10}, {6, 4}, {4, 4}, {4, 10}, {0, 10}};
    for (unsigned int i = 0; i < 8; ++i) {
        u.addVertexAt(i, AcGePoint2d(xy[i][0], xy[i][1]));
    }
    u.setClosed(true);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&u, AcGePoint2d(2, 2), 1e-7), 1);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&u, AcGePoint2d(5, 8), 1e-7), -1);  // in the notch
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&u, AcGePoint2d(12, 3), 1e-7), -1);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&u, AcGePoint2d(10, 5), 1e-7), 0);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&u, AcGePoint2d(6, 4), 1e-7), 0);
    // From (5, 2) the nearest boundary point is (5, 0); the ray runs up and crosses the notch's bottom.
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&u, AcGePoint2d(5, 2), 1e-7), 1);
    // From (8.5, 7) the ray runs left across x = 6, 4 and 0: three crossings.
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&u, AcGePoint2d(8.5, 7), 1e-7), 1);

    // A roof notch down to the vertex (5, 6): from (5, 1) the ray runs straight up into that vertex, where
    // two edges meet; it is turned and counted again.
    AcDbPolyline roof;
    const double r[][2] = {{0, 0}, {10, 0}, {10, 10}, {5, 6}, {0, 10}};
    for (unsigned int i = 0; i < 5; ++i) {
        roof.addVertexAt(i, AcGePoint2d(r[i][0], r[i][1]));
    }
    roof.setClosed(true);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&roof, AcGePoint2d(5, 1), 1e-7), 1);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&roof, AcGePoint2d(5, 7), 1e-7), -1);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&roof, AcGePoint2d(5, 6), 1e-7), 0);

    // A notch from the right whose tip (5, 5) points left: from (5, 1) the ray runs up and only touches the
    // tip, both edges on its right. Counted as it comes it would cross twice (tip and top) and say outside;
    // turned a little to the left it misses the notch and crosses the top once.
    AcDbPolyline notch;
    const double n[][2] = {{0, 0}, {10, 0}, {10, 4}, {5, 5}, {10, 6}, {10, 10}, {0, 10}};
    for (unsigned int i = 0; i < 7; ++i) {
        notch.addVertexAt(i, AcGePoint2d(n[i][0], n[i][1]));
    }
    notch.setClosed(true);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&notch, AcGePoint2d(5, 1), 1e-7), 1);
    EXPECT_EQ(CPolylineUtil::PtRelationToPoly(&notch, AcGePoint2d(8, 5), 1e-7), -1);  // inside the notch
}

TEST_F(PolylineCreateTest, RayCrossingsComeInSegmentOrderEachOnce) {
    AcDbPolyline pl;
    pl.addVertexAt(0, AcGePoint2d(0, 0), 0);
    pl.addVertexAt(1, AcGePoint2d(10, 0),
                   1);  // half circle up to (10, 10)? no: from (10,0) to (10,10) bulging right
    pl.addVertexAt(2, AcGePoint2d(10, 10), 0);
    pl.addVertexAt(3, AcGePoint2d(0, 10), 0);
    pl.setClosed(true);
    pl.setElevation(2);
    AcGePoint3dArray hits;
    hits.append(AcGePoint3d(99, 99, 99));
    CPolylineUtil::IntersectWithGeRay(&pl, AcGeRay2d(AcGePoint2d(-5, 5), AcGeVector2d(1, 0)), hits, 1e-7);
    ASSERT_EQ(hits.length(), 2);
    ExpectPoint(hits[0], 15, 5, 2);  // the arc's far point, segment 1
    ExpectPoint(hits[1], 0, 5, 2);   // the closing segment
    // Through two vertices: the segments meeting at each give one point each.
    CPolylineUtil::IntersectWithGeRay(&pl, AcGeRay2d(AcGePoint2d(-5, -5), AcGeVector2d(1, 1)), hits, 1e-7);
    ASSERT_EQ(hits.length(), 2);
    ExpectPoint(hits[0], 0, 0, 2);
    ExpectPoint(hits[1], 10, 10, 2);
    EXPECT_TRUE(CPolylineUtil::PointIsPolyVert(&pl, AcGePoint2d(10, 10.00001), 1e-4));
    EXPECT_FALSE(CPolylineUtil::PointIsPolyVert(&pl, AcGePoint2d(10, 10.001), 1e-4));
}

}  // namespace
