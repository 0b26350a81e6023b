// Curve entities: ellipses and splines (validity, angles, evaluation), lightweight polylines (bulges,
// segments, distances, extents, transforms, explode) and polylines with vertices.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/arx/arx_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

using tarntest::DbTest;

void ExpectNear(const AcGePoint3d& a, const AcGePoint3d& b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Deletes the exploded pieces.
struct Pieces {
    ~Pieces() {
        for (void* p : list) {
            delete static_cast<AcDbEntity*>(static_cast<AcRxObject*>(p));
        }
    }
    AcDbEntity* at(int i) const { return static_cast<AcDbEntity*>(static_cast<AcRxObject*>(list[i])); }
    AcDbVoidPtrArray list;
};

TEST(EllipseEntity, InvalidDataLeaveANullEllipse) {
    const AcGePoint3d c(0, 0, 0);
    const AcGeVector3d z(0, 0, 1);
    EXPECT_TRUE(AcDbEllipse(c, z, AcGeVector3d(2, 0, 0), 0.0).isNull());
    EXPECT_TRUE(AcDbEllipse(c, z, AcGeVector3d(2, 0, 0), 1.5).isNull());
    EXPECT_TRUE(AcDbEllipse(c, z, AcGeVector3d(0, 0, 0), 0.5).isNull());
    EXPECT_TRUE(AcDbEllipse(c, z, AcGeVector3d(1, 0, 1), 0.5).isNull());  // major axis not in the plane
    AcDbEllipse ok(c, z, AcGeVector3d(2, 0, 0), 1.0);
    EXPECT_FALSE(ok.isNull());
    EXPECT_EQ(ok.set(c, z, AcGeVector3d(2, 0, 0), -1), Acad::eInvalidInput);
    EXPECT_NEAR(ok.radiusRatio(), 1.0, 0);
    AcDbExtents box;
    EXPECT_EQ(AcDbEllipse().getGeomExtents(box), Acad::eInvalidExtents);
}

TEST(EllipseEntity, AnglesFromTheMajorAxisBecomeParameters) {
    // The ellipse in a 2 x 4 box, major axis on Y, from -pi/2 to pi/2 measured from that axis.
    AcDbEllipse e(AcGePoint3d(1, 2, 0), AcGeVector3d::kZAxis, AcGeVector3d(0, 2, 0), 0.5, -kPi / 2, kPi / 2);
    EXPECT_NEAR(e.startAngle(), 3 * kPi / 2, 1e-12);
    EXPECT_NEAR(e.endAngle(), 5 * kPi / 2, 1e-12);
    AcGePoint3d start, end;
    e.getStartPoint(start);
    e.getEndPoint(end);
    ExpectNear(start, AcGePoint3d(2, 2, 0));  // -pi/2 from +Y is +X
    ExpectNear(end, AcGePoint3d(0, 2, 0));
    // At 45 degrees from the major axis the parameter is atan(1 / ratio).
    EXPECT_NEAR(e.paramAtAngle(kPi / 4), std::atan2(1.0, 0.5), 1e-12);
    EXPECT_NEAR(e.angleAtParam(e.paramAtAngle(1.0)), 1.0, 1e-12);
    AcGePoint3d p;
    e.getPointAtParam(e.paramAtAngle(kPi / 4), p);
    const AcGeVector3d d = p - e.center();
    EXPECT_NEAR(std::atan2(-d.x, d.y), kPi / 4, 1e-12);  // measured from +Y counter-clockwise
    // The upper half of the ellipse: x from 0 to 2, y from 2 to 4.
    AcDbExtents box;
    ASSERT_EQ(e.getGeomExtents(box), Acad::eOk);
    ExpectNear(box.minPoint(), AcGePoint3d(0, 2, 0));
    ExpectNear(box.maxPoint(), AcGePoint3d(2, 4, 0));
    double length = 0;
    ASSERT_EQ(e.getDistAtParam(kPi * 2.5, length), Acad::eOk);
    AcGePoint3d mid;
    ASSERT_EQ(e.getPointAtDist(length / 2, mid), Acad::eOk);
    ExpectNear(mid, AcGePoint3d(1, 4, 0), 1e-7);
}

TEST(SplineEntity, ValidityEvaluationAndFitPoints) {
    AcGePoint3dArray cps;
    for (double x : {0.0, 1.0, 2.0, 3.0, 4.0}) {
        cps.append(AcGePoint3d(x, x * x, 1));
    }
    AcGeDoubleArray weights;
    const double k[] = {0, 0, 0, 0, 1, 2, 2, 2, 2};
    AcGeDoubleArray knots;
    for (double v : k) {
        knots.append(v);
    }
    AcDbSpline spline(3, false, false, false, cps, knots, weights);
    ASSERT_FALSE(spline.isNull());
    AcGePoint3d start, end;
    spline.getStartPoint(start);
    spline.getEndPoint(end);
    ExpectNear(start, AcGePoint3d(0, 0, 1));
    ExpectNear(end, AcGePoint3d(4, 16, 1));
    double param = 0;
    ASSERT_EQ(spline.getEndParam(param), Acad::eOk);
    EXPECT_EQ(param, 2);

    // Knot count, order, decreasing knots: each makes the spline null.
    knots.removeLast();
    EXPECT_TRUE(AcDbSpline(3, false, false, false, cps, knots, weights).isNull());
    AcGeDoubleArray bezierKnots;
    for (double v : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0}) {
        bezierKnots.append(v);
    }
    AcGePoint3dArray three;
    three.append(AcGePoint3d(0, 0, 0));
    three.append(AcGePoint3d(1, 1, 0));
    three.append(AcGePoint3d(2, 0, 0));
    EXPECT_TRUE(AcDbSpline(3, false, false, false, three, bezierKnots, weights).isNull());
    EXPECT_FALSE(AcDbSpline(2, false, false, false, three, bezierKnots, weights).isNull());
    bezierKnots[3] = -1;
    EXPECT_TRUE(AcDbSpline(2, false, false, false, three, bezierKnots, weights).isNull());
    EXPECT_TRUE(AcDbSpline(0, false, false, false, three, bezierKnots, weights).isNull());

    // A fit-point spline runs through its fit points.
    AcGePoint3dArray fit;
    fit.append(AcGePoint3d(0, 0, 0));
    fit.append(AcGePoint3d(3, 4, 0));
    fit.append(AcGePoint3d(6, 0, 0));
    AcDbSpline through(fit, AcGeVector3d(), AcGeVector3d());
    ASSERT_FALSE(through.isNull());
    for (const AcGePoint3d& f : fit) {
        AcGePoint3d closest;
        through.getClosestPointTo(f, closest);
        EXPECT_LT(closest.distanceTo(f), 1e-7);
    }
    fit.append(AcGePoint3d(6, 0, 0));  // a repeated fit point makes no curve
    EXPECT_TRUE(AcDbSpline(fit, AcGeVector3d(), AcGeVector3d()).isNull());
}

