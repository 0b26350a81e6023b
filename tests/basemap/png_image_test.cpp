// PNG data through libpng: what the codec keeps of each kind of PNG and what it refuses; images made from
// the plug-in's PNG resources (black and white let the drawing through) and from PNG bytes in memory (the
// whole-view map image).
#include "raster_fixture.h"

#include "platform/arx/acap/statusbar.h"
#include "platform/win32/core/modres.h"
#include "plugin/basemap/PngImage.h"

namespace {

// 5 x 5 RGB: a white frame, a black ring, one red pixel in the middle, and one almost-white pixel.
const unsigned char kFramedPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x05, 0x08, 0x02, 0x00, 0x00, 0x00, 0x02, 0x0D, 0xB1, 0xB2, 0x00,
    0x00, 0x00, 0x1B, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0xF8, 0x8F, 0x0A, 0x18, 0x40, 0x18, 0x06,
    0x10, 0xFC, 0x13, 0x72, 0x1A, 0x28, 0x7C, 0x14, 0xF9, 0x7F, 0x48, 0xFA, 0x01, 0xA3, 0xFD, 0x30, 0xDE,
    0x04, 0x3C, 0x7A, 0xBA, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};
// 2 x 2 RGBA.
const unsigned char kAlphaPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D,
    0x24, 0x00, 0x00, 0x00, 0x16, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0xE0, 0x12, 0x91, 0xFB,
    0xAF, 0x61, 0x64, 0xD3, 0xC0, 0x00, 0x02, 0xFF, 0x81, 0x00, 0x00, 0x27, 0x9A, 0x06, 0x4E, 0x66,
    0x4C, 0xA7, 0xC6, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};

}  // namespace

TARN_RESOURCE(u"PNG", 9901, kFramedPng, sizeof kFramedPng);
TARN_RESOURCE(u"PNG", 9902, kAlphaPng, sizeof kAlphaPng);

