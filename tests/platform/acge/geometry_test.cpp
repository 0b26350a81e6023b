#include <gtest/gtest.h>

#include <numbers>

#include "platform/arx/acge/acge.h"
#include "platform/win32/core/testhooks.h"

namespace {

constexpr double kPi = std::numbers::pi;

void ExpectPoint(const AcGePoint3d& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-12);
    EXPECT_NEAR(p.y, y, 1e-12);
    EXPECT_NEAR(p.z, z, 1e-12);
}

TEST(AcGeMatrix3d, RotationScalingTranslationAboutACentre) {
    const AcGePoint3d centre(1, 1, 0);
    ExpectPoint(AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis, centre) * AcGePoint3d(2, 1, 0), 1, 2,
                0);
    // A non-unit axis is the same axis.
    ExpectPoint(AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d(0, 0, 5), centre) * AcGePoint3d(2, 1, 7), 1, 2,
                7);
    ExpectPoint(AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kXAxis) * AcGePoint3d(0, 1, 0), 0, 0, 1);
    ExpectPoint(AcGeMatrix3d::scaling(2.0, AcGePoint3d(1, 1, 1)) * AcGePoint3d(2, 1, 1), 3, 1, 1);
    ExpectPoint(AcGeMatrix3d::translation(AcGeVector3d(3, 4, 0)) * AcGePoint3d(1, 1, 1), 4, 5, 1);

    // Vectors ignore the translation part; the rotation still acts on them.
    const AcGeMatrix3d turnAbout = AcGeMatrix3d::rotation(kPi, AcGeVector3d::kZAxis, AcGePoint3d(100, 0, 0));
    const AcGeVector3d v = turnAbout * AcGeVector3d(1, 0, 0);
    EXPECT_TRUE(v.isEqualTo(AcGeVector3d(-1, 0, 0), AcGeTol(1e-10, 1e-12)));

    AcGePoint3d p(2, 1, 0);
    p.transformBy(AcGeMatrix3d().setToRotation(kPi / 2, AcGeVector3d::kZAxis, centre));
    ExpectPoint(p, 1, 2, 0);
    EXPECT_DOUBLE_EQ(AcGeMatrix3d::scaling(3.0).scale(), 3.0);
    EXPECT_DOUBLE_EQ(AcGeMatrix3d::scaling(2.0).det(), 8.0);
    EXPECT_TRUE(turnAbout.isUniScaledOrtho());

    ExpectPoint(
        AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d(0, 5, 0), AcGeVector3d::kYAxis)) * AcGePoint3d(1, 7, 2),
        1, 3, 2);
}

TEST(AcGeMatrix3d, InverseUndoesAndSingularMatricesAreRefused) {
    const AcGeMatrix3d m = AcGeMatrix3d::translation(AcGeVector3d(5, -2, 1)) *
                           AcGeMatrix3d::rotation(0.7, AcGeVector3d(1, 2, 3), AcGePoint3d(4, 4, 4)) *
                           AcGeMatrix3d::scaling(2.5, AcGePoint3d(-1, 0, 3));
    const AcGePoint3d p(3.5, -7.25, 11);
    const AcGePoint3d back = m.inverse() * (m * p);
    EXPECT_NEAR(back.distanceTo(p), 0.0, 1e-12);
    EXPECT_TRUE((m * m.inverse()).isEqualTo(AcGeMatrix3d::kIdentity, AcGeTol(1e-10, 1e-12)));

    AcGeMatrix3d flat = AcGeMatrix3d::scaling(1.0);
    flat(2, 2) = 0.0;  // squashes Z
    AcGeMatrix3d result;
    EXPECT_TRUE(flat.isSingular());
    EXPECT_FALSE(flat.inverse(result));
    EXPECT_TRUE(flat.inverse().isEqualTo(AcGeMatrix3d::kIdentity));
    AcGeMatrix3d copy = flat;
    copy.invert();
    EXPECT_TRUE(copy.isEqualTo(flat));

    // A frame and its alignment back to the world.
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(AcGeVector3d(1, 1, 1));
    const AcGeMatrix3d fromPlane = AcGeMatrix3d::planeToWorld(AcGeVector3d(1, 1, 1));
    EXPECT_TRUE((toPlane * fromPlane).isEqualTo(AcGeMatrix3d::kIdentity, AcGeTol(1e-10, 1e-12)));
    const AcGeVector3d z = fromPlane * AcGeVector3d::kZAxis;
    EXPECT_TRUE(z.isCodirectionalTo(AcGeVector3d(1, 1, 1), AcGeTol(1e-10, 1e-9)));
    EXPECT_TRUE(AcGeMatrix3d::planeToWorld(AcGeVector3d::kZAxis).isEqualTo(AcGeMatrix3d::kIdentity));
}

