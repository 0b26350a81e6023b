// The online base map end to end: the plug-in in the host, the simulated map application rendering real
// tiles, the clock advanced, and every tile checked for where it landed.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>

#include "basemap_fixture.h"
#include "platform/arx/acap/statusbar.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/arxutil/ViewUtil.h"

namespace {

using platform::CommandOutcome;

using e2e::kRefX;
using e2e::kRefY;
using e2e::kScreenH;
using e2e::kScreenW;

using BaseMapTest = e2e::BaseMapHostTest;

TEST_F(BaseMapTest, SwitchedOnItCoversTheViewOnTheLatticeBelowTheDrawing) {
    ASSERT_EQ(Run("LINE 510000,2990000 515000,2995000", {""}), CommandOutcome::kEnded);
    ZoomTo(512345.6, 2987654.3, 14, 0.9);
    Mark();
    LoadWithBaseMap();
    Settle();
    // The first load shows the map application's own level about the reference point.
    const ViewRectInfo start = View();
    EXPECT_NEAR((start.minX + start.maxX) / 2, kRefX, 1e-6);
    EXPECT_NEAR((start.minY + start.maxY) / 2, kRefY, 1e-6);
    EXPECT_EQ(e2e::Count(Printed(), "Level:15"), 1) << Printed();
    EXPECT_EQ(Landed().errors, "");

    // 0.9 of level 14's resolution: level 14, and the view nudged to fit it exactly.
    host.MapSim().ClearRecords();
    Mark();
    ZoomTo(512345.6, 2987654.3, 14, 0.9);
    Settle();
    const ViewRectInfo view = View();
    EXPECT_NEAR((view.maxX - view.minX) / view.screenW / Res(14), 1.0, 0.01);
    EXPECT_EQ(e2e::Count(Printed(), "Level:14"), 1) << Printed();

    // All missing tiles in one request, rings from the outside in, the central tile last.
    const std::vector<mapsim::Request> asked = host.MapSim().RequestsOf(20302);
    ASSERT_EQ(asked.size(), 1u);
    const std::vector<mapsim::MapFileRecord> records = FileRequests();
    const std::vector<std::pair<int, int>> ring = tiletest::SchemeRingOrder(3, 2);
    ASSERT_EQ(records.size(), ring.size());
    int32_t col0 = 0, row0 = 0;
    ASSERT_EQ(std::sscanf(records.back().path.substr(records.back().path.rfind('\\') + 1).c_str(), "%d_%d",
                          &col0, &row0),
              2);
    for (size_t k = 0; k < records.size(); ++k) {
        const std::string& path = records[k].path;
        int32_t col = 0, row = 0;
        std::sscanf(path.substr(path.rfind('\\') + 1).c_str(), "%d_%d", &col, &row);
        EXPECT_EQ(col - col0, ring[k].first) << k;
        EXPECT_EQ(row - row0, ring[k].second) << k;
        EXPECT_EQ(records[k].serial, records[0].serial + k);
        EXPECT_EQ(records[k].level, 14u);
        EXPECT_EQ(records[k].width, 512u);
        EXPECT_EQ(records[k].kind, 2u);
        EXPECT_EQ(records[k].flag, 1u);
    }

    const tiletest::Landing landing = Landed();
    EXPECT_EQ(landing.errors, "");
    // Tiles of the grid's margin that lie wholly outside the doubled view go again as the others come.
    EXPECT_LE(landing.tiles.size(), ring.size());
    EXPECT_EQ(landing.CountAtLevel(14), landing.tiles.size());
    // The line stays above every tile.
    EXPECT_EQ(tiletest::ModelSpaceDrawOrder(host.Drawing()).size(), landing.tiles.size() + 1);
}

TEST_F(BaseMapTest, PanningLaysOutTheNewViewAndRemovesTilesFarOutside) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    const size_t first = Landed().tiles.size();
    ASSERT_GT(first, 0u);
    EXPECT_EQ(Landed().errors, "");

    // A small pan: only the tiles newly in view are asked for; nothing is inserted twice.
    const size_t asked = FileRequests().size();
    ZoomTo(kRefX + 6000, kRefY - 2500, 15);
    Settle();
    const tiletest::Landing panned = Landed();
    EXPECT_EQ(panned.errors, "");
    EXPECT_LT(FileRequests().size() - asked, first);

