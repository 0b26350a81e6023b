// Raster images, their definitions and reactors, the image dictionary, and the draw order with the pick
// that follows it.
#include <gtest/gtest.h>
#include <png.h>

#include <fstream>
#include <string>
#include <vector>

#include "arx_fixture.h"
#include "platform/arx/aced/acedss.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"
#include "support/testdirs.h"

namespace tarntest {
namespace {

std::string PngBytes(int width, int height) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 0x80);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    EXPECT_NE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr), 0);
    std::string bytes(size, '\0');
    EXPECT_NE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr), 0);
    return bytes;
}

std::u16string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return platform::Utf8ToUtf16(path);
}

class RasterImage : public DbTest {
protected:
    // A resident definition of the file, loaded; null id when the load fails (status in loadStatus).
    AcDbObjectId AddDefinition(const std::u16string& path, const ACHAR* key = u"tile") {
        AcDbObjectId dictId;
        if (AcDbRasterImageDef::imageDictionary(db).isNull()) {
            EXPECT_EQ(AcDbRasterImageDef::createImageDictionary(db, dictId), Acad::eOk);
        }
        dictId = AcDbRasterImageDef::imageDictionary(db);
        auto* def = new AcDbRasterImageDef();
        def->setSourceFileName(path.c_str());
        loadStatus = def->load();
        if (loadStatus != Acad::eOk) {
            delete def;
            return AcDbObjectId();
        }
        AcDbDictionary* dict = nullptr;
        EXPECT_EQ(acdbOpenObject(dict, dictId, AcDb::kForWrite), Acad::eOk);
        AcDbObjectId id;
        EXPECT_EQ(dict->setAt(key, def, id), Acad::eOk);
        dict->close();
        def->close();
        return id;
    }

    AcDbObjectId AddImage(AcDbObjectId defId, const AcGePoint3d& origin, double width, double height) {
        auto* image = new AcDbRasterImage();
        image->setImageDefId(defId);
        EXPECT_TRUE(image->setOrientation(origin, AcGeVector3d(width, 0, 0), AcGeVector3d(0, height, 0)));
        return Post(image);
    }

    std::vector<AcDbObjectId> DrawOrder() {
        AcDbBlockTable* table = nullptr;
        db->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
        table->close();
        std::vector<AcDbObjectId> order = platform::DrawOrderOf(model);
        model->close();
        return order;
    }
    // What is drawn: the order without the erased entities (an undone append stays in its block, erased).
    std::vector<AcDbObjectId> LiveDrawOrder() {
        std::vector<AcDbObjectId> live;
        for (const AcDbObjectId& id : DrawOrder()) {
            if (!id.isErased()) {
                live.push_back(id);
            }
        }
        return live;
    }

    Acad::ErrorStatus Move(std::vector<AcDbObjectId> ids, bool toBottom) {
        AcDbBlockTable* table = nullptr;
        db->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
        table->close();
        AcDbSortentsTable* order = nullptr;
        Acad::ErrorStatus es = model->getSortentsTable(order, AcDb::kForWrite, true);
        model->close();
        if (es != Acad::eOk) {
            return es;
        }
        AcDbObjectIdArray array;
        for (const AcDbObjectId& id : ids) {
            array.append(id);
        }
        es = toBottom ? order->moveToBottom(array) : order->moveToTop(array);
        order->close();
        return es;
    }

    Acad::ErrorStatus loadStatus = Acad::eOk;
};

TEST_F(RasterImage, DefinitionLoadDecodesTheWholeFileAndRefusesDamagedOnes) {
    const std::string good = PngBytes(7, 5);
    const AcDbObjectId defId = AddDefinition(WriteFile("good.png", good));
    ASSERT_FALSE(defId.isNull());
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, defId, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(def->isLoaded());
    EXPECT_EQ(def->size().x, 7);
    EXPECT_EQ(def->size().y, 5);
    def->close();

    EXPECT_TRUE(AddDefinition(WriteFile("missing-dir/none.png", good)).isNull());
    EXPECT_EQ(loadStatus, Acad::eFileNotFound);
    EXPECT_TRUE(AddDefinition(WriteFile("empty.png", "")).isNull());
    EXPECT_EQ(loadStatus, Acad::eInvalidInput);
    EXPECT_TRUE(AddDefinition(WriteFile("cut.png", good.substr(0, good.size() - 20))).isNull());
    EXPECT_EQ(loadStatus, Acad::eInvalidInput);
    EXPECT_TRUE(AddDefinition(WriteFile("text.png", "not a picture at all")).isNull());
    EXPECT_EQ(loadStatus, Acad::eInvalidInput);
    std::string flipped = good;
    flipped[flipped.find("IDAT") + 6] ^= 0x55;  // inside the compressed data: its checksum no longer matches
    EXPECT_TRUE(AddDefinition(WriteFile("flipped.png", flipped)).isNull());
    EXPECT_TRUE(AddDefinition(u"").isNull());
    EXPECT_EQ(loadStatus, Acad::eInvalidInput);
}

