// Host environment operations: the zoom match against the simulated map application, the view variables,
// the demand-load entry, the user's folders, the cache removal and the two geometric tests.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "app/app_fixture.h"
#include "mapsim/mapsim.h"
#include "platform/arx/acap/appinfo.h"
#include "platform/arx/acgs/gsmanager.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/unicode.h"

namespace {

using apptest::AppTest;

short ZoomFactor() {
    resbuf rb = {};
    EXPECT_EQ(acedGetVar(u"ZOOMFACTOR", &rb), RTNORM);
    return rb.resval.rint;
}

void SetZoomFactor(short value) {
    resbuf rb = {};
    rb.restype = RTSHORT;
    rb.resval.rint = value;
    ASSERT_EQ(acedSetVar(u"ZOOMFACTOR", &rb), RTNORM);
}

double ViewSize() {
    resbuf rb = {};
    EXPECT_EQ(acedGetVar(u"VIEWSIZE", &rb), RTNORM);
    return rb.resval.rreal;
}

class MatchZoom : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        LoadSettings();
        acdbHostApplicationServices()->setWorkingDatabase(&db);
        platform::SeedRegistryDword(HKEY_CURRENT_USER, kMapAppRegKey, u"LastVersion", 785);
        MapApiLinkInit(&g_MapApiLink);
        MapApiSetAppName(&g_MapApiLink, u"TarnArxWin");
        ASSERT_TRUE(sim.Start());
        g_MapAppState.m_nCoordType = 4;
        SetView();
    }
    void TearDown() override {
        sim.Stop();
        MapApiLinkFree(&g_MapApiLink);
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
        AppTest::TearDown();
    }
    // A view 100 wide and 50 high about (100, 200) on a screen of 1000 x 500 pixels.
    static void SetView() {
        platform::SysVarStore& vars = platform::CurrentSysVars();
        vars.Force(u"VIEWCTR", platform::SysVarValue::Point3d(AcGePoint3d(100, 200, 0)));
        vars.Force(u"VIEWSIZE", platform::SysVarValue::Real(50));
        vars.Force(u"SCREENSIZE", platform::SysVarValue::Point2d(1000, 500));
    }
    // The next 20301 answer reports a picture of this width.
    void AnswerWidth(uint32_t width) {
        mapsim::Bytes answer(112, 0);
        std::memcpy(answer.data() + 68, &width, 4);
        std::memcpy(answer.data() + 72, &width, 4);
        sim.ReplaceNextAnswer(20301, answer);
    }

    AcDbDatabase db;
    mapsim::MapSim sim;
    apptest::FrameStandIn frame;
};

TEST_F(MatchZoom, AsksForASquareOfOneHundredPixelsAndZoomsByTheMapsScale) {
    g_Settings.m_nMaxLevel = 22;
    MatchMapZoom();
    const auto requests = sim.RequestsOf(20301);
    ASSERT_EQ(requests.size(), 1u);
    const mapsim::Bytes& p = requests[0].payload;
    double box[4];
    std::memcpy(box, p.data() + 16, sizeof box);
    EXPECT_DOUBLE_EQ(box[0], 95.0);  // half a side = 50 pixels of 0.1 units
    EXPECT_DOUBLE_EQ(box[1], 195.0);
    EXPECT_DOUBLE_EQ(box[2], 105.0);
    EXPECT_DOUBLE_EQ(box[3], 205.0);
    uint64_t budget = 0;
    uint32_t level = 0;
    std::memcpy(&budget, p.data() + 56, 8);
    std::memcpy(&level, p.data() + 64, 4);
    EXPECT_EQ(budget, 20000u);
    EXPECT_EQ(level, 22u);
    // The simulator draws 141 pixels a side: the drawing shows 1.41 times less.
    EXPECT_EQ(g_nMapImageWidth, 141);
    EXPECT_NEAR(ViewSize(), 50.0 / 1.41, 1e-4);
    EXPECT_EQ(ZoomFactor(), 100);
    EXPECT_EQ(g_bZoomMatch, 0);

    // Widths are reduced by whole levels: 300 -> 1.5, 400 -> 1 (already a level), 100 -> 1.
    for (auto [width, factor] : {std::pair{300u, 1.5}, {400u, 1.0}, {100u, 1.0}}) {
        SCOPED_TRACE(width);
        SetView();
        AnswerWidth(width);
        MatchMapZoom();
        EXPECT_NEAR(ViewSize(), 50.0 / factor, 1e-9);
    }
}