    // Far away: the old tiles go as the new ones come; the drawing holds about one view's worth.
    ZoomTo(kRefX + 400000, kRefY + 300000, 15);
    Settle();
    const tiletest::Landing far = Landed();
    EXPECT_EQ(far.errors, "");
    EXPECT_LE(far.tiles.size(), first + 8);

    // Back where it started: the known files are inserted again without asking.
    const size_t before = FileRequests().size();
    ZoomTo(kRefX, kRefY, 15);
    Settle();
    EXPECT_EQ(Landed().errors, "");
    EXPECT_EQ(FileRequests().size(), before);
}

// The tiles come and go outside the undo history: the user's U and REDO after panning take back and bring
// back the user's own commands, the tiles in view stay as they are, no tile panned away comes back, and a
// tile taken away is gone from memory (its id opens as an error). The history grows by the user's commands,
// not by the tiles.
TEST_F(BaseMapTest, UndoAndRedoAfterPanningTakeBackTheUsersCommandsNeverATile) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    const tiletest::Landing first = Landed();
    ASSERT_GT(first.tiles.size(), 0u);
    ASSERT_EQ(first.errors, "");
    const AcDbObjectId away = first.tiles.front().image;
    AcDbDatabase* db = host.Drawing();
    auto lines = [&] {
        int count = 0;
        for (const AcDbObjectId& id : tiletest::ModelSpaceDrawOrder(db)) {
            AcDbLine* line = nullptr;
            if (acdbOpenObject(line, id, AcDb::kForRead) == Acad::eOk) {
                ++count;
                line->close();
            }
        }
        return count;
    };
    auto images = [](const tiletest::Landing& landing) {
        std::set<AcDbObjectId> ids;
        for (const tiletest::LandedTile& tile : landing.tiles) {
            ids.insert(tile.image);
        }
        return ids;
    };
    ASSERT_EQ(Run("LINE 500100,3000100 500900,3000900", {""}), CommandOutcome::kEnded);
    const int groups = platform::UndoGroupCount(db);
    const platform::UndoJournalSize held = platform::UndoJournalHolds(db);

    // Far away: every earlier tile goes, and the history holds the zoom and nothing of the tiles.
    const double farX = kRefX + 400000, farY = kRefY + 300000;
    ZoomTo(farX, farY, 15);
    Settle();
    const tiletest::Landing panned = Landed();
    ASSERT_EQ(panned.errors, "");
    ASSERT_GT(panned.tiles.size(), 0u);
    EXPECT_FALSE(away.isValid());
    AcDbObject* object = nullptr;
    EXPECT_EQ(acdbOpenObject(object, away, AcDb::kForRead, true), Acad::eNotInDatabase);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(platform::UndoGroupCount(db), groups + 1);
    EXPECT_EQ(platform::UndoJournalHolds(db).wholeCopies, held.wholeCopies);
    EXPECT_LT(platform::UndoJournalHolds(db).bytes - held.bytes, 1024u);

    // The user's line here, undone and redone: the tiles stay as they are, below it.
    char line[128];
    std::snprintf(line, sizeof line, "LINE %.3f,%.3f %.3f,%.3f", farX, farY, farX + 500, farY + 500);
    ASSERT_EQ(Run(line, {""}), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 2);
    ASSERT_EQ(Run("U"), CommandOutcome::kEnded);
    Settle(2);
    EXPECT_EQ(lines(), 1);
    tiletest::Landing now = Landed();
    EXPECT_EQ(now.errors, "");
    EXPECT_EQ(images(now), images(panned));
    ASSERT_EQ(Run("REDO"), CommandOutcome::kEnded);
    Settle(2);
    EXPECT_EQ(lines(), 2);
    now = Landed();
    EXPECT_EQ(now.errors, "");
    EXPECT_EQ(images(now), images(panned));

    // Undone past the pan and the first line: nothing of the first view comes back.
    ASSERT_EQ(Run("UNDO", {"3"}), CommandOutcome::kEnded);
    Settle(2);
    EXPECT_EQ(lines(), 0);
    now = Landed();
    EXPECT_EQ(now.errors, "");
    EXPECT_EQ(images(now), images(panned));
    for (const tiletest::LandedTile& tile : first.tiles) {
        EXPECT_FALSE(tile.image.isValid());
    }
    // A save while the tiles stand writes them with the drawing (read again by the independent reader).
    SaveAs("panned.dxf");
}

