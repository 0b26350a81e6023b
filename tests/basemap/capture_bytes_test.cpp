// Pictures inserted from bytes in memory or from a file on the current layer, the locked insertion that
// inserts nothing, and the associated-point dialog's numbers written back and compared.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/frame_fixture.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/app/ToolBar.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/core/PngCodec.h"
#include "plugin/core/RasterImage.h"

namespace {

using frametest::FrameTest;

class CaptureBytesTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        Load();
        CPngImage image;
        image.m_nWidth = 4;
        image.m_nHeight = 2;
        image.m_nStride = 12;
        image.m_rgb.assign(24, 0x40);
        ASSERT_EQ(EncodePng(image, png), PNG_STATUS_OK);
    }
    // The raster images of model space.
    std::vector<AcDbObjectId> Images() {
        std::vector<AcDbObjectId> ids;
        AcDbBlockTable* blocks = nullptr;
        EXPECT_EQ(doc->database()->getBlockTable(blocks, AcDb::kForRead), Acad::eOk);
        AcDbBlockTableRecord* model = nullptr;
        EXPECT_EQ(blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead), Acad::eOk);
        blocks->close();
        AcDbBlockTableRecordIterator* it = nullptr;
        model->newIterator(it);
        for (; !it->done(); it->step()) {
            AcDbEntity* entity = nullptr;
            if (it->getEntity(entity, AcDb::kForRead) == Acad::eOk) {
                if (AcDbRasterImage::cast(entity) != nullptr) {
                    ids.push_back(entity->objectId());
                }
                entity->close();
            }
        }
        delete it;
        model->close();
        return ids;
    }
    // Origin and U length of an image, and whether it is on the current layer.
    void ExpectPlaced(AcDbObjectId id, double x, double y, double width) {
        AcDbRasterImage* image = nullptr;
        ASSERT_EQ(acdbOpenObject(image, id, AcDb::kForRead), Acad::eOk);
        AcGePoint3d origin;
        AcGeVector3d u;
        AcGeVector3d v;
        image->getOrientation(origin, u, v);
        EXPECT_EQ(image->layerId(), doc->database()->clayer());
        image->close();
        EXPECT_EQ(origin, AcGePoint3d(x, y, 0));
        EXPECT_EQ(u, AcGeVector3d(width, 0, 0));
    }

    std::vector<BYTE> png;
};

TEST_F(CaptureBytesTest, BytesAreWrittenBesideTheDrawingAndInsertedAsTheWholeViewImage) {
    BaseMapAccess::CaptureItem(BaseMap()).m_bRunning = true;
    EXPECT_FALSE(BaseMap().InsertCaptureBytes(png.data(), static_cast<uint32_t>(png.size()),
                                              AcGePoint2d(10, 20), AcGePoint2d(110, 70)));
    EXPECT_FALSE(BaseMap().CaptureItem().m_bRunning);
    std::ifstream in(dir + "/a/aaa.png", std::ios::binary);
    EXPECT_EQ(std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), png);
    const std::vector<AcDbObjectId> images = Images();
    ASSERT_EQ(images.size(), 1u);
    ExpectPlaced(images[0], 10, 20, 100);
    EXPECT_EQ(g_WholeViewImages[doc->database()], images[0]);
    EXPECT_EQ(doc->tarnLockCount(), 0);
    EXPECT_TRUE(platform::LockViolations().empty());

    // No bytes: nothing written, nothing inserted, and it says so.
    BaseMapAccess::CaptureItem(BaseMap()).m_bRunning = true;
    EXPECT_TRUE(BaseMap().InsertCaptureBytes(nullptr, 0, AcGePoint2d(0, 0), AcGePoint2d(1, 1)));
    EXPECT_FALSE(BaseMap().CaptureItem().m_bRunning);
    EXPECT_EQ(Images().size(), 1u);

    // A disk that fills while the picture is written: no half picture stays, and none is inserted.
    std::filesystem::remove(dir + "/a/aaa.png");
    platform::InjectDiskFull(dir + "/a");
    EXPECT_TRUE(BaseMap().InsertCaptureBytes(png.data(), static_cast<uint32_t>(png.size()), AcGePoint2d(0, 0),
                                             AcGePoint2d(10, 10)));
    EXPECT_FALSE(std::filesystem::exists(dir + "/a/aaa.png"));
    EXPECT_EQ(Images().size(), 1u);
}

