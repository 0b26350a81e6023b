// The pure pieces of the conversion: label level and size from a text height, a point's height field, and
// the points of lightweight polylines of every segment kind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "plugin/app/TarnArxApp.h"
#include "plugin/exchange/EntityConvert.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/maplink.h"

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

class TwoArcShape : public ::testing::Test {
protected:
    void SetUp() override { ResetPluginState(); }
    void TearDown() override {
        std::free(packet.m_pData);
        ResetPluginState();
    }
    // The one shape the packet holds (its 64-byte object header first).
    MapShapeObj* Only() {
        EXPECT_GT(packet.m_nUsed, 64u);
        return MapApiParseShape(&g_MapApiLink, packet.m_pData + 64, packet.m_nUsed - 64);
    }
    MapApiBuf packet = {};
};

TEST_F(TwoArcShape, TheFirstTwoArcsBecomeTwoRingsOfOneShape) {
    // Two half circles: (0,0) to (10,0) about (5,0), and back from (10,0) to (10,6) about (10,3).
    AcDbPolyline pline;
    pline.addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    pline.addVertexAt(1, AcGePoint2d(10, 0), 1.0);
    pline.addVertexAt(2, AcGePoint2d(10, 6));
    g_nCurrentColor = 0x00FF00;
    CBindingRecord binding;
    binding.m_opacity = 70;
    ASSERT_EQ(WriteTwoArcShape(&pline, &packet, &binding), 1);
    MapShapeObj* shape = Only();
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->m_crLine, 0x00FF00u);
    EXPECT_EQ(shape->m_crFill, 0x00FF00u);
    EXPECT_EQ(shape->m_byCoordKind, 2);
    EXPECT_EQ(shape->m_byFillOpacity, 70);
    EXPECT_EQ(shape->m_nHatchCount, 1);
    EXPECT_EQ(std::string(shape->m_szName).rfind("Shape_", 0), 0u);
    int marker = -1;
    for (int i = 0; i < shape->m_nCount; ++i) {
        const MapObjPoint& p = shape->m_pPoints[i];
        if (p.m_nHeight == static_cast<INT32>(kMultiPartFlag)) {
            ASSERT_EQ(marker, -1) << "one marker only";
            marker = i;
        } else {
            EXPECT_EQ(p.m_nHeight, 0);
        }
        // y and x swapped on the wire; every sample on its own circle.
        if (marker < 0) {
            EXPECT_NEAR(std::hypot(p.m_dX - 5, p.m_dY), 5.0, 1e-9) << i;
        } else {
            EXPECT_NEAR(std::hypot(p.m_dX - 10, p.m_dY - 3), 3.0, 1e-9) << i;
        }
    }
    // Each ring runs from its segment's start to its end, a sample about every 3 degrees of the half turn.
    ASSERT_GE(marker, 180 / 3);
    ASSERT_GE(shape->m_nCount - marker, 180 / 3);
    EXPECT_NEAR(shape->m_pPoints[0].m_dX, 0.0, 1e-9);
    EXPECT_NEAR(shape->m_pPoints[marker - 1].m_dX, 10.0, 1e-9);
    EXPECT_NEAR(shape->m_pPoints[marker].m_dX, 10.0, 1e-9);
    EXPECT_NEAR(shape->m_pPoints[marker].m_dY, 0.0, 1e-9);
    EXPECT_NEAR(shape->m_pPoints[shape->m_nCount - 1].m_dY, 6.0, 1e-9);
    MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
}

TEST_F(TwoArcShape, StraightSegmentsGiveNoRingAndTooFewPointsSendNothing) {
    AcDbPolyline straight;
    straight.addVertexAt(0, AcGePoint2d(0, 0));
    straight.addVertexAt(1, AcGePoint2d(10, 0));
    straight.addVertexAt(2, AcGePoint2d(10, 6));
    CBindingRecord binding;
    EXPECT_EQ(WriteTwoArcShape(&straight, &packet, &binding), 0);
    EXPECT_EQ(packet.m_nUsed, 0u);

    // One arc then a line: one ring, no marker.
    AcDbPolyline half;
    half.addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    half.addVertexAt(1, AcGePoint2d(10, 0));
    half.addVertexAt(2, AcGePoint2d(10, 6));
    binding.m_mapId = 42;
    binding.m_name = u"pond";
    ASSERT_EQ(WriteTwoArcShape(&half, &packet, &binding), 1);
    MapShapeObj* shape = Only();
    ASSERT_NE(shape, nullptr);
    EXPECT_STREQ(shape->m_szName, "pond");
    for (int i = 0; i < shape->m_nCount; ++i) {
        EXPECT_EQ(shape->m_pPoints[i].m_nHeight, 0);
        EXPECT_NEAR(std::hypot(shape->m_pPoints[i].m_dX - 5, shape->m_pPoints[i].m_dY), 5.0, 1e-9);
    }
    MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
}

}  // namespace
