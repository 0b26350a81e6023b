// The toolbar's operations that no button carries: the whole-view picture requests answered by the simulated
// map application, the ZOOMFACTOR question, the quiet icon resize, the region-mode prompt, the code ranges,
// the locked image-definition lookups and the dynamic-linker reactor; and the whole-view answer kept for
// later.
#include <cmath>
#include <cstring>
#include <utility>

#include "app/frame_fixture.h"
#include "mapsim/png.h"
#include "platform/arx/acap/rxapp.h"
#include "platform/arx/acap/statusbar.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/win32/core/modres.h"
#include "plugin/app/ToolBar.h"
#include "plugin/core/HostEnv.h"
#include "plugin/core/PointIcon.h"
#include "plugin/core/RasterImage.h"

namespace {

using frametest::Bytes;
using frametest::FrameTest;
using frametest::Put;

// 5 x 5 RGB, 24 bits a pixel.
const unsigned char kRgbPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x05, 0x08, 0x02, 0x00, 0x00, 0x00, 0x02, 0x0D, 0xB1, 0xB2, 0x00,
    0x00, 0x00, 0x1B, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0xF8, 0x8F, 0x0A, 0x18, 0x40, 0x18, 0x06,
    0x10, 0xFC, 0x13, 0x72, 0x1A, 0x28, 0x7C, 0x14, 0xF9, 0x7F, 0x48, 0xFA, 0x01, 0xA3, 0xFD, 0x30, 0xDE,
    0x04, 0x3C, 0x7A, 0xBA, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};
constexpr UINT kRgbPngResource = 9911;

class ViewRequests : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        Load();
        SetView();
        SetZoomFactor(100);
        g_Settings.m_nMatchZoomFactor = 1;  // matched already: no question
        g_bZoomFirstUse = 0;
    }
    void TearDown() override {
        platform::ClearStatusBarEvents();
        FrameTest::TearDown();
    }
    // A view 100 wide and 50 high about (100, 200) on a screen of 1000 x 500 pixels.
    static void SetView() {
        platform::SysVarStore& vars = platform::CurrentSysVars();
        vars.Force(u"VIEWCTR", platform::SysVarValue::Point3d(AcGePoint3d(100, 200, 0)));
        vars.Force(u"VIEWSIZE", platform::SysVarValue::Real(50));
        vars.Force(u"SCREENSIZE", platform::SysVarValue::Point2d(1000, 500));
    }
    static void SetZoomFactor(short value) {
        resbuf rb{};
        rb.restype = RTSHORT;
        rb.resval.rint = value;
        ASSERT_EQ(acedSetVar(u"ZOOMFACTOR", &rb), RTNORM);
    }
    static short ZoomFactor() {
        resbuf rb{};
        acedGetVar(u"ZOOMFACTOR", &rb);
        return rb.resval.rint;
    }
    AcDbObjectId WholeViewImage() const { return g_WholeViewImages[doc->database()]; }
    // Lower-left and upper-right corners of an image.
    static void Corners(AcDbObjectId id, double out[4]) {
        AcDbRasterImage* image = nullptr;
        ASSERT_EQ(acdbOpenObject(image, id, AcDb::kForRead), Acad::eOk);
        AcGePoint3d origin;
        AcGeVector3d u;
        AcGeVector3d v;
        image->getOrientation(origin, u, v);
        image->close();
        out[0] = origin.x;
        out[1] = origin.y;
        out[2] = origin.x + u.x;
        out[3] = origin.y + v.y;
    }
    std::string PrintedSince(size_t from) const { return platform::CommandLineUtf8().substr(from); }
    // A whole-view answer: the head with the corners and the picture's width, then a PNG of that width.
    static Bytes ViewAnswer(double minX, double minY, double maxX, double maxY, uint32_t width) {
        Bytes answer(112, 0);
        Put(answer, 16, minX);
        Put(answer, 24, minY);
        Put(answer, 32, maxX);
        Put(answer, 40, maxY);
        Put(answer, 68, width);
        Put(answer, 72, uint32_t{4});
        mapsim::Image picture{width, 4, Bytes(size_t(width) * 4 * 4, 0x80)};
        Bytes png;
        EXPECT_TRUE(mapsim::EncodePng(picture, &png));
        answer.insert(answer.end(), png.begin(), png.end());
        return answer;
    }
};