namespace rastertest {
namespace {

using PngImages = RasterTest;

PngStatus Decode(const std::string& bytes, CPngImage& image) {
    return DecodePng(bytes.data(), bytes.size(), image);
}

TEST_F(PngImages, CodecExpandsEveryKindToRgbRowsWithAnAlphaPlane) {
    CPngImage image;
    // RGB stays 24 bits a pixel without alpha; RGBA is 32 with its alpha in the plane.
    ASSERT_EQ(DecodePng(kFramedPng, sizeof kFramedPng, image), PNG_STATUS_OK);
    EXPECT_EQ(image.m_nBpp, 24);
    EXPECT_EQ(image.m_nStride, 15u);
    EXPECT_TRUE(image.m_alpha.empty());
    EXPECT_EQ(image.m_rgb[12 * 3], 200);  // the red pixel, row 2 column 2
    ASSERT_EQ(DecodePng(kAlphaPng, sizeof kAlphaPng, image), PNG_STATUS_OK);
    EXPECT_EQ(image.m_nBpp, 32);
    EXPECT_EQ(image.m_alpha, (std::vector<BYTE>{255, 128, 0, 255}));

    // A palette with a transparent entry, and 16-bit grey: 24 bits, expanded, the transparency in the plane.
    const std::string palette =
        RawPng(2, 1, 8, 3, std::string("\0\0\1", 3),
               Chunk("PLTE", std::string("\xFF\0\0\0\0\xFF", 6)) + Chunk("tRNS", "\x40"));
    ASSERT_EQ(Decode(palette, image), PNG_STATUS_OK);
    EXPECT_EQ(image.m_nBpp, 24);
    EXPECT_EQ(image.m_rgb, (std::vector<BYTE>{255, 0, 0, 0, 0, 255}));
    EXPECT_EQ(image.m_alpha, (std::vector<BYTE>{0x40, 255}));
    ASSERT_EQ(Decode(RawPng(1, 1, 16, 0, std::string("\0\x80\x01", 3)), image), PNG_STATUS_OK);
    EXPECT_EQ(image.m_nBpp, 24);
    EXPECT_EQ(image.m_rgb, (std::vector<BYTE>{0x80, 0x80, 0x80}));

    // Encoding gives back what was decoded.
    std::vector<BYTE> png;
    ASSERT_EQ(DecodePng(kAlphaPng, sizeof kAlphaPng, image), PNG_STATUS_OK);
    ASSERT_EQ(EncodePng(image, png), PNG_STATUS_OK);
    CPngImage again;
    ASSERT_EQ(DecodePng(png.data(), png.size(), again), PNG_STATUS_OK);
    EXPECT_EQ(again.m_rgb, image.m_rgb);
    EXPECT_EQ(again.m_alpha, image.m_alpha);
}

TEST_F(PngImages, CodecRefusesDamagedAndOversizedPicturesWithStatuses) {
    CPngImage image;
    const std::string good(reinterpret_cast<const char*>(kFramedPng), sizeof kFramedPng);
    EXPECT_EQ(DecodePng(nullptr, 0, image), PNG_STATUS_EMPTY);
    EXPECT_EQ(Decode("GIF89a....", image), PNG_STATUS_NOT_PNG);
    EXPECT_EQ(Decode(good.substr(0, 50), image), PNG_STATUS_CORRUPT);
    std::string flipped = good;
    flipped[good.find("IDAT") + 8] ^= 0x21;
    EXPECT_EQ(Decode(flipped, image), PNG_STATUS_CORRUPT);
    // The header's claim is refused before anything of its size is made.
    EXPECT_EQ(Decode(RawPng(16384, 8192, 8, 2, std::string(4, '\0')), image), PNG_STATUS_TOO_LARGE);
    EXPECT_EQ(Decode(RawPng(20000, 1, 8, 2, std::string(4, '\0')), image), PNG_STATUS_TOO_LARGE);
    EXPECT_EQ(Decode(RawPng(0x7FFFFFFF, 0x7FFFFFFF, 8, 6, std::string(4, '\0')), image), PNG_STATUS_CORRUPT);
    EXPECT_EQ(image.m_nWidth, 0u);
    EXPECT_TRUE(image.m_rgb.empty());
}

TEST_F(PngImages, ResourceImagesLetBlackAndWhiteThroughAndDefinitionsAreMadeOnce) {
    std::unique_ptr<Atil::RgbaImage> image(LoadPngResImage(9901));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->size().width, 5);
    const std::vector<std::uint8_t>& px = image->tarnPixels();
    auto alpha = [&](int x, int y) { return px[(static_cast<size_t>(y) * 5 + x) * 4 + 3]; };
    EXPECT_EQ(alpha(0, 0), 0);    // white background
    EXPECT_EQ(alpha(1, 1), 0);    // black outline
    EXPECT_EQ(alpha(2, 2), 255);  // the picture
    EXPECT_EQ(alpha(1, 4), 255);  // 254 is not white
    EXPECT_EQ(px[(2 * 5 + 2) * 4], 200);
    EXPECT_EQ(LoadPngResImage(9902), nullptr);  // 32 bits a pixel
    EXPECT_EQ(LoadPngResImage(4242), nullptr);  // no such resource

    EXPECT_TRUE(GetResImgDefId(_T("Alpha"), 9902).isNull());
    EXPECT_TRUE(DefinitionNamed(u"Alpha").isNull());
    const AcDbObjectId defId = GetResImgDefId(_T("Framed"), 9901);
    ASSERT_FALSE(defId.isNull());
    EXPECT_EQ(GetResImgDefId(_T("Framed"), 9902), defId);
    EXPECT_TRUE(GetResImgDefId(CString(), 9901).isNull());
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, defId, AcDb::kForRead), Acad::eOk);
    ASSERT_NE(def->tarnImage(), nullptr);
    EXPECT_EQ(def->tarnImage()->tarnPixels(), px);
    def->close();
}

