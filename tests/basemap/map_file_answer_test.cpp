// The answers to map-file requests at the hidden window: which are tiles, which go back on the queue, which
// belong to a capture, and which drawing they belong to.
#include <fstream>

#include "app/frame_fixture.h"
#include "platform/arx/acap/statusbar.h"
#include "platform/win32/core/unicode.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/exchange/Reactors.h"

namespace {

using frametest::Bytes;
using frametest::FrameTest;
using frametest::Put;
using frametest::Zeros;

class MapFileAnswerTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        Load();
        g_Settings.m_bOnlineMap = 1;
        BaseMapAccess::Grid(BaseMap()).m_strCacheFolder =
            CString(platform::ToWindowsPath(dir + "/cache").c_str());
        BaseMapAccess::Grid(BaseMap()).m_nLevel = 15;
        BaseMapAccess::Grid(BaseMap()).m_nMapId = 1;
        BaseMapAccess::SetTilePixels(BaseMap(), 256);
        BaseMapAccess::HoldViewAtLevel(BaseMap(), 15);  // the written tiles are of the view's level
        acedRestoreStatusBar();
        platform::ClearStatusBarEvents();
    }
    void TearDown() override {
        g_Settings.m_bOnlineMap = 0;
        acedRestoreStatusBar();
        FrameTest::TearDown();
    }

    // One answer record for the file, its status and size.
    // asked: the layout asked for the file (a tile of its own); else the answer is a stranger's.
    Bytes Answer(const std::string& hostPath, int32_t status, uint32_t width, uint32_t height, bool written,
                 bool asked = true) {
        Bytes answer = Zeros(472);
        const CStringA utf8(CString(platform::ToWindowsPath(hostPath).c_str()));
        std::memcpy(answer.data() + 24, utf8.GetString(), size_t(utf8.GetLength()));
        const CString windowsPath(platform::ToWindowsPath(hostPath).c_str());
        Put(answer, 0, StringKey63(windowsPath));
        if (asked) {
            BaseMapAccess::AskedFiles(BaseMap())[StringKey63(windowsPath)] = windowsPath;
        }
        Put(answer, 20, status);
        answer[280] = written ? 1 : 0;
        Put(answer, 340, DWORD{15});
        Put(answer, 344, DWORD{1});
        Put(answer, 348, width);
        Put(answer, 352, height);
        Put(answer, 368, DWORD{200});
        Put(answer, 372, DWORD{10});
        return answer;
    }
    std::string Tile(const std::string& name) {
        std::filesystem::create_directories(dir + "/cache/1/15");
        const std::string path = dir + "/cache/1/15/" + name;
        std::ofstream(path) << "png";
        return path;
    }
};

TEST_F(MapFileAnswerTest, ATileIsKnownByItsPlaceAndSizeNotTakenForACapture) {
    // A tile's width with another height is still a tile's answer.
    const std::string tile = Tile("1_2.png");
    g_pEditorReactor->m_bInCommand = 1;  // held, not inserted: only the classification is looked at
    EXPECT_EQ(Send(20302, Answer(tile, 1, 256, 300, true)), 0);
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).size(), 1u);
    EXPECT_EQ(BaseMapAccess::PendingImages(BaseMap()).size(), 1u);
    // Two records in one answer: both are taken.
    Bytes two = Answer(Tile("3_4.png"), 1, 256, 256, true);
    const Bytes second = Answer(Tile("5_6.png"), 1, 256, 256, true);
    two.insert(two.end(), second.begin(), second.end());
    EXPECT_EQ(Send(20302, two), 0);
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).size(), 3u);
    // A written tile whose file is empty stays unknown.
    const std::string empty = dir + "/cache/1/15/7_8.png";
    std::ofstream(empty).close();
    EXPECT_EQ(Send(20302, Answer(empty, 1, 256, 256, true)), 0);
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).size(), 3u);
    // A file no drawing asked for is no drawing's.
    EXPECT_EQ(Send(20302, Answer(dir + "/elsewhere/1_1.png", 1, 256, 256, true, false)), 0);
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).size(), 3u);
    g_pEditorReactor->m_bInCommand = 0;
    BaseMapAccess::PendingImages(BaseMap()).clear();
}