TEST_F(ViewRequests, TheWholeViewComesBackAsOnePictureUnderTheViewWithItsRatioTold) {
    size_t printed = platform::CommandLineUtf8().size();
    RequestWholeViewImage();
    const auto requests = map.RequestsOf(20301);
    ASSERT_EQ(requests.size(), 1u);
    const Bytes& p = requests[0].payload;
    double box[4];
    std::memcpy(box, p.data() + 16, sizeof box);
    EXPECT_DOUBLE_EQ(box[0], 50.0);
    EXPECT_DOUBLE_EQ(box[1], 175.0);
    EXPECT_DOUBLE_EQ(box[2], 150.0);
    EXPECT_DOUBLE_EQ(box[3], 225.0);
    uint64_t budget = 0;
    uint32_t level = 0;
    std::memcpy(&budget, p.data() + 56, 8);
    std::memcpy(&level, p.data() + 64, 4);
    EXPECT_EQ(budget, 750000u);  // 1000 x 500 x 1.0 x 1.5
    EXPECT_EQ(level, uint32_t(g_Settings.m_nMaxLevel));

    // The simulator draws the view's shape within the budget: 612 rows of 1224 pixels; 1224 / 1000 is
    // 1.224, not within 5 % of the screen.
    ASSERT_FALSE(WholeViewImage().isNull());
    double corners[4];
    Corners(WholeViewImage(), corners);
    EXPECT_DOUBLE_EQ(corners[0], 50.0);
    EXPECT_DOUBLE_EQ(corners[3], 225.0);
    std::string told = PrintedSince(printed);
    EXPECT_NE(told.find("当前获取的底图与视图比例为122.40%"), std::string::npos) << told;
    EXPECT_EQ(told.find("可能太大"), std::string::npos) << told;
    EXPECT_EQ(g_WholeViewRequestView.screenW, 1000);
    // The meter came with its title, reached 100 with the answer and went.
    ASSERT_FALSE(platform::StatusBarEvents().empty());
    EXPECT_EQ(platform::StatusBarEvents().front().label, u"加载底图");
    EXPECT_FALSE(platform::ProgressMeterShown());

    // The second request widens the view by the second scale and budgets by its square.
    g_Settings.m_dViewScale2 = 2.0;
    RequestWholeViewImageAtSecondScale();
    ASSERT_EQ(map.RequestsOf(20301).size(), 2u);
    const Bytes q = map.RequestsOf(20301)[1].payload;
    std::memcpy(box, q.data() + 16, sizeof box);
    std::memcpy(&budget, q.data() + 56, 8);
    EXPECT_DOUBLE_EQ(box[0], 0.0);
    EXPECT_DOUBLE_EQ(box[3], 250.0);
    EXPECT_EQ(budget, 3000000u);  // 1000 x 500 x 2.0^2 x 1.5

    // Ratios: 4000 / 1000 halves to 1.0 (nothing said); 400 / 1000 is 0.4 (both messages).
    map.ReplaceNextAnswer(20301, ViewAnswer(1, 2, 3, 4, 4000));
    printed = platform::CommandLineUtf8().size();
    RequestWholeViewImage();
    told = PrintedSince(printed);
    EXPECT_EQ(told.find("MATCHTARN"), std::string::npos) << told;
    Corners(WholeViewImage(), corners);
    EXPECT_DOUBLE_EQ(corners[0], 1.0);
    EXPECT_DOUBLE_EQ(corners[3], 4.0);
    map.ReplaceNextAnswer(20301, ViewAnswer(1, 2, 3, 4, 400));
    printed = platform::CommandLineUtf8().size();
    RequestWholeViewImage();
    told = PrintedSince(printed);
    EXPECT_NE(told.find("当前视图缩放比例可能太大"), std::string::npos) << told;
    EXPECT_NE(told.find("比例为40.00%"), std::string::npos) << told;
}

TEST_F(ViewRequests, LongitudeLatitudeAndFailuresAreRefusedOrShown) {
    map.SetCoordState(2, {}, "WGS 84");
    user.ExpectMessageBox(u"Zavrel当前的坐标系为经纬度，不支持该操作！");
    RequestWholeViewImage();
    EXPECT_TRUE(map.RequestsOf(20301).empty());
    EXPECT_TRUE(WholeViewImage().isNull());

    map.SetCoordState(4, {}, "Gauss");
    map.FailCode(20301, -5, 1);
    user.ExpectMessageBox(MapApiErrorText(-5));
    RequestWholeViewImage();
    EXPECT_TRUE(WholeViewImage().isNull());
    EXPECT_FALSE(platform::ProgressMeterShown());
}