TEST_F(PngImages, BytesInMemoryBecomeTheWholeViewImageWithTheMeterMovingPerRow) {
    const AcDbObjectId line = AddLine();
    const AcDbObjectId current = AddLayer(u"Here");
    db->setClayer(current);
    // Ten rows of RGB with a transparent colour: fewer than 60 rows move the meter once a row.
    std::string rows;
    for (int y = 0; y < 10; ++y) {
        rows +=
            std::string(1, '\0') + std::string(y == 0 ? "\x01\x02\x03" : "\x10\x20\x30", 3) + "\x10\x20\x30";
    }
    const std::string png = RawPng(2, 10, 8, 2, rows, Chunk("tRNS", std::string("\0\x01\0\x02\0\x03", 6)));
    acedSetStatusBarProgressMeter(u"正在提取图片", 0, 100);
    platform::ClearStatusBarEvents();
    UINT width = 7;
    UINT height = 7;
    ASSERT_EQ(InsertImg(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size()),
                        AcGePoint2d(0, 0), AcGePoint2d(20, 100), width, height),
              Acad::eOk);
    EXPECT_EQ(width, 2u);
    EXPECT_EQ(height, 10u);
    std::vector<int> positions;
    for (const platform::StatusBarEvent& e : platform::StatusBarEvents()) {
        positions.push_back(e.pos);
    }
    EXPECT_EQ(positions, (std::vector<int>{30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 90}));
    acedRestoreStatusBar();

    const AcDbObjectId view = g_WholeViewImages[db];
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{view, line}));
    EXPECT_EQ(PlacementOf(view).v, AcGeVector3d(0, 100, 0));
    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, view, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(image->layerId(), current);
    const AcDbObjectId defId = image->imageDefId();
    image->close();
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, defId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(def->tarnImage()->tarnPixels()[3], 0);    // the transparent colour
    EXPECT_EQ(def->tarnImage()->tarnPixels()[7], 255);  // the others
    def->close();

    // A second one replaces the first.
    ASSERT_EQ(InsertImg(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size()),
                        AcGePoint2d(0, 0), AcGePoint2d(1, 1), width, height),
              Acad::eOk);
    EXPECT_TRUE(view.isErased());
    EXPECT_TRUE(defId.isErased());
    EXPECT_EQ(DrawOrder().size(), 2u);
}

TEST_F(PngImages, WholeViewBytesOfAnotherDepthOrDamagedAddNothing) {
    UINT width = 0;
    UINT height = 0;
    driver.ExpectMessageBox(u"GetBpp Error!");
    EXPECT_EQ(InsertImg(kAlphaPng, sizeof kAlphaPng, AcGePoint2d(0, 0), AcGePoint2d(1, 1), width, height),
              Acad::eInvalidInput);
    EXPECT_EQ(InsertImg(kFramedPng, 40, AcGePoint2d(0, 0), AcGePoint2d(1, 1), width, height),
              Acad::eInvalidInput);
    const std::string huge = RawPng(16384, 8192, 8, 2, std::string(4, '\0'));
    EXPECT_EQ(InsertImg(reinterpret_cast<const BYTE*>(huge.data()), static_cast<UINT>(huge.size()),
                        AcGePoint2d(0, 0), AcGePoint2d(1, 1), width, height),
              Acad::eInvalidInput);
    EXPECT_EQ(DefinitionCount(), 0);
    EXPECT_TRUE(DrawOrder().empty());
    EXPECT_TRUE(g_WholeViewImages[db].isNull());

    // A drawing that still holds the definition while no image is known for it (as after a reopen): the
    // definition is used as it is and the sizes stay 0.
    const AcDbObjectId kept = GetResImgDefId(g_strImageName, 9901);
    ASSERT_EQ(InsertImg(kFramedPng, sizeof kFramedPng, AcGePoint2d(0, 0), AcGePoint2d(1, 1), width, height),
              Acad::eOk);
    EXPECT_EQ(width, 0u);
    EXPECT_EQ(height, 0u);
    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, g_WholeViewImages[db], AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(image->imageDefId(), kept);
    image->close();
}

}  // namespace
}  // namespace rastertest