TEST_F(MapFileAnswerTest, NotReadyTilesQueueOnceAndNeverShowCaptureProgress) {
    const std::string tile = dir + "/cache/1/15/1_1.png";
    EXPECT_EQ(Send(20302, Answer(tile, -3, 256, 256, false)), 0);
    EXPECT_EQ(Send(20302, Answer(tile, -3, 256, 256, false)), 0);
    EXPECT_EQ(BaseMapAccess::QueuedRequests(BaseMap()), 1u);
    // Of another level than the layout's: not asked again.
    Bytes old = Answer(dir + "/cache/1/14/1_1.png", -3, 256, 256, false);
    Put(old, 340, DWORD{14});
    EXPECT_EQ(Send(20302, old), 0);
    EXPECT_EQ(BaseMapAccess::QueuedRequests(BaseMap()), 1u);
    // The base map switched off: a tile's late "not ready" is dropped, and opens no fetch meter.
    g_Settings.m_bOnlineMap = 0;
    EXPECT_EQ(Send(20302, Answer(dir + "/cache/1/15/2_2.png", -3, 256, 256, false)), 0);
    EXPECT_FALSE(BaseMapAccess::CaptureItem(BaseMap()).m_bMeterShown);
    EXPECT_FALSE(platform::ProgressMeterShown());
    EXPECT_EQ(BaseMapAccess::QueuedRequests(BaseMap()), 1u);
    // A flush while off sends nothing and empties the queue.
    map.ClearRecords();
    platform::AdvanceClock(300);
    EXPECT_EQ(BaseMapAccess::QueuedRequests(BaseMap()), 0u);
    EXPECT_TRUE(map.RequestsOf(20302).empty());
    // A picture outside the cache is the capture's only by its id: a stranger's progress shows nothing.
    EXPECT_EQ(Send(20302, Answer(dir + "/site/map.png", -3, 900, 700, false, false)), 0);
    EXPECT_FALSE(BaseMapAccess::CaptureItem(BaseMap()).m_bMeterShown);
    const CString site(platform::ToWindowsPath(dir + "/site/map.png").c_str());
    BaseMapAccess::CaptureItem(BaseMap()).m_bRunning = true;
    BaseMapAccess::CaptureItem(BaseMap()).m_nId = StringKey63(site);
    BaseMapAccess::CaptureItem(BaseMap()).m_strPath = site;
    EXPECT_EQ(Send(20302, Answer(dir + "/site/map.png", -3, 900, 700, false, false)), 0);
    EXPECT_TRUE(BaseMapAccess::CaptureItem(BaseMap()).m_bMeterShown);
    BaseMapAccess::CaptureItem(BaseMap()).RestoreMeter();
    BaseMapAccess::CaptureItem(BaseMap()).m_bRunning = false;
}

TEST_F(MapFileAnswerTest, ErrorStatusesPrintTheirLines) {
    const std::pair<int32_t, const char16_t*> cases[] = {
        {-2, u"\n坐标系设置错误！"}, {-4, u"\n地图尺寸太大！"}, {-5, u"\n地图像素太高！"},
        {-6, u"\n创建地图失败！"},   {-7, u"\n坐标系错误！"},   {-10, u"\n其他错误！"},
        {-9, u"\n其他错误！"},       {-8, u"\n其他错误！"},     {-1, u"\n其他错误！"},
        {0, u"\n其他错误！"},
    };
    for (const auto& [status, text] : cases) {
        const size_t mark = platform::CommandLineUtf8().size();
        EXPECT_EQ(Send(20302, Answer(dir + "/cache/1/15/0_0.png", status, 256, 256, false)), 0);
        std::string expected = platform::Utf16ToUtf8(text);
        if (status == -6) {  // a file that could not be made: the folder it was to be made in
            expected +=
                "\n地图缓存文件夹：" + platform::Utf16ToUtf8(platform::ToWindowsPath(dir + "/cache")) + "\n";
        }
        EXPECT_EQ(platform::CommandLineUtf8().substr(mark), expected) << status;
    }
    // The same error again (every tile of a layout fails alike) prints nothing more until the next layout.
    const size_t mark = platform::CommandLineUtf8().size();
    for (int i = 0; i < 70; ++i) {
        EXPECT_EQ(Send(20302, Answer(dir + "/cache/1/15/0_0.png", 0, 256, 256, false)), 0);
    }
    EXPECT_EQ(platform::CommandLineUtf8().substr(mark), "");
}

}  // namespace