TEST_F(BaseMapTest, ZoomingToAnotherLevelReplacesTheTilesItCovers) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    ASSERT_GT(Landed().CountAtLevel(15), 0u);
    Mark();
    ZoomTo(kRefX, kRefY, 16, 1.1);
    Settle();
    const tiletest::Landing landing = Landed();
    EXPECT_EQ(landing.errors, "");
    EXPECT_EQ(landing.CountAtLevel(15), 0u);
    EXPECT_GT(landing.CountAtLevel(16), 0u);
    EXPECT_EQ(e2e::Count(Printed(), "Level:16"), 1) << Printed();
}

TEST_F(BaseMapTest, TilesNotReadyAreAskedAgainInBatchesOnceEach) {
    host.MapSim().SetMapFilesNotReady(3);
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    host.Wait(2000);
    host.Idle();
    const size_t tiles = FileRequests().size();
    ASSERT_GT(tiles, 0u);
    EXPECT_TRUE(Landed(false).tiles.empty());
    // Each 300 ms flush re-asks every outstanding tile once, in one message, however many layouts ran.
    host.MapSim().ClearRecords();
    ZoomTo(kRefX + 1, kRefY, 15);  // a layout that asks its missing tiles again
    host.Wait(500);
    host.Wait(300);
    for (const mapsim::Request& r : host.MapSim().RequestsOf(20302)) {
        EXPECT_LE((r.payload.size() - 16) / mapsim::kMapFileRecordSize, tiles);
    }
    Settle();
    const tiletest::Landing landing = Landed();
    EXPECT_EQ(landing.errors, "");
    EXPECT_EQ(landing.tiles.size(), tiles);
    // No meter is left on the status bar by tile progress.
    EXPECT_FALSE(platform::ProgressMeterShown());
}

TEST_F(BaseMapTest, AnswersNestedInTheRequestLandAsLaterOnesDo) {
    host.MapSim().SetAnswerMode(20302, mapsim::AnswerMode::Nested);
    host.MapSim().SetMapFilesNotReady(1);  // the re-asks are answered inside the flush's own send
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    const tiletest::Landing landing = Landed();
    EXPECT_EQ(landing.errors, "");
    EXPECT_GT(landing.tiles.size(), 0u);
    ZoomTo(kRefX + 3000, kRefY + 3000, 15);
    Settle();
    EXPECT_EQ(Landed().errors, "");
}

TEST_F(BaseMapTest, DuplicateAndCombinedAnswersInsertEachTileOnce) {
    host.MapSim().SetDuplicateMapFileAnswers(true);
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    const tiletest::Landing twice = Landed();
    EXPECT_EQ(twice.errors, "");
    EXPECT_EQ(twice.tiles.size(), FileRequests().size());

    host.MapSim().SetDuplicateMapFileAnswers(false);
    host.MapSim().SetMapFileAnswersTogether(true);
    ZoomTo(kRefX + 50000, kRefY, 15);
    Settle();
    const tiletest::Landing together = Landed();
    EXPECT_EQ(together.errors, "");
    EXPECT_GT(together.tiles.size(), 0u);
}

TEST_F(BaseMapTest, EmptyTruncatedOrMissingFilesAreAskedAgain) {
    for (mapsim::FileDamage damage :
         {mapsim::FileDamage::Empty, mapsim::FileDamage::Truncated, mapsim::FileDamage::Missing}) {
        SCOPED_TRACE(static_cast<int>(damage));
        host.MapSim().DamageMapFiles(damage, 3);
        const double x = kRefX + 100000.0 * static_cast<int>(damage);
        ZoomTo(x, kRefY, 15);
        if (damage == mapsim::FileDamage::Empty) {
            LoadWithBaseMap();
        }
        Settle();
        // The next layout asks for the damaged ones again, and then the view is whole.
        ZoomTo(x + 1, kRefY, 15);
        Settle();
        const tiletest::Landing landing = Landed();
        EXPECT_EQ(landing.errors, "");
        std::set<std::string> unique;
        for (const mapsim::MapFileRecord& r : FileRequests()) {
            unique.insert(r.path);
        }
        EXPECT_GT(FileRequests().size(), unique.size() - 1);
    }
}