TEST_F(RasterImage, SetImageKeepsItsOwnCopyAndCountsAsLoaded) {
    auto* image = new Atil::RgbaImage(2, 1);
    const std::uint8_t row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    image->setRow(0, row);
    EXPECT_THROW(image->setRow(1, row), Atil::ATILException);
    EXPECT_THROW(Atil::RgbaImage(0, 5), Atil::ATILException);

    auto* def = new AcDbRasterImageDef();
    ASSERT_EQ(def->setImage(image, nullptr), Acad::eOk);
    delete image;
    EXPECT_EQ(def->load(), Acad::eOk);
    EXPECT_TRUE(def->isLoaded());
    ASSERT_NE(def->tarnImage(), nullptr);
    EXPECT_EQ(def->tarnImage()->tarnPixels()[6], 7);
    EXPECT_EQ(def->setImage(nullptr, nullptr), Acad::eInvalidInput);
    delete def;
}

TEST_F(RasterImage, ImageDictionaryIsAbsentUntilMadeAndRemoveKeepsTheObject) {
    EXPECT_TRUE(AcDbRasterImageDef::imageDictionary(db).isNull());
    AcDbObjectId dictId;
    ASSERT_EQ(AcDbRasterImageDef::createImageDictionary(db, dictId), Acad::eOk);
    EXPECT_EQ(AcDbRasterImageDef::imageDictionary(db), dictId);
    AcDbObjectId again;
    EXPECT_EQ(AcDbRasterImageDef::createImageDictionary(db, again), Acad::eAlreadyInDb);
    EXPECT_EQ(again, dictId);

    const AcDbObjectId defId = AddDefinition(WriteFile("a.png", PngBytes(2, 2)), u"Icon");
    AcDbDictionary* dict = nullptr;
    ASSERT_EQ(acdbOpenObject(dict, dictId, AcDb::kForWrite), Acad::eOk);
    EXPECT_TRUE(dict->has(u"icon"));  // names are case-insensitive
    EXPECT_EQ(dict->remove(u"Icon"), Acad::eOk);
    dict->close();
    EXPECT_FALSE(defId.isErased());
}