TEST_F(MatchZoom, RefusalsFailuresAndMissingAnswersLeaveTheView) {
    // Longitude/latitude: refused before anything is asked.
    g_MapAppState.m_nCoordType = 2;
    ui.ExpectMessageBox(u"Zavrel当前的坐标系为经纬度，不支持该操作！");
    MatchMapZoom();
    EXPECT_TRUE(sim.RequestsOf(20301).empty());
    g_MapAppState.m_nCoordType = 4;

    // A failure answer is shown; a size from an earlier match is never reused.
    AnswerWidth(300);
    MatchMapZoom();
    SetView();
    SetZoomFactor(60);
    sim.FailCode(20301, -5, 1);
    ui.ExpectMessageBox(MapApiErrorText(-5));
    MatchMapZoom();
    EXPECT_DOUBLE_EQ(ViewSize(), 50.0);
    EXPECT_EQ(ZoomFactor(), 60);
    EXPECT_EQ(g_bZoomMatch, 0);
    EXPECT_EQ(g_nMapImageWidth, 0);

    // The answer comes only later, from the pump: nothing is zoomed, and the late answer is not taken.
    sim.SetAnswerMode(20301, mapsim::AnswerMode::Queued);
    MatchMapZoom();
    EXPECT_DOUBLE_EQ(ViewSize(), 50.0);
    platform::PumpMessages();
    EXPECT_EQ(g_nMapImageWidth, 0);

    // Without the map application: the readiness check speaks, nothing else happens.
    sim.Stop();
    ui.ExpectMessageBox(u"您尚未打开Zavrel地图");
    MatchMapZoom();
    EXPECT_DOUBLE_EQ(ViewSize(), 50.0);

    // Without a drawing: nothing at all.
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    MatchMapZoom();
}

TEST_F(MatchZoom, TheMapApplicationsLastAnswerDoesNotOutliveTheReset) {
    // A test that left the map in longitude/latitude must not make the next one's zoom match refuse.
    g_MapAppState.m_nCoordType = 2;
    g_MapAppState.m_bCoordKnown = 1;
    g_MapAppState.m_strMapName = u"WGS 84";
    g_bAfterClose = 1;
    ResetPluginState();
    EXPECT_EQ(g_MapAppState.m_nCoordType, 0u);
    EXPECT_EQ(g_MapAppState.m_bCoordKnown, 0);
    EXPECT_TRUE(g_MapAppState.m_strMapName.IsEmpty());
    EXPECT_EQ(g_bAfterClose, 0);
}

TEST_F(AppTest, ViewVariablesAreSetForTheBaseMapOnceAndRestoredToTheirStartUpValues) {
    SetZoomFactor(80);
    SaveViewVariables();
    EXPECT_EQ(g_ViewVarBackup.m_nZoomFactor, 80);
    EXPECT_EQ(g_ViewVarBackup.m_bGraphicsOption, 1);
    platform::GsState& gs = platform::GraphicsSystem();

    SetViewVariables(true);
    EXPECT_EQ(ZoomFactor(), 100);
    EXPECT_FALSE(gs.applied[0]);
    EXPECT_EQ(gs.changes, 1);
    EXPECT_EQ(gs.saves, 1);
    EXPECT_EQ(platform::Display().redraws, 1);
    EXPECT_EQ(g_ViewVarBackup.m_bReapply, 0);

    g_ViewVarBackup.m_bReapply = 1;
    SetViewVariables(true);  // nothing left to change
    EXPECT_EQ(gs.changes, 1);
    EXPECT_EQ(ZoomFactor(), 100);
    EXPECT_EQ(g_ViewVarBackup.m_bReapply, 0);

    SetViewVariables(false);
    EXPECT_EQ(ZoomFactor(), 80);
    EXPECT_TRUE(gs.applied[0]);
    EXPECT_EQ(gs.changes, 2);
    EXPECT_EQ(platform::Display().redraws, 2);  // only the base map's view redraws

    // Without a graphics system the variables are still kept.
    gs.available = false;
    SetViewVariables(true);
    EXPECT_EQ(ZoomFactor(), 100);
}

