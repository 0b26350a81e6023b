// The hidden window's answers at their edges: a refusing map application, bounds on what the map sends, the
// rendered view's ratio against the screen, the view following the drawing, and the frame's start-up colour.
#include <cmath>
#include <cstdio>
#include <string>

#include "frame_fixture.h"
#include "plugin/app/ToolBar.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/core/HostEnv.h"
#include "plugin/core/MessageWindow.h"
#include "plugin/core/RasterImage.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/maplink/maplink.h"

namespace {

using frametest::Bytes;
using frametest::FrameTest;
using frametest::Put;
using frametest::Zeros;

// What the command line gained while the action ran.
template <class Action>
std::string Printed(Action action) {
    const std::string before = platform::CommandLineUtf8();
    action();
    return platform::CommandLineUtf8().substr(before.size());
}

TEST_F(FrameTest, ARefusedAssociatedPointResendIsSentOnceEvenWhenTheResendIsRefusedToo) {
    Load();
    map.SetAssocAnswer(-1, -1);  // every set of associated points is refused
    map.ClearRecords();
    Bytes refused = Zeros(4);
    Put(refused, 0, int32_t{-1});
    EXPECT_EQ(Send(20201, refused), 0);
    // The resend's own -1 arrives inside it and sends nothing more.
    ASSERT_EQ(map.RequestsOf(20201).size(), 1u);
    // A later refusal is answered again: the guard is not left set.
    EXPECT_EQ(Send(20201, refused), 0);
    EXPECT_EQ(map.RequestsOf(20201).size(), 2u);
}

TEST_F(FrameTest, TheMapsLevelAndItsResolutionTableAreBounded) {
    Load();
    // A level beyond any the map has is not taken as a negative start level.
    Bytes view = Zeros(52);
    Put(view, 44, DWORD{0xFFFFFFFF});
    Put(view, 48, DWORD{3});
    EXPECT_EQ(Send(20012, view), 0);
    EXPECT_GE(BaseMap().Grid().m_nStartLevel, 0);
    EXPECT_LE(BaseMap().Grid().m_nStartLevel, 1000);
    Put(view, 44, DWORD{0x80000000});
    EXPECT_EQ(Send(20012, view), 0);
    EXPECT_GE(BaseMap().Grid().m_nStartLevel, 0);
    Put(view, 44, DWORD{999});
    EXPECT_EQ(Send(20012, view), 0);
    EXPECT_EQ(BaseMap().Grid().m_nStartLevel, 999);

    // Forty records: levels 1 to 28 take the first 28, the rest change nothing (record n holds n and -n).
    Bytes table = Zeros(40 * 104);
    for (size_t i = 0; i < 40; ++i) {
        Put(table, i * 104, double(i + 1));
        Put(table, i * 104 + 8, -double(i + 1));
    }
    EXPECT_EQ(Send(20212, table), 0);
    for (int level = 1; level <= 28; ++level) {
        EXPECT_EQ(BaseMap().ResolutionX(level), double(level)) << level;
        EXPECT_EQ(BaseMap().ResolutionY(level), -double(level)) << level;
    }
    EXPECT_EQ(BaseMap().ResolutionX(0), 0.0);
    EXPECT_EQ(BaseMap().ResolutionY(0), 0.0);
    // A level outside the table set on its own changes nothing either.
    BaseMap().SetResolution(29, 7.0, 7.0);
    BaseMap().SetResolution(0, 7.0, 7.0);
    BaseMap().SetResolution(-1, 7.0, 7.0);
    EXPECT_EQ(BaseMap().ResolutionY(0), 0.0);
    EXPECT_EQ(BaseMap().ResolutionY(1), -1.0);
    EXPECT_EQ(BaseMap().ResolutionX(28), 28.0);
}

TEST_F(FrameTest, TheFolderSearchTakesTheFirstFolderOfTheName) {
    Load();
    g_strFolderToFind = u"图层";
    Bytes list = Zeros(16);
    const auto add = [&list](DWORD id, DWORD type, const std::string& name) {
        const size_t at = list.size();
        list.resize(at + 108, 0);
        Put(list, at, id);
        Put(list, at + 4, type);
        std::memcpy(list.data() + at + 8, name.data(), name.size());
    };
    add(11, 30, "其他");
    add(12, 7, "图层");  // an object of that name, not a folder
    add(13, 30, "图层");
    add(14, 30, "图层");
    add(15, 30, "图层");
    EXPECT_EQ(Send(20105, list), 0);
    EXPECT_EQ(g_nFoundFolderId, 13u);
    EXPECT_EQ(g_strLastFoundFolder, CString(u"图层"));
}

TEST_F(FrameTest, TheRenderedViewsRatioToTheScreenIsReportedInPercent) {
    Load();
    // A square region: the simulator's picture is floor(sqrt(1024 * 768)) = 886 pixels wide.
    const double pictureWidth = std::floor(std::sqrt(1024.0 * 768.0));
    ASSERT_EQ(pictureWidth, 886.0);
    const auto render = [&](int screenWidth) {
        g_WholeViewRequestView = ViewRectInfo{};
        g_WholeViewRequestView.screenW = screenWidth;
        g_WholeViewRequestView.screenH = screenWidth;
        return Printed([&] { map.SendRenderedView(1000.0, 1000.0, 2000.0, 2000.0, 12); });
    };
    const auto ratioLine = [](double ratio) {
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.2f%%", ratio * 100.0);
        return std::string("当前获取的底图与视图比例为") + percent +
               "，请运行命令<MATCHTARN>后再加载底图会更加清晰！";
    };
    const std::string tooFar = "当前视图缩放比例可能太大，影响底图清晰度。";

    // Equal widths, and within 5 % either way: nothing is said.
    for (int screen : {886, 900, 850}) {
        const double ratio = pictureWidth / screen;
        ASSERT_TRUE(ratio >= 0.95 && ratio <= 1.05) << screen;
        const std::string printed = render(screen);
        EXPECT_EQ(printed.find("MATCHTARN"), std::string::npos) << screen << printed;
        EXPECT_EQ(printed.find(tooFar), std::string::npos) << screen << printed;
    }
    // 886 / 1000 = 0.886: the ratio is given, the view is not too far out.
    std::string printed = render(1000);
    EXPECT_NE(printed.find(ratioLine(0.886)), std::string::npos) << printed;
    EXPECT_NE(printed.find("88.60%"), std::string::npos) << printed;
    EXPECT_EQ(printed.find(tooFar), std::string::npos) << printed;
    // 886 / 2000 = 0.443, under a half: both lines.
    printed = render(2000);
    EXPECT_NE(printed.find(ratioLine(0.443)), std::string::npos) << printed;
    EXPECT_NE(printed.find(tooFar), std::string::npos) << printed;
    // 886 / 250 = 3.544, halved while above 1.5: 1.772, then 0.886.
    printed = render(250);
    EXPECT_NE(printed.find(ratioLine(0.886)), std::string::npos) << printed;
    EXPECT_EQ(printed.find(tooFar), std::string::npos) << printed;
    // 886 / 600 = 1.4767 stays (not above 1.5): reported as it is.
    printed = render(600);
    EXPECT_NE(printed.find(ratioLine(886.0 / 600.0)), std::string::npos) << printed;
    EXPECT_NE(printed.find("147.67%"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("加载底图失败"), std::string::npos) << printed;
    // A region twice as wide as high: 627 rows of floor(sqrt(1024 * 768 / 2)), 1254 columns. On a screen of
    // 836 the ratio is 1.5 exactly, which is not halved.
    const double wideWidth = std::floor(std::floor(std::sqrt(1024.0 * 768.0 / 2.0)) * 2.0);
    ASSERT_EQ(wideWidth, 1254.0);
    g_WholeViewRequestView = ViewRectInfo{};
    g_WholeViewRequestView.screenW = 836;
    printed = Printed([&] { map.SendRenderedView(0.0, 0.0, 2000.0, 1000.0, 12); });
    EXPECT_NE(printed.find(ratioLine(1.5)), std::string::npos) << printed;
}

TEST_F(FrameTest, TheMapFollowsTheDrawingsViewOnlyInTheModesThatAskForIt) {
    Load();
    platform::AdvanceClock(2000);  // the image frames: the base map is switched on
    ASSERT_TRUE(BaseMap().IsEnabled());
    const auto moveView = [](double x, double y) {
        CViewUtil::ZoomWindow(AcGePoint3d(x - 50.0, y - 50.0, 0.0), AcGePoint3d(x + 50.0, y + 50.0, 0.0),
                              1.0);
        CViewUtil::ZoomWindow(AcGePoint3d(x - 50.0, y - 50.0, 0.0), AcGePoint3d(x + 50.0, y + 50.0, 0.0),
                              1.0);
    };
    platform::AdvanceClock(500);
    for (int mode : {0, 2}) {
        g_Settings.m_nViewFollowMode = mode;
        const uint32_t moves = map.View().moves;
        moveView(3000.0 + 1000.0 * mode, 4000.0);
        platform::AdvanceClock(500);
        EXPECT_EQ(map.View().moves, moves) << mode;
    }
    int step = 0;
    for (int mode : {1, 3}) {
        g_Settings.m_nViewFollowMode = mode;
        const uint32_t moves = map.View().moves;
        const double x = 7000.0 + 500.0 * ++step;
        const double y = -2000.0 - 250.0 * step;
        moveView(x, y);
        platform::AdvanceClock(500);
        EXPECT_EQ(map.View().moves, moves + 1) << mode;
        EXPECT_NEAR(map.View().x, x, 1e-6) << mode;  // the view's centre
        EXPECT_NEAR(map.View().y, y, 1e-6) << mode;
        // The view standing still moves nothing more.
        platform::AdvanceClock(1500);
        EXPECT_EQ(map.View().moves, moves + 1) << mode;
    }
}

TEST_F(FrameTest, ImagesTakeTheComplementOfTheBackgroundColourAndReceivingShowsAPercentMeter) {
    Load();
    // Index 7 shows white (255, 255, 255): its complement is black.
    const DWORD white = acedGetRGB(7);
    ASSERT_EQ(white, 0xFFFFFFu);
    EXPECT_EQ(g_ImageColor.colorMethod(), AcCmEntityColor::kByColor);
    EXPECT_EQ(g_ImageColor.red(), 0);
    EXPECT_EQ(g_ImageColor.green(), 0);
    EXPECT_EQ(g_ImageColor.blue(), 0);

    platform::ClearStatusBarEvents();
    PostMessageW(GetMessageWindow(), WM_TARN_RECEIVE, 0, 0);
    platform::PumpMessages();
    bool shown = false;
    for (const platform::StatusBarEvent& e : platform::StatusBarEvents()) {
        if (e.kind == platform::StatusBarEvent::kMeter && e.label == u"接收数据") {
            shown = true;
            EXPECT_EQ(e.minPos, 0);
            EXPECT_EQ(e.maxPos, 100);
        }
    }
    EXPECT_TRUE(shown);
    platform::ClearStatusBarEvents();
}

}  // namespace
