// Raster images, their definitions, reactors and the draw order through a save and a reopen, and the file
// form other readers expect.
#include <png.h>

#include <vector>

#include "dxf_fixture.h"

namespace tarntest {
namespace {

class RasterFile : public DxfTest {
protected:
    std::u16string WritePng(const std::string& name, int width, int height) {
        std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 0x40);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = width;
        image.height = height;
        image.format = PNG_FORMAT_RGBA;
        const std::string path = Path(name);
        EXPECT_NE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr), 0);
        return platform::Utf8ToUtf16(path);
    }

    AcDbObjectId AddDefinition(const std::u16string& path, const ACHAR* key) {
        AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(db.get());
        if (dictId.isNull()) {
            EXPECT_EQ(AcDbRasterImageDef::createImageDictionary(db.get(), dictId), Acad::eOk);
        }
        auto* def = new AcDbRasterImageDef();
        def->setSourceFileName(path.c_str());
        EXPECT_EQ(def->load(), Acad::eOk);
        AcDbDictionary* dict = nullptr;
        EXPECT_EQ(acdbOpenObject(dict, dictId, AcDb::kForWrite), Acad::eOk);
        AcDbObjectId id;
        EXPECT_EQ(dict->setAt(key, def, id), Acad::eOk);
        dict->close();
        def->close();
        return id;
    }

    AcDbObjectId AddImage(AcDbObjectId defId, const AcGePoint3d& origin, const AcGeVector3d& u,
                          const AcGeVector3d& v) {
        auto* image = new AcDbRasterImage();
        image->setImageDefId(defId);
        image->setOrientation(origin, u, v);
        image->setDisplayOpt(AcDbRasterImage::kTransparent, true);
        return Post(image);
    }

    static std::vector<AcDbHandle> Order(AcDbDatabase* database) {
        AcDbBlockTable* table = nullptr;
        database->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
        table->close();
        std::vector<AcDbHandle> handles;
        for (const AcDbObjectId& id : platform::DrawOrderOf(model)) {
            handles.push_back(id.handle());
        }
        model->close();
        return handles;
    }

    void MoveToBottom(AcDbObjectId id) {
        AcDbBlockTable* table = nullptr;
        db->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
        table->close();
        AcDbSortentsTable* order = nullptr;
        ASSERT_EQ(model->getSortentsTable(order, AcDb::kForWrite, true), Acad::eOk);
        model->close();
        AcDbObjectIdArray ids;
        ids.append(id);
        EXPECT_EQ(order->moveToBottom(ids), Acad::eOk);
        order->close();
    }
};

TEST_F(RasterFile, ImagesDefinitionsAndDrawOrderSurviveSaveAndReopen) {
    const AcDbObjectId line = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(100, 100, 0)));
    const AcDbObjectId defId = AddDefinition(WritePng("tile.png", 4, 2), u"12345");
    const AcDbObjectId first =
        AddImage(defId, AcGePoint3d(10, 20, 0), AcGeVector3d(-40, 0, 0), AcGeVector3d(0, 20, 0));
    const AcDbObjectId second =
        AddImage(defId, AcGePoint3d(1.5, 2.5, 0), AcGeVector3d(8, 0, 0), AcGeVector3d(0, 4, 0));
    MoveToBottom(first);
    MoveToBottom(second);
    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, second, AcDb::kForWrite), Acad::eOk);
    AcGePoint2dArray clip;
    clip.append(AcGePoint2d(0, 0));
    clip.append(AcGePoint2d(2, 1));
    ASSERT_EQ(image->setClipBoundary(AcDbRasterImage::kRect, clip), Acad::eOk);
    image->close();
    const std::vector<AcDbHandle> order = Order(db.get());
    ASSERT_EQ(order, (std::vector<AcDbHandle>{second.handle(), first.handle(), line.handle()}));

    SaveAndReopen();
    EXPECT_EQ(Order(reopened.get()), order);
    auto* copy = AcDbRasterImage::cast(Twin(first));
    ASSERT_NE(copy, nullptr);
    AcGePoint3d origin;
    AcGeVector3d u;
    AcGeVector3d v;
    copy->getOrientation(origin, u, v);
    EXPECT_EQ(origin, AcGePoint3d(10, 20, 0));
    EXPECT_EQ(u, AcGeVector3d(-40, 0, 0));
    EXPECT_EQ(v, AcGeVector3d(0, 20, 0));
    EXPECT_TRUE(copy->isSetDisplayOpt(AcDbRasterImage::kTransparent));
    EXPECT_FALSE(copy->isClipped());
    EXPECT_EQ(copy->imageDefId().handle(), defId.handle());
    const AcDbObjectId reactorId = copy->reactorId();
    copy->close();
    auto* clipped = AcDbRasterImage::cast(Twin(second));
    ASSERT_NE(clipped, nullptr);
    EXPECT_TRUE(clipped->isClipped());
    EXPECT_EQ(clipped->clipBoundary().length(), 2);
    clipped->close();

    AcDbDictionary* dict = nullptr;
    ASSERT_EQ(acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(reopened.get()), AcDb::kForRead),
              Acad::eOk);
    AcDbObjectId defCopyId;
    EXPECT_EQ(dict->getAt(u"12345", defCopyId), Acad::eOk);
    dict->close();
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, defCopyId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(def->size().x, 4);
    EXPECT_EQ(def->entityCount(), 2);
    EXPECT_TRUE(def->hasPersistentReactor(reactorId));
    def->close();
}