TEST_F(AppTest, DemandLoadEntryIsWrittenAndRemoved) {
    RegisterDemandLoad();
    const std::string dump = platform::DumpRegistry();
    const std::string module = platform::Utf16ToUtf8(platform::ToWindowsPath(pluginDir + "/TarnArx.arx"));
    EXPECT_NE(dump.find("[HKEY_CURRENT_USER\\Software\\TarnHost\\Applications\\TarnArx]\n"
                        "\"Description\"=\"TarnArx\"\n"
                        "\"LoadReasons\"=dword:0000000f\n"
                        "\"Module\"=\"" +
                        module + "\""),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("Applications\\TarnArx\\Commands]\n\"TarnArx\"=\"TarnArx\""), std::string::npos)
        << dump;
    EXPECT_NE(dump.find("Applications\\TarnArx\\Groups]\n\"TarnArx\"=\"TarnArx\""), std::string::npos)
        << dump;

    UnregisterDemandLoad();
    EXPECT_EQ(platform::DumpRegistry().find("TarnArx"), std::string::npos);
    UnregisterDemandLoad();  // nothing registered: nothing happens
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 0u);
}

TEST_F(AppTest, UsersFoldersComeFromTheHost) {
    EXPECT_EQ(GetLocalAppDataFolder(), Win(appData));
    EXPECT_EQ(GetTempFolder(), Win(temp));
    // No application-data folder: the settings file goes beside the plug-in, never to the drive's root.
    platform::SetLocalAppDataFolder("");
    EXPECT_TRUE(GetLocalAppDataFolder().IsEmpty());
    LoadSettings();
    EXPECT_EQ(g_strSettingsPath, Win(pluginDir) + u"\\TarnArx_setting.ini");
    EXPECT_TRUE(std::filesystem::exists(pluginDir + "/TarnArx_setting.ini"));
}

// The cache's folders the plug-in made, made its way: each marked as it is made.
void MakeTileFolders(const CString& mapTemp, const char16_t* drawingKey) {
    MakeCacheFolder(mapTemp);
    const CString tiles = mapTemp + u"\\" + drawingKey;
    MakeCacheFolder(tiles);
    MakeCacheFolder(tiles + u"\\1");
    MakeCacheFolder(tiles + u"\\1\\18");
}