TEST(AcGeVector, AnglesStayInTheirRanges) {
    EXPECT_DOUBLE_EQ(AcGeVector2d(1, 0).angle(), 0.0);
    EXPECT_DOUBLE_EQ(AcGeVector2d(0, 1).angle(), kPi / 2);
    EXPECT_DOUBLE_EQ(AcGeVector2d(-1, 0).angle(), kPi);
    EXPECT_DOUBLE_EQ(AcGeVector2d(0, -1).angle(), 3 * kPi / 2);
    // Just below the X axis: an angle a hair under 2pi, or 0, never 2pi itself.
    const double nearlyFull = AcGeVector2d(1, -1e-300).angle();
    EXPECT_LT(nearlyFull, 2 * kPi);
    EXPECT_GE(nearlyFull, 0.0);
    EXPECT_EQ(AcGeVector2d(0, 0).angle(), 0.0);

    EXPECT_DOUBLE_EQ(AcGeVector2d(1, 0).angleTo(AcGeVector2d(0, -1)), kPi / 2);
    EXPECT_DOUBLE_EQ(AcGeVector2d(1, 0).angleTo(AcGeVector2d(-1, 0)), kPi);
    EXPECT_DOUBLE_EQ(AcGeVector3d::kXAxis.angleTo(AcGeVector3d::kYAxis, AcGeVector3d::kZAxis), kPi / 2);
    EXPECT_DOUBLE_EQ(AcGeVector3d::kXAxis.angleTo(AcGeVector3d::kYAxis, -AcGeVector3d::kZAxis), 3 * kPi / 2);

    AcGeVector2d v(1, 0);
    v.rotateBy(kPi / 2);
    EXPECT_NEAR(v.x, 0.0, 1e-15);
    EXPECT_NEAR(v.y, 1.0, 1e-15);

    EXPECT_TRUE(AcGeVector3d(0, 0, 2).isParallelTo(AcGeVector3d(0, 0, -1)));
    EXPECT_FALSE(AcGeVector3d(0, 0, 2).isCodirectionalTo(AcGeVector3d(0, 0, -1)));
    EXPECT_FALSE(AcGeVector3d(0, 0, 0).isParallelTo(AcGeVector3d::kZAxis));
    EXPECT_TRUE(AcGeVector2d(1, 1).isPerpendicularTo(AcGeVector2d(-2, 2)));
    for (const AcGeVector3d& d : {AcGeVector3d::kZAxis, AcGeVector3d(1e-3, 0, 1), AcGeVector3d(3, -4, 0.5)}) {
        const AcGeVector3d perp = d.perpVector();
        EXPECT_TRUE(perp.isUnitLength(AcGeTol(1e-10, 1e-12)));
        EXPECT_TRUE(perp.isPerpendicularTo(d, AcGeTol(1e-10, 1e-12)));
    }
    EXPECT_TRUE(AcGeVector3d::kXAxis.crossProduct(AcGeVector3d::kYAxis).isEqualTo(AcGeVector3d::kZAxis));
    AcGeVector3d zero;
    zero.normalize();  // stays zero, no division by zero
    EXPECT_TRUE(zero.isZeroLength());
}

