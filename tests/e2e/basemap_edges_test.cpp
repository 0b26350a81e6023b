// The base map's edges end to end: the order the grid is asked and inserted in, the level the view is held
// to at its bounds, the map application's start level, answers of a level the view has left, and where the
// grid's origin comes from for plane coordinates. Every number is worked out here from the tile scheme's
// rules, from what the simulated map application was asked, or from what it drew.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "basemap_fixture.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/arxutil/ViewUtil.h"

namespace {

using e2e::kRefX;
using e2e::kRefY;
using e2e::kScreenH;
using e2e::kScreenW;
using e2e::kTilePixels;
using platform::CommandOutcome;

// Column and row of a tile file "...\<col>_<row>.png", level from the folder above it.
struct TileName {
    int level = 0, col = 0, row = 0;
};
TileName ParseTile(const std::string& path) {
    TileName t;
    const size_t file = path.rfind('\\');
    const size_t levelAt = path.rfind('\\', file - 1);
    std::sscanf(path.c_str() + file + 1, "%d_%d.png", &t.col, &t.row);
    t.level = std::atoi(path.substr(levelAt + 1, file - levelAt - 1).c_str());
    return t;
}

// One axis of the lattice: the central index, rounding halves up above the reference and truncating toward
// zero below it.
int CentralIndex(double centre, double reference, double size) {
    const double t = (centre - reference) / size;
    int index = static_cast<int>(std::trunc(t));
    if (t - std::trunc(t) >= 0.5) {
        ++index;
    }
    return index;
}

// Tiles laid on each side of the central one: the extent truncated, halved as an integer, in tiles, plus 2.
int HalfCountOf(double extent, double size) {
    const long long whole = static_cast<long long>(std::trunc(extent));
    return static_cast<int>(std::trunc(static_cast<double>(whole / 2) / size + 2.0));
}

// Every raster image appended to the drawing, in order, with the display's update count at that moment.
class AppendRecorder : public AcDbDatabaseReactor {
public:
    struct Entry {
        AcDbObjectId definition;
        int updates = 0;
    };
    void objectAppended(const AcDbDatabase*, const AcDbObject* object) override {
        if (const AcDbRasterImage* image = AcDbRasterImage::cast(object)) {
            entries.push_back({image->imageDefId(), platform::Display().updateDisplay});
        }
    }
    std::string PathOf(const Entry& e) const {
        AcDbRasterImageDef* def = nullptr;
        if (acdbOpenObject(def, e.definition, AcDb::kForRead, true) != Acad::eOk) {
            return std::string();
        }
        const std::string path = platform::Utf16ToUtf8(def->sourceFileName());
        def->close();
        return path;
    }
    std::vector<Entry> entries;
};

using BaseMapEdges = e2e::BaseMapHostTest;

TEST_F(BaseMapEdges, TheGridIsAskedRingByRingAndKnownTilesGoInCentreFirstWithOneRedraw) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    ASSERT_EQ(Landed().errors, "");

    // The grid of the first layout, from the view it laid out.
    const ViewRectInfo view = View();
    const double size = kTilePixels * Res(15);
    const int col0 = CentralIndex((view.minX + view.maxX) / 2, kRefX, size);
    const int row0 = CentralIndex((view.minY + view.maxY) / 2, kRefY, size);
    const int nx = HalfCountOf(view.maxX - view.minX, size);
    const int ny = HalfCountOf(view.maxY - view.minY, size);
    ASSERT_NE(nx, ny);  // a wide view: its extra columns come first
    const std::vector<std::pair<int, int>> ring = tiletest::SchemeRingOrder(nx, ny);
    const std::vector<mapsim::Request> asked = host.MapSim().RequestsOf(20302);
    ASSERT_FALSE(asked.empty());
    const std::vector<mapsim::MapFileRecord> first = RecordsOf(asked[0]);
    ASSERT_EQ(first.size(), ring.size());
    for (size_t k = 0; k < first.size(); ++k) {
        const TileName t = ParseTile(first[k].path);
        EXPECT_EQ(std::make_pair(t.col - col0, t.row - row0), ring[k]) << k << " " << first[k].path;
        EXPECT_EQ(t.level, 15);
    }

