// The toolbar end to end: the plug-in loaded into tarnhost, its buttons pressed as the user presses them, the
// simulated map application answering, and the drawings checked afterwards.
#include <filesystem>

#include "basemap/tile_landing.h"
#include "host_fixture.h"
#include "platform/win32/bus/bus_hooks.h"

namespace {

using platform::CommandOutcome;

constexpr double kRefX = 500000.0;
constexpr double kRefY = 3000000.0;

class ToolBarE2eTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        platform::SetScreenSize(1920, 1080);
        mapsim::MapSim& map = host.MapSim();
        std::array<uint8_t, 16> digest{};
        digest[0] = 9;
        map.SetCoordState(3, digest, "local grid");
        map.SetGridOrigin(kRefX, kRefY);
        map.SetMapState(15, 1);
    }

    void LoadPlugin() {
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    }
    std::string Console() const { return out.str(); }
    std::string SaveAs(const std::string& name) {
        const std::string path = dir + "/" + name;
        EXPECT_EQ(Run("SAVEAS", {path}), CommandOutcome::kEnded);
        return path;
    }
    void Settle() {
        for (int i = 0; i < 8; ++i) {
            host.Wait(500);
        }
    }
    // The files of the drawing's raster images (host paths).
    std::vector<std::string> ImageFiles(AcDbDatabase* db) const {
        std::vector<std::string> files;
        for (AcDbObjectId id : tarnhost::ModelSpaceIds(db)) {
            AcDbRasterImage* image = nullptr;
            if (acdbOpenObject(image, id, AcDb::kForRead) != Acad::eOk) {
                continue;
            }
            AcDbRasterImageDef* def = nullptr;
            if (acdbOpenObject(def, image->imageDefId(), AcDb::kForRead) == Acad::eOk) {
                files.push_back(platform::ToHostPath(def->sourceFileName()));
                def->close();
            }
            image->close();
        }
        return files;
    }
};

TEST_F(ToolBarE2eTest, TheToolbarComesWithThePluginDocksFloatsAndGoesWithIt) {
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("No toolbar."), std::string::npos);
    LoadPlugin();
    Mark();
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    const std::string listed = Printed();
    EXPECT_NE(listed.find("Toolbar \"Zavrel工具栏(V1.4.1)\": floating at (1645,70), shown"),
              std::string::npos)
        << listed;
    for (const char* line : {"1 发送 发送所选对象到Zavrel (32768) image 0",
                             "2 底图 加载在线底图 (32769) image 5", "3 下载 下载底图到本地 (32770) image 2",
                             "4 关联点 设置关联点 (32772) image 3", "5 设置 设置属性 (32773) image 4"}) {
        EXPECT_NE(listed.find(line), std::string::npos) << line << "\n" << listed;
    }
    EXPECT_EQ(listed.find("disabled"), std::string::npos);

    Mark();
    ASSERT_EQ(Run("TOOLBAR DOCK LEFT"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("docked on the left"), std::string::npos);
    // The command TARN floats it again near the top right.
    Mark();
    ASSERT_EQ(Run("TARN"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("floating at (1685,70)"), std::string::npos) << Printed();
    EXPECT_EQ(Run("TOOLBAR 9"), CommandOutcome::kFailed);
    EXPECT_EQ(Run("TOOLBAR DOCK MIDDLE"), CommandOutcome::kFailed);

    std::string error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    Mark();
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("No toolbar."), std::string::npos);
    EXPECT_EQ(Run("TOOLBAR 1"), CommandOutcome::kFailed);
    // Loaded again: one toolbar again.
    LoadPlugin();
    Mark();
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    EXPECT_EQ(e2e::Count(Printed(), "Toolbar \""), 1);
}

