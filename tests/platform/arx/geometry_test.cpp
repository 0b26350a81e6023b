// Entity geometry the plug-in relies on: arc angles and true extents, transforms, empty extents, block
// extents.
#include <gtest/gtest.h>

#include <cmath>

#include "arx_fixture.h"

namespace tarntest {
namespace {

constexpr double kPi = 3.14159265358979323846;

using Geometry = DbTest;

void ExpectPoint(const AcGePoint3d& p, double x, double y, double z = 0.0) {
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
    EXPECT_NEAR(p.z, z, 1e-9);
}

TEST_F(Geometry, ArcAnglesAreNormalisedAndExtentsAreTrue) {
    AcDbArc arc(AcGePoint3d(10, 20, 0), 5, -kPi / 2, 5 * kPi);
    EXPECT_NEAR(arc.startAngle(), 3 * kPi / 2, 1e-12);
    EXPECT_NEAR(arc.endAngle(), kPi, 1e-12);
    EXPECT_EQ(arc.setStartAngle(2 * kPi), Acad::eOk);
    EXPECT_EQ(arc.startAngle(), 0.0);

    // A quarter arc from 45° to 135° reaches the top of the circle but neither side.
    AcDbArc top(AcGePoint3d(0, 0, 0), 2, kPi / 4, 3 * kPi / 4);
    AcDbExtents ext;
    ASSERT_EQ(top.getGeomExtents(ext), Acad::eOk);
    ExpectPoint(ext.minPoint(), -std::sqrt(2.0), std::sqrt(2.0));
    ExpectPoint(ext.maxPoint(), std::sqrt(2.0), 2.0);

    // Crossing 0°: from 315° to 45° reaches the right side.
    AcDbArc right(AcGePoint3d(1, 1, 0), 1, 7 * kPi / 4, kPi / 4);
    ASSERT_EQ(right.getGeomExtents(ext), Acad::eOk);
    EXPECT_NEAR(ext.maxPoint().x, 2.0, 1e-12);
    EXPECT_NEAR(ext.minPoint().x, 1 + std::sqrt(0.5), 1e-12);

    // Arc length and the point at half of it.
    AcGePoint3d mid;
    ASSERT_EQ(top.getPointAtDist(2 * kPi / 4, mid), Acad::eOk);
    ExpectPoint(mid, 0, 2);
    EXPECT_EQ(top.getPointAtDist(2 * kPi / 2 * (1 + 1e-12), mid), Acad::eOk);  // float overshoot tolerated
    EXPECT_NE(top.getPointAtDist(10, mid), Acad::eOk);

    AcDbCircle zero;
    EXPECT_EQ(zero.getGeomExtents(ext), Acad::eInvalidExtents);
    EXPECT_EQ(zero.setRadius(0), Acad::eInvalidInput);
}

TEST_F(Geometry, TransformsMoveRotateAndMirror) {
    AcDbArc arc(AcGePoint3d(0, 0, 0), 1, 0, kPi / 2);
    AcGeMatrix3d rotate;
    rotate.setToRotation(kPi, AcGeVector3d::kZAxis, AcGePoint3d(0, 0, 0));
    ASSERT_EQ(arc.transformBy(rotate), Acad::eOk);
    EXPECT_NEAR(arc.startAngle(), kPi, 1e-12);
    EXPECT_NEAR(arc.endAngle(), 3 * kPi / 2, 1e-12);

    // Mirroring in the Y axis keeps the arc's points: start and end swap roles.
    AcDbArc quarter(AcGePoint3d(0, 0, 0), 1, 0, kPi / 2);
    AcGeMatrix3d mirror;
    mirror.setToScaling(1.0);
    mirror(0, 0) = -1.0;
    ASSERT_EQ(quarter.transformBy(mirror), Acad::eOk);
    AcGePoint3d start, end;
    quarter.getStartPoint(start);
    quarter.getEndPoint(end);
    ExpectPoint(start, 0, 1);
    ExpectPoint(end, -1, 0);

    AcDbCircle circle(AcGePoint3d(1, 1, 0), AcGeVector3d::kZAxis, 2);
    AcGeMatrix3d stretch;
    stretch.setToScaling(1.0);
    stretch(0, 0) = 2.0;
    EXPECT_EQ(circle.transformBy(stretch), Acad::eCannotScaleNonUniformly);
    ASSERT_EQ(circle.transformBy(AcGeMatrix3d::scaling(3.0, AcGePoint3d(1, 1, 0))), Acad::eOk);
    EXPECT_NEAR(circle.radius(), 6.0, 1e-12);

    AcDbLine line(AcGePoint3d(1, 1, 0), AcGePoint3d(2, 1, 0));
    ASSERT_EQ(line.transformBy(AcGeMatrix3d::translation(AcGeVector3d(3, 4, 0))), Acad::eOk);
    ExpectPoint(line.startPoint(), 4, 5);

    AcDbText text(AcGePoint3d(1, 0, 0), u"ab", AcDbObjectId(), 2.0, 0.0);
    ASSERT_EQ(text.transformBy(rotate), Acad::eOk);
    ExpectPoint(text.position(), -1, 0);
    EXPECT_NEAR(text.rotation(), kPi, 1e-12);
    EXPECT_NEAR(text.height(), 2.0, 1e-12);

    // A resident entity needs a write-open to be transformed.
    const AcDbObjectId id = Post(new AcDbPoint(AcGePoint3d(1, 2, 3)));
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(entity->transformBy(rotate), Acad::eNotOpenForWrite);
    entity->close();
}

TEST_F(Geometry, EmptyExtentsCentreOnTheOriginAndBlockExtentsCanFail) {
    AcDbExtents empty;
    EXPECT_TRUE(platform::IsEmptyExtents(empty));
    const AcGePoint3d lo = empty.minPoint();
    const AcGePoint3d hi = empty.maxPoint();
    ExpectPoint(AcGePoint3d((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2), 0, 0, 0);
    AcDbExtents other;
    other.addPoint(AcGePoint3d(1, 2, 3));
    empty.addExt(other);
    ExpectPoint(empty.minPoint(), 1, 2, 3);
    ExpectPoint(empty.maxPoint(), 1, 2, 3);
    AcDbExtents unchanged;
    EXPECT_EQ(unchanged.set(AcGePoint3d(1, 0, 0), AcGePoint3d(0, 0, 0)), Acad::eInvalidExtents);
    EXPECT_TRUE(platform::IsEmptyExtents(unchanged));

    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForRead), Acad::eOk);
    table->close();
    AcDbExtents ext;
    EXPECT_EQ(ext.addBlockExt(space), Acad::eInvalidExtents);  // nothing to measure
    space->close();

