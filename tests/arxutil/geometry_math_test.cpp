#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/arx/aced/acedalert.h"
#include "platform/arx/aced/sysvar.h"
#include "platform/mfc/uidriver.h"
#include "plugin/arxutil/ConvertUtil.h"
#include "plugin/arxutil/GePointUtil.h"
#include "plugin/arxutil/GeRectangleUtil.h"
#include "plugin/arxutil/MathUtil.h"

namespace {

TEST(CMathUtilArcCenter, BulgeGivesTheCentreOnTheRightSide) {
    const AcGePoint3d a(0, 0, 0);
    const AcGePoint3d b(10, 0, 0);
    AcGePoint3d c;
    ASSERT_TRUE(CMathUtil::GetArcCenter(a, b, 1.0, c));
    EXPECT_NEAR(c.x, 5.0, 1e-12);
    EXPECT_NEAR(c.y, 0.0, 1e-12);
    ASSERT_TRUE(CMathUtil::GetArcCenter(a, b, -1.0, c));
    EXPECT_NEAR(c.x, 5.0, 1e-12);
    EXPECT_NEAR(c.y, 0.0, 1e-12);
    ASSERT_TRUE(CMathUtil::GetArcCenter(a, b, 0.5, c));
    EXPECT_NEAR(c.x, 5.0, 1e-12);
    EXPECT_NEAR(c.y, 3.75, 1e-12);
    ASSERT_TRUE(CMathUtil::GetArcCenter(a, b, -0.5, c));
    EXPECT_NEAR(c.x, 5.0, 1e-12);
    EXPECT_NEAR(c.y, -3.75, 1e-12);

    // No arc: a bulge of 0, or no chord to bend. The output stays as it was.
    AcGePoint3d untouched(7, 8, 9);
    EXPECT_FALSE(CMathUtil::GetArcCenter(a, b, 0.0, untouched));
    EXPECT_FALSE(CMathUtil::GetArcCenter(a, a, 0.5, untouched));
    EXPECT_EQ(untouched, AcGePoint3d(7, 8, 9));

    // The 2D form works in the XY plane.
    AcGePoint2d c2(-1, -1);
    ASSERT_TRUE(CMathUtil::GetArcCenter(AcGePoint2d(0, 0), AcGePoint2d(0, 10), 0.5, c2));
    EXPECT_NEAR(c2.x, -3.75, 1e-12);
    EXPECT_NEAR(c2.y, 5.0, 1e-12);
    AcGePoint2d keep(1, 2);
    EXPECT_FALSE(CMathUtil::GetArcCenter(AcGePoint2d(0, 0), AcGePoint2d(0, 10), 0.0, keep));
    EXPECT_EQ(keep, AcGePoint2d(1, 2));
}

TEST(CGePointUtil, ComparisonsAreStrictAndFiltersKeepOrder) {
    EXPECT_TRUE(CGePointUtil::IsEqual(AcGePoint3d(0.05, 0.05, 0.05), AcGePoint3d::kOrigin, 0.1));
    EXPECT_FALSE(CGePointUtil::IsEqual(AcGePoint3d(0.05, 0.05, 0.5), AcGePoint3d::kOrigin, 0.1));
    EXPECT_FALSE(CGePointUtil::IsEqual(AcGePoint3d(0.1, 0, 0), AcGePoint3d::kOrigin, 0.1));
    EXPECT_FALSE(CMathUtil::IsEqual(AcGePoint3d(0.1, 0, 0), AcGePoint3d::kOrigin, 0.1));
    EXPECT_FALSE(CMathUtil::IsEqual(1.0, 1.5, 0.5));
    EXPECT_TRUE(CMathUtil::IsEqual(1.0, 1.4, 0.5));
    EXPECT_FALSE(CGePointUtil::IsEqual(AcGePoint2d(0, 0.1), AcGePoint2d(0, 0), 0.1));

    AcGePoint2dArray flat;
    flat.append(AcGePoint2d(1, 1));
    flat.append(AcGePoint2d(2, 2));
    flat.append(AcGePoint2d(2.001, 2));
    EXPECT_EQ(CGePointUtil::FindPoint(flat, AcGePoint2d(2.0005, 2), 0.001), 1);
    EXPECT_EQ(CGePointUtil::FindPoint(flat, AcGePoint2d(3, 3), 0.001), -1);

    AcGePoint3dArray points;
    points.append(AcGePoint3d(0, 0, 0));
    points.append(AcGePoint3d(5, 5, 0));
    points.append(AcGePoint3d(0.0001, 0, 0));
    points.append(AcGePoint3d(5, 5.0001, 7));  // Z plays no part
    CGePointUtil::FilterEqualPoints(points, 0.001);
    ASSERT_EQ(points.length(), 2);
    EXPECT_EQ(points[0], AcGePoint3d(0, 0, 0));
    EXPECT_EQ(points[1], AcGePoint3d(5, 5, 0));

    AcGePoint3dArray near;
    near.append(AcGePoint3d(3, 4, 0));  // exactly 5 away: dropped
    near.append(AcGePoint3d(10, 0, 0));
    near.append(AcGePoint3d(1, 1, 0));
    near.append(AcGePoint3d(0, -6, 0));
    CGePointUtil::FilterNearPoints(near, AcGePoint2d(0, 0), 5.0);
    ASSERT_EQ(near.length(), 2);
    EXPECT_EQ(near[0], AcGePoint3d(10, 0, 0));
    EXPECT_EQ(near[1], AcGePoint3d(0, -6, 0));
}

// Midpoints, polar and relative points: every coordinate handled, the base's Z carried through.
TEST(CGePointUtil, DerivedPointsKeepEveryCoordinate) {
    EXPECT_EQ(CGePointUtil::GetMiddlePoint(AcGePoint3d(1, -2, 4), AcGePoint3d(3, 6, -10)),
              AcGePoint3d(2, 2, -3));
    EXPECT_EQ(CGePointUtil::GetMiddlePoint(AcGePoint2d(-1, 5), AcGePoint2d(4, 2)), AcGePoint2d(1.5, 3.5));
    EXPECT_EQ(CGePointUtil::RelativePoint(AcGePoint3d(1, 2, 7), 3, -5), AcGePoint3d(4, -3, 7));

    const double angle = std::atan2(4.0, 3.0);  // a 3-4-5 triangle
    const AcGePoint3d polar = CGePointUtil::PolarPoint(AcGePoint3d(1, 1, 9), angle, 5.0);
    EXPECT_NEAR(polar.x, 4.0, 1e-12);
    EXPECT_NEAR(polar.y, 5.0, 1e-12);
    EXPECT_EQ(polar.z, 9.0);
    const AcGePoint2d flat = CGePointUtil::PolarPoint(AcGePoint2d(-1, 2), angle + CMathUtil::PI(), 10.0);
    EXPECT_NEAR(flat.x, -7.0, 1e-12);
    EXPECT_NEAR(flat.y, -6.0, 1e-12);
}

TEST(CGeRectangleUtil, TouchingRectanglesOverlap) {
    EXPECT_TRUE(CGeRectangleUtil::IntersectWithRectangle(AcGePoint2d(0, 0), AcGePoint2d(1, 1),
                                                         AcGePoint2d(1, 0), AcGePoint2d(2, 1)));
    EXPECT_FALSE(CGeRectangleUtil::IntersectWithRectangle(AcGePoint2d(0, 0), AcGePoint2d(1, 1),
                                                          AcGePoint2d(1.000001, 0), AcGePoint2d(2, 1)));
    // Corners in any order; a gap in Y alone separates.
    EXPECT_TRUE(CGeRectangleUtil::IntersectWithRectangle(AcGePoint2d(1, 1), AcGePoint2d(0, 0),
                                                         AcGePoint2d(2, 3), AcGePoint2d(0.5, 0.5)));
    EXPECT_FALSE(CGeRectangleUtil::IntersectWithRectangle(AcGePoint2d(0, 0), AcGePoint2d(1, 1),
                                                          AcGePoint2d(0, 2), AcGePoint2d(1, 1.5)));
    EXPECT_TRUE(CGeRectangleUtil::IntersectWithRectangle(AcGePoint2d(0, 0), AcGePoint2d(1, 1),
                                                         AcGePoint2d(0, 1.00000005), AcGePoint2d(1, 2)));
}

TEST(CMathUtilRound, HalfUpDecimalsAndTruncatingIntegers) {
    EXPECT_DOUBLE_EQ(CMathUtil::Round(1.25, 1), 1.3);
    EXPECT_DOUBLE_EQ(CMathUtil::Round(-1.25, 1), -1.2);
    EXPECT_DOUBLE_EQ(CMathUtil::Round(1234.5, -2), 1200.0);
    EXPECT_EQ(CMathUtil::Round(-2.7), -2);
    EXPECT_EQ(CMathUtil::Round(2.5), 3);
    EXPECT_EQ(CMathUtil::Round(-0.4), 0);
    // Values outside int saturate instead of converting out of range.
    EXPECT_EQ(CMathUtil::Round(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(CMathUtil::Round(-1e300), std::numeric_limits<int>::min());
    EXPECT_EQ(CMathUtil::Round(std::nan("")), 0);

    EXPECT_DOUBLE_EQ(CMathUtil::PI(), std::atan(1.0) * 4);
    std::srand(7);
    bool sawMin = false;
    bool sawMax = false;
    for (int i = 0; i < 2000; ++i) {
        const int r = CMathUtil::GetRand(3, 6);
        ASSERT_GE(r, 3);
        ASSERT_LE(r, 6);
        sawMin = sawMin || r == 3;
        sawMax = sawMax || r == 6;
    }
    EXPECT_TRUE(sawMin && sawMax);
}

TEST(CMathUtilColor, IndexBoundsAndNearestIndex) {
    platform::AlertTranscript().clear();
    EXPECT_EQ(CMathUtil::GetRGBFromColorIndex(1), 0x0000FFu);  // red in the lowest byte
    EXPECT_EQ(CMathUtil::GetRGBFromColorIndex(5), 0xFF0000u);
    EXPECT_EQ(CMathUtil::GetRGBFromColorIndex(7), 0xFFFFFFu);
    EXPECT_EQ(CMathUtil::GetRGBFromColorIndex(0), 0u);
    EXPECT_EQ(CMathUtil::GetRGBFromColorIndex(255), 0xFFFFFFu);
    EXPECT_TRUE(platform::AlertTranscript().empty());

    platform::ScriptedUiDriver driver;
    driver.ExpectMessageBox(u"传入的颜色号不在0~255之间!").ExpectMessageBox(u"传入的颜色号不在0~255之间!");
    platform::SetUiDriver(&driver);
    EXPECT_EQ(CMathUtil::GetRGBFromColorIndex(256), 0u);
    EXPECT_EQ(CMathUtil::GetRGBFromColorIndex(-1), 0u);
    platform::SetUiDriver(nullptr);
    std::string report;
    EXPECT_TRUE(driver.Verify(&report)) << report;
    EXPECT_EQ(platform::AlertTranscript().size(), 2u);

    EXPECT_EQ(CMathUtil::GetColorIndexFromRGB(RGB(255, 0, 0)), 1);  // 1 and 10 tie: the lower wins
    EXPECT_EQ(CMathUtil::GetColorIndexFromRGB(RGB(255, 255, 255)), 7);
    EXPECT_EQ(CMathUtil::GetColorIndexFromRGB(RGB(128, 128, 128)), 8);
    EXPECT_EQ(CMathUtil::GetColorIndexFromRGB(RGB(255, 127, 127)), 11);
    // Black is never index 0: the darkest red, green and blue shades tie at 38, the first wins.
    EXPECT_EQ(CMathUtil::GetColorIndexFromRGB(RGB(0, 0, 0)), 18);
    // Bits above the 24 are not part of the colour.
    EXPECT_EQ(CMathUtil::GetColorIndexFromRGB(0xFF0000FFu), 1);
}

TEST(CConvertUtil, TextNumbersAndAngles) {
    EXPECT_EQ(CConvertUtil::ToString(3.14159, 2).Str(), u"3.14");
    EXPECT_EQ(CConvertUtil::ToString(-42).Str(), u"-42");
    EXPECT_EQ(CConvertUtil::ToString(3.7, 0).Str(), u"4");
    // A count outside 0..15 is kept inside it rather than building a broken format.
    EXPECT_EQ(CConvertUtil::ToString(3.7, -3).Str(), u"4");
    EXPECT_EQ(CConvertUtil::ToString(1.0, 40).Str(), u"1.000000000000000");

    EXPECT_DOUBLE_EQ(CConvertUtil::ToDouble(u"  3.5abc"), 3.5);
    EXPECT_DOUBLE_EQ(CConvertUtil::ToDouble(u"-1e3"), -1000.0);
    EXPECT_DOUBLE_EQ(CConvertUtil::ToDouble(u"abc"), 0.0);
    EXPECT_DOUBLE_EQ(CConvertUtil::ToDouble(u"１２"), 0.0);  // full-width digits are no number
    EXPECT_DOUBLE_EQ(CConvertUtil::ToDouble(nullptr), 0.0);

    EXPECT_DOUBLE_EQ(CConvertUtil::AngleToRadian(180), CMathUtil::PI());
    EXPECT_DOUBLE_EQ(CConvertUtil::RadianToAngle(CMathUtil::PI() / 2), 90.0);
    EXPECT_EQ(CConvertUtil::ToPoint3d(AcGePoint2d(1, 2), 3), AcGePoint3d(1, 2, 3));
    EXPECT_EQ(CConvertUtil::ToPoint2d(AcGePoint3d(1, 2, 3)), AcGePoint2d(1, 2));
}

TEST(CConvertUtil, TransformsFollowTheCurrentUcsAndView) {
    const AcGePoint3d p(3, 4, 5);
    EXPECT_EQ(CConvertUtil::WcsToUcsPoint(p), p);
    EXPECT_EQ(CConvertUtil::UcsToWcsPoint(p), p);

    platform::SysVarStore& vars = platform::CurrentSysVars();
    ASSERT_TRUE(vars.SetUcs(AcGePoint3d(10, 20, 0), AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0)));
    const AcGePoint3d inUcs = CConvertUtil::WcsToUcsPoint(AcGePoint3d(10, 21, 0));
    EXPECT_TRUE(inUcs.isEqualTo(AcGePoint3d(1, 0, 0), AcGeTol(1e-9, 1e-12)));
    EXPECT_TRUE(CConvertUtil::UcsToWcsPoint(inUcs).isEqualTo(AcGePoint3d(10, 21, 0), AcGeTol(1e-9, 1e-12)));

    vars.View().target = AcGePoint3d(100, 100, 0);
    EXPECT_TRUE(CConvertUtil::WcsToDcsPoint(AcGePoint3d(101, 102, 3)).isEqualTo(AcGePoint3d(1, 2, 3)));
}

}  // namespace