TEST_F(ToolBarE2eTest, SendIsRefusedWithoutTheMapOrInLongitudeLatitudeAndGoesInAPlaneGrid) {
    SaveAs("site.dxf");
    LoadPlugin();
    ASSERT_EQ(Run("MAPSIM STOP"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    EXPECT_EQ(e2e::Count(Console(), "您尚未打开Zavrel地图，无法使用插件功能！"), 1) << Console();

    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    host.Wait(6000);  // the plug-in registers again
    ASSERT_EQ(Run("MAPSIM GRID 2 0 0 12"), CommandOutcome::kEnded);
    host.Wait(100);  // the reopen check the first command started has its answer: the button asks anew
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("TOOLBAR 1"), CommandOutcome::kEnded);
    EXPECT_EQ(e2e::Count(Console(), "Zavrel当前的坐标系为经纬度，不支持该操作！"), 1) << Console();
    EXPECT_EQ(host.MapSim().RequestsOf(20202).size(), 1u);
    EXPECT_TRUE(host.MapSim().RequestsOf(20110).empty());

    // In a plane grid the selection goes: its layer's folder, then the line as a track.
    ASSERT_EQ(Run("MAPSIM GRID 3 0 0 12"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("LINE 0,0 10,5", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SELECT", {"last", ""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR 1"), CommandOutcome::kEnded);
    Mark();
    ASSERT_EQ(Run("MAPSIM LIST"), CommandOutcome::kEnded);
    EXPECT_EQ(e2e::Count(Printed(), " type 8 in "), 1) << Printed();
}

TEST_F(ToolBarE2eTest, TheBaseMapButtonLaysTilesUnderTheViewAndTakesThemAway) {
    SaveAs("site.dxf");
    LoadPlugin();
    ASSERT_EQ(Run("ZOOM 495000,2997000 505000,3003000"), CommandOutcome::kEnded);
    Settle();
    ASSERT_TRUE(ImageFiles(host.Drawing()).empty());
    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    Settle();
    const std::vector<std::string> tiles = ImageFiles(host.Drawing());
    ASSERT_FALSE(tiles.empty());
    for (const std::string& file : tiles) {
        EXPECT_TRUE(std::filesystem::exists(file)) << file;
    }
    Mark();
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("(32769) image 1"), std::string::npos);
    ASSERT_EQ(Run("TOOLBAR 2"), CommandOutcome::kEnded);
    Settle();
    EXPECT_TRUE(ImageFiles(host.Drawing()).empty());
}

// A save takes the tiles out of the drawing through the button, so the button shows the base map off and the
// next press lays the tiles again instead of doing nothing visible.
TEST_F(ToolBarE2eTest, ASaveSwitchesTheBaseMapOffAndTheButtonShowsIt) {
    SaveAs("site.dxf");
    LoadPlugin();
    ASSERT_EQ(Run("ZOOM 495000,2997000 505000,3003000"), CommandOutcome::kEnded);
    Settle();
    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    Settle();
    ASSERT_FALSE(ImageFiles(host.Drawing()).empty());
    Mark();
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    ASSERT_NE(Printed().find("(32769) image 1"), std::string::npos) << Printed();

    SaveAs("site2.dxf");
    EXPECT_TRUE(ImageFiles(host.Drawing()).empty());
    Mark();
    ASSERT_EQ(Run("TOOLBAR"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("(32769) image 5"), std::string::npos) << Printed();

    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    Settle();
    EXPECT_FALSE(ImageFiles(host.Drawing()).empty());
}

// While the drawing refuses the plug-in its lock, the base map lays no tile and leaves no lock behind; once
// granted, switching it off and on again lays the tiles.
TEST_F(ToolBarE2eTest, TheBaseMapLaysNoTileWhileTheDrawingRefusesItsLock) {
    SaveAs("site.dxf");
    LoadPlugin();
    ASSERT_EQ(Run("ZOOM 495000,2997000 505000,3003000"), CommandOutcome::kEnded);
    Settle();
    const int refused = platform::RefusedLocks();
    platform::SetLockRefusal([](AcApDocument*, AcAp::DocLockMode mode) { return mode == AcAp::kWrite; });
    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    Settle();
    EXPECT_GT(platform::RefusedLocks(), refused);
    EXPECT_TRUE(ImageFiles(host.Drawing()).empty());
    EXPECT_EQ(platform::LockDepth(host.Document()), 0);
    EXPECT_EQ(platform::LockViolations(), std::vector<std::string>());
    platform::SetLockRefusal(nullptr);
    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR 底图"), CommandOutcome::kEnded);
    Settle();
    EXPECT_FALSE(ImageFiles(host.Drawing()).empty());
}

// Only the drawing current when the plug-in started shows the base map so far; the other drawing here is
// opened after it, and the move is made from there.
TEST_F(ToolBarE2eTest, TheSettingsDialogMovesTheCacheAwayFromUnderADrawingThatShowsTiles) {
    namespace fs = std::filesystem;
    const std::string shows = SaveAs("shows.dxf");
    LoadPlugin();
    ASSERT_EQ(Run("ZOOM 495000,2997000 505000,3003000"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR 2"), CommandOutcome::kEnded);
    Settle();
    AcDbDatabase* tiled = host.Drawing();
    const std::vector<std::string> before = ImageFiles(tiled);
    ASSERT_FALSE(before.empty());
    const std::string oldCache = before.front().substr(0, before.front().find("/MapTemp/"));
    ASSERT_NE(host.NewDrawing(), nullptr);
    SaveAs("other.dxf");

    const std::string newRoot = dir + "/new-cache";
    fs::create_directories(newRoot);
    ASSERT_EQ(Run("TOOLBAR 设置", {"click 8141", "folder " + newRoot, "click IDOK", "click IDOK"}),
              CommandOutcome::kEnded);
    Settle();
    EXPECT_FALSE(fs::exists(oldCache + "/MapTemp")) << oldCache;
    // The drawing that showed the old cache's tiles shows none whose file is gone.
    for (const std::string& file : ImageFiles(tiled)) {
        EXPECT_TRUE(fs::exists(file)) << file;
    }
    // Back in it, the base map comes again from the new cache: switched on again (the saves above switched
    // it off, as every save does), and when the view moves.
    std::string error;
    ASSERT_NE(host.OpenDrawing(shows, &error), nullptr) << error;
    ASSERT_EQ(Run("TOOLBAR 2"), CommandOutcome::kEnded);
    Settle();
    ASSERT_EQ(Run("ZOOM 494000,2996000 506000,3004000"), CommandOutcome::kEnded);
    Settle();
    const std::vector<std::string> after = ImageFiles(host.Drawing());
    EXPECT_FALSE(after.empty());
    for (const std::string& file : after) {
        EXPECT_TRUE(fs::exists(file)) << file;
        EXPECT_EQ(file.rfind(newRoot + "/MapTemp/", 0), 0u) << file;
    }
}

}  // namespace

namespace {

// With every drawing closed the roads that need one say so in the host's words and lose nothing: the buttons
// and the plug-in's commands, the map user's "send to CAD" (its objects stay in the map, and arrive once a
// drawing is open) and a rendered view, which reports no failure to load.
TEST_F(ToolBarE2eTest, WithoutADrawingEachRoadSaysSoAndTheMapKeepsItsObjects) {
    LoadPlugin();
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    ASSERT_EQ(host.Document(), nullptr);
    for (const char* button : {"发送", "底图", "下载", "关联点"}) {
        Mark();
        EXPECT_EQ(Run(std::string("TOOLBAR ") + button), CommandOutcome::kEnded) << button;
        EXPECT_EQ(e2e::Count(Printed(), "No drawing is open."), 1) << button << ": " << Printed();
    }
    for (const char* command : {"TARN", "MATCHTARN", "CLEARMAP", "test"}) {
        Mark();
        EXPECT_EQ(Run(command), CommandOutcome::kFailed) << command;
        EXPECT_EQ(e2e::Count(Printed(), "No drawing is open."), 1) << command << ": " << Printed();
    }
    Mark();
    EXPECT_EQ(Run("NOSUCHCOMMAND"), CommandOutcome::kUnknown);  // a typo is still a typo
    EXPECT_EQ(Printed().find("No drawing is open."), std::string::npos) << Printed();

    ASSERT_EQ(Run("MAPSIM SAMPLES"), CommandOutcome::kEnded);
    const size_t objects = host.MapSim().Objects().size();
    host.MapSim().ClearRecords();
    Mark();
    ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    host.Wait(500);
    EXPECT_EQ(e2e::Count(Printed(), "No drawing is open."), 1) << Printed();
    EXPECT_TRUE(host.MapSim().RequestsOf(20110).empty());  // the selection was not fetched
    EXPECT_EQ(host.MapSim().Objects().size(), objects);

    Mark();
    ASSERT_EQ(Run("MAPSIM RENDER 0 0 10 10 15"), CommandOutcome::kEnded);
    host.Wait(500);
    EXPECT_EQ(Printed().find("加载底图失败"), std::string::npos) << Printed();
    EXPECT_EQ(e2e::Count(Printed(), "No drawing is open."), 1) << Printed();

    // A drawing again: the same choice brings the objects the map kept.
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    host.Wait(2500);
    ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    host.Wait(500);
    EXPECT_GE(Entities().size(), 21u);
    EXPECT_EQ(host.MapSim().Objects().size(), objects);
}

}  // namespace