    // Another level replaces them all; back at 15 every tile is known and goes in from the centre outwards,
    // each one below the last, the display redrawn once, after the last.
    ZoomTo(kRefX, kRefY, 16);
    Settle();
    ASSERT_EQ(Landed().CountAtLevel(15), 0u);
    host.MapSim().ClearRecords();
    AppendRecorder recorder;
    host.Drawing()->addReactor(&recorder);
    const int updatesBefore = platform::Display().updateDisplay;
    ZoomTo(kRefX, kRefY, 15);
    Settle();
    host.Drawing()->removeReactor(&recorder);
    EXPECT_TRUE(FileRequests().empty());
    ASSERT_EQ(recorder.entries.size(), ring.size());
    for (size_t k = 0; k < recorder.entries.size(); ++k) {
        const TileName t = ParseTile(recorder.PathOf(recorder.entries[k]));
        EXPECT_EQ(std::make_pair(t.col - col0, t.row - row0), ring[ring.size() - 1 - k]) << k;
        EXPECT_EQ(recorder.entries[k].updates, recorder.entries[0].updates)
            << "a redraw before insertion " << k;
    }
    EXPECT_GT(platform::Display().updateDisplay, recorder.entries.back().updates);
    EXPECT_GE(recorder.entries[0].updates, updatesBefore);
    const tiletest::Landing landing = Landed();
    EXPECT_EQ(landing.errors, "");
    // Bottom up, the draw order of the tiles is the ring order: the outermost lowest, the centre on top.
    std::vector<std::pair<int, int>> drawn;
    for (const tiletest::LandedTile& t : landing.tiles) {
        drawn.push_back({t.col - col0, t.row - row0});
    }
    std::vector<std::pair<int, int>> expected;
    for (const auto& cell : ring) {
        if (std::find(drawn.begin(), drawn.end(), cell) != drawn.end()) {
            expected.push_back(cell);
        }
    }
    EXPECT_EQ(drawn, expected);
    EXPECT_EQ(drawn.back(), std::make_pair(0, 0));
}

TEST_F(BaseMapEdges, TheViewIsNudgedOnlyBeyondFivePercentAndAGapFallsToTheFinerLevel) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    const double x = kRefX + 3000, y = kRefY - 2000;
    // Within 5 % of level 14: left as it is. Beyond: zoomed to fit level 14 exactly.
    for (double ratio : {1.04, 0.96, 1.06, 0.94}) {
        SCOPED_TRACE(ratio);
        Mark();
        ZoomTo(x, y, 14, ratio);
        Settle();
        const ViewRectInfo view = View();
        const double fit = std::fabs(ratio - 1.0) < 0.05 ? ratio : 1.0;
        EXPECT_NEAR((view.maxX - view.minX) / (kScreenW * Res(14)), fit, 1e-9);
        EXPECT_NEAR((view.maxY - view.minY) / (kScreenH * Res(14)), fit, 1e-9);
        EXPECT_NEAR((view.minX + view.maxX) / 2, x, 1e-6);
        EXPECT_NEAR((view.minY + view.maxY) / 2, y, 1e-6);
        EXPECT_EQ(Landed().errors, "");
        EXPECT_EQ(Landed().CountAtLevel(14), Landed().tiles.size());
    }
    // 0.7 of level 12 matches no level within 0.8..1.2; the finest level above 0.6 of the view's units per
    // pixel is 13 (0.5 / 0.7), and the view is zoomed to it.
    Mark();
    ZoomTo(x, y, 12, 0.7);
    Settle();
    const ViewRectInfo view = View();
    EXPECT_NEAR((view.maxX - view.minX) / (kScreenW * Res(13)), 1.0, 1e-9);
    EXPECT_NEAR((view.minX + view.maxX) / 2, x, 1e-6);
    EXPECT_EQ(e2e::Count(Printed(), "Level:13"), 1) << Printed();
    EXPECT_EQ(Landed().errors, "");
    EXPECT_GT(Landed().CountAtLevel(13), 0u);
}