// The clean-up knows the plug-in's folders by the mark it wrote as it made them, never by their names: a
// user's folders named like the plug-in's, with pictures named like tiles, stay; so does a folder whose mark
// is a link or holds another text, and whatever lies behind a link.
TEST_F(AppTest, OnlyThePluginsOwnCacheFilesAreDeleted) {
    namespace fs = std::filesystem;
    const std::string cache = root + "/Documents";  // the user's own "MapTemp" is there before the plug-in
    const std::string outside = root + "/outside";
    const std::string tiles = cache + "/MapTemp/4611686018427387904";
    fs::create_directories(cache + "/MapTemp/2024/05/17");
    tarntest::WriteFile(cache + "/MapTemp/2024/05/17/3_4.png", "mine");
    tarntest::WriteFile(cache + "/MapTemp/2024/05/17/-1_0.png", "mine");
    tarntest::WriteFile(cache + "/MapTemp/report.png", "mine");
    tarntest::WriteFile(cache + "/keep.txt", "keep");
    MakeTileFolders(Win(cache + "/MapTemp"), u"4611686018427387904");
    tarntest::WriteFile(tiles + "/1/18/3_4.png", "png");
    tarntest::WriteFile(tiles + "/1/18/-3_-4.png", "png");
    tarntest::WriteFile(tiles + "/1/18/notes.txt", "mine");  // a user's file among the tiles
    // A mark that is a link to a real mark, and a mark of another text, make no folder the plug-in's.
    fs::create_directories(cache + "/MapTemp/77");
    tarntest::WriteFile(cache + "/MapTemp/77/0_0.png", "mine");
    fs::create_symlink(tiles + "/TarnArx.cache", cache + "/MapTemp/77/TarnArx.cache");
    fs::create_directories(cache + "/MapTemp/78");
    tarntest::WriteFile(cache + "/MapTemp/78/TarnArx.cache", "TarnArx tile cache folder\r\nand more");
    tarntest::WriteFile(cache + "/MapTemp/78/0_0.png", "mine");
    // Behind a link, even a tree the plug-in made is never reached.
    fs::create_directories(outside);
    MakeTileFolders(Win(outside + "/MapTemp"), u"5");
    tarntest::WriteFile(outside + "/MapTemp/5/1/18/1_1.png", "png");
    fs::create_directory_symlink(outside + "/MapTemp/5", cache + "/MapTemp/123");

    DeleteMapTempFolder(Win(cache) + u"\\");
    EXPECT_FALSE(fs::exists(tiles + "/1/18/3_4.png"));
    EXPECT_FALSE(fs::exists(tiles + "/1/18/-3_-4.png"));
    EXPECT_EQ(tarntest::ReadFile(tiles + "/1/18/notes.txt"), "mine");
    EXPECT_EQ(tarntest::ReadFile(cache + "/MapTemp/2024/05/17/3_4.png"), "mine");
    EXPECT_EQ(tarntest::ReadFile(cache + "/MapTemp/2024/05/17/-1_0.png"), "mine");
    EXPECT_EQ(tarntest::ReadFile(cache + "/MapTemp/report.png"), "mine");
    EXPECT_EQ(tarntest::ReadFile(cache + "/MapTemp/77/0_0.png"), "mine");
    EXPECT_EQ(tarntest::ReadFile(cache + "/MapTemp/78/0_0.png"), "mine");
    EXPECT_EQ(tarntest::ReadFile(cache + "/keep.txt"), "keep");
    EXPECT_TRUE(fs::exists(outside + "/MapTemp/5/1/18/1_1.png"));
    // The folder held by the user's file keeps its mark: once the file is gone, the next clean-up takes it.
    fs::remove(tiles + "/1/18/notes.txt");
    DeleteMapTempFolder(Win(cache));
    EXPECT_FALSE(fs::exists(tiles));
    EXPECT_TRUE(fs::exists(cache + "/MapTemp/2024/05/17/3_4.png"));  // "MapTemp" was the user's: it stays

    // A cache the plug-in made goes whole; at a drive's root as anywhere, "D:" alone being that root (never
    // the current folder, which here holds a cache of its own).
    const std::string drive = root + "/drive";
    const std::string here = root + "/here";
    fs::create_directories(drive + "/photos");
    fs::create_directories(here);
    tarntest::WriteFile(drive + "/photos/1_1.png", "mine");
    platform::MapDrive(u'D', drive);
    HoldMapTempFolder(u"D:\\");
    MakeTileFolders(u"D:\\MapTemp", u"42");
    tarntest::WriteFile(drive + "/MapTemp/42/1/18/0_0.png", "png");
    MakeTileFolders(Win(here + "/MapTemp"), u"42");
    const std::string before = fs::current_path().string();
    ASSERT_EQ(::chdir(here.c_str()), 0);
    DeleteMapTempFolder(u"D:");
    ASSERT_EQ(::chdir(before.c_str()), 0);
    EXPECT_FALSE(fs::exists(drive + "/MapTemp"));
    EXPECT_EQ(tarntest::ReadFile(drive + "/photos/1_1.png"), "mine");
    EXPECT_TRUE(fs::exists(here + "/MapTemp/42/1/18"));

    // An empty or blank root is no root: "MapTemp" of the current folder stays.
    ASSERT_EQ(::chdir(here.c_str()), 0);
    DeleteMapTempFolder(u"");
    DeleteMapTempFolder(u"   ");
    ASSERT_EQ(::chdir(before.c_str()), 0);
    EXPECT_TRUE(fs::exists(here + "/MapTemp/42/1/18"));

    // One folder however written; and inside another.
    EXPECT_TRUE(IsSameFolder(u"C:\\Data\\Cache", u"c:\\data\\cache\\"));
    EXPECT_TRUE(IsSameFolder(u"C:\\Data\\Cache", u"C:\\Data\\.\\Old\\..\\Cache"));
    EXPECT_FALSE(IsSameFolder(u"C:\\Data\\Cache", u"C:\\Data\\Cache2"));
    EXPECT_FALSE(IsSameFolder(u"", u""));
    EXPECT_TRUE(IsFolderWithin(u"C:\\Data\\Cache\\MapTemp\\x", u"C:\\Data\\Cache\\"));
    EXPECT_FALSE(IsFolderWithin(u"C:\\Data\\Cache2", u"C:\\Data\\Cache"));
    EXPECT_FALSE(IsFolderWithin(u"C:\\Data\\Cache", u"C:\\Data\\Cache"));
}

