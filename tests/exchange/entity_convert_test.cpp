// The pure pieces of the conversion: label level and size from a text height, a point's height field, and
// the points of lightweight polylines of every segment kind.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plugin/exchange/EntityConvert.h"

namespace {

TEST(EntityConvert, LabelLevelAndSizeFollowTheHeightAndNeverHangOrWrap) {
    struct Case {
        double height;
        bool grow;
        int level;
        uint32_t size;
    };
    for (const Case& c : {Case{2.5, false, 20, 22}, Case{10.0, false, 19, 44}, Case{20.0, false, 18, 44},
                          Case{1.0, false, 20, 8}, Case{1.0, true, 21, 17}, Case{0.5, true, 22, 17},
                          // A height of 0, below 0 or not a number keeps the base label.
                          Case{0.0, true, 20, 22}, Case{-3.0, true, 20, 22},
                          Case{std::numeric_limits<double>::quiet_NaN(), true, 20, 22},
                          Case{std::numeric_limits<double>::infinity(), true, 20, 22}}) {
        SCOPED_TRACE(c.height);
        uint8_t level = 0;
        uint32_t size = 0;
        TextLevelAndSize(c.height, c.grow, level, size);
        EXPECT_EQ(level, c.level);
        EXPECT_EQ(size, c.size);
    }
    // Huge and tiny heights stop at the map's levels instead of wrapping the byte.
    uint8_t level = 0;
    uint32_t size = 0;
    TextLevelAndSize(1e300, false, level, size);
    EXPECT_EQ(level, 1);
    TextLevelAndSize(1e-300, true, level, size);
    EXPECT_EQ(level, 28);
}

TEST(EntityConvert, HeightsStayInRangeAndNeverLookLikeAPartMarker) {
    EXPECT_EQ(TrackHeight(3.9), 3);
    EXPECT_EQ(TrackHeight(-3.9), -3);
    EXPECT_EQ(TrackHeight(65536.5), 65535);
    EXPECT_EQ(TrackHeight(65537.0), 65537);
    EXPECT_EQ(TrackHeight(1e20), std::numeric_limits<INT32>::max());
    EXPECT_EQ(TrackHeight(-1e20), std::numeric_limits<INT32>::min());
    EXPECT_EQ(TrackHeight(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(EntityConvert, PolylinePointsKeepEveryBulgeOfTheirSegments) {
    // A zero-length segment between two arcs: the arc after it keeps its bulge.
    AcDbPolyline pline;
    pline.addVertexAt(0, AcGePoint2d(0, 0), 0.5);
    pline.addVertexAt(1, AcGePoint2d(4, 0));
    pline.addVertexAt(2, AcGePoint2d(4, 0), 1.0);
    pline.addVertexAt(3, AcGePoint2d(8, 0));
    const std::vector<CPolylinePointItem> items = GetPolylinePoints(&pline);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].bulge, 0.5);
    EXPECT_EQ(items[1].bulge, 0.0);
    EXPECT_EQ(items[2].bulge, 1.0);
    EXPECT_EQ(items[3].x, 8.0);

    AcDbPolyline single;
    single.addVertexAt(0, AcGePoint2d(1, 1));
    EXPECT_TRUE(GetPolylinePoints(&single).empty());
    AcDbPolyline none;
    EXPECT_TRUE(GetPolylinePoints(&none).empty());
}

}  // namespace