TEST_F(BaseMapEdges, TheMapApplicationsStartLevelIsHeldWithinFiveAndEighteen) {
    for (const auto& [start, level] : {std::pair{20, 18}, std::pair{3, 5}}) {
        SCOPED_TRACE(start);
        host.MapSim().SetMapState(static_cast<uint32_t>(start), 1);
        ZoomTo(kRefX + 777, kRefY - 333, 15);
        Mark();
        LoadWithBaseMap();
        Settle();
        // The first load shows the clamped level about the reference point.
        const ViewRectInfo view = View();
        EXPECT_NEAR((view.minX + view.maxX) / 2, kRefX, 1e-6);
        EXPECT_NEAR((view.minY + view.maxY) / 2, kRefY, 1e-6);
        EXPECT_NEAR(view.maxX - view.minX, 2 * (kScreenW / 2) * Res(level), 1e-6 * Res(level));
        EXPECT_EQ(e2e::Count(Printed(), "Level:" + std::to_string(level) + "\n"), 1) << Printed();
        const tiletest::Landing landing = Landed();
        EXPECT_EQ(landing.errors, "");
        EXPECT_GT(landing.CountAtLevel(level), 0u);
        EXPECT_EQ(landing.CountAtLevel(level), landing.tiles.size());
        std::string error;
        ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    }
}

TEST_F(BaseMapEdges, ATileOfALevelTheViewHasLeftIsKnownButNotInserted) {
    // The map application writes the level-15 tiles but its answer (all of them in one message) is lost.
    host.MapSim().SetMapFileAnswersTogether(true);
    host.MapSim().ReplaceNextAnswer(20302, mapsim::Bytes(1, 0));
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    Settle();
    const std::vector<mapsim::Request> requests = host.MapSim().RequestsOf(20302);
    ASSERT_FALSE(requests.empty());
    const size_t asked = RecordsOf(requests[0]).size();
    ASSERT_GT(asked, 0u);
    ASSERT_TRUE(Landed(false).tiles.empty());
    // The view moves to level 16, whose own tiles never come; then the level-15 answers arrive.
    host.MapSim().SetMapFileAnswersTogether(false);
    host.MapSim().SetMapFilesNotReady(1 << 20);
    ZoomTo(kRefX, kRefY, 16);
    Settle();
    const mapsim::Bytes& payload = requests[0].payload;
    for (size_t at = 16; at + mapsim::kMapFileRecordSize <= payload.size();
         at += mapsim::kMapFileRecordSize) {
        mapsim::Bytes answer(payload.begin() + long(at),
                             payload.begin() + long(at + mapsim::kMapFileRecordSize));
        mapsim::Put<int32_t>(answer, 20, 1);
        answer[280] = 1;
        EXPECT_EQ(host.MapSim().SendRaw(20302, answer), 0);
    }
    Settle();
    EXPECT_TRUE(Landed(false).tiles.empty());
    // Their files are known: back at 15 they go in without being asked again.
    host.MapSim().SetMapFilesNotReady(0);
    host.MapSim().ClearRecords();
    ZoomTo(kRefX, kRefY, 15);
    Settle();
    EXPECT_TRUE(FileRequests(15).empty());
    const tiletest::Landing landing = Landed();
    EXPECT_EQ(landing.errors, "");
    EXPECT_EQ(landing.CountAtLevel(15), asked);
}

