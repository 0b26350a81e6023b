// Polylines, ellipses, splines, hatches and regions through a save and reopen.
#include <cmath>
#include <memory>

#include "dxf_fixture.h"

namespace tarntest {
namespace {

using DxfCurves = DxfTest;

// Vertices of a 2D or 3D polyline as text, bit for bit.
template <class Poly>
std::vector<std::string> VertexDump(const Poly* poly) {
    std::vector<std::string> out;
    std::unique_ptr<AcDbObjectIterator> it(poly->vertexIterator());
    for (it->start(); !it->done(); it->step()) {
        char line[256];
        if (const auto* v = AcDb2dVertex::cast(it->entity())) {
            std::snprintf(line, sizeof(line), "%a %a %a b%a w%a %a t%d", v->position().x, v->position().y,
                          v->position().z, v->bulge(), v->startWidth(), v->endWidth(), v->vertexType());
        } else if (const auto* v3 = AcDb3dPolylineVertex::cast(it->entity())) {
            std::snprintf(line, sizeof(line), "%a %a %a t%d", v3->position().x, v3->position().y,
                          v3->position().z, v3->vertexType());
        }
        out.push_back(line);
    }
    return out;
}

TEST_F(DxfCurves, PolylinesEllipsesAndSplinesComeBackBitExact) {
    auto* lw = new AcDbPolyline();
    lw->addVertexAt(0, AcGePoint2d(0.1, 0.2), 0.0, 0.5, 0.25);
    lw->addVertexAt(1, AcGePoint2d(10.0 / 3.0, -7.0), 0.41421356237309503);
    lw->addVertexAt(2, AcGePoint2d(1e7 + 0.125, 3.0), -1.0, 2.0, 2.0);
    lw->setClosed(true);
    lw->setElevation(12.5);
    lw->setThickness(0.3);
    const AcDbObjectId lwId = Post(lw);

    AcGePoint3dArray points;
    points.append(AcGePoint3d(0, 0, 0));
    points.append(AcGePoint3d(1.0 / 3.0, 2, 0));
    points.append(AcGePoint3d(5, -1.5, 0));
    AcGeDoubleArray bulges;
    bulges.append(0.5);
    bulges.append(0.0);
    bulges.append(-0.25);
    auto* p2 = new AcDb2dPolyline(AcDb::k2dSimplePoly, points, 4.25, true, 0.1, 0.2, &bulges);
    const AcDbObjectId p2Id = Post(p2);

    AcGePoint3dArray space;
    space.append(AcGePoint3d(0, 0, 0));
    space.append(AcGePoint3d(1, 2, 3.0 / 7.0));
    space.append(AcGePoint3d(-4, 5, 6));
    const AcDbObjectId p3Id = Post(new AcDb3dPolyline(AcDb::k3dSimplePoly, space, false));

    const AcDbObjectId ellipseId = Post(
        new AcDbEllipse(AcGePoint3d(1, 2, 0), AcGeVector3d::kZAxis, AcGeVector3d(3, 4, 0), 0.37, 0.3, 4.1));
    const AcDbObjectId fullId = Post(
        new AcDbEllipse(AcGePoint3d(-1, -2, 0), AcGeVector3d::kZAxis, AcGeVector3d(0, 7.5, 0), 1.0 / 3.0));

    AcGePoint3dArray fit;
    fit.append(AcGePoint3d(0, 0, 0));
    fit.append(AcGePoint3d(1, 1.5, 0));
    fit.append(AcGePoint3d(3, 0.25, 0));
    fit.append(AcGePoint3d(4.5, 2, 0));
    const AcDbObjectId fitId = Post(new AcDbSpline(fit, AcGeVector3d(0, 0, 0), AcGeVector3d(0, 0, 0)));
    AcGePoint3dArray ctl;
    ctl.append(AcGePoint3d(0, 0, 0));
    ctl.append(AcGePoint3d(1, 2, 0.5));
    ctl.append(AcGePoint3d(3, 2, 0));
    ctl.append(AcGePoint3d(4, 0, 1.0 / 3.0));
    AcGeDoubleArray knots;
    for (double k : {0.0, 0.0, 0.0, 0.5, 1.0, 1.0, 1.0}) {
        knots.append(k);
    }
    AcGeDoubleArray weights;
    for (double w : {1.0, 0.7, 1.3, 1.0}) {
        weights.append(w);
    }
    const AcDbObjectId nurbsId = Post(new AcDbSpline(2, true, false, false, ctl, knots, weights));

    SaveAndReopen();

    auto* lw2 = AcDbPolyline::cast(Twin(lwId));
    ASSERT_NE(lw2, nullptr);
    AcDbPolyline* lw1 = nullptr;
    ASSERT_EQ(acdbOpenObject(lw1, lwId, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(lw2->numVerts(), 3u);
    for (unsigned int i = 0; i < 3; ++i) {
        AcGePoint2d a, b;
        double ba, bb, sa, sb, ea, eb;
        lw1->getPointAt(i, a);
        lw2->getPointAt(i, b);
        lw1->getBulgeAt(i, ba);
        lw2->getBulgeAt(i, bb);
        lw1->getWidthsAt(i, sa, ea);
        lw2->getWidthsAt(i, sb, eb);
        EXPECT_TRUE(a.x == b.x && a.y == b.y && ba == bb && sa == sb && ea == eb) << "vertex " << i;
    }
    EXPECT_TRUE(lw2->isClosed());
    EXPECT_EQ(lw2->elevation(), 12.5);
    EXPECT_EQ(lw2->thickness(), 0.3);
    lw1->close();
    lw2->close();

    for (AcDbObjectId id : {p2Id, p3Id}) {
        AcDbObject* a = nullptr;
        ASSERT_EQ(acdbOpenObject(a, id, AcDb::kForRead), Acad::eOk);
        AcDbObject* b = Twin(id);
        ASSERT_NE(b, nullptr);
        if (const auto* two = AcDb2dPolyline::cast(a)) {
            const auto* other = AcDb2dPolyline::cast(b);
            ASSERT_NE(other, nullptr);
            EXPECT_EQ(VertexDump(two), VertexDump(other));
            EXPECT_EQ(other->elevation(), 4.25);
            EXPECT_EQ(other->defaultStartWidth(), 0.1);
            EXPECT_TRUE(other->isClosed());
            EXPECT_EQ(std::u16string(other->layer()), u"0");
        } else {
            const auto* other = AcDb3dPolyline::cast(b);
            ASSERT_NE(other, nullptr);
            EXPECT_EQ(VertexDump(AcDb3dPolyline::cast(a)), VertexDump(other));
        }
        a->close();
        b->close();
    }

    for (AcDbObjectId id : {ellipseId, fullId}) {
        AcDbEllipse* a = nullptr;
        ASSERT_EQ(acdbOpenObject(a, id, AcDb::kForRead), Acad::eOk);
        auto* b = AcDbEllipse::cast(Twin(id));
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(a->center() == b->center() && a->majorAxis().x == b->majorAxis().x &&
                    a->majorAxis().y == b->majorAxis().y && a->radiusRatio() == b->radiusRatio());
        EXPECT_EQ(a->startAngle(), b->startAngle());
        EXPECT_EQ(a->endAngle(), b->endAngle());
        a->close();
        b->close();
    }

    for (AcDbObjectId id : {fitId, nurbsId}) {
        AcDbSpline* a = nullptr;
        ASSERT_EQ(acdbOpenObject(a, id, AcDb::kForRead), Acad::eOk);
        auto* b = AcDbSpline::cast(Twin(id));
        ASSERT_NE(b, nullptr);
        int da, db;
        bool ra, rb, ca, cb, pa, pb;
        AcGePoint3dArray pta, ptb;
        AcGeDoubleArray ka, kb, wa, wb;
        double t1, t2, t3, t4;
        a->getNurbsData(da, ra, ca, pa, pta, ka, wa, t1, t2);
        b->getNurbsData(db, rb, cb, pb, ptb, kb, wb, t3, t4);
        EXPECT_EQ(da, db);
        EXPECT_EQ(ra, rb);
        ASSERT_EQ(pta.length(), ptb.length());
        for (int i = 0; i < pta.length(); ++i) {
            EXPECT_TRUE(pta[i] == ptb[i]);
        }
        ASSERT_EQ(ka.length(), kb.length());
        for (int i = 0; i < ka.length(); ++i) {
            EXPECT_EQ(ka[i], kb[i]);
        }
        EXPECT_EQ(wa.length(), wb.length());
        EXPECT_EQ(a->numFitPoints(), b->numFitPoints());
        a->close();
        b->close();
    }
}

TEST_F(DxfCurves, HatchLoopsAndRegionsSurvive) {
    auto* hatch = new AcDbHatch();
    AcGePoint2dArray square;
    square.append(AcGePoint2d(0, 0));
    square.append(AcGePoint2d(10, 0));
    square.append(AcGePoint2d(10, 10));
    square.append(AcGePoint2d(0, 10));
    AcGeDoubleArray bulges;
    for (double b : {0.0, 0.5, 0.0, 0.0}) {
        bulges.append(b);
    }
    ASSERT_EQ(hatch->appendLoop(AcDbHatch::kExternal, square, bulges), Acad::eOk);
    hatch->setElevation(2.0);
    const AcDbObjectId hatchId = Post(hatch);

    // An edge loop from a circle, and a region from lines.
    const AcDbObjectId circleId = Post(new AcDbCircle(AcGePoint3d(20, 20, 0), AcGeVector3d::kZAxis, 3));
    auto* edged = new AcDbHatch();
    AcDbObjectIdArray ids;
    ids.append(circleId);
    ASSERT_EQ(edged->appendLoop(AcDbHatch::kExternal, ids), Acad::eOk);
    const AcDbObjectId edgedId = Post(edged);

    AcDbLine a(AcGePoint3d(0, 0, 0), AcGePoint3d(4, 0, 0));
    AcDbLine b(AcGePoint3d(4, 0, 0), AcGePoint3d(4, 3, 0));
    AcDbLine c(AcGePoint3d(4, 3, 0), AcGePoint3d(0, 0, 0));
    AcDbVoidPtrArray curves;
    curves.append(&a);
    curves.append(&b);
    curves.append(&c);
    AcDbVoidPtrArray regions;
    ASSERT_EQ(AcDbRegion::createFromCurves(curves, regions), Acad::eOk);
    ASSERT_EQ(regions.length(), 1);
    const AcDbObjectId regionId = Post(static_cast<AcDbRegion*>(regions[0]));

    SaveAndReopen();
    auto* hatch2 = AcDbHatch::cast(Twin(hatchId));
    ASSERT_NE(hatch2, nullptr);
    ASSERT_EQ(hatch2->numLoops(), 1);
    Adesk::Int32 type = 0;
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges2;
    ASSERT_EQ(hatch2->getLoopAt(0, type, vertices, bulges2), Acad::eOk);
    EXPECT_EQ(type, AcDbHatch::kExternal | AcDbHatch::kPolyline);
    ASSERT_EQ(vertices.length(), 4);
    EXPECT_TRUE(vertices[2] == square[2]);
    EXPECT_EQ(bulges2[1], 0.5);
    EXPECT_EQ(hatch2->elevation(), 2.0);
    EXPECT_EQ(std::u16string(hatch2->patternName()), u"SOLID");
    double area1 = 0.0, area2 = 0.0;
    hatch2->getArea(area2);
    hatch2->close();
    AcDbHatch* hatch1 = nullptr;
    ASSERT_EQ(acdbOpenObject(hatch1, hatchId, AcDb::kForRead), Acad::eOk);
    hatch1->getArea(area1);
    hatch1->close();
    EXPECT_EQ(area1, area2);

    auto* edged2 = AcDbHatch::cast(Twin(edgedId));
    ASSERT_NE(edged2, nullptr);
    ASSERT_EQ(edged2->numLoops(), 1);
    double area = 0.0;
    edged2->getArea(area);
    edged2->close();
    AcDbHatch* edged1 = nullptr;
    ASSERT_EQ(acdbOpenObject(edged1, edgedId, AcDb::kForRead), Acad::eOk);
    double original = 0.0;
    edged1->getArea(original);
    edged1->close();
    EXPECT_NEAR(area, original, 1e-9 * original);

    auto* region2 = AcDbRegion::cast(Twin(regionId));
    ASSERT_NE(region2, nullptr);
    region2->getArea(area);
    EXPECT_NEAR(area, 6.0, 1e-9);
    region2->close();
}

TEST_F(DxfCurves, LightweightPolylinesTakeAConstantWidthWhereTheirVerticesGiveNone) {
    // As other programs write them: a constant width (43), one vertex with widths of its own; then a polyline
    // of fewer vertices and no widths, which must not take anything of the one before.
    const std::string text =
        "  0\nSECTION\n  2\nENTITIES\n"
        "  0\nLWPOLYLINE\n  5\nA0\n  8\n0\n 90\n3\n 70\n1\n 43\n1.5\n"
        " 10\n0\n 20\n0\n 10\n1\n 20\n0\n 40\n0.5\n 42\n0.25\n 10\n2\n 20\n1\n"
        "  0\nLWPOLYLINE\n  5\nA1\n  8\n0\n 90\n1\n 10\n7\n 20\n8\n"
        "  0\nENDSEC\n  0\nEOF\n";
    ASSERT_EQ(platform::ReadDxf(db.get(), text), Acad::eOk) << platform::LastDxfError().message;
    auto open = [&](Adesk::UInt64 handle) {
        AcDbObjectId id;
        EXPECT_EQ(db->getAcDbObjectId(id, false, AcDbHandle(handle)), Acad::eOk);
        AcDbPolyline* pline = nullptr;
        EXPECT_EQ(acdbOpenObject(pline, id, AcDb::kForRead), Acad::eOk);
        return pline;
    };
    AcDbPolyline* first = open(0xA0);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->numVerts(), 3u);
    const double widths[3][2] = {{1.5, 1.5}, {0.5, 1.5}, {1.5, 1.5}};
    const double bulges[3] = {0.0, 0.25, 0.0};
    for (unsigned int i = 0; i < 3; ++i) {
        double start = 0.0, end = 0.0, bulge = 1.0;
        first->getWidthsAt(i, start, end);
        first->getBulgeAt(i, bulge);
        EXPECT_EQ(start, widths[i][0]) << i;
        EXPECT_EQ(end, widths[i][1]) << i;
        EXPECT_EQ(bulge, bulges[i]) << i;
    }
    EXPECT_TRUE(first->isClosed());
    first->close();
    AcDbPolyline* second = open(0xA1);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->numVerts(), 1u);
    AcGePoint2d point;
    double start = 1.0, end = 1.0, bulge = 1.0;
    second->getPointAt(0, point);
    second->getWidthsAt(0, start, end);
    second->getBulgeAt(0, bulge);
    EXPECT_EQ(point, AcGePoint2d(7, 8));
    EXPECT_EQ(start + end + bulge, 0.0);
    EXPECT_FALSE(second->isClosed());
    second->close();
}

}  // namespace
}  // namespace tarntest