TEST_F(ViewRequests, TheZoomQuestionIsAskedOnceALoadOrAnsweredByTheSetting) {
    // Not matched for every drawing: asked; Yes matches the zoom, and Yes again keeps it for every drawing.
    g_Settings.m_nMatchZoomFactor = 0;
    SetZoomFactor(60);
    user.ExpectMessageBox(u"是否设置？", IDYES);
    user.ExpectMessageBox(u"是否为每个新启动的文档都添加该设置？", IDYES);
    AskZoomFactor();
    EXPECT_EQ(map.RequestsOf(20301).size(), 1u);
    EXPECT_EQ(ZoomFactor(), 100);
    EXPECT_EQ(g_Settings.m_nMatchZoomFactor, 1);
    BYTE record[sizeof(CSettingsRecord)] = {};
    ASSERT_TRUE(GetPrivateProfileStructW(u"TarnArx", u"ini", record, sizeof record, g_strSettingsPath));
    EXPECT_EQ(record[offsetof(CSettingsRecord, m_nMatchZoomFactor)], 1);
    // Once a load only.
    SetZoomFactor(60);
    AskZoomFactor();
    EXPECT_EQ(map.RequestsOf(20301).size(), 1u);

    // A fresh load with the setting on: matched at the first use without a question, and only then.
    g_bZoomFirstUse = 1;
    g_bZoomAsked = 0;
    AskZoomFactor();
    EXPECT_EQ(map.RequestsOf(20301).size(), 2u);
    EXPECT_EQ(ZoomFactor(), 100);
    AskZoomFactor();
    EXPECT_EQ(map.RequestsOf(20301).size(), 2u);

    // A fresh load with the setting off, answered No: nothing is matched and nothing stored.
    g_Settings.m_nMatchZoomFactor = 0;
    g_bZoomAsked = 0;
    user.ExpectMessageBox(u"是否设置？", IDNO);
    AskZoomFactor();
    EXPECT_EQ(map.RequestsOf(20301).size(), 2u);
    EXPECT_EQ(g_Settings.m_nMatchZoomFactor, 0);
}

TEST_F(ViewRequests, AKeptAnswerIsInsertedOnceAndFreedWhateverItHolds) {
    g_KeptViewAnswer = ViewAnswer(10, 20, 30, 40, 64);
    EXPECT_EQ(CMessageDlg::InsertKeptViewImage(), 0);
    EXPECT_TRUE(g_KeptViewAnswer.empty());
    ASSERT_FALSE(WholeViewImage().isNull());
    double corners[4];
    Corners(WholeViewImage(), corners);
    EXPECT_DOUBLE_EQ(corners[0], 10.0);
    EXPECT_DOUBLE_EQ(corners[1], 20.0);
    EXPECT_DOUBLE_EQ(corners[2], 30.0);
    EXPECT_DOUBLE_EQ(corners[3], 40.0);
    // Nothing kept, a head without a picture, a picture that is no PNG: 1, and the buffer is freed.
    EXPECT_EQ(CMessageDlg::InsertKeptViewImage(), 1);
    g_KeptViewAnswer = Bytes(112, 0);
    EXPECT_EQ(CMessageDlg::InsertKeptViewImage(), 1);
    EXPECT_TRUE(g_KeptViewAnswer.empty());
    g_KeptViewAnswer = Bytes(200, 7);
    const size_t printed = platform::CommandLineUtf8().size();
    EXPECT_EQ(CMessageDlg::InsertKeptViewImage(), 1);
    EXPECT_NE(PrintedSince(printed).find("加载底图失败"), std::string::npos);
    EXPECT_TRUE(g_KeptViewAnswer.empty());
}