TEST_F(BaseMapEdges, TilesHeldDuringACommandAreDroppedWhenTheViewLeftTheirLevel) {
    ZoomTo(kRefX, kRefY, 15);
    LoadWithBaseMap();
    // A command during which the host's message loop runs: the base map loads, its tiles are asked for and
    // written, and their answers are held; then the command zooms to level 16, whose tiles never come.
    size_t heldWritten = 0;
    platform::DefineHostCommand(u"WAITZOOM", [&] {
        for (int i = 0; i < 8; ++i) {
            platform::AdvanceClock(500);
            platform::PumpMessages();
        }
        heldWritten = host.MapSim().WrittenFiles().size();
        host.MapSim().SetMapFilesNotReady(1 << 20);
        const double hw = kScreenW / 2.0 * Res(16), hh = kScreenH / 2.0 * Res(16);
        CViewUtil::ZoomWindow(AcGePoint3d(kRefX - hw, kRefY - hh, 0), AcGePoint3d(kRefX + hw, kRefY + hh, 0),
                              1.0);
        return CommandOutcome::kEnded;
    });
    ASSERT_EQ(host.Run("WAITZOOM"), CommandOutcome::kEnded);
    platform::RemoveHostCommand(u"WAITZOOM");
    ASSERT_GT(heldWritten, 0u);
    ASSERT_TRUE(Landed(false).tiles.empty());
    host.Wait(10);
    Settle();
    EXPECT_TRUE(Landed(false).tiles.empty());
    // They stay known: back at 15 they go in without being asked.
    host.MapSim().SetMapFilesNotReady(0);
    host.MapSim().ClearRecords();
    ZoomTo(kRefX, kRefY, 15);
    Settle();
    EXPECT_TRUE(FileRequests(15).empty());
    EXPECT_EQ(Landed().errors, "");
    EXPECT_EQ(Landed().CountAtLevel(15), heldWritten);
}

TEST_F(BaseMapEdges, PlaneCoordinatesTakeTheDrawingsCentreUnlessItIsTheOrigin) {
    std::array<uint8_t, 16> digest{};
    digest[0] = 0x44;
    host.MapSim().SetCoordState(4, digest, "CGCS2000 3-degree zone");
    struct Case {
        const char* line;  // the drawing's only entity: its extents' centre
        double cx, cy;
        bool asksOrigin;
    };
    const Case cases[] = {
        {"LINE -1,-1 1.1,1.1", 0.05, 0.05, true},               // within 0.1 of (0, 0)
        {"LINE 499999,-1 500001,1.1", 500000, 0.05, false},     // only Y is near 0
        {"LINE -1,2999999 1.1,3000001", 0.05, 3000000, false},  // only X is near 0
        {"LINE -0.91,-1.09 1.09,0.91", 0.09, -0.09, true},      // both just within
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        // Each in a drawing of its own, the plug-in loaded afresh over it.
        if (n > 0) {
            std::string error;
            ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
            ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
            ASSERT_EQ(Run("SAVEAS", {dir + "/plane" + std::to_string(n) + ".dxf"}), CommandOutcome::kEnded);
        }
        ++n;
        ASSERT_EQ(Run(c.line, {""}), CommandOutcome::kEnded);
        host.MapSim().ClearRecords();
        LoadWithBaseMap();
        Settle();
        EXPECT_EQ(host.MapSim().RequestsOf(20211).size(), c.asksOrigin ? 1u : 0u);
        // The grid's reference: the map application's origin, or the drawing's centre.
        lattice.refX = c.asksOrigin ? kRefX : c.cx;
        lattice.refY = c.asksOrigin ? kRefY : c.cy;
        const tiletest::Landing landing = Landed(false);
        EXPECT_EQ(landing.errors, "");
        const ViewRectInfo view = View();
        EXPECT_NEAR((view.minX + view.maxX) / 2, lattice.refX, 1e-6);
        EXPECT_NEAR((view.minY + view.maxY) / 2, lattice.refY, 1e-6);
        // Eastings near 0 lie outside the zone: no tile there.
        EXPECT_EQ(landing.tiles.empty(), !c.asksOrigin && c.cx < 1);
    }
}

}  // namespace