TEST_F(BaseMapTest, MapSideErrorsPrintTheirLineAndInsertNothing) {
    ZoomTo(kRefX, kRefY, 15);
    const std::pair<int32_t, const char*> cases[] = {
        {-2, "坐标系设置错误！"}, {-4, "地图尺寸太大！"}, {-5, "地图像素太高！"}, {-6, "创建地图失败！"},
        {-7, "坐标系错误！"},     {-10, "其他错误！"},    {-1, "其他错误！"},
    };
    host.MapSim().SetMapFileStatus(-2);
    LoadWithBaseMap();
    for (const auto& [status, text] : cases) {
        SCOPED_TRACE(status);
        host.MapSim().SetMapFileStatus(status);
        Mark();
        ZoomTo(kRefX + 1000.0 * (status - 20), kRefY, 15);
        Settle();
        EXPECT_GT(e2e::Count(Printed(), text), 0) << text << "\n" << Printed();
        EXPECT_TRUE(Landed(false).tiles.empty());
    }
}

TEST_F(BaseMapTest, LevelsOutsideTheRangeAskNothingAndSayItOnce) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap(0, 16);
    Settle();
    host.MapSim().ClearRecords();
    Mark();
    ZoomTo(kRefX, kRefY, 18);
    Settle();
    ZoomTo(kRefX + 10, kRefY, 18);
    Settle();
    EXPECT_EQ(e2e::Count(Printed(), "级别太高，不加载底图！"), 1) << Printed();
    EXPECT_TRUE(FileRequests().empty());
    // A layout in range that asks for tiles arms the notice again.
    ZoomTo(kRefX + 30000, kRefY, 15);
    Settle();
    host.MapSim().ClearRecords();
    Mark();
    ZoomTo(kRefX, kRefY, 4);
    Settle();
    EXPECT_EQ(e2e::Count(Printed(), "级别太低，不加载底图！"), 1) << Printed();
    EXPECT_TRUE(FileRequests().empty());
    EXPECT_EQ(Landed(false).errors, "");
}

TEST_F(BaseMapTest, AZoomToFarOffEntitiesAsksAtMostAScreenfulQuickly) {
    ASSERT_EQ(Run("LINE 0,0 9000000000,9000000000", {""}), CommandOutcome::kEnded);
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    host.MapSim().ClearRecords();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run("ZOOM E"), CommandOutcome::kEnded);
    Settle();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 30.0);  // a bound against a hang, not a speed test
    const int32_t cap = HalfCountCap(kScreenW, 512);
    EXPECT_LE(FileRequests().size(), size_t(2 * cap + 1) * size_t(2 * cap + 1));
    EXPECT_EQ(Landed(false).errors, "");
}

TEST_F(BaseMapTest, ResolutionTablesThatAreMissingZeroOrNotFiniteLayOutNothing) {
    ZoomTo(kRefX, kRefY, 15);
    int step = 0;
    for (double bad : {0.0, -1.0, std::nan("")}) {
        SCOPED_TRACE(bad);
        host.MapSim().SetResolutions(std::vector<std::pair<double, double>>(28, {bad, bad}));
        if (bad == 0.0) {
            LoadWithBaseMap();
        }
        ZoomTo(kRefX + 7 * ++step, kRefY, 15);
        Settle();
        EXPECT_TRUE(FileRequests().empty());
        EXPECT_TRUE(Landed(false).tiles.empty());
    }
    host.MapSim().SetResolutions({});
    ZoomTo(kRefX + 3, kRefY, 15);
    Settle();
    EXPECT_TRUE(FileRequests().empty());
    // A table at last: the base map comes.
    host.MapSim().SetResolutions(mapsim::MapSim::DefaultResolutions());
    ZoomTo(kRefX, kRefY, 15);
    Settle();
    EXPECT_EQ(Landed().errors, "");
    EXPECT_GT(Landed().tiles.size(), 0u);
}