TEST_F(ViewRequests, TheQuietIconResizeReplacesTheIconsWithoutAMeter) {
    ASSERT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    g_strIconPath.Empty();
    g_strIconName.Empty();
    LoadIconImage();
    CEntityProperty properties;
    std::vector<AcDbObjectId> icons;
    for (int i = 0; i < 120; ++i) {
        AcDbObjectId image;
        AddImgPoint(image, g_idIconImageDef, AcGePoint3d(10.0 * i, 0.0, 0.0), 60, properties);
        icons.push_back(image);
    }
    acDocManager->unlockDocument(doc);
    g_KeptViewAnswer = ViewAnswer(0, 0, 1000, 1000, 64);
    ASSERT_EQ(CMessageDlg::InsertKeptViewImage(), 0);
    double before[4];
    Corners(icons.back(), before);
    platform::ClearStatusBarEvents();
    g_Settings.m_nIconSize = 15;
    g_pToolBarWnd->ResizeIconsWithoutProgress();
    EXPECT_TRUE(platform::StatusBarEvents().empty());
    for (AcDbObjectId id : {icons.front(), icons.back()}) {
        double c[4];
        Corners(id, c);
        EXPECT_DOUBLE_EQ(c[2] - c[0], 15.0);
    }
    // The icon stands on its point (the middle of its old bottom edge, 1190): its left edge lies the whole
    // half of 15 (7) to the left of it, its bottom on it.
    double last[4];
    Corners(icons.back(), last);
    EXPECT_DOUBLE_EQ((before[0] + before[2]) / 2.0, 1190.0);
    EXPECT_DOUBLE_EQ(last[0], 1190.0 - 7.0);
    EXPECT_DOUBLE_EQ(last[1], before[1]);
    double whole[4];
    Corners(WholeViewImage(), whole);
    EXPECT_DOUBLE_EQ(whole[2] - whole[0], 1000.0);  // the map picture is no icon
}

TEST(ToolBarOperations, TheRegionModePromptTakesANumberAKeywordOrTheDefault) {
    struct Case {
        const char16_t* typed;
        double value;
        const char* said;
    };
    for (const Case& c :
         {Case{u"7.5", 7.5, "Real    : 7.500000"}, Case{u"create", 10.0, "Real    : 10.000000"},
          Case{u"F", 3.14, "Real    : 3.140000"}, Case{u"SELECT", 11.0, "Real    : 11.000000"},
          Case{u"", 15.0, "Take default rValue 15.000000"}}) {
        SCOPED_TRACE(std::string(c.said));
        platform::TypeAhead(c.typed);
        const size_t printed = platform::CommandLineUtf8().size();
        EXPECT_DOUBLE_EQ(PromptRegionMode(), c.value);
        EXPECT_NE(platform::CommandLineUtf8().find(c.said, printed), std::string::npos);
    }
}

TEST(ToolBarOperations, CodesMapToTheirRangesByTheirLastThreeDigits) {
    EXPECT_EQ(MapCodeRange(999, 0), 5005);
    EXPECT_EQ(MapCodeRange(1071, 0), 5010);  // kept whole
    EXPECT_EQ(MapCodeRange(2071, 0), 5000);  // 71
    EXPECT_EQ(MapCodeRange(0, 0), 5000);
    EXPECT_EQ(MapCodeRange(1250, 7), 5002);
    EXPECT_EQ(MapCodeRange(499, 0), 5004);
    EXPECT_EQ(MapCodeRange(500, 0), 5005);
    EXPECT_EQ(MapCodeRange(65535, 0), 5005);  // 535
}

TEST_F(ViewRequests, ImageDefinitionsAreFoundOrMadeUnderTheDocumentsLock) {
    platform::ClearLockViolations();
    const AcDbObjectId fromResource = GetResImgDefIdLocked(u"Marker", kRgbPngResource);
    ASSERT_FALSE(fromResource.isNull());
    EXPECT_EQ(GetResImgDefIdLocked(u"Marker", kRgbPngResource + 1), fromResource);  // found by its name
    EXPECT_TRUE(GetResImgDefIdLocked(u"Other", 0).isNull());

    g_strIconPath.Empty();
    ASSERT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    LoadIconImage();  // writes Icon.png into the plug-in's folder
    acDocManager->unlockDocument(doc);
    const AcDbObjectId fromFile = GetFileImgDefIdLocked(u"FromFile", g_strIconPath);
    ASSERT_FALSE(fromFile.isNull());
    EXPECT_NE(fromFile, fromResource);
    EXPECT_TRUE(GetFileImgDefIdLocked(u"Missing", u"C:\\no\\such.png").isNull());
    EXPECT_TRUE(platform::LockViolations().empty());
}

