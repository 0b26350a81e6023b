// PNG files as raster images: inserted between corners on a layer at the bottom of the draw order, their
// definitions found by name and reused, damaged files refused with the drawing untouched, map images erased
// again, and the whole-view image's table.
#include <cmath>

#include "raster_fixture.h"

#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/acdb/dxffile.h"

namespace rastertest {
namespace {

using RasterImages = RasterTest;

TEST_F(RasterImages, FilesGoBetweenTheCornersOnTheLayerBelowEverythingElse) {
    const AcDbObjectId line = AddLine();
    const AcDbObjectId layer = AddLayer(u"*MapLayer");
    const CString first = WritePng("1_-1.png", 8, 4);
    AcDbObjectId a;
    ASSERT_EQ(InsertIMGFile(a, layer, first, _T("101"), AcGePoint2d(100, 200), AcGePoint2d(180, 240)),
              Acad::eOk);
    AcDbObjectId b;
    // Corners given the wrong way round give negative U and V, kept as they come.
    ASSERT_EQ(InsertIMGFile(b, layer, WritePng("2_-1.png", 8, 4), _T("102"), AcGePoint2d(260, 240),
                            AcGePoint2d(180, 200)),
              Acad::eOk);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{b, a, line}));

    const Placement p = PlacementOf(a);
    EXPECT_EQ(p.origin, AcGePoint3d(100, 200, 0));
    EXPECT_EQ(p.u, AcGeVector3d(80, 0, 0));
    EXPECT_EQ(p.v, AcGeVector3d(0, 40, 0));
    EXPECT_EQ(PlacementOf(b).u, AcGeVector3d(-80, 0, 0));
    EXPECT_EQ(PlacementOf(b).v, AcGeVector3d(0, -40, 0));

    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, a, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(image->layerId(), layer);
    EXPECT_TRUE(image->isSetDisplayOpt(AcDbRasterImage::kTransparent));
    EXPECT_TRUE(image->color().isByColor());
    EXPECT_EQ(image->color().red(), 12);
    const AcDbObjectId defId = image->imageDefId();
    image->close();
    EXPECT_EQ(defId, DefinitionNamed(u"101"));
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, defId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(CString(def->sourceFileName()), first);
    EXPECT_TRUE(def->isLoaded());
    EXPECT_EQ(def->size().x, 8);
    def->close();
    EXPECT_EQ(platform::CommandLineUtf8(), "");
    EXPECT_TRUE(g_WholeViewImages[db].isNull());