TEST_F(BaseMapTest, AnswersGoToTheDrawingThatAskedForThem) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    host.Wait(2000);  // the requests are out, their answers wait in the pump
    const size_t asked = FileRequests().size();
    ASSERT_GT(asked, 0u);
    std::set<std::string> askedPaths;
    for (const mapsim::MapFileRecord& record : FileRequests()) {
        askedPaths.insert(record.path);
    }
    // The waiting answers come while the new drawing is current, before its own base map starts (a save
    // there would switch the base map off everywhere).
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    AcDbDatabase* other = host.Drawing();
    host.Idle();
    EXPECT_TRUE(tiletest::CheckTiles(other, lattice).tiles.empty());
    // Back in the first drawing, its tiles are known and go in without being asked again.
    std::string error;
    ASSERT_NE(host.OpenDrawing(drawing, &error), nullptr) << error;
    host.MapSim().ClearRecords();
    ZoomTo(kRefX + 1, kRefY, 15);
    Settle();
    EXPECT_EQ(Landed().errors, "");
    EXPECT_GT(Landed().tiles.size(), 0u);
    for (const mapsim::MapFileRecord& record : FileRequests()) {
        EXPECT_EQ(askedPaths.count(record.path), 0u) << "asked twice: " << record.path;
    }
}

// Switched off while another drawing is current (by its toolbar button or by a save there), the base map
// leaves every open drawing: none of the first drawing's tiles stays to be saved into its file.
TEST_F(BaseMapTest, SwitchedOffItLeavesEveryOpenDrawingAndNoTileIsSaved) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    AcDbDatabase* first = host.Drawing();
    ASSERT_GT(Landed().tiles.size(), 0u);
    auto openFirst = [&] {
        std::string error;
        ASSERT_NE(host.OpenDrawing(drawing, &error), nullptr) << error;
        ASSERT_EQ(host.Drawing(), first);
    };
    // The save of a new drawing switches the base map off.
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    SaveAs("other.dxf");
    EXPECT_TRUE(tiletest::CheckTiles(first, lattice).tiles.empty());

    // On again there, then the first drawing shows its tiles again; off by the button in the other one.
    ZoomTo(kRefX, kRefY, 15);
    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    Settle();
    ASSERT_GT(Landed().tiles.size(), 0u);
    openFirst();
    ZoomTo(kRefX + 1, kRefY, 15);
    Settle();
    ASSERT_GT(Landed().tiles.size(), 0u);
    std::string error;
    ASSERT_NE(host.OpenDrawing(dir + "/other.dxf", &error), nullptr) << error;
    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    EXPECT_TRUE(Landed(false).tiles.empty());
    EXPECT_TRUE(tiletest::CheckTiles(first, lattice).tiles.empty());

    openFirst();
    Settle();
    EXPECT_TRUE(Landed(false).tiles.empty());
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    const std::string saved = e2e::ReadFile(drawing);
    EXPECT_EQ(e2e::Count(saved, "MapTemp"), 0) << saved.substr(0, 3000);
}

// A drawing open before the plug-in was loaded gets the base map too once it is current.
TEST_F(BaseMapTest, ADrawingOpenBeforeTheLoadGetsTheBaseMapWhenCurrent) {
    ZoomTo(kRefX, kRefY, 15);
    AcDbDatabase* first = host.Drawing();
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    SaveAs("other.dxf");
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    ASSERT_GT(Landed().tiles.size(), 0u);
    std::string error;
    ASSERT_NE(host.OpenDrawing(drawing, &error), nullptr) << error;
    ASSERT_EQ(host.Drawing(), first);
    Settle();
    EXPECT_GT(Landed().tiles.size(), 0u);
    EXPECT_EQ(Landed().errors, "");
}

// A cache folder that cannot be written fails every tile alike: the line is printed once, with the folder.
TEST_F(BaseMapTest, AnUnwritableCacheSaysSoOnceWithItsFolder) {
    ZoomTo(kRefX, kRefY, 15);
    host.MapSim().SetMapFileStatus(-6);
    Mark();
    LoadWithBaseMap();
    Settle();
    ASSERT_GT(FileRequests().size(), 1u);
    EXPECT_EQ(e2e::Count(Printed(), "创建地图失败！"), 1) << Printed();
    const std::string cache =
        platform::Utf16ToUtf8(platform::ToWindowsPath(host.Options().tempFolder)) + "\\MapTemp\\";
    EXPECT_EQ(e2e::Count(Printed(), "地图缓存文件夹：" + cache), 1) << Printed();
    // The next layout's tiles fail alike: said once more, for them.
    Mark();
    ZoomTo(kRefX + 5000.0, kRefY, 15);
    Settle();
    EXPECT_EQ(e2e::Count(Printed(), "创建地图失败！"), 1) << Printed();
}

