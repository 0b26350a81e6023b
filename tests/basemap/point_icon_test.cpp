// Point icons: squares standing on their points at the given size, over the icon definition, with the
// properties' layer and colour; they keep their place in the draw order.
#include "raster_fixture.h"

#include "plugin/arxutil/EntityProperty.h"
#include "plugin/core/PointIcon.h"
#include "plugin/core/PngResource.h"
#include "plugin/res/icons.h"

namespace rastertest {
namespace {

using PointIcons = RasterTest;

TEST_F(PointIcons, IconsStandOnTheirPointsCentredByWholeUnits) {
    const CString iconFile = CString(platform::ToWindowsPath(tarntest::TempDir() + "/Icon.png").c_str());
    ASSERT_TRUE(WritePngResourceFile(IDR_PNG_ICON, iconFile));
    const AcDbObjectId defId = GetRasterImgDefId(_T("Icon"), iconFile);
    ASSERT_FALSE(defId.isNull());
    AddLayer(u"Marks");
    const AcDbObjectId line = AddLine();

    CEntityProperty properties;
    properties.m_bByLayer = false;
    properties.m_color.setColorIndex(3);
    properties.m_strLayerName = _T("Marks");
    AcDbObjectId odd;
    ASSERT_EQ(AddImgPoint(odd, defId, AcGePoint3d(100, 50, 0), 25, properties), odd);
    AcDbObjectId even;
    ASSERT_FALSE(AddImgPoint(even, defId, AcGePoint3d(100, 50, 7), 24, properties).isNull());

    EXPECT_EQ(PlacementOf(odd).origin, AcGePoint3d(88, 50, 0));
    EXPECT_EQ(PlacementOf(odd).u, AcGeVector3d(25, 0, 0));
    EXPECT_EQ(PlacementOf(odd).v, AcGeVector3d(0, 25, 0));
    EXPECT_EQ(PlacementOf(even).origin, AcGePoint3d(88, 50, 7));
    EXPECT_EQ(PlacementOf(even).u, AcGeVector3d(24, 0, 0));
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{line, odd, even}));  // not moved under the drawing

    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, odd, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(CString(image->layer().kACharPtr()), _T("Marks"));
    EXPECT_EQ(image->colorIndex(), 3);
    EXPECT_TRUE(image->isSetDisplayOpt(AcDbRasterImage::kTransparent));
    EXPECT_EQ(image->imageSize().x, 32);
    image->close();

    // Re-placing an icon at another size.
    ASSERT_EQ(acdbOpenObject(image, odd, AcDb::kForWrite), Acad::eOk);
    SetImgPointOrientation(image, AcGePoint3d(10, 10, 0), 9);
    image->close();
    EXPECT_EQ(PlacementOf(odd).origin, AcGePoint3d(6, 10, 0));
}

TEST_F(PointIcons, ByLayerIconsTakeTheirLayersColourAndTheCurrentLayerByDefault) {
    const CString iconFile = CString(platform::ToWindowsPath(tarntest::TempDir() + "/Icon.png").c_str());
    ASSERT_TRUE(WritePngResourceFile(IDR_PNG_ICON, iconFile));
    const AcDbObjectId defId = GetRasterImgDefId(_T("Icon"), iconFile);
    const AcDbObjectId current = AddLayer(u"Current");
    db->setClayer(current);
    CEntityProperty properties;
    properties.m_bByLayer = true;
    properties.m_color.setRGB(1, 2, 3);
    AcDbObjectId id;
    ASSERT_FALSE(AddImgPoint(id, defId, AcGePoint3d(0, 0, 0), 10, properties).isNull());
    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(image->colorIndex(), 256);
    EXPECT_EQ(image->layerId(), current);
    image->close();

    // The written icon is a whole picture the definition loaded, clear around the pin.
    CPngImage png;
    std::string bytes;
    FILE* file = std::fopen(
        platform::ToHostPath(std::u16string(static_cast<const char16_t*>(iconFile))).c_str(), "rb");
    char buffer[8192];
    bytes.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
    std::fclose(file);
    ASSERT_EQ(DecodePng(bytes.data(), bytes.size(), png), PNG_STATUS_OK);
    EXPECT_EQ(png.m_nBpp, 32);
    EXPECT_EQ(png.m_alpha[0], 0);
    EXPECT_EQ(png.m_alpha[static_cast<size_t>(png.m_nWidth) * 10 + png.m_nWidth / 2], 255);
    EXPECT_FALSE(WritePngResourceFile(4242, iconFile + _T(".2")));
}

}  // namespace
}  // namespace rastertest
