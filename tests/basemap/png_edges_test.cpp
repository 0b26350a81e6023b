// PNG pictures at their edges: which colours a resource picture lets through, channel by channel, and the
// meter's steps while a tall whole-view picture is made.
#include "raster_fixture.h"

#include "platform/arx/acap/statusbar.h"
#include "platform/win32/core/modres.h"
#include "plugin/basemap/PngImage.h"

namespace {

// 8 x 1 RGB: (0,0,1) (0,1,0) (1,0,0) (0,0,0) (255,255,254) (255,254,255) (254,255,255) (255,255,255).
const unsigned char kNearBlackAndWhitePng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x6C, 0x62, 0x78,
    0x14, 0x00, 0x00, 0x00, 0x15, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x60, 0x60, 0x60, 0x04,
    0x43, 0x10, 0xF8, 0xFF, 0xFF, 0x1F, 0x18, 0x82, 0x00, 0x00, 0x4D, 0xEF, 0x0B, 0xF5, 0x28, 0x5A,
    0x34, 0x9E, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};

}  // namespace

TARN_RESOURCE(u"PNG", 9911, kNearBlackAndWhitePng, sizeof kNearBlackAndWhitePng);

namespace rastertest {
namespace {

using PngEdges = RasterTest;

TEST_F(PngEdges, OnlyPureBlackAndPureWhiteAreLetThroughWhateverChannelDiffers) {
    std::unique_ptr<Atil::RgbaImage> image(LoadPngResImage(9911));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->size().width, 8);
    std::vector<int> alpha;
    for (size_t x = 0; x < 8; ++x) {
        alpha.push_back(image->tarnPixels()[x * 4 + 3]);
    }
    EXPECT_EQ(alpha, (std::vector<int>{255, 255, 255, 0, 255, 255, 255, 0}));
}

// The meter's positions while a picture of one column and the given rows is made.
std::vector<int> MeterWhileMaking(UINT rows) {
    std::string data;
    for (UINT y = 0; y < rows; ++y) {
        data += std::string(1, '\0') + "\x10\x20\x30";
    }
    const std::string png = RawPng(1, rows, 8, 2, data);
    acedSetStatusBarProgressMeter(u"正在提取图片", 0, 100);
    platform::ClearStatusBarEvents();
    UINT width = 0;
    UINT height = 0;
    EXPECT_EQ(InsertImg(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size()),
                        AcGePoint2d(0, 0), AcGePoint2d(1, rows), width, height),
              Acad::eOk);
    std::vector<int> positions;
    for (const platform::StatusBarEvent& e : platform::StatusBarEvents()) {
        positions.push_back(e.pos);
    }
    acedRestoreStatusBar();
    return positions;
}

TEST_F(PngEdges, ATallPictureMovesTheMeterOnceEverySixtiethOfItsRows) {
    // A sixtieth of 120 rows is 2: the meter moves at rows 2, 4, ... 120, from 30 up to 90, then is set
    // to 90.
    std::vector<int> expected;
    for (int pos = 30; pos <= 90; ++pos) {
        expected.push_back(pos);
    }
    expected.push_back(90);
    EXPECT_EQ(MeterWhileMaking(120), expected);
    // In whole rows a sixtieth of 179 is 2 (89 moves) and of 119 is 1 (every row): with the first setting
    // and the last, 91 and 121 settings.
    EXPECT_EQ(MeterWhileMaking(179).size(), 1u + 89u + 1u);
    EXPECT_EQ(MeterWhileMaking(119).size(), 1u + 119u + 1u);
}

}  // namespace
}  // namespace rastertest