TEST(ToolBarOperations, TheAppReactorHearsTheLinkerAndChangesNothing) {
    struct Counting : AcRxDLinkerReactor {
        std::vector<std::u16string> heard;
        void rxAppWillBeLoaded(const ACHAR* name) override {
            heard.push_back(u"will:" + std::u16string(name));
        }
        void rxAppLoaded(const ACHAR* name) override { heard.push_back(u"loaded:" + std::u16string(name)); }
        void rxAppLoadAborted(const ACHAR* name) override {
            heard.push_back(u"aborted:" + std::u16string(name));
        }
    };
    Counting counting;
    CAppReactor app;
    acrxDynamicLinker->addReactor(&app);
    acrxDynamicLinker->addReactor(&counting);
    acrxDynamicLinker->addReactor(&counting);  // told once
    platform::SetModuleLoadFails(u"bad.arx", true);
    EXPECT_TRUE(acrxDynamicLinker->loadModule(u"good.arx", false));
    EXPECT_FALSE(acrxDynamicLinker->loadModule(u"bad.arx", false));
    const std::vector<std::u16string> expected{u"will:good.arx", u"loaded:good.arx", u"will:bad.arx",
                                               u"aborted:bad.arx"};
    EXPECT_EQ(counting.heard, expected);
    acrxDynamicLinker->removeReactor(&counting);
    EXPECT_TRUE(acrxDynamicLinker->loadModule(u"again.arx", false));
    EXPECT_EQ(counting.heard.size(), 4u);
    acrxDynamicLinker->removeReactor(&app);
    platform::SetModuleLoadFails(u"bad.arx", false);
}

}  // namespace

TARN_RESOURCE(u"PNG", kRgbPngResource, kRgbPng, sizeof kRgbPng);

namespace {

short ZoomFactorNow() {
    resbuf rb{};
    acedGetVar(u"ZOOMFACTOR", &rb);
    return rb.resval.rint;
}

TEST_F(FrameTest, ATextSentToTheHostsMainWindowRunsOnItsCommandLine) {
    Load();
    ASSERT_TRUE(SendTextToHost(u"ZOOMFACTOR 42 "));
    EXPECT_NE(ZoomFactorNow(), 42);  // queued: it runs when the host is idle
    EXPECT_EQ(platform::ExecuteSentStrings(), 1);
    EXPECT_EQ(ZoomFactorNow(), 42);
    // Nothing to send; and a copy of another kind is not taken by the frame.
    EXPECT_FALSE(SendTextToHost(u""));
    const char16_t text[] = u"ZOOMFACTOR 7 ";
    COPYDATASTRUCT cds{2, sizeof text, const_cast<char16_t*>(text)};
    EXPECT_EQ(SendMessageW(acedGetAcadFrame()->GetSafeHwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)),
              0);
    EXPECT_EQ(platform::ExecuteSentStrings(), 0);
    EXPECT_EQ(ZoomFactorNow(), 42);
}

}  // namespace

#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/res/dlg_setcoor.h"

namespace {

TEST_F(FrameTest, TheCoordinateHelpOpensNoPage) {
    Load();
    ShowSetCoorDlg(GetToolBarWnd());
    ASSERT_NE(g_pSetCoorDlg, nullptr);
    CWnd* more = g_pSetCoorDlg->GetDlgItem(IDC_COOR_MORE);
    ASSERT_NE(more, nullptr);
    EXPECT_FALSE(more->IsWindowEnabled());
    // The small help button, once plane coordinates show it, is as disabled as the link.
    CWnd* help = g_pSetCoorDlg->GetDlgItem(IDC_COOR_HELP);
    ASSERT_NE(help, nullptr);
    const std::pair<int, const char16_t*> plane[] = {{IDC_COOR_X, u"39500000"}, {IDC_COOR_Y, u"4000000"}};
    for (const auto& [id, text] : plane) {
        g_pSetCoorDlg->GetDlgItem(id)->SetWindowText(text);
        g_pSetCoorDlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), 0);
    }
    EXPECT_TRUE(help->IsWindowVisible());
    EXPECT_FALSE(help->IsWindowEnabled());
    const size_t opened = platform::ShellExecuteRecords().size();
    for (int id : {IDC_COOR_MORE, IDC_COOR_HELP}) {
        g_pSetCoorDlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    EXPECT_EQ(platform::ShellExecuteRecords().size(), opened);
}

}  // namespace
