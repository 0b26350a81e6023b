// Inserted tiles: what an insertion takes away on its walk over the tiles already in, and the purge.
#include <algorithm>
#include <vector>

#include "app/frame_fixture.h"
#include "mapsim/png.h"
#include "platform/arx/aced/acedcmdline.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/TileScheme.h"

namespace {

class TileWalkTest : public frametest::FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        Load();
        g_Settings.m_bOnlineMap = 1;
        cache = dir + "/cache";
        std::filesystem::create_directories(cache + "/1/15");
        BaseMapAccess::Grid(BaseMap()).m_strCacheFolder = CString(platform::ToWindowsPath(cache).c_str());
        BaseMapAccess::Grid(BaseMap()).m_nLevel = 15;
        BaseMapAccess::Grid(BaseMap()).m_nMapId = 1;
        BaseMapAccess::SetTilePixels(BaseMap(), 256);
        BaseMapAccess::SetDrawing(BaseMap(), doc->database());
    }
    void TearDown() override {
        g_Settings.m_bOnlineMap = 0;
        FrameTest::TearDown();
    }

    // A tile picture of the cache covering the square of side 10 at (x, 0).
    CMapImageItem Tile(int col, double x) {
        const std::string file = cache + "/1/15/" + std::to_string(col) + "_0.png";
        mapsim::PictureMark mark;
        mark.width = mark.height = 16;
        EXPECT_TRUE(mapsim::WritePngFile(file, mapsim::MakePicture(mark)));
        const CString path(platform::ToWindowsPath(file).c_str());
        return CMapImageItem(AcGePoint2d(x, 0), AcGePoint2d(x + 10, 10), path, StringKey63(path), 15, false);
    }
    // Whether the tile's picture is in the drawing (its definition goes with its image).
    bool Shown(const CMapImageItem& tile) {
        AcDbDictionary* dict = nullptr;
        if (acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(doc->database()), AcDb::kForRead) !=
            Acad::eOk) {
            return false;
        }
        const bool has = dict->has(TileName(tile.m_nId));
        dict->close();
        return has;
    }

    std::string cache;
};

TEST_F(TileWalkTest, AnInsertionTakesTheStaleTilesItMeetsBeforeItsOwnAndThePurgeTakesTheRest) {
    BaseMapAccess::Grid(BaseMap()).m_doubledView = ViewRectInfo{-1000, -1000, 1000, 1000, 0, 0};
    std::vector<CMapImageItem> tiles;
    for (int col = 0; col < 4; ++col) {
        tiles.push_back(Tile(col, 20.0 * col));
        ASSERT_EQ(BaseMap().InsertTileImage(tiles.back()), Acad::eOk);
    }
    // The walk goes in key order: sorted by id, the second tile is the one answered again.
    std::sort(tiles.begin(), tiles.end(),
              [](const CMapImageItem& a, const CMapImageItem& b) { return a.m_nId < b.m_nId; });
    const CMapImageItem& again = tiles[1];
    BaseMapAccess::Grid(BaseMap()).m_doubledView =
        ViewRectInfo{again.m_ptMin.x - 2, -2, again.m_ptMax.x + 2, 12, 0, 0};
    // Present already: nothing is inserted, and of the tiles now outside the view only the one before it in
    // key order has gone.
    EXPECT_EQ(BaseMap().InsertTileImage(again), Acad::eOk);
    EXPECT_FALSE(Shown(tiles[0]));
    EXPECT_TRUE(Shown(again));
    EXPECT_TRUE(Shown(tiles[2]));
    EXPECT_TRUE(Shown(tiles[3]));
    // A new tile walks them all: the rest outside the view go.
    const CMapImageItem fresh = Tile(9, 500.0);
    EXPECT_EQ(BaseMap().InsertTileImage(fresh), Acad::eOk);
    EXPECT_TRUE(Shown(fresh));
    EXPECT_TRUE(Shown(again));
    EXPECT_FALSE(Shown(tiles[2]));
    EXPECT_FALSE(Shown(tiles[3]));

    // The purge takes every tile and refreshes the display, whether it had tiles to take or not.
    for (int round = 0; round < 2; ++round) {
        const int updates = platform::Display().updateDisplay;
        BaseMap().PurgeImages();
        EXPECT_EQ(platform::Display().updateDisplay, updates + 1) << round;
    }
    EXPECT_FALSE(Shown(fresh));
    EXPECT_FALSE(Shown(again));
}

}  // namespace