// The unload removes the tiles it made and nothing else: not the user's files in the cache or beside it.
TEST_F(BaseMapTest, UnloadingDeletesNothingOutsideThePluginsOwnTiles) {
    const std::string temp = host.Options().tempFolder;
    std::filesystem::create_directories(temp + "/MapTemp/photos");
    std::filesystem::create_directories(temp + "/MapTemp/2024/05/17");
    e2e::WriteFile(temp + "/keep.txt", "keep");
    e2e::WriteFile(temp + "/MapTemp/mine.txt", "mine");
    e2e::WriteFile(temp + "/MapTemp/photos/1_2.png", "mine");
    // Named like the plug-in's tile folders and tiles, and still the user's.
    e2e::WriteFile(temp + "/MapTemp/2024/05/17/3_4.png", "mine");
    e2e::WriteFile(temp + "/MapTemp/2024/05/17/-1_0.png", "mine");
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    ASSERT_GT(Landed().tiles.size(), 0u);
    const std::vector<std::string> tiles = host.MapSim().WrittenFiles();
    ASSERT_FALSE(tiles.empty());
    std::string error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    EXPECT_EQ(e2e::ReadFile(temp + "/keep.txt"), "keep");
    EXPECT_EQ(e2e::ReadFile(temp + "/MapTemp/mine.txt"), "mine");
    EXPECT_EQ(e2e::ReadFile(temp + "/MapTemp/photos/1_2.png"), "mine");
    EXPECT_EQ(e2e::ReadFile(temp + "/MapTemp/2024/05/17/3_4.png"), "mine");
    EXPECT_EQ(e2e::ReadFile(temp + "/MapTemp/2024/05/17/-1_0.png"), "mine");
    for (const std::string& tile : tiles) {
        EXPECT_FALSE(std::filesystem::exists(platform::ToHostPath(platform::Utf8ToUtf16(tile)))) << tile;
    }
    // The plug-in's folders went with their tiles; what is left in "MapTemp" is the user's.
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp + "/MapTemp")) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"2024", "mine.txt", "photos"}));
}

// A cache at a drive's root (stored as "D:", a root without its backslash) is used and cleaned like any
// other: the tiles land in "D:\MapTemp" and go at the unload with the folders made for them; the user's
// files at the root stay.
TEST_F(BaseMapTest, ACacheAtADrivesRootIsCleanedAtTheUnloadLikeAnyOther) {
    const std::string drive = dir + "/drive";
    std::filesystem::create_directories(drive + "/photos");
    e2e::WriteFile(drive + "/photos/0_0.png", "mine");
    platform::MapDrive(u'D', drive);
    std::string error;
    ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"D:", SettingsFile().c_str()));
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    ASSERT_GT(Landed().tiles.size(), 0u);
    const std::vector<std::string> tiles = host.MapSim().WrittenFiles();
    ASSERT_FALSE(tiles.empty());
    for (const std::string& tile : tiles) {
        EXPECT_EQ(tile.rfind("D:\\MapTemp\\", 0), 0u) << tile;
        EXPECT_TRUE(std::filesystem::exists(platform::ToHostPath(platform::Utf8ToUtf16(tile)))) << tile;
    }
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    EXPECT_FALSE(std::filesystem::exists(drive + "/MapTemp"));
    EXPECT_EQ(e2e::ReadFile(drive + "/photos/0_0.png"), "mine");
}

TEST_F(BaseMapTest, UnloadingTakesTheTilesAndTheirLayerBeforeTheCache) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    ASSERT_GT(Landed().tiles.size(), 0u);
    std::string error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    EXPECT_TRUE(Landed(false).tiles.empty());
    for (const auto& [id, name] : tiletest::DefinitionNames(host.Drawing())) {
        EXPECT_FALSE(!name.empty() && std::all_of(name.begin(), name.end(), [](char16_t c) {
            return c >= u'0' && c <= u'9';
        })) << platform::Utf16ToUtf8(name);
    }
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(host.Drawing()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(layers->has(u"*MapLayer"));
    layers->close();
    // Saved and opened again, the drawing holds no image of a deleted file.
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    const std::string saved = e2e::ReadFile(drawing);
    EXPECT_EQ(e2e::Count(saved, "MapTemp"), 0) << saved.substr(0, 3000);
}

