// The status-bar meters of long renderings and fetches.
#include <gtest/gtest.h>

#include "platform/arx/acap/statusbar.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/basemap/MapFileRequest.h"

namespace {

using platform::StatusBarEvent;

class MeterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPluginState();
        acedRestoreStatusBar();
        platform::ClearStatusBarEvents();
    }
    void TearDown() override {
        acedRestoreStatusBar();
        ResetPluginState();
    }
    const std::vector<StatusBarEvent>& Events() { return platform::StatusBarEvents(); }
};

TEST_F(MeterTest, FetchProgressOpensOnceCountsFromZeroAndNoticesAStall) {
    CMapImageItem item;
    item.UpdateFetchProgress(10, 200);
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_EQ(Events()[0].kind, StatusBarEvent::kMeter);
    EXPECT_EQ(Events()[0].label, u"正在从网络取图");
    EXPECT_EQ(Events()[0].maxPos, 190);
    EXPECT_EQ(Events()[1].pos, 0);
    item.UpdateFetchProgress(50, 200);
    EXPECT_EQ(Events().back().pos, 40);
    EXPECT_FALSE(item.m_bStalled);
    item.UpdateFetchProgress(50, 200);
    EXPECT_TRUE(item.m_bStalled);
    item.RestoreMeter();
    EXPECT_FALSE(item.m_bMeterShown);
    EXPECT_FALSE(platform::ProgressMeterShown());
    // Too little left to show, or a done count past the total: no meter.
    CMapImageItem small;
    small.UpdateFetchProgress(10, 40);
    small.UpdateFetchProgress(300, 200);
    EXPECT_FALSE(small.m_bMeterShown);
}

TEST_F(MeterTest, ExtractProgressFollowsTheRenderingAndTotalsBelowSixtyOnlyHideTheFetchMeter) {
    CMapImageItem item;
    item.UpdateFetchProgress(0, 100);
    ASSERT_TRUE(item.m_bMeterShown);
    platform::ClearStatusBarEvents();
    item.ShowExtractProgress(20, 59);
    ASSERT_EQ(Events().size(), 1u);
    EXPECT_EQ(Events()[0].kind, StatusBarEvent::kRestore);
    EXPECT_FALSE(item.m_bMeterShown);

    platform::ClearStatusBarEvents();
    item.ShowExtractProgress(20, 100);
    ASSERT_EQ(Events().size(), 1u);
    EXPECT_EQ(Events()[0].label, u"正在提取图片");
    EXPECT_EQ(Events()[0].maxPos, 100);
    item.ShowExtractProgress(40, 100);
    EXPECT_EQ(Events().back().pos, 40);
    // Exactly 30 left is still a position; 29 left is the rendering.
    item.ShowExtractProgress(70, 100);
    EXPECT_EQ(Events().back().kind, StatusBarEvent::kPos);
    EXPECT_EQ(Events().back().pos, 70);
    item.ShowExtractProgress(71, 100);
    ASSERT_GE(Events().size(), 3u);
    EXPECT_EQ(Events()[Events().size() - 2].label, u"正在生成图片（耗时，请耐心等待）");
    EXPECT_EQ(Events().back().pos, 50);
    // A position far below the total (both as the map application sends them) is still a position.
    item.ShowExtractProgress(-2000000000, 2000000000);
    EXPECT_EQ(Events().back().kind, StatusBarEvent::kPos);
}

}  // namespace