// The lock is made, never opened: a link in its place (to a user's file, or to nowhere) goes, and the file it
// led to keeps its text. A lock left by an ended process goes at the clean-up, also when "MapTemp" stays for
// the user's files in it.
TEST_F(AppTest, TheCacheLockIsNeverWrittenThroughALinkAndStaleLocksGo) {
    namespace fs = std::filesystem;
    const std::string cache = root + "/shared";
    const std::string lock = cache + "/MapTemp/TarnArx_" + std::to_string(::getpid()) + ".lock";
    fs::create_directories(cache + "/MapTemp");
    tarntest::WriteFile(root + "/letter.txt", "dear");
    fs::create_symlink(root + "/letter.txt", lock);
    HoldMapTempFolder(Win(cache));
    EXPECT_EQ(tarntest::ReadFile(root + "/letter.txt"), "dear");
    EXPECT_FALSE(fs::is_symlink(lock));
    EXPECT_TRUE(fs::is_regular_file(lock));
    fs::remove(lock);
    fs::create_symlink(root + "/nowhere.txt", lock);
    HoldMapTempFolder(Win(cache));
    EXPECT_FALSE(fs::exists(root + "/nowhere.txt"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(lock)));

    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string stale = cache + "/MapTemp/TarnArx_" + std::to_string(child) + ".lock";
    tarntest::WriteFile(stale, "");
    MakeTileFolders(Win(cache + "/MapTemp"), u"9");
    tarntest::WriteFile(cache + "/MapTemp/9/1/18/0_0.png", "png");
    tarntest::WriteFile(cache + "/MapTemp/mine.txt", "mine");
    DeleteMapTempFolder(Win(cache));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(lock));
    EXPECT_FALSE(fs::exists(cache + "/MapTemp/9"));
    EXPECT_EQ(tarntest::ReadFile(cache + "/MapTemp/mine.txt"), "mine");
}