TEST_F(BaseMapTest, LongitudeAndLatitudeIsRefusedAndAnOriginNowhereLaysOutNothing) {
    std::array<uint8_t, 16> digest{};
    host.MapSim().SetCoordState(2, digest, "WGS 84");
    Mark();
    LoadWithBaseMap();
    Settle();
    EXPECT_GT(e2e::Count(Printed(), "当前Zavrel坐标系为经纬度，请设置！"), 0) << Printed();
    EXPECT_TRUE(FileRequests().empty());
    // A plane grid whose origin is not a number: no zoom to it, no tile.
    host.MapSim().SetCoordState(3, digest, "local grid");
    host.MapSim().SetGridOrigin(std::nan(""), kRefY);
    const ViewRectInfo before = View();
    ZoomTo(kRefX, kRefY, 15);
    Settle();
    EXPECT_TRUE(FileRequests().empty());
    EXPECT_TRUE(Landed(false).tiles.empty());
    EXPECT_TRUE(std::isfinite(View().minX)) << before.minX;
}

TEST_F(BaseMapTest, MalformedRepliesAreRefusedWithoutHarm) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap(3);
    Settle();
    mapsim::MapSim& map = host.MapSim();
    // More resolution records than levels, a map state of a level the tables do not hold, short payloads.
    mapsim::Bytes table(30 * 104, 0);
    for (size_t i = 0; i < 30; ++i) {
        mapsim::Put<double>(table, i * 104, Res(1) / std::ldexp(1.0, int(i)));
        mapsim::Put<double>(table, i * 104 + 8, Res(1) / std::ldexp(1.0, int(i)));
    }
    EXPECT_EQ(map.SendRaw(20212, table), 0);
    mapsim::Bytes state(104, 0);
    mapsim::Put<double>(state, 24, kRefX);
    mapsim::Put<double>(state, 32, kRefY);
    mapsim::Put<uint32_t>(state, 44, 40);
    mapsim::Put<uint32_t>(state, 48, 1);
    const ViewRectInfo before = View();
    EXPECT_EQ(map.SendRaw(20012, state), 0);
    // The drawing follows the map (mode 3), but to no level the tables hold: the view stays.
    const ViewRectInfo after = View();
    EXPECT_EQ(after.minX, before.minX);
    EXPECT_EQ(after.minY, before.minY);
    EXPECT_EQ(after.maxX, before.maxX);
    EXPECT_EQ(after.maxY, before.maxY);
    for (uint16_t code : {20211, 20012, 20302, 20202}) {
        EXPECT_EQ(map.SendRaw(code, mapsim::Bytes(1, 7)), 1) << code;
    }
    // A record whose path fills its field without a NUL, written mark set.
    mapsim::Bytes record(472, 0);
    mapsim::Put<int32_t>(record, 20, 1);
    std::fill(record.begin() + 24, record.begin() + 280, 'A');
    record[280] = 1;
    mapsim::Put<uint32_t>(record, 348, 512);
    mapsim::Put<uint32_t>(record, 352, 512);
    EXPECT_EQ(map.SendRaw(20302, record), 0);
    Settle();
    EXPECT_EQ(Landed().errors, "");
}

TEST_F(BaseMapTest, TilesThatArriveDuringACommandWaitForItsEndHoweverItEnds) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    // A command during which the host's message loop runs (as it does while a command waits for input):
    // the view tracking lays the new view out and the map application's answers come in meanwhile.
    size_t landedInside = 0;
    CommandOutcome outcome = CommandOutcome::kEnded;
    platform::DefineHostCommand(u"WAITMAP", [&] {
        for (int i = 0; i < 6; ++i) {
            platform::AdvanceClock(500);
            platform::PumpMessages();
        }
        landedInside = Landed(false).tiles.size();
        return outcome;
    });
    int place = 0;
    for (CommandOutcome end : {CommandOutcome::kEnded, CommandOutcome::kCancelled}) {
        SCOPED_TRACE(static_cast<int>(end));
        outcome = end;
        ZoomTo(kRefX + 60000 * ++place, kRefY, 15);
        host.MapSim().ClearRecords();
        const size_t before = Landed(false).tiles.size();
        ASSERT_EQ(host.Run("WAITMAP"), end);
        EXPECT_GT(FileRequests().size(), 0u);
        EXPECT_EQ(landedInside, before);  // nothing went in during the command
        host.Wait(10);
        const tiletest::Landing landing = Landed();
        EXPECT_EQ(landing.errors, "");
        EXPECT_GT(landing.tiles.size(), 0u);
    }
    platform::RemoveHostCommand(u"WAITMAP");
}