AcDbPolyline* BulgedPolyline() {
    // (0,0) -> (10,0) a half circle bulging out below (bulge 1, counter-clockwise), -> (10,10) straight,
    // -> (0,10) a clockwise half circle (bulge -1) dipping in to (5, 5), closed back straight.
    auto* pl = new AcDbPolyline(4);
    pl->addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    pl->addVertexAt(1, AcGePoint2d(10, 0), 0.0);
    pl->addVertexAt(2, AcGePoint2d(10, 10), -1.0);
    pl->addVertexAt(3, AcGePoint2d(0, 10), 0.0);
    pl->setClosed(true);
    return pl;
}

TEST(PolylineEntity, BulgesOfBothSignsGiveArcsOnTheRightSides) {
    std::unique_ptr<AcDbPolyline> pl(BulgedPolyline());
    EXPECT_EQ(pl->segType(0), AcDbPolyline::kArc);
    EXPECT_EQ(pl->segType(1), AcDbPolyline::kLine);
    EXPECT_EQ(pl->segType(3), AcDbPolyline::kLine);  // the closing segment
    EXPECT_EQ(pl->segType(4), AcDbPolyline::kEmpty);
    AcGeCircArc2d arc;
    ASSERT_EQ(pl->getArcSegAt(0, arc), Acad::eOk);
    EXPECT_FALSE(arc.isClockWise());
    EXPECT_NEAR(arc.evalPoint((arc.startAng() + arc.endAng()) / 2).y, -5, 1e-9);
    ASSERT_EQ(pl->getArcSegAt(2, arc), Acad::eOk);
    EXPECT_TRUE(arc.isClockWise());
    EXPECT_NEAR(arc.evalPoint((arc.startAng() + arc.endAng()) / 2).y, 5, 1e-9);
    EXPECT_EQ(pl->getArcSegAt(1, arc), Acad::eInvalidInput);
    AcGeLineSeg2d chord;
    EXPECT_EQ(pl->getLineSegAt(0, chord), Acad::eOk);  // the chord of an arc segment is still there

    // True extents reach the arcs' extremes, not only the vertices.
    AcDbExtents box;
    ASSERT_EQ(pl->getGeomExtents(box), Acad::eOk);
    ExpectNear(box.minPoint(), AcGePoint3d(0, -5, 0));
    ExpectNear(box.maxPoint(), AcGePoint3d(10, 10, 0));

    // Parameters and distances: vertex i at i, arcs by angle.
    AcGePoint3d p;
    ASSERT_EQ(pl->getPointAtParam(0.5, p), Acad::eOk);
    ExpectNear(p, AcGePoint3d(5, -5, 0));
    double dist = 0;
    ASSERT_EQ(pl->getDistAtParam(2, dist), Acad::eOk);
    EXPECT_NEAR(dist, 5 * kPi + 10, 1e-9);
    ASSERT_EQ(pl->getPointAtDist(5 * kPi + 10 + 5 * kPi / 2, p), Acad::eOk);
    ExpectNear(p, AcGePoint3d(5, 5, 0));
    ASSERT_EQ(pl->getDistAtPoint(AcGePoint3d(10, 5, 0), dist), Acad::eOk);
    EXPECT_NEAR(dist, 5 * kPi + 5, 1e-9);
    EXPECT_EQ(pl->getDistAtPoint(AcGePoint3d(5, 7, 0), dist), Acad::ePointNotOnEntity);
    double end = 0;
    pl->getEndParam(end);
    EXPECT_EQ(end, 4);
    pl->getEndPoint(p);
    ExpectNear(p, AcGePoint3d(0, 0, 0));
    pl->getClosestPointTo(AcGePoint3d(5, -9, 3), p);
    ExpectNear(p, AcGePoint3d(5, -5, 0));
    double area = 0;
    pl->getArea(area);
    EXPECT_NEAR(area, 100, 1e-9);  // the half disc out below and the one cut in above cancel
}