TEST_F(RasterImage, ImagesTieToTheirDefinitionThroughReactorsThatFollowErase) {
    const AcDbObjectId first = AddDefinition(WriteFile("a.png", PngBytes(4, 2)), u"a");
    const AcDbObjectId second = AddDefinition(WriteFile("b.png", PngBytes(3, 3)), u"b");
    const AcDbObjectId imageId = AddImage(first, AcGePoint3d(10, 20, 0), -8, 4);

    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, imageId, AcDb::kForRead), Acad::eOk);
    const AcDbObjectId reactorId = image->reactorId();
    EXPECT_EQ(image->imageSize().x, 4);
    AcDbExtents extents;
    ASSERT_EQ(image->getGeomExtents(extents), Acad::eOk);  // negative U goes left of the origin
    EXPECT_EQ(extents.minPoint(), AcGePoint3d(2, 20, 0));
    EXPECT_EQ(extents.maxPoint(), AcGePoint3d(10, 24, 0));
    image->close();
    ASSERT_FALSE(reactorId.isNull());
    AcDbRasterImageDef* def = nullptr;
    ASSERT_EQ(acdbOpenObject(def, first, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(def->hasPersistentReactor(reactorId));
    EXPECT_EQ(def->entityCount(), 1);
    def->close();

    // A new definition takes the reactor along; degenerate orientations are refused.
    ASSERT_EQ(acdbOpenObject(image, imageId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(image->setImageDefId(second), Acad::eOk);
    EXPECT_FALSE(image->setOrientation(AcGePoint3d(), AcGeVector3d(1, 0, 0), AcGeVector3d(2, 0, 0)));
    EXPECT_FALSE(image->setOrientation(AcGePoint3d(), AcGeVector3d(0, 0, 0), AcGeVector3d(0, 1, 0)));
    image->close();
    ASSERT_EQ(acdbOpenObject(def, second, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(def->entityCount(), 1);
    def->close();
    ASSERT_EQ(acdbOpenObject(def, first, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(def->entityCount(), 0);
    def->close();

    // A copy gets a reactor of its own; erasing it leaves the original's alone.
    AcDbEntity* copy = nullptr;
    ASSERT_EQ(acdbOpenObject(image, imageId, AcDb::kForRead), Acad::eOk);
    AcGeMatrix3d shift;
    shift.setToTranslation(AcGeVector3d(100, 0, 0));
    ASSERT_EQ(image->getTransformedCopy(shift, copy), Acad::eOk);
    image->close();
    const AcDbObjectId copyId = Post(copy);
    ASSERT_EQ(acdbOpenObject(image, copyId, AcDb::kForRead), Acad::eOk);
    const AcDbObjectId copyReactor = image->reactorId();
    image->close();
    EXPECT_NE(copyReactor, reactorId);
    ASSERT_EQ(EraseObject(copyId), Acad::eOk);
    EXPECT_TRUE(copyReactor.isErased());
    EXPECT_FALSE(reactorId.isErased());

    ASSERT_EQ(EraseObject(imageId), Acad::eOk);
    EXPECT_TRUE(reactorId.isErased());
    ASSERT_EQ(EraseObject(imageId, false), Acad::eOk);
    EXPECT_FALSE(reactorId.isErased());
}

TEST_F(RasterImage, DrawOrderMovesAndThePointPickTakesTheTopMost) {
    const AcDbObjectId defId = AddDefinition(WriteFile("a.png", PngBytes(2, 2)));
    const AcDbObjectId a = AddImage(defId, AcGePoint3d(0, 0, 0), 10, 10);
    const AcDbObjectId b = AddImage(defId, AcGePoint3d(5, 5, 0), 10, 10);
    const AcDbObjectId c = AddImage(defId, AcGePoint3d(2, 2, 0), 10, 10);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{a, b, c}));

    ASSERT_EQ(Move({c, b}, true), Acad::eOk);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{c, b, a}));
    ASSERT_EQ(Move({c}, false), Acad::eOk);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{b, a, c}));
    const AcDbObjectId d = AddImage(defId, AcGePoint3d(50, 50, 0), 1, 1);  // new entities go on top
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{b, a, c, d}));
    EXPECT_EQ(Move({db->layerZero()}, true), Acad::eInvalidInput);
    // The hook that fails the next move to the bottom fails one move only, and the reset clears it unused.
    platform::FailNextMoveToBottom(Acad::eOutOfMemory);
    EXPECT_EQ(Move({d}, true), Acad::eOutOfMemory);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{b, a, c, d}));

    ASSERT_EQ(Move({a}, false), Acad::eOk);
    const ads_point inAll = {6, 6, 0};
    ads_name ss;
    ASSERT_EQ(acedSSGet(nullptr, inAll, nullptr, nullptr, ss), RTNORM);
    ads_name picked;
    ASSERT_EQ(acedSSName(ss, 0, picked), RTNORM);
    AcDbObjectId pickedId;
    ASSERT_EQ(acdbGetObjectId(pickedId, picked), Acad::eOk);
    EXPECT_EQ(pickedId, a);
    acedSSFree(ss);

    // The last entity appended stays the last one, wherever it is drawn.
    ASSERT_EQ(Move({d}, true), Acad::eOk);
    ads_name last;
    ASSERT_EQ(acdbEntLast(last), RTNORM);
    AcDbObjectId lastId;
    acdbGetObjectId(lastId, last);
    EXPECT_EQ(lastId, d);
}

TEST_F(RasterImage, TheResetClearsAnUnusedDrawOrderFailure) {
    platform::FailNextMoveToBottom(Acad::eOutOfMemory);
    delete db;
    platform::ResetAll();
    db = new AcDbDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(db);
    const AcDbObjectId defId = AddDefinition(WriteFile("a.png", PngBytes(2, 2)));
    const AcDbObjectId a = AddImage(defId, AcGePoint3d(0, 0, 0), 10, 10);
    const AcDbObjectId b = AddImage(defId, AcGePoint3d(5, 5, 0), 10, 10);
    EXPECT_EQ(Move({b}, true), Acad::eOk);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{b, a}));
}