TEST_F(BaseMapTest, GaussKrugerTilesOutsideTheZoneAreSkippedWithOneNotice) {
    std::array<uint8_t, 16> digest{};
    digest[0] = 0x44;
    host.MapSim().SetCoordState(4, digest, "CGCS2000 3-degree zone");
    // The grid's origin is the centre of the drawing's extents.
    ASSERT_EQ(Run("LINE 490000,2990000 510000,3010000", {""}), CommandOutcome::kEnded);
    host.MapSim().SetMapState(8, 1);
    Mark();
    LoadWithBaseMap();
    Settle();
    // Level 8 tiles are 300 km wide: the grid reaches past 160 km and 840 km of easting.
    EXPECT_EQ(e2e::Count(Printed(), "超出坐标系范围不显示底图!"), 1) << Printed();
    const tiletest::Landing landing = Landed(false);
    EXPECT_EQ(landing.errors, "");
    EXPECT_GT(landing.tiles.size(), 0u);
    for (const mapsim::MapFileRecord& r : FileRequests()) {
        EXPECT_GE(r.minX, 160000.0);
        EXPECT_LE(r.maxX, 840000.0);
    }
    // Another tile out of range at the same level says nothing more.
    Mark();
    ZoomTo(kRefX + 20000, kRefY, 8);
    Settle();
    EXPECT_EQ(e2e::Count(Printed(), "超出坐标系范围不显示底图!"), 0) << Printed();

    // The map application's coordinate setting changes: the base map loads again, into a cache of its own.
    const std::string before = FileRequests().front().path;
    host.MapSim().ClearRecords();
    digest[0] = 0x45;
    host.MapSim().SetCoordState(4, digest, "CGCS2000 3-degree zone, another datum");
    mapsim::Bytes state(72, 0);
    mapsim::Put<uint32_t>(state, 40, 4);
    std::memcpy(state.data() + 44, digest.data(), digest.size());
    EXPECT_EQ(host.MapSim().SendRaw(20202, state), 0);
    Settle();
    ASSERT_FALSE(FileRequests().empty());
    const std::string after = FileRequests().front().path;
    EXPECT_NE(before.substr(0, before.find("\\1\\")), after.substr(0, after.find("\\1\\")));
    EXPECT_EQ(Landed(false).errors, "");
}

TEST_F(BaseMapTest, TilePixelsFollowTheScreenAndLandOnTheirLattice) {
    for (const auto& [screen, pixels] : {std::pair{1400, 256u}, std::pair{3200, 1024u}}) {
        SCOPED_TRACE(screen);
        platform::SetScreenSize(screen, 1080);
        lattice.tilePixels = pixels;
        if (screen == 1400) {
            LoadWithBaseMap();
        } else {
            ZoomTo(kRefX + 90000, kRefY, 15);
        }
        Settle();
        const tiletest::Landing landing = Landed();
        EXPECT_EQ(landing.errors, "");
        EXPECT_GT(landing.tiles.size(), 0u);
        for (const mapsim::MapFileRecord& r : FileRequests()) {
            EXPECT_EQ(r.width, pixels);
        }
        host.MapSim().ClearRecords();
    }
}

TEST_F(BaseMapTest, ACacheRootTooLongForTheRecordsPathIsRefusedOnce) {
    // The settings' cache root, deep enough that tile paths would not fit the record's path field.
    std::string root = dir + "/" + std::string(120, 'c') + "/" + std::string(60, 'd');
    std::filesystem::create_directories(root);
    std::string error;
    ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    const std::u16string file =
        platform::ToWindowsPath(host.Options().localAppDataFolder + "/TarnArx_setting.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", platform::ToWindowsPath(root).c_str(),
                                           file.c_str()));
    Mark();
    LoadWithBaseMap();
    Settle();
    EXPECT_EQ(e2e::Count(Printed(), "底图缓存路径太长"), 1) << Printed();
    EXPECT_TRUE(FileRequests().empty());
    EXPECT_TRUE(Landed(false).tiles.empty());
}

}  // namespace