TEST(PolylineEntity, WidthsVerticesAndSegmentKinds) {
    AcDbPolyline pl;
    EXPECT_EQ(pl.segType(0), AcDbPolyline::kEmpty);
    pl.addVertexAt(0, AcGePoint2d(1, 1), 0, 2, 2);
    EXPECT_EQ(pl.segType(0), AcDbPolyline::kPoint);
    pl.addVertexAt(5, AcGePoint2d(1, 1), 0, 2, 2);  // beyond the end appends
    EXPECT_EQ(pl.segType(0), AcDbPolyline::kCoincident);
    double width = 0;
    ASSERT_EQ(pl.getConstantWidth(width), Acad::eOk);
    EXPECT_EQ(width, 2);
    pl.setWidthsAt(1, 2, 3);
    EXPECT_EQ(pl.getConstantWidth(width), Acad::eInvalidInput);
    pl.setConstantWidth(0.5);
    double s = 0, e = 0;
    pl.getWidthsAt(1, s, e);
    EXPECT_EQ(s, 0.5);
    EXPECT_EQ(e, 0.5);
    EXPECT_EQ(pl.getWidthsAt(2, s, e), Acad::eInvalidIndex);
    AcGePoint2d v;
    EXPECT_EQ(pl.getPointAt(7, v), Acad::eInvalidIndex);
}

TEST(PolylineEntity, TransformsKeepTheGeometryAndMirroringTurnsBulges) {
    std::unique_ptr<AcDbPolyline> pl(BulgedPolyline());
    // Rotation by pi about (5, 5): the lower half circle's bottom (5, -5) goes to (5, 15).
    ASSERT_EQ(pl->transformBy(AcGeMatrix3d::rotation(kPi, AcGeVector3d::kZAxis, AcGePoint3d(5, 5, 0))),
              Acad::eOk);
    AcGePoint3d p;
    pl->getPointAtParam(0.5, p);
    ExpectNear(p, AcGePoint3d(5, 15, 0));
    // Mirroring in the plane x = 5: the bulges change sign, the points follow the mirror.
    AcGeMatrix3d mirror;
    mirror(0, 0) = -1;
    mirror(0, 3) = 10;
    ASSERT_EQ(pl->transformBy(mirror), Acad::eOk);
    double bulge = 0;
    pl->getBulgeAt(0, bulge);
    EXPECT_EQ(bulge, -1);
    pl->getPointAtParam(0.5, p);
    ExpectNear(p, AcGePoint3d(5, 15, 0));
    pl->getPointAtParam(0, p);
    ExpectNear(p, AcGePoint3d(0, 10, 0));
    // Scaling doubles widths; a non-uniform scaling is refused.
    AcGeMatrix3d squash;
    squash(1, 1) = 0.5;
    EXPECT_EQ(pl->transformBy(squash), Acad::eCannotScaleNonUniformly);
    // Lifting by a translation moves the elevation.
    ASSERT_EQ(pl->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0, 0, 7))), Acad::eOk);
    EXPECT_NEAR(pl->elevation(), 7, 1e-12);
}

