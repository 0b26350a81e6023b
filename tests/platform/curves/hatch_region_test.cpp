// Hatch loops from boundary entities (polyline and edge forms, chaining, refusals) and regions from curves.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/arx/arx_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class HatchTest : public tarntest::DbTest {
protected:
    AcDbObjectId Line(double x0, double y0, double x1, double y1) {
        return Post(new AcDbLine(AcGePoint3d(x0, y0, 0), AcGePoint3d(x1, y1, 0)));
    }
    AcDbObjectId Square(bool closed) {
        auto* pl = new AcDbPolyline();
        pl->addVertexAt(0, AcGePoint2d(0, 0));
        pl->addVertexAt(1, AcGePoint2d(4, 0), 0.5);
        pl->addVertexAt(2, AcGePoint2d(4, 4));
        pl->addVertexAt(3, AcGePoint2d(0, 4));
        pl->setClosed(closed);
        return Post(pl);
    }
    static AcDbObjectIdArray Ids(std::initializer_list<AcDbObjectId> list) {
        AcDbObjectIdArray ids;
        for (const AcDbObjectId& id : list) {
            ids.append(id);
        }
        return ids;
    }
};

TEST_F(HatchTest, ClosedPolylineGivesAPolylineLoop) {
    AcDbHatch hatch;
    ASSERT_EQ(hatch.appendLoop(AcDbHatch::kExternal, Ids({Square(true)})), Acad::eOk);
    EXPECT_EQ(hatch.loopTypeAt(0), AcDbHatch::kExternal | AcDbHatch::kPolyline);
    Adesk::Int32 type = 0;
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges;
    ASSERT_EQ(hatch.getLoopAt(0, type, vertices, bulges), Acad::eOk);
    ASSERT_EQ(vertices.length(), 4);
    ASSERT_EQ(bulges.length(), 4);
    EXPECT_EQ(bulges[1], 0.5);
    AcGeVoidPointerArray edges;
    AcGeIntArray types;
    EXPECT_EQ(hatch.getLoopAt(0, type, edges, types), Acad::eInvalidInput);
    EXPECT_TRUE(edges.isEmpty());
    EXPECT_EQ(hatch.evaluateHatch(), Acad::eOk);
    // The bulge between (4,0) and (4,4) reaches out past the vertices (to x = 5).
    AcDbExtents box;
    ASSERT_EQ(hatch.getGeomExtents(box), Acad::eOk);
    EXPECT_NEAR(box.maxPoint().x, 5, 1e-9);
}

TEST_F(HatchTest, CircleAndChainedCurvesGiveEdgeLoops) {
    const AcDbObjectId circle = Post(new AcDbCircle(AcGePoint3d(10, 10, 0), AcGeVector3d::kZAxis, 3));
    // A closed chain given out of order and partly reversed: the bottom line drawn right to left, the arc
    // over the top from (4,1) to (0,1), and the two short sides.
    const AcDbObjectId bottom = Line(4, 0, 0, 0);
    const AcDbObjectId arc = Post(new AcDbArc(AcGePoint3d(2, 1, 0), 2, 0, kPi));
    const AcDbObjectId right = Line(4, 0, 4, 1);
    const AcDbObjectId left = Line(0, 1, 0, 0);
    AcDbHatch hatch;
    ASSERT_EQ(hatch.appendLoop(AcDbHatch::kExternal, Ids({circle})), Acad::eOk);
    ASSERT_EQ(hatch.appendLoop(AcDbHatch::kOutermost, Ids({arc, bottom, left, right})), Acad::eOk);
    EXPECT_EQ(hatch.loopTypeAt(1), AcDbHatch::kOutermost);
    Adesk::Int32 type = 0;
    AcGeVoidPointerArray edges;
    AcGeIntArray types;
    ASSERT_EQ(hatch.getLoopAt(0, type, edges, types), Acad::eOk);
    ASSERT_EQ(edges.length(), 1);
    EXPECT_EQ(types[0], AcDbHatch::kCirArc);
    EXPECT_TRUE(static_cast<AcGeCurve2d*>(edges[0])->isClosed());
    ASSERT_EQ(hatch.getLoopAt(1, type, edges, types), Acad::eOk);
    ASSERT_EQ(edges.length(), 4);
    // Each edge starts where the one before it ends, and the last ends at the first's start.
    for (int i = 0; i < 4; ++i) {
        AcGePoint2d end, nextStart;
        static_cast<AcGeCurve2d*>(edges[i])->hasEndPoint(end);
        static_cast<AcGeCurve2d*>(edges[(i + 1) % 4])->hasStartPoint(nextStart);
        EXPECT_LT(end.distanceTo(nextStart), 1e-9) << "edge " << i;
    }
    EXPECT_EQ(types[0], AcDbHatch::kCirArc);
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges;
    EXPECT_EQ(hatch.getLoopAt(1, type, vertices, bulges), Acad::eInvalidInput);
    EXPECT_EQ(hatch.getLoopAt(2, type, vertices, bulges), Acad::eInvalidIndex);
}