TEST_F(CaptureBytesTest, ADrawingNeverSavedGetsNoPicture) {
    AcApDocument* unsaved = platform::NewDocument(u"Drawing1.dwg");
    ASSERT_EQ(acDocManager->curDocument(), unsaved);
    platform::CommandLineTranscript().clear();
    EXPECT_TRUE(BaseMap().InsertCaptureBytes(png.data(), static_cast<uint32_t>(png.size()), AcGePoint2d(0, 0),
                                             AcGePoint2d(10, 10)));
    EXPECT_NE(platform::CommandLineUtf8().find("Drawing1.dwg为临时文档，请保存后再进行取图操作！"),
              std::string::npos)
        << platform::CommandLineUtf8();
    EXPECT_FALSE(std::filesystem::exists(dir + "/aaa.png"));
}

TEST_F(CaptureBytesTest, AFileGoesOnTheCurrentLayerAndTheGraphicsAreFlushed) {
    const std::string path = dir + "/tile.png";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    const std::string utf8 = platform::Utf16ToUtf8(platform::ToWindowsPath(path));
    const int flushes = platform::Display().flushGraphics;
    EXPECT_EQ(InsertImageOnCurrentLayer(utf8.c_str(), u"tile", AcGePoint2d(5, 5), AcGePoint2d(9, 7)),
              Acad::eOk);
    // Its own flush, then the display update's.
    EXPECT_EQ(platform::Display().flushGraphics, flushes + 2);
    const std::vector<AcDbObjectId> images = Images();
    ASSERT_EQ(images.size(), 1u);
    ExpectPlaced(images[0], 5, 5, 4);
    EXPECT_EQ(doc->tarnLockCount(), 0);
    // A file that is not there inserts nothing and reports it.
    EXPECT_NE(
        InsertImageOnCurrentLayer((utf8 + ".gone").c_str(), u"gone", AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
        Acad::eOk);
    EXPECT_EQ(Images().size(), 1u);
    EXPECT_TRUE(platform::LockViolations().empty());
}

TEST_F(CaptureBytesTest, TheLockedInsertionOfNothingGivesTheNullId) {
    AcDbObjectId imageId = doc->database()->clayer();
    EXPECT_TRUE(
        BaseMap().InsertNoImage(imageId, AcGePoint2d(0, 0), AcGePoint2d(10, 10), "C:\\a.png", u"a").isNull());
    EXPECT_TRUE(imageId.isNull());
    EXPECT_TRUE(Images().empty());
    EXPECT_EQ(doc->tarnLockCount(), 0);
}

TEST_F(CaptureBytesTest, TheAssociatedPointsNumbersAreWrittenBackAndCompared) {
    map.SetCoordState(4, {}, "Xian 80");
    ShowSetCoorDlg(nullptr);
    ASSERT_NE(g_pSetCoorDlg, nullptr);
    g_pSetCoorDlg->m_dX = 39500000.25;
    g_pSetCoorDlg->m_dY = 4000000;
    g_pSetCoorDlg->m_dLatitude = 30.5;
    g_pSetCoorDlg->m_dLongitude = -114.125;
    g_pSetCoorDlg->WriteFields();
    CString text;
    g_pSetCoorDlg->m_editX.GetWindowText(text);
    EXPECT_EQ(text, CString(u"39500000.250000"));
    g_pSetCoorDlg->m_editY.GetWindowText(text);
    EXPECT_EQ(text, CString(u"4000000.000000"));
    g_pSetCoorDlg->m_editLatitude.GetWindowText(text);
    EXPECT_EQ(text, CString(u"30.500000"));
    g_pSetCoorDlg->m_editLongitude.GetWindowText(text);
    EXPECT_EQ(text, CString(u"-114.125000"));
    // Read back, the same numbers.
    g_pSetCoorDlg->ReadFields();
    EXPECT_EQ(g_pSetCoorDlg->m_dLongitude, -114.125);

    const double a[4] = {1, 2, 3, 4};
    const double same[4] = {1, 2, 3, 4};
    const double last[4] = {1, 2, 3, 4.0000001};
    const double first[4] = {0, 2, 3, 4};
    EXPECT_TRUE(CSetCoorDlg::SameFields(a, same));
    EXPECT_FALSE(CSetCoorDlg::SameFields(a, last));
    EXPECT_FALSE(CSetCoorDlg::SameFields(a, first));
    const double nan[4] = {1, 2, 3, std::nan("")};
    EXPECT_FALSE(CSetCoorDlg::SameFields(nan, nan));
}

}  // namespace