TEST(PolylineEntity, ExplodeGivesLinesAndCounterClockwiseArcs) {
    std::unique_ptr<AcDbPolyline> pl(BulgedPolyline());
    Pieces pieces;
    ASSERT_EQ(pl->explode(pieces.list), Acad::eOk);
    ASSERT_EQ(pieces.list.length(), 4);
    const AcDbArc* lower = AcDbArc::cast(pieces.at(0));
    const AcDbArc* upper = AcDbArc::cast(pieces.at(2));
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(AcDbLine::cast(pieces.at(1)), nullptr);
    AcGePoint3d mid;
    lower->getPointAtParam((lower->startAngle() + lower->startAngle() + kPi) / 2, mid);
    ExpectNear(mid, AcGePoint3d(5, -5, 0));
    // The clockwise segment becomes the counter-clockwise arc from its end to its start.
    AcGePoint3d s, e;
    upper->getStartPoint(s);
    upper->getEndPoint(e);
    ExpectNear(s, AcGePoint3d(0, 10, 0));
    ExpectNear(e, AcGePoint3d(10, 10, 0));
}

TEST_F(DbTest, PolylinesWithVerticesIterateCloseAndMeasure) {
    AcGePoint3dArray points;
    points.append(AcGePoint3d(0, 0, 0));
    points.append(AcGePoint3d(3, 0, 4));
    points.append(AcGePoint3d(3, 5, 4));
    auto* poly3d = new AcDb3dPolyline(AcDb::k3dSimplePoly, points, true);
    const AcDbObjectId id = Post(poly3d);
    AcDb3dPolyline* read = nullptr;
    ASSERT_EQ(acdbOpenObject(read, id, AcDb::kForRead), Acad::eOk);
    std::unique_ptr<AcDbObjectIterator> it(read->vertexIterator());
    int count = 0;
    for (it->start(); !it->done(); it->step()) {
        const AcDb3dPolylineVertex* v = AcDb3dPolylineVertex::cast(it->entity());
        ASSERT_NE(v, nullptr);
        ExpectNear(v->position(), points[count]);
        EXPECT_EQ(v->vertexType(), AcDb::k3dSimpleVertex);
        ++count;
    }
    EXPECT_EQ(count, 3);
    double end = 0, dist = 0;
    read->getEndParam(end);
    EXPECT_EQ(end, 3);  // closed: back to the first vertex
    read->getDistAtParam(end, dist);
    EXPECT_NEAR(dist, 5 + 5 + std::sqrt(9 + 25 + 16), 1e-9);
    AcDbExtents box;
    read->getGeomExtents(box);
    ExpectNear(box.maxPoint(), AcGePoint3d(3, 5, 4));
    read->close();

    AcGeDoubleArray bulges;
    bulges.append(1);
    bulges.append(0);
    AcGePoint3dArray flat;
    flat.append(AcGePoint3d(0, 0, 0));
    flat.append(AcGePoint3d(4, 0, 0));
    auto* poly2d = new AcDb2dPolyline(AcDb::k2dSimplePoly, flat, 2.0, false, 0, 0, &bulges);
    poly2d->appendVertex(new AcDb2dVertex(AcGePoint3d(4, 4, 2)));
    std::unique_ptr<AcDbObjectIterator> it2(poly2d->vertexIterator());
    it2->start();
    EXPECT_EQ(AcDb2dVertex::cast(it2->entity())->bulge(), 1);
    AcGePoint3d p;
    poly2d->getPointAtParam(0.5, p);
    ExpectNear(p, AcGePoint3d(2, -2, 2));
    poly2d->getEndPoint(p);
    ExpectNear(p, AcGePoint3d(4, 4, 2));
    // A copy is deep: changing it leaves the original's vertices alone.
    AcDbEntity* copy = nullptr;
    ASSERT_EQ(poly2d->getTransformedCopy(AcGeMatrix3d::translation(AcGeVector3d(1, 0, 0)), copy), Acad::eOk);
    AcDb2dPolyline::cast(copy)->getEndPoint(p);
    ExpectNear(p, AcGePoint3d(5, 4, 2));
    poly2d->getEndPoint(p);
    ExpectNear(p, AcGePoint3d(4, 4, 2));
    delete copy;
    Post(poly2d);
}

}  // namespace