TEST_F(RasterFile, FileCarriesTheFormOtherReadersExpect) {
    Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    const AcDbObjectId defId = AddDefinition(WritePng("tile.png", 4, 2), u"T");
    const AcDbObjectId image =
        AddImage(defId, AcGePoint3d(0, 0, 0), AcGeVector3d(8, 0, 0), AcGeVector3d(0, 6, 0));
    MoveToBottom(image);
    const std::string text = platform::WriteDxf(db.get());
    for (const char* expected :
         {"  1\nIMAGE\n  2\nAcDbRasterImage\n", "  1\nIMAGEDEF\n  2\nAcDbRasterImageDef\n",
          "  1\nSORTENTSTABLE\n", "ACAD_IMAGE_DICT", "ACAD_SORTENTS", "\nIMAGEDEF_REACTOR\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    // U and V of one pixel; the size in pixels; the image drawn first is written first.
    EXPECT_NE(text.find(" 11\n2\n 21\n0\n"), std::string::npos);
    EXPECT_NE(text.find(" 12\n0\n 22\n3\n"), std::string::npos);
    EXPECT_LT(text.find("\nIMAGE\n  5\n"), text.find("\nLINE\n  5\n"));
}

TEST_F(RasterFile, SizesNoPictureCanHaveReadAsUnknown) {
    const AcDbObjectId defId = AddDefinition(WritePng("tile.png", 4, 2), u"T");
    const AcDbObjectId image =
        AddImage(defId, AcGePoint3d(1, 2, 0), AcGeVector3d(8, 0, 0), AcGeVector3d(0, 6, 0));
    std::string text = platform::WriteDxf(db.get());
    const size_t def = text.find("AcDbRasterImageDef\n");
    const size_t defSize = text.find(" 10\n4\n 20\n2\n", def);
    ASSERT_NE(defSize, std::string::npos);
    text.replace(defSize, 14, " 10\n1e300\n 20\n-7\n");
    const size_t imageSize = text.find(" 13\n4\n 23\n2\n");
    ASSERT_NE(imageSize, std::string::npos);
    text.replace(imageSize, 14, " 13\n1e300\n 23\n2\n");
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), text), Acad::eOk) << platform::LastDxfError().message;
    auto* copy = AcDbRasterImage::cast(Twin(image));
    ASSERT_NE(copy, nullptr);
    AcGePoint3d origin;
    AcGeVector3d u;
    AcGeVector3d v;
    copy->getOrientation(origin, u, v);
    EXPECT_EQ(origin, AcGePoint3d(1, 2, 0));
    EXPECT_EQ(u, AcGeVector3d(2, 0, 0));  // one pixel's U, the width being unknown
    EXPECT_EQ(copy->imageSize().x, 0);
    copy->close();
    auto* defCopy = AcDbRasterImageDef::cast(Twin(defId));
    ASSERT_NE(defCopy, nullptr);
    EXPECT_EQ(defCopy->size().x, 0);
    EXPECT_EQ(defCopy->size().y, 0);
    defCopy->close();
}

}  // namespace
}  // namespace tarntest