TEST_F(RasterImage, UndoRestoresTheDrawOrder) {
    const AcDbObjectId defId = AddDefinition(WriteFile("a.png", PngBytes(2, 2)));
    const AcDbObjectId a = AddImage(defId, AcGePoint3d(0, 0, 0), 10, 10);
    const AcDbObjectId b = AddImage(defId, AcGePoint3d(5, 5, 0), 10, 10);
    ASSERT_EQ(Move({b}, true), Acad::eOk);
    platform::BeginUndoGroup(db);
    ASSERT_EQ(Move({a}, true), Acad::eOk);
    platform::EndUndoGroup(db);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{a, b}));
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_EQ(DrawOrder(), (std::vector<AcDbObjectId>{b, a}));
}

// A map view's tiles come and go: each new one goes to the bottom in a command of its own and an old one is
// erased. The table keeps places for the live entities only, each move's undo record keeps about the places
// it changed, and undo still gives back each earlier order.
TEST_F(RasterImage, TheDrawOrderKeepsLiveEntitiesOnlyAndAMoveJournalsWhatItChanged) {
    const std::u16string png = WriteFile("a.png", PngBytes(2, 2));
    constexpr int kLive = 20;
    constexpr int kTiles = 300;
    std::vector<AcDbObjectId> tiles;
    std::vector<std::vector<AcDbObjectId>> orders;
    size_t moveBytes = 0;
    int moveCopies = 0;
    for (int i = 0; i < kTiles; ++i) {
        // The tile comes and an old one goes in one command, the move to the bottom follows in another.
        platform::BeginUndoGroup(db);
        const std::u16string key = u"tile" + platform::Utf8ToUtf16(std::to_string(i));
        tiles.push_back(AddImage(AddDefinition(png, key.c_str()), AcGePoint3d(i, 0, 0), 1, 1));
        if (tiles.size() > kLive) {
            ASSERT_EQ(EraseObject(tiles[tiles.size() - kLive - 1]), Acad::eOk);
        }
        platform::EndUndoGroup(db);
        orders.push_back(LiveDrawOrder());
        const platform::UndoJournalSize before = platform::UndoJournalHolds(db);
        platform::BeginUndoGroup(db);
        ASSERT_EQ(Move({tiles.back()}, true), Acad::eOk);
        platform::EndUndoGroup(db);
        const platform::UndoJournalSize after = platform::UndoJournalHolds(db);
        if (i >= kLive) {
            moveBytes += after.bytes - before.bytes;
            moveCopies += after.wholeCopies - before.wholeCopies;
        }
        orders.push_back(LiveDrawOrder());
    }
    AcDbBlockTable* table = nullptr;
    db->getBlockTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
    table->close();
    AcDbSortentsTable* order = nullptr;
    ASSERT_EQ(model->getSortentsTable(order, AcDb::kForRead, false), Acad::eOk);
    model->close();
    // The tile erased last was still live at the last move.
    EXPECT_LE(order->tarnPlaced(), size_t{kLive + 1});
    order->close();

    // A whole table would be kLive places of 24 bytes each a move; the move's record keeps the place it took
    // (a dropped one's), the seed of the next move and the heads of their ranges.
    EXPECT_EQ(moveCopies, 0);
    EXPECT_LT(static_cast<double>(moveBytes) / (kTiles - kLive), 120.0);

    // The live tiles, newest at the bottom.
    std::vector<AcDbObjectId> live(tiles.rbegin(), tiles.rbegin() + kLive);
    EXPECT_EQ(LiveDrawOrder(), live);
    const int last = 2 * kTiles - 1;
    for (int i = last; i > last - 60; --i) {
        EXPECT_EQ(LiveDrawOrder(), orders[static_cast<size_t>(i)]) << i;
        ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    }
    for (int i = last - 59; i <= last; ++i) {
        ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
        EXPECT_EQ(LiveDrawOrder(), orders[static_cast<size_t>(i)]) << i;
    }
}