TEST_F(HatchTest, EmptyOpenAndNonCurveLoopsAreRefusedAndAddNothing) {
    AcDbHatch hatch;
    EXPECT_EQ(hatch.evaluateHatch(), Acad::eInvalidInput);  // nothing to fill
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, AcDbObjectIdArray()), Acad::eInvalidInput);
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, Ids({Square(false)})), Acad::eInvalidInput);
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, Ids({Line(0, 0, 1, 0), Line(1, 0, 1, 1)})),
              Acad::eInvalidInput);
    const AcDbObjectId point = Post(new AcDbPoint(AcGePoint3d(1, 1, 0)));
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, Ids({point})), Acad::eInvalidInput);
    // A closed curve among open ones does not make one boundary.
    const AcDbObjectId circle = Post(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1));
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, Ids({circle, Line(0, 0, 1, 0)})), Acad::eInvalidInput);
    // An erased boundary cannot be read.
    const AcDbObjectId gone = Post(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1));
    ASSERT_EQ(EraseObject(gone), Acad::eOk);
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, Ids({gone})), Acad::eWasErased);
    AcGePoint2dArray one;
    one.append(AcGePoint2d(0, 0));
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, one, AcGeDoubleArray()), Acad::eInvalidInput);
    EXPECT_EQ(hatch.numLoops(), 0);
}

TEST_F(HatchTest, AssociativeHatchReportsItsBoundariesAndMovesWithItsPlane) {
    const AcDbObjectId square = Square(true);
    const AcDbObjectId circle = Post(new AcDbCircle(AcGePoint3d(2, 2, 0), AcGeVector3d::kZAxis, 1));
    auto* hatch = new AcDbHatch();
    hatch->setAssociative(true);
    ASSERT_EQ(hatch->appendLoop(AcDbHatch::kExternal, Ids({square})), Acad::eOk);
    ASSERT_EQ(hatch->appendLoop(AcDbHatch::kOutermost, Ids({circle})), Acad::eOk);
    AcDbObjectIdArray assoc;
    hatch->getAssocObjIds(assoc);
    ASSERT_EQ(assoc.length(), 2);
    EXPECT_EQ(assoc[0], square);
    EXPECT_EQ(assoc[1], circle);
    hatch->setAssociative(false);
    hatch->getAssocObjIds(assoc);
    EXPECT_TRUE(assoc.isEmpty());
    // Turned half round about (2, 2): the square's bulge now points left of x = 0.
    ASSERT_EQ(hatch->transformBy(AcGeMatrix3d::rotation(kPi, AcGeVector3d::kZAxis, AcGePoint3d(2, 2, 0))),
              Acad::eOk);
    AcDbExtents box;
    hatch->getGeomExtents(box);
    EXPECT_LT(box.minPoint().x, -0.5);
    EXPECT_NEAR(box.maxPoint().x, 4, 1e-9);
    // Tilting the plane is refused.
    EXPECT_EQ(hatch->transformBy(AcGeMatrix3d::rotation(0.3, AcGeVector3d::kXAxis)), Acad::eNotApplicable);
    Post(hatch);
}

TEST_F(HatchTest, RegionsFromCurvesOnePerClosedBoundary) {
    AcDbCircle circle(AcGePoint3d(10, 0, 2), AcGeVector3d::kZAxis, 1);
    AcDbLine a(AcGePoint3d(0, 0, 2), AcGePoint3d(3, 0, 2));
    AcDbLine b(AcGePoint3d(3, 4, 2), AcGePoint3d(3, 0, 2));
    AcDbLine c(AcGePoint3d(0, 0, 2), AcGePoint3d(3, 4, 2));
    AcDbLine stray(AcGePoint3d(20, 0, 2), AcGePoint3d(21, 0, 2));
    AcDbVoidPtrArray curves;
    for (AcDbCurve* curve : std::initializer_list<AcDbCurve*>{&a, &circle, &b, &stray, &c}) {
        curves.append(static_cast<AcRxObject*>(curve));
    }
    AcDbVoidPtrArray regions;
    ASSERT_EQ(AcDbRegion::createFromCurves(curves, regions), Acad::eOk);
    ASSERT_EQ(regions.length(), 2);
    auto* circleRegion = static_cast<AcDbRegion*>(static_cast<AcRxObject*>(regions[0]));
    auto* triangle = static_cast<AcDbRegion*>(static_cast<AcRxObject*>(regions[1]));
    double area = 0;
    circleRegion->getArea(area);
    EXPECT_NEAR(area, kPi, 1e-4);
    triangle->getArea(area);
    EXPECT_NEAR(area, 6, 1e-9);
    double perimeter = 0;
    triangle->getPerimeter(perimeter);
    EXPECT_NEAR(perimeter, 12, 1e-9);
    AcDbVoidPtrArray parts;
    ASSERT_EQ(triangle->explode(parts), Acad::eOk);
    ASSERT_EQ(parts.length(), 3);
    for (void* p : parts) {
        auto* line = AcDbLine::cast(static_cast<AcRxObject*>(p));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->startPoint().z, 2);
        delete line;
    }
    for (void* r : regions) {
        delete static_cast<AcDbRegion*>(static_cast<AcRxObject*>(r));
    }

    // Only open curves that close nothing, or something that is not a curve: refused, nothing made.
    AcDbVoidPtrArray none;
    none.append(static_cast<AcRxObject*>(&stray));
    regions.removeAll();
    EXPECT_EQ(AcDbRegion::createFromCurves(none, regions), Acad::eInvalidInput);
    AcDbPoint point;
    none.append(static_cast<AcRxObject*>(&point));
    none.append(static_cast<AcRxObject*>(&circle));
    EXPECT_EQ(AcDbRegion::createFromCurves(none, regions), Acad::eInvalidInput);
    EXPECT_TRUE(regions.isEmpty());
}

}  // namespace