// The cache root has one normal form, whatever the source: made again it is itself. A last name ending in a
// blank is trimmed like the whole text, so ".. " steps up; "C:" alone is the drive's root.
TEST(CacheRoot, TheNormalFormHoldsWhenMadeAgain) {
    for (const char16_t* typed :
         {u"C:\\r\\.. \\", u"C:\\r\\.. ", u"  C:\\data\\x \\ ", u"C:\\a\\.\\b\\..\\c\\\\", u"C:", u"c:\\",
          u"D:", u"D:/maps/", u"C:\\a \\b", u"C:\\r\\ .. \\"}) {
        const CString once = FullCacheRoot(typed);
        EXPECT_FALSE(once.IsEmpty()) << platform::Utf16ToUtf8(typed);
        EXPECT_EQ(FullCacheRoot(once), once) << platform::Utf16ToUtf8(typed);
    }
    EXPECT_EQ(FullCacheRoot(u"C:\\r\\.. \\"), CString(u"C:\\"));
    EXPECT_EQ(FullCacheRoot(u"C:"), CString(u"C:\\"));
    EXPECT_TRUE(FullCacheRoot(u"C:\\a|b").IsEmpty());
}

// The zone is the quotient itself, so zone 45 ends at 45,000,000 (whose remainder 0 fails).
TEST(GaussEasting, ZoneAndFalseEastingRanges) {
    for (double x : {160000.0, 840000.0, 500000.0, 39500000.0, 13160000.0, 44840000.0, 39840000.0}) {
        EXPECT_TRUE(IsValidGaussEasting(x)) << x;
    }
    for (double x : {159999.9, 840000.1, 1000000.0, 12500000.0, 45500000.0, 45160000.0, 39100000.0,
                     39900000.0, -500000.0, 0.0, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(IsValidGaussEasting(x)) << x;
    }
}

AcGePoint3dArray Points(std::initializer_list<std::pair<double, double>> xy) {
    AcGePoint3dArray out;
    for (auto [x, y] : xy) {
        out.append(AcGePoint3d(x, y, 0));
    }
    return out;
}

TEST(PolygonContains, CountsCrossingsByTheRulesForEdgesAndVertices) {
    const AcGePoint3dArray square = Points({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_TRUE(PolygonContainsPoints(square, Points({{0.5, 0.5}})));
    EXPECT_FALSE(PolygonContainsPoints(square, Points({{1.5, 0.5}})));
    EXPECT_FALSE(PolygonContainsPoints(square, Points({{0.5, 0.5}, {0.5, 1.5}})));  // every point must be in
    EXPECT_TRUE(PolygonContainsPoints(square, AcGePoint3dArray()));
    EXPECT_FALSE(PolygonContainsPoints(AcGePoint3dArray(), Points({{0, 0}})));

    // On an edge or a vertex the rules decide: the bottom, top and right edges count as inside, the left edge
    // and the corner at the origin as outside.
    EXPECT_TRUE(PolygonContainsPoints(square, Points({{0.5, 0.0}})));
    EXPECT_TRUE(PolygonContainsPoints(square, Points({{0.5, 1.0}})));
    EXPECT_TRUE(PolygonContainsPoints(square, Points({{1.0, 0.5}})));
    EXPECT_FALSE(PolygonContainsPoints(square, Points({{0.0, 0.5}})));
    EXPECT_FALSE(PolygonContainsPoints(square, Points({{0.0, 0.0}})));

    // A repeated vertex is a crossing only at the point's height.
    const AcGePoint3dArray repeated = Points({{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_TRUE(PolygonContainsPoints(repeated, Points({{0.5, 0.5}})));

    // Slanted edges, and coordinates far from the origin.
    const AcGePoint3dArray triangle = Points({{0, 0}, {4, 0}, {2, 4}});
    EXPECT_TRUE(PolygonContainsPoints(triangle, Points({{2, 1}, {1.5, 2.5}})));
    EXPECT_FALSE(PolygonContainsPoints(triangle, Points({{0.5, 3}})));
    const double big = 1e15;
    const AcGePoint3dArray far =
        Points({{big, big}, {big + 4e6, big}, {big + 4e6, big + 4e6}, {big, big + 4e6}});
    EXPECT_TRUE(PolygonContainsPoints(far, Points({{big + 1e6, big + 2e6}})));
    EXPECT_FALSE(PolygonContainsPoints(far, Points({{big - 1e6, big + 2e6}})));
}

}  // namespace