TEST(AcGePoint, EqualityFollowsTheTolerance) {
    EXPECT_TRUE(AcGePoint3d(1, 2, 3) == AcGePoint3d(1 + 5e-11, 2, 3));
    EXPECT_FALSE(AcGePoint3d(1, 2, 3) == AcGePoint3d(1 + 1e-9, 2, 3));
    EXPECT_TRUE(AcGePoint2d(0, 0).isEqualTo(AcGePoint2d(0.3, 0.4), AcGeTol(0.5, 1e-12)));
    EXPECT_FALSE(AcGePoint2d(0, 0).isEqualTo(AcGePoint2d(0.3, 0.4), AcGeTol(0.49, 1e-12)));

    AcGeContext::gTol.setEqualPoint(1e-3);
    EXPECT_TRUE(AcGePoint3d(0, 0, 0) == AcGePoint3d(0, 5e-4, 0));
    platform::ResetAll();  // the harness does this between tests
    EXPECT_DOUBLE_EQ(AcGeContext::gTol.equalPoint(), 1e-10);
    EXPECT_FALSE(AcGePoint3d(0, 0, 0) == AcGePoint3d(0, 5e-4, 0));

    const AcGeVector3d d = AcGePoint3d(4, 6, 8) - AcGePoint3d(1, 2, 3);
    ExpectPoint(AcGePoint3d(1, 2, 3) + d, 4, 6, 8);
    EXPECT_DOUBLE_EQ(AcGePoint3d(1, 2, 3).distanceTo(AcGePoint3d(4, 6, 3)), 5.0);
    AcGePoint2d q(2, 0);
    q.rotateBy(kPi / 2, AcGePoint2d(1, 0)).scaleBy(2, AcGePoint2d(1, 0));
    EXPECT_NEAR(q.x, 1.0, 1e-12);
    EXPECT_NEAR(q.y, 2.0, 1e-12);
}

TEST(AcArray, AppendInsertRemoveAndGrow) {
    AcGeIntArray a(0, 2);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(a.append(i * 10), i);
        EXPECT_GE(a.physicalLength(), a.length());
    }
    EXPECT_EQ(a.length(), 10);
    a.removeAt(3);  // 30 goes
    EXPECT_EQ(a[3], 40);
    a.insertAt(0, -1).insertAt(5, 55).insertAt(a.length(), 99);
    EXPECT_EQ(a.first(), -1);
    EXPECT_EQ(a[5], 55);
    EXPECT_EQ(a.last(), 99);
    a.removeLast();
    EXPECT_EQ(a.last(), 90);

    int index = -1;
    EXPECT_TRUE(a.find(55, index));
    EXPECT_EQ(index, 5);
    EXPECT_FALSE(a.contains(55, 6));
    EXPECT_EQ(a.findFrom(30, 0), -1);

    AcGeIntArray copy(a);
    copy.reverse();
    EXPECT_EQ(copy.first(), 90);
    EXPECT_EQ(a.first(), -1);  // copies are independent

    a.append(a);  // appending itself doubles it
    EXPECT_EQ(a.length(), 2 * copy.length());

    a.setLogicalLength(3);
    EXPECT_EQ(a.length(), 3);
    a.setLogicalLength(5);
    EXPECT_EQ(a[4], 0);  // new elements are zero
    a.setPhysicalLength(2);
    EXPECT_EQ(a.length(), 2);
    EXPECT_EQ(a.physicalLength(), 2);
    a.removeAll();
    EXPECT_TRUE(a.isEmpty());

    // A reference into the array survives the growth its own append causes.
    AcGePoint3dArray points(1, 1);
    points.append(AcGePoint3d(1, 2, 3));
    points.append(points[0]);
    ExpectPoint(points[1], 1, 2, 3);
    // Points are found with the point tolerance.
    EXPECT_TRUE(points.contains(AcGePoint3d(1, 2, 3 + 1e-12)));

    AcGeKnotVector knots;
    knots.append(0.0);
    knots.append(1.0);
    EXPECT_DOUBLE_EQ(knots.endParam(), 1.0);
    EXPECT_DOUBLE_EQ(knots.asArrayPtr()[0], 0.0);
}

}  // namespace
