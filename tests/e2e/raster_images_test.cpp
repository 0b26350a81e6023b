// Map tiles in a drawing the user works on through the host: inserted from outside a command under the
// document's lock, as the base map does, they stay under the user's drawing through a save, a close and a
// reopen, and go with their definitions when erased.
#include "host_fixture.h"
#include "plugin/core/PngCodec.h"
#include "plugin/core/RasterImage.h"

namespace {

using e2e::Count;
using e2e::HostTest;

std::vector<AcDbHandle> DrawOrder(AcDbDatabase* db) {
    AcDbBlockTable* table = nullptr;
    db->getBlockTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
    table->close();
    std::vector<AcDbHandle> handles;
    for (const AcDbObjectId& id : platform::DrawOrderOf(model)) {
        if (!id.isErased()) {
            handles.push_back(id.handle());
        }
    }
    model->close();
    return handles;
}

TEST_F(HostTest, TilesStayUnderTheUsersDrawingThroughSaveCloseAndReopen) {
    ASSERT_EQ(Run("LINE 0,0 100,100", {""}), platform::CommandOutcome::kEnded);
    const AcDbHandle line = Entities().back().handle();

    CPngImage picture;
    picture.m_nWidth = 16;
    picture.m_nHeight = 16;
    picture.m_nStride = 48;
    picture.m_rgb.assign(16 * 16 * 3, 0xC0);
    std::vector<BYTE> png;
    ASSERT_EQ(EncodePng(picture, png), PNG_STATUS_OK);
    std::vector<AcDbHandle> tiles;
    for (int column = 0; column < 2; ++column) {
        const std::string path = dir + "/" + std::to_string(column) + "_0.png";
        ASSERT_EQ(WritePngFile(CString(platform::ToWindowsPath(path).c_str()), png), PNG_STATUS_OK);
        CString name;
        name.Format(_T("%d"), 500 + column);
        ASSERT_EQ(acDocManager->lockDocument(host.Document()), Acad::eOk);
        AcDbObjectId tile;
        ASSERT_EQ(
            InsertIMGFile(tile, CString(_T("*MapLayer")), CString(platform::ToWindowsPath(path).c_str()),
                          name, AcGePoint2d(column * 50.0, 0), AcGePoint2d(column * 50.0 + 50, 50)),
            Acad::eOk);
        acDocManager->unlockDocument(host.Document());
        tiles.push_back(tile.handle());
    }
    EXPECT_EQ(DrawOrder(host.Drawing()), (std::vector<AcDbHandle>{tiles[1], tiles[0], line}));
    EXPECT_TRUE(platform::LockViolations().empty());

    const std::string drawing = dir + "/site.dxf";
    ASSERT_EQ(Run("QSAVE " + drawing), platform::CommandOutcome::kEnded);
    ASSERT_EQ(Run("CLOSE"), platform::CommandOutcome::kEnded);
    ASSERT_EQ(Run("OPEN " + drawing), platform::CommandOutcome::kEnded);
    EXPECT_EQ(DrawOrder(host.Drawing()), (std::vector<AcDbHandle>{tiles[1], tiles[0], line}));
    Mark();
    ASSERT_EQ(Run("DUMP"), platform::CommandOutcome::kEnded);
    EXPECT_EQ(Count(Printed(), "layer \"*MapLayer\""), 3) << Printed();  // the layer and its two tiles
    EXPECT_EQ(Count(Printed(), "IMAGE at (50,0,0) size 50 x 50"), 1) << Printed();

    // The user erases a tile; the saved drawing keeps the other, its definition and its order.
    char handle[32];
    std::snprintf(handle, sizeof handle, "h:%llX", static_cast<unsigned long long>(tiles[0].value()));
    ASSERT_EQ(Run(std::string("ERASE ") + handle, {""}), platform::CommandOutcome::kEnded);
    ASSERT_EQ(Run("QSAVE"), platform::CommandOutcome::kEnded);
    const std::string text = e2e::ReadFile(drawing);
    EXPECT_EQ(Count(text, "  0\nIMAGE\n"), 1);
    EXPECT_EQ(Count(text, "  0\nIMAGEDEF_REACTOR\n"), 1);
    EXPECT_EQ(DrawOrder(host.Drawing()), (std::vector<AcDbHandle>{tiles[1], line}));
}

}  // namespace
