// The host with the simulated map application set up for the online base map: a local grid about a
// reference point, 512-pixel tiles, the drawing saved as "site.dxf", and what the tests of the base map
// share to move the view, let it settle and check where the tiles landed.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "basemap/tile_landing.h"
#include "host_fixture.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/arxutil/ViewUtil.h"

namespace e2e {

inline constexpr double kRefX = 500000.0;
inline constexpr double kRefY = 3000000.0;
inline constexpr int kScreenW = 1600;  // the host's viewport in pixels
inline constexpr int kScreenH = 900;
inline constexpr int kTilePixels = 512;  // for a screen 1920 wide

class BaseMapHostTest : public HostTest {
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
        lattice.refX = kRefX;
        lattice.refY = kRefY;
        lattice.resolutions = mapsim::MapSim::DefaultResolutions();
        lattice.tilePixels = kTilePixels;
        drawing = SaveAs("site.dxf");
    }
    void TearDown() override {
        platform::SetScreenSize(1920, 1080);
        HostTest::TearDown();
    }

    std::string SaveAs(const std::string& name) {
        const std::string path = dir + "/" + name;
        EXPECT_EQ(Run("SAVEAS", {path}), platform::CommandOutcome::kEnded);
        return path;
    }
    double Res(int level) const { return lattice.resolutions[size_t(level - 1)].first; }

    // A view of the screen's shape centred at (x, y) whose units per pixel are ratio x the level's.
    void ZoomTo(double x, double y, int level, double ratio = 1.0) {
        const double hw = kScreenW / 2.0 * Res(level) * ratio, hh = kScreenH / 2.0 * Res(level) * ratio;
        char line[256];
        std::snprintf(line, sizeof line, "ZOOM %.6f,%.6f %.6f,%.6f", x - hw, y - hh, x + hw, y + hh);
        ASSERT_EQ(Run(line), platform::CommandOutcome::kEnded);
    }

    // Time passes until the base map has settled: frames set up, answers in, re-asks flushed.
    void Settle(int rounds = 8) {
        for (int i = 0; i < rounds; ++i) {
            host.Wait(500);
        }
    }

    ViewRectInfo View() {
        ViewRectInfo view;
        CViewUtil::GetCurViewRect(view, 1.0);
        return view;
    }

    // The landing check over the current drawing and view.
    tiletest::Landing Landed(bool covered = true) {
        const ViewRectInfo view = View();
        return tiletest::CheckTiles(host.Drawing(), lattice, covered ? &view : nullptr);
    }

    // The tile records of one 20302 request.
    static std::vector<mapsim::MapFileRecord> RecordsOf(const mapsim::Request& r) {
        std::vector<mapsim::MapFileRecord> records;
        for (size_t at = 16; at + mapsim::kMapFileRecordSize <= r.payload.size();
             at += mapsim::kMapFileRecordSize) {
            records.push_back(mapsim::MapFileRecord::Read(r.payload.data() + at, mapsim::kMapFileRecordSize));
        }
        return records;
    }
    // The tile records asked for so far (of one level when given).
    std::vector<mapsim::MapFileRecord> FileRequests(uint32_t level = 0) {
        std::vector<mapsim::MapFileRecord> records;
        for (const mapsim::Request& r : host.MapSim().RequestsOf(20302)) {
            for (const mapsim::MapFileRecord& record : RecordsOf(r)) {
                if (level == 0 || record.level == level) {
                    records.push_back(record);
                }
            }
        }
        return records;
    }

    tiletest::Lattice lattice;
    std::string drawing;
};

}  // namespace e2e
