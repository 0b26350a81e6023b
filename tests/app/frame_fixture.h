// The plug-in's frame in-process: its module path in the test's folder, one drawing with a file name open,
// the simulated map application installed and running, and a scripted user.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "mapsim/mapsim.h"
#include "plugin/app/MessageDlg.h"
#include "plugin/core/Settings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/maplink.h"
#include "platform/arx/arxheaders.h"
#include "platform/mfc/afxdlg.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/sys/sys_hooks.h"
#include "support/testdirs.h"

// The base map's tile state that tests set up, or look into, without a map-application answer to reach it.
struct CBaseMapLayerTestAccess {
    static CTileGridInfo& Grid(CBaseMapLayer& layer) { return layer.m_grid; }
    static void SetTilePixels(CBaseMapLayer& layer, uint32_t pixels) { layer.m_nTilePixels = pixels; }
    static CTileKeySet& KnownFiles(CBaseMapLayer& layer) { return layer.m_knownFiles; }
    static std::vector<CMapImageItem>& PendingImages(CBaseMapLayer& layer) { return layer.m_pendingImages; }
    static size_t QueuedRequests(const CBaseMapLayer& layer) { return layer.m_requestQueue.size(); }
    static CMapImageItem& CaptureItem(CBaseMapLayer& layer) { return layer.m_captureItem; }
    // The tiles the layer asked for, by the id it sent: only their answers are taken.
    static std::map<uint64_t, CString>& AskedFiles(CBaseMapLayer& layer) { return layer.m_askedFiles; }
    // The drawing the tiles go into, and their layer, as a load sets them.
    static void SetDrawing(CBaseMapLayer& layer, AcDbDatabase* db) {
        layer.m_pDb = db;
        layer.m_mapLayerId = db->clayer();
    }
    // Resolution tables under which the current view is exactly at the level: the level is read without a
    // zoom, and each level up halves the units a pixel covers.
    static void HoldViewAtLevel(CBaseMapLayer& layer, int level) {
        ViewRectInfo view;
        ASSERT_TRUE(CViewUtil::GetCurViewRect(view, 1.0));
        const double x = (view.maxX - view.minX) / view.screenW;
        const double y = (view.maxY - view.minY) / view.screenH;
        for (int l = 1; l <= kMaxTileLevel; ++l) {
            layer.SetResolution(l, std::ldexp(x, level - l), std::ldexp(y, level - l));
        }
    }
};

namespace frametest {

using Bytes = mapsim::Bytes;

inline Bytes Zeros(size_t n) {
    return Bytes(n, 0);
}

template <typename T>
void Put(Bytes& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPluginState();
        dir = tarntest::TempDir();
        moduleFolder = dir + "/plugin";
        std::filesystem::create_directories(moduleFolder);
        // The settings file and the cache are the test's own: a switch one test saves is not the next one's.
        std::filesystem::create_directories(dir + "/appdata");
        std::filesystem::create_directories(dir + "/temp");
        platform::SetLocalAppDataFolder(dir + "/appdata");
        platform::SetTempFolder(dir + "/temp");
        platform::SetModuleFileName(platform::PluginModuleHandle(),
                                    platform::ToWindowsPath(moduleFolder + "/TarnArx.arx"));
        platform::SetUiDriver(&user);
        MapApiLinkInit(&g_MapApiLink);  // as the module's static start gives it
        mapsim::MapSim::RecordInstall(u"C:\\Tarn\\tarn.exe", 785);
        ASSERT_TRUE(map.Start());
        doc = platform::NewDocument(platform::ToWindowsPath(dir + "/a.dxf"));
    }

    void TearDown() override {
        if (theApp.IsInitialised()) {
            theApp.dispatch(AcRx::kUnloadAppMsg, nullptr);
        }
        map.Stop();
        platform::CloseAllDocuments();
        std::string report;
        EXPECT_TRUE(user.Verify(&report)) << report;
        platform::SetUiDriver(nullptr);
        ResetPluginState();
    }

    void Load() {
        ASSERT_EQ(theApp.dispatch(AcRx::kInitAppMsg, nullptr), AcRx::kRetOK);
        ASSERT_NE(g_pMessageDlg, nullptr);
    }

    // A WM_COPYDATA of the map application to the hidden window, as it sends one.
    LRESULT Send(uint16_t code, const Bytes& payload, WPARAM wParam = 1001) {
        COPYDATASTRUCT cds{code, static_cast<DWORD>(payload.size()),
                           payload.empty() ? nullptr : const_cast<BYTE*>(payload.data())};
        return SendMessageW(GetMessageWindow(), WM_COPYDATA, wParam, reinterpret_cast<LPARAM>(&cds));
    }

    CBaseMapLayer& BaseMap() { return BaseMapOf(*CurrentDocState()); }
    using BaseMapAccess = CBaseMapLayerTestAccess;

    std::string dir;
    std::string moduleFolder;
    platform::ScriptedUiDriver user;
    mapsim::MapSim map;
    AcApDocument* doc = nullptr;
};

}  // namespace frametest