    Post(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1));
    Post(new AcDbText(AcGePoint3d(5, 5, 0), u""));  // no extents: skipped
    const AcDbObjectId far = Post(new AcDbPoint(AcGePoint3d(100, 100, 0)));
    ASSERT_EQ(EraseObject(far), Acad::eOk);
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForRead), Acad::eOk);
    table->close();
    ASSERT_EQ(ext.addBlockExt(space), Acad::eOk);
    ExpectPoint(ext.minPoint(), -1, -1);
    ExpectPoint(ext.maxPoint(), 1, 1);
    platform::ForceAddBlockExtFailure(true);
    AcDbExtents forced;
    EXPECT_EQ(forced.addBlockExt(space), Acad::eInvalidExtents);
    EXPECT_TRUE(platform::IsEmptyExtents(forced));
    space->close();
}

TEST_F(Geometry, MTextPlainTextTurnsParagraphsIntoLineBreaks) {
    AcDbMText mtext;
    ASSERT_EQ(mtext.setContents(u"{\\fArial|b1;Road}\\PNo.\\~5 \\\\ \\{x\\} \\S1^2;"), Acad::eOk);
    EXPECT_EQ(mtext.text(), u"Road\r\nNo. 5 \\ {x} 1/2");
    ASSERT_EQ(mtext.setTextHeight(2.0), Acad::eOk);
    AcDbExtents ext;
    ASSERT_EQ(mtext.getGeomExtents(ext), Acad::eOk);
    EXPECT_NEAR(ext.maxPoint().y, 0.0, 1e-12);  // top left attachment: the text hangs below the location
    EXPECT_LT(ext.minPoint().y, -4.0);
}

}  // namespace
}  // namespace tarntest
