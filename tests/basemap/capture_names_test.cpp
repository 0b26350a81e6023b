// The capture's plain values: its folder and file names, its pixel size, the dialog's level list and map
// type names, and the associated point's plane-coordinate test.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/arx/arxheaders.h"
#include "plugin/basemap/CaptureMapSetting.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/basemap/TileScheme.h"

namespace {

TEST(CaptureNames, FolderAndFileNamesBesideTheDrawing) {
    EXPECT_EQ(CaptureFolder(u"D:\\proj\\site.dwg"), CString(u"D:\\proj\\site"));
    // The extension is looked for after the last separator only.
    EXPECT_EQ(CaptureFolder(u"D:\\a.b\\site"), CString(u"D:\\a.b\\site"));
    EXPECT_EQ(CaptureFolder(u"D:\\a.b\\site.v2.dxf"), CString(u"D:\\a.b\\site.v2"));
    EXPECT_EQ(CaptureFileName(u"D:\\proj\\site", u"north", 1, 15, 0, 0, 1, 1),
              CString(u"D:\\proj\\site\\north.png"));
    // Unnamed: one region of one map is one file per level, and two levels are two files.
    const CString a = CaptureFileName(u"D:\\p\\s", u"", 1, 14, 100, 200, 300, 400);
    EXPECT_EQ(a, CaptureFileName(u"D:\\p\\s", u"", 1, 14, 100, 200, 300, 400));
    EXPECT_NE(a, CaptureFileName(u"D:\\p\\s", u"", 1, 15, 100, 200, 300, 400));
    EXPECT_NE(a, CaptureFileName(u"D:\\p\\s", u"", 2, 14, 100, 200, 300, 400));
    CString expected;
    expected.Format(u"D:\\p\\s\\%I64d.png",
                    static_cast<long long>(StringKey63(u"1_100.000000_200.000000_300.000000_400.000000_14")));
    EXPECT_EQ(a, expected);
    EXPECT_EQ(WholeViewFileName(u"C:\\tarn", u"site.dwg", 16),
              CString(u"C:\\tarn\\MapTemp\\site.dwg_16.png"));
}

TEST(CaptureNames, PixelsUseTheLevelsYResolutionAndFitThirtyTwoBits) {
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(CapturePixels(0.5, 0, 0, 100, 50, w, h));
    EXPECT_EQ(w, 200u);
    EXPECT_EQ(h, 100u);
    ASSERT_TRUE(CapturePixels(0.3, 0, 0, 1, 1, w, h));
    EXPECT_EQ(w, 3u);  // truncated
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(CapturePixels(0.0, 0, 0, 100, 50, w, h));
    EXPECT_FALSE(CapturePixels(nan, 0, 0, 100, 50, w, h));
    EXPECT_FALSE(CapturePixels(1e-9, 0, 0, 1e6, 1, w, h));
    EXPECT_FALSE(CapturePixels(1.0, -inf, 0, inf, 1, w, h));
}

TEST(CaptureNames, LevelListAndMapTypeNames) {
    const std::vector<CString> items = CaptureLevelItems(14, 20);
    ASSERT_EQ(items.size(), 17u);
    EXPECT_EQ(items[0], CString(u"当前级别(14)"));
    EXPECT_EQ(items[1], CString(u"级别:5"));
    EXPECT_EQ(items[16], CString(u"级别:20"));
    // A highest level beyond the tables is brought back to them.
    EXPECT_EQ(CaptureLevelItems(14, 99).size(), size_t(1 + kMaxTileLevel - 4));
    EXPECT_EQ(CaptureLevelItems(14, 0).size(), 13u);
    EXPECT_EQ(MapTypeName(0), CString(u"Google地图"));
    EXPECT_EQ(MapTypeName(9), CString(u"谷歌地球历史影像"));
    EXPECT_EQ(MapTypeName(12), CString(u"自定义地图"));
    EXPECT_EQ(MapTypeName(-1), CString(u"自定义地图"));
}

TEST(AssocPoints, PlaneCoordinatesAreRecognised) {
    EXPECT_TRUE(IsAssocEastingValid(39500000.0));
    EXPECT_TRUE(IsAssocEastingValid(500000.0));
    EXPECT_FALSE(IsAssocEastingValid(39100000.0));  // remainder 100,000
    EXPECT_FALSE(IsAssocEastingValid(46500000.0));  // no such zone
    EXPECT_FALSE(IsAssocEastingValid(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(IsAssocNorthingValid(4000000.0));
    EXPECT_TRUE(IsAssocNorthingValid(2000000.0));
    EXPECT_FALSE(IsAssocNorthingValid(1999999.0));
    EXPECT_FALSE(IsAssocNorthingValid(6000001.0));
}

TEST(CaptureNames, EntityCentresForTheMapView) {
    AcGePoint3d p;
    AcDbLine line(AcGePoint3d(2, 4, 7), AcGePoint3d(6, 8, 9));
    EXPECT_EQ(GetEntityExtents(p, &line), AcGePoint3d(4, 6, 0));
    // A minimum corner of exactly (0, 0) is taken as the maximum.
    AcDbLine fromOrigin(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 20, 0));
    EXPECT_EQ(GetEntityExtents(p, &fromOrigin), AcGePoint3d(10, 20, 0));
    AcDbRasterImage image;
    image.setOrientation(AcGePoint3d(5, 6, 3), AcGeVector3d(10, 0, 0), AcGeVector3d(0, 10, 0));
    EXPECT_EQ(GetEntityExtents(p, &image), AcGePoint3d(5, 6, 0));
    EXPECT_EQ(GetEntityExtents(p, nullptr), AcGePoint3d(0, 0, 0));
}

}  // namespace