    // The layer by name is made when missing.
    AcDbObjectId c;
    ASSERT_EQ(
        InsertIMGFile(c, CString(_T("Captured")), first, _T("103"), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
        Acad::eOk);
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, c, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(CString(entity->layer().kACharPtr()), _T("Captured"));
    entity->close();
}

TEST_F(RasterImages, DefinitionsAreFoundByNameWhateverPathTheyAreGiven) {
    const CString first = WritePng("a.png", 4, 4);
    const CString second = WritePng("b.png", 6, 6);
    AcDbObjectId a;
    AcDbObjectId b;
    ASSERT_EQ(InsertIMGFile(a, db->layerZero(), first, _T("tile"), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
              Acad::eOk);
    ASSERT_EQ(InsertIMGFile(b, db->layerZero(), second, _T("TILE"), AcGePoint2d(5, 5), AcGePoint2d(6, 6)),
              Acad::eOk);
    EXPECT_EQ(GetRasterImgDefId(_T("tile"), CString()), DefinitionNamed(u"tile"));
    EXPECT_EQ(DefinitionCount(), 1);
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, DefinitionNamed(u"tile"), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(CString(def->sourceFileName()), first);
    EXPECT_EQ(def->entityCount(), 2);
    def->close();

    // An empty path or name is refused before anything happens, even when the name is there.
    const std::vector<AcDbObjectId> before = DrawOrder();
    AcDbObjectId none;
    EXPECT_EQ(
        InsertIMGFile(none, db->layerZero(), CString(), _T("tile"), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
        Acad::eInvalidInput);
    EXPECT_EQ(InsertIMGFile(none, db->layerZero(), first, CString(), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
              Acad::eInvalidInput);
    EXPECT_TRUE(GetRasterImgDefId(CString(), first).isNull());
    EXPECT_TRUE(none.isNull());
    EXPECT_EQ(DrawOrder(), before);
}

TEST_F(RasterImages, DamagedFilesAndBadLayersLeaveTheDrawingAsItWas) {
    const CString good = WritePng("good.png", 16, 16);
    std::string bytes;
    {
        FILE* file = std::fopen(
            platform::ToHostPath(std::u16string(static_cast<const char16_t*>(good))).c_str(), "rb");
        char buffer[4096];
        bytes.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
        std::fclose(file);
    }
    const std::vector<CString> damaged = {
        WriteBytes("empty.png", ""), WriteBytes("cut.png", bytes.substr(0, bytes.size() / 2)),
        WriteBytes("text.png", "<html>not found</html>"),
        WriteBytes("huge.png", RawPng(16384, 8192, 8, 2, std::string(10, '\0'))),
        CString(platform::ToWindowsPath(tarntest::TempDir() + "/none.png").c_str())};
    for (const CString& path : damaged) {
        AcDbObjectId id;
        EXPECT_EQ(InsertIMGFile(id, db->layerZero(), path, _T("bad"), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
                  Acad::eInvalidInput);
        EXPECT_TRUE(id.isNull());
    }
    EXPECT_EQ(DefinitionCount(), 0);
    EXPECT_TRUE(DrawOrder().empty());

    // A layer that cannot take the image: the message names the step, and the definition made for the image
    // goes again.
    driver.ExpectMessageBox(u"InsertIMGFile ErrorCode:3");
    AcDbObjectId id;
    EXPECT_EQ(InsertIMGFile(id, AcDbObjectId(), good, _T("new"), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
              Acad::eInvalidInput);
    EXPECT_EQ(DefinitionCount(), 0);
    EXPECT_TRUE(DrawOrder().empty());
    // Corners that give no place (not a number, endless, a line) leave no image nowhere, nor its definition.
    const double nan = std::nan("");
    for (const auto& [lowerLeft, upperRight] : {std::pair(AcGePoint2d(nan, 0), AcGePoint2d(1, 1)),
                                                std::pair(AcGePoint2d(0, 0), AcGePoint2d(1, HUGE_VAL)),
                                                std::pair(AcGePoint2d(0, 0), AcGePoint2d(1, 0))}) {
        driver.ExpectMessageBox(u"InsertIMGFile ErrorCode:3");
        EXPECT_EQ(InsertIMGFile(id, db->layerZero(), good, _T("new"), lowerLeft, upperRight),
                  Acad::eInvalidInput);
        EXPECT_EQ(DefinitionCount(), 0);
        EXPECT_TRUE(DrawOrder().empty());
    }
}

TEST_F(RasterImages, ClearingErasesImageDefinitionAndEntryAndReportsWhatWasGone) {
    AcDbObjectId tile;
    ASSERT_EQ(InsertIMGFile(tile, db->layerZero(), WritePng("t.png", 4, 4), _T("77"), AcGePoint2d(0, 0),
                            AcGePoint2d(1, 1)),
              Acad::eOk);
    const AcDbObjectId defId = DefinitionNamed(u"77");
    ClearCacheMap(tile, _T("77"));
    EXPECT_TRUE(tile.isErased());
    EXPECT_TRUE(defId.isErased());
    EXPECT_TRUE(DefinitionNamed(u"77").isNull());
    EXPECT_EQ(platform::CommandLineUtf8(), "");
    ClearCacheMap(AcDbObjectId(), _T("77"));  // nothing to do

    // An image erased before: the line says so (80), and its definition does not stay behind unlisted.
    AcDbObjectId again;
    ASSERT_EQ(InsertIMGFile(again, db->layerZero(), WritePng("u.png", 4, 4), _T("78"), AcGePoint2d(0, 0),
                            AcGePoint2d(1, 1)),
              Acad::eOk);
    const AcDbObjectId againDef = DefinitionNamed(u"78");
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, again, AcDb::kForWrite), Acad::eOk);
    entity->erase();
    entity->close();
    ClearCacheMap(again, _T("78"));
    EXPECT_EQ(platform::CommandLineUtf8(), "清楚缓存地图失败！错误代码：80\n");
    EXPECT_TRUE(DefinitionNamed(u"78").isNull());
    EXPECT_TRUE(againDef.isErased());
}

TEST_F(RasterImages, TheWholeViewImageIsKeptPerDatabaseAndClearedOnce) {
    ClearCurMapImage(nullptr);  // no entry: nothing happens
    EXPECT_TRUE(g_WholeViewImages[db].isNull());
    AcDbObjectId view;
    ASSERT_EQ(InsertIMGFile(view, db->layerZero(), WritePng("site.dwg_16.png", 4, 4), g_strImageName,
                            AcGePoint2d(0, 0), AcGePoint2d(10, 10)),
              Acad::eOk);
    EXPECT_EQ(g_WholeViewImages[db], view);
    ClearCurMapImage(nullptr);
    EXPECT_TRUE(view.isErased());
    EXPECT_TRUE(DefinitionNamed(u"TARN_IMG").isNull());
    EXPECT_TRUE(g_WholeViewImages[db].isNull());
    EXPECT_EQ(platform::CommandLineUtf8(), "");
}

TEST_F(RasterImages, UndoingAnInsertionTakesEverythingItMadeAway) {
    const AcDbObjectId line = AddLine();
    const CString file = WritePng("t.png", 4, 4);
    // A write lock outside a command is an undo group of its own: the fixture's ends here, and the insertion
    // gets one.
    acDocManager->unlockDocument(doc);
    acDocManager->lockDocument(doc);
    AcDbObjectId tile;
    ASSERT_EQ(InsertIMGFile(tile, db->layerZero(), file, _T("5"), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
              Acad::eOk);
    acDocManager->unlockDocument(doc);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    acDocManager->lockDocument(doc);
    EXPECT_TRUE(tile.isErased());
    EXPECT_TRUE(DefinitionNamed(u"5").isNull());
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{line}));
    const std::string text = platform::WriteDxf(db);
    EXPECT_EQ(text.find("  0\nIMAGE\n"), std::string::npos);
    EXPECT_EQ(text.find("  0\nIMAGEDEF_REACTOR\n"), std::string::npos);
    // Made again from the file.
    ASSERT_EQ(InsertIMGFile(tile, db->layerZero(), file, _T("5"), AcGePoint2d(0, 0), AcGePoint2d(1, 1)),
              Acad::eOk);
    EXPECT_FALSE(DefinitionNamed(u"5").isNull());
}

TEST_F(RasterImages, CurrentDrawingNameIsWhatFollowsTheLastBackslash) {
    EXPECT_EQ(GetCurDwgFileName(), _T("site.dwg"));
    platform::SetDocumentFileName(doc, u"Drawing1.dwg");
    EXPECT_EQ(GetCurDwgFileName(), _T("Drawing1.dwg"));
}

TEST_F(RasterImages, SavedDrawingReopensWithItsImagesDefinitionsAndOrder) {
    const AcDbObjectId line = AddLine();
    AcDbObjectId a;
    AcDbObjectId b;
    ASSERT_EQ(InsertIMGFile(a, db->layerZero(), WritePng("a.png", 4, 4), _T("1"), AcGePoint2d(0, 0),
                            AcGePoint2d(10, 10)),
              Acad::eOk);
    ASSERT_EQ(InsertIMGFile(b, db->layerZero(), WritePng("b.png", 4, 4), _T("2"), AcGePoint2d(10, 0),
                            AcGePoint2d(20, 10)),
              Acad::eOk);
    const std::string path = tarntest::TempDir() + "/site.dxf";
    ASSERT_EQ(db->saveAs(platform::Utf8ToUtf16(path).c_str()), Acad::eOk);

    auto* copy = new AcDbDatabase(false, true);
    ASSERT_EQ(copy->readDwgFile(platform::Utf8ToUtf16(path).c_str()), Acad::eOk);
    AcApDocument* reopened = platform::OpenDocument(copy, platform::Utf8ToUtf16(path));
    acDocManager->lockDocument(reopened);
    std::vector<AcDbHandle> handles;
    for (const AcDbObjectId& id : DrawOrder(copy)) {
        handles.push_back(id.handle());
    }
    EXPECT_EQ(handles, (std::vector<AcDbHandle>{b.handle(), a.handle(), line.handle()}));
    // Inserting under a name the drawing already holds reuses that definition.
    const AcDbObjectId existing = GetRasterImgDefId(_T("2"), CString());
    ASSERT_FALSE(existing.isNull());
    AcDbObjectId c;
    ASSERT_EQ(InsertIMGFile(c, copy->layerZero(), WritePng("c.png", 4, 4), _T("2"), AcGePoint2d(0, 0),
                            AcGePoint2d(1, 1)),
              Acad::eOk);
    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, c, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(image->imageDefId(), existing);
    image->close();
    EXPECT_EQ(DrawOrder(copy).front(), c);
    acDocManager->unlockDocument(reopened);
    EXPECT_EQ(platform::CheckDatabase(copy), "");
}

}  // namespace
}  // namespace rastertest