// A map view's tiles made and erased with undo recording off (as a background picture is): the history
// holds none of them, the user's undo and redo pass them by, and an erased tile with its definition and
// reactor is freed at once: its ids open as errors, its handle is unknown, and the drawing holds as many
// objects after a hundred tiles as after twenty.
TEST_F(RasterImage, TilesMadeWithUndoRecordingOffStayOutOfTheHistoryAndErasedOnesAreFreed) {
    const std::u16string png = WriteFile("t.png", PngBytes(2, 2));
    // The user's own work before: a line, then a picture moved to the top.
    platform::BeginUndoGroup(db);
    const AcDbObjectId line = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(9, 9, 0)));
    platform::EndUndoGroup(db);
    platform::BeginUndoGroup(db);
    const AcDbObjectId picture = AddImage(AddDefinition(png, u"mine"), AcGePoint3d(5, 5, 0), 1, 1);
    ASSERT_EQ(Move({picture}, false), Acad::eOk);
    platform::EndUndoGroup(db);
    const int groups = platform::UndoGroupCount(db);
    const platform::UndoJournalSize held = platform::UndoJournalHolds(db);

    struct Tile {
        AcDbObjectId image, def, reactor;
        AcDbHandle handle;
    };
    constexpr size_t kLive = 5;
    std::vector<Tile> live;
    std::vector<Tile> gone;
    auto objects = [&] {
        size_t n = 0;
        platform::ForEachObjectId(db, [&](AcDbObjectId) { ++n; });
        return n;
    };
    size_t objectsAtTwenty = 0;
    db->disableUndoRecording(true);
    for (int i = 0; i < 100; ++i) {
        const std::u16string key = u"tile" + platform::Utf8ToUtf16(std::to_string(i));
        Tile tile;
        tile.def = AddDefinition(png, key.c_str());
        tile.image = AddImage(tile.def, AcGePoint3d(i, 0, 0), 1, 1);
        ASSERT_EQ(Move({tile.image}, true), Acad::eOk);
        AcDbRasterImage* image = nullptr;
        ASSERT_EQ(acdbOpenObject(image, tile.image, AcDb::kForRead), Acad::eOk);
        tile.reactor = image->reactorId();
        tile.handle = image->handle();
        image->close();
        live.push_back(tile);
        if (live.size() > kLive) {
            // As the plug-in takes a tile away: its entry, the image (with its reactor), the definition.
            const Tile old = live.front();
            live.erase(live.begin());
            AcDbDictionary* dict = nullptr;
            ASSERT_EQ(acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(db), AcDb::kForWrite),
                      Acad::eOk);
            AcString name;
            ASSERT_EQ(dict->nameAt(old.def, name), Acad::eOk);
            ASSERT_EQ(dict->remove(name.kACharPtr()), Acad::eOk);
            dict->close();
            ASSERT_EQ(EraseObject(old.image), Acad::eOk);
            ASSERT_EQ(EraseObject(old.def), Acad::eOk);
            gone.push_back(old);
        }
        if (i == 19) {
            objectsAtTwenty = objects();
        }
    }
    db->disableUndoRecording(false);
    EXPECT_EQ(objects(), objectsAtTwenty);
    EXPECT_EQ(platform::UndoGroupCount(db), groups);
    EXPECT_EQ(platform::UndoJournalHolds(db).bytes, held.bytes);
    EXPECT_EQ(platform::UndoJournalHolds(db).wholeCopies, held.wholeCopies);
    for (const Tile& tile : gone) {
        for (const AcDbObjectId& id : {tile.image, tile.def, tile.reactor}) {
            EXPECT_FALSE(id.isValid());
            AcDbObject* object = nullptr;
            EXPECT_EQ(acdbOpenObject(object, id, AcDb::kForRead, true), Acad::eNotInDatabase);
            EXPECT_EQ(object, nullptr);
        }
        AcDbObjectId found = tile.image;
        EXPECT_EQ(db->getAcDbObjectId(found, false, tile.handle), Acad::eUnknownHandle);
        EXPECT_TRUE(found.isNull());
    }
    // Model space holds the line, the picture and the live tiles only; the tiles are drawn below the rest,
    // the newest lowest.
    std::vector<AcDbObjectId> expected;
    for (auto it = live.rbegin(); it != live.rend(); ++it) {
        expected.push_back(it->image);
    }
    expected.push_back(line);
    expected.push_back(picture);
    EXPECT_EQ(DrawOrder(), expected);

    // The user's undo takes back the picture, then the line, and its redo brings them back: the tiles stay.
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_TRUE(picture.isErased());
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_TRUE(line.isErased());
    for (const Tile& tile : live) {
        EXPECT_FALSE(tile.image.isErased());
        EXPECT_FALSE(tile.def.isErased());
    }
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_EQ(LiveDrawOrder(), expected);
}

}  // namespace
}  // namespace tarntest
